#include "power/semiconductors.h"

#include "framework/string_ids.h"
#include "power/embedded_table.h"

#include "framework/byte_cursor.h"
#include "framework/characteristic_element_page.h"
#include "framework/characteristic_page_parts.h"
#include "framework/data_classes.h"
#include "framework/data_file_places.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/immanent_template.h"
#include "framework/module.h"
#include "framework/field_exchange.h"
#include "framework/listed_controls.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "framework/shown_unit.h"
#include "framework/symbol_paint.h"
#include "framework/table_writers.h"

#include <memory>
#include <new>

using namespace qv::power;
using qv::pages::IsLiveInput;

IMPLEMENT_SERIAL(CPropSemiDiode, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropSemiDiode)
IMPLEMENT_SERIAL(CPropSemiRest, CPropSemiDiode, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropSemiRest)
IMPLEMENT_DYNAMIC(CDiodeWizard4, CWizardBase4)
IMPLEMENT_DYNAMIC(CSemiconductorWizardBase4, CWizardBase4)
IMPLEMENT_DYNAMIC(CIgbtWizard4, CSemiconductorWizardBase4)
IMPLEMENT_DYNAMIC(CMosfetWizard4, CSemiconductorWizardBase4)
IMPLEMENT_DYNAMIC(CBjtWizard4, CSemiconductorWizardBase4)
IMPLEMENT_DYNAMIC(CGtoWizard4, CSemiconductorWizardBase4)
IMPLEMENT_DYNAMIC(CThyristorWizard4, CSemiconductorWizardBase4)
IMPLEMENT_DYNAMIC(CTriacWizard4, CSemiconductorWizardBase4)

