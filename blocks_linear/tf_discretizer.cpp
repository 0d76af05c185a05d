#include "blocks_linear/tf_discretizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include <gmp.h>

namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();
// The classic series stops once no entry of a term exceeds this.
constexpr double kSeriesCutOff = 1e-6;
// Results whose error estimate is above this are refused.
constexpr double kAcceptedError = 1e-8;
// The error estimate: the factor on the difference of the two runs.
constexpr double kEstimateSafety = 10.0;
// Candidates that agree this well need no further ones.
constexpr double kEnough = 1e-11;
// The quick second comparison only follows a first one at least this close.
constexpr double kQuickReach = 1e-4;


// x·2^e, the same number as std::ldexp(x, e) (a multiplication by a power of two rounds once,
// as ldexp does), without the library call where 2^e is a normal double.
inline double TimesPowerOfTwo(double x, int e) {
    if (e < -1022 || e > 1023) return std::ldexp(x, e);
    return x * std::bit_cast<double>(static_cast<std::uint64_t>(e + 1023) << 52);
}

template <typename M>
void ZeroMatrix(M& m) {
    std::memset(&m, 0, sizeof(M));
}

// The augmented matrix [[A, B], [0, 0]]·tau (0-based, n + 1 rows and columns) of the companion
// form of the monic denominator with the lower coefficients aw[0..n-1]: ones above the
// diagonal, -aw in the last state row, the input in column n.
template <typename M>
void FillCompanionAugmented(M& m, const double* aw, int n, double tau) {
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) m[i][j] = 0.0;
    for (int i = 0; i + 1 < n; ++i) m[i][i + 1] = tau;
    for (int j = 0; j < n; ++j) m[n - 1][j] = -aw[j] * tau;
    m[n - 1][n] = tau;
}

// Pade approximants r_q(x) of exp(x): the coefficients b_0..b_q and the largest 1-norm for
// which the degree keeps the backward error below the unit round-off.
constexpr double kPade3[] = {120.0, 60.0, 12.0, 1.0};
constexpr double kPade5[] = {30240.0, 15120.0, 3360.0, 420.0, 30.0, 1.0};
constexpr double kPade7[] = {17297280.0, 8648640.0, 1995840.0, 277200.0, 25200.0, 1512.0, 56.0, 1.0};
constexpr double kPade9[] = {17643225600.0, 8821612800.0, 2075673600.0, 302702400.0, 30270240.0,
                             2162160.0,     110880.0,     3960.0,       90.0,        1.0};
constexpr double kPade13[] = {64764752532480000.0, 32382376266240000.0, 7771770303897600.0,
                              1187353796428800.0,  129060195264000.0,   10559470521600.0,
                              670442572800.0,      33522128640.0,       1323241920.0,
                              40840800.0,          960960.0,            16380.0,
                              182.0,               1.0};
constexpr double kTheta3 = 1.495585217958292e-2;
constexpr double kTheta5 = 2.539398330063230e-1;
constexpr double kTheta7 = 9.504178996162932e-1;
constexpr double kTheta9 = 2.097847961257068e0;
constexpr double kTheta13 = 5.371920351148152e0;

// Two doubles handled together (the compiler's vector extension, SSE2 on every x86-64).
typedef double Pair __attribute__((vector_size(16)));
inline Pair LoadPair(const double* p) {
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void StorePair(double* p, Pair v) { std::memcpy(p, &v, sizeof v); }

// y[0..n-1] += a·x[0..n-1], four entries at a time (the arrays do not overlap).
inline void Axpy(double* __restrict y, const double* __restrict x, double a, int n) {
    int j = 0;
    for (; j + 4 <= n; j += 4) {
        y[j] += a * x[j];
        y[j + 1] += a * x[j + 1];
        y[j + 2] += a * x[j + 2];
        y[j + 3] += a * x[j + 3];
    }
    switch (n - j) {
    case 3: y[j + 2] += a * x[j + 2]; [[fallthrough]];
    case 2: y[j + 1] += a * x[j + 1]; [[fallthrough]];
    case 1: y[j] += a * x[j]; break;
    default: break;
    }
}

// Four doubles handled together, for the kernels below that run where the processor has AVX
// (additions and multiplications only, each entry's in the same order as with pairs: the
// results are the same numbers bit for bit).
typedef double Four __attribute__((vector_size(32)));

// Columns j0 .. j0 + columns - 1 of row i of dst = x * y (columns <= 4V), gathered in V
// registers of four over k in order (zeros of x skipped). Rows of y are read over 4V entries
// from j0 (those beyond the columns asked for are computed from whatever the rows hold there,
// and not stored).
template <int V, typename M>
__attribute__((target("avx"), always_inline)) inline void ProductColumnsAvx(const M& x, const M& y, int n, int i,
                                                                           int j0, int columns, M& dst) {
    Four acc[V] = {};
    const double* xi = x[i];
    for (int k = 0; k < n; ++k) {
        const double f = xi[k];
        if (f == 0.0) continue;
        const Four fv = {f, f, f, f};
        const double* yk = y[k] + j0;
        for (int v = 0; v < V; ++v) {
            Four w;
            std::memcpy(&w, yk + 4 * v, sizeof w);
            acc[v] += fv * w;
        }
    }
    double row[4 * V];
    std::memcpy(row, acc, sizeof row);
    std::memcpy(dst[i] + j0, row, static_cast<size_t>(columns) * sizeof(double));
}

// The small-order branch of Product with four entries at a time. (Only the first n entries of
// each row of dst are written, as there.)
template <typename M>
__attribute__((target("avx"))) void ProductSmallAvx(const M& x, const M& y, int n, M& dst) {
    for (int i = 0; i < n; ++i) ProductColumnsAvx<3>(x, y, n, i, 0, n, dst);  // 12 entries
}

inline bool HasAvx() {
    static const bool has = __builtin_cpu_supports("avx");
    return has;
}

// The general branch of Product with four entries at a time: each row of dst gathers in
// registers, 32 columns at a time. Each entry sums x[i][k]·y[k][j] over k in order, skipping
// zeros of x, exactly as Axpy row by row does below (the same numbers bit for bit), but
// without storing the row after every k. False (nothing done) where the rows are too short to
// be read in whole fours.
template <typename M>
__attribute__((target("avx"))) bool ProductLargeAvx(const M& x, const M& y, int n, M& dst) {
    constexpr int kRow = sizeof(y[0]) / sizeof(double);
    const int padded = (n + 3) / 4 * 4;
    if (padded > kRow) return false;
    for (int i = 0; i < n; ++i) {
        int j0 = 0;
        for (; j0 + 32 <= padded; j0 += 32) ProductColumnsAvx<8>(x, y, n, i, j0, std::min(32, n - j0), dst);
        const int rest = n - j0;
        switch ((padded - j0) / 4) {
        case 7: ProductColumnsAvx<7>(x, y, n, i, j0, rest, dst); break;
        case 6: ProductColumnsAvx<6>(x, y, n, i, j0, rest, dst); break;
        case 5: ProductColumnsAvx<5>(x, y, n, i, j0, rest, dst); break;
        case 4: ProductColumnsAvx<4>(x, y, n, i, j0, rest, dst); break;
        case 3: ProductColumnsAvx<3>(x, y, n, i, j0, rest, dst); break;
        case 2: ProductColumnsAvx<2>(x, y, n, i, j0, rest, dst); break;
        case 1: ProductColumnsAvx<1>(x, y, n, i, j0, rest, dst); break;
        default: break;
        }
    }
    return true;
}

// dst = x * y for the leading n x n blocks (dst may not alias x or y).
template <typename M>
void Product(const M& x, const M& y, int n, M& dst) {
    constexpr int kSmall = 12;
    if (n > 4 && n <= kSmall && sizeof(y[0]) >= kSmall * sizeof(double)) {
        if (HasAvx()) {
            ProductSmallAvx(x, y, n, dst);
            return;
        }
        // Orders 4 to 11: each row of dst gathers in registers over a fixed width (the entries
        // beyond n are computed from the rows' unused tail and dropped), in the same order of
        // additions as below.
        for (int i = 0; i < n; ++i) {
            Pair acc[kSmall / 2] = {};
            const double* xi = x[i];
            for (int k = 0; k < n; ++k) {
                const double f = xi[k];
                if (f == 0.0) continue;
                const Pair fv = {f, f};
                const double* yk = y[k];
                for (int j = 0; j < kSmall / 2; ++j) acc[j] += fv * LoadPair(yk + 2 * j);
            }
            double* row = dst[i];
            int j = 0;
            for (; 2 * j + 2 <= n; ++j) StorePair(row + 2 * j, acc[j]);
            if (2 * j < n) row[2 * j] = acc[j][0];
        }
        return;
    }
    if (HasAvx() && ProductLargeAvx(x, y, n, dst)) return;
    for (int i = 0; i < n; ++i) {
        double* row = dst[i];
        for (int j = 0; j < n; ++j) row[j] = 0.0;
        for (int k = 0; k < n; ++k) {
            const double f = x[i][k];
            if (f != 0.0) Axpy(row, y[k], f, n);
        }
    }
}

// Rows of kMinFixedWidth to kFixedWidth entries are handled at the fixed width kFixedWidth by
// the small-order kernels (shorter rows cost more so than they save).
constexpr int kFixedWidth = 12;
constexpr int kMinFixedWidth = 5;
inline bool FixedWidth(int entries) { return entries >= kMinFixedWidth && entries <= kFixedWidth; }

// The right-hand half of a reflection: for each of the rows 0..n-1 of h, and then for c, the
// sum of row[j]·w[j] over j = from..n-1 in that order is handed to update(row, sum). The sums
// run four rows at a time (each in its own order, as one row alone would), so that their
// additions overlap instead of waiting on each other.
template <typename M, typename Update>
[[gnu::always_inline]] inline void ReflectRows(M& h, double* c, const double* w, int from, int n, Update update) {
    int i = 0;
    // Long rows go eight at a time: each sum waits on its own previous addition, and eight
    // independent chains keep the adders busy where four leave them idle half the time.
    for (; n > kFixedWidth && i + 8 <= n; i += 8) {
        double s[8] = {};
        const double* rows[8];
        for (int r = 0; r < 8; ++r) rows[r] = h[i + r];
        for (int j = from; j < n; ++j) {
            const double wj = w[j];
            for (int r = 0; r < 8; ++r) s[r] += rows[r][j] * wj;
        }
        for (int r = 0; r < 8; ++r) update(h[i + r], s[r]);
    }
    for (; i + 4 <= n; i += 4) {
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
        const double* h0 = h[i];
        const double* h1 = h[i + 1];
        const double* h2 = h[i + 2];
        const double* h3 = h[i + 3];
        for (int j = from; j < n; ++j) {
            const double wj = w[j];
            s0 += h0[j] * wj;
            s1 += h1[j] * wj;
            s2 += h2[j] * wj;
            s3 += h3[j] * wj;
        }
        update(h[i], s0);
        update(h[i + 1], s1);
        update(h[i + 2], s2);
        update(h[i + 3], s3);
    }
    for (; i < n; ++i) {
        double s = 0.0;
        for (int j = from; j < n; ++j) s += h[i][j] * w[j];
        update(h[i], s);
    }
    double sc = 0.0;
    for (int j = from; j < n; ++j) sc += c[j] * w[j];
    update(c, sc);
}

// Vector helpers for two or four entries (out-parameters and references, so that no vector of
// four is passed by value across functions built without AVX).
template <typename V>
[[gnu::always_inline]] inline void Splat(V& v, double x) {
    if constexpr (sizeof(V) == sizeof(Pair))
        v = V{x, x};
    else
        v = V{x, x, x, x};
}
template <typename V>
[[gnu::always_inline]] inline void Load(V& v, const double* p) {
    std::memcpy(&v, p, sizeof v);
}
template <typename V>
[[gnu::always_inline]] inline void Store(double* p, const V& v) {
    std::memcpy(p, &v, sizeof v);
}

// The Householder reflection I - w w^T (|w|^2 = 2) that maps x[from..n-1] onto a multiple of
// e_from, applied as h := P h P and c := c P to the leading n x n block of h and to c[0..n-1].
// Columns before from - 1 are already zero in rows from..n-1. With W > 0 (n <= W) every row
// is handled over W entries, in vectors V (of two or four entries): h and c must hold zeros
// (or at least finite numbers) in columns n..W-1, and w is zero outside from..n-1, so that
// the extra terms add exact zeros. False when x[from..n-1] is zero or not finite.
template <int W, typename V, typename M>
[[gnu::always_inline]] inline bool ReflectIn(M& h, double* __restrict c, double* __restrict w,
                                             double* __restrict sums, const double* x, int from, int n) {
    double norm2 = 0.0;
    double big = 0.0;
    for (int i = from; i < n; ++i) big = std::max(big, std::fabs(x[i]));
    if (big == 0.0 || !std::isfinite(big)) return false;
    // Scaled by a power of two near 1/big (exact), so that the squares neither overflow nor
    // underflow.
    const int shift = -std::ilogb(big);
    for (int i = from; i < n; ++i) {
        w[i] = TimesPowerOfTwo(x[i], shift);
        norm2 += w[i] * w[i];
    }
    const double alpha = (w[from] >= 0.0 ? -1.0 : 1.0) * std::sqrt(norm2);
    w[from] -= alpha;
    // |w|^2 from the rounded w itself (not from norm2 and alpha), so that the reflection is
    // orthogonal to the working precision.
    double ww = 0.0;
    for (int i = from; i < n; ++i) ww += w[i] * w[i];
    if (ww == 0.0) return false;
    const double f = std::sqrt(2.0 / ww);
    for (int i = from; i < n; ++i) w[i] *= f;
    if constexpr (W > 0) {
        constexpr int kLanes = sizeof(V) / sizeof(double);
        static_assert(W % kLanes == 0);
        constexpr int kVectors = W / kLanes;
        for (int i = 0; i < from; ++i) w[i] = 0.0;
        for (int i = n; i < W; ++i) w[i] = 0.0;
        V wv[kVectors];
        for (int k = 0; k < kVectors; ++k) Load(wv[k], w + kLanes * k);
        // Left: sums = w^T h over rows from..n-1, then h -= w sums.
        // (Columns below from - 1 are zero in these rows and stay so.)
        V acc[kVectors] = {};
        for (int i = from; i < n; ++i) {
            V wi;
            Splat(wi, w[i]);
            const double* row = h[i];
            for (int k = 0; k < kVectors; ++k) {
                V r;
                Load(r, row + kLanes * k);
                acc[k] += wi * r;
            }
        }
        for (int i = from; i < n; ++i) {
            V wi;
            Splat(wi, w[i]);
            double* row = h[i];
            for (int k = 0; k < kVectors; ++k) {
                V r;
                Load(r, row + kLanes * k);
                r -= wi * acc[k];
                Store(row + kLanes * k, r);
            }
        }
        // Right: each row (and c) minus (row·w) w. The sums run over columns from..n-1 in order,
        // four rows at a time so that their additions overlap; the results equal those of the
        // general kernel below.
        auto update = [&](double* row, double sum) {
            V sv;
            Splat(sv, sum);
            for (int k = 0; k < kVectors; ++k) {
                V r;
                Load(r, row + kLanes * k);
                r -= sv * wv[k];
                Store(row + kLanes * k, r);
            }
        };
        ReflectRows(h, c, w, from, n, update);
        (void)sums;
    } else {
        // h := P h P, c := c P (rows of h run contiguously, so the sums over i go by rows).
        const int first = std::max(0, from - 1);
        for (int j = first; j < n; ++j) sums[j] = 0.0;
        for (int i = from; i < n; ++i) Axpy(sums + first, h[i] + first, w[i], n - first);
        for (int i = from; i < n; ++i) Axpy(h[i] + first, sums + first, -w[i], n - first);
        ReflectRows(h, c, w, from, n, [&](double* row, double sum) { Axpy(row + from, w + from, -sum, n - from); });
    }
    return true;
}

template <int W, typename M>
bool Reflect(M& h, double* __restrict c, double* __restrict w, double* __restrict sums, const double* x, int from,
             int n) {
    return ReflectIn<W, Pair>(h, c, w, sums, x, from, n);
}

// Reflect in vectors of four (where the processor has AVX): over fixed-width rows for W > 0,
// else the general kernel, whose row operations the compiler then widens.
template <int W, typename M>
__attribute__((target("avx"))) bool ReflectAvx(M& h, double* __restrict c, double* __restrict w,
                                               double* __restrict sums, const double* x, int from, int n) {
    return ReflectIn<W, Four>(h, c, w, sums, x, from, n);
}

// Axpy compiled for AVX (the same numbers: each entry's one multiplication and one addition).
__attribute__((target("avx"))) void AxpyAvx(double* __restrict y, const double* __restrict x, double a, int n) {
    Axpy(y, x, a, n);
}

// Axpy over rows longer than the fixed width, four entries at a time where the processor
// has AVX.
inline void AxpyLong(double* __restrict y, const double* __restrict x, double a, int n) {
    if (HasAvx())
        AxpyAvx(y, x, a, n);
    else
        Axpy(y, x, a, n);
}

// Solves lu X = rhs by LU with partial pivoting (X lands in rhs, lu is overwritten), over the
// leading dim x dim blocks. Rows of dim within the fixed width are handled over kFixedWidth
// entries in vectors V (the entries from dim on are computed from whatever the rows hold there,
// and not used); the back substitution gathers each row in registers, in the same order of
// additions as row operations one at a time. False when a pivot is zero or not finite.
template <typename V, typename M>
[[gnu::always_inline]] inline bool SolveLuIn(M& lu, M& rhs, int dim) {
    constexpr int kLanes = sizeof(V) / sizeof(double);
    constexpr int kVectors = kFixedWidth / kLanes;
    const bool fixedWidth = FixedWidth(dim);
    for (int k = 0; k < dim; ++k) {
        int p = k;
        for (int i = k + 1; i < dim; ++i)
            if (std::fabs(lu[i][k]) > std::fabs(lu[p][k])) p = i;
        if (lu[p][k] == 0.0 || !std::isfinite(lu[p][k])) return false;
        if (p != k)
            for (int j = 0; j < dim; ++j) {
                std::swap(lu[p][j], lu[k][j]);
                std::swap(rhs[p][j], rhs[k][j]);
            }
        // (Divisions, not multiplications by the pivot's reciprocal: the reciprocal's rounding
        // would scale whole rows alike, an error that the squarings magnify.)
        for (int i = k + 1; i < dim; ++i) {
            const double f = lu[i][k] / lu[k][k];
            if (f == 0.0) continue;
            Axpy(lu[i] + k + 1, lu[k] + k + 1, -f, dim - k - 1);
            if (fixedWidth) {
                V fv;
                Splat(fv, -f);
                for (int v = 0; v < kVectors; ++v) {
                    V y;
                    V x;
                    Load(y, rhs[i] + kLanes * v);
                    Load(x, rhs[k] + kLanes * v);
                    y += fv * x;
                    Store(rhs[i] + kLanes * v, y);
                }
            } else {
                Axpy(rhs[i], rhs[k], -f, dim);
            }
        }
    }
    for (int k = dim - 1; k >= 0; --k) {
        if (fixedWidth) {
            V acc[kVectors];
            for (int v = 0; v < kVectors; ++v) Load(acc[v], rhs[k] + kLanes * v);
            for (int i = k + 1; i < dim; ++i) {
                V fv;
                Splat(fv, -lu[k][i]);
                for (int v = 0; v < kVectors; ++v) {
                    V x;
                    Load(x, rhs[i] + kLanes * v);
                    acc[v] += fv * x;
                }
            }
            for (int v = 0; v < kVectors; ++v) Store(rhs[k] + kLanes * v, acc[v]);
        } else {
            for (int i = k + 1; i < dim; ++i) Axpy(rhs[k], rhs[i], -lu[k][i], dim);
        }
        const double pivot = lu[k][k];
        for (int j = 0; j < dim; ++j) rhs[k][j] /= pivot;
    }
    return true;
}

template <typename M>
bool SolveLu(M& lu, M& rhs, int dim) {
    return SolveLuIn<Pair>(lu, rhs, dim);
}

// SolveLu in vectors of four (where the processor has AVX).
template <typename M>
__attribute__((target("avx"))) bool SolveLuAvx(M& lu, M& rhs, int dim) {
    return SolveLuIn<Four>(lu, rhs, dim);
}

// y[0..kFixedWidth-1] += (-f[j])·x[j][0..kFixedWidth-1] for j = first..last in that order,
// gathered in registers of V (the same numbers as Axpy row by row over the first entries; the
// entries beyond those in use are computed from whatever the rows hold there, and not used).
template <typename V, typename M>
[[gnu::always_inline]] inline void SubtractRowsIn(double* y, const double* f, const M& x, int first, int last) {
    constexpr int kLanes = sizeof(V) / sizeof(double);
    constexpr int kVectors = kFixedWidth / kLanes;
    V acc[kVectors];
    for (int v = 0; v < kVectors; ++v) Load(acc[v], y + kLanes * v);
    for (int j = first; j <= last; ++j) {
        V fv;
        Splat(fv, -f[j]);
        for (int v = 0; v < kVectors; ++v) {
            V w;
            Load(w, x[j] + kLanes * v);
            acc[v] += fv * w;
        }
    }
    for (int v = 0; v < kVectors; ++v) Store(y + kLanes * v, acc[v]);
}

template <typename M>
void SubtractRows(double* y, const double* f, const M& x, int first, int last) {
    SubtractRowsIn<Pair>(y, f, x, first, last);
}

// SubtractRows in vectors of four (where the processor has AVX).
template <typename M>
__attribute__((target("avx"))) void SubtractRowsAvx(double* y, const double* f, const M& x, int first, int last) {
    SubtractRowsIn<Four>(y, f, x, first, last);
}

// The monic polynomial with the given roots (conjugate pairs as consecutive entries, im != 0),
// den[0..n]: each real root l as the factor (z - l), each pair as (z^2 + p z + q).
// `exponential` takes the roots as exponents (the factors of e^root). False when a
// coefficient is not finite.
bool FromRoots(const double* re, const double* im, int n, bool exponential, double* den) {
    for (int k = 0; k <= n; ++k) den[k] = 0.0;
    den[0] = 1.0;
    int degree = 0;
    for (int i = 0; i < n; ++i) {
        if (im[i] == 0.0 || i + 1 == n) {
            const double l = exponential ? std::exp(re[i]) : re[i];
            for (int k = degree + 1; k >= 1; --k) den[k] = den[k - 1] - l * den[k];
            den[0] = -l * den[0];
            degree += 1;
        } else {
            double p;
            double q;
            if (exponential) {
                const double growth = std::exp(re[i]);
                p = -2.0 * growth * std::cos(im[i]);
                q = growth * growth;
            } else {
                p = -2.0 * re[i];
                q = re[i] * re[i] + im[i] * im[i];
            }
            for (int k = degree + 2; k >= 2; --k) den[k] = den[k - 2] + p * den[k - 1] + q * den[k];
            den[1] = p * den[0] + q * den[1];
            den[0] = q * den[0];
            degree += 2;
            ++i;
        }
    }
    for (int k = 0; k <= n; ++k)
        if (!std::isfinite(den[k])) return false;
    return true;
}

// The normwise distance of two polynomials x, y (coefficients 0..n-1 and the common leading
// coefficient lead): max |x_k - y_k| over the largest |coefficient|.
double Apart(const double* x, const double* y, int n, double lead) {
    double big = lead;
    double diff = 0.0;
    for (int k = 0; k < n; ++k) {
        big = std::max(big, std::fabs(x[k]));
        diff = std::max(diff, std::fabs(x[k] - y[k]));
    }
    if (big == 0.0) return diff == 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
    return diff / big;
}

template <typename M>
double OneNorm(const M& x, int n) {
    double best = 0.0;
    for (int j = 0; j < n; ++j) {
        double sum = 0.0;
        for (int i = 0; i < n; ++i) sum += std::fabs(x[i][j]);
        best = std::max(best, sum);
    }
    return best;
}

} // namespace

