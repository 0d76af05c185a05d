#include "sources/time_source_page.h"

#include "framework/data_classes.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/shown_unit.h"
#include "framework/symbol_paint.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"
#include "sources/domain_sources.h"
#include "sources/linear_sources.h"
#include "sources/time_function_texts.h"

#include <algorithm>
#include <cmath>

using namespace qv::sources;
using namespace qv::sources::time_page;
using namespace qv::dialog;

template <class Wizard>
void TTimeSourcePage<Wizard>::ReadControls() {
    if (this->GetSafeHwnd() == nullptr) return;
    this->UpdateData(TRUE);
    const int selection = FormSelection();
    if (selection >= 0) m_nListSelection = selection;
}

template <class Wizard>
int TTimeSourcePage<Wizard>::FormSelection() const {
    if (m_cmbForm.GetSafeHwnd() == nullptr) return -1;
    const int selection = m_cmbForm.GetCurSel();
    return IsTimeKind(selection) ? selection : -1;
}

template <class Wizard>
int TTimeSourcePage<Wizard>::KindFromControls(int fallback) const {
    if (m_radConstant.GetSafeHwnd() == nullptr || m_cmbForm.GetSafeHwnd() == nullptr) return fallback;
    if (m_radConstant.GetCheck() == BST_CHECKED) return kKindConstant;
    const int selection = FormSelection();
    return selection >= 0 ? selection : fallback;
}

template <class Wizard>
void TTimeSourcePage<Wizard>::SyncAmplitudeRadios() {
    this->CheckDlgButton(kCtlAmplitudeRadio, m_bAmplitudeGiven ? BST_CHECKED : BST_UNCHECKED);
    this->CheckDlgButton(kCtlRmsRadio, m_bAmplitudeGiven ? BST_UNCHECKED : BST_CHECKED);
}

template <class Wizard>
BOOL TTimeSourcePage<Wizard>::ShowInputMode() {
    ReadControls();
    const BOOL constant = this->IsDlgButtonChecked(kCtlConstant) == BST_CHECKED;
    if (constant) {
        InvalidateDlgItemRect(this->m_pSymbol, 0, kCtlSymbolFrame, this);
        SetParamAsInput(this->m_pParams, kIdValue);
    } else {
        SetParamAsOutput(this->m_pParams, kIdValue);
    }
    for (int id : {static_cast<int>(kIdValue), kCtlUsePin, kCtlValueUnit, kCtlACUse}) this->EnableControl(id, constant);
    for (int id : kTimeControls) this->EnableControl(id, !constant);
    this->EnableControl(kIdAmplitude, !constant && m_bAmplitudeGiven);
    this->EnableControl(kCtlRms, !constant && !m_bAmplitudeGiven);
    this->ShowControl(kCtlAmplitudeLabel, TRUE);
    for (int id : {kCtlAmplitudeRadio, kCtlRmsRadio, kCtlRms}) this->ShowControl(id, FALSE);
    return constant;
}

template <class Wizard>
int TTimeSourcePage<Wizard>::ShowFormControls() {
    ReadControls();
    const int selection = FormSelection();
    // Without a selection the symbol keeps its mask.
    if (selection >= 0) InvalidateDlgItemRect(this->m_pSymbol, MaskOf(selection), kCtlSymbolFrame, this);
    const bool sine = selection == kKindSine;
    this->ShowControl(kCtlAmplitudeLabel, !sine);
    for (int id : {kCtlAmplitudeRadio, kCtlRmsRadio, kCtlRms}) this->ShowControl(id, sine);
    return selection;
}

template <class Wizard>
void TTimeSourcePage<Wizard>::EnableFormFields(int selection, BOOL erase) {
    this->EnableControl(kCtlAmplitudeLabel, TRUE);
    this->EnableControl(kCtlAmplitudeUnit, TRUE);
    const bool trapezoid = selection == kKindTrapezoid;
    for (int id : {kCtlFrequencyLabel, static_cast<int>(kIdFrequency), kCtlFrequencyUnit})
        this->EnableControl(id, !trapezoid);
    for (int id : kTrapezoidControls) this->EnableControl(id, trapezoid);
    this->EnableControl(kIdPeriod, this->IsDlgButtonChecked(kCtlTimeControlled) == BST_CHECKED && m_bPeriodGiven);
    EnablePinnedFields();
    this->Invalidate(erase);
    this->SetModified(TRUE);
}

