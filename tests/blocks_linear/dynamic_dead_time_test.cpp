// The dead-time element: its archive and page archive as bytes built by hand, its model texts
// in the three initial-value modes, the 4.x and older-data conversions, and its page driven
// as a user drives it (mode switches, list editing, initial-value files).
#include "blocks_support.h"

#include "blocks_linear/dead_time.h"
#include "framework/data_classes.h"
#include "framework/data_file_places.h"
#include "framework/factories.h"
#include "framework/indexed_family.h"
#include "framework/param_list.h"
#include "tests/support/mdx_channels.h"
#include "tests/support/own_folder_test.h"
#include "tests/support/sandbox.h"
#include "tests/support/text_files.h"

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace blocks_test;

namespace {

constexpr DWORD kText = 0x4 | 0x100000;

std::vector<ParamRow> DeadRows(const char* samples = "3", const char* file = "dead.mdx") {
    return {
        {.id = 2186, .name = "INPUT", .value = "x"},
        {.id = 2202, .name = "TS", .value = "1m", .quantity = "Time", .unit = "s"},
        {.id = 2042, .name = "NH", .value = samples},
        {.id = 2134, .name = "Y0", .value = "0", .type = 0x6, .description = "Initial value %i"},
        {.id = 2117, .name = "FILE", .value = file, .type = kText},
        {.id = 1012, .name = "FREF", .value = "ref.mdx"},
        {.id = 2056, .name = "OUT", .value = "", .type = 0x8},
    };
}

std::vector<ParamRow> WithMembers(std::vector<ParamRow> rows, const std::vector<const char*>& values) {
    static const char* const kNames[] = {"Y0[0]", "Y0[1]", "Y0[2]", "Y0[3]", "Y0[4]", "Y0[5]"};
    for (size_t i = 0; i < values.size() && i < std::size(kNames); ++i)
        rows.push_back({.id = 2134, .name = kNames[i], .value = values[i], .deletable = TRUE});
    return rows;
}

struct SnapshotRow {
    const char* name;
    DWORD type;
    DWORD ext;
};
const SnapshotRow kSnapshots[] = {{"INPUT", 0x4, 0}, {"TS", 0x4, 0}, {"FILE", kText, 0x20000}};
const double kValues[] = {0.5, -1, 2.25, 0, 1e-3};

// The wizard archive built by the rules: schema, mode, points (class record once, then
// back-references), snapshots.
Bytes GoldenArchive(DWORD mode) {
    Bytes out;
    Word(out, 0);
    Dword(out, mode);
    Dword(out, 5);
    for (int i = 0; i < 5; ++i) {
        if (i == 0) NewClass(out, "CDataPoint");
        else Word(out, 0x8001);
        Dword(out, 10);
        Double(out, i);
        Double(out, kValues[i]);
    }
    Dword(out, 3);
    for (int i = 0; i < 3; ++i)
        Append(out, SnapshotBytes(kSnapshots[i].name, i == 0 ? 0 : 0x8002, kSnapshots[i].type, kSnapshots[i].ext));
    return out;
}

void FillWizard(CDeadTimeBlockWizard4& wizard, DWORD mode) {
    CPtrArray snapshots;
    for (const SnapshotRow& row : kSnapshots) {
        auto* snapshot = new CCopaObjectCompare;
        snapshot->SetName(row.name);
        snapshot->SetType(row.type);
        snapshot->SetExtType(row.ext);
        snapshots.Add(snapshot);
    }
    wizard.TakePageData(mode, std::vector<double>(std::begin(kValues), std::end(kValues)), snapshots);
    for (INT_PTR i = 0; i < snapshots.GetSize(); ++i) delete static_cast<CCopaObjectCompare*>(snapshots.GetAt(i));
}

std::vector<std::string> Rows(CTBEditListCtrl& list, int column) {
    std::vector<std::string> out;
    for (int row = 0; row < list.GetItemCount(); ++row) out.push_back(list.GetItemText(row, column).str());
    return out;
}

using Strings = std::vector<std::string>;

std::string Heading(CListCtrl& list) {
    char text[64] = {};
    LVCOLUMN column{};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = sizeof text;
    list.GetColumn(0, &column);
    return text;
}

class DeadTime : public OwnFolderTest<BlocksTest> {
protected:
    DeadTime() : OwnFolderTest("dead") {}
    std::unique_ptr<CDeadTimeBlockWizard4> New(const std::vector<ParamRow>& rows) {
        return NewWizard<CDeadTimeBlockWizard4>(rows, &element);
    }
    ParamHolder* Set() { return editor->Holder(element); }
    std::vector<CWizardCopaObject3*> Members() {
        std::vector<CWizardCopaObject3*> out;
        for (CWizardCopaObject3* p : Live(Set(), 2134))
            if ((p->GetType() & 0x2) == 0) out.push_back(p);
        return out;
    }
    DWORD element = 0;
};

// ---------------------------------------------------------------------------------------
// Archive.

TEST_F(DeadTime, ArchiveOfFivePointsAndThreeSnapshotsHasTheGoldenBytesAndLoadsBack) {
    CDeadTimeBlockWizard4 wizard;
    FillWizard(wizard, 0x4000);
    const Bytes golden = GoldenArchive(0x4000);
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion4); }));
    EXPECT_EQ(Bytes{}, Stored([&](CArchive& ar) { wizard.Serialize(ar, eSheetVersion3); }));

    // Loading into a wizard that already holds data starts from empty lists.
    CDeadTimeBlockWizard4 loaded;
    FillWizard(loaded, 1);
    Loaded(golden, [&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); });
    EXPECT_EQ(0x4000u, loaded.GetMode());
    ASSERT_EQ(5, loaded.GetPoints().GetSize());
    ASSERT_EQ(3, loaded.GetSnapshots().GetSize());
    for (int i = 0; i < 5; ++i) {
        const auto* point = static_cast<const CDataPoint*>(loaded.GetPoints().GetAt(i));
        EXPECT_EQ(i, point->x);
        EXPECT_EQ(kValues[i], point->y);
    }
    for (int i = 0; i < 3; ++i) {
        const auto* snapshot = static_cast<const CCopaObjectCompare*>(loaded.GetSnapshots().GetAt(i));
        EXPECT_EQ(kSnapshots[i].name, snapshot->GetName().str());
        EXPECT_EQ(kSnapshots[i].type, snapshot->GetType());
        EXPECT_EQ(kSnapshots[i].ext, snapshot->GetExtType());
    }
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { loaded.Serialize(ar, eSheetVersion4); }));
    // A clone carries mode, points and snapshots.
    std::unique_ptr<CWizardBase4> clone(loaded.Clone());
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { static_cast<CDeadTimeBlockWizard4*>(clone.get())->Serialize(ar, eSheetVersion4); }));
}

