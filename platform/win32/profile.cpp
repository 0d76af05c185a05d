// Profile files. A file is parsed into sections of lines; reading answers from a cache of
// parsed files keyed by path, which is refreshed whenever the file on disk changed. Writing
// keeps every line it does not change (comments included) and replaces the file atomically.
//
// Differences from the original platform, on purpose:
// - Names match case-insensitively in the Windows-1252 code page, the text of the system.
// - A write whose section, key or value would break the file apart (a line break, a ']' in a
//   section name, a '=' in a key, an empty key) is refused instead of corrupting the file.
// - Lines are written with '\n' endings; "\r\n" endings are read as well.
#include "profile.h"
#include "paths.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------
// Text helpers

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The text without blanks at its ends, as a view of it: names given to a look-up are compared
// without a copy of each.
std::string_view TrimmedView(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::string Trim(const std::string& s) { return std::string(TrimmedView(s)); }

std::string TrimRight(const std::string& s)
{
    size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return s.substr(0, e);
}

// Upper case in Windows-1252: ASCII letters, the accented letters 0xE0..0xFE (without the
// division sign) and the few letters of the 0x80 block.
unsigned char Fold(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 32);
    switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return c;
    }
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    // Names mostly match byte for byte: only differing bytes are folded.
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Unquote(const std::string& value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

// ---------------------------------------------------------------------------------------
// The parsed form of a file

struct Line {
    std::string raw;    // the line as it stands in the file (without its line break)
    bool isKey = false; // a "key=value" line
    std::string key;    // trimmed key
    std::string value;  // trimmed and unquoted value
};

struct Section {
    std::string header; // the "[name]" line as it stands; empty for the lines before any
    std::string name;
    std::vector<Line> lines;
};

struct Profile {
    std::vector<Section> sections; // sections[0] holds the lines before the first header
};

Line ParseLine(const std::string& raw)
{
    Line line;
    line.raw = raw;
    std::string text = Trim(raw);
    if (text.empty() || text[0] == ';')
        return line;
    size_t eq = text.find('=');
    if (eq == std::string::npos)
        return line;
    line.key = Trim(text.substr(0, eq));
    if (line.key.empty())
        return line;
    line.isKey = true;
    line.value = Unquote(Trim(text.substr(eq + 1)));
    return line;
}

Profile Parse(const std::string& text)
{
    Profile profile;
    profile.sections.emplace_back();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string raw = text.substr(pos, end - pos);
        pos = end + 1;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        std::string trimmed = Trim(raw);
        if (!trimmed.empty() && trimmed[0] == '[') {
            size_t close = trimmed.find(']');
            Section section;
            section.header = raw;
            section.name = Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            profile.sections.push_back(std::move(section));
            continue;
        }
        profile.sections.back().lines.push_back(ParseLine(raw));
    }
    return profile;
}

std::string Serialize(const Profile& profile)
{
    std::string text;
    for (const Section& section : profile.sections) {
        if (!section.header.empty())
            text += section.header + '\n';
        for (const Line& line : section.lines)
            text += line.raw + '\n';
    }
    return text;
}

// The first section of that name (not the lines before the first header).
Section* FindSection(Profile& profile, const std::string& name)
{
    for (size_t i = 1; i < profile.sections.size(); ++i)
        if (SameName(profile.sections[i].name, name))
            return &profile.sections[i];
    return nullptr;
}

