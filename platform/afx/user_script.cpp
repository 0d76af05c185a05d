// The user script and the user actions.
#include "afx/user_script.h"
#include "afx/controls.h"
#include "afx/dialog.h"
#include "afx/message_text.h"
#include "afx/msgbox.h"
#include "afx/propsheet.h"
#include "afx/wnd_core.h"

#include <cstdio>

namespace qv {

const char* InteractionKindName(InteractionKind kind)
{
    switch (kind) {
    case InteractionKind::MessageBox: return "message box";
    case InteractionKind::Dialog: return "dialog";
    case InteractionKind::Sheet: return "property sheet";
    case InteractionKind::FileDialog: return "file dialog";
    case InteractionKind::PopupMenu: return "popup menu";
    }
    return "interaction";
}

UserScript& UserScript::Instance()
{
    static UserScript script;
    return script;
}

void UserScript::ExpectMessageBox(int answer, std::string expectedText)
{
    Entry e{InteractionKind::MessageBox};
    e.answer = answer;
    e.text = std::move(expectedText);
    m_queue.push_back(std::move(e));
}

void UserScript::ExpectDialog(UINT templateId, std::function<void(CDialog&)> actions, int endCode)
{
    Entry e{InteractionKind::Dialog};
    e.templateId = templateId;
    e.answer = endCode;
    e.dialogActions = std::move(actions);
    m_queue.push_back(std::move(e));
}

void UserScript::ExpectSheet(std::function<void(CPropertySheet&)> actions, int endCode)
{
    Entry e{InteractionKind::Sheet};
    e.answer = endCode;
    e.sheetActions = std::move(actions);
    m_queue.push_back(std::move(e));
}

void UserScript::ExpectFileDialog(std::string path, DWORD filterIndex)
{
    Entry e{InteractionKind::FileDialog};
    e.answer = IDOK;
    e.text = std::move(path);
    e.filterIndex = filterIndex;
    m_queue.push_back(std::move(e));
}

void UserScript::ExpectFileDialogCancel()
{
    Entry e{InteractionKind::FileDialog};
    e.answer = IDCANCEL;
    m_queue.push_back(std::move(e));
}

void UserScript::ExpectPopupMenu(UINT commandId)
{
    Entry e{InteractionKind::PopupMenu};
    e.answer = static_cast<int>(commandId);
    m_queue.push_back(std::move(e));
}

std::string UserScript::DescribePending() const
{
    std::string out;
    for (const Entry& e : m_queue) {
        if (!out.empty())
            out += "; ";
        out += InteractionKindName(e.kind);
        if (e.kind == InteractionKind::Dialog)
            out.append(" ").append(std::to_string(e.templateId));
        if (!e.text.empty())
            out.append(" ").append(Quoted(e.text));
    }
    return out;
}

void UserScript::Reset()
{
    m_queue.clear();
    m_shown.clear();
}

void UserScript::ReportFailure(const std::string& message)
{
    if (m_onFailure)
        m_onFailure(message);
    else if (m_defaultFailure)
        m_defaultFailure(message);
    else
        std::fprintf(stderr, "user script: %s\n", message.c_str());
}

bool UserScript::Take(InteractionKind kind, Entry& entry, const std::string& what)
{
    if (m_unattended) {
        m_unattended(std::string(InteractionKindName(kind)) + " " + what);
        return false;
    }
    if (m_queue.empty()) {
        ReportFailure(std::string("unexpected ") + InteractionKindName(kind) + " " + what +
                      ": the user script has no answer left");
        return false;
    }
    if (m_queue.front().kind != kind) {
        ReportFailure(std::string("unexpected ") + InteractionKindName(kind) + " " + what +
                      ": the user script expects a " + InteractionKindName(m_queue.front().kind) + " next");
        return false;
    }
    entry = std::move(m_queue.front());
    m_queue.erase(m_queue.begin());
    return true;
}

size_t UserScript::Record(const ShownInteraction& shown)
{
    ++m_shownCount;
    m_shown.push_back(shown);
    return m_shown.size() - 1;
}

void UserScript::SetAnswer(size_t index, int answer)
{
    if (index < m_shown.size())
        m_shown[index].answer = answer;
}

int UserScript::AnswerMessageBox(const std::string& text, const std::string& caption, UINT type)
{
    ShownInteraction shown{InteractionKind::MessageBox, text, caption, type, 0, 0, {}, {}, {}, 0, 0};
    // A box about a field (a refused value) comes with the focus on that field.
    if (const CWnd* focus = CWnd::GetFocus()) shown.focus = focus->GetDlgCtrlID();
    const size_t record = Record(shown);
    // The box being answered is known until its answer is given (also to a box that a
    // failure handler shows meanwhile, which has its own number while it is answered).
    struct Answering {
        size_t& slot;
        size_t before;
        ~Answering() { slot = before; }
    } answering{m_answeredBox, m_answeredBox};
    m_answeredBox = m_shownCount - 1;
    int answer = DefaultMessageBoxAnswer(type);
    const bool scripted = !m_queue.empty() && m_queue.front().kind == InteractionKind::MessageBox;
    const int standing = !scripted && m_standingAnswer && !m_unattended ? m_standingAnswer(text) : 0;
    Entry e{InteractionKind::MessageBox};
    if (standing != 0 && IsValidMessageBoxAnswer(type, standing)) {
        answer = standing;
    } else if (Take(InteractionKind::MessageBox, e, Quoted(text))) {
        if (!e.text.empty() && e.text != text)
            ReportFailure("message box shows " + Quoted(text) + " where the user script expects " + Quoted(e.text));
        if (IsValidMessageBoxAnswer(type, e.answer))
            answer = e.answer;
        else
            ReportFailure("the user script answers the message box " + Quoted(text) + " with " + std::to_string(e.answer) +
                          ", which is not one of its buttons");
    }
    SetAnswer(record, answer);
    return answer;
}

bool UserScript::TakeDialog(UINT templateId, const std::string& caption, std::function<void(CDialog&)>& actions,
                            int& endCode)
{
    Entry e{InteractionKind::Dialog};
    if (!Take(InteractionKind::Dialog, e, std::to_string(templateId) + " " + Quoted(caption)))
        return false;
    if (e.templateId != templateId) {
        ReportFailure("dialog " + std::to_string(templateId) + " is shown where the user script expects dialog " +
                      std::to_string(e.templateId));
        return false;
    }
    actions = std::move(e.dialogActions);
    endCode = e.answer;
    return true;
}

bool UserScript::TakeSheet(const std::string& caption, std::function<void(CPropertySheet&)>& actions, int& endCode)
{
    Entry e{InteractionKind::Sheet};
    if (!Take(InteractionKind::Sheet, e, Quoted(caption)))
        return false;
    actions = std::move(e.sheetActions);
    endCode = e.answer;
    return true;
}

BOOL UserScript::AnswerFileDialog(const std::string& title, const std::string& initialDir,
                                  const std::string& initialName, const std::string& filter, UINT flags,
                                  std::string& path, DWORD& filterIndex)
{
    const size_t record = Record(ShownInteraction{InteractionKind::FileDialog, title, initialDir, flags, 0, IDCANCEL, {},
                                                  initialName, filter, filterIndex, 0});
    Entry e{InteractionKind::FileDialog};
    if (!Take(InteractionKind::FileDialog, e, Quoted(title)) || e.answer != IDOK)
        return FALSE;
    path = e.text;
    if (e.filterIndex != 0)
        filterIndex = e.filterIndex;
    SetAnswer(record, IDOK);
    m_shown[record].path = path;
    return TRUE;
}

UINT UserScript::AnswerPopupMenu(const std::string& entries, UINT flags)
{
    const size_t record = Record(ShownInteraction{InteractionKind::PopupMenu, entries, std::string(), flags, 0, 0, {}, {}, {}, 0, 0});
    Entry e{InteractionKind::PopupMenu};
    if (!Take(InteractionKind::PopupMenu, e, "[" + entries + "]"))
        return 0;
    SetAnswer(record, e.answer);
    return static_cast<UINT>(e.answer);
}

} // namespace qv

