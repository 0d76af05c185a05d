// Shared ground of the tests of the linear sources of other domains: a force source (ID 104)
// and a temperature source with damping and initial value (ID 105), as the catalogue defines
// them, on the fixture of the source tests.
#pragma once

#include "sources/domain_sources.h"
#include "sources_support.h"

namespace domain_test {

using namespace sources_test;

inline const std::vector<ParamRow> kForceRows = LinearSourceRows(
    {.id = 2028, .name = "VALUE", .value = "10", .type = 0x4, .quantity = "Force", .unit = "N", .description = "Force Value"},
    {},
    {{.id = 2018, .name = "F", .value = "", .type = 0x8, .quantity = "Force", .unit = "N", .description = "Force"},
     {.id = 2019, .name = "VEL", .value = "", .type = 0x8, .quantity = "Velocity", .unit = "m/s",
      .description = "Velocity"}});

// The temperature source: another quantity, a damping factor and an initial value. Its
// amplitude and AC parameters are swings, temperature differences.
inline std::vector<ParamRow> TemperatureRows() {
    std::vector<ParamRow> rows;
    for (ParamRow row : kForceRows) {
        if (std::string(row.quantity) == "Force") {
            const bool swing = row.id == 2034 || row.id == 2425 || row.id == 2430 || row.id == 2432;
            row.quantity = swing ? "Temperature Difference" : "Temperature";
            row.unit = "K";
        }
        if (row.id == 2028) row.description = "Temperature Value";
        if (row.id == 2018) row = {.id = 2018, .name = "T", .value = "", .type = 0x8, .quantity = "Temperature",
                                   .unit = "K", .description = "Temperature"};
        if (row.id == 2019) row = {.id = 2019, .name = "P", .value = "", .type = 0x8, .quantity = "Power",
                                   .unit = "W", .description = "Heat Flow"};
        rows.push_back(row);
    }
    rows.push_back({.id = 2058, .name = "DAMPING", .value = "0", .type = 0x4, .extType = kUnused});
    rows.push_back({.id = 2096, .name = "TINIT", .value = "300", .type = 0x4, .quantity = "Temperature", .unit = "K"});
    return rows;
}

// Gives the wizard settings as a page hands them over on apply.
inline void Settle(CLinearDomainsSourceWizardBase4& wizard, int form, const std::vector<const char*>& names,
                   BOOL amplitudeGiven = TRUE, const char* rms = "", BOOL periodGiven = FALSE, int index = 0,
                   BOOL acUse = FALSE) {
    WithSnapshots(names, [&](CPtrArray* list) {
        wizard.SetSettings(form, amplitudeGiven, rms, periodGiven, index, list, acUse);
    });
}

// The lists of the forms for a set without damping, before the AC entries.
inline const std::vector<std::string> kPeriodicList = {"FREQ", "TPERIO", "AMPL", "PHASE", "PERIO", "OFF", "TDELAY"};
inline const std::vector<std::string> kTrapezoidList = {"TPERIO", "TRISE", "TFALL", "PWIDTH", "AMPL",
                                                        "PHASE",  "PERIO", "OFF",   "TDELAY"};

inline std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace domain_test
