#include "sources/controlled_sources.h"

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
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/path_parts.h"
#include "framework/pinned_fields.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "framework/snapshot_lists.h"
#include "framework/string_ids.h"
#include "framework/table_writers.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_sheet.h"
#include "win32/paths.h"

#include <memory>
#include <new>

using namespace qv::sources;
using qv::dialog::kCtlName;
using qv::dialog::kCtlShowName;
using qv::dialog::kCtlSymbolFrame;
using qv::snapshots::CopySnapshots;
using qv::snapshots::DeleteSnapshots;

IMPLEMENT_DYNAMIC(CNonlinearSourceWizardBase4, CCharacteristicStateWizardBase4)
IMPLEMENT_SERIAL(CPropNonlinearSource, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropNonlinearSource)
IMPLEMENT_DYNAMIC(CNonlinearVoltageSourceWizard4, CNonlinearSourceWizardBase4)
IMPLEMENT_DYNAMIC(CNonlinearCurrentSourceWizard4, CNonlinearSourceWizardBase4)

using qv::characteristic::kStrCurrentAxis;
using qv::characteristic::kStrVoltageAxis;
using qv::characteristic::MarkCharacteristicParams;
using qv::characteristic::MarkCharacteristicParamsForKind;
using qv::characteristic::RefuseCharacteristicWithoutValue;

namespace {

// Dialog controls of template 100 that carry no parameter.
constexpr int kCtlForm = 2005;
constexpr int kCtlControlPin = 2008;
constexpr int kCtlFactorLabel = 2009;
constexpr int kCtlFactorPin = 2011;
constexpr int kCtlCharacteristicLabel = 2012;
constexpr int kCtlCharacteristicPin = 2015;
constexpr int kCtlEarlyLabel = 2021;
constexpr int kCtlEarlyPin = 2023;
constexpr int kCtlCollectorLabel = 2024;
constexpr int kCtlCollectorPin = 2026;
constexpr int kCtlEarlyUnit = 2515;
constexpr int kCtlCollectorUnit = 2516;
// The edit fields and unit lists that only mark the page modified.
constexpr int kMarkingEdits[] = {kCtlName, kIdControlComponent, kIdFactor, kIdEarlyVoltage, kIdCollectorEmitter};
constexpr int kUnitLists[] = {kCtlEarlyUnit, kCtlCollectorUnit};

using namespace qv::strings;

// Layout information of the page's controls for the toolkit (control ID, flags).
using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2472, .flags = 33}, {.id = 2000, .flags = 5},  {.id = 2001, .flags = 69}, {.id = 2002, .flags = 20},
    {.id = 2020, .flags = 6},  {.id = 2003, .flags = 15}, {.id = 2004, .flags = 33}, {.id = 2006, .flags = 33},
    {.id = 2012, .flags = 33}, {.id = 2005, .flags = 97}, {.id = 2007, .flags = 97}, {.id = 2008, .flags = 33},
    {.id = 2016, .flags = 97}, {.id = 2015, .flags = 33}, {.id = 2021, .flags = 48}, {.id = 2022, .flags = 97},
    {.id = 2023, .flags = 32}, {.id = 2009, .flags = 48}, {.id = 2010, .flags = 98}, {.id = 2011, .flags = 32},
    {.id = 2024, .flags = 48}, {.id = 2025, .flags = 97}, {.id = 2026, .flags = 32}, {.id = 2515, .flags = 48},
    {.id = 2516, .flags = 48}, {.id = 2017, .flags = 11}, {.id = 2018, .flags = 9},  {.id = 2019, .flags = 24},
};

// Which parameters a form leaves unused (ExtType bit 0x20000 set) or uses (cleared).
struct UnusedMarks {
    BOOL control;
    BOOL factor;
    BOOL characteristic;
    BOOL file;
    BOOL variable;
    BOOL collectorEmitter;
    BOOL early;
};
constexpr UnusedMarks kFactorForms = {.control = 0, .factor = 0, .characteristic = 1, .file = 1, .variable = 1,
                                      .collectorEmitter = 1, .early = 1};
constexpr UnusedMarks kCharacteristicReference = {.control = 0, .factor = 1, .characteristic = 0, .file = 1,
                                                  .variable = 1, .collectorEmitter = 1, .early = 1};
constexpr UnusedMarks kCharacteristicDataPairs = {.control = 0, .factor = 1, .characteristic = 1, .file = 0,
                                                  .variable = 1, .collectorEmitter = 1, .early = 1};
