// Property pages and sheets.
#include "afx/propsheet.h"
#include "afx/module_state.h"
#include "afx/user_script.h"
#include "afx/wnd_core.h"
#include "win32/resources.h"

#include <algorithm>
#include <functional>

// ---------------------------------------------------------------------------------------
// Pages

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)

CPropertyPage::CPropertyPage() : m_psp{} { m_psp.dwSize = sizeof(PROPSHEETPAGE); }

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : m_psp{} { Construct(nIDTemplate, nIDCaption); }

CPropertyPage::CPropertyPage(LPCTSTR lpszTemplateName, UINT nIDCaption) : m_psp{}
{
    Construct(qv::TemplateIdFromName(lpszTemplateName), nIDCaption);
}

CPropertyPage::~CPropertyPage()
{
    if (m_pSheet) {
        // A page deleted while in a sheet leaves it.
        CPropertySheet* sheet = m_pSheet;
        m_pSheet = nullptr;
        sheet->RemovePage(this);
    }
}

void CPropertyPage::Construct(UINT nIDTemplate, UINT nIDCaption)
{
    m_nIDTemplate = nIDTemplate;
    m_nIDHelp = nIDTemplate;
    m_psp = PROPSHEETPAGE{};
    m_psp.dwSize = sizeof(PROPSHEETPAGE);
    m_psp.dwFlags = PSP_DEFAULT;
    m_psp.hInstance = AfxGetResourceHandle();
    m_psp.nTemplateId = nIDTemplate;
    if (nIDCaption != 0 && m_strCaption.LoadString(nIDCaption)) {
        m_psp.dwFlags |= PSP_USETITLE;
        m_psp.pszTitle = m_strCaption;
    }
}

CString CPropertyPage::GetCaption() const
{
    if (!m_strCaption.IsEmpty())
        return m_strCaption;
    const qv::RcDialog* tmpl = qv::FindDialogTemplate(m_nIDTemplate);
    return tmpl ? CString(tmpl->caption.c_str()) : CString();
}

BOOL CPropertyPage::CreatePage(CPropertySheet* pSheet)
{
    m_pSheet = pSheet;
    m_bFirstSetActive = TRUE;
    m_bModified = FALSE;
    // Like the original, a page takes its template from the resources that were in force
    // when it was constructed: a sheet may create it long after the module that made it
    // has switched its resources back.
    return CreateFromTemplate(m_nIDTemplate, pSheet, true, true, m_psp.hInstance);
}

BOOL CPropertyPage::OnSetActive()
{
    // The first activation follows OnInitDialog, which filled the controls already.
    if (m_bFirstSetActive)
        m_bFirstSetActive = FALSE;
    else
        UpdateData(FALSE);
    return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

void CPropertyPage::OnReset() { OnCancel(); }

BOOL CPropertyPage::OnQueryCancel() { return TRUE; }

void CPropertyPage::OnOK() {}

void CPropertyPage::OnCancel() {}

void CPropertyPage::SetModified(BOOL bChanged) { m_bModified = bChanged ? TRUE : FALSE; }

void CPropertyPage::CancelToClose()
{
    if (m_pSheet)
        m_pSheet->SetCancelToClose();
}

LRESULT CPropertyPage::QuerySiblings(WPARAM wParam, LPARAM lParam)
{
    return m_pSheet ? m_pSheet->QuerySiblings(wParam, lParam) : 0;
}

// ---------------------------------------------------------------------------------------
// Sheets

IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

BEGIN_MESSAGE_MAP(CPropertySheet, CWnd)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

CPropertySheet::CPropertySheet() : m_psh{} { m_psh.dwSize = sizeof(PROPSHEETHEADER); }

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage) : m_psh{}
{
    CString caption;
    caption.LoadString(nIDCaption);
    Construct(caption, pParentWnd, iSelectPage);
}

CPropertySheet::CPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage) : m_psh{}
{
    Construct(pszCaption, pParentWnd, iSelectPage);
}

CPropertySheet::~CPropertySheet()
{
    for (CPropertyPage* page : m_pages)
        if (page->GetSheet() == this)
            page->SetSheet(nullptr);
    m_pages.clear();
    if (m_hWnd && Core() && Core()->object == this)
        DestroyWindow();
}

