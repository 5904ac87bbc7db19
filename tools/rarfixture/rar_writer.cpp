// Writes stored RAR 1.5-4.x and RAR 5.0 archives and volume sets for tests and benchmarks.
#include "tools/rarfixture/rar_writer.h"

#include <blake2.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>
#include <zlib.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <stdexcept>

#include "tools/rarfixture/fixture_crypt.h"
#include "unrar/name_codec.h"

namespace kiv::fixture {

namespace {

constexpr size_t kCopyChunk = 1 << 20;

using Bytes = std::string;

void Put8(Bytes& b, uint32_t v) {
    b += static_cast<char>(v & 0xff);
}
void Put16(Bytes& b, uint32_t v) {
    Put8(b, v);
    Put8(b, v >> 8);
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xffff);
    Put16(b, v >> 16);
}
void PutVint(Bytes& b, uint64_t v) {
    do {
        uint8_t byte = v & 0x7f;
        v >>= 7;
        if (v) byte |= 0x80;
        b += static_cast<char>(byte);
    } while (v);
}
void Set16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<char>(v & 0xff);
    b[at + 1] = static_cast<char>((v >> 8) & 0xff);
}

uint32_t Crc(const Bytes& b, size_t from = 0) {
    return static_cast<uint32_t>(
        crc32_z(0, reinterpret_cast<const Bytef*>(b.data()) + from, b.size() - from));
}

uint32_t DosTime(int64_t t) {
    time_t tt = static_cast<time_t>(t);
    struct tm tm {};
    localtime_r(&tt, &tm);
    if (tm.tm_year < 80) return 0;
    return (static_cast<uint32_t>(tm.tm_year - 80) << 25) |
           (static_cast<uint32_t>(tm.tm_mon + 1) << 21) |
           (static_cast<uint32_t>(tm.tm_mday) << 16) | (static_cast<uint32_t>(tm.tm_hour) << 11) |
           (static_cast<uint32_t>(tm.tm_min) << 5) | (static_cast<uint32_t>(tm.tm_sec) / 2);
}

// The RAR 1.5-4.x Unicode form: an ASCII stand-in name, a zero byte, the shared high byte,
// then per unit opcode 0 (low byte, high 0), 1 (low byte with the shared high byte) or 2 (both).
Bytes EncodeUnicodeName(const std::string& name) {
    std::vector<uint16_t> units = rar::Utf8ToUtf16(name);
    Bytes out;
    for (uint16_t u : units) out += u < 0x80 ? static_cast<char>(u) : '_';
    out += '\0';
    uint8_t high = 0;
    for (uint16_t u : units) {
        if (u >> 8) {
            high = static_cast<uint8_t>(u >> 8);
            break;
        }
    }
    out += static_cast<char>(high);
    for (size_t i = 0; i < units.size(); i += 4) {
        uint8_t flags = 0;
        Bytes group;
        for (size_t k = 0; k < 4 && i + k < units.size(); ++k) {
            uint16_t u = units[i + k];
            uint8_t op = (u >> 8) == 0 ? 0 : (u >> 8) == high ? 1 : 2;
            flags |= static_cast<uint8_t>(op << (6 - 2 * k));
            group += static_cast<char>(u & 0xff);
            if (op == 2) group += static_cast<char>(u >> 8);
        }
        out += static_cast<char>(flags);
        out += group;
    }
    return out;
}

Bytes Rar4Name(const FixtureEntry& e) {
    std::string name = e.name;
    std::replace(name.begin(), name.end(), '/', '\\');
    return e.nameForm == NameForm::Unicode ? EncodeUnicodeName(name) : name;
}

struct Part {
    uint64_t size = 0;
    uint64_t total = 0;
    bool splitBefore = false;
    bool splitAfter = false;
    uint32_t crc = 0;                 // of this part when split after it, else of the whole entry
    const uint8_t* blake2 = nullptr;  // the whole entry's hash, on its last part
    std::string salt;                 // RAR 1.5-4.x AES: the salt after the name
    std::string cryptRecord;          // RAR 5.0: the encryption record's fields
};

bool Encrypted(const FixtureEntry& e) {
    return e.encrypted || (!e.password.empty() && !e.directory);
}

Cipher CipherOf(const FixtureEntry& e, bool rar5) {
    if (e.password.empty() || e.directory) return Cipher::None;
    if (rar5) return Cipher::Aes256;
    return e.unpVer == 20 ? Cipher::Rar20 : Cipher::Aes128;
}

