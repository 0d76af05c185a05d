// The element symbol that many pages draw into a frame control of their dialog.
#pragma once

#include "afx/afxwin.h"
#include "framework/dialog_rects.h"
#include "toolkit/tb_draw_symbol.h"

namespace qv::pages {

// Paints the symbol into the frame control `frameID` of `page`, in the logical units of the
// paint DC with a thin black pen. The drawer is made on first use, for the frame's rectangle,
// and then kept by the page (which deletes it).
inline void PaintSymbolInFrame(CWnd& page, int frameID, CTBDrawSymbol*& symbol, const CString& symbolText) {
    CPaintDC dc(&page);
    CRect rect;
    GetDlgItemRectInDlg(&rect, frameID, &page);
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    dc.DPtoLP(corners, 2);
    rect = CRect(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* oldPen = dc.SelectObject(&pen);
    if (symbol == nullptr) {
        symbol = new CTBDrawSymbol(rect);
        symbol->LoadSymbols(symbolText);
    }
    symbol->Draw(&dc, rect);
    dc.SelectObject(oldPen);
}

} // namespace qv::pages
