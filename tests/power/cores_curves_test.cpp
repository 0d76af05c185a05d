// The B(H) characteristics of the core-model levels against closed forms and independently
// written iterations.
#include "power/core_curves.h"

#include "framework/data_classes.h"
#include "wizard/copa.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using qv::power::cores::BuildCurve;
using qv::power::cores::CurvePoint;
using qv::power::cores::kMu0;

struct Param {
    WORD id;
    const char* name;
    const char* value;
};

// A parameter set as the element holds it; owns its objects.
class ParamSet {
public:
    explicit ParamSet(const std::vector<Param>& params)
    {
        for (const Param& p : params) {
            auto object = std::make_unique<CWizardCopaObject3>();
            object->SetValueID(p.id);
            object->SetName(p.name);
            object->SetValue(p.value);
            m_array.Add(object.get());
            m_objects.push_back(std::move(object));
        }
    }
    const CPtrArray& Array() const { return m_array; }

private:
    std::vector<std::unique_ptr<CWizardCopaObject3>> m_objects;
    CPtrArray m_array;
};

double Langevin(double z) { return 1.0 / std::tanh(z) - 1.0 / z; }

double HyperbolaFlux(double H, double A, double Ms) { return kMu0 * H + kMu0 * Ms * H / (std::fabs(H) + A); }

TEST(CoresCurves, LinearLevelIsTheExactLineBetweenMinusAndPlusTwoTesla)
{
    struct Case {
        const char* mue;
        double mur;
    } cases[] = {{"1000", 1000.0}, {"1", 1.0}, {"2.5k", 2500.0}};
    for (const Case& c : cases) {
        const ParamSet set({{1000, "MUE", c.mue}});
        const auto points = BuildCurve(0, set.Array());
        ASSERT_EQ(points.size(), 2u) << c.mue;
        const double hl = 2.0 / (kMu0 * c.mur);
        EXPECT_EQ(points[0].h, -hl);
        EXPECT_EQ(points[0].b, -2.0);
        EXPECT_EQ(points[1].h, hl);
        EXPECT_EQ(points[1].b, 2.0);
    }
    const ParamSet thousand({{1000, "MUE", "1000"}});
    EXPECT_NEAR(BuildCurve(0, thousand.Array())[1].h, 1591.549, 0.001);
}

TEST(CoresCurves, KeywordsAreMatchedAsTheirCaseRulesSayAndTheLaterWins)
{
    struct Case {
        std::vector<Param> params;
        int level;
        size_t points;
        double hl;  // level 0: expected field of the upper point
    } cases[] = {
        {{{1000, "mue", "1000"}}, 0, 0, 0.0},                          // "MUE" is exact
        {{{999, "MUE", "1000"}}, 0, 0, 0.0},                           // below the ID range
        {{{2000, "MUE", "1000"}}, 0, 0, 0.0},                          // above the ID range
        {{{1999, "MUE", "1000"}}, 0, 2, 2.0 / (kMu0 * 1000.0)},        // range end included
        {{{1000, "MUE", "10"}, {1001, "MUE", "1000"}}, 0, 2, 2.0 / (kMu0 * 1000.0)},
        {{{1000, "ahyp", "100"}, {1001, "MSHYP", "1e6"}}, 1, 0, 0.0},  // "AHYP" is exact
        {{{1000, "AHYP", "100"}, {1001, "msHyp", "1e6"}}, 1, 200, 0.0},
        {{{1000, "Alan", "100"}, {1001, "MSLAN", "1e6"}, {1002, "ALPHALAN", "0"}}, 2, 0, 0.0},
        {{{1000, "ALAN", "100"}, {1001, "mslan", "1e6"}, {1002, "alphalan", "0"}}, 2, 200, 0.0},
        {{{1000, "AHYP", "100"}, {1001, "MSHYP", "1e6"}, {1002, "chyp", "0.5"}}, 3, 0, 0.0},  // no KHYP
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const ParamSet set(cases[i].params);
        const auto points = BuildCurve(cases[i].level, set.Array());
        ASSERT_EQ(points.size(), cases[i].points) << "case " << i;
        if (cases[i].level == 0 && !points.empty()) {
            EXPECT_EQ(points[1].h, cases[i].hl) << "case " << i;
        }
    }
}

