// Feeds arbitrary bytes to the coupled-inductor wizards and the nonlinear transformer as
// stored data: as their archive block (sheet version 4) and as element data of the older
// wizard generation, which the hidden pages read (their own page blocks included). A block
// that loads is stored again; storing, loading and storing once more must give the same
// bytes. The editor stand-in checks that every parameter set fetched is given back.
#include "fuzz/fuzz_support.h"
#include "passive/coupled_inductors.h"
#include "passive/nonlinear_transformer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace fuzzsetup;

std::unique_ptr<ParamHolder> CoupledSet() {
    return MakeSet("X1", {{2102, "L1", "old", 0x4},   {2103, "L2", "old", 0x4},      {2107, "I01", "old", 0x4},
                               {2109, "I02", "old", 0x4},  {2010, "K", "old", 0x4},       {2056, "M", "old", 0x8},
                               {2477, "LS1", "old", 0x4},  {2479, "LS2", "old", 0x4},     {2483, "RCU1", "old", 0x4},
                               {2485, "RCU2", "old", 0x4}, {2112, "RFE", "old", 0x4},     {2486, "KTR", "old", 0x4},
                               {2016, "CH", "old", 0x4},   {1006, "CH_FILE", "old", 0x4}, {1007, "CH_STRG", "old", 0x4}});
}

// Converts the bytes; with describe the result is written as model text too (the coupled
// inductors write no data files).
template <class Wizard>
void Convert(const uint8_t* data, size_t size, bool describe) {
    ConvertAndStore<Wizard>(CoupledSet(), data, size, [&](Wizard& wizard) {
        // Whatever was converted can be written too.
        if (describe) {
            CString text = "@PARAMLIST";
            wizard.WriteSimDescr(nullptr, "IMMANENT", text);
        }
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 16)) return 0;
    const std::vector<BYTE> bytes(data + 1, data + size);
    switch (data[0] % 3) {
    case 0:
        StoreLoadStore<CMutualInductanceWizard4>(bytes, kSchema<0>);
        Convert<CMutualInductanceWizard4>(data + 1, size - 1, true);
        break;
    case 1:
        StoreLoadStore<CTwoWindingTransformerWizard4>(bytes, kSchema<0>);
        Convert<CTwoWindingTransformerWizard4>(data + 1, size - 1, true);
        break;
    default:
        StoreLoadStore<CNonlinearTransformerWizard4>(bytes, kSchema<0>);
        Convert<CNonlinearTransformerWizard4>(data + 1, size - 1, false);
        break;
    }
    return 0;
}
