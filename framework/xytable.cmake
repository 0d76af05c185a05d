# The characteristic table of nonlinear elements (state, archive form and page) and the
# characteristic preview window.
target_sources(Parvel PRIVATE xy_table.cpp xy_table_page.cpp characteristic_preview.cpp
  characteristic_sheet.cpp)
# The file dialogs of pages that read or write data files.
target_sources(Parvel PRIVATE file_dialog_filters.cpp)
# The dialogs in which a page asks for a data file to read or to write, and the one check of
# every page's write whether it may replace the file it finds.
target_sources(Parvel PRIVATE data_file_dialogs.cpp data_file_target.cpp)
# The write of a table kept in a data file under a name of the page's own.
target_sources(Parvel PRIVATE page_table_file.cpp)
# The state that the wizards of elements with a characteristic table keep, copy and archive.
target_sources(Parvel PRIVATE characteristic_wizard_state.cpp)
# The wizard base of the elements that keep that state.
target_sources(Parvel PRIVATE characteristic_state_wizard.cpp)
