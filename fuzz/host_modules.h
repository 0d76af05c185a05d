// Modules that a fuzz target driving whole hosts keeps loaded for the run. libFuzzer keeps
// the coverage counters of every instrumented module it has seen and clears them before each
// input, so a module unloaded during the run would leave it writing to unmapped memory. Each
// host loads the plug-in and the formula modules of the installation folder itself and frees
// them when it ends; with these references held, that only counts references.
#pragma once

#include "win32/win32.h"

#include <cstdlib>
#include <string>

namespace fuzzhost {

inline void KeepModulesLoaded(const std::string& plugin, const std::string& installation) {
    if (LoadLibraryA(plugin.c_str()) == nullptr) std::abort();
    for (const char* module : {"Pravent.dll", "Ombrix.dll"})
        if (LoadLibraryA((installation + "/" + module).c_str()) == nullptr) std::abort();
}

} // namespace fuzzhost
