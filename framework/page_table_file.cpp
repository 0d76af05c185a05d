#include "framework/page_table_file.h"

#include "afx/afxwin.h"
#include "framework/data_file_dialogs.h"
#include "framework/data_file_names.h"
#include "framework/module.h"
#include "framework/path_parts.h"
#include "framework/string_ids.h"
#include "toolkit/read_write_files.h"

namespace qv::files {

namespace {

// The notice that a table read from a text file is written as an ".mdx" file.
void ShowTextCannotBeWritten() {
    CResourceSwitch resources;
    AfxMessageBox(LoadLibraryString(qv::strings::kStrTextCannotBeWritten), MB_OK);
}

} // namespace

int AskForFileToSaveAs(CWnd* parent, const CString& folder, CString& fileName, int readFormat,
                       DataFileKnowledge& known) {
    CString answered;
    const int format = AskForFileToWrite(parent, folder, fileName, readFormat,
                                         NoChosenFilter::kAppendFirstFormatsExtension, &answered);
    if (format < 0) return format;
    known.TakeAnswered(answered);
    if (readFormat == CReadAndWriteFiles::kFormatTextVersion) ShowTextCannotBeWritten();
    return format;
}

std::optional<WrittenTable> WriteTableFile(CReadAndWriteFiles& files, CString name, int format, int readFormat,
                                           const CString& elementName, const CString& folder,
                                           DataFileKnowledge& known) {
    // The boxes shown here are the library's, with its captions.
    CResourceSwitch resources;
    name = ReplaceDataFileWildcards(name, elementName);
    if (readFormat == CReadAndWriteFiles::kFormatTextVersion) {
        ShowTextCannotBeWritten();
        name = SplitPath(name).name + kDataFileExtension;
        format = CReadAndWriteFiles::kFormatMdx;
    }
    name = WritableDataFileName(name);
    const std::optional<CString> path = ChooseDataFileTarget(name, folder, known, true);
    if (!path) return std::nullopt;
    if (!files.WriteFile(*path, "", format, nullptr, nullptr, 0, 0)) {
        AfxMessageBox(files.GetLastError(), MB_OK);
        return std::nullopt;
    }
    known.TakeWritten(*path);
    return WrittenTable{name, *path, format};
}

} // namespace qv::files
