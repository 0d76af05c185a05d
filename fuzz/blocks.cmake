# The block-diagram wizards' readers of stored data: the sum block's archive block and older
# data, the transfer function's older data and both 4.x conversions (through hidden pages, so
# the plug-in's resources and a stand-in editor are needed).
parvel_add_fuzzer(blocks_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/blocks_fuzz.cpp LIBS Parvel parvel_editor)
target_compile_definitions(blocks_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
