#include "passive/coupled_inductors.h"

#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/data_file_places.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/immanent_template.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "framework/shown_unit.h"
#include "framework/symbol_paint.h"
#include "toolkit/tb_numbers.h"

#include <new>

using namespace qv::passive;
using namespace qv::dialog;

IMPLEMENT_DYNAMIC(CPropPassiveCoupledBase, CTBPropertyPage)
IMPLEMENT_SERIAL(CPropPassiveMutualInductance, CPropPassiveCoupledBase, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropPassiveMutualInductance)
IMPLEMENT_SERIAL(CPropPassive2WTrafo, CPropPassiveCoupledBase, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropPassive2WTrafo)
IMPLEMENT_DYNAMIC(CCoupledInductorsWizard4, CWizardBase4)
IMPLEMENT_DYNAMIC(CMutualInductanceWizard4, CCoupledInductorsWizard4)
IMPLEMENT_DYNAMIC(CTwoWindingTransformerWizard4, CCoupledInductorsWizard4)

using qv::pages::ReadArchivedBlock;
using qv::pages::IsLiveInput;

namespace {

// Controls of both dialogs.
constexpr int kCtlFormK = 2306;
constexpr int kCtlFormM = 2307;
constexpr int kCtlK = 2010;
constexpr int kCtlKPin = 2011;
constexpr int kCtlM = 2308;   // edits parameter 2056
constexpr int kCtlMPin = 2311;
constexpr WORD kIdK = 2010;
constexpr WORD kIdM = 2056;   // also the control ID of M's default-output check

// ---- 107: mutual inductance.
constexpr CoupledField kMutualFields[] = {
    {.id = 2102, .selector = 2509, .usePin = 2104},
    {.id = 2103, .selector = 2508, .usePin = 2106},
};
constexpr const char* kMutualSnapshots[] = {"L1", "L2", "K"};
constexpr CoupledLayoutCode kMutualLayout[] = {
    {.id = 2000, .code = 5},  {.id = 2001, .code = 69}, {.id = 2002, .code = 20}, {.id = 2020, .code = 6},
    {.id = 2072, .code = 15}, {.id = 2100, .code = 33}, {.id = 2101, .code = 33}, {.id = 2108, .code = 33},
    {.id = 2331, .code = 33}, {.id = 2306, .code = 33}, {.id = 2307, .code = 33}, {.id = 2337, .code = 33},
    {.id = 2336, .code = 33}, {.id = 2102, .code = 97}, {.id = 2103, .code = 97}, {.id = 2010, .code = 97},
    {.id = 2308, .code = 97}, {.id = 2104, .code = 48}, {.id = 2106, .code = 48}, {.id = 2011, .code = 48},
    {.id = 2311, .code = 48}, {.id = 2017, .code = 11}, {.id = 2056, .code = 9},  {.id = 2509, .code = 32},
    {.id = 2508, .code = 32},
};
constexpr CoupledPageShape kMutualShape = {.templateId = 107, .fields = kMutualFields,
                                           .snapshotNames = kMutualSnapshots, .layout = kMutualLayout,
                                           .unitsIntoEveryParam = true};

// ---- 108: two-winding transformer.
constexpr CoupledField kTrafoFields[] = {
    {.id = 2102, .selector = 2509, .usePin = 0},
    {.id = 2107, .selector = 2510, .usePin = 0},
    {.id = 2103, .selector = 2508, .usePin = 0},
    {.id = 2109, .selector = 2511, .usePin = 0},
};
constexpr const char* kTrafoSnapshots[] = {"L1", "I01", "L2", "I02", "K"};
constexpr CoupledLayoutCode kTrafoLayout[] = {
    {.id = 2000, .code = 5},  {.id = 2001, .code = 69}, {.id = 2002, .code = 20}, {.id = 2020, .code = 6},
    {.id = 2072, .code = 15}, {.id = 2100, .code = 33}, {.id = 2101, .code = 33}, {.id = 2102, .code = 97},
    {.id = 2103, .code = 97}, {.id = 2105, .code = 48}, {.id = 2110, .code = 48}, {.id = 2107, .code = 98},
    {.id = 2109, .code = 98}, {.id = 2509, .code = 48}, {.id = 2508, .code = 48}, {.id = 2510, .code = 34},
    {.id = 2511, .code = 34}, {.id = 2108, .code = 33}, {.id = 2331, .code = 33}, {.id = 2306, .code = 33},
    {.id = 2307, .code = 33}, {.id = 2010, .code = 97}, {.id = 2308, .code = 97}, {.id = 2011, .code = 48},
    {.id = 2311, .code = 48}, {.id = 2017, .code = 11}, {.id = 2056, .code = 9},
};
constexpr CoupledPageShape kTrafoShape = {.templateId = 108, .fields = kTrafoFields,
                                          .snapshotNames = kTrafoSnapshots, .layout = kTrafoLayout,
                                          .unitsIntoEveryParam = false};

} // namespace

