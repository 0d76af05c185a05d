#include "sources/domain_sources.h"

#include "sources/time_function_texts.h"
#include "sources/time_source_steps.h"

#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/param_set_page.h"
#include "framework/placeholders.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/symbol_paint.h"
#include "framework/snapshot_lists.h"
#include "toolkit/tb_numbers.h"

#include <array>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

using namespace qv::sources;
using namespace qv::sources::time_page;
using namespace qv::dialog;
using qv::snapshots::DeleteSnapshots;

IMPLEMENT_DYNAMIC(CLinearDomainsSourceWizardBase4, CTimeSourceWizardBase4)
IMPLEMENT_SERIAL(CPropLinearDomainsSource, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropLinearDomainsSource)
IMPLEMENT_DYNAMIC(CLinearDomainsSourceAWizard4, CLinearDomainsSourceWizardBase4)
IMPLEMENT_DYNAMIC(CLinearDomainsSourceBWizard4, CLinearDomainsSourceWizardBase4)


namespace {

// Dialog controls of this page that carry no parameter of their own.
constexpr int kCtlDampingLabel = 2046;
constexpr int kCtlInitialLabel = 2095;
constexpr int kCtlInitialUnit = 2511;

// The shared unit lists, then the initial value's.
constexpr auto kUnitLists = [] {
    std::array<UnitList, 11> lists{};
    for (size_t i = 0; i < 10; ++i) lists[i] = kTimeUnitLists[i];
    lists[10] = {.control = kCtlInitialUnit, .valueID = kIdInitialValue};
    return lists;
}();
constexpr int kPhaseUnitIndex = 5;

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2003, .flags = 15},  {.id = 2027, .flags = 33},  {.id = 2031, .flags = 33},  {.id = 2028, .flags = 97},
    {.id = 2507, .flags = 48},  {.id = 2520, .flags = 48},  {.id = 2029, .flags = 33},  {.id = 2032, .flags = 97},
    {.id = 2030, .flags = 48},  {.id = 2204, .flags = 33},  {.id = 2203, .flags = 33},  {.id = 2033, .flags = 33},
    {.id = 2035, .flags = 33},  {.id = 2205, .flags = 33},  {.id = 2039, .flags = 33},  {.id = 2057, .flags = 97},
    {.id = 2034, .flags = 97},  {.id = 2036, .flags = 97},  {.id = 2038, .flags = 97},  {.id = 2040, .flags = 97},
    {.id = 2508, .flags = 48},  {.id = 2509, .flags = 48},  {.id = 2510, .flags = 48},  {.id = 2512, .flags = 48},
    {.id = 2095, .flags = 48},  {.id = 2041, .flags = 48},  {.id = 2045, .flags = 48},  {.id = 2050, .flags = 48},
    {.id = 2052, .flags = 48},  {.id = 2054, .flags = 48},  {.id = 2096, .flags = 112}, {.id = 2042, .flags = 112},
    {.id = 2047, .flags = 112}, {.id = 2051, .flags = 112}, {.id = 2053, .flags = 112}, {.id = 2055, .flags = 112},
    {.id = 2511, .flags = 48},  {.id = 2513, .flags = 48},  {.id = 2514, .flags = 48},  {.id = 2515, .flags = 48},
    {.id = 2516, .flags = 48},  {.id = 2517, .flags = 48},  {.id = 2048, .flags = 48},  {.id = 2049, .flags = 114},
    {.id = 2046, .flags = 48},  {.id = 2058, .flags = 114}, {.id = 2017, .flags = 73},  {.id = 2018, .flags = 9},
    {.id = 2019, .flags = 24},  {.id = 2304, .flags = 74},
};

} // namespace

// ---------------------------------------------------------------------------------------
// The wizards' shared base.

CLinearDomainsSourceWizardBase4::CLinearDomainsSourceWizardBase4(const CLinearDomainsSourceWizardBase4* other)
    : CTimeSourceWizardBase4(other) {
    if (other != nullptr) m_wSchema = other->m_wSchema;
}

void CLinearDomainsSourceWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = kDomainSourceSchema;
        ar << m_wSchema;
        StoreSettings(ar);
        CACWizardBase4::Serialize(ar, version);
        ar << static_cast<DWORD>(m_bACUse);
        return;
    }
    WORD schema = 0;
    ar >> schema;
    m_wSchema = schema;
    // A newer schema has a layout this wizard does not know: every setting stays.
    if (schema > kDomainSourceSchema) return;
    LoadSettings(ar, true);
    if (schema == 0) return;
    CACWizardBase4::Serialize(ar, version);
    // What follows an AC block of a newer schema cannot be found.
    if (GetACSchema() != 0 || schema < 2) return;
    DWORD acUse = 0;
    ar >> acUse;
    m_bACUse = acUse != 0;
}

