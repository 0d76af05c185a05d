// The 2D lookup table: golden model texts with the data file beside the description, the
// archive bytes, older data (page blocks and 4.x blocks, crafted and cut), the page driven as a
// user drives it (a refused table commits nothing) and the data files it imports and exports.
#include "equations_support.h"
#include "tests/support/data_file_buttons.h"
#include "tests/support/pair_blocks.h"
#include "tests/support/symbol_frame.h"
#include "tests/support/text_files.h"

#include "afx/archive.h"
#include "afx/file.h"
#include "equations/lookup_table_2d.h"
#include "framework/data_file_places.h"
#include "toolkit/read_write_files.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace equations_test;
using namespace qv::lookup2d;
namespace fs = std::filesystem;
using qv_test::NamedFile;
using qv_test::ReadFile;

namespace {

std::vector<ParamRow> TableRows() {
    return {
        {.id = 2186, .name = "IN", .value = "u"},
        {.id = 2122, .name = "FILE", .value = "", .type = 0x100004},
        {.id = 2117, .name = "FNAME", .value = "", .type = 0x100004},
        {.id = 1012, .name = "FREF", .value = "ref.mdx", .type = 0x100004},
        {.id = 2056, .name = "OUT", .value = "", .type = 0x8},
    };
}

class LookupTable : public EquationsTest {
protected:
    void SetUp() override {
        EquationsTest::SetUp();
        editor->Document().SetTitle("Demo");
        UseScratchFolder("lookup");
    }
    void TearDown() override {
        g_ModelOutputDir.Empty();
        EquationsTest::TearDown();
    }
    static void GivePoints(C2DLookupTableWizard4& wizard, std::vector<std::pair<double, double>> points) {
        for (auto [x, y] : points) wizard.Points().Add(new CDataPoint(x, y));
    }
    // A wizard of the table rows, its element in `tableElement`, holding the points.
    std::unique_ptr<C2DLookupTableWizard4> TableWith(std::vector<std::pair<double, double>> points) {
        auto wizard = NewWizard<C2DLookupTableWizard4>(TableRows(), &tableElement);
        GivePoints(*wizard, std::move(points));
        return wizard;
    }
    DWORD tableElement = 0;
};

const char kGoldenPairs[] =
    "MDX 1\n"
    "channels 2\n"
    "items 3\n"
    "channel \"X\" \"V\"\n"
    "channel \"Y\" \"\"\n"
    "data\n"
    "0 0\n"
    "0.5 0.25\n"
    "1 1\n"
    "end\n";

TEST_F(LookupTable, DataPairsWriteTheFileAndTheParamList) {
    auto wizard = TableWith({{0, 0}, {0.5, 0.25}, {1, 1}});
    wizard->SetUnits(TRUE, FALSE, "V", "A");
    NamedFile description((root / "model" / "desc.qvm").string());
    CString text = "LOOKUP2D @NAME ( @PARAMLIST);";
    EXPECT_EQ(4, wizard->WriteSimDescr(&description, "IMMANENT", text));
    EXPECT_EQ("LOOKUP2D @NAME ( FILE := \"@FILE\" );", text.str());
    EXPECT_EQ("Demo__B1.mdx", Named(editor->Holder(tableElement), "FNAME")->GetValue().str());
    EXPECT_EQ(kGoldenPairs, ReadFile(root / "model" / "Demo__B1.mdx"));
    // The snapshots the hidden page took stay with the wizard.
    ASSERT_EQ(1, wizard->Snapshots().GetSize());
}

TEST_F(LookupTable, FileReferenceNamesTheFileAndWritesNone) {
    struct Case {
        const char* what;
        bool withReference;
        const char* expected;
    };
    const Case cases[] = {
        {"1012 names it", true, "LOOKUP2D @NAME ( FILE := \"ref.mdx\" ) @FILE;"},
        {"2117 without 1012", false, "LOOKUP2D @NAME ( FILE := \"own.mdx\" ) @FILE;"},
    };
    for (const Case& c : cases) {
        std::vector<ParamRow> rows = TableRows();
        if (!c.withReference) rows.erase(rows.begin() + 3);
        rows[2].value = "own.mdx";
        DWORD element = 0;
        auto wizard = NewWizard<C2DLookupTableWizard4>(rows, &element);
        // What a page hands over in file-reference mode: the snapshot named "@FILE".
        CPtrArray snapshots;
        auto* snapshot = new CCopaObjectCompare;
        snapshot->SetFrom(Named(editor->Holder(element), "FILE"));
        snapshot->SetName("@FILE");
        snapshots.Add(snapshot);
        CPtrArray none;
        wizard->TakeFromPage(TRUE, kFlagReference, none, snapshots);
        DeleteSnapshots(snapshots);
        NamedFile description((root / "model" / "desc.qvm").string());
        CString text = "LOOKUP2D @NAME ( @PARAMLIST) @FILE;";
        EXPECT_EQ(4, wizard->WriteSimDescr(&description, "IMMANENT", text)) << c.what;
        EXPECT_EQ(c.expected, text.str()) << c.what;
        EXPECT_TRUE(fs::is_empty(root / "model")) << c.what;
    }
    CString untouched = "@PARAMLIST";
    DWORD element = 0;
    auto wizard = NewWizard<C2DLookupTableWizard4>(TableRows(), &element);
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "LOOKUP", untouched));
    EXPECT_EQ("@PARAMLIST", untouched.str());
}

