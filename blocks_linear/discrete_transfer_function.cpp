#include "blocks_linear/discrete_transfer_function.h"

#include "framework/byte_cursor.h"
#include "framework/field_exchange.h"
#include "framework/immanent_template.h"
#include "framework/indexed_family.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/older_base_block.h"
#include "framework/page_steps.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "toolkit/tb_numbers.h"

#include <cmath>
#include <cstring>
#include <new>

IMPLEMENT_DYNAMIC(CDiscreteTransferFunctionWizard4, CWizardBase4)

using namespace qv::blocks;
using qv::family::IndexedName;
using qv::family::OrderFromText;

namespace {

using namespace qv::strings;
constexpr DWORD kPageVersion = 10;
constexpr DWORD kMaxTexts = CTransferFunctionDiscretizer::kSize;
using qv::dialog::kColumnWidth;

using qv::pages::ControlLayout;
constexpr ControlLayout kDialogLayout[] = {
    {.id = 2189, .flags = 0x4D}, {.id = 2194, .flags = 0x4D}, {.id = 2191, .flags = 0x05},
    {.id = 2188, .flags = 0x45}, {.id = 2182, .flags = 0x09}, {.id = 2202, .flags = 0x49},
    {.id = 2190, .flags = 0x4E}, {.id = 2195, .flags = 0x4E}, {.id = 2193, .flags = 0x46},
    {.id = 2192, .flags = 0x14}, {.id = 1, .flags = 0x18},    {.id = 2, .flags = 0x18},
};

CString NumberText(double value) { return TBExtended_ftoa(value, -1, 0, ""); }

// An order typed as text: the integer part of its number, within 0..100.
bool ConvertOrder(const CString& text, int* order) {
    const double value = TBExtended_atof(text);
    if (!std::isfinite(value) || value < 0.0 || value >= kMaxConvertOrder + 1.0) return false;
    *order = static_cast<int>(value);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------
// CDlgConvertGs

BEGIN_MESSAGE_MAP(CDlgConvertGs, CTBDialog)
    ON_EN_KILLFOCUS(kIdDenominatorOrder, &CDlgConvertGs::OnKillFocusDenominatorOrder)
    ON_EN_KILLFOCUS(kIdNumeratorOrder, &CDlgConvertGs::OnKillFocusNumeratorOrder)
END_MESSAGE_MAP()

CDlgConvertGs::CDlgConvertGs(CWnd* parent) : CTBDialog(kConvertGsTemplate, parent) {
    qv::pages::RegisterLayout(*this, kDialogLayout);
}

CDlgConvertGs::CDlgConvertGs(CTransferFunctionDiscretizer* discretizer, CWnd* parent, int mode)
    : CDlgConvertGs(parent) {
    m_pDiscretizer = discretizer;
    m_nMode = mode;
}

CDlgConvertGs::~CDlgConvertGs() = default;

void CDlgConvertGs::DoDataExchange(CDataExchange* pDX) {
    CTBDialog::DoDataExchange(pDX);
    qv::pages::ExchangeControls(pDX, {{kIdNumerator, m_lstNumerator}, {kIdDenominator, m_lstDenominator}});
    qv::pages::ExchangeTexts(pDX, {{kIdDenominatorOrder, m_strDenominatorOrder},
                                   {kIdNumeratorOrder, m_strNumeratorOrder}, {kIdSampleTimeField, m_strSampleTime}});
}

CString CDlgConvertGs::RowName(bool numerator, int index) const {
    CString name;
    if (m_nMode == 1)
        name.Format(numerator ? "B[%i]" : "A[%i]", index);
    else
        name.Format(numerator ? "num[%i]" : "den[%i]", index);
    return name;
}

void CDlgConvertGs::Message(const CString& text) {
    CResourceSwitch resources;
    AfxMessageBox(text, MB_OK);
}

BOOL CDlgConvertGs::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBDialog::OnInitDialog();
        for (CTBEditListCtrl* list : {&m_lstNumerator, &m_lstDenominator}) {
            list->InsertEditColumn(0, LoadLibraryString(kStrCoefficient), 0, kColumnWidth);
            list->InsertEditColumn(1, LoadLibraryString(kStrValue), 0, kColumnWidth);
        }
    }
    LoadFromData();
    auto fill = [this](CTBEditListCtrl& list, const CString& orderText, const CStringArray& texts, bool numerator) {
        int order = -1;
        if (!ConvertOrder(orderText, &order)) return;
        for (int i = 0; i <= order; ++i) {
            list.InsertEditItem(i, RowName(numerator, i), TB_EDIT_NONE);
            list.SetEditItemText(i, 1, i < texts.GetSize() ? texts.GetAt(i) : CString("0"), TB_EDIT_TEXT);
        }
    };
    fill(m_lstNumerator, m_strNumeratorOrder, m_NumeratorTexts, true);
    fill(m_lstDenominator, m_strDenominatorOrder, m_DenominatorTexts, false);
    m_lstDenominator.InitializeCtrl(1, 1);
    m_lstDenominator.InitializeColumnSize(0, "WIZColumnWidths", "TransferFctDenom");
    m_lstNumerator.InitializeCtrl(1, 1);
    m_lstNumerator.InitializeColumnSize(0, "WIZColumnWidths", "TransferFctNum");
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDlgConvertGs::SyncRows(CTBEditListCtrl& list, const CString& orderText, bool numerator) {
    int order = -1;
    if (!ConvertOrder(orderText, &order)) return FALSE;
    int rows = list.GetItemCount();
    for (; rows <= order; ++rows) {
        list.InsertEditItem(rows, RowName(numerator, rows), TB_EDIT_NONE);
        list.SetEditItemText(rows, 1, "0", TB_EDIT_TEXT);
    }
    for (; rows > order + 1; --rows) list.DeleteEditItem(rows - 1);
    return TRUE;
}

void CDlgConvertGs::OnKillFocusNumeratorOrder() {
    UpdateData(TRUE);
    SyncRows(m_lstNumerator, m_strNumeratorOrder, true);
}

void CDlgConvertGs::OnKillFocusDenominatorOrder() {
    UpdateData(TRUE);
    SyncRows(m_lstDenominator, m_strDenominatorOrder, false);
}

void CDlgConvertGs::OnOK() {
    UpdateData(TRUE);
    m_lstDenominator.CloseEdit(TRUE);
    m_lstNumerator.CloseEdit(TRUE);
    // The conversion computes with the orders and the sample time: a text that is no such
    // number is refused instead of being read as its leading digits or as 0.
    using qv::pages::NumberNeeded;
    if (!qv::pages::ReadsAsNumber(m_strNumeratorOrder, NumberNeeded::Number) ||
        !qv::pages::ReadsAsNumber(m_strDenominatorOrder, NumberNeeded::Number) ||
        !qv::pages::ReadsAsNumber(m_strSampleTime, NumberNeeded::Number)) {
        Message(LoadLibraryString(kStrInvalidValue));
        return;
    }
    // The rows follow the orders first: an order typed without leaving its field counts.
    if (!SyncRows(m_lstNumerator, m_strNumeratorOrder, true) ||
        !SyncRows(m_lstDenominator, m_strDenominatorOrder, false)) {
        Message(LoadLibraryString(kStrInvalidValue));
        return;
    }
    double num[CTransferFunctionDiscretizer::kSize] = {};
    double den[CTransferFunctionDiscretizer::kSize] = {};
    int m = 0;
    int n = 0;
    ConvertOrder(m_strNumeratorOrder, &m);
    ConvertOrder(m_strDenominatorOrder, &n);
    m_NumeratorTexts.RemoveAll();
    for (int i = 0; i <= m; ++i) {
        const CString text = m_lstNumerator.GetItemText(i, 1);
        m_NumeratorTexts.Add(text);
        num[i] = TBExtended_atof(text);
    }
    m_DenominatorTexts.RemoveAll();
    for (int i = 0; i <= n; ++i) {
        const CString text = m_lstDenominator.GetItemText(i, 1);
        den[i] = TBExtended_atof(text);
        // A leading coefficient worth zero ("0", "0.0", "0m", "-0", or no number at all).
        if (i == n && den[i] == 0.0) {
            Message(FillOneConversion(LoadLibraryString(kStrNotZero), 's', 0, m_lstDenominator.GetItemText(i, 0)));
            return;
        }
        m_DenominatorTexts.Add(text);
    }
    const double sampleTime = TBExtended_atof(m_strSampleTime);
    if (!std::isfinite(sampleTime) || !(sampleTime > 0.0)) {
        Message(LoadLibraryString(kStrInvalidValue));
        return;
    }
    if (!(n > m)) {
        Message(LoadLibraryString(kStrDenominatorBigger));
        return;
    }
    if (m_pDiscretizer == nullptr) return;
    m_pDiscretizer->Discretize(den, num, static_cast<short>(m), static_cast<short>(n), 1.0, sampleTime);
    if (m_pDiscretizer->GetStatus() != CTransferFunctionDiscretizer::Status::Done) {
        Message(LoadLibraryString(kStrNotAccurate));
        return;
    }
    SaveToData();
    CTBDialog::OnOK();
}

void CDlgConvertGs::SetState(int numeratorOrder, int denominatorOrder, const std::vector<CString>& numerator,
                             const std::vector<CString>& denominator) {
    m_strNumeratorOrder = NumberText(numeratorOrder);
    m_strDenominatorOrder = NumberText(denominatorOrder);
    m_NumeratorTexts.RemoveAll();
    m_DenominatorTexts.RemoveAll();
    for (const CString& text : numerator) m_NumeratorTexts.Add(text);
    for (const CString& text : denominator) m_DenominatorTexts.Add(text);
}

void CDlgConvertGs::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << kPageVersion;
        for (const CStringArray* texts : {&m_NumeratorTexts, &m_DenominatorTexts}) {
            ar << static_cast<DWORD>(texts->GetSize());
            for (int i = 0; i < texts->GetSize(); ++i) ar << texts->GetAt(i);
        }
        return;
    }
    DWORD version = 0;
    ar >> version;
    // Everything is read before anything changes: a refused or broken state keeps the old one.
    std::vector<CString> lists[2];
    for (std::vector<CString>& texts : lists) {
        DWORD count = 0;
        ar >> count;
        if (count > kMaxTexts) AfxThrowArchiveException(CArchiveException::badIndex);
        texts.resize(count);
        for (CString& text : texts) ar >> text;
    }
    if (!lists[0].empty()) m_strNumeratorOrder = NumberText(static_cast<double>(lists[0].size()) - 1.0);
    if (!lists[1].empty()) m_strDenominatorOrder = NumberText(static_cast<double>(lists[1].size()) - 1.0);
    m_NumeratorTexts.RemoveAll();
    m_DenominatorTexts.RemoveAll();
    for (const CString& text : lists[0]) m_NumeratorTexts.Add(text);
    for (const CString& text : lists[1]) m_DenominatorTexts.Add(text);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

