// What the table pages whose table can live in a data file share: the parameter set they edit
// (their cookie), the element's name, the data file's name, folder, flag and format, and the
// message boxes that a hidden page keeps to itself. The (x, y) point tables and the 3D lookup
// table build on it.
#pragma once

#include "afx/afxwin.h"
#include "toolkit/tb_page.h"
#include "wizard/paramholder.h"

class CDataFileTablePage : public CTBPropertyPage {
public:
    CDataFileTablePage(UINT templ, DWORD_PTR cookie) : CTBPropertyPage(templ, 0), m_cookie(cookie) {}

    DWORD_PTR GetCookie() const { return m_cookie; }
    CString GetFileName() const { return m_strFileName; }
    int GetFileFormat() const { return m_nFileFormat; }
    void SetHidden(bool hidden) { m_bHidden = hidden; }

protected:
    ParamHolder* Holder() const { return reinterpret_cast<ParamHolder*>(m_cookie); }
    // A message box, except on a hidden page.
    void ShowMessage(const CString& text);
    // A data-file name within the table's folder becomes relative to it.
    void NormalizeFileName();
    // Where the table is written: the path returned, the name written under in `name`. Without
    // a chosen name (the flag off) the element's name in the document's folder; wildcards take
    // the element's name; a table read from a text file is written as TextTableName, after a
    // message, in the first format, otherwise in `format`, which becomes the table's format.
    CString DataFileTarget(const CString& fileName, int format, CString& name);
    // The ".mdx" name under which a table read from a text file is written.
    virtual CString TextTableName(const CString& name) const;
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
    // The element's name and "Show Name" from the parameter set, then ForEachInput(read);
    // without a set nothing is read.
    template <class Read>
    void ReadNameAndInputs(Read read) {
        if (Holder() == nullptr) return;
        m_strName = Holder()->m_strElementName;
        m_bShowName = Holder()->m_dwShowName != 0;
        ForEachInput(read);
    }

    DWORD_PTR m_cookie = 0;
    CString m_strFolder;        // where a relative data-file name lies
    CString m_strFileName;
    CString m_strName;
    BOOL m_bFileName = FALSE;   // 2116: the table is written to the named file
    BOOL m_bShowName = FALSE;   // 2002
    int m_nFileFormat = 0;
    bool m_bHidden = false;
};
