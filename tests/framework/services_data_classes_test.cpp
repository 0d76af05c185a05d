#include "framework/data_classes.h"

#include "services_support.h"
#include "tests/support/le_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

void Append(Bytes& out, std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(static_cast<BYTE>(b));
}
void AppendText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }
void AppendClassRecord(Bytes& out, const std::string& name) {
    Append(out, {0xFF, 0xFF, 0x0A, 0x00, static_cast<int>(name.size()), 0x00});
    AppendText(out, name);
}

template <class Store>
Bytes Stored(Store store) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        store(ar);
        ar.Close();
    }
    return Bytes(file.Data(), file.Data() + file.GetLength());
}

template <class Load>
void LoadFrom(Bytes bytes, Load load) {
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    load(ar);
}

TEST(DataClasses, SnapshotArchiveBytes) {
    CCopaObjectCompare snapshot;
    snapshot.SetName("R");
    snapshot.SetType(0x4);
    snapshot.SetExtType(0x20000);
    const Bytes bytes = Stored([&](CArchive& ar) {
        snapshot.Serialize(ar);
        snapshot.Serialize(ar);
    });
    Bytes expected;
    AppendClassRecord(expected, "CCopaObjectCompare");
    Append(expected, {0x0A, 0, 0, 0, 0x01, 'R', 0x04, 0, 0, 0, 0, 0, 0x02, 0});
    // Later in the same archive the class is a reference to index 1.
    Append(expected, {0x01, 0x80, 0x0A, 0, 0, 0, 0x01, 'R', 0x04, 0, 0, 0, 0, 0, 0x02, 0});
    EXPECT_EQ(expected, bytes);

    LoadFrom(bytes, [](CArchive& ar) {
        for (int i = 0; i < 2; ++i) {
            CCopaObjectCompare loaded;
            loaded.Serialize(ar);
            EXPECT_EQ(CString("R"), loaded.GetName());
            EXPECT_EQ(0x4u, loaded.GetType());
            EXPECT_EQ(0x20000u, loaded.GetExtType());
        }
    });
}

TEST(DataClasses, PointArchiveBytes) {
    CDataPoint point(1.5, -2.0);
    C3DDataPoint point3(1.0, 2.0, 0.5);
    const Bytes bytes = Stored([&](CArchive& ar) {
        point.Serialize(ar);
        point3.Serialize(ar);
    });
    Bytes expected;
    AppendClassRecord(expected, "CDataPoint");
    Append(expected, {0x0A, 0, 0, 0});
    Append(expected, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0xC0});
    AppendClassRecord(expected, "C3DDataPoint");
    Append(expected, {0x0A, 0, 0, 0});
    Append(expected, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0xE0, 0x3F});
    EXPECT_EQ(expected, bytes);

    LoadFrom(bytes, [](CArchive& ar) {
        CDataPoint p;
        C3DDataPoint q;
        p.Serialize(ar);
        q.Serialize(ar);
        EXPECT_EQ(1.5, p.x);
        EXPECT_EQ(-2.0, p.y);
        EXPECT_EQ(1.0, q.x);
        EXPECT_EQ(2.0, q.y);
        EXPECT_EQ(0.5, q.z);
    });
}

TEST(DataClasses, DataWithoutClassRecordLoadsAsSchemaZero) {
    // Two snapshots and a point, each without class record and version.
    Bytes bytes;
    Append(bytes, {0x01, 'R', 0x04, 0, 0, 0, 0x00, 0x00, 0x02, 0x00});
    Append(bytes, {0x02, '@', 'L', 0x84, 0, 0, 0, 0, 0, 0, 0});
    Append(bytes, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0xC0});
    LoadFrom(bytes, [](CArchive& ar) {
        CCopaObjectCompare first;
        CCopaObjectCompare second;
        CDataPoint point;
        first.Serialize(ar);
        second.Serialize(ar);
        point.Serialize(ar);
        EXPECT_EQ(CString("R"), first.GetName());
        EXPECT_EQ(0x4u, first.GetType());
        EXPECT_EQ(0x20000u, first.GetExtType());
        EXPECT_EQ(CString("@L"), second.GetName());
        EXPECT_EQ(0x84u, second.GetType());
        EXPECT_EQ(1.5, point.x);
        EXPECT_EQ(-2.0, point.y);
    });
}

TEST(DataClasses, SnapshotMatchesOnlyParametersThatTakePart) {
    ParamHolder holder;
    CWizardCopaObject3* param = services_test::MakeParam(holder, 1, "R", "1", 0x4);
    CCopaObjectCompare snapshot;
    snapshot.SetFrom(param);
    EXPECT_TRUE(snapshot.IsSame(param));
    EXPECT_FALSE(snapshot.IsSame(nullptr));
    param->SetType(0x4 | 0x2);
    EXPECT_FALSE(snapshot.IsSame(param));
}