TEST_F(LookupTable, ArchiveBytesAndRoundTrip) {
    C2DLookupTableWizard4 wizard;
    wizard.SetUnits(TRUE, FALSE, "V", "A");
    GivePoints(wizard, {{0.1, -2}, {1e-300, 3}});
    WithSnapshots({"FILE"}, [&](CPtrArray* list) { wizard.TakeFromPage(TRUE, 0, wizard.Points(), *list); });
    const Bytes bytes = StoredBlock(wizard);
    Bytes expected;
    Word(expected, 0);
    Dword(expected, 1);
    Dword(expected, 0);
    Dword(expected, 1);
    Dword(expected, 0);
    Str(expected, "V");
    Str(expected, "A");
    Dword(expected, 2);
    // First point: the class record of CDataPoint (schema 10), DWORD 10, x, y; the second
    // point refers to the class by its index (1).
    NewClass(expected, "CDataPoint");
    Dword(expected, 10);
    Double(expected, 0.1);
    Double(expected, -2);
    Word(expected, 0x8001);
    Dword(expected, 10);
    Double(expected, 1e-300);
    Double(expected, 3);
    // One snapshot: its class record, DWORD 10, name, type, extended type.
    Dword(expected, 1);
    Append(expected, SnapshotBytes("FILE"));
    EXPECT_EQ(expected, bytes);

    C2DLookupTableWizard4 loaded;
    GivePoints(loaded, {{9, 9}});
    Bytes copy = bytes;
    CMemFile in(copy.data(), static_cast<UINT>(copy.size()));
    CArchive ar(&in, CArchive::load);
    loaded.Serialize(ar, eSheetVersion4);
    ASSERT_EQ(2, loaded.Points().GetSize());
    EXPECT_EQ(1e-300, static_cast<CDataPoint*>(loaded.Points()[1])->x);
    EXPECT_EQ(CString("V"), loaded.GetXUnit());
    EXPECT_TRUE(loaded.GetFileNameFlag());
    ASSERT_EQ(1, loaded.Snapshots().GetSize());
    EXPECT_EQ(bytes, StoredBlock(loaded));
    // A point count is believed as far as its points are there: the archive runs out. Snapshot
    // lists beyond their limit are refused before anything is made.
    for (DWORD points : {0xFFFFFFFFu, 0u}) {
        Bytes large;
        Word(large, 0);
        for (int flag = 0; flag < 4; ++flag) Dword(large, 0);
        Str(large, "");
        Str(large, "");
        Dword(large, points);
        if (points == 0) Dword(large, 10001);
        C2DLookupTableWizard4 refused;
        CMemFile file(large.data(), static_cast<UINT>(large.size()));
        CArchive archive(&file, CArchive::load);
        try {
            refused.Serialize(archive, eSheetVersion4);
            ADD_FAILURE() << points;
        } catch (CArchiveException* e) {
            EXPECT_EQ(points == 0 ? CArchiveException::badIndex : CArchiveException::endOfFile, e->m_cause) << points;
            e->Delete();
        }
        EXPECT_EQ(0, refused.Points().GetSize());
        EXPECT_EQ(0, refused.Snapshots().GetSize());
    }
}

// 4.x blocks: 52 bytes, n, WORD L1 and L1 bytes, WORD L2 and L2 bytes, n pairs.
TEST_F(LookupTable, OlderBlocksOf4x) {
    struct Case {
        const char* what;
        Bytes bytes;
        int points;
    };
    const std::vector<Case> cases = {
        {"two pairs", PairBlock4x(2, {1, 2}, {3}, {{1, 2}, {3, 4}}), 2},
        {"n past the end", PairBlock4x(5, {}, {}, {{1, 2}}), 0},
        {"cut in the lengths", Bytes(57, 0), 0},
        {"shorter than the count", Bytes(20, 0), 0},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<C2DLookupTableWizard4>(TableRows(), &element);
        Bytes copy = c.bytes;
        EXPECT_TRUE(wizard->DoConversionFrom4x(copy.data(), static_cast<long>(copy.size()))) << c.what;
        EXPECT_EQ(c.points, wizard->Points().GetSize()) << c.what;
        EXPECT_TRUE(wizard->GetFileNameFlag()) << c.what;
        EXPECT_EQ(1, wizard->Snapshots().GetSize()) << c.what;
    }
}

