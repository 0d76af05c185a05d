// A whole numeric design of the digital filter, Butterworth of order 10: the prototype table
// of the kind, the mapping of the sections, their product, the check of the written filter
// and the coefficient texts, for each type (0 low pass, 1 high pass, 2 band pass, 3 band
// stop) at a sample time of 1 ms with the cut-offs 100 Hz (band: 100 and 200 Hz).
// bench/check_digital_filter_bench.py times scipy.signal.iirfilter on the same.
#include "blocks_linear/digital_filter_design.h"

#include <benchmark/benchmark.h>

namespace {

void Design(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    for (auto _ : state) {
        CFilterCoefficientTable table(qv::filter::kButterworth);
        qv::filter::NumericDesign design = qv::filter::DesignNumeric(table, type, 10, 100.0, 200.0, 1e-3);
        benchmark::DoNotOptimize(design);
        if (design.refusal != qv::filter::Refusal::None) state.SkipWithError("design refused");
    }
}

} // namespace

BENCHMARK(Design)->Arg(0)->Arg(1)->Arg(2)->Arg(3);
BENCHMARK_MAIN();