template <class Wizard>
void TTimeSourcePage<Wizard>::SetFieldText(int id, CString& member, const CString& text) {
    member = text;
    if (this->GetSafeHwnd() != nullptr) this->SetDlgItemText(id, text);
}

template <class Wizard>
void TTimeSourcePage<Wizard>::AppendSnapshot(const char* name, const char* rename) {
    qv::snapshots::AppendSnapshotOf(this->m_Snapshots, this->m_pParams, name, rename);
}

template <class Wizard>
void TTimeSourcePage<Wizard>::ExchangeSharedFields(CDataExchange* pDX) {
    DDX_Control(pDX, kCtlConstant, m_radConstant);
    DDX_Control(pDX, kCtlTimeControlled, m_radTimeControlled);
    DDX_Control(pDX, kCtlAmplitudeRadio, m_radAmplitude);
    DDX_Control(pDX, kCtlRmsRadio, m_radRms);
    DDX_Control(pDX, kIdPeriodical, m_cmbPeriodical);
    DDX_Control(pDX, kCtlForm, m_cmbForm);
    qv::pages::ExchangeChecks(pDX, {{kCtlShowName, m_bShowName}, {kCtlUsePin, m_bUsePin},
                                    {kCtlPeriodGiven, m_bPeriodGiven}, {kIdOutputCurrent, m_bOutputCurrent},
                                    {kIdOutputVoltage, m_bOutputVoltage}, {kCtlACUse, m_bACUse}});
    DDX_Text(pDX, kCtlName, m_strName);
    DDX_Text(pDX, kCtlRms, m_strRMS);
    for (const UnitList& field : kTimeUnitLists) DDX_Text(pDX, field.valueID, *FieldOf(field.valueID));
}

template <class Wizard>
CString* TTimeSourcePage<Wizard>::FieldOf(WORD valueID) {
    switch (valueID) {
    case kIdAmplitude: return &m_strAmplitude;
    case kIdDelay: return &m_strDelay;
    case kIdFall: return &m_strFall;
    case kIdFrequency: return &m_strFrequency;
    case kIdOffset: return &m_strOffset;
    case kIdPeriod: return &m_strPeriod;
    case kIdPhase: return &m_strPhase;
    case kIdWidth: return &m_strWidth;
    case kIdRise: return &m_strRise;
    case kIdValue: return &m_strValue;
    default: return nullptr;
    }
}

template <class Wizard>
TypedValue TTimeSourcePage<Wizard>::TypedField(WORD valueID) {
    const std::span<CTBUnitComboBox> lists = UnitLists();
    const CComboBox* units = nullptr;
    for (size_t u = 0; u < std::size(kTimeUnitLists) && u < lists.size(); ++u)
        if (kTimeUnitLists[u].valueID == valueID) units = &lists[u];
    const CString* text = FieldOf(valueID);
    return qv::pages::TypedInputAsShown(this->m_pParams, FindParamByValueID(this->m_pParams, valueID),
                                        text ? *text : CString(), units);
}

template <class Wizard>
BOOL TTimeSourcePage<Wizard>::LoadSharedField(CWizardCopaObject3& param) {
    if (param.GetValueID() == kIdPeriodical) {
        double value = 0.0;
        const bool no = ParseFinite(param.GetValue(), &value) && value == 0.0;
        m_cmbPeriodical.SetCurSel(no ? 1 : 0);
        return TRUE;
    }
    CString* text = FieldOf(param.GetValueID());
    if (text == nullptr) return FALSE;
    *text = param.GetValue();
    return TRUE;
}

template <class Wizard>
BOOL TTimeSourcePage<Wizard>::StoreSharedField(CWizardCopaObject3& param) {
    if (param.GetValueID() == kIdPeriodical) {
        param.SetValue(TBExtended_ftoa(m_cmbPeriodical.GetCurSel() == 0 ? 1.0 : 0.0, -1, 0, ""));
        return TRUE;
    }
    const CString* text = FieldOf(param.GetValueID());
    if (text == nullptr) return FALSE;
    param.SetValue(*text);
    return TRUE;
}

