# The time functions' and source blocks' readers of stored data: their archive blocks, the
# sine page's block, and the conversion of older element data (through hidden pages, so the
# plug-in's resources and a stand-in editor are needed).
parvel_add_fuzzer(timefunctions_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/timefunctions_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_initialize.cpp LIBS Parvel parvel_editor)
target_compile_definitions(timefunctions_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