constexpr UnusedMarks kCharacteristicFileReference = {.control = 0, .factor = 1, .characteristic = 1, .file = 1,
                                                      .variable = 0, .collectorEmitter = 1, .early = 1};
constexpr UnusedMarks kCollectorForm = {.control = 0, .factor = 1, .characteristic = 1, .file = 1, .variable = 1,
                                        .collectorEmitter = 0, .early = 0};

// The keywords for "@TYPE" by form.
using FormKeywords = const char* const[kFormCount];
using qv::pages::LoadPinnedField;
constexpr FormKeywords kVoltageKeywords = {"EV ", "EI ", "EVNL ", "EINL ", "EV "};
constexpr FormKeywords kCurrentKeywords = {"IV ", "II ", "IVNL ", "IINL ", "ICNL "};

constexpr qv::characteristic::CharacteristicParamIDs kCharacteristicIDs = {
    .reference = kIdCharacteristic, .file = kIdCharacteristicFile, .variable = kIdCharacteristicVariable};

constexpr char kKeywordFile[] = "CH_FILE";
constexpr char kKeywordVariable[] = "CH_STRG";

bool IsCharacteristicForm(DWORD form) { return form == kFormNonlinearVoltage || form == kFormNonlinearCurrent; }

} // namespace

// ---------------------------------------------------------------------------------------
// The page.

BEGIN_MESSAGE_MAP(CPropNonlinearSource, CTBPropertyPage)
    ON_CBN_SELCHANGE(kCtlForm, &CPropNonlinearSource::OnSelchangeControlled)
    ON_BN_CLICKED(kCtlControlPin, &CPropNonlinearSource::OnUsePinControl)
    ON_BN_CLICKED(kCtlFactorPin, &CPropNonlinearSource::OnUsePinFactor)
    ON_BN_CLICKED(kCtlCharacteristicPin, &CPropNonlinearSource::OnUsePinCharacteristic)
    ON_BN_CLICKED(kCtlEarlyPin, &CPropNonlinearSource::OnUsePinEarly)
    ON_BN_CLICKED(kCtlCollectorPin, &CPropNonlinearSource::OnUsePinCollectorEmitter)
    ON_BN_CLICKED(kIdCharacteristic, &CPropNonlinearSource::OnCharacteristic)
    ON_BN_CLICKED(kIdOutputVoltage, &CPropNonlinearSource::OnOutputVoltage)
    ON_BN_CLICKED(kIdOutputCurrent, &CPropNonlinearSource::OnOutputCurrent)
    ON_LISTED_CONTROLS(EN_CHANGE, kMarkingEdits, &CPropNonlinearSource::OnFieldChanged)
    ON_BN_CLICKED(kCtlShowName, &CPropNonlinearSource::OnFieldChanged)
    ON_BN_CLICKED(kIdSpiceCompatible, &CPropNonlinearSource::OnFieldChanged)
    ON_LISTED_CONTROLS(CBN_SELCHANGE, kUnitLists, &CPropNonlinearSource::OnFieldChanged)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropNonlinearSource::CPropNonlinearSource() : TCharacteristicElementPage(kSourceTemplate) {}

CPropNonlinearSource::CPropNonlinearSource(CNonlinearSourceWizardBase4* wizard, ParamHolder* params)
    : TCharacteristicElementPage(kSourceTemplate, wizard, params) {
    qv::pages::RegisterLayout(*this, kLayout);
}

void CPropNonlinearSource::SetWizardSettings(DWORD kind, DWORD modeWord, CString xAxisLabel, CString yAxisLabel,
                                             const CPtrArray* snapshots) {
    qv::characteristic::TakeSettings({m_dwKind, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, m_Snapshots}, kind,
                                     modeWord, xAxisLabel, yAxisLabel, snapshots);
}

CPropCharacteristicXYTable* CPropNonlinearSource::Table() {
    return qv::characteristic::OwnedTable(m_pWizard, &CNonlinearSourceWizardBase4::GetCharacteristic);
}

DWORD CPropNonlinearSource::TableFlags() { return qv::characteristic::TableModeFlags(Table()); }

void CPropNonlinearSource::SelectStoredForm() {
    if (m_cmbForm.GetSafeHwnd() == nullptr) return;
    const DWORD form = FormOfModeWord(m_dwModeWord);
    // A form the list does not offer leaves no entry selected; the stored form stays.
    m_cmbForm.SetCurSel(form < static_cast<DWORD>(m_cmbForm.GetCount()) ? static_cast<int>(form) : -1);
}

