// Path helpers. See paths.h for the differences from the original platform (no drives, both
// separators read, '/' written).
#include "paths.h"

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <string>
#include <vector>

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
// Whether a symbolic link of the user `owner` in the folder of status `folder` may be followed.
bool MayFollowLinkIn(const struct stat& folder, uid_t owner)
{
    if ((folder.st_mode & S_ISVTX) == 0 || (folder.st_mode & S_IWOTH) == 0) return true;
    return owner == ::geteuid() || owner == folder.st_uid;
}
} // namespace

bool FollowLinks(const std::string& path, bool lastMayBeMissing, std::string& real, RefusedLink* refused)
{
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    // `at` is the part resolved so far ("" for the root); `pending` holds the parts still to
    // walk, the next one last.
    std::string at;
    if (path[0] != '/') {
        char* here = ::getcwd(nullptr, 0);
        if (here == nullptr) return false;
        at = std::strcmp(here, "/") == 0 ? std::string() : std::string(here);
        std::free(here);
    }
    std::vector<std::string> pending;
    const auto push = [&pending](const std::string& text) {
        for (size_t end = text.size(); end != std::string::npos;) {
            const size_t slash = end == 0 ? std::string::npos : text.rfind('/', end - 1);
            const size_t start = slash == std::string::npos ? 0 : slash + 1;
            if (end > start) pending.push_back(text.substr(start, end - start));
            end = slash;
        }
    };
    const auto onlyDotsLeft = [&pending] {
        return std::all_of(pending.begin(), pending.end(), [](const std::string& part) { return part == "."; });
    };
    push(path);
    // As the system does, a walk that meets more than 40 links ends.
    for (int links = 0; !pending.empty();) {
        const std::string part = std::move(pending.back());
        pending.pop_back();
        if (part == ".") continue;
        if (part == "..") {
            at.erase(at.empty() ? 0 : at.rfind('/'));
            continue;
        }
        const std::string next = at + "/" + part;
        struct stat seen {};
        if (::lstat(next.c_str(), &seen) != 0) {
            if (errno != ENOENT || !lastMayBeMissing || !onlyDotsLeft()) return false;
            at = next;
            break;
        }
        if (S_ISLNK(seen.st_mode)) {
            struct stat folder {};
            if (++links > 40) {
                errno = ELOOP;
                return false;
            }
            if (::lstat(at.empty() ? "/" : at.c_str(), &folder) != 0) return false;
            if (!MayFollowLinkIn(folder, seen.st_uid)) {
                if (refused != nullptr)
                    *refused = RefusedLink{next, static_cast<unsigned>(seen.st_uid)};
                errno = EACCES;
                return false;
            }
            std::vector<char> link(static_cast<size_t>(seen.st_size > 0 ? seen.st_size : PATH_MAX) + 1);
            const ssize_t n = ::readlink(next.c_str(), link.data(), link.size());
            if (n < 0) return false;
            if (static_cast<size_t>(n) >= link.size() || n == 0) {
                // Changed while it was read, or empty: no name to follow.
                errno = ENOENT;
                return false;
            }
            const std::string text(link.data(), static_cast<size_t>(n));
            if (text[0] == '/') at.clear();
            push(text);
            continue;
        }
        if (!S_ISDIR(seen.st_mode) && !onlyDotsLeft()) {
            errno = ENOTDIR;
            return false;
        }
        at = next;
    }
    real = at.empty() ? std::string("/") : at;
    return true;
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