// ---------------------------------------------------------------------------------------
// User actions

namespace qv::ui {

namespace {

WindowCore* Usable(CWnd* control, const char* action)
{
    WindowCore* core = control ? control->Core() : nullptr;
    if (!core) {
        UserScript::Instance().ReportFailure(std::string(action) + ": the control does not exist");
        return nullptr;
    }
    if (core->style & WS_DISABLED) {
        UserScript::Instance().ReportFailure(std::string(action) + ": control " + std::to_string(core->id) +
                                             " is disabled");
        return nullptr;
    }
    return core;
}

bool WrongKind(WindowCore* core, const char* action)
{
    UserScript::Instance().ReportFailure(std::string(action) + ": control " + std::to_string(core->id) + " (" +
                                         core->className + ") cannot take it");
    return false;
}

// A single-line edit (and the edit of a combo box) holds one line: a user cannot enter a line
// break, a tab or another control character into it. Text that carries one is refused as a
// whole, so that no field meant for one line ever holds several.
bool RefusesControlCharacters(WindowCore* core, const char* text, const char* action)
{
    const bool singleLine = core->kind != WindowKind::Edit || !(core->style & ES_MULTILINE);
    if (!singleLine || !text)
        return false;
    for (const char* c = text; *c; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte < 0x20 || byte == 0x7F) {
            UserScript::Instance().ReportFailure(std::string(action) + ": control " + std::to_string(core->id) + " (" +
                                                 core->className + ") holds one line and takes no control character");
            return true;
        }
    }
    return false;
}

void SendFocusNotification(WindowCore* core, bool gained)
{
    switch (core->kind) {
    case WindowKind::Edit:
        NotifyParent(core, gained ? EN_SETFOCUS : EN_KILLFOCUS);
        break;
    case WindowKind::ComboBox:
        NotifyParent(core, gained ? CBN_SETFOCUS : CBN_KILLFOCUS);
        break;
    case WindowKind::ListBox:
        if (core->style & LBS_NOTIFY)
            NotifyParent(core, gained ? LBN_SETFOCUS : LBN_KILLFOCUS);
        break;
    case WindowKind::Button:
        if (core->style & BS_NOTIFY)
            NotifyParent(core, gained ? BN_SETFOCUS : BN_KILLFOCUS);
        break;
    case WindowKind::ListView: {
        NMHDR nm{};
        nm.code = gained ? NM_SETFOCUS : NM_KILLFOCUS;
        NotifyParent(core, nm);
        break;
    }
    default:
        break;
    }
}

// Moves the focus as a user action; the handles are re-checked because handlers may
// destroy windows.
void MoveFocus(WindowCore* target)
{
    WindowCore* old = FocusCore();
    if (old == target)
        return;
    HWND oldHwnd = old ? old->hwnd : nullptr;
    HWND newHwnd = target ? target->hwnd : nullptr;
    SetFocusCore(target);
    if (WindowCore* o = CoreFromHandle(oldHwnd)) {
        SendMessageA(oldHwnd, WM_KILLFOCUS, reinterpret_cast<WPARAM>(newHwnd), 0);
        if ((o = CoreFromHandle(oldHwnd)) != nullptr)
            SendFocusNotification(o, false);
    }
    if (CoreFromHandle(newHwnd)) {
        SendMessageA(newHwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(oldHwnd), 0);
        if (WindowCore* n = CoreFromHandle(newHwnd))
            SendFocusNotification(n, true);
    }
}

// Moves the focus to the control as a user action; its record again, or null when a handler
// destroyed it meanwhile.
WindowCore* FocusAndRecheck(WindowCore* core)
{
    HWND h = core->hwnd;
    MoveFocus(core);
    return CoreFromHandle(h);
}

// True when 0 <= index < count; otherwise reports "<action>: <kind> <ID> has no <what> <index>".
bool HasIndex(const WindowCore* core, int index, size_t count, const char* action, const char* kind, const char* what)
{
    if (index >= 0 && index < static_cast<int>(count))
        return true;
    UserScript::Instance().ReportFailure(std::string(action) + ": " + kind + " " + std::to_string(core->id) + " has no " +
                                         what + " " + std::to_string(index));
    return false;
}

bool IsEditableCombo(const WindowCore* core)
{
    return core->kind == WindowKind::ComboBox && (core->style & 0x3) != CBS_DROPDOWNLIST;
}

void SendListChange(WindowCore* core, int row, UINT oldState, UINT newState)
{
    NMLISTVIEW nm{};
    nm.hdr.code = LVN_ITEMCHANGED;
    nm.iItem = row;
    nm.iSubItem = 0;
    nm.uOldState = oldState;
    nm.uNewState = newState;
    nm.uChanged = LVIF_STATE;
    nm.lParam = static_cast<LPARAM>(core->rows[static_cast<size_t>(row)].data);
    NotifyParent(core, nm.hdr);
}

// Changes the state of one row as the user's action does: LVN_ITEMCHANGING (a non-zero
// answer refuses), the change, LVN_ITEMCHANGED. Returns false when refused.
bool ChangeRowState(HWND list, int row, UINT newState)
{
    WindowCore* core = CoreFromHandle(list);
    if (!core || row < 0 || row >= static_cast<int>(core->rows.size()))
        return false;
    const UINT oldState = core->rows[static_cast<size_t>(row)].state;
    if (oldState == newState)
        return true;
    NMLISTVIEW nm{};
    nm.hdr.code = LVN_ITEMCHANGING;
    nm.iItem = row;
    nm.uOldState = oldState;
    nm.uNewState = newState;
    nm.uChanged = LVIF_STATE;
    nm.lParam = static_cast<LPARAM>(core->rows[static_cast<size_t>(row)].data);
    if (NotifyParent(core, nm.hdr) != 0)
        return false;
    core = CoreFromHandle(list);
    if (!core || row >= static_cast<int>(core->rows.size()))
        return false;
    core->SetRowState(static_cast<size_t>(row), newState);
    core->invalid = true;
    SendListChange(core, row, oldState, newState);
    return true;
}

// The edit (or editable combo box) that typing goes to: usable, of the right kind, not a
// read-only edit where `writable` is asked for, and the text holds no control characters.
// Null, with the failure reported, otherwise.
WindowCore* TypingTarget(CWnd* control, const char* text, const char* action, bool writable)
{
    WindowCore* core = Usable(control, action);
    if (!core)
        return nullptr;
    if (core->kind != WindowKind::Edit && !IsEditableCombo(core)) {
        WrongKind(core, action);
        return nullptr;
    }
    if (writable && core->style & ES_READONLY && core->kind == WindowKind::Edit) {
        WrongKind(core, (std::string(action) + " (read-only)").c_str());
        return nullptr;
    }
    return RefusesControlCharacters(core, text, action) ? nullptr : core;
}

} // namespace

