#include "framework/ac_parameters.h"

#include "framework/data_classes.h"
#include "framework/control_layout.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/requests.h"
#include "framework/shown_unit.h"

#include <new>
#include <vector>

using namespace qv::ac;

IMPLEMENT_DYNAMIC(CACWizardBase4, CWizardBase4)
IMPLEMENT_SERIAL(CPropACParameters, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropACParameters)

namespace {

constexpr int kCtlPhaseMagnitude = 2330;
constexpr int kCtlRealImaginary = 2428;
constexpr int kCtlMagnitudeLabel = 2424;
constexpr int kCtlPhaseLabel = 2433;
constexpr int kCtlRealLabel = 2429;
constexpr int kCtlImaginaryLabel = 2431;
constexpr int kCtlMagnitudeUnit = 2516;
constexpr int kCtlPhaseUnit = 2517;
constexpr int kCtlRealUnit = 2518;
constexpr int kCtlImaginaryUnit = 2519;
constexpr int kCtlMagnitudePin = 2033;
constexpr int kCtlPhasePin = 2321;
constexpr int kCtlRealPin = 2035;
constexpr int kCtlImaginaryPin = 2036;
constexpr int kCtlMagnitudeHint = 2032;
constexpr int kCtlPhaseHint = 2031;
constexpr int kCtlRealHint = 2030;
constexpr int kCtlImaginaryHint = 2029;

constexpr qv::pages::ControlLayout kLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2029, .flags = 33}, {.id = 2030, .flags = 33}, {.id = 2031, .flags = 33},
    {.id = 2032, .flags = 33}, {.id = 2033, .flags = 34}, {.id = 2321, .flags = 34}, {.id = 2035, .flags = 34},
    {.id = 2036, .flags = 34}, {.id = 2330, .flags = 33}, {.id = 2428, .flags = 33}, {.id = 2424, .flags = 33},
    {.id = 2433, .flags = 33}, {.id = 2429, .flags = 33}, {.id = 2431, .flags = 33}, {.id = 2425, .flags = 35},
    {.id = 2434, .flags = 35}, {.id = 2430, .flags = 35}, {.id = 2432, .flags = 35}, {.id = 2516, .flags = 34},
    {.id = 2517, .flags = 34}, {.id = 2518, .flags = 34}, {.id = 2519, .flags = 34},
};

// How a control stands in one of the page's three states.
enum class Rule { Off, On, OnWhenBoxClear };

// The state table: every control's rule in "Phase && Magnitude", "Real && Imaginary" and
// locked. An edit's rule "OnWhenBoxClear" looks at the "Use Pin" box of its own row.
struct ControlState {
    int id;
    int pinBox;  // the box an edit follows; 0 for other controls
    Rule phaseMagnitude;
    Rule realImaginary;
    Rule locked;
};
constexpr ControlState kStates[] = {
    {kCtlPhaseMagnitude, 0, Rule::On, Rule::On, Rule::Off},
    {kCtlRealImaginary, 0, Rule::On, Rule::On, Rule::Off},
    {kCtlMagnitudeLabel, 0, Rule::On, Rule::Off, Rule::On},
    {kCtlPhaseLabel, 0, Rule::On, Rule::Off, Rule::On},
    {kIdMagnitude, kCtlMagnitudePin, Rule::OnWhenBoxClear, Rule::Off, Rule::Off},
    {kIdPhase, kCtlPhasePin, Rule::OnWhenBoxClear, Rule::Off, Rule::Off},
    // A locked page's magnitude and phase are the source page's, in the unit of its value:
    // a unit chosen here would be stored beside a value that the description does not scale.
    {kCtlMagnitudeUnit, 0, Rule::On, Rule::Off, Rule::Off},
    {kCtlPhaseUnit, 0, Rule::On, Rule::Off, Rule::Off},
    {kCtlMagnitudePin, 0, Rule::On, Rule::Off, Rule::Off},
    {kCtlPhasePin, 0, Rule::On, Rule::Off, Rule::Off},
    {kCtlMagnitudeHint, 0, Rule::On, Rule::Off, Rule::On},
    {kCtlPhaseHint, 0, Rule::On, Rule::Off, Rule::On},
    {kCtlRealLabel, 0, Rule::Off, Rule::On, Rule::Off},
    {kCtlImaginaryLabel, 0, Rule::Off, Rule::On, Rule::Off},
    {kIdReal, kCtlRealPin, Rule::Off, Rule::OnWhenBoxClear, Rule::Off},
    {kIdImaginary, kCtlImaginaryPin, Rule::Off, Rule::OnWhenBoxClear, Rule::Off},
    {kCtlRealUnit, 0, Rule::Off, Rule::Off, Rule::Off},
    {kCtlImaginaryUnit, 0, Rule::Off, Rule::Off, Rule::Off},
    {kCtlRealPin, 0, Rule::Off, Rule::On, Rule::Off},
    {kCtlImaginaryPin, 0, Rule::Off, Rule::On, Rule::Off},
    {kCtlRealHint, 0, Rule::Off, Rule::On, Rule::Off},
    {kCtlImaginaryHint, 0, Rule::Off, Rule::On, Rule::Off},
};

