#include "framework/expression_editor.h"

#include "afx/menu.h"
#include "framework/control_layout.h"
#include "framework/module.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "wizard/wizardbase.h"

#include <algorithm>

namespace {

constexpr int kExpressionEdit = 2452;
constexpr int kErrorEdit = 2457;
constexpr int kExpressionGroup = 2454;
constexpr int kErrorGroup = 2455;
constexpr int kConditionButton = 2465;  // "PARAMIF"
constexpr int kPaletteButton = 2466;    // "PARAMFX"
constexpr int kCheckButton = 2467;      // "PARAMCHECKED"
constexpr UINT kConditionMenu = 2606;
constexpr UINT kButtonBitmap = 2905;
constexpr UINT kCmdIf = 40017;
constexpr UINT kCmdElseIf = 40018;
constexpr UINT kCmdElse = 40019;
constexpr int kPaletteFrame = 3073;

constexpr qv::pages::ControlLayout kEditorLayout[] = {
    {.id = kExpressionEdit, .flags = 196}, {.id = kErrorEdit, .flags = 200},   {.id = kExpressionGroup, .flags = 196},
    {.id = kErrorGroup, .flags = 200},     {.id = kConditionButton, .flags = 6}, {.id = kPaletteButton, .flags = 6},
    {.id = kCheckButton, .flags = 6},      {.id = IDOK, .flags = 10},          {.id = IDCANCEL, .flags = 10},
    {.id = IDHELP, .flags = 10},
};

} // namespace

// ---------------------------------------------------------------------------------------
// The palette

BEGIN_MESSAGE_MAP(CDlgMathFunctions, CTBDialog)
    ON_CONTROL_RANGE(BN_CLICKED, 1170, 1202, &CDlgMathFunctions::OnFunctionButton)
END_MESSAGE_MAP()

CDlgMathFunctions::CDlgMathFunctions(CDlgExpressionEditor* owner) : CTBDialog(IDD, owner), m_pOwner(owner) {
    SetControlInfo(kPaletteFrame, 15);
    for (const MathFunctionButton& button : kMathFunctionButtons) SetControlInfo(static_cast<WORD>(button.id), 48);
}

CDlgMathFunctions::~CDlgMathFunctions() {
    if (GetSafeHwnd() != nullptr) DestroyWindow();
}

BOOL CDlgMathFunctions::CreateModeless() {
    CResourceSwitch resources;
    return CDialog::Create(IDD, m_pOwner);
}

void CDlgMathFunctions::OnFunctionButton(UINT id) {
    if (m_pOwner == nullptr) return;
    for (const MathFunctionButton& button : kMathFunctionButtons) {
        if (button.id == static_cast<int>(id)) {
            m_pOwner->InsertFunction(button.name, button.twoPlaces ? TRUE : FALSE);
            return;
        }
    }
}

void CDlgMathFunctions::OnCancel() { DestroyWindow(); }
void CDlgMathFunctions::OnOK() { DestroyWindow(); }

// ---------------------------------------------------------------------------------------
// The editor

BEGIN_MESSAGE_MAP(CDlgExpressionEditor, CTBDialog)
    ON_WM_DRAWITEM()
    ON_BN_CLICKED(kConditionButton, &CDlgExpressionEditor::OnConditionMenu)
    ON_COMMAND(kCmdIf, &CDlgExpressionEditor::OnSectionIf)
    ON_COMMAND(kCmdElseIf, &CDlgExpressionEditor::OnSectionElseIf)
    ON_COMMAND(kCmdElse, &CDlgExpressionEditor::OnSectionElse)
    ON_UPDATE_COMMAND_UI(kCmdIf, &CDlgExpressionEditor::OnUpdateSection)
    ON_UPDATE_COMMAND_UI(kCmdElseIf, &CDlgExpressionEditor::OnUpdateSection)
    ON_UPDATE_COMMAND_UI(kCmdElse, &CDlgExpressionEditor::OnUpdateSection)
    ON_BN_CLICKED(kPaletteButton, &CDlgExpressionEditor::OnPalette)
    ON_EN_SETFOCUS(kExpressionEdit, &CDlgExpressionEditor::OnSetFocusExpression)
    ON_BN_CLICKED(IDHELP, &CDlgExpressionEditor::OnHelpButton)
    ON_MESSAGE(kCloseExpressionEditorMessage, &CDlgExpressionEditor::OnCloseRequest)