void CDlgConvertGs::SaveToData() {
    CMemFile file(1024);
    {
        CArchive ar(&file, CArchive::store, 4096);
        Serialize(ar);
        ar.Close();
    }
    const ULONGLONG length = file.GetLength();
    BYTE* bytes = file.Detach();
    if (bytes != nullptr && length > 0)
        m_State.assign(bytes, bytes + length);
    else
        m_State.clear();
    free(bytes);
}

void CDlgConvertGs::LoadFromData() {
    qv::pages::ReadArchivedBlock(m_State.data(), m_State.size(), [this](CArchive& ar) { Serialize(ar); });
}

void CDlgConvertGs::SetData(const void* bytes, long length) {
    m_State.clear();
    if (bytes == nullptr || length <= 0) return;
    const BYTE* begin = static_cast<const BYTE*>(bytes);
    m_State.assign(begin, begin + length);
}

// ---------------------------------------------------------------------------------------
// CPropTransferFunctionBlockZ

BEGIN_MESSAGE_MAP(CPropTransferFunctionBlockZ, CPropTransferFunctionBlock)
    ON_BN_CLICKED(kCtlFromGs, &CPropTransferFunctionBlockZ::OnFromGs)
END_MESSAGE_MAP()

CPropTransferFunctionBlockZ::CPropTransferFunctionBlockZ(CDiscreteTransferFunctionWizard4* wizard, DWORD_PTR cookie,
                                                         DWORD mode)
    : CPropTransferFunctionBlock(wizard, cookie, mode), m_pDiscreteWizard(wizard) {
    m_orderKind = qv::pages::NumberNeeded::PositiveCount;
}

