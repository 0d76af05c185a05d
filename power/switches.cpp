#include "power/switches.h"

#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/immanent_template.h"
#include "framework/module.h"
#include "framework/listed_controls.h"
#include "framework/page_parts.h"
#include "framework/param_set_page.h"
#include "framework/dialog_controls.h"
#include "framework/page_steps.h"
#include "framework/symbol_paint.h"
#include "framework/param_access.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "toolkit/tb_numbers.h"

#include <cmath>
#include <new>

using namespace qv::power;

IMPLEMENT_DYNCREATE(CPropSwitches, CTBPropertyPage)
IMPLEMENT_DYNAMIC(CSwitchWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CPropSwitchBase4, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropHysteresisSwitch, CPropSwitchBase4)
IMPLEMENT_DYNAMIC(CHysteresisSwitchWizard4, CWizardBase4)
IMPLEMENT_SERIAL(CPropSwitchControlled, CPropSwitchBase4, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropSwitchControlled)
IMPLEMENT_DYNAMIC(CSwitchControlledWizard4, CWizardBase4)

namespace {

using qv::dialog::kCtlName;
using qv::dialog::kCtlShowName;
using qv::dialog::kCtlSymbolFrame;
constexpr int kCtlUsePin = qv::dialog::kCtlValuePin;
constexpr int kCtlType = 2032;
constexpr WORD kIdVoltage = 2018;
constexpr WORD kIdCurrent = 2019;
constexpr WORD kIdControlOutputBox = 2056;
constexpr WORD kIdOnResistance = 2311;
constexpr WORD kIdOffResistance = 2314;
constexpr WORD kIdThreshold = 2315;
constexpr WORD kIdHysteresis = 2316;
constexpr WORD kIdThresholdCurrent = 2321;
constexpr WORD kIdHysteresisCurrent = 2323;
constexpr WORD kIdInitialState = 2319;
constexpr char kControlledParamList[] =
    "@ListCoPa(0x00000004, 0x0000000C, 0x51030E04)@CoPaRemoveCharacters(0x00000004, 0x0000000C,0x4000000000,1,-1)";

using qv::pages::ControlLayout;
constexpr ControlLayout kSignalLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2144, .flags = 33}, {.id = 2028, .flags = 97}, {.id = 2029, .flags = 33},
    {.id = 2145, .flags = 33}, {.id = 2090, .flags = 32}, {.id = 2017, .flags = 11}, {.id = 2018, .flags = 9},
    {.id = 2019, .flags = 24}, {.id = 2056, .flags = 24},
};
constexpr ControlLayout kHysteresisLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2144, .flags = 33}, {.id = 2028, .flags = 97}, {.id = 2090, .flags = 32},
    {.id = 2004, .flags = 33}, {.id = 2312, .flags = 33}, {.id = 2313, .flags = 33}, {.id = 2311, .flags = 97},
    {.id = 2314, .flags = 97}, {.id = 2521, .flags = 48}, {.id = 2522, .flags = 98}, {.id = 2523, .flags = 48},
    {.id = 2524, .flags = 98}, {.id = 2324, .flags = 48}, {.id = 2319, .flags = 98}, {.id = 2017, .flags = 11},
    {.id = 2018, .flags = 9},  {.id = 2019, .flags = 24}, {.id = 2033, .flags = 32}, {.id = 2035, .flags = 32},
    {.id = 2036, .flags = 34}, {.id = 2037, .flags = 34}, {.id = 2039, .flags = 34}, {.id = 2040, .flags = 34},
};
constexpr ControlLayout kControlledLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2004, .flags = 33}, {.id = 2312, .flags = 33}, {.id = 2313, .flags = 33},
    {.id = 2032, .flags = 97}, {.id = 2311, .flags = 97}, {.id = 2314, .flags = 97}, {.id = 2317, .flags = 48},
    {.id = 2315, .flags = 98}, {.id = 2318, .flags = 48}, {.id = 2316, .flags = 98}, {.id = 2320, .flags = 48},
    {.id = 2321, .flags = 98}, {.id = 2322, .flags = 48}, {.id = 2323, .flags = 98}, {.id = 2324, .flags = 48},
    {.id = 2319, .flags = 98}, {.id = 2017, .flags = 11}, {.id = 2018, .flags = 9},  {.id = 2019, .flags = 24},
    {.id = 2033, .flags = 32}, {.id = 2035, .flags = 32}, {.id = 2036, .flags = 34}, {.id = 2037, .flags = 34},
    {.id = 2039, .flags = 34}, {.id = 2040, .flags = 34},
};

