# The shortest round-trip number text, compared byte for byte with std::to_chars.
parvel_add_fuzzer(shortest_number_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/shortest_number_fuzz.cpp)
