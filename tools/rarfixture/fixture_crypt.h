// Encryption for the fixture writer: the keys of an archive's password, the encrypted form of
// headers, and the ciphertext of an entry's stored bytes. AES comes from libcrypto; the key
// derivations and the RAR 2.0 cipher are the library's, which unar's reading of the result
// cross-checks.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "unrar/crypt_kdf.h"

namespace kiv::fixture {

enum class Cipher { None, Rar20, Aes128, Aes256 };

// The salts and start vectors of one archive, drawn from a seeded generator so that a fixture
// comes out the same each time.
class ArchiveCrypt {
public:
    using Rar3Derivation = std::function<rar::Rar3Key(std::string_view, const uint8_t*, bool)>;
    using Rar5Derivation = std::function<rar::Rar5Keys(std::string_view, const uint8_t*, unsigned)>;

    // Null derivations stand for the library's.
    ArchiveCrypt(uint32_t seed, unsigned kdfLog2, bool hashQuirk, Rar3Derivation rar3 = nullptr,
                 Rar5Derivation rar5 = nullptr);

    const std::array<uint8_t, 8>& Rar3Salt() const { return m_rar3Salt; }
    const std::array<uint8_t, 16>& Rar5Salt() const { return m_rar5Salt; }
    unsigned KdfLog2() const { return m_kdfLog2; }
    std::array<uint8_t, 16> NextIv();

    rar::Rar3Key Rar3(const std::string& password);
    rar::Rar5Keys Rar5(const std::string& password);

    // The encrypted form of a whole RAR 1.5-4.x header (salt, then the AES-128 blocks) and of a
    // whole RAR 5.0 block (start vector, then the AES-256 blocks), padded with zeros.
    std::string Rar4Header(const std::string& password, const std::string& header);
    std::string Rar5Header(const std::string& password, const std::string& block);
    static size_t Rar4HeaderSize(size_t plain) { return 8 + Padded(plain); }
    static size_t Rar5HeaderSize(size_t plain) { return 16 + Padded(plain); }
    static size_t Padded(size_t n) { return (n + 15) / 16 * 16; }

private:
    Rar3Derivation m_deriveRar3;
    Rar5Derivation m_deriveRar5;
    std::mt19937 m_random;
    unsigned m_kdfLog2;
    bool m_hashQuirk;
    std::array<uint8_t, 8> m_rar3Salt{};
    std::array<uint8_t, 16> m_rar5Salt{};
    std::string m_rar3Password, m_rar5Password;
    rar::Rar3Key m_rar3Key;
    rar::Rar5Keys m_rar5Keys;
};

// Encrypts a stream in whole 16-byte blocks, continuing from call to call.
class StreamEncryptor {
public:
    virtual ~StreamEncryptor() = default;
    virtual void Encrypt(uint8_t* data, size_t size) = 0;
};

// AES-128 or AES-256 in CBC mode (keySize 16 or 32), or the RAR 2.0 cipher of a password.
std::unique_ptr<StreamEncryptor> MakeAesEncryptor(const uint8_t* key, size_t keySize,
                                                  const uint8_t* iv);
std::unique_ptr<StreamEncryptor> MakeRar20Encryptor(const std::string& password);

}  // namespace kiv::fixture
