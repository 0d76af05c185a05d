// An element renamed on its page keeps the data files it wrote: each kind of element that writes
// a table is described, renamed ("type 2001", OK) and described again, in one host, in a host
// made afresh from the printed schematic, after save and load, and by qvhost's commands. The
// description replaces the same file without a question and the file carries the new name; a
// default name follows the rename and leaves the old file to whoever has the old name. A file
// another element marked, or one changed since it was written, stays the user's.
#include "tests/support/host_fixture.h"

#include "afx/message_text.h"
#include "toolkit/read_write_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <future>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;
using qv_test::WriteFile;

// An element that writes a table: its record (its name is added), the file it writes named E1
// and named E2 (relative to the document's folder).
struct Kind {
    const char* label;
    const char* element;
    const char* asE1;
    const char* asE2;
};

#define DEAD_TIME R"("id": 82, "parameters": {"INPUT": "0", "FILE": "dt.mdx"}, "script": ["click 2292", "click 1122", "click 1122", "cell 2134 0 1 \"0.5\"", "ok"])"
#define GRID_3D                                                                                                         \
    R"("id": 103, "parameters": {"IN[1]": "U", "IN[2]": "W"}, "script": ["dialog 2605 stay {", "type 1033 \"0\"", )"   \
    R"("type 1034 \"1\"", "type 1035 \"2\"", "click 1036", "}", "click 2438", "dialog 2605 stay {", "type 1033 \"0\"", )" \
    R"("type 1034 \"1\"", "type 1035 \"2\"", "click 1036", "}", "click 2444", "row 2448 1", "cell 2446 1 1 \"4\"", )"

const Kind kKinds[] = {
    {"dead time, its file named", DEAD_TIME, "dt.mdx", "dt.mdx"},
    {"2D table, its file named",
     R"("id": 78, "parameters": {"IN": "W"}, "script": ["click 1122", "click 1122", "cell 2121 1 1 \"1\"", )"
     R"("cell 2121 1 2 \"2\"", "click 2116", "type 2117 \"lt\"", "ok"])",
     "lt.mdx", "lt.mdx"},
    {"data pairs, its file named",
     R"("id": 43, "outputs": ["OUT"], "script": ["click 1122", "click 1122", "cell 2121 1 1 \"1m\"", )"
     R"("cell 2121 1 2 \"5\"", "choose 2215 Without", "click 2116", "type 2117 \"dp\"", "ok"])",
     "dp.mdx", "dp.mdx"},
    {"3D table, default name", GRID_3D R"("ok"])", "D__E1.mdx", "D__E2.mdx"},
    {"3D table, its file named", GRID_3D R"("click 2116", "type 2117 \"grid\"", "ok"])", "grid.mdx", "grid.mdx"},
    {"Fourier source, default name",
     R"("id": 85, "script": ["click 2323", "type 2328 3", "click 2321", "cell 2329 1 2 10", "ok"])", "D__E1.mdx",
     "D__E2.mdx"},
    {"characteristic, default name",
     R"("id": 15, "characteristic": {"kind": "data-pairs", "points": [[-1, -0.5], [0, 0], [1, 2]]})", "D__E1.mdx",
     "D__E2.mdx"},
    {"characteristic, its file named",
     R"("id": 15, "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 2]], "file": "r.mdx"})", "r.mdx",
     "r.mdx"},
    {"characteristic on its sheet, default name",
     R"("id": 8, "script": ["choose 2080 \"XY-Data Pairs\"", "sheet ok {", "click 2397", "click 1124", "click 1122", )"
     R"("cell 2121 0 1 \"0\"", "click 1122", "cell 2121 1 1 \"1\"", "cell 2121 1 2 \"10\"", "}", "click 2016", "ok"])",
     "D__E1.mdx", "D__E2.mdx"},
    {"machine's characteristic, default name",
     R"("id": 30, "script": ["sheet ok {", "click 2114", "click 2397", "click 1122", "cell 2121 0 1 \"0\"", )"
     R"("cell 2121 0 2 \"1\"", "click 1122", "cell 2121 1 1 \"2\"", "cell 2121 1 2 \"0.5\"", "}", "click 2157", )"
     R"("click 2160", "ok"])",
     "D__E1__CHLE.mdx", "D__E2__CHLE.mdx"},
};

