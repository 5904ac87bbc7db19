// Block reader of RAR 5.0 volumes: vint headers, main, file, service and end-of-archive blocks.
#include "unrar/rar5_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "formatcore/dos_time.h"
#include "formatcore/endian.h"
#include "formatcore/rar4_layout.h"
#include "formatcore/rar5_layout.h"
#include "unrar/crypt_input.h"
#include "unrar/cursor.h"
#include "unrar/keyring.h"
#include "unrar/volume_io.h"

namespace kiv::rar {

namespace {

namespace layout = format::rar5;

constexpr int64_t kWindowsToUnixSeconds = 11644473600LL;

size_t CheckedSize(uint64_t v, size_t limit, const char* what) {
    if (v > limit) Cursor::Fail(what);
    return static_cast<size_t>(v);
}

template <size_t N>
void TakeBytes(Cursor& c, std::array<uint8_t, N>& out, size_t n) {
    const std::string bytes = c.Bytes(n);
    std::memcpy(out.data(), bytes.data(), n);
}

// The file encryption record; a version this library does not know leaves the scheme unknown.
void ParseCrypt(Cursor& record, EntryCrypt& crypt) {
    if (record.Vint() != 0) {
        crypt.scheme = CryptScheme::Unknown;
        return;
    }
    crypt.scheme = CryptScheme::Rar5Aes;
    const uint64_t flags = record.Vint();
    crypt.kdfLog2 = record.U8();
    TakeBytes(record, crypt.salt, layout::kSaltSize);
    crypt.hasSalt = true;
    TakeBytes(record, crypt.iv, layout::kIvSize);
    if (flags & layout::kCryptCheck) {
        TakeBytes(record, crypt.check, layout::kCheckSize);
        crypt.hasCheck = true;
    }
    crypt.transformedChecksums = (flags & layout::kCryptTweakedChecksums) != 0;
}

}  // namespace

Rar5Reader::Rar5Reader(const format::ByteSource& source, uint64_t start, Keyring* keyring)
    : m_source(source), m_keyring(keyring), m_pos(start + layout::kSignatureSize) {
    m_info.format = RarFormat::Rar5;
    m_info.newNumbering = true;
    RawBlock block = ReadBlock();
    if (block.type == layout::kCryptHead) {
        if (m_keyring == nullptr) {
            throw RarError(ERAR_MISSING_PASSWORD, "the archive's headers are encrypted");
        }
        ReadCryptHeader(block);
        if (m_keyring->HasPassword()) {
            ReadMain();
        } else {
            m_mainPending = true;
        }
        return;
    }
    if (block.type != layout::kMainHead) Cursor::Fail("main header missing");
    ParseMain(block);
}

void Rar5Reader::ParseMain(const RawBlock& block) {
    Cursor c(reinterpret_cast<const uint8_t*>(block.body.data()), block.body.size());
    c.Skip(block.fieldsStart);
    uint64_t flags = c.Vint();
    m_info.isVolume = (flags & layout::kMainVolume) != 0;
    m_info.solid = (flags & layout::kMainSolid) != 0;
    if (flags & layout::kMainVolumeNumber) m_info.volumeNumber = c.Vint();
}

void Rar5Reader::ReadCryptHeader(const RawBlock& block) {
    Cursor c(reinterpret_cast<const uint8_t*>(block.body.data()), block.body.size());
    c.Skip(block.fieldsStart);
    if (c.Vint() != 0) throw RarError(ERAR_UNKNOWN_FORMAT, "unknown header encryption");
    const uint64_t flags = c.Vint();
    m_headerCrypt.kdfLog2 = c.U8();
    const std::string salt = c.Bytes(layout::kSaltSize);
    std::memcpy(m_headerCrypt.salt.data(), salt.data(), salt.size());
    if (flags & layout::kCryptCheck) {
        const std::string check = c.Bytes(layout::kCheckSize);
        std::memcpy(m_headerCrypt.check.data(), check.data(), check.size());
        m_headerCrypt.hasCheck = true;
    }
    m_info.encryptedHeaders = true;
}

void Rar5Reader::ReadMain() {
    RawBlock block = ReadBlock();
    if (block.type != layout::kMainHead) Cursor::Fail("main header missing");
    ParseMain(block);
    m_mainPending = false;
}

std::string Rar5Reader::ReadPlainHeader(uint64_t& headerEnd) const {
    uint8_t start[layout::kCrcSize + layout::kMaxHeaderSizeLength];
    const size_t peek = ReadVolumeAt(m_source, m_pos, start, sizeof start);
    if (peek <= layout::kCrcSize) Cursor::Fail("block header cut short");
    const format::Vint headerSize =
        layout::ReadHeaderSize(start + layout::kCrcSize, peek - layout::kCrcSize);
    if (!headerSize.Ok()) {
        Cursor::Fail(std::string("bad header size: ") + format::Describe(headerSize.fault));
    }
    const uint64_t crcSpan = headerSize.length + headerSize.value;
    std::string covered(static_cast<size_t>(crcSpan), '\0');
    if (!ReadVolume(m_source, m_pos + layout::kCrcSize, covered.data(), covered.size())) {
        Cursor::Fail("header cut short");
    }
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(covered.data()),
                      static_cast<uInt>(covered.size()));
    if (static_cast<uint32_t>(crc) != format::Le32(start)) {
        Cursor::Fail("header check value mismatch");
    }
    headerEnd = m_pos + layout::kCrcSize + crcSpan;
    return covered;
}

