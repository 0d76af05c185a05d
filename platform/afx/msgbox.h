// Message boxes. There is no user: the user script answers every box (see user_script.h),
// and every box is recorded with its text and answer.
#pragma once

#include "win32/wintypes.h"

class CWnd;

// Shows the text; returns the user's answer (IDOK, IDCANCEL, IDYES, IDNO, ...).
int AfxMessageBox(LPCTSTR lpszText, UINT nType = 0, UINT nIDHelp = 0);
// The text is the string of the resources of AfxGetResourceHandle() with the ID.
int AfxMessageBox(UINT nIDPrompt, UINT nType = 0, UINT nIDHelp = (UINT)-1);

namespace qv {
// The buttons a box of the type shows, as answer codes.
bool IsValidMessageBoxAnswer(UINT type, int answer);
// The answer of a box that is closed without a choice (Cancel, No, or OK).
int DefaultMessageBoxAnswer(UINT type);
} // namespace qv