TEST(CoresCurves, LevelsOutsideTheRangeGiveNoPoints)
{
    const ParamSet set({{1000, "MUE", "1000"}});
    for (int level : {-1, 5, 151})
        EXPECT_TRUE(BuildCurve(level, set.Array()).empty()) << level;
}

TEST(CoresCurves, HyperbolaCurveFollowsItsClosedForm)
{
    struct Case {
        const char* A;
        const char* Ms;
        double a;
        double ms;
    } cases[] = {{"100", "1e6", 100.0, 1e6}, {"20", "1.2e6", 20.0, 1.2e6}, {"500", "3e5", 500.0, 3e5}};
    for (const Case& c : cases) {
        const ParamSet set({{1000, "AHYP", c.A}, {1001, "MSHYP", c.Ms}});
        const auto points = BuildCurve(1, set.Array());
        ASSERT_EQ(points.size(), 200u);
        const double hmax = 20.0 * c.a / (kMu0 * c.ms);
        EXPECT_NEAR(points[0].h, hmax, hmax * 1e-12);
        EXPECT_NEAR(points[199].h, -hmax, hmax * 1e-12);
        const double bmax = HyperbolaFlux(hmax, c.a, c.ms);
        EXPECT_LE(std::fabs(points[0].b - bmax), 0.002 * bmax) << c.A;
        for (size_t i = 1; i < 200; ++i) {
            const double H = -points[i].h;
            EXPECT_NEAR(-points[i].b, HyperbolaFlux(H, c.a, c.ms), 1e-12) << i;
        }
        // Point symmetry about the origin, the first point apart.
        for (size_t i = 1; i < 199; ++i) {
            EXPECT_NEAR(points[i].h, -points[199 - i].h, hmax * 1e-12) << i;
            EXPECT_NEAR(points[i].b, -points[199 - i].b, 1e-12) << i;
        }
    }
}

TEST(CoresCurves, LangevinCurveWithoutCouplingFollowsItsClosedForm)
{
    struct Case {
        const char* a;
        const char* Ms;
        double av;
        double ms;
    } cases[] = {{"100", "1e6", 100.0, 1e6}, {"1000", "1.6e6", 1000.0, 1.6e6}, {"30", "4e5", 30.0, 4e5}};
    for (const Case& c : cases) {
        const ParamSet set({{1000, "ALAN", c.a}, {1001, "MSLAN", c.Ms}, {1002, "ALPHALAN", "0"}});
        const auto points = BuildCurve(2, set.Array());
        ASSERT_EQ(points.size(), 200u);
        for (size_t i = 1; i < 200; ++i) {
            const double H = -points[i].h;
            const double closed = kMu0 * (H + c.ms * Langevin(H / c.av));
            EXPECT_NEAR(-points[i].b, closed, 1e-3) << c.a << " point " << i;
        }
    }
}

TEST(CoresCurves, LangevinCurveWithCouplingMeetsItsRelationWithinTheTolerance)
{
    struct Case {
        const char* a;
        const char* Ms;
        const char* alpha;
        double av;
        double ms;
        double alphav;
    } cases[] = {{"1000", "1.6e6", "1e-4", 1000.0, 1.6e6, 1e-4}, {"500", "1e6", "1e-06", 500.0, 1e6, 1e-6}};
    for (const Case& c : cases) {
        const ParamSet set({{1000, "ALAN", c.a}, {1001, "MSLAN", c.Ms}, {1002, "ALPHALAN", c.alpha}});
        const auto points = BuildCurve(2, set.Array());
        ASSERT_EQ(points.size(), 200u);
        for (size_t i = 1; i < 200; ++i) {
            const double H = -points[i].h;
            const double M = -points[i].b / kMu0 - H;
            const double residual = c.ms * Langevin((H + c.alphav * M) / c.av) - M;
            EXPECT_LE(std::fabs(residual), qv::power::cores::kSolverTolerance) << c.alpha << " point " << i;
        }
        // Point symmetry within twice the solver tolerance (1 mT each side).
        for (size_t i = 1; i < 199; ++i)
            EXPECT_NEAR(points[i].b, -points[199 - i].b, 2e-3) << i;
    }
}