BOOL CPropTransferFunctionBlockZ::OnInitDialog() {
    CResourceSwitch resources;
    CPropTransferFunctionBlock::OnInitDialog();
    SetDlgItemText(kCtlNumeratorLabel, LoadLibraryString(kStrDimension));
    SetDlgItemText(kCtlDenominatorLabel, LoadLibraryString(kStrDimension));
    if (CWnd* control = GetDlgItem(kCtlFromGs)) control->ShowWindow(SW_SHOW);
    if (CWnd* control = GetDlgItem(kIdSampleTime)) control->ShowWindow(SW_HIDE);
    if (CWnd* control = GetDlgItem(kIdSampleTimeField)) control->ShowWindow(SW_SHOW);
    if (CWnd* control = GetDlgItem(kCtlInitialValues)) control->ShowWindow(m_bInitialDelay ? SW_HIDE : SW_SHOW);
    return TRUE;
}

void CPropTransferFunctionBlockZ::SizeSide(const CString& dimensionText, CWizardCopaObject3* coefficientTemplate,
                                           CPtrArray& coefficients, CWizardCopaObject3* initialTemplate,
                                           CPtrArray& initials, const char* initialPattern, CTBEditListCtrl& list) {
    int dimension = 0;
    if (!OrderFromText(dimensionText, &dimension)) {
        ShowMessage(LoadLibraryString(kStrInvalidValue));
        return;
    }
    dimension = std::max(dimension, 0);
    ParamHolder* holder = Holder();
    // Coefficients 0..N-1.
    qv::family::ResizeFamily(holder, coefficientTemplate, coefficients, dimension - 1);
    // Initial values 1..N-1 at positions 0..N-2.
    const int wanted = std::max(dimension - 1, 0);
    for (int p = static_cast<int>(initials.GetSize()); p < wanted && initialTemplate != nullptr && holder != nullptr;
         ++p) {
        CWizardCopaObject3* member = qv::family::AppendMember(holder, initialTemplate, p + 1);
        if (member == nullptr) break;
        CString name;
        name.Format(initialPattern, p + 1);
        member->SetName(name);
        initials.SetAtGrow(p, member);
    }
    for (int p = static_cast<int>(initials.GetSize()) - 1; p >= wanted; --p) {
        qv::family::RetireMember(static_cast<CWizardCopaObject3*>(initials.GetAt(p)));
        initials.RemoveAt(p);
    }
    if (list.GetSafeHwnd() == nullptr) return;
    // The rows the list keeps keep what was typed into them; only new rows show their members.
    const int kept = list.GetItemCount();
    int rows = kept;
    for (; rows < dimension; ++rows) list.InsertEditItem(rows, "", TB_EDIT_NONE);
    for (; rows > dimension; --rows) list.DeleteEditItem(rows - 1);
    for (int i = 0; i < dimension; ++i) {
        auto* member = i < coefficients.GetSize() ? static_cast<CWizardCopaObject3*>(coefficients.GetAt(i)) : nullptr;
        if (member == nullptr) continue;
        if (i >= kept || list.GetItemText(i, 0).IsEmpty()) {
            list.SetEditItemText(i, 0, IndexedName(member->GetName(), i), TB_EDIT_NONE);
            list.SetEditItemText(i, 1, member->GetValue(), TB_EDIT_TEXT);
        }
        list.SetItemData(i, reinterpret_cast<DWORD_PTR>(member));
    }
}

