#include "sources/polynomial_source.h"

#include "framework/ac_page_steps.h"
#include "framework/byte_cursor.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/immanent_template.h"
#include "framework/indexed_family.h"
#include "framework/list_controls.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/pinned_fields.h"
#include "framework/param_list.h"
#include "framework/param_set_page.h"
#include "framework/placeholders.h"
#include "framework/prefixed_numbers.h"
#include "framework/snapshot_lists.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"
#include "sources/linear_sources.h"
#include "sources/source_outputs.h"
#include "sources/source_type_steps.h"
#include "sources/time_function_texts.h"
#include "toolkit/tb_numbers.h"

#include <cmath>
#include <memory>
#include <new>

using namespace qv::sources;
using qv::dialog::kCtlName;
using qv::dialog::kCtlShowName;
using qv::dialog::kCtlSymbolFrame;
using qv::dialog::kCtlSourceType;
using qv::dialog::kColumnWidth;
using qv::snapshots::DeleteSnapshots;

IMPLEMENT_DYNCREATE(CPropPolynomSource, CTBPropertyPage)
IMPLEMENT_DYNAMIC(CPolynomSourceWizard4, CSourceTypeWizardBase4)

namespace {

constexpr int kCtlSpin = 2178;
constexpr int kCtlMonomial = 2187;
// The quantity list's row buttons: New, Delete, Delete all, Move up, Move down.
constexpr int kCtlNew = 2173;
constexpr int kCtlDelete = 2174;
constexpr int kCtlMoveUp = 2176;
constexpr int kCtlMoveDown = 2177;
using namespace qv::strings;

// Columns of the two lists.
constexpr int kColMonomial = 0;
constexpr int kColValue = 1;
constexpr int kColName = 0;
constexpr int kColPin = 1;
constexpr int kColQuantity = 2;

struct Column {
    int column;
    UINT heading;
};
constexpr Column kCoefficientColumns[] = {{.column = 0, .heading = 2712}, {.column = 1, .heading = 2721}};
constexpr Column kQuantityColumns[] = {
    {.column = 0, .heading = 2522}, {.column = 1, .heading = 2713}, {.column = 2, .heading = 2714}};

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2472, .flags = 5},  {.id = 2000, .flags = 5},  {.id = 2001, .flags = 69}, {.id = 2002, .flags = 20},
    {.id = 2020, .flags = 6},  {.id = 2072, .flags = 7},  {.id = 2146, .flags = 5},  {.id = 2147, .flags = 69},
    {.id = 2162, .flags = 20}, {.id = 2163, .flags = 70}, {.id = 2178, .flags = 6},  {.id = 2173, .flags = 5},
    {.id = 2174, .flags = 5},  {.id = 2175, .flags = 5},  {.id = 2176, .flags = 5},  {.id = 2177, .flags = 5},
    {.id = 2172, .flags = 77}, {.id = 2166, .flags = 78}, {.id = 2187, .flags = 74}, {.id = 2017, .flags = 11},
    {.id = 2018, .flags = 9},  {.id = 2019, .flags = 24}, {.id = 2056, .flags = 24},
};

CString QuantityLabel(int row) {
    CString label;
    label.Format("x%i", row + 1);
    return label;
}

CString NumberText(int number) {
    CString text;
    text.Format("%i", number);
    return text;
}

// A bracket index that a page may use as a row: within the family limit.
int UsableIndex(const CWizardCopaObject3* param) {
    const int index = GetBracketIndex(param->GetName());
    return index < qv::family::kMaxMembers ? index : -1;
}

void AppendExponents(int variables, int degree, std::vector<int>& prefix, std::vector<std::vector<int>>& out) {
    if (static_cast<int>(prefix.size()) == variables - 1) {
        prefix.push_back(degree);
        out.push_back(prefix);
        prefix.pop_back();
        return;
    }
    for (int e = degree; e >= 0; --e) {
        prefix.push_back(e);
        AppendExponents(variables, degree - e, prefix, out);
        prefix.pop_back();
    }
}

} // namespace

