# The integrator page's reader of its stored page state.
parvel_add_fuzzer(dynamic_blocks_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/dynamic_blocks_fuzz.cpp LIBS Parvel parvel_editor)
