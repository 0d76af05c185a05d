// The magnetic-core example run by the host as a user runs it: its description, its saved
// additional data kept through save and load, and the preview saved as a picture before and
// after an apply.
#include "tests/support/host_run.h"

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
using qv_test::ReadFile;

int RunHost(const std::string& args) { return qv_test::RunHost(args, "cores_host_profile.ini"); }

TEST(CoresHost, ExampleDescribesBothCores) {
    const fs::path out = fs::path(qv_test::TempFolder()) / "magnetic_cores.desc";
    ASSERT_EQ(0, RunHost("describe '" PARVEL_SOURCE_DIR "/examples/magnetic_cores.json' -o '" + out.string() + "'"));
    const std::string text = ReadFile(out);
    const char* expected[] = {
        "CORE CORE1 ( LEVEL := 3, MUE := 1000, AHYP := 50, MSHYP := 1.2meg, ALAN := 50, MSLAN := 1.2meg, "
        "ALPHALAN := 0.0001, CHYP := 0.2, KHYP := 40, CLAN := 0.2, KLAN := 40, RHO := 5, AC1 := 0, AC2 := 0, "
        "LEFF := 0.2, AEFF := 100u, M0 := 0, H0 := 0 );\n",
        "SDB ( CORE1.B );\n",
        "CORE CORE2 ( LEVEL := 2, MUE := 1000, AHYP := 50, MSHYP := 1.2meg, ALAN := 50, MSLAN := 1.5meg, "
        "ALPHALAN := 0.0001, CHYP := 0.2, KHYP := 40, CLAN := 0.2, KLAN := 40, RHO := 1T, AC1 := 0, AC2 := 0, "
        "LEFF := 0.1, AEFF := 100u, M0 := 0, H0 := 0 );\n",
    };
    std::string whole;
    for (const char* line : expected) whole += line;
    EXPECT_EQ(whole, text);
}

TEST(CoresHost, AdditionalDataKeptThroughSaveAndLoad) {
    const fs::path folder = qv_test::TempFolder();
    const fs::path first = folder / "cores.qva";
    const fs::path second = folder / "cores_again.qva";
    ASSERT_EQ(0, RunHost("save '" PARVEL_SOURCE_DIR "/examples/magnetic_cores.json' -o '" + first.string() + "'"));
    ASSERT_EQ(0, RunHost("load '" + first.string() + "' -o '" + second.string() + "'"));
    const std::string bytes = ReadFile(first);
    EXPECT_EQ(bytes, ReadFile(second));
    // CORE1: switch on, the page archive with "5", "0", "0" (the script's apply).
    const std::string core1("\x01\x00\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00" "\x0A\x00\x00\x00"
                            "\x0A\x00\x00\x00" "\x01" "5" "\x01" "0" "\x01" "0"
                            "\x00\x00\x00\x00" "\x00\x00\x00\x00",
                            34);
    EXPECT_NE(std::string::npos, bytes.find(core1));
    // CORE2, the page with fixed units: its length, the switch on and five DWORDs 0.
    std::string core2("\x18\x00\x00\x00" "\x01", 5);
    core2.append(23, '\0');
    EXPECT_NE(std::string::npos, bytes.find(core2));
}

TEST(CoresHost, PreviewSavedAsPictureAndRefreshedByApply) {
    const fs::path folder = qv_test::TempFolder();
    const fs::path schematic = folder / "core_edit.json";
    const fs::path script = folder / "core_edit.script";
    const fs::path before = folder / "core_before.svg";
    const fs::path after = folder / "core_after.svg";
    std::ofstream(schematic) << "{\"document\": \"E\", \"elements\": [{\"id\": 110, \"name\": \"CORE1\"}]}";
    {
        std::ofstream lines(script);
        lines << "click 2217\n"
              << "preview \"" << before.string() << "\"\n"
              << "cell 2132 0 2 500\n"
              << "apply\n"
              << "preview \"" << after.string() << "\"\n"
              << "ok\n";
    }
    const fs::path out = folder / "core_edit_out.json";
    ASSERT_EQ(0, RunHost("edit '" + schematic.string() + "' --element CORE1 --script '" + script.string() + "' -o '" +
                         out.string() + "'"));
    const std::string first = ReadFile(before);
    const std::string second = ReadFile(after);
    EXPECT_NE(std::string::npos, first.find("<svg"));
    EXPECT_NE(std::string::npos, first.find("polyline"));
    EXPECT_NE(first, second) << "the apply redrew the open preview with mu_r 500";
    EXPECT_NE(std::string::npos, ReadFile(out).find("\"MUE\": \"500\""));
}

// The preview draws the curve of the values the model text gives the simulator: a value typed
// in another unit of its row draws the same curve as that value typed in the row's own unit.
TEST(CoresHost, PreviewTakesEveryValueInItsUnit) {
    struct Case {
        int level;
        int row;
        const char* inOtherUnit;  // typed with kA/m chosen
        const char* inOwnUnit;    // the same value in A/m
    };
    const Case cases[] = {
        {1, 2, "1.2k", "1.2meg"},  // MSHYP
        {1, 1, "0.2", "200"},      // AHYP
        {3, 7, "0.4", "400"},      // KHYP
        {4, 9, "0.4", "400"},      // KLAN
    };
    const fs::path folder = qv_test::TempFolder();
    const fs::path schematic = folder / "core_units.json";
    std::ofstream(schematic) << "{\"document\": \"E\", \"elements\": [{\"id\": 110, \"name\": \"CORE1\"}]}";
    // The preview of the level with the row's value typed, after the unit when one is given.
    auto preview = [&](const Case& c, const char* value, const char* unit, const char* name) {
        const fs::path script = folder / "core_units.script";
        const fs::path picture = folder / name;
        std::ofstream lines(script);
        lines << "pick 151 " << c.level << "\n";
        if (unit != nullptr) lines << "cell 2132 " << c.row << " 3 \"" << unit << "\"\n";
        lines << "cell 2132 " << c.row << " 2 \"" << value << "\"\napply\nclick 2217\npreview \"" << picture.string()
              << "\"\n";
        lines.close();
        EXPECT_EQ(0, RunHost("edit '" + schematic.string() + "' --element CORE1 --script '" + script.string() + "'"));
        return ReadFile(picture);
    };
    for (const Case& c : cases) {
        const std::string other = preview(c, c.inOtherUnit, "kA/m", "core_other_unit.svg");
        const std::string own = preview(c, c.inOwnUnit, nullptr, "core_own_unit.svg");
        EXPECT_NE(std::string::npos, own.find("polyline")) << c.row;
        EXPECT_EQ(own, other) << "level " << c.level << ", row " << c.row << ": " << c.inOtherUnit << " kA/m";
    }
}

}  // namespace
