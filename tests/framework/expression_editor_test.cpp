// The expression editor and its function palette driven as a user drives them: typing,
// selecting, palette buttons, the condition menu with the template file's sections, help and
// the close message; the picture buttons' images; the shipped template file and resources.
#include "xytable_support.h"
#include "tests/support/painted_image.h"

#include "afx/dc.h"
#include "editor/schematic_editor.h"
#include "framework/expression_editor.h"
#include "framework/module.h"
#include "framework/placeholders.h"
#include "tests/formula/formula_support.h"
#include "wizard/wizard.h"
#include "win32/resource_script.h"

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace xytable_test;
namespace ui = qv::ui;

namespace {

const char* const kIfSection = "IF (condition) {\r\n\tvariable := expression\r\n}\r\n";
const char* const kElseIfSection = "ELSE IF (condition) {\r\n\tvariable := expression\r\n}\r\n";
const char* const kElseSection = "ELSE {\r\n\tvariable := expression\r\n}\r\n";

class ExpressionEditorTest : public ScriptedTest {
protected:
    // Runs the editor modally; the actions act in it as the user, then it ends with endCode.
    INT_PTR Run(CDlgExpressionEditor& dialog, std::function<void(CDlgExpressionEditor&)> actions,
                int endCode = IDCANCEL) {
        script().ExpectDialog(
            2606, [&](CDialog&) { actions(dialog); }, endCode);
        CResourceSwitch resources;
        return dialog.DoModal();
    }
    static CEdit& Edit(CDlgExpressionEditor& d) { return *static_cast<CEdit*>(d.GetDlgItem(2452)); }
    static std::string Text(CDlgExpressionEditor& d) {
        CString text;
        Edit(d).GetWindowText(text);
        return text.str();
    }
    static std::pair<int, int> Selection(CDlgExpressionEditor& d) {
        int start = 0, end = 0;
        Edit(d).GetSel(start, end);
        return {start, end};
    }
    // Opens the palette and presses one of its buttons.
    static void Press(CDlgExpressionEditor& d, int functionId) {
        ASSERT_TRUE(ui::Click(&d, 2466));
        ASSERT_NE(nullptr, d.GetPalette());
        ASSERT_TRUE(ui::Click(d.GetPalette(), functionId));
    }
    // Types the text into the empty expression and selects [start, end) as a mouse drag does.
    static void TypeAndSelect(CDlgExpressionEditor& d, const char* text, int start, int end) {
        ASSERT_TRUE(ui::SetFocusTo(&Edit(d)));
        Edit(d).SetWindowText("");
        ASSERT_TRUE(ui::TypeText(&Edit(d), text));
        Edit(d).SetSel(start, end);
    }
    static void ChooseSection(CDlgExpressionEditor& d, UINT command) {
        script().ExpectPopupMenu(command);
        ASSERT_TRUE(ui::Click(&d, 2465));
    }
};

TEST_F(ExpressionEditorTest, ConstructorsSetTheLayoutAndNoPalette) {
    CWizardBase4 wizard;
    CDlgExpressionEditor plain;
    CDlgExpressionEditor withWizard(&wizard);
    for (CDlgExpressionEditor* d : {&plain, &withWizard}) {
        EXPECT_EQ(2606u, d->GetTemplateID());
        EXPECT_EQ(nullptr, d->GetPalette());
        EXPECT_TRUE(d->GetExpression().IsEmpty());
        EXPECT_TRUE(d->GetErrorText().IsEmpty());
        const std::pair<WORD, WORD> layout[] = {{2452, 196}, {2457, 200}, {2454, 196}, {2455, 200}, {2465, 6},
                                                {2466, 6},   {2467, 6},   {1, 10},     {2, 10},     {9, 10}};
        for (const auto& [id, flags] : layout) EXPECT_EQ(flags, d->GetControlInfo(id)) << id;
    }
    EXPECT_EQ(nullptr, plain.GetWizard());
    EXPECT_EQ(&wizard, withWizard.GetWizard());

    CDlgMathFunctions palette(&plain);
    EXPECT_EQ(161u, palette.GetTemplateID());
    EXPECT_EQ(15, palette.GetControlInfo(3073));
    ASSERT_EQ(30u, std::size(kMathFunctionButtons));
    for (const MathFunctionButton& b : kMathFunctionButtons) EXPECT_EQ(48, palette.GetControlInfo(static_cast<WORD>(b.id)));
}

TEST_F(ExpressionEditorTest, PaletteInsertsAtTheCaretOrAroundTheSelection) {
    CDlgExpressionEditor dialog;
    dialog.SetExpression("start");
    Run(dialog, [&](CDlgExpressionEditor& d) {
        EXPECT_EQ("start", Text(d));
        // Each case types the text, selects [start, end) (with a caret point given, puts the
        // caret there as a proportional font places it) and presses the button.
        struct Case {
            const char* what;
            const char* text;
            int start, end;
            int button;
            const char* expected;
            std::pair<int, int> selection;  // (-1, -1): not checked
            int caretX = -1;
        };
        const Case cases[] = {
            // The call with two empty places follows the x; the caret stands behind it.
            {"caret after an x", "x", 1, 1, 1199, "x ATAN2 (  ,  ) ", {16, 16}},
            {"in the middle of the text", "ab", 1, 1, 1170, "a SIN (  ) b", {11, 11}},
            // The character is the one nearest to the point just right of the caret.
            {"caret between two boundaries", "ab", 1, 1, 1170, "ab SIN (  ) ", {-1, -1}, 8},
            {"on the second line", "y := 1\r\nz := ", 13, 13, 1183, "y := 1\r\nz :=  EXP (  ) ", {23, 23}},
            // A selection is wrapped: the first place holds it.
            {"a selection", "a+b", 0, 3, 1170, " SIN ( a+b ) ", {0, 0}},
            {"a selection, two places", "a+b", 0, 3, 1175, " MOD ( a+b ,  ) ", {-1, -1}},
            {"a selection inside", "2*a+b-1", 2, 5, 1177, "2* SQRT ( a+b ) -1", {2, 2}},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            TypeAndSelect(d, c.text, c.start, c.end);
            if (c.caretX >= 0) CWnd::SetCaretPos(CPoint(c.caretX, 0));
            Press(d, c.button);
            EXPECT_EQ(c.expected, Text(d));
            if (c.selection.first >= 0) {
                EXPECT_EQ(c.selection, Selection(d));
            }
        }
    }, IDOK);
    EXPECT_EQ(CString("2* SQRT ( a+b ) -1"), dialog.GetExpression());
}

TEST_F(ExpressionEditorTest, OnePaletteHowEverOftenItIsOpened) {
    CDlgExpressionEditor dialog;
    Run(dialog, [&](CDlgExpressionEditor& d) {
        ASSERT_TRUE(ui::Click(&d, 2466));
        CDlgMathFunctions* palette = d.GetPalette();
        ASSERT_NE(nullptr, palette);
        ASSERT_NE(nullptr, palette->GetSafeHwnd());
        EXPECT_TRUE(palette->GetStyle() & WS_VISIBLE);
        EXPECT_EQ(&d, palette->GetOwnerEditor());
        ASSERT_TRUE(ui::Click(&d, 2466));
        EXPECT_EQ(palette, d.GetPalette());
        // Closing the palette destroys its window only; the next press shows it again.
        ASSERT_TRUE(ui::CloseBox(palette));
        EXPECT_EQ(nullptr, palette->GetSafeHwnd());
        ASSERT_TRUE(ui::Click(&d, 2466));
        EXPECT_EQ(palette, d.GetPalette());
        EXPECT_NE(nullptr, palette->GetSafeHwnd());
        EXPECT_TRUE(palette->GetStyle() & WS_VISIBLE);
    });
}

TEST_F(ExpressionEditorTest, SectionsAreAppendedAtTheEndWhereverTheCaretIs) {
    CDlgExpressionEditor dialog;
    dialog.SetExpression("x := 1\r\n");
    Run(dialog, [&](CDlgExpressionEditor& d) {
        ASSERT_TRUE(ui::SetFocusTo(&Edit(d)));
        Edit(d).SetSel(0, 0);
        ChooseSection(d, 40019);
        EXPECT_EQ(std::string("x := 1\r\n") + kElseSection, Text(d));
        ChooseSection(d, 0);  // the menu dismissed
        EXPECT_EQ(std::string("x := 1\r\n") + kElseSection, Text(d));
    });
    const auto& shown = script().Shown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ("IF|ELSE IF|ELSE", shown.back().text);
    EXPECT_TRUE(shown.back().type & TPM_CENTERALIGN);
}

// The three sections in order, their blanks filled, are one IF block for the equation checks.
TEST_F(ExpressionEditorTest, TheThreeSectionsFormOneIfBlock) {
    CDlgExpressionEditor dialog;
    std::string text;
    Run(dialog, [&](CDlgExpressionEditor& d) {
        ChooseSection(d, 40017);
        ChooseSection(d, 40018);
        ChooseSection(d, 40019);
        text = Text(d);
    });
    ASSERT_EQ(std::string(kIfSection) + kElseIfSection + kElseSection, text);
    const std::pair<const char*, const char*> blanks[] = {
        {"condition", "a > 0"}, {"condition", "a < 0"}, {"variable", "y"}, {"expression", "1"},
        {"variable", "y"},      {"expression", "2"},   {"variable", "y"}, {"expression", "3"}};
    for (const auto& [blank, value] : blanks) {
        const size_t at = text.find(blank);
        ASSERT_NE(std::string::npos, at) << blank;
        text.replace(at, std::strlen(blank), value);
    }
    formula_test::Modules m;
    ASSERT_NE(nullptr, m.block2upn);
    CMod model(eModTypeBlock, 0);
    int kind = 0;
    CStringArray names;
    CPtrArray errors;
    EXPECT_EQ(0, m.block2upn(text.c_str(), model.AddFormel(), &kind, &names, &errors)) << text;
    EXPECT_EQ(2, kind);
    ASSERT_EQ(1, names.GetSize());
    EXPECT_EQ(CString("y"), names[0]);
    qv::formula::FreeScanErrors(errors);
}

// With a template file that lacks the section, choosing it changes nothing. The plug-in's
// template path is switched to the test program's own for the while.
TEST_F(ExpressionEditorTest, AMissingSectionChangesNothing) {
    char self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    const std::filesystem::path path(static_cast<const char*>(TemplatePathForModule(self)));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << "[IF]\nIF (c) {\n}\n";
    const HINSTANCE plugin = g_hModule;
    g_hModule = nullptr;
    CDlgExpressionEditor dialog;
    dialog.SetExpression("x := 1");
    Run(dialog, [&](CDlgExpressionEditor& d) {
        ChooseSection(d, 40019);
        ChooseSection(d, 40018);
        EXPECT_EQ("x := 1", Text(d));
        ChooseSection(d, 40017);
        EXPECT_EQ("x := 1IF (c) {\r\n}\r\n", Text(d));
    });
    g_hModule = plugin;
    std::filesystem::remove(path);
}

TEST_F(ExpressionEditorTest, HelpAsksTheEditorOnceOnlyWithAReceiver) {
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string& what) { ADD_FAILURE() << what; });
    const DWORD element = editor.AddElement(std::make_unique<ParamHolder>());
    CWizardBase4 wizard;
    editor.Attach(wizard, element);
    CDlgExpressionEditor withWizard(&wizard);
    Run(withWizard, [&](CDlgExpressionEditor& d) { ASSERT_TRUE(ui::Click(&d, IDHELP)); });
    ASSERT_EQ(1u, editor.CountRequests(11));
    EXPECT_EQ(element, editor.Requests().back().element);

    CWizardBase4 unattached;
    CDlgExpressionEditor withoutReceiver(&unattached);
    Run(withoutReceiver, [&](CDlgExpressionEditor& d) { ASSERT_TRUE(ui::Click(&d, IDHELP)); });
    CDlgExpressionEditor plain;
    Run(plain, [&](CDlgExpressionEditor& d) { ASSERT_TRUE(ui::Click(&d, IDHELP)); });
    EXPECT_EQ(1u, editor.CountRequests(11));
}

