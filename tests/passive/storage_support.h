// Shared ground of the capacitor and inductor tests: their parameter sets as the catalogue
// defines them and the wizard state a page leaves behind.
#pragma once

#include "passive/capacitor_inductor.h"
#include "passive_support.h"

namespace storage_test {

using namespace passive_test;

// The rows both storage elements have: their value, initial value, characteristic, voltage,
// current and value outputs, then the element's own outputs.
inline std::vector<ParamRow> StorageRows(const ParamRow& value, const ParamRow& initial, const ParamRow& valueOutput,
                                         const std::vector<ParamRow>& ownOutputs) {
    std::vector<ParamRow> rows = {value, initial, kCh, kChFile, kChStrg, kOutV, kOutI, valueOutput};
    rows.insert(rows.end(), ownOutputs.begin(), ownOutputs.end());
    return rows;
}

inline const std::vector<ParamRow> kCapacitorRows = StorageRows(
    {.id = 2028, .name = "C", .value = "1u", .type = 0x4, .quantity = "Capacitance", .unit = "F",
     .description = "Capacitance"},
    {.id = 2096, .name = "V0", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V",
     .description = "Initial Value"},
    {.id = 2056, .name = "CV", .value = "", .type = 0x8, .quantity = "Capacitance", .unit = "F",
     .description = "Capacitance"},
    {{.id = 1130, .name = "Q", .value = "", .type = 0x8},
     {.id = 1131, .name = "dQ", .value = "", .type = 0x8},
     {.id = 1129, .name = "W", .value = "", .type = 0x8},
     {.id = 2007, .name = "QUANT", .value = "", .type = 0x8}});

inline const std::vector<ParamRow> kInductorRows = StorageRows(
    {.id = 2028, .name = "L", .value = "1m", .type = 0x4, .quantity = "Inductance", .unit = "H",
     .description = "Inductance"},
    {.id = 2096, .name = "I0", .value = "0", .type = 0x4, .quantity = "Current", .unit = "A",
     .description = "Initial Value"},
    {.id = 2056, .name = "LV", .value = "", .type = 0x8, .quantity = "Inductance", .unit = "H",
     .description = "Inductance"},
    {{.id = 1005, .name = "PSI", .value = "", .type = 0x8},
     {.id = 1129, .name = "W", .value = "", .type = 0x8},
     {.id = 2007, .name = "QUANT", .value = "", .type = 0x8},
     {.id = 2378, .name = "LOUT", .value = "", .type = 0x4}});

// The rows without the characteristic's three parameters: a plain linear element.
inline std::vector<ParamRow> WithoutCharacteristic(const std::vector<ParamRow>& rows) {
    return Without(Without(Without(rows, 2016), 1006), 1007);
}

// The state a page leaves in the wizard on apply, with input snapshots of these names.
inline void StoreCapState(CPassiveCapAndIndWizardBase4& wizard, DWORD kind1, DWORD kind2, DWORD modeWord,
                          const std::vector<const char*>& labels, const std::vector<const char*>& names) {
    WithSnapshots(names, [&](CPtrArray* list) {
        wizard.StoreModeAndCompareList(kind1, kind2, modeWord, labels[0], labels[1], labels[2], labels[3], list);
    });
}

} // namespace storage_test
