// The shortest round-trip text of a double: the same bytes as std::to_chars without a format
// or a precision, over tables of hard cases and a few million random bit patterns.
#include "toolkit/shortest_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Ours(double value)
{
    char buffer[qv::kShortestNumberMaxLength];
    return std::string(buffer, qv::WriteShortestNumber(buffer, value));
}

std::string Reference(double value)
{
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

double FromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }
std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }
double Up(double value) { return std::nextafter(value, std::numeric_limits<double>::infinity()); }
double Down(double value) { return std::nextafter(value, -std::numeric_limits<double>::infinity()); }

// Compares every value (and its negation) with the reference; stops after a few mismatches
// so that a broken formatter does not flood the log.
void ExpectIdentical(const char* group, const std::vector<double>& values)
{
    int mismatches = 0;
    for (double value : values) {
        for (double v : {value, -value}) {
            const std::string ours = Ours(v);
            const std::string reference = Reference(v);
            if (ours != reference) {
                ADD_FAILURE() << group << ": bits 0x" << std::hex << Bits(v) << std::dec << " written \"" << ours
                              << "\", std::to_chars writes \"" << reference << "\"";
                if (++mismatches == 10)
                    return;
            }
        }
    }
}

TEST(ShortestNumber, WritesTheExpectedTexts)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {1.0, "1"},
        {-1.0, "-1"},
        {0.1, "0.1"},
        {1.5, "1.5"},
        {-3.7209765013405516, "-3.7209765013405516"},
        {0.00012345678901234567, "0.00012345678901234567"},
        {1e-07, "1e-07"},
        {123.456, "123.456"},
        {100.0, "100"},
        {1e4, "10000"},
        {1e5, "1e+05"},
        // Plain and scientific of equal length: plain; scientific only when strictly shorter.
        {0.001, "0.001"},
        {0.0001, "1e-04"},
        {0.00012, "0.00012"},
        {0.000123, "0.000123"},
        {1e15, "1e+15"},
        {1e16, "1e+16"},
        {1.5e16, "1.5e+16"},
        {123456.0, "123456"},
        {1234560000.0, "1234560000"},
        {12345600000.0, "12345600000"},
        {123456000000.0, "1.23456e+11"},
        {9007199254740992.0, "9007199254740992"},
        {9007199254740993.0, "9007199254740992"},
        // A plain whole number above 2^53 shows the double's exact value.
        {123456789012345680000.0, "123456789012345683968"},
        {1152921504606846976.0, "1152921504606846976"},
        {1e21, "1e+21"},
        {1e22, "1e+22"},
        {1e23, "1e+23"},
        {5e-324, "5e-324"},
        {1e-323, "1e-323"},
        {2.2250738585072014e-308, "2.2250738585072014e-308"},
        {-2.2250738585072014e-308, "-2.2250738585072014e-308"},
        {2.225073858507201e-308, "2.225073858507201e-308"},
        {1.7976931348623157e308, "1.7976931348623157e+308"},
        {1e100, "1e+100"},
        {1.25e-100, "1.25e-100"},
        // Halfway between two shortest candidates: the even one.
        {1316436775194682.25, "1316436775194682.2"},
        {663342822032153.25, "663342822032153.2"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {-std::numeric_limits<double>::quiet_NaN(), "-nan"},
        {FromBits(0x7ff0000000000001ull), "nan"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Ours(c.value), c.text) << "for " << c.text;
}