namespace {

// Dialog controls that carry no parameter.
using qv::dialog::kCtlName;
using qv::dialog::kCtlShowName;
using qv::dialog::kCtlSymbolFrame;
constexpr int kCtlType = 2078;
constexpr int kCtlKindList = 2080;
constexpr int kCtlElementName = 2081;
constexpr int kCtlCharacteristicPin = 2015;
constexpr int kCtlDiodeElementPin = 2071;
constexpr int kCtlPowerElementPin = 2086;
constexpr int kCtlControlSignalPin = 2073;
constexpr int kCtlUnitForwardVoltage = 2508;
constexpr int kCtlUnitBulkResistance = 2509;
constexpr int kCtlUnitReverseResistance = 2510;
constexpr int kCtlUnitSaturationCurrent = 2511;
constexpr int kCtlUnitThermalVoltage = 2512;

using namespace qv::strings;

// Layout information of the pages' controls for the toolkit (control ID, flags).
using qv::pages::ControlLayout;
constexpr ControlLayout kDiodeLayout[] = {
    {.id = 2070, .flags = 15}, {.id = 2078, .flags = 33}, {.id = 2081, .flags = 33}, {.id = 2080, .flags = 97},
    {.id = 2059, .flags = 33}, {.id = 2058, .flags = 97}, {.id = 2065, .flags = 33}, {.id = 2066, .flags = 97},
    {.id = 2060, .flags = 32}, {.id = 2061, .flags = 96}, {.id = 2067, .flags = 32}, {.id = 2068, .flags = 96},
    {.id = 2016, .flags = 33}, {.id = 2015, .flags = 33}, {.id = 2013, .flags = 97}, {.id = 2082, .flags = 32},
    {.id = 2069, .flags = 96}, {.id = 2071, .flags = 32}, {.id = 2017, .flags = 11}, {.id = 2018, .flags = 9},
    {.id = 2019, .flags = 24}, {.id = 2508, .flags = 48}, {.id = 2511, .flags = 48}, {.id = 2509, .flags = 48},
    {.id = 2512, .flags = 48}, {.id = 2510, .flags = 48},
};
constexpr ControlLayout kPowerLayout[] = {
    {.id = 2070, .flags = 135}, {.id = 2078, .flags = 33}, {.id = 2081, .flags = 33}, {.id = 2080, .flags = 97},
    {.id = 2059, .flags = 33},  {.id = 2058, .flags = 97}, {.id = 2065, .flags = 33}, {.id = 2066, .flags = 97},
    {.id = 2060, .flags = 32},  {.id = 2061, .flags = 96}, {.id = 2067, .flags = 32}, {.id = 2068, .flags = 96},
    {.id = 2082, .flags = 32},  {.id = 2069, .flags = 96}, {.id = 2016, .flags = 33}, {.id = 2015, .flags = 33},
    {.id = 2013, .flags = 97},  {.id = 2086, .flags = 32}, {.id = 2083, .flags = 139}, {.id = 2085, .flags = 33},
    {.id = 2084, .flags = 97},  {.id = 2087, .flags = 33}, {.id = 2073, .flags = 32}, {.id = 2017, .flags = 11},
    {.id = 2018, .flags = 9},   {.id = 2019, .flags = 24}, {.id = 2508, .flags = 48}, {.id = 2511, .flags = 48},
    {.id = 2509, .flags = 48},  {.id = 2512, .flags = 48}, {.id = 2510, .flags = 48},
};

// Which parameter each kind uses (-1 element name, 0 line, 1 exponential, 2 data pairs); the
// table's two file parameters depend on the no-table-file flag and are settled apart.
struct KindUse {
    WORD id;
    bool used[4];
};
constexpr KindUse kKindUse[] = {
    {.id = kIdElementName, .used = {true, false, false, false}},
    {.id = kIdForwardVoltage, .used = {false, true, false, false}},
    {.id = kIdBulkResistance, .used = {false, true, false, false}},
    {.id = kIdSaturationCurrent, .used = {false, false, true, false}},
    {.id = kIdThermalVoltage, .used = {false, false, true, false}},
    {.id = kIdReverseResistance, .used = {false, true, true, false}},
};

// Controls shown only for one entry of the kind list; the reverse resistance shows for all
// entries but the data pairs.
constexpr int kLineControls[] = {2059, 2058, kCtlUnitForwardVoltage, 2060, 2061, kCtlUnitBulkResistance};
constexpr int kExponentialControls[] = {2065, 2066, kCtlUnitSaturationCurrent, 2067, 2068, kCtlUnitThermalVoltage};
constexpr int kReverseControls[] = {2082, 2069, kCtlUnitReverseResistance};
constexpr int kDataPairsControls[] = {kIdTableFile, kCtlCharacteristicPin};
// Controls enabled only while "Type" is chosen.
constexpr int kTypeControls[] = {2080, 2059, 2058, 2060, 2061, 2065, 2066, 2067, 2068, 2082, 2069,
                                 kCtlUnitForwardVoltage, kCtlUnitBulkResistance, kCtlUnitSaturationCurrent,
                                 kCtlUnitThermalVoltage, kCtlUnitReverseResistance, kIdTableFile,
                                 kCtlCharacteristicPin};

// The keyword of a kind: prefix + " " (element), "EQUL " (line and any unknown kind), "EXP ",
// "XY ".
CString KeywordOf(const char* prefix, LONG kind) {
    CString keyword = prefix;
    switch (kind) {
    case kSemiKindElement:
        keyword += " ";
        break;
    case kSemiKindExponential:
        keyword += "EXP ";
        break;
    case kSemiKindDataPairs:
        keyword += "XY ";
        break;
    default:
        keyword += "EQUL ";
        break;
    }
    return keyword;
}

// Reads an archived block of older data from a copy of its bytes; archive and memory
// errors end the reading and keep what was read before.
template <class Read>
void ReadArchivedBlock(const BYTE* data, size_t length, Read read) {
    if (length > 0xFFFFFFFFu) return;
    std::vector<BYTE> copy(data, data + length);
    CMemFile file(copy.empty() ? nullptr : copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load);
    try {
        read(ar);
    } catch (CException* e) {
        e->Delete();
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// The state the wizards keep.

CSemiconductorState::CSemiconductorState() { m_Table.SetMode(CPropCharacteristicXYTable::kKindLookUp); }

void CSemiconductorState::CopyFrom(const CSemiconductorState* other) {
    if (other == nullptr) {
        m_wSchema = 0;
        m_lModeWord = 0;
        m_strXAxisLabel.Empty();
        m_strYAxisLabel.Empty();
        m_strExtraA.Empty();
        m_strExtraB.Empty();
        return;
    }
    m_wSchema = other->m_wSchema;
    m_lModeWord = other->m_lModeWord;
    m_strXAxisLabel = other->m_strXAxisLabel;
    m_strYAxisLabel = other->m_strYAxisLabel;
    m_strExtraA = other->m_strExtraA;
    m_strExtraB = other->m_strExtraB;
    m_Table.CopyFrom(&other->m_Table);
}

void CSemiconductorState::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << static_cast<DWORD>(m_lModeWord);
        ar << m_strXAxisLabel << m_strYAxisLabel << m_strExtraA << m_strExtraB;
        m_Table.Serialize(ar);
        return;
    }
    ar >> m_wSchema;
    // A block of another schema is not ours to read; the wizard keeps its state.
    if (m_wSchema > 0) return;
    // Read into temporaries first: a block that ends early leaves the state as it was.
    DWORD modeWord = 0;
    CString texts[4];
    ar >> modeWord;
    for (CString& text : texts) ar >> text;
    m_Table.Serialize(ar);
    m_lModeWord = static_cast<LONG>(modeWord);
    m_strXAxisLabel = texts[0];
    m_strYAxisLabel = texts[1];
    m_strExtraA = texts[2];
    m_strExtraB = texts[3];
}

// ---------------------------------------------------------------------------------------
// The diode page and, through its hooks, the page of the six.

// The edits and the unit lists whose change marks the page modified.
constexpr int kSemiFieldEdits[] = {kCtlName, kIdElementName, kIdForwardVoltage, kIdBulkResistance,
                                   kIdSaturationCurrent, kIdThermalVoltage, kIdReverseResistance, kIdControlSignal};
constexpr int kSemiUnitLists[] = {kCtlUnitForwardVoltage, kCtlUnitBulkResistance, kCtlUnitReverseResistance,
                                  kCtlUnitSaturationCurrent, kCtlUnitThermalVoltage};

BEGIN_MESSAGE_MAP(CPropSemiDiode, CTBPropertyPage)
    ON_BN_CLICKED(kCtlType, &CPropSemiDiode::OnClickedSource)
    ON_BN_CLICKED(kCtlElementName, &CPropSemiDiode::OnClickedSource)
    ON_CBN_SELCHANGE(kCtlKindList, &CPropSemiDiode::OnSelchangeKind)
    ON_BN_CLICKED(kCtlDiodeElementPin, &CPropSemiDiode::OnClickedElementNamePin)
    ON_BN_CLICKED(kCtlPowerElementPin, &CPropSemiDiode::OnClickedElementNamePin)
    ON_BN_CLICKED(kCtlCharacteristicPin, &CPropSemiDiode::OnClickedCharacteristicPin)
    ON_BN_CLICKED(kIdTableFile, &CPropSemiDiode::OnClickedCharacteristic)
    ON_BN_CLICKED(kCtlControlSignalPin, &CPropSemiDiode::OnClickedControlSignalPin)
    ON_BN_CLICKED(kIdOutputVoltage, &CPropSemiDiode::OnClickedVoltageOutput)
    ON_BN_CLICKED(kIdOutputCurrent, &CPropSemiDiode::OnClickedCurrentOutput)
    ON_BN_CLICKED(kCtlShowName, &CPropSemiDiode::OnFieldChanged)
    ON_LISTED_CONTROLS(EN_CHANGE, kSemiFieldEdits, &CPropSemiDiode::OnFieldChanged)
    ON_LISTED_CONTROLS(CBN_SELCHANGE, kSemiUnitLists, &CPropSemiDiode::OnFieldChanged)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropSemiDiode::CPropSemiDiode() : CTBPropertyPage(kDiodeTemplate) {}

CPropSemiDiode::CPropSemiDiode(CWizardBase4* wizard, CSemiconductorState* state, ParamHolder* params)
    : CPropSemiDiode(kDiodeTemplate, wizard, state, params) {}

CPropSemiDiode::CPropSemiDiode(UINT templateID, CWizardBase4* wizard, CSemiconductorState* state,
                               ParamHolder* params)
    : CTBPropertyPage(templateID), m_pWizard(wizard), m_pState(state), m_pParams(params) {
    RegisterLayout(templateID);
}

CPropSemiDiode::~CPropSemiDiode() {
    delete m_pSymbol;
    m_pSymbol = nullptr;
}

void CPropSemiDiode::RegisterLayout(UINT templateID) {
    if (templateID == kPowerTemplate) qv::pages::RegisterElementLayout(*this, kPowerLayout);
    else qv::pages::RegisterElementLayout(*this, kDiodeLayout);
}

void CPropSemiDiode::Rebind(CWizardBase4* wizard, CSemiconductorState* state, ParamHolder* params) {
    m_pWizard = wizard;
    m_pState = state;
    m_pParams = params;
}

void CPropSemiDiode::SetCharacteristicState(LONG modeWord, CString xAxisLabel, CString yAxisLabel) {
    m_lModeWord = modeWord;
    m_strXAxisLabel = xAxisLabel;
    m_strYAxisLabel = yAxisLabel;
}

CPropCharacteristicXYTable* CPropSemiDiode::Table() {
    if (m_pWizard == nullptr || m_pState == nullptr) return nullptr;
    CPropCharacteristicXYTable& table = m_pState->Table();
    table.SetOwnerWizard(m_pWizard);
    return &table;
}

LONG CPropSemiDiode::KindFromControls() {
    if (IsDlgButtonChecked(kCtlElementName)) return kSemiKindElement;
    const int entry = m_cmbKind.GetSafeHwnd() != nullptr ? m_cmbKind.GetCurSel() : -1;
    // An old kind that the list does not offer selects nothing: the word keeps its kind.
    if (entry < 0) return SemiKindOf(m_lModeWord);
    return entry;
}

void CPropSemiDiode::SettleModeFromControls() {
    LONG kind = SemiKindOf(m_lModeWord);
    if (m_radElementName.GetSafeHwnd() != nullptr) {
        kind = KindFromControls();
        m_lModeWord = kind;
    }
    AddFlags(kind);
    BuildCompareList(static_cast<int>(kind));
}

void CPropSemiDiode::AddFlags(LONG kind) {
    if (CPropCharacteristicXYTable* table = Table()) {
        if (table->GetUserFileFlag()) m_lModeWord |= static_cast<LONG>(kSemiUserFile);
        if (table->GetDataPairsFlag() == CPropCharacteristicXYTable::kSourceFileReference)
            m_lModeWord |= static_cast<LONG>(kSemiNoTableFile);
    }
    if (kind == kSemiKindDataPairs && m_bCharacteristicPin) m_lModeWord |= static_cast<LONG>(kSemiNoTableFile);
}

void CPropSemiDiode::EnableControl(int id, BOOL enable) { qv::pages::EnableDlgControl(*this, id, enable); }

void CPropSemiDiode::ShowControl(int id, bool show) {
    if (CWnd* control = GetDlgItem(id)) control->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CPropSemiDiode::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.SerializeClass(PageClass());
        ar << g_dwPageVersion;
        ar << static_cast<DWORD>(m_bConverted);
        return;
    }
    // The stored page version is never read: from schema 4 on the first DWORD after the
    // class record is taken as the converted flag, as older editors did.
    m_bConverted = FALSE;
    const UINT schema = ReadClassReferenceOrRewind(ar, PageClass());
    if (schema >= 4) {
        DWORD converted = 0;
        ar >> converted;
        m_bConverted = converted != 0;
    }
    if (!m_bConverted) UpgradeCharacteristicParams();
}

