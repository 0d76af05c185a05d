#include "toolkit/tb_dlg_calculation.h"

IMPLEMENT_DYNAMIC(CTBDlgCalculation, CTBDialog)

CTBDlgCalculation::CTBDlgCalculation() : CTBDialog(TB_IDD_CALCULATION, nullptr) {
    SetControlInfo(TB_IDC_CALCULATION_TEXT, TB_LAYOUT_LEFT | TB_LAYOUT_RIGHT | TB_LAYOUT_TOP | TB_LAYOUT_BOTTOM);
    SetControlInfo(TB_IDC_CALCULATION_NAMES, TB_LAYOUT_RIGHT | TB_LAYOUT_TOP | TB_LAYOUT_BOTTOM);
}

CTBDlgCalculation::~CTBDlgCalculation() = default;

void CTBDlgCalculation::InitDialog(int editType, NamesCallback names, GetTextCallback getText, SetTextCallback setText) {
    m_editType = editType;
    m_names = std::move(names);
    m_getText = std::move(getText);
    m_setText = std::move(setText);
}

INT_PTR CTBDlgCalculation::Edit(CWnd* parent) {
    m_pParentWnd = parent;
    m_text = m_getText ? m_getText() : CString();
    return DoModal();
}

BOOL CTBDlgCalculation::OnInitDialog() {
    CTBDialog::OnInitDialog();
    SetDlgItemText(TB_IDC_CALCULATION_TEXT, m_text);
    if (auto* list = static_cast<CListBox*>(GetDlgItem(TB_IDC_CALCULATION_NAMES))) {
        CMapStringToString names;
        if (m_names) m_names(names);
        POSITION pos = names.GetStartPosition();
        while (pos != nullptr) {
            CString name, value;
            names.GetNextAssoc(pos, name, value);
            list->AddString(name);
        }
    }
    return TRUE;
}

void CTBDlgCalculation::OnOK() {
    GetDlgItemText(TB_IDC_CALCULATION_TEXT, m_text);
    if (m_setText) m_setText(m_text);
    CTBDialog::OnOK();
}
