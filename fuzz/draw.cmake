# The raster face loader is plain C++, so it fuzzes without Qt: its source is built in directly.
kiv_fuzzer(fuzz_font_loader
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/font_loader.cpp
    ${PROJECT_SOURCE_DIR}/platform/draw/raster_face.cpp)
