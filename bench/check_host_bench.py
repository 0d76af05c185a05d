#!/usr/bin/env python3
"""Runs the host benchmark and checks that writing a model description grows linearly.

Usage: check_host_bench.py <host_bench binary, or the folder that holds it>

The benchmark writes the model description of schematics of 2,000 and 20,000 resistors (half
of them with a characteristic of data pairs) in one run. Fails (exit status 1) unless the
larger schematic takes at most 11 times as long as the smaller one: medians of five
repetitions, run interleaved so that a busy moment of the machine falls on both sizes alike,
compared by the processor time the job took (the wall-clock times are shown as well).
"""
import json
import os
import subprocess
import sys

SMALL = "DescribeSchematic/2000"
LARGE = "DescribeSchematic/20000"
LIMIT = 11.0


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    binary = argv[1]
    if os.path.isdir(binary):
        binary = os.path.join(binary, "host_bench")
    if not os.access(binary, os.X_OK):
        print(f"check_host_bench: no benchmark program at {binary}", file=sys.stderr)
        return 2
    run = subprocess.run([binary, "--benchmark_format=json", "--benchmark_repetitions=5",
                          "--benchmark_enable_random_interleaving=true",
                          "--benchmark_report_aggregates_only=true"], capture_output=True, text=True)
    if run.returncode != 0:
        print(run.stderr, file=sys.stderr)
        print(f"check_host_bench: {binary} failed with status {run.returncode}", file=sys.stderr)
        return 1
    try:
        report = json.loads(run.stdout)
    except json.JSONDecodeError as error:
        print(f"check_host_bench: unreadable benchmark output: {error}", file=sys.stderr)
        return 1
    cpu = {}
    wall = {}
    for entry in report.get("benchmarks", []):
        if entry.get("error_occurred"):
            print(f"check_host_bench: {entry.get('name')}: {entry.get('error_message')}", file=sys.stderr)
            return 1
        # "DescribeSchematic/2000/min_time:1.000" and the like: the name and its size.
        name = "/".join(entry.get("run_name", entry["name"]).split("/")[:2])
        if entry.get("run_type") == "aggregate":
            if entry.get("aggregate_name") == "median":
                cpu[name] = float(entry["cpu_time"])
                wall[name] = float(entry["real_time"])
        elif name not in cpu:
            cpu[name] = float(entry["cpu_time"])
            wall[name] = float(entry["real_time"])
    if SMALL not in cpu or LARGE not in cpu:
        print(f"check_host_bench: missing result for {SMALL} or {LARGE}", file=sys.stderr)
        return 1
    ratio = cpu[LARGE] / cpu[SMALL] if cpu[SMALL] > 0 else float("inf")
    wall_ratio = wall[LARGE] / wall[SMALL] if wall[SMALL] > 0 else float("inf")
    verdict = "ok" if ratio <= LIMIT else "NOT LINEAR"
    print(f"{LARGE}: {cpu[LARGE]:.1f} ms vs {SMALL}: {cpu[SMALL]:.1f} ms of processor time "
          f"-> ratio {ratio:.2f} (limit {LIMIT:.0f}) {verdict}; wall-clock ratio {wall_ratio:.2f}")
    return 0 if ratio <= LIMIT else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
