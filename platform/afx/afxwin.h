// Umbrella header of the windows layer: the afx core, windows, controls, dialogs, property
// pages and sheets, data exchange, message boxes, menus, file dialogs, the user script and
// drawing.
#pragma once

#include "afx/afx.h"
#include "afx/controls.h"
#include "afx/dc.h"
#include "afx/ddx.h"
#include "afx/dialog.h"
#include "afx/filedlg.h"
#include "afx/menu.h"
#include "afx/msgbox.h"
#include "afx/propsheet.h"
#include "afx/user_script.h"
#include "afx/wnd.h"
