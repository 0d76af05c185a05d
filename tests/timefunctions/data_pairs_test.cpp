// The data-pairs time function: golden model texts with the data file beside the description,
// archive bytes built by hand, older data (4.x blocks, blocks of the older wizard base with
// page archives of versions 3, 5 and 10), and the page driven as a user drives it.
#include "tests/timefunctions/timefunctions_support.h"
#include "tests/support/data_file_buttons.h"
#include "tests/support/pair_blocks.h"
#include "tests/support/symbol_frame.h"
#include "tests/support/text_files.h"

#include "afx/archive.h"
#include "afx/file.h"
#include "framework/data_file_places.h"
#include "equations/lookup_table_2d.h"
#include "timefunctions/data_pairs.h"
#include "toolkit/read_write_files.h"
#include "toolkit/tb_edit_list.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tf_test;
using namespace qv::datapairs;
namespace fs = std::filesystem;
using qv_test::NamedFile;
using qv_test::ReadFile;

namespace {

std::vector<ParamRow> PairRows() {
    return {
        {.id = 2038, .name = "TPERIO", .value = "1", .type = 0x4, .quantity = "Time", .unit = "s"},
        {.id = 2040, .name = "TDELAY", .value = "0", .type = 0x4, .quantity = "Time", .unit = "s"},
        {.id = 2042, .name = "PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg"},
        {.id = 2049, .name = "PERIO", .value = "1", .type = 0x4},
        {.id = 2122, .name = "FILE", .value = "", .type = 0x100004},
        {.id = 2117, .name = "FNAME", .value = "", .type = 0x100004},
        {.id = 1012, .name = "FREF", .value = "ref.mdx", .type = 0x100004, .extType = kUnused},
        {.id = 2056, .name = "OUT", .value = "", .type = 0x8},
    };
}

// One point as an archive holds it: class record (first) or back-reference, DWORD 10, x, y.
void Point(Bytes& out, double x, double y, bool first, WORD classIndex = 1) {
    if (first) NewClass(out, "CDataPoint");
    else Word(out, static_cast<WORD>(0x8000 | classIndex));
    Dword(out, 10);
    Double(out, x);
    Double(out, y);
}

std::vector<std::pair<double, double>> PointsOf(const CPtrArray& points) {
    std::vector<std::pair<double, double>> out;
    for (int i = 0; i < points.GetSize(); ++i) {
        const auto* p = static_cast<const CDataPoint*>(points[i]);
        out.emplace_back(p->x, p->y);
    }
    return out;
}

std::string FormatLast(const std::vector<std::pair<double, double>>& points) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", points.back().first);
    return text;
}

constexpr char kModel[] = "@TYPE@NAME ( @PARAMLIST);";

class DataPairs : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        UseScratchFolder("pairs");
    }
    void TearDown() override {
        g_ModelOutputDir.Empty();
        g_DocumentDir.Empty();
        SourcesTest::TearDown();
    }
    std::unique_ptr<CTFMDataPairsWizard4> Pairs(std::vector<ParamRow> rows, DWORD* element,
                                                std::vector<std::pair<double, double>> points) {
        auto wizard = NewWizard<CTFMDataPairsWizard4>(rows, "DP1", element);
        for (auto [t, y] : points) wizard->Points().Add(new CDataPoint(t, y));
        return wizard;
    }
    // Settles the wizard as a page hands it over.
    static void Settle(CTFMDataPairsWizard4& wizard, DWORD mode, BOOL fileName, const std::vector<const char*>& names) {
        WithSnapshots(names, [&](CPtrArray* list) {
            wizard.TakeFromPage(FALSE, fileName, mode, wizard.Points(), *list);
        });
    }
    std::string Write(CTFMDataPairsWizard4& wizard) {
        NamedFile description((root / "model" / "desc.qvm").string());
        CString text = kModel;
        EXPECT_EQ(4, wizard.WriteSimDescr(&description, "IMMANENT", text));
        EXPECT_EQ(0, g_PlaceholderList.GetSize());
        return text.str();
    }
};

const char kGoldenFile[] =
    "MDX 1\n"
    "channels 2\n"
    "items 3\n"
    "channel \"X\" \"\"\n"
    "channel \"Y\" \"\"\n"
    "data\n"
    "0 0\n"
    "0.001 5\n"
    "0.002 0\n"
    "end\n";

TEST_F(DataPairs, DataPairsWriteTheFileUnderTheDefaultName) {
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {{0, 0}, {0.001, 5}, {0.002, 0}});
    EXPECT_EQ("LT_LIP @NAME ( TPERIO := @TPERIO, PHASE := @PHASE, PERIO := @PERIO, TDELAY := @TDELAY, FILE := \"@FILE\" );",
              Write(*wizard));
    EXPECT_EQ("Demo__DP1.mdx", Param(editor->Holder(element), 2117)->GetValue().str());
    EXPECT_EQ(kGoldenFile, ReadFile(root / "model" / "Demo__DP1.mdx"));
    EXPECT_EQ((std::vector<std::string>{"TPERIO", "PHASE", "PERIO", "TDELAY", "FILE"}),
              SnapshotNames(wizard->Snapshots()));
}

