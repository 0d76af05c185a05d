#include "sources/vco_source.h"

#include "framework/ac_page_steps.h"
#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/immanent_template.h"
#include "framework/listed_controls.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/param_set_page.h"
#include "framework/placeholders.h"
#include "framework/prefixed_numbers.h"
#include "framework/shown_unit.h"
#include "framework/snapshot_lists.h"
#include "framework/symbol_paint.h"
#include "sources/linear_sources.h"
#include "sources/source_outputs.h"
#include "sources/source_type_steps.h"
#include "sources/time_function_texts.h"
#include "toolkit/tb_numbers.h"

#include <cmath>
#include <memory>
#include <new>
#include <vector>

using namespace qv::sources;
using namespace qv::dialog;
using qv::snapshots::CopySnapshots;
using qv::snapshots::DeleteSnapshots;

IMPLEMENT_DYNAMIC(CSourceTypeWizardBase4, CACWizardBase4)
IMPLEMENT_SERIAL(CPropVCO, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropVCO)
IMPLEMENT_DYNAMIC(CVCOWizard4, CSourceTypeWizardBase4)

using qv::pages::ReadArchivedBlock;

namespace {

constexpr int kCtlLimitInput = 2148;
constexpr int kCtlUpperLabel = 2149;
constexpr int kCtlLowerLabel = 2150;
constexpr int kCtlUpperUnit = 2517;
constexpr int kCtlLowerUnit = 2518;
// The unit lists and the edit fields that only mark the page modified.
constexpr int kUnitLists[] = {kCtlPhaseUnit, kCtlUpperUnit, kCtlLowerUnit};
constexpr int kMarkingEdits[] = {kCtlName, kIdAmplitude, kIdPhase, kIdUpperLimit, kIdLowerLimit};

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2472, .flags = 33}, {.id = 2000, .flags = 5},  {.id = 2001, .flags = 69}, {.id = 2002, .flags = 20},
    {.id = 2020, .flags = 6},  {.id = 2072, .flags = 15}, {.id = 2146, .flags = 33}, {.id = 2148, .flags = 33},
    {.id = 2149, .flags = 33}, {.id = 2150, .flags = 33}, {.id = 2147, .flags = 97}, {.id = 2151, .flags = 97},
    {.id = 2152, .flags = 97}, {.id = 2153, .flags = 48}, {.id = 2041, .flags = 48}, {.id = 2034, .flags = 98},
    {.id = 2042, .flags = 98}, {.id = 2517, .flags = 48}, {.id = 2518, .flags = 48}, {.id = 2513, .flags = 34},
    {.id = 2017, .flags = 11}, {.id = 2018, .flags = 9},  {.id = 2019, .flags = 24},
};

} // namespace

// ---------------------------------------------------------------------------------------
// The base the VCO and the polynomial source share.

CSourceTypeWizardBase4::CSourceTypeWizardBase4() = default;

CSourceTypeWizardBase4::CSourceTypeWizardBase4(const CSourceTypeWizardBase4* other) : CACWizardBase4(other) {
    if (other == nullptr) return;
    m_wSchema = other->m_wSchema;
    m_nSourceType = other->m_nSourceType;
    CopySnapshots(m_Snapshots, &other->m_Snapshots);
}

CSourceTypeWizardBase4::~CSourceTypeWizardBase4() { DeleteSnapshots(m_Snapshots); }

int CSourceTypeWizardBase4::GetWizardKind() { return 3; }

void CSourceTypeWizardBase4::SetSourceSettings(int sourceType, const CPtrArray* snapshots) {
    m_nSourceType = sourceType;
    // Handing over the wizard's own list leaves it as it is.
    if (snapshots != &m_Snapshots) CopySnapshots(m_Snapshots, snapshots);
}

void CSourceTypeWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    CACWizardBase4::Serialize(ar, version);
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << static_cast<DWORD>(m_nSourceType);
        qv::snapshots::StoreSnapshots(ar, m_Snapshots);
        return;
    }
    // The AC part of a newer schema has a layout this wizard does not know: what follows it
    // cannot be found, so nothing more is read.
    if (GetACSchema() != 0) return;
    ar >> m_wSchema;
    if (m_wSchema != 0) return;
    DWORD sourceType = 0;
    ar >> sourceType;
    m_nSourceType = static_cast<int>(sourceType);
    // Empties the list first and refuses a count beyond the archive limit.
    qv::snapshots::LoadSnapshots(ar, m_Snapshots);
    // A type beyond the page's list (voltage, current) is read as the list's first entry, the
    // voltage source; the stored list was made for no type the page knows, so it goes, and
    // the description builds the voltage source's list.
    if (sourceType > static_cast<DWORD>(qv::sources::kSourceTypeCurrent)) {
        m_nSourceType = qv::sources::kSourceTypeVoltage;
        qv::snapshots::DeleteSnapshots(m_Snapshots);
    }
    // An element whose data is loaded holds its AC values in the unit of its type from then
    // on, as its page would show them, so that what is checked or described before a page
    // opens reads them in the right quantity.
    if (const RequestTarget target(this); target.HasReceiver()) {
        ScopedParamSet params(target);
        FollowSourceType(params.Holder(), params.Cookie());
    }
}

void CSourceTypeWizardBase4::FollowSourceType(ParamHolder* holder, DWORD_PTR cookie) {
    if (qv::ac::SwitchValueQuantity(holder, m_nSourceType == qv::sources::kSourceTypeCurrent) && cookie != 0)
        CommitParamSet(RequestTarget(this), cookie);
}

// ---------------------------------------------------------------------------------------
// The page.

BEGIN_MESSAGE_MAP(CPropVCO, CTBPropertyPage)
    ON_BN_CLICKED(kCtlLimitInput, &CPropVCO::OnLimitInput)
    ON_BN_CLICKED(kIdOutputVoltage, &CPropVCO::OnOutputVoltage)
    ON_BN_CLICKED(kIdOutputCurrent, &CPropVCO::OnOutputCurrent)
    ON_CBN_SELCHANGE(kCtlSourceType, &CPropVCO::OnSelchangeSourceType)
    ON_LISTED_CONTROLS(CBN_SELCHANGE, kUnitLists, &CPropVCO::OnFieldChanged)
    ON_LISTED_CONTROLS(EN_CHANGE, kMarkingEdits, &CPropVCO::OnFieldChanged)
    ON_BN_CLICKED(kCtlShowName, &CPropVCO::OnFieldChanged)
    ON_BN_CLICKED(kIdSpice, &CPropVCO::OnFieldChanged)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropVCO::CPropVCO() : TSourceTypePage(kVCOTemplate) {}

CPropVCO::CPropVCO(CVCOWizard4* wizard, ParamHolder* params)
    : TSourceTypePage(kVCOTemplate, wizard, params) {
    qv::pages::RegisterLayout(*this, kLayout);
}

void CPropVCO::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlPhaseUnit, m_cmbPhaseUnit);
    DDX_Control(pDX, kCtlUpperUnit, m_cmbUpperUnit);
    DDX_Control(pDX, kCtlLowerUnit, m_cmbLowerUnit);
    DDX_Control(pDX, kCtlSourceType, m_cmbSourceType);
    qv::pages::ExchangeTexts(pDX, {{kIdAmplitude, m_strAmplitude}, {kIdLowerLimit, m_strLower},
                                   {kCtlName, m_strName}, {kIdPhase, m_strPhase}, {kIdUpperLimit, m_strUpper}});
    qv::pages::ExchangeChecks(pDX, {{kCtlLimitInput, m_bLimitInput}, {kCtlShowName, m_bShowName},
                                    {kIdOutputVoltage, m_bOutputVoltage}, {kIdOutputCurrent, m_bOutputCurrent},
                                    {kIdSpice, m_bSpice}});
}