template <class Wizard>
void TTimeSourcePage<Wizard>::SelectUnit(CWizardCopaObject3& param, std::span<CTBUnitComboBox> units,
                                         std::span<const UnitList> lists) {
    for (size_t u = 0; u < lists.size(); ++u) {
        if (lists[u].valueID != param.GetValueID()) continue;
        qv::pages::ShowUnitsOf(units[u], &param);
    }
}

template <class Wizard>
void TTimeSourcePage<Wizard>::TakeUnit(CWizardCopaObject3& param, std::span<CTBUnitComboBox> units,
                                       std::span<const UnitList> lists) {
    for (size_t u = 0; u < lists.size(); ++u)
        if (lists[u].valueID == param.GetValueID()) qv::pages::WriteShownUnit(&units[u], &param);
}

template <class Wizard>
void TTimeSourcePage<Wizard>::HandOverSettings() {
    if (this->m_pWizard == nullptr) return;
    this->HandOverACMode();
    this->m_pWizard->TakeSettings(m_nKind, static_cast<DWORD>(m_bAmplitudeGiven), m_strRMS, m_bPeriodGiven,
                                  m_nListSelection, &this->m_Snapshots, m_bACUse);
}

template <class Wizard>
void TTimeSourcePage<Wizard>::TakeSettings(int kind, BOOL amplitudeGiven, CString rmsText, BOOL periodGiven,
                                           int listSelection, const CPtrArray* snapshots, BOOL acUse) {
    m_nKind = kind;
    m_bAmplitudeGiven = amplitudeGiven;
    m_strRMS = rmsText;
    m_bPeriodGiven = periodGiven;
    m_nListSelection = listSelection;
    m_bACUse = acUse;
    qv::snapshots::CopySnapshots(this->m_Snapshots, snapshots);
}

template <class Wizard>
BOOL TTimeSourcePage<Wizard>::OnKillActive() {
    ReadControls();
    MarkUnusedParameters();
    PresetACPage();
    return CTBPropertyPage::OnKillActive();
}

template <class Wizard>
void TTimeSourcePage<Wizard>::StoreSettings(int handOver) {
    ReadControls();
    m_nKind = KindFromControls(m_nKind);
    BuildCompareList(m_nKind);
    if (handOver == 1) HandOverSettings();
}

template <class Wizard>
void TTimeSourcePage<Wizard>::ReadAmplitudeRadio() {
    if (m_radAmplitude.GetSafeHwnd() != nullptr)
        m_bAmplitudeGiven = this->IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED;
}

template <class Wizard>
BOOL TTimeSourcePage<Wizard>::CommitKindAndList() {
    // A blank value field is refused before the wizard takes the page's settings.
    if (!qv::pages::RefuseBlankValueField(*this, this->m_pParams)) return FALSE;
    const bool constant = this->IsDlgButtonChecked(kCtlConstant) == BST_CHECKED;
    const int selection = FormSelection();
    // Without a valid selection the symbol variant stays.
    if (constant)
        this->m_pParams->m_bySymbolVariant = 0;
    else if (selection >= 0)
        this->m_pParams->m_bySymbolVariant = MaskOf(selection);
    m_nKind = KindFromControls(m_nKind);
    ReadAmplitudeRadio();
    BuildCompareList(m_nKind);
    HandOverSettings();
    if (!CommitParamSet(RequestTarget(this->m_pWizard), reinterpret_cast<DWORD_PTR>(this->m_pParams))) return FALSE;
    this->SetModified(FALSE);
    return this->CPropertyPage::OnApply();
}

template <class Wizard>
void TTimeSourcePage<Wizard>::AppendACSnapshots(int kind) {
    const CPropACParameters* ac = this->ACPage();
    if (kind == kKindConstant && m_bACUse) {
        AppendSnapshot("AC_PHASE", "@AC_PHASE_VAL");
        AppendSnapshot("AC_MAG", "@AC_MAG_VAL");
    } else if (ac == nullptr || ac->GetMode() == qv::ac::kModePhaseMagnitude) {
        AppendSnapshot("AC_PHASE", nullptr);
        AppendSnapshot("AC_MAG", nullptr);
    } else {
        AppendSnapshot("AC_RE", "@AC_PHASE");
        AppendSnapshot("AC_IM", "@AC_MAG");
    }
}

