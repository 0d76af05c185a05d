// Windows without a screen: command targets, message maps and CWnd.
//
// A window is an object with a control ID, a window class name, style bits, a text, enabled
// and visible flags, a rectangle, a parent and children. Its state lives in a record behind
// its handle (qv::WindowCore), so every C++ object attached to the handle sees the same
// state: the generic object that the layer makes for a control of a dialog template, and
// the page member that DDX_Control or SubclassDlgItem attaches to it later.
//
// Messages are dispatched synchronously: SendMessage calls the attached object's WindowProc,
// which looks the message up in the per-class message maps (most derived class first) and
// falls back to DefWindowProc, where the standard controls keep their behaviour.
//
// Deliberate differences from the original platform:
// - Notifications come only from user actions (see qv::ui in user_script.h). Setting a text,
//   a check or a selection from code sends none; the original sends EN_CHANGE for an edit's
//   SetWindowText, which here would make pages mark themselves modified while they fill
//   their own fields.
// - Coordinates: there is no screen. A window's "screen" rectangle (GetWindowRect) is its
//   rectangle in its parent's client area and ScreenToClient/ClientToScreen leave points
//   unchanged, so the usual GetWindowRect + ScreenToClient of a dialog gives a control's
//   place in the dialog. Dialog units of templates become pixels with a fixed base of
//   6 x 13 pixels per 4 x 8 dialog units.
// - There is no message queue: PostMessage delivers at once.
// - IsWindowVisible is the original's: a window counts as visible only when it and its
//   parents up to the top-level window carry WS_VISIBLE, so the controls of a page in a
//   hidden sheet are not visible; GetStyle() & WS_VISIBLE gives a control's own flag.
// - Message-map handlers are given as pointers to members, `&CMyPage::OnClick`.
#pragma once

#include "afx/cstring.h"
#include "afx/geometry.h"
#include "afx/object.h"
#include "afx/wndconst.h"
#include "win32/winuser.h"
#include "win32/window_handle.h"
#include "win32/wintypes.h"

#include <new>

class CCmdTarget;
class CWnd;
class CCmdUI;
class CMenu;
class CDataExchange;
class CScrollBar;

namespace qv {
class WindowCore;
// How many window handles have gone; changed only by the windows layer (see CWnd::Core).
extern unsigned long g_windowsGone;
}

// ---------------------------------------------------------------------------------------
// Message maps. Every class that declares DECLARE_MESSAGE_MAP has a static table of entries;
// each entry names a message (and for WM_COMMAND/WM_NOTIFY a notification code and a range
// of control IDs) and a thunk that calls the member handler with the right arguments. The
// table points to the base class's table, so lookup walks from the most derived class up.

namespace qv {
// What a handler thunk receives.
struct MsgArgs {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    UINT id;       // control or command ID (WM_COMMAND, WM_NOTIFY)
    UINT code;     // notification code
    void* extra;   // CCmdUI* for command-update handlers
    LRESULT* result;
};
// Calls the handler; returns FALSE when the handler declined (the _EX forms), else TRUE.
typedef BOOL (*MsgThunk)(CCmdTarget* target, const MsgArgs& args);
} // namespace qv

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    qv::MsgThunk pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Code of a command-update request in WM_COMMAND-style lookups.
#define CN_COMMAND 0
#define CN_UPDATE_COMMAND_UI ((UINT)(-1))

// CCmdTarget declares the root of GetMessageMap itself, so every class that uses this macro
// overrides it and says so (clang warns about classes that mix marked and unmarked overrides).
#define DECLARE_MESSAGE_MAP()                               \
protected:                                                  \
    static const AFX_MSGMAP* GetThisMessageMap();           \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                    \
    {                                                                                  \
        typedef theClass ThisClass;                                                    \
        typedef baseClass TheBaseClass;                                                \
        static const AFX_MSGMAP_ENTRY qv_messageEntries[] = {

#define END_MESSAGE_MAP()                                                                    \
            {0, 0, 0, 0, nullptr}};                                                          \
        static const AFX_MSGMAP qv_messageMap = {&TheBaseClass::GetThisMessageMap, &qv_messageEntries[0]}; \
        (void)sizeof(ThisClass*);                                                            \
        return &qv_messageMap;                                                               \
    }

