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

class DataCheck {
public:
    DataCheck(bool withCrc, bool withBlake2);
    ~DataCheck();
    DataCheck(const DataCheck&) = delete;
    DataCheck& operator=(const DataCheck&) = delete;

    void Update(const uint8_t* data, size_t size);
    uint32_t Crc() const { return m_crc; }
    std::array<uint8_t, 32> Blake2();  // only when constructed withBlake2

private:
    struct Blake2State;
    bool m_withCrc;
    uint32_t m_crc = 0;
    std::unique_ptr<Blake2State> m_blake2;
};

}  // namespace kiv::rar
