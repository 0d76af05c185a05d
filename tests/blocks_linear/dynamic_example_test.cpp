// The dynamic-blocks example run by the host as a user runs it: an integrator with limits and
// a reset typed on its page, a discrete integrator fed by it, a memory and a
// sample-and-hold block, both differentiators, a delay of 3 samples typed on its page, a
// discrete delay and a dead time whose initial values are typed in File Name mode.
#include "tests/support/profiled_host.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using qv_test::Lines;
using qv_test::ReadFile;

constexpr qv_test::ProfiledHost kHost("dynamic_example_profile.ini");

TEST(DynamicBlocksExample, HostDescribesTheIntegrators) {
    const std::string description = kHost.DescribedExample("dynamic_blocks");
    const std::vector<std::string> expected = {
        "INTEG INT1 ( K := 1, Y0 := 1, UL := 10, LL := -10, RESET := rst, RV := 0.5, TRIG := 1, TS := 0, IN := x );",
        "INTEGD INTD1 ( K := 1, Y0 := 0, UL := 0, LL := 0, RESET := 0, RV := 0, TRIG := 1, TS := 2m, IN := INT1.OUT );",
        "MEMORY MEM1 ( Y0 := 0, IN := INTD1.OUT );",
        "SAMPLEHOLD SH1 ( Y0 := 0, N := 3, ND := 0, TS := 1m, IN := MEM1.OUT );",
        "DIFF DIFF1 ( K := 1, Y0 := 0, UL := 5, LL := -5, TS := 0, IN := SH1.OUT );",
        "DIFF2 DIFF2 ( UL := 0, LL := 0, DY0 := 1, TS := 0, IN := DIFF1.OUT );",
        "DELAY DEL1 ( MAXINDEX := 3, N := 4, TS := 0.001, IN := DIFF1.OUT, Q0[1] := 0, Q0[2] := 0, Q0[3] := 0 );",
        "DELAYD DELD1 ( Y0 := 0.5, TS := 1m, IN := DEL1.OUT );",
        "DEADTIME DT1 ( INPUT := DELD1.OUT, TS := 1m, FILE := \"dt1_initial.mdx\" );",
    };
    EXPECT_EQ(expected, Lines(description));
    // The dead time's initial values, typed into its list in File Name mode, in its data file.
    const std::vector<std::string> data = {
        "MDX 1", "written \"DynamicBlocks\" \"DT1\" a105f62924f371eb", "channels 2", "items 3",
        "channel \"X\" \"\"", "channel \"Initial Value\" \"\"",
        "data",  "0 0.5",      "1 0",     "2 -1",                   "end",
    };
    EXPECT_EQ(data, Lines(ReadFile(fs::path(qv_test::TempFolder()) / "dt1_initial.mdx")));
}

// The dead time's whole model texts in the modes the example does not show, entered on its
// page by edit scripts: Separate with three samples typed into its list, and File Reference.
TEST(DynamicBlocksExample, HostDescribesTheDeadTimeInSeparateAndFileReferenceModes) {
    const fs::path folder = fs::path(qv_test::TempFolder()) / "dead_time_modes";
    fs::create_directories(folder);
    const fs::path schematic = folder / "dead.json";
    std::ofstream(schematic) << R"({
  "document": "DeadTimes",
  "elements": [
    { "id": 82, "name": "DTS", "parameters": { "INPUT": "x" },
      "script": [ "click 2291", "type 2042 \"3\"", "click 1122", "click 1122", "click 1122",
                  "cell 2134 1 1 \"2.5\"", "ok" ] },
    { "id": 82, "name": "DTR", "parameters": { "INPUT": "DTS.OUT" },
      "script": [ "click 2293", "type 2395 \"shared_initial.mdx\"", "ok" ] }
  ]
})";
    const std::string description = kHost.Described(schematic.string(), folder / "dead.desc");
    const std::vector<std::string> expected = {
        "DEADTIME DTS ( INPUT := x, TS := 1m, NH := 3, Y0[0] := 0, Y0[1] := 2.5, Y0[2] := 0 );",
        "DEADTIME DTR ( INPUT := DTS.OUT, TS := 1m, FILE := \"shared_initial.mdx\" );",
    };
    EXPECT_EQ(expected, Lines(description));
    EXPECT_FALSE(fs::exists(folder / "shared_initial.mdx"));
}

// The continuous integrator's sample time in a unit of its own: given by the schematic and
// kept by an OK that changes nothing, or chosen on the page; the page offers the time units.
TEST(DynamicBlocksExample, TheIntegratorsSampleTimeKeepsItsUnit) {
    const std::string schematic = R"({"document": "Units", "elements": [
        {"id": 47, "name": "I1", "parameters": {"TS": {"value": "2", "unit": "ms"}}},
        {"id": 47, "name": "I2", "script": ["choose 2400 us", "type 2183 3", "ok"]}]})";
    int status = -1;
    std::string output;
    const fs::path edited = kHost.EditInSchematic(schematic, "I1", {"ok"}, "integrator_units", &status, &output);
    ASSERT_EQ(0, status) << output;
    EXPECT_NE(std::string::npos,
              output.find("2400 ComboBox \"\" entries [\"s\", \"ms\", \"us\", \"ns\", \"ps\", \"min\", \"h\"] selected 1\n"))
        << output;
    const std::vector<std::string> expected = {
        "INTEG I1 ( K := 1, Y0 := 0, UL := 0, LL := 0, RESET := 0, RV := 0, TRIG := 1, TS := 0.002, IN := 0 );",
        "INTEG I2 ( K := 1, Y0 := 0, UL := 0, LL := 0, RESET := 0, RV := 0, TRIG := 1, TS := 3e-06, IN := 0 );",
    };
    EXPECT_EQ(expected, Lines(kHost.Described(edited.string(), edited.parent_path() / "integrator_units.desc")));
}

// The example saved and loaded again gives the same archive bytes, the dead time's points and
// snapshots included.
TEST(DynamicBlocksExample, ArchiveRoundTripThroughTheHost) {
    const fs::path folder = fs::path(qv_test::TempFolder()) / "dynamic_round_trip";
    fs::create_directories(folder);
    const std::string bytesA =
        kHost.SavedAndReloaded(PARVEL_SOURCE_DIR "/examples/dynamic_blocks.json", folder / "first.qva");
    EXPECT_FALSE(bytesA.empty());
    // The dead time's points (i, value i) as CDataPoint records.
    const double values[3] = {0.5, 0, -1};
    for (int i = 1; i < 3; ++i) {
        const double x = i;
        const std::string record = std::string("\x0a\0\0\0", 4) +
                                   std::string(reinterpret_cast<const char*>(&x), 8) +
                                   std::string(reinterpret_cast<const char*>(&values[i]), 8);
        EXPECT_NE(std::string::npos, bytesA.find(record)) << i;
    }
}

} // namespace
