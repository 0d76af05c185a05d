// The host's jobs run in this process on the real plug-in and the shipped catalogue: the
// model description of the example against golden text, the archive round trip, damaged
// archives, edit sessions and pictures.
#include "editor/host.h"
#include "editor/output_files.h"
#include "win32/profile.h"
#include "win32/win32.h"
#include "win32/window_handle.h"

#include "tests/support/sandbox.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;
using qv_test::WriteFile;

// Keeps the plug-in loaded for the whole run, so that every host's own load and unload only
// counts references, and points the editor's folders and the user profile at a scratch folder.
class HostEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string pattern = qv_test::TempFolder() + "/qvhost_test_XXXXXX";
        scratch = mkdtemp(pattern.data());
        setenv("QV_USER_PROFILE", (scratch + "/user.ini").c_str(), 1);
        qv::SetQuorvatixPath(PARVEL_MODULE_DIR);
        qv::SetProfileFolder(scratch);
        plugin = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.so");
    }
    void TearDown() override {
        if (plugin != nullptr) FreeLibrary(plugin);
        qv::SetProfileFolder("");
        std::error_code code;
        fs::remove_all(scratch, code);
    }
    static std::string scratch;
    HMODULE plugin = nullptr;
};
std::string HostEnvironment::scratch;
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new HostEnvironment);

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(HostEnvironment::scratch) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(folder);
        qv::HostOptions options{PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"};
        std::string error;
        ASSERT_TRUE(host.Start(options, error)) << error;
    }

    // Builds a schematic given as JSON text; the document lives in the test's folder.
    bool Build(const std::string& json, std::string& error) {
        qv::Schematic schematic;
        if (!qv::ReadSchematic(json, schematic, error)) return false;
        return host.Build(schematic, folder.string() + "/", error);
    }
    // What describing the resistor network example into "<folder>/network.desc" wrote: the
    // description and its table of data pairs, as the goldens have them.
    void ExpectNetworkGoldens(const std::vector<std::string>& written) {
        ASSERT_EQ(2u, written.size());
        EXPECT_EQ((folder / "network.desc").string(), written[0]);
        EXPECT_EQ((folder / "ResistorNetwork__RNL1.mdx").string(), written[1]) << "only data pairs are written to a file";
        EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/host/resistor_network.desc"), ReadFile(folder / "network.desc"));
        EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/host/ResistorNetwork__RNL1.mdx"),
                  ReadFile(folder / "ResistorNetwork__RNL1.mdx"));
    }

    // Builds the schematic, describes it into "<folder>/d.desc" and gives that text; `written`
    // gets the files written. A failure to build or describe fails the test.
    std::string Described(const std::string& json, std::vector<std::string>* written = nullptr) {
        std::vector<std::string> files;
        std::string error;
        EXPECT_TRUE(Build(json, error) && host.Describe((folder / "d.desc").string(), files, error)) << error;
        if (written != nullptr) *written = files;
        return ReadFile(folder / "d.desc");
    }
    void BuildExample() {
        qv::Schematic schematic;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematicFile(PARVEL_SOURCE_DIR "/examples/resistor_network.json", schematic, error)) << error;
        ASSERT_TRUE(host.Build(schematic, folder.string() + "/", error)) << error;
    }

    fs::path folder;
    qv::Host host;
};

TEST_F(HostTest, ExampleDescriptionAndDataFileMatchTheGoldenText) {
    BuildExample();
    std::vector<std::string> written;
    std::string error;
    ASSERT_TRUE(host.Describe((folder / "network.desc").string(), written, error)) << error;
    ASSERT_NO_FATAL_FAILURE(ExpectNetworkGoldens(written));
    EXPECT_FALSE(fs::exists(folder / "network.desc.part"));
    EXPECT_TRUE(host.Editor().Breaches().empty());
    EXPECT_EQ(0, host.Editor().OutstandingCookies());
    // Writing again gives the same text: the table names are free again and the file is rewritten.
    ASSERT_TRUE(host.Describe((folder / "again.desc").string(), written, error)) << error;
    EXPECT_EQ(ReadFile(folder / "network.desc"), ReadFile(folder / "again.desc"));
}

TEST_F(HostTest, EveryRequestOfTheMainJobKeepsTheProtocol) {
    BuildExample();
    std::vector<std::string> written;
    std::string error;
    host.Editor().ClearRequests();
    ASSERT_TRUE(host.Describe((folder / "network.desc").string(), written, error)) << error;
    size_t fetched = 0;
    size_t given = 0;
    for (const auto& request : host.Editor().Requests()) {
        fetched += request.code == WIZREQ_GET_PARAMS && request.cookie != 0;
        given += request.code == WIZREQ_RELEASE_PARAMS;
        EXPECT_NE(WIZREQ_ERROR_TEXT, request.code) << request.text;
    }
    EXPECT_EQ(fetched, given);
    EXPECT_GE(fetched, 6u) << "every wizard fetches its parameters to write";
    EXPECT_EQ(2u, host.Editor().CountRequests(WIZREQ_UNIQUE_NAME)) << "one inline table per nonlinear element but the pin-fed one";
    EXPECT_TRUE(host.Editor().Breaches().empty());
}

