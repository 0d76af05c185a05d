#include "sources/linear_sources.h"

#include "framework/ac_page_steps.h"
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
#include "sources/time_function_texts.h"
#include "sources/time_source_steps.h"
#include "toolkit/tb_numbers.h"

#include <cmath>
#include <memory>
#include <new>
#include <vector>

using namespace qv::sources;
using namespace qv::sources::time_page;
using namespace qv::dialog;
using qv::snapshots::DeleteSnapshots;

IMPLEMENT_DYNAMIC(CLinearSourceWizardBase4, CTimeSourceWizardBase4)
IMPLEMENT_SERIAL(CPropLinearSource, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropLinearSource)
IMPLEMENT_DYNAMIC(CLinearVoltageSourceWizard4, CLinearSourceWizardBase4)
IMPLEMENT_DYNAMIC(CLinearCurrentSourceWizard4, CLinearSourceWizardBase4)


namespace {

// Dialog controls of this page that carry no parameter of their own.
constexpr int kCtlValueLabel = 2144;
constexpr int kCtlNumericGroup = 2304;

constexpr int kPhaseUnitIndex = 5;

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2472, .flags = 33}, {.id = 2027, .flags = 33}, {.id = 2031, .flags = 33}, {.id = 2144, .flags = 33},
    {.id = 2029, .flags = 33}, {.id = 2204, .flags = 33}, {.id = 2203, .flags = 33}, {.id = 2033, .flags = 33},
    {.id = 2035, .flags = 33}, {.id = 2205, .flags = 33}, {.id = 2039, .flags = 33}, {.id = 2000, .flags = 5},
    {.id = 2001, .flags = 69}, {.id = 2002, .flags = 20}, {.id = 2020, .flags = 6},  {.id = 2003, .flags = 15},
    {.id = 2028, .flags = 97}, {.id = 2032, .flags = 97}, {.id = 2057, .flags = 97}, {.id = 2034, .flags = 97},
    {.id = 2036, .flags = 97}, {.id = 2038, .flags = 97}, {.id = 2040, .flags = 97}, {.id = 2507, .flags = 48},
    {.id = 2520, .flags = 48}, {.id = 2030, .flags = 48}, {.id = 2508, .flags = 48}, {.id = 2509, .flags = 48},
    {.id = 2510, .flags = 48}, {.id = 2512, .flags = 48}, {.id = 2041, .flags = 48}, {.id = 2045, .flags = 48},
    {.id = 2050, .flags = 48}, {.id = 2052, .flags = 48}, {.id = 2054, .flags = 48}, {.id = 2513, .flags = 48},
    {.id = 2514, .flags = 48}, {.id = 2515, .flags = 48}, {.id = 2516, .flags = 48}, {.id = 2517, .flags = 48},
    {.id = 2048, .flags = 48}, {.id = 2042, .flags = 112}, {.id = 2047, .flags = 112}, {.id = 2051, .flags = 112},
    {.id = 2053, .flags = 112}, {.id = 2055, .flags = 112}, {.id = 2049, .flags = 112}, {.id = 2017, .flags = 73},
    {.id = 2018, .flags = 9},  {.id = 2019, .flags = 24}, {.id = 2056, .flags = 24}, {.id = 2304, .flags = 74},
    {.id = 2305, .flags = 8},
};

// Everything hidden when the element offers no time functions.
constexpr int kHiddenWithoutTimeFunctions[] = {
    2027, 2031, 2032, 2203, 2204, 2033, 2034, 2035, 2036, 2038, 2039, 2040, 2041, 2042, 2045, 2047, 2048,
    2049, 2050, 2051, 2052, 2053, 2054, 2055, 2205, 2304, 2305, 2508, 2509, 2510, 2512, 2513, 2514, 2515,
    2516, 2517};

// The voltage and current sources' own parameter that a kind leaves unused.
constexpr UnusedMarks kOwnUnusedMarks[] = {
    {kIdPartialDerivation, Mark::Clear, Mark::Set, Mark::Keep},
};

} // namespace

// ---------------------------------------------------------------------------------------
// The wizards' shared base.

CLinearSourceWizardBase4::CLinearSourceWizardBase4(const CLinearSourceWizardBase4* other)
    : CTimeSourceWizardBase4(other) {
    if (other != nullptr) m_dwSchema = other->m_dwSchema;
}

void CLinearSourceWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    CACWizardBase4::Serialize(ar, version);
    if (ar.IsStoring()) {
        m_dwSchema = 1;
        ar << static_cast<WORD>(m_dwSchema);
        StoreSettings(ar);
        ar << static_cast<DWORD>(m_bACUse);
        return;
    }
    // The AC part of a newer schema has a layout this wizard does not know: what follows it
    // cannot be found, so nothing more is read.
    if (GetACSchema() != 0) return;
    WORD schema = 0;
    ar >> schema;
    m_dwSchema = schema;
    if (schema > 1) return;
    LoadSettings(ar, false);
    if (schema == 1) {
        DWORD acUse = 0;
        ar >> acUse;
        m_bACUse = acUse != 0;
    }
}

// ---------------------------------------------------------------------------------------
// The page.

BEGIN_MESSAGE_MAP(CPropLinearSource, CTBPropertyPage)
    PARVEL_TIME_SOURCE_PAGE_MESSAGES(CPropLinearSource)
    ON_BN_CLICKED(kIdOutputVoltage, &CPropLinearSource::OnOutputVoltage)
    ON_BN_CLICKED(kIdOutputCurrent, &CPropLinearSource::OnOutputCurrent)
    ON_BN_CLICKED(kIdOutputValue, &CPropLinearSource::OnOutputValue)
    ON_BN_CLICKED(kIdPartialDerivation, &CPropLinearSource::OnFieldChanged)
    ON_BN_CLICKED(kIdSpice, &CPropLinearSource::OnFieldChanged)
END_MESSAGE_MAP()

CPropLinearSource::CPropLinearSource() : TTimeSourcePage(kLinearSourceTemplate) {}

CPropLinearSource::CPropLinearSource(CLinearSourceWizardBase4* wizard, ParamHolder* params)
    : TTimeSourcePage(kLinearSourceTemplate, wizard, params) {
    qv::pages::RegisterLayout(*this, kLayout);
}

void CPropLinearSource::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    for (int i = 0; i < 10; ++i) DDX_Control(pDX, kTimeUnitLists[i].control, m_cmbUnits[i]);
    ExchangeSharedFields(pDX);
    DDX_Check(pDX, kIdOutputValue, m_bOutputValue);
    DDX_Check(pDX, kIdPartialDerivation, m_bPartialDerivation);
    DDX_Check(pDX, kIdSpice, m_bSpice);
}

BOOL CPropLinearSource::OnInitDialog() {
    InitDialogWithLibraryResources();
    // The stored selection is shown while the constant value is chosen too, so that it
    // survives an apply.
    m_cmbForm.SetCurSel(IsTimeKind(m_nListSelection) ? m_nListSelection : 0);
    m_cmbPeriodical.SetCurSel(0);
    CheckDlgButton(kCtlConstant, BST_CHECKED);
    CheckDlgButton(kCtlAmplitudeRadio, BST_CHECKED);
    UpdateData(FALSE);

    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    for (CTBUnitComboBox& combo : m_cmbUnits) combo.DisableFlatLook(TRUE);

    ForEachShownParam([this](CWizardCopaObject3& param) {
        const WORD id = param.GetValueID();
        if (id == kIdValue) {
            m_strValue = param.GetValue();
            SetDlgItemText(kCtlConstant, GetParamDescriptionText(m_pWizard, m_pParams, kIdValue));
        }
        if (id == kIdAmplitude) m_bTimeFunctions = TRUE;
        if (!LoadSharedField(param) && (id == kIdPartialDerivation || id == kIdSpice)) {
            double value = 0.0;
            const BOOL on = ParseFinite(param.GetValue(), &value) && value != 0.0;
            (id == kIdSpice ? m_bSpice : m_bPartialDerivation) = on;
            if (id == kIdSpice) m_bSpicePresent = TRUE;
        }
        SelectUnit(param, m_cmbUnits, kTimeUnitLists);
    });

    UpdateData(FALSE);
    if (!HasParamWithValueID(m_pParams, kIdSpice)) ShowControl(kIdSpice, FALSE);
    const WORD outputs[][2] = {{kIdOutputVoltage, kIdOutputVoltage},
                               {kIdOutputCurrent, kIdOutputCurrent},
                               {kIdOutputValue, kIdValue}};
    for (const auto& output : outputs)
        if (HasParamWithValueID(m_pParams, output[1])) SetDlgItemText(output[0], DescriptionWithUnit(output[1]));

    if (m_bTimeFunctions) UpdateInputControls();
    GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bOutputCurrent);
    GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bOutputVoltage);
    GetSDBOutput(m_pParams, kIdValue, &m_bOutputValue);
    UpdateData(FALSE);
    SyncAmplitudeRadios();

    if (m_radConstant.GetSafeHwnd() != nullptr && m_radTimeControlled.GetSafeHwnd() != nullptr &&
        m_cmbForm.GetSafeHwnd() != nullptr) {
        if (m_nKind > kKindConstant) {
            CheckDlgButton(kCtlTimeControlled, BST_CHECKED);
            CheckDlgButton(kCtlConstant, BST_UNCHECKED);
            if (IsTimeKind(m_nKind)) m_cmbForm.SetCurSel(m_nKind);
            UpdateInputControls();
            Invalidate();
        } else {
            CheckDlgButton(kCtlConstant, BST_CHECKED);
            CheckDlgButton(kCtlTimeControlled, BST_UNCHECKED);
            UpdateInputControls();
        }
    }

    EnablePinnedFields();
    if (!m_bTimeFunctions) {
        for (int id : kHiddenWithoutTimeFunctions) ShowControl(id, FALSE);
        ShowControl(kCtlValueLabel, TRUE);
    }
    SetModified(FALSE);
    return TRUE;
}

