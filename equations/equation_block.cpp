#include "equations/equation_block.h"

#include "framework/listed_controls.h"
#include "framework/immanent_template.h"
#include "framework/older_base_block.h"
#include "framework/page_parts.h"
#include "framework/string_ids.h"
#include "framework/table_list_page.h"
#include "framework/byte_cursor.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/shown_unit.h"
#include "framework/older_base_block.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_order.h"
#include "framework/placeholders.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "win32/module.h"
#include "wizard/environment.h"

#include <memory>
#include <new>
#include <vector>

IMPLEMENT_SERIAL(CPropEquationBlock, CTBPropertyPage, VERSIONABLE_SCHEMA | 10)
PARVEL_VERSIONED_CLASS(CPropEquationBlock)
IMPLEMENT_DYNAMIC(CEquationBlockWizard4, CWizardBase4)

using namespace qv::equations;
using qv::blocks::kCtlName;
using qv::blocks::kCtlSampleTimePin;
using qv::blocks::kCtlShowName;
using qv::blocks::kCtlSymbolFrame;
using qv::blocks::kCtlUnit;
using qv::blocks::kIdSampleTime;
using qv::dialog::kColumnWidth;

namespace {

constexpr int kIdEquationList = kIdEquation;
// Buttons New, Delete, Delete All, Move up, Move down of each list.
constexpr int kCtlInputButtons = 2280;
constexpr int kCtlEquationButtons = 2285;
constexpr int kCtlOutputButtons = 2299;
constexpr UINT kCmdEquation = 40005;
constexpr UINT kCmdCondition = 40006;
using namespace qv::strings;
constexpr DWORD kPageVersion = 10;
constexpr DWORD kShowErrorsSince = 8;
constexpr int kMaxRows = 10000;
constexpr char kColumnSection[] = "WIZColumnWidths";

// Columns of the input and output lists.
constexpr int kColName = 0;
constexpr int kColPin = 1;
constexpr int kColValue = 2;

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2488, .flags = 20},  {.id = 2072, .flags = 15},  {.id = 2276, .flags = 77},  {.id = 2278, .flags = 77},
    {.id = 2280, .flags = 20},  {.id = 2281, .flags = 20},  {.id = 2282, .flags = 20},  {.id = 2283, .flags = 20},
    {.id = 2284, .flags = 20},  {.id = 2182, .flags = 9},   {.id = 2183, .flags = 73},  {.id = 2074, .flags = 9},
    {.id = 2277, .flags = 76},  {.id = 2279, .flags = 76},  {.id = 2285, .flags = 20},  {.id = 2286, .flags = 20},
    {.id = 2287, .flags = 20},  {.id = 2288, .flags = 20},  {.id = 2289, .flags = 20},  {.id = 2400, .flags = 24},
    {.id = 2297, .flags = 78},  {.id = 2298, .flags = 78},  {.id = 2299, .flags = 20},  {.id = 2300, .flags = 20},
    {.id = 2301, .flags = 20},  {.id = 2302, .flags = 20},  {.id = 2303, .flags = 20},
};

bool IsTemplate(const CWizardCopaObject3* param) { return (param->GetType() & kTypeTemplate) != 0; }

bool IsLive(const CWizardCopaObject3* param) { return param != nullptr && !param->IsDeleted(); }

// The outputs the set holds, counted as the page lists them. A block that was never opened
// has no count of the page's yet, and the model text needs the outputs it really has.
int CountOutputs(const ParamHolder* holder) {
    int count = 0;
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (IsLive(param) && param->GetValueID() == kIdOutput && !IsTemplate(param) &&
            GetBracketIndex(param->GetName()) >= 0)
            ++count;
    }
    return count;
}

} // namespace

namespace qv::equations {

CWizardCopaObject3* NewRowParam(ParamHolder* holder, const CWizardCopaObject3* templ, const CString& value) {
    if (holder == nullptr || templ == nullptr) return nullptr;
    auto* param = new (std::nothrow) CWizardCopaObject3(*templ);
    if (param == nullptr) return nullptr;
    param->SetDeletable(TRUE);
    param->SetType(param->GetType() & ~kTypeTemplate);
    param->SetTemplateObject(templ->GetCopaObject());
    param->SetCopaObject(nullptr);
    param->SetValue(value);
    holder->AddParam(param);
    return param;
}

CString EquationTextOf(const CWizardCopaObject3* param) {
    if (param->GetValue().Find(":=") >= 0) return param->GetValue();
    return param->GetName() + ":=" + param->GetValue();
}

CString RowCellText(const CString& text, BOOL* singleLine) {
    const int lineBreak = text.Find('\n');
    if (lineBreak < 1) {
        if (singleLine != nullptr) *singleLine = TRUE;
        return text;
    }
    if (singleLine != nullptr) *singleLine = FALSE;
    return text.Left(lineBreak - 1) + "...";
}

CString BuildInputList(ParamHolder* holder) {
    CString list;
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder->GetParam(i);
        if (!IsLive(param) || param->GetValueID() != kIdInput || GetBracketIndex(param->GetName()) < 0) continue;
        if (!list.IsEmpty()) list += ",";
        list += param->GetName() + " := " + ListEntryValue(holder, param);
    }
    return list;
}

CString BuildExpressionList(ParamHolder* holder, bool convertOld, bool* converted) {
    if (converted != nullptr) *converted = false;
    CString list;
    if (holder == nullptr) return list;
    const CWizardCopaObject3* equationTemplate = nullptr;
    bool first = true;
    // New equations are appended while converting; the walk covers the set as it was.
    const int count = holder->GetParamCount();
    for (int i = 0; i < count; ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (!IsLive(param)) continue;
        const WORD id = param->GetValueID();
        if (id == kIdEquation && IsTemplate(param)) {
            equationTemplate = param;
            continue;
        }
        if (id != kIdEquation && (id != kIdOutput || IsTemplate(param))) continue;
        if (!first) list += "\n";
        first = false;
        if (!convertOld) {
            if (id == kIdEquation) list += param->GetValue() + ";";
            continue;
        }
        if (equationTemplate == nullptr) {
            // The set lacks the template the converted equation is made from: the entry is
            // written as it will be once converted, and the set stays as it is.
            list += EquationTextOf(param) + ";";
            continue;
        }
        CWizardCopaObject3* fresh = NewRowParam(holder, equationTemplate, EquationTextOf(param));
        if (fresh == nullptr) continue;
        list += fresh->GetValue() + ";";
        if (converted != nullptr) *converted = true;
        if (id == kIdEquation) param->Delete();
    }
    return list;
}

CString LeftSideOf(const CString& text) {
    const int assign = text.Find(":=");
    if (assign < 0) return CString();
    CString left = text.Left(assign);
    left.TrimLeft();
    left.TrimRight();
    return left;
}

void ReleaseRowVariables(CEditVarListCtrl& list, DWORD_PTR key) {
    for (int i = list.GetItemVarCount(key) - 1; i >= 0; --i) list.ReleaseParamFromItem(list.GetItemVar(key, i), key);
    list.RemoveItem(key);
}

