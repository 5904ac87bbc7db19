# The design parser and reader on arbitrary bytes, with the writer's fixed point as the oracle.
kiv_fuzzer(fuzz_design
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/design_fuzz.cpp
          ${PROJECT_SOURCE_DIR}/tests/framework/design_classes.cpp
  LIBS framework)
