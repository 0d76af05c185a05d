// The time-function pages besides the sine, driven as a user drives them.
#include "wave_pages_support.h"

#include "framework/param_access.h"

using namespace wave_test;

namespace {

using WavePages = SourcesTest;

TEST_F(WavePages, EachWizardPutsItsPageOnTheSheetAndGivesTheCookieBack) {
    auto saw = NewWizard<CTFMSawToothWizard4>(WaveRows(), "SAW1");
    auto pulse = NewWizard<CTFMPulseWizard4>(WaveRows(), "PUL1");
    auto triangle = NewWizard<CTFMTriangleWizard4>(WaveRows(), "TRI1");
    auto trapez = NewWizard<CTFMTrapezWizard4>(WaveRows(), "TRA1");
    auto arc = NewWizard<CTFMArcTangWizard4>(kArcTangRows, "ATN1");
    auto vco = NewWizard<CTFMVCOWizard4>(VCORows("0", "0"), "VCO1");
    CPropertySheet sheet("Element");
    for (CWizardBase4* wizard : std::initializer_list<CWizardBase4*>{saw.get(), pulse.get(), triangle.get(),
                                                                     trapez.get(), arc.get(), vco.get()}) {
        EXPECT_TRUE(wizard->DoEditProperties(sheet, 1));
        // A second call rebinds the page and gives the earlier cookie back.
        EXPECT_TRUE(wizard->DoEditProperties(sheet, 1));
        wizard->EndEditProperties();
        CPropertySheet other("Element");
        EXPECT_FALSE(wizard->DoEditProperties(other, 2)) << "other modes are the base's";
    }
    EXPECT_EQ(nullptr, saw->GetPage());
    EXPECT_EQ(nullptr, vco->GetPage());
    EXPECT_EQ(0, editor->OutstandingCookies());
}

TEST_F(WavePages, OutputCaptionsAndRampControlsPerVariant) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<CTimeFunctionWizardBase4>()> make;
        const char* caption;
        bool ramp;
    };
    const Case cases[] = {
        {"pulse", [&] { return NewWizard<CTFMPulseWizard4>(WaveRows(), "PUL1"); }, "Pulse Wave", false},
        {"saw-tooth", [&] { return NewWizard<CTFMSawToothWizard4>(WaveRows(), "SAW1"); }, "Saw-tooth Wave", true},
        {"triangle", [&] { return NewWizard<CTFMTriangleWizard4>(WaveRows(), "TRI1"); }, "Triangular Wave", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto wizard = c.make();
        CPropertySheet sheet("Element");
        ASSERT_TRUE(wizard->DoEditProperties(sheet, 1));
        ASSERT_TRUE(sheet.Create());
        CWnd* page = sheet.GetPage(0);
        EXPECT_EQ(c.caption, Text(page, 2056));
        EXPECT_EQ(c.ramp, Visible(page, 2207));
        EXPECT_EQ(c.ramp, Visible(page, 2206));
        sheet.DestroyWindow();
        wizard->EndEditProperties();
    }
}

TEST_F(WavePages, FallingSawToothSetsTheSymbolByteAndTheWizardsRamp) {
    struct Case {
        const char* choice;
        DWORD ramp;
        BYTE variant;
    };
    // Rising is drawn as a saw-tooth is placed (variant byte 0), so that applying it changes
    // nothing; falling is variant 1.
    const Case cases[] = {{"Falling", 1, 2}, {"Rising", 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<CTFMSawToothWizard4>(WaveRows(), "SAW1", &element));
        CWnd* page = wizard.Page();
        ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2207), c.choice));
        ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
        EXPECT_EQ(c.ramp, wizard->GetRamp());
        EXPECT_EQ(c.variant, editor->Holder(element)->m_bySymbolVariant);
    }
    // The pulse's ramp list is hidden: its apply keeps the byte.
    DWORD element = 0;
    auto pulse = NewWizard<CTFMPulseWizard4>(WaveRows(), "PUL1", &element);
    editor->Holder(element)->m_bySymbolVariant = 9;
    OpenPage<CTFMPulseWizard4> open(*pulse);
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(9, editor->Holder(element)->m_bySymbolVariant);
}

