// The toolkit's shortest round-trip number text against std::to_chars (without a format or
// a precision, which writes the same text) on five sets of 4096 values each:
//   Coefficients  filter coefficients, 17 significant digits around 1 ("-3.7209765013405516");
//   Small         the same scaled far below 1 ("0.00012345678901234567");
//   Short         few digits at many decimal exponents ("1e-07", "0.25", "3e+12");
//   Integers      whole numbers below a million;
//   RandomBits    uniformly random bit patterns of finite doubles.
// Each iteration writes the whole set; the items per second compare directly.
#include "toolkit/shortest_number.h"

#include <benchmark/benchmark.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr int kValues = 4096;

enum Set { kCoefficients, kSmall, kShort, kIntegers, kRandomBits };

std::vector<double> MakeSet(Set set)
{
    std::mt19937_64 random(20 + set);
    std::normal_distribution<double> normal(0.0, 2.0);
    std::vector<double> values;
    while (static_cast<int>(values.size()) < kValues) {
        switch (set) {
        case kCoefficients: values.push_back(normal(random)); break;
        case kSmall: values.push_back(normal(random) * 1e-4); break;
        case kShort:
            values.push_back(static_cast<double>(1 + random() % 99) *
                             std::pow(10.0, static_cast<int>(random() % 30) - 15));
            break;
        case kIntegers: values.push_back(static_cast<double>(static_cast<int>(random() % 2000001) - 1000000)); break;
        case kRandomBits: {
            const double value = std::bit_cast<double>(random());
            if (std::isfinite(value))
                values.push_back(value);
            break;
        }
        }
    }
    return values;
}

template <bool kOurs>
void Format(benchmark::State& state)
{
    const std::vector<double> values = MakeSet(static_cast<Set>(state.range(0)));
    char buffer[64];
    for (auto _ : state) {
        for (double value : values) {
            char* end = kOurs ? qv::WriteShortestNumber(buffer, value)
                              : std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
            benchmark::DoNotOptimize(end);
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}

void Ours(benchmark::State& state) { Format<true>(state); }
void ToChars(benchmark::State& state) { Format<false>(state); }

void Sets(benchmark::internal::Benchmark* b)
{
    b->ArgName("set");
    for (int set = kCoefficients; set <= kRandomBits; ++set)
        b->Arg(set);
}

}  // namespace

BENCHMARK(Ours)->Apply(Sets);
BENCHMARK(ToChars)->Apply(Sets);
BENCHMARK_MAIN();
