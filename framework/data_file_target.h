// Where a page writes its table's data file, and whether it may replace a file it finds there.
//
// A page replaces an existing file only when it is the table's own file or when the user
// agreed. The table's own file is the file the page read its table from as it opened, the
// file its stored file name names exactly (the element's file-name parameter, the one the
// table was written to in an earlier session or description, whether or not the page read
// it now) where nothing is there yet or where it holds a table of the page's kind that the
// page can read and no other element names it (CReadAndWriteFiles::ClaimedElsewhere), a file
// the page has written since, or the exact name the user typed or chose, lying where the
// write puts it. A schematic may be received or edited by hand: its stored name alone never
// makes a user's other file (a text, a table of another kind, another element's file) the
// table's. A name that a rule rewrote on the way (an extension that
// cannot be written, a wildcard, a leading dot, the dialog's added extension, a text file read
// before, a folder dropped) names another file, and so does a file the page refused to read:
// before such a file is replaced the user is asked, and No writes nothing.
//
// Every road on which a page writes its table (apply, OK, "Save as", "Export", an "Open"
// followed by one of these) ends in ChooseDataFileTarget, so that a road added later asks the
// same question. A writer uses it like this:
//
//   1. The page keeps a DataFileKnowledge: TakeStored with its file-name parameter's value as
//      it opens, when the table is kept under that name, and the look that tells whether a
//      file holds a table the page reads (HoldsDataTable); TakeOpened as it reads (or fails to
//      read) the file that name names; TakeTyped when the user types into the file-name edit;
//      TakeChosenToRead after an "Open" dialog; TakeAnswered after a write dialog.
//   2. It makes the name it will write with the rules of framework/data_file_names.h.
//   3. std::optional<CString> path = ChooseDataFileTarget(name, folder, known, mayAsk);
//      no path: nothing is written and the page or dialog stays open (return FALSE).
//   4. It writes exactly *path, and after a successful write calls known.TakeWritten(*path).
//
// The folder is the one the write uses for a relative name (the page's data folder); when the
// page has none, the document's folder. The path is resolved once, here, and the same path is
// checked and written.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "afx/afx.h"

namespace qv::files {

// What a page knows of the files its table belongs to. A file the page read (or refused) is
// kept as an absolute path, a relative one taken from the current folder where it was opened;
// a name typed or answered to a write dialog is kept as given and resolved against the
// write's folder when a write is checked, as the written name is.
struct DataFileKnowledge {
    // The table's own file: the one the page read its table from as it opened, or the one it
    // wrote last. Empty when there is none.
    CString own;
    // The name the element stored for the table's file, as stored. The host keeps the files a
    // command writes from the pages as they open, so that a file an earlier run left changes
    // nothing: the page then never reads the table's own file, which the element or its
    // description wrote under this name. Kept as given and resolved as a typed name is, so
    // that a rule that rewrites it (`mine.txt` of older data written as `mine.mdx`) names
    // another file.
    CString stored;
    // Whether the file at a path holds a table of the page's kind that the page can read
    // (looked at without changing the page). Without it a file found under the stored name is
    // never the table's own.
    std::function<bool(const CString& path)> readsAsTable;
    // A file the page refused to read: it is replaced only after the user agreed, whatever
    // named it, unless a write dialog was answered with it.
    CString refused;
    // The name the user typed into the file-name edit or chose in an "Open" dialog, as given.
    CString typed;
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

    // As the page opens: the element keeps the table under the file name `name`.
    // `reads` tells whether a file found under that name holds a table the page can read.
    void TakeStored(const CString& name, std::function<bool(const CString& path)> reads) {
        stored = name;
        readsAsTable = std::move(reads);
    }
    // As the page opens: it read its table from `path` (`read`) or refused the file there.
    void TakeOpened(const CString& path, bool read);
    // The user typed `name` into the file-name edit.
    void TakeTyped(const CString& name) { typed = name; }
    // The user chose `path` in an "Open" dialog, whose file the page read (`read`) or refused.
    void TakeChosenToRead(const CString& path, bool read);
    // The user answered a write dialog with `path`.
    void TakeAnswered(const CString& path) { answered = path; }
    // The page wrote its table to `path`, which is its own file from now on.
    void TakeWritten(const CString& path);
};

// The absolute path a name given by a page or its user names: a relative name lies in
// `folder` (the document's folder when `folder` is empty, the current folder when both are),
// an absolute one stays; '\\' becomes '/' and "." and ".." steps are taken out. The name is
// not rewritten by any naming rule.
CString DataFilePathIn(const CString& name, const CString& folder);

// The path to write the table named `name` to (made writable, WritableDataFileName, and
// resolved, DataFilePathIn), or none when nothing may be written: it is the file of another
// table of the element (the refusal is shown when `mayAsk`), or a file is there that is not
// the table's own (see above) and the user said No, or, without `mayAsk` (a hidden page), a
// question would be needed. The question is "<name> already exists. Do you want to replace
// it?"; a script that does not answer it fails its command and nothing is written.
std::optional<CString> ChooseDataFileTarget(const CString& name, const CString& folder, const DataFileKnowledge& known,
                                            bool mayAsk);

// Whether the file at `path` holds a table that a page whose table has `channels` columns
// reads: a data file of the format the pages write (a text file read as columns is the
// user's), with that many channels, whose data reads whole; `fits`, when given, looks at the
// columns read (a grid, a row limit). The look reads no input (CReadAndWriteFiles::LookOnly)
// and shows nothing.
bool HoldsDataTable(const CString& path, int channels,
                    const std::function<bool(std::span<const std::vector<double>> columns)>& fits = {});

// The refusal when two tables of one element would be written to one file, where the second
// would replace the first: it names both tables and the file.
CString TablesShareFileText(const CString& firstTable, const CString& secondTable, const CString& file);

} // namespace qv::files
