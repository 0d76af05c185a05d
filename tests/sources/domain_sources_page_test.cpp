// The page of the linear sources of other domains driven as a user drives it: the start
// state, the forms, the amplitude from the RMS value, the derived period, the lock of the AC
// page, apply, the unused marks, and page blocks read into an open page.
#include "domain_sources_support.h"

#include "framework/param_access.h"
#include "framework/requests.h"

using namespace domain_test;

namespace {

using DomainPage = SourcesTest;

TEST_F(DomainPage, StartStateShowsTheEditorsTextsAndHidesWhatIsAbsent) {
    struct Case {
        bool temperature;
        const char* valueCaption;
        const char* firstOutput;
        const char* secondOutput;
        bool initialValue;
    };
    const Case cases[] = {
        {.temperature = false, .valueCaption = "Force Value", .firstOutput = "Force [N]",
         .secondOutput = "Velocity [m/s]", .initialValue = false},
        {.temperature = true, .valueCaption = "Temperature Value", .firstOutput = "Temperature [K]",
         .secondOutput = "Heat Flow [W]", .initialValue = true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.valueCaption);
        auto rows = WithValue(c.temperature ? TemperatureRows() : kForceRows, 2049, "0");
        auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearDomainsSourceBWizard4>(rows, "X1"));
        EXPECT_EQ(c.valueCaption, Text(page, 2027));
        EXPECT_EQ(c.firstOutput, Text(page, 2018));
        EXPECT_EQ(c.secondOutput, Text(page, 2019));
        EXPECT_EQ(0, Combo(page, 2032)->GetCurSel()) << "Sine preselected";
        EXPECT_EQ(1, Combo(page, 2049)->GetCurSel()) << "a stored 0 shows No";
        for (int id : {2046, 2058}) EXPECT_FALSE(Visible(page, id)) << id;
        for (int id : {2095, 2096, 2511}) EXPECT_EQ(c.initialValue, Visible(page, id)) << id;
        EXPECT_EQ(BST_CHECKED, static_cast<CButton*>(page->GetDlgItem(2027))->GetCheck());
        for (int id : {2028, 2030, 2507, 2520}) EXPECT_TRUE(Enabled(page, id)) << id;
        for (int id : {2032, 2034, 2036, 2051}) EXPECT_FALSE(Enabled(page, id)) << id;
    }
}

// Every form enables its own fields; only the sine offers the RMS value and (when the set
// has one) the damping factor, whose unused mark follows.
TEST_F(DomainPage, FormsSwitchTheirFieldsDampingAndSymbol) {
    DWORD element = 0;
    auto [wizard, open, page] =
        OpenedWizard(NewWizard<CLinearDomainsSourceBWizard4>(TemperatureRows(), "T1", &element));
    ParamHolder* holder = editor->Holder(element);
    ASSERT_TRUE(qv::ui::Click(page, 2031));
    EXPECT_TRUE(Param(holder, 2028)->IsOutput());
    EXPECT_FALSE(Enabled(page, 2028));
    const std::vector<FormStep> steps = {{"Pulse", 2, true, false, false},
                                         {"Trapezoidal", 8, false, true, false},
                                         {"Sine", 1, true, false, true},
                                         {"Saw-tooth Falling", 32, true, false, false}};
    ExpectFormSteps(page, open.Sheet(), holder, 2517, steps, [&](const FormStep& step) {
        for (int id : {2203, 2204, 2057}) EXPECT_EQ(step.sine, Visible(page, id)) << id;
        EXPECT_EQ(!step.sine, Visible(page, 2033));
        for (int id : {2046, 2058}) EXPECT_EQ(step.sine, Visible(page, id)) << id;
        EXPECT_EQ(!step.sine, Unused(holder, 2058));
    });
    ASSERT_TRUE(qv::ui::Click(page, 2027));
    EXPECT_TRUE(Param(holder, 2028)->IsInput());
    EXPECT_TRUE(Unused(holder, 2058));
    EXPECT_FALSE(Unused(holder, 2028));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0, holder->m_bySymbolVariant);
    EXPECT_EQ(-1, wizard->GetForm());
    EXPECT_EQ(5, wizard->GetTimeFormIndex()) << "the list keeps its selection while the constant is chosen";
}