// The old comment block: its own check value, type 0x75, the comment's unpacked size,
// version, method and CRC, then the comment's stored or packed bytes.
Bytes Rar4CommentBlock(const OldComment& comment) {
    const bool packed = !comment.packed.empty();
    const Bytes& bytes = packed ? comment.packed : comment.text;
    Bytes c;
    Put16(c, 0);
    Put8(c, 0x75);
    Put16(c, 0);
    Put16(c, static_cast<uint32_t>(13 + bytes.size()));
    Put16(c, static_cast<uint32_t>(comment.text.size()));
    Put8(c, 20);
    Put8(c, packed ? 0x33 : 0x30);
    Put16(c, Crc(comment.text) & 0xffff);
    Set16(c, 0, Crc(c, 2) & 0xffff);
    return c + bytes;
}

Bytes Rar4FileHeader(const FixtureEntry& e, const Part& p) {
    const Bytes name = Rar4Name(e);
    const bool large = p.total > 0xffffffffu || p.size > 0xffffffffu;
    uint32_t flags = 0x8000 | (p.splitBefore ? 0x01 : 0) | (p.splitAfter ? 0x02 : 0) |
                     (Encrypted(e) ? 0x04 : 0) | (e.solid ? 0x10 : 0) |
                     (e.directory ? 0xE0 : (e.dictionary & 7) << 5) | (large ? 0x100 : 0) |
                     (e.nameForm != NameForm::Oem ? 0x200 : 0) | (p.salt.empty() ? 0 : 0x400) |
                     (e.comment.text.empty() ? 0 : 0x08) | e.extraFlags;
    Bytes h;
    Put16(h, 0);
    Put8(h, 0x74);
    Put16(h, flags);
    Put16(h, 0);
    Put32(h, static_cast<uint32_t>(p.size));
    Put32(h, static_cast<uint32_t>(p.total));
    Put8(h, e.hostOs);
    Put32(h, p.crc);
    Put32(h, DosTime(e.mtime));
    Put8(h, e.unpVer);
    Put8(h, e.method);
    Put16(h, static_cast<uint32_t>(name.size()));
    Put32(h, e.attr);
    if (large) {
        Put32(h, static_cast<uint32_t>(p.size >> 32));
        Put32(h, static_cast<uint32_t>(p.total >> 32));
    }
    h += name;
    h += p.salt;
    const size_t checked = h.size();
    if (!e.comment.text.empty()) h += Rar4CommentBlock(e.comment);
    if (h.size() > 0xffff) throw std::runtime_error("name too long for a RAR 1.5-4.x header");
    Set16(h, 5, static_cast<uint32_t>(h.size()));
    Set16(h, 0, Crc(h.substr(0, checked), 2) & 0xffff);
    return h;
}

Bytes Rar5Block(const Bytes& body) {
    Bytes sized;
    PutVint(sized, body.size());
    sized += body;
    Bytes block;
    Put32(block, Crc(sized));
    return block + sized;
}

Bytes Rar5FileHeader(const FixtureEntry& e, const Part& p) {
    Bytes extra;
    if (Encrypted(e)) {
        Bytes rec;
        PutVint(rec, 1);  // encryption record: version, flags, KDF count, salt, IV, check
        if (p.cryptRecord.empty()) {
            PutVint(rec, 0);
            PutVint(rec, 0);
            Put8(rec, 15);
            rec += Bytes(32, '\0');
        } else {
            rec += p.cryptRecord;
        }
        PutVint(extra, rec.size());
        extra += rec;
    }
    if (e.redirection != 0) {
        Bytes rec;
        PutVint(rec, 5);  // redirection record: type, flags, target
        PutVint(rec, e.redirection);
        PutVint(rec, 0);
        PutVint(rec, e.linkTarget.size());
        rec += e.linkTarget;
        PutVint(extra, rec.size());
        extra += rec;
    }
    if (p.blake2 != nullptr) {
        Bytes rec;
        PutVint(rec, 2);
        PutVint(rec, 0);
        rec.append(reinterpret_cast<const char*>(p.blake2), 32);
        PutVint(extra, rec.size());
        extra += rec;
    }
    const bool withCrc = !e.blake2 || p.splitAfter;
    Bytes body;
    PutVint(body, 2);
    PutVint(body, 0x02 | (extra.empty() ? 0 : 0x01) | (p.splitBefore ? 0x08 : 0) |
                      (p.splitAfter ? 0x10 : 0));
    if (!extra.empty()) PutVint(body, extra.size());
    PutVint(body, p.size);
    PutVint(body, (e.directory ? 0x01 : 0) | 0x02 | (withCrc ? 0x04 : 0));
    PutVint(body, p.total);
    PutVint(body, e.attr);
    Put32(body, static_cast<uint32_t>(e.mtime));
    if (withCrc) Put32(body, p.crc);
    const uint64_t compression = e.algorithm | (e.solid ? 0x40 : 0) |
                                 static_cast<uint64_t>(e.method - 0x30) << 7 |
                                 static_cast<uint64_t>(e.dictionary & 0x1f) << 10 |
                                 static_cast<uint64_t>(e.fraction & 0x1f) << 15;
    PutVint(body, e.directory ? 0 : compression);
    PutVint(body, e.hostOs == 3 ? 1 : 0);
    PutVint(body, e.name.size());
    body += e.name;
    body += extra;
    return Rar5Block(body);
}

