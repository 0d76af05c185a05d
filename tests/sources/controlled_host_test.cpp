// The controlled sources through the host, as the editor drives them: the example schematic
// described as the README says, and the wizard data in the host's archive.
#include "editor/host.h"
#include "editor/schematic.h"
#include "win32/profile.h"
#include "win32/win32.h"
#include "wizard/environment.h"

#include "tests/support/sandbox.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;
using Bytes = std::vector<unsigned char>;

class SourcesHost : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(qv_test::TempFolder()) / ("sources_host_" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "doc");
        qv::SetQuorvatixPath(PARVEL_MODULE_DIR);
        qv::SetProfileFolder(folder.string());
        plugin = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.so");
        ASSERT_NE(nullptr, plugin);
        std::string error;
        ASSERT_TRUE(host.Start(Options(), error)) << error;
    }
    void TearDown() override {
        if (plugin != nullptr) FreeLibrary(plugin);
        qv::SetProfileFolder("");
        fs::remove_all(folder);
    }
    static qv::HostOptions Options() { return {PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}; }
    std::string Doc() const { return (folder / "doc").string() + "/"; }

    fs::path folder;
    HMODULE plugin = nullptr;
    qv::Host host;
};

TEST_F(SourcesHost, ExampleIsDescribedWithItsDataFile) {
    qv::Schematic schematic;
    std::string error;
    ASSERT_TRUE(qv::ReadSchematicFile(PARVEL_SOURCE_DIR "/examples/controlled_sources.json", schematic, error)) << error;
    ASSERT_TRUE(host.Build(schematic, Doc(), error)) << error;
    fs::create_directories(folder / "out");
    std::vector<std::string> written;
    ASSERT_TRUE(host.Describe((folder / "out" / "cs.desc").string(), written, error)) << error;
    EXPECT_EQ("R R1 ( R := 1k );\n"
              "EV E1 ( QUANT := R1, FACT := 2.5, SPC := 0 );\n"
              "SDB ( E1.V );\n"
              "IINL I1 ( QUANT := R1, CH := XY_I1_CH.VAL );\n"
              "INTERN\tXY XY_I1_CH( FILE := \"ControlledSources__I1.mdx\" );\n"
              "ICNL IC1 ( QUANT := R1, VCE := 0.2, VEA := 75 );\n",
              ReadFile(folder / "out" / "cs.desc"));
    EXPECT_EQ("MDX 1\nwritten \"ControlledSources\" \"I1\" 40a84661d772d3ed\nchannels 2\nitems 3\n"
              "channel \"i [A]\" \"\"\nchannel \"Is [A]\" \"\"\n"
              "data\n-0.001 -0.02\n0 0\n0.001 0.05\nend\n",
              ReadFile(folder / "doc" / "ControlledSources__I1.mdx"))
        << "a data file without a folder goes into the document's folder";
    EXPECT_EQ(0, host.Editor().OutstandingCookies());
    EXPECT_TRUE(host.Editor().Breaches().empty());
}

// The wizard block of a new voltage source as the host saves it: schema, mode word, kind,
// four empty texts, the table of a new element, then the parameters of form 0.
TEST_F(SourcesHost, SavedArchiveHoldsTheWizardBlockAndReloadsToTheSameBytes) {
    qv::Schematic schematic;
    std::string error;
    ASSERT_TRUE(qv::ReadSchematic(R"({"document":"D","elements":[{"id":1,"name":"E1","parameters":{"QUANT":"R9"}}]})",
                                  schematic, error))
        << error;
    ASSERT_TRUE(host.Build(schematic, Doc(), error)) << error;
    const fs::path first = folder / "a.qva";
    ASSERT_TRUE(host.Save(first.string(), error)) << error;

    Bytes golden = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // WORD 0, DWORD mode 0, DWORD kind 0
    auto word = [&](unsigned v) { golden.push_back(v & 0xFF); golden.push_back(v >> 8); };
    auto dword = [&](unsigned v) { for (int i = 0; i < 4; ++i) golden.push_back((v >> (8 * i)) & 0xFF); };
    auto text = [&](const std::string& t) { golden.push_back(static_cast<unsigned char>(t.size())); golden.insert(golden.end(), t.begin(), t.end()); };
    // Four texts: the page's OK, which applied the value given, named the source's output.
    text("");
    text("EMF [V]");
    text("");
    text("");
    auto newClass = [&](const std::string& name) { word(0xFFFF); word(10); word(static_cast<unsigned>(name.size())); golden.insert(golden.end(), name.begin(), name.end()); };
    newClass("CPropCharacteristicXYTable");
    dword(10);
    dword(0);
    text("");
    text(".mdx");
    dword(0);
    dword(0);
    dword(1);
    text("");
    dword(3);
    newClass("CCopaObjectCompare");
    dword(10);
    text("QUANT");
    dword(0x4);
    dword(0);
    const std::string saved = ReadFile(first);
    EXPECT_NE(std::string::npos, saved.find(std::string(golden.begin(), golden.end())));

    qv::Host loaded;
    ASSERT_TRUE(loaded.Start(Options(), error)) << error;
    ASSERT_TRUE(loaded.Load(first.string(), Doc(), error)) << error;
    const fs::path second = folder / "b.qva";
    ASSERT_TRUE(loaded.Save(second.string(), error)) << error;
    EXPECT_EQ(saved, ReadFile(second));

    std::vector<std::string> written;
    ASSERT_TRUE(loaded.Describe((folder / "n.desc").string(), written, error)) << error;
    EXPECT_EQ("EV E1 ( QUANT := R9, FACT := 1, SPC := 0 );\n", ReadFile(folder / "n.desc"));
}

} // namespace
