#include "equations/state_graph.h"

#include "equations/equation_block.h"
#include "framework/string_ids.h"
#include "framework/table_list_page.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_steps.h"
#include "framework/page_inputs.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/param_order.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "toolkit/tb_numbers.h"
#include "win32/module.h"
#include "wizard/environment.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <utility>

IMPLEMENT_DYNCREATE(CPropTransition, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropStateGraph, CTBPropertyPage)
IMPLEMENT_DYNAMIC(CTransitionWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CStateGraphWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CStateGraphIOWizard, CWizardBase3)

using namespace qv::stategraph;
using qv::GetCurrentLanguageID;
using qv::blocks::kCtlName;
using qv::blocks::kCtlSymbolFrame;
using qv::dialog::kColumnWidth;

namespace {

using namespace qv::strings;
constexpr DWORD kTypeTemplate = 0x2;
constexpr DWORD kTypeInput = 0x4;
constexpr DWORD kTypeOutput = 0x8;
constexpr DWORD kTypeInOut = 0x10;
constexpr int kColType = 0;
constexpr int kColValue = 1;
constexpr int kColInfo = 2;
constexpr int kColOutput = 3;
constexpr int kFirstRowButton = 1122;
constexpr UINT kCmdFirstTemplate = 40005;
constexpr UINT kCmdLastTemplate = 40017;
constexpr int kMaxPriority = 9;
constexpr char kScanModule[] = "Pravent.dll";

using qv::pages::ControlLayout;
constexpr ControlLayout kTransitionLayout[] = {
    {.id = 2072, .flags = 15},  {.id = 2219, .flags = 33},  {.id = 2188, .flags = 97},  {.id = 2220, .flags = 32},
    {.id = 2221, .flags = 32},  {.id = 2222, .flags = 33},  {.id = 2223, .flags = 97},  {.id = 2224, .flags = 32},
    {.id = 2225, .flags = 33},
};
constexpr ControlLayout kStateLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2226, .flags = 5},  {.id = 2227, .flags = 69}, {.id = 2228, .flags = 20},
    {.id = 2229, .flags = 84}, {.id = 2230, .flags = 5},  {.id = 1122, .flags = 5},  {.id = 1123, .flags = 5},
    {.id = 1124, .flags = 5},  {.id = 1125, .flags = 5},  {.id = 1126, .flags = 5},  {.id = 2505, .flags = 5},
    {.id = 2330, .flags = 5},  {.id = 2331, .flags = 5},  {.id = 2231, .flags = 6},  {.id = 2233, .flags = 15},
};

bool Has(const CWizardCopaObject3* param, DWORD bits) { return (param->GetType() & bits) != 0; }

// Loads the pre-compiler from the installation folder and finds "Fml2Upn". Answers 0, or the
// string of the failure (8001 no module, 8002 no function; the module is released then).
UINT LoadFml2Upn(const CWizardBase3* wizard, HMODULE& module, Fml2UpnFunc& function) {
    const CString path = (wizard != nullptr ? wizard->GetQuorvatixPath() : GetQuorvatixPath()) + "\\" + kScanModule;
    module = LoadLibraryA(path);
    if (module == nullptr) return kStrScanDll;
    function = reinterpret_cast<Fml2UpnFunc>(GetProcAddress(module, "Fml2Upn"));
    if (function != nullptr) return 0;
    FreeLibrary(module);
    module = nullptr;
    return kStrScanFunction;
}

// Compiles one action text; true with the assigned name (empty for none) when it compiled.
// The model and the error records are freed on every way out.
bool CompileAction(Fml2UpnFunc function, const CString& text, CString& assigned) {
    CMod model(eModTypeBlock, 0);
    CFormel* formula = model.AddFormel();
    CPtrArray errors;
    int result = 1;
    try {
        result = function(text, formula, &errors);
    } catch (...) {
        qv::formula::FreeScanErrors(errors);
        throw;
    }
    qv::formula::FreeScanErrors(errors);
    if (result != 0) return false;
    assigned = formula->GetAssignedName();
    return true;
}

// The part of a delete action's value that says what it deletes: after the first "##" (all
// but the first character when there is none), without blanks at its ends, in upper case.
CString DeleteTarget(const CString& value) {
    const int at = value.Find("##");
    CString rest = at >= 0 ? value.Mid(at + 2) : value.Mid(1);
    rest.TrimLeft();
    rest.TrimRight();
    rest.MakeUpper();
    return rest;
}

bool ContainsAny(const CString& text, std::initializer_list<const char*> words) {
    for (const char* word : words)
        if (text.Find(word) >= 0) return true;
    return false;
}

} // namespace

namespace qv::stategraph {

bool IsCheckedActionType(const CString& type) { return ContainsAny(type, {"SET", "CALC", "STEP", "CATI", "DEL"}); }

int LimitedWholeNumber(const CString& text, int step, int lo, int hi) {
    double number = TBExtended_atof(text, "");
    if (!std::isfinite(number)) number = 0.0;
    // One beyond each end keeps the result of a step from beyond the range as it would be
    // from the number itself: it is limited again after the step.
    number = std::clamp(number, static_cast<double>(lo) - 1.0, static_cast<double>(hi) + 1.0);
    const int whole = static_cast<int>(number) + step;
    return std::clamp(whole, lo, hi);
}

void ApplyPinCounts(ParamHolder* holder, int nIn, int nOut) {
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* pin = holder->GetParam(i);
        if (pin == nullptr || pin->IsDeleted() || pin->GetValueID() != kIdStateOutput || !Has(pin, kTypeInOut) ||
            Has(pin, kTypeTemplate))
            continue;
        const int index = GetBracketIndex(pin->GetName());
        if (index + 1 > nIn && index < kPinsPerSide)
            pin->UsePin(FALSE);
        else if (index + 1 > nOut + kPinsPerSide && index < 2 * kPinsPerSide)
            pin->UsePin(FALSE);
        else
            pin->UsePin(TRUE);
    }
}

