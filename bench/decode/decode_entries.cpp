// Decodes every compressed entry of RAR volumes straight through the library's decoders, checks
// each against its CRC-32, and optionally writes it out; prints the time spent.
// Usage: decode_entries [--out DIR] [--set] VOLUME...
// Each volume is read on its own, its entries split over volumes left out; with --set the
// volumes are one set in the order given, and split entries are put together.
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

struct Piece {
    const kiv::format::ByteSource* source;
    uint64_t offset;
    uint64_t size;
};

// The packed bytes of one entry, from its parts in one or more volumes.
class PiecesInput : public kiv::rar::PackedInput {
public:
    explicit PiecesInput(std::vector<Piece> pieces) : m_pieces(std::move(pieces)) {}
    size_t Read(uint8_t* data, size_t size) override {
        while (m_index < m_pieces.size()) {
            Piece& piece = m_pieces[m_index];
            const size_t n = static_cast<size_t>(std::min<uint64_t>(size, piece.size));
            const size_t got = n == 0 ? 0 : piece.source->ReadAt(piece.offset, data, n);
            if (got > 0) {
                piece.offset += got;
                piece.size -= got;
                return got;
            }
            ++m_index;
        }
        return 0;
    }

private:
    std::vector<Piece> m_pieces;
    size_t m_index = 0;
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

// Walks the volumes, each alone or as one set, and decodes their entries; returns the number
// of entries that failed.
class Walker {
public:
    Walker(std::string outDir, bool asSet) : m_outDir(std::move(outDir)), m_asSet(asSet) {}

    int Volume(const std::string& path) {
        auto source = kiv::format::FileSource::Open(path);
        if (!source) {
            std::fprintf(stderr, "%s: cannot open\n", path.c_str());
            return 1;
        }
        if (!m_asSet) {
            m_decoder.reset();
            m_pieces.clear();
        }
        int failed = 0;
        auto reader = kiv::rar::OpenFormatReader(*source);
        for (;;) {
            const kiv::rar::Block block = reader->Next();
            if (block.kind != kiv::rar::BlockKind::Entry) break;
            const kiv::rar::EntryHeader& e = block.entry;
            if (e.directory || e.stored || e.encrypted) continue;
            if (!e.splitBefore) m_pieces.clear();
            if (e.splitBefore && m_pieces.empty()) continue;  // its start is not here
            m_pieces.push_back({source.get(), e.dataOffset, e.packSize});
            if (e.splitAfter) continue;
            failed += Entry(path, e, reader->Info().format);
        }
        m_sources.push_back(std::move(source));
        return failed;
    }

private:
    int Entry(const std::string& path, const kiv::rar::EntryHeader& e, kiv::rar::RarFormat format) {
        kiv::rar::DecodeParams p;
        p.unpVer = e.unpVer;
        p.unpSize = e.unpSize;
        p.unknownSize = e.unknownSize;
        p.solid = e.solid;
        if (format == kiv::rar::RarFormat::Rar4) {
            p.dictionarySize = uint64_t{64 * 1024} << ((e.flags >> 5) & 7);
        }
        if (!p.solid || !m_decoder) m_decoder = kiv::rar::CreateDecoder(p);
        if (!m_decoder) {
            std::printf("%s: %s: no decoder for version %u\n", path.c_str(), e.name.c_str(),
                        e.unpVer);
            return 0;
        }
        std::string outPath;
        if (!m_outDir.empty()) {
            outPath = m_outDir + "/" + std::filesystem::path(e.name).filename().string();
        }
        CheckedSink sink(outPath);
        PiecesInput input(std::move(m_pieces));
        m_pieces.clear();
        const auto start = std::chrono::steady_clock::now();
        std::string error;
        try {
            m_decoder->Decode(input, sink, p);
        } catch (const RarError& err) {
            error = err.what();
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const bool good = error.empty() && sink.Size() == e.unpSize && sink.Crc() == e.crc;
        std::printf("%s: %s: %s %llu bytes in %.3f s%s%s\n", path.c_str(), e.name.c_str(),
                    good ? "ok" : "FAILED", static_cast<unsigned long long>(sink.Size()), seconds,
                    error.empty() ? "" : ": ", error.c_str());
        return good ? 0 : 1;
    }

    std::string m_outDir;
    bool m_asSet;
    std::vector<std::unique_ptr<kiv::format::FileSource>> m_sources;
    std::vector<Piece> m_pieces;
    std::unique_ptr<kiv::rar::Decoder> m_decoder;
};

}  // namespace

int main(int argc, char** argv) {
    std::string outDir;
    bool asSet = false;
    std::vector<std::string> volumes;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            outDir = argv[++i];
        } else if (std::strcmp(argv[i], "--set") == 0) {
            asSet = true;
        } else if (argv[i][0] == '-') {
            std::fprintf(stderr, "usage: decode_entries [--out DIR] [--set] VOLUME...\n");
            return 2;
        } else {
            volumes.push_back(argv[i]);
        }
    }
    int failed = 0;
    Walker walker(outDir, asSet);
    for (const std::string& v : volumes) {
        try {
            failed += walker.Volume(v);
        } catch (const std::exception& e) {
            std::printf("%s: %s\n", v.c_str(), e.what());
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