TEST_F(DeadTime, ArchiveOfANewerSchemaOrWithImpossibleCountsIsNotRead) {
    struct Case {
        const char* what;
        Bytes bytes;
        bool throws;
    };
    Bytes newer;
    Word(newer, 1);
    Dword(newer, 1);
    Bytes hugePoints;
    Word(hugePoints, 0);
    Dword(hugePoints, 1);
    Dword(hugePoints, 0xFFFFFFFFu);
    Bytes shortPoints;
    Word(shortPoints, 0);
    Dword(shortPoints, 0);
    Dword(shortPoints, 3);
    NewClass(shortPoints, "CDataPoint");
    Dword(shortPoints, 10);
    Double(shortPoints, 0);
    const Case cases[] = {
        {"schema above 0", newer, false},
        {"wrapping point count", hugePoints, true},
        {"points cut short", shortPoints, true},
    };
    for (const Case& c : cases) {
        CDeadTimeBlockWizard4 wizard;
        FillWizard(wizard, 1);
        EXPECT_EQ(c.throws, !LoadedBlock(wizard, c.bytes)) << c.what;
        if (!c.throws) {
            EXPECT_EQ(1, wizard.GetSchema());
            EXPECT_EQ(0u, wizard.GetMode()) << c.what;
            EXPECT_EQ(0, wizard.GetPoints().GetSize()) << c.what;
            EXPECT_EQ(0, wizard.GetSnapshots().GetSize()) << c.what;
        }
    }
}

TEST_F(DeadTime, PageArchiveHasTheGoldenBytes) {
    CPropDeadBlock page;
    Bytes golden;
    NewClass(golden, "CPropDeadBlock");
    Dword(golden, 10);
    Dword(golden, 1);
    EXPECT_EQ(golden, Stored([&](CArchive& ar) { page.Serialize(ar); }));
}

// ---------------------------------------------------------------------------------------
// Model texts.

