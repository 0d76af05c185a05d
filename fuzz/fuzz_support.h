// What the fuzz targets of the expression pages (equation block, initial-values and equation
// elements) set up once: a user profile of their own for the column widths, the plug-in's
// resources, and the pre-compiler module in the plug-in's folder.
#pragma once

#include "afx/afxwin.h"
#include "fuzz/temp_file.h"
#include "win32/module.h"
#include "wizard/environment.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzsetup {

inline void LoadPluginWithPrecompiler(const char* name) {
    static const std::string profile = fuzzfile::TempPath(name, ".ini");
    setenv("QV_USER_PROFILE", profile.c_str(), 1);
    std::atexit([] { std::remove(profile.c_str()); });
    HMODULE module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
    if (module == nullptr) std::abort();
    AfxSetResourceHandle(module);
    qv::SetQuorvatixPath(PARVEL_MODULE_DIR);
    // The pages load and free the pre-compiler module; a reference held here keeps it mapped,
    // so that the fuzzer's coverage counters of the module stay valid.
    if (LoadLibraryA(PARVEL_MODULE_DIR "/Pravent.dll") == nullptr) std::abort();
}

} // namespace fuzzsetup
