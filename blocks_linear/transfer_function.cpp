#include "blocks_linear/transfer_function.h"

#include "framework/byte_cursor.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/immanent_template.h"
#include "framework/indexed_family.h"
#include "framework/listed_controls.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/older_base_block.h"
#include "framework/page_inputs.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/pinned_fields.h"
#include "framework/param_set_page.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"
#include "toolkit/tb_numbers.h"

#include <memory>
#include <new>
#include <utility>

IMPLEMENT_SERIAL(CPropTransferFunctionBlock, CPropertyPage, VERSIONABLE_SCHEMA | 10)
PARVEL_VERSIONED_CLASS(CPropTransferFunctionBlock)
IMPLEMENT_DYNAMIC(CTransferFunctionWizard4, CWizardBase4)

using namespace qv::blocks;
using qv::family::IndexedName;
using qv::family::OrderFromText;

namespace {

constexpr int kCtlInitialDelayLabel = 2187;
constexpr int kCtlResetX = 2200;
constexpr int kCtlResetY = 2201;
using namespace qv::strings;
using qv::dialog::kColumnWidth;

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2189, .flags = 77}, {.id = 2191, .flags = 5},  {.id = 2188, .flags = 69}, {.id = 2194, .flags = 77},
    {.id = 2190, .flags = 78}, {.id = 2192, .flags = 4},  {.id = 2193, .flags = 70}, {.id = 2195, .flags = 78},
    {.id = 2182, .flags = 9},  {.id = 2183, .flags = 73}, {.id = 2202, .flags = 73}, {.id = 2074, .flags = 9},
    {.id = 2400, .flags = 8},  {.id = 2185, .flags = 8},  {.id = 2186, .flags = 74}, {.id = 2073, .flags = 72},
    {.id = 2196, .flags = 72}, {.id = 2197, .flags = 72}, {.id = 2187, .flags = 9},  {.id = 2200, .flags = 73},
    {.id = 2017, .flags = 11}, {.id = 2056, .flags = 9},
};
constexpr ControlLayout kInitialValuesLayout[] = {
    {.id = 2185, .flags = 5}, {.id = 2186, .flags = 20}, {.id = 2198, .flags = 77}, {.id = 2199, .flags = 78},
    {.id = 2200, .flags = 24}, {.id = 2201, .flags = 24}, {.id = 1, .flags = 24}, {.id = 2, .flags = 24},
};

// An index that a family can hold.
bool InFamilyRange(int index) { return index >= 0 && index < qv::family::kMaxMembers; }

// A plain number worth zero ("0", "0.0", "0m"): a leading coefficient that divides by zero.
bool IsZeroNumber(const CString& text) {
    double value = 1.0;
    return ParseValueWithPrefix(text, &value) && value == 0.0;
}

void InsertCoefficientColumns(CTBEditListCtrl& list) {
    list.InsertEditColumn(0, LoadLibraryString(kStrCoefficient), LVCFMT_LEFT, kColumnWidth);
    list.InsertEditColumn(1, LoadLibraryString(kStrValue), LVCFMT_LEFT, kColumnWidth);
}

} // namespace

// The fields whose edits mark the page modified.
constexpr int kTransferFunctionBlockEdits[] = {kIdNumeratorOrder, kIdInputSignal, kCtlName, kIdInitialDelay, kIdSampleTimeField};

