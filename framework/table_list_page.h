// What the table pages with list buttons share: the list's context menu and the images of the
// owner-drawn list buttons. The lookup tables, the data-pairs time function and the equation
// block draw and offer them alike.
#pragma once

#include "afx/afxwin.h"
#include "afx/menu.h"
#include "framework/module.h"

#include <utility>
#include <vector>

namespace qv::tablepage {

// An entry of a menu: its command and its text.
using MenuChoice = std::pair<UINT, CString>;

// The context menu of a table list (menu 2547: New, Delete, Delete all, Move up, Move down),
// its entries enabled by `page`'s command handlers and its choice sent to `page`. Given
// `newChoices`, "New" opens a submenu of them, captioned `newCaption` (or "New" as the menu
// has it, when that is empty).
inline void TrackTableContextMenu(CWnd& page, CPoint point, const std::vector<MenuChoice>& newChoices = {},
                                  const CString& newCaption = CString()) {
    CResourceSwitch resources;
    CMenu menu;
    if (!menu.LoadMenu(2547)) return;
    CMenu* popup = menu.GetSubMenu(0);
    if (popup == nullptr) return;
    CMenu choices;
    if (!newChoices.empty() && choices.CreatePopupMenu()) {
        for (const MenuChoice& choice : newChoices) choices.AppendMenu(MF_STRING, choice.first, choice.second);
        CString caption = newCaption;
        if (caption.IsEmpty()) popup->GetMenuString(0, caption, MF_BYPOSITION);
        popup->ModifyMenu(0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(choices.GetSafeHmenu()), caption);
    }
    qv::UpdateMenuCommandUI(*popup, &page);
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, &page);
}

// Draws image `image` of the strip `bitmap` (16 pixels an image) onto an owner-drawn button.
// The strip holds three sets: the first third for the normal state, the second for a pressed
// button, the last for a disabled one.
inline void DrawStripButtonImage(const DRAWITEMSTRUCT& item, UINT bitmap, int image) {
    CDC* dc = CDC::FromHandle(item.hDC);
    CResourceSwitch resources;
    CBitmap images;
    if (dc == nullptr || !images.LoadBitmap(bitmap)) return;
    BITMAP info{};
    images.GetBitmap(&info);
    const int count = info.bmWidth / 16;
    if (item.itemState & ODS_SELECTED) image += count / 3;
    else if (item.itemState & (ODS_DISABLED | ODS_GRAYED)) image += 2 * count / 3;
    CDC memory;
    memory.CreateCompatibleDC(dc);
    CBitmap* old = memory.SelectObject(&images);
    dc->BitBlt(item.rcItem.left, item.rcItem.top, 16, 16, &memory, image * 16, 0, SRCCOPY);
    memory.SelectObject(old);
}

// The buttons of a table page with a file: New (1122) to Move down (1126) show the images of
// bitmap 138, Import (2118) and Export (2119) those of bitmap 135. Draws `item` when it is
// one of them; returns false, drawing nothing, for any other control.
inline bool DrawTableButton(int controlID, const DRAWITEMSTRUCT* item) {
    constexpr int kFirstRowButton = 1122, kLastRowButton = 1126, kImportButton = 2118, kExportButton = 2119;
    if (item == nullptr) return false;
    if (controlID >= kFirstRowButton && controlID <= kLastRowButton)
        DrawStripButtonImage(*item, 138, controlID - kFirstRowButton);
    else if (controlID == kImportButton || controlID == kExportButton)
        DrawStripButtonImage(*item, 135, controlID - kImportButton);
    else
        return false;
    return true;
}

} // namespace qv::tablepage
