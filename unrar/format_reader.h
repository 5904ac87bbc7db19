// The block walk of one volume, shared by the RAR 1.5-4.x and RAR 5.0 readers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "formatcore/byte_source.h"

namespace kiv::rar {

class Keyring;

enum class RarFormat { Rar4, Rar5 };

// What the main header says about the volume.
struct ArchiveInfo {
    RarFormat format = RarFormat::Rar4;
    bool isVolume = false;
    bool newNumbering = false;             // partN.rar names (always for RAR 5.0)
    bool firstVolumeFlag = false;          // RAR 3.x+ marks the first volume
    std::optional<uint64_t> volumeNumber;  // RAR 5.0: absent on the first volume
    bool solid = false;
    bool encryptedHeaders = false;  // every block after the main header (RAR 5.0: after the
                                    // encryption header) is encrypted with the password
    bool hashQuirk = false;         // RAR 3.x keys are derived as the writers before RAR 3.6 did
};

// How an encrypted entry's data is enciphered.
enum class CryptScheme { None, Rar13, Rar15, Rar20, Rar3Aes, Rar5Aes, Unknown };

struct EntryCrypt {
    CryptScheme scheme = CryptScheme::None;
    bool hasSalt = false;
    std::array<uint8_t, 16> salt{};  // RAR 3.x: the first 8 bytes
    std::array<uint8_t, 16> iv{};    // RAR 5.0: the CBC start vector
    unsigned kdfLog2 = 0;            // RAR 5.0: binary logarithm of the PBKDF2 iterations
    bool hasCheck = false;
    std::array<uint8_t, 8> check{};     // RAR 5.0: the password check value
    bool transformedChecksums = false;  // RAR 5.0: CRC-32 and BLAKE2sp stored keyed
};

// One file entry (or one part of an entry spread over volumes), already checked.
struct EntryHeader {
    std::string name;    // '/' as separator; UTF-8, or the archive's OEM bytes
    uint32_t flags = 0;  // the Flags value of RARHeaderData
    bool splitBefore = false;
    bool splitAfter = false;
    bool encrypted = false;
    bool directory = false;
    bool solid = false;        // the header's own solid flag (RAR 2.0 and later, RAR 5.0)
    bool specialFile = false;  // link, device or fifo: never created
    // RAR 5.0: the redirection record's type (format::rar5::kRedirect*), 0 without one, and the
    // name it points to (for hard links and file copies, an earlier entry's stored name).
    uint32_t redirection = 0;
    std::string linkTarget;
    bool stored = false;
    bool unknownSize = false;
    uint64_t packSize = 0;  // data bytes of this part
    uint64_t unpSize = 0;
    uint32_t hostOs = 0;  // 0 MS-DOS, 1 OS/2, 2 Windows, 3 Unix
    bool hasCrc = false;
    uint32_t crc = 0;
    bool hasBlake2 = false;
    std::array<uint8_t, 32> blake2{};
    uint32_t dosTime = 0;
    bool hasUnixTime = false;
    int64_t mtimeSec = 0;
    uint32_t mtimeNsec = 0;
    uint32_t unpVer = 0;          // RAR 5.0: 50, 70 for the later revision, 0 for an unknown one
    uint32_t method = 0;          // 0x30 stored .. 0x35
    uint64_t dictionarySize = 0;  // bytes the decoder's window must reach back
    uint32_t attr = 0;
    uint64_t dataOffset = 0;  // where this part's data starts in the volume
    EntryCrypt crypt;         // when encrypted
};

enum class BlockKind { Entry, EndOfArchive, EndOfData };

struct Block {
    BlockKind kind = BlockKind::EndOfData;
    EntryHeader entry;                     // for Entry
    bool nextVolume = false;               // for EndOfArchive: another volume follows
    std::optional<uint64_t> volumeNumber;  // for EndOfArchive (RAR 1.5-4.x)
};

class FormatReader {
public:
    virtual ~FormatReader() = default;
    const ArchiveInfo& Info() const { return m_info; }
    // Returns the next entry or end marker and moves past it and its data; blocks the caller
    // does not need (service headers, comments, recovery records) are skipped by their sizes.
    // EndOfData at the end of the bytes; after EndOfArchive every call returns EndOfData.
    // Throws RarError(ERAR_BAD_DATA) for a damaged or truncated header, and the password errors
    // of encrypted headers (see OpenFormatReader).
    virtual Block Next() = 0;

protected:
    ArchiveInfo m_info;
};

// Finds the signature (at the start, or after a self-extracting module) and reads the main
// header. Throws RarError: ERAR_BAD_ARCHIVE (no RAR signature), ERAR_UNKNOWN_FORMAT (RAR 1.4 or
// an unknown version), ERAR_BAD_DATA (damaged main header), ERAR_MISSING_PASSWORD (encrypted
// headers and no keyring). The source must outlive the reader.
//
// With a keyring (which must outlive the reader too), encrypted headers are read with its
// password: while it has none, Next throws ERAR_MISSING_PASSWORD, and ERAR_BAD_PASSWORD when the
// password fails the archive's check value or, before any header passed, a header's check; in
// both cases the reader stays where it was, so that Next can be called again with another
// password. A RAR 5.0 archive's main header is itself encrypted: until Next has read it, Info()
// holds only the format.
std::unique_ptr<FormatReader> OpenFormatReader(const format::ByteSource& source,
                                               Keyring* keyring = nullptr);

}  // namespace kiv::rar
