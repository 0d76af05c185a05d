#include "framework/data_file_target.h"

#include "framework/data_file_dialogs.h"
#include "framework/data_file_names.h"
#include "framework/data_file_places.h"

namespace qv::files {

void DataFileKnowledge::TakeOpened(const CString& path, bool read) {
    own = read ? path : CString();
    refused = read ? CString() : path;
}

void DataFileKnowledge::TakeChosenToRead(const CString& path, bool read) {
    if (read) {
        typed = path;
        if (refused == path) refused.Empty();
    } else {
        refused = path;
    }
}

void DataFileKnowledge::TakeWritten(const CString& path) {
    own = path;
    // The user agreed to replace the file the page had refused, or it was a new file.
    if (refused == path) refused.Empty();
}

CString DataFilePathIn(const CString& name, const CString& folder) {
    CString path = name;
    path.Replace('\\', '/');
    if (path.IsEmpty()) return path;
    // A page whose folder was emptied (a name with a folder of its own, not one it knows)
    // writes a relative name where the document lies, never where the process was started.
    const CString base = folder.IsEmpty() ? g_DocumentDir : folder;
    if (path[0] != '/' && !base.IsEmpty()) path = base + (EndsWithSeparator(base) ? "" : "/") + path;
    path.Replace('\\', '/');
    return CString(LexicallyNormalPath(path.str()).c_str());
}

std::optional<CString> ChooseDataFileTarget(const CString& name, const CString& folder, const DataFileKnowledge& known,
                                            bool mayAsk) {
    const CString path = DataFilePathIn(WritableDataFileName(name), folder);
    // Each name the page knows is resolved as the written one is, against the same folder,
    // so that the file checked is the file written.
    const auto names = [&](const CString& given) { return !given.IsEmpty() && DataFilePathIn(given, folder) == path; };
    if (names(known.answered)) return path;
    const bool own = !names(known.refused) && (names(known.own) || names(known.typed));
    if (own || MayReplace(path, mayAsk)) return path;
    return std::nullopt;
}

CString TablesShareFileText(const CString& firstTable, const CString& secondTable, const CString& file) {
    return "The tables " + firstTable + " and " + secondTable + " would both be written to " + file +
           ": each table needs a file of its own.";
}

} // namespace qv::files
