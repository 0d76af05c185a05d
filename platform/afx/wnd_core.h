// The state record behind a window handle. Every window of the layer has one; the C++ objects
// attached to the handle are views of it. Only the windows layer uses this header.
#pragma once

#include "afx/wnd.h"

#include <string>
#include <vector>

class CImageList;

namespace qv {

// Kinds of window with built-in behaviour, chosen by the window class name.
enum class WindowKind { Generic, Dialog, Button, Edit, Static, ComboBox, ListBox, ListView, UpDown, Header };

WindowKind KindFromClassName(const std::string& className);

struct ListEntry {
    std::string text;
    DWORD_PTR data = 0;
    bool selected = false; // list boxes with several selected entries
};

struct ListViewColumn {
    std::string text;
    int width = 0;
    int format = 0;
};

struct ListViewRow {
    std::vector<std::string> cells; // one per column at least; cell 0 is the item text
    DWORD_PTR data = 0;
    UINT state = 0;                 // LVIS_ bits, state image in LVIS_STATEIMAGEMASK
    int image = -1;
};

// The layer-made objects of a window that a program's own objects replaced by subclassing,
// oldest first; they keep working for whoever still holds them and die with the window. A page
// subclasses a template control once, as a rule (a tenth of all windows), so the first is kept
// in place rather than in an allocated list.
class RetiredViews {
public:
    bool Empty() const { return m_first == nullptr; }
    void Add(CWnd* view)
    {
        if (!m_first)
            m_first = view;
        else
            m_more.push_back(view);
    }
    // Removes and returns the newest one (null when there is none).
    CWnd* TakeNewest()
    {
        CWnd* view = m_first;
        if (!m_more.empty()) {
            view = m_more.back();
            m_more.pop_back();
        } else {
            m_first = nullptr;
        }
        return view;
    }
    void Remove(CWnd* view);
    template <class Visit>
    void ForEach(Visit visit) const
    {
        if (m_first)
            visit(m_first);
        for (CWnd* view : m_more)
            visit(view);
    }

private:
    CWnd* m_first = nullptr;
    std::vector<CWnd*> m_more; // the ones after the first
};

class WindowCore : public MessageTarget {
public:
    WindowCore() = default;
    virtual ~WindowCore();
    bool IsWindowCore() const override { return true; }
    WindowCore(const WindowCore&) = delete;
    WindowCore& operator=(const WindowCore&) = delete;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Records come from those freed before (see wnd.cpp): a page makes and drops dozens at a
    // time, more than the heap keeps at hand for a block of this size.
    static void* operator new(size_t size);
    static void operator delete(void* block, size_t size);

    HWND hwnd = nullptr;
    CWnd* object = nullptr;         // the C++ object messages go to (set through SetObject)
    bool ownsObject = false;        // object was made by the layer and dies with the window
    void SetObject(CWnd* attached, bool owns);
    // Whether the object's messages other than commands and notifications find nothing in its
    // maps and go to the default processing: it is of exactly one of the standard classes
    // (IsStandardControlObject), or a control of a class that adds no message map entries.
    bool HasPlainObject() const { return object != nullptr && object == plainObject; }
    RetiredViews retired;
    bool destroying = false;

    WindowCore* parent = nullptr;
    // In creation order (the template's tab order). Changed only through AddChild, RemoveChild
    // and ClearChildren, which keep the index by control ID in step.
    std::vector<WindowCore*> children;

    int id = 0;
    std::string className;
    WindowKind kind = WindowKind::Generic;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string text;
    RECT rect{0, 0, 0, 0};          // in the parent's client coordinates
    bool invalid = false;
    bool redraw = true;
    HMENU menu = nullptr;

    // Buttons.
    int check = BST_UNCHECKED;
    bool pushed = false;

    // Edits (and the edit part of drop-down combo boxes).
    int selStart = 0;
    int selEnd = 0;
    int limit = 0;                  // 0: no limit beyond the platform's
    bool modified = false;

