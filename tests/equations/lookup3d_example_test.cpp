// The 3D lookup-table example run by the host as a user runs it: the model description with
// the data file written beside it, edit sessions with scripts, and the saved wizard data
// loaded and saved to the same bytes.
#include "tests/support/profiled_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using qv_test::ReadFile;

constexpr qv_test::ProfiledHost kHost("lookup3d_profile.ini");
const char kExample[] = PARVEL_SOURCE_DIR "/examples/lookup_table_3d.json";

TEST(Lookup3dExample, HostDescribesTheTableAndWritesItsDataFile) {
    const fs::path folder = fs::path(qv_test::TempFolder()) / "grids";
    fs::create_directories(folder);
    std::string output;
    EXPECT_EQ("LOOKUP3D LUT1 ( FILE := \"Grids__LUT1.mdx\", INTERPOLATION := 1, X := U, Y := W );\n",
              kHost.Described(kExample, folder / "grids.desc", &output));
    EXPECT_EQ("MDX 1\nwritten \"Grids\" \"LUT1\" e4252eb766ee115c\nchannels 3\nitems 6\nchannel \"\" \"V\"\nchannel \"\" \"Ohm\"\nchannel \"\" \"\"\ndata\n"
              "0 0 10\n0.5 1 10\n1 4 10\n0 2 20\n0.5 3 20\n1 8 20\nend\n",
              ReadFile(folder / "Grids__LUT1.mdx"));
    const std::string bytes = kHost.SavedAndReloaded(kExample, folder / "grids.qva");
    // The sweep settings of both axes travel with the table.
    EXPECT_NE(std::string::npos, bytes.find(std::string("CDlgSweepData\x0A\0\0\0\x01" "0\x03" "0.5\x01" "3", 25)));
    fs::remove_all(folder);
}

// Equal x values are refused on apply with the check's message, and nothing is committed: the
// sheet stays open and the x list shows what the user typed.
TEST(Lookup3dExample, EqualXRefusedInAnEditSession) {
    kHost.RefusedEditOutput(kExample, "LUT1", "lookup3d_edit.txt", "cell 2449 1 0 \"0\"\n",
                            "Error : Constant x-values aren't allowed!");
}

// A sweep with the dialog's defaults replaces the x axis by 0 to 9; every new x has z 0.
TEST(Lookup3dExample, SweepInAnEditSession) {
    const std::string output = kHost.EditOutput(kExample, "LUT1", "lookup3d_sweep.txt",
                                                "dialog 2605 stay {\n"
                                                "  type 1033 \"0\"\n"
                                                "  type 1034 \"1\"\n"
                                                "  type 1035 \"10\"\n"
                                                "  click 1036\n"
                                                "}\n"
                                                "click 2438\n"
                                                "row 2448 1\n"
                                                "print\n"
                                                "ok\n");
    EXPECT_THAT(output, HasSubstr("row 9: \"9\""));
    EXPECT_THAT(output, HasSubstr("row 9: \"9\" \"0\""));
}

} // namespace
