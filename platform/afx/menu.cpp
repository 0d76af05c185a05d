// Menus.
#include "afx/menu.h"
#include "afx/dialog.h"
#include "afx/module_state.h"
#include "afx/user_script.h"
#include "win32/resources.h"

#include <cstring>
#include <set>

namespace qv {

struct MenuItem {
    std::string text;
    UINT id = 0;
    UINT flags = 0;                 // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR, MF_POPUP
    std::unique_ptr<MenuData> sub;  // for MF_POPUP
};

struct MenuData {
    std::vector<MenuItem> items;
};

namespace {

// Live menu records; a handle is the address of its record.
std::set<MenuData*>& LiveMenus()
{
    static std::set<MenuData*> live;
    return live;
}

void Register(MenuData* m)
{
    LiveMenus().insert(m);
    for (MenuItem& item : m->items)
        if (item.sub)
            Register(item.sub.get());
}

void Unregister(MenuData* m)
{
    LiveMenus().erase(m);
    for (MenuItem& item : m->items)
        if (item.sub)
            Unregister(item.sub.get());
}

// Records that are no sub-menu of another: only these are deleted by DestroyMenu.
std::set<MenuData*>& TopLevel()
{
    static std::set<MenuData*> top;
    return top;
}

MenuData* FromHandle(HMENU h)
{
    auto* m = reinterpret_cast<MenuData*>(h);
    return LiveMenus().count(m) ? m : nullptr;
}

std::unique_ptr<MenuData> Build(const std::vector<RcMenuItem>& items)
{
    auto data = std::make_unique<MenuData>();
    for (const RcMenuItem& rc : items) {
        MenuItem item;
        item.text = rc.text;
        item.id = static_cast<UINT>(rc.id);
        if (rc.separator)
            item.flags |= MF_SEPARATOR;
        if (rc.grayed)
            item.flags |= MF_GRAYED;
        if (rc.checked)
            item.flags |= MF_CHECKED;
        if (rc.popup) {
            item.flags |= MF_POPUP;
            item.id = static_cast<UINT>(-1);
            item.sub = Build(rc.children);
        }
        data->items.push_back(std::move(item));
    }
    return data;
}

// The item by position or by command (searching sub-menus), with the menu that holds it.
MenuItem* FindItem(MenuData* m, UINT nPosition, UINT nFlags, MenuData** holder = nullptr)
{
    if (!m)
        return nullptr;
    if (nFlags & MF_BYPOSITION) {
        if (nPosition >= m->items.size())
            return nullptr;
        if (holder)
            *holder = m;
        return &m->items[nPosition];
    }
    for (MenuItem& item : m->items) {
        if (!(item.flags & (MF_POPUP | MF_SEPARATOR)) && item.id == nPosition) {
            if (holder)
                *holder = m;
            return &item;
        }
        if (item.sub)
            if (MenuItem* found = FindItem(item.sub.get(), nPosition, nFlags, holder))
                return found;
    }
    return nullptr;
}

MenuItem MakeItem(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    MenuItem item;
    item.flags = nFlags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR | MF_POPUP);
    if (nFlags & MF_POPUP) {
        // The sub-menu becomes part of this menu and lives as long as it.
        MenuData* sub = FromHandle(reinterpret_cast<HMENU>(nIDNewItem));
        item.id = static_cast<UINT>(-1);
        if (sub && TopLevel().erase(sub))
            item.sub.reset(sub);
        else
            item.sub = std::make_unique<MenuData>();
    } else {
        item.id = static_cast<UINT>(nIDNewItem);
    }
    if (!(nFlags & MF_SEPARATOR) && lpszNewItem)
        item.text = lpszNewItem;
    return item;
}

void Describe(const MenuData* m, std::string& out)
{
    for (const MenuItem& item : m->items) {
        if (!out.empty())
            out += "|";
        if (item.flags & MF_SEPARATOR) {
            out += "-";
            continue;
        }
        const bool disabled = (item.flags & (MF_GRAYED | MF_DISABLED)) != 0;
        out += disabled ? "[" + item.text + "]" : item.text;
        if (item.flags & MF_POPUP)
            out += ">";
    }
}

// An enabled command item of the menu or its sub-menus.
bool OffersCommand(const MenuData* m, UINT id)
{
    for (const MenuItem& item : m->items) {
        if (item.flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR))
            continue;
        if (item.sub ? OffersCommand(item.sub.get(), id) : item.id == id)
            return true;
    }
    return false;
}

} // namespace