#define QV_THUNK(body) \
    [](CCmdTarget* qv_target, const qv::MsgArgs& qv_args) -> BOOL { \
        ThisClass* qv_self = static_cast<ThisClass*>(qv_target);   \
        (void)qv_self; (void)qv_args;                              \
        body;                                                      \
    }

// WM_COMMAND notifications of controls and commands of menus.
#define ON_CONTROL(nCode, nID, memberFxn) \
    {WM_COMMAND, (UINT)(nCode), (UINT)(nID), (UINT)(nID), QV_THUNK((qv_self->*(memberFxn))(); return TRUE)},
#define ON_CONTROL_RANGE(nCode, nID, nIDLast, memberFxn) \
    {WM_COMMAND, (UINT)(nCode), (UINT)(nID), (UINT)(nIDLast), QV_THUNK((qv_self->*(memberFxn))(qv_args.id); return TRUE)},
#define ON_COMMAND(nID, memberFxn) ON_CONTROL(CN_COMMAND, nID, memberFxn)
#define ON_COMMAND_RANGE(nID, nIDLast, memberFxn) ON_CONTROL_RANGE(CN_COMMAND, nID, nIDLast, memberFxn)
#define ON_COMMAND_EX(nID, memberFxn) \
    {WM_COMMAND, CN_COMMAND, (UINT)(nID), (UINT)(nID), QV_THUNK(return (qv_self->*(memberFxn))(qv_args.id))},
#define ON_UPDATE_COMMAND_UI(nID, memberFxn) \
    {WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(nID), (UINT)(nID), QV_THUNK((qv_self->*(memberFxn))(static_cast<CCmdUI*>(qv_args.extra)); return TRUE)},
#define ON_UPDATE_COMMAND_UI_RANGE(nID, nIDLast, memberFxn) \
    {WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(nID), (UINT)(nIDLast), QV_THUNK((qv_self->*(memberFxn))(static_cast<CCmdUI*>(qv_args.extra)); return TRUE)},

#define ON_BN_CLICKED(nID, memberFxn) ON_CONTROL(BN_CLICKED, nID, memberFxn)
#define ON_BN_DOUBLECLICKED(nID, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, nID, memberFxn)
#define ON_BN_SETFOCUS(nID, memberFxn) ON_CONTROL(BN_SETFOCUS, nID, memberFxn)
#define ON_BN_KILLFOCUS(nID, memberFxn) ON_CONTROL(BN_KILLFOCUS, nID, memberFxn)
#define ON_EN_CHANGE(nID, memberFxn) ON_CONTROL(EN_CHANGE, nID, memberFxn)
#define ON_EN_UPDATE(nID, memberFxn) ON_CONTROL(EN_UPDATE, nID, memberFxn)
#define ON_EN_SETFOCUS(nID, memberFxn) ON_CONTROL(EN_SETFOCUS, nID, memberFxn)
#define ON_EN_KILLFOCUS(nID, memberFxn) ON_CONTROL(EN_KILLFOCUS, nID, memberFxn)
#define ON_EN_MAXTEXT(nID, memberFxn) ON_CONTROL(EN_MAXTEXT, nID, memberFxn)
#define ON_CBN_SELCHANGE(nID, memberFxn) ON_CONTROL(CBN_SELCHANGE, nID, memberFxn)
#define ON_CBN_DBLCLK(nID, memberFxn) ON_CONTROL(CBN_DBLCLK, nID, memberFxn)
#define ON_CBN_SETFOCUS(nID, memberFxn) ON_CONTROL(CBN_SETFOCUS, nID, memberFxn)
#define ON_CBN_KILLFOCUS(nID, memberFxn) ON_CONTROL(CBN_KILLFOCUS, nID, memberFxn)
#define ON_CBN_EDITCHANGE(nID, memberFxn) ON_CONTROL(CBN_EDITCHANGE, nID, memberFxn)
#define ON_CBN_EDITUPDATE(nID, memberFxn) ON_CONTROL(CBN_EDITUPDATE, nID, memberFxn)
#define ON_CBN_DROPDOWN(nID, memberFxn) ON_CONTROL(CBN_DROPDOWN, nID, memberFxn)
#define ON_CBN_CLOSEUP(nID, memberFxn) ON_CONTROL(CBN_CLOSEUP, nID, memberFxn)
#define ON_CBN_SELENDOK(nID, memberFxn) ON_CONTROL(CBN_SELENDOK, nID, memberFxn)
#define ON_CBN_SELENDCANCEL(nID, memberFxn) ON_CONTROL(CBN_SELENDCANCEL, nID, memberFxn)
#define ON_LBN_SELCHANGE(nID, memberFxn) ON_CONTROL(LBN_SELCHANGE, nID, memberFxn)
#define ON_LBN_DBLCLK(nID, memberFxn) ON_CONTROL(LBN_DBLCLK, nID, memberFxn)
#define ON_LBN_SETFOCUS(nID, memberFxn) ON_CONTROL(LBN_SETFOCUS, nID, memberFxn)
#define ON_LBN_KILLFOCUS(nID, memberFxn) ON_CONTROL(LBN_KILLFOCUS, nID, memberFxn)
#define ON_STN_CLICKED(nID, memberFxn) ON_CONTROL(STN_CLICKED, nID, memberFxn)
#define ON_STN_DBLCLK(nID, memberFxn) ON_CONTROL(STN_DBLCLK, nID, memberFxn)