// The controls of each switch type of the controlled switch.
constexpr int kVoltageControls[] = {2315, 2317, 2316, 2318, 2036, 2037};
constexpr int kCurrentControls[] = {2321, 2320, 2323, 2322, 2039, 2040};

void Show(CWnd& page, int id, bool show) { qv::pages::ShowDlgControl(page, id, show ? TRUE : FALSE); }

} // namespace

BYTE qv::power::ControlledSwitchMask(LONG switchType, int initialState) {
    BYTE mask = 0;
    if (switchType >= -2 && switchType <= 5) mask |= static_cast<BYTE>(1u << (switchType + 2));
    if (initialState >= 0 && initialState <= 7) mask |= static_cast<BYTE>(1u << initialState);
    return mask;
}

int qv::power::InitialStateOf(const CString& text) {
    const double value = TBExtended_atof(text, "");
    // A text that is no finite number never reaches the integer conversion.
    if (!std::isfinite(value)) return 0;
    return TBExtended_ftoi(value);
}

// ---------------------------------------------------------------------------------------
// Signal-controlled ideal switch.

CPropSwitches::CPropSwitches() : CTBPropertyPage(kSignalSwitchTemplate) {}

CPropSwitches::CPropSwitches(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CTBPropertyPage(kSignalSwitchTemplate), m_pWizard(wizard), m_pExchange(exchange) {
    qv::pages::RegisterElementLayout(*this, kSignalLayout);
}

CPropSwitches::~CPropSwitches() { delete m_pSymbol; }

void CPropSwitches::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    qv::pages::ExchangeChecks(pDX, {{kCtlShowName, m_bShowName}, {kCtlUsePin, m_bUsePin},
                                    {kIdControlOutputBox, m_bControlSignalOutput}, {kIdCurrent, m_bCurrentOutput},
                                    {kIdVoltage, m_bVoltageOutput}});
    qv::pages::ExchangeTexts(pDX, {{kCtlName, m_strName}, {kIdSwitchControl, m_strControlSignal}});
}

BEGIN_MESSAGE_MAP(CPropSwitches, CTBPropertyPage)
    ON_BN_CLICKED(kIdVoltage, &CPropSwitches::OnVoltage)
    ON_BN_CLICKED(kIdCurrent, &CPropSwitches::OnCurrent)
    ON_BN_CLICKED(kIdControlOutputBox, &CPropSwitches::OnControlSignalOutput)
    ON_BN_CLICKED(kCtlUsePin, &CPropSwitches::OnUsePin)
    ON_BN_CLICKED(kCtlShowName, &CPropSwitches::OnModified)
    ON_EN_CHANGE(kCtlName, &CPropSwitches::OnModified)
    ON_EN_CHANGE(kIdSwitchControl, &CPropSwitches::OnModified)
    ON_WM_PAINT()
END_MESSAGE_MAP()

void CPropSwitches::ReadOutputs() {
    GetSDBOutput(m_pExchange, kIdCurrent, &m_bCurrentOutput);
    GetSDBOutput(m_pExchange, kIdVoltage, &m_bVoltageOutput);
    GetSDBOutput(m_pExchange, kIdSwitchControl, &m_bControlSignalOutput);
}

void CPropSwitches::ApplyUsePin() {
    UpdateData(FALSE);
    OnUsePin();
}

