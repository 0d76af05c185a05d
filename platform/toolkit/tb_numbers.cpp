#include "toolkit/tb_numbers.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "toolkit/text_util.h"

namespace {

using qv::text::EqualNoCase;
using qv::text::IsDigit;
// Numbers may have any white space of the "C" locale around them.
using qv::text::IsSpace;

struct Prefix {
    const char* text;
    int power;
};

// Three-letter forms first, so that "mil" is not read as "m" followed by "il".
constexpr Prefix kPrefixes[] = {
    {"fem", -15}, {"pik", -12}, {"nan", -9}, {"mik", -6}, {"mil", -3}, {"kil", 3},
    {"meg", 6},   {"gig", 9},   {"ter", 12}, {"f", -15},  {"p", -12},  {"n", -9},
    {"u", -6},    {"m", -3},    {"k", 3},    {"g", 9},    {"t", 12},
};

// The prefix at the start of `text` (its length through *length), or false.
bool PrefixAtStart(std::string_view text, int* power, std::size_t* length)
{
    for (const Prefix& p : kPrefixes) {
        const std::size_t n = std::strlen(p.text);
        if (text.size() >= n && EqualNoCase(text.substr(0, n), p.text)) {
            *power = p.power;
            *length = n;
            return true;
        }
    }
    return false;
}

// `text` is exactly one prefix.
bool IsPrefix(std::string_view text, int* power)
{
    std::size_t length = 0;
    return PrefixAtStart(text, power, &length) && length == text.size();
}

// A scanned decimal number: its mantissa (sign, digits, point) and its decimal exponent.
struct ScannedNumber {
    std::string mantissa;
    long long exponent = 0;
    std::size_t end = 0;  // index just after the number
};

// Scans the number grammar of TBExtended_atof at `pos`. Hexadecimal, "inf" and "nan" never
// match because the grammar needs a decimal digit before anything else.
bool ScanNumber(std::string_view s, std::size_t pos, ScannedNumber& out)
{
    std::size_t i = pos;
    out.mantissa.clear();
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-')
            out.mantissa += '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) {
        out.mantissa += s[i++];
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        out.mantissa += s[i++];
        while (i < s.size() && IsDigit(s[i])) {
            out.mantissa += s[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    out.exponent = 0;
    // An exponent counts only with at least one digit; "2e" is 2 followed by the text "e".
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        bool negative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            negative = s[j] == '-';
            ++j;
        }
        if (j < s.size() && IsDigit(s[j])) {
            long long e = 0;
            while (j < s.size() && IsDigit(s[j])) {
                // Saturate: any exponent this large overflows or underflows anyway.
                if (e < 100000)
                    e = e * 10 + (s[j] - '0');
                ++j;
            }
            out.exponent = negative ? -e : e;
            i = j;
        }
    }
    out.end = i;
    return true;
}

// The value of a scanned number times 10^power, correctly rounded (the prefix becomes part
// of the decimal exponent, so "4.7k" is exactly the double nearest to 4700). False when the
// result is not a finite double.
bool ScannedValue(const ScannedNumber& n, int power, double* value)
{
    std::string text = n.mantissa;
    text += 'e';
    text += std::to_string(n.exponent + power);
    double v = 0.0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(first, last, v, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small for a double: the nearest value is zero. Too large: not a number.
        // from_chars does not say which, so look at the digits.
        bool allZero = true;
        long long firstDigit = -1;  // position of the first non-zero digit, point excluded
        long long pointAt = -1;
        long long index = 0;
        for (char c : n.mantissa) {
            if (c == '.') {
                pointAt = index;
                continue;
            }
            if (!IsDigit(c))
                continue;
            if (c != '0' && allZero) {
                allZero = false;
                firstDigit = index;
            }
            ++index;
        }
        if (pointAt < 0)
            pointAt = index;
        if (allZero) {
            *value = 0.0;
            return true;
        }
        const long long magnitude = (pointAt - firstDigit - 1) + n.exponent + power;
        if (magnitude < 0) {
            *value = n.mantissa[0] == '-' ? -0.0 : 0.0;
            return true;
        }
        return false;
    }
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

// The number after any white space at the start of `s`; `rest` is what follows it, without
// white space at its end.
bool ScanLeadingNumber(std::string_view s, ScannedNumber& n, std::string_view& rest)
{
    std::size_t pos = 0;
    while (pos < s.size() && IsSpace(s[pos]))
        ++pos;
    if (!ScanNumber(s, pos, n))
        return false;
    rest = s.substr(n.end);
    while (!rest.empty() && IsSpace(rest.back()))
        rest.remove_suffix(1);
    return true;
}

// TBExtended_atof without the "0 on failure" folding.
bool ParseLoose(const char* text, const char* unit, double* value)
{
    if (text == nullptr)
        return false;
    ScannedNumber n;
    std::string_view rest;
    if (!ScanLeadingNumber(text, n, rest))
        return false;
    if (!rest.empty()) {
        const char c = rest[0];
        // A decimal comma, a second point or hexadecimal notation: refused rather than
        // read as a different number.
        if (c == ',' || c == '.' || c == 'x' || c == 'X' || IsDigit(c))
            return false;
    }
    int power = 0;
    bool decided = false;
    const std::string_view u = unit != nullptr ? std::string_view(unit) : std::string_view();
    if (!u.empty() && rest.size() >= u.size() && rest.substr(rest.size() - u.size()) == u) {
        const std::string_view head = rest.substr(0, rest.size() - u.size());
        if (head.empty()) {
            decided = true;
        } else if (IsPrefix(head, &power)) {
            decided = true;
        }
    }
    if (!decided) {
        std::size_t length = 0;
        if (!PrefixAtStart(rest, &power, &length))
            power = 0;
    }
    return ScannedValue(n, power, value);
}

}  // namespace

double TBExtended_atof(const char* text, const char* unit)
{
    double value = 0.0;
    if (!ParseLoose(text, unit, &value))
        return 0.0;
    return value;
}

CString TBExtended_ftoa(double value, int digits, int flag, const char* unit)
{
    (void)flag;
    int precision = digits < 0 ? 15 : digits;
    if (precision > 100)
        precision = 100;
    char buffer[160];
    CString text;
    if (std::isnan(value)) {
        text = "nan";
    } else if (std::isinf(value)) {
        text = value < 0 ? "-inf" : "inf";
    } else {
        // to_chars with a precision formats exactly as printf's "%.*g" in the "C" locale.
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                          std::chars_format::general, precision);
        text = CString(buffer, static_cast<int>(result.ptr - buffer));
    }
    if (unit != nullptr && *unit != '\0')
        text += unit;
    return text;
}