void CPropLinearSource::UpdateInputControls() {
    const BOOL constant = ShowInputMode();
    if (!constant) CheckDlgButton(kCtlTimeControlled, BST_CHECKED);
    ShowControl(kCtlNumericGroup, constant);
    ShowControl(kIdPartialDerivation, constant);

    SetModified(TRUE);
    if (!constant) UpdateTypeControls();

    EnableControl(kIdValue, !m_bUsePin && IsDlgButtonChecked(kCtlConstant) == BST_CHECKED);
    SetParamUsePin(m_pParams, kIdValue, m_bUsePin);
    SetModified(TRUE);
}

void CPropLinearSource::UpdateTypeControls() {
    const int selection = ShowFormControls();
    if (selection == kKindSine) SyncAmplitudeRadios();
    EnableControl(kIdAmplitude, m_bAmplitudeGiven != 0);
    EnableControl(kCtlRms, m_bAmplitudeGiven == 0);
    EnableFormFields(selection, TRUE);
}

BOOL CPropLinearSource::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (m_pParams == nullptr) return FALSE;
    ReadControls();
    qv::pages::StoreNameAndShowName(*m_pParams, m_strName, m_bShowName);
    UpdateAmplitudeFromRMS();
    UpdatePeriod();

    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (StoreSharedField(*param))
            TakeUnit(*param, m_cmbUnits, kTimeUnitLists);
        else if (id == kIdPartialDerivation || id == kIdSpice)
            param->SetValue(TBExtended_ftoa((id == kIdSpice ? m_bSpice : m_bPartialDerivation) ? 1.0 : 0.0, -1, 0, ""));
    });

    return CommitKindAndList();
}

BOOL CPropLinearSource::OnSetActive() {
    GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bOutputCurrent);
    GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bOutputVoltage);
    GetSDBOutput(m_pParams, kIdValue, &m_bOutputValue);
    GetParamUsePin(m_pParams, kIdValue, &m_bUsePin);
    if (GetSafeHwnd() != nullptr) {
        UpdateData(FALSE);
        EnableControl(kIdValue, !m_bUsePin && IsDlgButtonChecked(kCtlConstant) == BST_CHECKED);
    }
    SetParamUsePin(m_pParams, kIdValue, m_bUsePin);
    SetModified(FALSE);
    EnablePinnedFields();
    return CTBPropertyPage::OnSetActive();
}

void CPropLinearSource::MarkUnusedParameters() { MarkUnusedByKind(kOwnUnusedMarks); }

void CPropLinearSource::BuildCompareList(int) {}