// A readable data file named by 2117 overrides the block's pairs; one with a single channel
// is refused and the block's pairs stay.
TEST_F(LookupTable, OlderBlockWithItsDataFile) {
    struct Case {
        const char* what;
        std::string file;
        int points;
    };
    const Case cases[] = {
        {"two channels", "MDX 1\nchannels 2\nitems 3\nchannel \"x\" \"\"\nchannel \"y\" \"\"\ndata\n0 1\n1 2\n2 3\nend\n", 3},
        {"one channel", "MDX 1\nchannels 1\nitems 3\nchannel \"x\" \"\"\ndata\n0\n1\n2\nend\n", 1},
    };
    for (const Case& c : cases) {
        const fs::path file = root / "old.mdx";
        std::ofstream(file) << c.file;
        std::vector<ParamRow> rows = TableRows();
        const std::string path = file.string();
        rows[2].value = path.c_str();
        DWORD element = 0;
        auto wizard = NewWizard<C2DLookupTableWizard4>(rows, &element);
        Bytes block = PairBlock4x(1, {}, {}, {{5, 6}});
        EXPECT_TRUE(wizard->DoConversionFrom4x(block.data(), static_cast<long>(block.size())));
        EXPECT_EQ(c.points, wizard->Points().GetSize()) << c.what;
    }
}

// Page blocks of the older wizard generation: flag word, DWORD, L1 bytes, L2 bytes of page
// state, L3 bytes, L4 bytes of table.
TEST_F(LookupTable, OlderPageBlocks) {
    auto pageState = [](DWORD version, bool withConverted) {
        Bytes state;
        NewClass(state, "CProp2DLookupTableXY", 0x8000 | static_cast<WORD>(version));
        Dword(state, version);
        Dword(state, 1);
        Dword(state, 0);
        Str(state, "V");
        Str(state, "");
        Dword(state, 0);
        Dword(state, 0);
        if (withConverted) Dword(state, 1);
        return state;
    };
    auto block = [](DWORD flags, Bytes state, std::vector<std::pair<double, double>> table, size_t cut = 0) {
        Bytes out = Dwords({flags, 0, 0});
        Block(out, state);
        Dword(out, 0);
        Bytes t = Dwords({static_cast<DWORD>(table.size())});
        PairDoubles(t, table);
        Block(out, t);
        if (cut > 0) out.resize(out.size() - cut);
        return out;
    };
    struct Case {
        const char* what;
        Bytes bytes;
        int points;
        BOOL fileName;
        BOOL reference;
    };
    const std::vector<Case> cases = {
        // The page state's own file-name flag (0 here) follows the flag word's bit 0x8000.
        {"version 5", block(0x8000, pageState(5, true), {{1, 2}, {2, 3}}), 2, FALSE, FALSE},
        {"version 4", block(0x4000, pageState(4, false), {{1, 2}}), 1, FALSE, TRUE},
        {"no page state", block(0x8000, {}, {{1, 2}}), 1, TRUE, FALSE},
        {"cut table", block(0, pageState(5, true), {{1, 2}, {2, 3}}, 4), 0, FALSE, FALSE},
        {"null", {}, 0, FALSE, FALSE},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<C2DLookupTableWizard4>(TableRows(), &element);
        EXPECT_TRUE(wizard->DoConvertWizard3Data(c.bytes.empty() ? nullptr : c.bytes.data(), static_cast<long>(c.bytes.size())))
            << c.what;
        EXPECT_EQ(c.points, wizard->Points().GetSize()) << c.what;
        EXPECT_EQ(c.fileName, wizard->GetFileNameFlag()) << c.what;
        EXPECT_EQ(c.reference, wizard->GetReferenceFlag()) << c.what;
    }
}

