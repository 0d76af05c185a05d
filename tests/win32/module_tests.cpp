#include "win32/module.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {
std::vector<std::pair<HINSTANCE, DWORD>> g_entries;
BOOL g_attachAnswer = TRUE;
} // namespace

extern "C" {
void Win32TestRecordEntry(HINSTANCE instance, DWORD reason) { g_entries.emplace_back(instance, reason); }
BOOL Win32TestAttachAnswer() { return g_attachAnswer; }
}

namespace {

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_entries.clear();
        g_attachAnswer = TRUE;
    }
    int Count(DWORD reason) const
    {
        int n = 0;
        for (auto& e : g_entries)
            n += e.second == reason;
        return n;
    }
};

TEST_F(ModuleTest, EntryPointRunsOnFirstLoadAndLastFree)
{
    HMODULE first = LoadLibraryA("TestModule.dll");
    ASSERT_NE(first, nullptr) << GetLastError();
    HMODULE second = LoadLibraryA("TestModule.DLL");
    EXPECT_EQ(first, second);
    ASSERT_EQ(g_entries.size(), 1u);
    EXPECT_EQ(g_entries[0].first, first); // the module gets its own handle
    EXPECT_EQ(g_entries[0].second, static_cast<DWORD>(DLL_PROCESS_ATTACH));

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(Count(DLL_PROCESS_DETACH), 0);
    EXPECT_EQ(GetModuleHandleA("TestModule.dll"), first);
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(Count(DLL_PROCESS_DETACH), 1);

    // The handle is dead now: nothing reaches the unloaded module through it.
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetProcAddress(first, "TestModuleValue"), nullptr);
    EXPECT_EQ(qv::ModuleNativeHandle(first), nullptr);
    EXPECT_EQ(GetModuleHandleA("TestModule.dll"), nullptr);
    EXPECT_EQ(Count(DLL_PROCESS_DETACH), 1);

    // Loading again attaches again.
    HMODULE again = LoadLibraryA("TestModule.dll");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Count(DLL_PROCESS_ATTACH), 2);
    EXPECT_TRUE(FreeLibrary(again));
}

