// Cancel gives every element back as it was, whatever the user did on its pages before: each
// element of each example is driven through each control its pages show (and those of the
// sheets and dialogs its buttons open), each session ending with Cancel, and the schematic the
// editor holds and its description must then be those after a bare Cancel. The controls come
// from the live pages, so a page or a control added later is driven too. A click that commits
// at once (an output switch that is the element's as it is clicked) stays after Cancel, and
// alone: clicked after the page's other edits, it leaves the element as it did alone.
//
// A second pass drives each sub-sheet and dialog the same way, cancels it and then presses OK
// on the element's sheet: that must give what a bare OK gives.
#include "tests/editor/page_sweep.h"

#include <optional>
#include <utility>

namespace {

using namespace qv_sweep;

struct State {
    std::string schematic;
    std::string description;
    bool operator==(const State&) const = default;
};

class CancelSweep : public PageSweep {
protected:
    // The description, then the schematic as printed. Describing marks the members the model
    // does not use, for good: the schematic is read after it, so that the states compared do
    // not depend on whether a session before had been described.
    State Now() {
        State state;
        state.description = Description();
        state.schematic = qv::WriteSchematic(host->CurrentSchematic());
        return state;
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
        if (!atOnce)
            ADD_FAILURE() << name << ": the session" << ScriptLines(script) << "\n  differs from a bare " << reset << ":"
                          << (got.schematic != want.schematic ? FirstDifference(want.schematic, got.schematic)
                                                              : FirstDifference(want.description, got.description));
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

INSTANTIATE_TEST_SUITE_P(Examples, CancelSweep, ::testing::ValuesIn(Examples()), ExampleTestName);

}  // namespace
