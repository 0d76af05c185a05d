#include "afx/afxwin.h"
#include "afx/msgbox.h"
#include "afx/user_script.h"
#include "editor/schematic_editor.h"
#include "framework/module.h"
#include "framework/requests.h"
#include "win32/win32.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

const char kPluginPath[] = PARVEL_MODULE_DIR "/Parvel.so";
const char kLanguagePath[] = PARVEL_MODULE_DIR "/ParvelEnu.so";

// A serialisable class of the kind the plug-in's pages and data classes are.
class CVersionedProbe : public CObject {
    DECLARE_DYNCREATE(CVersionedProbe)
};
IMPLEMENT_DYNCREATE(CVersionedProbe, CObject)
PARVEL_VERSIONED_CLASS(CVersionedProbe)

// Every test loads the plug-in by path, so the loader runs its DllMain; the user script
// fails the test on any message box it did not expect.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        script().Reset();
        script().SetFailureHandler([](const std::string& what) { ADD_FAILURE() << what; });
        qv::SetLanguageModulePath("");
        chainBefore = qv::DynLinkLibraryCount();
    }
    void TearDown() override {
        if (plugin != nullptr) FreeLibrary(plugin);
        EXPECT_EQ(0u, script().Pending()) << script().DescribePending();
        script().Reset();
        script().SetFailureHandler(nullptr);
        qv::SetLanguageModulePath("");
        qv::SetRefuseExtensionModules(false);
        std::error_code ignored;
        if (!tempDir.empty()) std::filesystem::remove_all(tempDir, ignored);
    }
    static qv::UserScript& script() { return qv::UserScript::Instance(); }
    size_t MessageBoxesShown() const {
        size_t count = 0;
        for (const auto& shown : qv::UserScript::Instance().Shown())
            if (shown.kind == qv::InteractionKind::MessageBox) ++count;
        return count;
    }
    // A file that exists but is no loadable module, in a folder whose name looks like a format.
    std::string MakeJunkModule() {
        tempDir = std::filesystem::temp_directory_path() / ("parvel lang %s%d " + std::to_string(::getpid()));
        std::filesystem::create_directories(tempDir);
        const std::string path = (tempDir / "ParvelEnu.so").string();
        std::ofstream(path) << "not a module";
        return path;
    }

    // Loads the plug-in as the editor does; false when it did not load.
    bool LoadPlugin() {
        plugin = LoadLibraryA(kPluginPath);
        return plugin != nullptr;
    }

    HMODULE plugin = nullptr;
    int chainBefore = 0;
    std::filesystem::path tempDir;
};

TEST_F(StartupTest, WithoutLanguageModuleTheLibraryUsesItsOwnResourcesSilently) {
    ASSERT_TRUE(LoadPlugin());
    EXPECT_EQ(plugin, g_hModule);
    EXPECT_EQ(plugin, g_hResourceModule);
    EXPECT_EQ(nullptr, g_hLanguageModule);
    EXPECT_EQ(0u, MessageBoxesShown());
    EXPECT_EQ(chainBefore + 1, qv::DynLinkLibraryCount()) << "the module joins the resource chain";
    EXPECT_EQ(CString("Error while writing <%s>!"), LoadLibraryString(8005));
    FreeLibrary(plugin);
    plugin = nullptr;
    EXPECT_EQ(chainBefore, qv::DynLinkLibraryCount()) << "detach leaves the chain";
}

TEST_F(StartupTest, UnloadableLanguageModuleShowsOneMessageAndKeepsOwnResources) {
    const std::string junk = MakeJunkModule();
    qv::SetLanguageModulePath(junk.c_str());
    script().ExpectMessageBox(IDOK, "Cannot load language-resources from " + junk + " !");
    ASSERT_TRUE(LoadPlugin());
    EXPECT_EQ(1u, MessageBoxesShown());
    EXPECT_EQ(nullptr, g_hLanguageModule);
    EXPECT_EQ(plugin, g_hResourceModule);
    EXPECT_EQ(CString("Error while writing <%s>!"), LoadLibraryString(8005)) << "strings still come from the library";
}

