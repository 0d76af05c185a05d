# Tests of the toolkit's number functions, units and data files.
parvel_add_test(toolkit_data_tests SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/data_numbers_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/data_shortest_number_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/data_units_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/data_files_test.cpp)