// A set without damping never shows it and never marks it.
TEST_F(DomainPage, WithoutDampingNothingIsShownForTheSine) {
    auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearDomainsSourceAWizard4>(kForceRows, "F1"));
    ASSERT_TRUE(ChooseTimeForm(page, "Sine"));
    EXPECT_FALSE(Visible(page, 2058));
    EXPECT_FALSE(open.Page()->HasDamping());
}

TEST_F(DomainPage, RmsValueGivesTheAmplitude) {
    struct Case {
        const char* rms;
        const char* amplitude;
    };
    // An expression is one factor of the product.
    const Case cases[] = {{"10", "14.142135623731"}, {"1k", "1414.2135623731"}, {"U", "U * sqrt(2.0)"},
                          {"1e308", "1e308 * sqrt(2.0)"}, {"U+1", "(U+1) * sqrt(2.0)"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rms);
        DWORD element = 0;
        auto wizard = Initialized(NewWizard<CLinearDomainsSourceAWizard4>(kForceRows, "F1", &element));
        {
            OpenPage<CLinearDomainsSourceAWizard4> open(*wizard);
            CWnd* page = open.Page();
            ASSERT_TRUE(ChooseTimeForm(page, "Sine"));
            ASSERT_TRUE(qv::ui::Click(page, 2204));
            EXPECT_FALSE(Enabled(page, 2034));
            EXPECT_TRUE(Enabled(page, 2057));
            ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2057), c.rms));
            EXPECT_EQ(c.amplitude, Text(page, 2034)) << "shown at once";
            ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
        }
        EXPECT_EQ(c.amplitude, Param(editor->Holder(element), 2034)->GetValue().str());
        EXPECT_FALSE(wizard->GetAmplitudeGiven());
        EXPECT_EQ(c.rms, wizard->GetRMSText().str());
    }
}

TEST_F(DomainPage, DerivedPeriodShowsAtOnce) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearDomainsSourceAWizard4>(kForceRows, "F1", &element));
    ASSERT_TRUE(ChooseTimeForm(page, "Trapezoidal"));
    EXPECT_EQ("0.01", Text(page, 2038)) << "1m + 8m + 1m";
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2051), "TR"));
    EXPECT_EQ(" TR + 8m + 1m", Text(page, 2038));
    ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2032), "Pulse"));
    // A frequency that parses as 0 leaves the period as it was.
    ExpectShownAsTyped(page, 2036, 2038, {{"4", "0.25"}, {"0", "0.25"}, {"F", "1/(F)"}, {"2k", "0.0005"}});
    // A period given by the user is never overwritten.
    ExpectTypedPeriodKept(page, "3", 2036, "5");
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ("3", Param(editor->Holder(element), 2038)->GetValue().str());
    EXPECT_TRUE(wizard->GetPeriodGiven());
}

