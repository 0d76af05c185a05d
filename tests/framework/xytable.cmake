# The characteristic table: archive form and saved block, the page driven as a user would,
# data files, and the preview window.
parvel_add_test(framework_xytable_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xytable_state_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xytable_page_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xytable_preview_test.cpp
  LIBS Parvel parvel_editor)