void SetListRowImage(CListCtrl& list, int row, int image) {
    LVITEM item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = image;
    list.SetItem(&item);
}

int ListRowImage(const CListCtrl& list, int row) {
    LVITEM item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    if (!list.GetItem(&item)) return -1;
    return item.iImage;
}

void ShowExpressionCell(CTBEditListCtrl& list, int row, int column, EquationRowData& data) {
    BOOL single = TRUE;
    const CString cell = RowCellText(data.text, &single);
    data.singleLine = single ? 1 : 0;
    list.SetEditItemText(row, column, cell, single ? TB_EDIT_EXPRESSION : TB_EDIT_MULTILINE, "DIALOG");
}

EquationRowData* ExpressionRowDialog::Record(int row) const {
    if (row < 0 || row >= m_list.GetItemCount()) return nullptr;
    return reinterpret_cast<EquationRowData*>(m_list.GetItemData(row));
}

void ExpressionRowDialog::Init(std::function<void(CMapStringToString&)> names) {
    auto getText = [this]() {
        const EquationRowData* data = Record(m_row);
        return data != nullptr ? data->text : CString();
    };
    auto setText = [this](const CString& text) {
        EquationRowData* data = Record(m_row);
        if (data == nullptr) return;
        data->text = text;
        ShowExpressionCell(m_list, m_row, m_column, *data);
        if (m_list.IsEditing() && m_list.GetEditRow() == m_row) m_list.SetEditText(m_list.GetItemText(m_row, m_column));
    };
    m_dialog.InitDialog(TB_EDIT_MULTILINE, std::move(names), getText, setText);
}

bool ExpressionRowDialog::Edit(CWnd* owner, int row) {
    if (Record(row) == nullptr) return false;
    m_row = row;
    INT_PTR result = IDCANCEL;
    {
        CResourceSwitch resources;
        result = m_dialog.Edit(owner);
    }
    m_row = -1;
    return result == IDOK;
}

void SerializeShowErrorsState(CArchive& ar, BOOL& showErrors) {
    if (ar.IsStoring()) {
        ar << kPageVersion << static_cast<DWORD>(showErrors ? 1 : 0);
        return;
    }
    DWORD version = 0;
    ar >> version;
    if (version < kShowErrorsSince) return;
    DWORD flag = 0;
    ar >> flag;
    showErrors = flag != 0;
}

void ScanModule::Free() {
    if (m_module != nullptr) FreeLibrary(m_module);
    m_module = nullptr;
    m_function = nullptr;
}

BOOL ScanModule::Load(const CWizardBase4* wizard, const std::function<void(const CString&)>& tell) {
    if (m_function != nullptr) return TRUE;
    if (m_tried) return FALSE;
    m_tried = true;
    const CString path = (wizard != nullptr ? wizard->GetQuorvatixPath() : GetQuorvatixPath()) + "\\" + "Pravent.dll";
    m_module = LoadLibraryA(path);
    if (m_module == nullptr) {
        tell(LoadLibraryString(kStrScanDll));
        return FALSE;
    }
    m_function = reinterpret_cast<UbhvBlock2UpnFunc>(GetProcAddress(m_module, "UbhvBlock2Upn"));
    if (m_function == nullptr) {
        Free();
        tell(LoadLibraryString(kStrScanFunction));
        return FALSE;
    }
    return TRUE;
}

namespace {

void EmptyOutputCell(const ExpressionCheck& check, int row) {
    if (check.outputColumn >= 0) check.list->SetEditItemText(row, check.outputColumn, "", TB_EDIT_TEXT);
}

// Links the row to the variables its expression defines: known ones by name, new ones made
// from the variable template. An assignment shows the output check box of each of them.
void LinkDefinedVariables(const ExpressionCheck& check, int row, DWORD_PTR key, const CStringArray& names, int kind,
                          const NewVariableTraits& traits) {
    CEditVarListCtrl& list = *check.list;
    const bool assignment = kind == kExpressionAssignment;
    list.SyncItemVars(key, names);
    for (int n = 0; n < names.GetSize(); ++n) {
        CWizardCopaObject3* var = nullptr;
        if (!list.FindLinkedParam(names[n], &var)) {
            if (check.variableTemplate == nullptr) continue;
            var = NewRowParam(check.holder, check.variableTemplate, check.variableTemplate->GetValue());
            if (var == nullptr) continue;
            var->SetName(names[n]);
            if (assignment) {
                var->UsePin(traits.onPin);
                var->SetCopaObject(traits.object);
            }
            list.AddParam(var);
        }
        bool linked = false;
        for (int k = 0; k < list.GetItemVarCount(key) && !linked; ++k) linked = list.GetItemVar(key, k) == var;
        if (!linked) list.LinkVariable(var, key);
        if (!assignment || check.outputColumn < 0) continue;
        BOOL output = FALSE;
        GetSDBOutputForParam(check.holder, var, &output);
        if (traits.output) {
            output = TRUE;
            SetSDBOutputForParam(check.holder, var, FALSE);
        }
        list.SetEditItemText(row, check.outputColumn, "", TB_EDIT_CHECK);
        list.SetItemChecked(row, check.outputColumn, output);
    }
}

} // namespace

BOOL CheckExpressionRow(const ExpressionCheck& check, int row, const CString& text, CString& errorText,
                        const NewVariableTraits& traits) {
    if (check.list == nullptr || check.scan == nullptr) return FALSE;
    CEditVarListCtrl& list = *check.list;
    if (row < 0 || row >= list.GetItemCount()) return FALSE;
    const auto* data = reinterpret_cast<const EquationRowData*>(list.GetItemData(row));
    if (data == nullptr) return FALSE;
    const DWORD_PTR key = reinterpret_cast<DWORD_PTR>(data->param);
    if (text.IsEmpty()) {
        // A variable leaves the set only when no other row defines it too.
        ReleaseRowVariables(list, key);
        EmptyOutputCell(check, row);
        errorText.Empty();
        return TRUE;
    }
    CPtrArray errors;
    try {
        CMod model(eModTypeBlock, 0);
        CFormel* formula = model.AddFormel();
        CStringArray names;
        int kind = kExpressionNone;
        const int result = check.scan(text, formula, &kind, &names, &errors);
        if (result != 0 || kind == kExpressionBare) {
            SetListRowImage(list, row, kImageError);
            errorText.Empty();
            if (errors.GetSize() == 0)
                errorText = LoadLibraryString(kind == kExpressionBare ? kStrNoLeftValue : kStrScanFailed);
            for (int i = 0; i < errors.GetSize(); ++i)
                if (const auto* e = static_cast<const ScanError*>(errors[i])) errorText += qv::formula::FormatScanError(*e);
            qv::formula::FreeScanErrors(errors);
            return FALSE;
        }
        errorText.Empty();
        if (names.GetSize() > 0) {
            LinkDefinedVariables(check, row, key, names, kind, traits);
        } else {
            ReleaseRowVariables(list, key);
            EmptyOutputCell(check, row);
        }
        if (kind != kExpressionAssignment) EmptyOutputCell(check, row);
        SetListRowImage(list, row, kind == kExpressionAssignment ? kImageAssignment : kImageCondition);
        list.Invalidate();
        return TRUE;
    } catch (CException* e) {
        qv::formula::FreeScanErrors(errors);
        // The exception's own report first, then the check's message.
        char report[256] = {};
        if (e->GetErrorMessage(report, sizeof report) && check.report) check.report(CString(report));
        e->Delete();
        errorText = LoadLibraryString(kStrScanFailed);
    } catch (...) {
        qv::formula::FreeScanErrors(errors);
        errorText = LoadLibraryString(kStrFatal);
    }
    return FALSE;
}

} // namespace qv::equations

