#include "sources/linear_sources.h"

#include "framework/ac_page_steps.h"
#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/dialog_rects.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
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
using qv::snapshots::CopySnapshots;
using qv::snapshots::DeleteSnapshots;

IMPLEMENT_DYNAMIC(CLinearSourceWizardBase4, CACWizardBase4)
IMPLEMENT_SERIAL(CPropLinearSource, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropLinearSource)
IMPLEMENT_DYNAMIC(CLinearVoltageSourceWizard4, CLinearSourceWizardBase4)
IMPLEMENT_DYNAMIC(CLinearCurrentSourceWizard4, CLinearSourceWizardBase4)

using qv::pages::ReadArchivedBlock;

namespace {

// Dialog controls of template 101 that carry no parameter of their own.
constexpr int kCtlName = 2001;
constexpr int kCtlShowName = 2002;
constexpr int kCtlSymbolFrame = 2020;
constexpr int kCtlConstant = 2027;
constexpr int kCtlUsePin = 2030;
constexpr int kCtlTimeControlled = 2031;
constexpr int kCtlForm = 2032;
constexpr int kCtlAmplitudeLabel = 2033;
constexpr int kCtlRms = 2057;
constexpr int kCtlValueLabel = 2144;
constexpr int kCtlAmplitudeRadio = 2203;
constexpr int kCtlRmsRadio = 2204;
constexpr int kCtlPeriodFixed = 2205;
constexpr int kCtlNumericGroup = 2304;
constexpr int kCtlACUse = 2520;
constexpr int kCtlValueUnit = 2507;
constexpr int kCtlAmplitudeUnit = 2508;
constexpr int kCtlFrequencyUnit = 2509;
constexpr int kCtlFrequencyLabel = 2035;

// The ten unit lists, in the order of the page's members, with the parameter each serves.
struct UnitList {
    int control;
    WORD valueID;
};
constexpr UnitList kUnitLists[10] = {
    {.control = 2508, .valueID = kIdAmplitude}, {.control = 2512, .valueID = kIdDelay},
    {.control = 2509, .valueID = kIdFrequency}, {.control = 2514, .valueID = kIdOffset},
    {.control = 2510, .valueID = kIdPeriod},    {.control = 2513, .valueID = kIdPhase},
    {.control = 2517, .valueID = kIdWidth},     {.control = 2516, .valueID = kIdFall},
    {.control = 2515, .valueID = kIdRise},      {.control = kCtlValueUnit, .valueID = kIdValue},
};
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

// The fields, labels and unit lists of the time functions (enabled only while time-controlled).
constexpr int kTimeControls[] = {2035, 2036, 2038, 2039, 2040, 2041, 2042, 2045, 2047, 2048, 2049, 2050,
                                 2051, 2052, 2053, 2054, 2055, 2205, 2508, 2509, 2510, 2512, 2513, 2514,
                                 2515, 2516, 2517};
// Everything hidden when the element offers no time functions.
constexpr int kHiddenWithoutTimeFunctions[] = {
    2027, 2031, 2032, 2203, 2204, 2033, 2034, 2035, 2036, 2038, 2039, 2040, 2041, 2042, 2045, 2047, 2048,
    2049, 2050, 2051, 2052, 2053, 2054, 2055, 2205, 2304, 2305, 2508, 2509, 2510, 2512, 2513, 2514, 2515,
    2516, 2517};
constexpr int kTrapezoidControls[] = {2050, 2051, 2052, 2053, 2054, 2055, 2515, 2516, 2517};

// Which parameters each kind leaves unused (ExtType bit 0x20000).
enum class Mark { Clear, Set, Keep };
struct UnusedMarks {
    WORD valueID;
    Mark constant;
    Mark periodic;  // sine, pulse, triangle and both saw-tooth forms
    Mark trapezoid;
};
constexpr UnusedMarks kUnusedMarks[] = {
    {kIdAmplitude, Mark::Set, Mark::Clear, Mark::Clear},  {kIdPeriod, Mark::Set, Mark::Clear, Mark::Clear},
    {kIdDelay, Mark::Set, Mark::Clear, Mark::Clear},      {kIdPhase, Mark::Set, Mark::Clear, Mark::Clear},
    {kIdOffset, Mark::Set, Mark::Clear, Mark::Clear},     {kIdPeriodical, Mark::Set, Mark::Clear, Mark::Clear},
    {kIdFrequency, Mark::Set, Mark::Clear, Mark::Set},    {kIdRise, Mark::Set, Mark::Set, Mark::Clear},
    {kIdFall, Mark::Set, Mark::Set, Mark::Clear},         {kIdWidth, Mark::Set, Mark::Set, Mark::Clear},
    {kIdPartialDerivation, Mark::Clear, Mark::Set, Mark::Keep},
};

// Parameter names the time functions write, in writing order.
constexpr const char* kPeriodicNames[] = {"FREQ", "TPERIO", "AMPL", "PHASE", "PERIO", "OFF", "TDELAY"};
constexpr const char* kTrapezoidNames[] = {"TPERIO", "TRISE", "TFALL", "PWIDTH", "AMPL",
                                           "PHASE",  "PERIO", "OFF",   "TDELAY"};

BYTE MaskOf(int selection) { return static_cast<BYTE>(1u << selection); }

// A number typed by a user with its prefix, or nothing: non-finite values are no number.
bool ParseFinite(const CString& text, double* value) {
    return ParseValueWithPrefix(text, value) && std::isfinite(*value);
}

} // namespace

