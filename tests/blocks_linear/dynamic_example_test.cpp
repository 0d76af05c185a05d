// The dynamic-blocks example run by the host as a user runs it: an integrator with limits and
// a reset typed on its page, a discrete integrator fed by it, a memory and a
// sample-and-hold block, both differentiators, a delay of 3 samples typed on its page, a
// discrete delay and a dead time whose initial values are typed in File Name mode.
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

int RunHost(const std::string& args) {
    const std::string profile = qv_test::TempFolder() + "/dynamic_example_profile.ini";
    const std::string command = "QV_USER_PROFILE='" + profile + "' '" + QVHOST_PATH + "' " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Lines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(DynamicBlocksExample, HostDescribesTheIntegrators) {
    const fs::path out = fs::path(qv_test::TempFolder()) / "dynamic_blocks.desc";
    ASSERT_EQ(0, RunHost("describe '" PARVEL_SOURCE_DIR "/examples/dynamic_blocks.json' -o '" + out.string() + "'"));
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
    EXPECT_EQ(expected, Lines(out));
    // The dead time's initial values, typed into its list in File Name mode, in its data file.
    const std::vector<std::string> data = {
        "MDX 1", "channels 2", "items 3", "channel \"X\" \"\"", "channel \"Initial Value\" \"\"",
        "data",  "0 0.5",      "1 0",     "2 -1",                   "end",
    };
    EXPECT_EQ(data, Lines(out.parent_path() / "dt1_initial.mdx"));
}

} // namespace