int CPropNonlinearSource::SelectedForm() const {
    if (m_cmbForm.GetSafeHwnd() == nullptr) return -1;
    const int selection = m_cmbForm.GetCurSel();
    if (selection < 0 || selection >= m_cmbForm.GetCount() || selection >= kFormCount) return -1;
    return selection;
}

void CPropNonlinearSource::ShowFormInSymbol() {
    const int selection = SelectedForm();
    if (selection >= 0 && m_pParams != nullptr) m_pParams->m_bySymbolVariant = static_cast<BYTE>(1u << selection);
}

DWORD CPropNonlinearSource::CurrentForm() const {
    const int selection = SelectedForm();
    return selection >= 0 ? static_cast<DWORD>(selection) : FormOfModeWord(m_dwModeWord);
}

void CPropNonlinearSource::ShowControls(std::initializer_list<int> ids, int show) {
    for (int id : ids)
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(show);
}

void CPropNonlinearSource::EnableControls(std::initializer_list<int> ids, BOOL enable) {
    for (int id : ids)
        if (CWnd* control = GetDlgItem(id)) control->EnableWindow(enable);
}

void CPropNonlinearSource::Serialize(CArchive& ar) {
    qv::characteristic::SerializeKindAndConvertedFlag(ar, RUNTIME_CLASS(CPropNonlinearSource), m_dwKind, m_dwUpgraded);
    if (!ar.IsStoring() && m_dwUpgraded == 0) UpgradeCharacteristicParameters();
}

void CPropNonlinearSource::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlEarlyUnit, m_cmbEarlyUnit);
    DDX_Control(pDX, kCtlCollectorUnit, m_cmbCollectorUnit);
    DDX_Control(pDX, kCtlForm, m_cmbForm);
    qv::pages::ExchangeTexts(pDX, {{kCtlName, m_strName}, {kIdControlComponent, m_strControl},
                                   {kIdFactor, m_strFactor}, {kIdCollectorEmitter, m_strCollectorEmitter},
                                   {kIdEarlyVoltage, m_strEarly}});
    qv::pages::ExchangeChecks(pDX, {{kCtlShowName, m_bShowName}, {kCtlControlPin, m_bPinControl},
                                    {kCtlCharacteristicPin, m_bPinCharacteristic}, {kCtlFactorPin, m_bPinFactor},
                                    {kCtlCollectorPin, m_bPinCollectorEmitter}, {kCtlEarlyPin, m_bPinEarly},
                                    {kIdOutputCurrent, m_bOutputCurrent}, {kIdOutputVoltage, m_bOutputVoltage},
                                    {kIdSpiceCompatible, m_nSpice}});
}

void CPropNonlinearSource::FillControlCombo() {}

void CPropNonlinearSource::BuildCompareList(int) {}

