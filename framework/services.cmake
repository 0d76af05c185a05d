# Parameter services shared by every wizard: parameter access, placeholders, parameter lists,
# shared data classes, prefixed numbers, data-file places, table writers, model-text builders,
# the memory check of tables.
target_sources(Parvel PRIVATE param_access.cpp data_classes.cpp placeholders.cpp param_list.cpp
  prefixed_numbers.cpp data_file_places.cpp table_writers.cpp model_text_builders.cpp
  dialog_rects.cpp table_memory.cpp)
