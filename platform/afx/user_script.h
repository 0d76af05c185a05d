// The user script: who answers message boxes, modal dialogs and sheets, file dialogs and
// popup menus when there is no user, and the user actions that tests and the host perform
// on windows.
//
// The script is a queue of expected interactions, each with its answer. Every interaction
// that is shown takes the next entry; an interaction with no entry left, or whose entry is
// of another kind (or names another dialog, or expects another message text), is reported
// through the failure handler and answered as if the user had cancelled. Every shown
// interaction is also recorded, with the answer it got, for later assertions.
#pragma once

#include "afx/wnd.h"

#include <functional>
#include <string>
#include <vector>

class CDialog;
class CPropertySheet;
class CListCtrl;

namespace qv {

enum class InteractionKind { MessageBox, Dialog, Sheet, FileDialog, PopupMenu };

const char* InteractionKindName(InteractionKind kind);

// One interaction as it was shown.
struct ShownInteraction {
    InteractionKind kind;
    std::string text;     // message text; dialog/sheet caption; file dialog title; menu entries joined by '|'
    std::string caption;  // message-box caption; the initial folder of a file dialog
    UINT type = 0;        // MB_ flags of a message box, flags of a menu or file dialog
    UINT templateId = 0;  // dialog template of a modal dialog
    int answer = 0;       // IDOK, IDCANCEL, IDYES, ...; the chosen command of a menu (0: none)
    std::string path;     // the file chosen in a file dialog
    std::string initial;  // the file name a file dialog starts with
    std::string filter;   // a file dialog's filter entries, each "description|pattern", joined by '|'
    DWORD filterIndex = 0;  // the filter entry a file dialog preselected (1-based)
    int focus = 0;          // a message box's: the ID of the control that had the focus (0: none)
};

class UserScript {
public:
    static UserScript& Instance();

    // A message box answered with `answer` (IDOK, IDYES, ...). When `expectedText` is given
    // the box must show exactly that text.
    void ExpectMessageBox(int answer, std::string expectedText = std::string());
    void ExpectMessageBox(int answer, const char* expectedText) { ExpectMessageBox(answer, std::string(expectedText ? expectedText : "")); }
    // A modal dialog of the template: `actions` runs inside it once OnInitDialog has run;
    // then the dialog is ended as the user would with `endCode`: IDOK clicks OK, IDCANCEL
    // clicks Cancel, 0 leaves the ending to the actions. A dialog still open after that is a
    // failure and is cancelled.
    void ExpectDialog(UINT templateId, std::function<void(CDialog&)> actions = nullptr, int endCode = IDOK);
    // A modal property sheet: `actions` runs with the sheet shown and its first page active;
    // then IDOK presses OK (kill-active and apply of every page), IDCANCEL cancels, 0 leaves
    // the ending to the actions.
    void ExpectSheet(std::function<void(CPropertySheet&)> actions = nullptr, int endCode = IDOK);
    // A file dialog answered with the path; filterIndex (1-based, 0: keep the dialog's own)
    // is the file type the user picked.
    void ExpectFileDialog(std::string path, DWORD filterIndex = 0);
    void ExpectFileDialogCancel();
    // A popup menu in which the user chooses the command (0: dismisses the menu).
    void ExpectPopupMenu(UINT commandId);

    // Entries not taken yet, and what they are (for the end-of-test check).
    size_t Pending() const { return m_queue.size(); }
    std::string DescribePending() const;
    // Forgets the queue and the record.
    void Reset();

    const std::vector<ShownInteraction>& Shown() const { return m_shown; }
    void ClearShown() { m_shown.clear(); }
    // Every shown interaction gets the next number of a count that clearing the record does
    // not reset: ShownCount() is the number the next one gets. While a failure about a
    // message box is reported, AnsweredBox() is that box's number (kNoBox otherwise), so that
    // a failure handler can tell the box by which one it is rather than by its text.
    static constexpr size_t kNoBox = static_cast<size_t>(-1);
    size_t ShownCount() const { return m_shownCount; }
    size_t AnsweredBox() const { return m_answeredBox; }

    // Where unexpected interactions are reported. The default handler writes the text to
    // stderr; tests install one that fails the test.
    typedef std::function<void(const std::string& message)> FailureHandler;
    void SetFailureHandler(FailureHandler handler) { m_onFailure = std::move(handler); }
    bool HasFailureHandler() const { return static_cast<bool>(m_onFailure); }
    // Takes the default handler's place while no handler is set (a program whose lines on
    // stderr carry its own prefix).
    void SetDefaultFailureHandler(FailureHandler handler) { m_defaultFailure = std::move(handler); }
    void ReportFailure(const std::string& message);
    // Answers the message boxes that the script has no entry for with what `answer` gives for
    // their text (0: no answer, the box is unexpected as before): a program that runs scripts
    // of its own answers the questions its job has settled. Null: none.
    typedef std::function<int(const std::string& text)> StandingAnswer;
    void SetStandingAnswer(StandingAnswer answer) { m_standingAnswer = std::move(answer); }
    // While a program works on the element on its own, between the user's actions (the
    // editor works out what a commit gives), nobody is there to ask: every interaction shown
    // meanwhile is answered as if cancelled, takes neither an entry of the script nor a
    // standing answer, and is told to `handler` ("message box \"...\"") instead of being a
    // failure. Null ends it.
    void SetUnattended(FailureHandler handler) { m_unattended = std::move(handler); }

