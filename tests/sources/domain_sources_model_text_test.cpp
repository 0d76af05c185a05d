// Model text of the linear sources of other domains, compared as whole texts: the keyword of
// each form, the parameter list the page builds for it, the derived period, the AC entries
// and the older phase placeholders; and the period derived when a parameter changes.
#include "domain_sources_support.h"
#include "linear_source_model_checks.h"

#include "framework/param_access.h"

using namespace domain_test;

namespace {

// The editor fills "@NAME" later; the wizard leaves it.
constexpr char kModel[] = "@TYPE@NAME ( @PARAMLIST);";

class DomainModelText : public SourcesTest {
protected:
    std::string Write(CLinearDomainsSourceWizardBase4& wizard, const char* model = kModel) { return WriteModel(wizard, model); }
    std::string Period(DWORD element) { return Param(editor->Holder(element), 2038)->GetValue().str(); }
};

// The force source for the checks every linear source passes.
struct ForceSource {
    using Wizard = CLinearDomainsSourceAWizard4;
    static const std::vector<ParamRow>& Rows() { return kForceRows; }
    static constexpr const char* kName = "F1";
    static constexpr const char* kModel = ::kModel;
    static constexpr const char* kOtherTemplate = "F @NAME";
    static std::string Head(const char* keyword) { return *keyword ? std::string(keyword) + " @NAME" : "@NAME"; }
    static void Hand(Wizard& wizard, int form, CPtrArray* list) {
        wizard.SetSettings(form, TRUE, "", FALSE, 0, list, FALSE);
    }
    static inline const std::vector<const char*> kConstantNames = {"VALUE"};
    static constexpr const char* kConstantList = "VALUE := @VALUE";
    static inline const std::vector<const char*> kTrapezoidNames = {"TPERIO", "TRISE", "AC_PHASE", "AC_MAG"};
    static constexpr const char* kTrapezoidList =
        "TPERIO := @TPERIO, TRISE := @TRISE, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG";
};
INSTANTIATE_TYPED_TEST_SUITE_P(Force, LinearSourceModelText, ForceSource);

// A new element written before any page was opened: Initialize(0) gives it the constant.
TEST_F(DomainModelText, ConstantWithoutACUse) {
    DWORD element = 0;
    auto wizard =
        Initialized(NewWizard<CLinearDomainsSourceAWizard4>(WithValue(kForceRows, 2036, "40"), "F1", &element));
    EXPECT_EQ(-1, wizard->GetForm());
    EXPECT_EQ(0, wizard->GetTimeFormIndex());
    EXPECT_EQ(0u, editor->CountRequests(25)) << "Initialize(0) commits nothing";
    EXPECT_EQ("@NAME ( VALUE := @VALUE, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );", Write(*wizard));
    // The constant derives the period from the frequency too.
    EXPECT_EQ("0.025", Period(element));
}

// The user ticks "AC use" on the constant: the AC values come from the value and phase 0.
TEST_F(DomainModelText, ConstantWithACUseAsTheUserTicksIt) {
    DWORD element = 0;
    auto wizard =
        Initialized(NewWizard<CLinearDomainsSourceBWizard4>(WithValue(TemperatureRows(), 2028, "12"), "T1", &element));
    {
        OpenPage<CLinearDomainsSourceBWizard4> open(*wizard);
        ASSERT_TRUE(qv::ui::Click(open.Page(), 2520));
        ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    }
    EXPECT_TRUE(wizard->GetACUse());
    EXPECT_EQ((std::vector<std::string>{"VALUE", "@AC_PHASE_VAL", "@AC_MAG_VAL"}), SnapshotNames(wizard->GetSnapshots()));
    EXPECT_EQ("@NAME ( VALUE := @VALUE, AC_PHASE := 0, AC_MAG := 12 );", Write(*wizard));
}

// Real and imaginary parts: the page lists them under the placeholder names, and the wizard
// writes magnitude and quadrant-correct phase.
TEST_F(DomainModelText, RealAndImaginaryPartsBecomeMagnitudeAndPhase) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearDomainsSourceAWizard4>(WithACParts(kForceRows), "F1", &element);
    wizard->SetACMode(1);
    Settle(*wizard, 0, {});
    ASSERT_TRUE(wizard->Initialize(1));
    EXPECT_EQ(Joined(Joined(kPeriodicList, {""}), {"@AC_PHASE", "@AC_MAG"}), SnapshotNames(wizard->GetSnapshots()))
        << "a set without damping gives the sine an empty entry";
    EXPECT_EQ("SINE @NAME ( FREQ := @FREQ, TPERIO := @TPERIO, AMPL := @AMPL, PHASE := @PHASE, PERIO := @PERIO, "
              "OFF := @OFF, TDELAY := @TDELAY, AC_PHASE := ATAN2((4),(-3))*(180/PI), AC_MAG := SQRT((-3)^2+(4)^2) );",
              Write(*wizard));
}

