// libFuzzer target: the RAR 2.0/2.6 decoder on arbitrary packed data (see old_decoder_harness.h).
#include "fuzz/old_decoder_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return kiv::fuzz::FuzzOldDecoder(20, data, size);
}