BOOL CPropNonlinearSource::OnInitDialog() {
    InitDialogWithLibraryResources();
    FillControlCombo();
    if (m_cmbForm.GetSafeHwnd() != nullptr && m_cmbForm.GetCount() > 0) m_cmbForm.SetCurSel(0);
    UpdateData(FALSE);

    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    m_cmbEarlyUnit.DisableFlatLook(TRUE);
    m_cmbCollectorUnit.DisableFlatLook(TRUE);
    UpdateData(FALSE);

    // Pin flags are only ever set here: a box the user ticked stays ticked.
    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        LoadPinnedField(*param, {{.id = kIdFactor, .text = &m_strFactor, .usesPin = &m_bPinFactor},
                                 {.id = kIdControlComponent, .text = &m_strControl, .usesPin = &m_bPinControl},
                                 {.id = kIdCharacteristic, .text = &m_strReference,
                                  .usesPin = &m_bPinCharacteristic, .characteristic = true},
                                 {.id = kIdCharacteristicVariable, .text = &m_strVariableName,
                                  .usesPin = &m_bPinCharacteristic, .characteristic = true},
                                 {.id = kIdCharacteristicFile, .text = &m_strFileName,
                                  .usesPin = &m_bPinCharacteristic, .characteristic = true},
                                 {.id = kIdEarlyVoltage, .text = &m_strEarly, .usesPin = &m_bPinEarly,
                                  .unit = &m_cmbEarlyUnit},
                                 {.id = kIdCollectorEmitter, .text = &m_strCollectorEmitter,
                                  .usesPin = &m_bPinCollectorEmitter, .unit = &m_cmbCollectorUnit}});
        if (param->GetValueID() == kIdSpiceCompatible) {
            m_nSpice = TBExtended_ftoi(TBExtended_atof(param->GetValue())) != 0 ? 1 : 0;
            m_bSpicePresent = TRUE;
        }
    });

    UpdateData(FALSE);
    if (!m_bSpicePresent) ShowControls({kIdSpiceCompatible}, SW_HIDE);

    if (m_cmbForm.GetSafeHwnd() != nullptr) {
        SelectStoredForm();
        OnSelchangeControlled();
        UpdateData(TRUE);
    }

    ApplyPinRule(kIdControlComponent, m_bPinControl);
    SetModified(TRUE);
    switch (SelectedForm()) {
    case kFormVoltageControlled:
    case kFormCurrentControlled:
        ApplyFactorRule();
        break;
    case kFormNonlinearVoltage:
    case kFormNonlinearCurrent:
        OnUsePinCharacteristic();
        break;
    case kFormCollector:
        ApplyPinRule(kIdCollectorEmitter, m_bPinCollectorEmitter);
        ApplyPinRule(kIdEarlyVoltage, m_bPinEarly);
        break;
    default:
        break;
    }

    if (HasParamWithValueID(m_pParams, kIdOutputCurrent)) GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bOutputCurrent);
    if (HasParamWithValueID(m_pParams, kIdOutputVoltage)) GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bOutputVoltage);
    UpdateData(FALSE);

    for (WORD id : {kIdOutputVoltage, kIdOutputCurrent}) qv::pages::AppendParamUnitToCaption(*this, m_pParams, id);

    UpdateData(FALSE);
    OnSelchangeControlled();
    SetModified(FALSE);
    return TRUE;
}

void CPropNonlinearSource::ApplyFactorRule() {
    const int form = SelectedForm();
    const bool factorForm = form == kFormVoltageControlled || form == kFormCurrentControlled;
    EnableControls({kIdFactor}, !m_bPinFactor && factorForm);
    SetParamUsePin(m_pParams, kIdFactor, m_bPinFactor);
}

void CPropNonlinearSource::OnSelchangeControlled() {
    UpdateData(TRUE);
    const int form = SelectedForm();
    // Without a valid selection the stored form and the symbol's variant stay as they are.
    if (form >= 0) InvalidateDlgItemRect(m_pSymbol, static_cast<BYTE>(1u << form), kCtlSymbolFrame, this);

    const std::initializer_list<int> factorGroup = {kCtlFactorLabel, kIdFactor, kCtlFactorPin,
                                                    kCtlCharacteristicLabel, kCtlCharacteristicPin, kIdCharacteristic};
    const std::initializer_list<int> collectorGroup = {kCtlEarlyLabel, kIdEarlyVoltage, kCtlEarlyPin, kCtlEarlyUnit,
                                                       kCtlCollectorLabel, kIdCollectorEmitter, kCtlCollectorUnit,
                                                       kCtlCollectorPin};
    switch (form) {
    case kFormVoltageControlled:
    case kFormCurrentControlled:
    case kFormNonlinearVoltage:
    case kFormNonlinearCurrent: {
        // A factor, or a characteristic: the group of the other stays shown but closed.
        const BOOL characteristic = IsCharacteristicForm(static_cast<DWORD>(form));
        ShowControls(factorGroup, SW_SHOW);
        ShowControls(collectorGroup, SW_HIDE);
        EnableControls({kCtlFactorLabel, kIdFactor, kCtlFactorPin}, !characteristic);
        ApplyFactorRule();
        EnableControls({kCtlCharacteristicLabel, kCtlCharacteristicPin, kIdCharacteristic}, characteristic);
        OnUsePinCharacteristic();
        break;
    }
    case kFormCollector:
        ShowControls(factorGroup, SW_HIDE);
        ShowControls(collectorGroup, SW_SHOW);
        ApplyPinRule(kIdEarlyVoltage, m_bPinEarly);
        ApplyPinRule(kIdCollectorEmitter, m_bPinCollectorEmitter);
        break;
    default:
        break;
    }
    Invalidate(0);
    SetModified(TRUE);
}

void CPropNonlinearSource::ApplyPinRule(WORD id, BOOL onPin) {
    EnableControls({id}, !onPin);
    SetParamUsePin(m_pParams, id, onPin);
}

