// Feeds arbitrary bytes to the semiconductor wizards as stored data: as their archive block
// (sheet version 4), as the page block of older data, and as element data of the older wizard
// generation. A block that loads is stored again; storing, loading and storing once more must
// give the same bytes. The editor stand-in checks that every parameter set fetched is given
// back.
#include "fuzz/fuzz_support.h"
#include "power/semiconductors.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace fuzzsetup;

std::unique_ptr<ParamHolder> SemiconductorSet(bool pinnedVariable) {
    auto holder = MakeSet("D1", {{2013, "CHAR", "old", 0x4}, {2058, "VF", "old", 0x4},  {2061, "RB", "old", 0x4},
                               {2066, "IS", "old", 0x4},   {2068, "VT", "old", 0x4},  {2069, "RR", "old", 0x4},
                               {2016, "FILE", "old", 0x4}, {1012, "CH_STRG", "old", 0x4}, {2084, "CTRL", "old", 0x4},
                               {2018, "V", "old", 0x8}});
    for (int i = 0; i < holder->GetParamCount(); ++i)
        if (holder->GetParam(i)->GetValueID() == 1012) holder->GetParam(i)->UsePin(pinnedVariable);
    return holder;
}

// Whole: a block of schema 0.
constexpr auto kWhole = [](auto& wizard, const std::vector<BYTE>&) { return wizard.State().GetSchema() == 0; };

template <class Wizard>
void Convert(const uint8_t* data, size_t size, bool pinnedVariable) {
    ConvertAndStore<Wizard>(SemiconductorSet(pinnedVariable), data, size);
}

// The page block alone, read by a page of its own as the conversion reads it.
void LoadPageBlock(const uint8_t* data, size_t size, bool power) {
    auto holder = SemiconductorSet(true);
    CSemiconductorState state;
    std::unique_ptr<CPropSemiDiode> page(power ? new CPropSemiRest(nullptr, &state, holder.get())
                                               : new CPropSemiDiode(nullptr, &state, holder.get()));
    SerializeFrom(*page, std::vector<BYTE>(data, data + size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    const std::vector<BYTE> bytes(data, data + size);
    StoreLoadStore<CDiodeWizard4>(bytes, kWhole);
    StoreLoadStore<CThyristorWizard4>(bytes, kWhole);
    if (size == 0) return 0;
    const uint8_t selector = data[0];
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    switch (selector % 3) {
    case 0:
        Convert<CDiodeWizard4>(rest, restSize, (selector & 4) != 0);
        break;
    case 1:
        Convert<CIgbtWizard4>(rest, restSize, (selector & 4) != 0);
        break;
    default:
        LoadPageBlock(rest, restSize, (selector & 4) != 0);
        break;
    }
    return 0;
}
