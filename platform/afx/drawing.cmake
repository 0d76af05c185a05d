# Drawing: the recording device context, GDI objects and the SVG renderer.
target_sources(parvel_platform PRIVATE dc.cpp svg.cpp)
