#!/usr/bin/env python3
"""Times the discretizer (discrete_tf_bench) and scipy.signal.cont2discrete (zero-order hold)
on the same inputs in the same run and prints the ratios.

Usage: check_discrete_tf_bench.py <discrete_tf_bench binary, or the folder that holds it>

Goal: at least 20 times faster than scipy at orders 2 and 10, faster at order 50. Fails
(exit status 1) only when the discretizer is slower than scipy at some order; prints a note
and passes when scipy is not installed.
"""
import json
import warnings
import os
import subprocess
import sys
import timeit

GOALS = {2: 20.0, 10: 20.0, 50: 1.0}


def denominator(n):
    c = [1.0]
    for k in range(n):
        p = -(k + 1) * 2.0 / n
        nxt = [0.0] * (len(c) + 1)
        for i, v in enumerate(c):
            nxt[i + 1] += v
            nxt[i] -= p * v
        c = nxt
    return c  # ascending


def scipy_seconds(n):
    from scipy import signal
    den = list(reversed(denominator(n)))
    number = 200 if n < 50 else 20
    best = min(timeit.repeat(lambda: signal.cont2discrete(([1.0], den), 0.01, method="zoh"),
                             number=number, repeat=5))
    return best / number


def main(argv):
    warnings.simplefilter("ignore")
    binary = argv[1] if len(argv) > 1 else "build/release/bin"
    if os.path.isdir(binary):
        binary = os.path.join(binary, "discrete_tf_bench")
    out = subprocess.run([binary, "--benchmark_format=json", "--benchmark_repetitions=3"],
                         check=True, capture_output=True, text=True).stdout
    ours = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        n = int(b["name"].split("/")[1])
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
        t = b["real_time"] * scale
        ours[n] = min(ours.get(n, t), t)
    try:
        import scipy  # noqa: F401
    except ImportError:
        # Debian's interpreter carries python3-scipy when another python3 comes first.
        system = "/usr/bin/python3"
        if os.path.exists(system) and os.path.realpath(sys.executable) != os.path.realpath(system):
            return subprocess.run([system] + argv).returncode
        print("check_discrete_tf_bench: scipy is not installed; no comparison")
        return 0
    failed = False
    for n, goal in GOALS.items():
        try:
            theirs = scipy_seconds(n)
        except Exception as error:  # scipy's own conversion breaks down on some inputs
            print(f"order {n}: discretizer {ours[n] * 1e6:.2f} us, scipy fails ({type(error).__name__})")
            continue
        ratio = theirs / ours[n]
        verdict = "goal met" if ratio >= goal else ("below goal" if ratio >= 1.0 else "SLOWER")
        print(f"order {n}: discretizer {ours[n] * 1e6:.2f} us, scipy {theirs * 1e6:.2f} us "
              f"-> {ratio:.1f} times faster (goal {goal:.0f}) {verdict}")
        failed = failed or ratio < 1.0
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
