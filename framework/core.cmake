# Module start-up, requests to the editor, factories.
target_sources(Parvel PRIVATE dllmain.cpp module.cpp requests.cpp factories.cpp)
# Shared wizard bases: the older-base block frame and its sample-time list, the page on a
# parameter set, the snapshot lists.
target_sources(Parvel PRIVATE older_base_block.cpp param_set_page.cpp snapshot_lists.cpp)
# Block pages with a sample time, on the older-base input block page.
target_sources(Parvel PRIVATE older_base_block_pages.cpp)
