// The example schematic of the sources of other domains (a constant force with AC use, a
// temperature sine given by its RMS value, a force trapezoid with symbolic times), described
// by the host as the main job runs it.
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the host with the arguments (shell words); the exit code, standard output dropped.
int RunHost(const std::string& args) {
    const std::string command = std::string("'") + QVHOST_PATH + "' " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DomainSourcesExample, DescribeWritesTheGoldenDescription) {
    std::string pattern = qv_test::TempFolder() + "/domain_sources_example_XXXXXX";
    const std::string folder = mkdtemp(pattern.data());
    const std::string out = folder + "/sources.desc";
    ASSERT_EQ(0, RunHost(std::string("describe '") + PARVEL_SOURCE_DIR + "/examples/domain_sources.json' -o '" + out +
                         "'"));
    EXPECT_EQ(ReadFile(PARVEL_TEST_DATA "/domain_sources.desc"), ReadFile(out));
    std::error_code code;
    std::filesystem::remove_all(folder, code);
}

} // namespace
