# The RAR library's header walk (RAR 1.5-4.x and 5.0).
kiv_fuzzer(fuzz_unrar_headers SOURCES ${CMAKE_CURRENT_LIST_DIR}/unrar_headers.cpp LIBS unrar_core)
