// The equation-block example run by the host as a user runs it: its model description, an
// edit session with a script, and its saved wizard data loaded and saved to the same bytes.
#include "tests/support/profiled_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using qv_test::ReadFile;

constexpr qv_test::ProfiledHost kHost("equations_example_profile.ini");
const char kEquations[] = PARVEL_SOURCE_DIR "/examples/equation_block.json";
const char kTable[] = PARVEL_SOURCE_DIR "/examples/lookup_table_2d.json";

TEST(EquationsExample, HostDescribesTheEquationBlock) {
    EXPECT_EQ("EQBLOCK EQ1 ( INPUT[1] := W ) { VAL[1] := 2*INPUT[1] + 1;\n } ( MAXINDEX := 1 );\n",
              kHost.DescribedExample("equation_block"));
}

TEST(EquationsExample, EditSessionChecksTheEquations) {
    const std::string output = kHost.EditOutput(kEquations, "EQ1", "equations_edit.txt",
                                                "click 2488\n"
                                                "message ok\n"
                                                "cell 2279 0 0 \"y := sinus(INPUT[1])\"\n"
                                                "cell 2279 0 0 \"y := SIN(INPUT[1])\"\n"
                                                "click 2280\n"
                                                "ok\n");
    EXPECT_THAT(output, HasSubstr("row 1: \"INPUT[2]\""));
    EXPECT_THAT(output, HasSubstr("row 0: \"y := SIN(INPUT[1])\""));
}

// The expression dialog answered by a script: a double click on the row opens it, and the
// multi-line text it gives back is checked and shown as its first line.
TEST(EquationsExample, ExpressionDialogInAnEditSession) {
    const std::string output = kHost.EditOutput(kEquations, "EQ1", "equations_dialog.txt",
                                                "dialog 30001 ok {\n"
                                                "  type 30002 \"IF (INPUT[1] > 0) {\\n  y := 1\\n}\"\n"
                                                "}\n"
                                                "row 2279 0 double\n"
                                                "ok\n");
    // The cell shows the first line without the character before the line break.
    EXPECT_THAT(output, HasSubstr("row 0: \"IF (INPUT[1] > 0) ...\""));
}

// The same session as the element's own script: the model text has the checked equation,
// the new input and the output count of the apply.
TEST(EquationsExample, ScriptedElementIsDescribed) {
    const fs::path folder = qv_test::TempFolder();
    const fs::path schematic = folder / "equations_scripted.json";
    std::ofstream(schematic) << R"({"document": "Equations", "elements": [
        {"id": 79, "name": "EQ1", "parameters": {"INPUT[1]": "W"},
         "script": ["click 2488", "message ok", "cell 2279 0 0 \"y := sinus(INPUT[1])\"",
                    "cell 2279 0 0 \"y := SIN(INPUT[1])\"", "click 2280", "click 2299", "ok"]}]})";
    std::string output;
    EXPECT_EQ("EQBLOCK EQ1 ( INPUT[1] := W,INPUT[2] := 0 ) { y := SIN(INPUT[1]);\n\n } ( MAXINDEX := 2 );\n",
              kHost.Described(schematic.string(), folder / "equations_scripted.desc", &output));
}

TEST(EquationsExample, SavedWizardDataLoadsAndSavesToTheSameBytes) {
    // Without an edit session: the host's loader finds parameters by the catalogue's names, and
    // a variable the check makes may bear the name of an output ("VAL[1]").
    const fs::path folder = qv_test::TempFolder();
    const fs::path schematic = folder / "equations_plain.json";
    std::ofstream(schematic) << R"({"document": "Equations", "elements": [
        {"id": 79, "name": "EQ1", "parameters": {"INPUT[1]": "W", "EQU[1]": "VAL[1] := INPUT[1]/2"}}]})";
    const std::string bytes = kHost.SavedAndReloaded(schematic.string(), folder / "equations.qva");
    // The block's own data: schema 0, show errors 0, convert flag 0, no output count yet.
    const std::string blockData("\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00", 14);
    EXPECT_NE(std::string::npos, bytes.find("VAL[1] := INPUT[1]/2"));
    EXPECT_NE(std::string::npos, bytes.find(blockData));
}

// The 2D lookup table: its data pairs entered on the page go to the data file beside the
// description, under the name typed on the page.
TEST(EquationsExample, HostDescribesTheLookupTableAndWritesItsDataFile) {
    const fs::path folder = fs::path(qv_test::TempFolder()) / "tables";
    fs::create_directories(folder);
    EXPECT_EQ("LOOKUP2D LT1 ( FILE := \"lt1_table.mdx\" , IN := W );\n", kHost.Described(kTable, folder / "tables.desc"));
    EXPECT_EQ("MDX 1\nwritten \"Tables\" \"LT1\" e0f743f18b87c1ba\nchannels 2\nitems 3\nchannel \"X\" \"V\"\nchannel \"Y\" \"\"\ndata\n0 0\n1 2\n2 3\nend\n",
              ReadFile(folder / "lt1_table.mdx"));
    kHost.SavedAndReloaded(kTable, folder / "tables.qva");
    fs::remove_all(folder);
}

// An edit session whose table is not monotonous: apply is refused with the message (the host
// reports the refused apply as the script's failure), and the description written afterwards
// still has the earlier table.
TEST(EquationsExample, RefusedTableInAnEditSession) {
    const std::string output =
        kHost.RefusedEditOutput(kTable, "LT1", "tables_edit.txt", "click 1122\ncell 2121 3 1 \"1\"\n",
                                "Error : X-values aren't monotonous rising!");
    EXPECT_THAT(output, HasSubstr("row 3: \"4\" \"1\" \"0\""));
}

} // namespace
