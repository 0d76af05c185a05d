// Zero-order-hold discretizer of transfer functions: turns
//   G(s) = (b_0 + b_1 s + ... + b_m s^m) / (a_0 + a_1 s + ... + a_n s^n)
// into the step-invariant G(z) = (beta_(n-1) z^(n-1) + ... + beta_0) / (z^n + alpha_(n-1) z^(n-1)
// + ... + alpha_0) that a zero-order hold in front of G(s), sampled every T seconds, produces.
//
// The class keeps the classic step operations (companion form, Taylor series on a subdivided
// interval, Faddeev-LeVerrier recursion), each callable on its own on the fixed-size storage
// below (indices 1..n for matrices and state vectors). `Discretize` itself takes a numerically
// stable route, since the classic one loses up to three digits at orders 6 to 10 and all of
// them from order 20 on:
//   1. the time is scaled by a power of two so that the companion form has entries of moderate
//      size (a coefficient spread becomes harmless);
//   2. the exponential of the augmented matrix [[A, B], [0, 0]]·T comes from a Pade
//      approximant with scaling and squaring (the number of squarings grows with log2 of the
//      norm, never with the spread itself);
//   3. (Phi, Gamma, C) are brought to controller-Hessenberg form by Householder reflections, in
//      up to five bases of the state (the companion form, its dual, a graded and a balanced
//      similarity by powers of two, the dual of the balanced one), and the numerator and
//      denominator follow from Hyman's
//      recursion on that form; the denominator also from the eigenvalues of Phi (Francis QR), which stays
//      accurate where modes have decayed within the sample time.
// `ErrorEstimate` is a posteriori: a second run (one more squaring, coefficients and Phi
// perturbed at the level of their rounding) samples the error of the exponential and the
// sensitivity to the input's rounding, and candidates of another basis (whose rounding takes an
// independent path) sample that of the polynomial stage. The first comparison does both at
// once: the companion basis of the first run against the dual basis of the second; where the
// two agree to 1e-11, ten times their distance is the estimate. Else (where the two are within
// 1e-4) a second comparison of the same kind: the companion and balanced bases of the first run
// against the dual and balanced-dual bases of the second (the denominator also against the
// eigenvalues of the second run's companion matrix), taken where each polynomial's closest
// pair agrees to 1e-11 and the denominator's constant coefficient is det(Phi) =
// e^(trace(A) T). Else each polynomial is the
// candidate of the first run closest to one of another basis, compared also with its own basis
// in the second run, and ten times the larger of the two distances is the estimate (a
// denominator from eigenvalues, which cluster alike in every basis, at least ten times its
// distance to an answer on which Hyman's recursion in two bases agrees). Over the test corpus
// and random cases of orders 1 to 10 it lies within a factor of about 0.2 to 10^3 of the true
// error (median 17), where a first-order bound summed through the recursion is off by up to
// 10^20. Callers refuse a result whose estimate is above what they need; Status does so above
// 1e-8. Where the numerators of all four bases are in and no two of them agree to 1e-9, the
// search stops there: no later step could bring the estimate below 1e-8, so the result is
// refused, with ten times that closest distance as its estimate (a lower bound of the full
// one). An estimate above 1e-8 may thus be a lower bound only, and is no ground to accept.
// Where that estimate is above 1e-8 (high orders whose poles spread), a second route takes
// over when the poles are real and far apart: the roots of the denominator by Aberth's
// iteration in long double (started from -a_k/a_(k+1) where the coefficients are
// log-concave, else from the eigenvalues of the companion matrix), polished by Newton's
// method in double-double (or, where that iteration did not converge, Aberth's in quadruple
// precision), each with an error bound from its residual; then Newton's method and the
// partial fractions of the hold,
// G(z) = sum r_i (e^(p_i T) - 1)/p_i / (z - e^(p_i T)), r_i = b(p_i)/prod_(j!=i)(p_i - p_j),
// in GMP multi-precision. The numerator's coefficients cancel by up to 10^300 in that sum, so
// the precision follows the cancellation met (the terms' size over the result's), and the
// sums run at two precisions 64 bits apart (the poles, modes and factors computed at the
// higher one, rounded for the lower): ten times their difference is the estimate. A numerator below the normal range of a double is refused.
//
// Exact zero poles (a_0 = ... = a_(z-1) = 0: integrators) come first: each gives a factor
// (z - 1) in closed form, G = P(s)/s^z + Q(s)/a'(s) by the Taylor series of b/a' at 0, and
// only Q/a' takes the route above (the repeated eigenvalue 1 of the zero poles costs that route
// digits and its fast path). The estimate follows the parts' errors through the sums; where
// they cancel too much (short sample times), the route above also runs on the whole and the
// result with the smaller estimate is kept. After such a split, Phi and Gamma hold those of
// Q/a'.
//
// No memory is allocated during a computation except by the multi-precision route (its GMP
// numbers); the object is large (about 1.6 MB), so hold it on the heap.
#pragma once

