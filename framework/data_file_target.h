// Where a page writes its table's data file, and whether it may replace a file it finds there.
//
// One rule decides, by where a file came from and not by what it looks like: an existing file
// is the element's own only when the element wrote it (the file carries the mark of this
// document and this element, docs/data-files.md) and nobody changed it since (its values
// still match the mark's checksum). CReadAndWriteFiles::MayReplaceWithoutAsking applies it,
// for the pages as for the host's description and every other writer. Any other file is the user's, whatever it
// holds and whatever names it: a file without the mark (a user's table, a text, a file an
// earlier version wrote), a file another element wrote, a file changed since it was written,
// a file under the element's default name. A page replaces such a file only after a yes to
// "<name> already exists. Do you want to replace it?", or when the user chose it in a write
// dialog ("Save as"); after a no nothing is written. A file the page refused to read is asked
// about even when it carries the element's mark.
//
// Every road on which a page writes its table (apply, OK, "Save as", "Export", an "Open"
// followed by one of these) ends in ChooseDataFileTarget, so that a road added later asks the
// same question. A writer uses it like this:
//
//   1. The page keeps a DataFileKnowledge: TakeOpened as it reads (or fails to read) the file
//      its name names, TakeChosenToRead after an "Open" dialog, TakeAnswered after a write
//      dialog.
//   2. It makes the name it will write with the rules of framework/data_file_names.h.
//   3. std::optional<CString> path = ChooseDataFileTarget(name, folder, known, mayAsk);
//      no path: nothing is written and the page or dialog stays open (return FALSE).
//   4. It writes exactly *path, and after a successful write calls known.TakeWritten(*path).
//
// The folder is the one the write uses for a relative name (the page's data folder); when the
// page has none, the document's folder. The path is resolved once, here, and the same path is
// checked and written.
#pragma once

#include <optional>
#include <vector>

#include "afx/afx.h"

namespace qv::files {

// What a page knows of the files its table belongs to. A file the page read (or refused) is
// kept as an absolute path, a relative one taken from the current folder where it was opened;
// a name answered to a write dialog is kept as given and resolved against the write's folder
// when a write is checked, as the written name is.
struct DataFileKnowledge {
    // A file the page refused to read: it is replaced only after the user agreed, whatever
    // named it, unless a write dialog was answered with it.
    CString refused;
    // The path a write dialog was answered with: choosing it there agreed to its replacement.
    CString answered;
    // For an element with more than one table: this table's name, and the absolute path of
    // each other table's file with that table's name. This table is never written to the file
    // one of them leads to (another spelling or a symbolic link leads to it too, see
    // data_file_identity.h), where it would replace the other table; the write is refused with
    // a message that names both tables.
    CString table;
    struct OtherTable {
        CString table;
        CString path;
    };
    std::vector<OtherTable> others;

    // As the page opens: it read its table from `path` (`read`) or refused the file there.
    void TakeOpened(const CString& path, bool read);
    // The user chose `path` in an "Open" dialog, whose file the page read (`read`) or refused.
    void TakeChosenToRead(const CString& path, bool read);
    // The user answered a write dialog with `path`.
    void TakeAnswered(const CString& path) { answered = path; }
    // The page wrote its table to `path`.
    void TakeWritten(const CString& path);
};

// Whether a data-file name can stand in the model text, which quotes it ("FILE := "<name>""):
// a quote or a control character cannot. A page refuses such a name where it was typed.
bool IsQuotableDataFileName(const CString& name);
// The refusal of a name that the model text cannot quote.
CString UnquotableDataFileNameText(const CString& name);

// The absolute path a name given by a page or its user names: a relative name lies in
// `folder` (the document's folder when `folder` is empty, the current folder when both are),
// an absolute one stays; '\\' becomes '/' and "." and ".." steps are taken out. The name is
// not rewritten by any naming rule.
CString DataFilePathIn(const CString& name, const CString& folder);

// The path to write the table named `name` to (made writable, WritableDataFileName, and
// resolved, DataFilePathIn), or none when nothing may be written: it is the file of another
// table of the element (the refusal is shown when `mayAsk`), or a file is there that is not
// the element's own (see above) and the user said No, or, without `mayAsk` (a hidden page), a
// question would be needed, or the name cannot stand in the model text (refused with a message
// when `mayAsk`). The question is "<name> already exists. Do you want to replace
// it?"; a script that does not answer it fails its command and nothing is written.
std::optional<CString> ChooseDataFileTarget(const CString& name, const CString& folder, const DataFileKnowledge& known,
                                            bool mayAsk);

// The refusal when two tables of one element would be written to one file, where the second
// would replace the first: it names both tables and the file.
CString TablesShareFileText(const CString& firstTable, const CString& secondTable, const CString& file);

} // namespace qv::files
