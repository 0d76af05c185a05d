// The editor's part of the parameter lists in model texts: "@PARAMLIST" left for the editor by
// wizards that write their model text themselves ("IMMANENT" in the template) but fill no list
// (the transfer functions and the n-point element create their indexed parameters and leave the
// placeholder), and the list macros "@ListCoPa(...)" and "@CoPaRemoveCharacters(...)" that the
// coupled inductors and the controlled switch place (docs/host.md, "describe").
#pragma once

#include "wizard/paramholder.h"

#include <string>

namespace qv {

// The text with its first "@PARAMLIST" replaced by every live input parameter of the set that
// takes part in lists (no Type bit 0x02) and is not marked unused (ExtType bit 0x20000), as
// "name := @name" ("name := "@name"" for a text value), joined by ", " and followed by a
// blank. A text without the placeholder comes back unchanged.
std::string FillLeftParamList(const ParamHolder& holder, const std::string& text);

// The text with its list macros expanded, each where it stands:
// - "@ListCoPa(value, mask, extMask)" becomes every live parameter whose Type masked with
//   `mask` is `value`, that takes part in lists (no Type bit 0x02) and has none of the ExtType
//   bits of `extMask`, in the set's order, each as "name := @name" (quoted for a text value)
//   followed by ",", the entries separated by a blank;
// - "@CoPaRemoveCharacters(value, mask, flags, count, from)" takes `count` characters off the
//   end (`from` -1) of the list that the last "@ListCoPa" with the same `value` and `mask`
//   wrote (no more than it wrote): its closing ",". `flags` is not read.
// A macro whose arguments are not numbers of that count, or a removal from another place than
// the end or from no list, stays as it stands. A text without macros comes back unchanged.
std::string ExpandListMacros(const ParamHolder& holder, const std::string& text);

} // namespace qv