// ---------------------------------------------------------------------------------------
// CPropEquationBlock

constexpr int kMarkingBoxes[] = {kCtlShowName, kCtlShowErrors};

BEGIN_MESSAGE_MAP(CExpressionListPage, CTBPropertyPage)
    ON_EN_CHANGE(kCtlName, &CExpressionListPage::OnMarkModified)
    ON_LISTED_CONTROLS(BN_CLICKED, kMarkingBoxes, &CExpressionListPage::OnMarkModified)
END_MESSAGE_MAP()

void CExpressionListPage::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    qv::pages::ExchangeNameAndShowName(pDX, m_strName, m_bShowName);
    DDX_Check(pDX, kCtlShowErrors, m_bShowErrors);
}

BOOL CExpressionListPage::LoadScanDll() {
    return m_scan.Load(m_pWizard, [this](const CString& text) { ShowMessage(text); });
}

void CExpressionListPage::OnMarkModified() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

int CExpressionListPage::AppendExpressionRow(CWizardCopaObject3* param, const CString& text, int image) {
    auto record = std::make_unique<EquationRowData>(EquationRowData{param, text, 1});
    EquationRowData* data = record.get();
    const int row = m_expressions.InsertItem(m_expressions.GetItemCount(), "", image);
    if (row < 0) return row;
    m_rowRecords.push_back(std::move(record));
    m_expressions.SetItemData(row, reinterpret_cast<DWORD_PTR>(data));
    ShowRowExpression(row, data);
    return row;
}

void CExpressionListPage::AttachRowImages() {
    m_images.Create(kRowImages, 16, 1, RGB(255, 255, 255));
    m_expressions.SetImageList(&m_images, LVSIL_SMALL);
}

EquationRowData* CExpressionListPage::RowData(int row) const {
    if (row < 0 || row >= m_expressions.GetItemCount()) return nullptr;
    return reinterpret_cast<EquationRowData*>(m_expressions.GetItemData(row));
}

BOOL CExpressionListPage::CheckRow(int row, const CString& text, CString& errorText, const NewVariableTraits& traits) {
    ExpressionCheck check;
    check.list = &m_expressions;
    check.holder = Holder();
    check.variableTemplate = m_pVariableTemplate;
    check.scan = m_scan.Function();
    check.outputColumn = ExpressionOutputColumn();
    check.report = [this](const CString& report) { ShowMessage(report); };
    return CheckExpressionRow(check, row, text, errorText, traits);
}

void CExpressionListPage::CheckRowAndShow(int row) {
    EquationRowData* data = RowData(row);
    if (data == nullptr) return;
    CString errors;
    CheckRow(row, data->text, errors);
    if (m_bShowErrors && !errors.IsEmpty()) ShowMessage(errors);
}

BOOL CExpressionListPage::RefuseUnreadableRows() {
    m_expressions.CloseEdit(TRUE);
    for (int row = 0; row < m_expressions.GetItemCount(); ++row) {
        const EquationRowData* data = RowData(row);
        if (data == nullptr || data->param == nullptr) continue;
        CString text = data->singleLine ? m_expressions.GetItemText(row, 0) : data->text;
        if (text.Trim().IsEmpty()) continue;
        // A row is an equation only when it defines or decides something: a bare expression
        // ("1+2") reads, but the pre-compiler refuses it, and so does the page that opens on it.
        if (!qv::pages::ReadsAsStatements(text) && !qv::pages::RefuseField(*this, m_nExpressionListID)) {
            m_expressions.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            return FALSE;
        }
    }
    return TRUE;
}

void CExpressionListPage::SwapExpressionRows(int row, int other) {
    EquationRowData* a = RowData(row);
    EquationRowData* b = RowData(other);
    const int imageA = RowImage(row);
    const int imageB = RowImage(other);
    m_expressions.SetItemData(row, reinterpret_cast<DWORD_PTR>(b));
    m_expressions.SetItemData(other, reinterpret_cast<DWORD_PTR>(a));
    ShowRowExpression(row, b);
    ShowRowExpression(other, a);
    SetListRowImage(m_expressions, row, imageB);
    SetListRowImage(m_expressions, other, imageA);
    m_expressions.SelectItem(other);
    CheckRowAndShow(row);
    CheckRowAndShow(other);
}

void CExpressionListPage::EditInDialog(int row) {
    if (!m_expressionDialog.Edit(this, row)) return;
    SetModified(TRUE);
    CheckRowAndShow(row);
}

void CExpressionListPage::OnExpressionDoubleClick(NMHDR* pNMHDR, LRESULT* pResult) {
    const auto* item = reinterpret_cast<NMITEMACTIVATE*>(pNMHDR);
    if (item != nullptr) EditInDialog(item->iItem);
    if (pResult != nullptr) *pResult = 0;
}

LRESULT CExpressionListPage::OnEditStarting(WPARAM wParam, LPARAM lParam) {
    if (wParam != static_cast<WPARAM>(m_nExpressionListID)) return 0;
    const EquationRowData* data = RowData(LOWORD(lParam));
    if (data != nullptr && !data->singleLine) m_expressions.CloseEdit(FALSE);
    return 0;
}

