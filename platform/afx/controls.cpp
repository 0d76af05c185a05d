// Built-in behaviour of the standard controls and their C++ views.
#include "afx/controls.h"
#include "afx/dc.h"
#include "afx/user_script.h"
#include "afx/wnd_core.h"
#include "win32/resources.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <typeinfo>
#include <utility>

namespace qv {

void PaintOwnerDrawn(WindowCore* core, UINT controlType);

void WindowCore::SetRowState(size_t row, UINT state)
{
    UINT& now = rows[row].state;
    selectedRows += ((state & LVIS_SELECTED) != 0) - ((now & LVIS_SELECTED) != 0);
    focusedRows += ((state & LVIS_FOCUSED) != 0) - ((now & LVIS_FOCUSED) != 0);
    now = state;
}

void WindowCore::EraseRow(size_t row)
{
    SetRowState(row, 0);
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
}

void WindowCore::ClearRows()
{
    rows.clear();
    selectedRows = 0;
    focusedRows = 0;
}

const std::string& DefaultWindowText(const WindowCore* core)
{
    static const std::string none;
    // A drop-down list shows its selection only.
    if (core->kind == WindowKind::ComboBox && (core->style & 0x3) == CBS_DROPDOWNLIST)
        return core->curSel >= 0 && static_cast<size_t>(core->curSel) < core->entries.size()
                   ? core->entries[static_cast<size_t>(core->curSel)].text
                   : none;
    return core->text;
}

namespace {

ControlFactory g_factory = nullptr;

int Count(const WindowCore* core) { return static_cast<int>(core->entries.size()); }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool PrefixNoCase(std::string_view text, std::string_view prefix)
{
    if (prefix.size() > text.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != Lower(prefix[i]))
            return false;
    return true;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && PrefixNoCase(a, b);
}

int CompareNoCase(const std::string& a, const std::string& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(Lower(a[i]));
        const auto y = static_cast<unsigned char>(Lower(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Search after `startAfter` (-1 or out of range: from the first entry), wrapping round once.
int FindEntry(const WindowCore* core, int startAfter, std::string_view text, bool exact)
{
    const int n = Count(core);
    if (n == 0)
        return -1;
    const int start = (startAfter < 0 || startAfter >= n) ? 0 : startAfter + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (start + k) % n;
        const std::string& entry = core->entries[static_cast<size_t>(i)].text;
        if (exact ? EqualNoCase(entry, text) : PrefixNoCase(entry, text))
            return i;
    }
    return -1;
}

std::string StringArg(LPARAM lParam) { return lParam ? reinterpret_cast<const char*>(lParam) : ""; }
// The same text read in place, for messages that only compare it or copy it into a text the
// control keeps (whose room is used again).
std::string_view TextArg(LPARAM lParam) { return lParam ? reinterpret_cast<const char*>(lParam) : ""; }

LRESULT CopyText(const std::string& text, LPARAM buffer)
{
    if (!buffer)
        return -1;
    std::memcpy(reinterpret_cast<char*>(buffer), text.c_str(), text.size() + 1);
    return static_cast<LRESULT>(text.size());
}

// The text of entry `index` copied into `buffer`, or only its length, for the list box's and
// the combo box's text messages; -1 (LB_ERR, CB_ERR) for no such entry.
LRESULT EntryText(const WindowCore* core, WPARAM index, LPARAM buffer, bool lengthOnly)
{
    if (index >= core->entries.size())
        return -1;
    const std::string& text = core->entries[index].text;
    return lengthOnly ? static_cast<LRESULT>(text.size()) : CopyText(text, buffer);
}

// The data of entry `index`, or with `set` its new data (answer 0), for the list box's and
// the combo box's item-data messages; -1 (LB_ERR, CB_ERR) for no such entry.
LRESULT EntryData(WindowCore* core, WPARAM index, LPARAM data, bool set)
{
    if (index >= core->entries.size())
        return -1;
    if (!set)
        return static_cast<LRESULT>(core->entries[index].data);
    core->entries[index].data = static_cast<DWORD_PTR>(data);
    return 0;
}

bool IsDropDownList(const WindowCore* core) { return (core->style & 0x3) == CBS_DROPDOWNLIST; }

// The text is taken over: every entry a template or a unit selector adds comes this way.
int InsertEntry(WindowCore* core, int index, std::string text, bool sorted)
{
    const int n = Count(core);
    if (sorted) {
        index = 0;
        while (index < n && CompareNoCase(core->entries[static_cast<size_t>(index)].text, text) <= 0)
            ++index;
    } else if (index < 0) {
        index = n;
    } else if (index > n) {
        return -1;
    }
    core->entries.insert(core->entries.begin() + index, ListEntry{std::move(text), 0, false});
    if (core->curSel >= index)
        ++core->curSel;
    return index;
}

// CB_ADDSTRING of a combo box's default processing.
int AddComboEntry(WindowCore* box, std::string text)
{
    return InsertEntry(box, -1, std::move(text), (box->style & CBS_SORT) != 0);
}

int DeleteEntry(WindowCore* core, WPARAM wIndex)
{
    const auto index = static_cast<size_t>(wIndex);
    if (index >= core->entries.size())
        return -1;
    core->entries.erase(core->entries.begin() + static_cast<long>(index));
    const int i = static_cast<int>(index);
    if (core->curSel == i)
        core->curSel = -1;
    else if (core->curSel > i)
        --core->curSel;
    return Count(core);
}

// ---- Buttons

UINT ButtonType(const WindowCore* core) { return core->style & BS_TYPEMASK; }

bool IsCheckable(UINT type)
{
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
           type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// BM_GETCHECK and BM_SETCHECK of a button's default processing.
int ButtonCheck(const WindowCore* button) { return IsCheckable(ButtonType(button)) ? button->check : 0; }

void SetButtonCheck(WindowCore* button, WPARAM wParam)
{
    const UINT type = ButtonType(button);
    if (!IsCheckable(type))
        return;
    int check = static_cast<int>(wParam);
    if (check == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE)
        check = BST_CHECKED;
    button->check = (check == BST_CHECKED || check == BST_INDETERMINATE) ? check : BST_UNCHECKED;
    button->invalid = true;
}

// Whether the control's BM_GETCHECK and BM_SETCHECK would go to a button's default processing.
bool IsPlainButton(const WindowCore* control)
{
    return control->HasPlainObject() && control->kind == WindowKind::Button;
}

} // namespace

LRESULT SendAddString(WindowCore* control, const char* text)
{
    if (control->HasPlainObject() && control->kind == WindowKind::ComboBox)
        return AddComboEntry(control, text ? text : "");
    return control->HandleMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

LRESULT SendGetCheck(WindowCore* control)
{
    return IsPlainButton(control) ? ButtonCheck(control) : control->HandleMessage(BM_GETCHECK, 0, 0);
}

void SendSetCheck(WindowCore* control, WPARAM check)
{
    if (IsPlainButton(control))
        SetButtonCheck(control, check);
    else
        control->HandleMessage(BM_SETCHECK, check, 0);
}

namespace {

bool ButtonProc(WindowCore* core, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const UINT type = ButtonType(core);
    switch (message) {
    case BM_GETCHECK:
        result = ButtonCheck(core);
        return true;
    case BM_SETCHECK:
        SetButtonCheck(core, wParam);
        result = 0;
        return true;
    case BM_GETSTATE:
        result = core->check | (core->pushed ? BST_PUSHED : 0) | (FocusCore() == core ? BST_FOCUS : 0);
        return true;
    case BM_SETSTATE:
        core->pushed = wParam != 0;
        result = 0;
        return true;
    case BM_SETSTYLE:
        core->style = (core->style & ~0xFFFFu) | (static_cast<DWORD>(wParam) & 0xFFFFu);
        result = 0;
        return true;
    case BM_CLICK:
        ClickButton(core);
        result = 0;
        return true;
    case WM_PAINT:
        if (type == BS_OWNERDRAW)
            PaintOwnerDrawn(core, ODT_BUTTON);
        core->invalid = false;
        result = 0;
        return true;
    default:
        return false;
    }
}

// ---- Edits

void ClampSelection(WindowCore* core)
{
    const int n = static_cast<int>(core->text.size());
    core->selStart = std::clamp(core->selStart, 0, n);
    core->selEnd = std::clamp(core->selEnd, 0, n);
    if (core->selStart > core->selEnd)
        std::swap(core->selStart, core->selEnd);
}

// Start of each line (lines end with '\n').
std::vector<int> LineStarts(const std::string& text)
{
    std::vector<int> starts{0};
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            starts.push_back(static_cast<int>(i + 1));
    return starts;
}

// The caret of the focused edit sits at the end of its selection.
void FollowCaret(WindowCore* core)
{
    if (FocusCore() == core && core->kind == WindowKind::Edit)
        SetCaretFromEdit(core);
}

void SetSelection(WindowCore* core, int start, int end)
{
    const int n = static_cast<int>(core->text.size());
    if (start == -1) {
        // Deselects, keeping the caret where it was.
        core->selStart = core->selEnd;
    } else {
        core->selStart = start;
        core->selEnd = (end == -1 || end > n) ? n : end;
    }
    ClampSelection(core);
    FollowCaret(core);
}

// WM_SETTEXT of an edit's default processing: the new text, nothing selected, not modified.
void SetEditText(WindowCore* edit, std::string_view text)
{
    edit->text.assign(text);
    edit->selStart = edit->selEnd = 0;
    edit->modified = false;
    edit->invalid = true;
    FollowCaret(edit);
}

} // namespace

LRESULT SendSetText(WindowCore* control, const char* text)
{
    if (control->HasPlainObject() && control->kind == WindowKind::Edit) {
        SetEditText(control, text ? text : "");
        return TRUE;
    }
    return control->HandleMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

namespace {

bool EditProc(WindowCore* core, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SETTEXT:
        SetEditText(core, TextArg(lParam));
        result = TRUE;
        return true;
    case EM_GETSEL:
        ClampSelection(core);
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(core->selStart);
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(core->selEnd);
        result = MAKELONG(core->selStart, core->selEnd);
        return true;
    case EM_SETSEL:
        SetSelection(core, static_cast<int>(static_cast<INT_PTR>(wParam)), static_cast<int>(lParam));
        result = 0;
        return true;
    case EM_REPLACESEL: {
        ReplaceSelection(core, StringArg(lParam));
        result = 0;
        return true;
    }
    case EM_LIMITTEXT:
        core->limit = static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE));
        result = 0;
        return true;
    case EM_GETLIMITTEXT:
        result = core->limit ? core->limit : 0x7FFFFFFE;
        return true;
    case EM_SETREADONLY:
        if (wParam)
            core->style |= ES_READONLY;
        else
            core->style &= ~static_cast<DWORD>(ES_READONLY);
        result = TRUE;
        return true;
    case EM_GETMODIFY:
        result = core->modified ? TRUE : FALSE;
        return true;
    case EM_SETMODIFY:
        core->modified = wParam != 0;
        result = 0;
        return true;
    case EM_GETLINECOUNT:
        result = static_cast<LRESULT>(LineStarts(core->text).size());
        return true;
    case EM_SCROLLCARET:
        result = TRUE;
        return true;
    case EM_CHARFROMPOS: {
        // The character boundary nearest to the point on the fixed character grid.
        const int x = static_cast<short>(LOWORD(lParam));
        const int y = static_cast<short>(HIWORD(lParam));
        const std::vector<int> starts = LineStarts(core->text);
        const int line = std::clamp(y / kEditLineHeight, 0, static_cast<int>(starts.size()) - 1);
        const int lineStart = starts[static_cast<size_t>(line)];
        const int lineEnd = line + 1 < static_cast<int>(starts.size()) ? starts[static_cast<size_t>(line) + 1] - 1
                                                                       : static_cast<int>(core->text.size());
        const int column = x <= 0 ? 0 : (x + kEditCharWidth / 2) / kEditCharWidth;
        const int index = lineStart + std::min(column, lineEnd - lineStart);
        result = MAKELONG(index, line);
        return true;
    }
    case EM_POSFROMCHAR: {
        // As on the original, the place just past the last character has no position (-1).
        const int index = static_cast<int>(wParam);
        if (index < 0 || index >= static_cast<int>(core->text.size())) {
            result = -1;
            return true;
        }
        const std::vector<int> starts = LineStarts(core->text);
        int line = 0;
        while (line + 1 < static_cast<int>(starts.size()) && starts[static_cast<size_t>(line) + 1] <= index)
            ++line;
        result = MAKELONG((index - starts[static_cast<size_t>(line)]) * kEditCharWidth, line * kEditLineHeight);
        return true;
    }
    default:
        return false;
    }
}

// ---- Combo boxes

bool ComboProc(WindowCore* core, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const bool list = IsDropDownList(core);
    switch (message) {
    case WM_SETTEXT:
        if (list) {
            // A drop-down list shows its selection only: the text must name an entry.
            const int i = FindEntry(core, -1, TextArg(lParam), true);
            if (i < 0) {
                result = CB_ERR;
                return true;
            }
            core->curSel = i;
            result = TRUE;
            return true;
        }
        core->text.assign(TextArg(lParam));
        core->selStart = core->selEnd = 0;
        result = TRUE;
        return true;
    case WM_GETTEXTLENGTH:
    case WM_GETTEXT: {
        const std::string& text = DefaultWindowText(core);
        if (message == WM_GETTEXTLENGTH) {
            result = static_cast<LRESULT>(text.size());
            return true;
        }
        result = CopyWindowText(text, wParam, lParam);
        return true;
    }
    case CB_ADDSTRING:
        result = AddComboEntry(core, StringArg(lParam));
        return true;
    case CB_INSERTSTRING:
        result = InsertEntry(core, static_cast<int>(static_cast<INT_PTR>(wParam)), StringArg(lParam), false);
        return true;
    case CB_DELETESTRING:
        result = DeleteEntry(core, wParam);
        return true;
    case CB_INITSTORAGE:
        // Room for that many more entries, made before a list is filled.
        core->entries.reserve(core->entries.size() + static_cast<size_t>(wParam));
        result = static_cast<LRESULT>(core->entries.capacity());
        return true;
    case CB_RESETCONTENT:
        core->entries.clear();
        core->curSel = -1;
        core->text.clear();
        result = 0;
        return true;
    case CB_GETCOUNT:
        result = Count(core);
        return true;
    case CB_GETCURSEL:
        result = core->curSel;
        return true;
    case CB_SETCURSEL: {
        const auto i = static_cast<int>(static_cast<INT_PTR>(wParam));
        if (i < 0 || i >= Count(core)) {
            core->curSel = -1;
            if (!list)
                core->text.clear();
            result = CB_ERR;
            return true;
        }
        core->curSel = i;
        if (!list)
            core->text = core->entries[static_cast<size_t>(i)].text;
        result = i;
        return true;
    }
    case CB_GETLBTEXT:
    case CB_GETLBTEXTLEN:
        result = EntryText(core, wParam, lParam, message == CB_GETLBTEXTLEN);
        return true;
    case CB_GETITEMDATA:
    case CB_SETITEMDATA:
        result = EntryData(core, wParam, lParam, message == CB_SETITEMDATA);
        return true;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
        result = FindEntry(core, static_cast<int>(static_cast<INT_PTR>(wParam)), TextArg(lParam),
                           message == CB_FINDSTRINGEXACT);
        return true;
    case CB_SELECTSTRING: {
        const int i = FindEntry(core, static_cast<int>(static_cast<INT_PTR>(wParam)), TextArg(lParam), false);
        if (i >= 0) {
            core->curSel = i;
            if (!list)
                core->text = core->entries[static_cast<size_t>(i)].text;
        }
        result = i;
        return true;
    }
    case CB_SHOWDROPDOWN:
        core->droppedDown = wParam != 0;
        result = TRUE;
        return true;
    case CB_GETDROPPEDSTATE:
        result = core->droppedDown ? TRUE : FALSE;
        return true;
    case CB_LIMITTEXT:
        core->limit = static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE));
        result = TRUE;
        return true;
    case CB_GETEDITSEL:
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(core->selStart);
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(core->selEnd);
        result = MAKELONG(core->selStart, core->selEnd);
        return true;
    case CB_SETEDITSEL:
        if (list) {
            result = CB_ERR;
            return true;
        }
        SetSelection(core, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        result = TRUE;
        return true;
    default:
        return false;
    }
}

// ---- List boxes

bool MultiSelect(const WindowCore* core) { return (core->style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }

bool ListBoxProc(WindowCore* core, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case LB_ADDSTRING:
        result = InsertEntry(core, -1, StringArg(lParam), (core->style & LBS_SORT) != 0);
        return true;
    case LB_INSERTSTRING:
        result = InsertEntry(core, static_cast<int>(static_cast<INT_PTR>(wParam)), StringArg(lParam), false);
        return true;
    case LB_DELETESTRING:
        result = DeleteEntry(core, wParam);
        return true;
    case LB_RESETCONTENT:
        core->entries.clear();
        core->curSel = -1;
        result = 0;
        return true;
    case LB_GETCOUNT:
        result = Count(core);
        return true;
    case LB_GETCURSEL:
        result = core->curSel;
        return true;
    case LB_SETCURSEL: {
        const auto i = static_cast<int>(static_cast<INT_PTR>(wParam));
        if (MultiSelect(core)) {
            result = LB_ERR;
            return true;
        }
        core->curSel = (i >= 0 && i < Count(core)) ? i : -1;
        result = core->curSel >= 0 ? core->curSel : LB_ERR;
        return true;
    }
    case LB_GETSEL: {
        const auto i = static_cast<size_t>(wParam);
        if (i >= core->entries.size()) {
            result = LB_ERR;
            return true;
        }
        result = MultiSelect(core) ? (core->entries[i].selected ? 1 : 0) : (core->curSel == static_cast<int>(i));
        return true;
    }
    case LB_SETSEL: {
        const int i = static_cast<int>(lParam);
        if (!MultiSelect(core) || i < -1 || i >= Count(core)) {
            result = LB_ERR;
            return true;
        }
        for (int k = 0; k < Count(core); ++k)
            if (i == -1 || k == i)
                core->entries[static_cast<size_t>(k)].selected = wParam != 0;
        if (wParam && i >= 0)
            core->curSel = i;
        result = 0;
        return true;
    }
    case LB_GETSELCOUNT: {
        if (!MultiSelect(core)) {
            result = LB_ERR;
            return true;
        }
        result = std::count_if(core->entries.begin(), core->entries.end(), [](const ListEntry& e) { return e.selected; });
        return true;
    }
    case LB_GETTEXT:
    case LB_GETTEXTLEN:
        result = EntryText(core, wParam, lParam, message == LB_GETTEXTLEN);
        return true;
    case LB_GETITEMDATA:
    case LB_SETITEMDATA:
        result = EntryData(core, wParam, lParam, message == LB_SETITEMDATA);
        return true;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
        result = FindEntry(core, static_cast<int>(static_cast<INT_PTR>(wParam)), TextArg(lParam),
                           message == LB_FINDSTRINGEXACT);
        return true;
    case LB_SELECTSTRING: {
        const int i = FindEntry(core, static_cast<int>(static_cast<INT_PTR>(wParam)), TextArg(lParam), false);
        if (i >= 0 && !MultiSelect(core))
            core->curSel = i;
        result = i;
        return true;
    }
    default:
        return false;
    }
}

// ---- Up-down controls

void UpdateBuddyText(WindowCore* core)
{
    if (!(core->style & UDS_SETBUDDYINT))
        return;
    WindowCore* buddy = CoreFromHandle(core->buddy);
    if (!buddy)
        return;
    char text[32];
    if (core->base == 16)
        std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(core->pos));
    else
        std::snprintf(text, sizeof text, "%d", core->pos);
    SendMessageA(buddy->hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// The position, read back from the buddy's text when the control keeps it there.
int CurrentSpinPos(WindowCore* core, bool* error)
{
    if (error)
        *error = false;
    WindowCore* buddy = CoreFromHandle(core->buddy);
    if (!(core->style & UDS_SETBUDDYINT) || !buddy)
        return core->pos;
    const std::string& t = buddy->text;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(t.c_str(), &end, core->base == 16 ? 16 : 10);
    const int lo = std::min(core->lower, core->upper);
    const int hi = std::max(core->lower, core->upper);
    if (t.empty() || end == t.c_str() || *end != 0 || errno != 0 || v < lo || v > hi) {
        if (error)
            *error = true;
        return core->pos;
    }
    core->pos = static_cast<int>(v);
    return core->pos;
}

int ClampPos(const WindowCore* core, long long v)
{
    const int lo = std::min(core->lower, core->upper);
    const int hi = std::max(core->lower, core->upper);
    return static_cast<int>(std::clamp<long long>(v, lo, hi));
}

bool UpDownProc(WindowCore* core, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case UDM_SETRANGE:
        core->upper = static_cast<short>(LOWORD(lParam));
        core->lower = static_cast<short>(HIWORD(lParam));
        core->pos = ClampPos(core, core->pos);
        result = 0;
        return true;
    case UDM_GETRANGE:
        result = MAKELONG(core->upper, core->lower);
        return true;
    case UDM_SETRANGE32:
        core->lower = static_cast<int>(static_cast<INT_PTR>(wParam));
        core->upper = static_cast<int>(lParam);
        core->pos = ClampPos(core, core->pos);
        result = 0;
        return true;
    case UDM_GETRANGE32:
        if (wParam)
            *reinterpret_cast<int*>(wParam) = core->lower;
        if (lParam)
            *reinterpret_cast<int*>(lParam) = core->upper;
        result = 0;
        return true;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        const int old = CurrentSpinPos(core, nullptr);
        core->pos = ClampPos(core, message == UDM_SETPOS ? static_cast<short>(LOWORD(lParam)) : static_cast<int>(lParam));
        UpdateBuddyText(core);
        result = old;
        return true;
    }
    case UDM_GETPOS: {
        bool error = false;
        const int pos = CurrentSpinPos(core, &error);
        result = MAKELONG(pos, error ? 1 : 0);
        return true;
    }
    case UDM_GETPOS32: {
        bool error = false;
        result = CurrentSpinPos(core, &error);
        if (lParam)
            *reinterpret_cast<BOOL*>(lParam) = error ? TRUE : FALSE;
        return true;
    }
    case UDM_SETBUDDY: {
        HWND old = core->buddy;
        core->buddy = reinterpret_cast<HWND>(wParam);
        UpdateBuddyText(core);
        result = reinterpret_cast<LRESULT>(old);
        return true;
    }
    case UDM_GETBUDDY:
        result = reinterpret_cast<LRESULT>(core->buddy);
        return true;
    case UDM_SETBASE: {
        if (wParam != 10 && wParam != 16) {
            result = 0;
            return true;
        }
        result = core->base;
        core->base = static_cast<int>(wParam);
        return true;
    }
    case UDM_GETBASE:
        result = core->base;
        return true;
    default:
        return false;
    }
}

} // namespace

// WM_PAINT of an owner-drawn control: the parent gets WM_DRAWITEM with a paint DC.
void PaintOwnerDrawn(WindowCore* core, UINT controlType)
{
    if (!core->parent)
        return;
    CPaintDC dc(core->object);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = controlType;
    dis.CtlID = static_cast<UINT>(core->id);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (core->pushed ? ODS_SELECTED : 0) | ((core->style & WS_DISABLED) ? ODS_DISABLED : 0) |
                    (core->check == BST_CHECKED ? ODS_CHECKED : 0) | (FocusCore() == core ? ODS_FOCUS : 0);
    dis.hwndItem = core->hwnd;
    dis.hDC = dc.GetSafeHdc();
    dis.rcItem = RECT{0, 0, core->rect.right - core->rect.left, core->rect.bottom - core->rect.top};
    SendMessageA(core->parent->hwnd, WM_DRAWITEM, static_cast<WPARAM>(core->id), reinterpret_cast<LPARAM>(&dis));
}

namespace {

// Default processing of the standard controls' messages; false when the message is not one
// of the control's own. Only DefaultWindowProc calls it, so the two make one call.
bool DefaultControlProc(WindowCore* core, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_PAINT && core->kind == WindowKind::Static && (core->style & SS_TYPEMASK) == SS_OWNERDRAW) {
        PaintOwnerDrawn(core, ODT_STATIC);
        core->invalid = false;
        result = 0;
        return true;
    }
    switch (core->kind) {
    case WindowKind::Button: return ButtonProc(core, message, wParam, lParam, result);
    case WindowKind::Edit: return EditProc(core, message, wParam, lParam, result);
    case WindowKind::ComboBox: return ComboProc(core, message, wParam, lParam, result);
    case WindowKind::ListBox: return ListBoxProc(core, message, wParam, lParam, result);
    case WindowKind::UpDown: return UpDownProc(core, message, wParam, lParam, result);
    case WindowKind::ListView:
        if (message == LVM_GETITEMCOUNT) {
            result = static_cast<LRESULT>(core->rows.size());
            return true;
        }
        if (message == QV_WM_EDITCELL) {
            // A list without an editor of its own takes the typed text as the cell's text.
            const auto row = static_cast<size_t>(ListCellRow(wParam));
            const auto column = static_cast<size_t>(ListCellColumn(wParam));
            result = FALSE;
            if (row < core->rows.size() && column < std::max<size_t>(core->columns.size(), 1)) {
                auto& cells = core->rows[row].cells;
                cells.resize(std::max<size_t>(core->columns.size(), 1));
                cells[column] = StringArg(lParam);
                core->invalid = true;
                result = TRUE;
            }
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace

LRESULT DefaultWindowProc(CWnd& self, WindowCore* core, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (DefaultControlProc(core, message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_SETTEXT:
        core->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        return TRUE;
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(core->text.size());
    case WM_GETTEXT:
        return CopyWindowText(core->text, wParam, lParam);
    case WM_PAINT:
        core->invalid = false;
        return 0;
    case WM_SETREDRAW:
        core->redraw = wParam != 0;
        return 0;
    case WM_CLOSE:
        self.DestroyWindow();
        return 0;
    case WM_DRAWITEM:
        self.OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        return TRUE;
    case WM_CONTEXTMENU:
        // Unhandled context menus go up to the parent, as on the original.
        if (core->parent)
            return SendMessageA(core->parent->hwnd, message, wParam, lParam);
        return 0;
    default:
        return 0;
    }
}

void ReplaceSelection(WindowCore* core, const std::string& text)
{
    ClampSelection(core);
    std::string insert = text;
    if (core->limit > 0) {
        const long room = static_cast<long>(core->limit) -
                          static_cast<long>(core->text.size() - static_cast<size_t>(core->selEnd - core->selStart));
        if (room <= 0)
            insert.clear();
        else if (static_cast<long>(insert.size()) > room)
            insert.resize(static_cast<size_t>(room));
    }
    core->text.replace(static_cast<size_t>(core->selStart), static_cast<size_t>(core->selEnd - core->selStart), insert);
    core->selStart += static_cast<int>(insert.size());
    core->selEnd = core->selStart;
    core->modified = true;
    core->invalid = true;
    if (FocusCore() == core && core->kind == WindowKind::Edit)
        SetCaretFromEdit(core);
}

namespace {
POINT g_caret{0, 0};
}

POINT EditCharPosition(const WindowCore* edit, int index)
{
    const std::vector<int> starts = LineStarts(edit->text);
    index = std::clamp(index, 0, static_cast<int>(edit->text.size()));
    int line = 0;
    while (line + 1 < static_cast<int>(starts.size()) && starts[static_cast<size_t>(line) + 1] <= index)
        ++line;
    return POINT{(index - starts[static_cast<size_t>(line)]) * kEditCharWidth, line * kEditLineHeight};
}

void SetCaretFromEdit(WindowCore* edit) { g_caret = EditCharPosition(edit, edit->selEnd); }

POINT CaretPosition() { return g_caret; }
void SetCaretPosition(POINT p) { g_caret = p; }

void ClickButton(WindowCore* core)
{
    if (!core || core->kind != WindowKind::Button || (core->style & WS_DISABLED))
        return;
    const UINT type = ButtonType(core);
    if (type == BS_GROUPBOX)
        return;
    switch (type) {
    case BS_AUTOCHECKBOX:
        core->check = core->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        break;
    case BS_AUTO3STATE:
        // Unchecked -> checked -> indeterminate -> unchecked.
        core->check = core->check == BST_UNCHECKED ? BST_CHECKED
                      : core->check == BST_CHECKED ? BST_INDETERMINATE
                                                   : BST_UNCHECKED;
        break;
    case BS_AUTORADIOBUTTON:
        // Checks this one and unchecks the other radio buttons of its group: the group runs
        // from the nearest control with WS_GROUP at or before it to the next one.
        if (core->parent) {
            const auto& c = core->parent->children;
            const auto self = std::find(c.begin(), c.end(), core);
            if (self != c.end()) {
                auto first = self;
                while (first != c.begin() && !((*first)->style & WS_GROUP))
                    --first;
                auto last = self + 1;
                while (last != c.end() && !((*last)->style & WS_GROUP))
                    ++last;
                for (auto it = first; it != last; ++it) {
                    WindowCore* other = *it;
                    const UINT t = other->kind == WindowKind::Button ? ButtonType(other) : 0;
                    if (other != core && (t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON))
                        other->check = BST_UNCHECKED;
                }
            }
        }
        core->check = BST_CHECKED;
        break;
    default:
        break;
    }
    core->invalid = true;
    NotifyParent(core, BN_CLICKED);
}

bool ClickSpin(WindowCore* core, int delta)
{
    if (!core || core->kind != WindowKind::UpDown || (core->style & WS_DISABLED))
        return false;
    const int pos = CurrentSpinPos(core, nullptr);
    NMUPDOWN nm{};
    nm.hdr.code = UDN_DELTAPOS;
    nm.iPos = pos;
    nm.iDelta = core->upper < core->lower ? -delta : delta;
    if (NotifyParent(core, nm.hdr) != 0)
        return false; // the parent refused the change
    long long next = static_cast<long long>(pos) + nm.iDelta;
    const int lo = std::min(core->lower, core->upper);
    const int hi = std::max(core->lower, core->upper);
    if ((core->style & UDS_WRAP) && (next < lo || next > hi))
        next = next < lo ? hi : lo;
    core->pos = ClampPos(core, next);
    if (WindowCore* buddy = CoreFromHandle(core->buddy); buddy && (core->style & UDS_SETBUDDYINT)) {
        const std::string before = buddy->text;
        UpdateBuddyText(core);
        // The user changed the buddy's text through the arrows: it tells its parent.
        if (buddy->text != before && buddy->kind == WindowKind::Edit)
            NotifyParent(buddy, EN_CHANGE);
    }
    if (core->parent)
        SendMessageA(core->parent->hwnd, (core->style & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL,
                     MAKEWPARAM(SB_THUMBPOSITION, core->pos), reinterpret_cast<LPARAM>(core->hwnd));
    return true;
}

namespace {

CWnd* MakeStandardControl(WindowKind kind)
{
    switch (kind) {
    case WindowKind::Button: return new CButton;
    case WindowKind::Edit: return new CEdit;
    case WindowKind::Static: return new CStatic;
    case WindowKind::ComboBox: return new CComboBox;
    case WindowKind::ListBox: return new CListBox;
    case WindowKind::ListView: return new CListCtrl;
    case WindowKind::UpDown: return new CSpinButtonCtrl;
    case WindowKind::Header: return new CHeaderCtrl;
    default: return new CWnd;
    }
}

} // namespace

CWnd* MakeStandardControl(const std::string& className, DWORD) { return MakeStandardControl(KindFromClassName(className)); }

bool IsStandardControlObject(const CWnd* object)
{
    if (!object)
        return false;
    // The exact classes MakeStandardControl makes, not classes derived from them.
    const std::type_info& type = typeid(*object);
    return type == typeid(CButton) || type == typeid(CEdit) || type == typeid(CStatic) ||
           type == typeid(CComboBox) || type == typeid(CListBox) || type == typeid(CListCtrl) ||
           type == typeid(CSpinButtonCtrl) || type == typeid(CHeaderCtrl) || type == typeid(CWnd);
}

CWnd* MakeControlObject(const std::string& className, DWORD style, WindowKind kind)
{
    if (g_factory)
        if (CWnd* w = g_factory(className, style))
            return w;
    return MakeStandardControl(kind);
}

CWnd* MakeControlObject(const std::string& className, DWORD style)
{
    return MakeControlObject(className, style, KindFromClassName(className));
}

void SetControlFactory(ControlFactory factory) { g_factory = factory; }

} // namespace qv

// ---------------------------------------------------------------------------------------
// Buttons and statics

// An owner-drawn button or static whose parent leaves WM_DRAWITEM to it draws itself: the
// reflected message goes to the control's own DrawItem; every other one to CWnd.
BOOL qv::BitmapControl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message != WM_DRAWITEM)
        return CWnd::OnChildNotify(message, wParam, lParam, pResult);
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    return TRUE;
}

HBITMAP qv::BitmapControl::SetBitmap(HBITMAP hBitmap)
{
    HBITMAP old = m_hBitmap;
    m_hBitmap = hBitmap;
    Invalidate();
    return old;
}

IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CCheckListBox, CListBox)
IMPLEMENT_DYNAMIC(CHeaderCtrl, CWnd)
IMPLEMENT_DYNAMIC(CListCtrl, CWnd)
IMPLEMENT_DYNAMIC(CSpinButtonCtrl, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("Button", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

int CButton::GetCheck() const { return static_cast<int>(SendMessageA(m_hWnd, BM_GETCHECK, 0, 0)); }
void CButton::SetCheck(int nCheck) { SendMessageA(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(nCheck), 0); }
UINT CButton::GetState() const { return static_cast<UINT>(SendMessageA(m_hWnd, BM_GETSTATE, 0, 0)); }
void CButton::SetState(BOOL bHighlight) { SendMessageA(m_hWnd, BM_SETSTATE, bHighlight ? TRUE : FALSE, 0); }
UINT CButton::GetButtonStyle() const { return GetStyle() & 0xFFFFu; }
void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw)
{
    SendMessageA(m_hWnd, BM_SETSTYLE, nStyle, bRedraw);
}

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("Static", lpszText, dwStyle, rect, pParentWnd, nID);
}

// ---------------------------------------------------------------------------------------
// Edits

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("Edit", "", dwStyle, rect, pParentWnd, nID);
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL)
{
    SendMessageA(m_hWnd, EM_SETSEL, static_cast<WPARAM>(static_cast<INT_PTR>(nStartChar)), nEndChar);
}

void CEdit::SetSel(DWORD dwSelection, BOOL bNoScroll)
{
    SetSel(static_cast<short>(LOWORD(dwSelection)), static_cast<short>(HIWORD(dwSelection)), bNoScroll);
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const
{
    DWORD start = 0, end = 0;
    SendMessageA(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    nStartChar = static_cast<int>(start);
    nEndChar = static_cast<int>(end);
}

DWORD CEdit::GetSel() const { return static_cast<DWORD>(SendMessageA(m_hWnd, EM_GETSEL, 0, 0)); }

void CEdit::ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo)
{
    SendMessageA(m_hWnd, EM_REPLACESEL, bCanUndo, reinterpret_cast<LPARAM>(lpszNewText ? lpszNewText : ""));
}

void CEdit::LimitText(int nChars) { SendMessageA(m_hWnd, EM_LIMITTEXT, static_cast<WPARAM>(std::max(nChars, 0)), 0); }
UINT CEdit::GetLimitText() const { return static_cast<UINT>(SendMessageA(m_hWnd, EM_GETLIMITTEXT, 0, 0)); }
BOOL CEdit::SetReadOnly(BOOL bReadOnly) { return static_cast<BOOL>(SendMessageA(m_hWnd, EM_SETREADONLY, bReadOnly, 0)); }
BOOL CEdit::GetModify() const { return static_cast<BOOL>(SendMessageA(m_hWnd, EM_GETMODIFY, 0, 0)); }
void CEdit::SetModify(BOOL bModified) { SendMessageA(m_hWnd, EM_SETMODIFY, bModified, 0); }
int CEdit::GetLineCount() const { return static_cast<int>(SendMessageA(m_hWnd, EM_GETLINECOUNT, 0, 0)); }

int CEdit::CharFromPos(CPoint pt) const
{
    if (!m_hWnd)
        return -1;
    return static_cast<int>(SendMessageA(m_hWnd, EM_CHARFROMPOS, 0, MAKELPARAM(pt.x, pt.y)));
}

CPoint CEdit::PosFromChar(UINT nChar) const
{
    const LRESULT r = SendMessageA(m_hWnd, EM_POSFROMCHAR, nChar, 0);
    if (r == -1)
        return CPoint(-1, -1);
    return CPoint(static_cast<short>(LOWORD(r)), static_cast<short>(HIWORD(r)));
}

// ---------------------------------------------------------------------------------------
// Combo and list boxes

#define QV_SEND(msg, w, l) SendMessageA(m_hWnd, (msg), (WPARAM)(w), (LPARAM)(l))

void CComboBox::ShowDropDown(BOOL bShowIt) { QV_SEND(CB_SHOWDROPDOWN, bShowIt, 0); }
BOOL CComboBox::GetDroppedState() const { return static_cast<BOOL>(QV_SEND(CB_GETDROPPEDSTATE, 0, 0)); }
BOOL CComboBox::LimitText(int nMaxChars) { return static_cast<BOOL>(QV_SEND(CB_LIMITTEXT, std::max(nMaxChars, 0), 0)); }
DWORD CComboBox::GetEditSel() const { return static_cast<DWORD>(QV_SEND(CB_GETEDITSEL, 0, 0)); }
BOOL CComboBox::SetEditSel(int nStartChar, int nEndChar) { return QV_SEND(CB_SETEDITSEL, 0, MAKELPARAM(nStartChar, nEndChar)) == TRUE; }

int CListBox::GetSel(int nIndex) const { return static_cast<int>(QV_SEND(LB_GETSEL, nIndex, 0)); }
int CListBox::SetSel(int nIndex, BOOL bSelect) { return static_cast<int>(QV_SEND(LB_SETSEL, bSelect, nIndex)); }
int CListBox::GetSelCount() const { return static_cast<int>(QV_SEND(LB_GETSELCOUNT, 0, 0)); }

// The check and enabled state of each entry are kept in the record's row table, which a
// list box does not otherwise use.
void CCheckListBox::SetCheck(int nIndex, int nCheck)
{
    qv::WindowCore* core = Core();
    if (!core || nIndex < 0 || nIndex >= static_cast<int>(core->entries.size()))
        return;
    core->entries[static_cast<size_t>(nIndex)].selected = false;
    core->rows.resize(std::max(core->rows.size(), core->entries.size()));
    core->rows[static_cast<size_t>(nIndex)].state = static_cast<UINT>(nCheck);
}

int CCheckListBox::GetCheck(int nIndex) const
{
    qv::WindowCore* core = Core();
    if (!core || nIndex < 0 || nIndex >= static_cast<int>(core->entries.size()) ||
        static_cast<size_t>(nIndex) >= core->rows.size())
        return 0;
    return static_cast<int>(core->rows[static_cast<size_t>(nIndex)].state);
}

void CCheckListBox::Enable(int nIndex, BOOL bEnabled)
{
    qv::WindowCore* core = Core();
    if (!core || nIndex < 0 || nIndex >= static_cast<int>(core->entries.size()))
        return;
    core->rows.resize(std::max(core->rows.size(), core->entries.size()));
    core->rows[static_cast<size_t>(nIndex)].image = bEnabled ? -1 : 0;
}

BOOL CCheckListBox::IsEnabled(int nIndex) const
{
    qv::WindowCore* core = Core();
    if (!core || nIndex < 0 || static_cast<size_t>(nIndex) >= core->rows.size())
        return TRUE;
    return core->rows[static_cast<size_t>(nIndex)].image != 0;
}

// ---------------------------------------------------------------------------------------
// Image lists

namespace {

// A bitmap of the current resource module, or null.
const qv::RcBitmap* ResourceBitmap(UINT nBitmapID)
{
    const qv::ResourceScript* rs = qv::GetModuleResources(AfxGetResourceHandle());
    if (!rs)
        return nullptr;
    auto it = rs->bitmaps.find(static_cast<int>(nBitmapID));
    return it != rs->bitmaps.end() ? &it->second : nullptr;
}

} // namespace

BOOL CImageList::Create(int cx, int cy, UINT, int, int)
{
    if (cx <= 0 || cy <= 0)
        return FALSE;
    m_cx = cx;
    m_cy = cy;
    m_images.clear();
    m_created = true;
    return TRUE;
}

BOOL CImageList::Create(UINT nBitmapID, int cx, int, COLORREF)
{
    const qv::RcBitmap* bitmap = ResourceBitmap(nBitmapID);
    if (!bitmap)
        return FALSE;
    const int height = bitmap->height > 0 ? bitmap->height : 16;
    if (!Create(cx > 0 ? cx : height, height, 0, 0, 0))
        return FALSE;
    return AddBitmapResource(nBitmapID) >= 0;
}

BOOL CImageList::DeleteImageList()
{
    if (!m_created)
        return FALSE;
    m_created = false;
    m_images.clear();
    return TRUE;
}

int CImageList::Add(CBitmap* pbmImage, CBitmap*)
{
    if (!m_created || !pbmImage)
        return -1;
    return AddStrip(pbmImage->m_bitmapId, pbmImage->m_bitmapSize.cx);
}

int CImageList::Add(CBitmap* pbmImage, COLORREF) { return Add(pbmImage, static_cast<CBitmap*>(nullptr)); }

int CImageList::AddBitmapResource(UINT nBitmapID)
{
    if (!m_created)
        return -1;
    const qv::RcBitmap* bitmap = ResourceBitmap(nBitmapID);
    return bitmap ? AddStrip(static_cast<int>(nBitmapID), bitmap->width) : -1;
}

int CImageList::AddStrip(int bitmapId, int width)
{
    const int first = GetImageCount();
    const int count = width >= m_cx && m_cx > 0 ? width / m_cx : 1;
    for (int i = 0; i < count; ++i)
        m_images.push_back(Image{bitmapId, i});
    return first;
}

int CImageList::Add(HICON)
{
    if (!m_created)
        return -1;
    m_images.push_back(Image{0, 0});
    return GetImageCount() - 1;
}

BOOL CImageList::Remove(int nImage)
{
    if (nImage == -1) {
        m_images.clear();
        return m_created;
    }
    if (nImage < 0 || nImage >= GetImageCount())
        return FALSE;
    m_images.erase(m_images.begin() + nImage);
    return TRUE;
}

BOOL CImageList::GetImageSize(SIZE* size) const
{
    if (!m_created || !size)
        return FALSE;
    *size = SIZE{m_cx, m_cy};
    return TRUE;
}

BOOL CImageList::Draw(CDC* pDC, int nImage, POINT pt, UINT)
{
    if (!pDC || nImage < 0 || nImage >= GetImageCount())
        return FALSE;
    const Image& image = m_images[static_cast<size_t>(nImage)];
    pDC->DrawImageRef("imagelist", image.bitmapId, image.index, RECT{pt.x, pt.y, pt.x + m_cx, pt.y + m_cy});
    return TRUE;
}

// ---------------------------------------------------------------------------------------
// Up-down controls

BOOL CSpinButtonCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("msctls_updown32", "", dwStyle, rect, pParentWnd, nID);
}

void CSpinButtonCtrl::SetRange32(int nLower, int nUpper) { QV_SEND(UDM_SETRANGE32, static_cast<INT_PTR>(nLower), nUpper); }
DWORD CSpinButtonCtrl::GetRange() const { return static_cast<DWORD>(QV_SEND(UDM_GETRANGE, 0, 0)); }
void CSpinButtonCtrl::GetRange(int& lower, int& upper) const
{
    lower = upper = 0;
    QV_SEND(UDM_GETRANGE32, &lower, &upper);
}
int CSpinButtonCtrl::SetPos(int nPos) { return static_cast<int>(QV_SEND(UDM_SETPOS32, 0, nPos)); }
int CSpinButtonCtrl::GetPos() const { return static_cast<int>(QV_SEND(UDM_GETPOS, 0, 0)); }
int CSpinButtonCtrl::GetPos32(BOOL* lpbError) const { return static_cast<int>(QV_SEND(UDM_GETPOS32, 0, lpbError)); }
CWnd* CSpinButtonCtrl::SetBuddy(CWnd* pWndBuddy)
{
    return CWnd::FromHandle(reinterpret_cast<HWND>(QV_SEND(UDM_SETBUDDY, pWndBuddy ? pWndBuddy->m_hWnd : nullptr, 0)));
}
CWnd* CSpinButtonCtrl::GetBuddy() const { return CWnd::FromHandle(reinterpret_cast<HWND>(QV_SEND(UDM_GETBUDDY, 0, 0))); }
int CSpinButtonCtrl::SetBase(int nBase) { return static_cast<int>(QV_SEND(UDM_SETBASE, nBase, 0)); }
UINT CSpinButtonCtrl::GetBase() const { return static_cast<UINT>(QV_SEND(UDM_GETBASE, 0, 0)); }

// ---------------------------------------------------------------------------------------
// Report list views

namespace {

constexpr int kCharWidth = 6; // fixed average character width used to size columns

bool ValidRow(const qv::WindowCore* core, int nItem)
{
    return core && nItem >= 0 && nItem < static_cast<int>(core->rows.size());
}

size_t CellCount(const qv::WindowCore* core) { return std::max<size_t>(core->columns.size(), 1); }

UINT CheckImage(bool checked) { return INDEXTOSTATEIMAGEMASK(checked ? 2 : 1); }

} // namespace

CListCtrl::CListCtrl() = default;
CListCtrl::~CListCtrl() = default;

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("SysListView32", "", dwStyle, rect, pParentWnd, nID);
}