TEST_F(DataPairs, ModelTextsOfTheModesAndPendingEntries) {
    struct Case {
        const char* what;
        DWORD mode;
        std::vector<const char*> names;
        const char* expected;
        bool fileWritten;
        const char* phaseUnit;
    };
    const Case cases[] = {
        {"a file reference", 0x4000, {"TPERIO", "@FILE"}, "LT_LIP @NAME ( TPERIO := @TPERIO, FILE := \"ref.mdx\" );", false,
         "deg"},
        {"interpolation 1", 1, {"TDELAY"}, "LT_NIP @NAME ( TDELAY := @TDELAY );", true, "deg"},
        {"interpolation 2", 2, {"TDELAY"}, "LT_LIP @NAME ( TDELAY := @TDELAY );", true, "deg"},
        {"reference and no interpolation", 0x4001, {"TDELAY"}, "LT_NIP @NAME ( TDELAY := @TDELAY );", false, "deg"},
        {"a loaded @PHASE", 0, {"TPERIO", "@PHASE"}, "LT_LIP @NAME ( TPERIO := @TPERIO, PHASE );", true, "rad"},
        {"an unknown pending entry", 0, {"@OTHER"}, "LT_LIP @NAME ( @OTHER );", true, "deg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(root / "model");
        fs::create_directories(root / "model");
        DWORD element = 0;
        auto wizard = Pairs(PairRows(), &element, {{0, 1}, {1, 2}});
        Settle(*wizard, c.mode, FALSE, c.names);
        editor->ClearRequests();
        EXPECT_EQ(c.expected, Write(*wizard));
        EXPECT_EQ(c.fileWritten, fs::exists(root / "model" / "Demo__DP1.mdx"));
        ParamHolder* holder = editor->Holder(element);
        EXPECT_EQ(c.phaseUnit, Param(holder, 2042)->GetUsedUnit().str());
        // In reference mode the data-file name keeps its value.
        EXPECT_EQ(c.fileWritten ? "Demo__DP1.mdx" : "", Param(holder, 2117)->GetValue().str());
    }
}

TEST_F(DataPairs, TemplateWithoutImmanentAndTheTemporaryFolder) {
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {{0, 0}, {0.001, 5}, {0.002, 0}});
    editor->ClearRequests();
    EXPECT_EQ(kModel, WrittenAskingNothing(*wizard, *editor, "TFDATA", kModel));
    // A description file without a folder puts the data file into the temporary folder.
    Settle(*wizard, 0, FALSE, {"FILE"});
    NamedFile bare("desc.qvm");
    CString text = kModel;
    EXPECT_EQ(4, wizard->WriteSimDescr(&bare, "IMMANENT", text));
    const fs::path written = fs::temp_directory_path() / "Demo__DP1.mdx";
    EXPECT_EQ(kGoldenFile, ReadFile(written));
    fs::remove(written);
}

