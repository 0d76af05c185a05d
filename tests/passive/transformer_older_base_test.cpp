// The transformer pages of the older wizard base driven as a user drives them, their commits
// through the data-exchange object, and the four wizards' life cycle.
#include "passive_support.h"

#include "framework/factories.h"
#include "framework/param_access.h"
#include "passive/transformers_older_base.h"
#include "tests/support/older_element_test.h"

using namespace passive_test;

namespace {

int Check(CWnd* page, int id) { return static_cast<CButton*>(page->GetDlgItem(id))->GetCheck(); }

constexpr DWORD kIn = 0x4;
constexpr DWORD kOut = 0x8;
constexpr DWORD kPin = 0x80000000u;

ParamRow L(WORD id, const char* name, const char* value = "1m") {
    return {.id = id, .name = name, .value = value, .type = kIn, .quantity = "Inductance", .unit = "H"};
}
ParamRow R(WORD id, const char* name, const char* value = "0.1") {
    return {.id = id, .name = name, .value = value, .type = kIn, .quantity = "Resistance", .unit = "Ohm"};
}
ParamRow Ratio(WORD id, const char* name, const char* value = "1", DWORD extra = 0) {
    return {.id = id, .name = name, .value = value, .type = kIn | extra};
}
ParamRow Out(WORD id, const char* name, const char* unit, const char* description) {
    return {.id = id, .name = name, .value = "", .type = kOut, .unit = unit, .description = description};
}

std::vector<ParamRow> LinearRows() {
    return {L(2477, "LS1"), L(2479, "LS2"), L(2480, "LH", "1"), R(2483, "RCU1"), R(2485, "RCU2"), R(2112, "RFE", "1k"),
            Ratio(2486, "KTR"), Out(2371, "V1", "V", "Voltage Primary Side"), Out(2372, "I1", "A", "Current Primary Side"),
            Out(2373, "V2", "V", "Voltage Secondary Side"), Out(2374, "I2", "A", "Current Secondary Side")};
}

std::vector<ParamRow> OneSideRows(bool shunt) {
    std::vector<ParamRow> rows = {L(2477, "LS"), R(2483, "RCU")};
    if (shunt) {
        rows.push_back(L(2480, "LH", "1"));
        rows.push_back(R(2112, "RFE", "1k"));
    }
    rows.push_back(Ratio(2486, "KTR", "1.5"));
    rows.push_back(Out(2371, "V1", "V", "Voltage Primary Side"));
    rows.push_back(Out(2372, "I1", "A", "Current Primary Side"));
    return rows;
}

// Phase outputs: voltages (2371, 2372, 1013 to 1016) in V, currents in A; no descriptions, so
// the three-phase pages keep their dialog captions.
std::vector<ParamRow> PhaseOutputs(std::initializer_list<WORD> ids) {
    struct Named {
        WORD id;
        const char* name;
    };
    static constexpr Named kNames[] = {{2371, "V1A"}, {1013, "V1B"}, {1014, "V1C"}, {2372, "V2A"},
                                       {1015, "V2B"}, {1016, "V2C"}, {2373, "I1A"}, {1017, "I1B"},
                                       {1018, "I1C"}, {2374, "I2A"}, {1019, "I2B"}, {1020, "I2C"}};
    std::vector<ParamRow> rows;
    for (WORD id : ids)
        for (const Named& named : kNames)
            if (named.id == id) rows.push_back(Out(id, named.name, named.name[0] == 'V' ? "V" : "A", ""));
    return rows;
}

std::vector<ParamRow> ThreePhaseRows() {
    std::vector<ParamRow> rows = {L(2477, "LS1A"),  L(2479, "LS1B"),  L(2490, "LS1C"),  R(2483, "RCU1A"),
                                  R(2485, "RCU1B"), R(2492, "RCU1C"), L(2494, "LS2A"),  L(2498, "LS2B"),
                                  L(2502, "LS2C"),  R(2496, "RCU2A"), R(2500, "RCU2B"), R(2504, "RCU2C"),
                                  L(2480, "LH", "1"), R(2112, "RFE", "1k"), Ratio(2486, "KTR")};
    for (const ParamRow& row : PhaseOutputs({2371, 1013, 1014, 2372, 1015, 1016, 2373, 1017, 1018, 2374, 1019, 1020}))
        rows.push_back(row);
    return rows;
}

std::vector<ParamRow> ThreePhaseOneSideRows(bool shunt) {
    std::vector<ParamRow> rows = {L(2477, "LSA"), L(2479, "LSB"), L(2490, "LSC"),
                                  R(2483, "RCUA"), R(2485, "RCUB"), R(2492, "RCUC")};
    if (shunt) {
        rows.push_back(L(2480, "LH", "1"));
        rows.push_back(R(2112, "RFE", "1k"));
    }
    rows.push_back(Ratio(2486, "KTR1", "1"));
    rows.push_back(Ratio(2493, "KTR2", "2"));
    rows.push_back(Ratio(2496, "KTR3", "3"));
    if (!shunt) rows.push_back(Ratio(2499, "KTR4", "4"));
    for (const ParamRow& row : PhaseOutputs({2371, 1013, 1014, 2372, 1015, 1016})) rows.push_back(row);
    return rows;
}

class OlderBaseTransformer : public OlderElementTest<PassiveTest> {
protected:
    CWizardCopaObject3* P(WORD id) { return Param(Exchange(), id); }
    bool OutputOn(WORD id) {
        BOOL on = FALSE;
        GetSDBOutput(Exchange(), id, &on);
        return on != FALSE;
    }
};

// ---------------------------------------------------------------------------------------
// The linear transformer page.

TEST_F(OlderBaseTransformer, LinearPageWritesInputsWithUnitsAndCommitsTwice) {
    auto wizard = NewOlder<CLinearTransformerWizard>(LinearRows(), "TR1");
    P(2480)->SetUsedUnit("mH");
    OpenPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_EQ("1m", Text(page, 2477));
    EXPECT_EQ("mH", Text(page, 2515)) << "the selector shows the used unit";
    for (int id : {2477, 2479, 2480, 2483, 2485, 2112, 2486}) EXPECT_TRUE(Enabled(page, id)) << id;

    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "TR9"));
    ASSERT_TRUE(qv::ui::Click(page, 2002));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2479), "3.3"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2527), "uH"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2112), "2.2k"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2486), "10"));
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(2u, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
    EXPECT_EQ(editor->Requests().size(), editor->CountRequests(WIZREQ_COMMIT_EXCHANGE)) << "no cookie is fetched";
    EXPECT_EQ("TR9", Exchange()->m_strElementName.str());
    EXPECT_EQ(1u, Exchange()->m_dwShowName);
    ExpectValues(Exchange(), {{2479, "3.3"}, {2112, "2.2k"}, {2486, "10"}});
    ExpectUsedUnits(Exchange(), {{2479, "uH"}, {2112, "Ohm"}, {2480, "mH"}});
    EXPECT_FALSE(open.Page()->IsPageModified());
}

