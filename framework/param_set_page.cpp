#include "framework/param_set_page.h"

#include "framework/indexed_family.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/prefixed_numbers.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"

namespace {
constexpr int kSymbolFrame = 2020;
} // namespace

CParamSetPage::CParamSetPage(UINT templateID) : CTBPropertyPage(templateID, 0) {}

CParamSetPage::CParamSetPage(UINT templateID, CWizardBase4* wizard, DWORD_PTR cookie)
    : CTBPropertyPage(templateID, 0), m_pWizard(wizard), m_cookie(cookie) {}

CParamSetPage::~CParamSetPage() {
    delete m_pSymbol;
    m_pSymbol = nullptr;
}

void CParamSetPage::Rebind(CWizardBase4* wizard, DWORD_PTR cookie) {
    m_pWizard = wizard;
    m_cookie = cookie;
}

void CParamSetPage::ShowMessage(const CString& text) {
    if (m_bHidden) return;
    CResourceSwitch resources;
    AfxMessageBox(text, MB_OK);
}

void CParamSetPage::ReadHeader(CString& name, BOOL& showName) {
    ParamHolder* holder = Holder();
    if (holder == nullptr) return;
    name = holder->m_strElementName;
    showName = holder->m_dwShowName != 0;
    if (m_pWizard != nullptr) m_pWizard->GetLangDependentString(holder->m_SymbolTexts, m_strSymbolText);
}

void CParamSetPage::OnPaint() { qv::pages::PaintSymbolInFrame(*this, kSymbolFrame, m_pSymbol, m_strSymbolText); }

namespace qv::pages {

namespace {
// A click on a "Use Pin" box once the dialog's state is taken over.
void FollowPinBox(CPropertyPage& page, ParamHolder* params, const BOOL& pinned, WORD valueID, int fieldID) {
    if (CWnd* field = page.GetDlgItem(fieldID != 0 ? fieldID : valueID)) field->EnableWindow(!pinned);
    page.SetModified(TRUE);
    SetParamUsePin(params, valueID, pinned);
}
} // namespace

void ClickPinBox(CPropertyPage& page, ParamHolder* params, const BOOL& pinned, WORD valueID, int fieldID) {
    page.UpdateData(TRUE);
    FollowPinBox(page, params, pinned, valueID, fieldID);
}

void ShowSwitchesAndPins(CPropertyPage& page, ParamHolder* params, std::initializer_list<SwitchOf> outputs,
                         std::initializer_list<SwitchOf> pins) {
    for (const SwitchOf& output : outputs) GetSDBOutput(params, output.valueID, output.state);
    for (const SwitchOf& pin : pins) GetParamUsePin(params, pin.valueID, pin.state);
    page.UpdateData(FALSE);
    // No box changes a control's value: the dialog's state is taken over once for all.
    if (pins.size() != 0) page.UpdateData(TRUE);
    for (const SwitchOf& pin : pins) FollowPinBox(page, params, *pin.state, pin.valueID, pin.fieldID);
    page.SetModified(FALSE);
}

void FlipOutputSwitch(CWnd& page, ParamHolder* params, BOOL& flag, WORD valueID) {
    flag = flag ? FALSE : TRUE;
    SetSDBOutput(params, valueID, flag);
    page.CheckDlgButton(valueID, flag ? BST_CHECKED : BST_UNCHECKED);
}

void ReadAndFlipOutputSwitch(CPropertyPage& page, ParamHolder* params, BOOL& flag, WORD valueID, int controlID) {
    ClickOutputBox(page, params, flag, controlID != 0 ? controlID : valueID, valueID);
}

} // namespace qv::pages

CWizardCopaObject3* CParamSetPage::AppendNamedMember(const CWizardCopaObject3* templ, int index, const char* family) {
    if (templ == nullptr) return nullptr;
    if (index >= qv::family::kMaxMembers) {
        ShowMessage(LoadLibraryString(qv::strings::kStrInvalidValue));
        return nullptr;
    }
    CWizardCopaObject3* member = qv::family::AppendMember(Holder(), templ, index);
    if (member == nullptr) return nullptr;
    CString name;
    name.Format("%s[%i]", family, index);
    member->SetName(name);
    return member;
}

bool CParamSetPage::KeepsMemberIndex(CTBEditListCtrl& list, int row, int column, const CWizardCopaObject3* member) {
    CString typed = list.GetItemText(row, column);
    const int index = GetBracketIndex(typed);
    // The member is known by its name up to the closing bracket: text after it ("INPUT[1]1")
    // would name no member that a schematic or an archive can give back, and the model text
    // knows the members by the family's name ("INPUT") alone.
    typed.TrimRight();
    const CString family = member != nullptr ? member->GetName().Left(member->GetName().Find('[')) : CString();
    const bool named = index >= 0 && index < qv::family::kMaxMembers && typed.Find(']') == typed.GetLength() - 1 &&
                       (member == nullptr || typed.Left(typed.Find('[')) == family);
    // A member the element always has (one it cannot delete) keeps its name: under another
    // name it would stand beside the member the element makes again.
    const bool kept = member == nullptr || member->IsDeletable() || typed == member->GetName();
    if (named && kept) return true;
    ShowMessage(LoadLibraryString(qv::strings::kStrInvalidValue));
    if (member != nullptr) list.SetEditItemText(row, column, member->GetName(), TB_EDIT_NAME);
    return false;
}

BOOL CParamSetPage::CommitAndEndApply(WORD familyID) {
    if (!qv::pages::RefuseBlankValueField(*this, Holder())) return FALSE;
    if (!CommitParamSet(RequestTarget(m_pWizard), m_cookie)) return FALSE;
    const CString duplicates = familyID != 0 ? ListDuplicateIndexes(Holder(), familyID) : CString();
    if (!duplicates.IsEmpty()) {
        ShowMessage(FillOneConversion(LoadLibraryString(qv::strings::kStrDuplicates), 's', 0, duplicates));
        return FALSE;
    }
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}
