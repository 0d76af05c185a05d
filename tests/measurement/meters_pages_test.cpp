// The event, multi-output and sampled measurement pages, driven as a user drives them.
#include "tests/blocks_linear/blocks_support.h"

#include "framework/param_access.h"
#include "measurement/signal_characteristics.h"

using namespace blocks_test;

namespace {

template <class Wizard>
using OpenSC = OpenPage<Wizard>;

class SCPages : public OlderBlocksTest {
public:
    using OlderBlocksTest::Exchange;
    template <class Wizard>
    std::unique_ptr<Wizard> New(const std::vector<ParamRow>& rows) {
        return NewOlder<Wizard>(rows, "M1");
    }
    CWizardCopaObject3* Param(WORD id) { return Live(Exchange(), id).front(); }
    BOOL Output(WORD id) {
        BOOL on = FALSE;
        EXPECT_TRUE(GetSDBOutput(Exchange(), id, &on)) << id;
        return on;
    }
};

const std::vector<ParamRow> kProbe2Rows = {
    {.id = 2357, .name = "IN1", .value = "R1.V"},
    {.id = 2360, .name = "IN2", .value = "R2.V"},
    {.id = 2363, .name = "EVENT1", .value = "R1.V > 10m"},
    {.id = 2366, .name = "EVENT2", .value = "R2.V > 20m"},
    {.id = 2369, .name = "FORMULA", .value = "M1.VAL_IN1"},
    {.id = 2371, .name = "VAL_IN1", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V"},
    {.id = 2372, .name = "VAL_IN2", .value = "VAL_IN2", .type = 0x8},
    {.id = 2056, .name = "OUT", .value = "P2", .type = 0x8},
};

TEST_F(SCPages, ProbeTwoWritesOnlyTheInputsWithoutPin) {
    auto wizard = New<CSCProbe2Wizard>(kProbe2Rows);
    OpenSC open(*wizard, Exchange());
    CPropSCFrame* page = open.Page();
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2357), "typed1"));
    ASSERT_TRUE(qv::ui::Click(page, 2358));
    EXPECT_FALSE(Enabled(page, 2357));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2360), "typed2"));
    // The formula is stored as typed, not checked.
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2369), "M1.VAL_IN1 * (("));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2405), "V1"));
    ASSERT_TRUE(qv::ui::Click(page, 2406));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("R1.V", Param(2357)->GetValue().str());
    EXPECT_TRUE(Param(2357)->HasPin());
    EXPECT_EQ("typed2", Param(2360)->GetValue().str());
    EXPECT_EQ("M1.VAL_IN1 * ((", Param(2369)->GetValue().str());
    EXPECT_EQ("V1", Param(2371)->GetValue().str()) << "an output value is written also on a pin";
    EXPECT_TRUE(Param(2371)->HasPin());
    EXPECT_EQ("Value 1 [V]", Text(page, 2371));
    EXPECT_EQ("Value 2", Text(page, 2372));
}

TEST_F(SCPages, OutputSwitchesActAtOnceOnEveryPage) {
    struct Case {
        const char* page;
        std::function<void(SCPages&, int control)> run;
        int control;
        WORD valueID;
    };
    const std::vector<ParamRow> periodRows = {{.id = 2056, .name = "OUT", .value = "", .type = 0x8}};
    const std::vector<ParamRow> integralRows = {
        {.id = 2373, .name = "ISE", .value = "", .type = 0x8}, {.id = 2371, .name = "DEV", .value = "", .type = 0x8}};
    const std::vector<ParamRow> sensitivityRows = {
        {.id = 2154, .name = "DERIV", .value = "dydx", .type = 0x4},
        {.id = 2156, .name = "MEAN", .value = "dydxm", .type = 0x4},
        {.id = 2371, .name = "DECOY", .value = "", .type = 0x8},
    };
    auto clickOnce = [](auto wizard, SCPages& test, int control) {
        OpenSC open(*wizard, test.Exchange());
        EXPECT_EQ(BST_UNCHECKED, open.Page()->IsDlgButtonChecked(control)) << "no entry yet: off";
        EXPECT_TRUE(qv::ui::Click(open.Page(), control));
        EXPECT_TRUE(qv::ui::Cancel(&open.Sheet()));
    };
    const Case cases[] = {
        {"period", [&](SCPages& t, int c) { clickOnce(t.New<CSCTimePeriodWizard>(periodRows), t, c); }, 2056, 2056},
        {"integral", [&](SCPages& t, int c) { clickOnce(t.New<CSCIntegralWizard>(integralRows), t, c); }, 2373, 2373},
        {"sensitivity derivative", [&](SCPages& t, int c) { clickOnce(t.New<CSCSensitivityWizard>(sensitivityRows), t, c); },
         2371, 2154},
        {"sensitivity mean", [&](SCPages& t, int c) { clickOnce(t.New<CSCSensitivityWizard>(sensitivityRows), t, c); },
         2372, 2156},
    };
    for (const Case& c : cases) {
        c.run(*this, c.control);
        EXPECT_TRUE(Output(c.valueID)) << c.page;
        for (WORD other : {2371, 2154, 2156, 2056, 2373}) {
            if (other == c.valueID || Live(Exchange(), other).empty()) continue;
            EXPECT_FALSE(Output(other)) << c.page << ": " << other << " stays off";
        }
    }
}

