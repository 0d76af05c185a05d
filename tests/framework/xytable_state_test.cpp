// The characteristic table's state: archive bytes built by hand, the loading rules for older
// and damaged data, the saved block, copies and relative file names.
#include "xytable_support.h"
#include "tests/support/xy_table_bytes.h"

#include <climits>
#include <cmath>
#include <fstream>

using namespace xytable_test;
using qv_test::TableRecordHead;

namespace {

using Pairs = std::vector<std::pair<double, double>>;

class XYTableStateTest : public ScriptedTest {};

TEST_F(XYTableStateTest, FreshTableIsAReferenceAndSurvivesARoundTrip) {
    TestTable fresh;
    EXPECT_EQ(CPropCharacteristicXYTable::kKindReference, fresh.GetMode());
    EXPECT_EQ(1u, fresh.GetDataPairsFlag());
    EXPECT_EQ(CString(".mdx"), fresh.GetFileName());

    TestTable loaded;
    loaded.SetMode(CPropCharacteristicXYTable::kKindLookUp);
    loaded.SetDataPairsFlag(0);
    loaded.SetFileName("stale.mdx");
    loaded.Add(5, 5);
    ASSERT_TRUE(Load(loaded, Store(fresh)));
    EXPECT_EQ(CPropCharacteristicXYTable::kKindReference, loaded.GetMode());
    EXPECT_EQ(1u, loaded.GetDataPairsFlag());
    EXPECT_EQ(CString(".mdx"), loaded.GetFileName()) << "a reference record gives back the file name it stored";
    EXPECT_TRUE(PointsOf(loaded).empty()) << "loading empties the point list first";
}

TEST_F(XYTableStateTest, StoredBytesFollowTheFixedLayoutAndLoadBack) {
    TestTable table;
    table.SetMode(CPropCharacteristicXYTable::kKindLookUp);
    table.SetReference("XY.VAL");
    table.SetFileName("R1.mdx");
    table.SetUserFileFlag(TRUE);
    table.Add(0.5, -1.0);
    table.Add(2.0, 3.25);
    table.SetDataPairsFlag(7);  // any non-zero value means data pairs and is written as 1
    table.SetVariableName("VAR");

    Bytes expected = TableRecordHead(10, 1, "XY.VAL", "R1.mdx", 1, {{0.5, -1.0}, {2.0, 3.25}});
    Dword(expected, 1);
    Str(expected, "VAR");
    EXPECT_EQ(expected, Store(table));

    TestTable loaded;
    loaded.SetReference("stale");
    ASSERT_TRUE(Load(loaded, expected));
    EXPECT_EQ(CPropCharacteristicXYTable::kKindLookUp, loaded.GetMode());
    EXPECT_EQ(CString("XY.VAL"), loaded.GetReference()) << "a look-up record gives back the reference it stored";
    EXPECT_EQ(CString("R1.mdx"), loaded.GetFileName());
    EXPECT_TRUE(loaded.GetUserFileFlag());
    EXPECT_EQ((Pairs{{0.5, -1.0}, {2.0, 3.25}}), PointsOf(loaded));
    EXPECT_EQ(1u, loaded.GetDataPairsFlag());
    EXPECT_EQ(CString("VAR"), loaded.GetVariableName());

    // The look-up variant archives under the base class's name: the same bytes.
    CPropCharacteristicXYTableLUT variant;
    variant.CopyFrom(&table);
    variant.SetDataPairsFlag(1);
    EXPECT_EQ(expected, Store(variant));
}

TEST_F(XYTableStateTest, SecondTableInOneArchiveUsesTheClassBackReference) {
    TestTable first;
    TestTable second;
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        first.Serialize(ar);
        second.Serialize(ar);
        ar.Close();
    }
    const Bytes one = Store(first);
    ASSERT_GT(file.GetLength(), one.size() + 2);
    EXPECT_EQ(0x01, file.Data()[one.size()]);
    EXPECT_EQ(0x80, file.Data()[one.size() + 1]);
}

TEST_F(XYTableStateTest, RawKindOtherThanZeroOrOneTakesNeitherText) {
    Bytes bytes = TableRecordHead(10, 2, "NEWREF", "new.mdx", 0, {});
    Dword(bytes, 1);
    Str(bytes, "");
    TestTable table;
    table.SetReference("old");
    table.SetFileName("old.mdx");
    table.SetMode(CPropCharacteristicXYTable::kKindLookUp);
    ASSERT_TRUE(Load(table, bytes));
    EXPECT_EQ(CPropCharacteristicXYTable::kKindReference, table.GetMode());
    EXPECT_EQ(CString("old"), table.GetReference());
    EXPECT_EQ(CString("old.mdx"), table.GetFileName());
}