// ---------------------------------------------------------------------------------------
// The wizards' shared base.

CLinearSourceWizardBase4::CLinearSourceWizardBase4() = default;

CLinearSourceWizardBase4::CLinearSourceWizardBase4(const CLinearSourceWizardBase4* other) : CACWizardBase4(other) {
    if (other == nullptr) return;
    m_dwSchema = other->m_dwSchema;
    m_nKind = other->m_nKind;
    m_nListSelection = other->m_nListSelection;
    m_bPeriodFixed = other->m_bPeriodFixed;
    m_strRMS = other->m_strRMS;
    m_dwAmplitudeMode = other->m_dwAmplitudeMode;
    m_bACUse = other->m_bACUse;
    CopySnapshots(m_Snapshots, &other->m_Snapshots);
}

CLinearSourceWizardBase4::~CLinearSourceWizardBase4() { DeleteSnapshots(m_Snapshots); }

int CLinearSourceWizardBase4::GetWizardKind() { return 3; }

BOOL CLinearSourceWizardBase4::WantChangeNotification() { return TRUE; }

void CLinearSourceWizardBase4::SetSourceSettings(int kind, DWORD amplitudeMode, CString rmsText, BOOL periodFixed,
                                                 int listSelection, const CPtrArray* snapshots, BOOL acUse) {
    m_nKind = kind;
    m_dwAmplitudeMode = amplitudeMode;
    m_strRMS = rmsText;
    m_bPeriodFixed = periodFixed;
    m_nListSelection = listSelection;
    m_bACUse = acUse;
    // Handing over the wizard's own list leaves it as it is.
    if (snapshots != &m_Snapshots) CopySnapshots(m_Snapshots, snapshots);
}

BOOL CLinearSourceWizardBase4::DerivePeriodText(ParamHolder* holder, int kind, CString* period) const {
    return DerivePeriodFromParams(holder, kind == kKindTrapezoid, period);
}

void CLinearSourceWizardBase4::NotifyChanged(int changeType, CWizardCopaObject3* param) {
    if (changeType != 3 || param == nullptr) return;
    const RequestTarget target(this);
    ScopedParamSet params(target);
    if (m_bPeriodFixed) return;
    const WORD id = param->GetValueID();
    int derivation = -2;
    if (id == kIdFrequency) derivation = kKindSine;
    if (id == kIdRise || id == kIdFall || id == kIdWidth) derivation = kKindTrapezoid;
    CString period;
    if (derivation != -2 && DerivePeriodText(params.Holder(), derivation, &period) &&
        SetParamValue(params.Holder(), kIdPeriod, period))
        CommitParamSet(target, params.Cookie());
}

void CLinearSourceWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    CACWizardBase4::Serialize(ar, version);
    if (ar.IsStoring()) {
        m_dwSchema = 1;
        ar << static_cast<WORD>(m_dwSchema);
        ar << static_cast<DWORD>(m_nKind);
        ar << static_cast<DWORD>(m_nListSelection);
        ar << static_cast<DWORD>(m_bPeriodFixed);
        ar << m_strRMS;
        ar << m_dwAmplitudeMode;
        qv::snapshots::StoreSnapshots(ar, m_Snapshots);
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
    DWORD kind = 0;
    DWORD selection = 0;
    DWORD fixed = 0;
    ar >> kind >> selection >> fixed;
    m_nKind = static_cast<int>(kind);
    m_nListSelection = static_cast<int>(selection);
    m_bPeriodFixed = fixed != 0;
    ar >> m_strRMS;
    ar >> m_dwAmplitudeMode;
    qv::snapshots::LoadSnapshots(ar, m_Snapshots);
    if (schema == 1) {
        DWORD acUse = 0;
        ar >> acUse;
        m_bACUse = acUse != 0;
    }
}

// ---------------------------------------------------------------------------------------
// The page.