CTransferFunctionDiscretizer::CTransferFunctionDiscretizer() { Init(); }

void CTransferFunctionDiscretizer::Init() {
    ZeroMatrix(m_b);
    ZeroMatrix(m_a);
    ZeroMatrix(m_aHat);
    ZeroMatrix(m_A);
    ZeroMatrix(m_B);
    ZeroMatrix(m_C);
    ZeroMatrix(m_I);
    ZeroMatrix(m_AT);
    ZeroMatrix(m_Psi);
    ZeroMatrix(m_Phi);
    ZeroMatrix(m_Gamma);
    ZeroMatrix(m_Phi1);
    ZeroMatrix(m_Gamma1);
    m_m = 1;
    m_n = 2;
    m_scale = 1.0;
    m_T = 0.0;
    m_k = 1.0;
}

// ---------------------------------------------------------------------------------------
// Classic step operations (indices 1..n).

double CTransferFunctionDiscretizer::Power(short n, double x) {
    // Exact integer powers: a negative base keeps its sign pattern, 0^0 is 1 like every x^0.
    if (n < 0) return 1.0 / Power(static_cast<short>(-n), x);
    double result = 1.0;
    double base = x;
    for (unsigned e = static_cast<unsigned>(n); e != 0; e >>= 1) {
        if (e & 1u) result *= base;
        base *= base;
    }
    return result;
}

void CTransferFunctionDiscretizer::ScaleByPowers(const double* src, short n, double x, double* dst) {
    for (short k = 0; k <= n; ++k) dst[k] = src[k] * Power(k, x);
}

void CTransferFunctionDiscretizer::Normalize(short n, short m) {
    // C[j] = b_(j-1) / a_n for j = 1..m+1 (within the state), zero above.
    const double lead = m_aHat[n];
    for (short j = 1; j <= n; ++j) m_C[j] = (j - 1 <= m) ? m_b[j - 1] / lead : 0.0;
}

void CTransferFunctionDiscretizer::BuildStateSpace(short n) {
    Normalize(n, m_m);
    for (short r = 1; r <= n; ++r)
        for (short j = 1; j <= n; ++j) m_A[r][j] = (r < n) ? (j == r + 1 ? 1.0 : 0.0) : -m_aHat[j - 1] / m_aHat[n];
    for (short j = 1; j <= n; ++j) m_B[j] = (j == n) ? 1.0 : 0.0;
}

void CTransferFunctionDiscretizer::PrepareStateSpace() {
    ScaleByPowers(m_a, m_n, m_scale, m_aHat);
    BuildStateSpace(m_n);
}

void CTransferFunctionDiscretizer::SetIdentity(short n) {
    for (short i = 1; i <= n; ++i)
        for (short j = 1; j <= n; ++j) m_I[i][j] = (i == j) ? 1.0 : 0.0;
}

void CTransferFunctionDiscretizer::ComputeSubdivision() {
    double largest = 0.0;
    for (short i = 1; i <= m_n; ++i)
        for (short j = 1; j <= m_n; ++j) largest = std::max(largest, std::fabs(m_A[i][j]));
    m_k = std::floor(largest) + 1.0;
}

void CTransferFunctionDiscretizer::MatrixExponential() {
    // Psi = sum over i >= 0 of A_T^i / (i+1)!, ended by an absolute cut-off on the last term.
    const short n = m_n;
    Matrix& term = m_work1;
    for (short i = 1; i <= n; ++i)
        for (short j = 1; j <= n; ++j) term[i][j] = m_Psi[i][j] = m_I[i][j];
    for (int i = 1; n > 0; ++i) {
        MultiplyMatrices(term, m_AT, n, n, n, term);
        ScaleMatrix(term, 1.0 / (i + 1), n, n, term);
        AddMatrices(m_Psi, term, n, n, m_Psi);
        double largest = 0.0;
        for (short r = 1; r <= n; ++r)
            for (short c = 1; c <= n; ++c) largest = std::max(largest, std::fabs(term[r][c]));
        if (!(largest > kSeriesCutOff)) break;
    }
}

void CTransferFunctionDiscretizer::ComputeSeriesStep() {
    const short n = m_n;
    MatrixExponential();
    MultiplyMatrices(m_AT, m_Psi, n, n, n, m_Phi1);
    AddMatrices(m_Phi1, m_I, n, n, m_Phi1);
    MultiplyMatrixVector(m_Psi, m_B, n, n, m_Gamma1);
    ScaleVector(m_Gamma1, m_T / m_k, n, m_Gamma1);
}

void CTransferFunctionDiscretizer::AccumulateInput(const Matrix& phi1, const Vector& gamma1) {
    const short n = m_n;
    Matrix& p = m_work2;
    Matrix& q = m_work3;
    for (short i = 1; i <= n; ++i)
        for (short j = 1; j <= n; ++j) p[i][j] = q[i][j] = m_I[i][j];
    for (long i = 1; i < static_cast<long>(m_k); ++i) {
        MultiplyMatrices(q, phi1, n, n, n, q);
        AddMatrices(p, q, n, n, p);
    }
    MultiplyMatrixVector(p, gamma1, n, n, m_Gamma);
}

