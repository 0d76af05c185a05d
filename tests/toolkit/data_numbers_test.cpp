#include "toolkit/tb_numbers.h"

#include <gtest/gtest.h>

#include "tests/support/decimal_comma_locale.h"

#include <climits>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace {

TEST(TBExtendedAtof, ReadsNumbersWithScalePrefixes)
{
    // "M" is milli as everywhere in the system; mega is "meg". The prefix is part of the
    // decimal exponent: the result is the double nearest to the exact value, not a product
    // with rounding of its own ("0.1m", "123.456n").
    const std::pair<const char*, double> cases[] = {
        {"2.5k", 2500.0}, {"4.7k", 4700.0}, {"4.7kil", 4700.0}, {"4.7KIL", 4700.0}, {"10u", 1e-5},
        {"10mik", 1e-5},  {"3p", 3e-12},    {"2t", 2e12},       {"1M", 1e-3},       {"1meg", 1e6},
        {"1e3k", 1e6},    {"-1.5m", -1.5e-3}, {"  3", 3.0},     {"2.5k ", 2500.0},  {".5", 0.5},
        {"+7", 7.0},      {"0.1m", 1e-4},   {"123.456n", 123.456e-9},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(TBExtended_atof(text), value) << text;
}

TEST(TBExtendedAtof, IgnoresTrailingUnitText)
{
    EXPECT_EQ(TBExtended_atof("5V"), 5.0);
    EXPECT_EQ(TBExtended_atof("1kOhm"), 1000.0);
    EXPECT_EQ(TBExtended_atof("3 Hz"), 3.0);
    // A prefix counts only directly after the number.
    EXPECT_EQ(TBExtended_atof("2.5 k"), 2.5);
    EXPECT_EQ(TBExtended_atof("2e"), 2.0);
}

TEST(TBExtendedAtof, UnitArgumentSettlesPrefixOrUnit)
{
    EXPECT_EQ(TBExtended_atof("1m", "m"), 1.0);
    EXPECT_EQ(TBExtended_atof("1mm", "m"), 1e-3);
    EXPECT_EQ(TBExtended_atof("1F", "F"), 1.0);
    EXPECT_EQ(TBExtended_atof("1uF", "F"), 1e-6);
    EXPECT_EQ(TBExtended_atof("1F"), 1e-15);
    EXPECT_EQ(TBExtended_atof("2kV", "V"), 2000.0);
    EXPECT_EQ(TBExtended_atof("2k", ""), 2000.0);
}

TEST(TBExtendedAtof, TextsThatAreNotNumbersGiveZero)
{
    for (const char* text : {"", "   ", "abc", "k", "nan", "NaN", "-nan", "inf", "-inf", "infinity",
                             "0x10", "0X1p3", "1,5", "3,", "1.2.3", "-", ".", "e5", "1e999",
                             "1e306k", "1e308meg"}) {
        EXPECT_EQ(TBExtended_atof(text), 0.0) << text;
    }
    EXPECT_EQ(TBExtended_atof(nullptr), 0.0);
    // Too small for a double: the nearest value.
    EXPECT_EQ(TBExtended_atof("1e-400"), 0.0);
    EXPECT_TRUE(std::isfinite(TBExtended_atof("1.7976931348623157e308")));
    EXPECT_EQ(TBExtended_atof("1e300k"), 1e303);
    EXPECT_EQ(TBExtended_atof("1e99999999999999999999"), 0.0);
}

TEST(TBExtendedFtoa, FormatsLikePrintfG)
{
    EXPECT_EQ(TBExtended_ftoa(1.0 / 3.0, -1, 0, ""), "0.333333333333333");
    EXPECT_EQ(TBExtended_ftoa(0.1 + 0.2), "0.3");
    EXPECT_EQ(TBExtended_ftoa(2500.0), "2500");
    EXPECT_EQ(TBExtended_ftoa(1e20), "1e+20");
    EXPECT_EQ(TBExtended_ftoa(1e-5), "1e-05");
    EXPECT_EQ(TBExtended_ftoa(-0.0), "-0");
    EXPECT_EQ(TBExtended_ftoa(3.14159265, 3, 0, ""), "3.14");
    EXPECT_EQ(TBExtended_ftoa(0.001, 10, 0, ""), "0.001");
    EXPECT_EQ(TBExtended_ftoa(123456.0, 0, 0, ""), "1e+05");
    EXPECT_EQ(TBExtended_ftoa(5.0, -1, 0, "V"), "5V");
    EXPECT_EQ(TBExtended_ftoa(std::nan(""), -1, 0, ""), "nan");
    EXPECT_EQ(TBExtended_ftoa(-INFINITY, -1, 0, ""), "-inf");
    // Digits beyond 17 show the exact binary value, as printf does.
    EXPECT_EQ(TBExtended_ftoa(1.0 / 3.0, 1000, 0, ""), "0.333333333333333314829616256247390992939472198486328125");
}

TEST(TBExtendedFtoa, TextReadsBackWithinFifteenDigits)
{
    for (double v : {1.0 / 7.0, -2.5e-300, 6.02214076e23, 4.7e3, 0.1, 123456789012345.0}) {
        const double back = TBExtended_atof(TBExtended_ftoa(v));
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
    }
}

TEST(TBExtendedNumbers, IgnoreTheUserLocale)
{
    qv_test::DecimalCommaLocale locale;
    if (!locale.active())
        GTEST_SKIP() << "no locale with a decimal comma is available";
    EXPECT_EQ(TBExtended_atof("1.5k"), 1500.0);
    EXPECT_EQ(TBExtended_atof("1,5k"), 0.0);
    EXPECT_EQ(TBExtended_ftoa(1.5), "1.5");
}

TEST(TBExtendedFtoi, TruncatesTowardZeroAndChecksTheRange)
{
    struct Case {
        double value;
        int expected;
        BOOL ok;
    };
    const Case cases[] = {
        {2.9, 2, TRUE},
        {-2.9, -2, TRUE},
        {2147483647.0, INT_MAX, TRUE},
        {2147483647.9, INT_MAX, TRUE},
        {2147483648.0, INT_MAX, FALSE},
        {-2147483648.0, INT_MIN, TRUE},
        {-2147483648.9, INT_MIN, TRUE},
        {-2147483649.0, INT_MIN, FALSE},
        {1e300, INT_MAX, FALSE},
        {INFINITY, INT_MAX, FALSE},
        {-INFINITY, INT_MIN, FALSE},
        {std::numeric_limits<double>::quiet_NaN(), 0, FALSE},
    };
    for (const Case& c : cases) {
        BOOL ok = 2;
        EXPECT_EQ(TBExtended_ftoi(c.value, &ok), c.expected) << c.value;
        EXPECT_EQ(ok, c.ok) << c.value;
        ok = 2;
        EXPECT_EQ(TBExtended_ftol(c.value, &ok), c.expected) << c.value;
        EXPECT_EQ(ok, c.ok) << c.value;
    }
    // Without an ok argument the same values come back.
    EXPECT_EQ(TBExtended_ftoi(std::nan("")), 0);
}

TEST(TBExtendedAtoi, ReadsLikeAtofThenTruncates)
{
    BOOL ok = FALSE;
    EXPECT_EQ(TBExtended_atoi("12", &ok), 12);
    EXPECT_TRUE(ok);
    EXPECT_EQ(TBExtended_atoi("-7"), -7);
    EXPECT_EQ(TBExtended_atoi("2.9"), 2);
    EXPECT_EQ(TBExtended_atoi("1k"), 1000);
    EXPECT_EQ(TBExtended_atoi("abc", &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(TBExtended_atoi("1e10", &ok), INT_MAX);
    EXPECT_FALSE(ok);
    EXPECT_EQ(TBExtended_atoi("", &ok), 0);
    EXPECT_FALSE(ok);
}

TEST(ParsePrefixedNumber, AcceptsOnlyOneNumberWithAnOptionalPrefix)
{
    double v = -1.0;
    EXPECT_TRUE(qv::ParsePrefixedNumber(" 4.7k ", &v));
    EXPECT_EQ(v, 4700.0);
    EXPECT_TRUE(qv::ParsePrefixedNumber("1MEG", &v));
    EXPECT_EQ(v, 1e6);
    v = -1.0;
    for (const char* text : {"4.7kV", "x", "R1*2", "2*3", "1 k", "", "nan", "0x10", "1,5"})
        EXPECT_FALSE(qv::ParsePrefixedNumber(text, &v)) << text;
    EXPECT_EQ(v, -1.0);
}

TEST(ParseNumberWithUnit, TakesOneNumberAndAUnitAtMost)
{
    struct Case {
        const char* text;
        bool taken;
        double value;
    } cases[] = {
        {"4.7k", true, 4700.0},  {" 5 V ", true, 5.0},   {"4.7kOhm", true, 4700.0}, {"1mV", true, 0.001},
        {"20 %", true, 20.0},    {"90 \xB0", true, 90.0}, {"3 m/s^2", true, 3.0},    {"1MEG", true, 1e6},
        {"1k, G := 5", false, 0}, {"1/(0)", false, 0},    {"1/0", false, 0},         {"1,5", false, 0},
        {"1k); X Y", false, 0},  {"0x10", false, 0},     {"1 2", false, 0},         {"2 +", false, 0},
        {"nan", false, 0},       {"1e400", false, 0},    {"x", false, 0},           {"1m%", false, 0},
    };
    for (const Case& c : cases) {
        double v = -1.0;
        EXPECT_EQ(c.taken, qv::ParseNumberWithUnit(c.text, &v) != FALSE) << c.text;
        EXPECT_EQ(c.taken ? c.value : -1.0, v) << c.text;
    }
}

}  // namespace
