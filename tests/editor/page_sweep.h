// What the sweeps over every control of every example page share: the pages' listings read
// into controls, the single actions a user can take on them, the answers to the boxes, sheets
// and dialogs an action shows, and a fixture that makes one element of an example at a time
// and runs edit sessions on it. The controls come from the live pages, so a page or a control
// added later is driven too.
#pragma once

#include "afx/user_script.h"
#include "editor/host.h"
#include "toolkit/tb_numbers.h"
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
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv_sweep {

namespace fs = std::filesystem;

class SweepEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string pattern = qv_test::TempFolder() + "/page_sweep_XXXXXX";
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
    static inline std::string scratch;
    HMODULE plugin = nullptr;
};
inline const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new SweepEnvironment);

// One control as the page's listing shows it (editor/edit_script.cpp, DescribeControls).
struct Control {
    int id = 0;
    std::string className;
    bool hidden = false;
    bool disabled = false;
    std::string text;
    std::vector<std::string> entries;
    int selected = -1;
    size_t columns = 0;
    std::vector<std::string> columnNames;
    std::vector<std::vector<std::string>> rows;
};

// Reads a quoted text of the listing from `at` on (which points at the opening quote).
inline std::string Quoted(const std::string& line, size_t& at) {
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
inline std::vector<std::string> QuotedTexts(const std::string& line, size_t at) {
    std::vector<std::string> texts;
    while ((at = line.find('"', at)) != std::string::npos) texts.push_back(Quoted(line, at));
    return texts;
}

inline std::vector<Control> ParseListing(const std::string& listing) {
    std::vector<Control> controls;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        const std::string line = listing.substr(start, end - start);
        start = end + 1;
        if (line.starts_with("  columns ")) {
            if (!controls.empty()) {
                controls.back().columnNames = QuotedTexts(line, 0);
                controls.back().columns = controls.back().columnNames.size();
            }
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
                control.entries = QuotedTexts(line.substr(0, close), entries);
                control.selected = std::atoi(line.c_str() + close + 11);
            }
            controls.push_back(control);
        }
    }
    return controls;
}

