#include "framework/model_text_builders.h"

#include "editor/schematic_editor.h"
#include "framework/data_classes.h"
#include "services_support.h"

#include <gtest/gtest.h>

using namespace services_test;

namespace {

class XYTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        editor.SetBreachHandler([](const std::string& what) { ADD_FAILURE() << what; });
        auto owned = std::make_unique<ParamHolder>();
        owned->m_strElementName = "R1";
        holder = owned.get();
        element = editor.AddElement(std::move(owned));
        editor.Attach(wizard, element);
        snapshot.SetName("@CH");
    }
    qv::SchematicEditor editor;
    ParamHolder* holder = nullptr;
    DWORD element = 0;
    CWizardBase4 wizard;
    CCopaObjectCompare snapshot;
};

TEST_F(XYTableTest, DeclaresTheTableAndReplacesEveryPlaceholder) {
    CString text("X @CH; Y @CH");
    BuildInternXYTable(&text, &snapshot, holder, &wizard, 0, "", "", "a.mdx", 1);
    EXPECT_EQ(CString("X CH := XY_R1_CH.VAL; Y CH := XY_R1_CH.VAL\nINTERN\tXY XY_R1_CH( FILE := \"a.mdx\" );"), text);
    EXPECT_EQ(CString("CH"), snapshot.GetName());
    EXPECT_EQ(1u, editor.CountRequests(14));

    snapshot.SetName("@CH");
    text = "@CH";
    BuildInternXYTable(&text, &snapshot, holder, &wizard, 0, "", "", "a.mdx", 0);
    EXPECT_EQ(CString("XY_R1_CH\nINTERN\tXY XY_R1_CH( FILE := \"a.mdx\" );"), text);
}

TEST_F(XYTableTest, UniqueNameFileFromParameterAndNoQuotes) {
    editor.AddNameInUse("XY_R1_CH");
    editor.AddNameInUse("XY_R1_CH2");
    MakeParam(*holder, 1007, "CH_STRG", "TABLEVAR");
    CString text("@CH");
    BuildInternXYTable(&text, &snapshot, holder, &wizard, 1, "", "CH_STRG", "ignored.mdx", 1);
    EXPECT_EQ(CString("CH := XY_R1_CH3.VAL\nINTERN\tXY XY_R1_CH3( FILE := TABLEVAR );"), text);
    EXPECT_EQ(CString("CH_STRG"), snapshot.GetName());
    EXPECT_EQ(3u, editor.CountRequests(14));
}

TEST_F(XYTableTest, ReplacementHoldingThePlaceholderDoesNotLoop) {
    CString text("@CH @CH");
    BuildInternXYTable(&text, &snapshot, holder, nullptr, 0, "T@CH", "", "f", 0);
    // The declaration is part of the text, so its own "@CH" is replaced once too.
    EXPECT_EQ(CString("T@CH T@CH\nINTERN\tXY TT@CH( FILE := \"f\" );"), text);
    // An empty placeholder replaces nothing.
    snapshot.SetName("");
    text = "abc";
    BuildInternXYTable(&text, &snapshot, holder, nullptr, 0, "T", "", "f", 0);
    EXPECT_EQ(CString("abc\nINTERN\tXY T( FILE := \"f\" );"), text);
}

TEST(ModelTextBuilders, CouplingFactor) {
    ParamHolder holder;
    MakeParam(holder, kValueIdMutualInductance, "M", "1m");
    MakeParam(holder, kValueIdFirstInductance, "L1", "2");
    CWizardCopaObject3* second = MakeParam(holder, kValueIdSecondInductance, "L2", "3");
    second->SetQuantity("Inductance");
    second->SetUnit("H");
    second->SetUsedUnit("mH");
    CCopaObjectCompare snapshot;
    snapshot.SetName("@K");
    CString text("@K; @K");
    BuildCouplingFactorText(&text, &holder, &snapshot);
    EXPECT_EQ(CString("K := (@M)/sqrt( 2 * 0.003); K := (@M)/sqrt( 2 * 0.003)"), text);
    EXPECT_EQ(CString("K"), snapshot.GetName());

    ParamHolder empty;
    snapshot.SetName("@K");
    text = "@K";
    BuildCouplingFactorText(&text, &empty, &snapshot);
    EXPECT_EQ(CString("K := ()/sqrt(  * )"), text);
}

TEST(ModelTextBuilders, ACPhaseAndMagnitudeExpressions) {
    ParamHolder holder;
    MakeParam(holder, 1, "RE", "-3");
    MakeParam(holder, 2, "IM", "@AC_RE");
    CCopaObjectCompare phase;
    phase.SetName("@AC_PHASE");
    CCopaObjectCompare magnitude;
    magnitude.SetName("@AC_MAG");
    CString text("@AC_PHASE; @AC_MAG; @AC_PHASE");
    EXPECT_TRUE(BuildACPhaseExpr(&phase, &holder, 1, 2, &text));
    EXPECT_TRUE(BuildACMagnitudeExpr(&magnitude, &holder, 1, 2, &text));
    // Quadrant-correct arc tangent; a part that holds a placeholder is inserted as it stands.
    EXPECT_EQ(CString("AC_PHASE := ATAN2((@AC_RE),(-3))*(180/PI); AC_MAG := SQRT((-3)^2+(@AC_RE)^2); @AC_PHASE"),
              text);
    EXPECT_FALSE(BuildACPhaseExpr(&phase, &holder, 1, 3, &text));
    EXPECT_FALSE(BuildACMagnitudeExpr(&magnitude, &holder, 3, 2, &text));
}

