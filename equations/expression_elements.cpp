#include "equations/expression_elements.h"

#include "framework/immanent_template.h"
#include "framework/dialog_controls.h"
#include "framework/table_list_page.h"
#include "framework/byte_cursor.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/param_order.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "framework/symbol_paint.h"
#include "win32/module.h"
#include "wizard/environment.h"

#include <vector>

IMPLEMENT_SERIAL(CPropInitialValuesEquation, CTBPropertyPage, VERSIONABLE_SCHEMA | 10)
PARVEL_VERSIONED_CLASS(CPropInitialValuesEquation)
IMPLEMENT_DYNAMIC(CEquationWizardBase4, CWizardBase4)
IMPLEMENT_DYNAMIC(CInitialValuesWizard4, CEquationWizardBase4)
IMPLEMENT_DYNAMIC(CEquationWizard4, CEquationWizardBase4)

using namespace qv::equations;
using namespace qv::dialog;

namespace {

constexpr int kIdList = kIdInitialValue;
// Buttons New, Delete, Delete All, Move up, Move down.
constexpr DWORD kExt4xBits = 0x40004;
constexpr int kColExpression = 0;
constexpr int kColSequence = 1;
constexpr char kColumnSection[] = "WIZColumnWidths";

constexpr WORD kInitialValueIDs[] = {kIdInitialValue};
constexpr WORD kEquationIDs[] = {kIdBeforeAnalog, kIdBeforeStateGraph, kIdAfterStateGraph};
// The sequence texts are the strings of the value IDs.
constexpr UINT kInitialValueColumns[] = {2755, 2722, 2749};
constexpr UINT kEquationColumns[] = {2755, 2754, 2722, 2749};

const ExpressionVariant kInitialValuesVariant{
    .groups = kInitialValueIDs, .foreign = kEquationIDs, .columns = kInitialValueColumns, .profileKey = "IVA",
    .sequence = false};
const ExpressionVariant kEquationVariant{
    .groups = kEquationIDs, .foreign = kInitialValueIDs, .columns = kEquationColumns, .profileKey = "FML",
    .sequence = true};

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2488, .flags = 20}, {.id = 2072, .flags = 15}, {.id = 1122, .flags = 6},  {.id = 1123, .flags = 6},
    {.id = 1124, .flags = 6},  {.id = 1125, .flags = 6},  {.id = 1126, .flags = 6},  {.id = 2132, .flags = 15},
};

// What the row of an adopted parameter shows: its name followed by its value.
CString AdoptedRowText(const CWizardCopaObject3* param) { return param->GetName() + " " + param->GetValue(); }

bool IsTemplate(const CWizardCopaObject3* param) { return (param->GetType() & kTypeTemplate) != 0; }
bool IsLive(const CWizardCopaObject3* param) { return param != nullptr && !param->IsDeleted(); }

bool Contains(std::span<const WORD> ids, WORD id) {
    for (WORD each : ids)
        if (each == id) return true;
    return false;
}

// OnSheetMode of an expression made from the older form: the modes shown on the sheet move
// to their counterparts of the new form.
char RemapConvertedMode(char mode) {
    switch (mode) {
    case 2: case 4: case 6: return 3;
    case 5: case 7: case 8: return 8;
    default: return mode;
    }
}

CString ExpressionList(CWizardBaseCommon* wizard, ParamHolder* holder, WORD id, BOOL convert, CString& modelText) {
    CUIntArray ids;
    ids.Add(id);
    return convert ? ReplaceParamList(wizard, holder, &ids, modelText, ";\n\t")
                   : ReplaceParamList2(wizard, holder, &ids, modelText, ";\n\t");
}

} // namespace

// ---------------------------------------------------------------------------------------
// CPropInitialValuesEquation

