#include "measurement/meters.h"

#include "framework/dialog_controls.h"
#include "framework/field_exchange.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/shown_unit.h"

#include <cstring>

IMPLEMENT_DYNCREATE(CPropMeters, CTBPropertyPage)
IMPLEMENT_DYNAMIC(CAmmeterWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CVoltmeterWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSingleOutputMeterWizard, CWizardBase3)

namespace qv::measurement {

namespace {

using qv::dialog::kCtlShowName;
constexpr int kCtlValuePin = 2071;
constexpr WORD kIdFirst = 2074;
constexpr WORD kIdSecond = 2076;
constexpr int kCtlInitialLabel = 2095;
constexpr WORD kIdInitialValue = 2096;
constexpr int kCtlInitialPin = 2097;
constexpr int kCtlUnit = 2510;

constexpr int kInitialRow[] = {kCtlInitialLabel, kIdInitialValue, kCtlInitialPin, kCtlUnit};

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 135},  {.id = 2071, .flags = 33}, {.id = 2017, .flags = 139}, {.id = 2074, .flags = 33},
    {.id = 2076, .flags = 48},   {.id = 2095, .flags = 5},  {.id = 2096, .flags = 69}, {.id = 2097, .flags = 20},
    {.id = 2510, .flags = 20},
};

// Which prefixes show what, per kind of meter.
struct PrefixRule {
    MeterKind kind;
    const char* prefix;
    MeterRows rows;
};
constexpr PrefixRule kPrefixRules[] = {
    {.kind = MeterKind::Ammeter, .prefix = "AM", .rows = {.second = true, .initialValue = false}},
    {.kind = MeterKind::Voltmeter, .prefix = "VM", .rows = {.second = true, .initialValue = false}},
    {.kind = MeterKind::Voltmeter, .prefix = "SM_TR", .rows = {.second = false, .initialValue = true}},
    {.kind = MeterKind::Voltmeter, .prefix = "SM_ROT", .rows = {.second = false, .initialValue = true}},
};

} // namespace

MeterRows MeterRowsFor(MeterKind kind, const CString& name) {
    const std::string text = name.str();
    const std::string prefix = text.empty() ? std::string() : text.substr(0, text.size() - 1);
    for (const PrefixRule& rule : kPrefixRules)
        if (rule.kind == kind && std::strcmp(prefix.c_str(), rule.prefix) == 0) return rule.rows;
    return {.second = false, .initialValue = false};
}

} // namespace qv::measurement

using namespace qv::measurement;

BEGIN_MESSAGE_MAP(CPropMeters, COlderBaseBlockPage)
    ON_BN_CLICKED(kIdFirst, &CPropMeters::OnFirst)
    ON_BN_CLICKED(kIdSecond, &CPropMeters::OnSecond)
    ON_BN_CLICKED(kCtlValuePin, &CPropMeters::OnValuePin)
    ON_BN_CLICKED(kCtlInitialPin, &CPropMeters::OnInitialValuePin)
    ON_EN_CHANGE(qv::blocks::kCtlName, &CPropMeters::OnMarkModified)
    ON_EN_KILLFOCUS(qv::blocks::kCtlName, &CPropMeters::OnMarkModified)
    ON_EN_CHANGE(kIdInitialValue, &CPropMeters::OnMarkModified)
    ON_CBN_SELCHANGE(kCtlUnit, &CPropMeters::OnMarkModified)
END_MESSAGE_MAP()

PARVEL_OLDER_BASE_BLOCK_PAGE_CONSTRUCTORS(CPropMeters, COlderBaseBlockPage, 103, kLayout)

void CPropMeters::DoDataExchange(CDataExchange* pDX) {
    COlderBaseBlockPage::DoDataExchange(pDX);
    qv::pages::ExchangeControls(pDX, {{kCtlUnit, m_cmbUnit}, {kIdSecond, m_chkSecond}, {kIdFirst, m_chkFirst}});
    qv::pages::ExchangeChecks(pDX, {{kCtlValuePin, m_bValuePin}, {kIdFirst, m_bFirst}, {kIdSecond, m_bSecond},
                                    {kCtlInitialPin, m_bInitialValuePin}});
    DDX_Text(pDX, kIdInitialValue, m_strInitialValue);
}

