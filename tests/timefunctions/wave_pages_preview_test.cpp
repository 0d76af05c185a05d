// The previews of the periodic waves, the trapezoid, the arc tangent and the needle pulse
// against an independent oracle (numpy, tests/timefunctions/wave_oracle.py), the cases with
// known values, and degenerate inputs that must give finite points only.
#include "timefunctions_support.h"
#include "timefunctions/wave_pages.h"

#include <cmath>
#include <cstdio>
#include <sstream>

using namespace qv::timefunctions;

namespace {

constexpr double kPi = 3.141592653589793;

std::vector<CurvePoint> RunOracle(const std::string& arguments) { return tf_test::OracleCurve(WAVE_ORACLE, arguments); }

std::string Numbers(std::initializer_list<double> values) {
    std::ostringstream out;
    out.precision(17);
    for (double v : values) out << v << ' ';
    return out.str();
}

const char* ShapeName(WaveShape shape) {
    switch (shape) {
    case WaveShape::Pulse: return "pulse";
    case WaveShape::SawRising: return "rise";
    case WaveShape::SawFalling: return "fall";
    case WaveShape::Triangle: return "triangle";
    }
    return "";
}

std::vector<CurvePoint> Oracle(const WaveCurve& c) {
    return RunOracle(std::string("wave ") + ShapeName(c.shape) + " " +
                     Numbers({c.frequency, c.period, c.amplitude, c.phase, c.offset, c.delay}) +
                     (c.periodic ? "1 " : "0 ") + (c.periodGiven ? "1" : "0"));
}

std::vector<CurvePoint> Oracle(const TrapezCurve& c) {
    return RunOracle("trapez " + Numbers({c.amplitude, c.period, c.delay, c.offset, c.phase, c.rise, c.fall, c.width}) +
                     (c.periodic ? "1 " : "0 ") + (c.periodGiven ? "1" : "0"));
}

std::vector<CurvePoint> Oracle(const ArcTangCurve& c) {
    return RunOracle("arctan " + Numbers({c.time, c.limit, c.factor, c.offsetX, c.offsetY}));
}

std::vector<CurvePoint> Oracle(const NeedleCurve& c) {
    return RunOracle("needle " + Numbers({c.amplitude, c.frequency, c.delay, c.needleDelay, c.offset}) +
                     (c.periodic ? "1" : "0"));
}

void ExpectSameCurve(const std::vector<CurvePoint>& expected, const std::vector<CurvePoint>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(expected[i].t, actual[i].t, 1e-12 * std::max(1.0, std::fabs(expected[i].t))) << "point " << i;
        EXPECT_NEAR(expected[i].y, actual[i].y, 1e-9 * std::max(1.0, std::fabs(expected[i].y))) << "point " << i;
    }
}

void ExpectFinite(const std::vector<CurvePoint>& points) {
    for (const CurvePoint& p : points) {
        EXPECT_TRUE(std::isfinite(p.t));
        EXPECT_TRUE(std::isfinite(p.y));
    }
}

WaveCurve Wave(WaveShape shape, double f, double P, bool periodic = true, bool given = false, double phase = 0.0) {
    return {.shape = shape, .frequency = f, .period = P, .amplitude = 2, .phase = phase, .offset = 0.5, .delay = 0.25,
            .periodic = periodic, .periodGiven = given};
}

TEST(WavePreview, EveryShapeAndRowAgreesWithTheOracle) {
    const WaveShape shapes[] = {WaveShape::Pulse, WaveShape::SawRising, WaveShape::SawFalling, WaveShape::Triangle};
    struct Row {
        const char* name;
        double f;
        double P;
        bool periodic;
        bool given;
        double phase;
    };
    const Row rows[] = {
        {"periodic, period from f", 1, 1, true, false, 0.3},
        {"periodic, P given equal to 1/f", 4, 0.25, true, true, 0},
        {"periodic, P given restarts the curve", 1, 1.5, true, true, 0},
        {"periodic, shorter P given", 1, 0.6, true, true, 1},
        {"negative phase stays within the wave", 2, 0.5, true, false, -1},
        {"non-periodic, ends at T", 1, 1, false, false, 0},
        {"non-periodic, ends at a longer P", 1, 1.5, false, true, 0},
        {"non-periodic, ends at a shorter P", 1, 0.7, false, true, 0.5},
        {"f = 0 draws the offset", 0, 1, true, false, 0},
    };
    for (WaveShape shape : shapes)
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(ShapeName(shape)) + ": " + row.name);
            const WaveCurve curve = Wave(shape, row.f, row.P, row.periodic, row.given, row.phase);
            ExpectSameCurve(Oracle(curve), ComputeWavePoints(curve));
        }
}