int CListCtrl::InsertColumn(int nCol, LPCTSTR lpszColumnHeading, int nFormat, int nWidth, int nSubItem)
{
    qv::WindowCore* core = Core();
    if (!core || nCol < 0)
        return -1;
    std::string heading = lpszColumnHeading ? lpszColumnHeading : "";
    const int index = std::min(nCol, static_cast<int>(core->columns.size()));
    const int width = nWidth >= 0 ? nWidth : static_cast<int>(heading.size()) * kCharWidth + 12;
    const bool hadColumns = !core->columns.empty();
    core->columns.insert(core->columns.begin() + index, qv::ListViewColumn{std::move(heading), width, nFormat});
    // Rows keep one cell per column; the first column takes over the item text.
    if (hadColumns)
        for (auto& row : core->rows)
            row.cells.insert(row.cells.begin() + std::min<size_t>(static_cast<size_t>(index), row.cells.size()), std::string());
    for (auto& row : core->rows)
        row.cells.resize(CellCount(core));
    core->invalid = true;
    return index;
}

int CListCtrl::InsertColumn(int nCol, const LVCOLUMN* pColumn)
{
    if (!pColumn)
        return -1;
    return InsertColumn(nCol, (pColumn->mask & LVCF_TEXT) ? pColumn->pszText : "",
                        (pColumn->mask & LVCF_FMT) ? pColumn->fmt : LVCFMT_LEFT,
                        (pColumn->mask & LVCF_WIDTH) ? pColumn->cx : -1);
}

