// Cancel gives every element back as it was, whatever the user did on its pages before: each
// element of each example is driven through each control its pages show (and those of the
// sheets and dialogs its buttons open), each session ending with Cancel, and the schematic the
// editor holds, its parameter set (with what the schematic does not print), its description and
// the files of its folder must then be those after a bare Cancel; a session that changed no value
// tells the wizard of none. The page's edits together, applied while the editor refuses the
// commit, go the same way, whether Cancel ends the sheet or the script leaves it open. The
// controls come from the live pages, so a page or a control added later is driven too. A click
// that commits at once (an output switch that is the element's as it is clicked) stays after
// Cancel, and alone: clicked after the page's other edits, it leaves the element as it did alone.
//
// A second pass drives each sub-sheet and dialog the same way, cancels it and then presses OK
// on the element's sheet: that must give what a bare OK gives.
#include "tests/editor/page_sweep.h"
#include "tests/support/param_set_text.h"

#include <map>
#include <optional>
#include <utility>

namespace {

using namespace qv_sweep;

struct State {
    std::string schematic;
    std::string description;
    std::string set;   // the editor's parameter set, with what the schematic does not print
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

class CancelSweep : public PageSweep {
protected:
    // The description, then the schematic as printed. Describing marks the members the model
    // does not use, for good: the schematic is read after it, so that the states compared do
    // not depend on whether a session before had been described.
    State Now() {
        State state;
        state.description = Description();
        state.schematic = qv::WriteSchematic(host->CurrentSchematic());
        state.files = FilesIn(folder);
        state.set = qv_test::ParamSetText(*host->Editor().Holder(handle));
        return state;
    }

    // Compares the state with `want`. On a difference the schematic is built afresh and `reset`
    // (a bare Cancel or OK) run again, so that the next action starts where the others did.
    // Gives the state of a click that committed at once (and stays), where the session ended
    // in one.
    std::optional<State> Expect(const State& want, const std::string& reset) {
        const State got = Now();
        // A session that left every value as it found it has nothing to tell the wizard of.
        if (got == want && !sessionNotified.empty()) {
            std::string told;
            for (const std::string& value : sessionNotified) told += " " + value;
            ADD_FAILURE() << name << ": the session" << ScriptLines(script) << "\n  told its wizard of" << told
                          << " though it changed no value";
        }
        if (got == want) return std::nullopt;
        // The output switches of the older block, static block, meter, measurement and machine
        // pages and the VCO's Use Pin are the element's as they are clicked: they commit at once
        // and stay. Such a click commits more than the same sheet opened and cancelled.
        const bool atOnce = sessionCommits > openCommits && reset == "cancel" && script.size() >= 2 &&
                            script[script.size() - 2].starts_with("click ");
        if (!atOnce)
            ADD_FAILURE() << name << ": the session" << ScriptLines(script) << "\n  differs from a bare " << reset << ":"
                          << (got.schematic != want.schematic       ? FirstDifference(want.schematic, got.schematic)
                              : got.description != want.description ? FirstDifference(want.description, got.description)
                              : got.set != want.set                 ? FirstDifference(want.set, got.set)
                                                                    : FirstFileDifference(want.files, got.files));
        Rebuild();
        std::string error;
        Session({reset}, error);
        return atOnce ? std::optional<State>(got) : std::nullopt;
    }

    unsigned openCommits = 0;      // the commits of the element's sheet opened and cancelled
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
            // An apply the editor refuses commits nothing: the sheet ended by Cancel, or left open
            // (ended otherwise than by OK), gives back all the page wrote into the set for it.
            // Where the sheet commits as it opens, that commit would be refused too.
            for (const bool ended : {true, false}) {
                if (openCommits != 0 || edits.empty()) break;
                std::vector<std::string> lines{select};
                lines.insert(lines.end(), edits.begin(), edits.end());
                lines.push_back("apply");
                host->Editor().SetCommitAnswer(1);
                Drive({}, lines, ended ? std::vector<std::string>{"cancel"} : std::vector<std::string>{});
                host->Editor().SetCommitAnswer(0);
                Expect(bare, "cancel");
            }
            // Such a click commits itself alone: after the page's other edits it leaves the
            // element as it did alone. Edits that keep the click from running are no test.
            for (const auto& [click, alone] : switches) {
                std::vector<std::string> lines{select};
                lines.insert(lines.end(), edits.begin(), edits.end());
                lines.insert(lines.end(), click.begin(), click.end());
                lines.push_back("cancel");
                if (Session(lines, error) && Now() != alone)
                    ADD_FAILURE() << name << ": the session" << ScriptLines(lines) << "\n  keeps more than "
                                  << click.back() << " alone:" << FirstDifference(alone.schematic, Now().schematic);
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

// The DC machine's other characteristic as two data pairs: OK refuses it empty.
std::vector<std::string> DcMachinePairsThen(int button) {
    return {"sheet ok {", "click 2114", "click 2397", "click 1124", "click 1122", "click 1122",
            "cell 2121 1 1 \"1\"", "}", "click " + std::to_string(button)};
}

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
    {"DC machine, excitation", 30, DcMachinePairsThen(2159), {"click 2114", "click 2397", "click 1124"}, 2157},
    {"DC machine, magnetization", 30, DcMachinePairsThen(2157), {"click 2114", "click 2397", "click 1124"}, 2159},
};

// A host holding element `id` alone, named E1, in document D, in `folder` emptied first.
void BuildAlone(qv::Host& host, int id, const fs::path& folder) {
    std::error_code code;
    fs::remove_all(folder, code);
    fs::create_directories(folder);
    qv::Schematic schematic;
    schematic.document = "D";
    schematic.elements.push_back(qv::SchematicElement{});
    schematic.elements.back().id = static_cast<unsigned>(id);
    schematic.elements.back().name = "E1";
    std::string error;
    ASSERT_TRUE(host.Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
    ASSERT_TRUE(host.Build(schematic, folder.string() + "/", error)) << error;
}

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
                qv::Host host;
                ASSERT_NO_FATAL_FAILURE(BuildAlone(host, sheet.id, folder));
                qv_test::WriteFile(folder / "notes.txt", "the user's\n");
                std::string error;
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

// The element's OK refuses a characteristic table of data pairs whose rows were all deleted,
// with the page's message (a refused OK ends the session, and the command writes nothing); on
// every page with such a table.
TEST(TableSubSheetCancel, AnEmptyCharacteristicTableIsRefusedByTheElementsOk) {
    const fs::path folder = fs::path(SweepEnvironment::scratch) / "empty_sheets";
    for (const TableSubSheet& sheet : kTableSubSheets) {
        SCOPED_TRACE(sheet.label);
        qv::Host host;
        ASSERT_NO_FATAL_FAILURE(BuildAlone(host, sheet.id, folder));
        std::string error;
        std::vector<std::string> session = sheet.before;
        session.push_back("sheet ok {");
        session.insert(session.end(), sheet.table.begin(), sheet.table.end());
        session.insert(session.end(), {"}", "click " + std::to_string(sheet.button),
                                       "message ok \"Error : No data available - block length = 0\"", "ok"});
        // The session ends with the refused OK, its message answered.
        qv::EditOutcome outcome;
        EXPECT_FALSE(host.Edit("E1", session, outcome, error));
        EXPECT_TRUE(error.starts_with("element \"E1\":")) << error;
        EXPECT_TRUE(error.ends_with("script line " + std::to_string(session.size()) + " (ok): the sheet refused")) << error;
        EXPECT_EQ(std::string::npos, error.find("unexpected")) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, CancelSweep, ::testing::ValuesIn(Examples()), ExampleTestName);

}  // namespace
