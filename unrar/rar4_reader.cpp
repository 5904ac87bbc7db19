// Block reader of RAR 1.5-4.x volumes: marker, main, file, end-of-archive and skipped blocks.
#include "unrar/rar4_reader.h"

#include <zlib.h>

#include <cstring>

#include "formatcore/endian.h"
#include "formatcore/rar4_layout.h"
#include "unrar/crypt_input.h"
#include "unrar/cursor.h"
#include "unrar/keyring.h"
#include "unrar/name_codec.h"
#include "unrar/volume_io.h"

namespace kiv::rar {

namespace {

namespace layout = format::rar4;

uint16_t HeaderCrc(const std::string& header, size_t size) {
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(header.data()) + layout::kTypeAt,
                      static_cast<uInt>(size - layout::kTypeAt));
    return static_cast<uint16_t>(crc & 0xffff);
}

uint16_t StoredCrc(const std::string& header) {
    return format::Le16(reinterpret_cast<const uint8_t*>(header.data()) + layout::kCrcAt);
}

// RAR 1.5-2.x keeps a file comment behind the name inside the file header, and the header's
// check value covers the fields up to the end of the name only.
bool OldCommentCrcMatches(const layout::BlockBase& base, const std::string& header) {
    if (base.type != layout::kFileHead || !(base.flags & layout::kFileComment)) return false;
    const auto fields =
        layout::ReadFileFields(reinterpret_cast<const uint8_t*>(header.data()), header.size());
    if (!fields) return false;
    const size_t nameEnd = fields->nameAt + fields->nameSize;
    return nameEnd < header.size() && HeaderCrc(header, nameEnd) == StoredCrc(header);
}

// The encryption version from which the writers derived keys with a correct SHA-1.
constexpr uint8_t kFixedHashVersion = 36;

CryptScheme SchemeOf(uint32_t unpVer) {
    switch (unpVer) {
        case 13:
            return CryptScheme::Rar13;
        case 15:
            return CryptScheme::Rar15;
        case 20:
            return CryptScheme::Rar20;
        default:
            return CryptScheme::Rar3Aes;
    }
}

bool IsSpecialUnixFile(uint32_t hostOs, uint32_t attr) {
    if (hostOs != layout::kHostUnix) return false;
    uint32_t type = attr & 0xF000;
    return type != 0 && type != 0x8000 && type != 0x4000;
}

}  // namespace

Rar4Reader::Rar4Reader(const format::ByteSource& source, uint64_t start, Keyring* keyring)
    : m_source(source), m_keyring(keyring), m_pos(start + layout::kMarkerSize) {
    m_info.format = RarFormat::Rar4;
    uint8_t bytes[layout::kBaseSize];
    if (!ReadVolume(m_source, m_pos, bytes, sizeof bytes)) Cursor::Fail("main header missing");
    const layout::BlockBase base = layout::ReadBase(bytes);
    if (base.type != layout::kMainHead) Cursor::Fail("main header missing");
    if (base.size < layout::kMainSize) Cursor::Fail("main header too small");
    std::string header = ReadHeaderBytes(m_pos, base.size);
    // RAR 2.x keeps an old-style comment inside the main header; depending on the version the
    // check value covers the whole header or only its fixed fields.
    uint16_t stored = StoredCrc(header);
    if (HeaderCrc(header, base.size) != stored && HeaderCrc(header, layout::kMainSize) != stored &&
        (base.size < 14 || HeaderCrc(header, 14) != stored)) {
        Cursor::Fail("main header check value mismatch");
    }
    m_info.encryptedHeaders = (base.flags & layout::kMainEncryptedHeaders) != 0;
    if (m_info.encryptedHeaders && m_keyring == nullptr) {
        throw RarError(ERAR_MISSING_PASSWORD, "the archive's headers are encrypted");
    }
    const bool versioned =
        (base.flags & layout::kMainCryptVersion) && base.size > layout::kMainCryptVersionAt;
    m_info.hashQuirk =
        !versioned || static_cast<uint8_t>(header[layout::kMainCryptVersionAt]) < kFixedHashVersion;
    m_info.isVolume = (base.flags & layout::kMainVolume) != 0;
    m_info.newNumbering = (base.flags & layout::kMainNewNumbering) != 0;
    m_info.firstVolumeFlag = (base.flags & layout::kMainFirstVolume) != 0;
    m_info.solid = (base.flags & layout::kMainSolid) != 0;
    m_pos += base.size;
}

