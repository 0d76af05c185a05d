// The zero-order-hold discretizer: its result against an arbitrary-precision reference (run
// through python3-mpmath), against closed forms, and the classic step operations one by one.
#include "tests/support/polynomial_roots.h"
#include "tests/support/sandbox.h"

#include "blocks_linear/tf_discretizer.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Status = CTransferFunctionDiscretizer::Status;

struct Case {
    double t;
    std::vector<double> den;  // ascending powers of s
    std::vector<double> num;
    std::vector<std::complex<double>> poles;  // when known, for the closed-form check
};

using qv_test::FromRoots;

std::vector<std::complex<double>> Real(std::initializer_list<double> roots) {
    std::vector<std::complex<double>> out;
    for (double r : roots) out.emplace_back(r, 0.0);
    return out;
}

std::vector<Case> AccuracyCorpus() {
    std::vector<Case> cases;
    const double times[] = {1e-3, 1e-2, 0.1, 1.0, 10.0};
    std::vector<std::complex<double>> powersOfTwo;
    std::vector<std::complex<double>> decades;
    for (int k = 0; k < 10; ++k) {
        powersOfTwo.emplace_back(-std::ldexp(1.0, k), 0.0);
        decades.emplace_back(-std::pow(10.0, k / 2.0), 0.0);
    }
    const std::vector<std::complex<double>> resonance{{-0.1, 10.0}, {-0.1, -10.0}, {-1.0, 0.0}, {0.0, 0.0}};
    // Two integrators beside two lightly damped pairs, with zeros (split off in closed form).
    const std::vector<std::complex<double>> integrators{{0, 0},  {0, 0},   {-2, 0},     {-5, 0},      {-20, 0},
                                                        {-50, 0}, {-1, 10}, {-1, -10}, {-0.05, 3}, {-0.05, -3}};
    const std::vector<std::complex<double>> integratorZeros{{-1, 0}, {-3, 0}, {-30, 0}, {-0.5, 2}, {-0.5, -2}};
    for (double t : times) {
        // (s+1)(s+2)...(s+10): the classic sub-step count reaches millions.
        cases.push_back({t, FromRoots(Real({-1, -2, -3, -4, -5, -6, -7, -8, -9, -10})), {1.0},
                         Real({-1, -2, -3, -4, -5, -6, -7, -8, -9, -10})});
        cases.push_back({t, FromRoots(Real({0, -100, -1000})), {5, 1}, Real({0, -100, -1000})});  // integrator + fast
        cases.push_back({t, FromRoots(Real({0, -1e4, -1e5})), {1e9}, Real({0, -1e4, -1e5})});    // integrator + faster
        cases.push_back({t, FromRoots(Real({0, 0, -1})), {1}, Real({0, 0, -1})});                // double integrator
        cases.push_back({t, FromRoots(Real({0, 0, 0})), {1, 1}, Real({0, 0, 0})});               // triple integrator
        cases.push_back({t, FromRoots(Real({1, -2, -3, 0.5})), {1, 2}, Real({1, -2, -3, 0.5})});  // unstable
        cases.push_back({t, {1, 0.2, 1}, {1}, {}});                                              // light damping
        cases.push_back({t, FromRoots(resonance), {1, 0.5}, resonance});                          // resonance + integrator
        cases.push_back({t, FromRoots(Real({-1, -2, -3, -4, -5, -6})), {3, 2, 1}, Real({-1, -2, -3, -4, -5, -6})});
        cases.push_back({t, {0.5, 1}, {2}, Real({-0.5})});
        cases.push_back({t, FromRoots(Real({-0.3, -0.7, -1.1, -1.9, -2.3, -3.1, -4.3, -5.9})), {1, -1},
                         Real({-0.3, -0.7, -1.1, -1.9, -2.3, -3.1, -4.3, -5.9})});
        cases.push_back({t, FromRoots(powersOfTwo), {1, 1, 1}, powersOfTwo});                    // spread 2^9
        cases.push_back({t, FromRoots(decades), {1}, decades});                                   // spread 10^4.5
        cases.push_back({t, FromRoots(integrators), FromRoots(integratorZeros, 50.0), integrators});
        cases.push_back({t, FromRoots(Real({0, 0, 0, 0})), {1, 0.5, 0.25}, Real({0, 0, 0, 0})});   // four integrators
        cases.push_back({t, FromRoots(Real({0, 0, 0, -0.5, -4})), {2, 1}, Real({0, 0, 0, -0.5, -4})});
        cases.push_back({t, FromRoots(Real({0, 0, 1, -3})), {0, 1}, Real({0, 0, 1, -3})});       // unstable, zero at 0
    }
    return cases;
}

