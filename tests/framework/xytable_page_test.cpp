// The page "Characteristic" driven as a user drives it: clicks, cell edits, the context
// menu, data files chosen in file dialogs, the preview, and apply.
#include "xytable_support.h"

#include "editor/schematic_editor.h"
#include "framework/characteristic_preview.h"
#include "framework/characteristic_sheet.h"
#include "framework/module.h"
#include "afx/dc.h"
#include "toolkit/read_write_files.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_sheet.h"
#include "wizard/wizard.h"

#include "tests/support/painted_image.h"
#include "tests/support/text_files.h"
#include "tests/support/sandbox.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

using namespace xytable_test;
namespace ui = qv::ui;

namespace {

using Pairs = std::vector<std::pair<double, double>>;

class XYTablePageTest : public ScriptedTest {
protected:
    void SetUp() override {
        ScriptedTest::SetUp();
        folders = std::make_unique<TempFolders>();
        profile = folders->root.string() + "/profile.ini";
        profileVariable.emplace("QV_USER_PROFILE", profile);
        editor.SetBreachHandler([](const std::string& what) { ADD_FAILURE() << what; });
        auto holder = std::make_unique<ParamHolder>();
        holder->m_strElementName = "R1";
        element = editor.AddElement(std::move(holder));
        editor.Document().SetPathName((folders->docs + "sheet.qvx").c_str());
        editor.Document().SetTitle("sheet.qvx");
        editor.Attach(wizard, element);
        table.SetComponentName("R1");
        table.SetXAxisLabel("v [V]");
        table.SetYAxisLabel("i [A]");
    }
    void TearDown() override {
        sheet.DestroyWindow();
        profileVariable.reset();
        folders.reset();
        ScriptedTest::TearDown();
    }

    // A look-up table of data pairs owned by the wizard, shown in a sheet of its own.
    void Open(const Pairs& points = {}, bool lookUp = true) {
        if (lookUp) table.SetMode(CPropCharacteristicXYTable::kKindLookUp);
        table.SetOwnerWizard(&wizard);
        for (const auto& p : points) table.Add(p.first, p.second);
        Show(table);
        ASSERT_NE(nullptr, table.GetSafeHwnd());
    }
    // Owners show the page in a sheet of its own with the library's resources installed.
    void Show(CPropertyPage& page) {
        CResourceSwitch resources;
        sheet.AddPage(&page);
        ASSERT_TRUE(sheet.Create());
    }
    CWnd* Item(int id) { return table.GetDlgItem(id); }
    bool Enabled(int id) { return Item(id) != nullptr && Item(id)->IsWindowEnabled(); }
    // Shown by the page (the sheet itself stays hidden in the tests).
    bool Visible(int id) { return Item(id) != nullptr && (Item(id)->GetStyle() & WS_VISIBLE) != 0; }
    CTBEditListCtrl& List() { return *static_cast<CTBEditListCtrl*>(Item(2121)); }
    CString Cell(int row, int column) { return List().GetItemText(row, column); }
    CString Text(int id) {
        CString text;
        Item(id)->GetWindowText(text);
        return text;
    }
    bool Exists(const std::string& path) { return std::filesystem::exists(path); }
    std::vector<std::string> Announced() {
        std::vector<std::string> paths;
        for (const auto& r : editor.Requests())
            if (r.code == 7) paths.push_back(r.text);
        return paths;
    }
    void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

