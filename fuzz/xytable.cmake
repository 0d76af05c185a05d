# The characteristic table's archive loader (saved blocks of converted data).
parvel_add_fuzzer(xytable_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/xytable_fuzz.cpp LIBS Parvel)