// Real poles spaced by a factor of two, -2^(k - n/2)·scale, orders 11 to 100 (at order 100 the
// factor is 2^(1/4), since the coefficients of a wider spread leave the range of a double).
std::vector<Case> HighOrderCorpus() {
    std::vector<Case> cases;
    auto add = [&](int n, double t, double factor, double scale, std::vector<double> num) {
        std::vector<std::complex<double>> poles;
        for (int k = 0; k < n; ++k) poles.emplace_back(-std::pow(factor, k - n / 2) * scale, 0.0);
        cases.push_back({t, FromRoots(poles), std::move(num), poles});
    };
    for (int n : {11, 12, 16, 20, 24, 30})
        for (double t : {1e-3, 1e-2, 0.1, 1.0, 10.0}) {
            add(n, t, 2.0, 1.0, {1.0});
            add(n, t, 2.0, 0.05, {1.0, -0.5, 0.25});
        }
    for (double t : {1e-3, 0.1, 10.0}) {
        add(50, t, 2.0, 1.0, {1.0});
        add(100, t, std::pow(2.0, 0.25), 1.0, {1.0, 2.0});
    }
    return cases;
}

// Real poles spaced by a factor of two around -1, at the orders of the must-convert set
// (order 100 by a factor of 2^(1/2): the coefficients of a wider spread leave the range of a
// double), every sample time from 1 ms to 10 s, numerators with and without zeros.
std::vector<Case> SeparatedPolesCorpus() {
    std::vector<Case> cases;
    for (int n : {11, 16, 24, 40, 64, 100}) {
        const double factor = n == 100 ? std::sqrt(2.0) : 2.0;
        std::vector<std::complex<double>> poles;
        for (int k = 0; k < n; ++k) poles.emplace_back(-std::pow(factor, k - n / 2), 0.0);
        int i = 0;
        for (double t : {1e-3, 1e-2, 0.1, 1.0, 10.0}) {
            std::vector<double> num = (i++ % 2 == 0) ? std::vector<double>{1.0} : std::vector<double>{2.0, -1.0, 0.5};
            cases.push_back({t, FromRoots(poles), num, poles});
        }
    }
    return cases;
}

// Runs the arbitrary-precision reference on the cases; one vector (beta_0..beta_(n-1),
// alpha_0..alpha_(n-1)) per case.
std::vector<std::vector<double>> Reference(const std::vector<Case>& cases, const std::string& tag,
                                           bool fromPoles = false) {
    const std::string in = qv_test::TempFolder() + "/zoh_" + tag + "_in.txt";
    const std::string out = qv_test::TempFolder() + "/zoh_" + tag + "_out.txt";
    {
        std::ofstream f(in);
        f.precision(17);
        for (const Case& c : cases) {
            f << c.t << ' ' << c.den.size() - 1;
            for (double v : c.den) f << ' ' << v;
            f << ' ' << c.num.size() - 1;
            for (double v : c.num) f << ' ' << v;
            if (fromPoles) {
                f << " poles";
                for (const auto& p : c.poles) f << ' ' << p.real();
            }
            f << '\n';
        }
    }
    // Debian's interpreter, which carries python3-mpmath, when it is there.
    const std::string python = std::ifstream("/usr/bin/python3").good() ? "/usr/bin/python3" : "python3";
    const std::string command = python + " '" + PARVEL_SOURCE_DIR +
                                "/tests/blocks_linear/zoh_reference.py' '" + in + "' '" + out + "'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    std::vector<std::vector<double>> result;
    std::ifstream f(out);
    for (std::string line; std::getline(f, line);) {
        std::istringstream s(line);
        std::vector<double> v;
        for (double x; s >> x;) v.push_back(x);
        result.push_back(v);
    }
    return result;
}

struct Outcome {
    std::vector<double> num, den;
    Status status;
    double estimate;
};

