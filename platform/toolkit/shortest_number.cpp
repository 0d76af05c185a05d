// The shortest round-trip text of a double (toolkit/shortest_number.h).
//
// A finite positive double is v = c * 2^q. Every real number in its rounding interval
// R = [v - (gap below)/2, v + (gap above)/2] reads back to v; the ends belong to R when c is
// even, because reading rounds a halfway case to the even neighbour. The text holds the
// fewest digits of a number in R, the one nearest v among several, the even one on a tie.
//
// Most doubles (gap below equal to gap above) take the one-product search of J. Jeon,
// "Dragonbox: A New Floating-Point Binary-to-Decimal Conversion Algorithm", 2020: with
// k = 2 - floor(log10(2^q)) the gap scales to delta = 2^q * 10^k in [100, 1000). The upper
// end z = (c + 1/2) * 2^q * 10^k is the only product the common case needs:
// - R holds at most one multiple of 1000 (delta < 1000); with s = floor(z / 1000) and
//   r = floor(z) mod 1000 it is 1000 s, which lies in R when r < floor(delta) (r = floor(delta)
//   needs the exact lower end, r = 0 with a whole z an excluded upper end);
// - otherwise the answer is the multiple of 100 nearest the scaled v = z - delta/2, which the
//   paper shows lies in R: 10 s + (r - floor(delta)/2 + 50) / 100, where only a quotient
//   without remainder (v near a halfway point) needs the exact v.
// The rare cases (the exact lower end, an excluded upper end, a near-halfway v) take a second
// product for the parity and wholeness of the scaled end or v. The table's powers of ten are
// 128-bit, rounded up where they are not exact; the paper proves the floors and the
// wholeness tests exact over the doubles' range with them.
//
// Powers of two above the smallest normal (gap below half the gap above) take the Schubfach
// method (R. Giulietti, "The Schubfach way to render doubles", 2020). With k chosen so that
// the width of R is between 1 and 10 units of 10^k, R holds at most one multiple of 10^(k+1)
// and at least one multiple of 10^k:
// - when a multiple of 10^(k+1) lies in R it is the one shortest candidate (any shorter one
//   would be a multiple of 10^(k+1) as well);
// - otherwise the shortest candidates are the multiples of 10^k in R, and the one nearest v
//   is floor(v / 10^k) or the next one up: the nearer of the two that lie in R, the even one
//   on an exact tie.
// The ends of R and v are scaled by 10^-k with one product each against 126-bit powers of
// ten (the table's rounded up by two bits), rounded to odd: the method's proof shows that
// comparing these scaled values with 4 * (candidate) decides as the real numbers would. One
// case lies outside it: for 0 < k <= 24 a scaled value can be a whole number, which the
// rounded-up power marks inexact; that mark is cleared by a divisibility test (without it,
// halfway ties and interval ends that fall exactly on a candidate came out wrong).
//
// The layout follows the rule of std::to_chars without a format: the plain text unless the
// scientific one is strictly shorter; a plain whole number shows the double's exact value.
// Everything is laid out in registers and written with a few fixed-size stores (see below).
#include "toolkit/shortest_number.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && defined(__x86_64__)
#define QV_SHORTEST_NUMBER_SSE2 1
#include <emmintrin.h>
#endif

