# The coupled-inductor and nonlinear-transformer wizards' readers of stored data: their archive
# blocks and the conversion of older element data (through the hidden pages, so the plug-in's
# resources and a stand-in editor are needed).
parvel_add_fuzzer(coupled_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/coupled_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_initialize.cpp LIBS Parvel parvel_editor)
target_compile_definitions(coupled_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
