// Umbrella header of the toolkit: number functions, units, data files, and the window classes
// (pages, sheets, dialogs, the editable list, unit fields, edit fields, element symbols).
#pragma once

#include "toolkit/read_write_files.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"

#include "toolkit/tb_dialog.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_edits.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_sheet.h"
#include "toolkit/tb_unit_combo.h"