namespace qv {
namespace {

using std::uint32_t;
using std::uint64_t;
using Uint128 = unsigned __int128;

// Text in a register holds its first character in the lowest byte and is stored as it is.
static_assert(std::endian::native == std::endian::little, "the text is assembled for a little-endian machine");

struct Pow10Entry {
    uint64_t high;
    uint64_t low;
};

// G(n) = ceil(10^n * 2^(127 - floor(log2(10^n)))) for n from kMinPow10: exact for n = 0 .. 55.
constexpr int kMinPow10 = -292;
constexpr int kMaxPow10 = 326;
constexpr Pow10Entry kPow10[] = {
#include "shortest_number_table.inc"
};
static_assert(sizeof kPow10 / sizeof kPow10[0] == kMaxPow10 - kMinPow10 + 1);

constexpr uint64_t kHiddenBit = uint64_t{1} << 52;
constexpr uint64_t kFractionMask = kHiddenBit - 1;
constexpr int kMinQ = -1074;  // the exponent of the subnormals and of the smallest normals

// floor(q * log10(2)), floor(log10(3/4 * 2^q)) and floor(n * log2(10)) in shift-and-multiply
// form; shortest_number_table.py checks them exactly over a range wider than doubles need.
constexpr int FloorLog10Pow2(int q) { return (q * 315653) >> 20; }
constexpr int FloorLog10ThreeQuartersPow2(int q) { return (q * 315653 - 131237) >> 20; }
constexpr int FloorLog2Pow10(int n) { return (n * 1741647) >> 19; }

constexpr uint64_t kPowersOfTen[20] = {
    1ull,
    10ull,
    100ull,
    1000ull,
    10000ull,
    100000ull,
    1000000ull,
    10000000ull,
    100000000ull,
    1000000000ull,
    10000000000ull,
    100000000000ull,
    1000000000000ull,
    10000000000000ull,
    100000000000000ull,
    1000000000000000ull,
    10000000000000000ull,
    100000000000000000ull,
    1000000000000000000ull,
    10000000000000000000ull,
};

// Divisibility by 5^k for the k at which x * 2^q / 10^k can be a whole number (x < 2^57
// limits 5^k to 5^24): x is a multiple of 5^k exactly when x times the inverse of 5^k modulo
// 2^64 is at most (2^64 - 1) / 5^k, which costs a multiplication instead of a division.
constexpr int kMaxExactQuotientK = 24;
struct FiveDivisor {
    uint64_t inverse;
    uint64_t limit;
};
constexpr auto kPowersOfFive = [] {
    struct Table {
        FiveDivisor divisor[kMaxExactQuotientK + 1];
    } table{};
    uint64_t p = 1;
    for (int i = 0; i <= kMaxExactQuotientK; ++i, p *= 5) {
        uint64_t inverse = p;  // correct to 3 bits for an odd p; each step doubles them
        for (int step = 0; step < 5; ++step)
            inverse *= 2 - p * inverse;
        table.divisor[i] = {inverse, ~uint64_t{0} / p};
    }
    return table;
}();
static_assert(kPowersOfFive.divisor[24].inverse * 59604644775390625ull == 1);

inline bool IsMultipleOfPowerOfFive(uint64_t x, int k)
{
    return x * kPowersOfFive.divisor[k].inverse <= kPowersOfFive.divisor[k].limit;
}

// The texts of the scientific exponents, "e-324" to "e+308": the characters from the lowest
// byte on, their count in the highest.
constexpr int kMinExponent = -324;
constexpr int kMaxExponent = 308;
struct ExponentTable {
    uint64_t text[kMaxExponent - kMinExponent + 1];
};
constexpr ExponentTable MakeExponents()
{
    ExponentTable table{};
    for (int x = kMinExponent; x <= kMaxExponent; ++x) {
        const int magnitude = x < 0 ? -x : x;
        uint64_t text = 'e' | static_cast<uint64_t>(x < 0 ? '-' : '+') << 8;
        int length = 2;
        if (magnitude >= 100)
            text |= static_cast<uint64_t>('0' + magnitude / 100) << (8 * length++);
        text |= static_cast<uint64_t>('0' + magnitude / 10 % 10) << (8 * length++);
        text |= static_cast<uint64_t>('0' + magnitude % 10) << (8 * length++);
        table.text[x - kMinExponent] = text | static_cast<uint64_t>(length) << 56;
    }
    return table;
}
constexpr ExponentTable kExponents = MakeExponents();

// A decimal digit string (possibly with trailing zeros) and the power of ten of its last digit.
struct Decimal {
    uint64_t digits;
    int exponent;
};

// Round to odd of g * cp / 2^127: the floor, with its lowest bit set when anything was cut off.
inline uint64_t ScaleRoundToOdd(const Pow10Entry& g, uint64_t cp)
{
    const Uint128 low = static_cast<Uint128>(g.low) * cp;
    const Uint128 high = static_cast<Uint128>(g.high) * cp + static_cast<uint64_t>(low >> 64);
    const uint64_t floor = static_cast<uint64_t>(high >> 63);
    const bool inexact = (static_cast<uint64_t>(high) << 1) != 0 || static_cast<uint64_t>(low) != 0;
    return floor | static_cast<uint64_t>(inexact);
}

// g(n) = ceil(10^n * 2^(125 - floor(log2(10^n)))) = ceil(G(n) / 4) for the Schubfach search.
inline Pow10Entry Pow10With126Bits(const Pow10Entry& G)
{
    const Uint128 whole = static_cast<Uint128>(G.high) << 64 | G.low;
    const Uint128 g = (whole >> 2) + ((G.low & 3) != 0 ? 1 : 0);
    return {static_cast<uint64_t>(g >> 64), static_cast<uint64_t>(g)};
}

// The shortest digits of c * 2^q (c > 0) that read back to it by the Schubfach search; see
// the top of the file. Any double; used for the powers of two above the smallest normal.
[[gnu::noinline]] Decimal ShortestDecimalSchubfach(uint64_t c, int q)
{
    // An open interval (odd c) needs a candidate strictly inside: one more unit on the test.
    const uint64_t open = c & 1;
    const uint64_t cb = c << 2;
    const uint64_t cbRight = cb + 2;
    uint64_t cbLeft;
    int k;
    if (c != kHiddenBit || q == kMinQ) {
        cbLeft = cb - 2;
        k = FloorLog10Pow2(q);
    } else {
        // A power of two above the smallest normal: the gap below is half the gap above.
        cbLeft = cb - 1;
        k = FloorLog10ThreeQuartersPow2(q);
    }
    // Shifting c by h puts the product's binary point at bit 127 (h is 2 to 9, so cb << h
    // stays below 2^64).
    const int h = q + FloorLog2Pow10(-k) + 2;
    const Pow10Entry g = Pow10With126Bits(kPow10[-k - kMinPow10]);
    uint64_t vb = ScaleRoundToOdd(g, cb << h);
    uint64_t vbLeft = ScaleRoundToOdd(g, cbLeft << h);
    uint64_t vbRight = ScaleRoundToOdd(g, cbRight << h);
    if (k > 0 && k <= kMaxExactQuotientK) {
        // x * 2^q / 10^k is a whole number when 5^k divides x (q > k here), and an even one;
        // the table's 10^-k is a little too large, which set the inexact bit: clear it.
        if (IsMultipleOfPowerOfFive(cb, k))
            vb &= ~uint64_t{1};
        if (IsMultipleOfPowerOfFive(cbLeft, k))
            vbLeft &= ~uint64_t{1};
        if (IsMultipleOfPowerOfFive(cbRight, k))
            vbRight &= ~uint64_t{1};
    }

    const uint64_t s = vb >> 2;
    // The multiples of 10^(k+1) around v: exactly one of them in R is the shortest candidate.
    const uint64_t down10 = s / 10 * 10;
    const uint64_t up10 = down10 + 10;
    const bool down10In = vbLeft + open <= down10 << 2;
    const bool up10In = (up10 << 2) + open <= vbRight;
    const bool shortIn = down10In != up10In;
    const uint64_t shortDigits = down10In ? down10 : up10;

    // Otherwise s or t = s + 1: the one in R, or when both are, the nearer one (4v against
    // 4s + 2), the even one on a tie. The choices are selections rather than branches: on
    // varied values the branches would be mispredicted half the time.
    const uint64_t t = s + 1;
    const bool sIn = vbLeft + open <= s << 2;
    const bool tIn = (t << 2) + open <= vbRight;
    const uint64_t half = (s + t) << 1;
    const bool sNearer = vb < half || (vb == half && (s & 1) == 0);
    const bool takeS = sIn && (!tIn || sNearer);
    const uint64_t longDigits = takeS ? s : t;
    return {shortIn ? shortDigits : longDigits, k};
}

// The one-product search (see the top of the file) for the doubles whose gaps below and
// above are equal: everything but the powers of two above the smallest normal.
constexpr int kKappa = 2;  // delta lies in [10^kKappa, 10^(kKappa + 1))

// The scaled numbers of the search: (x / 2) * 2^q * 10^k for a whole x, as u = x << beta
// times G(k) / 2^128, where beta = q + floor(log2(10^k)) lies in [6, 9].
struct Scaling {
    const Pow10Entry* pow10;
    int beta;
    int exponent;  // -k + kKappa: the power of ten of the last digit of the small candidates
};

inline Scaling ScalingFor(int q)
{
    const int k = kKappa - FloorLog10Pow2(q);
    return {&kPow10[k - kMinPow10], q + FloorLog2Pow10(k), kKappa - k};
}

// Every binary exponent of a double finds its power of ten in the table and a beta that keeps
// (2c + 1) << beta (c < 2^53) below 2^64 and the shifts below in range.
constexpr bool ScalingsFit()
{
    for (int q = kMinQ; q <= 2046 - 1075; ++q) {
        const int k = kKappa - FloorLog10Pow2(q);
        const int beta = q + FloorLog2Pow10(k);
        if (k < kMinPow10 || k > kMaxPow10 || beta < 1 || beta > 9)
            return false;
    }
    return true;
}
static_assert(ScalingsFit());

// floor(delta) for delta = 2^q * 10^k: the power's highest word, which is the whole product's
// part above bit 127 - beta.
inline uint32_t ScaledGap(const Scaling& scaling)
{
    return static_cast<uint32_t>(scaling.pow10->high >> (63 - scaling.beta));
}

struct ScaledValue {
    uint64_t floor;
    bool whole;
};

// floor(u * G / 2^128) for the upper end, u = (2c + 1) << beta; whole when the product's bits
// from 2^64 to 2^128 are zero (the bits below cannot make a fraction, the paper shows).
inline ScaledValue ScaleUpperEnd(uint64_t u, const Pow10Entry& G)
{
    const Uint128 low = static_cast<Uint128>(u) * G.low;
    const Uint128 high = static_cast<Uint128>(u) * G.high + static_cast<uint64_t>(low >> 64);
    return {static_cast<uint64_t>(high >> 64), static_cast<uint64_t>(high) == 0};
}

struct ScaledParity {
    bool odd;    // the floor of the scaled number is odd
    bool whole;  // the scaled number is a whole number
};

// The parity and wholeness of the scaled x * 2^(q-1) * 10^k (x = 2c - 1 for the lower end,
// 2c for v): the product x * G * 2^beta from its bit 128 down, of which only the lowest 128
// bits of x * G are needed.
inline ScaledParity ScaleParity(uint64_t x, const Scaling& scaling)
{
    const Uint128 low = static_cast<Uint128>(x) * scaling.pow10->low;
    const uint64_t high = x * scaling.pow10->high + static_cast<uint64_t>(low >> 64);
    const int beta = scaling.beta;
    return {((high >> (64 - beta)) & 1) != 0,
            ((high << beta) | (static_cast<uint64_t>(low) >> (64 - beta))) == 0};
}

// The search with every case spelt out, for the rare values the fast one leaves to it.
[[gnu::noinline]] Decimal ShortestDecimalCareful(uint64_t c, int q)
{
    const Scaling scaling = ScalingFor(q);
    const bool endsIncluded = (c & 1) == 0;
    const uint32_t gap = ScaledGap(scaling);
    const ScaledValue z = ScaleUpperEnd((2 * c + 1) << scaling.beta, *scaling.pow10);
    uint64_t s = z.floor / 1000;
    auto r = static_cast<uint32_t>(z.floor - s * 1000);
    if (r < gap) {
        if (r != 0 || !z.whole || endsIncluded)
            return {s * 10, scaling.exponent};
        // 1000 s is the upper end itself, outside R: the multiples of 100 below it.
        s -= 1;
        r = 1000;
    } else if (r == gap) {
        // 1000 s is even; it lies in R when the lower end's floor is below it (odd), or the
        // lower end is 1000 s itself and included.
        const ScaledParity lower = ScaleParity(2 * c - 1, scaling);
        if (lower.odd || (lower.whole && endsIncluded))
            return {s * 10, scaling.exponent};
    }
    // The multiple of 100 nearest the scaled v = z - delta/2: floor((v + 50) / 100), where
    // dist approximates v + 50 - 1000 s. A quotient without remainder means v lies within
    // one unit of 100 d - 50: the exact parity of floor(v) decides, and on a whole v (a tie)
    // the even one wins.
    const uint32_t dist = r - gap / 2 + 50;
    uint64_t d = s * 10 + dist / 100;
    if (dist % 100 == 0) {
        const ScaledParity y = ScaleParity(2 * c, scaling);
        if (y.odd != ((dist & 1) != 0))
            d -= 1;
        else if (y.whole && (d & 1) != 0)
            d -= 1;
    }
    return {d, scaling.exponent};
}

// The common case with one product and selections instead of branches; anything that needs
// the exact ends or v goes to ShortestDecimalCareful.
[[gnu::always_inline]] inline Decimal ShortestDecimal(uint64_t c, int q)
{
    const Scaling scaling = ScalingFor(q);
    const uint32_t gap = ScaledGap(scaling);
    const ScaledValue z = ScaleUpperEnd((2 * c + 1) << scaling.beta, *scaling.pow10);
    const uint64_t s = z.floor / 1000;
    const auto r = static_cast<uint32_t>(z.floor - s * 1000);
    const bool thousandIn = r < gap;
    const uint32_t dist = r - gap / 2 + 50;  // meaningful when r >= gap
    const uint32_t hundreds = dist / 100;
    // One well-predicted branch for all rare cases (bitwise, so that it stays one).
    const bool rare = (r == gap) | ((r == 0) & z.whole & ((c & 1) != 0)) | (!thousandIn & (hundreds * 100 == dist));
    if (rare) [[unlikely]]
        return ShortestDecimalCareful(c, q);
    // A mask rather than a selection: the compiler would branch, and the branch would be
    // mispredicted on every other value.
    return {s * 10 + (hundreds & (uint64_t{thousandIn} - 1)), scaling.exponent};
}

// The text is assembled in registers and stored with a few fixed-size stores that never
// read back what an earlier one wrote (a load that spans several recent stores stalls).
// Text in a register: the first character in the lowest byte.

inline void Store16(char* p, Uint128 v) { std::memcpy(p, &v, 16); }
inline void Store8(char* p, uint64_t v) { std::memcpy(p, &v, 8); }
inline void Store4(char* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline void Store2(char* p, uint32_t v)
{
    const auto two = static_cast<std::uint16_t>(v);
    std::memcpy(p, &two, 2);
}

// The eight digits of v < 10^8 (leading zeros included) as eight characters in one word: v
// splits into two halves of four digits in 32-bit lanes, those into pairs in 16-bit lanes,
// those into single digits in bytes, each step a multiplication by a rounded reciprocal that
// is exact over the lane's range (10486 / 2^20 for / 100 below 10^4, 103 / 2^10 for / 10
// below 100).
inline uint64_t EightDigits(uint32_t v)
{
    const uint64_t halves = (v / 10000) | (static_cast<uint64_t>(v % 10000) << 32);
    const uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007Full;
    const uint64_t pairs = hundreds | ((halves - hundreds * 100) << 16);
    const uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000Full;
    const uint64_t ones = pairs - tens * 10;
    return tens | (ones << 8) | 0x3030303030303030ull;
}

constexpr uint64_t kEightZeros = 0x3030303030303030ull;

// Sixteen characters of text with the operations the layout needs: in a vector register
// with SSE2, else in a 128-bit integer. The first character is the lowest byte.
#if defined(QV_SHORTEST_NUMBER_SSE2)
using Text16 = __m128i;
inline Text16 Or(Text16 a, Text16 b) { return _mm_or_si128(a, b); }
inline Text16 And(Text16 a, Text16 b) { return _mm_and_si128(a, b); }
inline Text16 AndNot(Text16 mask, Text16 a) { return _mm_andnot_si128(mask, a); }
inline Text16 LaterByOne(Text16 a) { return _mm_slli_si128(a, 1); }
inline Text16 FromCharacter(uint32_t c) { return _mm_cvtsi32_si128(static_cast<int>(c)); }
inline Text16 Load(const Uint128& v) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(&v)); }
inline void Store(char* p, Text16 v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
// The number of '0' characters at the end.
inline int TrailingZeroCharacters(Text16 v)
{
    const int zeros = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('0')));
    return std::countl_one(static_cast<std::uint16_t>(zeros));
}
#else
using Text16 = Uint128;
inline Text16 Or(Text16 a, Text16 b) { return a | b; }
inline Text16 And(Text16 a, Text16 b) { return a & b; }
inline Text16 AndNot(Text16 mask, Text16 a) { return ~mask & a; }
inline Text16 LaterByOne(Text16 a) { return a << 8; }
inline Text16 FromCharacter(uint32_t c) { return c; }
inline Text16 Load(const Uint128& v) { return v; }
inline void Store(char* p, Text16 v) { Store16(p, v); }
inline int TrailingZeroCharacters(Text16 v)
{
    // The last character is the highest byte of its word: trailing '0's are leading zero bytes.
    const auto first = static_cast<uint64_t>(v);
    const auto second = static_cast<uint64_t>(v >> 64);
    if (second != kEightZeros)
        return std::countl_zero(second ^ kEightZeros) / 8;
    if (first != kEightZeros)
        return 8 + std::countl_zero(first ^ kEightZeros) / 8;
    return 16;
}
#endif

