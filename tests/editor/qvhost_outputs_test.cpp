// The host as a user runs it with careless or hostile input: what a failed command leaves
// behind, how data files are named, what `edit -o` and `load` write, and what is printed.
#include "afx/message_text.h"
#include "editor/catalogue.h"
#include "tests/support/host_run.h"
#include "tests/support/marked_data_file.h"
#include "tests/support/text_files.h"
#include "editor/text_codec.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;
using qv_test::WriteFile;

struct HostRun : qv_test::CapturedRun {
    std::string err;
};

// A scratch folder for one test, removed with it; the host runs inside it.
struct Scratch {
    Scratch() {
        std::string pattern = qv_test::TempFolder() + "/qvhost_out_XXXXXX";
        path = mkdtemp(pattern.data());
    }
    ~Scratch() {
        std::error_code code;
        fs::remove_all(path, code);
    }
    fs::path operator/(const std::string& name) const { return path / name; }
    // The files below the folder, relative, sorted.
    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(path))
            if (entry.is_regular_file()) names.insert(fs::relative(entry.path(), path).string());
        return names;
    }
    fs::path path;
};

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs the host (or the program given) in the folder `where` of the scratch folder; stdout and
// stderr captured.
HostRun RunHostIn(const Scratch& scratch, const fs::path& where, const std::string& args,
                  const std::string& program = QVHOST_PATH) {
    const std::string errPath = (scratch.path.parent_path() / (scratch.path.filename().string() + ".err")).string();
    HostRun result{qv_test::RunCaptured("cd " + Quote(where.string()) + " && QV_USER_PROFILE=" +
                                        Quote(errPath + ".ini") + " " + Quote(program) + " " + args + " 2>" +
                                        Quote(errPath)),
                   ReadFile(errPath)};
    std::remove(errPath.c_str());
    std::remove((errPath + ".ini").c_str());
    return result;
}

// Runs the host (or the program given) in the scratch folder.
HostRun RunHost(const Scratch& scratch, const std::string& args, const std::string& program = QVHOST_PATH) {
    return RunHostIn(scratch, scratch.path, args, program);
}

// Describes a schematic of the one element (its JSON object) to o.desc in the scratch folder.
HostRun DescribeOneElement(const Scratch& scratch, const std::string& element) {
    WriteFile(scratch / "s.json", R"({"document": "D", "elements": [)" + element + "]}");
    return RunHost(scratch, "describe s.json -o o.desc");
}

// A schematic of one nonlinear resistor with a table of data pairs.
std::string DataPairs(const std::string& name, const std::string& points, const std::string& file = "") {
    return R"({"document": "D", "elements": [{"id": 15, "name": ")" + name +
           R"(", "characteristic": {"kind": "data-pairs", "points": [)" + points + "]" +
           (file.empty() ? "" : R"(, "file": ")" + file + "\"") + "}}]}";
}

TEST(QvhostOutputs, FailedDescribeNamesTheFaultAndWritesNothing) {
    const std::string longName(300, 'N');
    struct Case {
        const char* what;
        std::string schematic;
        std::string out;
        std::string message;
    } cases[] = {
        {"output is a folder", DataPairs("RNL1", "[0, 0], [1, 1]"), "o", "is a folder"},
        {"output is the data file", DataPairs("RNL1", "[0, 0], [1, 1]"), "D__RNL1.mdx", "would both be written to"},
        {"output in a missing folder", DataPairs("RNL1", "[0, 0], [1, 1]"), "missing/x.desc", "does not exist"},
        {"data file name too long", DataPairs(longName, "[0, 0], [1, 1]"), "x.desc", "more than the 200"},
        {"empty table", DataPairs("RNL1", ""), "x.desc", "element \"RNL1\": its table of data pairs is empty"},
        {"user file in a missing folder", DataPairs("RNL1", "[0, 0], [1, 1]", "/nonexistent/t.mdx"), "x.desc",
         "does not exist"},
        // A value the page's own field would not take is refused as OK refuses it there.
        {"empty value", R"({"document": "D", "elements": [{"id": 15, "name": "R1", "parameters": {"R": ""}}]})",
         "x.desc", "element \"R1\": its page refuses the values given: \"Invalid value!\" (parameter \"R\" is given no value)"},
        {"blank value", R"({"document": "D", "elements": [{"id": 15, "name": "R1", "parameters": {"R": "  "}}]})",
         "x.desc", "element \"R1\": its page refuses the values given: \"Invalid value!\""},
        // The first element's own file is written while the elements are made; the second
        // element fails later, and the first one's file goes again.
        {"fault after a data file was written",
         R"({"document": "D", "elements": [{"id": 15, "name": "A", "characteristic": {"kind": "data-pairs",
             "points": [[0, 0], [1, 1]], "file": "u.mdx"}}, {"id": 15, "name": "B", "parameters": {"R": ""}}]})",
         "x.desc", "element \"B\""},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        fs::create_directory(scratch / "o");
        WriteFile(scratch / "s.json", c.schematic);
        const HostRun run = RunHost(scratch, "describe s.json -o " + Quote(c.out));
        EXPECT_EQ(2, run.exitCode) << c.what;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << c.what << ": " << run.err;
        EXPECT_EQ(std::set<std::string>{"s.json"}, scratch.Files()) << c.what;
    }
}

TEST(QvhostOutputs, TheDescriptionNamesTheOneDataFileWritten) {
    struct Case {
        const char* file;
        const char* written;   // relative to the scratch folder
        const char* named;     // in the description
    } cases[] = {
        {"", "D__RNL1.mdx", "D__RNL1.mdx"},
        {"noext", "noext.mdx", "noext.mdx"},
        {"t.mdx", "t.mdx", "t.mdx"},
        {"t.dat5", "t.mdx", "t.mdx"},               // not a four-character extension
        {"x.txt", "x.mdx", "x.mdx"},                // the text format is read only
        {"x.CSV", "x.mdx", "x.mdx"},
        {".hidden.mdx", "RNL1.hidden.mdx", "RNL1.hidden.mdx"},   // a bare name beginning with "."
        {"./dot.mdx", "dot.mdx", "dot.mdx"},        // relative to the description, no prefix
        {"sub/../up.mdx", "up.mdx", "up.mdx"},
        {"sub/in.mdx", "sub/in.mdx", "/sub/in.mdx"},  // a folder of its own: named by its path
    };
    for (const Case& c : cases) {
        Scratch scratch;
        fs::create_directory(scratch / "sub");
        WriteFile(scratch / "s.json", DataPairs("RNL1", "[0, 0], [1, 1]", c.file));
        const HostRun run = RunHost(scratch, "describe s.json -o o.desc");
        ASSERT_EQ(0, run.exitCode) << c.file << ": " << run.err;
        EXPECT_EQ((std::set<std::string>{"s.json", "o.desc", c.written}), scratch.Files()) << c.file;
        const std::string text = ReadFile(scratch / "o.desc");
        EXPECT_NE(std::string::npos, text.find(std::string(c.named) + "\" );")) << c.file << ": " << text;
        EXPECT_NE(std::string::npos, run.err.find("data file written to " + qv::ShownPath((scratch / c.written).string())))
            << run.err;
        EXPECT_NE(std::string::npos, ReadFile(scratch / c.written).find("MDX 1")) << c.file;
    }
}

// A file under an element's default name is not read by an element that keeps no table there,
// and it is the user's unless the element wrote it: describe refuses to replace it, and once it
// is gone the element's own file there is replaced on every run.
TEST(QvhostOutputs, AStaleFileWithADefaultNameIsNotRead) {
    Scratch scratch;
    WriteFile(scratch / "s.json", R"({"document": "D", "elements": [
        {"id": 15, "name": "R1", "characteristic": {"kind": "reference", "text": "XY1.VAL"}},
        {"id": 16, "name": "G1", "parameters": {"QUANT": "R1"}, "characteristic": {"kind": "file-reference", "variable": "V"}},
        {"id": 15, "name": "R2", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 2]]}}]})");
    for (const char* name : {"D__R1.mdx", "D__G1.mdx", "D__R2.mdx"}) WriteFile(scratch / name, "not a data file\n");
    const HostRun refused = RunHost(scratch, "describe s.json -o o.desc");
    EXPECT_EQ(2, refused.exitCode);
    EXPECT_EQ("qvhost: element \"R2\": its data file " + qv::ShownPath((scratch / "D__R2.mdx").string()) +
                  " already exists and is not a file it wrote; describe replaces no file of the user's (rename or "
                  "remove it, describe into another folder, or give the element another file name)\n",
              refused.err);
    EXPECT_EQ("not a data file\n", ReadFile(scratch / "D__R2.mdx"));
    fs::remove(scratch / "D__R2.mdx");
    for (int run = 0; run < 2; ++run) {
        const HostRun done = RunHost(scratch, "describe s.json -o o.desc");
        ASSERT_EQ(0, done.exitCode) << done.err;
        EXPECT_EQ("not a data file\n", ReadFile(scratch / "D__R1.mdx"));
        EXPECT_EQ("not a data file\n", ReadFile(scratch / "D__G1.mdx"));
        EXPECT_EQ(qv_test::WithWriterMark("MDX 1\nchannels 2\nitems 2\nchannel \"v [V]\" \"\"\nchannel \"i [A]\" \"\"\ndata\n0 0\n1 2\nend\n",
                                          "D", "R2"),
                  ReadFile(scratch / "D__R2.mdx"));
    }
}

// Describes a schematic in its own folder and gives the description.
std::string Describe(const Scratch& scratch, const std::string& folder, const std::string& schematic) {
    fs::create_directories(scratch / folder);
    WriteFile(scratch / folder / "s.json", schematic);
    const HostRun run = RunHost(scratch, "describe " + folder + "/s.json -o " + folder + "/o.desc");
    EXPECT_EQ(0, run.exitCode) << folder << ": " << run.err;
    return ReadFile(scratch / folder / "o.desc");
}

TEST(QvhostOutputs, AnEditedSchematicHoldsTheStateNotTheClicks) {
    Scratch scratch;
    WriteFile(scratch / "s.json", ReadFile(PARVEL_SOURCE_DIR "/examples/resistor_network.json"));
    // R1's current output goes off; replaying the click would switch it on again.
    WriteFile(scratch / "script.txt", "click 2019\nok\n");
    const HostRun edit = RunHost(scratch, "edit s.json --element R1 --script script.txt -o e.json");
    ASSERT_EQ(0, edit.exitCode) << edit.err;
    const std::string edited = ReadFile(scratch / "e.json");
    EXPECT_EQ(std::string::npos, edited.find("\"script\"")) << edited;
    EXPECT_EQ(std::string::npos, edited.find("CH_")) << edited;
    for (const char* out : {"a.desc", "b.desc"}) {
        const HostRun run = RunHost(scratch, std::string("describe e.json -o ") + out);
        ASSERT_EQ(0, run.exitCode) << run.err;
        const std::string text = ReadFile(scratch / out);
        EXPECT_EQ(0u, text.find("R R1 ( R := 4.7k );\nR R2")) << out << ": " << text;
        EXPECT_NE(std::string::npos, text.find("FILE := \"ResistorNetwork__RNL1.mdx\"")) << text;
    }
    EXPECT_EQ(ReadFile(scratch / "a.desc"), ReadFile(scratch / "b.desc"));
}

// Runs check(path, scratch, schematic) on every shipped example, each in a scratch folder of
// its own; there must be examples.
template <class Check>
void ForEachExample(Check check) {
    int examples = 0;
    for (const auto& entry : fs::directory_iterator(PARVEL_SOURCE_DIR "/examples")) {
        if (entry.path().extension() != ".json") continue;
        ++examples;
        Scratch scratch;
        check(entry.path(), scratch, ReadFile(entry.path()));
    }
    EXPECT_GT(examples, 0);
}

TEST(QvhostOutputs, ALoadedSchematicDescribesAsTheSavedOne) {
    ForEachExample([](const fs::path& example, const Scratch& scratch, const std::string& schematic) {
        const std::string saved = Describe(scratch, "saved", schematic);
        ASSERT_EQ(0, RunHost(scratch, "save saved/s.json -o a.qva").exitCode);
        const HostRun load = RunHost(scratch, "load a.qva");
        ASSERT_EQ(0, load.exitCode) << load.err;
        EXPECT_EQ(std::string::npos, load.out.find("CH_")) << load.out;
        EXPECT_EQ(saved, Describe(scratch, "loaded", load.out)) << example;
        // Printing the loaded schematic changes nothing that is saved.
        ASSERT_EQ(0, RunHost(scratch, "load a.qva -o b.qva").exitCode);
        EXPECT_EQ(ReadFile(scratch / "a.qva"), ReadFile(scratch / "b.qva"));
    });
}

TEST(QvhostOutputs, ARenameOnThePageIsCarriedOutOrRefused) {
    struct Case {
        const char* name;
        int exitCode;
        const char* message;
    } cases[] = {
        {"RX", 0, ""},
        {"R 2", 2, "cannot be renamed: the name \"R 2\""},
        {"R2", 2, "is taken by element \"R2\""},
        {"R_1", 0, ""},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        WriteFile(scratch / "s.json", ReadFile(PARVEL_SOURCE_DIR "/examples/resistor_network.json"));
        WriteFile(scratch / "script.txt", std::string("type 2001 \"") + c.name + "\"\nok\n");
        const HostRun run = RunHost(scratch, "edit s.json --element R1 --script script.txt -o e.json");
        EXPECT_EQ(c.exitCode, run.exitCode) << c.name << ": " << run.err;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
        if (c.exitCode != 0) {
            EXPECT_FALSE(fs::exists(scratch / "e.json"));
            continue;
        }
        const std::string edited = ReadFile(scratch / "e.json");
        EXPECT_NE(std::string::npos, edited.find(std::string("\"name\": \"") + c.name + "\"")) << edited;
        EXPECT_EQ(std::string::npos, edited.find("\"name\": \"R1\"")) << edited;
    }
}

TEST(QvhostOutputs, SingleLineFieldsRefuseLineBreaks) {
    Scratch scratch;
    WriteFile(scratch / "s.json", ReadFile(PARVEL_SOURCE_DIR "/examples/resistor_network.json"));
    // A NUL byte typed as it stands would cut the text short.
    for (const std::string& text : {std::string("4\\n7"), std::string("4\\t7"), std::string("\\n"), std::string("4\0" "7", 3)}) {
        WriteFile(scratch / "script.txt", "type 2028 \"" + text + "\"\nok\n");
        const HostRun run = RunHost(scratch, "edit s.json --element R1 --script script.txt -o e.json");
        EXPECT_EQ(2, run.exitCode) << text;
        EXPECT_NE(std::string::npos, run.err.find("control character")) << run.err;
        EXPECT_FALSE(fs::exists(scratch / "e.json"));
    }
}

// A data file named in the code page has one name, in UTF-8: on disk, in the description and in
// the messages, also below a folder whose name is not ASCII. A name that would read otherwise
// on disk is refused.
TEST(QvhostOutputs, DataFileNamesAreUtf8OnDiskInTheDescriptionAndInMessages) {
    Scratch scratch;
    fs::create_directories(scratch / "d\xC3\xA9p/sub");
    const auto schematic = [](const std::string& first, const std::string& second) {
        return R"({"document": "D", "elements": [{"id": 15, "name": "RNL1", "characteristic": {"kind": "data-pairs",
                   "points": [[0, 0], [1, 1]], "file": ")" + first + R"("}}, {"id": 15, "name": "RNL2",
                   "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 2]], "file": ")" + second + "\"}}]}";
    };
    WriteFile(scratch / "s.json", schematic("donn\\u00e9es.mdx", "sub/\\u00e9t\\u00e9.mdx"));
    const HostRun run = RunHost(scratch, "describe s.json -o 'd\xC3\xA9p/o.desc'");
    ASSERT_EQ(0, run.exitCode) << run.err;
    const std::string folder = fs::canonical(scratch.path).string() + "/d\xC3\xA9p/";
    EXPECT_EQ((std::set<std::string>{"s.json", "d\xC3\xA9p/o.desc", "d\xC3\xA9p/donn\xC3\xA9" "es.mdx",
                                     "d\xC3\xA9p/sub/\xC3\xA9t\xC3\xA9.mdx"}),
              scratch.Files());
    const std::string description = ReadFile(scratch / "d\xC3\xA9p/o.desc");
    EXPECT_NE(std::string::npos, description.find("FILE := \"donn\xC3\xA9" "es.mdx\"")) << description;
    EXPECT_NE(std::string::npos, description.find("FILE := \"" + folder + "sub/\xC3\xA9t\xC3\xA9.mdx\"")) << description;
    EXPECT_NE(std::string::npos, run.err.find("data file written to " + qv::ShownPath(folder + "donn\xC3\xA9" "es.mdx") + "\n"))
        << run.err;
    WriteFile(scratch / "s.json", schematic("\\u00c3\\u00a9.mdx", "b.mdx"));
    const HostRun mojibake = RunHost(scratch, "describe s.json -o x.desc");
    EXPECT_EQ(2, mojibake.exitCode);
    EXPECT_NE(std::string::npos, mojibake.err.find("cannot be written to disk as it is given")) << mojibake.err;
}

// Loading a saved archive and saving it again keeps every byte, also of a characteristic that
// refers to another element: its table keeps the data file name its pages formed.
TEST(QvhostOutputs, LoadingAndSavingAgainKeepsEveryByteOfAReference) {
    Scratch scratch;
    for (int id : {1, 2, 15, 16, 17, 18, 65, 112}) {
        // The controlled sources' and the nonlinear conductance's pages take no OK without the
        // quantity they are controlled by.
        const std::string quantity = id <= 2 || id == 16 ? R"j(, "parameters": {"QUANT": "V(N1)"})j" : "";
        WriteFile(scratch / "s.json", R"({"document": "P", "elements": [{"id": )" + std::to_string(id) + R"(, "name": "X1")" +
                                          quantity + R"(, "characteristic": {"kind": "reference", "text": "XYT.VAL"}}]})");
        ASSERT_EQ(0, RunHost(scratch, "save s.json -o a.qva").exitCode) << id;
        ASSERT_EQ(0, RunHost(scratch, "load a.qva -o b.qva").exitCode) << id;
        const std::string saved = ReadFile(scratch / "a.qva");
        EXPECT_NE(std::string::npos, saved.find("P__X1.mdx")) << id;
        EXPECT_EQ(saved, ReadFile(scratch / "b.qva")) << id;
    }
}