TEST_F(DeadTime, ModelTextInTheThreeModes) {
    struct Case {
        DWORD mode;
        std::vector<ParamRow> rows;
        const char* text;
        bool dataFile;
    };
    std::vector<ParamRow> noFiles = DeadRows();
    noFiles.erase(noFiles.begin() + 4, noFiles.begin() + 6);
    const Case cases[] = {
        {1, WithMembers(DeadRows("3"), {"1", "2", "3", "4"}),
         "DEADTIME DT1 ( INPUT := @INPUT, TS := @TS, NH := @NH, Y0[0] := @Y0[0], Y0[1] := @Y0[1], Y0[2] := @Y0[2] );",
         false},
        {0, DeadRows("3", "dead.mdx"), "DEADTIME DT1 ( INPUT := @INPUT, TS := @TS, FILE := \"@FILE\" );", true},
        {0x4000, DeadRows(), "DEADTIME DT1 ( INPUT := @INPUT, TS := @TS, FILE := \"ref.mdx\" );", false},
        {0x4000, noFiles, "DEADTIME DT1 ( INPUT := @INPUT, TS := @TS, FILE := \"\" );", false},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(folder + "dead.mdx");
        auto wizard = New(c.rows);
        wizard->TakePageData(c.mode, {0.5, 1.5, -2}, CPtrArray());
        CFile description;
        ASSERT_TRUE(description.Open((folder + "model.desc").c_str(), CFile::modeCreate | CFile::modeWrite));
        CString text = "DEADTIME DT1 ( @PARAMLIST);";
        EXPECT_EQ(4, wizard->WriteSimDescr(&description, "IMMANENT", text));
        description.Close();
        EXPECT_EQ(c.text, text.str()) << c.mode;
        EXPECT_EQ(0, g_PlaceholderList.GetSize());
        if (c.dataFile) {
            std::vector<std::string> names;
            EXPECT_EQ((std::vector<std::vector<double>>{{0, 1, 2}, {0.5, 1.5, -2}}), ReadChannels(folder + "dead.mdx", &names));
            EXPECT_EQ((Strings{"X[]", "Initial Value[]"}), names);
        } else {
            EXPECT_FALSE(std::filesystem::exists(folder + "dead.mdx")) << c.mode;
        }
    }
    auto wizard = New(DeadRows());
    const size_t before = editor->Requests().size();
    CString text = "@PARAMLIST";
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "DEADTIME", text));
    EXPECT_EQ("@PARAMLIST", text.str());
    EXPECT_EQ(before, editor->Requests().size());
}

TEST_F(DeadTime, UnwritableDataFileIsReportedAndTheTextCompleted) {
    auto wizard = New(DeadRows("3", "no_such_folder/dead.mdx"));
    wizard->TakePageData(0, {1}, CPtrArray());
    CFile description;
    ASSERT_TRUE(description.Open((folder + "model.desc").c_str(), CFile::modeCreate | CFile::modeWrite));
    CString text = "DT ( @PARAMLIST);";
    qv::UserScript::Instance().ExpectMessageBox(IDOK);
    EXPECT_EQ(4, wizard->WriteSimDescr(&description, "IMMANENT", text));
    EXPECT_EQ("DT ( INPUT := @INPUT, TS := @TS, FILE := \"@FILE\" );", text.str());
    EXPECT_EQ(1u, editor->CountRequests(8));
}

// ---------------------------------------------------------------------------------------
// Conversions.

