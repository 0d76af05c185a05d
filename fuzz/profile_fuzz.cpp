// Profile files from arbitrary bytes: every section, key and value is read, and a write of
// one key must read back and leave every other value as it was.
#include "fuzz/temp_file.h"
#include "win32/profile.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <strings.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> SplitList(const std::vector<char>& buffer, DWORD length)
{
    std::vector<std::string> names;
    size_t i = 0;
    while (i < length && buffer[i] != '\0') {
        names.emplace_back(&buffer[i]);
        i += names.back().size() + 1;
    }
    return names;
}

std::map<std::pair<std::string, std::string>, std::string> ReadAll(const std::string& file)
{
    std::map<std::pair<std::string, std::string>, std::string> values;
    std::vector<char> buffer(1 << 16);
    DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()), file.c_str());
    for (const std::string& section : SplitList(buffer, n)) {
        std::vector<char> keys(1 << 16);
        DWORD k = GetPrivateProfileStringA(section.c_str(), nullptr, "", keys.data(), static_cast<DWORD>(keys.size()), file.c_str());
        for (const std::string& key : SplitList(keys, k)) {
            char value[64];
            GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, sizeof value, file.c_str());
            GetPrivateProfileIntA(section.c_str(), key.c_str(), 7, file.c_str());
            values[{section, key}] = value;
        }
    }
    // Small buffers exercise the truncation paths.
    for (DWORD size = 0; size < 4; ++size)
        GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), size, file.c_str());
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string file = fuzzfile::TempPath("qv_profile_fuzz", ".ini");
    fuzzfile::Put(file, data, size);

    auto before = ReadAll(file);
    if (WritePrivateProfileStringA("FuzzSection", "FuzzKey", "written", file.c_str())) {
        auto after = ReadAll(file);
        char value[16];
        GetPrivateProfileStringA("FuzzSection", "FuzzKey", "", value, sizeof value, file.c_str());
        if (std::string(value) != "written")
            abort();
        for (const auto& [name, text] : before) {
            bool isWritten = name.second.size() == 7 && name.first.size() == 11 &&
                             strncasecmp(name.second.c_str(), "FuzzKey", 7) == 0 &&
                             strncasecmp(name.first.c_str(), "FuzzSection", 11) == 0;
            if (!isWritten && after[name] != text)
                abort();
        }
    }
    unlink(file.c_str());
    return 0;
}
