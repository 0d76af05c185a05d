// What OK accepts describes: a session a user ends with OK either gives an element whose
// description is model text, or is refused by the page with its own message. Each row is a
// session of the sibling pages that share the field or click.
#include "tests/support/host_fixture.h"

#include "afx/message_text.h"
#include "afx/msgbox.h"
#include "editor/edit_script.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

class OkDescribesTest : public qv_test::HostTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(UseFolder("ok_describes")); }

    struct Case {
        const char* element;  // the one element of the schematic, named X1
        std::vector<std::string> script;
        const char* description;  // the whole description; null: OK is refused with `refusal`
        const char* refusal = "Invalid value!";  // the message box that refuses the OK
        void (*modelTextStep)() = nullptr;  // what the wizard's next writing of its text also does
        // A file of the row's folder that `refusal` names where it says "{file}", as messages
        // show a path (the folder is made for the run).
        const char* namedFile = nullptr;
        const char* printed = nullptr;  // a text the printed schematic holds besides
    };

    static std::string RowFolder(const std::filesystem::path& folder, int row) {
        return (folder / ("row" + std::to_string(row))).string();
    }

    void Check(const Case& c, int row) {
        SCOPED_TRACE(std::string(c.element) + " row " + std::to_string(row));
        const std::string schematic = std::string(R"({"document":"D","elements":[)") + c.element + "]}";
        std::vector<std::string> script = c.script;
        std::string refusal = c.refusal;
        if (const size_t at = refusal.find("{file}"); c.namedFile != nullptr && at != std::string::npos)
            refusal.replace(at, 6, qv::ShownPath((std::filesystem::path(RowFolder(folder, row)) / c.namedFile).string()));
        if (c.description == nullptr) script.push_back("message ok " + qv::QuoteScriptText(refusal));
        script.push_back("ok");
        qv::Host::SetModelTextHookForTest(c.modelTextStep);
        struct NoHook {
            ~NoHook() { qv::Host::SetModelTextHookForTest(nullptr); }
        } noHook;
        const qv_test::EditedAndDescribed done =
            qv_test::EditThenDescribe(schematic, "X1", script, RowFolder(folder, row));
        if (c.description == nullptr) {
            EXPECT_FALSE(done.edited);
            EXPECT_THAT(done.error, testing::HasSubstr("(ok): the sheet refused"));
            EXPECT_THAT(done.error, testing::Not(testing::HasSubstr("unexpected message box")));
            // The box that refuses is the one the row names: the page's own, or the editor's.
            EXPECT_THAT(done.error, testing::Not(testing::HasSubstr("where the user script expects")));
            return;
        }
        ASSERT_TRUE(done.edited) << done.error;
        EXPECT_EQ(c.description, done.description);
        if (c.printed != nullptr) {
            EXPECT_THAT(done.printed, testing::HasSubstr(c.printed));
        }
    }
};

