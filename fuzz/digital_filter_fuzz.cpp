// Feeds arbitrary bytes to the digital filter's readers of stored data. The first byte
// chooses the reader:
//   0: the wizard's archive block (sheet version 4); a block that loads is stored again, and
//      storing, loading and storing once more must give the same bytes;
//   1: the 4.x data: the coefficient lists of the templates and the settings block;
//   2: the older additional data with the archived page block (read by a hidden page);
//   3: the numeric design: kind, type and order from the next three bytes, then the cut-off,
//      the upper cut-off and the sample time as doubles; a design that is not refused must
//      have finite coefficients that read back from their texts.
// The editor stand-in checks that every parameter set fetched is given back.
#include "blocks_linear/digital_filter.h"
#include "editor/schematic_editor.h"
#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace fuzzsetup;

// Whole: a block that starts with the current schema word (0).
bool Whole(CDigitalFilterWizard4&, const std::vector<BYTE>& bytes) { return bytes.size() >= 2 && bytes[0] == 0 && bytes[1] == 0; }

template <class Run>
void WithBlock(const std::vector<Row>& rows, Run run) {
    WithEditor<CDigitalFilterWizard4>(MakeSet("DF1", rows, true), run);
}

const std::vector<Row> kRows = {{2188, "N", "3", 0x4},        {2193, "D", "4", 0x4},   {2194, "Q", "1,2", 0x6},
                                {2195, "P", "1,2,3,a", 0x6},   {2194, "Q[7]", "x", 0x4}, {2202, "TS", "1m", 0x4},
                                {2186, "IN", "u", 0x4}};

void RoundTripBlock(const uint8_t* data, size_t size) {
    StoreLoadStore<CDigitalFilterWizard4>(std::vector<BYTE>(data, data + size), Whole);
}

// Either conversion leaves a kind and a type the pages know.
template <bool from4x>
void Convert(const uint8_t* data, size_t size) {
    WithBlock(kRows, [&](CDigitalFilterWizard4& wizard) {
        if constexpr (from4x) {
            std::vector<BYTE> copy(data, data + size);
            wizard.DoConversionFrom4x(copy.data(), static_cast<long>(copy.size()));
        } else {
            wizard.DoConvertWizard3Data(data, static_cast<long>(size));
        }
        if (wizard.GetKind() > 3 || wizard.GetType() > 3) std::abort();
    });
}

// Three bytes choose table, design and order; three doubles follow. A design that stands
// gives a finite text for every coefficient, the same number the design holds.
void Design(const uint8_t* data, size_t size) {
    if (size < 3 + 24) return;
    double values[3];
    std::memcpy(values, data + 3, sizeof values);
    CFilterCoefficientTable table(data[0] % 5);
    const qv::filter::NumericDesign design =
        qv::filter::DesignNumeric(table, data[1] % 5, data[2] % 13, values[0], values[1], values[2]);
    if (design.refusal != qv::filter::Refusal::None) return;
    if (design.texts != design.count) std::abort();
    for (int i = 0; i < design.texts; ++i) {
        const double n = std::strtod(std::string(design.NumeratorText(i)).c_str(), nullptr);
        const double d = std::strtod(std::string(design.DenominatorText(i)).c_str(), nullptr);
        if (!std::isfinite(n) || !std::isfinite(d) || n != design.numerator[static_cast<size_t>(i)] + 0.0) std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return LoadPluginWithOwnProfile("digital_filter_fuzz_profile"); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr Reader kReaders[] = {RoundTripBlock, Convert<true>, Convert<false>, Design};
    return RunOneOf(data, size, kReaders);
}