BOOL CListCtrl::DeleteColumn(int nCol)
{
    qv::WindowCore* core = Core();
    if (!core || nCol < 0 || nCol >= static_cast<int>(core->columns.size()))
        return FALSE;
    core->columns.erase(core->columns.begin() + nCol);
    for (auto& row : core->rows) {
        if (static_cast<size_t>(nCol) < row.cells.size() && row.cells.size() > 1)
            row.cells.erase(row.cells.begin() + nCol);
        row.cells.resize(CellCount(core));
    }
    core->invalid = true;
    return TRUE;
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx)
{
    qv::WindowCore* core = Core();
    if (!core || nCol < 0 || nCol >= static_cast<int>(core->columns.size()))
        return FALSE;
    if (cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER) {
        size_t longest = cx == LVSCW_AUTOSIZE_USEHEADER ? core->columns[static_cast<size_t>(nCol)].text.size() : 0;
        for (const auto& row : core->rows)
            if (static_cast<size_t>(nCol) < row.cells.size())
                longest = std::max(longest, row.cells[static_cast<size_t>(nCol)].size());
        cx = static_cast<int>(longest) * kCharWidth + 12;
    }
    if (cx < 0)
        return FALSE;
    core->columns[static_cast<size_t>(nCol)].width = cx;
    core->invalid = true;
    return TRUE;
}

