// The initial-values and equation elements: model texts, archive bytes, the 4.x conversion,
// older data blocks, the page driven as a user drives it, and the host's edit sessions.
#include "equations_support.h"

#include "afx/file.h"
#include "equations/expression_elements.h"
#include "tests/support/edit_cycle_checks.h"
#include "tests/support/host_run.h"

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

using namespace equations_test;
using namespace qv::equations;

namespace {

using ExpressionElements = EquationsTest;

std::vector<ParamRow> InitialRows(std::vector<ParamRow> rows) {
    rows.insert(rows.begin(), {.id = 2132, .name = "IVA", .value = "", .type = 0x6, .description = "Initial"});
    rows.push_back({.id = 2056, .name = "VAR", .value = "0", .type = 0xA, .description = "Variable"});
    return rows;
}

std::vector<ParamRow> EquationRows(std::vector<ParamRow> rows) {
    rows.insert(rows.begin(), {{.id = 2751, .name = "FA", .value = "", .type = 0x6},
                               {.id = 2752, .name = "FB", .value = "", .type = 0x6},
                               {.id = 2753, .name = "FC", .value = "", .type = 0x6}});
    rows.push_back({.id = 2056, .name = "VAR", .value = "0", .type = 0xA});
    return rows;
}

TEST_F(ExpressionElements, ModelTexts) {
    struct Case {
        const char* what;
        bool equation;
        std::vector<ParamRow> rows;
        BOOL convert;
        const char* model;
        const char* expected;
    };
    const char* block = "@EXPRESSLIST; @ADDINFO";
    const std::vector<Case> cases = {
        {"80 with expressions", false, {{2132, "a", "x:=1"}, {2132, "b", "y:=2"}}, FALSE, "IV { @EXPRESSLIST; }",
         "IV { x:=1 ;\n\ty:=2 ; }"},
        {"80 without", false, {}, FALSE, "IV { @EXPRESSLIST; } @PARAMLIST", "IV {  } "},
        {"80 converting", false, {{2132, "x", "5"}, {2132, "y", "z:=1"}}, TRUE, "@EXPRESSLIST;|@PARAMLIST",
         "x := 5 ;\n\tz:=1 ;|x := 5 ;\n\tz:=1 "},
        {"81 A and C", true, {{2751, "a", "x:=1"}, {2753, "c", "y:=x"}}, FALSE, block,
         "x:=1 ; \ny:=x ; DST: SIM(Type:=SSGM, Sequ:=POST );"},
        {"81 A and B", true, {{2751, "a", "x:=1"}, {2752, "b", "y:=x"}}, FALSE, block,
         "x:=1 ; \ny:=x ; DST: SIM(Type:=SSGM, Sequ:=PRE );"},
        {"81 C alone", true, {{2753, "c", "y:=x"}}, FALSE, block, "y:=x ; DST: SIM(Type:=SSGM, Sequ:=POST );"},
        {"81 B with @,", true, {{2752, "b", "p:=1@,"}, {2752, "q", "r:=2"}}, FALSE, block,
         "p:=1;\n\t ;\n\tr:=2 ; DST: SIM(Type:=SSGM, Sequ:=PRE );"},
        {"81 none", true, {}, FALSE, block, " "},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        CString text = c.model;
        if (c.equation) {
            auto wizard = NewWizard<CEquationWizard4>(EquationRows(c.rows), &element);
            wizard->SetSettings(FALSE, c.convert);
            EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "IMMANENT", text));
        } else {
            auto wizard = NewWizard<CInitialValuesWizard4>(InitialRows(c.rows), &element);
            wizard->SetSettings(FALSE, c.convert);
            EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "IMMANENT", text));
        }
        EXPECT_EQ(c.expected, text.str()) << c.what;
    }
}

