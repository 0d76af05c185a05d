# The toolkit's window classes: pages, sheets, dialogs, the editable list, unit fields and the
# element-symbol drawer.
target_sources(parvel_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/tb_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tb_dlg_calculation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tb_draw_symbol.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tb_edit_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tb_edits.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tb_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tb_sheet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tb_unit_combo.cpp
)