TEST_F(DataPairs, ArchiveBytesAndRoundTrip) {
    CTFMDataPairsWizard4 wizard;
    wizard.Points().Add(new CDataPoint(0.5, -2));
    wizard.Points().Add(new CDataPoint(1e-300, 3));
    WithSnapshots({"TPERIO", "@FILE"}, [&](CPtrArray* list) {
        wizard.TakeFromPage(TRUE, FALSE, 0x4001, wizard.Points(), *list);
    });
    Bytes expected;
    Word(expected, 0);
    Dword(expected, 0x4001);  // mode word
    Dword(expected, 0);       // file-name flag
    Dword(expected, 1);       // period flag
    Dword(expected, 2);
    Point(expected, 0.5, -2, true);
    Point(expected, 1e-300, 3, false, 1);
    Dword(expected, 2);
    Snapshot(expected, "TPERIO", 0x4, 0, true);
    Snapshot(expected, "@FILE", 0x4, 0, false, 2);
    const Bytes bytes = StoredBlock(wizard);
    EXPECT_EQ(expected, bytes);

    CTFMDataPairsWizard4 loaded;
    loaded.Points().Add(new CDataPoint(9, 9));
    Loaded(bytes, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(0x4001u, loaded.GetModeWord());
    EXPECT_TRUE(loaded.GetPeriodFlag());
    EXPECT_FALSE(loaded.GetFileNameFlag());
    EXPECT_EQ(PointsOf(wizard.Points()), PointsOf(loaded.Points()));
    EXPECT_EQ((std::vector<std::string>{"TPERIO", "@FILE"}), SnapshotNames(loaded.Snapshots()));
    EXPECT_EQ(bytes, StoredBlock(loaded));
    std::unique_ptr<CWizardBase4> clone(loaded.Clone());
    EXPECT_EQ(bytes, StoredBlock(*static_cast<CTFMDataPairsWizard4*>(clone.get())));

    // Another sheet version reads and writes nothing; a newer schema consumes only its WORD.
    EXPECT_TRUE(Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion3); }).empty());
    Bytes newer;
    Word(newer, 1);
    Dword(newer, 7);
    CTFMDataPairsWizard4 untouched;
    Loaded(newer, [&](CArchive& ar) { untouched.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(1, untouched.GetSchema());
    EXPECT_EQ(0u, untouched.GetModeWord());
}

// 4.x blocks of n pairs (t, Y) with a bytes 0x11 and b bytes 0x22 in the two fields.
Bytes Block4x(DWORD n, size_t a, size_t b, std::vector<std::pair<double, double>> pairs, WORD aWord = 0xFFFF,
              WORD bWord = 0xFFFF) {
    return PairBlock4x(n, Bytes(a, 0x11), Bytes(b, 0x22), pairs, aWord, bWord);
}

TEST_F(DataPairs, OlderBlocksOf4x) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::vector<std::pair<double, double>> points;
    };
    const std::vector<Case> cases = {
        {"two pairs", Block4x(2, 3, 1, {{0, 1}, {2, 3}}), {{0, 1}, {2, 3}}},
        {"n past the end", Block4x(5, 0, 0, {{1, 2}}), {}},
        {"a length above 0x7FFF read unsigned", Block4x(1, 0x8001, 0, {{4, 5}}), {{4, 5}}},
        {"a length running past the end", Block4x(1, 0, 0, {{4, 5}}, 0xFFF0), {}},
        {"cut in the lengths", Bytes(57, 0), {}},
        {"shorter than the count", Bytes(20, 0), {}},
        {"more than 10,000 rows", Block4x(10001, 0, 0, std::vector<std::pair<double, double>>(10001, {1, 2})),
         std::vector<std::pair<double, double>>(10001, {1, 2})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ParamRow> rows = PairRows();
        rows.push_back({.id = 1000, .name = "OLDMODE", .value = "1", .type = 0x4});
        DWORD element = 0;
        auto wizard = Pairs(rows, &element, {{9, 9}});
        // The buffer is exactly the block: a sanitizer sees any read past its end.
        const ExactBuffer exact(c.bytes);
        editor->ClearRequests();
        EXPECT_TRUE(wizard->DoConversionFrom4x(exact.Data(), exact.Size()));
        EXPECT_EQ(c.points, PointsOf(wizard->Points()));
        EXPECT_EQ(1u, wizard->GetModeWord());
        EXPECT_TRUE(wizard->GetFileNameFlag());
        EXPECT_EQ(1u, editor->CountRequests(25));
    }
    // An old mode of -1 (already taken over) leaves the mode word as it is.
    {
        std::vector<ParamRow> rows = PairRows();
        rows.push_back({.id = 1000, .name = "OLDMODE", .value = "-1", .type = 0x4});
        DWORD handle = 0;
        auto marked = Pairs(rows, &handle, {});
        Bytes block = Block4x(1, 0, 0, {{4, 5}});
        EXPECT_TRUE(marked->DoConversionFrom4x(block.data(), static_cast<long>(block.size())));
        EXPECT_EQ(0u, marked->GetModeWord());
    }
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {{9, 9}});
    editor->ClearRequests();
    EXPECT_TRUE(wizard->DoConversionFrom4x(nullptr, 0));
    EXPECT_TRUE(wizard->DoConversionFrom4x());
    EXPECT_EQ(1, wizard->Points().GetSize());
    EXPECT_EQ(0u, editor->CountRequests(25));
    EXPECT_EQ(2u, editor->CountRequests(23));
}

