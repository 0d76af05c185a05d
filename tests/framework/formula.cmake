# The formula simplifier (with the oracle that evaluates its answers) and the expression editor.
parvel_add_test(framework_formula_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/formula_simplifier_test.cpp
  LIBS Parvel)
add_dependencies(framework_formula_tests Parvel Pravent Ombrix)

add_executable(formula_simplifier_tool ${CMAKE_CURRENT_LIST_DIR}/formula_simplifier_tool.cpp)
target_link_libraries(formula_simplifier_tool PRIVATE Parvel parvel_platform)
add_dependencies(formula_simplifier_tool Pravent Ombrix)

find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  add_test(NAME formula_simplifier_oracle
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/formula_simplifier_oracle.py
                   $<TARGET_FILE:formula_simplifier_tool>
                   ${CMAKE_SOURCE_DIR}/tests/data/formula_simplifier/filter_sections.txt
                   ${CMAKE_SOURCE_DIR}/tests/formula/formula_reference.py)
  set_tests_properties(formula_simplifier_oracle PROPERTIES
    ENVIRONMENT "${PARVEL_TEST_ENVIRONMENT}" FIXTURES_REQUIRED parvel_sandbox)
endif()

parvel_add_test(framework_expression_editor_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/expression_editor_test.cpp
  LIBS Parvel parvel_editor parvel_formula)
add_dependencies(framework_expression_editor_tests Parvel Pravent Ombrix)
