#!/usr/bin/env python3
"""Runs the data-file benchmark and checks each measured path against its baseline.

Usage: check_mdx_bench.py <mdx_bench binary, or the folder that holds it>

Fails (exit status 1) unless writing and reading each take at most LIMIT times their baseline,
compared by processor time: the fastest single iteration of each over REPETITIONS repetitions
of one iteration each, run interleaved so that a busy moment of the machine falls on a path
and its baseline alike. Processor time leaves out the time the program waits for a processor
(and for the disk, whose flush both writers share), and load only ever adds time, so the
fastest iteration is the one closest to the job's own cost. Whole repetitions of half a second
each were never free of the other programs' time slices on a busy two-core machine: their
fastest still moved the reading ratio between 1.04 and 1.40, while the fastest single
iteration stays within a few percent.

Both paths run at 0.8x of their baseline or better: over ten runs on two cores shared with a
parallel build, reading took 1.18 to 1.23 times its baseline (0.81x to 0.85x) and writing 1.04
to 1.10 times (0.91x to 0.96x). LIMIT is the 0.8x bar (a ratio of 1.25) widened by MARGIN, the
larger of the two spreads seen there (6%, max/min of the ratio), so that a ratio at the bar on
a quiet machine still passes on a busy one: a check that fails from load alone is worth
nothing, while a real slow path (a flush per row, a copy per line) costs far more than that.
"""
import sys

sys.dont_write_bytecode = True  # keep the source folder free of a __pycache__
import bench_check  # noqa: E402

PAIRS = [("WriteMdx", "WriteBaseline"), ("ReadMdx", "ReadBaseline")]
BAR = 1.25  # 0.8x
MARGIN = 0.06
LIMIT = BAR * (1 + MARGIN)
REPETITIONS = 40


def main(argv):
    # One iteration each: the first iteration already takes longer than the minimum time.
    def measure():
        return bench_check.times("check_mdx_bench", argv, __doc__, "mdx_bench",
                                 [f"--benchmark_repetitions={REPETITIONS}",
                                  "--benchmark_min_time=0.01",
                                  "--benchmark_enable_random_interleaving=true"], 1,
                                 fastest=True)
    return bench_check.pairs_status("check_mdx_bench", measure, PAIRS, LIMIT, " ms")


if __name__ == "__main__":
    sys.exit(main(sys.argv))
