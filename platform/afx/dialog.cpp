// Dialogs made from the templates of the resource script.
#include "afx/dialog.h"
#include "afx/module_state.h"
#include "afx/user_script.h"
#include "afx/wnd_core.h"
#include "win32/resources.h"

#include <cstdlib>
#include <functional>
#include <string>

namespace qv {

UINT TemplateIdFromName(LPCTSTR lpszTemplateName)
{
    if (!lpszTemplateName)
        return 0;
    if (IS_INTRESOURCE(lpszTemplateName))
        return static_cast<UINT>(reinterpret_cast<UINT_PTR>(lpszTemplateName));
    char* end = nullptr;
    const unsigned long id = std::strtoul(lpszTemplateName, &end, 10);
    return (end != lpszTemplateName && *end == 0 && id <= 0xFFFF) ? static_cast<UINT>(id) : 0;
}

const RcDialog* FindDialogTemplate(UINT nIDTemplate, HINSTANCE resourceModule)
{
    const ResourceScript* rs = GetModuleResources(resourceModule ? resourceModule : AfxGetResourceHandle());
    if (!rs)
        return nullptr;
    auto it = rs->dialogs.find(static_cast<int>(nIDTemplate));
    return it != rs->dialogs.end() ? &it->second : nullptr;
}

namespace {

RECT TemplateRect(int x, int y, int cx, int cy)
{
    const int left = DialogUnitsToPixelsX(x);
    const int top = DialogUnitsToPixelsY(y);
    return RECT{left, top, left + DialogUnitsToPixelsX(cx), top + DialogUnitsToPixelsY(cy)};
}

void CreateControls(WindowCore* dialog, const RcDialog& tmpl)
{
    WindowCore* previous = nullptr;
    dialog->children.reserve(tmpl.controls.size());
    for (const RcControl& c : tmpl.controls) {
        const WindowKind kind = KindFromClassName(c.windowClass);
        CWnd* object = MakeControlObject(c.windowClass, c.style, kind);
        WindowCore* core = CreateCore(object, true, c.windowClass, kind, c.text, c.style, c.exStyle,
                                      TemplateRect(c.x, c.y, c.cx, c.cy), dialog, c.id);
        if (core->kind == WindowKind::ComboBox || core->kind == WindowKind::ListBox) {
            // Adding sorts the items into place when the control's style asks for it.
            const UINT message = core->kind == WindowKind::ComboBox ? CB_ADDSTRING : LB_ADDSTRING;
            core->entries.reserve(c.items.size());
            for (const std::string& item : c.items)
                SendMessageA(core->hwnd, message, 0, reinterpret_cast<LPARAM>(item.c_str()));
            // A combo box's caption is not its text; a drop-down starts empty.
            core->text.clear();
        }
        if (core->kind == WindowKind::UpDown && (c.style & UDS_AUTOBUDDY) && previous)
            core->buddy = previous->hwnd;
        object->PreSubclassWindow();
        previous = core;
    }
}

} // namespace
} // namespace qv

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
    m_nIDHelp = nIDTemplate;
}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
    : m_nIDTemplate(qv::TemplateIdFromName(lpszTemplateName)), m_pParentWnd(pParentWnd)
{
    m_nIDHelp = m_nIDTemplate;
}

CDialog::~CDialog()
{
    // Destroy while this is still a dialog, so a WM_DESTROY handler of the class runs.
    if (m_hWnd && Core() && Core()->object == this)
        DestroyWindow();
}