// Loops whose irreversible part vanishes (c = 1) integrate the anhysteretic curve: each branch
// stays within the explicit Euler error bound of the closed form, plus the end-point offset.
TEST(CoresCurves, LoopsWithoutIrreversiblePartFollowTheAnhystereticCurve)
{
    struct Case {
        int level;
        std::vector<Param> params;
        double a;
        double ms;
    } cases[] = {
        {3, {{1000, "AHYP", "100"}, {1001, "CHYP", "1"}, {1002, "KHYP", "50"}, {1003, "MSHYP", "1e6"}}, 100.0, 1e6},
        {4,
         {{1000, "ALAN", "200"}, {1001, "CLAN", "1"}, {1002, "KLAN", "50"}, {1003, "MSLAN", "1e6"},
          {1004, "ALPHALAN", "0"}},
         200.0,
         1e6},
    };
    for (const Case& c : cases) {
        const ParamSet set(c.params);
        const auto points = BuildCurve(c.level, set.Array());
        ASSERT_EQ(points.size(), 400u);
        EXPECT_EQ(points[199].h, points[200].h);
        EXPECT_EQ(points[199].b, points[200].b);
        auto man = [&c](double H) {
            return c.level == 3 ? c.ms * H / (std::fabs(H) + c.a) : c.ms * Langevin(H / c.a);
        };
        const double hmax = points[0].h;
        const double dh = hmax * 0.010050251256281407;
        // Largest second derivative of Man over the sweep, sampled finely.
        double curvature = 0.0;
        for (int j = 1; j < 20000; ++j) {
            const double H = -hmax + j * (2.0 * hmax / 20000.0);
            const double e = 1e-3 * std::max(1.0, std::fabs(H));
            if (std::fabs(H) < 2 * e)
                continue;  // the hyperbola's kink at 0 is handled by the term below
            curvature = std::max(curvature, std::fabs(man(H + e) - 2 * man(H) + man(H - e)) / (e * e));
        }
        const double kink = c.level == 3 ? 2.0 * c.ms / c.a * dh : 0.0;  // jump of dMan/dH at 0, one step
        const double bound = kMu0 * (199.0 * dh * dh / 2.0 * curvature + kink * dh);
        const double endOffset = 0.002 * points[0].b * 1.01;
        for (size_t i = 0; i < 400; ++i) {
            const double H = -points[i].h;
            const double closed = kMu0 * (H + man(H));
            EXPECT_LE(std::fabs(-points[i].b - closed), bound + endOffset + 1e-9) << c.level << " point " << i;
        }
    }
}

// The field search advances 1 A/m until B grows by at most 0.05 %; evaluated here on the
// closed forms of the anhysteretic curves.
TEST(CoresCurves, FieldSearchStopsWhereTheGrowthRuleSays)
{
    struct Case {
        int level;
        double a;
        double ms;
    } cases[] = {{3, 100.0, 1e6}, {3, 10.0, 2e5}, {4, 200.0, 1e6}, {4, 50.0, 5e5}};
    for (const Case& c : cases) {
        auto flux = [&c](double H) {
            return c.level == 3 ? kMu0 * (H + c.ms * H / (H + c.a)) : kMu0 * (H + c.ms * Langevin(H / c.a));
        };
        double expected = 0.0;
        for (double H = 1.0;; H += 1.0) {
            const double previous = H == 1.0 ? 0.0 : flux(H - 1.0);
            if (H > 1.0 && 100.0 * (flux(H) - previous) / previous <= 0.05) {
                expected = H;
                break;
            }
        }
        const auto found = c.level == 3 ? qv::power::cores::HyperbolaFieldSearch(c.a, c.ms)
                                        : qv::power::cores::LangevinFieldSearch(c.a, c.ms, 0.0);
        // The level-4 search solves M only to 0.1 A/m, so it may stop a step either side.
        EXPECT_NEAR(found.hmax, expected, c.level == 3 ? 0.0 : 1.0) << c.level << ' ' << c.a;
        EXPECT_NEAR(found.bmax, flux(found.hmax), c.level == 3 ? 1e-12 : kMu0 * 0.2);
    }
    EXPECT_EQ(qv::power::cores::HyperbolaFieldSearch(100.0, -1e9).hmax, 1.0);  // B(1) not positive
}