// ---------------------------------------------------------------------------------------
// The pages.

BEGIN_MESSAGE_MAP(CPropPassiveCoupledBase, CTBPropertyPage)
    ON_BN_CLICKED(kCtlFormK, &CPropPassiveCoupledBase::OnFormK)
    ON_BN_CLICKED(kCtlFormM, &CPropPassiveCoupledBase::OnFormM)
    ON_BN_CLICKED(kCtlKPin, &CPropPassiveCoupledBase::OnKUsePin)
    ON_BN_CLICKED(kCtlMPin, &CPropPassiveCoupledBase::OnMUsePin)
    ON_BN_CLICKED(kIdM, &CPropPassiveCoupledBase::OnOutputM)
    ON_BN_CLICKED(kCtlShowName, &CPropPassiveCoupledBase::OnFieldChanged)
    ON_CONTROL_RANGE(BN_CLICKED, 2104, 2106, &CPropPassiveCoupledBase::OnFieldPin)
    ON_CONTROL_RANGE(EN_CHANGE, 2000, 2999, &CPropPassiveCoupledBase::OnEditChanged)
    ON_CONTROL_RANGE(CBN_SELCHANGE, 2000, 2999, &CPropPassiveCoupledBase::OnSelectorChanged)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropPassiveCoupledBase::CPropPassiveCoupledBase(const CoupledPageShape& shape)
    : TElementPage(shape.templateId), m_shape(shape) {
    for (size_t i = 0; i < shape.fields.size(); ++i) m_selectors.push_back(std::make_unique<CTBUnitComboBox>());
    m_fieldTexts.resize(shape.fields.size());
    m_fieldPins.assign(shape.fields.size(), FALSE);
}

CPropPassiveCoupledBase::CPropPassiveCoupledBase(const CoupledPageShape& shape, CCoupledInductorsWizard4* wizard,
                                                 ParamHolder* params)
    : CPropPassiveCoupledBase(shape) {
    m_pWizard = wizard;
    m_pParams = params;
    for (const CoupledLayoutCode& entry : shape.layout) SetControlInfo(entry.id, entry.code);
}

void CPropPassiveCoupledBase::LoadFromWizard(DWORD form, const CPtrArray* snapshots) {
    m_dwForm = form;
    CopySnapshots(m_Snapshots, snapshots);
}

void CPropPassiveCoupledBase::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    for (size_t i = 0; i < m_shape.fields.size(); ++i) DDX_Control(pDX, m_shape.fields[i].selector, *m_selectors[i]);
    DDX_Check(pDX, kCtlKPin, m_bKUsesPin);
    for (size_t i = 0; i < m_shape.fields.size(); ++i)
        if (m_shape.fields[i].usePin != 0) DDX_Check(pDX, m_shape.fields[i].usePin, m_fieldPins[i]);
    DDX_Check(pDX, kCtlShowName, m_bShowName);
    DDX_Check(pDX, kIdM, m_bOutputM);
    DDX_Check(pDX, kCtlMPin, m_bMUsesPin);
    DDX_Text(pDX, kCtlK, m_strK);
    for (size_t i = 0; i < m_shape.fields.size(); ++i) DDX_Text(pDX, m_shape.fields[i].id, m_fieldTexts[i]);
    DDX_Text(pDX, kCtlName, m_strName);
    DDX_Text(pDX, kCtlM, m_strM);
}

bool CPropPassiveCoupledBase::MChecked() {
    if (GetSafeHwnd() == nullptr) return m_dwForm == 1;
    return IsDlgButtonChecked(kCtlFormM) != 0;
}

