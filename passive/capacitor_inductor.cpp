#include "passive/capacitor_inductor.h"

#include "framework/byte_cursor.h"
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
#include "framework/requests.h"
#include "framework/shown_unit.h"
#include "framework/snapshot_lists.h"
#include "framework/table_writers.h"
#include "toolkit/tb_numbers.h"

#include <utility>

using namespace qv::passive;
using namespace qv::dialog;

IMPLEMENT_SERIAL(CPropPassiveCapAndInd, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropPassiveCapAndInd)
IMPLEMENT_DYNAMIC(CCapacitorWizard4, CPassiveCapAndIndWizardBase4)
IMPLEMENT_DYNAMIC(CInductorWizard4, CPassiveCapAndIndWizardBase4)

namespace {

constexpr int kCtlLinear = 2027;
constexpr int kCtlForm1 = 2092;
constexpr int kCtlForm2 = 2089;
constexpr int kCtlChar1Button = 2093;
constexpr int kCtlChar1Pin = 2094;
constexpr int kCtlChar2Button = 2098;
constexpr int kCtlChar2Pin = 2079;
constexpr int kCtlValueCaption = 2144;
constexpr int kCtlInitialPin = 2097;
constexpr int kCtlInitial2Pin = 2110;
constexpr int kCtlExtraAPin = 2101;
constexpr int kCtlExtraBPin = 2105;
constexpr int kCtlExtraACaption = 2099;
constexpr int kCtlExtraBCaption = 2103;
constexpr int kCtlExtraAHint = 2030;
constexpr int kCtlExtraBHint = 2031;
constexpr int kCtlInitialCheck = 2513;
constexpr int kCtlInitial2Check = 2514;
constexpr int kCtlSmallGroup = 2091;
constexpr int kCtlLargeGroup = 2473;
constexpr int kCtlOutputPinGroup = 2377;

// Unit selectors by parameter, in the order of the page's selector array.
struct UnitBinding {
    WORD valueID;
    int selector;
};
constexpr UnitBinding kUnits[] = {
    {.valueID = kIdValue, .selector = 2507},          {.valueID = kIdExtraA, .selector = 2508},
    {.valueID = kIdExtraB, .selector = 2509},         {.valueID = kIdInitialValue, .selector = 2510},
    {.valueID = kIdSecondInitialValue, .selector = 2511},
};
// The unit lists and the edit fields that only mark the page modified.
constexpr int kUnitLists[] = {2507, 2508, 2509, 2510, 2511};
constexpr int kMarkingEdits[] = {kCtlName, kIdValue, kIdInitialValue, kIdSecondInitialValue, kIdExtraA, kIdExtraB};

using qv::pages::ControlLayout;
using qv::pages::IsLiveInput;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 135}, {.id = 2027, .flags = 33},  {.id = 2144, .flags = 33},  {.id = 2030, .flags = 33},
    {.id = 2099, .flags = 33},  {.id = 2031, .flags = 33},  {.id = 2103, .flags = 33},  {.id = 2514, .flags = 33},
    {.id = 2092, .flags = 33},  {.id = 2089, .flags = 33},  {.id = 2029, .flags = 33},  {.id = 2513, .flags = 33},
    {.id = 2378, .flags = 33},  {.id = 2018, .flags = 33},  {.id = 2100, .flags = 97},  {.id = 2104, .flags = 97},
    {.id = 2109, .flags = 97},  {.id = 2028, .flags = 97},  {.id = 2093, .flags = 97},  {.id = 2098, .flags = 97},
    {.id = 2096, .flags = 97},  {.id = 2101, .flags = 48},  {.id = 2105, .flags = 48},  {.id = 2110, .flags = 48},
    {.id = 2090, .flags = 48},  {.id = 2094, .flags = 48},  {.id = 2079, .flags = 48},  {.id = 2097, .flags = 48},
    {.id = 2019, .flags = 48},  {.id = 2473, .flags = 131}, {.id = 2091, .flags = 131}, {.id = 2377, .flags = 131},
    {.id = 2017, .flags = 131}, {.id = 2056, .flags = 34},  {.id = 2507, .flags = 32},  {.id = 2508, .flags = 32},
    {.id = 2509, .flags = 32},  {.id = 2510, .flags = 32},  {.id = 2511, .flags = 32},
};

// Captions and axis labels of the two variants (string IDs).
struct VariantTexts {
    UINT form1Caption;
    UINT form2Caption;
    UINT xLabel1, yLabel1, xLabel2, yLabel2;
};
constexpr VariantTexts kCapacitanceTexts = {
    .form1Caption = 2514, .form2Caption = 2515, .xLabel1 = 2704, .yLabel1 = 2700, .xLabel2 = 2700, .yLabel2 = 2705};
constexpr VariantTexts kInductanceTexts = {
    .form1Caption = 2518, .form2Caption = 2519, .xLabel1 = 2706, .yLabel1 = 2702, .xLabel2 = 2702, .yLabel2 = 2708};

struct ElementKeywords {
    const char* linear;
    const char* form1;
    const char* form2;
};
constexpr ElementKeywords kCapacitorKeywords = {.linear = "C ", .form1 = "CNL ", .form2 = "CVNL "};
constexpr ElementKeywords kInductorKeywords = {.linear = "L ", .form1 = "LNL ", .form2 = "LINL "};

constexpr char kKeywordFile[] = "CH_FILE";
constexpr char kKeywordVariable[] = "CH_STRG";

void ShowControls(CWnd* page, std::initializer_list<int> ids, bool show) {
    for (int id : ids)
        if (CWnd* control = page->GetDlgItem(id)) control->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void EnableControls(CWnd* page, std::initializer_list<int> ids, bool enable) {
    for (int id : ids)
        if (CWnd* control = page->GetDlgItem(id)) control->EnableWindow(enable);
}

} // namespace

