// Block reader of RAR 1.5-4.x volumes: marker, main, file, end-of-archive and skipped blocks.
#include "unrar/rar4_reader.h"

#include <zlib.h>
#include <cstring>

#include "unrar/cursor.h"
#include "unrar/dos_time.h"
#include "unrar/name_codec.h"

namespace kiv::rar {

namespace {

constexpr uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1a, 0x07, 0x00};
constexpr uint8_t kMainHead = 0x73, kFileHead = 0x74, kNewSubHead = 0x7a, kEndHead = 0x7b;
constexpr uint16_t kLongBlock = 0x8000;
constexpr uint16_t kMainVolume = 0x0001, kMainSolid = 0x0008, kMainNewNumbering = 0x0010,
                   kMainPassword = 0x0080, kMainFirstVolume = 0x0100;
constexpr uint16_t kFileSplitBefore = 0x01, kFileSplitAfter = 0x02, kFilePassword = 0x04,
                   kFileSolid = 0x10, kFileDirMask = 0xE0, kFileLarge = 0x100, kFileUnicode = 0x200;
constexpr uint16_t kEndNextVolume = 0x01, kEndDataCrc = 0x02, kEndVolNumber = 0x08;
constexpr size_t kFileFixedSize = 32;  // 7-byte base + 25 bytes of fixed file fields

uint16_t HeaderCrc(const std::string& header, size_t size) {
    uLong crc =
        crc32(0L, reinterpret_cast<const Bytef*>(header.data()) + 2, static_cast<uInt>(size - 2));
    return static_cast<uint16_t>(crc & 0xffff);
}

uint16_t StoredCrc(const std::string& header) {
    return static_cast<uint16_t>(static_cast<uint8_t>(header[0]) |
                                 (static_cast<uint8_t>(header[1]) << 8));
}

bool IsSpecialUnixFile(uint32_t hostOs, uint32_t attr) {
    if (hostOs != 3) return false;
    uint32_t type = attr & 0xF000;
    return type != 0 && type != 0x8000 && type != 0x4000;
}

}  // namespace

bool IsRar4Marker(const uint8_t* data) {
    return std::memcmp(data, kMarker, 7) == 0;
}

Rar4Reader::Rar4Reader(const ByteSource& source, uint64_t start)
    : m_source(source), m_pos(start + 7) {
    m_info.format = RarFormat::Rar4;
    uint8_t base[7];
    if (!m_source.ReadAt(m_pos, base, 7) || base[2] != kMainHead) {
        Cursor::Fail("main header missing");
    }
    uint16_t size = static_cast<uint16_t>(base[5] | (base[6] << 8));
    if (size < 13) Cursor::Fail("main header too small");
    std::string header = ReadHeaderBytes(m_pos, size);
    // RAR 2.x keeps an old-style comment inside the main header; depending on the version the
    // check value covers the whole header or only its fixed fields.
    uint16_t stored = StoredCrc(header);
    if (HeaderCrc(header, size) != stored && HeaderCrc(header, 13) != stored &&
        (size < 14 || HeaderCrc(header, 14) != stored)) {
        Cursor::Fail("main header check value mismatch");
    }
    uint16_t flags = static_cast<uint16_t>(base[3] | (base[4] << 8));
    if (flags & kMainPassword) {
        throw RarError(ERAR_MISSING_PASSWORD, "the archive's headers are encrypted");
    }
    m_info.isVolume = (flags & kMainVolume) != 0;
    m_info.newNumbering = (flags & kMainNewNumbering) != 0;
    m_info.firstVolumeFlag = (flags & kMainFirstVolume) != 0;
    m_info.solid = (flags & kMainSolid) != 0;
    m_pos += size;
}

std::string Rar4Reader::ReadHeaderBytes(uint64_t offset, uint16_t size) const {
    std::string header(size, '\0');
    if (!m_source.ReadAt(offset, header.data(), size)) Cursor::Fail("header cut short");
    return header;
}