BEGIN_MESSAGE_MAP(CPropEquationBlock, CExpressionListPage)
    ON_CBN_SELCHANGE(kCtlUnit, &CPropEquationBlock::OnMarkModified)
    ON_CBN_SELCHANGE(kIdSampleTime, &CPropEquationBlock::OnMarkModified)
    ON_CBN_DROPDOWN(kIdSampleTime, &CPropEquationBlock::OnSampleTimeTyped)
    ON_CBN_KILLFOCUS(kIdSampleTime, &CPropEquationBlock::OnSampleTimeTyped)
    ON_BN_CLICKED(kCtlSampleTimePin, &CPropEquationBlock::OnSampleTimePin)
    ON_ROW_LIST_BUTTONS(kCtlInputButtons, &CPropEquationBlock::OnNewInput, &CPropEquationBlock::OnDeleteInput,
                        &CPropEquationBlock::OnDeleteAllInputs, &CPropEquationBlock::OnInputUp,
                        &CPropEquationBlock::OnInputDown)
    ON_ROW_LIST_BUTTONS(kCtlEquationButtons, &CPropEquationBlock::OnNewEquation, &CPropEquationBlock::OnDeleteEquation,
                        &CPropEquationBlock::OnDeleteAllEquations, &CPropEquationBlock::OnEquationUp,
                        &CPropEquationBlock::OnEquationDown)
    ON_ROW_LIST_BUTTONS(kCtlOutputButtons, &CPropEquationBlock::OnNewOutput, &CPropEquationBlock::OnDeleteOutput,
                        &CPropEquationBlock::OnDeleteAllOutputs, &CPropEquationBlock::OnOutputUp,
                        &CPropEquationBlock::OnOutputDown)
    ON_COMMAND(kCmdEquation, &CPropEquationBlock::OnCommandNew)
    ON_COMMAND(kCmdCondition, &CPropEquationBlock::OnNewCondition)
    ON_MESSAGE(TBLM_CELLEDITED, &CPropEquationBlock::OnCellEdited)
    ON_MESSAGE(TBLM_EDITSTARTING, &CPropEquationBlock::OnEditStarting)
    ON_NOTIFY(NM_DBLCLK, kIdEquationList, &CPropEquationBlock::OnExpressionDoubleClick)
    ON_NOTIFY(NM_CLICK, kIdInput, &CPropEquationBlock::OnInputFocus)
    ON_NOTIFY(NM_RCLICK, kIdInput, &CPropEquationBlock::OnInputFocus)
    ON_NOTIFY(NM_SETFOCUS, kIdInput, &CPropEquationBlock::OnInputFocus)
    ON_NOTIFY(NM_CLICK, kIdEquationList, &CPropEquationBlock::OnEquationFocus)
    ON_NOTIFY(NM_RCLICK, kIdEquationList, &CPropEquationBlock::OnEquationFocus)
    ON_NOTIFY(NM_SETFOCUS, kIdEquationList, &CPropEquationBlock::OnEquationFocus)
    ON_NOTIFY(NM_CLICK, kIdOutputList, &CPropEquationBlock::OnOutputFocus)
    ON_NOTIFY(NM_RCLICK, kIdOutputList, &CPropEquationBlock::OnOutputFocus)
    ON_NOTIFY(NM_SETFOCUS, kIdOutputList, &CPropEquationBlock::OnOutputFocus)
    ON_COMMAND(40007, &CPropEquationBlock::OnCommandNew)
    ON_ROW_LIST_COMMANDS(&CPropEquationBlock::OnCommandDelete, &CPropEquationBlock::OnCommandDeleteAll,
                         &CPropEquationBlock::OnCommandMoveUp, &CPropEquationBlock::OnCommandMoveDown)
    ON_UPDATE_COMMAND_UI(40001, &CPropEquationBlock::OnUpdateNeedsSelection)
    ON_UPDATE_COMMAND_UI(40003, &CPropEquationBlock::OnUpdateNeedsSelection)
    ON_UPDATE_COMMAND_UI(40004, &CPropEquationBlock::OnUpdateNeedsSelection)
    ON_UPDATE_COMMAND_UI(40002, &CPropEquationBlock::OnUpdateAlways)
    ON_UPDATE_COMMAND_UI(40005, &CPropEquationBlock::OnUpdateAlways)
    ON_UPDATE_COMMAND_UI(40006, &CPropEquationBlock::OnUpdateAlways)
    ON_WM_CONTEXTMENU()
    ON_WM_DRAWITEM()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropEquationBlock::CPropEquationBlock()
    : CExpressionListPage(kEquationBlockTemplate, TRUE, m_lstEquation, kIdEquationList) {}

CPropEquationBlock::CPropEquationBlock(CWizardBase4* wizard, DWORD_PTR cookie)
    : CExpressionListPage(kEquationBlockTemplate, wizard, cookie, TRUE, m_lstEquation, kIdEquationList) {
    qv::pages::RegisterElementLayout(*this, kLayout);
    // The names an equation may use: inputs, outputs and the left sides of the equations.
    auto names = [this](CMapStringToString& map) {
        for (int row = 0; row < m_lstInput.GetItemCount(); ++row) map.SetAt(m_lstInput.GetItemText(row, kColName), "");
        for (int row = 0; row < m_lstOutput.GetItemCount(); ++row) map.SetAt(m_lstOutput.GetItemText(row, kColName), "");
        for (int row = 0; row < m_lstEquation.GetItemCount(); ++row) {
            const EquationRowData* data = RowData(row);
            if (data == nullptr) continue;
            const CString left = LeftSideOf(data->text);
            if (!left.IsEmpty()) map.SetAt(left, "");
        }
    };
    m_expressionDialog.Init(names);
}

void CPropEquationBlock::SetSettings(BOOL convert, BOOL showErrors, DWORD outputCount) {
    m_bConvert = convert;
    m_bShowErrors = showErrors;
    m_dwOutputCount = outputCount;
}

void CPropEquationBlock::Serialize(CArchive& ar) { SerializeShowErrorsState(ar, m_bShowErrors); }

void CPropEquationBlock::DoDataExchange(CDataExchange* pDX) {
    CExpressionListPage::DoDataExchange(pDX);
    DDX_Control(pDX, kIdInput, m_lstInput);
    DDX_Control(pDX, kIdEquationList, m_lstEquation);
    DDX_Control(pDX, kIdOutputList, m_lstOutput);
    DDX_Control(pDX, kCtlUnit, m_cmbUnit);
    DDX_Control(pDX, kIdSampleTime, m_cmbSampleTime);
    DDX_Check(pDX, kCtlSampleTimePin, m_bSampleTimePin);
}

BOOL CPropEquationBlock::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
        AttachRowImages();
        qv::pages::LoadNameAndSymbol(Holder(), m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
        m_cmbUnit.DisableFlatLook(TRUE);
        const UINT inputColumns[] = {2522, 2713, 2731};
        const UINT outputColumns[] = {2522, 2713, 2749};
        for (int col = 0; col < 3; ++col) {
            m_lstInput.InsertEditColumn(col, LoadLibraryString(inputColumns[col]), LVCFMT_LEFT, kColumnWidth);
            m_lstOutput.InsertEditColumn(col, LoadLibraryString(outputColumns[col]), LVCFMT_LEFT, kColumnWidth);
        }
        m_lstEquation.InsertEditColumn(0, LoadLibraryString(2750), LVCFMT_LEFT, kColumnWidth);
        m_lstInput.Init(m_pWizard, Holder());
        m_lstEquation.Init(m_pWizard, Holder());
        m_lstOutput.Init(m_pWizard, Holder());
        m_lstInput.InitializeCtrl(TRUE, TRUE);
        m_lstEquation.InitializeCtrl(TRUE, TRUE);
        m_lstOutput.InitializeCtrl(TRUE, TRUE);
        m_lstEquation.InitializeColumnSize(0, kColumnSection, "EquaBlEquation");
        m_lstInput.InitializeColumnSize(0, kColumnSection, "EquaBlInput");
        m_lstOutput.InitializeColumnSize(0, kColumnSection, "EquaBlOutput");
    }
    LoadScanDll();
    m_cmbSampleTime.SetCurSel(0);
    FillLists();
    // The input parameters take their values from the "Input Signal" cells.
    for (int row = 0; row < m_lstInput.GetItemCount(); ++row)
        if (CWizardCopaObject3* param = RowParam(m_lstInput, row)) param->SetValue(m_lstInput.GetItemText(row, kColValue));
    UpdateData(FALSE);
    SetModified(FALSE);
    return TRUE;
}