void CPropSemiDiode::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    qv::pages::ExchangeControls(pDX, {{kCtlUnitThermalVoltage, m_cmbThermalVoltage},
                                      {kCtlUnitSaturationCurrent, m_cmbSaturationCurrent},
                                      {kCtlUnitReverseResistance, m_cmbReverseResistance},
                                      {kCtlUnitForwardVoltage, m_cmbForwardVoltage},
                                      {kCtlUnitBulkResistance, m_cmbBulkResistance},
                                      {kCtlElementName, m_radElementName}, {kCtlType, m_radType},
                                      {kCtlKindList, m_cmbKind}});
    qv::pages::ExchangeChecks(pDX, {{kCtlShowName, m_bShowName}, {ElementNamePinControl(), m_bElementNamePin},
                                    {kIdOutputVoltage, m_bVoltageOutput}, {kIdOutputCurrent, m_bCurrentOutput},
                                    {kCtlCharacteristicPin, m_bCharacteristicPin}});
    qv::pages::ExchangeTexts(pDX, {{kIdBulkResistance, m_strBulkResistance}, {kIdForwardVoltage, m_strForwardVoltage},
                                   {kCtlName, m_strName}, {kIdSaturationCurrent, m_strSaturationCurrent},
                                   {kIdThermalVoltage, m_strThermalVoltage}, {kIdElementName, m_strElementName},
                                   {kIdReverseResistance, m_strReverseResistance}});
    if (HasControlSignal()) {
        DDX_Check(pDX, kCtlControlSignalPin, m_bControlSignalPin);
        DDX_Text(pDX, kIdControlSignal, m_strControlSignal);
    }
}