namespace {

void UpdateItems(MenuData* m, CMenu& menu, CCmdTarget* target)
{
    for (size_t i = 0; i < m->items.size(); ++i) {
        MenuItem& item = m->items[i];
        if (item.flags & MF_SEPARATOR)
            continue;
        if (item.sub) {
            UpdateItems(item.sub.get(), menu, target);
            continue;
        }
        CCmdUI ui;
        ui.m_nID = item.id;
        ui.m_nIndex = static_cast<UINT>(i);
        ui.m_pMenu = &menu;
        if (!target->OnCmdMsg(item.id, static_cast<int>(CN_UPDATE_COMMAND_UI), &ui, nullptr)) {
            AFX_MSGMAP_ENTRY probe{};
            const bool handled = target->OnCmdMsg(item.id, CN_COMMAND, nullptr, &probe) != FALSE;
            ui.Enable(handled ? TRUE : FALSE);
        }
        if (ui.m_bEnableChanged)
            item.flags = ui.m_bEnabled ? (item.flags & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) : (item.flags | MF_GRAYED);
        if (ui.m_bCheckChanged)
            item.flags = ui.m_nCheck ? (item.flags | MF_CHECKED) : (item.flags & ~static_cast<UINT>(MF_CHECKED));
        if (ui.m_bTextChanged)
            item.text = ui.m_strText.str();
    }
}

} // namespace

void UpdateMenuCommandUI(CMenu& menu, CCmdTarget* target)
{
    MenuData* m = FromHandle(menu.GetSafeHmenu());
    if (m && target)
        UpdateItems(m, menu, target);
}

std::string DescribeMenu(HMENU menu)
{
    std::string out;
    if (MenuData* m = qv::FromHandle(menu))
        Describe(m, out);
    return out;
}

} // namespace qv

IMPLEMENT_DYNCREATE(CMenu, CObject)

CMenu::CMenu() = default;

CMenu::~CMenu() { DestroyMenu(); }

qv::MenuData* CMenu::Data() const { return qv::FromHandle(m_hMenu); }

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    // Menus made by this layer are reached through their CMenu; a bare handle gets a
    // process-wide view that owns nothing.
    static std::map<HMENU, std::unique_ptr<CMenu>> views;
    if (!qv::FromHandle(hMenu))
        return nullptr;
    auto& view = views[hMenu];
    if (!view)
        view = std::make_unique<CMenu>();
    view->m_hMenu = hMenu;
    view->m_owns = false;
    return view.get();
}

BOOL CMenu::LoadMenu(UINT nIDResource)
{
    DestroyMenu();
    const qv::ResourceScript* rs = qv::GetModuleResources(AfxGetResourceHandle());
    if (!rs)
        return FALSE;
    auto it = rs->menus.find(static_cast<int>(nIDResource));
    if (it == rs->menus.end())
        return FALSE;
    qv::MenuData* data = qv::Build(it->second.items).release();
    qv::Register(data);
    qv::TopLevel().insert(data);
    m_hMenu = reinterpret_cast<HMENU>(data);
    m_owns = true;
    return TRUE;
}

BOOL CMenu::LoadMenu(LPCTSTR lpszResourceName) { return LoadMenu(qv::TemplateIdFromName(lpszResourceName)); }

BOOL CMenu::CreateMenu()
{
    if (m_hMenu)
        return FALSE;
    auto* data = new qv::MenuData;
    qv::Register(data);
    qv::TopLevel().insert(data);
    m_hMenu = reinterpret_cast<HMENU>(data);
    m_owns = true;
    return TRUE;
}

BOOL CMenu::CreatePopupMenu() { return CreateMenu(); }

BOOL CMenu::DestroyMenu()
{
    m_subMenus.clear();
    qv::MenuData* data = Data();
    // A sub-menu that became part of another menu lives on with that menu.
    if (!data || !m_owns || !qv::TopLevel().count(data)) {
        m_hMenu = nullptr;
        m_owns = false;
        return FALSE;
    }
    qv::TopLevel().erase(data);
    qv::Unregister(data);
    delete data;
    m_hMenu = nullptr;
    m_owns = false;
    return TRUE;
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (m_hMenu || !qv::FromHandle(hMenu))
        return FALSE;
    m_hMenu = hMenu;
    m_owns = true;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU h = m_hMenu;
    m_subMenus.clear();
    m_hMenu = nullptr;
    m_owns = false;
    return h;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    qv::MenuData* m = Data();
    if (!m)
        return FALSE;
    m->items.push_back(qv::MakeItem(nFlags, nIDNewItem, lpszNewItem));
    if (m->items.back().sub)
        qv::Register(m->items.back().sub.get());
    return TRUE;
}

BOOL CMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    qv::MenuData* m = Data();
    if (!m)
        return FALSE;
    size_t index = m->items.size();
    if (nFlags & MF_BYPOSITION) {
        if (nPosition != static_cast<UINT>(-1) && nPosition < m->items.size())
            index = nPosition;
    } else {
        for (size_t i = 0; i < m->items.size(); ++i)
            if (m->items[i].id == nPosition && !(m->items[i].flags & MF_POPUP))
                index = i;
    }
    m->items.insert(m->items.begin() + static_cast<long>(index), qv::MakeItem(nFlags, nIDNewItem, lpszNewItem));
    if (m->items[index].sub)
        qv::Register(m->items[index].sub.get());
    return TRUE;
}

