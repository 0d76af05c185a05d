#include "tests/support/host_run.h"
#include "tests/support/sandbox.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/text_files.h"

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

using qv_test::ReadFile;

using RunResult = qv_test::CapturedRun;

// Runs the host with the arguments (shell words); stdout captured, stderr dropped.
RunResult RunHost(const std::string& args) {
    // The host writes column widths into the user profile: each test process has its own.
    static const std::string profile =
        qv_test::TempFolder() + "/qvhost_test_profile_" + std::to_string(getpid()) + ".ini";
    static const struct Remover {
        ~Remover() { std::remove(profile.c_str()); }
    } remover;
    return qv_test::RunCaptured("QV_USER_PROFILE='" + profile + "' '" + QVHOST_PATH + "' " + args + " 2>/dev/null");
}

TEST(Qvhost, UsageAndExitCodes) {
    RunResult help = RunHost("--help");
    EXPECT_EQ(0, help.exitCode);
    EXPECT_NE(std::string::npos, help.out.find("list-wizards"));
    EXPECT_EQ(1, RunHost("").exitCode);
    EXPECT_EQ(1, RunHost("frobnicate").exitCode);
    EXPECT_EQ(1, RunHost("list-wizards --bogus").exitCode);
    EXPECT_EQ(1, RunHost("list-wizards --plugin").exitCode) << "the option needs a value";
    EXPECT_EQ(2, RunHost("list-wizards --plugin /nonexistent/Parvel.so").exitCode);
    // A loadable module that is not the plug-in: no factories.
    EXPECT_EQ(2, RunHost(std::string("list-wizards --plugin '") + PARVEL_MODULE_DIR + "/ParvelEnu.so'").exitCode);
}

TEST(Qvhost, ListsEveryFactoryIdWithItsBase) {
    RunResult list = RunHost(std::string("list-wizards --plugin '") + PARVEL_MODULE_DIR + "/Parvel.so'");
    ASSERT_EQ(0, list.exitCode);
    int lines = 0;
    size_t pos = 0;
    while ((pos = list.out.find('\n', pos)) != std::string::npos) {
        ++lines;
        ++pos;
    }
    EXPECT_EQ(1 + 116 + 1, lines) << "header, one line per ID, summary";
    EXPECT_NE(std::string::npos, list.out.find("3\t5\t"));
    EXPECT_NE(std::string::npos, list.out.find("4\t340\t"));
    EXPECT_NE(std::string::npos, list.out.find("wizard IDs built"));
    EXPECT_EQ(list.out, RunHost("list-wizards").out) << "the plug-in beside the host is the default";
}

std::string Example() { return std::string("'") + PARVEL_SOURCE_DIR + "/examples/resistor_network.json'"; }

// A scratch folder for one test, removed with it.
struct Scratch : qv_test::ScratchFolder {
    Scratch() : ScratchFolder("qvhost_cli") {}
};

TEST(Qvhost, CommandsRefuseMissingOrWrongArguments) {
    EXPECT_EQ(1, RunHost("describe").exitCode);
    EXPECT_EQ(1, RunHost("describe " + Example()).exitCode) << "no -o";
    EXPECT_EQ(1, RunHost("describe " + Example() + " -o").exitCode);
    EXPECT_EQ(1, RunHost("describe " + Example() + " -o a -o b").exitCode);
    EXPECT_EQ(1, RunHost("edit " + Example() + " --element R1").exitCode) << "no script";
    EXPECT_EQ(1, RunHost("svg " + Example() + " --element R1 -o x.svg").exitCode) << "neither --symbol nor --preview";
    EXPECT_EQ(1, RunHost("svg " + Example() + " --element R1 --symbol --preview -o x.svg").exitCode);
    EXPECT_EQ(1, RunHost("load").exitCode);
    EXPECT_EQ(1, RunHost("save " + Example() + " --frobnicate -o x").exitCode);
}

TEST(Qvhost, BadInputExitsWithTwo) {
    Scratch scratch;
    EXPECT_EQ(2, RunHost("describe /nonexistent.json -o '" + (scratch / "a.desc") + "'").exitCode);
    std::ofstream(scratch / "broken.json") << "{\"document\": \"D\", \"elements\": [";
    EXPECT_EQ(2, RunHost("describe '" + (scratch / "broken.json") + "' -o '" + (scratch / "a.desc") + "'").exitCode);
    EXPECT_FALSE(std::filesystem::exists(scratch / "a.desc")) << "nothing is written for a broken schematic";
    EXPECT_EQ(2, RunHost("describe " + Example() + " -o /nonexistent/folder/a.desc").exitCode);
    EXPECT_EQ(2, RunHost("describe " + Example() + " -o '" + (scratch / "a.desc") + "' --plugin /nonexistent.so").exitCode);
    std::ofstream(scratch / "junk.qva") << "not an archive";
    EXPECT_EQ(2, RunHost("load '" + (scratch / "junk.qva") + "'").exitCode);
    std::ofstream(scratch / "bad.txt") << "jump 2028\n";
    EXPECT_EQ(2, RunHost("edit " + Example() + " --element R1 --script '" + (scratch / "bad.txt") + "'").exitCode);
    EXPECT_EQ(2, RunHost("svg " + Example() + " --element R99 --symbol -o '" + (scratch / "x.svg") + "'").exitCode);
}

TEST(Qvhost, DescribeWritesTheDescriptionAndSaysWhere) {
    Scratch scratch;
    RunResult run = RunHost("describe " + Example() + " -o '" + (scratch / "net.desc") + "'");
    ASSERT_EQ(0, run.exitCode);
    EXPECT_EQ("", run.out) << "the messages saying where go to standard error";
    EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/host/resistor_network.desc"), ReadFile(scratch / "net.desc"));
}

