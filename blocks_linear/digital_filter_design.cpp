#include "blocks_linear/digital_filter_design.h"

#include "toolkit/shortest_number.h"
#include "toolkit/tb_numbers.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <iterator>

namespace qv::filter {

int SectionWidth(int type) {
    if (type == kLowPass || type == kHighPass) return 3;
    if (type == kBandPass || type == kBandStop) return 5;
    return 0;
}

} // namespace qv::filter

namespace {

using namespace qv::filter;

struct PrototypeRow {
    int kind;
    int order;
    int section;
    double c[5];  // b0, b1, b2, a1, a2
};

// The prototypes of the four kinds, four decimals each. The Butterworth, Bessel and
// Tschebyscheff (1 dB ripple) rows are the bilinear images of the analogue prototypes: gain 1
// at DC and -3 dB at a quarter of the sample rate. The Cauer rows keep the pass band within
// 0 and -1.3 dB up to a quarter of the sample rate; Cauer has no orders 1 and 2.
// Cauer order 8, section 2 has a1 = -0.6909: with -0.3909, as older tables printed it, that
// section's DC gain is 0.76 and the cascade rises 3.6 dB above the pass band.
constexpr PrototypeRow kPrototypes[] = {
    {.kind = 0, .order = 1, .section = 1, .c = {0.5, 0.5, 0, 0, 0}},
    {.kind = 0, .order = 2, .section = 1, .c = {0.2929, 0.5858, 0.2929, 0, 0.1716}},
    {.kind = 0, .order = 3, .section = 1, .c = {0.5, 0.5, 0, 0, 0}},
    {.kind = 0, .order = 3, .section = 2, .c = {0.3333, 0.6667, 0.3333, 0, 0.3333}},
    {.kind = 0, .order = 4, .section = 1, .c = {0.2599, 0.5198, 0.2599, 0, 0.0396}},
    {.kind = 0, .order = 4, .section = 2, .c = {0.3616, 0.7232, 0.3616, 0, 0.4464}},
    {.kind = 0, .order = 5, .section = 1, .c = {0.5, 0.5, 0, 0, 0}},
    {.kind = 0, .order = 5, .section = 2, .c = {0.2764, 0.5528, 0.2764, 0, 0.1056}},
    {.kind = 0, .order = 5, .section = 3, .c = {0.382, 0.7639, 0.382, 0, 0.5279}},
    {.kind = 0, .order = 6, .section = 1, .c = {0.2543, 0.5087, 0.2543, 0, 0.0173}},
    {.kind = 0, .order = 6, .section = 2, .c = {0.2929, 0.5858, 0.2929, 0, 0.1716}},
    {.kind = 0, .order = 6, .section = 3, .c = {0.3972, 0.7944, 0.3972, 0, 0.5888}},
    {.kind = 0, .order = 7, .section = 1, .c = {0.5, 0.5, 0, 0, 0}},
    {.kind = 0, .order = 7, .section = 2, .c = {0.263, 0.5261, 0.263, 0, 0.0521}},
    {.kind = 0, .order = 7, .section = 3, .c = {0.308, 0.616, 0.308, 0, 0.2319}},
    {.kind = 0, .order = 7, .section = 4, .c = {0.409, 0.818, 0.409, 0, 0.636}},
    {.kind = 0, .order = 8, .section = 1, .c = {0.2524, 0.5048, 0.2524, 0, 0.0097}},
    {.kind = 0, .order = 8, .section = 2, .c = {0.273, 0.546, 0.273, 0, 0.092}},
    {.kind = 0, .order = 8, .section = 3, .c = {0.3214, 0.6429, 0.3214, 0, 0.2857}},
    {.kind = 0, .order = 8, .section = 4, .c = {0.4184, 0.8368, 0.4184, 0, 0.6735}},
    {.kind = 0, .order = 9, .section = 1, .c = {0.5, 0.5, 0, 0, 0}},
    {.kind = 0, .order = 9, .section = 2, .c = {0.2578, 0.5155, 0.2578, 0, 0.0311}},
    {.kind = 0, .order = 9, .section = 3, .c = {0.2831, 0.5662, 0.2831, 0, 0.1325}},
    {.kind = 0, .order = 9, .section = 4, .c = {0.3333, 0.6667, 0.3333, 0, 0.3333}},
    {.kind = 0, .order = 9, .section = 5, .c = {0.426, 0.852, 0.426, 0, 0.7041}},
    {.kind = 0, .order = 10, .section = 1, .c = {0.2515, 0.5031, 0.2515, 0, 0.0062}},
    {.kind = 0, .order = 10, .section = 2, .c = {0.2644, 0.5288, 0.2644, 0, 0.0576}},
    {.kind = 0, .order = 10, .section = 3, .c = {0.2929, 0.5858, 0.2929, 0, 0.1716}},
    {.kind = 0, .order = 10, .section = 4, .c = {0.3439, 0.6878, 0.3439, 0, 0.3755}},
    {.kind = 0, .order = 10, .section = 5, .c = {0.4324, 0.8647, 0.4324, 0, 0.7294}},
    {.kind = 1, .order = 1, .section = 1, .c = {0.5, 0.5, 0, 0, 0}},
    {.kind = 1, .order = 2, .section = 1, .c = {0.3356, 0.6712, 0.3356, 0.2564, 0.086}},
    {.kind = 1, .order = 3, .section = 1, .c = {0.5695, 0.5695, 0, 0.139, 0}},
    {.kind = 1, .order = 3, .section = 2, .c = {0.4037, 0.8075, 0.4037, 0.4222, 0.1928}},
    {.kind = 1, .order = 4, .section = 1, .c = {0.3535, 0.7071, 0.3535, 0.3614, 0.0527}},
    {.kind = 1, .order = 4, .section = 2, .c = {0.4623, 0.9245, 0.4623, 0.5649, 0.2841}},
    {.kind = 1, .order = 5, .section = 1, .c = {0.6004, 0.6004, 0, 0.2008, 0}},
    {.kind = 1, .order = 5, .section = 2, .c = {0.3917, 0.7834, 0.3917, 0.46, 0.1068}},
    {.kind = 1, .order = 5, .section = 3, .c = {0.5138, 1.0277, 0.5138, 0.6942, 0.3612}},
    {.kind = 1, .order = 6, .section = 1, .c = {0.3831, 0.7662, 0.3831, 0.4684, 0.064}},
    {.kind = 1, .order = 6, .section = 2, .c = {0.4312, 0.8624, 0.4312, 0.5601, 0.1647}},
    {.kind = 1, .order = 6, .section = 3, .c = {0.5591, 1.1181, 0.5591, 0.81, 0.4263}},
    {.kind = 1, .order = 7, .section = 1, .c = {0.6275, 0.6275, 0, 0.2549, 0}},
    {.kind = 1, .order = 7, .section = 2, .c = {0.4109, 0.8217, 0.4109, 0.5428, 0.1007}},
    {.kind = 1, .order = 7, .section = 3, .c = {0.4692, 0.9383, 0.4692, 0.6558, 0.2208}},
    {.kind = 1, .order = 7, .section = 4, .c = {0.5983, 1.1967, 0.5983, 0.9117, 0.4816}},
    {.kind = 1, .order = 8, .section = 1, .c = {0.412, 0.8239, 0.412, 0.5634, 0.0845}},
    {.kind = 1, .order = 8, .section = 2, .c = {0.4399, 0.8798, 0.4399, 0.6177, 0.1419}},
    {.kind = 1, .order = 8, .section = 3, .c = {0.5045, 1.0089, 0.5045, 0.7445, 0.2734}},
    {.kind = 1, .order = 8, .section = 4, .c = {0.6323, 1.2646, 0.6323, 1.0007, 0.5285}},
    {.kind = 1, .order = 9, .section = 1, .c = {0.6499, 0.6499, 0, 0.2999, 0}},
    {.kind = 1, .order = 9, .section = 2, .c = {0.4333, 0.8666, 0.4333, 0.621, 0.1122}},
    {.kind = 1, .order = 9, .section = 3, .c = {0.4685, 0.9369, 0.4685, 0.69, 0.1839}},
    {.kind = 1, .order = 9, .section = 4, .c = {0.5367, 1.0735, 0.5367, 0.8254, 0.3216}},
    {.kind = 1, .order = 9, .section = 5, .c = {0.6618, 1.3235, 0.6618, 1.0782, 0.5689}},
    {.kind = 1, .order = 10, .section = 1, .c = {0.4373, 0.8747, 0.4373, 0.6429, 0.1065}},
    {.kind = 1, .order = 10, .section = 2, .c = {0.4557, 0.9115, 0.4557, 0.6792, 0.1438}},
    {.kind = 1, .order = 10, .section = 3, .c = {0.4959, 0.9918, 0.4959, 0.7586, 0.2249}},
    {.kind = 1, .order = 10, .section = 4, .c = {0.5662, 1.1323, 0.5662, 0.8992, 0.3655}},
    {.kind = 1, .order = 10, .section = 5, .c = {0.6874, 1.3748, 0.6874, 1.1459, 0.6037}},
    {.kind = 2, .order = 1, .section = 1, .c = {0.5, 0.5, 0, 0, 0}},
    {.kind = 2, .order = 2, .section = 1, .c = {0.2595, 0.519, 0.2595, -0.2862, 0.3242}},
    {.kind = 2, .order = 3, .section = 1, .c = {0.311, 0.311, 0, -0.378, 0}},
    {.kind = 2, .order = 3, .section = 2, .c = {0.3636, 0.7273, 0.3636, -0.1496, 0.6042}},
    {.kind = 2, .order = 4, .section = 1, .c = {0.1295, 0.2591, 0.1295, -0.8109, 0.329}},
    {.kind = 2, .order = 4, .section = 2, .c = {0.4043, 0.8085, 0.4043, -0.1372, 0.7543}},
    {.kind = 2, .order = 5, .section = 1, .c = {0.2188, 0.2188, 0, -0.5625, 0}},
    {.kind = 2, .order = 5, .section = 2, .c = {0.2166, 0.4331, 0.2166, -0.6452, 0.5114}},
    {.kind = 2, .order = 5, .section = 3, .c = {0.4408, 0.8816, 0.4408, -0.0718, 0.835}},
    {.kind = 2, .order = 6, .section = 1, .c = {0.0746, 0.1493, 0.0746, -1.1276, 0.4262}},
    {.kind = 2, .order = 6, .section = 2, .c = {0.2824, 0.5647, 0.2824, -0.5152, 0.6447}},
    {.kind = 2, .order = 6, .section = 3, .c = {0.4533, 0.9065, 0.4533, -0.0694, 0.8825}},
    {.kind = 2, .order = 7, .section = 1, .c = {0.168, 0.168, 0, -0.664, 0}},
    {.kind = 2, .order = 7, .section = 2, .c = {0.1404, 0.2808, 0.1404, -0.9798, 0.5413}},
    {.kind = 2, .order = 7, .section = 3, .c = {0.3353, 0.6707, 0.3353, -0.3913, 0.7326}},
    {.kind = 2, .order = 7, .section = 4, .c = {0.4682, 0.9363, 0.4682, -0.0396, 0.9123}},
    {.kind = 2, .order = 8, .section = 1, .c = {0.0479, 0.0959, 0.0479, -1.3192, 0.5109}},
    {.kind = 2, .order = 8, .section = 2, .c = {0.2027, 0.4053, 0.2027, -0.8279, 0.6386}},
    {.kind = 2, .order = 8, .section = 3, .c = {0.3685, 0.7369, 0.3685, -0.3194, 0.7932}},
    {.kind = 2, .order = 8, .section = 4, .c = {0.4728, 0.9457, 0.4728, -0.0409, 0.9322}},
    {.kind = 2, .order = 9, .section = 1, .c = {0.1362, 0.1362, 0, -0.7276, 0}},
    {.kind = 2, .order = 9, .section = 2, .c = {0.0971, 0.1942, 0.0971, -1.1987, 0.5872}},
    {.kind = 2, .order = 9, .section = 3, .c = {0.2571, 0.5141, 0.2571, -0.6826, 0.7109}},
    {.kind = 2, .order = 9, .section = 4, .c = {0.3962, 0.7923, 0.3962, -0.2509, 0.8355}},
    {.kind = 2, .order = 9, .section = 5, .c = {0.4803, 0.9606, 0.4803, -0.0248, 0.946}},
    {.kind = 2, .order = 10, .section = 1, .c = {0.0332, 0.0664, 0.0332, -1.4445, 0.5773}},
    {.kind = 2, .order = 10, .section = 2, .c = {0.1502, 0.3005, 0.1502, -1.0566, 0.6575}},
    {.kind = 2, .order = 10, .section = 3, .c = {0.2976, 0.5952, 0.2976, -0.5752, 0.7656}},
    {.kind = 2, .order = 10, .section = 4, .c = {0.4135, 0.827, 0.4135, -0.2124, 0.8664}},
    {.kind = 2, .order = 10, .section = 5, .c = {0.4823, 0.9647, 0.4823, -0.0267, 0.9561}},
    {.kind = 3, .order = 3, .section = 1, .c = {0.3306, 0.3306, 0, -0.3389, 0}},
    {.kind = 3, .order = 3, .section = 2, .c = {0.4898, 0.6612, 0.4898, -0.0219, 0.6627}},
    {.kind = 3, .order = 4, .section = 1, .c = {0.1851, 0.2397, 0.1851, -0.5678, 0.1778}},
    {.kind = 3, .order = 4, .section = 2, .c = {0.4347, 0.8693, 0.4347, -0.0215, 0.7602}},
    {.kind = 3, .order = 5, .section = 1, .c = {0.2233, 0.2233, 0, -0.5535, 0}},
    {.kind = 3, .order = 5, .section = 2, .c = {0.2656, 0.4394, 0.2656, -0.5754, 0.5461}},
    {.kind = 3, .order = 5, .section = 3, .c = {0.5674, 0.7118, 0.5674, -0.0184, 0.8651}},
    {.kind = 3, .order = 6, .section = 1, .c = {0.1059, 0.1434, 0.1059, -0.9245, 0.2796}},
    {.kind = 3, .order = 6, .section = 2, .c = {0.4125, 0.3973, 0.4125, -0.4352, 0.6575}},
    {.kind = 3, .order = 6, .section = 3, .c = {0.473, 0.9459, 0.473, -0.0132, 0.905}},
    {.kind = 3, .order = 7, .section = 1, .c = {0.1836, 0.1836, 0, -0.6329, 0}},
    {.kind = 3, .order = 7, .section = 2, .c = {0.1991, 0.3112, 0.1991, -0.8518, 0.5612}},
    {.kind = 3, .order = 7, .section = 3, .c = {0.5602, 0.3912, 0.5602, -0.2819, 0.7935}},
    {.kind = 3, .order = 7, .section = 4, .c = {0.6504, 0.6331, 0.6504, -0.0085, 0.9423}},
    {.kind = 3, .order = 8, .section = 1, .c = {0.0772, 0.1021, 0.0772, -1.095, 0.3514}},
    {.kind = 3, .order = 8, .section = 2, .c = {0.3694, 0.2183, 0.3694, -0.6909, 0.6479}},
    {.kind = 3, .order = 8, .section = 3, .c = {0.5788, 0.4678, 0.5788, -0.2177, 0.8431}},
    {.kind = 3, .order = 8, .section = 4, .c = {0.4874, 0.9748, 0.4874, -0.0066, 0.9562}},
    {.kind = 3, .order = 9, .section = 1, .c = {0.1689, 0.1689, 0, -0.6621, 0}},
    {.kind = 3, .order = 9, .section = 2, .c = {0.1769, 0.2607, 0.1769, -0.9632, 0.5776}},
    {.kind = 3, .order = 9, .section = 3, .c = {0.558, 0.2404, 0.558, -0.429, 0.7855}},
    {.kind = 3, .order = 9, .section = 4, .c = {0.777, 0.2331, 0.777, -0.1234, 0.9105}},
    {.kind = 3, .order = 9, .section = 5, .c = {0.7084, 0.5556, 0.7084, -0.0036, 0.976}},
    {.kind = 3, .order = 10, .section = 1, .c = {0.0742, 0.0869, 0.0742, -1.136, 0.3713}},
    {.kind = 3, .order = 10, .section = 2, .c = {0.3808, 0.1226, 0.3808, -0.7723, 0.6566}},
    {.kind = 3, .order = 10, .section = 3, .c = {0.6821, 0.154, 0.6821, -0.322, 0.8401}},
    {.kind = 3, .order = 10, .section = 4, .c = {0.7126, 0.4184, 0.7126, -0.0909, 0.9344}},
    {.kind = 3, .order = 10, .section = 5, .c = {0.495, 0.9899, 0.495, -0.0026, 0.9825}},
};

constexpr double kPi = 3.141592653589793;
constexpr double kQuarterPi = 0.7853981633974483;

// Where the rows of each kind and order start in kPrototypes and how many there are; the rows
// of one order are contiguous and in section order, so a lookup is an index computation and
// a design builds nothing.
struct RowSpan {
    int first = 0;
    int count = 0;
};
constexpr int kKinds = 4;
constexpr auto kRowSpans = [] {
    std::array<std::array<RowSpan, kMaxOrder + 1>, kKinds> spans{};
    for (int i = 0; i < static_cast<int>(std::size(kPrototypes)); ++i) {
        RowSpan& span = spans[static_cast<size_t>(kPrototypes[i].kind)][static_cast<size_t>(kPrototypes[i].order)];
        if (span.count == 0) span.first = i;
        ++span.count;
    }
    return spans;
}();
constexpr bool RowsContiguous() {
    for (int i = 0; i < static_cast<int>(std::size(kPrototypes)); ++i) {
        const PrototypeRow& row = kPrototypes[i];
        const RowSpan& span = kRowSpans[static_cast<size_t>(row.kind)][static_cast<size_t>(row.order)];
        if (span.first + row.section - 1 != i) return false;
    }
    return true;
}
static_assert(RowsContiguous(), "the rows of an order must be contiguous and in section order");

// Where the table answers for the order with the printed rows alone (no section was added to
// it), the index in kPrototypes of the order's first row; -1 otherwise and where the order has
// no rows.
int PrintedRowsOf(const CFilterCoefficientTable& table, int order) {
    if (table.HasAddedSections() || order < 0 || order > kMaxOrder) return -1;
    const double* first = table.Lookup(static_cast<UINT>(order), 1);
    if (first == nullptr) return -1;
    for (int kind = 0; kind < kKinds; ++kind) {
        const RowSpan& span = kRowSpans[static_cast<size_t>(kind)][static_cast<size_t>(order)];
        if (span.count > 0 && first == kPrototypes[span.first].c) return span.first;
    }
    return -1;
}

} // namespace

