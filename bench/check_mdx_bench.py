#!/usr/bin/env python3
"""Runs the data-file benchmark and checks each measured path against its baseline.

Usage: check_mdx_bench.py <mdx_bench binary, or the folder that holds it>

Fails (exit status 1) unless writing takes at most twice the time of its baseline and
reading at most twice the time of its baseline (medians of three repetitions).
"""
import json
import os
import subprocess
import sys

PAIRS = [("WriteMdx", "WriteBaseline"), ("ReadMdx", "ReadBaseline")]
LIMIT = 2.0


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    binary = argv[1]
    if os.path.isdir(binary):
        binary = os.path.join(binary, "mdx_bench")
    if not os.access(binary, os.X_OK):
        print(f"check_mdx_bench: no benchmark program at {binary}", file=sys.stderr)
        return 2
    # Three repetitions, compared by their medians, so that one disturbed run decides nothing.
    run = subprocess.run([binary, "--benchmark_format=json", "--benchmark_repetitions=3",
                          "--benchmark_report_aggregates_only=true"], capture_output=True, text=True)
    if run.returncode != 0:
        print(run.stderr, file=sys.stderr)
        print(f"check_mdx_bench: {binary} failed with status {run.returncode}", file=sys.stderr)
        return 1
    try:
        report = json.loads(run.stdout)
    except json.JSONDecodeError as error:
        print(f"check_mdx_bench: unreadable benchmark output: {error}", file=sys.stderr)
        return 1
    times = {}
    for entry in report.get("benchmarks", []):
        if entry.get("error_occurred"):
            print(f"check_mdx_bench: {entry.get('name')}: {entry.get('error_message')}", file=sys.stderr)
            return 1
        # "WriteMdx/min_time:0.500" and the like: the name before the first '/'.
        name = entry.get("run_name", entry["name"]).split("/")[0]
        if entry.get("run_type") == "aggregate":
            if entry.get("aggregate_name") == "median":
                times[name] = float(entry["real_time"])
        elif name not in times:
            times[name] = float(entry["real_time"])
    failed = False
    for measured, baseline in PAIRS:
        if measured not in times or baseline not in times:
            print(f"check_mdx_bench: missing result for {measured} or {baseline}", file=sys.stderr)
            return 1
        ratio = times[measured] / times[baseline] if times[baseline] > 0 else float("inf")
        verdict = "ok" if ratio <= LIMIT else "TOO SLOW"
        print(f"{measured}: {times[measured]:.2f} vs {baseline}: {times[baseline]:.2f} "
              f"-> ratio {ratio:.2f} (limit {LIMIT:.1f}) {verdict}")
        failed = failed or ratio > LIMIT
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
