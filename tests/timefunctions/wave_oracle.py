#!/usr/bin/env python3
"""Independent oracle of the time-function previews besides the sine, computed with numpy.

Usage:
  wave_oracle.py wave SHAPE f P A phi o d periodic given   (SHAPE: pulse, rise, fall, triangle)
  wave_oracle.py trapez A T D O phi Tr Tf Tw periodic given
  wave_oracle.py arctan time L Fx Xo Yo
  wave_oracle.py needle A F Dl Dw O periodic
Prints one "x y" line per finite point, with 17 significant digits.
"""
import sys

import numpy as np

INV_TWO_PI = 1.0 / (2.0 * np.pi)


def rem(x, m):
    """Floored remainder into [0, m); a modulus of 0 leaves x."""
    if m == 0.0 or not np.isfinite(m):
        return x
    return x - m * np.floor(x / m)


def printed(v):
    return "%.15g" % v


def wave(shape, f, P, A, phi, o, d, periodic, given):
    pulse = shape == "pulse"
    n = 1001 if pulse else 501
    t = np.arange(n, dtype=np.float64) * (2.0 * P * (0.001 if pulse else 0.002))
    with np.errstate(divide="ignore", invalid="ignore", over="ignore"):
        T = np.float64(1.0) / np.float64(f) if f != 0.0 else np.inf
        s = T + T * phi * INV_TWO_PI
        same = printed(T) == printed(P)
        ys = []
        prev = 0.0
        for ti in t:
            if f == 0.0:
                y = o
            else:
                if periodic and given and not same:
                    r = rem(rem(ti, P) + s, T)
                else:
                    r = rem(ti + s, T)
                # Where the curve runs (non-periodic), and samples that keep the previous y.
                run, keep = True, False
                if not periodic:
                    end = P if given else T
                    if shape in ("pulse", "triangle"):
                        run = ti <= end
                        keep = run and given and shape == "triangle" and r == 0.0
                    elif shape == "rise" and given and P < T:
                        run = ti <= T
                    else:
                        run = ti <= end
                        keep = ti == end
                if not run:
                    y = 0.0
                elif keep:
                    y = prev
                elif shape == "pulse":
                    y = o + A if r < T / 2 else (o - A if r > T / 2 else prev)
                elif shape == "rise":
                    y = (2.0 * r / T - 1.0) * A + o
                elif shape == "fall":
                    y = (1.0 - 2.0 * r / T) * A + o
                else:
                    y = (4.0 * r / T - 1.0) * A + o if r < T / 2 else ((3.0 - 4.0 * r / T) * A + o if r > T / 2 else prev)
            ys.append(y)
            prev = y
    return [(ti + d, y) for ti, y in zip(t, ys)]


def trapez(A, T, D, O, phi, Tr, Tf, Tw, periodic, given):
    S = Tw + Tf + Tr
    ps = S * phi * INV_TWO_PI
    t = np.arange(501, dtype=np.float64) * (2.0 * T * 0.002)

    def shape(x):
        if S == 0.0:
            return O
        if x < Tr:
            return O + A * x / Tr
        if x < Tr + Tw:
            return O + A
        if x < S:
            return O + A * (S - x) / Tf
        return O

    out = []
    with np.errstate(divide="ignore", invalid="ignore", over="ignore"):
        for ti in t:
            if periodic:
                if given and printed(T) != printed(S):
                    y = shape(rem(rem(ti, T) + ps, T))
                else:
                    y = shape(rem(ti + ps, S))
            else:
                end = T if given else S
                y = 0.0 if ti > end else shape(rem(ti + ps, S))
            out.append((D + ti, y))
    return out


def arctan(time, L, Fx, Xo, Yo):
    t = np.arange(101, dtype=np.float64) * (time * np.pi * 0.01)
    return list(zip(t, L * np.arctan(Fx * t + Xo) + Yo))


def needle(A, F, Dl, Dw, O, periodic):
    P = 1.0 / F if F != 0.0 else 0.0
    dt = 2.0 * P * 0.002
    out = []
    drawn = False
    for i in range(501):
        t = i * dt
        if F != 0.0:
            x = rem(t, P) if periodic else t
            if x < dt:
                drawn = False
            if not drawn and x > Dw:
                out += [(Dl + t, O), (Dl + t, O + A)]
                drawn = True
        out.append((Dl + t, O))
    return out


def main():
    kind, args = sys.argv[1], sys.argv[2:]
    if kind == "wave":
        v = [float(a) for a in args[1:7]]
        points = wave(args[0], *v, args[7] == "1", args[8] == "1")
    elif kind == "trapez":
        v = [float(a) for a in args[:8]]
        points = trapez(*v, args[8] == "1", args[9] == "1")
    elif kind == "arctan":
        points = arctan(*[float(a) for a in args[:5]])
    else:
        v = [float(a) for a in args[:5]]
        points = needle(*v, args[5] == "1")
    for x, y in points:
        if np.isfinite(x) and np.isfinite(y):
            print("%.17g %.17g" % (x, y))


if __name__ == "__main__":
    main()
