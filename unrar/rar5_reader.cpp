// Block reader of RAR 5.0 volumes: vint headers, main, file, service and end-of-archive blocks.
#include "unrar/rar5_reader.h"

#include <zlib.h>
#include <cstring>

#include "unrar/cursor.h"
#include "unrar/dos_time.h"

namespace kiv::rar {

namespace {

constexpr uint8_t kSignature[8] = {0x52, 0x61, 0x72, 0x21, 0x1a, 0x07, 0x01, 0x00};
constexpr uint64_t kMaxHeaderSize = 2 * 1024 * 1024;
constexpr uint64_t kHeadMain = 1, kHeadFile = 2, kHeadCrypt = 4, kHeadEnd = 5;
constexpr uint64_t kBlockExtra = 0x01, kBlockData = 0x02, kBlockSplitBefore = 0x08,
                   kBlockSplitAfter = 0x10;
constexpr uint64_t kMainVolume = 0x01, kMainVolumeNumber = 0x02, kMainSolid = 0x04;
constexpr uint64_t kFileDirectory = 0x01, kFileUnixTime = 0x02, kFileCrc = 0x04,
                   kFileUnknownSize = 0x08;
constexpr uint64_t kEndNotLast = 0x01;
constexpr uint64_t kExtraCrypt = 1, kExtraHash = 2, kExtraTime = 3, kExtraRedirection = 5;
constexpr uint64_t kHashBlake2sp = 0;
constexpr uint64_t kTimeUnix = 0x01, kTimeMtime = 0x02, kTimeCtime = 0x04, kTimeAtime = 0x08,
                   kTimeNanoseconds = 0x10;
constexpr int64_t kWindowsToUnixSeconds = 11644473600LL;

size_t CheckedSize(uint64_t v, size_t limit, const char* what) {
    if (v > limit) Cursor::Fail(what);
    return static_cast<size_t>(v);
}

}  // namespace

bool IsRar5Signature(const uint8_t* data) {
    return std::memcmp(data, kSignature, 8) == 0;
}

Rar5Reader::Rar5Reader(const ByteSource& source, uint64_t start)
    : m_source(source), m_pos(start + 8) {
    m_info.format = RarFormat::Rar5;
    m_info.newNumbering = true;
    RawBlock block = ReadBlock();
    if (block.type == kHeadCrypt) {
        throw RarError(ERAR_MISSING_PASSWORD, "the archive's headers are encrypted");
    }
    if (block.type != kHeadMain) Cursor::Fail("main header missing");
    Cursor c(reinterpret_cast<const uint8_t*>(block.body.data()), block.body.size());
    c.Skip(block.fieldsStart);
    uint64_t flags = c.Vint();
    m_info.isVolume = (flags & kMainVolume) != 0;
    m_info.solid = (flags & kMainSolid) != 0;
    if (flags & kMainVolumeNumber) m_info.volumeNumber = c.Vint();
}

Rar5Reader::RawBlock Rar5Reader::ReadBlock() {
    uint8_t start[4 + 3];
    uint64_t avail = m_source.Size() - m_pos;
    size_t peek = avail < sizeof(start) ? static_cast<size_t>(avail) : sizeof(start);
    if (peek < 5 || !m_source.ReadAt(m_pos, start, peek)) Cursor::Fail("block header cut short");
    Cursor sizeCursor(start + 4, peek - 4);
    uint64_t headerSize = sizeCursor.Vint();
    const size_t sizeLength = sizeCursor.Position();
    if (headerSize == 0 || headerSize > kMaxHeaderSize) Cursor::Fail("bad header size");
    const uint64_t crcSpan = sizeLength + headerSize;
    std::string covered(static_cast<size_t>(crcSpan), '\0');
    if (!m_source.ReadAt(m_pos + 4, covered.data(), covered.size())) {
        Cursor::Fail("header cut short");
    }
    uint32_t stored = static_cast<uint32_t>(start[0]) | (static_cast<uint32_t>(start[1]) << 8) |
                      (static_cast<uint32_t>(start[2]) << 16) |
                      (static_cast<uint32_t>(start[3]) << 24);
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(covered.data()),
                      static_cast<uInt>(covered.size()));
    if (static_cast<uint32_t>(crc) != stored) Cursor::Fail("header check value mismatch");

    RawBlock block;
    block.body = covered.substr(sizeLength);
    Cursor c(reinterpret_cast<const uint8_t*>(block.body.data()), block.body.size());
    block.type = c.Vint();
    block.flags = c.Vint();
    if (block.flags & kBlockExtra) block.extraSize = c.Vint();
    if (block.flags & kBlockData) block.dataSize = c.Vint();
    block.fieldsStart = c.Position();
    if (block.extraSize > c.Left()) Cursor::Fail("extra area larger than the header");
    block.dataOffset = m_pos + 4 + crcSpan;
    uint64_t next = block.dataOffset + block.dataSize;
    if (next < block.dataOffset || next <= m_pos) Cursor::Fail("block does not advance");
    m_pos = next;
    return block;
}