BOOL CDialog::CreateFromTemplate(UINT nIDTemplate, CWnd* pParentWnd, bool visible, bool child,
                                 HINSTANCE resourceModule)
{
    if (m_hWnd)
        return FALSE;
    const qv::RcDialog* found = qv::FindDialogTemplate(nIDTemplate, resourceModule);
    if (!found)
        return FALSE;
    const qv::RcDialog& tmpl = *found;
    qv::WindowCore* parent = pParentWnd ? pParentWnd->Core() : nullptr;
    DWORD style = tmpl.style;
    if (visible)
        style |= WS_VISIBLE;
    if (child) {
        // A page inside a sheet: a visible child at the sheet's origin, enabled by the sheet.
        style = (style & ~static_cast<DWORD>(WS_POPUP | WS_DISABLED)) | WS_CHILD;
    }
    RECT rect = qv::TemplateRect(child ? 0 : tmpl.x, child ? 0 : tmpl.y, tmpl.cx, tmpl.cy);
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    m_bEnded = FALSE;
    m_nModalResult = -1;
    qv::WindowCore* core =
        qv::CreateCore(this, false, "#32770", tmpl.caption, style, tmpl.exStyle, rect, parent, 0);
    qv::CreateControls(core, tmpl);
    PreSubclassWindow();
    const LRESULT focusDefault = SendMessage(WM_INITDIALOG, 0, 0);
    // The dialog may have been destroyed by its own initialisation.
    if (!m_hWnd)
        return FALSE;
    // The first control takes the focus, as the dialog manager does for a dialog on screen.
    if (focusDefault && !m_bEnded && IsWindowVisible()) {
        for (qv::WindowCore* c : Core()->children)
            if ((c->style & WS_TABSTOP) && (c->style & WS_VISIBLE) && !(c->style & WS_DISABLED)) {
                qv::SetFocusCore(c);
                break;
            }
    }
    return TRUE;
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    return Create(qv::TemplateIdFromName(lpszTemplateName), pParentWnd);
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    m_bModal = FALSE;
    return CreateFromTemplate(nIDTemplate, pParentWnd ? pParentWnd : m_pParentWnd, false, false);
}

INT_PTR CDialog::DoModal()
{
    const qv::RcDialog* tmpl = qv::FindDialogTemplate(m_nIDTemplate);
    const std::string caption = tmpl ? tmpl->caption : std::string();
    qv::UserScript& script = qv::UserScript::Instance();
    qv::ShownInteraction shown{qv::InteractionKind::Dialog, caption, std::string(), 0, m_nIDTemplate, IDCANCEL, {}, {}, {}, 0};
    const size_t record = script.Record(shown);
    std::function<void(CDialog&)> actions;
    int endCode = IDCANCEL;
    if (!script.TakeDialog(m_nIDTemplate, caption, actions, endCode))
        return IDCANCEL;
    m_bModal = TRUE;
    if (!CreateFromTemplate(m_nIDTemplate, m_pParentWnd, true, false)) {
        m_bModal = FALSE;
        script.SetAnswer(record, -1);
        return -1;
    }
    if (!m_bEnded && m_hWnd && actions)
        actions(*this);
    if (!m_bEnded && m_hWnd && endCode != 0)
        qv::ui::Close(this, endCode);
    if (!m_bEnded) {
        if (m_hWnd)
            script.ReportFailure("dialog " + std::to_string(m_nIDTemplate) + " stayed open after the user script");
        m_nModalResult = IDCANCEL;
    }
    const int result = m_nModalResult;
    DestroyWindow();
    m_bModal = FALSE;
    m_bEnded = FALSE;
    script.SetAnswer(record, result);
    return result;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    if (m_bModal)
        m_bEnded = TRUE;
    else
        ShowWindow(SW_HIDE);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

BOOL CDialog::OnInitDialog()
{
    // The controls were filled from the template; the members take their values now.
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    if (pWndCtrl)
        pWndCtrl->SetFocus();
}

namespace {

// Gives the focus to the next (forward) or previous child of the dialog that is an enabled tab
// stop, wrapping round. With the focus on no child, the search starts at the first child
// (forward) or the last.
void StepFocus(qv::WindowCore* core, bool forward)
{
    if (!core || core->children.empty())
        return;
    const auto& c = core->children;
    const size_t n = c.size();
    qv::WindowCore* focus = qv::FocusCore();
    size_t from = forward ? n - 1 : 0;
    for (size_t i = 0; i < n; ++i)
        if (c[i] == focus)
            from = i;
    for (size_t k = 1; k <= n; ++k) {
        qv::WindowCore* candidate = c[forward ? (from + k) % n : (from + n - k) % n];
        if ((candidate->style & WS_TABSTOP) && !(candidate->style & WS_DISABLED)) {
            qv::SetFocusCore(candidate);
            return;
        }
    }
}

} // namespace

void CDialog::NextDlgCtrl() const { StepFocus(Core(), true); }

void CDialog::PrevDlgCtrl() const { StepFocus(Core(), false); }
