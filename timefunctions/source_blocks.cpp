#include "timefunctions/source_blocks.h"

#include "framework/immanent_template.h"
#include "framework/dialog_controls.h"
#include "framework/byte_cursor.h"
#include "framework/combo_entries.h"
#include "framework/data_classes.h"
#include "framework/dialog_rects.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/older_base_block.h"
#include "framework/page_inputs.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/param_set_page.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "framework/shown_unit.h"
#include "framework/symbol_paint.h"
#include "framework/snapshot_lists.h"
#include "toolkit/tb_numbers.h"

#include <memory>
#include <new>
#include <vector>

using namespace qv::timefunctions;
using qv::snapshots::CopySnapshots;
using qv::pages::ReadArchivedBlock;
using qv::snapshots::DeleteSnapshots;

IMPLEMENT_DYNAMIC(CSourceBlockWizardBase4, CACWizardBase4)
IMPLEMENT_DYNAMIC(CConstantBlockWizard4, CSourceBlockWizardBase4)
IMPLEMENT_DYNAMIC(CStepFunctionBlockWizard4, CSourceBlockWizardBase4)
IMPLEMENT_DYNAMIC(CRandomBlockWizard4, CSourceBlockWizardBase4)
IMPLEMENT_DYNCREATE(CPropConstantBlock, CTBPropertyPage)

using namespace qv::dialog;

namespace {

constexpr int kCtlUnit = 2400;
constexpr int kCtlSampleTimePin = 2074;

using qv::pages::ControlLayout;
constexpr ControlLayout kConstantLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2144, .flags = 33}, {.id = 2028, .flags = 97}, {.id = 2090, .flags = 34},
    {.id = 2029, .flags = 33}, {.id = 2182, .flags = 33}, {.id = 2183, .flags = 97}, {.id = 2074, .flags = 33},
    {.id = 2400, .flags = 48}, {.id = 2520, .flags = 48}, {.id = 2017, .flags = 11}, {.id = 2056, .flags = 9},
};

// Runs a reader over a copy of an archived block of older data; archive and memory errors
// end the reading and keep what was read before.
} // namespace

// ---------------------------------------------------------------------------------------
// The wizards' shared base.

CSourceBlockWizardBase4::CSourceBlockWizardBase4() = default;

CSourceBlockWizardBase4::CSourceBlockWizardBase4(const CSourceBlockWizardBase4* other) : CACWizardBase4(other) {
    if (other == nullptr) return;
    m_wSchema = other->m_wSchema;
    CopySnapshots(m_Snapshots, &other->m_Snapshots);
    m_dwACUse = other->m_dwACUse;
}

CSourceBlockWizardBase4::~CSourceBlockWizardBase4() { DeleteSnapshots(m_Snapshots); }

void CSourceBlockWizardBase4::SetACParameters(const CPtrArray* snapshots, DWORD acUse) {
    // Handing over the wizard's own list leaves it as it is.
    if (snapshots != &m_Snapshots) CopySnapshots(m_Snapshots, snapshots);
    m_dwACUse = acUse;
}

void CSourceBlockWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    CACWizardBase4::Serialize(ar, version);
    if (ar.IsStoring()) {
        m_wSchema = 1;
        ar << m_wSchema;
        qv::snapshots::StoreSnapshots(ar, m_Snapshots);
        ar << m_dwACUse;
        return;
    }
    // The AC part of a newer schema has a layout this wizard does not know: what follows it
    // cannot be found, so nothing more is read.
    if (GetACSchema() != 0) return;
    ar >> m_wSchema;
    if (m_wSchema > 1) return;
    // The list read replaces the one held (LoadSnapshots empties it first).
    qv::snapshots::LoadSnapshots(ar, m_Snapshots);
    if (m_wSchema == 0) return;
    ar >> m_dwACUse;
}