// The sixteen digits of high and low (each below 10^8, leading zeros included) as text. With
// SSE2 the four groups of four digits are split in the lanes of one vector: into pairs in
// 16-bit lanes (/ 100 as the high half of * 5243, then >> 3), those into bytes (/ 10 as the
// high half of * 6554); both reciprocals are exact over the lanes' ranges.
inline Text16 SixteenDigits(uint32_t high, uint32_t low)
{
#if defined(QV_SHORTEST_NUMBER_SSE2)
    // Each 64-bit lane: x / 10^4 as (x * 109951163) >> 40 (exact below 10^8) in its low half,
    // the remainder in its high half. Both numbers enter in one move.
    const __m128i packed = _mm_cvtsi64_si128(static_cast<long long>(high | static_cast<uint64_t>(low) << 32));
    const __m128i eights = _mm_unpacklo_epi32(packed, _mm_setzero_si128());
    const __m128i upper = _mm_srli_epi64(_mm_mul_epu32(eights, _mm_set1_epi32(109951163)), 40);
    const __m128i lower = _mm_sub_epi32(eights, _mm_mul_epu32(upper, _mm_set1_epi32(10000)));
    const __m128i quads = _mm_or_si128(upper, _mm_slli_epi64(lower, 32));
    const __m128i hundreds = _mm_srli_epi16(_mm_mulhi_epu16(quads, _mm_set1_epi16(5243)), 3);
    const __m128i belowHundred = _mm_sub_epi16(quads, _mm_mullo_epi16(hundreds, _mm_set1_epi16(100)));
    const __m128i pairs = _mm_or_si128(hundreds, _mm_slli_epi32(belowHundred, 16));
    const __m128i tens = _mm_mulhi_epu16(pairs, _mm_set1_epi16(6554));
    const __m128i ones = _mm_sub_epi16(pairs, _mm_mullo_epi16(tens, _mm_set1_epi16(10)));
    return _mm_or_si128(_mm_or_si128(tens, _mm_slli_epi16(ones, 8)), _mm_set1_epi8('0'));
#else
    return EightDigits(high) | (static_cast<Uint128>(EightDigits(low)) << 64);
#endif
}

