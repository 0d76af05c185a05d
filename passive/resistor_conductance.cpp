#include "passive/resistor_conductance.h"

#include "framework/characteristic_wizard_steps.h"
#include "framework/characteristic_description.h"
#include "framework/characteristic_page_parts.h"
#include "framework/characteristic_sheet.h"
#include "framework/data_classes.h"
#include "framework/data_file_places.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/listed_controls.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/pinned_fields.h"
#include "framework/requests.h"
#include "framework/shown_unit.h"
#include "framework/snapshot_lists.h"
#include "framework/string_ids.h"
#include "framework/table_writers.h"

using namespace qv::passive;
using namespace qv::dialog;

IMPLEMENT_SERIAL(CPropPassiveResAndCon, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropPassiveResAndCon)
IMPLEMENT_DYNAMIC(CResistorWizard4, CPassiveResAndConWizardBase4)
IMPLEMENT_DYNAMIC(CConductanceWizard4, CPassiveResAndConWizardBase4)

using qv::characteristic::kStrCurrentAxis;
using qv::characteristic::kStrVoltageAxis;
using qv::characteristic::MarkCharacteristicParamsForKind;

namespace {

// Dialog controls of template 105 that carry no parameter.
constexpr int kCtlLinear = 2027;
constexpr int kCtlNonlinear = 2088;
constexpr int kCtlValueLabel = 2144;
constexpr int kCtlUnit = 2507;
constexpr int kCtlControlLabel = 2006;
constexpr int kCtlControlPin = 2077;
// The edit fields that only mark the page modified.
constexpr int kMarkingEdits[] = {kCtlName, kIdValue, kIdControlComponent};

using namespace qv::strings;

// Layout information of the page's controls for the toolkit (control ID, flags).
using qv::pages::ControlLayout;
using qv::pages::IsLiveInput;
using qv::pages::LoadPinnedField;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 15},  {.id = 2027, .flags = 33}, {.id = 2144, .flags = 33}, {.id = 2088, .flags = 33},
    {.id = 2006, .flags = 33},  {.id = 2028, .flags = 97}, {.id = 2029, .flags = 33}, {.id = 2016, .flags = 97},
    {.id = 2007, .flags = 97},  {.id = 2090, .flags = 48}, {.id = 2075, .flags = 48}, {.id = 2077, .flags = 48},
    {.id = 2017, .flags = 11},  {.id = 2018, .flags = 9},  {.id = 2019, .flags = 24}, {.id = 2056, .flags = 24},
    {.id = 2507, .flags = 48},
};

// The element keywords for "@TYPE", by element.
struct ElementKeywords {
    const char* linear;
    const char* nonlinear;
};
constexpr ElementKeywords kResistorKeywords = {.linear = "R ", .nonlinear = "RNL "};
constexpr ElementKeywords kConductanceKeywords = {.linear = "G ", .nonlinear = "GVNL "};

constexpr qv::characteristic::CharacteristicParamIDs kCharacteristicIDs = {
    .reference = kIdCharacteristic, .file = kIdCharacteristicFile, .variable = kIdCharacteristicVariable};

constexpr char kKeywordFile[] = "CH_FILE";
constexpr char kKeywordVariable[] = "CH_STRG";

} // namespace

BEGIN_MESSAGE_MAP(CPropPassiveResAndCon, CTBPropertyPage)
    ON_BN_CLICKED(kCtlLinear, &CPropPassiveResAndCon::OnFormChanged)
    ON_BN_CLICKED(kCtlNonlinear, &CPropPassiveResAndCon::OnFormChanged)
    ON_BN_CLICKED(kCtlValuePin, &CPropPassiveResAndCon::OnValueUsePin)
    ON_BN_CLICKED(kCtlControlPin, &CPropPassiveResAndCon::OnControlUsePin)
    ON_BN_CLICKED(kCtlCharacteristicPin, &CPropPassiveResAndCon::OnCharacteristicUsePin)
    ON_BN_CLICKED(kIdOutputCurrent, &CPropPassiveResAndCon::OnOutputCurrent)
    ON_BN_CLICKED(kIdOutputVoltage, &CPropPassiveResAndCon::OnOutputVoltage)
    ON_BN_CLICKED(kIdOutputValue, &CPropPassiveResAndCon::OnOutputValue)
    ON_BN_CLICKED(kIdCharacteristic, &CPropPassiveResAndCon::OnCharacteristic)
    ON_BN_CLICKED(kCtlShowName, &CPropPassiveResAndCon::OnFieldChanged)
    ON_LISTED_CONTROLS(EN_CHANGE, kMarkingEdits, &CPropPassiveResAndCon::OnFieldChanged)
    ON_CBN_SELCHANGE(kCtlUnit, &CPropPassiveResAndCon::OnFieldChanged)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropPassiveResAndCon::CPropPassiveResAndCon() : TTwoPinCharacteristicPage(kResAndConTemplate) {}

