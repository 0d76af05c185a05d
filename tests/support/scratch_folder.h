// A folder of its own for one test in the process's temporary folder, removed with all it
// holds when the test is done.
#pragma once

#include "tests/support/sandbox.h"

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace qv_test {

// The folder "<temp>/<stem>_XXXXXX", made fresh; its path is empty when it could not be made.
struct ScratchFolder {
    explicit ScratchFolder(const std::string& stem) {
        std::string pattern = TempFolder() + "/" + stem + "_XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~ScratchFolder() {
        std::error_code code;
        if (!path.empty()) std::filesystem::remove_all(path, code);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

} // namespace qv_test
