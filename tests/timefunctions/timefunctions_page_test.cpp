// The sine and constant pages driven as a user drives them.
#include "timefunctions_support.h"
#include "tests/support/one_page_test.h"

#include "framework/param_access.h"

using namespace tf_test;

namespace {

using SinePage = OnePageTest<CTFMSineWizard4, SourcesTest>;

TEST_F(SinePage, FrequencyTypedGivesThePeriod) {
    WizardOnSheet wizard(NewWizard<CTFMSineWizard4>(kSineRows, "SIN1"));
    CPropTFMSine* page = wizard.Page();
    // A frequency of 0 (also one that underflows to 0) changes nothing: the period of the
    // case before stays.
    ExpectShownAsTyped(page, 2036, 2038,
                       {{"50", "0.02"}, {"1k", "0.001"}, {"x", "1/(x)"}, {"0", "1/(x)"}, {"1e-400", "1/(x)"},
                        {"4", "0.25"}});
    // With "Period" ticked the period is the user's.
    ASSERT_TRUE(qv::ui::Click(page, 2205));
    EXPECT_TRUE(Enabled(page, 2038));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2036), "50"));
    EXPECT_EQ("0.25", Text(page, 2038));
}

TEST_F(SinePage, NamesTypedAsFrequencyAndRmsAreApplied) {
    CPropTFMSine* page = OpenWizardPage(kSineRows, "SIN1");
    ParamHolder* holder = editor->Holder(element);
    EXPECT_TRUE(Enabled(page, 2034));
    EXPECT_FALSE(Enabled(page, 2050));
    ASSERT_TRUE(qv::ui::Click(page, 2204));
    EXPECT_FALSE(Enabled(page, 2034));
    EXPECT_TRUE(Enabled(page, 2050));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2050), "r"));
    EXPECT_EQ("r * sqrt(2.0)", Text(page, 2034));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2036), "fx"));
    EXPECT_FALSE(Enabled(page, 2217)) << "names give no curve";
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    ExpectValues(holder, {{2034, "r * sqrt(2.0)"}, {2036, "fx"}, {2038, "1/(fx)"}});
    EXPECT_EQ(0u, wizard->GetAmplitudeMode());
    EXPECT_EQ("r", wizard->GetRMSText().str());

    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2050), "230"));
    EXPECT_EQ("325.269119345812", Text(page, 2034));
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    EXPECT_EQ("325.269119345812", Param(holder, 2034)->GetValue().str());
}

TEST_F(SinePage, PeriodicalAndUnitsAreWrittenOnApply) {
    CPropTFMSine* page = OpenWizardPage(WithValue(kSineRows, 2049, "0"), "SIN1");
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ(1, Combo(page, 2049)->GetCurSel()) << "0.0 shows No";
    ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2512), "ms"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2040), "3"));
    ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2513), "deg"));
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    ExpectValues(holder, {{2049, "0"}, {2040, "3"}});
    ExpectUsedUnits(holder, {{2040, "ms"}, {2042, "deg"}});
    ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2049), "Yes"));
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    EXPECT_EQ("1", Param(holder, 2049)->GetValue().str());
}

TEST_F(SinePage, DefaultOutputSwitchesAtOnceAndSurvivesCancel) {
    DWORD element = 0;
    auto wizard = NewWizard<CTFMSineWizard4>(kSineRows, "SIN1", &element);
    BOOL on = FALSE;
    {
        OpenPage<CTFMSineWizard4> open(*wizard);
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2056));
        EXPECT_EQ(BST_CHECKED, open.Page()->IsDlgButtonChecked(2056));
        ASSERT_TRUE(GetSDBOutput(editor->Holder(element), 2056, &on));
        EXPECT_TRUE(on);
        ASSERT_TRUE(qv::ui::Cancel(&open.Sheet()));
    }
    ASSERT_TRUE(GetSDBOutput(editor->Holder(element), 2056, &on));
    EXPECT_TRUE(on);
}