const std::vector<std::string> kRename = {"type 2001 \"E2\"", "ok"};

// The file's bytes with the mark of element `from` made the mark of `to`: the same table.
std::string Marked(std::string bytes, const std::string& from, const std::string& to) {
    const std::string mark = "written \"D\" \"" + from + "\"";
    const size_t at = bytes.find(mark);
    if (at != std::string::npos) bytes.replace(at, mark.size(), "written \"D\" \"" + to + "\"");
    return bytes;
}

std::string Schematic(const std::vector<std::pair<std::string, std::string>>& elements) {
    std::string text = R"({"document": "D", "elements": [)";
    for (const auto& [name, record] : elements)
        text += std::string(text.back() == '[' ? "" : ", ") + R"({"name": ")" + name + "\", " + record + "}";
    return text + "]}";
}

class RenamedElementFiles : public qv_test::HostTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(UseFolder("renamed_files")); }

    // A fresh document folder with the schematic built in a host started anew.
    void Fresh(const std::string& schematic) {
        std::error_code code;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename() != "user.ini") fs::remove_all(entry.path(), code);
        Remake(schematic);
    }
    // The schematic built in a host started anew, in the folder as it is.
    void Remake(const std::string& schematic) {
        host.reset();
        host = Started();
        WriteFile(folder / "s.json", schematic);
        Build((folder / "s.json").string());
    }
    bool Describes(qv::Host& which, std::string& error) {
        std::vector<std::string> written;
        return which.Describe((folder / "d.desc").string(), written, error);
    }
    bool Renames(const std::string& from, const std::string& to, std::string& error) {
        qv::EditOutcome outcome;
        return host->Edit(from, {"type 2001 \"" + to + "\"", "ok"}, outcome, error);
    }
    // Runs qvhost in the folder; its status.
    int Qvhost(const std::string& arguments) { return QvhostIn(folder, arguments); }
    // Runs qvhost in a folder of its own, with its own profile there; its status.
    static int QvhostIn(const fs::path& where, const std::string& arguments) {
        const std::string command = "cd '" + where.string() + "' && HOME='" + where.string() + "' XDG_CONFIG_HOME='" +
                                    where.string() + "/cfg' QV_USER_PROFILE='" + where.string() + "/user.ini' '" QVHOST_PATH
                                    "' " + arguments + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(RenamedElementFiles, ARenamedElementReplacesTheFilesItWroteWithoutAQuestion) {
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.label);
        ASSERT_NO_FATAL_FAILURE(Fresh(Schematic({{"E1", kind.element}})));
        std::string error;
        ASSERT_TRUE(Describes(*host, error)) << error;
        const std::string first = ReadFile(folder / kind.asE1);
        ASSERT_THAT(first, testing::HasSubstr("written \"D\" \"E1\""));
        // A question the session does not answer fails it. A page that writes its table on OK
        // writes it with the name it had until then.
        ASSERT_TRUE(Renames("E1", "E2", error)) << error;
        if (std::string(kind.asE1) == kind.asE2) {
            EXPECT_THAT(ReadFile(folder / kind.asE2), testing::HasSubstr("written \"D\" \"E2\""));
        }
        ASSERT_TRUE(Describes(*host, error)) << error;
        const std::string renamed = Marked(first, "E1", "E2");
        EXPECT_EQ(renamed, ReadFile(folder / kind.asE2));
        // An old default name stays the old name's.
        if (std::string(kind.asE1) != kind.asE2) {
            EXPECT_EQ(first, ReadFile(folder / kind.asE1));
        }

        // The printed schematic made afresh, and the archive loaded, describe alike.
        const std::string printed = qv::WriteSchematic(host->CurrentSchematic());
        std::unique_ptr<qv::Host> loaded = SavedAndLoaded();
        ASSERT_NE(nullptr, loaded);
        EXPECT_TRUE(Describes(*loaded, error)) << error;
        loaded.reset();
        ASSERT_NO_FATAL_FAILURE(Remake(printed));
        ASSERT_TRUE(Describes(*host, error)) << error;
        EXPECT_EQ(renamed, ReadFile(folder / kind.asE2));
    }
}

