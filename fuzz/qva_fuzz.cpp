// Feeds arbitrary bytes to the host as a saved schematic archive. An archive that loads is
// saved again, loaded into a second host and saved once more: the two saves must be equal.
// A refused archive must leave no element behind, and no load may breach the request protocol.
#include "editor/host.h"
#include "fuzz/host_modules.h"
#include "fuzz/temp_file.h"
#include "win32/profile.h"
#include "win32/win32.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const qv::HostOptions kOptions{PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"};

// The saves go into a folder of this process's own: a command locks the folder it writes into,
// and fuzzing jobs that wrote into the temporary folder itself would wait for each other.
std::string g_folder;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qv::SetQuorvatixPath(PARVEL_MODULE_DIR);
    qv::SetProfileFolder(PARVEL_MODULE_DIR);
    setenv("QV_USER_PROFILE", fuzzfile::TempPath("qva_fuzz_profile", ".ini").c_str(), 1);
    g_folder = fuzzfile::TempPath("qva_fuzz", "/");
    std::error_code code;
    std::filesystem::create_directories(g_folder, code);
    if (code) std::abort();
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(g_folder, ignored);
    });
    fuzzhost::KeepModulesLoaded(kOptions.pluginPath, PARVEL_MODULE_DIR);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input = fuzzfile::TempPath("qva_fuzz_in", ".qva");
    static const std::string first = g_folder + "first.qva";
    static const std::string second = g_folder + "second.qva";
    static const std::string& folder = g_folder;
    fuzzfile::Put(input, data, size);
    std::string error;
    qv::Host host;
    if (!host.Start(kOptions, error)) std::abort();
    if (!host.Load(input, folder, error)) {
        if (host.ElementCount() != 0) std::abort();
        return 0;
    }
    if (!host.Editor().Breaches().empty() || host.Editor().OutstandingCookies() != 0) std::abort();
    if (!host.Save(first, error)) std::abort();
    qv::Host again;
    if (!again.Start(kOptions, error) || !again.Load(first, folder, error) || !again.Save(second, error)) std::abort();
    if (ReadAll(first) != ReadAll(second)) std::abort();
    return 0;
}
