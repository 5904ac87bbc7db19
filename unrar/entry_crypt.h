// What an encrypted entry needs on its way out: the cipher for its packed bytes, and the form in
// which its header stores the checksums of its data.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "unrar/crypt_input.h"
#include "unrar/format_reader.h"
#include "unrar/keyring.h"

namespace kiv::rar {

// The decryptor of the entry's data. Throws RarError: ERAR_MISSING_PASSWORD when the keyring
// has no password, ERAR_BAD_PASSWORD when the entry's check value refuses it,
// ERAR_UNKNOWN_FORMAT for a scheme this library does not decrypt, ERAR_BAD_DATA for a key
// derivation beyond its limit. Nothing has been read when it throws.
std::unique_ptr<StreamDecryptor> EntryDecryptor(const EntryHeader& e, const ArchiveInfo& info,
                                                Keyring& keyring);

// What the entry's header holds for data whose CRC-32 is crc, and whose BLAKE2sp hash is hash:
// the values themselves, or the keyed forms of RAR 5.0 entries that transform their checksums.
uint32_t StoredCrc(const EntryHeader& e, Keyring& keyring, uint32_t crc);
std::array<uint8_t, 32> StoredHash(const EntryHeader& e, Keyring& keyring,
                                   const std::array<uint8_t, 32>& hash);

}  // namespace kiv::rar
