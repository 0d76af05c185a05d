// Model text of the linear voltage and current sources, compared as whole texts, with the
// derived period and the AC lines each entry form writes.
#include "linear_source_model_checks.h"

#include "framework/param_access.h"

using namespace sources_test;

namespace {

constexpr char kTemplate[] = "IMMANENT";
constexpr char kModel[] = "@TYPEV1 ( @PARAMLIST);";

class SourcesModelText : public SourcesTest {
protected:
    std::string Write(CLinearSourceWizardBase4& wizard, const char* model = kModel) { return WriteModel(wizard, model); }
};

// The voltage source for the checks every linear source passes.
struct VoltageSource {
    using Wizard = CLinearVoltageSourceWizard4;
    static const std::vector<ParamRow>& Rows() { return kVoltageRows; }
    static constexpr const char* kName = "V1";
    static constexpr const char* kModel = ::kModel;
    static constexpr const char* kOtherTemplate = "E @NAME";
    static std::string Head(const char* keyword) { return std::string("E") + keyword + " V1"; }
    static void Hand(Wizard& wizard, int form, CPtrArray* list) {
        wizard.SetSourceSettings(form, 1, "", FALSE, 0, list, FALSE);
    }
    static inline const std::vector<const char*> kConstantNames = {"EMF", "SPC"};
    static constexpr const char* kConstantList = "EMF := @EMF, SPC := @SPC";
    static inline const std::vector<const char*> kTrapezoidNames = {
        "TPERIO", "TRISE", "TFALL", "PWIDTH", "AMPL", "PHASE", "PERIO", "OFF", "TDELAY", "SPC", "AC_PHASE", "AC_MAG"};
    static constexpr const char* kTrapezoidList =
        "TPERIO := @TPERIO, TRISE := @TRISE, TFALL := @TFALL, PWIDTH := @PWIDTH, AMPL := @AMPL, PHASE := @PHASE, "
        "PERIO := @PERIO, OFF := @OFF, TDELAY := @TDELAY, SPC := @SPC, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG";
};
INSTANTIATE_TYPED_TEST_SUITE_P(Voltage, LinearSourceModelText, VoltageSource);

// A new element written before any page was opened: Initialize(0) gives it the constant value.
TEST_F(SourcesModelText, ConstantWithoutACUse) {
    DWORD element = 0;
    auto wizard = Initialized(NewWizard<CLinearVoltageSourceWizard4>(kVoltageRows, "V1", &element));
    EXPECT_EQ(-1, wizard->GetKind());
    EXPECT_EQ("E V1 ( EMF := @EMF, PARTDERIV := @PARTDERIV, SPC := @SPC, AC_PHASE := @AC_PHASE, "
              "AC_MAG := @AC_MAG );",
              Write(*wizard));
    // The constant derives the period from the frequency too.
    EXPECT_EQ("0.02", Param(editor->Holder(element), 2038)->GetValue().str());
}

TEST_F(SourcesModelText, ConstantWithACUseTakesMagnitudeFromTheValueAndPhaseZero) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearVoltageSourceWizard4>(WithValue(kVoltageRows, 2028, "12"), "V1", &element);
    // The magnitude is the value read in its own used unit (12 V, 2 kV), written in the AC
    // parameter's unit whatever unit the AC parameter shows.
    struct Case {
        const char* valueUnit;
        const char* expected;
    } cases[] = {{"V", "12"}, {"kV", "12000"}, {"mV", "0.012"}};
    Param(editor->Holder(element), 2425)->SetUsedUnit("mV");
    Settle(*wizard, -1, {"EMF", "PARTDERIV", "SPC", "@AC_PHASE_VAL", "@AC_MAG_VAL"}, 1, "", FALSE, 0, TRUE);
    for (const Case& c : cases) {
        Param(editor->Holder(element), 2028)->SetUsedUnit(c.valueUnit);
        EXPECT_EQ(std::string("E V1 ( EMF := @EMF, PARTDERIV := @PARTDERIV, SPC := @SPC, AC_PHASE := 0, AC_MAG := ") +
                      c.expected + " );",
                  Write(*wizard))
            << c.valueUnit;
    }
}

