// The capacitor and inductor example through the host, as `qvhost describe`, `save` and
// `load` run it.
#include "tests/support/host_fixture.h"

#include <string>

namespace {

using qv_test::ReadFile;

class StorageExample : public qv_test::HostTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartWithExample("storage_example", "storage_elements.json")); }
};

const char kGolden[] =
    "C C1 ( C := 10u, V0 := 1 );\n"
    "SDB ( C1.V );\n"
    "L L1 ( L := 0.0022, I0 := 0 );\n"
    "LNL LNL1 ( I0 := 0, CH := XY_LNL1_CH.VAL );\n"
    "INTERN\tXY XY_LNL1_CH( FILE := \"StorageElements__LNL1.mdx\" );\n"
    "CVNL CVNL1 ( V0 := 0, CH := XY_CVNL1_CH.VAL );\n"
    "INTERN\tXY XY_CVNL1_CH( FILE := \"StorageElements__CVNL1.mdx\" );\n"
    "L L2 ( L := 1m, I0 := 0 );\n";

TEST_F(StorageExample, DescriptionAndDataFilesMatchTheGoldenText) {
    size_t written = 0;
    EXPECT_EQ(kGolden, Describe(*host, "s.desc", &written));
    EXPECT_EQ(3u, written);
    EXPECT_EQ("MDX 1\nwritten \"StorageElements\" \"CVNL1\" ab72f5837c6888a8\nchannels 2\nitems 2\nchannel \"v [V]\" \"\"\nchannel \"C [F]\" \"\"\ndata\n0 1e-06\n10 5e-07\nend\n",
              ReadFile(folder / "StorageElements__CVNL1.mdx"));
    EXPECT_EQ("MDX 1\nwritten \"StorageElements\" \"LNL1\" 433b8cd441072c94\nchannels 2\nitems 3\nchannel \"psi [Vs]\" \"\"\nchannel \"i [A]\" \"\"\ndata\n-0.01 -2\n0 0\n0.01 2\nend\n",
              ReadFile(folder / "StorageElements__LNL1.mdx"));
    ExpectEditorClean();
}

TEST_F(StorageExample, SaveLoadAndSaveGiveTheSameBytes) {
    const auto loaded = SavedAndLoaded();
    ASSERT_NE(nullptr, loaded);
    ASSERT_EQ(5u, loaded->ElementCount());
    EXPECT_EQ(Describe(*host, "before.desc"), Describe(*loaded, "after.desc"));
}

} // namespace
