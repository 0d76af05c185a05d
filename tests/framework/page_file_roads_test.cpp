// Every road on which a page writes its table's data file, walked as a user walks it in an
// edit session, against a file the user already has: the file changes without a question only
// when the element wrote it and nobody changed it since, or when the user chose it in a write
// dialog, and otherwise only after a yes to the question that names it. Each page is a row of
// kPages; each road a row of kRoads, and each road of a later edit of an element whose table a
// file keeps a row of kLaterRoads.
#include "tests/support/archive_bytes.h"
#include "tests/support/host_fixture.h"
#include "tests/support/marked_data_file.h"

#include "toolkit/read_write_files.h"

#include <unistd.h>

#include <filesystem>
#include <map>
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
// is opened by the button that follows its block). A session that leaves the page applies
// first, since a Cancel takes back the files written since the last commit. Another page is
// one more row; its file controls are expected at the IDs every table page uses (2116 to 2119).
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
    // A later edit: the lines that open the page and change one value, those that end the
    // first session keeping what its OK did, and the changed row as the file holds it.
    std::vector<std::string> change = {"cell 2121 1 2 \"9\""};
    std::vector<std::string> keep = {};
    const char* changedRow = "\n1 9\n";
    // Whether the schematic gives the file name as a characteristic's, which building the
    // element types and writes (the schematic's instruction): the name stored is then always
    // the one written.
    bool builtWithName = false;
};

const TablePage kPages[] = {
    {"2D table", R"("id": 78)",
     {"click 1122", "click 1122", "cell 2121 1 1 \"1\"", "click 2116"}, {}, {"apply", "cancel"}, {}, "E1.mdx", ".hidden.mdx"},
    {"data pairs", R"("id": 43)",
     {"click 1122", "click 1122", "cell 2121 1 1 \"1m\"", "click 2116"}, {}, {"apply", "cancel"}, {}, "E1.mdx", ".hidden.mdx",
     "0 0\n1 2\n", true, {"cell 2121 1 2 \"9\""}, {}, "\n0.001 9\n"},
    // Elements given no values: the OK that would apply them refuses their empty tables.
    {"3D table", R"("id": 103)",
     {"dialog 2605 stay {", "type 1033 \"0\"", "type 1034 \"1\"", "type 1035 \"2\"", "click 1036", "}",
      "click 2438", "dialog 2605 stay {", "type 1033 \"0\"", "type 1034 \"1\"", "type 1035 \"2\"", "click 1036", "}",
      "click 2444", "click 2116"},
     {}, {"apply", "cancel"}, {}, "E1.mdx", ".hidden.mdx", "0 0 0\n1 0 0\n0 0 1\n1 0 1\n", true,
     {"row 2448 1", "cell 2446 1 1 \"9\""}, {}, "\n1 9 1\n"},
    // The characteristics a cancelled table sheet leaves: OK refuses one without a value.
    {"resistor's characteristic", R"("id": 15, "characteristic": {"kind": "reference", "text": "XY1.VAL"})",
     {"click 2088", "sheet stay {", "click 2114", "click 2397", "click 1122", "click 1122", "cell 2121 1 1 \"1\"",
      "click 2116"},
     {"}"}, {"cancel", "}"}, {"click 2016", "apply", "cancel"}, "E1.mdx", "E1.hidden.mdx", "0 0\n1 2\n", true,
     {"click 2088", "sheet stay {", "cell 2121 1 2 \"9\""}, {"click 2016", "ok"}, "\n1 9\n", true},
    {"diode's characteristic",
     R"("id": 8, "script": ["choose 2080 \"XY-Data Pairs\"", "sheet ok {", "click 2330", "type 2395 \"DTAB\"", "}",
        "click 2016", "ok"])",
     {"choose 2080 \"XY-Data Pairs\"", "sheet stay {", "click 2397", "click 1124", "click 1122", "click 1122",
      "cell 2121 1 1 \"1\"", "click 2116"},
     {"}"}, {"cancel", "}"}, {"click 2016", "apply", "cancel"}, "E1.mdx", "E1.hidden.mdx", "0 0\n1 2\n", true,
     {"choose 2080 \"XY-Data Pairs\"", "sheet stay {", "cell 2121 1 2 \"9\""}, {"click 2016", "ok"}},
    {"Fourier source", R"("id": 85)", {"click 2116"}, {}, {"apply", "cancel"}, {}, "E1.mdx", ".hidden.mdx", "0 1 0\n50 2 0\n",
     true, {"cell 2329 1 2 \"9\""}, {}, "\n50 9 0\n"},
    {"dead time", R"("id": 82)", {"click 1122"}, {}, {"apply", "cancel"}, {}, "E1.mdx",
     ".hidden.mdx", "0 4\n1 5\n", false, {"cell 2134 0 1 \"9\""}, {}, "\n0 9\n"},
};