void CTransferFunctionDiscretizer::PowerMatrix(const Matrix& x, long p, short n, Matrix& dst) {
    Matrix& acc = m_work2;
    for (short i = 1; i <= n; ++i)
        for (short j = 1; j <= n; ++j) acc[i][j] = x[i][j];
    for (long i = 1; i < p; ++i) MultiplyMatrices(acc, x, n, n, n, acc);
    for (short i = 1; i <= n; ++i)
        for (short j = 1; j <= n; ++j) dst[i][j] = acc[i][j];
}

void CTransferFunctionDiscretizer::PowerTransition(const Matrix& x) { PowerMatrix(x, static_cast<long>(m_k), m_n, m_Phi); }

void CTransferFunctionDiscretizer::ComputeSubdivided() {
    const short n = m_n;
    ScaleMatrix(m_A, m_T / m_k, n, n, m_AT);
    ComputeSeriesStep();
    if (m_k > 1.0) {
        AccumulateInput(m_Phi1, m_Gamma1);
        PowerTransition(m_Phi1);
    } else {
        for (short i = 1; i <= n; ++i) {
            for (short j = 1; j <= n; ++j) m_Phi[i][j] = m_Phi1[i][j];
            m_Gamma[i] = m_Gamma1[i];
        }
    }
    m_T = m_k * (m_T / m_k);
    m_transitionDone = true;
}

void CTransferFunctionDiscretizer::ComputeTransition() {
    if (m_transitionDone) return;
    SetIdentity(m_n);
    ComputeSubdivision();
    ComputeSubdivided();
}

void CTransferFunctionDiscretizer::StateSpaceToPolynomials(const Matrix& phi, const Vector& gamma, const Vector& c,
                                                           short n, double* den, double* num) {
    Matrix& nMat = m_work3;
    SetIdentity(n);
    for (short i = 1; i <= n; ++i)
        for (short j = 1; j <= n; ++j) nMat[i][j] = m_I[i][j];
    for (short j = 1; j <= n; ++j) {
        MultiplyMatrixVector(nMat, gamma, n, n, m_workVec);
        DotProduct(c, m_workVec, n, num[n - j]);
        MultiplyMatrices(nMat, phi, n, n, n, nMat);
        double trace = 0.0;
        Trace(nMat, n, trace);
        den[n - j] = (-1.0 / j) * trace;
        if (j < n)
            for (short i = 1; i <= n; ++i) nMat[i][i] += den[n - j];
    }
    num[n] = 0.0;
    den[n] = 1.0;
}

void CTransferFunctionDiscretizer::ComputePolynomials() {
    if (m_polynomialsDone) return;
    if (m_n > 0) StateSpaceToPolynomials(m_Phi, m_Gamma, m_C, m_n, m_alpha, m_beta);
    m_polynomialsDone = true;
}

void CTransferFunctionDiscretizer::MultiplyMatrices(const Matrix& x, const Matrix& y, short inner, short rows,
                                                    short cols, Matrix& dst) {
    // Rows of x are copied before they are overwritten, y when it is the destination, so that
    // dst may be one of the operands.
    double rowBuf[kSize];
    const bool aliasY = (&dst == &y);
    Matrix* ySrc = const_cast<Matrix*>(&y);
    if (aliasY) {
        // y is overwritten row by row: keep a copy in the spare work matrix.
        Matrix* candidates[] = {&m_work1, &m_work2, &m_work3};
        Matrix* spareP = nullptr;
        for (Matrix* cand : candidates)
            if (cand != &y && cand != &x) spareP = cand;
        Matrix& spare = *spareP;
        for (short i = 1; i <= inner; ++i)
            for (short j = 1; j <= cols; ++j) spare[i][j] = y[i][j];
        ySrc = &spare;
    }
    for (short i = 1; i <= rows; ++i) {
        for (short k = 1; k <= inner; ++k) rowBuf[k] = x[i][k];
        for (short j = 1; j <= cols; ++j) {
            double sum = 0.0;
            for (short k = 1; k <= inner; ++k) sum += rowBuf[k] * (*ySrc)[k][j];
            dst[i][j] = sum;
        }
    }
}

void CTransferFunctionDiscretizer::AddMatrices(const Matrix& x, const Matrix& y, short cols, short rows, Matrix& dst) {
    for (short i = 1; i <= rows; ++i)
        for (short j = 1; j <= cols; ++j) dst[i][j] = x[i][j] + y[i][j];
}

void CTransferFunctionDiscretizer::ScaleMatrix(const Matrix& x, double c, short cols, short rows, Matrix& dst) {
    for (short i = 1; i <= rows; ++i)
        for (short j = 1; j <= cols; ++j) dst[i][j] = c * x[i][j];
}

void CTransferFunctionDiscretizer::MultiplyMatrixVector(const Matrix& m, const Vector& v, short rows, short cols,
                                                        Vector& dst) {
    double copy[kSize];
    for (short j = 1; j <= cols; ++j) copy[j] = v[j];
    for (short i = 1; i <= rows; ++i) {
        double sum = 0.0;
        for (short j = 1; j <= cols; ++j) sum += m[i][j] * copy[j];
        dst[i] = sum;
    }
}

void CTransferFunctionDiscretizer::ScaleVector(const Vector& v, double c, short n, Vector& dst) {
    for (short i = 1; i <= n; ++i) dst[i] = c * v[i];
}

void CTransferFunctionDiscretizer::DotProduct(const Vector& v, const Vector& w, short n, double& result) {
    double sum = 0.0;
    for (short i = 1; i <= n; ++i) sum += v[i] * w[i];
    result = sum;
}

void CTransferFunctionDiscretizer::Trace(const Matrix& m, short n, double& result) {
    double sum = 0.0;
    for (short i = 1; i <= n; ++i) sum += m[i][i];
    result = sum;
}

// ---------------------------------------------------------------------------------------
// Discretize and its stable route.

void CTransferFunctionDiscretizer::ClearResult() {
    for (int i = 0; i < kSize; ++i) m_beta[i] = m_alpha[i] = 0.0;
}

void CTransferFunctionDiscretizer::Discretize(const double* den, const double* num, short numOrder, short denOrder,
                                              double scale, double sampleTime) {
    m_transitionDone = false;
    m_polynomialsDone = false;
    m_errorEstimate = std::numeric_limits<double>::infinity();
    ClearResult();
    const bool ordersValid = numOrder >= 0 && numOrder <= kMaxOrder && denOrder >= 0 && denOrder <= kMaxOrder &&
                             den != nullptr && num != nullptr;
    if (!ordersValid || !std::isfinite(scale) || !std::isfinite(sampleTime) || !(sampleTime > 0.0)) {
        m_status = Status::InvalidInput;
        return;
    }
    m_m = numOrder;
    m_n = denOrder;
    for (int i = 0; i < kSize; ++i) {
        m_b[i] = i <= numOrder ? num[i] : 0.0;
        m_a[i] = i <= denOrder ? den[i] : 0.0;
    }
    m_T = sampleTime;
    m_scale = scale;
    ScaleByPowers(m_a, m_n, m_scale, m_aHat);
    bool finite = true;
    for (int i = 0; i <= m_n; ++i) finite = finite && std::isfinite(m_aHat[i]);
    for (int i = 0; i <= m_m; ++i) finite = finite && std::isfinite(m_b[i]);
    if (!finite || m_aHat[m_n] == 0.0) {
        m_status = Status::InvalidInput;
        return;
    }
    BuildStateSpace(m_n);
    SetIdentity(m_n);
    const short n = m_n;
    if (n == 0) {
        m_k = 1.0;
        m_alpha[0] = 1.0;
        m_beta[0] = 0.0;
        m_errorEstimate = 0.0;
        m_transitionDone = m_polynomialsDone = true;
        m_status = Status::Done;
        return;
    }
    // Exact zero poles (a_0 = ... = a_(z-1) = 0) are split off first: where that split vouches
    // for its result, the companion-form route runs only on the rest.
    int zeros = 0;
    while (zeros < n && m_aHat[zeros] == 0.0) ++zeros;
    if (zeros == 0 || !SplitZeroPoles(zeros)) ConvertCompanion();
    m_transitionDone = m_polynomialsDone = true;
    if (!std::isfinite(m_errorEstimate)) ClearResult();
    m_beta[n] = 0.0;
    m_alpha[n] = 1.0;
    m_status = m_errorEstimate <= kAcceptedError ? Status::Done : Status::Inaccurate;
}

void CTransferFunctionDiscretizer::ConvertCompanion() {
    const short n = m_n;
    // The polynomials are formed in four bases of the state (the time-scaled companion form,
    // its dual, a graded and a balanced similarity), the denominator in two ways each (from the
    // eigenvalues of Phi, accurate where modes have decayed; by Hyman's recursion, accurate
    // where eigenvalues cluster). A candidate's error shows in its distance to the nearest
    // candidate of another basis, whose rounding takes an independent path; and in its change
    // under a second run that squares once more and perturbs Phi and Gamma at the level of
    // their rounding (which samples the error of the exponential and the sensitivity to it).
    // Each polynomial is the candidate with the smallest such distance; the estimate is that
    // distance times a safety factor.
    double numEst = std::numeric_limits<double>::infinity();
    double denEst = numEst;
    const double floor = 2.0 * kEps * n;
    auto distance = [&](const double* x, const double* y, double lead) { return Apart(x, y, n, lead); };
    m_balancedAside = false;
    for (int r = 0; r < 2; ++r) {
        m_candAEigOk[r] = false;
        for (int b = 0; b < kBases; ++b) m_candOk[r][b] = m_candEigOk[r][b] = false;
    }
    // Candidates: numerators by basis, denominators 2·basis + (0 eigenvalues of Phi, 1 Hyman)
    // and kCompanionEigen (from the eigenvalues of the companion matrix).
    auto numCand = [&](int run, int c) -> const double* { return m_candOk[run][c] ? m_candNum[run][c] : nullptr; };
    auto denCand = [&](int run, int c) -> const double* {
        if (c == kCompanionEigen) return m_candAEigOk[run] ? m_candAEig[run] : nullptr;
        const int basis = c / 2;
        if (!m_candOk[run][basis]) return nullptr;
        if (c % 2 == 0) return m_candEigOk[run][basis] ? m_candEigen[run][basis] : nullptr;
        return m_candHyman[run][basis];
    };
    // The candidate closest to one of another basis, and that distance.
    // (A later level recomputes candidates, and one that was valid before may fail then: the
    // choice of an earlier level is not kept.)
    auto closest = [&](bool den, int* best) {
        double agree = std::numeric_limits<double>::infinity();
        *best = -1;
        const int count = den ? kCompanionEigen + 1 : kBases;
        for (int x = 0; x < count; ++x) {
            const double* px = den ? denCand(0, x) : numCand(0, x);
            if (px == nullptr) continue;
            for (int y = 0; y < count; ++y) {
                const double* py = den ? denCand(0, y) : numCand(0, y);
                if ((den ? y / 2 == x / 2 : y == x) || py == nullptr) continue;
                const double dist = distance(px, py, den ? 1.0 : 0.0);
                if (dist < agree) {
                    agree = dist;
                    *best = x;
                }
            }
        }
        return agree;
    };
    // The first pair of candidates is independent in both respects at once: the companion
    // basis of the first run and the dual basis of the second. Where they agree to kEnough,
    // that distance is the estimate, and the result is the first run's; else further
    // candidates follow as below (the second run is kept for them).
    bool secondRun = false;
    bool secondDual = false;  // the second run's dual-basis candidates are there
    const bool firstRun = StableRoute(0, 0, false);
    if (firstRun && Stage(0, 0, false)) {
        secondRun = StableRoute(1, 1, true);
        secondDual = secondRun && Stage(1, 3, false);
        if (secondDual) {
            const double numApart = distance(m_candNum[0][0], m_candNum[1][3], 0.0);
            const double denApart = distance(m_candHyman[0][0], m_candHyman[1][3], 1.0);
            if (numApart <= kEnough && denApart <= kEnough) {
                for (int k = 0; k < n; ++k) {
                    m_beta[k] = m_candNum[0][0][k];
                    m_alpha[k] = m_candHyman[0][0][k];
                }
                numEst = kEstimateSafety * numApart + floor;
                denEst = kEstimateSafety * denApart + floor;
            } else {
                QuickPairs(numApart, denApart, &numEst, &denEst);
            }
        }
    }
    if (firstRun && !(std::max(numEst, denEst) <= kAcceptedError)) {
        // Cheap candidates first (Hyman's recursion in the companion basis and its dual), then
        // the graded and the balanced basis, then the denominators from the eigenvalues, until
        // two agree.
        numEst = denEst = std::numeric_limits<double>::infinity();
        int bestNum = -1;
        int bestDen = -1;
        double numAgree = std::numeric_limits<double>::infinity();
        double denAgree = numAgree;
        bool hopeless = false;
        for (int level = 0; level < 4; ++level) {
            if (level == 0) {
                if (!m_candOk[0][0]) Stage(0, 0, false);
                Stage(0, 3, false);
            } else if (level == 1) {
                Stage(0, 2, false);
            } else if (level == 2) {
                if (m_balancedAside)
                    m_candOk[0][1] = true;
                else
                    Stage(0, 1, false);
            } else {
                if (denAgree <= kEnough) break;  // the eigenvalues serve the denominator only
                for (int b = 0; b < kSearchBases; ++b) Stage(0, b, true);
                CompanionEigenDenominator(0);
            }
            numAgree = closest(false, &bestNum);
            denAgree = closest(true, &bestDen);
            if (numAgree <= kEnough && denAgree <= kEnough) break;
            // Every basis has given its numerator now (the eigenvalues serve the denominator
            // only, and a stage run again gives the same numerator or none). Where no two agree
            // to the accepted level, no later step can bring the estimate below it: the result
            // is refused, with that bound as its estimate, and the costly steps are skipped.
            if (level == 2 && !(kEstimateSafety * numAgree + floor <= kAcceptedError)) {
                hopeless = true;
                break;
            }
        }
        if (hopeless) {
            if (bestNum >= 0 && bestDen >= 0) {
                for (int k = 0; k < n; ++k) {
                    m_beta[k] = numCand(0, bestNum)[k];
                    m_alpha[k] = denCand(0, bestDen)[k];
                }
                numEst = kEstimateSafety * numAgree + floor;
                denEst = kEstimateSafety * denAgree + floor;
            }
        } else if (bestNum >= 0 && bestDen >= 0) {
            // The denominator of the numerator's basis, when it is as good, spares the second
            // run a stage.
            const int sameBasis = 2 * bestNum + 1;
            if (bestDen / 2 != bestNum && denCand(0, sameBasis) != nullptr) {
                double agree = std::numeric_limits<double>::infinity();
                for (int y = 0; y <= kCompanionEigen; ++y)
                    if (y / 2 != bestNum && denCand(0, y) != nullptr)
                        agree = std::min(agree, distance(denCand(0, sameBasis), denCand(0, y), 1.0));
                if (agree <= std::max(kEnough, denAgree)) {
                    bestDen = sameBasis;
                    denAgree = agree;
                }
            }
            // A denominator from eigenvalues that agrees with one of another basis may still be
            // off where both inherit the eigenvalues' error alike (clustered eigenvalues); where
            // Hyman's recursion in two bases agrees on another answer (to an accepted level, and
            // ten times better than that answer lies from the chosen one), either may be right:
            // the distance between them then bounds the estimate from below.
            if (bestDen % 2 == 0) {
                double conflict = std::numeric_limits<double>::infinity();
                for (int x = 1; x < kCompanionEigen; x += 2) {
                    const double* px = denCand(0, x);
                    if (px == nullptr) continue;
                    const double apart = distance(denCand(0, bestDen), px, 1.0);
                    for (int y = 1; y < kCompanionEigen; y += 2) {
                        const double* py = denCand(0, y);
                        if (y == x || py == nullptr) continue;
                        const double pair = distance(px, py, 1.0);
                        if (pair <= kAcceptedError / kEstimateSafety && 10.0 * pair <= apart)
                            conflict = std::min(conflict, apart);
                    }
                }
                if (std::isfinite(conflict)) denAgree = std::max(denAgree, conflict);
            }
            for (int k = 0; k < n; ++k) {
                m_beta[k] = numCand(0, bestNum)[k];
                m_alpha[k] = denCand(0, bestDen)[k];
            }
            if (secondRun || StableRoute(1, 1, true)) {
                if (!(secondDual && bestNum == 3)) Stage(1, bestNum, false);
                if (bestDen == kCompanionEigen)
                    CompanionEigenDenominator(1);
                else if ((bestDen / 2 != bestNum || bestDen % 2 == 0) && !(secondDual && bestDen == 2 * 3 + 1))
                    Stage(1, bestDen / 2, bestDen % 2 == 0);
                const double* num1 = numCand(1, bestNum);
                const double* den1 = denCand(1, bestDen);
                if (num1 != nullptr && den1 != nullptr) {
                    numEst = kEstimateSafety * std::max(numAgree, distance(m_beta, num1, 0.0)) + floor;
                    denEst = kEstimateSafety * std::max(denAgree, distance(m_alpha, den1, 1.0)) + floor;
                }
            }
        }
    }
    m_errorEstimate = std::max(numEst, denEst);
    // Where the companion-form route cannot vouch for 1e-8, the poles themselves may.
    if (!(m_errorEstimate <= kAcceptedError)) PoleRoute();
}

