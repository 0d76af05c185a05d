// Mapping modes of the recording DC: conversions both ways, the extents each mode accepts,
// and saved states.
#include "afx/dc.h"

#include <gtest/gtest.h>

namespace {

TEST(DcMapping, AnisotropicMappingConvertsBothWays) {
    CDC dc;
    EXPECT_EQ(dc.SetMapMode(MM_ANISOTROPIC), MM_TEXT);
    dc.SetWindowOrg(10, 20);
    dc.SetWindowExt(200, 100);
    dc.SetViewportOrg(50, 300);
    dc.SetViewportExt(400, -300); // x doubled, y tripled and flipped

    POINT p[3] = {{10, 20}, {110, 70}, {-40, 0}};
    dc.LPtoDP(p, 3);
    EXPECT_EQ(p[0].x, 50);
    EXPECT_EQ(p[0].y, 300);
    EXPECT_EQ(p[1].x, 250);
    EXPECT_EQ(p[1].y, 150);
    EXPECT_EQ(p[2].x, -50);
    EXPECT_EQ(p[2].y, 360);
    dc.DPtoLP(p, 3);
    EXPECT_EQ(p[1].x, 110);
    EXPECT_EQ(p[1].y, 70);
    EXPECT_EQ(p[2].x, -40);
    EXPECT_EQ(p[2].y, 0);

    // Rectangles convert corner by corner; drawing records device coordinates.
    CRect r(10, 20, 110, 70);
    dc.LPtoDP(&r);
    EXPECT_EQ(r, CRect(50, 300, 250, 150));
    dc.DPtoLP(&r);
    EXPECT_EQ(r, CRect(10, 20, 110, 70));
    POINT line[] = {{10, 20}, {110, 70}};
    dc.Polyline(line, 2);
    const auto& pts = dc.GetDisplayList().items.at(0).points;
    EXPECT_EQ(pts[1].x, 250);
    EXPECT_EQ(pts[1].y, 150);

    // Pen widths scale with the x extent.
    CPen wide(PS_SOLID, 3, 0);
    dc.SelectObject(&wide);
    dc.LineTo(0, 0);
    EXPECT_EQ(dc.GetDisplayList().items.at(1).pen.width, 6);
}

TEST(DcMapping, ZeroExtentsAreRefusedAndFixedModesIgnoreExtents) {
    CDC dc;
    dc.SetWindowExt(5, 5); // MM_TEXT: no effect
    POINT p{7, 9};
    dc.LPtoDP(&p);
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(p.y, 9);

    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(0, 10);
    dc.SetViewportExt(10, 0);
    EXPECT_EQ(dc.GetWindowExt(), CSize(1, 1));
    EXPECT_EQ(dc.GetViewportExt(), CSize(1, 1));
    POINT q{3, 4};
    dc.DPtoLP(&q); // no division by zero
    EXPECT_EQ(q.x, 3);
    EXPECT_EQ(dc.SetMapMode(99), 0);
}

TEST(DcMapping, IsotropicKeepsEqualScales) {
    CDC dc;
    dc.SetMapMode(MM_ISOTROPIC);
    dc.SetWindowExt(100, 100);
    dc.SetViewportExt(200, -400);
    EXPECT_EQ(dc.GetViewportExt(), CSize(200, -200));
    POINT p{50, 50};
    dc.LPtoDP(&p);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, -100);
}

TEST(DcMapping, MetricModesHaveYUpwards) {
    CDC dc;
    dc.SetMapMode(MM_LOMETRIC);
    POINT p{254, -254}; // 25.4 mm right and down: one inch = 96 pixels
    dc.LPtoDP(&p);
    EXPECT_EQ(p.x, 96);
    EXPECT_EQ(p.y, 96);
    // The frame of a page control, taken into logical units as pages do it.
    CRect frame(10, 10, 106, 58);
    dc.DPtoLP(&frame);
    EXPECT_EQ(frame, CRect(26, -26, 280, -153));
    SIZE s{96, 96};
    dc.DPtoLP(&s);
    EXPECT_EQ(s.cx, 254);
    EXPECT_EQ(s.cy, 254);
}

TEST(DcMapping, SaveAndRestoreBringBackToolsAndMapping) {
    CDC dc;
    EXPECT_FALSE(dc.RestoreDC(-1));
    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    int first = dc.SaveDC();
    EXPECT_EQ(first, 1);
    dc.SelectObject(&red);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetViewportExt(10, 10);
    dc.SetTextColor(RGB(1, 1, 1));
    EXPECT_EQ(dc.SaveDC(), 2);
    dc.SetViewportOrg(5, 5);
    EXPECT_TRUE(dc.RestoreDC(-1));
    EXPECT_EQ(dc.GetViewportOrg(), CPoint(0, 0));
    EXPECT_EQ(dc.GetViewportExt(), CSize(10, 10));
    EXPECT_TRUE(dc.RestoreDC(first));
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    EXPECT_EQ(dc.GetTextColor(), RGB(0, 0, 0));
    EXPECT_NE(dc.GetCurrentPen(), &red);
    EXPECT_FALSE(dc.RestoreDC(1)); // already gone
}

TEST(DcMapping, ClipIsKeptInDeviceUnitsAndIntersects) {
    CDC dc;
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetViewportExt(2, 2);
    dc.IntersectClipRect(0, 0, 50, 50);  // device 0..100
    dc.IntersectClipRect(25, 25, 100, 100); // device 50..200
    dc.LineTo(10, 10);
    const auto& it = dc.GetDisplayList().items.at(0);
    ASSERT_TRUE(it.clipped);
    EXPECT_EQ(CRect(it.clip), CRect(50, 50, 100, 100));
    CRect box;
    dc.GetClipBox(&box);
    EXPECT_EQ(box, CRect(25, 25, 50, 50));
}

} // namespace
