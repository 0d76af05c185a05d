# The toolkit's window classes: pages, sheets, dialogs, the editable list, unit fields and the
# element-symbol drawer.
target_sources(parvel_platform PRIVATE tb_dialog.cpp tb_dlg_calculation.cpp tb_draw_symbol.cpp
  tb_edit_list.cpp tb_edits.cpp tb_page.cpp tb_sheet.cpp tb_unit_combo.cpp)
