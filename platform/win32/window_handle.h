// Window handles of the stand-in. A handle names a live message target; SendMessageA
// dispatches synchronously to it. The afx window classes create a handle for every window
// they create and destroy it with the window, so a stale handle simply reaches nobody.
#pragma once

#include "wintypes.h"

namespace qv {

class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Whether the target is a window of the afx layer (qv::WindowCore). Every window operation
    // asks it of the target behind a handle, so it is answered without a dynamic cast.
    virtual bool IsWindowCore() const { return false; }
};

HWND CreateWindowHandle(MessageTarget* target);
void DestroyWindowHandle(HWND hwnd);
// The live target behind a handle, or nullptr for a null or destroyed handle.
MessageTarget* TargetFromHandle(HWND hwnd);
// The live target behind a handle when it is a window of the afx layer, else nullptr; the
// answer comes from the registry, which asked IsWindowCore once when the handle was made.
MessageTarget* WindowCoreFromHandle(HWND hwnd);

} // namespace qv

// Calls the target's HandleMessage and returns its answer; 0 when the handle is null or dead.
LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL IsWindow(HWND hwnd);