// Leaving the page locks the AC page for a constant with AC use and presets it. A temperature
// of 20 degrees Celsius is a magnitude of 293.15 K, as the description writes it.
TEST_F(DomainPage, LeavingThePageLocksAndPresetsTheACPage) {
    struct Case {
        bool timeControlled;
        bool acUse;
        DWORD locked;
        const char* magnitude;
        bool celsius = false;
    };
    const Case cases[] = {
        {.timeControlled = false, .acUse = true, .locked = 1, .magnitude = "10"},
        {.timeControlled = true, .acUse = true, .locked = 0, .magnitude = "0"},
        {.timeControlled = false, .acUse = false, .locked = 0, .magnitude = "0"},
        {.timeControlled = false, .acUse = true, .locked = 1, .magnitude = "293.15", .celsius = true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.timeControlled << c.acUse << c.celsius);
        auto wizard = Initialized(NewWizard<CLinearDomainsSourceAWizard4>(
            c.celsius ? WithValue(TemperatureRows(), 2028, "20") : kForceRows, "F1"));
        OpenPage<CLinearDomainsSourceAWizard4> open(*wizard);
        if (c.celsius) {
            ASSERT_TRUE(qv::ui::ChooseEntry(Combo(open.Page(), 2507), "\xB0" "C"));
        }
        if (c.acUse) {
            ASSERT_TRUE(qv::ui::Click(open.Page(), 2520));
        }
        if (c.timeControlled) {
            ASSERT_TRUE(qv::ui::Click(open.Page(), 2031));
        }
        ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
        EXPECT_EQ(c.locked, open.AC()->GetLocked());
        EXPECT_EQ(c.magnitude, open.AC()->GetMagnitudeText().str());
        if (c.acUse) {
            EXPECT_EQ("0", open.AC()->GetPhaseText().str());
        }
    }
}

TEST_F(DomainPage, ApplyWritesFieldsWithUnitsAndCommitsOnce) {
    DWORD element = 0;
    auto wizard = Initialized(NewWizard<CLinearDomainsSourceBWizard4>(TemperatureRows(), "T1", &element));
    ParamHolder* holder = editor->Holder(element);
    {
        OpenPage<CLinearDomainsSourceBWizard4> open(*wizard);
        CWnd* page = open.Page();
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2001), "T9"));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2028), "99"));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2096), "20"));
        ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2511), "\xB0" "C"));
        ASSERT_TRUE(ChooseTimeForm(page, "Sine"));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2058), "0.5"));
        ASSERT_TRUE(qv::ui::ChooseEntry(Combo(page, 2049), "No"));
        editor->ClearRequests();
        ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
        EXPECT_EQ(1u, editor->CountRequests(25)) << "one commit; the untouched AC page sends none";
    }
    EXPECT_EQ("T9", holder->m_strElementName.str());
    EXPECT_EQ("20", Param(holder, 2096)->GetValue().str());
    EXPECT_EQ("\xB0" "C", Param(holder, 2096)->GetUsedUnit().str());
    EXPECT_EQ("0.5", Param(holder, 2058)->GetValue().str());
    EXPECT_EQ("0", Param(holder, 2049)->GetValue().str());
    EXPECT_EQ("10", Param(holder, 2028)->GetValue().str()) << "an output is not written";
    EXPECT_EQ(Joined(kPeriodicList, {"DAMPING", "AC_PHASE", "AC_MAG"}), SnapshotNames(wizard->GetSnapshots()));
}

// Without a parameter set apply writes nothing and fails; without an AC page the wizard
// keeps its AC mode.
TEST_F(DomainPage, WithoutSetOrACPageNothingIsLost) {
    CLinearDomainsSourceAWizard4 wizard;
    wizard.SetACMode(1);
    CPropLinearDomainsSourceA orphan(&wizard, nullptr);
    EXPECT_FALSE(orphan.OnApply());
    orphan.StoreSettings(1);
    EXPECT_EQ(1u, wizard.GetACMode());
    EXPECT_EQ(-1, wizard.GetForm());
    // Without a set every entry of the list is empty.
    EXPECT_EQ((std::vector<std::string>{"", "", ""}), SnapshotNames(wizard.GetSnapshots()));
}