// ---------------------------------------------------------------------------------------
// The page.

BEGIN_MESSAGE_MAP(CPropLinearDomainsSource, CTBPropertyPage)
    PARVEL_TIME_SOURCE_PAGE_MESSAGES(CPropLinearDomainsSource)
    ON_BN_CLICKED(kIdOutputVoltage, &CPropLinearDomainsSource::OnOutputFirst)
    ON_BN_CLICKED(kIdOutputCurrent, &CPropLinearDomainsSource::OnOutputSecond)
    ON_EN_CHANGE(kIdDamping, &CPropLinearDomainsSource::OnFieldChanged)
    ON_EN_CHANGE(kIdInitialValue, &CPropLinearDomainsSource::OnFieldChanged)
END_MESSAGE_MAP()

CPropLinearDomainsSource::CPropLinearDomainsSource() : TTimeSourcePage(kDomainSourceTemplate) {}

// The wizard's own default for the form list: a page made for hidden work without the
// wizard's settings still hands over a defined state.
CPropLinearDomainsSource::CPropLinearDomainsSource(CLinearDomainsSourceWizardBase4* wizard, ParamHolder* params)
    : TTimeSourcePage(kDomainSourceTemplate, wizard, params) {
    m_nListSelection = 0;
    qv::pages::RegisterElementLayout(*this, kLayout);
}

void CPropLinearDomainsSource::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    for (int i = 0; i < 11; ++i) DDX_Control(pDX, kUnitLists[i].control, m_cmbUnits[i]);
    ExchangeSharedFields(pDX);
    DDX_Text(pDX, kIdDamping, m_strDamping);
    DDX_Text(pDX, kIdInitialValue, m_strInitialValue);
    // The time-form index and the list: an index that names no form, or a list without a
    // selection, keeps what the other side holds.
    if (m_cmbForm.GetSafeHwnd() == nullptr) return;
    if (pDX->m_bSaveAndValidate) {
        if (IsTimeKind(m_cmbForm.GetCurSel())) m_nListSelection = m_cmbForm.GetCurSel();
    } else if (IsTimeKind(m_nListSelection)) {
        m_cmbForm.SetCurSel(m_nListSelection);
    }
}

// While time-controlled the radios decide how the amplitude is entered; the amplitude edit
// is open when it is given, the RMS edit when it is not.
void CPropLinearDomainsSource::ApplyAmplitudeRule() {
    if (GetSafeHwnd() == nullptr) return;
    if (IsDlgButtonChecked(kCtlTimeControlled) == BST_CHECKED) {
        m_bAmplitudeGiven = IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED;
        if (m_bAmplitudeGiven) CheckDlgButton(kCtlRmsRadio, BST_UNCHECKED);
        if (IsDlgButtonChecked(kCtlRmsRadio) == BST_CHECKED) {
            CheckDlgButton(kCtlAmplitudeRadio, BST_UNCHECKED);
            m_bAmplitudeGiven = FALSE;
        }
    }
    EnableControl(kIdAmplitude, m_bAmplitudeGiven);
    EnableControl(kCtlRms, !m_bAmplitudeGiven);
    EnablePinnedFields();
    SetModified(TRUE);
}

BOOL CPropLinearDomainsSource::OnInitDialog() {
    InitDialogWithLibraryResources();
    ShowControl(kCtlDampingLabel, FALSE);
    ShowControl(kIdDamping, FALSE);
    m_cmbForm.SetCurSel(0);
    m_cmbPeriodical.SetCurSel(0);
    CheckDlgButton(kCtlConstant, BST_CHECKED);
    CheckDlgButton(kCtlAmplitudeRadio, BST_CHECKED);
    for (CTBUnitComboBox& combo : m_cmbUnits) combo.DisableFlatLook(TRUE);
    UpdateData(FALSE);

    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);

    ForEachShownParam([this](CWizardCopaObject3& param) {
        const WORD id = param.GetValueID();
        if (id == kIdDamping) {
            m_strDamping = param.GetValue();
            m_bDampingPresent = TRUE;
        } else if (id == kIdInitialValue) {
            m_strInitialValue = param.GetValue();
            m_bInitialValuePresent = TRUE;
        } else {
            LoadSharedField(param);
        }
        SelectUnit(param, m_cmbUnits, kUnitLists);
    });

    UpdateData(FALSE);
    if (!m_bInitialValuePresent)
        for (int id : {kCtlInitialLabel, static_cast<int>(kIdInitialValue), kCtlInitialUnit}) ShowControl(id, FALSE);
    for (WORD output : {kIdOutputVoltage, kIdOutputCurrent})
        if (HasParamWithValueID(m_pParams, output)) SetDlgItemText(output, DescriptionWithUnit(output));

    UpdateInputControls();
    GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bOutputCurrent);
    GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bOutputVoltage);
    UpdateData(FALSE);

    SyncAmplitudeRadios();
    ApplyAmplitudeRule();
    ShowKind(m_nKind, FALSE);
    EnablePinnedFields();
    SetModified(FALSE);
    return TRUE;
}