int CListCtrl::GetColumnWidth(int nCol) const
{
    qv::WindowCore* core = Core();
    if (!core || nCol < 0 || nCol >= static_cast<int>(core->columns.size()))
        return 0;
    return core->columns[static_cast<size_t>(nCol)].width;
}

BOOL CListCtrl::GetColumn(int nCol, LVCOLUMN* pColumn) const
{
    qv::WindowCore* core = Core();
    if (!core || !pColumn || nCol < 0 || nCol >= static_cast<int>(core->columns.size()))
        return FALSE;
    const qv::ListViewColumn& c = core->columns[static_cast<size_t>(nCol)];
    if (pColumn->mask & LVCF_FMT)
        pColumn->fmt = c.format;
    if (pColumn->mask & LVCF_WIDTH)
        pColumn->cx = c.width;
    if ((pColumn->mask & LVCF_TEXT) && pColumn->pszText && pColumn->cchTextMax > 0) {
        const size_t n = std::min(c.text.size(), static_cast<size_t>(pColumn->cchTextMax) - 1);
        std::memcpy(pColumn->pszText, c.text.data(), n);
        pColumn->pszText[n] = 0;
    }
    if (pColumn->mask & LVCF_SUBITEM)
        pColumn->iSubItem = nCol;
    return TRUE;
}