TEST_F(OlderBaseTransformer, RatioOnAPinIsDisabledAndNotWritten) {
    std::vector<ParamRow> rows = LinearRows();
    rows[6] = Ratio(2486, "KTR", "7", kPin);
    auto wizard = NewOlder<CLinearTransformerWizard>(rows, "TR1");
    OpenPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_FALSE(Enabled(page, 2486));
    EXPECT_EQ(BST_CHECKED, Check(page, 2487));
    // Off the pin, type, back on the pin: the typed text stays out of the parameter.
    ASSERT_TRUE(qv::ui::Click(page, 2487));
    EXPECT_TRUE(Enabled(page, 2486));
    EXPECT_FALSE(P(2486)->HasPin()) << "the box hands the flag to the parameter at once";
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2486), "99"));
    ASSERT_TRUE(qv::ui::Click(page, 2487));
    EXPECT_FALSE(Enabled(page, 2486));
    EXPECT_TRUE(P(2486)->HasPin());
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("7", P(2486)->GetValue().str());
}

TEST_F(OlderBaseTransformer, FieldsOnAPinAreDisabledAndParametersWithoutInputBitKeepTheirValue) {
    std::vector<ParamRow> rows = LinearRows();
    rows[1].type = 0;             // 2479: not an input
    rows[3].type = kIn | kPin;    // 2483: taken from a pin
    auto wizard = NewOlder<CLinearTransformerWizard>(rows, "TR1");
    OpenPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    EXPECT_FALSE(Enabled(page, 2483));
    EXPECT_TRUE(Enabled(page, 2479));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2479), "8m"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("1m", P(2479)->GetValue().str());
}