constexpr char kUnitRadian[] = "rad";
constexpr char kUnitDegree[] = "deg";

} // namespace

// ---------------------------------------------------------------------------------------
// The wizard base.

CACWizardBase4::CACWizardBase4() = default;

CACWizardBase4::CACWizardBase4(const CACWizardBase4* other) : CWizardBase4(other) {
    if (other == nullptr) return;
    m_wACSchema = other->m_wACSchema;
    m_dwACMode = other->m_dwACMode;
}

// The page is the wizard's; a wizard destroyed while its sheet is still open does not leave
// it behind.
CACWizardBase4::~CACWizardBase4() {
    delete m_pACPage;
    m_pACPage = nullptr;
}

int CACWizardBase4::GetWizardKind() { return 3; }

BOOL CACWizardBase4::DoEditProperties(CPropertySheet& sheet, UINT mode) {
    if (mode != 1) return CWizardBase4::DoEditProperties(sheet, mode);
    CResourceSwitch resources;
    const RequestTarget target(this);
    const DWORD_PTR cookie = FetchParamSet(target);
    if (m_pACPage != nullptr) {
        // The page still holds the cookie of the earlier call: it goes back before the page
        // takes the new one, so that none is lost.
        ReleaseParamSet(target, reinterpret_cast<DWORD_PTR>(m_pACPage->GetParams()));
        m_pACPage->Rebind(this, HolderFromCookie(cookie));
    } else {
        m_pACPage = new (std::nothrow) CPropACParameters(this, HolderFromCookie(cookie));
    }
    if (m_pACPage == nullptr) {
        ReleaseParamSet(target, cookie);
        return FALSE;
    }
    m_pACPage->SetMode(m_dwACMode);
    sheet.AddPage(m_pACPage);
    return TRUE;
}

void CACWizardBase4::EndEditProperties() {
    if (m_pACPage != nullptr) {
        ReleaseParamSet(RequestTarget(this), reinterpret_cast<DWORD_PTR>(m_pACPage->GetParams()));
        delete m_pACPage;
        m_pACPage = nullptr;
    }
    DeleteOwnedObjects();
    ReleaseEditorDataHandle();
}

CWizardBase4* CACWizardBase4::Clone() { return new (std::nothrow) CACWizardBase4(this); }

void CACWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wACSchema = 0;
        ar << m_wACSchema;
        ar << m_dwACMode;
        return;
    }
    ar >> m_wACSchema;
    // A newer schema is not this base's to read: the mode stays as it is.
    if (m_wACSchema == 0) ar >> m_dwACMode;
}