TEST_F(ExpressionEditorTest, TheCloseMessageEndsTheEditorAsCancel) {
    CDlgExpressionEditor dialog;
    dialog.SetExpression("a");
    LRESULT answer = -1;
    const INT_PTR result = Run(
        dialog,
        [&](CDlgExpressionEditor& d) {
            ASSERT_TRUE(ui::TypeText(&Edit(d), "b"));
            answer = d.SendMessage(kCloseExpressionEditorMessage, 0, 0);
        },
        0);
    EXPECT_EQ(0, answer);
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(CString("a"), dialog.GetExpression());
}

TEST_F(ExpressionEditorTest, PictureButtonsDrawTheirImageForTheirState) {
    CDlgExpressionEditor dialog;
    Run(dialog, [&](CDlgExpressionEditor& d) {
        auto imageOf = [&](int id) { return qv_test::PaintedImage(d.GetDlgItem(id)); };
        EXPECT_EQ(std::make_pair(2905, 0), imageOf(2465));
        EXPECT_EQ(std::make_pair(2905, 1), imageOf(2466));
        d.GetDlgItem(2466)->SendMessage(BM_SETSTATE, TRUE, 0);
        EXPECT_EQ(std::make_pair(2905, 4), imageOf(2466)) << "pressed: the second row";
        d.GetDlgItem(2466)->SendMessage(BM_SETSTATE, FALSE, 0);
        d.GetDlgItem(2467)->EnableWindow(FALSE);
        EXPECT_EQ(std::make_pair(2905, 8), imageOf(2467)) << "disabled: the third row";
    });
}