TEST_F(OlderBaseTransformer, OutputChecksSwitchAtOnceBetweenTwoStates) {
    auto wizard = NewOlder<CLinearTransformerWizard>(LinearRows(), "TR1");
    OpenPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    struct Case {
        WORD id;
        int expectedCheck;
        bool expectedOn;
    };
    // Each click flips the output; a three-state box never shows its third state here.
    const Case cases[] = {{2371, BST_CHECKED, true}, {2371, BST_UNCHECKED, false}, {2371, BST_CHECKED, true},
                          {2374, BST_CHECKED, true}, {2374, BST_UNCHECKED, false}};
    for (const Case& c : cases) {
        ASSERT_TRUE(qv::ui::Click(page, c.id));
        EXPECT_EQ(c.expectedCheck, Check(page, c.id)) << c.id;
        EXPECT_EQ(c.expectedOn, OutputOn(c.id)) << c.id << ": before any apply";
    }
    EXPECT_FALSE(OutputOn(2372));
}

TEST_F(OlderBaseTransformer, OutputCaptionsAreDescriptionAndUnit) {
    std::vector<ParamRow> rows = LinearRows();
    rows[8].description = "";                     // 2372: unit only
    rows[9].unit = "";                            // 2373: description only
    rows[10].description = "";                    // 2374: neither
    rows[10].unit = "";
    auto wizard = NewOlder<CLinearTransformerWizard>(rows, "TR1");
    OpenPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    const std::pair<int, std::string> expected[] = {
        {2371, "Voltage Primary Side [V]"}, {2372, " [A]"}, {2373, "Voltage Secondary Side"}, {2374, ""}};
    for (const auto& [id, caption] : expected) EXPECT_EQ(caption, Text(page, id)) << id;
}

// The linear page sends request 0 twice: after the name, and after the values.
TEST_F(OlderBaseTransformer, LinearPageRefusalsAtEitherRequest) {
    struct Case {
        std::vector<LRESULT> answers;
        bool applied;
        bool nameWritten;
        bool valueWritten;
        size_t requests;
    };
    const Case cases[] = {
        {{0, 0}, true, true, true, 2},
        {{1}, false, true, false, 1},
        {{0, 1}, false, true, true, 2},
    };
    for (const Case& c : cases) {
        auto wizard = NewOlder<CLinearTransformerWizard>(LinearRows(), "TR1");
        {
            OpenPage open(*wizard, Exchange());
            CWnd* page = open.Page();
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "TRX"));
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2477), "5m"));
            editor->ClearRequests();
            editor->SetNextCommitAnswers(c.answers);
            EXPECT_EQ(c.applied, qv::ui::Apply(&open.Sheet()));
            EXPECT_EQ(c.requests, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
            EXPECT_EQ(c.nameWritten, Exchange()->m_strElementName == "TRX");
            EXPECT_EQ(c.valueWritten, P(2477)->GetValue() == "5m");
            EXPECT_EQ(!c.applied, open.Page()->IsPageModified() != FALSE) << "a refusal leaves the page modified";
        }
    }
}