bool CTransferFunctionDiscretizer::SplitZeroPoles(int zeros) {
    // G(s) = b(s) / (s^z a'(s)) with a'(0) != 0 is P(s)/s^z + Q(s)/a'(s): P (degree below z) is
    // the Taylor series of b/a' at 0 up to s^(z-1), Q = (b - P a')/s^z (degree below n - z).
    // The hold of 1/s^j is T^j/j! A_j(z)/(z-1)^j, A_j the Eulerian polynomial (A_1 = 1,
    // A_2 = z + 1, A_3 = z^2 + 4z + 1, ...), so that with (alpha', beta') the hold of Q/a'
    //   alpha = (z-1)^z alpha',  beta = S alpha' + (z-1)^z beta',
    //   S = sum_(j=1..z) p_(z-j) T^j/j! A_j (z-1)^(z-j).
    // The repeated eigenvalue 1 of the zero poles is what spoils the companion-form route;
    // without it that route runs on the rest alone, on its fast path. The error of each part
    // is followed through these sums term by term. Where the estimate is above
    // kSplitAccepted (the sums cancel, as at short sample times), the companion-form route
    // also runs on the whole, and the result with the smaller estimate is kept. False (the
    // whole goes to the companion-form route) where the split cannot vouch for its parts.
    using Wide = long double;
    constexpr double kWideEps = 0x1p-63;  // unit round-off of Wide, twice over
    constexpr double kSplitAccepted = kEstimateSafety * kEnough;
    const int n = m_n;
    const int rest = n - zeros;
    const int top = std::min<int>(m_m, n - 1);
    const double* a = m_aHat + zeros;  // a'_0 .. a'_rest
    Wide p[kSize];
    Wide q[kSize];
    // 1. P and Q; the residual that P leaves below s^z is dropped, an error of the numerator
    //    that its bound `lowError` (relative to the numerator) accounts for.
    double bBig = 0.0;
    for (int k = 0; k <= top; ++k) bBig = std::max(bBig, std::fabs(m_b[k]));
    double lowBound = 0.0;
    for (int k = 0; k < zeros; ++k) {
        Wide sum = k <= top ? m_b[k] : 0.0;
        double size = std::fabs(static_cast<double>(sum));
        for (int j = 1; j <= std::min(k, rest); ++j) {
            sum -= static_cast<Wide>(a[j]) * p[k - j];
            size += std::fabs(a[j] * static_cast<double>(p[k - j]));
        }
        p[k] = sum / a[0];
        lowBound = std::max(lowBound, (k + 3) * kWideEps * size);
    }
    const double lowError = bBig > 0.0 ? lowBound / bBig : 0.0;
    double qBig = 0.0;
    double qBound = 0.0;
    for (int k = 0; k < rest; ++k) {
        Wide sum = k + zeros <= top ? m_b[k + zeros] : 0.0;
        double size = std::fabs(static_cast<double>(sum));
        for (int j = std::max(0, k + zeros - rest); j < zeros; ++j) {
            sum -= p[j] * static_cast<Wide>(a[k + zeros - j]);
            size += std::fabs(static_cast<double>(p[j]) * a[k + zeros - j]);
        }
        q[k] = sum;
        qBig = std::max(qBig, std::fabs(static_cast<double>(sum)));
        qBound = std::max(qBound, (zeros + 2) * kWideEps * size);
    }
    // Q must be as accurate as its rounding to double, which the route below samples.
    const double qError = qBig > 0.0 ? qBound / qBig : (qBound > 0.0 ? 1.0 : 0.0);
    if (!(qError <= kEps) || !(lowError <= kEps)) return false;
    // 2. The hold of Q/a' (order n - z) by the companion-form route, on the object's own
    //    storage; the whole's coefficients are put back afterwards.
    double alphaRest[kSize];
    double betaRest[kSize];
    double restError = 0.0;
    for (int k = 0; k < rest; ++k)
        if (!std::isfinite(static_cast<double>(q[k]))) return false;
    {
        double aWhole[kSize];
        double bWhole[kSize];
        std::memcpy(aWhole, m_aHat, sizeof aWhole);
        std::memcpy(bWhole, m_b, sizeof bWhole);
        const short mWhole = m_m;
        const double tWhole = m_T;
        if (rest > 0) {
            for (int k = 0; k < kSize; ++k) {
                m_aHat[k] = k <= rest ? aWhole[k + zeros] : 0.0;
                m_b[k] = k < rest ? static_cast<double>(q[k]) : 0.0;
            }
            m_n = static_cast<short>(rest);
            m_m = static_cast<short>(rest - 1);
            ClearResult();
            ConvertCompanion();
            restError = m_errorEstimate;
            for (int k = 0; k < rest; ++k) {
                alphaRest[k] = m_alpha[k];
                betaRest[k] = m_beta[k];
            }
        } else {
            m_k = 1.0;  // (integrators alone: no exponential, no sub-steps)
        }
        alphaRest[rest] = 1.0;
        std::memcpy(m_aHat, aWhole, sizeof aWhole);
        std::memcpy(m_b, bWhole, sizeof bWhole);
        m_m = mWhole;
        m_n = static_cast<short>(n);
        m_T = tWhole;
    }
    if (!(restError <= kAcceptedError)) return false;
    // 3. The sums, in Wide, with the absolute error of each coefficient bounded from those of
    //    the parts: alpha' and beta' within restError of their largest coefficient (beta'
    //    also within the error of Q), S within its rounding.
    double alphaRestBig = 1.0;
    double betaRestBig = 0.0;
    for (int k = 0; k < rest; ++k) {
        alphaRestBig = std::max(alphaRestBig, std::fabs(alphaRest[k]));
        betaRestBig = std::max(betaRestBig, std::fabs(betaRest[k]));
    }
    const double alphaRestError = restError * alphaRestBig;
    const double betaRestError = restError * (1.0 + qError / kEps) * betaRestBig;
    // (z-1)^z, exact in Wide up to z = 63, within its rounding beyond.
    Wide binom[kSize] = {1.0L};
    for (int j = 1; j <= zeros; ++j) {
        binom[j] = binom[j - 1];
        for (int k = j - 1; k >= 1; --k) binom[k] = binom[k - 1] - binom[k];
        binom[0] = -binom[0];
    }
    // S by Horner's rule in (z-1), and sAbs likewise with |terms| in (z+1): a bound on the
    // terms' size per coefficient.
    Wide eulerian[kSize] = {1.0L};  // A_j
    Wide s[kSize] = {};
    double sAbs[kSize] = {};
    Wide coefficient = 1.0L;  // T^j / j!
    for (int j = 1; j <= zeros; ++j) {
        if (j > 1) {
            for (int k = j - 1; k >= 0; --k)
                eulerian[k] = (k + 1) * eulerian[k] + (k >= 1 ? (j - k) * eulerian[k - 1] : 0.0L);
        }
        coefficient *= static_cast<Wide>(m_T) / j;
        const Wide c = p[zeros - j] * coefficient;
        // s := s (z - 1) + c A_j, degree j - 1.
        for (int k = j - 1; k >= 0; --k) {
            s[k] = (k >= 1 ? s[k - 1] : 0.0L) - s[k] + c * eulerian[k];
            sAbs[k] = (k >= 1 ? sAbs[k - 1] : 0.0) + sAbs[k] + std::fabs(static_cast<double>(c * eulerian[k]));
        }
    }
    double num[kSize];
    double den[kSize];
    double numError = 0.0;
    double denError = 0.0;
    double numBig = 0.0;
    double denBig = 1.0;
    for (int k = 0; k < n; ++k) {
        Wide alpha = 0.0L;
        Wide beta = 0.0L;
        double alphaBound = 0.0;
        double betaBound = 0.0;
        double size = 0.0;  // of beta's terms
        for (int i = std::max(0, k - rest); i <= std::min(k, zeros); ++i) {
            const double bi = std::fabs(static_cast<double>(binom[i]));
            alpha += binom[i] * alphaRest[k - i];
            if (k - i < rest) {
                alphaBound += bi * alphaRestError;
                beta += binom[i] * betaRest[k - i];
                betaBound += bi * betaRestError;
                size += bi * std::fabs(betaRest[k - i]);
            }
        }
        for (int i = std::max(0, k - rest); i <= std::min(k, zeros - 1); ++i) {
            beta += s[i] * alphaRest[k - i];
            const double restPart = std::fabs(alphaRest[k - i]);
            size += sAbs[i] * restPart;
            if (k - i < rest) betaBound += sAbs[i] * alphaRestError;
            betaBound += (3 * zeros + 3) * kWideEps * sAbs[i] * restPart;
        }
        betaBound += (lowError + (n + 2) * kWideEps) * size;
        num[k] = static_cast<double>(beta);
        den[k] = static_cast<double>(alpha);
        if (!std::isfinite(num[k]) || !std::isfinite(den[k]) || !std::isfinite(betaBound)) return false;
        numError = std::max(numError, betaBound);
        denError = std::max(denError, alphaBound);
        numBig = std::max(numBig, std::fabs(num[k]));
        denBig = std::max(denBig, std::fabs(den[k]));
    }
    const double numEst = numBig > 0.0 ? numError / numBig : (numError > 0.0 ? std::numeric_limits<double>::infinity() : 0.0);
    const double estimate = std::max(numEst, denError / denBig) + 2.0 * kEps * n;
    if (!(estimate <= kSplitAccepted)) {
        ClearResult();
        ConvertCompanion();
        if (m_errorEstimate <= estimate) return true;
    }
    for (int k = 0; k < n; ++k) {
        m_beta[k] = num[k];
        m_alpha[k] = den[k];
    }
    m_errorEstimate = estimate;
    return true;
}

