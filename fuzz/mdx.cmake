# Data-file readers: the ".mdx" format (with a write-back round trip) and text columns.
parvel_add_fuzzer(mdx_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mdx_fuzz.cpp)
parvel_add_fuzzer(text_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/text_fuzz.cpp)