Outcome Convert(CTransferFunctionDiscretizer& d, const Case& c) {
    d.Discretize(c.den.data(), c.num.data(), static_cast<short>(c.num.size() - 1), static_cast<short>(c.den.size() - 1),
                 1.0, c.t);
    double num[101];
    double den[101];
    short no = -1;
    short dn = -1;
    double t = 0.0;
    d.GetResult(num, den, &no, &dn, &t);
    Outcome o{{num, num + dn}, {den, den + dn}, d.GetStatus(), d.ErrorEstimate()};
    return o;
}

// max |error| / max |exact coefficient|; `lead` is the exact coefficient of z^n (1 for the
// monic denominator, 0 for the numerator), which both sides have exactly.
double Normwise(const std::vector<double>& got, const double* exact, size_t n, double lead = 0.0) {
    double err = 0.0;
    double scale = std::fabs(lead);
    for (size_t i = 0; i < n; ++i) {
        err = std::max(err, std::fabs(got[i] - exact[i]));
        scale = std::max(scale, std::fabs(exact[i]));
    }
    return scale > 0.0 ? err / scale : err;
}

// The larger normwise error of numerator and denominator against an exact reference that
// holds the n numerator coefficients, then the n denominator coefficients below z^n.
double OutcomeError(const Outcome& o, const std::vector<double>& exact) {
    const size_t n = o.den.size();
    return std::max(Normwise(o.num, exact.data(), n), Normwise(o.den, exact.data() + n, n, 1.0));
}

std::string Describe(const Case& c) {
    std::ostringstream s;
    s << "order " << c.den.size() - 1 << " T=" << c.t << " a0=" << c.den[0];
    return s.str();
}

// A case converted beside its exact reference: the outcome and its normwise error.
struct Checked {
    const Case* c;
    Outcome o;
    std::vector<double> exact;
    double err;
};

// Converts every case with one discretizer and measures each result against the
// arbitrary-precision reference; a reference missing or of another order fails the test.
std::vector<Checked> ConvertAgainstReference(const std::vector<Case>& cases, const std::string& tag,
                                             bool fromPoles = false) {
    const auto reference = Reference(cases, tag, fromPoles);
    std::vector<Checked> out;
    if (reference.size() != cases.size()) {
        ADD_FAILURE() << tag << ": " << reference.size() << " references for " << cases.size() << " cases";
        return out;
    }
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    for (size_t i = 0; i < cases.size(); ++i) {
        Outcome o = Convert(*d, cases[i]);
        if (reference[i].size() != 2 * o.den.size()) {
            ADD_FAILURE() << Describe(cases[i]) << ": " << reference[i].size() << " reference coefficients";
            return out;
        }
        const double err = OutcomeError(o, reference[i]);
        out.push_back({&cases[i], std::move(o), reference[i], err});
    }
    return out;
}

// Never silently wrong: an accepted result is within 1e-8 of the exact one (and, where
// `covered`, within its own estimate); a refused one has an estimate above 1e-8 (and, where
// `inaccurate`, says that it is inaccurate).
void ExpectAccurateOrRefused(const Checked& r, bool covered = true, bool inaccurate = true) {
    if (r.o.status == Status::Done) {
        EXPECT_LE(r.err, 1e-8) << Describe(*r.c);
        if (covered) {
            EXPECT_LE(r.err, std::max(r.o.estimate, 1e-13)) << Describe(*r.c);
        }
        return;
    }
    if (inaccurate) {
        EXPECT_EQ(Status::Inaccurate, r.o.status) << Describe(*r.c);
    }
    EXPECT_GT(r.o.estimate, 1e-8) << Describe(*r.c);
}

void Print(const Checked& r) {
    std::printf("%s status %d error %.3g estimate %.3g\n", Describe(*r.c).c_str(), static_cast<int>(r.o.status), r.err,
                r.o.estimate);
}