CFilterCoefficientTable::CFilterCoefficientTable(UINT kind) : m_nKind(kind) {}

CFilterCoefficientTable::~CFilterCoefficientTable() {
    POSITION orderPos = m_Added.GetStartPosition();
    while (orderPos != nullptr) {
        UINT order = 0;
        SectionMap* sections = nullptr;
        m_Added.GetNextAssoc(orderPos, order, sections);
        POSITION sectionPos = sections->GetStartPosition();
        while (sectionPos != nullptr) {
            UINT section = 0;
            double* block = nullptr;
            sections->GetNextAssoc(sectionPos, section, block);
            delete[] block;
        }
        delete sections;
    }
    m_Added.RemoveAll();
}

void CFilterCoefficientTable::AddSection(UINT order, UINT section, double b0, double b1, double b2, double a1,
                                         double a2) {
    SectionMap* sections = nullptr;
    if (!m_Added.Lookup(order, sections)) {
        sections = new SectionMap(10);
        m_Added.SetAt(order, sections);
    }
    double* block = nullptr;
    if (!sections->Lookup(section, block)) {
        block = new double[5];
        sections->SetAt(section, block);
    }
    block[0] = b0;
    block[1] = b1;
    block[2] = b2;
    block[3] = a1;
    block[4] = a2;
}