Block Rar4Reader::Next() {
    while (!m_ended) {
        if (m_pos == m_source.Size()) break;
        uint8_t base[7];
        if (!m_source.ReadAt(m_pos, base, 7)) Cursor::Fail("block header cut short");
        const uint8_t type = base[2];
        const uint16_t flags = static_cast<uint16_t>(base[3] | (base[4] << 8));
        const uint16_t size = static_cast<uint16_t>(base[5] | (base[6] << 8));
        if (size < 7) Cursor::Fail("block smaller than its base");
        const uint64_t here = m_pos;

        if (type == kFileHead || type == kNewSubHead || type == kEndHead) {
            std::string header = ReadHeaderBytes(here, size);
            if (HeaderCrc(header, size) != StoredCrc(header)) {
                Cursor::Fail("header check value mismatch");
            }
            if (type == kEndHead) {
                Block block;
                block.kind = BlockKind::EndOfArchive;
                block.nextVolume = (flags & kEndNextVolume) != 0;
                Cursor c(reinterpret_cast<const uint8_t*>(header.data()), header.size());
                c.Skip(7);
                if ((flags & kEndDataCrc) && c.Left() >= 4) c.Skip(4);
                if ((flags & kEndVolNumber) && c.Left() >= 2) block.volumeNumber = c.U16();
                m_ended = true;
                return block;
            }
            EntryHeader entry = ParseFile(header, here);
            m_pos = entry.dataOffset + entry.packSize;
            if (m_pos < entry.dataOffset) Cursor::Fail("data size overflows");
            if (type == kNewSubHead) continue;  // comments, recovery records, streams
            Block block;
            block.kind = BlockKind::Entry;
            block.entry = std::move(entry);
            return block;
        }

        // Old comment, authenticity, subblock, recovery and signature blocks are skipped by
        // their sizes; any other type must at least pass its header check.
        if (type < 0x75 || type > 0x79) {
            std::string header = ReadHeaderBytes(here, size);
            if (HeaderCrc(header, size) != StoredCrc(header)) {
                Cursor::Fail("header check value mismatch");
            }
        }
        uint64_t next = here + size;
        if (flags & kLongBlock) {
            if (size < 11) Cursor::Fail("long block without its data size");
            uint8_t add[4];
            if (!m_source.ReadAt(here + 7, add, 4)) Cursor::Fail("block header cut short");
            next += static_cast<uint64_t>(add[0]) | (static_cast<uint64_t>(add[1]) << 8) |
                    (static_cast<uint64_t>(add[2]) << 16) | (static_cast<uint64_t>(add[3]) << 24);
        }
        if (next > m_source.Size()) Cursor::Fail("block runs past the volume's end");
        m_pos = next;
    }
    Block end;
    end.kind = BlockKind::EndOfData;
    return end;
}

EntryHeader Rar4Reader::ParseFile(const std::string& header, uint64_t offset) const {
    Cursor c(reinterpret_cast<const uint8_t*>(header.data()), header.size());
    c.Skip(3);
    const uint16_t flags = c.U16();
    c.Skip(2);
    if (header.size() < kFileFixedSize) Cursor::Fail("file header too small");
    EntryHeader e;
    uint64_t packLow = c.U32();
    uint64_t unpLow = c.U32();
    e.hostOs = c.U8();
    e.crc = c.U32();
    e.hasCrc = true;
    e.dosTime = c.U32();
    e.unpVer = c.U8();
    e.method = c.U8();
    const uint16_t nameSize = c.U16();
    e.attr = c.U32();
    e.packSize = packLow;
    e.unpSize = unpLow;
    if (flags & kFileLarge) {
        e.packSize |= static_cast<uint64_t>(c.U32()) << 32;
        e.unpSize |= static_cast<uint64_t>(c.U32()) << 32;
    }
    std::string raw = c.Bytes(nameSize);
    if (raw.empty()) Cursor::Fail("empty file name");
    size_t zero = raw.find('\0');
    if ((flags & kFileUnicode) && zero != std::string::npos) {
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
    e.splitBefore = (flags & kFileSplitBefore) != 0;
    e.splitAfter = (flags & kFileSplitAfter) != 0;
    e.encrypted = (flags & kFilePassword) != 0;
    e.solid = (flags & kFileSolid) != 0;
    e.directory = (flags & kFileDirMask) == kFileDirMask;
    e.stored = e.method == 0x30;
    e.specialFile = IsSpecialUnixFile(e.hostOs, e.attr);
    e.dataOffset = offset + header.size();
    return e;
}

}  // namespace kiv::rar
