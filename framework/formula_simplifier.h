// The formula simplifier: runs a formula text through the simulator's formula modules
// ("Pravent" translates it into postfix form, "Ombrix" prints the simplified form back), so
// that the coefficient texts of the digital filter are stored in their simplest form.
#pragma once

#include "afx/cstring.h"
#include "formula/formel.h"
#include "win32/wintypes.h"

class CFormulaSimplifier {
public:
    CFormulaSimplifier();
    virtual ~CFormulaSimplifier();
    CFormulaSimplifier(const CFormulaSimplifier&) = delete;
    CFormulaSimplifier& operator=(const CFormulaSimplifier&) = delete;

    // Loads both modules and looks up their exports. 0 when a module or an export is missing;
    // nothing stays loaded then.
    BOOL Load();
    // Replaces *formula by its simplified form and returns 1. 0 when the modules are not
    // loaded or refuse the text; *formula is then unchanged.
    BOOL Simplify(CString* formula);

protected:
    // Module names as the loader takes them; a test subclass names other modules.
    const char* m_pszSimplifierModule = "Ombrix.dll";
    const char* m_pszPrecompilerModule = "Pravent.dll";

    HMODULE m_hSimplifier = nullptr;
    HMODULE m_hPrecompiler = nullptr;
    UpnToSimplifyStringFunc m_pfnSimplify = nullptr;
    Fml2UpnFunc m_pfnFml2Upn = nullptr;
};