TEST(CoresCurves, SolversReturnAStartWithinTheTolerance)
{
    const double ms = 1e6;
    const double a = 100.0;
    const double H = 300.0;
    const double exactB = kMu0 * (H + ms * Langevin(H / a));
    EXPECT_EQ(qv::power::cores::LangevinFluxForField(H, exactB, ms, 0.0, a), exactB);
    EXPECT_EQ(qv::power::cores::LangevinFieldForFlux(exactB, H, ms, 0.0, a), H);
    // Starts off the curve but within the tolerance come back unchanged, not improved by the
    // step made while testing them.
    struct Case {
        double alpha;
        double offB;  // T
        double offH;  // A/m
    } cases[] = {{0.0, 5e-4, 0.1}, {1e-4, -5e-4, -0.1}, {1e-3, 2e-4, 0.05}};
    for (const Case& c : cases) {
        const double M = qv::power::cores::LangevinFluxForField(H, exactB, ms, c.alpha, a) / kMu0 - H;
        const double B = kMu0 * (H + M);
        const double startB = B + c.offB;
        const double residualB = ms * Langevin((H + c.alpha * (startB / kMu0 - H)) / a) - (startB / kMu0 - H);
        ASSERT_LT(std::fabs(residualB), qv::power::cores::kSolverTolerance) << c.alpha;
        EXPECT_EQ(qv::power::cores::LangevinFluxForField(H, startB, ms, c.alpha, a), startB) << c.alpha;
        const double startH = H + c.offH;
        const double Mh = B / kMu0 - startH;
        const double residualH = ms * Langevin((startH + c.alpha * Mh) / a) - Mh;
        ASSERT_LT(std::fabs(residualH), qv::power::cores::kSolverTolerance) << c.alpha;
        EXPECT_EQ(qv::power::cores::LangevinFieldForFlux(B, startH, ms, c.alpha, a), startH) << c.alpha;
    }
}

// Without coupling the field solver is the map H <- P - Ms*L(H/a); where it does not settle
// the solver gives the twentieth iterate, the one whose residual was evaluated last.
TEST(CoresCurves, NonConvergingSolverReturnsItsTwentiethIterate)
{
    const double ms = 1e6;
    const double a = 100.0;
    const double B = kMu0 * ms;
    const double P = B / kMu0;
    std::vector<double> iterates{1000.0};
    for (int n = 1; n < 21; ++n) {
        const double Hn = iterates.back();
        iterates.push_back(P - ms * Langevin(Hn / a));
    }
    const double residualAt19 = ms * Langevin(iterates[19] / a) - (P - iterates[19]);
    ASSERT_GT(std::fabs(residualAt19), qv::power::cores::kSolverTolerance) << "the case must not converge";
    EXPECT_NEAR(qv::power::cores::LangevinFieldForFlux(B, 1000.0, ms, 0.0, a), iterates[19], 1e-6 * std::fabs(iterates[19]));
}

// Zero parameters divide by zero: every builder still ends and leaves its full point list.
TEST(CoresCurves, ZeroParametersEndEveryLoop)
{
    struct Case {
        int level;
        std::vector<Param> params;
        size_t points;
    } cases[] = {
        {0, {{1000, "MUE", "0"}}, 2},
        {1, {{1000, "AHYP", "0"}, {1001, "MSHYP", "1e6"}}, 200},
        {1, {{1000, "AHYP", "100"}, {1001, "MSHYP", "0"}}, 200},
        {2, {{1000, "ALAN", "0"}, {1001, "MSLAN", "1e6"}, {1002, "ALPHALAN", "0"}}, 200},
        {2, {{1000, "ALAN", "100"}, {1001, "MSLAN", "0"}, {1002, "ALPHALAN", "0"}}, 200},
        {3, {{1000, "AHYP", "0"}, {1001, "CHYP", "0.1"}, {1002, "KHYP", "0"}, {1003, "MSHYP", "1e6"}}, 400},
        {3, {{1000, "AHYP", "100"}, {1001, "CHYP", "0.1"}, {1002, "KHYP", "50"}, {1003, "MSHYP", "0"}}, 400},
        {4,
         {{1000, "ALAN", "0"}, {1001, "CLAN", "0.1"}, {1002, "KLAN", "50"}, {1003, "MSLAN", "1e6"},
          {1004, "ALPHALAN", "1e-4"}},
         400},
        {4,
         {{1000, "ALAN", "100"}, {1001, "CLAN", "0.1"}, {1002, "KLAN", "0"}, {1003, "MSLAN", "0"},
          {1004, "ALPHALAN", "0"}},
         400},
        {4,
         {{1000, "ALAN", "abc"}, {1001, "CLAN", "x"}, {1002, "KLAN", ""}, {1003, "MSLAN", "-"},
          {1004, "ALPHALAN", "?"}},
         400},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const ParamSet set(cases[i].params);
        EXPECT_EQ(BuildCurve(cases[i].level, set.Array()).size(), cases[i].points) << "case " << i;
    }
}

