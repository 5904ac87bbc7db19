# Fuzzers of the platform layer's parsers: ini files and the mount table.
kiv_fuzzer(fuzz_ini SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ini_fuzzer.cpp LIBS platform)
kiv_fuzzer(fuzz_mountinfo SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mountinfo_fuzzer.cpp LIBS platform)