TEST_F(DeadTime, FourXListsBecomeSeparateInitialValues) {
    struct Case {
        const char* samples;
        const char* list;
        Strings names;
        Strings values;
    };
    const Case cases[] = {
        {"3", "1,,2", {"Y0[0]", "Y0[1]", "Y0[2]"}, {"1", "2", "0"}},
        {"2", "7,8,9", {"Y0[0]", "Y0[1]"}, {"7", "8"}},
        {"0", "1,2", {}, {}},
        {"1e9", "1", {}, {}},
    };
    for (const Case& c : cases) {
        std::vector<ParamRow> rows = WithMembers(DeadRows(c.samples), {"5"});
        rows[3].value = c.list;
        auto wizard = New(rows);
        const size_t commits = editor->CountRequests(WIZREQ_COMMIT_PARAMS);
        EXPECT_TRUE(wizard->DoConversionFrom4x());
        EXPECT_EQ(c.names, Names(Members())) << c.samples;
        EXPECT_EQ(c.values, Values(Members())) << c.samples;
        EXPECT_EQ(commits + 1, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
        EXPECT_EQ(1u, wizard->GetMode());
    }
}

// The older wizard's block: mode, snapshot count, snapshots, page state, a skipped block and
// points with texts.
Bytes OlderBlock(DWORD mode, const Bytes& pageState, bool cutSnapshots) {
    const Bytes snapshots = SnapshotBytes("INPUT");
    Bytes out = Dwords({mode, 1, static_cast<DWORD>(snapshots.size()) + (cutSnapshots ? 100 : 0)});
    Append(out, snapshots);
    if (cutSnapshots) return out;
    Block(out, pageState);
    Dword(out, 2);
    Word(out, 0);
    Dword(out, 0xFFFFFFF0u);  // a points block that claims more than there is
    return out;
}

Bytes PageState(DWORD version, DWORD value) {
    Bytes out;
    NewClass(out, "CPropDeadBlock");
    Dword(out, version);
    Dword(out, value);
    return out;
}

TEST_F(DeadTime, OlderDataBlocksAreReadWhereTheyFit) {
    struct Case {
        const char* what;
        Bytes block;
        DWORD mode;
        size_t snapshots;
    };
    const Case cases[] = {
        {"whole block, page state of version 4 with old mode 0", OlderBlock(1, PageState(4, 0), false), 0, 1},
        {"page state of version 4 with old mode 1", OlderBlock(0, PageState(4, 1), false), 1, 1},
        {"snapshots that do not fit", OlderBlock(1, {}, true), 1, 0},
        {"mode only", Bytes{1, 0, 0, 0}, 1, 0},
        {"empty", Bytes{}, 0, 0},
    };
    for (const Case& c : cases) {
        auto wizard = New(WithMembers(DeadRows(), {"1"}));
        EXPECT_TRUE(ConvertOlder(*wizard, c.block));
        EXPECT_EQ(c.mode, wizard->GetMode()) << c.what;
        EXPECT_EQ(static_cast<INT_PTR>(c.snapshots), wizard->GetSnapshots().GetSize()) << c.what;
        // The parameters the mode does not use are marked.
        BOOL unusedFile = FALSE;
        GetParamExtBit(Set(), 2117, &unusedFile);
        EXPECT_EQ(c.mode != 0, unusedFile != FALSE) << c.what;
    }
}

TEST_F(DeadTime, PageStateWithoutConversionConvertsTheFileParameters) {
    auto wizard = New(DeadRows("3", "old.mdx"));
    const Bytes block = OlderBlock(0x4000, PageState(10, 0), false);
    EXPECT_TRUE(ConvertOlder(*wizard, block));
    EXPECT_EQ("old.mdx", Live(Set(), 1012)[0]->GetValue().str());
    EXPECT_EQ(0x4000u, wizard->GetMode());
}

// ---------------------------------------------------------------------------------------
// The page.

TEST_F(DeadTime, OpeningInEachModeEnablesItsControls) {
    struct Case {
        DWORD mode;
        int radio;
        std::vector<int> enabled;
        std::vector<int> disabled;
    };
    const Case cases[] = {
        {1, 2291, {2042, 2134, 1122}, {2117, 2118, 2395}},
        {0, 2292, {2117, 2118, 2119, 2134, 1126}, {2042, 2395}},
        {0x4000, 2293, {2395}, {2117, 2042, 2134, 1122, 1126}},
    };
    for (const Case& c : cases) {
        auto wizard = New(WithMembers(DeadRows(), {"1", "2", "3"}));
        wizard->TakePageData(c.mode, {}, CPtrArray());
        OpenPage open(*wizard);
        CWnd* page = open.Page();
        EXPECT_TRUE(page->IsDlgButtonChecked(c.radio)) << c.mode;
        for (int id : c.enabled) EXPECT_TRUE(Enabled(page, id)) << c.mode << " " << id;
        for (int id : c.disabled) EXPECT_FALSE(Enabled(page, id)) << c.mode << " " << id;
    }
}

TEST_F(DeadTime, ModeSwitchesKeepTheRowsAndShowTheFileValues) {
    const std::string data = folder + "values.mdx";
    WriteChannels(data, {{0, 1}, {4, 5}});
    auto wizard = New(WithMembers(DeadRows("3", data.c_str()), {"1", "2", "3"}));
    wizard->TakePageData(1, {}, CPtrArray());
    OpenPage open(*wizard);
    CPropDeadBlock* page = open.Page();
    EXPECT_EQ((Strings{"Y0[0]", "Y0[1]", "Y0[2]"}), Rows(page->List(), 0));
    ASSERT_TRUE(qv::ui::EditListCell(&page->List(), 1, 1, "7"));

    // To File Name: the rows are written first; the list shows the file's values.
    ASSERT_TRUE(qv::ui::Click(page, 2292));
    EXPECT_EQ("7", Members()[1]->GetValue().str());
    EXPECT_EQ((Strings{"1", "2"}), Rows(page->List(), 0));
    EXPECT_EQ((Strings{"4", "5"}), Rows(page->List(), 1));
    EXPECT_EQ("No.", Heading(page->List()));

    // Back to Separate: the Y0 rows again.
    ASSERT_TRUE(qv::ui::Click(page, 2291));
    EXPECT_EQ((Strings{"Y0[0]", "Y0[1]", "Y0[2]"}), Rows(page->List(), 0));
    EXPECT_EQ((Strings{"1", "7", "3"}), Rows(page->List(), 1));
    EXPECT_EQ("Name", Heading(page->List()));

    // Through File Reference and back: the rows are remembered too.
    ASSERT_TRUE(qv::ui::Click(page, 2293));
    EXPECT_FALSE(Enabled(page, 2134));
    ASSERT_TRUE(qv::ui::Click(page, 2291));
    EXPECT_EQ((Strings{"Y0[0]", "Y0[1]", "Y0[2]"}), Rows(page->List(), 0));
}

TEST_F(DeadTime, ApplyInEachModeHandsTheStateToTheWizard) {
    auto wizard = New(WithMembers(DeadRows("2"), {"1", "2"}));
    wizard->TakePageData(1, {}, CPtrArray());
    OpenPage open(*wizard);
    CPropDeadBlock* page = open.Page();
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(1u, wizard->GetMode());
    EXPECT_EQ((Strings{"INPUT", "TS", "NH", "Y0[0]", "Y0[1]"}), SnapshotNames(wizard->GetSnapshots()));

    // File Name with values typed into new rows.
    ASSERT_TRUE(qv::ui::Click(page, 2292));
    ASSERT_TRUE(qv::ui::Click(page, 1122));
    ASSERT_TRUE(qv::ui::Click(page, 1122));
    EXPECT_EQ((Strings{"0.0", "0.0"}), Rows(page->List(), 1));
    ASSERT_TRUE(qv::ui::EditListCell(&page->List(), 1, 1, "2.5"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0u, wizard->GetMode());
    ASSERT_EQ(2, wizard->GetPoints().GetSize());
    EXPECT_EQ(2.5, static_cast<CDataPoint*>(wizard->GetPoints().GetAt(1))->y);
    EXPECT_EQ("@FILE", std::string("@") +
                           static_cast<CCopaObjectCompare*>(wizard->GetSnapshots().GetAt(2))->GetName().str());

    ASSERT_TRUE(qv::ui::Click(page, 2293));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2395), "elsewhere.mdx"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0x4000u, wizard->GetMode());
    EXPECT_EQ("@FILE", static_cast<CCopaObjectCompare*>(wizard->GetSnapshots().GetAt(2))->GetName().str());
    EXPECT_EQ("elsewhere.mdx", Live(Set(), 1012)[0]->GetValue().str());
}

