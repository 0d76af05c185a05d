#include "framework/prefixed_numbers.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct PrefixCase {
    const char* text;
    bool accepted;
    double value;
};

TEST(PrefixedNumbers, ParsesNumbersWithScalePrefixes) {
    const PrefixCase cases[] = {
        {"4.7k", true, 4700.0},      {"4.7kil", true, 4700.0},    {"4.7KIL", true, 4700.0},
        {"10u", true, 1e-5},         {"10mik", true, 1e-5},       {"1M", true, 0.001},
        {"1meg", true, 1e6},         {"2.5 k", false, 0.0},       {"2.5k ", true, 2500.0},
        {" 3", true, 3.0},           {"1e3k", true, 1e6},         {"", false, 0.0},
        {"   ", false, 0.0},         {"k", false, 0.0},           {"1kV", false, 0.0},
        {"1e308", false, 0.0},       {"1e306k", false, 0.0},      {"1e300k", true, 1e303},
        {"0", true, 0.0},            {"-2m", true, -0.002},       {"1G", true, 1e9},
        {"1T", true, 1e12},          {"3F", true, 3e-15},         {"1kk", false, 0.0},
        {"nan", false, 0.0},         {"inf", false, 0.0},         {"0x10", false, 0.0},
        {"1,5", false, 0.0},         {"1e", false, 0.0},          {".5", true, 0.5},
        {"2.5MEG", true, 2.5e6},     {"1e303meg", false, 0.0},    {"1me", false, 0.0},
    };
    for (const PrefixCase& c : cases) {
        double value = 99.0;
        EXPECT_EQ(c.accepted ? 1 : 0, ParseValueWithPrefix(c.text, &value)) << '"' << c.text << '"';
        EXPECT_DOUBLE_EQ(c.value, value) << '"' << c.text << '"';
    }
}

TEST(PrefixedNumbers, ScalesByRepeatedMultiplication) {
    double value = 0.0;
    ASSERT_TRUE(ParseValueWithPrefix("1p", &value));
    // 1 x 0.001 x 0.001 x 0.001 x 0.001, not 1e-12.
    EXPECT_EQ(1.0000000000000002e-12, value);
    ASSERT_TRUE(ParseValueWithPrefix("1k", &value));
    EXPECT_EQ(1000.0, value);
}

TEST(PrefixedNumbers, NullResultIsAMereTestAndBlanksAboveAsciiAreNoSpace) {
    EXPECT_TRUE(ParseValueWithPrefix("5k", nullptr));
    EXPECT_FALSE(ParseValueWithPrefix("5x", nullptr));
    // 0xA0 (no-break space in Windows-1252) is a character, not white space.
    double value = 1.0;
    EXPECT_FALSE(ParseValueWithPrefix("5\xA0", &value));
    EXPECT_EQ(0.0, value);
    // The caller's text is not changed.
    CString text("2.5k  ");
    ParseValueWithPrefix(text, &value);
    EXPECT_EQ(CString("2.5k  "), text);
}

TEST(PrefixedNumbers, BracketIndex) {
    const struct {
        const char* name;
        int index;
    } cases[] = {
        {"R[3]", 3},   {"A[10%]", -1}, {"A", -1},          {"A[3", -1},
        {"A]3[", -1},  {"X[12]Y[4]", 12}, {"A[2.9]", 2},   {"A[1e300]", -1},
        {"A[-1e12]", -1}, {"A[nan]", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.index, GetBracketIndex(c.name)) << c.name;
}

} // namespace