// How a road ends for the user's file.
enum class Outcome {
    kAsked,     // a question names it; it changes after yes, and not after no
    kWritten,   // the element's own, or chosen in a write dialog: written without a question
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
    {"OK as typed", {"type 2117 \"mine.mdx\""}, "ok", "mine.mdx", Outcome::kAsked},
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

// A later edit of an element whose table a file keeps: the name the element stores for that
// file (as an earlier session or older data left it), the file it leads to when the page
// writes (as in kRoads) and what happens to that file. The file is the table's own when the
// name names it exactly: the table was written there before, by the page or by describing
// the schematic. A name a rule rewrites names another file, which may be the user's.
struct StoredName {
    const char* label;
    const char* stored;
    const char* userFile;
    Outcome outcome;
};

const StoredName kStoredNames[] = {
    {"own file", "own.mdx", "own.mdx", Outcome::kWritten},
    {"stored text extension", "mine.txt", "mine.mdx", Outcome::kAsked},
    {"stored wildcard", "*.mdx", "*", Outcome::kAsked},
    {"stored leading dot", ".hidden.mdx", ".", Outcome::kAsked},
};

// The roads of a later edit: OK, apply, and "Save as" answered with a name that is rewritten
// to the file the stored name leads to (`#` is that file's name without its extension).
const Road kLaterRoads[] = {
    {"later OK", {}, "ok", "", Outcome::kWritten},
    {"later apply", {}, "apply", "", Outcome::kWritten},
    {"later save as, rewritten", {"file \"$/#.data\""}, "click 2119", "", Outcome::kWritten},
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

    // A host started anew. The one before goes first: a host that ends stops watching which
    // files the pages may find, also for a host started before it ended.
    void Restart() {
        host.reset();
        host = Started();
    }
    // The element built anew in the scratch folder, which is its document's folder.
    void BuildElement(const TablePage& page) {
        Restart();
        const fs::path schematic = folder / "schematic.json";
        WriteFile(schematic, std::string(R"({"document": "D", "elements": [{"name": "E1", )") + page.element + "}]}");
        ASSERT_NO_FATAL_FAILURE(Build(schematic.string()));
    }

    // Runs the session of the road on the page, the question about the user's file (when one
    // is expected) answered yes or no; false with the host's message when the session failed.
    // The page is opened by `opening` (by default the lines that open it on a new element).
    bool Walk(const TablePage& page, const Road& road, Outcome expected, const fs::path& users, bool yes,
              std::string& error, const std::vector<std::string>* opening = nullptr) {
        std::vector<std::string> lines = opening != nullptr ? *opening : page.open;
        for (std::string line : road.before) {
            const size_t stem = line.find('#');
            if (stem != std::string::npos) line.replace(stem, 1, users.stem().string());
            lines.push_back(WithFolder(line, folder.string()));
        }
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

TEST_F(PageFileRoads, AUsersFileChangesOnlyWhenChosenOrAfterAYes) {
    for (const TablePage& page : kPages) {
        for (const Road& road : kRoads) {
            if (!page.writesOnApply && road.action[0] != 'c') continue;
            const std::string given = road.userFile;
            const std::string name = given == "*" ? page.wildcardName : given == "." ? page.dotName : given;
            const Outcome expected = road.outcome;
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
                // After a no the sheet's OK or apply is refused. A sheet of its own fails the
                // session there; the element's sheet stays open, and the page asks again at the
                // apply that leaves it, which the script does not answer.
                const bool sheetButton = road.action == "ok" || road.action == "apply";
                const bool refused = expected == Outcome::kAsked && !yes && sheetButton;
                EXPECT_EQ(!refused, Walk(page, road, expected, users, yes, error)) << error;
                EXPECT_EQ(refused, error.find("the sheet refused") != std::string::npos ||
                                       error.find("unexpected message box") != std::string::npos)
                    << error;
                const bool changed = ReadFile(users) != kUsersFile;
                EXPECT_EQ(expected == Outcome::kWritten || (expected == Outcome::kAsked && yes), changed);
                EXPECT_FALSE(fs::exists(folder / "elsewhere" / "sub" / "rel.mdx"));
            }
        }
    }
}

// The schematic an edit session printed: the element as it was left, its table written to
// "own.mdx" (by OK, or on the dead time's page by "Save as"), and what that file holds.
struct EditedElement {
    std::string schematic;
    std::string ownFile;
};

// The element's name for its table's file `from` replaced by `to`, in the parameters and in
// the wizard data (there an archive text, whose length field grows for a path of 255 bytes or
// more).
std::string WithStoredName(std::string schematic, const std::string& from, const std::string& to) {
    const auto hex = [](const std::string& text) {
        static const char digits[] = "0123456789abcdef";
        std::string out;
        for (const unsigned char c : qv_test::ArchiveString(text)) out += {digits[c >> 4], digits[c & 15]};
        return out;
    };
    for (const auto& [old, now] : {std::pair{'"' + from + '"', '"' + to + '"'}, std::pair{hex(from), hex(to)}})
        for (size_t at = schematic.find(old); at != std::string::npos; at = schematic.find(old, at + now.size()))
            schematic.replace(at, old.size(), now);
    return schematic;
}

class LaterEdits : public PageFileRoads {
protected:
    enum class Writer { kPage, kDescription };

    // The first session on a new element of the page: its table written to "own.mdx" and kept.
    EditedElement FirstSession(const TablePage& page) {
        ResetFolder();
        BuildElement(page);
        std::vector<std::string> lines = page.open;
        const std::vector<std::string> write =
            page.writesOnApply ? std::vector<std::string>{"type 2117 \"own.mdx\"", "ok"}
                               : std::vector<std::string>{"file \"" + (folder / "own.mdx").string() + "\"",
                                                          "click 2119", "ok"};
        for (const auto* more : {&write, &page.closed, &page.keep})
            lines.insert(lines.end(), more->begin(), more->end());
        qv::EditOutcome outcome;
        std::string error;
        EXPECT_TRUE(host->Edit("E1", lines, outcome, error)) << error;
        return {qv::WriteSchematic(host->CurrentSchematic()), ReadFile(folder / "own.mdx")};
    }
    void ResetFolder() {
        std::error_code code;
        fs::remove_all(folder, code);
        fs::create_directories(folder / "elsewhere");
    }

    // The later edit, as a new command on the schematic the first session printed with the
    // stored name in its place: the file the name leads to (`users`) was written before by the
    // page or the description (it holds the table's own bytes) or by the user. The page is
    // opened from the document's folder or another working folder, one value is changed and
    // the road is walked; then the file holds the changed table exactly when it was expected to
    // change.
    void WalkLater(const TablePage& page, const EditedElement& first, const StoredName& stored, const Road& road,
                   Outcome expected, const fs::path& users, Writer writer, bool elsewhere, bool yes) {
        ResetFolder();
        const fs::path schematic = folder / "e.json";
        WriteFile(schematic, WithStoredName(first.schematic, "own.mdx", stored.stored));
        if (expected == Outcome::kAsked) {
            WriteFile(users, kUsersFile);
        } else if (writer == Writer::kPage) {
            WriteFile(users, first.ownFile);
        } else {
            Restart();
            qv::Schematic edited;
            std::vector<std::string> written;
            std::string error;
            ASSERT_TRUE(qv::ReadSchematicFile(schematic.string(), edited, error)) << error;
            ASSERT_TRUE(host->DescribeSchematic(edited, folder.string() + "/", (folder / "e.desc").string(), written,
                                                error))
                << error;
            ASSERT_TRUE(fs::exists(users));
        }
        const std::string before = ReadFile(users);
        const fs::path here = fs::current_path();
        if (elsewhere) fs::current_path(folder / "elsewhere");
        Restart();
        Build(schematic.string());
        std::string error;
        const bool refused = expected == Outcome::kAsked && !yes && road.action[0] != 'c';
        EXPECT_EQ(!refused, Walk(page, road, expected, users, yes, error, &page.change)) << error;
        fs::current_path(here);
        const std::string after = ReadFile(users);
        const bool changed = expected == Outcome::kWritten || yes;
        EXPECT_EQ(changed, after != before);
        if (changed) {
            EXPECT_NE(std::string::npos, after.find(page.changedRow)) << after;
        }
        EXPECT_TRUE(fs::is_empty(folder / "elsewhere"));
    }
};

// An element's table is kept in the file its stored name names exactly: every later edit
// replaces that file with the table it shows, on every road and without a question, whoever
// wrote it before and wherever the edit is run from. The host keeps that file from the page as
// it opens (so that a file an earlier run left changes nothing), so the page never reads it.
TEST_F(LaterEdits, TheTablesOwnFileIsReplacedWithoutAQuestion) {
    const StoredName& own = kStoredNames[0];
    for (const TablePage& page : kPages) {
        const EditedElement first = FirstSession(page);
        ASSERT_NE("", first.ownFile) << page.label;
        for (const Road& road : kLaterRoads) {
            if (!page.writesOnApply && road.action[0] != 'c') continue;
            for (const Writer writer : {Writer::kPage, Writer::kDescription})
                for (const bool elsewhere : {false, true}) {
                    SCOPED_TRACE(std::string(page.label) + ", " + road.label +
                                 (writer == Writer::kPage ? ", page wrote" : ", description wrote") +
                                 (elsewhere ? ", from elsewhere" : ""));
                    WalkLater(page, first, own, road, Outcome::kWritten, folder / own.userFile, writer, elsewhere,
                              true);
                }
        }
    }
}

// A stored name that a rule rewrites leads to another file than the one it names, which may be
// the user's: a later edit replaces it only after a yes. A page without the leading-dot rule
// writes a name beginning with "." as stored, its own file. (A characteristic that the
// schematic gives names its file as the schematic's instruction: building the element writes
// that file, so it stores no other name.)
TEST_F(LaterEdits, AStoredNameThatARuleRewritesStillAsks) {
    for (const TablePage& page : kPages) {
        if (page.builtWithName) continue;
        const EditedElement first = FirstSession(page);
        for (const StoredName& stored : kStoredNames) {
            if (stored.outcome != Outcome::kAsked) continue;
            const std::string given = stored.userFile;
            const std::string name = given == "*" ? page.wildcardName : given == "." ? page.dotName : given;
            const Outcome expected = name == ".hidden.mdx" ? Outcome::kWritten : stored.outcome;
            // The first road the page writes on: OK, or "Save as" where only that writes.
            const Road& road = page.writesOnApply ? kLaterRoads[0] : kLaterRoads[2];
            for (const bool yes : {false, true}) {
                if (expected != Outcome::kAsked && !yes) continue;
                SCOPED_TRACE(std::string(page.label) + ", " + stored.label + ", " + road.label +
                             (yes ? ", yes" : ", no"));
                WalkLater(page, first, stored, road, expected, folder / name, Writer::kPage, false, yes);
            }
        }
    }
}

// The file a page wrote as an earlier version wrote it (without the writer's mark), as another
// element wrote it (its mark names that element), and as the user changed it after the page
// wrote it (one value more).
std::string WithoutMark(std::string file) {
    const size_t at = file.find("\nwritten ");
    if (at != std::string::npos) file.erase(at, file.find('\n', at + 1) - at);
    return file;
}
std::string MarkedBy(std::string file, const std::string& element) {
    const size_t at = file.find("\" \"E1\" ");
    if (at != std::string::npos) file.replace(at, 7, "\" \"" + element + "\" ");
    return file;
}
std::string ChangedSinceWritten(std::string file) {
    // The last row's second value gets a leading digit.
    const size_t end = file.rfind("\nend\n");
    const size_t row = file.rfind('\n', end - 1) + 1;
    file.insert(file.find(' ', row) + 1, "1");
    return file;
}
// The rows of a table file, without its header.
std::string Rows(const std::string& file) {
    const size_t data = file.find("\ndata\n");
    return data == std::string::npos ? std::string() : file.substr(data);
}

// A schematic the user received, or edited by hand, may store any name for its table's file.
// The file there is the element's own only when the element wrote it (its mark names this
// document and this element) and nobody changed it since. Anything else is the user's,
// whatever it holds and whatever else names it: the later edit's OK asks before replacing it
// (a question the script leaves unanswered fails the edit), and describe refuses it in one
// line. No file that was in the folder changes without a yes; a file another element only
// references is the element's own all the same.
struct ReceivedName {
    const char* label;
    std::string stored;            // `$` is the scratch folder
    std::string other = {};        // another element of the schematic, or none
    enum { kUsers, kOwn, kLeadsElsewhere } file = kUsers;
    const char* written = nullptr; // the file a rule rewrites the stored name to (`*`: the wildcard's)
};

class ReceivedSchematics : public LaterEdits {
protected:
    // A table of another kind than the page's (`ownFile` is one the page wrote).
    static std::string OtherKind(const std::string& ownFile) {
        return ownFile.find("channels 2") != std::string::npos
                   ? "MDX 1\nchannels 3\nitems 1\nchannel \"a\" \"\"\nchannel \"b\" \"\"\nchannel \"c\" \"\"\ndata\n1 2 3\nend\n"
                   : std::string(kUsersFile);
    }
    // What lies in the folder, by name, but for the user profile the host keeps its column
    // widths in.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file() && entry.path().filename() != "user.ini")
                files[entry.path().filename().string()] = ReadFile(entry.path());
        return files;
    }
};

TEST_F(ReceivedSchematics, AStoredNameReplacesNoFileButTheElementsOwn) {
    const ReceivedName names[] = {
        {"the user's table of the page's kind", "meas.mdx"},
        {"a table an earlier version wrote", "old.mdx"},
        {"another element's table", "lt2.mdx", R"({"name": "LT2", "id": 78})"},
        {"the element's table changed since", "changed.mdx"},
        {"a text under the default name", "D__E1.mdx"},
        {"a pdf", "thesis.pdf"},
        {"a table of another kind", "other.mdx"},
        {"the user's table under a stored text name", "mine.txt", "", ReceivedName::kUsers, "mine.mdx"},
        {"the user's table under a stored wildcard", "*.mdx", "", ReceivedName::kUsers, "*"},
        {"a text file", "notes.dat", "", ReceivedName::kLeadsElsewhere},
        {"an absolute path to a text file", "$/notes.dat", "", ReceivedName::kLeadsElsewhere},
        {"a link to a text file", "link.dat", "", ReceivedName::kLeadsElsewhere},
        {"the element's own table", "own.mdx", "", ReceivedName::kOwn},
        {"its own table, which another element references", "own.mdx",
         R"({"name": "LT2", "id": 78, "script": ["click 2293", "type 2425 \"own.mdx\"", "ok"]})", ReceivedName::kOwn},
        {"nothing there", "new.mdx", "", ReceivedName::kOwn},
    };
    for (const TablePage& page : kPages) {
        if (!page.writesOnApply) continue;
        const EditedElement first = FirstSession(page);
        ASSERT_NE(std::string::npos, first.ownFile.find("\nwritten \"D\" \"E1\" ")) << first.ownFile;
        for (const ReceivedName& name : names) {
            for (const bool describe : {false, true}) {
                SCOPED_TRACE(std::string(page.label) + ", " + name.label + (describe ? ", describe" : ", edit"));
                ResetFolder();
                const std::string stored = WithFolder(name.stored, folder.string());
                std::string schematic = WithStoredName(first.schematic, "own.mdx", stored);
                if (!name.other.empty()) schematic.insert(schematic.rfind(']'), ", " + name.other);
                WriteFile(folder / "e.json", schematic);
                WriteFile(folder / "meas.mdx", WithoutMark(first.ownFile));
                WriteFile(folder / "old.mdx", WithoutMark(first.ownFile));
                WriteFile(folder / "lt2.mdx", MarkedBy(first.ownFile, "LT2"));
                WriteFile(folder / "changed.mdx", ChangedSinceWritten(first.ownFile));
                WriteFile(folder / "D__E1.mdx", "my thesis\n");
                WriteFile(folder / "mine.mdx", WithoutMark(first.ownFile));
                WriteFile(folder / page.wildcardName, WithoutMark(first.ownFile));
                WriteFile(folder / "own.mdx", first.ownFile);
                WriteFile(folder / "notes.dat", "my notes\n");
                WriteFile(folder / "thesis.pdf", "%PDF-1.4\n");
                WriteFile(folder / "other.mdx", OtherKind(first.ownFile));
                WriteFile(folder / "other.dat", "my other notes\n");
                fs::create_symlink("other.dat", folder / "link.dat");
                const auto kept = Files();
                Restart();
                qv::Schematic received;
                std::string error;
                ASSERT_TRUE(qv::ReadSchematicFile((folder / "e.json").string(), received, error)) << error;
                bool done = false;
                if (describe) {
                    std::vector<std::string> written;
                    done = host->DescribeSchematic(received, folder.string() + "/", (folder / "e.desc").string(), written,
                                                   error);
                } else {
                    // A page whose table the schematic gives writes it as the element is built.
                    const bool built = host->Build(received, folder.string() + "/", error);
                    std::vector<std::string> lines = page.change;
                    lines.push_back("ok");
                    lines.insert(lines.end(), page.closed.begin(), page.closed.end());
                    lines.insert(lines.end(), page.tail.begin(), page.tail.end());
                    qv::EditOutcome outcome;
                    done = built && host->Edit("E1", lines, outcome, error);
                }
                const std::string file = name.written == nullptr        ? fs::path(stored).filename().string()
                                         : std::string(name.written) == "*" ? std::string(page.wildcardName)
                                                                            : std::string(name.written);
                // The stored name is read back whole, also a path of 255 bytes or more (the
                // sandbox's paths are longer), whose length field is longer.
                EXPECT_EQ(std::string::npos, error.find("wizard data is damaged")) << error;
                auto now = Files();
                if (name.file == ReceivedName::kOwn) {
                    EXPECT_TRUE(done) << error;
                    EXPECT_NE(std::string::npos, now[file].find("\nwritten \"D\" \"E1\" ")) << now[file];
                    if (!describe) {
                        EXPECT_NE(std::string::npos, now[file].find(page.changedRow)) << now[file];
                    }
                    continue;
                }
                // Every file of the user's stays as it was; a page that reads a text writes its
                // table beside it, under another name.
                for (const auto& [kept_name, bytes] : kept) EXPECT_EQ(bytes, now[kept_name]) << kept_name;
                EXPECT_TRUE(fs::is_symlink(folder / "link.dat"));
                if (name.file == ReceivedName::kLeadsElsewhere) continue;
                // The edit's page asks, or refuses to read the file as it opens (a message the
                // script does not answer); building an element whose table the schematic gives
                // refuses the file at once; describe refuses it in its own words.
                EXPECT_FALSE(done);
                const std::string asked = file + " already exists.\\nDo you want to replace it?";
                const std::string refusedOnBuild = file + " for its table, which already exists and is not a file the element wrote";
                const std::string refusedByDescribe = file + " already exists and is not a file it wrote";
                const bool said = describe ? error.find(refusedByDescribe) != std::string::npos
                                           : error.find(asked) != std::string::npos ||
                                                 error.find(refusedOnBuild) != std::string::npos ||
                                                 error.find(", as its pages opened: ") != std::string::npos;
                EXPECT_TRUE(said) << error;
            }
        }
    }
}

