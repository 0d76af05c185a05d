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
    // The second nonlinear form: its radio, its "Use Pin" box and its characteristic button
    // take the places of the first form's (the first line, the pin line or the button line).
    if (ch.form == 2 && controls.nonlinear2 != 0) {
        lines.front() = "click " + std::to_string(controls.nonlinear2);
        // The page's own clicks ("click <button>", "click <use pin>") stand outside the
        // characteristic table's block, whose controls are other ones.
        const std::string button = "click " + std::to_string(controls.button);
        const std::string usePin = "click " + std::to_string(controls.usePin);
        for (std::string& line : lines) {
            if (line == button) line = "click " + std::to_string(controls.button2);
            else if (line == usePin) line = "click " + std::to_string(controls.usePin2);
        }
    }
    return lines;
}

} // namespace qv
