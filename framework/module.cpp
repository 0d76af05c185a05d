#include "framework/module.h"

#include <algorithm>

AFX_EXTENSION_MODULE g_ExtensionModule{};
HINSTANCE g_hModule = nullptr;
HINSTANCE g_hLanguageModule = nullptr;
HINSTANCE g_hResourceModule = nullptr;
DWORD g_dwPageVersion = 10;

namespace qv {

std::vector<CRuntimeClass*>& VersionedClasses() {
    static std::vector<CRuntimeClass*> classes;
    return classes;
}

void ApplyVersionedSchema(CRuntimeClass* runtimeClass) {
    if (runtimeClass != nullptr) runtimeClass->m_wSchema = g_dwPageVersion | VERSIONABLE_SCHEMA;
}

void ApplyVersionedSchemas() {
    for (CRuntimeClass* runtimeClass : VersionedClasses()) ApplyVersionedSchema(runtimeClass);
}

VersionedClassRegistration::VersionedClassRegistration(CRuntimeClass* runtimeClass) {
    auto& classes = VersionedClasses();
    if (runtimeClass != nullptr && std::find(classes.begin(), classes.end(), runtimeClass) == classes.end())
        classes.push_back(runtimeClass);
    ApplyVersionedSchema(runtimeClass);
}

} // namespace qv

CResourceSwitch::CResourceSwitch() : m_hSaved(AfxGetResourceHandle()) {
    AfxSetResourceHandle(g_hResourceModule);
}

CResourceSwitch::~CResourceSwitch() {
    AfxSetResourceHandle(m_hSaved);
}

CString LoadLibraryString(UINT id) {
    CResourceSwitch resources;
    CString text;
    if (!text.LoadString(id)) text.Empty();
    return text;
}
