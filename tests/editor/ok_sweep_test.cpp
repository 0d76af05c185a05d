// What OK accepts describes, and what OK stores comes back: each element of each example is
// driven through each control its pages show (and those of the sheets and dialogs its buttons
// open, confirmed there), each session ending with OK. Then
// - the element describes, or its page refused the OK with a message box (the box is answered
//   and the element stays as it was);
// - reopening it and a bare OK give the same printed schematic, description and archive;
// - the printed schematic, made afresh, and the archive, loaded, give that schematic and that
//   description again.
// Each typed field is also emptied and given a name, and each unit list beside a value is set
// to another unit with the value typed again: the described value must change by the unit's
// factor.
#include "tests/editor/page_sweep.h"

#include "framework/dialog_controls.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"

#include <set>
#include <utility>

namespace {

using namespace qv_sweep;

// What an OK stored, as the user gets it back: the schematic printed, the description and the
// archive saved.
struct Stored {
    std::string schematic;
    std::string description;
    std::string archive;
    bool operator==(const Stored&) const = default;
    bool operator!=(const Stored&) const = default;
    bool operator<(const Stored& other) const {
        return std::tie(schematic, description, archive) < std::tie(other.schematic, other.description, other.archive);
    }
};

// The quantity whose unit list a combo box shows, or null when its entries are no unit list.
const qv::QuantityDefinition* UnitListOf(const Control& c) {
    if (c.className != "ComboBox" || c.entries.size() < 2) return nullptr;
    for (const qv::QuantityDefinition& quantity : qv::BuiltInUnitsTable().quantities) {
        if (quantity.units.size() != c.entries.size()) continue;
        bool same = true;
        for (size_t at = 0; at < c.entries.size() && same; ++at) same = quantity.units[at].symbol == c.entries[at];
        if (same) return &quantity;
    }
    return nullptr;
}

// The field whose value a unit list gives the unit of: the one shown last before it, an edit
// or a box that takes a typed value (the sample time); none when there is no such field.
const Control* ValueBeside(const std::vector<Control>& controls, size_t at) {
    if (UnitListOf(controls[at]) == nullptr) return nullptr;
    while (at > 0 && controls[at - 1].hidden) --at;
    if (at == 0) return nullptr;
    const Control& value = controls[at - 1];
    if (value.className == "Edit" || (value.className == "ComboBox" && UnitListOf(value) == nullptr)) return &value;
    return nullptr;
}
bool UnitListBesideValue(const std::vector<Control>& controls, size_t at) {
    return ValueBeside(controls, at) != nullptr;
}

// The assignments "NAME := VALUE" of a description, in order; a value ends at a comma, a
// closing parenthesis or a semicolon outside its own parentheses.
std::vector<std::pair<std::string, std::string>> Assignments(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> found;
    for (size_t at = text.find(" := "); at != std::string::npos; at = text.find(" := ", at + 4)) {
        size_t begin = at;
        while (begin > 0 && text[begin - 1] != ' ' && text[begin - 1] != '(' && text[begin - 1] != ',') --begin;
        size_t end = at + 4;
        for (int depth = 0; end < text.size(); ++end) {
            const char c = text[end];
            if (depth == 0 && (c == ',' || c == ')' || c == ';')) break;
            depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        }
        found.emplace_back(text.substr(begin, at - begin), text.substr(at + 4, end - at - 4));
    }
    return found;
}

// Whether some assignment of `got` holds the value of the same assignment of `want` times
// `factor`.
bool ScaledBy(const std::string& want, const std::string& got, long double factor) {
    const auto before = Assignments(want);
    const auto after = Assignments(got);
    for (size_t at = 0; at < before.size() && at < after.size(); ++at) {
        double a = 0;
        double b = 0;
        if (before[at].first != after[at].first || !qv::ParsePrefixedNumber(before[at].second.c_str(), &a) ||
            !qv::ParsePrefixedNumber(after[at].second.c_str(), &b) || a == 0)
            continue;
        if (std::fabs(static_cast<long double>(b) - a * factor) <= 1e-9L * std::fabs(a * factor)) return true;
    }
    return false;
}

// Whether a number typed with a unit ("1 kOhm") is read in the unit a cell shows ("" for a
// column of plain numbers): only a unit of the cell's quantity is, converted into the cell's
// unit. A number without a unit is read in any cell.
bool ReadsInCell(const std::string& typed, const std::string& unit, double* number) {
    if (qv::ParsePrefixedNumber(typed.c_str(), number)) return true;
    return !unit.empty() && qv::ParseNumberInUnit(typed.c_str(), "", unit.c_str(), number);
}
// Whether a text is a number with a unit of some quantity.
bool HasUnit(const std::string& typed) {
    double number = 0;
    if (qv::ParsePrefixedNumber(typed.c_str(), &number)) return false;
    for (const qv::QuantityDefinition& quantity : qv::BuiltInUnitsTable().quantities)
        if (qv::ParseNumberInUnit(typed.c_str(), quantity.name.c_str(), quantity.units[0].symbol.c_str(), &number)) return true;
    return false;
}

// Whether a text holds what was typed, as typed or as its number in one of `factors` (the
// unit shown against the units its parameter may be written in). What was typed into a cell
// is read as its number in the cell's unit `cellUnit` alone.
bool HoldsTyped(const std::string& text, const std::string& typed, const std::vector<long double>& factors,
                const std::string* cellUnit = nullptr) {
    if (text.find(typed) != std::string::npos) return true;
    // A data file's name is completed by the naming rules: an extension that names no
    // written format becomes ".mdx" ("2.5" names "2.mdx").
    if (const size_t dot = typed.rfind('.'); dot != std::string::npos && dot > 0 &&
                                             text.find("\"" + typed.substr(0, dot) + ".mdx\"") != std::string::npos)
        return true;
    double number = 0;
    // A number typed with a unit is held as its number in the unit's quantity's base unit.
    bool read = qv::ParsePrefixedNumber(typed.c_str(), &number) != FALSE;
    if (cellUnit != nullptr) read = ReadsInCell(typed, *cellUnit, &number);
    for (const qv::QuantityDefinition& quantity : qv::BuiltInUnitsTable().quantities)
        read = read || (cellUnit == nullptr && qv::ParseNumberInUnit(typed.c_str(), quantity.name.c_str(),
                                                                    quantity.units[0].symbol.c_str(), &number));
    if (!read || !std::isfinite(number)) return false;
    const auto inToken = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '+' || c == '-'; };
    for (size_t at = 0; at < text.size();) {
        if (!inToken(text[at])) {
            ++at;
            continue;
        }
        size_t end = at;
        while (end < text.size() && inToken(text[end])) ++end;
        double found = 0;
        if (qv::ParsePrefixedNumber(text.substr(at, end - at).c_str(), &found))
            for (const long double factor : factors)
                if (std::fabs(static_cast<long double>(found) - number * factor) <= 1e-9L * std::fabs(number * factor) + 1e-300L)
                    return true;
        at = end;
    }
    return false;
}