// Archive: WORD 0, show errors, convert flag, converted; loading another schema keeps all.
// Older blocks: each sets what the wizard held before it to something else, or keeps it where
// the block cannot say it.
TEST_F(ExpressionElements, ArchiveBytesAndOlderBlocks) {
    CInitialValuesWizard4 initial;
    initial.SetSettings(TRUE, FALSE);
    EXPECT_EQ((Bytes{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), StoredBlock(initial));
    CEquationWizard4 equation;
    equation.SetSettings(FALSE, TRUE);
    EXPECT_EQ((Bytes{0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}), StoredBlock(equation));
    Bytes other{1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    CMemFile in(other.data(), static_cast<UINT>(other.size()));
    CArchive load(&in, CArchive::load);
    equation.Serialize(load, eSheetVersion4);
    EXPECT_FALSE(equation.GetShowErrors());
    EXPECT_TRUE(equation.GetConvertFlag());
    EXPECT_FALSE(equation.GetConverted());

    auto block = [](DWORD n, DWORD m, Bytes state) {
        Bytes out = Dwords({7, 8, n});
        out.resize(out.size() + n);
        Dword(out, m);
        Append(out, state);
        return out;
    };
    struct Case {
        const char* what;
        std::optional<Bytes> data;
        BOOL heldShow, heldConvert;  // what the wizard holds before
        BOOL show, convert;
    };
    const std::vector<Case> cases = {
        {"null block", std::nullopt, TRUE, FALSE, TRUE, TRUE},
        {"8 bytes", Dwords({7, 8}), TRUE, TRUE, TRUE, FALSE},
        {"m past the end", block(0, 400, {10, 0, 0, 0, 0, 0, 0, 0}), TRUE, TRUE, TRUE, FALSE},
        {"state of version 7", block(2, 8, {7, 0, 0, 0, 0, 0, 0, 0}), TRUE, TRUE, TRUE, FALSE},
        {"state of version 10", block(0, 8, {10, 0, 0, 0, 1, 0, 0, 0}), FALSE, TRUE, TRUE, FALSE},
        {"cut state", block(0, 6, {10, 0, 0, 0, 0, 0}), TRUE, TRUE, TRUE, FALSE},
    };
    for (const Case& c : cases) {
        DWORD element = 0;
        auto wizard = NewWizard<CEquationWizard4>(EquationRows({}), &element);
        wizard->SetSettings(c.heldShow, c.heldConvert);
        wizard->DoConvertWizard3Data(c.data ? c.data->data() : nullptr, c.data ? static_cast<long>(c.data->size()) : 0);
        EXPECT_EQ(c.show, wizard->GetShowErrors()) << c.what;
        EXPECT_EQ(c.convert, wizard->GetConvertFlag()) << c.what;
        EXPECT_TRUE(wizard->GetConverted()) << c.what;
    }
}

// 4.x sets: the collected expressions get the template link, lose ExtType 0x40004 and move
// their OnSheetMode; other expressions stay.
TEST_F(ExpressionElements, ConversionFrom4x) {
    struct Case {
        bool equation;
        WORD id;
        char mode, expectedMode;
        bool collected;
    };
    const Case cases[] = {{false, 2132, 1, 2, true}, {false, 2132, 5, 7, true}, {false, 2132, 3, 3, true},
                          {true, 2752, 2, 3, true},  {true, 2752, 4, 3, true},  {true, 2753, 6, 3, true},
                          {true, 2752, 5, 8, true},  {true, 2753, 7, 8, true},  {true, 2753, 8, 8, true},
                          {true, 2752, 1, 1, true},  {true, 2751, 2, 2, false}};
    for (const Case& c : cases) {
        DWORD element = 0;
        std::vector<ParamRow> one = {{c.id, "x", "1"}};
        std::unique_ptr<CEquationWizardBase4> wizard;
        if (c.equation) wizard = NewWizard<CEquationWizard4>(EquationRows(one), &element);
        else wizard = NewWizard<CInitialValuesWizard4>(InitialRows(one), &element);
        CWizardCopaObject3 editorObject;
        Live(editor->Holder(element), c.equation ? 2751 : 2132)[0]->SetCopaObject(&editorObject);
        CWizardCopaObject3* x = Named(editor->Holder(element), "x");
        x->SetOnSheetMode(c.mode);
        x->SetExtType(0x40005);
        EXPECT_TRUE(wizard->DoConversionFrom4x());
        EXPECT_EQ(c.expectedMode, x->GetOnSheetMode()) << c.id << "/" << int(c.mode);
        EXPECT_EQ(c.collected ? 0x1u : 0x40005u, x->GetExtType()) << c.id;
        EXPECT_EQ(c.collected ? &editorObject : nullptr, x->GetTemplateObject()) << c.id;
        EXPECT_TRUE(wizard->GetConvertFlag() && wizard->GetConverted());
        EXPECT_EQ(1u, editor->CountRequests(25));
        editor->ClearRequests();
    }
}

// Initialize(1) rewrites the older form once, on a new parameter made from the template (the
// old one goes); a clone knows it is done; a change of another value ID sends no commit.
TEST_F(ExpressionElements, InitializeAndNotifications) {
    DWORD element = 0;
    std::vector<ParamRow> rows = {{.id = 2132, .name = "x", .value = "5", .deletable = TRUE},
                                  {.id = 2183, .name = "TS", .value = "0"}};
    auto wizard = NewWizard<CInitialValuesWizard4>(InitialRows(rows), &element);
    ParamHolder* holder = editor->Holder(element);
    EXPECT_TRUE(wizard->Initialize(1));
    EXPECT_EQ((std::vector<std::string>{"IVA", "IVA"}), Names(Live(holder, 2132)));
    EXPECT_EQ((std::vector<std::string>{"", "x:=5"}), Values(Live(holder, 2132)));
    EXPECT_EQ((std::vector<std::string>{"VAR", "x"}), Names(Live(holder, 2056)));
    EXPECT_FALSE(wizard->GetConvertFlag());
    std::unique_ptr<CWizardBase4> clone(wizard->Clone());
    EXPECT_TRUE(static_cast<CEquationWizardBase4&>(*clone).GetConverted());
    editor->ClearRequests();
    EXPECT_TRUE(wizard->Initialize(1));
    EXPECT_TRUE(editor->Requests().empty());
    wizard->NotifyChanged(3, Named(holder, "TS"));
    EXPECT_EQ(0u, editor->CountRequests(25));
    wizard->NotifyChanged(3, Live(holder, 2132)[0]);
    EXPECT_EQ(2u, editor->CountRequests(25));
}

// A variable is made once for its name, linked again when the row is checked again, and
// released when the row defines another name.
TEST_F(ExpressionElements, VariablesOfTheRows) {
    DWORD element = 0;
    auto wizard = NewWizard<CEquationWizard4>(EquationRows({{.id = 2751, .name = "a", .value = "", .deletable = TRUE}}),
                                              &element);
    OpenPage<CEquationWizard4> open(*wizard);
    ParamHolder* holder = editor->Holder(element);
    auto* list = static_cast<CTBEditListCtrl*>(open.Page()->GetDlgItem(2132));
    const char* steps[][2] = {{"X := 1", "VAR X"}, {"X := 2", "VAR X"}, {"Y := 1", "VAR Y"}};
    for (const auto& step : steps) {
        ASSERT_TRUE(qv::ui::EditListCell(list, 0, 0, step[0]));
        std::string names;
        for (const std::string& name : Names(Live(holder, 2056))) names += (names.empty() ? "" : " ") + name;
        EXPECT_EQ(step[1], names) << step[0];
        EXPECT_EQ(TB_EDIT_CHECK, list->GetEditItemType(0, 3)) << step[0];
    }
}

// Each variable a row defines is described by the variables' template in every language the
// template has, its "%s" filled with the variable's name (not its value, nor left as it is).
TEST_F(ExpressionElements, VariablesAreDescribedWithTheirNames) {
    constexpr WORD kGerman = 0x407;
    for (const bool equation : {false, true}) {
        SCOPED_TRACE(equation ? "81" : "80");
        DWORD element = 0;
        const ParamRow row = {.id = equation ? WORD(2751) : WORD(2132), .name = "a", .value = "", .deletable = TRUE};
        std::vector<ParamRow> rows = equation ? EquationRows({row}) : InitialRows({row});
        rows.back().description = "Variable %s";
        std::unique_ptr<CEquationWizardBase4> wizard;
        if (equation) wizard = NewWizard<CEquationWizard4>(rows, &element);
        else wizard = NewWizard<CInitialValuesWizard4>(rows, &element);
        ParamHolder* holder = editor->Holder(element);
        Named(holder, "VAR")->SetDescriptionByLangID(kGerman, "Variable %s (Wert)");
        OpenPage<CEquationWizardBase4> open(*wizard);
        auto* list = static_cast<CTBEditListCtrl*>(open.Sheet().GetActivePage()->GetDlgItem(2132));
        ASSERT_TRUE(qv::ui::EditListCell(list, 0, 0, "X := 1"));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        const CWizardCopaObject3* x = Named(holder, "X");
        ASSERT_NE(nullptr, x);
        EXPECT_EQ("Variable X", x->GetDescriptionByLangID(kLanguageEnglish).str());
        EXPECT_EQ("Variable X (Wert)", x->GetDescriptionByLangID(kGerman).str());
    }
}

// The row buttons: each step's rows (expression cell and sequence), set order of the
// expressions and the variables left.
TEST_F(ExpressionElements, RowButtons) {
    DWORD element = 0;
    auto wizard = NewWizard<CEquationWizard4>(
        EquationRows({{.id = 2751, .name = "a", .value = "x:=1", .deletable = TRUE},
                      {.id = 2752, .name = "b", .value = "y:=2", .deletable = TRUE}}),
        &element);
    OpenPage<CEquationWizard4> open(*wizard);
    CWnd* page = open.Page();
    auto* list = static_cast<CTBEditListCtrl*>(page->GetDlgItem(2132));
    ParamHolder* holder = editor->Holder(element);
    struct Step {
        int select, button;
        const char* rows;
        const char* values;
        const char* variables;
    };
    const Step steps[] = {
        {-1, 1122, "x:=1/Before Analog Solver y:=2/Before State Graph /Before Analog Solver", "x:=1 y:=2  ", "VAR x y"},
        {0, 1126, "y:=2/Before State Graph x:=1/Before Analog Solver /Before Analog Solver", "y:=2 x:=1  ", "VAR x y"},
        {1, 1123, "y:=2/Before State Graph /Before Analog Solver", "y:=2  ", "VAR y"},
        {-1, 1124, "", "", "VAR"},
    };
    for (const Step& step : steps) {
        if (step.select >= 0) {
            ASSERT_TRUE(qv::ui::ClickListItem(list, step.select));
        }
        ASSERT_TRUE(qv::ui::Click(page, step.button)) << step.button;
        std::string rows, values, variables;
        for (int row = 0; row < list->GetItemCount(); ++row)
            rows += (row ? " " : "") + list->GetItemText(row, 0).str() + "/" + list->GetItemText(row, 1).str();
        for (int i = 0; i < holder->GetParamCount(); ++i) {
            const CWizardCopaObject3* p = holder->GetParam(i);
            if (!p->IsDeleted() && !(p->GetType() & 0x2) && p->GetValueID() > 2750) values += p->GetValue().str() + " ";
        }
        for (const std::string& name : Names(Live(holder, 2056))) variables += (variables.empty() ? "" : " ") + name;
        EXPECT_EQ(step.rows, rows) << step.button;
        EXPECT_EQ(step.values, values) << step.button;
        EXPECT_EQ(step.variables, variables) << step.button;
    }
    EXPECT_FALSE(Enabled(page, 1124));
}

// Expressions of the other element found in the set join the page: the equation element
// rewrites them into its first group, the initial-values element shows them as rows without a
// record, whose parameters apply leaves as they are.
TEST_F(ExpressionElements, ForeignExpressionsAreAdopted) {
    DWORD element = 0;
    auto equation = NewWizard<CEquationWizard4>(EquationRows({{2132, "x", "5"}}), &element);
    {
        OpenPage<CEquationWizard4> open(*equation);
        auto* list = static_cast<CTBEditListCtrl*>(open.Page()->GetDlgItem(2132));
        EXPECT_EQ("x:=5", list->GetItemText(0, 0).str());
        EXPECT_EQ("Before Analog Solver", list->GetItemText(0, 1).str());
        EXPECT_EQ((std::vector<std::string>{"", "x:=5"}), Values(Live(editor->Holder(element), 2751)));
    }
    WizardOnSheet initial(NewWizard<CInitialValuesWizard4>(InitialRows({{2751, "a", "y:=1"}}), &element));
    auto* list = static_cast<CTBEditListCtrl*>(initial.Page()->GetDlgItem(2132));
    EXPECT_EQ("a y:=1", list->GetItemText(0, 0).str());
    EXPECT_EQ(nullptr, initial.Page()->RowData(0));
    EXPECT_TRUE(initial.Page()->OnApply());
    CWizardCopaObject3* a = Named(editor->Holder(element), "a");
    EXPECT_EQ(2132, a->GetValueID());
    EXPECT_EQ("y:=1", a->GetValue().str());
}

// Without the pre-compiler the page says so once and cannot be left; the variables stay, as no
// row could say what it defines.
TEST_F(ExpressionElements, MissingModuleKeepsTheUserOnThePage) {
    const std::filesystem::path empty = std::filesystem::temp_directory_path() / "no_module";
    std::filesystem::create_directories(empty);
    qv::SetQuorvatixPath(empty.string().c_str());
    DWORD element = 0;
    auto wizard = NewWizard<CEquationWizard4>(
        EquationRows({{2751, "a", "x:=1"}, {.id = 2056, .name = "x", .value = "", .type = 0x8, .deletable = TRUE}}),
        &element);
    qv::UserScript::Instance().ExpectMessageBox(IDOK, "Scan Dll not found!");
    OpenPage<CEquationWizard4> open(*wizard);
    EXPECT_FALSE(open.Page()->OnKillActive());
    EXPECT_EQ((std::vector<std::string>{"x", "VAR"}), Names(Live(editor->Holder(element), 2056)));
}

// A second editing before the first one ended: the earlier sheet is left with no deleted page.
TEST_F(ExpressionElements, SecondEditingLeavesNoSheetWithADeletedPage) {
    DWORD element = 0;
    auto wizard = NewWizard<CEquationWizard4>(EquationRows({{2751, "a", "x:=1"}}), &element);
    ExpectSecondEditLeavesNoDeletedPage([&](CPropertySheet& sheet) { return wizard->DoEditProperties(sheet, 1); });
    wizard->EndEditProperties();
}

int RunHost(const std::string& args, std::string* output) { return qv_test::RunHost(args, "expressions.ini", output); }

// The page through the host's edit sessions: what the element describes afterwards.
TEST(ExpressionElementsHost, EditSessionsAndDescriptions) {
    struct Case {
        const char* what;
        const char* element;
        const char* script;
        const char* expected;
    };
    const Case cases[] = {
        {"output of y on", R"("id": 80, "name": "I", "parameters": {"IVA[1]": "y := 2"})",
         R"("cell 2132 0 2 \"\"", "ok")", "INITVAL I { y := 2 ; };\nSDB ( I.y );\n"},
        {"output of y switched off again", R"("id": 80, "name": "I", "parameters": {"IVA[1]": "y := 2"})",
         R"("cell 2132 0 2 \"\"", "apply", "cell 2132 0 2 \"\"", "ok")", "INITVAL I { y := 2 ; };\n"},
        {"after the state graph", R"("id": 81, "name": "F", "parameters": {"FA[1]": "y := 1"})",
         R"("cell 2132 0 1 \"After State Graph\"", "ok")", "FORMULA F { y := 1 ; DST: SIM(Type:=SSGM, Sequ:=POST ); };\n"},
    };
    for (const Case& c : cases) {
        const std::string schematic = qv_test::TempFolder() + "/expressions.json";
        std::ofstream(schematic) << R"({"document": "E", "elements": [{)" << c.element << R"(, "script": [)" << c.script
                                 << "]}]}";
        std::string output;
        const std::string desc = qv_test::TempFolder() + "/expressions.desc";
        ASSERT_EQ(0, RunHost("describe '" + schematic + "' -o '" + desc + "'", &output)) << c.what << output;
        std::ifstream in(desc);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(c.expected, text.str()) << c.what;
        // The rows and variables the page made travel through the archive and the printed
        // schematic, a row moved to another calculation sequence too.
        const std::string base = qv_test::TempFolder() + "/expressions";
        ASSERT_EQ(0, RunHost("save '" + schematic + "' -o '" + base + ".qva'", &output)) << c.what << output;
        // The printed schematic goes to its own file; a failed load shows in the describe after it.
        RunHost("load '" + base + ".qva' >'" + base + "_loaded.json' 2>/dev/null;", &output);
        ASSERT_EQ(0, RunHost("describe '" + base + "_loaded.json' -o '" + base + "2.desc'", &output)) << c.what << output;
        std::ifstream again(base + "2.desc");
        std::stringstream loaded;
        loaded << again.rdbuf();
        EXPECT_EQ(c.expected, loaded.str()) << c.what;
    }
    std::string output;
    // An archive of an older record schema, without value IDs, still loads; its rows keep the
    // calculation sequence they are made with.
    const std::string older = qv_test::TempFolder() + "/older";
    RunHost("load '" PARVEL_SOURCE_DIR "/tests/data/host/sequence_record_schema2.qva' >'" + older + ".json';", &output);
    ASSERT_EQ(0, RunHost("describe '" + older + ".json' -o '" + older + ".desc'", &output)) << output;
    EXPECT_EQ("FORMULA F { y := 1 ;  };\n", qv_test::ReadFile(older + ".desc"));
    const std::string desc = qv_test::TempFolder() + "/example.desc";
    ASSERT_EQ(0, RunHost("describe '" PARVEL_SOURCE_DIR "/examples/expression_elements.json' -o '" + desc + "'", &output));
    std::ifstream in(desc);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ("INITVAL IV1 { VAR[1] := 1 ; };\nFORMULA FML1 { VAR[2] := 2*VAR[1] ;  };\n", text.str());
}

} // namespace