// A received schematic stores the name of the user's table for its element's: the page reads
// that file afresh as it opens, so the table it shows and asks to write is the file's own. OK or
// apply asks first; after a no (or no answer) the file stays as it was, after a yes it holds its
// own rows again, now as the element's.
TEST_F(ReceivedSchematics, AUsersTableIsReadAfreshAndWrittenBackOnlyAfterAYes) {
    for (const TablePage& page : kPages) {
        if (!page.writesOnApply || page.builtWithName) continue;
        const EditedElement first = FirstSession(page);
        const std::string users = WithoutMark(ChangedSinceWritten(first.ownFile));
        for (const char* action : {"ok", "apply"})
            for (const bool yes : {false, true}) {
                SCOPED_TRACE(std::string(page.label) + ", " + action + (yes ? ", yes" : ", no"));
                ResetFolder();
                WriteFile(folder / "e.json", WithStoredName(first.schematic, "own.mdx", "meas.mdx"));
                WriteFile(folder / "meas.mdx", users);
                Restart();
                Build((folder / "e.json").string());
                // The page is opened as a later edit opens it, without changing a value.
                std::vector<std::string> lines;
                for (const std::string& line : page.change)
                    if (line.rfind("cell ", 0) != 0 && line.rfind("row ", 0) != 0) lines.push_back(line);
                lines.push_back(std::string("message ") + (yes ? "yes" : "no") +
                                " \"meas.mdx already exists.\\nDo you want to replace it?\"");
                lines.push_back(action);
                const bool closed = action[0] == 'o' && yes;
                for (const std::string& line : closed ? page.closed : page.leave) lines.push_back(line);
                lines.insert(lines.end(), page.tail.begin(), page.tail.end());
                qv::EditOutcome outcome;
                std::string error;
                EXPECT_EQ(yes, host->Edit("E1", lines, outcome, error)) << error;
                const std::string now = ReadFile(folder / "meas.mdx");
                if (!yes) {
                    EXPECT_EQ(users, now);
                    continue;
                }
                EXPECT_EQ(Rows(users), Rows(now)) << now;
                EXPECT_NE(std::string::npos, now.find("\nwritten \"D\" \"E1\" ")) << now;
            }
    }
}