END_MESSAGE_MAP()

CDlgExpressionEditor::CDlgExpressionEditor() : CTBDialog(IDD, nullptr) {
    qv::pages::RegisterLayout(*this, kEditorLayout);
}

CDlgExpressionEditor::CDlgExpressionEditor(CWizardBase4* wizard) : CDlgExpressionEditor() { m_pWizard = wizard; }

CDlgExpressionEditor::~CDlgExpressionEditor() {
    delete m_pMathFunctions;
    m_pMathFunctions = nullptr;
}

BOOL CDlgExpressionEditor::OnInitDialog() {
    CResourceSwitch resources;
    return CTBDialog::OnInitDialog();
}

void CDlgExpressionEditor::DoDataExchange(CDataExchange* pDX) {
    CTBDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kExpressionEdit, m_editExpression);
    DDX_Text(pDX, kExpressionEdit, m_strExpression);
    DDX_Text(pDX, kErrorEdit, m_strErrorText);
}

// The three picture buttons take their image from one strip of normal, pressed and disabled
// rows: position (ID - first button), plus a third of the strip when pressed, plus two thirds
// when disabled.
void CDlgExpressionEditor::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (lpDrawItemStruct == nullptr) return;
    if (nIDCtl < kConditionButton || nIDCtl > kCheckButton) {
        CTBDialog::OnDrawItem(nIDCtl, lpDrawItemStruct);
        return;
    }
    CResourceSwitch resources;
    CImageList images;
    if (!images.Create(kButtonBitmap, 16, 1, RGB(0, 0, 255))) return;
    const int count = images.GetImageCount();
    int image = nIDCtl - kConditionButton;
    if (lpDrawItemStruct->itemState & ODS_SELECTED) image += count / 3;
    else if (lpDrawItemStruct->itemState & (ODS_GRAYED | ODS_DISABLED)) image += 2 * count / 3;
    CDC* dc = CDC::FromHandle(lpDrawItemStruct->hDC);
    images.Draw(dc, image, POINT{lpDrawItemStruct->rcItem.left, lpDrawItemStruct->rcItem.top}, ILD_NORMAL);
}

void CDlgExpressionEditor::OnConditionMenu() {
    CResourceSwitch resources;
    CMenu menu;
    if (!menu.LoadMenu(kConditionMenu)) return;
    CMenu* popup = menu.GetSubMenu(0);
    CWnd* button = GetDlgItem(kConditionButton);
    if (popup == nullptr || button == nullptr) return;
    CRect rect;
    button->GetWindowRect(&rect);
    qv::UpdateMenuCommandUI(*popup, this);
    popup->TrackPopupMenu(TPM_CENTERALIGN, (rect.left + rect.right) / 2, rect.bottom, this);
}

void CDlgExpressionEditor::OnSectionIf() { AppendSection("[IF]"); }
void CDlgExpressionEditor::OnSectionElseIf() { AppendSection("[ELSE_IF]"); }
void CDlgExpressionEditor::OnSectionElse() { AppendSection("[ELSE]"); }
void CDlgExpressionEditor::OnUpdateSection(CCmdUI* pCmdUI) { pCmdUI->Enable(TRUE); }

// The section goes to the end of the expression, wherever the caret is.
void CDlgExpressionEditor::AppendSection(const char* key) {
    UpdateData(TRUE);
    CString section(key);
    if (!LoadTemplateSection(section) || section.IsEmpty()) return;
    m_strExpression += section;
    UpdateData(FALSE);
}