// The unused marks of every form; parameter 2305 of the electrical sources is never touched,
// and a form outside -1..5 changes nothing.
TEST_F(DomainPage, MarkUnusedParametersFollowsItsTable) {
    auto rows = kForceRows;
    rows.push_back({.id = 2305, .name = "PARTDERIV", .value = "0", .type = 0x4, .extType = kUnused});
    struct Case {
        int form;
        std::vector<WORD> used;
        std::vector<WORD> unused;
    };
    const std::vector<WORD> periodic = {2034, 2038, 2040, 2042, 2047, 2049, 2036};
    const Case cases[] = {
        {.form = -1, .used = {}, .unused = {2034, 2038, 2040, 2042, 2047, 2049, 2036, 2051, 2053, 2055}},
        {.form = 0, .used = periodic, .unused = {2051, 2053, 2055}},
        {.form = 4, .used = periodic, .unused = {2051, 2053, 2055}},
        {.form = 3, .used = {2034, 2038, 2040, 2042, 2047, 2049, 2051, 2053, 2055}, .unused = {2036}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        DWORD element = 0;
        auto wizard = NewWizard<CLinearDomainsSourceAWizard4>(rows, "F1", &element);
        ScopedParamSet params{RequestTarget(wizard.get())};
        CPropLinearDomainsSourceA page(wizard.get(), params.Holder());
        page.SetSettings(c.form, TRUE, "", FALSE, 0, nullptr, FALSE);
        page.MarkUnusedParameters();
        for (WORD id : c.used) EXPECT_FALSE(Unused(params.Holder(), id)) << id;
        for (WORD id : c.unused) EXPECT_TRUE(Unused(params.Holder(), id)) << id;
        EXPECT_TRUE(Unused(params.Holder(), 2305));
    }
    DWORD element = 0;
    auto wizard = NewWizard<CLinearDomainsSourceAWizard4>(rows, "F1", &element);
    ScopedParamSet params{RequestTarget(wizard.get())};
    CPropLinearDomainsSourceA page(wizard.get(), params.Holder());
    page.SetSettings(6, TRUE, "", FALSE, 0, nullptr, FALSE);
    page.MarkUnusedParameters();
    EXPECT_TRUE(Unused(params.Holder(), 2034)) << "unchanged from the catalogue";
    EXPECT_FALSE(Unused(params.Holder(), 2425)) << "unchanged from the catalogue";
}

// Page blocks read into an open page: the radios, the period check and the list follow.
TEST_F(DomainPage, PageBlocksReadIntoTheOpenPage) {
    struct Case {
        DWORD version;
        DWORD amplitude;
        DWORD given;
        DWORD selection;
        int shown;
        const char* phaseUnit;
    };
    const Case cases[] = {
        {.version = 5, .amplitude = 0, .given = 1, .selection = 3, .shown = 0, .phaseUnit = "rad"},
        {.version = 9, .amplitude = 1, .given = 0, .selection = 3, .shown = 3, .phaseUnit = "rad"},
        {.version = 10, .amplitude = 0, .given = 1, .selection = 2, .shown = 2, .phaseUnit = "deg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        DWORD element = 0;
        auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearDomainsSourceAWizard4>(kForceRows, "F1", &element));
        ASSERT_TRUE(qv::ui::Click(page, 2031));
        Bytes block;
        NewClass(block, "CPropLinearDomainsSource");
        Dword(block, c.version);
        Dword(block, c.amplitude);
        Str(block, "3");
        Dword(block, c.given);
        if (c.version <= 9) Dword(block, 1);
        if (c.version >= 9) Dword(block, c.selection);
        Loaded(block, [&](CArchive& ar) { open.Page()->Serialize(ar); });
        EXPECT_EQ(c.shown, Combo(page, 2032)->GetCurSel());
        EXPECT_EQ(c.given != 0, Enabled(page, 2038) != 0);
        EXPECT_EQ(c.amplitude != 0, open.Page()->GetAmplitudeGiven() != 0);
        EXPECT_EQ(c.phaseUnit, Param(editor->Holder(element), 2042)->GetUsedUnit().str());
        CString unit;
        page->GetDlgItem(2513)->GetWindowText(unit);
        EXPECT_EQ(c.phaseUnit, unit.str());
    }
}

TEST_F(DomainPage, StoredPageBlockReadsBack) {
    auto wizard = NewWizard<CLinearDomainsSourceAWizard4>(kForceRows, "F1");
    Settle(*wizard, 4, {}, FALSE, "2", TRUE, 4);
    ScopedParamSet params{RequestTarget(wizard.get())};
    CPropLinearDomainsSourceA page(wizard.get(), params.Holder());
    page.SetSettings(4, FALSE, "2", TRUE, 4, nullptr, FALSE);
    Bytes expected;
    NewClass(expected, "CPropLinearDomainsSource");
    Dword(expected, 10);
    Dword(expected, 0);
    Str(expected, "2");
    Dword(expected, 1);
    Dword(expected, 4);
    EXPECT_EQ(expected, Stored([&](CArchive& ar) { page.Serialize(ar); }));
    // A page of the defaults takes every setting from the block and stores the same bytes.
    CPropLinearDomainsSourceA reader(wizard.get(), params.Holder());
    Loaded(expected, [&](CArchive& ar) { reader.Serialize(ar); });
    EXPECT_FALSE(reader.GetAmplitudeGiven());
    EXPECT_EQ("2", reader.GetRMSText().str());
    EXPECT_TRUE(reader.GetPeriodGiven());
    EXPECT_EQ(4, reader.GetTimeFormIndex());
    EXPECT_EQ(expected, Stored([&](CArchive& ar) { reader.Serialize(ar); }));
}

} // namespace

