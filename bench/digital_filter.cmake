# The digital filter's numeric design of order 10 for each type (compared with scipy by
# check_digital_filter_bench.py).
parvel_add_bench(digital_filter_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/digital_filter_bench.cpp
                 ${CMAKE_SOURCE_DIR}/blocks_linear/digital_filter_design.cpp)
target_include_directories(digital_filter_bench PRIVATE ${CMAKE_SOURCE_DIR})