TEST_F(SourcesModelText, RealAndImaginaryPartsBecomeMagnitudeAndQuadrantCorrectPhase) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearVoltageSourceWizard4>(WithACParts(kVoltageRows), "V1", &element);
    Settle(*wizard, 0, {"FREQ", "TPERIO", "AMPL", "PHASE", "PERIO", "OFF", "TDELAY", "SPC", "@AC_PHASE", "@AC_MAG"});
    static_cast<CCopaObjectCompare*>(wizard->GetSnapshots().GetAt(8))->SetFrom(Param(editor->Holder(element), 2430));
    static_cast<CCopaObjectCompare*>(wizard->GetSnapshots().GetAt(8))->SetName("@AC_PHASE");
    EXPECT_EQ("ESINE V1 ( FREQ := @FREQ, TPERIO := @TPERIO, AMPL := @AMPL, PHASE := @PHASE, PERIO := @PERIO, "
              "OFF := @OFF, TDELAY := @TDELAY, SPC := @SPC, AC_PHASE := ATAN2((4),(-3))*(180/PI), "
              "AC_MAG := SQRT((-3)^2+(4)^2) );",
              Write(*wizard));
}

// A user makes V1 a sine given by its RMS value; the amplitude parameter takes the derived
// value and the model text lists the sine's parameters.
TEST_F(SourcesModelText, RmsSineAsTheUserEntersIt) {
    DWORD element = 0;
    auto wizard =
        Initialized(NewWizard<CLinearVoltageSourceWizard4>(WithValue(kVoltageRows, 2036, "60"), "V1", &element));
    {
        OpenPage<CLinearVoltageSourceWizard4> open(*wizard);
        CWnd* page = open.Page();
        ASSERT_TRUE(ChooseTimeForm(page, "Sine"));
        ASSERT_TRUE(qv::ui::Click(page, 2204));
        ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2057), "230"));
        ASSERT_TRUE(qv::ui::PressOK(&open.Sheet()));
    }
    EXPECT_EQ("ESINE V1 ( FREQ := @FREQ, TPERIO := @TPERIO, AMPL := @AMPL, PHASE := @PHASE, PERIO := @PERIO, "
              "OFF := @OFF, TDELAY := @TDELAY, SPC := @SPC, AC_PHASE := @AC_PHASE, AC_MAG := @AC_MAG );",
              Write(*wizard));
    ParamHolder* holder = editor->Holder(element);
    EXPECT_EQ("325.269119345812", Param(holder, 2034)->GetValue().str());
    EXPECT_EQ("0.0166666666666667", Param(holder, 2038)->GetValue().str());
    EXPECT_TRUE(Param(holder, 2028)->IsOutput());
}

TEST_F(SourcesModelText, FixedPeriodIsNeverDerived) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearVoltageSourceWizard4>(WithValue(kVoltageRows, 2038, "7m"), "V1", &element);
    Settle(*wizard, 0, {"FREQ", "TPERIO"}, 1, "", TRUE);
    Write(*wizard);
    EXPECT_EQ("7m", Param(editor->Holder(element), 2038)->GetValue().str());
    EXPECT_EQ(0u, editor->CountRequests(25));
    wizard->NotifyChanged(3, Param(editor->Holder(element), 2036));
    EXPECT_EQ("7m", Param(editor->Holder(element), 2038)->GetValue().str());
}