namespace qv::sources {

long long CountMonomials(int variables, int order) {
    if (variables < 0) return -1;
    if (order < 0) return 0;
    // C(n + order, n) built as a running product; every step is an exact binomial.
    long long count = 1;
    for (int i = 1; i <= variables; ++i) {
        count = count * (static_cast<long long>(order) + i) / i;
        if (count > kMaxCoefficients) return -1;
    }
    return count;
}

std::vector<CString> EnumerateMonomials(int variables, int order) {
    std::vector<CString> names;
    const long long count = CountMonomials(variables, order);
    if (count <= 0) return names;
    names.reserve(static_cast<size_t>(count));
    names.emplace_back("Constant");
    if (variables == 0) return names;
    for (int degree = 1; degree <= order; ++degree) {
        std::vector<std::vector<int>> tuples;
        std::vector<int> prefix;
        AppendExponents(variables, degree, prefix, tuples);
        for (const std::vector<int>& tuple : tuples) {
            CString name;
            for (int v = 0; v < variables; ++v) {
                if (tuple[v] == 0) continue;
                CString item;
                item.Format("x%d^%d", v + 1, tuple[v]);
                if (!name.IsEmpty()) name += " \xB7 ";
                name += item;
            }
            names.push_back(name);
        }
    }
    return names;
}

CString BuildPolynomialList(ParamHolder* holder) {
    CString list;
    qv::pages::ForEachPresentParam(holder, [&list, holder](const CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        if (id != kIdCoefficients && id != kIdQuantities) return;
        if (GetBracketIndex(param->GetName()) < 0) return;
        if (!list.IsEmpty()) list += ",";
        list += param->GetName() + " := " + ListEntryValue(holder, param);
    });
    return list;
}

} // namespace qv::sources

// ---------------------------------------------------------------------------------------
// The page.

BEGIN_MESSAGE_MAP(CPropPolynomSource, CTBPropertyPage)
    // The quantity list's row buttons and the row-list menu's commands.
    ON_ROW_LIST_BUTTONS(kCtlNew, &CPropPolynomSource::AddQuantity, &CPropPolynomSource::DeleteQuantity,
                        &CPropPolynomSource::DeleteAllQuantities, &CPropPolynomSource::MoveQuantityUp,
                        &CPropPolynomSource::MoveQuantityDown)
    ON_COMMAND(qv::rowlist::kCmdNew, &CPropPolynomSource::AddQuantity)
    ON_ROW_LIST_COMMANDS(&CPropPolynomSource::DeleteQuantity, &CPropPolynomSource::DeleteAllQuantities,
                         &CPropPolynomSource::MoveQuantityUp, &CPropPolynomSource::MoveQuantityDown)
    ON_UPDATE_COMMAND_UI_RANGE(qv::rowlist::kCmdDelete, qv::rowlist::kCmdNew, &CPropPolynomSource::OnUpdateRowCommand)
    ON_NOTIFY(NM_SETFOCUS, kIdQuantities, &CPropPolynomSource::OnQuantityFocus)
    ON_NOTIFY(NM_CLICK, kIdQuantities, &CPropPolynomSource::OnQuantityFocus)
    ON_NOTIFY(NM_RCLICK, kIdQuantities, &CPropPolynomSource::OnQuantityFocus)
    ON_NOTIFY(LVN_ITEMCHANGED, kIdQuantities, &CPropPolynomSource::OnListItemChanged)
    ON_NOTIFY(LVN_ITEMCHANGED, kIdCoefficients, &CPropPolynomSource::OnListItemChanged)
    ON_NOTIFY(UDN_DELTAPOS, kCtlSpin, &CPropPolynomSource::OnOrderSpin)
    ON_MESSAGE(TBLM_CELLEDITED, &CPropPolynomSource::OnCellEdited)
    ON_MESSAGE(TBLM_SELCHANGED, &CPropPolynomSource::OnListSelection)
    ON_EN_CHANGE(kIdOrder, &CPropPolynomSource::OnOrderChanged)
    ON_EN_KILLFOCUS(kIdOrder, &CPropPolynomSource::OnOrderKillFocus)
    ON_CBN_SELCHANGE(kCtlSourceType, &CPropPolynomSource::OnSelchangeSourceType)
    ON_BN_CLICKED(kIdOutputVoltage, &CPropPolynomSource::OnOutputVoltage)
    ON_BN_CLICKED(kIdOutputCurrent, &CPropPolynomSource::OnOutputCurrent)
    ON_BN_CLICKED(kIdOutputSourceValue, &CPropPolynomSource::OnOutputValue)
    ON_EN_CHANGE(kCtlName, &CPropPolynomSource::OnFieldChanged)
    ON_EN_CHANGE(kCtlMonomial, &CPropPolynomSource::OnFieldChanged)
    ON_BN_CLICKED(kCtlShowName, &CPropPolynomSource::OnFieldChanged)
    ON_BN_CLICKED(kIdSpice, &CPropPolynomSource::OnFieldChanged)
    ON_WM_CONTEXTMENU()
    ON_WM_DRAWITEM()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropPolynomSource::CPropPolynomSource() : TSourceTypePage(kPolynomialTemplate) {}