void CPropLinearSource::FillCompareList(int kind, const char* valueName, bool voltage) {
    DeleteSnapshots(m_Snapshots);
    if (kind == kKindConstant) {
        if (voltage && !m_bTimeFunctions) {
            AppendSnapshot("P", nullptr);
        } else {
            AppendSnapshot(valueName, nullptr);
            AppendSnapshot("PARTDERIV", nullptr);
            if (voltage) AppendSnapshot("SPC", nullptr);
        }
    } else if (IsTimeKind(kind)) {
        if (kind == kKindTrapezoid)
            for (const char* name : kTrapezoidNames) AppendSnapshot(name, nullptr);
        else
            for (const char* name : kPeriodicNames) AppendSnapshot(name, nullptr);
        if (voltage) AppendSnapshot("SPC", nullptr);
    }
    AppendACSnapshots(kind);
}

void CPropLinearSourceV::BuildCompareList(int kind) { FillCompareList(kind, "EMF", true); }

void CPropLinearSourceI::BuildCompareList(int kind) { FillCompareList(kind, "IS", false); }

void CPropLinearSource::Serialize(CArchive& ar) {
    if (!SerializePageBlock(ar, RUNTIME_CLASS(CPropLinearSource), m_cmbUnits[kPhaseUnitIndex])) return;
    if (GetSafeHwnd() == nullptr) return;
    UpdateData(FALSE);
    UpdateData(TRUE);
    EnableControl(kIdPeriod, IsDlgButtonChecked(kCtlTimeControlled) == BST_CHECKED && m_bPeriodGiven);
    SyncAmplitudeRadios();
    EnablePinnedFields();
}

// Element data of the older wizard generation: what ReadOlderKindAndBlocks reads, then two
// blocks (length and bytes) that are skipped and the AC page's block (length and bytes). The
// settings go to the wizard however much of it fits.
void CPropLinearSource::ConvertWizard3Data(const void* data, long length) {
    const size_t size = data != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
    bool intact = ReadOlderKindAndBlocks(in, TRUE);
    DWORD blockLength = 0;
    for (int skipped = 0; skipped < 2 && intact; ++skipped)
        intact = in.ReadDword(blockLength) && in.SkipBytes(blockLength);

    if (intact) qv::pages::ReadOlderACBlock(in, ACPage());
    // The kind of the old data stands; the page block may have moved the list's selection.
    HandOverSettings();
}

// ---------------------------------------------------------------------------------------
// Control handlers.

void CPropLinearSource::OnOutputVoltage() {
    qv::pages::ReadAndFlipOutputSwitch(*this, m_pParams, m_bOutputVoltage, kIdOutputVoltage);
}

void CPropLinearSource::OnOutputCurrent() {
    qv::pages::ReadAndFlipOutputSwitch(*this, m_pParams, m_bOutputCurrent, kIdOutputCurrent);
}

void CPropLinearSource::OnOutputValue() {
    qv::pages::ReadAndFlipOutputSwitch(*this, m_pParams, m_bOutputValue, kIdValue, kIdOutputValue);
}

void CPropLinearSource::OnFormSelected() { UpdateTypeControls(); }

// ---------------------------------------------------------------------------------------
// What both wizards do, on their own page variant.

namespace qv::sources {

// "@TYPE" keywords: the constant's own ("E " or "I "), else the element's prefix and then
// the time function.
template <char Prefix>
struct LinearSourceFamily {
    using Wizard = CLinearSourceWizardBase4;
    static constexpr UINT kTemplate = kLinearSourceTemplate;

    static CString TypeKeyword(int kind) {
        const char prefix[] = {Prefix, '\0'};
        if (!IsTimeKind(kind)) return CString(prefix) + " ";
        return CString(prefix) + qv::sources::steps::kTimeFunctionKeywords[kind];
    }
};
using VoltageFamily = LinearSourceFamily<'E'>;
using CurrentFamily = LinearSourceFamily<'I'>;

} // namespace qv::sources

// ---------------------------------------------------------------------------------------

template class TTimeSourceWizard<CPropLinearSourceV, CLinearVoltageSourceWizard4, CLinearSourceWizardBase4,
                                  VoltageFamily>;
template class TTimeSourceWizard<CPropLinearSourceI, CLinearCurrentSourceWizard4, CLinearSourceWizardBase4,
                                  CurrentFamily>;