BEGIN_MESSAGE_MAP(CPropLinearSource, CTBPropertyPage)
    ON_BN_CLICKED(kCtlUsePin, &CPropLinearSource::OnUsePin)
    ON_BN_CLICKED(kIdOutputVoltage, &CPropLinearSource::OnOutputVoltage)
    ON_BN_CLICKED(kIdOutputCurrent, &CPropLinearSource::OnOutputCurrent)
    ON_BN_CLICKED(kIdOutputValue, &CPropLinearSource::OnOutputValue)
    ON_BN_CLICKED(kCtlConstant, &CPropLinearSource::OnConstant)
    ON_BN_CLICKED(kCtlTimeControlled, &CPropLinearSource::OnTimeControlled)
    ON_CBN_SELCHANGE(kCtlForm, &CPropLinearSource::OnFormSelected)
    ON_BN_CLICKED(kCtlAmplitudeRadio, &CPropLinearSource::OnAmplitude)
    ON_BN_CLICKED(kCtlRmsRadio, &CPropLinearSource::OnRmsValue)
    ON_BN_CLICKED(kCtlPeriodFixed, &CPropLinearSource::OnPeriodFixed)
    ON_EN_CHANGE(kCtlRms, &CPropLinearSource::OnRmsChanged)
    ON_EN_CHANGE(kIdFrequency, &CPropLinearSource::OnPeriodSourceChanged)
    ON_EN_CHANGE(kIdRise, &CPropLinearSource::OnPeriodSourceChanged)
    ON_EN_CHANGE(kIdFall, &CPropLinearSource::OnPeriodSourceChanged)
    ON_EN_CHANGE(kIdWidth, &CPropLinearSource::OnPeriodSourceChanged)
    ON_EN_CHANGE(kCtlName, &CPropLinearSource::OnFieldChanged)
    ON_EN_CHANGE(kIdValue, &CPropLinearSource::OnFieldChanged)
    ON_EN_CHANGE(kIdAmplitude, &CPropLinearSource::OnFieldChanged)
    ON_EN_CHANGE(kIdPeriod, &CPropLinearSource::OnFieldChanged)
    ON_EN_CHANGE(kIdDelay, &CPropLinearSource::OnFieldChanged)
    ON_EN_CHANGE(kIdPhase, &CPropLinearSource::OnFieldChanged)
    ON_EN_CHANGE(kIdOffset, &CPropLinearSource::OnFieldChanged)
    ON_BN_CLICKED(kCtlShowName, &CPropLinearSource::OnFieldChanged)
    ON_BN_CLICKED(kIdPartialDerivation, &CPropLinearSource::OnFieldChanged)
    ON_BN_CLICKED(kIdSpice, &CPropLinearSource::OnFieldChanged)
    ON_BN_CLICKED(kCtlACUse, &CPropLinearSource::OnFieldChanged)
    ON_CBN_SELCHANGE(kIdPeriodical, &CPropLinearSource::OnFieldChanged)
    ON_CBN_SELCHANGE(2507, &CPropLinearSource::OnFieldChanged)
    ON_CBN_SELCHANGE(2508, &CPropLinearSource::OnFieldChanged)
    ON_CBN_SELCHANGE(2509, &CPropLinearSource::OnFieldChanged)
    ON_CBN_SELCHANGE(2510, &CPropLinearSource::OnFieldChanged)
    ON_CBN_SELCHANGE(2512, &CPropLinearSource::OnFieldChanged)
    ON_CBN_SELCHANGE(2513, &CPropLinearSource::OnFieldChanged)
    ON_CBN_SELCHANGE(2514, &CPropLinearSource::OnFieldChanged)
    ON_CBN_SELCHANGE(2515, &CPropLinearSource::OnFieldChanged)
    ON_CBN_SELCHANGE(2516, &CPropLinearSource::OnFieldChanged)
    ON_CBN_SELCHANGE(2517, &CPropLinearSource::OnFieldChanged)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropLinearSource::CPropLinearSource() : TElementPage(kLinearSourceTemplate) {}

CPropLinearSource::CPropLinearSource(CLinearSourceWizardBase4* wizard, ParamHolder* params)
    : TElementPage(kLinearSourceTemplate, wizard, params) {
    SetLayout();
}

void CPropLinearSource::SetLayout() {
    qv::pages::RegisterLayout(*this, kLayout);
}

CPropACParameters* CPropLinearSource::ACPage() const {
    if (m_pOwnACPage != nullptr) return m_pOwnACPage;
    return m_pWizard ? m_pWizard->GetACPage() : nullptr;
}

void CPropLinearSource::SetSourceSettings(int kind, DWORD amplitudeMode, CString rmsText, BOOL periodFixed,
                                          int listSelection, const CPtrArray* snapshots, BOOL acUse) {
    m_nKind = kind;
    m_dwAmplitudeMode = amplitudeMode;
    m_strRMS = rmsText;
    m_bPeriodFixed = periodFixed;
    m_nListSelection = listSelection;
    m_bACUse = acUse;
    CopySnapshots(m_Snapshots, snapshots);
}

void CPropLinearSource::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    for (int i = 0; i < 10; ++i) DDX_Control(pDX, kUnitLists[i].control, m_cmbUnits[i]);
    DDX_Control(pDX, kCtlConstant, m_radConstant);
    DDX_Control(pDX, kCtlTimeControlled, m_radTimeControlled);
    DDX_Control(pDX, kCtlAmplitudeRadio, m_radAmplitude);
    DDX_Control(pDX, kCtlRmsRadio, m_radRms);
    DDX_Control(pDX, kIdPeriodical, m_cmbPeriodical);
    DDX_Control(pDX, kCtlForm, m_cmbForm);
    DDX_Check(pDX, kCtlShowName, m_bShowName);
    DDX_Check(pDX, kCtlUsePin, m_bUsePin);
    DDX_Text(pDX, kIdAmplitude, m_strAmplitude);
    DDX_Text(pDX, kIdDelay, m_strDelay);
    DDX_Text(pDX, kIdFall, m_strFall);
    DDX_Text(pDX, kIdFrequency, m_strFrequency);
    DDX_Text(pDX, kCtlName, m_strName);
    DDX_Text(pDX, kIdOffset, m_strOffset);
    DDX_Text(pDX, kIdPeriod, m_strPeriod);
    DDX_Text(pDX, kIdPhase, m_strPhase);
    DDX_Text(pDX, kIdWidth, m_strWidth);
    DDX_Text(pDX, kIdRise, m_strRise);
    DDX_Text(pDX, kIdValue, m_strValue);
    DDX_Check(pDX, kCtlPeriodFixed, m_bPeriodFixed);
    DDX_Text(pDX, kCtlRms, m_strRMS);
    DDX_Check(pDX, kIdOutputCurrent, m_bOutputCurrent);
    DDX_Check(pDX, kIdOutputVoltage, m_bOutputVoltage);
    DDX_Check(pDX, kIdOutputValue, m_bOutputValue);
    DDX_Check(pDX, kIdPartialDerivation, m_bPartialDerivation);
    DDX_Check(pDX, kIdSpice, m_bSpice);
    DDX_Check(pDX, kCtlACUse, m_bACUse);
}

