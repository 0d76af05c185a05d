# Parameter services: parameter access, placeholders, parameter lists, data classes,
# numbers, data-file places, table writers, model-text builders.
parvel_add_test(framework_services_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/services_numbers_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/services_placeholders_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/services_param_access_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/services_data_classes_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/services_param_list_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/services_places_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/services_builders_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/services_writers_test.cpp
  LIBS Parvel parvel_editor)
