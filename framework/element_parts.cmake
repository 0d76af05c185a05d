# Parts that wizards and pages of several families keep alike: snapshot lists, the model text
# of a characteristic that may be a table of points, and small steps of the element pages.
target_sources(Parvel PRIVATE snapshot_lists.cpp characteristic_description.cpp page_parts.cpp)
