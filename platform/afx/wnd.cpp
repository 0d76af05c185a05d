// Command targets, message maps, window records and CWnd.
#include "afx/wnd.h"
#include "afx/wnd_core.h"
#include "afx/dc.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include <strings.h>

// ---------------------------------------------------------------------------------------
// Command targets and message maps

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

namespace {

// Walks the message maps from the class's own to its bases', each in entry order, and returns
// the first entry for the message and notification code (and, for commands and notifications,
// a control ID range holding `id`) that `take` accepts; nullptr when none does.
template <class Take>
const AFX_MSGMAP_ENTRY* FirstMatchingEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id, Take take)
{
    const bool byId = message == WM_COMMAND || message == WM_NOTIFY;
    for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
            if (e->nMessage != message || e->nCode != code)
                continue;
            if (byId && (id < e->nID || id > e->nLastID))
                continue;
            if (take(e))
                return e;
        }
    }
    return nullptr;
}

} // namespace

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const
{
    return FirstMatchingEntry(GetMessageMap(), message, code, id, [](const AFX_MSGMAP_ENTRY*) { return true; });
}

bool CCmdTarget::HasMessageEntries() const
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
        if (map->lpEntries->pfn)
            return true;
    return false;
}

BOOL CCmdTarget::DispatchToMap(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, void* extra,
                               LRESULT* result)
{
    LRESULT dummy = 0;
    qv::MsgArgs args{message, wParam, lParam, id, code, extra, result ? result : &dummy};
    // An _EX handler that declines passes the message on to the next matching entry.
    const auto handled = [&](const AFX_MSGMAP_ENTRY* e) { return e->pfn(this, args) != FALSE; };
    return FirstMatchingEntry(GetMessageMap(), message, code, id, handled) ? TRUE : FALSE;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo)
{
    const UINT code = static_cast<UINT>(nCode);
    if (pHandlerInfo)
        return FindMessageEntry(WM_COMMAND, code, nID) != nullptr;
    return DispatchToMap(WM_COMMAND, code, nID, 0, 0, pExtra, nullptr);
}

// ---------------------------------------------------------------------------------------
// Window records

namespace qv {

// A record remembered for a handle (CWnd::Core) is good while this stays the same.
unsigned long g_windowsGone = 0;

namespace {
WindowCore* g_focus = nullptr;
}

LRESULT CopyWindowText(const std::string& text, WPARAM size, LPARAM buffer)
{
    auto* out = reinterpret_cast<char*>(buffer);
    if (!out || size == 0)
        return 0;
    const size_t n = std::min(static_cast<size_t>(size) - 1, text.size());
    std::memcpy(out, text.data(), n);
    out[n] = 0;
    return static_cast<LRESULT>(n);
}

WindowKind KindFromClassName(const std::string& className)
{
    // Compared in place, letter case aside, and only with the names of the same length: every
    // control made asks, and a lower-case copy of each name would cost more than the
    // comparisons.
    struct Named {
        const char* name;
        size_t length;
        WindowKind kind;
    };
    static constexpr Named kinds[] = {
        {"button", 6, WindowKind::Button},
        {"edit", 4, WindowKind::Edit},
        {"static", 6, WindowKind::Static},
        {"combobox", 8, WindowKind::ComboBox},
        {"comboboxex32", 12, WindowKind::ComboBox},
        {"listbox", 7, WindowKind::ListBox},
        {"syslistview32", 13, WindowKind::ListView},
        {"msctls_updown32", 15, WindowKind::UpDown},
        {"sysheader32", 11, WindowKind::Header},
        {"#32770", 6, WindowKind::Dialog},
    };
    for (const Named& k : kinds)
        if (className.size() == k.length && strncasecmp(className.data(), k.name, k.length) == 0)
            return k.kind;
    return WindowKind::Generic;
}

WindowCore::~WindowCore() = default;

void RetiredViews::Remove(CWnd* view)
{
    m_more.erase(std::remove(m_more.begin(), m_more.end(), view), m_more.end());
    if (m_first != view)
        return;
    // The next oldest takes the first place.
    m_first = nullptr;
    if (!m_more.empty()) {
        m_first = m_more.front();
        m_more.erase(m_more.begin());
    }
}

namespace {

// Freed blocks of window records and window objects kept for the next ones of the same size,
// up to a bound per size: a page makes and drops dozens of each at a time, more than the heap
// keeps at hand for a block of one size. Not under the address sanitizer, which must see every
// block go back to the heap to catch a use after it went.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kSpareBlocks = 0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t kSpareBlocks = 0;
#else
constexpr size_t kSpareBlocks = 256;
#endif
#else
constexpr size_t kSpareBlocks = 256;
#endif

// Window objects (the controls of a page) are small: their sizes in steps of eight bytes up to
// this one each have a list; window records have the last one.
constexpr size_t kSmallObjectLimit = 128;

// The list for blocks of the size, or null for a size that is not kept. Never destroyed, like
// the window registry: windows may go while the process ends.
std::vector<void*>* SpareBlocks(size_t size)
{
    static auto* lists = new std::vector<void*>[kSmallObjectLimit / 8 + 2];
    if (size == sizeof(WindowCore))
        return &lists[kSmallObjectLimit / 8 + 1];
    return size % 8 == 0 && size <= kSmallObjectLimit ? &lists[size / 8] : nullptr;
}

void* TakeBlock(size_t size)
{
    std::vector<void*>* spare = SpareBlocks(size);
    if (!spare || spare->empty())
        return ::operator new(size);
    void* block = spare->back();
    spare->pop_back();
    return block;
}

void GiveBackBlock(void* block, size_t size)
{
    if (!block)
        return;
    std::vector<void*>* spare = SpareBlocks(size);
    if (spare && spare->size() < kSpareBlocks) {
        spare->push_back(block);
        return;
    }
    ::operator delete(block);
}

} // namespace

void* WindowCore::operator new(size_t size) { return TakeBlock(size); }

void WindowCore::operator delete(void* block, size_t size) { GiveBackBlock(block, size); }

} // namespace qv

