// Block reader of RAR 5.0 volumes.
#pragma once

#include <string>

#include "unrar/format_reader.h"

namespace kiv::rar {

class Cursor;

class Rar5Reader : public FormatReader {
public:
    // start: offset of the 8-byte signature. Reads the main header; throws RarError.
    Rar5Reader(const format::ByteSource& source, uint64_t start);
    Block Next() override;

private:
    struct RawBlock {
        uint64_t type = 0;
        uint64_t flags = 0;
        uint64_t extraSize = 0;
        uint64_t dataSize = 0;
        std::string body;        // the header from its type field on
        size_t fieldsStart = 0;  // where the type-specific fields begin in body
        uint64_t dataOffset = 0;
    };
    RawBlock ReadBlock();
    EntryHeader ParseFile(const RawBlock& block) const;
    void ParseExtra(Cursor extra, EntryHeader& e) const;

    const format::ByteSource& m_source;
    uint64_t m_pos;
    bool m_ended = false;
};

}  // namespace kiv::rar
