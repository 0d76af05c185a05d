// How the host takes inputs that are huge or marked: a message shows a bounded part of a long
// text, an edit script may start with a byte-order mark, and `svg` makes only the element it
// draws.
#include "afx/message_text.h"
#include "editor/text_codec.h"
#include "tests/support/host_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

// Runs the host on the schematic of the elements (JSON objects) and the files given, all in a
// scratch folder whose path replaces "@" in the arguments; the exit code, both streams, and
// what it wrote to "o.svg".
int RunOnSchematic(const std::string& elements, const std::string& args, std::string& output,
                   const std::vector<std::pair<std::string, std::string>>& files = {},
                   std::string* picture = nullptr) {
    qv_test::ScratchFolder scratch("qvhost_input");
    qv_test::WriteFile(scratch / "s.json", R"({"document": "D", "elements": [)" + elements + "]}");
    for (const auto& [name, bytes] : files) qv_test::WriteFile(scratch / name, bytes);
    std::string line = args;
    const std::string folder = "'" + scratch.path + "'/";
    for (size_t at = 0; (at = line.find('@', at)) != std::string::npos; at += folder.size()) line.replace(at, 1, folder);
    const int code = qv_test::RunHost(line, "qvhost_input.ini", &output);
    if (picture != nullptr) *picture = qv_test::ReadFile(scratch / "o.svg");
    return code;
}

TEST(QvhostInput, ExcerptsKeepTheFirstBytesAndWholeCharacters) {
    const std::string bound(qv::kMaxQuotedBytes, 'a');
    EXPECT_EQ('"' + bound + '"', qv::Quoted(bound));
    EXPECT_EQ('"' + bound + "\"... (201 bytes)", qv::Quoted(bound + "b"));
    // The cut would split the two bytes of U+00E4: the character is left out whole.
    EXPECT_EQ(bound.substr(1) + "... (201 bytes)", qv::Excerpt(bound.substr(1) + "\xC3\xA4"));
    // A message box's own line break, a tab or another control byte never ends the line.
    EXPECT_EQ("\"a.mdx already exists.\\nDo you want to replace it?\"", qv::Quoted("a.mdx already exists.\nDo you want to replace it?"));
    EXPECT_EQ("\"C:\\x\\ty\\x01\"", qv::Quoted("C:\\x\ty\x01"));
}