TEST(LookupTableCheck, MonotonyOfTheXValues) {
    struct Case {
        std::vector<double> xs;
        UINT failure;
        bool warning;
    };
    const Case cases[] = {
        {{1, 2, 2}, 8010, true}, {{3, 2, 1}, 0, true}, {{1, 1}, 8009, true},
        {{1}, 0, false},         {{}, 0, false},       {{1, 2, 3}, 0, false},
        {{3, 2, 2}, 8011, true},
    };
    for (const Case& c : cases) {
        CPtrArray points;
        for (double x : c.xs) points.Add(new CDataPoint(x, 0));
        EXPECT_EQ(c.failure, CheckTableOrder(points)) << c.xs.size();
        EXPECT_EQ(c.warning, IsNotRising(points)) << c.xs.size();
        DeletePoints(points);
        // Counted row by row as the points are typed in (a row of 0 appended, then its x),
        // and after the first x is typed anew, the check says what a whole count says.
        CPtrArray typed;
        RisingCheck check;
        check.Recount(typed);
        auto edit = [&](int row, double x) {
            check.BeforeRowChange(typed, row);
            if (row == typed.GetSize()) typed.Add(new CDataPoint(0, 0));
            else PointAt(typed, row)->SetX(x);
            check.AfterRowChange(typed, row);
            EXPECT_EQ(IsNotRising(typed), check.NotRising()) << c.xs.size() << " row " << row;
        };
        for (size_t i = 0; i < c.xs.size(); ++i) {
            edit(static_cast<int>(i), 0);
            edit(static_cast<int>(i), c.xs[i]);
        }
        EXPECT_EQ(c.warning, check.NotRising()) << c.xs.size();
        if (!c.xs.empty()) edit(0, 2.5);
        DeletePoints(typed);
    }
}

TEST(LookupTableAxis, AxisTextsSplitIntoNameAndUnit) {
    struct Case {
        const char* text;
        const char* name;
        const char* unit;
    };
    const Case cases[] = {{"v[V]", "v", "V"}, {"t[s", "t", "s"}, {"plain", "plain", ""}, {"[A]", "", "A"}};
    for (const Case& c : cases) {
        CString name, unit;
        SplitAxisText(c.text, name, unit);
        EXPECT_EQ(c.name, name.str()) << c.text;
        EXPECT_EQ(c.unit, unit.str()) << c.text;
    }
}

template <class Wizard>
using Open = OpenPage<Wizard>;

TEST_F(LookupTable, RefusedTableCommitsNothing) {
    auto wizard = TableWith({{1, 1}, {2, 2}});
    {
        Open<C2DLookupTableWizard4> open(*wizard);
        CProp2DLookupTableXY* page = open.Page();
        auto* list = static_cast<CTBEditListCtrl*>(page->GetDlgItem(2121));
        ASSERT_EQ(2, list->GetItemCount());
        ASSERT_TRUE(qv::ui::Click(page, 1122));
        ASSERT_TRUE(qv::ui::EditListCell(list, 2, 1, "2"));
        EXPECT_TRUE(page->GetDlgItem(2120)->GetStyle() & WS_VISIBLE);
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "T9"));
        editor->ClearRequests();
        qv::UserScript::Instance().ExpectMessageBox(IDOK, "Error : X-values aren't monotonous rising!");
        EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(0u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
        EXPECT_EQ(2, wizard->Points().GetSize());
        EXPECT_EQ("B1", editor->Holder(tableElement)->m_strElementName.str());
        ASSERT_TRUE(qv::ui::EditListCell(list, 2, 1, "3"));
        EXPECT_FALSE(page->GetDlgItem(2120)->GetStyle() & WS_VISIBLE);
        EXPECT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(2u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    }
    ASSERT_EQ(3, wizard->Points().GetSize());
    EXPECT_EQ(3.0, static_cast<CDataPoint*>(wizard->Points()[2])->x);
    EXPECT_EQ("T9", editor->Holder(tableElement)->m_strElementName.str());
}

