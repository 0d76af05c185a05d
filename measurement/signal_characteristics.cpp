#include "measurement/signal_characteristics.h"

#include "framework/module.h"
#include "framework/param_access.h"
#include "framework/placeholders.h"

IMPLEMENT_DYNCREATE(CPropSCRisetimeFalltimePulseduration, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCMinimumMaximum, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSCMeanRMS, CTBPropertyPage)
IMPLEMENT_DYNAMIC(CSCRiseTimeWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCFallTimeWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCPulseDurationWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCMaximumWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCMinimumWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCTimePeriodWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCProbe1Wizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCProbe2Wizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCTimeResponseWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCOvershootWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCIntegralWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCMeanValueWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCRMSValueWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCPowerWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCSlidingMeanWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCSlidingRMSWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSCSensitivityWizard, CWizardBase3)

namespace qv::measurement {

namespace {

constexpr int kCtlShowName = 2002;
constexpr WORD kIdDerivative = 2154;
constexpr WORD kIdDerivativeMean = 2156;
constexpr char kImmanent[] = "IMMANENT";

// The fixed controls of every measurement dialog, then the time-window rows.
#define PARVEL_SC_FIXED_LAYOUT                                                                 \
    {.id = 2000, .flags = 5}, {.id = 2001, .flags = 69}, {.id = 2002, .flags = 20},          \
        {.id = 2020, .flags = 6}, {.id = 2072, .flags = 15}, {.id = 2017, .flags = 11},       \
        {.id = 2185, .flags = 33}, {.id = 2186, .flags = 35}, {.id = 2073, .flags = 34},      \
        {.id = 2341, .flags = 33}, {.id = 2342, .flags = 35}, {.id = 2343, .flags = 33},      \
        {.id = 2344, .flags = 35}, {.id = 2056, .flags = 9}, {.id = 2144, .flags = 33},       \
        {.id = 2028, .flags = 35}, {.id = 2401, .flags = 34}, {.id = 2402, .flags = 33},      \
        {.id = 2514, .flags = 48}, {.id = 2515, .flags = 48}

constexpr LayoutFlag kWindowLayout[] = {PARVEL_SC_FIXED_LAYOUT};
constexpr LayoutFlag kRiseFallPulseLayout[] = {
    PARVEL_SC_FIXED_LAYOUT,    {.id = 2338, .flags = 33}, {.id = 2339, .flags = 35},
    {.id = 2340, .flags = 33}, {.id = 2345, .flags = 35},
};
#undef PARVEL_SC_FIXED_LAYOUT

constexpr Field kWindowFields[] = {
    {.role = Role::InputSignal, .control = 2186, .valueID = 2186, .pinBox = 2073},
    {.role = Role::TimedParameter, .control = 2342, .valueID = 2342, .unitList = 2514},
    {.role = Role::TimedParameter, .control = 2344, .valueID = 2344, .unitList = 2515},
    {.role = Role::OutputSwitch, .control = 2056, .valueID = 2056},
    {.role = Role::OutputValue, .control = 2028, .valueID = 2056, .pinBox = 2401},
};
constexpr Field kRiseFallPulseFields[] = {
    {.role = Role::Parameter, .control = 2339, .valueID = 2339},
    {.role = Role::InputSignal, .control = 2186, .valueID = 2186, .pinBox = 2073},
    {.role = Role::TimedParameter, .control = 2342, .valueID = 2342, .unitList = 2514},
    {.role = Role::TimedParameter, .control = 2344, .valueID = 2344, .unitList = 2515},
    {.role = Role::Parameter, .control = 2345, .valueID = 2345},
    {.role = Role::OutputSwitch, .control = 2056, .valueID = 2056},
    {.role = Role::OutputValue, .control = 2028, .valueID = 2056, .pinBox = 2401},
};

constexpr int kWindowChangeMarks[] = {2186, 2001, 2342, 2344, 2028};
// The rise-time dialog marks itself modified only for these two edits.
constexpr int kRiseFallPulseChangeMarks[] = {2339, 2028};

} // namespace

const PageTable kRiseFallPulsePage = {
    .templateID = 2583, .fields = kRiseFallPulseFields, .layout = kRiseFallPulseLayout,
    .changeMarks = kRiseFallPulseChangeMarks};
const PageTable kMinMaxPage = {
    .templateID = 2584, .fields = kWindowFields, .layout = kWindowLayout, .changeMarks = kWindowChangeMarks};
const PageTable kMeanRMSPage = {
    .templateID = 2590, .fields = kWindowFields, .layout = kWindowLayout, .changeMarks = kWindowChangeMarks};

const Relabel kRiseTimeLabels[1] = {{.control = 2056, .stringID = 2528, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kFallTimeLabels[1] = {{.control = 2056, .stringID = 2529, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kPulseDurationLabels[1] = {
    {.control = 2056, .stringID = 2530, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kMaximumLabels[1] = {{.control = 2056, .stringID = 2532, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kMinimumLabels[1] = {{.control = 2056, .stringID = 2531, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kMeanLabels[1] = {{.control = 2056, .stringID = 2775, .outputSwitch = true, .unitValueID = 2056}};
const Relabel kRMSLabels[1] = {{.control = 2056, .stringID = 2776, .outputSwitch = true, .unitValueID = 2056}};

CString BuildInitList(ParamHolder* exchange) {
    CString entries;
    const int count = exchange ? exchange->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        const CWizardCopaObject3* param = exchange->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        const WORD id = param->GetValueID();
        if ((id != kIdDerivative && id != kIdDerivativeMean) || param->GetValue().IsEmpty()) continue;
        if (!entries.IsEmpty()) entries += "\n";
        entries += param->GetValue() + " := " + "0;";
    }
    if (entries.IsEmpty()) return CString();
    return "INTERN EQU {\t" + entries + "\t} DST: SIM(Type:=SFML, Sequ:=INIT);";
}

} // namespace qv::measurement

using namespace qv::measurement;

// ---------------------------------------------------------------------------------------
// The frame.

CPropSCFrame::CPropSCFrame(const PageTable& table) : COlderBaseBlockPage(table.templateID), m_table(table) {}

CPropSCFrame::CPropSCFrame(const PageTable& table, CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : COlderBaseBlockPage(table.templateID, wizard, exchange), m_table(table) {
    for (const LayoutFlag& entry : table.layout) SetControlInfo(entry.id, entry.flags);
}

int CPropSCFrame::FieldIndex(int control) const {
    for (size_t i = 0; i < m_table.fields.size() && i < static_cast<size_t>(kMaxFields); ++i)
        if (m_table.fields[i].control == control) return static_cast<int>(i);
    return -1;
}

CString CPropSCFrame::FieldText(int control) const {
    const int index = FieldIndex(control);
    return index >= 0 ? m_texts[static_cast<size_t>(index)] : CString();
}

BOOL CPropSCFrame::FieldPin(int control) const {
    const int index = FieldIndex(control);
    return index >= 0 ? m_pins[static_cast<size_t>(index)] : FALSE;
}

BOOL CPropSCFrame::SwitchState(int control) const {
    const int index = FieldIndex(control);
    return index >= 0 ? m_switches[static_cast<size_t>(index)] : FALSE;
}

void CPropSCFrame::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    size_t unit = 0;
    for (size_t i = 0; i < m_table.fields.size() && i < static_cast<size_t>(kMaxFields); ++i) {
        const Field& field = m_table.fields[i];
        switch (field.role) {
        case Role::TimedParameter:
            if (unit < m_units.size()) {
                if (m_units[unit] == nullptr) m_units[unit] = std::make_unique<CTBUnitComboBox>();
                DDX_Control(pDX, field.unitList, *m_units[unit]);
                ++unit;
            }
            DDX_Text(pDX, field.control, m_texts[i]);
            break;
        case Role::OutputSwitch:
            DDX_Check(pDX, field.control, m_switches[i]);
            break;
        case Role::InputSignal:
        case Role::OutputValue:
            DDX_Check(pDX, field.pinBox, m_pins[i]);
            DDX_Text(pDX, field.control, m_texts[i]);
            break;
        case Role::Parameter:
            DDX_Text(pDX, field.control, m_texts[i]);
            break;
        }
    }
    DDX_Check(pDX, kCtlShowName, m_bShowName);
    DDX_Text(pDX, qv::blocks::kCtlName, m_strName);
}

void CPropSCFrame::EnableParameterEdits() {
    for (const Field& field : m_table.fields) {
        if (field.role != Role::Parameter && field.role != Role::TimedParameter) continue;
        if (CWnd* edit = GetDlgItem(field.control)) edit->EnableWindow(IsParamNotOnPin(m_pExchange, field.valueID));
    }
}

BOOL CPropSCFrame::OnInitDialog() {
    InitHeader(m_strName, m_bShowName);
    for (auto& units : m_units)
        if (units != nullptr) units->DisableFlatLook(TRUE);
    UpdateData(FALSE);

    const int count = m_pExchange ? m_pExchange->GetParamCount() : 0;
    for (int p = 0; p < count; ++p) {
        CWizardCopaObject3* param = m_pExchange->GetParam(p);
        if (param == nullptr || param->IsDeleted()) continue;
        size_t unit = 0;
        // Later parameters with the same value ID overwrite what earlier ones set.
        for (size_t i = 0; i < m_table.fields.size() && i < static_cast<size_t>(kMaxFields); ++i) {
            const Field& field = m_table.fields[i];
            const bool timed = field.role == Role::TimedParameter;
            if (field.valueID == param->GetValueID()) {
                switch (field.role) {
                case Role::InputSignal:
                case Role::OutputValue:
                    // A clear pin bit leaves the box as it is.
                    if (param->HasPin()) m_pins[i] = TRUE;
                    m_texts[i] = param->GetValue();
                    break;
                case Role::Parameter:
                    m_texts[i] = param->GetValue();
                    break;
                case Role::TimedParameter:
                    m_texts[i] = param->GetValue();
                    if (unit < m_units.size() && m_units[unit] != nullptr) {
                        m_units[unit]->CreateDialogControl(param->GetQuantity());
                        m_units[unit]->SelectString(-1, param->GetUsedUnit());
                    }
                    break;
                case Role::OutputSwitch:
                    break;
                }
            }
            if (timed) ++unit;
        }
    }

    UpdateData(FALSE);
    for (size_t i = 0; i < m_table.fields.size() && i < static_cast<size_t>(kMaxFields); ++i)
        if (m_table.fields[i].role == Role::OutputSwitch) GetSDBOutput(m_pExchange, m_table.fields[i].valueID, &m_switches[i]);
    UpdateData(FALSE);
    for (const Field& field : m_table.fields)
        if (field.role == Role::OutputSwitch) AppendOutputUnit(field.control, field.valueID);
    SetModified(FALSE);
    EnableParameterEdits();
    return TRUE;
}

BOOL CPropSCFrame::OnSetActive() {
    for (size_t i = 0; i < m_table.fields.size() && i < static_cast<size_t>(kMaxFields); ++i)
        if (m_table.fields[i].role == Role::OutputSwitch) GetSDBOutput(m_pExchange, m_table.fields[i].valueID, &m_switches[i]);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);

    // The "Use Pin" boxes follow the pin bits the editor holds now.
    for (size_t i = 0; i < m_table.fields.size() && i < static_cast<size_t>(kMaxFields); ++i) {
        const Field& field = m_table.fields[i];
        if (field.role == Role::InputSignal || field.role == Role::OutputValue)
            GetParamUsePin(m_pExchange, field.valueID, &m_pins[i]);
    }
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    for (size_t i = 0; i < m_table.fields.size() && i < static_cast<size_t>(kMaxFields); ++i) {
        const Field& field = m_table.fields[i];
        if (field.role != Role::InputSignal && field.role != Role::OutputValue) continue;
        if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
        ApplyPinBox(m_pins[i], {field.control}, field.valueID);
    }
    SetModified(FALSE);
    EnableParameterEdits();
    return CTBPropertyPage::OnSetActive();
}

BOOL CPropSCFrame::OnApply() {
    // Without a data-exchange object there is nothing to write into or to commit.
    if (m_pExchange == nullptr) return FALSE;
    UpdateData(TRUE);
    StoreHeader(m_strName, m_bShowName);
    UpdateData(TRUE);
    for (int p = 0; p < m_pExchange->GetParamCount(); ++p) {
        CWizardCopaObject3* param = m_pExchange->GetParam(p);
        if (param == nullptr || param->IsDeleted()) continue;
        size_t unit = 0;
        for (size_t i = 0; i < m_table.fields.size() && i < static_cast<size_t>(kMaxFields); ++i) {
            const Field& field = m_table.fields[i];
            const bool timed = field.role == Role::TimedParameter;
            if (field.valueID == param->GetValueID()) {
                switch (field.role) {
                case Role::InputSignal:
                    // A signal from a pin keeps its text.
                    if (!m_pins[i]) param->SetValue(m_texts[i]);
                    break;
                case Role::Parameter:
                case Role::OutputValue:
                    param->SetValue(m_texts[i]);
                    break;
                case Role::TimedParameter:
                    param->SetValue(m_texts[i]);
                    // A list without units (no quantity) leaves the used unit as it is.
                    if (unit < m_units.size() && m_units[unit] != nullptr && m_units[unit]->GetSafeHwnd() != nullptr &&
                        m_units[unit]->GetCount() > 0) {
                        CString used;
                        m_units[unit]->GetWindowText(used);
                        param->SetUsedUnit(used);
                    }
                    break;
                case Role::OutputSwitch:
                    break;
                }
            }
            if (timed) ++unit;
        }
    }
    if (!CommitExchangeObject()) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

BOOL CPropSCFrame::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (code == BN_CLICKED && id == kCtlShowName) {
        SetModified(TRUE);
        return TRUE;
    }
    if (code == EN_CHANGE) {
        for (int marked : m_table.changeMarks)
            if (marked == id) {
                SetModified(TRUE);
                return TRUE;
            }
    }
    for (size_t i = 0; i < m_table.fields.size() && i < static_cast<size_t>(kMaxFields); ++i) {
        const Field& field = m_table.fields[i];
        if (code == CBN_SELCHANGE && field.role == Role::TimedParameter && field.unitList == id) {
            UpdateData(TRUE);
            SetModified(TRUE);
            return TRUE;
        }
        if (code != BN_CLICKED) continue;
        if ((field.role == Role::InputSignal || field.role == Role::OutputValue) && field.pinBox == id) {
            UpdateData(TRUE);
            ApplyPinBox(m_pins[i], {field.control}, field.valueID);
            return TRUE;
        }
        if (field.role == Role::OutputSwitch && field.control == id) {
            ToggleOutputSwitch(m_switches[i], field.control, field.valueID);
            return TRUE;
        }
    }
    return COlderBaseBlockPage::OnCommand(wParam, lParam);
}

// ---------------------------------------------------------------------------------------
// Shared pages and variants.

CPropSCRisetimeFalltimePulseduration::CPropSCRisetimeFalltimePulseduration() : CPropSCFrame(kRiseFallPulsePage) {}
CPropSCRisetimeFalltimePulseduration::CPropSCRisetimeFalltimePulseduration(CWizardBase3* wizard,
                                                                           CWizardSchematicDataExchange3* exchange)
    : CPropSCFrame(kRiseFallPulsePage, wizard, exchange) {}

CPropSCMinimumMaximum::CPropSCMinimumMaximum() : CPropSCFrame(kMinMaxPage) {}
CPropSCMinimumMaximum::CPropSCMinimumMaximum(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CPropSCFrame(kMinMaxPage, wizard, exchange) {}

CPropSCMeanRMS::CPropSCMeanRMS() : CPropSCFrame(kMeanRMSPage) {}
CPropSCMeanRMS::CPropSCMeanRMS(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CPropSCFrame(kMeanRMSPage, wizard, exchange) {}

template <class Shared>
BOOL TSCVariant<Shared>::OnInitDialog() {
    CResourceSwitch resources;
    Shared::OnInitDialog();
    for (const Relabel& relabel : m_relabels) {
        CString caption = LoadLibraryString(relabel.stringID);
        if (relabel.outputSwitch) {
            CString unit;
            GetParamUnit(this->GetExchange(), relabel.unitValueID, &unit);
            AppendUnitSuffix(&caption, unit);
        }
        this->SetDlgItemText(relabel.control, caption);
    }
    return TRUE;
}

template class TSCVariant<CPropSCRisetimeFalltimePulseduration>;
template class TSCVariant<CPropSCMinimumMaximum>;
template class TSCVariant<CPropSCMeanRMS>;

// ---------------------------------------------------------------------------------------

int CSCSensitivityWizard::WriteSimDescr(CFile*, const CString& templ, CWizardSchematicDataExchange3* exchange) {
    if (templ.Find(kImmanent) < 0 || exchange == nullptr) return 4;
    CString text = exchange->m_strModelText;
    ReplacePlaceholder(text, "@INITLIST", BuildInitList(exchange), 0);
    exchange->m_strModelText = text;
    return 4;
}