void CDlgExpressionEditor::OnPalette() {
    if (m_pMathFunctions == nullptr) m_pMathFunctions = new CDlgMathFunctions(this);
    if (m_pMathFunctions->GetSafeHwnd() == nullptr && !m_pMathFunctions->CreateModeless()) return;
    m_pMathFunctions->ShowWindow(SW_SHOW);
}

void CDlgExpressionEditor::InsertFunction(const char* name, BOOL twoPlaces) {
    if (name == nullptr || m_editExpression.GetSafeHwnd() == nullptr) return;
    int start = 0;
    int end = 0;
    m_editExpression.GetSel(start, end);
    const CString places = twoPlaces ? " , " : "";
    if (start == end) {
        InsertAtCaret(CString(name) + " ( " + places + " ) ");
    } else {
        CString text;
        m_editExpression.GetWindowText(text);
        const CString selected = text.Mid(start, end - start);
        m_editExpression.SetWindowText(text.Left(start) + name + " ( " + selected + places + " ) " + text.Mid(end));
        const LRESULT position = m_editExpression.SendMessage(EM_POSFROMCHAR, static_cast<WPARAM>(start), 0);
        if (position != -1) SetCaretPos(CPoint(static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))));
    }
    RestoreSelection();
}

// The caret's character is the one nearest to a point just right of the caret; after the
// insertion the caret moves behind the inserted text. The place behind the last character has
// no position, so the text is measured once with one more letter.
void CDlgExpressionEditor::InsertAtCaret(const CString& inserted) {
    const CPoint caret = GetCaretPos();
    const LRESULT hit = m_editExpression.SendMessage(EM_CHARFROMPOS, 0, MAKELPARAM(caret.x + 1, caret.y));
    CString text;
    m_editExpression.GetWindowText(text);
    const int at = std::min(static_cast<int>(LOWORD(hit)), text.GetLength());
    const CString changed = text.Left(at) + inserted + text.Mid(at);
    m_editExpression.SetWindowText(changed);
    const WPARAM behind = static_cast<WPARAM>(at + inserted.GetLength());
    LRESULT position = m_editExpression.SendMessage(EM_POSFROMCHAR, behind, 0);
    if (position == -1) {
        m_editExpression.SetWindowText(changed + "m");
        position = m_editExpression.SendMessage(EM_POSFROMCHAR, behind, 0);
        m_editExpression.SetWindowText(changed);
    }
    if (position != -1) SetCaretPos(CPoint(static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))));
}

// Gives the edit the focus with its selection; an edit whose text was just set has none, and
// then the character under the caret is taken.
void CDlgExpressionEditor::RestoreSelection() {
    if (m_editExpression.GetSafeHwnd() == nullptr) return;
    int start = 0;
    int end = 0;
    m_editExpression.GetSel(start, end);
    if (start == 0 && end == 0) {
        const CPoint caret = GetCaretPos();
        const LRESULT hit = m_editExpression.SendMessage(EM_CHARFROMPOS, 0, MAKELPARAM(caret.x, caret.y));
        start = end = static_cast<int>(LOWORD(hit));
    }
    m_editExpression.SetFocus();
    m_editExpression.SetSel(start, end);
    m_editExpression.SendMessage(EM_SCROLLCARET, 0, 0);
}

void CDlgExpressionEditor::OnSetFocusExpression() { RestoreSelection(); }

void CDlgExpressionEditor::OnHelpButton() {
    if (m_pWizard == nullptr || m_pWizard->GetCommandReceiver() == nullptr) return;
    RequestElementHelp(RequestTarget(m_pWizard));
}

LRESULT CDlgExpressionEditor::OnCloseRequest(WPARAM, LPARAM) {
    OnCancel();
    return 0;
}
