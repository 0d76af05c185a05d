// The signal-table example run by the host as a user runs it: a data-pairs time function
// entered row by row without interpolation, a step-function block and a random block in Real &&
// Imaginary mode; its saved wizard data loaded and saved again; and edit scripts of the pages
// with their message boxes answered.
#include "tests/support/profiled_host.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;
using qv_test::Lines;

constexpr qv_test::ProfiledHost kHost("data_pairs_example_profile.ini");

TEST(SignalTablesExample, HostDescribesTheExampleAndWritesTheDataFile) {
    const fs::path folder = fs::path(qv_test::TempFolder()) / "signal_tables";
    fs::create_directories(folder);
    const std::vector<std::string> expected = {
        "LT_NIP DP1 ( TPERIO := 2m, PHASE := 0, PERIO := 0, TDELAY := 0, FILE := \"signal_dp1.mdx\" );",
        "SDB ( DP1.OUT );",
        "STEP STEP1 ( AMPL := 5, T0 := 1m, Y0 := 0, TS := 0, AC_PHASE := 0, AC_MAG := 0 );",
        "RANDOM RND1 ( MAX := 2, MIN := -2, TS := 0, AC_PHASE := ATAN2((0),(0))*(180/PI), "
        "AC_MAG := SQRT((0)^2+(0)^2) );",
    };
    EXPECT_EQ(expected, Lines(kHost.DescribedExample("signal_tables", folder)));
    EXPECT_EQ("MDX 1\nwritten \"Signals\" \"DP1\" 34dd77f8c637d409\nchannels 2\nitems 3\nchannel \"X\" \"\"\nchannel \"Y\" \"\"\n"
              "data\n0 0\n0.001 5\n0.002 0\nend\n",
              ReadFile(folder / "signal_dp1.mdx"));
}

TEST(SignalTablesExample, SavedWizardDataLoadsAndSavesToTheSameBytes) {
    kHost.SavedAndReloaded(PARVEL_SOURCE_DIR "/examples/signal_tables.json",
                           fs::path(qv_test::TempFolder()) / "signal_tables.qva");
}

// Runs an edit script on one element of a one-element schematic and gives back the edited
// schematic's text.
std::string Edit(const std::string& element, int id, const std::vector<std::string>& script, int* status,
                 std::string* report = nullptr) {
    return kHost.EditedElement(element, id, script, "pairs_edit", status, report);
}

// A refused apply ends the edit session with status 2 after the box was answered with
// exactly its text; nothing is written. The mended table is then taken.
TEST(SignalTablesEdit, EqualTimesAreRefusedUntilMended) {
    int status = -1;
    std::string report;
    std::string edited = Edit("DP1", 43,
                              {"click 1122", "click 1122", "cell 2121 0 1 1", "cell 2121 1 1 1",
                               "message ok \"Error : Constant x-values aren't allowed!\"", "ok"},
                              &status, &report);
    EXPECT_EQ(2, status);
    EXPECT_NE(std::string::npos, report.find("the sheet refused")) << report;
    EXPECT_TRUE(edited.empty());
    edited = Edit("DP1", 43, {"click 1122", "click 1122", "cell 2121 0 1 1", "cell 2121 1 1 2", "ok"}, &status);
    ASSERT_EQ(0, status);
    EXPECT_NE(std::string::npos, edited.find("\"TPERIO\": \"2\"")) << edited;
}

// The last t, 2 s, shown in the milliseconds chosen for the period, is described in seconds.
TEST(SignalTablesEdit, PeriodInMillisecondsIsDescribedInSeconds) {
    int status = -1;
    const fs::path edited = kHost.EditInSchematic(
        qv_test::OneElement(43, "DP1"), "DP1",
        {"click 1122", "click 1122", "cell 2121 1 1 2", "cell 2121 1 2 5", "choose 2510 ms", "ok"}, "pairs_period",
        &status);
    ASSERT_EQ(0, status);
    EXPECT_NE(std::string::npos, ReadFile(edited).find("\"value\": \"2000\",\n          \"unit\": \"ms\""))
        << ReadFile(edited);
    const std::string description = kHost.Described(edited.string(), fs::path(qv_test::TempFolder()) / "pairs_period.desc");
    EXPECT_NE(std::string::npos, description.find("TPERIO := 2,")) << description;
}

