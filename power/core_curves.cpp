#include "power/core_curves.h"

#include "framework/data_classes.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"
#include "wizard/copa.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstring>

namespace qv::power::cores {

namespace {

using Sweep = std::array<double, kSweepPoints>;

bool SameIgnoringCase(const char* left, const char* right)
{
    for (; *left != '\0' && *right != '\0'; ++left, ++right) {
        if (std::tolower(static_cast<unsigned char>(*left)) != std::tolower(static_cast<unsigned char>(*right)))
            return false;
    }
    return *left == *right;
}

// "MUE", "AHYP" and "ALAN" are matched exactly, every other keyword without regard to case.
bool KeywordMatches(const char* name, const char* keyword)
{
    if (std::strcmp(keyword, "MUE") == 0 || std::strcmp(keyword, "AHYP") == 0 || std::strcmp(keyword, "ALAN") == 0)
        return std::strcmp(name, keyword) == 0;
    return SameIgnoringCase(name, keyword);
}

void FieldSweep(double hmax, Sweep& h)
{
    const double step = hmax * 0.010050251256281407;
    for (int i = 0; i < kSweepPoints; ++i)
        h[static_cast<size_t>(i)] = i * step - hmax;
}

// Runs the end-point iteration: the sweep is computed from B_0 = -s, and s moves by the mean
// of B_0 and B_199 until they agree within 0.2 % of s. A NaN ends it, and so does the pass
// bound.
template <typename ComputeSweep>
void EndPointIteration(double start, ComputeSweep compute, const Sweep& rising)
{
    double s = start;
    compute(s);
    double d = (rising[0] + rising[kSweepPoints - 1]) / 2.0;
    for (int pass = 0; pass < kEndPointPasses && std::fabs(d) / s > 0.001; ++pass) {
        s += d;
        compute(s);
        d = (rising[0] + rising[kSweepPoints - 1]) / 2.0;
    }
}

std::vector<CurvePoint> CurveOutput(const Sweep& h, const Sweep& b)
{
    std::vector<CurvePoint> points;
    points.reserve(kSweepPoints);
    for (size_t i = 0; i < static_cast<size_t>(kSweepPoints); ++i)
        points.push_back({-h[i], -b[i]});
    return points;
}

std::vector<CurvePoint> LoopOutput(const Sweep& h, const Sweep& rising, const Sweep& falling)
{
    std::vector<CurvePoint> points = CurveOutput(h, rising);
    points.reserve(2 * kSweepPoints);
    for (int i = kSweepPoints - 1; i >= 0; --i)
        points.push_back({-h[static_cast<size_t>(i)], -falling[static_cast<size_t>(i)]});
    return points;
}

// The 1 A/m field search of the loops: stops at the first field whose growth over the
// previous one is at most 0.05 % (B(0) = 0). A NaN or a B(1) that is not positive ends it.
template <typename FluxAt>
FieldSearch SearchField(FluxAt fluxAt)
{
    double previous = 0.0;
    FieldSearch found;
    for (long step = 1; step <= kFieldSearchSteps; ++step) {
        const double H = static_cast<double>(step);
        const double B = fluxAt(H);
        found = {H, B};
        const double growth = 100.0 * (B - previous) / previous;
        if (!(growth > 0.05))
            break;
        previous = B;
    }
    return found;
}

double HyperbolaMan(double H, double A, double Ms) { return Ms * H / (std::fabs(H) + A); }

double HyperbolaDMan(double H, double A, double Ms)
{
    const double denominator = std::fabs(H) + A;
    return Ms * A / (denominator * denominator);
}

struct LangevinState {
    double man = 0.0;
    double dman = 0.0;
};

LangevinState LangevinAt(double H, double M, double Ms, double alpha, double a)
{
    const double he = H + alpha * M;
    const double z = he / a;
    const double sh = std::sinh(z);
    return {Ms * (1.0 / std::tanh(z) - a / he), Ms * (a / (he * he) - 1.0 / (a * sh * sh))};
}

struct LoopParameters {
    double a = 0.0;      // A (hyperbola) or a (Langevin)
    double ms = 0.0;
    double c = 0.0;
    double k = 0.0;
    double alpha = 0.0;  // Langevin only
};

// One Euler pass over both branches of a loop from B_0 = -s.
template <bool Langevin>
void LoopSweep(double s, const LoopParameters& p, const Sweep& h, Sweep& rising, Sweep& falling)
{
    auto anhysteretic = [&p](double H, double M) {
        if constexpr (Langevin) {
            return LangevinAt(H, M, p.ms, p.alpha, p.a);
        } else {
            (void)M;
            return LangevinState{HyperbolaMan(H, p.a, p.ms), HyperbolaDMan(H, p.a, p.ms)};
        }
    };
    rising[0] = -s;
    double M = -s * kInvMu0 - h[0];
    for (size_t i = 1; i < static_cast<size_t>(kSweepPoints); ++i) {
        const LangevinState an = anhysteretic(h[i - 1], M);
        double irr = 0.0;
        if (an.man > M) {
            const double gap = an.man - M;
            if constexpr (Langevin)
                irr = (1.0 - p.c) * gap / (p.k - p.alpha * gap);
            else
                irr = (1.0 - p.c) * std::fabs(gap) / p.k;
        }
        M += (irr + p.c * an.dman) * (h[i] - h[i - 1]);
        rising[i] = kMu0 * (h[i] + M);
    }
    const size_t last = static_cast<size_t>(kSweepPoints - 1);
    falling[last] = rising[last];
    M = rising[last] * kInvMu0 - h[last];
    for (size_t i = last; i-- > 0;) {
        const LangevinState an = anhysteretic(h[i + 1], M);
        double irr = 0.0;
        if (an.man < M) {
            const double gap = an.man - M;
            if constexpr (Langevin)
                irr = (1.0 - p.c) * gap / (-p.k - p.alpha * gap);
            else
                irr = (1.0 - p.c) * std::fabs(gap) / p.k;
        }
        M += (irr + p.c * an.dman) * (h[i] - h[i + 1]);
        falling[i] = kMu0 * (h[i] + M);
    }
}

template <bool Langevin>
std::vector<CurvePoint> BuildLoop(const LoopParameters& p, const FieldSearch& search)
{
    Sweep h{};
    Sweep rising{};
    Sweep falling{};
    FieldSweep(search.hmax, h);
    EndPointIteration(search.bmax, [&](double s) { LoopSweep<Langevin>(s, p, h, rising, falling); }, rising);
    return LoopOutput(h, rising, falling);
}

std::vector<CurvePoint> BuildLinear(double mur)
{
    const double hl = 2.0 / (kMu0 * mur);
    return {{-hl, -2.0}, {hl, 2.0}};
}

std::vector<CurvePoint> BuildHyperbolaCurve(double A, double Ms)
{
    const double hmax = 20.0 / ((kMu0 / A) * Ms);
    Sweep h{};
    Sweep b{};
    FieldSweep(hmax, h);
    auto compute = [&](double s) {
        b[0] = -s;
        for (size_t i = 1; i < static_cast<size_t>(kSweepPoints); ++i)
            b[i] = kMu0 * h[i] + kMu0 * HyperbolaMan(h[i], A, Ms);
    };
    EndPointIteration(20.0, compute, b);
    return CurveOutput(h, b);
}

std::vector<CurvePoint> BuildLangevinCurve(double a, double Ms, double alpha)
{
    const double hmax = LangevinFieldForFlux(kMu0 * Ms, 1000.0, Ms, alpha, a);
    Sweep h{};
    Sweep b{};
    FieldSweep(hmax, h);
    auto compute = [&](double s) {
        b[0] = -s;
        for (size_t i = 1; i < static_cast<size_t>(kSweepPoints); ++i) {
            double start = b[i - 1];
            // The previous point's sign relative to this field decides the start's sign.
            if (b[i - 1] / h[i] < 0.0)
                start = -start;
            b[i] = LangevinFluxForField(h[i], start, Ms, alpha, a);
        }
    };
    EndPointIteration(kMu0 * Ms, compute, b);
    return CurveOutput(h, b);
}

// One Newton step on the Langevin magnetisation at field H: sets r to the residual of M
// and returns the correction r / (dr/dM), the derivative taken at constant H.
double LangevinNewtonStep(double H, double M, double Ms, double alpha, double a, double& r)
{
    const double he = H + alpha * M;
    const double z = he / a;
    const double sh = std::sinh(z);
    r = Ms * (1.0 / std::tanh(z) - a / he) - M;
    const double D = Ms * (alpha / a) * (1.0 / (z * z) - 1.0 / (sh * sh)) - 1.0;
    return r / D;
}

}  // namespace

double LangevinFluxForField(double H, double Bstart, double Ms, double alpha, double a)
{
    double r = 2.0 * kSolverTolerance;
    double result = 0.0;
    double B = Bstart;
    for (int n = 0; std::fabs(r) > kSolverTolerance && n < kSolverSteps; ++n) {
        result = B;
        double M = B * kInvMu0 - H;
        M -= LangevinNewtonStep(H, M, Ms, alpha, a, r);
        B = kMu0 * (M + H);
    }
    return result;
}

double LangevinFieldForFlux(double B, double Hstart, double Ms, double alpha, double a)
{
    const double P = B * kInvMu0;
    double r = 2.0 * kSolverTolerance;
    double result = 0.0;
    double H = Hstart;
    for (int n = 0; std::fabs(r) > kSolverTolerance && n < kSolverSteps; ++n) {
        result = H;
        double M = P - H;
        // The derivative is taken at constant H, also here where B is held.
        M -= LangevinNewtonStep(H, M, Ms, alpha, a, r);
        H = P - M;
    }
    return result;
}

std::optional<double> FindModelValue(const CPtrArray& params, const char* keyword)
{
    std::optional<double> value;
    for (int i = 0; i < params.GetSize(); ++i) {
        const auto* param = static_cast<const CWizardCopaObject3*>(params.GetAt(i));
        if (param == nullptr || param->GetValueID() < 1000 || param->GetValueID() > 1999)
            continue;
        if (!KeywordMatches(param->GetName(), keyword))
            continue;
        // The curve is computed from the value the model text gives the simulator: typed in
        // its used unit ("1.2k" kA/m) and taken in the parameter's unit (1.2e6 A/m).
        CString converted;
        TBConvertUnits(param->GetQuantity(), param->GetUsedUnit(), param->GetValue(), param->GetUnit(), converted);
        value = TBExtended_atof(converted, "");
    }
    return value;
}

FieldSearch HyperbolaFieldSearch(double A, double Ms)
{
    return SearchField([&](double H) { return kMu0 * (H + HyperbolaMan(H, A, Ms)); });
}

FieldSearch LangevinFieldSearch(double a, double Ms, double alpha)
{
    double M = 1.0;
    return SearchField([&](double H) {
        for (int step = 0; step < kFieldSearchNewtonSteps; ++step) {
            const LangevinState an = LangevinAt(H, M, Ms, alpha, a);
            const double delta = -(an.man - M) / (alpha * an.dman - 1.0);
            M += delta;
            if (!(std::fabs(delta) > 0.1))
                break;
        }
        return kMu0 * (H + M);
    });
}

std::vector<CurvePoint> BuildCurve(int level, const CPtrArray& params)
{
    auto value = [&params](const char* keyword) { return FindModelValue(params, keyword); };
    switch (level) {
    case 0: {
        const auto mur = value("MUE");
        return mur ? BuildLinear(*mur) : std::vector<CurvePoint>{};
    }
    case 1: {
        const auto A = value("AHYP");
        const auto Ms = value("MSHYP");
        return A && Ms ? BuildHyperbolaCurve(*A, *Ms) : std::vector<CurvePoint>{};
    }
    case 2: {
        const auto a = value("ALAN");
        const auto Ms = value("MSLAN");
        const auto alpha = value("ALPHALAN");
        return a && Ms && alpha ? BuildLangevinCurve(*a, *Ms, *alpha) : std::vector<CurvePoint>{};
    }
    case 3: {
        const auto A = value("AHYP");
        const auto c = value("CHYP");
        const auto k = value("KHYP");
        const auto Ms = value("MSHYP");
        if (!(A && c && k && Ms))
            return {};
        const LoopParameters p{*A, *Ms, *c, *k, 0.0};
        return BuildLoop<false>(p, HyperbolaFieldSearch(*A, *Ms));
    }
    case 4: {
        const auto a = value("ALAN");
        const auto c = value("CLAN");
        const auto k = value("KLAN");
        const auto Ms = value("MSLAN");
        const auto alpha = value("ALPHALAN");
        if (!(a && c && k && Ms && alpha))
            return {};
        const LoopParameters p{*a, *Ms, *c, *k, *alpha};
        return BuildLoop<true>(p, LangevinFieldSearch(*a, *Ms, *alpha));
    }
    default:
        return {};
    }
}

void ClearPointList(CPtrArray& list)
{
    for (int i = 0; i < list.GetSize(); ++i)
        delete static_cast<CDataPoint*>(list.GetAt(i));
    list.RemoveAll();
}

void ReplacePointList(CPtrArray& list, const std::vector<CurvePoint>& points)
{
    ClearPointList(list);
    for (const CurvePoint& point : points)
        list.Add(new CDataPoint(point.h, point.b));
}

}  // namespace qv::power::cores