// Every page returns FALSE without a data-exchange object, before it writes anything.
template <class Page>
void ExpectNothingWrittenWithoutExchange(CWizardBase3& wizard) {
    Page page(&wizard, nullptr);
    EXPECT_FALSE(page.OnApply());
}

TEST_F(OlderBaseTransformer, NoExchangeObjectMeansNoApply) {
    auto wizard = NewOlder<CLinearTransformerWizard>(LinearRows(), "TR1");
    editor->ClearRequests();
    ExpectNothingWrittenWithoutExchange<CPropPassive2WTrafoLinear>(*wizard);
    ExpectNothingWrittenWithoutExchange<CPropPassive2WTrafoPriSecSide>(*wizard);
    ExpectNothingWrittenWithoutExchange<CPropPassive6WTrafo3Phase>(*wizard);
    ExpectNothingWrittenWithoutExchange<CPropPassive6WTrafo3PhasePriSecSide>(*wizard);
    EXPECT_TRUE(editor->Requests().empty());
    EXPECT_EQ("TR1", Exchange()->m_strElementName.str());
}

TEST_F(OlderBaseTransformer, NoReceiverMeansNoCommit) {
    auto wizard = NewOlder<CLinearTransformerWizard>(LinearRows(), "TR1");
    OpenPage open(*wizard, Exchange());
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2477), "5m"));
    wizard->SetCommandReceiver(nullptr);
    EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("1m", P(2477)->GetValue().str()) << "the values wait for a receiver";
}

// ---------------------------------------------------------------------------------------
// The one-side pages (2610, 2612): two element variants.

struct VariantCase {
    bool shunt;
    std::vector<int> hidden;
    std::vector<int> shown;
};

TEST_F(OlderBaseTransformer, OneSidePageShowsTheRowsOfItsVariant) {
    const VariantCase cases[] = {
        {false, {2481, 2480, 2515, 2111, 2112, 2517}, {2331, 2488, 2486, 2487, 2477, 2483}},
        {true, {2331, 2488, 2486, 2487}, {2481, 2480, 2515, 2111, 2112, 2517, 2477, 2483}},
    };
    for (const VariantCase& c : cases) {
        auto wizard = NewOlder<CTransformerPriSecSideWizard>(OneSideRows(c.shunt), "TRS");
        OpenPage open(*wizard, Exchange());
        CWnd* page = open.Page();
        EXPECT_EQ(c.shunt ? 1u : 0u, open.Page()->GetShuntBranchFlag());
        for (int id : c.hidden) EXPECT_FALSE(Visible(page, id)) << c.shunt << " " << id;
        for (int id : c.shown) EXPECT_TRUE(Visible(page, id)) << c.shunt << " " << id;
        EXPECT_EQ("Voltage Primary Side [V]", Text(page, 2371));
        EXPECT_EQ("Current Primary Side [A]", Text(page, 2372));
    }
}

TEST_F(OlderBaseTransformer, OneSidePageWritesHiddenFieldsAndCommitsOnce) {
    auto wizard = NewOlder<CTransformerPriSecSideWizard>(OneSideRows(true), "TRS");
    OpenPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    // The ratio is hidden in this variant; its field still holds what it loaded.
    P(2486)->SetValue("changed elsewhere");
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2480), "2"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2517), "kOhm"));
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(1u, editor->CountRequests(WIZREQ_COMMIT_EXCHANGE));
    EXPECT_EQ("2", P(2480)->GetValue().str());
    EXPECT_EQ("kOhm", P(2112)->GetUsedUnit().str());
    EXPECT_EQ("1.5", P(2486)->GetValue().str()) << "hidden fields take part in apply";
}

// Pages with one request write the values first: a refusal leaves them written.
template <class Wizard>
void ExpectSingleRefusalLeavesValues(qv::SchematicEditor& editor, Wizard& wizard, CWizardSchematicDataExchange3* exchange) {
    OpenPage open(wizard, exchange);
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2477), "4m"));
    editor.ClearRequests();
    editor.SetNextCommitAnswers({1});
    EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(1u, editor.CountRequests(WIZREQ_COMMIT_EXCHANGE));
    EXPECT_EQ("4m", Param(exchange, 2477)->GetValue().str());
    EXPECT_TRUE(open.Page()->IsPageModified());
}