TEST(QvhostOutputs, MessagesAreUtf8) {
    Scratch scratch;
    WriteFile(scratch / "s.json", ReadFile(PARVEL_SOURCE_DIR "/examples/resistor_network.json"));
    WriteFile(scratch / "script.txt", "print\n");
    const HostRun element = RunHost(scratch, "edit s.json --element 'R\xC3\xA4ty' --script script.txt");
    EXPECT_EQ(2, element.exitCode);
    EXPECT_TRUE(qv::IsUtf8(element.err)) << element.err;
    EXPECT_NE(std::string::npos, element.err.find("R\xC3\xA4ty")) << element.err;
    WriteFile(scratch / "p.json", R"({"document": "D", "elements": [{"id": 15, "name": "R1", "parameters": {"R\u00e4ty": "1"}}]})");
    const HostRun param = RunHost(scratch, "describe p.json -o x.desc");
    EXPECT_EQ(2, param.exitCode);
    EXPECT_TRUE(qv::IsUtf8(param.err)) << param.err;
    EXPECT_NE(std::string::npos, param.err.find("R\xC3\xA4ty")) << param.err;
}

TEST(QvhostOutputs, PatchedArchivesAreRefused) {
    Scratch scratch;
    WriteFile(scratch / "s.json", ReadFile(PARVEL_SOURCE_DIR "/examples/resistor_network.json"));
    ASSERT_EQ(0, RunHost(scratch, "save s.json -o a.qva").exitCode);
    const std::string archive = ReadFile(scratch / "a.qva");
    const size_t count = archive.find("ResistorNetwork") + 15;
    ASSERT_EQ(std::string("\x06\0\0\0", 4), archive.substr(count, 4));
    const size_t schema = archive.find("\xFF\xFF\x06\x00\x17\x00" "CSchematicElementRecord");
    ASSERT_NE(std::string::npos, schema);
    struct Case {
        const char* what;
        size_t at;
        std::string bytes;   // replaces as many bytes at `at`; appended when at is npos
        const char* message;
    } cases[] = {
        {"one element less counted", count, std::string("\x05", 1), "data follows the last element"},
        {"no element counted", count, std::string("\x00", 1), "data follows the last element"},
        {"a later record schema", schema + 2, std::string("\x07", 1), "damaged"},
        {"bytes after the end", std::string::npos, "x", "data follows the last element"},
    };
    for (const Case& c : cases) {
        std::string patched = archive;
        if (c.at == std::string::npos)
            patched += c.bytes;
        else
            patched.replace(c.at, c.bytes.size(), c.bytes);
        WriteFile(scratch / "p.qva", patched);
        const HostRun run = RunHost(scratch, "load p.qva -o q.qva");
        EXPECT_EQ(2, run.exitCode) << c.what;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << c.what << ": " << run.err;
        // The schematic is printed while it is read: what came before the fault, never its end.
        EXPECT_EQ(std::string::npos, run.out.find("]\n}\n")) << c.what << ": no complete schematic printed";
        EXPECT_FALSE(fs::exists(scratch / "q.qva")) << c.what;
    }
}

// The line about a damaged archive gives the reason whole, also where it names a path of more
// than 255 bytes (the sandbox lies deeper than that).
TEST(QvhostOutputs, ADamagedArchiveAtADeepPathIsNamedWhole) {
    Scratch scratch;
    WriteFile(scratch / "s.json", R"({"document": "D", "elements": [{"id": 28, "name": "M1"}]})");
    ASSERT_EQ(0, RunHost(scratch, "save s.json -o a.qva").exitCode);
    const std::string path = (scratch / "p.qva").string();
    ASSERT_GT(path.size(), 255u);
    WriteFile(path, ReadFile(scratch / "a.qva").substr(0, 60));
    const HostRun run = RunHost(scratch, "load " + path + " -o q.qva");
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ("qvhost: " + qv::ShownPath(path) + ": the archive is damaged (archive data ends too early (" + path + "))\n",
              run.err);
}

// The archive's bytes pieces: a short text with its length byte, a WORD and a DWORD.
std::string ArchiveText(const std::string& bytes) { return static_cast<char>(bytes.size()) + bytes; }
std::string ArchiveWord(unsigned value) { return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }
std::string ArchiveDword(unsigned value) { return ArchiveWord(value & 0xFFFF) + ArchiveWord(value >> 16); }

// A record that leaves out a parameter its kind keeps (no page removes it), here element 28's
// "CTRL", is refused in one line that names the element and the parameter; nothing is written.
TEST(QvhostOutputs, ARecordWithoutAKeptParameterIsRefused) {
    Scratch scratch;
    WriteFile(scratch / "s.json", R"({"document": "D", "elements": [{"id": 28, "name": "M1"}]})");
    ASSERT_EQ(0, RunHost(scratch, "save s.json -o a.qva").exitCode);
    std::string archive = ReadFile(scratch / "a.qva");
    // The count of parameters, then CTRL's record from its name to its info text.
    const size_t from = archive.find(ArchiveText("CTRL"));
    const std::string info = ArchiveText("Control Signal");
    const size_t to = archive.find(info, from);
    ASSERT_NE(std::string::npos, to);
    ASSERT_EQ(ArchiveDword(3), archive.substr(from - 4, 4));
    archive.replace(from - 4, to + info.size() - (from - 4), ArchiveDword(2));
    WriteFile(scratch / "p.qva", archive);
    const HostRun run = RunHost(scratch, "load p.qva -o q.qva");
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ("qvhost: p.qva: element \"M1\": no record of parameter \"CTRL\"\n", run.err);
    EXPECT_FALSE(fs::exists(scratch / "q.qva"));
}

// The archive of a transition whose condition is shown on the sheet, byte for byte: the
// element record of schema 4 keeps each parameter's on-sheet mode after its value ID, schema 5
// its info text after that, schema 6 the element's kind after its base ("" for the first one of
// its ID). Records of schemas 3 to 5, written before, have some of these not and still load:
// their parameters keep the modes and texts they are made with.
TEST(QvhostOutputs, TheArchiveKeepsEachParametersOnSheetMode) {
    const auto text = ArchiveText;
    const auto word = ArchiveWord;
    const auto dword = ArchiveDword;
    const auto archive = [&](unsigned schema) {
        const std::string mode = schema >= 4 ? std::string("\x03", 1) : "";
        const std::string prioMode = schema >= 4 ? std::string("\x00", 1) : "";
        const std::string info = schema >= 5 ? text("Logical expression or value") : "";
        const std::string prioInfo = schema >= 5 ? text("Priority, 1 = highest") : "";
        const std::string kind = schema >= 6 ? text("") : "";
        return text("Quorvatix schematic wizard data") + word(1) + text("D") + dword(1) +
               // the record's class, then wizard ID, base, kind, name, "Show Name", symbol variant
               word(0xFFFF) + word(schema) + word(23) + "CSchematicElementRecord" + dword(44) + '\x03' + kind +
               text("T1") + dword(0) + '\x00' +
               // name, value, used unit, type, extended type, template, value ID, on-sheet mode, info
               dword(2) + text("PRIO") + text("1") + text("") + dword(4) + dword(0) + text("") + word(2188) + prioMode +
               prioInfo + text("COND") + text("0") + text("") + dword(4) + dword(0) + text("") + word(2223) + mode +
               info +
               // no outputs; no additional data of the older-base wizard
               dword(0) + dword(0);
    };
    Scratch scratch;
    WriteFile(scratch / "s.json",
              R"({"document": "D", "elements": [{"id": 44, "name": "T1", "parameters": {"COND": {"on_sheet": 3}}}]})");
    const HostRun save = RunHost(scratch, "save s.json -o a.qva");
    ASSERT_EQ(0, save.exitCode) << save.err;
    EXPECT_EQ(archive(6), ReadFile(scratch / "a.qva"));
    WriteFile(scratch / "print.txt", "print\n");
    struct Case {
        unsigned schema;
        bool shown;   // "Show Condition" ticked on the loaded element's page
    } cases[] = {{6, true}, {5, true}, {4, true}, {3, false}};
    for (const Case& c : cases) {
        WriteFile(scratch / "old.qva", archive(c.schema));
        const HostRun load = RunHost(scratch, "load old.qva");
        ASSERT_EQ(0, load.exitCode) << c.schema << ": " << load.err;
        EXPECT_EQ(c.shown, load.out.find("\"on_sheet\": 3") != std::string::npos) << load.out;
        WriteFile(scratch / "l.json", load.out);
        const HostRun page = RunHost(scratch, "edit l.json --element T1 --script print.txt");
        EXPECT_EQ(c.shown, page.out.find("2224 Button checked") != std::string::npos) << page.out;
    }
}

// The archive of a voltmeter, byte for byte: the record names the catalogue element that its
// wizard ID alone does not name, and loads as that element again. A record of an earlier schema
// holds the ID's first element (the position meter, which has no "V"); a kind that the
// catalogue does not hold under the ID is refused.
TEST(QvhostOutputs, TheArchiveRecordsTheCatalogueElementOfItsKind) {
    const auto archive = [](unsigned schema, const std::string& kind) {
        return ArchiveText("Quorvatix schematic wizard data") + ArchiveWord(1) + ArchiveText("D") + ArchiveDword(1) +
               ArchiveWord(0xFFFF) + ArchiveWord(schema) + ArchiveWord(23) + "CSchematicElementRecord" + ArchiveDword(6) +
               '\x03' + (schema >= 6 ? ArchiveText(kind) : "") + ArchiveText("VM1") + ArchiveDword(0) + '\x00' +
               // V and PSI as the catalogue makes them; the result output of V
               ArchiveDword(2) + ArchiveText("V") + ArchiveText("") + ArchiveText("V") + ArchiveDword(8) + ArchiveDword(0) +
               ArchiveText("") + ArchiveWord(2074) + '\x00' + ArchiveText("Measured voltage") + ArchiveText("PSI") +
               ArchiveText("") + ArchiveText("Vs") + ArchiveDword(8) + ArchiveDword(0) + ArchiveText("") +
               ArchiveWord(2076) + '\x00' + ArchiveText("Integral of the voltage") + ArchiveDword(1) + ArchiveText("V") +
               ArchiveDword(0);
    };
    Scratch scratch;
    WriteFile(scratch / "s.json", R"({"document": "D", "elements": [{"id": 6, "kind": "Voltmeter", "name": "VM1",
        "outputs": ["V"]}]})");
    const HostRun save = RunHost(scratch, "save s.json -o a.qva");
    ASSERT_EQ(0, save.exitCode) << save.err;
    EXPECT_EQ(archive(6, "Voltmeter"), ReadFile(scratch / "a.qva"));
    struct Case {
        unsigned schema;
        std::string kind;
        const char* printed;   // the start of the element as `load` prints it, or the refusal
    } cases[] = {
        {6, "Voltmeter", "\"id\": 6,\n      \"kind\": \"Voltmeter\",\n      \"name\": \"VM1\",\n"},
        {5, "", "qvhost: old.qva: element \"VM1\": no parameter \"V\"\n"},
        {6, "Ammeter", "qvhost: old.qva: element \"VM1\": the catalogue's \"Ammeter\" has wizard ID 5, not 6\n"},
    };
    for (const Case& c : cases) {
        WriteFile(scratch / "old.qva", archive(c.schema, c.kind));
        const HostRun load = RunHost(scratch, "load old.qva");
        EXPECT_NE(std::string::npos, (load.out + load.err).find(c.printed)) << c.schema << ": " << load.out << load.err;
        EXPECT_EQ(c.printed[0] == 'q' ? 2 : 0, load.exitCode);
    }
    WriteFile(scratch / "print.txt", "print\n");
    WriteFile(scratch / "l.json", RunHost(scratch, "load a.qva").out);
    EXPECT_NE(std::string::npos, RunHost(scratch, "edit l.json --element VM1 --script print.txt").out.find(
                                     "2074 Button checked \"Voltage [V]\"\n2076 Button \"Flux Linkage [Vs]\"\n"));
}

// Every shipped example, as `edit -o` prints it after a look at its first element's pages
// (cancelled), describes exactly as the example does: the wizards' own data, the flags they
// set and the parameters they created all come back.
TEST(QvhostOutputs, AnEditedExampleDescribesAsTheExample) {
    ForEachExample([](const fs::path& example, const Scratch& scratch, const std::string& schematic) {
        const std::string original = Describe(scratch, "original", schematic);
        const size_t at = schematic.find("\"name\": \"");
        ASSERT_NE(std::string::npos, at) << example;
        const std::string first = schematic.substr(at + 9, schematic.find('"', at + 9) - at - 9);
        WriteFile(scratch / "original" / "cancel.txt", "cancel\n");
        const HostRun edit =
            RunHost(scratch, "edit original/s.json --element " + Quote(first) + " --script original/cancel.txt -o e.json");
        ASSERT_EQ(0, edit.exitCode) << example << ": " << edit.err;
        const std::string edited = ReadFile(scratch / "e.json");
        EXPECT_EQ(original, Describe(scratch, "original", edited)) << example;
        EXPECT_EQ(std::string::npos, original.find("@PARAMLIST")) << example << ": the list is filled\n" << original;
    });
}

TEST(QvhostOutputs, WizardDataThatIsNotTheWizardsIsRefusedNamingTheElement) {
    struct Case {
        const char* what;
        std::string element;
        const char* message;
    } cases[] = {
        {"a block too short for the wizard", R"({"id": 36, "name": "SAW1", "wizard_data": "01"})",
         "element \"SAW1\": its wizard data is damaged"},
        {"odd digits", R"({"id": 36, "name": "SAW1", "wizard_data": "010"})", "element \"SAW1\" \"wizard_data\""},
        {"a member of no family", R"({"id": 33, "name": "G1", "parameters": {"X[0]": "1"}})",
         "element \"G1\" has no parameter \"X[0]\""},
        {"a member without an index", R"({"id": 33, "name": "G1", "parameters": {"Q[]": "1"}})",
         "element \"G1\" has no parameter \"Q[]\""},
        {"a member of a parameter that is no template", R"({"id": 33, "name": "G1", "parameters": {"N[0]": "1"}})",
         "has no parameter \"N[0]\""},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        WriteFile(scratch / "s.json", R"({"document": "D", "elements": [)" + c.element + "]}");
        const HostRun run = RunHost(scratch, "describe s.json -o o.desc");
        EXPECT_EQ(2, run.exitCode) << c.what;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << c.what << ": " << run.err;
        EXPECT_EQ(std::set<std::string>{"s.json"}, scratch.Files()) << c.what;
    }
}

// A characteristic entered with the `characteristic` field gives what the same entries typed
// through the pages give: on a page that picks its form from a list, and on one that always
// uses its characteristic.
TEST(QvhostOutputs, TheCharacteristicFieldWorksWithoutFormRadios) {
    const std::string table = R"("points": [[-1, -0.5], [0, 0], [1, 0.5]])";
    const std::string rows =
        R"("click 2114", "click 2397", "click 1124", "click 1122", "cell 2121 0 1 -1", "cell 2121 0 2 -0.5",
           "click 1122", "cell 2121 1 1 0", "cell 2121 1 2 0", "click 1122", "cell 2121 2 1 1", "cell 2121 2 2 0.5")";
    struct Case {
        const char* what;
        const char* element;
        std::string byField;
        std::string byScript;
    } cases[] = {
        {"controlled source", "I1",
         R"({"id": 2, "name": "I1", "parameters": {"QUANT": "R1"}, "characteristic": {"kind": "data-pairs", )" + table + "}}",
         R"({"id": 2, "name": "I1", "parameters": {"QUANT": "R1"}, "script": ["choose 2005 \"Nonlinear Voltage Controlled\"",
             "sheet ok {", )" + rows + R"(, "}", "click 2016", "ok"]})"},
        {"nonlinear transformer", "TR1",
         R"({"id": 112, "name": "TR1", "characteristic": {"kind": "data-pairs", )" + table + "}}",
         R"({"id": 112, "name": "TR1", "script": ["sheet ok {", )" + rows + R"(, "}", "click 2016", "ok"]})"},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        const std::string resistor = R"({"id": 15, "name": "R1"}, )";
        const std::string byField = Describe(scratch, "field", R"({"document": "D", "elements": [)" + resistor + c.byField + "]}");
        const std::string byScript = Describe(scratch, "script", R"({"document": "D", "elements": [)" + resistor + c.byScript + "]}");
        EXPECT_FALSE(byField.empty()) << c.what;
        EXPECT_EQ(byScript, byField) << c.what;
        const std::string dataFile = std::string("D__") + c.element + ".mdx";
        EXPECT_EQ(ReadFile(scratch / "script" / dataFile), ReadFile(scratch / "field" / dataFile)) << c.what;
    }
}

// A description that fails at a later element takes back the data files the earlier elements'
// wizards wrote in this run; a file of that name that was there before stays.
TEST(QvhostOutputs, AFailedDescribeRemovesTheDataFilesItAdded) {
    std::string schematic = ReadFile(PARVEL_SOURCE_DIR "/examples/generator_sources.json");
    const size_t end = schematic.rfind(']');
    ASSERT_NE(std::string::npos, end);
    schematic.insert(end, R"(, {"id": 15, "name": "RBAD", "parameters": {"R": ""}})");
    Scratch made;
    WriteFile(made / "s.json", ReadFile(PARVEL_SOURCE_DIR "/examples/generator_sources.json"));
    ASSERT_EQ(0, RunHost(made, "describe s.json -o o.desc").exitCode);
    std::set<std::string> dataFiles = made.Files();
    dataFiles.erase("s.json");
    dataFiles.erase("o.desc");
    ASSERT_FALSE(dataFiles.empty()) << "the example writes data files";
    struct Case {
        const char* what;
        bool there;
    } cases[] = {{"no file there before", false}, {"the files there before", true}};
    for (const Case& c : cases) {
        Scratch scratch;
        WriteFile(scratch / "s.json", schematic);
        std::set<std::string> expected = {"s.json"};
        // A file there before is one the element wrote in an earlier run: it keeps what it held.
        for (const std::string& name : dataFiles) {
            if (!c.there) continue;
            WriteFile(scratch / name, ReadFile(made / name));
            expected.insert(name);
        }
        const HostRun run = RunHost(scratch, "describe s.json -o o.desc");
        EXPECT_EQ(2, run.exitCode) << c.what;
        EXPECT_NE(std::string::npos, run.err.find("element \"RBAD\"")) << run.err;
        EXPECT_EQ(expected, scratch.Files()) << c.what;
        for (const std::string& name : dataFiles) {
            if (!c.there) continue;
            EXPECT_EQ(ReadFile(made / name), ReadFile(scratch / name)) << name;
        }
    }
}