void CPropLinearSource::ReadControls() {
    if (GetSafeHwnd() == nullptr) return;
    UpdateData(TRUE);
    // A list without a valid selection keeps the stored selection.
    const int selection = FormSelection();
    if (selection >= 0) m_nListSelection = selection;
}

int CPropLinearSource::FormSelection() const {
    if (m_cmbForm.GetSafeHwnd() == nullptr) return -1;
    const int selection = m_cmbForm.GetCurSel();
    return IsTimeKind(selection) ? selection : -1;
}

int CPropLinearSource::KindFromControls(int fallback) const {
    if (m_radConstant.GetSafeHwnd() == nullptr || m_cmbForm.GetSafeHwnd() == nullptr) return fallback;
    if (m_radConstant.GetCheck() == BST_CHECKED) return kKindConstant;
    const int selection = FormSelection();
    return selection >= 0 ? selection : fallback;
}

void CPropLinearSource::SyncAmplitudeRadios() {
    CheckDlgButton(kCtlAmplitudeRadio, m_dwAmplitudeMode ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(kCtlRmsRadio, m_dwAmplitudeMode ? BST_UNCHECKED : BST_CHECKED);
}

BOOL CPropLinearSource::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    // The stored selection is shown while the constant value is chosen too, so that it
    // survives an apply.
    m_cmbForm.SetCurSel(IsTimeKind(m_nListSelection) ? m_nListSelection : 0);
    m_cmbPeriodical.SetCurSel(0);
    CheckDlgButton(kCtlConstant, BST_CHECKED);
    CheckDlgButton(kCtlAmplitudeRadio, BST_CHECKED);
    UpdateData(FALSE);

    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    for (CTBUnitComboBox& combo : m_cmbUnits) combo.DisableFlatLook(TRUE);

    const int count = m_pParams ? m_pParams->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        CWizardCopaObject3* param = m_pParams->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        const WORD id = param->GetValueID();
        if (id == kIdValue) {
            m_bUsePin = param->HasPin();
            m_strValue = param->GetValue();
            SetDlgItemText(kCtlConstant, GetParamDescriptionText(m_pWizard, m_pParams, kIdValue));
        }
        if (id != kIdValue && (param->GetType() & kParamTypeInput) == 0) continue;
        CString* text = nullptr;
        switch (id) {
        case kIdAmplitude: text = &m_strAmplitude, m_bTimeFunctions = TRUE; break;
        case kIdDelay: text = &m_strDelay; break;
        case kIdFall: text = &m_strFall; break;
        case kIdFrequency: text = &m_strFrequency; break;
        case kIdOffset: text = &m_strOffset; break;
        case kIdPeriod: text = &m_strPeriod; break;
        case kIdPhase: text = &m_strPhase; break;
        case kIdWidth: text = &m_strWidth; break;
        case kIdRise: text = &m_strRise; break;
        case kIdPeriodical: {
            double value = 0.0;
            const bool no = ParseFinite(param->GetValue(), &value) && value == 0.0;
            m_cmbPeriodical.SetCurSel(no ? 1 : 0);
            break;
        }
        case kIdPartialDerivation:
        case kIdSpice: {
            double value = 0.0;
            const BOOL on = ParseFinite(param->GetValue(), &value) && value != 0.0;
            (id == kIdSpice ? m_bSpice : m_bPartialDerivation) = on;
            if (id == kIdSpice) m_bSpicePresent = TRUE;
            break;
        }
        default:
            break;
        }
        if (text != nullptr) *text = param->GetValue();
        for (int u = 0; u < 10; ++u) {
            if (kUnitLists[u].valueID != id) continue;
            m_cmbUnits[u].CreateDialogControl(param->GetQuantity());
            m_cmbUnits[u].SelectString(-1, param->GetUsedUnit());
        }
    }

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
    ReadControls();
    const BOOL constant = IsDlgButtonChecked(kCtlConstant) == BST_CHECKED;
    if (constant) {
        InvalidateDlgItemRect(m_pSymbol, 0, kCtlSymbolFrame, this);
        SetParamAsInput(m_pParams, kIdValue);
    } else {
        SetParamAsOutput(m_pParams, kIdValue);
        CheckDlgButton(kCtlTimeControlled, BST_CHECKED);
    }
    for (int id : {static_cast<int>(kIdValue), kCtlUsePin, kCtlValueUnit, kCtlACUse}) EnableControl(id, constant);
    EnableControl(kCtlForm, !constant);
    EnableControl(kCtlAmplitudeLabel, !constant);
    for (int id : kTimeControls) EnableControl(id, !constant);
    EnableControl(kIdAmplitude, !constant && m_dwAmplitudeMode != 0);
    EnableControl(kCtlRms, !constant && m_dwAmplitudeMode == 0);

    ShowControl(kCtlAmplitudeLabel, TRUE);
    for (int id : {kCtlAmplitudeRadio, kCtlRmsRadio, kCtlRms}) ShowControl(id, FALSE);
    ShowControl(kCtlNumericGroup, constant);
    ShowControl(kIdPartialDerivation, constant);

    SetModified(TRUE);
    if (!constant) UpdateTypeControls();

    EnableControl(kIdValue, !m_bUsePin && IsDlgButtonChecked(kCtlConstant) == BST_CHECKED);
    SetParamUsePin(m_pParams, kIdValue, m_bUsePin);
    SetModified(TRUE);
}

