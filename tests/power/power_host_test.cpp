// The example schematic of the semiconductors through the command-line host: its model
// description with the data file of the data-pairs diode, and saving and loading its wizards.
#include "tests/support/host_run.h"
#include "tests/support/sandbox.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/text_files.h"
#include "tests/support/mdx_channels.h"

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

using qv_test::MdxText;
using qv_test::ReadFile;

using RunResult = qv_test::CapturedRun;

RunResult RunHost(const std::string& args, const std::string& profile) {
    return qv_test::RunCaptured("QV_USER_PROFILE='" + profile + "' '" + QVHOST_PATH + "' " + args + " 2>&1");
}

class PowerHost : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder.empty()); }
    RunResult Run(const std::string& args) { return RunHost(args, folder + "/profile.ini"); }
    std::string At(const std::string& name) const { return folder + "/" + name; }
    static std::string Example() { return std::string("'") + PARVEL_SOURCE_DIR + "/examples/rectifier.json'"; }

    const qv_test::ScratchFolder scratch{"power_host"};
    const std::string folder = scratch.path;
};

TEST_F(PowerHost, DescribeWritesTheKeywordsAndTheDiodesTable) {
    const RunResult run = Run("describe " + Example() + " -o '" + At("rect.desc") + "'");
    ASSERT_EQ(0, run.exitCode) << run.out;
    const std::string text = ReadFile(At("rect.desc"));
    for (const char* line : {"DXY D1 (", "SDB ( D1.I );", "DEXP D2 (", "THEQUL TH1 (", "SDB ( TH1.V );",
                             "R RLOAD ( R := 100 );"})
        EXPECT_NE(std::string::npos, text.find(line)) << line << "\n" << text;
    EXPECT_EQ(MdxText({"v [V]", "i [A]"}, {"0 0", "0.7 1", "1 10"}), ReadFile(At("Rectifier__D1.mdx")));
}

TEST_F(PowerHost, SaveLoadSaveGivesTheSameBytes) {
    ASSERT_EQ(0, Run("save " + Example() + " -o '" + At("a.qva") + "'").exitCode);
    const RunResult loaded = Run("load '" + At("a.qva") + "' -o '" + At("b.qva") + "'");
    ASSERT_EQ(0, loaded.exitCode) << loaded.out;
    EXPECT_NE(std::string::npos, loaded.out.find("\"document\": \"Rectifier\""));
    const std::string saved = ReadFile(At("a.qva"));
    EXPECT_EQ(saved, ReadFile(At("b.qva")));
    // The data-pairs diode's table travels in the archive under the table's class name.
    EXPECT_NE(std::string::npos, saved.find("CPropCharacteristicXYTable"));
}

} // namespace