// An edited element describes alike however it travels: as made, after two rounds of `edit -o`,
// and after save and load (the printed schematic on standard output, nothing else there).
TEST(QvhostOutputs, EditedElementsSurviveEveryHostPath) {
    struct Case {
        const char* what;
        std::string name;
        std::string element;   // one element of a schematic
        const char* expected;  // the start of its description
    } cases[] = {
        {"second form's pin", "LP", R"({"id": 18, "name": "LP", "characteristic": {"kind": "pin", "form": 2}})",
         "LINL LP ( I0 := 0, CH := LP.CH );"},
        {"page-made equation and variable", "EQ1",
         R"({"id": 79, "name": "EQ1", "script": ["click 2285", "cell 2279 1 0 \"y := INPUT[1]^2\"", "ok"]})",
         "EQBLOCK EQ1 ( INPUT[1] := 0 ) { VAL[1] := INPUT[1];\n\ny := INPUT[1]^2; }"},
        {"parameter order", "S1", R"({"id": 58, "name": "S1", "script": ["click 1122", "cell 2132 2 4 c", "cell 2132 1 4 b",
         "row 2132 2", "click 1125", "ok"]})", "SUM S1 ( INPUT[0] := 0,INPUT[2] := c,INPUT[1] := b,TS := 0 );"},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        WriteFile(scratch / "s.json", R"({"document": "D", "elements": [)" + c.element + "]}");
        WriteFile(scratch / "none.txt", "\n");
        ASSERT_EQ(0, RunHost(scratch, "describe s.json -o 0.desc").exitCode) << c.what;
        ASSERT_EQ(0, RunHost(scratch, "edit s.json --element " + c.name + " --script none.txt -o e1.json").exitCode) << c.what;
        ASSERT_EQ(0, RunHost(scratch, "edit e1.json --element " + c.name + " --script none.txt -o e2.json").exitCode) << c.what;
        ASSERT_EQ(0, RunHost(scratch, "save s.json -o a.qva").exitCode) << c.what;
        const HostRun load = RunHost(scratch, "load a.qva -o b.qva");
        ASSERT_EQ(0, load.exitCode) << c.what << ": " << load.err;
        WriteFile(scratch / "l.json", load.out);
        const std::string made = ReadFile(scratch / "0.desc");
        EXPECT_EQ(0u, made.find(c.expected)) << c.what << ": " << made;
        for (const char* schematic : {"e1.json", "e2.json", "l.json"}) {
            const HostRun run = RunHost(scratch, std::string("describe ") + schematic + " -o x.desc");
            EXPECT_EQ(0, run.exitCode) << c.what << " " << schematic << ": " << run.err;
            EXPECT_EQ(made, ReadFile(scratch / "x.desc")) << c.what << " " << schematic;
        }
    }
}

// What a page sets comes back from the printed schematic and from the archive as it stands:
// an equation of two lines (entered in the calculation dialog), a transition's "Show
// Condition", and the on-sheet mode that the initial-values and equation pages carry over from
// an expression of the older form to its new row. `edit -o` twice and `load` print the same
// bytes, and each prints a schematic that describes as the element did.
TEST(QvhostOutputs, WhatAPageSetsIsPrintedAndSavedAsItStands) {
    // Wizard data that asks the page to rewrite expressions of the older form.
    const std::string convert = R"("wizard_data": "0000000000000100000000000000")";
    struct Case {
        const char* what;
        std::string name;
        std::string element;
        const char* printed;   // in the printed schematic
        const char* shown;     // on the reopened page ("" for nothing to look at)
        const char* expected;  // the start of its description
    } cases[] = {
        {"equation of two lines", "EQ1",
         R"({"id": 79, "name": "EQ1", "script": ["dialog 30001 ok {", "type 30002 \"VAL[1] := 1\\nb := 2\"", "}",
             "row 2279 0 double", "ok"]})",
         R"("EQU[1]": "VAL[1] := 1\nb := 2")", "", "EQBLOCK EQ1 ( INPUT[1] := 0 ) { VAL[1] := 1\nb := 2;\n }"},
        {"Show Condition", "T1", R"({"id": 44, "name": "T1", "script": ["type 2223 \"X > 0\"", "click 2224", "ok"]})",
         R"("on_sheet": 3)", "2224 Button checked \"Show Condition\"", ""},
        {"initial value of the older form", "IV1",
         R"({"id": 80, "name": "IV1", "parameters": {"IVA[1]": {"value": "x := 1", "on_sheet": 2}}, )" + convert +
             R"(, "script": ["ok"]})",
         R"("template": "IVA",
          "value": "x := 1",
          "on_sheet": 3)", "", "INITVAL IV1 { x := 1 ; };"},
        {"expression of the older form", "F1",
         R"({"id": 81, "name": "F1", "parameters": {"FA[1]": {"value": "y := 2", "on_sheet": 7}}, )" + convert +
             R"(, "script": ["ok"]})",
         R"("template": "FA",
          "value": "y := 2",
          "on_sheet": 8)", "", "FORMULA F1 { y := 2 ;"},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        WriteFile(scratch / "s.json", R"({"document": "D", "elements": [)" + c.element + "]}");
        WriteFile(scratch / "none.txt", "\n");
        WriteFile(scratch / "print.txt", "print\n");
        ASSERT_EQ(0, RunHost(scratch, "describe s.json -o 0.desc").exitCode) << c.what;
        const std::string made = ReadFile(scratch / "0.desc");
        EXPECT_EQ(0u, made.find(c.expected)) << c.what << ": " << made;
        ASSERT_EQ(0, RunHost(scratch, "edit s.json --element " + c.name + " --script none.txt -o e1.json").exitCode) << c.what;
        const HostRun second = RunHost(scratch, "edit e1.json --element " + c.name + " --script none.txt -o e2.json");
        ASSERT_EQ(0, second.exitCode) << c.what << ": " << second.err;
        ASSERT_EQ(0, RunHost(scratch, "save s.json -o a.qva").exitCode) << c.what;
        const HostRun load = RunHost(scratch, "load a.qva -o b.qva");
        ASSERT_EQ(0, load.exitCode) << c.what << ": " << load.err;
        WriteFile(scratch / "l.json", load.out);
        const std::string printed = ReadFile(scratch / "e1.json");
        EXPECT_NE(std::string::npos, printed.find(c.printed)) << c.what << ": " << printed;
        EXPECT_EQ(printed, ReadFile(scratch / "e2.json")) << c.what;
        EXPECT_EQ(printed, load.out) << c.what;
        EXPECT_EQ(ReadFile(scratch / "a.qva"), ReadFile(scratch / "b.qva")) << c.what;
        for (const char* schematic : {"e1.json", "e2.json", "l.json"}) {
            const HostRun run = RunHost(scratch, std::string("describe ") + schematic + " -o x.desc");
            EXPECT_EQ(0, run.exitCode) << c.what << " " << schematic << ": " << run.err;
            EXPECT_EQ(made, ReadFile(scratch / "x.desc")) << c.what << " " << schematic;
            if (*c.shown == '\0') continue;
            const HostRun page = RunHost(scratch, std::string("edit ") + schematic + " --element " + c.name + " --script print.txt");
            EXPECT_NE(std::string::npos, page.out.find(c.shown)) << c.what << " " << schematic << ": " << page.out;
        }
    }
}

// Line breaks stand only in values that the catalogue lets hold several lines: elsewhere the
// line would be one of its own in the description.
TEST(QvhostOutputs, LineBreaksOnlyWhereAParameterHoldsSeveralLines) {
    struct Case {
        const char* element;
        const char* message;   // "" when it describes
    } cases[] = {
        {R"({"id": 15, "name": "R1", "parameters": {"R": "1k\n);\nEVIL ( X := 1"}})",
         "element \"R1\" parameter \"R\" holds a control character (U+000A)"},
        {R"({"id": 79, "name": "EQ1", "parameters": {"INPUT[1]": "W\r"}})",
         "element \"EQ1\" parameter \"INPUT[1]\" holds a control character (U+000D)"},
        {R"({"id": 80, "name": "IV1", "page_parameters": [{"name": "x", "template": "VAR", "value": "0\n1"}]})",
         "element \"IV1\" parameter \"x\" holds a control character (U+000A)"},
        {R"({"id": 79, "name": "EQ1", "parameters": {"EQU[1]": "VAL[1] := 1\r\nb := 2"}})", ""},
        {R"({"id": 81, "name": "F1", "page_parameters": [{"name": "FB", "template": "FB", "value": "y := 1\nz := 2"}]})", ""},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        WriteFile(scratch / "s.json", R"({"document": "D", "elements": [)" + std::string(c.element) + "]}");
        for (const char* command : {"describe s.json -o o.desc", "save s.json -o a.qva"}) {
            const HostRun run = RunHost(scratch, command);
            EXPECT_EQ(*c.message == '\0' ? 0 : 2, run.exitCode) << c.element << " " << command << ": " << run.err;
            EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
        }
        if (*c.message != '\0') {
            EXPECT_EQ(std::set<std::string>{"s.json"}, scratch.Files()) << c.element;
        }
    }
}

// The points of a table of data pairs keep every bit through every host path: the printed
// schematics of `edit -o` and `load` describe to the same data file, digit for digit, and what
// `save` writes `load` reads, the extremes of the doubles and negative zero included.
TEST(QvhostOutputs, NumbersKeepEveryDigitThroughEveryHostPath) {
    struct Case {
        const char* what;
        const char* points;
    } cases[] = {
        {"17 significant digits", "[-1.2345678901234567, 0.30000000000000004], [0.1, 0.3333333333333333]"},
        {"extremes", "[-1.7976931348623157e308, -0.0], [-2.2250738585072014e-308, 5e-324], [-0.0, 2.225073858507201e-308], "
                     "[5e-324, 1.7976931348623157e308], [2.225073858507201e-308, -1.7976931348623157e308], "
                     "[2.2250738585072014e-308, -5e-324], [1.7976931348623157e308, 1e-4]"},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        WriteFile(scratch / "s.json", DataPairs("RNL1", c.points));
        WriteFile(scratch / "none.txt", "\n");
        ASSERT_EQ(0, RunHost(scratch, "describe s.json -o 0.desc").exitCode) << c.what;
        const std::string table = ReadFile(scratch / "D__RNL1.mdx");
        ASSERT_EQ(0, RunHost(scratch, "edit s.json --element RNL1 --script none.txt -o e.json").exitCode) << c.what;
        ASSERT_EQ(0, RunHost(scratch, "save s.json -o a.qva").exitCode) << c.what;
        const HostRun load = RunHost(scratch, "load a.qva -o b.qva");
        ASSERT_EQ(0, load.exitCode) << c.what << ": " << load.err;
        WriteFile(scratch / "l.json", load.out);
        EXPECT_EQ(load.out, RunHost(scratch, "load b.qva").out) << c.what;
        for (const char* schematic : {"e.json", "l.json"}) {
            fs::remove(scratch / "D__RNL1.mdx");
            const HostRun run = RunHost(scratch, std::string("describe ") + schematic + " -o x.desc");
            EXPECT_EQ(0, run.exitCode) << c.what << " " << schematic << ": " << run.err;
            EXPECT_EQ(ReadFile(scratch / "0.desc"), ReadFile(scratch / "x.desc")) << c.what << " " << schematic;
            EXPECT_EQ(table, ReadFile(scratch / "D__RNL1.mdx")) << c.what << " " << schematic;
        }
    }
}

// The wizard data of a dead time whose page had one row of initial values, Y0[0], in the
// "Separate" mode, as `edit -o` prints it.
#define QV_DEAD_TIME_ONE_ROW                                                                                         \
    "0000010000000000000004000000ffff0a00120043436f70614f626a656374436f6d706172650a00000005494e50555404000000" \
    "0000000001800a000000025453040000000000000001800a000000024e48040000000000000001800a0000000559305b305d04"   \
    "00000000000000"

// The wizard data of a nonlinear resistor RA whose table is a file reference, as `edit -o`
// prints it; the variable is the parameter CH_STRG's, which the schematic may leave blank.
#define QV_RESISTOR_FILE_REFERENCE                                                                            \
    "000001400000010000000576205b565d0569205b415d0000ffff0a001a004350726f70436861726163746572697374696358" \
    "595461626c650a000000010000000009445f5f52412e6d6478000000000000000000000000015601000000ffff0a00120043" \
    "436f70614f626a656374436f6d706172650a000000034043480400000000000000"

// The wizard data of a sine source V1 as `edit -o` prints it, with the time-function kind 99,
// which no entry of the page's list has.
#define QV_SINE_SOURCE_KIND_99                                                                                   \
    "000000000000010063000000000000000000000000010000000a000000ffff0a00120043436f70614f626a656374436f6d706172" \
    "650a0000000446524551040000000000000001800a0000000654504552494f040000000000000001800a00000004414d504c0400" \
    "00000000000001800a000000055048415345040000000000000001800a00000005504552494f040000000000000001800a000000" \
    "034f4646040000000000000001800a000000065444454c4159040000000000000001800a00000003535043040000000000000001" \
    "800a0000000841435f5048415345040000000000000001800a0000000641435f4d4147040000000000000000000000"

// The wizard data of the 3D table LUT1 of the examples, with the second block's x of 0.5 made
// 2.5: the points form no grid.
#define QV_LOOKUP3D_NO_GRID                                                                                      \
    "000000000000000000015600034f686d01000000000000000100000006000000ffff0a000c0043334444617461506f696e740a00" \
    "000000000000000000000000000000002440000000000000000001800a000000000000000000e03f000000000000244000000000" \
    "0000f03f01800a000000000000000000f03f0000000000002440000000000000104001800a000000000000000000000000000000" \
    "00003440000000000000004001800a00000000000000000004400000000000003440000000000000084001800a00000000000000" \
    "0000f03f00000000000034400000000000002040ffff0a000d0043446c675377656570446174610a000000013003302e35013302" \
    "800a0000000231300231300132"

// The wizard data of a dead time DT1 whose initial values are a file reference, as `edit -o`
// prints it.
#define QV_DEAD_TIME_FILE_REFERENCE                                                                          \
    "0000004000000000000003000000ffff0a00120043436f70614f626a656374436f6d706172650a00000005494e5055540400" \
    "00000000000001800a000000025453040000000000000001800a000000054046494c450400100000000200"

// The wizard data of a polynomial source P3 switched to a current source and never opened:
// its list holds the AC phase and magnitude.
#define QV_POLYNOMIAL_CURRENT_SOURCE \
    "00000000000000000100000002000000ffff0a00120043436f70614f626a656374436f6d706172650a0000000841435f5048415345040000000000000001800a0000000641435f4d41470400000000000000"