BOOL CPropSemiDiode::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    for (CTBUnitComboBox* combo : {&m_cmbThermalVoltage, &m_cmbSaturationCurrent, &m_cmbReverseResistance,
                                   &m_cmbForwardVoltage, &m_cmbBulkResistance})
        combo->DisableFlatLook(TRUE);
    m_cmbKind.SetCurSel(0);
    CheckDlgButton(kCtlType, BST_CHECKED);
    CheckDlgButton(kCtlElementName, BST_UNCHECKED);
    UpdateData(FALSE);
    OnSelchangeKind();

    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);

    qv::pages::ForEachPresentParam(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (IsLiveInput(param)) {
            if (CString* text = ValueText(id)) *text = param->GetValue();
            const BOOL onPin = param->HasPin();
            if (id == kIdElementName && onPin) m_bElementNamePin = TRUE;
            if (id == kIdControlSignal && onPin) m_bControlSignalPin = TRUE;
            // The diode page looks at the variable alone; the page of the six at both table
            // parameters, but only at one the kind uses.
            if (id == kIdTableFile || id == kIdTableVariable) {
                if (HasControlSignal()) {
                    if (onPin && (param->GetExtType() & kParamExtUnused) == 0) m_bCharacteristicPin = TRUE;
                } else if (id == kIdTableVariable && onPin) {
                    m_bCharacteristicPin = TRUE;
                }
            }
        }
        if (CTBUnitComboBox* combo = UnitCombo(id)) qv::pages::ShowUnitsOf(*combo, param);
    });

    UpdateData(FALSE);
    UpdateData(TRUE);
    SetModified(TRUE);
    UpdateSourceControls(false);
    UpdatePinEnables();

    if (HasParamWithValueID(m_pParams, kIdOutputCurrent)) GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bCurrentOutput);
    if (HasParamWithValueID(m_pParams, kIdOutputVoltage)) GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bVoltageOutput);
    UpdateData(FALSE);

    for (WORD id : {kIdOutputVoltage, kIdOutputCurrent}) qv::pages::AppendUnitToCaption(*this, m_pParams, id, id);

    SetControlsFromMode();
    SetModified(FALSE);
    UpdatePinEnables();
    return TRUE;
}

CString* CPropSemiDiode::ValueText(WORD id) {
    struct ValueField {
        WORD id;
        CString CPropSemiDiode::*text;
    };
    static constexpr ValueField kFields[] = {
        {kIdBulkResistance, &CPropSemiDiode::m_strBulkResistance},
        {kIdForwardVoltage, &CPropSemiDiode::m_strForwardVoltage},
        {kIdReverseResistance, &CPropSemiDiode::m_strReverseResistance},
        {kIdSaturationCurrent, &CPropSemiDiode::m_strSaturationCurrent},
        {kIdThermalVoltage, &CPropSemiDiode::m_strThermalVoltage},
        {kIdElementName, &CPropSemiDiode::m_strElementName},
        {kIdControlSignal, &CPropSemiDiode::m_strControlSignal},
        {kIdTableFile, &CPropSemiDiode::m_strFileName},
        {kIdTableVariable, &CPropSemiDiode::m_strVariableName},
    };
    for (const ValueField& field : kFields)
        if (field.id == id) return &(this->*field.text);
    return nullptr;
}

CTBUnitComboBox* CPropSemiDiode::UnitCombo(WORD id) {
    switch (id) {
    case kIdForwardVoltage:
        return &m_cmbForwardVoltage;
    case kIdBulkResistance:
        return &m_cmbBulkResistance;
    case kIdSaturationCurrent:
        return &m_cmbSaturationCurrent;
    case kIdThermalVoltage:
        return &m_cmbThermalVoltage;
    case kIdReverseResistance:
        return &m_cmbReverseResistance;
    default:
        return nullptr;
    }
}

void CPropSemiDiode::SetControlsFromMode() {
    if (m_radElementName.GetSafeHwnd() == nullptr || m_radType.GetSafeHwnd() == nullptr ||
        m_cmbKind.GetSafeHwnd() == nullptr)
        return;
    const LONG kind = SemiKindOf(m_lModeWord);
    CheckDlgButton(kCtlElementName, BST_UNCHECKED);
    CheckDlgButton(kCtlType, BST_UNCHECKED);
    if (kind == kSemiKindElement) {
        CheckDlgButton(kCtlElementName, BST_CHECKED);
    } else {
        CheckDlgButton(kCtlType, BST_CHECKED);
        // A kind the list does not offer selects nothing.
        m_cmbKind.SetCurSel(kind >= 0 && kind < m_cmbKind.GetCount() ? static_cast<int>(kind) : -1);
    }
    Invalidate(FALSE);
    UpdateSourceControls();
    ApplyKind(false);
}