// WM_NOTIFY: handler (NMHDR* pNMHDR, LRESULT* pResult); the range form gets the ID first.
#define ON_NOTIFY(nCode, nID, memberFxn) \
    {WM_NOTIFY, (UINT)(nCode), (UINT)(nID), (UINT)(nID), QV_THUNK((qv_self->*(memberFxn))(reinterpret_cast<NMHDR*>(qv_args.lParam), qv_args.result); return TRUE)},
#define ON_NOTIFY_RANGE(nCode, nID, nIDLast, memberFxn) \
    {WM_NOTIFY, (UINT)(nCode), (UINT)(nID), (UINT)(nIDLast), QV_THUNK((qv_self->*(memberFxn))(qv_args.id, reinterpret_cast<NMHDR*>(qv_args.lParam), qv_args.result); return TRUE)},
#define ON_NOTIFY_EX(nCode, nID, memberFxn) \
    {WM_NOTIFY, (UINT)(nCode), (UINT)(nID), (UINT)(nID), QV_THUNK(return (qv_self->*(memberFxn))(qv_args.id, reinterpret_cast<NMHDR*>(qv_args.lParam), qv_args.result))},

// Reflected notifications: the control handles its own notification before its parent; the
// parent does not see it unless the _EX handler returns FALSE.
#define ON_CONTROL_REFLECT(nCode, memberFxn) \
    {WM_REFLECT_BASE + WM_COMMAND, (UINT)(nCode), 0, 0, QV_THUNK((qv_self->*(memberFxn))(); return TRUE)},
#define ON_CONTROL_REFLECT_EX(nCode, memberFxn) \
    {WM_REFLECT_BASE + WM_COMMAND, (UINT)(nCode), 0, 0, QV_THUNK(return (qv_self->*(memberFxn))())},
#define ON_NOTIFY_REFLECT(nCode, memberFxn) \
    {WM_REFLECT_BASE + WM_NOTIFY, (UINT)(nCode), 0, 0, QV_THUNK((qv_self->*(memberFxn))(reinterpret_cast<NMHDR*>(qv_args.lParam), qv_args.result); return TRUE)},
#define ON_NOTIFY_REFLECT_EX(nCode, memberFxn) \
    {WM_REFLECT_BASE + WM_NOTIFY, (UINT)(nCode), 0, 0, QV_THUNK(return (qv_self->*(memberFxn))(reinterpret_cast<NMHDR*>(qv_args.lParam), qv_args.result))},

// Any message: LRESULT handler(WPARAM, LPARAM).
#define ON_MESSAGE(nMessage, memberFxn) \
    {(UINT)(nMessage), 0, 0, 0, QV_THUNK(*qv_args.result = (qv_self->*(memberFxn))(qv_args.wParam, qv_args.lParam); return TRUE)},