CPropPolynomSource::CPropPolynomSource(CPolynomSourceWizard4* wizard, ParamHolder* params)
    : TSourceTypePage(kPolynomialTemplate, wizard, params) {
    qv::pages::RegisterLayout(*this, kLayout);
}

void CPropPolynomSource::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlSourceType, m_cmbSourceType);
    DDX_Control(pDX, kIdQuantities, m_lstQuantities);
    DDX_Control(pDX, kIdCoefficients, m_lstCoefficients);
    qv::pages::ExchangeTexts(pDX, {{kCtlName, m_strName}, {kIdOrder, m_strOrder}, {kCtlMonomial, m_strMonomial}});
    qv::pages::ExchangeChecks(pDX, {{kCtlShowName, m_bShowName}, {kIdOutputCurrent, m_bOutputCurrent},
                                    {kIdOutputVoltage, m_bOutputVoltage}, {kIdOutputSourceValue, m_bOutputValue},
                                    {kIdSpice, m_bSpice}});
}

void CPropPolynomSource::ShowError(UINT stringID) {
    if (m_bHidden) return;
    CResourceSwitch resources;
    AfxMessageBox(LoadLibraryString(stringID), MB_OK);
}

CWizardCopaObject3* CPropPolynomSource::RowParam(const CTBEditListCtrl& list, int row) const {
    if (row < 0 || row >= list.GetItemCount()) return nullptr;
    return reinterpret_cast<CWizardCopaObject3*>(list.GetItemData(row));
}

CWizardCopaObject3* CPropPolynomSource::NewMember(const CWizardCopaObject3* templ, int index) {
    return qv::family::AppendMember(m_pParams, templ, index);
}

void CPropPolynomSource::EnsureRows(int index, bool coefficients) {
    CTBEditListCtrl& list = coefficients ? m_lstCoefficients : static_cast<CTBEditListCtrl&>(m_lstQuantities);
    for (int row = list.GetItemCount(); row <= index; ++row) {
        if (coefficients) {
            list.InsertEditItem(row, NumberText(row), TB_EDIT_NONE);
            list.SetEditItemText(row, kColValue, "0", TB_EDIT_TEXT);
        } else {
            list.InsertEditItem(row, QuantityLabel(row), TB_EDIT_NONE);
        }
    }
}

void CPropPolynomSource::SetQuantityRow(int row, CWizardCopaObject3* param) {
    m_lstQuantities.SetItemData(row, reinterpret_cast<DWORD_PTR>(param));
    m_lstQuantities.AddParam(param);
    m_lstQuantities.SetEditItemText(row, kColPin, param->GetValue(), TB_EDIT_CHECK);
    m_lstQuantities.SetItemChecked(row, kColPin, param->HasPin());
    m_lstQuantities.SetEditItemText(row, kColQuantity, param->GetValue(), param->HasPin() ? TB_EDIT_NONE : TB_EDIT_TEXT);
}

void CPropPolynomSource::LoadParameters() {
    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdOrder:
            m_strOrder = param->GetValue();
            EnableControl(kIdOrder, IsParamNotOnPin(m_pParams, kIdOrder));
            break;
        case kIdSpice: {
            double value = 0.0;
            m_bSpice = ParseFinite(param->GetValue(), &value) && std::trunc(value) != 0.0;
            break;
        }
        case kIdCoefficients: {
            const int index = UsableIndex(param);
            if (GetBracketIndex(param->GetName()) < 0) {
                m_pCoefficientTemplate = param;
            } else if (index >= 0) {
                EnsureRows(index, true);
                m_lstCoefficients.SetItemData(index, reinterpret_cast<DWORD_PTR>(param));
                m_lstCoefficients.SetEditItemText(index, kColValue, param->GetValue(), TB_EDIT_TEXT);
            }
            break;
        }
        case kIdQuantities: {
            const int index = UsableIndex(param);
            if (GetBracketIndex(param->GetName()) < 0) {
                m_pQuantityTemplate = param;
            } else if (index >= 0) {
                EnsureRows(index, false);
                SetQuantityRow(index, param);
            }
            break;
        }
        default: break;
        }
    });
    UpdateData(FALSE);
}

