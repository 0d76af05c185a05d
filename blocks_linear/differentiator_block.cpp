#include "blocks_linear/differentiator_block.h"
#include "blocks_linear/gain_block.h"

#include "blocks_linear/integrator_block.h"
#include "framework/field_exchange.h"
#include "framework/listed_controls.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "toolkit/tb_numbers.h"

IMPLEMENT_DYNCREATE(CPropDifferentiatorBlock, CTBPropertyPage)
IMPLEMENT_DYNAMIC(CDifferentiatorBlockWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CDifferentiatorBlock2Wizard, CWizardBase3)

using namespace qv::blocks;
using qv::pages::ShowDlgControl;

namespace qv::blocks {

UINT CheckDifferentiatorLimits(const CString& upper, const CString& lower, const CString* initial) {
    // Without an initial value the lower limit stands in for it: it lies within any valid limits.
    return CheckLimitTexts(upper, lower, initial != nullptr ? *initial : lower);
}

} // namespace qv::blocks

namespace {

constexpr int kCtlUpperUnit = 2517;
constexpr int kCtlLowerUnit = 2518;
constexpr int kCtlInitialUnit = 2399;
constexpr int kCtlSecondUnit = 2510;
constexpr int kCtlGainUnit = 2398;
constexpr int kCtlTallGroup = 2072;
constexpr int kCtlShortGroup = 2075;
constexpr int kCtlSecondGroup = 2091;
constexpr int kCtlSecondLabel = 2095;

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 15},  {.id = 2180, .flags = 33},  {.id = 2149, .flags = 33},  {.id = 2182, .flags = 33},
    {.id = 2181, .flags = 97},  {.id = 2151, .flags = 97},  {.id = 2183, .flags = 97},  {.id = 2400, .flags = 48},
    {.id = 2398, .flags = 48},  {.id = 2517, .flags = 48},  {.id = 2074, .flags = 33},  {.id = 2184, .flags = 48},
    {.id = 2150, .flags = 48},  {.id = 2185, .flags = 48},  {.id = 2187, .flags = 98},  {.id = 2152, .flags = 98},
    {.id = 2186, .flags = 98},  {.id = 2073, .flags = 32},  {.id = 2399, .flags = 34},  {.id = 2518, .flags = 34},
    {.id = 2017, .flags = 11},  {.id = 2056, .flags = 9},   {.id = 2475, .flags = 24},  {.id = 2018, .flags = 24},
    {.id = 2075, .flags = 131}, {.id = 2091, .flags = 131}, {.id = 2095, .flags = 33},  {.id = 2096, .flags = 97},
    {.id = 2097, .flags = 48},  {.id = 2510, .flags = 48},
};

// Fields whose enabling follows only their own pin bit.
constexpr WORD kPinFollowers[] = {kIdGain, 2187, 2151, 2152};

// Hidden at opening; the walk over the parameters shows what the element has.
constexpr int kHiddenAtStart[] = {2182, 2183, 2074, 2400, 2185, 2186, 2073, 2075, 2091, 2095, 2096, 2097, 2510};
// What the second differentiator never shows: the gain and the first initial value.
constexpr int kHiddenBySecond[] = {2180, 2181, 2398, 2184, 2187, 2399};

} // namespace

// The fields whose edits mark the page modified.
constexpr int kDifferentiatorBlockEdits[] = {kIdGain, 2187, 2152, 2151, kIdSecondInitial};
// The lists whose choices mark the page modified.
constexpr int kDifferentiatorBlockChoices[] = {kCtlGainUnit, kCtlSecondUnit, kCtlInitialUnit, kCtlLowerUnit, kCtlUpperUnit};

BEGIN_MESSAGE_MAP(CPropDifferentiatorBlock, COlderBaseSampledBlockPage)
    ON_LISTED_CONTROLS(EN_CHANGE, kDifferentiatorBlockEdits, &CPropDifferentiatorBlock::OnMarkModified)
    ON_BN_CLICKED(kIdForceOutput, &CPropDifferentiatorBlock::OnForceOutput)
    ON_BN_CLICKED(kIdVelocityOutput, &CPropDifferentiatorBlock::OnVelocityOutput)
    ON_BN_CLICKED(kCtlSecondInitialPin, &CPropDifferentiatorBlock::OnSecondInitialPin)
    ON_LISTED_CONTROLS(CBN_SELCHANGE, kDifferentiatorBlockChoices, &CPropDifferentiatorBlock::OnMarkModified)
END_MESSAGE_MAP()

PARVEL_OLDER_BASE_BLOCK_PAGE_CONSTRUCTORS(CPropDifferentiatorBlock, COlderBaseSampledBlockPage, kDifferentiatorTemplate, kLayout)

