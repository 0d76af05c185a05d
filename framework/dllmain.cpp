// The plug-in's entry point: registers the extension module, chooses the resource module
// (the language module when one is configured and loadable, else the plug-in itself) and
// joins the framework's chain of resource modules.
#include "afx/afxwin.h"
#include "afx/msgbox.h"
#include "framework/module.h"
#include "win32/win32.h"
#include "wizard/environment.h"

#include <new>

namespace {

BOOL AttachProcess(HINSTANCE instance) {
    if (!AfxInitExtensionModule(g_ExtensionModule, instance)) return FALSE;
    g_hModule = instance;
    g_hLanguageModule = nullptr;
    qv::ApplyVersionedSchemas();

    CString first;
    CString path;
    GetQuorvatixLanguage(g_hModule, first, path);
    g_hResourceModule = instance;
    if (!path.IsEmpty() && _access(path, 0) == 0) {
        HINSTANCE language = LoadLibraryA(path);
        if (language != nullptr) {
            g_hLanguageModule = language;
            g_hResourceModule = language;
        } else {
            // The path goes in as an argument, never as part of the format.
            CString message;
            message.Format("Cannot load language-resources from %s !", static_cast<LPCTSTR>(path));
            AfxMessageBox(message);
        }
    }
    // The framework owns the record from now on; a failed allocation is ignored.
    new (std::nothrow) CDynLinkLibrary(g_ExtensionModule, FALSE);
    return TRUE;
}

} // namespace

extern "C" QV_EXPORT BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return AttachProcess(instance);
    case DLL_PROCESS_DETACH:
        AfxTermExtensionModule(g_ExtensionModule, FALSE);
        return TRUE;
    default:
        return TRUE;
    }
}