BEGIN_MESSAGE_MAP(CPropPassiveCapAndInd, CTBPropertyPage)
    ON_BN_CLICKED(kCtlLinear, &CPropPassiveCapAndInd::OnFormChanged)
    ON_BN_CLICKED(kCtlForm1, &CPropPassiveCapAndInd::OnFormChanged)
    ON_BN_CLICKED(kCtlForm2, &CPropPassiveCapAndInd::OnFormChanged)
    ON_BN_CLICKED(kCtlValuePin, &CPropPassiveCapAndInd::OnValueUsePin)
    ON_BN_CLICKED(kCtlExtraAPin, &CPropPassiveCapAndInd::OnExtraAUsePin)
    ON_BN_CLICKED(kCtlExtraBPin, &CPropPassiveCapAndInd::OnExtraBUsePin)
    ON_BN_CLICKED(kCtlInitialPin, &CPropPassiveCapAndInd::OnInitialUsePin)
    ON_BN_CLICKED(kCtlInitial2Pin, &CPropPassiveCapAndInd::OnSecondInitialUsePin)
    ON_BN_CLICKED(kCtlChar1Pin, &CPropPassiveCapAndInd::OnCharacteristic1UsePin)
    ON_BN_CLICKED(kCtlChar2Pin, &CPropPassiveCapAndInd::OnCharacteristic2UsePin)
    ON_BN_CLICKED(kIdOutputInductancePin, &CPropPassiveCapAndInd::OnOutputInductancePin)
    ON_BN_CLICKED(kCtlInitialCheck, &CPropPassiveCapAndInd::OnInitialCheck)
    ON_BN_CLICKED(kCtlInitial2Check, &CPropPassiveCapAndInd::OnInitialCheck)
    ON_BN_CLICKED(kIdOutputCurrent, &CPropPassiveCapAndInd::OnOutputCurrent)
    ON_BN_CLICKED(kIdOutputVoltage, &CPropPassiveCapAndInd::OnOutputVoltage)
    ON_BN_CLICKED(kIdOutputValue, &CPropPassiveCapAndInd::OnOutputValue)
    ON_BN_CLICKED(kCtlChar1Button, &CPropPassiveCapAndInd::OnCharacteristic1)
    ON_BN_CLICKED(kCtlChar2Button, &CPropPassiveCapAndInd::OnCharacteristic2)
    ON_BN_CLICKED(kCtlShowName, &CPropPassiveCapAndInd::OnFieldChanged)
    ON_LISTED_CONTROLS(EN_CHANGE, kMarkingEdits, &CPropPassiveCapAndInd::OnFieldChanged)
    ON_LISTED_CONTROLS(CBN_SELCHANGE, kUnitLists, &CPropPassiveCapAndInd::OnFieldChanged)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropPassiveCapAndInd::CPropPassiveCapAndInd() : TTwoPinCharacteristicPage(kCapAndIndTemplate) {}

CPropPassiveCapAndInd::CPropPassiveCapAndInd(CPassiveCapAndIndWizardBase4* wizard, ParamHolder* params)
    : TTwoPinCharacteristicPage(kCapAndIndTemplate, wizard, params) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

const CString& CPropPassiveCapAndInd::GetText(int n, int index) const {
    static const CString empty;
    if (index < 0 || index >= 3) return empty;
    return n == 1 ? m_strText1[index] : m_strText2[index];
}

void CPropPassiveCapAndInd::LoadFromWizard(DWORD kind1, DWORD kind2, DWORD modeWord, CString xLabel1,
                                           CString yLabel1, CString xLabel2, CString yLabel2,
                                           const CPtrArray* snapshots) {
    m_dwKind1 = kind1;
    m_dwKind2 = kind2;
    m_dwModeWord = modeWord;
    m_strXLabel1 = xLabel1;
    m_strYLabel1 = yLabel1;
    m_strXLabel2 = xLabel2;
    m_strYLabel2 = yLabel2;
    CopySnapshots(m_Snapshots, snapshots);
}

CPropCharacteristicXYTable* CPropPassiveCapAndInd::Table(int n) {
    return qv::characteristic::OwnedTable(m_pWizard, n == 1 ? &CPassiveCapAndIndWizardBase4::GetCharacteristic1
                                                            : &CPassiveCapAndIndWizardBase4::GetCharacteristic2);
}

DWORD CPropPassiveCapAndInd::TableFlags(int n) { return qv::characteristic::TableModeFlags(Table(n)); }

int CPropPassiveCapAndInd::RadioForm() {
    if (m_radLinear.GetSafeHwnd() == nullptr || m_radForm1.GetSafeHwnd() == nullptr) return -1;
    if (IsDlgButtonChecked(kCtlLinear)) return 0;
    return IsDlgButtonChecked(kCtlForm1) ? 1 : 2;
}

void CPropPassiveCapAndInd::CheckForm(DWORD form) {
    if (m_radLinear.GetSafeHwnd() == nullptr || m_radForm1.GetSafeHwnd() == nullptr ||
        m_radForm2.GetSafeHwnd() == nullptr)
        return;
    const int checked = form == 0 ? kCtlLinear : form == 1 ? kCtlForm1 : kCtlForm2;
    for (int id : {kCtlLinear, kCtlForm1, kCtlForm2}) CheckDlgButton(id, id == checked ? BST_CHECKED : BST_UNCHECKED);
}