int CSourceBlockWizardBase4::WriteDescription(const CString& templ, CString& modelText, bool valuePlaceholders) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (m_Snapshots.GetSize() == 0) Initialize(0);

    const RequestTarget target(this);
    ScopedParamSet params(target);
    ParamHolder* holder = params.Holder();
    BuildPinAssignmentList(modelText, &m_Snapshots, 0, holder, nullptr);

    for (int i = static_cast<int>(g_PlaceholderList.GetSize()) - 1; i >= 0; --i) {
        CCopaObjectCompare* entry = g_PlaceholderList.GetEntry(i);
        if (entry != nullptr) {
            const CString name = entry->GetName();
            if (name == "@AC_PHASE_PHI") {
                entry->SetName("AC_PHASE");
                if (CWizardCopaObject3* phase = FindParamByValueID(holder, qv::ac::kIdPhase)) phase->SetUsedUnit("rad");
                CommitParamSet(target, params.Cookie());
                ReplacePlaceholder(modelText, "@AC_PHASE_PHI", "@AC_PHASE", 0);
            } else if (name == "@AC_PHASE") {
                BuildACPhaseExpr(entry, holder, qv::ac::kIdReal, qv::ac::kIdImaginary, &modelText);
            } else if (name == "@AC_MAG") {
                BuildACMagnitudeExpr(entry, holder, qv::ac::kIdReal, qv::ac::kIdImaginary, &modelText);
            } else if (valuePlaceholders && name == "@AC_MAG_VAL") {
                ReplaceACMagnitude(holder, &modelText, qv::ac::kIdMagnitude, kIdBlockValue);
            } else if (valuePlaceholders && name == "@AC_PHASE_VAL") {
                ReplaceACPhase(holder, &modelText, qv::ac::kIdPhase, kIdBlockValue);
            }
        }
        // The list owns its entries: each leaves the list, then it is deleted.
        g_PlaceholderList.DiscardAt(i);
    }
    return 4;
}

// ---------------------------------------------------------------------------------------
// What the source blocks' pages share.

BEGIN_MESSAGE_MAP(CSourceBlockPage, CTBPropertyPage)
    ON_CBN_DROPDOWN(kIdSampleTime, &CSourceBlockPage::OnSampleTimeLeft)
    ON_CBN_KILLFOCUS(kIdSampleTime, &CSourceBlockPage::OnSampleTimeLeft)
    ON_CBN_SELCHANGE(kIdSampleTime, &CSourceBlockPage::OnMarkModified)
    ON_BN_CLICKED(kIdBlockOutput, &CSourceBlockPage::OnOutput)
    ON_BN_CLICKED(kCtlSampleTimePin, &CSourceBlockPage::OnSampleTimePin)
    ON_BN_CLICKED(kCtlShowName, &CSourceBlockPage::OnFieldChanged)
    ON_EN_CHANGE(kCtlName, &CSourceBlockPage::OnFieldChanged)
    ON_CBN_SELCHANGE(kCtlUnit, &CSourceBlockPage::OnFieldChanged)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CSourceBlockPage::~CSourceBlockPage() {
    DeleteSnapshots(m_Snapshots);
    delete m_pSymbol;
    m_pSymbol = nullptr;
}

void CSourceBlockPage::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlUnit, m_cmbUnit);
    DDX_Control(pDX, kIdSampleTime, m_cmbSampleTime);
    qv::pages::ExchangeNameAndShowName(pDX, m_strName, m_bShowName);
    DDX_Check(pDX, kCtlSampleTimePin, m_bSampleTimePin);
    DDX_Check(pDX, kIdBlockOutput, m_bOutput);
}

void CSourceBlockPage::Rebind(CSourceBlockWizardBase4* wizard, ParamHolder* params) {
    m_pWizard = wizard;
    m_pParams = params;
}

CPropACParameters* CSourceBlockPage::ACPage() const {
    if (m_pOwnACPage != nullptr) return m_pOwnACPage;
    return m_pWizard ? m_pWizard->GetACPage() : nullptr;
}

void CSourceBlockPage::EnableControl(int id, BOOL enable) {
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(enable);
}

void CSourceBlockPage::InitDialogStart() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    if (m_pParams != nullptr) {
        m_strName = m_pParams->m_strElementName;
        m_bShowName = m_pParams->m_dwShowName != 0;
        if (m_pWizard != nullptr) m_pWizard->GetLangDependentString(m_pParams->m_SymbolTexts, m_strSymbolText);
    }
    if (m_pSymbol == nullptr) {
        m_pSymbol = new CTBDrawSymbol(CRect(0, 0, 0, 0));
        CResourceSwitch resources;
        m_pSymbol->LoadSymbols(m_strSymbolText);
    }
    UpdateData(FALSE);
    m_cmbUnit.DisableFlatLook(TRUE);
}

void CSourceBlockPage::ShowSampleTime(CWizardCopaObject3* param) {
    if (param->HasPin()) m_bSampleTimePin = TRUE;
    qv::blocks::ShowSampleTime(m_cmbSampleTime, param->GetValue(), qv::blocks::SampleTimeRule::Block);
    qv::pages::ShowUnitsOf(m_cmbUnit, param);
}

