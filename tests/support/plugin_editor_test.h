// The ground of the wizard tests: the plug-in loaded for its resources, a fake editor that
// checks the request protocol, an unexpected message box or a protocol breach failing the
// test, and wizards attached to new elements. A family's fixture adds what its tests share.
#pragma once

#include "afx/afxwin.h"
#include "editor/schematic_editor.h"
#include "framework/data_file_places.h"
#include "framework/param_list.h"
#include "win32/module.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace qv_test {

class PluginEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
        ASSERT_NE(nullptr, module);
        // Sheets create their pages from the resources current at that moment, so the test
        // plays an editor whose resource chain reaches the plug-in.
        oldResources = AfxGetResourceHandle();
        AfxSetResourceHandle(module);
        qv::UserScript::Instance().Reset();
        qv::UserScript::Instance().SetFailureHandler([](const std::string& m) { ADD_FAILURE() << m; });
        editor = std::make_unique<qv::SchematicEditor>();
        editor->SetBreachHandler([](const std::string& m) { ADD_FAILURE() << "protocol: " << m; });
    }
    void TearDown() override {
        EXPECT_EQ(0u, qv::UserScript::Instance().Pending()) << qv::UserScript::Instance().DescribePending();
        if (editor) editor->CheckAllReturned();
        editor.reset();
        qv::UserScript::Instance().SetFailureHandler(nullptr);
        if (!root.empty()) std::filesystem::remove_all(root);
        AfxSetResourceHandle(oldResources);
        if (module) FreeLibrary(module);
    }

    // A fresh scratch folder "<temp>/parvel_<family>_<process>" with a "model" folder, removed
    // at the end; the document, search and output places start empty.
    void UseScratchFolder(const std::string& family) {
        root = std::filesystem::temp_directory_path() / ("parvel_" + family + "_" + std::to_string(getpid()));
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "model");
        g_DocumentDir.Empty();
        g_CharacteristicSearchDirs.RemoveAll();
        g_ModelOutputDir.Empty();
    }

    // A new wizard attached to a new element of this set.
    template <class Wizard, class... Args>
    std::unique_ptr<Wizard> Attached(std::unique_ptr<ParamHolder> holder, DWORD* element, Args... args) {
        const DWORD handle = editor->AddElement(std::move(holder));
        auto wizard = std::make_unique<Wizard>(args...);
        editor->Attach(*wizard, handle);
        if (element) *element = handle;
        return wizard;
    }

    HMODULE module = nullptr;
    HINSTANCE oldResources = nullptr;
    std::unique_ptr<qv::SchematicEditor> editor;
    std::filesystem::path root;
};

} // namespace qv_test
