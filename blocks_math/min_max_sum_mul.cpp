#include "blocks_math/min_max_sum_mul.h"

#include "framework/byte_cursor.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/immanent_template.h"
#include "framework/indexed_family.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/older_base_block.h"
#include "framework/page_inputs.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/param_order.h"
#include "framework/param_set_page.h"
#include "framework/placeholders.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"
#include "toolkit/tb_numbers.h"

#include <cctype>
#include <memory>
#include <new>

IMPLEMENT_SERIAL(CPropMinMaxSumMulBlock, CTBPropertyPage, VERSIONABLE_SCHEMA | 10)
PARVEL_VERSIONED_CLASS(CPropMinMaxSumMulBlock)
IMPLEMENT_DYNAMIC(CMinMaxSumMulBlockWizard4, CWizardBase4)

using namespace qv::blocks;

namespace {

constexpr int kColName = 0;
constexpr int kColInfo = 1;
constexpr int kColSign = 2;
constexpr int kColPin = 3;
constexpr int kColSignal = 4;
using namespace qv::dialog;
using namespace qv::rowlist;
using namespace qv::strings;
constexpr int kMaskBits = 32;
constexpr UINT kColumnHeadings[] = {2522, 2722, 2730, 2713, 2731};

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 15},  {.id = 1122, .flags = 6},  {.id = 1123, .flags = 6},  {.id = 1124, .flags = 6},
    {.id = 1125, .flags = 6},   {.id = 1126, .flags = 6},  {.id = 2132, .flags = 135}, {.id = 2182, .flags = 33},
    {.id = 2183, .flags = 97},  {.id = 2400, .flags = 34}, {.id = 2074, .flags = 34}, {.id = 2017, .flags = 11},
    {.id = 2056, .flags = 9},
};

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.'; }

// The text is one bracketed group, optionally preceded by a name: "(b+c)", "sin(d)".
bool IsGroupOrCall(const CString& text) {
    int i = 0;
    while (i < text.GetLength() && IsNameChar(text[i])) ++i;
    if (i >= text.GetLength() || text[i] != '(') return false;
    int depth = 0;
    for (int k = i; k < text.GetLength(); ++k) {
        if (text[k] == '(') ++depth;
        if (text[k] == ')' && --depth == 0) return k == text.GetLength() - 1;
    }
    return false;
}

bool IsNameOrNumber(const CString& text) {
    if (text.IsEmpty()) return false;
    for (int i = 0; i < text.GetLength(); ++i)
        if (!IsNameChar(text[i])) return false;
    return true;
}

WORD CurrentLanguageKey(const CWizardBase4* wizard, const CWizardCopaObject3* param) {
    CString unused;
    WORD key = wizard != nullptr ? wizard->GetLangDependentString(param->GetInfoMap(), unused) : 0;
    return key != 0 ? key : qv::GetCurrentLanguageID();
}

} // namespace