BEGIN_MESSAGE_MAP(CPropTransferFunctionBlock, CTBPropertyPage)
    ON_EN_KILLFOCUS(kIdNumeratorOrder, &CPropTransferFunctionBlock::OnNumeratorOrderDone)
    ON_EN_KILLFOCUS(kIdDenominatorOrder, &CPropTransferFunctionBlock::OnDenominatorOrderDone)
    ON_LISTED_CONTROLS(EN_CHANGE, kTransferFunctionBlockEdits, &CPropTransferFunctionBlock::OnMarkModified)
    ON_EN_CHANGE(kIdDenominatorOrder, &CPropTransferFunctionBlock::OnDenominatorOrderChanged)
    ON_CBN_DROPDOWN(kIdSampleTime, &CPropTransferFunctionBlock::OnSampleTimeDropDown)
    ON_CBN_KILLFOCUS(kIdSampleTime, &CPropTransferFunctionBlock::OnSampleTimeKillFocus)
    ON_CBN_SELCHANGE(kIdSampleTime, &CPropTransferFunctionBlock::OnSampleTimeChosen)
    ON_CBN_SELCHANGE(kCtlUnit, &CPropTransferFunctionBlock::OnMarkModified)
    ON_NOTIFY(LVN_ITEMCHANGED, kIdNumerator, &CPropTransferFunctionBlock::OnListChanged)
    ON_NOTIFY(LVN_ITEMCHANGED, kIdDenominator, &CPropTransferFunctionBlock::OnListChanged)
    ON_MESSAGE(TBLM_CELLEDITED, &CPropTransferFunctionBlock::OnCellEdited)
    ON_BN_CLICKED(kCtlShowName, &CPropTransferFunctionBlock::OnMarkModified)
    ON_BN_CLICKED(kIdBlockOutput, &CPropTransferFunctionBlock::OnOutput)
    ON_BN_CLICKED(kCtlInputPin, &CPropTransferFunctionBlock::OnInputPin)
    ON_BN_CLICKED(kCtlSampleTimePin, &CPropTransferFunctionBlock::OnSampleTimePin)
    ON_BN_CLICKED(kCtlInitialValues, &CPropTransferFunctionBlock::OnInitialValues)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropTransferFunctionBlock::CPropTransferFunctionBlock() : TBlockPageFields(kTransferFunctionTemplate) {
    SetControlInfo(2194, 77);
    SetControlInfo(2195, 78);
}

CPropTransferFunctionBlock::CPropTransferFunctionBlock(CWizardBase4* wizard, DWORD_PTR cookie, DWORD mode)
    : TBlockPageFields(kTransferFunctionTemplate, wizard, cookie), m_dwMode(mode) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

void CPropTransferFunctionBlock::Serialize(CArchive&) {}

void CPropTransferFunctionBlock::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    ExchangeBlockFields(pDX);
    qv::pages::ExchangeControls(pDX, {{kIdNumerator, m_lstNumerator}, {kIdDenominator, m_lstDenominator},
                                      {kIdSampleTime, m_cmbSampleTime}});
    qv::pages::ExchangeTexts(pDX, {{kIdDenominatorOrder, m_strDenominatorOrder},
                                   {kIdNumeratorOrder, m_strNumeratorOrder}, {kIdSampleTimeField, m_strSampleTime},
                                   {kIdInitialDelay, m_strInitialDelay}});
}

BOOL CPropTransferFunctionBlock::OnInitDialog() {
    CResourceSwitch resources;
    CTBPropertyPage::OnInitDialog();
    qv::pages::LoadNameAndSymbol(Holder(), m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    m_cmbUnit.DisableFlatLook(TRUE);
    m_cmbSampleTime.SetCurSel(0);
    UpdateData(FALSE);
    InsertCoefficientColumns(m_lstNumerator);
    InsertCoefficientColumns(m_lstDenominator);
    ReadParameters();
    if (!m_bInitialDelay) {
        for (int id : {kCtlInitialDelayLabel, static_cast<int>(kIdInitialDelay)})
            if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_HIDE);
    }
    BuildCoefficientLists(1, 1);
    m_lstDenominator.InitializeCtrl(1, 1);
    m_lstDenominator.InitializeColumnSize(0, "WIZColumnWidths", "TransferFctDenom");
    m_lstNumerator.InitializeCtrl(1, 1);
    m_lstNumerator.InitializeColumnSize(0, "WIZColumnWidths", "TransferFctNum");
    GetSDBOutput(Holder(), kIdBlockOutput, &m_bOutput);
    UpdateData(FALSE);
    qv::pages::AppendUnitToCaption(*this, Holder(), kIdBlockOutput, kIdBlockOutput);
    SetModified(FALSE);
    return TRUE;
}