TEST(WavePreview, KnownValues) {
    // Saw-tooth rising, f = 1, A = 1: −1 at t = 0, just below 1 before t = 1.
    const WaveCurve saw{.shape = WaveShape::SawRising, .frequency = 1, .period = 1, .amplitude = 1};
    const auto sawPoints = ComputeWavePoints(saw);
    ASSERT_EQ(501u, sawPoints.size());
    EXPECT_DOUBLE_EQ(-1.0, sawPoints[0].y);
    EXPECT_NEAR(2.0 * 0.996 - 1.0, sawPoints[249].y, 1e-12);
    EXPECT_DOUBLE_EQ(-1.0, sawPoints[250].y);
    // Pulse at φ = 3π/2 starts at o − A; 1001 points.
    const WaveCurve pulse{.shape = WaveShape::Pulse, .frequency = 1, .period = 1, .amplitude = 1, .phase = 1.5 * kPi,
                          .offset = 3};
    const auto pulsePoints = ComputeWavePoints(pulse);
    ASSERT_EQ(1001u, pulsePoints.size());
    EXPECT_DOUBLE_EQ(2.0, pulsePoints[0].y);
    // Triangle with P = 1.5·T repeats its values from t = P on.
    const WaveCurve triangle{.shape = WaveShape::Triangle, .frequency = 2, .period = 0.75, .amplitude = 1,
                             .periodGiven = true};
    const auto tri = ComputeWavePoints(triangle);
    ASSERT_EQ(501u, tri.size());
    for (int i = 0; i + 250 < 501; ++i) EXPECT_NEAR(tri[i].y, tri[i + 250].y, 1e-9) << i;
    // A non-periodic rising saw-tooth with P < T runs to T, then 0; falling stops at P.
    WaveCurve rise{.shape = WaveShape::SawRising, .frequency = 1, .period = 0.5, .amplitude = 1, .periodic = false,
                   .periodGiven = true};
    auto risePoints = ComputeWavePoints(rise);
    EXPECT_GT(risePoints[300].y, 0.0) << "t = 0.6 lies before T";
    rise.shape = WaveShape::SawFalling;
    risePoints = ComputeWavePoints(rise);
    EXPECT_EQ(0.0, risePoints[300].y) << "t = 0.6 lies after P";
}