void CPropLinearSource::UpdateTypeControls() {
    ReadControls();
    const int selection = FormSelection();
    // Without a selection the symbol keeps its mask.
    if (selection >= 0) InvalidateDlgItemRect(m_pSymbol, MaskOf(selection), kCtlSymbolFrame, this);
    const bool sine = selection == kKindSine;
    ShowControl(kCtlAmplitudeLabel, !sine);
    for (int id : {kCtlAmplitudeRadio, kCtlRmsRadio, kCtlRms}) ShowControl(id, sine);
    if (sine) SyncAmplitudeRadios();

    EnableControl(kCtlAmplitudeLabel, TRUE);
    EnableControl(kIdAmplitude, m_dwAmplitudeMode != 0);
    EnableControl(kCtlRms, m_dwAmplitudeMode == 0);
    EnableControl(kCtlAmplitudeUnit, TRUE);

    const bool trapezoid = selection == kKindTrapezoid;
    for (int id : {kCtlFrequencyLabel, static_cast<int>(kIdFrequency), kCtlFrequencyUnit}) EnableControl(id, !trapezoid);
    for (int id : kTrapezoidControls) EnableControl(id, trapezoid);

    EnableControl(kIdPeriod, IsDlgButtonChecked(kCtlTimeControlled) == BST_CHECKED && m_bPeriodFixed);
    EnablePinnedFields();
    Invalidate();
    SetModified(TRUE);
}

void CPropLinearSource::EnablePinnedFields() {
    if (GetSafeHwnd() == nullptr || IsDlgButtonChecked(kCtlTimeControlled) != BST_CHECKED) return;
    const int selection = FormSelection();
    const bool sine = selection == kKindSine;
    const BOOL amplitudeFree = IsParamNotOnPin(m_pParams, kIdAmplitude);
    if (!(sine && m_dwAmplitudeMode == 0)) {
        EnableControl(kIdAmplitude, amplitudeFree);
        EnableControl(kCtlAmplitudeRadio, amplitudeFree);
    }
    if (!(sine && m_dwAmplitudeMode != 0)) {
        EnableControl(kCtlRms, amplitudeFree);
        EnableControl(kCtlRmsRadio, amplitudeFree);
    }
    for (WORD id : {kIdDelay, kIdOffset, kIdPeriodical, kIdPhase}) EnableControl(id, IsParamNotOnPin(m_pParams, id));
    if (m_bPeriodFixed) EnableControl(kIdPeriod, IsParamNotOnPin(m_pParams, kIdPeriod));
    if (selection == kKindTrapezoid) {
        for (WORD id : {kIdWidth, kIdRise, kIdFall}) EnableControl(id, IsParamNotOnPin(m_pParams, id));
    } else {
        EnableControl(kIdFrequency, IsParamNotOnPin(m_pParams, kIdFrequency));
    }
}

void CPropLinearSource::SetPeriodText(const CString& text) {
    m_strPeriod = text;
    if (GetSafeHwnd() != nullptr) SetDlgItemText(kIdPeriod, text);
}

void CPropLinearSource::UpdatePeriod() {
    if (m_bPeriodFixed) return;
    CString period;
    if (PeriodFieldText(FormSelection() == kKindTrapezoid, m_strRise, m_strWidth, m_strFall, m_strFrequency, &period))
        SetPeriodText(period);
}

void CPropLinearSource::UpdateAmplitudeFromRMS() {
    if (FormSelection() != kKindSine || IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED) return;
    m_strAmplitude = AmplitudeFromRMSText(m_strRMS);
    SetDlgItemText(kIdAmplitude, m_strAmplitude);
}

