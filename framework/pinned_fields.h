// Loading a page's text fields from its parameters. Each field names a value ID, the text
// that takes the parameter's value and, where the field has them, the page's "Use Pin" flag
// for it and the unit list that shows the parameter's used unit. The flag is only ever set,
// never cleared, so that when several parameters share one box, any of them on a pin ticks
// it. A characteristic parameter that the current form marks unused does not tick its box.
#pragma once

#include "afx/afx.h"
#include "framework/param_access.h"
#include "framework/shown_unit.h"
#include "toolkit/tb_unit_combo.h"

#include <initializer_list>
#include <span>

namespace qv::pages {

struct PinnedField {
    WORD id;
    CString* text;
    BOOL* usesPin = nullptr;
    bool characteristic = false;  // the pin counts only while the form uses the parameter
    CTBUnitComboBox* unit = nullptr;
};

// Loads `param` into the field of its value ID; false when no field has that ID.
inline bool LoadPinnedField(const CWizardCopaObject3& param, std::span<const PinnedField> fields) {
    for (const PinnedField& field : fields) {
        if (field.id != param.GetValueID()) continue;
        *field.text = param.GetValue();
        const bool unused = field.characteristic && (param.GetExtType() & kParamExtUnused) != 0;
        if (field.usesPin != nullptr && param.HasPin() && !unused) *field.usesPin = TRUE;
        if (field.unit != nullptr) qv::pages::ShowUnitsOf(*field.unit, &param);
        return true;
    }
    return false;
}

inline bool LoadPinnedField(const CWizardCopaObject3& param, std::initializer_list<PinnedField> fields) {
    return LoadPinnedField(param, std::span<const PinnedField>(fields.begin(), fields.size()));
}

// Fields the page has no "Use Pin" box for, such as a count of coefficients, rows or points, or
// the name of a data file: what the page writes is the value as typed, since no signal can size
// a list or name a file. A pin that stored data or a received schematic put on such a
// parameter goes when the page writes its values, so that the editor sees the page take the
// parameter from no pin, and no description reads a text that stands behind a pin.
inline void TakeFromNoPin(ParamHolder* holder, std::initializer_list<WORD> valueIDs) {
    for (WORD id : valueIDs) SetParamUsePin(holder, id, FALSE);
}

} // namespace qv::pages