TEST(TrapezPreview, RowsAgreeWithTheOracle) {
    struct Case {
        const char* name;
        TrapezCurve curve;
    };
    const Case cases[] = {
        {"periodic, flag clear", {.amplitude = 2, .period = 4e-3, .delay = 1e-3, .offset = 0.5, .phase = 0.3,
                                  .rise = 1e-3, .fall = 1e-3, .width = 2e-3}},
        {"periodic, T prints as S", {.amplitude = 1, .period = 4e-3, .rise = 1e-3, .fall = 1e-3, .width = 2e-3,
                                     .periodGiven = true}},
        {"periodic, T longer than S: offset between",
         {.amplitude = 1, .period = 6e-3, .offset = -1, .rise = 1e-3, .fall = 1e-3, .width = 2e-3, .periodGiven = true}},
        {"non-periodic, 0 after S", {.amplitude = 1, .period = 6e-3, .offset = 2, .rise = 1e-3, .fall = 1e-3,
                                     .width = 2e-3, .periodic = false}},
        {"non-periodic, 0 after T", {.amplitude = 1, .period = 5e-3, .offset = 2, .rise = 1e-3, .fall = 2e-3,
                                     .width = 1e-3, .periodic = false, .periodGiven = true}},
        {"negative phase stays above the offset", {.amplitude = 1, .period = 4e-3, .phase = -2, .rise = 1e-3,
                                                   .fall = 1e-3, .width = 2e-3}},
        {"zero rise and fall are edges", {.amplitude = 1, .period = 4e-3, .width = 2e-3}},
        {"S = 0 draws the offset", {.amplitude = 1, .period = 4e-3, .offset = 0.7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto points = ComputeTrapezPoints(c.curve);
        EXPECT_EQ(501u, points.size());
        ExpectSameCurve(Oracle(c.curve), points);
    }
}

TEST(TrapezPreview, ShapeNeverLeavesTheBandAndZeroLengthsStayFinite) {
    const TrapezCurve negative{.amplitude = 1, .period = 4e-3, .offset = 0, .phase = -2, .rise = 1e-3, .fall = 1e-3,
                               .width = 2e-3};
    for (const CurvePoint& p : ComputeTrapezPoints(negative)) {
        EXPECT_GE(p.y, 0.0);
        EXPECT_LE(p.y, 1.0);
    }
    const TrapezCurve zero{.amplitude = 1, .period = 0, .offset = 0.7};
    const auto points = ComputeTrapezPoints(zero);
    ASSERT_EQ(501u, points.size());
    for (const CurvePoint& p : points) {
        EXPECT_EQ(0.0, p.t);
        EXPECT_EQ(0.7, p.y);
    }
}

TEST(ArcTangPreview, AgreesWithTheOracleAndSpansTimeTimesPi) {
    const ArcTangCurve cases[] = {
        {.time = 2, .limit = 1, .factor = 1},
        {.time = 0.5, .limit = 3, .factor = -2, .offsetX = 0.5, .offsetY = 1},
        {.time = 0, .limit = 1, .factor = 1, .offsetY = 2},
    };
    for (const ArcTangCurve& c : cases) ExpectSameCurve(Oracle(c), ComputeArcTangPoints(c));
    const auto points = ComputeArcTangPoints(cases[0]);
    ASSERT_EQ(101u, points.size());
    EXPECT_NEAR(2 * kPi, points[100].t, 1e-12);
    EXPECT_NEAR(std::atan(0.02 * kPi), points[1].y, 1e-12);
}

TEST(NeedlePreview, CountsAndOracle) {
    struct Case {
        const char* name;
        NeedleCurve curve;
        size_t count;
    };
    const Case cases[] = {
        {"periodic: a needle in each of two periods", {.amplitude = 1, .frequency = 1e3, .needleDelay = 0.25e-3}, 505},
        {"non-periodic: one needle", {.amplitude = 1, .frequency = 1e3, .needleDelay = 0.25e-3, .periodic = false}, 503},
        {"needle beyond the two periods", {.amplitude = 1, .frequency = 1e3, .needleDelay = 3e-3, .periodic = false},
         501},
        {"F = 0: the offset at Dl", {.amplitude = 1, .frequency = 0, .delay = 1e-3, .offset = 0.5}, 501},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto points = ComputeNeedlePoints(c.curve);
        EXPECT_EQ(c.count, points.size());
        ExpectSameCurve(Oracle(c.curve), points);
    }
    const auto still = ComputeNeedlePoints(cases[3].curve);
    for (const CurvePoint& p : still) {
        EXPECT_EQ(1e-3, p.t);
        EXPECT_EQ(0.5, p.y);
    }
    // The needle stands at the first sample after Dw: t = 0.252 ms, from O to O + A.
    const auto one = ComputeNeedlePoints(cases[1].curve);
    EXPECT_NEAR(0.252e-3, one[63].t, 1e-15);
    EXPECT_EQ(0.0, one[63].y);
    EXPECT_EQ(1.0, one[64].y);
}

TEST(Previews, DegenerateInputsGiveFinitePointsOnly) {
    const double inf = HUGE_VAL;
    const double nan = std::nan("");
    for (WaveShape shape : {WaveShape::Pulse, WaveShape::SawRising, WaveShape::SawFalling, WaveShape::Triangle}) {
        ExpectFinite(ComputeWavePoints(Wave(shape, inf, 1)));
        ExpectFinite(ComputeWavePoints(Wave(shape, 1, 0, true, true)));
        ExpectFinite(ComputeWavePoints(Wave(shape, 1e-320, 1)));
        ExpectFinite(ComputeWavePoints(Wave(shape, nan, 1, false)));
        ExpectFinite(ComputeWavePoints(Wave(shape, -1, 1, false, true, 1e308)));
    }
    ExpectFinite(ComputeTrapezPoints({.amplitude = 1, .period = inf, .rise = 1, .fall = 0, .width = -1}));
    ExpectFinite(ComputeTrapezPoints({.amplitude = nan, .period = 1, .rise = 1}));
    ExpectFinite(ComputeArcTangPoints({.time = inf, .limit = 1, .factor = 1}));
    ExpectFinite(ComputeNeedlePoints({.amplitude = 1, .frequency = 1e-320, .needleDelay = 0}));
    ExpectFinite(ComputeNeedlePoints({.amplitude = 1, .frequency = inf}));
    // A saw-tooth with f = 1e-320 has an infinite T: nothing to draw, nothing non-finite.
    EXPECT_TRUE(ComputeWavePoints(Wave(WaveShape::SawRising, 1e-320, 1)).size() <= 501u);
}

} // namespace