void* CWnd::operator new(size_t size) { return qv::TakeBlock(size); }

void* CWnd::operator new(size_t size, const std::nothrow_t&) noexcept
{
    try {
        return qv::TakeBlock(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void CWnd::operator delete(void* block, size_t size) { qv::GiveBackBlock(block, size); }

void CWnd::operator delete(void* block, const std::nothrow_t&) noexcept { ::operator delete(block); }

namespace qv {

void WindowCore::SetObject(CWnd* attached, bool owns)
{
    object = attached;
    ownsObject = owns;
    // A control of a class that adds no entries to the empty maps of CWnd (the toolkit's unit
    // selectors and check boxes) is processed as one of a standard class.
    const bool control = kind != WindowKind::Generic && kind != WindowKind::Dialog;
    plainObject = attached && ((control && !attached->HasMessageEntries()) || IsStandardControlObject(attached))
                      ? attached
                      : nullptr;
}

LRESULT WindowCore::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!object)
        return 0;
    // A standard control's own messages (its text, check, selection: hundreds per page) find
    // nothing in its empty maps and go to the default processing: they go there at once.
    // Commands and notifications still take the way through the maps, which reflects them.
    // No class overrides DefWindowProc, so its processing is the layer's own, which is called
    // on this record directly.
    if (HasPlainObject() && message != WM_COMMAND && message != WM_NOTIFY)
        return DefaultWindowProc(*object, this, message, wParam, lParam);
    return object->WindowProc(message, wParam, lParam);
}

bool WindowCore::IndexChild(WindowCore* child) const
{
    const size_t mask = childIndex.size() - 1;
    for (size_t i = Slot(child->id, mask);; i = (i + 1) & mask) {
        if (childIndex[i].child == nullptr) {
            childIndex[i] = {child->id, child};
            return true;
        }
        // The first child made with an ID is the one the ID names.
        if (childIndex[i].id == child->id)
            return false;
    }
}

void WindowCore::IndexChildren() const
{
    size_t size = 8;
    while (size < 2 * children.size() + 2)
        size *= 2;
    childIndex.assign(size, IndexEntry{0, nullptr});
    childIndexLive = 0;
    for (WindowCore* c : children)
        childIndexLive += IndexChild(c) ? 1 : 0;
    childIndexStale = false;
}

void WindowCore::AddChild(WindowCore* child)
{
    children.push_back(child);
    if (childIndexStale)
        return;
    // Half the places stay free, so that a look-up meets a free one soon.
    if (2 * (childIndexLive + 2) > childIndex.size()) {
        childIndexStale = true;
        return;
    }
    childIndexLive += IndexChild(child) ? 1 : 0;
}

void WindowCore::RemoveChild(WindowCore* child)
{
    // A window's children go last first, so the one leaving is mostly at the end.
    if (!children.empty() && children.back() == child)
        children.pop_back();
    else
        children.erase(std::remove(children.begin(), children.end(), child), children.end());
    // A later child of the same ID may be the one the ID names now.
    childIndexStale = true;
}

void WindowCore::ClearChildren()
{
    children.clear();
    childIndexStale = true;
}

bool WindowCore::IsDescendantOf(const WindowCore* ancestor) const
{
    for (const WindowCore* p = parent; p; p = p->parent)
        if (p == ancestor)
            return true;
    return false;
}

WindowCore* CoreFromHandle(HWND hwnd)
{
    return static_cast<WindowCore*>(WindowCoreFromHandle(hwnd));
}

WindowCore* CreateCore(CWnd* object, bool ownsObject, const std::string& className, const std::string& text,
                       DWORD style, DWORD exStyle, const RECT& rect, WindowCore* parent, int id)
{
    return CreateCore(object, ownsObject, className, KindFromClassName(className), text, style, exStyle, rect, parent,
                      id);
}

WindowCore* CreateCore(CWnd* object, bool ownsObject, const std::string& className, WindowKind kind,
                       const std::string& text, DWORD style, DWORD exStyle, const RECT& rect, WindowCore* parent,
                       int id)
{
    auto* core = new WindowCore;
    core->className = className;
    core->kind = kind;
    core->SetObject(object, ownsObject);
    core->text = text;
    core->style = style;
    core->exStyle = exStyle;
    core->rect = rect;
    core->parent = parent;
    core->id = id;
    core->invalid = true;
    core->hwnd = CreateWindowHandle(core);
    if (parent)
        parent->AddChild(core);
    if (object)
        object->AttachCore(core);
    return core;
}

void DestroyCore(WindowCore* core)
{
    if (!core || core->destroying)
        return;
    core->destroying = true;
    if (g_focus == core || (g_focus && g_focus->IsDescendantOf(core)))
        g_focus = nullptr;
    // A control whose messages go to the default processing (a standard class, or a class
    // that adds no message map entries, whether the layer made it or a page subclassed it)
    // does nothing with WM_DESTROY and WM_NCDESTROY (nothing in the default processing), so it
    // is spared both: a page's dozens of controls go with every page.
    const bool quiet = core->HasPlainObject();
    if (!quiet)
        SendMessageA(core->hwnd, WM_DESTROY, 0, 0);
    // Children go after their parent has seen WM_DESTROY, as on the original. A child whose
    // own destruction is under way (it destroyed its parent from a handler) finishes
    // without a parent.
    for (bool progress = true; progress;) {
        progress = false;
        for (auto it = core->children.rbegin(); it != core->children.rend(); ++it)
            if (!(*it)->destroying) {
                DestroyCore(*it);
                progress = true;
                break;
            }
    }
    for (WindowCore* child : core->children)
        child->parent = nullptr;
    core->ClearChildren();
    if (!quiet)
        SendMessageA(core->hwnd, WM_NCDESTROY, 0, 0);
    if (core->parent)
        core->parent->RemoveChild(core);
    DestroyWindowHandle(core->hwnd);
    ++g_windowsGone;
    CWnd* object = core->object;
    core->SetObject(nullptr, core->ownsObject);
    core->retired.ForEach([](CWnd* old) {
        ForgetPainting(old);
        old->m_hWnd = nullptr;
        delete old;
    });
    if (object) {
        // What the window painted goes with it.
        ForgetPainting(object);
        object->m_hWnd = nullptr;
        if (core->ownsObject)
            delete object;
        else
            object->PostNcDestroy();
    }
    delete core;
}

void NotifyParent(WindowCore* control, UINT code)
{
    if (!control || !control->parent)
        return;
    SendMessageA(control->parent->hwnd, WM_COMMAND, MAKEWPARAM(control->id, code),
                 reinterpret_cast<LPARAM>(control->hwnd));
}

LRESULT NotifyParent(WindowCore* control, NMHDR& header)
{
    if (!control || !control->parent)
        return 0;
    header.hwndFrom = control->hwnd;
    header.idFrom = static_cast<UINT_PTR>(control->id);
    return SendMessageA(control->parent->hwnd, WM_NOTIFY, static_cast<WPARAM>(control->id),
                        reinterpret_cast<LPARAM>(&header));
}

WindowCore* FocusCore() { return g_focus; }
void SetFocusCore(WindowCore* core)
{
    g_focus = core;
    if (core && core->kind == WindowKind::Edit)
        SetCaretFromEdit(core);
}

} // namespace qv

// ---------------------------------------------------------------------------------------
// CWnd

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() = default;

CWnd::~CWnd()
{
    // Objects the layer deletes with their window have no handle left by now.
    if (!m_hWnd)
        return;
    qv::WindowCore* core = Core();
    if (core && core->object == this)
        qv::DestroyCore(core);
    else if (core) {
        // A retired view: the record forgets it.
        core->retired.Remove(this);
    }
    m_hWnd = nullptr;
}

void CWnd::AttachCore(qv::WindowCore* core)
{
    m_hWnd = core->hwnd;
    m_core = core;
    m_coreHandle = m_hWnd;
    m_coreEpoch = qv::g_windowsGone;
}

qv::WindowCore* CWnd::FindCore() const
{
    m_core = qv::CoreFromHandle(m_hWnd);
    m_coreHandle = m_hWnd;
    m_coreEpoch = qv::g_windowsGone;
    return m_core;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    qv::WindowCore* core = qv::CoreFromHandle(hWnd);
    return core ? core->object : nullptr;
}

BOOL CWnd::CreateCore(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, DWORD dwExStyle,
                      const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (m_hWnd)
        return FALSE;
    qv::WindowCore* parent = pParentWnd ? pParentWnd->Core() : nullptr;
    if (pParentWnd && !parent)
        return FALSE;
    qv::CreateCore(this, false, lpszClassName ? lpszClassName : "", lpszWindowName ? lpszWindowName : "", dwStyle,
                   dwExStyle, rect, parent, static_cast<int>(nID));
    return TRUE;
}

BOOL CWnd::CreateMessageWindow()
{
    return CreateCore("Message", "", 0, 0, RECT{0, 0, 0, 0}, nullptr, 0);
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, void* pContext)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, void* lpParam)
{
    if (!CreateCore(lpszClassName, lpszWindowName, dwStyle, dwExStyle, rect, pParentWnd, nID))
        return FALSE;
    PreSubclassWindow();
    if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(lpParam)) == -1) {
        DestroyWindow();
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    qv::WindowCore* core = Core();
    if (!core)
        return FALSE;
    qv::DestroyCore(core);
    return TRUE;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    qv::WindowCore* core = qv::CoreFromHandle(hWnd);
    if (!core || m_hWnd || core->object == this)
        return FALSE;
    // Only a layer-made view can be replaced; a window already attached to another object
    // of the program stays with it.
    if (core->object && !core->ownsObject)
        return FALSE;
    if (core->object)
        core->retired.Add(core->object); // keeps working for whoever still holds it
    core->SetObject(this, false);
    AttachCore(core);
    PreSubclassWindow();
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    if (!pParent || !pParent->Core())
        return FALSE;
    qv::WindowCore* child = pParent->Core()->Child(static_cast<int>(nID));
    return child ? SubclassWindow(child->hwnd) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    qv::WindowCore* core = Core();
    if (!core || core->object != this)
        return nullptr;
    HWND h = m_hWnd;
    if (!core->retired.Empty()) {
        core->SetObject(core->retired.TakeNewest(), true);
    } else {
        core->SetObject(qv::MakeControlObject(core->className, core->style), true);
        core->object->AttachCore(core);
    }
    m_hWnd = nullptr;
    return h;
}