BOOL CPropSwitches::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    qv::pages::LoadNameAndSymbol(m_pExchange, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    UpdateData(FALSE);
    qv::pages::ForEachPageInput(m_pExchange, [this](CWizardCopaObject3* param) {
        if (param->GetValueID() != kIdSwitchControl) return;
        if (param->HasPin()) m_bUsePin = TRUE;
        m_strControlSignal = param->GetValue();
    });
    ApplyUsePin();
    ReadOutputs();
    UpdateData(FALSE);
    for (WORD id : {kIdVoltage, kIdCurrent}) qv::pages::AppendUnitToCaption(*this, m_pExchange, id, id);
    SetModified(FALSE);
    return TRUE;
}

BOOL CPropSwitches::OnSetActive() {
    ReadOutputs();
    UpdateData(FALSE);
    GetParamUsePin(m_pExchange, kIdSwitchControl, &m_bUsePin);
    ApplyUsePin();
    SetModified(FALSE);
    return CPropertyPage::OnSetActive();
}

BOOL CPropSwitches::OnApply() {
    // Without the data-exchange object there is nothing to write into.
    if (!qv::pages::StoreNameOnApply(*this, m_pExchange, m_strName, m_bShowName)) return FALSE;
    qv::pages::ForEachPageInput(m_pExchange, [this](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdSwitchControl && !m_bUsePin) param->SetValue(m_strControlSignal);
    });
    if (!CommitExchange(RequestTarget(m_pWizard), m_pExchange)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropSwitches::ToggleOutput(BOOL& flag, int control, WORD valueID) {
    qv::pages::ClickOutputBox(*this, m_pExchange, flag, control, valueID);
}

void CPropSwitches::OnVoltage() { ToggleOutput(m_bVoltageOutput, kIdVoltage, kIdVoltage); }
void CPropSwitches::OnCurrent() { ToggleOutput(m_bCurrentOutput, kIdCurrent, kIdCurrent); }
// The box shows the control signal's own output, so it also switches that one.
void CPropSwitches::OnControlSignalOutput() {
    ToggleOutput(m_bControlSignalOutput, kIdControlOutputBox, kIdSwitchControl);
}

void CPropSwitches::OnUsePin() { qv::pages::ClickPinBox(*this, m_pExchange, m_bUsePin, kIdSwitchControl); }

void CPropSwitches::OnModified() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPropSwitches::OnPaint() { qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText); }

// ---------------------------------------------------------------------------------------
// What the two parameter-set pages share.

CPropSwitchBase4::CPropSwitchBase4(UINT templateID, CWizardBase4* wizard, ParamHolder* params)
    : TElementPage(templateID, wizard, params) {}

void CPropSwitchBase4::OpenDialog(std::initializer_list<CTBUnitComboBox*> unitLists) {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    for (CTBUnitComboBox* combo : unitLists) combo->DisableFlatLook(TRUE);
    UpdateData(FALSE);
}

void CPropSwitchBase4::ReadOutputs() {
    GetSDBOutput(m_pParams, kIdCurrent, &m_bCurrentOutput);
    GetSDBOutput(m_pParams, kIdVoltage, &m_bVoltageOutput);
}

void CPropSwitchBase4::CaptionOutputs() {
    for (WORD id : {kIdVoltage, kIdCurrent}) qv::pages::AppendUnitToCaption(*this, m_pParams, id, id);
}

void CPropSwitchBase4::ToggleOutput(BOOL& flag, WORD valueID) {
    qv::pages::ClickOutputBox(*this, m_pParams, flag, valueID, valueID);
}

void CPropSwitchBase4::LoadFields(std::span<const ParamField> fields) {
    qv::pages::ForEachPageInput(m_pParams,
                                [fields](CWizardCopaObject3* param) { qv::pages::LoadPinnedField(*param, fields); });
}

void CPropSwitchBase4::StoreFields(std::span<const ParamField> fields) {
    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        for (const ParamField& field : fields) {
            if (param->GetValueID() != field.id) continue;
            if (field.usesPin == nullptr || !*field.usesPin) param->SetValue(*field.text);
            if (field.unit != nullptr) {
                CString unit;
                field.unit->GetWindowText(unit);
                param->SetUsedUnit(unit);
            }
        }
    });
}