BOOL CPropLinearSource::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (m_pParams == nullptr) return FALSE;
    ReadControls();
    qv::pages::StoreNameAndShowName(*m_pParams, m_strName, m_bShowName);
    UpdateAmplitudeFromRMS();
    UpdatePeriod();

    for (int i = 0; i < m_pParams->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pParams->GetParam(i);
        if (param == nullptr || param->IsDeleted() || (param->GetType() & kParamTypeInput) == 0) continue;
        const WORD id = param->GetValueID();
        const CString* text = nullptr;
        switch (id) {
        case kIdAmplitude: text = &m_strAmplitude; break;
        case kIdDelay: text = &m_strDelay; break;
        case kIdFall: text = &m_strFall; break;
        case kIdFrequency: text = &m_strFrequency; break;
        case kIdOffset: text = &m_strOffset; break;
        case kIdPeriod: text = &m_strPeriod; break;
        case kIdPhase: text = &m_strPhase; break;
        case kIdWidth: text = &m_strWidth; break;
        case kIdRise: text = &m_strRise; break;
        case kIdValue: text = &m_strValue; break;
        case kIdPeriodical:
            param->SetValue(TBExtended_ftoa(m_cmbPeriodical.GetCurSel() == 0 ? 1.0 : 0.0, -1, 0, ""));
            break;
        case kIdPartialDerivation:
            param->SetValue(TBExtended_ftoa(m_bPartialDerivation ? 1.0 : 0.0, -1, 0, ""));
            break;
        case kIdSpice:
            param->SetValue(TBExtended_ftoa(m_bSpice ? 1.0 : 0.0, -1, 0, ""));
            break;
        default:
            break;
        }
        if (text == nullptr) continue;
        param->SetValue(*text);
        for (int u = 0; u < 10; ++u) {
            // A list without units (no quantity) leaves the used unit as it is.
            if (kUnitLists[u].valueID != id || m_cmbUnits[u].GetSafeHwnd() == nullptr || m_cmbUnits[u].GetCount() == 0)
                continue;
            CString unit;
            m_cmbUnits[u].GetWindowText(unit);
            param->SetUsedUnit(unit);
        }
    }

    const bool constant = IsDlgButtonChecked(kCtlConstant) == BST_CHECKED;
    const int selection = FormSelection();
    if (constant)
        m_pParams->m_bySymbolVariant = 0;
    else if (selection >= 0)
        m_pParams->m_bySymbolVariant = MaskOf(selection);
    m_nKind = KindFromControls(m_nKind);
    if (m_radAmplitude.GetSafeHwnd() != nullptr)
        m_dwAmplitudeMode = IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED ? 1 : 0;

    BuildCompareList(m_nKind);
    HandOverSettings();
    if (!CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams))) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropLinearSource::HandOverSettings() {
    if (m_pWizard == nullptr) return;
    // Without an AC page the wizard keeps its own AC mode.
    if (CPropACParameters* ac = ACPage()) m_pWizard->SetACMode(ac->GetMode());
    m_pWizard->SetSourceSettings(m_nKind, m_dwAmplitudeMode, m_strRMS, m_bPeriodFixed, m_nListSelection, &m_Snapshots,
                                 m_bACUse);
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

BOOL CPropLinearSource::OnKillActive() {
    ReadControls();
    MarkUnusedParameters();
    if (CPropACParameters* ac = ACPage()) {
        const bool constant = IsDlgButtonChecked(kCtlConstant) == BST_CHECKED;
        const bool noSelection = m_cmbForm.GetSafeHwnd() == nullptr || m_cmbForm.GetCurSel() < 0;
        ac->SetLocked(m_bACUse && (constant || noSelection) ? 1 : 0);
        if (m_bACUse) ac->PresetMagnitudeAndPhase(m_strValue, "0");
    }
    return CTBPropertyPage::OnKillActive();
}

void CPropLinearSource::MarkUnusedParameters() {
    const int kind = KindFromControls(m_nKind);
    if (kind < kKindConstant || kind >= kKindCount) return;
    for (const UnusedMarks& entry : kUnusedMarks) {
        const Mark mark = kind == kKindConstant ? entry.constant
                          : kind == kKindTrapezoid ? entry.trapezoid
                                                   : entry.periodic;
        if (mark != Mark::Keep) SetParamExtBit(m_pParams, entry.valueID, mark == Mark::Set);
    }
}

void CPropLinearSource::StoreSettings(int handOver) {
    ReadControls();
    m_nKind = KindFromControls(m_nKind);
    BuildCompareList(m_nKind);
    if (handOver == 1) HandOverSettings();
}

void CPropLinearSource::BuildCompareList(int) {}

void CPropLinearSource::AppendSnapshot(const char* name, const char* rename) {
    qv::snapshots::AppendSnapshotOf(m_Snapshots, m_pParams, name, rename);
}

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
    const CPropACParameters* ac = ACPage();
    if (kind == kKindConstant && m_bACUse) {
        AppendSnapshot("AC_PHASE", "@AC_PHASE_VAL");
        AppendSnapshot("AC_MAG", "@AC_MAG_VAL");
    } else if (ac != nullptr && ac->GetMode() != 0) {
        AppendSnapshot("AC_RE", "@AC_PHASE");
        AppendSnapshot("AC_IM", "@AC_MAG");
    } else {
        AppendSnapshot("AC_PHASE", nullptr);
        AppendSnapshot("AC_MAG", nullptr);
    }
}

