#include "toolkit/tb_units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

CString Convert(const char* quantity, const char* from, const char* value, const char* to, BOOL* result)
{
    CString out = "unchanged";
    *result = TBConvertUnits(quantity, from, value, to, out);
    return out;
}

TEST(UnitsTable, EmbeddedTableIsWellFormedAndComplete)
{
    qv::UnitsTable table;
    std::string error;
    ASSERT_TRUE(qv::ParseUnitsTable(qv::BuiltInUnitsTableText(), table, &error)) << error;
    EXPECT_EQ(qv::BuiltInUnitsTable().quantities.size(), table.quantities.size());
    for (const char* q : {"Voltage", "Current", "Resistance", "Conductance", "Capacitance", "Inductance",
                          "Time", "Frequency", "Angle", "Angular Velocity", "Temperature", "Power", "Energy",
                          "Charge", "Magnetic Flux", "Flux Density", "Field Strength", "Force", "Torque",
                          "Length", "Velocity", "Mass", "Moment of Inertia", "Pressure"}) {
        const qv::QuantityDefinition* def = table.FindQuantity(q);
        ASSERT_NE(def, nullptr) << q;
        EXPECT_EQ(def->units.front().factor, 1.0L) << q;
    }
    // The phase units the pages select by name.
    CStringArray angle;
    ASSERT_TRUE(qv::UnitsOfQuantity("Angle", angle));
    EXPECT_EQ(angle[0], "rad");
    EXPECT_EQ(angle[1], "deg");
}

TEST(UnitsTable, UnitListsForTheSelectors)
{
    EXPECT_EQ(qv::UnitListText("Voltage"), "V|mV|uV|kV|MV");
    EXPECT_EQ(qv::UnitListText("voltage"), "V|mV|uV|kV|MV");
    EXPECT_EQ(qv::UnitListText("No such quantity"), "");
    CStringArray units;
    units.Add("stale");
    EXPECT_FALSE(qv::UnitsOfQuantity("No such quantity", units));
    EXPECT_EQ(units.GetSize(), 0);
    CStringArray temperature;
    ASSERT_TRUE(qv::UnitsOfQuantity("Temperature", temperature));
    EXPECT_EQ(temperature[1], "\xB0" "C");
    CStringArray names;
    qv::QuantityNames(names);
    EXPECT_EQ(names.GetSize(), static_cast<int>(qv::BuiltInUnitsTable().quantities.size()));
}

// One conversion: the text it gives and, where `ok` is 0 or 1, whether it succeeded.
struct Conversion {
    const char* quantity;
    const char* from;
    const char* value;
    const char* to;
    const char* expected;
    int ok = -1;
};

void ExpectConversions(const std::vector<Conversion>& cases)
{
    for (size_t i = 0; i < cases.size(); ++i) {
        const Conversion& c = cases[i];
        SCOPED_TRACE(testing::Message() << "case " << i);
        BOOL ok = FALSE;
        EXPECT_EQ(Convert(c.quantity, c.from, c.value, c.to, &ok), c.expected);
        if (c.ok >= 0) {
            EXPECT_EQ(c.ok != 0, ok != FALSE);
        }
    }
}

TEST(TBConvertUnits, ConvertsBetweenUnitsOfOneQuantity)
{
    ExpectConversions({
        {"Voltage", "mV", "1000", "V", "1", 1},
        {"Angle", "deg", "180", "rad", "3.14159265358979", 1},
        {"Angle", "rad", "1", "deg", "57.2957795130823"},
        {"Resistance", "kOhm", "4.7", "Ohm", "4700"},
        // The value may carry a scale prefix: 4.7k Ohm are 4.7 kOhm.
        {"Resistance", "Ohm", "4.7k", "kOhm", "4.7"},
        {"Voltage", "MV", "1", "mV", "1000000000"},
        {"Time", "us", "2.5", "s", "2.5e-06"},
        {"Angular Velocity", "rpm", "60", "rad/s", "6.28318530717959"},
        {"VOLTAGE", "kV", "0.001", "V", "1"},
        // A number that its prefix takes beyond a double, back within range in the target unit.
        {"Resistance", "mOhm", "1e308k", "Ohm", "1e+308"},
    });
}

