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

// The block is read, then converted as older data.
template <class Wizard>
void ReadAndConvert(const uint8_t* data, size_t size, bool describe) {
    StoreLoadStore<Wizard>(std::vector<BYTE>(data, data + size), kSchema<0>);
    Convert<Wizard>(data, size, describe);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return RunOnInput(data, size, [](uint8_t choice, const uint8_t* rest, size_t restSize) {
        switch (choice % 3) {
        case 0: ReadAndConvert<CMutualInductanceWizard4>(rest, restSize, true); break;
        case 1: ReadAndConvert<CTwoWindingTransformerWizard4>(rest, restSize, true); break;
        default: ReadAndConvert<CNonlinearTransformerWizard4>(rest, restSize, false); break;
        }
    });
}
