// Decryption of an entry's packed bytes on their way to the decoder: the stream ciphers of the
// formats behind one interface, and the input that applies them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "unrar/decoder.h"

namespace kiv::rar {

// A cipher in a chained mode, applied to 16-byte blocks as they come.
class StreamDecryptor {
public:
    static constexpr size_t kBlockSize = 16;
    virtual ~StreamDecryptor() = default;
    // Decrypts size bytes (a multiple of kBlockSize) in place, continuing the stream.
    virtual void Decrypt(uint8_t* data, size_t size) = 0;
};

// AES in CBC mode with a 16- or 32-byte key (AES-128, AES-256) and a 16-byte start vector.
std::unique_ptr<StreamDecryptor> MakeAesCbcDecryptor(const uint8_t* key, size_t keySize,
                                                     const uint8_t* iv);
// The RAR 2.0 cipher keyed by the password's bytes.
std::unique_ptr<StreamDecryptor> MakeRar20Decryptor(std::string_view password);

class DecryptingInput : public PackedInput {
public:
    // Reads ciphertext from `inner` and hands out its plaintext. With plainLimit, no more than
    // that many bytes come out (the rest of the last block is padding). Ciphertext that ends
    // short of a whole block is dropped; the entry's checks then fail.
    DecryptingInput(PackedInput& inner, std::unique_ptr<StreamDecryptor> cipher,
                    std::optional<uint64_t> plainLimit);

    // Throws what the inner input throws.
    size_t Read(uint8_t* data, size_t size) override;

private:
    bool FillBlock();

    PackedInput& m_inner;
    std::unique_ptr<StreamDecryptor> m_cipher;
    std::optional<uint64_t> m_limit;
    uint64_t m_delivered = 0;
    uint8_t m_pending[StreamDecryptor::kBlockSize] = {};  // ciphertext short of a block
    size_t m_pendingSize = 0;
    uint8_t m_plain[StreamDecryptor::kBlockSize] = {};  // a decrypted block not handed out yet
    size_t m_plainStart = 0;
    size_t m_plainEnd = 0;
};

}  // namespace kiv::rar
