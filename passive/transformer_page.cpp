#include "passive/transformer_page.h"

#include "framework/dialog_rects.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/shown_unit.h"
#include "framework/symbol_paint.h"

using namespace qv::passive;

IMPLEMENT_DYNAMIC(CPropPassiveTransformerBase, CTBPropertyPage)

// Every edit, selector and button of the page goes through one handler per notification;
// the handler finds the control's role in the page's shape.
BEGIN_MESSAGE_MAP(CPropPassiveTransformerBase, CTBPropertyPage)
    ON_CONTROL_RANGE(EN_CHANGE, 2000, 2999, &CPropPassiveTransformerBase::OnEditChanged)
    ON_CONTROL_RANGE(CBN_SELCHANGE, 2000, 2999, &CPropPassiveTransformerBase::OnSelectorChanged)
    ON_CONTROL_RANGE(BN_CLICKED, 2000, 2999, &CPropPassiveTransformerBase::OnButtonClicked)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropPassiveTransformerBase::CPropPassiveTransformerBase(const TransformerPageShape& shape)
    : CTBPropertyPage(shape.templateId), m_shape(shape) {
    m_fieldTexts.resize(shape.fields.size());
    for (size_t i = 0; i < shape.fields.size(); ++i) m_selectors.push_back(std::make_unique<CTBUnitComboBox>());
    m_ratioTexts.resize(shape.ratios.size());
    m_ratioPins.assign(shape.ratios.size(), FALSE);
    m_outputFlags.assign(shape.outputs.size(), FALSE);
    if (shape.groupOutputs)
        for (size_t i = 0; i < shape.outputs.size(); ++i) m_outputButtons.push_back(std::make_unique<CButton>());
}

CPropPassiveTransformerBase::CPropPassiveTransformerBase(const TransformerPageShape& shape, CWizardBaseCommon* owner,
                                                         ParamHolder* params)
    : CPropPassiveTransformerBase(shape) {
    m_pOwner = owner;
    m_pParams = params;
    for (const TransformerLayoutCode& entry : shape.layout) SetControlInfo(entry.id, entry.code);
}

CPropPassiveTransformerBase::~CPropPassiveTransformerBase() {
    delete m_pSymbol;
    m_pSymbol = nullptr;
}

int CPropPassiveTransformerBase::FieldIndex(WORD id) const {
    for (size_t i = 0; i < m_shape.fields.size(); ++i)
        if (m_shape.fields[i].id == id) return static_cast<int>(i);
    return -1;
}

int CPropPassiveTransformerBase::RatioIndexOfPin(WORD usePin) const {
    for (size_t i = 0; i < m_shape.ratios.size(); ++i)
        if (m_shape.ratios[i].usePin == usePin) return static_cast<int>(i);
    return -1;
}

int CPropPassiveTransformerBase::OutputIndex(WORD check) const {
    for (size_t i = 0; i < m_shape.outputs.size(); ++i)
        if (m_shape.outputs[i].check == check) return static_cast<int>(i);
    return -1;
}

CString CPropPassiveTransformerBase::FieldText(WORD id) const {
    const int field = FieldIndex(id);
    if (field >= 0) return m_fieldTexts[static_cast<size_t>(field)];
    for (size_t i = 0; i < m_shape.ratios.size(); ++i)
        if (m_shape.ratios[i].edit == id) return m_ratioTexts[i];
    return CString();
}

BOOL CPropPassiveTransformerBase::RatioUsesPin(WORD editId) const {
    for (size_t i = 0; i < m_shape.ratios.size(); ++i)
        if (m_shape.ratios[i].edit == editId) return m_ratioPins[i];
    return FALSE;
}

void CPropPassiveTransformerBase::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    for (size_t i = 0; i < m_shape.fields.size(); ++i) DDX_Control(pDX, m_shape.fields[i].selector, *m_selectors[i]);
    if (m_shape.groupOutputs)
        for (size_t i = 0; i < m_shape.outputs.size(); ++i)
            DDX_Control(pDX, m_shape.outputs[i].check, *m_outputButtons[i]);
    DDX_Check(pDX, kTrafoCtlShowName, m_bShowName);
    for (size_t i = 0; i < m_shape.ratios.size(); ++i) DDX_Text(pDX, m_shape.ratios[i].edit, m_ratioTexts[i]);
    for (size_t i = 0; i < m_shape.fields.size(); ++i) DDX_Text(pDX, m_shape.fields[i].id, m_fieldTexts[i]);
    DDX_Text(pDX, kTrafoCtlName, m_strName);
    for (size_t i = 0; i < m_shape.ratios.size(); ++i) DDX_Check(pDX, m_shape.ratios[i].usePin, m_ratioPins[i]);
    if (!m_shape.groupOutputs)
        for (size_t i = 0; i < m_shape.outputs.size(); ++i) DDX_Check(pDX, m_shape.outputs[i].check, m_outputFlags[i]);
}

void CPropPassiveTransformerBase::InitNameAndSymbol() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    qv::pages::LoadNameAndSymbol(m_pParams, m_pOwner, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    for (auto& selector : m_selectors) selector->DisableFlatLook(TRUE);
    UpdateData(FALSE);
}

void CPropPassiveTransformerBase::LoadParameters() {
    qv::pages::ForEachPresentParam(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (id == kIdMainInductance || id == kIdIronLossResistance) m_dwShuntBranch = 1;
        if (const int field = FieldIndex(id); field >= 0) {
            const size_t row = static_cast<size_t>(field);
            m_fieldTexts[row] = param->GetValue();
            CTBUnitComboBox& selector = *m_selectors[row];
            if (selector.GetSafeHwnd() != nullptr) {
                qv::pages::ShowUnitsOf(selector, param);
            }
            return;
        }
        for (size_t row = 0; row < m_shape.ratios.size(); ++row) {
            if (m_shape.ratios[row].edit != id) continue;
            m_ratioTexts[row] = param->GetValue();
            m_ratioPins[row] = (param->GetType() & kParamTypeUsePin) != 0;
        }
    });
}

