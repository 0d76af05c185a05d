# Drawing: the recording device context, GDI objects and the SVG renderer.
target_sources(parvel_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/dc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/svg.cpp
)
