#include "toolkit/tb_units.h"

#include "toolkit/tb_numbers.h"
#include "toolkit/text_util.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

// Defined in the source file that data.cmake generates from resources/units.tbl.
namespace qv::detail {
extern const unsigned char kUnitsTableText[];
extern const unsigned long kUnitsTableSize;
}  // namespace qv::detail

namespace qv {

namespace {

using text::EqualNoCase;
using text::HexDigit;
using text::SplitBlanks;
using text::Trim;

// Symbols are ASCII in the table; a byte of the 8-bit code page is written "\xHH".
bool Unescape(std::string_view s, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (i + 3 >= s.size())
            return false;
        if (s[i + 1] != 'x')
            return false;
        const int hi = HexDigit(s[i + 2]);
        const int lo = HexDigit(s[i + 3]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 3;
    }
    return true;
}

// A decimal number or "pi", in long double: the table's constants (273.15, 5/9) then carry
// far less rounding than the doubles of a conversion, which keeps "%.15g" results exact.
bool ParseTerm(std::string_view s, long double* value)
{
    constexpr long double kPi = 3.141592653589793238462643383279502884L;
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s == "pi") {
        *value = negative ? -kPi : kPi;
        return true;
    }
    unsigned long long mantissa = 0;
    int digits = 0;
    long exponent = 0;
    std::size_t i = 0;
    bool any = false;
    bool point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            break;
        any = true;
        if (digits < 19) {
            if (mantissa != 0 || c != '0')
                ++digits;
            mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
            if (point)
                --exponent;
        } else if (!point) {
            ++exponent;
        }
    }
    if (!any)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < s.size() && (s[j] == '-' || s[j] == '+')) {
            negativeExponent = s[j] == '-';
            ++j;
        }
        long e = 0;
        const std::size_t start = j;
        for (; j < s.size() && s[j] >= '0' && s[j] <= '9'; ++j)
            if (e < 10000)
                e = e * 10 + (s[j] - '0');
        if (j == start)
            return false;
        exponent += negativeExponent ? -e : e;
        i = j;
    }
    if (i != s.size() || exponent > 300 || exponent < -300)
        return false;
    long double v = static_cast<long double>(mantissa) * std::pow(10.0L, static_cast<long double>(exponent));
    *value = negative ? -v : v;
    return std::isfinite(v);
}

// A number, "pi", or a quotient of two of them ("1/1000", "pi/180").
bool ParseFactor(std::string_view s, long double* value)
{
    const std::size_t slash = s.find('/');
    if (slash == std::string_view::npos)
        return ParseTerm(s, value);
    long double a = 0.0L;
    long double b = 0.0L;
    if (!ParseTerm(s.substr(0, slash), &a) || !ParseTerm(s.substr(slash + 1), &b) || b == 0.0L)
        return false;
    *value = a / b;
    return std::isfinite(*value);
}

const UnitDefinition* FindUnit(const QuantityDefinition& q, std::string_view symbol)
{
    for (const UnitDefinition& u : q.units)
        if (u.symbol == symbol)
            return &u;
    return nullptr;
}

}  // namespace

const QuantityDefinition* UnitsTable::FindQuantity(std::string_view name) const
{
    for (const QuantityDefinition& q : quantities)
        if (EqualNoCase(q.name, name))
            return &q;
    return nullptr;
}

bool ParseUnitsTable(std::string_view text, UnitsTable& table, std::string* error)
{
    table.quantities.clear();
    int lineNumber = 0;
    auto fail = [&](const char* what) {
        if (error != nullptr)
            *error = "line " + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    auto finishQuantity = [&]() {
        return table.quantities.empty() || !table.quantities.back().units.empty();
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                return fail("a quantity heading must end with ']'");
            if (!finishQuantity())
                return fail("the previous quantity has no units");
            const std::string_view name = Trim(line.substr(1, line.size() - 2));
            if (name.empty())
                return fail("empty quantity name");
            if (table.FindQuantity(name) != nullptr)
                return fail("quantity named twice");
            table.quantities.push_back(QuantityDefinition{std::string(name), {}});
            continue;
        }
        if (table.quantities.empty())
            return fail("unit before the first quantity heading");
        const std::vector<std::string_view> fields = SplitBlanks(line);
        if (fields.size() < 2 || fields.size() > 3)
            return fail("a unit line holds a symbol, a factor and an optional offset");
        UnitDefinition unit;
        if (!Unescape(fields[0], unit.symbol) || unit.symbol.empty())
            return fail("bad unit symbol");
        if (unit.symbol.find('|') != std::string::npos)
            return fail("a unit symbol cannot contain '|'");
        if (!ParseFactor(fields[1], &unit.factor) || unit.factor == 0.0L)
            return fail("bad factor");
        if (fields.size() == 3 && !ParseFactor(fields[2], &unit.offset))
            return fail("bad offset");
        QuantityDefinition& q = table.quantities.back();
        if (FindUnit(q, unit.symbol) != nullptr)
            return fail("unit named twice in one quantity");
        if (q.units.empty() && (unit.factor != 1.0L || unit.offset != 0.0L))
            return fail("the first unit of a quantity is its base unit: factor 1, no offset");
        q.units.push_back(std::move(unit));
    }
    if (!finishQuantity()) {
        return fail("the last quantity has no units");
    }
    return true;
}

