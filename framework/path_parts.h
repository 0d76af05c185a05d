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

inline bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

// Cut as _splitpath cuts (drive always empty; both separators; the extension from the last
// dot of the last component), but without its fixed buffers: a part longer than _MAX_FNAME
// or a path longer than _MAX_PATH stays whole, so that a name the file system cannot hold is
// refused when the file is written instead of naming a shortened file.
inline PathParts SplitPath(const CString& path) {
    const int length = path.GetLength();
    int nameStart = 0;
    for (int i = 0; i < length; ++i)
        if (IsPathSeparator(path[i])) nameStart = i + 1;
    int extStart = length;
    for (int i = length; i > nameStart; --i)
        if (path[i - 1] == '.') {
            extStart = i - 1;
            break;
        }
    return PathParts{CString(), path.Left(nameStart), path.Mid(nameStart, extStart - nameStart), path.Mid(extStart)};
}

inline CString JoinPath(const PathParts& parts) {
    CString path = parts.drive;
    if (!parts.dir.IsEmpty()) {
        path += parts.dir;
        if (!IsPathSeparator(path[path.GetLength() - 1])) path += '/';
    }
    path += parts.name;
    if (!parts.ext.IsEmpty()) {
        if (parts.ext[0] != '.') path += '.';
        path += parts.ext;
    }
    return path;
}

inline bool EndsWithSeparator(const CString& text) {
    const int n = text.GetLength();
    return n > 0 && IsPathSeparator(text[n - 1]);
}