// A valid value other than the one shown: a number (with its scale prefix, "1m") moved by one
// (and, for a positive whole number such as an order, lowered by one too), a text with a
// character more.
inline std::vector<std::string> ChangedTexts(const std::string& text) {
    double value = 0;
    if (!qv::ParsePrefixedNumber(text.c_str(), &value) || !std::isfinite(value)) return {text + "1"};
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

// What users type and received files give, by kind: every typed field and cell of a page gets
// one value of each kind, and every value reaches every page (BadValuesFor).
inline const std::vector<std::vector<std::string>>& BadValueKinds() {
    static const std::vector<std::vector<std::string>> kinds = {
        {"", " "},                                                     // blank
        {"x +", "(1", "a)", "\""},                                     // broken
        {"1/(0)", "1e400", "1e-320", "nan", "inf"},                   // not finite
        {"a,b", "1k, G := 5", "1k); X Y ( Z := 1", "a;b", "1,5"},     // separators
        {"abc", "@X", "A B"},                                          // names
        {"-2", "2.5"},                                                 // not a whole number
        {"1 kOhm", "1 mV"},                                            // a unit, maybe of another quantity
    };
    return kinds;
}

// The bad values the `field`th of a page's `fields` typed places gets: one of each kind, turned
// so that the fields of a page take the kinds' values in turn, and the page's first fields the
// values its fields did not reach (a page of one field gets all of them).
inline std::vector<std::string> BadValuesFor(size_t field, size_t fields) {
    std::vector<std::string> values;
    for (const std::vector<std::string>& kind : BadValueKinds())
        for (size_t at = field; at < kind.size() || at == field; at += std::max<size_t>(fields, 1))
            values.push_back(kind[at % kind.size()]);
    return values;
}

// Which actions ActionsOn makes beyond one per button, cell and list entry.
struct Trials {
    bool everyChangedText = true;   // each of ChangedTexts, or the first alone
    bool emptyAndName = false;      // each typed field emptied and given a name too
    bool badValues = false;         // each typed field and cell given BadValuesFor
    // Controls whose own trials the caller makes (their entries are not picked).
    std::function<bool(const std::vector<Control>&, size_t)> apart;
};

// One typing of a bad value: the action and what was typed where.
struct BadValueTrial {
    std::vector<std::string> action;
    std::string typed;
    size_t control = 0;   // the control's index in the listing
    bool cell = false;    // typed into a cell of a list
    std::string unit;     // a cell's unit, as its column's heading or its row's "Unit" cell shows it
};

// The unit a list shows for the values of a cell: the one its column's heading names in
// brackets ("X [V]") or after the axis ("x-axis : V", a table whose units are typed beside
// it), else the text of its row's "Unit" cell (a list whose rows are distinct parameters); ""
// for a column of plain numbers or texts.
inline std::string CellUnit(const Control& list, size_t row, size_t column) {
    const auto trimmed = [](std::string unit) {
        unit.erase(0, unit.find_first_not_of(' '));
        unit.erase(unit.find_last_not_of(' ') + 1);
        return unit;
    };
    if (column < list.columnNames.size()) {
        const std::string& heading = list.columnNames[column];
        const size_t open = heading.rfind('[');
        const size_t close = heading.rfind(']');
        if (open != std::string::npos && close != std::string::npos && open < close)
            return trimmed(heading.substr(open + 1, close - open - 1));
        if (const size_t axis = heading.find("axis : "); axis != std::string::npos)
            return trimmed(heading.substr(axis + 7));
    }
    const auto unitColumn = std::find(list.columnNames.begin(), list.columnNames.end(), "Unit");
    const size_t at = static_cast<size_t>(unitColumn - list.columnNames.begin());
    if (unitColumn != list.columnNames.end() && at != column && row < list.rows.size() && at < list.rows[row].size())
        return list.rows[row][at];
    return "";
}

// The typing of bad values into the typed places of one listing: its enabled edits and the
// cells of the first and of the last row of its lists. A list whose rows are distinct
// parameters, each with its own unit (a "Unit" column), has the rows between typed into too,
// with the values that carry a unit alone: each row must read them in its own unit.
inline std::vector<BadValueTrial> BadValueTrials(const std::vector<Control>& controls) {
    struct Place {
        size_t control;
        std::string prefix;   // the action without the text
        bool cell = false;
        std::string unit;
    };
    std::vector<Place> places;
    std::vector<Place> unitsOnly;
    for (size_t at = 0; at < controls.size(); ++at) {
        const Control& c = controls[at];
        if (c.hidden) continue;
        const std::string id = std::to_string(c.id);
        if (c.className == "Edit" && !c.disabled) places.push_back({at, "type " + id + " ", false, ""});
        // A check-box column ("Use Pin", a result's "Output") is clicked, not typed into.
        if (c.className == "SysListView32" && !c.rows.empty()) {
            const bool ownUnits = std::find(c.columnNames.begin(), c.columnNames.end(), "Unit") != c.columnNames.end();
            for (size_t row = 0; row < c.rows.size(); ++row) {
                const bool end = row == 0 || row + 1 == c.rows.size();
                if (!end && !ownUnits) continue;
                for (size_t column = 0; column < c.rows[row].size(); ++column)
                    if (column >= c.columnNames.size() ||
                        (c.columnNames[column] != "Use Pin" && c.columnNames[column] != "Output" &&
                         (end || c.columnNames[column] != "Unit")))
                        (end ? places : unitsOnly)
                            .push_back({at, "cell " + id + " " + std::to_string(row) + " " + std::to_string(column) + " ",
                                        true, CellUnit(c, row, column)});
            }
        }
    }
    std::vector<BadValueTrial> trials;
    for (size_t at = 0; at < places.size(); ++at)
        for (const std::string& value : BadValuesFor(at, places.size()))
            trials.push_back({{places[at].prefix + qv::QuoteScriptText(value)}, value, places[at].control,
                              places[at].cell, places[at].unit});
    for (const Place& place : unitsOnly)
        for (const std::string& value : BadValueKinds().back())
            trials.push_back({{place.prefix + qv::QuoteScriptText(value)}, value, place.control, true, place.unit});
    return trials;
}

// The text a field is given as a name: one that no example gives an element or a parameter.
inline const char* const kTypedName = "XNAME";

// The single actions a user can take on the controls of one listing.
inline std::vector<std::vector<std::string>> ActionsOn(const std::vector<Control>& controls,
                                                       const Trials& trials = Trials{}) {
    std::vector<std::vector<std::string>> actions;
    std::vector<int> buttons;
    for (const Control& c : controls)
        if (!c.hidden && c.className == "Button") buttons.push_back(c.id);
    for (size_t at = 0; at < controls.size(); ++at) {
        const Control& c = controls[at];
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
        if (c.className == "Edit") {
            std::vector<std::string> texts = ChangedTexts(c.text);
            if (!trials.everyChangedText) texts.resize(1);
            if (trials.emptyAndName) {
                if (!c.text.empty()) texts.push_back("");
                if (c.text != kTypedName) texts.push_back(kTypedName);
                double value = 0;
                if (qv::ParsePrefixedNumber(c.text.c_str(), &value) && value != 0) texts.push_back("0");
            }
            for (const std::string& changed : texts) actions.push_back({"type " + id + " " + qv::QuoteScriptText(changed)});
        }
        if ((c.className == "ComboBox" || c.className == "ListBox") && !(trials.apart && trials.apart(controls, at)))
            for (size_t entry = 0; entry < c.entries.size() && entry < 8; ++entry)
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
inline std::vector<std::string> AnswerFor(const std::string& error, const std::vector<std::string>& last) {
    if (error.find("unexpected property sheet") != std::string::npos) return {"sheet cancel {", "}"};
    const size_t dialog = error.find("unexpected dialog ");
    if (dialog != std::string::npos) return {"dialog " + std::to_string(std::atoi(error.c_str() + dialog + 18)) + " cancel {", "}"};
    if (error.find("which is not one of its buttons") != std::string::npos) {
        if (last == std::vector<std::string>{"message cancel"}) return {"message no"};
        if (last == std::vector<std::string>{"message no"}) return {"message ok"};
        return {};
    }
    if (error.find("unexpected message box") != std::string::npos) {
        // The box's own buttons tell its answer at once: OK alone, Yes and No, or a Cancel.
        const auto& shown = qv::UserScript::Instance().Shown();
        for (auto box = shown.rbegin(); box != shown.rend(); ++box) {
            if (box->kind != qv::InteractionKind::MessageBox) continue;
            if ((box->type & 0xF) == MB_OK) return {"message ok"};
            if ((box->type & 0xF) == MB_YESNO) return {"message no"};
            break;
        }
        return {"message cancel"};
    }
    if (error.find("unexpected file dialog") != std::string::npos) return {"file cancel"};
    if (error.find("unexpected popup menu") != std::string::npos) return {"menu 0"};
    return {};
}

// The first line where two texts differ, for the failure message.
inline std::string FirstDifference(const std::string& want, const std::string& got) {
    size_t at = 0;
    while (at < want.size() && at < got.size() && want[at] == got[at]) ++at;
    const size_t from = at == 0 ? std::string::npos : want.rfind('\n', at - 1);
    const size_t begin = from == std::string::npos ? 0 : from + 1;
    auto line = [begin](const std::string& text) { return text.substr(begin, text.find('\n', begin) - begin); };
    return "\n    want: " + line(want) + "\n    got:  " + line(got);
}

// The lines of a script, one a line, for the failure message.
inline std::string ScriptLines(const std::vector<std::string>& script) {
    std::string lines;
    for (const std::string& line : script) lines += "\n    | " + line;
    return lines;
}

// One action on a page, with the answers it needed: `opens` is set when its last answer is a
// sheet or dialog, whose own controls are driven in the second pass.
struct Driven {
    std::vector<std::string> answers;   // lines before the action
    bool opens = false;
    bool ran = false;                   // the session went through (with those answers)
    std::string error;                  // why it did not
};

// Where a control opens a sheet or dialog: the lines that open it, and its action.
struct Opener {
    std::vector<std::string> before;   // the page, the answers, the block's opening line
    std::vector<std::string> action;
    bool dialog = false;
};

// Makes the elements of one example file (the test's parameter) one at a time and runs edit
// sessions on them.
class PageSweep : public ::testing::TestWithParam<std::string> {
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
    // The host is started once: making the schematic again gives it a fresh editor state of
    // its own, and loading the catalogue costs more than making one element.
    void Rebuild() {
        qv::HostOptions options{PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"};
        std::string error;
        if (!host) {
            host = std::make_unique<qv::Host>();
            ASSERT_TRUE(host->Start(options, error)) << error;
        }
        qv::Schematic alone = schematic;
        alone.elements = {schematic.elements[index]};
        if (host->Build(alone, folder.string() + "/", error)) {
            handle = LastHandle();
            return;
        }
        ASSERT_TRUE(host->Build(schematic, folder.string() + "/", error)) << error;
        handle = LastHandle() - static_cast<DWORD>(schematic.elements.size() - 1 - index);
    }

    // The handle of the element the editor made last: it numbers them from 1 as it makes
    // them and keeps their sets while the host runs.
    DWORD LastHandle() {
        while (host->Editor().Holder(lastHandle + 1) != nullptr) ++lastHandle;
        return lastHandle;
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
            const unsigned commits = host->Editor().AcceptedCommits(handle);
            const bool ran = Session(script, error);
            sessionCommits = host->Editor().AcceptedCommits(handle) - commits;
            sessionNotified = host->LastSessionNotified();
            driven.ran = ran;
            driven.error = error;
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

    // The description written into the test's folder, or "(refused) " and why. With `files`,
    // the data files it wrote follow it.
    std::string Description(bool files = false) {
        std::vector<std::string> written;
        std::string error;
        if (!host->Describe((folder / "d.desc").string(), written, error)) return "(refused) " + error;
        std::string text = qv_test::ReadFile(folder / "d.desc");
        for (size_t at = 1; files && at < written.size(); ++at) text += "\n" + qv_test::ReadFile(written[at]);
        return text;
    }

    qv::Schematic schematic;
    fs::path folder;
    std::unique_ptr<qv::Host> host;
    size_t index = 0;
    std::string name;
    DWORD handle = 0;
    DWORD lastHandle = 0;
    unsigned sessionCommits = 0;   // the commits of the last session Drive ran
    std::vector<std::string> sessionNotified;   // what it told the wizard had changed
    std::vector<std::string> script;
};

inline std::vector<std::string> Examples() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(PARVEL_SOURCE_DIR "/examples"))
        if (entry.path().extension() == ".json") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The test's name for an example file: its name without ".json", other characters than
// letters and digits made '_'.
inline std::string ExampleTestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param.substr(0, info.param.size() - 5);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

}  // namespace qv_sweep