void CSourceBlockPage::InitDialogEnd() {
    UpdateData(FALSE);
    GetSDBOutput(m_pParams, kIdBlockOutput, &m_bOutput);
    UpdateData(FALSE);
    qv::pages::AppendParamUnitToCaption(*this, m_pParams, kIdBlockOutput);
    SetModified(FALSE);
}

BOOL CSourceBlockPage::OnSetActive() {
    GetSDBOutput(m_pParams, kIdBlockOutput, &m_bOutput);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    ReadValuePins();
    GetParamUsePin(m_pParams, kIdSampleTime, &m_bSampleTimePin);
    if (GetSafeHwnd() != nullptr) {
        UpdateData(FALSE);
        UpdateData(TRUE);
    }
    EnableControl(kIdSampleTime, !m_bSampleTimePin);
    SetParamUsePin(m_pParams, kIdSampleTime, m_bSampleTimePin);
    ShowValuePins();
    SetModified(FALSE);
    return CTBPropertyPage::OnSetActive();
}

void CSourceBlockPage::StoreName() {
    UpdateData(TRUE);
    qv::pages::StoreNameAndShowName(*m_pParams, m_strName, m_bShowName);
    UpdateData(TRUE);
}

void CSourceBlockPage::WriteSampleTime(CWizardCopaObject3* param) {
    param->SetValue(qv::blocks::StoredSampleTimeWithMilli(m_cmbSampleTime));
    qv::pages::WriteShownUnit(&m_cmbUnit, param);
}

BOOL CSourceBlockPage::CommitAndFinish() {
    if (!qv::pages::RefuseBlankValueField(*this, m_pParams)) return FALSE;
    BuildCompareList();
    HandOverSettings();
    if (!CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams))) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CSourceBlockPage::HandOverSettings() {
    if (m_pWizard == nullptr) return;
    // Without an AC page the wizard keeps its own AC mode.
    if (CPropACParameters* ac = ACPage()) m_pWizard->SetACMode(ac->GetMode());
    m_pWizard->SetACParameters(&m_Snapshots, ACUseToHandOver());
}

void CSourceBlockPage::AppendSnapshot(const char* name, const char* rename) {
    auto* snapshot = new CCopaObjectCompare;
    snapshot->SetFrom(FindParamByName(m_pParams, name));
    if (rename != nullptr) snapshot->SetName(rename);
    m_Snapshots.Add(snapshot);
}

void CSourceBlockPage::AppendACSnapshots() {
    const CPropACParameters* ac = ACPage();
    if (ac != nullptr && ac->GetMode() != 0) {
        AppendSnapshot("AC_RE", "@AC_PHASE");
        AppendSnapshot("AC_IM", "@AC_MAG");
    } else {
        AppendSnapshot("AC_PHASE", nullptr);
        AppendSnapshot("AC_MAG", nullptr);
    }
}

void CSourceBlockPage::WriteDefaults(int mode) {
    if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
    BuildCompareList();
    if (mode == 1) HandOverSettings();
}

void CSourceBlockPage::OnPaint() { qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText); }

void CSourceBlockPage::OnFieldChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CSourceBlockPage::OnMarkModified() { SetModified(TRUE); }

// A text typed into the sample-time list becomes an entry of its own.
void CSourceBlockPage::OnSampleTimeLeft() { qv::pages::KeepTypedTextAsEntry(m_cmbSampleTime); }

void CSourceBlockPage::OnOutput() { qv::pages::ReadAndFlipOutputSwitch(*this, m_pParams, m_bOutput, kIdBlockOutput); }

void CSourceBlockPage::OnSampleTimePin() {
    UpdateData(TRUE);
    EnableControl(kIdSampleTime, !m_bSampleTimePin);
    SetParamUsePin(m_pParams, kIdSampleTime, m_bSampleTimePin);
    SetModified(TRUE);
}

// ---------------------------------------------------------------------------------------
// The constant block's page.

BEGIN_MESSAGE_MAP(CPropConstantBlock, CSourceBlockPage)
    ON_EN_CHANGE(kIdBlockValue, &CPropConstantBlock::OnFieldChanged)
    ON_BN_CLICKED(kCtlACUse, &CPropConstantBlock::OnFieldChanged)
    ON_BN_CLICKED(kCtlValuePin, &CPropConstantBlock::OnValuePin)
END_MESSAGE_MAP()

CPropConstantBlock::CPropConstantBlock() : CSourceBlockPage(kConstantTemplate) {}

CPropConstantBlock::CPropConstantBlock(CSourceBlockWizardBase4* wizard, ParamHolder* params)
    : CSourceBlockPage(kConstantTemplate, wizard, params) {
    qv::pages::RegisterElementLayout(*this, kConstantLayout);
}

