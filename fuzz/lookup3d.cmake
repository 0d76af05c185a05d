# The 3D lookup table's readers of stored data: the wizard's archive block, the sweep-data
# object, the page archive and the older block (through the hidden page, so the plug-in's
# resources and a stand-in editor are needed).
parvel_add_fuzzer(lookup3d_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/lookup3d_fuzz.cpp LIBS Parvel parvel_editor)
target_compile_definitions(lookup3d_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