// Two schematics in one folder that store the same file name for their tables: the first
// description writes the file for its element, the second is refused and leaves it as it was,
// and the first describes again to the same bytes.
TEST_F(PageFileRoads, TwoSchematicsInOneFolderDoNotReplaceEachOthersTable) {
    const auto schematic = [](const std::string& document, const std::string& y) {
        return R"({"document": ")" + document + R"(", "elements": [{"name": "LT1", "id": 78, "script": ["click 1122",
            "click 1122", "cell 2121 1 1 \"1\"", "cell 2121 1 2 \")" + y + R"(\"", "click 2116",
            "type 2117 \"t.mdx\"", "ok"]}]})";
    };
    WriteFile(folder / "a.json", schematic("A", "1"));
    WriteFile(folder / "b.json", schematic("B", "2"));
    const auto describe = [&](const char* name, std::string& error) {
        Restart();
        qv::Schematic read;
        std::vector<std::string> written;
        return qv::ReadSchematicFile((folder / name).string(), read, error) &&
               host->DescribeSchematic(read, folder.string() + "/", (folder / "out.desc").string(), written, error);
    };
    std::string error;
    ASSERT_TRUE(describe("a.json", error)) << error;
    const std::string table = ReadFile(folder / "t.mdx");
    const std::string description = ReadFile(folder / "out.desc");
    EXPECT_NE(std::string::npos, table.find("\nwritten \"A\" \"LT1\" ")) << table;
    EXPECT_FALSE(describe("b.json", error));
    EXPECT_NE(std::string::npos, error.find("t.mdx already exists and is not a file it wrote")) << error;
    EXPECT_EQ(table, ReadFile(folder / "t.mdx"));
    EXPECT_EQ(description, ReadFile(folder / "out.desc"));
    ASSERT_TRUE(describe("a.json", error)) << error;
    EXPECT_EQ(table, ReadFile(folder / "t.mdx"));
    EXPECT_EQ(description, ReadFile(folder / "out.desc"));
}