const double* CFilterCoefficientTable::Lookup(UINT order, UINT section) const {
    SectionMap* sections = nullptr;
    if (!m_Added.IsEmpty() && m_Added.Lookup(order, sections)) {
        double* block = nullptr;
        if (sections->Lookup(section, block)) return block;
    }
    if (m_nKind >= static_cast<UINT>(kKinds) || order > static_cast<UINT>(kMaxOrder)) return nullptr;
    const RowSpan& span = kRowSpans[m_nKind][order];
    if (section < 1 || section > static_cast<UINT>(span.count)) return nullptr;
    return kPrototypes[span.first + static_cast<int>(section) - 1].c;
}

int CFilterCoefficientTable::SectionCount(UINT order) const {
    int count = 0;
    while (Lookup(order, static_cast<UINT>(count + 1)) != nullptr) ++count;
    return count;
}

namespace {

// tan(pi/4) as the library gives it (a unit in the last place below 1), taken once.
double TanQuarterPi() {
    static const double value = std::tan(kQuarterPi);
    return value;
}

} // namespace

namespace qv::filter {

Mapping ComputeMapping(int type, double fl, double fu, double fs) {
    const double wl = kPi * fl / fs;
    const double wu = kPi * fu / fs;
    Mapping m;
    switch (type) {
    case kLowPass:
        m.alpha = std::sin(kQuarterPi - wl) / std::sin(kQuarterPi + wl);
        break;
    case kHighPass:
        m.alpha = -std::cos(kQuarterPi + wl) / std::cos(kQuarterPi - wl);
        break;
    case kBandPass:
        m.alpha = std::cos(wu + wl) / std::cos(wu - wl);
        m.k = TanQuarterPi() / std::tan(wu - wl);
        break;
    case kBandStop:
        m.alpha = std::cos(wu + wl) / std::cos(wu - wl);
        m.k = std::tan(wu - wl) * TanQuarterPi();
        break;
    default:
        break;
    }
    return m;
}

namespace {

// Two doubles worked on side by side (one SSE2 register on x86-64).
typedef double Pair __attribute__((vector_size(16)));

// The band mappings as five rows of factors of one section's polynomial (x0, x1, x2): entry
// j of the mapped section, not yet divided by D, is after[j] * ((row[j][0] x0 + row[j][1] x1)
// + row[j][2] x2). Every factor is the expression the terms were always written with
// (a difference a - b c as the sum a + (-b) c, a factor 1 or an after of 1 exact), so the
// entries are the same to the last bit; the rows are worked out once per design instead of
// once per section and polynomial.
struct BandRows {
    double row[5][3];
    double after[5];
};

BandRows BandPassRows(double a, double k) {
    const double kk = k * k;
    const double mid = 4 * a * a * kk + 2 * kk;
    const double outer0 = (1 + k) * (1 + k);
    const double inner = 1 - kk;
    const double outer2 = (1 - k) * (1 - k);
    const double rise = -4 * a * k * (1 + k);
    const double fall = 4 * a * k * (1 - k);
    const double centre = 4 * a * kk;
    return {{{outer0, inner, outer2},
             {rise, centre, fall},
             {mid - 2, -(mid + 2), mid - 2},
             {fall, centre, -(4 * a * k * (1 + k))},
             {outer2, inner, outer0}},
            {1.0, 1.0, 1.0, 1.0, 1.0}};
}

BandRows BandStopRows(double a, double k) {
    const double kk = k * k;
    const double aa4 = 4 * a * a;
    const double outer0 = (1 + k) * (1 + k);
    const double inner = 1 - kk;
    const double outer2 = (1 - k) * (1 - k);
    const double side = aa4 + 2 - 2 * kk;
    return {{{outer0, inner, outer2},
             {1 + k, 1.0, 1 - k},
             {side, aa4 + 2 + 2 * kk, side},
             {1 - k, 1.0, 1 + k},
             {outer2, inner, outer0}},
            {1.0, -4 * a, 1.0, -4 * a, 1.0}};
}

} // namespace

int MapSections(const CFilterCoefficientTable& table, int type, int order, const Mapping& mapping,
                double numerator[kWorkSize], double denominator[kWorkSize]) {
    // Every entry the sections leave is zeroed at the end (zeroing all first costs more than
    // the few entries left over).
    auto zeroFrom = [numerator, denominator](int first) {
        for (int i = first; i < kWorkSize; ++i) numerator[i] = denominator[i] = 0.0;
    };
    const int w = SectionWidth(type);
    if (w == 0 || order < 1) {
        zeroFrom(0);
        return 0;
    }
    const double a = mapping.alpha;
    const double k = mapping.k;
    const bool band = w == 5;
    BandRows rows{};
    if (band) rows = type == kBandPass ? BandPassRows(a, k) : BandStopRows(a, k);
    // The printed rows of the order are contiguous: taken in place without a lookup each.
    const int printed = PrintedRowsOf(table, order);
    const int printedCount = printed < 0 ? 0 : kRowSpans[static_cast<size_t>(kPrototypes[printed].kind)][static_cast<size_t>(order)].count;
    int s = 0;
    while (s * w + w <= kWorkSize) {
        const double* c = printed < 0 ? table.Lookup(static_cast<UINT>(order), static_cast<UINT>(s + 1))
                                      : (s < printedCount ? kPrototypes[printed + s].c : nullptr);
        if (c == nullptr) break;
        const double b0 = c[0], b1 = c[1], b2 = c[2], a1 = c[3], a2 = c[4];
        double* num = numerator + s * w;
        double* den = denominator + s * w;
        switch (type) {
        case kLowPass: {
            const double d = 1 - a * a1 + a * a * a2;
            num[0] = (b0 - a * b1 + a * a * b2) / d;
            num[1] = ((1 + a * a) * b1 - 2 * a * (b0 + b2)) / d;
            num[2] = (a * a * b0 - a * b1 + b2) / d;
            den[0] = 1.0;
            den[1] = ((1 + a * a) * a1 - 2 * a - 2 * a * a2) / d;
            den[2] = (a * a - a * a1 + a2) / d;
            break;
        }
        case kHighPass: {
            const double d = 1 - a * a1 + a * a * a2;
            num[0] = (b0 - a * b1 + a * a * b2) / d;
            num[1] = (2 * a * (b0 + b2) - (1 + a * a) * b1) / d;
            num[2] = (a * a * b0 - a * b1 + b2) / d;
            den[0] = 1.0;
            den[1] = (2 * a + 2 * a * a2 - (1 + a * a) * a1) / d;
            den[2] = (a * a - a * a1 + a2) / d;
            break;
        }
        default: {
            // The numerator in lane 0, the denominator (1, a1, a2) in lane 1.
            const Pair x0 = {b0, 1.0};
            const Pair x1 = {b1, a1};
            const Pair x2 = {b2, a2};
            Pair terms[5];
            for (int j = 0; j < 5; ++j) {
                const double* r = rows.row[j];
                const Pair sum = (Pair{r[0], r[0]} * x0 + Pair{r[1], r[1]} * x1) + Pair{r[2], r[2]} * x2;
                terms[j] = sum * Pair{rows.after[j], rows.after[j]};
            }
            const double d = terms[0][1];
            const Pair dd = {d, d};
            for (int j = 0; j < 5; ++j) {
                const Pair q = terms[j] / dd;
                num[j] = q[0];
                den[j] = q[1];
            }
            den[0] = 1.0;
            break;
        }
        }
        ++s;
    }
    zeroFrom(s * w);
    return s;
}

namespace {

// One entry of a step of the product: start plus the sum over j = jLow .. jHigh, in that
// order, of section[j] * rest[k - j], where section has width coefficients and rest restCount
// entries. T is a double, or a Pair that forms two such sums in its lanes.
template <typename T>
inline T ProductEntry(const T* section, const T* rest, int restCount, int k, int width, T start) {
    const int jLow = k - restCount + 1 > 0 ? k - restCount + 1 : 0;
    const int jHigh = k < width - 1 ? k : width - 1;
    T sum = start;
    for (int j = jLow; j <= jHigh; ++j) sum += section[j] * rest[k - j];
    return sum;
}

// Entries k and k + 1 together where both take every coefficient of the section (W of them,
// known at compile time): the same sums in the same order, two at a time.
template <int W>
inline Pair ProductPair(const double* section, const double* rest, int k, Pair start) {
    Pair sum = start;
    for (int j = 0; j < W; ++j) sum += Pair{section[j], section[j]} * Pair{rest[k - j], rest[k + 1 - j]};
    return sum;
}

template <int W>
void MultiplySectionsOf(double factor, const double* sections, double* out, int count, int width) {
    if (count <= 1) {
        for (int j = 0; j < width; ++j) out[j] += factor * sections[j];
        return;
    }
    // The product of the sections after the first, built from the last one toward the first
    // in place: entry k of the new product depends on entries k-w+1 .. k of the old one, so
    // going down from the top overwrites nothing still needed. Every entry is a sum from zero
    // over the coefficients j = 0, 1, ... of the section taken, which is how the product by
    // recursion (the sections after the first multiplied out, then the first times that)
    // summed them; the numbers are the same to the last bit.
    double rest[kWorkSize];
    const double* last = sections + (count - 1) * width;
    int restCount = width < kWorkSize ? width : kWorkSize;
    for (int i = 0; i < restCount; ++i) rest[i] = 0.0 + last[i];
    for (int level = count - 2; level >= 1; --level) {
        const double* section = sections + level * width;
        const int grown = restCount + width - 1 < kWorkSize ? restCount + width - 1 : kWorkSize;
        int k = grown - 1;
        for (; k > restCount - 1; --k) rest[k] = ProductEntry(section, rest, restCount, k, width, 0.0);
        // Entries restCount-1 down to W-1 take every coefficient; pairs k-1, k from the top.
        if (W > 0)
            for (; k - 1 >= W - 1; k -= 2) {
                const Pair pair = ProductPair<W>(section, rest, k - 1, Pair{0.0, 0.0});
                rest[k - 1] = pair[0];
                rest[k] = pair[1];
            }
        for (; k >= 0; --k) rest[k] = ProductEntry(section, rest, restCount, k, width, 0.0);
        restCount = grown;
    }
    double scaled[kWorkSize];
    for (int j = 0; j < width; ++j) scaled[j] = factor * sections[j];
    const int total = restCount + width - 1 < kWorkSize ? restCount + width - 1 : kWorkSize;
    int k = 0;
    for (; k < total && (W == 0 || k < W - 1); ++k) out[k] = ProductEntry(scaled, rest, restCount, k, width, out[k]);
    if (W > 0)
        for (; k + 1 < restCount; k += 2) {
            const Pair pair = ProductPair<W>(scaled, rest, k, Pair{out[k], out[k + 1]});
            out[k] = pair[0];
            out[k + 1] = pair[1];
        }
    for (; k < total; ++k) out[k] = ProductEntry(scaled, rest, restCount, k, width, out[k]);
}

} // namespace

void MultiplySections(double factor, const double* sections, double* out, int count, int width) {
    if (width == 3)
        MultiplySectionsOf<3>(factor, sections, out, count, width);
    else if (width == 5)
        MultiplySectionsOf<5>(factor, sections, out, count, width);
    else
        MultiplySectionsOf<0>(factor, sections, out, count, width);
}

namespace {

// The products of the numerator's and the denominator's sections at once, the numerator in
// lane 0 and the denominator in lane 1: every entry of each is the sum MultiplySections forms
// with factor 1 (the same terms in the same order, from the same start), so both products
// are the same to the last bit; the two lanes share each multiplication and addition.
template <int W>
inline Pair ProductEntryFull(const Pair* section, const Pair* rest, int k, Pair start) {
    Pair sum = start;
    for (int j = 0; j < W; ++j) sum += section[j] * rest[k - j];
    return sum;
}

template <int W>
void MultiplyBothOf(const double* numSections, const double* denSections, double* numOut, double* denOut, int count) {
    Pair section[W];
    auto load = [&](int level) {
        for (int j = 0; j < W; ++j) section[j] = Pair{numSections[level * W + j], denSections[level * W + j]};
    };
    Pair rest[kWorkSize];
    int restCount = W < kWorkSize ? W : kWorkSize;
    load(count - 1);
    for (int i = 0; i < restCount; ++i) rest[i] = Pair{0.0, 0.0} + section[i];
    for (int level = count - 2; level >= 1; --level) {
        load(level);
        const int grown = restCount + W - 1 < kWorkSize ? restCount + W - 1 : kWorkSize;
        int k = grown - 1;
        for (; k > restCount - 1; --k) rest[k] = ProductEntry(section, rest, restCount, k, W, Pair{0.0, 0.0});
        for (; k >= W - 1; --k) rest[k] = ProductEntryFull<W>(section, rest, k, Pair{0.0, 0.0});
        for (; k >= 0; --k) rest[k] = ProductEntry(section, rest, restCount, k, W, Pair{0.0, 0.0});
        restCount = grown;
    }
    load(0);
    const int total = restCount + W - 1 < kWorkSize ? restCount + W - 1 : kWorkSize;
    int k = 0;
    auto store = [&](int at, Pair value) {
        numOut[at] = value[0];
        denOut[at] = value[1];
    };
    // The outputs are +0 on entry: each sum starts from +0, as MultiplySections' from out[k].
    const Pair zero = {0.0, 0.0};
    for (; k < total && k < W - 1; ++k) store(k, ProductEntry(section, rest, restCount, k, W, zero));
    for (; k < restCount; ++k) store(k, ProductEntryFull<W>(section, rest, k, zero));
    for (; k < total; ++k) store(k, ProductEntry(section, rest, restCount, k, W, zero));
}

// MultiplySections(1.0, ...) of the numerator's and of the denominator's sections, into
// outputs that are +0 on entry.
void MultiplyBoth(const double* numSections, const double* denSections, double* numOut, double* denOut, int count,
                  int width) {
    if (count >= 2 && width == 5) {
        MultiplyBothOf<5>(numSections, denSections, numOut, denOut, count);
    } else if (count >= 2 && width == 3) {
        MultiplyBothOf<3>(numSections, denSections, numOut, denOut, count);
    } else {
        MultiplySections(1.0, numSections, numOut, count, width);
        MultiplySections(1.0, denSections, denOut, count, width);
    }
}

} // namespace

void MultiplySections(const CString& factor, const CString* sections, CString* out, int count, int width) {
    for (int j = 0; j < width; ++j) {
        const CString product = "(" + factor + ")*(" + sections[j] + ")";
        if (count - 1 > 0)
            MultiplySections(product, sections + width, out + j, count - 1, width);
        else if (out[j].IsEmpty())
            out[j] = product;
        else
            out[j] += "+ (" + product + ")";
    }
}

static_assert(kCoefficientTextSize == qv::kShortestNumberMaxLength, "a coefficient text is a shortest number text");

char* WriteCoefficientText(char* out, double value) {
    if (value == 0.0) {
        *out = '0';
        return out + 1;
    }
    // Every finite double, infinity and NaN fit in kCoefficientTextSize characters; the
    // formatter may scribble over all of them past the text's end.
    return qv::WriteShortestNumber(out, value);
}

CString CoefficientText(double value) {
    char buffer[kCoefficientTextSize];
    const char* end = WriteCoefficientText(buffer, value);
    return CString(buffer, static_cast<int>(end - buffer));
}

namespace {

// The gain at z = 1 (side 1) or z = -1 (side -1) of the rows a table gives for an order, in
// extended precision.
template <class Rows>
double CascadeGain(Rows rows, int side) {
    const long double z1 = side;
    long double gain = 1.0L;
    for (int s = 1;; ++s) {
        const double* c = rows(s);
        if (c == nullptr) break;
        gain *= (static_cast<long double>(c[0]) + c[1] * z1 + c[2]) / (1.0L + c[3] * z1 + c[4]);
    }
    return static_cast<double>(gain);
}

// The gains of the printed rows of every kind and order at one side, by the index of the
// order's first row.
using PrintedGains = std::array<double, std::size(kPrototypes)>;
PrintedGains PrintedCascadeGains(int side) {
    PrintedGains gains{};
    for (int kind = 0; kind < kKinds; ++kind)
        for (int o = 0; o <= kMaxOrder; ++o) {
            const RowSpan& span = kRowSpans[static_cast<size_t>(kind)][static_cast<size_t>(o)];
            if (span.count == 0) continue;
            gains[static_cast<size_t>(span.first)] = CascadeGain(
                [&span](int s) { return s <= span.count ? kPrototypes[span.first + s - 1].c : nullptr; }, side);
        }
    return gains;
}

double PrototypeGain(const CFilterCoefficientTable& table, int order, const PrintedGains& printedGains, int side) {
    const int printed = PrintedRowsOf(table, order);
    if (printed >= 0) return printedGains[static_cast<size_t>(printed)];
    return CascadeGain([&](int s) { return table.Lookup(static_cast<UINT>(order), static_cast<UINT>(s)); }, side);
}

} // namespace

double PrototypeDcGain(const CFilterCoefficientTable& table, int order) {
    static const PrintedGains kPrintedGains = PrintedCascadeGains(1);
    return PrototypeGain(table, order, kPrintedGains, 1);
}

double PrototypeNyquistGain(const CFilterCoefficientTable& table, int order) {
    static const PrintedGains kPrintedGains = PrintedCascadeGains(-1);
    return PrototypeGain(table, order, kPrintedGains, -1);
}

bool PolesInsideExtended(const double* polynomial, int count) {
    // Schur-Cohn step-down: every reflection coefficient of a monic polynomial below 1 in
    // magnitude exactly when all its roots lie inside the unit circle. Each step updates the
    // pairs a[i], a[m-i] in place with one reciprocal of 1 - k^2.
    if (count <= 0 || count > kWorkSize || polynomial[0] == 0.0) return false;
    long double a[kWorkSize];
    const long double lead = polynomial[0];
    for (int i = 0; i < count; ++i) a[i] = static_cast<long double>(polynomial[i]) / lead;
    for (int m = count - 1; m >= 1; --m) {
        const long double k = a[m];
        if (!(std::fabs(k) < 1.0L)) return false;
        const long double inverseScale = 1.0L / (1.0L - k * k);
        // a[m] itself becomes 0 and drops out; the next step reads a[0] .. a[m-1].
        for (int i = 0, j = m; i <= j; ++i, --j) {
            const long double low = a[i];
            const long double high = a[j];
            a[i] = (low - k * high) * inverseScale;
            a[j] = (high - k * low) * inverseScale;
        }
    }
    return true;
}

namespace {

constexpr double kDown = 1.0 - 0x1p-36;

// The moves of lanes 2 and 3 of the vouched pole test for each coefficient i after the lead:
// lane 2 up on odd i and down on even, lane 3 after bit i mod 32 of a fixed pattern.
constexpr auto kLaneMoves = [] {
    constexpr double up = 1.0 + 0x1p-36;
    constexpr unsigned pattern = 0x9E3779B9u;
    std::array<std::array<double, 2>, kWorkSize> moves{};
    for (int i = 0; i < kWorkSize; ++i) {
        moves[static_cast<size_t>(i)][0] = (i & 1) != 0 ? up : kDown;
        moves[static_cast<size_t>(i)][1] = ((pattern >> (i & 31)) & 1u) != 0 ? up : kDown;
    }
    return moves;
}();

} // namespace

bool PolesInsideVouched(const double* polynomial, int count) {
    // Lane 0 steps the polynomial down. Lanes 1 to 3 do the same with every product k x and
    // k^2 and every coefficient after the lead moved by 2^-36 of its size, up or down in three
    // fixed patterns: the rounding errors of lane 0 are such moves of 2^-53, 2^17 times
    // smaller, so the spread of the lanes' reflection coefficients around lane 0's stands for
    // lane 0's error times 2^17 or more. Where |k| + 8 times that spread stays below 1 at every
    // step, the exact reflection coefficients and those of the extended-precision step-down
    // (errors smaller still) are below 1 as well. Over some six million designs (every kind,
    // type and order, cut-offs from 1e-6 to 0.5 of the sample rate) lane 0's error stayed
    // below 1/400 of the spread and below 1/100000 of the distance of |k| from 1 wherever the
    // lanes vouched; with one or two moved lanes the spread fell short of the error by far
    // more. The lanes run as two pairs, 0-1 and 2-3.
    //
    // Each step first updates the pair of entries that holds the next step's reflection
    // coefficient and starts that step's division, so that the division runs while the other
    // pairs are updated; every entry is still computed as before, to the last bit.
    if (count <= 0 || count > kWorkSize || polynomial[0] == 0.0 || !std::isfinite(polynomial[0])) return false;
    constexpr double up = 1.0 + 0x1p-36;
    const double lead = polynomial[0];
    Pair a01[kWorkSize];
    Pair a23[kWorkSize];
    a01[0] = Pair{1.0, 1.0};
    a23[0] = Pair{1.0, 1.0};
    // c / 1 is c, and c times 1 is c: the common lead of 1 divides nothing.
    const bool monic = lead == 1.0;
    for (int i = 1; i < count; ++i) {
        const double c = monic ? polynomial[i] : polynomial[i] / lead;
        const Pair cc = {c, c};
        a01[i] = cc * Pair{1.0, up};
        a23[i] = cc * Pair{kLaneMoves[i][0], kLaneMoves[i][1]};
    }
    const Pair one = {1.0, 1.0};
    // k moved instead of each product k x: the same relative move of the product. On odd
    // steps lanes 1, 2, 3 move the low entry's product up, down, up and the high entry's
    // up, up, down; on even steps the other way round.
    struct Step {
        Pair k01;       // lanes 0 and 1, low and high entry alike
        Pair k23First;  // lanes 2 and 3, low entry
        Pair k23Second; // lanes 2 and 3, high entry
        Pair scale01;
        Pair scale23;
    };
    auto prepare = [&](int m, Pair k01, Pair k23, Step& step) {
        const double k0 = k01[0];
        // The spread: the three lanes' distances from lane 0 added up (a sum passes NaN on).
        const double spread = std::fabs(k01[1] - k0) + std::fabs(k23[0] - k0) + std::fabs(k23[1] - k0);
        // Written so that NaN is refused.
        if (!(std::fabs(k0) + 8.0 * spread < 1.0)) return false;
        const bool odd = (m & 1) != 0;
        step.k01 = k01 * Pair{1.0, up};
        step.k23First = k23 * (odd ? Pair{kDown, up} : Pair{up, kDown});
        step.k23Second = k23 * (odd ? Pair{up, kDown} : Pair{kDown, up});
        step.scale01 = one / (one - k01 * step.k01);
        step.scale23 = one / (one - k23 * step.k23First);
        return true;
    };
    // Updates the pair i, j and returns the high entries in next01 and next23.
    auto update = [&](const Step& step, int i, int j, Pair& next01, Pair& next23) {
        const Pair low01 = a01[i];
        const Pair high01 = a01[j];
        const Pair low23 = a23[i];
        const Pair high23 = a23[j];
        next01 = (high01 - step.k01 * low01) * step.scale01;
        next23 = (high23 - step.k23Second * low23) * step.scale23;
        a01[i] = (low01 - step.k01 * high01) * step.scale01;
        a01[j] = next01;
        a23[i] = (low23 - step.k23First * high23) * step.scale23;
        a23[j] = next23;
    };
    // The middle entry of an even step takes the high entry's update (which the step-down
    // as pairs wrote last).
    auto middle = [&](const Step& step, int i, Pair& next01, Pair& next23) {
        const Pair x01 = a01[i];
        const Pair x23 = a23[i];
        next01 = (x01 - step.k01 * x01) * step.scale01;
        next23 = (x23 - step.k23Second * x23) * step.scale23;
        a01[i] = next01;
        a23[i] = next23;
    };
    if (count == 1) return true;
    Step step;
    if (!prepare(count - 1, a01[count - 1], a23[count - 1], step)) return false;
    Pair k01;
    Pair k23;
    for (int m = count - 1; m >= 2; --m) {
        // Entry m - 1, the next reflection coefficient, is the high entry of pair 1 (the
        // middle one when m is 2).
        if (m - 1 > 1)
            update(step, 1, m - 1, k01, k23);
        else
            middle(step, 1, k01, k23);
        Step next;
        if (!prepare(m - 1, k01, k23, next)) return false;
        Pair unused01;
        Pair unused23;
        // Pair 0 is left out: entry 0 only ever reaches entry 0 and the entry that drops out
        // (a[0] and a[m] here, at each later step the pair 0 of that step), never a
        // reflection coefficient, so every step's k and verdict are the same without it.
        int i = 2;
        int j = m - 2;
        for (; i < j; ++i, --j) update(step, i, j, unused01, unused23);
        if (i == j) middle(step, i, unused01, unused23);
        step = next;
    }
    // The last step (m = 1) would update only pair 0.
    return true;
}

bool PolesInside(const double* polynomial, int count) {
    return PolesInsideVouched(polynomial, count) || PolesInsideExtended(polynomial, count);
}

namespace {

// The polynomial sums c[i] z^-i of the numerator and the denominator at z^-1 = re + j im, in
// extended precision, written out in real arithmetic (std::complex<long double> multiplies
// through the library's NaN-aware helper); the two run side by side.
struct ExtendedValues {
    long double numRe = 0.0L;
    long double numIm = 0.0L;
    long double denRe = 0.0L;
    long double denIm = 0.0L;
};

ExtendedValues EvaluateExtended(const double* numerator, const double* denominator, int count, long double re,
                                long double im) {
    ExtendedValues v;
    for (int i = count - 1; i >= 0; --i) {
        const long double nr = v.numRe * re - v.numIm * im + static_cast<long double>(numerator[i]);
        const long double dr = v.denRe * re - v.denIm * im + static_cast<long double>(denominator[i]);
        v.numIm = v.numRe * im + v.numIm * re;
        v.denIm = v.denRe * im + v.denIm * re;
        v.numRe = nr;
        v.denRe = dr;
    }
    return v;
}

} // namespace

namespace {

// The gain check in extended precision: the written filter's gain at z^-1 = re + j im
// within 1e-6 relative of the prototype's.
bool GainHoldsExtended(int type, const Mapping& mapping, double prototypeGain, const double* numerator,
                       const double* denominator, int count) {
    // z^-1 where the type passes: 1 (DC), -1 (Nyquist) or, for the band centre w0 with
    // cos w0 = alpha, cos w0 - j sin w0.
    long double re = type == kHighPass ? -1.0L : 1.0L;
    long double im = 0.0L;
    if (type == kBandPass) {
        re = static_cast<long double>(mapping.alpha);
        im = -std::sqrt(std::fmax(0.0L, 1.0L - re * re));
    }
    const ExtendedValues v = EvaluateExtended(numerator, denominator, count, re, im);
    const long double numRe = v.numRe;
    const long double numIm = v.numIm;
    const long double denRe = v.denRe;
    const long double denIm = v.denIm;
    const long double expected = std::fabs(static_cast<long double>(prototypeGain));
    // The magnitudes as square roots of the sums of squares, which differ from hypot by a few
    // units of the last place where the squares neither overflow nor underflow; the decision
    // takes hypot only where the gain is that close to the limit.
    const long double denSquare = denRe * denRe + denIm * denIm;
    const long double numSquare = numRe * numRe + numIm * numIm;
    if (std::isnormal(denSquare) && std::isfinite(numSquare) && (numSquare == 0.0L || std::isnormal(numSquare))) {
        const long double slack = std::fabs(std::sqrt(numSquare) / std::sqrt(denSquare) - expected) - 1e-6L * expected;
        if (slack < -1e-15L * expected) return true;
        if (slack > 1e-15L * expected) return false;
    }
    const long double denNorm = std::hypot(denRe, denIm);
    if (denNorm == 0.0L) return false;
    const long double gain = std::hypot(numRe, numIm) / denNorm;
    return std::fabs(gain - expected) <= 1e-6L * expected;
}

// The numerator and the denominator at z^-1 = re + j im (|z^-1| = 1) in double precision, side
// by side, each with a bound of its error against the exact value at the exact point the
// extended-precision check evaluates. Real points (1, -1) are exact and Horner's steps there
// err by at most u times the magnitude sum of the coefficients each. At a complex point every
// step v z + c errs by at most u (3 (|Re v| + |Im v|) + |Re v'| + |Im v'|), counted with 2 for
// the last two to spare, and carries the earlier errors on at |z| <= 1 + 2u; the point itself,
// its imaginary part taken as sqrt((1 - a)(1 + a)), is within 3u of the exact one, which moves
// the value by at most |P'| 3u (P' by Horner beside P, its own error and the second-order term
// bounded through the coefficients' magnitudes).
struct DoubleValue {
    double re = 0.0;
    double im = 0.0;
    double error = 0.0;
};

// The magnitudes of both lanes.
inline Pair Magnitude(Pair x) {
    typedef long long Bits __attribute__((vector_size(16)));
    constexpr Bits kNoSign = {0x7fffffffffffffffLL, 0x7fffffffffffffffLL};
    return reinterpret_cast<Pair>(reinterpret_cast<Bits>(x) & kNoSign);
}

// Both polynomials at once, the numerator in lane 0 and the denominator in lane 1: each lane
// takes the steps the value, the derivative and the bounds of its polynomial always took, in
// the same order, so both come out to the last bit as one at a time.
void EvaluateDouble(const double* numerator, const double* denominator, int count, double re, double im,
                    DoubleValue& num, DoubleValue& den) {
    constexpr double u = 0x1p-53;
    const double n = static_cast<double>(count);
    const Pair zero = {0.0, 0.0};
    const Pair pre = {re, re};
    Pair size = zero;  // magnitude sums of the coefficients
    if (im == 0.0) {
        Pair value = zero;
        for (int i = count - 1; i >= 0; --i) {
            const Pair c = {numerator[i], denominator[i]};
            value = value * pre + c;
            size += Magnitude(c);
        }
        num = {value[0], 0.0, 2.0 * n * u * size[0]};
        den = {value[1], 0.0, 2.0 * n * u * size[1]};
        return;
    }
    const Pair pim = {im, im};
    const Pair three = {3.0, 3.0};
    const Pair two = {2.0, 2.0};
    Pair vr = zero, vi = zero;  // values
    Pair pr = zero, pi = zero;  // derivatives by z^-1
    Pair local = zero;
    for (int i = count - 1; i >= 0; --i) {
        const Pair c = {numerator[i], denominator[i]};
        const Pair pr2 = pr * pre - pi * pim + vr;
        pi = pr * pim + pi * pre + vi;
        pr = pr2;
        const Pair vr2 = vr * pre - vi * pim + c;
        const Pair vi2 = vr * pim + vi * pre;
        local += three * (Magnitude(vr) + Magnitude(vi)) + two * (Magnitude(vr2) + Magnitude(vi2));
        vr = vr2;
        vi = vi2;
        size += Magnitude(c);
    }
    const double shift = 3.0 * u;
    auto error = [&](double localSum, double derivativeRe, double derivativeIm, double sizeSum) {
        const double slope = std::sqrt(derivativeRe * derivativeRe + derivativeIm * derivativeIm) + 8.0 * n * n * u * sizeSum;
        return 1.01 * u * localSum + slope * shift + n * n * sizeSum * shift * shift;
    };
    num = {vr[0], vi[0], error(local[0], pr[0], pi[0], size[0])};
    den = {vr[1], vi[1], error(local[1], pr[1], pi[1], size[1])};
}

// 1: the gain holds, 0: it does not, -1: double precision cannot tell. The relative errors of
// both magnitudes and of the quotient add up to the gain's, and the decision stands where the
// gain is clear of the limit by twice that. The extended-precision check errs by far less.
int GainHoldsDouble(int type, const Mapping& mapping, double prototypeGain, const double* numerator,
                    const double* denominator, int count) {
    constexpr double u = 0x1p-53;
    double re = type == kHighPass ? -1.0 : 1.0;
    double im = 0.0;
    if (type == kBandPass) {
        re = mapping.alpha;
        if (!(std::fabs(re) < 1.0)) return -1;
        im = -std::sqrt((1.0 - re) * (1.0 + re));
        if (im == 0.0) return -1;
    }
    DoubleValue num;
    DoubleValue den;
    EvaluateDouble(numerator, denominator, count, re, im, num, den);
    const double denNorm = std::sqrt(den.re * den.re + den.im * den.im);
    const double numNorm = std::sqrt(num.re * num.re + num.im * num.im);
    const double denRelative = den.error / denNorm;
    if (!(denRelative < 1e-3)) return -1;
    const double gain = numNorm / denNorm;
    // |gain - exact gain| to first order: the numerator's error over the denominator, the
    // denominator's relative error times the gain, and the roundings of both norms and the
    // quotient (denRelative below 1e-3 keeps the higher orders under a thousandth of that).
    const double gainError = num.error / denNorm + gain * (denRelative + 8.0 * u);
    const double expected = std::fabs(prototypeGain);
    const double slack = std::fabs(gain - expected) - 1e-6 * expected;
    const double margin = 2.0 * gainError + 1e-15 * expected;
    if (!std::isfinite(slack) || !std::isfinite(margin)) return -1;
    if (slack < -margin) return 1;
    if (slack > margin) return 0;
    return -1;
}

} // namespace

Refusal CheckWrittenFilter(int type, const Mapping& mapping, double prototypeGain, const double* numerator,
                           const double* denominator, int count) {
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(numerator[i]) || !std::isfinite(denominator[i])) return Refusal::NotFinite;
    if (!PolesInside(denominator, count)) return Refusal::TooHigh;
    int holds = GainHoldsDouble(type, mapping, prototypeGain, numerator, denominator, count);
    if (holds < 0) holds = GainHoldsExtended(type, mapping, prototypeGain, numerator, denominator, count) ? 1 : 0;
    return holds == 1 ? Refusal::None : Refusal::TooHigh;
}