namespace {

// SendMessageA to the window's handle; the record remembered for the handle (CWnd::Core)
// spares the registry's look-up.
LRESULT SendToWindow(const CWnd& window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (qv::WindowCore* core = window.Core())
        return core->HandleMessage(message, wParam, lParam);
    return SendMessageA(window.m_hWnd, message, wParam, lParam);
}

// SendMessageA to a child found among a window's children: a child there still has its handle.
LRESULT SendToChild(qv::WindowCore* child, UINT message, WPARAM wParam, LPARAM lParam)
{
    return child ? child->HandleMessage(message, wParam, lParam) : 0;
}

} // namespace

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendToWindow(*this, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // There is no message queue: posted messages are delivered at once.
    if (!m_hWnd)
        return FALSE;
    SendMessage(message, wParam, lParam);
    return TRUE;
}

LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam)
{
    qv::WindowCore* core = Core();
    qv::WindowCore* child = core ? core->Child(nID) : nullptr;
    return SendToChild(child, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT result = 0;
    BOOL handled = FALSE;
    if (message == WM_COMMAND) {
        handled = OnCommand(wParam, lParam);
    } else if (message == WM_NOTIFY) {
        handled = OnNotify(wParam, lParam, &result);
    } else {
        handled = DispatchToMap(message, 0, 0, wParam, lParam, nullptr, &result);
    }
    if (pResult)
        *pResult = result;
    return handled;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    if (control) {
        CWnd* child = FromHandle(control);
        LRESULT r = 0;
        if (child && child != this && child->OnChildNotify(WM_COMMAND, wParam, lParam, &r))
            return TRUE;
    }
    return OnCmdMsg(id, static_cast<int>(code), nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header)
        return FALSE;
    CWnd* child = FromHandle(header->hwndFrom);
    if (child && child != this && child->OnChildNotify(WM_NOTIFY, wParam, lParam, pResult))
        return TRUE;
    return DispatchToMap(WM_NOTIFY, header->code, static_cast<UINT>(header->idFrom), wParam, lParam, nullptr,
                         pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    UINT code = 0;
    if (message == WM_COMMAND)
        code = HIWORD(wParam);
    else if (message == WM_NOTIFY && lParam)
        code = reinterpret_cast<NMHDR*>(lParam)->code;
    else
        return FALSE;
    return DispatchToMap(WM_REFLECT_BASE + message, code, 0, wParam, lParam, nullptr, pResult);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    qv::WindowCore* core = Core();
    return core ? qv::DefaultWindowProc(*this, core, message, wParam, lParam) : 0;
}

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    // The owner-drawn control draws itself (its DrawItem) unless the parent handled it.
    if (!lpDrawItemStruct || lpDrawItemStruct->CtlType == ODT_MENU)
        return;
    CWnd* child = FromHandle(lpDrawItemStruct->hwndItem);
    LRESULT result = 0;
    if (child && child != this)
        child->OnChildNotify(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(lpDrawItemStruct), &result);
}

void CWnd::OnPaint()
{
    if (qv::WindowCore* core = Core())
        core->invalid = false;
}

int CWnd::GetDlgCtrlID() const
{
    qv::WindowCore* core = Core();
    return core ? core->id : 0;
}

int CWnd::SetDlgCtrlID(int nID)
{
    qv::WindowCore* core = Core();
    if (!core)
        return 0;
    int old = core->id;
    core->id = nID;
    if (core->parent)
        core->parent->ChildIdChanged();
    return old;
}

CWnd* CWnd::GetParent() const
{
    qv::WindowCore* core = Core();
    return core && core->parent ? core->parent->object : nullptr;
}

CWnd* CWnd::SetParent(CWnd* pNewParent)
{
    qv::WindowCore* core = Core();
    if (!core)
        return nullptr;
    qv::WindowCore* newParent = pNewParent ? pNewParent->Core() : nullptr;
    if (newParent == core || (newParent && newParent->IsDescendantOf(core)))
        return nullptr;
    CWnd* old = GetParent();
    if (core->parent)
        core->parent->RemoveChild(core);
    core->parent = newParent;
    if (newParent)
        newParent->AddChild(core);
    return old;
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    qv::WindowCore* core = Core();
    qv::WindowCore* child = core ? core->Child(nID) : nullptr;
    return child ? child->object : nullptr;
}

void CWnd::GetDlgItem(int nID, HWND* phWnd) const
{
    qv::WindowCore* core = Core();
    qv::WindowCore* child = core ? core->Child(nID) : nullptr;
    if (phWnd)
        *phWnd = child ? child->hwnd : nullptr;
}

CWnd* CWnd::GetTopLevelParent() const
{
    qv::WindowCore* core = Core();
    if (!core)
        return nullptr;
    while (core->parent && (core->style & WS_CHILD))
        core = core->parent;
    return core->object;
}

CWnd* CWnd::GetWindow(UINT nCmd) const
{
    qv::WindowCore* core = Core();
    if (!core)
        return nullptr;
    if (nCmd == GW_CHILD)
        return core->children.empty() ? nullptr : core->children.front()->object;
    if (nCmd == GW_OWNER)
        return core->parent ? core->parent->object : nullptr;
    if (!core->parent)
        return nullptr;
    const auto& siblings = core->parent->children;
    auto it = std::find(siblings.begin(), siblings.end(), core);
    switch (nCmd) {
    case GW_HWNDFIRST: return siblings.front()->object;
    case GW_HWNDLAST: return siblings.back()->object;
    case GW_HWNDNEXT: return (it != siblings.end() && it + 1 != siblings.end()) ? (*(it + 1))->object : nullptr;
    case GW_HWNDPREV: return (it != siblings.end() && it != siblings.begin()) ? (*(it - 1))->object : nullptr;
    default: return nullptr;
    }
}

CWnd* CWnd::GetNextDlgGroupItem(CWnd* pWndCtl, BOOL bPrevious) const
{
    qv::WindowCore* core = Core();
    qv::WindowCore* ctl = pWndCtl ? pWndCtl->Core() : nullptr;
    if (!core || !ctl || ctl->parent != core)
        return nullptr;
    const auto& c = core->children;
    const size_t n = c.size();
    size_t index = static_cast<size_t>(std::find(c.begin(), c.end(), ctl) - c.begin());
    // The group runs from a control with WS_GROUP up to (not including) the next one.
    size_t first = index;
    while (first > 0 && !(c[first]->style & WS_GROUP))
        --first;
    size_t last = index;
    while (last + 1 < n && !(c[last + 1]->style & WS_GROUP))
        ++last;
    size_t next = index;
    if (bPrevious)
        next = index == first ? last : index - 1;
    else
        next = index == last ? first : index + 1;
    return c[next]->object;
}

CString CWnd::GetClassName() const
{
    qv::WindowCore* core = Core();
    return core ? CString(core->className.c_str()) : CString();
}

void CWnd::SetWindowText(LPCTSTR lpszString)
{
    SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpszString ? lpszString : ""));
}