TEST_F(DeadTime, ListEditingInSeparateMode) {
    auto wizard = New(WithMembers(DeadRows("4"), {"1", "2", "3", "4"}));
    wizard->TakePageData(1, {}, CPtrArray());
    OpenPage open(*wizard);
    CPropDeadBlock* page = open.Page();
    ASSERT_TRUE(qv::ui::Click(page, 1122));
    EXPECT_EQ((Strings{"Y0[0]", "Y0[1]", "Y0[2]", "Y0[3]", "Y0[4]"}), Names(Members()));

    // Moving row 1 down also moves its parameter in the set.
    ASSERT_TRUE(qv::ui::ClickListItem(&page->List(), 1));
    ASSERT_TRUE(qv::ui::Click(page, 1126));
    EXPECT_EQ((Strings{"Y0[0]", "Y0[2]", "Y0[1]", "Y0[3]", "Y0[4]"}), Names(Members()));
    EXPECT_EQ((Strings{"Y0[0]", "Y0[2]", "Y0[1]", "Y0[3]", "Y0[4]"}), Rows(page->List(), 0));
    ASSERT_TRUE(qv::ui::Click(page, 1125));
    EXPECT_EQ((Strings{"Y0[0]", "Y0[1]", "Y0[2]", "Y0[3]", "Y0[4]"}), Names(Members()));

    // Deleting marks the parameter deleted.
    ASSERT_TRUE(qv::ui::ClickListItem(&page->List(), 4));
    ASSERT_TRUE(qv::ui::Click(page, 1123));
    EXPECT_EQ(4u, Members().size());
    ASSERT_TRUE(qv::ui::Click(page, 1124));
    EXPECT_EQ(0u, Members().size());
    EXPECT_EQ(0, page->List().GetItemCount());
    ASSERT_TRUE(qv::ui::Click(page, 1122));
    EXPECT_EQ((Strings{"Y0[0]"}), Names(Members()));
}