namespace qv::blocks {

bool IsInputNegated(DWORD signMask, int index, const CString& value) {
    if (index < 0) return false;
    if (index < kMaskBits) return (signMask & (1u << index)) != 0;
    CString trimmed = value;
    trimmed.TrimLeft();
    return !trimmed.IsEmpty() && trimmed[0] == '-';
}

CString NegatedInputText(CString value) {
    value.TrimLeft();
    if (value.IsEmpty()) return value;
    if (value[0] == '+' || value[0] == '-') {
        value = value.Mid(1);
        value.TrimLeft();
    }
    if (value.IsEmpty()) return value;
    if (value.Find('(') >= 0 && IsGroupOrCall(value)) return "- " + value;
    return "- (" + value + ")";
}

CString FactorOperand(CString operand) {
    operand.Trim();
    if (IsNameOrNumber(operand) || IsGroupOrCall(operand)) return operand;
    return "(" + operand + ")";
}

CString BuildInputListText(ParamHolder* holder, DWORD signMask) {
    CString list;
    bool first = true;
    qv::blocks::ForEachPageInput(holder, [&](const CWizardCopaObject3* param) {
        CString value;
        const WORD id = param->GetValueID();
        if (id == kIdInput) {
            const int index = GetBracketIndex(param->GetName());
            if (index < 0) return;
            value = ListEntryValue(holder, param);
            if (IsInputNegated(signMask, index, value)) value = NegatedInputText(value);
        } else if (id == kIdSampleTime || id == kIdSampleTimeField) {
            // In seconds, whatever unit the page's unit list gave the typed time; the pin's signal
            // when "Use Pin" is ticked.
            value = InputInOwnUnit(holder, param);
        } else {
            return;
        }
        if (!first) list += ",";
        list += param->GetName() + " := " + value;
        first = false;
    });
    return list;
}

void ConvertFactorParameter(CWizardBase4* wizard, DWORD_PTR cookie) {
    ParamHolder* holder = HolderFromCookie(cookie);
    BOOL converted = FALSE;
    if (!GetParamExtBit(holder, kIdFactor4x, &converted) || converted) return;
    CString input;
    CString factor;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        if (param->GetValueID() == kIdInput && GetBracketIndex(param->GetName()) == 1) input = param->GetValue();
        if (param->GetValueID() == kIdFactor4x) factor = param->GetValue();
    }
    const CString product = FactorOperand(input) + " * " + FactorOperand(factor);
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr || param->IsDeleted() || param->GetValueID() != kIdInput) continue;
        if ((param->GetType() & kParamTypeNoList) != 0 || GetBracketIndex(param->GetName()) != 1) continue;
        param->SetValue(product);
        param->UsePin(FALSE);
    }
    SetParamExtBit(holder, kIdFactor4x, TRUE);
    CommitParamSet(RequestTarget(wizard), cookie);
}

} // namespace qv::blocks

// ---------------------------------------------------------------------------------------
// CPropMinMaxSumMulBlock

BEGIN_MESSAGE_MAP(CPropMinMaxSumMulBlock, CTBPropertyPage)
    ON_EN_CHANGE(kCtlName, &CPropMinMaxSumMulBlock::OnMarkModified)
    ON_BN_CLICKED(kCtlShowName, &CPropMinMaxSumMulBlock::OnMarkModified)
    ON_CBN_SELCHANGE(kCtlUnit, &CPropMinMaxSumMulBlock::OnMarkModified)
    ON_SAMPLE_TIME_LIST()
    ON_BN_CLICKED(kCtlSampleTimePin, &CPropMinMaxSumMulBlock::OnSampleTimePin)
    ON_BN_CLICKED(kIdBlockOutput, &CPropMinMaxSumMulBlock::OnOutput)
    ON_ROW_LIST_BUTTONS(kCtlNew, &CPropMinMaxSumMulBlock::OnNewInput, &CPropMinMaxSumMulBlock::OnDeleteInput,
                        &CPropMinMaxSumMulBlock::OnDeleteAllInputs, &CPropMinMaxSumMulBlock::OnMoveUp,
                        &CPropMinMaxSumMulBlock::OnMoveDown)
    ON_COMMAND(kCmdNew, &CPropMinMaxSumMulBlock::OnNewInput)
    ON_ROW_LIST_COMMANDS(&CPropMinMaxSumMulBlock::OnDeleteInput, &CPropMinMaxSumMulBlock::OnDeleteAllInputs,
                         &CPropMinMaxSumMulBlock::OnMoveUp, &CPropMinMaxSumMulBlock::OnMoveDown)
    // Delete has a rule of its own, so its entry stands before the range that serves the rest.
    ON_UPDATE_COMMAND_UI(kCmdDelete, &CPropMinMaxSumMulBlock::OnUpdateDelete)
    ON_UPDATE_COMMAND_UI_RANGE(kCmdDelete, kCmdNew, &CPropMinMaxSumMulBlock::OnUpdateRowCommand)
    ON_NOTIFY(LVN_ITEMCHANGED, kIdInput, &CPropMinMaxSumMulBlock::OnListItemChanged)
    ON_MESSAGE(TBLM_CELLEDITED, &CPropMinMaxSumMulBlock::OnCellEdited)
    ON_WM_CONTEXTMENU()
    ON_WM_DRAWITEM()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropMinMaxSumMulBlock::CPropMinMaxSumMulBlock() : CParamSetPage(kMinMaxSumMulTemplate) {}

