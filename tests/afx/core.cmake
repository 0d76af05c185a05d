# Tests of the framework stand-in's core (strings, collections, runtime classes, archives,
# files, exceptions, module state).
parvel_add_test(afx_core_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/core_string_tests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core_collection_tests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core_archive_tests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core_archive_memory_tests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core_file_tests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/core_object_tests.cpp
)