// Whether what was typed is kept as typed with the element where it is no model text: a
// parameter's info or unit text, the value of a parameter the model text in its present form
// does not name (a value of another form, which that form's OK then checks), or a text of the
// wizard's own data (the span of a preview); the printed schematic shows each.
bool KeptAsTyped(const std::string& printed, const std::string& described, const std::string& typed) {
    std::string json;
    for (const char c : typed) json += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    if (printed.find("\"info\": \"" + json + "\"") != std::string::npos ||
        printed.find("\"unit\": \"" + json + "\"") != std::string::npos)
        return true;
    for (const std::string& shape : {"\": \"" + json + "\"", "\": {\"value\": \"" + json + "\""}) {
        for (size_t at = printed.find(shape); at != std::string::npos; at = printed.find(shape, at + 1)) {
            const size_t open = printed.rfind('"', at - 1);
            if (open == std::string::npos) continue;
            const std::string name = printed.substr(open + 1, at - open - 1);
            if (name != "value" && described.find(name + " := ") == std::string::npos) return true;
        }
    }
    // A row a page added is printed as a page parameter: "name" then "value" in one entry.
    const std::string value = "\"value\": \"" + json + "\"";
    for (size_t at = printed.find(value); at != std::string::npos; at = printed.find(value, at + 1)) {
        const size_t named = printed.rfind("\"name\": \"", at);
        if (named == std::string::npos || printed.find('}', named) < at) continue;
        const size_t begin = named + 9;
        const std::string name = printed.substr(begin, printed.find('"', begin) - begin);
        if (described.find(name + " := ") == std::string::npos) return true;
    }
    std::string hex;
    for (const unsigned char c : typed) hex += std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
    const size_t data = printed.find("\"wizard_data\": \"");
    return !hex.empty() && data != std::string::npos && printed.find(hex, data) != std::string::npos;
}