std::string_view BuiltInUnitsTableText()
{
    return std::string_view(reinterpret_cast<const char*>(detail::kUnitsTableText),
                            detail::kUnitsTableSize);
}

const UnitsTable& BuiltInUnitsTable()
{
    // A faulty embedded table is a build fault that the tests report; here it leaves no
    // units at all rather than half a table.
    static const UnitsTable table = [] {
        UnitsTable t;
        if (!ParseUnitsTable(BuiltInUnitsTableText(), t, nullptr))
            t.quantities.clear();
        return t;
    }();
    return table;
}

BOOL UnitsOfQuantity(const char* quantity, CStringArray& units)
{
    units.RemoveAll();
    const QuantityDefinition* q = BuiltInUnitsTable().FindQuantity(quantity != nullptr ? quantity : "");
    if (q == nullptr)
        return FALSE;
    for (const UnitDefinition& u : q->units)
        units.Add(CString(std::string_view(u.symbol)));
    return TRUE;
}

CString UnitListText(const char* quantity)
{
    CString text;
    const QuantityDefinition* q = BuiltInUnitsTable().FindQuantity(quantity != nullptr ? quantity : "");
    if (q == nullptr)
        return text;
    for (const UnitDefinition& u : q->units) {
        if (!text.IsEmpty())
            text += '|';
        text += CString(std::string_view(u.symbol));
    }
    return text;
}

void QuantityNames(CStringArray& names)
{
    names.RemoveAll();
    for (const QuantityDefinition& q : BuiltInUnitsTable().quantities)
        names.Add(CString(std::string_view(q.name)));
}

}  // namespace qv

BOOL TBConvertUnits(const char* quantity, const char* usedUnit, const char* value,
                    const char* unit, CString& out)
{
    const char* const valueText = value != nullptr ? value : "";
    out = valueText;
    const std::string_view from = usedUnit != nullptr ? usedUnit : "";
    const std::string_view to = unit != nullptr ? unit : "";
    if (from.empty() || from == to)
        return TRUE;
    const qv::QuantityDefinition* q =
        qv::BuiltInUnitsTable().FindQuantity(quantity != nullptr ? quantity : "");
    if (q == nullptr)
        return FALSE;
    const qv::UnitDefinition* source = qv::FindUnit(*q, from);
    const qv::UnitDefinition* target = qv::FindUnit(*q, to);
    if (source == nullptr || target == nullptr)
        return FALSE;
    // Read in the wide type, so that a number that overflows a double with its prefix
    // still converts to a unit in which it fits ("1e308k" mOhm is 1e308 Ohm).
    long double lv = 0.0L;
    if (!qv::ParsePrefixedNumberWide(valueText, &lv) || !std::isfinite(lv))
        return FALSE;
    // Through the base unit; the factors of both units are applied in one quotient so that
    // units of one scale family (mV to kV) convert without a detour through rounding.
    // Computed in long double and rounded once at the end.
    long double exact = 0.0L;
    if (source->offset == 0.0L && target->offset == 0.0L)
        exact = lv * (source->factor / target->factor);
    else
        exact = (lv * source->factor + source->offset - target->offset) / target->factor;
    // Beyond the range of a double, the conversion would not even be defined.
    if (!(std::fabs(exact) <= static_cast<long double>(std::numeric_limits<double>::max())))
        return FALSE;
    const double result = static_cast<double>(exact);
    out = TBExtended_ftoa(result, -1, 0, "");
    return TRUE;
}

namespace qv {

namespace {

// A text as ValueInUnit writes a scaled one, "((inner)*factor)": its inner text and factor;
// false for any other text.
bool SplitScaled(std::string_view text, std::string_view& inner, long double& factor)
{
    if (text.size() < 7 || !text.starts_with("((") || text.back() != ')')
        return false;
    // The first parenthesis closes at the end, the second before "*factor".
    int depth = 0;
    size_t innerEnd = std::string_view::npos;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '(')
            ++depth;
        else if (text[i] == ')' && --depth == 1 && innerEnd == std::string_view::npos)
            innerEnd = i;
        if (depth == 0)
            return false;
    }
    if (depth != 1 || innerEnd == std::string_view::npos || text[innerEnd + 1] != '*' ||
        innerEnd + 2 >= text.size() - 1)
        return false;
    const std::string digits(text.substr(innerEnd + 2, text.size() - 1 - (innerEnd + 2)));
    if (digits.find_first_not_of("0123456789.e+-") != std::string::npos)
        return false;
    char* end = nullptr;
    factor = std::strtold(digits.c_str(), &end);
    if (end != digits.c_str() + digits.size() || !std::isfinite(factor) || factor == 0.0L)
        return false;
    inner = text.substr(2, innerEnd - 2);
    return true;
}

