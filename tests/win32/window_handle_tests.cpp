#include "win32/window_handle.h"
#include "win32/winuser.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

class Recorder : public qv::MessageTarget {
public:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        last = message;
        lastW = wParam;
        lastL = lParam;
        ++calls;
        if (message == WM_CLOSE && self) {
            qv::DestroyWindowHandle(self); // a target may destroy its own handle while it answers
            self = nullptr;
        }
        return answer;
    }
    UINT last = 0;
    WPARAM lastW = 0;
    LPARAM lastL = 0;
    int calls = 0;
    LRESULT answer = 77;
    HWND self = nullptr;
};

TEST(WindowHandles, MessagesReachLiveTargetsOnly)
{
    Recorder target;
    HWND hwnd = qv::CreateWindowHandle(&target);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(qv::TargetFromHandle(hwnd), &target);
    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), -5), 77);
    EXPECT_EQ(target.last, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(LOWORD(target.lastW), 1001);
    EXPECT_EQ(target.lastL, -5);

    qv::DestroyWindowHandle(hwnd);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, 0, 0), 0);
    EXPECT_EQ(target.calls, 1);
    qv::DestroyWindowHandle(hwnd); // twice is harmless

    EXPECT_FALSE(IsWindow(nullptr));
    EXPECT_EQ(SendMessageA(nullptr, WM_COMMAND, 0, 0), 0);
    EXPECT_EQ(qv::CreateWindowHandle(nullptr), nullptr);
}

TEST(WindowHandles, StaleHandlesAreNeverReused)
{
    Recorder old;
    HWND stale = qv::CreateWindowHandle(&old);
    qv::DestroyWindowHandle(stale);
    std::set<HWND> seen{stale};
    Recorder fresh;
    for (int i = 0; i < 1000; ++i) {
        HWND h = qv::CreateWindowHandle(&fresh);
        EXPECT_TRUE(seen.insert(h).second);
        qv::DestroyWindowHandle(h);
    }
    HWND live = qv::CreateWindowHandle(&fresh);
    EXPECT_EQ(SendMessageA(stale, WM_SETTEXT, 0, 0), 0);
    EXPECT_EQ(old.calls, 0);
    EXPECT_EQ(fresh.calls, 0);
    qv::DestroyWindowHandle(live);
}

TEST(WindowHandles, TargetDestroyingItselfWhileAnswering)
{
    Recorder target;
    target.self = qv::CreateWindowHandle(&target);
    HWND hwnd = target.self;
    EXPECT_EQ(SendMessageA(hwnd, WM_CLOSE, 0, 0), 77);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(SendMessageA(hwnd, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(target.calls, 1);
}

// Many live handles destroyed in a scrambled order: every handle still live keeps reaching its
// own target, and every destroyed one reaches none.
TEST(WindowHandles, ManyLiveHandlesDestroyedInAnyOrder)
{
    std::vector<Recorder> targets(600);
    std::vector<HWND> handles;
    for (Recorder& target : targets)
        handles.push_back(qv::CreateWindowHandle(&target));
    std::vector<bool> live(handles.size(), true);
    for (size_t step = 0; step < handles.size(); ++step) {
        const size_t gone = (step * 379) % handles.size(); // 379 is prime to 600: each index once
        qv::DestroyWindowHandle(handles[gone]);
        live[gone] = false;
        for (size_t i = 0; i < handles.size(); ++i)
            ASSERT_EQ(qv::TargetFromHandle(handles[i]), live[i] ? &targets[i] : nullptr) << "step " << step << ", handle " << i;
    }
}

} // namespace