bool SetFocusTo(CWnd* control)
{
    WindowCore* core = Usable(control, "SetFocusTo");
    if (!core)
        return false;
    MoveFocus(core);
    return true;
}

bool TypeText(CWnd* control, const char* text)
{
    WindowCore* core = TypingTarget(control, text, "TypeText", true);
    if (!core)
        return false;
    HWND h = core->hwnd;
    if (!(core = FocusAndRecheck(core)))
        return false;
    core->selStart = 0;
    core->selEnd = static_cast<int>(core->text.size());
    ReplaceSelection(core, text ? text : "");
    if (core->kind == WindowKind::ComboBox) {
        core->curSel = -1;
        NotifyParent(core, CBN_EDITUPDATE);
        if (CoreFromHandle(h))
            NotifyParent(core, CBN_EDITCHANGE);
    } else {
        NotifyParent(core, EN_UPDATE);
        if (CoreFromHandle(h))
            NotifyParent(core, EN_CHANGE);
    }
    return true;
}

bool TypeChars(CWnd* control, const char* text)
{
    WindowCore* core = TypingTarget(control, text, "TypeChars", false);
    if (!core)
        return false;
    HWND h = core->hwnd;
    MoveFocus(core);
    for (const char* p = text ? text : ""; *p; ++p) {
        if (!(core = CoreFromHandle(h)))
            return false;
        ReplaceSelection(core, std::string(1, *p));
        NotifyParent(core, core->kind == WindowKind::ComboBox ? CBN_EDITCHANGE : EN_CHANGE);
    }
    return true;
}

