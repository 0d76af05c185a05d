// Entering a schematic's characteristic on pages that choose their form from a list (the
// catalogue's "form_list" and "forms") rather than with a radio button.
#pragma once

#include "editor/catalogue.h"
#include "editor/schematic.h"

#include <string>
#include <vector>

namespace qv {

// The edit-script lines of CharacteristicScript, with the nonlinear form picked from the
// element's form list (its first characteristic entry) where the catalogue names one instead
// of a radio button, and without the switch where the catalogue names neither (the page always
// uses its characteristic). A characteristic of the second nonlinear form (form 2) is entered
// with the catalogue's "nonlinear2", "button2" and "use_pin2" instead of the first form's
// controls. Elements with a radio button get CharacteristicScript's lines unchanged otherwise.
std::vector<std::string> CharacteristicScriptWithForms(const CatalogueElement& type, const SchematicCharacteristic& ch);

} // namespace qv