void CPropSemiDiode::UpdateSourceControls(bool readControls) {
    if (readControls) UpdateData(TRUE);
    const BOOL typeChosen = IsDlgButtonChecked(kCtlType) != 0;
    const BOOL elementChosen = IsDlgButtonChecked(kCtlElementName) != 0;
    for (int id : kTypeControls) EnableControl(id, typeChosen);
    EnableControl(ElementNamePinControl(), !typeChosen);
    EnableControl(kIdElementName, !m_bElementNamePin && (elementChosen || !typeChosen));
    if (HasControlSignal()) {
        SetParamUsePin(m_pParams, kIdElementName, m_bElementNamePin);
        // The control signal does not depend on the radios; a pinned one stays disabled.
        if (m_bControlSignalPin) {
            EnableControl(kIdControlSignal, FALSE);
            SetParamUsePin(m_pParams, kIdControlSignal, TRUE);
        }
    } else if (m_bElementNamePin && !typeChosen) {
        SetParamUsePin(m_pParams, kIdElementName, TRUE);
    }
    SetModified(TRUE);
}

void CPropSemiDiode::OnSelchangeKind() { ApplyKind(); }

void CPropSemiDiode::ApplyKind(bool readControls) {
    const int entry = m_cmbKind.GetSafeHwnd() != nullptr ? m_cmbKind.GetCurSel() : -1;
    // The symbol of the six shows the kind: 1, 2 or 4; without a kind the mask stays.
    if (HasControlSignal() && entry >= 0 && entry <= 2)
        InvalidateDlgItemRect(m_pSymbol, static_cast<BYTE>(1u << entry), kCtlSymbolFrame, this);
    if (readControls) UpdateData(TRUE);
    SetModified(TRUE);
    for (int id : kLineControls) ShowControl(id, entry == kSemiKindLine);
    for (int id : kExponentialControls) ShowControl(id, entry == kSemiKindExponential);
    for (int id : kReverseControls) ShowControl(id, entry != kSemiKindDataPairs);
    for (int id : kDataPairsControls) ShowControl(id, entry == kSemiKindDataPairs);
    UpdatePinEnables();
}

void CPropSemiDiode::UpdatePinEnables() {
    if (!IsDlgButtonChecked(kCtlType)) return;
    const int entry = m_cmbKind.GetSafeHwnd() != nullptr ? m_cmbKind.GetCurSel() : -1;
    switch (entry) {
    case kSemiKindLine:
        for (WORD id : {kIdBulkResistance, kIdForwardVoltage, kIdReverseResistance})
            EnableControl(id, IsParamNotOnPin(m_pParams, id));
        break;
    case kSemiKindExponential:
        for (WORD id : {kIdSaturationCurrent, kIdThermalVoltage, kIdReverseResistance})
            EnableControl(id, IsParamNotOnPin(m_pParams, id));
        break;
    case kSemiKindDataPairs:
        EnableControl(kIdTableFile, IsParamNotOnPin(m_pParams, kIdTableVariable));
        break;
    default:
        break;
    }
}

void CPropSemiDiode::OnClickedSource() {
    UpdateData(TRUE);
    SetModified(TRUE);
    UpdateSourceControls(false);
    UpdatePinEnables();
}

void CPropSemiDiode::OnClickedElementNamePin() {
    UpdateData(TRUE);
    EnableControl(kIdElementName,
                  !m_bElementNamePin && (IsDlgButtonChecked(kCtlElementName) || !IsDlgButtonChecked(kCtlType)));
    SetParamUsePin(m_pParams, kIdElementName, m_bElementNamePin);
    SetModified(TRUE);
}

void CPropSemiDiode::OnClickedCharacteristicPin() { ApplyCharacteristicPin(); }

void CPropSemiDiode::ApplyCharacteristicPin(bool readControls) {
    if (readControls) UpdateData(TRUE);
    EnableControl(kIdTableFile, !m_bCharacteristicPin);
    SetParamUsePin(m_pParams, kIdTableVariable, m_bCharacteristicPin);
    if (HasControlSignal()) SetParamUsePin(m_pParams, kIdTableFile, m_bCharacteristicPin);
    if (m_bCharacteristicPin) m_lModeWord |= static_cast<LONG>(kSemiNoTableFile);
    SetModified(TRUE);
}

void CPropSemiDiode::OnClickedControlSignalPin() {
    if (!HasControlSignal()) return;
    UpdateData(TRUE);
    EnableControl(kIdControlSignal, !m_bControlSignalPin);
    SetParamUsePin(m_pParams, kIdControlSignal, m_bControlSignalPin);
    SetModified(TRUE);
}

void CPropSemiDiode::OnClickedCharacteristic() {
    CPropCharacteristicXYTable* table = Table();
    if (table == nullptr) return;
    UpdateData(TRUE);
    TableSheetTexts texts{.componentName = m_strName,
                          .variableName = m_strVariableName,
                          .fileName = m_strFileName,
                          .xAxisLabel = m_strXAxisLabel,
                          .yAxisLabel = m_strYAxisLabel};
    EditEmbeddedTable(*table, m_pWizard, this, texts, kStrVoltageAxis, kStrCurrentAxis);
    m_strXAxisLabel = texts.xAxisLabel;
    m_strYAxisLabel = texts.yAxisLabel;
    m_strVariableName = texts.variableName;
    m_strFileName = texts.fileName;
    UpdateData(TRUE);
    SetModified(TRUE);
}

