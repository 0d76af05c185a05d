# The resistor/conductance wizards' readers of stored data: their archive block and the
# conversion of older element data (through the hidden page, so the plug-in's resources and a
# stand-in editor are needed).
parvel_add_fuzzer(passive_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/passive_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_initialize.cpp LIBS Parvel parvel_editor)
target_compile_definitions(passive_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
