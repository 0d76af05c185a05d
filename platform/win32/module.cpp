// Module loading over the dynamic loader.
//
// Differences from the original platform, on purpose:
// - "X.dll" (any letter case of the suffix) names the shared library "X.so"; a name without
//   an extension gets ".so". A bare name is looked for only in the folder that holds the
//   platform library (every module of the system is built into that one folder); a name with
//   a folder is used as it stands, '\\' being read as '/'.
// - DllMain is looked up among the module's own exports only, never in the libraries it
//   depends on, and so is every name asked for with GetProcAddress.
// - Loading by ordinal is not supported.
// - Modules still loaded when the process ends get no DLL_PROCESS_DETACH call.
#include "module.h"

#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>


// The record behind an HMODULE. Records are never freed while the process runs: a module
// that was unloaded keeps its record with a zero count, so a stale handle is recognised as
// dead instead of reaching freed memory, and loading the same file again reuses the record.
struct HINSTANCE__ {
    std::string path;      // full path of the file that was loaded (links resolved)
    std::string requested; // path the name was mapped to, before links were resolved
    void* handle = nullptr;
    long count = 0;        // references; 0 = not loaded
    bool executable = false;
};

namespace {

typedef BOOL (*DllMainProc)(HINSTANCE, DWORD, LPVOID);

thread_local DWORD t_lastError = 0;

// The loader lock. Recursive because DllMain may load further modules (the plug-in loads
// its language module while it attaches).
// The loader's state is never destroyed: destructors of other static objects may still free
// modules while the process ends.
std::recursive_mutex& LoaderLock()
{
    static auto* lock = new std::recursive_mutex;
    return *lock;
}

std::vector<std::unique_ptr<HINSTANCE__>>& Records()
{
    static auto* records = new std::vector<std::unique_ptr<HINSTANCE__>>;
    return *records;
}

bool EndsWithNoCase(const std::string& s, const char* suffix)
{
    size_t n = strlen(suffix);
    return s.size() >= n && strncasecmp(s.c_str() + s.size() - n, suffix, n) == 0;
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Folder of the platform library itself, ending with '/'.
std::string ModuleFolder()
{
    static const std::string folder = [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) && info.dli_fname) {
            std::string file = info.dli_fname;
            size_t slash = file.rfind('/');
            if (slash != std::string::npos)
                return file.substr(0, slash + 1);
        }
        return std::string("./");
    }();
    return folder;
}

// Maps a module name as the system writes it to the path of the shared library.
std::string MapModuleName(const char* name)
{
    // '\\' is read as '/', and a run of separators as one (as the file system reads it), so
    // that "folder\\" + "\\X.dll" names the module that "folder/X.dll" names.
    std::string path;
    for (const char* p = name; *p; ++p) {
        const char c = *p == '\\' ? '/' : *p;
        if (c != '/' || path.empty() || path.back() != '/')
            path += c;
    }
    bool hasFolder = path.find('/') != std::string::npos;
    std::string base = BaseName(path);
    if (EndsWithNoCase(base, ".dll"))
        path.replace(path.size() - 4, 4, ".so");
    else if (!base.empty() && base.back() == '.')
        path.pop_back(); // a trailing dot means "exactly this name, no extension"
    else if (!base.empty() && base.find('.') == std::string::npos)
        path += ".so";
    if (!hasFolder)
        path = ModuleFolder() + path;
    return path;
}

std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved))
        return std::string();
    return resolved;
}

std::string ExecutablePath()
{
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return std::string();
    return std::string(buffer, static_cast<size_t>(n));
}

HINSTANCE__* ExecutableRecord()
{
    static HINSTANCE__* record = [] {
        auto r = std::make_unique<HINSTANCE__>();
        r->executable = true;
        r->path = ExecutablePath();
        r->requested = r->path;
        r->handle = dlopen(nullptr, RTLD_NOW);
        r->count = 1;
        HINSTANCE__* raw = r.get();
        Records().push_back(std::move(r));
        return raw;
    }();
    return record;
}

std::atomic<unsigned long>& UnloadCounter()
{
    static std::atomic<unsigned long> count{0};
    return count;
}

// A handle that names a live module, or nullptr. Call with the loader lock held.
HINSTANCE__* LiveRecord(HMODULE module)
{
    if (!module)
        return nullptr;
    for (auto& r : Records())
        if (r.get() == module)
            return r->count > 0 ? r.get() : nullptr;
    return nullptr;
}

// A symbol exported by the module itself (not by a library it depends on).
void* OwnSymbol(HINSTANCE__* record, const char* name)
{
    dlerror();
    void* symbol = dlsym(record->handle, name);
    if (!symbol || record->executable)
        return symbol;
    Dl_info info{};
    struct link_map* map = nullptr;
    if (!dladdr(symbol, &info) || dlinfo(record->handle, RTLD_DI_LINKMAP, &map) != 0 || !map)
        return nullptr;
    if (!info.dli_fname || !map->l_name || strcmp(info.dli_fname, map->l_name) != 0)
        return nullptr;
    return symbol;
}

