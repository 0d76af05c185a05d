#include "framework/data_classes.h"

#include "services_support.h"
#include "tests/support/archive_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;
using qv_test::Loaded;
using qv_test::Stored;

void Append(Bytes& out, std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(static_cast<BYTE>(b));
}
void AppendText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }
void AppendClassRecord(Bytes& out, const std::string& name) {
    Append(out, {0xFF, 0xFF, 0x0A, 0x00, static_cast<int>(name.size()), 0x00});
    AppendText(out, name);
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

    Loaded(bytes, [](CArchive& ar) {
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

    Loaded(bytes, [](CArchive& ar) {
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
    Loaded(bytes, [](CArchive& ar) {
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
    qv_test::Dword(expected, 4);
    for (int row = 0; row < 4; ++row)
        for (double column : {0.0, 10.0, 20.0}) qv_test::Double(expected, column + row);
    for (const std::string text : {"a", "aa", "aaa", "b", "bb", "bbb"}) {
        qv_test::Dword(expected, static_cast<DWORD>(text.size()));
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
    // The count promises 1000 rows; one row follows, then ten bytes that would make two empty
    // texts and two stray bytes. The block ends inside the second row, so the reading ends
    // there: the ten bytes are no texts.
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
    EXPECT_EQ(10u, left);
    EXPECT_EQ(buffer.data() + 28, in);
    EXPECT_EQ(0, readA.GetSize());
    EXPECT_EQ(0, readB.GetSize());

    // Wrong shapes touch nothing.
    CStringArray two;
    two.SetSize(2);
    EXPECT_FALSE(ReadThreeColumnsFromBuffer(&in, &left, &columns, &two, &readB));
    EXPECT_EQ(0u, ThreeColumnsBufferSize(&columns, &two, &readB));
}

// A stored table of two rows cut after every possible length: what was read whole before
// the cut is kept, nothing after the first field that does not fit is read, and the old
// contents of the columns and texts never survive.
TEST_F(ThreeColumns, ReaderStopsAtTheFirstFieldThatDoesNotFit) {
    // 1.0 and 2.0 begin with four zero bytes: read as a text length they would make a
    // stray empty text.
    Bytes whole;
    qv_test::Dword(whole, 2);
    for (double value : {1.0, 1.0, 1.0, 2.0, 2.0, 2.0}) qv_test::Double(whole, value);
    for (const std::string text : {"a", "bb", "", "ccc", "d", "ee"}) {
        qv_test::Dword(whole, static_cast<DWORD>(text.size()));
        AppendText(whole, text);
    }
    ASSERT_EQ(4u + 48u + 5u + 6u + 4u + 7u + 5u + 6u, whole.size());

    struct Case {
        size_t length;        // bytes of the block given to the reader
        int rows;             // rows read
        int texts;            // texts read (first into A, then into B)
        size_t consumed;      // bytes the cursor moved on
    };
    const Case cases[] = {
        {0, 0, 0, 0},    {1, 0, 0, 0},    {3, 0, 0, 0},    // no count
        {4, 0, 0, 4},    {14, 0, 0, 4},   {27, 0, 0, 4},   // count, then inside row 1
        {28, 1, 0, 28},  {32, 1, 0, 28},  {48, 1, 0, 28},  // inside row 2
        {51, 1, 0, 28},  {52, 2, 0, 52},  {56, 2, 0, 52},  // both rows, inside text 1
        {57, 2, 1, 57},  {62, 2, 1, 57},  {63, 2, 2, 63},  // texts "a", "bb"
        {66, 2, 2, 63},  {67, 2, 3, 67},  {73, 2, 3, 67},  // "" and inside "ccc"
        {74, 2, 4, 74},  {79, 2, 5, 79},  {84, 2, 5, 79},  // "ccc", "d", inside "ee"
        {85, 2, 6, 85},
    };
    const std::vector<std::string> texts = {"a", "bb", "", "ccc", "d", "ee"};
    // One case per call, so that a failed assertion ends only its own case.
    auto check = [&](const Case& c) {
        SCOPED_TRACE("block of " + std::to_string(c.length) + " bytes");
        ASSERT_LE(c.length, whole.size());
        // Leftovers of an earlier table that must not survive the reading.
        for (auto& column : data) {
            column.RemoveAll();
            column.Add(-7.0);
        }
        CStringArray readA;
        CStringArray readB;
        readA.Add("old");
        readA.Add("old");
        readA.Add("old");
        readB.Copy(readA);
        // A copy of exactly the given length, so that reading beyond it is an address error.
        const Bytes block(whole.begin(), whole.begin() + static_cast<long>(c.length));
        const BYTE* in = block.data();
        size_t left = block.size();
        ASSERT_TRUE(ReadThreeColumnsFromBuffer(&in, &left, &columns, &readA, &readB));
        EXPECT_EQ(c.consumed, static_cast<size_t>(in - block.data()));
        EXPECT_EQ(c.length - c.consumed, left);
        for (int col = 0; col < 3; ++col) {
            ASSERT_EQ(c.rows, data[col].GetSize()) << "column " << col;
            for (int r = 0; r < c.rows; ++r) EXPECT_EQ(r + 1.0, data[col][r]) << "column " << col << " row " << r;
        }
        ASSERT_EQ(std::min(c.texts, 3), readA.GetSize());
        ASSERT_EQ(std::max(c.texts - 3, 0), readB.GetSize());
        for (int t = 0; t < c.texts; ++t)
            EXPECT_EQ(CString(texts[static_cast<size_t>(t)].c_str()), t < 3 ? readA[t] : readB[t - 3]) << "text " << t;
    };
    for (const Case& c : cases) check(c);
}

} // namespace