int CWnd::GetWindowTextLength() const
{
    return static_cast<int>(SendToWindow(*this, WM_GETTEXTLENGTH, 0, 0));
}

int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const
{
    if (!lpszStringBuf || nMaxCount <= 0)
        return 0;
    lpszStringBuf[0] = 0;
    return static_cast<int>(SendToWindow(*this, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                         reinterpret_cast<LPARAM>(lpszStringBuf)));
}

void CWnd::GetWindowText(CString& rString) const
{
    const int length = GetWindowTextLength();
    // Read straight into the string's own buffer: pages read every value this way.
    CString text;
    const int n = GetWindowText(text.GetBufferSetLength(length + 1), length + 1);
    text.ReleaseBuffer(n);
    rString = std::move(text);
}

void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString)
{
    if (CWnd* item = GetDlgItem(nID))
        item->SetWindowText(lpszString);
}

int CWnd::GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const
{
    if (CWnd* item = GetDlgItem(nID))
        return item->GetWindowText(lpStr, nMaxCount);
    if (lpStr && nMaxCount > 0)
        lpStr[0] = 0;
    return 0;
}

int CWnd::GetDlgItemText(int nID, CString& rString) const
{
    rString.Empty();
    if (CWnd* item = GetDlgItem(nID))
        item->GetWindowText(rString);
    return rString.GetLength();
}

