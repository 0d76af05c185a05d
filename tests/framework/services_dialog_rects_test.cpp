#include "framework/dialog_rects.h"

#include "toolkit/tb_draw_symbol.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogRects, ControlAreaInDialogCoordinatesShrunkByTwo) {
    CWnd dialog;
    ASSERT_TRUE(dialog.Create(nullptr, "page", WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
    CStatic frame;
    ASSERT_TRUE(frame.Create("", WS_CHILD | WS_VISIBLE, CRect(10, 20, 110, 70), &dialog, 2020));

    CRect rect(1, 1, 1, 1);
    GetDlgItemRectInDlg(&rect, 2020, &dialog);
    EXPECT_EQ(CRect(12, 22, 108, 68), rect);
    GetDlgItemRectInDlg(&rect, 2021, &dialog);
    EXPECT_TRUE(rect.IsRectEmpty());
    GetDlgItemRectInDlg(&rect, 2020, nullptr);
    EXPECT_TRUE(rect.IsRectEmpty());

    CTBDrawSymbol symbol;
    dialog.UpdateWindow();
    EXPECT_FALSE(dialog.IsInvalid());
    InvalidateDlgItemRect(nullptr, 4, 2020, &dialog);
    EXPECT_FALSE(dialog.IsInvalid());
    InvalidateDlgItemRect(&symbol, 4, 2020, &dialog);
    EXPECT_EQ(4u, symbol.GetCurMask());
    EXPECT_TRUE(dialog.IsInvalid());
    frame.DestroyWindow();
    dialog.DestroyWindow();
}

} // namespace