TEST_F(OlderBaseTransformer, RefusedSingleRequestLeavesTheValuesWritten) {
    auto a = NewOlder<CTransformerPriSecSideWizard>(OneSideRows(false), "TRS");
    ExpectSingleRefusalLeavesValues(*editor, *a, Exchange());
    auto b = NewOlder<CThreePhaseTransformerWizard>(ThreePhaseRows(), "TR3");
    ExpectSingleRefusalLeavesValues(*editor, *b, Exchange());
    auto c = NewOlder<CThreePhaseTransformerPriSecSideWizard>(ThreePhaseOneSideRows(true), "TR3S");
    ExpectSingleRefusalLeavesValues(*editor, *c, Exchange());
}

// ---------------------------------------------------------------------------------------
// Grouped phase outputs (2611, 2612).

TEST_F(OlderBaseTransformer, GroupChecksShowAllNoneOrSomeAndAClickSwitchesTheWholeGroup) {
    // Groups: 2371 all on, 2372 none, 2373 some (one of three), 2374 some (1020 missing,
    // counts as off).
    std::vector<ParamRow> rows = ThreePhaseRows();
    rows.erase(std::remove_if(rows.begin(), rows.end(), [](const ParamRow& r) { return r.id == 1020; }), rows.end());
    auto wizard = NewOlder<CThreePhaseTransformerWizard>(rows, "TR3");
    for (WORD id : {2371, 1013, 1014, 1017, 2374, 1019}) SetSDBOutput(Exchange(), id, TRUE);
    OpenPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    struct Case {
        WORD check;
        int shown;
        int afterClick;
        std::vector<WORD> ids;
    };
    const Case cases[] = {
        {2371, BST_CHECKED, BST_UNCHECKED, {2371, 1013, 1014}},
        {2372, BST_UNCHECKED, BST_CHECKED, {2372, 1015, 1016}},
        {2373, BST_INDETERMINATE, BST_UNCHECKED, {2373, 1017, 1018}},
        {2374, BST_INDETERMINATE, BST_UNCHECKED, {2374, 1019}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.shown, Check(page, c.check)) << c.check;
    for (const Case& c : cases) {
        ASSERT_TRUE(qv::ui::Click(page, c.check));
        EXPECT_EQ(c.afterClick, Check(page, c.check)) << c.check;
        for (WORD id : c.ids) EXPECT_EQ(c.afterClick == BST_CHECKED, OutputOn(id)) << c.check << " " << id;
    }
    // A second click on a box switched off switches its group on again.
    ASSERT_TRUE(qv::ui::Click(page, 2373));
    EXPECT_EQ(BST_CHECKED, Check(page, 2373));
    for (WORD id : {2373, 1017, 1018}) EXPECT_TRUE(OutputOn(id));
    EXPECT_TRUE(open.Page()->IsPageModified());
}

TEST_F(OlderBaseTransformer, ThreePhaseCaptionsTakeTheUnitOfTheFirstOutputOnly) {
    std::vector<ParamRow> rows = ThreePhaseRows();
    for (ParamRow& row : rows)
        if (row.id == 1013 || row.id == 1014) row.unit = "kV";
    for (ParamRow& row : rows)
        if (row.id == 2374) row.unit = "";
    auto wizard = NewOlder<CThreePhaseTransformerWizard>(rows, "TR3");
    OpenPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    ExpectTexts(page, {{2371, "Voltage Primary Side Phases [V]"}, {2372, "Voltage Secondary Side Phases [V]"},
                       {2373, "Current Primary Side Phases [A]"}, {2374, "Current Secondary Side Phases"}});
}

TEST_F(OlderBaseTransformer, ThreePhasePageWritesAllFourteenFields) {
    auto wizard = NewOlder<CThreePhaseTransformerWizard>(ThreePhaseRows(), "TR3");
    OpenPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    const std::pair<int, int> fields[] = {{2477, 2514}, {2479, 2527}, {2490, 2526}, {2483, 2516}, {2485, 2521},
                                          {2492, 2522}, {2494, 2518}, {2498, 2519}, {2502, 2520}, {2496, 2523},
                                          {2500, 2524}, {2504, 2525}, {2480, 2515}, {2112, 2517}};
    int n = 0;
    for (const auto& [field, selector] : fields) {
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(field), std::to_string(++n).c_str())) << field;
        CComboBox* combo = static_cast<CComboBox*>(page->GetDlgItem(selector));
        ASSERT_GE(combo->GetCount(), 2) << selector;
        ASSERT_TRUE(qv::ui::ChooseEntry(combo, 1)) << selector;
    }
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    n = 0;
    for (const auto& [field, selector] : fields) {
        EXPECT_EQ(std::to_string(++n), P(static_cast<WORD>(field))->GetValue().str()) << field;
        EXPECT_EQ(P(static_cast<WORD>(field))->GetQuantity() == "Inductance" ? "mH" : "mOhm",
                  P(static_cast<WORD>(field))->GetUsedUnit().str())
            << field;
    }
}