// Texts that came out plainly wrong: the capacitor's keyword from its name, the AC magnitude in
// the AC parameter's unit; values that are no finite number and empty list entries are refused.
TEST(QvhostOutputs, ModelTextsSayWhatTheElementIs) {
    struct Case {
        const char* element;
        int exitCode;
        const char* text;   // the description, or the start of the message
    } cases[] = {
        {R"({"id": 17, "name": "C10"})", 0, "C C10 ( C := 1u, V0 := 0 );\n"},
        {R"({"id": 64, "name": "NP1"})", 0,
         "NPOINT NP1 ( N := 2, THRES[0] := -1, THRES[1] := 1, AMPL[0] := -1, AMPL[1] := 0, AMPL[2] := 1, TS := 0, IN := 0 );\n"},
        {R"({"id": 17, "name": "CAB1", "parameters": {"C": "10u"}})", 0, "C CAB1 ( C := 10u, V0 := 0 );\n"},
        {R"({"id": 3, "name": "V1", "parameters": {"EMF": {"value": "2", "unit": "kV"}}, "script": ["click 2520", "ok"]})", 0,
         "E V1 ( EMF := 2000, PARTDERIV := 0, SPC := 0, AC_PHASE := 0, AC_MAG := 2000 );\n"},
        {R"({"id": 15, "name": "R1", "parameters": {"R": {"value": "1e306", "unit": "kOhm"}}})", 2,
         "qvhost: element \"R1\": parameter \"R\" is no finite number in its unit"},
        {R"({"id": 18, "name": "L1", "parameters": {"L": {"value": "1e999", "unit": "mH"}}})", 2,
         "qvhost: element \"L1\": parameter \"L\" is no finite number in its unit"},
        // A prefix that takes the number beyond a double; a unit that brings it back.
        {R"({"id": 15, "name": "R1", "parameters": {"R": "1e306k"}})", 2,
         "qvhost: element \"R1\": parameter \"R\" is no finite number in its unit"},
        {R"({"id": 15, "name": "R1", "parameters": {"R": "1e300T"}})", 2,
         "qvhost: element \"R1\": parameter \"R\" is no finite number in its unit"},
        {R"({"id": 15, "name": "R1", "parameters": {"R": {"value": "1e308k", "unit": "mOhm"}}})", 0, "R R1 ( R := 1e+308 );\n"},
        {R"({"id": 15, "name": "R1", "parameters": {"R": "1, "}})", 2,
         "qvhost: element \"R1\": parameter \"R\": its value \"1, \" would make more than one entry of the model text (a "
         "\",\" stands outside parentheses)\n"},
        {R"({"id": 79, "name": "EQ1", "script": ["cell 2279 0 0 \"VAL[1] := 2*(INPUT[1]\"", "ok"]})", 2,
         "qvhost: element \"EQ1\": unexpected message box \"Invalid value!\""},
        {R"({"id": 79, "name": "EQ1", "script": ["cell 2279 0 0 \"VAL[1] := ;;\"", "ok"]})", 2,
         "qvhost: element \"EQ1\": unexpected message box \"Invalid value!\""},
        // A block never opened counts the outputs it has, as one opened and applied does.
        {R"({"id": 79, "name": "EQ1"})", 0, "EQBLOCK EQ1 ( INPUT[1] := 0 ) { VAL[1] := INPUT[1];\n } ( MAXINDEX := 1 );\n"},
        // The dead time's wizard data lists an initial value that its parameters lack: no
        // template's value stands in for it.
        {R"({"id": 82, "name": "DT1", "parameters": {"Y0[0]": "3"}, "wizard_data": ")" QV_DEAD_TIME_ONE_ROW R"("})", 0,
         "DEADTIME DT1 ( INPUT := 0, TS := 1m, NH := 1, Y0[0] := 3 );\n"},
        {R"({"id": 82, "name": "DT1", "wizard_data": ")" QV_DEAD_TIME_ONE_ROW R"("})", 2,
         "qvhost: element \"DT1\": its model text keeps \"@Y0[0]\", which names no parameter of the element: DEADTIME DT1 ( "
         "INPUT := 0, TS := 1m, NH := 1, Y0[0] := @Y0[0] );\n"},
        // A data file's name is the user's, "@" and all.
        {R"({"id": 15, "name": "RA", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]], "file": "run@Q.mdx"}})",
         0, "RNL RA ( CH := XY_RA_CH.VAL );\nINTERN\tXY XY_RA_CH( FILE := \"run@Q.mdx\" );\n"},
        // Nor is a parameter's name in it replaced by the parameter's value.
        {R"({"id": 15, "name": "RA", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]], "file": "run@R.mdx"}})",
         0, "RNL RA ( CH := XY_RA_CH.VAL );\nINTERN\tXY XY_RA_CH( FILE := \"run@R.mdx\" );\n"},
        // A reference mode with no reference named: the page's OK refuses the blank field, as
        // the characteristic sheet's does for a file reference given without a name.
        {R"({"id": 78, "name": "L3", "parameters": {"IN": "x"}, "script": ["click 2293", "ok"]})", 2,
         "qvhost: element \"L3\": unexpected message box \"Invalid value!\""},
        {R"({"id": 43, "name": "DP1", "script": ["click 2293", "ok"]})", 2,
         "qvhost: element \"DP1\": unexpected message box \"Invalid value!\""},
        {R"({"id": 82, "name": "DT1", "script": ["click 2293", "ok"]})", 2,
         "qvhost: element \"DT1\": unexpected message box \"Invalid value!\""},
        {R"({"id": 15, "name": "RA", "characteristic": {"kind": "file-reference", "variable": ""}})", 2,
         "qvhost: element \"RA\": unexpected message box \"Invalid value!\""},
        {R"({"id": 15, "name": "RA", "characteristic": {"kind": "file-reference", "variable": "v"}})", 0,
         "RNL RA ( CH := XY_RA_CH.VAL );\nINTERN\tXY XY_RA_CH( FILE := v );\n"},
        // What the pages' OK rules pass over and what they refuse, before describe would: a blank
        // value of a parameter on a pin or marked unused passes; a reference of blanks, a file
        // reference's blank variable and an equation row with a number that is not finite are
        // refused; a table of one point is no empty table.
        {R"({"id": 71, "name": "MT1", "parameters": {"K": {"value": "", "pin": true}}})", 0,
         "MAXT MT1 ( Y0 := 0, K := MT1.K, TS := 0, IN := 0 );\n"},
        {R"({"id": 20, "name": "TW1", "parameters": {"I01": {"value": "", "ext_type": "0x20000"}}})", 0,
         "TRANSF TW1 ( L1 := 1m, L2 := 1m, I02 := 0, K := 0.99);\n"},
        {R"({"id": 15, "name": "RA", "parameters": {"CH": "  "}, "script": ["click 2088", "ok"]})", 2,
         "qvhost: element \"RA\": unexpected message box \"Invalid value!\""},
        {R"({"id": 112, "name": "TR1", "parameters": {"CH": "  "}, "script": ["ok"]})", 2,
         "qvhost: element \"TR1\": unexpected message box \"Invalid value!\""},
        {R"({"id": 15, "name": "RA", "parameters": {"CH_STRG": ""}, "wizard_data": ")" QV_RESISTOR_FILE_REFERENCE R"(", )"
         R"("script": ["ok"]})", 2, "qvhost: element \"RA\": unexpected message box \"Invalid value!\""},
        {R"({"id": 79, "name": "EQ1", "script": ["cell 2279 0 0 \"VAL[1] := 1/0\"", "ok"]})", 2,
         "qvhost: element \"EQ1\": unexpected message box \"Invalid value!\""},
        {R"({"id": 15, "name": "RA", "characteristic": {"kind": "data-pairs", "points": [[0, 1]]}})", 0,
         "RNL RA ( CH := XY_RA_CH.VAL );\nINTERN\tXY XY_RA_CH( FILE := \"D__RA.mdx\" );\n"},
        {R"({"id": 112, "name": "TR1", "characteristic": {"kind": "data-pairs", "points": [[0, 1]]}})", 0,
         "TRNL TR1 ( XY_TR1_CH, LS1 := 1m, LS2 := 1m, RCU1 := 0.1, RCU2 := 0.1, RFE := 1k, KTR := 1 );\n"
         "INTERN\tXY XY_TR1_CH( FILE := \"D__TR1.mdx\" );\n"},
        // A row of an input or quantity list taken from a pin is the signal at the element's
        // pin, as any parameter on a pin: the row's own text, blank here, is not read.
        {R"({"id": 58, "name": "X1", "script": ["cell 2132 1 4 \"\"", "cell 2132 1 3 \"1\"", "ok"]})", 0,
         "SUM X1 ( INPUT[0] := 0,INPUT[1] := X1.INPUT[1],TS := 0 );\n"},
        {R"x({"id": 31, "name": "P1", "parameters": {"QUANT[0]": "V(1)"}, "script": ["cell 2172 0 2 \"\"", "cell 2172 0 1 \"1\"", "ok"]})x",
         0, "E_POLY P1 ( QUANT[0] := P1.QUANT[0],COEFF[0] := 0,COEFF[1] := 0, SPC := 0, AC_PHASE := 0, AC_MAG := 0 );\n"},
        {R"({"id": 79, "name": "EQ1", "parameters": {"INPUT[1]": {"value": "U", "pin": true}}})", 0,
         "EQBLOCK EQ1 ( INPUT[1] := EQ1.INPUT[1] ) { VAL[1] := INPUT[1];\n } ( MAXINDEX := 1 );\n"},
        // The list macros of the coupling form K and of the controlled switch name the
        // parameters of the form and of the control type.
        {R"({"id": 19, "name": "MK"})", 0, "MUTUAL MK ( L1 := L1, L2 := L2, K := 0.9);\n"},
        {R"({"id": 19, "name": "MK", "parameters": {"K": {"value": "0.5", "pin": true}}})", 0,
         "MUTUAL MK ( L1 := L1, L2 := L2, K := MK.K);\n"},
        {R"({"id": 20, "name": "TW1", "parameters": {"L1": {"value": "2", "unit": "mH"}}})", 0,
         "TRANSF TW1 ( L1 := 0.002, I01 := 0, L2 := 1m, I02 := 0, K := 0.99);\n"},
        {R"({"id": 84, "name": "S1"})", 0, "CSV S1 ( RON := 1m, ROFF := 1meg, VTH := 0.5, VHYS := 0.1, INIT := 0); DLL CSV\n"},
        {R"({"id": 84, "name": "S2", "script": ["pick 2032 1", "ok"]})", 0,
         "CSI S2 ( RON := 1m, ROFF := 1meg, ITH := 1, IHYS := 0.1, INIT := 0); DLL CSI\n"},
        // Stored wizard data is read as the page reads it when it opens, whatever the marks of
        // the parameters say, or refused as the page refuses it.
        {R"({"id": 84, "name": "S3", "parameters": {"ITH": "7"}, "wizard_data": "000001000000"})", 0,
         "CSI S3 ( RON := 1m, ROFF := 1meg, ITH := 7, IHYS := 0.1, INIT := 0); DLL CSI\n"},
        {R"({"id": 84, "name": "S4", "wizard_data": "000009000000"})", 0,
         "CSV S4 ( RON := 1m, ROFF := 1meg, VTH := 0.5, VHYS := 0.1, INIT := 0); DLL CSV\n"},
        {R"({"id": 3, "name": "V1", "wizard_data": ")" QV_SINE_SOURCE_KIND_99 R"("})", 0,
         "ESINE V1 ( FREQ := 50, TPERIO := 0.02, AMPL := 1, PHASE := 0, PERIO := 1, OFF := 0, TDELAY := 0, SPC := 0, "
         "AC_PHASE := 0, AC_MAG := 0 );\n"},
        // A source type beyond the polynomial source's list is its first entry, for the page's
        // OK as for describe.
        {R"({"id": 31, "name": "P2", "script": ["ok"], "wizard_data": "00000000000000000200000003000000ffff0a00120043436f70614f)"
         R"(626a656374436f6d706172650a00000003535043040000000000000001800a0000000841435f5048415345040000000000000001800a00)"
         R"(00000641435f4d41470400000000000000"})", 0, "E_POLY P2 ( COEFF[0] := 0, SPC := 0, AC_PHASE := 0, AC_MAG := 0 );\n"},
        // A current source's AC values are currents: given in mA they are converted, given in
        // volts they are refused once the element is complete, whether its wizard data or its
        // script makes it a current source; a voltage source refuses amperes.
        {R"({"id": 31, "name": "P3", "parameters": {"AC_MAG": {"value": "2", "unit": "mA"}}, )"
         R"("wizard_data": ")" QV_POLYNOMIAL_CURRENT_SOURCE R"("})", 0, "I_POLY P3 (  AC_PHASE := 0, AC_MAG := 0.002 );\n"},
        {R"({"id": 31, "name": "P3", "parameters": {"AC_MAG": {"value": "2", "unit": "mV"}}, )"
         R"("wizard_data": ")" QV_POLYNOMIAL_CURRENT_SOURCE R"("})", 2,
         "qvhost: element \"P3\" parameter \"AC_MAG\": \"mV\" is no unit of its quantity as the element is set up "
         "(\"Current\")\n"},
        {R"({"id": 31, "name": "P4", "parameters": {"AC_MAG": {"value": "2", "unit": "mA"}}, "script": ["pick 2147 1", "ok"]})",
         0, "I_POLY P4 ( COEFF[0] := 0, AC_PHASE := 0, AC_MAG := 0.002 );\n"},
        {R"({"id": 31, "name": "P4", "parameters": {"AC_MAG": {"value": "2", "unit": "mV"}}, "script": ["pick 2147 1", "ok"]})",
         2, "qvhost: element \"P4\" parameter \"AC_MAG\": \"mV\" is no unit of its quantity as the element is set up "
            "(\"Current\")\n"},
        {R"({"id": 31, "name": "P5", "parameters": {"AC_MAG": {"value": "2", "unit": "mA"}}})", 2,
         "qvhost: element \"P5\" parameter \"AC_MAG\": \"mA\" is no unit of its quantity as the element is set up "
         "(\"Voltage\")\n"},
        {R"({"id": 29, "name": "O2", "parameters": {"AC_MAG": {"value": "3", "unit": "kA"}}, "script": ["pick 2147 1", "ok"]})",
         0, "IVCO O2 ( UL := 10, LL := -10, AMPL := 1, PHASE := 0, AC_PHASE := 0, AC_MAG := 3000 );\n"},
        {R"({"id": 29, "name": "O3", "parameters": {"AC_RE": {"value": "-3", "unit": "uA"}, "AC_IM": {"value": "4", "unit": "uA"}}, )"
         R"("script": ["pick 2147 1", "page 1", "click 2428", "ok"]})",
         0, "IVCO O3 ( UL := 10, LL := -10, AMPL := 1, PHASE := 0, AC_PHASE := ATAN2((4e-06),(-3e-06))*(180/PI), "
            "AC_MAG := SQRT((-3e-06)^2+(4e-06)^2) );\n"},
        {R"({"id": 103, "name": "LUT1", "parameters": {"IN[1]": "U", "IN[2]": "W"}, "wizard_data": ")" QV_LOOKUP3D_NO_GRID R"("})",
         2, "qvhost: element \"LUT1\": Error : X-values aren't repeated!\n"},
        // An output the form marks unused is no output of the model, though its switch stays on.
        {R"({"id": 18, "name": "L1", "outputs": ["LV", "PSI"], "characteristic": {"kind": "pin", "form": 2}})", 0,
         "LINL L1 ( I0 := 0, CH := L1.CH );\n"},
        {R"({"id": 18, "name": "L2", "outputs": ["LV", "PSI"]})", 0, "L L2 ( L := 1m, I0 := 0 );\nSDB ( L2.LV );\nSDB ( L2.PSI );\n"},
        // A period the FFT page derives from the frequency it shows survives opening and OK; one
        // that reads as no period above 0 is refused on the field at fault.
        {R"({"id": 83, "name": "F1", "parameters": {"T0": "0.07"}})", 0,
         "FFT F1 ( FFTTYPE := 0, DELAY := 0, FC := 1000, AF := 0, WINDOW := 0, T0 := 0.07, TS := 0.0001, IN := 0 );\n"},
        {R"({"id": 83, "name": "F2", "script": ["type 2038 \"1/7e-05\"", "ok"]})", 0,
         "FFT F2 ( FFTTYPE := 0, DELAY := 0, FC := 1000, AF := 0, WINDOW := 0, T0 := 7e-05, TS := 0.0001, IN := 0 );\n"},
        {R"x({"id": 83, "name": "F3", "script": ["type 2038 \"1/(0)\"", "ok"]})x", 2,
         "qvhost: element \"F3\": unexpected message box \"Invalid value!\""},
        {R"({"id": 83, "name": "F4", "parameters": {"T0": "0", "AMPL[0]": ""}})", 2,
         "qvhost: element \"F4\": its page refuses the values given: \"Invalid value!\" (parameter \"T0\")\n"},
        // "System" given as a sample time is the system's, as chosen on the page, whether the
        // page takes it or the wizard's saved data holds it.
        {R"({"id": 32, "name": "G1", "parameters": {"TS": " system"}})", 0, "GAIN G1 ( K := 1, TS := 0, IN := 0 );\n"},
        {R"({"id": 55, "name": "C1", "parameters": {"TS": "System"}, "wizard_data": ")"
         "000000000000010004000000ffff0a00120043436f70614f626a656374436f6d706172650a00000005434f4e5354040000000000000001800a000000025453040000000000000001800a0000000841435f5048415345040000000000000001800a0000000641435f4d4147040000000000000000000000"
         R"("})", 0, "CONST C1 ( CONST := 1, TS := 0, AC_PHASE := 0, AC_MAG := 0 );\n"},
        // The dead time shows its sample time in the same list, under a value ID of its own.
        {R"({"id": 82, "name": "DT1", "parameters": {"TS": "System", "Y0[0]": "3"}, "wizard_data": ")" QV_DEAD_TIME_ONE_ROW R"("})",
         0, "DEADTIME DT1 ( INPUT := 0, TS := 0, NH := 1, Y0[0] := 3 );\n"},
        // Saved wizard data with a pin on a value the page takes from no pin (a count of
        // coefficients, a data file's name): the page would drop the pin, so it is refused.
        {R"({"id": 82, "name": "DT1", "parameters": {"FILE": {"value": "a.txt", "pin": true}, "Y0[0]": "3"}, )"
         R"("wizard_data": ")" QV_DEAD_TIME_ONE_ROW R"("})", 2,
         "qvhost: element \"DT1\" parameter \"FILE\": the value given cannot be typed on its page (the page takes it from no pin)\n"},
        {R"({"id": 34, "name": "Z1", "parameters": {"D": {"value": "2", "pin": true}}, "wizard_data": "00000a0000000000000000000000"})", 2,
         "qvhost: element \"Z1\" parameter \"D\": the value given cannot be typed on its page (the page takes it from no pin)\n"},
        {R"({"id": 31, "name": "P1", "parameters": {"ORDER": {"value": "2", "pin": true}}, "wizard_data": ")"
         "00000000000000000000000003000000ffff0a00120043436f70614f626a656374436f6d706172650a00000003535043040000000000000001800a0000000841435f5048415345040000000000000001800a0000000641435f4d41470400000000000000"
         R"("})", 2,
         "qvhost: element \"P1\" parameter \"ORDER\": the value given cannot be typed on its page (the page takes it from no pin)\n"},
        // An oscillator's upper limit below its lower one is refused, each read in its unit; a
        // limit given as a name is not compared.
        {R"({"id": 29, "name": "O1", "parameters": {"UL": "-20", "LL": "-10"}})", 2,
         "qvhost: element \"O1\": its page refuses the values given: \"Error : The Upper Limit must be greater than "
         "the Lower Limit!\""},
        {R"({"id": 29, "name": "O1", "parameters": {"UL": "-20", "LL": {"value": "-10000", "unit": "mV"}}})", 2,
         "qvhost: element \"O1\": its page refuses the values given: \"Error : The Upper Limit must be greater than "
         "the Lower Limit!\""},
        {R"({"id": 29, "name": "O1", "parameters": {"UL": {"value": "-20000", "unit": "mV"}, "LL": "-30"}})", 0,
         "EVCO O1 ( UL := -20, LL := -30, AMPL := 1, PHASE := 0, SPC := 0, AC_PHASE := 0, AC_MAG := 0 );\n"},
        {R"({"id": 29, "name": "O1", "parameters": {"UL": "UMAX", "LL": "-10"}})", 0,
         "EVCO O1 ( UL := UMAX, LL := -10, AMPL := 1, PHASE := 0, SPC := 0, AC_PHASE := 0, AC_MAG := 0 );\n"},
        {R"({"id": 42, "name": "O2", "parameters": {"VMAX": "-20", "VMIN": "-10"}})", 2,
         "qvhost: element \"O2\": its page refuses the values given: \"Error : The Upper Limit must be greater than "
         "the Lower Limit!\""},
        // Values typed that the simulator could not read.
        {R"x({"id": 15, "name": "R1", "parameters": {"R": "1/(0)"}})x", 2,
         "qvhost: element \"R1\": parameter \"R\": its value \"1/(0)\" is no finite number\n"},
        {R"x({"id": 15, "name": "R1", "parameters": {"R": "SQRT(-1)"}})x", 2,
         "qvhost: element \"R1\": parameter \"R\": its value \"SQRT(-1)\" is no finite number\n"},
        {R"({"id": 15, "name": "R1", "parameters": {"R": "2 +"}})", 2,
         "qvhost: element \"R1\": parameter \"R\": its value \"2 +\" is not read by the expression language (Operand "
         "expected)\n"},
        {R"({"id": 15, "name": "R1", "parameters": {"R": "x@y"}})", 2,
         "qvhost: element \"R1\": parameter \"R\": its value \"x@y\" holds an \"@\", which the model text reads as a "
         "placeholder\n"},
        // A value cannot add an entry or a statement of its own to the description.
        {R"({"id": 15, "name": "R1", "parameters": {"R": "1k); X Y ( Z := 1"}})", 2,
         "qvhost: element \"R1\": parameter \"R\": its value \"1k); X Y ( Z := 1\" would close the list of the model text "
         "it stands in (a \")\" too many)\n"},
        // Nor can a value the wizard writes as it stands, whatever it begins with, quoted by
        // the wizard or not.
        {R"({"id": 82, "name": "DT1", "parameters": {"INPUT": "1", "FREF": "x\"); BAD BAD2 ( Q := \"1"}, )"
         R"("wizard_data": ")" QV_DEAD_TIME_FILE_REFERENCE R"("})", 2,
         "qvhost: element \"DT1\": parameter \"FREF\": its value \"x\"); BAD BAD2 ( Q := \"1\" holds a double quote"},
        {R"({"id": 112, "name": "TN1", "characteristic": {"kind": "file-reference", "variable": "\"x\"); BAD BAD2 ( Q := 1"}})",
         2, "qvhost: element \"TN1\": parameter \"CH_STRG\": its value \"\"x\"); BAD BAD2 ( Q := 1\" holds a double quote"},
        {R"({"id": 112, "name": "TN1", "characteristic": {"kind": "file-reference", "variable": "\"q\""}})", 2,
         "qvhost: element \"TN1\": parameter \"CH_STRG\": its value \"\"q\"\" holds a double quote"},
        {R"({"id": 15, "name": "RA", "parameters": {"CH_STRG": "\"v\""}, "wizard_data": ")" QV_RESISTOR_FILE_REFERENCE R"("})",
         2, "qvhost: element \"RA\": parameter \"CH_STRG\": its value \"\"v\"\" holds a double quote"},
        // A name given in another unit is checked as typed, before the conversion's parentheses
        // would close what it leaves open; a value the wizard writes itself is one value too.
        {R"({"id": 15, "name": "R1", "parameters": {"R": {"value": "a)+(b", "unit": "kOhm"}}})", 2,
         "qvhost: element \"R1\": parameter \"R\": its value \"a)+(b\" would close the list of the model text"},
        {R"({"id": 112, "name": "TN1", "characteristic": {"kind": "file-reference", "variable": "1, X := 5"}})", 2,
         "qvhost: element \"TN1\": parameter \"CH_STRG\": its value \"1, X := 5\" would make more than one entry"},
        // One name is one thing: two results of one name, a result named as the input read.
        {R"({"id": 102, "name": "S1", "parameters": {"DYDXM": "DYDX"}})", 2,
         "qvhost: element \"S1\": parameters \"DYDX\" and \"DYDXM\" both name \"DYDX\", which the element declares"},
        {R"({"id": 102, "name": "S1", "parameters": {"Y": "V1", "DYDX": "V1"}})", 2,
         "qvhost: element \"S1\": parameters \"Y\" and \"DYDX\" both name \"V1\", which the element declares"},
        {R"({"id": 93, "name": "P1", "parameters": {"VAL_IN1": "OUT"}})", 2,
         "qvhost: element \"P1\": parameters \"VAL_IN1\" and \"OUT\" both name \"OUT\", which the element declares"},
        {R"({"id": 96, "name": "M1", "parameters": {"DEV": "D", "IAE": "D"}})", 2,
         "qvhost: element \"M1\": parameters \"DEV\" and \"IAE\" both name \"D\", which the element declares"},
        {R"({"id": 97, "name": "M1", "parameters": {"IN": "YMEAN"}})", 2,
         "qvhost: element \"M1\": parameters \"IN\" and \"OUT\" both name \"YMEAN\", which the element declares"},
        {R"({"id": 15, "name": "RA", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]], "file": "a\"b.mdx"}})",
         2, "qvhost: s.json: element \"RA\" \"characteristic\" \"file\": a data file name may hold no quotation mark and no control "
            "character\n"},
        // While the RMS text is empty the amplitude stays.
        {R"({"id": 105, "name": "T1", "script": ["click 2031", "choose 2032 Sine", "click 2204", "ok"]})", 0,
         "TSRC SINE T1 ( FREQ := 50, TPERIO := 0.02, AMPL := 1, PHASE := 0, PERIO := 1, OFF := 0, TDELAY := 0, "
         "DAMPING := 0, AC_PHASE := 0, AC_MAG := 0 );\n"},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        const HostRun run = DescribeOneElement(scratch, c.element);
        EXPECT_EQ(c.exitCode, run.exitCode) << c.element << ": " << run.err;
        if (c.exitCode == 0)
            EXPECT_EQ(c.text, ReadFile(scratch / "o.desc")) << c.element;
        else
            EXPECT_EQ(0u, run.err.find(c.text)) << c.element << ": " << run.err;
        // Every fault is one line.
        if (c.exitCode != 0) {
            EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
        }
    }
}

