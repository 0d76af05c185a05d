// A parameter's units on a page: the unit list shows them with the used unit chosen, and the
// unit the list shows is written back as the used unit.
#pragma once

#include "afx/afxwin.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/copa.h"

namespace qv::pages {

// The unit list offers the units of the parameter's quantity, the parameter's used unit chosen.
inline void ShowUnitsOf(CTBUnitComboBox& units, const CWizardCopaObject3* param) {
    units.CreateDialogControl(param->GetQuantity());
    units.SelectString(-1, param->GetUsedUnit());
}

// Writes the unit that `units` shows as the parameter's used unit. A list without a window,
// or one without entries (no quantity, so no units were offered), leaves the used unit as it
// is.
inline void WriteShownUnit(const CComboBox* units, CWizardCopaObject3* param) {
    if (units == nullptr || units->GetSafeHwnd() == nullptr || units->GetCount() <= 0) return;
    CString used;
    units->GetWindowText(used);
    param->SetUsedUnit(used);
}

} // namespace qv::pages