// The first key of that name in any section of that name: a section written twice reads as
// one, in file order.
const Line* FindKey(Profile& profile, std::string_view section, std::string_view key)
{
    for (size_t i = 1; i < profile.sections.size(); ++i) {
        if (!SameName(profile.sections[i].name, section))
            continue;
        for (const Line& line : profile.sections[i].lines)
            if (line.isKey && SameName(line.key, key))
                return &line;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// Files and the cache

struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    struct timespec mtime {};
    struct timespec ctime {};
};

bool operator==(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool SameStamp(const FileStamp& a, const FileStamp& b)
{
    return a.exists == b.exists && a.dev == b.dev && a.ino == b.ino && a.size == b.size &&
           a.mtime == b.mtime && a.ctime == b.ctime;
}

FileStamp Stamp(const std::string& path)
{
    FileStamp stamp;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        stamp.exists = true;
        stamp.dev = st.st_dev;
        stamp.ino = st.st_ino;
        stamp.size = st.st_size;
        stamp.mtime = st.st_mtim;
        stamp.ctime = st.st_ctim;
    }
    return stamp;
}

struct CacheEntry {
    FileStamp stamp;
    bool trusted = false;  // false while the file may still change within its time stamp
    bool readable = true;  // false for a file that exists but could not be read
    bool loaded = false;   // parsed at least once
    bool dirty = false;    // changed in a batch, not yet written
    bool makeFolders = false;
    Profile profile;
};

// Whether a batch holds the profiles (qv::BeginProfileBatch). Read and written with the
// profile lock held.
bool& InBatch()
{
    static bool batch = false;
    return batch;
}

// The profile state is never destroyed, so that destructors of other static objects can
// still read and write profiles while the process ends.
std::mutex& ProfileLock()
{
    static auto* lock = new std::mutex;
    return *lock;
}

std::map<std::string, CacheEntry>& Cache()
{
    static auto* cache = new std::map<std::string, CacheEntry>;
    return *cache;
}

std::string& ProfileFolderRef()
{
    static auto* folder = new std::string;
    return *folder;
}

bool ReadWholeFile(const std::string& path, std::string& text)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char chunk[8192];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        text.append(chunk, n);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

// A file named without a folder lives in the profile folder; '\\' reads as '/'. The path is
// made in one string: pages read their settings by the file's bare name.
std::string ResolveProfilePath(const char* fileName)
{
    std::string path;
    const size_t nameLength = strlen(fileName);
    if (!strpbrk(fileName, "/\\")) {
        std::lock_guard<std::mutex> guard(ProfileLock());
        const std::string& folder = ProfileFolderRef();
        path.reserve(folder.size() + 1 + nameLength);
        path = folder;
        if (!folder.empty() && folder.back() != '/')
            path += '/';
    }
    const size_t nameStart = path.size();
    path.append(fileName, nameLength);
    for (size_t i = nameStart; i < path.size(); ++i)
        if (path[i] == '\\')
            path[i] = '/';
    return path;
}

// The parsed file, from the cache when the file has not changed since it was parsed.
// A file that cannot be read is an empty profile. Call with the profile lock held.
CacheEntry& LoadEntry(const std::string& path)
{
    CacheEntry& entry = Cache()[path];
    // A batch reads each file once: its own writes are held in the cache.
    if (InBatch() && entry.loaded)
        return entry;
    FileStamp stamp = Stamp(path);
    if (entry.trusted && SameStamp(entry.stamp, stamp))
        return entry;
    entry.loaded = true;
    std::string text;
    entry.readable = !stamp.exists || ReadWholeFile(path, text);
    entry.profile = Parse(text);
    entry.stamp = stamp;
    // A file changed within the resolution of its time stamps could change again without
    // any visible difference; such an entry is parsed anew on every use until it is older.
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    entry.trusted = stamp.exists && entry.readable && stamp.mtime.tv_sec + 2 < now.tv_sec &&
                    stamp.ctime.tv_sec + 2 < now.tv_sec;
    return entry;
}

Profile& Load(const std::string& path) { return LoadEntry(path).profile; }

bool MakeFolders(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    std::string folder = path.substr(0, slash);
    struct stat st;
    if (stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (!MakeFolders(folder))
        return false;
    return mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST;
}

// Writes the text to a temporary file beside the target and renames it over the target, so
// that a reader sees either the old or the new file, never a half-written one.
bool WriteAtomically(const std::string& target, const std::string& text)
{
    // Written through a link to the file it names; another user's link in a folder everyone
    // may write into is not followed (qv::FollowLinks), and the profile is not written.
    std::string path = target;
    std::string resolved;
    if (qv::FollowLinks(target, false, resolved))
        path = resolved;
    else if (errno == EACCES)
        return false;
    if (!qv::IsReplaceableFile(path.c_str()))
        return false; // never replace a folder, a device or a pipe with a profile
    std::string temp = path + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0)
        return false;
    // Made 0600, and given the earlier file's permissions (0644 for a new one) after the
    // last write, so that no other user opens it while it is written.
    struct stat st;
    mode_t mode = 0644;
    if (stat(path.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    bool ok = true;
    size_t done = 0;
    while (ok && done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<size_t>(n);
    }
    if (ok && fchmod(fd, mode) != 0)
        ok = false;
    if (ok && fsync(fd) != 0)
        ok = false;
    if (close(fd) != 0)
        ok = false;
    if (ok && rename(name.data(), path.c_str()) != 0)
        ok = false;
    if (!ok)
        unlink(name.data());
    return ok;
}

bool HasLineBreak(const char* s) { return s && strpbrk(s, "\r\n") != nullptr; }

// ---------------------------------------------------------------------------------------
// The operations, on a resolved path

// Copies a list of names, each with its terminator, and the list's final terminator.
DWORD CopyList(const std::vector<std::string>& names, LPSTR buffer, DWORD size)
{
    std::string list;
    for (const std::string& n : names) {
        list += n;
        list += '\0';
    }
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    if (list.size() + 1 <= size) {
        memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        if (list.empty())
            buffer[1] = '\0';
        return static_cast<DWORD>(list.empty() ? 0 : list.size());
    }
    // Too small: the last name that fits is cut and followed by two terminators.
    memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

DWORD CopyValue(const std::string& value, LPSTR buffer, DWORD size)
{
    size_t n = value.size() < size - 1 ? value.size() : size - 1;
    memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

DWORD GetString(const std::string& path, LPCSTR section, LPCSTR key, LPCSTR defaultValue,
                LPSTR buffer, DWORD size)
{
    if (!buffer || size == 0)
        return 0;
    std::lock_guard<std::mutex> guard(ProfileLock());
    Profile& profile = Load(path);
    if (!section) {
        std::vector<std::string> names;
        for (size_t i = 1; i < profile.sections.size(); ++i) {
            bool seen = false;
            for (const std::string& n : names)
                seen = seen || SameName(n, profile.sections[i].name);
            if (!seen)
                names.push_back(profile.sections[i].name);
        }
        return CopyList(names, buffer, size);
    }
    const std::string_view sectionName = TrimmedView(section);
    if (!key) {
        std::vector<std::string> names;
        for (size_t i = 1; i < profile.sections.size(); ++i) {
            if (!SameName(profile.sections[i].name, sectionName))
                continue;
            for (const Line& line : profile.sections[i].lines) {
                if (!line.isKey)
                    continue;
                bool seen = false;
                for (const std::string& n : names)
                    seen = seen || SameName(n, line.key);
                if (!seen)
                    names.push_back(line.key);
            }
        }
        return CopyList(names, buffer, size);
    }
    const Line* line = FindKey(profile, sectionName, TrimmedView(key));
    if (line)
        return CopyValue(line->value, buffer, size);
    return CopyValue(TrimRight(defaultValue ? defaultValue : ""), buffer, size);
}

UINT GetInt(const std::string& path, LPCSTR section, LPCSTR key, INT defaultValue)
{
    if (!section || !key)
        return static_cast<UINT>(defaultValue);
    std::string value;
    {
        std::lock_guard<std::mutex> guard(ProfileLock());
        Profile& profile = Load(path);
        const Line* line = FindKey(profile, TrimmedView(section), TrimmedView(key));
        if (!line || line->value.empty())
            return static_cast<UINT>(defaultValue);
        value = line->value;
    }
    // Leading decimal digits with an optional sign; text that does not start with a number
    // reads as 0. Numbers beyond the range of INT are held at its ends.
    size_t i = 0;
    bool negative = false;
    if (value[i] == '+' || value[i] == '-')
        negative = value[i++] == '-';
    long long magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (value[i] - '0');
        if (magnitude > 2147483648LL)
            magnitude = 2147483648LL;
    }
    long long number = negative ? -magnitude : magnitude;
    if (number > 2147483647LL)
        number = 2147483647LL;
    return static_cast<UINT>(static_cast<INT>(number));
}

BOOL WriteString(const std::string& path, LPCSTR section, LPCSTR key, LPCSTR value, bool makeFolders)
{
    if (!section)
        return FALSE;
    std::string sectionName = Trim(section);
    if (sectionName.empty() || HasLineBreak(section) || sectionName.find(']') != std::string::npos ||
        HasLineBreak(key) || HasLineBreak(value))
        return FALSE;
    std::string keyName = key ? Trim(key) : std::string();
    if (key && (keyName.empty() || keyName.find('=') != std::string::npos || keyName[0] == ';' ||
                keyName[0] == '['))
        return FALSE;

    std::lock_guard<std::mutex> guard(ProfileLock());
    CacheEntry& entry = LoadEntry(path);
    if (!entry.readable)
        return FALSE; // rewriting a file that could not be read would lose its content
    if (key && value) {
        // A key that already reads so changes nothing. Pages write their column widths each
        // time they close, mostly the same ones: this answer saves copying and printing the
        // whole profile twice to find that out. The key found is the one the write would set.
        const Line* found = nullptr;
        for (size_t i = 1; i < entry.profile.sections.size() && !found; ++i) {
            if (!SameName(entry.profile.sections[i].name, sectionName))
                continue;
            for (const Line& line : entry.profile.sections[i].lines)
                if (line.isKey && SameName(line.key, keyName)) {
                    found = &line;
                    break;
                }
        }
        if (found && found->raw.size() == found->key.size() + 1 + strlen(value) &&
            found->raw.compare(0, found->key.size(), found->key) == 0 && found->raw[found->key.size()] == '=' &&
            found->raw.compare(found->key.size() + 1, std::string::npos, value) == 0)
            return TRUE;
    }
    Profile profile = entry.profile; // a copy: the cache changes only when the file did
    Section* target = FindSection(profile, sectionName);
    if (!key) {
        // Remove every section of that name.
        if (!target)
            return TRUE;
        std::vector<Section> kept;
        for (size_t i = 0; i < profile.sections.size(); ++i)
            if (i == 0 || !SameName(profile.sections[i].name, sectionName))
                kept.push_back(std::move(profile.sections[i]));
        profile.sections = std::move(kept);
    } else if (!value) {
        // Remove the key wherever a section of that name holds it.
        if (!target)
            return TRUE;
        for (size_t i = 1; i < profile.sections.size(); ++i) {
            if (!SameName(profile.sections[i].name, sectionName))
                continue;
            auto& lines = profile.sections[i].lines;
            std::vector<Line> kept;
            for (Line& line : lines)
                if (!(line.isKey && SameName(line.key, keyName)))
                    kept.push_back(std::move(line));
            lines = std::move(kept);
        }
    } else {
        Line* existing = nullptr;
        for (size_t i = 1; i < profile.sections.size() && !existing; ++i) {
            if (!SameName(profile.sections[i].name, sectionName))
                continue;
            for (Line& line : profile.sections[i].lines)
                if (line.isKey && SameName(line.key, keyName)) {
                    existing = &line;
                    break;
                }
        }
        if (existing) {
            *existing = ParseLine(existing->key + "=" + value);
        } else {
            if (!target) {
                Section section;
                section.header = "[" + sectionName + "]";
                section.name = sectionName;
                profile.sections.push_back(std::move(section));
                target = &profile.sections.back();
            }
            // A new key goes after the last key of the section; in a section without keys,
            // before the blank lines that separate it from the next one.
            auto& lines = target->lines;
            size_t at = 0;
            bool anyKey = false;
            for (size_t i = 0; i < lines.size(); ++i)
                if (lines[i].isKey) {
                    at = i + 1;
                    anyKey = true;
                }
            if (!anyKey) {
                at = lines.size();
                while (at > 0 && Trim(lines[at - 1].raw).empty())
                    --at;
            }
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), ParseLine(keyName + "=" + value));
        }
    }
    // A write that changes nothing leaves the file as it is.
    const std::string text = Serialize(profile);
    if (entry.readable && text == Serialize(entry.profile))
        return TRUE;
    if (InBatch()) {
        entry.profile = std::move(profile);
        entry.dirty = true;
        entry.makeFolders = entry.makeFolders || makeFolders;
        return TRUE;
    }
    if (makeFolders && !MakeFolders(path))
        return FALSE;
    bool ok = WriteAtomically(path, text);
    Cache().erase(path);
    return ok ? TRUE : FALSE;
}

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName)
{
    if (!fileName || !*fileName) {
        if (buffer && size > 0)
            buffer[0] = '\0';
        return 0;
    }
    return GetString(ResolveProfilePath(fileName), section, key, defaultValue, buffer, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName)
{
    if (!fileName || !*fileName)
        return static_cast<UINT>(defaultValue);
    return GetInt(ResolveProfilePath(fileName), section, key, defaultValue);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName)
{
    if (!section && !key && !value)
        return TRUE; // "flush the cache": writes are never held back here
    if (!fileName || !*fileName)
        return FALSE;
    return WriteString(ResolveProfilePath(fileName), section, key, value, false);
}

DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size)
{
    return GetString(qv::UserProfilePath(), section, key, defaultValue, buffer, size);
}

UINT GetProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue)
{
    return GetInt(qv::UserProfilePath(), section, key, defaultValue);
}

BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value)
{
    if (!section && !key && !value)
        return TRUE;
    return WriteString(qv::UserProfilePath(), section, key, value, true);
}

namespace qv {

std::string UserProfilePath()
{
    const char* explicitPath = getenv("QV_USER_PROFILE");
    if (explicitPath && *explicitPath)
        return explicitPath;
    const char* config = getenv("XDG_CONFIG_HOME");
    if (config && *config)
        return std::string(config) + "/quorvatix/user.ini";
    const char* home = getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/quorvatix/user.ini";
}

void BeginProfileBatch()
{
    std::lock_guard<std::mutex> guard(ProfileLock());
    InBatch() = true;
}

bool EndProfileBatch()
{
    std::lock_guard<std::mutex> guard(ProfileLock());
    InBatch() = false;
    bool ok = true;
    for (auto it = Cache().begin(); it != Cache().end();) {
        if (!it->second.dirty) {
            ++it;
            continue;
        }
        ok = (!it->second.makeFolders || MakeFolders(it->first)) && WriteAtomically(it->first, Serialize(it->second.profile)) && ok;
        it = Cache().erase(it);
    }
    return ok;
}

void SetProfileFolder(const std::string& folder)
{
    std::lock_guard<std::mutex> guard(ProfileLock());
    ProfileFolderRef() = folder;
}

std::string ProfileFolder()
{
    std::lock_guard<std::mutex> guard(ProfileLock());
    return ProfileFolderRef();
}

} // namespace qv
