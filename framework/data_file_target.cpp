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

// Whether the file at `path` is the table's own by the name the element stored: nothing is
// there (the write makes it), or it holds a table the page reads and no other element of the
// schematic names it.
bool StoredFileIsOwn(const CString& path, const DataFileKnowledge& known) {
    const std::string disk = qv::DiskPath(path);
    struct stat seen {};
    if (::lstat(disk.c_str(), &seen) != 0) return errno == ENOENT;
    return known.readsAsTable && known.readsAsTable(path) && !CReadAndWriteFiles::ClaimedElsewhere(disk.c_str());
}

} // namespace

bool HoldsDataTable(const CString& path, int channels,
                    const std::function<bool(std::span<const std::vector<double>> columns)>& fits) {
    CReadAndWriteFiles reader;
    reader.LookOnly();
    if (!reader.ReadInfoFile(path, "", -1, nullptr, nullptr, 0, 0, 2)) return false;
    if (reader.GetSaveVersion() == CReadAndWriteFiles::kFormatTextVersion || reader.GetNrChannels() != channels)
        return false;
    const int n = reader.GetNrItems();
    if (n < 0) return false;
    std::vector<std::vector<double>> columns(static_cast<size_t>(channels));
    try {
        for (int c = 0; c < channels; ++c) {
            columns[static_cast<size_t>(c)].assign(static_cast<size_t>(n) + 1, 0.0);
            reader.GetChannel(c)->SetSampleBuffer(columns[static_cast<size_t>(c)].data(), n);
        }
    } catch (const std::bad_alloc&) {
        for (int c = 0; c < channels; ++c) reader.GetChannel(c)->SetSampleBuffer(nullptr, 0);
        return false;
    }
    const bool read = reader.ReadDataFile() != FALSE;
    // The buffers are this function's: the channels let go of them before they go.
    for (int c = 0; c < channels; ++c) reader.GetChannel(c)->SetSampleBuffer(nullptr, 0);
    if (!read) return false;
    for (std::vector<double>& column : columns) column.resize(static_cast<size_t>(n));
    return !fits || fits(columns);
}

void DataFileKnowledge::TakeOpened(const CString& path, bool read) {
    own = read ? AbsolutePath(path) : CString();
    refused = read ? CString() : AbsolutePath(path);
}

void DataFileKnowledge::TakeChosenToRead(const CString& path, bool read) {
    const CString file = AbsolutePath(path);
    if (read) {
        typed = file;
        if (refused == file) refused.Empty();
    } else {
        refused = file;
    }
}

void DataFileKnowledge::TakeWritten(const CString& path) {
    own = AbsolutePath(path);
    // The user agreed to replace the file the page had refused, or there was none.
    if (refused == own) refused.Empty();
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
    const bool own = !names(known.refused) &&
                     (names(known.own) || names(known.typed) || (names(known.stored) && StoredFileIsOwn(path, known)));
    if (own || MayReplace(path, mayAsk)) return path;
    return std::nullopt;
}

CString TablesShareFileText(const CString& firstTable, const CString& secondTable, const CString& file) {
    return "The tables " + firstTable + " and " + secondTable + " would both be written to " + file +
           ": each table needs a file of its own.";
}

} // namespace qv::files
