// Feeds arbitrary bytes to the discrete transfer function's readers of stored data. The first
// byte chooses the reader:
//   0: the wizard's archive block (sheet version 4); a block that loads is stored again, and
//      storing, loading and storing once more must give the same bytes;
//   1: the old G(s) block of 4.x data (with the coefficient lists of the templates);
//   2: the data of the older wizard generation (the hidden page hands its third block to the
//      "Convert G(s)" dialog's state);
//   3: the discretizer itself: orders from the next two bytes, then coefficients and the
//      sample time as doubles; an accepted result must be finite.
// The editor stand-in checks that every parameter set fetched is given back.
#include "blocks_linear/discrete_transfer_function.h"
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
bool Whole(CDiscreteTransferFunctionWizard4&, const std::vector<BYTE>& bytes) { return bytes.size() >= 2 && bytes[0] == 0 && bytes[1] == 0; }

template <class Run>
void WithBlock(const std::vector<Row>& rows, Run run) {
    WithEditor<CDiscreteTransferFunctionWizard4>(MakeSet("G1", rows, true), run, 1);
}

const std::vector<Row> kRows = {{2188, "N", "2", 0x4},   {2193, "D", "3", 0x4},  {2194, "Q", "1,2", 0x6},
                                {2195, "P", "1,2,3,a,b,c,4,5,6,7,8", 0x6}, {2198, "Q0", "0", 0x6},
                                {2199, "P0", "0", 0x6},  {2202, "TS", "1m", 0x4}};

void RoundTripBlock(const uint8_t* data, size_t size) {
    StoreLoadStore<CDiscreteTransferFunctionWizard4>(std::vector<BYTE>(data, data + size), Whole, 1);
}

void From4x(const uint8_t* data, size_t size) {
    WithBlock(kRows, [&](CDiscreteTransferFunctionWizard4& wizard) {
        std::vector<BYTE> copy(data, data + size);
        wizard.DoConversionFrom4x(copy.data(), static_cast<long>(copy.size()));
    });
}

void ConvertOlder(const uint8_t* data, size_t size) {
    WithBlock(kRows, [&](CDiscreteTransferFunctionWizard4& wizard) {
        wizard.DoConvertWizard3Data(data, static_cast<long>(size));
    });
}

// Two bytes give the orders; up to 32 doubles follow (numerator, denominator, sample time).
// A discretization that is done gives finite coefficients.
void Discretize(const uint8_t* data, size_t size) {
    if (size < 2) return;
    const short m = static_cast<short>(data[0] % 12);
    const short n = static_cast<short>(data[1] % 12);
    double values[32] = {};
    const size_t count = std::min<size_t>((size - 2) / 8, 32);
    std::memcpy(values, data + 2, count * 8);
    const double* num = values;
    const double* den = values + 12;
    static CTransferFunctionDiscretizer discretizer;
    discretizer.Discretize(den, num, m, n, 1.0, values[24]);
    if (discretizer.GetStatus() == CTransferFunctionDiscretizer::Status::Done)
        for (int i = 0; i < n; ++i)
            if (!std::isfinite(discretizer.ResultNumerator()[i]) || !std::isfinite(discretizer.ResultDenominator()[i]))
                std::abort();
}

} // namespace

// The pages keep their column widths in the user profile.
extern "C" int LLVMFuzzerInitialize(int*, char***) { return LoadPluginWithOwnProfile("discrete_tf_fuzz_profile"); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr Reader kReaders[] = {RoundTripBlock, From4x, ConvertOlder, Discretize};
    return RunOneOf(data, size, kReaders);
}