CPropMinMaxSumMulBlock::CPropMinMaxSumMulBlock(CWizardBase4* wizard, DWORD_PTR cookie)
    : CParamSetPage(kMinMaxSumMulTemplate, wizard, cookie) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

void CPropMinMaxSumMulBlock::Serialize(CArchive&) {}

void CPropMinMaxSumMulBlock::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    qv::pages::ExchangeControls(pDX, {{kCtlUnit, m_cmbUnit}, {kIdSampleTime, m_cmbSampleTime},
                                      {kIdInput, m_lstInputs}});
    qv::pages::ExchangeChecks(pDX, {{kCtlShowName, m_bShowName}, {kCtlSampleTimePin, m_bSampleTimePin},
                                    {kIdBlockOutput, m_bOutput}});
    DDX_Text(pDX, kCtlName, m_strName);
}

BOOL CPropMinMaxSumMulBlock::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
        qv::pages::LoadNameAndSymbol(Holder(), m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
        m_cmbUnit.DisableFlatLook(TRUE);
        UpdateData(FALSE);
        m_strSignChoices = LoadLibraryString(kStrSigns);
        for (int col = 0; col < 5; ++col)
            m_lstInputs.InsertEditColumn(col, LoadLibraryString(kColumnHeadings[col]), LVCFMT_LEFT, kColumnWidth);
    }
    m_lstInputs.Init(m_pWizard, Holder());
    m_lstInputs.LoadColumnWidths();
    m_cmbSampleTime.SetCurSel(0);
    FillInputList();
    MarkRowsFromMask();
    GetSDBOutput(Holder(), kIdBlockOutput, &m_bOutput);
    UpdateData(FALSE);
    qv::pages::AppendUnitToCaption(*this, Holder(), kIdBlockOutput, kIdBlockOutput);
    SetModified(FALSE);
    return TRUE;
}

void CPropMinMaxSumMulBlock::SetRowCells(int row, CWizardCopaObject3* param, const CString& name, int nameKind,
                                         const CString& info, const CString& sign, const CString& value) {
    const BOOL pinned = param != nullptr && param->HasPin();
    m_lstInputs.SetEditItemText(row, kColName, name, nameKind, nullptr, reinterpret_cast<DWORD_PTR>(param));
    m_lstInputs.SetEditItemText(row, kColInfo, info, TB_EDIT_TEXT);
    m_lstInputs.SetEditItemText(row, kColSign, sign, TB_EDIT_CHOICE, m_strSignChoices);
    m_lstInputs.SetEditItemText(row, kColPin, value, TB_EDIT_CHECK);
    m_lstInputs.SetEditItemText(row, kColSignal, value, pinned ? TB_EDIT_NONE : TB_EDIT_TEXT);
    m_lstInputs.SetItemChecked(row, kColPin, pinned);
}

int CPropMinMaxSumMulBlock::AppendRow(CWizardCopaObject3* param, int index) {
    CString info;
    if (m_pWizard != nullptr) m_pWizard->GetLangDependentString(param->GetInfoMap(), info);
    CString value = param->GetValue();
    value.TrimLeft();
    // The sign is the one the model text gives the input: the mask's for the inputs it holds
    // (so a signal typed as "-2" under "+" comes back as it was typed), the value's own "-"
    // beyond them. The page's "- " before a negated signal is not part of the signal.
    CString sign = "+";
    if (qv::blocks::IsInputNegated(m_dwSignMask, index, value)) {
        sign = "-";
        if (!value.IsEmpty() && (value[0] == '-' || value[0] == '+')) {
            value = value.Mid(1);
            value.TrimLeft();
        }
    }
    const int row = m_lstInputs.InsertEditItem(m_lstInputs.GetItemCount(), param->GetName(), TB_EDIT_NONE, nullptr,
                                               reinterpret_cast<DWORD_PTR>(param));
    if (row < 0) return row;
    SetRowCells(row, param, param->GetName(), index > 1 ? TB_EDIT_NAME : TB_EDIT_NONE, info, sign, value);
    m_lstInputs.AddParam(param);
    m_lstInputs.AssignParamToItemData(param, reinterpret_cast<DWORD_PTR>(param));
    return row;
}

