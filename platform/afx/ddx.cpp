// Dialog data exchange.
#include "afx/ddx.h"
#include "afx/msgbox.h"
#include "afx/user_script.h"
#include "afx/wnd_core.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

IMPLEMENT_DYNAMIC(CUserException, CException)

void AfxThrowUserException() { throw new CUserException; }

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    if (!m_hWnd)
        return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (CUserException* e) {
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{
}

namespace {

// The dialog's control of the ID, made the exchange's last control (an edit or not); a missing
// one stops the exchange. The exchange sends its messages straight to the control's record,
// which is where SendMessageA would deliver them: a page exchanges hundreds of values.
// Stops the exchange for a control the dialog does not have. A program error rather than a
// user's: it is reported where tests see it. Kept apart from PrepareControl, which runs for
// every value a page exchanges, so that its texts cost nothing there.
[[gnu::noinline, gnu::cold]] void FailMissingControl(CDataExchange* pDX, int nIDC)
{
    qv::UserScript::Instance().ReportFailure("data exchange: the dialog has no control " + std::to_string(nIDC));
    pDX->Fail();
}

qv::WindowCore* PrepareControl(CDataExchange* pDX, int nIDC, bool edit)
{
    qv::WindowCore* dialog = pDX->m_pDlgWnd ? pDX->m_pDlgWnd->Core() : nullptr;
    qv::WindowCore* control = dialog ? dialog->Child(nIDC) : nullptr;
    if (!control)
        FailMissingControl(pDX, nIDC); // throws
    pDX->m_hWndLastControl = control->hwnd;
    pDX->m_bEditLastControl = edit ? TRUE : FALSE;
    return control;
}

} // namespace

HWND CDataExchange::PrepareCtrl(int nIDC) { return PrepareControl(this, nIDC, false)->hwnd; }

HWND CDataExchange::PrepareEditCtrl(int nIDC) { return PrepareControl(this, nIDC, true)->hwnd; }

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_hWndLastControl) {
        // The user is taken back to the field in error, its text selected.
        if (CWnd* control = CWnd::FromHandle(m_hWndLastControl)) {
            control->SetFocus();
            if (m_bEditLastControl)
                control->SendMessage(EM_SETSEL, 0, -1);
        }
    }
    AfxThrowUserException();
}

namespace {

// The control's text, asked for as GetWindowText asks: its length, then the text. A control
// whose messages go to the default processing gives that processing's text at once.
CString ControlText(qv::WindowCore* control)
{
    if (control->HasPlainObject())
        return CString(std::string_view(qv::DefaultWindowText(control)));
    const int length = static_cast<int>(control->HandleMessage(WM_GETTEXTLENGTH, 0, 0));
    CString text;
    char* buffer = text.GetBufferSetLength(length + 1);
    buffer[0] = 0;
    const LRESULT n = control->HandleMessage(WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(buffer));
    text.ReleaseBuffer(static_cast<int>(n));
    return text;
}

void SetControlText(qv::WindowCore* control, const std::string& text) { qv::SendSetText(control, text.c_str()); }

// The text without leading and trailing blanks.
std::string Trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

// A decimal integer with an optional sign; false for anything else or out of [lo, hi].
bool ParseInteger(const std::string& text, long long lo, long long hi, long long& out)
{
    const std::string t = Trimmed(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    if (i == t.size())
        return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            return false;
        v = v * 10 + (t[i] - '0');
        if (v > 0xFFFFFFFFLL)
            return false;
    }
    if (negative)
        v = -v;
    if (v < lo || v > hi)
        return false;
    out = v;
    return true;
}

// A decimal floating-point number in the "C" locale: digits, one point, an exponent. No
// hexadecimal, no "inf"/"nan", no decimal comma; the value must be finite.
bool ParseReal(const std::string& text, double& out)
{
    const std::string t = Trimmed(text);
    if (t.empty())
        return false;
    for (char c : t)
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-'))
            return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

// printf-style formatting of one double in the "C" locale, whatever the process locale.
std::string FormatReal(const char* format, double v)
{
    CString s;
    s.Format(format, v);
    return s.str();
}

void FailWith(CDataExchange* pDX, const char* message)
{
    AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail();
}

constexpr const char* kParseInt = "Please enter an integer.";
constexpr const char* kParseUInt = "Please enter a positive integer.";
constexpr const char* kParseReal = "Please enter a number.";

template <typename T>
void ExchangeInteger(CDataExchange* pDX, int nIDC, T& value, long long lo, long long hi, const char* message)
{
    qv::WindowCore* control = PrepareControl(pDX, nIDC, true);
    if (pDX->m_bSaveAndValidate) {
        long long v = 0;
        if (!ParseInteger(ControlText(control).str(), lo, hi, v))
            FailWith(pDX, message);
        value = static_cast<T>(v);
    } else {
        SetControlText(control, std::to_string(value));
    }
}

// The buttons of the group that starts at the control (up to the next WS_GROUP).
std::vector<qv::WindowCore*> RadioGroup(HWND first)
{
    std::vector<qv::WindowCore*> group;
    qv::WindowCore* core = qv::CoreFromHandle(first);
    if (!core || !core->parent)
        return group;
    const auto& c = core->parent->children;
    auto it = std::find(c.begin(), c.end(), core);
    for (; it != c.end(); ++it) {
        if (it != c.end() && *it != core && ((*it)->style & WS_GROUP))
            break;
        const UINT type = (*it)->style & BS_TYPEMASK;
        if ((*it)->kind == qv::WindowKind::Button && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON))
            group.push_back(*it);
    }
    return group;
}

} // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    qv::WindowCore* control = PrepareControl(pDX, nIDC, true);
    if (pDX->m_bSaveAndValidate)
        value = ControlText(control);
    else
        SetControlText(control, value.str());
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) { ExchangeInteger(pDX, nIDC, value, INT_MIN, INT_MAX, kParseInt); }
void DDX_Text(CDataExchange* pDX, int nIDC, long& value)
{
    // long is 64 bits here but 32 bits in the system's data: keep the 32-bit range.
    ExchangeInteger(pDX, nIDC, value, INT_MIN, INT_MAX, kParseInt);
}
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) { ExchangeInteger(pDX, nIDC, value, 0, UINT_MAX, kParseUInt); }