// low[i]: the bytes below byte i of a 128-bit word; point[i]: a point in byte i.
struct ByteMasks {
    Uint128 low[18];
    Uint128 point[17];
};
constexpr ByteMasks MakeByteMasks()
{
    ByteMasks masks{};
    for (int i = 0; i < 18; ++i)
        masks.low[i] = i >= 16 ? ~Uint128{0} : (Uint128{1} << (8 * i)) - 1;
    for (int i = 0; i < 16; ++i)
        masks.point[i] = static_cast<Uint128>('.') << (8 * i);
    return masks;
}
constexpr ByteMasks kByteMasks = MakeByteMasks();

// The number of decimal digits of d > 0.
inline int DigitCount(uint64_t d)
{
    const int bits = 64 - std::countl_zero(d);
    const int guess = (bits * 1233) >> 12;  // floor(bits * log10(2)): the count or one less
    return guess + (d >= kPowersOfTen[guess] ? 1 : 0);
}

// The exact decimal digits of a whole number below 10^22 at `out`.
[[gnu::noinline]] char* WriteWholeNumber(char* out, Uint128 value)
{
    constexpr uint64_t kTenToSixteen = 10000000000000000ull;
    const auto high = static_cast<uint64_t>(value / kTenToSixteen);  // below 10^6
    const auto low = static_cast<uint64_t>(value % kTenToSixteen);
    const Uint128 lowText = EightDigits(static_cast<uint32_t>(low / 100000000)) |
                            static_cast<Uint128>(EightDigits(static_cast<uint32_t>(low % 100000000))) << 64;
    if (high == 0) {
        const int n = DigitCount(low);
        Store16(out, lowText >> (8 * (16 - n)));
        return out + n;
    }
    const int n = DigitCount(high);
    Store8(out, EightDigits(static_cast<uint32_t>(high)) >> (8 * (8 - n)));
    Store16(out + n, lowText);
    return out + n + 16;
}