void CountPins(ParamHolder* holder, int* nIn, int* nOut) {
    *nIn = *nOut = 0;
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        const CWizardCopaObject3* pin = holder->GetParam(i);
        if (pin == nullptr || pin->IsDeleted() || pin->GetValueID() != kIdStateOutput || !Has(pin, kTypeInOut) ||
            Has(pin, kTypeTemplate) || !pin->HasPin())
            continue;
        const int index = GetBracketIndex(pin->GetName());
        if (index < 0) continue;
        ++(index < kPinsPerSide ? *nIn : *nOut);
    }
}

// An inactive state is drawn as a state is placed (variant 0), so that applying its page
// without a change leaves the element as it was; the active state is variant 1 (mask 2).
BYTE SymbolMaskForActive(BOOL active) { return static_cast<BYTE>(active ? 1u << 1 : 0u); }
BOOL ActiveFromSymbolMask(BYTE mask) { return mask == 2 ? TRUE : FALSE; }

} // namespace qv::stategraph

// ---------------------------------------------------------------------------------------
// CPropTransition

BEGIN_MESSAGE_MAP(CPropTransition, COlderBaseBlockPage)
    ON_EN_CHANGE(kCtlName, &CPropTransition::OnMarkModified)
    ON_EN_CHANGE(kIdPriority, &CPropTransition::OnMarkModified)
    ON_EN_CHANGE(kIdCondition, &CPropTransition::OnMarkModified)
    ON_EN_KILLFOCUS(kIdPriority, &CPropTransition::OnPriorityKillFocus)
    ON_NOTIFY(UDN_DELTAPOS, kCtlSpin, &CPropTransition::OnSpin)
    ON_BN_CLICKED(kCtlShowCondition, &CPropTransition::OnShowCondition)
END_MESSAGE_MAP()

CPropTransition::CPropTransition() : COlderBaseBlockPage(kTransitionTemplate) {}

CPropTransition::CPropTransition(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : COlderBaseBlockPage(kTransitionTemplate, wizard, exchange, kTransitionLayout) {}

void CPropTransition::DoDataExchange(CDataExchange* pDX) {
    COlderBaseBlockPage::DoDataExchange(pDX);
    DDX_Check(pDX, kCtlShowCondition, m_bShowCondition);
    DDX_Text(pDX, kIdPriority, m_strPriority);
    DDX_Text(pDX, kIdCondition, m_strCondition);
}

void CPropTransition::EnableFields() {
    for (WORD id : {kIdPriority, kIdCondition})
        if (CWnd* field = GetDlgItem(id)) field->EnableWindow(IsParamNotOnPin(m_pExchange, id));
}

BOOL CPropTransition::OnInitDialog() {
    InitHeader(m_strName, m_bShowName);
    UpdateData(FALSE);
    qv::blocks::ForEachPageInput(m_pExchange, [&](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdPriority) m_strPriority = param->GetValue();
        if (param->GetValueID() == kIdCondition) {
            m_strCondition = param->GetValue();
            m_bShowCondition = param->GetOnSheetMode() == 3;
        }
    });
    SetModified(FALSE);
    EnableFields();
    return TRUE;
}

BOOL CPropTransition::OnSetActive() {
    char mode = 0;
    if (GetParamOnSheetMode(m_pExchange, kIdCondition, &mode) && mode == 3) m_bShowCondition = TRUE;
    UpdateData(FALSE);
    SetModified(FALSE);
    EnableFields();
    return CPropertyPage::OnSetActive();
}

BOOL CPropTransition::OnApply() {
    if (m_pExchange == nullptr) return FALSE;
    UpdateData(TRUE);
    // The model text gives the condition to the transition as an expression, and its priority
    // as a whole number of the range (a number beyond it is brought into it as the field is left).
    if (!qv::pages::RefuseUnreadableExpression(*this, kIdCondition, m_strCondition, qv::formula::ParseMode::Value))
        return FALSE;
    if (!qv::pages::RefuseUnlessNumber(*this, kIdPriority, m_strPriority, qv::pages::NumberNeeded::Number)) return FALSE;
    LimitPriority(0);
    StoreHeader(m_strName, m_bShowName);
    qv::blocks::ForEachPageInput(m_pExchange, [&](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdPriority) param->SetValue(m_strPriority);
        if (param->GetValueID() == kIdCondition) param->SetValue(m_strCondition);
    });
    if (!CommitExchangeObject()) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropTransition::LimitPriority(int step) {
    UpdateData(TRUE);
    // A priority is a number: one beyond the range is brought into it, any other text stands as
    // typed for OK to refuse (the arrows start from the highest priority).
    if (step == 0 && !qv::pages::ReadsAsNumber(m_strPriority, qv::pages::NumberNeeded::Number)) return;
    m_strPriority = TBExtended_ftoa(LimitedWholeNumber(m_strPriority, step, 0, kMaxPriority));
    UpdateData(FALSE);
    SetModified(TRUE);
}

