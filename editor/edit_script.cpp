#include "editor/edit_script.h"

#include "afx/message_text.h"
#include "afx/user_script.h"
#include "afx/wnd_core.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <sstream>

namespace qv {
namespace {

// Verbs and the number of arguments they take (minimum, maximum). "sheet" and "dialog" open
// a block with a last argument "{".
struct VerbInfo {
    size_t minArgs;
    size_t maxArgs;
};
const std::map<std::string, VerbInfo>& Verbs() {
    static const std::map<std::string, VerbInfo> verbs = {
        {"type", {2, 2}},    {"click", {1, 1}},  {"choose", {2, 2}},  {"cell", {4, 4}},   {"row", {2, 3}},
        {"page", {1, 1}},    {"apply", {0, 0}},  {"ok", {0, 0}},      {"cancel", {0, 0}}, {"print", {0, 0}},
        {"message", {1, 2}}, {"file", {1, 2}},   {"menu", {1, 1}},    {"sheet", {1, 2}},  {"dialog", {2, 3}},
        {"preview", {1, 1}}, {"pick", {2, 2}},
        {"spin", {2, 2}},    {"check", {2, 2}},
    };
    return verbs;
}

bool SplitLine(const std::string& line, std::vector<std::string>& words, std::vector<bool>& quoted,
               std::string& error) {
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') break;
        if (c == '"') {
            std::string word;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\' && i < line.size()) {
                    const char e = line[i++];
                    if (e == 'n')
                        word += '\n';
                    else if (e == 't')
                        word += '\t';
                    else
                        word += e;
                    continue;
                }
                word += d;
            }
            if (!closed) {
                error = "unterminated text";
                return false;
            }
            words.push_back(word);
            quoted.push_back(true);
            continue;
        }
        std::string word;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
        words.push_back(word);
        quoted.push_back(false);
    }
    return true;
}

bool ParseInt(const std::string& text, long minimum, long maximum, long& value) {
    if (text.empty() || text.size() > 11) return false;
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0' || number < minimum || number > maximum) return false;
    value = number;
    return true;
}

int AnswerCode(const std::string& text) {
    static const std::map<std::string, int> answers = {{"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT},
                                                       {"retry", IDRETRY}, {"ignore", IDIGNORE}, {"yes", IDYES},
                                                       {"no", IDNO}};
    auto it = answers.find(text);
    return it == answers.end() ? -1 : it->second;
}

// Checks the arguments that must be numbers or answer words, so that a script fails before
// it runs rather than half-way.
bool CheckArgs(const ScriptAction& action, std::string& error) {
    long number = 0;
    auto id = [&](size_t index) {
        if (ParseInt(action.args[index], 1, 0xFFFF, number)) return true;
        error = Quoted(action.args[index]) + " is no control ID";
        return false;
    };
    auto count = [&](size_t index, long maximum) {
        if (ParseInt(action.args[index], 0, maximum, number)) return true;
        error = Quoted(action.args[index]) + " is no index";
        return false;
    };
    const std::string& verb = action.verb;
    if (verb == "type" || verb == "click" || verb == "choose") return id(0);
    // A table's rows are as many as it holds; its columns fit in a word.
    if (verb == "cell") return id(0) && count(1, INT_MAX) && count(2, 0xFFFF);
    if (verb == "pick" || verb == "check") return id(0) && count(1, 0xFFFF);
    if (verb == "spin") {
        if (!id(0)) return false;
        if (action.args[1] != "up" && action.args[1] != "down") {
            error = "a spin click is \"up\" or \"down\"";
            return false;
        }
        return true;
    }
    if (verb == "row") {
        if (!id(0) || !count(1, INT_MAX)) return false;
        if (action.args.size() == 3 && action.args[2] != "left" && action.args[2] != "right" &&
            action.args[2] != "double") {
            error = "a row click is \"left\", \"right\" or \"double\"";
            return false;
        }
        return true;
    }
    if (verb == "page") return count(0, 0xFFFF);
    if (verb == "menu") return count(0, 0xFFFF);
    if (verb == "message") {
        if (AnswerCode(action.args[0]) < 0) {
            error = Quoted(action.args[0]) + " is no answer (ok, cancel, yes, no, abort, retry, ignore)";
            return false;
        }
        return true;
    }
    if (verb == "file") return action.args.size() == 1 || count(1, 0xFFFF);
    if (verb == "sheet") {
        if (action.args[0] != "ok" && action.args[0] != "cancel" && action.args[0] != "stay") {
            error = "a sheet ends with \"ok\", \"cancel\" or \"stay\"";
            return false;
        }
        return true;
    }
    if (verb == "dialog") {
        if (!id(0)) return false;
        if (action.args[1] != "ok" && action.args[1] != "cancel" && action.args[1] != "stay") {
            error = "a dialog ends with \"ok\", \"cancel\" or \"stay\"";
            return false;
        }
        return true;
    }
    return true;
}

void DescribeCore(const WindowCore* core, std::ostringstream& out) {
    out << core->id << ' ' << core->className;
    if (!(core->style & WS_VISIBLE)) out << " hidden";
    if (core->style & WS_DISABLED) out << " disabled";
    if (core->kind == WindowKind::Button) {
        if (core->check == BST_CHECKED) out << " checked";
        if (core->check == BST_INDETERMINATE) out << " indeterminate";
    }
    out << ' ' << QuoteScriptText(core->text);
    if (core->kind == WindowKind::ComboBox || core->kind == WindowKind::ListBox) {
        out << " entries [";
        for (size_t i = 0; i < core->entries.size(); ++i) out << (i ? ", " : "") << QuoteScriptText(core->entries[i].text);
        out << "] selected " << core->curSel;
        // A check list keeps its entries' check states in the row table, which no other list
        // box uses: the ticked entries are listed by index.
        if (core->kind == WindowKind::ListBox) {
            std::string ticked;
            for (size_t i = 0; i < core->rows.size() && i < core->entries.size(); ++i)
                if (core->rows[i].state != 0) ticked += (ticked.empty() ? "" : ", ") + std::to_string(i);
            if (!ticked.empty()) out << " checked [" << ticked << ']';
        }
    }
    out << '\n';
    if (core->kind == WindowKind::ListView) {
        out << "  columns [";
        for (size_t i = 0; i < core->columns.size(); ++i) out << (i ? ", " : "") << QuoteScriptText(core->columns[i].text);
        out << "]\n";
        for (size_t r = 0; r < core->rows.size(); ++r) {
            out << "  row " << r << ':';
            for (const std::string& cell : core->rows[r].cells) out << ' ' << QuoteScriptText(cell);
            out << '\n';
        }
    }
}

} // namespace