namespace {

__extension__ typedef __float128 Quad;

// The unit round-off of each precision the stop-band check works in.
template <class T> constexpr long double kUnit = 0x1p-64L;
template <> constexpr long double kUnit<Quad> = 0x1p-113L;

// Where the stop band is checked: z^-1 = re + j im.
struct StopPoint {
    double re = 0.0;
    bool centre = false;  // the band centre: im = -sqrt(1 - re^2), else im = 0
};

// 1: the written gain at the point lies within tolerance of stopGain, 0: it does not, -1: the
// precision T cannot tell. Both polynomials by Horner's rule; each step v z + c of a complex
// product and sum errs by at most 4u (|v| + |c|), so that the value errs by at most 8 n u times
// the magnitude sum of the coefficients (|z| being 1 within a few units). The imaginary part of
// the centre, sqrt((1 - re)(1 + re)), is within 4u of the exact one, which moves the value by
// at most 4u times the sum of i |c_i|.
template <class T>
int StopGainHolds(const StopPoint& point, long double stopGain, long double tolerance, const double* numerator,
                  const double* denominator, int count) {
    const long double u = kUnit<T>;
    const T re = point.re;
    T im = 0;
    if (point.centre) {
        const T square = (1 - re) * (1 + re);
        const long double start = std::sqrt(static_cast<long double>(square));
        if (!(start > 0.0L)) return -1;
        // One Newton step from the extended-precision root gives the root to the precision of T.
        const T root = start;
        im = -(root + (square - root * root) / (2 * root));
    }
    T nr = 0, ni = 0, dr = 0, di = 0;
    long double numSize = 0.0L, denSize = 0.0L, numSlope = 0.0L, denSlope = 0.0L;
    for (int i = count - 1; i >= 0; --i) {
        const T nr2 = nr * re - ni * im + numerator[i];
        const T dr2 = dr * re - di * im + denominator[i];
        ni = nr * im + ni * re;
        di = dr * im + di * re;
        nr = nr2;
        dr = dr2;
        numSize += std::fabs(static_cast<long double>(numerator[i]));
        denSize += std::fabs(static_cast<long double>(denominator[i]));
        numSlope += i * std::fabs(static_cast<long double>(numerator[i]));
        denSlope += i * std::fabs(static_cast<long double>(denominator[i]));
    }
    const long double shift = point.centre ? 4.0L * u : 0.0L;
    const long double numError = 8.0L * count * u * numSize + shift * numSlope;
    const long double denError = 8.0L * count * u * denSize + shift * denSlope;
    // The written gain (complex at the centre) less stopGain.
    const T square = dr * dr + di * di;
    if (!(square > 0)) return -1;
    const T hr = (nr * dr + ni * di) / square;
    const T hi = (ni * dr - nr * di) / square;
    const long double denNorm = std::hypot(static_cast<long double>(dr), static_cast<long double>(di));
    const long double gain = std::hypot(static_cast<long double>(hr), static_cast<long double>(hi));
    const long double miss = std::hypot(static_cast<long double>(hr - static_cast<T>(stopGain)), static_cast<long double>(hi));
    if (!(denNorm > 2.0L * denError) || !std::isfinite(miss)) return -1;
    // The error of the gain: the numerator's error plus the gain times the denominator's, over
    // the denominator (doubled, which covers every order while the denominator's error stays
    // below half its value), and the roundings of the quotient and of the norms.
    const long double error = 2.0L * (numError + gain * denError) / denNorm + 16.0L * u * (gain + miss) +
                              0x1p-60L * miss;
    if (miss + error <= tolerance) return 1;
    if (miss - error > tolerance) return 0;
    return -1;
}

// The same decision from the double-precision values and error bounds of EvaluateDouble,
// which settles well-conditioned designs at a fraction of the cost.
int StopGainHoldsDouble(const StopPoint& point, double stopGain, double tolerance, const double* numerator,
                        const double* denominator, int count) {
    constexpr double u = 0x1p-53;
    const double im = point.centre ? -std::sqrt((1.0 - point.re) * (1.0 + point.re)) : 0.0;
    if (point.centre && im == 0.0) return -1;
    DoubleValue num;
    DoubleValue den;
    EvaluateDouble(numerator, denominator, count, point.re, im, num, den);
    const double square = den.re * den.re + den.im * den.im;
    const double denNorm = std::sqrt(square);
    const double denRelative = den.error / denNorm;
    if (!(denRelative < 1e-3)) return -1;
    const double hr = (num.re * den.re + num.im * den.im) / square;
    const double hi = (num.im * den.re - num.re * den.im) / square;
    const double gain = std::sqrt(hr * hr + hi * hi);
    const double miss = std::sqrt((hr - stopGain) * (hr - stopGain) + hi * hi);
    // As in StopGainHolds, with the roundings of the quotient and the norms counted generously.
    const double error = num.error / denNorm + 2.0 * gain * denRelative + 16.0 * u * (gain + miss + std::fabs(stopGain));
    if (!std::isfinite(miss) || !std::isfinite(error)) return -1;
    if (miss + error <= tolerance) return 1;
    if (miss - error > tolerance) return 0;
    return -1;
}

} // namespace

