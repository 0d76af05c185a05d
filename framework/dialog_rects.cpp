#include "framework/dialog_rects.h"

#include "toolkit/tb_draw_symbol.h"

void GetDlgItemRectInDlg(CRect* rect, int controlID, const CWnd* dialog) {
    if (rect == nullptr) return;
    rect->SetRectEmpty();
    const CWnd* control = dialog ? dialog->GetDlgItem(controlID) : nullptr;
    if (control == nullptr) return;
    // A child's window rectangle is kept in its parent's client coordinates, and controls
    // have no frame here, so it is the client rectangle mapped into the dialog.
    control->GetWindowRect(rect);
    rect->DeflateRect(2, 2);
}

void InvalidateDlgItemRect(CTBDrawSymbol* symbol, BYTE mask, int controlID, CWnd* dialog) {
    if (symbol == nullptr) return;
    symbol->SetCurMask(mask);
    if (dialog == nullptr) return;
    CRect rect;
    GetDlgItemRectInDlg(&rect, controlID, dialog);
    dialog->InvalidateRect(&rect, TRUE);
}
