// The names under which tables are written as data files. The element pages, the model
// description and the host that plans a description's outputs all name files by these rules,
// so the rules live here alone, as inline functions of the platform's strings: the host,
// which does not link the plug-in, uses the same text. A page checks and writes the name
// these rules give (see framework/data_file_target.h); a copy of a rule elsewhere would let
// the name checked and the name written drift apart.
#pragma once

#include "afx/afx.h"
#include "framework/path_parts.h"

// The extension every written table carries unless its name has a writable one.
inline constexpr char kDataFileExtension[] = ".mdx";

// "<document>__<component>[__<suffix>].mdx" with every "." of both names turned into "_".
inline CString MakeDocumentFileName(CString document, CString component, const CString& suffix) {
    document.Replace('.', '_');
    component.Replace('.', '_');
    CString name = document + "__" + component;
    if (!suffix.IsEmpty()) name += "__" + suffix;
    return name + kDataFileExtension;
}

// Whether a data file may carry this extension (with its dot) when a table is written: a
// written table is always an ".mdx" file, so an extension of four characters that does not
// name a format that is read only (".txt", ".csv", compared without regard to case). Other
// extensions are replaced by ".mdx" before the file is written.
inline bool IsWritableDataFileExtension(const CString& ext) {
    if (ext.GetLength() != 4) return false;
    CString lower = ext;
    lower.MakeLower();
    return lower != ".txt" && lower != ".csv";
}

// The wildcard rule: a name part that is empty or holds "*" becomes the element's name, an
// extension that holds "*" becomes ".mdx"; the folder stays ("*.mdx" of R1 is "R1.mdx", a
// folder "sub/*" is "sub/R1").
inline CString ReplaceDataFileWildcards(const CString& fileName, const CString& elementName) {
    PathParts parts = SplitPath(fileName);
    if (parts.name.IsEmpty() || parts.name.Find('*') >= 0) parts.name = elementName;
    if (parts.ext.Find('*') >= 0) parts.ext = kDataFileExtension;
    return JoinPath(parts);
}

// The leading-dot rule of the characteristic table: a bare name (without a folder) that
// begins with "." gets `prefix` in front (".hidden.mdx" of R1 is "R1.hidden.mdx"); a name with
// a folder ("./x.mdx") names its file as it stands.
inline CString PrefixDotFileName(const CString& fileName, const CString& prefix) {
    if (fileName.IsEmpty() || fileName[0] != '.' || !SplitPath(fileName).dir.IsEmpty()) return fileName;
    return prefix + fileName;
}

// The name with an extension that can be written: one that cannot becomes ".mdx" ("noext"
// becomes "noext.mdx", "x.txt" becomes "x.mdx"); the folder part stays.
inline CString WritableDataFileName(const CString& name) {
    PathParts parts = SplitPath(name);
    if (IsWritableDataFileExtension(parts.ext)) return name;
    parts.ext = kDataFileExtension;
    return JoinPath(parts);
}
