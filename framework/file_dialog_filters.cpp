#include "framework/file_dialog_filters.h"

#include "framework/xy_table.h"

#include <cstring>

namespace qv::files {

CString JoinFilters(const CStringArray& filters) {
    CString joined;
    for (INT_PTR i = 0; i < filters.GetSize(); ++i) joined += filters.GetAt(i) + "|";
    return joined + "|";
}

DWORD PreselectFilter(const CStringArray& filters, const CString& ext, FilterPatternReader patternsOf) {
    if (patternsOf == nullptr) patternsOf = &CPropCharacteristicXYTable::FilterPatterns;
    for (INT_PTR i = 0; i < filters.GetSize(); ++i)
        for (const CString& pattern : patternsOf(filters.GetAt(i)))
            if (pattern.CompareNoCase(ext) == 0) return static_cast<DWORD>(i + 1);
    return 1;
}

void StartWithFile(CFileDialog& dialog, const CString& path) {
    if (path.IsEmpty() || dialog.m_ofn.lpstrFile == nullptr || dialog.m_ofn.nMaxFile == 0) return;
    const size_t room = dialog.m_ofn.nMaxFile - 1;
    const size_t length = static_cast<size_t>(path.GetLength()) < room ? static_cast<size_t>(path.GetLength()) : room;
    std::memcpy(dialog.m_ofn.lpstrFile, static_cast<LPCTSTR>(path), length);
    dialog.m_ofn.lpstrFile[length] = 0;
}

} // namespace qv::files