int CPropVCO::SelectedSourceType() const {
    if (m_cmbSourceType.GetSafeHwnd() == nullptr) return m_nSourceType;
    const int selection = m_cmbSourceType.GetCurSel();
    return selection >= 0 ? selection : m_nSourceType;
}

void CPropVCO::EnableLimitFields() {
    for (int id : {kCtlUpperLabel, static_cast<int>(kIdUpperLimit), kCtlLowerLabel, static_cast<int>(kIdLowerLimit)})
        EnableControl(id, m_bLimitInput);
}

void CPropVCO::EnablePinnedFields() {
    if (m_bLimitInput) {
        EnableControl(kIdUpperLimit, IsParamNotOnPin(m_pParams, kIdUpperLimit));
        EnableControl(kIdLowerLimit, IsParamNotOnPin(m_pParams, kIdLowerLimit));
    }
    EnableControl(kIdAmplitude, IsParamNotOnPin(m_pParams, kIdAmplitude));
    EnableControl(kIdPhase, IsParamNotOnPin(m_pParams, kIdPhase));
}

BOOL CPropVCO::OnInitDialog() {
    InitDialogWithLibraryResources();
    m_cmbSourceType.SetCurSel(0);
    m_bLimitInput = TRUE;
    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    m_cmbPhaseUnit.DisableFlatLook(TRUE);
    m_cmbUpperUnit.DisableFlatLook(TRUE);
    m_cmbLowerUnit.DisableFlatLook(TRUE);

    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        CTBUnitComboBox* units = nullptr;
        switch (param->GetValueID()) {
        // The amplitude's field has no unit list: it shows the amplitude in the parameter's unit.
        case kIdAmplitude: m_strAmplitude = qv::pages::ValueInOwnUnit(param); break;
        case kIdPhase: m_strPhase = param->GetValue(), units = &m_cmbPhaseUnit; break;
        case kIdLowerLimit: m_strLower = param->GetValue(), units = &m_cmbLowerUnit; break;
        case kIdUpperLimit: m_strUpper = param->GetValue(), units = &m_cmbUpperUnit; break;
        case kIdSpice: {
            double value = 0.0;
            m_bSpice = ParseFinite(param->GetValue(), &value) && std::trunc(value) != 0.0;
            break;
        }
        default: break;
        }
        if (units != nullptr) qv::pages::ShowUnitsOf(*units, param);
    });

    UpdateData(FALSE);
    if (LeavesUnlimited(m_strLower, m_strUpper)) {
        m_bLimitInput = FALSE;
        UpdateData(FALSE);
    }
    UpdateData(TRUE);
    EnableLimitFields();
    EnablePinnedFields();
    SetModified(TRUE);

    GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bOutputCurrent);
    GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bOutputVoltage);
    UpdateData(FALSE);
    for (WORD id : {kIdOutputVoltage, kIdOutputCurrent}) qv::pages::AppendParamUnitToCaption(*this, m_pParams, id);

    m_cmbSourceType.SetCurSel(m_nSourceType);
    OnSelchangeSourceType();
    SetModified(FALSE);
    EnablePinnedFields();
    return TRUE;
}

void CPropVCO::OnSelchangeSourceType() {
    UpdateData(TRUE);
    m_nSourceType = SelectedSourceType();
    const BYTE mask = m_nSourceType >= 0 && m_nSourceType < 8 ? static_cast<BYTE>(1u << m_nSourceType) : 0;
    InvalidateDlgItemRect(m_pSymbol, mask, kCtlSymbolFrame, this);
    SetModified(TRUE);
    if (CWnd* spice = GetDlgItem(kIdSpice)) spice->ShowWindow(m_nSourceType == kSourceTypeVoltage ? SW_SHOW : SW_HIDE);
    FollowSourceType();
}

void CPropVCO::OnLimitInput() {
    UpdateData(TRUE);
    EnableLimitFields();
    EnablePinnedFields();
    SetModified(TRUE);
}