void CPropMinMaxSumMulBlock::FillInputList() {
    m_pTemplate = nullptr;
    ParamHolder* holder = Holder();
    qv::blocks::ForEachPageInput(holder, [&](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdInput) {
            const int index = GetBracketIndex(param->GetName());
            if (index < 0)
                m_pTemplate = param;
            else
                AppendRow(param, index);
        } else if (param->GetValueID() == kIdSampleTime) {
            ShowSampleTimeParam(param, m_cmbSampleTime, m_cmbUnit, m_bSampleTimePin);
        }
    });
}

void CPropMinMaxSumMulBlock::MarkRowsFromMask() {
    if (m_lstInputs.GetSafeHwnd() == nullptr) return;
    for (int row = 0; row < m_lstInputs.GetItemCount(); ++row) {
        const int index = GetBracketIndex(m_lstInputs.GetItemText(row, kColName));
        if (index >= 0 && index < kMaskBits && (m_dwSignMask & (1u << index)) != 0)
            m_lstInputs.SetItemText(row, kColSign, "-");
    }
}

void CPropMinMaxSumMulBlock::ApplySignMask(const void* data, long length) {
    qv::bytes::Reader in(static_cast<const BYTE*>(data), length > 0 ? static_cast<size_t>(length) : 0);
    DWORD mask = 0;
    if (!in.ReadDword(mask)) return;
    m_dwSignMask = mask;
    MarkRowsFromMask();
}

CWizardCopaObject3* CPropMinMaxSumMulBlock::RowParam(int row) const {
    if (row < 0 || row >= m_lstInputs.GetItemCount()) return nullptr;
    return reinterpret_cast<CWizardCopaObject3*>(m_lstInputs.GetItemData(row));
}

int CPropMinMaxSumMulBlock::MaxInputIndex() const {
    int highest = -1;
    for (int row = 0; row < m_lstInputs.GetItemCount(); ++row) {
        const CWizardCopaObject3* param = RowParam(row);
        if (param == nullptr || param->IsDeleted()) continue;
        const int index = GetBracketIndex(m_lstInputs.GetItemText(row, kColName));
        if (index > highest) highest = index;
    }
    return highest;
}

BOOL CPropMinMaxSumMulBlock::OnSetActive() {
    GetSDBOutput(Holder(), kIdBlockOutput, &m_bOutput);
    GetParamUsePin(Holder(), kIdSampleTime, &m_bSampleTimePin);
    m_cmbSampleTime.EnableWindow(!m_bSampleTimePin);
    SetParamUsePin(Holder(), kIdSampleTime, m_bSampleTimePin);
    for (int row = 0; row < m_lstInputs.GetItemCount(); ++row) {
        const CWizardCopaObject3* param = RowParam(row);
        const BOOL pinned = param != nullptr && param->HasPin();
        m_lstInputs.SetEditItemType(row, kColSignal, pinned ? TB_EDIT_NONE : TB_EDIT_TEXT);
        m_lstInputs.SetItemChecked(row, kColPin, pinned);
    }
    UpdateData(FALSE);
    SetModified(FALSE);
    return CPropertyPage::OnSetActive();
}

void CPropMinMaxSumMulBlock::StoreNamesAndInfos() {
    for (int row = m_lstInputs.GetItemCount() - 1; row >= 0; --row) {
        CWizardCopaObject3* param = RowParam(row);
        if (param == nullptr) continue;
        param->SetName(m_lstInputs.GetItemText(row, kColName));
        param->SetInfoByLangID(CurrentLanguageKey(m_pWizard, param), m_lstInputs.GetItemText(row, kColInfo));
    }
}