std::string Rar5Reader::ReadEncryptedHeader(uint64_t& headerEnd) {
    if (!m_keyring->HasPassword()) {
        throw RarError(ERAR_MISSING_PASSWORD, "the archive's headers are encrypted");
    }
    const Rar5Keys keys = m_keyring->Rar5(m_headerCrypt.salt.data(), m_headerCrypt.kdfLog2);
    if (m_headerCrypt.hasCheck && keys.check != m_headerCrypt.check) {
        throw RarError(ERAR_BAD_PASSWORD, "wrong password for the headers");
    }
    // Without a check value, a first header that fails its check means a wrong password.
    const bool blamePassword = !m_headerCrypt.hasCheck && !m_passwordProven;
    const auto fail = [&](const std::string& why) {
        if (blamePassword) throw RarError(ERAR_BAD_PASSWORD, "wrong password for the headers");
        Cursor::Fail(why);
    };
    constexpr size_t kBlock = layout::kCryptBlockSize;
    uint8_t iv[layout::kIvSize];
    uint8_t first[kBlock];
    if (!ReadVolume(m_source, m_pos, iv, sizeof iv) ||
        !ReadVolume(m_source, m_pos + sizeof iv, first, sizeof first)) {
        Cursor::Fail("block header cut short");
    }
    const auto cipher = MakeAesCbcDecryptor(keys.key.data(), keys.key.size(), iv);
    cipher->Decrypt(first, sizeof first);
    const format::Vint headerSize =
        layout::ReadHeaderSize(first + layout::kCrcSize, kBlock - layout::kCrcSize);
    if (!headerSize.Ok()) {
        fail(std::string("bad header size: ") + format::Describe(headerSize.fault));
    }
    const uint64_t crcSpan = headerSize.length + headerSize.value;
    const size_t padded =
        static_cast<size_t>((layout::kCrcSize + crcSpan + kBlock - 1) / kBlock * kBlock);
    std::string all(padded, '\0');
    std::memcpy(all.data(), first, sizeof first);
    if (padded > kBlock &&
        !ReadVolume(m_source, m_pos + sizeof iv + kBlock, all.data() + kBlock, padded - kBlock)) {
        fail("header cut short");  // a wrong password's size may reach past the end
    }
    cipher->Decrypt(reinterpret_cast<uint8_t*>(all.data()) + kBlock, padded - kBlock);
    std::string covered = all.substr(layout::kCrcSize, static_cast<size_t>(crcSpan));
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(covered.data()),
                      static_cast<uInt>(covered.size()));
    if (static_cast<uint32_t>(crc) != format::Le32(reinterpret_cast<const uint8_t*>(all.data()))) {
        fail("header check value mismatch");
    }
    m_passwordProven = true;
    headerEnd = m_pos + sizeof iv + padded;
    return covered;
}

Rar5Reader::RawBlock Rar5Reader::ReadBlock() {
    uint64_t headerEnd = 0;
    const std::string covered =
        m_info.encryptedHeaders ? ReadEncryptedHeader(headerEnd) : ReadPlainHeader(headerEnd);
    const format::Vint headerSize =
        layout::ReadHeaderSize(reinterpret_cast<const uint8_t*>(covered.data()), covered.size());

    RawBlock block;
    block.body = covered.substr(headerSize.length);
    Cursor c(reinterpret_cast<const uint8_t*>(block.body.data()), block.body.size());
    const layout::BlockHead head = c.Must(layout::ReadBlockHead(c.Fields()));
    block.type = head.type;
    block.flags = head.flags;
    block.extraSize = head.extraSize;
    block.dataSize = head.dataSize;
    block.fieldsStart = c.Position();
    block.dataOffset = headerEnd;
    uint64_t next = block.dataOffset + block.dataSize;
    if (next < block.dataOffset || next <= m_pos) Cursor::Fail("block does not advance");
    m_pos = next;
    return block;
}

