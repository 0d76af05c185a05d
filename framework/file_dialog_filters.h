// The file dialogs of pages that read or write data files: the toolkit's format filters joined
// for the dialog, the entry preselected for a file's extension, and the file the dialog starts
// with.
#pragma once

#include "afx/afxwin.h"

#include <vector>

namespace qv::files {

// The filter entries joined into a file-dialog filter ("a|b||").
CString JoinFilters(const CStringArray& filters);
// The patterns (".ext") a filter entry names.
using FilterPatternReader = std::vector<CString> (*)(const CString& entry);
// The 1-based index of the first filter entry one of whose patterns equals the extension
// (without regard to case); 1 when none does. The patterns are read as the characteristic
// table reads them unless `patternsOf` says otherwise.
DWORD PreselectFilter(const CStringArray& filters, const CString& ext, FilterPatternReader patternsOf = nullptr);
// The dialog starts with `path`, cut to the dialog's buffer; an empty path leaves it alone.
void StartWithFile(CFileDialog& dialog, const CString& path);

} // namespace qv::files
