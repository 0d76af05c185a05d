# Module start-up, requests, factories. The tests link the plug-in and also load it by path
# (the loader stand-in then runs its DllMain), with the stand-in editor answering requests.
parvel_add_test(framework_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/factories_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/requests_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/startup_test.cpp
  LIBS Parvel parvel_editor)
add_dependencies(framework_tests ParvelEnu)
