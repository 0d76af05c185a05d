# The static and function blocks' readers of stored data: the maximum/minimum-over-time and
# the nonlinear characteristic blocks' archive blocks and older data, the trigonometric block's
# older data and the n-point element's 4.x lists.
parvel_add_fuzzer(function_blocks_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/function_blocks_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_initialize.cpp LIBS Parvel parvel_editor)
target_compile_definitions(function_blocks_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
