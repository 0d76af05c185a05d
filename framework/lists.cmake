# Indexed parameter families and the list controls shared by the pages of several families.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/indexed_family.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_controls.cpp)
