# The equation block's readers of stored data: its archive block and the older data (through
# the hidden page, so the plug-in's resources, the pre-compiler module and a stand-in editor
# are needed).
parvel_add_fuzzer(equations_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/equations_fuzz.cpp LIBS Parvel parvel_editor)
target_compile_definitions(equations_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
add_dependencies(equations_fuzz Pravent)