void CPropNonlinearSource::ClickUsePin(WORD id, const BOOL& onPin) {
    UpdateData(TRUE);
    ApplyPinRule(id, onPin);
    SetModified(TRUE);
}

void CPropNonlinearSource::OnUsePinControl() { ClickUsePin(kIdControlComponent, m_bPinControl); }

void CPropNonlinearSource::OnUsePinFactor() {
    UpdateData(TRUE);
    ApplyFactorRule();
    SetModified(TRUE);
}

void CPropNonlinearSource::OnUsePinCollectorEmitter() { ClickUsePin(kIdCollectorEmitter, m_bPinCollectorEmitter); }

void CPropNonlinearSource::OnUsePinEarly() { ClickUsePin(kIdEarlyVoltage, m_bPinEarly); }

void CPropNonlinearSource::OnUsePinCharacteristic() {
    UpdateData(TRUE);
    const int form = SelectedForm();
    EnableControls({kIdCharacteristic}, !m_bPinCharacteristic && form >= kFormNonlinearVoltage);
    SetParamUsePin(m_pParams, kIdCharacteristic, m_bPinCharacteristic);
    qv::characteristic::FollowCharacteristicPinBox(m_bPinCharacteristic, [this] { return Table(); }, m_dwKind,
                                                   m_strReference);
    Invalidate(0);
    SetModified(TRUE);
}

void CPropNonlinearSource::OnCharacteristic() {
    CPropCharacteristicXYTable* table = Table();
    if (table == nullptr) return;
    const int form = SelectedForm();
    if (form == kFormNonlinearVoltage && m_strXAxisLabel.IsEmpty()) m_strXAxisLabel = LoadLibraryString(kStrVoltageAxis);
    if (form == kFormNonlinearCurrent && m_strXAxisLabel.IsEmpty()) m_strXAxisLabel = LoadLibraryString(kStrCurrentAxis);
    qv::characteristic::RunCharacteristicSheet(
        *this, m_strName, *table,
        {m_strReference, m_strVariableName, m_strFileName, m_dwKind, m_strXAxisLabel, m_strYAxisLabel});
    SetModified(TRUE);
}

