// The time-function example run by the host as a user runs it: a sine given by its RMS
// value, a constant block with AC use, a rise time and an RMS measurement; and its saved
// wizard data loaded and saved again.
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

constexpr qv_test::ProfiledHost kHost("timefunctions_example_profile.ini");

TEST(TimeFunctionsExample, HostDescribesTheExample) {
    const std::vector<std::string> expected = {
        "SINE SIN1 ( AMPL := 325.269119345812, FREQ := 60, TPERIO := 0.0166666666666667, TDELAY := 0, "
        "PHASE := 0, OFF := 0, PERIO := 1 );",
        "SDB ( SIN1.OUT );",
        "CONST C1 ( CONST := 5, TS := 0, AC_PHASE := 0, AC_MAG := 5 );",
        "RISETIME TR1 ( IN := SIN1.OUT, DERIV := 1k, MAXVAL := 1, TSTART := 0.001, TSTOP := 0.02, OUT := TR );",
        "RMSVAL RMS1 ( IN := SIN1.OUT, TSTART := 0, TSTOP := 0.1, OUT := URMS );",
        "SDB ( RMS1.OUT );",
    };
    EXPECT_EQ(expected, Lines(kHost.DescribedExample("time_functions")));
}

TEST(TimeFunctionsExample, SavedWizardDataLoadsAndSavesToTheSameBytes) {
    const std::string bytes = kHost.SavedAndReloaded(PARVEL_SOURCE_DIR "/examples/time_functions.json",
                                                     fs::path(qv_test::TempFolder()) / "time_functions.qva");
    // The sine's own data: schema 0, period derived, RMS text "230", amplitude mode 0.
    const std::string sineData("\x00\x00\x00\x00\x00\x00\x03" "230" "\x00\x00\x00\x00", 14);
    EXPECT_NE(std::string::npos, bytes.find(sineData));
}

// Runs an edit script on one element of a one-element schematic and gives back the edited
// schematic's text.
std::string Edit(const std::string& element, int id, const std::vector<std::string>& script, int* status) {
    return kHost.EditedElement(element, id, script, "edit", status);
}

TEST(TimeFunctionsEdit, NamesTypedAsFrequencyAndRmsAreApplied) {
    int status = -1;
    const std::string edited =
        Edit("SIN1", 35, {"click 2204", "type 2050 r", "type 2036 fx", "choose 2049 No", "ok"}, &status);
    ASSERT_EQ(0, status);
    EXPECT_NE(std::string::npos, edited.find("\"AMPL\": \"r * sqrt(2.0)\"")) << edited;
    EXPECT_NE(std::string::npos, edited.find("\"FREQ\": \"fx\"")) << edited;
    EXPECT_NE(std::string::npos, edited.find("\"TPERIO\": \"1/(fx)\"")) << edited;
    EXPECT_NE(std::string::npos, edited.find("\"PERIO\": \"0\"")) << edited;
}

TEST(TimeFunctionsEdit, FrequencyOfZeroKeepsThePeriodAndThePreviewIsSaved) {
    const fs::path svg = fs::path(qv_test::TempFolder()) / "sine_preview.svg";
    int status = -1;
    const std::string edited =
        Edit("SIN1", 35, {"type 2036 0", "type 2047 2", "click 2217", "preview \"" + svg.string() + "\"", "ok"}, &status);
    ASSERT_EQ(0, status);
    EXPECT_NE(std::string::npos, edited.find("\"FREQ\": \"0\"")) << edited;
    EXPECT_EQ(std::string::npos, edited.find("TPERIO")) << "the period keeps its default: " << edited;
    const std::string picture = ReadFile(svg);
    EXPECT_NE(std::string::npos, picture.find(">t[s]<"));
    EXPECT_NE(std::string::npos, picture.find(">Y<"));
}

TEST(TimeFunctionsEdit, ConstantSampleTimeAndACUse) {
    int status = -1;
    std::string edited = Edit("C1", 55, {"type 2028 3", "type 2183 TSX", "type 2028 4", "click 2520", "page 1", "ok"},
                              &status);
    ASSERT_EQ(0, status);
    EXPECT_NE(std::string::npos, edited.find("\"TS\": \"TSX\"")) << edited;
    EXPECT_NE(std::string::npos, edited.find("\"CONST\": \"4\"")) << edited;
    edited = Edit("C1", 55, {"type 2183 5m", "choose 2183 System", "ok"}, &status);
    ASSERT_EQ(0, status);
    EXPECT_EQ(std::string::npos, edited.find("\"TS\"")) << "System stores the default 0: " << edited;
}

TEST(TimeFunctionsEdit, MeasurementInputFromAPinKeepsItsText) {
    int status = -1;
    const std::string edited =
        Edit("MAX1", 89, {"type 2186 W", "click 2073", "type 2028 YTOP", "type 2342 5", "choose 2514 ms", "ok"},
             &status);
    ASSERT_EQ(0, status);
    EXPECT_EQ(std::string::npos, edited.find("\"IN\": \"W\"")) << edited;
    EXPECT_NE(std::string::npos, edited.find("\"OUT\": \"YTOP\"")) << edited;
    EXPECT_NE(std::string::npos, edited.find("\"value\": \"5\"")) << edited;
    EXPECT_NE(std::string::npos, edited.find("\"unit\": \"ms\"")) << edited;
}

} // namespace
