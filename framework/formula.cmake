# The formula simplifier and the expression editor with its function palette.
target_sources(Parvel PRIVATE formula_simplifier.cpp expression_editor.cpp)

# The library's template file (the expression editor's IF, ELSE IF and ELSE sections) lies in
# "Template/" beside the plug-in.
configure_file(${CMAKE_SOURCE_DIR}/resources/Template/Parvel.skl ${PARVEL_MODULE_DIR}/Template/Parvel.skl COPYONLY)
