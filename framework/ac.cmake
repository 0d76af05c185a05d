# The AC-parameters page and the wizard base of the sources that offer it.
target_sources(Parvel PRIVATE ac_parameters.cpp)
