// Registry of window handles. A handle is a number drawn from a counter that only grows, so
// a handle is never given to a second target: a message sent to the handle of a destroyed
// window reaches nobody, even when a new window was created since.
#include "window_handle.h"

#include <vector>

namespace {

// The live handles and their targets, in a table of open addressing: a handle's place is its
// serial number modulo the table's size (a power of two), and a taken place passes the handle
// on to the next one. Handles are drawn in sequence and most windows live briefly, so the live
// ones are mostly recent and seldom collide: a look-up, which every message and every control
// access makes, costs a mask and a comparison or two rather than the division and the node of
// a general hash map.
class HandleTable {
public:
    struct Slot {
        uintptr_t handle = 0;   // 0: free
        qv::MessageTarget* target = nullptr;
        bool isWindowCore = false; // the target's IsWindowCore(), asked once
    };

    // The slot that holds the handle, or null.
    const Slot* Find(uintptr_t handle) const
    {
        if (m_slots.empty() || handle == 0)
            return nullptr;
        for (size_t i = Home(handle);; i = Next(i)) {
            const Slot& slot = m_slots[i];
            if (slot.handle == handle)
                return &slot;
            if (slot.handle == 0)
                return nullptr;
        }
    }

    void Insert(uintptr_t handle, qv::MessageTarget* target, bool isWindowCore)
    {
        if (2 * (m_count + 1) > m_slots.size())
            Grow();
        size_t i = Home(handle);
        while (m_slots[i].handle != 0)
            i = Next(i);
        m_slots[i] = {handle, target, isWindowCore};
        ++m_count;
    }

    void Erase(uintptr_t handle)
    {
        if (m_slots.empty() || handle == 0)
            return;
        size_t i = Home(handle);
        while (m_slots[i].handle != handle) {
            if (m_slots[i].handle == 0)
                return;
            i = Next(i);
        }
        // Backward shift: the entries after the freed place that could sit in it move up, so
        // that no search stops early at a hole.
        for (size_t j = Next(i);; j = Next(j)) {
            if (m_slots[j].handle == 0)
                break;
            const size_t home = Home(m_slots[j].handle);
            // The entry at j may move to i when its home does not lie in (i, j] cyclically.
            const bool between = i <= j ? (i < home && home <= j) : (i < home || home <= j);
            if (!between) {
                m_slots[i] = m_slots[j];
                i = j;
            }
        }
        m_slots[i] = Slot{};
        --m_count;
    }

private:
    size_t Home(uintptr_t handle) const { return (handle >> 4) & (m_slots.size() - 1); }
    size_t Next(size_t i) const { return (i + 1) & (m_slots.size() - 1); }

    void Grow()
    {
        std::vector<Slot> old(m_slots.empty() ? 64 : 2 * m_slots.size());
        old.swap(m_slots);
        m_count = 0;
        for (const Slot& slot : old)
            if (slot.handle != 0)
                Insert(slot.handle, slot.target, slot.isWindowCore);
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
};

// Windows belong to the one thread that runs the user interface, as the focus and the caret
// do: the registry takes no lock, which every message and every control access would pay for.
struct Registry {
    HandleTable targets;
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
    uintptr_t value = r.next;
    r.next += 0x10;
    r.targets.Insert(value, target, target->IsWindowCore());
    return reinterpret_cast<HWND>(value);
}

void DestroyWindowHandle(HWND hwnd)
{
    Registry& r = TheRegistry();
    r.targets.Erase(reinterpret_cast<uintptr_t>(hwnd));
}

MessageTarget* TargetFromHandle(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    const auto* slot = TheRegistry().targets.Find(reinterpret_cast<uintptr_t>(hwnd));
    return slot ? slot->target : nullptr;
}

MessageTarget* WindowCoreFromHandle(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    const auto* slot = TheRegistry().targets.Find(reinterpret_cast<uintptr_t>(hwnd));
    return slot && slot->isWindowCore ? slot->target : nullptr;
}

} // namespace qv

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The target may create and destroy windows during the call.
    qv::MessageTarget* target = qv::TargetFromHandle(hwnd);
    return target ? target->HandleMessage(message, wParam, lParam) : 0;
}

BOOL IsWindow(HWND hwnd)
{
    return qv::TargetFromHandle(hwnd) ? TRUE : FALSE;
}
