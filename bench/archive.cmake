# Archive writing (strings and doubles) against a plain memcpy of the same bytes.
parvel_add_bench(archive_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/archive_bench.cpp)
