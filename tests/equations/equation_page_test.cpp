// The equation-block page driven as a user drives it: the check of the equation rows with the
// pre-compiler (variables made, relinked and released, error lines), new rows, the duplicate
// input check, multi-line rows and the missing module or export.
#include "equations_support.h"

#include "afx/file.h"

#include <algorithm>
#include <filesystem>

using namespace equations_test;
using namespace qv::equations;

namespace {

// Most tests drive the page of one block: its wizard, element and open page live until the test
// ends.
class EquationPage : public OnePageTest<CEquationBlockWizard4, EquationsTest> {
protected:
    CPropEquationBlock* OpenBlock(const std::vector<ParamRow>& rows = BlockRows()) { return OpenWizardPage(rows); }
};

CTBEditListCtrl* List(CWnd* page, int id) { return static_cast<CTBEditListCtrl*>(page->GetDlgItem(id)); }

TEST_F(EquationPage, OpensWithTheRowsAndTheirImages) {
    std::vector<ParamRow> rows = BlockRows();
    rows.push_back({.id = 2279, .name = "EQ3", .value = "IF (u > 0) {\r\n  OUT[3] := 1\r\n}", .deletable = TRUE});
    CPropEquationBlock* page = OpenBlock(rows);
    auto* equations = List(page, 2279);
    ASSERT_EQ(3, equations->GetItemCount());
    EXPECT_EQ("OUT[1]:=INPUT[1]*2", equations->GetItemText(0, 0).str());
    EXPECT_EQ("IF (u > 0) {...", equations->GetItemText(2, 0).str());
    EXPECT_EQ(TB_EDIT_MULTILINE, equations->GetEditItemType(2, 0));
    EXPECT_EQ(kImageAssignment, page->RowImage(0));
    EXPECT_EQ(kImageCondition, page->RowImage(2));
    EXPECT_EQ(2, List(page, 2278)->GetItemCount());
    EXPECT_EQ(1, List(page, 2298)->GetItemCount());
    ParamHolder* holder = editor->Holder(element);
    // Each defined name became a variable parameter, made once from the template.
    EXPECT_EQ((std::vector<std::string>{"VAR", "OUT[1]", "OUT[2]", "OUT[3]"}), Names(Live(holder, 2057)));
    // A multi-line row is edited only in the dialog: the in-place edit closes at once.
    EXPECT_FALSE(qv::ui::EditListCell(equations, 2, 0, "x := 1"));
    EXPECT_EQ("IF (u > 0) {...", equations->GetItemText(2, 0).str());
}

TEST_F(EquationPage, VariablesAreMadeRelinkedAndReleased) {
    CPropEquationBlock* page = OpenBlock();
    auto* equations = List(page, 2279);
    ParamHolder* holder = editor->Holder(element);
    ASSERT_TRUE(qv::ui::Click(page, 2285));
    const int row = equations->GetItemCount() - 1;
    ASSERT_TRUE(qv::ui::EditListCell(equations, row, 0, "X := 1"));
    CWizardCopaObject3* x = Named(holder, "X");
    ASSERT_NE(nullptr, x);
    EXPECT_EQ(2057, x->GetValueID());
    EXPECT_EQ(0u, x->GetType() & 0x2);
    // Checking the row again links the same parameter.
    ASSERT_TRUE(qv::ui::EditListCell(equations, row, 0, "X := 2"));
    EXPECT_EQ(x, Named(holder, "X"));
    const std::vector<std::string> names = Names(Live(holder, 2057));
    EXPECT_EQ(1, std::count(names.begin(), names.end(), "X"));
    ASSERT_TRUE(qv::ui::EditListCell(equations, row, 0, "Y := 1"));
    EXPECT_TRUE(x->IsDeleted());
    ASSERT_NE(nullptr, Named(holder, "Y"));
    EXPECT_FALSE(Named(holder, "Y")->IsDeleted());
    EXPECT_EQ(kImageAssignment, page->RowImage(row));
}

// A name two rows define stays while one of them still defines it, also when the other is
// emptied.
TEST_F(EquationPage, AVariableStaysWhileAnotherRowDefinesIt) {
    std::vector<ParamRow> rows = BlockRows();
    rows[5].value = "OUT[1]:=INPUT[2]";
    OpenBlock(rows);
    auto* equations = List(open->Page(), 2279);
    ParamHolder* holder = editor->Holder(element);
    CWizardCopaObject3* out1 = Named(holder, "OUT[1]");
    ASSERT_NE(nullptr, out1);
    ASSERT_TRUE(qv::ui::EditListCell(equations, 0, 0, ""));
    EXPECT_FALSE(out1->IsDeleted());
    ASSERT_TRUE(qv::ui::EditListCell(equations, 1, 0, "OUT[9] := 0"));
    EXPECT_TRUE(out1->IsDeleted());
}

TEST_F(EquationPage, RejectedRowsShowTheirErrorLines) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"x := foo(1)", "COMP-3 (  5, foo): Unknown function\r\n"},
        {"a + b", "The expression must have a left value or a If-Else Condition!"},
        {"ELSE { x := 1 }", "COMP-16 (   , ELSE): ELSE without IF\r\n"},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CEquationBlockWizard4>(BlockRows(), &element);
        wizard->SetSettings(TRUE, FALSE, 1);
        OpenPage<CEquationBlockWizard4> open(*wizard);
        CPropEquationBlock* page = open.Page();
        auto* equations = List(page, 2279);
        ParamHolder* holder = editor->Holder(element);
        const size_t variables = Live(holder, 2057).size();
        qv::UserScript::Instance().ExpectMessageBox(IDOK, c.message);
        ASSERT_TRUE(qv::ui::EditListCell(equations, 0, 0, c.text)) << c.text;
        EXPECT_EQ(kImageError, page->RowImage(0)) << c.text;
        // The row keeps its links: nothing was released for a text that was not understood.
        EXPECT_EQ(variables, Live(holder, 2057).size()) << c.text;
        EXPECT_EQ(equations->GetItemText(0, 0).str(), c.text);
    }
}

