// Message maps, dispatch and window lifetime, on windows built in code.
#include "afx/afxwin.h"
#include "tests/afx/win_user_script_guard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class CBaseTarget : public CWnd {
public:
    std::vector<std::string> log;
    LRESULT OnRequest(WPARAM w, LPARAM) { log.push_back("base request " + std::to_string(w)); return 1; }
    void OnClickOne() { log.push_back("base click"); }
    void OnRange(UINT id) { log.push_back("base range " + std::to_string(id)); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTarget, CWnd)
    ON_MESSAGE(WM_USER + 1, &CBaseTarget::OnRequest)
    ON_BN_CLICKED(100, &CBaseTarget::OnClickOne)
    ON_CONTROL_RANGE(BN_CLICKED, 200, 209, &CBaseTarget::OnRange)
END_MESSAGE_MAP()

class CDerivedTarget : public CBaseTarget {
public:
    BOOL declineNotify = TRUE;
    LRESULT OnRequest2(WPARAM w, LPARAM l) { log.push_back("derived request " + std::to_string(w + l)); return 2; }
    void OnChange() { log.push_back("derived change"); }
    BOOL OnNotifyEx(UINT id, NMHDR*, LRESULT* result)
    {
        log.push_back("derived notify ex " + std::to_string(id));
        *result = 5;
        return !declineNotify;
    }
    void OnNotifyRange(UINT id, NMHDR* hdr, LRESULT* result)
    {
        log.push_back("range notify " + std::to_string(id) + " " + std::to_string(hdr->idFrom));
        *result = 7;
    }
    void OnPaint()
    {
        log.push_back("paint");
        CWnd::OnPaint();
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
    ON_MESSAGE(WM_USER + 1, &CDerivedTarget::OnRequest2)
    ON_EN_CHANGE(300, &CDerivedTarget::OnChange)
    ON_NOTIFY_EX(NM_CLICK, 400, &CDerivedTarget::OnNotifyEx)
    ON_NOTIFY_RANGE(NM_CLICK, 400, 410, &CDerivedTarget::OnNotifyRange)
    ON_WM_PAINT()
END_MESSAGE_MAP()

// A control that handles its own clicks before its parent sees them.
class CReflectingButton : public CButton {
public:
    int own = 0;
    BOOL passOn = FALSE;
    BOOL OnReflectedClick()
    {
        ++own;
        return !passOn;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingButton, CButton)
    ON_CONTROL_REFLECT_EX(BN_CLICKED, &CReflectingButton::OnReflectedClick)
END_MESSAGE_MAP()

class CDestroyLogger : public CWnd {
public:
    std::vector<std::string>* log = nullptr;
    std::string name;
    void OnDestroy() { log->push_back(name); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDestroyLogger, CWnd)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

class MessageMaps : public ::testing::Test {
protected:
    qv::test::UserScriptGuard guard;
};

TEST_F(MessageMaps, CommandReceiverAnswersThroughTheMostDerivedEntry)
{
    CDerivedTarget target;
    ASSERT_TRUE(target.CreateMessageWindow());
    HWND h = target.GetSafeHwnd();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(CWnd::FromHandle(h), &target);
    EXPECT_EQ(target.GetParent(), nullptr);

    EXPECT_EQ(SendMessageA(h, WM_USER + 1, 3, 4), 2);
    // Entries of the base class still work for what the derived class does not handle.
    target.SendMessage(WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), 0);
    target.SendMessage(WM_COMMAND, MAKEWPARAM(209, BN_CLICKED), 0);
    target.SendMessage(WM_COMMAND, MAKEWPARAM(210, BN_CLICKED), 0); // outside the range
    target.SendMessage(WM_COMMAND, MAKEWPARAM(100, EN_CHANGE), 0);  // other code, same ID
    EXPECT_EQ(target.log, (std::vector<std::string>{"derived request 7", "base click", "base range 209"}));

    target.DestroyWindow();
    EXPECT_EQ(target.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(CWnd::FromHandle(h), nullptr);
    EXPECT_EQ(SendMessageA(h, WM_USER + 1, 0, 0), 0);
}

TEST_F(MessageMaps, NotifyExDeclinesToTheNextEntryAndReturnsItsResult)
{
    CDerivedTarget target;
    ASSERT_TRUE(target.CreateMessageWindow());
    NMHDR hdr{nullptr, 401, NM_CLICK};
    EXPECT_EQ(target.SendMessage(WM_NOTIFY, 401, reinterpret_cast<LPARAM>(&hdr)), 7);
    EXPECT_EQ(target.log, (std::vector<std::string>{"range notify 401 401"}));

    target.log.clear();
    hdr.idFrom = 400;
    EXPECT_EQ(target.SendMessage(WM_NOTIFY, 400, reinterpret_cast<LPARAM>(&hdr)), 7);
    EXPECT_EQ(target.log, (std::vector<std::string>{"derived notify ex 400", "range notify 400 400"}));

    target.log.clear();
    target.declineNotify = FALSE;
    EXPECT_EQ(target.SendMessage(WM_NOTIFY, 400, reinterpret_cast<LPARAM>(&hdr)), 5);
    EXPECT_EQ(target.log, (std::vector<std::string>{"derived notify ex 400"}));
}

TEST_F(MessageMaps, ReflectedNotificationsReachTheControlFirst)
{
    CDerivedTarget parent;
    ASSERT_TRUE(parent.CreateMessageWindow());
    CReflectingButton button;
    ASSERT_TRUE(button.Create("OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(0, 0, 50, 20), &parent, 100));
    ASSERT_TRUE(qv::ui::Click(&button));
    EXPECT_EQ(button.own, 1);
    EXPECT_TRUE(parent.log.empty());

    button.passOn = TRUE;
    ASSERT_TRUE(qv::ui::Click(&button));
    EXPECT_EQ(button.own, 2);
    EXPECT_EQ(parent.log, (std::vector<std::string>{"base click"}));
}

TEST_F(MessageMaps, UpdateWindowPaintsOnlyWhenInvalid)
{
    CDerivedTarget target;
    ASSERT_TRUE(target.CreateMessageWindow());
    target.UpdateWindow(); // a new window is invalid
    target.UpdateWindow();
    target.Invalidate();
    target.SetRedraw(FALSE);
    target.UpdateWindow(); // redraw switched off: nothing
    target.SetRedraw(TRUE);
    target.UpdateWindow();
    EXPECT_EQ(target.log, (std::vector<std::string>{"paint", "paint"}));
    EXPECT_FALSE(target.IsInvalid());
}

TEST_F(MessageMaps, DestroyingAParentDestroysItsChildrenAfterIt)
{
    std::vector<std::string> log;
    CDestroyLogger parent;
    parent.log = &log;
    parent.name = "parent";
    ASSERT_TRUE(parent.CreateMessageWindow());
    CDestroyLogger child;
    child.log = &log;
    child.name = "child";
    ASSERT_TRUE(child.Create("Static", "", WS_CHILD, CRect(0, 0, 1, 1), &parent, 5));
    EXPECT_EQ(parent.GetDlgItem(5), &child);
    EXPECT_EQ(child.GetParent(), &parent);
    HWND childHandle = child.GetSafeHwnd();

    parent.DestroyWindow();
    EXPECT_EQ(log, (std::vector<std::string>{"parent", "child"}));
    EXPECT_EQ(child.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(IsWindow(childHandle));
    // Operations on an object without a window are harmless.
    child.SetWindowText("x");
    EXPECT_EQ(child.GetWindowTextLength(), 0);
    EXPECT_FALSE(child.IsWindowEnabled());
}

// Destroys its parent while it is being destroyed itself.
class CParentKiller : public CWnd {
public:
    CWnd* victim = nullptr;
    void OnDestroy()
    {
        if (victim)
            victim->DestroyWindow();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentKiller, CWnd)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

TEST_F(MessageMaps, AChildThatDestroysItsParentFromItsOwnDestructionIsSafe)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateMessageWindow());
    CParentKiller child;
    ASSERT_TRUE(child.Create("Static", "", WS_CHILD, CRect(0, 0, 1, 1), &parent, 1));
    CEdit sibling;
    ASSERT_TRUE(sibling.Create(WS_CHILD, CRect(0, 0, 1, 1), &parent, 2));
    child.victim = &parent;
    child.DestroyWindow();
    EXPECT_EQ(parent.GetSafeHwnd(), nullptr);
    EXPECT_EQ(child.GetSafeHwnd(), nullptr);
    EXPECT_EQ(sibling.GetSafeHwnd(), nullptr);
}

TEST_F(MessageMaps, AMemberControlDestroyedFirstLeavesItsParent)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateMessageWindow());
    {
        CEdit edit;
        ASSERT_TRUE(edit.Create(WS_CHILD, CRect(0, 0, 10, 10), &parent, 7));
        EXPECT_NE(parent.GetDlgItem(7), nullptr);
    }
    EXPECT_EQ(parent.GetDlgItem(7), nullptr);
    EXPECT_EQ(parent.GetWindow(GW_CHILD), nullptr);
}

// A control ID names the first child made with it that is still there, whatever came and
// went before: 40 children (more than a small dialog holds), some sharing IDs.
TEST_F(MessageMaps, ControlIdsNameTheFirstLiveChildMadeWithThem)
{
    struct Case {
        const char* what;
        int destroy;      // index of a child to destroy first, -1: none
        int renumber;     // index of a child to give ID 999, -1: none
        int moveAway;     // index of a child to move to another parent, -1: none
        int id;           // the ID looked up
        int expected;     // index of the child found, -1: none
    };
    const Case cases[] = {
        {"unique ID", -1, -1, -1, 17, 17},
        {"shared ID: the first made", -1, -1, -1, 1000, 30},
        {"the first destroyed: the next", 30, -1, -1, 1000, 31},
        {"a later one destroyed: still the first", 33, -1, -1, 1000, 30},
        {"renumbered: found by its new ID", -1, 5, -1, 999, 5},
        {"renumbered: gone from its old ID", -1, 5, -1, 5, -1},
        {"first renumbered: the next under the old ID", -1, 30, -1, 1000, 31},
        {"moved to another parent", -1, -1, 12, 12, -1},
        {"an ID no child has", -1, -1, -1, 4242, -1},
    };
    for (const Case& c : cases) {
        CWnd parent, other;
        ASSERT_TRUE(parent.CreateMessageWindow());
        ASSERT_TRUE(other.CreateMessageWindow());
        std::vector<std::unique_ptr<CEdit>> children;
        for (int i = 0; i < 40; ++i) {
            children.push_back(std::make_unique<CEdit>());
            const UINT id = i < 30 ? static_cast<UINT>(i) : 1000u;
            ASSERT_TRUE(children.back()->Create(WS_CHILD, CRect(0, 0, 1, 1), &parent, id));
        }
        EXPECT_EQ(parent.GetDlgItem(0), children[0].get()) << c.what;   // the index is in use
        if (c.destroy >= 0)
            children[static_cast<size_t>(c.destroy)]->DestroyWindow();
        if (c.renumber >= 0)
            children[static_cast<size_t>(c.renumber)]->SetDlgCtrlID(999);
        if (c.moveAway >= 0)
            children[static_cast<size_t>(c.moveAway)]->SetParent(&other);
        CWnd* expected = c.expected < 0 ? nullptr : children[static_cast<size_t>(c.expected)].get();
        EXPECT_EQ(parent.GetDlgItem(c.id), expected) << c.what;
    }
}

TEST_F(MessageMaps, DlgItemTextAndIntegersRoundTripAndRejectJunk)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateMessageWindow());
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD, CRect(0, 0, 10, 10), &parent, 7));