TEST_F(DeadTime, ListEditingInFileMode) {
    auto wizard = New(DeadRows("5", "missing.mdx"));
    wizard->TakePageData(0, {10, 11, 12, 13, 14}, CPtrArray());
    OpenPage open(*wizard);
    CPropDeadBlock* page = open.Page();
    EXPECT_EQ((Strings{"1", "2", "3", "4", "5"}), Rows(page->List(), 0));
    ASSERT_TRUE(qv::ui::ClickListItem(&page->List(), 2));
    ASSERT_TRUE(qv::ui::Click(page, 1123));
    EXPECT_EQ((Strings{"1", "2", "3", "4"}), Rows(page->List(), 0));
    EXPECT_EQ((Strings{"10", "11", "13", "14"}), Rows(page->List(), 1));
    ASSERT_TRUE(qv::ui::ClickListItem(&page->List(), 0));
    ASSERT_TRUE(qv::ui::Click(page, 1126));
    EXPECT_EQ((std::vector<double>{11, 10, 13, 14}), page->GetValues());
}

// The row commands of the context menu are offered only for a selected row: New adds and
// selects a row, after which Delete is offered and removes it again.
TEST_F(DeadTime, ContextMenuOffersRowCommandsOnlyForASelectedRow) {
    auto wizard = New(DeadRows("2", "missing.mdx"));
    wizard->TakePageData(0, {10, 11}, CPtrArray());
    OpenPage open(*wizard);
    CPropDeadBlock* page = open.Page();
    auto& script = qv::UserScript::Instance();
    const struct {
        UINT command;
        std::string entries;
        std::vector<double> values;
    } steps[] = {
        {40005, "New|[Delete]|Delete All|-|[Move down]|[Move up]", {10, 11, 0}},
        {40001, "New|Delete|Delete All|-|Move down|Move up", {10, 11}},
    };
    for (const auto& step : steps) {
        script.ExpectPopupMenu(step.command);
        ASSERT_TRUE(qv::ui::RightClick(page, CPoint(5, 5)));
        ASSERT_FALSE(script.Shown().empty());
        EXPECT_EQ(step.entries, script.Shown().back().text);
        EXPECT_EQ(step.values, page->GetValues());
    }
}

TEST_F(DeadTime, RepeatedIndexesRefuseTheApplyAfterTheCommit) {
    std::vector<ParamRow> rows = DeadRows("4");
    rows.push_back({.id = 2134, .name = "Y0[3]", .value = "1", .deletable = TRUE});
    rows.push_back({.id = 2134, .name = "Y0[3]", .value = "2", .deletable = TRUE});
    auto wizard = New(rows);
    wizard->TakePageData(1, {}, CPtrArray());
    OpenPage open(*wizard);
    const size_t commits = editor->CountRequests(WIZREQ_COMMIT_PARAMS);
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Following indexes are more than once:\n3");
    EXPECT_FALSE(open.Page()->OnApply());
    EXPECT_EQ(commits + 1, editor->CountRequests(WIZREQ_COMMIT_PARAMS));
}

TEST_F(DeadTime, SampleTimeListAndPins) {
    const SampleTimeCase cases[] = {{"0", "System", "0"}, {"1m", "1m", "1m"}, {"0.001", "1m", "1m"}, {"5m", "5m", "5m"}};
    for (const SampleTimeCase& c : cases) {
        std::vector<ParamRow> rows = DeadRows();
        rows[1].value = c.stored;
        auto wizard = New(rows);
        wizard->TakePageData(0x4000, {}, CPtrArray());
        OpenPage open(*wizard);
        CWnd* page = open.Page();
        EXPECT_EQ(c.shown, Text(page, 2183)) << c.stored;
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(c.written, Live(Set(), 2202)[0]->GetValue().str());
    }
    auto wizard = New(DeadRows());
    OpenPage open(*wizard);
    CWnd* page = open.Page();
    ExpectUsePinsAct(page, Set(), {{2074, 2183, 2202}, {2073, 2186, 2186}});
}

// ---------------------------------------------------------------------------------------
// Initial-value files.

TEST_F(DeadTime, ImportOfAThreeChannelFileIsRefused) {
    const std::string path = folder + "three.mdx";
    WriteChannels(path, {{0, 1}, {1, 2}, {3, 4}});
    auto wizard = New(DeadRows("2", "none.mdx"));
    wizard->TakePageData(0, {8, 9}, CPtrArray());
    OpenPage open(*wizard);
    CPropDeadBlock* page = open.Page();
    qv::UserScript::Instance().ExpectFileDialog(path);
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Only 2 channels allowed!");
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Error while reading file!");
    ASSERT_TRUE(qv::ui::Click(page, 2118));
    EXPECT_EQ((Strings{"8", "9"}), Rows(page->List(), 1));
}

