# Fuzzer of the verification tool's .sfv reader.
kiv_fuzzer(fuzz_sfv SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/sfv_fuzzer.cpp LIBS nfocrc_core)
