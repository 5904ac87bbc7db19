# The RAR library's header walk (RAR 1.5-4.x and 5.0).
kiv_fuzzer(fuzz_unrar_headers SOURCES ${CMAKE_CURRENT_LIST_DIR}/unrar_headers.cpp LIBS unrar_core)
# The PPMd variant H decoder, with a round trip through the test-side writer. The writer drives the
# model's template, which needs the model's compile option (see unrar/CMakeLists.txt).
kiv_fuzzer(fuzz_ppmd_h
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ppmd_h_fuzzer.cpp ${PROJECT_SOURCE_DIR}/tests/unrar/ppm_stream.cpp
  LIBS unrar_core)
target_compile_options(fuzz_ppmd_h PRIVATE -fno-strict-aliasing)
# The RAR 2.9/3.x decoder: LZ and PPM blocks, filters, solid continuation.
kiv_fuzzer(fuzz_rar3_decoder SOURCES ${CMAKE_CURRENT_LIST_DIR}/rar3_decoder_fuzzer.cpp
           LIBS unrar_core)
# The decryption paths (encrypted headers and entries of every scheme, retries), with cheap
# stand-ins for the key derivations; make_crypt_seeds writes its seeds with the same stand-ins.
kiv_fuzzer(fuzz_unrar_crypto SOURCES ${CMAKE_CURRENT_LIST_DIR}/unrar_crypto_fuzzer.cpp
           LIBS unrar_core)
add_executable(make_crypt_seeds ${CMAKE_CURRENT_LIST_DIR}/make_crypt_seeds.cpp)
target_link_libraries(make_crypt_seeds PRIVATE rarwriter)
