// The time-window pages of the measurements, driven as the editor and a user drive them.
#include "tests/blocks_linear/blocks_support.h"

#include "measurement/signal_characteristics.h"

#include <functional>

using namespace blocks_test;

namespace {

const std::vector<ParamRow> kRiseRows = {
    {.id = 2186, .name = "IN", .value = "V1.OUT"},
    {.id = 2339, .name = "DERIV", .value = "1"},
    {.id = 2345, .name = "MAXVAL", .value = "5"},
    {.id = 2342, .name = "TSTART", .value = "0", .quantity = "Time", .unit = "s"},
    {.id = 2344, .name = "TSTOP", .value = "1", .quantity = "Time", .unit = "s"},
    {.id = 2056, .name = "OUT", .value = "TR", .type = 0x8, .quantity = "Time", .unit = "s"},
};

std::vector<ParamRow> WindowRows(const char* outUnit) {
    std::vector<ParamRow> rows;
    for (ParamRow row : kRiseRows) {
        if (row.id == 2339 || row.id == 2345) continue;
        if (row.id == 2056) row.unit = outUnit;
        rows.push_back(row);
    }
    return rows;
}

template <class Wizard>
using OpenMeasurement = OpenPage<Wizard>;

constexpr char kMeterName[] = "M1";
using Measurement = OneNameOlderTest<OlderBlocksTest, kMeterName>;

TEST_F(Measurement, EveryVariantRenamesTheOutputWithItsUnit) {
    auto caption = [this](auto wizard) {
        OpenMeasurement open(*wizard, Exchange());
        EXPECT_EQ("Value", Text(open.Page(), 2144)) << "the output's own label keeps its text";
        return Text(open.Page(), 2056);
    };
    EXPECT_EQ("Rise Time [s]", caption(New<CSCRiseTimeWizard>(kRiseRows)));
    EXPECT_EQ("Fall Time [s]", caption(New<CSCFallTimeWizard>(kRiseRows)));
    EXPECT_EQ("Pulse Duration [s]", caption(New<CSCPulseDurationWizard>(kRiseRows)));
    EXPECT_EQ("Maximum Value [V]", caption(New<CSCMaximumWizard>(WindowRows("V"))));
    EXPECT_EQ("Minimum Value", caption(New<CSCMinimumWizard>(WindowRows(""))));
    EXPECT_EQ("Mean Value [A]", caption(New<CSCMeanValueWizard>(WindowRows("A"))));
    EXPECT_EQ("RMS Value", caption(New<CSCRMSValueWizard>(WindowRows(""))));
}

TEST_F(Measurement, VariantsReportTheSharedPagesRuntimeClass) {
    struct Case {
        std::function<CObject*()> make;
        const char* className;
    };
    CWizardSchematicDataExchange3 exchange;
    const Case cases[] = {
        {[&] { return new CPropSCRiseTime(nullptr, &exchange); }, "CPropSCRisetimeFalltimePulseduration"},
        {[&] { return new CPropSCPulseDuration(nullptr, &exchange); }, "CPropSCRisetimeFalltimePulseduration"},
        {[&] { return new CPropSCMinimumValue(nullptr, &exchange); }, "CPropSCMinimumMaximum"},
        {[&] { return new CPropSCRMSValue(nullptr, &exchange); }, "CPropSCMeanRMS"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CObject> page(c.make());
        EXPECT_STREQ(c.className, page->GetRuntimeClass()->m_lpszClassName);
    }
    // The shared pages can be made from their runtime class.
    std::unique_ptr<CObject> made(RUNTIME_CLASS(CPropSCMeanRMS)->CreateObject());
    ASSERT_NE(nullptr, made);
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CPropSCMeanRMS)));
}

TEST_F(Measurement, FieldsShowTheParametersAndLaterDuplicatesWin) {
    std::vector<ParamRow> rows = kRiseRows;
    rows[0].type = 0x80000004;  // IN from a pin
    rows.push_back({.id = 2345, .name = "MAXVAL2", .value = "later"});
    rows.push_back({.id = 2186, .name = "IN2", .value = "X"});
    auto wizard = New<CSCRiseTimeWizard>(rows);
    OpenMeasurement open(*wizard, Exchange());
    CPropSCFrame* page = open.Page();
    EXPECT_EQ("later", Text(page, 2345));
    EXPECT_EQ("X", Text(page, 2186));
    // The set pin bit ticks "Use Pin"; the later clear bit leaves it ticked.
    EXPECT_EQ(BST_CHECKED, page->IsDlgButtonChecked(2073));
    EXPECT_FALSE(Enabled(page, 2186));
    ExpectTexts(page, {{2028, "TR"}, {2514, "s"}, {2001, "M1"}});
}

