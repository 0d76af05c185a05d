#!/usr/bin/env python3
"""Runs the data-file benchmark and checks each measured path against its baseline.

Usage: check_mdx_bench.py <mdx_bench binary, or the folder that holds it>

Fails (exit status 1) unless writing takes at most twice the time of its baseline and
reading at most twice the time of its baseline: the fastest of five repetitions of each, run
interleaved so that a busy moment of the machine falls on a path and its baseline alike (load
from other programs only ever adds time; a median of three moved close to the limit on a busy
two-core machine).
"""
import sys

sys.dont_write_bytecode = True  # keep the source folder free of a __pycache__
import bench_check  # noqa: E402

PAIRS = [("WriteMdx", "WriteBaseline"), ("ReadMdx", "ReadBaseline")]
LIMIT = 2.0


def main(argv):
    try:
        # "WriteMdx/min_time:0.500" and the like: the name before the first '/'.
        times = bench_check.times("check_mdx_bench", argv, __doc__, "mdx_bench",
                                  ["--benchmark_repetitions=5",
                                   "--benchmark_enable_random_interleaving=true"], 1,
                                  fastest=True)
    except bench_check.Failed as failure:
        return failure.status
    failed = False
    for measured, baseline in PAIRS:
        if measured not in times or baseline not in times:
            print(f"check_mdx_bench: missing result for {measured} or {baseline}", file=sys.stderr)
            return 1
        took, base = times[measured]["real"], times[baseline]["real"]
        ratio = bench_check.ratio(took, base)
        verdict = "ok" if ratio <= LIMIT else "TOO SLOW"
        print(f"{measured}: {took:.2f} vs {baseline}: {base:.2f} "
              f"-> ratio {ratio:.2f} (limit {LIMIT:.1f}) {verdict}")
        failed = failed or ratio > LIMIT
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
