// State graphs: the number limits of the pages, the pin bits of the IO state, the conversion of
// older action lists and the rerun of the action check when an action changes.
#include "equations_support.h"

#include "equations/state_graph.h"
#include "framework/factories.h"
#include "tests/support/edit_cycle_checks.h"
#include "tests/support/sandbox.h"

namespace {

using namespace equations_test;
using namespace qv::stategraph;

TEST(StateGraphNumbers, LimitedOnTheDoubleThenStepped) {
    struct Row {
        const char* text;
        int step, lo, hi, expected;
    } rows[] = {
        {"12", 0, 0, 9, 9},   {"-1", 0, 0, 9, 0},   {"9", 1, 0, 9, 9},   {"0", -1, 0, 9, 0},   {"3.7", 0, 0, 9, 3},
        {"5", 1, 0, 9, 6},    {"5", -1, 0, 9, 4},   {"12", -1, 0, 9, 9}, {"1e300", 0, 0, 9, 9}, {"-1e300", 1, 0, 9, 0},
        {"abc", 0, 0, 9, 0},  {"20", 0, 0, 15, 15}, {"-3", 0, 0, 15, 0}, {"1e300", 0, 0, 15, 15}, {"7k", 0, 0, 15, 15},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, LimitedWholeNumber(row.text, row.step, row.lo, row.hi)) << row.text << " " << row.step;
    // The active state is variant 1 of the symbol; any other byte (0 too) is not. An inactive
    // state has the variant of a newly placed one, so that a bare OK changes nothing.
    for (BYTE mask : {0, 1, 3, 4, 255}) EXPECT_FALSE(ActiveFromSymbolMask(mask)) << int(mask);
    EXPECT_TRUE(ActiveFromSymbolMask(2));
    EXPECT_EQ(0, SymbolMaskForActive(FALSE));
    EXPECT_EQ(2, SymbolMaskForActive(TRUE));
}

TEST(StateGraphPins, CountsSetTheOnPinBits) {
    const char* names[] = {"P[0]", "P[1]", "P[2]", "P[14]", "P[15]", "P[16]", "P[29]", "P[30]", "P"};
    std::vector<ParamRow> rows;
    for (const char* name : names) rows.push_back({.id = 2056, .name = name, .value = "", .type = 0x10});
    rows.push_back({.id = 2056, .name = "X", .value = "", .type = 0x8});
    struct Case {
        int nIn, nOut;
        const char* onPin;  // one letter per pin of `names`
        int inputsOnPin, outputsOnPin;
    } cases[] = {{2, 1, "110010011", 2, 2}, {0, 0, "000000011", 0, 1}, {15, 15, "111111111", 4, 4}, {3, 0, "111000011", 3, 1}};
    for (const Case& c : cases) {
        auto holder = MakeHolder(rows, "S1");
        ApplyPinCounts(holder.get(), c.nIn, c.nOut);
        std::string bits;
        for (size_t i = 0; i < std::size(names); ++i) bits += holder->GetParam(static_cast<int>(i))->HasPin() ? '1' : '0';
        EXPECT_EQ(c.onPin, bits) << c.nIn << "/" << c.nOut;
        EXPECT_FALSE(holder->GetParam(static_cast<int>(std::size(names)))->HasPin());
        int nIn = -1, nOut = -1;
        CountPins(holder.get(), &nIn, &nOut);
        EXPECT_EQ(c.inputsOnPin, nIn);
        EXPECT_EQ(c.outputsOnPin, nOut);
    }
}

// Actions of an older state: name = type, value = text; "OLD" is an output of before.
std::vector<ParamRow> OldState(std::vector<ParamRow> actions) {
    std::vector<ParamRow> rows = {
        {.id = 1000, .name = "SET", .value = "", .type = 0x6},
        {.id = 2056, .name = "VAR", .value = "", .type = 0xA, .description = "Variable %s"},
        {.id = 2056, .name = "OLD", .value = "", .type = 0x8, .deletable = TRUE},
        {.id = 2056, .name = "PIN[0]", .value = "", .type = 0x80000010, .deletable = TRUE},
    };
    rows.insert(rows.end(), actions.begin(), actions.end());
    return rows;
}

class StateGraph : public EquationsTest {
protected:
    template <class Wizard>
    std::unique_ptr<Wizard> New(const std::vector<ParamRow>& rows) {
        return Attached<Wizard>(MakeHolder<CWizardSchematicDataExchange3>(rows, "S1"), &element);
    }
    CWizardSchematicDataExchange3* Exchange() { return editor->Exchange(element); }
    // "name=value" of the live actions and the names of the live outputs, in set order.
    std::string Outcome() {
        std::string text;
        for (CWizardCopaObject3* p : Live(Exchange(), 1000))
            if ((p->GetType() & 0x2) == 0) text += p->GetName().str() + "=" + p->GetValue().str() + ";";
        text += "|";
        for (CWizardCopaObject3* p : Live(Exchange(), 2056))
            if ((p->GetType() & 0x2) == 0) text += p->GetName().str() + ";";
        return text;
    }
    std::string Requests() {
        std::string text;
        for (const auto& r : editor->Requests()) text += std::to_string(r.code) + (r.text.empty() ? "" : ":" + r.text) + ";";
        return text;
    }
    DWORD element = 0;
};

TEST_F(StateGraph, OlderActionListsAreConverted) {
    const std::vector<ParamRow> twoOnOne = {{.id = 1000, .name = "SET", .value = "X := 1", .deletable = TRUE},
                                            {.id = 1000, .name = "CALC", .value = "X := X + 1", .deletable = TRUE}};
    const std::vector<ParamRow> deleteNull = {{.id = 1000, .name = "DEL", .value = "Y ## null ", .deletable = TRUE}};
    const std::vector<ParamRow> failing = {{.id = 1000, .name = "SET", .value = "Z := 1", .deletable = TRUE},
                                           {.id = 1000, .name = "CALC", .value = "X := (", .deletable = TRUE}};
    const std::vector<ParamRow> skipped = {{.id = 1000, .name = "WAIT", .value = "W := 1", .deletable = TRUE},
                                           {.id = 1000, .name = "SET", .value = "", .deletable = TRUE},
                                           {.id = 1000, .name = "STEP", .value = "2*3", .deletable = TRUE}};
    struct Case {
        bool io;
        std::vector<ParamRow> actions;
        bool module;
        const char* outcome;
        const char* requests;
    } cases[] = {
        {false, twoOnOne, true, "SET=X := 1;CALC=X := X + 1;|PIN[0];X;", "0;"},
        {false, deleteNull, true, "DELRES=Y;|PIN[0];Y;", "0;"},
        {true, deleteNull, true, "DEL=Y ## null ;|PIN[0];Y;", "0;"},
        {false, twoOnOne, false, "SET=X := 1;CALC=X := X + 1;|OLD;PIN[0];", "8:Scan Dll not found!;"},
        {true, failing, true, "SET=Z := 1;CALC=X := (;|PIN[0];Z;", "8:Scan didn't finish correctly!;"},
        {false, skipped, true, "WAIT=W := 1;SET=;STEP=2*3;|PIN[0];", "0;"},
    };
    const std::string empty = qv_test::TempFolder() + "/no_module";
    for (const Case& c : cases) {
        qv::SetQuorvatixPath(c.module ? PARVEL_MODULE_DIR : empty.c_str());
        std::unique_ptr<CWizardBase3> wizard;
        if (c.io) wizard = New<CStateGraphIOWizard>(OldState(c.actions));
        else wizard = New<CStateGraphWizard>(OldState(c.actions));
        wizard->DoConversionFrom4x(Exchange());
        EXPECT_EQ(c.outcome, Outcome()) << c.io << " " << c.requests;
        EXPECT_EQ(c.requests, Requests()) << c.outcome;
        editor->ClearRequests();
    }
    // Without an output template nothing happens.
    auto plain = New<CStateGraphWizard>({{.id = 1000, .name = "SET", .value = "X := 1"}});
    EXPECT_TRUE(plain->DoConversionFrom4x(Exchange()));
    EXPECT_EQ("", Requests());
}

TEST_F(StateGraph, ActionChangesRerunTheCheck) {
    auto wizard = New<CStateGraphWizard>(OldState({{.id = 1000, .name = "SET", .value = "A := 1", .deletable = TRUE}}));
    CWizardCopaObject3* action = Live(Exchange(), 1000)[1];
    CWizardCopaObject3* output = Named(Exchange(), "OLD");
    struct Case {
        int changeType;
        CWizardCopaObject3* param;
        const char* outcome;
        const char* requests;
    } cases[] = {
        {2, action, "SET=A := 1;|OLD;PIN[0];", ""},
        {3, output, "SET=A := 1;|OLD;PIN[0];", ""},
        {3, nullptr, "SET=A := 1;|OLD;PIN[0];", ""},
        {3, action, "SET=A := 1;|PIN[0];A;", "0;"},
    };
    for (const Case& c : cases) {
        wizard->NotifyChanged(Exchange(), c.changeType, c.param);
        EXPECT_EQ(c.outcome, Outcome()) << c.changeType;
        EXPECT_EQ(c.requests, Requests()) << c.changeType;
    }
    EXPECT_TRUE(wizard->WantChangeNotification());
    CTransitionWizard transition;
    EXPECT_FALSE(transition.WantChangeNotification());
    // A check that cannot run or fails is told to the editor, and nothing is committed.
    const std::string empty = qv_test::TempFolder() + "/no_module";
    const struct {
        bool module;
        const char* value;
        const char* requests;
    } failures[] = {{false, "A := 1", "8:Scan Dll not found!;"}, {true, "A := (", "8:Scan didn't finish correctly!;"}};
    for (const auto& failure : failures) {
        qv::SetQuorvatixPath(failure.module ? PARVEL_MODULE_DIR : empty.c_str());
        auto failing = New<CStateGraphWizard>(OldState({{.id = 1000, .name = "SET", .value = failure.value, .deletable = TRUE}}));
        editor->ClearRequests();
        failing->NotifyChanged(Exchange(), 3, Live(Exchange(), 1000)[1]);
        EXPECT_EQ(failure.requests, Requests());
    }
}

// Every page of these wizards writes what the user entered and commits the data-exchange object
// with request code 0 and nothing else; a refused commit keeps the page modified. What a click
// changes at once is there before the commit.
TEST_F(StateGraph, PagesWriteAndCommitWithCodeZero) {
    const std::vector<ParamRow> transition = {{.id = 2188, .name = "PRIO", .value = "1"},
                                              {.id = 2223, .name = "COND", .value = "X > 0"}};
    std::vector<ParamRow> pinnedTransition = transition;
    for (ParamRow& row : pinnedTransition) row.type = 0x80000004;
    std::vector<ParamRow> state = OldState({{.id = 1000, .name = "SET", .value = "A := 1", .deletable = TRUE},
                                            {.id = 2505, .name = "VALID", .value = "0"}});
    std::vector<ParamRow> characteristic;
    for (WORD id : {2247, 2249, 2251, 2253}) characteristic.push_back({.id = id, .name = "P", .value = "1"});
    characteristic.push_back({.id = 2056, .name = "OUT", .value = "", .type = 0x8, .unit = "A"});
    // A value taken from a pin: its field is disabled, and it is written all the same.
    std::vector<ParamRow> pinned = characteristic;
    pinned[1].type = 0x80000004;
    using Edit = void (*)(CWnd* page);
    const Edit transitionEdit = [](CWnd* page) {
        page->SetDlgItemText(2188, "3");
        page->SetDlgItemText(2223, "Y < 1");
        EXPECT_TRUE(qv::ui::Click(page, 2224));
    };
    const Edit stateEdit = [](CWnd* page) {
        EXPECT_TRUE(qv::ui::Click(page, 2331));
        EXPECT_TRUE(qv::ui::EditListCell(page->GetDlgItem(2233), 0, 1, "B := 2"));
        page->SetDlgItemText(2227, "0");
    };
    const Edit characteristicEdit = [](CWnd* page) {
        for (int id : {2247, 2249, 2251, 2253}) page->SetDlgItemText(id, "5");
    };
    struct Case {
        int id;
        const std::vector<ParamRow>* rows;
        Edit edit;
        std::vector<int> clicks;
        const char* before;  // what the clicks changed before the apply
        const char* after;
    } cases[] = {
        {44, &transition, transitionEdit, {}, "mode 3 fields ee", "N prio 3 cond Y < 1 mode 3"},
        {44, &pinnedTransition, transitionEdit, {2224}, "mode 0 fields dd", "N prio 3 cond Y < 1 mode 0"},
        {45, &state, stateEdit, {}, "variant 0 word 0", "N variant 0 word 0 valid 1 SET=B := 2;|PIN[0];B; Variable B pins 1"},
        {45, &state, stateEdit, {2231}, "variant 0 word 1", "N variant 2 word 1 valid 1 SET=B := 2;|PIN[0];B; Variable B pins 1"},
        {46, &state, stateEdit, {2231}, "variant 0 word 1", "N variant 2 word 1 valid 1 SET=B := 2;|PIN[0];B; Variable B pins 0"},
        {72, &characteristic, characteristicEdit, {2056}, "output 1 Output Signal [A]", "N values 5 5 5 5"},
        {76, &characteristic, characteristicEdit, {}, "output 0 Output Signal [A]", "N values 5 5 5 5"},
        {77, &characteristic, characteristicEdit, {}, "output 0 Output Signal [A]", "N values 5 5 5 5"},
        {73, &pinned, characteristicEdit, {}, "output 0 Output Signal [A] pinned", "N values 5 5 5 5"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CWizardBase3> wizard(CreateWizardInstance(c.id));
        ASSERT_NE(nullptr, wizard) << c.id;
        element = editor->AddElement(MakeHolder<CWizardSchematicDataExchange3>(*c.rows, "E1"));
        editor->Attach(*wizard, element);
        CPropertySheet sheet("Element");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, Exchange(), 1));
        ASSERT_TRUE(sheet.Create());
        CPropertyPage* page = sheet.GetActivePage();
        auto state = [&](bool applied) {
            CWizardSchematicDataExchange3* exchange = Exchange();
            std::string text = applied ? exchange->m_strElementName.str() + " " : "";
            if (c.id == 44) {
                if (applied) text += "prio " + Named(exchange, "PRIO")->GetValue().str() + " cond " + Named(exchange, "COND")->GetValue().str() + " ";
                text += "mode " + std::to_string(Named(exchange, "COND")->GetOnSheetMode());
                if (!applied) text += std::string(" fields ") + (Enabled(page, 2188) ? "e" : "d") + (Enabled(page, 2223) ? "e" : "d");
                return text;
            }
            if (c.id < 72) {
                text += "variant " + std::to_string(exchange->m_bySymbolVariant) + " word " + std::to_string(exchange->m_wActiveState);
                if (applied)
                    text += " valid " + Named(exchange, "VALID")->GetValue().str() + " " + Outcome() + " " +
                            Named(exchange, "B")->GetDescriptionByLangID(kLanguageEnglish).str() + " pins " +
                            std::to_string(Named(exchange, "PIN[0]")->HasPin());
                return text;
            }
            if (applied) {
                text += "values";
                for (WORD id : {2247, 2249, 2251, 2253}) text += " " + Live(exchange, id)[0]->GetValue().str();
                return text;
            }
            BOOL on = FALSE;
            GetSDBOutput(exchange, 2056, &on);
            return "output " + std::to_string(on) + " " + Text(page, 2056) + (Enabled(page, 2249) ? "" : " pinned");
        };
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "N"));
        for (int id : c.clicks) EXPECT_TRUE(qv::ui::Click(page, id)) << c.id << " " << id;
        c.edit(page);
        EXPECT_EQ(c.before, state(false)) << c.id;
        editor->ClearRequests();
        editor->SetCommitAnswer(1);
        EXPECT_FALSE(qv::ui::Apply(&sheet)) << c.id;
        EXPECT_TRUE(page->IsPageModified()) << c.id;
        editor->SetCommitAnswer(0);
        EXPECT_TRUE(qv::ui::Apply(&sheet)) << c.id;
        EXPECT_FALSE(page->IsPageModified()) << c.id;
        EXPECT_EQ("0;0;", Requests()) << c.id;
        EXPECT_EQ(c.after, state(true)) << c.id;
        sheet.DestroyWindow();
        wizard->EndEditProperties();
    }
}