TEST_F(EquationPage, ErrorsStayQuietWithoutDisplayErrorMessages) {
    OpenBlock();
    ASSERT_TRUE(qv::ui::EditListCell(List(open->Page(), 2279), 0, 0, "x := (1"));
    EXPECT_EQ(kImageError, open->Page()->RowImage(0));
}

TEST_F(EquationPage, NewRowsTakeTheNextIndex) {
    struct Case {
        std::vector<const char*> inputs;
        const char* expected;
    };
    const Case cases[] = {
        {{"INPUT[1]", "INPUT[4]"}, "INPUT[5]"},
        {{}, "INPUT[0]"},
    };
    for (const Case& c : cases) {
        std::vector<ParamRow> rows = {{.id = 2278, .name = "INPUT", .value = "0", .type = 0x6}};
        for (const char* name : c.inputs) rows.push_back({.id = 2278, .name = name, .value = "a"});
        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<CEquationBlockWizard4>(rows, &element));
        ASSERT_TRUE(qv::ui::Click(wizard.Page(), 2280));
        auto* inputs = List(wizard.Page(), 2278);
        EXPECT_EQ(c.expected, inputs->GetItemText(inputs->GetItemCount() - 1, 0).str());
        EXPECT_NE(nullptr, Named(editor->Holder(element), c.expected));
    }
}

TEST_F(EquationPage, NewOutputsAndEquationsByCommand) {
    CPropEquationBlock* page = OpenBlock();
    ASSERT_TRUE(qv::ui::Click(page, 2299));
    auto* outputs = List(page, 2298);
    ASSERT_EQ(2, outputs->GetItemCount());
    EXPECT_EQ("VAL[2]", outputs->GetItemText(1, 0).str());
    page->SendMessage(WM_COMMAND, 40006, 0);
    page->SendMessage(WM_COMMAND, 40005, 0);
    EXPECT_EQ(kImageCondition, page->RowImage(2));
    EXPECT_EQ(kImageAssignment, page->RowImage(3));
}

