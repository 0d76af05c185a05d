// The digital-filter design: the prototype table checked as a filter family, the mapped
// responses against the prototype's at the points each mapping relates, the edge cases of
// the numeric path, the refusals, and the formula texts evaluated against the numbers.
#include "blocks_linear/digital_filter_design.h"

#include "formula_evaluator.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <charconv>
#include <cstring>
#include <cstdio>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace qv::filter;
using Complex = std::complex<long double>;

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

int RowCount(int kind) {
    CFilterCoefficientTable table(static_cast<UINT>(kind));
    int rows = 0;
    for (UINT order = 0; order <= 12; ++order) rows += table.SectionCount(order) > 0 ? 1 : 0;
    return rows;
}

// The cascade of the table's sections at the angle w (radians per sample).
Complex Cascade(const CFilterCoefficientTable& table, int order, long double w) {
    const Complex z1 = std::polar(1.0L, -w);
    Complex h = 1.0L;
    for (UINT s = 1; const double* c = table.Lookup(static_cast<UINT>(order), s); ++s)
        h *= (static_cast<long double>(c[0]) + static_cast<long double>(c[1]) * z1 + static_cast<long double>(c[2]) * z1 * z1) /
             (1.0L + static_cast<long double>(c[3]) * z1 + static_cast<long double>(c[4]) * z1 * z1);
    return h;
}

// A polynomial in z^-1 at the angle w.
Complex Poly(const double* c, int n, long double w) {
    const Complex z1 = std::polar(1.0L, -w);
    Complex sum = 0.0L;
    for (int i = n - 1; i >= 0; --i) sum = sum * z1 + static_cast<long double>(c[i]);
    return sum;
}

long double Db(long double magnitude) { return 20.0L * std::log10(magnitude); }

TEST(FilterTable, HoldsTheRowsOfEveryKind) {
    EXPECT_EQ(10, RowCount(kButterworth));
    EXPECT_EQ(10, RowCount(kBessel));
    EXPECT_EQ(10, RowCount(kTschebyscheff));
    EXPECT_EQ(8, RowCount(kCauer));
    EXPECT_EQ(0, RowCount(4));
    CFilterCoefficientTable cauer(kCauer);
    EXPECT_EQ(nullptr, cauer.Lookup(1, 1));
    EXPECT_EQ(nullptr, cauer.Lookup(2, 1));
    EXPECT_EQ(nullptr, cauer.Lookup(3, 3));
    EXPECT_EQ(nullptr, cauer.Lookup(11, 1));
    EXPECT_EQ(nullptr, cauer.Lookup(3, 0));
    for (UINT order = 1; order <= 10; ++order) {
        CFilterCoefficientTable table(kBessel);
        EXPECT_EQ(static_cast<int>((order + 1) / 2), table.SectionCount(order)) << order;
    }
    // An existing entry is replaced, a new one added.
    CFilterCoefficientTable table(kButterworth);
    table.AddSection(2, 1, 1, 2, 3, 4, 5);
    table.AddSection(12, 7, 6, 7, 8, 9, 10);
    const double* replaced = table.Lookup(2, 1);
    ASSERT_NE(nullptr, replaced);
    EXPECT_EQ((std::vector<double>{1, 2, 3, 4, 5}), std::vector<double>(replaced, replaced + 5));
    ASSERT_NE(nullptr, table.Lookup(12, 7));
    EXPECT_EQ(10.0, table.Lookup(12, 7)[4]);
    EXPECT_EQ(nullptr, table.Lookup(12, 1));
}

// Every row is a filter of its family: gain 1 at DC; -3 dB at a quarter of the sample rate
// (Butterworth, Bessel, Tschebyscheff); the Cauer pass band within 0 and -1.3 dB up to
// there (a few thousandths of a dB above 0 come from the four decimals).
TEST(FilterTable, EveryRowIsAFilterOfItsFamily) {
    for (int kind = 0; kind < 4; ++kind) {
        CFilterCoefficientTable table(static_cast<UINT>(kind));
        for (int order = 1; order <= 10; ++order) {
            if (table.SectionCount(static_cast<UINT>(order)) == 0) continue;
            SCOPED_TRACE("kind " + std::to_string(kind) + " order " + std::to_string(order));
            EXPECT_NEAR(1.0L, std::abs(Cascade(table, order, 0.0L)), 5e-4L);
            if (kind != kCauer) {
                EXPECT_NEAR(-3.0103L, Db(std::abs(Cascade(table, order, kPiL / 2))), 0.02L);
            } else {
                for (int i = 0; i <= 400; ++i) {
                    const long double db = Db(std::abs(Cascade(table, order, kPiL / 2 * i / 400)));
                    EXPECT_LE(db, 0.005L) << i;
                    EXPECT_GE(db, -1.3L) << i;
                }
            }
        }
    }
}

// The Butterworth rows are, to one unit of their fourth decimal, the bilinear images of 1/(s^2 + c s + 1), c = 2 sin((2k-1) pi/2n):
// b0 = 1/(2+c), b1 = 2 b0, a1 = 0, a2 = (2-c)/(2+c), and (1 + z^-1)/2 for odd orders.
TEST(FilterTable, ButterworthRowsAreTheBilinearDesign) {
    CFilterCoefficientTable table(kButterworth);
    for (int n = 1; n <= 10; ++n) {
        std::vector<std::vector<double>> expected;
        if (n % 2 == 1) expected.push_back({0.5, 0.5, 0, 0, 0});
        std::vector<std::vector<double>> pairs;
        for (int k = 1; k <= n / 2; ++k) {
            const double c = 2 * std::sin((2 * k - 1) * M_PI / (2 * n));
            pairs.push_back({1 / (2 + c), 2 / (2 + c), 1 / (2 + c), 0, (2 - c) / (2 + c)});
        }
        // The table lists the pairs by rising a2.
        std::sort(pairs.begin(), pairs.end(), [](const auto& x, const auto& y) { return x[4] < y[4]; });
        expected.insert(expected.end(), pairs.begin(), pairs.end());
        ASSERT_EQ(static_cast<int>(expected.size()), table.SectionCount(static_cast<UINT>(n)));
        for (size_t s = 0; s < expected.size(); ++s) {
            const double* c = table.Lookup(static_cast<UINT>(n), static_cast<UINT>(s + 1));
            for (int j = 0; j < 5; ++j)
                EXPECT_NEAR(expected[s][static_cast<size_t>(j)], c[j], 1e-4) << n << " " << s << " " << j;
        }
    }
}