void CPropPassiveCapAndInd::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.SerializeClass(RUNTIME_CLASS(CPropPassiveCapAndInd));
        ar << g_dwPageVersion;
        const int radio = RadioForm();
        const DWORD form = radio >= 0 ? static_cast<DWORD>(radio) : PassiveFormOf(m_dwModeWord);
        ar << form;
        if (form == 0 || form == 2)
            for (const CString& text : m_strText1) ar << text;
        if (form == 0 || form == 1)
            for (const CString& text : m_strText2) ar << text;
        ar << m_dwKind1 << m_dwKind2 << m_dwConverted;
        return;
    }
    m_dwConverted = 0;
    const UINT schema = ReadClassReferenceOrRewind(ar, RUNTIME_CLASS(CPropPassiveCapAndInd));
    DWORD version = 0;
    if (schema >= 1) ar >> version;
    DWORD form = 0;
    ar >> form;
    if (version >= 4) {
        if (form == 0 || form == 2)
            for (CString& text : m_strText1) ar >> text;
        if (form == 0 || form == 1)
            for (CString& text : m_strText2) ar >> text;
        ar >> m_dwKind1 >> m_dwKind2 >> m_dwConverted;
    } else {
        CString a;
        CString b;
        if (form == 0 || form == 2) ar >> a;
        if (form == 0 || form == 1) ar >> b;
        ar >> m_dwKind1 >> m_dwKind2;
        // Older pages kept one text per characteristic; which one it is follows the kind of
        // characteristic 1 and the mode word.
        const int index = m_dwKind1 == 0 ? 0 : (m_dwModeWord & kModeFileReference) ? 1 : 2;
        if (form == 0 || form == 2) m_strText1[index] = a;
        if (form == 0 || form == 1) m_strText2[index] = b;
    }
    if (m_dwConverted == 0) UpgradeCharacteristicParams();
}

int CPropPassiveCapAndInd::UpgradeCharacteristicParams() {
    const DWORD form = PassiveFormOf(m_dwModeWord);
    DWORD* kind = form == 0 ? nullptr : form == 2 ? &m_dwKind2 : &m_dwKind1;
    if (!qv::passive::UpgradeCharacteristicParams(m_pWizard, m_pParams, m_dwModeWord, kind, form == 1 || form == 2))
        return 0;
    m_dwConverted = 1;
    return 1;
}

void CPropPassiveCapAndInd::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    ExchangeOutputSwitchControls(pDX);
    for (size_t i = 0; i < std::size(kUnits); ++i) DDX_Control(pDX, kUnits[i].selector, m_cmbUnits[i]);
    DDX_Control(pDX, kCtlLinear, m_radLinear);
    DDX_Control(pDX, kCtlForm1, m_radForm1);
    DDX_Control(pDX, kCtlForm2, m_radForm2);
    qv::pages::ExchangeTexts(pDX, {{kCtlName, m_strName}, {kIdValue, m_strValue}, {kIdInitialValue, m_strInitial},
                                   {kIdSecondInitialValue, m_strInitial2}, {kIdExtraA, m_strExtraA},
                                   {kIdExtraB, m_strExtraB}});
    qv::pages::ExchangeChecks(pDX, {{kCtlShowName, m_bShowName}, {kCtlValuePin, m_bValuePin},
                                    {kCtlInitialPin, m_bInitialPin}, {kCtlInitial2Pin, m_bInitial2Pin},
                                    {kCtlExtraAPin, m_bExtraAPin}, {kCtlExtraBPin, m_bExtraBPin},
                                    {kCtlChar1Pin, m_bChar1Pin}, {kCtlChar2Pin, m_bChar2Pin},
                                    {kIdOutputVoltage, m_bOutputVoltage}, {kIdOutputCurrent, m_bOutputCurrent},
                                    {kIdOutputValue, m_bOutputValue},
                                    {kIdOutputInductancePin, m_bOutputInductancePin},
                                    {kCtlInitialCheck, m_bInitialOn}, {kCtlInitial2Check, m_bInitial2On}});
}

BOOL CPropPassiveCapAndInd::OnInitDialog() {
    InitDialogWithLibraryResources();
    for (CTBUnitComboBox& combo : m_cmbUnits) combo.DisableFlatLook(TRUE);
    CreateOutputSwitches();
    CheckForm(0);

    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    UpdateData(FALSE);
    Table(1);
    Table(2);

    const DWORD form = PassiveFormOf(m_dwModeWord);
    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        const BOOL onPin = param->HasPin();
        switch (id) {
        case kIdValue:
            m_bValuePin = onPin;
            m_strValue = param->GetValue();
            break;
        case kIdExtraA:
        case kIdExtraB:
            (id == kIdExtraA ? m_bExtraAPin : m_bExtraBPin) = onPin;
            (id == kIdExtraA ? m_strExtraA : m_strExtraB) = param->GetValue();
            SetDlgItemText(id == kIdExtraA ? kCtlExtraACaption : kCtlExtraBCaption,
                           GetParamDescriptionText(m_pWizard, m_pParams, id));
            m_bHasExtra = TRUE;
            break;
        case kIdCharacteristic:
        case kIdCharacteristicVariable:
        case kIdCharacteristicFile: {
            if (onPin && (param->GetExtType() & kParamExtUnused) == 0) {
                if (form == 0 || form == 1) m_bChar1Pin = TRUE;
                if (form == 0 || form == 2) m_bChar2Pin = TRUE;
            }
            const int index = id == kIdCharacteristic ? 0 : id == kIdCharacteristicVariable ? 1 : 2;
            auto tableText = [id](CPropCharacteristicXYTable* table) {
                if (table == nullptr) return CString();
                if (id == kIdCharacteristic) return table->GetReference();
                if (id == kIdCharacteristicVariable) return table->GetVariableName();
                return table->GetFileName();
            };
            if (form == 1) {
                m_strText1[index] = param->GetValue();
                m_strText2[index] = tableText(Table(2));
            } else if (form == 2) {
                m_strText2[index] = param->GetValue();
                m_strText1[index] = tableText(Table(1));
            } else {
                m_strText1[index] = param->GetValue();
                m_strText2[index] = param->GetValue();
            }
            m_bHasCharacteristic = TRUE;
            break;
        }
        case kIdInitialValue:
        case kIdSecondInitialValue: {
            const bool first = id == kIdInitialValue;
            (first ? m_bInitialPin : m_bInitial2Pin) = onPin;
            CString& value = first ? m_strInitial : m_strInitial2;
            value = param->GetValue();
            SetDlgItemText(first ? kCtlInitialCheck : kCtlInitial2Check,
                           GetParamDescriptionText(m_pWizard, m_pParams, id));
            (first ? m_bInitialOn : m_bInitial2On) = !value.IsEmpty();
            if (!first) m_bHasSecondInitial = TRUE;
            break;
        }
        default:
            break;
        }
    });
    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        for (size_t u = 0; u < std::size(kUnits); ++u) {
            if (kUnits[u].valueID != param->GetValueID()) continue;
            qv::pages::ShowUnitsOf(m_cmbUnits[u], param);
        }
    });

    UpdateData(FALSE);
    InitialValueRule(kCtlInitialCheck, kIdInitialValue, 2510, kCtlInitialPin);
    InitialValueRule(kCtlInitial2Check, kIdSecondInitialValue, 2511, kCtlInitial2Pin);

    CheckForm(form);
    OnFormChanged();

    ReadOutputSwitches();
    CaptionVoltageAndCurrentSwitches();
    if (HasParamWithValueID(m_pParams, kIdValue)) {
        CString caption = GetParamDescriptionText(m_pWizard, m_pParams, kIdValue);
        CString unit;
        GetParamUnit(m_pParams, kIdOutputValue, &unit);
        AppendUnitSuffix(&caption, unit);
        SetDlgItemText(kIdOutputValue, caption);
    }
    SetModified(FALSE);
    return TRUE;
}