TEST(DiscreteTfAccuracy, OrdersUpToTenMatchTheExactZeroOrderHold) {
    const std::vector<Case> cases = AccuracyCorpus();
    double worst = 0.0;
    for (const Checked& r : ConvertAgainstReference(cases, "low")) {
        const size_t n = r.o.den.size();
        const double numErr = Normwise(r.o.num, r.exact.data(), n);
        const double denErr = Normwise(r.o.den, r.exact.data() + n, n, 1.0);
        // Every case is accepted and within 1e-11 of the exact result.
        EXPECT_EQ(Status::Done, r.o.status) << Describe(*r.c) << " estimate " << r.o.estimate;
        EXPECT_LE(numErr, 1e-11) << Describe(*r.c);
        EXPECT_LE(denErr, 1e-11) << Describe(*r.c);
        // The estimate covers the error (down to the level of a few units of round-off) and
        // stays far below the refusal threshold.
        EXPECT_LE(r.err, std::max(r.o.estimate, 1e-13)) << Describe(*r.c);
        EXPECT_LE(r.o.estimate, 1e-9) << Describe(*r.c);
        worst = std::max(worst, r.err);
    }
    RecordProperty("worst_normwise_error", std::to_string(worst));
}

TEST(DiscreteTfAccuracy, HighOrdersAreAccurateOrRefused) {
    const std::vector<Case> cases = HighOrderCorpus();
    int accepted = 0;
    for (const Checked& r : ConvertAgainstReference(cases, "high", true)) {
        const size_t n = r.o.den.size();
        ExpectAccurateOrRefused(r);
        if (r.o.status == Status::Done) ++accepted;
        Print(r);
        // Orders 11 and 12 at every sample time, and orders up to 20 at the shortest, are
        // within reach.
        if (n <= 12 || (n <= 20 && r.c->t <= 1e-3)) {
            EXPECT_EQ(Status::Done, r.o.status) << Describe(*r.c) << " error " << r.err << " estimate " << r.o.estimate;
        }
    }
    EXPECT_GE(accepted, 40);
}

// Well separated real poles convert at every order up to 100 and every sample time, within
// 1e-8 of the exact hold, with an estimate that covers the error.
TEST(DiscreteTfAccuracy, SeparatedPolesConvertUpToOrderHundred) {
    const std::vector<Case> cases = SeparatedPolesCorpus();
    double worst = 0.0;
    int refused = 0;
    for (const Checked& r : ConvertAgainstReference(cases, "separated", true)) {
        double numBig = 0.0;
        for (size_t k = 0; k < r.o.den.size(); ++k) numBig = std::max(numBig, std::fabs(r.exact[k]));
        if (numBig < 1e-300) {
            // The exact numerator lies below the normal range of a double (order 100 at the
            // shortest sample times): it cannot be delivered to 1e-8, and is refused.
            EXPECT_EQ(Status::Inaccurate, r.o.status) << Describe(*r.c);
            EXPECT_GT(r.o.estimate, 1e-8) << Describe(*r.c);
            ++refused;
            continue;
        }
        EXPECT_EQ(Status::Done, r.o.status) << Describe(*r.c) << " error " << r.err << " estimate " << r.o.estimate;
        ExpectAccurateOrRefused(r);
        worst = std::max(worst, r.err);
    }
    EXPECT_LE(refused, 2);
    RecordProperty("worst_normwise_error", std::to_string(worst));
}

// What the pole route leaves to the companion-form route (complex pairs, evenly spaced and
// so clustered poles) is still accurate or refused, never wrong.
TEST(DiscreteTfAccuracy, ComplexAndClusteredHighOrdersAreAccurateOrRefused) {
    std::vector<Case> cases;
    std::vector<std::complex<double>> pairs;
    for (int k = 0; k < 8; ++k) {
        const double r = std::ldexp(1.0, k - 4);
        pairs.emplace_back(-0.3 * r, r);
        pairs.emplace_back(-0.3 * r, -r);
    }
    std::vector<std::complex<double>> even;
    for (int k = 1; k <= 24; ++k) even.emplace_back(-k, 0.0);
    for (double t : {0.01, 1.0}) {
        cases.push_back({t, FromRoots(pairs), {1.0, 1.0}, pairs});
        cases.push_back({t, FromRoots(even), {1.0}, even});
    }
    for (const Checked& r : ConvertAgainstReference(cases, "complex")) {
        ExpectAccurateOrRefused(r, false);
        Print(r);
    }
}