class Source {
public:
    // The entry's contents, or with `packed` the bytes stored for them.
    Source(const FixtureEntry& e, bool packed)
        : m_bytes(packed ? e.packed : e.data), m_path(packed ? std::string() : e.sourcePath) {
        if (!m_path.empty()) {
            m_fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
            if (m_fd < 0) throw std::runtime_error("cannot open " + m_path);
            m_size = static_cast<uint64_t>(::lseek(m_fd, 0, SEEK_END));
        } else {
            m_size = m_bytes.size();
        }
    }
    ~Source() {
        if (m_fd >= 0) ::close(m_fd);
    }
    uint64_t Size() const { return m_size; }
    void Read(uint64_t offset, uint8_t* out, size_t n) const {
        if (m_fd < 0) {
            std::memcpy(out, m_bytes.data() + offset, n);
            return;
        }
        if (::pread(m_fd, out, n, static_cast<off_t>(offset)) != static_cast<ssize_t>(n)) {
            throw std::runtime_error("cannot read " + m_path);
        }
    }

private:
    const std::string& m_bytes;
    std::string m_path;
    int m_fd = -1;
    uint64_t m_size = 0;
};

// An entry's stored bytes in order, encrypted in whole blocks (the last padded with zeros) when
// the entry has a cipher.
class PackedReader {
public:
    PackedReader(const Source& source, StreamEncryptor* cipher, uint64_t total)
        : m_source(source), m_cipher(cipher), m_total(total) {}

    void Read(uint8_t* out, size_t n) {
        if (m_cipher == nullptr) {
            m_source.Read(m_pos, out, n);
            m_pos += n;
            return;
        }
        while (n > 0) {
            if (m_at == m_buffer.size()) Refill();
            const size_t take = std::min(n, m_buffer.size() - m_at);
            std::memcpy(out, m_buffer.data() + m_at, take);
            m_at += take;
            out += take;
            n -= take;
        }
    }

private:
    void Refill() {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kCopyChunk, m_total - m_pos));
        m_buffer.assign(chunk, 0);
        const uint64_t plain = m_pos < m_source.Size() ? m_source.Size() - m_pos : 0;
        m_source.Read(m_pos, m_buffer.data(),
                      static_cast<size_t>(std::min<uint64_t>(chunk, plain)));
        m_cipher->Encrypt(m_buffer.data(), chunk);
        m_pos += chunk;
        m_at = 0;
    }

    const Source& m_source;
    StreamEncryptor* m_cipher;
    uint64_t m_total;
    uint64_t m_pos = 0;
    std::vector<uint8_t> m_buffer;
    size_t m_at = 0;
};

// The first four bytes of the SHA-256 of a password check value, stored after it.
Bytes CheckSum(const std::array<uint8_t, 8>& check) {
    uint8_t digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_Digest(check.data(), check.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 failed");
    }
    return Bytes(reinterpret_cast<const char*>(digest), 4);
}

class SetWriter {
public:
    SetWriter(std::string path, const FixtureOptions& o)
        : m_path(std::move(path)),
          m_options(o),
          m_crypt(o.cryptSeed, o.kdfLog2, o.cryptVersion < 36, o.rar3Derivation, o.rar5Derivation) {
    }
    ~SetWriter() {
        if (m_fd >= 0) ::close(m_fd);
        if (!m_done) {
            for (const std::string& t : m_temps) ::unlink(t.c_str());
        }
    }