// The same through qvhost's commands: describe, edit -o, describe the printed schematic.
TEST_F(RenamedElementFiles, QvhostDescribesWhatItsEditRenamed) {
    WriteFile(folder / "rename.txt", "type 2001 \"E2\"\nok\n");
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.label);
        std::error_code code;
        fs::remove_all(folder / "out", code);
        fs::create_directories(folder / "out");
        WriteFile(folder / "s.json", Schematic({{"E1", kind.element}}));
        ASSERT_EQ(0, Qvhost("describe s.json -o out/d.desc")) << ReadFile(folder / "err.txt");
        const std::string first = ReadFile(folder / "out" / kind.asE1);
        ASSERT_EQ(0, Qvhost("edit s.json --element E1 --script rename.txt -o out/p.json")) << ReadFile(folder / "err.txt");
        ASSERT_EQ(0, Qvhost("describe out/p.json -o out/d.desc")) << ReadFile(folder / "err.txt");
        EXPECT_EQ(Marked(first, "E1", "E2"), ReadFile(folder / "out" / kind.asE2));
    }
}

// Renamed and given "File Name" in one session (ticked on the page, or on the characteristic's
// sheet opened after the rename or before and again after it), each element that writes a data
// file (each table of it) writes its file under the new name: the printed schematic describes
// into the same folder, and a bare OK on it follows, both with status 0 and no question.
TEST_F(RenamedElementFiles, ARenameAndAFileNameInOneSessionWriteTheNewNamesFile) {
    const std::string rename = "type 2001 \"E2\"\n";
    const std::string sheet = "sheet ok {\nclick 2116\n}\n";
    const std::string pairs = R"("characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 2]]})";
    const auto sheetAt = [&](const char* button) { return rename + sheet + "click " + button + "\n"; };
    const char* const machineTable = R"("sheet ok {", "click 2114", "click 2397", "click 1122", "cell 2121 0 1 \"0\"", )"
                                     R"("cell 2121 0 2 \"1\"", "click 1122", "cell 2121 1 1 \"2\"", "cell 2121 1 2 \"0.5\"", "}", )";
    const std::string formTwo = R"("characteristic": {"kind": "data-pairs", "form": 2, "points": [[0, 1], [1, 2]]})";
    struct Case {
        std::string record;
        std::string session;
    };
    std::vector<Case> cases = {
        {kKinds[0].element, rename},
        {kKinds[1].element, rename},
        {kKinds[2].element, rename},
        {kKinds[3].element, rename + "click 2116\n"},
        {kKinds[4].element, rename},
        {kKinds[5].element, rename + "click 2116\n"},
        {kKinds[6].element, sheetAt("2016")},
        {kKinds[7].element, rename + "sheet ok {\n}\nclick 2016\n"},
        {kKinds[8].element, sheetAt("2016")},
        {kKinds[8].element, sheet + "click 2016\n" + rename + "sheet ok {\n}\nclick 2016\n"},
        {kKinds[9].element, rename + "sheet ok {\nclick 2116\n}\nclick 2157\n"},
        {std::string(R"("id": 30, "script": [)") + machineTable + R"("click 2157", )" + machineTable +
             R"("click 2159", "ok"])",
         rename + "sheet ok {\nclick 2116\n}\nclick 2159\n"},
        {R"("id": 17, )" + pairs, sheetAt("2093")},
        {R"("id": 65, )" + pairs, sheetAt("2016")},
        {R"("id": 112, )" + pairs, sheetAt("2016")},
        {R"("id": 16, "parameters": {"QUANT": "R1"}, )" + pairs, sheetAt("2016")},
        {R"("id": 18, )" + pairs, sheetAt("2093")},
        {R"("id": 18, )" + formTwo, sheetAt("2098")},
        {R"("id": 17, )" + formTwo, sheet + "click 2098\n" + rename + "sheet ok {\n}\nclick 2098\n"},
        {R"("id": 1, "parameters": {"QUANT": "R1"}, )" + pairs, sheetAt("2016")},
        {R"("id": 2, "parameters": {"QUANT": "R1"}, )" + pairs, sheetAt("2016")},
    };
    // The semiconductors' table, picked on the page and filled on its sheet.
    for (const int id : {9, 10, 11, 12, 13, 14}) {
        std::string record = kKinds[8].element;
        record.replace(record.find("8"), 1, std::to_string(id));
        cases.push_back({record, sheetAt("2016")});
    }
    // Each row in a folder of its own, a few rows at a time: each runs three hosts.
    struct Ran {
        int status[3] = {-1, -1, -1};
        std::string error[3];
    };
    const auto run = [&](size_t row) {
        Ran ran;
        const fs::path where = folder / ("row" + std::to_string(row));
        std::error_code code;
        fs::remove_all(where, code);
        fs::create_directories(where / "out");
        // The controlled sources are controlled by the resistor's quantity.
        WriteFile(where / "s.json", Schematic({{"E1", cases[row].record}, {"R1", R"("id": 15)"}}));
        WriteFile(where / "session.txt", cases[row].session + "ok\n");
        WriteFile(where / "ok.txt", "ok\n");
        const char* const commands[] = {"edit s.json --element E1 --script session.txt -o out/p.json",
                                        "describe out/p.json -o out/d.desc",
                                        "edit out/p.json --element E2 --script ok.txt -o out/q.json"};
        for (int at = 0; at < 3; ++at) {
            ran.status[at] = QvhostIn(where, commands[at]);
            ran.error[at] = ReadFile(where / "err.txt");
            if (ran.status[at] != 0) break;
        }
        fs::remove_all(where, code);
        return ran;
    };
    constexpr size_t kAtOnce = 4;
    for (size_t first = 0; first < cases.size(); first += kAtOnce) {
        std::vector<std::future<Ran>> running;
        for (size_t row = first; row < cases.size() && row < first + kAtOnce; ++row)
            running.push_back(std::async(std::launch::async, run, row));
        for (size_t at = 0; at < running.size(); ++at) {
            const Case& c = cases[first + at];
            SCOPED_TRACE(c.record + ": " + c.session);
            const Ran ran = running[at].get();
            for (int step = 0; step < 3; ++step) EXPECT_EQ(0, ran.status[step]) << "step " << step + 1 << ": " << ran.error[step];
        }
    }
}