BOOL CPropVCO::OnSetActive() {
    GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bOutputCurrent);
    GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bOutputVoltage);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    SetModified(FALSE);
    EnablePinnedFields();
    return CTBPropertyPage::OnSetActive();
}

BOOL CPropVCO::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (m_pParams == nullptr || !qv::pages::RefuseBlankValueField(*this, m_pParams)) return FALSE;
    UpdateData(TRUE);
    if (m_bLimitInput && !qv::pages::RefuseUpperBelowLower(*this, m_pParams, {kIdUpperLimit, &m_strUpper, &m_cmbUpperUnit},
                                                           {kIdLowerLimit, &m_strLower, &m_cmbLowerUnit}))
        return FALSE;
    qv::pages::StoreNameAndShowName(*m_pParams, m_strName, m_bShowName);
    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        CTBUnitComboBox* units = nullptr;
        switch (param->GetValueID()) {
        case kIdAmplitude:
            param->SetValue(m_strAmplitude);
            qv::pages::WriteOwnUnit(param);
            break;
        case kIdPhase: param->SetValue(m_strPhase), units = &m_cmbPhaseUnit; break;
        case kIdLowerLimit: param->SetValue(m_bLimitInput ? m_strLower : CString("0")), units = &m_cmbLowerUnit; break;
        case kIdUpperLimit: param->SetValue(m_bLimitInput ? m_strUpper : CString("0")), units = &m_cmbUpperUnit; break;
        case kIdSpice: param->SetValue(TBExtended_ftoa(m_bSpice ? 1.0 : 0.0, -1, 0, "")); break;
        default: break;
        }
        qv::pages::WriteShownUnit(units, param);
    });
    m_nSourceType = SelectedSourceType();
    BuildCompareList();
    HandOver();
    if (!CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams))) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropVCO::StoreToWizard(int mode) {
    m_nSourceType = SelectedSourceType();
    BuildCompareList();
    if (mode == 1) HandOver();
}

void CPropVCO::BuildCompareList() {
    DeleteSnapshots(m_Snapshots);
    for (const char* name : {"UL", "LL", "AMPL", "PHASE"}) AppendSnapshot(name, nullptr);
    m_nSourceType = SelectedSourceType();
    if (m_nSourceType == kSourceTypeVoltage) AppendSnapshot("SPC", nullptr);
    AppendACSnapshots();
}

void CPropVCO::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.SerializeClass(RUNTIME_CLASS(CPropVCO));
        return;
    }
    try {
        const UINT schema = ReadClassReferenceOrRewind(ar, RUNTIME_CLASS(CPropVCO));
        (void)schema;
        DWORD version = 0;
        ar >> version;
        if (version < 10) {
            DWORD phaseUnit = 0;
            ar >> phaseUnit;
            const char* unit = phaseUnit == 1 ? "rad" : "deg";
            if (m_cmbPhaseUnit.GetSafeHwnd() != nullptr) m_cmbPhaseUnit.SelectString(-1, unit);
            // The hidden page that converts older data never applies: the unit goes into the
            // parameter itself so that it is not lost.
            if (CWizardCopaObject3* phase = FindParamByValueID(m_pParams, kIdPhase)) {
                phase->SetUsedUnit(unit);
                CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams));
            }
        }
    } catch (CArchiveException* e) {
        e->Delete();
    }
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

// Element data of the older wizard generation, all numbers little-endian DWORDs:
//   source type, snapshot count n, snapshot block length S and S bytes of n archived
//   snapshots (taken only when at least one byte follows the block), page block length P and
//   P bytes of the page's archive block, two blocks (length and bytes) that are skipped, the
//   AC page's block (length and bytes).
// Only whole fields are read and every length is checked against what remains; a block whose
// length fails its test ends the reading, keeps what was read before it, and the settings go
// to the wizard all the same.
void CPropVCO::ConvertWizard3Data(const void* data, long length) {
    const size_t size = data != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
    // The snapshot block must leave at least one byte after it.
    bool intact = ReadOlderTypeAndSnapshots(in, true);
    DWORD blockLength = 0;
    intact = intact && in.ReadDword(blockLength) && in.Fits(blockLength);
    if (intact) {
        ReadArchivedBlock(in.Position(), blockLength, [this](CArchive& ar) { Serialize(ar); });
        in.SkipBytes(blockLength);
    }
    for (int skipped = 0; skipped < 2 && intact; ++skipped)
        intact = in.ReadDword(blockLength) && in.SkipBytes(blockLength);
    if (intact) qv::pages::ReadOlderACBlock(in, ACPage());
    HandOver();
}

