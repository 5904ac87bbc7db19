// Block reader of RAR 1.5-4.x volumes.
#pragma once

#include "unrar/format_reader.h"

namespace kiv::rar {

class Rar4Reader : public FormatReader {
public:
    // start: offset of the 7-byte marker block. Reads the main header; throws RarError.
    Rar4Reader(const ByteSource& source, uint64_t start);
    Block Next() override;

private:
    std::string ReadHeaderBytes(uint64_t offset, uint16_t size) const;
    EntryHeader ParseFile(const std::string& header, uint64_t offset) const;

    const ByteSource& m_source;
    uint64_t m_pos;
    bool m_ended = false;
};

// True when the 7 bytes at data are the RAR 1.5-4.x marker block.
bool IsRar4Marker(const uint8_t* data);

}  // namespace kiv::rar
