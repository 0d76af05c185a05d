// Cancel gives every element back as it was, whatever the user did on its pages before: each
// element of each example is driven through each control its pages show (and those of the
// sheets and dialogs its buttons open), each session ending with Cancel, and the schematic the
// editor holds, its description and the files of its folder must then be those after a bare
// Cancel. The controls come from the live pages, so a page or a control added later is driven
// too. A click that commits at once (an output switch that is the element's as it is clicked)
// stays after Cancel, and alone: clicked after the page's other edits, it leaves the element
// as it did alone.
//
// A second pass drives each sub-sheet and dialog the same way, cancels it and then presses OK
// on the element's sheet: that must give what a bare OK gives.
#include "editor/host.h"
#include "win32/profile.h"
#include "win32/win32.h"

#include "tests/support/sandbox.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class SweepEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string pattern = qv_test::TempFolder() + "/cancel_sweep_XXXXXX";
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
std::string SweepEnvironment::scratch;
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new SweepEnvironment);

// One control as the page's listing shows it (editor/edit_script.cpp, DescribeControls).
struct Control {
    int id = 0;
    std::string className;
    bool hidden = false;
    bool disabled = false;
    std::string text;
    size_t entries = 0;
    int selected = -1;
    size_t columns = 0;
    std::vector<std::vector<std::string>> rows;
};

// Reads a quoted text of the listing from `at` on (which points at the opening quote).
std::string Quoted(const std::string& line, size_t& at) {
    std::string text;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size()) {
            ++at;
            text += line[at] == 'n' ? '\n' : line[at] == 't' ? '\t' : line[at];
        } else {
            text += line[at];
        }
    }
    ++at;
    return text;
}

// The quoted texts of the rest of the line.
std::vector<std::string> QuotedTexts(const std::string& line, size_t at) {
    std::vector<std::string> texts;
    while ((at = line.find('"', at)) != std::string::npos) texts.push_back(Quoted(line, at));
    return texts;
}

std::vector<Control> ParseListing(const std::string& listing) {
    std::vector<Control> controls;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        const std::string line = listing.substr(start, end - start);
        start = end + 1;
        if (line.starts_with("  columns ")) {
            if (!controls.empty()) controls.back().columns = QuotedTexts(line, 0).size();
        } else if (line.starts_with("  row ")) {
            if (!controls.empty()) controls.back().rows.push_back(QuotedTexts(line, line.find(':')));
        } else if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
            Control control;
            size_t at = line.find(' ');
            control.id = std::atoi(line.c_str());
            const size_t quote = line.find('"', at);
            std::string flags = line.substr(at + 1, quote - at - 1);
            control.className = flags.substr(0, flags.find(' '));
            control.hidden = flags.find(" hidden") != std::string::npos;
            control.disabled = flags.find(" disabled") != std::string::npos;
            at = quote;
            control.text = Quoted(line, at);
            const size_t entries = line.find(" entries [", at);
            if (entries != std::string::npos) {
                const size_t close = line.rfind("] selected ");
                control.entries = QuotedTexts(line.substr(0, close), entries).size();
                control.selected = std::atoi(line.c_str() + close + 11);
            }
            controls.push_back(control);
        }
    }
    return controls;
}

// A valid value other than the one shown: a number moved by one (and, for a positive whole
// number such as an order, lowered by one too), a text with a character more.
std::vector<std::string> ChangedTexts(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end == text.c_str() || *end != '\0' || !std::isfinite(value)) return {text + "1"};
    char raised[64];
    std::snprintf(raised, sizeof raised, "%.15g", value + 1);
    std::vector<std::string> texts{raised};
    if (value >= 1 && value == std::floor(value)) {
        char lowered[64];
        std::snprintf(lowered, sizeof lowered, "%.15g", value - 1);
        texts.push_back(lowered);
    }
    return texts;
}

