// Feeds arbitrary bytes to the resistor and conductance wizards as stored data: as their
// archive block (sheet version 4) and as element data of the older wizard generation. A block
// that loads is stored again; storing, loading and storing once more must give the same bytes.
// The editor stand-in checks that every parameter set fetched is given back.
#include "fuzz/fuzz_support.h"
#include "passive/resistor_conductance.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace fuzzsetup;

std::unique_ptr<ParamHolder> ResistorSet() {
    return MakeSet("R1", {{2028, "R", "old", 0x4}, {2016, "CH", "old", 0x4}, {1006, "CH_FILE", "old", 0x4},
                               {1007, "CH_STRG", "old", 0x4}, {2007, "QUANT", "old", 0x4}, {2018, "V", "old", 0x8}});
}

template <class Wizard>
void Convert(const uint8_t* data, size_t size) {
    ConvertAndStore<Wizard>(ResistorSet(), data, size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return RunWholeThenByFirstBit(
        data, size, [](const std::vector<BYTE>& bytes) { StoreLoadStore<CResistorWizard4>(bytes, kSchema<0>); },
        Convert<CResistorWizard4>, Convert<CConductanceWizard4>);
}