TEST(FilterDesign, SectionProductIsTheConvolution) {
    // Two sections (1 + 2x + 3x^2)(4 + 5x + 6x^2), factor 2, output zeroed on entry.
    const double sections[6] = {1, 2, 3, 4, 5, 6};
    double out[5] = {};
    MultiplySections(2.0, sections, out, 2, 3);
    EXPECT_EQ((std::vector<double>{8, 26, 56, 54, 36}), std::vector<double>(out, out + 5));
    // With no section the factor times the first section is still added.
    double single[3] = {1, 1, 1};
    MultiplySections(3.0, sections, single, 0, 3);
    EXPECT_EQ((std::vector<double>{4, 7, 10}), std::vector<double>(single, single + 3));
    // Texts.
    const CString texts[6] = {"a", "b", "c", "d", "e", "f"};
    CString products[5];
    MultiplySections(CString("1.0"), texts, products, 2, 3);
    EXPECT_EQ("((1.0)*(a))*(d)", products[0].str());
    EXPECT_EQ("((1.0)*(a))*(e)+ (((1.0)*(b))*(d))", products[1].str());
    EXPECT_EQ("((1.0)*(c))*(f)", products[4].str());
}

TEST(FilterDesign, CoefficientTextsReadBackExactly) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int i = 0; i < 2000; ++i) {
        const double value = std::ldexp(mantissa(random), exponent(random));
        const CString text = CoefficientText(value);
        EXPECT_EQ(value, std::strtod(text, nullptr)) << text.str();
        EXPECT_LE(text.GetLength(), 24);
    }
    EXPECT_EQ("0", CoefficientText(-0.0).str());
    EXPECT_EQ("0.5", CoefficientText(0.5).str());
    EXPECT_EQ("0.1", CoefficientText(0.1).str());
}

TEST(FilterDesign, DesignOrderTruncatesAndRefusesWhatIsNoOrder) {
    const std::pair<const char*, int> cases[] = {{"2.7", 2}, {"10", 10}, {"25", 25}, {"abc", 0},
                                                 {"-3", 0},  {"1e300", 0}, {"", 0}, {"1k", 1000}};
    for (const auto& [text, order] : cases) EXPECT_EQ(order, DesignOrder(text)) << text;
}

struct Written {
    NumericDesign design;
    std::vector<double> num, den;
};
Written Design(int kind, int type, int order, double fl, double fu, double ts) {
    CFilterCoefficientTable table(static_cast<UINT>(kind));
    Written w{DesignNumeric(table, type, order, fl, fu, ts), {}, {}};
    for (int i = 0; i < w.design.texts; ++i) {
        w.num.push_back(std::strtod(std::string(w.design.NumeratorText(i)).c_str(), nullptr));
        w.den.push_back(std::strtod(std::string(w.design.DenominatorText(i)).c_str(), nullptr));
    }
    return w;
}
long double Gain(const Written& w, double f, double ts) {
    const long double angle = 2 * kPiL * f * ts;
    return std::abs(Poly(w.num.data(), static_cast<int>(w.num.size()), angle) /
                    Poly(w.den.data(), static_cast<int>(w.den.size()), angle));
}

TEST(FilterDesign, EdgeCasesOfTheNumericPath) {
    // Order 1 at a quarter of the sample rate: alpha = 0, the first-order section as second order.
    Written quarter = Design(kButterworth, kLowPass, 1, 250, 1000, 1e-3);
    ASSERT_EQ(Refusal::None, quarter.design.refusal);
    EXPECT_EQ(3, quarter.design.count);
    EXPECT_EQ((std::vector<std::string>{"0.5", "0.5", "0"}),
              (std::vector<std::string>{std::string(quarter.design.NumeratorText(0)), std::string(quarter.design.NumeratorText(1)),
                                        std::string(quarter.design.NumeratorText(2))}));
    EXPECT_EQ((std::vector<double>{1, 0, 0}), quarter.den);
    // Orders the table lacks: no section, N = 1, "0" over "1".
    for (auto [kind, order] : {std::pair{kCauer, 2}, {kCauer, 1}, {kButterworth, 11}, {kBessel, 0}}) {
        Written none = Design(kind, kLowPass, order, 100, 200, 1e-3);
        ASSERT_EQ(Refusal::None, none.design.refusal);
        EXPECT_EQ(1, none.design.count);
        ASSERT_EQ(1, none.design.texts);
        EXPECT_EQ("0", none.design.NumeratorText(0));
        EXPECT_EQ("1", none.design.DenominatorText(0));
    }
    // Band pass of order 10: five sections of five, N = 21.
    EXPECT_EQ(21, Design(kButterworth, kBandPass, 10, 100, 200, 1e-3).design.count);
}

TEST(FilterDesign, ResponsesOfThePartsExamples) {
    const double ts = 1e-3;
    Written low = Design(kButterworth, kLowPass, 2, 100, 1000, ts);
    ASSERT_EQ(Refusal::None, low.design.refusal);
    EXPECT_NEAR(1.0L, Gain(low, 0, ts), 1e-3L);
    EXPECT_NEAR(-3.0103L, Db(Gain(low, 100, ts)), 0.02L);
    Written pass = Design(kButterworth, kBandPass, 2, 100, 200, ts);
    ASSERT_EQ(Refusal::None, pass.design.refusal);
    EXPECT_EQ(5, pass.design.count);
    EXPECT_NEAR(-3.0103L, Db(Gain(pass, 100, ts)), 0.02L);
    EXPECT_NEAR(-3.0103L, Db(Gain(pass, 200, ts)), 0.02L);
    Written stop = Design(kButterworth, kBandStop, 2, 100, 200, ts);
    ASSERT_EQ(Refusal::None, stop.design.refusal);
    EXPECT_NEAR(1.0L, Gain(stop, 0, ts), 1e-3L);
    EXPECT_NEAR(1.0L, Gain(stop, 500, ts), 1e-3L);
    EXPECT_NEAR(-3.0103L, Db(Gain(stop, 100, ts)), 0.02L);
    EXPECT_NEAR(-3.0103L, Db(Gain(stop, 200, ts)), 0.02L);
    // The notch lies at the band centre, cos w0 = alpha.
    const double centre = std::acos(ComputeMapping(kBandStop, 100, 200, 1000).alpha) / (2 * M_PI * ts);
    EXPECT_LT(Db(Gain(stop, centre, ts)), -100.0L);
}