// Standard window messages with their usual handler names and arguments.
#define QV_ON_WM(nMessage, call) {(UINT)(nMessage), 0, 0, 0, QV_THUNK(call; return TRUE)},
#define ON_WM_CREATE() {WM_CREATE, 0, 0, 0, QV_THUNK(*qv_args.result = qv_self->OnCreate(reinterpret_cast<void*>(qv_args.lParam)); return TRUE)},
#define ON_WM_DESTROY() QV_ON_WM(WM_DESTROY, qv_self->OnDestroy())
#define ON_WM_PAINT() QV_ON_WM(WM_PAINT, qv_self->OnPaint())
#define ON_WM_SIZE() QV_ON_WM(WM_SIZE, qv_self->OnSize((UINT)qv_args.wParam, (short)LOWORD(qv_args.lParam), (short)HIWORD(qv_args.lParam)))
#define ON_WM_DRAWITEM() QV_ON_WM(WM_DRAWITEM, qv_self->OnDrawItem((int)qv_args.wParam, reinterpret_cast<LPDRAWITEMSTRUCT>(qv_args.lParam)))
#define ON_WM_CONTEXTMENU() QV_ON_WM(WM_CONTEXTMENU, qv_self->OnContextMenu(CWnd::FromHandle(reinterpret_cast<HWND>(qv_args.wParam)), CPoint(qv_args.lParam)))
#define ON_WM_SETFOCUS() QV_ON_WM(WM_SETFOCUS, qv_self->OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(qv_args.wParam))))
#define ON_WM_KILLFOCUS() QV_ON_WM(WM_KILLFOCUS, qv_self->OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(qv_args.wParam))))
#define ON_WM_CLOSE() QV_ON_WM(WM_CLOSE, qv_self->OnClose())
#define ON_WM_TIMER() QV_ON_WM(WM_TIMER, qv_self->OnTimer((UINT_PTR)qv_args.wParam))
#define ON_WM_SHOWWINDOW() QV_ON_WM(WM_SHOWWINDOW, qv_self->OnShowWindow((BOOL)qv_args.wParam, (UINT)qv_args.lParam))
#define ON_WM_ACTIVATE() QV_ON_WM(WM_ACTIVATE, qv_self->OnActivate((UINT)LOWORD(qv_args.wParam), CWnd::FromHandle(reinterpret_cast<HWND>(qv_args.lParam)), (BOOL)HIWORD(qv_args.wParam)))
#define ON_WM_ERASEBKGND() {WM_ERASEBKGND, 0, 0, 0, QV_THUNK(*qv_args.result = qv_self->OnEraseBkgnd(reinterpret_cast<HDC>(qv_args.wParam)); return TRUE)},
#define ON_WM_KEYDOWN() QV_ON_WM(WM_KEYDOWN, qv_self->OnKeyDown((UINT)qv_args.wParam, LOWORD(qv_args.lParam), HIWORD(qv_args.lParam)))
#define ON_WM_KEYUP() QV_ON_WM(WM_KEYUP, qv_self->OnKeyUp((UINT)qv_args.wParam, LOWORD(qv_args.lParam), HIWORD(qv_args.lParam)))
#define ON_WM_CHAR() QV_ON_WM(WM_CHAR, qv_self->OnChar((UINT)qv_args.wParam, LOWORD(qv_args.lParam), HIWORD(qv_args.lParam)))
#define QV_ON_MOUSE(nMessage, handler) QV_ON_WM(nMessage, qv_self->handler((UINT)qv_args.wParam, CPoint(qv_args.lParam)))
#define ON_WM_MOUSEMOVE() QV_ON_MOUSE(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() QV_ON_MOUSE(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() QV_ON_MOUSE(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() QV_ON_MOUSE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() QV_ON_MOUSE(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() QV_ON_MOUSE(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_HSCROLL() QV_ON_WM(WM_HSCROLL, qv_self->OnHScroll((UINT)LOWORD(qv_args.wParam), (UINT)(short)HIWORD(qv_args.wParam), reinterpret_cast<CScrollBar*>(CWnd::FromHandle(reinterpret_cast<HWND>(qv_args.lParam)))))
#define ON_WM_VSCROLL() QV_ON_WM(WM_VSCROLL, qv_self->OnVScroll((UINT)LOWORD(qv_args.wParam), (UINT)(short)HIWORD(qv_args.wParam), reinterpret_cast<CScrollBar*>(CWnd::FromHandle(reinterpret_cast<HWND>(qv_args.lParam)))))

// ---------------------------------------------------------------------------------------

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;

    // Looks a command (WM_COMMAND code and ID, or a command-update request with pExtra the
    // CCmdUI) up in the message maps; TRUE when a handler took it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

