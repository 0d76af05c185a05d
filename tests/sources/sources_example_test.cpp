// The example schematic of the linear sources, described by the host as the main job runs it.
#include "tests/support/host_run.h"

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

using qv_test::ReadFile;

using qv_test::RunHost;

TEST(SourcesExample, DescribeWritesTheGoldenDescription) {
    std::string pattern = qv_test::TempFolder() + "/sources_example_XXXXXX";
    const std::string folder = mkdtemp(pattern.data());
    const std::string out = folder + "/sources.desc";
    ASSERT_EQ(0, RunHost(std::string("describe '") + PARVEL_SOURCE_DIR + "/examples/linear_sources.json' -o '" + out +
                         "'"));
    EXPECT_EQ(ReadFile(PARVEL_TEST_DATA "/linear_sources.desc"), ReadFile(out));
    std::error_code code;
    std::filesystem::remove_all(folder, code);
}

} // namespace
