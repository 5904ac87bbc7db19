# Fuzzer of the file store's LZ decoder, with a compress/decompress round trip on every input.
if(TARGET packfiles)
  kiv_fuzzer(fuzz_lzr SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/lzr_fuzzer.cpp LIBS packfiles)
endif()
