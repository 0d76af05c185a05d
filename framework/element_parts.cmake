# Parts that wizards and pages of several families keep alike: snapshot lists, the model text
# of a characteristic that may be a table of points, and small steps of the element pages.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/snapshot_lists.cpp
  ${CMAKE_CURRENT_LIST_DIR}/characteristic_description.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_parts.cpp)
