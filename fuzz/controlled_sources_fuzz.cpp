// Feeds arbitrary bytes to the controlled voltage and current sources as stored data: as their
// archive block (sheet version 4) and as element data of the older wizard generation. A block
// that loads is stored again; storing, loading and storing once more must give the same bytes.
// The editor stand-in checks that every parameter set fetched is given back.
#include "fuzz/fuzz_support.h"
#include "sources/controlled_sources.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace fuzzsetup;

std::unique_ptr<ParamHolder> SourceSet() {
    return MakeSet("E1", {{2007, "QUANT", "old", 0x4}, {2010, "FACT", "old", 0x4},   {2016, "CH", "old", 0x4},
                               {1006, "CH_FILE", "old", 0x4}, {1007, "CH_STRG", "old", 0x4}, {2022, "VEA", "old", 0x4},
                               {2025, "VCE", "old", 0x4},   {2472, "SPC", "old", 0x4},    {2018, "V", "old", 0x8}});
}

template <class Wizard>
void Convert(const uint8_t* data, size_t size) {
    WithEditor<Wizard>(SourceSet(), [&](Wizard& wizard) {
        wizard.DoConvertWizard3Data(data, static_cast<long>(size));
        // Whatever was converted can be stored and loaded back.
        CNonlinearCurrentSourceWizard4 copy;
        if (!LoadBlock(copy, StoreBlock(wizard)) || copy.GetSchema() != 0) std::abort();
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return RunWholeThenByFirstBit(
        data, size,
        [](const std::vector<BYTE>& bytes) { StoreLoadStore<CNonlinearVoltageSourceWizard4>(bytes, kSchema<0>); },
        Convert<CNonlinearVoltageSourceWizard4>, Convert<CNonlinearCurrentSourceWizard4>);
}