BEGIN_MESSAGE_MAP(CPropInitialValuesEquation, CExpressionListPage)
    ON_ROW_LIST_BUTTONS(kCtlNew, &CPropInitialValuesEquation::OnNew, &CPropInitialValuesEquation::OnDelete,
                        &CPropInitialValuesEquation::OnDeleteAll, &CPropInitialValuesEquation::OnMoveUp,
                        &CPropInitialValuesEquation::OnMoveDown)
    ON_COMMAND(kCmdNew, &CPropInitialValuesEquation::OnNew)
    ON_ROW_LIST_COMMANDS(&CPropInitialValuesEquation::OnDelete, &CPropInitialValuesEquation::OnDeleteAll,
                         &CPropInitialValuesEquation::OnMoveUp, &CPropInitialValuesEquation::OnMoveDown)
    ON_UPDATE_COMMAND_UI(kCmdDelete, &CPropInitialValuesEquation::OnUpdateNeedsSelection)
    ON_UPDATE_COMMAND_UI(kCmdMoveDown, &CPropInitialValuesEquation::OnUpdateNeedsSelection)
    ON_UPDATE_COMMAND_UI(kCmdMoveUp, &CPropInitialValuesEquation::OnUpdateNeedsSelection)
    ON_MESSAGE(TBLM_CELLEDITED, &CPropInitialValuesEquation::OnCellEdited)
    ON_MESSAGE(TBLM_EDITSTARTING, &CPropInitialValuesEquation::OnEditStarting)
    ON_NOTIFY(NM_DBLCLK, kIdList, &CPropInitialValuesEquation::OnExpressionDoubleClick)
    ON_NOTIFY(NM_CLICK, kIdList, &CPropInitialValuesEquation::OnListFocus)
    ON_NOTIFY(NM_SETFOCUS, kIdList, &CPropInitialValuesEquation::OnListFocus)
    ON_WM_CONTEXTMENU()
    ON_WM_DRAWITEM()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropInitialValuesEquation::CPropInitialValuesEquation()
    : CExpressionListPage(kExpressionPageTemplate, FALSE, m_list, kIdList) {}

CPropInitialValuesEquation::CPropInitialValuesEquation(CWizardBase4* wizard, DWORD_PTR cookie,
                                                       const ExpressionVariant& variant)
    : CExpressionListPage(kExpressionPageTemplate, wizard, cookie, FALSE, m_list, kIdList), m_variant(variant) {
    qv::pages::RegisterElementLayout(*this, kLayout);
    // The names an expression may use: the left sides of the rows and the element's nodes.
    auto names = [this](CMapStringToString& map) {
        for (int row = 0; row < m_list.GetItemCount(); ++row) {
            const CString left = LeftSideOf(m_list.GetItemText(row, kColExpression));
            if (!left.IsEmpty()) map.SetAt(left, "");
        }
        if (m_pWizard == nullptr) return;
        CPtrArray nodes;
        m_pWizard->GetPossibleNodes(nodes, 5, TRUE, TRUE, TRUE);
        for (INT_PTR i = 0; i < nodes.GetSize(); ++i) {
            const auto* node = static_cast<const CWizardCopaObject3*>(nodes.GetAt(i));
            if (node != nullptr && (node->GetType() & (0x20 | kTypeTemplate)) == 0) map.SetAt(node->GetName(), "");
        }
        m_pWizard->FreeNodeArray(nodes);
    };
    m_expressionDialog.Init(names);
}

void CPropInitialValuesEquation::SetSettings(BOOL showErrors, BOOL convert) {
    m_bShowErrors = showErrors;
    m_bConvert = convert;
}

void CPropInitialValuesEquation::Serialize(CArchive& ar) { SerializeShowErrorsState(ar, m_bShowErrors); }

void CPropInitialValuesEquation::DoDataExchange(CDataExchange* pDX) {
    CExpressionListPage::DoDataExchange(pDX);
    DDX_Control(pDX, kIdList, m_list);
}

BOOL CPropInitialValuesEquation::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
        AttachRowImages();
        ReadHeader(m_strName, m_bShowName);
        SetupColumns();
    }
    FillList();
    AdoptForeignParams();
    m_list.LoadColumnWidths();
    UpdateData(FALSE);
    SetModified(FALSE);
    return TRUE;
}

