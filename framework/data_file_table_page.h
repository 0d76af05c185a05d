// What the table pages whose table can live in a data file share: the parameter set they edit
// (their cookie), the element's name and symbol, the data file's name, folder, flag and format,
// the dialogs that choose a data file to read or write, and the message boxes that a hidden
// page keeps to itself. The (x, y) point tables and the 3D lookup table build on it.
#pragma once

#include "afx/afxwin.h"
#include "framework/data_file_target.h"
#include "toolkit/tb_draw_symbol.h"

#include <optional>
#include "toolkit/tb_edits.h"
#include "toolkit/tb_page.h"
#include "wizard/paramholder.h"
#include "wizard/wizardbase.h"

class CDataFileTablePage : public CTBPropertyPage {
public:
    CDataFileTablePage(UINT templ, DWORD_PTR cookie) : CTBPropertyPage(templ, 0), m_cookie(cookie) {}
    ~CDataFileTablePage() override;

    DWORD_PTR GetCookie() const { return m_cookie; }
    CString GetFileName() const { return m_strFileName; }
    int GetFileFormat() const { return m_nFileFormat; }
    void SetHidden(bool hidden) { m_bHidden = hidden; }

    // Reads the table from a data file; a failure is told (except on a hidden page) and leaves
    // the table as it was.
    virtual BOOL ImportFile(const CString& path) = 0;
    // Writes the table to a data file (see DataFileTarget) and announces the file written. An
    // apply writes the table's own data file through it as well, so that the file reads back
    // as the page wrote it.
    virtual BOOL ExportFile(const CString& fileName, int format) = 0;

protected:
    // The base's dialog opened, then the file-name edit (2117) completes paths as they are typed.
    BOOL OnInitDialog() override;
    // The file-name edit bound to its control.
    void DoDataExchange(CDataExchange* pDX) override;
    ParamHolder* Holder() const { return reinterpret_cast<ParamHolder*>(m_cookie); }
    virtual CWizardBase4* Owner() const = 0;
    // The element's name and "Show Name" written into the parameter set, which is committed;
    // false, writing nothing, without a set or an editor to commit to.
    bool CommitNameFirst();
    // Whether the page's table has no row (a table of data pairs without one gives the model
    // text nothing to read); the pages without such a table have none to be empty.
    virtual bool HasNoRows() const { return false; }
    // The name the data file is written under: the document's without a chosen name, else
    // the chosen one with its wildcards replaced; a chosen name that is the document's name of
    // the element as the page was opened (or last applied) on it follows the name on the page.
    void ResolveFileName();
    // The end of an apply: with `writeFile` and the flag on, the table written to its data file
    // and the name written given to the file-name parameter (2117); then the set committed.
    // False when the file or the commit fails.
    bool WriteFileAndCommit(bool writeFile);
    // A message box, except on a hidden page.
    void ShowMessage(const CString& text);
    // A data-file name within the table's folder becomes relative to it.
    void NormalizeFileName();
    // The user typed into the file-name edit (2117): the page is modified.
    void OnFileNameTyped();
    // Reads the table from the data file `name`, looked for in the table's folder, the
    // document's and the characteristic folders; false when it is not found. A file found that
    // could not be read is replaced only after a yes.
    bool ImportFoundFile(CString name);
    // The table from the data file its name finds; false when none is found.
    bool ImportNamedFile() { return ImportFoundFile(m_strFileName); }
    // "Import": asks for a data file in one of the formats the toolkit reads (the format of the
    // table's file preselected) and reads it; false when the user cancels or the file cannot be
    // read (which is told, and the members take the windows' texts again). With the flag on,
    // the file read becomes the table's file.
    bool ReadChosenDataFile();
    // "Save as": asks for a file in one of the formats the toolkit writes (the table's format
    // preselected, else the format of its file's extension); the chosen file becomes the
    // table's file, with the chosen format's extension when it has none, and the table is
    // written there in that format, under WrittenFileName. When that name is not the one the
    // dialog was answered with, a file of that name is replaced only after the user agreed;
    // after a no the table's file stays as it was.
    void WriteChosenDataFile();
    // Where the table is written: the path returned, the name written under in `name`. Without
    // a chosen name (the flag off) the element's name in the document's folder; otherwise
    // WrittenFileName of `fileName`. A table read from a text file is written after a message in
    // the first format, otherwise in `format`, which becomes the table's format. A file there
    // that is not the element's own is replaced only after the user agreed (ChooseDataFileTarget);
    // none, changing nothing, when it may not be.
    std::optional<CString> DataFileTarget(const CString& fileName, int format, CString& name);
    // The table was written to `path` (a path DataFileTarget gave).
    void TakeWrittenFile(const CString& path) { m_known.TakeWritten(path); }
    // The name a chosen file name is written under: wildcards take the element's name, a table
    // read from a text file is an ".mdx" file in the same folder, and an extension that cannot
    // be written becomes ".mdx" (WritableDataFileName).
    CString WrittenFileName(const CString& fileName) const;
    // Told the name a write target's wildcards were replaced in.
    virtual void OnWildcardsReplaced(const CString& /*name*/) {}
    // Calls `visit(param)` for every live input parameter of the set, in the set's order;
    // without a set there is none.
    template <class Visit>
    void ForEachInput(Visit visit) const {
        ParamHolder* holder = Holder();
        for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
            CWizardCopaObject3* param = holder->GetParam(i);
            if (param != nullptr && !param->IsDeleted() && param->IsInput()) visit(param);
        }
    }
    // The element's name, "Show Name" and symbol text from the parameter set, then
    // ForEachInput(read); without a set nothing is read. The symbol is made on first use.
    template <class Read>
    void ReadNameAndInputs(Read read) {
        LoadNameAndSymbol();
        ForEachInput(read);
    }
    void LoadNameAndSymbol();
    // The element's symbol drawn into its frame.
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    DWORD_PTR m_cookie = 0;
    CTBBrowseEdit m_edtFileName;  // 2117: completes paths as they are typed
    CString m_strFolder;        // where a relative data-file name lies
    qv::files::DataFileKnowledge m_known;  // the files the user refused or chose
    CString m_strFileName;
    CString m_strName;
    CString m_strNamedFor;      // the element's name when the page took it from the set or applied
    BOOL m_bFileName = FALSE;   // 2116: the table is written to the named file
    BOOL m_bShowName = FALSE;   // 2002
    int m_nFileFormat = 0;         // -1: the table was read from a file that cannot be written
    bool m_bHidden = false;
    CTBDrawSymbol* m_pSymbol = nullptr;  // owned
    CString m_strSymbolText;             // in the current language
};