namespace {

// The AC entries follow the form, "AC use" and the AC page's mode.
TEST_F(DomainPage, ACEntriesOfTheListByFormUseAndMode) {
    struct Case {
        int form;
        BOOL acUse;
        DWORD mode;
        std::vector<std::string> ac;
    };
    const Case cases[] = {
        {.form = -1, .acUse = FALSE, .mode = 0, .ac = {"AC_PHASE", "AC_MAG"}},
        {.form = -1, .acUse = TRUE, .mode = 0, .ac = {"@AC_PHASE_VAL", "@AC_MAG_VAL"}},
        {.form = -1, .acUse = TRUE, .mode = 1, .ac = {"@AC_PHASE_VAL", "@AC_MAG_VAL"}},
        {.form = -1, .acUse = FALSE, .mode = 1, .ac = {"@AC_PHASE", "@AC_MAG"}},
        {.form = 1, .acUse = TRUE, .mode = 0, .ac = {"AC_PHASE", "AC_MAG"}},
        {.form = 3, .acUse = TRUE, .mode = 1, .ac = {"@AC_PHASE", "@AC_MAG"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.form << c.acUse << c.mode);
        auto wizard = NewWizard<CLinearDomainsSourceAWizard4>(kForceRows, "F1");
        wizard->SetACMode(c.mode);
        Settle(*wizard, c.form, {}, TRUE, "", FALSE, 0, c.acUse);
        ASSERT_TRUE(wizard->Initialize(1));
        const std::vector<std::string> names = SnapshotNames(wizard->GetSnapshots());
        ASSERT_GE(names.size(), 2u);
        EXPECT_EQ(c.ac, std::vector<std::string>(names.end() - 2, names.end()));
        EXPECT_EQ(c.form == -1 ? "VALUE" : c.form == 3 ? "TPERIO" : "FREQ", names.front());
    }
}

// Work done while the pages stand on the sheet uses pages of its own: the open page keeps
// its parameter set, and a second edit gives the first cookie back before it takes a new one.
TEST_F(DomainPage, HiddenWorkAndRebindLeaveTheOpenPageAlone) {
    DWORD element = 0;
    auto [wizard, open, page] = OpenedWizard(NewWizard<CLinearDomainsSourceAWizard4>(kForceRows, "F1", &element));
    ParamHolder* before = page->GetParams();
    ASSERT_TRUE(wizard->Initialize(1));
    CString text = "@TYPE@NAME ( @PARAMLIST);";
    EXPECT_EQ(4, wizard->WriteSimDescr(nullptr, "IMMANENT", text));
    wizard->NotifyChanged(3, Param(editor->Holder(element), 2036));
    EXPECT_EQ(page, open.Page());
    EXPECT_EQ(before, page->GetParams());
    ASSERT_TRUE(qv::ui::Click(page, 2031));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(0, wizard->GetForm());
}

// A second edit before the first ended binds the same pages again; the cookies they held go
// back first (the editor stand-in checks that each is given back once).
TEST_F(DomainPage, SecondEditRebindsAndGivesTheOldCookieBack) {
    auto wizard = NewWizard<CLinearDomainsSourceBWizard4>(TemperatureRows(), "T1");
    {
        CPropertySheet first("First");
        EXPECT_TRUE(wizard->DoEditProperties(first, 1));
        CPropLinearDomainsSourceB* page = wizard->GetPage();
        ASSERT_NE(nullptr, page);
        CPropertySheet second("Second");
        EXPECT_TRUE(wizard->DoEditProperties(second, 1));
        EXPECT_EQ(page, wizard->GetPage()) << "the page is bound again, not made anew";
        EXPECT_EQ(editor->CountRequests(23) - 2, editor->CountRequests(24));
    }
    wizard->EndEditProperties();
    EXPECT_EQ(nullptr, wizard->GetPage());
    EXPECT_EQ(editor->CountRequests(23), editor->CountRequests(24));
}

// A list without a valid selection keeps the symbol variant and the stored form.
TEST_F(DomainPage, NoSelectionKeepsTheSymbolAndTheForm) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearDomainsSourceAWizard4>(kForceRows, "F1", &element);
    Settle(*wizard, 2, {}, TRUE, "", FALSE, 2);
    ASSERT_TRUE(wizard->Initialize(1));
    OpenPage<CLinearDomainsSourceAWizard4> open(*wizard);
    CWnd* page = open.Page();
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ(4, holder->m_bySymbolVariant);
    Combo(page, 2032)->SetCurSel(-1);
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2040), "1m"));
    ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
    EXPECT_EQ(4, holder->m_bySymbolVariant);
    EXPECT_EQ(2, wizard->GetForm());
    EXPECT_EQ(2, wizard->GetTimeFormIndex());
}

} // namespace

