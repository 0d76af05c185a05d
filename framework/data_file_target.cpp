#include "framework/data_file_target.h"

#include "framework/data_file_dialogs.h"
#include "framework/data_file_identity.h"
#include "framework/data_file_names.h"
#include "framework/data_file_places.h"

#include "toolkit/read_write_files.h"
#include "win32/paths.h"

#include <sys/stat.h>
#include <cerrno>
#include <unistd.h>

#include <string>

namespace qv::files {

namespace {

// The path in normal form, a relative one taken from the current folder, where the files a
// page reads by such a name are opened.
CString AbsolutePath(CString path) {
    path.Replace('\\', '/');
    if (path.IsEmpty()) return path;
    if (path[0] != '/') {
        std::string current(4096, '\0');
        if (::getcwd(current.data(), current.size()) != nullptr) path = CString(current.c_str()) + "/" + path;
    }
    return CString(LexicallyNormalPath(path.str()).c_str());
}

} // namespace

bool IsQuotableDataFileName(const CString& name) {
    for (const char c : name.view())
        if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

CString UnquotableDataFileNameText(const CString& name) {
    // The name is shown without the characters it cannot hold, which would break the line.
    std::string shown(name.view());
    for (char& c : shown)
        if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return "The data file name \"" + CString(std::string_view(shown)) +
           "\" cannot be used: a data file name may hold no quotation mark (\") and no control character. "
           "Please give another name.";
}

void DataFileKnowledge::TakeOpened(const CString& path, bool read) { refused = read ? CString() : AbsolutePath(path); }

void DataFileKnowledge::TakeChosenToRead(const CString& path, bool read) {
    const CString file = AbsolutePath(path);
    if (read) {
        if (refused == file) refused.Empty();
    } else {
        refused = file;
    }
}

void DataFileKnowledge::TakeWritten(const CString& path) {
    // The user agreed to replace the file the page had refused, or there was none.
    if (refused == AbsolutePath(path)) refused.Empty();
}

CString DataFilePathIn(const CString& name, const CString& folder) {
    CString path = name;
    if (path.IsEmpty()) return path;
    // A page whose folder was emptied (a name with a folder of its own, not one it knows)
    // writes a relative name where the document lies, never where the process was started.
    const CString base = folder.IsEmpty() ? g_DocumentDir : folder;
    if (!IsPathSeparator(path[0]) && !base.IsEmpty()) path = base + (EndsWithSeparator(base) ? "" : "/") + path;
    return AbsolutePath(path);
}

std::optional<CString> ChooseDataFileTarget(const CString& name, const CString& folder, const DataFileKnowledge& known,
                                            bool mayAsk) {
    // The model text quotes the name: one it cannot quote would end the quote early.
    if (!IsQuotableDataFileName(name)) {
        if (mayAsk) AfxMessageBox(UnquotableDataFileNameText(name), MB_OK | MB_ICONEXCLAMATION);
        return std::nullopt;
    }
    const CString path = DataFilePathIn(WritableDataFileName(name), folder);
    for (const DataFileKnowledge::OtherTable& other : known.others) {
        // A link may lead one name to the other table's file.
        if (!SameDataFile(qv::DiskPath(other.path), qv::DiskPath(path))) continue;
        const PathParts parts = SplitPath(path);
        if (mayAsk) AfxMessageBox(TablesShareFileText(other.table, known.table, parts.name + parts.ext), MB_OK);
        return std::nullopt;
    }
    // Each name the page knows is resolved as the written one is, against the same folder,
    // so that the file checked is the file written.
    const auto names = [&](const CString& given) { return !given.IsEmpty() && DataFilePathIn(given, folder) == path; };
    if (names(known.answered)) return path;
    if ((!names(known.refused) && CReadAndWriteFiles::MayReplaceWithoutAsking(path, CReadAndWriteFiles::CurrentWriter())) ||
        MayReplace(path, mayAsk))
        return path;
    return std::nullopt;
}

CString TablesShareFileText(const CString& firstTable, const CString& secondTable, const CString& file) {
    return "The tables " + firstTable + " and " + secondTable + " would both be written to " + file +
           ": each table needs a file of its own.";
}

} // namespace qv::files
