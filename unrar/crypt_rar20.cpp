// The RAR 2.0 block cipher: a 32-round Feistel network over four 32-bit words whose round
// function substitutes bytes through a password-shuffled table.
#include "unrar/crypt_rar20.h"

#include <zlib.h>

#include <algorithm>
#include <utility>

#include "formatcore/endian.h"

namespace kiv::rar {

namespace {

constexpr size_t kMaxPassword = 127;
constexpr int kRounds = 32;

// The table every key schedule starts from; the password only reorders it.
constexpr std::array<uint8_t, 256> kInitialTable = {
    0xD7, 0x13, 0x95, 0x23, 0x49, 0xC5, 0xC0, 0xCD, 0xF9, 0x1C, 0x10, 0x77, 0x30, 0xDD, 0x02, 0x2A,
    0xE8, 0x01, 0xB1, 0xE9, 0x0E, 0x58, 0xDB, 0x19, 0xDF, 0xC3, 0xF4, 0x5A, 0x57, 0xEF, 0x99, 0x89,
    0xFF, 0xC7, 0x93, 0x46, 0x5C, 0x42, 0xF6, 0x0D, 0xD8, 0x28, 0x3E, 0x1D, 0xD9, 0xE6, 0x56, 0x06,
    0x47, 0x18, 0xAB, 0xC4, 0x65, 0x71, 0xDA, 0x7B, 0x5D, 0x5B, 0xA3, 0xB2, 0xCA, 0x43, 0x2C, 0xEB,
    0x6B, 0xFA, 0x4B, 0xEA, 0x31, 0xA7, 0x7D, 0xD3, 0x53, 0x72, 0x9D, 0x90, 0x20, 0xC1, 0x8F, 0x24,
    0x9E, 0x7C, 0xF7, 0xBB, 0x59, 0xD6, 0x8D, 0x2F, 0x79, 0xE4, 0x3D, 0x82, 0xD5, 0xC2, 0xAE, 0xFB,
    0x61, 0x6E, 0x36, 0xE5, 0x73, 0x39, 0x98, 0x5E, 0x69, 0xF3, 0xD4, 0x37, 0xD1, 0xF5, 0x3F, 0x0B,
    0xA4, 0xC8, 0x1F, 0x9C, 0x51, 0xB0, 0xE3, 0x15, 0x4C, 0x63, 0x8B, 0xBC, 0x7F, 0x11, 0xF8, 0x33,
    0xCF, 0x78, 0xBD, 0xD2, 0x08, 0xE2, 0x29, 0x48, 0xB7, 0xCB, 0x87, 0xA5, 0xA6, 0x3C, 0x62, 0x07,
    0x7A, 0x26, 0x9B, 0xAA, 0x45, 0xAC, 0xFC, 0xEE, 0x27, 0x86, 0x3B, 0x80, 0xEC, 0x1B, 0xF0, 0x50,
    0x83, 0x03, 0x55, 0xCE, 0x91, 0x4F, 0x9A, 0x8E, 0x9F, 0xDC, 0xC9, 0x85, 0x4A, 0x40, 0x14, 0x81,
    0xE0, 0xB9, 0x8A, 0x67, 0xAD, 0xB6, 0x2B, 0x22, 0xFE, 0x52, 0xC6, 0x97, 0xE7, 0xB4, 0x3A, 0x0A,
    0x76, 0x1A, 0x66, 0x0C, 0x32, 0x84, 0x16, 0xBF, 0x88, 0x6F, 0xA2, 0xB3, 0x2D, 0x04, 0x94, 0x6C,
    0xA1, 0x38, 0x4E, 0x7E, 0xF2, 0xDE, 0x0F, 0xAF, 0x92, 0x17, 0x21, 0xF1, 0xB5, 0xBE, 0x4D, 0xE1,
    0x00, 0x2E, 0xA9, 0xBA, 0x44, 0x5F, 0xED, 0x41, 0x35, 0xD0, 0xFD, 0xA8, 0x09, 0x12, 0x64, 0x34,
    0x74, 0xB8, 0xA0, 0x60, 0x6D, 0x25, 0x1E, 0x6A, 0x8C, 0x68, 0x96, 0x05, 0xCC, 0x75, 0x70, 0x54,
};

constexpr std::array<uint32_t, 4> kInitialKey = {0xD3A3B879, 0x3F6D12F7, 0x7515A235, 0xA4E7F123};

uint32_t Rotl(uint32_t v, int n) {
    return (v << n) | (v >> (32 - n));
}

// The reflected CRC-32 table (polynomial 0xEDB88320) that the key schedule draws from.
const z_crc_t* const kCrcTable = get_crc_table();

uint32_t CrcTable(uint8_t i) {
    return static_cast<uint32_t>(kCrcTable[i]);
}

void Store32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

Rar20Cipher::Rar20Cipher(std::string_view password) : m_key(kInitialKey), m_table(kInitialTable) {
    // The schedule reads the password in pairs and in 16-byte blocks, past its end as zeros.
    std::array<uint8_t, kMaxPassword + 1> pass{};
    const size_t length = std::min(password.size(), kMaxPassword);
    std::copy_n(password.begin(), length, pass.begin());
    for (unsigned j = 0; j < 256; ++j) {
        for (size_t i = 0; i < length; i += 2) {
            unsigned n1 = CrcTable(static_cast<uint8_t>(pass[i] - j)) & 0xFF;
            const unsigned n2 = CrcTable(static_cast<uint8_t>(pass[i + 1] + j)) & 0xFF;
            for (size_t k = 1; n1 != n2; n1 = (n1 + 1) & 0xFF, ++k) {
                std::swap(m_table[n1], m_table[(n1 + i + k) & 0xFF]);
            }
        }
    }
    // The rounds substitute two bytes at a time: half the lookups of one byte at a time.
    m_pairs.resize(size_t{1} << 16);
    for (size_t i = 0; i < m_pairs.size(); ++i) {
        m_pairs[i] = static_cast<uint16_t>(m_table[i & 0xFF] | m_table[i >> 8] << 8);
    }
    Encrypt(pass.data(), length + (kBlockSize - length % kBlockSize) % kBlockSize);
}

uint32_t Rar20Cipher::Substitute(uint32_t v) const {
    return static_cast<uint32_t>(m_pairs[v & 0xFFFF]) | static_cast<uint32_t>(m_pairs[v >> 16])
                                                            << 16;
}

void Rar20Cipher::MixKey(Key& key, const uint8_t* ciphertext) {
    for (size_t i = 0; i < kBlockSize; i += 4) {
        for (size_t w = 0; w < 4; ++w) key[w] ^= CrcTable(ciphertext[i + w]);
    }
}

template <size_t Lanes, bool Encrypting>
void Rar20Cipher::Rounds(uint8_t* blocks, const Key* keys) const {
    uint32_t a[Lanes], b[Lanes], c[Lanes], d[Lanes];
    for (size_t l = 0; l < Lanes; ++l) {
        const uint8_t* in = blocks + l * kBlockSize;
        a[l] = format::Le32(in) ^ keys[l][0];
        b[l] = format::Le32(in + 4) ^ keys[l][1];
        c[l] = format::Le32(in + 8) ^ keys[l][2];
        d[l] = format::Le32(in + 12) ^ keys[l][3];
    }
    for (int n = 0; n < kRounds; ++n) {
        const size_t index = static_cast<size_t>(Encrypting ? n : kRounds - 1 - n) & 3;
        for (size_t l = 0; l < Lanes; ++l) {
            const uint32_t k = keys[l][index];
            const uint32_t ta = a[l] ^ Substitute((c[l] + Rotl(d[l], 11)) ^ k);
            const uint32_t tb = b[l] ^ Substitute((d[l] ^ Rotl(c[l], 17)) + k);
            a[l] = c[l];
            b[l] = d[l];
            c[l] = ta;
            d[l] = tb;
        }
    }
    for (size_t l = 0; l < Lanes; ++l) {
        uint8_t* out = blocks + l * kBlockSize;
        Store32(out, c[l] ^ keys[l][0]);
        Store32(out + 4, d[l] ^ keys[l][1]);
        Store32(out + 8, a[l] ^ keys[l][2]);
        Store32(out + 12, b[l] ^ keys[l][3]);
    }
}

void Rar20Cipher::Decrypt(uint8_t* data, size_t size) {
    // Each block's key follows from the ciphertext before it, which decryption has at hand: the
    // keys of several blocks are known up front, and their rounds run side by side.
    constexpr size_t kLanes = 8;
    size_t at = 0;
    for (; at + kLanes * kBlockSize <= size; at += kLanes * kBlockSize) {
        Key keys[kLanes];
        for (size_t l = 0; l < kLanes; ++l) {
            keys[l] = m_key;
            MixKey(m_key, data + at + l * kBlockSize);
        }
        Rounds<kLanes, false>(data + at, keys);
    }
    for (; at + kBlockSize <= size; at += kBlockSize) {
        const Key key = m_key;
        MixKey(m_key, data + at);
        Rounds<1, false>(data + at, &key);
    }
}

void Rar20Cipher::Encrypt(uint8_t* data, size_t size) {
    for (size_t at = 0; at + kBlockSize <= size; at += kBlockSize) {
        Rounds<1, true>(data + at, &m_key);
        MixKey(m_key, data + at);
    }
}

}  // namespace kiv::rar