// Values given in a schematic reach the element as typed on its page and applied with OK:
// the values that follow from them are made, and a value the page would not keep is refused.
// An element given no values is what placing it gives.
TEST(QvhostOutputs, ValuesReachTheElementAsTypedOnItsPage) {
    static const char* const kSine100 =
        "SINE SIN1 ( AMPL := 1, FREQ := 100, TPERIO := 0.01, TDELAY := 0, PHASE := 0, OFF := 0, PERIO := 1 );\n";
    struct Case {
        const char* element;
        int exitCode;
        const char* text;   // the description, or the message
    } cases[] = {
        {R"({"id": 35, "name": "SIN1", "parameters": {"FREQ": "100"}})", 0, kSine100},
        {R"({"id": 54, "name": "DF1", "parameters": {"IN": "U"}})", 0,
         "DFILTER DF1 ( N := 3, D := 3, TS := 1m, IN := U, Q[0] := 0.13672873599731955, Q[1] := 0.03738949449484941, "
         "Q[2] := -0.09933924150247014, P[0] := 1, P[1] := -1.4530850560107218, P[2] := 0.5278640450004206 );\n"},
        {R"({"id": 54, "name": "DF1"})", 0, "DFILTER DF1 ( N := 1, D := 1, TS := 1m, IN := 0 );\n"},
        {R"({"id": 79, "name": "EQ1", "parameters": {"INPUT[1]": "W"}})", 0,
         "EQBLOCK EQ1 ( INPUT[1] := W ) { VAL[1] := INPUT[1];\n } ( MAXINDEX := 1 );\n"},
        {R"({"id": 35, "name": "SIN1", "parameters": {"FREQ": "100", "TPERIO": "0.5"}})", 2,
         "qvhost: element \"SIN1\" parameter \"TPERIO\": the value given cannot be typed on its page (the page "
         "makes it \"0.01\")\n"},
        // The same number as the page makes, spelt otherwise, is kept; another is not, also
        // when it differs beyond the digits the page writes.
        {R"({"id": 35, "name": "SIN1", "parameters": {"FREQ": "100", "TPERIO": "10m"}})", 0, kSine100},
        {R"({"id": 35, "name": "SIN1", "parameters": {"FREQ": "100", "TPERIO": "1e-2"}})", 0, kSine100},
        {R"({"id": 35, "name": "SIN1", "parameters": {"FREQ": "100", "TPERIO": "0.010"}})", 0, kSine100},
        {R"({"id": 35, "name": "SIN1", "parameters": {"FREQ": "100", "TPERIO": {"value": "0.01", "unit": "s"}}})", 0, kSine100},
        {R"({"id": 35, "name": "SIN1", "parameters": {"FREQ": "100", "TPERIO": "0.0100000001"}})", 2,
         "qvhost: element \"SIN1\" parameter \"TPERIO\": the value given cannot be typed on its page (the page "
         "makes it \"0.01\")\n"},
        // The page derives the period in the unit given, and the description writes it in seconds.
        {R"({"id": 35, "name": "SIN1", "parameters": {"FREQ": "100", "TPERIO": {"value": "10", "unit": "ms"}}})", 0, kSine100},
        {R"({"id": 64, "name": "NP1", "parameters": {"N": "-3"}})", 2,
         "qvhost: element \"NP1\": its page refuses the values given: \"Invalid value!\"\n"},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        const HostRun run = DescribeOneElement(scratch, c.element);
        EXPECT_EQ(c.exitCode, run.exitCode) << c.element << ": " << run.err;
        // A fault is one line: what the page showed as it opened is said on the element's line.
        EXPECT_EQ(c.text, c.exitCode == 0 ? ReadFile(scratch / "o.desc") : run.err) << c.element;
    }
}

// The example with one element of every catalogue family, given values and no script.
TEST(QvhostOutputs, EveryFamilyDescribesFromItsValuesAlone) {
    Scratch scratch;
    WriteFile(scratch / "s.json", ReadFile(PARVEL_SOURCE_DIR "/examples/every_family.json"));
    const HostRun run = RunHost(scratch, "describe s.json -o o.desc");
    ASSERT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/host/every_family.desc"), ReadFile(scratch / "o.desc"));
}

// `svg --preview` draws every page that has a preview: a time function's own, and a
// characteristic in its second form.
TEST(QvhostOutputs, PreviewsOfEveryPageThatDrawsOne) {
    struct Case {
        const char* element;
        const char* name;
    } cases[] = {
        {R"({"id": 39, "name": "TRA1"})", "TRA1"},
        {R"({"id": 17, "name": "CVNL1", "characteristic": {"kind": "data-pairs", "form": 2, "points": [[0, 1], [1, 2]]}})",
         "CVNL1"},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        WriteFile(scratch / "s.json", R"({"document": "D", "elements": [)" + std::string(c.element) + "]}");
        const HostRun run = RunHost(scratch, std::string("svg s.json --element ") + c.name + " --preview -o p.svg");
        EXPECT_EQ(0, run.exitCode) << c.name << ": " << run.err;
        EXPECT_EQ("", run.out) << c.name;
        EXPECT_NE(std::string::npos, ReadFile(scratch / "p.svg").find("<polyline")) << c.name;
    }
}

// The symbol's variant (a sine source's) travels through the printed schematics too.
TEST(QvhostOutputs, TheSymbolVariantTravels) {
    Scratch scratch;
    WriteFile(scratch / "s.json", ReadFile(PARVEL_SOURCE_DIR "/examples/linear_sources.json"));
    WriteFile(scratch / "none.txt", "\n");
    ASSERT_EQ(0, RunHost(scratch, "save s.json -o a.qva").exitCode);
    const HostRun load = RunHost(scratch, "load a.qva");
    ASSERT_EQ(0, load.exitCode) << load.err;
    WriteFile(scratch / "l.json", load.out);
    ASSERT_EQ(0, RunHost(scratch, "edit s.json --element V2 --script none.txt -o e.json").exitCode);
    for (const char* schematic : {"s.json", "l.json", "e.json"}) {
        const HostRun run = RunHost(scratch, std::string("svg ") + schematic + " --element V2 --symbol -o " + schematic + ".svg");
        ASSERT_EQ(0, run.exitCode) << schematic << ": " << run.err;
        EXPECT_EQ(ReadFile(scratch / "s.json.svg"), ReadFile(scratch / (std::string(schematic) + ".svg"))) << schematic;
    }
}

} // namespace

// One element of each family that writes a data file of its own; "%T" stands for the edit
// lines that give it a user's file name (empty: the element's default name).
struct FileFamily {
    const char* what;
    const char* element;
    const char* userFile;   // the lines for "%T", with "%F" for the name
    const char* defaultFile = "D__A.mdx";
};
const FileFamily kFileFamilies[] = {
    {"data pairs", R"({"id": 43, "name": "A", "script": ["click 1122", "click 1122", "cell 2121 0 1 \"0\"",
        "cell 2121 0 2 \"0\"", "cell 2121 1 1 \"1\"", "cell 2121 1 2 \"5\"" %T, "ok"]})",
     R"(, "click 2116", "type 2117 \"%F\"")"},
    {"2D table", R"({"id": 78, "name": "A", "parameters": {"IN": "W"}, "script": ["click 1122", "click 1122",
        "cell 2121 0 1 \"0\"", "cell 2121 0 2 \"0\"", "cell 2121 1 1 \"1\"", "cell 2121 1 2 \"2\"" %T, "ok"]})",
     R"(, "click 2116", "type 2117 \"%F\"")"},
    {"3D table", R"({"id": 103, "name": "A", "parameters": {"IN[1]": "U", "IN[2]": "W"}, "script": [
        "dialog 2605 stay {", "type 1033 \"0\"", "type 1034 \"1\"", "type 1035 \"2\"", "click 1036", "}", "click 2438",
        "dialog 2605 stay {", "type 1033 \"10\"", "type 1034 \"10\"", "type 1035 \"2\"", "click 1036", "}", "click 2444"
        %T, "ok"]})",
     R"(, "click 2116", "type 2117 \"%F\"")"},
    {"dead time", R"({"id": 82, "name": "A", "parameters": {"INPUT": "U"%T}, "script": ["click 2292", "click 1122",
        "cell 2134 0 1 \"11\"", "ok"]})",
     R"(, "FILE": "%F")"},
    {"diode", R"({"id": 8, "name": "A", "script": ["choose 2080 \"XY-Data Pairs\"", "sheet ok {", "click 2397",
        "click 1124", "click 1122", "cell 2121 0 1 \"0\"", "cell 2121 0 2 \"0\"", "click 1122", "cell 2121 1 1 \"1\"",
        "cell 2121 1 2 \"10\"" %T, "}", "click 2016", "ok"]})",
     R"(, "click 2116", "type 2117 \"%F\"")"},
    {"thyristor", R"({"id": 13, "name": "A", "script": ["choose 2080 \"XY-Data Pairs\"", "sheet ok {", "click 2397",
        "click 1124", "click 1122", "cell 2121 0 1 \"0\"", "cell 2121 0 2 \"0\"", "click 1122", "cell 2121 1 1 \"1\"",
        "cell 2121 1 2 \"10\"" %T, "}", "click 2016", "ok"]})",
     R"(, "click 2116", "type 2117 \"%F\"")"},
    {"Fourier source", R"({"id": 85, "name": "A", "script": ["click 2323", "type 2328 3", "type 2326 60",
        "click 2321", "cell 2329 1 2 10", "cell 2329 2 3 \"20 %\"" %T, "ok"]})",
     R"(, "click 2116", "type 2117 \"%F\"")"},
    {"DC machine", R"({"id": 30, "name": "A", "script": ["sheet ok {", "click 2114", "click 2397", "click 1122",
        "cell 2121 0 1 \"0\"", "cell 2121 0 2 \"1\"", "click 1122", "cell 2121 1 1 \"2\"", "cell 2121 1 2 \"0.5\"" %T, "}",
        "click 2157", "click 2160", "ok"]})",
     R"(, "click 2116", "type 2117 \"%F\"")", "D__A__CHLE.mdx"},
    {"nonlinear transformer", R"({"id": 112, "name": "A",
        "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]]%T}})",
     R"(, "file": "%F")"},
    {"resistor", R"({"id": 15, "name": "A", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]]%T}})",
     R"(, "file": "%F")"},
    {"capacitor", R"({"id": 17, "name": "A", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]]%T}})",
     R"(, "file": "%F")"},
    {"inductor", R"({"id": 18, "name": "A", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]]%T}})",
     R"(, "file": "%F")"},
    {"controlled source", R"({"id": 1, "name": "A", "parameters": {"QUANT": "A"},
        "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]]%T}})",
     R"(, "file": "%F")"},
    {"characteristic block", R"({"id": 65, "name": "A", "parameters": {"INPUT": "U"},
        "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]]%T}})",
     R"(, "file": "%F")"},
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The message with each "$/NAME" (up to a blank, a comma or a colon) as the host shows the path
// of NAME in `folder`: cut in its middle where the checkout's path makes it long. "@" stands for
// the folder as it is, in a page's own text that the host passes on whole.
std::string WithShownPaths(std::string text, const std::string& folder) {
    text = Replaced(std::move(text), "@", folder);
    std::string shown;
    size_t at = 0;
    for (size_t mark = text.find('$'); mark != std::string::npos; mark = text.find('$', at)) {
        const size_t end = std::min(text.find_first_of(" ,:", mark), text.size());
        shown += text.substr(at, mark - at) + qv::ShownPath(folder + text.substr(mark + 1, end - mark - 1));
        at = end;
    }
    return shown + text.substr(at);
}

std::string FamilyElement(const FileFamily& family, const std::string& file, const std::string& name = "A") {
    const std::string lines = file.empty() ? "" : Replaced(family.userFile, "%F", file);
    return Replaced(Replaced(family.element, "%T", lines), "\"name\": \"A\"", "\"name\": \"" + name + "\"");
}

std::string OneDocument(const std::string& elements) { return R"({"document": "D", "elements": [)" + elements + "]}"; }

TEST(QvhostOutputs, EveryFamilyNamesTheFileItWritesAndPrintsIt) {
    struct Case {
        const char* file;
        const char* written;
    } cases[] = {{"", nullptr}, {"noext", "noext.mdx"}, {"x.txt", "x.mdx"}, {"sub/in", "sub/in.mdx"}};
    for (const FileFamily& family : kFileFamilies) {
        for (const Case& c : cases) {
            Scratch scratch;
            fs::create_directory(scratch / "sub");
            WriteFile(scratch / "s.json", OneDocument(FamilyElement(family, c.file)));
            const HostRun run = RunHost(scratch, "describe s.json -o o.desc");
            const std::string where = std::string(family.what) + " \"" + c.file + "\"";
            EXPECT_EQ(0, run.exitCode) << where << ": " << run.err;
            if (run.exitCode != 0) continue;
            const std::string written = c.written != nullptr ? c.written : family.defaultFile;
            EXPECT_EQ((std::set<std::string>{"s.json", "o.desc", written}), scratch.Files()) << where;
            const std::string named =
                written.find('/') == std::string::npos ? written : (scratch / written).string();
            const std::string text = ReadFile(scratch / "o.desc");
            EXPECT_NE(std::string::npos, text.find("FILE := \"" + named + "\"")) << where << ": " << text;
            EXPECT_NE(std::string::npos, run.err.find("data file written to " + qv::ShownPath((scratch / written).string())))
                << where << ": " << run.err;
            // Saving writes the archive and nothing else.
            fs::remove(scratch / written);
            fs::remove(scratch / "o.desc");
            ASSERT_EQ(0, RunHost(scratch, "save s.json -o a.qva").exitCode) << where;
            EXPECT_EQ((std::set<std::string>{"s.json", "a.qva"}), scratch.Files()) << where;
        }
        // Refused, with the folder left as it was: two elements on one file, and a fault after
        // the element's own file was written.
        const std::string shared = FamilyElement(family, "same") + ", " + FamilyElement(family, "same", "B");
        const std::string faulty = FamilyElement(family, "") + R"(, {"id": 15, "name": "R1", "parameters": {"R": ""}})";
        for (const std::string& elements : {shared, faulty}) {
            Scratch scratch;
            WriteFile(scratch / "s.json", OneDocument(elements));
            const HostRun run = RunHost(scratch, "describe s.json -o o.desc");
            EXPECT_EQ(2, run.exitCode) << family.what << ": " << elements;
            EXPECT_EQ(std::set<std::string>{"s.json"}, scratch.Files()) << family.what << ": " << run.err;
        }
    }
}

TEST(QvhostOutputs, ARefusedDescribeLeavesTheFolderAsItWas) {
    const std::string deadTime = FamilyElement(kFileFamilies[3], "same.mdx");
    struct Case {
        const char* what;
        std::string schematic;
        const char* message;
    } cases[] = {
        {"two elements on one file", OneDocument(deadTime + ", " + Replaced(deadTime, "\"A\"", "\"B\"")),
         "element \"A\" and the data file of element \"B\" would both be written to"},
        {"default names of two dead-time elements differ",
         OneDocument(FamilyElement(kFileFamilies[3], "", "A") + ", " + FamilyElement(kFileFamilies[3], "", "B") +
                     R"(, {"id": 15, "name": "R1", "parameters": {"R": ""}})"),
         "element \"R1\": its page refuses the values given"},
        {"a data file over the schematic", OneDocument(FamilyElement(kFileFamilies[1], "s.mdx")), "is the input"},
        {"a wizard's file, then a fault",
         OneDocument(FamilyElement(kFileFamilies[1], "") + R"(, {"id": 15, "name": "R1", "parameters": {"R": ""}})"),
         "element \"R1\""},
        // Its values are applied with the page's OK, which refuses the empty table.
        {"empty 2D table", OneDocument(R"({"id": 78, "name": "A", "parameters": {"IN": "W"}})"),
         "element \"A\": its page refuses the values given: \"Error : No data available - block length = 0\""},
        {"empty data pairs", OneDocument(R"({"id": 43, "name": "A"})"), "element \"A\": its table is empty"},
        {"transformer without its characteristic", OneDocument(R"({"id": 112, "name": "TN1"})"),
         "element \"TN1\": its table is empty"},
        // Elements that may write data files are heard first, whatever came before them.
        {"an empty table after another element's fault",
         OneDocument(R"({"id": 15, "name": "R1", "parameters": {"R": ""}}, {"id": 43, "name": "A"})"),
         "element \"A\": its table is empty"},
        {"a data file in a missing folder after another element's fault",
         OneDocument(R"({"id": 15, "name": "R1", "parameters": {"R": ""}}, )" + FamilyElement(kFileFamilies[0], "none/x")),
         "/none does not exist"},
    };
    // A's file from an earlier run.
    const std::string earlier = qv_test::WithWriterMark(
        "MDX 1\nchannels 2\nitems 1\nchannel \"\" \"\"\nchannel \"\" \"\"\ndata\n4 2\nend\n", "D", "A");
    ASSERT_NE("", earlier);
    for (const Case& c : cases) {
        Scratch scratch;
        WriteFile(scratch / "s.mdx", c.schematic);
        WriteFile(scratch / "D__A.mdx", earlier);
        const HostRun run = RunHost(scratch, "describe s.mdx -o o.desc");
        EXPECT_EQ(2, run.exitCode) << c.what;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << c.what << ": " << run.err;
        EXPECT_EQ((std::set<std::string>{"s.mdx", "D__A.mdx"}), scratch.Files()) << c.what;
        EXPECT_EQ(earlier, ReadFile(scratch / "D__A.mdx")) << c.what;
        EXPECT_EQ(c.schematic, ReadFile(scratch / "s.mdx")) << c.what;
    }
}

