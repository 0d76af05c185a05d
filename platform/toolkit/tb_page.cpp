// Property pages of the toolkit.
#include "toolkit/tb_page.h"

IMPLEMENT_DYNAMIC(CTBPropertyPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CTBPropertyPage, CPropertyPage)
    ON_WM_SIZE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CTBPropertyPage::CTBPropertyPage() = default;
CTBPropertyPage::CTBPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CPropertyPage(nIDTemplate, nIDCaption) {}
CTBPropertyPage::~CTBPropertyPage() = default;

BOOL CTBPropertyPage::OnInitDialog() {
    BOOL result = CPropertyPage::OnInitDialog();
    m_layout.Capture(this);
    return result;
}

void CTBPropertyPage::OnSize(UINT nType, int cx, int cy) {
    CPropertyPage::OnSize(nType, cx, cy);
    m_layout.Apply(this, cx, cy);
}

void CTBPropertyPage::OnDestroy() {
    CPropertyPage::OnDestroy();
    m_layout.Reset();
}