void CPropertySheet::Construct(LPCTSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
{
    m_strCaption = pszCaption ? pszCaption : "";
    m_pParentWnd = pParentWnd;
    m_nStartPage = iSelectPage;
    m_psh = PROPSHEETHEADER{};
    m_psh.dwSize = sizeof(PROPSHEETHEADER);
    m_psh.hwndParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    m_psh.pszCaption = m_strCaption;
    m_psh.nStartPage = iSelectPage;
}

void CPropertySheet::SetTitle(LPCTSTR lpszText, UINT)
{
    m_strCaption = lpszText ? lpszText : "";
    m_psh.pszCaption = m_strCaption;
    if (m_hWnd)
        SetWindowText(m_strCaption);
}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    if (!pPage || GetPageIndex(pPage) >= 0)
        return;
    m_pages.push_back(pPage);
    pPage->SetSheet(this);
    m_psh.nPages = static_cast<UINT>(m_pages.size());
    if (m_hWnd && m_nActive < 0)
        ActivatePage(0);
}

void CPropertySheet::RemovePage(CPropertyPage* pPage) { RemovePage(GetPageIndex(pPage)); }

void CPropertySheet::RemovePage(int nPage)
{
    if (nPage < 0 || nPage >= GetPageCount())
        return;
    CPropertyPage* page = m_pages[static_cast<size_t>(nPage)];
    m_pages.erase(m_pages.begin() + nPage);
    m_psh.nPages = static_cast<UINT>(m_pages.size());
    if (page->m_hWnd)
        page->DestroyWindow();
    if (page->GetSheet() == this)
        page->SetSheet(nullptr);
    if (m_nActive == nPage) {
        m_nActive = -1;
        if (m_hWnd && !m_pages.empty())
            ActivatePage(std::min(nPage, GetPageCount() - 1));
    } else if (m_nActive > nPage) {
        --m_nActive;
    }
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const
{
    return (nPage >= 0 && nPage < GetPageCount()) ? m_pages[static_cast<size_t>(nPage)] : nullptr;
}

int CPropertySheet::GetPageIndex(CPropertyPage* pPage) const
{
    auto it = std::find(m_pages.begin(), m_pages.end(), pPage);
    return it == m_pages.end() ? -1 : static_cast<int>(it - m_pages.begin());
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    if (m_nActive >= 0)
        return GetPage(m_nActive);
    return GetPage(static_cast<int>(m_nStartPage));
}

BOOL CPropertySheet::ActivatePage(int nPage)
{
    CPropertyPage* page = GetPage(nPage);
    if (!page || !m_hWnd)
        return FALSE;
    if (CPropertyPage* old = GetPage(m_nActive); old && old != page && old->m_hWnd)
        old->ShowWindow(SW_HIDE);
    if (!page->m_hWnd && !page->CreatePage(this))
        return FALSE;
    m_nActive = nPage;
    page->ShowWindow(SW_SHOW);
    page->OnSetActive();
    return TRUE;
}

BOOL CPropertySheet::SetActivePage(int nPage)
{
    if (nPage < 0 || nPage >= GetPageCount())
        return FALSE;
    if (!m_hWnd) {
        m_nStartPage = static_cast<UINT>(nPage);
        m_psh.nStartPage = m_nStartPage;
        return TRUE;
    }
    if (nPage == m_nActive)
        return TRUE;
    if (CPropertyPage* current = GetPage(m_nActive); current && current->m_hWnd && !current->OnKillActive())
        return FALSE;
    return ActivatePage(nPage);
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* pPage) { return SetActivePage(GetPageIndex(pPage)); }

BOOL CPropertySheet::CreateSheetWindow(CWnd* pParentWnd, DWORD dwStyle, DWORD dwExStyle)
{
    if (m_hWnd)
        return FALSE;
    m_pParentWnd = pParentWnd;
    m_bEnded = FALSE;
    m_bCancelToClose = FALSE;
    m_nModalResult = IDCANCEL;
    m_nEndID = 0;
    if (!CreateCore("#32770", m_strCaption, dwStyle, dwExStyle, RECT{0, 0, 400, 300}, pParentWnd, 0))
        return FALSE;
    m_nActive = -1;
    if (!m_pages.empty()) {
        const int start = m_nStartPage < m_pages.size() ? static_cast<int>(m_nStartPage) : 0;
        ActivatePage(start);
    }
    return TRUE;
}

BOOL CPropertySheet::Create(CWnd* pParentWnd, DWORD dwStyle, DWORD dwExStyle)
{
    if (dwStyle == static_cast<DWORD>(-1))
        dwStyle = WS_SYSMENU | WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    m_bModal = FALSE;
    return CreateSheetWindow(pParentWnd ? pParentWnd : m_pParentWnd, dwStyle, dwExStyle);
}

INT_PTR CPropertySheet::DoModal()
{
    qv::UserScript& script = qv::UserScript::Instance();
    const std::string caption = m_strCaption.str();
    const size_t record = script.Record(qv::ShownInteraction{qv::InteractionKind::Sheet, caption, std::string(), 0, 0,
                                                             IDCANCEL, {}, {}, {}, 0, 0});
    std::function<void(CPropertySheet&)> actions;
    int endCode = IDCANCEL;
    if (!script.TakeSheet(caption, actions, endCode))
        return IDCANCEL;
    m_bModal = TRUE;
    if (!CreateSheetWindow(m_pParentWnd, WS_SYSMENU | WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE, 0)) {
        m_bModal = FALSE;
        script.SetAnswer(record, -1);
        return -1;
    }
    if (!m_bEnded && actions)
        actions(*this);
    if (!m_bEnded && m_hWnd && endCode != 0) {
        if (endCode == IDOK)
            qv::ui::PressOK(this);
        else if (endCode == IDCANCEL)
            qv::ui::Cancel(this);
        else
            EndDialog(endCode);
    }
    if (!m_bEnded) {
        script.ReportFailure("property sheet \"" + caption + "\" stayed open after the user script");
        m_nModalResult = IDCANCEL;
    }
    const int result = m_nModalResult;
    DestroyWindow();
    m_nActive = -1;
    m_bModal = FALSE;
    m_bEnded = FALSE;
    script.SetAnswer(record, result);
    return result;
}

void CPropertySheet::EndDialog(int nEndID)
{
    m_nModalResult = nEndID;
    m_nEndID = nEndID;
    if (m_bModal)
        m_bEnded = TRUE;
    else
        DestroyWindow();
}

BOOL CPropertySheet::Apply()
{
    if (!m_hWnd)
        return FALSE;
    if (CPropertyPage* active = GetPage(m_nActive); active && active->m_hWnd && !active->OnKillActive())
        return FALSE;
    for (int i = 0; i < GetPageCount(); ++i) {
        CPropertyPage* page = m_pages[static_cast<size_t>(i)];
        if (!page->m_hWnd)
            continue;
        if (!page->OnApply()) {
            if (i != m_nActive)
                ActivatePage(i);
            return FALSE;
        }
    }
    return OnPagesApplied();
}

BOOL CPropertySheet::CancelSheet()
{
    if (!m_hWnd)
        return FALSE;
    if (CPropertyPage* active = GetPage(m_nActive); active && active->m_hWnd && !active->OnQueryCancel())
        return FALSE;
    for (CPropertyPage* page : std::vector<CPropertyPage*>(m_pages))
        if (page->m_hWnd)
            page->OnReset();
    return TRUE;
}

BOOL CPropertySheet::PressButton(int nButton)
{
    switch (nButton) {
    case PSBTN_APPLYNOW:
        return Apply();
    case PSBTN_OK:
        if (!Apply())
            return FALSE;
        EndDialog(IDOK);
        return TRUE;
    case PSBTN_CANCEL:
        if (!CancelSheet())
            return FALSE;
        EndDialog(IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

void CPropertySheet::OnClose()
{
    PressButton(PSBTN_CANCEL);
}

BOOL CPropertySheet::IsApplyEnabled() const
{
    return std::any_of(m_pages.begin(), m_pages.end(),
                       [](const CPropertyPage* p) { return p->m_hWnd && p->IsPageModified(); });
}

LRESULT CPropertySheet::QuerySiblings(WPARAM wParam, LPARAM lParam)
{
    for (CPropertyPage* page : m_pages) {
        if (!page->m_hWnd)
            continue;
        if (const LRESULT r = page->SendMessage(PSM_QUERYSIBLINGS, wParam, lParam))
            return r;
    }
    return 0;
}