void CPropTransition::OnSpin(NMHDR* pNMHDR, LRESULT* pResult) {
    const auto* updown = reinterpret_cast<const NMUPDOWN*>(pNMHDR);
    const int delta = updown != nullptr ? updown->iDelta : 0;
    // The arrow that lowers the spin's position raises the priority number.
    LimitPriority(delta < 0 ? 1 : delta > 0 ? -1 : 0);
    if (pResult != nullptr) *pResult = 0;
}

void CPropTransition::OnShowCondition() {
    UpdateData(TRUE);
    SetModified(TRUE);
    SetParamOnSheetMode(m_pExchange, kIdCondition, m_bShowCondition ? 3 : 0);
}

// ---------------------------------------------------------------------------------------
// CPropStateGraph

BEGIN_MESSAGE_MAP(CPropStateGraph, COlderBaseBlockPage)
    ON_EN_CHANGE(kCtlName, &CPropStateGraph::OnMarkModified)
    ON_EN_CHANGE(kCtlInputs, &CPropStateGraph::OnMarkModified)
    ON_EN_KILLFOCUS(kCtlOutputs, &CPropStateGraph::OnMarkModified)
    ON_BN_CLICKED(kCtlTR, &CPropStateGraph::OnMarkModified)
    ON_BN_CLICKED(kCtlDC, &CPropStateGraph::OnMarkModified)
    ON_EN_KILLFOCUS(kCtlInputs, &CPropStateGraph::OnInputsKillFocus)
    ON_EN_CHANGE(kCtlOutputs, &CPropStateGraph::OnOutputsChanged)
    ON_BN_CLICKED(kCtlActivateState, &CPropStateGraph::OnActivateState)
    ON_ROW_LIST_BUTTONS(kFirstRowButton, &CPropStateGraph::OnNewButton, &CPropStateGraph::OnDeleteSelected,
                        &CPropStateGraph::OnDeleteAll, &CPropStateGraph::OnMoveUp, &CPropStateGraph::OnMoveDown)
    ON_COMMAND_RANGE(kCmdFirstTemplate, kCmdLastTemplate, &CPropStateGraph::OnNewAction)
    ON_ROW_LIST_COMMANDS(&CPropStateGraph::OnDeleteSelected, &CPropStateGraph::OnDeleteAll, &CPropStateGraph::OnMoveUp,
                         &CPropStateGraph::OnMoveDown)
    ON_UPDATE_COMMAND_UI(kCmdFirstTemplate, &CPropStateGraph::OnUpdateNew)
    ON_UPDATE_COMMAND_UI(40001, &CPropStateGraph::OnUpdateNeedsSelection)
    ON_UPDATE_COMMAND_UI(40002, &CPropStateGraph::OnUpdateAlways)
    ON_UPDATE_COMMAND_UI(40003, &CPropStateGraph::OnUpdateNeedsSelection)
    ON_UPDATE_COMMAND_UI(40004, &CPropStateGraph::OnUpdateNeedsSelection)
    ON_MESSAGE(TBLM_CELLEDITED, &CPropStateGraph::OnCellEdited)
    ON_NOTIFY(NM_CLICK, kCtlActionList, &CPropStateGraph::OnListFocus)
    ON_NOTIFY(NM_RCLICK, kCtlActionList, &CPropStateGraph::OnListFocus)
    ON_NOTIFY(NM_SETFOCUS, kCtlActionList, &CPropStateGraph::OnListFocus)
    ON_NOTIFY(LVN_ITEMCHANGED, kCtlActionList, &CPropStateGraph::OnListItemChanged)
    ON_WM_CONTEXTMENU()
    ON_WM_DRAWITEM()
END_MESSAGE_MAP()

CPropStateGraph::CPropStateGraph() : COlderBaseBlockPage(kStateTemplate) {}

CPropStateGraph::CPropStateGraph(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : COlderBaseBlockPage(kStateTemplate, wizard, exchange, kStateLayout) {}

CPropStateGraph::~CPropStateGraph() { FreeScanDll(); }

void CPropStateGraph::FreeScanDll() {
    if (m_hScanDll != nullptr) FreeLibrary(m_hScanDll);
    m_hScanDll = nullptr;
    m_pfnFml2Upn = nullptr;
}

void CPropStateGraph::ShowMessage(UINT stringID) {
    if (m_bHidden) {
        // Nobody sees a box of a hidden page: the editor is told, as the conversion tells it.
        ReportErrorText(RequestTarget(m_pWizard), LoadLibraryString(stringID));
        m_bFailureReported = true;
        return;
    }
    CResourceSwitch resources;
    AfxMessageBox(LoadLibraryString(stringID), MB_OK);
}

BOOL CPropStateGraph::LoadScanDll() {
    // A module of an earlier OnInitDialog is released before it is loaded again.
    FreeScanDll();
    const UINT failure = LoadFml2Upn(m_pWizard, m_hScanDll, m_pfnFml2Upn);
    if (failure == 0) return TRUE;
    ShowMessage(failure);
    return FALSE;
}

void CPropStateGraph::DoDataExchange(CDataExchange* pDX) {
    COlderBaseBlockPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlActionList, m_lstActions);
    DDX_Check(pDX, kCtlActivateState, m_bActivateState);
    DDX_Text(pDX, kCtlInputs, m_strInputs);
    DDX_Text(pDX, kCtlOutputs, m_strOutputs);
}