Refusal CheckStopBand(int type, const Mapping& mapping, double passGain, double stopGain, const double* numerator,
                      const double* denominator, int count) {
    StopPoint points[2];
    int n = 0;
    switch (type) {
    case kLowPass: points[n++] = {.re = -1.0}; break;
    case kHighPass: points[n++] = {.re = 1.0}; break;
    case kBandPass:
        points[n++] = {.re = 1.0};
        points[n++] = {.re = -1.0};
        break;
    case kBandStop:
        if (!(std::fabs(mapping.alpha) < 1.0)) return Refusal::StopBand;
        points[n++] = {.re = mapping.alpha, .centre = true};
        break;
    default: return Refusal::None;
    }
    const double tolerance = 1e-4 * std::fabs(passGain);
    for (int i = 0; i < n; ++i) {
        int holds = StopGainHoldsDouble(points[i], stopGain, tolerance, numerator, denominator, count);
        if (holds < 0) holds = StopGainHolds<long double>(points[i], stopGain, tolerance, numerator, denominator, count);
        if (holds < 0) holds = StopGainHolds<Quad>(points[i], stopGain, tolerance, numerator, denominator, count);
        if (holds != 1) return Refusal::StopBand;
    }
    return Refusal::None;
}

NumericDesign DesignNumeric(const CFilterCoefficientTable& table, int type, int order, double fl, double fu,
                            double sampleTime) {
    NumericDesign design;
    if (!std::isfinite(sampleTime) || !(sampleTime > 0.0)) {
        design.refusal = Refusal::SampleTime;
        return design;
    }
    const double fs = 1.0 / sampleTime;
    const bool band = type == kBandPass || type == kBandStop;
    auto edgeOk = [fs](double f) { return std::isfinite(f) && f > 0.0 && f < fs / 2.0; };
    if (SectionWidth(type) != 0) {
        if (!edgeOk(fl) || (band && !edgeOk(fu))) {
            design.refusal = Refusal::Edge;
            return design;
        }
        if (band && !(fu > fl)) {
            design.refusal = Refusal::Band;
            return design;
        }
    }
    const Mapping mapping = ComputeMapping(type, fl, fu, fs);
    double num[kWorkSize];
    double den[kWorkSize];
    const int s = MapSections(table, type, order, mapping, num, den);
    const int w = SectionWidth(type);
    design.sections = s;
    design.count = s == 0 ? 1 : (w == 3 ? 2 * s + 1 : 4 * s + 1);
    if (s > 0) {
        MultiplyBoth(num, den, design.numerator.data(), design.denominator.data(), s, w);
        design.denominator[0] = 1.0;
        const double passGain = PrototypeDcGain(table, order);
        design.refusal = CheckWrittenFilter(type, mapping, passGain, design.numerator.data(),
                                            design.denominator.data(), design.count);
        if (design.refusal == Refusal::None)
            design.refusal = CheckStopBand(type, mapping, passGain, PrototypeNyquistGain(table, order),
                                           design.numerator.data(), design.denominator.data(), design.count);
        if (design.refusal != Refusal::None) return design;
    } else {
        design.denominator[0] = 1.0;
    }
    design.WriteTexts();
    return design;
}