// ---------------------------------------------------------------------------------------
// The page.

BEGIN_MESSAGE_MAP(CPropACParameters, CTBPropertyPage)
    ON_BN_CLICKED(kCtlPhaseMagnitude, &CPropACParameters::OnModeChanged)
    ON_BN_CLICKED(kCtlRealImaginary, &CPropACParameters::OnModeChanged)
    ON_BN_CLICKED(kCtlMagnitudePin, &CPropACParameters::OnMagnitudePin)
    ON_BN_CLICKED(kCtlRealPin, &CPropACParameters::OnRealPin)
    ON_BN_CLICKED(kCtlPhasePin, &CPropACParameters::OnPhasePin)
    ON_BN_CLICKED(kCtlImaginaryPin, &CPropACParameters::OnImaginaryPin)
    ON_CBN_SELCHANGE(kCtlMagnitudeUnit, &CPropACParameters::OnUnitChanged)
    ON_CBN_SELCHANGE(kCtlPhaseUnit, &CPropACParameters::OnUnitChanged)
    ON_CBN_SELCHANGE(kCtlRealUnit, &CPropACParameters::OnUnitChanged)
    ON_CBN_SELCHANGE(kCtlImaginaryUnit, &CPropACParameters::OnUnitChanged)
END_MESSAGE_MAP()

CPropACParameters::CPropACParameters() : CTBPropertyPage(kACTemplate) {}

CPropACParameters::CPropACParameters(CACWizardBase4* wizard, ParamHolder* params)
    : CTBPropertyPage(kACTemplate), m_pWizard(wizard), m_pParams(params) {
    SetLayout();
}

CPropACParameters::~CPropACParameters() = default;

void CPropACParameters::SetLayout() {
    qv::pages::RegisterLayout(*this, kLayout);
}

void CPropACParameters::Rebind(CACWizardBase4* wizard, ParamHolder* params) {
    m_pWizard = wizard;
    m_pParams = params;
}

void CPropACParameters::SetMode(DWORD mode) {
    m_dwMode = mode != 0 ? kModeRealImaginary : kModePhaseMagnitude;
    if (GetSafeHwnd() == nullptr) return;
    CheckDlgButton(kCtlRealImaginary, m_dwMode ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(kCtlPhaseMagnitude, m_dwMode ? BST_UNCHECKED : BST_CHECKED);
    ApplyControlStates();
}

void CPropACParameters::PresetMagnitudeAndPhase(const CString& magnitude, const CString& phase, const CString& unit) {
    m_strMagnitude = magnitude;
    m_strPhase = phase;
    m_strPresetUnit = unit;
    if (GetSafeHwnd() == nullptr) return;
    SetDlgItemText(kIdMagnitude, m_strMagnitude);
    SetDlgItemText(kIdPhase, m_strPhase);
    SelectPresetUnit();
}

void CPropACParameters::SelectPresetUnit() {
    if (m_dwLocked == 0 || m_strPresetUnit.IsEmpty() || m_cmbMagnitude.GetSafeHwnd() == nullptr) return;
    const int entry = m_cmbMagnitude.FindStringExact(-1, m_strPresetUnit);
    if (entry >= 0) m_cmbMagnitude.SetCurSel(entry);
}

void CPropACParameters::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Text(pDX, kIdImaginary, m_strImaginary);
    DDX_Text(pDX, kIdMagnitude, m_strMagnitude);
    DDX_Text(pDX, kIdPhase, m_strPhase);
    DDX_Text(pDX, kIdReal, m_strReal);
    DDX_Check(pDX, kCtlMagnitudePin, m_bMagnitudePin);
    DDX_Check(pDX, kCtlRealPin, m_bRealPin);
    DDX_Check(pDX, kCtlPhasePin, m_bPhasePin);
    DDX_Check(pDX, kCtlImaginaryPin, m_bImaginaryPin);
    DDX_Control(pDX, kCtlRealUnit, m_cmbReal);
    DDX_Control(pDX, kCtlImaginaryUnit, m_cmbImaginary);
    DDX_Control(pDX, kCtlMagnitudeUnit, m_cmbMagnitude);
    DDX_Control(pDX, kCtlPhaseUnit, m_cmbPhase);
}

