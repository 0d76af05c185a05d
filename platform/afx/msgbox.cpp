// Message boxes, answered by the user script.
#include "afx/msgbox.h"
#include "afx/user_script.h"
#include "afx/wnd.h"

namespace qv {

bool IsValidMessageBoxAnswer(UINT type, int answer)
{
    switch (type & MB_TYPEMASK) {
    case MB_OK: return answer == IDOK;
    case MB_OKCANCEL: return answer == IDOK || answer == IDCANCEL;
    case MB_ABORTRETRYIGNORE: return answer == IDABORT || answer == IDRETRY || answer == IDIGNORE;
    case MB_YESNOCANCEL: return answer == IDYES || answer == IDNO || answer == IDCANCEL;
    case MB_YESNO: return answer == IDYES || answer == IDNO;
    case MB_RETRYCANCEL: return answer == IDRETRY || answer == IDCANCEL;
    default: return answer == IDOK;
    }
}

int DefaultMessageBoxAnswer(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL: return IDCANCEL;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNO: return IDNO;
    default: return IDOK;
    }
}

} // namespace qv

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT)
{
    return qv::UserScript::Instance().AnswerMessageBox(lpszText ? lpszText : "", "", nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT)
{
    CString text;
    text.LoadString(nIDPrompt);
    return qv::UserScript::Instance().AnswerMessageBox(text.str(), "", nType);
}

int CWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType)
{
    return qv::UserScript::Instance().AnswerMessageBox(lpszText ? lpszText : "", lpszCaption ? lpszCaption : "",
                                                       nType);
}
