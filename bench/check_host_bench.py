#!/usr/bin/env python3
"""Checks that the host's main job grows linearly in time and memory, and (by hand) that it
scales to a million elements.

Usage: check_host_bench.py <host_bench binary, or the folder that holds it>
       check_host_bench.py --scale <host_bench binary or folder> [SMALL,LARGE [REPETITIONS]]

Both forms work on the mixed schematic of the benchmark: its elements cycle through 27 element
kinds of most families (resistors and conductances, capacitors and inductors with and without
characteristics, coupled inductors, linear, controlled and generator sources, a diode and a
thyristor, gain, transfer-function, digital-filter, sum, limiter, characteristic and integrator
blocks, time functions, a lookup table, an equation block and a meter), about a quarter of
which write a data file.

The first form is the gate of the continuous build, in six parts.
- Time: the benchmark does what `qvhost describe` does (read the schematic text once to check it
  and plan its outputs, then again to make, describe and destroy the elements one by one as they
  are read) for 1,000 and 10,000 elements. Fails (exit status 1) when the larger takes more than
  GATE_LIMIT (18) times as long as the smaller in three runs of the benchmark in a row. Each
  size runs REPETITIONS times, interleaved in random order so that a busy moment of the machine
  falls on both sizes alike, and the fastest repetition of each is compared by the processor
  time it took: load from other programs only ever adds time, so the fastest repetition is the
  one closest to the job's own cost. The data files go to a memory file system where there is
  one, so that a disk's journal does not add to the time. A step that walks what was read before
  (quadratic) gives about 20 at these sizes; the job's own ratio is 10 (measured 9.9 on an
  eight-core machine with 20 to 30 runnable jobs, 9.2 to 11.7 over 41 runs on eight cores with
  every core busy). The limit is 1.5 times the slowest of those runs, so that load alone does
  not fail the gate. The sizes are what a continuous build on two cores affords (about a
  minute); the ratio from 100,000 to 1,000,000 is the second form's.
- Check: the editor checks each OK and apply of an element's pages by describing the element as
  describe would, and describe then writes the text that check made rather than describe the
  element again. DescribeCheckCost/1000 describes the mixed schematic of 1,000 elements with
  the check and without it in turn, eleven pairs in one run, and gives the median of the pairs'
  ratios of processor time (each pair measured a moment apart, so that load falls on both
  sides alike). Fails when that ratio is above CHECK_LIMIT (1.10) in ATTEMPTS measurements in
  a row. Describing each element a second time for the check gives about 1.15 on this
  schematic; sharing the text, about 1.05.
- Memory: the host program itself runs `describe`, `save`, `load -o`, `edit -o` (a rename of
  the element in the middle) and `svg --symbol` (of a resistor near the end) as child processes
  on 2,000 and 20,000 elements; what each command's peak resident set grows by per element
  added may be at most PEAK_PER_ELEMENT bytes. Memory does not depend on the machine's load,
  and the growth leaves out what the program takes whatever the schematic (its libraries, the
  catalogue), which a million elements would make negligible.

- Tables: the host program runs `describe` (the rows typed into the characteristic page's list
  and written to the data file), `save`, `load -o` and `edit -o` (a cell of the last row typed
  anew) on a schematic of one nonlinear resistor whose table holds ROWS_SIZES rows (100,000
  and 1,000,000). Fails when a command's processor time at the larger is more than ROWS_LIMIT
  (15) times its time at the smaller in three runs in a row (a step that walks the table for
  every row gives about 100), or when its peak resident set grows by more than PEAK_PER_ROW
  bytes per row added.
- 3D tables: the host program runs `describe`, `save` and `load -o` on a schematic of one 3D
  lookup table whose page opens a data file of GRID_SIDES[0] and GRID_SIDES[1] squared points
  (632 x 632 and 2,000 x 2,000), and `describe` on one whose x axis is swept to SWEEP_SIZES
  values (100,000 and 1,000,000) under one y value, each GRID_REPETITIONS times in random
  order. Fails when a command's processor time per point at the larger size, the median of its
  repetitions, is more than GRID_LIMIT (2) times its time per point at the smaller in three
  measurements in a row (a step that walks the grid for every value gives about 10), or when its
  peak resident set grows by more than PEAK_PER_POINT bytes per point added.
- Journal: the benchmark describes 3,000 resistors with tables of data pairs (half of them with
  "file": "sub/fN.mdx", so two folders) into a fresh folder on a disk and into one on a memory
  file system, interleaved, JOURNAL_REPETITIONS times each. Fails when the fastest run on the
  disk takes more than JOURNAL_LIMIT (3) times the fastest on the memory file system (wall-clock
  time: a disk's syncs are waits, not processor time) in ATTEMPTS measurements in a row, or
  when the owner of output files made more than SYNCS_PER_FILE (1.2) syncs per data file plus
  SYNCS_PER_FOLDER (8) per folder. A sync per file costs a disk's latency each (4 ms here: 12 s
  for 3,000 files against 0.1 s in memory); the journal's lines are synced once per batch and
  the files together before the commit: ten syncs in all, and a measured ratio of 1.6 to 1.8
  on an eight-core machine's disk under load (1.9 to 2.2 with ten fuzzers beside it), which is the
  file system's own cost of making files). The goal is twice the memory file system's time; the
  gate fails at three, as making files on a disk costs what that machine's disk costs, while a
  sync per file gives about 15. Where the machine has no disk or no memory file system, the
  part says so and passes.

The second form runs the host program on SMALL and LARGE elements (default 100,000 and
1,000,000): `describe`, `save`, `load -o` of the saved archive, `edit -o` and `svg`, each
REPETITIONS times (default 1) in random order; with the defaults this takes about an hour of
processor time.
Fails unless describe's processor time (user and system time of the child, the fastest
repetition) at LARGE is at most 11 * LARGE/SMALL / 10 times its time at SMALL (11 for the
default sizes), and every command's peak resident set at LARGE is at most PEAK_PER_ELEMENT
bytes per element. Processor time rather than wall-clock time, because other load adds
wall-clock time unevenly. Run it on a quiet machine; the figures measured are in docs/host.md.
"""
import json
import os
import statistics
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source folder free of a __pycache__
import bench_check  # noqa: E402

