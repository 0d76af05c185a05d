#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct RunResult {
    int exitCode = -1;
    std::string out;
};

// Runs the host with the arguments (shell words); stdout captured, stderr dropped.
RunResult RunHost(const std::string& args) {
    RunResult result;
    const std::string command = std::string("'") + QVHOST_PATH + "' " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

TEST(Qvhost, UsageAndExitCodes) {
    RunResult help = RunHost("--help");
    EXPECT_EQ(0, help.exitCode);
    EXPECT_NE(std::string::npos, help.out.find("list-wizards"));
    EXPECT_EQ(1, RunHost("").exitCode);
    EXPECT_EQ(1, RunHost("frobnicate").exitCode);
    EXPECT_EQ(1, RunHost("list-wizards --bogus").exitCode);
    EXPECT_EQ(1, RunHost("list-wizards --plugin").exitCode) << "the option needs a value";
    EXPECT_EQ(2, RunHost("list-wizards --plugin /nonexistent/Parvel.so").exitCode);
    // A loadable module that is not the plug-in: no factories.
    EXPECT_EQ(2, RunHost(std::string("list-wizards --plugin '") + PARVEL_MODULE_DIR + "/ParvelEnu.so'").exitCode);
}

TEST(Qvhost, ListsEveryFactoryIdWithItsBase) {
    RunResult list = RunHost(std::string("list-wizards --plugin '") + PARVEL_MODULE_DIR + "/Parvel.so'");
    ASSERT_EQ(0, list.exitCode);
    int lines = 0;
    size_t pos = 0;
    while ((pos = list.out.find('\n', pos)) != std::string::npos) {
        ++lines;
        ++pos;
    }
    EXPECT_EQ(1 + 116 + 1, lines) << "header, one line per ID, summary";
    EXPECT_NE(std::string::npos, list.out.find("3\t5\t"));
    EXPECT_NE(std::string::npos, list.out.find("4\t340\t"));
    EXPECT_NE(std::string::npos, list.out.find("wizard IDs built"));
    EXPECT_EQ(list.out, RunHost("list-wizards").out) << "the plug-in beside the host is the default";
}

} // namespace
