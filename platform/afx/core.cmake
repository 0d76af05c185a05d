# The core of the framework stand-in, built into parvel_platform.
target_sources(parvel_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/archive.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cstring.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exceptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/module_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/object.cpp
)