// Values from which a page works out what the text holds, reached only through that: their
// families' own tests check the arithmetic. Each is the element's wizard ID and the action
// without its text.
struct WorkedOut {
    unsigned element;
    const char* place;
    const char* why;
};
constexpr WorkedOut kWorkedOut[] = {
    {51, "type 2040 ", "the delay time is written as the sample time, the delay over the samples"},
    {85, "cell 2329 0 3 ", "a share of the fundamental's amplitude is written as the amplitude"},
    {54, "type 2243 ", "a cut-off below the band is brought into it by the design, and the page shows it so"},
    {54, "type 2244 ", "a cut-off below the band is brought into it by the design, and the page shows it so"},
};

// Cells whose unit the page knows apart from their column's heading: the element's wizard ID,
// the list, the column and the unit.
struct CellUnitOfPage {
    unsigned element;
    int list;
    size_t column;
    const char* unit;
    const char* why;
};
constexpr CellUnitOfPage kCellUnitsOfPages[] = {
    {85, 2329, 2, "V", "the amplitudes are in the unit of the source, a voltage source in the example"},
};

// The unit a cell of a trial reads its values in.
std::string UnitOfCell(unsigned element, const BadValueTrial& trial) {
    int list = 0;
    size_t row = 0;
    size_t column = 0;
    if (std::sscanf(trial.action.back().c_str(), "cell %d %zu %zu", &list, &row, &column) == 3)
        for (const CellUnitOfPage& known : kCellUnitsOfPages)
            if (known.element == element && known.list == list && known.column == column) return known.unit;
    return trial.unit;
}

class OkSweep : public PageSweep {
protected:
    // The description, then the schematic as printed (describing marks the members the model
    // does not use, for good), then the archive.
    Stored Now() {
        Stored stored;
        stored.description = Description();
        const qv::Schematic now = host->CurrentSchematic();
        stored.schematic = qv::WriteSchematic(now);
        // The page may have renamed the element.
        nameNow = now.elements[now.elements.size() == 1 ? 0 : index].name;
        std::string error;
        stored.archive = host->Save(ArchivePath(), error) ? qv_test::ReadFile(ArchivePath()) : "(refused) " + error;
        return stored;
    }
    std::string ArchivePath() const { return (folder / "a.qva").string(); }

    // The first difference of two stored states, or "".
    static std::string Difference(const Stored& want, const Stored& got) {
        if (got.description != want.description)
            return " in its description:" + FirstDifference(want.description, got.description);
        if (got.schematic != want.schematic) return " in its printed schematic:" + FirstDifference(want.schematic, got.schematic);
        if (got.archive != want.archive) {
            size_t at = 0;
            while (at < want.archive.size() && at < got.archive.size() && want.archive[at] == got.archive[at]) ++at;
            auto bytes = [at](const std::string& archive) {
                std::string shown;
                for (size_t i = at; i < archive.size() && i < at + 24; ++i) {
                    const unsigned char c = static_cast<unsigned char>(archive[i]);
                    shown += std::isprint(c) ? std::string(1, static_cast<char>(c)) : "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
                }
                return shown;
            };
            return " in its archive's bytes from byte " + std::to_string(at) + ":\n    want: " + bytes(want.archive) +
                   "\n    got:  " + bytes(got.archive);
        }
        return "";
    }

    void Fail(const std::string& what) { ADD_FAILURE() << name << ": the session" << ScriptLines(script) << "\n  " << what; }