public:
    // The first entry for the message (code, ID) in this object's maps, most derived first.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;
    // Whether this object's maps hold any entry at all.
    bool HasMessageEntries() const;
    // Runs the handler found by FindMessageEntry; FALSE when there is none or it declined.
    BOOL DispatchToMap(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, void* extra,
                       LRESULT* result);
};

// Enables, checks or relabels one command of a menu while it is prepared.
// The handler's answers are recorded here; whoever asked (the popup menu) applies them.
class CCmdUI {
public:
    UINT m_nID = 0;
    UINT m_nIndex = 0;
    CMenu* m_pMenu = nullptr;
    CWnd* m_pOther = nullptr;
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bEnabled = TRUE;
    BOOL m_bCheckChanged = FALSE;
    int m_nCheck = 0;
    BOOL m_bTextChanged = FALSE;
    CString m_strText;

    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL bOn = TRUE) { m_bEnableChanged = TRUE; m_bEnabled = bOn; }
    virtual void SetCheck(int nCheck = 1) { m_bCheckChanged = TRUE; m_nCheck = nCheck; }
    virtual void SetRadio(BOOL bOn = TRUE) { SetCheck(bOn ? 1 : 0); }
    virtual void SetText(LPCTSTR lpszText) { m_bTextChanged = TRUE; m_strText = lpszText; }
};

class CWnd : public CCmdTarget {
    DECLARE_DYNCREATE(CWnd)
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // Window objects come from those freed before (see wnd.cpp), as window records do: a page
    // makes and drops dozens of controls.
    static void* operator new(size_t size);
    static void* operator new(size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* block, size_t size);
    static void operator delete(void* block, const std::nothrow_t&) noexcept;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return GetSafeHwnd(); }
    // The object attached to a live handle, or null for a null or destroyed handle.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd) { return FromHandle(hWnd); }

    // Creation. CreateMessageWindow makes a window with no parent and no template, which
    // only receives messages (the editor's command receiver is one).
    BOOL CreateMessageWindow();
    virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID, void* pContext = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, void* lpParam = nullptr);
    virtual BOOL DestroyWindow();
    // Attaches this object to an existing window (a control of a dialog): from then on the
    // window's messages reach this object and FromHandle/GetDlgItem return it.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();
    BOOL Attach(HWND hWnd) { return SubclassWindow(hWnd); }
    HWND Detach() { return UnsubclassWindow(); }

    // Messages.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // A control whose class adds no message map entries gets its messages (but commands and
    // notifications) processed by default without a call of this (WindowCore::HasPlainObject):
    // a control class that overrides it declares a message map with an entry.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A notification the parent received from this control: the control handles it first
    // through its reflected message-map entries. TRUE when the parent must not see it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual void PreSubclassWindow() {}
    virtual void PostNcDestroy() {}

    // Identity and hierarchy.
    int GetDlgCtrlID() const;
    int SetDlgCtrlID(int nID);
    CWnd* GetParent() const;
    CWnd* SetParent(CWnd* pNewParent);
    CWnd* GetOwner() const { return GetParent(); }
    CWnd* GetDlgItem(int nID) const;
    void GetDlgItem(int nID, HWND* phWnd) const;
    CWnd* GetTopLevelParent() const;
    CWnd* GetWindow(UINT nCmd) const;
    CWnd* GetNextDlgGroupItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const;
    // The window class name ("Button", "Edit", "ComboBox", "SysListView32", "#32770" for
    // dialogs, ...).
    CString GetClassName() const;

    // Text.
    void SetWindowText(LPCTSTR lpszString);
    int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const;
    void SetDlgItemText(int nID, LPCTSTR lpszString);
    int GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const;
    int GetDlgItemText(int nID, CString& rString) const;
    void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE);
    UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const;
    void SetFont(HFONT font, BOOL bRedraw = TRUE) {}

    // Buttons of a dialog.
    void CheckDlgButton(int nIDButton, UINT nCheck);
    UINT IsDlgButtonChecked(int nIDButton) const;
    void CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
    int GetCheckedRadioButton(int nIDFirstButton, int nIDLastButton);

    // State.
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    void SetRedraw(BOOL bRedraw = TRUE);

    // Geometry. Rectangles are kept relative to the parent's client area.
    void GetClientRect(LPRECT lpRect) const;
    void GetWindowRect(LPRECT lpRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void ScreenToClient(LPPOINT lpPoint) const {}
    void ScreenToClient(LPRECT lpRect) const {}
    void ClientToScreen(LPPOINT lpPoint) const {}
    void ClientToScreen(LPRECT lpRect) const {}

    // Painting: a window is invalid until UpdateWindow has sent it WM_PAINT.
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void ValidateRect(LPCRECT lpRect);
    void UpdateWindow();
    BOOL IsInvalid() const;
    BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, void* prgnUpdate = nullptr, UINT flags = 0);

    // Focus. Moving the focus from code sends no notification; qv::ui::SetFocusTo does.
    CWnd* SetFocus();
    static CWnd* GetFocus();

    // The caret, in the client coordinates of the window that has it. An edit with the focus
    // keeps it at the end of its selection (see controls.h for the character grid).
    static CPoint GetCaretPos();
    static void SetCaretPos(POINT point);
    void CreateSolidCaret(int nWidth, int nHeight) {}
    void ShowCaret() {}
    void HideCaret() {}

    // Message boxes with this window as owner (answered by the user script).
    int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption = nullptr, UINT nType = MB_OK);

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX) {}

    virtual BOOL PreTranslateMessage(void* pMsg) { return FALSE; }
    // Tells the parent that a child of a dialog is about to be reused: nothing to do here.
    virtual void CalcWindowRect(LPRECT lpClientRect, UINT nAdjustType = 0) {}

    // The window's state record (null when the window does not exist). For the layer and
    // the toolkit classes built on it.
    qv::WindowCore* Core() const
    {
        return m_hWnd == m_coreHandle && m_coreEpoch == qv::g_windowsGone ? m_core : FindCore();
    }
    // Attaches this object to the record's handle and remembers the record, which the layer
    // has at hand when it makes or subclasses a window: the object's first access then needs
    // no look-up (a page's controls are each asked once or twice before they go).
    void AttachCore(qv::WindowCore* core);

