#!/usr/bin/env python3
"""Runs the host benchmark and checks that writing a model description grows linearly.

Usage: check_host_bench.py <host_bench binary, or the folder that holds it>

The benchmark writes the model description of schematics of 2,000 and 20,000 resistors (half
of them with a characteristic of data pairs) in one run. Fails (exit status 1) unless the
larger schematic takes at most 11 times as long as the smaller one: the fastest of seven
repetitions of each, run interleaved so that a busy moment of the machine falls on both sizes
alike, compared by the processor time the job took (the wall-clock times are shown as well).
Load from other programs only ever adds time, so the fastest repetition is the one closest to
the job's own cost; a median still moved by about 10% between runs on a busy machine.
"""
import sys

sys.dont_write_bytecode = True  # keep the source folder free of a __pycache__
import bench_check  # noqa: E402

SMALL = "DescribeSchematic/2000"
LARGE = "DescribeSchematic/20000"
LIMIT = 11.0


def main(argv):
    try:
        # "DescribeSchematic/2000/min_time:1.000" and the like: the name and its size.
        times = bench_check.times("check_host_bench", argv, __doc__, "host_bench",
                                  ["--benchmark_repetitions=7",
                                   "--benchmark_enable_random_interleaving=true"], 2,
                                  fastest=True)
    except bench_check.Failed as failure:
        return failure.status
    if SMALL not in times or LARGE not in times:
        print(f"check_host_bench: missing result for {SMALL} or {LARGE}", file=sys.stderr)
        return 1
    small, large = times[SMALL], times[LARGE]
    ratio = bench_check.ratio(large["cpu"], small["cpu"])
    wall_ratio = bench_check.ratio(large["real"], small["real"])
    verdict = "ok" if ratio <= LIMIT else "NOT LINEAR"
    print(f"{LARGE}: {large['cpu']:.1f} ms vs {SMALL}: {small['cpu']:.1f} ms of processor time "
          f"-> ratio {ratio:.2f} (limit {LIMIT:.0f}) {verdict}; wall-clock ratio {wall_ratio:.2f}")
    return 0 if ratio <= LIMIT else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