BOOL CListCtrl::SetColumn(int nCol, const LVCOLUMN* pColumn)
{
    qv::WindowCore* core = Core();
    if (!core || !pColumn || nCol < 0 || nCol >= static_cast<int>(core->columns.size()))
        return FALSE;
    qv::ListViewColumn& c = core->columns[static_cast<size_t>(nCol)];
    if (pColumn->mask & LVCF_FMT)
        c.format = pColumn->fmt;
    if (pColumn->mask & LVCF_WIDTH)
        c.width = pColumn->cx;
    if (pColumn->mask & LVCF_TEXT)
        c.text = pColumn->pszText ? pColumn->pszText : "";
    core->invalid = true;
    return TRUE;
}

CHeaderCtrl* CListCtrl::GetHeaderCtrl()
{
    if (!m_hWnd)
        return nullptr;
    m_header.m_hListView = m_hWnd;
    return &m_header;
}

int CHeaderCtrl::GetItemCount() const
{
    qv::WindowCore* core = qv::CoreFromHandle(m_hListView);
    return core ? static_cast<int>(core->columns.size()) : -1;
}

BOOL CHeaderCtrl::GetItemRect(int nIndex, LPRECT lpRect) const
{
    qv::WindowCore* core = qv::CoreFromHandle(m_hListView);
    if (!core || !lpRect || nIndex < 0 || nIndex >= static_cast<int>(core->columns.size()))
        return FALSE;
    int left = 0;
    for (int i = 0; i < nIndex; ++i)
        left += core->columns[static_cast<size_t>(i)].width;
    *lpRect = RECT{left, 0, left + core->columns[static_cast<size_t>(nIndex)].width, CListCtrl::kHeaderHeight};
    return TRUE;
}

