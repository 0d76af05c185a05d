# The capacitor/inductor wizards' readers of stored data: their archive block, the page's
# block and the conversion of older element data (through the hidden page).
parvel_add_fuzzer(storage_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/storage_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_initialize.cpp LIBS Parvel parvel_editor)
target_compile_definitions(storage_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
