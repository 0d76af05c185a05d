// Menus: loaded from the resource script or built in code, and shown as popup menus that the
// user script answers.
#pragma once

#include "afx/wnd.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qv {
struct MenuData;
}

class CMenu : public CObject {
    DECLARE_DYNCREATE(CMenu)
public:
    CMenu();
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;
    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }
    // The object for a menu handle; sub-menus get objects owned by their parent's object.
    static CMenu* FromHandle(HMENU hMenu);

    // From the resources of AfxGetResourceHandle(); FALSE when the menu is not there.
    BOOL LoadMenu(UINT nIDResource);
    BOOL LoadMenu(LPCTSTR lpszResourceName);
    BOOL CreateMenu();
    BOOL CreatePopupMenu();
    BOOL DestroyMenu();
    BOOL Attach(HMENU hMenu);
    HMENU Detach();

    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    BOOL DeleteMenu(UINT nPosition, UINT nFlags);
    BOOL RemoveMenu(UINT nPosition, UINT nFlags);
    BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    // Return the previous state (MF_GRAYED/MF_DISABLED or MF_CHECKED bits), -1 for no item.
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
    UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
    UINT GetMenuState(UINT nID, UINT nFlags) const;
    int GetMenuItemCount() const;
    // The command of the item at the position: 0 for a separator, -1 for a sub-menu or none.
    UINT GetMenuItemID(int nPos) const;
    int GetMenuString(UINT nIDItem, LPTSTR lpString, int nMaxCount, UINT nFlags) const;
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
    CMenu* GetSubMenu(int nPos) const;

    // Shows the menu; the user script picks the command (0: the user dismissed the menu).
    // The owner gets WM_INITMENUPOPUP first. With TPM_RETURNCMD the command is returned;
    // otherwise a chosen command goes to the owner as WM_COMMAND and the result is TRUE.
    // Choosing a command the menu does not offer enabled is reported as a failure.
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);

private:
    qv::MenuData* Data() const;
    mutable std::map<qv::MenuData*, std::unique_ptr<CMenu>> m_subMenus;
    bool m_owns = false;
};

namespace qv {
// Prepares a menu the way command bars do before they show it: for every command of the menu
// and its sub-menus the command target's update handler (ON_UPDATE_COMMAND_UI) may enable,
// check or relabel it; a command with neither an update handler nor a command handler is
// disabled, as the framework does for commands nobody handles.
void UpdateMenuCommandUI(CMenu& menu, CCmdTarget* target);

// The entries of a menu as shown to the user: texts joined by '|', separators as "-", sub-menus
// as "text>"; disabled entries in brackets.
std::string DescribeMenu(HMENU menu);
} // namespace qv