    // Checks what the last session stored, once for each state the element reaches. The host
    // then holds no element of the example as it was made: the caller makes it again.
    void CheckStored() {
        const Stored stored = Now();
        if (!checked.insert(stored).second) return;
        if (stored.description.starts_with("(refused)")) {
            Fail("was taken by OK, but describe refuses the element: " + stored.description.substr(10));
            return;
        }
        std::string error;
        const std::string made = name;
        name = nameNow;
        const bool reopened = Session({"ok"}, error);
        name = made;
        if (!reopened) {
            Fail("was taken by OK, but reopening the element and a bare OK fail: " + error);
            return;
        }
        std::string differs = Difference(stored, Now());
        if (!differs.empty()) Fail("reopened and confirmed with a bare OK, differs" + differs);

        qv::Schematic printed;
        if (!qv::ReadSchematic(stored.schematic, printed, error)) {
            Fail("printed a schematic that cannot be read: " + error);
        } else if (!host->Build(printed, folder.string() + "/", error)) {
            Fail("printed a schematic that cannot be made again: " + error);
        } else {
            // Its archive may differ in what no page shows and no description uses (the name
            // of a data file a linear element keeps from when it was not).
            Stored again = Now();
            again.archive = stored.archive;
            differs = Difference(stored, again);
            if (!differs.empty()) Fail("made again from its printed schematic, differs" + differs);
        }
        qv_test::WriteFile(ArchivePath(), stored.archive);
        if (!host->Load(ArchivePath(), folder.string() + "/", error)) {
            Fail("saved an archive that cannot be loaded: " + error);
            return;
        }
        differs = Difference(stored, Now());
        if (!differs.empty()) Fail("saved and loaded, differs" + differs);
    }

    // Drives the action and OK, checks what it stored and makes the element again.
    // A session that fails with a message of its own (a name the host does not take, a text
    // a field cannot hold) stores nothing: the command that ran it writes nothing.
    Driven Try(const std::vector<std::string>& before, const std::vector<std::string>& action,
               const std::vector<std::string>& after) {
        const Driven driven = Drive(before, action, after);
        if (driven.ran) CheckStored();
        if (driven.ran && nameNow != name) GiveNameBack();
        Rebuild();
        return driven;
    }

    // A renamed element took the data files it wrote along to its new name: the user who goes
    // back to the element as it was made gives it its name back on its page, and the files
    // follow again.
    void GiveNameBack() {
        std::string error;
        const std::string made = name;
        name = nameNow;
        const bool given = Session({"page 0", "type 2001 " + qv::QuoteScriptText(made), "ok"}, error);
        name = made;
        if (!given) Fail("renamed the element, whose name cannot be given back: " + error);
    }

    // Another unit of the list beside the value, with the value typed again after it: the
    // described value must change by the units' factor.
    void TryUnitList(const std::string& select, const Control& value, const Control& list) {
        const qv::QuantityDefinition& quantity = *UnitListOf(list);
        if (list.selected < 0) return;
        const qv::UnitDefinition& from = quantity.units[static_cast<size_t>(list.selected)];
        size_t to = 0;
        while (to < quantity.units.size() &&
               (static_cast<int>(to) == list.selected || quantity.units[to].offset != 0 || from.offset != 0))
            ++to;
        if (to == quantity.units.size()) return;
        // The value as shown where it is a number, so that the page surely takes it.
        double shown = 0;
        const std::string number = qv::ParsePrefixedNumber(value.text.c_str(), &shown) && shown != 0 ? value.text : "1";
        const std::vector<std::string> typed{"type " + std::to_string(value.id) + " " + qv::QuoteScriptText(number)};
        Drive({select}, typed, {"ok"});
        const std::string want = Description();
        Rebuild();
        std::vector<std::string> action{"pick " + std::to_string(list.id) + " " + std::to_string(to)};
        action.insert(action.end(), typed.begin(), typed.end());
        if (!Drive({select}, action, {"ok"}).ran) return Rebuild();
        const std::string got = Description();
        const std::vector<std::string> tried = script;
        CheckStored();
        Rebuild();
        const long double factor = quantity.units[to].factor / from.factor;
        if (ScaledBy(want, got, factor)) return;
        if (got == want) {
            // Another number typed shows whether the value reaches the description at all.
            Drive({select}, {"type " + std::to_string(value.id) + (number == "1" ? " 2" : " 1")}, {"ok"});
            const bool described = Description() != want;
            Rebuild();
            if (!described) return;
        }
        script = tried;
        Fail("changed the unit of the value " + std::to_string(value.id) + " from " + from.symbol + " to " +
             quantity.units[to].symbol + ", but no described value changed by that factor:" + FirstDifference(want, got));
    }