// A long path is cut in its middle: its start and its file name stay, and no character is split.
TEST(QvhostInput, ShownPathsKeepTheirStartAndTheirFileName) {
    const std::string name = "/P__L3.mdx", folder(qv::kMaxShownPathBytes - name.size(), 'd');
    const std::string umlauts = [] {
        std::string text;
        for (int i = 0; i < 200; ++i) text += "\xC3\xA4";
        return text;
    }();
    const struct {
        std::string path, start, end;
    } cases[] = {
        {folder + name, folder + name, ""},                    // as long as shown: whole
        {"/" + folder + name, "/" + folder.substr(0, 46), std::string(100 - name.size(), 'd') + name},
        {"/" + std::string(5000, 'x') + name, "/" + std::string(46, 'x'), name},
        {"/" + umlauts + name, "/" + umlauts.substr(0, 46), umlauts.substr(0, 100) + name},
    };
    for (const auto& c : cases) {
        const std::string shown = qv::ShownPath(c.path);
        EXPECT_GE(qv::kMaxShownPathBytes, shown.size()) << shown;
        EXPECT_EQ(0u, shown.find(c.start)) << shown;
        EXPECT_EQ(shown.size() - c.end.size(), shown.rfind(c.end)) << shown;
        EXPECT_EQ(c.path.size() > qv::kMaxShownPathBytes, shown.find("...") != std::string::npos) << shown;
        EXPECT_TRUE(qv::IsUtf8(shown)) << shown;
    }
    // Characters of two, three and four bytes, shifted so that each cut falls on every byte of
    // one: the start gives back and the end leaves out what would be part of a character.
    for (const std::string character : {"\xC3\xA4", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"})
        for (size_t before = 0; before < character.size(); ++before)
            for (size_t after = 0; after < character.size(); ++after) {
                std::string path = "/" + std::string(before, 'x');
                while (path.size() < 2 * qv::kMaxShownPathBytes) path += character;
                path += std::string(after, 'y');
                const std::string shown = qv::ShownPath(path);
                EXPECT_TRUE(qv::IsUtf8(shown)) << character.size() << " " << before << " " << after;
                EXPECT_GE(qv::kMaxShownPathBytes, shown.size()) << shown;
                EXPECT_LE(qv::kMaxShownPathBytes - 2 * (character.size() - 1), shown.size()) << shown;
            }
}

// A control byte in a path is shown escaped, so that a message stays one line, and a long
// path with many of them still keeps to its bound and its file name.
TEST(QvhostInput, ShownPathsAreOneLine) {
    const struct {
        std::string path, shown;
    } cases[] = {
        {"/o/a\nb.mdx", "/o/a\\nb.mdx"},
        {"/o/a\\nb.mdx", "/o/a\\\\nb.mdx"},
        {"/o/\r\t\x01\x7f.mdx", "/o/\\r\\t\\x01\\x7f.mdx"},
    };
    for (const auto& c : cases) EXPECT_EQ(qv::ShownPath(c.path), c.shown);
    // A long path of line breaks: cut to its bound, as shown, with its file name and no break.
    const std::string cut = qv::ShownPath("/" + std::string(300, '\n') + "/f.mdx");
    EXPECT_GE(qv::kMaxShownPathBytes, cut.size()) << cut;
    EXPECT_EQ(cut.find('\n'), std::string::npos) << cut;
    EXPECT_EQ(cut.substr(cut.size() - 6), "/f.mdx");
    EXPECT_EQ(cut.substr(0, 5), "/\\n\\n") << cut;
}

// Every kind of place that quotes a user's text in a message: a text of 100,000 bytes shows
// its first bytes and its length (a path its start and its end), and no line of the output is
// long.
TEST(QvhostInput, MessagesQuoteTheFirstBytesOfALongText) {
    const std::string z(100000, 'z');
    const std::string r1 = R"({"id": 15, "name": "R1"})";
    const std::string describe = "describe @s.json -o @o.desc", edit = "edit @s.json --element R1 --script @t";
    const struct {
        std::string elements, args, script;
    } cases[] = {
        {R"({"id": 15, "name": "R1", "parameters": {"R": {"value": "1", "unit": ")" + z + "\"}}}", describe, ""},
        {R"({"id": 15, "name": "R1", "parameters": {")" + z + "\": \"1\"}}", describe, ""},
        {R"({"id": 15, "name": "R)" + z + R"(", "outputs": ["NONE"]})", describe, ""},
        {R"({"id": 15, "name": "R )" + z + "\"}", describe, ""},
        {R"({"id": 15, "name": "R1", ")" + z + "\": 1}", describe, ""},
        {R"({"id": 15, "name": "R1", "characteristic": {"kind": "data-pairs", "file": ")" + z +
             R"(", "points": [[0, 0], [1, 1]]}})", describe, ""},
        {r1, edit, z + "\n"},
        {r1, edit, "message ok \"" + z + "\"\n"},
        {r1, "svg @s.json --symbol -o @o.svg --element R" + z.substr(0, 50000), ""},
    };
    for (const auto& c : cases) {
        std::string output;
        EXPECT_EQ(2, RunOnSchematic(c.elements, c.args, output, {{"t", c.script}})) << output.substr(0, 300);
        for (const std::string& line : qv_test::Lines(output)) EXPECT_LT(line.size(), 500u) << line.substr(0, 300);
        // A text is cut after its first bytes, a path in its middle.
        const bool cut = output.find("... (", output.find(std::string(20, 'z'))) != std::string::npos ||
                         output.find("..." + std::string(20, 'z')) != std::string::npos;
        EXPECT_TRUE(cut) << output.substr(0, 300);
    }
}

