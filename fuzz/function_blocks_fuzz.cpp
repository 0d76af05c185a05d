// Feeds arbitrary bytes to the readers of stored data of the static and function blocks. The
// first byte chooses the reader:
//   0: the maximum/minimum-over-time archive block (sheet version 4); a block that loads is
//      stored again, and storing, loading and storing once more must give the same bytes;
//   1: its data of the older wizard generation (the first DWORD);
//   2: its 4.x function parameter 1000 (the rest as the parameter's text);
//   3: the trigonometric block's data of the older wizard generation (the angle unit);
//   4: the n-point element's 4.x lists (the second byte chooses N, the rest is split at a
//      zero byte into the threshold and the amplitude list);
//   5: the nonlinear characteristic block's archive block (sheet version 4), stored again as
//      in 0;
//   6: its data of the older wizard generation (snapshots, page record, characteristic
//      record and point block), then its model text.
// The editor stand-in checks that every parameter set fetched is given back.
#include "blocks_math/function_blocks.h"
#include "blocks_math/max_min_time.h"
#include "blocks_math/n_point_element.h"
#include "blocks_math/nonlinear_characteristic.h"
#include "framework/param_list.h"
#include "fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace fuzzsetup;

// The block's set; with an older function type, its parameter 1000 too.
template <class Wizard, class Run>
void WithBlock(const char* oldType, Run run) {
    std::vector<Row> rows = {{2186, "IN", "x"}, {2183, "TS", "0"}};
    if (oldType != nullptr) rows.push_back({1000, "FCT", oldType});
    WithEditor<Wizard>(MakeSet("B1", rows), run);
}

void ConvertNPointLists(const uint8_t* data, size_t size) {
    if (size < 1) return;
    // Small counts (negative ones too), and large ones up to beyond the family limit.
    const int count = data[0] < 128 ? data[0] % 16 - 2 : (data[0] - 128) * 80;
    const std::string n = std::to_string(count);
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t cut = rest.find('\0');
    const std::string thresholds = rest.substr(0, cut);
    const std::string amplitudes = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
    if (amplitudes.find('\0') != std::string::npos) return;
    auto exchange = MakeSet<CWizardSchematicDataExchange3>("", {{2028, "N", n.c_str()},
                                                                 {2262, "THRES", thresholds.c_str(), 0x6},
                                                                 {2133, "AMPL", amplitudes.c_str(), 0x6},
                                                                 {2262, "THRES[0]", "1"}},
                                                            true);
    WithEditor<CNPointElementWizard>(std::move(exchange), [](CNPointElementWizard& wizard, qv::SchematicEditor& editor,
                                                             DWORD element) {
        wizard.DoConversionFrom4x(editor.Exchange(element));
        // No family ever grows beyond its limit.
        if (editor.Exchange(element)->GetParamCount() > 4 + 2 * 10000 + 1) std::abort();
    });
}

std::unique_ptr<ParamHolder> MakeCharacteristicSet() {
    return MakeSet("K1", {{2186, "INPUT", "x"}, {2016, "CH", "old.mdx"}, {1006, "CH_FILE", ""}, {1007, "CH_STRG", ""},
                          {2183, "TS", "0"}, {2056, "OUT", "", 0x8}});
}

// Converts the block, then writes the model text (the inline and reference forms only: the
// file form would write a data file).
void ConvertCharacteristicBlock(const uint8_t* data, size_t size) {
    WithEditor<CNonlinearCharacteristicWizard4>(MakeCharacteristicSet(), [&](CNonlinearCharacteristicWizard4& wizard) {
        wizard.DoConvertWizard3Data(data, static_cast<long>(size));
        if (wizard.GetKind() != 0 && (wizard.GetModeWord() & qv::blocks::kModeInlineTable) == 0) return;
        CString text = "NLCHAR K1 ( @PARAMLIST);";
        wizard.WriteSimDescr(nullptr, "IMMANENT", text);
        g_PlaceholderList.DeleteAll();
    });
}

void ConvertMaxMin(const uint8_t* data, size_t size) {
    WithBlock<CMaximumTMinimumTBlockWizard4>(nullptr, [&](CMaximumTMinimumTBlockWizard4& wizard) {
        wizard.DoConvertWizard3Data(data, static_cast<long>(size));
    });
}

// The input is the older function type's text; the conversion makes it maximum or minimum.
void MaxMinOfOlderType(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (text.find('\0') != std::string::npos) return;
    WithBlock<CMaximumTMinimumTBlockWizard4>(text.c_str(), [&](CMaximumTMinimumTBlockWizard4& wizard) {
        wizard.DoConvertWizard3Data(nullptr, 0);
        if (wizard.GetFunctionType() != 0 && wizard.GetFunctionType() != 1) std::abort();
    });
}

void ConvertSinCosTan(const uint8_t* data, size_t size) {
    WithBlock<CFctSinCosTanBlockWizard4>(nullptr, [&](CFctSinCosTanBlockWizard4& wizard) {
        wizard.DoConvertWizard3Data(data, static_cast<long>(size));
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static constexpr Reader kReaders[] = {RoundTrip<CMaximumTMinimumTBlockWizard4, kSchema<0>>,
                                          ConvertMaxMin,
                                          MaxMinOfOlderType,
                                          ConvertSinCosTan,
                                          ConvertNPointLists,
                                          RoundTrip<CNonlinearCharacteristicWizard4, kSchema<0>>,
                                          ConvertCharacteristicBlock};
    return RunOneOf(data, size, kReaders);
}