bool Click(CWnd* button)
{
    WindowCore* core = Usable(button, "Click");
    if (!core)
        return false;
    if (core->kind != WindowKind::Button)
        return WrongKind(core, "Click");
    HWND h = core->hwnd;
    if ((core->style & BS_TYPEMASK) != BS_GROUPBOX)
        MoveFocus(core);
    if (!(core = CoreFromHandle(h)))
        return false;
    ClickButton(core);
    return true;
}

bool Click(CWnd* parent, int controlId) { return Click(parent ? parent->GetDlgItem(controlId) : nullptr); }

bool ChooseEntry(CWnd* combo, int index)
{
    WindowCore* core = Usable(combo, "ChooseEntry");
    if (!core)
        return false;
    const bool isCombo = core->kind == WindowKind::ComboBox;
    if (!isCombo && core->kind != WindowKind::ListBox)
        return WrongKind(core, "ChooseEntry");
    if (!HasIndex(core, index, core->entries.size(), "ChooseEntry", "control", "entry"))
        return false;
    HWND h = core->hwnd;
    if (!(core = FocusAndRecheck(core)))
        return false;
    if (isCombo) {
        core->droppedDown = true;
        NotifyParent(core, CBN_DROPDOWN);
        if (!(core = CoreFromHandle(h)))
            return false;
        // The drop-down handler may have refilled the list.
        if (index >= static_cast<int>(core->entries.size())) {
            UserScript::Instance().ReportFailure("ChooseEntry: the entry went away when the list dropped down");
            return false;
        }
        core->curSel = index;
        if ((core->style & 0x3) != CBS_DROPDOWNLIST)
            core->text = core->entries[static_cast<size_t>(index)].text;
        core->droppedDown = false;
        for (UINT code : {static_cast<UINT>(CBN_SELENDOK), static_cast<UINT>(CBN_CLOSEUP), static_cast<UINT>(CBN_SELCHANGE)}) {
            if (!(core = CoreFromHandle(h)))
                return false;
            NotifyParent(core, code);
        }
    } else {
        if (core->style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
            for (auto& e : core->entries)
                e.selected = false;
            core->entries[static_cast<size_t>(index)].selected = true;
        }
        core->curSel = index;
        if (core->style & LBS_NOTIFY)
            NotifyParent(core, LBN_SELCHANGE);
    }
    return true;
}

