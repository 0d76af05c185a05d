// The temporary file through which a fuzz target hands its input to a reader that takes a
// path. One per process and name, so that parallel fuzzing jobs never share a file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace fuzzfile {

// "<$TMPDIR or /tmp>/", the folder of the temporary files.
inline std::string TempFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/";
}

// "<$TMPDIR or /tmp>/<stem>.<process id><extension>".
inline std::string TempPath(const char* stem, const char* extension)
{
    return TempFolder() + stem + "." + std::to_string(::getpid()) + extension;
}

// Replaces the file's content with the input; a file that cannot be written ends the run,
// since every later result would be meaningless.
inline void Put(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}

}  // namespace fuzzfile
