// Number functions of the toolkit: text <-> number with the system's scale prefixes, and
// checked conversions from double to the integer types.
//
// Numbers are always read and written in the "C" locale, whatever locale the process runs
// in. docs/units.md describes the accepted number texts and the prefixes.
#pragma once

#include "afx/cstring.h"
#include "win32/wintypes.h"

// Reads a decimal number that may be followed by a scale prefix and a unit.
//
// Grammar: optional blanks, an optional sign, digits with an optional decimal point and an
// optional exponent ("1", "-2.5", ".5", "1e-3"); then, directly after the number, an optional
// scale prefix; anything after that is unit text and ignored. The prefixes compare without
// regard to case and have a short and a long form:
//   f/fem 1e-15, p/pik 1e-12, n/nan 1e-9, u/mik 1e-6, m/mil 1e-3,
//   k/kil 1e3, meg 1e6, g/gig 1e9, t/ter 1e12.
// As the comparison ignores case, "M" is milli (not mega) and "F" femto; mega is "meg".
//
// `unit` names the unit the text may carry. When the text after the number is that unit, or
// a prefix followed by that unit, the unit is taken off first, so that "1m" with the unit "m"
// is one metre while "1mm" is 1e-3, and "1F" with the unit "F" is one farad.
//
// Returns 0 for a text that is not a number: an empty text, letters only, "nan", "inf",
// hexadecimal ("0x10"), a decimal comma ("1,5"), a second decimal point ("1.2.3"), or a
// number that overflows a double (also after the prefix is applied). The result is always
// finite.
double TBExtended_atof(const char* text, const char* unit = "");

// Writes a number as text: "%.15g" when digits is negative, "%.<digits>g" otherwise
// (digits above 100 count as 100). `flag` is accepted for the callers' argument lists and
// changes nothing: the number is always written plainly. A non-empty `unit` is appended
// directly after the number. Non-finite values are written "nan", "inf" and "-inf".
CString TBExtended_ftoa(double value, int digits = -1, int flag = 0, const char* unit = "");

// The decimal text of an integer.
CString TBExtended_itoa(int value);

// Checked conversions toward zero. A NaN gives 0; a value beyond the range of the result
// type (infinities included) gives the nearest limit. In both cases *ok (when given) is set
// to FALSE, otherwise to TRUE. LONG keeps the 32-bit width the system was written for.
int TBExtended_ftoi(double value, BOOL* ok = nullptr);
LONG TBExtended_ftol(double value, BOOL* ok = nullptr);

// Reads a number as TBExtended_atof does (prefix and unit included) and converts it with
// TBExtended_ftoi: "12" gives 12, "2.9" gives 2, "1k" gives 1000. A text that is not a number
// gives 0 and *ok = FALSE; an out-of-range number gives the nearest limit and *ok = FALSE.
int TBExtended_atoi(const char* text, BOOL* ok = nullptr);

namespace qv {

// Strict form of TBExtended_atof for conversions: the whole text must be one number with an
// optional scale prefix, blanks allowed around it but nothing else (no unit, no variable
// name, no expression). Returns FALSE and leaves *value unchanged otherwise.
BOOL ParsePrefixedNumber(const char* text, double* value);

// ParsePrefixedNumber in the widest floating type, for a number that a double holds only
// once it is converted to another unit ("1e308k" milliohm is 1e308 ohm, while 1e308k alone
// overflows a double). A number that a double holds reads exactly as ParsePrefixedNumber
// reads it; one beyond even this type's range gives the infinity of its sign. FALSE, and
// *value unchanged, for a text that is not one number with an optional prefix.
BOOL ParsePrefixedNumberWide(const char* text, long double* value);

// A number as a cell of numbers takes it: one number with an optional scale prefix, then
// optionally a unit ("5 V", "20 %", "90 \xB0"): a word of letters and digits, "%", "\xB0",
// "\xB5", "/", "^", "." or "_" that begins with a letter, "%", "\xB0" or "\xB5", blanks
// around. Nothing else may follow (no second number, no operator, no separator: "1,5",
// "1/(0)" and "1k, x" are no numbers). FALSE, and *value unchanged, otherwise or for a number
// that is not finite.
BOOL ParseNumberWithUnit(const char* text, double* value);

}  // namespace qv