void CPropInitialValuesEquation::SetupColumns() {
    for (size_t col = 0; col < m_variant.columns.size(); ++col)
        m_list.InsertEditColumn(static_cast<int>(col), LoadLibraryString(m_variant.columns[col]), LVCFMT_LEFT,
                                kColumnWidth);
    m_list.Init(m_pWizard, Holder());
    m_list.InitializeCtrl(TRUE, TRUE);
    m_list.InitializeColumnSize(0, kColumnSection, m_variant.profileKey);
    LoadScanDll();
}

int CPropInitialValuesEquation::GroupOf(WORD valueID) const {
    for (size_t i = 0; i < m_variant.groups.size(); ++i)
        if (m_variant.groups[i] == valueID) return static_cast<int>(i);
    return -1;
}

CString CPropInitialValuesEquation::SequenceText(int group) const {
    return group >= 0 ? LoadLibraryString(m_variant.groups[static_cast<size_t>(group)]) : CString();
}

CString CPropInitialValuesEquation::InfoText(const CWizardCopaObject3* param) const {
    CString text;
    if (m_pWizard != nullptr && param != nullptr) m_pWizard->GetLangDependentString(param->GetInfoMap(), text);
    return text;
}

int CPropInitialValuesEquation::AppendRow(CWizardCopaObject3* param, const CString& text, int group) {
    const int row = AppendExpressionRow(param, text, kImageAssignment);
    if (row < 0) return row;
    if (m_variant.sequence) {
        CString choices;
        for (size_t g = 0; g < m_variant.groups.size(); ++g)
            choices += (g > 0 ? "," : "") + SequenceText(static_cast<int>(g));
        m_list.SetEditItemText(row, kColSequence, SequenceText(group), TB_EDIT_CHOICE, choices);
    }
    m_list.SetEditItemText(row, InfoColumn(), InfoText(param), TB_EDIT_TEXT);
    m_list.SetEditItemText(row, OutputColumn(), "", TB_EDIT_TEXT);
    return row;
}

bool CPropInitialValuesEquation::ConvertRow(CWizardCopaObject3* old, int group) {
    CWizardCopaObject3* templ = m_templates[group];
    const CString text = EquationTextOf(old);
    BOOL output = FALSE;
    GetSDBOutputForParam(Holder(), old, &output);
    const BOOL onPin = old->HasPin();
    CObject* object = old->GetCopaObject();
    CWizardCopaObject3* fresh = old;
    if (templ != nullptr) {
        old->SetCopaObject(nullptr);
        old->Delete();
        fresh = NewRowParam(Holder(), templ, text);
        if (fresh == nullptr) return false;
        // The expression stays shown on the sheet as the old one was, in the new form's mode.
        fresh->SetOnSheetMode(RemapConvertedMode(old->GetOnSheetMode()));
        fresh->SetInfoMap(old->GetInfoMap());
    } else {
        // Without the group's template the expression stays on its own parameter, rewritten.
        old->SetValue(text);
    }
    const int row = AppendRow(fresh, text, group);
    if (row < 0) return false;
    CString errors;
    const BOOL passed = TestExpressions(row, text, errors, output, onPin, object);
    if (m_bShowErrors && !errors.IsEmpty()) ShowMessage(errors);
    return passed != FALSE;
}