bool ChooseEntry(CWnd* combo, const char* text)
{
    WindowCore* core = Usable(combo, "ChooseEntry");
    if (!core)
        return false;
    const std::string wanted = text ? text : "";
    for (size_t i = 0; i < core->entries.size(); ++i)
        if (core->entries[i].text == wanted)
            return ChooseEntry(combo, static_cast<int>(i));
    UserScript::Instance().ReportFailure("ChooseEntry: control " + std::to_string(core->id) + " has no entry " +
                                         Quoted(wanted));
    return false;
}

bool ClickListItem(CWnd* list, int row, int column, Button button)
{
    WindowCore* core = Usable(list, "ClickListItem");
    if (!core)
        return false;
    if (core->kind != WindowKind::ListView)
        return WrongKind(core, "ClickListItem");
    if (row >= static_cast<int>(core->rows.size()) || row < -1) {
        UserScript::Instance().ReportFailure("ClickListItem: list " + std::to_string(core->id) + " has no row " +
                                             std::to_string(row));
        return false;
    }
    HWND h = core->hwnd;
    MoveFocus(core);
    // Selection and focus follow the click; the other rows lose their selection.
    WindowCore* current = CoreFromHandle(h);
    const int n = current ? static_cast<int>(current->rows.size()) : 0;
    for (int i = 0; i < n; ++i) {
        WindowCore* c = CoreFromHandle(h);
        if (!c || i >= static_cast<int>(c->rows.size()))
            break;
        if (i != row && (c->rows[static_cast<size_t>(i)].state & (LVIS_SELECTED | LVIS_FOCUSED)))
            ChangeRowState(h, i, c->rows[static_cast<size_t>(i)].state & ~static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
    }
    if (row >= 0) {
        WindowCore* c = CoreFromHandle(h);
        if (c && row < static_cast<int>(c->rows.size()) &&
            ChangeRowState(h, row, c->rows[static_cast<size_t>(row)].state | LVIS_SELECTED | LVIS_FOCUSED))
            if ((c = CoreFromHandle(h)) != nullptr)
                c->selectionMark = row;
    }
    core = CoreFromHandle(h);
    if (!core)
        return false;
    NMITEMACTIVATE nm{};
    nm.iItem = row;
    nm.iSubItem = column;
    RECT cell{};
    if (row >= 0 && ListCellRect(core, row, column, cell))
        nm.ptAction = CRect(cell).CenterPoint();
    nm.hdr.code = button == Button::Right ? NM_RCLICK : NM_CLICK;
    NotifyParent(core, nm.hdr);
    if (button == Button::Double && (core = CoreFromHandle(h)) != nullptr) {
        nm.hdr.code = NM_DBLCLK;
        NotifyParent(core, nm.hdr);
    }
    if (button == Button::Right && CoreFromHandle(h))
        SendMessageA(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), MAKELPARAM(nm.ptAction.x, nm.ptAction.y));
    return true;
}

