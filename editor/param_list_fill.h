// The editor's part of "@PARAMLIST" for wizards that write their model text themselves
// ("IMMANENT" in the template) but fill no list: the transfer functions and the n-point
// element create their indexed parameters and leave the placeholder to the editor.
#pragma once

#include "wizard/paramholder.h"

#include <string>

namespace qv {

// The text with its first "@PARAMLIST" replaced by every live input parameter of the set that
// takes part in lists (no Type bit 0x02) and is not marked unused (ExtType bit 0x20000), as
// "name := @name" ("name := "@name"" for a text value), joined by ", " and followed by a
// blank. A text without the placeholder comes back unchanged.
std::string FillLeftParamList(const ParamHolder& holder, const std::string& text);

} // namespace qv