// For every kind, type and order the written filter at the points the mapping relates equals
// the prototype at their images: DC, Nyquist, the cut-offs (a quarter of the sample rate in
// the prototype) and the band centre (the prototype's DC or Nyquist). The tolerance follows
// the conditioning of evaluating the written polynomials there.
TEST(FilterDesign, MappedResponsesMatchThePrototype) {
    const double ts = 1e-3;
    const double fl = 100;
    const double fu = 200;
    int checked = 0;
    for (int kind = 0; kind < 4; ++kind) {
        CFilterCoefficientTable table(static_cast<UINT>(kind));
        for (int type = 0; type < 4; ++type) {
            const Mapping mapping = ComputeMapping(type, fl, fu, 1 / ts);
            const long double centre = type >= kBandPass ? std::acos(static_cast<long double>(mapping.alpha)) : 0.0L;
            const long double wl = 2 * kPiL * fl * ts;
            const long double wu = 2 * kPiL * fu * ts;
            // (angle of the written filter, angle of the prototype)
            std::vector<std::pair<long double, long double>> points;
            switch (type) {
            case kLowPass: points = {{0, 0}, {wl, kPiL / 2}, {kPiL, kPiL}}; break;
            case kHighPass: points = {{kPiL, 0}, {wl, kPiL / 2}, {0, kPiL}}; break;
            case kBandPass: points = {{centre, 0}, {wl, kPiL / 2}, {wu, kPiL / 2}, {0, kPiL}, {kPiL, kPiL}}; break;
            default: points = {{0, 0}, {kPiL, 0}, {wl, kPiL / 2}, {wu, kPiL / 2}, {centre, kPiL}}; break;
            }
            for (int order = 1; order <= 10; ++order) {
                if (table.SectionCount(static_cast<UINT>(order)) == 0) continue;
                Written w = Design(kind, type, order, fl, fu, ts);
                SCOPED_TRACE("kind " + std::to_string(kind) + " type " + std::to_string(type) + " order " +
                             std::to_string(order));
                if (w.design.refusal != Refusal::None) continue;
                const int n = static_cast<int>(w.num.size());
                double absNum[kWorkSize];
                double absDen[kWorkSize];
                for (int i = 0; i < n; ++i) {
                    absNum[i] = std::fabs(w.num[static_cast<size_t>(i)]);
                    absDen[i] = std::fabs(w.den[static_cast<size_t>(i)]);
                }
                for (const auto& [angle, prototypeAngle] : points) {
                    const long double expected = std::abs(Cascade(table, order, prototypeAngle));
                    const Complex den = Poly(w.den.data(), n, angle);
                    const long double got = std::abs(Poly(w.num.data(), n, angle) / den);
                    const long double condition =
                        (Poly(absNum, n, 0).real() + expected * Poly(absDen, n, 0).real()) / std::abs(den);
                    EXPECT_NEAR(expected, got, 1e-13L * condition + 1e-12L) << "angle " << static_cast<double>(angle);
                    ++checked;
                }
            }
        }
    }
    EXPECT_GT(checked, 400);
}

TEST(FilterDesign, DegenerateInputsAreRefused) {
    struct Case {
        int type;
        double fl, fu, ts;
        Refusal refusal;
    };
    const double inf = INFINITY;
    const Case cases[] = {
        {kLowPass, 100, 200, 0, Refusal::SampleTime},
        {kLowPass, 100, 200, -1e-3, Refusal::SampleTime},
        {kLowPass, 100, 200, inf, Refusal::SampleTime},
        {kLowPass, 100, 200, NAN, Refusal::SampleTime},
        {kLowPass, 500, 200, 1e-3, Refusal::Edge},
        {kHighPass, 700, 200, 1e-3, Refusal::Edge},
        {kLowPass, 0, 200, 1e-3, Refusal::Edge},
        {kBandPass, 100, 500, 1e-3, Refusal::Edge},
        {kBandStop, 100, 100, 1e-3, Refusal::Band},
        {kBandPass, 200, 100, 1e-3, Refusal::Band},
        // The upper cut-off means nothing to low and high pass.
        {kLowPass, 100, 1000, 1e-3, Refusal::None},
    };
    for (const Case& c : cases) {
        Written w = Design(kButterworth, c.type, 4, c.fl, c.fu, c.ts);
        EXPECT_EQ(c.refusal, w.design.refusal) << c.type << " " << c.fl << " " << c.fu << " " << c.ts;
        if (c.refusal != Refusal::None) {
            EXPECT_EQ(0, w.design.texts);
        }
    }
    // A filter whose product no longer holds: not finite, or poles outside.
    const double nan[3] = {1, NAN, 0};
    const double one[3] = {1, 0, 0};
    EXPECT_EQ(Refusal::NotFinite, CheckWrittenFilter(kLowPass, {}, 1.0, nan, one, 3));
    const double unstable[3] = {1, -2.5, 1.5};
    EXPECT_EQ(Refusal::TooHigh, CheckWrittenFilter(kLowPass, {}, 1.0, one, unstable, 3));
}

// The whole grid: high orders with cut-offs far below a quarter of the sample rate cannot be
// multiplied out into doubles; those designs are refused, the others are the filter.
TEST(FilterDesign, RefusedDesignsOverTheGrid) {
    struct Setting {
        double ts, fl, fu;
    };
    const Setting settings[] = {{1e-4, 50, 100}, {1e-4, 1000, 2000}, {1e-3, 100, 200}};
    int designs = 0;
    int refused = 0;
    std::string list;
    for (const Setting& s : settings) {
        int refusedHere = 0;
        for (int kind = 0; kind < 4; ++kind)
            for (int type = 0; type < 4; ++type)
                for (int order = 1; order <= 10; ++order) {
                    if (kind == kCauer && order < 3) continue;
                    ++designs;
                    Written w = Design(kind, type, order, s.fl, s.fu, s.ts);
                    if (w.design.refusal == Refusal::None) continue;
                    EXPECT_TRUE(w.design.refusal == Refusal::TooHigh || w.design.refusal == Refusal::StopBand);
                    ++refused;
                    ++refusedHere;
                    list += " " + std::to_string(static_cast<int>(s.fl)) + "/" + std::to_string(kind) + "/" + std::to_string(type) + "/" +
                            std::to_string(order);
                }
        std::printf("digital filter grid: sample time %g s, cut-offs %g/%g Hz: %d refused\n", s.ts, s.fl, s.fu, refusedHere);
    }
    std::printf("digital filter grid: %d of %d designs refused:%s\n", refused, designs, list.c_str());
    EXPECT_EQ(Refusal::TooHigh, Design(kButterworth, kLowPass, 10, 50, 100, 1e-4).design.refusal);
    EXPECT_EQ(Refusal::TooHigh, Design(kButterworth, kLowPass, 9, 50, 100, 1e-4).design.refusal);
    EXPECT_EQ(Refusal::None, Design(kButterworth, kLowPass, 10, 1000, 2000, 1e-4).design.refusal);
    EXPECT_LT(refused, designs / 4);
}