TEST_F(OlderBaseTransformer, ThreePhaseOneSideVariantsLabelsCaptionsAndRows) {
    struct Case {
        bool shunt;
        std::vector<std::pair<int, std::string>> texts;
        std::vector<int> hidden;
        std::vector<int> shown;
    };
    const Case cases[] = {
        {false,
         {{2488, "KTR0"}, {2495, "KTR1"}, {2498, "KTR2"}, {2501, "KTR3"},
          {2371, "Voltage Secondary Side Phases [V]"}, {2372, "Current Secondary Side Phases [V]"}},
         {2481, 2480, 2515, 2111, 2112, 2517},
         {2331, 2501, 2499, 2500, 2486, 2493, 2496}},
        {true,
         {{2488, "KTR1"}, {2495, "KTR2"}, {2498, "KTR3"},
          {2371, "Voltage Primary Side Phases [V]"}, {2372, "Voltage Secondary Side Phases [V]"}},
         {2331, 2501, 2499, 2500},
         {2481, 2480, 2515, 2111, 2112, 2517, 2486, 2493, 2496}},
    };
    for (const Case& c : cases) {
        auto wizard = NewOlder<CThreePhaseTransformerPriSecSideWizard>(ThreePhaseOneSideRows(c.shunt), "TR3S");
        OpenPage open(*wizard, Exchange());
        CWnd* page = open.Page();
        EXPECT_EQ(c.shunt ? 1u : 0u, open.Page()->GetShuntBranchFlag());
        for (const auto& [id, text] : c.texts) EXPECT_EQ(text, Text(page, id)) << c.shunt << " " << id;
        for (int id : c.hidden) EXPECT_FALSE(Visible(page, id)) << c.shunt << " " << id;
        for (int id : c.shown) EXPECT_TRUE(Visible(page, id)) << c.shunt << " " << id;
    }
}

TEST_F(OlderBaseTransformer, ThreePhaseOneSideRatiosFollowTheirOwnPins) {
    std::vector<ParamRow> rows = ThreePhaseOneSideRows(false);
    for (ParamRow& row : rows)
        if (row.id == 2493 || row.id == 2499) row.type |= kPin;
    auto wizard = NewOlder<CThreePhaseTransformerPriSecSideWizard>(rows, "TR3S");
    OpenPage open(*wizard, Exchange());
    CWnd* page = open.Page();
    // Activation runs every row: the pinned ratios are disabled.
    const std::pair<int, bool> enabled[] = {{2486, true}, {2493, false}, {2496, true}, {2499, false}};
    for (const auto& [id, on] : enabled) EXPECT_EQ(on, Enabled(page, id)) << id;
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2496), "30"));
    ASSERT_TRUE(qv::ui::Click(page, 2494));  // ratio 2 off its pin
    EXPECT_TRUE(Enabled(page, 2493));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2493), "20"));
    ASSERT_TRUE(qv::ui::Click(page, 2497));  // ratio 3 onto a pin: its text is not written
    EXPECT_FALSE(Enabled(page, 2496));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("20", P(2493)->GetValue().str());
    EXPECT_FALSE(P(2493)->HasPin());
    EXPECT_EQ("3", P(2496)->GetValue().str());
    EXPECT_TRUE(P(2496)->HasPin());
    EXPECT_EQ("4", P(2499)->GetValue().str());
}