void CPropPassiveCoupledBase::CheckForm(DWORD form) {
    if (GetSafeHwnd() == nullptr) return;
    CheckDlgButton(kCtlFormM, form == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(kCtlFormK, form == 1 ? BST_UNCHECKED : BST_CHECKED);
}

BOOL CPropPassiveCoupledBase::OnInitDialog() {
    InitDialogWithLibraryResources();
    for (auto& selector : m_selectors) selector->DisableFlatLook(TRUE);
    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    UpdateData(FALSE);

    qv::pages::ForEachPresentParam(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        const BOOL onPin = (param->GetType() & kParamTypeUsePin) != 0;
        if (id == kIdK) {
            m_strK = param->GetValue();
            if (onPin) m_bKUsesPin = TRUE;
        } else if (id == kIdM) {
            // The field has no unit list: it shows M in the unit its caption names.
            m_strM = qv::pages::ValueInOwnUnit(param);
            if (onPin) m_bMUsesPin = TRUE;
        }
        for (size_t row = 0; row < m_shape.fields.size(); ++row) {
            if (m_shape.fields[row].id != id) continue;
            m_fieldTexts[row] = param->GetValue();
            if (onPin && m_shape.fields[row].usePin != 0) m_fieldPins[row] = TRUE;
            if (m_selectors[row]->GetSafeHwnd() != nullptr) {
                qv::pages::ShowUnitsOf(*m_selectors[row], param);
            }
        }
    });
    for (auto& selector : m_selectors)
        if (selector->GetSafeHwnd() != nullptr) selector->EnableWindow(selector->GetCount() > 0);

    UpdateData(FALSE);
    CheckForm(0);
    OnFormK();
    UpdateData(TRUE);
    EnableControl(kCtlM, !m_bMUsesPin && MChecked());
    SetParamUsePin(m_pParams, kIdM, m_bMUsesPin);
    SetModified(TRUE);

    GetSDBOutput(m_pParams, kIdM, &m_bOutputM);
    UpdateData(FALSE);
    qv::pages::AppendParamUnitToCaption(*this, m_pParams, kIdM);

    CheckForm(m_dwForm);
    if (m_dwForm == 1)
        OnFormM();
    else
        OnFormK();
    SetModified(FALSE);
    for (size_t row = 0; row < m_shape.fields.size(); ++row)
        if (m_shape.fields[row].usePin == 0)
            EnableControl(m_shape.fields[row].id, IsParamNotOnPin(m_pParams, m_shape.fields[row].id));
    return TRUE;
}

void CPropPassiveCoupledBase::OnFormK() { ShowCouplingForm(true); }

void CPropPassiveCoupledBase::OnFormM() { ShowCouplingForm(false); }

// K is entered (M is then computed, an output) or M is; the other's edit and pin box close.
void CPropPassiveCoupledBase::ShowCouplingForm(bool byK) {
    UpdateData(TRUE);
    if (GetSafeHwnd() != nullptr && IsDlgButtonChecked(byK ? kCtlFormK : kCtlFormM)) {
        for (int id : {kCtlM, kCtlMPin}) EnableControl(id, !byK);
        for (int id : {kCtlK, kCtlKPin}) EnableControl(id, byK);
        if (byK) {
            SetParamAsOutput(m_pParams, kIdM);
        } else {
            // M entered takes the pin its box shows again: in form K, an output, it had none.
            SetParamAsInput(m_pParams, kIdM);
            SetParamUsePin(m_pParams, kIdM, m_bMUsesPin);
        }
        // K is not entered in form M.
        SetParamExtBit(m_pParams, kIdK, !byK);
    }
    SetModified(TRUE);
}

void CPropPassiveCoupledBase::ApplyFieldPin(size_t row) {
    const CoupledField& field = m_shape.fields[row];
    EnableControl(field.id, !m_fieldPins[row]);
    SetParamUsePin(m_pParams, field.id, m_fieldPins[row]);
}

void CPropPassiveCoupledBase::ApplyKPin() {
    EnableControl(kCtlK, !m_bKUsesPin && GetSafeHwnd() != nullptr && IsDlgButtonChecked(kCtlFormK));
    SetParamUsePin(m_pParams, kIdK, m_bKUsesPin);
}

void CPropPassiveCoupledBase::ApplyMPin() {
    EnableControl(kCtlM, !m_bMUsesPin && MChecked());
    SetParamUsePin(m_pParams, kIdM, m_bMUsesPin);
    BOOL onPin = m_bMUsesPin;
    if (GetParamUsePin(m_pParams, kIdM, &onPin)) m_bMUsesPin = onPin;
}

