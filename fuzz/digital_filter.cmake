# The digital filter's readers of stored data: the wizard's archive block, the older
# additional data with its archived page block (through a hidden page, so the plug-in's
# resources and a stand-in editor are needed), the 4.x lists and settings block, and the
# numeric design on raw numbers.
parvel_add_fuzzer(digital_filter_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/digital_filter_fuzz.cpp LIBS Parvel parvel_editor)
target_compile_definitions(digital_filter_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