TEST_F(OlderBaseTransformer, EveryUnitSelectorMarksTheThreePhasePagesModified) {
    auto a = NewOlder<CThreePhaseTransformerPriSecSideWizard>(ThreePhaseOneSideRows(true), "TR3S");
    OpenPage open(*a, Exchange());
    for (int selector : {2514, 2527, 2526, 2516, 2521, 2522, 2515, 2517}) {
        open.Page()->SetModified(FALSE);
        ASSERT_TRUE(qv::ui::ChooseEntry(open.Page()->GetDlgItem(selector), 1)) << selector;
        EXPECT_TRUE(open.Page()->IsPageModified()) << selector;
    }
    // The group boxes of this page act as on 2611.
    SetSDBOutput(Exchange(), 1015, TRUE);
    open.Page()->OnSetActive();
    EXPECT_EQ(BST_INDETERMINATE, Check(open.Page(), 2372));
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2372));
    EXPECT_EQ(BST_UNCHECKED, Check(open.Page(), 2372));
    EXPECT_FALSE(OutputOn(1015));
}

// ---------------------------------------------------------------------------------------
// The wizards.

template <class Wizard>
void ExpectWizardLifeCycle(qv::SchematicEditor& editor, Wizard& wizard, CWizardSchematicDataExchange3* exchange) {
    EXPECT_EQ(3, wizard.GetWizardKind());
    CPropertySheet sheet("Element");
    EXPECT_FALSE(wizard.DoEditProperties(sheet, exchange, 2));
    EXPECT_EQ(nullptr, wizard.GetPage()) << "mode 2 makes no page";
    EXPECT_EQ(0, sheet.GetPageCount());
    wizard.EndEditProperties();  // without a page

    // A second edit without an end in between replaces the page (the sanitizer sees a leak).
    // The editor closes a sheet before it opens the next; the wizard still holds its page.
    {
        CPropertySheet first("Element");
        ASSERT_TRUE(wizard.DoEditProperties(first, exchange, 1));
    }
    ASSERT_NE(nullptr, wizard.GetPage());
    std::unique_ptr<CWizardBase3> clone(wizard.Clone());
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ(wizard.GetRuntimeClass(), clone->GetRuntimeClass());
    EXPECT_EQ(nullptr, static_cast<Wizard*>(clone.get())->GetPage());
    EXPECT_EQ(wizard.m_dwElementHandle, clone->m_dwElementHandle);
    {
        CPropertySheet second("Element");
        ASSERT_TRUE(wizard.DoEditProperties(second, exchange, 1));
        EXPECT_EQ(1, second.GetPageCount());
    }
    wizard.EndEditProperties();
    EXPECT_EQ(nullptr, wizard.GetPage());
    EXPECT_EQ(0u, editor.CountRequests(WIZREQ_GET_PARAMS));
}