void CPropTransferFunctionBlock::ReadParameters() {
    // A page shown again (after a rebind) starts from the set it now holds: nothing of an
    // earlier set, whose parameters may be gone, is kept.
    m_Numerators.RemoveAll();
    m_Denominators.RemoveAll();
    m_InitialX.RemoveAll();
    m_InitialY.RemoveAll();
    m_pNumeratorTemplate = m_pDenominatorTemplate = m_pInitialXTemplate = m_pInitialYTemplate = nullptr;
    m_bInitialDelay = FALSE;
    qv::blocks::ForEachPageInput(Holder(), [&](CWizardCopaObject3* param) {
        const int index = GetBracketIndex(param->GetName());
        switch (param->GetValueID()) {
        case kIdSampleTime:
            ShowSampleTimeParam(param, m_cmbSampleTime, m_cmbUnit, m_bSampleTimePin, SampleTimeRule::TransferFunction);
            break;
        case kIdInputSignal:
            if (param->HasPin()) m_bInputPin = TRUE;
            m_strInput = param->GetValue();
            break;
        case kIdNumeratorOrder:
            m_strNumeratorOrder = param->GetValue();
            break;
        case kIdDenominatorOrder:
            m_strDenominatorOrder = param->GetValue();
            break;
        case kIdSampleTimeField:
            // The discrete transfer function's sample time is the field alone: its pin is
            // the box's, or the page, as it opens, takes the pin off (OnSetActive).
            m_strSampleTime = param->GetValue();
            if (param->HasPin()) m_bSampleTimePin = TRUE;
            ShowUnitsOf(m_cmbUnit, param);
            break;
        case kIdNumerator:
        case kIdDenominator: {
            CPtrArray& members = param->GetValueID() == kIdNumerator ? m_Numerators : m_Denominators;
            if (index < 0)
                (param->GetValueID() == kIdNumerator ? m_pNumeratorTemplate : m_pDenominatorTemplate) = param;
            else if (InFamilyRange(index))
                members.SetAtGrow(index, param);
            break;
        }
        case kIdInitialX:
        case kIdInitialY: {
            CPtrArray& members = param->GetValueID() == kIdInitialX ? m_InitialX : m_InitialY;
            if (index < 0)
                (param->GetValueID() == kIdInitialX ? m_pInitialXTemplate : m_pInitialYTemplate) = param;
            else if (index >= 1 && InFamilyRange(index))
                members.SetAtGrow(index - 1, param);
            break;
        }
        case kIdInitialDelay:
            m_strInitialDelay = param->GetValue();
            m_bInitialDelay = TRUE;
            break;
        default:
            break;
        }
    });
    UpdateData(FALSE);
}

void CPropTransferFunctionBlock::BuildCoefficientLists(int, int) {}

void CPropTransferFunctionBlock::SizeFamily(const CString& orderText, CWizardCopaObject3* templ, CPtrArray& members,
                                            CTBEditListCtrl& list) {
    int order = -1;
    if (!OrderFromText(orderText, &order)) {
        ShowMessage(LoadLibraryString(kStrInvalidValue));
        return;
    }
    qv::family::ResizeFamily(Holder(), templ, members, order);
    if (list.GetSafeHwnd() == nullptr) return;
    // The rows the list keeps keep what was typed into them; only new rows show their members.
    const int kept = list.GetItemCount();
    int rows = kept;
    for (; rows <= order; ++rows) list.InsertEditItem(rows, "", TB_EDIT_NONE);
    for (; rows > order + 1; --rows) list.DeleteEditItem(rows - 1);
    for (int i = 0; i <= order; ++i) {
        auto* member = i < members.GetSize() ? static_cast<CWizardCopaObject3*>(members.GetAt(i)) : nullptr;
        if (member != nullptr && (i >= kept || list.GetItemText(i, 0).IsEmpty())) {
            list.SetEditItemText(i, 0, IndexedName(member->GetName(), i), TB_EDIT_NONE);
            list.SetEditItemText(i, 1, member->GetValue(), TB_EDIT_TEXT);
        }
        list.SetItemData(i, reinterpret_cast<DWORD_PTR>(member));
    }
}