// Eigenvalues that cluster (here a pole at 0 beside a lightly damped pair of slow unstable
// poles, with fast modes that decay within the sample time) give denominators from the
// eigenvalues that agree across bases and runs but share an error of about 2e-10, while Hyman's
// recursion agrees on the exact answer: the estimate must cover that error, whichever
// candidate is taken.
TEST(DiscreteTfAccuracy, ClusteredEigenvaluesDoNotHideTheirError) {
    const std::vector<Case> cases = {
        {1.6668835864165792,
         {0.0, 0.0042050938260000765, -0.5881312995122004, 26.210259081553023, 3.5682456986036537,
          18.94670802705786, 1.120914967000481, 27.581022234072638, 9.989350466393262, 0.037989999951212404},
         {-1.52671299704997, -0.1665685782203845, 1.6904922189982832, 0.17569254503430345, 2.067339020556154,
          2.3893946750197195},
         {}},
    };
    for (const Checked& r : ConvertAgainstReference(cases, "clustered")) ExpectAccurateOrRefused(r, true, false);
}

// Inputs whose exact result a double cannot carry to 1e-8 through the exponential (a pole of
// e^30 growth beside one of e^-10000 decay): refused with an estimate that says so. Inputs
// whose coefficients spread over many orders (an e^151 growth; a leading coefficient of 0.005
// beside 889): where candidates of two bases agree on a wrong constant coefficient, or on an
// error that the second run does not show, the result is still accurate within its estimate.
TEST(DiscreteTfAccuracy, ExtremeInputsAreRefusedNotWrong) {
    const std::vector<Case> cases = {
        {10.0, FromRoots(Real({2, 3, -1000})), {1, 1}, Real({2, 3, -1000})},
        {1.6126945296626161, {0.023114794040247445, 584.08065910103812, -6.2320988490381959},
         {0.48070280655060582, -2.6360506146735343}, {}},
        {0.33476848673055126,
         {-292.64820114758481, -679.87495597194504, -76.16138403868338, 4.7494235072072417, -10.268857641037899,
          888.78237156255761, -39.976542352314191, 0.026127261404670563, -1.4955198316394149, 307.26131048003293,
          0.0048246816524708126},
         {0.98100821923419179, 1.7944945830740968, -1.9236028472420155, 0.97315606144610944, -1.1391699658851919,
          1.2749861401772327, -1.907791164142089, -0.51412063536894514, 1.0122314937777794, 0.95992232363496344},
         {}},
    };
    for (const Checked& r : ConvertAgainstReference(cases, "extreme")) ExpectAccurateOrRefused(r, true, false);
}

// Subnormal coefficients and a sample time near the smallest double drive the multi-precision
// route to values that are not finite in double; the library it uses traps on such a value, so
// the input must be refused, never handed on (found by the fuzz target).
TEST(DiscreteTfAccuracy, SubnormalInputsAreRefusedWithoutTrapping) {
    const double num[12] = {1.0};
    const double den[12] = {1.0864618449742e-310, 5.43230923752e-312, 2.645384e-316};
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    d->Discretize(den, num, 0, 2, 1.0, 8.988915953799663e-306);
    if (d->GetStatus() == CTransferFunctionDiscretizer::Status::Done)
        for (int i = 0; i <= 2; ++i) {
            EXPECT_TRUE(std::isfinite(d->ResultNumerator()[i]));
            EXPECT_TRUE(std::isfinite(d->ResultDenominator()[i]));
        }
}

// Inputs on which the candidates of a later step fail after earlier ones were chosen (here
// the eigenvalues overflow where Hyman's recursion did not): the choice must follow the
// candidates that are left, so that the conversion is refused or delivers finite numbers,
// and never reads a candidate that is gone (found by a sanitizer run over random inputs).
TEST(DiscreteTfAccuracy, CandidatesThatFailLaterAreNotUsed) {
    struct Input {
        double t;
        std::vector<double> den, num;
    };
    const Input inputs[] = {
        {1.0,
         {-6.5228799999999998, -23873.45408, 0.00110477783203125, -0.0023641528320312499, 3.33725,
          -4.4973599999999996, 13.564120000000001, 3.7738876342773437e-05, -0.00076955810546874999},
         {-9.5199999999999996, -5.9000000000000004, 6.2300000000000004}},
    };
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    for (const Input& in : inputs) {
        const short n = static_cast<short>(in.den.size() - 1);
        d->Discretize(in.den.data(), in.num.data(), static_cast<short>(in.num.size() - 1), n, 1.0, in.t);
        if (d->GetStatus() == Status::Done) {
            EXPECT_LE(d->ErrorEstimate(), 1e-8);
            for (int k = 0; k <= n; ++k) {
                EXPECT_TRUE(std::isfinite(d->ResultNumerator()[k]));
                EXPECT_TRUE(std::isfinite(d->ResultDenominator()[k]));
            }
        } else {
            EXPECT_EQ(Status::Inaccurate, d->GetStatus());
            EXPECT_GT(d->ErrorEstimate(), 1e-8);
        }
    }
}