// A file of the same name in a characteristic search folder is another's: the page that opens
// on an element whose own file lies beside the document keeps the element's table, and a bare
// OK and Cancel describe it as before.
TEST_F(RenamedElementFiles, AFileOfTheSameNameInASearchFolderIsNotTheElementsTable) {
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.label);
        ASSERT_NO_FATAL_FAILURE(Fresh(Schematic({{"E1", kind.element}})));
        fs::create_directories(folder / "search");
        WriteFile(folder / "Lumo70.ini",
                  "[SearchPathCharateristics]\nNumOfSearchDirs=1\nDir0=" + (folder / "search").string() + "/\n");
        std::string error;
        ASSERT_TRUE(Describes(*host, error)) << error;
        const std::string own = ReadFile(folder / kind.asE1);
        const std::string description = ReadFile(folder / "d.desc");
        CReadAndWriteFiles foreign;
        std::vector<double> columns[3] = {{0, 100, 200, 300}, {7, 7, 7, 7}, {0, 0, 0, 0}};
        // The Fourier source's harmonics are three channels, every other table two.
        const int channels = std::string(kind.element).find("\"id\": 85") != std::string::npos ? 3 : 2;
        foreign.SetNrChannels(channels);
        foreign.SetNrItems(4);
        for (int c = 0; c < channels; ++c) foreign.InsertChannel(c, columns[c].data(), "c", "");
        ASSERT_TRUE(foreign.WriteFile((folder / "search" / fs::path(kind.asE1).filename()).string().c_str(), "", 0,
                                      nullptr, nullptr, 0, 0));
        for (const char* end : {"cancel", "ok"}) {
            qv::EditOutcome outcome;
            host->Edit("E1", {end}, outcome, error);
            ASSERT_TRUE(Describes(*host, error)) << end << ": " << error;
            EXPECT_EQ(own, ReadFile(folder / kind.asE1)) << end;
            EXPECT_EQ(description, ReadFile(folder / "d.desc")) << end;
        }
        fs::remove(folder / "Lumo70.ini");
    }
}