void CPropTransferFunctionBlockZ::BuildCoefficientLists(int numerator, int denominator) {
    const bool modeOne = m_dwMode == 1;
    if (numerator)
        SizeSide(m_strNumeratorOrder, m_pNumeratorTemplate, m_Numerators, m_pInitialXTemplate, m_InitialX,
                 modeOne ? "Q0[%i]" : "num0[%i]", m_lstNumerator);
    if (denominator)
        SizeSide(m_strDenominatorOrder, m_pDenominatorTemplate, m_Denominators, m_pInitialYTemplate, m_InitialY,
                 modeOne ? "P0[%i]" : "den0[%i]", m_lstDenominator);
}

void CPropTransferFunctionBlockZ::OnFromGs() {
    if (m_pDiscreteWizard != nullptr) {
        CDlgConvertGs& dialog = m_pDiscreteWizard->GetConvertDialog();
        CTransferFunctionDiscretizer& discretizer = m_pDiscreteWizard->GetDiscretizer();
        dialog.SetDiscretizer(&discretizer);
        dialog.SetMode(static_cast<int>(m_pDiscreteWizard->GetMode()));
        INT_PTR answer = IDCANCEL;
        {
            CResourceSwitch resources;
            answer = dialog.DoModal();
        }
        if (answer == IDOK) {
            double num[CTransferFunctionDiscretizer::kSize] = {};
            double den[CTransferFunctionDiscretizer::kSize] = {};
            short numOrder = 0;
            short n = 0;
            double sampleTime = 0.0;
            discretizer.GetResult(num, den, &numOrder, &n, &sampleTime);
            UpdateData(TRUE);
            // The dialog's sample time is in seconds; the field shows it in the unit of its list.
            m_strSampleTime = FromSimulatorUnit(NumberText(sampleTime), SampleTimeAsShown(Holder(), m_strSampleTime));
            m_strNumeratorOrder = NumberText(n + 1);
            m_strDenominatorOrder = NumberText(n + 1);
            UpdateData(FALSE);
            BuildCoefficientLists(1, 1);
            if (m_lstNumerator.GetItemCount() > n && m_lstDenominator.GetItemCount() > n) {
                m_lstNumerator.SetEditItemText(0, 1, "0", TB_EDIT_TEXT);
                m_lstDenominator.SetEditItemText(0, 1, "1", TB_EDIT_TEXT);
                for (int i = 1; i <= n; ++i) {
                    m_lstNumerator.SetEditItemText(i, 1, NumberText(num[n - i]), TB_EDIT_TEXT);
                    m_lstDenominator.SetEditItemText(i, 1, NumberText(den[n - i]), TB_EDIT_TEXT);
                }
            }
        }
    }
    SetModified(TRUE);
}

