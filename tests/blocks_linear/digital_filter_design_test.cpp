// The digital-filter design: the prototype table checked as a filter family, the mapped
// responses against the prototype's at the points each mapping relates, the edge cases of
// the numeric path, the refusals, and the formula texts evaluated against the numbers.
#include "blocks_linear/digital_filter_design.h"

#include "formula_evaluator.h"

#include <gtest/gtest.h>

#include <cctype>
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
                    EXPECT_EQ(Refusal::TooHigh, w.design.refusal);
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