// An edit that prints no schematic keeps no rename, and no file takes the new name (a page that
// writes its table on OK writes it for the name the schematic keeps).
TEST_F(RenamedElementFiles, AnEditThatPrintsNothingLeavesTheMarks) {
    WriteFile(folder / "rename.txt", "type 2001 \"E2\"\nok\n");
    for (const Kind& kind : {kKinds[0], kKinds[1]}) {
        SCOPED_TRACE(kind.label);
        WriteFile(folder / "s.json", Schematic({{"E1", kind.element}}));
        ASSERT_EQ(0, Qvhost("describe s.json -o d.desc")) << ReadFile(folder / "err.txt");
        ASSERT_EQ(0, Qvhost("edit s.json --element E1 --script rename.txt")) << ReadFile(folder / "err.txt");
        EXPECT_THAT(ReadFile(folder / kind.asE1), testing::HasSubstr("written \"D\" \"E1\""));
        ASSERT_EQ(0, Qvhost("describe s.json -o d.desc")) << ReadFile(folder / "err.txt");
    }
}

// What is not the renamed element's stays the user's, and the old name's files are the files of
// the element that takes the old name.
TEST_F(RenamedElementFiles, WhatTheElementDidNotWriteStaysTheUsers) {
    const std::string resistor = R"("id": 15)";
    const struct {
        const char* label;
        const char* mark;      // the dead time's file marked so before the rename
        const char* changed;   // its second row's value changed by hand to this one
    } cases[] = {
        {"marked by another live element", "E3", nullptr},
        {"marked by an element of no name the document has", "E9", nullptr},
        {"changed since it was written", nullptr, "0.7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_NO_FATAL_FAILURE(Fresh(Schematic({{"E1", DEAD_TIME}, {"E3", resistor}})));
        std::string error;
        ASSERT_TRUE(Describes(*host, error)) << error;
        std::string users = ReadFile(folder / "dt.mdx");
        if (c.mark != nullptr) users = Marked(users, "E1", c.mark);
        if (c.changed != nullptr) users.replace(users.find(" 0.5\n"), 4, std::string(" ") + c.changed);
        WriteFile(folder / "dt.mdx", users);
        ASSERT_TRUE(Renames("E1", "E2", error)) << error;
        EXPECT_FALSE(Describes(*host, error));
        EXPECT_EQ("element \"E2\": its data file " + qv::ShownPath((folder / "dt.mdx").string()) +
                      " already exists and is not a file it wrote; describe replaces no file of the user's (rename or "
                      "remove it, describe into another folder, or give the element another file name)",
                  error);
        EXPECT_EQ(users, ReadFile(folder / "dt.mdx"));
    }
}

// A file that cannot take the new name's mark refuses the rename: the element keeps its name and
// every file of its own as it was, all or none, also one that took the mark before the file
// that could not (the machine's two tables, each in a file named on its sheet).
TEST_F(RenamedElementFiles, AFileThatCannotBeKeptRefusesTheRename) {
    const std::string table = R"("sheet ok {", "click 2114", "click 2397", "click 1122", "cell 2121 0 1 \"0\"", )"
                              R"("cell 2121 0 2 \"1\"", "click 1122", "cell 2121 1 1 \"2\"", "cell 2121 1 2 \"0.5\"", )"
                              R"("click 2116", "type 2117 \")";
    const struct {
        std::string record;
        std::vector<std::string> files;
        int refused;   // the write that cannot be made, counted from 1
    } cases[] = {
        {DEAD_TIME, {"dt.mdx"}, 1},
        {R"("id": 30, "script": [)" + table + R"(ex\"", "}", "click 2157", )" + table + R"(mag\"", "}", "click 2159", "ok"])",
         {"ex.mdx", "mag.mdx"}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.files.back());
        ASSERT_NO_FATAL_FAILURE(Fresh(Schematic({{"E1", c.record}})));
        std::string error;
        ASSERT_TRUE(Describes(*host, error)) << error;
        std::vector<std::string> before;
        for (const std::string& file : c.files) before.push_back(ReadFile(folder / file));
        int writes = 0;
        std::string refused;
        CReadAndWriteFiles::SetWriteWatcher([&](const std::string& path, int items, std::string& refusal) {
            if (items < 0 || ++writes != c.refused) return CReadAndWriteFiles::WriteDecision::Write;
            refused = path;
            refusal = "the disk is full";
            return CReadAndWriteFiles::WriteDecision::Refuse;
        });
        const bool renamed = Renames("E1", "E2", error);
        CReadAndWriteFiles::SetWriteWatcher(nullptr);
        EXPECT_FALSE(renamed);
        EXPECT_EQ(c.refused, writes);
        EXPECT_EQ("element \"E1\" cannot be renamed: its data file " + qv::ShownPath(refused) +
                      " cannot be given the new name's mark: the disk is full",
                  error);
        EXPECT_EQ("E1", host->CurrentSchematic().elements[0].name);
        for (size_t i = 0; i < c.files.size(); ++i) EXPECT_EQ(before[i], ReadFile(folder / c.files[i])) << c.files[i];
        EXPECT_TRUE(Describes(*host, error)) << error;
    }
}

