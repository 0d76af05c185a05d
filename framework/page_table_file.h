// The write of a table whose page keeps it in a data file under a name of its own (the Fourier
// source's harmonics, the dead time's initial values): the naming rules, the one check of
// whether the file there may be replaced, the write, and what the page then knows.
#pragma once

#include <optional>

#include "afx/afx.h"
#include "framework/data_file_target.h"

class CReadAndWriteFiles;
class CWnd;

namespace qv::files {

// "Save as": the write dialog (AskForFileToWrite, starting at `folder` + `fileName`), the path
// it was answered with recorded in `known`, and for a table read from a text file (`readFormat`
// the text version) the notice that it is written as an ".mdx" file (message 8035), under the
// name chosen, where that says. On OK `fileName` is the chosen name and the chosen format is
// returned; -1 when the user cancelled.
int AskForFileToSaveAs(CWnd* parent, const CString& folder, CString& fileName, int readFormat,
                       DataFileKnowledge& known);

// What was written: the name the page keeps (as given, rules applied), the path and the format.
struct WrittenTable {
    CString name;
    CString path;
    int format = 0;
};

// Writes `files` under `name` in `format`, relative names lying in `folder`. A name with a
// wildcard takes the element's name; a table read from a text file (`readFormat` the text
// version) is first announced with that notice and written as an ".mdx" file under its name
// alone, in the folder; a name without a writable extension gets ".mdx". The path is then
// resolved once and checked with ChooseDataFileTarget (the user may be asked); on success
// `known` hears of the path written. None when nothing was written: the user said no,
// or the write failed, whose error text was shown.
std::optional<WrittenTable> WriteTableFile(CReadAndWriteFiles& files, CString name, int format, int readFormat,
                                           const CString& elementName, const CString& folder,
                                           DataFileKnowledge& known);

} // namespace qv::files