// An initial value left unticked is written empty on purpose: the element describes without it.
TEST_F(OkDescribesTest, AnUntickedInitialValueIsLeftOutOfTheText) {
    const Case cases[] = {
        {R"({"id":17,"name":"X1"})", {"click 2513"}, "C X1 ( C := 1u );\n"},
        {R"({"id":18,"name":"X1"})", {"click 2513"}, "L X1 ( L := 1m );\n"},
        {R"({"id":17,"name":"X1"})", {"click 2513", "click 2513", "type 2096 2"}, "C X1 ( C := 1u, V0 := 2 );\n"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) Check(cases[i], static_cast<int>(i));
}

// "RMS Value" chosen with the RMS field empty leaves the amplitude as it was, on every page
// that has the field.
TEST_F(OkDescribesTest, AnEmptyRMSValueKeepsTheAmplitude) {
    const Case cases[] = {
        {R"({"id":35,"name":"X1"})", {"click 2204"},
         "SINE X1 ( AMPL := 1, FREQ := 50, TPERIO := 0.02, TDELAY := 0, PHASE := 0, OFF := 0, PERIO := 1 );\n"},
        {R"({"id":3,"name":"X1"})", {"click 2031", "click 2204"},
         "ESINE X1 ( FREQ := 50, TPERIO := 0.02, AMPL := 1, PHASE := 0, PERIO := 1, OFF := 0, TDELAY := 0, SPC := 0, "
         "AC_PHASE := 0, AC_MAG := 0 );\n"},
        {R"({"id":104,"name":"X1"})", {"click 2031", "click 2204"},
         "FSRC SINE X1 ( FREQ := 50, TPERIO := 0.02, AMPL := 1, PHASE := 0, PERIO := 1, OFF := 0, TDELAY := 0, "
         "AC_PHASE := 0, AC_MAG := 0 );\n"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) Check(cases[i], static_cast<int>(i));
}

// A zero frequency keeps the period as it stands in every family that derives one.
TEST_F(OkDescribesTest, AZeroFrequencyKeepsThePeriod) {
    const Case cases[] = {
        {R"({"id":3,"name":"X1"})", {"click 2031", "type 2036 0"},
         "ESINE X1 ( FREQ := 0, TPERIO := 0.02, AMPL := 1, PHASE := 0, PERIO := 1, OFF := 0, TDELAY := 0, SPC := 0, "
         "AC_PHASE := 0, AC_MAG := 0 );\n"},
        {R"({"id":4,"name":"X1"})", {"click 2031", "type 2036 0"},
         "ISINE X1 ( FREQ := 0, TPERIO := 0.02, AMPL := 1, PHASE := 0, PERIO := 1, OFF := 0, TDELAY := 0, "
         "AC_PHASE := 0, AC_MAG := 0 );\n"},
        {R"({"id":105,"name":"X1"})", {"click 2031", "type 2036 0"},
         "TSRC SINE X1 ( FREQ := 0, TPERIO := 0.02, AMPL := 1, PHASE := 0, PERIO := 1, OFF := 0, TDELAY := 0, "
         "DAMPING := 0, AC_PHASE := 0, AC_MAG := 0 );\n"},
        {R"({"id":36,"name":"X1"})", {"type 2036 0"},
         "ST_RISE X1 ( AMPL := 1, FREQ := 0, TPERIO := 0.02, TDELAY := 0, PHASE := 0, OFF := 0, PERIO := 1 );\n"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) Check(cases[i], static_cast<int>(i));
}

// A value field emptied by the user is refused by OK with the page's message, whatever the
// page: block pages of both bases, time functions, sources, passive elements, measurements and
// the AC page in either of its modes.
TEST_F(OkDescribesTest, AnEmptiedValueFieldIsRefused) {
    const Case cases[] = {
        {R"({"id":58,"name":"X1"})", {"type 2183 \"\""}, nullptr},
        {R"({"id":32,"name":"X1"})", {"type 2181 \"\""}, nullptr},
        {R"({"id":33,"name":"X1"})", {"type 2183 \"\""}, nullptr},
        {R"({"id":82,"name":"X1"})", {"type 2183 \"\""}, nullptr},
        {R"({"id":60,"name":"X1","parameters":{"IN":"W"}})", {"type 2151 \"\""}, nullptr},
        {R"({"id":86,"name":"X1","parameters":{"IN":"U"}})", {"type 2028 \"\""}, nullptr},
        {R"({"id":35,"name":"X1"})", {"type 2036 \"\""}, nullptr},
        {R"({"id":3,"name":"X1"})", {"click 2031", "type 2036 \"\""}, nullptr},
        {R"({"id":15,"name":"X1"})", {"type 2028 \"\""}, nullptr},
        {R"({"id":17,"name":"X1"})", {"type 2028 \"\""}, nullptr},
        {R"({"id":112,"name":"X1"})", {"type 2477 \"\""}, nullptr},
        {R"({"id":3,"name":"X1"})", {"page 1", "click 2428", "type 2430 \"\""}, nullptr},
        {R"({"id":3,"name":"X1"})", {"page 1", "click 2428", "type 2432 \" \""}, nullptr},
        {R"({"id":3,"name":"X1"})", {"page 1", "type 2425 \"\""}, nullptr},
        {R"({"id":4,"name":"X1"})", {"page 1", "click 2428", "type 2432 \"\""}, nullptr},
        {R"({"id":55,"name":"X1"})", {"page 1", "click 2428", "type 2430 \"\""}, nullptr},
        {R"({"id":104,"name":"X1"})", {"page 1", "click 2428", "type 2432 \"\""}, nullptr},
    };
    for (size_t i = 0; i < std::size(cases); ++i) Check(cases[i], static_cast<int>(i));
}

// A field or cell whose text the model text carries as an expression is refused by OK when the
// expression language does not read it: a transition's condition (blank too), an equation row,
// a polynomial source's quantity, an input's signal of the equation and sum blocks and a
// controlled source's control component.
TEST_F(OkDescribesTest, AnExpressionTheLanguageDoesNotReadIsRefused) {
    const Case cases[] = {
        {R"({"id":44,"name":"X1"})", {"type 2223 \"\""}, nullptr},
        {R"({"id":44,"name":"X1"})", {"type 2223 \"V(1)1\""}, nullptr},
        {R"({"id":44,"name":"X1"})", {"type 2223 \"V(1) > 2\""}, "TRANSITION X1 ( PRIO := 1, COND := V(1) > 2 );\n"},
        {R"({"id":81,"name":"X1","parameters":{"FA[1]":"VAR[2] := 1"}})", {"cell 2132 0 0 \"VAR[2] := 2*VAR[1]1\""},
         nullptr},
        {R"({"id":31,"name":"X1"})", {"click 2173", "cell 2172 0 2 \"V(1)1\""}, nullptr},
        {R"({"id":79,"name":"X1","parameters":{"INPUT[1]":"U"}})", {"cell 2278 0 2 \"V(1)1\""}, nullptr},
        {R"({"id":58,"name":"X1","parameters":{"INPUT[0]":"U","INPUT[1]":"W"}})", {"cell 2132 1 4 \"V(1)1\""}, nullptr},
        {R"({"id":1,"name":"X1","parameters":{"QUANT":"V1.I"}})", {"type 2007 \"V(1)1\""}, nullptr},
        // A number beyond a double, typed or computed: the page says so itself, before the
        // editor's check would.
        {R"({"id":44,"name":"X1"})", {"type 2223 \"1e999\""}, nullptr},
        {R"({"id":44,"name":"X1"})", {"type 2223 \"V(1) > 1/(0)\""}, nullptr},
        {R"({"id":1,"name":"X1","parameters":{"QUANT":"V1.I"}})", {"type 2007 \"1e308*10\""}, nullptr},
    };
    for (size_t i = 0; i < std::size(cases); ++i) Check(cases[i], static_cast<int>(i));
}

// The editor looks at what every OK would store as describe does: a value that is not one
// value of the expression language (it would add an entry, end the list or name a placeholder),
// a number that is not finite and a value left blank where the text needs one are refused,
// whatever the page, and the message names the parameter. A refused OK leaves the sheet open:
// the user mends the value and presses OK again.
TEST_F(OkDescribesTest, WhatDescribeWouldRefuseIsRefusedAtTheCommit) {
    const std::string longA(211, 'a'), longB(205, 'b');
    const std::string nameA = longA + ".mdx", nameB = longB + ".mdx";
    const char* const kLongA = nameA.c_str();
    const char* const kLongB = nameB.c_str();
    const Case cases[] = {
        {R"({"id":15,"name":"X1"})", {"type 2028 \"1k, G := 5\""}, nullptr,
         "X1 cannot be described: parameter \"R\": its value \"1k, G := 5\" would make more than one entry of the model "
         "text (a \",\" stands outside parentheses)"},
        {R"({"id":40,"name":"X1"})", {"type 2209 \"1, 2\""}, nullptr,
         "X1 cannot be described: parameter \"LIMY\": its value \"1, 2\" would make more than one entry of the model text "
         "(a \",\" stands outside parentheses)"},
        // A placeholder typed as a value is named as the parameter's value, also where it names
        // another parameter.
        {R"({"id":40,"name":"X1"})", {"type 2209 \"@XOFF\""}, nullptr,
         "X1 cannot be described: parameter \"LIMY\": its value \"@XOFF\" holds an \"@\", which the model text reads as "
         "a placeholder"},
        {R"({"id":19,"name":"X1"})", {"type 2010 \"1/(0)\""}, nullptr,
         "X1 cannot be described: parameter \"K\": its value \"1/(0)\" is no finite number"},
        {R"({"id":17,"name":"X1"})", {"type 2096 \"@V0\""}, nullptr,
         "X1 cannot be described: parameter \"V0\": its value \"@V0\" holds an \"@\", which the model text reads as a "
         "placeholder"},
        {R"({"id":35,"name":"X1"})", {"type 2036 \"1e-310\""}, nullptr,
         "X1 cannot be described: parameter \"TPERIO\": its value \"1/(1e-310)\" is no finite number"},
        {R"({"id":33,"name":"X1"})", {"cell 2195 1 1 \"\""}, nullptr,
         "X1 cannot be described: its model text gives \"P[1]\" no value: TF X1 ( N := 0, M := 1, TS := 0, IN := 0, "
         "Q[0] := 1, P[0] := 1, P[1] :=  );"},
        {R"({"id":47,"name":"X1"})", {"click 2387", "type 2195 \"\"", "click 2387"}, nullptr,
         "X1 cannot be described: its model text gives \"RV\" no value: INTEG X1 ( K := 1, Y0 := 0, UL := 0, LL := 0, "
         "RESET := 0, RV := , TRIG := 1, TS := 0, IN := 0 );"},
        // A value the wizard writes as it stands, quote-led; one name given two things; a data
        // file's name that describe could not write.
        {R"({"id":112,"name":"X1"})",
         {"sheet ok {", "click 2114", "click 2330", "type 2395 \"\\\"x\\\"); BAD BAD2 ( Q := 1\"", "}", "click 2016"}, nullptr,
         "X1 cannot be described: parameter \"CH_STRG\": its value \"\"x\"); BAD BAD2 ( Q := 1\" holds a double quote, "
         "which would end or begin a quoted name of the model text"},
        {R"({"id":102,"name":"X1"})", {"type 2156 \"DYDX\""}, nullptr,
         "X1 cannot be described: parameters \"DYDX\" and \"DYDXM\" both name \"DYDX\", which the element declares: one "
         "name cannot stand for two things"},
        {R"({"id":102,"name":"X1","parameters":{"Y":"V1"}})", {"type 2154 \"V1\""}, nullptr,
         "X1 cannot be described: parameters \"Y\" and \"DYDX\" both name \"V1\", which the element declares: one name "
         "cannot stand for two things"},
        {R"({"id":93,"name":"X1"})", {"type 2405 OUT"}, nullptr,
         "X1 cannot be described: parameters \"VAL_IN1\" and \"OUT\" both name \"OUT\", which the element declares: one "
         "name cannot stand for two things"},
        {R"({"id":82,"name":"X1","parameters":{"INPUT":"0","FILE":"dt.mdx"},"script":["click 2292","click 1122",)"
         R"("cell 2134 0 1 \"0.5\"","ok"]})",
         {"type 2117 \"" + nameA + "\""},
         nullptr, "X1 cannot be described: its data file {file}: the file name has 215 bytes, more than the 200 a file "
         "name may have", nullptr, kLongA},
        {R"({"id":15,"name":"X1","characteristic":{"kind":"data-pairs","points":[[0,0],[1,1]]}})",
         {"sheet ok {", "click 2116",
          "type 2117 \"" + nameB + "\"",
          "}", "click 2016"},
         nullptr, "X1 cannot be described: its data file {file}: the file name has 209 bytes, more than the 200 a file "
         "name may have", nullptr, kLongB},
        // A box the wizard shows while it writes its text (nobody is there to answer it).
        {R"({"id":15,"name":"X1"})", {"type 2028 2k"}, nullptr,
         "X1 cannot be described: its wizard shows a message box \"Cannot read the table.\" while it writes its model "
         "text",
         [] {
             qv::Host::SetModelTextHookForTest(nullptr);
             AfxMessageBox("Cannot read the table.", MB_OK);
         }},
        // The sheet stays open after the refusal: the value mended, OK takes it.
        {R"({"id":15,"name":"X1"})", {"type 2028 \"\"", "message ok \"Invalid value!\"", "ok", "type 2028 \"2k\""},
         "R X1 ( R := 2k );\n"},
        {R"({"id":15,"name":"X1"})",
         {"type 2028 \"1k); X Y ( Z := 1\"", "message ok", "apply", "type 2028 \"3k\""}, "R X1 ( R := 3k );\n"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) Check(cases[i], static_cast<int>(i));
}

// A text where a page needs a number (a count, an order, a dimension, samples, a number of
// harmonics, a delay time, a filter's order) is refused by OK, instead of
// being read as its leading digits or as 0; so is a sample time that is no number shown in
// another unit than the parameter's own, which the description could not convert.
TEST_F(OkDescribesTest, ATextWhereANumberIsNeededIsRefused) {
    const Case cases[] = {
        {R"({"id":51,"name":"X1"})", {"type 2040 abc"}, nullptr},
        {R"({"id":51,"name":"X1"})", {"type 2040 0"}, nullptr},
        {R"({"id":51,"name":"X1"})", {"type 2040 -1"}, nullptr},
        {R"({"id":51,"name":"X1"})", {"type 2042 2.5"}, nullptr},
        {R"({"id":34,"name":"X1"})", {"type 2188 abc"}, nullptr},
        {R"({"id":34,"name":"X1"})", {"type 2193 -2"}, nullptr},
        {R"({"id":33,"name":"X1"})", {"type 2188 1x"}, nullptr},
        {R"({"id":64,"name":"X1"})", {"type 2028 abc"}, nullptr},
        {R"({"id":64,"name":"X1"})", {"type 2028 2.5"}, nullptr},
        {R"({"id":54,"name":"X1"})", {"type 2240 abc"}, nullptr},
        {R"({"id":54,"name":"X1"})", {"type 2243 \"50 Hz\""}, nullptr},
        {R"({"id":54,"name":"X1"})", {"type 2202 \"2*0.5\"", "choose 2400 ms"}, nullptr},
        {R"({"id":64,"name":"X1"})", {"type 2183 TX", "choose 2400 ms"}, nullptr},
        {R"({"id":82,"name":"X1"})", {"click 2291", "type 2042 abc"}, nullptr},
        {R"({"id":53,"name":"X1"})", {"type 2042 abc"}, nullptr},
        {R"({"id":53,"name":"X1"})", {"type 2248 2.5"}, nullptr},
        {R"({"id":85,"name":"X1"})", {"type 2328 \"1/0\""}, nullptr},
        // A fundamental frequency is above 0, and its harmonics' frequencies are finite.
        {R"({"id":85,"name":"X1"})", {"type 2326 0"}, nullptr},
        {R"({"id":85,"name":"X1"})", {"type 2326 -50"}, nullptr},
        {R"({"id":85,"name":"X1"})", {"type 2328 3", "type 2326 1e308"}, nullptr},
        {R"({"id":85,"name":"X1"})", {"type 2326 1e306", "type 2328 1000"}, nullptr},
        {R"({"id":31,"name":"X1"})", {"type 2163 abc"}, nullptr},
        {R"({"id":44,"name":"X1"})", {"type 2188 \"1,5\""}, nullptr},
        // Samples typed stand as typed until OK refuses them; an order is a whole number; a
        // frequency a period is made of is above 0.
        {R"({"id":51,"name":"X1"})", {"type 2042 \"a)\""}, nullptr},
        {R"({"id":54,"name":"X1"})", {"type 2240 2.5"}, nullptr},
        {R"({"id":83,"name":"X1"})", {"type 2038 -2"}, nullptr},
        {R"({"id":83,"name":"X1"})", {"type 2202 0"}, nullptr},
        // What is a number passes, in the unit shown, and "System" typed with blanks is
        // "System".
        {R"({"id":64,"name":"X1"})", {"type 2183 \" system\""},
         "NPOINT X1 ( N := 2, THRES[0] := -1, THRES[1] := 1, AMPL[0] := -1, AMPL[1] := 0, AMPL[2] := 1, TS := 0, "
         "IN := 0 );\n"},
        // "System", chosen or typed, is the system's sample time whatever unit the list shows.
        {R"({"id":64,"name":"X1"})", {"choose 2400 ms", "choose 2183 System"},
         "NPOINT X1 ( N := 2, THRES[0] := -1, THRES[1] := 1, AMPL[0] := -1, AMPL[1] := 0, AMPL[2] := 1, TS := 0, "
         "IN := 0 );\n"},
        {R"({"id":100,"name":"X1"})", {"type 2183 5", "choose 2400 ms", "type 2183 SYSTEM"},
         "SLMEAN X1 ( IN := 0, TSTART := 0, TSTOP := 1, TINT := 20m, TS := 0, OUT := OUT );\n"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) Check(cases[i], static_cast<int>(i));
}

// What OK stores comes back: a name cell of the equation block keeps its family's member, a
// row of the equation lists or an action of a state must be a statement that defines or
// decides something (also with the error messages off), a field that names a result must
// hold a name, and a referenced data file is one quoted value, whatever its name.
TEST_F(OkDescribesTest, WhatOkStoresIsReadBackAndNamesAreNames) {
    const Case cases[] = {
        {R"({"id":79,"name":"X1"})", {"click 2287", "message ok \"Invalid value!\"", "cell 2298 0 0 \"2\""},
         "EQBLOCK X1 ( INPUT[1] := 0 ) {  } ( MAXINDEX := 1 );\n"},
        {R"({"id":79,"name":"X1"})", {"message ok \"Invalid value!\"", "cell 2278 0 0 \"INPUT[2]\""},
         "EQBLOCK X1 ( INPUT[1] := 0 ) { VAL[1] := INPUT[1];\n } ( MAXINDEX := 1 );\n"},
        {R"({"id":79,"name":"X1"})", {"message ok", "cell 2279 0 0 \"VAL[1]\""}, nullptr},
        {R"({"id":81,"name":"X1"})", {"click 2488", "message ok", "cell 2132 0 0 \"abc\""}, nullptr},
        {R"({"id":81,"name":"X1"})", {"cell 2132 0 0 \"1+2\""}, nullptr},
        {R"({"id":80,"name":"X1"})", {"cell 2132 0 0 \"4.7m\""}, nullptr},
        {R"({"id":80,"name":"X1"})", {"cell 2132 0 0 \"x := 1; y\""}, nullptr},
        {R"({"id":45,"name":"X1"})", {"menu 40005", "click 1122", "message ok", "cell 2233 0 1 \"q := \"", "message ok"},
         nullptr},
        {R"({"id":46,"name":"X1"})", {"menu 40006", "click 1122", "message ok", "cell 2233 0 1 \"x +\"", "message ok"},
         nullptr},
        {R"({"id":102,"name":"X1"})", {"type 2154 \"3\""}, nullptr},
        {R"({"id":102,"name":"X1"})", {"type 2156 \"A B\""}, nullptr},
        {R"({"id":96,"name":"X1"})", {"type 2408 \"X;Y\""}, nullptr},
        {R"({"id":96,"name":"X1"})", {"type 2424 \"\""}, nullptr},
        {R"({"id":94,"name":"X1"})", {"type 2412 \"@X\""}, nullptr},
        {R"({"id":99,"name":"X1"})", {"type 2420 \"else\""}, nullptr},
        {R"({"id":89,"name":"X1"})", {"type 2028 \"R1.V\""}, nullptr},
        {R"({"id":43,"name":"X1"})", {"click 2293", "type 2425 \"data-1.mdx\""},
         "LT_LIP X1 ( TPERIO := 0, PHASE := 0, PERIO := 0, TDELAY := 0, FILE := \"data-1.mdx\" );\n"},
        {R"({"id":78,"name":"X1"})", {"click 2293", "type 2425 \"a,b\""}, "LOOKUP2D X1 ( FILE := \"a,b\" , IN := 0 );\n"},
        {R"({"id":82,"name":"X1"})", {"click 2293", "type 2395 \"a\\\"b\""}, nullptr,
         "The data file name \"a?b\" cannot be used: a data file name may hold no quotation mark (\") and no control "
         "character. Please give another name."},
    };
    for (size_t i = 0; i < std::size(cases); ++i) Check(cases[i], static_cast<int>(i));
}

// A number in a cell or a count field is read whole, in the unit of its column or field: a
// text that is no such number is refused (a cell does not take it, OK refuses a field) and
// never read by its leading digits; a check compares only what reads as numbers; a field
// left with a text OK refuses resizes no family, and leaving an order field keeps what was
// typed into the rows (values and infos), also when the count is mended to more rows.
TEST_F(OkDescribesTest, NumbersInCellsAndCountFieldsAreReadWhole) {
    // The N-point element's first threshold as typed, value and info, in the printed schematic.
    const char* const kTypedRow = "\"THRES[0]\": {\n          \"value\": \"-7\",\n          \"info\": \"top\"\n        }";
    const Case cases[] = {
        {R"({"id":47,"name":"X1"})", {"type 2151 2*3", "type 2152 1", "type 2187 5"},
         "INTEG X1 ( K := 1, Y0 := 5, UL := 2*3, LL := 1, RESET := 0, RV := 0, TRIG := 1, TS := 0, IN := 0 );\n"},
        {R"({"id":47,"name":"X1"})", {"type 2151 UMAX", "type 2152 -1", "type 2187 0.5"},
         "INTEG X1 ( K := 1, Y0 := 0.5, UL := UMAX, LL := -1, RESET := 0, RV := 0, TRIG := 1, TS := 0, IN := 0 );\n"},
        {R"({"id":46,"name":"X1"})", {"type 2227 abc"}, nullptr},
        {R"({"id":46,"name":"X1"})", {"type 2229 1e400"}, nullptr},
        {R"({"id":33,"name":"X1"})", {"cell 2195 1 1 \"5\"", "type 2193 \"1\""},
         "TF X1 ( N := 0, M := 1, TS := 0, IN := 0, Q[0] := 1, P[0] := 1, P[1] := 5 );\n"},
        {R"({"id":34,"name":"X1"})", {"cell 2194 0 1 \"5\"", "type 2188 \"1\""},
         "TFZ X1 ( N := 1, D := 1, TS := 1m, IN := 0, Q[0] := 5, P[0] := 1 );\n"},
        {R"({"id":30,"name":"X1","script":["sheet ok {","click 2114","click 2397","click 1122","cell 2121 0 1 \"0\"",)"
         R"("cell 2121 0 2 \"1\"","click 1122","cell 2121 1 1 \"2\"","cell 2121 1 2 \"0.5\"","}","click 2157","click 2160",)"
         R"("ok"]})",
         {"cell 2132 1 1 \"\""}, nullptr},
        {R"({"id":31,"name":"X1"})", {"click 2173", "click 2173", "type 2163 1000", "message ok \"Invalid value!\""}, nullptr},
        {R"({"id":31,"name":"X1"})", {"type 2163 1e308", "message ok \"Invalid value!\""}, nullptr},
        {R"({"id":31,"name":"X1"})", {"click 2173", "click 2173", "type 2163 \"1k)\""}, nullptr},
        {R"({"id":64,"name":"X1"})",
         {"cell 2262 0 1 \"-7\"", "cell 2262 0 2 top", "type 2028 0.5", "message ok \"Invalid value!\"", "ok",
          "type 2028 2"},
         "NPOINT X1 ( N := 2, THRES[0] := -7, THRES[1] := 1, AMPL[0] := -1, AMPL[1] := 0, AMPL[2] := 1, TS := 0, "
         "IN := 0 );\n",
         "Invalid value!", nullptr, nullptr, kTypedRow},
        // Mended to more points than before: the typed row keeps its value and info, the new
        // rows take the template's.
        {R"({"id":64,"name":"X1"})",
         {"cell 2262 0 1 \"-7\"", "cell 2262 0 2 top", "type 2028 0.5", "message ok \"Invalid value!\"", "ok",
          "type 2028 4"},
         "NPOINT X1 ( N := 4, THRES[0] := -7, THRES[1] := 1, AMPL[0] := -1, AMPL[1] := 0, AMPL[2] := 1, TS := 0, "
         "IN := 0, THRES[2] := 0, THRES[3] := 0, AMPL[3] := 0, AMPL[4] := 0 );\n",
         "Invalid value!", nullptr, nullptr, kTypedRow},
    };
    for (size_t i = 0; i < std::size(cases); ++i) Check(cases[i], static_cast<int>(i));

    // Cells of a table: a unit of another quantity than the column's is refused, a unit of its
    // own is converted. A data file's value of the dead time is a plain number: any other text
    // is refused at its cell, and the value stored before stays.
    struct CellCase {
        const char* element;
        std::vector<std::string> script;
        const char* holds;  // a text of the printed schematic; null: a cell edit is refused
        // Refused: what the printed schematic still holds after the rest of the script and OK.
        const char* keeps = nullptr;
    };
    const char* const kTable2D =
        R"({"id":78,"name":"X1","parameters":{"IN":"W"},"script":["click 1122","click 1122","cell 2121 1 1 \"1\"","ok"]})";
    const char* const kDeadTimeFile =
        R"({"id":82,"name":"X1","parameters":{"INPUT":"0","FILE":"dt.mdx"},"script":["click 2292","click 1122",)"
        R"("cell 2134 0 1 \"0.5\"","ok"]})";
    const char* const kDeadTimeHalf = "0000000000000000000000000000e03f";  // the point (0, 0.5) the wizard keeps
    const CellCase cells[] = {
        {kDeadTimeFile, {"cell 2134 0 1 \"2m\""}, "0000000000000000fca9f1d24d62603f"},  // the point (0, 0.002)
        {kDeadTimeFile, {"cell 2134 0 1 \"1 kOhm\"", "click 1122"}, nullptr, kDeadTimeHalf},
        {kDeadTimeFile, {"cell 2134 0 1 \"2abc\"", "click 1122"}, nullptr, kDeadTimeHalf},
        {kDeadTimeFile, {"cell 2134 0 1 \"1k, G := 5\"", "click 1122"}, nullptr, kDeadTimeHalf},
        {R"({"id":82,"name":"X1"})", {"click 1122", "cell 2134 0 1 \"1,5\""}, nullptr},
        {R"({"id":82,"name":"X1"})", {"click 1122", "cell 2134 0 1 x"}, nullptr},
        {R"({"id":82,"name":"X1"})", {"click 1122", "cell 2134 0 1 \"1/(0)\""}, nullptr},
        {kTable2D, {"cell 2121 1 2 \"1 kOhm\""}, nullptr},
        {kTable2D, {"click 2273", "type 2275 V", "cell 2121 1 1 \"1 kOhm\""}, nullptr},
        {kTable2D, {"click 2273", "type 2275 V", "cell 2121 1 1 \"2 kV\""}, "0000000000409f40"},
        {R"({"id":8,"name":"X1"})",
         {"choose 2080 \"XY-Data Pairs\"", "sheet ok {", "click 2397", "click 1124", "click 1122", "cell 2121 0 1 \"0\"",
          "cell 2121 0 2 \"0\"", "click 1122", "cell 2121 1 1 \"1 kOhm\"", "}", "click 2016"},
         nullptr},
        {R"({"id":8,"name":"X1"})",
         {"choose 2080 \"XY-Data Pairs\"", "sheet ok {", "click 2397", "click 1124", "click 1122", "cell 2121 0 1 \"0\"",
          "cell 2121 0 2 \"0\"", "click 1122", "cell 2121 1 1 \"700 mV\"", "cell 2121 1 2 \"10 mA\"", "}",
          "click 2016"},
         "666666666666e63f7b14ae47e17a843f"},  // 0.7 and 0.01 as the wizard keeps them
    };
    for (size_t i = 0; i < std::size(cells); ++i) {
        const CellCase& c = cells[i];
        SCOPED_TRACE(std::string(c.element) + " cell row " + std::to_string(i));
        std::vector<std::string> script = c.script;
        if (c.holds != nullptr || c.keeps != nullptr) script.push_back("ok");
        const qv_test::EditedAndDescribed done = qv_test::EditThenDescribe(
            std::string(R"({"document":"D","elements":[)") + c.element + "]}", "X1", script,
            folder / ("cell" + std::to_string(i)));
        if (c.holds == nullptr) {
            EXPECT_FALSE(done.edited);
            EXPECT_THAT(done.error, testing::HasSubstr("did not take the action"));
            if (c.keeps != nullptr) {
                EXPECT_THAT(done.printed, testing::HasSubstr(c.keeps));
            }
            continue;
        }
        ASSERT_TRUE(done.edited) << done.error;
        EXPECT_THAT(done.printed, testing::HasSubstr(c.holds));
    }
}

} // namespace