TEST_F(EquationPage, ApplyStoresAndRefusesDuplicateIndexes) {
    std::vector<ParamRow> rows = BlockRows();
    rows[2].name = "INPUT[1]";
    CPropEquationBlock* page = OpenBlock(rows);
    ASSERT_TRUE(qv::ui::EditListCell(List(page, 2278), 0, 2, "w"));
    ASSERT_TRUE(qv::ui::EditListCell(List(page, 2279), 1, 0, "OUT[2] := w*3"));
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Following indexes are more than once:\n1");
    EXPECT_FALSE(qv::ui::Apply(&open->Sheet()));
    ParamHolder* holder = editor->Holder(element);
    // The commit ran before the duplicate check: the values are in the set.
    EXPECT_EQ("w", Named(holder, "INPUT[1]")->GetValue().str());
    EXPECT_EQ("OUT[2] := w*3", Named(holder, "EQ2")->GetValue().str());
    EXPECT_EQ(1u, wizard->GetOutputCount());
    ASSERT_TRUE(qv::ui::EditListCell(List(page, 2278), 1, 0, "INPUT[2]"));
    EXPECT_TRUE(qv::ui::Apply(&open->Sheet()));
}

TEST_F(EquationPage, MovingAnEquationMovesItsParameter) {
    CPropEquationBlock* page = OpenBlock();
    auto* equations = List(page, 2279);
    ASSERT_TRUE(qv::ui::ClickListItem(equations, 1));
    ASSERT_TRUE(qv::ui::Click(page, 2288));
    EXPECT_EQ("OUT[2]:=INPUT[2]", equations->GetItemText(0, 0).str());
    EXPECT_EQ((std::vector<std::string>{"", "OUT[2]:=INPUT[2]", "OUT[1]:=INPUT[1]*2"}),
              Values(Live(editor->Holder(element), 2279)));
    // Nothing moves above the first row.
    ASSERT_TRUE(qv::ui::ClickListItem(equations, 0));
    ASSERT_TRUE(qv::ui::Click(page, 2288));
    EXPECT_EQ("OUT[2]:=INPUT[2]", equations->GetItemText(0, 0).str());
}

// Without the module the page says so once, however many rows there are; every check then
// fails quietly and no variable leaves the set.
TEST_F(EquationPage, NoModuleAndNoExport) {
    namespace fs = std::filesystem;
    const fs::path empty = fs::temp_directory_path() / "no_module";
    const fs::path other = fs::temp_directory_path() / "no_export";
    fs::create_directories(empty);
    fs::create_directories(other);
    // A module of another kind under the pre-compiler's name: it has no "UbhvBlock2Upn".
    fs::copy_file(fs::path(PARVEL_MODULE_DIR) / "Ombrix.so", other / "Pravent.so", fs::copy_options::overwrite_existing);
    struct Case {
        fs::path folder;
        const char* message;
    };
    const Case cases[] = {{empty, "Scan Dll not found!"}, {other, "Scan Function not found!"}};
    for (const Case& c : cases) {
        qv::SetQuorvatixPath(c.folder.string().c_str());
        DWORD element = 0;
        std::vector<ParamRow> rows = BlockRows();
        rows.push_back({.id = 2057, .name = "OLD", .value = "0", .type = 0x8, .deletable = TRUE});
        auto wizard = NewWizard<CEquationBlockWizard4>(rows, &element);
        qv::UserScript::Instance().ExpectMessageBox(IDOK, c.message);
        OpenPage<CEquationBlockWizard4> open(*wizard);
        EXPECT_FALSE(open.Page()->IsScanLoaded());
        EXPECT_FALSE(Named(editor->Holder(element), "OLD")->IsDeleted());
        EXPECT_TRUE(qv::ui::EditListCell(List(open.Page(), 2279), 0, 0, "x := 1"));
    }
}

// A page opened in convert mode turns the older form into equations once, and tells the
// wizard, so that the model text does not convert again.
TEST_F(EquationPage, ConvertModeOnThePage) {
    DWORD element = 0;
    std::vector<ParamRow> rows = {
        {.id = 2279, .name = "EQU", .value = "", .type = 0x6},
        {.id = 2279, .name = "y", .value = "a+b", .deletable = TRUE},
        {.id = 2056, .name = "VAL", .value = "", .type = 0xA},
        {.id = 2056, .name = "VAL[1]", .value = "2*c", .type = 0x8},
        {.id = 2057, .name = "VAR", .value = "0", .type = 0xA},
    };
    auto wizard = NewWizard<CEquationBlockWizard4>(rows, &element);
    wizard->SetSettings(FALSE, TRUE, 1);
    {
        OpenPage<CEquationBlockWizard4> open(*wizard);
        auto* equations = List(open.Page(), 2279);
        ASSERT_EQ(2, equations->GetItemCount());
        EXPECT_EQ("y:=a+b", equations->GetItemText(0, 0).str());
        EXPECT_EQ("VAL[1]:=2*c", equations->GetItemText(1, 0).str());
        EXPECT_FALSE(wizard->GetConvertFlag());
    }
    CString text = "@EXPRESSLIST";
    wizard->WriteSimDescr(nullptr, "IMMANENT", text);
    EXPECT_EQ("\ny:=a+b;\nVAL[1]:=2*c;", text.str());
}