TEST_F(HostTest, TakenTableNameGetsTheNextSuffix) {
    const std::string text = Described(R"({"document":"D","elements":[
        {"id":15,"name":"XY_RA_CH"},
        {"id":15,"name":"RA","characteristic":{"kind":"file-reference","variable":"T"}}]})");
    EXPECT_NE(std::string::npos, text.find("RNL RA ( CH := XY_RA_CH2.VAL );\nINTERN\tXY XY_RA_CH2( FILE := T );")) << text;
}

TEST_F(HostTest, ConductanceWithDataPairsAndOwnFileName) {
    std::vector<std::string> written;
    const std::string text = Described(R"({"document":"D","elements":[
        {"id":16,"name":"G7","parameters":{"QUANT":"R9"},
         "characteristic":{"kind":"data-pairs","points":[[0,1e-3],[10,2e-3]],"file":"gtab.mdx"}}]})", &written);
    EXPECT_EQ("GVNL G7 ( CH := XY_G7_CH.VAL, QUANT := R9 );\nINTERN\tXY XY_G7_CH( FILE := \"gtab.mdx\" );\n", text);
    ASSERT_EQ(2u, written.size());
    EXPECT_EQ((folder / "gtab.mdx").string(), written[1]);
}

TEST_F(HostTest, ReferenceCharacteristicNeedsNoTableAndOutputsFollowTheText) {
    std::vector<std::string> written;
    const std::string text = Described(R"({"document":"D","elements":[
        {"id":16,"name":"G2","parameters":{"QUANT":"V1"},"characteristic":{"kind":"reference","text":"XY1.VAL"}},
        {"id":15,"name":"R5","characteristic":{"kind":"reference","text":"TAB.VAL"},"outputs":["V","R"]}]})", &written);
    EXPECT_EQ("GVNL G2 ( CH := XY1.VAL, QUANT := V1 );\nRNL R5 ( CH := TAB.VAL );\nSDB ( R5.V );\nSDB ( R5.R );\n", text);
    EXPECT_EQ(1u, written.size()) << "no data file";
    EXPECT_EQ(0u, host.Editor().CountRequests(WIZREQ_UNIQUE_NAME)) << "no inline table";
}

TEST(HostCatalogue, WizardThatLeavesTheTextGetsTheEditorsParameterList) {
    // The resistor wizard under a template without "IMMANENT" writes nothing itself.
    const std::string folder = PARVEL_SOURCE_DIR "/tests/data/host/plain_catalogue/";
    qv::Host host;
    std::string error;
    ASSERT_TRUE(host.Start({PARVEL_MODULE_DIR "/Parvel.so", folder}, error)) << error;
    qv::Schematic schematic;
    ASSERT_TRUE(qv::ReadSchematic(R"({"document":"D","elements":[{"id":15,"name":"P1","parameters":{"R":"3","T":"x y"}}]})",
                                  schematic, error))
        << error;
    const fs::path out = fs::path(HostEnvironment::scratch) / "plain";
    fs::create_directories(out);
    ASSERT_TRUE(host.Build(schematic, out.string() + "/", error)) << error;
    std::vector<std::string> written;
    ASSERT_TRUE(host.Describe((out / "p.desc").string(), written, error)) << error;
    EXPECT_EQ("PLAIN P1 ( R := 3000, T := \"x y\" );\n", ReadFile(out / "p.desc"))
        << "inputs only, unused and listless ones left out, text values quoted, values in the unit";
}

TEST_F(HostTest, SchematicFaultsAreRefusedWithTheirElement) {
    std::string error;
    EXPECT_FALSE(Build(R"({"document":"D","elements":[{"id":999,"name":"X1"}]})", error));
    EXPECT_NE(std::string::npos, error.find("not in the catalogue")) << error;
    EXPECT_FALSE(Build(R"({"document":"D","elements":[{"id":15,"name":"R1","parameters":{"Q":"1"}}]})", error));
    EXPECT_NE(std::string::npos, error.find("no parameter \"Q\"")) << error;
    EXPECT_FALSE(Build(R"({"document":"D","elements":[{"id":15,"name":"R1","parameters":{"R":{"unit":"V"}}}]})", error));
    EXPECT_NE(std::string::npos, error.find("no unit")) << error;
    // A characteristic whose x values do not rise is refused by the table page itself.
    EXPECT_FALSE(Build(R"({"document":"D","elements":[{"id":15,"name":"R1",
        "characteristic":{"kind":"data-pairs","points":[[0,0],[1,1],[0.5,2]]}}]})",
                       error));
    EXPECT_NE(std::string::npos, error.find("monotonous")) << error;
    EXPECT_EQ(0, host.Editor().OutstandingCookies());
}

