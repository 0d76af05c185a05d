// Property pages of the toolkit: a property page with the control layout of the toolkit's
// dialogs (see tb_dialog.h).
#pragma once

#include "afx/afxwin.h"
#include "toolkit/tb_dialog.h"

class CTBPropertyPage : public CPropertyPage {
    DECLARE_DYNAMIC(CTBPropertyPage)
public:
    CTBPropertyPage();
    explicit CTBPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    ~CTBPropertyPage() override;

    BOOL OnInitDialog() override;
    void SetControlInfo(WORD nID, WORD nFlags) { m_layout.SetControlInfo(nID, nFlags); }
    WORD GetControlInfo(WORD nID) const { return m_layout.GetControlInfo(nID); }
    const std::vector<qv::TBControlInfo>& GetControlInfos() const { return m_layout.Controls(); }
    void Invalidate(BOOL bErase = TRUE) { CWnd::Invalidate(bErase); }

    void OnSize(UINT nType, int cx, int cy);
    void OnDestroy();

protected:
    qv::TBLayout m_layout;
    DECLARE_MESSAGE_MAP()
};