int CPropTransferFunctionBlock::EnsureListRow(CTBEditListCtrl& list, int index, const CString& name) {
    const int rows = list.GetItemCount();
    if (rows > index) return 1;
    for (int row = rows; row < index; ++row) list.InsertEditItem(row, IndexedName(name, row), TB_EDIT_NONE);
    return 0;
}

BOOL CPropTransferFunctionBlock::CheckBeforeWriting() {
    int numeratorOrder = -1;
    int denominatorOrder = -1;
    if (!OrderFromText(m_strNumeratorOrder, &numeratorOrder) || !OrderFromText(m_strDenominatorOrder, &denominatorOrder)) {
        ShowMessage(LoadLibraryString(kStrInvalidValue));
        return FALSE;
    }
    // The leading denominator coefficient is the row whose index equals the order.
    ParamHolder* holder = Holder();
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (!qv::pages::IsLiveInput(param) || param->GetValueID() != kIdDenominator) continue;
        const int index = GetBracketIndex(param->GetName());
        if (index < 0 || index != denominatorOrder || index >= m_lstDenominator.GetItemCount()) continue;
        if (!IsZeroNumber(m_lstDenominator.GetItemText(index, 1))) continue;
        ShowMessage(FillOneConversion(LoadLibraryString(kStrNotZero), 's', 0, m_lstDenominator.GetItemText(index, 0)));
        return FALSE;
    }
    return TRUE;
}

BOOL CPropTransferFunctionBlock::WriteParameters() {
    UpdateData(TRUE);
    if (!CheckBeforeWriting()) return FALSE;
    const CString listSampleTime = StoredSampleTime(m_cmbSampleTime);
    WritePageTexts(Holder(),
                   {{&listSampleTime, kIdSampleTime}, {&m_strInput, kIdInputSignal},
                    {&m_strNumeratorOrder, kIdNumeratorOrder}, {&m_strDenominatorOrder, kIdDenominatorOrder},
                    {&m_strInitialDelay, kIdInitialDelay}, {&m_strSampleTime, kIdSampleTimeField}},
                   &m_cmbUnit);
    qv::blocks::ForEachPageInput(Holder(), [&](CWizardCopaObject3* param) {
        const int index = GetBracketIndex(param->GetName());
        const bool numerator = param->GetValueID() == kIdNumerator;
        if ((!numerator && param->GetValueID() != kIdDenominator) || !InFamilyRange(index)) return;
        CTBEditListCtrl& list = numerator ? m_lstNumerator : m_lstDenominator;
        if (EnsureListRow(list, index, param->GetName())) {
            param->SetValue(list.GetItemText(index, 1));
            param->SetName(list.GetItemText(index, 0));
        }
        const CWizardCopaObject3* templ = numerator ? m_pNumeratorTemplate : m_pDenominatorTemplate;
        if (templ != nullptr) SetParamDescriptionsByIndex(&templ->GetDescriptionMap(), param);
    });
    return TRUE;
}

