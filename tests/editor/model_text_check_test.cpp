// The check of a finished model text, on the shapes the elements write and on the faults that
// no element's page should let through (the host's rows are in qvhost_outputs_test.cpp).
#include "editor/model_text_check.h"

#include <gtest/gtest.h>

namespace {

TEST(ModelTextCheck, ReadsEveryShapeTheElementsWriteAndNamesTheFirstFault) {
    struct Case {
        const char* text;
        const char* fault;   // "" for model text
    } cases[] = {
        {"DEXP D1 ( IS := 2e-09, VT := 26m, RR := 1meg );\nSDB ( D1.I );", ""},
        {"R R1 ( R := 1e+308 );", ""},
        {"SUM E1 ( INPUT[0] := W,INPUT[1] := - (G1.OUT),TS := 0 );", ""},
        {"TRNL TN1 ( XY_TN1_CH, LS1 := 1m );\nINTERN\tXY XY_TN1_CH( FILE := \"run@R,1).mdx\" );", ""},
        {"E_POLY P1 ( COEFF[0] := 0,QUANT[0] := V(1), SPC := 0 );", ""},
        {"CSI S1 ( RON := 1m, INIT := 0); DLL CSI", ""},
        {"AM AM1;", ""},
        {"EQBLOCK EQ1 ( INPUT[1] := W ) { VAL[1] := 2*INPUT[1] + 1;\n } ( MAXINDEX := 1 );", ""},
        {"INTERN EQU {\tDIDX := 0;\nDYDXM := 0;\t} DST: SIM(Type:=SFML, Sequ:=INIT);", ""},
        {"FORMULA F1 { y := 1\nz := 2 ; DST: SIM(Type:=SSGM, Sequ:=PRE ); };", ""},
        {"IVCO O2 ( AC_PHASE := ATAN2((-4),(3))*(180/PI), AC_MAG := SQRT((3)^2+(-4)^2) );", ""},
        {"R R1 ( R :=  );", "its model text gives \"R\" no value: R R1 ( R :=  );"},
        {"V_Src F1 ( FILE := \"\" );", "its model text gives \"FILE\" no value: V_Src F1 ( FILE := \"\" );"},
        {"C C1 ( C := 10u, V0 := 0, );", "its model text has an empty list entry: C C1 ( C := 10u, V0 := 0, );"},
        {"FSRC F1 ( TPERIO := 1/(0) );", "its model text gives \"TPERIO\" a value that is no finite number: FSRC F1 ( TPERIO := 1/(0) );"},
        {"R R1 ( R := x + 1e300*1e300 );", "its model text gives \"R\" a value that is no finite number: R R1 ( R := x + 1e300*1e300 );"},
        {"R R1 ( R := 1e999 );", "its model text gives \"R\" a value that is no finite number: R R1 ( R := 1e999 );"},
        {"R R1 ( R := -inf );", "its model text gives \"R\" a value that is no finite number: R R1 ( R := -inf );"},
        {"R R1 ( R := 4k7 );", "its model text gives \"R\" a value that the expression language does not read (Invalid number at "
                               "\"4k7\"): R R1 ( R := 4k7 );"},
        {"R R1 ( R := SIN(1, 2) );", "its model text gives \"R\" a value that the expression language does not read (Wrong number "
                                     "of arguments at \"SIN\"): R R1 ( R := SIN(1, 2) );"},
        {"SDB ( R1.I + );", "its model text has a list entry that the expression language does not read (Operand expected): SDB ( R1.I + );"},
        {"MUTUAL MK ( @ListCoPa(0x4, 0xC)@CoPaRemoveCharacters(0x4, 0xC,0x4000000000,1,-1));",
         "its model text keeps the macro \"@ListCoPa\", which the editor does not expand: MUTUAL MK ( @ListCoPa(0x4, 0xC)"
         "@CoPaRemoveCharacters(0x4, 0xC,0x4000000000,1,-1));"},
        {"R R1 ( R := 1 );\nDEADTIME DT1 ( Y0[0] := @Y0[0] );",
         "its model text keeps \"@Y0[0]\", which names no parameter of the element: DEADTIME DT1 ( Y0[0] := @Y0[0] );"},
        {"LT_NIP DP1 ( FILE := \"@FILE\" );", "its model text keeps \"@FILE\", which names no parameter of the element: "
                                              "LT_NIP DP1 ( FILE := \"@FILE\" );"},
        {"XY X ( FILE := \"a\"b.mdx\" );", "its model text holds a name that cannot be quoted (a double quote or a line break "
                                          "in it): XY X ( FILE := \"a\"b.mdx\" );"},
        {"XY X ( FILE := \"a\nb.mdx\" );", "its model text holds a name that cannot be quoted (a double quote or a line break "
                                          "in it): XY X ( FILE := \"a"},
        {"R R; ( R := 1 );", "its model text has a list that follows no keyword: R R; ( R := 1 );"},
        {"R R1 ( R := 1;", "its model text has a list that is not closed before \";\": R R1 ( R := 1;"},
        {"R R1 ( R := ((1 + 2 );", "its model text gives \"R\" a value whose parentheses are not closed: R R1 ( R := ((1 + 2 );"},
        {"R R1 ( R := 1 ) );", "its model text has an unexpected \")\": R R1 ( R := 1 ) );"},
        {"FORMULA F1 { y := 1/0 ; };", "its model text has equations with a value that is no finite number: FORMULA F1 { y := 1/0 ; };"},
        {"FORMULA F1 { y := ; };", "its model text has equations that the expression language does not read (Operand expected at "
                                  "\";\"): FORMULA F1 { y := ; };"},
        {"FORMULA F1 { y := 1 ; DST: SIM(Type:=); };", "its model text gives \"Type\" no value: FORMULA F1 { y := 1 ; DST: "
                                                      "SIM(Type:=); };"},
        {"INITVAL IV1 { VAR[1] := 1 ;", "its model text has equations whose braces are not closed: INITVAL IV1 { VAR[1] := 1 ;"},
        {"XY X ( FILE := \"a\" \"b.mdx\" );", "its model text holds a name that cannot be quoted (a double quote or a line "
                                             "break in it): XY X ( FILE := \"a\" \"b.mdx\" );"},
        {"EQBLOCK EQ1 ( INPUT[1] := W ) { VAL[1] := @Y0[0]; } ( MAXINDEX := 1 );",
         "its model text keeps \"@Y0[0]\", which names no parameter of the element: EQBLOCK EQ1 ( INPUT[1] := W ) { VAL[1] "
         ":= @Y0[0]; } ( MAXINDEX := 1 );"},
        {"R R1 ( R := V() );", "its model text gives \"R\" a value that the expression language does not read (Wrong number of "
                               "arguments at \"V\"): R R1 ( R := V() );"},
        {"INITVAL IV1 { 1+2 ; };", "its model text has equations with a statement that assigns nothing (an expression alone): "
                                   "INITVAL IV1 { 1+2 ; };"},
        {"FORMULA F1 { IF (x > 1) { y := 1 } ELSE { y := 2 } };", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.fault, qv::ModelTextFault(c.text)) << c.text;
}

// A value is one value: what would add, end or split an entry is named as such, before the
// language's own reading, and a quoted name holds no quote.
TEST(ModelTextCheck, AValueIsOneValue) {
    struct Case {
        const char* value;
        const char* fault;   // "" for one value
    } cases[] = {
        {"4.7k", ""},
        {"V(1) * 2 + R1.I", ""},
        {"-(a+b)", ""},
        {" ", ""},   // a blank value is the whole text's to name
        {"1k, G := 5", "would make more than one entry of the model text (a \",\" stands outside parentheses)"},
        {"a;b", "would make more than one entry of the model text (a \";\" stands outside parentheses)"},
        {"1k); X Y ( Z := 1", "would close the list of the model text it stands in (a \")\" too many)"},
        {"(1", "has a parenthesis that is not closed"},
        {"a { b", "holds a brace, which would begin or end equations of the model text"},
        {"\"a\"", "holds a double quote, which would end or begin a quoted name of the model text"},
        {"@X", "holds an \"@\", which the model text reads as a placeholder"},
        {"1/(0)", "is no finite number"},
        {"1e400", "is no finite number"},
        {"inf", "is no finite number"},
        {"A B", "is not read by the expression language (Unexpected token at \"B\")"},
        {"ATAN2(1, 2)", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.fault, qv::ValueFault(c.value)) << c.value;
    EXPECT_EQ("", qv::QuotedValueFault("run@R,1).mdx"));
    EXPECT_EQ("cannot be quoted (a double quote or a line break in it)", qv::QuotedValueFault("a\"b"));
    EXPECT_EQ("cannot be quoted (a double quote or a line break in it)", qv::QuotedValueFault("a\nb"));
}

TEST(ModelTextCheck, ALongLineIsShownAroundItsFault) {
    std::string text = "NPOINT NP1 (";
    for (int i = 0; i < 40; ++i) text += " AMPL[" + std::to_string(i) + "] := " + std::to_string(i) + ",";
    text += " TS := );";
    EXPECT_EQ("its model text gives \"TS\" no value: ...AMPL[36] := 36, AMPL[37] := 37, AMPL[38] := 38, AMPL[39] := 39, "
              "TS := );",
              qv::ModelTextFault(text));
}

} // namespace
