// Control layout of the toolkit's dialogs and pages: registered controls follow size changes.
#include "toolkit/tb_dialog.h"
#include "toolkit/tb_page.h"

#include <gtest/gtest.h>

namespace {

CRect RectOf(CWnd& w) {
    CRect r;
    w.GetWindowRect(&r);
    return r;
}

TEST(Layout, RegisteredControlsFollowTheWindowSize) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, "#32770", "", 0, CRect(0, 0, 200, 100), nullptr, 0));
    struct Child {
        WORD id;
        WORD flags;
        CRect start;
        CRect expected; // after the window grows by 100 x 50
    };
    const Child children[] = {
        {1, TB_LAYOUT_LEFT | TB_LAYOUT_TOP, CRect(10, 10, 50, 20), CRect(10, 10, 50, 20)},
        {2, TB_LAYOUT_LEFT | TB_LAYOUT_RIGHT | TB_LAYOUT_TOP, CRect(10, 30, 150, 40), CRect(10, 30, 250, 40)},
        {3, TB_LAYOUT_RIGHT | TB_LAYOUT_TOP, CRect(160, 10, 190, 20), CRect(260, 10, 290, 20)},
        {4, TB_LAYOUT_LEFT | TB_LAYOUT_RIGHT | TB_LAYOUT_TOP | TB_LAYOUT_BOTTOM, CRect(0, 50, 200, 90),
         CRect(0, 50, 300, 140)},
        {5, TB_LAYOUT_LEFT | TB_LAYOUT_BOTTOM, CRect(10, 92, 60, 98), CRect(10, 142, 60, 148)},
        {6, TB_LAYOUT_MOVE_X | TB_LAYOUT_MOVE_Y, CRect(100, 40, 120, 60), CRect(150, 60, 170, 80)},
        {7, TB_LAYOUT_LEFT | TB_LAYOUT_TOP | TB_LAYOUT_SIZE_X, CRect(20, 0, 120, 10), CRect(20, 0, 170, 10)},
        {8, 0, CRect(5, 5, 6, 6), CRect(5, 5, 6, 6)}, // not registered
    };
    std::vector<std::unique_ptr<CWnd>> wnds;
    qv::TBLayout layout;
    for (const Child& c : children) {
        wnds.push_back(std::make_unique<CWnd>());
        ASSERT_TRUE(wnds.back()->CreateEx(0, "Static", "", WS_CHILD, c.start, &parent, c.id));
        if (c.flags) layout.SetControlInfo(c.id, c.flags);
    }
    layout.SetControlInfo(99, TB_LAYOUT_LEFT); // no such control: ignored
    layout.SetControlInfo(3, TB_LAYOUT_TOP);   // registering again replaces the flags...
    layout.SetControlInfo(3, TB_LAYOUT_RIGHT | TB_LAYOUT_TOP);
    EXPECT_EQ(layout.Controls().size(), 8u);
    EXPECT_EQ(layout.GetControlInfo(3), TB_LAYOUT_RIGHT | TB_LAYOUT_TOP);
    EXPECT_EQ(layout.GetControlInfo(8), 0);

    layout.Apply(&parent, 300, 150); // before the reference is taken: nothing moves
    EXPECT_EQ(RectOf(*wnds[1]), children[1].start);

    layout.Capture(&parent);
    layout.Apply(&parent, 300, 150);
    for (size_t i = 0; i < wnds.size(); ++i) EXPECT_EQ(RectOf(*wnds[i]), children[i].expected) << "control " << i + 1;

    // Back to the first size: every control is where it started (no drift).
    layout.Apply(&parent, 200, 100);
    for (size_t i = 0; i < wnds.size(); ++i) EXPECT_EQ(RectOf(*wnds[i]), children[i].start) << "control " << i + 1;

    // Shrinking below the reference never gives a negative size.
    layout.Apply(&parent, 0, 0);
    for (auto& w : wnds) {
        EXPECT_GE(RectOf(*w).Width(), 0);
        EXPECT_GE(RectOf(*w).Height(), 0);
    }
    for (auto& w : wnds) w->DestroyWindow();
    parent.DestroyWindow();
}

} // namespace