// A default-output box switches the element's output at once. The new state is the
// opposite of the one the page showed before the click, whatever the box did itself.
void CPropSemiDiode::ToggleOutput(BOOL& flag, WORD valueID) {
    qv::pages::ClickOutputBox(*this, m_pParams, flag, valueID, valueID);
}

void CPropSemiDiode::OnClickedVoltageOutput() { ToggleOutput(m_bVoltageOutput, kIdOutputVoltage); }

void CPropSemiDiode::OnClickedCurrentOutput() { ToggleOutput(m_bCurrentOutput, kIdOutputCurrent); }

void CPropSemiDiode::OnFieldChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

BOOL CPropSemiDiode::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (!qv::pages::ApplyNameFirst(*this, m_pWizard, m_pParams, m_strName, m_bShowName)) return FALSE;
    const RequestTarget target(m_pWizard);
    const DWORD_PTR cookie = reinterpret_cast<DWORD_PTR>(m_pParams);

    NameDocumentFile();
    qv::characteristic::FollowElementName(Table(), m_pWizard, m_strName, m_strFileName);

    qv::pages::ForEachPresentParam(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        // The control signal is written only by the page that shows it.
        if (IsLiveInput(param) && (id != kIdControlSignal || HasControlSignal())) {
            if (CString* text = ValueText(id)) param->SetValue(*text);
        }
        if (CTBUnitComboBox* combo = UnitCombo(id)) {
            // A list without units (no quantity) has no text; the used unit then stays.
            CString unit;
            if (combo->GetSafeHwnd() != nullptr) combo->GetWindowText(unit);
            if (!unit.IsEmpty()) param->SetUsedUnit(unit);
        }
    });

    // The characteristic table the kind uses gives the model text a value, or OK refuses before
    // the element's state takes anything.
    if (!qv::characteristic::RefuseCharacteristicWithoutValue(*this, m_pParams, {0, kIdTableFile, kIdTableVariable},
                                                              Table()))
        return FALSE;
    SettleModeFromControls();
    if (m_pState != nullptr) m_pState->SetModeAndAxisLabels(m_lModeWord, m_strXAxisLabel, m_strYAxisLabel);
    ShowKindInSymbol();

    if (!CommitParamSet(target, cookie)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

BOOL CPropSemiDiode::OnSetActive() {
    if (HasParamWithValueID(m_pParams, kIdOutputCurrent)) GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bCurrentOutput);
    if (HasParamWithValueID(m_pParams, kIdOutputVoltage)) GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bVoltageOutput);
    UpdateData(FALSE);
    GetParamUsePin(m_pParams, kIdElementName, &m_bElementNamePin);
    if (HasControlSignal()) {
        GetParamUsePin(m_pParams, kIdControlSignal, &m_bControlSignalPin);
        if (HasParamWithValueID(m_pParams, kIdTableFile))
            GetParamUsePin(m_pParams, kIdTableVariable, &m_bCharacteristicPin);
    } else {
        GetParamUsePin(m_pParams, kIdTableVariable, &m_bCharacteristicPin);
    }
    UpdateData(FALSE);
    UpdateData(TRUE);

    EnableControl(kIdElementName,
                  !m_bElementNamePin && (IsDlgButtonChecked(kCtlElementName) || !IsDlgButtonChecked(kCtlType)));
    SetParamUsePin(m_pParams, kIdElementName, m_bElementNamePin);
    if (HasControlSignal()) {
        EnableControl(kIdControlSignal, !m_bControlSignalPin);
        SetParamUsePin(m_pParams, kIdControlSignal, m_bControlSignalPin);
    }
    SetModified(TRUE);

    ApplyCharacteristicPin(false);
    SetModified(FALSE);
    UpdatePinEnables();
    return CPropertyPage::OnSetActive();
}

BOOL CPropSemiDiode::OnKillActive() {
    UpdateModeAndUsage();
    return CPropertyPage::OnKillActive();
}

void CPropSemiDiode::UpdateModeAndUsage() {
    LONG kind = SemiKindOf(m_lModeWord);
    if (m_radElementName.GetSafeHwnd() != nullptr && m_cmbKind.GetSafeHwnd() != nullptr) {
        UpdateData(TRUE);
        kind = KindFromControls();
        m_lModeWord = kind;
        AddFlags(kind);
    }
    if (!HasParamWithValueID(m_pParams, kIdTableFile) || !HasParamWithValueID(m_pParams, kIdTableVariable)) return;
    if (HasControlSignal()) SetParamExtBit(m_pParams, kIdControlSignal, FALSE);
    if (kind < kSemiKindElement || kind > kSemiKindDataPairs) return;
    const size_t column = static_cast<size_t>(kind + 1);
    for (const KindUse& use : kKindUse) SetParamExtBit(m_pParams, use.id, use.used[column] ? FALSE : TRUE);
    const bool noTableFile = SemiHasFlag(m_lModeWord, kSemiNoTableFile);
    const bool dataPairs = kind == kSemiKindDataPairs;
    SetParamExtBit(m_pParams, kIdTableFile, dataPairs && !noTableFile ? FALSE : TRUE);
    SetParamExtBit(m_pParams, kIdTableVariable, dataPairs && noTableFile ? FALSE : TRUE);
}

void CPropSemiDiode::BuildCompareList(int) {}

void CPropSemiDiode::ShowKindInSymbol() {
    const LONG kind = SemiKindOf(m_lModeWord);
    if (m_pParams == nullptr || !HasControlSignal() || kind < kSemiKindLine || kind > kSemiKindDataPairs) return;
    m_pParams->m_bySymbolVariant = static_cast<BYTE>(1u << kind);
}

