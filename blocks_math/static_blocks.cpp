#include "blocks_math/static_blocks.h"

#include "framework/dialog_rects.h"
#include "framework/listed_controls.h"
#include "framework/module.h"
#include "framework/shown_unit.h"
#include "framework/page_inputs.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/param_set_page.h"
#include "framework/requests.h"
#include "framework/symbol_paint.h"

using namespace qv::blocks;

namespace {

// Negator, dialog 2564.
constexpr ControlLayout kNegatorLayout[] = {
    {2072, 15}, {2182, 33}, {2183, 97},
    {2400, 48}, {2074, 33}, {2185, 48}, {2186, 98}, {2073, 32}, {2017, 11}, {2056, 9},
};

// Limiter, dialog 2565.
constexpr ControlLayout kLimiterLayout[] = {
    {2072, 15}, {2149, 33}, {2182, 33}, {2151, 97}, {2183, 97},
    {2400, 48}, {2074, 33}, {2150, 48}, {2185, 48}, {2152, 98}, {2186, 98}, {2073, 32}, {2017, 11}, {2056, 9},
};
constexpr WORD kLimiterTexts[] = {2152, 2151};

// Comparator, dialog 2566 ("Show Name" moves otherwise than in the element frame).
constexpr ControlLayout kComparatorLayout[] = {
    {2002, 36}, {2072, 15}, {2250, 33}, {2252, 33},
    {2253, 33}, {2182, 33}, {2251, 97}, {2254, 97}, {2255, 97}, {2183, 97}, {2400, 48},
    {2185, 48}, {2186, 98}, {2074, 33}, {2073, 32}, {2017, 11}, {2056, 9},
};
constexpr WORD kComparatorTexts[] = {2251, 2254, 2255};

// Two-point element, dialog 2567.
constexpr ControlLayout kTwoPointLayout[] = {
    {2072, 15}, {2258, 33}, {2256, 33}, {2252, 33},
    {2253, 33}, {2184, 33}, {2182, 33}, {2259, 97}, {2257, 97}, {2254, 97}, {2255, 97}, {2187, 97},
    {2183, 97}, {2400, 48}, {2074, 97}, {2185, 48}, {2186, 98}, {2073, 32}, {2017, 11}, {2056, 9},
};
constexpr WORD kTwoPointTexts[] = {2187, 2259, 2257, 2254, 2255};

// Discretization element, dialog 2568.
constexpr ControlLayout kDiscretizationLayout[] = {
    {2072, 15}, {2144, 33}, {2182, 33}, {2028, 97},
    {2183, 97}, {2400, 48}, {2074, 33}, {2185, 48}, {2186, 98}, {2073, 32}, {2017, 11}, {2056, 9},
};
constexpr WORD kDiscretizationTexts[] = {2028};

constexpr SimpleBlockPageSpec kNegatorSpec{.templateID = 2564, .layout = kNegatorLayout};
constexpr SimpleBlockPageSpec kLimiterSpec{.templateID = 2565, .layout = kLimiterLayout, .texts = kLimiterTexts};
constexpr SimpleBlockPageSpec kComparatorSpec{
    .templateID = 2566, .layout = kComparatorLayout, .texts = kComparatorTexts};
constexpr SimpleBlockPageSpec kTwoPointSpec{.templateID = 2567, .layout = kTwoPointLayout, .texts = kTwoPointTexts};
constexpr SimpleBlockPageSpec kDiscretizationSpec{
    .templateID = 2568, .layout = kDiscretizationLayout, .texts = kDiscretizationTexts};

} // namespace

// ---------------------------------------------------------------------------------------
// CSimpleBlockPage

// The fields whose edits mark the page modified: name, input and the block parameters of every
// dialog this page serves (a dialog without the control never sends its notification).
constexpr int kSimpleBlockPageEdits[] = {kCtlName, kIdInputSignal, 2151, 2152, 2251, 2254, 2255, 2259, 2257, 2187, 2028, 2247};

