# The readers of stored data of the linear sources of other domains: their archive block, the
# page block and the conversion of older element data (through the hidden page, so the
# plug-in's resources and a stand-in editor are needed).
parvel_add_fuzzer(domain_sources_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/domain_sources_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_initialize.cpp LIBS Parvel parvel_editor)
target_compile_definitions(domain_sources_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
