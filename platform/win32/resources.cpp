// Resources of a module: the module embeds its resource script and exports the accessor
// QvResourceScript (see resources/CMakeLists.txt); the script is parsed
// on first use and the result kept for the life of the process.
#include "resources.h"

#include "module.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace qv {
namespace {

struct ScriptCache {
    std::mutex mutex;
    // Keyed by the embedded text (address and size): a module that is unloaded and loaded
    // again at another address simply gets a new entry. Failed parses are kept as nullptr so
    // they are not repeated.
    std::map<std::pair<const char*, unsigned>, std::unique_ptr<ResourceScript>> entries;
    // The script of each live module by its native handle, valid while no module was unloaded.
    std::map<void*, const ResourceScript*> byModule;
    unsigned long unloadsSeen = 0;
};

ScriptCache& Cache() {
    static ScriptCache* cache = new ScriptCache; // never destroyed: modules may ask during exit
    return *cache;
}

// True when `address` lies in the object behind the loader handle `native`. A look-up on a
// module handle also searches the module's dependencies; a module without a script of its
// own must not answer with the script of a library it links.
bool BelongsTo(void* native, const void* address) {
    struct link_map* moduleMap = nullptr;
    if (dlinfo(native, RTLD_DI_LINKMAP, &moduleMap) != 0 || !moduleMap) return false;
    Dl_info info{};
    struct link_map* symbolMap = nullptr;
    if (dladdr1(address, &info, reinterpret_cast<void**>(&symbolMap), RTLD_DL_LINKMAP) == 0) return false;
    return symbolMap == moduleMap;
}

// Finds and parses the script of a live module (nullptr: it has none).
const ResourceScript* FindModuleResources(void* native) {
    using ScriptAccessor = const char* (*)(unsigned*);
    auto accessor = reinterpret_cast<ScriptAccessor>(dlsym(native, "QvResourceScript"));
    if (!accessor || !BelongsTo(native, reinterpret_cast<const void*>(accessor))) return nullptr;
    unsigned scriptSize = 0;
    const char* text = accessor(&scriptSize);
    if (!text) return nullptr;

    ScriptCache& cache = Cache();
    auto key = std::make_pair(text, scriptSize);
    auto it = cache.entries.find(key);
    if (it == cache.entries.end()) {
        std::unique_ptr<ResourceScript> parsed;
        try {
            parsed = std::make_unique<ResourceScript>(ParseResourceScript(std::string(text, scriptSize)));
        } catch (const ResourceScriptError&) {
            // The build parses every shipped script; a module that carries a broken one
            // simply has no resources.
        }
        it = cache.entries.emplace(key, std::move(parsed)).first;
    }
    return it->second.get();
}

} // namespace

const ResourceScript* GetModuleResources(HMODULE module) {
    // Pages ask for the same module's dialogs and strings many times in a row. A module found
    // live stays live, with the same script, until some module is unloaded, so the last answer
    // holds until then without taking the loader's lock.
    struct LastAnswer {
        HMODULE module = nullptr;
        unsigned long unloads = 0;
        const ResourceScript* script = nullptr;
    };
    static thread_local LastAnswer last;
    if (module != nullptr && module == last.module && ModuleUnloadCount() == last.unloads) return last.script;
    const unsigned long unloadsBefore = ModuleUnloadCount();
    void* native = ModuleNativeHandle(module);
    if (!native) return nullptr;
    // Strings and dialogs are looked up many times per element; finding the script's owner
    // walks the loader's symbol tables, so the answer is kept per native handle until a
    // module is unloaded (its handle may then come back for another library).
    ScriptCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    const unsigned long unloads = ModuleUnloadCount();
    if (unloads != cache.unloadsSeen) {
        cache.byModule.clear();
        cache.unloadsSeen = unloads;
    }
    const ResourceScript* script = nullptr;
    if (auto known = cache.byModule.find(native); known != cache.byModule.end()) {
        script = known->second;
    } else {
        script = FindModuleResources(native);
        cache.byModule.emplace(native, script);
    }
    last = {module, unloadsBefore, script};
    return script;
}

bool LoadStringResource(HMODULE module, UINT id, std::string& out) {
    const ResourceScript* script = GetModuleResources(module);
    if (!script) return false;
    auto it = script->strings.find(id);
    if (it == script->strings.end()) return false;
    out = it->second;
    return true;
}

} // namespace qv

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    std::string text;
    if (!qv::LoadStringResource(instance, id, text)) return 0;
    std::size_t count = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}