BOOL CPropPolynomSource::OnInitDialog() {
    InitDialogWithLibraryResources();
    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    m_cmbSourceType.SetCurSel(0);
    UpdateData(FALSE);
    {
        CResourceSwitch resources;
        for (const Column& column : kCoefficientColumns)
            m_lstCoefficients.InsertEditColumn(column.column, LoadLibraryString(column.heading), 0, kColumnWidth, 0);
        for (const Column& column : kQuantityColumns)
            m_lstQuantities.InsertEditColumn(column.column, LoadLibraryString(column.heading), 0, kColumnWidth, 0);
    }
    m_lstQuantities.Init(m_pWizard, m_pParams);
    LoadParameters();
    int order = 0;
    if (qv::family::OrderFromText(m_strOrder, &order)) m_nAcceptedOrder = order < 0 ? 0 : order;
    RebuildCoefficients();
    m_lstCoefficients.InitializeCtrl(1, 1);
    m_lstCoefficients.InitializeColumnSize(0, "WIZColumnWidths", "PolynomCoeff");
    m_lstQuantities.LoadColumnWidths();

    GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bOutputCurrent);
    GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bOutputVoltage);
    GetSDBOutput(m_pParams, kIdOutputSourceValue, &m_bOutputValue);
    UpdateData(FALSE);
    for (WORD id : {kIdOutputVoltage, kIdOutputCurrent}) qv::pages::AppendParamUnitToCaption(*this, m_pParams, id);
    m_cmbSourceType.SetCurSel(m_nSourceType);
    OnSelchangeSourceType();
    EnableRowButtons();
    SetModified(FALSE);
    m_bInitialised = TRUE;
    return TRUE;
}

void CPropPolynomSource::OnSelchangeSourceType() {
    UpdateData(TRUE);
    SetModified(TRUE);
    const int selection = m_cmbSourceType.GetSafeHwnd() ? m_cmbSourceType.GetCurSel() : -1;
    if (selection >= 0) m_nSourceType = selection;
    const BYTE mask = m_nSourceType >= 0 && m_nSourceType < 8 ? static_cast<BYTE>(1u << m_nSourceType) : 0;
    InvalidateDlgItemRect(m_pSymbol, mask, kCtlSymbolFrame, this);
    const bool voltage = m_nSourceType == kSourceTypeVoltage;
    CString caption;
    {
        CResourceSwitch resources;
        caption = LoadLibraryString(voltage ? kStrEMFValue : kStrSourceCurrent);
    }
    AppendUnitSuffix(&caption, voltage ? "V" : "A");
    SetDlgItemText(kIdOutputSourceValue, caption);
    if (CWnd* spice = GetDlgItem(kIdSpice)) spice->ShowWindow(voltage ? SW_SHOW : SW_HIDE);
    FollowSourceType();
}

BOOL CPropPolynomSource::RebuildCoefficients() {
    int order = 0;
    const int variables = m_lstQuantities.GetSafeHwnd() ? m_lstQuantities.GetItemCount() : 0;
    if (!qv::family::OrderFromText(m_strOrder, &order) || CountMonomials(variables, order) < 0) {
        // Too many coefficients: the rows stay, and so does the text, which OK refuses rather
        // than take the order that built the rows in its place.
        ShowError(qv::strings::kStrInvalidValue);
        return FALSE;
    }
    m_nAcceptedOrder = order < 0 ? 0 : order;
    m_MonomialNames = EnumerateMonomials(variables, order);
    SyncCoefficientRows();
    return TRUE;
}