Block Rar5Reader::Next() {
    while (!m_ended && m_pos != m_source.Size()) {
        if (m_pos > m_source.Size()) Cursor::Fail("data runs past the volume's end");
        RawBlock raw = ReadBlock();
        if (raw.type == kHeadEnd) {
            Cursor c(reinterpret_cast<const uint8_t*>(raw.body.data()), raw.body.size());
            c.Skip(raw.fieldsStart);
            Block block;
            block.kind = BlockKind::EndOfArchive;
            block.nextVolume = (c.Vint() & kEndNotLast) != 0;
            m_ended = true;
            return block;
        }
        if (raw.type != kHeadFile) continue;  // service headers, unknown blocks
        Block block;
        block.kind = BlockKind::Entry;
        block.entry = ParseFile(raw);
        return block;
    }
    if (m_pos > m_source.Size() && !m_ended) Cursor::Fail("data runs past the volume's end");
    Block end;
    end.kind = BlockKind::EndOfData;
    return end;
}

EntryHeader Rar5Reader::ParseFile(const RawBlock& raw) const {
    const auto* body = reinterpret_cast<const uint8_t*>(raw.body.data());
    const size_t extraStart = raw.body.size() - static_cast<size_t>(raw.extraSize);
    Cursor c(body, extraStart);
    c.Skip(raw.fieldsStart);
    EntryHeader e;
    const uint64_t fileFlags = c.Vint();
    e.unpSize = c.Vint();
    e.attr = static_cast<uint32_t>(c.Vint());
    if (fileFlags & kFileUnixTime) {
        e.hasUnixTime = true;
        e.mtimeSec = c.U32();
    }
    if (fileFlags & kFileCrc) {
        e.hasCrc = true;
        e.crc = c.U32();
    }
    const uint64_t compression = c.Vint();
    const uint64_t host = c.Vint();
    const size_t nameLength = CheckedSize(c.Vint(), c.Left(), "name longer than the header");
    e.name = c.Bytes(nameLength);
    if (e.name.empty()) Cursor::Fail("empty file name");
    if (e.name.find('\0') != std::string::npos) e.name.resize(e.name.find('\0'));
    ParseExtra(Cursor(body + extraStart, static_cast<size_t>(raw.extraSize)), e);

    e.hostOs = host == 0 ? 2 : host == 1 ? 3 : static_cast<uint32_t>(host & 0xff);
    e.unknownSize = (fileFlags & kFileUnknownSize) != 0;
    e.directory = (fileFlags & kFileDirectory) != 0;
    e.splitBefore = (raw.flags & kBlockSplitBefore) != 0;
    e.splitAfter = (raw.flags & kBlockSplitAfter) != 0;
    e.solid = (compression & 0x40) != 0;
    e.method = 0x30 + static_cast<uint32_t>((compression >> 7) & 7);
    e.unpVer = (compression & 0x3f) == 0 ? 50 : 70;
    e.stored = ((compression >> 7) & 7) == 0;
    if (e.hostOs == 3) {
        uint32_t type = e.attr & 0xF000;
        if (type != 0 && type != 0x8000 && type != 0x4000) e.specialFile = true;
    }
    e.flags = (e.splitBefore ? 0x01u : 0) | (e.splitAfter ? 0x02u : 0) | (e.encrypted ? 0x04u : 0) |
              (e.solid ? 0x10u : 0) | (e.directory ? 0x20u : 0);
    e.packSize = raw.dataSize;
    e.dataOffset = raw.dataOffset;
    if (e.hasUnixTime) e.dosTime = UnixToDosTime(e.mtimeSec);
    return e;
}

void Rar5Reader::ParseExtra(Cursor extra, EntryHeader& e) const {
    while (extra.Left() > 0) {
        const size_t size = CheckedSize(extra.Vint(), extra.Left(), "extra record too long");
        if (size == 0) Cursor::Fail("empty extra record");
        Cursor record(extra.Here(), size);
        extra.Skip(size);
        const uint64_t type = record.Vint();
        if (type == kExtraCrypt) {
            e.encrypted = true;
        } else if (type == kExtraHash) {
            if (record.Vint() == kHashBlake2sp) {
                std::string digest = record.Bytes(32);
                std::memcpy(e.blake2.data(), digest.data(), 32);
                e.hasBlake2 = true;
            }
        } else if (type == kExtraTime) {
            const uint64_t flags = record.Vint();
            const bool unix = (flags & kTimeUnix) != 0;
            int64_t seconds = 0;
            uint32_t nsec = 0;
            bool have = false;
            for (uint64_t bit : {kTimeMtime, kTimeCtime, kTimeAtime}) {
                if (!(flags & bit)) continue;
                if (unix) {
                    int64_t v = record.U32();
                    if (bit == kTimeMtime) seconds = v, have = true;
                } else {
                    uint64_t v = record.U64();
                    if (bit == kTimeMtime) {
                        seconds = static_cast<int64_t>(v / 10000000) - kWindowsToUnixSeconds;
                        nsec = static_cast<uint32_t>(v % 10000000) * 100;
                        have = true;
                    }
                }
            }
            if (unix && (flags & kTimeNanoseconds) && (flags & kTimeMtime)) {
                nsec = record.U32() % 1000000000u;
            }
            if (have) {
                e.hasUnixTime = true;
                e.mtimeSec = seconds;
                e.mtimeNsec = nsec;
            }
        } else if (type == kExtraRedirection) {
            e.specialFile = true;
        }
    }
}

}  // namespace kiv::rar