CWizardCopaObject3* CPropStateGraph::RowAction(int row) const {
    if (row < 0 || row >= m_lstActions.GetItemCount()) return nullptr;
    return reinterpret_cast<CWizardCopaObject3*>(m_lstActions.GetItemData(row));
}

void CPropStateGraph::AppendActionRow(CWizardCopaObject3* action) {
    const int row = m_lstActions.InsertEditItem(m_lstActions.GetItemCount(), action->GetName(), TB_EDIT_CHOICE,
                                                m_strTypeList, reinterpret_cast<DWORD_PTR>(action));
    if (row < 0) return;
    m_lstActions.SetEditItemText(row, kColValue, action->GetValue(), TB_EDIT_TEXT);
    m_lstActions.SetEditItemText(row, kColInfo, action->GetInfoByLangID(GetCurrentLanguageID()), TB_EDIT_TEXT);
    m_lstActions.SetEditItemText(row, kColOutput, "", TB_EDIT_NONE);
}

// Column 3 is the output's result-output switch, or empty for a row without an output.
void CPropStateGraph::ShowOutputCell(int row, CWizardCopaObject3* output) {
    if (output == nullptr) {
        m_lstActions.SetEditItemText(row, kColOutput, "", TB_EDIT_NONE);
        return;
    }
    m_lstActions.SetEditItemText(row, kColOutput, "", TB_EDIT_CHECK);
    BOOL on = FALSE;
    if (GetSDBOutputForParam(m_pExchange, output, &on)) m_lstActions.SetItemChecked(row, kColOutput, on);
}

// The row no longer assigns its variable. The output leaves the element only with the last
// row that assigns it: an output that two actions share stays while the other one needs it.
void CPropStateGraph::ReleaseRowOutput(int row) {
    const DWORD_PTR key = m_lstActions.GetItemData(row);
    if (CWizardCopaObject3* output = m_lstActions.GetItemParam(key)) m_lstActions.ReleaseParamFromItem(output, key);
    // The row forgets the output too: a stale link would give it a check box again after a
    // move, and hand the output's state on to the next variable the row assigns.
    m_lstActions.SetItemParam(nullptr, key);
    ShowOutputCell(row, nullptr);
    DropResultsOfRemovedOutputs();
}

// An output that left the element takes its result output along: the description must not
// name a variable the state no longer has.
void CPropStateGraph::DropResultsOfRemovedOutputs() {
    for (int i = 0; m_pExchange != nullptr && i < m_pExchange->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pExchange->GetParam(i);
        if (param == nullptr || !param->IsDeleted() || param->GetValueID() != kIdStateOutput || !Has(param, kTypeOutput))
            continue;
        BOOL on = FALSE;
        if (GetSDBOutputForParam(m_pExchange, param, &on) && on) SetSDBOutputForParam(m_pExchange, param, TRUE);
    }
}

BOOL CPropStateGraph::CheckActions(int row) {
    if (m_pfnFml2Upn == nullptr || RowAction(row) == nullptr) return FALSE;
    if (!IsCheckedActionType(m_lstActions.GetItemText(row, kColType))) return TRUE;
    const CString value = m_lstActions.GetItemText(row, kColValue);
    if (value.IsEmpty()) {
        ReleaseRowOutput(row);
        return TRUE;
    }
    CString assigned;
    try {
        if (!CompileAction(m_pfnFml2Upn, value, assigned)) {
            ShowMessage(kStrScanFailed);
            return FALSE;
        }
    } catch (CException* e) {
        e->Delete();
        ShowMessage(kStrScanFailed);
        return FALSE;
    } catch (...) {
        ShowMessage(kStrFatal);
        return FALSE;
    }
    if (assigned.IsEmpty()) {
        ReleaseRowOutput(row);
        return TRUE;
    }
    CWizardCopaObject3* output = nullptr;
    if (m_lstActions.FindLinkedParam(assigned, &output)) {
        output->Undelete();
    } else if (m_pOutputTemplate != nullptr) {
        output = qv::equations::NewRowParam(m_pExchange, m_pOutputTemplate, m_pOutputTemplate->GetValue());
        if (output != nullptr) {
            output->SetName(assigned);
            m_lstActions.AddParam(output);
        }
    }
    if (output != nullptr) {
        m_lstActions.AssignParamToItem(output, row);
        ShowOutputCell(row, output);
    }
    m_lstActions.Invalidate();
    return TRUE;
}

bool CPropStateGraph::CheckAllRows() {
    m_lstActions.CloseEdit(TRUE);
    for (int row = 0; row < m_lstActions.GetItemCount(); ++row)
        if (!CheckActions(row)) return false;
    // Outputs leave the element only when every row could say what it assigns.
    m_lstActions.PurgeUnusedParams();
    DropResultsOfRemovedOutputs();
    return true;
}

void CPropStateGraph::ShowActiveState() {
    if (m_pSymbol != nullptr) InvalidateDlgItemRect(m_pSymbol, SymbolMaskForActive(m_bActivateState), kCtlSymbolFrame, this);
}