CPropPassiveResAndCon::CPropPassiveResAndCon(CPassiveResAndConWizardBase4* wizard, ParamHolder* params)
    : TTwoPinCharacteristicPage(kResAndConTemplate, wizard, params) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

void CPropPassiveResAndCon::LoadFromWizard(DWORD lookUp, DWORD modeWord, CString xAxisLabel, CString yAxisLabel,
                                           const CPtrArray* snapshots) {
    qv::characteristic::TakeSettings({m_dwLookUp, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, m_Snapshots}, lookUp,
                                     modeWord, xAxisLabel, yAxisLabel, snapshots);
}

void CPropPassiveResAndCon::ShowForm(DWORD modeWord) {
    m_dwModeWord = modeWord;
    if (m_radLinear.GetSafeHwnd() == nullptr || m_radNonlinear.GetSafeHwnd() == nullptr) return;
    const bool linear = PassiveFormOf(modeWord) == 0;
    CheckDlgButton(kCtlLinear, linear ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(kCtlNonlinear, linear ? BST_UNCHECKED : BST_CHECKED);
}

CPropCharacteristicXYTable* CPropPassiveResAndCon::Table() {
    return qv::characteristic::OwnedTable(m_pWizard, &CPassiveResAndConWizardBase4::GetCharacteristic);
}

void CPropPassiveResAndCon::DeriveModeWord() {
    if (m_radLinear.GetSafeHwnd() == nullptr) return;
    m_dwModeWord = (IsDlgButtonChecked(kCtlLinear) ? 0 : 1) | qv::characteristic::TableModeFlags(Table());
}

void CPropPassiveResAndCon::Serialize(CArchive& ar) {
    qv::characteristic::SerializeKindAndConvertedFlag(ar, RUNTIME_CLASS(CPropPassiveResAndCon), m_dwLookUp, m_dwUpgraded);
    if (!ar.IsStoring() && m_dwUpgraded == 0) UpgradeCharacteristicParams();
}

void CPropPassiveResAndCon::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    ExchangeOutputSwitchControls(pDX);
    DDX_Control(pDX, kCtlUnit, m_cmbUnit);
    DDX_Control(pDX, kCtlLinear, m_radLinear);
    DDX_Control(pDX, kCtlNonlinear, m_radNonlinear);
    qv::pages::ExchangeTexts(pDX, {{kCtlName, m_strName}, {kIdValue, m_strValue},
                                   {kIdControlComponent, m_strControl}});
    qv::pages::ExchangeChecks(pDX, {{kCtlShowName, m_bShowName}, {kCtlValuePin, m_bValueUsesPin},
                                    {kCtlControlPin, m_bControlUsesPin},
                                    {kCtlCharacteristicPin, m_bCharacteristicUsesPin},
                                    {kIdOutputCurrent, m_bOutputCurrent}, {kIdOutputVoltage, m_bOutputVoltage},
                                    {kIdOutputValue, m_bOutputValue}});
}

