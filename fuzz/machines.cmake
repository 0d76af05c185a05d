# The machine and switch readers of stored data: the controlled switch's and the nonlinear DC
# machine's archive blocks, the DC machine's older blocks and the machines' additional data
# (through hidden pages, so the plug-in's resources and a stand-in editor are needed).
parvel_add_fuzzer(machines_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/machines_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_initialize.cpp LIBS Parvel parvel_editor)
target_compile_definitions(machines_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
