// CObject and runtime classes.
//
// Every class declared with DECLARE_DYNAMIC, DECLARE_DYNCREATE or DECLARE_SERIAL gets a
// CRuntimeClass record. Records of classes with IMPLEMENT_DYNCREATE/IMPLEMENT_SERIAL are
// entered in a process-wide registry by name when their module is initialised and taken out
// again when it is unloaded, so archives can create objects by class name (FromName).
#pragma once

#include "win32/wintypes.h"

class CArchive;
class CObject;

// A class whose stored schema may differ from its current one: loading then reports the
// stored schema through CArchive::GetObjectSchema instead of refusing the data.
#define VERSIONABLE_SCHEMA (0x80000000)

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;                     // 0xFFFF: not serialisable
    CObject* (*m_pfnCreateObject)();    // null: cannot be created by name
    CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const;      // null when the class cannot be created
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
    // The registered class of this name (the most recently registered on a clash), or null.
    static CRuntimeClass* FromName(LPCSTR lpszClassName);
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual void Serialize(CArchive& ar);
    BOOL IsKindOf(const CRuntimeClass* pClass) const;
    BOOL IsSerializable() const;

    static CRuntimeClass classCObject;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

namespace qv {
// Enters a runtime class in the registry for as long as it lives. The IMPLEMENT_ macros
// place one of these beside each class record, so a module's classes come and go with it.
class ClassRegistration {
public:
    explicit ClassRegistration(CRuntimeClass* pClass);
    ~ClassRegistration();
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;

private:
    CRuntimeClass* m_pClass;
};
}

CObject* AfxDynamicDownCast(CRuntimeClass* pClass, CObject* pObject);

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

// The declaration carries no 'override' so that it fits classes written either way; clang's
// warning about classes that mix both styles is silenced for this one declaration.
#ifdef __clang__
#define QV_MIXED_OVERRIDE_BEGIN \
    _Pragma("clang diagnostic push") _Pragma("clang diagnostic ignored \"-Winconsistent-missing-override\"")
#define QV_MIXED_OVERRIDE_END _Pragma("clang diagnostic pop")
#else
#define QV_MIXED_OVERRIDE_BEGIN
#define QV_MIXED_OVERRIDE_END
#endif

#define DECLARE_DYNAMIC(class_name)                     \
public:                                                 \
    static CRuntimeClass class##class_name;             \
    QV_MIXED_OVERRIDE_BEGIN                             \
    virtual CRuntimeClass* GetRuntimeClass() const;     \
    QV_MIXED_OVERRIDE_END

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) \
    DECLARE_DYNCREATE(class_name)  \
    friend CArchive& operator>>(CArchive& ar, class_name*& pOb);

#define QV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                        \
    CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), \
                                                   static_cast<UINT>(wSchema), pfnNew,              \
                                                   RUNTIME_CLASS(base_class_name)};                \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    QV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                              \
    CObject* class_name::CreateObject() { return new class_name; }                    \
    QV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject) \
    static const qv::ClassRegistration qv_classRegistration_##class_name(RUNTIME_CLASS(class_name));

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                        \
    CObject* class_name::CreateObject() { return new class_name; }                    \
    QV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, class_name::CreateObject) \
    static const qv::ClassRegistration qv_classRegistration_##class_name(RUNTIME_CLASS(class_name)); \
    CArchive& operator>>(CArchive& ar, class_name*& pOb)                              \
    {                                                                                 \
        pOb = static_cast<class_name*>(ar.ReadObject(RUNTIME_CLASS(class_name)));     \
        return ar;                                                                    \
    }

// Null when the object is null or not of the class.
#define DYNAMIC_DOWNCAST(class_name, object) \
    (static_cast<class_name*>(AfxDynamicDownCast(RUNTIME_CLASS(class_name), (object))))
// The caller knows the object is of the class; a wrong class stops the program.
#define STATIC_DOWNCAST(class_name, object) \
    (static_cast<class_name*>(qv::CheckedDownCast(RUNTIME_CLASS(class_name), (object), #class_name)))

namespace qv {
CObject* CheckedDownCast(CRuntimeClass* pClass, CObject* pObject, const char* className);
}
