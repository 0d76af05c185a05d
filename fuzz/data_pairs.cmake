# The data-pairs time function's readers of stored data (its archive block, the 4.x block, the
# older wizard base's block with the page's archive form, the page archive itself) and the
# step-function and random blocks' conversion of older data (through hidden pages, so the
# plug-in's resources and a stand-in editor are needed).
parvel_add_fuzzer(data_pairs_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/data_pairs_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_initialize.cpp LIBS Parvel parvel_editor)
target_compile_definitions(data_pairs_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
