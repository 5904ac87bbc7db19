// Block reader of RAR 1.5-4.x volumes.
#pragma once

#include "unrar/format_reader.h"

namespace kiv::rar {

class Rar4Reader : public FormatReader {
public:
    // start: offset of the 7-byte marker block. Reads the main header; throws RarError.
    Rar4Reader(const format::ByteSource& source, uint64_t start);
    Block Next() override;

private:
    std::string ReadHeaderBytes(uint64_t offset, uint16_t size) const;
    EntryHeader ParseFile(const std::string& header, uint64_t offset) const;

    const format::ByteSource& m_source;
    uint64_t m_pos;
    bool m_ended = false;
};

}  // namespace kiv::rar