CWizardCopaObject3* CPropEquationBlock::RowParam(const CEditVarListCtrl& list, int row) const {
    if (row < 0 || row >= list.GetItemCount()) return nullptr;
    if (&list == &m_lstEquation) {
        const EquationRowData* data = RowData(row);
        return data != nullptr ? data->param : nullptr;
    }
    return reinterpret_cast<CWizardCopaObject3*>(list.GetItemData(row));
}

void CPropEquationBlock::AppendInputRow(CWizardCopaObject3* param) {
    const int row = m_lstInput.InsertEditItem(m_lstInput.GetItemCount(), param->GetName(), TB_EDIT_NAME, nullptr,
                                              reinterpret_cast<DWORD_PTR>(param));
    if (row < 0) return;
    const BOOL pinned = param->HasPin();
    m_lstInput.SetEditItemText(row, kColPin, "", TB_EDIT_CHECK);
    m_lstInput.SetItemChecked(row, kColPin, pinned);
    m_lstInput.SetEditItemText(row, kColValue, param->GetValue(), pinned ? TB_EDIT_NONE : TB_EDIT_TEXT);
}

void CPropEquationBlock::InsertOutputRow(int at, CWizardCopaObject3* param) {
    const int row = m_lstOutput.InsertEditItem(at, param->GetName(), TB_EDIT_NAME, nullptr,
                                               reinterpret_cast<DWORD_PTR>(param));
    if (row < 0) return;
    BOOL output = FALSE;
    GetSDBOutputForParam(Holder(), param, &output);
    m_lstOutput.SetEditItemText(row, kColPin, "", TB_EDIT_CHECK);
    m_lstOutput.SetItemChecked(row, kColPin, param->HasPin());
    m_lstOutput.SetEditItemText(row, kColValue, "", TB_EDIT_CHECK);
    m_lstOutput.SetItemChecked(row, kColValue, output);
}

void CPropEquationBlock::FillLists() {
    ParamHolder* holder = Holder();
    m_pInputTemplate = m_pEquationTemplate = m_pOutputTemplate = m_pVariableTemplate = nullptr;
    // A page shown again starts from the set it now holds.
    m_lstInput.DeleteAllItems();
    m_lstEquation.DeleteAllItems();
    m_lstOutput.DeleteAllItems();
    m_rowRecords.clear();
    bool converted = false;
    // The walk covers the set as it was; converted equations are appended behind it.
    const int count = holder != nullptr ? holder->GetParamCount() : 0;
    for (int i = 0; i < count; ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (!IsLive(param)) continue;
        const WORD id = param->GetValueID();
        if (id == kIdInput) {
            if (IsTemplate(param)) m_pInputTemplate = param;
            else if (GetBracketIndex(param->GetName()) >= 0) AppendInputRow(param);
        } else if (id == kIdEquation) {
            if (IsTemplate(param)) {
                m_pEquationTemplate = param;
            } else if (m_bConvert && m_pEquationTemplate != nullptr) {
                CWizardCopaObject3* fresh = NewRowParam(holder, m_pEquationTemplate, EquationTextOf(param));
                param->Delete();
                converted = true;
                if (fresh != nullptr) AppendExpressionRow(fresh, fresh->GetValue(), kImageAssignment);
            } else {
                AppendExpressionRow(param, param->GetValue(), kImageAssignment);
            }
        } else if (id == kIdOutput && IsTemplate(param)) {
            m_pOutputTemplate = param;
        } else if (id == kIdOutput && !IsTemplate(param) && GetBracketIndex(param->GetName()) >= 0) {
            if (m_bConvert && m_pEquationTemplate != nullptr) {
                CWizardCopaObject3* fresh = NewRowParam(holder, m_pEquationTemplate, EquationTextOf(param));
                converted = true;
                if (fresh != nullptr) AppendExpressionRow(fresh, fresh->GetValue(), kImageAssignment);
            }
            InsertOutputRow(m_lstOutput.GetItemCount(), param);
        } else if (id == kIdSampleTime) {
            if (param->HasPin()) m_bSampleTimePin = TRUE;
            qv::blocks::ShowSampleTime(m_cmbSampleTime, param->GetValue(), qv::blocks::SampleTimeRule::Block);
            qv::pages::ShowUnitsOf(m_cmbUnit, param);
        }
        if (id == kIdVariable && (param->GetType() & kTypeOutput) != 0) {
            if (IsTemplate(param)) m_pVariableTemplate = param;
            else m_lstEquation.AddParam(param);
        }
    }
    if (converted) {
        // The set now holds the new form: neither this page nor the model-text writer may
        // convert it again.
        m_bConvert = FALSE;
        if (auto* wizard = dynamic_cast<CEquationBlockWizard4*>(m_pWizard)) wizard->ClearConvertFlag();
    }
    bool allPassed = true;
    for (int row = 0; row < m_lstEquation.GetItemCount(); ++row) {
        CString errors;
        if (!CheckEquations(row, RowData(row)->text, errors)) allPassed = false;
        if (m_bShowErrors && !errors.IsEmpty() && !m_bHidden) ShowMessage(errors);
    }
    // Variables leave the set only when every row could say what it defines.
    if (allPassed) m_lstEquation.PurgeUnusedParams();
}

void CPropEquationBlock::ReleaseRowVariables(DWORD_PTR key) { qv::equations::ReleaseRowVariables(m_lstEquation, key); }

BOOL CPropEquationBlock::CheckEquations(int row, const CString& text, CString& errorText) {
    return CheckRow(row, text, errorText);
}

BOOL CPropEquationBlock::CheckAllEquations(CString& errorText) {
    errorText.Empty();
    if (!LoadScanDll()) return TRUE;
    for (int row = 0; row < m_lstEquation.GetItemCount(); ++row) {
        const EquationRowData* data = RowData(row);
        if (data == nullptr || CheckEquations(row, data->text, errorText)) continue;
        CString where;
        where.Format("Equation %d \"", row + 1);
        errorText = where + data->text + "\": " + errorText;
        errorText.TrimRight();
        return FALSE;
    }
    return TRUE;
}