CString TBExtended_itoa(int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return CString(buffer, static_cast<int>(result.ptr - buffer));
}

int TBExtended_ftoi(double value, BOOL* ok)
{
    if (ok != nullptr)
        *ok = FALSE;
    if (std::isnan(value))
        return 0;
    const double t = std::trunc(value);
    if (t > static_cast<double>(INT_MAX))
        return INT_MAX;
    if (t < static_cast<double>(INT_MIN))
        return INT_MIN;
    if (ok != nullptr)
        *ok = TRUE;
    return static_cast<int>(t);
}

LONG TBExtended_ftol(double value, BOOL* ok)
{
    // LONG and int have the same 32-bit width here, as on the original platform.
    static_assert(sizeof(LONG) == sizeof(int));
    return static_cast<LONG>(TBExtended_ftoi(value, ok));
}

int TBExtended_atoi(const char* text, BOOL* ok)
{
    double value = 0.0;
    if (!ParseLoose(text, "", &value)) {
        if (ok != nullptr)
            *ok = FALSE;
        return 0;
    }
    return TBExtended_ftoi(value, ok);
}

namespace qv {

namespace {

// The number and prefix of the strict grammar: the whole text, blanks around it aside.
bool ScanPrefixedNumber(const char* text, ScannedNumber& n, int& power)
{
    std::string_view rest;
    if (text == nullptr || !ScanLeadingNumber(text, n, rest))
        return false;
    power = 0;
    return rest.empty() || IsPrefix(rest, &power);
}

}  // namespace

BOOL ParsePrefixedNumber(const char* text, double* value)
{
    ScannedNumber n;
    int power = 0;
    double v = 0.0;
    if (value == nullptr || !ScanPrefixedNumber(text, n, power) || !ScannedValue(n, power, &v))
        return FALSE;
    *value = v;
    return TRUE;
}

BOOL ParseNumberWithUnit(const char* text, double* value)
{
    if (text == nullptr || value == nullptr)
        return FALSE;
    if (ParsePrefixedNumber(text, value))
        return TRUE;
    ScannedNumber n;
    std::string_view rest;
    if (!ScanLeadingNumber(text, n, rest))
        return FALSE;
    // A decimal comma, a second point or hexadecimal notation is no number and a unit.
    if (!rest.empty() && (rest[0] == ',' || rest[0] == '.' || rest[0] == 'x' || rest[0] == 'X' || IsDigit(rest[0])))
        return FALSE;
    // The scale prefix that may stand right before the unit ("4.7kOhm"): what follows it is
    // the unit only when it is one of the unit's own characters.
    int power = 0;
    std::size_t length = 0;
    const bool prefixed = PrefixAtStart(rest, &power, &length);
    std::string_view unit = prefixed ? rest.substr(length) : rest;
    if (prefixed && !unit.empty() && !IsSpace(unit[0]) && !std::isalpha(static_cast<unsigned char>(unit[0]))) {
        // "1mV" is a prefix and a unit; "1m%" is not one unit.
        return FALSE;
    }
    if (!prefixed && (rest.empty() || !IsSpace(rest[0])) && !std::isalpha(static_cast<unsigned char>(rest[0])) &&
        rest[0] != '%' && rest[0] != '\xB0' && rest[0] != '\xB5')
        return FALSE;
    while (!unit.empty() && IsSpace(unit.front()))
        unit.remove_prefix(1);
    if (unit.empty())
        return prefixed && ScannedValue(n, power, value) ? TRUE : FALSE;
    const auto starts = [](char c) {
        return std::isalpha(static_cast<unsigned char>(c)) || c == '%' || c == '\xB0' || c == '\xB5';
    };
    const auto within = [&](char c) {
        return starts(c) || IsDigit(c) || c == '/' || c == '^' || c == '.' || c == '_';
    };
    if (!starts(unit.front()))
        return FALSE;
    for (const char c : unit)
        if (!within(c))
            return FALSE;
    double v = 0.0;
    if (!ScannedValue(n, power, &v))
        return FALSE;
    *value = v;
    return TRUE;
}

BOOL ParsePrefixedNumberWide(const char* text, long double* value)
{
    ScannedNumber n;
    int power = 0;
    if (value == nullptr || !ScanPrefixedNumber(text, n, power))
        return FALSE;
    double v = 0.0;
    if (ScannedValue(n, power, &v)) {
        *value = v;
        return TRUE;
    }
    // Too large for a double (ScannedValue takes what is too small as zero).
    std::string wide = n.mantissa;
    wide += 'e';
    wide += std::to_string(n.exponent + power);
    long double w = 0.0L;
    const auto result = std::from_chars(wide.data(), wide.data() + wide.size(), w, std::chars_format::general);
    const bool negative = !n.mantissa.empty() && n.mantissa[0] == '-';
    const bool held = result.ec == std::errc() && result.ptr == wide.data() + wide.size() && std::isfinite(w);
    *value = held ? w : (negative ? -HUGE_VALL : HUGE_VALL);
    return TRUE;
}

}  // namespace qv
