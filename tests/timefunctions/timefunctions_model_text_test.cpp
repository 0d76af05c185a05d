// Model text of the saw-tooth and the source blocks, compared as whole texts, and the period
// that the time functions derive when the editor changes a parameter.
#include "timefunctions_support.h"

#include "framework/param_access.h"

using namespace tf_test;

namespace {

using TimeFunctionModelText = SourcesTest;

TEST_F(TimeFunctionModelText, SawToothKeywordForBothRampsAndNoRequest) {
    struct Case {
        DWORD ramp;
        const char* templ;
        const char* model;
        const char* expected;
    };
    const Case cases[] = {
        {0, "IMMANENT", "@TYPESAW1 ( AMPL := @AMPL );", "ST_RISE SAW1 ( AMPL := @AMPL );"},
        {1, "IMMANENT", "@TYPESAW1 ( AMPL := @AMPL );", "ST_FALL SAW1 ( AMPL := @AMPL );"},
        {7, "IMMANENT", "@TYPESAW1 ( AMPL := @AMPL );", "ST_RISE SAW1 ( AMPL := @AMPL );"},
        // Only the first occurrence, and also inside a word.
        {1, "IMMANENT", "@TYPEX @TYPE", "ST_FALL X @TYPE"},
        {1, "SAW @NAME", "@TYPESAW1", "@TYPESAW1"},
        {1, "IMMANENT", "no placeholder", "no placeholder"},
    };
    for (const Case& c : cases) {
        auto wizard = NewWizard<CTFMSawToothWizard4>(kSineRows, "SAW1");
        wizard->SetRamp(c.ramp);
        editor->ClearRequests();
        EXPECT_EQ(c.expected, WrittenAskingNothing(*wizard, *editor, c.templ, c.model));
    }
}

// The period follows a changed frequency (or, for the trapezoid, a changed time) unless the
// user gives the period.
TEST_F(TimeFunctionModelText, NotifyChangedDerivesThePeriod) {
    struct Case {
        const char* name;
        int kind;  // 0 sine, 1 pulse, 2 trapezoid, 3 triangle, 4 saw-tooth
        WORD changed;
        int changeType;
        BOOL given;
        const char* frequency;
        const char* expected;
        size_t commits;
    };
    const Case cases[] = {
        {"sine 50", 0, 2036, 3, FALSE, "50", "0.02", 1},
        {"pulse 1k", 1, 2036, 3, FALSE, "1k", "0.001", 1},
        {"triangle name", 3, 2036, 3, FALSE, "x", "1/(x)", 1},
        // A zero frequency keeps the period, as the page keeps it: "1/(0)" divides by zero.
        {"saw-tooth zero", 4, 2036, 3, FALSE, "0", "7", 0},
        {"period given", 0, 2036, 3, TRUE, "50", "7", 0},
        {"other change type", 0, 2036, 2, FALSE, "50", "7", 0},
        {"other value ID", 0, 2040, 3, FALSE, "50", "7", 0},
        {"trapezoid rise", 2, 2051, 3, FALSE, "50", "0.011", 1},
        {"trapezoid fall", 2, 2053, 3, FALSE, "50", "0.011", 1},
        {"trapezoid width", 2, 2055, 3, FALSE, "50", "0.011", 1},
        {"trapezoid frequency", 2, 2036, 3, FALSE, "50", "7", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DWORD element = 0;
        const auto rows = WithValue(WithValue(kSineRows, 2036, c.frequency), 2038, "7");
        std::unique_ptr<CTimeFunctionWizardBase4> wizard;
        switch (c.kind) {
        case 0: wizard = NewWizard<CTFMSineWizard4>(rows, "TF1", &element); break;
        case 1: wizard = NewWizard<CTFMPulseWizard4>(rows, "TF1", &element); break;
        case 2: wizard = NewWizard<CTFMTrapezWizard4>(rows, "TF1", &element); break;
        case 3: wizard = NewWizard<CTFMTriangleWizard4>(rows, "TF1", &element); break;
        default: wizard = NewWizard<CTFMSawToothWizard4>(rows, "TF1", &element); break;
        }
        wizard->SetPeriodGiven(c.given);
        EXPECT_TRUE(wizard->WantChangeNotification());
        editor->ClearRequests();
        wizard->NotifyChanged(c.changeType, Param(editor->Holder(element), c.changed));
        EXPECT_EQ(c.expected, Param(editor->Holder(element), 2038)->GetValue().str());
        EXPECT_EQ(c.commits, editor->CountRequests(25));
        EXPECT_EQ(c.changeType == 3 ? 1u : 0u, editor->CountRequests(23));
        EXPECT_EQ(editor->CountRequests(23), editor->CountRequests(24));
    }
}

// The period is derived in the unit it is shown in, from values each read in its own unit; a
// formula stays in the simulator's unit, as does a number the shown unit cannot hold.
TEST_F(TimeFunctionModelText, NotifyChangedDerivesThePeriodInTheUnitsShown) {
    struct Case {
        bool trapezoid;
        const char* sourceUnit;  // the frequency's, or that of rise, width and fall
        const char* periodUnit;
        const char* source;      // the frequency, or the rise (width 8, fall 2)
        const char* expected;
    };
    const Case cases[] = {
        {false, "Hz", "ms", "100", "10"},      {false, "kHz", "s", "100", "1e-05"},
        // A formula means in the unit shown what the simulator reads: fx kHz give a period of
        // 1/(fx*1000) s, which is shown in ms.
        {false, "kHz", "ms", "100", "0.01"},   {false, "kHz", "ms", "fx", "((1/(((fx)*1000)))*1000)"},
        {false, "Hz", "ms", "1e-307", "((1/(1e-307))*1000)"},
        {true, "ms", "s", "1", "0.011"},       {true, "ms", "ms", "1", "11"},
        {true, "ms", "ms", "tr", " tr + 8 + 2"}, {true, "ms", "s", "tr", " ((tr)*0.001) + 0.008 + 0.002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        DWORD element = 0;
        const auto rows = WithValue(WithValue(WithValue(WithValue(kSineRows, 2036, c.source), 2051, c.source), 2055, "8"),
                                    2053, "2");
        std::unique_ptr<CTimeFunctionWizardBase4> wizard;
        if (c.trapezoid)
            wizard = NewWizard<CTFMTrapezWizard4>(rows, "TF1", &element);
        else
            wizard = NewWizard<CTFMSineWizard4>(rows, "TF1", &element);
        ParamHolder* holder = editor->Holder(element);
        for (WORD id : {2036, 2051, 2053, 2055}) Param(holder, id)->SetUsedUnit(c.sourceUnit);
        Param(holder, 2038)->SetUsedUnit(c.periodUnit);
        wizard->NotifyChanged(3, Param(holder, c.trapezoid ? 2051 : 2036));
        EXPECT_EQ(c.expected, Param(holder, 2038)->GetValue().str());
    }
}

TEST_F(TimeFunctionModelText, TrapezoidWithANameKeepsTheSumFormula) {
    DWORD element = 0;
    auto wizard = NewWizard<CTFMTrapezWizard4>(WithValue(kSineRows, 2055, "PW"), "TRA1", &element);
    wizard->NotifyChanged(3, Param(editor->Holder(element), 2055));
    // The sum text takes rise, width, fall in that order.
    EXPECT_EQ(" 1m + PW + 2m", Param(editor->Holder(element), 2038)->GetValue().str());
}

TEST_F(TimeFunctionModelText, NotifyChangedWithANullParameterSendsNothing) {
    auto wizard = NewWizard<CTFMSineWizard4>(kSineRows, "SIN1");
    wizard->NotifyChanged(3, nullptr);
    EXPECT_EQ(0u, editor->Requests().size());
}

// ---------------------------------------------------------------------------------------
// The constant block and its siblings.

constexpr char kConstModel[] = "CONST C1 ( @PARAMLIST);";

class SourceBlockModelText : public SourcesTest {
protected:
    std::string Write(CSourceBlockWizardBase4& wizard, const char* model = kConstModel) {
        CString text = model;
        EXPECT_EQ(4, wizard.WriteSimDescr(nullptr, "IMMANENT", text));
        EXPECT_EQ(0, g_PlaceholderList.GetSize()) << "every pending placeholder is resolved or dropped";
        return text.str();
    }
    static void Give(CSourceBlockWizardBase4& wizard, const std::vector<const char*>& names, DWORD acUse = 0) {
        WithSnapshots(names, [&](CPtrArray* list) { wizard.SetACParameters(list, acUse); });
    }
};

TEST_F(SourceBlockModelText, TemplateWithoutImmanentLeavesTheTextAlone) {
    auto wizard = NewWizard<CConstantBlockWizard4>(kConstantRows, "C1");
    EXPECT_EQ(kConstModel, WrittenAskingNothing(*wizard, *editor, "CONST @NAME", kConstModel));
}

TEST_F(SourceBlockModelText, AfterInitializeTheDefaultList) {
    DWORD element = 0;
    auto wizard = NewWizard<CConstantBlockWizard4>(kConstantRows, "C1", &element);
    ASSERT_TRUE(wizard->Initialize(0));
    EXPECT_EQ(nullptr, wizard->GetPage());
    EXPECT_EQ(0u, wizard->GetACMode());
    EXPECT_EQ(0u, wizard->GetACUse());
    EXPECT_EQ("CONST C1 ( CONST := @CONST, TS := @TS, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );", Write(*wizard));
    // A non-zero argument does nothing.
    editor->ClearRequests();
    EXPECT_TRUE(wizard->Initialize(1));
    EXPECT_EQ(0u, editor->Requests().size());
}

TEST_F(SourceBlockModelText, AnEmptyListIsInitializedFirst) {
    auto wizard = NewWizard<CConstantBlockWizard4>(kConstantRows, "C1");
    EXPECT_EQ("CONST C1 ( CONST := @CONST, TS := @TS, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );", Write(*wizard));
    EXPECT_EQ(4, wizard->GetSnapshots().GetSize());
}

// Re-initialising keeps a configured element's AC settings.
TEST_F(SourceBlockModelText, InitializeStartsFromTheWizardsOwnSettings) {
    auto wizard = NewWizard<CConstantBlockWizard4>(kConstantRows, "C1");
    wizard->SetACMode(1);
    ASSERT_TRUE(wizard->Initialize(0));
    EXPECT_EQ(1u, wizard->GetACMode());
    EXPECT_EQ((std::vector<std::string>{"CONST", "TS", "@AC_PHASE", "@AC_MAG"}), SnapshotNames(wizard->GetSnapshots()));
    Give(*wizard, {}, 1);
    ASSERT_TRUE(wizard->Initialize(0));
    EXPECT_EQ((std::vector<std::string>{"CONST", "TS", "@AC_PHASE_VAL", "@AC_MAG_VAL"}),
              SnapshotNames(wizard->GetSnapshots()));
}

TEST_F(SourceBlockModelText, ACUseTakesTheMagnitudeFromTheValueAndPhaseZero) {
    DWORD element = 0;
    auto wizard = NewWizard<CConstantBlockWizard4>(WithValue(kConstantRows, 2028, "12"), "C1", &element);
    Param(editor->Holder(element), 2425)->SetUnit("V");
    Param(editor->Holder(element), 2425)->SetQuantity("Voltage");
    Param(editor->Holder(element), 2425)->SetUsedUnit("mV");
    Param(editor->Holder(element), 2434)->SetUsedUnit("rad");
    Give(*wizard, {"CONST", "TS", "@AC_PHASE_VAL", "@AC_MAG_VAL"}, 1);
    // The block's value has no unit of its own: the magnitude is the value, whatever unit the
    // AC parameter shows.
    EXPECT_EQ("CONST C1 ( CONST := @CONST, TS := @TS, AC_PHASE := 0, AC_MAG := 12 );", Write(*wizard));
}

TEST_F(SourceBlockModelText, RealAndImaginaryBecomeMagnitudeAndQuadrantCorrectPhase) {
    DWORD element = 0;
    auto wizard = NewWizard<CConstantBlockWizard4>(WithACParts(kConstantRows), "C1", &element);
    wizard->SetACMode(1);
    ASSERT_TRUE(wizard->Initialize(0));
    EXPECT_EQ("CONST C1 ( CONST := @CONST, TS := @TS, AC_PHASE := ATAN2((4),(-3))*(180/PI), "
              "AC_MAG := SQRT((-3)^2+(4)^2) );",
              Write(*wizard));
}

TEST_F(SourceBlockModelText, PendingPhiEntrySwitchesThePhaseToRadians) {
    DWORD element = 0;
    auto wizard = NewWizard<CConstantBlockWizard4>(kConstantRows, "C1", &element);
    Give(*wizard, {"CONST", "@AC_PHASE_PHI"});
    editor->ClearRequests();
    EXPECT_EQ("CONST C1 ( CONST := @CONST, @AC_PHASE );", Write(*wizard));
    EXPECT_EQ("rad", Param(editor->Holder(element), 2434)->GetUsedUnit().str());
    EXPECT_EQ(1u, editor->CountRequests(25));
}

TEST_F(SourceBlockModelText, StepAndRandomIgnoreTheValuePlaceholders) {
    auto step = NewWizard<CStepFunctionBlockWizard4>(kConstantRows, "S1");
    Give(*step, {"CONST", "@AC_PHASE_VAL", "@AC_MAG_VAL", "@UNKNOWN"});
    EXPECT_EQ("CONST C1 ( CONST := @CONST, @AC_PHASE_VAL, @AC_MAG_VAL, @UNKNOWN );", Write(*step));
    auto random = NewWizard<CRandomBlockWizard4>(kConstantRows, "R1");
    Give(*random, {"@AC_MAG_VAL"});
    EXPECT_EQ("CONST C1 ( @AC_MAG_VAL );", Write(*random));
}

TEST_F(SourceBlockModelText, WithoutReceiverTheListIsStillWritten) {
    CConstantBlockWizard4 wizard;
    CString text = kConstModel;
    EXPECT_EQ(4, wizard.WriteSimDescr(nullptr, "IMMANENT", text));
    EXPECT_EQ(0, g_PlaceholderList.GetSize());
}

} // namespace