SMALL = "DescribeCommand/1000"
LARGE = "DescribeCommand/10000"
LIMIT = 11.0          # the scale check (--scale): 1,000,000 against 100,000 elements
GATE_LIMIT = 18.0     # the gate: 10,000 against 1,000 elements
REPETITIONS = 7
CHECK_LIMIT = 1.10    # describe with the editor's check of each OK against describe without it
ATTEMPTS = bench_check.ATTEMPTS
PEAK_PER_ELEMENT = 500       # bytes of peak resident set per element, for every command
MEMORY_SIZES = (2000, 20000)
COMMANDS = ("describe", "save", "load", "edit", "svg")
ROWS_SIZES = (100000, 1000000)
ROWS_COMMANDS = ("rows_describe", "rows_save", "rows_load", "rows_edit")
ROWS_LIMIT = 15.0     # 1,000,000 against 100,000 rows
PEAK_PER_ROW = 3200   # bytes of peak resident set per row of a table, for every command
GRID_SIDES = (632, 2000)         # 3D tables of side x side points opened from a data file
SWEEP_SIZES = (100000, 1000000)  # values swept on one axis of a 3D table
GRID_COMMANDS = ("grid_describe", "grid_save", "grid_load")
SWEEP_COMMANDS = ("sweep_describe",)
GRID_REPETITIONS = 3
GRID_LIMIT = 2.0      # time per point at the larger size against the smaller
PEAK_PER_POINT = 600  # bytes of peak resident set per point of a 3D table, for every command


def linear_time(argv):
    """The time part of the gate: True when describe grows linearly."""
    # A run over the limit is measured again, up to ATTEMPTS runs in all: a busy spell of the
    # machine seldom falls on the large size twice, while a step that grows faster than the
    # schematic is over the limit in every run.
    for attempt in range(1, ATTEMPTS + 1):
        # "DescribeCommand/1000/min_time:0.200" and the like: the name and its size.
        times = bench_check.times("check_host_bench", argv, __doc__, "host_bench",
                                  [f"--benchmark_repetitions={REPETITIONS}",
                                   "--benchmark_enable_random_interleaving=true",
                                   "--benchmark_filter=^DescribeCommand/"], 2,
                                  fastest=True)
        if SMALL not in times or LARGE not in times:
            print(f"check_host_bench: missing result for {SMALL} or {LARGE}", file=sys.stderr)
            return False
        small, large = times[SMALL], times[LARGE]
        ratio = bench_check.ratio(large["cpu"], small["cpu"])
        wall_ratio = bench_check.ratio(large["real"], small["real"])
        verdict = "ok" if ratio <= GATE_LIMIT else "NOT LINEAR" if attempt == ATTEMPTS else "over the limit, measuring again"
        print(f"{LARGE}: {large['cpu']:.1f} ms vs {SMALL}: {small['cpu']:.1f} ms of processor time "
              f"(fastest of {REPETITIONS}) -> ratio {ratio:.2f} (limit {GATE_LIMIT}) {verdict}; "
              f"wall-clock ratio {wall_ratio:.2f}")
        if ratio <= GATE_LIMIT:
            return True
    return False