void CPropInitialValuesEquation::FillList() {
    ParamHolder* holder = Holder();
    for (auto*& templ : m_templates) templ = nullptr;
    m_pVariableTemplate = nullptr;
    m_foreign.clear();
    m_adopted.clear();
    // A page filled again starts from the set it now holds.
    m_list.DeleteAllItems();
    m_rowRecords.clear();
    // The walk covers the set as it was: converted expressions are appended behind it and are
    // not converted again. The templates and the variables are known before it, so that a row
    // converted (and checked) at once finds them wherever they stand in the set.
    const int count = holder != nullptr ? holder->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (!IsLive(param)) continue;
        const int group = GroupOf(param->GetValueID());
        if (group >= 0 && IsTemplate(param)) {
            m_templates[group] = param;
        } else if (param->GetValueID() == kIdExpressionVariable && (param->GetType() & kTypeOutput) != 0) {
            if (IsTemplate(param)) m_pVariableTemplate = param;
            else m_list.AddParam(param);
        }
    }
    const bool converting = m_bConvert != FALSE;
    bool allPassed = true;
    for (int i = 0; i < count; ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (!IsLive(param) || IsTemplate(param)) continue;
        const WORD id = param->GetValueID();
        const int group = GroupOf(id);
        if (group >= 0 && converting) {
            allPassed = ConvertRow(param, group) && allPassed;
        } else if (group >= 0) {
            AppendRow(param, param->GetValue(), group);
        } else if (Contains(m_variant.foreign, id)) {
            m_foreign.push_back(param);
        }
    }
    // The set now holds the new form: filling again must not convert it twice.
    m_bConvert = FALSE;
    if (!converting) allPassed = CheckAllRows(true) != FALSE;
    // Variables leave the set only when every row could say what it defines.
    if (allPassed) m_list.PurgeUnusedParams();
}

BOOL CPropInitialValuesEquation::CheckAllRows(bool show) {
    BOOL allPassed = TRUE;
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        const EquationRowData* data = RowData(row);
        if (data == nullptr) continue;
        CString errors;
        if (!CheckRow(row, data->text, errors)) allPassed = FALSE;
        if (show && m_bShowErrors && !errors.IsEmpty()) ShowMessage(errors);
    }
    return allPassed;
}

void CPropInitialValuesEquation::AdoptForeignParams() {}

BOOL CPropInitialValuesEquation::TestExpressions(int row, const CString& text, CString& errorText, BOOL output,
                                                 BOOL onPin, CObject* object) {
    return CheckRow(row, text, errorText, NewVariableTraits{output, onPin, object});
}

void CPropInitialValuesEquation::StoreList() {
    m_list.CloseEdit(TRUE);
    const WORD language = qv::GetCurrentLanguageID();
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        EquationRowData* data = RowData(row);
        // Adopted rows without a record keep their parameter as it is.
        if (data == nullptr || data->param == nullptr) continue;
        if (data->singleLine) data->text = m_list.GetItemText(row, kColExpression);
        data->param->SetValue(data->text);
        if (m_variant.sequence) {
            const CString sequence = m_list.GetItemText(row, kColSequence);
            for (size_t g = 0; g < m_variant.groups.size(); ++g)
                if (sequence == SequenceText(static_cast<int>(g))) data->param->SetValueID(m_variant.groups[g]);
        }
        data->param->SetInfoByLangID(language, m_list.GetItemText(row, InfoColumn()));
    }
}

void CPropInitialValuesEquation::UpdateParamDescriptions() {
    ParamHolder* holder = Holder();
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (!IsLive(param) || IsTemplate(param)) continue;
        const int group = GroupOf(param->GetValueID());
        if (group >= 0 && m_templates[group] != nullptr)
            SetParamDescriptionsByValue(&m_templates[group]->GetDescriptionMap(), param);
        else if (param->GetValueID() == kIdExpressionVariable && m_pVariableTemplate != nullptr)
            SetParamDescriptionsByName(&m_pVariableTemplate->GetDescriptionMap(), param);
    }
}