TEST(DataClassBuffers, EmptyPointListWithFourTexts) {
    CPtrArray points;
    BYTE buffer[64] = {};
    BYTE* cursor = buffer;
    size_t left = sizeof buffer;
    ASSERT_TRUE(WriteDataPointsToBuffer(&cursor, &left, &points, "x", "y", "", "u"));
    const Bytes expected = {0, 0, 0, 0, 1, 0, 0, 0, 'x', 1, 0, 0, 0, 'y', 0, 0, 0, 0, 1, 0, 0, 0, 'u'};
    EXPECT_EQ(expected, Bytes(buffer, cursor));
    EXPECT_EQ(sizeof buffer - expected.size(), left);
    EXPECT_EQ(expected.size(), DataPointsBufferSize(&points, "x", "y", "", "u"));

    // One byte too few: nothing is written.
    BYTE small[22] = {};
    cursor = small;
    left = sizeof small;
    EXPECT_FALSE(WriteDataPointsToBuffer(&cursor, &left, &points, "x", "y", "", "u"));
    EXPECT_EQ(small, cursor);
    EXPECT_EQ(Bytes(22, 0), Bytes(small, small + 22));
    points.Add(nullptr);
    cursor = buffer;
    left = sizeof buffer;
    EXPECT_FALSE(WriteDataPointsToBuffer(&cursor, &left, &points, "", "", "", ""));
}

class ThreeColumns : public ::testing::Test {
protected:
    void SetUp() override {
        for (int c = 0; c < 3; ++c) {
            columns.Add(&data[c]);
            textsA.Add(CString('a', c + 1));
            textsB.Add(CString('b', c + 1));
        }
    }
    CDoubleColumn data[3];
    CPtrArray columns;
    CStringArray textsA;
    CStringArray textsB;
};

TEST_F(ThreeColumns, ShortestColumnGivesTheRowsAndReadsBack) {
    for (int i = 0; i < 5; ++i) data[0].Add(i);
    for (int i = 0; i < 4; ++i) data[1].Add(10 + i);
    for (int i = 0; i < 6; ++i) data[2].Add(20 + i);
    const size_t size = ThreeColumnsBufferSize(&columns, &textsA, &textsB);
    EXPECT_EQ(4u + 4 * 24 + 6 * 4 + 2 * (1 + 2 + 3), size);
    Bytes buffer(size + 8, 0xEE);
    BYTE* cursor = buffer.data();
    size_t left = buffer.size();
    ASSERT_TRUE(WriteThreeColumnsToBuffer(&cursor, &left, &columns, &textsA, &textsB));
    EXPECT_EQ(size, static_cast<size_t>(cursor - buffer.data()));
    // Row by row x, y, z; then the three texts of each array, each with its length.
    Bytes expected;
    qv_test::AddDword(expected, 4);
    for (int row = 0; row < 4; ++row)
        for (double column : {0.0, 10.0, 20.0}) qv_test::AddDouble(expected, column + row);
    for (const std::string text : {"a", "aa", "aaa", "b", "bb", "bbb"}) {
        qv_test::AddDword(expected, static_cast<DWORD>(text.size()));
        AppendText(expected, text);
    }
    EXPECT_EQ(expected, Bytes(buffer.begin(), buffer.begin() + static_cast<long>(size)));
    EXPECT_EQ(0xEE, buffer[size]);

    CDoubleColumn read[3];
    CPtrArray readColumns;
    for (auto& column : read) readColumns.Add(&column);
    CStringArray readA;
    CStringArray readB;
    readA.SetSize(3);
    readB.SetSize(3);
    const BYTE* in = buffer.data();
    left = size;
    ASSERT_TRUE(ReadThreeColumnsFromBuffer(&in, &left, &readColumns, &readA, &readB));
    EXPECT_EQ(0u, left);
    ASSERT_EQ(4, read[2].GetSize());
    EXPECT_EQ(23.0, read[2][3]);
    EXPECT_EQ(CString("bbb"), readB[2]);
}

TEST_F(ThreeColumns, ReaderTakesOnlyWholeFields) {
    // The count promises 1000 rows; one row, two empty texts and two stray bytes follow.
    Bytes buffer = {0xE8, 0x03, 0, 0};
    buffer.resize(4 + 24 + 10, 0);
    CStringArray readA;
    CStringArray readB;
    readA.SetSize(3);
    readB.SetSize(3);
    const BYTE* in = buffer.data();
    size_t left = buffer.size();
    ASSERT_TRUE(ReadThreeColumnsFromBuffer(&in, &left, &columns, &readA, &readB));
    EXPECT_EQ(1, data[0].GetSize());
    EXPECT_EQ(2u, left);
    EXPECT_EQ(2, readA.GetSize());
    EXPECT_EQ(0, readB.GetSize());

    // Wrong shapes touch nothing.
    CStringArray two;
    two.SetSize(2);
    EXPECT_FALSE(ReadThreeColumnsFromBuffer(&in, &left, &columns, &two, &readB));
    EXPECT_EQ(0u, ThreeColumnsBufferSize(&columns, &two, &readB));
}

} // namespace
