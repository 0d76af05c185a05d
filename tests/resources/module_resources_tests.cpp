// Resources found through a loaded module: the language module carries the script, the
// lookup parses it once, and the string loaders follow the Win32 contract.
#include "win32/module.h"
#include "win32/resources.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class ModuleResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA(PARVEL_MODULE_DIR "/ParvelEnu.dll");
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

TEST_F(ModuleResources, LanguageModuleCarriesTheScriptParsedOnce) {
    const qv::ResourceScript* first = qv::GetModuleResources(module_);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(qv::GetModuleResources(module_), first);
    EXPECT_EQ(first->strings.at(8000), "Invalid value!");
    EXPECT_EQ(first->dialogs.count(30000), 1u);
}

// What is known about a module is forgotten when it is unloaded: the loader hands a freed
// handle to the next library it loads, and that library must not answer with the script of
// the one before.
TEST_F(ModuleResources, AnUnloadedModulesScriptIsNotAnsweredForTheNextOne) {
    ASSERT_NE(qv::GetModuleResources(module_), nullptr);
    const unsigned long unloads = qv::ModuleUnloadCount();
    ASSERT_TRUE(FreeLibrary(module_));
    module_ = nullptr;
    EXPECT_EQ(qv::ModuleUnloadCount(), unloads + 1);   // what the cache keys its validity on
    for (int round = 0; round < 3; ++round) {
        HMODULE plain = LoadLibraryA(PARVEL_MODULE_DIR "/Pravent.dll");
        ASSERT_NE(plain, nullptr);
        EXPECT_EQ(qv::GetModuleResources(plain), nullptr);
        ASSERT_TRUE(FreeLibrary(plain));
        EXPECT_EQ(qv::GetModuleResources(plain), nullptr);   // no longer a live module
        HMODULE language = LoadLibraryA(PARVEL_MODULE_DIR "/ParvelEnu.dll");
        ASSERT_NE(language, nullptr);
        const qv::ResourceScript* script = qv::GetModuleResources(language);
        ASSERT_NE(script, nullptr);
        EXPECT_EQ(script->strings.at(8000), "Invalid value!");
        ASSERT_TRUE(FreeLibrary(language));
    }
}

TEST_F(ModuleResources, ModulesWithoutScriptHaveNoResources) {
    EXPECT_EQ(qv::GetModuleResources(nullptr), nullptr);
    std::string text = "unchanged";
    EXPECT_FALSE(qv::LoadStringResource(nullptr, 8000, text));
    EXPECT_EQ(text, "unchanged");
}

TEST_F(ModuleResources, LoadStringFollowsTheWin32Contract) {
    std::string text;
    ASSERT_TRUE(qv::LoadStringResource(module_, 8005, text));
    EXPECT_EQ(text, "Error while writing <%s>!");
    EXPECT_FALSE(qv::LoadStringResource(module_, 8018, text));

    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(module_, 8004, buffer, sizeof buffer), 25);
    EXPECT_STREQ(buffer, "Error while reading file!");

    // Truncated to size-1 characters plus the terminator.
    char small[6];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(LoadStringA(module_, 8004, small, sizeof small), 5);
    EXPECT_STREQ(small, "Error");

    // A missing string gives 0 and an empty buffer; no room means nothing is written.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(module_, 8018, buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
    char one = 'x';
    EXPECT_EQ(LoadStringA(module_, 8004, &one, 1), 0);
    EXPECT_EQ(one, '\0');
    EXPECT_EQ(LoadStringA(module_, 8004, &one, 0), 0);
    EXPECT_EQ(LoadStringA(module_, 8004, nullptr, 10), 0);
}

} // namespace