int CPropTransferFunctionBlockZ::ConvertWizard3Data(const void* data, long size) {
    const int kept = CPropTransferFunctionBlock::ConvertWizard3Data(data, size);
    if (kept && !m_OldData.empty() && m_pDiscreteWizard != nullptr) {
        CDlgConvertGs& dialog = m_pDiscreteWizard->GetConvertDialog();
        dialog.SetDiscretizer(&m_pDiscreteWizard->GetDiscretizer());
        dialog.SetMode(static_cast<int>(m_pDiscreteWizard->GetMode()));
        dialog.SetData(m_OldData.data(), static_cast<long>(m_OldData.size()));
        dialog.LoadFromData();
    }
    return kept;
}

// ---------------------------------------------------------------------------------------
// CDiscreteTransferFunctionWizard4

namespace {

// The families of a set as the wizard tells them (templates by Type bit 0x02; members by
// their bracket index).
struct Families {
    CString numeratorDimension;
    CString denominatorDimension;
    CWizardCopaObject3* templ[4] = {};
    std::vector<bool> present[4];
};
constexpr WORD kFamilyIds[4] = {kIdNumerator, kIdDenominator, kIdInitialX, kIdInitialY};

int FamilyOf(WORD id) {
    for (int f = 0; f < 4; ++f)
        if (kFamilyIds[f] == id) return f;
    return -1;
}

Families ScanFamilies(ParamHolder* holder) {
    Families families;
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        const WORD id = param->GetValueID();
        if (id == kIdNumeratorOrder) families.numeratorDimension = param->GetValue();
        if (id == kIdDenominatorOrder) families.denominatorDimension = param->GetValue();
        const int f = FamilyOf(id);
        if (f < 0) continue;
        if (param->GetType() & kParamTypeNoList) {
            families.templ[f] = param;
            continue;
        }
        const int index = GetBracketIndex(param->GetName());
        if (index < 0 || index >= qv::family::kMaxMembers) continue;
        if (families.present[f].size() <= static_cast<size_t>(index))
            families.present[f].resize(static_cast<size_t>(index) + 1, false);
        families.present[f][static_cast<size_t>(index)] = true;
    }
    return families;
}

