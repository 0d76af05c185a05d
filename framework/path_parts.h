// A path taken apart into folder, name and extension and put together again, for the
// plug-in's data files and templates (see win32/paths.h for how the parts are cut).
#pragma once

#include "afx/afx.h"
#include "win32/paths.h"

struct PathParts {
    CString drive;  // always empty on this system
    CString dir;    // with its trailing separator
    CString name;
    CString ext;    // with its dot
    CString Folder() const { return drive + dir; }
};

inline PathParts SplitPath(const CString& path) {
    char drive[_MAX_DRIVE] = {};
    char dir[_MAX_DIR] = {};
    char name[_MAX_FNAME] = {};
    char ext[_MAX_EXT] = {};
    _splitpath(path, drive, dir, name, ext);
    return PathParts{drive, dir, name, ext};
}

inline CString JoinPath(const PathParts& parts) {
    char path[_MAX_PATH] = {};
    _makepath(path, parts.drive, parts.dir, parts.name, parts.ext);
    return CString(path);
}

inline bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

inline bool EndsWithSeparator(const CString& text) {
    const int n = text.GetLength();
    return n > 0 && IsPathSeparator(text[n - 1]);
}