// Every palette function, its places filled, is an expression the pre-compiler takes
// ("X^Y" names the power operator and is no call).
TEST_F(ExpressionEditorTest, EveryPaletteCallWithItsPlacesFilledIsAFormula) {
    CDlgExpressionEditor dialog;
    std::vector<std::string> calls;
    Run(dialog, [&](CDlgExpressionEditor& d) {
        for (const MathFunctionButton& b : kMathFunctionButtons) {
            TypeAndSelect(d, "", 0, 0);
            Press(d, b.id);
            calls.push_back(Text(d));
        }
    });
    formula_test::Modules m;
    ASSERT_NE(nullptr, m.fml2upn);
    ASSERT_EQ(30u, calls.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        std::string text = calls[i];
        const MathFunctionButton& b = kMathFunctionButtons[i];
        EXPECT_EQ(std::string(b.name) + (b.twoPlaces ? " (  ,  ) " : " (  ) "), text);
        if (b.id == 1174) continue;
        text.replace(text.find("(  "), 3, "( 1 ");
        if (b.twoPlaces) text.replace(text.find(",  "), 3, ", 2 ");
        CMod model(eModTypeBlock, 0);
        EXPECT_EQ(0, m.fml2upn(text.c_str(), model.AddFormel(), nullptr)) << text;
    }
}

