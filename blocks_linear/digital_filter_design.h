// Design of the digital-filter block's coefficients: the prototype table, the mapping of its
// sections to the requested type and cut-offs, the product of the sections, and the same
// coefficients as formula texts when a cut-off or the sample time is a name.
//
// The table holds digital low-pass prototypes, all for the cut-off at a quarter of the
// sample rate, as cascades of sections (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2);
// an order-n filter has ceil(n/2) sections, the first-order one first for odd n. Every
// section is mapped with the z-plane transformations of Constantinides (low pass to low
// pass, high pass, band pass and band stop) and the mapped sections are multiplied out into
// one numerator and one denominator polynomial in z^-1.
//
// This unit depends only on the platform layer, so that the benchmark can link it alone.
#pragma once

#include "afx/afx.h"
#include "afx/collections.h"

#include <array>
#include <string_view>

namespace qv::filter {

enum FilterKind : int { kButterworth = 0, kBessel = 1, kTschebyscheff = 2, kCauer = 3 };
enum FilterType : int { kLowPass = 0, kHighPass = 1, kBandPass = 2, kBandStop = 3 };

// Entries of the section arrays and of the product (five sections of five coefficients).
constexpr int kWorkSize = 25;
// The highest order of the table.
constexpr int kMaxOrder = 10;

// Coefficients per section: 3 for low and high pass, 5 for the band types, 0 otherwise.
int SectionWidth(int type);

} // namespace qv::filter

// The prototype table of one filter kind: order -> section number (from 1) -> the five
// doubles b0, b1, b2, a1, a2. The printed rows are constants; the table owns the inner maps
// and five-double blocks of the sections added to it.
class CFilterCoefficientTable : public CObject {
public:
    // The rows of the kind (0 to 3); another kind gives an empty table.
    explicit CFilterCoefficientTable(UINT kind);
    ~CFilterCoefficientTable() override;
    CFilterCoefficientTable(const CFilterCoefficientTable&) = delete;
    CFilterCoefficientTable& operator=(const CFilterCoefficientTable&) = delete;

    // Stores a section; an existing entry of the same order and section is replaced.
    void AddSection(UINT order, UINT section, double b0, double b1, double b2, double a1, double a2);
    // The five doubles of the section, or null when the order or the section is absent.
    const double* Lookup(UINT order, UINT section) const;
    // Number of sections of the order (sections 1, 2, ... without a gap).
    int SectionCount(UINT order) const;
    // True once a section was added; until then every lookup is answered by the printed rows.
    bool HasAddedSections() const { return !m_Added.IsEmpty(); }

private:
    using SectionMap = CMap<UINT, UINT, double*, double*>;
    UINT m_nKind = 0;
    // Sections stored by AddSection (order -> section -> five doubles), owned; they take
    // precedence over the kind's printed rows, which are looked up in place.
    CMap<UINT, UINT, SectionMap*, SectionMap*> m_Added;
};