BOOL CallDllMain(HINSTANCE__* record, DWORD reason)
{
    auto entry = reinterpret_cast<DllMainProc>(OwnSymbol(record, "DllMain"));
    if (!entry)
        return TRUE;
    return entry(record, reason, nullptr);
}

} // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

HMODULE LoadLibraryA(LPCSTR fileName)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> guard(LoaderLock());
    std::string requested = MapModuleName(fileName);
    // A module that is loaded already answers to the name it was loaded by, as the original
    // platform finds a loaded module by its name: a plug-in that loads the same module for
    // each of many elements resolves its path once, not once per load.
    for (auto& r : Records()) {
        if (r->count > 0 && !r->executable && r->requested == requested) {
            ++r->count;
            return r.get();
        }
    }
    std::string path = RealPath(requested);
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    for (auto& r : Records()) {
        if (r->count > 0 && !r->executable && r->path == path) {
            ++r->count;
            return r.get();
        }
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        dlerror(); // consume the loader's message; the caller sees the error code
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    // The same file reached under another name (a hard link): one module, one more reference.
    for (auto& r : Records()) {
        if (r->count > 0 && r->handle == handle && !r->executable) {
            dlclose(handle);
            ++r->count;
            return r.get();
        }
    }
    HINSTANCE__* record = nullptr;
    for (auto& r : Records())
        if (r->count == 0 && r->path == path)
            record = r.get();
    if (!record) {
        Records().push_back(std::make_unique<HINSTANCE__>());
        record = Records().back().get();
        record->path = path;
    }
    record->requested = requested;
    record->handle = handle;
    record->count = 1;
    if (!CallDllMain(record, DLL_PROCESS_ATTACH)) {
        // As on the original platform: a refused attach is followed at once by a detach,
        // then the module is unloaded and the load fails.
        CallDllMain(record, DLL_PROCESS_DETACH);
        record->count = 0;
        record->handle = nullptr;
        dlclose(handle);
        UnloadCounter().fetch_add(1);
        SetLastError(ERROR_DLL_INIT_FAILED);
        return nullptr;
    }
    return record;
}

BOOL FreeLibrary(HMODULE module)
{
    std::lock_guard<std::recursive_mutex> guard(LoaderLock());
    HINSTANCE__* record = LiveRecord(module);
    if (!record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (record->executable)
        return TRUE;
    if (--record->count > 0)
        return TRUE;
    // Keep the count at 1 while the module detaches, so that DllMain can still use its own
    // handle; the record goes dead only when the detach is over.
    record->count = 1;
    CallDllMain(record, DLL_PROCESS_DETACH);
    record->count = 0;
    void* handle = record->handle;
    record->handle = nullptr;
    dlclose(handle);
    UnloadCounter().fetch_add(1);
    return TRUE;
}

void* GetProcAddress(HMODULE module, LPCSTR procName)
{
    std::lock_guard<std::recursive_mutex> guard(LoaderLock());
    HINSTANCE__* record = LiveRecord(module);
    if (!record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!procName || (reinterpret_cast<uintptr_t>(procName) >> 16) == 0) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* symbol = OwnSymbol(record, procName);
    if (!symbol)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return symbol;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size)
{
    std::string path;
    {
        std::lock_guard<std::recursive_mutex> guard(LoaderLock());
        HINSTANCE__* record = module ? LiveRecord(module) : ExecutableRecord();
        if (!record) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = record->path;
    }
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (!buffer || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() < size) {
        memcpy(buffer, path.c_str(), path.size() + 1);
        return static_cast<DWORD>(path.size());
    }
    // Too small: the path is cut to size-1 characters and terminated, and the answer is the
    // buffer size with ERROR_INSUFFICIENT_BUFFER, as the original platform reports it.
    memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

HMODULE GetModuleHandleA(LPCSTR moduleName)
{
    std::lock_guard<std::recursive_mutex> guard(LoaderLock());
    if (!moduleName)
        return ExecutableRecord();
    std::string requested = MapModuleName(moduleName);
    std::string path = RealPath(requested);
    std::string base = BaseName(requested);
    bool bare = std::string(moduleName).find_first_of("/\\") == std::string::npos;
    for (auto& r : Records()) {
        if (r->count <= 0 || r->executable)
            continue;
        if ((!path.empty() && r->path == path) || r->requested == requested)
            return r.get();
        if (bare && (BaseName(r->path) == base || BaseName(r->requested) == base))
            return r.get();
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

namespace qv {
unsigned long ModuleUnloadCount() { return UnloadCounter().load(); }

void* ModuleNativeHandle(HMODULE module)
{
    std::lock_guard<std::recursive_mutex> guard(LoaderLock());
    HINSTANCE__* record = LiveRecord(module);
    return record ? record->handle : nullptr;
}
} // namespace qv