BOOL CPropStateGraph::OnInitDialog() {
    InitHeader(m_strName, m_bShowName);
    // The drawer is made now, not at the first paint, so that it takes the active state's
    // variant below and the page opens with the symbol the state has.
    qv::pages::LoadNameAndSymbol(m_pExchange, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    m_templates.clear();
    m_pOutputTemplate = nullptr;
    m_pValidFor = nullptr;
    {
        CResourceSwitch resources;
        const UINT headers[] = {2720, 2721, 2722, 2749};
        for (int col = 0; col < 4; ++col)
            m_lstActions.InsertEditColumn(col, LoadLibraryString(headers[col]), LVCFMT_LEFT, kColumnWidth);
    }
    m_lstActions.Init(m_pWizard, m_pExchange);
    m_lstActions.InitializeCtrl(TRUE, TRUE);
    m_lstActions.LoadColumnWidths();
    // The shown variant decides: variant 1 (byte 2) is the active state, anything else not.
    m_bActivateState = m_pExchange != nullptr ? ActiveFromSymbolMask(m_pExchange->m_bySymbolVariant) : FALSE;
    UpdateData(FALSE);
    UpdateData(TRUE);
    ShowActiveState();
    StoreActiveStateWord();
    SetModified(TRUE);
    m_strTypeList.Empty();
    for (int i = 0; m_pExchange != nullptr && i < m_pExchange->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pExchange->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        if (Has(param, kTypeInput) && param->GetValueID() == kIdAction) {
            if (Has(param, kTypeTemplate)) {
                if (!m_templates.empty()) m_strTypeList += ",";
                m_strTypeList += param->GetName();
                m_templates.push_back(param);
            } else {
                AppendActionRow(param);
            }
        } else if (Has(param, kTypeInput) && param->GetValueID() == kIdValidFor) {
            m_pValidFor = param;
            const BOOL dc = std::atol(param->GetValue()) != 0;
            CheckRadioButton(kCtlTR, kCtlDC, dc ? kCtlDC : kCtlTR);
        }
        if (Has(param, kTypeOutput) && param->GetValueID() == kIdStateOutput) {
            if (Has(param, kTypeTemplate)) m_pOutputTemplate = param;
            else m_lstActions.AddParam(param);
        }
    }
    for (int row = 0; row < m_lstActions.GetItemCount(); ++row)
        m_lstActions.SetEditItemType(row, kColType, TB_EDIT_CHOICE, m_strTypeList);
    UpdateData(FALSE);
    SetModified(FALSE);
    if (LoadScanDll()) CheckAllRows();
    return TRUE;
}

BOOL CPropStateGraph::OnSetActive() {
    const WORD language = GetCurrentLanguageID();
    for (int row = 0; row < m_lstActions.GetItemCount(); ++row) {
        CWizardCopaObject3* action = RowAction(row);
        if (action == nullptr) continue;
        if (CWizardCopaObject3* output = m_lstActions.GetItemParam(m_lstActions.GetItemData(row))) {
            BOOL on = FALSE;
            if (GetSDBOutputForParam(m_pExchange, output, &on)) m_lstActions.SetItemChecked(row, kColOutput, on);
        }
        const CString info = action->GetInfoByLangID(language);
        action->SetInfoByLangID(language, info);
        m_lstActions.SetItemText(row, kColInfo, info);
    }
    SetModified(FALSE);
    return CPropertyPage::OnSetActive();
}

void CPropStateGraph::StoreActions() {
    m_lstActions.CloseEdit(TRUE);
    const WORD language = GetCurrentLanguageID();
    for (int row = 0; row < m_lstActions.GetItemCount(); ++row) {
        CWizardCopaObject3* action = RowAction(row);
        if (action == nullptr) continue;
        action->SetName(m_lstActions.GetItemText(row, kColType));
        action->SetValue(m_lstActions.GetItemText(row, kColValue));
        action->SetInfoByLangID(language, m_lstActions.GetItemText(row, kColInfo));
    }
    if (m_pValidFor != nullptr && GetSafeHwnd() != nullptr) {
        CString value;
        value.Format("%d", IsDlgButtonChecked(kCtlDC) == BST_CHECKED ? 1 : 0);
        m_pValidFor->SetValue(value);
    }
}

// Outputs take the template's descriptions with their own name; the pins of an IO state keep
// their own descriptions.
void CPropStateGraph::StoreOutputDescriptions() {
    if (m_pOutputTemplate == nullptr || m_pExchange == nullptr) return;
    for (int i = 0; i < m_pExchange->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pExchange->GetParam(i);
        if (param == nullptr || param->GetValueID() != kIdStateOutput || Has(param, kTypeTemplate) ||
            !Has(param, kTypeOutput))
            continue;
        SetParamDescriptionsByName(&m_pOutputTemplate->GetDescriptionMap(), param);
    }
}

BOOL CPropStateGraph::OnKillActive() {
    // A failed check is shown but never keeps the user on the page.
    if (m_pfnFml2Upn != nullptr) CheckAllRows();
    StoreActions();
    StoreOutputDescriptions();
    return CTBPropertyPage::OnKillActive();
}

bool CPropStateGraph::RefuseUncompiledActions() {
    if (m_pfnFml2Upn == nullptr) return true;
    m_lstActions.CloseEdit(TRUE);
    for (int row = 0; row < m_lstActions.GetItemCount(); ++row) {
        const CString value = m_lstActions.GetItemText(row, kColValue);
        if (RowAction(row) == nullptr || !IsCheckedActionType(m_lstActions.GetItemText(row, kColType)) || value.IsEmpty())
            continue;
        bool compiled = false;
        try {
            CString assigned;
            compiled = CompileAction(m_pfnFml2Upn, value, assigned);
        } catch (CException* e) {
            e->Delete();
        } catch (...) {
        }
        if (compiled) continue;
        m_lstActions.SelectItem(row);
        qv::pages::RefuseField(*this, kCtlActionList);
        return false;
    }
    return true;
}

BOOL CPropStateGraph::OnApply() {
    if (m_pExchange == nullptr) return FALSE;
    // An action the pre-compiler cannot read is no action of the state: leaving the page only
    // tells of it, OK refuses it.
    if (!RefuseUncompiledActions()) return FALSE;
    UpdateData(TRUE);
    StoreHeader(m_strName, m_bShowName);
    StoreActions();
    StoreOutputDescriptions();
    m_pExchange->m_bySymbolVariant = SymbolMaskForActive(m_bActivateState);
    StoreActiveStateWord();
    m_lstActions.SaveColumnWidths();
    if (!CommitExchangeObject()) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropStateGraph::OnNewButton() {
    if (m_templates.empty()) return;
    CMenu menu;
    if (!menu.CreatePopupMenu()) return;
    const size_t count = std::min<size_t>(m_templates.size(), kCmdLastTemplate - kCmdFirstTemplate + 1);
    for (size_t i = 0; i < count; ++i)
        menu.AppendMenu(MF_STRING, kCmdFirstTemplate + static_cast<UINT>(i), m_templates[i]->GetName());
    CRect rect;
    if (CWnd* button = GetDlgItem(kFirstRowButton)) {
        button->GetWindowRect(&rect);
    }
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, rect.left, rect.bottom, this);
}

void CPropStateGraph::OnNewAction(UINT id) {
    const size_t index = id - kCmdFirstTemplate;
    if (index >= m_templates.size()) return;
    CWizardCopaObject3* templ = m_templates[index];
    CWizardCopaObject3* action = qv::equations::NewRowParam(m_pExchange, templ, templ->GetValue());
    if (action == nullptr) return;
    AppendActionRow(action);
    SetModified(TRUE);
}

void CPropStateGraph::DeleteRow(int row) {
    CWizardCopaObject3* action = RowAction(row);
    ReleaseRowOutput(row);
    m_lstActions.RemoveItem(m_lstActions.GetItemData(row));
    m_lstActions.DeleteEditItem(row);
    if (action != nullptr) action->Delete();
}

void CPropStateGraph::OnDeleteSelected() {
    const int row = m_lstActions.GetSelectedItem();
    if (row < 0) return;
    DeleteRow(row);
    m_lstActions.Invalidate();
    SetModified(TRUE);
}

void CPropStateGraph::OnDeleteAll() {
    for (int row = m_lstActions.GetItemCount() - 1; row >= 0; --row) DeleteRow(row);
    m_lstActions.Invalidate();
    SetModified(TRUE);
}

void CPropStateGraph::MoveRow(int delta) {
    const int row = m_lstActions.GetSelectedItem();
    const int other = row + delta;
    if (row < 0 || other < 0 || other >= m_lstActions.GetItemCount() || m_pExchange == nullptr) return;
    CWizardCopaObject3* moved = RowAction(row);
    CWizardCopaObject3* neighbour = RowAction(other);
    if (!MoveParamToNeighbour(m_pExchange, moved, neighbour)) return;
    for (int col = kColType; col <= kColInfo; ++col) {
        const CString a = m_lstActions.GetItemText(row, col);
        m_lstActions.SetItemText(row, col, m_lstActions.GetItemText(other, col));
        m_lstActions.SetItemText(other, col, a);
    }
    m_lstActions.SetItemData(row, reinterpret_cast<DWORD_PTR>(neighbour));
    m_lstActions.SetItemData(other, reinterpret_cast<DWORD_PTR>(moved));
    // The output links follow the actions (they are kept by action).
    ShowOutputCell(row, m_lstActions.GetItemParam(reinterpret_cast<DWORD_PTR>(neighbour)));
    ShowOutputCell(other, m_lstActions.GetItemParam(reinterpret_cast<DWORD_PTR>(moved)));
    m_lstActions.SelectItem(other);
    m_lstActions.Invalidate();
    SetModified(TRUE);
}

// The chosen type replaces the row's action by a new one of that template, at the old one's
// place in the parameter array; the value text stays in the row.
void CPropStateGraph::ChangeRowType(int row) {
    CWizardCopaObject3* old = RowAction(row);
    const CString type = m_lstActions.GetItemText(row, kColType);
    if (old == nullptr || old->GetName() == type || m_pExchange == nullptr) return;
    CWizardCopaObject3* templ = nullptr;
    for (CWizardCopaObject3* candidate : m_templates)
        if (candidate->GetName() == type && templ == nullptr) templ = candidate;
    if (templ == nullptr) return;
    const int at = IndexOfParam(m_pExchange, old);
    CWizardCopaObject3* fresh = qv::equations::NewRowParam(m_pExchange, templ, templ->GetValue());
    if (fresh == nullptr || at < 0) return;
    m_pExchange->m_Params.RemoveAt(m_pExchange->GetParamCount() - 1);
    m_pExchange->m_Params.InsertAt(at, fresh);
    // A new type that still assigns takes the row's output over before the old action lets it
    // go, so that the output and its result output stay while the row assigns the variable.
    const DWORD_PTR oldKey = m_lstActions.GetItemData(row);
    CWizardCopaObject3* output = m_lstActions.GetItemParam(oldKey);
    const bool assigns = IsCheckedActionType(type);
    if (output != nullptr && assigns) m_lstActions.AssignParamToItemData(output, reinterpret_cast<DWORD_PTR>(fresh));
    ReleaseRowOutput(row);
    m_lstActions.RemoveItem(oldKey);
    old->Delete();
    m_lstActions.SetItemData(row, reinterpret_cast<DWORD_PTR>(fresh));
    m_lstActions.SetEditItemText(row, kColType, fresh->GetName(), TB_EDIT_CHOICE, m_strTypeList);
    m_lstActions.SetItemText(row, kColInfo, fresh->GetInfoByLangID(GetCurrentLanguageID()));
    if (output != nullptr && assigns) ShowOutputCell(row, output);
    m_lstActions.Invalidate();
    SetModified(TRUE);
}

LRESULT CPropStateGraph::OnCellEdited(WPARAM wParam, LPARAM lParam) {
    if (wParam != static_cast<WPARAM>(kCtlActionList)) return 0;
    const int row = LOWORD(lParam);
    const int col = HIWORD(lParam);
    if (col == kColType) {
        ChangeRowType(row);
    } else if (col == kColValue) {
        if (IsCheckedActionType(m_lstActions.GetItemText(row, kColType))) CheckActions(row);
        SetModified(TRUE);
    } else if (col == kColOutput) {
        CWizardCopaObject3* output = m_lstActions.GetItemParam(m_lstActions.GetItemData(row));
        if (output != nullptr) SetSDBOutputForParam(m_pExchange, output, m_lstActions.GetItemChecked(row, kColOutput) ? FALSE : TRUE);
        UpdateData(FALSE);
    } else {
        SetModified(TRUE);
    }
    return 0;
}

void CPropStateGraph::OnListFocus(NMHDR*, LRESULT* pResult) {
    const BOOL selected = m_lstActions.GetSelectedItem() >= 0;
    for (int offset : {1, 3, 4})
        if (CWnd* button = GetDlgItem(kFirstRowButton + offset)) button->EnableWindow(selected);
    if (pResult != nullptr) *pResult = 0;
}

void CPropStateGraph::OnListItemChanged(NMHDR*, LRESULT* pResult) {
    SetModified(TRUE);
    if (pResult != nullptr) *pResult = 0;
}

void CPropStateGraph::OnContextMenu(CWnd* pWnd, CPoint point) {
    if (pWnd == nullptr || pWnd->GetSafeHwnd() != m_lstActions.GetSafeHwnd()) return;
    m_lstActions.CloseEdit(TRUE);
    CPoint client = point;
    m_lstActions.ScreenToClient(&client);
    int row = -1, col = -1;
    if (m_lstActions.FindItem(client, row, col) >= 0 && row >= 0 && m_lstActions.GetSelectedItem() != row)
        m_lstActions.SelectItem(row);
    // "New" offers the action templates.
    std::vector<qv::tablepage::MenuChoice> choices;
    const size_t count = std::min<size_t>(m_templates.size(), kCmdLastTemplate - kCmdFirstTemplate + 1);
    for (size_t i = 0; i < count; ++i) choices.emplace_back(kCmdFirstTemplate + static_cast<UINT>(i), m_templates[i]->GetName());
    qv::tablepage::TrackTableContextMenu(*this, point, choices);
}

void CPropStateGraph::OnUpdateNew(CCmdUI* pCmdUI) { pCmdUI->Enable(!m_templates.empty()); }

void CPropStateGraph::OnUpdateNeedsSelection(CCmdUI* pCmdUI) { pCmdUI->Enable(m_lstActions.GetSelectedItem() >= 0); }

void CPropStateGraph::OnUpdateAlways(CCmdUI* pCmdUI) { pCmdUI->Enable(TRUE); }

void CPropStateGraph::OnActivateState() {
    UpdateData(TRUE);
    ShowActiveState();
    StoreActiveStateWord();
    SetModified(TRUE);
}

// The editor reads which state of the graph is active from this word of the exchange object.
void CPropStateGraph::StoreActiveStateWord() {
    if (m_pExchange != nullptr) m_pExchange->m_wActiveState = m_bActivateState ? 1 : 0;
}

// A pin count is a number: one beyond the range is brought into it as the field is left, any
// other text stands as typed for OK to refuse (it would remove pins without a word).
void CPropStateGraph::OnInputsKillFocus() {
    UpdateData(TRUE);
    if (qv::pages::ReadsAsNumber(m_strInputs, qv::pages::NumberNeeded::Number))
        m_strInputs = TBExtended_ftoa(LimitedWholeNumber(m_strInputs, 0, 0, kPinsPerSide));
    UpdateData(FALSE);
    SetModified(TRUE);
}

void CPropStateGraph::OnOutputsChanged() {
    UpdateData(TRUE);
    if (qv::pages::ReadsAsNumber(m_strOutputs, qv::pages::NumberNeeded::Number))
        m_strOutputs = TBExtended_ftoa(LimitedWholeNumber(m_strOutputs, 0, 0, kPinsPerSide));
    UpdateData(FALSE);
    SetModified(TRUE);
}

void CPropStateGraph::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (!qv::tablepage::DrawTableButton(nIDCtl, lpDrawItemStruct)) CTBPropertyPage::OnDrawItem(nIDCtl, lpDrawItemStruct);
}