void CPropPolynomSource::SyncCoefficientRows() {
    if (m_lstCoefficients.GetSafeHwnd() == nullptr) return;
    const int target = static_cast<int>(m_MonomialNames.size());
    const int rows = m_lstCoefficients.GetItemCount();
    for (int k = rows; k < target; ++k) {
        if (m_pCoefficientTemplate == nullptr) break;
        CWizardCopaObject3* param = NewMember(m_pCoefficientTemplate, k);
        if (param != nullptr) param->SetValue("0");
        m_lstCoefficients.InsertEditItem(k, "", TB_EDIT_NONE);
        m_lstCoefficients.SetEditItemText(k, kColValue, "0", TB_EDIT_TEXT);
        m_lstCoefficients.SetItemData(k, reinterpret_cast<DWORD_PTR>(param));
    }
    for (int row = m_lstCoefficients.GetItemCount() - 1; row >= target; --row) {
        if (CWizardCopaObject3* param = RowParam(m_lstCoefficients, row);
            param != nullptr && IndexOfParam(m_pParams, param) >= 0)
            qv::family::RetireMember(param);
        m_lstCoefficients.DeleteEditItem(row);
    }
    const int shown = std::min(target, m_lstCoefficients.GetItemCount());
    for (int k = 0; k < shown; ++k) {
        m_lstCoefficients.SetEditItemText(k, kColMonomial, m_MonomialNames[k], TB_EDIT_NONE);
        if (RowParam(m_lstCoefficients, k) != nullptr) continue;
        if (m_pCoefficientTemplate == nullptr) break;
        CWizardCopaObject3* param = NewMember(m_pCoefficientTemplate, k);
        m_lstCoefficients.SetItemData(k, reinterpret_cast<DWORD_PTR>(param));
    }
}

void CPropPolynomSource::AddQuantity() {
    if (m_pQuantityTemplate == nullptr || m_lstQuantities.GetSafeHwnd() == nullptr) return;
    const int row = m_lstQuantities.GetItemCount();
    int order = 0;
    if (!qv::family::OrderFromText(m_strOrder, &order) || CountMonomials(row + 1, order) < 0 ||
        row >= qv::family::kMaxMembers) {
        ShowError(qv::strings::kStrInvalidValue);
        return;
    }
    CWizardCopaObject3* param = NewMember(m_pQuantityTemplate, row);
    if (param == nullptr) return;
    m_lstQuantities.InsertEditItem(row, QuantityLabel(row), TB_EDIT_NONE);
    SetQuantityRow(row, param);
    RebuildCoefficients();
    SetModified(TRUE);
}

void CPropPolynomSource::DeleteQuantity() {
    const int row = m_lstQuantities.GetSelectedItem();
    if (row < 0) return;
    if (CWizardCopaObject3* param = RowParam(m_lstQuantities, row)) qv::family::RetireMember(param);
    m_lstQuantities.DeleteEditItem(row);
    RebuildCoefficients();
    for (int r = row; r < m_lstQuantities.GetItemCount(); ++r) {
        m_lstQuantities.SetEditItemText(r, kColName, QuantityLabel(r), TB_EDIT_NONE);
        if (CWizardCopaObject3* param = RowParam(m_lstQuantities, r)) param->SetName(qv::family::IndexedName("QUANT", r));
    }
    EnableRowButtons();
    SetModified(TRUE);
}

void CPropPolynomSource::DeleteAllQuantities() {
    for (int row = m_lstQuantities.GetItemCount() - 1; row >= 0; --row) {
        if (CWizardCopaObject3* param = RowParam(m_lstQuantities, row)) qv::family::RetireMember(param);
        m_lstQuantities.DeleteEditItem(row);
    }
    // The coefficients follow the quantities as after each Delete: without any, the constant
    // term alone is left. Stale rows of the quantities deleted would be stored at OK and
    // dropped at the next opening.
    RebuildCoefficients();
    EnableRowButtons();
    SetModified(TRUE);
}

void CPropPolynomSource::SwapQuantityTexts(int row, int other) {
    const CString first = m_lstQuantities.GetItemText(row, kColQuantity);
    const CString second = m_lstQuantities.GetItemText(other, kColQuantity);
    const CWizardCopaObject3* firstParam = RowParam(m_lstQuantities, row);
    const CWizardCopaObject3* secondParam = RowParam(m_lstQuantities, other);
    const int firstType = firstParam && firstParam->HasPin() ? TB_EDIT_NONE : TB_EDIT_TEXT;
    const int secondType = secondParam && secondParam->HasPin() ? TB_EDIT_NONE : TB_EDIT_TEXT;
    m_lstQuantities.SetEditItemText(row, kColQuantity, second, secondType);
    m_lstQuantities.SetEditItemText(other, kColQuantity, first, firstType);
    m_lstQuantities.SelectItem(row);
    m_lstQuantities.Invalidate();
    SetModified(TRUE);
}