bool ToggleListCheck(CWnd* list, int row)
{
    WindowCore* core = Usable(list, "ToggleListCheck");
    if (!core)
        return false;
    if (core->kind != WindowKind::ListView || !(core->lvExStyle & LVS_EX_CHECKBOXES))
        return WrongKind(core, "ToggleListCheck");
    if (!HasIndex(core, row, core->rows.size(), "ToggleListCheck", "list", "row"))
        return false;
    HWND h = core->hwnd;
    if (!(core = FocusAndRecheck(core)))
        return false;
    const UINT state = core->rows[static_cast<size_t>(row)].state;
    const bool checked = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
    const UINT next = (state & ~static_cast<UINT>(LVIS_STATEIMAGEMASK)) | INDEXTOSTATEIMAGEMASK(checked ? 1 : 2);
    return ChangeRowState(h, row, next);
}

bool ToggleListBoxCheck(CWnd* list, int row)
{
    WindowCore* core = Usable(list, "ToggleListBoxCheck");
    if (!core)
        return false;
    if (core->kind != WindowKind::ListBox)
        return WrongKind(core, "ToggleListBoxCheck");
    if (!HasIndex(core, row, core->entries.size(), "ToggleListBoxCheck", "list", "entry"))
        return false;
    if (!(core = FocusAndRecheck(core)))
        return false;
    // The check states live in the row table (see CCheckListBox).
    core->rows.resize(std::max(core->rows.size(), core->entries.size()));
    UINT& state = core->rows[static_cast<size_t>(row)].state;
    state = state != 0 ? 0 : 1;
    core->curSel = row;
    if (core->style & LBS_NOTIFY)
        NotifyParent(core, LBN_SELCHANGE);
    return true;
}

bool EditListCell(CWnd* list, int row, int column, const char* text)
{
    WindowCore* core = Usable(list, "EditListCell");
    if (!core)
        return false;
    if (core->kind != WindowKind::ListView)
        return WrongKind(core, "EditListCell");
    if (row < 0 || row >= static_cast<int>(core->rows.size()) || column < 0 ||
        column >= static_cast<int>(std::max<size_t>(core->columns.size(), 1))) {
        UserScript::Instance().ReportFailure("EditListCell: list " + std::to_string(core->id) + " has no cell " +
                                             std::to_string(row) + "/" + std::to_string(column));
        return false;
    }
    // A cell is edited in a single-line edit.
    if (RefusesControlCharacters(core, text, "EditListCell"))
        return false;
    HWND h = core->hwnd;
    MoveFocus(core);
    if (!CoreFromHandle(h))
        return false;
    return SendMessageA(h, QV_WM_EDITCELL, static_cast<WPARAM>(MakeListCell(row, column)), reinterpret_cast<LPARAM>(text ? text : "")) != 0;
}

