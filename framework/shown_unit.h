// The used unit a page writes back: the unit its unit list shows for a parameter.
#pragma once

#include "afx/afxwin.h"
#include "wizard/copa.h"

namespace qv::pages {

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