BOOL CPropNonlinearSource::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (m_pParams == nullptr) return FALSE;
    // The model text gives the control component not on a pin as an expression.
    UpdateData(TRUE);
    if (!m_bPinControl && !qv::pages::RefuseUnreadableExpression(*this, kIdControlComponent, m_strControl,
                                                                 qv::formula::ParseMode::Value))
        return FALSE;
    if (!qv::pages::ApplyNameFirst(*this, m_pWizard, m_pParams, m_strName, m_bShowName)) return FALSE;
    const RequestTarget target(m_pWizard);
    const DWORD_PTR cookie = reinterpret_cast<DWORD_PTR>(m_pParams);

    CPropCharacteristicXYTable* table = Table();
    if (table != nullptr && m_dwKind != 0 && !table->GetUserFileFlag() &&
        table->GetDataPairsFlag() == CPropCharacteristicXYTable::kSourceDataPairs)
        m_strFileName = MakeDocumentFileName(m_pWizard, CString());
    qv::characteristic::FollowElementName(table, m_pWizard, m_strName, m_strFileName);

    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdFactor:
            param->SetValue(m_strFactor);
            break;
        case kIdControlComponent:
            param->SetValue(m_strControl);
            break;
        case kIdCharacteristic:
            if (!m_bPinCharacteristic) param->SetValue(m_strReference);
            break;
        case kIdCharacteristicVariable:
            if (!m_bPinCharacteristic) param->SetValue(m_strVariableName);
            break;
        case kIdCharacteristicFile:
            if (!m_bPinCharacteristic) param->SetValue(m_strFileName);
            break;
        case kIdEarlyVoltage:
        case kIdCollectorEmitter: {
            const bool early = param->GetValueID() == kIdEarlyVoltage;
            param->SetValue(early ? m_strEarly : m_strCollectorEmitter);
            // A unit box without units (no quantity) has no text to give; the unit stays.
            CTBUnitComboBox& box = early ? m_cmbEarlyUnit : m_cmbCollectorUnit;
            CString unit;
            if (box.GetSafeHwnd() != nullptr) box.GetWindowText(unit);
            if (!unit.IsEmpty()) param->SetUsedUnit(unit);
            break;
        }
        case kIdSpiceCompatible:
            param->SetValue(TBExtended_ftoa(m_nSpice ? 1.0 : 0.0, -1, 0, ""));
            break;
        default:
            break;
        }
    });

    ShowFormInSymbol();

    // A characteristic the form uses gives the model text a value, or OK refuses before the
    // wizard takes anything.
    if (!RefuseCharacteristicWithoutValue(*this, m_pParams, kCharacteristicIDs, table)) return FALSE;
    const DWORD form = CurrentForm();
    m_dwModeWord = form;
    if (m_dwKind != 0) m_dwModeWord |= TableFlags();
    BuildCompareList(static_cast<int>(form));
    if (m_pWizard != nullptr) m_pWizard->StoreSettings(m_dwKind, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, &m_Snapshots);

    if (!CommitParamSet(target, cookie)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

BOOL CPropNonlinearSource::OnSetActive() {
    ReadOutputSwitches();
    GetParamUsePin(m_pParams, kIdFactor, &m_bPinFactor);
    GetParamUsePin(m_pParams, kIdControlComponent, &m_bPinControl);
    GetParamUsePin(m_pParams, kIdCharacteristic, &m_bPinCharacteristic);
    GetParamUsePin(m_pParams, kIdEarlyVoltage, &m_bPinEarly);
    GetParamUsePin(m_pParams, kIdCollectorEmitter, &m_bPinCollectorEmitter);
    UpdateData(FALSE);
    OnUsePinFactor();
    OnUsePinControl();
    OnUsePinCharacteristic();
    OnUsePinEarly();
    OnUsePinCollectorEmitter();
    SetModified(FALSE);
    return CTBPropertyPage::OnSetActive();
}

BOOL CPropNonlinearSource::OnKillActive() {
    UpdateModeParameters();
    return CTBPropertyPage::OnKillActive();
}

void CPropNonlinearSource::UpdateModeParameters() {
    if (m_cmbForm.GetSafeHwnd() != nullptr) m_dwModeWord = CurrentForm() | TableFlags();
    const DWORD form = FormOfModeWord(m_dwModeWord);
    BOOL ignored = FALSE;
    if (!GetParamExtBit(m_pParams, kIdCharacteristic, &ignored) ||
        !GetParamExtBit(m_pParams, kIdCharacteristicFile, &ignored) ||
        !GetParamExtBit(m_pParams, kIdCharacteristicVariable, &ignored) || form >= kFormCount)
        return;
    const UnusedMarks* marks = &kFactorForms;
    if (form == kFormCollector)
        marks = &kCollectorForm;
    else if (IsCharacteristicForm(form) && m_dwKind == 0)
        marks = &kCharacteristicReference;
    else if (IsCharacteristicForm(form))
        marks = (m_dwModeWord & kModeFileReference) ? &kCharacteristicFileReference : &kCharacteristicDataPairs;
    SetParamExtBit(m_pParams, kIdControlComponent, marks->control);
    SetParamExtBit(m_pParams, kIdFactor, marks->factor);
    MarkCharacteristicParams(m_pParams, kCharacteristicIDs, marks->characteristic, marks->file, marks->variable);
    SetParamExtBit(m_pParams, kIdCollectorEmitter, marks->collectorEmitter);
    SetParamExtBit(m_pParams, kIdEarlyVoltage, marks->early);
}

void CPropNonlinearSource::AddCharacteristicSnapshot() {
    if (m_dwKind == 0)
        SnapshotOf("CH", nullptr);
    else
        TableSnapshotOf((m_dwModeWord & kModeFileReference) ? kKeywordVariable : kKeywordFile);
}

void CPropNonlinearSource::ListFormSnapshots(int form, bool voltageSource) {
    DeleteSnapshots(m_Snapshots);
    const int lastForm = voltageSource ? kFormNonlinearCurrent : kFormCollector;
    if (form < kFormVoltageControlled || form > lastForm) return;
    SnapshotOf("QUANT", nullptr);
    if (form == kFormVoltageControlled || form == kFormCurrentControlled) SnapshotOf("FACT", nullptr);
    if (voltageSource) SnapshotOf("SPC", nullptr);
    if (IsCharacteristicForm(static_cast<DWORD>(form))) AddCharacteristicSnapshot();
    if (form == kFormCollector) {
        SnapshotOf("VCE", nullptr);
        SnapshotOf("VEA", nullptr);
    }
}

void CPropNonlinearSource::InitDefaults(int store) {
    CString start;
    if (GetParamValue(m_pParams, kIdStartForm, &start)) {
        BOOL ok = FALSE;
        const int form = TBExtended_ftoi(TBExtended_atof(start), &ok);
        const int offered = m_cmbForm.GetSafeHwnd() != nullptr ? m_cmbForm.GetCount() : kFormCount;
        // A start form the list does not offer keeps the stored form.
        if (ok && form >= 0 && form < offered && form < kFormCount) {
            if (m_cmbForm.GetSafeHwnd() != nullptr) {
                m_cmbForm.SetCurSel(form);
                OnSelchangeControlled();
            } else {
                m_dwModeWord = static_cast<DWORD>(form) | (m_dwModeWord & kModeFlagBits);
            }
            if (IsCharacteristicForm(static_cast<DWORD>(form))) m_dwKind = 0;
        }
    }
    const DWORD form = CurrentForm();
    m_dwModeWord = form;
    const DWORD flags = TableFlags();
    if (m_dwKind != 0) m_dwModeWord |= flags;
    BuildCompareList(static_cast<int>(form));
    // A new element is drawn in its form from the start, as its page's OK draws it: a bare OK
    // then changes nothing.
    if (store == 1) ShowFormInSymbol();
    if (store == 1 && m_pWizard != nullptr) {
        m_pWizard->SetThirdText(CString());
        m_pWizard->SetFourthText(CString());
        m_pWizard->StoreSettings(m_dwKind, m_dwModeWord, CString(), CString(), &m_Snapshots);
    }
}

// Element data of the older wizard generation (qv::characteristic::ReadOlderElementData).
void CPropNonlinearSource::ConvertWizard3Data(const void* data, long length) {
    DeleteSnapshots(m_Snapshots);
    CString third;
    CString fourth;
    const size_t size = data != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
    if (size == 0) {
        InitDefaults(0);
    } else {
        qv::characteristic::ReadOlderElementData(
            data, size,
            {.snapshots = m_Snapshots,
             .snapshotRule = qv::characteristic::SnapshotBlockRule::kWhenNotEmpty,
             .takeMode =
                 [this](DWORD mode) {
                     m_dwModeWord = mode;
                     SelectStoredForm();
                 },
             .readPage = [this](CArchive& ar) { Serialize(ar); },
             .takeCharacteristic =
                 [this](const BYTE* bytes, size_t blockLength) {
                     m_CharacteristicBlock.assign(bytes, bytes + blockLength);
                     // The table takes the converted characteristic before the form handler
                     // reads its kind; later the kind would come from an empty table.
                     MoveCharacteristicBlockIntoTable();
                     return true;
                 },
             .readPoints =
                 [&](const BYTE* bytes, size_t blockLength) {
                     qv::characteristic::ReadPointBlockTexts(&bytes, &blockLength, &m_strXAxisLabel, &m_strYAxisLabel,
                                                             &third, &fourth);
                 }});
        if (GetSafeHwnd() != nullptr) OnSelchangeControlled();
    }
    if (m_pWizard != nullptr) {
        m_pWizard->SetThirdText(third);
        m_pWizard->SetFourthText(fourth);
        m_pWizard->StoreSettings(m_dwKind, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, &m_Snapshots);
    }
}

void CPropNonlinearSource::MoveCharacteristicBlockIntoTable() {
    qv::characteristic::LoadBlockIntoTable(Table(), m_CharacteristicBlock);
}

int CPropNonlinearSource::UpgradeCharacteristicParameters() {
    CString value;
    if (!GetParamValue(m_pParams, kIdCharacteristicFile, &value) ||
        !GetParamValue(m_pParams, kIdCharacteristicVariable, &value) ||
        !GetParamValue(m_pParams, kIdCharacteristic, &value))
        return 0;
    if (IsCharacteristicForm(FormOfModeWord(m_dwModeWord))) {
        BOOL onPin = FALSE;
        GetParamUsePin(m_pParams, kIdCharacteristic, &onPin);
        if (onPin) {
            m_dwKind = 0;
        } else {
            MarkCharacteristicParamsForKind(m_pParams, kCharacteristicIDs, m_dwKind, m_dwModeWord);
            // Only a table's marks go to the editor at once.
            if (m_dwKind != 0) CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams));
        }
    }
    m_dwUpgraded = 1;
    return 1;
}