TEST_F(WavePages, FrequencyGivesThePeriodThatApplyWrites) {
    struct Case {
        const char* frequency;
        const char* period;
        bool show = true;
    };
    const Case cases[] = {{"4", "0.25"}, {"1k", "0.001"}, {"fx", "1/(fx)", false}, {"1meg", "1e-06"}, {"2MEG", "5e-07"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frequency);
        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<CTFMTriangleWizard4>(WaveRows(), "TRI1", &element));
        CWnd* page = wizard.Page();
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2036), c.frequency));
        EXPECT_EQ(c.period, Text(page, 2038));
        EXPECT_EQ(c.show, Enabled(page, 2217));
        ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
        EXPECT_EQ(c.period, Param(editor->Holder(element), 2038)->GetValue().str());
        EXPECT_EQ(c.frequency, Param(editor->Holder(element), 2036)->GetValue().str());
    }
}

TEST_F(WavePages, TrapezoidPeriodIsTheSumOrItsFormula) {
    struct Case {
        const char* rise;
        const char* period;
        bool show;
    };
    const Case cases[] = {{"1m", "0.004", true}, {"tr", " tr + 2m + 1m", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rise);
        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<CTFMTrapezWizard4>(WaveRows(), "TRA1", &element));
        CWnd* page = wizard.Page();
        EXPECT_TRUE(Enabled(page, 2217)) << "Show is enabled at opening";
        EXPECT_FALSE(Enabled(page, 2038));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2055), "2m"));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2053), "1m"));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2051), c.rise));
        EXPECT_EQ(c.period, Text(page, 2038));
        EXPECT_EQ(c.show, Enabled(page, 2217));
        ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
        EXPECT_EQ(c.period, Param(editor->Holder(element), 2038)->GetValue().str());
    }
}

// The period follows in the unit it is shown in (its list is locked while it is derived, so
// the parameter's) from values in the units their lists show, chosen before or after the
// values are typed.
TEST_F(WavePages, PeriodFollowsInTheUnitsShown) {
    struct Case {
        bool trapezoid;
        const char* sourceUnit;  // the frequency's, or that of rise, width and fall
        const char* periodUnit;
        const char* typed;       // the frequency, or the rise (width 8, fall 2)
        const char* period;
    };
    const Case cases[] = {
        {false, "Hz", "ms", "100", "10"}, {false, "kHz", "s", "100", "1e-05"}, {false, "kHz", "ms", "fx", "((1/(((fx)*1000)))*1000)"},
        {true, "ms", "s", "1", "0.011"},  {true, "ms", "ms", "1", "11"},
    };
    for (size_t run = 0; run < 2 * std::size(cases); ++run) {
        const Case& c = cases[run / 2];
        const bool unitsFirst = run % 2 == 0;
        SCOPED_TRACE(std::string(c.typed) + (unitsFirst ? ", units first" : ", units last"));
        DWORD element = 0;
        const auto check = [&](auto made) {
            Param(editor->Holder(element), 2038)->SetUsedUnit(c.periodUnit);
            WizardOnSheet wizard(std::move(made));
            CWnd* page = wizard.Page();
            const auto chooseUnits = [&] {
                for (int list : c.trapezoid ? std::vector<int>{2515, 2516, 2517} : std::vector<int>{2509})
                    ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(list), c.sourceUnit));
            };
            if (unitsFirst) chooseUnits();
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(c.trapezoid ? 2051 : 2036), c.typed));
            if (!unitsFirst) chooseUnits();
            EXPECT_EQ(c.period, Text(page, 2038));
            ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
            EXPECT_EQ(c.period, Param(editor->Holder(element), 2038)->GetValue().str());
        };
        const auto rows = WithValue(WithValue(WaveRows(), 2055, "8"), 2053, "2");
        if (c.trapezoid)
            check(NewWizard<CTFMTrapezWizard4>(rows, "TRA1", &element));
        else
            check(NewWizard<CTFMTriangleWizard4>(rows, "TRI1", &element));
    }
}

