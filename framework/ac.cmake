# The AC-parameters page and the wizard base of the sources that offer it.
target_sources(Parvel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ac_parameters.cpp)