// The row commands by button and by menu command: the rows (type and value) and the live
// actions and outputs in set order after each step. A type change puts the new action at the
// old one's place, and one that still assigns keeps the row's output; Move down does nothing on
// the last row.
TEST_F(StateGraph, RowCommands) {
    std::vector<ParamRow> rows = OldState({{.id = 1000, .name = "SET", .value = "A := 1", .deletable = TRUE},
                                           {.id = 1000, .name = "SET", .value = "B := 2", .deletable = TRUE},
                                           {.id = 1000, .name = "SET", .value = "C := 3", .deletable = TRUE}});
    rows.insert(rows.begin() + 1, {.id = 1000, .name = "CALC", .value = "", .type = 0x6});
    auto wizard = New<CStateGraphWizard>(rows);
    OpenPage<CStateGraphWizard> open(*wizard, Exchange());
    CPropStateGraph* page = open.Page();
    CWnd* list = page->GetDlgItem(2233);
    struct Step {
        int select;
        int button;   // a button, or a menu command
        const char* typeOfRow0;  // a type chosen for row 0 ("" none)
        const char* outcome;
    } steps[] = {
        {0, 1126, "", "B A C|SET=B := 2;SET=A := 1;SET=C := 3;|PIN[0];A;B;C;"},
        {2, 1126, "", "B A C|SET=B := 2;SET=A := 1;SET=C := 3;|PIN[0];A;B;C;"},
        {2, 40004, "", "B C A|SET=B := 2;SET=C := 3;SET=A := 1;|PIN[0];A;B;C;"},
        {0, 40003, "CALC", "C B A|CALC=C := 3;SET=B := 2;SET=A := 1;|PIN[0];A;B;C;"},
        {2, 1125, "", "C A B|CALC=C := 3;SET=A := 1;SET=B := 2;|PIN[0];A;B;C;"},
        {1, 40001, "", "C B|CALC=C := 3;SET=B := 2;|PIN[0];B;C;"},
        {0, 1123, "", "B|SET=B := 2;|PIN[0];B;"},
        {-1, 40002, "", "||PIN[0];"},
    };
    for (const Step& step : steps) {
        if (step.select >= 0) {
            ASSERT_TRUE(qv::ui::ClickListItem(list, step.select));
        }
        if (step.button < 40000) {
            ASSERT_TRUE(qv::ui::Click(page, step.button)) << step.button;
        } else {
            page->SendMessage(WM_COMMAND, step.button, 0);
        }
        if (*step.typeOfRow0 != '\0') {
            ASSERT_TRUE(qv::ui::EditListCell(list, 0, 0, step.typeOfRow0));
        }
        ASSERT_TRUE(page->OnApply());
        std::string text;
        auto* actions = static_cast<CTBEditListCtrl*>(list);
        for (int row = 0; row < actions->GetItemCount(); ++row)
            text += (row ? " " : "") + actions->GetItemText(row, 1).Left(1).str();
        EXPECT_EQ(step.outcome, text + "|" + Outcome()) << step.button;
    }
}