void CPropPolynomSource::MoveQuantityDown() {
    const int row = m_lstQuantities.GetSelectedItem();
    if (row < 0 || row + 1 >= m_lstQuantities.GetItemCount()) return;
    SwapQuantityTexts(row, row + 1);
}

void CPropPolynomSource::MoveQuantityUp() {
    const int row = m_lstQuantities.GetSelectedItem();
    if (row <= 0) return;
    SwapQuantityTexts(row, row - 1);
}

void CPropPolynomSource::EnableRowButtons() {
    const BOOL selected = m_lstQuantities.GetSafeHwnd() && m_lstQuantities.GetSelectedItem() >= 0;
    for (int id : {kCtlDelete, kCtlMoveDown, kCtlMoveUp}) EnableControl(id, selected);
}

void CPropPolynomSource::OnQuantityFocus(NMHDR*, LRESULT* pResult) {
    EnableRowButtons();
    if (pResult != nullptr) *pResult = 0;
}

void CPropPolynomSource::OnListItemChanged(NMHDR*, LRESULT* pResult) {
    if (m_bInitialised) {
        UpdateData(TRUE);
        SetModified(TRUE);
    }
    if (pResult != nullptr) *pResult = 0;
}

// A toggled "Use Pin" cell switches the quantity's pin at once; its expression can be edited
// only while the quantity is not on a pin.
LRESULT CPropPolynomSource::OnCellEdited(WPARAM wParam, LPARAM lParam) {
    const int row = LOWORD(lParam);
    const int column = HIWORD(lParam);
    if (m_bInitialised) SetModified(TRUE);
    if (wParam != kIdQuantities || column != kColPin) return 0;
    CWizardCopaObject3* param = RowParam(m_lstQuantities, row);
    if (param == nullptr) return 0;
    const BOOL pinned = m_lstQuantities.GetItemChecked(row, kColPin);
    param->UsePin(pinned);
    m_lstQuantities.SetEditItemType(row, kColQuantity, pinned ? TB_EDIT_NONE : TB_EDIT_TEXT);
    UpdateData(FALSE);
    return 0;
}

LRESULT CPropPolynomSource::OnListSelection(WPARAM wParam, LPARAM) {
    if (wParam == kIdQuantities) EnableRowButtons();
    if (wParam != kIdCoefficients) return 0;
    const int row = m_lstCoefficients.GetSelectedItem();
    m_strMonomial = row >= 0 ? m_lstCoefficients.GetItemText(row, kColMonomial) : CString();
    UpdateData(FALSE);
    return 0;
}

void CPropPolynomSource::OnOrderChanged() {
    UpdateData(TRUE);
    double value = 0.0;
    if (ParseFinite(m_strOrder, &value) && value < 0.0) {
        m_strOrder = "0";
        UpdateData(FALSE);
    }
    SetModified(TRUE);
}

void CPropPolynomSource::OnOrderKillFocus() {
    UpdateData(TRUE);
    SetModified(TRUE);
    // Only a number sizes the coefficients: any other text ("5)", a name) leaves them as they
    // are, for OK to refuse.
    if (qv::pages::ReadsAsNumber(m_strOrder, qv::pages::NumberNeeded::Number)) RebuildCoefficients();
}

void CPropPolynomSource::OnOrderSpin(NMHDR* pNMHDR, LRESULT* pResult) {
    const auto* spin = reinterpret_cast<const NMUPDOWN*>(pNMHDR);
    int order = 0;
    if (!qv::family::OrderFromText(m_strOrder, &order)) order = m_nAcceptedOrder;
    if (order < 0) order = 0;
    if (spin != nullptr && spin->iDelta < 0 && order < qv::family::kMaxMembers - 1) ++order;
    if (spin != nullptr && spin->iDelta > 0 && order > 0) --order;
    m_strOrder = NumberText(order);
    UpdateData(FALSE);
    SetModified(TRUE);
    if (pResult != nullptr) *pResult = 0;
}

void CPropPolynomSource::OnOutputValue() {
    qv::pages::ReadAndFlipOutputSwitch(*this, m_pParams, m_bOutputValue, kIdOutputSourceValue);
}

void CPropPolynomSource::OnContextMenu(CWnd*, CPoint point) {
    CResourceSwitch resources;
    CMenu menu;
    if (!menu.LoadMenu(qv::rowlist::kListMenu)) return;
    if (CMenu* popup = menu.GetSubMenu(0)) popup->TrackPopupMenu(TPM_RIGHTBUTTON, point.x, point.y, this);
}

