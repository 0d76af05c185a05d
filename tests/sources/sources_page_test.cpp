// The linear-source page and the AC page driven as a user drives them, and the page blocks
// of older data.
#include "sources_support.h"

#include "framework/param_access.h"

using namespace sources_test;

namespace {

using SourcesPage = SourcesTest;

TEST_F(SourcesPage, WithoutAmplitudeOnlyTheValueIsOffered) {
    DWORD element = 0;
    auto rows = Without(kVoltageRows, 2034);
    rows[0].name = "P";
    auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearVoltageSourceWizard4>(rows, "V1", &element));
    EXPECT_TRUE(Visible(page, 2144));
    for (int id : {2027, 2031, 2032, 2203, 2204, 2034, 2036, 2038, 2042, 2051, 2055, 2205, 2305, 2508, 2517})
        EXPECT_FALSE(Visible(page, id)) << id;
    EXPECT_TRUE(Visible(page, 2028));
    EXPECT_TRUE(Enabled(page, 2028));
    EXPECT_TRUE(Enabled(page, 2520));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    // The voltage source without time functions lists "P" alone before the AC entries.
    EXPECT_EQ((std::vector<std::string>{"P", "AC_PHASE", "AC_MAG"}), SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(SourcesPage, ConstantAndTimeControlledSwitchTheValueAndTheSymbol) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearVoltageSourceWizard4>(kVoltageRows, "V1", &element));
    ParamHolder* holder = editor->Holder(element);
    ExpectTexts(page, {{2027, "EMF Value"}, {2018, "Voltage [V]"}, {2056, "EMF Value [V]"}});
    for (int id : {2028, 2030, 2507, 2520, 2305}) EXPECT_TRUE(Enabled(page, id)) << id;
    EXPECT_TRUE(Visible(page, 2305));
    for (int id : {2032, 2034, 2036}) EXPECT_FALSE(Enabled(page, id)) << id;

    ASSERT_TRUE(qv::ui::Click(page, 2031));
    EXPECT_TRUE(Param(holder, 2028)->IsOutput());
    EXPECT_FALSE(Enabled(page, 2028));
    EXPECT_FALSE(Enabled(page, 2520));
    EXPECT_FALSE(Visible(page, 2305));
    ExpectFormSteps(page, open.Sheet(), holder, 2515,
                    {{"Pulse", 2, true, false}, {"Trapezoidal", 8, false, true}, {"Saw-tooth Falling", 32, true, false}},
                    [](const FormStep&) {});
    ASSERT_TRUE(qv::ui::Click(page, 2027));
    EXPECT_TRUE(Param(holder, 2028)->IsInput());
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0, holder->m_bySymbolVariant);
    EXPECT_EQ(-1, wizard->GetKind());
    EXPECT_EQ(5, wizard->GetListSelection()) << "the list keeps its selection while the constant is chosen";
}

TEST_F(SourcesPage, RmsValueGivesTheAmplitude) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearVoltageSourceWizard4>(kVoltageRows, "V1", &element));
    ASSERT_TRUE(ChooseTimeForm(page, "Sine"));
    EXPECT_TRUE(Visible(page, 2204));
    ASSERT_TRUE(qv::ui::Click(page, 2204));
    EXPECT_FALSE(Enabled(page, 2034));
    ExpectShownAsTyped(page, 2057, 2034,
                       {{"10", "14.142135623731"}, {"1m", "0.0014142135623731"}, {"URMS", "URMS * sqrt(2.0)"}});
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2057), "10"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("14.142135623731", Param(editor->Holder(element), 2034)->GetValue().str());
    EXPECT_EQ(0u, wizard->GetAmplitudeMode());
    EXPECT_EQ("10", wizard->GetRMSText().str());
    EXPECT_EQ(0, wizard->GetKind());
}

TEST_F(SourcesPage, TrapezoidTimesGiveThePeriodUnlessItIsFixed) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearCurrentSourceWizard4>(CurrentRows(), "I1", &element));
    ASSERT_TRUE(ChooseTimeForm(page, "Trapezoidal"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2051), "1u"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2055), "2u"));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2053), "1u"));
    EXPECT_EQ("4e-06", Text(page, 2038));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2055), "PW"));
    EXPECT_EQ(" 1u + PW + 1u", Text(page, 2038));
    // A fixed period is never derived.
    ExpectTypedPeriodKept(page, "5u", 2051, "3u");
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ("5u", Param(holder, 2038)->GetValue().str());
    EXPECT_TRUE(wizard->GetPeriodFixed());
    EXPECT_EQ((std::vector<std::string>{"TPERIO", "TRISE", "TFALL", "PWIDTH", "AMPL", "PHASE", "PERIO", "OFF",
                                        "TDELAY", "AC_PHASE", "AC_MAG"}),
              SnapshotNames(wizard->GetSnapshots()));
    // Leaving the page marks the frequency unused and the trapezoid's times used.
    ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
    EXPECT_TRUE(Unused(holder, 2036));
    EXPECT_FALSE(Unused(holder, 2051));
    EXPECT_FALSE(Unused(holder, 2038));
}

