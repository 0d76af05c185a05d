#include "framework/older_base_block.h"

#include "framework/combo_entries.h"
#include "framework/dialog_rects.h"
#include "framework/page_inputs.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/requests.h"
#include "framework/symbol_paint.h"
#include "toolkit/tb_numbers.h"

using namespace qv::blocks;

namespace qv::blocks {

void ShowSampleTime(CComboBox& combo, const CString& value, SampleTimeRule rule) {
    // The stored text is the value: it is shown as it stands, and selects an entry only when the
    // whole text is that entry ("1m/2" is no "1m", "0x" no "System").
    CString trimmed = value;
    trimmed.TrimRight();
    CString whole = trimmed;
    whole.TrimLeft();
    double number = 0.0;
    const bool isNumber = qv::ParsePrefixedNumber(whole, &number) != FALSE;
    int select = -1;
    if (qv::pages::NamesSystemSampleTime(whole)) {
        select = 0;
    } else if (rule == SampleTimeRule::TransferFunction) {
        if (whole == "0" || whole == "0.0") select = 0;
    } else if (whole == "0") {
        select = 0;
    } else if (isNumber && number == 0.001) {
        select = 1;
    }
    if (select < 0) select = combo.AddString(trimmed);
    combo.SetCurSel(select);
}

void ShowSampleTimeParam(CWizardCopaObject3* param, CComboBox& list, CTBUnitComboBox& unitList, BOOL& pinned,
                         SampleTimeRule rule) {
    if (param->HasPin()) pinned = TRUE;
    ShowSampleTime(list, param->GetValue(), rule);
    ShowUnitsOf(unitList, param);
}

void TakeOverTypedSampleTime(CComboBox& combo) {
    CString text;
    combo.GetWindowText(text);
    if (text.IsEmpty() || qv::pages::SelectNamedEntry(combo) || combo.FindString(-1, text) != CB_ERR) return;
    combo.SetCurSel(combo.AddString(text));
}

CString StoredSampleTime(const CComboBox& combo) {
    const int entry = qv::pages::EntryNamedByText(combo);
    if (entry == 0) return CString("0");
    CString text;
    if (entry > 0)
        combo.GetLBText(entry, text);
    else
        combo.GetWindowText(text);
    text.TrimRight();
    return text;
}

CString StoredSampleTimeWithMilli(const CComboBox& list) {
    if (qv::pages::EntryNamedByText(list) == 1) return CString("1m");
    return StoredSampleTime(list);
}

void WriteListSampleTime(CWizardCopaObject3* param, const CComboBox& list, const CWnd& unitList) {
    WriteSampleTime(param, StoredSampleTimeWithMilli(list), unitList);
}

void WriteSampleTime(CWizardCopaObject3* param, const CString& value, const CWnd& unitList) {
    param->SetValue(value);
    CString unit;
    unitList.GetWindowText(unit);
    param->SetUsedUnit(unit);
}

void WritePageTexts(ParamHolder* params, std::initializer_list<TextOf> texts, const CWnd* unitList) {
    CString unit;
    if (unitList != nullptr) unitList->GetWindowText(unit);
    ForEachPageInput(params, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        for (const TextOf& entry : texts) {
            if (entry.valueID != id) continue;
            param->SetValue(*entry.text);
            if (unitList != nullptr && (id == kIdSampleTime || id == kIdSampleTimeField)) param->SetUsedUnit(unit);
            return;
        }
    });
}

} // namespace qv::blocks

// ---------------------------------------------------------------------------------------
// COlderBaseBlockPage

BEGIN_MESSAGE_MAP(COlderBaseBlockPage, CTBPropertyPage)
    ON_WM_PAINT()
    // Every block page marks itself modified when "Show Name" is clicked.
    ON_BN_CLICKED(kCtlShowName, &COlderBaseBlockPage::OnMarkModified)
END_MESSAGE_MAP()

COlderBaseBlockPage::COlderBaseBlockPage(UINT templateID) : CTBPropertyPage(templateID, 0) {}

COlderBaseBlockPage::COlderBaseBlockPage(UINT templateID, CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange,
                                         std::span<const qv::pages::ControlLayout> layout)
    : CTBPropertyPage(templateID, 0), m_pWizard(wizard), m_pExchange(exchange) {
    qv::pages::RegisterElementLayout(*this, layout);
}

COlderBaseBlockPage::~COlderBaseBlockPage() {
    delete m_pSymbol;
    m_pSymbol = nullptr;
}

void COlderBaseBlockPage::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, kCtlShowName, m_bShowName);
    DDX_Text(pDX, kCtlName, m_strName);
}

