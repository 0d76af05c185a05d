#include "framework/data_file_dialogs.h"

#include "framework/file_dialog_filters.h"
#include "framework/data_file_places.h"
#include "framework/module.h"
#include "framework/path_parts.h"
#include "framework/string_ids.h"
#include "framework/xy_table.h"
#include "toolkit/read_write_files.h"

#include <string>
#include <sys/stat.h>

namespace qv::files {

namespace {

constexpr DWORD kDialogFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;

} // namespace

bool AskForFileToRead(CWnd* parent, const CString& folder, CString& fileName) {
    const CStringArray* filters = CReadAndWriteFiles::GetFormatFilterRead();
    CFileDialog dialog(TRUE, nullptr, nullptr, kDialogFlags, JoinFilters(*filters), parent);
    dialog.m_ofn.nFilterIndex = PreselectFilter(*filters, SplitPath(fileName).ext);
    if (!fileName.IsEmpty()) StartWithFile(dialog, folder + fileName);
    if (dialog.DoModal() != IDOK) return false;
    fileName = AnsweredPath(dialog.GetPathName(), folder);
    return true;
}

CString AnsweredPath(const CString& answer, const CString& folder) {
    if (answer.IsEmpty() || answer[0] == '/' || answer[0] == '\\') return answer;
    const CString start = !folder.IsEmpty() ? folder : g_DocumentDir;
    return start + answer;
}

BOOL RefuseNameInMissingFolder(CWnd& page, int control, const CString& name, const CString& folder) {
    const PathParts parts = SplitPath(name);
    if (parts.dir.IsEmpty()) return TRUE;
    const CString dir = AnsweredPath(parts.dir, folder);
    struct stat info {};
    if (::stat(qv::DiskPath(dir).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return TRUE;
    if (page.GetParent() != nullptr) {
        if (CWnd* field = page.GetDlgItem(control)) field->SetFocus();
        CResourceSwitch resources;
        AfxMessageBox(parts.dir + "\nThis folder does not exist.\nCheck the name and try again.", MB_OK | MB_ICONEXCLAMATION);
    }
    return FALSE;
}

int AskForFileToWrite(CWnd* parent, const CString& folder, CString& fileName, int savedFormat,
                      NoChosenFilter noFilter, CString* answered) {
    const CStringArray* filters = CReadAndWriteFiles::GetFormatFilterWrite();
    CFileDialog dialog(FALSE, nullptr, nullptr, kDialogFlags, JoinFilters(*filters), parent);
    dialog.m_ofn.nFilterIndex = PreselectFilter(*filters, SplitPath(fileName).ext);
    if (savedFormat != CReadAndWriteFiles::kFormatTextVersion && savedFormat >= 0 && savedFormat < filters->GetSize())
        dialog.m_ofn.nFilterIndex = static_cast<DWORD>(savedFormat + 1);
    if (!fileName.IsEmpty()) StartWithFile(dialog, folder + fileName);
    if (dialog.DoModal() != IDOK) return -1;
    fileName = AnsweredPath(dialog.GetPathName(), folder);
    if (answered != nullptr) *answered = fileName;
    const DWORD index = dialog.m_ofn.nFilterIndex;
    const int format = index >= 1 ? static_cast<int>(index) - 1 : 0;
    const bool extend = index >= 1 || noFilter == NoChosenFilter::kAppendFirstFormatsExtension;
    if (extend && SplitPath(fileName).ext.IsEmpty() && format < filters->GetSize()) {
        // A pattern that still holds a wildcard names no single extension to append.
        const std::vector<CString> patterns = CPropCharacteristicXYTable::FilterPatterns(filters->GetAt(format));
        if (!patterns.empty() && patterns.back().Find('*') < 0) fileName += patterns.back();
    }
    return format;
}

bool MayReplace(const CString& path, bool mayAsk) {
    struct stat info {};
    if (::stat(qv::DiskPath(path).c_str(), &info) != 0) return true;
    if (!mayAsk) return false;
    const PathParts parts = SplitPath(path);
    CResourceSwitch resources;
    return AfxMessageBox(parts.name + parts.ext + " already exists.\nDo you want to replace it?",
                         MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

CString ReadErrorText() {
    CResourceSwitch resources;
    return LoadLibraryString(qv::strings::kStrReadError);
}

namespace {

// A count with a comma between each group of three digits.
std::string Grouped(long long n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return n < 0 ? "-" + digits : digits;
}

} // namespace

CString TooManyRowsText(long long rows, long long limit) {
    return ("The file holds " + Grouped(rows) + " values; at most " + Grouped(limit) + " are allowed!").c_str();
}

} // namespace qv::files
