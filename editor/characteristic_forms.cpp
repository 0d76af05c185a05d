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
        // A pin: "click <use pin>" follows the radio. Otherwise the button is clicked last,
        // right before the closing "ok".
        const size_t at = ch.kind == SchematicCharacteristic::Kind::Pin ? 1 : lines.size() - 2;
        if (lines.size() >= 3 && at < lines.size())
            lines[at] = "click " + std::to_string(ch.kind == SchematicCharacteristic::Kind::Pin ? controls.usePin2
                                                                                               : controls.button2);
    }
    return lines;
}

} // namespace qv