// A 2D table element whose script runs the lines given.
std::string Table2D(const std::string& name, const std::string& lines) {
    return R"({"id": 78, "name": ")" + name + R"(", "parameters": {"IN": "W"}, "script": [)" + lines + "]}";
}

const char kUsersTable[] = "MDX 1\nchannels 2\nitems 2\nchannel \"X\" \"\"\nchannel \"Y\" \"\"\ndata\n0 5\n1 6\nend\n";

// The end of describe's line about a file of the user's that an element would write.
const std::string kNotItsOwn = " already exists and is not a file it wrote; describe replaces no file of the user's "
                               "(rename or remove it, describe into another folder, or give the element another file name)";

// Describe replaces a file that is there only where the element wrote it and nobody changed it
// since: never the user's file, whatever asked about it or named it, nor a file an element of
// the run read. Such a file fails the command in one line, and nothing is written; the file a
// schematic's script names is written again over the one the element wrote before.
TEST(QvhostOutputs, DescribeReplacesOnlyTheDataFilesItWrites) {
    const std::string opensIn = R"("file in.mdx", "click 2118", "click 2116", "type 2117 \"lt2.mdx\"", "ok")";
    const std::string writesIn = R"("click 2116", "file in.txt", "click 2118", "message ok", "ok")";
    const std::string rows = R"("click 1122", "click 1122", "cell 2121 1 1 \"1\"", "click 2116", )";
    const struct {
        const char* what;
        std::string elements;
        const char* kept;      // the user's file, which keeps what it held ("" when it is replaced)
        std::string message;   // "$" is the scratch folder; "" for success
    } cases[] = {
        {"a file an earlier element read", Table2D("LT2", opensIn) + ", " + Table2D("LT1", writesIn), "in.mdx",
         "$/in.mdx is read by element \"LT2\" and written by element \"LT1\"; describe writes no file that its run reads"},
        {"a file a later element reads", Table2D("LT1", writesIn) + ", " + Table2D("LT2", opensIn), "in.mdx",
         "element \"LT1\": its data file $/in.mdx" + kNotItsOwn},
        {"a Save as name outside the description",
         Table2D("LT1", rows + R"("file saved.data", "click 2119", "type 2117 \"lt.mdx\"", "ok")"), "saved.mdx",
         "element \"LT1\": its data file $/saved.mdx" + kNotItsOwn},
        {"the user's file the script names", Table2D("LT1", rows + R"("type 2117 \"saved.txt\"", "ok")"), "saved.mdx",
         "element \"LT1\": its data file $/saved.mdx" + kNotItsOwn},
        {"the file the script names", Table2D("LT1", rows + R"("type 2117 \"mine.txt\"", "ok")"), "", ""},
    };
    for (const auto& c : cases) {
        Scratch scratch;
        const std::string folder = fs::canonical(scratch.path).string();
        for (const char* name : {"in.mdx", "saved.mdx"}) WriteFile(scratch / name, kUsersTable);
        WriteFile(scratch / "in.txt", "0 7\n1 8\n");
        WriteFile(scratch / "s.json", R"({"document": "D", "elements": [)" + c.elements + "]}");
        const std::set<std::string> before = scratch.Files();
        // Twice into one folder: the second run finds the files of the first.
        for (int run = 0; run < 2; ++run) {
            const HostRun result = RunHost(scratch, "describe s.json -o o.desc");
            if (c.message.empty()) {
                EXPECT_EQ(0, result.exitCode) << c.what << ": " << result.err;
                EXPECT_NE(std::string::npos, ReadFile(scratch / "mine.mdx").find("\nwritten \"D\" \"LT1\" ")) << c.what;
                continue;
            }
            EXPECT_EQ(2, result.exitCode) << c.what;
            EXPECT_EQ("qvhost: " + WithShownPaths(c.message, folder) + "\n", result.err) << c.what;
            EXPECT_EQ(kUsersTable, ReadFile(scratch / c.kept)) << c.what;
            EXPECT_EQ(before, scratch.Files()) << c.what;
        }
    }
}

// The elements of a schematic whose 2D table LT1 keeps its table under the stored name given
// (as an edited schematic keeps it, with the wizard's data), then the other elements given.
std::string Table2DWithFile(const Scratch& scratch, const std::string& stored, const std::string& others = "") {
    WriteFile(scratch / "made.json", R"({"document": "D", "elements": [)" +
                                         Table2D("LT1", R"("click 1122", "click 1122", "cell 2121 1 1 \"1\"", "click 2116", )"
                                                        R"("type 2117 \"own.mdx\"", "ok")") +
                                         "]}");
    WriteFile(scratch / "ok", "ok\n");
    const HostRun made = RunHost(scratch, "edit made.json --element LT1 --script ok -o edited.json");
    EXPECT_EQ(0, made.exitCode) << made.err;
    std::string schematic = Replaced(ReadFile(scratch / "edited.json"), R"("FILE": "own.mdx")", R"("FILE": ")" + stored + "\"");
    if (!others.empty()) schematic.insert(schematic.rfind(']'), ", " + others);
    for (const char* name : {"made.json", "ok", "edited.json", "own.mdx"}) fs::remove(scratch / name);
    return schematic;
}

// Describe writes no file of the user's under a name the schematic stores, whatever it holds and
// whatever else names it, nor one that an element of its run read, whatever the order of the
// elements: one line names the element and the file, and nothing is written.
TEST(QvhostOutputs, DescribeWritesNoFileOfTheUsersNorOneItsRunReads) {
    const std::string opensT = R"("file t.mdx", "click 2118", "click 2116", "type 2117 \"lt3.mdx\"", "ok")";
    const std::string writesT =
        R"("click 1122", "click 1122", "cell 2121 1 1 \"1\"", "click 2116", "type 2117 \"t.mdx\"", "ok")";
    const char kRead[] = "$/t.mdx is read by element \"LT3\" and written by element \"LT2\"; describe writes no file "
                         "that its run reads";
    const struct {
        const char* what;
        std::string stored;   // LT1's stored name ("" for no LT1)
        std::string others;
        std::string message;  // "$" is the scratch folder
    } cases[] = {
        {"a text file", "notes.dat", "", "element \"LT1\": its data file $/notes.dat" + kNotItsOwn},
        {"a link to a text file", "link.dat", "", "element \"LT1\": its data file $/link.dat" + kNotItsOwn},
        {"a table another element references", "meas.mdx",
         R"({"id": 78, "name": "LT2", "parameters": {"FREF": "meas.mdx"}})",
         "element \"LT1\": its data file $/meas.mdx" + kNotItsOwn},
        {"a file read, then written", "", Table2D("LT3", opensT) + ", " + Table2D("LT2", writesT), kRead},
        {"the user's file written, then read", "", Table2D("LT2", writesT) + ", " + Table2D("LT3", opensT),
         "element \"LT2\": its data file $/t.mdx" + kNotItsOwn},
        // Through a link, the names differ and the file is one.
        {"a file read through a link, then written", "", Table2D("LT3", Replaced(opensT, "t.mdx", "tl.mdx")) + ", " + Table2D("LT2", writesT),
         kRead},
        {"a new file written, then read through a link", "",
         Table2D("LT2", Replaced(writesT, "t.mdx", "n.mdx")) + ", " + Table2D("LT3", Replaced(opensT, "t.mdx", "nl.mdx")),
         "$/nl.mdx is read by element \"LT3\" and written by element \"LT2\"; describe writes no file that its run reads"},
    };
    for (const auto& c : cases) {
        Scratch scratch;
        const std::string folder = fs::canonical(scratch.path).string();
        WriteFile(scratch / "s.json", c.stored.empty() ? R"({"document": "D", "elements": [)" + c.others + "]}"
                                                       : Table2DWithFile(scratch, c.stored, c.others));
        WriteFile(scratch / "notes.dat", "my notes\n");
        WriteFile(scratch / "other.dat", "my other notes\n");
        fs::create_symlink("other.dat", scratch / "link.dat");
        fs::create_symlink("t.mdx", scratch / "tl.mdx");
        fs::create_symlink("n.mdx", scratch / "nl.mdx");
        for (const char* name : {"meas.mdx", "t.mdx"}) WriteFile(scratch / name, kUsersTable);
        const std::set<std::string> before = scratch.Files();
        const HostRun result = RunHost(scratch, "describe s.json -o o.desc");
        EXPECT_EQ(2, result.exitCode) << c.what;
        EXPECT_EQ("qvhost: " + WithShownPaths(c.message, folder) + "\n", result.err) << c.what;
        EXPECT_EQ(before, scratch.Files()) << c.what;
        EXPECT_EQ("my notes\n", ReadFile(scratch / "notes.dat")) << c.what;
        EXPECT_EQ("my other notes\n", ReadFile(scratch / "other.dat")) << c.what;
        for (const char* name : {"meas.mdx", "t.mdx"}) EXPECT_EQ(kUsersTable, ReadFile(scratch / name)) << c.what;
    }
}

// A data file that is a link to the description would be written over by it (or write over
// it): describe refuses it in one line, and the description that was there stays.
TEST(QvhostOutputs, DescribeRefusesADataFileThatLeadsToTheDescription) {
    Scratch scratch;
    const std::string folder = fs::canonical(scratch.path).string();
    WriteFile(scratch / "s.json", R"({"document": "D", "elements": [)" +
                                      Table2D("LT1", R"("click 1122", "click 1122", "cell 2121 1 1 \"1\"", )"
                                                     R"("click 2116", "type 2117 \"lt.mdx\"", "ok")") +
                                      "]}");
    WriteFile(scratch / "o.desc", "an earlier description\n");
    fs::create_symlink("o.desc", scratch / "lt.mdx");
    const HostRun result = RunHost(scratch, "describe s.json -o o.desc");
    EXPECT_EQ(2, result.exitCode);
    EXPECT_EQ("qvhost: " + WithShownPaths("element \"LT1\": its data file and the model description share the path $/lt.mdx", folder) +
                  "\n",
              result.err);
    EXPECT_EQ("an earlier description\n", ReadFile(scratch / "o.desc"));
    EXPECT_TRUE(fs::is_symlink(scratch / "lt.mdx"));
}

// `-o` that names the table's own file of the element edited would write the printed
// schematic over that table: the edit says so, and the folder stays as it was.
TEST(QvhostOutputs, EditRefusesToPrintOverTheTablesOwnFile) {
    for (const bool exists : {true, false}) {
        Scratch scratch;
        WriteFile(scratch / "s.json", Table2DWithFile(scratch, "own.mdx"));
        WriteFile(scratch / "c", "cell 2121 1 2 \"9\"\nok\n");
        if (exists) WriteFile(scratch / "own.mdx", kUsersTable);
        const std::set<std::string> before = scratch.Files();
        const HostRun result = RunHost(scratch, "edit s.json --element LT1 --script c -o own.mdx");
        EXPECT_EQ(2, result.exitCode) << exists;
        EXPECT_NE(std::string::npos,
                  result.err.find("own.mdx: the printed schematic would be written over the table's own file of element "
                                  "\"LT1\"\n"))
            << result.err;
        EXPECT_EQ(before, scratch.Files()) << exists;
        if (exists) {
            EXPECT_EQ(kUsersTable, ReadFile(scratch / "own.mdx"));
        }
    }
}

// The schematic of a nonlinear DC machine M1 whose two tables are kept in the files named
// (stored names, as an edited schematic keeps them, with the wizard's data).
std::string MachineWithFiles(const Scratch& scratch, const std::string& excitation, const std::string& magnetization) {
    const auto sheet = [](const char* file) {
        return std::string(R"("sheet ok {", "click 2114", "click 2397", "click 1122", "click 1122", )") +
               R"("cell 2121 1 1 \"2\"", "click 2116", "type 2117 \")" + file + R"(\"", "}")";
    };
    WriteFile(scratch / "made.json", R"({"document": "D", "elements": [{"id": 30, "name": "M1", "script": [)" +
                                         sheet("a.mdx") + R"(, "click 2157", )" + sheet("b.mdx") +
                                         R"(, "click 2159", "ok"]}]})");
    WriteFile(scratch / "ok", "ok\n");
    const HostRun made = RunHost(scratch, "edit made.json --element M1 --script ok -o edited.json");
    EXPECT_EQ(0, made.exitCode) << made.err;
    std::string schematic = ReadFile(scratch / "edited.json");
    schematic = Replaced(schematic, R"("CHLE_FILE": "a.mdx")", R"("CHLE_FILE": ")" + excitation + "\"");
    schematic = Replaced(schematic, R"("CHM_FILE": "b.mdx")", R"("CHM_FILE": ")" + magnetization + "\"");
    for (const char* name : {"made.json", "ok", "edited.json", "a.mdx", "b.mdx"}) fs::remove(scratch / name);
    return schematic;
}

// Two tables never share a file, also where a symbolic link leads one name to the other's file:
// of one element (the machine's two tables) and of two, named by a script, stored or planned.
TEST(QvhostOutputs, TwoTablesOnOneFileThroughALinkAreRefused) {
    const auto table = [](const char* name, const char* y, const char* file) {
        return Table2D(name, std::string(R"("click 1122", "click 1122", "cell 2121 1 1 \")") + y +
                                 R"(\"", "click 2116", "type 2117 \")" + file + R"(\"", "ok")");
    };
    const auto pairs = [](const char* name, const char* file) {
        return R"({"id": 15, "name": ")" + std::string(name) +
               R"(", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]], "file": ")" + file + "\"}}";
    };
    const struct {
        const char* what;
        std::function<std::string(const Scratch&)> schematic;
        const char* message;
        std::string madeMessage = {};   // when the file the link leads to is the user's ("": the same)
    } cases[] = {
        {"two elements' scripts",
         [&](const Scratch&) { return OneDocument(table("LT1", "1", "link.mdx") + ", " + table("LT2", "2", "m.mdx")); },
         "the data file of element \"LT1\" and the data file of element \"LT2\" would both be written to one file, "
         "named $/link.mdx and $/m.mdx",
         "element \"LT1\": its data file $/link.mdx" + kNotItsOwn},
        {"two elements' planned files", [&](const Scratch&) { return OneDocument(pairs("R1", "m.mdx") + ", " + pairs("R2", "link.mdx")); },
         "the data file of element \"R1\" and the data file of element \"R2\" would both be written to one file, "
         "named $/m.mdx and $/link.mdx"},
        {"one element's stored names", [](const Scratch& scratch) { return MachineWithFiles(scratch, "link.mdx", "m.mdx"); },
         "element \"M1\": The tables CHLE and CHM would both be written to @/link.mdx: each table needs a file of "
         "its own."},
    };
    for (const auto& c : cases)
        for (const bool made : {false, true}) {
            Scratch scratch;
            const std::string folder = fs::canonical(scratch.path).string();
            WriteFile(scratch / "s.json", c.schematic(scratch));
            // The link leads to a file that is there, or to one the run would make.
            if (made) WriteFile(scratch / "m.mdx", kUsersTable);
            fs::create_symlink("m.mdx", scratch / "link.mdx");
            const std::set<std::string> before = scratch.Files();
            const HostRun run = RunHost(scratch, "describe s.json -o o.desc");
            EXPECT_EQ(2, run.exitCode) << c.what;
            const std::string message = made && !c.madeMessage.empty() ? c.madeMessage : std::string(c.message);
            EXPECT_EQ("qvhost: " + WithShownPaths(message, folder) + "\n", run.err) << c.what << made;
            EXPECT_EQ(before, scratch.Files()) << c.what << made;
            if (made) {
                EXPECT_EQ(kUsersTable, ReadFile(scratch / "m.mdx")) << c.what;
            }
            EXPECT_TRUE(fs::is_symlink(scratch / "link.mdx")) << c.what;
        }
}