BOOL CPropMeters::OnInitDialog() {
    InitHeader(m_strName, m_bShowName);
    for (int id : kInitialRow)
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_HIDE);
    m_cmbUnit.DisableFlatLook(TRUE);
    m_chkFirst.CreateDialogControl();
    m_chkSecond.CreateDialogControl();

    const int count = m_pExchange ? m_pExchange->GetParamCount() : 0;
    for (int p = 0; p < count; ++p) {
        CWizardCopaObject3* param = m_pExchange->GetParam(p);
        if (param == nullptr || param->IsDeleted()) continue;
        if (param->GetValueID() == kIdFirst && param->HasPin()) m_bValuePin = TRUE;
        if (param->GetValueID() == kIdInitialValue) {
            if (param->HasPin()) m_bInitialValuePin = TRUE;
            m_strInitialValue = param->GetValue();
            qv::blocks::ShowUnitsOf(m_cmbUnit, param);
        }
    }

    UpdateData(FALSE);
    GetSDBOutput(m_pExchange, kIdFirst, &m_bFirst);
    GetSDBOutput(m_pExchange, kIdSecond, &m_bSecond);
    UpdateData(FALSE);
    SetModified(FALSE);
    return TRUE;
}

void CPropMeters::CaptionOutput(int control) {
    SetDlgItemText(control, qv::pages::ParamDescriptionWithUnit(m_pWizard, m_pExchange, static_cast<WORD>(control)));
}

void CPropMeters::ShowRows(MeterKind kind) {
    CResourceSwitch resources;
    CaptionOutput(kIdFirst);
    const MeterRows rows = MeterRowsFor(kind, m_strName);
    if (CWnd* second = GetDlgItem(kIdSecond)) second->ShowWindow(rows.second ? SW_SHOW : SW_HIDE);
    if (rows.second) CaptionOutput(kIdSecond);
    for (int id : kInitialRow)
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(rows.initialValue ? SW_SHOW : SW_HIDE);
}

BOOL CPropMeters::OnSetActive() {
    GetSDBOutput(m_pExchange, kIdFirst, &m_bFirst);
    GetSDBOutput(m_pExchange, kIdSecond, &m_bSecond);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    // The value pin is brought into the element again each time the page shows.
    GetParamUsePin(m_pExchange, kIdFirst, &m_bValuePin);
    if (GetSafeHwnd() != nullptr) {
        UpdateData(FALSE);
        UpdateData(TRUE);
    }
    SetModified(TRUE);
    SetParamUsePin(m_pExchange, kIdFirst, m_bValuePin);
    SetModified(FALSE);
    return CPropertyPage::OnSetActive();
}

void CPropMeters::OnFirst() { ToggleOutputSwitch(m_bFirst, kIdFirst, kIdFirst); }
void CPropMeters::OnSecond() { ToggleOutputSwitch(m_bSecond, kIdSecond, kIdSecond); }

void CPropMeters::OnValuePin() {
    UpdateData(TRUE);
    SetModified(TRUE);
    SetParamUsePin(m_pExchange, kIdFirst, m_bValuePin);
}

void CPropMeters::OnInitialValuePin() {
    UpdateData(TRUE);
    SetModified(TRUE);
    SetParamUsePin(m_pExchange, kIdInitialValue, m_bInitialValuePin);
}

BOOL CPropMeters::OnApply() {
    if (!BeginApply(m_strName, m_bShowName)) return FALSE;
    // The initial value and its unit are written also while their row is hidden.
    ForEachPageInput([&](CWizardCopaObject3* param) {
        if (param->GetValueID() != kIdInitialValue) return;
        param->SetValue(m_strInitialValue);
        qv::pages::WriteShownUnit(&m_cmbUnit, param);
    });
    return EndApply();
}