BOOL CPropMinMaxSumMulBlock::OnKillActive() {
    StoreNamesAndInfos();
    ParamHolder* holder = Holder();
    for (int i = 0; m_pTemplate != nullptr && holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param != nullptr && param != m_pTemplate && param->GetValueID() == kIdInput &&
            (param->GetType() & kParamTypeNoList) == 0)
            SetParamDescriptionsByIndex(&m_pTemplate->GetDescriptionMap(), param);
    }
    return CTBPropertyPage::OnKillActive();
}

void CPropMinMaxSumMulBlock::StoreParameters() {
    ParamHolder* holder = Holder();
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (!qv::pages::IsLiveInput(param) || param->GetValueID() != kIdSampleTime) continue;
        WriteListSampleTime(param, m_cmbSampleTime, m_cmbUnit);
    }
    for (int row = m_lstInputs.GetItemCount() - 1; row >= 0; --row) {
        CWizardCopaObject3* param = RowParam(row);
        if (param == nullptr) continue;
        const CString signal = m_lstInputs.GetItemText(row, kColSignal);
        param->SetValue(m_lstInputs.GetItemText(row, kColSign) == "-" ? "- " + signal : signal);
    }
    StoreNamesAndInfos();
    for (int i = 0; m_pTemplate != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param != nullptr && param != m_pTemplate && param->GetValueID() == kIdInput &&
            (param->GetType() & kParamTypeNoList) == 0)
            SetParamDescriptionsByIndex(&m_pTemplate->GetDescriptionMap(), param);
    }
}

BOOL CPropMinMaxSumMulBlock::OnApply() {
    // Without a parameter set nothing is written and nothing can be committed.
    if (Holder() == nullptr) return FALSE;
    // The model text gives each input not on a pin its signal as an expression.
    if (!qv::pages::RefuseUnreadableCells(*this, m_lstInputs, kIdInput, kColSignal, kColPin)) return FALSE;
    UpdateData(TRUE);
    Holder()->m_strElementName = m_strName;
    Holder()->m_dwShowName = m_bShowName ? 1 : 0;
    StoreParameters();
    // Bit n of the mask belongs to INPUT[n], whichever row shows it.
    m_dwSignMask = 0;
    for (int row = 0; row < m_lstInputs.GetItemCount(); ++row) {
        const int index = GetBracketIndex(m_lstInputs.GetItemText(row, kColName));
        if (m_lstInputs.GetItemText(row, kColSign) == "-" && index >= 0 && index < kMaskBits)
            m_dwSignMask |= 1u << index;
    }
    if (auto* wizard = dynamic_cast<CMinMaxSumMulBlockWizard4*>(m_pWizard)) wizard->SetSignMask(m_dwSignMask);
    m_lstInputs.SaveColumnWidths();
    return CommitAndEndApply(kIdInput);
}

void CPropMinMaxSumMulBlock::OnMarkModified() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPropMinMaxSumMulBlock::OnSampleTimeChosen() { SetModified(TRUE); }

void CPropMinMaxSumMulBlock::OnSampleTimeTyped() { TakeOverTypedSampleTime(m_cmbSampleTime); }

void CPropMinMaxSumMulBlock::OnSampleTimePin() {
    UpdateData(TRUE);
    m_cmbSampleTime.EnableWindow(!m_bSampleTimePin);
    SetParamUsePin(Holder(), kIdSampleTime, m_bSampleTimePin);
    SetModified(TRUE);
}

void CPropMinMaxSumMulBlock::OnOutput() {
    qv::pages::FlipOutputSwitch(*this, Holder(), m_bOutput, kIdBlockOutput);
    SetModified(TRUE);
}

