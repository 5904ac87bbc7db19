# Fuzzers of the extraction engine's parsers: the pre-scan's RAR header walkers with the type
# detection, and wildcard matching.
if(TARGET archive_parsers)
  kiv_fuzzer(fuzz_archive_prescan SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/archive_prescan_fuzzer.cpp
             LIBS archive_parsers)
  kiv_fuzzer(fuzz_archive_wildcard SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/archive_wildcard_fuzzer.cpp
             LIBS archive_parsers)
endif()
