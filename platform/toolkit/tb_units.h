// Physical quantities, their units and conversions between them.
//
// The units come from the table resources/units.tbl, embedded into the platform library at
// build time; docs/units.md describes the table and lists its quantities.
#pragma once

#include "afx/afx.h"

#include <string>
#include <string_view>
#include <vector>

// Converts `value`, a number in the unit `usedUnit` of `quantity`, into the unit `unit` of
// the same quantity and writes it to `out` with "%.15g". Returns non-zero when `out` holds
// the converted value.
//
// The value must be one number with an optional scale prefix ("4.7k"); a variable name or an
// expression cannot be converted. When the two units are the same (or `usedUnit` is empty)
// there is nothing to convert: `out` is the value as it stands and the result is non-zero.
// On failure (unknown quantity or unit, a value that is not a number, a result that is not
// finite) the result is 0 and `out` holds the value unchanged, so that a caller that does not
// look at the result still gets the unconverted value.
//
// Quantity names compare without regard to case; unit symbols exactly ("mV" is not "MV").
BOOL TBConvertUnits(const char* quantity, const char* usedUnit, const char* value,
                    const char* unit, CString& out);

namespace qv {

// `value`, given in the unit `usedUnit` of `quantity`, as a text in the unit `unit`: a number
// converted as TBConvertUnits converts it, and any other text (a name, an expression) as a
// formula that does the conversion where the value is read, "((TX)*0.001)" for `TX` given in
// ms and written in s, "((T)+273.15)" for `T` in degrees Celsius written in K. A text stands
// as it is when nothing converts it: the same or an empty used unit, an unknown quantity or
// unit, a blank text, or a number whose conversion is not finite. Every other form follows the
// one rule, a quantity of an element included: "R1.V" typed in mV is that many millivolts,
// "((R1.V)*0.001)" in V, as "R1.V*2" is "((R1.V*2)*0.001)". A text scaled before is scaled
// once: "((TX)*0.001)" given in s and written in ms is "TX".
CString ValueInUnit(const char* quantity, const char* usedUnit, const char* value, const char* unit);

// The one reader of a number typed where values are in `unit` of `quantity` (a cell of a
// column, a field): a number with an optional scale prefix is a number in that unit; a number
// followed by a unit of the quantity, blanks between them allowed ("1 mV", "2kV", "25 \xB0C"),
// is converted into `unit`; any other text is no such number. An empty quantity is the one
// whose units hold `unit`. When the table knows no such unit, the number may carry `unit`
// itself as it is written ("5 %"), and with an empty unit it carries none. The micro sign
// stands for the prefix "u", the degree sign for "deg". FALSE, and *value unchanged, for any
// other text or a result that is not finite: "1 kOhm" is no number of volts.
BOOL ParseNumberInUnit(const char* text, const char* quantity, const char* unit, double* value);

// The unit symbols of a quantity in table order (base unit first). Returns FALSE and leaves
// `units` empty for an unknown quantity.
BOOL UnitsOfQuantity(const char* quantity, CStringArray& units);

// The unit list text of a quantity for a unit selector: the symbols joined by "|", base unit
// first ("V|mV|kV"). Empty for an unknown quantity.
CString UnitListText(const char* quantity);

// The names of all quantities in table order.
void QuantityNames(CStringArray& names);

// One unit: value in the base unit = value in this unit * factor + offset. Kept in long
// double so that the constants add no rounding of their own to a conversion.
struct UnitDefinition {
    std::string symbol;
    long double factor = 1.0L;
    long double offset = 0.0L;
};

struct QuantityDefinition {
    std::string name;
    std::vector<UnitDefinition> units;  // the first is the base unit (factor 1, offset 0)
};

struct UnitsTable {
    std::vector<QuantityDefinition> quantities;
    const QuantityDefinition* FindQuantity(std::string_view name) const;
};

// Parses a units table in the format of resources/units.tbl. Returns false with a message
// naming the line in *error for a malformed table; `table` is then incomplete.
bool ParseUnitsTable(std::string_view text, UnitsTable& table, std::string* error);

// The table embedded from resources/units.tbl, parsed once.
const UnitsTable& BuiltInUnitsTable();

// The embedded table text (generated at build time).
std::string_view BuiltInUnitsTableText();

}  // namespace qv
