// Shared ground of the controlled-source tests: the fixture, byte builders and parameter
// tables of the passive tests, and the two source elements as the catalogue defines them.
#pragma once

#include "sources/controlled_sources.h"
#include "tests/passive/passive_support.h"

namespace sources_test {

using namespace passive_test;

inline const ParamRow kQuant = {.id = 2007, .name = "QUANT", .value = "R1", .type = 0x4};
inline const ParamRow kFact = {.id = 2010, .name = "FACT", .value = "2", .type = 0x4};
inline const ParamRow kSpc = {.id = 2472, .name = "SPC", .value = "0", .type = 0x4};
inline const ParamRow kVea = {.id = 2022, .name = "VEA", .value = "100", .type = 0x4, .quantity = "Voltage", .unit = "V"};
inline const ParamRow kVce = {.id = 2025, .name = "VCE", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V"};

inline const std::vector<ParamRow> kVoltageRows = {kQuant, kFact, kCh, kChFile, kChStrg, kSpc, kOutV, kOutI};
inline const std::vector<ParamRow> kCurrentRows = {kQuant, kFact, kCh, kChFile, kChStrg, kVea, kVce, kOutV, kOutI};

// The rows with a start form (parameter 1000) added.
inline std::vector<ParamRow> WithStartForm(std::vector<ParamRow> rows, const char* form) {
    rows.push_back({.id = 1000, .name = "FORM", .value = form, .type = 0x2});
    return rows;
}

// The state a page leaves in the wizard on apply, with input snapshots of these names.
inline void Store(CNonlinearSourceWizardBase4& wizard, DWORD kind, DWORD modeWord, const char* xLabel,
                  const char* yLabel, const std::vector<const char*>& names) {
    WithSnapshots(names, [&](CPtrArray* list) { wizard.StoreSettings(kind, modeWord, xLabel, yLabel, list); });
}

// The fixture of the passive tests, with either source made on a new element.
class ControlledSourcesTest : public PassiveTest {
protected:
    // The current or the voltage source on a new element of this name; with a start form,
    // parameter 1000 names it.
    std::unique_ptr<CNonlinearSourceWizardBase4> NewSource(bool current, const char* name,
                                                           const char* startForm = nullptr) {
        const std::vector<ParamRow>& rows = current ? kCurrentRows : kVoltageRows;
        const std::vector<ParamRow> set = startForm ? WithStartForm(rows, startForm) : rows;
        if (current) return NewWizard<CNonlinearCurrentSourceWizard4>(set, name);
        return NewWizard<CNonlinearVoltageSourceWizard4>(set, name);
    }
};

} // namespace sources_test
