// rar5pack: writes a compressed RAR 5.0 archive of the given files with our plain compressor,
// for cross-checks against other extractors and for benchmark inputs.
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/rar5pack/rar5_compressor.h"

using namespace kiv::rar5pack;

namespace {

const char kHelp[] = R"(usage: rar5pack [options] OUTPUT.rar FILE...

Writes a RAR 5.0 archive holding each FILE (under its file name), compressed.

  --dictionary-mb N   dictionary size in MiB, a power of two (default 4)
  --solid             one solid stream over all files
  --version70         code distances with the later revision's alphabet
  --depth N           hash chain entries tried per position (default 24)
)";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

int main(int argc, char** argv) {
    CompressOptions options;
    bool solid = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--dictionary-mb" && i + 1 < argc) {
            options.dictionary = std::stoull(argv[++i]) << 20;
        } else if (arg == "--depth" && i + 1 < argc) {
            options.chainDepth = static_cast<unsigned>(std::stoul(argv[++i]));
        } else if (arg == "--solid") {
            solid = true;
        } else if (arg == "--version70") {
            options.version70 = true;
        } else if (arg == "--help" || arg[0] == '-') {
            std::fputs(kHelp, arg == "--help" ? stdout : stderr);
            return arg == "--help" ? 0 : 2;
        } else {
            args.push_back(arg);
        }
    }
    if (args.size() < 2) {
        std::fputs(kHelp, stderr);
        return 2;
    }
    try {
        std::vector<PackedEntry> entries;
        std::unique_ptr<Rar5Compressor> compressor;
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string data = ReadAll(args[i]);
            if (!solid || !compressor) compressor = std::make_unique<Rar5Compressor>(options);
            PackedEntry e;
            e.name = std::filesystem::path(args[i]).filename().string();
            e.packed = compressor->CompressEntry(data);
            e.unpSize = data.size();
            e.crc = static_cast<uint32_t>(
                crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size()));
            e.solid = solid && i > 1;
            e.dictionary = options.dictionary;
            e.version70 = options.version70;
            entries.push_back(std::move(e));
        }
        std::ofstream(args[0], std::ios::binary) << WriteRar5Archive(entries, solid);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rar5pack: %s\n", e.what());
        return 1;
    }
}
