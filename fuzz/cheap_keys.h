// Stand-ins for the key derivations in the decryption fuzzer and its seeds: deterministic,
// different for every password and salt, and cheap, where the real ones spend tens of
// milliseconds (RAR 3.x) or up to minutes (RAR 5.0's largest iteration count) on each input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "unrar/crypt_kdf.h"

namespace kiv::fuzz {

inline uint8_t Mix(std::string_view password, const uint8_t* salt, size_t saltSize, size_t i) {
    const uint8_t p = password.empty() ? 0 : static_cast<uint8_t>(password[i % password.size()]);
    const uint8_t s = salt == nullptr ? 0x5A : salt[i % saltSize];
    return static_cast<uint8_t>(p * 31 + s * 7 + i);
}

inline rar::Rar3Key CheapRar3Key(std::string_view password, const uint8_t* salt, bool quirk) {
    rar::Rar3Key k;
    for (size_t i = 0; i < 16; ++i) {
        k.key[i] =
            static_cast<uint8_t>(Mix(password, salt, rar::kRar3SaltSize, i) ^ (quirk ? 1 : 0));
        k.iv[i] = Mix(password, salt, rar::kRar3SaltSize, i + 16);
    }
    return k;
}

inline rar::Rar5Keys CheapRar5Keys(std::string_view password, const uint8_t* salt, unsigned log2) {
    if (log2 > rar::kMaxRar5KdfLog2) rar::DeriveRar5Keys(password, salt, log2);  // throws
    rar::Rar5Keys k;
    for (size_t i = 0; i < 32; ++i) {
        k.key[i] = static_cast<uint8_t>(Mix(password, salt, rar::kRar5SaltSize, i) + log2);
        k.hashKey[i] = Mix(password, salt, rar::kRar5SaltSize, i + 32);
    }
    for (size_t i = 0; i < 8; ++i) {
        k.check[i] = k.key[i] ^ k.key[i + 8] ^ k.key[i + 16] ^ k.key[i + 24];
    }
    return k;
}

}  // namespace kiv::fuzz
