# The formula simplifier over the real formula modules (loaded by name from the build's folder).
parvel_add_fuzzer(formula_simplifier_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/formula_simplifier_fuzz.cpp LIBS Parvel)
add_dependencies(formula_simplifier_fuzz Pravent Ombrix)