// A row whose value is emptied lets its output go for good: moved, it shows no check box, and
// its Output cell switches nothing removed on; the next variable it assigns does not take over
// the state of an output it shared.
TEST_F(StateGraph, EmptiedRowKeepsNoOutputLink) {
    auto wizard = New<CStateGraphWizard>(OldState({{.id = 1000, .name = "SET", .value = "A := 1", .deletable = TRUE},
                                                   {.id = 1000, .name = "SET", .value = "X := 1", .deletable = TRUE},
                                                   {.id = 1000, .name = "SET", .value = "X := 2", .deletable = TRUE}}));
    OpenPage<CStateGraphWizard> open(*wizard, Exchange());
    auto* list = static_cast<CTBEditListCtrl*>(open.Page()->GetDlgItem(2233));
    auto outputOn = [&](const char* name) {
        BOOL on = FALSE;
        GetSDBOutputForParam(Exchange(), Named(Exchange(), name), &on);
        return on != FALSE;
    };
    for (int row : {0, 1}) ASSERT_TRUE(qv::ui::EditListCell(list, row, 3, "1"));
    for (int row : {0, 1}) ASSERT_TRUE(qv::ui::EditListCell(list, row, 1, ""));
    ASSERT_TRUE(qv::ui::ClickListItem(list, 0));
    ASSERT_TRUE(qv::ui::Click(open.Page(), 1126));
    EXPECT_NE(TB_EDIT_CHECK, list->GetEditItemType(1, 3));
    if (list->GetEditItemType(1, 3) == TB_EDIT_CHECK) qv::ui::EditListCell(list, 1, 3, "1");
    EXPECT_FALSE(outputOn("A"));
    ASSERT_TRUE(qv::ui::EditListCell(list, 0, 1, "Y := 5"));
    EXPECT_FALSE(outputOn("Y"));
    EXPECT_TRUE(outputOn("X"));
    ASSERT_TRUE(open.Page()->OnApply());
    EXPECT_EQ("SET=Y := 5;SET=;SET=X := 2;|PIN[0];X;Y;", Outcome());
}