// The host keeps a name given up in use, so the old name is taken in a host made from the
// printed schematic.
TEST_F(RenamedElementFiles, TheElementThatTakesTheOldNameOwnsTheOldNamesFiles) {
    const std::string other = std::string(DEAD_TIME).replace(std::string(DEAD_TIME).find("dt.mdx"), 6, "other.mdx");
    ASSERT_NO_FATAL_FAILURE(Fresh(Schematic({{"E1", GRID_3D R"("ok"])"}, {"E3", GRID_3D R"("cell 2446 0 1 \"7\"", "ok"])"},
                                             {"T1", DEAD_TIME}, {"T3", other}})));
    std::string error;
    ASSERT_TRUE(Describes(*host, error)) << error;
    const std::string grid1 = ReadFile(folder / "D__E1.mdx");
    const std::string grid3 = ReadFile(folder / "D__E3.mdx");
    const std::string table1 = ReadFile(folder / "dt.mdx");
    const std::string table3 = ReadFile(folder / "other.mdx");
    for (const auto& [from, to] : {std::pair{"E1", "E2"}, {"T1", "T2"}}) ASSERT_TRUE(Renames(from, to, error)) << error;
    ASSERT_NO_FATAL_FAILURE(Remake(qv::WriteSchematic(host->CurrentSchematic())));
    for (const auto& [from, to] : {std::pair{"E3", "E1"}, {"T3", "T1"}}) ASSERT_TRUE(Renames(from, to, error)) << error;
    ASSERT_TRUE(Describes(*host, error)) << error;
    EXPECT_EQ(Marked(grid1, "E1", "E2"), ReadFile(folder / "D__E2.mdx"));
    EXPECT_EQ(Marked(grid3, "E3", "E1"), ReadFile(folder / "D__E1.mdx"));
    EXPECT_EQ(grid3, ReadFile(folder / "D__E3.mdx"));
    EXPECT_EQ(Marked(table1, "T1", "T2"), ReadFile(folder / "dt.mdx"));
    EXPECT_EQ(Marked(table3, "T3", "T1"), ReadFile(folder / "other.mdx"));
}

}  // namespace