    parent.SetDlgItemInt(7, static_cast<UINT>(-42));
    CString text;
    parent.GetDlgItemText(7, text);
    EXPECT_STREQ(text, "-42");
    BOOL ok = FALSE;
    EXPECT_EQ(static_cast<int>(parent.GetDlgItemInt(7, &ok)), -42);
    EXPECT_TRUE(ok);

    for (const char* bad : {"", "12x", "4294967296", "-", "1 2"}) {
        parent.SetDlgItemText(7, bad);
        ok = TRUE;
        EXPECT_EQ(parent.GetDlgItemInt(7, &ok), 0u) << bad;
        EXPECT_FALSE(ok) << bad;
    }
    parent.SetDlgItemText(7, "  17 ");
    EXPECT_EQ(parent.GetDlgItemInt(7, &ok, FALSE), 17u);
    EXPECT_TRUE(ok);
    parent.SetDlgItemText(7, "-1");
    EXPECT_EQ(parent.GetDlgItemInt(7, &ok, FALSE), 0u);
    EXPECT_FALSE(ok);

    // Missing controls give nothing and change nothing.
    parent.SetDlgItemText(99, "ignored");
    EXPECT_EQ(parent.GetDlgItemText(99, text), 0);
    EXPECT_EQ(parent.GetDlgItemInt(99, &ok), 0u);
    EXPECT_FALSE(ok);
}

