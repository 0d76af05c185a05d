#!/usr/bin/env python3
"""Independent oracle of the sine preview: the 101 points of the curve, computed with numpy.

Arguments: f P A phase offset delay periodic(0/1) period_given(0/1).
Prints one "x y" line per point, with 17 significant digits.
"""
import sys

import numpy as np


def main():
    f, P, A, phi, o, d = (float(v) for v in sys.argv[1:7])
    periodic = sys.argv[7] == "1"
    given = sys.argv[8] == "1"
    t = np.arange(101, dtype=np.float64) * (2.0 * P * 0.01)
    with np.errstate(divide="ignore", invalid="ignore"):
        T = np.float64(1.0) / np.float64(f) if f != 0.0 else np.inf
        omega = 2.0 * np.pi * f
        if f == 0.0:
            y = np.full_like(t, o)
        elif periodic:
            same = ("%.15g" % T) == ("%.15g" % P)
            if given and not same:
                # Floored remainder; a period of 0 leaves the time as it is.
                arg = np.mod(t, P) if P != 0.0 else t
            else:
                arg = t
            y = A * np.sin(omega * arg + phi) + o
        else:
            end = P if given else T
            y = np.where(t < end, A * np.sin(omega * t + phi) + o, 0.0)
            previous = 0.0
            for i in range(len(t)):
                if t[i] == end:
                    y[i] = previous
                previous = y[i]
    x = t + d
    for xi, yi in zip(x, y):
        if np.isfinite(xi) and np.isfinite(yi):
            print("%.17g %.17g" % (xi, yi))


if __name__ == "__main__":
    main()
