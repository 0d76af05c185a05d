#!/usr/bin/env python3
"""Runs the archive benchmark and checks both directions against their memcpy baselines.

Usage: check_archive_bench.py <archive_bench binary, or the folder that holds it>

Fails (exit status 1) unless writing the records through a storing archive and reading them
back through a loading one each take at most four times their baseline (a speed of at least
0.25x), compared by processor time: the fastest repetition over two runs of the program, each
with twenty short repetitions run interleaved. Processor time leaves out the time the program
waits for a processor on a busy machine, and load only ever adds time, so the fastest
repetition is the one closest to the job's own cost; separate runs also vary the memory layout.
Both directions run at about twice the bar or better even on a busy machine (writing at
0.52x to 0.60x, reading at 1.07x to 1.10x over ten runs on two cores shared with a parallel
build), so the bar itself is the limit.
"""
import sys

sys.dont_write_bytecode = True  # keep the source folder free of a __pycache__
import bench_check  # noqa: E402

PAIRS = [("ArchiveWrite", "MemcpyBaseline"), ("ArchiveRead", "MemcpyReadBaseline")]
LIMIT = 4.0
RUNS = 2


def main(argv):
    def measure():
        return bench_check.fastest_times("check_archive_bench", argv, __doc__, "archive_bench",
                                         ["--benchmark_repetitions=20",
                                          "--benchmark_min_time=0.02",
                                          "--benchmark_enable_random_interleaving=true"], 1,
                                         RUNS)
    return bench_check.pairs_status("check_archive_bench", measure, PAIRS, LIMIT, " ns")


if __name__ == "__main__":
    sys.exit(main(sys.argv))