TEST_F(WavePages, TrapezoidAmplitudeDoesNotReevaluateShow) {
    WizardOnSheet wizard(NewWizard<CTFMTrapezWizard4>(WaveRows(), "TRA1"));
    CWnd* page = wizard.Page();
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2034), "a"));
    EXPECT_TRUE(Enabled(page, 2217));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2047), "0"));
    EXPECT_FALSE(Enabled(page, 2217));
    // Ticking "Period" makes the period the user's and hands the flag to the wizard.
    ExpectTypedPeriodKept(page, "7m", 2051, "3m");
    ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
    EXPECT_TRUE(wizard->GetPeriodGiven());
}

TEST_F(WavePages, DefaultOutputSwitchesAtOnce) {
    DWORD element = 0;
    WizardOnSheet wizard(NewWizard<CTFMTrapezWizard4>(WaveRows(), "TRA1", &element));
    CWnd* page = wizard.Page();
    BOOL first = FALSE;
    ASSERT_TRUE(GetSDBOutput(editor->Holder(element), 2056, &first));
    ASSERT_TRUE(qv::ui::Click(page, 2056));
    BOOL now = FALSE;
    GetSDBOutput(editor->Holder(element), 2056, &now);
    EXPECT_NE(first, now);
    EXPECT_EQ(now ? BST_CHECKED : BST_UNCHECKED, static_cast<int>(page->IsDlgButtonChecked(2056)));
    ASSERT_TRUE(qv::ui::Click(page, 2056));
    GetSDBOutput(editor->Holder(element), 2056, &now);
    EXPECT_EQ(first, now);
}

TEST_F(WavePages, ArcTangentTimeGoesToTheWizardAlsoWhenTheCommitIsRefused) {
    DWORD element = 0;
    auto wizard = NewWizard<CTFMArcTangWizard4>(kArcTangRows, "ATN1", &element);
    wizard->SetTimeText("1");
    OpenPage<CTFMArcTangWizard4> open(*wizard);
    CWnd* page = open.Page();
    EXPECT_EQ("1", Text(page, 2188));
    EXPECT_EQ("Arc tangent [V]", Text(page, 2056));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2188), "x"));
    EXPECT_TRUE(Enabled(page, 2217)) << "the time text is not tested";
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2010), "k"));
    EXPECT_FALSE(Enabled(page, 2217));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2188), "4"));
    editor->SetCommitAnswer(1);
    EXPECT_FALSE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("4", wizard->GetTimeText().str());
    EXPECT_EQ("k", Param(editor->Holder(element), 2010)->GetValue().str()) << "the refused values stay written";
    editor->SetCommitAnswer(0);
}

TEST_F(WavePages, VCOLimitsAndUsePin) {
    struct Case {
        const char* lower;
        const char* upper;
        bool ticked;
    };
    const Case cases[] = {{"0", "0", false}, {"-10", "10", true}, {"0", "1", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.upper);
        DWORD element = 0;
        WizardOnSheet wizard(NewWizard<CTFMVCOWizard4>(VCORows(c.lower, c.upper), "VCO1", &element));
        CWnd* page = wizard.Page();
        EXPECT_EQ(c.ticked, page->IsDlgButtonChecked(2148) == BST_CHECKED);
        EXPECT_EQ(c.ticked, Enabled(page, 2151));
        EXPECT_EQ(c.ticked, Enabled(page, 2152));
        EXPECT_FALSE(Enabled(page, 2517)) << "the limit unit lists are never enabled";
        EXPECT_FALSE(Enabled(page, 2518));
        EXPECT_EQ("Value [V]", Text(page, 2056));
        if (c.ticked) {
            ASSERT_TRUE(qv::ui::Click(page, 2148));
        }
        EXPECT_FALSE(Enabled(page, 2151));
        ASSERT_TRUE(qv::ui::Apply(&wizard.Sheet()));
        EXPECT_EQ("0", Param(editor->Holder(element), 2151)->GetValue().str());
        EXPECT_EQ("0", Param(editor->Holder(element), 2152)->GetValue().str());
        EXPECT_EQ(c.upper, Text(page, 2151)) << "the typed limits stay on the page";
    }

    DWORD element = 0;
    auto wizard = NewWizard<CTFMVCOWizard4>(VCORows("0", "0"), "VCO1", &element);
    {
        OpenPage<CTFMVCOWizard4> open(*wizard);
        CWnd* page = open.Page();
        EXPECT_TRUE(Enabled(page, 2186));
        ASSERT_TRUE(qv::ui::Click(page, 2073));
        EXPECT_FALSE(Enabled(page, 2186));
        EXPECT_NE(0u, Param(editor->Holder(element), 2186)->GetType() & 0x80000000u) << "set before any apply";
        ASSERT_TRUE(qv::ui::Cancel(&open.Sheet()));
    }
    EXPECT_NE(0u, Param(editor->Holder(element), 2186)->GetType() & 0x80000000u) << "cancel keeps it";
    OpenPage<CTFMVCOWizard4> again(*wizard);
    EXPECT_TRUE(again.Page()->IsDlgButtonChecked(2073) == BST_CHECKED);
    EXPECT_FALSE(Enabled(again.Page(), 2186));
}