void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned)
{
    char buffer[32];
    if (bSigned)
        std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(nValue));
    else
        std::snprintf(buffer, sizeof buffer, "%u", nValue);
    SetDlgItemText(nID, buffer);
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const
{
    // Leading blanks are skipped; then an optional minus (signed only) and decimal digits
    // up to the end or trailing blanks. Anything else, or a value out of range, fails.
    if (lpTrans)
        *lpTrans = FALSE;
    CString text;
    if (!GetDlgItem(nID))
        return 0;
    GetDlgItemText(nID, text);
    const std::string& s = text.str();
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (bSigned && i < s.size() && s[i] == '-') {
        negative = true;
        ++i;
    }
    long long value = 0;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        value = value * 10 + (s[i] - '0');
        if (value > 0xFFFFFFFFLL)
            return 0;
        ++i;
        ++digits;
    }
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    if (digits == 0 || i != s.size())
        return 0;
    if (negative)
        value = -value;
    if (bSigned && (value < INT_MIN || value > INT_MAX))
        return 0;
    if (lpTrans)
        *lpTrans = TRUE;
    return bSigned ? static_cast<UINT>(static_cast<int>(value)) : static_cast<UINT>(value);
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck)
{
    qv::WindowCore* core = Core();
    if (qv::WindowCore* child = core ? core->Child(nIDButton) : nullptr)
        qv::SendSetCheck(child, nCheck);
}