void CPropSwitchBase4::EnableByPin(int control, WORD valueID) {
    qv::pages::EnableDlgControl(*this, control, IsParamNotOnPin(m_pParams, valueID));
}

void CPropSwitchBase4::OnPaint() { qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText); }

void CPropSwitchBase4::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    qv::pages::ExchangeControls(pDX, {{2033, m_cmbOnUnit}, {2035, m_cmbOffUnit}});
    qv::pages::ExchangeChecks(pDX, {{kCtlShowName, m_bShowName}, {kIdCurrent, m_bCurrentOutput},
                                    {kIdVoltage, m_bVoltageOutput}});
    qv::pages::ExchangeTexts(pDX, {{kIdInitialState, m_strInitialState}, {kCtlName, m_strName},
                                   {kIdOffResistance, m_strOffResistance}, {kIdOnResistance, m_strOnResistance}});
}

// The edits both parameter-set pages have; a change marks the page modified.
constexpr int kSwitchEdits[] = {kCtlName, kIdOnResistance, kIdOffResistance, kIdInitialState};

// A page's own entries come first: the initial state and the type list of the controlled
// switch have handlers of their own.
BEGIN_MESSAGE_MAP(CPropSwitchBase4, CTBPropertyPage)
    ON_BN_CLICKED(kIdVoltage, &CPropSwitchBase4::OnVoltage)
    ON_BN_CLICKED(kIdCurrent, &CPropSwitchBase4::OnCurrent)
    ON_BN_CLICKED(kCtlShowName, &CPropSwitchBase4::OnModified)
    ON_LISTED_CONTROLS(EN_CHANGE, kSwitchEdits, &CPropSwitchBase4::OnModified)
    ON_CBN_SELCHANGE(2033, &CPropSwitchBase4::OnModified)
    ON_CBN_SELCHANGE(2035, &CPropSwitchBase4::OnModified)
    ON_WM_PAINT()
END_MESSAGE_MAP()

void CPropSwitchBase4::OnModified() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

BOOL CPropSwitchBase4::Commit() {
    if (!CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams))) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

// ---------------------------------------------------------------------------------------
// Hysteresis switch.

CPropHysteresisSwitch::CPropHysteresisSwitch() : CPropSwitchBase4(kHysteresisSwitchTemplate, nullptr, nullptr) {}

CPropHysteresisSwitch::CPropHysteresisSwitch(CWizardBase4* wizard, ParamHolder* params)
    : CPropSwitchBase4(kHysteresisSwitchTemplate, wizard, params) {
    qv::pages::RegisterElementLayout(*this, kHysteresisLayout);
}

void CPropHysteresisSwitch::DoDataExchange(CDataExchange* pDX) {
    CPropSwitchBase4::DoDataExchange(pDX);
    DDX_Check(pDX, kCtlUsePin, m_bUsePin);
    qv::pages::ExchangeTexts(pDX, {{2524, m_strHysteresis}, {2522, m_strThreshold},
                                   {kIdSwitchControl, m_strControlSignal}});
}

BEGIN_MESSAGE_MAP(CPropHysteresisSwitch, CPropSwitchBase4)
    ON_BN_CLICKED(kCtlUsePin, &CPropHysteresisSwitch::OnUsePin)
    ON_EN_CHANGE(2522, &CPropHysteresisSwitch::OnModified)
    ON_EN_CHANGE(2524, &CPropHysteresisSwitch::OnModified)
END_MESSAGE_MAP()

std::array<CPropSwitchBase4::ParamField, 6> CPropHysteresisSwitch::Fields() {
    return {{{.id = kIdSwitchControl, .text = &m_strControlSignal, .usesPin = &m_bUsePin},
             {.id = kIdOnResistance, .text = &m_strOnResistance, .unit = &m_cmbOnUnit},
             {.id = kIdOffResistance, .text = &m_strOffResistance, .unit = &m_cmbOffUnit},
             {.id = kIdThreshold, .text = &m_strThreshold},
             {.id = kIdHysteresis, .text = &m_strHysteresis},
             {.id = kIdInitialState, .text = &m_strInitialState}}};
}