// Lays out the digits d (exactly 17 of them, the first not zero) with the scientific exponent
// x of the positive double c * 2^q at `out`, with stores that stay within the first 23 bytes.
// Seventeen digits of any value let the layout do without shifts by the digit count.
[[gnu::always_inline]] inline char* WriteDecimal(char* out, uint64_t d, int x, uint64_t c, int q)
{
    const auto high = static_cast<uint32_t>(d / 100000000);  // 10^8 to 10^9
    // The 17 digits: the first, then the other sixteen in `rest`.
    const uint32_t first = '0' + high / 100000000;
    const Text16 rest = SixteenDigits(high % 100000000, static_cast<uint32_t>(d % 100000000));
    const int n = 17 - TrailingZeroCharacters(rest);  // the significant digits
    const int scientificLength = n + (n > 1 ? 1 : 0) + (x <= -100 || x >= 100 ? 5 : 4);
    // Overlapping stores put the pieces in place; a later one overwrites an earlier one.
    if (x >= 0) {
        const int whole = x + 1;  // the digits before the point
        if (whole < n) {
            // The point falls inside the digits (always shorter than the scientific form):
            // the digits before it stay, the ones after it move one place later. The
            // characters 16 and 17 are the last two of `rest` (or the point and the last).
            const Text16 head = Or(LaterByOne(rest), FromCharacter(first));
            const Text16 before = And(head, Load(kByteMasks.low[whole]));
            const Text16 after = AndNot(Load(kByteMasks.low[whole + 1]), LaterByOne(head));
            Store(out + 2, rest);
            Store(out, Or(Or(before, Load(kByteMasks.point[whole])), after));
            if (whole == 16)
                out[16] = '.';
            return out + n + 1;
        }
        if (whole <= scientificLength) {
            // Above 2^53 a whole double has more digits than its shortest form shows.
            if (q > 0)
                return WriteWholeNumber(out, static_cast<Uint128>(c) << q);
            // Below 2^53 at most 16 digits, and the 17 hold the zeros after the shortest ones.
            Store(out + 1, rest);
            out[0] = static_cast<char>(first);
            return out + whole;
        }
    } else if (-x - 1 <= (n > 1 ? 3 : 2)) {
        // "0." and at most three zeros before the digits, when no longer than scientific.
        const int zeros = -x - 1;
        Store8(out, 0x3030303030302e30ull);  // "0.000000"
        Store(out + 3 + zeros, rest);
        out[2 + zeros] = static_cast<char>(first);
        return out + 2 + zeros + n;
    }

    // d.ddde+xx: the first digit, the point, then the other sixteen.
    Store(out + 2, rest);
    Store2(out, first | '.' << 8);
    // The exponent's text from the table; its fifth character is written in any case and
    // lies within the room.
    char* p = out + (n > 1 ? n + 1 : 1);
    const uint64_t exponent = kExponents.text[x - kMinExponent];
    Store4(p, static_cast<uint32_t>(exponent));
    p[4] = static_cast<char>(exponent >> 32);
    return p + (exponent >> 56);
}

}  // namespace