bool IsPlainName(std::string_view text)
{
    if (text.empty() || std::isdigit(static_cast<unsigned char>(text.front())))
        return false;
    for (const char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.')
            return false;
    return true;
}

}  // namespace

CString ValueInUnit(const char* quantity, const char* usedUnit, const char* value, const char* unit)
{
    CString out;
    if (TBConvertUnits(quantity, usedUnit, value, unit, out))
        return out;
    const std::string_view text = value != nullptr ? value : "";
    if (text.find_first_not_of(" \t") == std::string_view::npos)
        return out;
    long double number = 0.0L;
    if (ParsePrefixedNumberWide(out, &number))
        return out;
    const QuantityDefinition* q = BuiltInUnitsTable().FindQuantity(quantity != nullptr ? quantity : "");
    if (q == nullptr)
        return out;
    const UnitDefinition* source = FindUnit(*q, usedUnit != nullptr ? usedUnit : "");
    const UnitDefinition* target = FindUnit(*q, unit != nullptr ? unit : "");
    if (source == nullptr || target == nullptr)
        return out;
    // value in the target unit = value * factor + offset
    const long double factor = source->factor / target->factor;
    const long double offset = (source->offset - target->offset) / target->factor;
    if (factor == 1.0L && offset == 0.0L)
        return out;
    // A text this function scaled before is scaled once: shown in the unit it was typed in
    // again, it is what was typed.
    std::string_view inner;
    long double before = 1.0L;
    if (offset == 0.0L && SplitScaled(out.view(), inner, before)) {
        const long double both = before * factor;
        if (std::fabs(both - 1.0L) <= 1e-12L)
            return IsPlainName(inner) ? CString(inner) : "(" + CString(inner) + ")";
        return "((" + CString(inner) + ")*" + TBExtended_ftoa(static_cast<double>(both), -1, 0, "") + ")";
    }
    CString formula = "(" + out + ")";
    if (factor != 1.0L)
        formula += "*" + TBExtended_ftoa(static_cast<double>(factor), -1, 0, "");
    if (offset != 0.0L) {
        const CString shift = TBExtended_ftoa(static_cast<double>(offset), -1, 0, "");
        formula += shift.Left(1) == "-" ? shift : "+" + shift;
    }
    return "(" + formula + ")";
}

}  // namespace qv

namespace qv {

BOOL ParseNumberInUnit(const char* text, const char* quantity, const char* unit, double* value)
{
    if (text == nullptr || value == nullptr)
        return FALSE;
    double plain = 0.0;
    if (ParsePrefixedNumber(text, &plain)) {
        *value = plain;
        return TRUE;
    }
    // The micro sign is the prefix "u" of the table's symbols ("1\xB5" "A" is "1uA").
    std::string typed(text);
    for (char& c : typed)
        if (c == '\xB5')
            c = 'u';
    while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\t'))
        typed.pop_back();
    const std::string_view to = unit != nullptr ? unit : "";
    const UnitsTable& table = BuiltInUnitsTable();
    const QuantityDefinition* q = table.FindQuantity(quantity != nullptr ? quantity : "");
    if (q == nullptr && !to.empty())
        for (const QuantityDefinition& candidate : table.quantities)
            if (FindUnit(candidate, to) != nullptr) {
                q = &candidate;
                break;
            }
    const UnitDefinition* target = q != nullptr ? FindUnit(*q, to) : nullptr;
    // The units a number may carry: those of the quantity, or the column's own unit text
    // alone when the table does not know it. Longer symbols first, so that "1 MV" is one
    // megavolt and not the number "1 M" (milli) followed by "V".
    std::vector<UnitDefinition> units;
    if (q != nullptr && target != nullptr) {
        units = q->units;
        // The degree sign stands for "deg" ("90 \xB0").
        for (const UnitDefinition& u : q->units)
            if (u.symbol == "deg")
                units.push_back(UnitDefinition{"\xB0", u.factor, u.offset});
    }
    else if (!to.empty())
        units.push_back(UnitDefinition{std::string(to), 1.0L, 0.0L});
    std::stable_sort(units.begin(), units.end(), [](const UnitDefinition& a, const UnitDefinition& b) {
        return a.symbol.size() > b.symbol.size();
    });
    for (const UnitDefinition& source : units) {
        if (source.symbol.empty() || typed.size() <= source.symbol.size() ||
            typed.compare(typed.size() - source.symbol.size(), source.symbol.size(), source.symbol) != 0)
            continue;
        // The number with an optional prefix right before the unit, blanks between them.
        long double number = 0.0L;
        const std::string before = typed.substr(0, typed.size() - source.symbol.size());
        if (!ParsePrefixedNumberWide(before.c_str(), &number) || !std::isfinite(number))
            continue;
        const long double base = number * source.factor + source.offset;
        const long double exact = target != nullptr ? (base - target->offset) / target->factor : base;
        if (!(std::fabs(exact) <= static_cast<long double>(std::numeric_limits<double>::max())))
            return FALSE;
        *value = static_cast<double>(exact);
        return TRUE;
    }
    return FALSE;
}

}  // namespace qv