// The single actions a user can take on the controls of one listing.
std::vector<std::vector<std::string>> ActionsOn(const std::vector<Control>& controls) {
    std::vector<std::vector<std::string>> actions;
    std::vector<int> buttons;
    for (const Control& c : controls)
        if (!c.hidden && c.className == "Button") buttons.push_back(c.id);
    for (const Control& c : controls) {
        if (c.hidden) continue;
        const std::string id = std::to_string(c.id);
        if (c.className == "SysListView32") {
            // A cell of the first and of the last row, and every button with the last row picked
            // (deleting a row needs one, so buttons disabled without a row count too); the
            // buttons alone are clicked below.
            if (c.rows.empty()) continue;
            for (size_t row : {size_t{0}, c.rows.size() - 1}) {
                for (size_t column = 0; column < c.rows[row].size(); ++column)
                    actions.push_back({"cell " + id + " " + std::to_string(row) + " " + std::to_string(column) + " " +
                                       qv::QuoteScriptText(ChangedTexts(c.rows[row][column]).front())});
                if (c.rows.size() == 1) break;
            }
            for (int button : buttons)
                actions.push_back({"row " + id + " " + std::to_string(c.rows.size() - 1), "click " + std::to_string(button)});
            continue;
        }
        if (c.disabled) continue;
        if (c.className == "Button") actions.push_back({"click " + id});
        if (c.className == "Edit")
            for (const std::string& changed : ChangedTexts(c.text))
                actions.push_back({"type " + id + " " + qv::QuoteScriptText(changed)});
        if (c.className == "ComboBox" || c.className == "ListBox")
            for (size_t entry = 0; entry < c.entries && entry < 8; ++entry)
                if (static_cast<int>(entry) != c.selected) actions.push_back({"pick " + id + " " + std::to_string(entry)});
        if (c.className == "msctls_updown32") {
            actions.push_back({"spin " + id + " up"});
            actions.push_back({"spin " + id + " down"});
        }
    }
    return actions;
}

// The answer to an interaction the script did not foresee, from the failure that names it: a
// sheet or dialog is cancelled (its block may get actions of its own), a message box cancelled
// (or, where it has no such button, answered No, then OK), a file dialog or menu dismissed.
std::vector<std::string> AnswerFor(const std::string& error, const std::vector<std::string>& last) {
    if (error.find("unexpected property sheet") != std::string::npos) return {"sheet cancel {", "}"};
    const size_t dialog = error.find("unexpected dialog ");
    if (dialog != std::string::npos) return {"dialog " + std::to_string(std::atoi(error.c_str() + dialog + 18)) + " cancel {", "}"};
    if (error.find("which is not one of its buttons") != std::string::npos) {
        if (last == std::vector<std::string>{"message cancel"}) return {"message no"};
        if (last == std::vector<std::string>{"message no"}) return {"message ok"};
        return {};
    }
    if (error.find("unexpected message box") != std::string::npos) return {"message cancel"};
    if (error.find("unexpected file dialog") != std::string::npos) return {"file cancel"};
    if (error.find("unexpected popup menu") != std::string::npos) return {"menu 0"};
    return {};
}

struct State {
    std::string schematic;
    std::string description;
    std::map<std::string, std::string> files;   // the folder's, with their bytes
    bool operator==(const State&) const = default;
};

// Every file below the folder, with its bytes.
std::map<std::string, std::string> FilesIn(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = qv_test::ReadFile(entry.path());
    return files;
}

// The first line where two texts differ, for the failure message.
std::string FirstDifference(const std::string& want, const std::string& got) {
    size_t at = 0;
    while (at < want.size() && at < got.size() && want[at] == got[at]) ++at;
    const size_t from = at == 0 ? std::string::npos : want.rfind('\n', at - 1);
    const size_t begin = from == std::string::npos ? 0 : from + 1;
    auto line = [begin](const std::string& text) { return text.substr(begin, text.find('\n', begin) - begin); };
    return "\n    want: " + line(want) + "\n    got:  " + line(got);
}

// The first file that differs between two folders, for the failure message.
std::string FirstFileDifference(const std::map<std::string, std::string>& want,
                                const std::map<std::string, std::string>& got) {
    for (const auto& [name, bytes] : want) {
        const auto found = got.find(name);
        if (found == got.end()) return "\n    the file " + name + " is gone";
        if (found->second != bytes) return "\n    the file " + name + ":" + FirstDifference(bytes, found->second);
    }
    for (const auto& [name, bytes] : got)
        if (!want.contains(name)) return "\n    the file " + name + " is new";
    return {};
}

// One action on a page, with the answers it needed: `opens` is set when its last answer is a
// sheet or dialog, whose own controls are driven in the second pass.
struct Driven {
    std::vector<std::string> answers;   // lines before the action
    bool opens = false;
};