void CPropEquationBlock::StoreLists() {
    m_lstEquation.CloseEdit(TRUE);
    UpdateData(TRUE);
    ParamHolder* holder = Holder();
    for (int row = 0; row < m_lstEquation.GetItemCount(); ++row) {
        EquationRowData* data = RowData(row);
        if (data == nullptr || data->param == nullptr) continue;
        if (data->singleLine) data->text = m_lstEquation.GetItemText(row, 0);
        data->param->SetValue(data->text);
    }
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (!IsLive(param) || param->GetValueID() != kIdSampleTime) continue;
        qv::blocks::WriteListSampleTime(param, m_cmbSampleTime, m_cmbUnit);
    }
    for (int row = m_lstInput.GetItemCount() - 1; row >= 0; --row) {
        if (CWizardCopaObject3* param = RowParam(m_lstInput, row)) {
            param->SetName(m_lstInput.GetItemText(row, kColName));
            param->SetValue(m_lstInput.GetItemText(row, kColValue));
        }
    }
    for (int row = m_lstOutput.GetItemCount() - 1; row >= 0; --row)
        if (CWizardCopaObject3* param = RowParam(m_lstOutput, row)) param->SetName(m_lstOutput.GetItemText(row, kColName));
}

void CPropEquationBlock::UpdateParamDescriptions() {
    ParamHolder* holder = Holder();
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (!IsLive(param) || IsTemplate(param)) continue;
        const WORD id = param->GetValueID();
        if (id == kIdInput && m_pInputTemplate != nullptr)
            SetParamDescriptionsByIndex(&m_pInputTemplate->GetDescriptionMap(), param);
        else if (id == kIdOutput && m_pOutputTemplate != nullptr && GetBracketIndex(param->GetName()) >= 0)
            SetParamDescriptionsByIndex(&m_pOutputTemplate->GetDescriptionMap(), param);
        else if (id == kIdEquation && m_pEquationTemplate != nullptr)
            SetParamDescriptionsByValue(&m_pEquationTemplate->GetDescriptionMap(), param);
        else if (id == kIdVariable && m_pVariableTemplate != nullptr)
            SetParamDescriptionsByName(&m_pVariableTemplate->GetDescriptionMap(), param);
    }
}

BOOL CPropEquationBlock::OnApply() {
    if (Holder() == nullptr || !RefuseUnreadableRows() ||
        !qv::pages::RefuseUnreadableCells(*this, m_lstInput, kIdInput, kColValue, kColPin))
        return FALSE;
    StoreLists();
    qv::pages::StoreNameAndShowName(*Holder(), m_strName, m_bShowName);
    UpdateParamDescriptions();
    m_lstEquation.SaveColumnWidths();
    m_lstInput.SaveColumnWidths();
    m_lstOutput.SaveColumnWidths();
    // The count the page keeps is the outputs the set holds, as the list shows them when the
    // page opens again: a variable an equation assigns stays an output after its row is deleted.
    m_dwOutputCount = static_cast<DWORD>(CountOutputs(Holder()));
    m_bConvert = FALSE;
    if (auto* wizard = dynamic_cast<CEquationBlockWizard4*>(m_pWizard))
        wizard->SetSettings(m_bShowErrors, FALSE, m_dwOutputCount);
    return CommitAndEndApply(kIdInput);
}

BOOL CPropEquationBlock::OnSetActive() {
    GetParamUsePin(Holder(), kIdSampleTime, &m_bSampleTimePin);
    m_cmbSampleTime.EnableWindow(!m_bSampleTimePin);
    SetParamUsePin(Holder(), kIdSampleTime, m_bSampleTimePin);
    for (int row = 0; row < m_lstInput.GetItemCount(); ++row) {
        const CWizardCopaObject3* param = RowParam(m_lstInput, row);
        const BOOL pinned = param != nullptr && param->HasPin();
        m_lstInput.SetEditItemType(row, kColValue, pinned ? TB_EDIT_NONE : TB_EDIT_TEXT);
        m_lstInput.SetItemChecked(row, kColPin, pinned);
    }
    for (int row = 0; row < m_lstOutput.GetItemCount(); ++row) {
        CWizardCopaObject3* param = RowParam(m_lstOutput, row);
        if (param == nullptr) continue;
        BOOL output = FALSE;
        GetSDBOutputForParam(Holder(), param, &output);
        m_lstOutput.SetItemChecked(row, kColPin, param->HasPin());
        m_lstOutput.SetItemChecked(row, kColValue, output);
    }
    UpdateData(FALSE);
    SetModified(FALSE);
    return CPropertyPage::OnSetActive();
}

BOOL CPropEquationBlock::OnKillActive() {
    StoreLists();
    UpdateParamDescriptions();
    return CTBPropertyPage::OnKillActive();
}

int CPropEquationBlock::HighestIndex(const CEditVarListCtrl& list) const {
    int highest = -1;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const CWizardCopaObject3* param = RowParam(list, row);
        if (!IsLive(param)) continue;
        const int index = GetBracketIndex(list.GetItemText(row, kColName));
        if (index > highest) highest = index;
    }
    return highest;
}

void CPropEquationBlock::OnNewInput() {
    if (m_pInputTemplate == nullptr) return;
    const int index = HighestIndex(m_lstInput) + 1;
    if (index >= kMaxRows) {
        ShowMessage(LoadLibraryString(qv::strings::kStrInvalidValue));
        return;
    }
    CWizardCopaObject3* param = NewRowParam(Holder(), m_pInputTemplate, m_pInputTemplate->GetValue());
    if (param == nullptr) return;
    CString name;
    name.Format("%s%s%i%s", "INPUT", "[", index, "]");
    param->SetName(name);
    AppendInputRow(param);
    m_lstInput.SelectItem(m_lstInput.GetItemCount() - 1);
    SetModified(TRUE);
}

void CPropEquationBlock::OnNewOutput() {
    if (m_pOutputTemplate == nullptr) return;
    const int index = HighestIndex(m_lstOutput) + 1;
    if (index >= kMaxRows) {
        ShowMessage(LoadLibraryString(qv::strings::kStrInvalidValue));
        return;
    }
    CWizardCopaObject3* param = NewRowParam(Holder(), m_pOutputTemplate, m_pOutputTemplate->GetValue());
    if (param == nullptr) return;
    CString name;
    name.Format("%s%s%i%s", "VAL", "[", index, "]");
    param->SetName(name);
    const int at = index < m_lstOutput.GetItemCount() ? index : m_lstOutput.GetItemCount();
    InsertOutputRow(at, param);
    m_lstOutput.SetItemChecked(at, kColValue, FALSE);
    m_lstOutput.SelectItem(at);
    SetModified(TRUE);
}

void CPropEquationBlock::NewEquation(int image) {
    if (m_pEquationTemplate == nullptr) return;
    UpdateData(TRUE);
    CWizardCopaObject3* param = NewRowParam(Holder(), m_pEquationTemplate, m_pEquationTemplate->GetValue());
    if (param == nullptr) return;
    const int row = AppendExpressionRow(param, param->GetValue(), image);
    if (row >= 0) m_lstEquation.SelectItem(row);
    SetModified(TRUE);
}

bool CPropEquationBlock::DeleteRow(CEditVarListCtrl& list, int row) {
    CWizardCopaObject3* param = RowParam(list, row);
    // A member the element always has (one it cannot delete) would come back with the set: its
    // row stays, and the caller says why.
    if (param != nullptr && !param->IsDeletable()) return false;
    if (&list == &m_lstEquation) {
        EquationRowData* data = RowData(row);
        if (data != nullptr) ReleaseRowVariables(reinterpret_cast<DWORD_PTR>(data->param));
        if (param != nullptr) param->Delete();
        list.DeleteEditItem(row);
        for (auto it = m_rowRecords.begin(); it != m_rowRecords.end(); ++it) {
            if (it->get() == data) {
                m_rowRecords.erase(it);
                break;
            }
        }
    } else {
        if (param != nullptr) param->Delete();
        list.DeleteEditItem(row);
    }
    return true;
}