// A second editing before the first one ended: the earlier sheet is left with no deleted page.
TEST_F(StateGraph, SecondEditingLeavesNoSheetWithADeletedPage) {
    auto wizard = New<CStateGraphWizard>(OldState({{.id = 1000, .name = "SET", .value = "A := 1", .deletable = TRUE}}));
    ExpectSecondEditLeavesNoDeletedPage(
        [&](CPropertySheet& sheet) { return wizard->DoEditProperties(sheet, Exchange(), 1); });
    wizard->EndEditProperties();
}

// The page of a state opens with the symbol of its state: the active one's variant shows the
// inner frame.
TEST_F(StateGraph, SymbolShowsTheStateAtOpening) {
    for (BYTE variant : {1, 2}) {
        auto wizard = New<CStateGraphWizard>(OldState({}));
        Exchange()->m_SymbolTexts.SetAt(kLanguageEnglish, "rect 10 25 90 75; [1] rect 15 30 85 70");
        Exchange()->m_bySymbolVariant = variant;
        OpenPage<CStateGraphWizard> open(*wizard, Exchange());
        open.Page()->Invalidate();
        open.Page()->UpdateWindow();
        const qv::DisplayList* painting = qv::GetLastPainting(open.Page());
        ASSERT_NE(nullptr, painting);
        size_t rects = 0;
        for (const auto& item : painting->items) rects += item.kind == qv::DrawKind::Rectangle ? 1 : 0;
        EXPECT_EQ(variant, rects);
    }
}

// Without the pre-compiler every showing of the page says so, and no action is checked (no
// output is made or removed).
TEST_F(StateGraph, MissingModuleIsToldAtEveryShowing) {
    const std::string empty = qv_test::TempFolder() + "/no_module";
    qv::SetQuorvatixPath(empty.c_str());
    auto wizard = New<CStateGraphWizard>(OldState({{.id = 1000, .name = "SET", .value = "A := 1", .deletable = TRUE}}));
    for (int showing = 0; showing < 2; ++showing) {
        qv::UserScript::Instance().ExpectMessageBox(IDOK, "Scan Dll not found!");
        CPropertySheet sheet("Element");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, Exchange(), 1));
        ASSERT_TRUE(sheet.Create());
        sheet.DestroyWindow();
        wizard->EndEditProperties();
    }
    EXPECT_EQ("SET=A := 1;|OLD;PIN[0];", Outcome());
}

} // namespace