TEST_F(MessageMaps, EnableShowAndStyleFlags)
{
    CWnd parent;
    ASSERT_TRUE(parent.Create("#32770", "", WS_POPUP, CRect(0, 0, 100, 100), nullptr, 0));
    CButton button;
    ASSERT_TRUE(button.Create("B", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, CRect(1, 2, 31, 22), &parent, 3));
    EXPECT_FALSE(button.IsWindowVisible()); // the parent is hidden
    parent.ShowWindow(SW_SHOW);
    EXPECT_TRUE(button.IsWindowVisible());
    EXPECT_FALSE(button.ShowWindow(SW_HIDE) == FALSE); // it was visible
    EXPECT_FALSE(button.IsWindowVisible());

    EXPECT_FALSE(button.EnableWindow(FALSE)); // it was enabled
    EXPECT_FALSE(button.IsWindowEnabled());
    EXPECT_TRUE(button.GetStyle() & WS_DISABLED);
    EXPECT_TRUE(button.EnableWindow(TRUE));

    EXPECT_TRUE(button.ModifyStyle(0, WS_TABSTOP));
    EXPECT_FALSE(button.ModifyStyle(0, WS_TABSTOP)); // no change

    CRect r;
    button.GetWindowRect(&r);
    parent.ScreenToClient(&r);
    EXPECT_EQ(r, CRect(1, 2, 31, 22));
    button.GetClientRect(&r);
    EXPECT_EQ(r, CRect(0, 0, 30, 20));
    EXPECT_STREQ(button.GetClassName(), "Button");
}

