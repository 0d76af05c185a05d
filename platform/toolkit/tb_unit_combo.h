// Unit selectors and the check boxes beside value fields.
#pragma once

#include "afx/afxwin.h"

// A combo box of the toolkit's look.
class CTBComboBox : public CComboBox {
    DECLARE_DYNAMIC(CTBComboBox)
public:
    CTBComboBox() = default;

    // Selects the entry that equals the text exactly (case included) after nStartAfter,
    // else the first entry that starts with it without regard to case, as the plain combo
    // box does. Units differ by case alone ("mV" and "MV"), so the exact match comes first.
    // Returns the index or CB_ERR (selection unchanged).
    int SelectString(int nStartAfter, LPCTSTR lpszString);

    // The flat look is a matter of drawing only; the setting is kept for the owner.
    void DisableFlatLook(BOOL bDisable = TRUE) { m_flatLookDisabled = bDisable != FALSE; }
    BOOL IsFlatLookDisabled() const { return m_flatLookDisabled; }

protected:
    bool m_flatLookDisabled = false;
};

// The unit selector of a value field: its entries are the units of one quantity.
class CTBUnitComboBox : public CTBComboBox {
    DECLARE_DYNAMIC(CTBUnitComboBox)
public:
    CTBUnitComboBox() = default;

    // Fills the attached combo box with the units of the quantity named by the text (its
    // base unit first). A text that names no quantity but holds units separated by '|'
    // ("V|mV|kV") gives those units. The selection is cleared. FALSE (and an empty list)
    // when the text names no quantity and lists no units, or the control does not exist.
    BOOL CreateDialogControl(LPCTSTR lpszUnits);
    // The same for the control nID of pParent, which this object is attached to first.
    BOOL CreateDialogControl(CWnd* pParent, UINT nID, LPCTSTR lpszUnits);

    const CString& GetQuantity() const { return m_quantity; }

protected:
    CString m_quantity;
};

// The check box beside a value field that switches the element's output of that value on.
class CTBUnitCheckBox : public CButton {
    DECLARE_DYNAMIC(CTBUnitCheckBox)
public:
    CTBUnitCheckBox() = default;

    // Makes the attached button an automatic check box; it keeps its caption and check.
    BOOL CreateDialogControl();
    BOOL CreateDialogControl(CWnd* pParent, UINT nID);
};