BOOL CPropTransferFunctionBlock::OnApply() {
    // Without a parameter set nothing is written and nothing can be committed.
    if (Holder() == nullptr || !qv::pages::RefuseBlankValueField(*this, Holder())) return FALSE;
    // A cell still being edited counts with the text it shows.
    m_lstDenominator.CloseEdit(TRUE);
    m_lstNumerator.CloseEdit(TRUE);
    UpdateData(TRUE);
    // The families are sized by the two fields: a text that is no order (or dimension) is
    // refused before anything is written, instead of being read as its leading digits.
    for (const auto& [control, text] : {std::pair<int, const CString*>{kIdNumeratorOrder, &m_strNumeratorOrder},
                                        std::pair<int, const CString*>{kIdDenominatorOrder, &m_strDenominatorOrder}})
        if (!qv::pages::RefuseUnlessNumber(*this, control, *text, m_orderKind)) return FALSE;
    // The orders size the coefficient lists: they are typed, never a pin's signal.
    qv::pages::TakeFromNoPin(Holder(), {kIdNumeratorOrder, kIdDenominatorOrder});
    Holder()->m_strElementName = m_strName;
    Holder()->m_dwShowName = m_bShowName ? 1 : 0;
    if (!WriteParameters()) return FALSE;
    if (!CommitParamSet(RequestTarget(m_pWizard), m_cookie)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

BOOL CPropTransferFunctionBlock::OnSetActive() {
    // The sample time's box stands for the list's parameter; the field's follows it.
    ShowBlockSwitchesAndPins(Holder(), kIdSampleTime);
    if (CWnd* field = GetDlgItem(kIdSampleTimeField)) field->EnableWindow(!m_bSampleTimePin);
    SetParamUsePin(Holder(), kIdSampleTimeField, m_bSampleTimePin);
    UpdateIndexedDescriptions();
    return CPropertyPage::OnSetActive();
}

void CPropTransferFunctionBlock::UpdateIndexedDescriptions() {
    ParamHolder* holder = Holder();
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted() || (param->GetType() & kParamTypeNoList) != 0) continue;
        const CWizardCopaObject3* templ = nullptr;
        switch (param->GetValueID()) {
        case kIdNumerator: templ = m_pNumeratorTemplate; break;
        case kIdDenominator: templ = m_pDenominatorTemplate; break;
        case kIdInitialX: templ = m_pInitialXTemplate; break;
        case kIdInitialY: templ = m_pInitialYTemplate; break;
        default: break;
        }
        if (templ != nullptr && templ != param) SetParamDescriptionsByIndex(&templ->GetDescriptionMap(), param);
    }
}

void CPropTransferFunctionBlock::OnNumeratorOrderDone() {
    UpdateData(TRUE);
    SetModified(TRUE);
    if (TypedOrderSizes(m_strNumeratorOrder)) BuildCoefficientLists(1, 0);
}

void CPropTransferFunctionBlock::OnDenominatorOrderDone() {
    UpdateData(TRUE);
    SetModified(TRUE);
    if (TypedOrderSizes(m_strDenominatorOrder)) BuildCoefficientLists(0, 1);
}

bool CPropTransferFunctionBlock::TypedOrderSizes(const CString& text) const {
    // Only an order of the page sizes the family. Any other text ("abc", "1x", "0.5") leaves
    // the family and its values as they are, so that a text OK then refuses retires no
    // coefficient.
    return qv::pages::ReadsAsNumber(text, m_orderKind);
}

void CPropTransferFunctionBlock::OnDenominatorOrderChanged() { SetModified(TRUE); }

void CPropTransferFunctionBlock::OnSampleTimeDropDown() {
    TakeOverTypedSampleTime(m_cmbSampleTime);
    OnMarkModified();
}

void CPropTransferFunctionBlock::OnSampleTimeKillFocus() { TakeOverTypedSampleTime(m_cmbSampleTime); }

void CPropTransferFunctionBlock::OnSampleTimeChosen() { OnMarkModified(); }

void CPropTransferFunctionBlock::OnListChanged(NMHDR*, LRESULT* pResult) {
    SetModified(TRUE);
    if (pResult != nullptr) *pResult = 0;
}

LRESULT CPropTransferFunctionBlock::OnCellEdited(WPARAM, LPARAM) {
    SetModified(TRUE);
    return 0;
}

void CPropTransferFunctionBlock::OnOutput() {
    qv::pages::FlipOutputSwitch(*this, Holder(), m_bOutput, kIdBlockOutput);
}

void CPropTransferFunctionBlock::OnInputPin() {
    qv::pages::ClickPinBox(*this, Holder(), m_bInputPin, kIdInputSignal);
}