TEST_F(OlderBaseTransformer, WizardsMakeTheirPageOnlyForMode1AndCloneWithoutIt) {
    auto a = NewOlder<CLinearTransformerWizard>(LinearRows(), "TR1");
    ExpectWizardLifeCycle(*editor, *a, Exchange());
    auto b = NewOlder<CTransformerPriSecSideWizard>(OneSideRows(true), "TRS");
    ExpectWizardLifeCycle(*editor, *b, Exchange());
    auto c = NewOlder<CThreePhaseTransformerWizard>(ThreePhaseRows(), "TR3");
    ExpectWizardLifeCycle(*editor, *c, Exchange());
    auto d = NewOlder<CThreePhaseTransformerPriSecSideWizard>(ThreePhaseOneSideRows(false), "TR3S");
    ExpectWizardLifeCycle(*editor, *d, Exchange());
}

TEST_F(OlderBaseTransformer, FactoryMakesTheFourWizardsWithTheirPages) {
    struct Case {
        int id;
        const char* wizardClass;
        UINT dialog;
    };
    const Case cases[] = {{106, "CLinearTransformerWizard", 2609},
                          {107, "CTransformerPriSecSideWizard", 2610},
                          {108, "CThreePhaseTransformerWizard", 2611},
                          {109, "CThreePhaseTransformerPriSecSideWizard", 2612}};
    for (const Case& c : cases) {
        std::unique_ptr<CWizardBase3> wizard(CreateWizardInstance(c.id));
        ASSERT_NE(nullptr, wizard) << c.id;
        EXPECT_STREQ(c.wizardClass, wizard->GetRuntimeClass()->m_lpszClassName);
        element = editor->AddElement(MakeExchange(LinearRows(), "TRF"));
        editor->Attach(*wizard, element);
        CPropertySheet sheet("Element");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, Exchange(), 1));
        ASSERT_EQ(1, sheet.GetPageCount());
        auto* page = static_cast<CPropPassiveTransformerBase*>(sheet.GetPage(0));
        EXPECT_EQ(c.dialog, page->Shape().templateId);
        EXPECT_EQ(69, page->GetControlInfo(2001)) << "the wizard's page registers its layout";
        wizard->EndEditProperties();
    }
}

TEST_F(OlderBaseTransformer, RuntimeClassFactoryPagesRegisterNoLayout) {
    const char* names[] = {"CPropPassive2WTrafoLinear", "CPropPassive2WTrafoPriSecSide", "CPropPassive6WTrafo3Phase",
                           "CPropPassive6WTrafo3PhasePriSecSide"};
    for (const char* name : names) {
        CRuntimeClass* runtime = CRuntimeClass::FromName(name);
        ASSERT_NE(nullptr, runtime) << name;
        std::unique_ptr<CObject> object(runtime->CreateObject());
        auto* page = dynamic_cast<CPropPassiveTransformerBase*>(object.get());
        ASSERT_NE(nullptr, page) << name;
        EXPECT_EQ(0, page->GetControlInfo(2001)) << name;
        EXPECT_EQ(nullptr, page->GetParams());
    }
}

} // namespace

namespace {

template <class Wizard>
void ExpectPagePaintsSymbol(std::unique_ptr<Wizard> wizard, CWizardSchematicDataExchange3* exchange) {
    exchange->m_SymbolTexts.SetAt(kLanguageEnglish, "rect 20 20 80 80");
    OpenPage open(*wizard, exchange);
    ExpectSymbolInFrame(open.Page());
}

TEST_F(OlderBaseTransformer, EveryPageDrawsTheSymbolInItsFrame) {
    auto a = NewOlder<CLinearTransformerWizard>(LinearRows(), "TR1");
    ExpectPagePaintsSymbol(std::move(a), Exchange());
    auto b = NewOlder<CTransformerPriSecSideWizard>(OneSideRows(true), "TRS");
    ExpectPagePaintsSymbol(std::move(b), Exchange());
    auto c = NewOlder<CThreePhaseTransformerWizard>(ThreePhaseRows(), "TR3");
    ExpectPagePaintsSymbol(std::move(c), Exchange());
    auto d = NewOlder<CThreePhaseTransformerPriSecSideWizard>(ThreePhaseOneSideRows(false), "TR3S");
    ExpectPagePaintsSymbol(std::move(d), Exchange());
}

} // namespace
