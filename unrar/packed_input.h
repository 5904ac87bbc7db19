// The packed bytes of one entry, read part by part across the volumes of a set, with the check
// of every part that is continued in the next volume.
#pragma once

#include <cstdint>
#include <functional>

#include "unrar/decoder.h"
#include "unrar/format_reader.h"
#include "unrar/volume_set.h"

namespace kiv::rar {

class PartsInput : public PackedInput {
public:
    // Moves the set to the volume that continues `finished` and returns the next part's header;
    // throws RarError when that volume is missing or does not continue the set.
    using NextPart = std::function<EntryHeader(const EntryHeader& finished)>;

    // Reads from `first` on, in the set's current volume. With crcEveryPart the CRC-32 of every
    // part's bytes is taken (a stored entry's checks need nothing else); otherwise only the
    // parts that carry a CRC of their own bytes (those continued in a later volume) are run
    // through it.
    PartsInput(const VolumeSet& volumes, const EntryHeader& first, bool crcEveryPart,
               NextPart nextPart);

    // Throws RarError: ERAR_EREAD for data cut short, ERAR_BAD_DATA for a part whose bytes fail
    // their check, and what NextPart throws.
    size_t Read(uint8_t* data, size_t size) override;
    // Reads what is left of the entry's parts, so that every part is checked and the last
    // part's header (which holds the whole entry's checks) is at hand. Throws as Read.
    void Drain();

    // The part being read; after Drain (or once Read returned 0) the entry's last part.
    const EntryHeader& Part() const { return m_part; }
    // The CRC-32 of every packed byte read so far (only with crcEveryPart).
    uint32_t PackedCrc() const { return m_wholeCrc; }
    uint64_t Consumed() const { return m_consumed; }

private:
    void FinishPart();

    const VolumeSet& m_volumes;
    EntryHeader m_part;
    bool m_crcEveryPart;
    NextPart m_nextPart;
    uint64_t m_offset = 0;  // in the current volume
    uint64_t m_left = 0;    // of the current part
    uint64_t m_partLength = 0;
    bool m_partCrc = false;  // the current part is run through the CRC
    uint32_t m_crc = 0;      // of the current part
    uint32_t m_wholeCrc = 0;
    uint64_t m_consumed = 0;
};

}  // namespace kiv::rar