void CTransferFunctionDiscretizer::QuickPairs(double numApart, double denApart, double* numEst, double* denEst) {
    // Where the companion basis or its dual rounds badly (a wide spread of time constants, or
    // large coefficients beside small ones), the balanced basis and its dual usually do not.
    // Pairs of candidates independent in both respects (another basis, another run) are
    // compared as in the first comparison: the first run's companion and balanced candidates
    // against the second run's dual and balanced-dual ones (and, for the denominator, the
    // eigenvalues of the companion matrix of the second run's coefficients, which need no
    // exponential). Where the closest pair of each polynomial agrees to kEnough, ten times its
    // distance is the estimate and the first run's candidate the result; else the candidates
    // made here are dropped, so that the full search starts as it would without them.
    // Where the companion basis and its dual are far apart (coefficients that spread over
    // many orders of magnitude), the balanced pair can share an error of its own that no
    // pair shows: the full search decides there.
    if (!(numApart <= kQuickReach && denApart <= kQuickReach)) return;
    const int n = m_n;
    const double floor = 2.0 * kEps * n;
    auto drop = [&]() {
        // (The first run's balanced candidates are the full search's own: they are kept
        // aside for it, not computed twice.)
        m_balancedAside = m_candOk[0][1];
        m_candOk[0][1] = m_candEigOk[0][1] = false;
        m_candOk[1][4] = m_candEigOk[1][4] = false;
        m_candAEigOk[1] = false;
    };
    // (Both fail alike where the balancing changed nothing.)
    if (!Stage(1, 4, false) || !Stage(0, 1, false)) {
        drop();
        return;
    }
    const double* numBest = m_candNum[0][0];
    const double* denBest = m_candHyman[0][0];
    double numAgree = numApart;
    double denAgree = denApart;
    auto consider = [&](const double* x, const double* y, bool den, double* agree, const double** best) {
        const double d = Apart(x, y, n, den ? 1.0 : 0.0);
        if (d < *agree) {
            *agree = d;
            *best = x;
        }
    };
    for (int b = 0; b < 2; ++b) {
        consider(m_candNum[0][b], m_candNum[1][4], false, &numAgree, &numBest);
        consider(m_candHyman[0][b], m_candHyman[1][4], true, &denAgree, &denBest);
    }
    consider(m_candNum[0][1], m_candNum[1][3], false, &numAgree, &numBest);
    consider(m_candHyman[0][1], m_candHyman[1][3], true, &denAgree, &denBest);
    if (!(numAgree <= kEnough)) {
        drop();
        return;
    }
    if (!(denAgree <= kEnough) && CompanionEigenDenominator(1))
        for (int b = 0; b < 2; ++b) consider(m_candHyman[0][b], m_candAEig[1], true, &denAgree, &denBest);
    if (!(denAgree <= kEnough)) {
        drop();
        return;
    }
    // The constant coefficient of the denominator is known exactly: (-1)^n det(Phi) =
    // (-1)^n e^(trace(A) T), trace(A) = -a_(n-1)/a_n. Two candidates that agree on another
    // value share an error (a cancellation that ends in the same wrong number in both bases):
    // such a pair is not taken.
    const double exponent = -m_aHat[n - 1] / m_aHat[n] * m_T;
    const double alpha0 = (n % 2 == 1 ? -1.0 : 1.0) * std::exp(exponent);
    if (std::isfinite(alpha0) && alpha0 != 0.0) {
        double big = 1.0;
        for (int k = 0; k < n; ++k) big = std::max(big, std::fabs(denBest[k]));
        if (!(std::fabs(denBest[0] - alpha0) <= (kEnough + 8.0 * kEps * (std::fabs(exponent) + 1.0)) * big)) {
            drop();
            return;
        }
    }
    for (int k = 0; k < n; ++k) {
        m_beta[k] = numBest[k];
        m_alpha[k] = denBest[k];
    }
    *numEst = kEstimateSafety * numAgree + floor;
    *denEst = kEstimateSafety * denAgree + floor;
}

bool CTransferFunctionDiscretizer::StableRoute(int run, int extraSquarings, bool perturb) {
    const int n = m_n;
    const int dim = n + 1;  // augmented: states 0..n-1, input n
    const double t = m_T;
    // 1. Time scaling: with s = mu·w, G(mu·w) has the coefficients a_k·mu^(k-n)/a_n (monic)
    //    and b_k·mu^(k-n)/a_n, and is sampled every mu·T in the time of w. mu is a power of two
    //    near max(rho, 1/T), rho the root bound of a(s): the companion form then has entries of
    //    moderate size and, for short sample times, the structure of a shift, so that the
    //    small numerator coefficients of short sample times keep their relative accuracy.
    //    The scaling and the scaled coefficients are the same in both runs: the second takes
    //    them over from the first.
    if (run == 0) {
        double logRho = -std::numeric_limits<double>::infinity();
        const double logLead = std::log2(std::fabs(m_aHat[n]));
        for (int k = 0; k < n; ++k)
            if (m_aHat[k] != 0.0) logRho = std::max(logRho, (std::log2(std::fabs(m_aHat[k])) - logLead) / (n - k));
        const double logMu = std::max(logRho + 1.0, -std::log2(t));
        m_scaleOk = false;
        if (!std::isfinite(logMu) || std::fabs(logMu) > 900.0) return false;
        m_muExp = static_cast<int>(std::lround(logMu));
        m_tau = std::ldexp(t, m_muExp);  // sample time in the time of w
        if (!(m_tau > 0.0) || !std::isfinite(m_tau)) return false;
        m_balanceDone = false;
        for (int k = 0; k < n; ++k) {
            m_awRun0[k] = TimesPowerOfTwo(m_aHat[k], m_muExp * (k - n)) / m_aHat[n];
            m_bwRun0[k] = k <= m_m ? TimesPowerOfTwo(m_b[k], m_muExp * (k - n)) / m_aHat[n] : 0.0;
        }
        m_scaleOk = true;
    } else if (!m_scaleOk) {
        return false;
    }
    const int muExp = m_muExp;
    const double tau = m_tau;
    double* aw = m_awRun[run];
    double* bw = m_bw;
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    auto uniform = [&state]() {  // in [-1, 1)
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<double>(state >> 11) * 0x1p-52 - 1.0;
    };
    for (int k = 0; k < n; ++k) {
        aw[k] = m_awRun0[k];
        bw[k] = m_bwRun0[k];
        // The perturbed run moves the coefficients by up to a unit of round-off, which samples
        // the effect of their rounding by the division.
        if (perturb) {
            aw[k] += aw[k] * (kEps * uniform());
            bw[k] += bw[k] * (kEps * uniform());
        }
    }
    // The augmented matrix [[A_w, B], [0, 0]]·tau of the companion form, 0-based.
    AugMatrix& m = m_aug;
    FillCompanionAugmented(m, aw, n, tau);
    // (The other entries are tau, finite, or zero.)
    for (int j = 0; j < n; ++j)
        if (!std::isfinite(m[n - 1][j])) return false;

    // 3. exp(m) by a Pade approximant with scaling and squaring.
    // A second run squares more often than the first (m scaled down by 2^extraSquarings
    // more), which also changes the degree where the norm is small: its rounding follows
    // another path than the first's throughout.
    const double norm = OneNorm(m, dim);
    if (!std::isfinite(norm)) return false;
    int squarings = extraSquarings;
    const double reduced = TimesPowerOfTwo(norm, -extraSquarings);
    const double* pade = kPade13;
    int degree = 13;
    if (reduced <= kTheta3) pade = kPade3, degree = 3;
    else if (reduced <= kTheta5) pade = kPade5, degree = 5;
    else if (reduced <= kTheta7) pade = kPade7, degree = 7;
    else if (reduced <= kTheta9) pade = kPade9, degree = 9;
    else squarings += std::max(0, static_cast<int>(std::ceil(std::log2(norm / kTheta13))));
    if (squarings > 1100) return false;
    if (squarings > 0) {
        const double f = std::ldexp(1.0, -squarings);
        for (int i = 0; i < dim; ++i)
            for (int j = 0; j < dim; ++j) m[i][j] *= f;
    }
    AugMatrix& a2 = m_aug2;
    AugMatrix& u = m_augU;
    AugMatrix& v = m_augV;
    AugMatrix& tmp = m_augT;
    Product(m, m, dim, a2);
    if (degree == 13) {
        AugMatrix& a4 = m_aug4;
        AugMatrix& a6 = m_aug6;
        Product(a2, a2, dim, a4);
        Product(a4, a2, dim, a6);
        const double* b = pade;
        for (int i = 0; i < dim; ++i)
            for (int j = 0; j < dim; ++j) tmp[i][j] = b[13] * a6[i][j] + b[11] * a4[i][j] + b[9] * a2[i][j];
        Product(a6, tmp, dim, u);
        for (int i = 0; i < dim; ++i)
            for (int j = 0; j < dim; ++j)
                u[i][j] += b[7] * a6[i][j] + b[5] * a4[i][j] + b[3] * a2[i][j] + (i == j ? b[1] : 0.0);
        Product(m, u, dim, tmp);
        for (int i = 0; i < dim; ++i)
            for (int j = 0; j < dim; ++j) u[i][j] = tmp[i][j];
        for (int i = 0; i < dim; ++i)
            for (int j = 0; j < dim; ++j) tmp[i][j] = b[12] * a6[i][j] + b[10] * a4[i][j] + b[8] * a2[i][j];
        Product(a6, tmp, dim, v);
        for (int i = 0; i < dim; ++i)
            for (int j = 0; j < dim; ++j)
                v[i][j] += b[6] * a6[i][j] + b[4] * a4[i][j] + b[2] * a2[i][j] + (i == j ? b[0] : 0.0);
    } else {
        // Odd part u = m · sum b_(2k+1) m^(2k), even part v = sum b_(2k) m^(2k), from the even
        // powers m^2, m^4, ... (one product each) and a last product with m.
        AugMatrix* powers[4] = {&a2, &m_aug4, &m_aug6, &m_augV};  // m^2, m^4, m^6, m^8
        const int count = (degree - 1) / 2;                        // even powers needed
        if (count > 1) Product(a2, a2, dim, m_aug4);
        if (count > 2) Product(m_aug4, a2, dim, m_aug6);
        if (count > 3) Product(m_aug4, m_aug4, dim, m_augV);
        AugMatrix& odd = tmp;
        // Row by row, each entry summed in the order of the powers; the even part goes to u
        // first and is moved to v below (v may be one of the powers).
        for (int i = 0; i < dim; ++i) {
            double* o = odd[i];
            double* e = u[i];
            for (int j = 0; j < dim; ++j) o[j] = e[j] = 0.0;
            o[i] = pade[1];
            e[i] = pade[0];
            for (int p = 0; p < count; ++p) {
                const double* __restrict row = (*powers[p])[i];
                const double bo = pade[2 * p + 3];
                const double be = pade[2 * p + 2];
                if (FixedWidth(dim)) {
                    // In pairs over the fixed width (the entries from dim on are not used).
                    const Pair bov = {bo, bo};
                    const Pair bev = {be, be};
                    for (int j = 0; j < kFixedWidth; j += 2) {
                        const Pair r = LoadPair(row + j);
                        StorePair(o + j, LoadPair(o + j) + bov * r);
                        StorePair(e + j, LoadPair(e + j) + bev * r);
                    }
                } else {
                    for (int j = 0; j < dim; ++j) {
                        o[j] += bo * row[j];
                        e[j] += be * row[j];
                    }
                }
            }
        }
        for (int i = 0; i < dim; ++i)
            for (int j = 0; j < dim; ++j) v[i][j] = u[i][j];
        Product(m, odd, dim, u);
    }
    // Solve (v - u) X = (v + u) by LU with partial pivoting; X lands in tmp.
    AugMatrix& lu = m_aug2;
    for (int i = 0; i < dim; ++i)
        for (int j = 0; j < dim; ++j) {
            lu[i][j] = v[i][j] - u[i][j];
            tmp[i][j] = v[i][j] + u[i][j];
        }
    if (!(HasAvx() ? SolveLuAvx(lu, tmp, dim) : SolveLu(lu, tmp, dim))) return false;
    // The squarings alternate between two matrices.
    AugMatrix* x = &tmp;
    AugMatrix* y = &u;
    for (int s = 0; s < squarings; ++s) {
        Product(*x, *x, dim, *y);
        std::swap(x, y);
    }
    const AugMatrix& result = *x;
    // State i of the w form is mu^i times state i of the s form (both companion forms).
    // The perturbed run moves every entry by up to two units of round-off, at random: the
    // polynomial stage then rounds along a path of its own, and the sensitivity of both
    // polynomials to the rounding of Phi and Gamma is sampled. (The last row of the
    // exponential is e_n and is not kept.)
    AugMatrix& keep = m_phiRun[run];
    double probe = 0.0;  // x - x is 0 for a finite x, else NaN
    for (int i = 0; i < n; ++i) {
        const double* from = result[i];
        double* to = keep[i];
        if (perturb)
            for (int j = 0; j <= n; ++j) to[j] = from[j] + from[j] * (2.0 * kEps * uniform());
        else
            for (int j = 0; j <= n; ++j) to[j] = from[j];
        for (int j = 0; j <= n; ++j) probe += to[j] - to[j];
        m_bwRun[run][i] = bw[i];
    }
    if (!(probe == 0.0)) return false;
    m_k = std::ldexp(1.0, squarings);
    m_T = m_k * (t / m_k);
    // Phi and Gamma in the companion coordinates, for the readers of the step results.
    if (run == 0)
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) m_Phi[i + 1][j + 1] = TimesPowerOfTwo(keep[i][j], muExp * (i - j));
            m_Gamma[i + 1] = TimesPowerOfTwo(keep[i][n], muExp * (i - n));
        }
    return true;
}

void CTransferFunctionDiscretizer::Balance() {
    // A diagonal similarity by powers of two that brings the row and column norms of the
    // augmented matrix m of the first run together (m_balance[i] = d_i, bal := D^-1 m D). The
    // exponential itself is taken of m: powers of two commute with rounding, so that the
    // exponential of the balanced matrix is D^-1 exp(m) D, formed exactly by `Stage`.
    const int n = m_n;
    const int dim = n + 1;
    AugMatrix& bal = m_aug2;
    FillCompanionAugmented(bal, m_awRun0, n, m_tau);
    for (int i = 0; i < dim; ++i) m_balance[i] = 1.0;
    for (int sweep = 0; sweep < 200; ++sweep) {
        bool changed = false;
        for (int i = 0; i < dim; ++i) {
            // Column and row sums without the diagonal, each in the order of j. Rows 0..n-2 of
            // the companion form hold only their superdiagonal entry, row n-1 is full and row n
            // empty: column i holds entries in rows i-1 and n-1 alone, and the sums over those
            // are the same numbers as over the whole column and row (the rest are exact zeros).
            double c = 0.0;
            double r = 0.0;
            if (i >= 1 && i - 1 != n - 1) c += std::fabs(bal[i - 1][i]);
            if (i != n - 1) c += std::fabs(bal[n - 1][i]);
            if (i < n - 1) {
                r = std::fabs(bal[i][i + 1]);
            } else if (i == n - 1) {
                const double* row = bal[i];
                for (int j = 0; j < dim; ++j)
                    if (j != i) r += std::fabs(row[j]);
            }
            if (c == 0.0 || r == 0.0) continue;
            const double s = c + r;
            double f = 1.0;
            double g = r / 2.0;
            while (c < g && f < 0x1p300) {
                f *= 2.0;
                c *= 2.0;
                r /= 2.0;
                g /= 2.0;
            }
            g = c / 2.0;
            while (g >= r && f > 0x1p-300) {
                f /= 2.0;
                c /= 2.0;
                g /= 2.0;
                r *= 2.0;
            }
            if (c + r >= 0.95 * s) continue;
            m_balance[i] *= f;
            // (f is a power of two: its reciprocal is exact, and so are both scalings.) Only
            // the entries that can be non-zero are scaled: row i's superdiagonal entry (or the
            // whole row n-1), then column i's entries in rows i-1 and n-1.
            const double inverse = 1.0 / f;
            if (i == n - 1)
                for (int j = 0; j < dim; ++j) bal[i][j] *= inverse;
            else if (i < n - 1)
                bal[i][i + 1] *= inverse;
            if (i >= 1) bal[i - 1][i] *= f;
            if (i - 1 != n - 1) bal[n - 1][i] *= f;
            changed = true;
        }
        if (!changed) break;
    }
    m_balanceDone = true;
}

