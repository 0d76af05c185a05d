// The time-function example run by the host as a user runs it: a sine given by its RMS
// value, a constant block with AC use, a rise time and an RMS measurement; and its saved
// wizard data loaded and saved again.
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
    const std::string profile = qv_test::TempFolder() + "/timefunctions_example_profile.ini";
    const std::string command = "QV_USER_PROFILE='" + profile + "' '" + QVHOST_PATH + "' " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(TimeFunctionsExample, HostDescribesTheExample) {
    const fs::path out = fs::path(qv_test::TempFolder()) / "time_functions.desc";
    ASSERT_EQ(0, RunHost("describe '" PARVEL_SOURCE_DIR "/examples/time_functions.json' -o '" + out.string() + "'"));
    const std::vector<std::string> expected = {
        "SINE SIN1 ( AMPL := 325.269119345812, FREQ := 60, TPERIO := 0.0166666666666667, TDELAY := 0, "
        "PHASE := 0, OFF := 0, PERIO := 1 );",
        "SDB ( SIN1.OUT );",
        "CONST C1 ( CONST := 5, TS := 0, AC_PHASE := 0, AC_MAG := 5 );",
        "RISETIME TR1 ( IN := SIN1.OUT, DERIV := 1k, MAXVAL := 1, TSTART := 0.001, TSTOP := 0.02, OUT := TR );",
        "RMSVAL RMS1 ( IN := SIN1.OUT, TSTART := 0, TSTOP := 0.1, OUT := URMS );",
        "SDB ( RMS1.OUT );",
    };
    EXPECT_EQ(expected, Lines(ReadFile(out)));
}

TEST(TimeFunctionsExample, SavedWizardDataLoadsAndSavesToTheSameBytes) {
    const fs::path folder = qv_test::TempFolder();
    const fs::path first = folder / "time_functions.qva";
    const fs::path second = folder / "time_functions_again.qva";
    ASSERT_EQ(0, RunHost("save '" PARVEL_SOURCE_DIR "/examples/time_functions.json' -o '" + first.string() + "'"));
    ASSERT_EQ(0, RunHost("load '" + first.string() + "' -o '" + second.string() + "'"));
    const std::string bytes = ReadFile(first);
    EXPECT_EQ(bytes, ReadFile(second));
    // The sine's own data: schema 0, period derived, RMS text "230", amplitude mode 0.
    const std::string sineData("\x00\x00\x00\x00\x00\x00\x03" "230" "\x00\x00\x00\x00", 14);
    EXPECT_NE(std::string::npos, bytes.find(sineData));
}

} // namespace
