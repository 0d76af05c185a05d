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

// The unit of `quantity` that stands where `unit` stands in `other`, the quantity it was
// chosen in: the unit of the same scale ("mV" of a voltage is "mA" of a current, "kA" is
// "kV", the base unit the base unit). A unit of `quantity` already is its own. A unit that
// `other` does not hold, or whose scale `quantity` has no unit for ("MV" where currents go to
// "kA"), is the base unit of `quantity`. Empty for an unknown `quantity`.
inline CString UnitInQuantity(const char* unit, const char* quantity, const char* other) {
    const qv::UnitsTable& table = qv::BuiltInUnitsTable();
    const qv::QuantityDefinition* to = table.FindQuantity(quantity != nullptr ? quantity : "");
    if (to == nullptr || to->units.empty()) return CString();
    const std::string_view symbol = unit != nullptr ? unit : "";
    for (const qv::UnitDefinition& candidate : to->units)
        if (candidate.symbol == symbol) return CString(candidate.symbol.c_str());
    if (const qv::QuantityDefinition* from = table.FindQuantity(other != nullptr ? other : "")) {
        for (const qv::UnitDefinition& chosen : from->units) {
            if (chosen.symbol != symbol || chosen.offset != 0.0L) continue;
            for (const qv::UnitDefinition& candidate : to->units)
                if (candidate.factor == chosen.factor && candidate.offset == 0.0L) return CString(candidate.symbol.c_str());
        }
    }
    return CString(to->units.front().symbol.c_str());
}

// Gives `param` the quantity `quantity`, with its base unit as the parameter's own unit and its
// used unit mapped from `other` by UnitInQuantity: a parameter whose quantity follows a switch
// of the page (a source that drives a voltage or a current). An unknown quantity changes
// nothing. TRUE when the parameter changed.
inline bool SwitchQuantity(CWizardCopaObject3* param, const char* quantity, const char* other) {
    if (param == nullptr) return false;
    const qv::QuantityDefinition* to = qv::BuiltInUnitsTable().FindQuantity(quantity != nullptr ? quantity : "");
    if (to == nullptr || to->units.empty()) return false;
    const CString name(to->name.c_str());
    const CString unit(to->units.front().symbol.c_str());
    // An empty used unit is the parameter's own unit, whichever that is.
    const CString used = param->GetUsedUnit().IsEmpty() ? CString() : UnitInQuantity(param->GetUsedUnit(), quantity, other);
    if (param->GetQuantity() == name && param->GetUnit() == unit && param->GetUsedUnit() == used) return false;
    param->SetQuantity(name);
    param->SetUnit(unit);
    param->SetUsedUnit(used);
    return true;
}

} // namespace qv::pages
