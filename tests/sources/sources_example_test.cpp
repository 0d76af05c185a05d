// The example schematic of the linear sources, described by the host as the main job runs it.
#include "tests/support/host_run.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qv_test::ReadFile;

using qv_test::RunHost;

TEST(SourcesExample, DescribeWritesTheGoldenDescription) {
    qv_test::ScratchFolder folder("sources_example");
    const std::string out = folder / "sources.desc";
    ASSERT_EQ(0, RunHost(std::string("describe '") + PARVEL_SOURCE_DIR + "/examples/linear_sources.json' -o '" + out + "'"));
    EXPECT_EQ(ReadFile(PARVEL_TEST_DATA "/linear_sources.desc"), ReadFile(out));
}

} // namespace