BOOL CMenu::DeleteMenu(UINT nPosition, UINT nFlags)
{
    qv::MenuData* holder = nullptr;
    qv::MenuItem* item = qv::FindItem(Data(), nPosition, nFlags, &holder);
    if (!item)
        return FALSE;
    if (item->sub) {
        m_subMenus.erase(item->sub.get());
        qv::Unregister(item->sub.get());
    }
    holder->items.erase(holder->items.begin() + (item - holder->items.data()));
    return TRUE;
}

BOOL CMenu::RemoveMenu(UINT nPosition, UINT nFlags) { return DeleteMenu(nPosition, nFlags); }

BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    qv::MenuItem* item = qv::FindItem(Data(), nPosition, nFlags);
    if (!item)
        return FALSE;
    if (item->sub) {
        m_subMenus.erase(item->sub.get());
        qv::Unregister(item->sub.get());
    }
    *item = qv::MakeItem(nFlags & ~static_cast<UINT>(MF_BYPOSITION), nIDNewItem, lpszNewItem);
    if (item->sub)
        qv::Register(item->sub.get());
    return TRUE;
}

namespace {

// Gives the item the state bits under `mask` that `flags` has; returns the bits it had, or
// (UINT)-1 when there is no such item.
UINT SwapStateBits(qv::MenuItem* item, UINT mask, UINT flags)
{
    if (!item)
        return static_cast<UINT>(-1);
    const UINT old = item->flags & mask;
    item->flags = (item->flags & ~mask) | (flags & mask);
    return old;
}

} // namespace

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable)
{
    return SwapStateBits(qv::FindItem(Data(), nIDEnableItem, nEnable), MF_GRAYED | MF_DISABLED, nEnable);
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck)
{
    return SwapStateBits(qv::FindItem(Data(), nIDCheckItem, nCheck), MF_CHECKED, nCheck);
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const
{
    qv::MenuItem* item = qv::FindItem(Data(), nID, nFlags);
    if (!item)
        return static_cast<UINT>(-1);
    UINT state = item->flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR | MF_POPUP);
    if (item->sub)
        state |= static_cast<UINT>(item->sub->items.size()) << 8;
    return state;
}

int CMenu::GetMenuItemCount() const
{
    qv::MenuData* m = Data();
    return m ? static_cast<int>(m->items.size()) : -1;
}

UINT CMenu::GetMenuItemID(int nPos) const
{
    qv::MenuData* m = Data();
    if (!m || nPos < 0 || nPos >= static_cast<int>(m->items.size()))
        return static_cast<UINT>(-1);
    const qv::MenuItem& item = m->items[static_cast<size_t>(nPos)];
    if (item.flags & MF_POPUP)
        return static_cast<UINT>(-1);
    return (item.flags & MF_SEPARATOR) ? 0 : item.id;
}

int CMenu::GetMenuString(UINT nIDItem, LPTSTR lpString, int nMaxCount, UINT nFlags) const
{
    qv::MenuItem* item = qv::FindItem(Data(), nIDItem, nFlags);
    if (!lpString || nMaxCount <= 0)
        return item ? static_cast<int>(item->text.size()) : 0;
    lpString[0] = 0;
    if (!item)
        return 0;
    const size_t n = std::min(item->text.size(), static_cast<size_t>(nMaxCount) - 1);
    std::memcpy(lpString, item->text.data(), n);
    lpString[n] = 0;
    return static_cast<int>(n);
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const
{
    qv::MenuItem* item = qv::FindItem(Data(), nIDItem, nFlags);
    rString = item ? CString(item->text.c_str()) : CString();
    return rString.GetLength();
}

CMenu* CMenu::GetSubMenu(int nPos) const
{
    qv::MenuData* m = Data();
    if (!m || nPos < 0 || nPos >= static_cast<int>(m->items.size()))
        return nullptr;
    qv::MenuData* sub = m->items[static_cast<size_t>(nPos)].sub.get();
    if (!sub)
        return nullptr;
    auto& view = m_subMenus[sub];
    if (!view) {
        view = std::make_unique<CMenu>();
        view->m_hMenu = reinterpret_cast<HMENU>(sub);
        view->m_owns = false;
    }
    return view.get();
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT)
{
    qv::MenuData* m = Data();
    if (!m)
        return FALSE;
    HWND owner = pWnd ? pWnd->m_hWnd : nullptr;
    if (owner)
        SendMessageA(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(m_hMenu), 0);
    if (!(m = Data()))
        return FALSE;
    std::string entries;
    qv::Describe(m, entries);
    UINT command = qv::UserScript::Instance().AnswerPopupMenu(entries, nFlags);
    if (command != 0 && !qv::OffersCommand(m, command)) {
        qv::UserScript::Instance().ReportFailure("the user script chooses command " + std::to_string(command) +
                                                 ", which the menu [" + entries + "] does not offer");
        command = 0;
    }
    if (nFlags & TPM_RETURNCMD)
        return static_cast<BOOL>(command);
    if (command == 0)
        return FALSE;
    if (owner && !(nFlags & TPM_NONOTIFY))
        SendMessageA(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return TRUE;
}