BEGIN_MESSAGE_MAP(CSimpleBlockPage, CTBPropertyPage)
    ON_WM_PAINT()
    ON_BN_CLICKED(kCtlShowName, &CSimpleBlockPage::OnMarkModified)
    ON_LISTED_CONTROLS(EN_CHANGE, kSimpleBlockPageEdits, &CSimpleBlockPage::OnMarkModified)
    ON_BN_CLICKED(kCtlInputPin, &CSimpleBlockPage::OnInputPin)
    ON_BN_CLICKED(kCtlSampleTimePin, &CSimpleBlockPage::OnSampleTimePin)
    ON_BN_CLICKED(kIdBlockOutput, &CSimpleBlockPage::OnOutput)
    ON_SAMPLE_TIME_LIST()
    // Every page marks itself when a unit is chosen, the limiter's too, so that a changed
    // unit is never an unnoticed change.
    ON_CBN_SELCHANGE(kCtlUnit, &CSimpleBlockPage::OnMarkModified)
    ON_CBN_SELCHANGE(kCtlInputUnit, &CSimpleBlockPage::OnMarkModified)
END_MESSAGE_MAP()

CSimpleBlockPage::CSimpleBlockPage(const SimpleBlockPageSpec& spec) : TBlockPageFields(spec.templateID, 0), m_spec(spec) {
    for (WORD id : spec.texts) m_texts.emplace_back(id, CString());
}

CSimpleBlockPage::CSimpleBlockPage(const SimpleBlockPageSpec& spec, CWizardBase3* wizard,
                                   CWizardSchematicDataExchange3* exchange)
    : CSimpleBlockPage(spec) {
    m_pWizard = wizard;
    m_pHolder = exchange;
    qv::pages::RegisterElementLayout(*this, spec.layout);
}

CSimpleBlockPage::CSimpleBlockPage(const SimpleBlockPageSpec& spec, CWizardBase4* wizard, DWORD_PTR cookie)
    : CSimpleBlockPage(spec) {
    m_pWizard = wizard;
    m_cookie = cookie;
    m_pHolder = HolderFromCookie(cookie);
    qv::pages::RegisterElementLayout(*this, spec.layout);
}

CSimpleBlockPage::~CSimpleBlockPage() {
    delete m_pSymbol;
    m_pSymbol = nullptr;
}

void CSimpleBlockPage::Rebind(CWizardBase4* wizard, DWORD_PTR cookie) {
    m_pWizard = wizard;
    m_cookie = cookie;
    m_pHolder = HolderFromCookie(cookie);
}

CString* CSimpleBlockPage::BlockText(WORD id) {
    for (auto& [textID, text] : m_texts)
        if (textID == id) return &text;
    return nullptr;
}

void CSimpleBlockPage::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    ExchangeBlockFields(pDX);
    if (m_spec.inputUnit) DDX_Control(pDX, kCtlInputUnit, m_cmbInputUnit);
    DDX_Control(pDX, kIdSampleTime, m_cmbSampleTime);
    for (auto& [id, text] : m_texts) DDX_Text(pDX, id, text);
}

BOOL CSimpleBlockPage::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    qv::pages::LoadNameAndSymbol(m_pHolder, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    m_cmbUnit.DisableFlatLook(TRUE);
    if (m_spec.inputUnit) m_cmbInputUnit.DisableFlatLook(TRUE);
    UpdateData(FALSE);

    qv::blocks::ForEachPageInput(m_pHolder, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (id == kIdInputSignal) {
            if (param->HasPin()) m_bInputPin = TRUE;
            m_strInput = param->GetValue();
            if (m_spec.inputUnit) ShowUnitsOf(m_cmbInputUnit, param);
        } else if (id == kIdSampleTime) {
            ShowSampleTimeParam(param, m_cmbSampleTime, m_cmbUnit, m_bSampleTimePin);
        } else if (CString* text = BlockText(id)) {
            *text = param->GetValue();
        }
    });
    UpdateData(FALSE);
    GetSDBOutput(m_pHolder, kIdBlockOutput, &m_bOutput);
    UpdateData(FALSE);
    qv::pages::AppendUnitToCaption(*this, m_pHolder, kIdBlockOutput, kIdBlockOutput);
    SetModified(FALSE);
    EnableBlockParameters();
    if (m_spec.parameterCaption != 0) {
        CResourceSwitch resources;
        CString text;
        if (text.LoadString(m_spec.parameterCaption)) SetDlgItemText(kCtlParameterCaption, text);
    }
    return TRUE;
}

