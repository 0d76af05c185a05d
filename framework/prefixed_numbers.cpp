#include "framework/prefixed_numbers.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

#include "toolkit/tb_numbers.h"
#include "toolkit/text_util.h"

namespace {

// White space as the "C" locale defines it; bytes above 127 are never blanks, whatever
// the sign of char.
using qv::text::IsSpace;
using qv::text::IsDigit;
using qv::text::EqualNoCase;

struct ScalePrefix {
    const char* shortForm;
    const char* longForm;
    int power;
};

constexpr ScalePrefix kPrefixes[] = {
    {"f", "fem", -15}, {"p", "pik", -12}, {"n", "nan", -9}, {"u", "mik", -6},
    {"m", "mil", -3},  {"k", "kil", 3},   {"meg", "meg", 6}, {"g", "gig", 9}, {"t", "ter", 12},
};

// Length of the decimal number at the start of text (after leading blanks): an optional
// sign, digits with at most one point, and an exponent when digits follow the "e". The
// runtime's own reader would also take "inf", "nan" and hexadecimal forms, which the
// system's numbers never use, so the extent is decided here and only that part is converted.
size_t ScanDecimal(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) { ++i; ++digits; }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            i = j;
        }
    }
    return i;
}

// Numbers are read in the "C" locale whatever the user's locale is.
double StrtodC(const std::string& number) {
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return strtod_l(number.c_str(), nullptr, cLocale);
}

} // namespace

BOOL ParseValueWithPrefix(CString text, double* result) {
    double scratch = 0.0;
    double* out = result ? result : &scratch;
    *out = 0.0;

    std::string buffer(static_cast<const char*>(text), static_cast<size_t>(text.GetLength()));
    while (!buffer.empty() && IsSpace(buffer.back())) buffer.pop_back();
    if (buffer.empty()) return 0;

    const size_t consumed = ScanDecimal(buffer);
    if (consumed == 0) return 0;
    double value = StrtodC(buffer.substr(0, consumed));

    const std::string suffix = buffer.substr(consumed);
    int power = 0;
    if (!suffix.empty()) {
        bool known = false;
        for (const ScalePrefix& p : kPrefixes) {
            if (EqualNoCase(suffix, p.shortForm) || EqualNoCase(suffix, p.longForm)) {
                power = p.power;
                known = true;
                break;
            }
        }
        if (!known) return 0;
    }

    if (!std::isfinite(value) || value < -DBL_MAX || value > DBL_MAX) return 0;

    // The product of number and scale must stay well inside the double range.
    int valueExponent = 0;
    int scaleExponent = 0;
    std::frexp(value, &valueExponent);
    std::frexp(std::pow(10.0, power), &scaleExponent);
    const int exponent = valueExponent + scaleExponent;
    if (exponent < -1021 || exponent > 1024) return 0;

    // Scaled in steps of a thousand, so "1p" is 1 x 0.001 x 0.001 x 0.001 x 0.001.
    while (power > 0) { value *= 1000.0; power -= 3; }
    while (power < 0) { value *= 0.001; power += 3; }
    *out = value;
    return 1;
}

bool LeavesUnlimited(const CString& lower, const CString& upper) {
    const auto zero = [](const CString& text) {
        double value = 1.0;
        return ParseValueWithPrefix(text, &value) != 0 && value == 0.0;
    };
    return zero(lower) && zero(upper);
}

int GetBracketIndex(CString name) {
    const int open = name.Find('[');
    if (open < 0) return -1;
    const CString rest = name.Mid(open + 1);
    const int close = rest.Find(']');
    if (close < 0) return -1;
    const CString inside = rest.Left(close);
    // Plain digits (a family member's index, nearly always) read as the general reading would.
    const std::string& digits = inside.str();
    if (!digits.empty() && digits.size() <= 9 && digits.find_first_not_of("0123456789") == std::string::npos)
        return std::stoi(digits);
    if (inside.Find('%') >= 0) return -1;
    const double value = TBExtended_atof(inside, "");
    // A value that is not finite or does not fit an int has no index; converting it
    // would be undefined.
    if (!std::isfinite(value)) return -1;
    const double truncated = std::trunc(value);
    if (truncated < static_cast<double>(INT_MIN) || truncated > static_cast<double>(INT_MAX)) return -1;
    return static_cast<int>(truncated);
}
