# Resource-script parser.
parvel_add_fuzzer(rc_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/rc_fuzz.cpp)