// A readable data file named by 2117 overrides the block's pairs when it has two channels.
TEST_F(DataPairs, OlderBlockWithItsDataFile) {
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::pair<double, double>> points;
    };
    const Case cases[] = {
        {"two channels", "MDX 1\nchannels 2\nitems 2\nchannel \"t\" \"\"\nchannel \"y\" \"\"\ndata\n0 1\n1 2\nend\n",
         {{0, 1}, {1, 2}}},
        {"one channel", "MDX 1\nchannels 1\nitems 3\nchannel \"t\" \"\"\ndata\n0\n1\n2\nend\n", {{5, 6}}},
        {"three channels", "MDX 1\nchannels 3\nitems 1\nchannel \"a\" \"\"\nchannel \"b\" \"\"\nchannel \"c\" \"\"\n"
                           "data\n1 2 3\nend\n", {{5, 6}}},
        {"not a data file", "MDX 1\nchannels x\n", {{5, 6}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = root / "old.mdx";
        std::ofstream(file) << c.file;
        std::vector<ParamRow> rows = PairRows();
        const std::string path = file.string();
        rows[5].value = path.c_str();
        DWORD element = 0;
        auto wizard = Pairs(rows, &element, {});
        Bytes block = Block4x(1, 0, 0, {{5, 6}});
        EXPECT_TRUE(wizard->DoConversionFrom4x(block.data(), static_cast<long>(block.size())));
        EXPECT_EQ(c.points, PointsOf(wizard->Points()));
    }
}

// The page's archive form of older data: class record (or none for schema 0), version,
// period flag, file-name flag, n points, the phase unit (versions 1 to 9), the upgraded flag
// (5 and up).
Bytes PageArchive(WORD schema, DWORD version, DWORD period, DWORD fileName, std::vector<std::pair<double, double>> points,
                  DWORD phaseUnit, DWORD upgraded) {
    Bytes out;
    if (schema != 0) {
        NewClass(out, "CPropTFMDataPairs", static_cast<WORD>(0x8000 | schema));
        Dword(out, version);
    }
    Dword(out, period);
    Dword(out, fileName);
    Dword(out, static_cast<DWORD>(points.size()));
    bool first = true;
    for (auto [t, y] : points) {
        Point(out, t, y, first, schema != 0 ? 2 : 1);
        first = false;
    }
    if (schema != 0 && version >= 1 && version <= 9) Dword(out, phaseUnit);
    if (schema != 0 && version >= 5) Dword(out, upgraded);
    return out;
}

// Older element data: mode word, a DWORD, L1 bytes, L2 bytes of page archive, L3 bytes, L4 and
// the point block (n, pairs, four texts).
Bytes OlderData(DWORD mode, const Bytes& page, std::vector<std::pair<double, double>> table, size_t cut = 0) {
    Bytes out = Dwords({mode, 0});
    Block(out, {1, 2, 3});
    Block(out, page);
    Block(out, {});
    Bytes t;
    Dword(t, static_cast<DWORD>(table.size()));
    PairDoubles(t, table);
    for (int i = 0; i < 4; ++i) Dword(t, 0);
    Block(out, t);
    if (cut > 0) out.resize(out.size() - cut);
    return out;
}

TEST_F(DataPairs, OlderBlocksAndPageArchives) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::vector<std::pair<double, double>> points;
        DWORD mode;
        BOOL fileName;
        BOOL period;
        const char* phaseUnit;
        const char* reference;
    };
    const std::vector<Case> cases = {
        {"version 10", OlderData(1, PageArchive(1, 10, 1, 0, {{7, 8}}, 0, 1), {{1, 2}, {2, 3}}), {{1, 2}, {2, 3}}, 1,
         FALSE, TRUE, "deg", "ref.mdx"},
        {"version 5 with radians", OlderData(0x8000, PageArchive(1, 5, 0, 1, {}, 1, 1), {{1, 2}}), {{1, 2}}, 0, TRUE,
         FALSE, "rad", "ref.mdx"},
        {"version 3 upgrades the reference", OlderData(0x4000, PageArchive(1, 3, 0, 0, {}, 0, 0), {{1, 2}}), {{1, 2}},
         0x4000, FALSE, FALSE, "deg", "own.mdx"},
        {"schema 0 reads no version", OlderData(0, PageArchive(0, 0, 1, 1, {{4, 4}}, 0, 0), {}), {}, 0, TRUE, TRUE,
         "deg", "ref.mdx"},
        {"cut point block", OlderData(0, PageArchive(1, 10, 0, 0, {{7, 8}}, 0, 1), {{1, 2}}, 4), {{7, 8}}, 0, FALSE,
         FALSE, "deg", "ref.mdx"},
        {"page archive past the end", Bytes{0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0, 1}, {}, 0, TRUE, FALSE,
         "deg", "ref.mdx"},
        {"null", {}, {}, 0, FALSE, FALSE, "deg", "ref.mdx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ParamRow> rows = PairRows();
        rows[5].value = "own.mdx";
        DWORD element = 0;
        auto wizard = Pairs(rows, &element, {});
        const ExactBuffer exact(c.bytes);
        EXPECT_TRUE(wizard->DoConvertWizard3Data(exact.DataOrNull(), exact.Size()));
        EXPECT_EQ(c.points, PointsOf(wizard->Points()));
        EXPECT_EQ(c.mode, wizard->GetModeWord());
        EXPECT_EQ(c.fileName, wizard->GetFileNameFlag());
        EXPECT_EQ(c.period, wizard->GetPeriodFlag());
        ParamHolder* holder = editor->Holder(element);
        EXPECT_EQ(c.phaseUnit, Param(holder, 2042)->GetUsedUnit().str());
        EXPECT_EQ(c.reference, Param(holder, 1012)->GetValue().str());
        const bool reference = (c.mode & 0x4000) != 0;
        EXPECT_EQ(reference, Unused(holder, 2117));
        EXPECT_EQ(!reference, Unused(holder, 1012));
        ASSERT_EQ(5, wizard->Snapshots().GetSize());
        EXPECT_EQ(reference ? "@FILE" : "FILE", SnapshotNames(wizard->Snapshots())[4]);
    }
}

TEST_F(DataPairs, InitializeTakesOverTheOldParameters) {
    std::vector<ParamRow> rows = PairRows();
    rows.push_back({.id = 1000, .name = "OLDMODE", .value = "1", .type = 0x4});
    rows.push_back({.id = 1001, .name = "OLDFLAGS", .value = "1", .type = 0x4});
    DWORD element = 0;
    auto wizard = Pairs(rows, &element, {{0, 1}});
    editor->ClearRequests();
    EXPECT_TRUE(wizard->Initialize(0));
    EXPECT_EQ(nullptr, wizard->GetPage());
    EXPECT_EQ(1u, wizard->GetModeWord());
    EXPECT_TRUE(wizard->GetFileNameFlag());
    EXPECT_TRUE(wizard->GetPeriodFlag());
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ("-1", Param(holder, 1000)->GetValue().str());
    EXPECT_EQ("-1", Param(holder, 1001)->GetValue().str());
    EXPECT_EQ(1u, editor->CountRequests(25));
    EXPECT_EQ(5, wizard->Snapshots().GetSize());
    // A second run finds nothing left to take over.
    wizard->TakeFromPage(FALSE, FALSE, 0, wizard->Points(), wizard->Snapshots());
    EXPECT_TRUE(wizard->Initialize(0));
    EXPECT_EQ(0u, wizard->GetModeWord());
    editor->ClearRequests();
    EXPECT_TRUE(wizard->Initialize(1));
    EXPECT_EQ(0u, editor->Requests().size());
}