TEST_F(HostTest, SaveLoadSaveGivesEqualBytes) {
    BuildExample();
    std::string error;
    const std::string first = (folder / "a.qva").string();
    ASSERT_TRUE(host.Save(first, error)) << error;

    qv::Host loaded;
    ASSERT_TRUE(loaded.Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
    ASSERT_TRUE(loaded.Load(first, folder.string() + "/", error)) << error;
    EXPECT_EQ(6u, loaded.ElementCount());
    const std::string second = (folder / "b.qva").string();
    ASSERT_TRUE(loaded.Save(second, error)) << error;
    EXPECT_EQ(ReadFile(first), ReadFile(second));

    // The loaded wizards still know their characteristics: the description is the same.
    std::vector<std::string> written;
    fs::create_directories(folder / "one");
    fs::create_directories(folder / "two");
    ASSERT_TRUE(host.Describe((folder / "one" / "n.desc").string(), written, error)) << error;
    ASSERT_TRUE(loaded.Describe((folder / "two" / "n.desc").string(), written, error)) << error;
    EXPECT_EQ(ReadFile(folder / "one" / "n.desc"), ReadFile(folder / "two" / "n.desc"));
    EXPECT_TRUE(loaded.Editor().Breaches().empty());
}

TEST_F(HostTest, DamagedArchivesAreRefusedAndLeaveNoElements) {
    BuildExample();
    std::string error;
    const fs::path good = folder / "good.qva";
    ASSERT_TRUE(host.Save(good.string(), error)) << error;
    const std::string bytes = ReadFile(good);

    auto loadFails = [&](const std::string& damaged, const char* what) {
        const fs::path path = folder / "damaged.qva";
        WriteFile(path, damaged);
        qv::Host loaded;
        std::string message;
        ASSERT_TRUE(loaded.Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, message));
        EXPECT_FALSE(loaded.Load(path.string(), folder.string() + "/", message)) << what;
        EXPECT_FALSE(message.empty()) << what;
        EXPECT_EQ(0u, loaded.ElementCount()) << what;
    };
    for (size_t cut : {size_t(0), size_t(5), bytes.size() / 3, bytes.size() / 2, bytes.size() - 1})
        loadFails(bytes.substr(0, cut), "cut short");
    std::string magic = bytes;
    magic[3] ^= 0x20;
    loadFails(magic, "another file");
    // Every single byte flipped in the first part (header, records, wizard blocks) either
    // loads or is refused; it never crashes (the sanitizers watch).
    for (size_t at = 0; at < bytes.size(); at += 7) {
        std::string flipped = bytes;
        flipped[at] = static_cast<char>(flipped[at] ^ 0xFF);
        const fs::path path = folder / "flipped.qva";
        WriteFile(path, flipped);
        qv::Host loaded;
        std::string message;
        ASSERT_TRUE(loaded.Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, message));
        if (!loaded.Load(path.string(), folder.string() + "/", message)) {
            EXPECT_EQ(0u, loaded.ElementCount());
        }
    }
}

