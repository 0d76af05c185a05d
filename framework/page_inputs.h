// The walk over the parameters a block page reads and writes, for pages that hold a parameter
// set of their own rather than the older base's data-exchange object.
#pragma once

#include "framework/older_base_block.h"

namespace qv::blocks {

// The walk every page on a parameter set takes (framework/param_access.h).
using qv::pages::ForEachPageInput;

} // namespace qv::blocks