void CPropHysteresisSwitch::EnableFields() {
    EnableByPin(2522, kIdThreshold);
    EnableByPin(2524, kIdHysteresis);
    EnableByPin(kIdOnResistance, kIdOnResistance);
    EnableByPin(kIdOffResistance, kIdOffResistance);
    EnableByPin(kIdInitialState, kIdInitialState);
}

void CPropHysteresisSwitch::ApplyUsePin() {
    UpdateData(FALSE);
    OnUsePin();
}

BOOL CPropHysteresisSwitch::OnInitDialog() {
    OpenDialog({&m_cmbOffUnit, &m_cmbOnUnit});
    LoadFields(Fields());
    ApplyUsePin();
    ReadOutputs();
    UpdateData(FALSE);
    CaptionOutputs();
    SetModified(FALSE);
    EnableFields();
    return TRUE;
}

BOOL CPropHysteresisSwitch::OnSetActive() {
    ReadOutputs();
    UpdateData(FALSE);
    SetModified(FALSE);
    EnableFields();
    UpdateData(FALSE);
    GetParamUsePin(m_pParams, kIdSwitchControl, &m_bUsePin);
    ApplyUsePin();
    return CPropertyPage::OnSetActive();
}

BOOL CPropHysteresisSwitch::OnApply() {
    // Without a parameter set there is nothing to write into.
    if (!qv::pages::StoreNameOnApply(*this, m_pParams, m_strName, m_bShowName)) return FALSE;
    StoreFields(Fields());
    return Commit();
}

void CPropHysteresisSwitch::OnUsePin() { qv::pages::ClickPinBox(*this, m_pParams, m_bUsePin, kIdSwitchControl); }

// ---------------------------------------------------------------------------------------
// Voltage- or current-controlled switch.

CPropSwitchControlled::CPropSwitchControlled() : CPropSwitchBase4(kControlledSwitchTemplate, nullptr, nullptr) {}

CPropSwitchControlled::CPropSwitchControlled(CWizardBase4* wizard, ParamHolder* params)
    : CPropSwitchBase4(kControlledSwitchTemplate, wizard, params) {
    qv::pages::RegisterElementLayout(*this, kControlledLayout);
}

void CPropSwitchControlled::DoDataExchange(CDataExchange* pDX) {
    CPropSwitchBase4::DoDataExchange(pDX);
    qv::pages::ExchangeControls(pDX, {{2036, m_cmbThresholdVoltageUnit}, {2037, m_cmbHysteresisVoltageUnit},
                                      {2039, m_cmbThresholdCurrentUnit}, {2040, m_cmbHysteresisCurrentUnit},
                                      {kCtlType, m_cmbType}});
    qv::pages::ExchangeTexts(pDX, {{kIdHysteresis, m_strHysteresisVoltage},
                                   {kIdHysteresisCurrent, m_strHysteresisCurrent},
                                   {kIdThreshold, m_strThresholdVoltage},
                                   {kIdThresholdCurrent, m_strThresholdCurrent}});
}

// The edits 2315 to 2323 are the thresholds, the hysteresis values and the initial state
// (which has its own handler first); the lists 2036 to 2040 their units.
BEGIN_MESSAGE_MAP(CPropSwitchControlled, CPropSwitchBase4)
    ON_CBN_SELCHANGE(kCtlType, &CPropSwitchControlled::OnTypeChanged)
    ON_EN_CHANGE(kIdInitialState, &CPropSwitchControlled::OnInitialStateChanged)
    ON_CONTROL_RANGE(EN_CHANGE, kIdThreshold, kIdHysteresisCurrent, &CPropSwitchControlled::OnControlChanged)
    ON_CONTROL_RANGE(CBN_SELCHANGE, 2036, 2040, &CPropSwitchControlled::OnControlChanged)
END_MESSAGE_MAP()