TEST(DataPairsPreview, WithoutInterpolationTheCurveShowsSteps) {
    struct Case {
        std::vector<std::pair<double, double>> table;
        bool steps;
        std::vector<std::pair<double, double>> preview;
    };
    const Case cases[] = {
        {{{0, 1}, {1, 3}, {2, 2}}, true, {{0, 1}, {1, 1}, {1, 3}, {2, 3}, {2, 2}}},
        {{{0, 1}, {1, 3}, {2, 2}}, false, {{0, 1}, {1, 3}, {2, 2}}},
        {{{0, 1}}, true, {{0, 1}}},
        {{}, true, {}},
        {{{0, 1}, {HUGE_VAL, 3}, {2, 2}}, true, {{0, 1}, {2, 3}, {2, 2}}},
    };
    for (const Case& c : cases) {
        CPtrArray table, preview;
        for (auto [t, y] : c.table) table.Add(new CDataPoint(t, y));
        preview.Add(new CDataPoint(9, 9));
        MakePreviewPoints(table, c.steps, preview);
        EXPECT_EQ(c.preview, PointsOf(preview));
        qv::lookup2d::DeletePoints(table);
        qv::lookup2d::DeletePoints(preview);
    }
}

// ---------------------------------------------------------------------------------------
// The page.

using Open = OpenPage<CTFMDataPairsWizard4>;

CTBEditListCtrl* Table(CWnd* page) { return static_cast<CTBEditListCtrl*>(page->GetDlgItem(2121)); }

TEST_F(DataPairs, RowsAddedMovedDeletedAndApplied) {
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {});
    ParamHolder* holder = editor->Holder(element);
    {
        Open open(*wizard);
        CPropTFMDataPairs* page = open.Page();
        CTBEditListCtrl* list = Table(page);
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(qv::ui::Click(page, 1122));
        ASSERT_EQ(3, list->GetItemCount());
        EXPECT_EQ("3", list->GetItemText(2, 0).str());
        EXPECT_EQ("0", list->GetItemText(2, 1).str());
        ASSERT_TRUE(qv::ui::EditListCell(list, 0, 1, "2m"));
        ASSERT_TRUE(qv::ui::EditListCell(list, 0, 2, "4"));
        ASSERT_TRUE(qv::ui::EditListCell(list, 1, 1, "1m"));
        ASSERT_TRUE(qv::ui::EditListCell(list, 2, 1, "3m"));
        EXPECT_TRUE(Visible(page, 2120)) << "2m, 1m is not rising";
        // Move the first row down: 1m, 2m, 3m.
        ASSERT_TRUE(qv::ui::ClickListItem(list, 0));
        ASSERT_TRUE(qv::ui::Click(page, 1126));
        EXPECT_EQ(1, list->GetSelectedItem());
        EXPECT_EQ("2m", list->GetItemText(1, 1).str());
        EXPECT_EQ("4", list->GetItemText(1, 2).str());
        EXPECT_EQ("1", list->GetItemText(0, 0).str());
        EXPECT_FALSE(Visible(page, 2120));
        // A fourth row, then deleted again.
        ASSERT_TRUE(qv::ui::Click(page, 1122));
        ASSERT_TRUE(qv::ui::ClickListItem(list, 3));
        ASSERT_TRUE(qv::ui::Click(page, 1123));
        EXPECT_EQ(3, list->GetItemCount());
        EXPECT_EQ(2, list->GetSelectedItem());
        ASSERT_TRUE(qv::ui::Click(page, 1125));
        ASSERT_TRUE(qv::ui::Click(page, 1126));
        EXPECT_EQ(2, list->GetSelectedItem());
        editor->ClearRequests();
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(2u, editor->CountRequests(25));
        EXPECT_EQ(0u, editor->CountRequests(7)) << "a default file name is written with the description";
    }
    EXPECT_EQ((std::vector<std::pair<double, double>>{{0.001, 0}, {0.002, 4}, {0.003, 0}}), PointsOf(wizard->Points()));
    // Without the period flag the period is the t of the last row, as typed.
    ExpectValues(holder, {{2038, "3m"}, {2049, "1"}, {2117, "Demo__DP1.mdx"}});
    EXPECT_EQ(1, holder->m_bySymbolVariant);
    EXPECT_TRUE(Unused(holder, 1012));
    EXPECT_FALSE(Unused(holder, 2117));
    EXPECT_EQ((std::vector<std::string>{"TPERIO", "PHASE", "PERIO", "TDELAY", "FILE"}),
              SnapshotNames(wizard->Snapshots()));
}

