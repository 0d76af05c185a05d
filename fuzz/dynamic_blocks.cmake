# The dynamic blocks' readers of stored data: the integrator page's state, the dead-time
# wizard's archive, its older data, its 4.x lists and its initial-value files.
parvel_add_fuzzer(dynamic_blocks_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/dynamic_blocks_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_initialize.cpp LIBS Parvel parvel_editor)
target_compile_definitions(dynamic_blocks_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