    // Combo and list boxes.
    std::vector<ListEntry> entries;
    int curSel = -1;
    bool droppedDown = false;

    // List views. A row's state changes through SetRowState, and rows go through EraseRow and
    // ClearRows, which keep count of the rows selected and focused: a list of a million rows
    // answers "which row is selected" at once when none is, as after every row typed in.
    std::vector<ListViewColumn> columns;
    std::vector<ListViewRow> rows;
    size_t selectedRows = 0;
    size_t focusedRows = 0;
    void SetRowState(size_t row, UINT state);
    void EraseRow(size_t row);
    void ClearRows();
    DWORD lvExStyle = 0;
    CImageList* imageLists[3] = {nullptr, nullptr, nullptr};
    int topIndex = 0;
    int selectionMark = -1;

    // Up-down controls. As the platform's, a control whose range was never set runs from 100
    // (its minimum, `lower`) to 0 (its maximum, `upper`): the up arrow moves toward the
    // maximum, so it lowers the position until a page sets a range of its own.
    int lower = 100;
    int upper = 0;
    int pos = 0;
    HWND buddy = nullptr;
    int base = 10;

    // The first child (not grandchild) in creation order with the control ID, or null.
    WindowCore* Child(int childId) const
    {
        if (childIndexStale)
            IndexChildren();
        const size_t mask = childIndex.size() - 1;
        for (size_t i = Slot(childId, mask);; i = (i + 1) & mask) {
            const IndexEntry& e = childIndex[i];
            if (e.child == nullptr)
                return nullptr;
            if (e.id == childId)
                return e.child;
        }
    }
    void AddChild(WindowCore* child);
    void RemoveChild(WindowCore* child);
    void ClearChildren();
    // A child's control ID changed: the index is made again at the next look-up.
    void ChildIdChanged() { childIndexStale = true; }
    bool IsDescendantOf(const WindowCore* ancestor) const;

private:
    // `object` when HasPlainObject holds for it (set with the object).
    const CWnd* plainObject = nullptr;
    // The children by control ID, in a table of open addressing that is made again from
    // `children` after a child went or changed its ID: pages look their controls up by ID for
    // every value they exchange, and a walk of a page's controls each time cost a tenth of the
    // host's time.
    struct IndexEntry {
        int id;
        WindowCore* child;   // null: a free place
    };
    static size_t Slot(int childId, size_t mask)
    {
        return (static_cast<size_t>(static_cast<unsigned>(childId)) * 0x9E3779B1u >> 7) & mask;
    }
    bool IndexChild(WindowCore* child) const;   // false when the ID has a child already
    void IndexChildren() const;                 // makes the index again from `children`
    mutable std::vector<IndexEntry> childIndex;
    mutable size_t childIndexLive = 0;
    mutable bool childIndexStale = true;
};

// The record behind a live handle of the layer, or null.
WindowCore* CoreFromHandle(HWND hwnd);

// Creates the record and handle of a window with the given object attached.
WindowCore* CreateCore(CWnd* object, bool ownsObject, const std::string& className, const std::string& text,
                       DWORD style, DWORD exStyle, const RECT& rect, WindowCore* parent, int id);
// The same for a class whose kind is known (KindFromClassName).
WindowCore* CreateCore(CWnd* object, bool ownsObject, const std::string& className, WindowKind kind,
                       const std::string& text, DWORD style, DWORD exStyle, const RECT& rect, WindowCore* parent,
                       int id);

// Destroys a window and its children: WM_DESTROY to each (parent first), then the handles go,
// attached objects are detached and layer-made objects are deleted.
void DestroyCore(WindowCore* core);

// Sends a WM_COMMAND notification from a control to its parent.
void NotifyParent(WindowCore* control, UINT code);
// Sends a WM_NOTIFY record from a control to its parent; returns the parent's answer.
LRESULT NotifyParent(WindowCore* control, NMHDR& header);

// The answer to WM_GETTEXT: copies at most size - 1 bytes of the text and a terminator into
// the buffer and returns how many bytes of text it copied (0 for no buffer or no room).
LRESULT CopyWindowText(const std::string& text, WPARAM size, LPARAM buffer);

// The text the default processing answers WM_GETTEXT with: a drop-down list's selected
// entry, every other window's own text.
const std::string& DefaultWindowText(const WindowCore* core);

// What CWnd::DefWindowProc does for `self`, whose record is `core`: the standard controls'
// own messages, then what every window does with its text, painting, closing and owner
// drawing.
LRESULT DefaultWindowProc(CWnd& self, WindowCore* core, UINT message, WPARAM wParam, LPARAM lParam);

// WM_SETTEXT sent to a control. An edit whose messages go to the default processing has its
// text set on its record at once: pages exchange dozens of values through edits.
LRESULT SendSetText(WindowCore* control, const char* text);
// CB_ADDSTRING sent to a control. A combo box whose messages go to the default processing has
// the entry added on its record at once: a page's unit selectors add a few dozen.
LRESULT SendAddString(WindowCore* control, const char* text);
// BM_GETCHECK and BM_SETCHECK sent to a control. A button whose messages go to the default
// processing has its check read and set on its record at once: pages exchange and test dozens
// of check boxes each time.
LRESULT SendGetCheck(WindowCore* control);
void SendSetCheck(WindowCore* control, WPARAM check);

// Replaces an edit's selection with text (within its limit); the caret follows the text.
void ReplaceSelection(WindowCore* edit, const std::string& text);
// A click on a button: auto check boxes toggle, auto three-state boxes cycle, auto radio
// buttons check themselves and uncheck their group; then BN_CLICKED goes to the parent.
// Disabled buttons and group boxes ignore it.
void ClickButton(WindowCore* button);
// A click on an up-down arrow (delta +1 up, -1 down): UDN_DELTAPOS to the parent, which
// refuses with a non-zero answer; else the position moves, the buddy follows and the parent
// gets WM_VSCROLL (WM_HSCROLL). False when refused or disabled. The up arrow moves toward the
// range's maximum (`upper`), so for a reversed range, such as the default 100..0, the
// notification's iDelta is -1 for the up arrow.
bool ClickSpin(WindowCore* spin, int delta);

// The place of a cell of a report list view in its client area; false for no such cell.
bool ListCellRect(const WindowCore* list, int row, int column, RECT& rect);

// Edits place characters on a fixed grid: kEditCharWidth pixels per character, one line
// every kEditLineHeight pixels (the dialog base units of the templates).
constexpr int kEditCharWidth = 6;
constexpr int kEditLineHeight = 13;
// The place of a character of an edit in its client area (the end of the text included).
POINT EditCharPosition(const WindowCore* edit, int index);
// The caret: one per process, as on the original one per thread. The focused edit keeps it
// at the end of its selection.
void SetCaretFromEdit(WindowCore* edit);
POINT CaretPosition();
void SetCaretPosition(POINT p);

// The window that has the focus (null when none).
WindowCore* FocusCore();
void SetFocusCore(WindowCore* core);

// Makes a C++ object of the kind that suits a control's class ("Button" gives a CButton, ...);
// the toolkit can replace the factory for its own classes.
typedef CWnd* (*ControlFactory)(const std::string& className, DWORD style);
CWnd* MakeControlObject(const std::string& className, DWORD style);
// The same for a class whose kind is known (KindFromClassName).
CWnd* MakeControlObject(const std::string& className, DWORD style, WindowKind kind);
// Whether the object is of exactly one of the standard classes MakeControlObject makes by
// default (CButton, CEdit, ...; not a class derived from one).
bool IsStandardControlObject(const CWnd* object);
void SetControlFactory(ControlFactory factory);

} // namespace qv