// The thresholds of the other control than the switch's are unused. Every type but the
// current-controlled one is the voltage-controlled switch, as the page shows it.
namespace {
void MarkControlledSwitchThresholds(ParamHolder* params, LONG type) {
    const BOOL voltageUnused = type == 1;
    SetParamExtBit(params, kIdThreshold, voltageUnused);
    SetParamExtBit(params, kIdHysteresis, voltageUnused);
    SetParamExtBit(params, kIdThresholdCurrent, !voltageUnused);
    SetParamExtBit(params, kIdHysteresisCurrent, !voltageUnused);
}
} // namespace

std::array<CPropSwitchBase4::ParamField, 7> CPropSwitchControlled::Fields() {
    return {{{.id = kIdOnResistance, .text = &m_strOnResistance, .unit = &m_cmbOnUnit},
             {.id = kIdOffResistance, .text = &m_strOffResistance, .unit = &m_cmbOffUnit},
             {.id = kIdThreshold, .text = &m_strThresholdVoltage, .unit = &m_cmbThresholdVoltageUnit},
             {.id = kIdThresholdCurrent, .text = &m_strThresholdCurrent, .unit = &m_cmbThresholdCurrentUnit},
             {.id = kIdHysteresis, .text = &m_strHysteresisVoltage, .unit = &m_cmbHysteresisVoltageUnit},
             {.id = kIdHysteresisCurrent, .text = &m_strHysteresisCurrent, .unit = &m_cmbHysteresisCurrentUnit},
             {.id = kIdInitialState, .text = &m_strInitialState}}};
}

LONG CPropSwitchControlled::SelectedType() {
    if (m_cmbType.GetSafeHwnd() == nullptr) return m_lSwitchType;
    const int selection = m_cmbType.GetCurSel();
    // No selection keeps the type the page holds.
    return selection < 0 ? m_lSwitchType : selection;
}

void CPropSwitchControlled::SelectType(LONG type) {
    m_lSwitchType = type;
    if (m_cmbType.GetSafeHwnd() != nullptr) m_cmbType.SetCurSel(type);
}

BYTE CPropSwitchControlled::SymbolMask() { return ControlledSwitchMask(m_lSwitchType, InitialStateOf(m_strInitialState)); }

void CPropSwitchControlled::MarkParametersByType() {
    const LONG type = SelectedType();
    if (type != 0 && type != 1) return;
    MarkControlledSwitchThresholds(m_pParams, type);
}

void CPropSwitchControlled::UpdateEnabling() {
    m_lSwitchType = SelectedType();
    if (m_lSwitchType == 0) {
        EnableByPin(kIdThreshold, kIdThreshold);
        EnableByPin(kIdHysteresis, kIdHysteresis);
    } else {
        EnableByPin(kIdThresholdCurrent, kIdThresholdCurrent);
        EnableByPin(kIdHysteresisCurrent, kIdHysteresisCurrent);
    }
    EnableByPin(kIdOnResistance, kIdOnResistance);
    EnableByPin(kIdOffResistance, kIdOffResistance);
    EnableByPin(kIdInitialState, kIdInitialState);
}

void CPropSwitchControlled::OnTypeChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    m_lSwitchType = SelectedType();
    InvalidateDlgItemRect(m_pSymbol, SymbolMask(), kCtlSymbolFrame, this);
    if (m_lSwitchType == 0 || m_lSwitchType == 1) {
        for (int id : kVoltageControls) Show(*this, id, m_lSwitchType == 0);
        for (int id : kCurrentControls) Show(*this, id, m_lSwitchType == 1);
    }
    UpdateEnabling();
}

void CPropSwitchControlled::OnInitialStateChanged() {
    SetModified(TRUE);
    UpdateData(TRUE);
    m_lSwitchType = SelectedType();
    InvalidateDlgItemRect(m_pSymbol, SymbolMask(), kCtlSymbolFrame, this);
}

BOOL CPropSwitchControlled::OnInitDialog() {
    const LONG type = m_lSwitchType;
    OpenDialog({&m_cmbThresholdVoltageUnit, &m_cmbHysteresisVoltageUnit, &m_cmbOnUnit, &m_cmbOffUnit,
                &m_cmbThresholdCurrentUnit, &m_cmbHysteresisCurrentUnit});
    m_cmbType.SetCurSel(0);
    LoadFields(Fields());
    UpdateData(FALSE);
    ReadOutputs();
    UpdateData(FALSE);
    // The type the wizard handed over (a list entry; another value keeps entry 0 shown).
    if (type == 0 || type == 1) m_cmbType.SetCurSel(type);
    OnTypeChanged();
    CaptionOutputs();
    SetModified(FALSE);
    UpdateEnabling();
    return TRUE;
}