BOOL CPropPassiveResAndCon::OnInitDialog() {
    InitDialogWithLibraryResources();
    m_cmbUnit.DisableFlatLook(TRUE);
    CreateOutputSwitches();
    CheckDlgButton(kCtlNonlinear, BST_UNCHECKED);
    CheckDlgButton(kCtlLinear, BST_CHECKED);

    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);

    UpdateData(FALSE);
    qv::pages::ForEachPresentParam(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (IsLiveInput(param)) {
            LoadPinnedField(*param, {{.id = kIdCharacteristic, .text = &m_strCharacteristic,
                                      .usesPin = &m_bCharacteristicUsesPin, .characteristic = true},
                                     {.id = kIdCharacteristicVariable, .text = &m_strVariableName,
                                      .usesPin = &m_bCharacteristicUsesPin, .characteristic = true},
                                     {.id = kIdCharacteristicFile, .text = &m_strFileName,
                                      .usesPin = &m_bCharacteristicUsesPin, .characteristic = true},
                                     {.id = kIdControlComponent, .text = &m_strControl, .usesPin = &m_bControlUsesPin}});
            if (id == kIdCharacteristic || id == kIdCharacteristicVariable || id == kIdCharacteristicFile)
                m_bCharacteristicPresent = TRUE;
        }
        // The value is read whatever its form: the nonlinear form keeps it as an output, and
        // the linear form chosen again on this page writes it back as it stands.
        if (id == kIdValue)
            LoadPinnedField(*param, {{.id = kIdValue, .text = &m_strValue, .usesPin = &m_bValueUsesPin, .unit = &m_cmbUnit}});
    });

    UpdateData(FALSE);
    ShowForm(m_dwModeWord);
    OnFormChanged();

    ReadOutputSwitches();

    CaptionVoltageAndCurrentSwitches();

    SetModified(FALSE);
    return TRUE;
}

void CPropPassiveResAndCon::ApplyValueRule(bool readControls) {
    if (readControls) UpdateData(TRUE);
    const BOOL enable = !m_bValueUsesPin && (IsDlgButtonChecked(kCtlLinear) || !IsDlgButtonChecked(kCtlNonlinear));
    if (CWnd* edit = GetDlgItem(kIdValue)) edit->EnableWindow(enable);
    SetParamUsePin(m_pParams, kIdValue, m_bValueUsesPin);
    SetModified(TRUE);
}

void CPropPassiveResAndCon::ApplyControlRule(bool readControls) {
    if (readControls) UpdateData(TRUE);
    const BOOL enable =
        !m_bControlUsesPin && (IsDlgButtonChecked(kCtlNonlinear) || !IsDlgButtonChecked(kCtlLinear));
    if (CWnd* edit = GetDlgItem(kIdControlComponent)) edit->EnableWindow(enable);
    SetParamUsePin(m_pParams, kIdControlComponent, m_bControlUsesPin);
    SetModified(TRUE);
}

void CPropPassiveResAndCon::OnFormChanged() {
    UpdateData(TRUE);
    const bool linear = IsDlgButtonChecked(kCtlLinear) != 0;
    InvalidateDlgItemRect(m_pSymbol, linear ? 0 : 1, kCtlSymbolFrame, this);
    if (linear)
        SetParamAsInput(m_pParams, kIdValue);
    else
        SetParamAsOutput(m_pParams, kIdValue);
    if (m_pParams != nullptr) m_pParams->m_bySymbolVariant = linear ? 0 : 1;

    for (int id : {kCtlValuePin, static_cast<int>(kIdValue)})
        if (CWnd* control = GetDlgItem(id)) control->EnableWindow(linear);
    if (m_cmbUnit.GetSafeHwnd() != nullptr) m_cmbUnit.EnableWindow(linear && m_cmbUnit.GetCount() > 0);
    for (int id : {static_cast<int>(kIdCharacteristic), kCtlCharacteristicPin})
        if (CWnd* control = GetDlgItem(id)) control->EnableWindow(!linear);
    for (int id : {kCtlControlPin, static_cast<int>(kIdControlComponent), kCtlControlLabel}) {
        CWnd* control = GetDlgItem(id);
        // Shown by the variant (its own style), whether or not the sheet is on screen yet.
        if (control != nullptr && (control->GetStyle() & WS_VISIBLE) != 0) control->EnableWindow(!linear);
    }

    ApplyValueRule(false);
    ApplyControlRule(false);
    ApplyCharacteristicRule(false);
    SetModified(TRUE);
}

void CPropPassiveResAndCon::OnValueUsePin() { ApplyValueRule(); }

void CPropPassiveResAndCon::OnControlUsePin() { ApplyControlRule(); }