// The shipped template file: the three sections, none of whose lines holds "[" or is longer
// than the section reader's 99 characters; the build puts it beside the plug-in.
TEST(ExpressionEditorFiles, TemplateFileShipsItsSections) {
    std::ifstream in(PARVEL_SOURCE_DIR "/resources/Template/Parvel.skl", std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    bool inSection = false;
    std::istringstream lines(text);
    std::string line;
    int keys = 0;
    while (std::getline(lines, line)) {
        if (line == "[IF]" || line == "[ELSE_IF]" || line == "[ELSE]") {
            inSection = true;
            ++keys;
            continue;
        }
        if (!inSection) continue;
        EXPECT_EQ(std::string::npos, line.find('[')) << line;
        EXPECT_LE(line.size(), 99u) << line;
    }
    EXPECT_EQ(3, keys);
    EXPECT_EQ(CString(kIfSection), ExtractTemplateSection(text.data(), text.size(), "[IF]"));
    EXPECT_EQ(CString(kElseIfSection), ExtractTemplateSection(text.data(), text.size(), "[ELSE_IF]"));
    EXPECT_EQ(CString(kElseSection), ExtractTemplateSection(text.data(), text.size(), "[ELSE]"));

    std::ifstream copied(PARVEL_MODULE_DIR "/Template/Parvel.skl", std::ios::binary);
    std::stringstream copy;
    copy << copied.rdbuf();
    EXPECT_EQ(text, copy.str());
}

TEST(ExpressionEditorFiles, ResourcesOfTheEditorAndThePalette) {
    std::ifstream in(PARVEL_SOURCE_DIR "/resources/parvel.rc", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const qv::ResourceScript script = qv::ParseResourceScript(text.str(), PARVEL_SOURCE_DIR "/resources/bitmaps");
    const qv::RcDialog& editor = script.dialogs.at(2606);
    EXPECT_EQ("Expression Editor", editor.caption);
    EXPECT_EQ(308, editor.cx);
    EXPECT_EQ(215, editor.cy);
    const std::pair<int, const char*> editorTexts[] = {{2454, "Expressions"}, {2455, "Error Messages"},
                                                       {2465, "PARAMIF"},     {2466, "PARAMFX"},
                                                       {2467, "PARAMCHECKED"}, {1, "&Ok"},
                                                       {2, "&Cancel"},        {9, "&Help"}};
    for (const auto& [id, caption] : editorTexts) {
        ASSERT_NE(nullptr, editor.FindControl(id)) << id;
        EXPECT_EQ(caption, editor.FindControl(id)->text) << id;
    }
    for (int id : {2465, 2466, 2467}) EXPECT_EQ(0xBu, editor.FindControl(id)->style & 0xF) << id;  // owner-drawn
    for (int id : {2452, 2457}) EXPECT_TRUE(editor.FindControl(id)->style & ES_MULTILINE) << id;

    const qv::RcDialog& palette = script.dialogs.at(161);
    EXPECT_EQ("Standard Mathematical Functions", palette.caption);
    EXPECT_EQ(117, palette.cx);
    EXPECT_EQ(192, palette.cy);
    ASSERT_NE(nullptr, palette.FindControl(3073));
    for (const MathFunctionButton& b : kMathFunctionButtons) {
        ASSERT_NE(nullptr, palette.FindControl(b.id)) << b.id;
        std::string label = b.name + 1;  // the inserted name without its blank
        if (b.id == 1174) label = "x^y";
        EXPECT_EQ(label, palette.FindControl(b.id)->text) << b.id;
    }

    const qv::RcMenuItem& conditions = script.menus.at(2606).items.at(0);
    ASSERT_EQ(3u, conditions.children.size());
    EXPECT_EQ(40017, conditions.children[0].id);
    EXPECT_EQ("IF", conditions.children[0].text);
    EXPECT_EQ(40019, conditions.children[2].id);
    EXPECT_EQ("ELSE", conditions.children[2].text);
    EXPECT_EQ(9 * 16, script.bitmaps.at(2905).width);
    EXPECT_EQ(16, script.bitmaps.at(2905).height);
}

} // namespace
