// Registry of window handles. A handle is a number drawn from a counter that only grows, so
// a handle is never given to a second target: a message sent to the handle of a destroyed
// window reaches nobody, even when a new window was created since.
#include "window_handle.h"

#include <mutex>
#include <unordered_map>

namespace {

struct Registry {
    std::mutex lock;
    std::unordered_map<uintptr_t, qv::MessageTarget*> targets;
    // Handles look like aligned addresses and never take small values, so that a control ID
    // or a count passed by mistake is never taken for a live handle.
    uintptr_t next = 0x10000;
};

// Never destroyed: windows held by other static objects may be destroyed while the process
// ends, after this file's statics would be gone.
Registry& TheRegistry()
{
    static auto* registry = new Registry;
    return *registry;
}

} // namespace

namespace qv {

HWND CreateWindowHandle(MessageTarget* target)
{
    if (!target)
        return nullptr;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    uintptr_t value = r.next;
    r.next += 0x10;
    r.targets.emplace(value, target);
    return reinterpret_cast<HWND>(value);
}

void DestroyWindowHandle(HWND hwnd)
{
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.targets.erase(reinterpret_cast<uintptr_t>(hwnd));
}

MessageTarget* TargetFromHandle(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.targets.find(reinterpret_cast<uintptr_t>(hwnd));
    return it == r.targets.end() ? nullptr : it->second;
}

} // namespace qv

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The lock is not held during the call: the target may create and destroy windows.
    qv::MessageTarget* target = qv::TargetFromHandle(hwnd);
    return target ? target->HandleMessage(message, wParam, lParam) : 0;
}

BOOL IsWindow(HWND hwnd)
{
    return qv::TargetFromHandle(hwnd) ? TRUE : FALSE;
}