void CPropPassiveResAndCon::OnCharacteristicUsePin() { ApplyCharacteristicRule(); }

void CPropPassiveResAndCon::ApplyCharacteristicRule(bool readControls) {
    if (readControls) UpdateData(TRUE);
    const BOOL enable =
        !m_bCharacteristicUsesPin && (IsDlgButtonChecked(kCtlNonlinear) || !IsDlgButtonChecked(kCtlLinear));
    if (CWnd* button = GetDlgItem(kIdCharacteristic)) button->EnableWindow(enable);
    SetParamUsePin(m_pParams, kIdCharacteristic, m_bCharacteristicUsesPin);
    qv::characteristic::FollowCharacteristicPinBox(m_bCharacteristicUsesPin, [this] { return Table(); }, m_dwLookUp,
                                                   m_strCharacteristic);
    SetModified(TRUE);
}

void CPropPassiveResAndCon::OnCharacteristic() {
    CPropCharacteristicXYTable* table = Table();
    if (table == nullptr) return;
    qv::characteristic::RunCharacteristicSheet(
        *this, m_strName, *table,
        {m_strCharacteristic, m_strVariableName, m_strFileName, m_dwLookUp, m_strXAxisLabel, m_strYAxisLabel});
    SetModified(TRUE);
}

BOOL CPropPassiveResAndCon::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (!qv::pages::ApplyNameFirst(*this, m_pWizard, m_pParams, m_strName, m_bShowName)) return FALSE;
    const RequestTarget target(m_pWizard);
    const DWORD_PTR cookie = reinterpret_cast<DWORD_PTR>(m_pParams);

    // The linear form keeps no pin for the characteristic it does not use: the page reopened
    // ticks no box for an unused characteristic, and a printed schematic carries no such pin, so
    // the OK gives up the pin as they would.
    if (IsDlgButtonChecked(kCtlLinear) && m_bCharacteristicUsesPin) {
        m_bCharacteristicUsesPin = FALSE;
        CheckDlgButton(kCtlCharacteristicPin, BST_UNCHECKED);
        ApplyCharacteristicRule(false);
    }

    if (qv::characteristic::PointsGoToDocumentFile(Table()) && m_dwLookUp != 0)
        m_strFileName = MakeDocumentFileName(m_pWizard, CString());
    qv::characteristic::FollowElementName(Table(), m_pWizard, m_strName, m_strFileName);

    qv::pages::ForEachPresentParam(m_pParams, [&](CWizardCopaObject3* param) {
        if (IsLiveInput(param)) {
            switch (param->GetValueID()) {
            case kIdValue:
                if (!m_bValueUsesPin) param->SetValue(m_strValue);
                break;
            case kIdCharacteristic:
                if (!m_bCharacteristicUsesPin) param->SetValue(m_strCharacteristic);
                break;
            case kIdCharacteristicVariable:
                if (!m_bCharacteristicUsesPin) param->SetValue(m_strVariableName);
                break;
            case kIdCharacteristicFile:
                if (!m_bCharacteristicUsesPin) param->SetValue(m_strFileName);
                break;
            case kIdControlComponent:
                if (!m_bControlUsesPin) param->SetValue(m_strControl);
                break;
            default:
                break;
            }
        }
        if (param->GetValueID() == kIdValue && m_cmbUnit.GetSafeHwnd() != nullptr) {
            CString unit;
            m_cmbUnit.GetWindowText(unit);
            param->SetUsedUnit(unit);
        }
    });

    // A characteristic the form uses gives the model text a value, or OK refuses before the
    // wizard takes anything.
    if (!qv::characteristic::RefuseCharacteristicWithoutValue(*this, m_pParams, kCharacteristicIDs, Table()))
        return FALSE;
    DeriveModeWord();
    BuildCompareList(static_cast<int>(PassiveFormOf(m_dwModeWord)));
    if (m_pWizard != nullptr)
        m_pWizard->StoreModeAndCompareList(m_dwLookUp, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, &m_Snapshots);

    if (!CommitParamSet(target, cookie)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

BOOL CPropPassiveResAndCon::OnSetActive() {
    ReadOutputSwitches();
    GetParamUsePin(m_pParams, kIdControlComponent, &m_bControlUsesPin);
    GetParamUsePin(m_pParams, kIdValue, &m_bValueUsesPin);
    GetParamUsePin(m_pParams, kIdCharacteristic, &m_bCharacteristicUsesPin);
    UpdateData(FALSE);
    ApplyControlRule();
    ApplyValueRule(false);
    ApplyCharacteristicRule(false);
    SetModified(FALSE);
    return CTBPropertyPage::OnSetActive();
}

BOOL CPropPassiveResAndCon::OnKillActive() {
    UpdateModeParameters();
    return CTBPropertyPage::OnKillActive();
}

void CPropPassiveResAndCon::UpdateModeParameters() {
    DWORD form = PassiveFormOf(m_dwModeWord);
    if (m_radLinear.GetSafeHwnd() != nullptr) {
        DeriveModeWord();
        form = IsDlgButtonChecked(kCtlLinear) ? 0 : 1;
    }
    SetParamExtBit(m_pParams, kIdValue, FALSE);
    if (!HasParamWithValueID(m_pParams, kIdCharacteristic) || !HasParamWithValueID(m_pParams, kIdCharacteristicFile) ||
        !HasParamWithValueID(m_pParams, kIdCharacteristicVariable))
        return;
    if (form == 1) {
        SetParamExtBit(m_pParams, kIdCharacteristic, FALSE);
        SetParamExtBit(m_pParams, kIdControlComponent, FALSE);
        MarkCharacteristicParamsForKind(m_pParams, kCharacteristicIDs, m_dwLookUp, m_dwModeWord);
        SetParamAsOutput(m_pParams, kIdValue);
    } else if (form == 0) {
        for (WORD id : {kIdCharacteristic, kIdCharacteristicFile, kIdCharacteristicVariable, kIdControlComponent})
            SetParamExtBit(m_pParams, id, TRUE);
        SetParamAsInput(m_pParams, kIdValue);
    }
}

void CPropPassiveResAndCon::BuildCompareList(int) {}

void CPropPassiveResAndCon::InitDefaults(int fromInitialize) {
    BOOL unused = TRUE;
    if (GetParamExtBit(m_pParams, kIdCharacteristic, &unused) && !unused) {
        CheckDlgButton(kCtlNonlinear, BST_CHECKED);
        CheckDlgButton(kCtlLinear, BST_UNCHECKED);
        m_dwLookUp = 0;
        OnFormChanged();
    }
    DeriveModeWord();
    BuildCompareList(static_cast<int>(PassiveFormOf(m_dwModeWord)));
    if (fromInitialize == 1 && m_pWizard != nullptr) {
        m_pWizard->SetXSecondText(CString());
        m_pWizard->SetYSecondText(CString());
        // The axis labels the page's OK stores, so that a bare OK changes nothing.
        m_pWizard->StoreModeAndCompareList(m_dwLookUp, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, &m_Snapshots);
    }
}

// Element data of the older wizard generation (qv::characteristic::ReadOlderElementData); a
// snapshot block is read only when at least one byte follows it.
void CPropPassiveResAndCon::ConvertWizard3Data(const void* data, long length) {
    DeleteSnapshots(m_Snapshots);
    CString xSecond;
    CString ySecond;
    if (data == nullptr) {
        InitDefaults(0);
    } else {
        qv::characteristic::ReadOlderElementData(
            data, length > 0 ? static_cast<size_t>(length) : 0,
            {.snapshots = m_Snapshots,
             .snapshotRule = qv::characteristic::SnapshotBlockRule::kWhenBytesFollow,
             .takeMode = [this](DWORD mode) { ShowForm(mode); },
             .readPage = [this](CArchive& ar) { Serialize(ar); },
             .takeCharacteristic =
                 [this](const BYTE* bytes, size_t size) {
                     m_OldCharacteristic.assign(bytes, bytes + size);
                     // The table takes the converted characteristic before the form handler
                     // reads its kind into the look-up flag; later the flag would come from an
                     // empty table.
                     MoveOldCharacteristicIntoTable();
                     return true;
                 },
             .readPoints =
                 [&](const BYTE* bytes, size_t size) {
                     qv::characteristic::ReadPointBlockTexts(&bytes, &size, &m_strXAxisLabel, &m_strYAxisLabel,
                                                             &xSecond, &ySecond);
                 }});
        if (GetSafeHwnd() != nullptr) OnFormChanged();
    }
    if (m_pWizard != nullptr) {
        m_pWizard->SetXSecondText(xSecond);
        m_pWizard->SetYSecondText(ySecond);
        m_pWizard->StoreModeAndCompareList(m_dwLookUp, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, &m_Snapshots);
    }
}

BOOL qv::passive::UpgradeCharacteristicParams(CWizardBase4* wizard, ParamHolder* params, DWORD modeWord, DWORD* lookUp,
                                              bool tableForm) {
    CString oldFile;
    CString oldVariable;
    CString oldCharacteristic;
    if (!GetParamValue(params, kIdCharacteristicFile, &oldFile) ||
        !GetParamValue(params, kIdCharacteristicVariable, &oldVariable) ||
        !GetParamValue(params, kIdCharacteristic, &oldCharacteristic))
        return FALSE;
    if (lookUp == nullptr) return TRUE;
    BOOL onPin = FALSE;
    GetParamUsePin(params, kIdCharacteristic, &onPin);
    if (tableForm && onPin) {
        *lookUp = 0;
    } else if (tableForm && *lookUp == 0) {
        MarkCharacteristicParamsForKind(params, kCharacteristicIDs, 0, modeWord);
    } else {
        MarkCharacteristicParamsForKind(params, kCharacteristicIDs, 1, modeWord);
        if (modeWord & kModeFileReference)
            SetParamValue(params, kIdCharacteristicVariable, oldFile);
        else
            SetParamValue(params, kIdCharacteristicFile, oldCharacteristic);
        CommitParamSet(RequestTarget(wizard), reinterpret_cast<DWORD_PTR>(params));
    }
    return TRUE;
}

int CPropPassiveResAndCon::UpgradeCharacteristicParams() {
    DWORD* lookUp = PassiveFormOf(m_dwModeWord) != 0 ? &m_dwLookUp : nullptr;
    if (!qv::passive::UpgradeCharacteristicParams(m_pWizard, m_pParams, m_dwModeWord, lookUp, true)) return 0;
    m_dwUpgraded = 1;
    return 1;
}

void CPropPassiveResAndCon::MoveOldCharacteristicIntoTable() {
    qv::characteristic::LoadBlockIntoTable(Table(), m_OldCharacteristic);
}

// ---------------------------------------------------------------------------------------
// The variants.

BOOL CPropPassiveResistance::OnInitDialog() {
    CPropPassiveResAndCon::OnInitDialog();
    CResourceSwitch resources;
    SetDlgItemText(kCtlLinear, GetParamDescriptionText(m_pWizard, m_pParams, kIdValue));
    SetDlgItemText(kIdOutputValue, DescriptionWithUnit(kIdValue));
    if (!m_bCharacteristicPresent) {
        for (int id : {kCtlNonlinear, static_cast<int>(kIdCharacteristic), kCtlCharacteristicPin})
            if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_HIDE);
        SetDlgItemText(kCtlValueLabel, GetParamDescriptionText(m_pWizard, m_pParams, kIdValue));
        if (CWnd* radio = GetDlgItem(kCtlLinear)) radio->ShowWindow(SW_HIDE);
        if (CWnd* label = GetDlgItem(kCtlValueLabel)) label->ShowWindow(SW_SHOW);
    } else {
        SetDlgItemText(kCtlNonlinear, LoadLibraryString(kStrResistorNonlinear));
    }
    for (int id : {kCtlControlPin, static_cast<int>(kIdControlComponent), kCtlControlLabel})
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_HIDE);
    m_strXAxisLabel = LoadLibraryString(kStrVoltageAxis);
    m_strYAxisLabel = LoadLibraryString(kStrCurrentAxis);
    return TRUE;
}

