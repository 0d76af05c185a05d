// The zero-order-hold discretizer at orders 2, 10 and 50: real poles -(k+1)·2/n, k = 0..n-1,
// numerator 1, sample time 0.01 s (bench/check_discrete_tf_bench.py times scipy on the same).
#include "blocks_linear/tf_discretizer.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

std::vector<double> Denominator(int n) {
    std::vector<double> c{1.0};
    for (int k = 0; k < n; ++k) {
        const double p = -(k + 1) * 2.0 / n;
        std::vector<double> next(c.size() + 1, 0.0);
        for (size_t i = 0; i < c.size(); ++i) {
            next[i + 1] += c[i];
            next[i] -= p * c[i];
        }
        c = next;
    }
    return c;
}

void Discretize(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> den = Denominator(n);
    const double num[] = {1.0};
    auto d = std::make_unique<CTransferFunctionDiscretizer>();
    for (auto _ : state) {
        d->Discretize(den.data(), num, 0, static_cast<short>(n), 1.0, 0.01);
        benchmark::DoNotOptimize(d->ResultDenominator()[0]);
    }
    state.counters["estimate"] = d->ErrorEstimate();
}

} // namespace

BENCHMARK(Discretize)->Arg(2)->Arg(10)->Arg(50);
BENCHMARK_MAIN();