TEST_F(StartupTest, MissingLanguageModuleFileIsSilent) {
    qv::SetLanguageModulePath("/nonexistent/ParvelEnu.so");
    ASSERT_TRUE(LoadPlugin());
    EXPECT_EQ(0u, MessageBoxesShown());
    EXPECT_EQ(plugin, g_hResourceModule);
}

TEST_F(StartupTest, LoadableLanguageModuleBecomesTheResourceModule) {
    qv::SetLanguageModulePath(kLanguagePath);
    ASSERT_TRUE(LoadPlugin());
    ASSERT_NE(nullptr, g_hLanguageModule);
    EXPECT_NE(plugin, g_hLanguageModule);
    EXPECT_EQ(g_hLanguageModule, g_hResourceModule);
    EXPECT_EQ(0u, MessageBoxesShown());
    EXPECT_EQ(CString("Error while writing <%s>!"), LoadLibraryString(8005));
    FreeLibrary(g_hLanguageModule);
}

TEST_F(StartupTest, RefusedExtensionModuleFailsTheLoad) {
    qv::SetRefuseExtensionModules(true);
    EXPECT_EQ(nullptr, LoadLibraryA(kPluginPath));
    EXPECT_EQ(0u, MessageBoxesShown());
    EXPECT_EQ(chainBefore, qv::DynLinkLibraryCount());
}

TEST_F(StartupTest, ResourceSwitchRestoresTheHandleOnEveryPath) {
    ASSERT_TRUE(LoadPlugin());
    HMODULE other = LoadLibraryA(kLanguagePath);
    ASSERT_NE(nullptr, other);
    AfxSetResourceHandle(other);
    {
        CResourceSwitch outer;
        EXPECT_EQ(g_hResourceModule, AfxGetResourceHandle());
        {
            CResourceSwitch inner;
            EXPECT_EQ(g_hResourceModule, AfxGetResourceHandle());
        }
        EXPECT_EQ(g_hResourceModule, AfxGetResourceHandle());
    }
    EXPECT_EQ(other, AfxGetResourceHandle());

    auto earlyReturn = [](bool leave) {
        CResourceSwitch resources;
        if (leave) return 1;
        AfxSetResourceHandle(nullptr);
        return 2;
    };
    EXPECT_EQ(1, earlyReturn(true));
    EXPECT_EQ(other, AfxGetResourceHandle());
    EXPECT_EQ(2, earlyReturn(false));
    EXPECT_EQ(other, AfxGetResourceHandle()) << "restored even when the work changed the handle";

    try {
        CResourceSwitch resources;
        throw std::runtime_error("page failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(other, AfxGetResourceHandle());
    LoadLibraryString(8005);
    EXPECT_EQ(other, AfxGetResourceHandle());
    FreeLibrary(other);
}

TEST_F(StartupTest, SerialisableClassesGetThePageVersionAsVersionableSchema) {
    EXPECT_EQ(10u, g_dwPageVersion);
    EXPECT_EQ(10u | VERSIONABLE_SCHEMA, RUNTIME_CLASS(CVersionedProbe)->m_wSchema);
    RUNTIME_CLASS(CVersionedProbe)->m_wSchema = 1;
    ASSERT_TRUE(LoadPlugin());
    EXPECT_EQ(10u | VERSIONABLE_SCHEMA, RUNTIME_CLASS(CVersionedProbe)->m_wSchema) << "start-up applies it again";
}

// Code 8 loads its text from the plug-in's string table under the resource switch.
TEST_F(StartupTest, WriteErrorRequestTextComesFromTheStringTable) {
    ASSERT_TRUE(LoadPlugin());
    qv::SchematicEditor editor;
    editor.SetBreachHandler([](const std::string& what) { ADD_FAILURE() << "protocol breach: " << what; });
    CWizardBase4 wizard;
    editor.Attach(wizard, editor.AddElement(std::make_unique<ParamHolder>()));
    ReportWriteError(&wizard, "/data/%s<R1>.mdx");
    ASSERT_EQ(1u, editor.CountRequests(WIZREQ_ERROR_TEXT));
    EXPECT_EQ("Error while writing </data/%s<R1>.mdx>!", editor.Requests()[0].text)
        << "the file name is inserted literally, never read as a format";
}

} // namespace