    // Used by the windows layer when it shows something. The Take functions hand out the
    // next entry for a modal dialog or sheet; false (reported) when the script has none.
    int AnswerMessageBox(const std::string& text, const std::string& caption, UINT type);
    bool TakeDialog(UINT templateId, const std::string& caption, std::function<void(CDialog&)>& actions, int& endCode);
    bool TakeSheet(const std::string& caption, std::function<void(CPropertySheet&)>& actions, int& endCode);
    // TRUE with the chosen path (and filter index when the user picked one), FALSE for cancel.
    BOOL AnswerFileDialog(const std::string& title, const std::string& initialDir, const std::string& initialName,
                          const std::string& filter, UINT flags, std::string& path, DWORD& filterIndex);
    UINT AnswerPopupMenu(const std::string& entries, UINT flags);
    // Records a shown interaction; the answer of a dialog is filled in when it ends.
    size_t Record(const ShownInteraction& shown);
    void SetAnswer(size_t index, int answer);

private:
    struct Entry {
        explicit Entry(InteractionKind k) : kind(k) {}
        InteractionKind kind;
        int answer = 0;
        std::string text;
        UINT templateId = 0;
        DWORD filterIndex = 0;
        std::function<void(CDialog&)> dialogActions;
        std::function<void(CPropertySheet&)> sheetActions;
    };
    bool Take(InteractionKind kind, Entry& entry, const std::string& what);

    std::vector<Entry> m_queue;
    std::vector<ShownInteraction> m_shown;
    size_t m_shownCount = 0;
    size_t m_answeredBox = kNoBox;
    FailureHandler m_onFailure;
    FailureHandler m_defaultFailure;
    StandingAnswer m_standingAnswer;
    FailureHandler m_unattended;
};

} // namespace qv

// User actions on windows, as a user performs them; each sends the notifications the user's
// action causes. They return false (and report through the user script's failure handler)
// when the control cannot take the action: it does not exist, is disabled, or is of the
// wrong kind.
namespace qv::ui {

// Moves the focus: WM_KILLFOCUS and the kill-focus notification (EN_KILLFOCUS,
// CBN_KILLFOCUS, LBN_KILLFOCUS, NM_KILLFOCUS) for the control that had it, then WM_SETFOCUS
// and the set-focus notification for the new one. Nothing happens when it has it already.
bool SetFocusTo(CWnd* control);
// Focuses the edit (or editable combo box), replaces its whole text and sends EN_CHANGE
// (CBN_EDITCHANGE). Read-only edits refuse, and so do single-line edits and combo boxes for a
// text with a control character (a line break, a tab): they hold one line.
bool TypeText(CWnd* control, const char* text);
// Types character by character at the caret: one change notification per character. A
// single-line control refuses control characters as TypeText does.
bool TypeChars(CWnd* control, const char* text);
// Clicks a button (focus moves to it first; auto check boxes, three-state boxes and radio
// buttons change their state) and sends BN_CLICKED.
bool Click(CWnd* button);
bool Click(CWnd* parent, int controlId);
// Picks an entry of a combo box (or list box) with the mouse: CBN_DROPDOWN, the selection,
// CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE. By index or by its exact text.
bool ChooseEntry(CWnd* combo, int index);
bool ChooseEntry(CWnd* combo, const char* text);
// Clicks a row of a list view: selection and focus move to it (LVN_ITEMCHANGING may refuse,
// LVN_ITEMCHANGED for every row that changed), then NM_CLICK; a right click sends NM_RCLICK
// and WM_CONTEXTMENU, a double click NM_CLICK and NM_DBLCLK. Row -1 clicks below the rows.
enum class Button { Left, Right, Double };
bool ClickListItem(CWnd* list, int row, int column = 0, Button button = Button::Left);
// Clicks the check box of a row of a list view with LVS_EX_CHECKBOXES.
bool ToggleListCheck(CWnd* list, int row);
// Clicks the check box of an entry of a check list box: its check flips, the entry becomes
// the selection, and a list with LBS_NOTIFY tells its parent (LBN_SELCHANGE).
bool ToggleListBoxCheck(CWnd* list, int row);
// Edits a cell of a list: the list gets QV_WM_EDITCELL (wParam: the cell, see MakeListCell;
// lParam: the text), which editable lists handle and answer
// non-zero when they took the text; a plain list view takes the text as the cell's text.
// False when the list refused it, and for a text with a control character (a cell is edited
// in a single-line edit).
bool EditListCell(CWnd* list, int row, int column, const char* text);
// Clicks an up-down arrow: +1 up, -1 down.
bool ClickSpin(CWnd* spin, int delta);
// A right click at a point of the window (client coordinates): WM_CONTEXTMENU.
bool RightClick(CWnd* window, CPoint point);
// The sheet's buttons and tabs.
bool Apply(CPropertySheet* sheet);
bool PressOK(CPropertySheet* sheet);
bool Cancel(CPropertySheet* sheet);
bool SelectPage(CPropertySheet* sheet, int index);
// Ends a dialog as the user would: IDOK clicks OK, IDCANCEL clicks Cancel (or closes it).
bool Close(CDialog* dialog, int endCode = IDCANCEL);
// The close box of a window's title bar: WM_CLOSE (a dialog takes it as Cancel).
bool CloseBox(CWnd* window);

} // namespace qv::ui

// The message an editable list gets for a cell edit made by the user (see EditListCell).
#define QV_WM_EDITCELL 0xBE00