// A file under an element's default name is the user's unless the element wrote it: describe
// refuses the user's text there, and the edit's OK asks. Once the file is gone, the element's
// own file under that name is replaced on every run, to the same bytes.
TEST_F(PageFileRoads, TheDefaultNameIsNoClaimOnTheUsersFile) {
    WriteFile(folder / "s.json", R"({"document": "thesis", "elements": [{"name": "final", "id": 78, "script": [
        "click 1122", "click 1122", "cell 2121 1 1 \"1\"", "ok"]}]})");
    WriteFile(folder / "thesis__final.mdx", "my thesis\n");
    std::vector<std::string> written;
    std::string error;
    const auto describe = [&] {
        Restart();
        qv::Schematic read;
        return qv::ReadSchematicFile((folder / "s.json").string(), read, error) &&
               host->DescribeSchematic(read, folder.string() + "/", (folder / "s.desc").string(), written, error);
    };
    EXPECT_FALSE(describe());
    EXPECT_NE(std::string::npos, error.find("thesis__final.mdx already exists and is not a file it wrote")) << error;
    EXPECT_EQ("my thesis\n", ReadFile(folder / "thesis__final.mdx"));
    fs::remove(folder / "thesis__final.mdx");
    ASSERT_TRUE(describe()) << error;
    const std::string own = ReadFile(folder / "thesis__final.mdx");
    ASSERT_TRUE(describe()) << error;
    EXPECT_EQ(own, ReadFile(folder / "thesis__final.mdx"));
}