TEST(SignalTablesEdit, RandomOneAndOneIsRefused) {
    int status = -1;
    std::string report;
    std::string edited =
        Edit("RND1", 57,
             {"type 2247 1", "type 2249 1",
              "message ok \"Error : The Maximum Value must be greater than the Minimum Value!\"", "ok"},
             &status, &report);
    EXPECT_EQ(2, status);
    EXPECT_NE(std::string::npos, report.find("the sheet refused")) << report;
    EXPECT_TRUE(edited.empty());
    edited = Edit("RND1", 57, {"type 2247 1", "type 2249 0", "ok"}, &status);
    ASSERT_EQ(0, status);
    EXPECT_NE(std::string::npos, edited.find("\"MIN\": \"0\"")) << edited;
}

// A text file imported through the file dialog cannot be written back as text: apply says so
// and writes the table as an ".mdx" file under the same title.
TEST(SignalTablesEdit, TextImportIsExportedAsMdx) {
    const fs::path folder = qv_test::TempFolder();
    const fs::path text = folder / "pairs_table.txt";
    std::ofstream(text) << "t y\n0 0\n1 2\n2 1\n";
    fs::remove(folder / "pairs_table.mdx");
    int status = -1;
    std::string report;
    const std::string edited = Edit(
        "DP1", 43,
        {"click 2116", "file \"" + text.string() + "\"", "click 2118",
         "message ok \"The file format \\\"text\\\" cannot be written! The file will be saved as a MDX-file.\"", "ok"},
        &status, &report);
    ASSERT_EQ(0, status) << report;
    EXPECT_NE(std::string::npos, edited.find("pairs_table.mdx")) << edited;
    EXPECT_NE(std::string::npos, ReadFile(folder / "pairs_table.mdx").find("items 3")) << ReadFile(folder / "pairs_table.mdx");
}

// Rows added, moved and deleted as a user does it; a three-channel file refused; the curve
// without interpolation saved from the preview.
TEST(SignalTablesEdit, RowsMovedAndDeletedAndAThreeChannelFileRefused) {
    const fs::path folder = qv_test::TempFolder();
    const fs::path three = folder / "pairs_three.mdx";
    std::ofstream(three) << "MDX 1\nchannels 3\nitems 1\nchannel \"a\" \"\"\nchannel \"b\" \"\"\nchannel \"c\" \"\"\n"
                            "data\n1 2 3\nend\n";
    const fs::path svg = folder / "pairs_preview.svg";
    fs::remove(svg);
    int status = -1;
    std::string report;
    const std::string edited = Edit("DP1", 43,
                                    {"click 1122", "click 1122", "click 1122", "cell 2121 0 1 1m", "cell 2121 0 2 2",
                                     "cell 2121 1 1 0", "cell 2121 1 2 1", "cell 2121 2 1 5m", "row 2121 0",
                                     "click 1126", "row 2121 2", "click 1123", "file \"" + three.string() + "\"",
                                     "message ok \"Only 2 channels allowed!\"", "message ok \"Error while reading file!\"",
                                     "click 2118", "choose 2215 Without", "click 2217",
                                     "preview \"" + svg.string() + "\"", "ok"},
                                    &status, &report);
    ASSERT_EQ(0, status) << report;
    EXPECT_NE(std::string::npos, edited.find("\"TPERIO\": \"1m\"")) << edited;
    EXPECT_NE(std::string::npos, ReadFile(svg).find(">t[s]<"));
}

} // namespace