void CPropEquationBlock::DeleteRows(CEditVarListCtrl& list, bool all) {
    CString kept;
    const auto deleteRow = [&](int row) {
        const CWizardCopaObject3* param = RowParam(list, row);
        if (DeleteRow(list, row) || param == nullptr) return;
        kept = kept.IsEmpty() ? param->GetName() : param->GetName() + ", " + kept;
    };
    if (all) {
        for (int row = list.GetItemCount() - 1; row >= 0; --row) deleteRow(row);
    } else {
        const int row = list.GetSelectedItem();
        if (row < 0) return;
        deleteRow(row);
    }
    list.Invalidate();
    SetModified(TRUE);
    if (!kept.IsEmpty()) ShowMessage(FillOneConversion(LoadLibraryString(qv::strings::kStrKeptMembers), 's', 0, kept));
}

void CPropEquationBlock::MoveRow(CEditVarListCtrl& list, int delta) {
    const int row = list.GetSelectedItem();
    const int other = row + delta;
    if (row < 0 || other < 0 || other >= list.GetItemCount()) return;
    CWizardCopaObject3* moved = RowParam(list, row);
    CWizardCopaObject3* neighbour = RowParam(list, other);
    if (!MoveParamToNeighbour(Holder(), moved, neighbour)) return;
    if (&list == &m_lstEquation) {
        SwapExpressionRows(row, other);
    } else {
        const int columns = 3;
        CString cells[2][columns];
        BOOL checks[2][columns] = {};
        for (int col = 0; col < columns; ++col) {
            cells[0][col] = list.GetItemText(row, col);
            cells[1][col] = list.GetItemText(other, col);
            checks[0][col] = list.GetItemChecked(row, col);
            checks[1][col] = list.GetItemChecked(other, col);
        }
        for (int col = 0; col < columns; ++col) {
            list.SetItemText(row, col, cells[1][col]);
            list.SetItemText(other, col, cells[0][col]);
            list.SetItemChecked(row, col, checks[1][col]);
            list.SetItemChecked(other, col, checks[0][col]);
        }
        list.SetItemData(row, reinterpret_cast<DWORD_PTR>(neighbour));
        list.SetItemData(other, reinterpret_cast<DWORD_PTR>(moved));
        if (&list == &m_lstInput) {
            list.SetEditItemType(row, kColValue, neighbour->HasPin() ? TB_EDIT_NONE : TB_EDIT_TEXT);
            list.SetEditItemType(other, kColValue, moved->HasPin() ? TB_EDIT_NONE : TB_EDIT_TEXT);
        }
        list.SelectItem(other);
    }
    list.Invalidate();
    SetModified(TRUE);
}

void CPropEquationBlock::OnSampleTimePin() {
    UpdateData(TRUE);
    m_cmbSampleTime.EnableWindow(!m_bSampleTimePin);
    SetParamUsePin(Holder(), kIdSampleTime, m_bSampleTimePin);
    SetModified(TRUE);
}

void CPropEquationBlock::OnSampleTimeTyped() { qv::blocks::TakeOverTypedSampleTime(m_cmbSampleTime); }

LRESULT CPropEquationBlock::OnCellEdited(WPARAM wParam, LPARAM lParam) {
    const int row = LOWORD(lParam);
    const int col = HIWORD(lParam);
    SetModified(TRUE);
    if (wParam == static_cast<WPARAM>(kIdEquationList)) {
        EquationRowData* data = RowData(row);
        if (data == nullptr) return 0;
        if (data->singleLine) data->text = m_lstEquation.GetItemText(row, 0);
        if (col == 0) CheckRowAndShow(row);
    } else if (wParam == static_cast<WPARAM>(kIdInput) && col == kColName) {
        KeepsMemberIndex(m_lstInput, row, col, RowParam(m_lstInput, row));
    } else if (wParam == static_cast<WPARAM>(kIdOutputList) && col == kColName) {
        KeepsMemberIndex(m_lstOutput, row, col, RowParam(m_lstOutput, row));
    } else if (wParam == static_cast<WPARAM>(kIdInput) && col == kColPin) {
        if (CWizardCopaObject3* param = RowParam(m_lstInput, row)) {
            param->UsePin(param->HasPin() ? FALSE : TRUE);
            m_lstInput.SetEditItemType(row, kColValue, param->HasPin() ? TB_EDIT_NONE : TB_EDIT_TEXT);
        }
    } else if (wParam == static_cast<WPARAM>(kIdOutputList)) {
        CWizardCopaObject3* param = RowParam(m_lstOutput, row);
        if (param != nullptr && col == kColPin) param->UsePin(param->HasPin() ? FALSE : TRUE);
        if (param != nullptr && col == kColValue)
            SetSDBOutputForParam(Holder(), param, m_lstOutput.GetItemChecked(row, kColValue) ? FALSE : TRUE);
    }
    UpdateData(FALSE);
    return 0;
}

// Delete, Move up and Move down of a list are enabled only while one of its rows is selected.
void CPropEquationBlock::EnableRowButtons(CEditVarListCtrl& list) {
    const int first = &list == &m_lstInput ? kCtlInputButtons
                      : &list == &m_lstEquation ? kCtlEquationButtons
                                                : kCtlOutputButtons;
    const BOOL selected = list.GetSelectedItem() >= 0;
    for (int offset : {1, 3, 4})
        if (CWnd* button = GetDlgItem(first + offset)) button->EnableWindow(selected);
}

void CPropEquationBlock::OnInputFocus(NMHDR*, LRESULT* pResult) {
    m_pFocusList = &m_lstInput;
    EnableRowButtons(m_lstInput);
    if (pResult != nullptr) *pResult = 0;
}

void CPropEquationBlock::OnEquationFocus(NMHDR*, LRESULT* pResult) {
    m_pFocusList = &m_lstEquation;
    EnableRowButtons(m_lstEquation);
    if (pResult != nullptr) *pResult = 0;
}

void CPropEquationBlock::OnOutputFocus(NMHDR*, LRESULT* pResult) {
    m_pFocusList = &m_lstOutput;
    EnableRowButtons(m_lstOutput);
    if (pResult != nullptr) *pResult = 0;
}

// The list buttons show their image of bitmap 138 (16 pixels each, five to a list): the first
// third of the strip for the normal state, the second when pressed, the last when disabled.
void CPropEquationBlock::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    int first = -1;
    for (int group : {kCtlInputButtons, kCtlEquationButtons, kCtlOutputButtons})
        if (nIDCtl >= group && nIDCtl < group + 5) first = group;
    if (first < 0 || lpDrawItemStruct == nullptr) {
        CTBPropertyPage::OnDrawItem(nIDCtl, lpDrawItemStruct);
        return;
    }
    qv::tablepage::DrawStripButtonImage(*lpDrawItemStruct, 138, nIDCtl - first);
}

