#include "afx/object.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Function-local so that it exists before any module's static initialisers register
// their classes, and outlives them (modules unregister during their static destruction).
std::vector<CRuntimeClass*>& Registry()
{
    static auto* registry = new std::vector<CRuntimeClass*>();
    return *registry;
}

} // namespace

CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr};

CObject* CRuntimeClass::CreateObject() const
{
    if (!m_pfnCreateObject)
        return nullptr;
    return m_pfnCreateObject();
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    if (!pBaseClass)
        return FALSE;
    for (const CRuntimeClass* p = this; p; p = p->m_pBaseClass)
        if (p == pBaseClass)
            return TRUE;
    return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR lpszClassName)
{
    if (!lpszClassName)
        return nullptr;
    const auto& reg = Registry();
    for (auto it = reg.rbegin(); it != reg.rend(); ++it)
        if (std::strcmp((*it)->m_lpszClassName, lpszClassName) == 0)
            return *it;
    if (std::strcmp(lpszClassName, "CObject") == 0)
        return &CObject::classCObject;
    return nullptr;
}

CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

void CObject::Serialize(CArchive&) {}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }

BOOL CObject::IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }

CObject* AfxDynamicDownCast(CRuntimeClass* pClass, CObject* pObject)
{
    if (pObject && pObject->IsKindOf(pClass))
        return pObject;
    return nullptr;
}

namespace qv {

ClassRegistration::ClassRegistration(CRuntimeClass* pClass) : m_pClass(pClass)
{
    if (m_pClass)
        Registry().push_back(m_pClass);
}

ClassRegistration::~ClassRegistration()
{
    auto& reg = Registry();
    auto it = std::find(reg.begin(), reg.end(), m_pClass);
    if (it != reg.end())
        reg.erase(it);
}

CObject* CheckedDownCast(CRuntimeClass* pClass, CObject* pObject, const char* className)
{
    if (pObject && !pObject->IsKindOf(pClass)) {
        std::fprintf(stderr, "STATIC_DOWNCAST: object of class %s is not a %s\n",
                     pObject->GetRuntimeClass()->m_lpszClassName, className);
        std::fflush(stderr);
        std::abort();
    }
    return pObject;
}

} // namespace qv