void CPropLinearDomainsSource::UpdateInputControls() {
    const BOOL constant = ShowInputMode();
    SetParamExtBit(m_pParams, kIdDamping, constant);
    CheckDlgButton(kCtlTimeControlled, constant ? BST_UNCHECKED : BST_CHECKED);
    SetModified(TRUE);

    if (constant) {
        ReadControls();
        EnableControl(kIdValue, !m_bUsePin);
        SetParamUsePin(m_pParams, kIdValue, m_bUsePin);
        SetModified(TRUE);
    } else {
        UpdateTypeControls();
    }
}

void CPropLinearDomainsSource::UpdateTypeControls() {
    const int selection = ShowFormControls();
    const bool sine = selection == kKindSine;
    if (sine) {
        SyncAmplitudeRadios();
        ApplyAmplitudeRule();
    }
    // Only the sine offers the RMS value; every other form takes the amplitude directly.
    EnableControl(kIdAmplitude, !sine || m_bAmplitudeGiven);
    EnableControl(kCtlRms, sine && !m_bAmplitudeGiven);
    EnableFormFields(selection, FALSE);
}

BOOL CPropLinearDomainsSource::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (m_pParams == nullptr) return FALSE;
    ReadControls();
    qv::pages::StoreNameAndShowName(*m_pParams, m_strName, m_bShowName);

    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (id == kIdAmplitude) UpdateAmplitudeFromRMS();
        if (id == kIdPeriod) UpdatePeriod();
        if (id == kIdDamping)
            param->SetValue(m_strDamping);
        else if (id == kIdInitialValue)
            param->SetValue(m_strInitialValue);
        else if (!StoreSharedField(*param))
            return;
        TakeUnit(*param, m_cmbUnits, kUnitLists);
    });

    return CommitKindAndList();
}

BOOL CPropLinearDomainsSource::OnSetActive() {
    GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bOutputCurrent);
    GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bOutputVoltage);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    GetParamUsePin(m_pParams, kIdValue, &m_bUsePin);
    if (GetSafeHwnd() != nullptr) {
        UpdateData(FALSE);
        UpdateData(TRUE);
        EnableControl(kIdValue, !m_bUsePin && IsDlgButtonChecked(kCtlConstant) == BST_CHECKED);
    }
    SetParamUsePin(m_pParams, kIdValue, m_bUsePin);
    SetModified(TRUE);
    SetModified(FALSE);
    EnablePinnedFields();
    return CTBPropertyPage::OnSetActive();
}

void CPropLinearDomainsSource::MarkUnusedParameters() { MarkUnusedByKind({}); }

void CPropLinearDomainsSource::BuildCompareList(int) {}

void CPropLinearDomainsSource::FillCompareList(int form) {
    DeleteSnapshots(m_Snapshots);
    if (form == kKindConstant) {
        AppendSnapshot("VALUE", nullptr);
    } else if (form == kKindTrapezoid) {
        for (const char* name : kTrapezoidNames) AppendSnapshot(name, nullptr);
    } else if (IsTimeKind(form)) {
        for (const char* name : kPeriodicNames) AppendSnapshot(name, nullptr);
        if (form == kKindSine) AppendSnapshot("DAMPING", nullptr);
    }
    AppendACSnapshots(form);
}

void CPropLinearDomainsSource::Serialize(CArchive& ar) {
    if (!SerializePageBlock(ar, RUNTIME_CLASS(CPropLinearDomainsSource), m_cmbUnits[kPhaseUnitIndex])) return;
    if (GetSafeHwnd() == nullptr) return;
    UpdateData(FALSE);
    EnableControl(kIdPeriod, IsDlgButtonChecked(kCtlTimeControlled) == BST_CHECKED && m_bPeriodGiven);
    ApplyAmplitudeRule();
}

