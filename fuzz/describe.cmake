# The host's `describe` on generated schematics with hostile names, values, data-file names
# and outputs, on the real plug-in loaded by path as the host loads it.
parvel_add_fuzzer(describe_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/describe_fuzz.cpp LIBS parvel_editor)
add_dependencies(describe_fuzz Parvel ParvelEnu parvel_catalogue)
target_compile_definitions(describe_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