TEST_F(SourcesPage, ACUseLocksTheACPageAndPresetsMagnitudeAndPhase) {
    DWORD element = 0;
    auto [wizard, open, page] =
        OpenedWizard(NewWizard<CLinearVoltageSourceWizard4>(WithValue(kVoltageRows, 2425, "99"), "V1", &element));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2028), "230"));
    ASSERT_TRUE(qv::ui::Click(page, 2520));
    ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
    CPropACParameters* ac = open.AC();
    EXPECT_EQ(1u, ac->GetLocked());
    EXPECT_EQ("230", Text(ac, 2425));
    EXPECT_EQ("0", Text(ac, 2434));
    for (int id : {2424, 2433, 2032, 2031}) EXPECT_TRUE(Enabled(ac, id)) << id;
    for (int id : {2330, 2428, 2425, 2434, 2516, 2517, 2033, 2321, 2429, 2430, 2518, 2519, 2035})
        EXPECT_FALSE(Enabled(ac, id)) << id;
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ("230", Param(holder, 2425)->GetValue().str());
    EXPECT_EQ("0", Param(holder, 2434)->GetValue().str());
    EXPECT_TRUE(wizard->GetACUse());
    EXPECT_EQ((std::vector<std::string>{"EMF", "PARTDERIV", "SPC", "@AC_PHASE_VAL", "@AC_MAG_VAL"}),
              SnapshotNames(wizard->GetSnapshots()));
    EXPECT_FALSE(Unused(holder, 2425));
    EXPECT_TRUE(Unused(holder, 2430));
}

TEST_F(SourcesPage, TimeControlledSourceLeavesTheACPageFree) {
    auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearVoltageSourceWizard4>(kVoltageRows, "V1"));
    ASSERT_TRUE(qv::ui::Click(page, 2520));
    ASSERT_TRUE(qv::ui::Click(page, 2031));
    ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
    CPropACParameters* ac = open.AC();
    EXPECT_EQ(0u, ac->GetLocked());
    EXPECT_TRUE(Enabled(ac, 2425));
    // An unlocked page shows the parameter's own magnitude when its window is made.
    EXPECT_EQ("0", Text(ac, 2425));
}

TEST_F(SourcesPage, RealAndImaginaryOnTheACPageGiveTheirEntries) {
    DWORD element = 0;
    auto wizard = Initialized(NewWizard<CLinearCurrentSourceWizard4>(CurrentRows(), "I1", &element));
    OpenPage<CLinearCurrentSourceWizard4> open(*wizard);
    ASSERT_TRUE(qv::ui::Click(open.Page(), 2031));
    ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
    CPropACParameters* ac = open.AC();
    ASSERT_TRUE(qv::ui::Click(ac, 2428));
    ASSERT_TRUE(qv::ui::TypeText(ac->GetDlgItem(2430), "3"));
    ASSERT_TRUE(qv::ui::TypeText(ac->GetDlgItem(2432), "-4"));
    // The source page is applied first and takes the AC page's mode into the wizard.
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(1u, wizard->GetACMode());
    EXPECT_EQ((std::vector<std::string>{"FREQ", "TPERIO", "AMPL", "PHASE", "PERIO", "OFF", "TDELAY", "@AC_PHASE",
                                        "@AC_MAG"}),
              SnapshotNames(wizard->GetSnapshots()));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ("3", Param(holder, 2430)->GetValue().str());
    EXPECT_EQ("-4", Param(holder, 2432)->GetValue().str());
}

TEST_F(SourcesPage, RefusedApplyKeepsThePageModified) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearVoltageSourceWizard4>(kVoltageRows, "V1", &element));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2028), "5"));
    editor->SetCommitAnswer(1);
    editor->ClearRequests();
    EXPECT_FALSE(page->OnApply());
    EXPECT_TRUE(page->IsPageModified());
    EXPECT_EQ(1u, editor->CountRequests(25)) << "one commit, refused";
    editor->SetCommitAnswer(0);
    editor->ClearRequests();
    EXPECT_TRUE(page->OnApply());
    EXPECT_FALSE(page->IsPageModified());
    EXPECT_EQ(1u, editor->CountRequests(25));
}

TEST_F(SourcesPage, PageWithoutParameterSetRefusesToApply) {
    CLinearVoltageSourceWizard4 wizard;
    CPropLinearSourceV page(&wizard, nullptr);
    EXPECT_FALSE(page.OnApply());
    CPropACParameters ac(&wizard, nullptr);
    EXPECT_FALSE(ac.OnApply());
}

// Period "Yes"/"No", partial derivation and units go into the parameters on apply.
TEST_F(SourcesPage, ApplyWritesListsFlagsAndUsedUnits) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearVoltageSourceWizard4>(kVoltageRows, "V1", &element));
    ASSERT_TRUE(qv::ui::Click(page, 2305));
    ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2507), "kV"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ("1", Param(holder, 2305)->GetValue().str());
    EXPECT_EQ("kV", Param(holder, 2028)->GetUsedUnit().str());
    ASSERT_TRUE(qv::ui::Click(page, 2031));
    ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2049), "No"));
    ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2513), "rad"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("0", Param(holder, 2049)->GetValue().str());
    EXPECT_EQ("rad", Param(holder, 2042)->GetUsedUnit().str());
    // While time-controlled the partial derivation is marked unused on leaving the page.
    ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
    EXPECT_TRUE(Unused(holder, 2305));
    EXPECT_TRUE(Unused(holder, 2051));
}

TEST_F(SourcesPage, PinnedAmplitudeIsNotEditable) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearVoltageSourceWizard4>(kVoltageRows, "V1", &element);
    Param(editor->Holder(element), 2034)->UsePin(TRUE);
    ASSERT_TRUE(wizard->Initialize(0));
    OpenPage<CLinearVoltageSourceWizard4> open(*wizard);
    CWnd* page = open.Page();
    ASSERT_TRUE(ChooseTimeForm(page, "Pulse"));
    EXPECT_FALSE(Enabled(page, 2034));
    EXPECT_TRUE(Enabled(page, 2036));
    ASSERT_TRUE(qv::ui::Click(page, 2027));
    ASSERT_TRUE(qv::ui::Click(page, 2030));
    EXPECT_FALSE(Enabled(page, 2028));
    EXPECT_TRUE(Param(editor->Holder(element), 2028)->HasPin());
}

} // namespace