    void Add(const FixtureEntry& e);
    std::vector<std::string> Finish();

private:
    bool IsSet() const { return m_options.volumeSize > 0; }
    bool Rar5() const { return m_options.format == ArchiveFormat::Rar5; }
    Bytes Header(const FixtureEntry& e, const Part& p) const {
        return Rar5() ? Rar5FileHeader(e, p) : Rar4FileHeader(e, p);
    }
    bool HeadersEncrypted() const { return !m_options.headerPassword.empty(); }
    // A header as it goes into the volume: as it is, or encrypted.
    Bytes Sealed(const Bytes& plain) {
        if (!HeadersEncrypted()) return plain;
        return Rar5() ? m_crypt.Rar5Header(m_options.headerPassword, plain)
                      : m_crypt.Rar4Header(m_options.headerPassword, plain);
    }
    uint64_t SealedSize(size_t plain) const {
        if (!HeadersEncrypted()) return plain;
        return Rar5() ? ArchiveCrypt::Rar5HeaderSize(plain) : ArchiveCrypt::Rar4HeaderSize(plain);
    }
    uint64_t EndReserve() const {
        return !m_options.endBlocks
                   ? 0
                   : SealedSize(Rar5() ? 8 : 7 + (m_options.volumeNumbers ? 2 : 0));
    }
    // The entry's cipher, and the salt or encryption record its headers carry.
    std::unique_ptr<StreamEncryptor> EntryCipher(const FixtureEntry& e, Part& crypt,
                                                 std::optional<rar::Rar5Keys>& keys);
    Bytes CryptHeader();
    void OpenVolume();
    void CloseVolume(bool last);
    void Write(const Bytes& b) { WriteRaw(reinterpret_cast<const uint8_t*>(b.data()), b.size()); }
    void WriteRaw(const uint8_t* data, size_t n);

    std::string m_path;
    FixtureOptions m_options;
    ArchiveCrypt m_crypt;
    std::vector<std::string> m_temps;
    int m_fd = -1;
    uint64_t m_pos = 0;
    bool m_hasEntry = false;
    bool m_done = false;
};

void SetWriter::WriteRaw(const uint8_t* data, size_t n) {
    while (n > 0) {
        ssize_t done = ::write(m_fd, data, n);
        if (done <= 0)
            throw std::runtime_error(std::string("write failed: ") + std::strerror(errno));
        data += done;
        n -= static_cast<size_t>(done);
        m_pos += static_cast<uint64_t>(done);
    }
}

void SetWriter::OpenVolume() {
    std::string temp = m_path + ".fixture-" + std::to_string(m_temps.size());
    m_fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0) throw std::runtime_error("cannot create " + temp);
    m_temps.push_back(temp);
    m_pos = 0;
    m_hasEntry = false;
    const size_t index = m_temps.size() - 1;
    if (Rar5()) {
        Write(Bytes("Rar!\x1a\x07\x01\x00", 8));
        if (HeadersEncrypted()) Write(CryptHeader());
        Bytes body;
        PutVint(body, 1);
        PutVint(body, 0);
        PutVint(body, (IsSet() ? 0x01 : 0) | (IsSet() && index > 0 ? 0x02 : 0) |
                          (m_options.solid ? 0x04 : 0));
        if (IsSet() && index > 0) PutVint(body, index);
        Write(Sealed(Rar5Block(body)));
    } else {
        Write(Bytes("Rar!\x1a\x07\x00", 7));
        const bool versioned = m_options.cryptVersion >= 0;
        const bool comment = index == 0 && !m_options.archiveComment.text.empty();
        uint32_t flags = (IsSet() ? 0x01 | (index == 0 ? 0x100 : 0) : 0) |
                         (m_options.solid ? 0x08 : 0) | (HeadersEncrypted() ? 0x80 : 0) |
                         (versioned ? 0x200 : 0) | (comment ? 0x02 : 0);
        if (IsSet() && m_options.naming == VolumeNaming::New) flags |= 0x10;
        Bytes h;
        Put16(h, 0);
        Put8(h, 0x73);
        Put16(h, flags);
        Put16(h, versioned ? 14 : 13);
        h += Bytes(6, '\0');
        if (versioned) Put8(h, static_cast<uint32_t>(m_options.cryptVersion));
        const Bytes block = comment ? Rar4CommentBlock(m_options.archiveComment) : Bytes();
        Set16(h, 5, static_cast<uint32_t>(h.size() + block.size()));
        Set16(h, 0, Crc(h, 2) & 0xffff);
        Write(h + block);
    }
}

