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
#include <vector>

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
};

// The mapping of one design: alpha of every type, k of the band types.
struct Mapping {
    double alpha = 0.0;
    double k = 0.0;
};
Mapping ComputeMapping(int type, double fl, double fu, double fs);

// Maps every section of the order into the section arrays (zeroed first; section s at
// (s-1)*w .. (s-1)*w + w-1, denominator entry 0 exactly 1). Returns the number of sections;
// 0 for a type outside 0 to 3 or an order the table lacks.
int MapSections(const CFilterCoefficientTable& table, int type, int order, const Mapping& mapping,
                double numerator[kWorkSize], double denominator[kWorkSize]);

// Adds the product of count sections of width w (each factor taken from the next section)
// times factor into out, which must be zero on entry; entry i is the coefficient of z^-i.
// With count 0 it still adds factor * section[j] for j < w.
void MultiplySections(double factor, const double* sections, double* out, int count, int width);
// The same with texts: "(" factor ")*(" section ")" and sums "+ ((...)*(...))".
void MultiplySections(const CString& factor, const CString* sections, CString* out, int count, int width);

// The shortest text that reads back to the same double (17 significant digits at most);
// minus zero is written "0".
CString CoefficientText(double value);

// The gain of the table's cascade at z = 1.
double PrototypeDcGain(const CFilterCoefficientTable& table, int order);

// Checks the multiplied-out filter of count coefficients as written: every coefficient
// finite, the denominator's poles inside the unit circle (Schur-Cohn, in extended
// precision), and the gain where the type passes (DC for low pass and band stop, Nyquist for
// high pass, the band centre for band pass) within 1e-6 relative of the prototype's DC gain.
Refusal CheckWrittenFilter(int type, const Mapping& mapping, double prototypeGain, const double* numerator,
                           const double* denominator, int count);

// A whole numeric design, as the page's numeric path makes it.
struct NumericDesign {
    Refusal refusal = Refusal::None;
    int sections = 0;
    int count = 1;  // N = 2S+1 (low/high pass) or 4S+1 (band types); 1 without a section
    std::array<double, kWorkSize> numerator{};
    std::array<double, kWorkSize> denominator{};
    std::vector<CString> numeratorTexts;    // N texts
    std::vector<CString> denominatorTexts;  // N texts, "1" first
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
