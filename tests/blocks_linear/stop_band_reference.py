#!/usr/bin/env python3
"""The stop band of written filter coefficients in 60 digits: the reference of the digital
filter's stop-band test. Each input line, numbers as C hexadecimal floats ("%a"):
"n b_0 .. b_(n-1) a_0 .. a_(n-1) stop tolerance z_1 ..", the polynomials in z^-1 at z^-1 = z_k,
or at z_k - j sqrt(1 - z_k^2) (the band centre) for |z_k| < 1. Each output line: the real part
of the gain at z_1, and 1 when the gain misses stop by more than tolerance at some point, else 0.
Usage: stop_band_reference.py <input file> <output file>"""
import sys
import mpmath as mp

mp.mp.dps = 60
with open(sys.argv[1]) as source, open(sys.argv[2], "w") as out:
    for line in source:
        n = int(line.split()[0])
        x = [mp.mpf(float.fromhex(w)) for w in line.split()[1:]]
        points = [mp.mpc(z, -mp.sqrt((1 - z) * (1 + z)) if abs(z) < 1 else 0) for z in x[2 * n + 2:]]
        gains = [mp.polyval(x[n - 1::-1], z) / mp.polyval(x[2 * n - 1:n - 1:-1], z) for z in points]
        missed = any(abs(gain - x[2 * n]) > x[2 * n + 1] for gain in gains)
        out.write(f"{mp.nstr(gains[0].real, 25)} {int(missed)}\n")
