// A parameter's units on a page: the unit list shows them with the used unit chosen, the
// unit the list shows is written back as the used unit, and a field's text is read in it.
#pragma once

#include "afx/afxwin.h"
#include "framework/model_text_builders.h"
#include "toolkit/tb_unit_combo.h"
#include "toolkit/tb_units.h"
#include "wizard/copa.h"

namespace qv::pages {

// The unit list offers the units of the parameter's quantity, the parameter's used unit chosen.
// A parameter without a quantity (a coefficient, a plain number) has no units to offer: its list
// is hidden rather than shown empty.
inline void ShowUnitsOf(CTBUnitComboBox& units, const CWizardCopaObject3* param) {
    const bool offered = units.CreateDialogControl(param->GetQuantity()) && units.GetCount() > 0;
    if (!offered) {
        if (units.GetSafeHwnd() != nullptr) units.ShowWindow(SW_HIDE);
        return;
    }
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

// A field that has no unit list shows its parameter in the parameter's own unit, the one its
// caption names: a number given in another used unit is shown converted into it ("1.8" mH as
// "0.0018" where the caption says "[H]"); any other text (a name, an expression) with the
// conversion around it ("((M)*0.001)"), so that it keeps its meaning in the unit shown.
inline CString ValueInOwnUnit(const CWizardCopaObject3* param) {
    return qv::ValueInUnit(param->GetQuantity(), param->GetUsedUnit(), param->GetValue(), param->GetUnit());
}

// What such a field wrote is in the parameter's own unit.
inline void WriteOwnUnit(CWizardCopaObject3* param) { param->SetUsedUnit(param->GetUnit()); }

// A field's text with its parameter's quantity and unit, in the unit that `units` shows: the
// parameter's used unit while the list has no window or no entries (or there is no list).
inline TypedValue TypedAsShown(const CWizardCopaObject3* param, const CString& text, const CComboBox* units) {
    TypedValue typed = TypedValueOf(param);
    typed.text = text;
    if (units != nullptr && units->GetSafeHwnd() != nullptr && units->GetCount() > 0) units->GetWindowText(typed.usedUnit);
    return typed;
}

// The same for a field whose value the page derives another from (a frequency, a rise time): an
// input taken from a pin is its pin's signal (TypedInputOf), whatever the field still shows.
inline TypedValue TypedInputAsShown(const ParamHolder* holder, const CWizardCopaObject3* param, const CString& text,
                                    const CComboBox* units) {
    if (param != nullptr && param->HasPin()) return TypedInputOf(holder, param);
    return TypedAsShown(param, text, units);
}

} // namespace qv::pages
