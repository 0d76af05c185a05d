// The zero-order-hold discretizer on a set of named inputs: the orders 2, 10 and 50 of real poles
// -(k+1)·2/n at 0.01 s, and order-10 and order-20 plants of every kind a user draws (distinct,
// repeated, complex, unstable and widely spread poles, integrators, numerators with zeros).
// The program prints its inputs exactly with --inputs, so that bench/check_discrete_tf_bench.py
// times scipy on the same doubles.
#include "blocks_linear/tf_discretizer.h"
#include "tests/support/polynomial_roots.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Roots = std::vector<std::complex<double>>;

using qv_test::FromRoots;

Roots RealRoots(std::initializer_list<double> values) {
    Roots out;
    for (double v : values) out.emplace_back(v, 0.0);
    return out;
}

// The pair re ± j·im.
void AddPair(Roots& roots, double re, double im) {
    roots.emplace_back(re, im);
    roots.emplace_back(re, -im);
}

struct Input {
    std::string name;
    double t;
    std::vector<double> den;
    std::vector<double> num;
};

std::vector<Input> Inputs() {
    std::vector<Input> inputs;
    for (int n : {2, 10, 50}) {
        Roots poles;
        for (int k = 0; k < n; ++k) poles.emplace_back(-(k + 1) * 2.0 / n, 0.0);
        inputs.push_back({"order" + std::to_string(n), 0.01, FromRoots(poles), {1.0}});
    }
    // Order 10.
    inputs.push_back({"o10_factorial", 0.1, FromRoots(RealRoots({-1, -2, -3, -4, -5, -6, -7, -8, -9, -10})),
                      {3628800.0}});
    inputs.push_back({"o10_repeated", 0.1, FromRoots(Roots(10, {-1.0, 0.0})), {1.0}});
    Roots twoRepeated(5, {-0.5, 0.0});
    twoRepeated.insert(twoRepeated.end(), 5, {-4.0, 0.0});
    inputs.push_back({"o10_two_repeated", 0.05, FromRoots(twoRepeated), {2.0, 1.0}});
    Roots pairs;
    for (int k = 1; k <= 5; ++k) AddPair(pairs, -0.1 * k, k);
    inputs.push_back({"o10_complex", 0.1, FromRoots(pairs), {1.0}});
    Roots unstable = RealRoots({0.5, 2.0, -1.0, -3.0, -5.0, -8.0});
    AddPair(unstable, 0.1, 1.0);
    AddPair(unstable, -2.0, 4.0);
    inputs.push_back({"o10_unstable", 0.1, FromRoots(unstable), {1.0, 0.5}});
    Roots spread;
    for (int k = 0; k < 10; ++k) spread.emplace_back(-std::pow(10.0, -3.0 + 6.0 * k / 9.0), 0.0);
    inputs.push_back({"o10_spread", 0.01, FromRoots(spread), {1.0}});
    inputs.push_back({"o10_zeros", 0.05,
                      FromRoots(RealRoots({-0.5, -1.5, -2.5, -3.5, -4.5, -5.5, -6.5, -7.5, -8.5, -9.5})),
                      FromRoots(RealRoots({-0.7, -2.2, -4.1, -6.3, -8.8}), 100.0)});
    Roots resonant = RealRoots({0.0, 0.0, -2.0, -5.0, -20.0, -50.0});
    AddPair(resonant, -1.0, 10.0);
    AddPair(resonant, -0.05, 3.0);
    Roots resonantZeros = RealRoots({-1.0, -3.0, -30.0});
    AddPair(resonantZeros, -0.5, 2.0);
    inputs.push_back({"o10_integrators", 0.1, FromRoots(resonant), FromRoots(resonantZeros, 50.0)});
    // Order 20.
    Roots mixed = RealRoots({0.05, 0.3});
    for (int i = 0; i < 18; ++i) mixed.emplace_back(-std::pow(10.0, -2.0 * i / 17.0), 0.0);
    inputs.push_back({"o20_mixed", 0.1, FromRoots(mixed), {1.0}});
    Roots even;
    for (int k = 1; k <= 20; ++k) even.emplace_back(-0.1 * k, 0.0);
    inputs.push_back({"o20_even", 0.01, FromRoots(even), {1.0}});
    Roots pairs20;
    for (int k = 0; k < 10; ++k) AddPair(pairs20, -0.2 * std::pow(10.0, k / 4.5 - 1.0), std::pow(10.0, k / 4.5 - 1.0));
    inputs.push_back({"o20_complex", 0.1, FromRoots(pairs20), FromRoots(RealRoots({-0.3, -3.0}), 10.0)});
    return inputs;
}

std::string Label(const Input& in) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", in.t);
    std::string label = buffer;
    for (const auto* poly : {&in.den, &in.num}) {
        label += ';';
        for (size_t i = 0; i < poly->size(); ++i) {
            std::snprintf(buffer, sizeof buffer, "%s%.17g", i == 0 ? "" : " ", (*poly)[i]);
            label += buffer;
        }
    }
    return label;
}

void Discretize(benchmark::State& state, const Input& in) {
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    const short n = static_cast<short>(in.den.size() - 1);
    const short m = static_cast<short>(in.num.size() - 1);
    for (auto _ : state) {
        d->Discretize(in.den.data(), in.num.data(), m, n, 1.0, in.t);
        benchmark::DoNotOptimize(d->ResultDenominator()[0]);
    }
    state.counters["estimate"] = d->ErrorEstimate();
    state.counters["done"] = d->GetStatus() == CTransferFunctionDiscretizer::Status::Done ? 1.0 : 0.0;
}

} // namespace

// With the one argument --inputs, prints each input as "name;T;den_0 .. den_n;num_0 .. num_m"
// (%.17g) instead of running the benchmarks.
int main(int argc, char** argv) {
    static const std::vector<Input> inputs = Inputs();
    if (argc == 2 && std::string(argv[1]) == "--inputs") {
        for (const Input& in : inputs) std::printf("%s;%s\n", in.name.c_str(), Label(in).c_str());
        return 0;
    }
    for (const Input& in : inputs)
        benchmark::RegisterBenchmark(("Discretize/" + in.name).c_str(), Discretize, in);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
