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
    EXPECT_EQ("MDX 1\nwritten \"Rectifier\" \"D1\" dd0d3227c59a88b0\n" + MdxText({"v [V]", "i [A]"}, {"0 0", "0.7 1", "1 10"}).substr(6), ReadFile(At("Rectifier__D1.mdx")));
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

// The symbol of the six shows the kind chosen on the page, and a new element its first kind,
// the equivalent line: the letter is drawn from the element, not only on the page.
TEST_F(PowerHost, SymbolShowsTheKindChosen) {
    struct Case {
        int id;
        const char* script;
        const char* letter;
    };
    const Case cases[] = {
        {9, "", "L"},
        {9, "\"pick 2080 0\", \"ok\"", "L"},
        {9, "\"pick 2080 1\", \"ok\"", "E"},
        // The data-pairs kind is given its pairs: OK refuses an empty table.
        {9, R"("pick 2080 2", "sheet ok {", "click 1122", "click 1122", "cell 2121 1 1 \"1\"", "}", "click 2016", "ok")",
         "XY"},
        {13, "\"pick 2080 1\", \"ok\"", "E"},
        // A kind chosen and cancelled leaves the symbol as it was.
        {14, "\"pick 2080 2\", \"cancel\"", "L"},
    };
    for (const Case& c : cases) {
        const std::string schematic = At("kind.json");
        std::ofstream(schematic) << "{\"document\": \"K\", \"elements\": [{\"id\": " << c.id
                                 << ", \"name\": \"Q1\", \"script\": [" << c.script << "]}]}";
        const RunResult run = Run("svg '" + schematic + "' --element Q1 --symbol -o '" + At("kind.svg") + "'");
        ASSERT_EQ(0, run.exitCode) << run.out;
        const std::string svg = ReadFile(At("kind.svg"));
        for (const char* letter : {"L", "E", "XY"})
            EXPECT_EQ(std::string(letter) == c.letter, svg.find(std::string(">") + letter + "</text>") != std::string::npos)
                << c.id << " [" << c.script << "] " << letter << "\n" << svg;
    }
}

} // namespace
