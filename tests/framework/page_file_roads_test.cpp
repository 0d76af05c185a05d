// Every road on which a page writes its table's data file, walked as a user walks it in an
// edit session, against a file the user already has: the file changes without a question only
// when it is the one the user named or the table's own, and otherwise only after a yes to the
// question that names it. Each page is a row of kPages; each road a row of kRoads.
#include "tests/support/host_fixture.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;
using qv_test::WriteFile;

// A page that writes a data file, as an edit session reaches it: the element (the schematic's
// record without its name, which is always "E1"), the lines that open the page, give its table
// rows and tick "File Name", the lines that follow a successful OK, those that leave the page
// while it is open, and those that end the session after either (a page on a sheet of its own
// is opened by the button that follows its block). Another page is one more row; its file
// controls are expected at the IDs every table page uses (2116 to 2119).
struct TablePage {
    const char* label;
    const char* element;
    std::vector<std::string> open;
    std::vector<std::string> closed;
    std::vector<std::string> leave;
    std::vector<std::string> tail;
    // The name a wildcard and a bare name beginning with "." give the file of element E1.
    const char* wildcardName;
    const char* dotName;
    // A table the page reads from a text file.
    const char* textTable = "0 0\n1 2\n";
    // Whether apply and OK write the file; a page that writes only on "Save as" walks only
    // the roads that end there.
    bool writesOnApply = true;
};

const TablePage kPages[] = {
    {"2D table", R"("id": 78)",
     {"click 1122", "click 1122", "cell 2121 1 1 \"1\"", "click 2116"}, {}, {"cancel"}, {}, "E1.mdx", ".hidden.mdx"},
    {"data pairs", R"("id": 43)",
     {"click 1122", "click 1122", "cell 2121 1 1 \"1m\"", "click 2116"}, {}, {"cancel"}, {}, "E1.mdx", ".hidden.mdx"},
    {"3D table", R"("id": 103, "parameters": {"IN[1]": "U", "IN[2]": "W"})",
     {"dialog 2605 stay {", "type 1033 \"0\"", "type 1034 \"1\"", "type 1035 \"2\"", "click 1036", "}",
      "click 2438", "dialog 2605 stay {", "type 1033 \"0\"", "type 1034 \"1\"", "type 1035 \"2\"", "click 1036", "}",
      "click 2444", "click 2116"},
     {}, {"cancel"}, {}, "E1.mdx", ".hidden.mdx", "0 0 0\n1 0 0\n0 0 1\n1 0 1\n"},
    {"resistor's characteristic", R"("id": 15)",
     {"click 2088", "sheet stay {", "click 2114", "click 2397", "click 1122", "click 1122", "cell 2121 1 1 \"1\"",
      "click 2116"},
     {"}"}, {"cancel", "}"}, {"click 2016", "cancel"}, "E1.mdx", "E1.hidden.mdx"},
    {"Fourier source", R"("id": 85)", {"click 2116"}, {}, {"cancel"}, {}, "E1.mdx", ".hidden.mdx", "0 1 0\n50 2 0\n"},
    {"dead time", R"("id": 82, "parameters": {"INPUT": "0"})", {"click 1122"}, {}, {"cancel"}, {}, "E1.mdx",
     ".hidden.mdx", "0 4\n1 5\n", false},
};

// How a road ends for the user's file.
enum class Outcome {
    kAsked,     // a question names it; it changes after yes, and not after no
    kWritten,   // it is the file the user named: written without a question
    kUntouched  // another file is written; no question, and the user's file stays
};

// A road: what the user does before the action that writes (`$` in a line is the scratch
// folder), the action (the sheet's OK or apply, or a file button), the user's file (relative to
// the document's folder; `*` the page's wildcard name, `.` its dot name) and what happens to
// it. A road run from another working folder says so.
struct Road {
    const char* label;
    std::vector<std::string> before;
    std::string action;
    const char* userFile;
    Outcome outcome;
    bool elsewhere = false;
    bool notice = false;  // a table read from a text file says it is written as an ".mdx" file
};

const Road kRoads[] = {
    {"OK as typed", {"type 2117 \"mine.mdx\""}, "ok", "mine.mdx", Outcome::kWritten},
    {"OK, text extension", {"type 2117 \"mine.txt\""}, "ok", "mine.mdx", Outcome::kAsked},
    {"apply, text extension", {"type 2117 \"mine.txt\""}, "apply", "mine.mdx", Outcome::kAsked},
    {"OK, wildcard", {"type 2117 \"*.mdx\""}, "ok", "*", Outcome::kAsked},
    {"OK, no extension", {"type 2117 \"noext\""}, "ok", "noext.mdx", Outcome::kAsked},
    {"OK, leading dot", {"type 2117 \".hidden.mdx\""}, "ok", ".", Outcome::kAsked},
    {"OK, two dots", {"type 2117 \"a.b.data\""}, "ok", "a.b.mdx", Outcome::kAsked},
    {"OK, relative from elsewhere", {"type 2117 \"sub/rel.data\""}, "ok", "sub/rel.mdx", Outcome::kAsked, true},
    {"save as, as chosen", {"file \"$/saved.mdx\""}, "click 2119", "saved.mdx", Outcome::kWritten},
    {"save as, rewritten", {"file \"$/saved.data\""}, "click 2119", "saved.mdx", Outcome::kAsked},
    {"save as, extension added", {"file \"$/picked\""}, "click 2119", "picked.mdx", Outcome::kAsked},
    {"save as, relative from elsewhere", {"file \"sub/rel.data\""}, "click 2119", "sub/rel.mdx", Outcome::kAsked,
     true},
    {"open text, OK", {"file \"$/meas.txt\"", "click 2118"}, "ok", "meas.mdx", Outcome::kAsked, false, true},
    {"open text, save as", {"file \"$/meas.txt\"", "click 2118", "file \"$/sub/new.mdx\""}, "click 2119",
     "new.mdx", Outcome::kUntouched, false, true},
};