// ---------------------------------------------------------------------------------------
// CPropStateGraphIO

BOOL CPropStateGraphIO::OnInitDialog() {
    CPropStateGraph::OnInitDialog();
    for (int id = 2226; id <= 2229; ++id)
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_SHOW);
    SetModified(FALSE);
    int nIn = 0, nOut = 0;
    CountPins(m_pExchange, &nIn, &nOut);
    m_strInputs = TBExtended_ftoa(nIn);
    m_strOutputs = TBExtended_ftoa(nOut);
    UpdateData(FALSE);
    return TRUE;
}

BOOL CPropStateGraphIO::OnApply() {
    if (m_pExchange == nullptr) return FALSE;
    UpdateData(TRUE);
    for (const auto& [control, text] : {std::pair<int, const CString*>{kCtlInputs, &m_strInputs},
                                        std::pair<int, const CString*>{kCtlOutputs, &m_strOutputs}})
        if (!qv::pages::RefuseUnlessNumber(*this, control, *text, qv::pages::NumberNeeded::Number)) return FALSE;
    ApplyPinCounts(m_pExchange, LimitedWholeNumber(m_strInputs, 0, 0, kPinsPerSide),
                   LimitedWholeNumber(m_strOutputs, 0, 0, kPinsPerSide));
    return CPropStateGraph::OnApply();
}

