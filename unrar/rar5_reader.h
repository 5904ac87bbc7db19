// Block reader of RAR 5.0 volumes.
#pragma once

#include <array>
#include <string>

#include "unrar/format_reader.h"

namespace kiv::rar {

class Cursor;

class Rar5Reader : public FormatReader {
public:
    // start: offset of the 8-byte signature. Reads the main header (when it is encrypted and
    // the keyring has no password yet, the first Next does); throws RarError. keyring: see
    // OpenFormatReader.
    Rar5Reader(const format::ByteSource& source, uint64_t start, Keyring* keyring = nullptr);
    Block Next() override;

private:
    // The archive encryption header's fields.
    struct HeaderCrypt {
        std::array<uint8_t, 16> salt{};
        unsigned kdfLog2 = 0;
        bool hasCheck = false;
        std::array<uint8_t, 8> check{};
    };
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
    // The header bytes from the size field on, checked, and where the header ends.
    std::string ReadPlainHeader(uint64_t& headerEnd) const;
    std::string ReadEncryptedHeader(uint64_t& headerEnd);
    void ReadCryptHeader(const RawBlock& block);
    void ParseMain(const RawBlock& block);
    void ReadMain();
    EntryHeader ParseFile(const RawBlock& block) const;
    void ParseExtra(Cursor extra, EntryHeader& e) const;

    const format::ByteSource& m_source;
    Keyring* m_keyring;
    uint64_t m_pos;
    bool m_ended = false;
    HeaderCrypt m_headerCrypt;
    bool m_mainPending = false;     // the encrypted main header waits for a password
    bool m_passwordProven = false;  // a header decrypted with the password passed its check
};

}  // namespace kiv::rar