#include <cstddef>

class CTransferFunctionDiscretizer {
public:
    static constexpr int kMaxOrder = 100;
    static constexpr int kSize = kMaxOrder + 1;
    using Vector = double[kSize];
    using Matrix = double[kSize][kSize];

    // Outcome of the last `Discretize`.
    enum class Status {
        None,          // nothing computed yet
        Done,          // the result holds G(z)
        InvalidInput,  // order outside 0..100, leading denominator coefficient zero or not
                       // finite, sample time not a positive finite number, a non-finite
                       // coefficient or scale: the result is cleared
        Inaccurate,    // computed, but the error estimate is not small (or a step broke down)
    };

    CTransferFunctionDiscretizer();

    // Clears every vector and matrix except the two G(z) vectors; m = 1, n = 2, scale 1, T = 0.
    void Init();
    // den[0..denOrder] and num[0..numOrder], index k the coefficient of s^k.
    void Discretize(const double* den, const double* num, short numOrder, short denOrder, double scale,
                    double sampleTime);
    // Entries 0..n of both polynomials of G(z) (entry n: 0 for the numerator, 1 for the
    // denominator), n in both order outputs and the stored sample time.
    void GetResult(double* numOut, double* denOut, short* numOrderOut, short* denOrderOut,
                   double* sampleTimeOut) const;

    Status GetStatus() const { return m_status; }
    // Estimated normwise relative error of the last result: max over both polynomials of
    // max|error| / max|coefficient| (the denominator's leading 1 included). Infinite when the
    // computation broke down; above 1e-8 (a refused result) possibly a lower bound only.
    double ErrorEstimate() const { return m_errorEstimate; }

    // --- classic step operations ------------------------------------------------------
    void BuildStateSpace(short n);
    void Normalize(short n, short m);
    void PrepareStateSpace();
    static void ScaleByPowers(const double* src, short n, double x, double* dst);
    // x^n for integer n >= 0 by repeated squaring: exact signs for negative x, 0^0 = 1.
    static double Power(short n, double x);
    void SetIdentity(short n);
    void ComputeSubdivision();
    void ComputeTransition();
    void ComputeSubdivided();
    void ComputeSeriesStep();
    void MatrixExponential();
    void AccumulateInput(const Matrix& phi1, const Vector& gamma1);
    void PowerMatrix(const Matrix& x, long p, short n, Matrix& dst);
    void PowerTransition(const Matrix& x);
    void ComputePolynomials();
    void StateSpaceToPolynomials(const Matrix& phi, const Vector& gamma, const Vector& c, short n, double* den,
                                 double* num);
    void MultiplyMatrices(const Matrix& x, const Matrix& y, short inner, short rows, short cols, Matrix& dst);
    void AddMatrices(const Matrix& x, const Matrix& y, short cols, short rows, Matrix& dst);
    void ScaleMatrix(const Matrix& x, double c, short cols, short rows, Matrix& dst);
    void MultiplyMatrixVector(const Matrix& m, const Vector& v, short rows, short cols, Vector& dst);
    static void ScaleVector(const Vector& v, double c, short n, Vector& dst);
    static void DotProduct(const Vector& v, const Vector& w, short n, double& result);
    static void Trace(const Matrix& m, short n, double& result);

    // Read access for the step operations' results.
    short NumeratorOrder() const { return m_m; }
    short DenominatorOrder() const { return m_n; }
    double Scale() const { return m_scale; }
    double SampleTime() const { return m_T; }
    double SubSteps() const { return m_k; }
    const Matrix& A() const { return m_A; }
    const Vector& B() const { return m_B; }
    const Vector& C() const { return m_C; }
    const Matrix& Phi() const { return m_Phi; }
    const Vector& Gamma() const { return m_Gamma; }
    const Matrix& Psi() const { return m_Psi; }
    const Vector& ScaledDenominator() const { return m_aHat; }
    const Vector& ResultNumerator() const { return m_beta; }
    const Vector& ResultDenominator() const { return m_alpha; }
    bool TransitionDone() const { return m_transitionDone; }
    bool PolynomialsDone() const { return m_polynomialsDone; }