BOOL CPropInitialValuesEquation::OnApply() {
    UpdateData(TRUE);
    ParamHolder* holder = Holder();
    if (holder == nullptr || !RefuseUnreadableRows()) return FALSE;
    qv::pages::StoreNameAndShowName(*holder, m_strName, m_bShowName);
    m_bConvert = FALSE;
    if (auto* wizard = dynamic_cast<CEquationWizardBase4*>(m_pWizard)) wizard->SetSettings(m_bShowErrors, FALSE);
    StoreList();
    UpdateParamDescriptions();
    m_list.SaveColumnWidths();
    if (!CommitParamSet(RequestTarget(m_pWizard), m_cookie)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

BOOL CPropInitialValuesEquation::OnSetActive() {
    const WORD language = qv::GetCurrentLanguageID();
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        const EquationRowData* data = RowData(row);
        if (data == nullptr) continue;
        const DWORD_PTR key = reinterpret_cast<DWORD_PTR>(data->param);
        CWizardCopaObject3* var = m_list.GetItemVarCount(key) == 1 ? m_list.GetItemVar(key, 0) : nullptr;
        if (var != nullptr && IndexOfParam(Holder(), var) >= 0 &&
            m_list.GetEditItemType(row, OutputColumn()) == TB_EDIT_CHECK) {
            BOOL output = FALSE;
            GetSDBOutputForParam(Holder(), var, &output);
            m_list.SetItemChecked(row, OutputColumn(), output);
        }
        if (data->param == nullptr) continue;
        const CString info = InfoText(data->param);
        m_list.SetItemText(row, InfoColumn(), info);
        data->param->SetInfoByLangID(language, info);
    }
    return CPropertyPage::OnSetActive();
}

BOOL CPropInitialValuesEquation::OnKillActive() {
    // Without the pre-compiler no expression can be checked: the user stays on the page.
    if (!IsScanLoaded()) return FALSE;
    m_list.CloseEdit(TRUE);
    CheckAllRows(false);
    StoreList();
    UpdateParamDescriptions();
    return CTBPropertyPage::OnKillActive();
}

void CPropInitialValuesEquation::OnNew() {
    CWizardCopaObject3* templ = m_templates[0];
    if (templ == nullptr) return;
    UpdateData(TRUE);
    CWizardCopaObject3* param = NewRowParam(Holder(), templ, templ->GetValue());
    if (param == nullptr) return;
    const int row = AppendRow(param, param->GetValue(), 0);
    if (row >= 0) m_list.SelectItem(row);
    EnableRowButtons();
    SetModified(TRUE);
}

void CPropInitialValuesEquation::DeleteRow(int row) {
    EquationRowData* data = RowData(row);
    CWizardCopaObject3* param = data != nullptr ? data->param : nullptr;
    // An adopted row has no record: its parameter is the one whose name and value it shows.
    for (size_t i = 0; data == nullptr && param == nullptr && i < m_adopted.size(); ++i)
        if (AdoptedRowText(m_adopted[i]) == m_list.GetItemText(row, kColExpression)) {
            param = m_adopted[i];
            m_adopted.erase(m_adopted.begin() + static_cast<std::ptrdiff_t>(i));
        }
    if (data != nullptr) ReleaseRowVariables(m_list, reinterpret_cast<DWORD_PTR>(data->param));
    if (param != nullptr) param->Delete();
    m_list.DeleteEditItem(row);
    std::erase_if(m_rowRecords, [data](const auto& record) { return record.get() == data; });
}

void CPropInitialValuesEquation::DeleteSelected() {
    const int row = m_list.GetSelectedItem();
    if (row < 0) return;
    DeleteRow(row);
    m_list.Invalidate();
    EnableRowButtons();
    SetModified(TRUE);
}

void CPropInitialValuesEquation::DeleteAll() {
    for (int row = m_list.GetItemCount() - 1; row >= 0; --row) DeleteRow(row);
    m_list.Invalidate();
    EnableRowButtons();
    SetModified(TRUE);
}

void CPropInitialValuesEquation::MoveRow(int delta) {
    const int row = m_list.GetSelectedItem();
    const int other = row + delta;
    if (row < 0 || other < 0 || other >= m_list.GetItemCount()) return;
    EquationRowData* a = RowData(row);
    EquationRowData* b = RowData(other);
    // Only rows with a record can move: the set order follows their parameters.
    if (a == nullptr || b == nullptr) return;
    if (!MoveParamToNeighbour(Holder(), a->param, b->param)) return;
    const int columns = static_cast<int>(m_variant.columns.size());
    for (int col = 1; col < OutputColumn(); ++col) {
        const CString cellA = m_list.GetItemText(row, col);
        m_list.SetItemText(row, col, m_list.GetItemText(other, col));
        m_list.SetItemText(other, col, cellA);
    }
    m_list.SetEditItemText(row, columns - 1, "", TB_EDIT_TEXT);
    m_list.SetEditItemText(other, columns - 1, "", TB_EDIT_TEXT);
    SwapExpressionRows(row, other);
    m_list.Invalidate();
    SetModified(TRUE);
}

LRESULT CPropInitialValuesEquation::OnCellEdited(WPARAM wParam, LPARAM lParam) {
    if (wParam != static_cast<WPARAM>(kIdList)) return 0;
    const int row = LOWORD(lParam);
    const int col = HIWORD(lParam);
    EquationRowData* data = RowData(row);
    SetModified(TRUE);
    if (data == nullptr) return 0;
    const DWORD_PTR key = reinterpret_cast<DWORD_PTR>(data->param);
    if (col == OutputColumn()) {
        const BOOL off = m_list.GetItemChecked(row, col) ? FALSE : TRUE;
        for (int i = 0; i < m_list.GetItemVarCount(key); ++i)
            SetSDBOutputForParam(Holder(), m_list.GetItemVar(key, i), off);
    }
    if (data->singleLine) data->text = m_list.GetItemText(row, kColExpression);
    if (col == kColExpression) {
        CheckRowAndShow(row);
        m_list.SelectItem(row);
    }
    return 0;
}

// Delete, Move up and Move down need a selected row; Delete All needs rows.
void CPropInitialValuesEquation::EnableRowButtons() {
    const BOOL selected = m_list.GetSelectedItem() >= 0;
    for (int offset : {1, 3, 4})
        if (CWnd* button = GetDlgItem(kCtlNew + offset)) button->EnableWindow(selected);
    if (CWnd* button = GetDlgItem(kCtlNew + 2)) button->EnableWindow(m_list.GetItemCount() > 0);
}

void CPropInitialValuesEquation::OnListFocus(NMHDR*, LRESULT* pResult) {
    EnableRowButtons();
    if (pResult != nullptr) *pResult = 0;
}

void CPropInitialValuesEquation::OnUpdateNeedsSelection(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_list.GetSelectedItem() >= 0);
}