int CListCtrl::GetItemCount() const
{
    qv::WindowCore* core = Core();
    return core ? static_cast<int>(core->rows.size()) : 0;
}

int CListCtrl::InsertItem(int nItem, LPCTSTR lpszItem) { return InsertItem(LVIF_TEXT, nItem, lpszItem, 0, 0, 0, 0); }

int CListCtrl::InsertItem(int nItem, LPCTSTR lpszItem, int nImage)
{
    return InsertItem(LVIF_TEXT | LVIF_IMAGE, nItem, lpszItem, 0, 0, nImage, 0);
}

int CListCtrl::InsertItem(const LVITEM* pItem)
{
    if (!pItem || pItem->iSubItem != 0)
        return -1;
    return InsertItem(pItem->mask, pItem->iItem, pItem->pszText, pItem->state, pItem->stateMask, pItem->iImage,
                      pItem->lParam);
}

int CListCtrl::InsertItem(UINT nMask, int nItem, LPCTSTR lpszItem, UINT nState, UINT nStateMask, int nImage,
                          LPARAM lParam)
{
    qv::WindowCore* core = Core();
    if (!core || nItem < 0)
        return -1;
    const int index = std::min(nItem, static_cast<int>(core->rows.size()));
    qv::ListViewRow row;
    row.cells.resize(CellCount(core));
    if ((nMask & LVIF_TEXT) && lpszItem)
        row.cells[0] = lpszItem;
    if (nMask & LVIF_PARAM)
        row.data = static_cast<DWORD_PTR>(lParam);
    if (nMask & LVIF_IMAGE)
        row.image = nImage;
    if (core->lvExStyle & LVS_EX_CHECKBOXES)
        row.state = CheckImage(false);
    core->rows.insert(core->rows.begin() + index, std::move(row));
    if (core->selectionMark >= index)
        ++core->selectionMark;
    if (nMask & LVIF_STATE)
        SetItemState(index, nState, nStateMask);
    core->invalid = true;
    return index;
}