std::string Rar4Reader::ReadHeaderBytes(uint64_t offset, uint16_t size) const {
    std::string header(size, '\0');
    if (!ReadVolume(m_source, offset, header.data(), size)) Cursor::Fail("header cut short");
    return header;
}

std::string Rar4Reader::DecryptHeader(uint64_t offset, uint64_t& dataStart) {
    if (m_keyring == nullptr || !m_keyring->HasPassword()) {
        throw RarError(ERAR_MISSING_PASSWORD, "the archive's headers are encrypted");
    }
    // Before any header passed, a header that fails its check means the password is wrong.
    const auto refuse = [&](const char* why) {
        if (!m_passwordProven) throw RarError(ERAR_BAD_PASSWORD, "wrong password for the headers");
        Cursor::Fail(why);
    };
    uint8_t salt[layout::kSaltSize];
    uint8_t first[layout::kCryptBlockSize];
    if (!ReadVolume(m_source, offset, salt, sizeof salt) ||
        !ReadVolume(m_source, offset + sizeof salt, first, sizeof first)) {
        Cursor::Fail("block header cut short");
    }
    const Rar3Key key = m_keyring->Rar3(salt, m_info.hashQuirk);
    const auto cipher = MakeAesCbcDecryptor(key.key.data(), key.key.size(), key.iv.data());
    cipher->Decrypt(first, sizeof first);
    const layout::BlockBase base = layout::ReadBase(first);
    if (base.size < layout::kBaseSize) refuse("block smaller than its base");
    const size_t padded = (base.size + layout::kCryptBlockSize - 1) / layout::kCryptBlockSize *
                          layout::kCryptBlockSize;
    std::string header(padded, '\0');
    std::memcpy(header.data(), first, sizeof first);
    if (padded > sizeof first && !ReadVolume(m_source, offset + sizeof salt + sizeof first,
                                             header.data() + sizeof first, padded - sizeof first)) {
        refuse("header cut short");  // a wrong password's size may reach past the end
    }
    cipher->Decrypt(reinterpret_cast<uint8_t*>(header.data()) + sizeof first,
                    padded - sizeof first);
    header.resize(base.size);
    if (HeaderCrc(header, base.size) != StoredCrc(header)) refuse("header check value mismatch");
    m_passwordProven = true;
    dataStart = offset + sizeof salt + padded;
    return header;
}

Block Rar4Reader::Next() {
    while (!m_ended) {
        if (m_pos == m_source.Size()) break;
        const uint64_t here = m_pos;
        // Encrypted headers are read whole; plain ones start with their base.
        std::string header;
        uint64_t dataStart = 0;
        layout::BlockBase base;
        if (m_info.encryptedHeaders) {
            header = DecryptHeader(here, dataStart);
            base = layout::ReadBase(reinterpret_cast<const uint8_t*>(header.data()));
        } else {
            uint8_t bytes[layout::kBaseSize];
            if (!ReadVolume(m_source, m_pos, bytes, sizeof bytes)) {
                Cursor::Fail("block header cut short");
            }
            base = layout::ReadBase(bytes);
            if (base.size < layout::kBaseSize) Cursor::Fail("block smaller than its base");
            dataStart = here + base.size;
        }

        if (base.type == layout::kFileHead || base.type == layout::kServiceHead ||
            base.type == layout::kEndHead) {
            if (header.empty()) {
                header = ReadHeaderBytes(here, base.size);
                if (HeaderCrc(header, base.size) != StoredCrc(header) &&
                    !OldCommentCrcMatches(base, header)) {
                    Cursor::Fail("header check value mismatch");
                }
            }
            if (base.type == layout::kEndHead) {
                Block block;
                block.kind = BlockKind::EndOfArchive;
                block.nextVolume = (base.flags & layout::kEndNextVolume) != 0;
                Cursor c(reinterpret_cast<const uint8_t*>(header.data()), header.size());
                c.Skip(layout::kBaseSize);
                if ((base.flags & layout::kEndDataCrc) && c.Left() >= 4) c.Skip(4);
                if ((base.flags & layout::kEndVolumeNumber) && c.Left() >= 2) {
                    block.volumeNumber = c.U16();
                }
                m_ended = true;
                return block;
            }
            EntryHeader entry = ParseFile(header, dataStart);
            m_pos = entry.dataOffset + entry.packSize;
            if (m_pos < entry.dataOffset) Cursor::Fail("data size overflows");
            if (base.type == layout::kServiceHead) continue;  // comments, recovery records, streams
            Block block;
            block.kind = BlockKind::Entry;
            block.entry = std::move(entry);
            return block;
        }

        // Old comment, authenticity, subblock, recovery and signature blocks are skipped by
        // their sizes; any other type must at least pass its header check.
        if (header.empty() &&
            (base.type < layout::kFirstOldHead || base.type > layout::kLastOldHead)) {
            header = ReadHeaderBytes(here, base.size);
            if (HeaderCrc(header, base.size) != StoredCrc(header)) {
                Cursor::Fail("header check value mismatch");
            }
        }
        uint64_t next = dataStart;
        if (base.flags & layout::kLongBlock) {
            if (base.size < layout::kLongBlockSize) {
                Cursor::Fail("long block without its data size");
            }
            uint8_t add[4];
            if (!header.empty()) {
                std::memcpy(add, header.data() + layout::kDataSizeAt, sizeof add);
            } else if (!ReadVolume(m_source, here + layout::kDataSizeAt, add, sizeof add)) {
                Cursor::Fail("block header cut short");
            }
            next += format::Le32(add);
        }
        if (next > m_source.Size()) Cursor::Fail("block runs past the volume's end");
        m_pos = next;
    }
    Block end;
    end.kind = BlockKind::EndOfData;
    return end;
}

