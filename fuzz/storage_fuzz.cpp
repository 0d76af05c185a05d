// Feeds arbitrary bytes to the capacitor and inductor wizards as stored data: as their archive
// block (sheet version 4), as the page's own block, and as element data of the older wizard
// generation. A wizard block that loads is stored again; storing, loading and storing once
// more must give the same bytes. The editor stand-in checks that every parameter set fetched
// is given back.
#include "fuzz/fuzz_support.h"
#include "passive/capacitor_inductor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace fuzzsetup;

std::unique_ptr<ParamHolder> CapacitorSet() {
    return MakeSet("C1", {{2028, "C", "old", 0x4},       {2096, "V0", "old", 0x4},     {2016, "CH", "old", 0x4},
                               {1006, "CH_FILE", "old", 0x4}, {1007, "CH_STRG", "old", 0x4}, {2056, "CV", "old", 0x8},
                               {1000, "FORM", "old", 0x4},    {2018, "V", "old", 0x8}});
}

void LoadPageBlock(const std::vector<BYTE>& bytes) {
    CPropPassiveInductance page(nullptr, nullptr);
    SerializeFrom(page, bytes);
}

template <class Wizard>
void Convert(const uint8_t* data, size_t size) {
    WithEditor<Wizard>(CapacitorSet(), [&](Wizard& wizard, qv::SchematicEditor& editor) {
        wizard.DoConvertWizard3Data(data, static_cast<long>(size));
        StoreBlock(wizard);
        editor.CheckAllReturned();
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return RunWholeThenByFirstBit(
        data, size,
        [](const std::vector<BYTE>& bytes) {
            StoreLoadStore<CCapacitorWizard4>(bytes, kSchema<0>);
            LoadPageBlock(bytes);
        },
        Convert<CCapacitorWizard4>, Convert<CInductorWizard4>);
}
