#include "toolkit/tb_units.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(TBConvertUnits, ConvertsBetweenUnitsOfOneQuantity)
{
    BOOL ok = FALSE;
    EXPECT_EQ(Convert("Voltage", "mV", "1000", "V", &ok), "1");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Convert("Angle", "deg", "180", "rad", &ok), "3.14159265358979");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Convert("Angle", "rad", "1", "deg", &ok), "57.2957795130823");
    EXPECT_EQ(Convert("Resistance", "kOhm", "4.7", "Ohm", &ok), "4700");
    // The value may carry a scale prefix: 4.7k Ohm are 4.7 kOhm.
    EXPECT_EQ(Convert("Resistance", "Ohm", "4.7k", "kOhm", &ok), "4.7");
    EXPECT_EQ(Convert("Voltage", "MV", "1", "mV", &ok), "1000000000");
    EXPECT_EQ(Convert("Time", "us", "2.5", "s", &ok), "2.5e-06");
    EXPECT_EQ(Convert("Angular Velocity", "rpm", "60", "rad/s", &ok), "6.28318530717959");
    EXPECT_EQ(Convert("VOLTAGE", "kV", "0.001", "V", &ok), "1");
}

TEST(TBConvertUnits, ConvertsUnitsWithAnOffset)
{
    BOOL ok = FALSE;
    EXPECT_EQ(Convert("Temperature", "\xB0" "C", "25", "K", &ok), "298.15");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Convert("Temperature", "K", "0", "\xB0" "C", &ok), "-273.15");
    EXPECT_EQ(Convert("Temperature", "\xB0" "F", "212", "\xB0" "C", &ok), "100");
    EXPECT_EQ(Convert("Temperature", "\xB0" "C", "-40", "\xB0" "F", &ok), "-40");
}

TEST(TBConvertUnits, SameUnitKeepsTheTextAsTyped)
{
    BOOL ok = FALSE;
    EXPECT_EQ(Convert("Voltage", "V", "4.7k", "V", &ok), "4.7k");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Convert("Voltage", "", "Vin*2", "V", &ok), "Vin*2");
    EXPECT_TRUE(ok);
}

TEST(TBConvertUnits, FailureLeavesTheValueUnconverted)
{
    BOOL ok = TRUE;
    EXPECT_EQ(Convert("Voltage", "mV", "Vin*2", "V", &ok), "Vin*2");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Convert("Voltage", "mV", "5mV", "V", &ok), "5mV");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Convert("No such quantity", "mV", "5", "V", &ok), "5");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Convert("Voltage", "mA", "5", "V", &ok), "5");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Convert("Voltage", "mv", "5", "V", &ok), "5");  // symbols compare exactly
    EXPECT_FALSE(ok);
    EXPECT_EQ(Convert("Voltage", "MV", "1e305", "uV", &ok), "1e305");  // not finite in uV
    EXPECT_FALSE(ok);
    EXPECT_EQ(Convert(nullptr, nullptr, nullptr, nullptr, &ok), "");
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