// The written texts carry every digit: read back they are the checked filter, while fifteen
// significant digits ("%.15g") already lose designs that doubles still hold.
TEST(FilterDesign, WrittenTextsKeepDesignsThatFifteenDigitsLose) {
    struct Case {
        int kind, type, order;
        double fl, fu, ts;
    };
    const Case cases[] = {{kBessel, kLowPass, 5, 50, 100, 1e-4},
                          {kTschebyscheff, kBandPass, 10, 100, 200, 1e-3},
                          {kCauer, kLowPass, 7, 200, 300, 1e-4},
                          {kButterworth, kBandPass, 3, 200, 300, 1e-4}};
    for (const Case& c : cases) {
        CFilterCoefficientTable table(static_cast<UINT>(c.kind));
        const NumericDesign design = DesignNumeric(table, c.type, c.order, c.fl, c.fu, c.ts);
        ASSERT_EQ(Refusal::None, design.refusal) << c.kind << " " << c.type << " " << c.order;
        const Mapping mapping = ComputeMapping(c.type, c.fl, c.fu, 1 / c.ts);
        double shortest[2][kWorkSize];
        double fifteen[2][kWorkSize];
        for (int i = 0; i < design.count; ++i) {
            const size_t at = static_cast<size_t>(i);
            shortest[0][i] = std::strtod(std::string(design.NumeratorText(i)).c_str(), nullptr);
            shortest[1][i] = std::strtod(std::string(design.DenominatorText(i)).c_str(), nullptr);
            char text[40];
            std::snprintf(text, sizeof text, "%.15g", design.numerator[at]);
            fifteen[0][i] = std::strtod(text, nullptr);
            std::snprintf(text, sizeof text, "%.15g", design.denominator[at]);
            fifteen[1][i] = std::strtod(text, nullptr);
        }
        const double gain = PrototypeDcGain(table, c.order);
        EXPECT_EQ(Refusal::None, CheckWrittenFilter(c.type, mapping, gain, shortest[0], shortest[1], design.count));
        EXPECT_EQ(Refusal::TooHigh, CheckWrittenFilter(c.type, mapping, gain, fifteen[0], fifteen[1], design.count));
    }
}

// ---------------------------------------------------------------------------------------
// The fast paths of the design against plain reference versions: the product by recursion
// and the gain check in extended precision with hypot, as the design first made them, and the
// design's own extended-precision step-down. The fast paths must give the same numbers and the
// same decisions.

void ReferenceProduct(double factor, const double* sections, double* out, int count, int width) {
    if (count - 1 <= 0) {
        for (int j = 0; j < width; ++j) out[j] += factor * sections[j];
        return;
    }
    double rest[kWorkSize] = {};
    ReferenceProduct(1.0, sections + width, rest, count - 1, width);
    const int restCount = (count - 1) * (width - 1) + 1;
    for (int j = 0; j < width; ++j) {
        const double scaled = factor * sections[j];
        for (int i = 0; i < restCount && i + j < kWorkSize; ++i) out[i + j] += scaled * rest[i];
    }
}

Refusal ReferenceCheck(int type, const Mapping& mapping, double prototypeGain, const double* num, const double* den,
                       int count) {
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(num[i]) || !std::isfinite(den[i])) return Refusal::NotFinite;
    if (!PolesInsideExtended(den, count)) return Refusal::TooHigh;
    long double re = type == kHighPass ? -1.0L : 1.0L;
    long double im = 0.0L;
    if (type == kBandPass) {
        re = static_cast<long double>(mapping.alpha);
        im = -std::sqrt(std::fmax(0.0L, 1.0L - re * re));
    }
    auto evaluate = [&](const double* c, long double& outRe, long double& outIm) {
        long double sr = 0.0L;
        long double si = 0.0L;
        for (int i = count - 1; i >= 0; --i) {
            const long double r = sr * re - si * im + static_cast<long double>(c[i]);
            si = sr * im + si * re;
            sr = r;
        }
        outRe = sr;
        outIm = si;
    };
    long double dr = 0, di = 0, nr = 0, ni = 0;
    evaluate(den, dr, di);
    const long double denNorm = std::hypot(dr, di);
    if (denNorm == 0.0L) return Refusal::TooHigh;
    evaluate(num, nr, ni);
    const long double gain = std::hypot(nr, ni) / denNorm;
    const long double expected = std::fabs(static_cast<long double>(prototypeGain));
    return std::fabs(gain - expected) <= 1e-6L * expected ? Refusal::None : Refusal::TooHigh;
}

TEST(FilterFastPaths, ProductEqualsTheRecursiveProductToTheBit) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> value(-2.0, 2.0);
    for (int width : {3, 5}) {
        for (int count = 0; count <= 5; ++count) {
            for (int trial = 0; trial < 200; ++trial) {
                double sections[kWorkSize + 5];
                for (double& s : sections) s = trial % 7 == 0 ? std::round(value(random)) : value(random);
                // Zeros of both signs and a factor other than 1 take part too.
                if (trial % 5 == 1) sections[random() % (kWorkSize + 5)] = -0.0;
                const double factor = trial % 3 == 0 ? 1.0 : value(random);
                double got[kWorkSize] = {};
                double want[kWorkSize] = {};
                MultiplySections(factor, sections, got, count, width);
                ReferenceProduct(factor, sections, want, count, width);
                for (int i = 0; i < kWorkSize; ++i)
                    ASSERT_EQ(0, std::memcmp(&got[i], &want[i], sizeof(double)))
                        << "width " << width << " count " << count << " entry " << i << ": " << got[i] << " " << want[i];
            }
        }
    }
}

TEST(FilterFastPaths, CoefficientTextsAreTheShortestTexts) {
    const double cases[] = {0.5,       -0.25,     1.0 / 3.0,  -2.2250738585072014e-308, 4.9406564584124654e-324,
                            -DBL_MAX,  1e21,      1e-7,       123456789012345680.0,     -0.00012345678901234567,
                            1e300 * 10, -1e-300 / 1e10};
    for (double value : cases) {
        char text[kCoefficientTextSize];
        char expected[64];
        const auto result = std::to_chars(expected, expected + sizeof expected, value);
        const char* end = WriteCoefficientText(text, value);
        EXPECT_EQ(std::string(expected, result.ptr), std::string(static_cast<const char*>(text), end)) << value;
        EXPECT_LE(end - text, kCoefficientTextSize);
    }
    for (double zero : {0.0, -0.0}) {
        char text[kCoefficientTextSize];
        const char* end = WriteCoefficientText(text, zero);
        EXPECT_EQ("0", std::string(static_cast<const char*>(text), end));
    }
}

// The texts live in the design's own buffer: a copy carries them, and every text reads back
// to its number.
TEST(FilterFastPaths, DesignTextsTravelWithTheDesign) {
    struct Case {
        int kind, type, order;
        int texts;
    };
    const Case cases[] = {{kButterworth, kBandPass, 10, 21}, {kCauer, kLowPass, 7, 9}, {kBessel, kHighPass, 1, 3},
                          {kCauer, kLowPass, 2, 1}};
    for (const Case& c : cases) {
        CFilterCoefficientTable table(static_cast<UINT>(c.kind));
        NumericDesign copy;
        {
            const NumericDesign design = DesignNumeric(table, c.type, c.order, 100, 200, 1e-3);
            copy = design;
        }
        ASSERT_EQ(Refusal::None, copy.refusal);
        ASSERT_EQ(c.texts, copy.texts);
        EXPECT_EQ("1", copy.DenominatorText(0));
        for (int i = 0; i < copy.texts; ++i) {
            const size_t at = static_cast<size_t>(i);
            EXPECT_EQ(CoefficientText(copy.numerator[at]).str(), std::string(copy.NumeratorText(i)));
            if (i > 0) {
                EXPECT_EQ(CoefficientText(copy.denominator[at]).str(), std::string(copy.DenominatorText(i)));
            }
        }
    }
}

