# The RAR 1.5 and RAR 2.0/2.6 decoders on arbitrary packed data, one entry or a solid pair.
kiv_fuzzer(fuzz_rar15_decoder SOURCES ${CMAKE_CURRENT_LIST_DIR}/rar15_decoder_fuzzer.cpp
           LIBS unrar_core)
kiv_fuzzer(fuzz_rar20_decoder SOURCES ${CMAKE_CURRENT_LIST_DIR}/rar20_decoder_fuzzer.cpp
           LIBS unrar_core)
