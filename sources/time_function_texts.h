// What the linear sources of every domain share about their time functions: the placeholders
// their model text leaves for the wizard to fill, and how every source page reads a number
// typed by a user. The amplitude they derive from an RMS value and the period they derive from
// a frequency are the time functions' (framework/model_text_builders.h).
#pragma once

#include "afx/afx.h"
#include "framework/requests.h"

class ParamHolder;

namespace qv::sources {

// A number typed by a user with its prefix, or nothing: non-finite values are no number.
bool ParseFinite(const CString& text, double* value);

// Walks the pending placeholders from the last to the first and fills them: "@PHASE" and
// "@AC_PHASE_PHI" switch the phase parameters to radians (each with a commit), "@AC_PHASE" and
// "@AC_MAG" become the phase and magnitude of the real and imaginary parts, "@AC_MAG_VAL" and
// "@AC_PHASE_VAL" the AC values of a constant source. Every entry leaves the list and is
// deleted.
void ResolveSourcePlaceholders(const RequestTarget& target, DWORD_PTR cookie, ParamHolder* holder,
                               CString& modelText);

} // namespace qv::sources