    std::unique_ptr<TempFolders> folders;
    std::string profile;
    std::optional<qv_test::ScopedEnv> profileVariable;
    qv::SchematicEditor editor;
    DWORD element = 0;
    CWizardBase4 wizard;
    TestTable table;
    CTBPropertySheet sheet;
};

TEST_F(XYTablePageTest, EveryControlIsThereAndTheModesEnableTheirControls) {
    Open({}, false);
    for (int id : {2389, 2111, 2390, 2113, 2391, 2392, 2114, 2393, 2330, 2394, 2395, 2396, 2397, 2121, 1122, 1123, 1124,
                   1125, 1126, 2116, 2117, 2118, 2119, 2217, 2120})
        EXPECT_NE(nullptr, Item(id)) << "control " << id;
    char heading[64] = {};
    LVCOLUMN column{};
    column.mask = LVCF_TEXT;
    column.pszText = heading;
    column.cchTextMax = sizeof heading;
    ASSERT_TRUE(List().GetColumn(1, &column));
    EXPECT_STREQ("x-axis : v [V]", heading);
    ASSERT_TRUE(List().GetColumn(2, &column));
    EXPECT_STREQ("y-axis : i [A]", heading);
    ASSERT_TRUE(List().GetColumn(0, &column));
    EXPECT_STREQ("No.", heading);
    EXPECT_FALSE(table.IsPageModified());

    // A fresh table is a reference.
    EXPECT_TRUE(table.IsDlgButtonChecked(2111));
    EXPECT_TRUE(Enabled(2113));
    EXPECT_FALSE(Enabled(2330));
    EXPECT_FALSE(Enabled(2121));
    EXPECT_FALSE(Enabled(2116));

    ASSERT_TRUE(ui::Click(&table, 2114));
    EXPECT_FALSE(table.IsDlgButtonChecked(2111));
    EXPECT_FALSE(Enabled(2113));
    EXPECT_TRUE(Enabled(2330));
    EXPECT_TRUE(Enabled(2397));
    EXPECT_TRUE(table.IsDlgButtonChecked(2397)) << "data pairs is the table source of a new table";
    EXPECT_TRUE(Enabled(2121));
    EXPECT_TRUE(Enabled(2116));
    EXPECT_TRUE(Enabled(2118));
    EXPECT_FALSE(Enabled(2117)) << "the file name waits for the File Name box";
    EXPECT_FALSE(Enabled(2119));
    EXPECT_FALSE(Enabled(2395));
    EXPECT_TRUE(table.IsPageModified());

    ASSERT_TRUE(ui::Click(&table, 2116));
    EXPECT_TRUE(Enabled(2117));
    EXPECT_TRUE(Enabled(2119));
    EXPECT_TRUE(table.GetUserFileFlag());

    ASSERT_TRUE(ui::Click(&table, 2330));
    EXPECT_TRUE(Enabled(2395));
    EXPECT_FALSE(Enabled(2121));
    EXPECT_FALSE(Enabled(2117));
    ASSERT_TRUE(ui::TypeText(Item(2395), "TABLE1"));
    EXPECT_EQ(CString("TABLE1"), table.GetVariableName());

    ASSERT_TRUE(ui::Click(&table, 2111));
    EXPECT_FALSE(Enabled(2330));
    EXPECT_FALSE(Enabled(2395));
    ASSERT_TRUE(ui::TypeText(Item(2113), "XY.VAL"));
    ASSERT_TRUE(ui::Apply(&sheet));
    EXPECT_EQ(CPropCharacteristicXYTable::kKindReference, table.GetMode());
    EXPECT_EQ(CString("XY.VAL"), table.GetReference());
    EXPECT_EQ(0u, table.GetDataPairsFlag());
}

TEST_F(XYTablePageTest, RowsAreEditedAddedMovedAndDeleted) {
    Open();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(ui::Click(&table, 1122));
    ASSERT_EQ(3, List().GetItemCount());
    EXPECT_EQ(CString("3"), Cell(2, 0));
    EXPECT_EQ(CString("0"), Cell(2, 1));
    EXPECT_EQ((Pairs{{0, 0}, {0, 0}, {0, 0}}), PointsOf(table));
    EXPECT_FALSE(Visible(2120)) << "new rows leave the warning as the empty table set it";

    ASSERT_TRUE(ui::EditListCell(&List(), 0, 1, "1m"));
    EXPECT_TRUE(Visible(2120)) << "x values that fall are not monotonous";
    ASSERT_TRUE(ui::EditListCell(&List(), 1, 1, "2"));
    ASSERT_TRUE(ui::EditListCell(&List(), 1, 2, "-4"));
    ASSERT_TRUE(ui::EditListCell(&List(), 2, 1, "1k"));
    EXPECT_EQ((Pairs{{0.001, 0}, {2, -4}, {1000, 0}}), PointsOf(table));
    EXPECT_FALSE(Visible(2120));

    // Moves at the edges change nothing.
    ASSERT_TRUE(ui::ClickListItem(&List(), 0));
    EXPECT_TRUE(Enabled(1123));
    EXPECT_TRUE(Enabled(1125));
    ASSERT_TRUE(ui::Click(&table, 1125));
    ASSERT_TRUE(ui::ClickListItem(&List(), 2));
    ASSERT_TRUE(ui::Click(&table, 1126));
    EXPECT_EQ((Pairs{{0.001, 0}, {2, -4}, {1000, 0}}), PointsOf(table));

    ASSERT_TRUE(ui::ClickListItem(&List(), 0));
    ASSERT_TRUE(ui::Click(&table, 1126));
    EXPECT_EQ((Pairs{{2, -4}, {0.001, 0}, {1000, 0}}), PointsOf(table));
    EXPECT_TRUE(Visible(2120)) << "a move that leaves x falling shows the warning";
    EXPECT_EQ(1, List().GetSelectedItem());
    EXPECT_EQ(CString("2"), Cell(0, 1));
    EXPECT_EQ(CString("0.001"), Cell(1, 1));
    EXPECT_EQ(CString("1"), Cell(0, 0));
    EXPECT_EQ(CString("2"), Cell(1, 0));

    ASSERT_TRUE(ui::ClickListItem(&List(), 0));
    ASSERT_TRUE(ui::Click(&table, 1123));
    EXPECT_EQ((Pairs{{0.001, 0}, {1000, 0}}), PointsOf(table));
    ASSERT_EQ(2, List().GetItemCount());
    EXPECT_EQ(CString("1"), Cell(0, 0));
    EXPECT_EQ(CString("2"), Cell(1, 0));

    ASSERT_TRUE(ui::Click(&table, 1124));
    EXPECT_EQ(0, List().GetItemCount());
    EXPECT_TRUE(PointsOf(table).empty());
}

// A cell reads a number in the unit its column names ("v [V]", "i [A]"): a unit of that
// quantity is converted, a unit of another or any other text is refused and changes nothing.
TEST_F(XYTablePageTest, CellsReadANumberInTheUnitOfTheirColumn) {
    struct Row {
        int column;
        const char* typed;
        bool taken;
        double value;  // the point's x or y afterwards
    };
    const Row rows[] = {
        {1, "1 mV", true, 0.001},  {1, "2kV", true, 2000},     {1, "1.5 V", true, 1.5},  {1, "3m", true, 0.003},
        {1, "1 MV", true, 1e6},    {2, "1\xB5" "A", true, 1e-6}, {2, "10 mA", true, 0.01}, {1, "1 kOhm", false, 0},
        {2, "1 V", false, 0},      {1, "1 mV, 2", false, 0},   {1, "abc", false, 0},    {1, "1 m V x", false, 0},
    };
    Open({{0, 0}});
    for (const Row& r : rows) {
        const std::string typed = r.typed;
        ASSERT_TRUE(ui::EditListCell(&List(), 0, r.column, "0"));
        EXPECT_EQ(r.taken, ui::EditListCell(&List(), 0, r.column, typed.c_str())) << typed;
        const auto point = PointsOf(table).front();
        EXPECT_DOUBLE_EQ(r.value, r.column == 1 ? point.first : point.second) << typed;
    }
}

TEST_F(XYTablePageTest, ContextMenuOffersRowCommandsOnlyForASelectedRow) {
    Open({{1, 1}});
    script().ExpectPopupMenu(40005);
    ASSERT_TRUE(ui::RightClick(&List(), CPoint(5, 100)));
    ASSERT_FALSE(script().Shown().empty());
    const std::string entries = script().Shown().back().text;
    EXPECT_NE(std::string::npos, entries.find("[Delete]")) << entries;
    EXPECT_NE(std::string::npos, entries.find("[Move up]")) << entries;
    EXPECT_EQ(std::string::npos, entries.find("[New]")) << entries;
    EXPECT_EQ(2, List().GetItemCount());

    ASSERT_TRUE(ui::ClickListItem(&List(), 0));
    script().ExpectPopupMenu(40003);
    ASSERT_TRUE(ui::RightClick(&List(), CPoint(5, 25)));
    EXPECT_EQ((Pairs{{0, 0}, {1, 1}}), PointsOf(table));
}

TEST_F(XYTablePageTest, ApplyRefusesTablesWhoseXValuesAreNotMonotonous) {
    // A move: the row clicked, then the button (1125 up, 1126 down).
    using Moves = std::vector<std::pair<int, int>>;
    const struct {
        Pairs points;
        Moves moves;    // done after the points are typed
        const char* message;
        Moves mending;  // done after the refusal: the table is taken then, the warning gone
    } cases[] = {
        {{{0, 0}, {1, 1}, {1, 2}}, {}, "Error : X-values aren't monotonous rising!", {}},
        {{{2, 0}, {1, 0}, {1, 0}}, {}, "Error : X-values aren't monotonous falling!", {}},
        {{{1, 0}, {1, 5}}, {}, "Error : Constant x-values aren't allowed!", {}},
        // A row moved leaves x neither rising nor falling; moved back, x rises again.
        {{{0, 0}, {1, 1}, {2, 2}}, {{2, 1125}}, "Error : X-values aren't monotonous rising!", {{1, 1126}}},
        {{{0, 0}, {1, 1}, {2, 2}}, {{0, 1126}}, "Error : X-values aren't monotonous falling!", {{1, 1125}}},
    };
    Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ASSERT_TRUE(ui::Click(&table, 1124));
        for (size_t i = 0; i < c.points.size(); ++i) {
            ASSERT_TRUE(ui::Click(&table, 1122));
            const int row = static_cast<int>(i);
            ASSERT_TRUE(ui::EditListCell(&List(), row, 1, TBExtended_ftoa(c.points[i].first)));
            ASSERT_TRUE(ui::EditListCell(&List(), row, 2, TBExtended_ftoa(c.points[i].second)));
        }
        const auto move = [&](const Moves& moves) {
            for (const auto& [row, button] : moves) {
                ASSERT_TRUE(ui::ClickListItem(&List(), row));
                ASSERT_TRUE(ui::Click(&table, button));
            }
        };
        ASSERT_NO_FATAL_FAILURE(move(c.moves));
        EXPECT_TRUE(Visible(2120)) << "the page warns before OK refuses";
        script().ExpectMessageBox(IDOK, c.message);
        EXPECT_FALSE(sheet.Apply()) << c.message;
        EXPECT_TRUE(table.IsPageModified());
        if (c.mending.empty()) continue;
        ASSERT_NO_FATAL_FAILURE(move(c.mending));
        EXPECT_EQ(c.points, PointsOf(table)) << "the rows are back in their order";
        EXPECT_FALSE(Visible(2120));
        EXPECT_TRUE(sheet.Apply());
    }