// Designs where the step-down in plain double precision decides otherwise than in extended
// precision (either way), designs whose gain double precision cannot settle, and the order-10
// designs of the benchmark: the decisions are those of the extended-precision check.
TEST(FilterFastPaths, HardDesignsAreDecidedAsInExtendedPrecision) {
    struct Case {
        int kind, type, order;
        double fl, fu, ts;
        Refusal refusal;
    };
    const Case cases[] = {
        // Plain double finds a pole outside, extended precision none; the written gains at z = 1
        // are -1 and 0.6, where the design has 0.
        {kButterworth, kHighPass, 3, 0.11763302474776917, 0.23526604949553834, 1e-4, Refusal::StopBand},
        {kBessel, kHighPass, 3, 0.20212815518708646, 0.40425631037417292, 1e-4, Refusal::StopBand},
        {kButterworth, kLowPass, 3, 0.15419775057160684, 0.30839550114321368, 1e-4, Refusal::TooHigh},
        // Plain double finds all poles inside, extended precision one outside.
        {kButterworth, kLowPass, 3, 0.23142016516161054, 0.46284033032322108, 1e-4, Refusal::TooHigh},
        {kBessel, kLowPass, 8, 14.162586096479338, 28.325172192958675, 1e-4, Refusal::TooHigh},
        {kBessel, kHighPass, 4, 0.27222654015588565, 0.54445308031177131, 1e-4, Refusal::TooHigh},
        {kButterworth, kBandPass, 1, 0.25099543996704154, 0.25124643540700853, 1e-4, Refusal::TooHigh},
        {kButterworth, kBandStop, 1, 0.23776946281343472, 0.24014715744156906, 1e-4, Refusal::TooHigh},
        {kButterworth, kBandStop, 2, 15.860527132593493, 15.876387659726085, 1e-4, Refusal::TooHigh},
        // The gain too close to call in double precision.
        {kButterworth, kLowPass, 1, 0.099999999999999978, 0.19999999999999996, 1e-4, Refusal::None},
        {kButterworth, kBandPass, 1, 2.1296152371665498, 8.5184609486661991, 1e-4, Refusal::None},
        // Its written notch passes 0.11 at the band centre, where the design has 0.
        {kBessel, kBandStop, 1, 0.13837528511309249, 0.55350114045236998, 1e-4, Refusal::StopBand},
        // The benchmark's designs and the corner of the refusal grid.
        {kButterworth, kBandPass, 10, 100, 200, 1e-3, Refusal::None},
        {kButterworth, kBandStop, 10, 100, 200, 1e-3, Refusal::None},
        {kButterworth, kLowPass, 9, 50, 100, 1e-4, Refusal::TooHigh},
        // Pole and pass-band gain hold; the stop band at z = 1 does not.
        {kTschebyscheff, kHighPass, 8, 50, 100, 1e-4, Refusal::StopBand},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + " type " + std::to_string(c.type) + " order " +
                     std::to_string(c.order) + " fl " + std::to_string(c.fl));
        CFilterCoefficientTable table(static_cast<UINT>(c.kind));
        const NumericDesign design = DesignNumeric(table, c.type, c.order, c.fl, c.fu, c.ts);
        EXPECT_EQ(c.refusal, design.refusal);
        const double* den = design.denominator.data();
        EXPECT_EQ(PolesInsideExtended(den, design.count), PolesInside(den, design.count));
        if (PolesInsideVouched(den, design.count)) {
            EXPECT_TRUE(PolesInsideExtended(den, design.count));
        }
        const Mapping mapping = ComputeMapping(c.type, c.fl, c.fu, 1 / c.ts);
        const double gain = PrototypeDcGain(table, c.order);
        EXPECT_EQ(ReferenceCheck(c.type, mapping, gain, design.numerator.data(), den, design.count),
                  CheckWrittenFilter(c.type, mapping, gain, design.numerator.data(), den, design.count));
    }
}

// Polynomials of random roots, some on either side of the unit circle and close to it: the
// pole test decides as the extended-precision step-down, and double precision vouches only
// for polynomials that have their roots inside.
TEST(FilterFastPaths, PoleTestDecidesAsExtendedPrecision) {
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int vouched = 0;
    int inside = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const int pairs = 1 + static_cast<int>(random() % 12);
        std::vector<std::complex<double>> poly{1.0};
        for (int p = 0; p < pairs; ++p) {
            // Radii mostly well inside, some within 1e-3 .. 1e-9 of the circle on either side.
            double radius = 0.2 + 0.75 * unit(random);
            if (random() % 4 == 0) radius = 1.0 + (random() % 2 == 0 ? 1 : -1) * std::pow(10.0, -3.0 - 6.0 * unit(random));
            const std::complex<double> root = std::polar(radius, M_PI * unit(random));
            // (1 - r z^-1)(1 - conj(r) z^-1)
            const std::complex<double> factor[3] = {1.0, -2.0 * root.real(), std::norm(root)};
            std::vector<std::complex<double>> next(poly.size() + 2, 0.0);
            for (size_t i = 0; i < poly.size(); ++i)
                for (size_t j = 0; j < 3; ++j) next[i + j] += poly[i] * factor[j];
            poly = next;
        }
        double p[kWorkSize];
        const int count = static_cast<int>(poly.size());
        for (int i = 0; i < count; ++i) p[i] = poly[static_cast<size_t>(i)].real();
        const bool reference = PolesInsideExtended(p, count);
        ASSERT_EQ(reference, PolesInside(p, count)) << "trial " << trial;
        if (PolesInsideVouched(p, count)) {
            ++vouched;
            ASSERT_TRUE(reference) << "trial " << trial;
        }
        inside += reference ? 1 : 0;
    }
    // Most inside polynomials are decided in double precision.
    EXPECT_GT(vouched, inside / 2);
    // What double precision cannot vouch for: a lead of zero, nothing finite, too many.
    const double zeroLead[3] = {0.0, 0.1, 0.1};
    const double notFinite[3] = {1.0, NAN, 0.1};
    const double small[3] = {1.0, 0.1, 0.1};
    EXPECT_FALSE(PolesInsideVouched(zeroLead, 3));
    EXPECT_FALSE(PolesInsideVouched(notFinite, 3));
    EXPECT_FALSE(PolesInside(notFinite, 3));
    EXPECT_FALSE(PolesInsideVouched(small, kWorkSize + 1));
    EXPECT_TRUE(PolesInsideVouched(small, 3));
}

