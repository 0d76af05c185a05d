// The shortest decimal text of a double that reads back to the same double.
//
// The text is byte for byte the one std::to_chars(first, last, value) writes without a format
// or a precision, only faster:
// - the digits are the fewest that read back to the value; among several such digit strings
//   the one nearest the value, and on an exact tie the one with an even last digit;
// - the text is plain ("0.001", "1234.5") or scientific ("1e-04", "1.5e+300"), whichever has
//   fewer characters, plain on a tie; the exponent has a sign and at least two digits;
// - a plain whole number is written with the exact value of the double, which above 2^53 may
//   have more significant digits than the shortest form ("123456789012345683968");
// - the zeros are "0" and "-0"; infinities "inf" and "-inf"; NaNs "nan", or "-nan" when the
//   sign bit is set.
// The "C" locale holds whatever the process locale is.
#pragma once

#include <string>

namespace qv {

// The most characters WriteShortestNumber writes ("-2.2250738585072014e-308").
inline constexpr int kShortestNumberMaxLength = 24;

// Writes the text of `value` at `out` (at most kShortestNumberMaxLength characters, no
// terminating NUL) and returns its end. The kShortestNumberMaxLength bytes at `out` must be
// writable: the text is copied there in one piece of that size, so the bytes between the
// returned end and out + kShortestNumberMaxLength are overwritten with unspecified content.
char* WriteShortestNumber(char* out, double value) noexcept;

// The same text as a string.
std::string ShortestNumberText(double value);

}  // namespace qv