Block Rar5Reader::Next() {
    if (m_mainPending) ReadMain();
    while (!m_ended && m_pos != m_source.Size()) {
        if (m_pos > m_source.Size()) Cursor::Fail("data runs past the volume's end");
        RawBlock raw = ReadBlock();
        if (raw.type == layout::kEndHead) {
            Cursor c(reinterpret_cast<const uint8_t*>(raw.body.data()), raw.body.size());
            c.Skip(raw.fieldsStart);
            Block block;
            block.kind = BlockKind::EndOfArchive;
            block.nextVolume = (c.Vint() & layout::kEndNotLast) != 0;
            m_ended = true;
            return block;
        }
        if (raw.type != layout::kFileHead) continue;  // service headers, unknown blocks
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
    const layout::FileFields f = c.Must(layout::ReadFileFields(c.Fields()));
    EntryHeader e;
    e.unpSize = f.unpSize;
    e.attr = static_cast<uint32_t>(f.attributes);
    if (f.mtime) {
        e.hasUnixTime = true;
        e.mtimeSec = *f.mtime;
    }
    if (f.crc) {
        e.hasCrc = true;
        e.crc = *f.crc;
    }
    e.name = std::string(f.name);
    if (e.name.empty()) Cursor::Fail("empty file name");
    if (e.name.find('\0') != std::string::npos) e.name.resize(e.name.find('\0'));
    ParseExtra(Cursor(body + extraStart, static_cast<size_t>(raw.extraSize)), e);

    e.hostOs = layout::Rar4Host(f.host);
    e.unknownSize = (f.fileFlags & layout::kFileUnknownSize) != 0;
    e.directory = (f.fileFlags & layout::kFileDirectory) != 0;
    e.splitBefore = (raw.flags & layout::kBlockSplitBefore) != 0;
    e.splitAfter = (raw.flags & layout::kBlockSplitAfter) != 0;
    const uint64_t method =
        (f.compression >> layout::kCompressionMethodShift) & layout::kCompressionMethodMask;
    e.solid = (f.compression & layout::kCompressionSolid) != 0;
    e.method = 0x30 + static_cast<uint32_t>(method);
    switch (f.compression & layout::kCompressionVersionMask) {
        case 0:
            e.unpVer = 50;
            break;
        case 1:
            e.unpVer = 70;
            break;
        default:
            e.unpVer = 0;  // a later algorithm: listed, but no decoder will take it
            break;
    }
    e.dictionarySize = layout::DictionarySize(f.compression);
    e.stored = method == 0;
    if (e.hostOs == format::rar4::kHostUnix) {
        uint32_t type = e.attr & 0xF000;
        if (type != 0 && type != 0x8000 && type != 0x4000) e.specialFile = true;
    }
    e.flags = (e.splitBefore ? 0x01u : 0) | (e.splitAfter ? 0x02u : 0) | (e.encrypted ? 0x04u : 0) |
              (e.solid ? 0x10u : 0) | (e.directory ? 0x20u : 0);
    e.packSize = raw.dataSize;
    e.dataOffset = raw.dataOffset;
    if (e.hasUnixTime) e.dosTime = format::UnixToDosTime(e.mtimeSec);
    return e;
}

void Rar5Reader::ParseExtra(Cursor extra, EntryHeader& e) const {
    while (extra.Left() > 0) {
        const size_t size = CheckedSize(extra.Vint(), extra.Left(), "extra record too long");
        if (size == 0) Cursor::Fail("empty extra record");
        Cursor record(extra.Here(), size);
        extra.Skip(size);
        const uint64_t type = record.Vint();
        if (type == layout::kExtraCrypt) {
            e.encrypted = true;
            ParseCrypt(record, e.crypt);
        } else if (type == layout::kExtraHash) {
            if (record.Vint() == layout::kHashBlake2sp) {
                std::string digest = record.Bytes(layout::kBlake2spSize);
                std::memcpy(e.blake2.data(), digest.data(), layout::kBlake2spSize);
                e.hasBlake2 = true;
            }
        } else if (type == layout::kExtraTime) {
            const uint64_t flags = record.Vint();
            const bool unix = (flags & layout::kTimeUnix) != 0;
            int64_t seconds = 0;
            uint32_t nsec = 0;
            bool have = false;
            for (uint64_t bit : {layout::kTimeMtime, layout::kTimeCtime, layout::kTimeAtime}) {
                if (!(flags & bit)) continue;
                if (unix) {
                    int64_t v = record.U32();
                    if (bit == layout::kTimeMtime) seconds = v, have = true;
                } else {
                    uint64_t v = record.U64();
                    if (bit == layout::kTimeMtime) {
                        seconds = static_cast<int64_t>(v / 10000000) - kWindowsToUnixSeconds;
                        nsec = static_cast<uint32_t>(v % 10000000) * 100;
                        have = true;
                    }
                }
            }
            if (unix && (flags & layout::kTimeNanoseconds) && (flags & layout::kTimeMtime)) {
                nsec = record.U32() % 1000000000u;
            }
            if (have) {
                e.hasUnixTime = true;
                e.mtimeSec = seconds;
                e.mtimeNsec = nsec;
            }
        } else if (type == layout::kExtraRedirection) {
            e.specialFile = true;
            const uint64_t kind = record.Vint();
            record.Vint();  // flags: a symbolic link to a folder
            const size_t length = CheckedSize(record.Vint(), record.Left(), "link target too long");
            e.redirection = static_cast<uint32_t>(std::min<uint64_t>(kind, UINT32_MAX));
            e.linkTarget = record.Bytes(length);
        }
    }
}

}  // namespace kiv::rar
