// Writes compressed RAR 2.0 benchmark input: a solid, old-named volume set of random LZ and
// audio streams from the test-side stream writer, since the libarchive corpus holds RAR 2.0
// headers over stored data only. The entries' checks come from the library's decoder; the
// benchmark compares what kiv-extract and unar extract before it times them.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "tests/unrar/decoder_io.h"
#include "tests/unrar/rar20_stream_writer.h"
#include "tools/rarfixture/rar_writer.h"
#include "unrar/decoder.h"

namespace {

constexpr size_t kEntries = 8;
// Bytes a random step decodes to, on average, near enough to size the run.
constexpr uint64_t kBytesPerStep = 8;

std::vector<kiv::fixture::FixtureEntry> Entries(uint64_t totalBytes) {
    const size_t steps = static_cast<size_t>(totalBytes / kBytesPerStep / kEntries) + 1;
    const std::vector<kiv::test::rar20::Piece> run =
        kiv::test::rar20::RandomRun(20, kEntries, steps, true);
    kiv::rar::DecodeParams p;
    p.unpVer = 20;
    p.dictionarySize = 1u << 20;
    p.solidArchive = true;
    const std::unique_ptr<kiv::rar::Decoder> decoder = kiv::rar::CreateDecoder(p);
    std::vector<kiv::fixture::FixtureEntry> entries;
    for (size_t i = 0; i < run.size(); ++i) {
        p.solid = i > 0;
        p.unpSize = run[i].size;
        kiv::test::ChunkedInput in(run[i].packed, 1 << 16);
        kiv::test::StringSink sink;
        decoder->Decode(in, sink, p);
        kiv::fixture::FixtureEntry e;
        e.name = "part" + std::to_string(i) + ".bin";
        e.data = std::move(sink.text);
        e.packed.assign(run[i].packed.begin(), run[i].packed.end());
        e.method = 0x33;
        e.unpVer = 20;
        e.dictionary = 4;  // 1 MiB
        e.solid = i > 0;
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: make_rar20 OUT.rar SIZE_MB VOLUME_MB\n";
        return 2;
    }
    try {
        kiv::fixture::FixtureOptions options;
        options.solid = true;
        options.naming = kiv::fixture::VolumeNaming::Old;
        options.volumeSize = std::stoull(argv[3]) << 20;
        const std::vector<std::string> volumes =
            kiv::fixture::WriteRarArchive(argv[1], Entries(std::stoull(argv[2]) << 20), options);
        for (const std::string& v : volumes) std::cout << v << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "make_rar20: " << e.what() << "\n";
        return 1;
    }
}
