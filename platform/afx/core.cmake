# The core of the framework stand-in, built into parvel_platform.
target_sources(parvel_platform PRIVATE archive.cpp cstring.cpp exceptions.cpp file.cpp
  module_state.cpp object.cpp)