class CancelSweep : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        folder = fs::path(SweepEnvironment::scratch) / GetParam();
        fs::create_directories(folder);
        std::string error;
        ASSERT_TRUE(qv::ReadSchematicFile(std::string(PARVEL_SOURCE_DIR "/examples/") + GetParam(), schematic, error))
            << error;
    }

    // Makes the element alone (its sessions, the schematic printed and its description then
    // cost what one element costs), or with the whole example where it cannot stand alone.
    void Rebuild() {
        host.reset();
        host = std::make_unique<qv::Host>();
        qv::HostOptions options{PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"};
        std::string error;
        ASSERT_TRUE(host->Start(options, error)) << error;
        qv::Schematic alone = schematic;
        alone.elements = {schematic.elements[index]};
        handle = 1;   // the editor numbers the elements as it makes them
        if (host->Build(alone, folder.string() + "/", error)) return;
        host = std::make_unique<qv::Host>();
        ASSERT_TRUE(host->Start(options, error)) << error;
        ASSERT_TRUE(host->Build(schematic, folder.string() + "/", error)) << error;
        handle = static_cast<DWORD>(index + 1);
    }

    // The description, then the schematic as printed. Describing marks the members the model
    // does not use, for good: the schematic is read after it, so that the states compared do
    // not depend on whether a session before had been described.
    State Now() {
        State state;
        std::vector<std::string> written;
        std::string error;
        if (host->Describe((folder / "d.desc").string(), written, error))
            state.description = qv_test::ReadFile(folder / "d.desc");
        else
            state.description = "(refused) " + error;
        state.schematic = qv::WriteSchematic(host->CurrentSchematic());
        state.files = FilesIn(folder);
        return state;
    }

    // Runs the lines on the element; the failure's text when it failed.
    bool Session(const std::vector<std::string>& lines, std::string& error, qv::EditOutcome* outcome = nullptr) {
        qv::EditOutcome own;
        error.clear();
        return host->Edit(name, lines, outcome != nullptr ? *outcome : own, error);
    }

    // Runs `before`, the action and `after`, with an answer for each box, sheet or dialog the
    // action shows; the lines run are kept in `script`.
    Driven Drive(const std::vector<std::string>& before, const std::vector<std::string>& action,
                 const std::vector<std::string>& after) {
        Driven driven;
        std::vector<std::string> last;
        for (int attempt = 0; attempt < 5; ++attempt) {
            script = before;
            script.insert(script.end(), driven.answers.begin(), driven.answers.end());
            script.insert(script.end(), action.begin(), action.end());
            script.insert(script.end(), after.begin(), after.end());
            std::string error;
            const unsigned before = host->Editor().AcceptedCommits(handle);
            const bool ran = Session(script, error);
            sessionCommits = host->Editor().AcceptedCommits(handle) - before;
            if (ran) break;
            std::vector<std::string> answer = AnswerFor(error, last);
            if (answer.empty()) break;
            // A box without the button answered last time gets the next answer in its place.
            if (error.find("which is not one of its buttons") != std::string::npos) driven.answers.pop_back();
            driven.opens = answer.size() == 2;
            driven.answers.insert(driven.answers.end(), answer.begin(), answer.end());
            last = answer;
        }
        return driven;
    }

    // Compares the state with `want`. On a difference the schematic is built afresh and `reset`
    // (a bare Cancel or OK) run again, so that the next action starts where the others did.
    // Gives the state of a click that committed at once (and stays), where the session ended
    // in one.
    std::optional<State> Expect(const State& want, const std::string& reset) {
        const State got = Now();
        if (got == want) return std::nullopt;
        // The output switches of the older block, static block, meter, measurement and machine
        // pages and the VCO's Use Pin are the element's as they are clicked: they commit at once
        // and stay. Such a click commits more than the same sheet opened and cancelled.
        const bool atOnce = sessionCommits > openCommits && reset == "cancel" && script.size() >= 2 &&
                            script[script.size() - 2].starts_with("click ");
        if (!atOnce) {
            std::string lines;
            for (const std::string& line : script) lines += "\n    | " + line;
            ADD_FAILURE() << name << ": the session" << lines << "\n  differs from a bare " << reset << ":"
                          << (got.schematic != want.schematic       ? FirstDifference(want.schematic, got.schematic)
                              : got.description != want.description ? FirstDifference(want.description, got.description)
                                                                    : FirstFileDifference(want.files, got.files));
        }
        Rebuild();
        std::string error;
        Session({reset}, error);
        return atOnce ? std::optional<State>(got) : std::nullopt;
    }

    // The listings of the pages of the sheet reached by `before` (a sheet or dialog block left
    // open at its end, closed by `after`), or of the element's own sheet.
    std::vector<std::string> Pages(const std::vector<std::string>& before, const std::vector<std::string>& after,
                                   bool dialog) {
        std::vector<std::string> pages;
        for (int page = 0; page < 16; ++page) {
            std::vector<std::string> lines = before;
            if (!dialog) lines.push_back("page " + std::to_string(page));
            lines.push_back("print");
            lines.insert(lines.end(), after.begin(), after.end());
            qv::EditOutcome listed;
            std::string error;
            if (!Session(lines, error, &listed) || listed.printed.empty()) break;
            pages.push_back(listed.printed.front());
            if (dialog) break;
        }
        return pages;
    }

    qv::Schematic schematic;
    fs::path folder;
    std::unique_ptr<qv::Host> host;
    size_t index = 0;
    std::string name;
    DWORD handle = 0;
    unsigned sessionCommits = 0;   // the commits of the last session Drive ran
    unsigned openCommits = 0;      // those of the element's sheet opened and cancelled
    std::vector<std::string> script;
};