void CSimpleBlockPage::EnableBlockParameters() {
    if (!m_spec.enableByPin) return;
    for (const auto& [id, text] : m_texts) {
        if (CWnd* edit = GetDlgItem(id)) edit->EnableWindow(IsParamNotOnPin(m_pHolder, id));
    }
}

BOOL CSimpleBlockPage::OnSetActive() {
    ShowBlockSwitchesAndPins(m_pHolder, kIdSampleTime);
    EnableBlockParameters();
    return CPropertyPage::OnSetActive();
}

void CSimpleBlockPage::OnInputPin() { qv::pages::ClickPinBox(*this, m_pHolder, m_bInputPin, kIdInputSignal); }

void CSimpleBlockPage::OnSampleTimePin() { qv::pages::ClickPinBox(*this, m_pHolder, m_bSampleTimePin, kIdSampleTime); }

void CSimpleBlockPage::OnOutput() {
    qv::pages::ClickOutputBox(*this, m_pHolder, m_bOutput, kIdBlockOutput, kIdBlockOutput);
    // The output is the element's from the click on, as on the older block pages: it is
    // committed at once, so that a later Cancel of the sheet leaves it switched.
    Commit();
}

void CSimpleBlockPage::OnSampleTimeTyped() {
    const int before = m_cmbSampleTime.GetCount();
    TakeOverTypedSampleTime(m_cmbSampleTime);
    if (m_spec.typedSampleTimeMarks && m_cmbSampleTime.GetCount() != before) SetModified(TRUE);
}

void CSimpleBlockPage::OnSampleTimeChosen() { SetModified(TRUE); }

BOOL CSimpleBlockPage::Commit() {
    const RequestTarget target(m_pWizard);
    if (m_spec.newerBase) return CommitParamSet(target, m_cookie);
    return CommitExchange(target, static_cast<CWizardSchematicDataExchange3*>(m_pHolder));
}

void CSimpleBlockPage::StoreFields() {
    if (m_pHolder == nullptr) return;
    m_pHolder->m_strElementName = m_strName;
    m_pHolder->m_dwShowName = m_bShowName ? 1 : 0;
    UpdateData(TRUE);
    StoreFieldParameters();
}

void CSimpleBlockPage::StoreFieldParameters() {
    if (m_pHolder == nullptr) return;
    qv::blocks::ForEachPageInput(m_pHolder, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (id == kIdSampleTime) {
            WriteSampleTime(param, StoredSampleTime(m_cmbSampleTime), m_cmbUnit);
        } else if (id == kIdInputSignal) {
            param->SetValue(m_strInput);
            if (!m_spec.inputUnit) return;
            CString unit;
            m_cmbInputUnit.GetWindowText(unit);
            param->SetUsedUnit(unit);
        } else if (const CString* text = BlockText(id)) {
            param->SetValue(*text);
        }
    });
}

BOOL CSimpleBlockPage::OnApply() {
    // Without parameters there is nothing to write into or to commit.
    if (m_pHolder == nullptr || !qv::pages::RefuseBlankValueField(*this, m_pHolder)) return FALSE;
    UpdateData(TRUE);
    StoreFields();
    BeforeCommit();
    if (!Commit()) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CSimpleBlockPage::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}

// ---------------------------------------------------------------------------------------
// The five static-block pages and their wizards

QV_SIMPLE_BLOCK_PAGE_IMPL(CPropNegatorBlock, kNegatorSpec)
QV_SIMPLE_BLOCK_PAGE_IMPL(CPropLimiterBlock, kLimiterSpec)
QV_SIMPLE_BLOCK_PAGE_IMPL(CPropComparatorBlock, kComparatorSpec)
QV_SIMPLE_BLOCK_PAGE_IMPL(CPropTwoPointElementBlock, kTwoPointSpec)
QV_SIMPLE_BLOCK_PAGE_IMPL(CPropDiscretizationElementBlock, kDiscretizationSpec)

IMPLEMENT_DYNAMIC(CNegatorBlockWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CLimiterBlockWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CComparatorBlockWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CTwoPointElementWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CDiscretizationElementWizard, CWizardBase3)
