// The drawing area of a dialog control, for pages that draw an element symbol into a frame.
#pragma once

#include "afx/afxwin.h"

class CTBDrawSymbol;

// The control's client rectangle in the dialog's client coordinates, shrunk by 2 pixels on
// every side. An empty rectangle when the dialog or the control does not exist.
void GetDlgItemRectInDlg(CRect* rect, int controlID, const CWnd* dialog);

// Selects the symbol variant (mask) and invalidates the control's drawing area with
// erasing; nothing without a symbol object.
void InvalidateDlgItemRect(CTBDrawSymbol* symbol, BYTE mask, int controlID, CWnd* dialog);
