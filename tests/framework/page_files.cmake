# Every road on which a page writes its table's data file, walked in edit sessions of the host
# run in the test's process on the plug-in and its catalogue.
parvel_add_test(framework_page_file_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/page_file_roads_test.cpp
  LIBS parvel_editor)
add_dependencies(framework_page_file_tests Parvel ParvelEnu parvel_catalogue)