// Creates the members first..last of a family that no live member holds.
void CreateMissing(ParamHolder* holder, const Families& families, int f, int first, int last, const char* pattern) {
    for (int i = first; i <= last; ++i) {
        if (static_cast<size_t>(i) < families.present[f].size() && families.present[f][static_cast<size_t>(i)]) continue;
        CWizardCopaObject3* member = qv::family::AppendMember(holder, families.templ[f], i);
        if (member != nullptr && pattern != nullptr) {
            CString name;
            name.Format(pattern, i);
            member->SetName(name);
        }
    }
}

bool Dimension(const CString& text, int* dimension) {
    int value = 0;
    if (!OrderFromText(text, &value)) return false;
    *dimension = std::max(value, 0);
    return true;
}

} // namespace

namespace qv::blocks {

bool ReadOldGsBlock(const void* data, long length, OldGsBlock* block) {
    if (data == nullptr || length <= 0 || block == nullptr) return false;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), static_cast<size_t>(length));
    if (!in.Fits(4)) return false;
    const BYTE* head = in.Position();
    const int mOrder = static_cast<short>(static_cast<WORD>(head[0] | head[1] << 8));
    const int nOrder = static_cast<short>(static_cast<WORD>(head[2] | head[3] << 8));
    in.SkipBytes(4);
    if (mOrder < 0 || mOrder > kMaxConvertOrder || nOrder < 0 || nOrder > kMaxConvertOrder) return false;
    if (!in.Fits(static_cast<uint64_t>(mOrder + 1 + nOrder + 1 + 1) * sizeof(double))) return false;
    OldGsBlock result;
    result.numeratorOrder = mOrder;
    result.denominatorOrder = nOrder;
    result.numerator.resize(static_cast<size_t>(mOrder + 1));
    result.denominator.resize(static_cast<size_t>(nOrder + 1));
    for (double& v : result.numerator)
        if (!in.ReadDouble(v)) return false;
    for (double& v : result.denominator)
        if (!in.ReadDouble(v)) return false;
    if (!in.ReadDouble(result.sampleTime)) return false;
    *block = std::move(result);
    return true;
}

} // namespace qv::blocks

CDiscreteTransferFunctionWizard4::CDiscreteTransferFunctionWizard4(int mode)
    : TTransferFunctionWizard4(mode), m_pDiscretizer(std::make_unique<CTransferFunctionDiscretizer>()) {
    m_Dialog.SetMode(mode);
    m_Dialog.SetDiscretizer(m_pDiscretizer.get());
}

CDiscreteTransferFunctionWizard4::CDiscreteTransferFunctionWizard4(const CDiscreteTransferFunctionWizard4* other)
    : TTransferFunctionWizard4(other), m_pDiscretizer(std::make_unique<CTransferFunctionDiscretizer>()) {
    m_Dialog.SetMode(static_cast<int>(GetMode()));
    m_Dialog.SetDiscretizer(m_pDiscretizer.get());
}

int CDiscreteTransferFunctionWizard4::WriteSimDescr(CFile*, const CString& templ, CString&) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    ScopedParamSet params{RequestTarget(this)};
    ParamHolder* holder = params.Holder();
    const Families families = ScanFamilies(holder);
    const bool modeOne = GetMode() == 1;
    if (families.templ[0] == nullptr || families.templ[1] == nullptr) return 4;
    if (modeOne && (families.templ[2] == nullptr || families.templ[3] == nullptr)) return 4;
    int n = 0;
    int d = 0;
    if (Dimension(families.numeratorDimension, &n) && Dimension(families.denominatorDimension, &d)) {
        CreateMissing(holder, families, 0, 0, n - 1, nullptr);
        if (modeOne) CreateMissing(holder, families, 2, 1, n - 1, "Q0[%i]");
        CreateMissing(holder, families, 1, 0, d - 1, nullptr);
        if (modeOne) CreateMissing(holder, families, 3, 1, d - 1, "P0[%i]");
    }
    CommitParamSet(RequestTarget(this), params.Cookie());
    return 4;
}

void CDiscreteTransferFunctionWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        m_Dialog.Serialize(ar);
        return;
    }
    WORD schema = 0;
    ar >> schema;
    if (schema != 0) return;
    m_wSchema = schema;
    m_Dialog.Serialize(ar);
}

BOOL CDiscreteTransferFunctionWizard4::DoConversionFrom4x(void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    ConvertFrom4x(params.Cookie(), data, length);
    return TRUE;
}

BOOL CDiscreteTransferFunctionWizard4::DoConversionFrom4x() { return DoConversionFrom4x(nullptr, 0); }

// The 4.x data kept the coefficients as comma-separated lists in the templates' values: the
// numerator list in the numerator template; the denominator list, followed by three unused
// fields, the initial inputs and the initial outputs, in the denominator template.
void CDiscreteTransferFunctionWizard4::ConvertFrom4x(DWORD_PTR cookie, const void* data, long length) {
    ParamHolder* holder = HolderFromCookie(cookie);
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || FamilyOf(param->GetValueID()) < 0) continue;
        if ((param->GetType() & kParamTypeNoList) == 0) qv::family::RetireMember(param);
    }
    Families families = ScanFamilies(holder);
    if (families.templ[0] == nullptr || families.templ[1] == nullptr) return;
    int n = 0;
    int d = 0;
    if (!Dimension(families.numeratorDimension, &n) || !Dimension(families.denominatorDimension, &d)) return;
    CreateMissing(holder, families, 0, 0, n - 1, nullptr);
    if (families.templ[2] != nullptr) CreateMissing(holder, families, 2, 1, n - 1, InitialXPattern());
    CreateMissing(holder, families, 1, 0, d - 1, nullptr);
    if (families.templ[3] != nullptr) CreateMissing(holder, families, 3, 1, d - 1, InitialYPattern());

    const std::vector<CString> numTokens = qv::family::SplitFields(families.templ[0]->GetValue());
    const std::vector<CString> denTokens = qv::family::SplitFields(families.templ[1]->GetValue());
    auto token = [](const std::vector<CString>& tokens, size_t at) {
        return at < tokens.size() ? tokens[at] : CString("0");
    };
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted() || (param->GetType() & kParamTypeNoList) != 0) continue;
        const int index = GetBracketIndex(param->GetName());
        if (index < 0) continue;
        const size_t at = static_cast<size_t>(index);
        switch (param->GetValueID()) {
        case kIdNumerator:
            if (index < n) param->SetValue(token(numTokens, at));
            break;
        case kIdDenominator:
            if (index < d) param->SetValue(token(denTokens, at));
            break;
        case kIdInitialX:
            if (index >= 1 && index < n) param->SetValue(token(denTokens, static_cast<size_t>(d) + 3 + at));
            break;
        case kIdInitialY:
            if (index >= 1 && index < d)
                param->SetValue(token(denTokens, static_cast<size_t>(d) + static_cast<size_t>(n) + 3 + at));
            break;
        default:
            break;
        }
    }
    const RequestTarget target(this);
    CommitParamSet(target, cookie);

    OldGsBlock block;
    if (!ReadOldGsBlock(data, length, &block)) return;
    std::vector<CString> numerator;
    std::vector<CString> denominator;
    for (double v : block.numerator) numerator.push_back(NumberText(v));
    for (double v : block.denominator) denominator.push_back(NumberText(v));
    m_Dialog.SetState(block.numeratorOrder, block.denominatorOrder, numerator, denominator);
    // The block's sample time is in seconds; the parameter holds it in its used unit.
    SetParamValue(holder, kIdSampleTimeField,
                  FromSimulatorUnit(NumberText(block.sampleTime),
                                    TypedValueOf(FindParamByValueID(holder, kIdSampleTimeField))));
    CommitParamSet(target, cookie);
}