// A data file typed on a page that is a link to the model description (there already, or one
// the run would make) is the description's path: the command fails with one line naming the
// element, writes nothing, and leaves the link and an earlier description as they are.
TEST(QvhostOutputs, ADataFileThatLeadsToTheDescriptionIsRefused) {
    for (const bool made : {false, true}) {
        Scratch scratch;
        const std::string folder = fs::canonical(scratch.path).string();
        WriteFile(scratch / "s.json", OneDocument(Table2D("LT1", R"("click 1122", "click 1122", "cell 2121 1 1 \"1\"", )"
                                                                 R"("click 2116", "type 2117 \"link.mdx\"", "ok")")));
        if (made) WriteFile(scratch / "o.desc", "earlier");
        fs::create_symlink("o.desc", scratch / "link.mdx");
        const std::set<std::string> before = scratch.Files();
        const HostRun run = RunHost(scratch, "describe s.json -o o.desc");
        EXPECT_EQ(2, run.exitCode) << made;
        EXPECT_EQ("qvhost: element \"LT1\": its data file and the model description share the path " + qv::ShownPath(folder + "/link.mdx") +
                      "\n",
                  run.err)
            << made;
        EXPECT_EQ(before, scratch.Files()) << made;
        if (made) {
            EXPECT_EQ("earlier", ReadFile(scratch / "o.desc"));
        }
        EXPECT_TRUE(fs::is_symlink(scratch / "link.mdx")) << made;
    }
}

// A stored name with a wildcard names the file the pages would write ("*.mdx" of M1 is M1.mdx).
TEST(QvhostOutputs, AStoredWildcardNamesTheFileThePagesWrite) {
    Scratch scratch;
    WriteFile(scratch / "s.json", MachineWithFiles(scratch, "*.mdx", "b.mdx"));
    const HostRun run = RunHost(scratch, "describe s.json -o o.desc");
    ASSERT_EQ(0, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, ReadFile(scratch / "o.desc").find("XY_M1_CHLE( FILE := \"M1.mdx\" )"));
    EXPECT_NE(std::string::npos, ReadFile(scratch / "M1.mdx").find("L [H]"));
}

TEST(QvhostOutputs, NoCommandWritesOverItsInput) {
    const char* commands[] = {
        "describe s.json -o s.json",
        "describe s.json -o ./sub/../s.json",
        "describe s.json -o link.json",
        "save s.json -o s.json",
        "svg s.json --element R1 --symbol -o s.json",
        "edit s.json --element R1 --script script.txt -o script.txt",
        "load a.qva -o a.qva",
    };
    for (const char* command : commands) {
        Scratch scratch;
        fs::create_directory(scratch / "sub");
        const std::string schematic = ReadFile(PARVEL_SOURCE_DIR "/examples/resistor_network.json");
        WriteFile(scratch / "s.json", schematic);
        WriteFile(scratch / "script.txt", "ok\n");
        fs::create_hard_link(scratch / "s.json", scratch / "link.json");
        ASSERT_EQ(0, RunHost(scratch, "save s.json -o a.qva").exitCode);
        const std::string archive = ReadFile(scratch / "a.qva");
        const HostRun run = RunHost(scratch, command);
        EXPECT_EQ(2, run.exitCode) << command;
        EXPECT_NE(std::string::npos, run.err.find("is the input")) << command << ": " << run.err;
        EXPECT_EQ(schematic, ReadFile(scratch / "s.json")) << command;
        EXPECT_EQ("ok\n", ReadFile(scratch / "script.txt")) << command;
        EXPECT_EQ(archive, ReadFile(scratch / "a.qva")) << command;
    }
}

TEST(QvhostOutputs, ATableOfOneYValueKeepsItsPointsWhenItsPageIsApplied) {
    Scratch scratch;
    WriteFile(scratch / "s.json", OneDocument(Replaced(FamilyElement(kFileFamilies[2], ""), "type 1035 \\\"2\\\"\", \"click 1036\", \"}\", \"click 2444",
                                                       "type 1035 \\\"1\\\"\", \"click 1036\", \"}\", \"click 2444")));
    WriteFile(scratch / "ok.txt", "ok\n");
    ASSERT_EQ(0, RunHost(scratch, "edit s.json --element A --script ok.txt -o e.json").exitCode);
    const HostRun run = RunHost(scratch, "describe e.json -o o.desc");
    ASSERT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ(qv_test::WithWriterMark("MDX 1\nchannels 3\nitems 2\nchannel \"\" \"\"\nchannel \"\" \"\"\nchannel \"\" \"\"\n"
                                      "data\n0 0 10\n1 0 10\nend\n",
                                      "D", "A"),
              ReadFile(scratch / "D__A.mdx"));
}

// The edit lines that change the main choice of each page of an element (the kind, form or
// type combo or radio a user changes first) from what the element of the test below is; the
// OK follows. Pages without such a choice (meters, machines, characteristic equations) have
// none, and the families whose test element is given by a script or a characteristic changed
// it there already.
const std::map<unsigned, std::string> kMainChoiceEdits = {
    {2, R"("pick 2005 1")"}, {3, R"("click 2031", "page 1", "click 2428")"},
    {4, R"("click 2031", "page 1", "click 2428")"}, {9, R"("click 2081")"}, {10, R"("click 2081")"},
    {11, R"("click 2081")"}, {12, R"("click 2081")"}, {14, R"("click 2081")"}, {16, R"("click 2088")"},
    {19, R"("click 2307")"}, {20, R"("click 2307")"}, {29, R"("pick 2147 1", "page 1", "click 2428")"},
    {31, R"("pick 2147 1", "page 1", "click 2428")"}, {35, R"("click 2204", "type 2050 1")"}, {36, R"("pick 2207 1")"},
    {37, R"("pick 2049 1")"}, {38, R"("pick 2049 1")"}, {39, R"("pick 2049 1")"}, {41, R"("pick 2049 1")"},
    {43, R"("pick 2215 1")"}, {45, R"("click 2331")"}, {46, R"("click 2331")"}, {54, R"("pick 2236 1")"},
    {55, R"("pick 2183 1", "page 1", "click 2428")"}, {56, R"("pick 2183 1", "page 1", "click 2428")"},
    {57, R"("pick 2183 1", "page 1", "click 2428")"}, {71, R"("pick 2269 1")"}, {78, R"("click 2293", "type 2425 REF")"},
    {82, R"("click 2291")"}, {83, R"("pick 2080 1")"}, {84, R"("pick 2032 1")"}, {103, R"("pick 2215 1")"},
    {104, R"("click 2031", "page 1", "click 2428")"}, {105, R"("click 2031", "page 1", "click 2428")"},
    {110, R"("pick 151 1")"}, {111, R"("pick 151 1")"},
    // The blocks whose one choice is their sampling ("System" or a sample time of their own).
    {32, R"("pick 2183 1")"}, {33, R"("pick 2183 1")"}, {47, R"("pick 2183 1")"}, {49, R"("pick 2183 1")"},
    {58, R"("pick 2183 1")"}, {59, R"("pick 2183 1")"}, {60, R"("pick 2183 1")"}, {61, R"("pick 2183 1")"},
    {62, R"("pick 2183 1")"}, {63, R"("pick 2183 1")"}, {64, R"("pick 2183 1")"},
    {66, R"("pick 2183 1")"}, {67, R"("pick 2183 1")"}, {68, R"("pick 2183 1")"}, {69, R"("pick 2183 1")"},
    {70, R"("pick 2183 1")"}, {79, R"("pick 2183 1")"}, {100, R"("pick 2183 1")"}, {101, R"("pick 2183 1")"},
    {102, R"("pick 2183 1")"}, {113, R"("pick 2183 1")"}, {330, R"("pick 2183 1")"},
};

// The element with its main choices changed: the edit lines go before the OK of its script, or
// make its script.
std::string WithMainChoiceChanged(const std::string& element, unsigned id) {
    const auto edit = kMainChoiceEdits.find(id);
    if (edit == kMainChoiceEdits.end()) return element;
    const size_t ok = element.rfind("\"ok\"]");
    if (ok != std::string::npos) return element.substr(0, ok) + edit->second + ", " + element.substr(ok);
    return element.substr(0, element.rfind('}')) + R"(, "script": [)" + edit->second + R"(, "ok"]})";
}

// One element of every wizard ID of the catalogue describes to the same text after `edit -o`
// and after save and load, as placed and with every page's main choice changed. Values are
// given where the model text needs one, and the families that write a table of their own get
// the filled table of their file test (an empty table is refused); the Fourier source (85) is
// left out: it needs a data file of its own.
TEST(QvhostOutputs, EveryCatalogueElementSurvivesEveryHostPath) {
    qv::Catalogue catalogue;
    std::string error;
    ASSERT_TRUE(catalogue.LoadFolder(PARVEL_MODULE_DIR "/catalogue", error)) << error;
    const std::string semiconductor = R"("parameters": {"CHAR": "X"})";
    const std::map<unsigned, std::string> extras = {
        {1, R"("parameters": {"QUANT": "R1"})"}, {2, R"("parameters": {"QUANT": "R1"})"},
        {65, R"("parameters": {"CH": "X"})"}, {16, R"("parameters": {"CH": "X", "QUANT": "R1"})"},
        {19, R"("parameters": {"M": "X"})"}, {20, R"("parameters": {"M": "X"})"}, {9, semiconductor},
        {10, semiconductor}, {11, semiconductor}, {12, semiconductor}, {14, semiconductor},
        {30, R"("script": ["sheet ok {", "click 2114", "click 2397", "click 1122", "cell 2121 0 1 \"0\"",
             "cell 2121 0 2 \"1\"", "click 1122", "cell 2121 1 1 \"2\"", "cell 2121 1 2 \"0.5\"", "}", "click 2157",
             "click 2160", "ok"])"},
        {112, R"("characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]]})"}};
    for (const bool edited : {false, true}) {
        std::set<unsigned> ids;
        std::string elements;
        for (const qv::CatalogueElement& type : catalogue.Elements()) {
            if (type.id == 85 || !ids.insert(type.id).second) continue;
            const std::string name = "E" + std::to_string(type.id);
            const FileFamily* family = nullptr;
            for (const FileFamily& f : kFileFamilies)
                if (std::string(f.element).find("\"id\": " + std::to_string(type.id) + ",") != std::string::npos) family = &f;
            const auto extra = extras.find(type.id);
            std::string element = family != nullptr ? FamilyElement(*family, "", name)
                                                    : R"({"id": )" + std::to_string(type.id) + R"(, "name": ")" + name +
                                                          "\"" + (extra != extras.end() ? ", " + extra->second : std::string()) + "}";
            elements += std::string(elements.empty() ? "" : ",\n") + (edited ? WithMainChoiceChanged(element, type.id) : element);
        }
        Scratch scratch;
        WriteFile(scratch / "s.json", R"({"document": "All", "elements": [)" + elements + "]}");
        WriteFile(scratch / "none.txt", "\n");
        const std::string steps[] = {"describe s.json -o 0.desc", "edit s.json --element E15 --script none.txt -o e.json",
                                     "describe e.json -o 1.desc", "save s.json -o a.qva", "load a.qva -o b.qva"};
        HostRun run;
        for (const std::string& step : steps) {
            run = RunHost(scratch, step);
            ASSERT_EQ(0, run.exitCode) << edited << " " << step << ": " << run.err;
        }
        WriteFile(scratch / "l.json", run.out);
        ASSERT_EQ(0, RunHost(scratch, "describe l.json -o 2.desc").exitCode) << edited;
        EXPECT_EQ(ReadFile(scratch / "0.desc"), ReadFile(scratch / "1.desc")) << edited;
        EXPECT_EQ(ReadFile(scratch / "0.desc"), ReadFile(scratch / "2.desc")) << edited;
        EXPECT_GT(ids.size(), 100u);
    }
}

TEST(QvhostOutputs, AnEditSeesTheNamesOnBothSidesOfItsElement) {
    // M refers back to A, A and Z forward to M; Z renames itself to Y when it is made.
    const std::string schematic = R"({"document": "References", "elements": [
{"id":32,"name":"A","parameters":{"K":"2","IN":"M.OUT"}},
{"id":15,"name":"RNL","characteristic":{"kind":"data-pairs","points":[[-1,-0.5],[0,0],[1,0.5]]}},
{"id":32,"name":"M","parameters":{"K":"3","IN":"A.OUT"}},
{"id":32,"name":"Z","parameters":{"K":"4","IN":"M.OUT"},"script":["type 2001 \"Y\"","ok"]}
]})";
    struct Case {
        const char* element;
        const char* rename;
        const char* message;   // "" for an edit written as the golden holds it
    } cases[] = {
        {"M", "N", ""},
        {"M", "A", "element \"M\" cannot be renamed: the name \"A\" is taken by element \"A\""},
        {"M", "Z", "element \"M\" cannot be renamed: the name \"Z\" is taken by element \"Z\""},
        {"M", "Y", "element \"M\" cannot be renamed: the name \"Y\" is taken by element \"Y\""},
        {"Z", "N", "the schematic has no element \"Z\""},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        WriteFile(scratch / "s.json", schematic);
        WriteFile(scratch / "script.txt", std::string("type 2001 \"") + c.rename + "\"\ntype 2181 \"7\"\ntype 2186 \"Y.OUT\"\nok\n");
        const HostRun run = RunHost(scratch, std::string("edit s.json --element ") + c.element + " --script script.txt -o e.json");
        if (*c.message == '\0') {
            EXPECT_EQ(0, run.exitCode) << run.err;
            EXPECT_EQ(ReadFile(PARVEL_SOURCE_DIR "/tests/data/host/edited_references.json"), ReadFile(scratch / "e.json"));
        } else {
            EXPECT_EQ(2, run.exitCode) << c.rename;
            EXPECT_EQ(std::string("qvhost: ") + c.message + "\n", run.err);
        }
        // A refusal leaves neither the output nor a part of it.
        std::set<std::string> left{"s.json", "script.txt"};
        if (*c.message == '\0') left.insert("e.json");
        EXPECT_EQ(left, scratch.Files()) << c.element << " " << c.rename;
    }
}

// A table page that applies with "File Name" ticked writes its data file into the output folder
// with the axis texts split into channel names and units, and an edit of the result shows the
// texts as they were typed. Describing the result writes the description's own channels (an
// axis text that names its channel, "X[s]", split as the page splits it).
TEST(QvhostOutputs, AnAppliedTablesAxisTextsComeBackInTheNextEdit) {
    struct Case {
        const char* what;
        std::string element;  // the element's JSON object
        std::vector<std::string> script;
        const char* applied;    // the channel lines of the file the apply writes
        std::vector<std::string> shown;  // lines the next edit prints
        const char* described;  // the channel lines of the description's file
        const char* counts;     // the header's counts and the data of both files
        const char* data;
    };
    const std::vector<std::string> rows = {"click 1122", "click 1122", "cell 2121 0 1 \"0\"", "cell 2121 1 1 \"1\"",
                                           "cell 2121 1 2 \"5\""};
    const std::vector<std::string> grid = {"dialog 2605 stay {", "type 1033 \"0\"", "type 1034 \"1\"",
                                           "type 1035 \"2\"", "click 1036", "}", "click 2438", "dialog 2605 stay {",
                                           "type 1033 \"10\"", "type 1034 \"10\"", "type 1035 \"2\"", "click 1036",
                                           "}", "click 2444"};
    auto with = [](std::vector<std::string> lines, std::initializer_list<std::string> more) {
        lines.insert(lines.end(), more);
        lines.insert(lines.end(), {"click 2116", "type 2117 \"t\"", "ok"});
        return lines;
    };
    // The lines and OK as a schematic's script: the page's OK that applies the tables' inputs
    // refuses a table without rows, so the schematic gives them.
    auto quoted = [](const std::vector<std::string>& lines) {
        std::string out;
        for (const std::string& line : lines) {
            out += "\"";
            for (const char ch : line) out += ch == '"' || ch == '\\' ? std::string("\\") + ch : std::string(1, ch);
            out += "\", ";
        }
        return out + "\"ok\"";
    };
    const Case cases[] = {
        {"2D table", R"({"id": 78, "name": "A", "parameters": {"IN": "W"}, "script": [)" + quoted(rows) + "]}",
         with({}, {"click 2273", "type 2275 \"X[s]\"", "click 2274", "type 2276 \"V\""}),
         "channel \"X\" \"s\"\nchannel \"V\" \"\"\n", {"2275 Edit \"X[s]\"", "2276 Edit \"V\""},
         "channel \"X\" \"s\"\nchannel \"Y\" \"V\"\n", "channels 2\nitems 2\n", "0 0\n1 5\n"},
        {"3D table",
         R"({"id": 103, "name": "A", "parameters": {"IN[1]": "U", "IN[2]": "W"}, "script": [)" + quoted(grid) + "]}",
         with({}, {"click 2273", "type 2275 \"time[s]\"", "click 2277", "type 2278 \"i\""}),
         "channel \"time\" \"s\"\nchannel \"i\" \"\"\nchannel \"\" \"\"\n",
         {"2275 Edit \"time[s]\"", "2278 Edit \"i\""}, "channel \"\" \"time[s]\"\nchannel \"\" \"i\"\nchannel \"\" \"\"\n",
         "channels 3\nitems 4\n", "0 0 10\n1 0 10\n0 0 20\n1 0 20\n"},
        {"data pairs", R"({"id": 43, "name": "A"})", with(rows, {}), "channel \"t[s]\" \"\"\nchannel \"Y\" \"\"\n", {},
         "channel \"X\" \"\"\nchannel \"Y\" \"\"\n", "channels 2\nitems 2\n", "0 0\n1 5\n"},
    };
    for (const Case& c : cases) {
        Scratch scratch;
        std::string lines;
        for (const std::string& line : c.script) lines += line + "\n";
        for (const char* folder : {"e", "r"}) fs::create_directory(scratch / folder);
        WriteFile(scratch / "s.json", OneDocument(c.element));
        WriteFile(scratch / "script.txt", lines);
        WriteFile(scratch / "none.txt", "");
        auto file = [&](const char* channels) {
            return qv_test::WithWriterMark(std::string("MDX 1\n") + c.counts + channels + "data\n" + c.data + "end\n", "D",
                                           "A");
        };
        const HostRun edited = RunHost(scratch, "edit s.json --element A --script script.txt -o e/e.json");
        ASSERT_EQ(0, edited.exitCode) << c.what << ": " << edited.err;
        EXPECT_EQ(file(c.applied), ReadFile(scratch / "e/t.mdx")) << c.what;
        const HostRun again = RunHost(scratch, "edit e/e.json --element A --script none.txt");
        ASSERT_EQ(0, again.exitCode) << c.what << ": " << again.err;
        for (const std::string& line : c.shown) EXPECT_NE(std::string::npos, again.out.find(line)) << c.what << ": " << line;
        const HostRun described = RunHost(scratch, "describe e/e.json -o r/o.desc");
        ASSERT_EQ(0, described.exitCode) << c.what << ": " << described.err;
        EXPECT_EQ(file(c.described), ReadFile(scratch / "r/t.mdx")) << c.what;
    }
}

// A table the schematic gives is what `edit` and `svg` show and write, whatever data file an
// earlier describe of other values left in the folder: the same as in a clean folder.
TEST(QvhostOutputs, ALeftoverDataFileDoesNotOverrideTheSchematicsTable) {
    const auto deadTime = [](const std::string& rows) {
        return R"({"document": "D", "elements": [{"id": 82, "name": "A", "parameters": {"INPUT": "U"},
            "script": ["click 2292")" + rows + R"(, "ok"]}]})";
    };
    const std::string one = R"(, "click 1122", "cell 2134 0 1 \"11\"")";
    const std::string earlier = DataPairs("RNL0", "[0, 0], [5, 99]"), now = DataPairs("RNL0", "[0, 0], [1, 1]");
    const struct {
        std::string earlier, schematic, command, output;
    } cases[] = {
        {earlier, now, "edit s.json --element RNL0 --script t -o e.json", "e.json"},
        {earlier, now, "svg s.json --element RNL0 --preview -o p.svg", "p.svg"},
        // The listing shows the samples.
        {deadTime(one + R"(, "click 1122", "cell 2134 1 1 \"12\"")"), deadTime(one), "edit s.json --element A --script t", ""},
    };
    for (const auto& c : cases) {
        Scratch clean, used;
        WriteFile(used / "old.json", c.earlier);
        ASSERT_EQ(0, RunHost(used, "describe old.json -o old.desc").exitCode) << c.command;
        ASSERT_EQ(3u, used.Files().size()) << c.command;   // with the data file
        HostRun runs[2];
        for (int i = 0; i < 2; ++i) {
            const Scratch& scratch = i == 0 ? clean : used;
            WriteFile(scratch / "s.json", c.schematic);
            WriteFile(scratch / "t", "ok\n");
            runs[i] = RunHost(scratch, c.command);
            EXPECT_EQ(0, runs[i].exitCode) << c.command << ": " << runs[i].err;
        }
        EXPECT_EQ(runs[0].out, runs[1].out) << c.command;
        EXPECT_EQ(ReadFile(clean / c.output), ReadFile(used / c.output)) << c.command;
    }
}