// The roots of the denominator are e^(pT) for the poles p of G(s): the denominator equals the
// product of (z - e^(pT)), formed in long double.
TEST(DiscreteTfAccuracy, DenominatorRootsAreTheSampledPoles) {
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    for (const Case& c : AccuracyCorpus()) {
        if (c.poles.empty()) continue;
        const Outcome o = Convert(*d, c);
        if (o.status != Status::Done) continue;
        std::vector<std::complex<long double>> p{1.0L};
        for (const auto& pole : c.poles) {
            std::vector<std::complex<long double>> next(p.size() + 1, 0.0L);
            const std::complex<long double> q =
                std::exp(std::complex<long double>(pole.real(), pole.imag()) * static_cast<long double>(c.t));
            for (size_t i = 0; i < p.size(); ++i) {
                next[i + 1] += p[i];
                next[i] -= q * p[i];
            }
            p = next;
        }
        std::vector<double> exact;
        for (size_t i = 0; i + 1 < p.size(); ++i) exact.push_back(static_cast<double>(p[i].real()));
        EXPECT_LE(Normwise(o.den, exact.data(), exact.size(), 1.0), 1e-11) << Describe(c);
    }
}

TEST(DiscreteTfAccuracy, PrintedExamplesWithinTheirRounding) {
    struct Example {
        Case c;
        std::vector<double> num, den;
    };
    const Example examples[] = {
        {{0.1, {0.5, 1}, {1}, {}}, {0.09754115104}, {-0.9512294245}},
        {{0.1, {2, 3, 1}, {1}, {}}, {0.00409706632, 0.004527958467}, {0.7408182207, -1.723568171}},
    };
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    for (const Example& e : examples) {
        const Outcome o = Convert(*d, e.c);
        ASSERT_EQ(e.den.size(), o.den.size());
        EXPECT_EQ(Status::Done, o.status);
        for (size_t i = 0; i < e.den.size(); ++i) {
            EXPECT_NEAR(e.num[i], o.num[i], 1e-9);
            EXPECT_NEAR(e.den[i], o.den[i], 1e-9);
        }
    }
}

TEST(DiscreteTfResult, EntryNIsZeroAndOneAndOrdersAreN) {
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    const double den[] = {2, 3, 1};
    const double num[] = {1, 7, 9};  // b_2 has no effect on a strictly proper conversion
    d->Discretize(den, num, 1, 2, 1.0, 0.1);
    double b[3] = {-5, -5, -5};
    double a[3] = {-5, -5, -5};
    short m = -1;
    short n = -1;
    double t = 0.0;
    d->GetResult(b, a, &m, &n, &t);
    EXPECT_EQ(2, m);
    EXPECT_EQ(2, n);
    EXPECT_EQ(0.0, b[2]);
    EXPECT_EQ(1.0, a[2]);
    EXPECT_EQ(0.1, t);
    // G(z) of (1 + 7s)/((s+1)(s+2)): DC gain 1/2 at z = 1.
    EXPECT_NEAR(0.5, (b[0] + b[1]) / (1.0 + a[0] + a[1]), 1e-13);

    // Order 0: nothing to compute, numerator 0 and denominator 1 at entry 0.
    const double k0[] = {4.0};
    d->Discretize(k0, k0, 0, 0, 1.0, 0.5);
    d->GetResult(b, a, &m, &n, &t);
    EXPECT_EQ(0, n);
    EXPECT_EQ(0.0, b[0]);
    EXPECT_EQ(1.0, a[0]);
}

