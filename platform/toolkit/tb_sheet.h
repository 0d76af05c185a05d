// Property sheets that the library opens itself.
#pragma once

#include "afx/afxwin.h"

class CTBPropertySheet : public CPropertySheet {
    DECLARE_DYNAMIC(CTBPropertySheet)
public:
    CTBPropertySheet();
    explicit CTBPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    explicit CTBPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    ~CTBPropertySheet() override;
};
