// Where data files of characteristics and tables are looked for and written: the document
// directory, the characteristic search directories from "Lumo70.ini", the folder of the
// model description being written, and the default data-file name of an element.
// Directory texts end with a separator ('/'; '\\' of older data is accepted when reading).
#pragma once

#include <string>

#include "afx/afx.h"
#include "framework/data_file_names.h"

class CFile;
class CWizardBaseCommon;

// The folder of the current document ("" when the document has no path).
extern CString g_DocumentDir;
// The characteristic search directories, in the order of the "Dir%u" keys.
extern CStringArray g_CharacteristicSearchDirs;
// The folder of the model description file being written.
extern CString g_ModelOutputDir;

// Search directories are read only up to this count, whatever "NumOfSearchDirs" says.
constexpr UINT kMaxSearchDirs = 10000;

// Sets g_DocumentDir to the folder of the wizard's document ("@DocumentFile"; empty for a
// null wizard or a document without a path). A table's sheet does so as it opens
// (framework/characteristic_sheet.h), so that a data-file name without a folder lies where the
// document lies, whichever element's page ran before, never where the process started.
void TakeDocumentDir(const CWizardBaseCommon* wizard);

// Rebuilds g_DocumentDir from the wizard's document (TakeDocumentDir) and
// g_CharacteristicSearchDirs from "Lumo70.ini" ([SearchPathCharateristics] NumOfSearchDirs
// and Dir0, Dir1, ..., relative ones expanded against [Directories] DefaultDir).
void BuildCharacteristicSearchDirs(const CWizardBaseCommon* wizard);

// Looks for a characteristic file that can be opened for reading. A full path (from the
// root) is tried as it is (directory emptied). A name without extension gets ".mdx" and is
// tried in the document directory (when known; then directory := that folder and fileName :=
// the name with ".mdx") or else where its own folder says (directory emptied, fileName := the
// path). Any other name with extension is tried in directory, the document directory and each
// search directory, in this order; directory names the folder where it was found. A relative
// name keeps its folder throughout ("sub/t.mdx" is looked for as <folder>sub/t.mdx).
BOOL FindCharacteristicFile(CString& fileName, CString& directory);

// Splits a full path into a folder known here and a bare file name: when the path's folder
// is the given directory, the document directory or a search directory (compared with
// either separator and the trailing one implied), the path becomes the bare name and
// directory that folder as the path spells it, with its separator. A folder below the
// document directory (by steps that are not "." or "..") makes the path relative to it
// ("sub/x.mdx", directory the document directory as the path spells it), as a name typed
// with a folder is kept. Otherwise the path stays a full one and directory is emptied. A
// path without a folder gets the document directory (with a trailing separator). Either way
// directory + path names the file the path named.
void MakeCharacteristicPathRelative(CString& directory, CString& path);

// The component name the editor gives the wizard's element (request 13): the name its pages
// show. Empty for a null wizard.
CString ComponentNameOf(const CWizardBaseCommon* wizard);

// MakeDocumentFileName of the wizard's document name and the component name the editor gives
// (request 13). Empty for a null wizard.
CString MakeDocumentFileName(const CWizardBaseCommon* wizard, CString suffix);
// The same for the element named `component`: a page names its data file after the name it
// shows, which the user may have changed since the editor last took one.
CString MakeDocumentFileNameFor(const CWizardBaseCommon* wizard, const CString& component, const CString& suffix);
// A chosen data-file name after the element called `named` has been given the name `name`: the
// document's default name of `named` (ticking "File Name" fills it in, or the user typed it)
// becomes the default name of `name`, since under the earlier name it would be another
// element's file; any other name stays, as does every name when the two names are the same.
CString FileNameFollowingRename(const CWizardBaseCommon* wizard, const CString& fileName, const CString& named,
                                const CString& name, const CString& suffix);

// The path a table named `name` is written to: the name made writable, a name without a
// folder and a relative folder lying in `folder` (when it is not empty), an absolute path
// staying; "." and ".." steps taken out.
CString WritableDataFilePath(const CString& name, const CString& folder);

// The path in the file system's lexical normal form ("." and ".." steps out, one '/' each).
std::string LexicallyNormalPath(const std::string& path);

CString GetModelOutputDir();
void SetModelOutputDir(CString directory);
// Sets the model-output directory to the folder of the description file being written;
// when its path has no folder (or there is no file), the temporary folder is taken.
void SetModelOutputDirFromFile(const CFile* descriptionFile);