    // Direct access for callers that run the step operations on their own data.
    void SetOrders(short m, short n) { m_m = m; m_n = n; }
    void SetSampleTime(double t) { m_T = t; }
    void SetSubSteps(double k) { m_k = k; }
    Vector& NumeratorCoefficients() { return m_b; }
    Vector& DenominatorCoefficients() { return m_a; }
    void SetScale(double scale) { m_scale = scale; }

private:
    static constexpr int kAug = kSize + 1;  // augmented dimension for order 100
    using AugMatrix = double[kAug][kAug];

    // Bases 0..3 serve the full search; basis 4 (the dual of the balanced one) only the quick
    // pairs of the second run.
    static constexpr int kBases = 5;
    static constexpr int kSearchBases = 4;
    static constexpr int kCompanionEigen = 2 * kBases;  // candidate index of that denominator
    // The route of the companion form on m_aHat, m_b, m_n and m_m: writes the result and its
    // estimate (the pole route below included).
    void ConvertCompanion();
    // Exact zero poles (the lowest `zeros` coefficients of the denominator zero) split off in
    // closed form, the rest by ConvertCompanion. False where the split cannot vouch for its
    // parts (nothing written then).
    bool SplitZeroPoles(int zeros);
    bool StableRoute(int run, int extraSquarings, bool perturb);
    bool Stage(int run, int basis, bool eigen);
    // Where the first comparison fails: the next cheapest pairs of independent candidates.
    // Writes the result and both estimates when they agree to kEnough.
    void QuickPairs(double numApart, double denApart, double* numEst, double* denEst);
    void Balance();
    bool CompanionEigenDenominator(int run);
    // The route of well separated real poles (used where the one above is refused): the
    // poles to quadruple precision, then G(z) from the partial fractions of the hold. Writes
    // the result and its estimate when it is better than the present one.
    void PoleRoute();
    // Both polynomials from the augmented exponential phi (rows 0..n-1: Phi, then Gamma) and
    // m_cBal; eta is the relative error level of phi.
    bool Polynomials(const AugMatrix& phi, double* numOut, double* denOut, double* denHymanOut, bool* eigenOk);
    static bool HessenbergEigenvalues(AugMatrix& a, int n, double* wr, double* wi);
    void ClearResult();

    short m_m = 1;
    short m_n = 2;
    double m_scale = 1.0;
    double m_T = 0.0;
    double m_k = 1.0;
    Vector m_b{};
    Vector m_a{};
    Vector m_aHat{};
    Matrix m_A{};
    Vector m_B{};
    Vector m_C{};
    Matrix m_I{};
    Matrix m_AT{};
    Matrix m_Psi{};
    Matrix m_Phi{};
    Vector m_Gamma{};
    Matrix m_Phi1{};
    Vector m_Gamma1{};
    Vector m_beta{};
    Vector m_alpha{};
    bool m_transitionDone = false;
    bool m_polynomialsDone = false;
    Status m_status = Status::None;
    double m_errorEstimate = 0.0;

    // Work storage of the matrix routines and of the stable route.
    Matrix m_work1{};
    Matrix m_work2{};
    Matrix m_work3{};
    Vector m_workVec{};
    AugMatrix m_aug{};
    AugMatrix m_aug2{};
    AugMatrix m_aug4{};
    AugMatrix m_aug6{};
    AugMatrix m_augU{};
    AugMatrix m_augV{};
    AugMatrix m_augT{};
    Vector m_accPoly{};
    // Candidates of the two runs [run][basis]: numerator, denominator from the eigenvalues,
    // denominator by Hyman's recursion.
    Vector m_candNum[2][kBases]{};
    Vector m_candEigen[2][kBases]{};
    Vector m_candHyman[2][kBases]{};
    bool m_candOk[2][kBases]{};
    bool m_balancedAside = false;  // the quick comparison's first-run balanced candidates stand ready
    bool m_candEigOk[2][kBases]{};
    Vector m_candAEig[2]{};
    bool m_candAEigOk[2]{};
    double m_basis[kAug]{};
    AugMatrix m_phiRun[2]{};  // [[Phi, Gamma]] of each run
    Vector m_bwRun[2]{};      // c of each run
    Vector m_awRun0{};        // the monic time-scaled denominator of the first run
    Vector m_bwRun0{};        // and the numerator
    double m_tau = 0.0;       // the time-scaled sample time
    int m_muExp = 0;          // the time scale mu = 2^m_muExp
    bool m_scaleOk = false;   // the first run found a time scale
    bool m_balanceDone = false;
    Vector m_cBal{};
    double m_eigRe[kAug]{};
    double m_eigIm[kAug]{};
    Vector m_awRun[2]{};  // the monic time-scaled denominator of each run
    Vector m_bw{};
    double m_balance[kAug]{};
    int m_pivot[kAug]{};
    Vector m_poly[kSize]{};      // Hyman polynomials x_i, coefficient k of z^k
};