void CPropPassiveCoupledBase::OnFieldPin(UINT id) {
    for (size_t row = 0; row < m_shape.fields.size(); ++row) {
        if (m_shape.fields[row].usePin != id) continue;
        UpdateData(TRUE);
        ApplyFieldPin(row);
        SetModified(TRUE);
        return;
    }
}

void CPropPassiveCoupledBase::OnKUsePin() {
    UpdateData(TRUE);
    ApplyKPin();
    SetModified(TRUE);
}

void CPropPassiveCoupledBase::OnMUsePin() {
    UpdateData(TRUE);
    ApplyMPin();
    SetModified(TRUE);
}

void CPropPassiveCoupledBase::OnOutputM() {
    qv::pages::ClickOutputBox(*this, m_pParams, m_bOutputM, kIdM, kIdM);
}

void CPropPassiveCoupledBase::OnFieldChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPropPassiveCoupledBase::OnEditChanged(UINT) { OnFieldChanged(); }

void CPropPassiveCoupledBase::OnSelectorChanged(UINT) { OnFieldChanged(); }

BOOL CPropPassiveCoupledBase::OnSetActive() {
    GetSDBOutput(m_pParams, kIdM, &m_bOutputM);
    UpdateData(FALSE);
    for (size_t row = 0; row < m_shape.fields.size(); ++row) {
        if (m_shape.fields[row].usePin == 0) continue;
        BOOL onPin = m_fieldPins[row];
        if (GetParamUsePin(m_pParams, m_shape.fields[row].id, &onPin)) m_fieldPins[row] = onPin;
    }
    GetParamUsePin(m_pParams, kIdK, &m_bKUsesPin);
    GetParamUsePin(m_pParams, kIdM, &m_bMUsesPin);
    UpdateData(FALSE);
    UpdateData(TRUE);
    for (size_t row = 0; row < m_shape.fields.size(); ++row)
        if (m_shape.fields[row].usePin != 0) ApplyFieldPin(row);
    ApplyKPin();
    ApplyMPin();
    SetModified(FALSE);
    for (size_t row = 0; row < m_shape.fields.size(); ++row)
        if (m_shape.fields[row].usePin == 0)
            EnableControl(m_shape.fields[row].id, IsParamNotOnPin(m_pParams, m_shape.fields[row].id));
    return CTBPropertyPage::OnSetActive();
}

void CPropPassiveCoupledBase::BuildCompareList(int form) {
    DeleteSnapshots(m_Snapshots);
    const size_t count = m_shape.snapshotNames.size();
    for (size_t i = 0; i < count; ++i) {
        auto* snapshot = new CCopaObjectCompare;
        snapshot->SetFrom(FindParamByName(m_pParams, m_shape.snapshotNames[i]));
        // In form 1 the wizard writes K itself, as the expression of M and the inductances.
        if (i + 1 == count && form == 1) snapshot->SetName("@K");
        m_Snapshots.Add(snapshot);
    }
}

void CPropPassiveCoupledBase::StoreInWizard() {
    if (m_pWizard != nullptr) m_pWizard->StoreModeAndCompareList(m_dwForm, &m_Snapshots);
}

BOOL CPropPassiveCoupledBase::OnApply() {
    UpdateData(TRUE);
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (m_pParams == nullptr || !qv::pages::RefuseBlankValueField(*this, m_pParams, {{kCtlM, kIdM}}))
        return FALSE;
    if (MChecked() && !InductancesGiveACouplingFactor()) return FALSE;
    qv::pages::StoreNameAndShowName(*m_pParams, m_strName, m_bShowName);
    qv::pages::ForEachPresentParam(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        const bool input = IsLiveInput(param);
        if (input && id == kIdK && !m_bKUsesPin) param->SetValue(m_strK);
        if (input && id == kIdM && !m_bMUsesPin) {
            param->SetValue(m_strM);
            qv::pages::WriteOwnUnit(param);
        }
        for (size_t row = 0; row < m_shape.fields.size(); ++row) {
            if (m_shape.fields[row].id != id) continue;
            if (input && !m_fieldPins[row]) param->SetValue(m_fieldTexts[row]);
            if ((input || m_shape.unitsIntoEveryParam) && m_selectors[row]->GetSafeHwnd() != nullptr) {
                CString unit;
                m_selectors[row]->GetWindowText(unit);
                param->SetUsedUnit(unit);
            }
        }
    });
    m_dwForm = MChecked() ? 1 : 0;
    // With M given, K is the wizard's own expression of M and the inductances: K's box, hidden
    // under this form, puts no pin in its place.
    if (m_dwForm == 1) {
        m_bKUsesPin = FALSE;
        SetParamUsePin(m_pParams, kIdK, FALSE);
    }
    BuildCompareList(static_cast<int>(m_dwForm));
    StoreInWizard();
    const RequestTarget target(static_cast<const CWizardBase4*>(m_pWizard));
    if (!target.HasReceiver()) return FALSE;
    if (!CommitParamSet(target, reinterpret_cast<DWORD_PTR>(m_pParams))) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