std::string QuoteScriptText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '\t') {
            out += "\\t";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

bool ParseEditScript(const std::vector<std::string>& lines, std::vector<ScriptAction>& actions, std::string& error) {
    std::vector<ScriptAction> result;
    // The lists being filled: the top level, then one per open block.
    std::vector<std::vector<ScriptAction>*> stack{&result};
    std::vector<int> openedAt;
    for (size_t n = 0; n < lines.size(); ++n) {
        const int lineNumber = static_cast<int>(n + 1);
        std::vector<std::string> words;
        std::vector<bool> quoted;
        std::string lineError;
        if (!SplitLine(lines[n], words, quoted, lineError)) {
            error = "line " + std::to_string(lineNumber) + ": " + lineError;
            return false;
        }
        if (words.empty()) continue;
        // A NUL byte would end the text where the controls read it: the rest would be lost
        // without a word.
        if (std::any_of(words.begin(), words.end(), [](const std::string& w) { return w.find('\0') != std::string::npos; })) {
            error = "line " + std::to_string(lineNumber) + ": holds a control character (U+0000)";
            return false;
        }
        if (words[0] == "}" && !quoted[0]) {
            if (words.size() != 1 || stack.size() == 1) {
                error = "line " + std::to_string(lineNumber) + ": \"}\" closes no block";
                return false;
            }
            stack.pop_back();
            openedAt.pop_back();
            continue;
        }
        ScriptAction action;
        action.verb = words[0];
        action.line = lineNumber;
        auto verb = Verbs().find(action.verb);
        if (quoted[0] || verb == Verbs().end()) {
            error = "line " + std::to_string(lineNumber) + ": unknown action " + Quoted(words[0]);
            return false;
        }
        const bool opensBlock = action.verb == "sheet" || action.verb == "dialog";
        size_t argCount = words.size() - 1;
        if (opensBlock) {
            if (argCount == 0 || words.back() != "{" || quoted.back()) {
                error = "line " + std::to_string(lineNumber) + ": \"" + action.verb + "\" opens a block with \"{\"";
                return false;
            }
            --argCount;
        }
        if (argCount < verb->second.minArgs || argCount > verb->second.maxArgs) {
            error = "line " + std::to_string(lineNumber) + ": wrong number of arguments for \"" + action.verb + "\"";
            return false;
        }
        action.args.assign(words.begin() + 1, words.begin() + 1 + static_cast<std::ptrdiff_t>(argCount));
        if (!CheckArgs(action, lineError)) {
            error = "line " + std::to_string(lineNumber) + ": " + lineError;
            return false;
        }
        if (stack.size() > 8) {
            error = "line " + std::to_string(lineNumber) + ": blocks nest too deep";
            return false;
        }
        stack.back()->push_back(std::move(action));
        if (opensBlock) {
            stack.push_back(&stack.back()->back().block);
            openedAt.push_back(lineNumber);
        }
    }
    if (stack.size() != 1) {
        error = "line " + std::to_string(openedAt.back()) + ": the block is never closed with \"}\"";
        return false;
    }
    actions = std::move(result);
    return true;
}

bool ParseEditScript(const std::string& text, std::vector<ScriptAction>& actions, std::string& error) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) lines.push_back(line);
    return ParseEditScript(lines, actions, error);
}