void CPropPolynomSource::OnUpdateRowCommand(CCmdUI* pCmdUI) { UpdateRowListCommand(pCmdUI, m_lstQuantities); }

BOOL CPropPolynomSource::OnSetActive() {
    GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bOutputCurrent);
    GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bOutputVoltage);
    GetSDBOutput(m_pParams, kIdOutputSourceValue, &m_bOutputValue);
    if (GetSafeHwnd() != nullptr) {
        UpdateData(FALSE);
        EnableControl(kIdOrder, IsParamNotOnPin(m_pParams, kIdOrder));
        for (int row = 0; row < m_lstQuantities.GetItemCount(); ++row) {
            const CWizardCopaObject3* param = RowParam(m_lstQuantities, row);
            if (param == nullptr) continue;
            m_lstQuantities.SetEditItemType(row, kColQuantity, param->HasPin() ? TB_EDIT_NONE : TB_EDIT_TEXT);
            m_lstQuantities.SetItemChecked(row, kColPin, param->HasPin());
        }
    }
    SetModified(FALSE);
    return CTBPropertyPage::OnSetActive();
}

BOOL CPropPolynomSource::OnKillActive() {
    UpdateParamDescriptions();
    return CTBPropertyPage::OnKillActive();
}

void CPropPolynomSource::UpdateParamDescriptions() {
    const int count = m_pParams ? m_pParams->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        CWizardCopaObject3* param = m_pParams->GetParam(i);
        if (param == nullptr || (param->GetType() & kParamTypeNoList) != 0) continue;
        const WORD id = param->GetValueID();
        const CWizardCopaObject3* templ = id == kIdCoefficients  ? m_pCoefficientTemplate
                                          : id == kIdQuantities ? m_pQuantityTemplate
                                                                : nullptr;
        if (templ != nullptr) SetParamDescriptionsByIndex(&templ->GetDescriptionMap(), param);
    }
}

void CPropPolynomSource::StoreParameters() {
    UpdateData(TRUE);
    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdOrder: param->SetValue(m_strOrder); break;
        case kIdSpice: param->SetValue(TBExtended_ftoa(m_bSpice ? 1.0 : 0.0, -1, 0, "")); break;
        case kIdCoefficients: {
            const int k = UsableIndex(param);
            if (k < 0 || k >= m_lstCoefficients.GetItemCount()) break;
            param->SetValue(m_lstCoefficients.GetItemText(k, kColValue));
            param->SetName(qv::family::IndexedName("COEFF", k));
            break;
        }
        case kIdQuantities: {
            const int q = UsableIndex(param);
            if (q < 0 || q >= m_lstQuantities.GetItemCount()) break;
            param->SetValue(m_lstQuantities.GetItemText(q, kColQuantity));
            param->SetName(qv::family::IndexedName("QUANT", q));
            break;
        }
        default: break;
        }
    });
}

BOOL CPropPolynomSource::OnApply() {
    if (m_pParams == nullptr || !qv::pages::RefuseBlankValueField(*this, m_pParams)) return FALSE;
    // The model text gives each coefficient and each quantity not on a pin as a value.
    if (!qv::pages::RefuseUnreadableCells(*this, m_lstCoefficients, kIdCoefficients, kColValue) ||
        !qv::pages::RefuseUnreadableCells(*this, m_lstQuantities, kIdQuantities, kColQuantity, kColPin))
        return FALSE;
    UpdateData(TRUE);
    // The order sizes the coefficients: a text that is no whole number is not read as one.
    if (!qv::pages::RefuseUnlessNumber(*this, kIdOrder, m_strOrder, qv::pages::NumberNeeded::Order)) return FALSE;
    qv::pages::TakeFromNoPin(m_pParams, {kIdOrder});
    // An order that needs more coefficients than a family holds was refused as it was typed;
    // it is refused again rather than dropped for the order that built the rows.
    if (int order = 0; IsParamNotOnPin(m_pParams, kIdOrder) && qv::family::OrderFromText(m_strOrder, &order) &&
                       order != m_nAcceptedOrder && !RebuildCoefficients())
        return FALSE;
    qv::pages::StoreNameAndShowName(*m_pParams, m_strName, m_bShowName);
    StoreParameters();
    UpdateParamDescriptions();
    const int selection = m_cmbSourceType.GetSafeHwnd() ? m_cmbSourceType.GetCurSel() : -1;
    if (selection >= 0 && selection < 8) m_nSourceType = selection;
    BuildCompareList();
    HandOver();
    m_lstCoefficients.SaveColumnWidths();
    m_lstQuantities.SaveColumnWidths();
    if (!CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams))) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropPolynomSource::BuildCompareList() {
    DeleteSnapshots(m_Snapshots);
    if (m_nSourceType == kSourceTypeVoltage) AppendSnapshot("SPC", nullptr);
    AppendACSnapshots();
}

