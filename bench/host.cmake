# Host benchmark: the model description of schematics of 2,000 and 20,000 resistors, and (with
# --scale) the host program's commands on schematics of up to 1,000,000 resistors.
parvel_add_bench(host_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/host_bench.cpp LIBS parvel_editor)
add_dependencies(host_bench Parvel ParvelEnu parvel_catalogue qvhost)
