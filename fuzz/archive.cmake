# Archive loading: runtime-class objects, class references and the seek-back pattern.
parvel_add_fuzzer(archive_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/archive_fuzz.cpp)