void CPropInitialValuesEquation::OnContextMenu(CWnd* pWnd, CPoint point) {
    if (pWnd == nullptr || pWnd->GetSafeHwnd() != m_list.GetSafeHwnd()) return;
    CPoint client = point;
    m_list.ScreenToClient(&client);
    int row = -1, col = -1;
    if (m_list.FindItem(client, row, col) >= 0 && row >= 0) m_list.SelectItem(row);
    qv::tablepage::TrackTableContextMenu(*this, point);
}

void CPropInitialValuesEquation::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (!qv::tablepage::DrawTableButton(nIDCtl, lpDrawItemStruct)) CTBPropertyPage::OnDrawItem(nIDCtl, lpDrawItemStruct);
}

void CPropInitialValuesEquation::ConvertWizard3Data(const void* data, long length) {
    if (data == nullptr) {
        m_bConvert = TRUE;
        return;
    }
    m_bConvert = FALSE;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), length > 0 ? static_cast<size_t>(length) : 0);
    DWORD unused = 0;
    DWORD skip = 0;
    // The two leading DWORDs carry nothing this page keeps.
    if (!in.ReadDword(unused) || !in.ReadDword(unused)) return;
    in.ReadDword(skip);
    if (in.Fits(skip)) in.SkipBytes(skip);
    DWORD stateLength = skip;
    if (in.Remaining() > 0) in.ReadDword(stateLength);
    if (stateLength < 1 || !in.Fits(stateLength)) return;
    // A cut page state keeps what was read before it.
    qv::pages::ReadArchivedBlock(in.Position(), stateLength, [this](CArchive& ar) { Serialize(ar); });
}

// ---------------------------------------------------------------------------------------
// The two variants

bool CPropInitialValuesEquation::AdoptForeignAs(CWizardCopaObject3* param, WORD valueID) {
    CWizardCopaObject3* templ = m_templates[0];
    if (templ == nullptr) {
        param->Delete();
        return false;
    }
    param->SetValueID(valueID);
    param->SetDeletable(TRUE);
    param->SetTemplateObject(templ->GetCopaObject());
    return true;
}