UINT CWnd::IsDlgButtonChecked(int nIDButton) const
{
    qv::WindowCore* core = Core();
    qv::WindowCore* child = core ? core->Child(nIDButton) : nullptr;
    return child ? static_cast<UINT>(qv::SendGetCheck(child)) : 0;
}

void CWnd::CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton)
{
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
        CheckDlgButton(id, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED);
}

int CWnd::GetCheckedRadioButton(int nIDFirstButton, int nIDLastButton)
{
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
        if (IsDlgButtonChecked(id) == BST_CHECKED)
            return id;
    return 0;
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    qv::WindowCore* core = Core();
    if (!core)
        return FALSE;
    const BOOL wasDisabled = (core->style & WS_DISABLED) != 0;
    if (bEnable)
        core->style &= ~static_cast<DWORD>(WS_DISABLED);
    else
        core->style |= WS_DISABLED;
    // A control whose messages go to the default processing does nothing with WM_ENABLE: pages
    // enable and disable dozens of them by their rules, so it is not sent to them.
    if (wasDisabled != !bEnable && !core->HasPlainObject())
        SendMessage(WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    // A disabled window loses the focus.
    if (!bEnable && qv::FocusCore() == core)
        qv::SetFocusCore(nullptr);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const
{
    qv::WindowCore* core = Core();
    return core && !(core->style & WS_DISABLED);
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    qv::WindowCore* core = Core();
    if (!core)
        return FALSE;
    const BOOL wasVisible = (core->style & WS_VISIBLE) != 0;
    const bool show = nCmdShow != SW_HIDE;
    if (show)
        core->style |= WS_VISIBLE;
    else
        core->style &= ~static_cast<DWORD>(WS_VISIBLE);
    if (wasVisible != show)
        SendMessage(WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const
{
    // Visible when the window and all its parents carry WS_VISIBLE.
    for (qv::WindowCore* core = Core(); core; core = core->parent) {
        if (!(core->style & WS_VISIBLE))
            return FALSE;
        if (!(core->style & WS_CHILD))
            break;
    }
    return Core() != nullptr;
}

DWORD CWnd::GetStyle() const
{
    qv::WindowCore* core = Core();
    return core ? core->style : 0;
}

DWORD CWnd::GetExStyle() const
{
    qv::WindowCore* core = Core();
    return core ? core->exStyle : 0;
}

namespace {

// Removes, then adds style bits; TRUE when that changed them.
BOOL ModifyBits(DWORD& bits, DWORD dwRemove, DWORD dwAdd)
{
    const DWORD changed = (bits & ~dwRemove) | dwAdd;
    if (changed == bits)
        return FALSE;
    bits = changed;
    return TRUE;
}

} // namespace

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    qv::WindowCore* core = Core();
    return core ? ModifyBits(core->style, dwRemove, dwAdd) : FALSE;
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    qv::WindowCore* core = Core();
    return core ? ModifyBits(core->exStyle, dwRemove, dwAdd) : FALSE;
}

void CWnd::SetRedraw(BOOL bRedraw) { SendMessage(WM_SETREDRAW, bRedraw ? TRUE : FALSE, 0); }

void CWnd::GetClientRect(LPRECT lpRect) const
{
    if (!lpRect)
        return;
    qv::WindowCore* core = Core();
    if (!core) {
        *lpRect = RECT{0, 0, 0, 0};
        return;
    }
    *lpRect = RECT{0, 0, core->rect.right - core->rect.left, core->rect.bottom - core->rect.top};
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    // With no screen, a window's "screen" rectangle is its rectangle in its parent's client
    // area; ScreenToClient leaves it unchanged, so the usual GetWindowRect + ScreenToClient
    // of a dialog gives a control's place in the dialog.
    if (!lpRect)
        return;
    qv::WindowCore* core = Core();
    *lpRect = core ? core->rect : RECT{0, 0, 0, 0};
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    qv::WindowCore* core = Core();
    if (!core)
        return;
    const bool resized = nWidth != core->rect.right - core->rect.left || nHeight != core->rect.bottom - core->rect.top;
    core->rect = RECT{x, y, x + nWidth, y + nHeight};
    if (bRepaint)
        core->invalid = true;
    if (resized)
        SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(nWidth, nHeight));
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    if (lpRect)
        MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd*, int x, int y, int cx, int cy, UINT nFlags)
{
    qv::WindowCore* core = Core();
    if (!core)
        return FALSE;
    RECT r = core->rect;
    if (!(nFlags & SWP_NOMOVE)) {
        r.right += x - r.left;
        r.bottom += y - r.top;
        r.left = x;
        r.top = y;
    }
    if (!(nFlags & SWP_NOSIZE)) {
        r.right = r.left + cx;
        r.bottom = r.top + cy;
    }
    MoveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, !(nFlags & SWP_NOREDRAW));
    if (nFlags & SWP_SHOWWINDOW)
        ShowWindow(SW_SHOW);
    if (nFlags & SWP_HIDEWINDOW)
        ShowWindow(SW_HIDE);
    return TRUE;
}

void CWnd::Invalidate(BOOL)
{
    if (qv::WindowCore* core = Core())
        core->invalid = true;
}

void CWnd::InvalidateRect(LPCRECT, BOOL)
{
    if (qv::WindowCore* core = Core())
        core->invalid = true;
}

void CWnd::ValidateRect(LPCRECT)
{
    if (qv::WindowCore* core = Core())
        core->invalid = false;
}

BOOL CWnd::IsInvalid() const
{
    qv::WindowCore* core = Core();
    return core && core->invalid;
}

void CWnd::UpdateWindow()
{
    qv::WindowCore* core = Core();
    if (!core || !core->invalid || !core->redraw)
        return;
    SendMessage(WM_PAINT, 0, 0);
    if ((core = Core()) != nullptr)
        core->invalid = false;
}

BOOL CWnd::RedrawWindow(LPCRECT, void*, UINT)
{
    Invalidate();
    UpdateWindow();
    return Core() != nullptr;
}

CWnd* CWnd::SetFocus()
{
    qv::WindowCore* old = qv::FocusCore();
    qv::SetFocusCore(Core());
    return old ? old->object : nullptr;
}

CPoint CWnd::GetCaretPos() { return CPoint(qv::CaretPosition()); }

void CWnd::SetCaretPos(POINT point) { qv::SetCaretPosition(point); }

BOOL GetCaretPos(LPPOINT lpPoint)
{
    if (!lpPoint)
        return FALSE;
    *lpPoint = qv::CaretPosition();
    return TRUE;
}

BOOL SetCaretPos(int X, int Y)
{
    qv::SetCaretPosition(POINT{X, Y});
    return TRUE;
}

CWnd* CWnd::GetFocus()
{
    qv::WindowCore* core = qv::FocusCore();
    return core ? core->object : nullptr;
}