TEST(TBConvertUnits, ConvertsUnitsWithAnOffset)
{
    ExpectConversions({
        {"Temperature", "\xB0" "C", "25", "K", "298.15", 1},
        {"Temperature", "K", "0", "\xB0" "C", "-273.15"},
        {"Temperature", "\xB0" "F", "212", "\xB0" "C", "100"},
        {"Temperature", "\xB0" "C", "-40", "\xB0" "F", "-40"},
    });
}

TEST(TBConvertUnits, SameUnitKeepsTheTextAsTyped)
{
    ExpectConversions({{"Voltage", "V", "4.7k", "V", "4.7k", 1}, {"Voltage", "", "Vin*2", "V", "Vin*2", 1}});
}

TEST(TBConvertUnits, FailureLeavesTheValueUnconverted)
{
    ExpectConversions({
        {"Voltage", "mV", "Vin*2", "V", "Vin*2", 0},
        {"Voltage", "mV", "5mV", "V", "5mV", 0},
        {"No such quantity", "mV", "5", "V", "5", 0},
        {"Voltage", "mA", "5", "V", "5", 0},
        {"Voltage", "mv", "5", "V", "5", 0},         // symbols compare exactly
        {"Voltage", "MV", "1e305", "uV", "1e305", 0},  // not finite in uV
        {nullptr, nullptr, nullptr, nullptr, ""},
    });
}

