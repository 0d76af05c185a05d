// Message strings of the library's resources that the pages of several element families show.
// A page that needs one names it from here instead of defining the number again.
#pragma once

#include "win32/wintypes.h"

namespace qv::strings {

// A typed value is not a number the field accepts.
constexpr UINT kStrInvalidValue = 8000;
// A data file could not be read.
constexpr UINT kStrReadError = 8004;
// Entries of a table stand in it more than once where each may stand only once.
constexpr UINT kStrDuplicates = 8007;

}  // namespace qv::strings