TEST_F(XYTableStateTest, OlderRecordsLackTheTableSourceAndVariableName) {
    // Version 2: a class record and version DWORD, but the record ends after the points.
    const Bytes version2 = TableRecordHead(2, 1, "", "v2.mdx", 0, {{1, 2}});
    TestTable table;
    table.SetDataPairsFlag(0);
    table.SetVariableName("keep");
    ASSERT_TRUE(Load(table, version2));
    EXPECT_EQ(CString("v2.mdx"), table.GetFileName());
    EXPECT_EQ(0u, table.GetDataPairsFlag());
    EXPECT_EQ(CString("keep"), table.GetVariableName());
    EXPECT_EQ((Pairs{{1, 2}}), PointsOf(table));

    // Schema 0: no class record at all. The first WORD (the kind's low half, 1) reads as a
    // reference to an index the archive does not know; reading goes back to where it began
    // and takes the data as version 0.
    Bytes version0;
    Dword(version0, 1);
    Str(version0, "");
    Str(version0, "v0.mdx");
    Dword(version0, 1);
    Dword(version0, 1);
    NewClass(version0, "CDataPoint");
    Dword(version0, 10);
    Double(version0, 3);
    Double(version0, 4);
    TestTable old;
    old.SetVariableName("keep");
    ASSERT_TRUE(Load(old, version0));
    EXPECT_EQ(CPropCharacteristicXYTable::kKindLookUp, old.GetMode());
    EXPECT_EQ(CString("v0.mdx"), old.GetFileName());
    EXPECT_TRUE(old.GetUserFileFlag());
    EXPECT_EQ((Pairs{{3, 4}}), PointsOf(old));
    EXPECT_EQ(CString("keep"), old.GetVariableName());
}

TEST_F(XYTableStateTest, DamagedRecordsAreRefusedAndChangeNothing) {
    TestTable table;
    table.SetFileName("before.mdx");
    table.Add(9, 9);

    // A count far beyond the bytes that follow is refused before anything is allocated.
    Bytes huge = TableRecordHead(10, 1, "", "after.mdx", 0, {});
    huge.resize(huge.size() - 4);
    Dword(huge, 0xFFFFFFFFu);
    Double(huge, 1);
    EXPECT_FALSE(Load(table, huge));

    // A record cut off in its last text.
    Bytes cut = TableRecordHead(10, 1, "", "after.mdx", 0, {{1, 1}});
    Dword(cut, 1);
    Str(cut, "VARIABLE");
    cut.resize(cut.size() - 3);
    EXPECT_FALSE(Load(table, cut));

    EXPECT_EQ(CString("before.mdx"), table.GetFileName());
    EXPECT_EQ((Pairs{{9, 9}}), PointsOf(table));
}

TEST_F(XYTableStateTest, SavedBlockFeedsLoadingAndThePointsOfModelText) {
    TestTable source;
    source.SetMode(CPropCharacteristicXYTable::kKindLookUp);
    source.SetFileName("blk.mdx");
    source.Add(1, 10);
    source.Add(2, 20);
    const Bytes block = Store(source);

    TestTable table;
    CPtrArray marker;
    CPtrArray* out = &marker;
    table.GetPoints(&out);
    EXPECT_EQ(&marker, out) << "no points and no block leave the output alone";
    table.SetData(block.data(), 0);
    EXPECT_FALSE(table.LoadFromData()) << "a block of length 0 is no block";
    table.GetPoints(&out);
    EXPECT_EQ(&marker, out);

    table.SetData(block.data(), static_cast<int>(block.size()));
    table.GetPoints(&out);
    ASSERT_EQ(&table.Points(), out) << "an empty list is read from the block";
    EXPECT_EQ((Pairs{{1, 10}, {2, 20}}), PointsOf(table));
    EXPECT_EQ(CString("blk.mdx"), table.GetFileName());
    EXPECT_EQ(block.size(), static_cast<size_t>(table.GetDataLength()));

    // A block that cannot be read leaves the state alone.
    const Bytes junk = {0xFF, 0xFF, 0x0A, 0x00, 0x40, 0x00, 'X'};
    table.SetData(junk.data(), static_cast<int>(junk.size()));
    EXPECT_FALSE(table.LoadFromData());
    EXPECT_EQ((Pairs{{1, 10}, {2, 20}}), PointsOf(table));
    table.SetData(nullptr, 0);
    EXPECT_EQ(nullptr, table.GetDataBlock());

    // The older base's constructor takes a copy of the block.
    CPropCharacteristicXYTable fromBlock(block.data(), static_cast<int>(block.size()), nullptr);
    ASSERT_TRUE(fromBlock.LoadFromData());
    EXPECT_EQ(2, fromBlock.Points().GetSize());
}

