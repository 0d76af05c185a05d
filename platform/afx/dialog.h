// Dialogs made from the templates of the resource script.
//
// Create makes the dialog window and every control of the template, with the control's
// initial text, style bits and list entries, from the resources of AfxGetResourceHandle()
// at the time of the call; then the dialog gets WM_INITDIALOG (OnInitDialog). The dialog is
// hidden unless its template carries WS_VISIBLE. DoModal shows the dialog and lets the user
// script act in it (see user_script.h).
#pragma once

#include "afx/controls.h"
#include "afx/wnd.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    virtual ~CDialog();

    // A template name is an integer resource (MAKEINTRESOURCE) or the decimal ID as text.
    using CWnd::Create;
    virtual BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    void GotoDlgCtrl(CWnd* pWndCtrl);
    void NextDlgCtrl() const;
    void PrevDlgCtrl() const;
    void SetDefID(UINT nID) { m_nDefID = nID; }
    DWORD GetDefID() const { return m_nDefID; }

    UINT GetTemplateID() const { return m_nIDTemplate; }
    BOOL IsModal() const { return m_bModal; }
    // TRUE once EndDialog has been called while the dialog runs modally.
    BOOL HasEnded() const { return m_bEnded; }
    int GetModalResult() const { return m_nModalResult; }

    UINT m_nIDHelp = 0;

protected:
    LRESULT HandleInitDialog(WPARAM, LPARAM);
    void OnClose() { OnCancel(); }

    // Makes the window from the template; visible forces WS_VISIBLE, parentStyle adds bits.
    // The template comes from resourceModule, or from the resources in force when that is null.
    BOOL CreateFromTemplate(UINT nIDTemplate, CWnd* pParentWnd, bool visible, bool child,
                            HINSTANCE resourceModule = nullptr);

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;
    UINT m_nDefID = IDOK;
    BOOL m_bModal = FALSE;
    BOOL m_bEnded = FALSE;
    int m_nModalResult = -1;

    DECLARE_MESSAGE_MAP()
};

namespace qv {
// Template units to pixels (fixed dialog base units, see wnd.h).
inline int DialogUnitsToPixelsX(int x) { return x * 6 / 4; }
inline int DialogUnitsToPixelsY(int y) { return y * 13 / 8; }
// Resolves a template name to its numeric ID (0 when it names none).
UINT TemplateIdFromName(LPCTSTR lpszTemplateName);
struct RcDialog;
// The dialog template of that ID in a module's resources (null: the current resource
// module), or null when there is none.
const RcDialog* FindDialogTemplate(UINT nIDTemplate, HINSTANCE resourceModule = nullptr);
} // namespace qv