TEST_F(SinePage, RefusedCommitKeepsThePageModifiedAndTheValuesWritten) {
    OpenWizardPage(kSineRows, "SIN1");
    ASSERT_TRUE(qv::ui::TypeText(open->Page()->GetDlgItem(2047), "5"));
    editor->SetCommitAnswer(1);
    EXPECT_FALSE(qv::ui::Apply(&open->Sheet()));
    EXPECT_EQ("5", Param(editor->Holder(element), 2047)->GetValue().str());
    editor->SetCommitAnswer(0);
}

TEST_F(SinePage, ASecondEditingGivesTheOldCookieBackFirst) {
    auto wizard = NewWizard<CTFMSineWizard4>(kSineRows, "SIN1");
    CPropTFMSine* page = nullptr;
    {
        CPropertySheet first("Element");
        ASSERT_TRUE(wizard->DoEditProperties(first, 1));
        page = wizard->GetPage();
        EXPECT_EQ(1, editor->OutstandingCookies());
        // The editor drops the sheet without ending the editing.
        first.RemovePage(page);
    }
    {
        CPropertySheet second("Element");
        ASSERT_TRUE(wizard->DoEditProperties(second, 1));
        EXPECT_EQ(page, wizard->GetPage()) << "the page is rebound";
        EXPECT_EQ(1, editor->OutstandingCookies()) << "the first cookie went back";
        second.RemovePage(page);
    }
    wizard->EndEditProperties();
    EXPECT_EQ(0, editor->OutstandingCookies());
    EXPECT_EQ(nullptr, wizard->GetPage());
    // Other modes go to the base and make no page.
    CPropertySheet third("Element");
    EXPECT_FALSE(wizard->DoEditProperties(third, 2));
    EXPECT_EQ(nullptr, wizard->GetPage());
}

TEST_F(SinePage, TheOtherTimeFunctionsPutTheirPagesOnTheSheet) {
    auto saw = NewWizard<CTFMSawToothWizard4>(kSineRows, "SAW1");
    CPropertySheet sheet("Element");
    EXPECT_TRUE(saw->DoEditProperties(sheet, 1));
    CTFMNeedleWizard needle;
    EXPECT_TRUE(needle.DoEditProperties(sheet, nullptr, 1));
    EXPECT_EQ(2, sheet.GetPageCount());
    saw->EndEditProperties();
    needle.EndEditProperties();
    EXPECT_EQ(0, editor->OutstandingCookies());
}

TEST_F(SinePage, WithoutParameterSetApplyWritesNothingAndFails) {
    CTFMSineWizard4 wizard;
    OpenPage<CTFMSineWizard4> open(wizard);
    EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
}

// ---------------------------------------------------------------------------------------
// The constant block page.

using ConstantPage = OnePageTest<CConstantBlockWizard4, SourcesTest>;

TEST_F(ConstantPage, SampleTimeShownAndStored) {
    struct Case {
        const char* stored;
        const char* shown;
        int selection;
        const char* applied;
    };
    const Case cases[] = {
        {"0", "System", 0, "0"},    {"1m", "1m", 1, "1m"},      {"0.001", "1m", 1, "1m"},
        {"0.0", "0.0", 2, "0.0"},   {"TS0 ", "TS0", 2, "TS0"}, {"2m", "2m", 2, "2m"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<CConstantBlockWizard4>(WithValue(kConstantRows, 2183, c.stored), "C1", &element));
        CComboBox* combo = Combo(wizard.Page(), 2183);
        EXPECT_EQ(c.selection, combo->GetCurSel());
        CString shown;
        combo->GetWindowText(shown);
        EXPECT_EQ(c.shown, shown.str());
        ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
        EXPECT_EQ(c.applied, Param(editor->Holder(element), 2183)->GetValue().str());
    }
}