CPropInitialValues::CPropInitialValues(CWizardBase4* wizard, DWORD_PTR cookie)
    : CPropInitialValuesEquation(wizard, cookie, kInitialValuesVariant) {}

// Expressions of the equation element join the initial values; their rows have no record, so
// the page neither checks nor stores them and their parameters keep their values.
void CPropInitialValues::AdoptForeignParams() {
    for (CWizardCopaObject3* param : m_foreign) {
        if (!AdoptForeignAs(param, kIdInitialValue)) continue;
        m_list.InsertEditItem(m_list.GetItemCount(), AdoptedRowText(param), TB_EDIT_NONE, nullptr, 0);
        m_adopted.push_back(param);
    }
    m_foreign.clear();
}

CPropEquation::CPropEquation(CWizardBase4* wizard, DWORD_PTR cookie)
    : CPropInitialValuesEquation(wizard, cookie, kEquationVariant) {}

// Initial values found in the set become expressions "Before Analog Solver".
void CPropEquation::AdoptForeignParams() {
    CWizardCopaObject3* templ = m_templates[0];
    for (CWizardCopaObject3* param : m_foreign) {
        BOOL output = FALSE;
        GetSDBOutputForParam(Holder(), param, &output);
        if (!AdoptForeignAs(param, kIdBeforeAnalog)) continue;
        const CString text = EquationTextOf(param);
        param->Delete();
        CWizardCopaObject3* fresh = NewRowParam(Holder(), templ, text);
        if (fresh == nullptr) continue;
        const int row = AppendRow(fresh, text, 0);
        if (row < 0) continue;
        CString errors;
        TestExpressions(row, text, errors, output, FALSE, nullptr);
        if (m_bShowErrors && !errors.IsEmpty()) ShowMessage(errors);
    }
    m_foreign.clear();
}

// ---------------------------------------------------------------------------------------
// CEquationWizardBase4 and the two wizards

void CEquationWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema << static_cast<DWORD>(m_bShowErrors ? 1 : 0) << static_cast<DWORD>(m_bConvert ? 1 : 0)
           << static_cast<DWORD>(m_bConverted ? 1 : 0);
        return;
    }
    ar >> m_wSchema;
    if (m_wSchema != 0) return;
    DWORD showErrors = 0, convert = 0, converted = 0;
    ar >> showErrors >> convert >> converted;
    m_bShowErrors = showErrors != 0;
    m_bConvert = convert != 0;
    m_bConverted = converted != 0;
}

void CEquationWizardBase4::RunHiddenPage(DWORD_PTR cookie, BOOL showErrors, BOOL convert, const void* data,
                                         long length, bool convertBlock) {
    auto page = MakeHiddenPage(cookie);
    if (!page) return;
    page->SetHidden(true);
    page->SetSettings(showErrors, convert);
    if (!page.Open(kExpressionPageTemplate) || !convertBlock) return;
    page->ConvertWizard3Data(data, length);
    m_bShowErrors = page->GetShowErrors();
    m_bConvert = page->GetConvertFlag();
}

BOOL CEquationWizardBase4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    RunHiddenPage(params.Cookie(), m_bShowErrors, m_bConvert, data, length, true);
    m_bConverted = TRUE;
    return TRUE;
}

BOOL CEquationWizardBase4::Initialize(int argument) {
    if (argument != 0 && (argument != 1 || m_bConverted)) return TRUE;
    ScopedParamSet params{RequestTarget(this)};
    if (argument == 0) {
        RunHiddenPage(params.Cookie(), FALSE, FALSE);
    } else {
        m_bConvert = TRUE;
        RunHiddenPage(params.Cookie(), m_bShowErrors, m_bConvert);
        m_bConverted = TRUE;
        m_bConvert = FALSE;
    }
    if (params.Cookie() != 0) CommitParamSet(RequestTarget(this), params.Cookie());
    return TRUE;
}

void CEquationWizardBase4::NotifyChanged(int changeType, CWizardCopaObject3* param) {
    if (changeType != 3 || param == nullptr) return;
    ScopedParamSet params{RequestTarget(this)};
    if (!Contains(ExpressionIDs(), param->GetValueID())) return;
    Initialize(0);
    if (params.Cookie() != 0) CommitParamSet(RequestTarget(this), params.Cookie());
}

