# The magnetic core's additional data reader (alone and through both pages), the page archive
# and the B(H) curve builders on arbitrary texts.
parvel_add_fuzzer(cores_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/cores_fuzz.cpp LIBS Parvel)