BOOL CPropACParameters::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    for (CTBUnitComboBox* combo : {&m_cmbReal, &m_cmbImaginary, &m_cmbMagnitude, &m_cmbPhase})
        combo->DisableFlatLook(TRUE);

    const int count = m_pParams ? m_pParams->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        CWizardCopaObject3* param = m_pParams->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        CString* text = nullptr;
        BOOL* pin = nullptr;
        CTBUnitComboBox* combo = nullptr;
        bool lockable = false;
        switch (param->GetValueID()) {
        case kIdMagnitude:
            text = &m_strMagnitude, pin = &m_bMagnitudePin, combo = &m_cmbMagnitude, lockable = true;
            break;
        case kIdPhase:
            text = &m_strPhase, pin = &m_bPhasePin, combo = &m_cmbPhase, lockable = true;
            break;
        case kIdReal:
            text = &m_strReal, pin = &m_bRealPin, combo = &m_cmbReal;
            break;
        case kIdImaginary:
            text = &m_strImaginary, pin = &m_bImaginaryPin, combo = &m_cmbImaginary;
            break;
        default:
            continue;
        }
        // A locked page keeps what the source page preset for magnitude and phase.
        const bool takeValue = !(lockable && m_dwLocked != 0);
        if (takeValue) {
            if (param->HasPin()) *pin = TRUE;
            *text = param->GetValue();
        }
        qv::pages::ShowUnitsOf(*combo, param);
    }

    // A shared flag also ticks the other box of its pair, so that the mode change below writes
    // back what the element holds whichever pair the mode shows.
    if (m_bMagnitudePin) m_bRealPin = TRUE;
    if (m_bPhasePin) m_bImaginaryPin = TRUE;
    SelectPresetUnit();
    UpdateData(FALSE);
    CheckDlgButton(kCtlRealImaginary, m_dwMode ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(kCtlPhaseMagnitude, m_dwMode ? BST_UNCHECKED : BST_CHECKED);
    OnModeChanged();
    ApplyControlStates();
    SetModified(FALSE);
    return TRUE;
}

void CPropACParameters::ApplyControlStates() {
    if (GetSafeHwnd() == nullptr) return;
    for (const ControlState& state : kStates) {
        CWnd* control = GetDlgItem(state.id);
        if (control == nullptr) continue;
        const Rule rule = m_dwLocked != 0 ? state.locked : (m_dwMode != 0 ? state.realImaginary : state.phaseMagnitude);
        bool enable = rule != Rule::Off;
        if (rule == Rule::OnWhenBoxClear) enable = IsDlgButtonChecked(state.pinBox) == BST_UNCHECKED;
        control->EnableWindow(enable ? TRUE : FALSE);
    }
}

void CPropACParameters::WriteShownPinFlags() {
    const bool realImaginary = m_dwMode != 0;
    SetParamUsePin(m_pParams, kIdMagnitude, realImaginary ? m_bRealPin : m_bMagnitudePin);
    SetParamUsePin(m_pParams, kIdPhase, realImaginary ? m_bImaginaryPin : m_bPhasePin);
}

void CPropACParameters::OnModeChanged() {
    UpdateData(TRUE);
    m_dwMode = IsDlgButtonChecked(kCtlRealImaginary) ? kModeRealImaginary : kModePhaseMagnitude;
    CheckDlgButton(kCtlPhaseMagnitude, m_dwMode ? BST_UNCHECKED : BST_CHECKED);
    ApplyControlStates();
    WriteShownPinFlags();
    SetModified(TRUE);
}

