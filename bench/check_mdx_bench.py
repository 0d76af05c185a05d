#!/usr/bin/env python3
"""Runs the data-file benchmark and checks each measured path against its baseline.

Usage: check_mdx_bench.py <mdx_bench binary, or the folder that holds it>

Fails (exit status 1) unless writing and reading each take at most LIMIT times their baseline,
compared by processor time: the fastest of the repetitions of two runs of the program, each
with five repetitions run interleaved, so that a busy moment of the machine falls on a path
and its baseline alike. Processor time leaves out the time the program waits for a processor
(and for the disk, whose flush both writers share); load only ever adds time, so the fastest
repetition is the one closest to the job's own cost.

Both paths run at 0.8x of their baseline or better (reading about 0.82x, writing about 0.93x
on an idle machine). LIMIT is the 0.8x bar (a ratio of 1.25) widened by MARGIN, the largest
rise of the ratios seen over ten runs on two cores shared with a parallel build, with some
room above it: a check that fails from load alone is worth nothing, while any real slow path
(a flush per row, a copy per sample) costs far more than the margin.
"""
import sys

sys.dont_write_bytecode = True  # keep the source folder free of a __pycache__
import bench_check  # noqa: E402

PAIRS = [("WriteMdx", "WriteBaseline"), ("ReadMdx", "ReadBaseline")]
BAR = 1.25     # 0.8x
MARGIN = 0.10
LIMIT = BAR * (1 + MARGIN)
RUNS = 2


def main(argv):
    try:
        # "WriteMdx/min_time:0.500" and the like: the name before the first '/'.
        times = bench_check.fastest_times("check_mdx_bench", argv, __doc__, "mdx_bench",
                                          ["--benchmark_repetitions=5",
                                           "--benchmark_enable_random_interleaving=true"], 1,
                                          RUNS)
    except bench_check.Failed as failure:
        return failure.status
    ok = bench_check.check_pairs("check_mdx_bench", times, PAIRS, LIMIT, " ms")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