// An initial-value check ticked over an empty field gives "0"; the edit follows the check
// and its pin box, selector and pin box follow the check.
void CPropPassiveCapAndInd::InitialValueRule(int check, WORD edit, int unitBox, int pinBox) {
    const bool first = edit == kIdInitialValue;
    const BOOL on = first ? m_bInitialOn : m_bInitial2On;
    CString& value = first ? m_strInitial : m_strInitial2;
    const BOOL pin = first ? m_bInitialPin : m_bInitial2Pin;
    (void)check;
    if (on && value.IsEmpty()) {
        value = "0";
        SetDlgItemText(edit, value);
    }
    EnableControls(this, {static_cast<int>(edit)}, on && !pin);
    EnableControls(this, {unitBox, pinBox}, on != 0);
}

void CPropPassiveCapAndInd::SnapshotOfInitialValue(const char* name) {
    const CWizardCopaObject3* param = FindParamByName(m_pParams, name);
    if (param != nullptr && !param->HasPin()) {
        CString value = param->GetValue();
        value.Trim();
        if (value.IsEmpty()) return;
    }
    SnapshotOf(name, nullptr);
}

void CPropPassiveCapAndInd::OnFormChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    const int radio = RadioForm();
    const int form = radio >= 0 ? radio : static_cast<int>(PassiveFormOf(m_dwModeWord));
    InvalidateDlgItemRect(m_pSymbol, form == 0 ? 0 : 1, kCtlSymbolFrame, this);
    if (m_pParams != nullptr) m_pParams->m_bySymbolVariant = form == 0 ? 0 : 1;
    EnableControls(this, {static_cast<int>(kIdValue), kCtlValuePin}, form == 0);
    if (m_cmbUnits[0].GetSafeHwnd() != nullptr) m_cmbUnits[0].EnableWindow(form == 0 && m_cmbUnits[0].GetCount() > 0);
    EnableControls(this, {kCtlChar1Button, kCtlChar1Pin}, form == 1);
    EnableControls(this, {kCtlChar2Button, kCtlChar2Pin}, form == 2);
    const bool wasRead = std::exchange(m_bControlsRead, true);
    if (form == 0)
        OnValueUsePin();
    else if (form == 1)
        OnCharacteristic1UsePin();
    else
        OnCharacteristic2UsePin();
    m_bControlsRead = wasRead;
}

void CPropPassiveCapAndInd::ReadControls() {
    if (!m_bControlsRead) UpdateData(TRUE);
}

// A linear value's pin box: its field is free while the element is linear and the box clear.
void CPropPassiveCapAndInd::FollowLinearPin(WORD id, const BOOL& pinned) {
    ReadControls();
    const bool linear = IsDlgButtonChecked(kCtlLinear) || (!IsDlgButtonChecked(kCtlForm1) && !IsDlgButtonChecked(kCtlForm2));
    EnableControls(this, {static_cast<int>(id)}, !pinned && linear);
    SetParamUsePin(m_pParams, id, pinned);
    SetModified(TRUE);
}

void CPropPassiveCapAndInd::OnValueUsePin() { FollowLinearPin(kIdValue, m_bValuePin); }
void CPropPassiveCapAndInd::OnExtraAUsePin() { FollowLinearPin(kIdExtraA, m_bExtraAPin); }
void CPropPassiveCapAndInd::OnExtraBUsePin() { FollowLinearPin(kIdExtraB, m_bExtraBPin); }

// An initial value's pin box: its field follows the box while the value is on or pinned.
void CPropPassiveCapAndInd::FollowInitialPin(WORD id, const BOOL& pinned, const BOOL& on) {
    ReadControls();
    if (pinned || on) EnableControls(this, {static_cast<int>(id)}, !pinned);
    SetParamUsePin(m_pParams, id, pinned);
    SetModified(TRUE);
}

void CPropPassiveCapAndInd::OnInitialUsePin() { FollowInitialPin(kIdInitialValue, m_bInitialPin, m_bInitialOn); }
void CPropPassiveCapAndInd::OnSecondInitialUsePin() {
    FollowInitialPin(kIdSecondInitialValue, m_bInitial2Pin, m_bInitial2On);
}

void CPropPassiveCapAndInd::OnCharacteristic1UsePin() {
    ReadControls();
    const bool active = IsDlgButtonChecked(kCtlForm1) || (!IsDlgButtonChecked(kCtlLinear) && !IsDlgButtonChecked(kCtlForm2));
    EnableControls(this, {kCtlChar1Button}, !m_bChar1Pin && active);
    SetParamUsePin(m_pParams, kIdCharacteristic, m_bChar1Pin);
    qv::characteristic::FollowCharacteristicPinBox(m_bChar1Pin, [this] { return Table(1); }, m_dwKind1, m_strText1[0]);
    SetModified(TRUE);
}