TEST(Qvhost, SaveLoadSaveRoundTripAndEdit) {
    Scratch scratch;
    ASSERT_EQ(0, RunHost("save " + Example() + " -o '" + (scratch / "a.qva") + "'").exitCode);
    RunResult loaded = RunHost("load '" + (scratch / "a.qva") + "' -o '" + (scratch / "b.qva") + "'");
    ASSERT_EQ(0, loaded.exitCode);
    EXPECT_NE(std::string::npos, loaded.out.find("\"document\": \"ResistorNetwork\""));
    EXPECT_EQ(ReadFile(scratch / "a.qva"), ReadFile(scratch / "b.qva"));

    std::ofstream(scratch / "script.txt") << "type 2028 \"5.6k\"\nprint\napply\n";
    RunResult edit = RunHost("edit " + Example() + " --element R1 --script '" + (scratch / "script.txt") + "' -o '" +
                             (scratch / "edited.json") + "'");
    ASSERT_EQ(0, edit.exitCode);
    EXPECT_NE(std::string::npos, edit.out.find("2028 Edit \"5.6k\""));
    EXPECT_NE(std::string::npos, ReadFile(scratch / "edited.json").find("\"R\": \"5.6k\""));
    ASSERT_EQ(0, RunHost("describe '" + (scratch / "edited.json") + "' -o '" + (scratch / "e.desc") + "'").exitCode);
    EXPECT_EQ(0u, ReadFile(scratch / "e.desc").find("R R1 ( R := 5.6k );"));

    ASSERT_EQ(0, RunHost("svg " + Example() + " --element RNL1 --preview -o '" + (scratch / "p.svg") + "'").exitCode);
    EXPECT_NE(std::string::npos, ReadFile(scratch / "p.svg").find("<svg"));
}

// Runs the host with the arguments; stdout dropped, stderr captured.
RunResult RunHostForErrors(const std::string& args, const std::string& scratch) {
    const std::string errors = scratch + "/stderr.txt";
    RunResult result;
    const std::string command = "QV_USER_PROFILE='" + scratch + "/user.ini' '" + QVHOST_PATH + "' " + args +
                                " >/dev/null 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.out = ReadFile(errors);
    std::remove(errors.c_str());
    return result;
}

// Careless input ends with status 2 and a message that says what is wrong, never with an
// uncaught exception, and leaves no file behind.
TEST(Qvhost, CarelessInputIsRefusedWithAMessageAndLeavesNothing) {
    Scratch scratch;
    std::ofstream(scratch / "evil.json")
        << R"({"document": "D", "elements": [{"id": 15, "name": "R1", "parameters": {"R": "1k\n);\nEVIL ( X := 1"}}]})";
    std::ofstream(scratch / "syntax.json") << "{\"document\": \"D\",\n \"elements\": [ {\"id\": 15,, } ]}";
    std::ofstream(scratch / "late.json")
        << R"({"document": "D", "elements": [{"id": 15, "name": "RNL1", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]]}},
                                            {"id": 15, "name": "R2", "parameters": {"Q": "1"}}]})";
    std::filesystem::create_directories(scratch / "folder");
    const std::string out = "'" + (scratch / "out") + "'";
    const std::string folder = "'" + (scratch / "folder") + "'";
    struct Case {
        std::string args;
        std::string said;
    } cases[] = {
        {"describe /dev/zero -o " + out + ".desc", "/dev/zero: is not a regular file"},
        {"describe " + folder + " -o " + out + ".desc", "is a folder"},
        {"describe '" + (scratch / "evil.json") + "' -o " + out + ".desc",
         "element \"R1\" parameter \"R\" holds a control character"},
        {"describe '" + (scratch / "syntax.json") + "' -o " + out + ".desc", "line 2, column 26: not valid JSON"},
        {"describe '" + (scratch / "late.json") + "' -o " + out + ".desc", "no parameter \"Q\""},
        {"save '" + (scratch / "evil.json") + "' -o " + out + ".qva", "control character"},
        {"save '" + (scratch / "late.json") + "' -o " + out + ".qva", "no parameter \"Q\""},
        {"save /dev/zero -o " + out + ".qva", "not a regular file"},
        {"load " + folder + " -o " + out + ".qva", "is a folder"},
        {"load /dev/zero", "not a regular file"},
        {"edit " + Example() + " --element R1 --script /dev/zero", "not a regular file"},
        {"edit '" + (scratch / "evil.json") + "' --element R1 --script " + folder, "is a folder"},
        // An output name of bytes that are not UTF-8 would be another name on disk.
        {"describe " + Example() + " -o " + out + "\"$(printf '\\377')\".desc", "out\xC3\xBF.desc: the name is not UTF-8"},
        {"save " + Example() + " -o " + out + "\"$(printf '\\377')\".qva", "the name is not UTF-8"},
    };
    for (const Case& c : cases) {
        const RunResult run = RunHostForErrors(c.args, scratch.path);
        EXPECT_EQ(2, run.exitCode) << c.args << "\n" << run.out;
        EXPECT_EQ(0u, run.out.find("qvhost: ")) << run.out;
        EXPECT_NE(std::string::npos, run.out.find(c.said)) << c.args << "\n" << run.out;
        EXPECT_EQ(std::string::npos, run.out.find("json.exception")) << run.out;
        for (const auto& entry : std::filesystem::directory_iterator(scratch.path)) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "evil.json" || name == "syntax.json" || name == "late.json" || name == "folder" ||
                        name == "user.ini")
                << c.args << " left " << name;
        }
    }
}

} // namespace
