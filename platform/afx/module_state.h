// Module state: the resource module, the instance, and the extension-module chain.
//
// The state lives once per process in the platform library, shared by the host and every
// plug-in, as the original framework's shared module state was.
#pragma once

#include "win32/wintypes.h"

struct AFX_EXTENSION_MODULE {
    BOOL bInitialized = FALSE;
    HMODULE hModule = nullptr;
    HMODULE hResource = nullptr;
};

// The module that dialogs, menus and strings are taken from.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);
// The running program's instance: the module handle given to qv::SetInstanceHandle by the
// host, else null.
HINSTANCE AfxGetInstanceHandle();

// Records the extension module (its module and resource handle are hInst). Returns TRUE,
// or 0 while the test hook qv::SetRefuseExtensionModules(true) is active.
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HINSTANCE hInst);
// Deletes the module's CDynLinkLibrary records (every record when bAll is TRUE).
void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);

// Registers an extension module in the process-wide chain. Create with new; the chain
// owns the record and deletes it at AfxTermExtensionModule of its module.
class CDynLinkLibrary {
public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem = FALSE);
    virtual ~CDynLinkLibrary();
    CDynLinkLibrary(const CDynLinkLibrary&) = delete;
    CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;

    HMODULE m_hModule;
    HMODULE m_hResource;
    BOOL m_bSystem;
};

// The framework's module loading: the loader's LoadLibraryA and FreeLibrary (a bare name is
// looked for in the system's module folder, docs of win32/module.h). The original framework
// also serialised these calls for its own bookkeeping; the stand-in's loader is locked itself.
HINSTANCE AfxLoadLibrary(LPCSTR lpszModuleName);
BOOL AfxFreeLibrary(HINSTANCE hInstLib);

namespace qv {
// Test hook: while true, AfxInitExtensionModule refuses (returns 0).
void SetRefuseExtensionModules(bool refuse);
// Set by the host at start-up.
void SetInstanceHandle(HINSTANCE hInstance);
// The modules of the extension chain, oldest first (for resource searches and tests).
int DynLinkLibraryCount();
CDynLinkLibrary* DynLinkLibraryAt(int index);
}