TEST_F(WavePages, NeedleCommitsWithCodeZeroAndTheExchangeObject) {
    const DWORD element = editor->AddElement(MakeHolder<CWizardSchematicDataExchange3>(kNeedleRows, "NDL1"));
    auto wizard = std::make_unique<CTFMNeedleWizard>();
    editor->Attach(*wizard, element);
    CWizardSchematicDataExchange3* exchange = editor->Exchange(element);
    ASSERT_NE(nullptr, exchange);
    CPropertySheet sheet("Element");
    ASSERT_TRUE(wizard->DoEditProperties(sheet, exchange, 1));
    ASSERT_TRUE(sheet.Create());
    CWnd* page = wizard->GetPage();
    EXPECT_EQ("Value", Text(page, 2056));
    EXPECT_EQ("0.25m", Text(page, 2042));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2034), "3"));
    ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2049), "No"));
    editor->ClearRequests();
    ASSERT_TRUE(qv::ui::Apply(&sheet));
    EXPECT_EQ(1u, editor->CountRequests(0));
    EXPECT_EQ(0u, editor->CountRequests(25));
    EXPECT_EQ("3", Param(exchange, 2034)->GetValue().str());
    EXPECT_EQ("0", Param(exchange, 2049)->GetValue().str());
    // The preview of the page: one needle, 503 points.
    ASSERT_TRUE(qv::ui::Click(page, 2217));
    EXPECT_EQ(503, wizard->GetPage()->GetPreviewPoints().GetSize());
    sheet.DestroyWindow();
    wizard->EndEditProperties();
    EXPECT_EQ(nullptr, wizard->GetPage());
}

TEST_F(WavePages, PreviewsOfThePagesUseTheFields) {
    WizardOnSheet saw(NewWizard<CTFMSawToothWizard4>(WaveRows(), "SAW1"));
    CPropTFMWave* page = saw.Page();
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2036), "1"));
    ASSERT_TRUE(qv::ui::Click(page, 2217));
    ASSERT_NE(nullptr, page->GetPreview());
    ASSERT_EQ(501, page->GetPreviewPoints().GetSize());
    EXPECT_DOUBLE_EQ(-1.0, static_cast<CDataPoint*>(page->GetPreviewPoints()[0])->y);
    EXPECT_EQ("Update", Text(page, 2217));

    // The arc tangent's Time is a time in seconds, its unit applied; a text that is no time
    // draws nothing.
    struct Case {
        const char* time;
        double span;  // the preview's last time: Time times pi
    };
    const double pi = 3.141592653589793;
    const Case cases[] = {{"2", 2 * pi}, {"1 ms", 1e-3 * pi}, {"1m", 1e-3 * pi}, {"5 V", 0}, {"x", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        WizardOnSheet arc(NewWizard<CTFMArcTangWizard4>(kArcTangRows, "ATN1"));
        CWnd* arcPage = arc.Page();
        ASSERT_TRUE(qv::ui::TypeText(arcPage->GetDlgItem(2188), c.time));
        ASSERT_TRUE(qv::ui::Click(arcPage, 2217));
        const CPtrArray& points = arc.Page()->GetPreviewPoints();
        ASSERT_EQ(101, points.GetSize());
        EXPECT_NEAR(c.span, static_cast<CDataPoint*>(points[100])->x, 1e-12);
    }
}

} // namespace