TEST_F(DeadTime, ImportTakesChannelOneAndSetsTheSamples) {
    const std::string path = folder + "two.mdx";
    WriteChannels(path, {{7, 7, 7}, {0.25, 1, 3}});
    auto wizard = New(DeadRows("1", "none.mdx"));
    wizard->TakePageData(0, {8}, CPtrArray());
    OpenPage open(*wizard);
    CPropDeadBlock* page = open.Page();
    qv::UserScript::Instance().ExpectFileDialog(path);
    ASSERT_TRUE(qv::ui::Click(page, 2118));
    EXPECT_EQ((Strings{"1", "2", "3"}), Rows(page->List(), 0));
    EXPECT_EQ((Strings{"0.25", "1", "3"}), Rows(page->List(), 1));
    EXPECT_EQ("3", Text(page, 2042));
    EXPECT_EQ(path, Text(page, 2117));

    const std::string empty = folder + "empty.mdx";
    WriteChannels(empty, {{}, {}});
}

// A file of initial values is taken up to a family's limit of rows, imported or found under
// the stored name as the page opens; a file of one row more is refused with its message, and
// the list keeps its rows.
TEST_F(DeadTime, AFileOfInitialValuesTakesAsManyRowsAsAFamilyHolds) {
    for (const bool stored : {false, true})
        for (const int rows : {qv::family::kMaxMembers, qv::family::kMaxMembers + 1}) {
            SCOPED_TRACE(std::to_string(rows) + (stored ? " stored" : " imported"));
            const bool taken = rows <= qv::family::kMaxMembers;
            WriteChannels(folder + "rows.mdx", {std::vector<double>(rows, 0.0), std::vector<double>(rows, 0.5)});
            auto wizard = New(DeadRows("1", stored ? (folder + "rows.mdx").c_str() : "none.mdx"));
            wizard->TakePageData(0, {8}, CPtrArray());
            if (!stored) qv::UserScript::Instance().ExpectFileDialog(folder + "rows.mdx");
            if (!taken)
                qv::UserScript::Instance().ExpectMessageBox(IDOK, "The file holds 10,001 values; at most 10,000 are allowed!");
            if (!taken && !stored) qv::UserScript::Instance().ExpectMessageBox(IDOK, "Error while reading file!");
            OpenPage open(*wizard);
            CPropDeadBlock* page = open.Page();
            if (!stored) {
                ASSERT_TRUE(qv::ui::Click(page, 2118));
            }
            EXPECT_EQ(taken ? rows : 1, page->List().GetItemCount());
            EXPECT_EQ(taken ? std::to_string(rows) : "1", Text(page, 2042));
            if (taken) {
                // A list at the limit takes no further row: New is refused and the list stays.
                qv::UserScript::Instance().ExpectMessageBox(IDOK, "Invalid value!");
                ASSERT_TRUE(qv::ui::Click(page, 1122));
                EXPECT_EQ(rows, page->List().GetItemCount());
            }
        }
}

// A data-file name whose folder does not exist is refused by OK with a message naming the
// folder, as a file dialog refuses it; a folder that exists, or no folder at all, is taken.
TEST_F(DeadTime, ADataFileNameInAMissingFolderIsRefused) {
    // A relative folder lies in the document's folder, where the page starts.
    std::filesystem::create_directories(std::string(g_DocumentDir.str()) + "there");
    struct Case {
        const char* name;
        const char* refusal;  // null: taken
    };
    const Case cases[] = {{"sub/t3", "sub/\nThis folder does not exist.\nCheck the name and try again."},
                          {"there/t3", nullptr},
                          {"t3", nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto wizard = New(DeadRows("1", "none.mdx"));
        wizard->TakePageData(0, {8}, CPtrArray());
        OpenPage open(*wizard);
        CPropDeadBlock* page = open.Page();
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2117), c.name));
        if (c.refusal != nullptr) qv::UserScript::Instance().ExpectMessageBox(IDOK, c.refusal);
        EXPECT_EQ(c.refusal == nullptr, page->OnApply() != FALSE);
    }
}