// The file buttons: a file of three channels is refused and keeps the table; a text file read
// and saved again is written as ".mdx" under its title, in the first format, after message
// 8035; an axis text "name [unit]" is written as the channel's name and unit and read back the
// same; an empty table writes no items; without a chosen name the element's name is written
// into the document folder.
TEST_F(LookupTable, ImportAndExportThroughThePage) {
    editor->Document().SetPathName((root / "Demo.qvx").string().c_str());
    WizardOnSheet wizard(TableWith({{1, 1}}));
    CProp2DLookupTableXY* page = wizard.Page();
    auto& script = qv::UserScript::Instance();
    // The file chosen in the button's dialog, then the messages the page shows.
    auto pick = [&](int button, const char* name, std::vector<const char*> messages = {}) {
        script.ExpectFileDialog((root / name).string());
        for (const char* message : messages) script.ExpectMessageBox(IDOK, message);
        return qv::ui::Click(page, button);
    };
    std::ofstream(root / "three.mdx") << "MDX 1\nchannels 3\nitems 2\nchannel \"a\" \"\"\nchannel \"b\" \"\"\nchannel \"c\" \"\"\n"
                                         "data\n4 5 6\n7 8 9\nend\n";
    ASSERT_TRUE(pick(2118, "three.mdx", {"Only 2 channels allowed!", "Error while reading file!"}));
    ASSERT_EQ(1, page->Points().GetSize());
    EXPECT_EQ(1.0, PointAt(page->Points(), 0)->x);
    EXPECT_EQ(1.0, PointAt(page->Points(), 0)->y);
    auto* rows = static_cast<CTBEditListCtrl*>(page->GetDlgItem(2121));
    ASSERT_EQ(1, rows->GetItemCount());
    EXPECT_EQ("1", rows->GetItemText(0, 1).str());
    EXPECT_EQ("1", rows->GetItemText(0, 2).str());

    std::ofstream(root / "table.txt") << "v[V] i[A]\n0 0\n1 2\n";
    ASSERT_TRUE(qv::ui::Click(page, 2116));
    ASSERT_TRUE(pick(2118, "table.txt"));
    EXPECT_EQ(2, page->Points().GetSize());
    EXPECT_EQ(-1, page->GetFileFormat());
    editor->ClearRequests();
    ASSERT_TRUE(pick(2119, "copy.txt", {"The file format \"text\" cannot be written! The file will be saved as a MDX-file."}));
    EXPECT_EQ(0, page->GetFileFormat());
    EXPECT_EQ("copy.mdx", page->GetFileName().str());
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_FILE_WRITTEN));
    EXPECT_EQ("MDX 1\nchannels 2\nitems 2\nchannel \"v\" \"V\"\nchannel \"i\" \"A\"\ndata\n0 0\n1 2\nend\n",
              ReadFile(root / "copy.mdx"));

    ASSERT_TRUE(qv::ui::Click(page, 2273));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2275), "volt [V]"));
    ASSERT_TRUE(qv::ui::Click(page, 1124));
    ASSERT_TRUE(pick(2119, "empty"));
    EXPECT_EQ("MDX 1\nchannels 2\nitems 0\nchannel \"volt \" \"V\"\nchannel \"i\" \"A\"\ndata\nend\n",
              ReadFile(root / "empty.mdx"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2275), "x"));
    ASSERT_TRUE(pick(2118, "empty.mdx"));
    EXPECT_EQ("volt [V]", blocks_test::Text(page, 2275));

    ASSERT_TRUE(qv::ui::Click(page, 2116));
    ASSERT_TRUE(page->ExportFile("chosen.mdx", 0));
    EXPECT_TRUE(fs::exists(root / "B1.mdx"));
    EXPECT_FALSE(fs::exists(root / "chosen.mdx"));
}

TEST_F(LookupTable, SaveAsAsksBeforeReplacingTheFileItWrites) {
    editor->Document().SetPathName((root / "Demo.qvx").string().c_str());
    WizardOnSheet wizard(TableWith({{1, 1}, {2, 4}}));
    ASSERT_TRUE(qv::ui::Click(wizard.Page(), 2116));
    qv_test::ExpectSaveAsAsksBeforeReplacingTheFileItWrites(wizard.Page(), root, "");
}

TEST_F(LookupTable, ApplyAsksBeforeWritingOverTheFileItRefusedToRead) {
    editor->Document().SetPathName((root / "Demo.qvx").string().c_str());
    qv_test::WriteFile(root / "bad.mdx", qv_test::kFourChannels);
    auto made = TableWith({{1, 1}, {2, 4}});
    made->TakeFromPage(TRUE, 0, made->Points(), made->Snapshots());
    Named(editor->Holder(tableElement), "FNAME")->SetValue("bad.mdx");
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Only 2 channels allowed!");
    WizardOnSheet wizard(std::move(made));
    qv_test::ExpectApplyAsksBeforeReplacingTheRefusedFile(wizard.Sheet(), root / "bad.mdx");
}