// Each group is a family of hard cases; every value is checked with both signs.
TEST(ShortestNumber, IsIdenticalToToCharsOnEdgeCases)
{
    const struct {
        const char* name;
        std::function<std::vector<double>()> values;
    } groups[] = {
        {"powers of two and their neighbours",
         [] {
             std::vector<double> v;
             for (int e = -1074; e <= 1023; ++e) {
                 const double p = std::ldexp(1.0, e);
                 v.insert(v.end(), {p, Up(p), Down(p), Up(Up(p)), Down(Down(p))});
             }
             return v;
         }},
        {"powers of ten and their neighbours",
         [] {
             std::vector<double> v;
             for (int e = -325; e <= 309; ++e) {
                 const std::string text = "1e" + std::to_string(e);
                 const double p = std::strtod(text.c_str(), nullptr);
                 v.insert(v.end(), {p, Up(p), Down(p), Up(Up(p)), Down(Down(p))});
             }
             return v;
         }},
        {"subnormals",
         [] {
             std::vector<double> v;
             for (std::uint64_t bits = 1; bits <= 20000; ++bits)
                 v.push_back(FromBits(bits));
             for (std::uint64_t bits = (1ull << 52) - 20000; bits <= (1ull << 52) + 20000; ++bits)
                 v.push_back(FromBits(bits));
             std::mt19937_64 random(52);
             for (int i = 0; i < 100000; ++i)
                 v.push_back(FromBits(random() & ((1ull << 52) - 1)));
             return v;
         }},
        {"every binary exponent, with significands near both ends and random ones",
         [] {
             // Each exponent picks its own power of ten from the table: its first and last
             // entries serve the extreme exponents.
             std::vector<double> v;
             std::mt19937_64 random(51);
             const std::uint64_t last = (1ull << 52) - 1;
             for (std::uint64_t biased = 0; biased <= 2046; ++biased) {
                 const std::uint64_t fractions[] = {1, 2, 3, last, last - 1, last >> 1, (last >> 1) + 1,
                                                    random() & last, random() & last, random() & last};
                 for (std::uint64_t fraction : fractions)
                     v.push_back(FromBits(biased << 52 | fraction));
             }
             return v;
         }},
        {"largest doubles", [] {
             std::vector<double> v;
             double d = std::numeric_limits<double>::max();
             for (int i = 0; i < 20000; ++i, d = Down(d))
                 v.push_back(d);
             return v;
         }},
        {"whole numbers",
         [] {
             std::vector<double> v;
             for (int i = 0; i <= 200000; ++i)
                 v.push_back(i);
             std::mt19937_64 random(53);
             // Up to 2^53, where every whole number is a double, and far beyond it.
             for (int i = 0; i < 100000; ++i)
                 v.push_back(static_cast<double>(random() >> (11 + random() % 53)));
             for (int i = 0; i < 100000; ++i)
                 v.push_back(std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 90)));
             for (int e = 0; e <= 22; ++e)
                 for (std::uint64_t m : {1ull, 9ull, 99ull, 12345ull, 999999999ull, 9007199254740991ull})
                     v.push_back(static_cast<double>(m) * std::pow(10.0, e));
             return v;
         }},
        {"plain against scientific at every length",
         [] {
             // Digit strings of 1 to 17 digits at every decimal exponent around the ones
             // where the plain and the scientific text have the same length.
             std::vector<double> v;
             std::mt19937_64 random(54);
             for (int digits = 1; digits <= 17; ++digits)
                 for (int exponent = -30; exponent <= 30; ++exponent)
                     for (int i = 0; i < 20; ++i) {
                         std::string text = std::to_string(1 + random() % 9);
                         for (int k = 1; k < digits; ++k)
                             text += static_cast<char>('0' + (i == 0 ? 0 : random() % 10));
                         text += "e" + std::to_string(exponent);
                         v.push_back(std::strtod(text.c_str(), nullptr));
                     }
             return v;
         }},
        {"halfway cases and ends of the interval on multiples of ten",
         [] {
             // Significands with x * 2^q / 10^k a whole number: c, 2c - 1, 2c + 1 or 4c - 1
             // divisible by a power of five, where rounding ties and interval ends that
             // are exactly a candidate occur.
             std::vector<double> v;
             std::mt19937_64 random(55);
             std::uint64_t five = 1;
             for (int j = 1; j <= 24; ++j) {
                 five *= 5;
                 const std::uint64_t first = (1ull << 52) / five + 1;
                 const std::uint64_t last = ((1ull << 53) - 1) / five;
                 for (int i = 0; i < 400 && first <= last; ++i) {
                     const std::uint64_t m = five * (first + random() % (last - first + 1));
                     const int q = static_cast<int>(random() % 140) - 60;
                     for (std::uint64_t c : {m, (m + 1) / 2, m / 2, (m + 1) / 4, m - 1, m + 1})
                         if (c >= (1ull << 52) && c < (1ull << 53))
                             v.push_back(std::ldexp(static_cast<double>(c), q));
                 }
             }
             return v;
         }},
        {"values of the kind filters and data files hold",
         [] {
             std::vector<double> v;
             std::mt19937_64 random(56);
             std::normal_distribution<double> normal(0.0, 2.0);
             for (int i = 0; i < 50000; ++i) {
                 v.push_back(normal(random));
                 v.push_back(std::ldexp(normal(random), -13));
                 v.push_back(i * 1e-5);
                 v.push_back(325.0 * std::sin(i * 1e-5 * 314.1592653589793) + 0.001 * i);
                 v.push_back(std::round(normal(random) * 1000.0) / 1000.0);
             }
             return v;
         }},
    };
    for (const auto& group : groups)
        ExpectIdentical(group.name, group.values());
}