// The gain check against the extended-precision one with hypot, over designs of every kind
// and type and over filters whose gain lies within a hair of the limit on either side.
TEST(FilterFastPaths, GainCheckDecidesAsExtendedPrecision) {
    int compared = 0;
    for (int kind = 0; kind < 4; ++kind) {
        CFilterCoefficientTable table(static_cast<UINT>(kind));
        for (int type = 0; type < 4; ++type)
            for (int order = 1; order <= 10; ++order)
                for (double fl : {3.0, 50.0, 180.0, 1000.0, 3000.0}) {
                    const double ts = 1e-4;
                    const double fu = type >= kBandPass ? fl * 1.7 : 0.0;
                    const Mapping mapping = ComputeMapping(type, fl, fu, 1 / ts);
                    double num[kWorkSize];
                    double den[kWorkSize];
                    const int s = MapSections(table, type, order, mapping, num, den);
                    if (s == 0) continue;
                    const int w = SectionWidth(type);
                    const int n = w == 3 ? 2 * s + 1 : 4 * s + 1;
                    double numProduct[kWorkSize] = {};
                    double denProduct[kWorkSize] = {};
                    MultiplySections(1.0, num, numProduct, s, w);
                    MultiplySections(1.0, den, denProduct, s, w);
                    denProduct[0] = 1.0;
                    const double gain = PrototypeDcGain(table, order);
                    ASSERT_EQ(ReferenceCheck(type, mapping, gain, numProduct, denProduct, n),
                              CheckWrittenFilter(type, mapping, gain, numProduct, denProduct, n))
                        << kind << " " << type << " " << order << " " << fl;
                    ++compared;
                }
    }
    EXPECT_GT(compared, 500);
    // num = g den: the gain is g at every point; g straddles 1 +- 1e-6 by a few units of the
    // last place up to a millionth of the limit.
    const double den[3] = {1.0, -0.5, 0.25};
    Mapping band;
    band.alpha = 0.3;
    for (int type = 0; type < 4; ++type)
        for (double side : {-1.0, 1.0})
            for (double offset : {-1e-6, -1e-12, -4e-16, 0.0, 4e-16, 1e-12, 1e-6}) {
                const double g = 1.0 + side * 1e-6 * (1.0 + offset);
                const double num[3] = {g * den[0], g * den[1], g * den[2]};
                EXPECT_EQ(ReferenceCheck(type, band, 1.0, num, den, 3), CheckWrittenFilter(type, band, 1.0, num, den, 3))
                    << type << " " << side << " " << offset;
            }
}

// ---------------------------------------------------------------------------------------
// Formula texts, evaluated with the names given numbers.

using filter_test::Evaluator;

TEST(FilterTexts, EvaluatedTextsEqualTheNumericDesign) {
    struct Setting {
        double ts, fl, fu;
    };
    const Setting settings[] = {{1e-3, 100, 200}, {1e-4, 1000, 2000}};
    for (const Setting& s : settings) {
        const std::map<std::string, double> names{{"fc", s.fl}, {"fu", s.fu}, {"Ts", s.ts}};
        for (int kind = 0; kind < 4; ++kind) {
            CFilterCoefficientTable table(static_cast<UINT>(kind));
            for (int type = 0; type < 4; ++type) {
                // Order 10 of the low and high pass for two kinds; the texts of the highest
                // orders grow long, and the lower ones exercise the same templates.
                const int maxOrder = type >= kBandPass ? 4 : (kind == kButterworth || kind == kCauer) && s.ts == 1e-3 ? 10 : 6;
                for (int order = 1; order <= maxOrder; ++order) {
                    if (table.SectionCount(static_cast<UINT>(order)) == 0) continue;
                    SCOPED_TRACE("kind " + std::to_string(kind) + " type " + std::to_string(type) + " order " +
                                 std::to_string(order));
                    CString num[kWorkSize];
                    CString den[kWorkSize];
                    const int sections = MapSectionTexts(table, type, order, "fc", "fu", "Ts", num, den);
                    ASSERT_EQ(table.SectionCount(static_cast<UINT>(order)), sections);
                    const int w = SectionWidth(type);
                    CString numProduct[kWorkSize];
                    CString denProduct[kWorkSize];
                    MultiplySections(CString("1.0"), num, numProduct, sections, w);
                    MultiplySections(CString("1.0"), den, denProduct, sections, w);
                    const NumericDesign design = DesignNumeric(table, type, order, s.fl, s.fu, s.ts);
                    const int n = w == 3 ? 2 * sections + 1 : 4 * sections + 1;
                    ASSERT_EQ(n, design.count);
                    for (const auto& [texts, numbers] :
                         {std::pair{numProduct, design.numerator.data()}, std::pair{denProduct, design.denominator.data()}}) {
                        long double difference = 0;
                        long double norm = 0;
                        for (int i = 0; i < n; ++i) {
                            Evaluator evaluator(texts[i].str(), names);
                            const long double value = evaluator.Run();
                            ASSERT_FALSE(evaluator.Failed()) << texts[i].str().substr(0, 200);
                            difference += (value - numbers[i]) * (value - numbers[i]);
                            norm += static_cast<long double>(numbers[i]) * numbers[i];
                        }
                        EXPECT_LE(std::sqrt(difference), 1e-11L * std::sqrt(norm));
                    }
                }
            }
        }
    }
}

TEST(FilterTexts, UserTextsAreInsertedAndNeverFormats) {
    CFilterCoefficientTable table(kButterworth);
    CString num[kWorkSize];
    CString den[kWorkSize];
    EXPECT_EQ(1, MapSectionTexts(table, kLowPass, 2, "%s%n", "x", "T%d", num, den));
    EXPECT_NE(std::string::npos, num[0].str().find("(%s%n)"));
    EXPECT_NE(std::string::npos, num[0].str().find("(T%d)"));
    EXPECT_EQ("1.0", den[0].str());
    EXPECT_EQ("0", num[3].str());
    // Order above the table: no section, every entry "0".
    EXPECT_EQ(0, MapSectionTexts(table, kBandPass, 25, "a", "b", "c", num, den));
    EXPECT_EQ("0", num[0].str());
    // The prototype numbers are printed with 15 digits, pi as 3.14159265358979.
    MapSectionTexts(table, kBandPass, 1, "a", "b", "c", num, den);
    EXPECT_EQ(0u, num[0].str().find("(( 0.5 * ("));
    EXPECT_NE(std::string::npos, num[0].str().find("3.14159265358979 * (b) / (1.0 / (c)) -"));
}

} // namespace