void CPropSemiDiode::NameDocumentFile() {
    if (!qv::characteristic::PointsGoToDocumentFile(Table())) return;
    m_strFileName = MakeDocumentFileName(m_pWizard, CString());
    qv::pages::ForEachPresentParam(m_pParams, [this](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdTableFile && IsLiveInput(param)) param->SetValue(m_strFileName);
    });
}

void CPropSemiDiode::DeriveInitialMode(int toWizard) {
    BOOL inactive = TRUE;
    if (GetParamExtBit(m_pParams, kIdElementName, &inactive) && !inactive) {
        CheckDlgButton(kCtlElementName, BST_CHECKED);
        CheckDlgButton(kCtlType, BST_UNCHECKED);
        UpdateSourceControls();
    }
    SettleModeFromControls();
    if (toWizard == 1 && m_pState != nullptr) {
        m_pState->SetExtraTextA(CString());
        m_pState->SetExtraTextB(CString());
        m_pState->SetModeAndAxisLabels(m_lModeWord, CString(), CString());
    }
}

// Element data of the older wizard generation, all numbers little-endian DWORDs:
//   mode word, a reserved DWORD,
//   length A and A bytes (skipped; accepted only when at least one byte follows them),
//   length B and B bytes of the page's own archive block (likewise),
//   length C and C bytes of the table's archive image (may end the data),
//   length D and D bytes of points and four texts (may end the data).
// Every part may be missing from the end on. Only whole fields are read and every length is
// compared, unsigned, with what remains; a length that fails its test ends the reading, and
// what was read before it is kept.
void CPropSemiDiode::ConvertWizard3Data(const void* data, long length) {
    CString extraA;
    CString extraB;
    if (data == nullptr) {
        DeriveInitialMode(0);
    } else {
        const size_t size = length > 0 ? static_cast<size_t>(length) : 0;
        qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
        DWORD value = 0;
        if (in.ReadDword(value)) {
            m_lModeWord = static_cast<LONG>(value);
            SetControlsFromMode();
        }
        in.ReadDword(value);  // reserved

        DWORD partLength = 0;
        bool intact = true;
        if (in.ReadDword(partLength)) {
            intact = partLength < in.Remaining();
            if (intact) in.SkipBytes(partLength);
        }
        if (intact && in.ReadDword(partLength)) {
            intact = partLength < in.Remaining();
            if (intact) {
                ReadArchivedBlock(in.Position(), partLength, [this](CArchive& ar) { Serialize(ar); });
                in.SkipBytes(partLength);
            }
        }
        if (intact && in.ReadDword(partLength)) {
            intact = in.Fits(partLength);
            if (intact) {
                m_TableBlock.assign(in.Position(), in.Position() + partLength);
                in.SkipBytes(partLength);
            }
        }
        if (intact && in.ReadDword(partLength) && in.Fits(partLength)) {
            const BYTE* cursor = in.Position();
            size_t remaining = partLength;
            CPtrArray points;
            ReadDataPointsFromBuffer(&cursor, &remaining, &points, &m_strXAxisLabel, &m_strYAxisLabel, &extraA,
                                     &extraB);
            for (INT_PTR i = 0; i < points.GetSize(); ++i) delete static_cast<CDataPoint*>(points.GetAt(i));
            in.SkipBytes(partLength);
        }
    }
    if (m_pState != nullptr) {
        m_pState->SetExtraTextA(extraA);
        m_pState->SetExtraTextB(extraB);
        m_pState->SetModeAndAxisLabels(m_lModeWord, m_strXAxisLabel, m_strYAxisLabel);
    }
}

int CPropSemiDiode::UpgradeCharacteristicParams() {
    if (!HasParamWithValueID(m_pParams, kIdTableVariable) || !HasParamWithValueID(m_pParams, kIdTableFile)) return 0;
    if (SemiKindOf(m_lModeWord) == kSemiKindDataPairs) {
        BOOL onPin = FALSE;
        GetParamUsePin(m_pParams, kIdTableVariable, &onPin);
        if (onPin) {
            // The box shows it too: the next exchange with the controls must keep the pin.
            m_bCharacteristicPin = TRUE;
            if (GetDlgItem(kCtlCharacteristicPin) != nullptr) CheckDlgButton(kCtlCharacteristicPin, BST_CHECKED);
            m_lModeWord |= static_cast<LONG>(kSemiNoTableFile);
        }
        if (SemiHasFlag(m_lModeWord, kSemiNoTableFile)) {
            // Older data kept a referenced name in the file parameter: it moves to the
            // parameter that is now active, so that the name is not lost.
            CString oldFile;
            GetParamValue(m_pParams, kIdTableFile, &oldFile);
            SetParamValue(m_pParams, kIdTableVariable, oldFile);
            SetParamExtBit(m_pParams, kIdTableVariable, FALSE);
            SetParamExtBit(m_pParams, kIdTableFile, TRUE);
            CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams));
        } else {
            SetParamExtBit(m_pParams, kIdTableVariable, TRUE);
            SetParamExtBit(m_pParams, kIdTableFile, FALSE);
        }
    }
    m_bConverted = TRUE;
    return 1;
}

void CPropSemiDiode::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}

CPropSemiRest::CPropSemiRest() : CPropSemiDiode(kPowerTemplate) {}

CPropSemiRest::CPropSemiRest(CWizardBase4* wizard, CSemiconductorState* state, ParamHolder* params)
    : CPropSemiDiode(kPowerTemplate, wizard, state, params) {}