void CPropPassiveCapAndInd::OnCharacteristic2UsePin() {
    ReadControls();
    const bool active = IsDlgButtonChecked(kCtlForm2) || (!IsDlgButtonChecked(kCtlLinear) && !IsDlgButtonChecked(kCtlForm1));
    EnableControls(this, {kCtlChar2Button}, !m_bChar2Pin && active);
    SetParamUsePin(m_pParams, kIdCharacteristic, m_bChar2Pin);
    qv::characteristic::FollowCharacteristicPinBox(m_bChar2Pin, [this] { return Table(2); }, m_dwKind2, m_strText2[0]);
    SetModified(TRUE);
}

void CPropPassiveCapAndInd::OnOutputInductancePin() {
    ReadControls();
    SetParamUsePin(m_pParams, kIdOutputInductancePin, m_bOutputInductancePin);
}

void CPropPassiveCapAndInd::OnInitialCheck() {
    UpdateData(TRUE);
    InitialValueRule(kCtlInitialCheck, kIdInitialValue, 2510, kCtlInitialPin);
    InitialValueRule(kCtlInitial2Check, kIdSecondInitialValue, 2511, kCtlInitial2Pin);
    SetModified(TRUE);
}

void CPropPassiveCapAndInd::RunCharacteristicSheet(int n) {
    CPropCharacteristicXYTable* table = Table(n);
    if (table == nullptr) return;
    CString* texts = n == 1 ? m_strText1 : m_strText2;
    qv::characteristic::RunCharacteristicSheet(*this, m_strName, *table,
                                               {texts[0], texts[1], texts[2], n == 1 ? m_dwKind1 : m_dwKind2,
                                                n == 1 ? m_strXLabel1 : m_strXLabel2,
                                                n == 1 ? m_strYLabel1 : m_strYLabel2});
    SetModified(TRUE);
}

void CPropPassiveCapAndInd::OnCharacteristic1() { RunCharacteristicSheet(1); }

void CPropPassiveCapAndInd::OnCharacteristic2() { RunCharacteristicSheet(2); }

