// The example schematic of the oscillator and polynomial sources, run through the host as
// the main job runs it: the golden description, and an archive that survives a load and save.
#include "tests/support/host_run.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

using qv_test::ReadFile;

using qv_test::RunHost;

class GeneratorSourcesExample : public ::testing::Test {
protected:
    const std::string example = std::string(PARVEL_SOURCE_DIR) + "/examples/generator_sources.json";
    const qv_test::ScratchFolder scratch{"generator_example"};
    const std::string folder = scratch.path;
};

TEST_F(GeneratorSourcesExample, DescribeWritesTheGoldenDescription) {
    const std::string out = folder + "/generator.desc";
    ASSERT_EQ(0, RunHost("describe '" + example + "' -o '" + out + "'"));
    EXPECT_EQ(ReadFile(PARVEL_TEST_DATA "/generator_sources.desc"), ReadFile(out));
    // The Fourier source's table beside the description.
    EXPECT_EQ(ReadFile(PARVEL_TEST_DATA "/generator_sources_F1.mdx"), ReadFile(folder + "/GeneratorSources__F1.mdx"));
}

// The host's loader knows only the parameters its catalogue defines, not the members a page
// created, so the round trip runs on the oscillators and a Fourier source.
TEST_F(GeneratorSourcesExample, SavedArchiveLoadsAndSavesToTheSameBytes) {
    const std::string schematic = folder + "/oscillators.json";
    std::ofstream(schematic) << R"({"document": "Oscillators", "elements": [
        {"id": 29, "name": "O1", "parameters": {"AMPL": "5"}, "script": ["type 2042 45", "ok"]},
        {"id": 29, "name": "O2", "script": ["choose 2147 \"Current Source\"", "page 1", "click 2428", "ok"]},
        {"id": 85, "name": "F1", "script": ["type 2328 2", "cell 2329 1 2 3", "ok"]}]})";
    const std::string first = folder + "/first.qva";
    const std::string second = folder + "/second.qva";
    ASSERT_EQ(0, RunHost("save '" + schematic + "' -o '" + first + "'"));
    ASSERT_EQ(0, RunHost("load '" + first + "' -o '" + second + "'"));
    const std::string bytes = ReadFile(first);
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(bytes, ReadFile(second));
}

} // namespace
