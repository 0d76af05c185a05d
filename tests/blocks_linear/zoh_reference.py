#!/usr/bin/env python3
"""Exact zero-order-hold equivalents in arbitrary precision, as the reference of the
discretizer tests.

Input (file named by the first argument), one case a line:
    T n a_0 ... a_n m b_0 ... b_m
A line may end in "poles p_1 ... p_n": the denominator's roots, real and distinct, to start
from. Such a case takes a second route, suited to high orders: the roots of the given
coefficients by Newton's method from those starting values, each polished to the working
precision, then partial fractions, G(z) = sum r_i (e^(p_i T) - 1) / (p_i (z - e^(p_i T))) with
r_i = b(p_i) / a'(p_i).
Output (file named by the second argument), one line per case:
    beta_0 ... beta_(n-1) alpha_0 ... alpha_(n-1)
for G(z) = (beta_(n-1) z^(n-1) + ... + beta_0) / (z^n + alpha_(n-1) z^(n-1) + ... + alpha_0).

Route: the exponential of the augmented matrix [[A, B], [0, 0]]·T of the companion form by a
long Taylor series with scaling and squaring, then the characteristic and adjugate polynomials
by the Faddeev-LeVerrier recursion, all in 80 to 200 significant digits.
"""
import sys
import mpmath as mp


def matmul(x, y, n):
    return [[mp.fsum(x[i][k] * y[k][j] for k in range(n)) for j in range(n)] for i in range(n)]


def expm(m, n):
    norm = max(mp.fsum(abs(m[i][j]) for i in range(n)) for j in range(n))
    s = 0
    while norm > mp.mpf("0.25"):
        norm /= 2
        s += 1
    f = mp.ldexp(1, -s)
    x = [[m[i][j] * f for j in range(n)] for i in range(n)]
    result = [[mp.mpf(1) if i == j else mp.mpf(0) for j in range(n)] for i in range(n)]
    term = [row[:] for row in result]
    k = 1
    tiny = mp.mpf(10) ** (-(mp.mp.dps + 10))
    while True:
        term = matmul(term, x, n)
        term = [[v / k for v in row] for row in term]
        result = [[result[i][j] + term[i][j] for j in range(n)] for i in range(n)]
        if max(abs(v) for row in term for v in row) < tiny:
            break
        k += 1
    for _ in range(s):
        result = matmul(result, result, n)
    return result


def zoh(t, a, b):
    n = len(a) - 1
    m = n + 1
    aug = [[mp.mpf(0)] * m for _ in range(m)]
    for i in range(n - 1):
        aug[i][i + 1] = t
    for j in range(n):
        aug[n - 1][j] = -a[j] / a[n] * t
    aug[n - 1][n] = t
    e = expm(aug, m)
    phi = [[e[i][j] for j in range(n)] for i in range(n)]
    gamma = [e[i][n] for i in range(n)]
    c = [b[j] / a[n] if j < len(b) else mp.mpf(0) for j in range(n)]
    num = [mp.mpf(0)] * n
    den = [mp.mpf(0)] * n
    nmat = [[mp.mpf(1) if i == j else mp.mpf(0) for j in range(n)] for i in range(n)]
    for j in range(1, n + 1):
        ng = [mp.fsum(nmat[i][k] * gamma[k] for k in range(n)) for i in range(n)]
        num[n - j] = mp.fsum(c[i] * ng[i] for i in range(n))
        nmat = matmul(nmat, phi, n)
        den[n - j] = -mp.fsum(nmat[i][i] for i in range(n)) / j
        if j < n:
            for i in range(n):
                nmat[i][i] += den[n - j]
    return num, den


def zoh_poles(t, a, b, starts):
    n = len(a) - 1

    def ev(c, x):
        r = mp.mpf(0)
        for v in reversed(c):
            r = r * x + v
        return r

    da = [k * a[k] for k in range(1, n + 1)]
    roots = []
    for p in starts:
        x = p
        for _ in range(500):
            dx = ev(a, x) / ev(da, x)
            x -= dx
            if abs(dx) <= abs(x) * mp.mpf(10) ** (-(mp.mp.dps - 10)):
                break
        roots.append(x)
    ordered = sorted(roots)
    for lo, hi in zip(ordered, ordered[1:]):
        if abs(hi - lo) <= abs(hi) * mp.mpf("1e-6"):
            raise ValueError("two starting values led to one root")
    lam = [mp.exp(p * t) for p in roots]

    def product(skip):
        q = [mp.mpf(1)]
        for j, l in enumerate(lam):
            if j == skip:
                continue
            nq = [mp.mpf(0)] * (len(q) + 1)
            for k, v in enumerate(q):
                nq[k + 1] += v
                nq[k] -= l * v
            q = nq
        return q

    num = [mp.mpf(0)] * n
    for i, p in enumerate(roots):
        g = (lam[i] - 1) / p if p != 0 else t
        q = product(i)
        f = ev(b[:n], p) / ev(da, p) * g
        for k in range(n):
            num[k] += f * q[k]
    den = product(-1)
    return num, den[:n]


def main():
    out = []
    with open(sys.argv[1]) as f:
        for line in f:
            fields = line.split()
            if not fields:
                continue
            n = int(fields[1])
            t = mp.mpf(fields[0])
            m = int(fields[3 + n])
            if "poles" in fields:
                # Partial fractions cancel heavily at high orders: many more digits.
                mp.mp.dps = 250 + 8 * n
                a = [mp.mpf(v) for v in fields[2:3 + n]]
                b = [mp.mpf(v) for v in fields[4 + n:5 + n + m]]
                starts = [mp.mpf(v) for v in fields[fields.index("poles") + 1:]]
                num, den = zoh_poles(t, a, b, starts)
            else:
                mp.mp.dps = 80 if n <= 10 else 60 + 4 * n
                a = [mp.mpf(v) for v in fields[2:3 + n]]
                b = [mp.mpf(v) for v in fields[4 + n:5 + n + m]]
                num, den = zoh(t, a, b)
            out.append(" ".join(mp.nstr(v, 25) for v in num + den))
    with open(sys.argv[2], "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