std::string DescribeControls(CWnd* window) {
    std::ostringstream out;
    const WindowCore* core = window != nullptr ? window->Core() : nullptr;
    if (core == nullptr) return "(no window)\n";
    out << "window " << QuoteScriptText(core->text) << '\n';
    for (const WindowCore* child : core->children) DescribeCore(child, out);
    return out.str();
}

CWnd* EditScriptRunner::Target::Window() const {
    if (dialog != nullptr) return dialog->GetSafeHwnd() != nullptr ? dialog : nullptr;
    if (sheet != nullptr && sheet->GetSafeHwnd() != nullptr) {
        CPropertyPage* page = sheet->GetActivePage();
        return page != nullptr && page->GetSafeHwnd() != nullptr ? page : nullptr;
    }
    return nullptr;
}

void EditScriptRunner::Fail(const ScriptAction& action, const std::string& what) {
    m_errors.push_back("script line " + std::to_string(action.line) + " (" + action.verb + "): " + what);
}

CWnd* EditScriptRunner::Control(const ScriptAction& action, Target target, const std::string& idText) {
    CWnd* window = target.Window();
    if (window == nullptr) {
        Fail(action, "no page or dialog is open");
        return nullptr;
    }
    CWnd* control = window->GetDlgItem(std::atoi(idText.c_str()));
    if (control == nullptr) Fail(action, "the window has no control " + idText);
    return control;
}

bool EditScriptRunner::Run(const std::vector<ScriptAction>& actions, CPropertySheet& sheet) {
    UserScript& script = UserScript::Instance();
    m_errors.clear();
    m_printed.clear();
    m_final.clear();
    script.SetFailureHandler([this](const std::string& message) { m_errors.push_back(message); });
    Target target;
    target.sheet = &sheet;
    m_refused = nullptr;
    RunList(actions, target, true);
    // A refused OK or apply is the script's fault only when the script leaves it at that: the
    // user who read the page's message may mend the page and press OK again, or cancel.
    if (m_refused != nullptr && sheet.GetSafeHwnd() != nullptr) Fail(*m_refused, "the sheet refused");
    m_refused = nullptr;
    if (makeListings && sheet.GetSafeHwnd() != nullptr && target.Window() != nullptr)
        m_final = DescribeControls(target.Window());
    if (script.Pending() > 0) {
        m_errors.push_back("answers the script prepared were never asked for: " + script.DescribePending());
        script.Reset();
    }
    script.SetFailureHandler(nullptr);
    return m_errors.empty();
}

void EditScriptRunner::RunList(const std::vector<ScriptAction>& actions, Target target, bool topLevel) {
    for (const ScriptAction& action : actions) {
        const size_t failuresBefore = m_errors.size();
        const ScriptAction* refusedBefore = m_refused;
        RunOne(action, target, topLevel);
        const bool refusedNow = m_refused == &action && refusedBefore != &action;
        if (topLevel && afterAction) afterAction(action, m_errors.size() == failuresBefore && !refusedNow);
    }
}