TEST_F(DataPairs, MonotonyRefusesOnApply) {
    struct Case {
        const char* what;
        std::vector<std::pair<double, double>> points;
        const char* message;
    };
    const Case cases[] = {
        {"1, 1", {{1, 0}, {1, 1}}, "Error : Constant x-values aren't allowed!"},
        {"1, 2, 2", {{1, 0}, {2, 1}, {2, 1}}, "Error : X-values aren't monotonous rising!"},
        {"3, 2, 2", {{3, 0}, {2, 1}, {2, 1}}, "Error : X-values aren't monotonous falling!"},
        {"a falling table", {{3, 0}, {2, 1}, {1, 1}}, nullptr},
        {"one row", {{3, 0}}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DWORD element = 0;
        auto wizard = Pairs(PairRows(), &element, c.points);
        Open open(*wizard);
        if (c.message != nullptr) qv::UserScript::Instance().ExpectMessageBox(IDOK, c.message);
        EXPECT_EQ(c.message == nullptr, qv::ui::Apply(&open.Sheet()));
        // The last row's t becomes the period when the table is handed over.
        const std::string period = c.message == nullptr ? FormatLast(c.points) : "1";
        EXPECT_EQ(period, Param(editor->Holder(element), 2038)->GetValue().str());
    }
}

// OK refuses a table without rows, whose data file would hold no value, before it derives a
// period from no row; the element keeps its period.
TEST_F(DataPairs, AnEmptyTableIsRefusedAndATypedPeriodStays) {
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {});
    Param(editor->Holder(element), 2038)->SetValue("7");
    Open open(*wizard);
    editor->ClearRequests();
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Error : No data available - block length = 0");
    EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("7", Param(editor->Holder(element), 2038)->GetValue().str());
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    // With the period flag the typed period stays.
    ASSERT_TRUE(qv::ui::Click(open.Page(), 1122));
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2205));
    EXPECT_TRUE(Enabled(open.Page(), 2038));
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2038), "20m"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("20m", Param(editor->Holder(element), 2038)->GetValue().str());
    EXPECT_TRUE(wizard->GetPeriodFlag());
}

// Without "Period" the period is the last t (seconds) in the unit its list shows, derived again
// as soon as a unit is chosen; a given period keeps its text.
TEST_F(DataPairs, PeriodOfTheLastRowIsShownInTheChosenUnit) {
    const struct {
        const char* lastT;
        const char* unit;
        const char* period;
    } cases[] = {{"2", "ms", "2000"}, {"2", "s", "2"}, {"3m", "us", "3000"}, {"3m", "s", "3m"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lastT) + " " + c.unit);
        DWORD element = 0;
        auto wizard = Pairs(PairRows(), &element, {{0, 0}, {1, 5}});
        Open open(*wizard);
        CPropTFMDataPairs* page = open.Page();
        ASSERT_TRUE(qv::ui::EditListCell(Table(page), 1, 1, c.lastT));
        ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2510), c.unit));
        EXPECT_EQ(c.period, Text(page, 2038));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        const CWizardCopaObject3* period = Param(editor->Holder(element), 2038);
        EXPECT_EQ(std::string(c.period) + " " + c.unit, period->GetValue().str() + " " + period->GetUsedUnit().str());
    }
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {{0, 0}, {2, 5}});
    Open open(*wizard);
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2205));
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2038), "7"));
    ASSERT_TRUE(qv::ui::ChooseEntry(open.Page()->GetDlgItem(2510), "ms"));
    EXPECT_EQ("7", Text(open.Page(), 2038));
}

// Delete and the moves are enabled only while a row of the table is selected.
TEST_F(DataPairs, RowButtonsFollowTheSelection) {
    for (int row : {-1, 1}) {
        DWORD element = 0;
        auto wizard = Pairs(PairRows(), &element, {{0, 1}, {1, 2}});
        Open open(*wizard);
        ASSERT_TRUE(qv::ui::ClickListItem(Table(open.Page()), row));
        for (int button : {1123, 1125, 1126}) EXPECT_EQ(row >= 0, Enabled(open.Page(), button)) << row << " " << button;
        EXPECT_TRUE(Enabled(open.Page(), 1122));
    }
}

// The interpolation chosen shows in the page's symbol when the list loses the focus; the
// element's symbol changes on apply.
TEST_F(DataPairs, InterpolationRedrawsThePageSymbolAndTheElementsOnApply) {
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {{0, 1}, {1, 2}});
    ParamHolder* holder = editor->Holder(element);
    holder->m_SymbolTexts.SetAt(kLanguageEnglish, "rect 10 10 90 90; [1] line 10 90 90 10");
    holder->m_bySymbolVariant = 1;
    Open open(*wizard);
    CPropTFMDataPairs* page = open.Page();
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2215), "Without"));
    ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2040)));
    qv_test::ExpectSymbolInFrame(page, {qv::DrawKind::Rectangle, qv::DrawKind::Line});
    EXPECT_EQ(1, holder->m_bySymbolVariant);
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(2, holder->m_bySymbolVariant);
}