void SetWriter::CloseVolume(bool last) {
    if (m_options.endBlocks) {
        const bool next = !last && m_options.nextVolumeFlag;
        if (Rar5()) {
            Bytes body;
            PutVint(body, 5);
            PutVint(body, 0);
            PutVint(body, next ? 1 : 0);
            Write(Sealed(Rar5Block(body)));
        } else {
            Bytes h;
            Put16(h, 0);
            Put8(h, 0x7b);
            Put16(h, (next ? 0x01 : 0) | (m_options.volumeNumbers ? 0x08 : 0));
            Put16(h, 0);
            if (m_options.volumeNumbers) Put16(h, static_cast<uint32_t>(m_temps.size() - 1));
            Set16(h, 5, static_cast<uint32_t>(h.size()));
            Set16(h, 0, Crc(h, 2) & 0xffff);
            Write(Sealed(h));
        }
    }
    ::close(m_fd);
    m_fd = -1;
}

Bytes SetWriter::CryptHeader() {
    const rar::Rar5Keys keys = m_crypt.Rar5(m_options.headerPassword);
    Bytes body;
    PutVint(body, 4);
    PutVint(body, 0);
    PutVint(body, 0);  // version
    PutVint(body, m_options.passwordCheck ? 1 : 0);
    Put8(body, m_crypt.KdfLog2());
    body.append(m_crypt.Rar5Salt().begin(), m_crypt.Rar5Salt().end());
    if (m_options.passwordCheck) {
        body.append(keys.check.begin(), keys.check.end());
        body += CheckSum(keys.check);
    }
    return Rar5Block(body);
}

std::unique_ptr<StreamEncryptor> SetWriter::EntryCipher(const FixtureEntry& e, Part& crypt,
                                                        std::optional<rar::Rar5Keys>& keys) {
    switch (CipherOf(e, Rar5())) {
        case Cipher::Rar20:
            return MakeRar20Encryptor(e.password);
        case Cipher::Aes128: {
            const rar::Rar3Key key = m_crypt.Rar3(e.password);
            crypt.salt.assign(m_crypt.Rar3Salt().begin(), m_crypt.Rar3Salt().end());
            return MakeAesEncryptor(key.key.data(), key.key.size(), key.iv.data());
        }
        case Cipher::Aes256: {
            keys = m_crypt.Rar5(e.password);
            const std::array<uint8_t, 16> iv = m_crypt.NextIv();
            Bytes& rec = crypt.cryptRecord;
            PutVint(rec, 0);
            PutVint(rec, (m_options.passwordCheck ? 1 : 0) | (m_options.tweakedChecksums ? 2 : 0));
            Put8(rec, m_crypt.KdfLog2());
            rec.append(m_crypt.Rar5Salt().begin(), m_crypt.Rar5Salt().end());
            rec.append(iv.begin(), iv.end());
            if (m_options.passwordCheck) {
                rec.append(keys->check.begin(), keys->check.end());
                rec += CheckSum(keys->check);
            }
            return MakeAesEncryptor(keys->key.data(), keys->key.size(), iv.data());
        }
        case Cipher::None:
            break;
    }
    return nullptr;
}

