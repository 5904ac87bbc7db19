// rar5_decode: drives the RAR 5.0 decoder over every entry of a RAR 5.0 archive or volume set
// (one decoder across the entries, as a solid archive needs), checks each entry's CRC-32 or
// BLAKE2sp, and optionally writes the entries, repeats the run for timing, or writes each
// entry's packed data as a fuzzer seed.
#include <blake2.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formatcore/endian.h"
#include "formatcore/file_source.h"
#include "formatcore/rar5_layout.h"
#include "unrar/decoder.h"
#include "unrar/rar_error.h"
#include "unrar/volume_name.h"

namespace {

namespace fs = std::filesystem;
namespace rar5 = kiv::format::rar5;
using kiv::format::FieldCursor;
using kiv::format::FileSource;

struct Part {
    const FileSource* volume;
    uint64_t offset;
    uint64_t size;
};

struct Entry {
    std::string name;
    bool directory = false;
    bool unknownSize = false;
    uint64_t unpSize = 0;
    uint64_t compression = 0;
    std::optional<uint32_t> crc;
    std::optional<std::string> blake2;
    std::vector<Part> parts;
};

[[noreturn]] void Fail(const std::string& why) {
    throw std::runtime_error(why);
}

// The bytes of every volume of the set, and the entries (their parts gathered) in order.
class VolumeSet {
public:
    explicit VolumeSet(const std::string& first) {
        std::string path = first;
        for (;;) {
            std::string why;
            auto volume = FileSource::Open(path, &why);
            if (!volume) Fail(why);
            m_volumes.push_back(std::move(volume));
            if (!Walk(*m_volumes.back())) break;
            path = kiv::rar::NextVolumeNameNew(path);
        }
    }
    const std::vector<Entry>& Entries() const { return m_entries; }

private:
    // Reads the volume's blocks; true when another volume follows.
    bool Walk(const FileSource& v) {
        uint64_t pos = FindSignature(v) + rar5::kSignatureSize;
        while (pos < v.Size()) {
            uint8_t start[rar5::kCrcSize + rar5::kMaxHeaderSizeLength] = {};
            const size_t got = v.ReadAt(pos, start, sizeof start);
            const auto size = rar5::ReadHeaderSize(start + rar5::kCrcSize, got > 4 ? got - 4 : 0);
            if (!size.Ok()) Fail("bad block header at " + std::to_string(pos));
            std::vector<uint8_t> header(size.value);
            const uint64_t at = pos + rar5::kCrcSize + size.length;
            if (!v.ReadExact(at, header.data(), header.size())) Fail("header cut short");
            FieldCursor c(header.data(), header.size());
            const auto head = rar5::ReadBlockHead(c);
            if (!head) Fail("bad block header");
            const uint64_t data = at + size.value;
            if (head->type == rar5::kEndHead) {
                const auto flags = c.Vint();
                return flags && (*flags & rar5::kEndNotLast);
            }
            if (head->type == rar5::kFileHead) {
                FieldCursor fields(header.data(), header.size() - head->extraSize);
                fields.Skip(c.Position());
                AddPart(*head, fields, header.data() + header.size() - head->extraSize,
                        Part{&v, data, head->dataSize});
            }
            pos = data + head->dataSize;
        }
        return false;
    }

    static uint64_t FindSignature(const FileSource& v) {
        std::vector<uint8_t> head(std::min<uint64_t>(v.Size(), 4 << 20));
        v.ReadAt(0, head.data(), head.size());
        for (size_t i = 0; i + rar5::kSignatureSize <= head.size(); ++i) {
            if (rar5::IsSignature(&head[i])) return i;
        }
        Fail(v.Path() + ": no RAR 5.0 signature");
    }

    static std::optional<std::string> ReadBlake2(const uint8_t* extra, uint64_t size) {
        FieldCursor x(extra, size);
        while (x.Left() > 0) {
            const auto length = x.Vint();
            if (!length || *length == 0 || *length > x.Left()) break;
            FieldCursor record(x.Here(), *length);
            x.Skip(*length);
            const auto type = record.Vint();
            if (type && *type == rar5::kExtraHash) {
                const auto kind = record.Vint();
                const auto digest = record.Bytes(rar5::kBlake2spSize);
                if (kind && *kind == rar5::kHashBlake2sp && digest) return std::string(*digest);
            }
        }
        return std::nullopt;
    }

