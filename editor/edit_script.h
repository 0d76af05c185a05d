// Edit scripts: what a user does on an element's property pages, written as text
// (docs/host.md describes the language). A script is read into actions once, then run on a
// property sheet; answers to message boxes, file dialogs, menus, modal dialogs and sheets
// are queued in the user script before the action that shows them.
#pragma once

#include "afx/afxwin.h"

#include <functional>
#include <string>
#include <vector>

namespace qv {

struct ScriptAction {
    std::string verb;
    std::vector<std::string> args;  // quoted arguments without their quotes, escapes resolved
    int line = 0;
    std::vector<ScriptAction> block;  // the actions inside "sheet ... {" and "dialog ... {"
};

// Reads a script (Windows-1252 text, one action per line). False with a message naming the
// line for an unknown verb, wrong arguments, an unterminated text or an unbalanced block.
bool ParseEditScript(const std::vector<std::string>& lines, std::vector<ScriptAction>& actions, std::string& error);
bool ParseEditScript(const std::string& text, std::vector<ScriptAction>& actions, std::string& error);

// A text as one quoted argument of a script line: quotes and backslashes escaped, line ends
// and tabs written "\n" and "\t", so that the reader gives back the text exactly.
std::string QuoteScriptText(const std::string& text);

// The controls of a window, one per line: ID, class, state flags, text, and the entries or
// rows of lists (Windows-1252; the host converts its output).
std::string DescribeControls(CWnd* window);

class EditScriptRunner {
public:
    // Runs the actions on the sheet (its active page is the target of control actions).
    // Returns false when an action failed (a missing or disabled control, an interaction the
    // script did not expect, an entry left unused); Errors() says which. The sheet may have
    // been closed by the script ("ok", "cancel"). An OK or apply of the sheet that is refused
    // (the page says why in a message box the script answers) leaves the sheet open and the
    // script goes on; it fails the script only when no later OK, apply or Cancel goes through.
    bool Run(const std::vector<ScriptAction>& actions, CPropertySheet& sheet);

    const std::vector<std::string>& Errors() const { return m_errors; }
    // Control listings made by "print" actions, and the listing of the target when the script
    // ended or just before it closed the editor's sheet.
    const std::vector<std::string>& Printed() const { return m_printed; }
    const std::string& FinalListing() const { return m_final; }

    // Saves the picture of the newest characteristic preview window (for "preview PATH").
    // The host installs it; without one the action fails.
    std::function<bool(const std::string& path, std::string& error)> savePreview;

    // Called with the listed window at every "print" action, so that the host can read what
    // the page shows (its controls' states, texts and rows) while it is open.
    std::function<void(CWnd* window)> inspect;

    // Called after each action of the script's own level (not those inside a "sheet" or
    // "dialog" block, which belong to the action that opened it), with whether it went through.
    std::function<void(const ScriptAction& action, bool tookEffect)> afterAction;

    // Called for each click of the script's own level just before the button takes it, after
    // the focus has left the control that had it (as a user's click moves it first), so that
    // what leaving that control did is over by then.
    std::function<void(const ScriptAction& action)> beforeClick;

    // Whether Printed() and FinalListing() are made. The host's own sessions (the settings of
    // the elements it makes, the pages it reads through `inspect`) show no listing, and a
    // listing of every page of a large schematic would cost more than the session itself.
    bool makeListings = true;

private:
    struct Target {
        CPropertySheet* sheet = nullptr;
        CDialog* dialog = nullptr;
        CWnd* Window() const;
    };
    void RunList(const std::vector<ScriptAction>& actions, Target target, bool topLevel);
    void RunOne(const ScriptAction& action, Target target, bool topLevel);
    CWnd* Control(const ScriptAction& action, Target target, const std::string& idText);
    void Fail(const ScriptAction& action, const std::string& what);

    std::vector<std::string> m_errors;
    // The last OK or apply of the element's sheet that the sheet refused, while no later one
    // (or Cancel) went through.
    const ScriptAction* m_refused = nullptr;
    std::vector<std::string> m_printed;
    std::string m_final;
};

} // namespace qv
