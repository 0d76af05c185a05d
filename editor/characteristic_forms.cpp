#include "editor/characteristic_forms.h"

#include "editor/host.h"

namespace qv {

std::vector<std::string> CharacteristicScriptWithForms(const CatalogueElement& type, const SchematicCharacteristic& ch) {
    std::vector<std::string> lines = CharacteristicScript(type, ch);
    const CatalogueCharacteristicControls& controls = type.characteristic;
    // The first line is the one that switches to the nonlinear form ("click <radio>").
    if (lines.empty()) return lines;
    if (controls.formList != 0 && !controls.forms.empty())
        lines.front() = "pick " + std::to_string(controls.formList) + " " + std::to_string(controls.forms.front());
    // A page whose characteristic is always in use has nothing to switch: the catalogue names
    // neither a radio button nor a form list.
    else if (controls.nonlinear == 0)
        lines.erase(lines.begin());
    return lines;
}

} // namespace qv
