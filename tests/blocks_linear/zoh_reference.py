#!/usr/bin/env python3
"""Exact zero-order-hold equivalents in arbitrary precision, as the reference of the
discretizer tests.

Input (file named by the first argument), one case a line:
    T n a_0 ... a_n m b_0 ... b_m
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


def main():
    out = []
    with open(sys.argv[1]) as f:
        for line in f:
            fields = line.split()
            if not fields:
                continue
            n = int(fields[1])
            mp.mp.dps = 80 if n <= 10 else 60 + 4 * n
            t = mp.mpf(fields[0])
            a = [mp.mpf(v) for v in fields[2:3 + n]]
            m = int(fields[3 + n])
            b = [mp.mpf(v) for v in fields[4 + n:5 + n + m]]
            num, den = zoh(t, a, b)
            out.append(" ".join(mp.nstr(v, 25) for v in num + den))
    with open(sys.argv[2], "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