void CPropACParameters::OnPinBox() {
    UpdateData(TRUE);
    ApplyControlStates();
    SetModified(TRUE);
}

void CPropACParameters::ShareMagnitudePin(BOOL onPin) {
    m_bMagnitudePin = m_bRealPin = onPin;
    if (GetSafeHwnd() != nullptr)
        for (int box : {kCtlMagnitudePin, kCtlRealPin}) CheckDlgButton(box, onPin ? BST_CHECKED : BST_UNCHECKED);
    SetParamUsePin(m_pParams, kIdMagnitude, onPin);
}

void CPropACParameters::SharePhasePin(BOOL onPin) {
    m_bPhasePin = m_bImaginaryPin = onPin;
    if (GetSafeHwnd() != nullptr)
        for (int box : {kCtlPhasePin, kCtlImaginaryPin}) CheckDlgButton(box, onPin ? BST_CHECKED : BST_UNCHECKED);
    SetParamUsePin(m_pParams, kIdPhase, onPin);
}

void CPropACParameters::OnMagnitudePin() {
    OnPinBox();
    ShareMagnitudePin(m_bMagnitudePin);
}

void CPropACParameters::OnRealPin() {
    OnPinBox();
    ShareMagnitudePin(m_bRealPin);
}

void CPropACParameters::OnPhasePin() {
    OnPinBox();
    SharePhasePin(m_bPhasePin);
}

void CPropACParameters::OnImaginaryPin() {
    OnPinBox();
    SharePhasePin(m_bImaginaryPin);
}

void CPropACParameters::OnUnitChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

BOOL CPropACParameters::OnSetActive() {
    const bool realImaginary = m_dwMode != 0;
    BOOL onPin = FALSE;
    if (GetParamUsePin(m_pParams, kIdMagnitude, &onPin)) {
        (realImaginary ? m_bRealPin : m_bMagnitudePin) = onPin;
        if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
        SetParamUsePin(m_pParams, kIdMagnitude, onPin);
        SetModified(TRUE);
    }
    if (GetParamUsePin(m_pParams, kIdPhase, &onPin)) {
        (realImaginary ? m_bImaginaryPin : m_bPhasePin) = onPin;
        if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
        SetParamUsePin(m_pParams, kIdPhase, onPin);
        SetModified(TRUE);
    }
    ApplyControlStates();
    return CTBPropertyPage::OnSetActive();
}

void CPropACParameters::MarkACParameters() {
    SetParamExtBit(m_pParams, kIdMagnitude, FALSE);
    SetParamExtBit(m_pParams, kIdPhase, FALSE);
    SetParamExtBit(m_pParams, kIdReal, TRUE);
    SetParamExtBit(m_pParams, kIdImaginary, TRUE);
}

bool CPropACParameters::FollowSourceQuantity(bool current) {
    if (m_pParams == nullptr) return false;
    const std::pair<WORD, CTBUnitComboBox*> lists[] = {
        {kIdMagnitude, &m_cmbMagnitude}, {kIdReal, &m_cmbReal}, {kIdImaginary, &m_cmbImaginary}};
    // A unit chosen on the page but not applied yet is the one that is mapped.
    if (GetSafeHwnd() != nullptr)
        for (const auto& [id, combo] : lists) qv::pages::WriteShownUnit(combo, FindParamByValueID(m_pParams, id));
    const bool changed = qv::ac::SwitchValueQuantity(m_pParams, current);
    if (GetSafeHwnd() == nullptr) return changed;
    for (const auto& [id, combo] : lists)
        if (const CWizardCopaObject3* param = FindParamByValueID(m_pParams, id)) qv::pages::ShowUnitsOf(*combo, param);
    return changed;
}

BOOL CPropACParameters::OnKillActive() {
    MarkACParameters();
    return CTBPropertyPage::OnKillActive();
}