BOOL CPropPassiveCoupledBase::InductancesGiveACouplingFactor() {
    // With M given the model text writes K as M / sqrt(L1 * L2): two inductances typed as
    // numbers must make that a number. A name or a pin is only known to the simulator.
    int zeroOrNegative = 0;
    double product = 1;
    for (size_t row = 0; row < m_shape.fields.size(); ++row) {
        const int id = m_shape.fields[row].id;
        if ((id != 2102 && id != 2103) || m_fieldPins[row]) continue;
        double value = 0;
        if (!qv::ParsePrefixedNumber(m_fieldTexts[row], &value)) return TRUE;
        product *= value;
        if (value <= 0 && zeroOrNegative == 0) zeroOrNegative = id;
    }
    if (product > 0 || zeroOrNegative == 0) return TRUE;
    return qv::pages::RefuseField(*this, zeroOrNegative);
}

void CPropPassiveCoupledBase::InitDefaults(int store, DWORD form) {
    m_dwForm = form == 1 ? 1 : 0;
    CheckForm(m_dwForm);
    if (m_dwForm == 1)
        OnFormM();
    else
        OnFormK();
    BuildCompareList(static_cast<int>(m_dwForm));
    if (store == 1) StoreInWizard();
}

// Element data of the older wizard generation, little-endian DWORDs:
//   form, snapshot count n, snapshot block length S, S bytes of n archived snapshots,
//   page block length P, P bytes of the page block (Serialize), and a DWORD not used.
// Every part may be missing from the end on. Only whole fields are read; a block that does
// not fit in what remains ends the reading (what was read before it is kept); a count larger
// than its block can hold reads no snapshots.
void CPropPassiveCoupledBase::ConvertWizard3Data(const void* data, long length) {
    DeleteSnapshots(m_Snapshots);
    if (data == nullptr) {
        InitDefaults(0, 0);
    } else {
        qv::bytes::Reader in(static_cast<const BYTE*>(data), length > 0 ? static_cast<size_t>(length) : 0);
        DWORD form = 0;
        if (in.ReadDword(form)) {
            // Any non-zero form is the M form, as everywhere else the form is read.
            m_dwForm = form != 0 ? 1 : 0;
            CheckForm(m_dwForm);
            if (m_dwForm == 1)
                OnFormM();
            else
                OnFormK();
        }
        DWORD count = 0;
        in.ReadDword(count);
        DWORD blockLength = 0;
        bool intact = in.ReadDword(blockLength) && in.Fits(blockLength);
        if (intact) ReadSnapshotBlock(in, count, blockLength, m_Snapshots);
        DWORD pageLength = 0;
        if (intact && in.ReadDword(pageLength) && in.Fits(pageLength)) {
            if (pageLength > 0)
                ReadArchivedBlock(in.Position(), pageLength, [this](CArchive& ar) { Serialize(ar); });
            in.SkipBytes(pageLength);
        }
    }
    StoreInWizard();
}

void CPropPassiveCoupledBase::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.SerializeClass(GetRuntimeClass());
        ar << g_dwPageVersion;
        ar << static_cast<DWORD>(MChecked() ? 1 : 0);
        ar << m_strM;
        return;
    }
    ReadClassReferenceOrRewind(ar, GetRuntimeClass());
    DWORD version = 0;
    DWORD form = 0;
    CString text;
    ar >> version >> form >> text;
    // With "M" checked the field keeps the value taken from the parameter set.
    if (!MChecked()) m_strM = text;
    CheckForm(form != 0 ? 1 : 0);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

void CPropPassiveCoupledBase::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}

CPropPassiveMutualInductance::CPropPassiveMutualInductance() : CPropPassiveCoupledBase(kMutualShape) {}
CPropPassiveMutualInductance::CPropPassiveMutualInductance(CCoupledInductorsWizard4* wizard, ParamHolder* params)
    : CPropPassiveCoupledBase(kMutualShape, wizard, params) {}

