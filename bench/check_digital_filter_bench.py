#!/usr/bin/env python3
"""Times the digital filter's numeric design (digital_filter_bench) and scipy.signal.iirfilter
for the same kind (Butterworth), order (10), type and cut-offs (100 Hz; bands 100 and 200 Hz
at a sample rate of 1 kHz) in the same run and prints the ratios.

Usage: check_digital_filter_bench.py <digital_filter_bench binary, or the folder that holds it>

Both sides are timed in CPU time (the fastest repetition), so that other load on a shared
machine weighs on neither. Goal: at least 100 times faster than scipy per design. Fails (exit status 1) only when the
design is slower than scipy for some type; prints a note and passes when scipy is not
installed. A measurement in which some type fails is taken again, up to ATTEMPTS in all, and
the check fails only when every one fails.
"""
import json
import os
import subprocess
import sys
import time
import timeit
import warnings

sys.dont_write_bytecode = True  # keep the source folder free of a __pycache__
import bench_check  # noqa: E402

GOAL = 100.0
ATTEMPTS = bench_check.ATTEMPTS
TYPES = {0: ("lowpass", 100.0), 1: ("highpass", 100.0), 2: ("bandpass", [100.0, 200.0]),
         3: ("bandstop", [100.0, 200.0])}


def scipy_seconds(btype, cutoff):
    """The fastest of five runs of 200 designs, in CPU time of this process."""
    from scipy import signal
    number = 200
    best = min(timeit.repeat(lambda: signal.iirfilter(10, cutoff, btype=btype, ftype="butter",
                                                      output="ba", fs=1000.0),
                             number=number, repeat=5, timer=time.process_time))
    return best / number


def main(argv):
    warnings.simplefilter("ignore")
    binary = argv[1] if len(argv) > 1 else "build/release/bin"
    if os.path.isdir(binary):
        binary = os.path.join(binary, "digital_filter_bench")
    try:
        import scipy  # noqa: F401
    except ImportError:
        # Debian's interpreter carries python3-scipy when another python3 comes first.
        system = "/usr/bin/python3"
        if os.path.exists(system) and os.path.realpath(sys.executable) != os.path.realpath(system):
            return subprocess.run([system] + argv).returncode
        print("check_digital_filter_bench: scipy is not installed; no comparison")
        return 0
    # A measurement with a type below the gate is taken again, up to ATTEMPTS in all.
    for attempt in range(1, ATTEMPTS + 1):
        if not slower_somewhere(binary):
            return 0
        if attempt < ATTEMPTS:
            print(f"check_digital_filter_bench: below the gate in measurement {attempt}, measuring again")
    return 1


def slower_somewhere(binary):
    """Measures both sides and prints a line per type; True when a type fails."""
    out = subprocess.run([binary, "--benchmark_format=json", "--benchmark_repetitions=3"],
                         check=True, capture_output=True, text=True).stdout
    ours = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") != "iteration" or b.get("error_occurred"):
            continue
        t = int(b["name"].split("/")[1])
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
        seconds = b["cpu_time"] * scale
        ours[t] = min(ours.get(t, seconds), seconds)
    failed = False
    for t, (btype, cutoff) in TYPES.items():
        if t not in ours:
            print(f"{btype}: no time of the design (refused?)")
            failed = True
            continue
        theirs = scipy_seconds(btype, cutoff)
        ratio = theirs / ours[t]
        verdict = "goal met" if ratio >= GOAL else ("below goal" if ratio >= 1.0 else "SLOWER")
        print(f"{btype} order 10: design {ours[t] * 1e6:.2f} us, scipy iirfilter {theirs * 1e6:.1f} us "
              f"-> {ratio:.0f} times faster (goal {GOAL:.0f}) {verdict}")
        failed = failed or ratio < 1.0
    return failed


if __name__ == "__main__":
    sys.exit(main(sys.argv))
