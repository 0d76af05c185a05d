# Module start-up, requests to the editor, factories.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/dllmain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/module.cpp
  ${CMAKE_CURRENT_LIST_DIR}/requests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/factories.cpp)
# Shared wizard bases: the older-base block frame and its sample-time list, the page on a
# parameter set, the snapshot lists.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/older_base_block.cpp
  ${CMAKE_CURRENT_LIST_DIR}/param_set_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/snapshot_lists.cpp)
# Block pages with a sample time, on the older-base input block page.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/older_base_block_pages.cpp)