// ---------------------------------------------------------------------------------------

namespace qv::sources {

void ResolveControlledSupplyPlaceholders(const RequestTarget& target, DWORD_PTR cookie, ParamHolder* holder,
                                         CString& modelText, bool commitEachPhase) {
    bool walked = false;
    for (int i = static_cast<int>(g_PlaceholderList.GetSize()) - 1; i >= 0; --i) {
        CCopaObjectCompare* entry = g_PlaceholderList.GetEntry(i);
        if (entry == nullptr) continue;
        walked = true;
        const CString name = entry->GetName();
        if (name == "@PHASE") {
            entry->SetName("PHASE");
            if (CWizardCopaObject3* phase = FindParamByValueID(holder, kIdPhase)) phase->SetUsedUnit("rad");
            if (commitEachPhase) CommitParamSet(target, cookie);
            ReplacePlaceholder(modelText, "@PHASE", "PHASE", 0);
        } else if (name == "@AC_PHASE_PHI") {
            entry->SetName("AC_PHASE");
            if (CWizardCopaObject3* phase = FindParamByValueID(holder, qv::ac::kIdPhase)) phase->SetUsedUnit("rad");
            if (commitEachPhase) CommitParamSet(target, cookie);
            ReplacePlaceholder(modelText, "@AC_PHASE_PHI", "@AC_PHASE", 0);
        } else if (name == "@AC_PHASE") {
            BuildACPhaseExpr(entry, holder, qv::ac::kIdReal, qv::ac::kIdImaginary, &modelText);
        } else if (name == "@AC_MAG") {
            BuildACMagnitudeExpr(entry, holder, qv::ac::kIdReal, qv::ac::kIdImaginary, &modelText);
        }
        // The list owns its entries: each leaves the list, then it is deleted.
        g_PlaceholderList.DiscardAt(i);
    }
    if (walked && !commitEachPhase) CommitParamSet(target, cookie);
}

} // namespace qv::sources

// ---------------------------------------------------------------------------------------
// The wizard.

namespace {

// Hidden work on pages of its own (see HiddenACPages).
struct HiddenVCOPages : qv::pages::HiddenACPages<CPropVCO> {
    HiddenVCOPages(CVCOWizard4& wizard, ParamHolder* params) : HiddenACPages(wizard, params, kVCOTemplate) {}
};

} // namespace

BOOL CVCOWizard4::Initialize(int argument) { return source_type::InitializeNew<HiddenVCOPages>(*this, argument); }

BOOL CVCOWizard4::DoConvertWizard3Data(const void* data, long length) {
    return source_type::ConvertOlderData<HiddenVCOPages>(*this, data, length);
}

int CVCOWizard4::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (m_Snapshots.GetSize() == 0) source_type::RebuildList<HiddenVCOPages>(*this);
    const RequestTarget target(this);
    ScopedParamSet params(target);
    ParamHolder* holder = params.Holder();
    FollowSourceType(holder, params.Cookie());
    BuildPinAssignmentList(modelText, &m_Snapshots, static_cast<DWORD>(m_nSourceType), holder, nullptr);
    ReplacePlaceholder(modelText, "@TYPE", m_nSourceType == kSourceTypeCurrent ? "IVCO " : "EVCO ", 0);
    ResolveControlledSupplyPlaceholders(target, params.Cookie(), holder, modelText);
    return 4;
}
