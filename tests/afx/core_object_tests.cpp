#include "afx/afx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

class CTestShape : public CObject {
    DECLARE_DYNAMIC(CTestShape)
};
IMPLEMENT_DYNAMIC(CTestShape, CObject)

class CTestCircle : public CTestShape {
    DECLARE_DYNCREATE(CTestCircle)
};
IMPLEMENT_DYNCREATE(CTestCircle, CTestShape)

namespace {

TEST(RuntimeClassTest, KindsCreationAndDowncasts)
{
    CTestCircle circle;
    CObject* obj = &circle;
    EXPECT_TRUE(obj->IsKindOf(RUNTIME_CLASS(CTestShape)));
    EXPECT_TRUE(obj->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(obj->IsSerializable());
    EXPECT_EQ(DYNAMIC_DOWNCAST(CTestShape, obj), &circle);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CException, obj), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CTestShape, static_cast<CObject*>(nullptr)), nullptr);
    EXPECT_EQ(STATIC_DOWNCAST(CTestCircle, obj), &circle);
    EXPECT_STREQ(RUNTIME_CLASS(CTestCircle)->m_lpszClassName, "CTestCircle");
    EXPECT_EQ(RUNTIME_CLASS(CTestCircle)->m_pBaseClass, RUNTIME_CLASS(CTestShape));

    // Only classes with a creation function are registered by name and can be created.
    EXPECT_EQ(CRuntimeClass::FromName("CTestShape"), nullptr);
    CRuntimeClass* found = CRuntimeClass::FromName("CTestCircle");
    ASSERT_EQ(found, RUNTIME_CLASS(CTestCircle));
    CObject* made = found->CreateObject();
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CTestCircle)));
    delete made;
    EXPECT_EQ(RUNTIME_CLASS(CTestShape)->CreateObject(), nullptr);
}

TEST(RuntimeClassTest, RegistrationEndsWithItsOwner)
{
    static CRuntimeClass temporary = {"CTestTemporary", 0, 1, nullptr, RUNTIME_CLASS(CObject)};
    {
        qv::ClassRegistration registration(&temporary);
        EXPECT_EQ(CRuntimeClass::FromName("CTestTemporary"), &temporary);
    }
    EXPECT_EQ(CRuntimeClass::FromName("CTestTemporary"), nullptr);
}

TEST(RuntimeClassDeathTest, WrongStaticDowncastStops)
{
    CTestShape shape;
    CObject* obj = &shape;
    EXPECT_DEATH((void)STATIC_DOWNCAST(CTestCircle, obj), "not a CTestCircle");
}

TEST(ExceptionTest, ThrownPointersAreDeletableAndDescribed)
{
    try {
        AfxThrowArchiveException(CArchiveException::badClass, "file.sch");
    } catch (CException* e) {
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CArchiveException)));
        char text[128];
        UINT help = 99;
        EXPECT_TRUE(e->GetErrorMessage(text, sizeof text, &help));
        EXPECT_EQ(help, 0u);
        EXPECT_NE(std::string(text).find("file.sch"), std::string::npos);
        char tiny[4];
        EXPECT_TRUE(e->GetErrorMessage(tiny, sizeof tiny));
        EXPECT_EQ(std::strlen(tiny), 3u);  // truncated, terminated
        e->Delete();
    }
    for (auto thrower : {+[] { AfxThrowMemoryException(); }, +[] { AfxThrowNotSupportedException(); },
                         +[] { AfxThrowResourceException(); }, +[] { AfxThrowFileException(CFileException::diskFull); }}) {
        try {
            thrower();
        } catch (CException* e) {
            e->Delete();
        }
    }
    CArchiveException onStack(CArchiveException::generic);
    onStack.m_bAutoDelete = FALSE;
    onStack.Delete();  // stays alive
    EXPECT_EQ(onStack.m_cause, CArchiveException::generic);
}

TEST(ModuleStateTest, ResourceHandleAndExtensionChain)
{
    HINSTANCE previous = AfxGetResourceHandle();
    HINSTANCE fake = reinterpret_cast<HINSTANCE>(0x1000);
    AfxSetResourceHandle(fake);
    EXPECT_EQ(AfxGetResourceHandle(), fake);
    AfxSetResourceHandle(previous);

    const int before = qv::DynLinkLibraryCount();
    AFX_EXTENSION_MODULE moduleA, moduleB;
    ASSERT_TRUE(AfxInitExtensionModule(moduleA, reinterpret_cast<HINSTANCE>(0x2000)));
    ASSERT_TRUE(AfxInitExtensionModule(moduleB, reinterpret_cast<HINSTANCE>(0x3000)));
    EXPECT_EQ(moduleA.hResource, reinterpret_cast<HINSTANCE>(0x2000));
    new CDynLinkLibrary(moduleA);
    new CDynLinkLibrary(moduleB);
    EXPECT_EQ(qv::DynLinkLibraryCount(), before + 2);
    AfxTermExtensionModule(moduleA);
    EXPECT_EQ(qv::DynLinkLibraryCount(), before + 1);
    EXPECT_EQ(qv::DynLinkLibraryAt(before)->m_hModule, moduleB.hModule);
    AfxTermExtensionModule(moduleB);
    EXPECT_EQ(qv::DynLinkLibraryCount(), before);

    qv::SetRefuseExtensionModules(true);
    AFX_EXTENSION_MODULE refused;
    EXPECT_FALSE(AfxInitExtensionModule(refused, reinterpret_cast<HINSTANCE>(0x4000)));
    EXPECT_FALSE(refused.bInitialized);
    qv::SetRefuseExtensionModules(false);
}

} // namespace