TEST_F(DataPairs, ImportRefusesThreeChannelsAndATextImportExportsAsMdx) {
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {{1, 1}});
    Open open(*wizard);
    CPropTFMDataPairs* page = open.Page();
    auto& script = qv::UserScript::Instance();
    const fs::path three = root / "three.mdx";
    std::ofstream(three) << "MDX 1\nchannels 3\nitems 1\nchannel \"a\" \"\"\nchannel \"b\" \"\"\nchannel \"c\" \"\"\n"
                            "data\n1 2 3\nend\n";
    script.ExpectFileDialog(three.string());
    script.ExpectMessageBox(IDOK, "Only 2 channels allowed!");
    script.ExpectMessageBox(IDOK, "Error while reading file!");
    ASSERT_TRUE(qv::ui::Click(page, 2118));
    EXPECT_EQ(1, page->Points().GetSize());
    EXPECT_EQ(1, Table(page)->GetItemCount());

    const fs::path text = root / "table.txt";
    std::ofstream(text) << "t y\n0 0\n1 2\n2 1\n";
    ASSERT_TRUE(qv::ui::Click(page, 2116));
    script.ExpectFileDialog(text.string());
    ASSERT_TRUE(qv::ui::Click(page, 2118));
    EXPECT_EQ(3, Table(page)->GetItemCount());
    EXPECT_EQ(-1, page->GetFileFormat());
    EXPECT_EQ(text.string(), page->GetFileName().str());
    editor->ClearRequests();
    script.ExpectMessageBox(IDOK, "The file format \"text\" cannot be written! The file will be saved as a MDX-file.");
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0, page->GetFileFormat());
    EXPECT_EQ(1u, editor->CountRequests(7));
    EXPECT_EQ((root / "table.mdx").string(), Param(editor->Holder(element), 2117)->GetValue().str());
    CReadAndWriteFiles reader;
    ASSERT_TRUE(reader.ReadInfoFile((root / "table.mdx").string().c_str()));
    EXPECT_EQ(3, reader.GetNrItems());
    // The page names the channels by its column labels, without units.
    EXPECT_EQ(CString("t[s]"), reader.GetChannel(0)->GetChannelName());
    EXPECT_EQ(CString(""), reader.GetChannel(0)->GetUnitName());
    EXPECT_EQ(CString("Y"), reader.GetChannel(1)->GetChannelName());
}

// "Export" asks for the file to write (its name edit completes paths): a cancelled dialog writes
// nothing; a chosen name gets the format's extension and the table is written there.
TEST_F(DataPairs, ExportAsksForTheFileToWrite) {
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {{0, 1}, {1, 2}});
    Open open(*wizard);
    CPropTFMDataPairs* page = open.Page();
    qv_test::ExpectBrowseFileEdit(page);
    ASSERT_TRUE(qv::ui::Click(page, 2116));
    auto& script = qv::UserScript::Instance();
    editor->ClearRequests();
    script.ExpectFileDialogCancel();
    ASSERT_TRUE(qv::ui::Click(page, 2119));
    EXPECT_EQ(0u, editor->CountRequests(7));
    script.ExpectFileDialog((root / "picked").string());
    ASSERT_TRUE(qv::ui::Click(page, 2119));
    EXPECT_EQ(1u, editor->CountRequests(7));
    EXPECT_EQ("MDX 1\nchannels 2\nitems 2\nchannel \"t[s]\" \"\"\nchannel \"Y\" \"\"\ndata\n0 1\n1 2\nend\n",
              ReadFile(root / "picked.mdx"));
}

TEST_F(DataPairs, SaveAsAsksBeforeReplacingTheFileItWrites) {
    auto wizard = Pairs(PairRows(), nullptr, {{0, 1}, {1, 2}});
    Open open(*wizard);
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2116));
    // The folder is none the table knows: the file-name edit shows whole paths.
    qv_test::ExpectSaveAsAsksBeforeReplacingTheFileItWrites(open.Page(), root, root.string() + "/");
}

TEST_F(DataPairs, ApplyAsksBeforeWritingOverTheFileItRefusedToRead) {
    editor->Document().SetPathName((root / "Demo.qvx").string().c_str());
    qv_test::WriteFile(root / "bad.mdx", qv_test::kFourChannels);
    std::vector<ParamRow> rows = PairRows();
    rows[5].value = "bad.mdx";
    auto made = Pairs(rows, nullptr, {{0, 1}, {1, 2}});
    Settle(*made, 0, TRUE, {});
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Only 2 channels allowed!");
    WizardOnSheet wizard(std::move(made));
    qv_test::ExpectApplyAsksBeforeReplacingTheRefusedFile(wizard.Sheet(), root / "bad.mdx");
}

