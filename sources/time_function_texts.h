// What the linear sources of every domain share about their time functions: the period and
// amplitude texts their pages derive, the period their wizards derive from the parameter set,
// and the placeholders their model text leaves for the wizard to fill; and how every source
// page reads a number typed by a user.
#pragma once

#include "afx/afx.h"
#include "framework/requests.h"

class ParamHolder;

namespace qv::sources {

// A number typed by a user with its prefix, or nothing: non-finite values are no number.
bool ParseFinite(const CString& text, double* value);

// The period field's text: the sum of rise, width and fall for the trapezoid, else the
// reciprocal of the frequency; numbers where the texts parse and the result is finite, else
// the formula (" a + b + c", "1/(f)"). FALSE for a frequency that parses as 0: the field is
// left as it is.
bool PeriodFieldText(bool trapezoid, const CString& rise, const CString& width, const CString& fall,
                     const CString& frequency, CString* period);

// The amplitude of a sine given by its RMS value: RMS times the square root of 2 as a number,
// or the formula "<rms> * sqrt(2.0)" when the text is no number or the product not finite.
CString AmplitudeFromRMSText(const CString& rms);

// The period from the parameter set: MakeSumText of rise (2051), width (2055) and fall (2053)
// for the trapezoid, MakeReciprocalText of the frequency (2036) otherwise. FALSE when a
// parameter it needs is missing.
BOOL DerivePeriodFromParams(ParamHolder* holder, bool trapezoid, CString* period);

// Walks the pending placeholders from the last to the first and fills them: "@PHASE" and
// "@AC_PHASE_PHI" switch the phase parameters to radians (each with a commit), "@AC_PHASE" and
// "@AC_MAG" become the phase and magnitude of the real and imaginary parts, "@AC_MAG_VAL" and
// "@AC_PHASE_VAL" the AC values of a constant source. Every entry leaves the list and is
// deleted.
void ResolveSourcePlaceholders(const RequestTarget& target, DWORD_PTR cookie, ParamHolder* holder,
                               CString& modelText);

} // namespace qv::sources
