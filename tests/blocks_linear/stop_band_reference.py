#!/usr/bin/env python3
"""The gain of written filter coefficients at one point in 60 significant digits, as the
reference of the digital filter's stop-band tests.

Input (file named by the first argument), one filter a line, every number as a C hexadecimal
float ("%a"), so that each reads back to its double exactly:
    re centre n b_0 ... b_(n-1) a_0 ... a_(n-1)
for (b_0 + b_1 z^-1 + ...) / (a_0 + a_1 z^-1 + ...) at z^-1 = re (centre 0) or at
z^-1 = re - j sqrt(1 - re^2) (centre 1, the band centre of cos w0 = re).
Output (file named by the second argument), one line per filter: the gain's real and
imaginary parts.
"""
import sys
import mpmath as mp

mp.mp.dps = 60
with open(sys.argv[1]) as source, open(sys.argv[2], "w") as out:
    for line in source:
        words = line.split()
        n = int(words[2])
        x = [mp.mpf(float.fromhex(w)) for w in [words[0]] + words[3:3 + 2 * n]]
        re = x[0]
        z = mp.mpc(re, -mp.sqrt((1 - re) * (1 + re))) if words[1] == "1" else mp.mpc(re, 0)
        num = mp.polyval(list(reversed(x[1:1 + n])), z)
        den = mp.polyval(list(reversed(x[1 + n:1 + 2 * n])), z)
        gain = num / den
        out.write(f"{mp.nstr(gain.real, 25)} {mp.nstr(gain.imag, 25)}\n")