char* WriteShortestNumber(char* out, double value) noexcept
{
    const auto bits = std::bit_cast<uint64_t>(value);
    *out = '-';
    out += bits >> 63;
    const uint64_t fraction = bits & kFractionMask;
    const auto biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0x7ff) {
        std::memcpy(out, fraction != 0 ? "nan" : "inf", 3);
        return out + 3;
    }
    if (biased == 0 && fraction == 0) {
        *out = '0';
        return out + 1;
    }
    const uint64_t c = biased != 0 ? fraction | kHiddenBit : fraction;
    const int q = biased != 0 ? biased - 1075 : kMinQ;
    // A whole number below 2^53: its gap is at most 1, so no other whole number (and so no
    // shorter text) reads back to it, and its digits are the shortest.
    Decimal decimal;
    const bool whole = q <= 0 && q > -53 && ((c >> -q) << -q) == c;
    if (whole) {
        decimal = {c >> -q, 0};
        if (decimal.digits < 100000000) {
            // Up to eight digits in one word; plain unless "de+0x" or "d.de+0x" is shorter.
            // In the eight characters with leading zeros, the leading '0's are the lowest
            // zero bytes of the word less eight '0's, the trailing ones its highest.
            const uint64_t text = EightDigits(static_cast<uint32_t>(decimal.digits));
            const int leading = std::countr_zero(text ^ kEightZeros) / 8;
            const int n = 8 - leading;
            const int significant = n - std::countl_zero(text ^ kEightZeros) / 8;
            if (n <= significant + (significant > 1 ? 1 : 0) + 4) {
                Store8(out, text >> (8 * leading));
                return out + n;
            }
        }
    } else {
        decimal = c != kHiddenBit || q == kMinQ ? ShortestDecimal(c, q) : ShortestDecimalSchubfach(c, q);
    }
    // Seventeen digits: the shortest digits of a normal double that is not a whole number
    // below 2^53 have 16 or 17, which a comparison settles; others need the count.
    uint64_t digits = decimal.digits;
    int x = decimal.exponent + 16;
    if (whole || q == kMinQ) {
        const int shortBy = 17 - DigitCount(digits);
        digits *= kPowersOfTen[shortBy];
        x -= shortBy;
    } else if (digits < kPowersOfTen[16]) {
        digits *= 10;
        x -= 1;
    }
    return WriteDecimal(out, digits, x, c, q);
}

std::string ShortestNumberText(double value)
{
    char buffer[kShortestNumberMaxLength];
    return std::string(buffer, WriteShortestNumber(buffer, value));
}

}  // namespace qv