BOOL CPropACParameters::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (m_pParams == nullptr) return FALSE;
    UpdateData(TRUE);
    for (int i = 0; i < m_pParams->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pParams->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        const CString* text = nullptr;
        CTBUnitComboBox* combo = nullptr;
        switch (param->GetValueID()) {
        case kIdMagnitude: text = &m_strMagnitude, combo = &m_cmbMagnitude; break;
        case kIdPhase: text = &m_strPhase, combo = &m_cmbPhase; break;
        case kIdReal: text = &m_strReal, combo = &m_cmbReal; break;
        case kIdImaginary: text = &m_strImaginary, combo = &m_cmbImaginary; break;
        default: continue;
        }
        param->SetValue(*text);
        if (!param->GetQuantity().IsEmpty() && combo->GetSafeHwnd() != nullptr) {
            CString unit;
            combo->GetWindowText(unit);
            param->SetUsedUnit(unit);
        }
    }
    // In either mode a blank part is refused before the editor takes it.
    // The parts of the mode not shown are marked unused only as the page is left: all four
    // fields are named, and the disabled ones pass.
    if (!qv::pages::RefuseBlankValueField(*this, m_pParams,
                                          {{kIdMagnitude, kIdMagnitude}, {kIdPhase, kIdPhase},
                                           {kIdReal, kIdReal}, {kIdImaginary, kIdImaginary}}) ||
        !CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams)))
        return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropACParameters::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << g_dwPageVersion;
        ar << m_dwMode;
        return;
    }
    DWORD version = 0;
    DWORD mode = 0;
    ar >> version;
    ar >> mode;
    m_dwMode = mode != 0 ? kModeRealImaginary : kModePhaseMagnitude;
    if (version < 10) {
        DWORD phaseUnit = 0;
        ar >> phaseUnit;
        const char* unit = phaseUnit == 1 ? kUnitRadian : kUnitDegree;
        CWizardCopaObject3* phase = FindParamByValueID(m_pParams, kIdPhase);
        if (phase != nullptr) phase->SetUsedUnit(unit);
        if (m_cmbPhase.GetSafeHwnd() != nullptr)
            m_cmbPhase.SelectString(-1, unit);
        else if (phase != nullptr)
            CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams));
    }
    if (GetSafeHwnd() != nullptr) SetMode(m_dwMode);
}

// ---------------------------------------------------------------------------------------

bool qv::ac::SwitchValueQuantity(ParamHolder* params, bool current) {
    const char* quantity = current ? kQuantityCurrent : kQuantityVoltage;
    const char* other = current ? kQuantityVoltage : kQuantityCurrent;
    bool changed = false;
    for (WORD id : kValueIDs)
        if (qv::pages::SwitchQuantity(FindParamByValueID(params, id), quantity, other)) changed = true;
    return changed;
}

BOOL LoadObjectFromBuffer(CObject* object, const BYTE** cursor, size_t total, size_t* consumed) {
    if (object == nullptr || cursor == nullptr || *cursor == nullptr || consumed == nullptr || total == 0) return FALSE;
    if (*consumed >= total) return FALSE;
    const size_t remaining = total - *consumed;
    if (remaining < 4) return FALSE;
    const BYTE* at = *cursor;
    const uint64_t length = static_cast<uint64_t>(at[0]) | static_cast<uint64_t>(at[1]) << 8 |
                            static_cast<uint64_t>(at[2]) << 16 | static_cast<uint64_t>(at[3]) << 24;
    if (length > remaining - 4) return FALSE;
    if (length > 0) {
        // The object reads from a copy of exactly its block: it cannot read past it.
        std::vector<BYTE> copy(at + 4, at + 4 + length);
        CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
        CArchive ar(&file, CArchive::load, 4096);
        try {
            object->Serialize(ar);
        } catch (CException* e) {
            e->Delete();
        }
    }
    *cursor = at + 4 + length;
    *consumed += 4 + static_cast<size_t>(length);
    return TRUE;
}