    // A bad value typed into a field or cell, and OK: either OK refuses it and the element is as
    // it was made, or the element describes, comes back, and its description (or a data file it
    // wrote) holds the value as typed, or as its number in the unit the page shows beside it.
    void TryBadValue(const std::vector<std::string>& before, const BadValueTrial& trial,
                     const std::vector<Control>& controls, const std::vector<std::string>& after) {
        const Driven driven = Drive(before, trial.action, after);
        // A value a sheet or dialog of its own refused (its Cancel answered the box) leaves the
        // element as it was made: nothing was taken.
        const Stored now = driven.ran ? Now() : Stored{};
        if (driven.ran && now != asMade) {
            const std::string described = Description(true);
            const bool keptAsText = KeptAsTyped(now.schematic, described, trial.typed);
            const std::vector<std::string> tried = script;
            CheckStored();
            // A sine's RMS value reaches the text as its amplitude, a phase in degrees in radians.
            std::vector<long double> factors{1.0L, std::sqrt(2.0L), std::acos(-1.0L) / 180.0L};
            if (trial.control + 1 < controls.size())
                if (const qv::QuantityDefinition* units = UnitListOf(controls[trial.control + 1]);
                    units != nullptr && controls[trial.control + 1].selected >= 0) {
                    const long double shown = units->units[static_cast<size_t>(controls[trial.control + 1].selected)].factor;
                    for (const qv::UnitDefinition& unit : units->units) factors.push_back(shown / unit.factor);
                }
            const bool blank = trial.typed.find_first_not_of(' ') == std::string::npos;
            const bool workedOut = std::any_of(std::begin(kWorkedOut), std::end(kWorkedOut), [&](const WorkedOut& w) {
                return w.element == schematic.elements[index].id && trial.action.back().starts_with(w.place);
            });
            // A number with a unit typed into a cell of a unit of another quantity is the
            // cell's to refuse; in a cell of no unit it may stand as a text, but is never read
            // as a number (HoldsTyped reads it in the cell's unit alone).
            const std::string unit = UnitOfCell(schematic.elements[index].id, trial);
            double number = 0;
            if (trial.cell && !unit.empty() && !workedOut && HasUnit(trial.typed) &&
                !ReadsInCell(trial.typed, unit, &number)) {
                script = tried;
                Fail("took " + qv::QuoteScriptText(trial.typed) + " into a cell of the unit " + unit +
                     ", which is to refuse it:\n" + described.substr(0, 400));
            } else if (!blank && !keptAsText && !workedOut && !described.starts_with("(refused)") &&
                       !HoldsTyped(described, trial.typed, factors, trial.cell ? &unit : nullptr)) {
                script = tried;
                Fail("took " + qv::QuoteScriptText(trial.typed) + " and describes, but neither the description nor a data "
                     "file holds it as typed or as its number" +
                     (trial.cell ? " in the cell's unit \"" + unit + "\"" : std::string()) + ":\n" +
                     described.substr(0, 400));
            }
            if (nameNow != name) GiveNameBack();
        } else if (driven.error.find("the sheet refused") != std::string::npos) {
            const Stored now = Now();
            if (const std::string differs = Difference(asMade, now); !differs.empty())
                Fail("refused OK, but the element is not as it was made; it differs" + differs);
        }
        Rebuild();
    }

    // A list that starts with no rows has no cell to type into: where a button of its page
    // adds a row, the row is added first and the corpus typed into its cells. `listed` ends the
    // session that lists the page after the click, `after` the trials.
    void TryBadValuesInAddedRow(const std::vector<std::string>& before, const std::vector<Control>& controls,
                                const std::vector<std::string>& listed, const std::vector<std::string>& after) {
        for (const Control& list : controls) {
            if (list.className != "SysListView32" || list.hidden || !list.rows.empty()) continue;
            for (const Control& button : controls) {
                if (button.className != "Button" || button.hidden || button.disabled) continue;
                // The click may ask what to add: a menu of row kinds gets its first, "New", and
                // what else it shows the sweep's usual answer.
                std::vector<std::string> answers;
                std::vector<std::string> last;
                std::vector<std::string> added;
                qv::EditOutcome outcome;
                bool ran = false;
                for (int attempt = 0; attempt < 3 && !ran; ++attempt) {
                    added = before;
                    added.insert(added.end(), answers.begin(), answers.end());
                    added.push_back("click " + std::to_string(button.id));
                    std::vector<std::string> lines = added;
                    lines.push_back("print");
                    lines.insert(lines.end(), listed.begin(), listed.end());
                    std::string error;
                    outcome = {};
                    ran = Session(lines, error, &outcome);
                    std::vector<std::string> answer = ran ? std::vector<std::string>{} : AnswerFor(error, last);
                    if (!ran && error.find("unexpected popup menu") != std::string::npos)
                        answer = {"menu " + std::to_string(qv::dialog::kCmdNew)};
                    if (answer.empty()) break;
                    answers.insert(answers.end(), answer.begin(), answer.end());
                    last = answer;
                }
                Rebuild();
                if (!ran || outcome.printed.empty()) continue;
                const std::vector<Control> now = ParseListing(outcome.printed.front());
                const auto grown = std::find_if(now.begin(), now.end(), [&](const Control& c) {
                    return c.id == list.id && c.className == list.className && !c.rows.empty();
                });
                if (grown == now.end()) continue;
                const size_t at = static_cast<size_t>(grown - now.begin());
                for (const BadValueTrial& trial : BadValueTrials(now))
                    if (trial.control == at) TryBadValue(added, trial, now, after);
                break;
            }
        }
    }

