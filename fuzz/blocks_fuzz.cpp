// Feeds arbitrary bytes to the block-diagram wizards' readers of stored data. The first byte
// chooses the reader:
//   0: the sum block's archive block (sheet version 4); a block that loads is stored again,
//      and storing, loading and storing once more must give the same bytes;
//   1: the sum block's data of the older wizard generation (its first DWORD);
//   2: the transfer function's data of the older wizard generation (the hidden page);
//   3: the 4.x coefficient lists of a transfer function (the rest as the numerator list,
//      the second byte as the order);
//   4: the 4.x factor of the sum block (the rest as the factor text).
// The editor stand-in checks that every parameter set fetched is given back.
#include "blocks_linear/transfer_function.h"
#include "blocks_math/min_max_sum_mul.h"
#include "editor/schematic_editor.h"
#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace fuzzsetup;

template <class Wizard, class Run>
void WithBlock(const std::vector<Row>& rows, Run run) {
    WithEditor<Wizard>(MakeSet("B1", rows, true), run);
}

const std::vector<Row> kSumRows = {
    {2132, "INPUT", "0", 0x6}, {2132, "INPUT[0]", "a", 0x4}, {2132, "INPUT[1]", "b", 0x4}, {2183, "TS", "0", 0x4}};

void ConvertSum(const uint8_t* data, size_t size) {
    WithBlock<CMinMaxSumMulBlockWizard4>(kSumRows, [&](CMinMaxSumMulBlockWizard4& wizard) {
        wizard.DoConvertWizard3Data(data, static_cast<long>(size));
    });
}

void ConvertTransferFunction(const uint8_t* data, size_t size) {
    WithBlock<CTransferFunctionWizard4>(
        {{2188, "N", "2", 0x4}, {2193, "M", "1", 0x4}, {2194, "Q", "1", 0x6}, {2195, "P", "1", 0x6}},
        [&](CTransferFunctionWizard4& wizard) { wizard.DoConvertWizard3Data(data, static_cast<long>(size)); });
}

// The first byte gives the order; the rest is the text of both coefficient lists.
void TransferFunctionFrom4x(const uint8_t* data, size_t size) {
    if (size < 1) return;
    const std::string order = std::to_string(static_cast<int>(data[0] % 64) - 2);
    const std::string list(reinterpret_cast<const char*>(data + 1), size - 1);
    if (list.find('\0') != std::string::npos) return;
    WithBlock<CTransferFunctionWizard4>(
        {{2188, "N", order.c_str(), 0x4}, {2193, "M", "0", 0x4}, {2194, "Q", list.c_str(), 0x6},
         {2195, "P", list.c_str(), 0x6}, {2194, "Q[0]", "x", 0x4}},
        [&](CTransferFunctionWizard4& wizard) { wizard.DoConversionFrom4x(); });
}

// The input is the text of the older factor parameter.
void SumFrom4x(const uint8_t* data, size_t size) {
    const std::string factor(reinterpret_cast<const char*>(data), size);
    if (factor.find('\0') != std::string::npos) return;
    std::vector<Row> rows = kSumRows;
    rows.push_back({1000, "FACTOR", factor.c_str(), 0x4});
    WithBlock<CMinMaxSumMulBlockWizard4>(rows, [&](CMinMaxSumMulBlockWizard4& wizard) { wizard.DoConversionFrom4x(); });
}

} // namespace

// The transfer-function page keeps its column widths in the user profile.
extern "C" int LLVMFuzzerInitialize(int*, char***) { return LoadPluginWithOwnProfile("blocks_fuzz_profile"); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr Reader kReaders[] = {RoundTrip<CMinMaxSumMulBlockWizard4, kSchema<0>>, ConvertSum,
                                          ConvertTransferFunction, TransferFunctionFrom4x, SumFrom4x};
    return RunOneOf(data, size, kReaders);
}