// An axis text comes back as it was typed: an apply with "File Name" ticked writes the texts
// split into channel names and units, a page opened on that file reads them back, and so do
// "Save as" and "Open". A unit without a name ("[V]") comes back as the unit alone.
TEST_F(LookupTable, AxisTextsComeBackAsTypedThroughApplySaveAsAndOpen) {
    editor->Document().SetPathName((root / "Demo.qvx").string().c_str());
    const struct {
        const char* typed;
        const char* y;
        const char* channels;
        const char* x;  // the x axis's text read back
    } cases[] = {
        {"X[s]", "Y", "channel \"X\" \"s\"\nchannel \"Y\" \"\"\n", "X[s]"},
        {"time[s]", "", "channel \"time\" \"s\"\nchannel \"\" \"\"\n", "time[s]"},
        {"[V]", "i[A]", "channel \"\" \"V\"\nchannel \"i\" \"A\"\n", "V"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        // Each case writes its file anew: without an element to mark it, the earlier case's file
        // would be the user's.
        fs::remove(root / "t.mdx");
        auto wizard = TableWith({{0, 0}, {1, 2}});
        wizard->SetUnits(TRUE, TRUE, "", "");
        {
            Open<C2DLookupTableWizard4> open(*wizard);
            CProp2DLookupTableXY* page = open.Page();
            ASSERT_TRUE(qv::ui::Click(page, 2116));
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2117), "t.mdx"));
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2275), c.typed));
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2276), c.y));
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
            const std::string written = ReadFile(root / "t.mdx");
            EXPECT_EQ(std::string("MDX 1\nchannels 2\nitems 2\n") + c.channels + "data\n0 0\n1 2\nend\n", written);
            qv::UserScript::Instance().ExpectFileDialog((root / "saved.mdx").string());
            ASSERT_TRUE(qv::ui::Click(page, 2119));
            EXPECT_EQ(written, ReadFile(root / "saved.mdx"));
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2275), "other"));
            qv::UserScript::Instance().ExpectFileDialog((root / "saved.mdx").string());
            ASSERT_TRUE(qv::ui::Click(page, 2118));
            EXPECT_EQ(c.x, blocks_test::Text(page, 2275));
            EXPECT_EQ(c.y, blocks_test::Text(page, 2276));
        }
        // The page opens on the file the apply wrote, whatever the wizard held.
        wizard->SetUnits(TRUE, TRUE, "other", "other");
        Open<C2DLookupTableWizard4> again(*wizard);
        EXPECT_EQ(c.x, blocks_test::Text(again.Page(), 2275));
        EXPECT_EQ(c.y, blocks_test::Text(again.Page(), 2276));
    }
}

// The output switch's caption carries the output's unit.
TEST_F(LookupTable, OutputSwitchShowsTheOutputsUnit) {
    std::vector<ParamRow> rows = TableRows();
    rows[4].unit = "V";
    DWORD element = 0;
    auto wizard = NewWizard<C2DLookupTableWizard4>(rows, &element);
    Open<C2DLookupTableWizard4> open(*wizard);
    EXPECT_EQ("Output Signal [V]", blocks_test::Text(open.Page(), 2056));
}

// Parameter 1001 of older data sets "File Name" when the page opens (0 off, any value above 0
// on) and is then "-1", so that a later opening leaves the flag as the wizard has it.
TEST_F(LookupTable, OldFileFlagParameterIsTakenOnce) {
    const struct {
        const char* value;
        BOOL before;
        BOOL after;
    } cases[] = {{"1", FALSE, TRUE}, {"2", FALSE, TRUE}, {"0", TRUE, FALSE}, {"-1", TRUE, TRUE}, {"-1", FALSE, FALSE}};
    for (const auto& c : cases) {
        std::vector<ParamRow> rows = TableRows();
        rows.push_back({.id = 1001, .name = "OLDFLAG", .value = c.value});
        DWORD element = 0;
        auto wizard = NewWizard<C2DLookupTableWizard4>(rows, &element);
        wizard->TakeFromPage(c.before, 0, wizard->Points(), wizard->Snapshots());
        Open<C2DLookupTableWizard4> open(*wizard);
        EXPECT_EQ(c.after ? BST_CHECKED : BST_UNCHECKED, open.Page()->IsDlgButtonChecked(2116)) << c.value;
        EXPECT_EQ("-1", Param(editor->Holder(element), 1001)->GetValue().str()) << c.value;
    }
}

