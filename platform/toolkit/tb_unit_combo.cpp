// Unit selectors and the check boxes beside value fields.
#include "toolkit/tb_unit_combo.h"

#include "toolkit/tb_units.h"
#include "afx/wnd_core.h"

#include <string>

IMPLEMENT_DYNAMIC(CTBComboBox, CComboBox)
IMPLEMENT_DYNAMIC(CTBUnitComboBox, CTBComboBox)
IMPLEMENT_DYNAMIC(CTBUnitCheckBox, CButton)

int CTBComboBox::SelectString(int nStartAfter, LPCTSTR lpszString) {
    if (!GetSafeHwnd() || !lpszString) return CB_ERR;
    int count = GetCount();
    if (count <= 0) return CB_ERR;
    int start = (nStartAfter < -1 || nStartAfter >= count) ? -1 : nStartAfter;
    for (int k = 1; k <= count; ++k) {
        int i = (start + k) % count;
        CString entry;
        GetLBText(i, entry);
        if (entry == lpszString) {
            SetCurSel(i);
            return i;
        }
    }
    return CComboBox::SelectString(start, lpszString);
}

BOOL CTBUnitComboBox::CreateDialogControl(LPCTSTR lpszUnits) {
    if (!GetSafeHwnd()) return FALSE;
    ResetContent();
    m_quantity.Empty();
    CString text(lpszUnits ? lpszUnits : "");
    if (const qv::QuantityDefinition* quantity = qv::BuiltInUnitsTable().FindQuantity(static_cast<LPCTSTR>(text))) {
        // The symbols go in straight from the table: every value field of a page has such a
        // selector, and a copy of each list on its way in was a good part of making a page.
        m_quantity = text;
        SendMessage(CB_INITSTORAGE, static_cast<WPARAM>(quantity->units.size()), 0);
        if (qv::WindowCore* core = Core())
            for (const qv::UnitDefinition& unit : quantity->units) qv::SendAddString(core, unit.symbol.c_str());
        SetCurSel(-1);
        return GetCount() > 0;
    }
    CStringArray units;
    if (text.Find('|') >= 0) {
        std::string all(static_cast<LPCTSTR>(text));
        size_t i = 0;
        while (i <= all.size()) {
            size_t bar = all.find('|', i);
            std::string part = all.substr(i, bar == std::string::npos ? std::string::npos : bar - i);
            if (!part.empty()) units.Add(CString(part.c_str()));
            if (bar == std::string::npos) break;
            i = bar + 1;
        }
    }
    for (int k = 0; k < units.GetSize(); ++k) AddString(units[k]);
    SetCurSel(-1);
    return GetCount() > 0;
}

BOOL CTBUnitComboBox::CreateDialogControl(CWnd* pParent, UINT nID, LPCTSTR lpszUnits) {
    if (!GetSafeHwnd() && (!pParent || !SubclassDlgItem(nID, pParent))) return FALSE;
    return CreateDialogControl(lpszUnits);
}

BOOL CTBUnitCheckBox::CreateDialogControl() {
    if (!GetSafeHwnd()) return FALSE;
    int check = GetCheck();
    SetButtonStyle((GetButtonStyle() & ~0x0Fu) | BS_AUTOCHECKBOX, FALSE);
    SetCheck(check);
    return TRUE;
}

BOOL CTBUnitCheckBox::CreateDialogControl(CWnd* pParent, UINT nID) {
    if (!GetSafeHwnd() && (!pParent || !SubclassDlgItem(nID, pParent))) return FALSE;
    return CreateDialogControl();
}