namespace {

// The band mappings of one section's polynomial (x0, x1, x2) as the band-pass and band-stop
// terms are written, not yet divided by D.
void ReferenceBandTerms(int type, double a, double k, const double x[3], double out[5]) {
    const double kk = k * k;
    out[0] = (1 + k) * (1 + k) * x[0] + (1 - kk) * x[1] + (1 - k) * (1 - k) * x[2];
    out[4] = (1 - k) * (1 - k) * x[0] + (1 - kk) * x[1] + (1 + k) * (1 + k) * x[2];
    if (type == kBandPass) {
        const double mid = 4 * a * a * kk + 2 * kk;
        out[1] = -4 * a * k * (1 + k) * x[0] + 4 * a * kk * x[1] + 4 * a * k * (1 - k) * x[2];
        out[2] = (mid - 2) * x[0] - (mid + 2) * x[1] + (mid - 2) * x[2];
        out[3] = 4 * a * k * (1 - k) * x[0] + 4 * a * kk * x[1] - 4 * a * k * (1 + k) * x[2];
    } else {
        const double aa4 = 4 * a * a;
        out[1] = -4 * a * ((1 + k) * x[0] + x[1] + (1 - k) * x[2]);
        out[2] = (aa4 + 2 - 2 * kk) * x[0] + (aa4 + 2 + 2 * kk) * x[1] + (aa4 + 2 - 2 * kk) * x[2];
        out[3] = -4 * a * ((1 - k) * x[0] + x[1] + (1 + k) * x[2]);
    }
}

// The vouched pole test as a plain step-down by pairs: four lanes, every pair of every step.
bool ReferenceVouched(const double* p, int count) {
    if (count <= 0 || count > kWorkSize || p[0] == 0.0 || !std::isfinite(p[0])) return false;
    const double up = 1.0 + 0x1p-36;
    const double down = 1.0 - 0x1p-36;
    const unsigned pattern = 0x9E3779B9u;
    double a[4][kWorkSize];
    for (int lane = 0; lane < 4; ++lane) a[lane][0] = 1.0;
    for (int i = 1; i < count; ++i) {
        const double c = p[i] / p[0];
        a[0][i] = c;
        a[1][i] = c * up;
        a[2][i] = c * ((i & 1) != 0 ? up : down);
        a[3][i] = c * (((pattern >> (i & 31)) & 1u) != 0 ? up : down);
    }
    for (int m = count - 1; m >= 1; --m) {
        const double k0 = a[0][m];
        const double spread = std::fabs(a[1][m] - k0) + std::fabs(a[2][m] - k0) + std::fabs(a[3][m] - k0);
        if (!(std::fabs(k0) + 8.0 * spread < 1.0)) return false;
        const bool odd = (m & 1) != 0;
        for (int lane = 0; lane < 4; ++lane) {
            const double k = a[lane][m];
            double first = k;
            double second = k;
            if (lane == 1) first = second = k * up;
            if (lane == 2) {
                first = k * (odd ? down : up);
                second = k * (odd ? up : down);
            }
            if (lane == 3) {
                first = k * (odd ? up : down);
                second = k * (odd ? down : up);
            }
            const double scale = 1.0 / (1.0 - k * first);
            for (int i = 0, j = m; i <= j; ++i, --j) {
                const double low = a[lane][i];
                const double high = a[lane][j];
                a[lane][i] = (low - first * high) * scale;
                a[lane][j] = (high - second * low) * scale;
            }
        }
    }
    return true;
}

bool SameBits(double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; }

} // namespace

// The band sections against the terms as written, to the bit, over the printed rows and rows
// with zeros of both signs, with mappings across the range.
TEST(FilterFastPaths, BandSectionsAreTheWrittenTermsToTheBit) {
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> alpha(-1.0, 1.0);
    std::uniform_real_distribution<double> kValue(0.0, 40.0);
    for (int type : {kBandPass, kBandStop}) {
        for (int kind = 0; kind < 4; ++kind) {
            CFilterCoefficientTable table(static_cast<UINT>(kind));
            if (kind == kCauer) table.AddSection(5, 2, -0.0, 0.25, 0.0, -0.0, 0.5);
            for (int order = 1; order <= 10; ++order) {
                for (int trial = 0; trial < 20; ++trial) {
                    const Mapping mapping{trial == 0 ? 0.0 : alpha(random), trial == 1 ? 1.0 : kValue(random)};
                    double num[kWorkSize];
                    double den[kWorkSize];
                    const int s = MapSections(table, type, order, mapping, num, den);
                    ASSERT_EQ(table.SectionCount(static_cast<UINT>(order)), s);
                    for (int section = 0; section < s; ++section) {
                        const double* c = table.Lookup(static_cast<UINT>(order), static_cast<UINT>(section + 1));
                        const double xn[3] = {c[0], c[1], c[2]};
                        const double xd[3] = {1.0, c[3], c[4]};
                        double tn[5];
                        double td[5];
                        ReferenceBandTerms(type, mapping.alpha, mapping.k, xn, tn);
                        ReferenceBandTerms(type, mapping.alpha, mapping.k, xd, td);
                        for (int j = 0; j < 5; ++j) {
                            const double wantDen = j == 0 ? 1.0 : td[j] / td[0];
                            EXPECT_TRUE(SameBits(tn[j] / td[0], num[section * 5 + j]))
                                << type << " " << kind << " " << order << " section " << section << " entry " << j;
                            EXPECT_TRUE(SameBits(wantDen, den[section * 5 + j]))
                                << type << " " << kind << " " << order << " section " << section << " entry " << j;
                        }
                    }
                }
            }
        }
    }
}

// Every design's polynomials are the products of its mapped sections as MultiplySections
// forms them, to the bit, refused designs included.
TEST(FilterFastPaths, DesignPolynomialsAreTheSectionProductsToTheBit) {
    const double edges[][3] = {{100, 200, 1e-3}, {0.02, 0.05, 1e-4}, {3000, 4900, 1e-4}, {1e-3, 0.4, 1.0}};
    for (int kind = 0; kind < 4; ++kind) {
        CFilterCoefficientTable table(static_cast<UINT>(kind));
        for (int type = 0; type < 4; ++type) {
            for (int order = 1; order <= 10; ++order) {
                for (const auto& e : edges) {
                    const NumericDesign design = DesignNumeric(table, type, order, e[0], e[1], e[2]);
                    if (design.sections == 0) continue;
                    const Mapping mapping = ComputeMapping(type, e[0], e[1], 1.0 / e[2]);
                    double num[kWorkSize];
                    double den[kWorkSize];
                    const int s = MapSections(table, type, order, mapping, num, den);
                    double wantNum[kWorkSize] = {};
                    double wantDen[kWorkSize] = {};
                    MultiplySections(1.0, num, wantNum, s, SectionWidth(type));
                    MultiplySections(1.0, den, wantDen, s, SectionWidth(type));
                    wantDen[0] = 1.0;
                    for (int i = 0; i < kWorkSize; ++i) {
                        const size_t at = static_cast<size_t>(i);
                        ASSERT_TRUE(SameBits(wantNum[i], design.numerator[at])) << kind << type << order << " " << i;
                        ASSERT_TRUE(SameBits(wantDen[i], design.denominator[at])) << kind << type << order << " " << i;
                    }
                }
            }
        }
    }
}