void NumericDesign::WriteTexts() {
    const int n = count < 1 ? 1 : (count > kWorkSize ? kWorkSize : count);
    char* const start = m_Buffer.data();
    char* out = start;
    m_Begin[0] = 0;
    for (int i = 0; i < n; ++i) {
        out = WriteCoefficientText(out, numerator[static_cast<size_t>(i)]);
        m_Begin[static_cast<size_t>(i) + 1] = static_cast<unsigned short>(out - start);
    }
    *out++ = '1';
    m_Begin[static_cast<size_t>(n) + 1] = static_cast<unsigned short>(out - start);
    for (int i = 1; i < n; ++i) {
        out = WriteCoefficientText(out, denominator[static_cast<size_t>(i)]);
        m_Begin[static_cast<size_t>(n + i) + 1] = static_cast<unsigned short>(out - start);
    }
    texts = n;
}

int DesignOrder(const CString& text) {
    const double value = std::trunc(TBExtended_atof(text, ""));
    if (!std::isfinite(value) || value < 0.0 || value > 10000.0) return 0;
    return static_cast<int>(value);
}

// ---------------------------------------------------------------------------------------
// Formula texts

namespace {

// One argument of a template: a number printed as "%.15g" or a text inserted as it is.
struct Arg {
    Arg(double v) : number(v) {}  // NOLINT: a template argument converts implicitly
    Arg(const CString& t) : text(&t) {}  // NOLINT
    double number = 0.0;
    const CString* text = nullptr;
};

CString Number15(double value) {
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return CString(buffer, static_cast<int>(result.ptr - buffer));
}

// Fills a template of this file: every "%.15g" takes the next number, every "%s" the next
// text; everything else is copied. The templates are constants of this file, never user
// texts, and the user's texts are only ever inserted.
CString Fill(const char* templ, std::initializer_list<Arg> args) {
    std::string out;
    const Arg* next = args.begin();
    for (const char* p = templ; *p != '\0';) {
        if (std::strncmp(p, "%.15g", 5) == 0 && next != args.end()) {
            out += Number15(next->number).str();
            ++next;
            p += 5;
        } else if (std::strncmp(p, "%s", 2) == 0 && next != args.end()) {
            if (next->text != nullptr) out += next->text->str();
            ++next;
            p += 2;
        } else {
            out += *p++;
        }
    }
    return CString(out.c_str(), static_cast<int>(out.size()));
}

constexpr double pi = kPi;

// Band-pass D, coefficient 0 and coefficient 4 (numerator and denominator), which the band
// stop shares with its own K.
constexpr char kBandD[] = "(( %s * %s + 2.0 * %s + 1.0 ) + %.15g * ( 1.0 - %s * %s ) + %.15g * ( 1.0 - 2.0 * %s + %s * %s ))";
constexpr char kBandNum0[] = "(( %.15g * ( %s * %s + 2.0 * %s + 1.0 ) + %.15g * ( 1 - %s * %s ) + %.15g * ( 1.0 - 2.0 * %s + %s * %s ) ) / %s)";
constexpr char kBandNum4[] = "(( %.15g * ( 1.0 - 2.0 * %s + %s * %s ) + %.15g * ( 1 - %s * %s ) + %.15g * ( %s * %s + 2.0 * %s + 1.0) ) / %s)";
constexpr char kBandDen4[] = "(( ( 1.0 - 2.0 * %s + %s * %s ) + %.15g * ( 1 - %s * %s ) + %.15g * ( %s * %s + 2.0 * %s + 1.0) ) / %s)";

} // namespace

