// Decodes every compressed entry of single RAR volumes straight through the library's decoders,
// checks each against its CRC-32, and optionally writes it out; prints the time spent.
// Usage: decode_entries [--out DIR] VOLUME...
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "formatcore/file_source.h"
#include "unrar/decoder.h"
#include "unrar/format_reader.h"
#include "unrar/rar_error.h"

namespace {

using kiv::rar::RarError;

// The packed bytes of one entry, read from the volume in large pieces.
class VolumeInput : public kiv::rar::PackedInput {
public:
    VolumeInput(const kiv::format::ByteSource& source, uint64_t offset, uint64_t size)
        : m_source(source), m_pos(offset), m_end(offset + size) {}
    size_t Read(uint8_t* data, size_t size) override {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(size, m_end - m_pos));
        const size_t got = m_source.ReadAt(m_pos, data, n);
        m_pos += got;
        return got;
    }

private:
    const kiv::format::ByteSource& m_source;
    uint64_t m_pos;
    uint64_t m_end;
};

class CheckedSink : public kiv::rar::UnpackedSink {
public:
    explicit CheckedSink(const std::string& path) {
        if (!path.empty()) m_file.open(path, std::ios::binary | std::ios::trunc);
    }
    void Write(const uint8_t* data, size_t size) override {
        m_crc = crc32(m_crc, data, static_cast<uInt>(size));
        m_size += size;
        if (m_file.is_open()) m_file.write(reinterpret_cast<const char*>(data), size);
    }
    uint32_t Crc() const { return static_cast<uint32_t>(m_crc); }
    uint64_t Size() const { return m_size; }

private:
    uLong m_crc = crc32(0L, nullptr, 0);
    uint64_t m_size = 0;
    std::ofstream m_file;
};

// Returns the number of entries that failed.
int DecodeVolume(const std::string& path, const std::string& outDir) {
    auto source = kiv::format::FileSource::Open(path);
    if (!source) {
        std::fprintf(stderr, "%s: cannot open\n", path.c_str());
        return 1;
    }
    int failed = 0;
    auto reader = kiv::rar::OpenFormatReader(*source);
    std::unique_ptr<kiv::rar::Decoder> decoder;
    for (;;) {
        const kiv::rar::Block block = reader->Next();
        if (block.kind != kiv::rar::BlockKind::Entry) break;
        const kiv::rar::EntryHeader& e = block.entry;
        if (e.directory || e.stored || e.encrypted || e.splitBefore || e.splitAfter) continue;
        kiv::rar::DecodeParams p;
        p.unpVer = e.unpVer;
        p.unpSize = e.unpSize;
        p.unknownSize = e.unknownSize;
        p.solid = e.solid;
        if (reader->Info().format == kiv::rar::RarFormat::Rar4) {
            p.dictionarySize = uint64_t{64 * 1024} << ((e.flags >> 5) & 7);
        }
        if (!p.solid || !decoder) decoder = kiv::rar::CreateDecoder(p);
        if (!decoder) {
            std::printf("%s: %s: no decoder for version %u\n", path.c_str(), e.name.c_str(),
                        e.unpVer);
            continue;
        }
        std::string outPath;
        if (!outDir.empty()) {
            outPath = outDir + "/" + std::filesystem::path(e.name).filename().string();
        }
        CheckedSink sink(outPath);
        VolumeInput input(*source, e.dataOffset, e.packSize);
        const auto start = std::chrono::steady_clock::now();
        std::string error;
        try {
            decoder->Decode(input, sink, p);
        } catch (const RarError& err) {
            error = err.what();
            decoder.reset();
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const bool good = error.empty() && sink.Size() == e.unpSize && sink.Crc() == e.crc;
        failed += good ? 0 : 1;
        std::printf("%s: %s: %s %llu bytes in %.3f s%s%s\n", path.c_str(), e.name.c_str(),
                    good ? "ok" : "FAILED", static_cast<unsigned long long>(sink.Size()), seconds,
                    error.empty() ? "" : ": ", error.c_str());
    }
    return failed;
}

}  // namespace

int main(int argc, char** argv) {
    std::string outDir;
    std::vector<std::string> volumes;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            outDir = argv[++i];
        } else if (argv[i][0] == '-') {
            std::fprintf(stderr, "usage: decode_entries [--out DIR] VOLUME...\n");
            return 2;
        } else {
            volumes.push_back(argv[i]);
        }
    }
    int failed = 0;
    for (const std::string& v : volumes) {
        try {
            failed += DecodeVolume(v, outDir);
        } catch (const std::exception& e) {
            std::printf("%s: %s\n", v.c_str(), e.what());
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
