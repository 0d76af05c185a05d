// The example schematic of the sources of other domains (a constant force with AC use, a
// temperature sine given by its RMS value, a force trapezoid with symbolic times), described
// by the host as the main job runs it.
#include "tests/support/host_run.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qv_test::ReadFile;

using qv_test::RunHost;

TEST(DomainSourcesExample, DescribeWritesTheGoldenDescription) {
    qv_test::ScratchFolder folder("domain_sources_example");
    const std::string out = folder / "sources.desc";
    ASSERT_EQ(0, RunHost(std::string("describe '") + PARVEL_SOURCE_DIR + "/examples/domain_sources.json' -o '" + out + "'"));
    EXPECT_EQ(ReadFile(PARVEL_TEST_DATA "/domain_sources.desc"), ReadFile(out));
}

} // namespace