TEST_F(SourcesModelText, KeywordOfEveryKindForBothSources) {
    struct Case {
        int kind;
        const char* voltage;
        const char* current;
    };
    const Case cases[] = {
        {-1, "E ", "I "},           {0, "ESINE ", "ISINE "},       {1, "EPULSE ", "IPULSE "},
        {2, "ETRIANG ", "ITRIANG "}, {3, "ETRAPEZ ", "ITRAPEZ "},  {4, "EST_RISE ", "IST_RISE "},
        {5, "EST_FALL ", "IST_FALL "}, {6, "E ", "I "},            {-7, "E ", "I "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        auto voltage = NewWizard<CLinearVoltageSourceWizard4>(kVoltageRows, "V1");
        auto current = NewWizard<CLinearCurrentSourceWizard4>(CurrentRows(), "I1");
        Settle(*voltage, c.kind, {"OFF"});
        Settle(*current, c.kind, {"OFF"});
        EXPECT_EQ(std::string(c.voltage) + "X OFF := @OFF ", Write(*voltage, "@TYPEX @PARAMLIST"));
        EXPECT_EQ(std::string(c.current) + "X OFF := @OFF ", Write(*current, "@TYPEX @PARAMLIST"));
    }
}

TEST_F(SourcesModelText, PendingEntriesThatMatchNothingAreDroppedAllTheSame) {
    auto wizard = NewWizard<CLinearCurrentSourceWizard4>(CurrentRows(), "I1");
    Settle(*wizard, 1, {"@UNKNOWN", "@OTHER"});
    EXPECT_EQ("IPULSE V1 ( @UNKNOWN, @OTHER );", Write(*wizard));
}

// Without a receiver the set is null: the keyword is still written and no request goes out.
TEST_F(SourcesModelText, WithoutReceiverOnlyTheKeyword) {
    CLinearCurrentSourceWizard4 wizard;
    Settle(wizard, 4, {"FREQ"});
    CString text = kModel;
    EXPECT_EQ(4, wizard.WriteSimDescr(nullptr, kTemplate, text));
    EXPECT_EQ("IST_RISE V1 ( FREQ := @FREQ );", text.str());
}

// A configured element whose list is empty (as older data leaves it) keeps its kind: the
// hidden page gets the wizard's settings before it builds the list.
TEST_F(SourcesModelText, EmptyListIsRebuiltFromTheWizardsOwnSettings) {
    DWORD element = 0;
    auto wizard = NewWizard<CLinearCurrentSourceWizard4>(CurrentRows(), "I1", &element);
    wizard->SetACMode(1);
    wizard->SetSourceSettings(3, 1, "", FALSE, 3, nullptr, FALSE);
    EXPECT_EQ("ITRAPEZ V1 ( TPERIO := @TPERIO, TRISE := @TRISE, TFALL := @TFALL, PWIDTH := @PWIDTH, "
              "AMPL := @AMPL, PHASE := @PHASE, PERIO := @PERIO, OFF := @OFF, TDELAY := @TDELAY, "
              "AC_PHASE := ATAN2((0),(0))*(180/PI), AC_MAG := SQRT((0)^2+(0)^2) );",
              Write(*wizard));
    EXPECT_EQ(3, wizard->GetKind());
    EXPECT_EQ(1u, wizard->GetACMode());
}

// A changed frequency or trapezoid time derives the period the kept kind gives: the
// trapezoid's from its times, every other kind's (the constant's too) from the frequency.
TEST_F(SourcesModelText, NotifyChangedDerivesThePeriodOfTheKeptKind) {
    struct Case {
        int kind;
        WORD changed;
        const char* period;
    };
    const Case cases[] = {{-1, 2036, "0.02"}, {-1, 2051, "0.02"}, {-1, 2053, "0.02"}, {-1, 2055, "0.02"},
                          {-1, 2040, "9"},    {3, 2036, "0.01"},  {3, 2053, "0.01"},  {0, 2053, "0.02"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << "/" << c.changed);
        DWORD element = 0;
        auto wizard = NewWizard<CLinearVoltageSourceWizard4>(WithValue(kVoltageRows, 2038, "9"), "V1", &element);
        Settle(*wizard, c.kind, {"EMF"});
        editor->ClearRequests();
        wizard->NotifyChanged(3, Param(editor->Holder(element), c.changed));
        wizard->NotifyChanged(2, Param(editor->Holder(element), 2036));
        wizard->NotifyChanged(3, nullptr);
        EXPECT_EQ(c.period, Param(editor->Holder(element), 2038)->GetValue().str());
        EXPECT_EQ(1u, editor->CountRequests(23)) << "only change type 3 with a parameter acts";
        EXPECT_EQ(c.changed == 2040 ? 0u : 1u, editor->CountRequests(25));
    }
}

} // namespace
