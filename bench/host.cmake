# Host benchmark: the model description of mixed schematics of 1,000 and 10,000 elements of 27
# kinds, and (with --scale) the host program's commands on such schematics of up to 1,000,000.
parvel_add_bench(host_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/host_bench.cpp LIBS parvel_editor)
# The equation blocks of the mixed schematic check their formulas with the formula modules.
add_dependencies(host_bench Parvel ParvelEnu parvel_catalogue qvhost Pravent Ombrix)
