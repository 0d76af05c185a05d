// A record of the files under some folders (or of single files), to tell afterwards whether
// anything there was created, changed or removed. A file counts as changed when its size,
// content, modification time or inode differ, so rewriting a file with the same bytes (a
// profile entry written again) shows as well as a new value does.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace qv_test {

struct FileState {
    char kind = '?';            // 'f' file, 'd' folder, 'l' symbolic link, '?' other
    uint64_t size = 0;
    int64_t modifiedNs = 0;     // files and links only
    uint64_t inode = 0;         // files and links only
    uint64_t contentHash = 0;   // files: their bytes; links: their target
    bool operator==(const FileState&) const = default;
};

struct TreeSnapshot {
    // Watched folders or files; a root that does not exist yet is watched for appearing.
    std::vector<std::string> roots;
    // Folders left out (with everything below them). Folders named ".git" or "__pycache__"
    // are always left out: they belong to the version control and to the interpreter.
    std::vector<std::string> excludes;
    // Every entry below the roots, by absolute path.
    std::map<std::string, FileState> entries;
};

// Records the current state of the roots.
TreeSnapshot TakeSnapshot(const std::vector<std::string>& roots, const std::vector<std::string>& excludes);

// One line per difference ("new file X", "changed file X", "removed file X"); empty when
// the trees are the same.
std::vector<std::string> CompareSnapshots(const TreeSnapshot& before, const TreeSnapshot& after);

// A line-based text form of a snapshot; Read returns false for text it cannot read whole.
void WriteSnapshot(std::ostream& out, const TreeSnapshot& snapshot);
bool ReadSnapshot(std::istream& in, TreeSnapshot& snapshot);

} // namespace qv_test
