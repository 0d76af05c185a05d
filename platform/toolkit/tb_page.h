// Property pages of the toolkit: a property page with the control layout of the toolkit's
// dialogs (see tb_dialog.h).
#pragma once

#include "afx/afxwin.h"
#include "toolkit/tb_dialog.h"

class CTBPropertyPage : public TTBLayoutWindow<CPropertyPage> {
    DECLARE_DYNAMIC(CTBPropertyPage)
public:
    CTBPropertyPage();
    explicit CTBPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    ~CTBPropertyPage() override;

protected:
    DECLARE_MESSAGE_MAP()
};