// A table shared on purpose: LT2's File Reference names the file LT1 keeps. Describe writes it,
// into an empty folder as into one that holds it from before, and every later OK on LT1 writes
// it without a question; the names of files outside ASCII are the disk's. An unrelated
// element's edit is no business of either.
TEST_F(PageFileRoads, ATableSharedByReferenceStaysItsElementsOwn) {
    for (const char* file : {"t.mdx", "m\xC3\xA4.mdx"}) {
        SCOPED_TRACE(file);
        std::error_code code;
        fs::remove_all(folder, code);
        fs::create_directories(folder);
        // A reference stands unquoted in the model text, as a name of the expression language,
        // which a name outside ASCII is not: that one is kept by LT1 alone.
        const std::string reference =
            std::string(file) == "t.mdx"
                ? std::string(R"({"name": "LT2", "id": 78, "script": ["click 2293", "type 2425 \")") + file + R"(\"", "ok"]},)"
                : std::string();
        WriteFile(folder / "s.json", std::string(R"({"document": "D", "elements": [
            {"name": "LT1", "id": 78, "script": ["click 1122", "click 1122", "cell 2121 1 1 \"1\"", "click 2116",
             "type 2117 \")") + file + R"(\"", "ok"]},
            )" + reference + R"({"name": "R2", "id": 15, "parameters": {"R": "1k"}}]})");
        Restart();
        qv::Schematic read;
        std::vector<std::string> written;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematicFile((folder / "s.json").string(), read, error)) << error;
        ASSERT_TRUE(host->DescribeSchematic(read, folder.string() + "/", (folder / "s.desc").string(), written, error))
            << error;
        const std::string first = ReadFile(folder / file);
        Restart();
        ASSERT_TRUE(host->DescribeSchematic(read, folder.string() + "/", (folder / "s.desc").string(), written, error))
            << error;
        EXPECT_EQ(first, ReadFile(folder / file));
        Restart();
        Build((folder / "s.json").string());
        qv::EditOutcome outcome;
        for (const char* value : {"7", "8"}) {
            EXPECT_TRUE(host->Edit("LT1", {std::string("cell 2121 1 2 \"") + value + "\"", "ok"}, outcome, error)) << error;
            EXPECT_NE(std::string::npos, ReadFile(folder / file).find(std::string("\n1 ") + value + "\n"));
        }
        EXPECT_TRUE(host->Edit("R2", {"ok"}, outcome, error)) << error;
        // The user's table under that name is asked about.
        WriteFile(folder / file, WithoutMark(ReadFile(folder / file)));
        EXPECT_FALSE(host->Edit("LT1", {"ok"}, outcome, error));
        EXPECT_NE(std::string::npos, error.find(" already exists.\\nDo you want to replace it?")) << error;
    }
}