BOOL CPropSwitchControlled::OnSetActive() {
    ReadOutputs();
    UpdateData(FALSE);
    SetModified(FALSE);
    UpdateEnabling();
    return CPropertyPage::OnSetActive();
}

BOOL CPropSwitchControlled::OnKillActive() {
    MarkParametersByType();
    return CPropertyPage::OnKillActive();
}

BOOL CPropSwitchControlled::OnApply() {
    // Without a parameter set there is nothing to write into.
    if (!qv::pages::StoreNameOnApply(*this, m_pParams, m_strName, m_bShowName)) return FALSE;
    StoreFields(Fields());
    m_lSwitchType = SelectedType();
    if (auto* wizard = dynamic_cast<CSwitchControlledWizard4*>(m_pWizard)) wizard->SetSwitchType(m_lSwitchType);
    m_pParams->m_bySymbolVariant = SymbolMask();
    return Commit();
}

CSwitchControlledWizard4::CSwitchControlledWizard4(const CSwitchControlledWizard4* other) : TSwitchWizard4(other) {
    if (other != nullptr) {
        m_dwSchema = other->m_dwSchema;
        m_lSwitchType = other->m_lSwitchType;
    }
}

int CSwitchControlledWizard4::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    const RequestTarget target(this);
    ScopedParamSet params(target);
    const char* keyword = m_lSwitchType == 1 ? "CSI" : "CSV";
    // The thresholds written are those of the type described, whatever marks the stored
    // parameters carry: the page marks them so as it opens and applies.
    if (params.Holder() != nullptr) {
        MarkControlledSwitchThresholds(params.Holder(), m_lSwitchType);
        CommitParamSet(target, params.Cookie());
    }
    ReplacePlaceholder(modelText, "@PARAMLIST", kControlledParamList, 0);
    ReplacePlaceholder(modelText, "@TYPE", keyword, 0);
    ReplacePlaceholder(modelText, "@DLLNAME", keyword, 0);
    return 4;
}

BOOL CSwitchControlledWizard4::Initialize(int argument) {
    if (argument != 0) return argument;
    // A hidden page of its own: the page on the editor's sheet is never touched.
    ScopedParamSet params{RequestTarget(this)};
    auto page = MakeHiddenPage(params.Cookie());
    if (page && page.Open(kControlledSwitchTemplate)) {
        m_lSwitchType = page->SelectedType();
        // A new element is drawn in its type and initial state from the start, as OK draws it.
        page->SelectType(m_lSwitchType);
        if (params.Holder() != nullptr) params.Holder()->m_bySymbolVariant = page->SymbolMask();
    }
    return TRUE;
}

void CSwitchControlledWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != 4) return;
    if (ar.IsStoring()) {
        m_dwSchema = 0;
        ar << static_cast<WORD>(0);
        ar << static_cast<DWORD>(m_lSwitchType);
        return;
    }
    WORD schema = 0;
    ar >> schema;
    m_dwSchema = schema;
    if (schema != 0) return;
    DWORD type = 0;
    ar >> type;
    m_lSwitchType = static_cast<LONG>(type);
}

BOOL CSwitchControlledWizard4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    auto page = MakeHiddenPage(params.Cookie());
    if (!page || !page.Open(kControlledSwitchTemplate)) return TRUE;
    // The type is read only when the block holds all four of its bytes.
    DWORD type = 0;
    qv::bytes::Reader reader(static_cast<const BYTE*>(data), length > 0 ? static_cast<size_t>(length) : 0);
    if (reader.ReadDword(type)) page->SelectType(static_cast<LONG>(type));
    m_lSwitchType = page->GetSwitchType();
    page->MarkParametersByType();
    return TRUE;
}
