# The shortest round-trip number text against std::to_chars on five sets of values (shown,
# not checked: the identity tests hold the formatter to the same text).
parvel_add_bench(shortest_number_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/shortest_number_bench.cpp)