bool CTransferFunctionDiscretizer::CompanionEigenDenominator(int run) {
    // The denominator as the product of (z - e^(lambda·T)) over the eigenvalues lambda·T of the
    // time-scaled companion matrix A_w·tau (the same numbers: tau = mu·T, lambda_w = lambda/mu).
    // Where Phi is close to the identity (short sample times) its eigenvalues crowd near 1 and
    // lose their relative accuracy, while those of A do not. The companion form (superdiagonal
    // and last row) is transposed to upper Hessenberg form and balanced like the augmented
    // matrix: element [i][j] = (A_w·tau)[j][i]·d_i/d_j.
    m_candAEigOk[run] = false;
    const int n = m_n;
    if (!m_balanceDone) Balance();
    AugMatrix& work = m_aug2;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double v = 0.0;
            if (i == j + 1) v = m_tau;
            if (j == n - 1) v = -m_awRun[run][i] * m_tau;
            work[i][j] = v * (m_balance[i] / m_balance[j]);
        }
    if (!HessenbergEigenvalues(work, n, m_eigRe, m_eigIm)) return false;
    if (!FromRoots(m_eigRe, m_eigIm, n, true, m_candAEig[run])) return false;
    m_candAEigOk[run] = true;
    return true;
}

bool CTransferFunctionDiscretizer::Stage(int run, int basis, bool eigen) {
    // The polynomials of (Phi, Gamma, C) in a basis of the state: with its diagonal d,
    // Phi_b[i][j] = Phi[i][j]·d_j/d_i, Gamma_b[i] = Gamma[i]·d_n/d_i and c_b[i] = c[i]·d_i/d_n,
    // all exact (powers of two). Basis 0 is the time-scaled companion form itself, 1 the
    // balanced one, 2 the graded one d_i = 2^(-i); 3 is the dual of basis 0 (Phi^T with the
    // roles of Gamma and c exchanged), which rounds along another path in the same scaling, and
    // 4 the dual of the balanced basis.
    const int n = m_n;
    m_candOk[run][basis] = false;
    m_candEigOk[run][basis] = false;
    if (basis == 1 && !m_balanceDone) Balance();
    double* d = m_basis;
    if (basis == 4 && !m_balanceDone) Balance();
    const bool balanced = basis == 1 || basis == 4;
    for (int i = 0; i <= n; ++i) d[i] = balanced ? m_balance[i] : basis == 2 ? std::ldexp(1.0, -i) : 1.0;
    // A balancing that changed nothing gives no basis of its own (its rounding would be that
    // of the companion form or its dual, and the two would agree whatever their error).
    bool same = balanced;
    for (int i = 1; same && i <= n; ++i) same = d[i] == d[0];
    if (same) return false;
    AugMatrix& phiB = m_augV;
    const AugMatrix& phi = m_phiRun[run];
    if (basis == 3 || basis == 4) {
        // The dual form of the companion (or the balanced) basis: (Phi^T, c, Gamma) has the
        // same transfer function; basis 4 takes it in the balanced scaling,
        // Phi_b[i][j] = Phi[j][i]·d_i/d_j, Gamma_b[i] = c[i]·d_i/d_n, c_b[i] = Gamma[i]·d_n/d_i.
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) phiB[i][j] = phi[j][i] * (d[i] / d[j]);
            phiB[i][n] = m_bwRun[run][i] * (d[i] / d[n]);
            m_cBal[i] = phi[i][n] * (d[n] / d[i]);
        }
    } else {
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j <= n; ++j) phiB[i][j] = phi[i][j] * (d[j] / d[i]);
            m_cBal[i] = m_bwRun[run][i] * (d[i] / d[n]);
        }
    }
    m_candOk[run][basis] = Polynomials(phiB, m_candNum[run][basis], m_candEigen[run][basis],
                                       m_candHyman[run][basis], eigen ? &m_candEigOk[run][basis] : nullptr);
    return m_candOk[run][basis];
}

bool CTransferFunctionDiscretizer::Polynomials(const AugMatrix& phi, double* numOut, double* denOut, double* denHymanOut,
                                               bool* eigenOk) {
    const int n = m_n;
    // 4. Controller-Hessenberg form of (phi, gamma, c) by Householder reflections:
    //    h = phi[0..n-1][0..n-1], g = phi[.][n].
    AugMatrix& h = m_aug4;
    double* g = m_aug6[0];
    double* c = m_aug6[1];
    double* w = m_aug6[2];
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) h[i][j] = phi[i][j];
        g[i] = phi[i][n];
        c[i] = m_cBal[i];
    }
    // Small orders run the reflections over rows of a fixed width (columns n.. of h and c held
    // at zero), which the compiler unrolls and vectorizes.
    const bool fixedWidth = FixedWidth(n);
    if (fixedWidth)
        for (int i = 0; i < n; ++i) {
            for (int j = n; j < kFixedWidth; ++j) h[i][j] = 0.0;
        }
    if (fixedWidth)
        for (int j = n; j < kFixedWidth; ++j) c[j] = 0.0;
    double* sums = m_aug6[3];
    auto reflect = [&](const double* x, int from) -> bool {
        if (!fixedWidth) return HasAvx() ? ReflectAvx<0>(h, c, w, sums, x, from, n) : Reflect<0>(h, c, w, sums, x, from, n);
        return HasAvx() ? ReflectAvx<kFixedWidth>(h, c, w, sums, x, from, n)
                        : Reflect<kFixedWidth>(h, c, w, sums, x, from, n);
    };
    double gamma = 0.0;
    {
        double big = 0.0;
        for (int i = 0; i < n; ++i) big = std::max(big, std::fabs(g[i]));
        if (big == 0.0 || !std::isfinite(big)) return false;
        double norm2 = 0.0;
        for (int i = 0; i < n; ++i) norm2 += (g[i] / big) * (g[i] / big);
        gamma = (g[0] >= 0.0 ? -1.0 : 1.0) * std::sqrt(norm2) * big;
        if (n > 1) {
            double copy[kAug];
            for (int i = 0; i < n; ++i) copy[i] = g[i];
            if (!reflect(copy, 0)) return false;
        } else {
            gamma = g[0];
        }
    }
    double column[kAug];
    for (int k = 0; k + 2 < n; ++k) {
        for (int i = 0; i < n; ++i) column[i] = h[i][k];
        bool anyBelow = false;
        for (int i = k + 2; i < n; ++i) anyBelow = anyBelow || column[i] != 0.0;
        if (anyBelow) reflect(column, k + 1);
        for (int i = k + 2; i < n; ++i) h[i][k] = 0.0;
    }
    // (An entry of h that is not finite shows in the results, which are checked at the end.)

    // 5a. The denominator from the eigenvalues of H (Francis double-shift QR on a copy): the
    //     product of (z - lambda) over real eigenvalues and (z^2 - 2 Re lambda z + |lambda|^2)
    //     over conjugate pairs. Its coefficients inherit the accuracy of the eigenvalues of
    //     Phi, which decayed modes (eigenvalues near 0) do not spoil.
    AugMatrix& work = m_aug2;
    for (int i = 0; eigenOk != nullptr && i < n; ++i)
        for (int j = 0; j < n; ++j) work[i][j] = h[i][j];
    const bool eigenDone = eigenOk != nullptr && HessenbergEigenvalues(work, n, m_eigRe, m_eigIm);
    if (eigenOk != nullptr) *eigenOk = eigenDone;
    if (eigenDone) FromRoots(m_eigRe, m_eigIm, n, false, denOut);  // (checked at the end)

    // 5b. Hyman's recursion on each diagonal block of H (H splits only where a subdiagonal
    //     entry is exactly zero: dropping a small one changes the numerator by far more than
    //     its size suggests). In a block lo..hi: x_hi = 1,
    //     x_(i-1) = ((z - h_ii) x_i - sum_(i<j<=hi) h_ij x_j) / h_(i,i-1), and
    //     r = (z - h_lo,lo) x_lo - sum_(lo<j<=hi) h_lo,j x_j is the block's characteristic
    //     polynomial up to a factor; in the block of row 0, (zI - H)^-1 e_0 = x / r. The x_i are
    //     rescaled together when they grow, which leaves x / r unchanged. The numerator is
    //     gamma·c^T x / r times the characteristic polynomials of the blocks below.
    const int deg = n;  // polynomials hold coefficients 0..n
    auto step = [&](int i, int hi, double* out) {
        const double* xi = m_poly[i];
        out[0] = -h[i][i] * xi[0];
        for (int k = 1; k <= deg; ++k) out[k] = xi[k - 1] - h[i][i] * xi[k];
        if (FixedWidth(deg + 1)) {
            if (HasAvx())
                SubtractRowsAvx(out, h[i], m_poly, i + 1, hi);
            else
                SubtractRows(out, h[i], m_poly, i + 1, hi);
            return;
        }
        for (int j = i + 1; j <= hi; ++j) AxpyLong(out, m_poly[j], -h[i][j], deg + 1);
    };
    double* acc = m_accPoly;
    for (int k = 0; k <= deg; ++k) acc[k] = 0.0;
    acc[0] = 1.0;
    int accDegree = 0;
    double r[kAug];
    double q[kAug];
    double prod[kAug];
    auto multiplyInto = [&](double* p, int pDegree, const double* f, int fDegree) {
        for (int k = 0; k <= deg; ++k) prod[k] = 0.0;
        for (int i = 0; i <= pDegree; ++i)
            for (int j = 0; j <= fDegree && i + j <= deg; ++j) prod[i + j] += p[i] * f[j];
        for (int k = 0; k <= deg; ++k) p[k] = prod[k];
    };
    int hi = n - 1;
    while (hi >= 0) {
        int lo = hi;
        while (lo > 0 && h[lo][lo - 1] != 0.0) --lo;
        for (int k = 0; k <= deg; ++k) m_poly[hi][k] = 0.0;
        m_poly[hi][0] = 1.0;
        for (int i = hi; i > lo; --i) {
            const double sub = h[i][i - 1];
            double* out = m_poly[i - 1];
            step(i, hi, out);
            // A subdiagonal entry of subnormal size has no finite reciprocal: divide then.
            const double inverse = 1.0 / sub;
            double big = 0.0;
            if (std::isfinite(inverse)) {
                for (int k = 0; k <= deg; ++k) {
                    out[k] *= inverse;
                    big = std::max(big, std::fabs(out[k]));
                }
            } else {
                for (int k = 0; k <= deg; ++k) {
                    out[k] /= sub;
                    big = std::max(big, std::fabs(out[k]));
                }
            }
            if (!std::isfinite(big)) return false;
            if (big > 0x1p400)
                for (int j = i - 1; j <= hi; ++j)
                    for (int k = 0; k <= deg; ++k) m_poly[j][k] *= 0x1p-400;
        }
        step(lo, hi, r);
        const int blockDegree = hi - lo + 1;
        const double lead = r[blockDegree];
        if (lead == 0.0 || !std::isfinite(lead)) return false;
        if (lo == 0) {
            // c beyond the first block meets no part of (zI - H)^-1 e_0.
            for (int k = 0; k <= deg; ++k) q[k] = 0.0;
            for (int i = 0; i <= hi; ++i) {
                const double ci = c[i];
                for (int k = 0; k <= deg; ++k) q[k] += ci * m_poly[i][k];
            }
            for (int k = 0; k <= deg; ++k) q[k] = gamma * q[k] / lead;
        }
        for (int k = 0; k <= deg; ++k) r[k] /= lead;
        if (lo == 0) {
            // numerator = gamma·q·(blocks below), denominator = r·(blocks below)
            for (int k = 0; k <= deg; ++k) numOut[k] = q[k];
            multiplyInto(numOut, blockDegree - 1, acc, accDegree);
            multiplyInto(acc, accDegree, r, blockDegree);
        } else {
            multiplyInto(acc, accDegree, r, blockDegree);
            accDegree += blockDegree;
        }
        hi = lo - 1;
    }
    for (int k = 0; k <= n; ++k) {
        denHymanOut[k] = acc[k];
        if (!eigenDone) denOut[k] = acc[k];
        if (!std::isfinite(denOut[k]) || !std::isfinite(numOut[k]) || !std::isfinite(acc[k])) return false;
    }
    return true;
}

