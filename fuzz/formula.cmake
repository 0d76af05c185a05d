# The expression language: both pre-compiler exports and the simplifier on arbitrary texts.
parvel_add_fuzzer(formula_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/formula_fuzz.cpp ${CMAKE_SOURCE_DIR}/platform/formula/pravent.cpp
          ${CMAKE_SOURCE_DIR}/platform/formula/ombrix.cpp
  LIBS parvel_formula)
