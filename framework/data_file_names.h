// The names under which tables are written as data files. The element pages, the model
// description and the host that plans a description's outputs all name files by these rules,
// so the rules live here alone, as inline functions of the platform's strings: the host,
// which does not link the plug-in, uses the same text.
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

// The name with an extension that can be written: one that cannot becomes ".mdx" ("noext"
// becomes "noext.mdx", "x.txt" becomes "x.mdx"); the folder part stays.
inline CString WritableDataFileName(const CString& name) {
    PathParts parts = SplitPath(name);
    if (IsWritableDataFileExtension(parts.ext)) return name;
    parts.ext = kDataFileExtension;
    return JoinPath(parts);
}
