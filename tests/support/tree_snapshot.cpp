#include "tests/support/tree_snapshot.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

namespace qv_test {

namespace {

constexpr uint64_t kFnvOffset = 1469598103934665603ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

uint64_t Hash(const char* data, size_t size, uint64_t hash = kFnvOffset) {
    for (size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= kFnvPrime;
    }
    return hash;
}

uint64_t HashFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    uint64_t hash = kFnvOffset;
    char buffer[1 << 16];
    while (in) {
        in.read(buffer, sizeof buffer);
        hash = Hash(buffer, static_cast<size_t>(in.gcount()), hash);
    }
    return hash;
}

// The path without trailing separators (the root "/" stays).
std::string Trimmed(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool Excluded(const std::string& path, const std::vector<std::string>& excludes) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name == ".git" || name == "__pycache__") return true;
    for (const std::string& excluded : excludes)
        if (path == excluded) return true;
    return false;
}

void Record(const std::string& path, const std::vector<std::string>& excludes, TreeSnapshot& snapshot) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return;
    FileState state;
    if (S_ISREG(info.st_mode)) {
        state.kind = 'f';
        state.size = static_cast<uint64_t>(info.st_size);
        state.contentHash = HashFile(path);
    } else if (S_ISLNK(info.st_mode)) {
        state.kind = 'l';
        char target[4096];
        const ssize_t length = readlink(path.c_str(), target, sizeof target);
        state.size = length > 0 ? static_cast<uint64_t>(length) : 0;
        state.contentHash = Hash(target, length > 0 ? static_cast<size_t>(length) : 0);
    } else if (S_ISDIR(info.st_mode)) {
        state.kind = 'd';
    }
    if (state.kind == 'f' || state.kind == 'l') {
        state.modifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        state.inode = static_cast<uint64_t>(info.st_ino);
    }
    snapshot.entries[path] = state;
    if (state.kind != 'd') return;

    DIR* folder = opendir(path.c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string child = path == "/" ? "/" + name : path + "/" + name;
        if (!Excluded(child, excludes)) Record(child, excludes, snapshot);
    }
    closedir(folder);
}

const char* KindName(char kind) {
    switch (kind) {
    case 'f': return "file";
    case 'd': return "folder";
    case 'l': return "link";
    default: return "entry";
    }
}

// Texts are written as their length, a colon and the bytes, so that blanks and line breaks
// in names cannot break the form.
void WriteText(std::ostream& out, const std::string& text) { out << text.size() << ':' << text; }

bool ReadText(std::istream& in, std::string& text) {
    size_t length = 0;
    char colon = 0;
    if (!(in >> length) || !in.get(colon) || colon != ':' || length > (1u << 20)) return false;
    text.assign(length, '\0');
    return length == 0 || static_cast<bool>(in.read(text.data(), static_cast<std::streamsize>(length)));
}

} // namespace

TreeSnapshot TakeSnapshot(const std::vector<std::string>& roots, const std::vector<std::string>& excludes) {
    TreeSnapshot snapshot;
    for (const std::string& root : roots) snapshot.roots.push_back(Trimmed(root));
    for (const std::string& excluded : excludes) snapshot.excludes.push_back(Trimmed(excluded));
    for (const std::string& root : snapshot.roots)
        if (!Excluded(root, snapshot.excludes)) Record(root, snapshot.excludes, snapshot);
    return snapshot;
}

std::vector<std::string> CompareSnapshots(const TreeSnapshot& before, const TreeSnapshot& after) {
    std::vector<std::string> differences;
    for (const auto& [path, state] : after.entries) {
        auto it = before.entries.find(path);
        if (it == before.entries.end())
            differences.push_back(std::string("new ") + KindName(state.kind) + " " + path);
        else if (!(it->second == state))
            differences.push_back(std::string("changed ") + KindName(state.kind) + " " + path);
    }
    for (const auto& [path, state] : before.entries)
        if (!after.entries.count(path))
            differences.push_back(std::string("removed ") + KindName(state.kind) + " " + path);
    return differences;
}

void WriteSnapshot(std::ostream& out, const TreeSnapshot& snapshot) {
    for (const std::string& root : snapshot.roots) {
        out << "root ";
        WriteText(out, root);
        out << '\n';
    }
    for (const std::string& excluded : snapshot.excludes) {
        out << "exclude ";
        WriteText(out, excluded);
        out << '\n';
    }
    for (const auto& [path, state] : snapshot.entries) {
        out << "entry " << state.kind << ' ' << state.size << ' ' << state.modifiedNs << ' ' << state.inode << ' '
            << state.contentHash << ' ';
        WriteText(out, path);
        out << '\n';
    }
    out << "end\n";
}

bool ReadSnapshot(std::istream& in, TreeSnapshot& snapshot) {
    snapshot = TreeSnapshot();
    std::string word;
    while (in >> word) {
        if (word == "end") return true;
        std::string text;
        if (word == "root" || word == "exclude") {
            if (!ReadText(in, text)) return false;
            (word == "root" ? snapshot.roots : snapshot.excludes).push_back(text);
        } else if (word == "entry") {
            FileState state;
            if (!(in >> state.kind >> state.size >> state.modifiedNs >> state.inode >> state.contentHash)) return false;
            if (!ReadText(in >> std::ws, text)) return false;
            snapshot.entries[text] = state;
        } else {
            return false;
        }
    }
    return false;
}

} // namespace qv_test