TEST_F(DomainModelText, KeywordAndListOfEveryFormForBothWizards) {
    struct Case {
        int form;
        const char* text;
    };
    const Case cases[] = {
        {.form = -1, .text = "@NAME ( VALUE := @VALUE, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
        {.form = 0,
         .text = "SINE @NAME ( FREQ := @FREQ, TPERIO := @TPERIO, AMPL := @AMPL, PHASE := @PHASE, PERIO := @PERIO, "
                 "OFF := @OFF, TDELAY := @TDELAY, DAMPING := @DAMPING, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
        {.form = 1, .text = "PULSE @NAME ( FREQ := @FREQ, TPERIO := @TPERIO, AMPL := @AMPL, PHASE := @PHASE, "
                            "PERIO := @PERIO, OFF := @OFF, TDELAY := @TDELAY, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
        {.form = 2, .text = "TRIANG @NAME ( FREQ := @FREQ, TPERIO := @TPERIO, AMPL := @AMPL, PHASE := @PHASE, "
                            "PERIO := @PERIO, OFF := @OFF, TDELAY := @TDELAY, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
        {.form = 3, .text = "TRAPEZ @NAME ( TPERIO := @TPERIO, TRISE := @TRISE, TFALL := @TFALL, PWIDTH := @PWIDTH, "
                            "AMPL := @AMPL, PHASE := @PHASE, PERIO := @PERIO, OFF := @OFF, TDELAY := @TDELAY, "
                            "AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
        {.form = 4, .text = "ST_RISE @NAME ( FREQ := @FREQ, TPERIO := @TPERIO, AMPL := @AMPL, PHASE := @PHASE, "
                            "PERIO := @PERIO, OFF := @OFF, TDELAY := @TDELAY, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
        {.form = 5, .text = "ST_FALL @NAME ( FREQ := @FREQ, TPERIO := @TPERIO, AMPL := @AMPL, PHASE := @PHASE, "
                            "PERIO := @PERIO, OFF := @OFF, TDELAY := @TDELAY, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        auto a = NewWizard<CLinearDomainsSourceAWizard4>(TemperatureRows(), "T1");
        auto b = NewWizard<CLinearDomainsSourceBWizard4>(TemperatureRows(), "T1");
        for (CLinearDomainsSourceWizardBase4* wizard : {static_cast<CLinearDomainsSourceWizardBase4*>(a.get()),
                                                        static_cast<CLinearDomainsSourceWizardBase4*>(b.get())}) {
            Settle(*wizard, c.form, {});
            ASSERT_TRUE(wizard->Initialize(1));
            EXPECT_EQ(c.text, Write(*wizard));
        }
    }
}

TEST_F(DomainModelText, GivenPeriodIsNeverDerived) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearDomainsSourceAWizard4>(WithValue(kForceRows, 2038, "7m"), "F1", &element);
    Settle(*wizard, 3, {"TPERIO"}, TRUE, "", TRUE);
    Write(*wizard);
    EXPECT_EQ("7m", Period(element));
    EXPECT_EQ(0u, editor->CountRequests(25));
    for (WORD id : {2036, 2051, 2053, 2055}) wizard->NotifyChanged(3, Param(editor->Holder(element), id));
    EXPECT_EQ("7m", Period(element));
    EXPECT_EQ(0u, editor->CountRequests(25));
}

// The kept form decides the derivation, not the changed parameter: a fall time typed for a
// trapezoid and kept after the form became a sine leaves the sine's period.
TEST_F(DomainModelText, ChangeNotificationDerivesThePeriodOfTheKeptForm) {
    struct Case {
        int type;
        int form;
        WORD changed;
        const char* period;
        size_t commits;
    };
    const Case cases[] = {
        {.type = 3, .form = 0, .changed = 2036, .period = "0.02", .commits = 1},
        {.type = 3, .form = 0, .changed = 2053, .period = "0.02", .commits = 1},
        {.type = 3, .form = 0, .changed = 2051, .period = "0.02", .commits = 1},
        {.type = 3, .form = 0, .changed = 2055, .period = "0.02", .commits = 1},
        {.type = 3, .form = 3, .changed = 2053, .period = "0.01", .commits = 1},
        {.type = 3, .form = 3, .changed = 2036, .period = "0.01", .commits = 1},
        {.type = 3, .form = 0, .changed = 2034, .period = "9", .commits = 0},
        {.type = 2, .form = 0, .changed = 2036, .period = "9", .commits = 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << "/" << c.form << "/" << c.changed);
        DWORD element = 0;
        auto wizard = NewWizard<CLinearDomainsSourceAWizard4>(WithValue(kForceRows, 2038, "9"), "F1", &element);
        Settle(*wizard, c.form, {"FREQ"});
        editor->ClearRequests();
        wizard->NotifyChanged(c.type, Param(editor->Holder(element), c.changed));
        EXPECT_EQ(c.period, Period(element));
        EXPECT_EQ(c.commits, editor->CountRequests(25));
    }
    auto wizard = NewWizard<CLinearDomainsSourceAWizard4>(kForceRows, "F1");
    editor->ClearRequests();
    wizard->NotifyChanged(3, nullptr);
    EXPECT_EQ(0u, editor->CountRequests(23)) << "no parameter, no request";
}

// A wizard without a list (converted data without snapshots) is written in its own form and
// AC mode, not reset to the page's constant.
TEST_F(DomainModelText, EmptyListIsRebuiltFromTheWizardsOwnSettings) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearDomainsSourceAWizard4>(kForceRows, "F1", &element);
    wizard->SetACMode(1);
    Settle(*wizard, 2, {}, TRUE, "", FALSE, 2);
    EXPECT_EQ("TRIANG @NAME ( FREQ := @FREQ, TPERIO := @TPERIO, AMPL := @AMPL, PHASE := @PHASE, PERIO := @PERIO, "
              "OFF := @OFF, TDELAY := @TDELAY, AC_PHASE := ATAN2((0),(0))*(180/PI), AC_MAG := SQRT((0)^2+(0)^2) );",
              Write(*wizard));
    EXPECT_EQ(2, wizard->GetForm());
    EXPECT_EQ(1u, wizard->GetACMode());
}

// Initialize(1) marks the unused parameters of the wizard's form and commits once; the
// parameter set is given back after every operation (the fixture checks the protocol).
TEST_F(DomainModelText, InitializeWithSettingsMarksAndCommitsOnce) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearDomainsSourceBWizard4>(TemperatureRows(), "T1", &element);
    Settle(*wizard, 3, {});
    ASSERT_TRUE(wizard->Initialize(1));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ(1u, editor->CountRequests(25));
    EXPECT_EQ(Joined(kTrapezoidList, {"AC_PHASE", "AC_MAG"}), SnapshotNames(wizard->GetSnapshots()));
    for (WORD id : {2034, 2038, 2051, 2053, 2055}) EXPECT_FALSE(Unused(holder, id)) << id;
    for (WORD id : {2036, 2058}) EXPECT_TRUE(Unused(holder, id)) << id;
    EXPECT_TRUE(Param(holder, 2028)->IsOutput());
}

} // namespace