TEST(ModelTextBuilders, ACValueLines) {
    ParamHolder holder;
    CWizardCopaObject3* target = MakeParam(holder, 10, "VAC", "");
    target->SetQuantity("Voltage");
    target->SetUnit("V");
    target->SetUsedUnit("mV");
    // The value is read in its own used unit and written in the AC parameter's unit.
    MakeParam(holder, 11, "V0", "5")->SetUsedUnit("mV");
    CString text("@AC_MAG_VAL @AC_PHASE_VAL @AC_MAG_VAL");
    ReplaceACMagnitude(&holder, &text, 10, 11);
    ReplaceACPhase(&holder, &text, 10, 99);
    EXPECT_EQ(CString("VAC := 0.005 VAC := 0 @AC_MAG_VAL"), text);
    ReplaceACMagnitude(&holder, &text, 12, 11);
    EXPECT_EQ(CString("VAC := 0.005 VAC := 0 @AC_MAG_VAL"), text);
    ReplaceACMagnitude(&holder, &text, 10, 99);
    EXPECT_EQ(CString("VAC := 0.005 VAC := 0 VAC := "), text);
    // A value on a pin is the pin's signal, in the value's own unit: the text behind the pin
    // stands for nothing.
    holder.m_strElementName = "C1";
    CWizardCopaObject3* pinned = MakeParam(holder, 13, "CONST", "3");
    pinned->SetQuantity("Voltage");
    pinned->SetUnit("V");
    pinned->SetUsedUnit("mV");
    pinned->UsePin(TRUE);
    CString onPin("@AC_MAG_VAL");
    ReplaceACMagnitude(&holder, &onPin, 10, 13);
    EXPECT_EQ(CString("VAC := C1.CONST"), onPin);
}

TEST(ModelTextBuilders, ReciprocalAndSumTexts) {
    EXPECT_EQ(CString("0.0005"), MakeReciprocalText("2k"));
    EXPECT_EQ(CString("1/(0)"), MakeReciprocalText("0"));
    EXPECT_EQ(CString("1/(R1)"), MakeReciprocalText("R1"));
    EXPECT_EQ(CString("1/(%s%n)"), MakeReciprocalText("%s%n"));
    EXPECT_EQ(CString(" 1 + 2 + x"), MakeSumText("1", "2", "x"));
    EXPECT_EQ(CString("6"), MakeSumText("1", "2", "3"));
    EXPECT_EQ(CString("1002.5"), MakeSumText("1k", "2", "500m"));
    // The sum overflows to infinity: the formula stands.
    EXPECT_EQ(CString(" 8e307 + 8e307 + 8e307"), MakeSumText("8e307", "8e307", "8e307"));
}

TEST(ModelTextBuilders, DuplicateIndexes) {
    ParamHolder holder;
    for (const char* name : {"A[1]", "A[2]", "A[1]", "A[3]", "A[2]", "A[1]", "B"}) MakeParam(holder, 5, name, "");
    EXPECT_EQ(CString("1\n2"), ListDuplicateIndexes(&holder, 5));
    EXPECT_EQ(CString(), ListDuplicateIndexes(&holder, 6));

    ParamHolder large;
    for (const char* name : {"A[2000000000]", "A[-7]", "A[2000000000]", "A[-7]", "A[-1]", "A[-1]"})
        MakeParam(large, 5, name, "");
    CWizardCopaObject3* deleted = MakeParam(large, 5, "A[4]", "");
    MakeParam(large, 5, "A[4]", "");
    deleted->SetDeletable(TRUE);
    deleted->Delete();
    EXPECT_EQ(CString("-7\n2000000000"), ListDuplicateIndexes(&large, 5));
}

TEST(ModelTextBuilders, DescriptionsFillOneConversionLiterally) {
    CLanguageTextMap templ;
    templ.SetAt(0x409, "Pin %d of %s, 100%%");
    templ.SetAt(0x407, "%s and %n stay");
    CWizardCopaObject3 target;
    target.SetName("A[3]");
    target.SetValue("5k");
    SetParamDescriptionsByIndex(&templ, &target);
    EXPECT_EQ(CString("Pin 3 of %s, 100%"), target.GetDescriptionByLangID(0x409));
    EXPECT_EQ(CString("%s and %n stay"), target.GetDescriptionByLangID(0x407));
    SetParamDescriptionsByName(&templ, &target);
    EXPECT_EQ(CString("Pin %d of A[3], 100%"), target.GetDescriptionByLangID(0x409));
    EXPECT_EQ(CString("A[3] and %n stay"), target.GetDescriptionByLangID(0x407));
    SetParamDescriptionsByValue(&templ, &target);
    EXPECT_EQ(CString("5k and %n stay"), target.GetDescriptionByLangID(0x407));
    EXPECT_EQ(CString("[%5s|7  ]"), FillOneConversion("[%5s|%-3d]", 'd', 7, ""));
    EXPECT_EQ(CString("[   ab]"), FillOneConversion("[%5s]", 's', 0, "ab"));
    EXPECT_EQ(CString("%9999d"), FillOneConversion("%9999d", 'd', 1, ""));
    SetParamDescriptionsByIndex(nullptr, &target);
    SetParamDescriptionsByName(&templ, nullptr);
}

} // namespace
