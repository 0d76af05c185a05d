// Paint and client DCs: what a window paints is kept as its painting.
#include "afx/afxwin.h"

#include <gtest/gtest.h>

namespace {

class PaintedWnd : public CWnd {
public:
    int paints = 0;
    void OnPaint() {
        ++paints;
        CPaintDC dc(this);
        dc.MoveTo(0, 0);
        dc.LineTo(dc.m_ps.rcPaint.right, dc.m_ps.rcPaint.bottom);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PaintedWnd, CWnd)
    ON_WM_PAINT()
END_MESSAGE_MAP()

TEST(DcPaint, PaintDcKeepsTheWindowsPictureAndValidatesIt) {
    PaintedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "Static", "", WS_CHILD, CRect(0, 0, 200, 100), nullptr, 0));
    EXPECT_EQ(qv::GetLastPainting(&wnd), nullptr);
    wnd.Invalidate();
    wnd.UpdateWindow();
    ASSERT_EQ(wnd.paints, 1);
    EXPECT_FALSE(wnd.IsInvalid());
    const qv::DisplayList* pic = qv::GetLastPainting(&wnd);
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->width, 200);
    EXPECT_EQ(pic->height, 100);
    ASSERT_EQ(pic->items.size(), 1u);
    EXPECT_EQ(pic->items[0].points[1].x, 200);

    // A client DC adds to the picture; the next paint replaces it.
    {
        CClientDC dc(&wnd);
        dc.Rectangle(1, 1, 5, 5);
    }
    EXPECT_EQ(qv::GetLastPainting(&wnd)->items.size(), 2u);
    wnd.Invalidate();
    wnd.UpdateWindow();
    EXPECT_EQ(qv::GetLastPainting(&wnd)->items.size(), 1u);

    // A destroyed window has no picture, even when a new window gets its address.
    wnd.DestroyWindow();
    EXPECT_EQ(qv::GetLastPainting(&wnd), nullptr);
    ASSERT_TRUE(wnd.CreateEx(0, "Static", "", WS_CHILD, CRect(0, 0, 10, 10), nullptr, 0));
    EXPECT_EQ(qv::GetLastPainting(&wnd), nullptr);
    wnd.DestroyWindow();
    qv::ForgetPainting(&wnd);
}

} // namespace
