// The user-script text reader: any text is either queued whole or refused with a line.
#include "afx/user_script.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qv::UserScript& script = qv::UserScript::Instance();
    script.Reset();
    std::string error;
    const bool ok = script.LoadText(std::string(reinterpret_cast<const char*>(data), size), error);
    // A refused text queues nothing and says why; an accepted one says nothing.
    if (ok == !error.empty() || (!ok && script.Pending() != 0))
        std::abort();
    script.Reset();
    return 0;
}