// A double click opens the expression dialog on the row's whole text; what it gives back is the
// row's text, shown as its first line when it has several, and checked at once.
TEST_F(EquationPage, ExpressionDialogEditsMultiLineEquations) {
    CPropEquationBlock* page = OpenBlock();
    auto* equations = List(page, 2279);
    std::vector<std::string> offered;
    qv::UserScript::Instance().ExpectDialog(TB_IDD_CALCULATION, [&](CDialog& dialog) {
        CString text;
        dialog.GetDlgItemText(TB_IDC_CALCULATION_TEXT, text);
        EXPECT_EQ("OUT[2]:=INPUT[2]", text.str());
        auto* names = static_cast<CListBox*>(dialog.GetDlgItem(TB_IDC_CALCULATION_NAMES));
        for (int i = 0; i < names->GetCount(); ++i) {
            CString name;
            names->GetText(i, name);
            offered.push_back(name.str());
        }
        qv::ui::TypeText(dialog.GetDlgItem(TB_IDC_CALCULATION_TEXT), "IF (INPUT[2] > 0) {\r\n  z := 1\r\n}");
    });
    ASSERT_TRUE(qv::ui::ClickListItem(equations, 1, 0, qv::ui::Button::Double));
    std::sort(offered.begin(), offered.end());
    EXPECT_EQ((std::vector<std::string>{"INPUT[1]", "INPUT[2]", "OUT[1]", "OUT[2]", "VAL[1]"}), offered);
    EXPECT_EQ("IF (INPUT[2] > 0) {...", equations->GetItemText(1, 0).str());
    EXPECT_EQ(kImageCondition, page->RowImage(1));
    EXPECT_NE(nullptr, Named(editor->Holder(element), "z"));
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    EXPECT_EQ("IF (INPUT[2] > 0) {\r\n  z := 1\r\n}", Named(editor->Holder(element), "EQ2")->GetValue().str());
    // A cancelled dialog changes nothing.
    qv::UserScript::Instance().ExpectDialog(TB_IDD_CALCULATION, [](CDialog& dialog) {
        qv::ui::TypeText(dialog.GetDlgItem(TB_IDC_CALCULATION_TEXT), "lost := 1");
    }, IDCANCEL);
    ASSERT_TRUE(qv::ui::ClickListItem(equations, 0, 0, qv::ui::Button::Double));
    EXPECT_EQ("OUT[1]:=INPUT[1]*2", equations->GetItemText(0, 0).str());
}

// The context menu works on the list it was opened on: "New" of the Equation list is a choice
// between an equation and an IF block; Delete needs a selected row.
TEST_F(EquationPage, ContextMenusOfTheInputAndEquationLists) {
    std::vector<ParamRow> rows = BlockRows();
    rows[1].deletable = TRUE;
    CPropEquationBlock* page = OpenBlock(rows);
    auto* equations = List(page, 2279);
    auto* inputs = List(page, 2278);
    auto& script = qv::UserScript::Instance();
    script.ExpectPopupMenu(40006);
    ASSERT_TRUE(qv::ui::ClickListItem(equations, 0, 0, qv::ui::Button::Right));
    const std::string entries = script.Shown().back().text;
    // "New" is the submenu "Equation" here.
    EXPECT_EQ(0u, entries.find("Equation>|Delete|")) << entries;
    ASSERT_EQ(3, equations->GetItemCount());
    EXPECT_EQ(kImageCondition, page->RowImage(2));
    script.ExpectPopupMenu(40005);
    ASSERT_TRUE(qv::ui::ClickListItem(inputs, 1, 0, qv::ui::Button::Right));
    EXPECT_EQ(3, inputs->GetItemCount());
    EXPECT_EQ("INPUT[3]", inputs->GetItemText(2, 0).str());
    // A selected row enables the row buttons of its list.
    ASSERT_TRUE(qv::ui::ClickListItem(inputs, 0));
    EXPECT_TRUE(Enabled(page, 2281));
    EXPECT_TRUE(Enabled(page, 2284));
    script.ExpectPopupMenu(40001);
    ASSERT_TRUE(qv::ui::ClickListItem(inputs, 0, 0, qv::ui::Button::Right));
    EXPECT_EQ(2, inputs->GetItemCount());
    EXPECT_EQ("INPUT[2]", inputs->GetItemText(0, 0).str());
    EXPECT_EQ(3, equations->GetItemCount());
}

