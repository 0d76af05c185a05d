# The zero-order-hold discretizer on a set of inputs of orders 2 to 50 (compared with scipy by
# check_discrete_tf_bench.py).
parvel_add_bench(discrete_tf_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/discrete_tf_bench.cpp
                 ${CMAKE_SOURCE_DIR}/blocks_linear/tf_discretizer.cpp)
target_include_directories(discrete_tf_bench PRIVATE ${CMAKE_SOURCE_DIR})
find_library(PARVEL_GMP_LIBRARY gmp REQUIRED)
target_link_libraries(discrete_tf_bench PRIVATE ${PARVEL_GMP_LIBRARY})
