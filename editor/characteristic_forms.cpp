#include "editor/characteristic_forms.h"

#include "editor/host.h"

namespace qv {

std::vector<std::string> CharacteristicScriptWithForms(const CatalogueElement& type, const SchematicCharacteristic& ch) {
    std::vector<std::string> lines = CharacteristicScript(type, ch);
    const CatalogueCharacteristicControls& controls = type.characteristic;
    // The first line is the one that switches to the nonlinear form ("click <radio>").
    if (controls.formList != 0 && !controls.forms.empty() && !lines.empty())
        lines.front() = "pick " + std::to_string(controls.formList) + " " + std::to_string(controls.forms.front());
    return lines;
}

} // namespace qv
