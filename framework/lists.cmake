# Indexed parameter families and the list controls shared by the pages of several families.
target_sources(Parvel PRIVATE indexed_family.cpp list_controls.cpp)