bool ClickSpin(CWnd* spin, int delta)
{
    WindowCore* core = Usable(spin, "ClickSpin");
    if (!core)
        return false;
    if (core->kind != WindowKind::UpDown)
        return WrongKind(core, "ClickSpin");
    return qv::ClickSpin(core, delta);
}

bool RightClick(CWnd* window, CPoint point)
{
    WindowCore* core = window ? window->Core() : nullptr;
    if (!core) {
        UserScript::Instance().ReportFailure("RightClick: the window does not exist");
        return false;
    }
    SendMessageA(core->hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(core->hwnd), MAKELPARAM(point.x, point.y));
    return true;
}

namespace {

// The sheet's buttons and tabs take the focus when clicked, so the control that had it
// hears that it lost it before the sheet acts.
bool SheetReady(CPropertySheet* sheet, const char* action)
{
    if (!sheet || !sheet->m_hWnd) {
        UserScript::Instance().ReportFailure(std::string(action) + ": the sheet has no window");
        return false;
    }
    MoveFocus(sheet->Core());
    return sheet->m_hWnd != nullptr;
}

} // namespace

bool Apply(CPropertySheet* sheet)
{
    return SheetReady(sheet, "Apply") && sheet->PressButton(PSBTN_APPLYNOW) != FALSE;
}

bool PressOK(CPropertySheet* sheet)
{
    return SheetReady(sheet, "PressOK") && sheet->PressButton(PSBTN_OK) != FALSE;
}

bool Cancel(CPropertySheet* sheet)
{
    return SheetReady(sheet, "Cancel") && sheet->PressButton(PSBTN_CANCEL) != FALSE;
}

bool SelectPage(CPropertySheet* sheet, int index)
{
    if (sheet && sheet->m_hWnd && (index < 0 || index >= sheet->GetPageCount())) {
        UserScript::Instance().ReportFailure("SelectPage: the sheet has no page " + std::to_string(index));
        return false;
    }
    return SheetReady(sheet, "SelectPage") && sheet->SetActivePage(index) != FALSE;
}

bool CloseBox(CWnd* window)
{
    WindowCore* core = window ? window->Core() : nullptr;
    if (!core) {
        UserScript::Instance().ReportFailure("CloseBox: the window does not exist");
        return false;
    }
    HWND h = core->hwnd;
    MoveFocus(core);
    if (CoreFromHandle(h))
        SendMessageA(h, WM_CLOSE, 0, 0);
    return true;
}

bool Close(CDialog* dialog, int endCode)
{
    if (!dialog || !dialog->m_hWnd) {
        UserScript::Instance().ReportFailure("Close: the dialog has no window");
        return false;
    }
    if (endCode == IDOK || endCode == IDCANCEL) {
        CWnd* button = dialog->GetDlgItem(endCode);
        if (button && button->IsWindowEnabled() && button->Core()->kind == WindowKind::Button)
            return Click(button);
        // A dialog without an OK button is confirmed as the Enter key confirms it: by its
        // default push button ("Set"), whose handler checks what was typed.
        if (endCode == IDOK)
            for (WindowCore* child : dialog->Core()->children)
                if (child->kind == WindowKind::Button && (child->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
                    (child->style & WS_DISABLED) == 0 && (child->style & WS_VISIBLE) != 0 && child->object != nullptr)
                    return Click(child->object);
        // No such button (or a dialog closed by its frame): the command goes to the dialog.
        MoveFocus(dialog->Core());
        if (dialog->m_hWnd)
            dialog->SendMessage(WM_COMMAND, MAKEWPARAM(endCode, BN_CLICKED), 0);
        return true;
    }
    dialog->EndDialog(endCode);
    return true;
}

} // namespace qv::ui