namespace qv::filter {

// Why a numeric design was refused (nothing is written then).
enum class Refusal : int {
    None = 0,
    SampleTime,   // the sample time is not a positive finite number
    Edge,         // a cut-off at or below 0 or at or beyond half the sample rate
    Band,         // the upper band edge is not above the lower one
    NotFinite,    // a coefficient came out infinite or not a number
    TooHigh,      // the multiplied-out filter is unstable or misses the prototype's gain
    StopBand,     // the written filter misses the design's gain in its stop band
};

// The mapping of one design: alpha of every type, k of the band types.
struct Mapping {
    double alpha = 0.0;
    double k = 0.0;
};
Mapping ComputeMapping(int type, double fl, double fu, double fs);

// Maps every section of the order into the section arrays (section s at (s-1)*w ..
// (s-1)*w + w-1, denominator entry 0 exactly 1; every entry no section takes is 0). Returns the number of sections;
// 0 for a type outside 0 to 3 or an order the table lacks.
int MapSections(const CFilterCoefficientTable& table, int type, int order, const Mapping& mapping,
                double numerator[kWorkSize], double denominator[kWorkSize]);

// Adds the product of count sections of width w (each factor taken from the next section)
// times factor into out, which must be zero on entry; entry i is the coefficient of z^-i,
// entries from kWorkSize on are dropped. With count 0 it still adds factor * section[j] for
// j < w. The product is formed from the last section toward the first in one work array, each
// entry summed in the order of the first section's coefficients.
void MultiplySections(double factor, const double* sections, double* out, int count, int width);
// The same with texts: "(" factor ")*(" section ")" and sums "+ ((...)*(...))".
void MultiplySections(const CString& factor, const CString* sections, CString* out, int count, int width);

// The longest text WriteCoefficientText writes, e.g. "-2.2250738585072014e-308".
constexpr int kCoefficientTextSize = 24;
// Writes the shortest text that reads back to the same double (17 significant digits at
// most; "0" for both zeros) at out, which must hold kCoefficientTextSize characters, and
// returns the end of the text. No terminating zero is written; the characters between the
// end and out + kCoefficientTextSize may be overwritten.
char* WriteCoefficientText(char* out, double value);
// The same text as a CString.
CString CoefficientText(double value);

// The gain of the table's cascade at z = 1.
double PrototypeDcGain(const CFilterCoefficientTable& table, int order);
// The gain of the table's cascade at z = -1, which every mapping puts in the stop band.
double PrototypeNyquistGain(const CFilterCoefficientTable& table, int order);

// The Schur-Cohn step-down in double precision of the polynomial (count coefficients, lead
// first), run beside three copies whose coefficients and products are moved slightly, the
// spread of the runs standing for the rounding error: true where every reflection coefficient
// stays below 1 in magnitude by a wide margin over that estimate, so that the
// extended-precision step-down (PolesInsideExtended) finds all roots inside as well; false
// where it cannot vouch for that (a coefficient near or beyond 1, something not finite, a zero
// lead, count outside 1..kWorkSize).
bool PolesInsideVouched(const double* polynomial, int count);
// The step-down in extended precision: true when every reflection coefficient is below 1 in
// magnitude, that is when all roots lie inside the unit circle.
bool PolesInsideExtended(const double* polynomial, int count);
// PolesInsideVouched, and PolesInsideExtended where that cannot vouch.
bool PolesInside(const double* polynomial, int count);

// Checks the multiplied-out filter of count coefficients as written: every coefficient
// finite, the denominator's poles inside the unit circle (Schur-Cohn, in extended
// precision where double precision cannot vouch for the decision), and the gain where the
// type passes (DC for low pass and band stop, Nyquist for high pass, the band centre for band
// pass) within 1e-6 relative of the prototype's DC gain (evaluated in double precision with an
// error bound, and in extended precision where the bound reaches the limit).
Refusal CheckWrittenFilter(int type, const Mapping& mapping, double prototypeGain, const double* numerator,
                           const double* denominator, int count);

// Checks the stop band of the multiplied-out filter as written: the gain at z = -1 for a low
// pass, at z = 1 for a high pass, at both for a band pass and at the band centre (cos w0 =
// alpha) for a band stop, where the design has the prototype's gain at z = -1 (stopGain),
// lies within 1e-4 of the pass-band gain (passGain) of stopGain. The rounding of the
// coefficients can move these points far off where the polynomials nearly vanish there
// (cut-offs close to DC or to the Nyquist frequency), while the pass band and the poles still
// hold. Evaluated in double precision with an error bound, in extended and then in quadruple
// precision where the bound cannot decide; a filter that none can vouch for is refused
// (StopBand).
Refusal CheckStopBand(int type, const Mapping& mapping, double passGain, double stopGain, const double* numerator,
                      const double* denominator, int count);

// A whole numeric design, as the page's numeric path makes it. The coefficient texts are
// kept in one buffer of the design (numerator texts first, then the denominator's); the
// page turns them into parameter values.
struct NumericDesign {
    Refusal refusal = Refusal::None;
    int sections = 0;
    int count = 1;  // N = 2S+1 (low/high pass) or 4S+1 (band types); 1 without a section
    std::array<double, kWorkSize> numerator{};
    std::array<double, kWorkSize> denominator{};
    int texts = 0;  // texts of each polynomial: N once designed, 0 when refused

    // Text i (0 <= i < texts) of the numerator and of the denominator ("1" first).
    std::string_view NumeratorText(int i) const { return Text(i); }
    std::string_view DenominatorText(int i) const { return Text(texts + i); }
    // Writes the N texts of both polynomials from the numbers and sets texts to N.
    void WriteTexts();

private:
    std::string_view Text(int slot) const {
        return {m_Buffer.data() + m_Begin[static_cast<size_t>(slot)],
                static_cast<size_t>(m_Begin[static_cast<size_t>(slot) + 1] - m_Begin[static_cast<size_t>(slot)])};
    }
    // Text k occupies m_Buffer[m_Begin[k], m_Begin[k+1]).
    std::array<unsigned short, 2 * kWorkSize + 1> m_Begin{};
    std::array<char, 2 * kWorkSize * kCoefficientTextSize> m_Buffer;
};
// order: the typed order truncated toward zero (outside 1..10 no section is found).
NumericDesign DesignNumeric(const CFilterCoefficientTable& table, int type, int order, double fl, double fu,
                            double sampleTime);

// The section texts of the formula path: A, K and D formatted from the user's texts, every
// coefficient a formula text. Returns the number of sections (arrays filled "0" first).
int MapSectionTexts(const CFilterCoefficientTable& table, int type, int order, const CString& fl, const CString& fu,
                    const CString& sampleTime, CString numerator[kWorkSize], CString denominator[kWorkSize]);

// The order the page designs for an order text: the integer part of its number; 0 (no
// section) for what is not a number, not finite, or outside 0..10000.
int DesignOrder(const CString& text);

} // namespace qv::filter