private:
    qv::WindowCore* FindCore() const;
    // What Core() found last, which holds while m_hWnd is the same handle and no window has
    // gone since (handles are never given twice): every message and control access asks.
    mutable HWND m_coreHandle = nullptr;
    mutable qv::WindowCore* m_core = nullptr;
    mutable unsigned long m_coreEpoch = 0;

public:

    // Message handlers of the standard messages: their defaults do nothing but what the
    // default processing does.
    void OnPaint();
    void OnDestroy() {}
    void OnSize(UINT nType, int cx, int cy) {}
    // The default hands the drawing to the owner-drawn control itself (its DrawItem).
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    void OnContextMenu(CWnd* pWnd, CPoint point) {}
    void OnSetFocus(CWnd* pOldWnd) {}
    void OnKillFocus(CWnd* pNewWnd) {}
    void OnClose() { DestroyWindow(); }
    void OnTimer(UINT_PTR nIDEvent) {}
    void OnShowWindow(BOOL bShow, UINT nStatus) {}
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) {}
    BOOL OnEraseBkgnd(HDC hdc) { return TRUE; }
    int OnCreate(void* lpCreateStruct) { return 0; }
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {}
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) {}
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) {}
    void OnMouseMove(UINT nFlags, CPoint point) {}
    void OnLButtonDown(UINT nFlags, CPoint point) {}
    void OnLButtonUp(UINT nFlags, CPoint point) {}
    void OnLButtonDblClk(UINT nFlags, CPoint point) {}
    void OnRButtonDown(UINT nFlags, CPoint point) {}
    void OnRButtonUp(UINT nFlags, CPoint point) {}
    void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {}
    void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {}

    DECLARE_MESSAGE_MAP()

public:
    // Creates the window record and handle with this object attached. Used by Create and
    // by the dialog layer for template controls. Null parent: a top-level window.
    BOOL CreateCore(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, DWORD dwExStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID);
};

// The Win32 form of the caret functions.
BOOL GetCaretPos(LPPOINT lpPoint);
BOOL SetCaretPos(int X, int Y);

// GetWindow commands.
#ifndef GW_HWNDFIRST
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5
#endif
