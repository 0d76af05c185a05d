file(GLOB QV_TOOLKIT_UI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/ui_*.cpp)
parvel_add_test(toolkit_ui_tests SOURCES ${QV_TOOLKIT_UI_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/list_parent.cpp)
# The page tests take their dialog templates from the plug-in's resources.
add_dependencies(toolkit_ui_tests Parvel)