void CPropPassiveResistance::BuildCompareList(int form) {
    DeleteSnapshots(m_Snapshots);
    if (form == 0) {
        SnapshotOf("R", nullptr);
    } else if (form == 1) {
        if (m_dwLookUp == 0)
            SnapshotOf("CH", nullptr);
        else
            TableSnapshotOf((m_dwModeWord & kModeFileReference) ? kKeywordVariable : kKeywordFile);
    }
}

BOOL CPropPassiveConductance::OnInitDialog() {
    CPropPassiveResAndCon::OnInitDialog();
    CResourceSwitch resources;
    SetDlgItemText(kCtlLinear, GetParamDescriptionText(m_pWizard, m_pParams, kIdValue));
    SetDlgItemText(kIdOutputValue, DescriptionWithUnit(kIdValue));
    SetDlgItemText(kCtlNonlinear, LoadLibraryString(kStrConductanceNonlinear));
    for (int id : {kCtlControlPin, static_cast<int>(kIdControlComponent), kCtlControlLabel})
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_SHOW);
    m_strXAxisLabel = LoadLibraryString(kStrVoltageAxis);
    m_strYAxisLabel = LoadLibraryString(kStrConductanceAxis);
    return TRUE;
}

void CPropPassiveConductance::BuildCompareList(int form) {
    DeleteSnapshots(m_Snapshots);
    if (form == 0) {
        SnapshotOf("G", nullptr);
    } else if (form == 1) {
        if (m_dwLookUp == 0)
            SnapshotOf("CH", nullptr);
        else
            TableSnapshotOf((m_dwModeWord & kModeFileReference) ? kKeywordVariable : kKeywordFile);
        SnapshotOf("QUANT", nullptr);
    }
}