// A data-file name that the model text cannot quote is refused where the page writes it, and
// nothing is written under it: a quote typed, or a tab in the name chosen in a write dialog
// (the host refuses a tab typed into a field before the page sees it).
TEST_F(PageFileRoads, ANameTheModelTextCannotQuoteIsRefused) {
    const Road roads[] = {
        {"a quote in the name", {"type 2117 \"a\\\"b.mdx\""}, "ok", "", Outcome::kUntouched},
        {"a tab in the name chosen", {"file \"$/a\\tb.mdx\""}, "click 2119", "", Outcome::kUntouched},
    };
    for (const TablePage& page : kPages)
        for (const Road& road : roads) {
            if (!page.writesOnApply && road.action[0] != 'c') continue;
            SCOPED_TRACE(std::string(page.label) + ", " + road.label);
            ASSERT_NO_FATAL_FAILURE(BuildElement(page));
            std::string error;
            EXPECT_FALSE(Walk(page, road, Outcome::kUntouched, folder / "unused", true, error));
            EXPECT_NE(std::string::npos, error.find("\"a?b.mdx\" cannot be used")) << error;
            for (const char* name : {"a\"b.mdx", "a\tb.mdx"}) EXPECT_FALSE(fs::exists(folder / name));
        }
}

// The element's own file under the names it may write is kept from its pages as they open, by
// the family's own naming rule: a page that writes a bare ".x.mdx" as it stands never shows
// what an earlier run of the element left there, and its OK writes the table the schematic
// gives.
TEST_F(LaterEdits, ALeftoverDotFileIsNotReadAsThePageOpens) {
    // A table of one row that the element wrote in an earlier run.
    const std::string kLeftover = [] {
        CReadAndWriteFiles file;
        const double value = 42;
        file.SetWriter({"D", "E1"});
        file.SetNrChannels(2);
        file.SetNrItems(1);
        file.InsertChannel(0, &value, "", "");
        file.InsertChannel(1, &value, "", "");
        const fs::path scratch = fs::temp_directory_path() / ("leftover-" + std::to_string(::getpid()) + ".mdx");
        EXPECT_TRUE(file.WriteFile(scratch.c_str()));
        const std::string bytes = ReadFile(scratch);
        fs::remove(scratch);
        return bytes;
    }();
    for (const TablePage& page : kPages) {
        if (!page.writesOnApply || page.dotName[0] != '.') continue;
        const EditedElement first = FirstSession(page);
        // The leftover is a table the page could read.
        if (first.ownFile.find("channels 2") == std::string::npos) continue;
        SCOPED_TRACE(page.label);
        ResetFolder();
        WriteFile(folder / "e.json", WithStoredName(first.schematic, "own.mdx", ".x.mdx"));
        WriteFile(folder / ".x.mdx", kLeftover);
        Restart();
        Build((folder / "e.json").string());
        std::vector<std::string> lines = page.change;
        lines.push_back("ok");
        for (const auto* more : {&page.closed, &page.keep, &page.tail}) lines.insert(lines.end(), more->begin(), more->end());
        qv::EditOutcome outcome;
        std::string error;
        EXPECT_TRUE(host->Edit("E1", lines, outcome, error)) << error;
        const std::string written = ReadFile(folder / ".x.mdx");
        EXPECT_NE(std::string::npos, written.find(page.changedRow)) << written;
        EXPECT_EQ(std::string::npos, written.find("42")) << written;
    }
}