// ---------------------------------------------------------------------------------------
// The variants.

BOOL CPropNonlinearSourceV::OnInitDialog() {
    CResourceSwitch resources;
    CPropNonlinearSource::OnInitDialog();
    m_strYAxisLabel = LoadLibraryString(kStrVoltageSourceAxis);
    return TRUE;
}

void CPropNonlinearSourceV::BuildCompareList(int form) { ListFormSnapshots(form, true); }

BOOL CPropNonlinearSourceI::OnInitDialog() {
    CResourceSwitch resources;
    CPropNonlinearSource::OnInitDialog();
    m_strYAxisLabel = LoadLibraryString(kStrCurrentSourceAxis);
    return TRUE;
}

void CPropNonlinearSourceI::FillControlCombo() {
    if (m_cmbForm.GetSafeHwnd() == nullptr) return;
    CResourceSwitch resources;
    m_cmbForm.AddString(LoadLibraryString(kStrCollectorSource));
}

void CPropNonlinearSourceI::BuildCompareList(int form) { ListFormSnapshots(form, false); }

// ---------------------------------------------------------------------------------------
// What both wizards do, on their own page variant.

namespace {

int WriteDescription(CNonlinearSourceWizardBase4& wizard, CFile* file, const CString& templ, CString& modelText,
                     const FormKeywords& keywords) {
    return qv::characteristic::WriteCharacteristicDescription(
        wizard, file, templ, modelText, {.value = kIdCharacteristic, .file = kIdCharacteristicFile},
        IsCharacteristicForm,
        [&wizard](ParamHolder* holder, WORD fileID, DWORD) {
            CPtrArray* points = nullptr;
            wizard.GetCharacteristic().GetPoints(&points);
            WriteParamCharacteristicFile(holder, &wizard, fileID, points, wizard.GetXAxisLabel(),
                                         wizard.GetYAxisLabel(), wizard.GetThirdText(), wizard.GetFourthText());
        },
        [&keywords](DWORD form) { return keywords[form < kFormCount ? form : 0]; });
}

} // namespace