// A table that is empty is one line naming the element, the file and the reason: what its
// page shows and its wizard reports about the refused file say the same and are not printed,
// also where the path is too long for the page's message to be shown whole. A script's OK
// refuses the empty table with the page's message.
TEST(QvhostOutputs, AnEmptyTableIsOneLine) {
    for (const std::string& folder : {std::string("."), std::string(200, 'd')})
        for (const char* id : {"103", "78", "43"})
            for (const char* script : {"", R"(, "script": ["ok"])"}) {
                Scratch scratch;
                fs::create_directories(scratch / folder);
                WriteFile(scratch / "s.json", std::string(R"({"document": "P", "elements": [{"id": )") + id +
                                                  R"(, "name": "L3")" + script + "}]}");
                const HostRun run = RunHost(scratch, "describe s.json -o " + folder + "/o.desc");
                EXPECT_EQ(2, run.exitCode) << id << script;
                if (*script != '\0') {
                    EXPECT_TRUE(run.err.starts_with("qvhost: element \"L3\":")) << run.err;
                    EXPECT_NE(std::string::npos, run.err.find("unexpected message box \"Error : No data available - block "
                                                              "length = 0\": the user script has no answer left"))
                        << run.err;
                    EXPECT_TRUE(run.err.ends_with("script line 1 (ok): the sheet refused\n")) << run.err;
                    continue;
                }
                EXPECT_EQ("qvhost: element \"L3\": its table is empty; nothing can be written to " +
                              qv::ShownPath((fs::canonical(scratch / folder) / "P__L3.mdx").string()) + "\n",
                          run.err)
                    << id;
            }
}

namespace {

// A file or folder this process may not write, as one on a read-only mount or another user's
// file is: its mode without write permission and, for root, whom modes do not stop, the
// immutable flag. Undone when it goes. Holds() says whether writing is refused.
struct WriteProtected {
    explicit WriteProtected(std::vector<fs::path> paths) : m_paths(std::move(paths)) {
        for (const fs::path& path : m_paths) {
            fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
            SetImmutable(path, true);
        }
    }
    ~WriteProtected() {
        for (auto it = m_paths.rbegin(); it != m_paths.rend(); ++it) {
            SetImmutable(*it, false);
            std::error_code code;
            fs::permissions(*it, fs::perms::owner_write, fs::perm_options::add, code);
        }
    }
    bool Holds() const {
        return std::all_of(m_paths.begin(), m_paths.end(), [](const fs::path& p) { return ::access(p.c_str(), W_OK) != 0; });
    }

private:
    static void SetImmutable(const fs::path& path, bool on) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            (void)::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        ::close(fd);
    }
    std::vector<fs::path> m_paths;
};

} // namespace

// A data file that cannot be written where an earlier run left it (a read-only sub-folder) is
// one line naming the element, the file and the reason, as it is in an empty read-only folder;
// the earlier file stays as it was.
TEST(QvhostOutputs, AWriteProtectedDataFileIsOneLine) {
    for (const bool earlier : {true, false}) {
        Scratch scratch;
        fs::create_directory(scratch / "sub");
        WriteFile(scratch / "s.json", DataPairs("RNL1", "[0, 0], [1, 1]", "sub/t.mdx"));
        if (earlier) {
            ASSERT_EQ(0, RunHost(scratch, "describe s.json -o o.desc").exitCode);
        }
        const std::string before = earlier ? ReadFile(scratch / "sub/t.mdx") : std::string();
        WriteFile(scratch / "s.json", DataPairs("RNL1", "[0, 0], [2, 2]", "sub/t.mdx"));
        std::vector<fs::path> protect{scratch / "sub"};
        if (earlier) protect.push_back(scratch / "sub/t.mdx");
        WriteProtected readOnly(protect);
        if (!readOnly.Holds()) {
            GTEST_SKIP() << "this process may write whatever its mode says";
        }
        const HostRun run = RunHost(scratch, "describe s.json -o o.desc");
        EXPECT_EQ(2, run.exitCode) << earlier;
        const std::string line = "qvhost: element \"RNL1\": its data file " +
                                 qv::ShownPath((fs::canonical(scratch.path) / "sub/t.mdx").string()) + " cannot be written: ";
        EXPECT_EQ(0u, run.err.find(line)) << earlier << ": " << run.err;
        EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << earlier << ": " << run.err;
        if (earlier) {
            EXPECT_EQ(before, ReadFile(scratch / "sub/t.mdx"));
        }
    }
}

// Every line a command prints names a path of any length by its start and its end, also when
// it waits for another command or fails on the folder: a folder of 1,200 bytes gives lines of
// a few hundred.
TEST(QvhostOutputs, EveryLineIsShortWhateverThePath) {
    Scratch scratch;
    std::string folder = ".";
    for (char c : std::string("abcde")) folder += "/" + std::string(240, c);
    fs::create_directories(scratch / folder);
    WriteFile(scratch / "s.json", DataPairs("RNL1", "[0, 0], [1, 1]"));
    WriteFile(scratch / "t", "ok\n");
    const std::string o = folder + "/";
    struct Case {
        std::string command;
        int status;
        const char* said;
        std::function<void()> before;
    } cases[] = {
        {"describe s.json -o " + o + "o.desc", 0, "data file written to /", nullptr},
        {"save s.json -o " + o + "s.qva", 0, "saved to", nullptr},
        {"load " + o + "s.qva -o " + o + "t.qva", 0, "saved to", nullptr},
        {"edit s.json --element RNL1 --script t -o " + o + "e.json", 0, "written to", nullptr},
        {"svg s.json --element RNL1 --preview -o " + o + "p.svg", 0, "written to", nullptr},
        {"describe " + o + "none.json -o " + o + "o.desc", 2, "no such file", nullptr},
        {"describe s.json -o " + o + "none/o.desc", 2, "the output folder does not exist", nullptr},
        {"describe s.json -o " + o + "o.desc", 2, "is no journal",
         [&] { WriteFile(scratch / (o + ".qvhost-journal"), "not a journal\n"); }},
    };
    // Messages are short; what a command prints of the schematic (the data of a table, say)
    // holds no path of the folder.
    const std::string whole = std::string(240, 'c') + "/" + std::string(240, 'd');
    const auto check = [&whole](const std::string& what, const HostRun& run) {
        std::istringstream lines(run.err);
        for (std::string line; std::getline(lines, line);) EXPECT_GE(400u, line.size()) << what << ": " << line;
        EXPECT_EQ(std::string::npos, run.out.find(whole)) << what;
    };
    for (const Case& c : cases) {
        if (c.before) c.before();
        const HostRun run = RunHost(scratch, c.command);
        EXPECT_EQ(c.status, run.exitCode) << c.command << ": " << run.err;
        EXPECT_NE(std::string::npos, run.err.find(c.said)) << c.said << ": " << run.err;
        check(c.said, run);
    }
    fs::remove(scratch / (o + ".qvhost-journal"));
    {
        // A command that waits for another one says so, then goes on.
        const int held = ::open((scratch / o).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_LE(0, held);
        ASSERT_EQ(0, ::flock(held, LOCK_SH));
        HostRun run;
        std::thread waiting([&] { run = RunHost(scratch, "describe s.json -o " + o + "o.desc"); });
        const std::string errPath = scratch.path.string() + ".err";
        for (int i = 0; i < 600 && ReadFile(errPath).find("waiting for another command") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::close(held);
        waiting.join();
        EXPECT_EQ(0, run.exitCode) << run.err;
        EXPECT_NE(std::string::npos, run.err.find("waiting for another command")) << run.err;
        check("waiting", run);
    }
    WriteProtected readOnly({scratch / o});
    if (!readOnly.Holds()) {
        GTEST_SKIP() << "this process may write whatever its mode says";
    }
    const HostRun run = RunHost(scratch, "describe s.json -o " + o + "x.desc");
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("cannot be written")) << run.err;
    check("write-protected", run);
}

// A message box the user script cannot answer fails an edit session wherever it is shown, also
// while the element's pages open, before the script runs (an equation block whose formula
// module is missing): one line, and nothing written.
TEST(QvhostOutputs, ABoxShownAsThePagesOpenFailsTheSession) {
    Scratch scratch;
    // The host installed alone: its plug-in and catalogue are named, its formula modules are not there.
    const fs::path installed = fs::path(QVHOST_PATH).parent_path();
    std::error_code code;
    fs::create_hard_link(QVHOST_PATH, scratch / "qvhost", code);
    if (code) fs::copy_file(QVHOST_PATH, scratch / "qvhost");
    WriteFile(scratch / "s.json", ReadFile(std::string(PARVEL_SOURCE_DIR) + "/examples/equation_block.json"));
    WriteFile(scratch / "t", "ok\n");
    const std::string common = " --plugin " + Quote((installed / "Parvel.so").string()) + " --catalogue " +
                               Quote((installed / "catalogue").string());
    const HostRun run = RunHost(scratch, "edit s.json --element EQ1 --script t -o e.json" + common,
                                (scratch / "qvhost").string());
    EXPECT_EQ(2, run.exitCode) << run.err;
    EXPECT_EQ("qvhost: element \"EQ1\", as its pages opened: unexpected message box \"Scan Dll not found!\": the user "
              "script has no answer left\n",
              run.err);
    EXPECT_FALSE(fs::exists(scratch / "e.json"));
    // With its modules the same session passes.
    EXPECT_EQ(0, RunHost(scratch, "edit s.json --element EQ1 --script t -o e.json" + common).exitCode);
}

// A table of 20,000 data pairs goes whole through every command: the data file of the
// description, the page's list in an edit session (a cell of its last row typed anew) and the
// schematic the session writes, and an archive saved and loaded.
TEST(QvhostOutputs, TablesOfTwentyThousandRowsGoThroughEveryCommand) {
    constexpr int kRows = 20000;
    Scratch scratch;
    std::string points;
    for (int i = 0; i < kRows; ++i) points += (i ? ", [" : "[") + std::to_string(i) + ", " + std::to_string(i % 5) + "]";
    auto dataFile = [&](const std::string& folder, const std::string& lastRows) {
        const std::string text = ReadFile(scratch / folder / "D__RNL1.mdx");
        EXPECT_NE(std::string::npos, text.find("\nitems 20000\n")) << folder;
        EXPECT_EQ(lastRows, text.substr(text.size() - std::min(text.size(), lastRows.size()))) << folder;
    };
    Describe(scratch, "given", DataPairs("RNL1", points));
    dataFile("given", "19998 3\n19999 4\nend\n");

    WriteFile(scratch / "s.json", DataPairs("RNL1", points));
    WriteFile(scratch / "script.txt", "sheet ok {\n  cell 2121 19999 2 7\n}\nclick 2016\nok\n");
    const HostRun edit = RunHost(scratch, "edit s.json --element RNL1 --script script.txt -o e.json");
    ASSERT_EQ(0, edit.exitCode) << edit.err;
    const std::string edited = Describe(scratch, "edited", ReadFile(scratch / "e.json"));
    dataFile("edited", "19998 3\n19999 7\nend\n");

    ASSERT_EQ(0, RunHost(scratch, "save e.json -o a.qva").exitCode);
    const HostRun load = RunHost(scratch, "load a.qva");
    ASSERT_EQ(0, load.exitCode) << load.err;
    EXPECT_EQ(edited, Describe(scratch, "loaded", load.out));
    dataFile("loaded", "19998 3\n19999 7\nend\n");
    ASSERT_EQ(0, RunHost(scratch, "load a.qva -o b.qva").exitCode);
    EXPECT_EQ(ReadFile(scratch / "a.qva"), ReadFile(scratch / "b.qva"));
}

// The data-pairs time function reads a table of 20,000 rows through its Open button; the
// description writes them to the element's own data file, and its archive keeps them.
TEST(QvhostOutputs, ATimeFunctionTakesTwentyThousandRowsFromADataFile) {
    Scratch scratch;
    std::string rows = "MDX 1\nchannels 2\nitems 20000\nchannel \"t\" \"s\"\nchannel \"y\" \"\"\ndata\n";
    for (int i = 0; i < 20000; ++i) rows += std::to_string(i) + " " + std::to_string(i % 7) + "\n";
    WriteFile(scratch / "big.mdx", rows + "end\n");
    const std::string described = Describe(scratch, ".", R"({"document": "D", "elements": [{"id": 43, "name": "DP1",
        "script": ["file big.mdx", "click 2118", "ok"]}]})");
    EXPECT_NE(std::string::npos, described.find("TPERIO := 19999")) << described;
    const std::string written = ReadFile(scratch / "D__DP1.mdx");
    EXPECT_NE(std::string::npos, written.find("\nitems 20000\n"));
    const std::string last = "\n19998 6\n19999 0\nend\n";
    EXPECT_EQ(last, written.substr(written.size() - std::min(written.size(), last.size())));

    ASSERT_EQ(0, RunHost(scratch, "save s.json -o a.qva").exitCode);
    const HostRun load = RunHost(scratch, "load a.qva");
    ASSERT_EQ(0, load.exitCode) << load.err;
    EXPECT_EQ(described, Describe(scratch, "loaded", load.out));
    EXPECT_EQ(written, ReadFile(scratch / "loaded" / "D__DP1.mdx"));
}

namespace {

// The lines that open a table sub-sheet of element E1 (a schematic of one element of the ID),
// give it two rows and the file name typed (none: the "File Name" box is left as it is), and
// press its OK.
struct TableSheetOf {
    const char* label;
    int id;
    std::string before;   // on the element's page, before the sheet opens
    int button;
    std::string after = "";   // on the element's page, after the sheet
};

const TableSheetOf kTableSheets[] = {
    {"diode", 8, "choose 2080 \"XY-Data Pairs\"\n", 2016},
    {"power semiconductor", 9, "choose 2080 \"XY-Data Pairs\"\n", 2016},
    // The machine's second table takes its values from a pin, so that it can be described.
    {"nonlinear DC machine", 30, "", 2157, "click 2160\n"},
    {"nonlinear characteristic", 65, "", 2016},
    {"resistor", 15, "click 2088\n", 2016},
};

std::string TableSheetLines(const TableSheetOf& sheet, const std::string& fileName, const char* y = "1") {
    return sheet.before + "sheet ok {\nclick 2114\nclick 2397\nclick 1124\nclick 1122\ncell 2121 0 1 \"0\"\n" +
           "cell 2121 0 2 \"0\"\nclick 1122\ncell 2121 1 1 \"1\"\ncell 2121 1 2 \"" + y + "\"\n" +
           (fileName.empty() ? std::string() : "click 2116\ntype 2117 \"" + fileName + "\"\n") + "}\nclick " +
           std::to_string(sheet.button) + "\n" + sheet.after;
}

std::map<std::string, std::string> FilesWithBytes(const Scratch& scratch) {
    std::map<std::string, std::string> files;
    for (const std::string& name : scratch.Files()) files[name] = ReadFile(scratch / name);
    return files;
}

} // namespace

// The journaled road of an edit command: a sub-sheet's file goes with the element's Cancel and
// the folder is as before; after an apply the file is the element's, and a later sub-sheet's
// change to it goes with the Cancel, giving back the applied bytes.
TEST(QvhostOutputs, AnEditsCancelTakesBackWhatItsSubSheetsWroteSinceTheLastCommit) {
    for (const TableSheetOf& sheet : kTableSheets) {
        SCOPED_TRACE(sheet.label);
        Scratch scratch;
        WriteFile(scratch / "s.json", R"({"document": "D", "elements": [{"id": )" + std::to_string(sheet.id) +
                                          R"(, "name": "E1"}]})");
        WriteFile(scratch / "notes.txt", "the user's\n");
        WriteFile(scratch / "cancel.txt", TableSheetLines(sheet, "t.mdx") + "cancel\n");
        WriteFile(scratch / "applied.txt", TableSheetLines(sheet, "t.mdx") + "apply\ncancel\n");
        WriteFile(scratch / "changed.txt",
                  TableSheetLines(sheet, "t.mdx") + "apply\n" + TableSheetLines(sheet, "", "7") + "cancel\n");
        const auto scripts = FilesWithBytes(scratch);

        HostRun run = RunHost(scratch, "edit s.json --element E1 --script cancel.txt -o out.json");
        ASSERT_EQ(0, run.exitCode) << run.err;
        fs::remove(scratch / "out.json");
        EXPECT_EQ(scripts, FilesWithBytes(scratch));

        run = RunHost(scratch, "edit s.json --element E1 --script applied.txt -o out.json");
        ASSERT_EQ(0, run.exitCode) << run.err;
        const std::string applied = ReadFile(scratch / "t.mdx");
        EXPECT_NE(std::string::npos, applied.find("\n1 1\n")) << applied;
        fs::remove(scratch / "t.mdx");
        run = RunHost(scratch, "edit s.json --element E1 --script changed.txt -o out.json");
        ASSERT_EQ(0, run.exitCode) << run.err;
        EXPECT_EQ(applied, ReadFile(scratch / "t.mdx"));
        fs::remove(scratch / "t.mdx");
        fs::remove(scratch / "out.json");
        EXPECT_EQ(scripts, FilesWithBytes(scratch));
    }
}

// A table name typed on a sub-sheet lies in the document's folder, whichever folder the host
// is run from: an edit run elsewhere writes it beside the printed schematic, and describing
// that schematic from a folder below writes it there again and nowhere else.
TEST(QvhostOutputs, ATableNameTypedOnASubSheetLiesInTheDocumentsFolder) {
    for (const TableSheetOf& sheet : kTableSheets) {
        SCOPED_TRACE(sheet.label);
        Scratch scratch;
        fs::create_directories(scratch / "out/sub");
        fs::create_directories(scratch / "other");
        WriteFile(scratch / "s.json", R"({"document": "D", "elements": [{"id": )" + std::to_string(sheet.id) +
                                          R"(, "name": "E1"}]})");
        WriteFile(scratch / "e.txt", TableSheetLines(sheet, "mytab") + "ok\n");
        HostRun run = RunHostIn(scratch, scratch / "other", "edit ../s.json --element E1 --script ../e.txt -o ../out/x.json");
        ASSERT_EQ(0, run.exitCode) << run.err;
        run = RunHostIn(scratch, scratch / "out/sub", "describe ../x.json -o ../x.desc");
        ASSERT_EQ(0, run.exitCode) << run.err;
        EXPECT_EQ((std::set<std::string>{"e.txt", "out/mytab.mdx", "out/x.desc", "out/x.json", "s.json"}),
                  scratch.Files());
    }
}