namespace {

// Pins: a pinned parameter's field is closed; "Use Pin" pins the value at once. The default
// outputs switch the element's outputs at once, not on apply.
TEST_F(DomainPage, PinsAndDefaultOutputsActAtOnce) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearDomainsSourceBWizard4>(TemperatureRows(), "T1", &element);
    ParamHolder* holder = editor->Holder(element);
    Param(holder, 2040)->UsePin(TRUE);
    ASSERT_TRUE(wizard->Initialize(0));
    OpenPage<CLinearDomainsSourceBWizard4> open(*wizard);
    CWnd* page = open.Page();
    ASSERT_TRUE(qv::ui::Click(page, 2031));
    EXPECT_FALSE(Enabled(page, 2040));
    EXPECT_TRUE(Enabled(page, 2047));
    ASSERT_TRUE(qv::ui::Click(page, 2027));
    ASSERT_TRUE(qv::ui::Click(page, 2030));
    EXPECT_FALSE(Enabled(page, 2028));
    EXPECT_TRUE(Param(holder, 2028)->HasPin());

    struct Step {
        int box;
        BOOL first;
        BOOL second;
    };
    const Step steps[] = {{2018, TRUE, FALSE}, {2019, TRUE, TRUE}, {2018, FALSE, TRUE}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.box);
        ASSERT_TRUE(qv::ui::Click(page, step.box));
        BOOL first = FALSE;
        BOOL second = FALSE;
        ASSERT_TRUE(GetSDBOutput(holder, 2018, &first));
        ASSERT_TRUE(GetSDBOutput(holder, 2019, &second));
        EXPECT_EQ(step.first, first);
        EXPECT_EQ(step.second, second);
        EXPECT_EQ(step.first ? BST_CHECKED : BST_UNCHECKED, static_cast<CButton*>(page->GetDlgItem(2018))->GetCheck());
    }
}

} // namespace
