// Property pages of the toolkit.
#include "toolkit/tb_page.h"

IMPLEMENT_DYNAMIC(CTBPropertyPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CTBPropertyPage, CPropertyPage)
    ON_WM_SIZE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CTBPropertyPage::CTBPropertyPage() = default;
CTBPropertyPage::CTBPropertyPage(UINT nIDTemplate, UINT nIDCaption) : TTBLayoutWindow(nIDTemplate, nIDCaption) {}
CTBPropertyPage::~CTBPropertyPage() = default;
