// Running CRC-32 (zlib) and BLAKE2sp (libb2) over an entry's data.
#include "unrar/data_check.h"

#include <blake2.h>
#include <zlib.h>

namespace kiv::rar {

struct DataCheck::Blake2State {
    blake2sp_state state;
};

DataCheck::DataCheck(bool withCrc, bool withBlake2) : m_withCrc(withCrc) {
    if (withBlake2) {
        m_blake2 = std::make_unique<Blake2State>();
        blake2sp_init(&m_blake2->state, 32);
    }
}

DataCheck::~DataCheck() = default;

void DataCheck::Update(const uint8_t* data, size_t size) {
    if (m_withCrc) m_crc = static_cast<uint32_t>(crc32_z(m_crc, data, size));
    if (m_blake2) blake2sp_update(&m_blake2->state, data, size);
}

void DataCheck::AppendCrc(uint32_t crc, uint64_t length) {
    m_crc = static_cast<uint32_t>(crc32_combine(m_crc, crc, static_cast<z_off_t>(length)));
}

std::array<uint8_t, 32> DataCheck::Blake2() {
    std::array<uint8_t, 32> digest{};
    if (m_blake2) blake2sp_final(&m_blake2->state, digest.data(), digest.size());
    return digest;
}

}  // namespace kiv::rar