void EditScriptRunner::RunOne(const ScriptAction& action, Target target, bool topLevel) {
    UserScript& script = UserScript::Instance();
    const std::string& verb = action.verb;
    const auto& args = action.args;
    auto number = [&](size_t index) { return std::atoi(args[index].c_str()); };

    if (verb == "type" || verb == "click" || verb == "choose" || verb == "pick" || verb == "cell" || verb == "row" ||
        verb == "spin" || verb == "check") {
        CWnd* control = Control(action, target, args[0]);
        if (control == nullptr) return;
        if (topLevel && verb == "click" && beforeClick) {
            if (control->IsWindowEnabled() && (control->GetStyle() & BS_TYPEMASK) != BS_GROUPBOX) {
                ui::SetFocusTo(control);
                // Leaving the control that had the focus may have changed the page.
                if ((control = Control(action, target, args[0])) == nullptr) return;
            }
            beforeClick(action);
        }
        bool done = false;
        if (verb == "type") done = ui::TypeText(control, args[1].c_str());
        if (verb == "click") done = ui::Click(control);
        if (verb == "choose") done = ui::ChooseEntry(control, args[1].c_str());
        if (verb == "pick") done = ui::ChooseEntry(control, number(1));
        if (verb == "spin") done = ui::ClickSpin(control, args[1] == "up" ? 1 : -1);
        if (verb == "check") done = ui::ToggleListBoxCheck(control, number(1));
        if (verb == "cell") done = ui::EditListCell(control, number(1), number(2), args[3].c_str());
        if (verb == "row") {
            ui::Button button = ui::Button::Left;
            if (args.size() == 3 && args[2] == "right") button = ui::Button::Right;
            if (args.size() == 3 && args[2] == "double") button = ui::Button::Double;
            done = ui::ClickListItem(control, number(1), 0, button);
        }
        if (!done) Fail(action, "the control " + args[0] + " did not take the action");
        return;
    }
    if (verb == "print") {
        if (makeListings) m_printed.push_back(DescribeControls(target.Window()));
        if (inspect) inspect(target.Window());
        return;
    }
    if (verb == "page" || verb == "apply" || verb == "ok" || verb == "cancel") {
        if (target.sheet == nullptr || target.sheet->GetSafeHwnd() == nullptr) {
            if (target.dialog != nullptr && (verb == "ok" || verb == "cancel")) {
                if (!ui::Close(target.dialog, verb == "ok" ? IDOK : IDCANCEL)) Fail(action, "the dialog did not close");
                return;
            }
            Fail(action, "no property sheet is open");
            return;
        }
        if (makeListings && topLevel && (verb == "ok" || verb == "cancel") && target.Window() != nullptr)
            m_final = DescribeControls(target.Window());
        bool done = false;
        if (verb == "page") done = ui::SelectPage(target.sheet, number(0));
        if (verb == "apply") done = ui::Apply(target.sheet);
        if (verb == "ok") done = ui::PressOK(target.sheet);
        if (verb == "cancel") done = ui::Cancel(target.sheet);
        if (topLevel && verb != "page") {
            // The element's sheet stays open after a refused OK or apply, with the page as the
            // user left it; whether that fails the script is known when the script ends.
            if (!done && verb != "cancel") {
                m_refused = &action;
                return;
            }
            if (done) m_refused = nullptr;
        }
        if (!done) Fail(action, "the sheet refused");
        return;
    }
    if (verb == "message") {
        if (args.size() == 2)
            script.ExpectMessageBox(AnswerCode(args[0]), args[1]);
        else
            script.ExpectMessageBox(AnswerCode(args[0]));
        return;
    }
    if (verb == "file") {
        if (args.size() == 1 && args[0] == "cancel")
            script.ExpectFileDialogCancel();
        else
            script.ExpectFileDialog(args[0], args.size() == 2 ? static_cast<DWORD>(number(1)) : 0);
        return;
    }
    if (verb == "menu") {
        script.ExpectPopupMenu(static_cast<UINT>(number(0)));
        return;
    }
    if (verb == "sheet") {
        const int end = args[0] == "ok" ? IDOK : args[0] == "cancel" ? IDCANCEL : 0;
        const std::vector<ScriptAction>* block = &action.block;
        script.ExpectSheet(
            [this, block](CPropertySheet& shown) {
                Target inner;
                inner.sheet = &shown;
                RunList(*block, inner, false);
            },
            end);
        return;
    }
    if (verb == "dialog") {
        const int end = args[1] == "ok" ? IDOK : args[1] == "cancel" ? IDCANCEL : 0;
        const std::vector<ScriptAction>* block = &action.block;
        script.ExpectDialog(
            static_cast<UINT>(number(0)),
            [this, block](CDialog& shown) {
                Target inner;
                inner.dialog = &shown;
                RunList(*block, inner, false);
            },
            end);
        return;
    }
    if (verb == "preview") {
        std::string error;
        if (!savePreview) {
            Fail(action, "this host cannot save previews");
        } else if (!savePreview(args[0], error)) {
            Fail(action, error);
        }
        return;
    }
    Fail(action, "unknown action");
}

} // namespace qv