// The vouched pole test decides as the plain step-down by pairs of its four lanes: polynomials
// from roots inside, near and outside the circle, with leads other than 1 and stray values.
TEST(FilterFastPaths, VouchedPoleTestIsTheStepDownByPairs) {
    std::mt19937_64 random(17);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double strays[] = {NAN, INFINITY, -INFINITY, 0.0, -0.0, 1e300};
    const double leads[] = {1.0, -3.5, 0.001, 7.25};
    int vouched = 0;
    int refused = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const int count = 1 + static_cast<int>(random() % kWorkSize);
        double p[kWorkSize] = {1.0};
        for (int have = 1; have < count;) {
            const double r = 0.3 + 0.705 * unit(random);
            if (have + 2 <= count && random() % 2 == 0) {
                const double c1 = -2 * r * std::cos(3.14159 * unit(random));
                const double c2 = r * r;
                for (int i = have + 1; i >= 1; --i) p[i] += c1 * p[i - 1] + (i >= 2 ? c2 * p[i - 2] : 0.0);
                have += 2;
            } else {
                const double c1 = random() % 2 == 0 ? -r : r;
                for (int i = have; i >= 1; --i) p[i] += c1 * p[i - 1];
                have += 1;
            }
        }
        const double lead = leads[trial % 4];
        for (int i = 0; i < count; ++i) p[i] *= lead;
        if (trial % 50 == 0) p[random() % static_cast<unsigned>(count)] = strays[random() % 6];
        const bool want = ReferenceVouched(p, count);
        ASSERT_EQ(want, PolesInsideVouched(p, count)) << "trial " << trial << " count " << count;
        (want ? vouched : refused) += 1;
    }
    // Both verdicts are taken often enough to tell.
    EXPECT_GT(vouched, 1000);
    EXPECT_GT(refused, 1000);
}

// The prototype gain of the printed rows and, once sections are added, of the rows the table
// then gives: the product of the section gains in extended precision, to the bit.
TEST(FilterFastPaths, PrototypeGainFollowsTheRowsTheTableGives) {
    auto reference = [](const CFilterCoefficientTable& table, int order, long double side = 1.0L) {
        long double gain = 1.0L;
        for (UINT s = 1; const double* c = table.Lookup(static_cast<UINT>(order), s); ++s)
            gain *= (static_cast<long double>(c[0]) + c[1] * side + c[2]) / (1.0L + c[3] * side + c[4]);
        return static_cast<double>(gain);
    };
    struct Added {
        int order;
        int section;
    };
    const Added added[] = {{0, 0}, {4, 2}, {7, 5}, {11, 1}, {3, 1}};
    for (int kind = -1; kind <= 4; ++kind) {
        for (const Added& a : added) {
            CFilterCoefficientTable table(static_cast<UINT>(kind));
            if (a.order != 0) table.AddSection(static_cast<UINT>(a.order), static_cast<UINT>(a.section), 0.3, 0.7, 0.3, -0.2, 0.4);
            for (int order = -1; order <= 12; ++order) {
                EXPECT_TRUE(SameBits(reference(table, order), PrototypeDcGain(table, order)))
                    << "kind " << kind << " added " << a.order << "/" << a.section << " order " << order;
                EXPECT_TRUE(SameBits(reference(table, order, -1.0L), PrototypeNyquistGain(table, order))) << order;
            }
            // The added row is the one the design maps.
            if (a.order >= 1 && a.order <= 10 && a.section <= table.SectionCount(static_cast<UINT>(a.order))) {
                double num[kWorkSize];
                double den[kWorkSize];
                const Mapping mapping{0.25, 0.0};
                ASSERT_GE(MapSections(table, kLowPass, a.order, mapping, num, den), a.section);
                const double d = 1 - 0.25 * -0.2 + 0.25 * 0.25 * 0.4;
                EXPECT_TRUE(SameBits((0.25 * 0.25 - 0.25 * -0.2 + 0.4) / d, den[(a.section - 1) * 3 + 2])) << kind;
            }
        }
    }
}

namespace {

// The stop band of the written coefficients: their gain at z = -1 (low pass), z = 1 (high
// pass), both (band pass) or the band centre (band stop), evaluated plainly in extended
// precision, lies within 1e-4 of the pass-band gain of the prototype's gain at z = -1 exactly
// in the designs that are not refused. Named: high passes near the sample rate with their
// written gains at z = 1; then a sweep of every kind, type and order.
TEST(FilterStopBand, RefusedExactlyWhereTheWrittenStopBandMisses) {
    struct Case {
        int kind, type, order;
        double fl, fu, ts;
        Refusal refusal;
        double gain;  // the written gain at the first stop point; NaN in the sweep
    };
    std::vector<Case> cases = {{kBessel, kHighPass, 7, 50, 100, 1e-4, Refusal::StopBand, 0.849},
                               {kButterworth, kHighPass, 7, 50, 100, 1e-4, Refusal::StopBand, 0.0063},
                               {kButterworth, kHighPass, 8, 50, 100, 1e-4, Refusal::StopBand, -0.0105},
                               {kButterworth, kHighPass, 6, 50, 100, 1e-4, Refusal::None, 0.0}};
    for (const auto& [ts, fl, fu] : {std::array{1e-4, 50., 100.}, {1e-4, 1e3, 2e3}, {1e-3, 100., 200.}, {1e-4, 4800., 4900.}})
        for (int kind = 0; kind < 4; ++kind)
            for (int type = 0; type < 4; ++type)
                for (int order = kind == kCauer ? 3 : 1; order <= 10; ++order)
                    cases.push_back({kind, type, order, fl, fu, ts, Refusal::None, NAN});
    for (const Case& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + " type " + std::to_string(c.type) + " order " +
                     std::to_string(c.order) + " fl " + std::to_string(c.fl) + " ts " + std::to_string(c.ts));
        CFilterCoefficientTable table(static_cast<UINT>(c.kind));
        const NumericDesign d = DesignNumeric(table, c.type, c.order, c.fl, c.fu, c.ts);
        if ((d.refusal != Refusal::None && d.refusal != Refusal::StopBand) || d.sections == 0) continue;
        const long double centre = std::acos(static_cast<long double>(ComputeMapping(c.type, c.fl, c.fu, 1 / c.ts).alpha));
        const long double first = c.type == kBandStop ? centre : c.type == kLowPass ? kPiL : 0.0L;
        bool missed = false;
        for (const long double w : {first, c.type == kBandPass ? kPiL : first}) {
            const Complex gain = Poly(d.numerator.data(), d.count, w) / Poly(d.denominator.data(), d.count, w);
            missed = missed || std::abs(gain - Cascade(table, c.order, kPiL)) > 1e-4L * PrototypeDcGain(table, c.order);
            if (w == first && !std::isnan(c.gain)) {
                EXPECT_NEAR(c.gain, static_cast<double>(gain.real()), 1e-3 * std::fabs(c.gain) + 1e-4);
                EXPECT_EQ(c.refusal, d.refusal);
            }
        }
        EXPECT_EQ(missed, d.refusal == Refusal::StopBand);
    }
}

} // namespace
