# The reader of the owner of output files' journals, on bytes alone (no file is touched).
parvel_add_fuzzer(journal_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/journal_fuzz.cpp LIBS parvel_editor)