BOOL CListCtrl::DeleteItem(int nItem)
{
    qv::WindowCore* core = Core();
    if (!ValidRow(core, nItem))
        return FALSE;
    core->EraseRow(static_cast<size_t>(nItem));
    if (core->selectionMark == nItem)
        core->selectionMark = -1;
    else if (core->selectionMark > nItem)
        --core->selectionMark;
    core->topIndex = std::clamp(core->topIndex, 0, std::max(0, static_cast<int>(core->rows.size()) - 1));
    core->invalid = true;
    return TRUE;
}

BOOL CListCtrl::DeleteAllItems()
{
    qv::WindowCore* core = Core();
    if (!core)
        return FALSE;
    core->ClearRows();
    core->selectionMark = -1;
    core->topIndex = 0;
    core->invalid = true;
    return TRUE;
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCTSTR lpszText)
{
    qv::WindowCore* core = Core();
    if (!ValidRow(core, nItem) || nSubItem < 0 || static_cast<size_t>(nSubItem) >= CellCount(core))
        return FALSE;
    auto& cells = core->rows[static_cast<size_t>(nItem)].cells;
    cells.resize(CellCount(core));
    cells[static_cast<size_t>(nSubItem)] = lpszText ? lpszText : "";
    core->invalid = true;
    return TRUE;
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const
{
    qv::WindowCore* core = Core();
    if (!ValidRow(core, nItem) || nSubItem < 0)
        return CString();
    const auto& cells = core->rows[static_cast<size_t>(nItem)].cells;
    return static_cast<size_t>(nSubItem) < cells.size() ? CString(cells[static_cast<size_t>(nSubItem)].c_str())
                                                        : CString();
}

int CListCtrl::GetItemText(int nItem, int nSubItem, LPTSTR lpszText, int nLen) const
{
    if (!lpszText || nLen <= 0)
        return 0;
    const CString text = GetItemText(nItem, nSubItem);
    const int n = std::min(text.GetLength(), nLen - 1);
    std::memcpy(lpszText, static_cast<LPCTSTR>(text), static_cast<size_t>(n));
    lpszText[n] = 0;
    return n;
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData)
{
    qv::WindowCore* core = Core();
    if (!ValidRow(core, nItem))
        return FALSE;
    core->rows[static_cast<size_t>(nItem)].data = dwData;
    return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const
{
    qv::WindowCore* core = Core();
    return ValidRow(core, nItem) ? core->rows[static_cast<size_t>(nItem)].data : 0;
}

BOOL CListCtrl::SetItem(const LVITEM* pItem)
{
    qv::WindowCore* core = Core();
    if (!pItem || !ValidRow(core, pItem->iItem))
        return FALSE;
    if ((pItem->mask & LVIF_TEXT) && !SetItemText(pItem->iItem, pItem->iSubItem, pItem->pszText))
        return FALSE;
    if (pItem->iSubItem == 0) {
        qv::ListViewRow& row = core->rows[static_cast<size_t>(pItem->iItem)];
        if (pItem->mask & LVIF_PARAM)
            row.data = static_cast<DWORD_PTR>(pItem->lParam);
        if (pItem->mask & LVIF_IMAGE)
            row.image = pItem->iImage;
        if (pItem->mask & LVIF_STATE)
            SetItemState(pItem->iItem, pItem->state, pItem->stateMask);
    }
    return TRUE;
}

BOOL CListCtrl::GetItem(LVITEM* pItem) const
{
    qv::WindowCore* core = Core();
    if (!pItem || !ValidRow(core, pItem->iItem))
        return FALSE;
    const qv::ListViewRow& row = core->rows[static_cast<size_t>(pItem->iItem)];
    if (pItem->mask & LVIF_TEXT)
        GetItemText(pItem->iItem, pItem->iSubItem, pItem->pszText, pItem->cchTextMax);
    if (pItem->mask & LVIF_PARAM)
        pItem->lParam = static_cast<LPARAM>(row.data);
    if (pItem->mask & LVIF_IMAGE)
        pItem->iImage = row.image;
    if (pItem->mask & LVIF_STATE)
        pItem->state = row.state & pItem->stateMask;
    return TRUE;
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask)
{
    qv::WindowCore* core = Core();
    if (!core || (nItem != -1 && !ValidRow(core, nItem)))
        return FALSE;
    const int n = static_cast<int>(core->rows.size());
    auto change = [core](int i, UINT keep, UINT add) {
        const UINT state = core->rows[static_cast<size_t>(i)].state;
        core->SetRowState(static_cast<size_t>(i), (state & keep) | add);
    };
    if (nItem == -1)
        for (int i = 0; i < n; ++i)
            change(i, ~nMask, nState & nMask);
    else
        change(nItem, ~nMask, nState & nMask);
    // One focused item; one selected item in a single-selection list. Other rows are looked at
    // only while there are such rows besides this one.
    if (nItem != -1) {
        const UINT state = core->rows[static_cast<size_t>(nItem)].state;
        UINT unique = 0;
        if ((nMask & LVIS_FOCUSED) && (state & LVIS_FOCUSED) && core->focusedRows > 1)
            unique |= LVIS_FOCUSED;
        if ((core->style & LVS_SINGLESEL) && (nMask & LVIS_SELECTED) && (state & LVIS_SELECTED) &&
            core->selectedRows > 1)
            unique |= LVIS_SELECTED;
        for (int i = 0; i < n && unique; ++i)
            if (i != nItem)
                change(i, ~unique, 0);
        if ((nMask & LVIS_SELECTED) && (state & LVIS_SELECTED))
            core->selectionMark = nItem;
    }
    core->invalid = true;
    return TRUE;
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const
{
    qv::WindowCore* core = Core();
    return ValidRow(core, nItem) ? core->rows[static_cast<size_t>(nItem)].state & nMask : 0;
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const
{
    qv::WindowCore* core = Core();
    if (!core)
        return -1;
    const int n = static_cast<int>(core->rows.size());
    const UINT want = static_cast<UINT>(nFlags) & (LVNI_SELECTED | LVNI_FOCUSED);
    // Without a selected (or focused) row nothing is looked for.
    if (((want & LVNI_SELECTED) && core->selectedRows == 0) || ((want & LVNI_FOCUSED) && core->focusedRows == 0))
        return -1;
    auto matches = [&](int i) { return (core->rows[static_cast<size_t>(i)].state & want) == want; };
    if (nFlags & (LVNI_ABOVE | LVNI_TOLEFT)) {
        for (int i = std::min(nItem, n) - 1; i >= 0; --i)
            if (matches(i))
                return i;
        return -1;
    }
    for (int i = std::max(nItem + 1, 0); i < n; ++i)
        if (matches(i))
            return i;
    return -1;
}

UINT CListCtrl::GetSelectedCount() const
{
    qv::WindowCore* core = Core();
    if (!core)
        return 0;
    return static_cast<UINT>(core->selectedRows);
}

int CListCtrl::GetSelectionMark() const
{
    qv::WindowCore* core = Core();
    return core ? core->selectionMark : -1;
}

int CListCtrl::SetSelectionMark(int iIndex)
{
    qv::WindowCore* core = Core();
    if (!core)
        return -1;
    const int old = core->selectionMark;
    core->selectionMark = ValidRow(core, iIndex) ? iIndex : -1;
    return old;
}

BOOL CListCtrl::SetCheck(int nItem, BOOL fCheck)
{
    return SetItemState(nItem, CheckImage(fCheck != FALSE), LVIS_STATEIMAGEMASK);
}

BOOL CListCtrl::GetCheck(int nItem) const
{
    return ((GetItemState(nItem, LVIS_STATEIMAGEMASK) >> 12) - 1) == 1;
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle)
{
    qv::WindowCore* core = Core();
    if (!core)
        return 0;
    const DWORD old = core->lvExStyle;
    core->lvExStyle = dwNewStyle;
    if ((dwNewStyle & LVS_EX_CHECKBOXES) && !(old & LVS_EX_CHECKBOXES))
        for (auto& row : core->rows)
            if (!(row.state & LVIS_STATEIMAGEMASK))
                row.state |= CheckImage(false);
    core->invalid = true;
    return old;
}

DWORD CListCtrl::GetExtendedStyle() const
{
    qv::WindowCore* core = Core();
    return core ? core->lvExStyle : 0;
}

int CListCtrl::GetCountPerPage() const
{
    qv::WindowCore* core = Core();
    if (!core)
        return 0;
    const int height = core->rect.bottom - core->rect.top - kHeaderHeight;
    return std::max(1, height / kRowHeight);
}

int CListCtrl::GetTopIndex() const
{
    qv::WindowCore* core = Core();
    return core ? core->topIndex : 0;
}

BOOL CListCtrl::EnsureVisible(int nItem, BOOL)
{
    qv::WindowCore* core = Core();
    if (!ValidRow(core, nItem))
        return FALSE;
    const int perPage = GetCountPerPage();
    if (nItem < core->topIndex)
        core->topIndex = nItem;
    else if (nItem >= core->topIndex + perPage)
        core->topIndex = nItem - perPage + 1;
    return TRUE;
}

BOOL CListCtrl::GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const
{
    qv::WindowCore* core = Core();
    if (!lpRect || !ValidRow(core, nItem))
        return FALSE;
    int width = 0;
    for (const auto& c : core->columns)
        width += c.width;
    const int top = kHeaderHeight + (nItem - core->topIndex) * kRowHeight;
    int right = width;
    if ((nCode == LVIR_LABEL || nCode == LVIR_ICON) && !core->columns.empty())
        right = core->columns[0].width;
    *lpRect = RECT{0, top, right, top + kRowHeight};
    return TRUE;
}

bool qv::ListCellRect(const WindowCore* core, int row, int column, RECT& rect)
{
    if (!ValidRow(core, row) || column < 0 || (column > 0 && column >= static_cast<int>(core->columns.size())))
        return false;
    const int top = CListCtrl::kHeaderHeight + (row - core->topIndex) * CListCtrl::kRowHeight;
    int left = 0;
    for (int i = 0; i < column; ++i)
        left += core->columns[static_cast<size_t>(i)].width;
    const int width = core->columns.empty() ? core->rect.right - core->rect.left
                                            : core->columns[static_cast<size_t>(column)].width;
    rect = RECT{left, top, left + width, top + CListCtrl::kRowHeight};
    return true;
}

BOOL CListCtrl::GetSubItemRect(int iItem, int iSubItem, int nArea, CRect& ref) const
{
    qv::WindowCore* core = Core();
    if (iSubItem == 0 && nArea == LVIR_BOUNDS) {
        RECT row{};
        if (!GetItemRect(iItem, &row, LVIR_BOUNDS))
            return FALSE;
        ref = row;
        return TRUE;
    }
    RECT cell{};
    if (!core || !qv::ListCellRect(core, iItem, iSubItem, cell))
        return FALSE;
    ref = cell;
    return TRUE;
}

int CListCtrl::HitTest(CPoint pt, UINT* pFlags) const
{
    LVHITTESTINFO info{};
    info.pt = pt;
    const int item = HitTest(&info);
    if (pFlags)
        *pFlags = info.flags;
    return item;
}

int CListCtrl::HitTest(LVHITTESTINFO* pInfo) const
{
    return SubItemHitTest(pInfo);
}

int CListCtrl::SubItemHitTest(LVHITTESTINFO* pInfo) const
{
    qv::WindowCore* core = Core();
    if (!pInfo)
        return -1;
    pInfo->iItem = -1;
    pInfo->iSubItem = 0;
    pInfo->flags = LVHT_NOWHERE;
    if (!core)
        return -1;
    const POINT pt = pInfo->pt;
    if (pt.y < kHeaderHeight) {
        pInfo->flags = LVHT_ABOVE;
        return -1;
    }
    const int item = core->topIndex + (pt.y - kHeaderHeight) / kRowHeight;
    if (!ValidRow(core, item))
        return -1;
    int left = 0;
    const int columns = static_cast<int>(core->columns.size());
    for (int c = 0; c < std::max(columns, 1); ++c) {
        const int width = columns ? core->columns[static_cast<size_t>(c)].width : core->rect.right - core->rect.left;
        if (pt.x >= left && pt.x < left + width) {
            pInfo->iItem = item;
            pInfo->iSubItem = c;
            pInfo->flags = (c == 0 && (core->lvExStyle & LVS_EX_CHECKBOXES) && pt.x < 16) ? LVHT_ONITEMSTATEICON
                                                                                         : LVHT_ONITEMLABEL;
            return item;
        }
        left += width;
    }
    pInfo->flags = pt.x < 0 ? LVHT_TOLEFT : LVHT_TORIGHT;
    return -1;
}

CImageList* CListCtrl::SetImageList(CImageList* pImageList, int nImageListType)
{
    qv::WindowCore* core = Core();
    if (!core || nImageListType < 0 || nImageListType > 2)
        return nullptr;
    CImageList* old = core->imageLists[nImageListType];
    core->imageLists[nImageListType] = pImageList;
    return old;
}

CImageList* CListCtrl::GetImageList(int nImageListType) const
{
    qv::WindowCore* core = Core();
    if (!core || nImageListType < 0 || nImageListType > 2)
        return nullptr;
    return core->imageLists[nImageListType];
}