void CPropMinMaxSumMulBlock::OnNewInput() {
    CWizardCopaObject3* param = AppendNamedMember(m_pTemplate, MaxInputIndex() + 1, "INPUT");
    if (param == nullptr) return;
    const CString name = param->GetName();
    CString info;
    if (m_pWizard != nullptr) m_pWizard->GetLangDependentString(param->GetInfoMap(), info);
    const int row = m_lstInputs.InsertEditItem(m_lstInputs.GetItemCount(), name, TB_EDIT_NAME, nullptr,
                                               reinterpret_cast<DWORD_PTR>(param));
    if (row < 0) return;
    SetRowCells(row, param, name, TB_EDIT_NAME, info, "+", param->GetValue());
    m_lstInputs.AddParam(param);
    m_lstInputs.AssignParamToItemData(param, reinterpret_cast<DWORD_PTR>(param));
    m_lstInputs.SelectItem(row);
    SetModified(TRUE);
}

bool CPropMinMaxSumMulBlock::DeleteInputRow(int row) {
    CWizardCopaObject3* param = RowParam(row);
    if (param == nullptr || GetBracketIndex(m_lstInputs.GetItemText(row, kColName)) < 2) return false;
    const DWORD_PTR key = m_lstInputs.GetItemData(row);
    m_lstInputs.ReleaseParamFromItem(param, key);
    m_lstInputs.DeleteEditItem(row);
    m_lstInputs.RemoveItem(key);
    return true;
}

void CPropMinMaxSumMulBlock::OnDeleteInput() {
    if (DeleteInputRow(m_lstInputs.GetSelectedItem())) SetModified(TRUE);
}

void CPropMinMaxSumMulBlock::OnDeleteAllInputs() {
    for (int row = m_lstInputs.GetItemCount() - 1; row >= 0; --row) DeleteInputRow(row);
    SetModified(TRUE);
}

void CPropMinMaxSumMulBlock::MoveSelected(int delta) {
    SetModified(TRUE);
    const int row = m_lstInputs.GetSelectedItem();
    const int other = row + delta;
    if (row < 0 || other < 0 || other >= m_lstInputs.GetItemCount()) return;
    CWizardCopaObject3* moved = RowParam(row);
    CWizardCopaObject3* neighbour = RowParam(other);
    if (!MoveParamToNeighbour(Holder(), moved, neighbour)) return;
    // The two rows exchange their cells and their parameters.
    CString cells[2][5];
    for (int col = 0; col < 5; ++col) {
        cells[0][col] = m_lstInputs.GetItemText(row, col);
        cells[1][col] = m_lstInputs.GetItemText(other, col);
    }
    SetRowCells(row, neighbour, cells[1][kColName], TB_EDIT_NAME, cells[1][kColInfo], cells[1][kColSign],
                cells[1][kColSignal]);
    SetRowCells(other, moved, cells[0][kColName], TB_EDIT_NAME, cells[0][kColInfo], cells[0][kColSign],
                cells[0][kColSignal]);
    m_lstInputs.SetItemText(row, kColPin, cells[1][kColPin]);
    m_lstInputs.SetItemText(other, kColPin, cells[0][kColPin]);
    m_lstInputs.SelectItem(other);
    m_lstInputs.Invalidate();
}

void CPropMinMaxSumMulBlock::OnMoveUp() { MoveSelected(-1); }

void CPropMinMaxSumMulBlock::OnMoveDown() { MoveSelected(1); }

void CPropMinMaxSumMulBlock::OnListItemChanged(NMHDR*, LRESULT* pResult) {
    SetModified(TRUE);
    if (CWnd* button = GetDlgItem(kCtlDelete)) button->EnableWindow(m_lstInputs.GetSelectedItem() >= 0);
    if (pResult != nullptr) *pResult = 0;
}