TEST(CoresCurves, PointListIsReplacedWhole)
{
    CPtrArray list;
    const ParamSet loop({{1000, "AHYP", "100"}, {1001, "CHYP", "0.2"}, {1002, "KHYP", "400"}, {1003, "MSHYP", "1e6"}});
    qv::power::cores::ReplacePointList(list, BuildCurve(3, loop.Array()));
    ASSERT_EQ(list.GetSize(), 400);
    const ParamSet line({{1000, "MUE", "1000"}});
    qv::power::cores::ReplacePointList(list, BuildCurve(0, line.Array()));
    ASSERT_EQ(list.GetSize(), 2);
    EXPECT_EQ(static_cast<CDataPoint*>(list.GetAt(1))->y, 2.0);
    qv::power::cores::ClearPointList(list);
    EXPECT_EQ(list.GetSize(), 0);
}

}  // namespace

namespace {

std::vector<CurvePoint> OracleLoop(int level, double a, double ms, double c, double k, double alpha)
{
    std::ostringstream command;
    command.precision(17);
    command << "/usr/bin/python3 '" << CORES_LOOP_ORACLE << "' " << level << ' ' << a << ' ' << ms << ' ' << c << ' '
            << k << ' ' << alpha;
    std::vector<CurvePoint> points;
    FILE* pipe = popen(command.str().c_str(), "r");
    if (pipe == nullptr)
        return points;
    double h = 0.0;
    double b = 0.0;
    while (std::fscanf(pipe, "%lf %lf", &h, &b) == 2)
        points.push_back({h, b});
    EXPECT_EQ(0, pclose(pipe)) << "the oracle needs python3 with numpy and scipy (scripts/install-deps installs them)";
    return points;
}

// General loops (irreversible part, coupling) against an independently written Euler run.
TEST(CoresCurves, LoopsAgreeWithAnIndependentEulerRun)
{
    struct Case {
        int level;
        const char* a;
        const char* ms;
        const char* c;
        const char* k;
        const char* alpha;
    } cases[] = {
        {3, "100", "1e6", "0.2", "400", "0"},
        {3, "50", "8e5", "0.5", "100", "0"},
        {4, "200", "1e6", "0.1", "300", "1e-4"},
        {4, "1000", "1.6e6", "0.3", "2000", "1e-3"},
    };
    for (const Case& c : cases) {
        const bool hyperbola = c.level == 3;
        const ParamSet set({{1000, hyperbola ? "AHYP" : "ALAN", c.a},
                            {1001, hyperbola ? "CHYP" : "CLAN", c.c},
                            {1002, hyperbola ? "KHYP" : "KLAN", c.k},
                            {1003, hyperbola ? "MSHYP" : "MSLAN", c.ms},
                            {1004, "ALPHALAN", c.alpha}});
        const auto points = BuildCurve(c.level, set.Array());
        const auto oracle = OracleLoop(c.level, std::atof(c.a), std::atof(c.ms), std::atof(c.c), std::atof(c.k),
                                       std::atof(c.alpha));
        ASSERT_EQ(points.size(), 400u);
        ASSERT_EQ(oracle.size(), 400u) << c.level << ' ' << c.a;
        for (size_t i = 0; i < 400; ++i) {
            EXPECT_NEAR(points[i].h, oracle[i].h, 1e-9 * std::fabs(oracle[0].h)) << c.level << ' ' << c.a << ' ' << i;
            EXPECT_NEAR(points[i].b, oracle[i].b, 1e-6) << c.level << ' ' << c.a << ' ' << i;
        }
    }
}

}  // namespace