TEST_P(CancelSweep, EveryControlThenCancelLeavesTheElementAsABareCancel) {
    for (index = 0; index < schematic.elements.size(); ++index) {
        name = schematic.elements[index].name;
        ASSERT_NO_FATAL_FAILURE(Rebuild());
        std::string error;
        ASSERT_TRUE(Session({"cancel"}, error)) << error;
        const State bare = Now();
        {
            const unsigned before = host->Editor().AcceptedCommits(handle);
            Session({"cancel"}, error);
            openCommits = host->Editor().AcceptedCommits(handle) - before;
        }

        // Where a control opens a sheet or dialog: the lines that open it, and its action.
        struct Opener {
            std::vector<std::string> before;   // the page, the answers, the block's opening line
            std::vector<std::string> action;
            bool dialog = false;
        };
        std::vector<Opener> openers;
        const std::vector<std::string> pages = Pages({}, {"cancel"}, false);
        for (size_t page = 0; page < pages.size(); ++page) {
            const std::string select = "page " + std::to_string(page);
            // The page's edits that Cancel takes back, and its clicks that commit at once with
            // the state each leaves.
            std::vector<std::string> edits;
            std::vector<std::pair<std::vector<std::string>, State>> switches;
            for (const std::vector<std::string>& action : ActionsOn(ParseListing(pages[page]))) {
                const Driven driven = Drive({select}, action, {"cancel"});
                const bool committed = sessionCommits > openCommits;
                if (const std::optional<State> switched = Expect(bare, "cancel"))
                    switches.emplace_back(action, *switched);
                else if (driven.answers.empty() && !committed)
                    edits.insert(edits.end(), action.begin(), action.end());
                if (!driven.opens) continue;
                Opener opener{{select}, action, driven.answers[driven.answers.size() - 2].starts_with("dialog ")};
                opener.before.insert(opener.before.end(), driven.answers.begin(), driven.answers.end() - 1);
                openers.push_back(opener);
            }
            // Such a click commits itself alone: after the page's other edits it leaves the
            // element as it did alone. Edits that keep the click from running are no test.
            for (const auto& [click, alone] : switches) {
                std::vector<std::string> lines{select};
                lines.insert(lines.end(), edits.begin(), edits.end());
                lines.insert(lines.end(), click.begin(), click.end());
                lines.push_back("cancel");
                if (Session(lines, error) && Now() != alone) {
                    std::string shown;
                    for (const std::string& line : lines) shown += "\n    | " + line;
                    ADD_FAILURE() << name << ": the session" << shown << "\n  keeps more than " << click.back()
                                  << " alone:" << FirstDifference(alone.schematic, Now().schematic);
                }
                ASSERT_NO_FATAL_FAILURE(Rebuild());
                Session({"cancel"}, error);
            }
        }
        if (openers.empty()) continue;

        // Inside each sheet or dialog: every action, the sub-sheet cancelled, then the element's
        // sheet cancelled (a bare Cancel) or confirmed (a bare OK).
        for (const std::string end : {"cancel", "ok"}) {
            ASSERT_NO_FATAL_FAILURE(Rebuild());
            ASSERT_TRUE(Session({end}, error)) << error;
            const State want = end == "cancel" ? bare : Now();
            for (const Opener& opener : openers) {
                std::vector<std::string> after{"}"};
                after.insert(after.end(), opener.action.begin(), opener.action.end());
                after.push_back(end);
                const std::vector<std::string> inner = Pages(opener.before, after, opener.dialog);
                // The sub-sheet is cancelled by the script's own `cancel` after the action, so
                // that one which a button ended already (a "Set" that confirms) ends by Cancel
                // all the same, as a user's Cancel would have ended it.
                std::vector<std::string> open = opener.before;
                open.back().replace(open.back().find(" cancel {"), 9, " stay {");
                after.insert(after.begin(), "cancel");
                for (size_t page = 0; page < inner.size(); ++page) {
                    std::vector<std::string> before = open;
                    if (!opener.dialog) before.push_back("page " + std::to_string(page));
                    for (const std::vector<std::string>& action : ActionsOn(ParseListing(inner[page]))) {
                        // The sheet's or dialog's own OK is no Cancel.
                        if (action.back() == "click 1") continue;
                        Drive(before, action, after);
                        Expect(want, end);
                    }
                }
            }
        }
    }
}