    // A strictly falling table is taken, while the page warns that it is not rising.
    ASSERT_TRUE(ui::Click(&table, 1124));
    for (int row = 0; row < 3; ++row) {
        ASSERT_TRUE(ui::Click(&table, 1122));
        ASSERT_TRUE(ui::EditListCell(&List(), row, 1, TBExtended_ftoa(3.0 - row)));
    }
    EXPECT_TRUE(Visible(2120));
    EXPECT_TRUE(sheet.Apply());
    EXPECT_FALSE(table.IsPageModified());
}

TEST_F(XYTablePageTest, ApplyNamesTheDataFileAndWritesItOnlyWhenFileNameIsTicked) {
    table.SetFileName((folders->other + "user.mdx").c_str());
    table.SetDefaultNameSuffix("S");
    Open({{0, 0}, {1, 1}});
    // Unticked, the page first offers the owner's document-based name with the table's suffix.
    EXPECT_EQ(CString("sheet_qvx__R1__S.mdx"), Text(2117));
    ASSERT_TRUE(ui::Apply(&sheet));
    EXPECT_EQ(CString("R1.mdx"), table.GetFileName());
    EXPECT_FALSE(Exists(folders->docs + "R1.mdx"));
    EXPECT_TRUE(Announced().empty());
    EXPECT_EQ(0, table.GetDataLength()) << "a wizard on the newer base archives the table itself";

    // Ticked with a wildcard name: the component name takes its place and the file is written.
    ASSERT_TRUE(ui::Click(&table, 2116));
    ASSERT_TRUE(ui::TypeText(Item(2117), "*.mdx"));
    ASSERT_TRUE(ui::Apply(&sheet));
    EXPECT_EQ(CString("R1.mdx"), table.GetFileName());
    const std::string written = folders->docs + "R1.mdx";
    ASSERT_TRUE(Exists(written));
    EXPECT_EQ(std::vector<std::string>{written}, Announced());
    CReadAndWriteFiles file;
    ASSERT_TRUE(file.ReadInfoFile(written.c_str()));
    ASSERT_EQ(2, file.GetNrChannels());
    EXPECT_EQ(CString("v [V]"), file.GetChannel(0)->GetChannelName());
    EXPECT_EQ(CString("i [A]"), file.GetChannel(1)->GetChannelName());
    EXPECT_EQ(2, file.GetNrItems());

    std::ifstream stored(profile);
    std::string profileText((std::istreambuf_iterator<char>(stored)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, profileText.find("XYTable")) << "column widths are kept on apply";
}

TEST_F(XYTablePageTest, ApplyKeepsTheNameOfTheFileItWrote) {
    Open({{0, 0}, {1, 1}});
    ASSERT_TRUE(ui::Click(&table, 2116));
    const struct {
        std::string typed;
        std::string kept;      // the table's file name after apply
        std::string written;   // the file on disk
    } cases[] = {
        {"noext", "noext.mdx", folders->docs + "noext.mdx"},
        {"x.txt", "x.mdx", folders->docs + "x.mdx"},            // the text format is read only
        {"y.CSV", "y.mdx", folders->docs + "y.mdx"},
        {"t.dat5", "t.mdx", folders->docs + "t.mdx"},
        {"k.tbl", "k.tbl", folders->docs + "k.tbl"},
        {".hidden.mdx", "R1.hidden.mdx", folders->docs + "R1.hidden.mdx"},
        {folders->other + "o.mdx", folders->other + "o.mdx", folders->other + "o.mdx"},
        {folders->other + ".o.mdx", folders->other + ".o.mdx", folders->other + ".o.mdx"},  // a folder: no prefix
        {folders->docs + "d", "d.mdx", folders->docs + "d.mdx"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ui::TypeText(Item(2117), c.typed.c_str())) << c.typed;
        ASSERT_TRUE(ui::Apply(&sheet)) << c.typed;
        EXPECT_EQ(c.kept, std::string(table.GetFileName())) << c.typed;
        EXPECT_TRUE(Exists(c.written)) << c.typed;
        if (c.typed[0] != '/' && c.written != folders->docs + c.typed) {
            EXPECT_FALSE(Exists(folders->docs + c.typed)) << c.typed << ": no second file";
        }
        EXPECT_EQ(c.written, Announced().back()) << c.typed;
    }
}

// A file that carries the default name but was not written by this table (a message box
// about its content would fail these tests).
TEST_F(XYTablePageTest, ANewTableReadsNoFileWithTheDefaultName) {
    WriteFile(folders->docs + "sheet_qvx__R1.mdx", "not a data file\n");
    Open();
    EXPECT_EQ(0, List().GetItemCount());
}

TEST_F(XYTablePageTest, AReferenceReadsNoFileWithTheDefaultName) {
    WriteFile(folders->docs + "sheet_qvx__R1.mdx", "not a data file\n");
    table.SetMode(CPropCharacteristicXYTable::kKindReference);
    Open({{1, 2}}, false);
    EXPECT_EQ(CString("2"), Cell(0, 2));
}

TEST_F(XYTablePageTest, ATableWithRowsReadsItsFileAfresh) {
    CReadAndWriteFiles file;
    std::vector<double> xs = {0, 1, 2}, ys = {0, 5, 7};
    file.SetNrChannels(2);
    file.SetNrItems(3);
    file.InsertChannel(0, xs.data(), "v", "");
    file.InsertChannel(1, ys.data(), "i", "");
    ASSERT_TRUE(file.WriteFile((folders->docs + "sheet_qvx__R1.mdx").c_str()));
    Open({{0, 0}});
    ASSERT_EQ(3, List().GetItemCount());
    EXPECT_EQ(CString("7"), Cell(2, 2));
}

TEST_F(XYTablePageTest, OwnerOnTheOlderBaseGetsTheSavedBlockOnApply) {
    CWizardBase3 older;
    table.SetMode(CPropCharacteristicXYTable::kKindLookUp);
    table.SetOwnerWizard3(&older);
    table.Add(1, 2);
    Show(table);
    ASSERT_TRUE(sheet.Apply());
    ASSERT_GT(table.GetDataLength(), 0);
    TestTable copy;
    copy.SetData(table.GetDataBlock(), table.GetDataLength());
    ASSERT_TRUE(copy.LoadFromData());
    EXPECT_EQ((Pairs{{1, 2}}), PointsOf(copy));
    EXPECT_EQ(CString("R1.mdx"), copy.GetFileName());
}

TEST_F(XYTablePageTest, ImportTakesTwoChannelFilesAndRefusesOthersWithoutChanges) {
    Open({{5, 5}});
    const std::string three = folders->other + "three.mdx";
    {
        CReadAndWriteFiles file;
        const double values[] = {1, 2};
        file.SetNrChannels(3);
        file.SetNrItems(2);
        for (int c = 0; c < 3; ++c) file.InsertChannel(c, values, "c", "");
        ASSERT_TRUE(file.WriteFile(three.c_str()));
    }
    script().ExpectFileDialog(three);
    script().ExpectMessageBox(IDOK, "Only 2 channels allowed!");
    script().ExpectMessageBox(IDOK, "Error while reading file!");
    ASSERT_TRUE(ui::Click(&table, 2118));
    EXPECT_EQ((Pairs{{5, 5}}), PointsOf(table));
    EXPECT_EQ(1, List().GetItemCount());

    // A text file: rows follow the file; its format cannot be written back, so the export
    // after it says so and writes an ".mdx" file instead.
    const std::string text = folders->other + "table.txt";
    WriteFile(text, "0 1\n1 2\n2 5\n");
    ASSERT_TRUE(ui::Click(&table, 2116));
    script().ExpectFileDialog(text);
    ASSERT_TRUE(ui::Click(&table, 2118));
    EXPECT_EQ((Pairs{{0, 1}, {1, 2}, {2, 5}}), PointsOf(table));
    ASSERT_EQ(3, List().GetItemCount());
    EXPECT_EQ(CString("5"), Cell(2, 2));
    EXPECT_EQ(CString(text.c_str()), table.GetFileName());
    EXPECT_EQ(-1, table.GetFileSaveVersion());

    script().ExpectFileDialog(folders->other + "exported");
    script().ExpectMessageBox(IDOK, "The file format \"text\" cannot be written! The file will be saved as a MDX-file.");
    ASSERT_TRUE(ui::Click(&table, 2119));
    const std::string exported = folders->other + "exported.mdx";
    EXPECT_TRUE(Exists(exported));
    EXPECT_EQ(std::vector<std::string>{exported}, Announced());
    EXPECT_EQ(CString(exported.c_str()), table.GetFileName());
    EXPECT_EQ(0, table.GetFileSaveVersion());
}

// "Export" answered with a name without extension writes it with the format's ".mdx": a file
// of that name, which the dialog did not ask about, is replaced only after a yes.
TEST_F(XYTablePageTest, ExportAsksBeforeReplacingAFileUnderTheExtendedName) {
    Open({{5, 5}});
    ASSERT_TRUE(ui::Click(&table, 2116));
    const std::string kept = "not replaced\n";
    const std::string written = folders->other + "picked.mdx";
    for (int reply : {IDNO, IDYES}) {
        WriteFile(written, kept);
        script().ExpectFileDialog(folders->other + "picked");
        script().ExpectMessageBox(reply, "picked.mdx already exists.\nDo you want to replace it?");
        ASSERT_TRUE(ui::Click(&table, 2119));
        EXPECT_EQ(reply == IDNO, qv_test::ReadFile(written) == kept) << reply;
        EXPECT_EQ(reply == IDYES, table.GetFileName() == CString(written.c_str())) << reply;
    }
}

// A table is as long as its file holds: 20,000 rows are read whole into the list. A count its
// bytes cannot hold is refused before memory is taken for it, and the table stays.
TEST_F(XYTablePageTest, ImportTakesTablesAsLongAsTheirFileHolds) {
    Open({{5, 5}});
    const std::string big = folders->other + "big.txt";
    {
        std::ofstream out(big);
        for (int i = 0; i < 20000; ++i) out << i << " " << -i << "\n";
    }
    script().ExpectFileDialog(big);
    ASSERT_TRUE(ui::Click(&table, 2118));
    ASSERT_EQ(20000, List().GetItemCount());
    EXPECT_EQ(CString("19999"), Cell(19999, 1));
    EXPECT_EQ(CString("-19999"), Cell(19999, 2));
    EXPECT_EQ((std::pair<double, double>{19999, -19999}), PointsOf(table).back());

    const std::string claims = folders->other + "claims.mdx";
    std::ofstream(claims) << "MDX 1\nchannels 2\nitems 2000000000\nchannel \"x\" \"\"\nchannel \"y\" \"\"\ndata\n0 0\nend\n";
    script().ExpectFileDialog(claims);
    script().ExpectMessageBox(IDOK);
    script().ExpectMessageBox(IDOK, "Error while reading file!");
    ASSERT_TRUE(ui::Click(&table, 2118));
    EXPECT_EQ(20000, List().GetItemCount());
}

TEST_F(XYTablePageTest, TableKeptInADataFileIsReadAfreshWhenThePageOpens) {
    {
        CReadAndWriteFiles file;
        const double xs[] = {1, 2, 3};
        const double ys[] = {4, 5, 6};
        file.SetNrChannels(2);
        file.SetNrItems(3);
        file.InsertChannel(0, xs, "x", "");
        file.InsertChannel(1, ys, "y", "");
        ASSERT_TRUE(file.WriteFile((folders->search + "kept.mdx").c_str()));
    }
    table.SetUserFileFlag(TRUE);
    table.SetFileName("kept.mdx");
    Open({{9, 9}});
    EXPECT_EQ((Pairs{{1, 4}, {2, 5}, {3, 6}}), PointsOf(table));
    ASSERT_EQ(3, List().GetItemCount());
    EXPECT_EQ(CString("6"), Cell(2, 2));
    EXPECT_EQ(CString(folders->search.c_str()), table.GetFileDirectory());
    EXPECT_FALSE(table.IsPageModified());
}

TEST_F(XYTablePageTest, CellEditPastTheLoadedPointsFillsTheGapWithZeroPoints) {
    Open({{1, 1}, {2, 2}, {3, 3}});
    // Reloading while the page is shown leaves the rows of the earlier table in the list.
    TestTable one;
    one.SetMode(CPropCharacteristicXYTable::kKindLookUp);
    one.Add(7, 7);
    ASSERT_TRUE(Load(table, Store(one)));
    ASSERT_EQ(3, List().GetItemCount());
    EXPECT_TRUE(table.IsDlgButtonChecked(2114));
    ASSERT_TRUE(ui::EditListCell(&List(), 2, 2, "9"));
    EXPECT_EQ((Pairs{{7, 7}, {0, 0}, {0, 9}}), PointsOf(table));
    for (INT_PTR i = 0; i < table.Points().GetSize(); ++i) EXPECT_NE(nullptr, table.Points().GetAt(i));

    // A record of an unknown kind is a reference, on the page too.
    Bytes unknownKind = Store(one);
    unknownKind[4 + 2 + 26 + 4] = 2;
    ASSERT_TRUE(Load(table, unknownKind));
    EXPECT_TRUE(table.IsDlgButtonChecked(2111));
    EXPECT_FALSE(table.IsDlgButtonChecked(2114));
    EXPECT_FALSE(Enabled(2121));
}

TEST_F(XYTablePageTest, ShowOpensOnePreviewThatTellsThePageWhenItCloses) {
    Open({{0, 0}, {1, 1}});
    ASSERT_TRUE(ui::Click(&table, 2217));
    EXPECT_EQ(CString("Update"), Text(2217));
    CCharacteristicDlg* preview = table.GetPreview();
    ASSERT_NE(nullptr, preview);
    ASSERT_NE(nullptr, preview->GetSafeHwnd());
    EXPECT_TRUE(preview->IsWindowVisible());
    EXPECT_EQ(&table.Points(), preview->GetPointArray());
    CString caption;
    preview->GetWindowText(caption);
    EXPECT_EQ(CString("R1  Characteristic"), caption);

    ASSERT_TRUE(ui::Click(&table, 2217));
    EXPECT_EQ(preview, table.GetPreview()) << "an open preview is only repainted";

    ASSERT_TRUE(ui::Close(preview));
    EXPECT_EQ(nullptr, preview->GetSafeHwnd());
    EXPECT_EQ(CString("Show"), Text(2217));

    ASSERT_TRUE(ui::Click(&table, 2217));
    ASSERT_NE(nullptr, table.GetPreview());
    EXPECT_NE(nullptr, table.GetPreview()->GetSafeHwnd());
    sheet.DestroyWindow();
    EXPECT_EQ(nullptr, table.GetPreview()) << "the page's window takes its preview with it";
}

// The owner's resource handle is its own again after every operation of the page and its
// preview, early returns included. The owner runs under the test program's module, which has
// no resources, so an operation that did not switch to the plug-in's would find no menu,
// image or text.
TEST_F(XYTablePageTest, EveryOperationGivesTheOwnerItsResourceHandleBack) {
    const HINSTANCE before = AfxGetResourceHandle();
    const HINSTANCE ownerResources = GetModuleHandleA(nullptr);
    ASSERT_NE(nullptr, ownerResources);
    AfxSetResourceHandle(ownerResources);
    auto unchanged = [&](const char* step) { EXPECT_EQ(ownerResources, AfxGetResourceHandle()) << step; };

    Open({{0, 0}, {1, 1}});
    unchanged("page creation");
    EXPECT_EQ(CString("Show"), Text(2217));
    ASSERT_TRUE(ui::Click(&table, 2217));
    unchanged("preview opened");
    ASSERT_TRUE(ui::Click(&table, 2217));
    unchanged("open preview repainted");
    ASSERT_TRUE(ui::Close(table.GetPreview()));
    unchanged("preview closed");

    script().ExpectPopupMenu(0);
    ASSERT_TRUE(ui::RightClick(&List(), CPoint(5, 100)));
    EXPECT_NE(std::string::npos, script().Shown().back().text.find("[Delete]")) << script().Shown().back().text;
    unchanged("context menu dismissed");
    Item(1122)->Invalidate();
    Item(1122)->UpdateWindow();
    unchanged("button image");

    ASSERT_TRUE(ui::Click(&table, 2116));
    script().ExpectFileDialogCancel();
    ASSERT_TRUE(ui::Click(&table, 2118));
    unchanged("import cancelled");
    script().ExpectFileDialog(folders->other + "out.mdx");
    ASSERT_TRUE(ui::Click(&table, 2119));
    unchanged("export");

    ASSERT_TRUE(ui::EditListCell(&List(), 1, 1, "0"));
    script().ExpectMessageBox(IDOK, "Error : Constant x-values aren't allowed!");
    EXPECT_FALSE(sheet.Apply());
    unchanged("apply refused");
    AfxSetResourceHandle(before);
}

TEST_F(XYTablePageTest, RowAndFileButtonsDrawTheirImageForTheirState) {
    Open({{1, 1}});
    auto imageOf = [this](int id) { return qv_test::PaintedImage(Item(id)); };
    EXPECT_EQ(std::make_pair(138, 0), imageOf(1122));
    EXPECT_EQ(std::make_pair(138, 4), imageOf(1126));
    ASSERT_FALSE(Enabled(2119));
    EXPECT_EQ(std::make_pair(135, 1 + 4), imageOf(2119)) << "a disabled button takes the last third";
    EXPECT_EQ(std::make_pair(135, 0), imageOf(2118));
}

TEST_F(XYTablePageTest, LookUpVariantHidesTheReferenceChoice) {
    CPropCharacteristicXYTableLUT variant;
    variant.SetComponentName("D1");
    Show(variant);
    for (int id : {2113, 2111, 2390, 2391}) EXPECT_FALSE(variant.GetDlgItem(id)->GetStyle() & WS_VISIBLE) << id;
    EXPECT_TRUE(variant.IsDlgButtonChecked(2114));
    EXPECT_TRUE(variant.GetDlgItem(2121)->IsWindowEnabled());
    ASSERT_TRUE(sheet.Apply());
    EXPECT_EQ(CPropCharacteristicXYTable::kKindLookUp, variant.GetMode());
    sheet.DestroyWindow();
}


// The table's own sheet edits it in place; ended otherwise than by OK it gives back what the
// table held, its folder too (which the page set to the document's as it opened): a DC
// machine's other table reads that folder to keep its file from being written over.
TEST_F(XYTablePageTest, ASheetEndedOtherwiseThanByOkGivesBackTheTableAndItsFolder) {
    struct Case {
        int end;
        bool kept;
    } cases[] = {{IDOK, false}, {IDCANCEL, true}, {IDABORT, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.end);
        TestTable edited;
        edited.SetOwnerWizard(&wizard);
        edited.SetMode(CPropCharacteristicXYTable::kKindLookUp);
        edited.Add(1, 1);
        edited.SetFileDirectory("/elsewhere/");
        qv::UserScript::Instance().ExpectSheet(
            [](CPropertySheet& inner) {
                for (int id : {2397, 1122}) ui::Click(inner.GetActivePage(), id);
            },
            c.end);
        CResourceSwitch resources;
        CTBPropertySheet outer("T");
        EXPECT_EQ(c.end, qv::characteristic::RunTableSheet(outer, edited, nullptr));
        EXPECT_EQ(c.kept ? 1u : 2u, PointsOf(edited).size());
        EXPECT_EQ(CString(c.kept ? "/elsewhere/" : folders->docs.c_str()), edited.GetFileDirectory());
    }
}

} // namespace