// A file the page refused to read is the user's, whatever names it afterwards: the first write
// asks. Once the user agreed and the page wrote it, it is the table's own: a second write asks
// nothing.
TEST_F(PageFileRoads, ARefusedFileAsksOnceAndIsTheTablesOwnOnceWritten) {
    const TablePage& page = kPages[0];
    const char kUnreadable[] = "MDX 1\nchannels 2\nitems 3\nchannel \"\" \"\"\nchannel \"\" \"\"\ndata\n1 2\nend\n";
    WriteFile(folder / "bad.mdx", kUnreadable);
    BuildElement(page);
    std::vector<std::string> lines = page.open;
    for (const std::string& line :
         {"file \"" + (folder / "bad.mdx").string() + "\"", std::string("message ok"), std::string("message ok"), std::string("click 2118"),
          std::string("type 2117 \"bad.mdx\""),
          std::string("message yes \"bad.mdx already exists.\\nDo you want to replace it?\""), std::string("apply"),
          std::string("cell 2121 1 2 \"9\""), std::string("ok")})
        lines.push_back(line);
    qv::EditOutcome outcome;
    std::string error;
    EXPECT_TRUE(host->Edit("E1", lines, outcome, error)) << error;
    EXPECT_NE(std::string::npos, ReadFile(folder / "bad.mdx").find("\n1 9\n"));
}

// A schematic that names its table's file is the job's instruction: building it writes the
// file the name gives (`mine.txt` gives `mine.mdx`) over the one the element wrote before, as
// describing the same schematic twice into one folder does. Over a file of the user's it asks,
// which nobody answers for the user: the build fails and the file stays.
TEST_F(PageFileRoads, TheSchematicsOwnScriptWritesTheFileItNames) {
    const fs::path schematic = folder / "schematic.json";
    WriteFile(schematic, R"({"document": "D", "elements": [{"name": "E1", "id": 78, "script": ["click 1122",
        "click 1122", "cell 2121 1 1 \"1\"", "click 2116", "type 2117 \"mine.txt\"", "ok"]}]})");
    ASSERT_NO_FATAL_FAILURE(Build(schematic.string()));
    const std::string own = ReadFile(folder / "mine.mdx");
    EXPECT_NE(std::string::npos, own.find("\nwritten \"D\" \"E1\" ")) << own;
    Restart();
    ASSERT_NO_FATAL_FAILURE(Build(schematic.string()));
    EXPECT_EQ(own, ReadFile(folder / "mine.mdx"));
    for (const std::string& users : {ChangedSinceWritten(own), std::string(kUsersFile)}) {
        WriteFile(folder / "mine.mdx", users);
        Restart();
        qv::Schematic read;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematicFile(schematic.string(), read, error)) << error;
        EXPECT_FALSE(host->Build(read, folder.string() + "/", error));
        EXPECT_NE(std::string::npos, error.find("mine.mdx already exists")) << error;
        EXPECT_EQ(users, ReadFile(folder / "mine.mdx"));
    }
}

// The schematic's own script names the file its page writes, and building the element answers
// the page's question for nobody: a text of the user's or another element's table under that
// name fails the build with the question unanswered, and describe refuses it in its own words.
// Either way the file stays as it was.
TEST_F(PageFileRoads, TheSchematicsScriptSaysNoYesForTheUsersFile) {
    const std::string table = "MDX 1\nchannels 2\nitems 2\nchannel \"X\" \"\"\nchannel \"Y\" \"\"\ndata\n0 5\n1 6\nend\n";
    const struct {
        const char* what;
        std::string bytes;
    } files[] = {{"a text", "my notes\n"}, {"another element's table", qv_test::WithWriterMark(table, "D", "LT2")}};
    WriteFile(folder / "s.json", R"({"document": "D", "elements": [{"name": "LT1", "id": 78, "script": ["click 1122",
        "click 1122", "cell 2121 1 1 \"1\"", "click 2116", "type 2117 \"t.mdx\"", "ok"]}]})");
    for (const auto& file : files)
        for (const bool describe : {false, true}) {
            SCOPED_TRACE(std::string(file.what) + (describe ? ", describe" : ", build"));
            WriteFile(folder / "t.mdx", file.bytes);
            Restart();
            qv::Schematic read;
            std::string error;
            ASSERT_TRUE(qv::ReadSchematicFile((folder / "s.json").string(), read, error)) << error;
            std::vector<std::string> written;
            EXPECT_FALSE(describe ? host->DescribeSchematic(read, folder.string() + "/", (folder / "s.desc").string(), written, error)
                                  : host->Build(read, folder.string() + "/", error));
            EXPECT_NE(std::string::npos, error.find(describe ? "t.mdx already exists and is not a file it wrote"
                                                             : "t.mdx already exists.\\nDo you want to replace it?"))
                << error;
            EXPECT_EQ(file.bytes, ReadFile(folder / "t.mdx"));
        }
}

} // namespace
