# Parameter services shared by every wizard: parameter access, placeholders, parameter lists,
# shared data classes, prefixed numbers, data-file places, table writers, model-text builders.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/param_access.cpp
  ${CMAKE_CURRENT_LIST_DIR}/data_classes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/placeholders.cpp
  ${CMAKE_CURRENT_LIST_DIR}/param_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prefixed_numbers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/data_file_places.cpp
  ${CMAKE_CURRENT_LIST_DIR}/table_writers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/model_text_builders.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_rects.cpp)
