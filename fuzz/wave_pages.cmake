# The readers of the time-function pages besides the sine: the page blocks of the periodic
# waves, trapezoid, arc tangent and VCO, and the conversion of older element data through
# hidden pages (the plug-in's resources and a stand-in editor are needed).
parvel_add_fuzzer(wave_pages_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/wave_pages_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/plugin_initialize.cpp LIBS Parvel parvel_editor)
target_compile_definitions(wave_pages_fuzz PRIVATE PARVEL_MODULE_DIR="${PARVEL_MODULE_DIR}")