void SetWriter::Add(const FixtureEntry& e) {
    if (m_fd < 0) OpenVolume();
    Source source(e, false);
    Source stored(e, !e.packed.empty());
    Part crypt;
    std::optional<rar::Rar5Keys> keys;
    const std::unique_ptr<StreamEncryptor> cipher = EntryCipher(e, crypt, keys);
    const uint64_t unpacked = e.directory ? 0 : source.Size();
    const bool link = e.redirection != 0;
    const uint64_t total = e.directory || link ? 0
                           : cipher            ? ArchiveCrypt::Padded(stored.Size())
                                               : stored.Size();
    PackedReader packed(stored, cipher.get(), total);
    const bool keyed = keys && m_options.tweakedChecksums;
    std::vector<uint8_t> buffer(kCopyChunk);
    uLong whole = crc32(0, nullptr, 0);
    blake2sp_state hash;
    blake2sp_init(&hash, 32);
    for (uint64_t at = 0; at < unpacked;) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(kCopyChunk, unpacked - at));
        source.Read(at, buffer.data(), n);
        whole = crc32_z(whole, buffer.data(), n);
        blake2sp_update(&hash, buffer.data(), n);
        at += n;
    }
    std::array<uint8_t, 32> digest{};
    blake2sp_final(&hash, digest.data(), 32);
    if (keyed) digest = rar::TransformHash(*keys, digest);

    uint64_t done = 0;
    bool first = true;
    do {
        Part p = crypt;
        p.total = unpacked;
        p.size = total - done;
        p.splitBefore = !first;
        uint64_t headerSize = SealedSize(Header(e, p).size());
        if (IsSet()) {
            const uint64_t need = m_pos + headerSize + EndReserve() + (p.size > 0 ? 1 : 0);
            if (need > m_options.volumeSize && m_hasEntry) {
                CloseVolume(false);
                OpenVolume();
            }
            const uint64_t used = m_pos + headerSize + EndReserve();
            const uint64_t room = used < m_options.volumeSize ? m_options.volumeSize - used : 0;
            p.size = std::min(p.size, std::max<uint64_t>(room, p.size > 0 ? 1 : 0));
        }
        p.splitAfter = done + p.size < total;
        p.blake2 = (e.blake2 && !p.splitAfter) ? digest.data() : nullptr;
        const uint64_t headerAt = m_pos;
        Write(Bytes(SealedSize(Header(e, p).size()), '\0'));
        uLong partCrc = crc32(0, nullptr, 0);
        for (uint64_t at = 0; at < p.size;) {
            size_t n = static_cast<size_t>(std::min<uint64_t>(kCopyChunk, p.size - at));
            packed.Read(buffer.data(), n);
            partCrc = crc32_z(partCrc, buffer.data(), n);
            WriteRaw(buffer.data(), n);
            at += n;
        }
        p.crc = link ? 0 : static_cast<uint32_t>(p.splitAfter ? partCrc : whole);
        if (keyed && !p.splitAfter && !link) p.crc = rar::TransformCrc(*keys, p.crc);
        const Bytes header = Sealed(Header(e, p));
        if (::pwrite(m_fd, header.data(), header.size(), static_cast<off_t>(headerAt)) !=
            static_cast<ssize_t>(header.size())) {
            throw std::runtime_error("cannot write a header");
        }
        m_hasEntry = true;
        done += p.size;
        first = false;
        if (p.splitAfter) {
            CloseVolume(false);
            OpenVolume();
        }
    } while (done < total);
}

std::vector<std::string> SetWriter::Finish() {
    if (m_fd < 0) OpenVolume();
    CloseVolume(true);
    std::vector<std::string> names = VolumeNames(m_path, m_options, m_temps.size());
    for (size_t i = 0; i < names.size(); ++i) {
        if (::rename(m_temps[i].c_str(), names[i].c_str()) != 0) {
            throw std::runtime_error("cannot rename to " + names[i]);
        }
    }
    m_done = true;
    return names;
}

}  // namespace

std::vector<std::string> VolumeNames(const std::string& path, const FixtureOptions& options,
                                     size_t count) {
    if (options.volumeSize == 0) return {path};
    std::string stem = path;
    if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".rar") == 0) {
        stem.resize(stem.size() - 4);
    }
    std::vector<std::string> names;
    if (options.naming == VolumeNaming::Old) {
        names.push_back(stem + ".rar");
        for (size_t i = 1; i < count; ++i) {
            char ext[8];
            std::snprintf(ext, sizeof ext, ".%c%02zu", static_cast<char>('r' + (i - 1) / 100),
                          (i - 1) % 100);
            names.push_back(stem + ext);
        }
        return names;
    }
    int digits = options.partDigits;
    if (digits == 0) digits = static_cast<int>(std::to_string(count).size());
    for (size_t i = 0; i < count; ++i) {
        char part[32];
        std::snprintf(part, sizeof part, ".part%0*zu.rar", digits, i + 1);
        names.push_back(stem + part);
    }
    return names;
}

std::vector<std::string> WriteRarArchive(const std::string& path,
                                         const std::vector<FixtureEntry>& entries,
                                         const FixtureOptions& options) {
    SetWriter writer(path, options);
    for (const FixtureEntry& e : entries) writer.Add(e);
    return writer.Finish();
}

}  // namespace kiv::fixture
