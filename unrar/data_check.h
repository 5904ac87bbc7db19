// Running CRC-32 and BLAKE2sp over an entry's data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kiv::rar {

// The CRC-32 (as zlib's crc32) of size bytes at data, continuing from crc (0 to start).
uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);
// The CRC-32 of bytes A followed by bytes B, from the CRC of each and the length of B.
uint32_t CombineCrc32(uint32_t first, uint32_t second, uint64_t secondLength);

// The CRC-32 of a split entry is built from the CRCs of its parts (each volume's part carries
// its own), so that every byte is run through CRC-32 once.
class DataCheck {
public:
    DataCheck(bool withCrc, bool withBlake2);
    ~DataCheck();
    DataCheck(const DataCheck&) = delete;
    DataCheck& operator=(const DataCheck&) = delete;

    void Update(const uint8_t* data, size_t size);
    // Extends the CRC by that of `length` further bytes whose own CRC-32 is `crc`.
    void AppendCrc(uint32_t crc, uint64_t length);
    uint32_t Crc() const { return m_crc; }
    std::array<uint8_t, 32> Blake2();  // only when constructed withBlake2

private:
    struct Blake2State;
    bool m_withCrc;
    uint32_t m_crc = 0;
    std::unique_ptr<Blake2State> m_blake2;
};

}  // namespace kiv::rar