bool CTransferFunctionDiscretizer::HessenbergEigenvalues(AugMatrix& a, int n, double* wr, double* wi) {
    // Francis double-shift QR iteration with deflation at negligible subdiagonal entries;
    // a is destroyed. A conjugate pair lands in two consecutive entries; wi = 0 marks a real
    // eigenvalue.
    double anorm = 0.0;
    for (int i = 0; i < n; ++i)
        for (int j = std::max(i - 1, 0); j < n; ++j) anorm += std::fabs(a[i][j]);
    int nn = n - 1;
    double t = 0.0;
    while (nn >= 0) {
        int its = 0;
        int l = 0;
        do {
            for (l = nn; l >= 1; --l) {
                double s = std::fabs(a[l - 1][l - 1]) + std::fabs(a[l][l]);
                if (s == 0.0) s = anorm;
                if (std::fabs(a[l][l - 1]) + s == s) {
                    a[l][l - 1] = 0.0;
                    break;
                }
            }
            double x = a[nn][nn];
            if (l == nn) {
                wr[nn] = x + t;
                wi[nn] = 0.0;
                --nn;
            } else {
                double y = a[nn - 1][nn - 1];
                double w = a[nn][nn - 1] * a[nn - 1][nn];
                if (l == nn - 1) {
                    const double p = 0.5 * (y - x);
                    const double q = p * p + w;
                    double z = std::sqrt(std::fabs(q));
                    x += t;
                    if (q >= 0.0) {
                        z = p + std::copysign(z, p);
                        wr[nn - 1] = wr[nn] = x + z;
                        if (z != 0.0) wr[nn] = x - w / z;
                        wi[nn - 1] = wi[nn] = 0.0;
                    } else {
                        wr[nn - 1] = wr[nn] = x + p;
                        wi[nn - 1] = z;
                        wi[nn] = -z;
                    }
                    nn -= 2;
                } else {
                    if (its == 60) return false;
                    if (its == 10 || its == 20 || its == 40) {
                        // Exceptional shift.
                        t += x;
                        for (int i = 0; i <= nn; ++i) a[i][i] -= x;
                        const double s = std::fabs(a[nn][nn - 1]) + std::fabs(a[nn - 1][nn - 2]);
                        y = x = 0.75 * s;
                        w = -0.4375 * s * s;
                    }
                    ++its;
                    int m = nn - 2;
                    double p = 0.0;
                    double q = 0.0;
                    double r = 0.0;
                    double z = 0.0;
                    for (; m >= l; --m) {
                        z = a[m][m];
                        r = x - z;
                        double s = y - z;
                        p = (r * s - w) / a[m + 1][m] + a[m][m + 1];
                        q = a[m + 1][m + 1] - z - r - s;
                        r = a[m + 2][m + 1];
                        s = std::fabs(p) + std::fabs(q) + std::fabs(r);
                        p /= s;
                        q /= s;
                        r /= s;
                        if (m == l) break;
                        const double u = std::fabs(a[m][m - 1]) * (std::fabs(q) + std::fabs(r));
                        const double v = std::fabs(p) * (std::fabs(a[m - 1][m - 1]) + std::fabs(z) + std::fabs(a[m + 1][m + 1]));
                        if (u + v == v) break;
                    }
                    for (int i = m + 2; i <= nn; ++i) {
                        a[i][i - 2] = 0.0;
                        if (i != m + 2) a[i][i - 3] = 0.0;
                    }
                    for (int k = m; k <= nn - 1; ++k) {
                        if (k != m) {
                            p = a[k][k - 1];
                            q = a[k + 1][k - 1];
                            r = 0.0;
                            if (k != nn - 1) r = a[k + 2][k - 1];
                            if ((x = std::fabs(p) + std::fabs(q) + std::fabs(r)) != 0.0) {
                                p /= x;
                                q /= x;
                                r /= x;
                            }
                        }
                        const double s = std::copysign(std::sqrt(p * p + q * q + r * r), p);
                        if (s != 0.0) {
                            if (k == m) {
                                if (l != m) a[k][k - 1] = -a[k][k - 1];
                            } else {
                                a[k][k - 1] = -s * x;
                            }
                            p += s;
                            x = p / s;
                            y = q / s;
                            z = r / s;
                            q /= p;
                            r /= p;
                            for (int j = k; j <= nn; ++j) {
                                p = a[k][j] + q * a[k + 1][j];
                                if (k != nn - 1) {
                                    p += r * a[k + 2][j];
                                    a[k + 2][j] -= p * z;
                                }
                                a[k + 1][j] -= p * y;
                                a[k][j] -= p * x;
                            }
                            const int mmin = nn < k + 3 ? nn : k + 3;
                            for (int i = l; i <= mmin; ++i) {
                                p = x * a[i][k] + y * a[i][k + 1];
                                if (k != nn - 1) {
                                    p += z * a[i][k + 2];
                                    a[i][k + 2] -= p * r;
                                }
                                a[i][k + 1] -= p * q;
                                a[i][k] -= p;
                            }
                        }
                    }
                }
            }
        } while (nn >= 0 && l < nn - 1);
    }
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(wr[i]) || !std::isfinite(wi[i])) return false;
    return true;
}

void CTransferFunctionDiscretizer::GetResult(double* numOut, double* denOut, short* numOrderOut, short* denOrderOut,
                                             double* sampleTimeOut) const {
    const short n = m_n;
    for (short i = 0; i <= n; ++i) {
        if (numOut != nullptr) numOut[i] = i < n ? m_beta[i] : 0.0;
        if (denOut != nullptr) denOut[i] = i < n ? m_alpha[i] : 1.0;
    }
    if (numOrderOut != nullptr) *numOrderOut = n;
    if (denOrderOut != nullptr) *denOrderOut = n;
    if (sampleTimeOut != nullptr) *sampleTimeOut = m_T;
}

// ---------------------------------------------------------------------------------------
// The route of well separated real poles, in quadruple precision.

namespace {

__extension__ typedef __float128 Quad;

constexpr double kQuadEps = 0x1p-112;  // unit round-off of Quad, twice over

// Double-double numbers hi + lo (|lo| at most half a unit of hi's last place): about 104 bits
// in hardware arithmetic, many times faster than Quad.
struct DoubleDouble {
    double hi;
    double lo;
};
constexpr double kDoubleDoubleEps = 0x1p-100;  // relative error of one operation, with margin

inline DoubleDouble QuickTwoSum(double a, double b) {  // |a| >= |b|
    const double s = a + b;
    return {s, b - (s - a)};
}
inline DoubleDouble TwoSum(double a, double b) {
    const double s = a + b;
    const double v = s - a;
    return {s, (a - (s - v)) + (b - v)};
}
inline DoubleDouble Add(DoubleDouble a, DoubleDouble b) {
    DoubleDouble s = TwoSum(a.hi, b.hi);
    const DoubleDouble t = TwoSum(a.lo, b.lo);
    s = QuickTwoSum(s.hi, s.lo + t.hi);
    return QuickTwoSum(s.hi, s.lo + t.lo);
}
inline DoubleDouble Multiply(DoubleDouble a, DoubleDouble b) {
    const double p = a.hi * b.hi;
    const double e = std::fma(a.hi, b.hi, -p);
    return QuickTwoSum(p, e + (a.hi * b.lo + a.lo * b.hi));
}

// Newton's method in double-double on the monic a(s) (a[0..n-1] and a leading 1) from roots x
// that are already close (to about 1e-12), each root on its own, until its step is below a
// relative 1e-26 or below the rounding of its evaluation. bound[i] gets an error bound of
// root i from its residual and that rounding, slope[i] the derivative there. False when a root
// does not settle.
bool PolishDoubleDouble(const DoubleDouble* a, int n, DoubleDouble* x, double* bound, DoubleDouble* slopes) {
    for (int i = 0; i < n; ++i) {
        bool settled = false;
        for (int iteration = 0; iteration < 12; ++iteration) {
            DoubleDouble p{1.0, 0.0};
            DoubleDouble dp{0.0, 0.0};
            double size = 1.0;
            const double az = std::fabs(x[i].hi);
            for (int k = n - 1; k >= 0; --k) {
                dp = Add(Multiply(dp, x[i]), p);
                p = Add(Multiply(p, x[i]), a[k]);
                size = size * az + std::fabs(a[k].hi);
            }
            const double slope = dp.hi + dp.lo;
            if (slope == 0.0 || !std::isfinite(slope)) return false;
            const double noise = 4.0 * n * kDoubleDoubleEps * size / std::fabs(slope);
            bound[i] = (std::fabs(p.hi + p.lo) / std::fabs(slope) + noise) + kDoubleDoubleEps * az;
            if (!std::isfinite(bound[i])) return false;
            slopes[i] = dp;
            if (settled) break;  // the bound is that of the last root reached
            const double step = (p.hi + p.lo) / slope;
            x[i] = Add(x[i], DoubleDouble{-step, 0.0});
            settled = std::fabs(step) <= std::max(1e-26 * std::fabs(x[i].hi), noise);
        }
        if (!settled) return false;
    }
    return true;
}

// Multi-precision numbers (GMP) of one precision, released together.
class MpArray {
public:
    MpArray(int count, mp_bitcnt_t bits) : m_items(static_cast<size_t>(count)) {
        for (auto& item : m_items) mpf_init2(&item, bits);
    }
    ~MpArray() {
        for (auto& item : m_items) mpf_clear(&item);
    }
    MpArray(const MpArray&) = delete;
    MpArray& operator=(const MpArray&) = delete;
    mpf_ptr operator[](int i) { return &m_items[static_cast<size_t>(i)]; }

private:
    std::vector<__mpf_struct> m_items;
};

// Binary exponent of x (x = f·2^e with 0.5 <= |f| < 1); very small for 0.
long ExponentOf(mpf_srcptr x) {
    if (mpf_sgn(x) == 0) return std::numeric_limits<int>::min();
    long e = 0;
    mpf_get_d_2exp(&e, x);
    return e;
}

// out = e^x: the series of e^(x/2^s) with |x/2^s| < 2^-16, squared s times.
void ExpMp(mpf_ptr out, mpf_srcptr x, mp_bitcnt_t bits) {
    const long ex = ExponentOf(x);
    const long s = std::max(0L, ex + 16);
    MpArray w(3, bits + 64);
    mpf_div_2exp(w[0], x, static_cast<mp_bitcnt_t>(s));
    mpf_set_ui(w[1], 1);  // term
    mpf_set_ui(w[2], 1);  // sum
    for (unsigned long k = 1; k < 100000; ++k) {
        mpf_mul(w[1], w[1], w[0]);
        mpf_div_ui(w[1], w[1], k);
        mpf_add(w[2], w[2], w[1]);
        if (ExponentOf(w[1]) < -static_cast<long>(bits) - 80) break;
    }
    for (long i = 0; i < s; ++i) mpf_mul(w[2], w[2], w[2]);
    mpf_set(out, w[2]);
}

// The poles `start` (real, distinct) of the monic a(s) (a[0..n], exact doubles) polished by
// Newton's method at the precision of x, into x[0..n-1], with the slopes a'(start) `slopes`
// kept throughout (a slope beyond the range of a double is found by the first step instead).
// False when Newton's method does not settle or a value is not finite.
bool PolishPolesMp(const double* a, const Quad* start, const Quad* slopes, int n, mp_bitcnt_t bits, MpArray& x) {
    // GMP traps (SIGFPE) on a double that is not finite: every double handed to it is
    // checked here first, and such an input is refused like any other that cannot be vouched for.
    for (int k = 0; k <= n; ++k)
        if (!std::isfinite(a[k])) return false;
    auto representable = [](Quad v) {
        const double hi = static_cast<double>(v);
        return std::isfinite(hi) && std::isfinite(static_cast<double>(v - static_cast<Quad>(hi)));
    };
    for (int i = 0; i < n; ++i)
        if (!representable(start[i])) return false;
    MpArray coefficients(n, bits);
    MpArray w(3, bits);
    mpf_ptr p = w[0];
    mpf_ptr dp = w[1];
    mpf_ptr tmp = w[2];
    for (int k = 0; k < n; ++k) mpf_set_d(coefficients[k], a[k]);
    // The slope is the caller's, kept: the poles start within a relative 2^-100 or so
    // (distinct and well apart, as the caller checked) and the slope is as close, so each step
    // still gains about 100 bits, at half the work of a step that evaluates the slope anew.
    auto set = [&](mpf_ptr to, Quad v) {
        const double hi = static_cast<double>(v);
        mpf_set_d(to, hi);
        mpf_set_d(tmp, static_cast<double>(v - static_cast<Quad>(hi)));
        mpf_add(to, to, tmp);
    };
    for (int i = 0; i < n; ++i) {
        set(x[i], start[i]);
        const bool slopeGiven = representable(slopes[i]);
        if (slopeGiven)
            set(dp, slopes[i]);
        else
            mpf_set_ui(dp, 0);
        bool settled = false;
        long previous = 0;  // binary exponent of the step before
        for (int iteration = 0; iteration < 40 && !settled; ++iteration) {
            mpf_set_ui(p, 1);
            if (iteration == 0 && !slopeGiven) {
                for (int k = n - 1; k >= 0; --k) {
                    mpf_mul(dp, dp, x[i]);
                    mpf_add(dp, dp, p);
                    mpf_mul(p, p, x[i]);
                    mpf_add(p, p, coefficients[k]);
                }
            } else {
                for (int k = n - 1; k >= 0; --k) {
                    mpf_mul(p, p, x[i]);
                    mpf_add(p, p, coefficients[k]);
                }
            }
            if (mpf_sgn(p) == 0) break;
            if (mpf_sgn(dp) == 0) return false;
            mpf_div(tmp, p, dp);
            mpf_sub(x[i], x[i], tmp);
            // Settled when this step, or the error left after it, is below the precision. The
            // steps of a kept slope shrink by a steady ratio q, bounded from the last two steps'
            // exponents; for q <= 2^-8 the error left is below 2q times this step.
            const long step = ExponentOf(tmp);
            const long limit = ExponentOf(x[i]) - static_cast<long>(bits) + 24;
            const long ratio = step - previous + 1;
            settled = mpf_sgn(x[i]) == 0 || step < limit || (iteration > 0 && ratio <= -8 && step + ratio + 1 < limit);
            previous = step;
        }
        if (!settled && mpf_sgn(p) != 0) return false;
    }
    return true;
}

// G(z) of the hold at a working precision of `bits`, from b[0..n-1] and the poles `poles`
// (polished at this precision or a higher one, which is rounded to this one). alpha = prod
// (z - e^(x T)), beta = sum_i r_i (e^(x_i T) - 1)/x_i prod_(j != i) (z - e^(x_j T)) with
// r_i = b(x_i) / prod_(j != i) (x_i - x_j). With `computeModes` the modes e^(x_i T) and the
// factors r_i (e^(x_i T) - 1)/x_i are computed and handed out in `modes` and `factors`
// (arrays of this precision); else they are taken from there, rounded to this precision (a
// run at a lower precision, whose error then still follows that precision). magnitude, where
// given, gets the largest sum_i |term_i[k]|. False when a value is not finite in double.
bool PartialFractionsMp(const double* b, MpArray& poles, bool computeModes, MpArray& modes, MpArray& factors, int n,
                        double t, mp_bitcnt_t bits, double* beta, double* alpha, double* magnitude) {
    if (!std::isfinite(t)) return false;
    for (int k = 0; k < n; ++k)
        if (!std::isfinite(b[k])) return false;
    MpArray x(n, bits);
    MpArray lam(n, bits);
    MpArray f(n, bits);
    MpArray al(n + 1, bits);
    MpArray be(n + 1, bits);
    MpArray q(n + 1, bits);
    MpArray w(5, bits);
    mpf_ptr p = w[0];
    mpf_ptr tmp = w[2];
    mpf_ptr tt = w[3];
    mpf_ptr acc = w[4];
    mpf_set_d(tt, t);
    for (int i = 0; i < n; ++i) mpf_set(x[i], poles[i]);
    // b(x) by Horner's rule from its highest non-zero coefficient (the zeros above it add
    // exact zeros).
    int top = n - 1;
    while (top > 0 && b[top] == 0.0) --top;
    MpArray bm(top + 1, bits);
    for (int k = 0; k <= top; ++k) mpf_set_d(bm[k], b[k]);
    // 2. The sampled poles, the residues times (e^(x T) - 1)/x, and the denominator.
    for (int i = 0; i < n && !computeModes; ++i) {
        mpf_set(lam[i], modes[i]);
        mpf_set(f[i], factors[i]);
    }
    for (int i = 0; i < n && computeModes; ++i) {
        mpf_mul(tmp, x[i], tt);
        // Beyond e^-20000 a mode is 0 far below any working precision; growth beyond e^10000
        // leaves the range of a double.
        const double exponent = mpf_get_d(tmp);
        if (exponent > 1e4) return false;
        if (exponent < -2e4)
            mpf_set_ui(lam[i], 0);
        else
            ExpMp(lam[i], tmp, bits);
        mpf_set_ui(acc, 1);
        for (int j = 0; j < n; ++j)
            if (j != i) {
                mpf_sub(tmp, x[i], x[j]);
                if (mpf_sgn(tmp) == 0) return false;
                mpf_mul(acc, acc, tmp);
            }
        mpf_set_ui(p, 0);
        for (int k = top; k >= 0; --k) {
            mpf_mul(p, p, x[i]);
            mpf_add(p, p, bm[k]);
        }
        mpf_div(f[i], p, acc);
        if (mpf_sgn(x[i]) == 0) {
            mpf_mul(f[i], f[i], tt);
        } else {
            mpf_sub_ui(tmp, lam[i], 1);
            mpf_mul(f[i], f[i], tmp);
            mpf_div(f[i], f[i], x[i]);
        }
        mpf_set(modes[i], lam[i]);
        mpf_set(factors[i], f[i]);
    }
    for (int k = 0; k <= n; ++k) {
        mpf_set_ui(al[k], k == 0 ? 1 : 0);
        mpf_set_ui(be[k], 0);
        if (magnitude != nullptr) magnitude[k] = 0.0;
    }
    for (int j = 0; j < n; ++j) {
        for (int k = j + 1; k >= 1; --k) {
            mpf_mul(tmp, lam[j], al[k]);
            mpf_sub(al[k], al[k - 1], tmp);
        }
        mpf_mul(al[0], lam[j], al[0]);
        mpf_neg(al[0], al[0]);
    }
    // 3. The numerator: alpha / (z - lambda_i) by synthetic division (from the top for
    //    lambda <= 1, from the bottom above, so that errors shrink), times f_i.
    for (int i = 0; i < n; ++i) {
        if (mpf_cmp_ui(lam[i], 1) <= 0) {
            mpf_set_ui(q[n - 1], 1);
            for (int k = n - 1; k >= 1; --k) {
                mpf_mul(tmp, lam[i], q[k]);
                mpf_add(q[k - 1], al[k], tmp);
            }
        } else {
            mpf_div(q[0], al[0], lam[i]);
            mpf_neg(q[0], q[0]);
            for (int k = 1; k < n; ++k) {
                mpf_sub(tmp, q[k - 1], al[k]);
                mpf_div(q[k], tmp, lam[i]);
            }
        }
        for (int k = 0; k < n; ++k) {
            mpf_mul(tmp, f[i], q[k]);
            mpf_add(be[k], be[k], tmp);
            if (magnitude != nullptr) magnitude[k] += std::fabs(mpf_get_d(tmp));
        }
    }
    for (int k = 0; k < n; ++k) {
        beta[k] = mpf_get_d(be[k]);
        alpha[k] = mpf_get_d(al[k]);
        if (!std::isfinite(beta[k]) || !std::isfinite(alpha[k])) return false;
        if (magnitude != nullptr && !std::isfinite(magnitude[k])) return false;
    }
    return true;
}

// Aberth's iteration on the monic polynomial a[0..n-1] (and a leading 1) from the roots x,
// until no root moves by more than `tolerance` relative to itself. The number of iterations
// that converged; 0 when `limit` iterations did not; -1 when a step is not finite (x then
// holds the values of that moment).
template <typename T>
int AberthSteps(const T* a, int n, T* x, double tolerance, int limit) {
    for (int iteration = 0; iteration < limit; ++iteration) {
        double largest = 0.0;
        for (int i = 0; i < n; ++i) {
            T p = 1;
            T dp = 0;
            for (int k = n - 1; k >= 0; --k) {
                dp = dp * x[i] + p;
                p = p * x[i] + a[k];
            }
            if (p == 0) continue;
            T sum = 0;
            for (int j = 0; j < n; ++j)
                if (j != i) {
                    T d = x[i] - x[j];
                    if (d == 0) {  // equal starting values: move one apart
                        x[i] += x[i] == 0 ? T(1e-3) : x[i] * T(1e-3);
                        d = x[i] - x[j];
                    }
                    sum += 1 / d;
                }
            const T ratio = p / dp;
            const T step = ratio / (1 - ratio * sum);
            x[i] -= step;
            const double rel = std::fabs(static_cast<double>(step)) /
                               std::max(std::fabs(static_cast<double>(x[i])), std::numeric_limits<double>::min());
            if (!std::isfinite(rel)) return -1;
            largest = std::max(largest, rel);
        }
        if (largest <= tolerance) return iteration + 1;
    }
    return 0;
}

} // namespace