// A table sub-sheet's OK writes the table's data file; the file becomes the element's with the
// element's next apply or OK, and a Cancel of the element's sheet takes it back: the folder is
// then as before the session, byte for byte. The OK of the element's sheet keeps it.
struct TableSubSheet {
    const char* label;
    int id;
    std::vector<std::string> before;   // on the element's page, before the sheet opens
    std::vector<std::string> table;    // on the sheet, before its rows: a table of data pairs
    int button;                        // opens the sheet
};

const TableSubSheet kTableSubSheets[] = {
    {"diode", 8, {"choose 2080 \"XY-Data Pairs\""}, {"click 2397", "click 1124"}, 2016},
    {"power semiconductor", 9, {"choose 2080 \"XY-Data Pairs\""}, {"click 2397", "click 1124"}, 2016},
    {"resistor", 15, {"click 2088"}, {"click 2114", "click 2397", "click 1124"}, 2016},
    {"conductance", 16, {"click 2088", "type 2007 \"V(N1)\""}, {"click 2114", "click 2397", "click 1124"}, 2016},
    {"capacitor", 17, {"click 2092"}, {"click 2114", "click 2397", "click 1124"}, 2093},
    {"inductor, second form", 18, {"click 2089"}, {"click 2114", "click 2397", "click 1124"}, 2098},
    {"controlled source", 2, {"pick 2005 2", "type 2007 \"V(N1)\""}, {"click 2114", "click 2397", "click 1124"}, 2016},
    {"nonlinear characteristic", 65, {}, {"click 2114", "click 2397", "click 1124"}, 2016},
    {"nonlinear transformer", 112, {}, {"click 2114", "click 2397", "click 1124"}, 2016},
    {"DC machine, excitation", 30, {}, {"click 2114", "click 2397", "click 1124"}, 2157},
    {"DC machine, magnetization", 30, {}, {"click 2114", "click 2397", "click 1124"}, 2159},
};

TEST(TableSubSheetCancel, TheFilesASubSheetWroteGoWithTheElementsCancel) {
    const fs::path folder = fs::path(SweepEnvironment::scratch) / "sub_sheets";
    for (const TableSubSheet& sheet : kTableSubSheets) {
        for (const bool named : {true, false}) {
            std::vector<std::string> lines = sheet.before;
            lines.push_back("sheet ok {");
            lines.insert(lines.end(), sheet.table.begin(), sheet.table.end());
            for (const char* row : {"0", "1"})
                for (const std::string& line : {std::string("click 1122"), "cell 2121 " + std::string(row) + " 1 \"" + row + "\"",
                                                "cell 2121 " + std::string(row) + " 2 \"" + row + "\""})
                    lines.push_back(line);
            lines.push_back("click 2116");
            if (named) lines.push_back("type 2117 \"mine.mdx\"");
            lines.push_back("}");
            lines.push_back("click " + std::to_string(sheet.button));
            for (const std::string end : {"cancel", "ok"}) {
                SCOPED_TRACE(std::string(sheet.label) + (named ? ", named" : ", default name") + ", " + end);
                std::error_code code;
                fs::remove_all(folder, code);
                fs::create_directories(folder);
                qv_test::WriteFile(folder / "notes.txt", "the user's\n");
                qv::Schematic schematic;
                schematic.document = "D";
                schematic.elements.push_back(qv::SchematicElement{});
                schematic.elements.back().id = static_cast<unsigned>(sheet.id);
                schematic.elements.back().name = "E1";
                qv::Host host;
                std::string error;
                ASSERT_TRUE(host.Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
                ASSERT_TRUE(host.Build(schematic, folder.string() + "/", error)) << error;
                const auto before = FilesIn(folder);
                std::vector<std::string> session = lines;
                session.push_back(end);
                qv::EditOutcome outcome;
                ASSERT_TRUE(host.Edit("E1", session, outcome, error)) << error;
                const auto after = FilesIn(folder);
                if (end == "cancel")
                    EXPECT_EQ(before, after);
                else
                    EXPECT_EQ(before.size() + 1, after.size());
            }
        }
    }
}

std::vector<std::string> Examples() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(PARVEL_SOURCE_DIR "/examples"))
        if (entry.path().extension() == ".json") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Examples, CancelSweep, ::testing::ValuesIn(Examples()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.substr(0, info.param.size() - 5);
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