void CPropTransferFunctionBlock::OnSampleTimePin() {
    UpdateData(TRUE);
    for (int id : {static_cast<int>(kIdSampleTime), static_cast<int>(kIdSampleTimeField)})
        if (CWnd* field = GetDlgItem(id)) field->EnableWindow(!m_bSampleTimePin);
    SetModified(TRUE);
    SetParamUsePin(Holder(), kIdSampleTime, m_bSampleTimePin);
    SetParamUsePin(Holder(), kIdSampleTimeField, m_bSampleTimePin);
}

void CPropTransferFunctionBlock::OnInitialValues() {
    CResourceSwitch resources;
    CDlgInitialValuesXY dialog(this);
    dialog.SetArrays(&m_InitialX, &m_InitialY);
    dialog.DoModal();
    SetModified(TRUE);
}

// Data of an older wizard generation, all numbers little-endian DWORDs:
//   DWORD (not used), DWORD (not used), length A and A bytes (not used), length B and B bytes
//   (not used), length C and C bytes (kept as the old-data block).
// Only whole fields are read; every length is compared, unsigned and in 64 bits, with what
// remains, so a length near 2^32 cannot wrap round. A part that does not fit ends the
// reading; what was kept before stays.
int CPropTransferFunctionBlock::ConvertWizard3Data(const void* data, long size) {
    if (data == nullptr) return 0;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size > 0 ? static_cast<size_t>(size) : 0);
    DWORD skipped = 0;
    DWORD length = 0;
    if (!in.ReadDword(skipped) || !in.ReadDword(skipped)) return 0;
    if (!in.ReadDword(length) || !in.SkipBytes(length)) return 0;
    if (!in.ReadDword(length)) return 0;
    if (length >= 1 && !in.SkipBytes(length)) return 0;
    if (!in.ReadDword(length) || !in.Fits(length)) return 0;
    m_OldData.assign(in.Position(), in.Position() + length);
    return 1;
}

// ---------------------------------------------------------------------------------------
// CPropTransferFunctionBlockS

BOOL CPropTransferFunctionBlockS::OnInitDialog() {
    CResourceSwitch resources;
    CPropTransferFunctionBlock::OnInitDialog();
    SetDlgItemText(kCtlNumeratorLabel, LoadLibraryString(kStrOrder));
    SetDlgItemText(kCtlDenominatorLabel, LoadLibraryString(kStrOrder));
    for (int id : {kCtlFromGs, kCtlInitialValues, static_cast<int>(kIdSampleTimeField)})
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_HIDE);
    if (CWnd* combo = GetDlgItem(kIdSampleTime)) combo->ShowWindow(SW_SHOW);
    return TRUE;
}

void CPropTransferFunctionBlockS::BuildCoefficientLists(int numerator, int denominator) {
    if (numerator) SizeFamily(m_strNumeratorOrder, m_pNumeratorTemplate, m_Numerators, m_lstNumerator);
    if (denominator) SizeFamily(m_strDenominatorOrder, m_pDenominatorTemplate, m_Denominators, m_lstDenominator);
}

// ---------------------------------------------------------------------------------------
// CDlgInitialValuesXY

BEGIN_MESSAGE_MAP(CDlgInitialValuesXY, CTBDialog)
    ON_BN_CLICKED(kCtlResetX, &CDlgInitialValuesXY::OnResetX)
    ON_BN_CLICKED(kCtlResetY, &CDlgInitialValuesXY::OnResetY)
END_MESSAGE_MAP()

CDlgInitialValuesXY::CDlgInitialValuesXY(CWnd* parent) : CTBDialog(kInitialValuesTemplate, parent) {
    qv::pages::RegisterLayout(*this, kInitialValuesLayout);
}

void CDlgInitialValuesXY::DoDataExchange(CDataExchange* pDX) {
    CTBDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kIdInitialX, m_lstX);
    DDX_Control(pDX, kIdInitialY, m_lstY);
}