void CTransferFunctionDiscretizer::PoleRoute() {
    const int n = m_n;
    if (n < 1) return;
    Quad a[kSize];
    Quad b[kSize];
    for (int k = 0; k <= n; ++k) {
        a[k] = static_cast<Quad>(m_aHat[k]) / static_cast<Quad>(m_aHat[n]);
        b[k] = k < n && k <= m_m ? static_cast<Quad>(m_b[k]) / static_cast<Quad>(m_aHat[n]) : 0;
    }
    // 1. Starting values. Where the magnitudes of the coefficients are log-concave with a
    //    margin (each point of the Newton polygon a vertex, its neighbours' slopes apart by a
    //    factor of 1.3 or more: real roots of distinct sizes, as the same-signed poles of a
    //    stable plant), each root lies near -a_k/a_(k+1); those start better than eigenvalues
    //    whose relative accuracy the spread has spoilt. Log-concave with a smaller margin means
    //    real roots that crowd (evenly spaced poles): not for this route.
    Quad x[kSize];
    bool concave = true;
    double margin = std::numeric_limits<double>::infinity();
    for (int k = 0; k <= n && concave; ++k) concave = m_aHat[k] != 0.0;
    for (int k = 1; k < n && concave; ++k) {
        const double gap = 2.0 * std::log2(std::fabs(m_aHat[k])) - std::log2(std::fabs(m_aHat[k - 1])) -
                           std::log2(std::fabs(m_aHat[k + 1]));
        concave = gap > 0.0;
        margin = std::min(margin, gap);
    }
    if (concave && margin < std::log2(1.3)) return;
    if (concave) {
        for (int k = 0; k < n; ++k) x[k] = -a[k] / a[k + 1];
    } else {
        // Else the eigenvalues of the balanced companion matrix (upper Hessenberg: ones below
        // the diagonal, -a in the last column).
        AugMatrix& h = m_aug2;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) h[i][j] = (i == j + 1 ? 1.0 : 0.0) + (j == n - 1 ? -static_cast<double>(a[i]) : 0.0);
        for (int sweep = 0; sweep < 200; ++sweep) {
            bool changed = false;
            for (int i = 0; i < n; ++i) {
                double c = 0.0;
                double r = 0.0;
                for (int j = 0; j < n; ++j) {
                    if (j == i) continue;
                    c += std::fabs(h[j][i]);
                    r += std::fabs(h[i][j]);
                }
                if (c == 0.0 || r == 0.0) continue;
                const double s = c + r;
                double f = 1.0;
                while (c < r / 2.0 && f < 0x1p300) f *= 2.0, c *= 2.0, r /= 2.0;
                while (c / 2.0 >= r && f > 0x1p-300) f /= 2.0, c /= 2.0, r *= 2.0;
                if (c + r >= 0.95 * s) continue;
                for (int j = 0; j < n; ++j) {
                    h[i][j] /= f;
                    h[j][i] *= f;
                }
                changed = true;
            }
            if (!changed) break;
        }
        if (!HessenbergEigenvalues(h, n, m_eigRe, m_eigIm)) return;
        for (int i = 0; i < n; ++i) {
            // A pair that rounding made complex starts as two nearby real values; complex poles
            // are not for this route.
            x[i] = m_eigRe[i];
            if (std::fabs(m_eigIm[i]) > 1e-3 * std::fabs(m_eigRe[i])) return;
            if (m_eigIm[i] != 0.0) {
                const double spread = std::max(std::fabs(m_eigIm[i]), 1e-3 * std::fabs(m_eigRe[i]));
                x[i] = m_eigRe[i] + (m_eigIm[i] > 0.0 ? spread : -spread);
            }
        }
    }
    // 2. Aberth's iteration on the monic a(s): in long double to a relative 1e-12 (hardware
    //    arithmetic, several times faster; closer than that its evaluation may stall on
    //    rounding), then closer in double-double or quadruple precision.
    auto evaluate = [&](Quad z, Quad* value, Quad* slope, Quad* size) {
        Quad p = 1;
        Quad dp = 0;
        Quad s = 1;
        const Quad az = z < 0 ? -z : z;
        for (int k = n - 1; k >= 0; --k) {
            dp = dp * z + p;
            p = p * z + a[k];
            s = s * az + (a[k] < 0 ? -a[k] : a[k]);
        }
        *value = p;
        *slope = dp;
        if (size != nullptr) *size = s;
    };
    // Where the long double iteration converged, each root only needs polishing: Newton's
    // method in double-double, root by root, with the error bounds from its last evaluation.
    // Else, or where that does not settle or its bounds are too wide to tell the poles apart,
    // Aberth's iteration goes on in quadruple precision from the long double roots.
    double bound[kSize];
    Quad slopes[kSize];
    // The poles must be far apart compared with their bounds (distinct roots, each found once).
    auto apart = [&]() {
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                if (std::fabs(static_cast<double>(x[i] - x[j])) <= 1e6 * (bound[i] + bound[j])) return false;
        return true;
    };
    bool polished = false;
    {
        long double al[kSize];
        long double xl[kSize];
        for (int k = 0; k < n; ++k) {
            al[k] = static_cast<long double>(a[k]);
            xl[k] = static_cast<long double>(x[k]);
        }
        const int steps = AberthSteps(al, n, xl, 1e-12, 20);
        if (steps > 0) {
            DoubleDouble ad[kSize];
            DoubleDouble xd[kSize];
            DoubleDouble sd[kSize];
            for (int k = 0; k < n; ++k) {
                ad[k].hi = static_cast<double>(a[k]);
                ad[k].lo = static_cast<double>(a[k] - static_cast<Quad>(ad[k].hi));
                xd[k].hi = static_cast<double>(xl[k]);
                xd[k].lo = static_cast<double>(xl[k] - static_cast<long double>(xd[k].hi));
            }
            if (PolishDoubleDouble(ad, n, xd, bound, sd)) {
                for (int k = 0; k < n; ++k) {
                    x[k] = static_cast<Quad>(xd[k].hi) + static_cast<Quad>(xd[k].lo);
                    slopes[k] = static_cast<Quad>(sd[k].hi) + static_cast<Quad>(sd[k].lo);
                }
                polished = apart();
            }
        }
        if (!polished && steps >= 0)
            for (int k = 0; k < n; ++k) x[k] = xl[k];
    }
    if (!polished) {
        if (!(AberthSteps(a, n, x, 1e-26, 60) > 0)) return;
        // 3. An error bound for each pole from the residual and its rounding.
        for (int i = 0; i < n; ++i) {
            Quad p;
            Quad dp;
            Quad size = 0;
            evaluate(x[i], &p, &dp, &size);
            if (dp == 0) return;
            slopes[i] = dp;
            const Quad ratio = ((p < 0 ? -p : p) + 4 * n * kQuadEps * size) / (dp < 0 ? -dp : dp);
            bound[i] = std::fabs(static_cast<double>(ratio)) + kQuadEps * std::fabs(static_cast<double>(x[i]));
            if (!std::isfinite(bound[i])) return;
        }
        if (!apart()) return;
    }
    // 4. The partial fractions in multi-precision, at two precisions 64 bits apart; the
    //    precision grows with the cancellation the sums meet (their terms' size over the
    //    result's) until the two agree to well below 1e-8. The difference of the two is the
    //    error estimate of the less precise, the result is the more precise.
    double magsHi[kSize + 1];
    double b2[kSize];
    double a2[kSize + 1];
    for (int k = 0; k <= n; ++k) a2[k] = static_cast<double>(a[k]);
    for (int k = 0; k < n; ++k) b2[k] = static_cast<double>(b[k]);
    double* betaLo = m_aug6[0];
    double* alphaLo = m_aug6[1];
    double* betaHi = m_aug6[2];
    double* alphaHi = m_aug6[3];
    mp_bitcnt_t bits = 256;
    for (int attempt = 0; attempt < 6; ++attempt) {
        // The poles, the modes and the partial fractions' factors are computed once, at the
        // higher precision; the run at the lower one rounds them, and its sums then show the
        // rounding of that precision against the cancellation.
        MpArray poles(n, bits + 64);
        MpArray modes(n, bits + 64);
        MpArray factors(n, bits + 64);
        if (!PolishPolesMp(a2, x, slopes, n, bits + 64, poles)) return;
        if (!PartialFractionsMp(b2, poles, true, modes, factors, n, m_T, bits + 64, betaHi, alphaHi, magsHi)) return;
        if (!PartialFractionsMp(b2, poles, false, modes, factors, n, m_T, bits, betaLo, alphaLo, nullptr)) return;
        double numBig = 0.0;
        double denBig = 1.0;
        double numDiff = 0.0;
        double denDiff = 0.0;
        double cancel = 0.0;
        for (int k = 0; k < n; ++k) {
            numBig = std::max(numBig, std::fabs(betaHi[k]));
            denBig = std::max(denBig, std::fabs(alphaHi[k]));
            numDiff = std::max(numDiff, std::fabs(betaHi[k] - betaLo[k]));
            denDiff = std::max(denDiff, std::fabs(alphaHi[k] - alphaLo[k]));
            cancel = std::max(cancel, magsHi[k]);
        }
        // A numerator of subnormal size carries too few digits in a double.
        if (!(numBig >= 1e-300)) return;
        const double estimate =
            kEstimateSafety * std::max(numDiff / numBig, denDiff / denBig) + 2.0 * kEps * n;
        if (estimate <= 1e-9) {
            if (!(estimate < m_errorEstimate)) return;
            for (int k = 0; k < n; ++k) {
                m_beta[k] = betaHi[k];
                m_alpha[k] = alphaHi[k];
            }
            m_errorEstimate = estimate;
            return;
        }
        // Enough bits for the cancellation and 60 more.
        const double need = std::max(std::log2(cancel) - std::log2(numBig), 0.0) + 128.0;
        if (!std::isfinite(need)) return;
        bits = std::max(bits + 128, static_cast<mp_bitcnt_t>(need));
        if (bits > 16384) return;
    }
}