int MapSectionTexts(const CFilterCoefficientTable& table, int type, int order, const CString& fl, const CString& fu,
                    const CString& sampleTime, CString numerator[kWorkSize], CString denominator[kWorkSize]) {
    for (int i = 0; i < kWorkSize; ++i) numerator[i] = denominator[i] = "0";
    const int w = SectionWidth(type);
    if (w == 0 || order < 1) return 0;
    const CString& ts = sampleTime;
    CString A;
    CString K;
    switch (type) {
    case kLowPass:
        A = Fill("(sin( %.15g * 1.0 / 4.0 - %.15g * (%s) / (1.0 / (%s)) ) / sin( %.15g * 1.0 / 4.0 + %.15g * (%s) / (1.0/(%s)) ) )",
                 {pi, pi, fl, ts, pi, pi, fl, ts});
        break;
    case kHighPass:
        A = Fill("(-cos( %.15g * 1.0 / 4.0 + %.15g * (%s) / (1.0 / (%s)) ) / cos( %.15g * 1.0 / 4.0 - %.15g * (%s) / (1.0 / (%s)) ))",
                 {pi, pi, fl, ts, pi, pi, fl, ts});
        break;
    default:
        A = Fill("(cos( %.15g * (%s) / (1.0 / (%s)) + %.15g * (%s) / (1.0 / (%s)) ) / cos( %.15g * (%s) / (1.0 / (%s)) - %.15g * (%s) / (1.0 / (%s)) ))",
                 {pi, fu, ts, pi, fl, ts, pi, fu, ts, pi, fl, ts});
        if (type == kBandPass)
            K = Fill("(1.0 / tan( %.15g * (%s) / (1.0 / (%s)) - %.15g * (%s) / (1.0 / (%s)) ) * tan( %.15g * 1.0 / 4.0 ))",
                     {pi, fu, ts, pi, fl, ts, pi});
        else
            K = Fill("(tan( %.15g * (%s) / (1.0 / (%s)) - %.15g * (%s) / (1.0 / (%s)) ) * tan( %.15g * 1.0 / 4.0 ))",
                     {pi, fu, ts, pi, fl, ts, pi});
        break;
    }
    int s = 0;
    while (s * w + w <= kWorkSize) {
        const double* c = table.Lookup(static_cast<UINT>(order), static_cast<UINT>(s + 1));
        if (c == nullptr) break;
        const double b0 = c[0], b1 = c[1], b2 = c[2], a1 = c[3], a2 = c[4];
        CString* num = numerator + s * w;
        CString* den = denominator + s * w;
        den[0] = "1.0";
        if (type == kLowPass) {
            const CString D = Fill("(1.0 - %.15g * %s + %.15g * %s * %s)", {a1, A, a2, A, A});
            den[1] = Fill("(( (-2.0) * %s - 2.0 * %.15g * %s + %.15g * %s * %s + %.15g ) / %s)", {A, a2, A, a1, A, A, a1, D});
            den[2] = Fill("( ( (-1.0) * %.15g * %s + %s * %s + %.15g ) / %s)", {a1, A, A, A, a2, D});
            num[0] = Fill("( ( %.15g - %.15g * %s + %.15g * %s * %s ) / %s)", {b0, b1, A, b2, A, A, D});
            num[1] = Fill("( ( (-2.0) * %.15g * %s - 2.0 * %.15g * %s + %.15g * %s * %s + %.15g ) / %s )",
                          {b0, A, b2, A, b1, A, A, b1, D});
            num[2] = Fill("( ( %.15g * %s * %s - %.15g * %s + %.15g ) / %s )", {b0, A, A, b1, A, b2, D});
        } else if (type == kHighPass) {
            const CString D = Fill("(1.0 - %s * ( %.15g - %.15g * %s ))", {A, a1, a2, A});
            den[1] = Fill("(( 2.0 * %s - %.15g * ( %s * %s + 1.0 ) + 2.0 * %.15g * %s ) / %s)", {A, a1, A, A, a2, A, D});
            den[2] = Fill("(( %s * %s - %.15g * %s + %.15g ) / %s)", {A, A, a1, A, a2, D});
            num[0] = Fill("(( %.15g - %s * ( %.15g - %.15g * %s ) ) / %s)", {b0, A, b1, b2, A, D});
            num[1] = Fill("(( 2.0 * %.15g * %s - %.15g * ( %s * %s + 1.0) + 2.0 * %.15g * %s ) / %s)",
                          {b0, A, b1, A, A, b2, A, D});
            num[2] = Fill("(( %.15g * %s * %s - %.15g * %s + %.15g ) / %s)", {b0, A, A, b1, A, b2, D});
        } else {
            const CString D = Fill(kBandD, {K, K, K, a1, K, K, a2, K, K, K});
            num[0] = Fill(kBandNum0, {b0, K, K, K, b1, K, K, b2, K, K, K, D});
            num[4] = Fill(kBandNum4, {b0, K, K, K, b1, K, K, b2, K, K, K, D});
            den[4] = Fill(kBandDen4, {K, K, K, a1, K, K, a2, K, K, K, D});
            if (type == kBandPass) {
                den[1] = Fill("(( (-4.0) * ( %s * %s * %s + %s * %s ) + 4.0 * %.15g * %s * %s * %s + 4.0 * %.15g * ( %s * %s - %s * %s * %s ) ) / %s)",
                              {A, K, K, A, K, a1, A, K, K, a2, A, K, A, K, K, D});
                den[2] = Fill("(( ( 4.0 * %s * %s * %s * %s - 2.0 + 2.0 * %s * %s ) + %.15g * ( (-2.0) * %s * %s - 4.0 * %s * %s * %s * %s - 2.0 ) + %.15g * ( 4.0 * %s * %s * %s * %s - 2.0 + 2.0 * %s * %s ) ) / %s)",
                              {A, A, K, K, K, K, a1, K, K, A, A, K, K, a2, A, A, K, K, K, K, D});
                den[3] = Fill("(( ( 4.0 * %s * %s * ( 1.0 - %s ) ) + %.15g * 4.0 * %s * %s * %s + (-4.0) * %s * %s * %.15g * ( 1.0 + %s ) ) / %s)",
                              {A, K, K, a1, A, K, K, A, K, a2, K, D});
                num[1] = Fill("(( (-4.0) * %.15g * ( %s * %s * %s + %s * %s ) + 4.0 * %.15g * %s * %s * %s + 4.0 * %.15g * ( %s * %s - %s * %s * %s ) ) / %s)",
                              {b0, A, K, K, A, K, b1, A, K, K, b2, A, K, A, K, K, D});
                num[2] = Fill("(( %.15g * ( 4.0 * %s * %s * %s * %s - 2.0 + 2.0 * %s * %s ) + %.15g * ( (-2.0) * %s * %s - 4.0 * %s * %s * %s * %s - 2.0 ) + %.15g * ( 4.0 * %s * %s * %s * %s - 2.0 + 2.0 * %s * %s ) ) / %s)",
                              {b0, A, A, K, K, K, K, b1, K, K, A, A, K, K, b2, A, A, K, K, K, K, D});
                num[3] = Fill("(( 4.0 * %s * %s * %.15g * ( 1.0 - %s ) + %.15g * 4.0 * %s * %s * %s + (-4.0) * %s * %s * %.15g * ( 1.0 + %s ) ) / %s)",
                              {A, K, b0, K, b1, A, K, K, A, K, b2, K, D});
            } else {
                // The band-stop coefficients 1 to 3 in the manner of the band-pass ones:
                // -4A((1+K)x0 + x1 + (1-K)x2), (4A^2 + 2 - 2K^2)x0 + (4A^2 + 2 + 2K^2)x1 +
                // (4A^2 + 2 - 2K^2)x2 and -4A((1-K)x0 + x1 + (1+K)x2), each divided by D.
                den[1] = Fill("(( (-4.0) * %s * ( ( 1.0 + %s ) + %.15g + ( 1.0 - %s ) * %.15g ) ) / %s)", {A, K, a1, K, a2, D});
                den[2] = Fill("(( ( 4.0 * %s * %s + 2.0 - 2.0 * %s * %s ) + %.15g * ( 4.0 * %s * %s + 2.0 + 2.0 * %s * %s ) + %.15g * ( 4.0 * %s * %s + 2.0 - 2.0 * %s * %s ) ) / %s)",
                              {A, A, K, K, a1, A, A, K, K, a2, A, A, K, K, D});
                den[3] = Fill("(( (-4.0) * %s * ( ( 1.0 - %s ) + %.15g + ( 1.0 + %s ) * %.15g ) ) / %s)", {A, K, a1, K, a2, D});
                num[1] = Fill("(( (-4.0) * %s * ( ( 1.0 + %s ) * %.15g + %.15g + ( 1.0 - %s ) * %.15g ) ) / %s)",
                              {A, K, b0, b1, K, b2, D});
                num[2] = Fill("(( %.15g * ( 4.0 * %s * %s + 2.0 - 2.0 * %s * %s ) + %.15g * ( 4.0 * %s * %s + 2.0 + 2.0 * %s * %s ) + %.15g * ( 4.0 * %s * %s + 2.0 - 2.0 * %s * %s ) ) / %s)",
                              {b0, A, A, K, K, b1, A, A, K, K, b2, A, A, K, K, D});
                num[3] = Fill("(( (-4.0) * %s * ( ( 1.0 - %s ) * %.15g + %.15g + ( 1.0 + %s ) * %.15g ) ) / %s)",
                              {A, K, b0, b1, K, b2, D});
            }
        }
        ++s;
    }
    return s;
}

} // namespace qv::filter