CPropPassive2WTrafo::CPropPassive2WTrafo() : CPropPassiveCoupledBase(kTrafoShape) {}
CPropPassive2WTrafo::CPropPassive2WTrafo(CCoupledInductorsWizard4* wizard, ParamHolder* params)
    : CPropPassiveCoupledBase(kTrafoShape, wizard, params) {}

// ---------------------------------------------------------------------------------------
// The wizards.

CCoupledInductorsWizard4::CCoupledInductorsWizard4(const CCoupledInductorsWizard4* other) : TPageWizard4(other) {
    if (other == nullptr) return;
    m_wSchema = other->m_wSchema;
    m_dwForm = other->m_dwForm;
    CopySnapshots(m_Snapshots, &other->m_Snapshots);
}

CCoupledInductorsWizard4::~CCoupledInductorsWizard4() { DeleteSnapshots(m_Snapshots); }

int CCoupledInductorsWizard4::GetWizardKind() { return 3; }

void CCoupledInductorsWizard4::StoreModeAndCompareList(DWORD form, const CPtrArray* snapshots) {
    m_dwForm = form;
    if (snapshots == &m_Snapshots) return;
    CopySnapshots(m_Snapshots, snapshots);
}

void CCoupledInductorsWizard4::PrepareEditing() {
    if (BuildsSearchDirs()) BuildCharacteristicSearchDirs(this);
}

std::unique_ptr<CPropPassiveCoupledBase> CCoupledInductorsWizard4::HiddenPage(ParamHolder* params) {
    return qv::pages::CreateHiddenPage(NewPage(params), PageTemplate());
}

BOOL CCoupledInductorsWizard4::Initialize(int argument) {
    if (argument != 0) return TRUE;
    // A page of its own: the page on the editor's sheet (if any) is never touched.
    ScopedParamSet params{RequestTarget(this)};
    if (std::unique_ptr<CPropPassiveCoupledBase> page = HiddenPage(params.Holder())) {
        page->InitDefaults(1, m_bKeepForm ? m_dwForm : 0);
        page->DestroyWindow();
    }
    return TRUE;
}

BOOL CCoupledInductorsWizard4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    if (std::unique_ptr<CPropPassiveCoupledBase> page = HiddenPage(params.Holder())) {
        page->ConvertWizard3Data(data, length);
        page->DestroyWindow();
    }
    return TRUE;
}

void CCoupledInductorsWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << m_dwForm;
        StoreSnapshots(ar, m_Snapshots);
        return;
    }
    ar >> m_wSchema;
    // A block of another schema is not ours to read; the wizard keeps its state.
    if (m_wSchema != 0) return;
    ar >> m_dwForm;
    LoadSnapshots(ar, m_Snapshots);
}

int CCoupledInductorsWizard4::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (m_dwForm == 0) {
        ReplacePlaceholder(modelText, "@PARAMLIST", kCouplingListMacro, 0);
        return 4;
    }
    if (m_Snapshots.GetSize() == 0) {
        // The hidden re-initialisation keeps the element's form.
        m_bKeepForm = true;
        Initialize(0);
        m_bKeepForm = false;
    }
    ScopedParamSet params{RequestTarget(this)};
    CCopaObjectCompare* pending = nullptr;
    BuildPinAssignmentList(modelText, &m_Snapshots, m_dwForm, params.Holder(), &pending);
    if (pending != nullptr) {
        BuildCouplingFactorText(&modelText, params.Holder(), pending);
        // The pending list owns the snapshot: it leaves the list before it is deleted.
        g_PlaceholderList.Discard(pending);
    }
    return 4;
}

CWizardBase4* CMutualInductanceWizard4::Clone() { return new (std::nothrow) CMutualInductanceWizard4(this); }

CPropPassiveCoupledBase* CMutualInductanceWizard4::NewPage(ParamHolder* params) {
    return new (std::nothrow) CPropPassiveMutualInductance(this, params);
}

CWizardBase4* CTwoWindingTransformerWizard4::Clone() { return new (std::nothrow) CTwoWindingTransformerWizard4(this); }

CPropPassiveCoupledBase* CTwoWindingTransformerWizard4::NewPage(ParamHolder* params) {
    return new (std::nothrow) CPropPassive2WTrafo(this, params);
}