// ---------------------------------------------------------------------------------------
// What every semiconductor wizard does, on its own page class.

namespace {

LONG WriteType(CWizardBase4& wizard, CSemiconductorState& state, CFile* file, CString& modelText,
               const char* prefix) {
    const RequestTarget target(&wizard);
    ScopedParamSet params(target);
    ParamHolder* holder = params.Holder();
    const LONG modeWord = state.GetModeWord();
    const LONG kind = SemiKindOf(modeWord);

    // Without a parameter set there is no file name to take or give: only the keyword.
    if (kind == kSemiKindDataPairs && !SemiHasFlag(modeWord, kSemiNoTableFile) && holder != nullptr) {
        // The table goes to the file the model text names: with a table file of its own that
        // is `FILE` (the variable parameter is unused then), the thyristor's set included.
        const WORD fileID = HasParamWithValueID(holder, kIdTableFile) ? kIdTableFile : kIdTableVariable;
        if (!SemiHasFlag(modeWord, kSemiUserFile)) {
            SetParamValue(holder, fileID, MakeDocumentFileName(&wizard, CString()));
            CommitParamSet(target, params.Cookie());
        }
        WriteEmbeddedTableFile(holder, &wizard, file, fileID, state.Table(), state.GetXAxisLabel(),
                               state.GetYAxisLabel(), state.GetExtraTextA(), state.GetExtraTextB());
    }
    ReplacePlaceholder(modelText, "@TYPE", KeywordOf(prefix, kind), 0);
    return kind;
}

} // namespace

// ---------------------------------------------------------------------------------------
// What the wizards share.

template <class Page, class Self, UINT PageTemplate>
Page* TSemiconductorWizard4<Page, Self, PageTemplate>::MakePage(DWORD_PTR cookie) {
    CResourceSwitch resources;
    return new (std::nothrow) Page(this, &m_State, HolderFromCookie(cookie));
}

template <class Page, class Self, UINT PageTemplate>
BOOL TSemiconductorWizard4<Page, Self, PageTemplate>::Initialize(int argument) {
    ScopedParamSet params{RequestTarget(this)};
    auto page = this->MakeHiddenPage(params.Cookie());
    if (!page) return TRUE;
    // With an argument the wizard's state goes to the page before its window exists.
    if (argument != 0) GiveSettingsToPage(*page);
    if (page.Open(PageTemplate)) {
        page->DeriveInitialMode(1);
        // A new element shows its kind before its page is ever opened, and names the file its
        // OK names, so that a bare OK changes nothing.
        page->ShowKindInSymbol();
        if (argument == 0) page->NameDocumentFile();
    }
    return TRUE;
}

template <class Page, class Self, UINT PageTemplate>
BOOL TSemiconductorWizard4<Page, Self, PageTemplate>::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    auto page = this->MakeHiddenPage(params.Cookie());
    if (!page || !page.Open(PageTemplate)) return TRUE;
    page->ConvertWizard3Data(data, length);
    const std::vector<BYTE>& block = page->GetTableBlock();
    CPropCharacteristicXYTable& table = m_State.Table();
    if (block.size() <= 0x7FFFFFFFu) {
        table.SetData(block.empty() ? nullptr : block.data(), static_cast<int>(block.size()));
        table.LoadFromData();
        table.SetData(nullptr, 0);
    }
    page->FreeTableBlock();
    page->UpdateModeAndUsage();
    m_State.SetModeWord(page->GetModeWord());
    page->ShowKindInSymbol();
    return TRUE;
}

template <class Page, class Self, UINT PageTemplate>
void TSemiconductorWizard4<Page, Self, PageTemplate>::Serialize(CArchive& ar, ESheetVersion version) {
    m_State.Serialize(ar, version);
}

template <class Page, class Self, UINT PageTemplate>
LONG TSemiconductorWizard4<Page, Self, PageTemplate>::WriteSimDescrType(CFile* file, const CString& templ,
                                                                         CString& modelText, const char* prefix) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return SemiKindOf(m_State.GetModeWord());
    return WriteType(*this, m_State, file, modelText, prefix);
}

template class TSemiconductorWizard4<CPropSemiDiode, CDiodeWizard4, kDiodeTemplate>;
template class TSemiconductorWizard4<CPropSemiRest, CSemiconductorWizardBase4, kPowerTemplate>;

int CDiodeWizard4::WriteSimDescr(CFile* file, const CString& templ, CString& modelText) {
    WriteSimDescrType(file, templ, modelText, "D");
    return 4;
}

#define PARVEL_POWER_WIZARD_OPERATIONS(ClassName, prefix)                                          \
    CWizardBase4* ClassName::Clone() { return new (std::nothrow) ClassName(this); }                \
    int ClassName::WriteSimDescr(CFile* file, const CString& templ, CString& modelText) {         \
        WriteSimDescrType(file, templ, modelText, prefix);                                         \
        return 4;                                                                                  \
    }

PARVEL_POWER_WIZARD_OPERATIONS(CIgbtWizard4, "IGBT")
PARVEL_POWER_WIZARD_OPERATIONS(CMosfetWizard4, "MOS")
PARVEL_POWER_WIZARD_OPERATIONS(CBjtWizard4, "BJT")
PARVEL_POWER_WIZARD_OPERATIONS(CGtoWizard4, "GTO")
PARVEL_POWER_WIZARD_OPERATIONS(CThyristorWizard4, "TH")
PARVEL_POWER_WIZARD_OPERATIONS(CTriacWizard4, "TRIAC")

#undef PARVEL_POWER_WIZARD_OPERATIONS