// A right click acts on the row under the cursor, selected or not.
TEST_F(EquationPage, ContextMenuSelectsTheRowUnderTheCursor) {
    std::vector<ParamRow> rows = BlockRows();
    rows[1].deletable = TRUE;
    for (int row : {0, 1}) {
        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<CEquationBlockWizard4>(rows, &element));
        auto* inputs = List(wizard.Page(), 2278);
        CRect cell;
        ASSERT_TRUE(inputs->GetItemRect(row, &cell, LVIR_BOUNDS));
        qv::UserScript::Instance().ExpectPopupMenu(40001);
        ASSERT_TRUE(qv::ui::RightClick(inputs, cell.CenterPoint()));
        ASSERT_EQ(1, inputs->GetItemCount()) << row;
        EXPECT_EQ(row == 0 ? "INPUT[2]" : "INPUT[1]", inputs->GetItemText(0, 0).str());
    }
}

// The output template is known by its template bit alone.
TEST_F(EquationPage, OutputTemplateWithoutTheOutputBit) {
    std::vector<ParamRow> rows = BlockRows();
    for (ParamRow& row : rows)
        if (std::string(row.name) == "VAL") row.type = 0x2;
    OpenBlock(rows);
    ASSERT_TRUE(qv::ui::Click(open->Page(), 2299));
    auto* outputs = List(open->Page(), 2298);
    ASSERT_EQ(2, outputs->GetItemCount());
    EXPECT_EQ("VAL[2]", outputs->GetItemText(1, 0).str());
}

TEST_F(EquationPage, SampleTimeShownAndStored) {
    struct Case {
        const char* stored;
        const char* typed;  // typed by the user, or null
        const char* shown;
        const char* written;
    };
    const Case cases[] = {
        {"0", nullptr, "System", "0"},
        {"0.001", nullptr, "1m", "1m"},
        {"0", "2m", "2m", "2m"},
    };
    for (const Case& c : cases) {
        std::vector<ParamRow> rows = BlockRows();
        rows[6].value = c.stored;
        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<CEquationBlockWizard4>(rows, &element));
        CPropEquationBlock* page = wizard.Page();
        auto* combo = static_cast<CComboBox*>(page->GetDlgItem(2183));
        if (c.typed != nullptr) {
            ASSERT_TRUE(qv::ui::TypeText(combo, c.typed));
            ASSERT_TRUE(qv::ui::SetFocusTo(page->GetDlgItem(2001)));
        }
        CString shown;
        combo->GetWindowText(shown);
        EXPECT_EQ(c.shown, shown.str()) << c.stored;
        ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
        EXPECT_EQ(c.written, Named(editor->Holder(element), "TS")->GetValue().str()) << c.stored;
    }
}

// Ticking "Use Pin" on an input row fixes its value cell at once; unticking frees it again.
TEST_F(EquationPage, InputPinFixesTheValueCell) {
    OpenBlock();
    auto* inputs = List(open->Page(), 2278);
    ASSERT_TRUE(qv::ui::EditListCell(inputs, 0, 1, "1"));
    EXPECT_TRUE(Named(editor->Holder(element), "INPUT[1]")->HasPin());
    EXPECT_EQ(TB_EDIT_NONE, inputs->GetEditItemType(0, 2));
    EXPECT_FALSE(qv::ui::EditListCell(inputs, 0, 2, "x"));
    ASSERT_TRUE(qv::ui::EditListCell(inputs, 0, 1, "0"));
    EXPECT_FALSE(Named(editor->Holder(element), "INPUT[1]")->HasPin());
    EXPECT_EQ(TB_EDIT_TEXT, inputs->GetEditItemType(0, 2));
}

} // namespace