template <class Wizard>
void TTimeSourcePage<Wizard>::ShowKind(int kind, BOOL erase) {
    if (m_radConstant.GetSafeHwnd() == nullptr || m_radTimeControlled.GetSafeHwnd() == nullptr) return;
    const bool constant = kind < 0;
    this->CheckDlgButton(kCtlConstant, constant ? BST_CHECKED : BST_UNCHECKED);
    this->CheckDlgButton(kCtlTimeControlled, constant ? BST_UNCHECKED : BST_CHECKED);
    this->UpdateData(FALSE);
    if (!constant && IsTimeKind(kind) && m_cmbForm.GetSafeHwnd() != nullptr) m_cmbForm.SetCurSel(kind);
    UpdateInputControls();
    if (!constant) this->Invalidate(erase);
}

template <class Wizard>
void TTimeSourcePage<Wizard>::PresetACPage() {
    CPropACParameters* ac = this->ACPage();
    // Without an AC page there is nothing to lock or preset.
    if (ac == nullptr) return;
    const bool constant = this->IsDlgButtonChecked(kCtlConstant) == BST_CHECKED;
    const bool noSelection = m_cmbForm.GetSafeHwnd() == nullptr || m_cmbForm.GetCurSel() < 0;
    // "AC use" is offered only for the constant value: a tick left from then neither locks
    // the AC page nor overwrites what the user typed there for a time function.
    const bool locked = m_bACUse && (constant || noSelection);
    ac->SetLocked(locked ? 1 : 0);
    if (!locked) return;
    // The locked page shows the magnitude the description writes. A value of another quantity
    // than the magnitude's (an absolute temperature, where the magnitude is a difference of
    // temperatures) is shown converted into the magnitude's own unit: 20 degrees Celsius as
    // 293.15 K.
    const TypedValue value = TypedField(kIdValue);
    CString magnitude = m_strValue;
    CString unit = value.usedUnit;
    const CWizardCopaObject3* target = FindParamByValueID(this->m_pParams, qv::ac::kIdMagnitude);
    CString converted;
    if (target != nullptr && !value.quantity.IsEmpty() && value.quantity.CompareNoCase(target->GetQuantity()) != 0 &&
        TBConvertUnits(value.quantity, value.usedUnit, value.text, target->GetUnit(), converted)) {
        magnitude = converted;
        unit = target->GetUnit();
    }
    ac->PresetMagnitudeAndPhase(magnitude, "0", unit);
}

template <class Wizard>
bool TTimeSourcePage<Wizard>::ReadOlderKindAndBlocks(qv::bytes::Reader& in, BOOL erase) {
    qv::snapshots::DeleteSnapshots(this->m_Snapshots);
    DWORD value = 0;
    bool intact = in.ReadDword(value);
    const int kind = static_cast<int>(value);
    // A kind beyond the six time functions leaves the page as it is.
    if (intact && (kind < 0 || IsTimeKind(kind))) {
        m_nKind = kind < 0 ? kKindConstant : kind;
        ShowKind(m_nKind, erase);
    }
    DWORD count = 0;
    DWORD blockLength = 0;
    intact = intact && in.ReadDword(count) && in.ReadDword(blockLength) && in.Fits(blockLength);
    if (intact) qv::snapshots::ReadSnapshotBlock(in, count, blockLength, this->m_Snapshots);
    intact = intact && in.ReadDword(blockLength) && in.Fits(blockLength);
    if (!intact) return false;
    qv::pages::ReadArchivedBlock(in.Position(), blockLength, [this](CArchive& ar) { this->Serialize(ar); });
    return in.SkipBytes(blockLength);
}

template <class Wizard>
void TTimeSourcePage<Wizard>::ReadOlderPageTail(CArchive& ar, DWORD version, CTBUnitComboBox& phaseUnit) {
    if (version >= 1 && version <= 9) {
        DWORD unitCode = 0;
        ar >> unitCode;
        const char* unit = unitCode == 1 ? "rad" : "deg";
        if (phaseUnit.GetSafeHwnd() != nullptr) phaseUnit.SelectString(-1, unit);
        if (CWizardCopaObject3* phase = FindParamByValueID(this->m_pParams, kIdPhase)) {
            phase->SetUsedUnit(unit);
            CommitParamSet(RequestTarget(this->m_pWizard), reinterpret_cast<DWORD_PTR>(this->m_pParams));
        }
    }
    if (version >= 9) {
        DWORD selection = 0;
        ar >> selection;
        // A selection that names no time function keeps the stored one.
        if (IsTimeKind(static_cast<int>(selection))) {
            m_nListSelection = static_cast<int>(selection);
            if (m_cmbForm.GetSafeHwnd() != nullptr) m_cmbForm.SetCurSel(m_nListSelection);
        }
    }
}

