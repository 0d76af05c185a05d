// What the pages of the (x, y) point tables share: the 2D lookup table and the data-pairs time
// function edit their points in the same list, keep the same snapshot list and data-file
// names, and show their curve in the same preview.
#pragma once

#include "afx/afxwin.h"
#include "framework/characteristic_preview.h"
#include "framework/data_classes.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_page.h"
#include "wizard/wizardbase.h"

class CPointTablePage : public CTBPropertyPage {
public:
    CPointTablePage(UINT templ, DWORD_PTR cookie) : CTBPropertyPage(templ, 0), m_cookie(cookie) {}
    ~CPointTablePage() override;

    DWORD_PTR GetCookie() const { return m_cookie; }
    const CPtrArray& Points() const { return m_points; }
    CString GetFileName() const { return m_strFileName; }
    int GetFileFormat() const { return m_nFileFormat; }
    void SetHidden(bool hidden) { m_bHidden = hidden; }

    virtual BOOL ImportFile(const CString& path) = 0;
    // Writes the table to a data file (an ".mdx" file; the text format is only read), in the
    // table's folder or, without a chosen name, the document's; announces the file written.
    BOOL ExportFile(const CString& fileName, int format);

    void OnDeleteRow();
    void OnDeleteAllRows();
    // A data-file name within the table's folder becomes relative to it.
    void NormalizeFileName();
    // The warning label shows while some x does not rise above the one before.
    void ShowMonotonyWarning();

protected:
    ParamHolder* Holder() const { return reinterpret_cast<ParamHolder*>(m_cookie); }
    virtual CWizardBase4* Owner() const = 0;
    // The channels' names and units a written file carries.
    virtual void ChannelNames(CString& xName, CString& xUnit, CString& yName, CString& yUnit) const = 0;
    // The ".mdx" name a table read from a text file is written under.
    virtual CString TextTableName(const CString& name) const = 0;
    // The table from the data file its name finds; false when none is found.
    bool ImportNamedFile();
    // The name the data file is written under: the document's without a chosen name, else
    // the chosen one with its wildcards replaced.
    void ResolveFileName();
    // Of the file-name (2117) and file-reference (1012) parameters, the one in use is shown.
    void MarkFileParameters(bool reference);
    // A message box, except on a hidden page.
    void ShowMessage(const CString& text);
    // "Show" reads "Update" while the preview is open.
    void LabelShowAsUpdate();
    // Opens the preview of the preview points anew, with its axis labels.
    void OpenPreview(const CString& xLabel, const CString& yLabel);
    void OnOutput();
    LRESULT OnPreviewClosed(WPARAM wParam, LPARAM lParam);
    void OnContextMenu(CWnd* pWnd, CPoint point);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    DECLARE_MESSAGE_MAP()

    DWORD_PTR m_cookie = 0;
    CPtrArray m_points;         // CDataPoint*, owned
    CPtrArray m_previewPoints;  // CDataPoint*, owned
    CCharacteristicDlg* m_pPreview = nullptr;
    CPtrArray m_snapshots;      // CCopaObjectCompare*, owned
    CString m_strFolder;
    CTBEditListCtrl m_lstTable;  // 2121
    BOOL m_bFileName = FALSE;    // 2116
    BOOL m_bShowName = FALSE;    // 2002
    BOOL m_bOutput = FALSE;      // 2056
    CString m_strFileName;
    CString m_strName;
    CString m_strReference;      // 2425
    int m_nFileFormat = 0;
    bool m_bHidden = false;
};
