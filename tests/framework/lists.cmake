# The shared list controls and their notifications.
parvel_add_test(framework_lists_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/lists_test.cpp
          ${CMAKE_SOURCE_DIR}/tests/support/list_parent.cpp
  LIBS Parvel parvel_editor)
add_dependencies(framework_lists_tests Parvel)