template <class Wizard>
BOOL TTimeSourcePage<Wizard>::SerializePageBlock(CArchive& ar, CRuntimeClass* pageClass, CTBUnitComboBox& phaseUnit) {
    if (ar.IsStoring()) {
        ReadControls();
        ReadAmplitudeRadio();
        ar.SerializeClass(pageClass);
        ar << g_dwPageVersion;
        ar << static_cast<DWORD>(m_bAmplitudeGiven);
        ar << m_strRMS;
        ar << static_cast<DWORD>(m_bPeriodGiven);
        ar << static_cast<DWORD>(m_nListSelection);
        return FALSE;
    }
    try {
        const UINT schema = ReadClassReferenceOrRewind(ar, pageClass);
        DWORD version = schema;
        if (schema >= 1) ar >> version;
        DWORD amplitude = 0;
        ar >> amplitude;
        m_bAmplitudeGiven = amplitude != 0;
        if (this->GetSafeHwnd() != nullptr) SyncAmplitudeRadios();
        ar >> m_strRMS;
        DWORD given = 0;
        ar >> given;
        m_bPeriodGiven = given != 0;
        ReadOlderPageTail(ar, version, phaseUnit);
    } catch (CArchiveException* e) {
        e->Delete();
    }
    return TRUE;
}

template <class Wizard>
void TTimeSourcePage<Wizard>::MarkUnusedByKind(std::span<const UnusedMarks> ownMarks) {
    const int kind = KindFromControls(m_nKind);
    if (kind < kKindConstant || kind >= kKindCount) return;
    for (std::span<const UnusedMarks> marks : {std::span<const UnusedMarks>(kTimeFunctionUnusedMarks), ownMarks}) {
        for (const UnusedMarks& entry : marks) {
            const Mark mark = kind == kKindConstant ? entry.constant
                              : kind == kKindTrapezoid ? entry.trapezoid
                                                       : entry.periodic;
            if (mark != Mark::Keep) SetParamExtBit(this->m_pParams, entry.valueID, mark == Mark::Set);
        }
    }
}

template <class Wizard>
void TTimeSourcePage<Wizard>::EnablePinnedFields() {
    if (this->GetSafeHwnd() == nullptr || this->IsDlgButtonChecked(kCtlTimeControlled) != BST_CHECKED) return;
    ParamHolder* params = this->m_pParams;
    const int selection = FormSelection();
    const bool sine = selection == kKindSine;
    const BOOL amplitudeFree = IsParamNotOnPin(params, kIdAmplitude);
    if (!(sine && !m_bAmplitudeGiven)) {
        this->EnableControl(kIdAmplitude, amplitudeFree);
        this->EnableControl(kCtlAmplitudeRadio, amplitudeFree);
    }
    if (!(sine && m_bAmplitudeGiven)) {
        this->EnableControl(kCtlRms, amplitudeFree);
        this->EnableControl(kCtlRmsRadio, amplitudeFree);
    }
    for (WORD id : {kIdDelay, kIdOffset, kIdPeriodical, kIdPhase}) this->EnableControl(id, IsParamNotOnPin(params, id));
    if (m_bPeriodGiven) this->EnableControl(kIdPeriod, IsParamNotOnPin(params, kIdPeriod));
    if (selection == kKindTrapezoid) {
        for (WORD id : {kIdWidth, kIdRise, kIdFall}) this->EnableControl(id, IsParamNotOnPin(params, id));
    } else {
        this->EnableControl(kIdFrequency, IsParamNotOnPin(params, kIdFrequency));
    }
}

template <class Wizard>
void TTimeSourcePage<Wizard>::UpdatePeriod() {
    if (m_bPeriodGiven) return;
    const TypedValue shown = TypedField(kIdPeriod);
    CString period;
    if (FormSelection() == kKindTrapezoid)
        period = MakeSumText(TypedField(kIdRise), TypedField(kIdWidth), TypedField(kIdFall), shown);
    else if (!PeriodOfFrequencyText(TypedField(kIdFrequency), shown, &period))
        return;
    SetFieldText(kIdPeriod, m_strPeriod, period);
}