// Without "File Name" an apply gives parameter 2117 the document's default name and writes no
// file; moving the first row up or the last row down changes nothing.
TEST_F(LookupTable, DefaultNameWithoutAFileAndMovesAtTheEnds) {
    editor->Document().SetPathName((root / "Demo.qvx").string().c_str());
    WizardOnSheet wizard(TableWith({{1, 1}, {2, 4}}));
    CProp2DLookupTableXY* page = wizard.Page();
    auto* list = static_cast<CTBEditListCtrl*>(page->GetDlgItem(2121));
    for (auto [row, button] : {std::pair{0, 1125}, std::pair{1, 1126}}) {
        ASSERT_TRUE(qv::ui::ClickListItem(list, row));
        ASSERT_TRUE(qv::ui::Click(page, button));
        EXPECT_EQ(row, list->GetSelectedItem()) << button;
        for (int r = 0; r < 2; ++r) {
            EXPECT_EQ(r + 1.0, PointAt(page->Points(), r)->x) << button;
            EXPECT_EQ(qv::pointtable::FormatNumber(r + 1.0), list->GetItemText(r, 1)) << button;
        }
    }
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
    EXPECT_EQ("Demo__B1.mdx", Named(editor->Holder(tableElement), "FNAME")->GetValue().str());
    EXPECT_EQ(0u, editor->CountRequests(WIZREQ_FILE_WRITTEN));
    EXPECT_FALSE(fs::exists(root / "Demo__B1.mdx"));
}

// The file buttons offer the toolkit's formats with the entry of the table's file extension
// preselected (save as has only the first), starting at the table's file.
TEST_F(LookupTable, FileButtonsPreselectTheFormatOfTheFile) {
    editor->Document().SetPathName((root / "Demo.qvx").string().c_str());
    const struct {
        const char* file;
        DWORD readIndex;
    } cases[] = {{"t.TXT", 2}, {"t.csv", 3}, {"t.mdx", 1}};
    for (const auto& c : cases) {
        WizardOnSheet wizard(TableWith({{1, 1}}));
        CProp2DLookupTableXY* page = wizard.Page();
        ASSERT_TRUE(qv::ui::Click(page, 2116));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2117), c.file));
        SCOPED_TRACE(c.file);
        qv_test::ExpectDataFileDialogs(page, c.readIndex, 1, (root / c.file).string());
    }
}

TEST_F(LookupTable, PagePaintsTheCatalogueSymbolInItsFrame) {
    auto wizard = TableWith({{1, 1}});
    editor->Holder(tableElement)->m_SymbolTexts.SetAt(kLanguageEnglish, qv_test::CatalogueSymbol("equations.json", 78));
    Open<C2DLookupTableWizard4> open(*wizard);
    using K = qv::DrawKind;
    qv_test::ExpectSymbolInFrame(open.Page(), {K::Rectangle, K::Polyline, K::Line, K::Line});
}

TEST_F(LookupTable, PreviewAndContextMenu) {
    WizardOnSheet wizard(TableWith({{1, 1}, {2, 4}}));
    CProp2DLookupTableXY* page = wizard.Page();
    ASSERT_NE(nullptr, ShownPreview(page));
    EXPECT_EQ(2, page->GetPreview()->GetPointArray()->GetSize());
    auto* list = static_cast<CTBEditListCtrl*>(page->GetDlgItem(2121));
    auto& script = qv::UserScript::Instance();
    script.ExpectPopupMenu(40005);
    ASSERT_TRUE(qv::ui::ClickListItem(list, 0, 0, qv::ui::Button::Right));
    EXPECT_EQ(3, list->GetItemCount());
    EXPECT_EQ(3, page->Points().GetSize());
    // The preview draws a copy: it follows the table only when refreshed.
    EXPECT_EQ(2, page->GetPreview()->GetPointArray()->GetSize());
    ASSERT_TRUE(qv::ui::Click(page, 2217));
    EXPECT_EQ(3, page->GetPreview()->GetPointArray()->GetSize());
    page->GetPreview()->DestroyWindow();
    EXPECT_EQ("Show", blocks_test::Text(page, 2217));
    script.ExpectPopupMenu(40001);
    ASSERT_TRUE(qv::ui::ClickListItem(list, 2, 0, qv::ui::Button::Right));
    EXPECT_EQ(2, page->Points().GetSize());
    EXPECT_EQ("2", list->GetItemText(1, 0).str());
}

// The unit edits open enabled by their flags; a click on the list enables the row buttons only
// for a selected row, and a changed row marks the page modified.
TEST_F(LookupTable, PageEnablesUnitEditsAndRowButtonsByState) {
    const struct {
        BOOL xFlag, yFlag;
        int clickedRow;
    } cases[] = {{FALSE, FALSE, -1}, {TRUE, FALSE, 1}, {FALSE, TRUE, 0}};
    for (const auto& c : cases) {
        auto wizard = TableWith({{1, 1}, {2, 4}});
        wizard->SetUnits(c.xFlag, c.yFlag, "V", "A");
        Open<C2DLookupTableWizard4> open(*wizard);
        CProp2DLookupTableXY* page = open.Page();
        EXPECT_EQ(c.xFlag != 0, Enabled(page, 2275));
        EXPECT_EQ(c.yFlag != 0, Enabled(page, 2276));
        ASSERT_TRUE(qv::ui::ClickListItem(page->GetDlgItem(2121), c.clickedRow));
        for (int button : {1123, 1125, 1126}) EXPECT_EQ(c.clickedRow >= 0, Enabled(page, button)) << button;
        EXPECT_EQ(c.clickedRow >= 0, page->IsPageModified() != 0);
    }
}

