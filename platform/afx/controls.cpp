// Built-in behaviour of the standard controls.
#include "afx/wnd.h"
#include "afx/wnd_core.h"

namespace qv {

namespace {
ControlFactory g_factory = nullptr;
}

bool DefaultControlProc(WindowCore*, UINT, WPARAM, LPARAM, LRESULT&) { return false; }

CWnd* MakeControlObject(const std::string& className, DWORD style)
{
    if (g_factory)
        if (CWnd* w = g_factory(className, style))
            return w;
    return new CWnd;
}

void SetControlFactory(ControlFactory factory) { g_factory = factory; }

} // namespace qv
