// The key derivations of RAR 3.x (iterated SHA-1, AES-128) and RAR 5.0 (PBKDF2-HMAC-SHA256,
// AES-256), and RAR 5.0's keyed transform of data checksums; the primitives come from libcrypto.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kiv::rar {

constexpr size_t kRar3SaltSize = 8;
constexpr size_t kRar5SaltSize = 16;

struct Rar3Key {
    std::array<uint8_t, 16> key{};
    std::array<uint8_t, 16> iv{};
};

// The AES-128 key and CBC start vector of a RAR 3.x salt (or of no salt, for entries written
// without one). The password is UTF-8 and is hashed as UTF-16LE, at most 126 units. With
// hashQuirk the derivation reproduces the writers before RAR 3.6, whose SHA-1 overwrote the
// message blocks it hashed straight from the password buffer (which passwords of about 29
// characters and more reach).
Rar3Key DeriveRar3Key(std::string_view password, const uint8_t* salt, bool hashQuirk);

struct Rar5Keys {
    std::array<uint8_t, 32> key{};      // AES-256 key of data and headers
    std::array<uint8_t, 32> hashKey{};  // HMAC key of the transformed checksums
    std::array<uint8_t, 8> check{};     // the password check value
};

// The largest binary logarithm of the PBKDF2 iteration count that is accepted.
constexpr unsigned kMaxRar5KdfLog2 = 24;

// The three RAR 5.0 values for a UTF-8 password, a 16-byte salt and 2^log2Count iterations:
// the key from PBKDF2-HMAC-SHA256 with that count, the hash key from 16 iterations more, the
// check value folded from 32 more. log2Count must not exceed kMaxRar5KdfLog2.
Rar5Keys DeriveRar5Keys(std::string_view password, const uint8_t* salt, unsigned log2Count);

// RAR 5.0 entries whose checksums are transformed store these instead of the CRC-32 and the
// BLAKE2sp hash of their data, so that the checksum tells nothing about known contents.
uint32_t TransformCrc(const Rar5Keys& keys, uint32_t crc);
std::array<uint8_t, 32> TransformHash(const Rar5Keys& keys, const std::array<uint8_t, 32>& hash);

}  // namespace kiv::rar
