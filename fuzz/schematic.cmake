# Host readers: JSON schematics, edit scripts and catalogue family files.
parvel_add_fuzzer(schematic_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/schematic_fuzz.cpp LIBS parvel_editor)
