# The element-symbol language of the toolkit's symbol drawer.
parvel_add_fuzzer(symbol_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/symbol_fuzz.cpp)