namespace qv::sources {

struct NonlinearSourceFamily : qv::characteristic::HiddenPageSteps<NonlinearSourceFamily, kSourceTemplate> {
    template <class Page, class Wizard>
    static void GiveSettings(Page& page, Wizard& wizard) {
        page.SetWizardSettings(wizard.GetKind(), wizard.GetModeWord(), wizard.GetXAxisLabel(), wizard.GetYAxisLabel(),
                               &wizard.GetSnapshots());
    }
    // A re-initialisation starts from the wizard's own form and kind, not from a new
    // element's, so that a configured source keeps its form.
    template <class Page, class Wizard>
    static BOOL Initialize(Wizard& wizard, int argument) {
        if (argument != 0) return TRUE;
        ScopedParamSet params{RequestTarget(&wizard)};
        auto* page = new (std::nothrow) Page(&wizard, params.Holder());
        if (page != nullptr) page->SetWizardSettings(wizard.GetKind(), wizard.GetModeWord(), CString(), CString(), nullptr);
        if (std::unique_ptr<Page> hidden = qv::pages::CreateHiddenPage(page, kSourceTemplate)) {
            hidden->InitDefaults(1);
            hidden->DestroyWindow();
        }
        return TRUE;
    }
    template <class Page, class Wizard>
    static void FinishConversion(Page& page, Wizard& wizard) {
        // Normally the page has handed the characteristic over already; a block it still
        // holds goes to the table now.
        if (!page.GetCharacteristicBlock().empty()) page.MoveCharacteristicBlockIntoTable();
        page.UpdateModeParameters();
        wizard.SetModeWord(page.GetModeWord());
    }
    static int Describe(CNonlinearVoltageSourceWizard4& wizard, CFile* file, const CString& templ, CString& modelText) {
        return WriteDescription(wizard, file, templ, modelText, kVoltageKeywords);
    }
    static int Describe(CNonlinearCurrentSourceWizard4& wizard, CFile* file, const CString& templ, CString& modelText) {
        return WriteDescription(wizard, file, templ, modelText, kCurrentKeywords);
    }
};

} // namespace qv::sources

template class TCharacteristicWizard<CPropNonlinearSourceV, CNonlinearVoltageSourceWizard4, CNonlinearSourceWizardBase4,
                                     qv::sources::NonlinearSourceFamily>;
template class TCharacteristicWizard<CPropNonlinearSourceI, CNonlinearCurrentSourceWizard4, CNonlinearSourceWizardBase4,
                                     qv::sources::NonlinearSourceFamily>;
