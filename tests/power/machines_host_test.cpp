// The machines example through the host, as `qvhost describe`, `save` and `load` run it, and a
// machine's older additional data kept by saving and loading until the description converts it.
#include "tests/support/host_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;
using qv_test::WriteFile;

class MachinesHost : public qv_test::HostTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartInFolder("machines_host"));
    }
};

TEST_F(MachinesHost, ExampleDescriptionAndDataFile) {
    Build(PARVEL_SOURCE_DIR "/examples/machines.json");
    const std::string text = Describe(*host, "drive.desc");
    for (const char* line :
         {"ASM ASM1 ( LOAD := 0, RS := 0.4, RR := 0.5, LSS := 2m, LSR := 2m, LM := 50m, P := 2, J := 0.05, "
          "ISA0 := 0, ISB0 := 0, ISC0 := 0, IRA0 := 0, IRB0 := 0, IRC0 := 0, N0 := 0, PHI0 := 0 );\n",
          "SDB ( ASM1.N );\n",
          "CSI S1 ( RON := 1m, ROFF := 1meg, ITH := 1, IHYS := 0.1, INIT := 0); DLL CSI\n",
          "SDB ( S1.I );\n",
          "CHLE := XY_M1_CHLE.VAL, ",
          "INTERN\tXY XY_M1_CHLE( FILE := \"Drive__M1__CHLE.mdx\" );"})
        EXPECT_NE(std::string::npos, text.find(line)) << line << "\n" << text;
    EXPECT_EQ(std::string::npos, text.find("XY_M1_CHM")) << "the pinned magnetisation has no table";
    EXPECT_EQ("MDX 1\nchannels 2\nitems 2\nchannel \"i [A]\" \"\"\nchannel \"L [H]\" \"\"\ndata\n0 1\n2 0.5\nend\n",
              ReadFile(folder / "Drive__M1__CHLE.mdx"));
    EXPECT_FALSE(fs::exists(folder / "Drive__M1__CHM.mdx"));
    EXPECT_TRUE(host->Editor().Breaches().empty());
}

TEST_F(MachinesHost, SaveLoadSaveGivesTheSameBytes) {
    Build(PARVEL_SOURCE_DIR "/examples/machines.json");
    const auto loaded = SavedAndLoaded();
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(Describe(*host, "first.desc"), Describe(*loaded, "second.desc"));
}

// A machine alone, so that its additional data ends the archive: saving and loading keep the
// data as it is; the description converts it (rotor position in radian) and clears it.
TEST_F(MachinesHost, MachineDataTravelsUntilTheDescriptionConvertsIt) {
    WriteFile(folder / "one.json",
              "{ \"document\": \"One\", \"elements\": [ { \"id\": 27, \"name\": \"DC1\" } ] }");
    Build((folder / "one.json").string());
    std::string error;
    ASSERT_TRUE(host->Save((folder / "plain.qva").string(), error)) << error;
    std::string bytes = ReadFile(folder / "plain.qva");
    ASSERT_EQ(std::string(4, '\0'), bytes.substr(bytes.size() - 4)) << "no data yet";
    // DWORD, DWORD, empty block, page archive of phase unit 1.
    const std::string archive = std::string("\xFF\xFF\x0A\x00\x0C\x00", 6) + "CPropMachine" +
                                std::string("\x0A\x00\x00\x00\x01\x00\x00\x00", 8);
    std::string data = std::string(12, '\0');
    data += static_cast<char>(archive.size());
    data += std::string(3, '\0');
    data += archive;
    std::string length(4, '\0');
    length[0] = static_cast<char>(data.size());
    bytes = bytes.substr(0, bytes.size() - 4) + length + data;
    WriteFile(folder / "with.qva", bytes);

    auto loaded = Started();
    ASSERT_TRUE(loaded->Load((folder / "with.qva").string(), folder.string() + "/", error)) << error;
    ASSERT_TRUE(loaded->Save((folder / "again.qva").string(), error)) << error;
    EXPECT_EQ(bytes, ReadFile(folder / "again.qva")) << "the data is kept as it was";
    const std::string text = Describe(*loaded, "dc.desc");
    EXPECT_NE(std::string::npos, text.find("DCM DC1 (")) << text;
    ASSERT_TRUE(loaded->Save((folder / "converted.qva").string(), error)) << error;
    const std::string converted = ReadFile(folder / "converted.qva");
    EXPECT_EQ(std::string(4, '\0'), converted.substr(converted.size() - 4)) << "converted and cleared";
    EXPECT_NE(std::string::npos, converted.find(std::string("rad", 3))) << "the rotor position's unit";
    EXPECT_TRUE(loaded->Editor().Breaches().empty());
}

// A schematic whose machine keeps both tables in one file, as older data may: the description
// refuses it in one line that names both tables, and the file keeps what it held.
TEST_F(MachinesHost, TwoTablesInOneFileRefuseTheDescription) {
    const auto sheet = [](const char* file) {
        return std::string("\"sheet ok {\", \"click 2114\", \"click 2397\", \"click 1122\", \"click 1122\", ") +
               "\"cell 2121 1 1 \\\"2\\\"\", \"click 2116\", \"type 2117 \\\"" + file + "\\\"\", \"}\"";
    };
    WriteFile(folder / "one.json", "{ \"document\": \"One\", \"elements\": [ { \"id\": 30, \"name\": \"M1\", "
                                   "\"script\": [" + sheet("first.mdx") + ", \"click 2157\", " + sheet("other.mdx") +
                                       ", \"click 2159\", \"ok\"] } ] }");
    Build((folder / "one.json").string());
    std::string error;
    ASSERT_TRUE(host->Save((folder / "two.qva").string(), error)) << error;
    std::string bytes = ReadFile(folder / "two.qva");
    for (size_t at = bytes.find("other.mdx"); at != std::string::npos; at = bytes.find("other.mdx", at))
        bytes.replace(at, 9, "first.mdx");
    WriteFile(folder / "one.qva", bytes);
    const std::string kept = ReadFile(folder / "first.mdx");
    auto loaded = Started();
    ASSERT_TRUE(loaded->Load((folder / "one.qva").string(), folder.string() + "/", error)) << error;
    std::vector<std::string> written;
    EXPECT_FALSE(loaded->Describe((folder / "one.desc").string(), written, error));
    EXPECT_EQ("element \"M1\": The tables CHLE and CHM would both be written to " + (folder / "first.mdx").string() +
                  ": each table needs a file of its own.",
              error);
    EXPECT_EQ(kept, ReadFile(folder / "first.mdx"));
    EXPECT_FALSE(fs::exists(folder / "one.desc"));
}

} // namespace
