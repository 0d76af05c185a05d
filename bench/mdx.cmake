# Data-file benchmark: writing and reading 1,000,000 items in two channels against baselines.
parvel_add_bench(mdx_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mdx_bench.cpp)