TEST_F(SCPages, VariantsRelabelSwitchesWithUnitsAndTheThirdLabelWithout) {
    const std::vector<ParamRow> rows = {
        {.id = 2251, .name = "P3", .value = "5", .quantity = "Time", .unit = "s"},
        {.id = 2371, .name = "O1", .value = "", .type = 0x8, .quantity = "Time", .unit = "s"},
        {.id = 2372, .name = "O2", .value = "", .type = 0x8},
        {.id = 2373, .name = "O3", .value = "", .type = 0x8, .quantity = "Time", .unit = "s"},
    };
    struct Case {
        bool overshoot;
        const char* first;
        const char* second;
        const char* third;
        const char* label;
    } cases[] = {
        {false, "Dead Time [s]", "Rise Time", "Settling Time [s]", "Tolerance"},
        {true, "Current Overshoot [s]", "Maximal Overshoot", "Time of Maximal Overshoot [s]",
         "Number of Overshoot Factors"},
    };
    for (const Case& c : cases) {
        auto check = [&](auto wizard) {
            OpenSC open(*wizard, Exchange());
            EXPECT_EQ(c.first, Text(open.Page(), 2371));
            EXPECT_EQ(c.second, Text(open.Page(), 2372));
            EXPECT_EQ(c.third, Text(open.Page(), 2373));
            EXPECT_EQ(c.label, Text(open.Page(), 2250));
            EXPECT_EQ("Value1", Text(open.Page(), 2403));
        };
        if (c.overshoot) check(New<CSCOvershootWizard>(rows));
        else check(New<CSCTimeResponseWizard>(rows));
    }
}

TEST_F(SCPages, PowerWritesTheUsedUnitAlwaysAndTheValueOnlyWithoutPin) {
    const std::vector<ParamRow> rows = {
        {.id = 2374, .name = "V", .value = "R1.V", .quantity = "Voltage", .unit = "V"},
        {.id = 2188, .name = "I", .value = "R1.I", .quantity = "Current", .unit = "A"},
        {.id = 2376, .name = "P", .value = "P", .type = 0x8},
    };
    auto wizard = New<CSCPowerWizard>(rows);
    OpenSC open(*wizard, Exchange());
    CPropSCFrame* page = open.Page();
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2374), "typedV"));
    ASSERT_TRUE(qv::ui::Click(page, 2375));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2516), "mV"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2188), "typedI"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2517), "mA"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("R1.V", Param(2374)->GetValue().str());
    EXPECT_EQ("mV", Param(2374)->GetUsedUnit().str());
    EXPECT_TRUE(Param(2374)->HasPin());
    EXPECT_EQ("typedI", Param(2188)->GetValue().str());
    EXPECT_EQ("mA", Param(2188)->GetUsedUnit().str());
}

TEST_F(SCPages, SampleTimeShowsAndStoresItsValue) {
    struct Case {
        const char* stored;
        const char* typed;  // typed into the list, then the focus leaves (null: nothing typed)
        int selected;
        int count;
        const char* written;
    } cases[] = {
        {"0", nullptr, 0, 2, "0"},
        {"0.0", nullptr, 2, 3, "0.0"},
        {"1m", nullptr, 1, 2, "1m"},
        {"0.001", nullptr, 1, 2, "1m"},
        {"TS ", nullptr, 2, 3, "TS"},
        {"0", "5m", 2, 3, "5m"},
        {"0", "1m", 1, 2, "1m"},  // an entry's label: nothing added, the entry is chosen
    };
    for (const Case& c : cases) {
        const std::vector<ParamRow> rows = {
            {.id = 2183, .name = "TS", .value = c.stored, .quantity = "Time", .unit = "s"},
            {.id = 2186, .name = "IN", .value = "X"},
        };
        auto wizard = New<CSCSlidingMeanWizard>(rows);
        OpenSC open(*wizard, Exchange());
        auto* combo = static_cast<CComboBox*>(open.Page()->GetDlgItem(2183));
        if (c.typed != nullptr) {
            ASSERT_TRUE(qv::ui::TypeText(combo, c.typed));
            ASSERT_TRUE(qv::ui::SetFocusTo(open.Page()->GetDlgItem(2186)));
        }
        EXPECT_EQ(c.selected, combo->GetCurSel()) << c.stored;
        EXPECT_EQ(c.count, combo->GetCount()) << c.stored;
        // Written also while "Use Pin" is on.
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2074));
        ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        EXPECT_EQ(c.written, Param(2183)->GetValue().str()) << c.stored;
        EXPECT_TRUE(Param(2183)->HasPin());
    }
}