namespace {

// One row per initial value that exists, named by its position in the array.
void FillInitialValues(CTBEditListCtrl& list, const CPtrArray* values, const char* format) {
    InsertCoefficientColumns(list);
    for (int p = 0; values != nullptr && p < values->GetSize(); ++p) {
        auto* param = static_cast<CWizardCopaObject3*>(values->GetAt(p));
        if (param == nullptr) continue;
        CString name;
        name.Format(format, p + 1);
        const int row = list.InsertEditItem(list.GetItemCount(), name, TB_EDIT_NONE, nullptr,
                                            reinterpret_cast<DWORD_PTR>(param));
        list.SetEditItemText(row, 1, param->GetValue(), TB_EDIT_TEXT);
    }
}

void WriteInitialValues(CTBEditListCtrl& list) {
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (auto* param = reinterpret_cast<CWizardCopaObject3*>(list.GetItemData(row)))
            param->SetValue(list.GetItemText(row, 1));
}

void ResetValues(CTBEditListCtrl& list) {
    for (int row = 0; row < list.GetItemCount(); ++row) list.SetItemText(row, 1, "0");
}

} // namespace

BOOL CDlgInitialValuesXY::OnInitDialog() {
    CTBDialog::OnInitDialog();
    FillInitialValues(m_lstX, m_pX, "Q0[%i]");
    FillInitialValues(m_lstY, m_pY, "P0[%i]");
    m_lstY.InitializeCtrl(1, 1);
    m_lstY.InitializeColumnSize(0, "WIZColumnWidths", "TransferFctInitDenom");
    m_lstX.InitializeCtrl(1, 1);
    m_lstX.InitializeColumnSize(0, "WIZColumnWidths", "TransferFctInitNum");
    return TRUE;
}

void CDlgInitialValuesXY::OnResetX() { ResetValues(m_lstX); }

void CDlgInitialValuesXY::OnResetY() { ResetValues(m_lstY); }

void CDlgInitialValuesXY::OnOK() {
    m_lstY.CloseEdit(TRUE);
    m_lstX.CloseEdit(TRUE);
    WriteInitialValues(m_lstX);
    WriteInitialValues(m_lstY);
    CTBDialog::OnOK();
}

// ---------------------------------------------------------------------------------------
// CTransferFunctionWizard4

namespace {

// The orders and the live members of both coefficient families of a set, as the wizard
// tells them: templates by Type bit 0x02.
struct CoefficientFamilies {
    CString numeratorOrder;
    CString denominatorOrder;
    CWizardCopaObject3* numeratorTemplate = nullptr;
    CWizardCopaObject3* denominatorTemplate = nullptr;
    std::vector<bool> numeratorPresent;
    std::vector<bool> denominatorPresent;
};

CoefficientFamilies ScanFamilies(ParamHolder* holder) {
    CoefficientFamilies families;
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        const WORD id = param->GetValueID();
        if (id == kIdNumeratorOrder) families.numeratorOrder = param->GetValue();
        if (id == kIdDenominatorOrder) families.denominatorOrder = param->GetValue();
        if (id != kIdNumerator && id != kIdDenominator) continue;
        const bool numerator = id == kIdNumerator;
        if (param->GetType() & kParamTypeNoList) {
            (numerator ? families.numeratorTemplate : families.denominatorTemplate) = param;
            continue;
        }
        const int index = GetBracketIndex(param->GetName());
        if (!InFamilyRange(index)) continue;
        std::vector<bool>& present = numerator ? families.numeratorPresent : families.denominatorPresent;
        if (present.size() <= static_cast<size_t>(index)) present.resize(static_cast<size_t>(index) + 1, false);
        present[static_cast<size_t>(index)] = true;
    }
    return families;
}

void AppendMissing(ParamHolder* holder, CWizardCopaObject3* templ, const std::vector<bool>& present, int order) {
    for (int i = 0; i <= order; ++i)
        if (static_cast<size_t>(i) >= present.size() || !present[static_cast<size_t>(i)])
            qv::family::AppendMember(holder, templ, i);
}

} // namespace

