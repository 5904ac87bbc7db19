// lzr: compresses a file into the file store's compressed form, or decodes one.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "framework/exception.h"
#include "framework/file_stream.h"
#include "packfiles/compress_stream.h"
#include "packfiles/packer_error.h"
#include "tools/lzr/atomic_file.h"

namespace {

constexpr const char* kUsage =
    "usage: lzr c IN OUT   write the compressed form of IN to OUT\n"
    "       lzr d IN OUT   decode the compressed form in IN to OUT\n"
    "OUT is replaced only when the whole input was processed; damaged input leaves it alone\n"
    "and exits with status 1.\n";

void Run(bool compress, const std::string& in, const std::string& out) {
    kiv::TFileStream source(in, kiv::fmOpenRead | kiv::fmShareDenyWrite);
    kiv::AtomicFile dest(out);
    kiv::TCompressStream codec;
    if (compress) {
        codec.CompressStream(source, dest.Stream(), source.Size());
    } else {
        codec.DecompressStream(source, dest.Stream());
        const std::int64_t rest = source.Size() - source.Position();
        if (rest != 0) {
            throw kiv::EPackerError(
                kiv::FormatMessage("%d bytes follow the compressed data", rest));
        }
    }
    dest.Commit();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 4 || (std::strcmp(argv[1], "c") != 0 && std::strcmp(argv[1], "d") != 0)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        Run(argv[1][0] == 'c', argv[2], argv[3]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lzr: %s: %s\n", argv[2], e.what());
        return 1;
    }
    return 0;
}
