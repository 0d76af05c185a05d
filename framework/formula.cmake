# The formula simplifier and the expression editor with its function palette.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/formula_simplifier.cpp)