TEST_F(ModuleTest, NameMappingAndExports)
{
    std::string full = std::string(PARVEL_MODULE_DIR) + "/TestModule.dll";
    HMODULE byPath = LoadLibraryA(full.c_str());
    ASSERT_NE(byPath, nullptr);
    HMODULE byName = LoadLibraryA("TestModule"); // no extension: the library suffix is added
    EXPECT_EQ(byName, byPath);
    HMODULE bySoName = LoadLibraryA("TestModule.so");
    EXPECT_EQ(bySoName, byPath);
    EXPECT_EQ(Count(DLL_PROCESS_ATTACH), 1);

    auto value = reinterpret_cast<int (*)()>(GetProcAddress(byPath, "TestModuleValue"));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value(), 42);
    EXPECT_EQ(GetProcAddress(byPath, "NoSuchExport"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_NE(qv::ModuleNativeHandle(byPath), nullptr);

    char path[4096];
    DWORD n = GetModuleFileNameA(byPath, path, sizeof path);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(std::filesystem::path(path).filename(), "TestModule.so");
    EXPECT_EQ(std::filesystem::path(path), std::filesystem::canonical(std::string(PARVEL_MODULE_DIR) + "/TestModule.so"));

    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(FreeLibrary(byPath));
    EXPECT_EQ(Count(DLL_PROCESS_DETACH), 1);
}

// A loaded module answers to the name it was loaded by, however its folder is spelt, without
// the file being looked at again: a plug-in may load the same module for each of many elements.
TEST_F(ModuleTest, LoadedModuleIsFoundByItsNameWithoutItsFile)
{
    const std::string folder = qv_test::TempFolder() + "/loaded-by-name";
    std::filesystem::create_directories(folder);
    const std::string copy = folder + "/TestModule.so";
    std::filesystem::copy_file(std::string(PARVEL_MODULE_DIR) + "/TestModule.so", copy,
                               std::filesystem::copy_options::overwrite_existing);
    HMODULE first = LoadLibraryA((folder + "\\\\TestModule.dll").c_str());
    ASSERT_NE(first, nullptr) << GetLastError();
    std::filesystem::remove(copy);
    EXPECT_EQ(LoadLibraryA((folder + "/TestModule.dll").c_str()), first);
    EXPECT_EQ(Count(DLL_PROCESS_ATTACH), 1);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(Count(DLL_PROCESS_DETACH), 1);
    // Once unloaded, the name is looked for in the file system again.
    EXPECT_EQ(LoadLibraryA((folder + "/TestModule.dll").c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(ModuleTest, RefusedAttachUnloadsAndFails)
{
    g_attachAnswer = FALSE;
    EXPECT_EQ(LoadLibraryA("TestModule.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
    ASSERT_EQ(g_entries.size(), 2u);
    EXPECT_EQ(g_entries[0].second, static_cast<DWORD>(DLL_PROCESS_ATTACH));
    EXPECT_EQ(g_entries[1].second, static_cast<DWORD>(DLL_PROCESS_DETACH));
    EXPECT_EQ(GetModuleHandleA("TestModule.dll"), nullptr);

    // A later load that is accepted works normally.
    g_attachAnswer = TRUE;
    HMODULE module = LoadLibraryA("TestModule.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ModuleTest, EntryPointOfADependencyIsNotTheModules)
{
    HMODULE plain = LoadLibraryA("TestPlainModule.dll");
    ASSERT_NE(plain, nullptr);
    // TestModule came in as a dependency; its DllMain is not the plain module's entry point.
    EXPECT_TRUE(g_entries.empty());
    EXPECT_EQ(GetProcAddress(plain, "DllMain"), nullptr);
    EXPECT_EQ(GetProcAddress(plain, "TestModuleValue"), nullptr);
    auto value = reinterpret_cast<int (*)()>(GetProcAddress(plain, "TestPlainValue"));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value(), 43);
    EXPECT_TRUE(FreeLibrary(plain));
    EXPECT_TRUE(g_entries.empty());
}

TEST(ModuleLoad, FilesThatAreNoModulesGiveNull)
{
    auto dir = std::filesystem::temp_directory_path() / ("qv_win32_mod_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "Garbage.so") << "this is not a shared library\n";
    std::ofstream(dir / "Empty.so");

    EXPECT_EQ(LoadLibraryA((dir / "Garbage.dll").c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    EXPECT_EQ(LoadLibraryA((dir / "Empty.dll").c_str()), nullptr);
    EXPECT_EQ(LoadLibraryA((dir / "Missing.dll").c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA(dir.c_str()), nullptr); // a folder
    EXPECT_EQ(LoadLibraryA(""), nullptr);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    // A bare name is looked for in the module folder only, not in the current folder.
    std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    EXPECT_EQ(LoadLibraryA("Garbage.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    std::filesystem::current_path(cwd);
    std::filesystem::remove_all(dir);

    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_EQ(GetProcAddress(nullptr, "x"), nullptr);
}

TEST(ModuleFileName, ExecutableAndTruncation)
{
    std::string exe = std::filesystem::read_symlink("/proc/self/exe");
    char buffer[4096];
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, sizeof buffer), exe.size());
    EXPECT_EQ(std::string(buffer), exe);
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);

    // Too small: size-1 characters and a terminator, the answer is the size.
    char small[8];
    memset(small, 'x', sizeof small);
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, 5), 5u);
    EXPECT_EQ(std::string(small), exe.substr(0, 4));
    EXPECT_EQ(small[5], 'x');
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    // Exactly the length: no room for the terminator.
    std::vector<char> exact(exe.size());
    EXPECT_EQ(GetModuleFileNameA(nullptr, exact.data(), static_cast<DWORD>(exact.size())), exact.size());
    EXPECT_EQ(exact.back(), '\0');
    EXPECT_EQ(GetModuleFileNameA(nullptr, nullptr, 10), 0u);
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, 0), 0u);
}

TEST(LastError, IsPerThread)
{
    SetLastError(1234);
    DWORD other = 99;
    std::thread([&] { other = GetLastError(); }).join();
    EXPECT_EQ(other, 0u);
    EXPECT_EQ(GetLastError(), 1234u);
}

} // namespace
