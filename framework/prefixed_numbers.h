// Numbers with a scale prefix ("4.7k", "10mik") and the index written in brackets inside a
// parameter name ("R[3]"). Both are stateless helpers shared by pages and model-text writers.
#pragma once

#include "afx/afx.h"

// Parses a decimal number optionally followed by one scale prefix (f/fem, p/pik, n/nan,
// u/mik, m/mil, k/kil, meg, g/gig, t/ter, any letter case; mega is "meg" alone: "M" is
// milli), the prefixes the toolkit's number reader takes (docs/units.md).
// Trailing white space is ignored. Returns 1 and stores the scaled value in *result, or
// returns 0 and stores 0.0. A null result pointer turns the call into a mere test.
BOOL ParseValueWithPrefix(CString text, double* result);

// Whether the lower and upper limit of an input leave it unlimited: both read as the number 0,
// in any spelling ("0", "0.0", "0m"). A limit that names a signal or a parameter is a limit.
bool LeavesUnlimited(const CString& lower, const CString& upper);

// The integer between the first "[" of a name and the next "]", truncated toward zero;
// -1 when there is no such pair, the text holds "%", or the number is not a finite value
// that fits an int.
int GetBracketIndex(CString name);