void CPropLinearSourceV::BuildCompareList(int kind) { FillCompareList(kind, "EMF", true); }

void CPropLinearSourceI::BuildCompareList(int kind) { FillCompareList(kind, "IS", false); }

void CPropLinearSource::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ReadControls();
        if (m_radAmplitude.GetSafeHwnd() != nullptr)
            m_dwAmplitudeMode = IsDlgButtonChecked(kCtlAmplitudeRadio) == BST_CHECKED ? 1 : 0;
        ar.SerializeClass(RUNTIME_CLASS(CPropLinearSource));
        ar << g_dwPageVersion;
        ar << m_dwAmplitudeMode;
        ar << m_strRMS;
        ar << static_cast<DWORD>(m_bPeriodFixed);
        ar << static_cast<DWORD>(m_nListSelection);
        return;
    }
    try {
        const UINT schema = ReadClassReferenceOrRewind(ar, RUNTIME_CLASS(CPropLinearSource));
        DWORD version = schema;
        if (schema >= 1) ar >> version;
        DWORD amplitude = 0;
        ar >> amplitude;
        m_dwAmplitudeMode = amplitude != 0 ? 1 : 0;
        ar >> m_strRMS;
        DWORD fixed = 0;
        ar >> fixed;
        m_bPeriodFixed = fixed != 0;
        if (GetSafeHwnd() != nullptr) {
            UpdateData(FALSE);
            SyncAmplitudeRadios();
        }
        if (version >= 1 && version <= 9) {
            DWORD phaseUnit = 0;
            ar >> phaseUnit;
            const char* unit = phaseUnit == 1 ? "rad" : "deg";
            if (m_cmbUnits[kPhaseUnitIndex].GetSafeHwnd() != nullptr) m_cmbUnits[kPhaseUnitIndex].SelectString(-1, unit);
            if (CWizardCopaObject3* phase = FindParamByValueID(m_pParams, kIdPhase)) {
                phase->SetUsedUnit(unit);
                CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams));
            }
        }
        if (version >= 9) {
            DWORD selection = 0;
            ar >> selection;
            // A selection out of range keeps the stored one.
            if (IsTimeKind(static_cast<int>(selection))) {
                m_nListSelection = static_cast<int>(selection);
                if (m_cmbForm.GetSafeHwnd() != nullptr) m_cmbForm.SetCurSel(m_nListSelection);
            }
        }
    } catch (CArchiveException* e) {
        e->Delete();
    }
    if (GetSafeHwnd() == nullptr) return;
    UpdateData(FALSE);
    UpdateData(TRUE);
    EnableControl(kIdPeriod, IsDlgButtonChecked(kCtlTimeControlled) == BST_CHECKED && m_bPeriodFixed);
    SyncAmplitudeRadios();
    EnablePinnedFields();
}

// Element data of the older wizard generation, all numbers little-endian DWORDs:
//   kind (negative for the constant value), snapshot count, snapshot block length S and S
//   bytes of archived snapshots, page block length P and P bytes of the page's archive
//   block, two blocks (length and bytes) that are skipped, the AC page's block (length and
//   bytes).
// Only whole fields are read and every length is checked against what remains; a part
// that does not fit ends the reading, keeps what was read before it, and the settings go
// to the wizard all the same.
void CPropLinearSource::ConvertWizard3Data(const void* data, long length) {
    DeleteSnapshots(m_Snapshots);
    const size_t size = data != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
    const bool window = m_radConstant.GetSafeHwnd() != nullptr && m_radTimeControlled.GetSafeHwnd() != nullptr;
    DWORD value = 0;
    bool intact = in.ReadDword(value);
    if (intact) {
        const int kind = static_cast<int>(value);
        if (kind < 0) {
            m_nKind = kKindConstant;
            if (window) {
                CheckDlgButton(kCtlConstant, BST_CHECKED);
                CheckDlgButton(kCtlTimeControlled, BST_UNCHECKED);
                UpdateData(FALSE);
                UpdateInputControls();
            }
        } else if (IsTimeKind(kind)) {
            // A kind beyond the six time functions leaves the page as it is.
            m_nKind = kind;
            if (window) {
                CheckDlgButton(kCtlConstant, BST_UNCHECKED);
                CheckDlgButton(kCtlTimeControlled, BST_CHECKED);
                UpdateData(FALSE);
                if (m_cmbForm.GetSafeHwnd() != nullptr) m_cmbForm.SetCurSel(kind);
                UpdateInputControls();
                Invalidate();
            }
        }
    }

    DWORD count = 0;
    DWORD blockLength = 0;
    intact = intact && in.ReadDword(count) && in.ReadDword(blockLength) && in.Fits(blockLength);
    if (intact) qv::snapshots::ReadSnapshotBlock(in, count, blockLength, m_Snapshots);

    intact = intact && in.ReadDword(blockLength) && in.Fits(blockLength);
    if (intact) {
        ReadArchivedBlock(in.Position(), blockLength, [this](CArchive& ar) { Serialize(ar); });
        in.SkipBytes(blockLength);
    }
    for (int skipped = 0; skipped < 2 && intact; ++skipped)
        intact = in.ReadDword(blockLength) && in.SkipBytes(blockLength);

    if (intact) qv::pages::ReadOlderACBlock(in, ACPage());
    // The kind of the old data stands; the page block may have moved the list's selection.
    HandOverSettings();
}

