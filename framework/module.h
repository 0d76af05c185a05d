// Module start-up of the plug-in, its resource handles, and the switch to its resources.
#pragma once

#include "afx/afx.h"

#include <vector>

extern AFX_EXTENSION_MODULE g_ExtensionModule;
extern HINSTANCE g_hModule;          // the plug-in's own module, stored on attach
extern HINSTANCE g_hLanguageModule;  // the loaded language-resource module, or null
extern HINSTANCE g_hResourceModule;  // where every dialog, menu and string is taken from

// The version every serialisable page writes first and tests when it reads older data.
extern DWORD g_dwPageVersion;

extern "C" QV_EXPORT BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

// Installs the plug-in's resource module as the framework's resource handle for the life of
// the object and restores the previous handle when it ends, on every path out of the scope
// (early return or exception alike). Every page, dialog and string-table operation of the
// plug-in opens one.
class CResourceSwitch {
public:
    CResourceSwitch();
    ~CResourceSwitch();
    CResourceSwitch(const CResourceSwitch&) = delete;
    CResourceSwitch& operator=(const CResourceSwitch&) = delete;

private:
    HINSTANCE m_hSaved;
};

// Loads a string of the plug-in's string table with the plug-in's resources installed;
// empty text when the string does not exist.
CString LoadLibraryString(UINT id);

namespace qv {
// The serialisable page and data classes of the plug-in. Each is entered in this list when
// the module is initialised, and its schema becomes the page version with the versionable
// flag; DllMain applies the schema to the whole list again on attach.
std::vector<CRuntimeClass*>& VersionedClasses();
void ApplyVersionedSchema(CRuntimeClass* runtimeClass);
void ApplyVersionedSchemas();

struct VersionedClassRegistration {
    explicit VersionedClassRegistration(CRuntimeClass* runtimeClass);
};
} // namespace qv

// Placed once beside IMPLEMENT_SERIAL / IMPLEMENT_DYNCREATE of a serialisable page or data
// class of the plug-in.
#define PARVEL_VERSIONED_CLASS(class_name) \
    static const qv::VersionedClassRegistration qv_versioned_##class_name(RUNTIME_CLASS(class_name));