// Element data of the older wizard generation: what ReadOlderKindAndBlocks reads. The
// settings go to the wizard however much of it fits.
void CPropLinearDomainsSource::ConvertWizard3Data(const void* data, long length) {
    const size_t size = data != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
    ReadOlderKindAndBlocks(in, FALSE);
    HandOverSettings();
}

// ---------------------------------------------------------------------------------------
// Control handlers.

void CPropLinearDomainsSource::OnOutputFirst() {
    qv::pages::FlipOutputSwitch(*this, m_pParams, m_bOutputVoltage, kIdOutputVoltage);
    SetModified(TRUE);
}

void CPropLinearDomainsSource::OnOutputSecond() {
    qv::pages::FlipOutputSwitch(*this, m_pParams, m_bOutputCurrent, kIdOutputCurrent);
    SetModified(TRUE);
}

// A form chosen by the user shows its derived period at once.
void CPropLinearDomainsSource::OnFormSelected() {
    UpdateTypeControls();
    UpdatePeriod();
}

// ---------------------------------------------------------------------------------------
// The two page variants.

template <char Tag>
BOOL CPropLinearDomainsSourceVariant<Tag>::OnInitDialog() {
    CResourceSwitch resources;
    CPropLinearDomainsSource::OnInitDialog();
    // The value choice reads as the editor's description of the value parameter.
    if (HasParamWithValueID(m_pParams, kIdValue))
        SetDlgItemText(kCtlConstant, GetParamDescriptionText(m_pWizard, m_pParams, kIdValue));
    return TRUE;
}

template <char Tag>
void CPropLinearDomainsSourceVariant<Tag>::BuildCompareList(int form) {
    FillCompareList(form);
}

template <char Tag>
void CPropLinearDomainsSourceVariant<Tag>::UpdateTypeControls() {
    CPropLinearDomainsSource::UpdateTypeControls();
    if (FormSelection() != kKindSine) {
        ShowControl(kCtlDampingLabel, FALSE);
        ShowControl(kIdDamping, FALSE);
        SetParamExtBit(m_pParams, kIdDamping, TRUE);
    } else if (m_bDampingPresent) {
        ShowControl(kCtlDampingLabel, TRUE);
        ShowControl(kIdDamping, TRUE);
        SetParamExtBit(m_pParams, kIdDamping, FALSE);
    }
}

template <char Tag>
void CPropLinearDomainsSourceVariant<Tag>::UpdateInputControls() {
    CPropLinearDomainsSource::UpdateInputControls();
    ReadControls();
    const bool constant = IsDlgButtonChecked(kCtlConstant) == BST_CHECKED;
    if (constant) {
        ShowControl(kCtlDampingLabel, FALSE);
        ShowControl(kIdDamping, FALSE);
        SetParamExtBit(m_pParams, kIdDamping, TRUE);
        SetParamExtBit(m_pParams, kIdValue, FALSE);
    } else if (m_bDampingPresent) {
        EnableControl(kCtlDampingLabel, TRUE);
        EnableControl(kIdDamping, TRUE);
        ShowControl(kCtlDampingLabel, TRUE);
        ShowControl(kIdDamping, TRUE);
        SetParamExtBit(m_pParams, kIdDamping, FALSE);
        SetParamExtBit(m_pParams, kIdValue, TRUE);
    }
    SetModified(TRUE);
    if (!constant) UpdateTypeControls();
}

template class CPropLinearDomainsSourceVariant<'A'>;
template class CPropLinearDomainsSourceVariant<'B'>;

// ---------------------------------------------------------------------------------------
// What both wizards do, on their own page variant.

namespace qv::sources {

// "@TYPE" becomes the bare keyword of the time function, or nothing for the constant.
struct DomainSourceFamily {
    using Wizard = CLinearDomainsSourceWizardBase4;
    static constexpr UINT kTemplate = kDomainSourceTemplate;

    static CString TypeKeyword(int form) {
        return IsTimeKind(form) ? CString(qv::sources::steps::kTimeFunctionKeywords[form]) : CString();
    }
};

} // namespace qv::sources

// ---------------------------------------------------------------------------------------

template class TTimeSourceWizard<CPropLinearDomainsSourceA, CLinearDomainsSourceAWizard4,
                                  CLinearDomainsSourceWizardBase4, DomainSourceFamily>;
template class TTimeSourceWizard<CPropLinearDomainsSourceB, CLinearDomainsSourceBWizard4,
                                  CLinearDomainsSourceWizardBase4, DomainSourceFamily>;