TEST_F(DataPairs, WildcardNameBecomesTheElementAndAReferenceWritesNoFile) {
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {{0, 1}, {1, 2}});
    ParamHolder* holder = editor->Holder(element);
    {
        Open open(*wizard);
        CPropTFMDataPairs* page = open.Page();
        EXPECT_FALSE(Enabled(page, 2117));
        ASSERT_TRUE(qv::ui::Click(page, 2116));
        EXPECT_TRUE(Enabled(page, 2117));
        EXPECT_TRUE(Enabled(page, 2119));
        const std::string wildcard = (root / "*.*").string();
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2117), wildcard.c_str()));
        editor->ClearRequests();
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(1u, editor->CountRequests(7));
        EXPECT_TRUE(fs::exists(root / "DP1.mdx"));
        EXPECT_EQ((root / "DP1.mdx").string(), Param(holder, 2117)->GetValue().str());

        ASSERT_TRUE(qv::ui::Click(page, 2293));
        EXPECT_FALSE(Enabled(page, 2121));
        EXPECT_FALSE(Enabled(page, 2117));
        EXPECT_TRUE(Enabled(page, 2425));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2425), "other.mdx"));
        ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2215), "Without"));
        fs::remove(root / "DP1.mdx");
        editor->ClearRequests();
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(0u, editor->CountRequests(7));
        EXPECT_FALSE(fs::exists(root / "DP1.mdx"));
        EXPECT_EQ("other.mdx", Param(holder, 1012)->GetValue().str());
        EXPECT_EQ(2, holder->m_bySymbolVariant);
        ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 0));
    }
    EXPECT_EQ(0x4001u, wizard->GetModeWord());
    EXPECT_FALSE(Unused(holder, 1012));
    EXPECT_TRUE(Unused(holder, 2117));
    EXPECT_EQ("@FILE", SnapshotNames(wizard->Snapshots())[4]);
}

TEST_F(DataPairs, PreviewShowsStepsWithoutInterpolation) {
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {{0, 1}, {1, 3}, {2, 2}});
    Open open(*wizard);
    CPropTFMDataPairs* page = open.Page();
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2215), "Without"));
    ASSERT_TRUE(qv::ui::Click(page, 2217));
    EXPECT_EQ("Update", Text(page, 2217));
    // The context menu's "New" adds a row.
    qv::UserScript::Instance().ExpectPopupMenu(40005);
    ASSERT_TRUE(qv::ui::ClickListItem(Table(page), 0, 0, qv::ui::Button::Right));
    EXPECT_EQ(4, page->Points().GetSize());
}

// A table is as long as its data file or archive holds: 20,000 rows come into the page's list
// from a data file, are typed in further and reach the wizard, whose archive gives them back
// unchanged. A count the bytes do not hold ends the reading when they run out (nothing is
// sized by it); a snapshot count beyond 10,000 is refused before anything is read.
TEST_F(DataPairs, TablesAsLongAsTheirBytesAreTaken) {
    constexpr int kRows = 20000;
    DWORD element = 0;
    auto wizard = Pairs(PairRows(), &element, {{1, 1}});
    {
        Open open(*wizard);
        CPropTFMDataPairs* page = open.Page();
        CTBEditListCtrl* list = Table(page);
        const fs::path big = root / "big.mdx";
        {
            std::ofstream out(big);
            out << "MDX 1\nchannels 2\nitems " << kRows << "\nchannel \"t\" \"\"\nchannel \"y\" \"\"\ndata\n";
            for (int i = 0; i < kRows; ++i) out << i << " " << i % 7 << "\n";
            out << "end\n";
        }
        ASSERT_TRUE(page->ImportFile(big.string().c_str()));
        ASSERT_EQ(kRows, page->Points().GetSize());
        ASSERT_EQ(kRows, list->GetItemCount());
        EXPECT_EQ("20000", list->GetItemText(kRows - 1, 0).str());
        EXPECT_FALSE(Visible(page, 2120));
        // A row typed in after the last: not rising until its t is past the last one.
        ASSERT_TRUE(qv::ui::Click(page, 1122));
        EXPECT_TRUE(Visible(page, 2120));
        ASSERT_TRUE(qv::ui::EditListCell(list, kRows, 1, "20000"));
        ASSERT_TRUE(qv::ui::EditListCell(list, kRows, 2, "5"));
        EXPECT_FALSE(Visible(page, 2120));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    }
    const auto points = PointsOf(wizard->Points());
    ASSERT_EQ(static_cast<size_t>(kRows + 1), points.size());
    EXPECT_EQ((std::pair<double, double>{12345, 4}), points[12345]);
    EXPECT_EQ((std::pair<double, double>{20000, 5}), points.back());
    CTFMDataPairsWizard4 loaded;
    Loaded(StoredBlock(*wizard), [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(points, PointsOf(loaded.Points()));

    struct Case {
        DWORD points, snapshots;
        int cause;
    } cases[] = {{0xFFFFFFFFu, 0, CArchiveException::endOfFile}, {0, 10001, CArchiveException::badIndex}};
    for (const Case& c : cases) {
        Bytes bytes;
        Word(bytes, 0);
        Dword(bytes, 0);
        Dword(bytes, 0);
        Dword(bytes, 0);
        Dword(bytes, c.points);
        if (c.points == 0) Dword(bytes, c.snapshots);
        CTFMDataPairsWizard4 refused;
        int cause = -1;
        try {
            Loaded(bytes, [&](CArchive& ar) { refused.Serialize(ar, eSheetVersion4); });
        } catch (CArchiveException* e) {
            cause = e->m_cause;
            e->Delete();
        }
        EXPECT_EQ(c.cause, cause) << c.points;
        EXPECT_EQ(0, refused.Points().GetSize());
        EXPECT_EQ(0, refused.Snapshots().GetSize());
    }
}

} // namespace
