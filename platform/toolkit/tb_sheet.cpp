// Property sheets that the library opens itself.
#include "toolkit/tb_sheet.h"

IMPLEMENT_DYNAMIC(CTBPropertySheet, CPropertySheet)

CTBPropertySheet::CTBPropertySheet() = default;
CTBPropertySheet::CTBPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : CPropertySheet(pszCaption, pParentWnd, iSelectPage) {}
CTBPropertySheet::CTBPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : CPropertySheet(nIDCaption, pParentWnd, iSelectPage) {}
CTBPropertySheet::~CTBPropertySheet() = default;
