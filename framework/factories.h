// The two exported wizard factories and the tables behind them.
#pragma once

#include "wizard/wizardbase.h"

#include <cstddef>
#include <new>
#include <span>

extern "C" {
// A new wizard on the older base for IDs 5 to 113, or 0 for an ID it does not know, a wizard
// not built yet, or a failed allocation.
QV_EXPORT CWizardBase3* CreateWizardInstance(int id);
// A new wizard on the newer base, or 0 likewise.
QV_EXPORT CWizardBase4* CreateWizard4Instance(unsigned int id);
}

// One entry of a factory table. A null creator means the class is not built yet.
struct WizardFactoryEntry {
    unsigned int id;
    int base;                     // 3: CreateWizardInstance, 4: CreateWizard4Instance
    const char* className;
    CWizardBase3* (*create3)();
    CWizardBase4* (*create4)();
};

// Creators for the tables: allocation without exceptions, so a failed allocation gives 0
// and no constructor runs.
template <class T>
CWizardBase3* NewWizard3() {
    return new (std::nothrow) T();
}
template <class T>
CWizardBase4* NewWizard4() {
    return new (std::nothrow) T();
}
template <class T, int Argument>
CWizardBase4* NewWizard4With() {
    return new (std::nothrow) T(Argument);
}

// Introspection record for tests and the host, with C layout so it can cross the module
// boundary through GetProcAddress.
struct QvFactoryInfo {
    unsigned int id;
    int base;
    const char* className;
    int built;
};

extern "C" {
// Fills *entries with the plug-in's table of both factories and returns its length.
QV_EXPORT size_t QvGetFactoryTable(const QvFactoryInfo** entries);
}

namespace qv {
// Both tables, first the older base's, then the newer one's, each in ID order.
std::span<const WizardFactoryEntry> FactoryTable();
// The accepted ID range of CreateWizardInstance.
constexpr int kFactory3MinId = 5;
constexpr int kFactory3MaxId = 113;
} // namespace qv
