// Running CRC-32 (libdeflate's, which uses carry-less multiplication where the processor has
// it), the combination of part CRCs (zlib) and BLAKE2sp (libb2) over an entry's data.
#include "unrar/data_check.h"

#include <blake2.h>
#include <libdeflate.h>
#include <zlib.h>

namespace kiv::rar {

struct DataCheck::Blake2State {
    blake2sp_state state;
};

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
    return libdeflate_crc32(crc, data, size);
}

uint32_t CombineCrc32(uint32_t first, uint32_t second, uint64_t secondLength) {
    return static_cast<uint32_t>(crc32_combine(first, second, static_cast<z_off_t>(secondLength)));
}

DataCheck::DataCheck(bool withCrc, bool withBlake2) : m_withCrc(withCrc) {
    if (withBlake2) {
        m_blake2 = std::make_unique<Blake2State>();
        blake2sp_init(&m_blake2->state, 32);
    }
}

DataCheck::~DataCheck() = default;

void DataCheck::Update(const uint8_t* data, size_t size) {
    if (m_withCrc) m_crc = Crc32(m_crc, data, size);
    if (m_blake2) blake2sp_update(&m_blake2->state, data, size);
}

std::array<uint8_t, 32> DataCheck::Blake2() {
    std::array<uint8_t, 32> digest{};
    if (m_blake2) blake2sp_final(&m_blake2->state, digest.data(), digest.size());
    return digest;
}

}  // namespace kiv::rar
