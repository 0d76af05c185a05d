#include "equations/characteristic_equations.h"

#include "framework/listed_controls.h"
#include "framework/module.h"
#include "framework/shown_unit.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"

IMPLEMENT_SERIAL(CPropEqulExpHypCdiPo2CpiCharacteristic, CTBPropertyPage, VERSIONABLE_SCHEMA | 10)
PARVEL_VERSIONED_CLASS(CPropEqulExpHypCdiPo2CpiCharacteristic)
IMPLEMENT_DYNAMIC(CEqulCharacteristicWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CExpCharacteristicWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CHypCharacteristicWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CCdiCharacteristicWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CPo2CharacteristicWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CCpiCharacteristicWizard, CWizardBase3)

using namespace qv::characteristic;
using qv::pages::IsLiveInput;
using qv::blocks::kCtlName;

namespace {

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2246, .flags = 33}, {.id = 2248, .flags = 33}, {.id = 2250, .flags = 33},
    {.id = 2252, .flags = 33}, {.id = 2247, .flags = 97}, {.id = 2249, .flags = 97}, {.id = 2251, .flags = 97},
    {.id = 2253, .flags = 97}, {.id = 2511, .flags = 48}, {.id = 2512, .flags = 48}, {.id = 2513, .flags = 48},
    {.id = 2514, .flags = 48}, {.id = 2017, .flags = 11}, {.id = 2056, .flags = 9},
};

// The row whose parameter has the value ID, or -1.
int RowOf(WORD valueID) {
    for (int row = 0; row < kRowCount; ++row)
        if (kValueIds[row] == valueID) return row;
    return -1;
}

} // namespace

BEGIN_MESSAGE_MAP(CPropEqulExpHypCdiPo2CpiCharacteristic, COlderBaseBlockPage)
    ON_EN_CHANGE(kCtlName, &CPropEqulExpHypCdiPo2CpiCharacteristic::OnMarkModified)
    ON_LISTED_CONTROLS(EN_CHANGE, kValueIds, &CPropEqulExpHypCdiPo2CpiCharacteristic::OnMarkModified)
    ON_LISTED_CONTROLS(CBN_SELCHANGE, kUnitLists, &CPropEqulExpHypCdiPo2CpiCharacteristic::OnMarkModified)
    ON_BN_CLICKED(kIdOutput, &CPropEqulExpHypCdiPo2CpiCharacteristic::OnOutput)
END_MESSAGE_MAP()

CPropEqulExpHypCdiPo2CpiCharacteristic::CPropEqulExpHypCdiPo2CpiCharacteristic()
    : COlderBaseBlockPage(kCharacteristicTemplate) {}

CPropEqulExpHypCdiPo2CpiCharacteristic::CPropEqulExpHypCdiPo2CpiCharacteristic(
    CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange, const CharacteristicVariant& variant)
    : COlderBaseBlockPage(kCharacteristicTemplate, wizard, exchange, kLayout), m_pVariant(&variant) {}

void CPropEqulExpHypCdiPo2CpiCharacteristic::DoDataExchange(CDataExchange* pDX) {
    COlderBaseBlockPage::DoDataExchange(pDX);
    for (int row = kRowCount - 1; row >= 0; --row) DDX_Control(pDX, kUnitLists[row], m_cmbUnits[row]);
    for (int row = 0; row < kRowCount; ++row) DDX_Text(pDX, kValueIds[row], m_strValues[row]);
    DDX_Check(pDX, kIdOutput, m_bOutput);
}

void CPropEqulExpHypCdiPo2CpiCharacteristic::EnableEdits() {
    for (WORD id : kValueIds)
        if (CWnd* edit = GetDlgItem(id)) edit->EnableWindow(IsParamNotOnPin(m_pExchange, id));
}

void CPropEqulExpHypCdiPo2CpiCharacteristic::ShowVariant() {
    if (m_pVariant == nullptr) return;
    for (int row = 0; row < kRowCount; ++row) {
        const UINT label = m_pVariant->labels[row];
        const bool shown = label != 0;
        const bool unitShown = shown && (row == 0 || m_pVariant->unitsBeyondFirst);
        if (shown) SetDlgItemText(kLabels[row], LoadLibraryString(label));
        for (int id : {kLabels[row], static_cast<int>(kValueIds[row])})
            if (CWnd* control = GetDlgItem(id)) control->ShowWindow(shown ? SW_SHOW : SW_HIDE);
        if (CWnd* units = GetDlgItem(kUnitLists[row])) units->ShowWindow(unitShown ? SW_SHOW : SW_HIDE);
    }
}

BOOL CPropEqulExpHypCdiPo2CpiCharacteristic::OnInitDialog() {
    InitHeader(m_strName, m_bShowName);
    for (CTBUnitComboBox& units : m_cmbUnits) units.DisableFlatLook(TRUE);
    for (int i = 0; m_pExchange != nullptr && i < m_pExchange->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pExchange->GetParam(i);
        const int row = IsLiveInput(param) ? RowOf(param->GetValueID()) : -1;
        if (row < 0) continue;
        m_strValues[row] = param->GetValue();
        qv::pages::ShowUnitsOf(m_cmbUnits[row], param);
    }
    GetSDBOutput(m_pExchange, kIdOutput, &m_bOutput);
    UpdateData(FALSE);
    AppendOutputUnit(kIdOutput, kIdOutput);
    SetModified(FALSE);
    EnableEdits();
    {
        CResourceSwitch resources;
        ShowVariant();
    }
    return TRUE;
}

BOOL CPropEqulExpHypCdiPo2CpiCharacteristic::OnSetActive() {
    GetSDBOutput(m_pExchange, kIdOutput, &m_bOutput);
    UpdateData(FALSE);
    SetModified(FALSE);
    EnableEdits();
    return CPropertyPage::OnSetActive();
}

BOOL CPropEqulExpHypCdiPo2CpiCharacteristic::OnApply() {
    if (m_pExchange == nullptr || !qv::pages::RefuseBlankValueField(*this, m_pExchange)) return FALSE;
    UpdateData(TRUE);
    StoreHeader(m_strName, m_bShowName);
    for (int i = 0; i < m_pExchange->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pExchange->GetParam(i);
        const int row = IsLiveInput(param) ? RowOf(param->GetValueID()) : -1;
        if (row < 0) continue;
        param->SetValue(m_strValues[row]);
        // A unit list without a selection (a parameter without units) keeps the used unit.
        const int selected = m_cmbUnits[row].GetCurSel();
        if (selected < 0) continue;
        CString unit;
        m_cmbUnits[row].GetLBText(selected, unit);
        param->SetUsedUnit(unit);
    }
    if (!CommitExchangeObject()) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}