void DDX_Text(CDataExchange* pDX, int nIDC, double& value)
{
    qv::WindowCore* control = PrepareControl(pDX, nIDC, true);
    if (pDX->m_bSaveAndValidate) {
        double v = 0;
        if (!ParseReal(ControlText(control).str(), v))
            FailWith(pDX, kParseReal);
        value = v;
    } else {
        SetControlText(control, FormatReal("%.15g", value));
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, float& value)
{
    qv::WindowCore* control = PrepareControl(pDX, nIDC, true);
    if (pDX->m_bSaveAndValidate) {
        double v = 0;
        if (!ParseReal(ControlText(control).str(), v) || std::fabs(v) > 3.402823466e38)
            FailWith(pDX, kParseReal);
        value = static_cast<float>(v);
    } else {
        SetControlText(control, FormatReal("%.6g", static_cast<double>(value)));
    }
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    qv::WindowCore* control = PrepareControl(pDX, nIDC, false);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(qv::SendGetCheck(control));
    else
        qv::SendSetCheck(control, static_cast<WPARAM>(value < 0 || value > 2 ? 0 : value));
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    const std::vector<qv::WindowCore*> group = RadioGroup(hWnd);
    if (pDX->m_bSaveAndValidate) {
        value = -1;
        for (size_t i = 0; i < group.size(); ++i)
            if (group[i]->check == BST_CHECKED) {
                value = static_cast<int>(i);
                break;
            }
    } else {
        for (size_t i = 0; i < group.size(); ++i)
            SendMessageA(group[i]->hwnd, BM_SETCHECK, static_cast<int>(i) == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    qv::WindowCore* control = PrepareControl(pDX, nIDC, false);
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(control->HandleMessage(CB_GETCURSEL, 0, 0));
    else
        control->HandleMessage(CB_SETCURSEL, static_cast<WPARAM>(static_cast<INT_PTR>(index)), 0);
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value)
{
    qv::WindowCore* control = PrepareControl(pDX, nIDC, false);
    if (pDX->m_bSaveAndValidate) {
        value = ControlText(control);
    } else if (control->HandleMessage( CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>((LPCTSTR)value)) ==
               CB_ERR) {
        // No entry starts with the text: a drop-down shows it as typed; a list ignores it.
        SetControlText(control, value.str());
    }
}

void DDX_CBStringExact(CDataExchange* pDX, int nIDC, CString& value)
{
    qv::WindowCore* control = PrepareControl(pDX, nIDC, false);
    if (pDX->m_bSaveAndValidate) {
        value = ControlText(control);
        return;
    }
    const LRESULT i = control->HandleMessage( CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>((LPCTSTR)value));
    if (i == CB_ERR)
        SetControlText(control, value.str());
    else
        control->HandleMessage( CB_SETCURSEL, static_cast<WPARAM>(i), 0);
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(SendMessageA(hWnd, LB_GETCURSEL, 0, 0));
    else
        SendMessageA(hWnd, LB_SETCURSEL, static_cast<WPARAM>(static_cast<INT_PTR>(index)), 0);
}

void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        const LRESULT i = SendMessageA(hWnd, LB_GETCURSEL, 0, 0);
        value.Empty();
        if (i != LB_ERR) {
            const LRESULT n = SendMessageA(hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
            std::string buffer(static_cast<size_t>(n) + 1, '\0');
            SendMessageA(hWnd, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
            value = CString(buffer.c_str());
        }
    } else {
        SendMessageA(hWnd, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>((LPCTSTR)value));
    }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    rControl.SubclassWindow(hWnd);
}