TEST_F(SCPages, SlidingPageLeavesParametersWithoutTheInputBitAlone) {
    const std::vector<ParamRow> rows = {
        {.id = 2342, .name = "TSTART", .value = "7", .type = 0x8, .quantity = "Time", .unit = "s"},
        {.id = 2344, .name = "TSTOP", .value = "1", .quantity = "Time", .unit = "s"},
        {.id = 2183, .name = "TS", .value = "0"},
    };
    auto wizard = New<CSCSlidingRMSWizard>(rows);
    OpenSC open(*wizard, Exchange());
    EXPECT_EQ("", Text(open.Page(), 2342)) << "not shown";
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2342), "3"));
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2344), "4"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("7", Param(2342)->GetValue().str());
    EXPECT_EQ("4", Param(2344)->GetValue().str());
}

TEST_F(SCPages, EachPageMarksItselfModifiedForItsOwnEdits) {
    struct Case {
        const char* page;
        std::function<std::unique_ptr<CWizardBase3>(SCPages&)> make;
        std::vector<int> marking;
    };
    const std::vector<ParamRow> none;
    const Case cases[] = {
        {"period", [&](SCPages& t) { return std::unique_ptr<CWizardBase3>(t.New<CSCTimePeriodWizard>(none)); },
         {2001, 2348, 2350, 2028}},
        {"probe 1", [&](SCPages& t) { return std::unique_ptr<CWizardBase3>(t.New<CSCProbe1Wizard>(none)); },
         {2353, 2186, 2001, 2028}},
        {"probe 2", [&](SCPages& t) { return std::unique_ptr<CWizardBase3>(t.New<CSCProbe2Wizard>(none)); },
         {2363, 2366, 2369, 2357, 2360, 2001, 2408, 2405, 2028}},
        {"integral", [&](SCPages& t) { return std::unique_ptr<CWizardBase3>(t.New<CSCIntegralWizard>(none)); },
         {2186, 2001, 2249, 2408, 2412, 2416, 2420, 2424}},
        {"power", [&](SCPages& t) { return std::unique_ptr<CWizardBase3>(t.New<CSCPowerWizard>(none)); },
         {2188, 2374, 2001, 2342, 2344, 2416, 2420}},
        {"sensitivity", [&](SCPages& t) { return std::unique_ptr<CWizardBase3>(t.New<CSCSensitivityWizard>(none)); },
         {2156, 2040, 2154, 2188, 2380, 2152, 2001, 2151}},
    };
    for (const Case& c : cases) {
        auto wizard = c.make(*this);
        CPropertySheet sheet("Element");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, Exchange(), 1));
        ASSERT_TRUE(sheet.Create());
        auto* page = dynamic_cast<CPropSCFrame*>(sheet.GetPage(0));
        ASSERT_NE(nullptr, page);
        for (int id : c.marking) {
            page->SetModified(FALSE);
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(id), "x")) << c.page << " " << id;
            EXPECT_TRUE(page->IsPageModified()) << c.page << " " << id;
        }
        sheet.DestroyWindow();
        wizard->EndEditProperties();
    }
}

TEST_F(SCPages, PinnedParametersAreDisabledOnEveryActivation) {
    const std::vector<ParamRow> rows = {
        {.id = 2152, .name = "XMIN", .value = "0"},
        {.id = 2151, .name = "XMAX", .value = "1"},
        {.id = 2154, .name = "DERIV", .value = "d"},
    };
    auto wizard = New<CSCSensitivityWizard>(rows);
    OpenSC open(*wizard, Exchange());
    EXPECT_TRUE(Enabled(open.Page(), 2152));
    SetParamUsePin(Exchange(), 2152, TRUE);
    open.Page()->OnSetActive();
    EXPECT_FALSE(Enabled(open.Page(), 2152));
    EXPECT_TRUE(Enabled(open.Page(), 2151));
}

} // namespace
