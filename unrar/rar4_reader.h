// Block reader of RAR 1.5-4.x volumes.
#pragma once

#include "unrar/format_reader.h"

namespace kiv::rar {

class Rar4Reader : public FormatReader {
public:
    // start: offset of the 7-byte marker block. Reads the main header; throws RarError.
    // keyring: see OpenFormatReader.
    Rar4Reader(const format::ByteSource& source, uint64_t start, Keyring* keyring = nullptr);
    Block Next() override;

private:
    std::string ReadHeaderBytes(uint64_t offset, uint16_t size) const;
    // The decrypted header of the block at offset, checked; dataStart receives where its data
    // begins.
    std::string DecryptHeader(uint64_t offset, uint64_t& dataStart);
    EntryHeader ParseFile(const std::string& header, uint64_t dataStart) const;

    const format::ByteSource& m_source;
    Keyring* m_keyring;
    uint64_t m_pos;
    bool m_ended = false;
    bool m_passwordProven = false;  // a header decrypted with the password passed its check
};

}  // namespace kiv::rar
