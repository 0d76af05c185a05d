// The periodic-waves example run by the host as a user runs it, and the pages of the saw-tooth,
// trapezoid, needle pulse and VCO driven through the host's edit scripts, previews saved.
#include "tests/support/profiled_host.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;
using qv_test::Lines;

constexpr qv_test::ProfiledHost kHost("wave_pages_example_profile.ini");

std::string Describe(const fs::path& schematic) {
    return kHost.Described(schematic.string(), fs::path(qv_test::TempFolder()) / "waves.desc");
}

TEST(WavePagesExample, HostDescribesTheExample) {
    const std::vector<std::string> expected = {
        "ST_FALL SAW1 ( AMPL := 1, FREQ := 1k, TPERIO := 0.001, TDELAY := 0, PHASE := 0, OFF := 0, PERIO := 1 );",
        "SDB ( SAW1.OUT );",
        "TRAPEZ TRA1 ( TPERIO := 0.004, TRISE := 1m, TFALL := 1m, PWIDTH := 2m, AMPL := 5, TDELAY := 0, OFF := 0, "
        "PERIO := 1, PHASE := 0 );",
        "SDB ( TRA1.OUT );",
        "ATAN ATN1 ( LIMY := 2, FX := 1, XOFF := 0, YOFF := 0 );",
        "NEEDLE NDL1 ( AMPL := 2, FREQ := 1k, TDELAY := 0, TNEEDLE := 0.25m, OFF := 0, PERIO := 0 );",
        "VCO VCO1 ( AMPL := 1, FREQ := 50, IN := SAW1.OUT, VMAX := 10, VMIN := -10, PHASE := 0 );",
    };
    EXPECT_EQ(expected, Lines(Describe(PARVEL_SOURCE_DIR "/examples/time_function_waves.json")));
}

// Runs an edit script on one element of a schematic and gives back the edited schematic.
fs::path Edit(const std::string& schematicText, const std::string& element, const std::vector<std::string>& script,
              int* status) {
    return kHost.EditInSchematic(schematicText, element, script, "waves", status);
}

using qv_test::OneElement;

TEST(WavePagesEdit, ScriptsAppliedThroughThePages) {
    struct Case {
        const char* name;
        std::string schematic;
        const char* element;
        std::vector<std::string> script;
        const char* line;  // the model text of the edited schematic
    };
    const Case cases[] = {
        {"the trapezoid's period is the sum", OneElement(39, "TRA1"), "TRA1",
         {"type 2051 1m", "type 2055 2m", "type 2053 1m", "ok"},
         "TRAPEZ TRA1 ( TPERIO := 0.004, TRISE := 1m, TFALL := 1m, PWIDTH := 2m, AMPL := 1, TDELAY := 0, OFF := 0, "
         "PERIO := 1, PHASE := 0 );"},
        {"a named rise time gives the sum formula", OneElement(39, "TRA1"), "TRA1",
         {"type 2051 tr", "type 2055 2m", "type 2053 1m", "ok"},
         "TRAPEZ TRA1 ( TPERIO :=  tr + 2m + 1m, TRISE := tr, TFALL := 1m, PWIDTH := 2m, AMPL := 1, TDELAY := 0, "
         "OFF := 0, PERIO := 1, PHASE := 0 );"},
        {"the pulse's period is the reciprocal", OneElement(37, "PUL1"), "PUL1", {"type 2036 4", "ok"},
         "PULSE PUL1 ( AMPL := 1, FREQ := 4, TPERIO := 0.25, TDELAY := 0, PHASE := 0, OFF := 0, PERIO := 1 );"},
        {"falling saw-tooth", OneElement(36, "SAW1"), "SAW1", {"choose 2207 Falling", "ok"},
         "ST_FALL SAW1 ( AMPL := 1, FREQ := 50, TPERIO := 0.02, TDELAY := 0, PHASE := 0, OFF := 0, PERIO := 1 );"},
        {"unticked limits are written as 0", OneElement(42, "VCO1", "\"VMAX\": \"10\", \"VMIN\": \"-10\""), "VCO1",
         {"click 2148", "ok"}, "VCO VCO1 ( AMPL := 1, FREQ := 50, IN := 0, VMAX := 0, VMIN := 0, PHASE := 0 );"},
        {"the needle commits through the exchange object", OneElement(41, "NDL1"), "NDL1",
         {"type 2034 3", "type 2036 2k", "ok"},
         "NEEDLE NDL1 ( AMPL := 3, FREQ := 2k, TDELAY := 0, TNEEDLE := 0.25m, OFF := 0, PERIO := 1 );"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int status = -1;
        const fs::path edited = Edit(c.schematic, c.element, c.script, &status);
        ASSERT_EQ(0, status);
        EXPECT_EQ(std::vector<std::string>{c.line}, Lines(Describe(edited))) << ReadFile(edited);
    }
}

TEST(WavePagesEdit, UsePinIsKeptWhenTheSheetIsCancelled) {
    int status = -1;
    const fs::path edited = Edit(OneElement(42, "VCO1"), "VCO1", {"click 2073", "cancel"}, &status);
    ASSERT_EQ(0, status);
    EXPECT_NE(std::string::npos, ReadFile(edited).find("\"pin\": true")) << ReadFile(edited);
}

TEST(WavePagesEdit, PreviewsOfTheTrapezoidAndTheSawToothAreSaved) {
    for (int id : {36, 39}) {
        SCOPED_TRACE(id);
        const fs::path svg = fs::path(qv_test::TempFolder()) / "wave_preview.svg";
        fs::remove(svg);
        int status = -1;
        Edit(OneElement(id, "W1"), "W1", {"click 2217", "preview \"" + svg.string() + "\"", "ok"}, &status);
        ASSERT_EQ(0, status);
        const std::string picture = ReadFile(svg);
        EXPECT_NE(std::string::npos, picture.find("<polyline")) << "the curve is drawn";
        EXPECT_NE(std::string::npos, picture.find(">t[s]<"));
        EXPECT_NE(std::string::npos, picture.find(">Y<"));
    }
}

} // namespace