// An element record that refers back to an earlier one (object 2, the first record) is no
// record of its own: the earlier record is gone with its element, and the archive is refused.
TEST_F(HostTest, RecordReferringBackToAnEarlierOneIsRefused) {
    std::string error;
    ASSERT_TRUE(Build(R"({"document":"D","elements":[{"id":15,"name":"R1"},{"id":15,"name":"R2"}]})", error)) << error;
    const fs::path path = folder / "back.qva";
    ASSERT_TRUE(host.Save(path.string(), error)) << error;
    const std::string bytes = ReadFile(path);
    const size_t second = bytes.find(std::string("\x01\x80\x0f\x00\x00\x00", 6));   // class 1, wizard ID 15
    ASSERT_NE(std::string::npos, second);
    WriteFile(path, bytes.substr(0, second) + std::string("\x02\x00", 2));
    qv::Host loaded;
    ASSERT_TRUE(loaded.Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
    EXPECT_FALSE(loaded.Load(path.string(), folder.string() + "/", error));
    EXPECT_NE(std::string::npos, error.find("element record 2 is missing")) << error;
    EXPECT_EQ(0u, loaded.ElementCount());
}

TEST_F(HostTest, EditSessionTypesAppliesAndKeepsItsResult) {
    std::string error;
    ASSERT_TRUE(Build(R"({"document":"D","elements":[{"id":15,"name":"R1"}]})", error)) << error;
    qv::EditOutcome outcome;
    ASSERT_TRUE(host.Edit("R1", {"type 2028 \"33k\"", "choose 2507 \"kOhm\"", "click 2019", "print", "ok"}, outcome, error))
        << error;
    ASSERT_EQ(1u, outcome.printed.size());
    EXPECT_NE(std::string::npos, outcome.printed[0].find("2028 Edit \"33k\"")) << outcome.printed[0];
    EXPECT_NE(std::string::npos, outcome.printed[0].find("2019 Button checked \"Current [A]\""));
    EXPECT_NE(std::string::npos, outcome.listing.find("2028 Edit \"33k\"")) << "the page as it was before OK closed it";

    const qv::Schematic now = host.CurrentSchematic();
    ASSERT_EQ(1u, now.elements.size());
    const qv::SchematicElement& r1 = now.elements[0];
    ASSERT_EQ(1u, r1.params.size());
    EXPECT_EQ("33k", r1.params[0].value);
    EXPECT_EQ("kOhm", r1.params[0].unit);
    ASSERT_EQ(1u, r1.outputs.size());
    EXPECT_EQ("I", r1.outputs[0]);
    EXPECT_TRUE(r1.script.empty()) << "the session's result is the state; replaying it would toggle the output again";
    EXPECT_TRUE(host.Editor().Breaches().empty());
    EXPECT_EQ(0, host.Editor().OutstandingCookies());
}

TEST_F(HostTest, EditSessionAnswersTheFileDialogOfANestedSheet) {
    std::string error;
    ASSERT_TRUE(Build(R"({"document":"D","elements":[{"id":15,"name":"R1"}]})", error)) << error;
    const fs::path table = folder / "import.mdx";
    WriteFile(table, "MDX 1\nchannels 2\nitems 3\nchannel \"v\" \"V\"\nchannel \"i\" \"A\"\ndata\n0 0\n1 0.5\n2 3\nend\n");
    qv::EditOutcome outcome;
    ASSERT_TRUE(host.Edit("R1",
                          {"click 2088", "sheet ok {", "click 2114", "click 2397", "file \"" + table.string() + "\"",
                           "click 2118", "print", "}", "click 2016", "ok"},
                          outcome, error))
        << error;
    ASSERT_EQ(1u, outcome.printed.size()) << "the print inside the characteristic sheet";
    EXPECT_NE(std::string::npos, outcome.printed[0].find("row 2: \"3\" \"2\" \"3\"")) << outcome.printed[0];
    std::vector<std::string> written;
    ASSERT_TRUE(host.Describe((folder / "d.desc").string(), written, error)) << error;
    ASSERT_EQ(2u, written.size());
    EXPECT_NE(std::string::npos, ReadFile(written[1]).find("items 3\n")) << "the imported table is the element's";
    EXPECT_EQ(0, host.Editor().OutstandingCookies());
}

TEST_F(HostTest, EditSessionReportsWhatItCouldNotDo) {
    std::string error;
    ASSERT_TRUE(Build(R"({"document":"D","elements":[{"id":15,"name":"R1"}]})", error)) << error;
    qv::EditOutcome outcome;
    // The characteristic button stays disabled in the linear form.
    EXPECT_FALSE(host.Edit("R1", {"click 2016", "cancel"}, outcome, error));
    EXPECT_NE(std::string::npos, error.find("line 1")) << error;
    EXPECT_FALSE(host.Edit("R1", {"click 4711"}, outcome, error));
    EXPECT_NE(std::string::npos, error.find("no control 4711")) << error;
    // A message box the script expects and that never comes.
    EXPECT_FALSE(host.Edit("R1", {"message ok", "cancel"}, outcome, error));
    EXPECT_NE(std::string::npos, error.find("never asked for")) << error;
    EXPECT_FALSE(host.Edit("R9", {"ok"}, outcome, error));
    EXPECT_FALSE(host.Edit("R1", {"sheet ok {"}, outcome, error)) << "a block never closed";
    EXPECT_EQ(0, host.Editor().OutstandingCookies());
    EXPECT_TRUE(host.CurrentSchematic().elements[0].script.empty()) << "failed sessions are not kept";
}

TEST_F(HostTest, SymbolAndPreviewPictures) {
    BuildExample();
    std::string error;
    ASSERT_TRUE(host.SymbolSvg("R1", (folder / "r1.svg").string(), error)) << error;
    ASSERT_TRUE(host.SymbolSvg("RNL1", (folder / "rnl1.svg").string(), error)) << error;
    const std::string linear = ReadFile(folder / "r1.svg");
    const std::string nonlinear = ReadFile(folder / "rnl1.svg");
    EXPECT_EQ(0u, linear.find("<?xml"));
    EXPECT_NE(std::string::npos, linear.find(">R<")) << "the linear form shows its letter";
    EXPECT_EQ(std::string::npos, nonlinear.find(">R<")) << "the nonlinear form shows the arrow instead";
    EXPECT_NE(std::string::npos, nonlinear.find("<polygon"));

    ASSERT_TRUE(host.PreviewSvg("RNL1", (folder / "preview.svg").string(), error)) << error;
    const std::string preview = ReadFile(folder / "preview.svg");
    EXPECT_NE(std::string::npos, preview.find("#ff0000")) << "the curve is drawn in red";
    EXPECT_FALSE(host.PreviewSvg("R1", (folder / "none.svg").string(), error)) << "a linear resistor has no curve";
    EXPECT_FALSE(fs::exists(folder / "none.svg"));
    EXPECT_EQ(0, host.Editor().OutstandingCookies());
}

// The commands' element-by-element jobs give exactly what the jobs on a whole built schematic
// give, and leave the host holding nothing.
TEST_F(HostTest, StreamingJobsGiveWhatTheWholeSchematicGives) {
    qv::Schematic schematic;
    std::string error;
    ASSERT_TRUE(qv::ReadSchematicFile(PARVEL_SOURCE_DIR "/examples/resistor_network.json", schematic, error)) << error;
    const std::string here = folder.string() + "/";
    std::vector<std::string> written;
    ASSERT_TRUE(host.DescribeSchematic(schematic, here, (folder / "network.desc").string(), written, error)) << error;
    ASSERT_NO_FATAL_FAILURE(ExpectNetworkGoldens(written));
    EXPECT_EQ(0u, host.ElementCount());
    EXPECT_EQ(nullptr, host.Editor().Holder(1)) << "every element's set is gone";

    ASSERT_TRUE(host.SaveSchematic(schematic, here, (folder / "streamed.qva").string(), error)) << error;
    EXPECT_EQ(0u, host.ElementCount());
    qv::Host whole;
    ASSERT_TRUE(whole.Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
    ASSERT_TRUE(whole.Build(schematic, here, error)) << error;
    ASSERT_TRUE(whole.Save((folder / "whole.qva").string(), error)) << error;
    EXPECT_EQ(ReadFile(folder / "whole.qva"), ReadFile(folder / "streamed.qva"));

    std::string text;
    size_t count = 0;
    ASSERT_TRUE(host.LoadArchive((folder / "whole.qva").string(), here, (folder / "again.qva").string(), text, count,
                                 error))
        << error;
    EXPECT_EQ(6u, count);
    EXPECT_EQ(ReadFile(folder / "whole.qva"), ReadFile(folder / "again.qva")) << "loading and saving keeps the bytes";
    qv::Host loaded;
    ASSERT_TRUE(loaded.Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
    ASSERT_TRUE(loaded.Load((folder / "whole.qva").string(), here, error)) << error;
    EXPECT_EQ(qv::WriteSchematic(loaded.CurrentSchematic()), text);
    EXPECT_EQ(0u, host.ElementCount());
    EXPECT_EQ(0, host.Editor().OutstandingCookies());
    EXPECT_TRUE(host.Editor().Breaches().empty());
}

// Each record written is its own object in the archive, also when records are made and
// emptied one after the other: a record at the address of an earlier one would be written as
// a reference to that one, and the archive could not be loaded.
TEST_F(HostTest, StreamedArchiveOfManyElementsLoadsEveryRecord) {
    qv::Schematic schematic;
    schematic.document = "Many";
    for (int i = 0; i < 300; ++i) {
        qv::SchematicElement element;
        element.id = i % 3 == 0 ? 16 : 15;
        element.name = "E" + std::to_string(i);
        schematic.elements.push_back(element);
    }
    std::string error;
    const std::string path = (folder / "many.qva").string();
    ASSERT_TRUE(host.SaveSchematic(schematic, folder.string() + "/", path, error)) << error;
    qv::Host loaded;
    ASSERT_TRUE(loaded.Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
    ASSERT_TRUE(loaded.Load(path, folder.string() + "/", error)) << error;
    ASSERT_EQ(300u, loaded.ElementCount());
    const qv::Schematic back = loaded.CurrentSchematic();
    for (int i = 0; i < 300; ++i) EXPECT_EQ("E" + std::to_string(i), back.elements[i].name);
    std::string text;
    size_t count = 0;
    ASSERT_TRUE(host.LoadArchive(path, folder.string() + "/", (folder / "again.qva").string(), text, count, error))
        << error;
    EXPECT_EQ(300u, count);
    EXPECT_EQ(ReadFile(path), ReadFile(folder / "again.qva"));
    // The schematic is printed while it is loaded, never held whole: a piece for each element
    // as soon as it was loaded, besides the head and the end.
    std::vector<std::string> pieces;
    const auto print = [&pieces](const std::string& piece) { pieces.push_back(piece); };
    ASSERT_TRUE(host.LoadArchive(path, folder.string() + "/", "", print, count, error)) << error;
    ASSERT_EQ(302u, pieces.size());
    std::string joined;
    for (const std::string& piece : pieces) joined += piece;
    EXPECT_EQ(text, joined);
}

// A fault the catalogue shows is found before anything is written; one that only the pages
// find leaves no description or archive.
TEST_F(HostTest, StreamingJobsThatFailLeaveNoDescriptionOrArchive) {
    const std::string early = R"({"id":15,"name":"RNL1","characteristic":{"kind":"data-pairs","points":[[0,0],[1,1]]}})";
    struct Case {
        std::string late;
        std::string said;
        bool dataFileStays;
    } cases[] = {
        {R"({"id":15,"name":"R2","parameters":{"Q":"1"}})", "no parameter \"Q\"", false},
        {R"({"id":15,"name":"R2","parameters":{"R":{"unit":"V"}}})", "no unit", false},
        {R"({"id":999,"name":"R2"})", "not in the catalogue", false},
        {R"({"id":15,"name":"R2","script":["jump 1"]})", "script", false},
        // RNL1's data file was written before R2 failed: the failed run takes it back.
        {R"({"id":15,"name":"R2","characteristic":{"kind":"data-pairs","points":[[0,0],[1,1],[0.5,2]]}})",
         "monotonous", false},
    };
    for (const Case& c : cases) {
        const fs::path out = folder / ("case" + std::to_string(&c - cases));
        fs::create_directories(out);
        qv::Schematic schematic;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematic(R"({"document":"D","elements":[)" + early + "," + c.late + "]}", schematic, error))
            << error;
        std::vector<std::string> written;
        EXPECT_FALSE(host.DescribeSchematic(schematic, out.string() + "/", (out / "d.desc").string(), written, error));
        EXPECT_NE(std::string::npos, error.find(c.said)) << error;
        EXPECT_FALSE(host.SaveSchematic(schematic, out.string() + "/", (out / "a.qva").string(), error));
        EXPECT_NE(std::string::npos, error.find(c.said)) << error;
        for (const char* name : {"d.desc", "d.desc.part", "a.qva", "a.qva.part"})
            EXPECT_FALSE(fs::exists(out / name)) << c.late << ": " << name;
        EXPECT_EQ(c.dataFileStays, fs::exists(out / "D__RNL1.mdx")) << c.late;
        EXPECT_EQ(0u, host.ElementCount());
        EXPECT_EQ(0, host.Editor().OutstandingCookies());
    }
}

// The commands read the schematic text twice and never hold it whole; what they write is what
// the jobs on the schematic read whole write.
TEST_F(HostTest, JobsOnTheTextGiveWhatTheReadSchematicGives) {
    const std::string text = ReadFile(PARVEL_SOURCE_DIR "/examples/resistor_network.json");
    qv::Schematic schematic;
    std::string error;
    ASSERT_TRUE(qv::ReadSchematic(text, schematic, error)) << error;
    const std::string here = folder.string() + "/";
    qv::DescribePlan plan;
    bool textFault = true;
    ASSERT_TRUE(host.PlanDescription(text, (folder / "network.desc").string(), plan, error, &textFault)) << error;
    EXPECT_FALSE(textFault);
    EXPECT_EQ(schematic.document, plan.document);
    EXPECT_EQ(schematic.elements.size(), plan.elements);
    std::vector<qv::PlannedFile> planned;
    ASSERT_TRUE(qv::PlanDescribeOutputs(schematic, (folder / "network.desc").string(), planned, error)) << error;
    ASSERT_EQ(planned.size(), plan.files.size());
    for (size_t i = 0; i < planned.size(); ++i) {
        EXPECT_EQ(planned[i].path, plan.files[i].path);
        EXPECT_EQ(planned[i].what, plan.files[i].what);
    }
    EXPECT_TRUE(fs::is_empty(folder)) << "planning writes nothing";
    EXPECT_EQ(0u, host.ElementCount());

    std::vector<std::string> written;
    ASSERT_TRUE(host.DescribeSchematicText(text, plan, here, (folder / "network.desc").string(), written, error)) << error;
    ASSERT_NO_FATAL_FAILURE(ExpectNetworkGoldens(written));
    EXPECT_EQ(0u, host.ElementCount());

    // A host that did nothing before: the archive names the document of the text.
    qv::Host fresh;
    ASSERT_TRUE(fresh.Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
    size_t count = 0;
    ASSERT_TRUE(fresh.SaveSchematicText(text, here, (folder / "text.qva").string(), count, error)) << error;
    EXPECT_EQ(6u, count);
    EXPECT_EQ(0u, fresh.ElementCount());
    ASSERT_TRUE(host.SaveSchematic(schematic, here, (folder / "whole.qva").string(), error)) << error;
    EXPECT_EQ(ReadFile(folder / "whole.qva"), ReadFile(folder / "text.qva"));
    EXPECT_EQ(0u, host.ElementCount());
    EXPECT_EQ(0, host.Editor().OutstandingCookies());
    EXPECT_TRUE(host.Editor().Breaches().empty());
}

// Faults come in the order the jobs on a schematic read whole find them: the text's own
// (wherever it lies), then the outputs', then the first element the catalogue refuses; each
// with the same message, and nothing is written.
TEST_F(HostTest, JobsOnTheTextReportTheFaultsOfTheReadSchematic) {
    const std::string bad = R"({"id":999,"name":"R1"})";
    const std::string empty = R"({"id":15,"name":"RNL1","characteristic":{"kind":"data-pairs","points":[]}})";
    const std::string good = R"({"id":15,"name":"R2","parameters":{"R":"1k"}})";
    struct Case {
        std::string text;
        bool textFault;
        std::string said;
        bool saved;
    } cases[] = {
        {R"({"document":"D","elements":[)" + bad + "," + good + "]", true, "ends before", false},
        {R"({"document":"D","elements":[)" + bad + "," + good + R"(,{"id":15,"name":"R2"}]})", true, "used twice", false},
        {R"({"elements":[)" + bad + "," + good + R"(],"document":"D E"})", true, "document name", false},
        {R"({"document":"D","elements":[)" + bad + "," + empty + "]}", false, "table of data pairs is empty", false},
        // The page's OK refuses an empty table of data pairs, so it is not saved either.
        {R"({"elements":[)" + good + "," + empty + R"(],"document":"Late"})", false, "Late__RNL1.mdx", false},
        {R"({"document":"D","elements":[)" + good + "," + bad + "]}", false, "wizard ID 999 is not in the catalogue", false},
        {R"({"document":"D","elements":[)" + good + R"(,{"id":15,"name":"R3","parameters":{"Q":"1"}},)" + bad + "]}", false,
         "no parameter \"Q\"", false},
        // A second element of a kind is checked for itself: its unit, its script.
        {R"({"document":"D","elements":[)" + good + R"(,{"id":15,"name":"R3","parameters":{"R":{"value":"1","unit":"V"}}}]})",
         false, "element \"R3\" parameter \"R\": \"V\" is no unit", false},
        {R"({"document":"D","elements":[{"id":15,"name":"R3","script":["ok"]},{"id":15,"name":"R4","script":["okay"]}]})",
         false, "element \"R4\" script", false},
    };
    for (const Case& c : cases) {
        const fs::path out = folder / ("case" + std::to_string(&c - cases));
        fs::create_directories(out);
        const std::string description = (out / "d.desc").string();
        // What the jobs on the schematic read whole say.
        std::string wholeError;
        qv::Schematic schematic;
        std::vector<qv::PlannedFile> planned;
        std::vector<std::string> written;
        const bool read = qv::ReadSchematic(c.text, schematic, wholeError);
        EXPECT_EQ(c.textFault, !read) << c.text;
        if (read && qv::PlanDescribeOutputs(schematic, description, planned, wholeError)) {
            EXPECT_FALSE(host.DescribeSchematic(schematic, out.string() + "/", description, written, wholeError));
        }
        EXPECT_NE(std::string::npos, wholeError.find(c.said)) << wholeError;

        qv::DescribePlan plan;
        std::string error;
        bool textFault = !c.textFault;
        EXPECT_FALSE(host.PlanDescription(c.text, description, plan, error, &textFault)) << c.text;
        EXPECT_EQ(c.textFault, textFault) << c.text;
        EXPECT_EQ(wholeError, error) << c.text;

        // Saving refuses the text's and the elements' faults alike.
        std::string saveError;
        bool wholeSaved = false;
        if (qv::ReadSchematic(c.text, schematic, saveError))
            wholeSaved = host.SaveSchematic(schematic, out.string() + "/", (out / "a.qva").string(), saveError);
        size_t count = 99;
        textFault = !c.textFault;
        const bool saved = host.SaveSchematicText(c.text, out.string() + "/", (out / "b.qva").string(), count, error, &textFault);
        EXPECT_EQ(c.textFault, textFault) << c.text;
        EXPECT_EQ(c.saved, saved) << c.text << "\n" << error;
        EXPECT_EQ(c.saved, wholeSaved) << c.text << "\n" << saveError;
        if (saved) {
            EXPECT_EQ(2u, count);
            EXPECT_EQ(ReadFile(out / "a.qva"), ReadFile(out / "b.qva"));
        } else {
            EXPECT_EQ(saveError, error) << c.text;
            EXPECT_EQ(99u, count);
            EXPECT_FALSE(fs::exists(out / "b.qva"));
        }
        for (const char* name : {"d.desc", "d.desc.part", "a.qva.part", "b.qva.part"})
            EXPECT_FALSE(fs::exists(out / name)) << c.text << ": " << name;
        EXPECT_EQ(0u, host.ElementCount());
        EXPECT_EQ(0, host.Editor().OutstandingCookies());
    }
}

// A schematic built in a host that built another before does not see that one's names in use.
TEST_F(HostTest, TheNamesOfTheSchematicBuiltBeforeAreFreeAgain) {
    std::string error;
    ASSERT_TRUE(Build(R"({"document":"A","elements":[{"id":15,"name":"OLD"},{"id":15,"name":"R9"}]})", error)) << error;
    ASSERT_TRUE(Build(R"({"document":"B","elements":[{"id":15,"name":"R1"},{"id":15,"name":"R9"}]})", error)) << error;
    const struct {
        const char* name;
        bool renamed;
    } cases[] = {{"OLD", true}, {"R9", false}};
    for (const auto& c : cases) {
        qv::EditOutcome outcome;
        const bool edited = host.Edit(c.renamed ? "R1" : "OLD", {std::string("type 2001 \"") + c.name + "\"", "ok"}, outcome, error);
        EXPECT_EQ(c.renamed, edited) << c.name << ": " << error;
        if (!c.renamed) {
            EXPECT_NE(std::string::npos, error.find("is taken by element \"R9\"")) << error;
        }
    }
    const qv::Schematic now = host.CurrentSchematic();
    ASSERT_EQ(2u, now.elements.size());
    EXPECT_EQ("OLD", now.elements[0].name);
}

// A handle value just made and gone: every window made later has a larger handle.
uintptr_t NextHandle() {
    CWnd probe;
    probe.CreateMessageWindow();
    const uintptr_t value = reinterpret_cast<uintptr_t>(probe.GetSafeHwnd());
    probe.DestroyWindow();
    return value;
}

// Windows made between two handle values that still exist.
size_t LiveWindowsBetween(uintptr_t from, uintptr_t to) {
    size_t live = 0;
    for (uintptr_t value = from + 1; value < to; ++value)
        if (qv::TargetFromHandle(reinterpret_cast<HWND>(value)) != nullptr) ++live;
    return live;
}

// The element-by-element jobs keep no window, page or handle of an element once it is done:
// what stays would grow with the schematic.
TEST_F(HostTest, StreamingJobsLeaveNoWindowBehind) {
    qv::Schematic schematic;
    std::string error;
    ASSERT_TRUE(qv::ReadSchematicFile(PARVEL_SOURCE_DIR "/examples/resistor_network.json", schematic, error)) << error;
    const uintptr_t before = NextHandle();
    std::vector<std::string> written;
    ASSERT_TRUE(host.DescribeSchematic(schematic, folder.string() + "/", (folder / "n.desc").string(), written, error))
        << error;
    ASSERT_TRUE(host.SaveSchematic(schematic, folder.string() + "/", (folder / "n.qva").string(), error)) << error;
    std::string text;
    size_t count = 0;
    ASSERT_TRUE(host.LoadArchive((folder / "n.qva").string(), folder.string() + "/", "", text, count, error)) << error;
    const uintptr_t after = NextHandle();
    ASSERT_GT(after - before, 0x10u * 6) << "the jobs made windows";
    EXPECT_EQ(0u, LiveWindowsBetween(before, after));
}

} // namespace

namespace {

TEST_F(HostTest, TheHeldStateDescribesAsTheEditedElements) {
    struct Case {
        const char* element;
        std::vector<std::string> script;
    } cases[] = {
        {"R1", {"click 2019", "click 2018", "type 2028 \"3.3k\"", "choose 2507 \"kOhm\"", "ok"}},
        {"RNL1", {"sheet ok {", "click 2111", "type 2113 \"XY9.VAL\"", "}", "click 2016", "ok"}},
        {"RNL1", {"sheet ok {", "click 2116", "type 2117 \"own.mdx\"", "}", "click 2016", "ok"}},
        {"R2",
         {"click 2088", "sheet ok {", "click 2114", "click 2397", "click 1124", "click 1122", "cell 2121 0 1 \"0\"",
          "cell 2121 0 2 \"0\"", "click 1122", "cell 2121 1 1 \"2\"", "cell 2121 1 2 \"2m\"", "}", "click 2016", "ok"}},
        {"RNL2", {"click 2075", "sheet ok {", "click 2111", "type 2113 \"XY2.VAL\"", "}", "click 2016", "ok"}},
        {"RNL2", {"click 2088", "ok"}},
        {"GNL1", {"sheet ok {", "type 2395 \"OTHER\"", "}", "click 2016", "ok"}},
    };
    int run = 0;
    for (const Case& c : cases) {
        const fs::path held = folder / ("held" + std::to_string(run));
        const fs::path again = folder / ("again" + std::to_string(run++));
        fs::create_directories(held);
        fs::create_directories(again);
        qv::Schematic schematic;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematicFile(PARVEL_SOURCE_DIR "/examples/resistor_network.json", schematic, error));
        ASSERT_TRUE(host.Build(schematic, held.string() + "/", error)) << error;
        qv::EditOutcome outcome;
        ASSERT_TRUE(host.Edit(c.element, c.script, outcome, error)) << c.element << ": " << error;
        std::vector<std::string> written;
        ASSERT_TRUE(host.Describe((held / "d.desc").string(), written, error)) << error;

        const qv::Schematic state = host.CurrentSchematic();
        for (const qv::SchematicElement& element : state.elements) {
            EXPECT_TRUE(element.script.empty()) << element.name;
            if (element.name != "R2" || std::string(c.element) != "R2") continue;
            EXPECT_EQ((std::vector<std::pair<double, double>>{{0, 0}, {2, 0.002}}), element.characteristic.points)
                << "the rows as the table shows them, \"2m\" included";
        }
        ASSERT_TRUE(host.DescribeSchematic(state, again.string() + "/", (again / "d.desc").string(), written, error))
            << c.element << ": " << error;
        EXPECT_EQ(ReadFile(held / "d.desc"), ReadFile(again / "d.desc")) << c.element;
        for (const auto& entry : fs::directory_iterator(held)) {
            if (entry.path().extension() != ".mdx") continue;
            EXPECT_EQ(ReadFile(entry.path()), ReadFile(again / entry.path().filename())) << entry.path();
        }
    }
}

// The loop a user runs most, on every element of every example: an edit (OK alone) printed
// into a new schematic, that schematic described, and the element edited again in the same
// folder, each as its command runs it. An element that keeps its table in a data file finds
// the file it wrote (or its description wrote) one command earlier, which is its own: no step
// may stop at a question about it.
TEST_F(HostTest, EveryExampleElementIsEditedDescribedAndEditedAgain) {
    const std::vector<std::string> ok{"ok"};
    size_t elements = 0;
    for (const auto& entry : fs::directory_iterator(PARVEL_SOURCE_DIR "/examples")) {
        if (entry.path().extension() != ".json") continue;
        const std::string text = ReadFile(entry.path());
        qv::Schematic schematic;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematic(text, schematic, error)) << error;
        for (const qv::SchematicElement& element : schematic.elements) {
            ++elements;
            const std::string where = entry.path().filename().string() + ", " + element.name;
            const fs::path run = folder / entry.path().stem() / element.name;
            fs::create_directories(run);
            const std::string documentFolder = run.string() + "/";
            qv::EditOutcome outcome;
            ASSERT_TRUE(host.EditSchematicText(text, documentFolder, element.name, ok, (run / "e.json").string(),
                                               nullptr, outcome, error))
                << where << ": " << error;
            const std::string edited = ReadFile(run / "e.json");
            qv::DescribePlan plan;
            std::vector<std::string> written;
            ASSERT_TRUE(host.PlanDescription(edited, (run / "e.desc").string(), plan, error) &&
                        host.DescribeSchematicText(edited, plan, documentFolder, (run / "e.desc").string(), written,
                                                   error))
                << where << ": " << error;
            EXPECT_TRUE(host.EditSchematicText(edited, documentFolder, element.name, ok, "", nullptr, outcome, error) &&
                        qv::OutputFiles::Current().Settle(true, &error))
                << where << ", edited again: " << error;
        }
    }
    EXPECT_LE(100u, elements) << "the examples were found";
}

} // namespace
// A parameter made from a template but moved to a value ID that no template has would be saved
// without its template and could not be loaded again: the archive and the text are refused.
TEST_F(HostTest, MadeParameterWithTheValueIdOfNoTemplateIsRefused) {
    const std::string archive = PARVEL_SOURCE_DIR "/tests/data/host/made_param_value_id_of_no_template.qva";
    std::string error;
    EXPECT_FALSE(host.Load(archive, folder.string() + "/", error));
    EXPECT_NE(std::string::npos, error.find("parameter \"y\" has value ID 520, which no template")) << error;
    EXPECT_EQ(0u, host.ElementCount());
    EXPECT_FALSE(Build(R"({"document":"D","elements":[{"id":81,"name":"F","page_parameters":[)"
                       R"({"name":"y","template":"VAR","value_id":520}]}]})", error));
    EXPECT_NE(std::string::npos, error.find("parameter \"y\" has value ID 520, which no template")) << error;
}