// The context menu of the Input and Equation lists; on the Equation list "New" offers an
// equation or an IF block.
void CPropEquationBlock::OnContextMenu(CWnd* pWnd, CPoint point) {
    const HWND window = pWnd != nullptr ? pWnd->GetSafeHwnd() : nullptr;
    if (window == nullptr) return;
    if (window == m_lstInput.GetSafeHwnd()) m_pFocusList = &m_lstInput;
    else if (window == m_lstEquation.GetSafeHwnd()) m_pFocusList = &m_lstEquation;
    else return;
    // The commands act on the row under the cursor, so that row is selected first.
    CPoint inList = point;
    m_pFocusList->ScreenToClient(&inList);
    const int row = m_pFocusList->HitTest(inList);
    if (row >= 0) m_pFocusList->SelectItem(row);
    // In the equation list "New" offers an equation or a condition.
    std::vector<qv::tablepage::MenuChoice> choices;
    if (m_pFocusList == &m_lstEquation)
        choices = {{kCmdEquation, LoadLibraryString(2750)}, {kCmdCondition, LoadLibraryString(2780)}};
    qv::tablepage::TrackTableContextMenu(*this, point, choices, LoadLibraryString(2750));
}

void CPropEquationBlock::OnCommandNew() {
    if (m_pFocusList == &m_lstInput) OnNewInput();
    else NewEquation(kImageAssignment);
}

void CPropEquationBlock::OnCommandDelete() {
    if (m_pFocusList == &m_lstInput || m_pFocusList == &m_lstEquation) DeleteRows(*m_pFocusList, false);
}

void CPropEquationBlock::OnCommandDeleteAll() {
    if (m_pFocusList == &m_lstInput || m_pFocusList == &m_lstEquation) DeleteRows(*m_pFocusList, true);
}

void CPropEquationBlock::OnCommandMoveUp() {
    if (m_pFocusList == &m_lstInput || m_pFocusList == &m_lstEquation) MoveRow(*m_pFocusList, -1);
}

void CPropEquationBlock::OnCommandMoveDown() {
    if (m_pFocusList == &m_lstInput || m_pFocusList == &m_lstEquation) MoveRow(*m_pFocusList, 1);
}

void CPropEquationBlock::OnUpdateNeedsSelection(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_pFocusList != nullptr && m_pFocusList->GetSelectedItem() >= 0);
}

void CPropEquationBlock::OnUpdateAlways(CCmdUI* pCmdUI) { pCmdUI->Enable(TRUE); }

void CPropEquationBlock::OnPaint() {
    CPaintDC dc(this);
    CRect rect;
    GetDlgItemRectInDlg(&rect, kCtlSymbolFrame, this);
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* oldPen = dc.SelectObject(&pen);
    if (m_pSymbol == nullptr) {
        m_pSymbol = new CTBDrawSymbol(rect);
        m_pSymbol->LoadSymbols(m_strSymbolText);
    }
    m_pSymbol->Draw(&dc, rect);
    dc.SelectObject(oldPen);
}

void CPropEquationBlock::ConvertWizard3Data(const void* data, long length) {
    if (data == nullptr) return;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), length > 0 ? static_cast<size_t>(length) : 0);
    DWORD value = 0;
    if (!in.ReadDword(value)) return;
    m_dwOutputCount = value;
    // The ignored word and the skip length may be missing: a block that ends after the output
    // count has no page state and still asks for the conversion.
    in.ReadDword(value);
    DWORD skip = 0;
    in.ReadDword(skip);
    if (in.Fits(skip)) in.SkipBytes(skip);
    DWORD stateLength = skip;
    if (in.Remaining() > 0) in.ReadDword(stateLength);
    if (!in.Fits(stateLength)) return;
    if (stateLength < 1) {
        m_bConvert = TRUE;
        return;
    }
    m_bConvert = FALSE;
    const BYTE* state = static_cast<const BYTE*>(data) + (static_cast<size_t>(length) - in.Remaining());
    std::vector<BYTE> copy(state, state + stateLength);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load, 4096);
    try {
        Serialize(ar);
    } catch (CException* e) {
        // A cut page state keeps what was read before it.
        e->Delete();
    }
}

// ---------------------------------------------------------------------------------------
// CEquationBlockWizard4

int CEquationBlockWizard4::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    ScopedParamSet params{RequestTarget(this)};
    ParamHolder* holder = params.Holder();
    bool converted = false;
    const CString inputs = BuildInputList(holder);
    const CString expressions = BuildExpressionList(holder, m_bConvert != FALSE, &converted);
    // Once the set holds the converted equations, a later write must not convert again.
    if (converted) m_bConvert = FALSE;
    CString count;
    count.Format("%i", CountOutputs(holder));
    ReplacePlaceholder(modelText, "@INPUTLIST", inputs, 0);
    ReplacePlaceholder(modelText, "@EXPRESSLIST", expressions, 0);
    ReplacePlaceholder(modelText, "@MAXINDEX", count, 0);
    // A formula the page would refuse is refused here too, on a hidden page of the wizard's
    // own: the page on the editor's sheet is never touched.
    auto page = MakeHiddenPage(params.Cookie());
    if (!page) return 4;
    page->SetSettings(m_bConvert, m_bShowErrors, m_dwOutputCount);
    page->SetHiddenConversion(true);
    if (!page.Open(kEquationBlockTemplate)) return 4;
    CString fault;
    if (!page->CheckAllEquations(fault)) ReportErrorText(RequestTarget(this), fault);
    return 4;
}

void CEquationBlockWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << static_cast<DWORD>(m_bShowErrors ? 1 : 0);
        ar << static_cast<DWORD>(m_bConvert ? 1 : 0);
        ar << m_dwOutputCount;
        return;
    }
    ar >> m_wSchema;
    if (m_wSchema != 0) return;
    DWORD showErrors = 0, convert = 0, count = 0;
    ar >> showErrors >> convert >> count;
    m_bShowErrors = showErrors != 0;
    m_bConvert = convert != 0;
    m_dwOutputCount = count;
}

BOOL CEquationBlockWizard4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    // A page of the wizard's own, so that the page on the editor's sheet is never touched.
    auto page = MakeHiddenPage(params.Cookie());
    if (!page) return TRUE;
    page->SetHiddenConversion(true);
    if (!page.Open(kEquationBlockTemplate)) return TRUE;
    page->ConvertWizard3Data(data, length);
    page->SetHiddenConversion(false);
    m_bShowErrors = page->GetShowErrors();
    m_dwOutputCount = page->GetOutputCount();
    m_bConvert = page->GetConvertFlag();
    return TRUE;
}

void CEquationBlockWizard4::GiveSettingsToPage(CPropEquationBlock& page) {
    page.SetSettings(m_bConvert, m_bShowErrors, m_dwOutputCount);
}