def check_cost(argv):
    """The check part of the gate: True when describe with the editor's check of each OK takes
    at most CHECK_LIMIT times the processor time it takes without it."""
    for attempt in range(1, ATTEMPTS + 1):
        entries = [entry for entry in report(program(argv[1]), ["--benchmark_filter=^DescribeCheckCost/"])
                   if entry.get("run_type") != "aggregate"]
        if not entries or entries[0].get("error_occurred"):
            message = entries[0].get("error_message") if entries else "no result"
            print(f"check_host_bench: DescribeCheckCost: {message}", file=sys.stderr)
            return False
        entry = entries[0]
        ratio = float(entry["check_ratio"])
        ok = ratio <= CHECK_LIMIT
        verdict = "ok" if ok else "TOO SLOW" if attempt == ATTEMPTS else "over the limit, measuring again"
        print(f"check: describe with the editor's check of each OK {entry['checked_ms']:.1f} ms vs "
              f"{entry['unchecked_ms']:.1f} ms without it (fastest) -> median ratio of the pairs {ratio:.2f} "
              f"(limit {CHECK_LIMIT}) {verdict}")
        if ok:
            return True
    return False


def report(binary, options):
    """Runs the benchmark program with the options; the entries of its JSON report."""
    run = subprocess.run([binary, "--benchmark_format=json", *options], capture_output=True, text=True)
    if run.returncode != 0:
        print(run.stderr, file=sys.stderr)
        print(f"check_host_bench: {binary} failed with status {run.returncode}", file=sys.stderr)
        raise bench_check.Failed(1)
    return json.loads(run.stdout).get("benchmarks", [])


JOURNAL_LIMIT = 3.0
JOURNAL_REPETITIONS = 3
SYNCS_PER_FILE = 1.2
SYNCS_PER_FOLDER = 8


def journal_runs(binary):
    """Runs JournaledDescribe on the disk and in memory; returns {"disk"|"memory": entry} with the
    fastest wall-clock time (ms) and the counters, or {} when a side cannot be measured here."""
    results = {}
    for entry in report(binary, ["--benchmark_filter=^JournaledDescribe/",
                                 f"--benchmark_repetitions={JOURNAL_REPETITIONS}",
                                 "--benchmark_enable_random_interleaving=true"]):
        if entry.get("run_type") == "aggregate":
            continue
        side = entry["run_name"].split("/")[1]
        if entry.get("error_occurred"):
            message = entry.get("error_message", "")
            if message.startswith("no "):
                print(f"journal: {message}; not measured")
                return {}
            print(f"check_host_bench: {entry['name']}: {message}", file=sys.stderr)
            raise bench_check.Failed(1)
        best = results.get(side)
        if best is None or float(entry["real_time"]) < best["real_time"]:
            results[side] = {key: float(entry[key]) for key in ("real_time", "syncs", "data_files", "folders")}
    return results


def journal_cost(argv):
    """The journal part of the gate: True when a describe on a disk takes at most JOURNAL_LIMIT
    times its time in memory and syncs at most SYNCS_PER_FILE times per data file plus
    SYNCS_PER_FOLDER per folder."""
    for attempt in range(1, ATTEMPTS + 1):
        results = journal_runs(program(argv[1]))
        if not results:
            return True
        disk, memory = results["disk"], results["memory"]
        allowed = SYNCS_PER_FILE * disk["data_files"] + SYNCS_PER_FOLDER * disk["folders"]
        syncs_ok = disk["syncs"] <= allowed
        ratio = bench_check.ratio(disk["real_time"], memory["real_time"])
        time_ok = ratio <= JOURNAL_LIMIT
        verdict = ("ok" if time_ok and syncs_ok else "TOO MANY SYNCS" if not syncs_ok
                   else "TOO SLOW ON A DISK" if attempt == ATTEMPTS else "over the limit, measuring again")
        print(f"journal: describe of {disk['data_files']:.0f} data files in {disk['folders']:.0f} folders: "
              f"{disk['real_time']:.0f} ms on a disk vs {memory['real_time']:.0f} ms in memory "
              f"(fastest of {JOURNAL_REPETITIONS}) -> ratio {ratio:.2f} (limit {JOURNAL_LIMIT}); "
              f"{disk['syncs']:.0f} syncs, {disk['syncs'] / max(disk['data_files'], 1):.4f} per data file "
              f"(limit {allowed:.0f} in all) {verdict}")
        if not syncs_ok:
            return False
        if time_ok:
            return True
    return False


