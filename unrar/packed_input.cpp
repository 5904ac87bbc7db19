// Reading an entry's packed bytes across volumes, checking each continued part.
#include "unrar/packed_input.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "unrar/data_check.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"
#include "unrar/volume_io.h"

namespace kiv::rar {

namespace {

void StartCrc(const EntryHeader& part, bool every, bool& use, uint32_t& crc) {
    use = every || (part.splitAfter && part.hasCrc);
    crc = 0;
}

}  // namespace

PartsInput::PartsInput(const VolumeSet& volumes, const EntryHeader& first, bool crcEveryPart,
                       NextPart nextPart)
    : m_volumes(volumes),
      m_part(first),
      m_crcEveryPart(crcEveryPart),
      m_nextPart(std::move(nextPart)),
      m_offset(first.dataOffset),
      m_left(first.packSize) {
    StartCrc(m_part, m_crcEveryPart, m_partCrc, m_crc);
}

void PartsInput::FinishPart() {
    // The whole is the parts' CRCs joined; no byte is run through CRC-32 twice.
    if (m_crcEveryPart) m_wholeCrc = CombineCrc32(m_wholeCrc, m_crc, m_partLength);
    if (m_part.splitAfter && m_part.hasCrc && m_crc != m_part.crc) {
        throw RarError(ERAR_BAD_DATA, m_part.name + ": checksum mismatch in the part in " +
                                          m_volumes.CurrentName());
    }
}

size_t PartsInput::Read(uint8_t* data, size_t size) {
    while (m_left == 0) {
        if (!m_part.splitAfter) return 0;
        FinishPart();
        m_part = m_nextPart(m_part);
        m_offset = m_part.dataOffset;
        m_left = m_part.packSize;
        m_partLength = 0;
        StartCrc(m_part, m_crcEveryPart, m_partCrc, m_crc);
    }
    const size_t n = static_cast<size_t>(std::min<uint64_t>(m_left, size));
    if (!ReadVolume(m_volumes.Current(), m_offset, data, n)) {
        throw RarError(ERAR_EREAD, m_part.name + ": data cut short in " + m_volumes.CurrentName());
    }
    if (m_partCrc) m_crc = Crc32(m_crc, data, n);
    m_offset += n;
    m_left -= n;
    m_partLength += n;
    m_consumed += n;
    if (m_left == 0 && !m_part.splitAfter) FinishPart();
    return n;
}

void PartsInput::Drain() {
    std::vector<uint8_t> scratch;
    // The rest of an unsplit part needs reading only for the CRC of its bytes.
    while (m_part.splitAfter || (m_left > 0 && m_partCrc)) {
        if (scratch.empty()) scratch.resize(size_t{64} * 1024);
        if (Read(scratch.data(), scratch.size()) == 0) break;
    }
}

}  // namespace kiv::rar