void CPropPolynomSource::StoreToWizard(int mode) {
    const int selection = m_cmbSourceType.GetSafeHwnd() ? m_cmbSourceType.GetCurSel() : -1;
    if (selection >= 0) m_nSourceType = selection;
    BuildCompareList();
    if (mode == 1) HandOver();
}

// Element data of the older wizard generation, all numbers little-endian DWORDs: source
// type, snapshot count n, snapshot block length S and S bytes of n archived snapshots (taken
// when the block fits, also when it ends the data), then three blocks (length and bytes) that
// are skipped and the AC page's block. A block whose length fails its test ends the reading;
// what was read stays and the settings go to the wizard all the same.
void CPropPolynomSource::ConvertWizard3Data(const void* data, long length) {
    const size_t size = data != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
    bool intact = ReadOlderTypeAndSnapshots(in, false);
    DWORD blockLength = 0;
    for (int skipped = 0; skipped < 3 && intact; ++skipped)
        intact = in.ReadDword(blockLength) && in.SkipBytes(blockLength);
    if (intact) qv::pages::ReadOlderACBlock(in, ACPage());
    HandOver();
}

void CPropPolynomSource::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (nIDCtl < kCtlNew || nIDCtl > kCtlMoveDown) {
        CTBPropertyPage::OnDrawItem(nIDCtl, lpDrawItemStruct);
        return;
    }
    DrawButtonImage(qv::rowlist::kListButtonImages, kCtlNew, nIDCtl, lpDrawItemStruct);
}

// ---------------------------------------------------------------------------------------
// The wizard.

namespace {

// Hidden work on pages of its own; the page knows it is hidden.
struct HiddenPolynomialPages : qv::pages::HiddenACPages<CPropPolynomSource> {
    HiddenPolynomialPages(CPolynomSourceWizard4& wizard, ParamHolder* params)
        : HiddenACPages(wizard, params, kPolynomialTemplate) {
        if (Ready()) page->SetHidden(TRUE);
    }
};

} // namespace

BOOL CPolynomSourceWizard4::WantChangeNotification() { return TRUE; }

BOOL CPolynomSourceWizard4::Initialize(int argument) {
    return source_type::InitializeNew<HiddenPolynomialPages>(*this, argument);
}

void CPolynomSourceWizard4::Reinitialise() { source_type::RebuildList<HiddenPolynomialPages>(*this); }

void CPolynomSourceWizard4::NotifyChanged(int changeType, CWizardCopaObject3* param) {
    if (changeType != 3 || param == nullptr) return;
    const RequestTarget target(this);
    ScopedParamSet params(target);
    if (param->GetValueID() != kIdOrder) return;
    Reinitialise();
    CommitParamSet(target, params.Cookie());
}

BOOL CPolynomSourceWizard4::DoConvertWizard3Data(const void* data, long length) {
    return source_type::ConvertOlderData<HiddenPolynomialPages>(*this, data, length);
}

int CPolynomSourceWizard4::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (m_Snapshots.GetSize() == 0) Reinitialise();
    const RequestTarget target(this);
    ScopedParamSet params(target);
    ParamHolder* holder = params.Holder();
    FollowSourceType(holder, params.Cookie());
    CString list = BuildPolynomialList(holder);
    BuildPinAssignmentList(modelText, &m_Snapshots, static_cast<DWORD>(m_nSourceType), holder, nullptr);
    ReplacePlaceholder(modelText, "@TYPE", m_nSourceType == kSourceTypeCurrent ? "I_POLY " : "E_POLY ", 0);
    if (!list.IsEmpty()) list += ",";
    ReplacePlaceholder(modelText, "@LIST", list, 0);
    ResolveControlledSupplyPlaceholders(target, params.Cookie(), holder, modelText, true);
    return 4;
}