const char kUsersFile[] = "MDX 1\nchannels 2\nitems 1\nchannel \"mine\" \"\"\nchannel \"too\" \"\"\ndata\n7 7\nend\n";

std::string WithFolder(std::string line, const std::string& folder) {
    const size_t at = line.find('$');
    if (at != std::string::npos) line.replace(at, 1, folder);
    return line;
}

class PageFileRoads : public qv_test::HostTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartInFolder("roads")); }

    // The element built anew in the scratch folder, which is its document's folder.
    void BuildElement(const TablePage& page) {
        host = Started();
        const fs::path schematic = folder / "schematic.json";
        WriteFile(schematic, std::string(R"({"document": "D", "elements": [{"name": "E1", )") + page.element + "}]}");
        ASSERT_NO_FATAL_FAILURE(Build(schematic.string()));
    }

    // Runs the session of the road on the page, the question about the user's file (when one
    // is expected) answered yes or no; false with the host's message when the session failed.
    bool Walk(const TablePage& page, const Road& road, Outcome expected, const fs::path& users, bool yes,
              std::string& error) {
        std::vector<std::string> lines = page.open;
        for (const std::string& line : road.before) lines.push_back(WithFolder(line, folder.string()));
        if (road.notice)
            lines.push_back("message ok \"The file format \\\"text\\\" cannot be written! The file will be saved as a "
                            "MDX-file.\"");
        if (expected == Outcome::kAsked)
            lines.push_back(std::string("message ") + (yes ? "yes" : "no") + " \"" + users.filename().string() +
                            " already exists.\\nDo you want to replace it?\"");
        lines.push_back(road.action);
        const bool closed = road.action == "ok" && (yes || expected != Outcome::kAsked);
        for (const std::string& line : closed ? page.closed : page.leave) lines.push_back(line);
        lines.insert(lines.end(), page.tail.begin(), page.tail.end());
        const fs::path here = fs::current_path();
        if (road.elsewhere) fs::current_path(folder / "elsewhere");
        qv::EditOutcome outcome;
        const bool done = host->Edit("E1", lines, outcome, error);
        if (road.elsewhere) fs::current_path(here);
        return done;
    }
};

TEST_F(PageFileRoads, AUsersFileChangesOnlyWhenNamedOrAfterAYes) {
    for (const TablePage& page : kPages) {
        for (const Road& road : kRoads) {
            if (!page.writesOnApply && road.action[0] != 'c') continue;
            const std::string given = road.userFile;
            const std::string name = given == "*" ? page.wildcardName : given == "." ? page.dotName : given;
            // A page without the dot rule writes a name beginning with "." as typed.
            const Outcome expected = name == ".hidden.mdx" ? Outcome::kWritten : road.outcome;
            for (const bool yes : {false, true}) {
                if (expected != Outcome::kAsked && !yes) continue;
                SCOPED_TRACE(std::string(page.label) + ", " + road.label + (yes ? ", yes" : ", no"));
                std::error_code code;
                fs::remove_all(folder, code);
                fs::create_directories(folder / "sub");
                fs::create_directories(folder / "elsewhere" / "sub");
                const fs::path users = folder / name;
                WriteFile(users, kUsersFile);
                WriteFile(folder / "meas.txt", page.textTable);
                ASSERT_NO_FATAL_FAILURE(BuildElement(page));
                std::string error;
                // After a no the sheet's OK or apply is refused, which ends the session.
                const bool sheetButton = road.action == "ok" || road.action == "apply";
                const bool refused = expected == Outcome::kAsked && !yes && sheetButton;
                EXPECT_EQ(!refused, Walk(page, road, expected, users, yes, error)) << error;
                EXPECT_EQ(refused, error.find("the sheet refused") != std::string::npos) << error;
                const bool changed = ReadFile(users) != kUsersFile;
                EXPECT_EQ(expected == Outcome::kWritten || (expected == Outcome::kAsked && yes), changed);
                EXPECT_FALSE(fs::exists(folder / "elsewhere" / "sub" / "rel.mdx"));
            }
        }
    }
}

// A schematic that names its table's file is the job's instruction: building it writes the
// file the name gives (`mine.txt` gives `mine.mdx`) over an earlier one, as describing the
// same schematic twice into one folder does, without a question nobody could answer.
TEST_F(PageFileRoads, TheSchematicsOwnScriptWritesTheFileItNames) {
    WriteFile(folder / "mine.mdx", kUsersFile);
    const fs::path schematic = folder / "schematic.json";
    WriteFile(schematic, R"({"document": "D", "elements": [{"name": "E1", "id": 78, "script": ["click 1122",
        "click 1122", "cell 2121 1 1 \"1\"", "click 2116", "type 2117 \"mine.txt\"", "ok"]}]})");
    ASSERT_NO_FATAL_FAILURE(Build(schematic.string()));
    EXPECT_NE(kUsersFile, ReadFile(folder / "mine.mdx"));
}

} // namespace
