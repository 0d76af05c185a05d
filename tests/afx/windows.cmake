file(GLOB QV_WINDOWS_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/win_*.cpp)
parvel_add_test(afx_windows_tests SOURCES ${QV_WINDOWS_TEST_SOURCES})
# The dialog tests take their templates from the language module, which carries the same
# resource script as the plug-in without running the plug-in's start-up.
if(TARGET ParvelEnu)
  add_dependencies(afx_windows_tests ParvelEnu)
endif()
