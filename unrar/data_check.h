// Running CRC-32 and BLAKE2sp over an entry's data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kiv::rar {

class DataCheck {
public:
    explicit DataCheck(bool withBlake2);
    ~DataCheck();
    DataCheck(const DataCheck&) = delete;
    DataCheck& operator=(const DataCheck&) = delete;

    void Update(const uint8_t* data, size_t size);
    uint32_t Crc() const { return m_crc; }
    std::array<uint8_t, 32> Blake2();  // only when constructed withBlake2

private:
    struct Blake2State;
    uint32_t m_crc = 0;
    std::unique_ptr<Blake2State> m_blake2;
};

}  // namespace kiv::rar
