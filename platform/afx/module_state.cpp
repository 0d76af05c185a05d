#include "afx/module_state.h"

#include "win32/module.h"

#include <algorithm>
#include <vector>

namespace {

struct ModuleState {
    HINSTANCE hResource = nullptr;
    HINSTANCE hInstance = nullptr;
    bool refuseExtensionModules = false;
    // Owns its records: AfxTermExtensionModule deletes a module's records. Records of modules
    // still loaded at process end stay reachable from here until the process is gone.
    std::vector<CDynLinkLibrary*> chain;
};

// Never destroyed: plug-ins terminate their extension module from their own static
// destruction or unload, which may come after this library's static objects are gone.
ModuleState& State()
{
    static ModuleState* state = new ModuleState();
    return *state;
}

} // namespace

HINSTANCE AfxGetResourceHandle() { return State().hResource; }
void AfxSetResourceHandle(HINSTANCE hInstResource) { State().hResource = hInstResource; }
HINSTANCE AfxGetInstanceHandle() { return State().hInstance; }

HINSTANCE AfxLoadLibrary(LPCSTR lpszModuleName) { return LoadLibraryA(lpszModuleName); }
BOOL AfxFreeLibrary(HINSTANCE hInstLib) { return FreeLibrary(hInstLib); }

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HINSTANCE hInst)
{
    if (State().refuseExtensionModules)
        return FALSE;
    state.hModule = hInst;
    state.hResource = hInst;
    state.bInitialized = TRUE;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll)
{
    auto& chain = State().chain;
    std::vector<CDynLinkLibrary*> doomed;
    for (CDynLinkLibrary* lib : chain)
        if (bAll || lib->m_hModule == state.hModule)
            doomed.push_back(lib);
    for (CDynLinkLibrary* lib : doomed)
        delete lib;  // the destructor takes it out of the chain
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(bSystem)
{
    State().chain.push_back(this);
}

CDynLinkLibrary::~CDynLinkLibrary()
{
    auto& chain = State().chain;
    chain.erase(std::remove(chain.begin(), chain.end(), this), chain.end());
}

namespace qv {
void SetRefuseExtensionModules(bool refuse) { State().refuseExtensionModules = refuse; }
void SetInstanceHandle(HINSTANCE hInstance) { State().hInstance = hInstance; }
int DynLinkLibraryCount() { return static_cast<int>(State().chain.size()); }
CDynLinkLibrary* DynLinkLibraryAt(int index)
{
    auto& chain = State().chain;
    if (index < 0 || index >= static_cast<int>(chain.size()))
        return nullptr;
    return chain[static_cast<size_t>(index)];
}
}