TEST_F(ConstantPage, ChoosingSystemStoresZeroAndATypedTextBecomesAnEntry) {
    CWnd* page = OpenWizardPage(WithValue(kConstantRows, 2183, "5m"), "C1");
    ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2183), "System"));
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    EXPECT_EQ("0", Param(editor->Holder(element), 2183)->GetValue().str());
    // The user types into the list's edit and leaves it for the value.
    ASSERT_TRUE(qv::ui::TypeText(Combo(page, 2183), "TSAMPLE  "));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2028), "3"));
    EXPECT_EQ(4, Combo(page, 2183)->GetCount());
    ASSERT_TRUE(qv::ui::Apply(&open->Sheet()));
    EXPECT_EQ("TSAMPLE", Param(editor->Holder(element), 2183)->GetValue().str());
    // Leaving it again adds nothing twice.
    ASSERT_TRUE(qv::ui::TypeText(Combo(page, 2183), "TSAMPLE  "));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2028), "4"));
    EXPECT_EQ(4, Combo(page, 2183)->GetCount());
}

TEST_F(ConstantPage, ACUseLocksTheACPageAndListsTheValuePlaceholders) {
    DWORD element = 0;
    auto [wizard, open, page] =
        OpenedWizard(NewWizard<CConstantBlockWizard4>(WithValue(kConstantRows, 2028, "7"), "C1", &element));
    ASSERT_TRUE(qv::ui::Click(page, 2520));
    ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
    EXPECT_EQ(1u, open.AC()->GetLocked());
    EXPECT_EQ("7", open.AC()->GetMagnitudeText().str());
    EXPECT_EQ("0", open.AC()->GetPhaseText().str());
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ((std::vector<std::string>{"CONST", "TS", "@AC_PHASE_VAL", "@AC_MAG_VAL"}),
              SnapshotNames(wizard->GetSnapshots()));
    EXPECT_EQ(1u, wizard->GetACUse());
    // Clearing it unlocks the page again.
    ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 0));
    ASSERT_TRUE(qv::ui::Click(page, 2520));
    ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
    EXPECT_EQ(0u, open.AC()->GetLocked());
}

TEST_F(ConstantPage, RealAndImaginaryModeListsTheComputedPlaceholders) {
    WizardOnSheet wizard(NewWizard<CConstantBlockWizard4>(kConstantRows, "C1"));
    ASSERT_TRUE(qv::ui::SelectPage(&wizard.Sheet(), 1));
    ASSERT_TRUE(qv::ui::Click(wizard.AC(), 2428));
    ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
    EXPECT_EQ((std::vector<std::string>{"CONST", "TS", "@AC_PHASE", "@AC_MAG"}), SnapshotNames(wizard->GetSnapshots()));
    EXPECT_EQ(1u, wizard->GetACMode());
}

TEST_F(ConstantPage, UsePinBoxesAndTheOutputAct) {
    CWnd* page = OpenWizardPage(kConstantRows, "C1");
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ("Block Output Signal [V]", Text(page, 2056));
    ASSERT_TRUE(qv::ui::Click(page, 2090));
    EXPECT_FALSE(Enabled(page, 2028));
    EXPECT_TRUE(Param(holder, 2028)->HasPin());
    ASSERT_TRUE(qv::ui::Click(page, 2074));
    EXPECT_FALSE(Enabled(page, 2183));
    EXPECT_TRUE(Param(holder, 2183)->HasPin());
    ASSERT_TRUE(qv::ui::Click(page, 2056));
    ASSERT_TRUE(qv::ui::Click(page, 2056));
    ASSERT_TRUE(qv::ui::Click(page, 2056));
    EXPECT_EQ(BST_CHECKED, page->IsDlgButtonChecked(2056)) << "the three-state box shows two states only";
    BOOL on = FALSE;
    ASSERT_TRUE(GetSDBOutput(holder, 2056, &on));
    EXPECT_TRUE(on);
}

TEST_F(ConstantPage, StepAndRandomPutTheirPageBeforeTheACPage) {
    auto step = NewWizard<CStepFunctionBlockWizard4>(kConstantRows, "S1");
    CPropertySheet sheet("Element");
    EXPECT_TRUE(step->DoEditProperties(sheet, 1));
    EXPECT_EQ(2, sheet.GetPageCount());
    step->EndEditProperties();
    EXPECT_EQ(0, editor->OutstandingCookies());
}

} // namespace
