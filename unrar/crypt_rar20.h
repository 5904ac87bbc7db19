// The block cipher RAR 2.0 encrypts entries with: 16-byte blocks, a key schedule that evolves
// with every ciphertext block, so that each block depends on all the blocks before it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kiv::rar {

class Rar20Cipher {
public:
    static constexpr size_t kBlockSize = 16;

    // Prepares the key and the substitution table from the password's bytes (at most the
    // first 127 are used, as the format's writers did).
    explicit Rar20Cipher(std::string_view password);

    // Decrypt and Encrypt work in place on size bytes, a multiple of kBlockSize; each call
    // continues the stream where the previous one ended.
    void Decrypt(uint8_t* data, size_t size);
    void Encrypt(uint8_t* data, size_t size);

private:
    using Key = std::array<uint32_t, 4>;

    // The rounds over Lanes consecutive blocks, each with its own key.
    template <size_t Lanes, bool Encrypting>
    void Rounds(uint8_t* blocks, const Key* keys) const;
    // The key after a block whose ciphertext is given.
    static void MixKey(Key& key, const uint8_t* ciphertext);
    uint32_t Substitute(uint32_t v) const;

    Key m_key{};
    std::array<uint8_t, 256> m_table{};
    std::vector<uint16_t> m_pairs;  // the table applied to both bytes of every 16-bit value
};

}  // namespace kiv::rar