void CPropPassiveTransformerBase::ApplyRatioPin(size_t row, bool readControls) {
    if (row >= m_shape.ratios.size()) return;
    if (readControls) UpdateData(TRUE);
    const TransformerRatio& ratio = m_shape.ratios[row];
    if (CWnd* edit = GetDlgItem(ratio.edit)) edit->EnableWindow(!m_ratioPins[row]);
    SetParamUsePin(m_pParams, ratio.edit, m_ratioPins[row]);
    SetModified(TRUE);
}

void CPropPassiveTransformerBase::EnableFieldsByPin() {
    for (const TransformerField& field : m_shape.fields)
        if (CWnd* edit = GetDlgItem(field.id)) edit->EnableWindow(IsParamNotOnPin(m_pParams, field.id));
}

int CPropPassiveTransformerBase::GroupState(const TransformerOutput& output) {
    int on = 0;
    int members = 0;
    for (WORD id : output.ids) {
        if (id == 0) continue;
        ++members;
        BOOL flag = FALSE;
        GetSDBOutput(m_pParams, id, &flag);
        if (flag) ++on;
    }
    if (on == 0) return kGroupNoneOn;
    return on == members ? kGroupAllOn : kGroupSomeOn;
}

void CPropPassiveTransformerBase::ShowOutputStates() {
    for (size_t i = 0; i < m_shape.outputs.size(); ++i) {
        const TransformerOutput& output = m_shape.outputs[i];
        if (m_shape.groupOutputs) {
            if (m_outputButtons[i]->GetSafeHwnd() != nullptr) m_outputButtons[i]->SetCheck(GroupState(output));
        } else {
            BOOL flag = m_outputFlags[i];
            GetSDBOutput(m_pParams, output.check, &flag);
            m_outputFlags[i] = flag;
        }
    }
    UpdateData(FALSE);
}

void CPropPassiveTransformerBase::ReadRatioPins() {
    for (size_t row = 0; row < m_shape.ratios.size(); ++row) {
        BOOL onPin = m_ratioPins[row];
        if (GetParamUsePin(m_pParams, m_shape.ratios[row].edit, &onPin)) m_ratioPins[row] = onPin;
    }
}

CString CPropPassiveTransformerBase::DescriptionWithUnit(WORD valueID) {
    CString caption = GetParamDescriptionText(m_pOwner, m_pParams, valueID);
    CString unit;
    GetParamUnit(m_pParams, valueID, &unit);
    AppendUnitSuffix(&caption, unit);
    return caption;
}

void CPropPassiveTransformerBase::SetOutputCaption(WORD check, CString text, WORD unitOf) {
    CString unit;
    GetParamUnit(m_pParams, unitOf, &unit);
    AppendUnitSuffix(&text, unit);
    SetDlgItemText(check, text);
}

void CPropPassiveTransformerBase::HideControls(std::initializer_list<int> ids) {
    for (int id : ids)
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_HIDE);
}

void CPropPassiveTransformerBase::WriteNameAndFlag() {
    if (m_pParams == nullptr) return;
    qv::pages::StoreNameAndShowName(*m_pParams, m_strName, m_bShowName);
}

void CPropPassiveTransformerBase::WriteValues() {
    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (const int field = FieldIndex(id); field >= 0) {
            const size_t row = static_cast<size_t>(field);
            param->SetValue(m_fieldTexts[row]);
            if (m_selectors[row]->GetSafeHwnd() != nullptr) {
                CString unit;
                m_selectors[row]->GetWindowText(unit);
                param->SetUsedUnit(unit);
            }
            return;
        }
        for (size_t row = 0; row < m_shape.ratios.size(); ++row)
            if (m_shape.ratios[row].edit == id && !m_ratioPins[row]) param->SetValue(m_ratioTexts[row]);
    });
}

void CPropPassiveTransformerBase::OnEditChanged(UINT) {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPropPassiveTransformerBase::OnSelectorChanged(UINT) {
    UpdateData(m_bSelectorShowsData ? FALSE : TRUE);
    SetModified(TRUE);
}

void CPropPassiveTransformerBase::OnButtonClicked(UINT id) {
    const WORD control = static_cast<WORD>(id);
    if (const int row = RatioIndexOfPin(control); row >= 0) {
        ApplyRatioPin(static_cast<size_t>(row));
        return;
    }
    if (const int index = OutputIndex(control); index >= 0) {
        const size_t row = static_cast<size_t>(index);
        const TransformerOutput& output = m_shape.outputs[row];
        if (m_shape.groupOutputs) {
            // The click has advanced the three-state box already: checked switches the group
            // on; unchecked and indeterminate switch it off.
            const int state = m_outputButtons[row]->GetCheck();
            const BOOL on = state == BST_CHECKED;
            UpdateData(TRUE);
            SetModified(TRUE);
            for (WORD valueID : output.ids)
                if (valueID != 0) SetSDBOutput(m_pParams, valueID, on);
            m_outputButtons[row]->SetCheck(on ? BST_CHECKED : BST_UNCHECKED);
        } else {
            // Two states only, whatever the three-state box did itself.
            qv::pages::ClickOutputBox(*this, m_pParams, m_outputFlags[row], output.check, output.check);
        }
        return;
    }
    OnOtherButton(id);
}

void CPropPassiveTransformerBase::OnOtherButton(UINT) {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPropPassiveTransformerBase::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kTrafoCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}
