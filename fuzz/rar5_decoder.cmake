# The RAR 5.0 decoder on arbitrary packed data.
kiv_fuzzer(fuzz_rar5_decoder SOURCES ${CMAKE_CURRENT_LIST_DIR}/rar5_decoder_fuzzer.cpp
           LIBS unrar_core)
