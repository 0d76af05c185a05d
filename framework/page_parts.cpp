#include "framework/page_parts.h"

#include "framework/combo_entries.h"
#include "framework/data_file_target.h"
#include "framework/dialog_controls.h"
#include "framework/indexed_family.h"
#include "framework/module.h"
#include "framework/param_access.h"
#include "framework/requests.h"
#include "framework/shown_unit.h"
#include "framework/string_ids.h"
#include "toolkit/tb_numbers.h"

#include <cmath>

namespace qv::pages {

namespace {
// The sample time's list and field, and the unit list beside them, on every block page.
constexpr WORD kIdSampleTimeList = 2183;
constexpr WORD kIdSampleTimeField = 2202;
constexpr int kCtlSampleTimeUnit = 2400;
} // namespace

void LoadNameAndSymbol(const ParamHolder* params, const CWizardBaseCommon* wizard, CString& name, BOOL& showName,
                       CString& symbolText, CTBDrawSymbol*& symbol) {
    if (params != nullptr) {
        name = params->m_strElementName;
        showName = params->m_dwShowName != 0;
        if (wizard != nullptr) wizard->GetLangDependentString(params->m_SymbolTexts, symbolText);
    }
    if (symbol == nullptr) {
        symbol = new CTBDrawSymbol(CRect(0, 0, 0, 0));
        CResourceSwitch resources;
        symbol->LoadSymbols(symbolText);
    }
}

void StoreNameAndShowName(ParamHolder& params, const CString& name, BOOL showName) {
    params.m_strElementName = name;
    params.m_dwShowName = showName ? 1 : 0;
}

bool StoreNameOnApply(CPropertyPage& page, ParamHolder* params, const CString& name, const BOOL& showName) {
    if (params == nullptr || !RefuseBlankValueField(page, params)) return false;
    page.UpdateData(TRUE);
    StoreNameAndShowName(*params, name, showName);
    return true;
}

BOOL RefuseBlankValueField(CWnd& page, const ParamHolder* params,
                           std::initializer_list<std::pair<int, WORD>> otherFields) {
    // A page the user cannot reach (the AC page without AC use) has no field to fill.
    if (!page.IsWindowEnabled()) return TRUE;
    for (int i = 0; params != nullptr && i < params->GetParamCount(); ++i) {
        const CWizardCopaObject3* param = params->GetParam(i);
        if (param == nullptr || param->IsDeleted()) continue;
        int control = 0;
        for (const auto& [other, valueID] : otherFields)
            if (valueID == param->GetValueID()) control = other;
        // A field named apart may edit an output's value (a measurement's result name), or a
        // parameter whose unused mark the page sets only as it is left. Any other parameter
        // marked unused has no place in the model text.
        if (control == 0) {
            if (!IsLiveInput(param) || (param->GetExtType() & kParamExtUnused) != 0) continue;
            control = param->GetValueID();
        }
        if (param->HasPin() || (param->GetType() & kParamTypeText) != 0) continue;
        if (!RefuseBlankField(page, control)) return FALSE;
        const WORD id = param->GetValueID();
        const bool sampleTime = id == kIdSampleTimeList || id == kIdSampleTimeField || control == kIdSampleTimeList ||
                                control == kIdSampleTimeField;
        if (sampleTime && !RefuseNameInOtherUnit(page, control, kCtlSampleTimeUnit, param)) return FALSE;
    }
    return TRUE;
}

BOOL RefuseNameInOtherUnit(CWnd& page, int control, int unitList, const CWizardCopaObject3* param) {
    if (param == nullptr || !page.IsWindowEnabled()) return TRUE;
    const CWnd* field = page.GetDlgItem(control);
    const CWnd* units = page.GetDlgItem(unitList);
    const auto shown = [](const CWnd* w) { return (w->GetStyle() & WS_VISIBLE) != 0 && w->IsWindowEnabled(); };
    if (field == nullptr || units == nullptr || !shown(field) || !shown(units)) return TRUE;
    CString unit;
    units->GetWindowText(unit);
    if (unit.IsEmpty() || unit == param->GetUnit()) return TRUE;
    // "System" chosen (or typed) in a sample-time list is stored as the number 0.
    if (field->GetClassName() == "ComboBox" &&
        EntryNamedByText(*static_cast<const CComboBox*>(field)) == 0)
        return TRUE;
    CString text;
    field->GetWindowText(text);
    if (ReadsAsNumber(text, NumberNeeded::Number)) return TRUE;
    return RefuseField(page, control);
}

BOOL RefuseBlankField(CWnd& page, int control) {
    if (!page.IsWindowEnabled()) return TRUE;
    CWnd* field = page.GetDlgItem(control);
    if (field == nullptr || (field->GetStyle() & WS_VISIBLE) == 0 || !field->IsWindowEnabled()) return TRUE;
    const CString kind = field->GetClassName();
    const bool typed = kind == "Edit" || (kind == "ComboBox" && (field->GetStyle() & 0x3) == CBS_DROPDOWN);
    if (!typed) return TRUE;
    CString text;
    field->GetWindowText(text);
    if (!text.Trim().IsEmpty()) return TRUE;
    return RefuseField(page, control);
}

BOOL RefuseFileReferenceField(CWnd& page, int control) {
    if (!RefuseBlankField(page, control)) return FALSE;
    if (!page.IsWindowEnabled()) return TRUE;
    CWnd* field = page.GetDlgItem(control);
    if (field == nullptr || (field->GetStyle() & WS_VISIBLE) == 0 || !field->IsWindowEnabled()) return TRUE;
    CString name;
    field->GetWindowText(name);
    if (qv::files::IsQuotableDataFileName(name)) return TRUE;
    if (page.GetParent() != nullptr) {
        field->SetFocus();
        AfxMessageBox(qv::files::UnquotableDataFileNameText(name), MB_OK | MB_ICONEXCLAMATION);
    }
    return FALSE;
}

BOOL RefuseField(CWnd& page, int control) {
    // A page made hidden, outside a sheet (to initialise or convert an element), shows no box.
    if (page.GetParent() != nullptr) {
        if (CWnd* field = page.GetDlgItem(control)) field->SetFocus();
        CResourceSwitch resources;
        AfxMessageBox(LoadLibraryString(qv::strings::kStrInvalidValue), MB_OK);
    }
    return FALSE;
}

BOOL RefuseUpperBelowLower(CWnd& page, ParamHolder* params, const LimitField& upper, const LimitField& lower) {
    // A limit as the simulator reads it, when it is a number typed on the page.
    const auto number = [params](const LimitField& limit, double* value) {
        const CWizardCopaObject3* param = ::FindParamByValueID(params, limit.valueID);
        if (param == nullptr || param->HasPin() || limit.text == nullptr) return false;
        const TypedValue typed = TypedAsShown(param, *limit.text, limit.units);
        return qv::ParsePrefixedNumber(typed.text, value) && qv::ParsePrefixedNumber(InSimulatorUnit(typed), value);
    };
    double up = 0.0;
    double low = 0.0;
    if (!number(upper, &up) || !number(lower, &low) || !(up < low)) return TRUE;
    if (page.GetParent() != nullptr) {
        if (CWnd* field = page.GetDlgItem(upper.valueID)) field->SetFocus();
        CResourceSwitch resources;
        AfxMessageBox(LoadLibraryString(qv::strings::kStrUpperLimitBelowLower), MB_OK);
    }
    return FALSE;
}

BOOL RefuseEmptyTable(CWnd& page, bool empty) {
    if (!empty) return TRUE;
    if (page.GetParent() != nullptr) {
        CResourceSwitch resources;
        AfxMessageBox(LoadLibraryString(qv::strings::kStrNoBlock), MB_OK);
    }
    return FALSE;
}

bool ReadsAsExpression(const CString& text, formula::ParseMode mode) {
    CString trimmed = text;
    if (trimmed.Trim().IsEmpty()) return false;
    const formula::ParseResult read = formula::Parse(std::string_view(static_cast<LPCTSTR>(text)), mode);
    return read.result == 0 && formula::NumbersStayFinite(read.upn);
}

bool ReadsAsStatements(const CString& text) {
    CString trimmed = text;
    if (trimmed.Trim().IsEmpty()) return false;
    const formula::ParseResult read = formula::Parse(std::string_view(static_cast<LPCTSTR>(text)), formula::ParseMode::Block);
    return read.result == 0 && read.kind != kExpressionBare && read.kind != kExpressionNone &&
           formula::NumbersStayFinite(read.upn);
}

bool IsResultName(const CString& text) {
    const std::string_view name = text.view();
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (name.empty() || !letter(name.front())) return false;
    for (const char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9')) return false;
    CString upper = text;
    upper.MakeUpper();
    return upper != "IF" && upper != "ELSE";
}

BOOL RefuseFieldWithoutName(CWnd& page, int control) {
    if (!page.IsWindowEnabled()) return TRUE;
    CWnd* field = page.GetDlgItem(control);
    if (field == nullptr || (field->GetStyle() & WS_VISIBLE) == 0 || !field->IsWindowEnabled()) return TRUE;
    CString text;
    field->GetWindowText(text);
    if (IsResultName(text)) return TRUE;
    return RefuseField(page, control);
}

BOOL RefuseUnreadableExpression(CWnd& page, int control, const CString& text, formula::ParseMode mode) {
    if (ReadsAsExpression(text, mode)) return TRUE;
    return RefuseField(page, control);
}

BOOL RefuseUnreadableCells(CWnd& page, CTBEditListCtrl& list, int control, int column, int pinColumn) {
    if (list.GetSafeHwnd() == nullptr) return TRUE;
    list.CloseEdit(TRUE);
    for (int row = 0; row < list.GetItemCount(); ++row) {
        if (pinColumn >= 0 && list.GetItemChecked(row, pinColumn)) continue;
        if (!RefuseUnreadableExpression(page, control, list.GetItemText(row, column), formula::ParseMode::Value)) {
            list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            return FALSE;
        }
    }
    return TRUE;
}

bool ReadsAsNumber(const CString& text, NumberNeeded kind, double* value) {
    double number = 0.0;
    if (!qv::ParsePrefixedNumber(text, &number) || !std::isfinite(number)) return false;
    constexpr double most = qv::family::kMaxMembers;
    const bool whole = std::trunc(number) == number;
    bool fits = true;
    switch (kind) {
    case NumberNeeded::Count: fits = whole && number >= 0.0 && number <= most; break;
    case NumberNeeded::PositiveCount: fits = whole && number >= 1.0 && number <= most; break;
    case NumberNeeded::Order: fits = whole && number >= 0.0 && number <= most - 1.0; break;
    case NumberNeeded::Positive: fits = number > 0.0; break;
    case NumberNeeded::Number: break;
    }
    if (!fits) return false;
    if (value != nullptr) *value = number;
    return true;
}

BOOL RefuseUnlessNumber(CWnd& page, int control, const CString& text, NumberNeeded kind) {
    if (!page.IsWindowEnabled()) return TRUE;
    if (const CWnd* field = page.GetDlgItem(control);
        field != nullptr && ((field->GetStyle() & WS_VISIBLE) == 0 || !field->IsWindowEnabled()))
        return TRUE;
    if (ReadsAsNumber(text, kind)) return TRUE;
    return RefuseField(page, control);
}

BOOL RefuseUnlessNumberCells(CWnd& page, CTBEditListCtrl& list, int control, int column, NumberNeeded kind) {
    if (list.GetSafeHwnd() == nullptr) return TRUE;
    list.CloseEdit(TRUE);
    for (int row = 0; row < list.GetItemCount(); ++row) {
        if (ReadsAsNumber(list.GetItemText(row, column), kind)) continue;
        list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        return RefuseField(page, control);
    }
    return TRUE;
}

bool ApplyNameFirst(CPropertyPage& page, const CWizardBaseCommon* wizard, ParamHolder* params, const CString& name,
                    const BOOL& showName) {
    return StoreNameOnApply(page, params, name, showName) &&
           CommitParamSet(RequestTarget(wizard), reinterpret_cast<DWORD_PTR>(params)) != FALSE;
}

CString ParamDescriptionWithUnit(const CWizardBaseCommon* wizard, ParamHolder* params, WORD valueID) {
    CString caption = GetParamDescriptionText(wizard, params, valueID);
    CString unit;
    GetParamUnit(params, valueID, &unit);
    AppendUnitSuffix(&caption, unit);
    return caption;
}

void AppendParamUnitToCaption(CWnd& page, ParamHolder* params, WORD valueID) {
    CString unit;
    CWnd* box = page.GetDlgItem(valueID);
    if (box == nullptr || !GetParamUnit(params, valueID, &unit) || unit.IsEmpty()) return;
    CString caption;
    box->GetWindowText(caption);
    AppendUnitSuffix(&caption, unit);
    box->SetWindowText(caption);
}

void AppendUnitToCaption(CWnd& page, ParamHolder* params, int controlID, WORD valueID) {
    CString caption;
    page.GetDlgItemText(controlID, caption);
    CString unit;
    GetParamUnit(params, valueID, &unit);
    AppendUnitSuffix(&caption, unit);
    page.SetDlgItemText(controlID, caption);
}

void EnableDlgControl(CWnd& page, int id, BOOL enable) {
    if (CWnd* control = page.GetDlgItem(id)) control->EnableWindow(enable);
}

void ShowDlgControl(CWnd& page, int id, BOOL show) {
    if (CWnd* control = page.GetDlgItem(id)) control->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void ClickOutputBox(CPropertyPage& page, ParamHolder* params, BOOL& flag, int controlID, WORD valueID) {
    const BOOL before = flag;
    page.UpdateData(TRUE);
    page.SetModified(TRUE);
    flag = before ? FALSE : TRUE;
    SetSDBOutput(params, valueID, flag);
    page.CheckDlgButton(controlID, flag ? BST_CHECKED : BST_UNCHECKED);
}

void ExchangeNameAndShowName(CDataExchange* pDX, CString& name, BOOL& showName) {
    DDX_Check(pDX, qv::dialog::kCtlShowName, showName);
    DDX_Text(pDX, qv::dialog::kCtlName, name);
}

} // namespace qv::pages
