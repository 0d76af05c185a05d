// Fuzz target: the resource-script parser must refuse any malformed script with
// ResourceScriptError and never crash, hang or read out of bounds.
#include "win32/resource_script.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        qv::ParseResourceScript(text);
    } catch (const qv::ResourceScriptError&) {
    }
    return 0;
}