TEST_F(Measurement, ApplyWritesEachFieldByItsRole) {
    auto wizard = New<CSCMaximumWizard>(WindowRows("V"));
    OpenMeasurement open(*wizard, Exchange());
    CPropSCFrame* page = open.Page();
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2186), "typed"));
    ExpectUsePinsAct(page, Exchange(), {{2073, 2186, 2186}});
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2028), "YMAX"));
    ASSERT_TRUE(qv::ui::Click(page, 2401));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2342), "2"));
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2514), "ms"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "MAX1"));
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(1u, editor->CountRequests(0));
    EXPECT_EQ("V1.OUT", Live(Exchange(), 2186)[0]->GetValue().str()) << "an input from a pin keeps its text";
    EXPECT_EQ("YMAX", Live(Exchange(), 2056)[0]->GetValue().str()) << "an output value is written with its pin";
    EXPECT_EQ("2", Live(Exchange(), 2342)[0]->GetValue().str());
    EXPECT_EQ("ms", Live(Exchange(), 2342)[0]->GetUsedUnit().str());
    EXPECT_EQ("s", Live(Exchange(), 2344)[0]->GetUsedUnit().str());
    EXPECT_EQ("MAX1", Exchange()->m_strElementName.str());
}

TEST_F(Measurement, RefusedCommitFailsWithTheValuesWritten) {
    auto wizard = New<CSCMeanValueWizard>(WindowRows(""));
    OpenMeasurement open(*wizard, Exchange());
    ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(2344), "9"));
    editor->SetCommitAnswer(3);
    EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("9", Live(Exchange(), 2344)[0]->GetValue().str());
    editor->SetCommitAnswer(0);
}

TEST_F(Measurement, OutputSwitchActsAtOnceShowsTwoStatesAndSurvivesCancel) {
    auto wizard = New<CSCRMSValueWizard>(WindowRows(""));
    {
        OpenMeasurement open(*wizard, Exchange());
        for (int click = 0; click < 3; ++click) ASSERT_TRUE(qv::ui::Click(open.Page(), 2056));
        EXPECT_EQ(BST_CHECKED, open.Page()->IsDlgButtonChecked(2056));
        ASSERT_TRUE(qv::ui::Cancel(&open.Sheet()));
    }
    BOOL on = FALSE;
    ASSERT_TRUE(GetSDBOutput(Exchange(), 2056, &on));
    EXPECT_TRUE(on);
}

TEST_F(Measurement, WhichEditsMarkThePageModified) {
    struct Case {
        int control;
        bool riseTime;
        bool marks;
    };
    const Case cases[] = {
        {2001, true, false}, {2342, true, false}, {2344, true, false}, {2186, true, false}, {2345, true, false},
        {2339, true, true},  {2028, true, true},  {2001, false, true}, {2342, false, true}, {2344, false, true},
        {2186, false, true}, {2028, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.control << (c.riseTime ? " on the rise-time page" : " on the mean page"));
        auto run = [&](auto wizard) {
            OpenMeasurement open(*wizard, Exchange());
            ASSERT_FALSE(open.Page()->IsPageModified());
            ASSERT_TRUE(qv::ui::TypeText(open.Page()->GetDlgItem(c.control), "1"));
            EXPECT_EQ(c.marks, open.Page()->IsPageModified() != 0);
        };
        if (c.riseTime)
            run(New<CSCRiseTimeWizard>(kRiseRows));
        else
            run(New<CSCMeanValueWizard>(WindowRows("")));
    }
}

TEST_F(Measurement, PinnedParameterIsDisabledButStillWritten) {
    std::vector<ParamRow> rows = kRiseRows;
    rows[3].type = 0x80000004;  // TSTART from a pin
    auto wizard = New<CSCFallTimeWizard>(rows);
    OpenMeasurement open(*wizard, Exchange());
    CPropSCFrame* page = open.Page();
    EXPECT_FALSE(Enabled(page, 2342));
    EXPECT_TRUE(Enabled(page, 2344));
    page->SetDlgItemText(2342, "3");
    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2514), "us"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("3", Live(Exchange(), 2342)[0]->GetValue().str());
    EXPECT_EQ("us", Live(Exchange(), 2342)[0]->GetUsedUnit().str());
}

TEST_F(Measurement, WithoutExchangeApplyFails) {
    CSCMinimumWizard wizard;
    OpenMeasurement open(wizard, nullptr);
    EXPECT_EQ("", Text(open.Page(), 2186));
    EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
}

} // namespace
