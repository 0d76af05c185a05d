# Readers of the parameter services: stored point and table blocks, archived snapshots and
# points, the older base's snapshot data, and template sections.
parvel_add_fuzzer(services_buffers_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/services_buffers_fuzz.cpp LIBS Parvel)
parvel_add_fuzzer(services_template_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/services_template_fuzz.cpp LIBS Parvel)
