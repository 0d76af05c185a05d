// Path helpers. See paths.h for the differences from the original platform (no drives, both
// separators read, '/' written).
#include "paths.h"

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <string>

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Copies `length` characters of `text` into a buffer of `capacity` bytes, cutting the text
// so that it fits with its terminator. Callers of _splitpath pass buffers of the documented
// _MAX_* sizes; a part longer than that (possible here, where paths may exceed the old
// limits) is cut rather than written past the end of the caller's buffer.
void CopyPart(char* out, size_t capacity, const char* text, size_t length)
{
    if (!out)
        return;
    if (length > capacity - 1)
        length = capacity - 1;
    memcpy(out, text, length);
    out[length] = '\0';
}

} // namespace

DWORD GetTempPathA(DWORD size, LPSTR buffer)
{
    const char* env = getenv("TMPDIR");
    std::string path = (env && *env) ? env : "/tmp/";
    if (!IsSeparator(path.back()))
        path += '/';
    if (path.size() + 1 > size || !buffer) {
        // The buffer is left alone; the answer is the size needed, terminator included.
        return static_cast<DWORD>(path.size() + 1);
    }
    memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext)
{
    if (!path)
        path = "";
    size_t length = strlen(path);
    size_t nameStart = 0; // after the last separator
    for (size_t i = 0; i < length; ++i)
        if (IsSeparator(path[i]))
            nameStart = i + 1;
    size_t extStart = length;
    for (size_t i = length; i > nameStart; --i) {
        if (path[i - 1] == '.') {
            extStart = i - 1;
            break;
        }
    }
    CopyPart(drive, _MAX_DRIVE, "", 0);
    CopyPart(dir, _MAX_DIR, path, nameStart);
    CopyPart(fname, _MAX_FNAME, path + nameStart, extStart - nameStart);
    CopyPart(ext, _MAX_EXT, path + extStart, length - extStart);
}

void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext)
{
    if (!path)
        return;
    std::string result;
    if (drive)
        result += drive;
    if (dir && *dir) {
        result += dir;
        if (!IsSeparator(result.back()))
            result += '/';
    }
    if (fname)
        result += fname;
    if (ext && *ext) {
        if (ext[0] != '.')
            result += '.';
        result += ext;
    }
    // The caller's buffer is _MAX_PATH bytes; a longer result is cut to fit.
    CopyPart(path, _MAX_PATH, result.data(), result.size());
}

int _access(const char* path, int mode)
{
    if (!path || (mode & ~6) != 0)
        return -1;
    int how = F_OK;
    if (mode & 2)
        how |= W_OK;
    if (mode & 4)
        how |= R_OK;
    return access(qv::DiskPath(path).c_str(), how) == 0 ? 0 : -1;
}

namespace qv {

bool IsReplaceableFile(const char* path)
{
    if (!path || !*path)
        return false;
    struct stat st;
    if (stat(DiskPath(path).c_str(), &st) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode);
}

namespace {
std::string (*g_diskPathConverter)(const std::string&) = nullptr;
}

std::string DiskPath(const char* path)
{
    const std::string text = path != nullptr ? path : "";
    return g_diskPathConverter != nullptr ? g_diskPathConverter(text) : text;
}

void SetDiskPathConverter(std::string (*converter)(const std::string& path))
{
    g_diskPathConverter = converter;
}

} // namespace qv