BOOL CPropPassiveCapAndInd::OnApply() {
    UpdateData(TRUE);
    if (!m_bInitialOn) m_strInitial.Empty();
    if (!m_bInitial2On) m_strInitial2.Empty();
    if (m_pParams == nullptr || !qv::pages::RefuseBlankValueField(*this, m_pParams)) return FALSE;
    qv::pages::StoreNameAndShowName(*m_pParams, m_strName, m_bShowName);
    const RequestTarget target(m_pWizard);
    const DWORD_PTR cookie = reinterpret_cast<DWORD_PTR>(m_pParams);
    if (!CommitParamSet(target, cookie)) return FALSE;

    for (int n : {1, 2}) {
        const DWORD kind = n == 1 ? m_dwKind1 : m_dwKind2;
        if (qv::characteristic::PointsGoToDocumentFile(Table(n)) && kind == 1)
            (n == 1 ? m_strText1 : m_strText2)[2] = MakeDocumentFileName(m_pWizard, CString());
        qv::characteristic::FollowElementName(Table(n), m_pWizard, m_strName, (n == 1 ? m_strText1 : m_strText2)[2]);
    }

    const bool form1 = IsDlgButtonChecked(kCtlForm1) != 0;
    const bool form2 = IsDlgButtonChecked(kCtlForm2) != 0;
    qv::pages::ForEachPresentParam(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (IsLiveInput(param)) {
            switch (id) {
            case kIdValue:
                if (!m_bValuePin) param->SetValue(m_strValue);
                break;
            case kIdExtraA:
                if (!m_bExtraAPin) param->SetValue(m_strExtraA);
                break;
            case kIdExtraB:
                if (!m_bExtraBPin) param->SetValue(m_strExtraB);
                break;
            case kIdCharacteristic:
            case kIdCharacteristicVariable:
            case kIdCharacteristicFile: {
                const int index = id == kIdCharacteristic ? 0 : id == kIdCharacteristicVariable ? 1 : 2;
                if (form1 && !m_bChar1Pin)
                    param->SetValue(m_strText1[index]);
                else if (form2 && !m_bChar2Pin)
                    param->SetValue(m_strText2[index]);
                break;
            }
            case kIdInitialValue:
                param->SetValue(m_strInitial);
                break;
            case kIdSecondInitialValue:
                param->SetValue(m_strInitial2);
                break;
            default:
                break;
            }
        }
        for (size_t u = 0; u < std::size(kUnits); ++u) {
            if (kUnits[u].valueID != id || m_cmbUnits[u].GetSafeHwnd() == nullptr) continue;
            CString unit;
            m_cmbUnits[u].GetWindowText(unit);
            param->SetUsedUnit(unit);
        }
    });

    // The flags come from the table of the active form only.
    const int radio = RadioForm();
    const DWORD form = radio >= 0 ? static_cast<DWORD>(radio) : PassiveFormOf(m_dwModeWord);
    // A characteristic the form uses gives the model text a value, or OK refuses before the
    // wizard takes anything.
    if ((form == 1 || form == 2) &&
        !qv::characteristic::RefuseCharacteristicWithoutValue(
            *this, m_pParams, {kIdCharacteristic, kIdCharacteristicFile, kIdCharacteristicVariable},
            Table(static_cast<int>(form))))
        return FALSE;
    m_dwModeWord = form;
    if (form == 1 || form == 2) m_dwModeWord |= TableFlags(static_cast<int>(form));
    BuildCompareList(static_cast<int>(form));
    if (m_pWizard != nullptr)
        m_pWizard->StoreModeAndCompareList(m_dwKind1, m_dwKind2, m_dwModeWord, m_strXLabel1, m_strYLabel1,
                                           m_strXLabel2, m_strYLabel2, &m_Snapshots);
    if (!CommitParamSet(target, cookie)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

BOOL CPropPassiveCapAndInd::OnSetActive() {
    ReadOutputSwitches();
    if (HasParamWithValueID(m_pParams, kIdCharacteristic)) {
        GetParamUsePin(m_pParams, kIdCharacteristic, &m_bChar1Pin);
        m_bChar2Pin = m_bChar1Pin;
    }
    GetParamUsePin(m_pParams, kIdInitialValue, &m_bInitialPin);
    GetParamUsePin(m_pParams, kIdValue, &m_bValuePin);
    GetParamUsePin(m_pParams, kIdOutputInductancePin, &m_bOutputInductancePin);
    GetParamUsePin(m_pParams, kIdExtraA, &m_bExtraAPin);
    GetParamUsePin(m_pParams, kIdExtraB, &m_bExtraBPin);
    GetParamUsePin(m_pParams, kIdSecondInitialValue, &m_bInitial2Pin);
    UpdateData(FALSE);
    UpdateData(TRUE);
    const bool wasRead = std::exchange(m_bControlsRead, true);
    const int radio = RadioForm();
    // Only the active form's characteristic box tells the set whether 2016 is on a pin.
    if (radio == 2) {
        OnCharacteristic1UsePin();
        OnCharacteristic2UsePin();
    } else {
        OnCharacteristic2UsePin();
        OnCharacteristic1UsePin();
    }
    OnInitialUsePin();
    OnValueUsePin();
    OnOutputInductancePin();
    OnExtraAUsePin();
    OnExtraBUsePin();
    OnSecondInitialUsePin();
    m_bControlsRead = wasRead;
    SetModified(FALSE);
    return CTBPropertyPage::OnSetActive();
}

BOOL CPropPassiveCapAndInd::OnKillActive() {
    UpdateModeParameters();
    return CTBPropertyPage::OnKillActive();
}

void CPropPassiveCapAndInd::CharacteristicRule(DWORD kind) {
    qv::characteristic::MarkCharacteristicParamsForKind(
        m_pParams, {.reference = kIdCharacteristic, .file = kIdCharacteristicFile, .variable = kIdCharacteristicVariable},
        kind, m_dwModeWord);
}

void CPropPassiveCapAndInd::UpdateModeParameters() {
    int form = RadioForm();
    if (form < 0) {
        form = static_cast<int>(PassiveFormOf(m_dwModeWord));
    } else if (form != 0) {
        m_dwModeWord = static_cast<DWORD>(form) | TableFlags(form);
    }
    SetParamExtBit(m_pParams, kIdInitialValue, FALSE);
    if (form == 0) {
        for (WORD id : {kIdValue, kIdExtraA, kIdExtraB, kIdSecondInitialValue, kIdOutputValue, kIdUsedMarkA})
            SetParamExtBit(m_pParams, id, FALSE);
        SetParamExtBitByName(m_pParams, "Q", FALSE);
        SetParamExtBitByName(m_pParams, "dQ", FALSE);
        for (WORD id : {kIdCharacteristic, kIdCharacteristicFile, kIdCharacteristicVariable, kIdControlComponent})
            SetParamExtBit(m_pParams, id, TRUE);
    } else if (form == 1) {
        for (WORD id : {kIdControlComponent, kIdOutputValue, kIdUsedMarkA}) SetParamExtBit(m_pParams, id, FALSE);
        SetParamExtBitByName(m_pParams, "Q", FALSE);
        SetParamExtBitByName(m_pParams, "dQ", FALSE);
        CharacteristicRule(m_dwKind1);
    } else if (form == 2) {
        SetParamExtBit(m_pParams, kIdControlComponent, FALSE);
        for (WORD id : {kIdOutputValue, kIdUsedMarkA}) SetParamExtBit(m_pParams, id, TRUE);
        SetParamExtBitByName(m_pParams, "Q", TRUE);
        SetParamExtBitByName(m_pParams, "dQ", TRUE);
        CharacteristicRule(m_dwKind2);
    }
}

void CPropPassiveCapAndInd::BuildCompareList(int) {}

void CPropPassiveCapAndInd::CharacteristicSnapshot(DWORD kind) {
    if (kind == 0)
        SnapshotOf("CH", nullptr);
    else
        TableSnapshotOf((m_dwModeWord & kModeFileReference) ? kKeywordVariable : kKeywordFile);
}

void CPropPassiveCapAndInd::InitDefaults(int store) {
    BOOL unused = TRUE;
    if (GetParamExtBit(m_pParams, kIdCharacteristic, &unused) && !unused) {
        qv::pages::ForEachPresentParam(m_pParams, [this](const CWizardCopaObject3* param) {
            if (param->GetValueID() != kIdOldForm) return;
            const int old = static_cast<int>(TBExtended_atof(param->GetValue(), ""));
            if (old == 0) {
                CheckForm(1);
                m_dwModeWord = 1;
                m_dwKind1 = 0;
            } else if (old == 1) {
                CheckForm(2);
                m_dwModeWord = 2;
                m_dwKind2 = 0;
            }
        });
    }
    const int radio = RadioForm();
    if (radio >= 0) m_dwModeWord = static_cast<DWORD>(radio);
    BuildCompareList(static_cast<int>(PassiveFormOf(m_dwModeWord)));
    if (store == 1 && m_pWizard != nullptr) {
        m_pWizard->SetXSecondText1(CString());
        m_pWizard->SetYSecondText1(CString());
        m_pWizard->SetXSecondText2(CString());
        m_pWizard->SetYSecondText2(CString());
        m_pWizard->StoreModeAndCompareList(m_dwKind1, m_dwKind2, m_dwModeWord, m_strXLabel1, m_strYLabel1,
                                           m_strXLabel2, m_strYLabel2, &m_Snapshots);
    }
}

// Element data of the older wizard generation, all numbers little-endian DWORDs:
//   mode word; snapshot count n; snapshot block length L1 and L1 bytes of archived snapshots;
//   page block length L2 and the page's archive block; L3 and a block holding m1, m1 bytes
//   of characteristic 1's archive image, m2 and m2 bytes of characteristic 2's; L4 and the
//   points and four texts of characteristic 1 (when its block was read), then of
//   characteristic 2 (when m2 > 0).
// Every length is compared with what remains; a part that does not fit ends the reading and
// keeps what was read before it.
void CPropPassiveCapAndInd::ConvertWizard3Data(const void* data, long length) {
    DeleteSnapshots(m_Snapshots);
    CString second[4];  // x and y second text of table 1, then of table 2
    if (data == nullptr) {
        InitDefaults(0);
    } else {
        bool have[2] = {false, false};
        qv::characteristic::ReadOlderElementData(
            data, length > 0 ? static_cast<size_t>(length) : 0,
            {.snapshots = m_Snapshots,
             .snapshotRule = qv::characteristic::SnapshotBlockRule::kWhenBytesFollow,
             .takeMode =
                 [this](DWORD mode) {
                     m_dwModeWord = mode;
                     CheckForm(PassiveFormOf(mode));
                 },
             .readPage = [this](CArchive& ar) { Serialize(ar); },
             .takeCharacteristic =
                 [&](const BYTE* bytes, size_t size) {
                     qv::bytes::Reader blocks(bytes, size);
                     DWORD m = 0;
                     if (blocks.ReadDword(m) && blocks.Fits(m)) {
                         m_OldBlock1.assign(blocks.Position(), blocks.Position() + m);
                         blocks.SkipBytes(m);
                         have[0] = true;
                         if (blocks.ReadDword(m) && blocks.Fits(m)) {
                             m_OldBlock2.assign(blocks.Position(), blocks.Position() + m);
                             have[1] = m > 0;
                         }
                     }
                     // The tables take their characteristics before the form handler reads
                     // their kinds; later the kinds would come from empty tables.
                     MoveOldBlocksIntoTables();
                     return have[0] || have[1];
                 },
             .readPoints =
                 [&](const BYTE* cursor, size_t remaining) {
                     for (int n : {1, 2}) {
                         if (!have[n - 1]) continue;
                         CString* x = n == 1 ? &m_strXLabel1 : &m_strXLabel2;
                         CString* y = n == 1 ? &m_strYLabel1 : &m_strYLabel2;
                         if (!qv::characteristic::ReadPointBlockTexts(&cursor, &remaining, x, y, &second[(n - 1) * 2],
                                                                      &second[(n - 1) * 2 + 1]))
                             break;
                     }
                 }});
        if (GetSafeHwnd() != nullptr) OnFormChanged();
    }
    if (m_pWizard != nullptr) {
        m_pWizard->SetXSecondText1(second[0]);
        m_pWizard->SetYSecondText1(second[1]);
        m_pWizard->SetXSecondText2(second[2]);
        m_pWizard->SetYSecondText2(second[3]);
        m_pWizard->StoreModeAndCompareList(m_dwKind1, m_dwKind2, m_dwModeWord, m_strXLabel1, m_strYLabel1,
                                           m_strXLabel2, m_strYLabel2, &m_Snapshots);
    }
}

void CPropPassiveCapAndInd::MoveOldBlocksIntoTables() {
    for (int n : {1, 2}) {
        std::vector<BYTE>& block = n == 1 ? m_OldBlock1 : m_OldBlock2;
        if (!block.empty()) qv::characteristic::LoadBlockIntoTable(Table(n), block);
        std::vector<BYTE>().swap(block);
    }
}

// ---------------------------------------------------------------------------------------
// The variants.

namespace {

// Radio captions, the caption shown without a characteristic and the axis labels.
void CommonVariantSetup(CPropPassiveCapAndInd* page, CPassiveCapAndIndWizardBase4* wizard, ParamHolder* params,
                        BOOL hasCharacteristic, const VariantTexts& texts, CString* labels[4]) {
    CString caption = GetParamDescriptionText(wizard, params, kIdValue);
    CString withUnit = caption;
    CString unit;
    GetParamUnit(params, kIdValue, &unit);
    AppendUnitSuffix(&withUnit, unit);
    page->SetDlgItemText(kCtlLinear, withUnit);
    page->SetDlgItemText(kIdOutputValue, caption);
    if (!hasCharacteristic) {
        ShowControls(page, {kCtlForm1, kCtlChar1Button, kCtlChar1Pin, kCtlForm2, kCtlChar2Button, kCtlChar2Pin,
                            kCtlLinear},
                     false);
        page->SetDlgItemText(kCtlValueCaption, withUnit);
        ShowControls(page, {kCtlValueCaption}, true);
    } else {
        page->SetDlgItemText(kCtlForm1, LoadLibraryString(texts.form1Caption));
        page->SetDlgItemText(kCtlForm2, LoadLibraryString(texts.form2Caption));
        ShowControls(page, {kCtlValueCaption}, false);
    }
    *labels[0] = LoadLibraryString(texts.xLabel1);
    *labels[1] = LoadLibraryString(texts.yLabel1);
    *labels[2] = LoadLibraryString(texts.xLabel2);
    *labels[3] = LoadLibraryString(texts.yLabel2);
}

} // namespace

BOOL CPropPassiveCapacitance::OnInitDialog() {
    CPropPassiveCapAndInd::OnInitDialog();
    CResourceSwitch resources;
    ShowControls(this, {kIdOutputInductancePin, kCtlOutputPinGroup, kCtlExtraBHint, kCtlExtraBCaption, kIdExtraB,
                        kCtlExtraBPin, 2509},
                 false);
    ShowControls(this, {kCtlExtraAHint, kCtlExtraACaption, kIdExtraA, kCtlExtraAPin, 2508}, m_bHasExtra != 0);
    ShowControls(this, {kCtlSmallGroup}, !m_bHasSecondInitial);
    ShowControls(this, {kCtlLargeGroup, kCtlInitial2Check, kIdSecondInitialValue, kCtlInitial2Pin, 2511},
                 m_bHasSecondInitial != 0);
    CString* labels[4] = {&m_strXLabel1, &m_strYLabel1, &m_strXLabel2, &m_strYLabel2};
    CommonVariantSetup(this, m_pWizard, m_pParams, m_bHasCharacteristic, kCapacitanceTexts, labels);
    return TRUE;
}

void CPropPassiveCapacitance::BuildCompareList(int form) {
    DeleteSnapshots(m_Snapshots);
    if (form == 0) {
        SnapshotOf("C", nullptr);
        SnapshotOfInitialValue("V0");
        const CString keyword = m_strName.Left(m_strName.GetLength() - 1);
        // Only an element of another domain has the extra parameter; the electrical capacitor is
        // "C" whatever name a user gave it.
        if (m_bHasExtra && keyword != "C" && keyword != "CNL" && keyword != "CVNL")
            SnapshotOf(keyword.SpanIncluding("MASS").IsEmpty() ? "BULK" : "S0", nullptr);
    } else if (form == 1 || form == 2) {
        SnapshotOfInitialValue("V0");
        CharacteristicSnapshot(form == 1 ? m_dwKind1 : m_dwKind2);
    }
}

BOOL CPropPassiveInductance::OnInitDialog() {
    CPropPassiveCapAndInd::OnInitDialog();
    CResourceSwitch resources;
    ShowControls(this, {kCtlSmallGroup}, true);
    ShowControls(this, {kCtlLargeGroup, kCtlInitial2Check, kIdSecondInitialValue, kCtlInitial2Pin, 2511}, false);
    const bool extras = !m_bHasCharacteristic;
    ShowControls(this, {kCtlExtraAHint, kCtlExtraACaption, kIdExtraA, kCtlExtraAPin, 2508, kCtlExtraBHint,
                        kCtlExtraBCaption, kIdExtraB, kCtlExtraBPin, 2509},
                 extras);
    ShowControls(this, {kIdOutputInductancePin, kCtlOutputPinGroup}, !extras);
    CString* labels[4] = {&m_strXLabel1, &m_strYLabel1, &m_strXLabel2, &m_strYLabel2};
    CommonVariantSetup(this, m_pWizard, m_pParams, m_bHasCharacteristic, kInductanceTexts, labels);
    return TRUE;
}

void CPropPassiveInductance::UpdateModeParameters() {
    const int radio = RadioForm();
    const DWORD form = radio >= 0 ? static_cast<DWORD>(radio) : PassiveFormOf(m_dwModeWord);
    SetParamExtBit(m_pParams, kIdOutputValue, form == 2);
    SetParamExtBit(m_pParams, kIdUsedMarkB, form == 2);
    CPropPassiveCapAndInd::UpdateModeParameters();
}

void CPropPassiveInductance::BuildCompareList(int form) {
    DeleteSnapshots(m_Snapshots);
    if (form == 0) {
        SnapshotOf("L", nullptr);
        SnapshotOfInitialValue("I0");
    } else if (form == 1 || form == 2) {
        SnapshotOfInitialValue("I0");
        CharacteristicSnapshot(form == 1 ? m_dwKind1 : m_dwKind2);
    }
}

// ---------------------------------------------------------------------------------------
// What both wizards do, on their own page variant.

namespace {

int WriteDescription(CPassiveCapAndIndWizardBase4& wizard, CFile* file, const CString& templ, CString& modelText,
                     const ElementKeywords& keywords) {
    return qv::characteristic::WriteCharacteristicDescription(
        wizard, file, templ, modelText, {.value = kIdCharacteristic, .file = kIdCharacteristicFile},
        [](DWORD form) { return form == 1 || form == 2; },
        [&wizard](ParamHolder* holder, WORD fileID, DWORD form) {
            // Each form writes its own table with that table's four texts.
            const int table = form == 1 ? 1 : 2;
            CPtrArray* points = nullptr;
            (table == 1 ? wizard.GetCharacteristic1() : wizard.GetCharacteristic2()).GetPoints(&points);
            WriteParamCharacteristicFile(holder, &wizard, fileID, points, wizard.GetTableText(table, 0),
                                         wizard.GetTableText(table, 1), wizard.GetTableText(table, 2),
                                         wizard.GetTableText(table, 3));
        },
        [&keywords](DWORD form) {
            return form == 1 ? keywords.form1 : form == 2 ? keywords.form2 : keywords.linear;
        });
}

} // namespace

namespace qv::passive {

struct CapAndIndFamily : qv::characteristic::HiddenPageSteps<CapAndIndFamily, kCapAndIndTemplate> {
    template <class Page, class Wizard>
    static void GiveSettings(Page& page, Wizard& wizard) {
        page.LoadFromWizard(wizard.GetLookUpFlag1(), wizard.GetLookUpFlag2(), wizard.GetModeWord(),
                            wizard.GetTableText(1, 0), wizard.GetTableText(1, 1), wizard.GetTableText(2, 0),
                            wizard.GetTableText(2, 1), &wizard.GetSnapshots());
    }
    template <class Page, class Wizard>
    static void FinishConversion(Page& page, Wizard&) {
        page.MoveOldBlocksIntoTables();
        page.UpdateModeParameters();
        page.StoreModeWordInWizard();
    }
    static int Describe(CCapacitorWizard4& wizard, CFile* file, const CString& templ, CString& modelText) {
        return WriteDescription(wizard, file, templ, modelText, kCapacitorKeywords);
    }
    static int Describe(CInductorWizard4& wizard, CFile* file, const CString& templ, CString& modelText) {
        return WriteDescription(wizard, file, templ, modelText, kInductorKeywords);
    }
};

} // namespace qv::passive

template class TCharacteristicWizard<CPropPassiveCapacitance, CCapacitorWizard4, CPassiveCapAndIndWizardBase4,
                                     qv::passive::CapAndIndFamily>;
template class TCharacteristicWizard<CPropPassiveInductance, CInductorWizard4, CPassiveCapAndIndWizardBase4,
                                     qv::passive::CapAndIndFamily>;
