# The characteristic table of nonlinear elements (state, archive form and page) and the
# characteristic preview window.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xy_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xy_table_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/characteristic_preview.cpp
  ${CMAKE_CURRENT_LIST_DIR}/characteristic_sheet.cpp)
# The file dialogs of pages that read or write data files.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/file_dialog_filters.cpp)
# The dialogs in which a page asks for a data file to read or to write.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/data_file_dialogs.cpp)
# The state that the wizards of elements with a characteristic table keep, copy and archive.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/characteristic_wizard_state.cpp)
