// Property pages and sheets.
//
// A sheet creates a page's window when the page first becomes active (or when the sheet is
// created with it as the start page) and destroys the page windows with its own; the page
// objects belong to whoever added them. The sheet drives its pages by calling their virtual
// operations directly (OnSetActive, OnKillActive, OnApply, OnQueryCancel, OnReset) where the
// original sends notification messages.
//
// Applying, as the editor drives it: the active page's OnKillActive runs first and a refusal
// stops; then every page that has a window gets OnApply in the order of the pages, and the
// first refusal stops and makes that page active. OK is an apply that closes the sheet when
// it succeeds.
#pragma once

#include "afx/dialog.h"

#include <vector>

class CPropertySheet;

struct PROPSHEETPAGE {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    UINT nTemplateId;
    LPCTSTR pszTitle;
    LPARAM lParam;
};
typedef PROPSHEETPAGE* LPPROPSHEETPAGE;

struct PROPSHEETHEADER {
    DWORD dwSize;
    DWORD dwFlags;
    HWND hwndParent;
    LPCTSTR pszCaption;
    UINT nPages;
    UINT nStartPage;
};

#ifndef PSP_DEFAULT
#define PSP_DEFAULT 0x00000000
#define PSP_USETITLE 0x00000008
#define PSP_HASHELP 0x00000020
#endif
#ifndef PSBTN_BACK
#define PSBTN_BACK 0
#define PSBTN_NEXT 1
#define PSBTN_FINISH 2
#define PSBTN_OK 3
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5
#endif
#ifndef PSM_QUERYSIBLINGS
#define PSM_QUERYSIBLINGS (WM_USER + 108)
#endif

class CPropertyPage : public CDialog {
    DECLARE_DYNAMIC(CPropertyPage)
public:
    CPropertyPage();
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    explicit CPropertyPage(LPCTSTR lpszTemplateName, UINT nIDCaption = 0);
    virtual ~CPropertyPage();
    void Construct(UINT nIDTemplate, UINT nIDCaption = 0);

    // Creation outside a sheet (the hidden pages of the wizards) is CDialog::Create.
    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    virtual BOOL OnApply();
    virtual void OnReset();
    virtual BOOL OnQueryCancel();
    virtual void OnOK();
    virtual void OnCancel();

    void SetModified(BOOL bChanged = TRUE);
    BOOL IsPageModified() const { return m_bModified; }
    void CancelToClose();
    LRESULT QuerySiblings(WPARAM wParam, LPARAM lParam);
    // The sheet the page is in (null when it is in none).
    CPropertySheet* GetSheet() const { return m_pSheet; }
    // The caption on the page's tab: the caption string if one was given, else the template's.
    CString GetCaption() const;

    PROPSHEETPAGE m_psp;

    // Used by the sheet.
    BOOL CreatePage(CPropertySheet* pSheet);
    void SetSheet(CPropertySheet* pSheet) { m_pSheet = pSheet; }

protected:
    CString m_strCaption;
    BOOL m_bModified = FALSE;
    BOOL m_bFirstSetActive = TRUE;
    CPropertySheet* m_pSheet = nullptr;
};

class CPropertySheet : public CWnd {
    DECLARE_DYNAMIC(CPropertySheet)
public:
    CPropertySheet();
    explicit CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    explicit CPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    virtual ~CPropertySheet();
    void Construct(LPCTSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);

    // Modeless: hidden unless the style has WS_VISIBLE (-1: the default, hidden).
    using CWnd::Create;
    virtual BOOL Create(CWnd* pParentWnd = nullptr, DWORD dwStyle = (DWORD)-1, DWORD dwExStyle = 0);
    // Modal, answered by the user script.
    virtual INT_PTR DoModal();
    void EndDialog(int nEndID);

    void AddPage(CPropertyPage* pPage);
    void RemovePage(CPropertyPage* pPage);
    void RemovePage(int nPage);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int nPage) const;
    int GetPageIndex(CPropertyPage* pPage) const;
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const { return m_nActive; }
    // Moves to the page: the active page's OnKillActive may refuse; the new page's window is
    // created the first time, then it gets OnSetActive.
    BOOL SetActivePage(int nPage);
    BOOL SetActivePage(CPropertyPage* pPage);
    void SetTitle(LPCTSTR lpszText, UINT nStyle = 0);
    CString GetTitle() const { return m_strCaption; }

    // The buttons: PSBTN_OK, PSBTN_APPLYNOW, PSBTN_CANCEL.
    BOOL PressButton(int nButton);
    // Kill-active on the active page, then OnApply of every created page (see the header
    // comment), then OnPagesApplied. FALSE when a page or the owner refused.
    BOOL Apply();
    // Called once every page took the apply, before OK closes the sheet: the sheet's owner (the
    // editor, which made the sheet) looks at what the pages committed. FALSE refuses the apply
    // and keeps the sheet open with its pages as the user left them, as an owner that answers
    // the apply notification with "invalid" does. The default takes every apply.
    virtual BOOL OnPagesApplied() { return TRUE; }
    // OnQueryCancel of the active page, then OnReset of every created page. FALSE when refused.
    BOOL CancelSheet();

    // TRUE when a page is modified (the Apply button would be enabled).
    BOOL IsApplyEnabled() const;
    BOOL IsCancelToClose() const { return m_bCancelToClose; }
    void SetCancelToClose() { m_bCancelToClose = TRUE; }
    LRESULT QuerySiblings(WPARAM wParam, LPARAM lParam);
    BOOL IsModal() const { return m_bModal; }
    BOOL HasEnded() const { return m_bEnded; }
    // The button that ended the sheet since it was last made (IDOK, IDCANCEL, ...); 0 while it
    // is open or when it was destroyed without one.
    int GetEndID() const { return m_nEndID; }

    PROPSHEETHEADER m_psh;

protected:
    BOOL CreateSheetWindow(CWnd* pParentWnd, DWORD dwStyle, DWORD dwExStyle);
    BOOL ActivatePage(int nPage);

    std::vector<CPropertyPage*> m_pages;
    CString m_strCaption;
    CWnd* m_pParentWnd = nullptr;
    UINT m_nStartPage = 0;
    int m_nActive = -1;
    BOOL m_bModal = FALSE;
    BOOL m_bEnded = FALSE;
    int m_nModalResult = IDCANCEL;
    int m_nEndID = 0;
    BOOL m_bCancelToClose = FALSE;

    void OnClose();
    DECLARE_MESSAGE_MAP()
};
