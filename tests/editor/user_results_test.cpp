// Results a user sees after an edit session, checked from the user's side: each row is a
// schematic, a script run on one element's sheet (as `qvhost edit -o` runs it), and what the
// printed schematic, its description or a file the session or describe wrote must hold, or
// must not hold. The rows are grouped by what they show.
#include "tests/support/host_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class UserResultsTest : public qv_test::HostTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(UseFolder("user_results")); }

    struct Case {
        const char* what;                      // what the row shows, for the failure message
        std::string schematic;                 // the whole schematic text
        std::string element;                   // the element whose sheet the script runs on
        std::vector<std::string> script;
        std::vector<std::string> described;    // texts the description holds
        std::vector<std::string> notDescribed; // texts it does not hold
        std::vector<std::string> printed;      // texts the printed schematic holds
        std::vector<std::string> notPrinted;   // texts it does not hold
        // Further checks on what the session gave, with the row's own folder.
        std::function<void(const qv_test::EditedAndDescribed&, const fs::path&)> also = {};
    };

    void Check(const std::vector<Case>& cases) {
        for (size_t row = 0; row < cases.size(); ++row) {
            const Case& c = cases[row];
            SCOPED_TRACE(std::string(c.what) + " (row " + std::to_string(row) + ")");
            const fs::path documents = folder / ("row" + std::to_string(row));
            const qv_test::EditedAndDescribed done = qv_test::EditThenDescribe(c.schematic, c.element, c.script, documents);
            ASSERT_TRUE(done.edited) << done.error;
            for (const std::string& text : c.described) EXPECT_THAT(done.description, testing::HasSubstr(text));
            for (const std::string& text : c.notDescribed) EXPECT_THAT(done.description, testing::Not(testing::HasSubstr(text)));
            for (const std::string& text : c.printed) EXPECT_THAT(done.printed, testing::HasSubstr(text));
            for (const std::string& text : c.notPrinted) EXPECT_THAT(done.printed, testing::Not(testing::HasSubstr(text)));
            if (c.also) c.also(done, documents);
        }
    }
};