// A quoted text that holds what the JSON library's own messages hold ("'; ", quotes) is bounded
// all the same, as a schematic and as a catalogue's family file: the issue's text and the
// fuzzer's findings.
TEST(QvhostInput, MessagesQuoteTheFirstBytesWhateverTheTextHolds) {
    std::vector<std::string> texts{R"({"document":"x'; )" + std::string(100000, 'B') + "\xFF\"}"};
    for (const char* name : {"long-message", "catalogue-long-message-1", "catalogue-long-message-2"})
        texts.push_back(qv_test::ReadFile(PARVEL_SOURCE_DIR "/fuzz/seeds/schematic_fuzz/schematic_fuzz-" +
                                          std::string(name)));
    for (const std::string& text : texts) {
        qv_test::ScratchFolder scratch("qvhost_quote");
        std::filesystem::create_directory(scratch / "c");
        qv_test::WriteFile(scratch / "s.json", text);
        qv_test::WriteFile(scratch / "c/f.json", text);
        for (const std::string args : {"describe @s.json -o @o.desc", "describe @s.json --catalogue @c -o @o.desc"}) {
            std::string line = args, output;
            const std::string folder = "'" + scratch.path + "'/";
            for (size_t at = 0; (at = line.find('@', at)) != std::string::npos; at += folder.size())
                line.replace(at, 1, folder);
            EXPECT_EQ(2, qv_test::RunHost(line, "qvhost_input.ini", &output));
            // The fixed words and the file's path, and at most one quoted text.
            for (const std::string& printed : qv_test::Lines(output))
                EXPECT_LT(printed.size(), qv::kMaxQuotedBytes + 150 + qv::kMaxShownPathBytes) << printed.substr(0, 400);
        }
    }
}

TEST(QvhostInput, AnEditScriptMayStartWithAByteOrderMark) {
    std::string plain, marked;
    const std::string script = "type 2028 \"5.6k\"\nprint\n", args = "edit @s.json --element R1 --script @t";
    EXPECT_EQ(0, RunOnSchematic(R"({"id": 15, "name": "R1"})", args, plain, {{"t", script}})) << plain;
    EXPECT_EQ(0, RunOnSchematic(R"({"id": 15, "name": "R1"})", args, marked, {{"t", "\xEF\xBB\xBF" + script}})) << marked;
    EXPECT_NE(std::string::npos, plain.find("2028 Edit \"5.6k\"")) << plain;
    EXPECT_EQ(plain, marked);
}

// `svg` makes the element it draws and no other: an element that cannot be made elsewhere in
// the schematic does not stop it. An element found only by the name its script gives it is
// still found, and the whole text is still read for its faults.
TEST(QvhostInput, SvgMakesOnlyTheElementItDraws) {
    const std::string r1 = R"({"id": 15, "name": "R1", "parameters": {"R": "1k"}})";
    const std::string others = R"({"id": 999999, "name": "UNKNOWN"}, )"
                               R"({"id": 15, "name": "RN", "script": ["type 2001 \"RX\"", "ok"]}, )";
    const std::string symbol = "svg @s.json --symbol -o @o.svg --element ";
    std::string output, alone, picture;
    ASSERT_EQ(0, RunOnSchematic(r1, symbol + "R1", output, {}, &alone)) << output;
    EXPECT_EQ(0, RunOnSchematic(others + r1, symbol + "R1", output, {}, &picture)) << output;
    EXPECT_EQ(alone, picture);
    EXPECT_EQ(0, RunOnSchematic(others + r1, symbol + "RX", output)) << output;
    EXPECT_EQ(2, RunOnSchematic(others + r1, symbol + "RN", output)) << output;
    EXPECT_EQ(2, RunOnSchematic(r1 + R"(, {"id": 15, "name": "R2", "unknown": 1})", symbol + "R1", output)) << output;
}

} // namespace