    Stored asMade;              // the element as the example makes it
    std::set<Stored> checked;   // the states of the element checked already
    std::string nameNow;        // the element's name as the last Now() found it
};

TEST_P(OkSweep, EveryControlThenOkDescribesAndComesBack) {
    Trials trials;
    trials.everyChangedText = false;
    trials.emptyAndName = true;
    trials.apart = UnitListBesideValue;
    for (index = 0; index < schematic.elements.size(); ++index) {
        name = schematic.elements[index].name;
        checked.clear();
        ASSERT_NO_FATAL_FAILURE(Rebuild());
        script = {"(as made)"};
        asMade = Now();
        CheckStored();
        Rebuild();

        std::vector<Opener> openers;
        const std::vector<std::string> pages = Pages({}, {"cancel"}, false);
        for (size_t page = 0; page < pages.size(); ++page) {
            const std::string select = "page " + std::to_string(page);
            const std::vector<Control> controls = ParseListing(pages[page]);
            for (const std::vector<std::string>& action : ActionsOn(controls, trials)) {
                const Driven driven = Try({select}, action, {"ok"});
                if (!driven.opens) continue;
                Opener opener{{select}, action, driven.answers[driven.answers.size() - 2].starts_with("dialog ")};
                opener.before.insert(opener.before.end(), driven.answers.begin(), driven.answers.end() - 1);
                openers.push_back(opener);
            }
            for (const BadValueTrial& trial : BadValueTrials(controls)) TryBadValue({select}, trial, controls, {"ok"});
            TryBadValuesInAddedRow({select}, controls, {"cancel"}, {"ok"});
            for (size_t at = 0; at < controls.size(); ++at)
                // A value the page works out itself (a period that follows the frequency) has no
                // typed number for its unit list to scale.
                if (UnitListBesideValue(controls, at) && !controls[at].hidden && !controls[at].disabled &&
                    !ValueBeside(controls, at)->disabled)
                    TryUnitList(select, *ValueBeside(controls, at), controls[at]);
        }

        // Inside each sheet or dialog: every action, confirmed there and on the element's sheet.
        for (const Opener& opener : openers) {
            std::vector<std::string> after{"}"};
            after.insert(after.end(), opener.action.begin(), opener.action.end());
            after.push_back("ok");
            const std::vector<std::string> inner = Pages(opener.before, after, opener.dialog);
            std::vector<std::string> open = opener.before;
            open.back().replace(open.back().find(" cancel {"), 9, " ok {");
            for (size_t page = 0; page < inner.size(); ++page) {
                std::vector<std::string> before = open;
                if (!opener.dialog) before.push_back("page " + std::to_string(page));
                const std::vector<Control> controls = ParseListing(inner[page]);
                for (const std::vector<std::string>& action : ActionsOn(controls, trials)) {
                    if (action.back() == "click 1" || action.back() == "click 2") continue;
                    Try(before, action, after);
                }
                for (const BadValueTrial& trial : BadValueTrials(controls)) TryBadValue(before, trial, controls, after);
                TryBadValuesInAddedRow(before, controls, after, after);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, OkSweep, ::testing::ValuesIn(Examples()), ExampleTestName);

}  // namespace