void CPropConstantBlock::SetSettings(const CPtrArray* snapshots, BOOL acUse) {
    CopySnapshots(m_Snapshots, snapshots);
    m_bACUse = acUse ? TRUE : FALSE;
}

void CPropConstantBlock::DoDataExchange(CDataExchange* pDX) {
    CSourceBlockPage::DoDataExchange(pDX);
    DDX_Check(pDX, kCtlValuePin, m_bValuePin);
    DDX_Text(pDX, kIdBlockValue, m_strValue);
    DDX_Check(pDX, kCtlACUse, m_bACUse);
}

BOOL CPropConstantBlock::OnInitDialog() {
    InitDialogStart();
    qv::blocks::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdBlockValue) {
            if (param->HasPin()) m_bValuePin = TRUE;
            m_strValue = param->GetValue();
        } else if (param->GetValueID() == kIdSampleTime) {
            ShowSampleTime(param);
        }
    });
    InitDialogEnd();
    return TRUE;
}

void CPropConstantBlock::ReadValuePins() { GetParamUsePin(m_pParams, kIdBlockValue, &m_bValuePin); }

void CPropConstantBlock::ShowValuePins() {
    EnableControl(kIdBlockValue, !m_bValuePin);
    SetParamUsePin(m_pParams, kIdBlockValue, m_bValuePin);
}

BOOL CPropConstantBlock::OnKillActive() {
    if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
    if (m_pWizard != nullptr && m_pWizard->GetACPage() != nullptr) {
        CPropACParameters* ac = m_pWizard->GetACPage();
        ac->SetLocked(m_bACUse ? 1 : 0);
        if (m_bACUse) ac->PresetMagnitudeAndPhase(m_strValue, "0");
    }
    return CTBPropertyPage::OnKillActive();
}

BOOL CPropConstantBlock::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (m_pParams == nullptr) return FALSE;
    StoreName();
    qv::blocks::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdSampleTime)
            WriteSampleTime(param);
        else if (param->GetValueID() == kIdBlockValue)
            param->SetValue(m_strValue);
    });
    return CommitAndFinish();
}

void CPropConstantBlock::BuildCompareList() {
    DeleteSnapshots(m_Snapshots);
    AppendSnapshot("CONST", nullptr);
    AppendSnapshot("TS", nullptr);
    if (m_bACUse) {
        AppendSnapshot("AC_PHASE", "@AC_PHASE_VAL");
        AppendSnapshot("AC_MAG", "@AC_MAG_VAL");
    } else {
        AppendACSnapshots();
    }
}

void qv::timefunctions::ReadOlderSourcePageData(const void* data, long length, CPtrArray& snapshots,
                                               CPropACParameters* ac) {
    DeleteSnapshots(snapshots);
    const size_t size = data != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
    DWORD word = 0;
    DWORD count = 0;
    DWORD block = 0;
    bool intact = in.ReadDword(word) && in.ReadDword(count) && in.ReadDword(block) && in.Fits(block);
    if (intact) {
        // A count that could not be stored in the block's bytes is cut to what they can hold.
        const DWORD limit = std::min<DWORD>(block, kMaxArchivedSnapshots);
        const DWORD readable = std::min(count, limit);
        if (block > 0 && readable > 0)
            ReadArchivedBlock(in.Position(), block,
                              [&snapshots, readable](CArchive& ar) { qv::snapshots::ReadSnapshots(ar, readable, snapshots); });
        in.SkipBytes(block);
    }
    // The page's own block holds nothing this page reads.
    for (int skipped = 0; skipped < 3 && intact; ++skipped) intact = in.ReadDword(block) && in.SkipBytes(block);
    if (intact && in.Remaining() > 0 && ac != nullptr) {
        const BYTE* cursor = in.Position();
        size_t consumed = 0;
        LoadObjectFromBuffer(ac, &cursor, in.Remaining(), &consumed);
    }
}

// Element data of the older wizard generation; the settings go to the wizard in every case.
void CPropConstantBlock::ConvertWizard3Data(const void* data, long length) {
    ReadOlderSourcePageData(data, length, m_Snapshots, ACPage());
    if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
    HandOverSettings();
}

void CPropConstantBlock::OnValuePin() {
    UpdateData(TRUE);
    EnableControl(kIdBlockValue, !m_bValuePin);
    SetModified(TRUE);
    SetParamUsePin(m_pParams, kIdBlockValue, m_bValuePin);
}