    void AddPart(const rar5::BlockHead& head, FieldCursor& c, const uint8_t* extra,
                 const Part& part) {
        const auto f = rar5::ReadFileFields(c);
        if (!f) Fail("bad file header");
        if (head.flags & rar5::kBlockSplitBefore) {
            if (m_entries.empty()) Fail("a continued entry without its start");
            // The check values of an entry's earlier parts are those of their packed bytes;
            // the last part carries the entry's.
            Entry& e = m_entries.back();
            e.crc = f->crc;
            e.blake2 = ReadBlake2(extra, head.extraSize);
            e.parts.push_back(part);
            return;
        }
        Entry e;
        e.name = std::string(f->name);
        e.directory = (f->fileFlags & rar5::kFileDirectory) != 0;
        e.unknownSize = (f->fileFlags & rar5::kFileUnknownSize) != 0;
        e.unpSize = f->unpSize;
        e.compression = f->compression;
        e.crc = f->crc;
        e.blake2 = ReadBlake2(extra, head.extraSize);
        e.parts.push_back(part);
        m_entries.push_back(std::move(e));
    }

    std::vector<std::unique_ptr<FileSource>> m_volumes;
    std::vector<Entry> m_entries;
};

// An entry's packed bytes across its parts, as one stream.
class PartsInput : public kiv::rar::PackedInput {
public:
    explicit PartsInput(const std::vector<Part>& parts) : m_parts(parts) {}
    size_t Read(uint8_t* data, size_t size) override {
        while (m_index < m_parts.size() && m_done == m_parts[m_index].size) {
            ++m_index;
            m_done = 0;
        }
        if (m_index == m_parts.size()) return 0;
        const Part& p = m_parts[m_index];
        const size_t n = static_cast<size_t>(std::min<uint64_t>(size, p.size - m_done));
        const size_t got = p.volume->ReadAt(p.offset + m_done, data, n);
        m_done += got;
        if (got == 0) m_done = p.size;  // the volume ends early: the decoder sees the cut
        return got;
    }

private:
    const std::vector<Part>& m_parts;
    size_t m_index = 0;
    uint64_t m_done = 0;
};

class CheckingSink : public kiv::rar::UnpackedSink {
public:
    // Computes the check the entry has: BLAKE2sp, or else CRC-32.
    CheckingSink(const Entry& e, std::ofstream* file)
        : m_file(file), m_blake(e.blake2.has_value()) {
        blake2sp_init(&m_blake2, 32);
    }
    void Write(const uint8_t* data, size_t size) override {
        if (m_blake) {
            blake2sp_update(&m_blake2, data, size);
        } else {
            m_crc = crc32_z(m_crc, data, size);
        }
        if (m_file) m_file->write(reinterpret_cast<const char*>(data), std::streamsize(size));
        m_size += size;
    }
    bool Matches(const Entry& e) {
        if (!e.unknownSize && m_size != e.unpSize) return false;
        if (e.blake2) {
            uint8_t digest[32];
            blake2sp_final(&m_blake2, digest, sizeof digest);
            return std::memcmp(digest, e.blake2->data(), sizeof digest) == 0;
        }
        return !e.crc || static_cast<uint32_t>(m_crc) == *e.crc;
    }

private:
    std::ofstream* m_file;
    bool m_blake;
    uLong m_crc = 0;
    blake2sp_state m_blake2{};
    uint64_t m_size = 0;
};

kiv::rar::DecodeParams ParamsOf(const Entry& e) {
    kiv::rar::DecodeParams p;
    const uint64_t version = e.compression & rar5::kCompressionVersionMask;
    p.unpVer = version == 0 ? 50 : 70;
    p.unpSize = e.unpSize;
    p.unknownSize = e.unknownSize;
    p.solid = (e.compression & rar5::kCompressionSolid) != 0;
    // 128 KiB shifted by bits 10-14; the later revision adds 32nds of that in bits 15-19.
    const unsigned shift =
        static_cast<unsigned>((e.compression >> 10) & (version == 0 ? 0xF : 0x1F));
    p.dictionarySize = uint64_t{128 * 1024} << shift;
    if (version != 0) p.dictionarySize += ((e.compression >> 15) & 0x1F) * (p.dictionarySize / 32);
    return p;
}

bool Stored(const Entry& e) {
    return ((e.compression >> rar5::kCompressionMethodShift) & rar5::kCompressionMethodMask) == 0;
}

// The fuzzer's input for one entry: the decode parameters, then the packed bytes.
void WriteSeed(const fs::path& dir, size_t index, const Entry& e) {
    const auto p = ParamsOf(e);
    std::string seed(5, '\0');
    seed[0] = static_cast<char>((p.unpVer == 70 ? 1 : 0) | (p.unknownSize ? 2 : 0));
    for (int i = 0; i < 3; ++i) seed[1 + i] = static_cast<char>(e.unpSize >> (8 * i));
    unsigned log = 0;
    while (log < 7 && (uint64_t{128 * 1024} << log) < p.dictionarySize) ++log;
    seed[4] = static_cast<char>(log);
    PartsInput in(e.parts);
    char buffer[65536];
    for (size_t n; (n = in.Read(reinterpret_cast<uint8_t*>(buffer), sizeof buffer)) > 0;) {
        seed.append(buffer, n);
    }
    std::ofstream(dir / ("entry" + std::to_string(index)), std::ios::binary) << seed;
}

// Decodes every entry; returns how many failed.
int DecodeAll(const VolumeSet& set, const std::optional<fs::path>& out, bool quiet) {
    std::unique_ptr<kiv::rar::Decoder> decoder;
    int failures = 0;
    for (const Entry& e : set.Entries()) {
        if (e.directory || Stored(e)) continue;
        const auto p = ParamsOf(e);
        std::optional<std::ofstream> file;
        if (out) {
            if (e.name.find("..") != std::string::npos) Fail("refusing the name " + e.name);
            const fs::path target = *out / e.name;
            fs::create_directories(target.parent_path());
            file.emplace(target, std::ios::binary);
        }
        CheckingSink sink(e, file ? &*file : nullptr);
        PartsInput in(e.parts);
        std::string result = "ok";
        try {
            if (!decoder || !p.solid) decoder = kiv::rar::CreateDecoder(p);
            if (!decoder) Fail("no decoder");
            decoder->Decode(in, sink, p);
            if (!sink.Matches(e)) result = "CHECK FAILED";
        } catch (const kiv::rar::RarError& err) {
            result = "error " + std::to_string(err.Code()) + ": " + err.what();
        }
        if (result != "ok") ++failures;
        if (!quiet || result != "ok") std::printf("%s\t%s\n", result.c_str(), e.name.c_str());
    }
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<fs::path> out, seeds;
    int repeat = 0;
    std::string archive;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else if (arg == "--seeds" && i + 1 < argc) {
            seeds = argv[++i];
        } else if (arg == "--repeat" && i + 1 < argc) {
            repeat = std::stoi(argv[++i]);
        } else if (archive.empty() && arg[0] != '-') {
            archive = arg;
        } else {
            archive.clear();
            break;
        }
    }
    if (archive.empty()) {
        std::fprintf(stderr,
                     "usage: rar5_decode [--out DIR] [--repeat N] [--seeds DIR] FIRST-VOLUME\n"
                     "  decodes every compressed entry and checks it against its CRC-32 or "
                     "BLAKE2sp\n");
        return 2;
    }
    try {
        VolumeSet set(archive);
        if (seeds) {
            fs::create_directories(*seeds);
            for (size_t i = 0; i < set.Entries().size(); ++i) {
                if (!set.Entries()[i].directory && !Stored(set.Entries()[i])) {
                    WriteSeed(*seeds, i, set.Entries()[i]);
                }
            }
            return 0;
        }
        if (repeat > 0) {
            const auto start = std::chrono::steady_clock::now();
            int failures = 0;
            for (int i = 0; i < repeat; ++i) failures += DecodeAll(set, std::nullopt, true);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            std::printf("%.6f s per run\n", took.count() / repeat);
            return failures == 0 ? 0 : 1;
        }
        return DecodeAll(set, out, false) == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rar5_decode: %s\n", e.what());
        return 1;
    }
}