void CPropDifferentiatorBlock::DoDataExchange(CDataExchange* pDX) {
    COlderBaseSampledBlockPage::DoDataExchange(pDX);
    qv::pages::ExchangeControls(pDX, {{kCtlUpperUnit, m_cmbUpperUnit}, {kCtlLowerUnit, m_cmbLowerUnit},
                                      {kCtlInitialUnit, m_cmbInitialUnit}, {kCtlSecondUnit, m_cmbSecondUnit},
                                      {kCtlGainUnit, m_cmbGainUnit}});
    qv::pages::ExchangeTexts(pDX, {{kIdGain, m_strGain}, {2187, m_strInitial}, {2152, m_strLower}, {2151, m_strUpper},
                                   {kIdSecondInitial, m_strSecondInitial}});
    qv::pages::ExchangeChecks(pDX, {{kIdForceOutput, m_bForce}, {kIdVelocityOutput, m_bVelocity},
                                    {kCtlSecondInitialPin, m_bSecondInitialPin}});
}

void CPropDifferentiatorBlock::EnableByPin() {
    for (WORD id : kPinFollowers)
        if (CWnd* control = GetDlgItem(id)) control->EnableWindow(IsParamNotOnPin(m_pExchange, id));
}

void CPropDifferentiatorBlock::SetUpUnitBox(CTBUnitComboBox& box, const CWizardCopaObject3* param) {
    if (param->GetQuantity().IsEmpty()) {
        box.ShowWindow(SW_HIDE);
        return;
    }
    ShowUnitsOf(box, param);
}

void CPropDifferentiatorBlock::LabelFromDescription(int labelID, WORD valueID) {
    SetDlgItemText(labelID, GetParamDescriptionText(m_pWizard, m_pExchange, valueID));
}

void CPropDifferentiatorBlock::CaptionOutput(int controlID, WORD valueID, bool hideWithoutDescription) {
    CString caption = GetParamDescriptionText(m_pWizard, m_pExchange, valueID);
    const bool described = !caption.IsEmpty();
    CString unit;
    GetParamUnit(m_pExchange, valueID, &unit);
    AppendUnitSuffix(&caption, unit);
    SetDlgItemText(controlID, caption);
    if (hideWithoutDescription && !described) ShowDlgControl(*this, controlID, FALSE);
}

BOOL CPropDifferentiatorBlock::OnInitDialog() {
    OpenSampledPage();
    for (int id : kHiddenAtStart) ShowDlgControl(*this, id, FALSE);
    for (CTBUnitComboBox* box : {&m_cmbUpperUnit, &m_cmbLowerUnit, &m_cmbInitialUnit, &m_cmbSecondUnit, &m_cmbGainUnit})
        box->DisableFlatLook(TRUE);

    ForEachPageInput([&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdGain:
            m_strGain = param->GetValue();
            SetUpUnitBox(m_cmbGainUnit, param);
            LabelFromDescription(2180, kIdGain);
            break;
        case 2187:
            m_strInitial = param->GetValue();
            SetUpUnitBox(m_cmbInitialUnit, param);
            LabelFromDescription(2184, 2187);
            break;
        case 2151:
            m_strUpper = param->GetValue();
            SetUpUnitBox(m_cmbUpperUnit, param);
            LabelFromDescription(2149, 2151);
            break;
        case 2152:
            m_strLower = param->GetValue();
            SetUpUnitBox(m_cmbLowerUnit, param);
            LabelFromDescription(2150, 2152);
            break;
        case kIdSampleTime:
            for (int id : {2182, 2183, 2074, 2400}) ShowDlgControl(*this, id, TRUE);
            ShowSampleTimeParam(param, m_cmbSampleTime, m_cmbUnit, m_bSampleTimePin);
            break;
        case kIdInputSignal:
            for (int id : {2185, 2186, 2073}) ShowDlgControl(*this, id, TRUE);
            TakeInputParam(param);
            break;
        case kIdSecondInitial:
            if (param->HasPin()) m_bSecondInitialPin = TRUE;
            m_strSecondInitial = param->GetValue();
            SetUpUnitBox(m_cmbSecondUnit, param);
            LabelFromDescription(kCtlSecondLabel, kIdSecondInitial);
            ShowDlgControl(*this, kCtlTallGroup, FALSE);
            for (int id : {kCtlShortGroup, kCtlSecondGroup, kCtlSecondLabel, int(kIdSecondInitial),
                           kCtlSecondInitialPin, kCtlSecondUnit})
                ShowDlgControl(*this, id, TRUE);
            break;
        default: break;
        }
    });
    UpdateData(FALSE);
    GetSDBOutput(m_pExchange, kIdBlockOutput, &m_bOutput);
    GetSDBOutput(m_pExchange, kIdForceOutput, &m_bForce);
    GetSDBOutput(m_pExchange, kIdVelocityOutput, &m_bVelocity);
    UpdateData(FALSE);
    CaptionOutput(kIdBlockOutput, kIdBlockOutput, false);
    CaptionOutput(kIdForceOutput, kIdForceOutput, true);
    CaptionOutput(kIdVelocityOutput, kIdVelocityOutput, true);
    SetModified(FALSE);
    EnableByPin();
    return TRUE;
}