template <class Wizard>
void TTimeSourcePage<Wizard>::UpdateAmplitudeFromRMS() {
    if (FormSelection() != kKindSine || this->IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED) return;
    CString amplitude;
    if (AmplitudeOfRMSText(m_strRMS, &amplitude)) SetFieldText(kIdAmplitude, m_strAmplitude, amplitude);
}

// ---------------------------------------------------------------------------------------
// Control handlers.

template <class Wizard>
void TTimeSourcePage<Wizard>::OnUsePin() {
    ReadControls();
    this->EnableControl(kIdValue, !m_bUsePin && this->IsDlgButtonChecked(kCtlConstant) == BST_CHECKED);
    SetParamUsePin(this->m_pParams, kIdValue, m_bUsePin);
    this->SetModified(TRUE);
}

template <class Wizard>
void TTimeSourcePage<Wizard>::OnConstant() {
    this->CheckDlgButton(kCtlConstant, BST_CHECKED);
    this->CheckDlgButton(kCtlTimeControlled, BST_UNCHECKED);
    ReadControls();
    this->SetModified(TRUE);
    UpdateInputControls();
}

template <class Wizard>
void TTimeSourcePage<Wizard>::OnTimeControlled() {
    this->CheckDlgButton(kCtlTimeControlled, BST_CHECKED);
    this->CheckDlgButton(kCtlConstant, BST_UNCHECKED);
    ReadControls();
    this->SetModified(TRUE);
    UpdateInputControls();
}

template <class Wizard>
void TTimeSourcePage<Wizard>::OnAmplitude() {
    if (this->IsDlgButtonChecked(kCtlTimeControlled) != BST_CHECKED) return;
    m_bAmplitudeGiven = TRUE;
    this->CheckDlgButton(kCtlRmsRadio, BST_UNCHECKED);
    this->EnableControl(kIdAmplitude, TRUE);
    this->EnableControl(kCtlRms, FALSE);
    this->SetModified(TRUE);
    EnablePinnedFields();
}

template <class Wizard>
void TTimeSourcePage<Wizard>::OnRmsValue() {
    m_bAmplitudeGiven = FALSE;
    this->CheckDlgButton(kCtlAmplitudeRadio, BST_UNCHECKED);
    this->EnableControl(kIdAmplitude, FALSE);
    this->EnableControl(kCtlRms, TRUE);
    this->SetModified(TRUE);
    EnablePinnedFields();
}

template <class Wizard>
void TTimeSourcePage<Wizard>::OnPeriodGiven() {
    ReadControls();
    this->SetModified(TRUE);
    this->EnableControl(kIdPeriod, this->IsDlgButtonChecked(kCtlTimeControlled) == BST_CHECKED && m_bPeriodGiven);
}

template <class Wizard>
void TTimeSourcePage<Wizard>::OnRmsChanged() {
    ReadControls();
    this->SetModified(TRUE);
    UpdateAmplitudeFromRMS();
}

template <class Wizard>
void TTimeSourcePage<Wizard>::OnPeriodSourceChanged() {
    ReadControls();
    this->SetModified(TRUE);
    UpdatePeriod();
}

template <class Wizard>
void TTimeSourcePage<Wizard>::OnFieldChanged() {
    ReadControls();
    this->SetModified(TRUE);
}

// The derived period follows a unit chosen for it or for a field it is derived from.
template <class Wizard>
void TTimeSourcePage<Wizard>::OnUnitSelected(UINT id) {
    OnFieldChanged();
    const auto list = std::ranges::find(kTimeUnitLists, static_cast<int>(id), &UnitList::control);
    if (list == std::end(kTimeUnitLists)) return;
    const int field = list->valueID;
    if (field == kIdPeriod || std::ranges::find(kPeriodSourceEdits, field) != std::end(kPeriodSourceEdits))
        UpdatePeriod();
}

template <class Wizard>
void TTimeSourcePage<Wizard>::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, this->m_pSymbol, this->m_strSymbolText);
}

template class TTimeSourcePage<CLinearSourceWizardBase4>;
template class TTimeSourcePage<CLinearDomainsSourceWizardBase4>;
