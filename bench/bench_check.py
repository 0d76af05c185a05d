"""What the benchmark checks share: finding the benchmark program, running it and reading the
time of each benchmark from its JSON report, and comparing measured paths with baselines.

Each check_<name>.py beside this module compares times of one Google Benchmark program of the
release build; this module does the rest. It reports its own errors on stderr, prefixed with
the check's name, and raises Failed with the exit status the check should end with.
"""
import json
import os
import subprocess
import sys


class Failed(Exception):
    """The check cannot go on; `status` is 2 when it was called wrongly, 1 when the run failed."""

    def __init__(self, status):
        super().__init__(status)
        self.status = status


def times(tool, argv, usage, program, options, name_parts, fastest=False):
    """Runs the benchmark program named in argv[1] (or `program` in the folder it names).

    `options` are given to the program besides "--benchmark_format=json". Returns a dictionary
    from benchmark name to {"cpu": ..., "real": ...}: the median of the repetitions when the
    report has aggregates, otherwise the first run; with `fastest`, the fastest of all the
    repetitions (load on a shared machine only ever adds time, so the fastest run is the one
    closest to what the job itself costs). The name is the first `name_parts` parts of the run
    name, so that "Write/min_time:0.500" and the like count as "Write".
    """
    if len(argv) != 2:
        print(usage.strip(), file=sys.stderr)
        raise Failed(2)
    binary = argv[1]
    if os.path.isdir(binary):
        binary = os.path.join(binary, program)
    if not os.access(binary, os.X_OK):
        print(f"{tool}: no benchmark program at {binary}", file=sys.stderr)
        raise Failed(2)
    run = subprocess.run([binary, "--benchmark_format=json", *options],
                         capture_output=True, text=True)
    if run.returncode != 0:
        print(run.stderr, file=sys.stderr)
        print(f"{tool}: {binary} failed with status {run.returncode}", file=sys.stderr)
        raise Failed(1)
    try:
        report = json.loads(run.stdout)
    except json.JSONDecodeError as error:
        print(f"{tool}: unreadable benchmark output: {error}", file=sys.stderr)
        raise Failed(1)
    result = {}
    for entry in report.get("benchmarks", []):
        if entry.get("error_occurred"):
            print(f"{tool}: {entry.get('name')}: {entry.get('error_message')}", file=sys.stderr)
            raise Failed(1)
        name = "/".join(entry.get("run_name", entry["name"]).split("/")[:name_parts])
        if fastest:
            if entry.get("run_type") == "aggregate":
                continue
            cpu, real = float(entry["cpu_time"]), float(entry["real_time"])
            best = result.setdefault(name, {"cpu": cpu, "real": real})
            best["cpu"], best["real"] = min(best["cpu"], cpu), min(best["real"], real)
            continue
        if entry.get("run_type") == "aggregate":
            if entry.get("aggregate_name") != "median":
                continue
        elif name in result:
            continue
        result[name] = {"cpu": float(entry["cpu_time"]), "real": float(entry["real_time"])}
    return result


def ratio(measured, baseline):
    """measured / baseline; a baseline of no time makes any measured time infinitely slower."""
    return measured / baseline if baseline > 0 else float("inf")


def fastest_times(tool, argv, usage, program, options, name_parts, runs):
    """The fastest processor and wall-clock time of each benchmark over `runs` separate runs of
    the program, each with the given options (which should ask for interleaved repetitions).

    Separate runs put the repetitions at different moments of a busy machine and in different
    memory layouts; a moment of load or an unlucky placement then shows in some repetitions
    only, and the fastest of all of them is kept.
    """
    best = {}
    for _ in range(runs):
        for name, took in times(tool, argv, usage, program, options, name_parts, fastest=True).items():
            if name in best:
                best[name] = {key: min(best[name][key], took[key]) for key in ("cpu", "real")}
            else:
                best[name] = dict(took)
    return best


ATTEMPTS = 3


def pairs_status(tool, measure, pairs, limit, unit="", attempts=ATTEMPTS):
    """The exit status of a check of `pairs` (see check_pairs) on the times `measure()` gives:
    0 when every pair is within the limit, 1 when one is not, the run's own status when it failed.

    A measurement with a pair over the limit is taken again, up to `attempts` measurements in
    all, and the check fails only when every one of them has a pair over it: a busy spell of
    the machine seldom falls on the same path twice, while a slow path is slow in each.
    """
    for attempt in range(1, attempts + 1):
        try:
            measured_times = measure()
        except Failed as failure:
            return failure.status
        if check_pairs(tool, measured_times, pairs, limit, unit):
            return 0
        if attempt < attempts:
            print(f"{tool}: over the limit in measurement {attempt}, measuring again")
    return 1


def check_pairs(tool, measured_times, pairs, limit, unit="", metric="cpu"):
    """Checks each (measured, baseline) pair: the measured path may take at most `limit` times
    its baseline, compared by `metric` ("cpu" for processor time, "real" for wall-clock time).
    Prints one line per pair, with the speed against the baseline (baseline / measured) beside
    the ratio. Returns True when every pair is within the limit; a missing result fails.
    """
    ok = True
    for measured, baseline in pairs:
        if measured not in measured_times or baseline not in measured_times:
            print(f"{tool}: missing result for {measured} or {baseline}", file=sys.stderr)
            ok = False
            continue
        took, base = measured_times[measured][metric], measured_times[baseline][metric]
        value = ratio(took, base)
        speed = base / took if took > 0 else float("inf")
        verdict = "ok" if value <= limit else "TOO SLOW"
        print(f"{measured}: {took:.2f}{unit} vs {baseline}: {base:.2f}{unit} ({metric}) "
              f"-> ratio {value:.2f}, speed {speed:.2f}x (limit ratio {limit:.2f}, "
              f"speed {1 / limit:.2f}x) {verdict}")
        ok = ok and value <= limit
    return ok