TEST_F(XYTableStateTest, CopyIsDeepAndOutlivesItsSource) {
    TestTable copy;
    copy.Add(7, 7);
    {
        TestTable source;
        source.SetMode(CPropCharacteristicXYTable::kKindLookUp);
        source.SetReference("REF");
        source.SetFileName("src.mdx");
        source.SetUserFileFlag(TRUE);
        source.SetDataPairsFlag(0);
        source.SetVariableName("V");
        source.SetXAxisLabel("v [V]");
        source.SetYAxisLabel("i [A]");
        source.SetComponentName("R1");
        source.SetDefaultNameSuffix("CHLE");
        source.Add(1, 2);
        source.Add(3, 4);
        const BYTE block[] = {1, 2, 3};
        source.SetData(block, 3);
        copy.CopyFrom(&source);
        copy.CopyFrom(nullptr);
    }
    EXPECT_EQ((Pairs{{1, 2}, {3, 4}}), PointsOf(copy));
    EXPECT_EQ(CPropCharacteristicXYTable::kKindLookUp, copy.GetMode());
    EXPECT_EQ(CString("REF"), copy.GetReference());
    EXPECT_EQ(CString("src.mdx"), copy.GetFileName());
    EXPECT_TRUE(copy.GetUserFileFlag());
    EXPECT_EQ(0u, copy.GetDataPairsFlag());
    EXPECT_EQ(CString("V"), copy.GetVariableName());
    EXPECT_EQ(CString("i [A]"), copy.GetYAxisLabel());
    EXPECT_EQ(CString("R1"), copy.GetComponentName());
    EXPECT_EQ(CString("CHLE"), copy.GetDefaultNameSuffix());
    ASSERT_EQ(3, copy.GetDataLength());
    EXPECT_EQ(3, copy.GetDataBlock()[2]);
}

TEST_F(XYTableStateTest, FileNamesBecomeRelativeToKnownFolders) {
    TempFolders folders;
    TestTable table;

    table.SetFileName((folders.docs + "a.mdx").c_str());
    table.MakeFileNameRelative();
    EXPECT_EQ(CString("a.mdx"), table.GetFileName());
    EXPECT_EQ(CString(folders.docs.c_str()), table.GetFileDirectory());

    table.SetFileName((folders.search + "b.mdx").c_str());
    table.MakeFileNameRelative();
    EXPECT_EQ(CString("b.mdx"), table.GetFileName());
    EXPECT_EQ(CString(folders.search.c_str()), table.GetFileDirectory());

    const CString elsewhere = (folders.other + "c.mdx").c_str();
    table.SetFileName(elsewhere);
    table.MakeFileNameRelative();
    EXPECT_EQ(elsewhere, table.GetFileName());
    EXPECT_TRUE(table.GetFileDirectory().IsEmpty());

    // Folders compare exactly: a folder spelt in other letter case is another folder here.
    CString upper = folders.docs.c_str();
    upper.MakeUpper();
    table.SetFileName(upper + "d.mdx");
    table.MakeFileNameRelative();
    EXPECT_EQ(upper + "d.mdx", table.GetFileName());

    table.SetFileName("bare.mdx");
    table.MakeFileNameRelative();
    EXPECT_EQ(CString(folders.docs.c_str()), table.GetFileDirectory());
}

TEST_F(XYTableStateTest, MonotonicCheckOnApplyDecidesByTheFirstFailure) {
    auto check = [](const Pairs& pairs) {
        TestTable table;
        for (const auto& p : pairs) table.Add(p.first, p.second);
        return CPropCharacteristicXYTable::CheckMonotonic(table.Points());
    };
    EXPECT_EQ(0u, check({}));
    EXPECT_EQ(0u, check({{5, 5}}));
    EXPECT_EQ(8010u, check({{0, 0}, {1, 1}, {1, 2}}));
    EXPECT_EQ(8011u, check({{2, 0}, {1, 0}, {1, 0}}));
    EXPECT_EQ(8009u, check({{1, 0}, {1, 5}}));
    EXPECT_EQ(0u, check({{3, 0}, {2, 0}, {-1, 0}}));
    EXPECT_EQ(8010u, check({{0, 0}, {1, 0}, {std::nan(""), 0}})) << "a value that compares with nothing fails";
}

TEST_F(XYTableStateTest, FilterPatternsSkipEntriesWithoutStarOrBar) {
    using Patterns = std::vector<CString>;
    EXPECT_EQ((Patterns{".mdx"}), CPropCharacteristicXYTable::FilterPatterns("MDX Files (*.mdx)|*.mdx"));
    EXPECT_EQ((Patterns{".txt;", ".csv"}), CPropCharacteristicXYTable::FilterPatterns("Tables (*.txt;*.csv)|*.txt;*.csv"));
    EXPECT_TRUE(CPropCharacteristicXYTable::FilterPatterns("No pattern here").empty());
    EXPECT_TRUE(CPropCharacteristicXYTable::FilterPatterns("Stars (*.x) only").empty());
    EXPECT_TRUE(CPropCharacteristicXYTable::FilterPatterns("Bar|*.x").empty()) << "the star comes after the bar";
    EXPECT_TRUE(CPropCharacteristicXYTable::FilterPatterns("*|").empty());
}

} // namespace