class CFocusParent : public CWnd {
public:
    std::vector<std::string> log;
    void OnSet() { log.push_back("edit set"); }
    void OnKill() { log.push_back("edit kill"); }
    void OnComboSet() { log.push_back("combo set"); }
    void OnComboKill() { log.push_back("combo kill"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFocusParent, CWnd)
    ON_EN_SETFOCUS(1, &CFocusParent::OnSet)
    ON_EN_KILLFOCUS(1, &CFocusParent::OnKill)
    ON_CBN_SETFOCUS(2, &CFocusParent::OnComboSet)
    ON_CBN_KILLFOCUS(2, &CFocusParent::OnComboKill)
END_MESSAGE_MAP()

TEST_F(MessageMaps, FocusFromCodeIsSilentButUserFocusMovesNotify)
{
    CFocusParent parent;
    ASSERT_TRUE(parent.CreateMessageWindow());
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD, CRect(0, 0, 10, 10), &parent, 1));
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 10, 10), &parent, 2));

    edit.SetFocus();
    EXPECT_EQ(CWnd::GetFocus(), &edit);
    combo.SetFocus();
    EXPECT_TRUE(parent.log.empty());

    ASSERT_TRUE(qv::ui::SetFocusTo(&edit));
    ASSERT_TRUE(qv::ui::SetFocusTo(&edit)); // already there: nothing
    ASSERT_TRUE(qv::ui::SetFocusTo(&combo));
    EXPECT_EQ(parent.log, (std::vector<std::string>{"combo kill", "edit set", "edit kill", "combo set"}));
    edit.DestroyWindow();
    combo.DestroyWindow();
    EXPECT_EQ(CWnd::GetFocus(), nullptr);
}

} // namespace