BOOL CPropDifferentiatorBlock2::OnInitDialog() {
    const BOOL result = CPropDifferentiatorBlock::OnInitDialog();
    for (int id : kHiddenBySecond) ShowDlgControl(*this, id, FALSE);
    return result;
}

BOOL CPropDifferentiatorBlock::OnSetActive() {
    ShowSwitchesAndPins({{&m_bOutput, kIdBlockOutput}, {&m_bForce, kIdForceOutput}, {&m_bVelocity, kIdVelocityOutput}},
                        {{&m_bInputPin, kIdInputSignal}, {&m_bSampleTimePin, kIdSampleTime}, {&m_bSecondInitialPin, kIdSecondInitial}});
    EnableByPin();
    return CPropertyPage::OnSetActive();
}

void CPropDifferentiatorBlock::OnSecondInitialPin() { ClickPinBox(m_bSecondInitialPin, kIdSecondInitial); }
void CPropDifferentiatorBlock::OnForceOutput() { ToggleOutputSwitch(m_bForce, kIdForceOutput, kIdForceOutput); }
void CPropDifferentiatorBlock::OnVelocityOutput() {
    ToggleOutputSwitch(m_bVelocity, kIdVelocityOutput, kIdVelocityOutput);
}

BOOL CPropDifferentiatorBlock::CheckLimits(CString* message) {
    const UINT refusal = CheckDifferentiatorLimits(m_strUpper, m_strLower, m_hasInitial ? &m_strInitial : nullptr);
    if (refusal != 0 && message != nullptr) *message = LoadLibraryString(refusal);
    return refusal == 0;
}

BOOL CPropDifferentiatorBlock::OnApply() {
    if (m_pExchange == nullptr || !qv::pages::RefuseBlankValueField(*this, m_pExchange)) return FALSE;
    UpdateData(TRUE);
    // The limits are checked before anything is written: a refused apply leaves the set as it
    // was, so that a later commit (an output switch commits at once) cannot carry them. They are
    // checked only for an element with a sample time, the initial value only where it has one.
    bool hasSampleTime = false;
    m_hasInitial = false;
    ForEachPageInput([&](CWizardCopaObject3* param) {
        hasSampleTime = hasSampleTime || param->GetValueID() == kIdSampleTime;
        m_hasInitial = m_hasInitial || param->GetValueID() == 2187;
    });
    if (hasSampleTime) {
        CString message;
        if (!CheckLimits(&message)) {
            CResourceSwitch resources;
            AfxMessageBox(message, MB_OK);
            return FALSE;
        }
    }
    StoreHeader(m_strName, m_bShowName);
    // A hidden unit box leaves the used unit as it was.
    auto storeUnit = [](CWizardCopaObject3* param, CTBUnitComboBox& box) {
        if (box.GetSafeHwnd() == nullptr || (box.GetStyle() & WS_VISIBLE) == 0) return;
        CString unit;
        box.GetWindowText(unit);
        param->SetUsedUnit(unit);
    };
    ForEachPageInput([&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdGain:
            param->SetValue(m_strGain);
            storeUnit(param, m_cmbGainUnit);
            break;
        case 2187:
            param->SetValue(m_strInitial);
            storeUnit(param, m_cmbInitialUnit);
            break;
        case 2151:
            param->SetValue(m_strUpper);
            storeUnit(param, m_cmbUpperUnit);
            break;
        case 2152:
            param->SetValue(m_strLower);
            storeUnit(param, m_cmbLowerUnit);
            break;
        case kIdSecondInitial:
            param->SetValue(m_strSecondInitial);
            storeUnit(param, m_cmbSecondUnit);
            break;
        case kIdSampleTime:
            WriteSampleTime(param, StoredSampleTime(m_cmbSampleTime), m_cmbUnit);
            break;
        case kIdInputSignal: param->SetValue(m_strInput); break;
        default: break;
        }
    });
    if (!CommitExchangeObject()) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}
