# The discrete transfer function's readers of stored data: the wizard's archive block, the old
# G(s) block of 4.x data, the older wizard generation's data (through the hidden page, so the
# plug-in's resources and a stand-in editor are needed), and the discretizer on raw numbers.
parvel_add_fuzzer(discrete_tf_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/discrete_tf_fuzz.cpp LIBS Parvel parvel_editor)
target_compile_definitions(discrete_tf_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