TEST_F(DeadTime, ExportOfAWildcardNameWritesTheElementsFile) {
    auto wizard = New(DeadRows("2", "none.mdx"));
    wizard->TakePageData(0, {1.5, -2}, CPtrArray());
    OpenPage open(*wizard);
    CPropDeadBlock* page = open.Page();
    editor->ClearRequests();
    qv::UserScript::Instance().ExpectFileDialog(folder + "*.*");
    ASSERT_TRUE(qv::ui::Click(page, 2119));
    std::vector<std::string> names;
    EXPECT_EQ((std::vector<std::vector<double>>{{0, 1}, {1.5, -2}}), ReadChannels(folder + "B1.mdx", &names));
    EXPECT_EQ((Strings{"X[]", "Initial Value[]"}), names);
    EXPECT_EQ(1u, editor->CountRequests(7));
}

// Export replaces a file the dialog did not ask about only after a yes: another extension, one
// the dialog added, a wildcard; after a text file of another folder was opened, the name
// answered is written where it says, and the file of that name beside the document is never
// touched.
TEST_F(DeadTime, ExportReplacesAFileItDidNotNameOnlyAfterAYes) {
    editor->Document().SetPathName((folder + "doc.qsc").c_str());
    std::filesystem::create_directory(folder + "sub");
    std::ofstream(folder + "sub/iv.txt") << "0 4\n1 5\n";
    WriteChannels(folder + "iv.mdx", {{1}, {2}});
    const std::string beside = ReadFile(folder + "iv.mdx");
    const struct {
        const char* opened;
        const char* answer;
        const char* victim;
        std::vector<double> values;
    } roads[] = {
        {nullptr, "*.mdx", "B1.mdx", {1.5, -2}},
        {"sub/iv.txt", "sub/iv.txt", "sub/iv.mdx", {4, 5}},
    };
    auto& script = qv::UserScript::Instance();
    for (const auto& road : roads)
        for (const int reply : {IDNO, IDYES}) {
            SCOPED_TRACE(std::string(road.answer) + (reply == IDYES ? " yes" : " no"));
            const std::string victim = folder + road.victim;
            WriteChannels(victim, {{1}, {2}});
            const std::string kept = ReadFile(victim);
            auto wizard = New(DeadRows("2", "none.mdx"));
            wizard->TakePageData(0, {1.5, -2}, CPtrArray());
            OpenPage open(*wizard);
            CPropDeadBlock* page = open.Page();
            if (road.opened != nullptr) {
                script.ExpectFileDialog(folder + road.opened);
                ASSERT_TRUE(qv::ui::Click(page, 2118));
            }
            const std::string before = Text(page, 2117);
            script.ExpectFileDialog(folder + road.answer);
            if (road.opened != nullptr)
                script.ExpectMessageBox(IDOK, "The file format \"text\" cannot be written! The file will be saved as a MDX-file.");
            script.ExpectMessageBox(reply, std::filesystem::path(victim).filename().string() +
                                               " already exists.\nDo you want to replace it?");
            ASSERT_TRUE(qv::ui::Click(page, 2119));
            EXPECT_EQ(0u, script.Pending()) << script.DescribePending();
            script.Reset();
            if (reply == IDNO) {
                EXPECT_EQ(kept, ReadFile(victim));
                EXPECT_EQ(before, Text(page, 2117));
                continue;
            }
            const auto channels = ReadChannels(victim);
            ASSERT_EQ(2u, channels.size());
            EXPECT_EQ(road.values, channels[1]);
        }
    EXPECT_EQ(beside, ReadFile(folder + "iv.mdx"));
}

TEST_F(DeadTime, ATextFileIsExportedAsMdx) {
    const std::string path = folder + "values.txt";
    std::ofstream(path) << "0 4\n1 5\n";
    auto wizard = New(DeadRows("1", "none.mdx"));
    wizard->TakePageData(0, {}, CPtrArray());
    OpenPage open(*wizard);
    CPropDeadBlock* page = open.Page();
    qv::UserScript::Instance().ExpectFileDialog(path);
    ASSERT_TRUE(qv::ui::Click(page, 2118));
    EXPECT_EQ(-1, page->GetFileFormat());
    qv::UserScript::Instance().ExpectMessageBox(
        IDOK, "The file format \"text\" cannot be written! The file will be saved as a MDX-file.");
    EXPECT_TRUE(page->WriteInitialValueFile("", 0));
    EXPECT_EQ("values.mdx", page->GetFileName().str());
}

TEST(DeadTimeFactory, YieldsTheWizard) {
    std::unique_ptr<CWizardBase4> wizard(CreateWizard4Instance(82));
    ASSERT_NE(nullptr, wizard);
    EXPECT_STREQ("CDeadTimeBlockWizard4", wizard->GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(3, wizard->GetWizardKind());
}

} // namespace
