// The "decoder" of stored entries: their packed bytes are the unpacked ones.
#pragma once

#include <memory>

#include "unrar/decoder.h"

namespace kiv::rar {

// Copies the packed bytes to the sink. Throws RarError(ERAR_BAD_DATA) when an entry of known
// size holds more or fewer bytes than its size.
std::unique_ptr<Decoder> CreateStoredDecoder();

}  // namespace kiv::rar