// Values whose digits the common one-product search cannot settle alone, by the step that
// settles them; each text is std::to_chars's.
TEST(ShortestNumber, WritesTheExpectedTextsWhereTheEndsOrTheValueNeedAnExactLook)
{
    const struct {
        const char* step;
        std::uint64_t bits;
        const char* text;
    } cases[] = {
        // The interval's upper end is exactly the one multiple of 1000 and excluded (odd
        // significand): the answer comes from the multiples of 100 below it.
        {"excluded upper end", 0xc4cadb379d8fefa3ull, "-2.5365074604851198e+23"},
        {"excluded upper end", 0x44800060429887edull, "9.445599999999999e+21"},
        {"excluded upper end", 0x435cd60348864741ull, "32466435751615748"},
        // The remainder equals the scaled gap: the lower end decides whether the multiple of
        // 1000 lies in the interval.
        {"lower end below the multiple", 0x9384b6b4ab026b82ull, "-1.20174040200799e-214"},
        {"lower end below the multiple", 0x7a3f041962c86573ull, "7.037557191370661e+280"},
        {"lower end below the multiple", 0x4d28d683e1976dc6ull, "5.10886995860697e+63"},
        {"lower end on the multiple, included", 0x44800060429887eeull, "9.4456e+21"},
        {"lower end on the multiple, included", 0x448001c38810e578ull, "9.4488e+21"},
        {"lower end on the multiple, included", 0x436e0b01c416be8aull, "67650812112139344"},
        {"lower end above the multiple", 0xd5931ec885e04012ull, "-1.7129789287680692e+104"},
        {"lower end above the multiple", 0xb448d1e3f77c70feull, "-7.908071524958091e-57"},
        // The value lies within one unit of a point halfway between two multiples of 100.
        {"value below the halfway point", 0x4acba46aa8cdb048ull, "2.0684389006436747e+52"},
        {"value below the halfway point", 0xa1901ee71946516bull, "-5.042970086681383e-147"},
        {"value below the halfway point", 0x548b03422698e262ull, "1.8463627869416365e+99"},
        {"value exactly halfway, odd neighbour above", 0x431d6ec20b35f2b5ull, "2071138503851181.2"},
        {"value exactly halfway, odd neighbour above", 0xc31190281e1f365dull, "-1235894145633687.2"},
        {"value at or above the halfway point", 0xee3c241cb584003cull, "-1.0172256628378365e+223"},
        {"value at or above the halfway point", 0x62295a7aff4e1ae7ull, "7.300028016592238e+164"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Ours(FromBits(c.bits)), c.text) << c.step;
        EXPECT_EQ(Reference(FromBits(c.bits)), c.text) << c.step;
    }
}

TEST(ShortestNumber, IsIdenticalToToCharsOnRandomBitPatterns)
{
    // A few seconds in the sanitizer build; an optimised build can afford many more.
#if defined(__OPTIMIZE__) && !defined(__SANITIZE_ADDRESS__)
    constexpr int kCount = 30000000;
#else
    constexpr int kCount = 3000000;
#endif
    std::mt19937_64 random(57);
    int mismatches = 0;
    for (int i = 0; i < kCount && mismatches < 10; ++i) {
        const double value = FromBits(random());
        const std::string ours = Ours(value);
        const std::string reference = Reference(value);
        if (ours != reference) {
            ADD_FAILURE() << "bits 0x" << std::hex << Bits(value) << std::dec << " written \"" << ours
                          << "\", std::to_chars writes \"" << reference << "\"";
            ++mismatches;
        }
    }
}

TEST(ShortestNumber, ReadsBackToTheSameDouble)
{
    std::mt19937_64 random(58);
    for (int i = 0; i < 200000; ++i) {
        const double value = FromBits(random());
        if (!std::isfinite(value))
            continue;
        const std::string text = Ours(value);
        double back = 0.0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_EQ(result.ec, std::errc()) << text;
        ASSERT_EQ(result.ptr, text.data() + text.size()) << text;
        ASSERT_EQ(Bits(back), Bits(value)) << text;
    }
}

// The formatter may use the 24 bytes at its output and never one more: a buffer of exactly
// that size on the heap (the sanitizer build traps on any write past it) and a guard band
// behind a larger one.
TEST(ShortestNumber, StaysWithinItsRoom)
{
    const double values[] = {
        -2.2250738585072014e-308, -1.7976931348623157e308, -123456789012345680000.0, -0.00012345678901234567,
        -1.2345678901234567e-300, -1234567890123456.7, -5e-324, -std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::infinity(), -0.0, 1.0, -999999999999999868928.0,
    };
    for (double value : values) {
        const auto exact = std::make_unique<char[]>(qv::kShortestNumberMaxLength);
        char* end = qv::WriteShortestNumber(exact.get(), value);
        EXPECT_LE(end - exact.get(), qv::kShortestNumberMaxLength);
        EXPECT_EQ(std::string(exact.get(), end), Reference(value));

        char guarded[qv::kShortestNumberMaxLength + 16];
        std::memset(guarded, '#', sizeof guarded);
        qv::WriteShortestNumber(guarded, value);
        for (std::size_t i = qv::kShortestNumberMaxLength; i < sizeof guarded; ++i)
            EXPECT_EQ(guarded[i], '#') << "byte " << i << " written for " << Reference(value);
    }
    // The longest texts are exactly kShortestNumberMaxLength characters.
    EXPECT_EQ(Ours(-2.2250738585072014e-308).size(), 24u);
}

}  // namespace
