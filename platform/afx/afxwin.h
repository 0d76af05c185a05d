// Umbrella header of the windows layer: the afx core, windows, controls, dialogs, property
// pages and sheets, data exchange, message boxes, menus, file dialogs and drawing.
#pragma once

#if __has_include("afx/afx.h")
#include "afx/afx.h"
#endif
#include "afx/wnd.h"
#if __has_include("afx/dc.h")
#include "afx/dc.h"
#endif
