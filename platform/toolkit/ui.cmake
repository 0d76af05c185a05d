# The toolkit's window classes: pages, sheets, dialogs, the editable list, unit fields and the
# element-symbol drawer.
target_sources(parvel_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/tb_draw_symbol.cpp
)