// Sources, time functions and passive elements: what their rows do with the printed schematic.
namespace sources_rows {

const qv::HostOptions kOptions{PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"};

// The printed schematic read by a host of its own in `documents`, as `qvhost edit`, `save` and
// `describe` read it; empty, or what refused it.
std::string Reread(const std::string& printed, qv::Host& host, const fs::path& documents) {
    std::string error;
    qv::Schematic schematic;
    if (!host.Start(kOptions, error) || !qv::ReadSchematic(printed, schematic, error) ||
        !host.Build(schematic, documents.string() + "/", error))
        return error.empty() ? "refused" : error;
    return "";
}

// The element's symbol as the editor draws it, from the printed schematic.
std::string SymbolOf(const std::string& printed, const std::string& element, const fs::path& documents) {
    qv::Host host;
    std::string error = Reread(printed, host, documents);
    const fs::path svg = documents / (element + ".svg");
    if (error.empty() && !host.SymbolSvg(element, svg.string(), error)) return "failed: " + error;
    return error.empty() ? qv_test::ReadFile(svg) : "failed: " + error;
}

} // namespace sources_rows

// Equations and tables: what their rows do with the printed schematic and the data files.
namespace equations_rows {

std::string Example(const char* name) { return qv_test::ReadFile(fs::path(PARVEL_SOURCE_DIR "/examples") / name); }

// The text with every occurrence of each pair's first text replaced by its second.
std::string Replaced(std::string text, std::initializer_list<std::pair<std::string, std::string>> pairs) {
    for (const auto& [from, to] : pairs)
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    return text;
}

// The table example with the x axis text "xin[V]" typed by its script.
std::string WithAxisText(const char* example) {
    return Replaced(Example(example), {{R"("type 2275 \"V\"")", R"("type 2275 \"xin[V]\"")"}});
}

// The table `other` of the schematic `again` reads the data file `read` that the description
// wrote and describes its axis text again: its data file `written` holds `channel`.
std::function<void(const qv_test::EditedAndDescribed&, const fs::path&)> AxisTextComesBack(
    const std::string& again, const char* other, const char* read, const char* written, const char* channel) {
    return [=](const qv_test::EditedAndDescribed& done, const fs::path& documents) {
        ASSERT_TRUE(fs::exists(documents / read)) << done.description;
        const qv_test::EditedAndDescribed next = qv_test::EditThenDescribe(
            again, other, {"file \"" + (documents / read).string() + "\"", "click 2118", "ok"}, documents / "other");
        ASSERT_TRUE(next.edited) << next.error;
        EXPECT_THAT(qv_test::ReadFile(documents / "other" / written), testing::HasSubstr(channel));
    };
}

// A bare OK on the printed schematic changes nothing of it.
std::function<void(const qv_test::EditedAndDescribed&, const fs::path&)> BareOkKeeps(const char* element) {
    return [element](const qv_test::EditedAndDescribed& done, const fs::path& documents) {
        const qv_test::EditedAndDescribed again =
            qv_test::EditThenDescribe(done.printed, element, {"ok"}, documents / "again");
        ASSERT_TRUE(again.edited) << again.error;
        EXPECT_EQ(done.printed, again.printed);
    };
}

} // namespace equations_rows

// Each row: a result that was once plainly wrong, seen with status 0 and no message.
TEST_F(UserResultsTest, WhatASessionLeavesIsRight) {
    // The dead time's row below answers the file dialog with a name relative to the document's
    // folder, which is not the folder the test runs in.
    fs::create_directories(folder / "row1" / "sub");
    {
        std::ofstream values(folder / "row1" / "sub" / "vals.txt");
        values << "X Y\n0 7\n1 8\n";
    }
    const std::vector<Case> cases = {
        // Block pages: a reset switched off wires no reset pin (47); a relative answer to the
        // dead time's file dialog is read from, and kept in, the document's folder (82).
        {.what = "the integrator's reset switched off after its Use Pin",
         .schematic = R"({"document":"D","elements":[{"id":47,"name":"INT1"}]})",
         .element = "INT1",
         .script = {"click 2387", "click 2075", "click 2387", "ok"},
         .described = {"RESET := 0"},
         .notDescribed = {"INT1.RESET"},
         .printed = {},
         .notPrinted = {}},
        {.what = "the dead time's data file chosen by a relative name",
         .schematic = R"({"document":"D","elements":[{"id":82,"name":"DT1"}]})",
         .element = "DT1",
         .script = {"file sub/vals.txt", "click 2118", "ok"},
         .described = {"DEADTIME DT1 ("},
         .notDescribed = {},
         .printed = {},
         .notPrinted = {},
         .also = [](const qv_test::EditedAndDescribed&, const fs::path& documents) {
             // The values read are the file's, and describe writes them beside it.
             const std::string written = qv_test::ReadFile(documents / "sub" / "vals.mdx");
             EXPECT_THAT(written, testing::HasSubstr("0 7\n1 8\n"));
         }},
        // Sources, time functions and passive elements: a temperature swing converts by the unit's
        // factor alone, the coupling factor takes what the inductances' entries take, the period is
        // the kept form's, a never configured characteristic prints as something that loads again,
        // automatic phases reach the data files as 0, an exported file stays relative to the
        // document, and the symbols follow what the pages show.
        {"a temperature amplitude in \u00b0C is a swing; the offset is a temperature",
         R"({"document": "D", "elements": [{"id": 105, "name": "T1", "parameters": {"AMPL": {"value": "10", "unit": "\u00b0C"}, "OFF": {"value": "20", "unit": "\u00b0C"}}}]})",
         "T1", {"click 2031", "choose 2032 Sine", "ok"}, {"AMPL := 10,", "OFF := 293.15,"}, {"283.15"}, {}, {}},
        {"a temperature amplitude in \u00b0F is a swing of 5/9 K per degree",
         R"({"document": "D", "elements": [{"id": 105, "name": "T1", "parameters": {"AMPL": {"value": "18", "unit": "\u00b0F"}, "OFF": {"value": "32", "unit": "\u00b0F"}}}]})",
         "T1", {"click 2031", "choose 2032 Sine", "ok"}, {"AMPL := 10,", "OFF := 273.15,"}, {}, {}, {}},
        {"an RMS temperature gives the amplitude of a swing",
         R"({"document": "D", "elements": [{"id": 105, "name": "T1", "parameters": {"AMPL": {"value": "1", "unit": "\u00b0C"}}}]})",
         "T1", {"click 2031", "choose 2032 Sine", "click 2204", "type 2057 10", "ok"}, {"AMPL := 14.142135623731,"}, {}, {}, {}},
        {"a temperature's AC magnitude and its real and imaginary parts are swings",
         R"({"document": "D", "elements": [{"id": 105, "name": "T1", "parameters": {"AC_RE": {"value": "9", "unit": "\u00b0F"}, "AC_IM": {"value": "0", "unit": "\u00b0C"}}},
             {"id": 105, "name": "T2", "parameters": {"AC_MAG": {"value": "5", "unit": "\u00b0C"}}}]})",
         "T1", {"page 1", "click 2428", "ok"}, {"AC_MAG := SQRT((5)^2+(0)^2)", "AC_MAG := 5 "}, {}, {}, {}},
        {"the mutual inductance's K takes L1 from its pin as L1's entry does, and L2's expression as one factor",
         R"({"document": "D", "elements": [{"id": 19, "name": "MI", "parameters": {"L1": "LA", "L2": "LC+LD"}}]})",
         "MI", {"click 2307", "type 2308 3m", "click 2104", "ok"},
         {"L1 := MI.L1, L2 := LC+LD, K := (3m)/sqrt( MI.L1 * (LC+LD)) "}, {}, {}, {}},
        {"the transformer's K takes L1 from its pin as L1's entry does",
         R"({"document": "D", "elements": [{"id": 20, "name": "TR", "parameters": {"L1": {"value": "1m", "pin": true}}}]})",
         "TR", {"click 2307", "type 2308 3m", "ok"}, {"L1 := TR.L1,", "K := (3m)/sqrt( TR.L1 * 1m) "}, {}, {}, {}},
        // A value on a pin is the pin's signal wherever the element derives another from it, and
        // a field hidden under the form in use puts no pin in its place.
        {"with M given, K is M's expression even where K's box was ticked",
         R"({"document": "D", "elements": [{"id": 20, "name": "T1"}]})",
         "T1", {"click 2011", "click 2307", "type 2308 1m", "ok"}, {"K := (1m)/sqrt("}, {"K := T1.K"}, {}, {}},
        {"a sine's period follows the frequency on its pin",
         R"({"document": "D", "elements": [{"id": 35, "name": "F1", "parameters": {"FREQ": {"value": "50", "pin": true}}}]})",
         "F1", {"ok"}, {"FREQ := F1.FREQ", "TPERIO := 1/(F1.FREQ)"}, {"TPERIO := 0.02"}, {}, {}},
        {"a trapezoid's period adds the rise time on its pin",
         R"({"document": "D", "elements": [{"id": 104, "name": "F2", "parameters": {"TRISE": {"value": "1m", "pin": true}}}]})",
         "F2", {"click 2031", "choose 2032 Trapezoidal", "ok"}, {"F2.TRISE +"}, {"TPERIO := 1."}, {}, {}},
        {"the AC magnitude of a constant source on a pin is the pin's signal",
         R"({"document": "D", "elements": [{"id": 3, "name": "V1", "parameters": {"EMF": "10"}}]})",
         "V1", {"click 2030", "click 2520", "ok"}, {"EMF := V1.EMF", "AC_MAG := V1.EMF"}, {"AC_MAG := 10"}, {}, {}},
        {"the AC magnitude of a constant block on a pin is the pin's signal",
         R"({"document": "D", "elements": [{"id": 55, "name": "C2", "parameters": {"CONST": {"value": "3", "pin": true}}}]})",
         "C2", {"click 2520", "ok"}, {"AC_MAG := C2.CONST"}, {"AC_MAG := 3"}, {}, {}},
        {"the sample time of a sum on a pin is the pin's signal",
         R"({"document": "D", "elements": [{"id": 58, "name": "S1", "parameters": {"INPUT[0]": "U", "INPUT[1]": "W", "TS": "3"}}]})",
         "S1", {"click 2074", "ok"}, {"TS := S1.TS"}, {"TS := 3"}, {}, {}},
        {"a characteristic given on a pin, with the characteristic's pin, is the pin's signal",
         R"({"document": "D", "elements": [{"id": 65, "name": "K4", "parameters": {"INPUT": "W", "CH": {"value": "3", "pin": true}}, "characteristic": {"kind": "pin"}}]})",
         "K4", {"ok"}, {"CH := K4.CH"}, {"CH := 3"}, {}, {}},
        {"a per-domain source keeps the period of the form it keeps",
         R"({"document": "D", "elements": [{"id": 104, "name": "F1"}]})", "F1",
         {"click 2031", "choose 2032 Trapezoidal", "type 2053 5m", "choose 2032 Sine", "ok"},
         {"TPERIO := 0.02,"}, {}, {}, {"0.014"}},
        {"a linear source keeps the period of the form it keeps",
         R"({"document": "D", "elements": [{"id": 3, "name": "V1"}]})", "V1",
         {"click 2031", "choose 2032 Trapezoidal", "type 2053 5m", "choose 2032 Sine", "ok"},
         {"TPERIO := 0.02,"}, {}, {}, {"0.014"}},
        {"an RMS value given as an expression is one factor of the amplitude",
         R"({"document": "D", "elements": [{"id": 3, "name": "V1"}]})", "V1",
         {"click 2031", "choose 2032 Sine", "click 2204", "type 2057 U+1", "ok"}, {"AMPL := (U+1) * sqrt(2.0),"}, {}, {}, {}},
        {"a nonlinear transformer never configured prints as something that loads again",
         R"({"document": "D", "elements": [{"id": 15, "name": "R1"}, {"id": 112, "name": "TN5"}]})", "R1", {"ok"},
         {}, {}, {}, {"\"reference\""},
         [](const qv_test::EditedAndDescribed& done, const fs::path& documents) {
             qv::Host host;
             EXPECT_EQ("", sources_rows::Reread(done.printed, host, documents));
             std::string error;
             EXPECT_TRUE(host.Save((documents / "p.qva").string(), error)) << error;
         }},
        {"the Fourier source's automatic phases reach the data file as 0",
         R"({"document": "D", "elements": [{"id": 85, "name": "FS1"}]})", "FS1",
         {"click 2321", "cell 2329 1 4 \"0.5\"", "click 2321", "click 2116", "ok"}, {}, {},
         {}, {},
         [](const qv_test::EditedAndDescribed&, const fs::path& documents) {
             const std::string file = qv_test::ReadFile(documents / "D__FS1.mdx");
             EXPECT_THAT(file, testing::HasSubstr("\n50 0 0\n"));
             EXPECT_THAT(file, testing::Not(testing::HasSubstr("0.5")));
         }},
        {"the Fourier source's export into a subfolder stays relative to the document",
         R"({"document": "D", "elements": [{"id": 85, "name": "FS1"}]})", "FS1", {"ok"}, {}, {}, {}, {},
         [](const qv_test::EditedAndDescribed&, const fs::path& documents) {
             fs::create_directories(documents / "export" / "sub");
             const std::string answer = "file " + (documents / "export" / "sub" / "h.mdx").string();
             const qv_test::EditedAndDescribed exported =
                 qv_test::EditThenDescribe(R"({"document": "D", "elements": [{"id": 85, "name": "FS1"}]})", "FS1",
                                           {"click 2116", answer, "click 2119", "ok"}, documents / "export");
             ASSERT_TRUE(exported.edited) << exported.error;
             EXPECT_THAT(exported.printed, testing::HasSubstr("\"FILE\": \"sub/h.mdx\""));
             // Described into another folder, it names the file there.
             fs::create_directories(documents / "other" / "sub");
             qv::Host describer;
             qv::Schematic printed;
             std::vector<std::string> written;
             std::string error;
             ASSERT_TRUE(describer.Start(sources_rows::kOptions, error) && qv::ReadSchematic(exported.printed, printed, error) &&
                         describer.DescribeSchematic(printed, (documents / "other").string() + "/",
                                                     (documents / "other" / "d.desc").string(), written, error))
                 << error;
             EXPECT_THAT(qv_test::ReadFile(documents / "other" / "d.desc"), testing::HasSubstr("/other/sub/h.mdx\""));
         }},
        {"a falling saw-tooth is drawn falling",
         R"({"document": "D", "elements": [{"id": 36, "name": "SAW1"}, {"id": 36, "name": "SAW2"}]})", "SAW1",
         {"choose 2207 Falling", "ok"}, {"ST_FALL SAW1"}, {}, {}, {},
         [](const qv_test::EditedAndDescribed& done, const fs::path& documents) {
             const std::string falling = sources_rows::SymbolOf(done.printed, "SAW1", documents);
             const std::string rising = sources_rows::SymbolOf(done.printed, "SAW2", documents);
             EXPECT_THAT(falling, testing::Not(testing::StartsWith("failed")));
             EXPECT_NE(rising, falling);
         }},
        {"a bare OK on a placed saw-tooth changes nothing",
         R"({"document": "D", "elements": [{"id": 36, "name": "SAW1"}]})", "SAW1", {"ok"}, {}, {}, {}, {"symbol_variant"}},
        {"a bare OK on a placed state changes nothing",
         R"({"document": "D", "elements": [{"id": 45, "name": "S1"}, {"id": 46, "name": "S2"}]})", "S1", {"ok"}, {}, {},
         {}, {"symbol_variant"}},
        {"a bare OK on a placed state with inputs and outputs changes nothing",
         R"({"document": "D", "elements": [{"id": 46, "name": "S2"}]})", "S2", {"ok"}, {}, {}, {}, {"symbol_variant"}},
        {"the mutual inductance's M is shown and typed in the unit its page shows",
         R"({"document": "D", "elements": [{"id": 19, "name": "MI", "parameters": {"M": {"value": "1.8", "unit": "mH"}}}, {"id": 20, "name": "TR", "parameters": {"M": {"value": "1.8", "unit": "mH"}}}]})",
         "MI", {"click 2307", "type 2308 2m", "ok"}, {"MUTUAL MI ( L1 := L1, L2 := L2, K := (2m)/sqrt( L1 * L2) );"}, {}, {}, {}},
        {"the oscillator's amplitude is typed in the unit of its parameter, its field having no unit list",
         R"({"document": "D", "elements": [{"id": 29, "name": "O1", "parameters": {"AMPL": {"value": "1.8", "unit": "mV"}}}]})",
         "O1", {"type 2034 2m", "ok"}, {"AMPL := 2m,"}, {}, {}, {}},
        // A name or a formula is read where the simulator reads it, in the parameter's own
        // unit: the description writes the conversion from the unit the page shows around it,
        // and the page keeps it as typed in that unit.
        {"a quantity of an element given in kOhm is that many kOhm, as a formula of one is",
         R"({"document": "D", "elements": [{"id": 15, "name": "R1", "parameters": {"R": {"value": "V1.V", "unit": "kOhm"}}}, {"id": 15, "name": "R2", "parameters": {"R": {"value": "V1.V*1", "unit": "kOhm"}}}]})",
         "R1", {"ok"}, {"R R1 ( R := ((V1.V)*1000) );", "R R2 ( R := ((V1.V*1)*1000) );"}, {}, {}, {}},
        {"the oscillator's amplitude given as a name in mV is taken, as its page takes it",
         R"({"document": "D", "elements": [{"id": 29, "name": "O1", "parameters": {"AMPL": {"value": "Q", "unit": "mV"}}}, {"id": 29, "name": "O2", "parameters": {"AMPL": {"value": "Q.V", "unit": "mV"}}}]})",
         "O1", {"ok"}, {"AMPL := ((Q)*0.001),", "AMPL := ((Q.V)*0.001),"}, {}, {}, {}},
        {"the delay time is in seconds whatever unit the sample time is shown in",
         R"({"document": "D", "elements": [{"id": 51, "name": "DEL1"}]})",
         "DEL1", {"type 2040 4m", "choose 2400 ms", "ok"}, {"TS := 0.004,"}, {}, {"\"value\": \"4\""}, {}},
        {"the magnetic core's resistivity and area are typed in the units their lists offer",
         R"({"document": "D", "elements": [{"id": 110, "name": "C1"}]})",
         "C1", {"click 2501", "type 2299 5", "choose 2519 mOhmm", "type 2504 100", "choose 2523 mm2", "ok"},
         {"RHO := 0.005,", "AEFF := 0.0001,"}, {}, {"\"mOhmm\"", "\"mm2\""}, {}},
        {"a frequency of 1meg gives the period as a number",
         R"({"document": "D", "elements": [{"id": 35, "name": "S1"}]})",
         "S1", {"type 2036 1meg", "ok"}, {"TPERIO := 1e-06"}, {}, {}, {}},
        {"a resistance given as a name in kOhm is described in Ohm",
         R"({"document": "D", "elements": [{"id": 15, "name": "R1", "parameters": {"R": {"value": "Rx", "unit": "kOhm"}}}]})",
         "R1", {"ok"}, {"R := ((Rx)*1000)"}, {}, {"\"value\": \"Rx\"", "\"kOhm\""}, {}},
        {"an absolute temperature given as a formula in \u00b0C takes the offset, a swing does not",
         R"({"document": "D", "elements": [{"id": 105, "name": "T1", "parameters": {"AMPL": {"value": "dT", "unit": "\u00b0C"}, "OFF": {"value": "T0+5", "unit": "\u00b0C"}}}]})",
         "T1", {"click 2031", "choose 2032 Sine", "ok"}, {"AMPL := dT,", "OFF := ((T0+5)+273.15),"}, {}, {}, {}},
        {"a period derived from a named frequency is shown in the period's unit",
         R"({"document": "D", "elements": [{"id": 3, "name": "V1", "parameters": {"TPERIO": {"value": "20", "unit": "ms"}}}]})",
         "V1", {"click 2031", "choose 2032 Sine", "type 2036 f0", "ok"}, {"TPERIO := (1/(f0)),"}, {}, {"\"value\": \"((1/(f0))*1000)\""}, {}},
        {"the transformer's M given in mH is shown in H",
         R"({"document": "D", "elements": [{"id": 20, "name": "TR", "parameters": {"M": {"value": "1.8", "unit": "mH"}}}]})",
         "TR", {"click 2307", "ok"}, {"K := (0.0018)/sqrt( 1m * 1m)"}, {}, {"\"value\": \"0.0018\""}, {"\"mH\""}},
        // Equations and tables: a member the element always has cannot be deleted, a data file the
        // description wrote gives back the axis text it was written from, and the data-file names
        // a page fills in follow the name typed on the page in the same session.
        {"the equation block keeps INPUT[1] and says so", equations_rows::Example("equation_block.json"), "EQ1",
         {"row 2278 0", R"(message ok "The element always has INPUT[1]: it cannot be deleted!")", "click 2281", "ok"},
         {"( INPUT[1] := W )"}, {}, {R"("INPUT[1]": "W")"}, {}},
        {"Delete All keeps VAL[1], so New makes VAL[2]", equations_rows::Example("equation_block.json"), "EQ1",
         {R"(message ok "The element always has VAL[1]: it cannot be deleted!")", "click 2301", "click 2299", "ok"},
         {"MAXINDEX := 2"}, {}, {R"("VAL[2]")"}, {}},
        {"a 2D table reads an axis text back from a described data file",
         equations_rows::WithAxisText("lookup_table_2d.json"), "LT1", {"ok"}, {R"(FILE := "lt1_table.mdx")"}, {}, {}, {},
         equations_rows::AxisTextComesBack(
             R"({"document":"Tables","elements":[{"id":78,"name":"LT2","script":["click 1122","click 2273","ok"]}]})",
             "LT2", "lt1_table.mdx", "Tables__LT2.mdx", R"(channel "xin" "V")")},
        {"a 3D table reads an axis text back from a described data file",
         equations_rows::WithAxisText("lookup_table_3d.json"), "LUT1", {"ok"}, {R"(FILE := "Grids__LUT1.mdx")"}, {}, {},
         {},
         equations_rows::AxisTextComesBack(
             equations_rows::Replaced(equations_rows::Example("lookup_table_3d.json"), {{"LUT1", "LUT2"}}), "LUT2",
             "Grids__LUT1.mdx", "Grids__LUT2.mdx", R"(channel "" "xin[V]")")},
        {"a 3D table's file name follows the rename", equations_rows::Example("lookup_table_3d.json"), "LUT1",
         {"click 2116", R"(type 2001 "NEWNAME")", "ok"}, {R"(LOOKUP3D NEWNAME ( FILE := "Grids__NEWNAME.mdx")"}, {}, {},
         {"Grids__LUT1"},
         [](const qv_test::EditedAndDescribed& done, const fs::path& documents) {
             EXPECT_FALSE(fs::exists(documents / "Grids__LUT1.mdx"));
             EXPECT_THAT(qv_test::ReadFile(documents / "Grids__NEWNAME.mdx"), testing::HasSubstr(R"("Grids" "NEWNAME")"));
             // NEWNAME's next OK replaces its own file without a question.
             const qv_test::EditedAndDescribed again = qv_test::EditThenDescribe(done.printed, "NEWNAME", {"ok"}, documents);
             EXPECT_TRUE(again.edited) << again.error;
         }},
        {"a 2D table's typed default name follows the rename",
         R"({"document":"Tables","elements":[{"id":78,"name":"LT1","script":["click 1122","ok"]}]})", "LT1",
         {"click 2116", R"(type 2117 "Tables__LT1.mdx")", R"(type 2001 "LT9")", "ok"},
         {R"(LOOKUP2D LT9 ( FILE := "Tables__LT9.mdx")"}, {}, {}, {"Tables__LT1"}},
        {"a characteristic's file name follows the rename", equations_rows::Example("nonlinear_characteristic.json"),
         "K2", {R"(type 2001 "n_K2")", "sheet ok {", "}", "click 2016", "ok"}, {}, {}, {}, {},
         equations_rows::BareOkKeeps("n_K2")},
        {"a conductance's file name follows the rename", equations_rows::Example("resistor_network.json"), "GNL1",
         {R"(type 2001 "n_GNL1")", "sheet ok {", "}", "click 2016", "ok"}, {}, {}, {}, {},
         equations_rows::BareOkKeeps("n_GNL1")},
        {"a characteristic's file named on its sheet follows the rename",
         equations_rows::Example("nonlinear_characteristic.json"), "K1",
         {"sheet ok {", "click 2116", "}", "click 2016", R"(type 2001 "n_K1")", "ok"},
         {R"(FILE := "Curves__n_K1.mdx")"}, {}, {}, {}, equations_rows::BareOkKeeps("n_K1")},
        // Fixed units: a page whose only unit text is the parameter's unit (a caption "[m]", a
        // row "AHYP [A/m]") shows and takes the value in that unit, whatever unit the schematic
        // gave it in.
        {"the fixed-unit core's length typed into the field given in mm is read in m, as its caption says",
         R"({"document": "D", "elements": [{"id": 111, "name": "C1", "parameters": {"LEFF": {"value": "100", "unit": "mm"}}}]})",
         "C1", {"type 2503 0.2", "ok"}, {"LEFF := 0.2,"}, {"LEFF := 0.0002"}, {}, {"\"mm\""}},
        {"the fixed-unit core's initial magnetization given in kA/m is shown and kept in A/m",
         R"({"document": "D", "elements": [{"id": 111, "name": "C1", "parameters": {"M0": {"value": "1.8", "unit": "kA/m"}, "H0": {"value": "2", "unit": "kA/m"}}}]})",
         "C1", {"type 2507 5", "ok"}, {"M0 := 5,", "H0 := 2000 "}, {}, {"\"H0\": \"2000\""}, {"kA/m"}},
        {"the fixed-unit core's list rows given in kA/m are shown and kept in A/m",
         R"({"document": "D", "elements": [{"id": 111, "name": "C1", "parameters": {"AHYP": {"value": "1.8", "unit": "kA/m"}, "KLAN": {"value": "0.5", "unit": "kA/m"}}}]})",
         "C1", {"ok"}, {"AHYP := 1800,", "KLAN := 500,"}, {}, {"\"AHYP\": \"1800\"", "\"KLAN\": \"500\""}, {"kA/m"}},
    };
    Check(cases);
}

} // namespace