def host_runs(binary, small_n, large_n, repetitions, mode="--scale", median=False):
    """Runs the host program's commands through the benchmark's --scale mode (or --rows, --grid,
    --sweep). Returns {(command, n): (processor seconds, peak bytes, wall seconds)}: the fastest
    repetition (with `median`, the median processor and wall-clock times of the repetitions),
    with the largest peak resident set of all of them."""
    results = {}
    runs = {}
    for entry in report(binary, [f"{mode}={small_n},{large_n}", f"--benchmark_repetitions={repetitions}",
                                 "--benchmark_enable_random_interleaving=true"]):
        if entry.get("error_occurred"):
            print(f"check_host_bench: {entry['name']}: {entry.get('error_message')}", file=sys.stderr)
            raise bench_check.Failed(1)
        if entry.get("run_type") == "aggregate":
            continue
        command, n = entry["run_name"].split("/")[1:3]
        now = (float(entry["real_time"]), float(entry["peak_rss_MB"]) * 1024 ** 2, float(entry["wall_s"]))
        runs.setdefault((command, int(n)), []).append(now)
        best = results.get((command, int(n)), now)
        results[(command, int(n))] = (min(best[0], now[0]), max(best[1], now[1]), min(best[2], now[2]))
    if median:
        for key, measured in runs.items():
            results[key] = (statistics.median(m[0] for m in measured), results[key][1],
                            statistics.median(m[2] for m in measured))
    return results


def program(path):
    return os.path.join(path, "host_bench") if os.path.isdir(path) else path


def linear_memory(argv):
    """The memory part of the gate: True when no command's peak grows by more than
    PEAK_PER_ELEMENT bytes per element."""
    small_n, large_n = MEMORY_SIZES
    results = host_runs(program(argv[1]), small_n, large_n, 1)
    ok = True
    for command in COMMANDS:
        small_peak, large_peak = results[(command, small_n)][1], results[(command, large_n)][1]
        growth = (large_peak - small_peak) / (large_n - small_n)
        verdict = "ok" if growth <= PEAK_PER_ELEMENT else "TOO MUCH MEMORY"
        print(f"{command}: peak resident set {large_peak / 1024 ** 2:.1f} MiB at {large_n} vs "
              f"{small_peak / 1024 ** 2:.1f} MiB at {small_n} -> {growth:.0f} bytes per element "
              f"(limit {PEAK_PER_ELEMENT}) {verdict}")
        ok = ok and growth <= PEAK_PER_ELEMENT
    return ok


def linear_tables(argv, unit, parts, limit, peak, repetitions):
    """Checks commands of the host program on one table at two sizes. `parts` holds, for each
    benchmark mode (--rows, --grid, --sweep), its sizes, its commands and the function that
    gives a size's number of table items (rows or points). True when every command's processor
    time per item at the larger size is at most `limit` times its time per item at the smaller
    (the median of `repetitions` interleaved runs), and its peak resident set grows by at most
    `peak` bytes per item added."""
    # As in linear_time, a run over the limit is measured again; memory does not depend on the
    # machine's load, so the first run decides it.
    memory_ok = True
    for attempt in range(1, ATTEMPTS + 1):
        time_ok = True
        for mode, (small_n, large_n), commands, items in parts:
            results = host_runs(program(argv[1]), small_n, large_n, repetitions, mode, median=True)
            small_items, large_items = items(small_n), items(large_n)
            for command in commands:
                (t_small, p_small, _), (t_large, p_large, _) = results[(command, small_n)], results[(command, large_n)]
                per_small, per_large = t_small / small_items, t_large / large_items
                ratio = bench_check.ratio(per_large, per_small)
                growth = (p_large - p_small) / (large_items - small_items)
                verdict = ("ok" if ratio <= limit else "NOT LINEAR" if attempt == ATTEMPTS
                           else "over the limit, measuring again")
                print(f"{command}: {per_large * 1e6:.3f} us per {unit} at {large_items} {unit}s vs "
                      f"{per_small * 1e6:.3f} at {small_items} of processor time ({t_large:.2f} s vs {t_small:.2f} s, "
                      f"median of {repetitions}) -> ratio {ratio:.2f} (limit {limit:.2f}) {verdict}; peak resident set "
                      f"{p_large / 1024 ** 2:.0f} MiB vs {p_small / 1024 ** 2:.0f} MiB -> {growth:.0f} bytes per "
                      f"{unit} (limit {peak})")
                time_ok = time_ok and ratio <= limit
                if attempt == 1 and growth > peak:
                    print(f"  {command}: TOO MUCH MEMORY per {unit}")
                    memory_ok = False
        if not memory_ok:
            return False
        if time_ok:
            return True
    return False