// Apply commits the element's name, then the file parameters once the data file is written
// under the name made relative to the document folder, and redraws an open preview.
TEST_F(LookupTable, ApplyCommitsTwiceWritesTheRelativeNameAndRefreshesThePreview) {
    editor->Document().SetPathName((root / "Demo.qvx").string().c_str());
    WizardOnSheet wizard(TableWith({{1, 1}, {2, 4}}));
    CProp2DLookupTableXY* page = wizard.Page();
    ASSERT_TRUE(qv::ui::Click(page, 2217));
    ASSERT_TRUE(qv::ui::Click(page, 1122));
    ASSERT_TRUE(qv::ui::EditListCell(page->GetDlgItem(2121), 2, 1, "3"));
    ASSERT_TRUE(qv::ui::Click(page, 2116));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2117), (root / "table.mdx").string().c_str()));
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
    EXPECT_EQ(2u, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
    EXPECT_EQ("table.mdx", Named(editor->Holder(tableElement), "FNAME")->GetValue().str());
    EXPECT_TRUE(fs::exists(root / "table.mdx"));
    EXPECT_EQ(3, page->GetPreview()->GetPointArray()->GetSize());
    page->GetPreview()->DestroyWindow();
}

// The mode marks the file parameter it leaves unused (ExtType 0x20000); a user's file name
// whose title is "*" takes the element's name and is written on apply.
TEST_F(LookupTable, ModeMarksTheUnusedFileParameterAndWildcardsAreFilled) {
    auto wizard = TableWith({{1, 1}, {2, 2}});
    ParamHolder* holder = editor->Holder(tableElement);
    {
        Open<C2DLookupTableWizard4> open(*wizard);
        CProp2DLookupTableXY* page = open.Page();
        ASSERT_TRUE(qv::ui::Click(page, 2116));
        EXPECT_TRUE(Enabled(page, 2117));
        const std::string wildcard = (root / "*.*").string();
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2117), wildcard.c_str()));
        editor->ClearRequests();
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(1u, editor->CountRequests(WIZREQ_FILE_WRITTEN));
        EXPECT_TRUE(fs::exists(root / "B1.mdx"));
        EXPECT_EQ((root / "B1.mdx").string(), Named(holder, "FNAME")->GetValue().str());
        EXPECT_EQ(0x20000u, Named(holder, "FREF")->GetExtType() & 0x20000);
        EXPECT_EQ(0u, Named(holder, "FNAME")->GetExtType() & 0x20000);
        ASSERT_TRUE(qv::ui::Click(page, 2293));
        EXPECT_FALSE(Enabled(page, 2121));
        EXPECT_TRUE(Enabled(page, 2425));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2425), "other.mdx"));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(0u, Named(holder, "FREF")->GetExtType() & 0x20000);
        EXPECT_EQ(0x20000u, Named(holder, "FNAME")->GetExtType() & 0x20000);
        EXPECT_EQ("other.mdx", Named(holder, "FREF")->GetValue().str());
    }
    EXPECT_TRUE(wizard->GetReferenceFlag());
    ASSERT_EQ(1, wizard->Snapshots().GetSize());
    EXPECT_EQ(CString("@FILE"), static_cast<CCopaObjectCompare*>(wizard->Snapshots()[0])->GetName());
}

// Without a command receiver there is no parameter set: both pages open with their defaults,
// apply is refused before anything is written, and the model text keeps going.
TEST_F(LookupTable, WizardsWithoutAnEditor) {
    {
        CEquationBlockWizard4 wizard;
        Open<CEquationBlockWizard4> open(wizard);
        EXPECT_EQ(0, static_cast<CTBEditListCtrl*>(open.Page()->GetDlgItem(2279))->GetItemCount());
        EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
        CString text = "@INPUTLIST|@EXPRESSLIST|@MAXINDEX";
        EXPECT_EQ(4, wizard.WriteSimDescr(nullptr, "IMMANENT", text));
        EXPECT_EQ("||0", text.str());
    }
    {
        C2DLookupTableWizard4 wizard;
        GivePoints(wizard, {{2, 1}, {1, 1}});
        Open<C2DLookupTableWizard4> open(wizard);
        EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(2, wizard.Points().GetSize());
    }
}

} // namespace
