# The host's reader of saved schematic archives (editor records and wizard blocks), on the
# real plug-in loaded by path as the host loads it.
parvel_add_fuzzer(qva_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/qva_fuzz.cpp LIBS parvel_editor)
add_dependencies(qva_fuzz Parvel ParvelEnu parvel_catalogue)
target_compile_definitions(qva_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