// ---------------------------------------------------------------------------------------
// What both wizards do, on their own page variant.

namespace {

int WriteDescription(CPassiveResAndConWizardBase4& wizard, CFile* file, const CString& templ, CString& modelText,
                     const ElementKeywords& keywords) {
    return qv::characteristic::WriteCharacteristicDescription(
        wizard, file, templ, modelText, {.value = kIdCharacteristic, .file = kIdCharacteristicFile},
        [](DWORD form) { return form == 1; },
        [&wizard](ParamHolder* holder, WORD fileID, DWORD) {
            CPtrArray* points = nullptr;
            wizard.GetCharacteristic().GetPoints(&points);
            WriteParamCharacteristicFile(holder, &wizard, fileID, points, wizard.GetXAxisLabel(),
                                         wizard.GetYAxisLabel(), wizard.GetXSecondText(), wizard.GetYSecondText());
        },
        [&keywords](DWORD form) { return form == 1 ? keywords.nonlinear : keywords.linear; });
}

} // namespace

// ---------------------------------------------------------------------------------------

namespace qv::passive {

struct ResAndConFamily : qv::characteristic::HiddenPageSteps<ResAndConFamily, kResAndConTemplate> {
    template <class Page, class Wizard>
    static void GiveSettings(Page& page, Wizard& wizard) {
        page.LoadFromWizard(wizard.GetLookUpFlag(), wizard.GetModeWord(), wizard.GetXAxisLabel(), wizard.GetYAxisLabel(),
                            &wizard.GetSnapshots());
    }
    template <class Page, class Wizard>
    static void FinishConversion(Page& page, Wizard&) {
        // Normally the page has handed the characteristic over already; a block it still
        // holds goes to the table now.
        if (!page.GetOldCharacteristicBlock().empty()) page.MoveOldCharacteristicIntoTable();
        page.FreeOldCharacteristicBlock();
        page.UpdateModeParameters();
        page.StoreModeWordInWizard();
    }
    static int Describe(CResistorWizard4& wizard, CFile* file, const CString& templ, CString& modelText) {
        return WriteDescription(wizard, file, templ, modelText, kResistorKeywords);
    }
    static int Describe(CConductanceWizard4& wizard, CFile* file, const CString& templ, CString& modelText) {
        return WriteDescription(wizard, file, templ, modelText, kConductanceKeywords);
    }
};

} // namespace qv::passive

template class TCharacteristicWizard<CPropPassiveResistance, CResistorWizard4, CPassiveResAndConWizardBase4,
                                     qv::passive::ResAndConFamily>;
template class TCharacteristicWizard<CPropPassiveConductance, CConductanceWizard4, CPassiveResAndConWizardBase4,
                                     qv::passive::ResAndConFamily>;
