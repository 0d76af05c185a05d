# The oscillator and polynomial sources' readers of stored data: their archive blocks, the
# oscillator page's block, and the conversion of older element data through hidden pages.
parvel_add_fuzzer(generator_sources_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/generator_sources_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_initialize.cpp LIBS Parvel parvel_editor)
target_compile_definitions(generator_sources_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