// A toggled "Use Pin" cell switches the input's pin at once; the signal cell can be edited
// only while the input is not on a pin.
LRESULT CPropMinMaxSumMulBlock::OnCellEdited(WPARAM wParam, LPARAM lParam) {
    SetModified(TRUE);
    const int row = LOWORD(lParam);
    const int col = HIWORD(lParam);
    if (wParam == kIdInput && col == kColName) KeepsMemberIndex(m_lstInputs, row, col, RowParam(row));
    if (wParam != kIdInput || col != kColPin) return 0;
    CWizardCopaObject3* param = RowParam(row);
    if (param == nullptr) return 0;
    const BOOL pinned = m_lstInputs.GetItemChecked(row, kColPin);
    param->UsePin(pinned);
    m_lstInputs.SetEditItemType(row, kColSignal, pinned ? TB_EDIT_NONE : TB_EDIT_TEXT);
    UpdateData(FALSE);
    return 0;
}

void CPropMinMaxSumMulBlock::OnContextMenu(CWnd*, CPoint point) {
    CResourceSwitch resources;
    CMenu menu;
    if (!menu.LoadMenu(kListMenu)) return;
    if (CMenu* popup = menu.GetSubMenu(0)) popup->TrackPopupMenu(TPM_RIGHTBUTTON, point.x, point.y, this);
}

void CPropMinMaxSumMulBlock::OnUpdateDelete(CCmdUI* pCmdUI) {
    const int row = m_lstInputs.GetSelectedItem();
    pCmdUI->Enable(row >= 0 && GetBracketIndex(m_lstInputs.GetItemText(row, kColName)) >= 2);
}

void CPropMinMaxSumMulBlock::OnUpdateRowCommand(CCmdUI* pCmdUI) { UpdateRowListCommand(pCmdUI, m_lstInputs); }

// The list buttons show their image of bitmap 138 (16 pixels each): the first third for the
// normal state, the second when pressed, the last when disabled.
void CPropMinMaxSumMulBlock::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (nIDCtl < kCtlNew || nIDCtl > kCtlMoveDown || lpDrawItemStruct == nullptr) {
        CTBPropertyPage::OnDrawItem(nIDCtl, lpDrawItemStruct);
        return;
    }
    DrawButtonImage(kListButtonImages, kCtlNew, nIDCtl, lpDrawItemStruct);
}

// ---------------------------------------------------------------------------------------
// CMinMaxSumMulBlockWizard4

int CMinMaxSumMulBlockWizard4::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    ScopedParamSet params{RequestTarget(this)};
    // Without a parameter set the text stays as the editor made it.
    if (params.Holder() == nullptr) return 4;
    ReplacePlaceholder(modelText, "@PARAMLIST", BuildInputListText(params.Holder(), m_dwSignMask), 0);
    return 4;
}

void CMinMaxSumMulBlockWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << m_dwSignMask;
        return;
    }
    ar >> m_wSchema;
    if (m_wSchema == 0) ar >> m_dwSignMask;
}

BOOL CMinMaxSumMulBlockWizard4::DoConvertWizard3Data(const void* data, long length) {
    if (data == nullptr || length < 4) return TRUE;
    ScopedParamSet params{RequestTarget(this)};
    // A page of the wizard's own, so that the page on the editor's sheet is never touched.
    std::unique_ptr<CPropMinMaxSumMulBlock> page(new (std::nothrow) CPropMinMaxSumMulBlock(this, params.Cookie()));
    if (page == nullptr) return TRUE;
    page->SetHidden(true);
    page->SetSignMask(m_dwSignMask);
    {
        CResourceSwitch resources;
        if (!page->Create(kMinMaxSumMulTemplate, nullptr)) return TRUE;
    }
    page->ShowWindow(SW_HIDE);
    page->ApplySignMask(data, length);
    m_dwSignMask = page->GetSignMask();
    page->DestroyWindow();
    return TRUE;
}

BOOL CMinMaxSumMulBlockWizard4::DoConversionFrom4x(void*, long) { return DoConversionFrom4x(); }

BOOL CMinMaxSumMulBlockWizard4::DoConversionFrom4x() {
    ScopedParamSet params{RequestTarget(this)};
    if (params.Holder() != nullptr) ConvertFactorParameter(this, params.Cookie());
    return TRUE;
}

void CMinMaxSumMulBlockWizard4::GiveSettingsToPage(CPropMinMaxSumMulBlock& page) { page.SetSignMask(m_dwSignMask); }