void CPropLinearSource::OnPaint() { qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText); }

// ---------------------------------------------------------------------------------------
// Control handlers.

void CPropLinearSource::OnUsePin() {
    ReadControls();
    EnableControl(kIdValue, !m_bUsePin && IsDlgButtonChecked(kCtlConstant) == BST_CHECKED);
    SetParamUsePin(m_pParams, kIdValue, m_bUsePin);
    SetModified(TRUE);
}

// A default-output box switches the element's output at once. The new state is the
// opposite of the one the page showed before the click, whatever the box did itself.
static void ToggleOutput(CPropLinearSource* page, BOOL& flag, int controlID, WORD valueID, ParamHolder* params) {
    const BOOL before = flag;
    page->UpdateData(TRUE);
    page->SetModified(TRUE);
    flag = before ? FALSE : TRUE;
    SetSDBOutput(params, valueID, flag);
    page->CheckDlgButton(controlID, flag ? BST_CHECKED : BST_UNCHECKED);
}

void CPropLinearSource::OnOutputVoltage() {
    ToggleOutput(this, m_bOutputVoltage, kIdOutputVoltage, kIdOutputVoltage, m_pParams);
}

void CPropLinearSource::OnOutputCurrent() {
    ToggleOutput(this, m_bOutputCurrent, kIdOutputCurrent, kIdOutputCurrent, m_pParams);
}

void CPropLinearSource::OnOutputValue() { ToggleOutput(this, m_bOutputValue, kIdOutputValue, kIdValue, m_pParams); }

void CPropLinearSource::OnConstant() {
    CheckDlgButton(kCtlConstant, BST_CHECKED);
    CheckDlgButton(kCtlTimeControlled, BST_UNCHECKED);
    ReadControls();
    SetModified(TRUE);
    UpdateInputControls();
}

void CPropLinearSource::OnTimeControlled() {
    CheckDlgButton(kCtlTimeControlled, BST_CHECKED);
    CheckDlgButton(kCtlConstant, BST_UNCHECKED);
    ReadControls();
    SetModified(TRUE);
    UpdateInputControls();
}

void CPropLinearSource::OnFormSelected() { UpdateTypeControls(); }

void CPropLinearSource::OnAmplitude() {
    if (IsDlgButtonChecked(kCtlTimeControlled) != BST_CHECKED) return;
    m_dwAmplitudeMode = 1;
    CheckDlgButton(kCtlRmsRadio, BST_UNCHECKED);
    EnableControl(kIdAmplitude, TRUE);
    EnableControl(kCtlRms, FALSE);
    SetModified(TRUE);
    EnablePinnedFields();
}

void CPropLinearSource::OnRmsValue() {
    m_dwAmplitudeMode = 0;
    CheckDlgButton(kCtlAmplitudeRadio, BST_UNCHECKED);
    EnableControl(kIdAmplitude, FALSE);
    EnableControl(kCtlRms, TRUE);
    SetModified(TRUE);
    EnablePinnedFields();
}

void CPropLinearSource::OnPeriodFixed() {
    ReadControls();
    SetModified(TRUE);
    EnableControl(kIdPeriod, IsDlgButtonChecked(kCtlTimeControlled) == BST_CHECKED && m_bPeriodFixed);
}

void CPropLinearSource::OnRmsChanged() {
    ReadControls();
    SetModified(TRUE);
    UpdateAmplitudeFromRMS();
}

void CPropLinearSource::OnPeriodSourceChanged() {
    ReadControls();
    SetModified(TRUE);
    UpdatePeriod();
}

void CPropLinearSource::OnFieldChanged() {
    ReadControls();
    SetModified(TRUE);
}

// ---------------------------------------------------------------------------------------
// What both wizards do, on their own page variant.

namespace qv::sources {

// "@TYPE" keywords: the constant's own ("E " or "I "), else the element's prefix and then
// the time function.
template <char Prefix>
struct LinearSourceFamily {
    using Wizard = CLinearSourceWizardBase4;
    using PageBase = CPropLinearSource;
    static constexpr UINT kTemplate = kLinearSourceTemplate;

    static int Kind(const Wizard& wizard) { return wizard.GetKind(); }
    static BOOL PeriodGiven(const Wizard& wizard) { return wizard.GetPeriodFixed(); }
    static void GiveSettings(PageBase& page, Wizard& wizard) {
        page.SetSourceSettings(wizard.GetKind(), wizard.GetAmplitudeMode(), wizard.GetRMSText(),
                               wizard.GetPeriodFixed(), wizard.GetListSelection(), &wizard.GetSnapshots(),
                               wizard.GetACUse());
    }
    static void TakeList(Wizard& wizard, const PageBase& page) {
        wizard.SetSourceSettings(wizard.GetKind(), wizard.GetAmplitudeMode(), wizard.GetRMSText(),
                                 wizard.GetPeriodFixed(), wizard.GetListSelection(), &page.GetSnapshots(),
                                 wizard.GetACUse());
    }
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