BOOL CEquationWizardBase4::DoConversionFrom4x(void*, long) { return DoConversionFrom4x(); }

BOOL CEquationWizardBase4::DoConversionFrom4x() {
    ScopedParamSet params{RequestTarget(this)};
    ParamHolder* holder = params.Holder();
    m_bConvert = TRUE;
    CWizardCopaObject3* templ = nullptr;
    std::vector<CWizardCopaObject3*> collected;
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (!IsLive(param)) continue;
        if (IsTemplate(param)) {
            if (param->GetValueID() == ConversionTemplate()) templ = param;
        } else if (CollectsFor4x(param->GetValueID())) {
            collected.push_back(param);
        }
    }
    if (templ == nullptr) return TRUE;
    for (CWizardCopaObject3* param : collected) {
        param->SetTemplateObject(templ->GetCopaObject());
        param->SetExtType(param->GetExtType() & ~kExt4xBits);
        param->SetOnSheetMode(RemapOnSheetMode(param->GetOnSheetMode()));
    }
    CommitParamSet(RequestTarget(this), params.Cookie());
    m_bConverted = TRUE;
    return TRUE;
}

CPropInitialValuesEquation* CInitialValuesWizard4::NewPage(DWORD_PTR cookie) {
    return new (std::nothrow) CPropInitialValues(this, cookie);
}

char CInitialValuesWizard4::RemapOnSheetMode(char mode) const {
    if (mode == 1) return 2;
    if (mode == 5) return 7;
    return mode;
}

std::span<const WORD> CInitialValuesWizard4::ExpressionIDs() const { return kInitialValueIDs; }

int CInitialValuesWizard4::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    ScopedParamSet params{RequestTarget(this)};
    CString list = ExpressionList(this, params.Holder(), kIdInitialValue, m_bConvert, modelText);
    if (!list.IsEmpty()) list += ";";
    ReplacePlaceholder(modelText, "@EXPRESSLIST;", list, 0);
    return 4;
}

CPropInitialValuesEquation* CEquationWizard4::NewPage(DWORD_PTR cookie) {
    return new (std::nothrow) CPropEquation(this, cookie);
}

char CEquationWizard4::RemapOnSheetMode(char mode) const { return RemapConvertedMode(mode); }

std::span<const WORD> CEquationWizard4::ExpressionIDs() const { return kEquationIDs; }

// Each group with expressions fills one copy of the element's text: the first group the text
// itself, a later one a copy appended after a line end, marked with the point of the step it
// runs at.
int CEquationWizard4::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    ScopedParamSet params{RequestTarget(this)};
    const CString block = modelText;
    bool written = false;
    CString list = ExpressionList(this, params.Holder(), kIdBeforeAnalog, m_bConvert, modelText);
    if (!list.IsEmpty()) {
        ReplacePlaceholder(modelText, "@EXPRESSLIST", list, 0);
        ReplacePlaceholder(modelText, "@ADDINFO", "", 0);
        written = true;
    }
    const struct {
        WORD id;
        const char* type;
    } graphGroups[] = {{kIdBeforeStateGraph, "PRE "}, {kIdAfterStateGraph, "POST "}};
    for (const auto& group : graphGroups) {
        list = ExpressionList(this, params.Holder(), group.id, m_bConvert, modelText);
        if (list.IsEmpty()) continue;
        ReplacePlaceholder(list, "@,", ";\n\t", 0);
        if (written) modelText += "\n" + block;
        ReplacePlaceholder(modelText, "@EXPRESSLIST", list, 0);
        ReplacePlaceholder(modelText, "@ADDINFO", "DST: SIM(Type:=SSGM, Sequ:=@TYPE);", 0);
        ReplacePlaceholder(modelText, "@TYPE", group.type, 0);
        written = true;
    }
    ReplacePlaceholder(modelText, "@EXPRESSLIST;", "", 0);
    ReplacePlaceholder(modelText, "@ADDINFO", "", 0);
    return 4;
}
