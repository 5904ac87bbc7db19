# Fuzzer of the RAR format core's bounded readers: field cursor, vints and the header layout.
kiv_fuzzer(fuzz_formatcore SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/formatcore_fuzzer.cpp
           LIBS formatcore)