// A name or formula keeps its meaning in the unit it is written in: the conversion goes
// around it. Whatever cannot be converted stands as typed.
TEST(ValueInUnit, ANameOrFormulaIsWrittenWithItsConversion)
{
    struct Row {
        const char* quantity;
        const char* from;
        const char* value;
        const char* to;
        const char* expected;
    };
    const Row rows[] = {
        {"Time", "ms", "2*0.5", "s", "((2*0.5)*0.001)"},
        {"Time", "ms", "TX", "s", "((TX)*0.001)"},
        {"Resistance", "kOhm", "Rx", "Ohm", "((Rx)*1000)"},
        {"Time", "s", "1/(f0)", "ms", "((1/(f0))*1000)"},  // a derived period shown in ms
        {"Temperature", "\xB0" "C", "T0", "K", "((T0)+273.15)"},
        {"Temperature", "K", "T0", "\xB0" "C", "((T0)-273.15)"},
        {"Temperature Difference", "\xB0" "C", "dT", "K", "dT"},
        {"Angle", "deg", "a", "rad", "((a)*0.0174532925199433)"},
        {"Resistance", "Ohm", "((Rx)*1000)", "kOhm", "Rx"},           // shown again in the unit typed
        {"Time", "ms", "((1/(f0))*1000)", "s", "(1/(f0))"},
        {"Time", "us", "((TX)*0.001)", "s", "((TX)*1e-09)"},         // scaled once
        {"Time", "ms", "((a)*2)+((b)*3)", "s", "((((a)*2)+((b)*3))*0.001)"},  // a sum, not one scaled text
        {"Time", "ms", "(a)*(2)", "s", "(((a)*(2))*0.001)"},
        {"Current", "mA", "R1.I", "A", "((R1.I)*0.001)"},  // an element's quantity is that many mA
        {"Current", "mA", "R1.I*1", "A", "((R1.I*1)*0.001)"},  // as is a formula of one
        {"Current", "A", "((R1.I)*0.001)", "mA", "R1.I"},
        {"Time", "ms", "5m", "s", "5e-06"},               // a number converts as a number
        {"Time", "ms", "Tx", "ms", "Tx"},                // the same unit
        {"Time", "", "Tx", "s", "Tx"},                   // no used unit
        {"Magnetic Flux", "Wb", "phi", "Vs", "phi"},     // a factor of 1
        {"Time", "ms", "  ", "s", "  "},                 // blank: nothing to convert
        {"Time", "ms", "1e400", "s", "1e400"},           // a number beyond a double stays a number
        {"No such quantity", "ms", "Tx", "s", "Tx"},
        {"Time", "mV", "Tx", "s", "Tx"},                 // a unit of another quantity
        {nullptr, nullptr, nullptr, nullptr, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(std::string(qv::ValueInUnit(row.quantity, row.from, row.value, row.to).view()), row.expected)
            << (row.value != nullptr ? row.value : "(null)") << " from " << (row.from != nullptr ? row.from : "");
}

// A number typed where values are in a unit is read whole: a unit of that quantity converts
// it, anything else is refused and the value stays as it was.
TEST(ParseNumberInUnit, ConvertsAUnitOfTheQuantityAndRefusesAnyOther)
{
    struct Row {
        const char* text;
        const char* quantity;
        const char* unit;
        bool taken;
        double value;
    };
    const Row rows[] = {
        {"1 mV", "Voltage", "V", true, 0.001},       {"1mV", "", "V", true, 0.001},
        {"2kV", "", "V", true, 2000},                {"1 MV", "", "V", true, 1e6},
        {"1GV", "", "V", true, 1e9},                 {"4.7k", "", "V", true, 4700},
        {" 3 V ", "", "V", true, 3},                 {"1\xB5" "A", "", "A", true, 1e-6},
        {"1 ms", "Time", "s", true, 0.001},          {"25 \xB0" "C", "Temperature", "K", true, 298.15},
        {"10 \xB0" "C", "Temperature Difference", "K", true, 10},
        {"5 %", "", "%", true, 5},                   {"5 abc", "", "abc", true, 5},
        {"1 kOhm", "", "V", false, 0},               {"1 kOhm", "Voltage", "V", false, 0},
        {"5 V", "", "", false, 0},                   {"1 mV, 2", "", "V", false, 0},
        {"1k, G := 5", "", "V", false, 0},           {"2*3", "", "V", false, 0},
        {"abc", "", "V", false, 0},                  {"V", "", "V", false, 0},
        {"1e308 kV", "", "V", false, 0},             {"1e400", "", "V", false, 0},
        {"", "", "V", false, 0},                     {"20 V", "", "%", false, 0},
        {"180 deg", "Angle", "rad", true, 3.141592653589793},
        {"180 \xB0", "Angle", "rad", true, 3.141592653589793}, {"90 \xB0", "Angle", "deg", true, 90},
    };
    for (const Row& row : rows) {
        double value = 0.0;
        EXPECT_EQ(row.taken, qv::ParseNumberInUnit(row.text, row.quantity, row.unit, &value) != FALSE) << row.text;
        EXPECT_NEAR(row.value, value, 1e-12 * std::fabs(row.value)) << row.text;
    }
}

TEST(UnitsTable, MalformedTablesAreRefusedWithTheLine)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"V 1\n", "line 1: unit before the first quantity heading"},
        {"[A]\nx 1\n[a]\ny 1\n", "line 3: quantity named twice"},
        {"[A]\nx 1\nx 2\n", "line 3: unit named twice in one quantity"},
        {"[A]\nx 1\ny abc\n", "line 3: bad factor"},
        {"[A]\nx 1\ny 0\n", "line 3: bad factor"},
        {"[A]\nx 1\ny 1/0\n", "line 3: bad factor"},
        {"[A]\nx 2\n", "line 2: the first unit of a quantity is its base unit: factor 1, no offset"},
        {"[A]\n[B]\nx 1\n", "line 2: the previous quantity has no units"},
        {"[A]\n", "line 1: the last quantity has no units"},
        {"[ ]\nx 1\n", "line 1: empty quantity name"},
        {"[A\nx 1\n", "line 1: a quantity heading must end with ']'"},
        {"[A]\nx|y 1\n", "line 2: a unit symbol cannot contain '|'"},
        {"[A]\nx 1 2 3\n", "line 2: a unit line holds a symbol, a factor and an optional offset"},
        {"[A]\n\\xZZ 1\n", "line 2: bad unit symbol"},
        {"[A]\nx 1 y\n", "line 2: bad offset"},
    };
    for (const Case& c : cases) {
        qv::UnitsTable table;
        std::string error;
        EXPECT_FALSE(qv::ParseUnitsTable(c.text, table, &error)) << c.text;
        EXPECT_EQ(error, c.message) << c.text;
    }
    qv::UnitsTable table;
    std::string error;
    ASSERT_TRUE(qv::ParseUnitsTable("# c\n\n[Angle]\nrad 1\ndeg pi/180\n\\xB0 pi/180\n", table, &error)) << error;
    EXPECT_EQ(static_cast<double>(table.quantities[0].units[1].factor), 3.141592653589793 / 180);
    EXPECT_EQ(table.quantities[0].units[2].symbol, "\xB0");
}

}  // namespace