// The discretizer keeps intermediate results between the steps of one conversion (the time
// scale, the second run, the candidates of each basis): a conversion must not depend on what
// the same object converted before, whether that was accepted, refused, invalid or of another
// order. Each case, converted after each other one, gives the result, status and estimate of a
// fresh object, bit for bit.
TEST(DiscreteTfResult, AConversionDoesNotDependOnThePreviousOne) {
    const std::vector<std::complex<double>> pairs{{-0.3, 2.0}, {-0.3, -2.0}, {-1.0, 0.0}};
    std::vector<std::complex<double>> even;
    for (int k = 1; k <= 24; ++k) even.emplace_back(-k, 0.0);
    std::vector<std::complex<double>> spread;
    for (int k = 0; k < 16; ++k) spread.emplace_back(-std::ldexp(1.0, k - 8), 0.0);
    const std::vector<Case> cases = {
        {0.01, FromRoots(Real({-0.2, -0.4, -0.6, -0.8, -1.0, -1.2, -1.4, -1.6, -1.8, -2.0})), {1.0}, {}},
        {10.0, FromRoots(Real({0, -1e4, -1e5})), {1e9}, {}},   // decayed modes
        {0.1, {2, 3, 1}, {1, 7}, {}},                          // order 2, numerator with a zero
        {1.0, FromRoots(pairs), {1.0, 0.5}, {}},               // a complex pair
        {1.0, FromRoots(even), {1.0}, {}},                     // clustered order 24: refused
        {0.1, FromRoots(spread), {1.0, -0.5}, {}},             // order 16: more candidates
        {10.0, FromRoots(Real({2, 3, -1000})), {1, 1}, {}},    // refused
        {0.5, {4.0}, {4.0}, {}},                               // order 0
        {-1.0, {2, 3, 1}, {1}, {}},                            // invalid sample time
    };
    struct Result {
        std::vector<double> num, den;
        Status status;
        double estimate;
    };
    auto run = [](CTransferFunctionDiscretizer& d, const Case& c) {
        const Outcome o = Convert(d, c);
        return Result{o.num, o.den, o.status, o.estimate};
    };
    std::vector<Result> fresh;
    for (const Case& c : cases) {
        auto d = std::make_unique<CTransferFunctionDiscretizer>();
        fresh.push_back(run(*d, c));
    }
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    for (size_t before = 0; before < cases.size(); ++before)
        for (size_t i = 0; i < cases.size(); ++i) {
            run(*d, cases[before]);
            const Result r = run(*d, cases[i]);
            const std::string what = "case " + std::to_string(i) + " after case " + std::to_string(before);
            EXPECT_EQ(fresh[i].status, r.status) << what;
            if (r.status == Status::InvalidInput) {
                // Nothing is computed: the result is cleared (its order stays that of the
                // last conversion).
                for (double v : r.num) EXPECT_EQ(0.0, v) << what;
                for (double v : r.den) EXPECT_EQ(0.0, v) << what;
                continue;
            }
            EXPECT_EQ(fresh[i].num, r.num) << what;
            EXPECT_EQ(fresh[i].den, r.den) << what;
            EXPECT_EQ(fresh[i].estimate, r.estimate) << what;
        }
    // The cases cover accepted conversions by the first comparison and with more candidates,
    // a refusal and an invalid input.
    EXPECT_EQ(Status::Done, fresh[0].status);
    EXPECT_EQ(Status::Done, fresh[5].status);
    EXPECT_EQ(Status::Inaccurate, fresh[4].status);
    EXPECT_EQ(Status::InvalidInput, fresh[8].status);
}

TEST(DiscreteTfResult, InvalidInputIsRefusedAndClearsTheResult) {
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    const double den[] = {2, 3, 1};
    const double zeroLead[] = {2, 3, 0};
    const double nanDen[] = {2, NAN, 1};
    const double num[] = {1, 0};
    struct Bad {
        const double* den;
        short numOrder, denOrder;
        double t;
    };
    const Bad cases[] = {
        {den, 1, 2, 0.0},       {den, 1, 2, -0.1},      {den, 1, 2, INFINITY}, {den, 1, 2, NAN},
        {zeroLead, 1, 2, 0.1},  {nanDen, 1, 2, 0.1},    {den, -1, 2, 0.1},     {den, 1, -2, 0.1},
        {den, 1, 101, 0.1},     {den, 101, 2, 0.1},
    };
    for (const Bad& c : cases) {
        d->Discretize(den, num, 1, 2, 1.0, 0.1);
        ASSERT_EQ(Status::Done, d->GetStatus());
        d->Discretize(c.den, num, c.numOrder, c.denOrder, 1.0, c.t);
        EXPECT_EQ(Status::InvalidInput, d->GetStatus()) << c.denOrder << " " << c.t;
        EXPECT_EQ(0.0, d->ResultDenominator()[0]);
        EXPECT_EQ(0.0, d->ResultNumerator()[1]);
    }
}

