# The initial-values and equation elements' readers of stored data: their archive block, the
# older data block and the page state in it (through a hidden page, so the plug-in's
# resources, the pre-compiler module and a stand-in editor are needed).
parvel_add_fuzzer(expression_elements_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/expression_elements_fuzz.cpp
                  LIBS Parvel parvel_editor)
target_compile_definitions(expression_elements_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
add_dependencies(expression_elements_fuzz Pravent)