void COlderBaseBlockPage::InitHeader(CString& name, BOOL& showName) {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    if (m_pExchange != nullptr) {
        name = m_pExchange->m_strElementName;
        showName = m_pExchange->m_dwShowName != 0;
        if (m_pWizard != nullptr) m_pWizard->GetLangDependentString(m_pExchange->m_SymbolTexts, m_strSymbolText);
    }
    // The symbol is read when the page is first painted: a page made only to be edited by a
    // script or the host is never painted, and reading the symbol text would be wasted.
}

void COlderBaseBlockPage::StoreHeader(const CString& name, BOOL showName) {
    if (m_pExchange == nullptr) return;
    m_pExchange->m_strElementName = name;
    m_pExchange->m_dwShowName = showName ? 1 : 0;
}

BOOL COlderBaseBlockPage::CommitExchangeObject() {
    if (m_pExchange == nullptr) return FALSE;
    return CommitExchange(RequestTarget(m_pWizard), m_pExchange);
}

void COlderBaseBlockPage::ApplyPinBox(BOOL pinned, std::initializer_list<int> fields, WORD valueID) {
    for (int id : fields)
        if (CWnd* field = GetDlgItem(id)) field->EnableWindow(!pinned);
    SetModified(TRUE);
    SetParamUsePin(m_pExchange, valueID, pinned);
}

void COlderBaseBlockPage::ClickPinBox(BOOL& pinned, WORD valueID) {
    UpdateData(TRUE);
    ApplyPinBox(pinned, {valueID}, valueID);
}

void COlderBaseBlockPage::ShowSwitchesAndPins(std::initializer_list<SwitchOf> outputs,
                                              std::initializer_list<SwitchOf> pins) {
    qv::pages::ShowSwitchesAndPins(*this, m_pExchange, outputs, pins);
}

bool COlderBaseBlockPage::BeginApply(const CString& name, const BOOL& showName) {
    if (m_pExchange == nullptr) return false;
    UpdateData(TRUE);
    StoreHeader(name, showName);
    UpdateData(TRUE);
    return true;
}

void COlderBaseBlockPage::WritePageTexts(std::initializer_list<TextOf> texts, const CWnd* unitList) {
    qv::blocks::WritePageTexts(m_pExchange, texts, unitList);
}

BOOL COlderBaseBlockPage::EndApply() {
    if (!qv::pages::RefuseBlankValueField(*this, m_pExchange) || !CommitExchangeObject()) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void COlderBaseBlockPage::ToggleOutputSwitch(BOOL& flag, int controlID, WORD valueID) {
    qv::pages::ClickOutputBox(*this, m_pExchange, flag, controlID, valueID);
    // The output is the element's from the click on: it is committed at once, so that a later
    // Cancel of the sheet leaves it switched.
    CommitExchangeObject();
}

void COlderBaseBlockPage::AppendOutputUnit(int controlID, WORD valueID) {
    qv::pages::AppendUnitToCaption(*this, m_pExchange, controlID, valueID);
}

void COlderBaseBlockPage::OnMarkModified() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void COlderBaseBlockPage::OnSampleTimeTyped() { TakeOverTypedSampleTime(m_cmbSampleTime); }

void COlderBaseBlockPage::OnSampleTimeChosen() { SetModified(TRUE); }

void COlderBaseBlockPage::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}

// ---------------------------------------------------------------------------------------
// COlderBaseInputBlockPage

BEGIN_MESSAGE_MAP(COlderBaseInputBlockPage, COlderBaseBlockPage)
    ON_EN_CHANGE(kCtlName, &COlderBaseInputBlockPage::OnMarkModified)
    ON_EN_CHANGE(kIdInputSignal, &COlderBaseInputBlockPage::OnMarkModified)
    ON_BN_CLICKED(kCtlInputPin, &COlderBaseInputBlockPage::OnInputPin)
    ON_BN_CLICKED(kIdBlockOutput, &COlderBaseInputBlockPage::OnOutput)
END_MESSAGE_MAP()

void COlderBaseInputBlockPage::DoDataExchange(CDataExchange* pDX) {
    COlderBaseBlockPage::DoDataExchange(pDX);
    DDX_Check(pDX, kCtlInputPin, m_bInputPin);
    DDX_Text(pDX, kIdInputSignal, m_strInput);
}

void COlderBaseInputBlockPage::TakeInputParam(const CWizardCopaObject3* param) {
    m_strInput = param->GetValue();
    if (param->HasPin()) m_bInputPin = TRUE;
}

void COlderBaseInputBlockPage::ShowBlockOutput() {
    UpdateData(FALSE);
    GetSDBOutput(m_pExchange, kIdBlockOutput, &m_bOutput);
    UpdateData(FALSE);
    AppendOutputUnit(kIdBlockOutput, kIdBlockOutput);
}

void COlderBaseInputBlockPage::OnInputPin() { ClickPinBox(m_bInputPin, kIdInputSignal); }

void COlderBaseInputBlockPage::OnOutput() { ToggleOutputSwitch(m_bOutput, kIdBlockOutput, kIdBlockOutput); }
