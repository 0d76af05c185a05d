#include "blocks_math/max_min_time.h"

#include "framework/byte_cursor.h"
#include "framework/dialog_rects.h"
#include "framework/immanent_template.h"
#include "framework/module.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "toolkit/tb_numbers.h"

#include <cmath>
#include <new>

using namespace qv::blocks;

namespace {

constexpr WORD kIdInitValue = 2187;
constexpr WORD kIdFactor = 2010;
constexpr WORD kIdOldType = 1000;

constexpr ControlLayout kMaxMinLayout[] = {
    {2072, 15}, {2268, 33}, {2184, 33},
    {2182, 33}, {2269, 97}, {2187, 97}, {2183, 97}, {2074, 33}, {2009, 48}, {2185, 48},
    {2010, 98}, {2186, 98}, {2073, 32}, {2400, 48}, {2017, 11}, {2056, 9},
};
constexpr WORD kMaxMinTexts[] = {kIdFactor, kIdInitValue};
constexpr SimpleBlockPageSpec kMaxMinSpec{.templateID = kMaxMinTimeTemplate,
                                          .layout = kMaxMinLayout,
                                          .texts = kMaxMinTexts,
                                          .newerBase = true,
                                          .enableByPin = false};

// The variant mask of a function index, or FALSE for an index without a variant.
bool MaskOfIndex(int index, BYTE* mask) {
    if (index < 0 || index > kMinimumT) return false;
    *mask = static_cast<BYTE>(1u << index);
    return true;
}

} // namespace

namespace qv::blocks {

const char* MaxMinTimeKeyword(int type) { return type == kMinimumT ? "MINT " : "MAXT "; }

BOOL ConvertOldType(ParamHolder* holder, const void* data, long length, int* type) {
    if (data != nullptr) {
        qv::bytes::Reader reader(static_cast<const BYTE*>(data), length > 0 ? static_cast<size_t>(length) : 0);
        DWORD value = 0;
        // A block too short for its first field says nothing.
        if (!reader.ReadDword(value)) return FALSE;
        *type = static_cast<int>(value);
        return TRUE;
    }
    CString text;
    if (!GetParamValue(holder, kIdOldType, &text)) return FALSE;
    const double number = std::trunc(TBExtended_atof(text, ""));
    // Only a function the block knows is taken; anything else keeps the type.
    if (!(number == 0.0 || number == 1.0)) return FALSE;
    *type = static_cast<int>(number);
    return TRUE;
}

} // namespace qv::blocks

// ---------------------------------------------------------------------------------------
// CPropMaximumTMinimumTBlock

IMPLEMENT_DYNCREATE(CPropMaximumTMinimumTBlock, CTBPropertyPage)

BEGIN_MESSAGE_MAP(CPropMaximumTMinimumTBlock, CSimpleBlockPage)
    ON_CBN_SELCHANGE(kCtlFunction, &CPropMaximumTMinimumTBlock::OnFunctionSelChange)
    ON_EN_CHANGE(kIdFactor, &CPropMaximumTMinimumTBlock::OnMarkModified)
END_MESSAGE_MAP()

CPropMaximumTMinimumTBlock::CPropMaximumTMinimumTBlock() : CSimpleBlockPage(kMaxMinSpec) {}

CPropMaximumTMinimumTBlock::CPropMaximumTMinimumTBlock(CWizardBase4* wizard, DWORD_PTR cookie)
    : CSimpleBlockPage(kMaxMinSpec, wizard, cookie) {}

void CPropMaximumTMinimumTBlock::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, kCtlFunction, m_cmbFunction);
    CSimpleBlockPage::DoDataExchange(pDX);
}

BOOL CPropMaximumTMinimumTBlock::OnInitDialog() {
    CSimpleBlockPage::OnInitDialog();
    // A stored type the list does not know selects no entry.
    m_cmbFunction.SetCurSel(m_nFunction >= 0 && m_nFunction < m_cmbFunction.GetCount() ? m_nFunction : -1);
    BYTE mask = 0;
    if (m_pSymbol != nullptr && MaskOfIndex(m_nFunction, &mask)) m_pSymbol->SetCurMask(mask);
    SetModified(FALSE);
    return TRUE;
}

void CPropMaximumTMinimumTBlock::OnFunctionSelChange() {
    UpdateData(TRUE);
    BYTE mask = 0;
    if (m_pSymbol != nullptr && MaskOfIndex(m_cmbFunction.GetCurSel(), &mask)) {
        m_pSymbol->SetCurMask(mask);
        CRect rect;
        GetDlgItemRectInDlg(&rect, kCtlSymbolFrame, this);
        InvalidateRect(&rect);
    }
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPropMaximumTMinimumTBlock::BeforeCommit() {
    const int index = m_cmbFunction.GetCurSel();
    BYTE mask = 0;
    // Without a selected function the type and the shown variant stay as they are.
    if (!MaskOfIndex(index, &mask)) return;
    m_nFunction = index;
    if (auto* wizard = dynamic_cast<CMaximumTMinimumTBlockWizard4*>(m_pWizard)) wizard->SetFunctionType(index);
    m_pHolder->m_bySymbolVariant = mask;
}

// ---------------------------------------------------------------------------------------
// CMaximumTMinimumTBlockWizard4

IMPLEMENT_DYNAMIC(CMaximumTMinimumTBlockWizard4, CWizardBase4)

CMaximumTMinimumTBlockWizard4::CMaximumTMinimumTBlockWizard4(const CMaximumTMinimumTBlockWizard4* other)
    : TPageWizard4(other) {
    if (other == nullptr) return;
    m_wSchema = other->m_wSchema;
    m_nType = other->m_nType;
}

int CMaximumTMinimumTBlockWizard4::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    ReplacePlaceholder(modelText, "@TYPE", MaxMinTimeKeyword(m_nType), FALSE);
    return 4;
}

BOOL CMaximumTMinimumTBlockWizard4::Initialize(int argument) {
    if (argument != 0) return TRUE;
    ScopedParamSet params{RequestTarget(this)};
    BYTE mask = 0;
    if (params.Holder() != nullptr && MaskOfIndex(m_nType, &mask)) params.Holder()->m_bySymbolVariant = mask;
    return TRUE;
}

void CMaximumTMinimumTBlockWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << static_cast<DWORD>(m_nType);
        return;
    }
    ar >> m_wSchema;
    if (m_wSchema != 0) return;
    DWORD type = 0;
    ar >> type;
    m_nType = static_cast<int>(type);
}

BOOL CMaximumTMinimumTBlockWizard4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    ConvertOldType(params.Holder(), data, length, &m_nType);
    return TRUE;
}

void CMaximumTMinimumTBlockWizard4::GiveSettingsToPage(CPropMaximumTMinimumTBlock& page) {
    page.SetFunctionIndex(m_nType);
}