TEST(DiscreteTfSteps, PowerIsExactForEveryBase) {
    struct Row {
        short n;
        double x, expected;
    };
    const Row rows[] = {{0, 0.0, 1.0},  {0, -3.0, 1.0}, {1, 0.0, 0.0},      {3, -2.0, -8.0},
                        {2, -2.0, 4.0}, {5, 0.5, 0.03125}, {10, 10.0, 1e10}, {3, 3.0, 27.0}};
    for (const Row& r : rows) EXPECT_EQ(r.expected, CTransferFunctionDiscretizer::Power(r.n, r.x)) << r.n << " " << r.x;
    double src[] = {1, 1, 1, 1};
    double dst[4];
    CTransferFunctionDiscretizer::ScaleByPowers(src, 3, -2.0, dst);
    EXPECT_EQ((std::vector<double>{1, -2, 4, -8}), std::vector<double>(dst, dst + 4));
}

TEST(DiscreteTfSteps, CompanionFormAndSubdivision) {
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    d->SetOrders(1, 2);
    d->DenominatorCoefficients()[0] = 2;
    d->DenominatorCoefficients()[1] = 3;
    d->DenominatorCoefficients()[2] = 1;
    d->NumeratorCoefficients()[0] = 4;
    d->NumeratorCoefficients()[1] = 5;
    d->PrepareStateSpace();
    EXPECT_EQ(0.0, d->A()[1][1]);
    EXPECT_EQ(1.0, d->A()[1][2]);
    EXPECT_EQ(-2.0, d->A()[2][1]);
    EXPECT_EQ(-3.0, d->A()[2][2]);
    EXPECT_EQ(0.0, d->B()[1]);
    EXPECT_EQ(1.0, d->B()[2]);
    EXPECT_EQ(4.0, d->C()[1]);
    EXPECT_EQ(5.0, d->C()[2]);
    d->SetIdentity(2);
    d->ComputeSubdivision();
    EXPECT_EQ(4.0, d->SubSteps());

    // The whole classic route: with k = 4 sub-steps it reaches the example to its rounding.
    d->SetSampleTime(0.1);
    d->NumeratorCoefficients()[0] = 1.0;
    d->NumeratorCoefficients()[1] = 0.0;
    d->SetOrders(0, 2);
    d->PrepareStateSpace();
    d->ComputeTransition();
    EXPECT_TRUE(d->TransitionDone());
    d->ComputePolynomials();
    EXPECT_NEAR(-1.723568171, d->ResultDenominator()[1], 1e-9);
    EXPECT_NEAR(0.7408182207, d->ResultDenominator()[0], 1e-9);
    EXPECT_NEAR(0.004527958467, d->ResultNumerator()[1], 1e-9);
    EXPECT_NEAR(0.00409706632, d->ResultNumerator()[0], 1e-9);
}

TEST(DiscreteTfSteps, MatrixRoutinesAllowTheResultToOverwriteAnOperand) {
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    static CTransferFunctionDiscretizer::Matrix x{};
    static CTransferFunctionDiscretizer::Matrix y{};
    x[1][1] = 1; x[1][2] = 2; x[2][1] = 3; x[2][2] = 4;
    y[1][1] = 0; y[1][2] = 1; y[2][1] = 1; y[2][2] = 0;
    d->MultiplyMatrices(x, y, 2, 2, 2, y);  // y := x·y
    EXPECT_EQ(2.0, y[1][1]);
    EXPECT_EQ(1.0, y[1][2]);
    EXPECT_EQ(4.0, y[2][1]);
    EXPECT_EQ(3.0, y[2][2]);
    d->MultiplyMatrices(x, x, 2, 2, 2, x);  // x := x·x
    EXPECT_EQ(7.0, x[1][1]);
    EXPECT_EQ(22.0, x[2][2]);
    static CTransferFunctionDiscretizer::Matrix p{};
    p[1][1] = 1; p[1][2] = 1; p[2][2] = 1;
    d->PowerMatrix(p, 5, 2, p);
    EXPECT_EQ(5.0, p[1][2]);
    double tr = 0.0;
    CTransferFunctionDiscretizer::Trace(x, 2, tr);
    EXPECT_EQ(29.0, tr);
}

} // namespace