def linear_rows(argv):
    """The table part of the gate: True when every command's processor time at ROWS_SIZES[1] is
    at most ROWS_LIMIT times its time at ROWS_SIZES[0], and its peak resident set grows by at
    most PEAK_PER_ROW bytes per row."""
    small_n, large_n = ROWS_SIZES
    return linear_tables(argv, "row", (("--rows", ROWS_SIZES, ROWS_COMMANDS, lambda rows: rows),),
                         ROWS_LIMIT * small_n / large_n, PEAK_PER_ROW, 1)


def linear_grid(argv):
    """The 3D table part of the gate: True when every command's processor time per point at the
    larger size is at most GRID_LIMIT times its time per point at the smaller (medians of
    GRID_REPETITIONS), and its peak resident set grows by at most PEAK_PER_POINT bytes per point."""
    parts = (("--grid", GRID_SIDES, GRID_COMMANDS, lambda side: side * side),
             ("--sweep", SWEEP_SIZES, SWEEP_COMMANDS, lambda values: values))
    return linear_tables(argv, "point", parts, GRID_LIMIT, PEAK_PER_POINT, GRID_REPETITIONS)


def gate(argv):
    try:
        # Every part runs, also after one has failed.
        time_ok = linear_time(argv)
        check_ok = check_cost(argv)
        memory_ok = linear_memory(argv)
        rows_ok = linear_rows(argv)
        grid_ok = linear_grid(argv)
        journal_ok = journal_cost(argv)
    except bench_check.Failed as failure:
        return failure.status
    return 0 if time_ok and check_ok and memory_ok and rows_ok and grid_ok and journal_ok else 1


def scale(argv):
    if len(argv) not in (3, 4, 5):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    sizes = argv[3] if len(argv) >= 4 else "100000,1000000"
    try:
        small_n, large_n = (int(n) for n in sizes.split(","))
        repetitions = int(argv[4]) if len(argv) == 5 else 1
    except ValueError:
        print(f"check_host_bench: sizes are SMALL,LARGE and repetitions a number", file=sys.stderr)
        return 2
    try:
        results = host_runs(program(argv[2]), small_n, large_n, repetitions)
    except bench_check.Failed as failure:
        return failure.status
    ok = True
    for command in COMMANDS:
        (t_small, p_small, w_small), (t_large, peak, w_large) = results[(command, small_n)], results[(command, large_n)]
        ratio = bench_check.ratio(t_large, t_small)
        print(f"{command}: {t_large:.1f} s at {large_n} vs {t_small:.1f} s at {small_n} of processor time "
              f"({t_large / large_n * 1e6:.0f} vs {t_small / small_n * 1e6:.0f} us per element) -> ratio {ratio:.2f} "
              f"(wall-clock {w_large:.1f} s vs {w_small:.1f} s); peak resident set {peak / 1024 ** 2:.0f} MiB at "
              f"{large_n} ({peak / large_n:.0f} bytes per element), {p_small / 1024 ** 2:.0f} MiB at {small_n}")
        if peak > PEAK_PER_ELEMENT * large_n:
            print(f"  {command}: peak resident set above {PEAK_PER_ELEMENT} bytes per element")
            ok = False
    limit = LIMIT * (large_n / small_n) / 10
    t_small, t_large = results[("describe", small_n)][0], results[("describe", large_n)][0]
    if bench_check.ratio(t_large, t_small) > limit:
        print(f"  describe: time ratio above {limit:.1f}: NOT LINEAR")
        ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(scale(sys.argv) if len(sys.argv) > 1 and sys.argv[1] == "--scale" else gate(sys.argv))