// ---------------------------------------------------------------------------------------
// The state wizards

template <class Page, class Self, bool convertDelete>
void TStateGraphWizard<Page, Self, convertDelete>::NotifyChanged(CWizardSchematicDataExchange3* exchange, int changeType,
                                                                 CWizardCopaObject3* param) {
    if (changeType != 3 || param == nullptr || param->GetValueID() != kIdAction) return;
    // A page of the wizard's own: the page on the editor's sheet is never touched. Creating
    // its window runs the check of every action.
    auto* made = new (std::nothrow) Page(this, exchange);
    if (made != nullptr) made->SetHidden(true);
    std::unique_ptr<Page> page = qv::pages::CreateHiddenPage(made, kStateTemplate);
    const bool failed = page != nullptr && page->ReportedFailure();
    if (page != nullptr) page->DestroyWindow();
    page.reset();
    // A failed check has been reported (code 8); as after a failed conversion, the exchange
    // object is then not committed as if all were well.
    if (exchange != nullptr && !failed) CommitExchange(RequestTarget(this), exchange);
}

template <class Page, class Self, bool convertDelete>
BOOL TStateGraphWizard<Page, Self, convertDelete>::DoConversionFrom4x(CWizardSchematicDataExchange3* exchange) {
    if (exchange == nullptr) return TRUE;
    std::vector<CWizardCopaObject3*> actions;
    std::vector<CWizardCopaObject3*> oldOutputs;
    CWizardCopaObject3* outputTemplate = nullptr;
    for (int i = 0; i < exchange->GetParamCount(); ++i) {
        CWizardCopaObject3* param = exchange->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        if (param->GetValueID() == kIdStateOutput) {
            // The pins of an IO state (and their template) are no outputs of variables: they stay.
            if (Has(param, kTypeInOut)) continue;
            if (Has(param, kTypeTemplate)) outputTemplate = param;
            else oldOutputs.push_back(param);
        } else if (Has(param, kTypeInput) && !Has(param, kTypeOutput | kTypeTemplate)) {
            actions.push_back(param);
        }
    }
    if (outputTemplate == nullptr) return TRUE;
    const RequestTarget target(this);
    HMODULE module = nullptr;
    Fml2UpnFunc function = nullptr;
    if (const UINT failure = LoadFml2Upn(this, module, function); failure != 0) {
        ReportErrorText(target, LoadLibraryString(failure));
        return FALSE;
    }
    // Only now that the outputs can be made again do the old ones go.
    for (CWizardCopaObject3* output : oldOutputs) output->Delete();
    std::vector<CWizardCopaObject3*> made;
    bool failed = false;
    for (CWizardCopaObject3* action : actions) {
        const CString name = action->GetName();
        const bool plain = ContainsAny(name, {"SET", "CALC", "STEP", "CATI"});
        const bool deletes = !plain && name.Find("DEL") >= 0;
        if ((!plain && !deletes) || action->GetValue().IsEmpty()) continue;
        CString assigned;
        try {
            failed = !CompileAction(function, action->GetValue(), assigned);
        } catch (CException* e) {
            e->Delete();
            failed = true;
        } catch (...) {
            failed = true;
        }
        if (failed) break;
        if (assigned.IsEmpty()) continue;
        if (convertDelete && deletes && DeleteTarget(action->GetValue()) == "NULL") {
            action->SetName("DELRES");
            action->SetValue(assigned);
        }
        CWizardCopaObject3* existing = nullptr;
        for (CWizardCopaObject3* output : made)
            if (output->GetName() == assigned && existing == nullptr) existing = output;
        if (existing != nullptr) {
            existing->Undelete();
            continue;
        }
        CWizardCopaObject3* output = qv::equations::NewRowParam(exchange, outputTemplate, outputTemplate->GetValue());
        if (output == nullptr) continue;
        output->SetName(assigned);
        made.push_back(output);
    }
    FreeLibrary(module);
    if (failed) {
        ReportErrorText(target, LoadLibraryString(kStrScanFailed));
        return FALSE;
    }
    CommitExchange(target, exchange);
    return TRUE;
}

template class TStateGraphWizard<CPropStateGraph, CStateGraphWizard, true>;
template class TStateGraphWizard<CPropStateGraphIO, CStateGraphIOWizard, false>;