EntryHeader Rar4Reader::ParseFile(const std::string& header, uint64_t dataStart) const {
    const auto* bytes = reinterpret_cast<const uint8_t*>(header.data());
    const auto fields = layout::ReadFileFields(bytes, header.size());
    if (!fields) Cursor::Fail("file header too small");
    EntryHeader e;
    e.hostOs = fields->hostOs;
    e.crc = fields->crc;
    e.hasCrc = true;
    e.dosTime = fields->dosTime;
    e.unpVer = fields->unpVer;
    e.method = fields->method;
    e.attr = fields->attributes;
    e.packSize = fields->packSize;
    e.unpSize = fields->unpSize;
    Cursor c(bytes, header.size());
    c.Skip(fields->nameAt);
    std::string raw = c.Bytes(fields->nameSize);
    if (raw.empty()) Cursor::Fail("empty file name");
    const uint16_t flags = fields->flags;
    size_t zero = raw.find('\0');
    if ((flags & layout::kFileUnicode) && zero != std::string::npos) {
        auto units = DecodeRarUnicodeName(raw.substr(0, zero), raw.substr(zero + 1));
        std::string utf8 = units ? Utf16ToUtf8(*units) : std::string();
        e.name = utf8.empty() ? raw.substr(0, zero) : utf8;
    } else {
        e.name = zero == std::string::npos ? raw : raw.substr(0, zero);
    }
    for (char& ch : e.name) {
        if (ch == '\\') ch = '/';
    }
    e.flags = flags;
    e.splitBefore = (flags & layout::kFileSplitBefore) != 0;
    e.splitAfter = (flags & layout::kFileSplitAfter) != 0;
    e.encrypted = (flags & layout::kFileEncrypted) != 0;
    e.solid = (flags & layout::kFileSolid) != 0;
    e.directory = (flags & layout::kFileDirectoryMask) == layout::kFileDirectoryMask;
    e.stored = e.method == layout::kMethodStored;
    // RAR 1.5 had one window size; the bits that name it later meant nothing then.
    const unsigned dictionaryBits =
        (flags & layout::kFileDirectoryMask) >> layout::kFileDictionaryShift;
    e.dictionarySize = e.directory || e.unpVer < 20
                           ? layout::kMinDictionary
                           : uint64_t{layout::kMinDictionary} << dictionaryBits;
    e.specialFile = IsSpecialUnixFile(e.hostOs, e.attr);
    if (e.encrypted) {
        e.crypt.scheme = SchemeOf(e.unpVer);
        if (flags & layout::kFileSalt) {
            std::string salt = c.Bytes(layout::kSaltSize);
            std::memcpy(e.crypt.salt.data(), salt.data(), salt.size());
            e.crypt.hasSalt = true;
        }
    }
    e.dataOffset = dataStart;
    return e;
}

}  // namespace kiv::rar
