// The dialogs in which a page asks its user for a data file to read or to write: the toolkit's
// formats as filters, the entry of the current file's format preselected, the current file as
// the start, and the message a failed read shows.
#pragma once

#include "afx/afxwin.h"

namespace qv::files {

// Asks for a data file to read. The dialog starts with `folder + fileName` and preselects the
// format of its extension; on OK `fileName` becomes the chosen path. False when the user
// cancels. Like a file dialog's answer, the chosen path is a full one: a relative answer names
// the file in the folder the dialog starts in (AnsweredPath), so that it is read and kept as
// the one file.
bool AskForFileToRead(CWnd* parent, const CString& folder, CString& fileName);

// What a write dialog that comes back without a chosen filter (index 0) does to a name without
// an extension: the first format is written either way, but the characteristic table keeps the
// name as typed there.
enum class NoChosenFilter { kAppendFirstFormatsExtension, kKeepName };

// Asks for a data file to write. The dialog preselects the format last written
// (`savedFormat`, unless it is the read-only text version or out of range) and otherwise the
// format of the extension. On OK `fileName` becomes the chosen path, with the chosen format's
// extension appended when it has none, and the chosen format's index is returned; -1 when the
// user cancels. `answered` (when given) learns the path the dialog was answered with, the file
// whose replacement the dialog asked about.
int AskForFileToWrite(CWnd* parent, const CString& folder, CString& fileName, int savedFormat,
                      NoChosenFilter noFilter = NoChosenFilter::kAppendFirstFormatsExtension,
                      CString* answered = nullptr);

// Whether a table may be written to `path`, a file that is not the element's own (pages reach
// this through ChooseDataFileTarget, data_file_target.h): yes when there is no file;
// otherwise, when `mayAsk`, the user is asked whether to replace it, and no when nobody may be
// asked.
bool MayReplace(const CString& path, bool mayAsk = true);

// The message a page shows when a chosen data file cannot be read, from the library's strings.
CString ReadErrorText();

// The message a page shows for a data file of more rows than it takes, with both counts:
// "The file holds 10,001 values; at most 10,000 are allowed!".
CString TooManyRowsText(long long rows, long long limit);

// A file dialog's answer as the full path it stands for: a relative answer lies in `folder`,
// the page's folder the dialog starts in, or without one in the document's folder.
CString AnsweredPath(const CString& answer, const CString& folder);

// OK's rule for a data-file name typed into `control`: a name whose folder (relative to
// `folder`, or without one to the document's folder) does not exist cannot be written, so the
// field gets the focus, a message naming the missing folder is shown (not on a hidden page:
// `parentless`) and FALSE is given, as a file dialog refuses such a name. TRUE for a name
// without a folder part or one whose folder exists.
BOOL RefuseNameInMissingFolder(CWnd& page, int control, const CString& name, const CString& folder);

} // namespace qv::files