namespace qv::blocks {

void CreateMissingCoefficients(CWizardBase4* wizard, DWORD_PTR cookie) {
    ParamHolder* holder = HolderFromCookie(cookie);
    const CoefficientFamilies families = ScanFamilies(holder);
    if (families.numeratorTemplate == nullptr || families.denominatorTemplate == nullptr) return;
    int numeratorOrder = -1;
    int denominatorOrder = -1;
    if (OrderFromText(families.numeratorOrder, &numeratorOrder) &&
        OrderFromText(families.denominatorOrder, &denominatorOrder)) {
        AppendMissing(holder, families.numeratorTemplate, families.numeratorPresent, numeratorOrder);
        AppendMissing(holder, families.denominatorTemplate, families.denominatorPresent, denominatorOrder);
    }
    CommitParamSet(RequestTarget(wizard), cookie);
}

void ConvertFrom4xLists(CWizardBase4* wizard, DWORD_PTR cookie) {
    ParamHolder* holder = HolderFromCookie(cookie);
    CWizardCopaObject3* numeratorTemplate = nullptr;
    CWizardCopaObject3* denominatorTemplate = nullptr;
    CString numeratorOrder;
    CString denominatorOrder;
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr) continue;
        const WORD id = param->GetValueID();
        if (id == kIdNumeratorOrder && !param->IsDeleted()) numeratorOrder = param->GetValue();
        if (id == kIdDenominatorOrder && !param->IsDeleted()) denominatorOrder = param->GetValue();
        if (id != kIdNumerator && id != kIdDenominator) continue;
        if (param->GetType() & kParamTypeNoList)
            (id == kIdNumerator ? numeratorTemplate : denominatorTemplate) = param;
        else
            qv::family::RetireMember(param);
    }
    if (numeratorTemplate == nullptr || denominatorTemplate == nullptr) return;
    int n = -1;
    int m = -1;
    if (!OrderFromText(numeratorOrder, &n) || !OrderFromText(denominatorOrder, &m)) return;
    // Members that could not be retired keep their index; only the others are made anew.
    const CoefficientFamilies live = ScanFamilies(holder);
    AppendMissing(holder, numeratorTemplate, live.numeratorPresent, n);
    AppendMissing(holder, denominatorTemplate, live.denominatorPresent, m);

    auto valuesOf = [](const CWizardCopaObject3* templ, int order) {
        std::vector<CString> fields = qv::family::SplitFields(templ->GetValue());
        fields.resize(static_cast<size_t>(order + 1), CString("0"));
        return fields;
    };
    const std::vector<CString> numeratorValues = valuesOf(numeratorTemplate, n);
    const std::vector<CString> denominatorValues = valuesOf(denominatorTemplate, m);
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || (param->GetType() & kParamTypeNoList) != 0) continue;
        const int index = GetBracketIndex(param->GetName());
        if (param->GetValueID() == kIdNumerator && index >= 0 && index <= n)
            param->SetValue(numeratorValues[static_cast<size_t>(index)]);
        if (param->GetValueID() == kIdDenominator && index >= 0 && index <= m)
            param->SetValue(denominatorValues[static_cast<size_t>(index)]);
    }
    CommitParamSet(RequestTarget(wizard), cookie);
}

} // namespace qv::blocks

int CTransferFunctionWizard4::WriteSimDescr(CFile*, const CString& templ, CString&) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    ScopedParamSet params{RequestTarget(this)};
    CreateMissingCoefficients(this, params.Cookie());
    return 4;
}

BOOL CTransferFunctionWizard4::DoConversionFrom4x(void*, long) { return DoConversionFrom4x(); }

BOOL CTransferFunctionWizard4::DoConversionFrom4x() {
    ScopedParamSet params{RequestTarget(this)};
    ConvertFrom4xLists(this, params.Cookie());
    return TRUE;
}
