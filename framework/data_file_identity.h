// Which file a data file's name leads to. Two tables must never be written to one file, and
// two names may lead to one file through a symbolic link ("link.mdx" -> "m.mdx"), or spell one
// folder in two ways: the pages, the wizards' writers and the host that plans a description's
// outputs compare the files the names lead to, not the names. Inline, as the naming rules of
// data_file_names.h are, since the host does not link the plug-in. Paths are names on disk.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <string>

// The file `path` leads to, as a key that two names of one file share: the identity of the
// folder it finally lies in (device and inode, so that every spelling of the folder and every
// link to it count as one) and its name there, after the links of the name itself are
// followed (a dangling link leads to the file it would make). The key holds before and after
// the file is written, since a write puts a new file in the name's place. A path whose folder
// is not there is its own key.
inline std::string DataFileIdentity(const std::string& path) {
    std::string file = path;
    // As the system does, a chain of links ends after 40 steps.
    for (int step = 0; step < 40; ++step) {
        char target[4096];
        const ssize_t length = ::readlink(file.c_str(), target, sizeof target - 1);
        if (length <= 0) break;
        target[length] = '\0';
        const size_t slash = file.rfind('/');
        file = target[0] == '/' || slash == std::string::npos ? std::string(target)
                                                               : file.substr(0, slash + 1) + target;
    }
    const size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : file.substr(0, slash + 1);
    struct stat found {};
    if (::stat(folder.c_str(), &found) != 0 || !S_ISDIR(found.st_mode)) return file;
    return std::to_string(found.st_dev) + ":" + std::to_string(found.st_ino) + "/" +
           (slash == std::string::npos ? file : file.substr(slash + 1));
}

// Whether both names lead to one file (see DataFileIdentity).
inline bool SameDataFile(const std::string& first, const std::string& second) {
    return first == second || DataFileIdentity(first) == DataFileIdentity(second);
}
