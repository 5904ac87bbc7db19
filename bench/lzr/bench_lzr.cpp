// Compression and decompression throughput of TCompressStream against liblz4 and memcpy, on
// plain text, a shared library and random bytes, all timed in the same run.
#include <lz4.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "framework/memory_stream.h"
#include "packfiles/compress_stream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

constexpr std::size_t kDataSize = 4 << 20;
constexpr double kMinSeconds = 1.0;  // per call kind and data kind, over all rounds
constexpr int kRounds = 5;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The licence texts shipped with the system, or generated prose where they are missing.
Bytes PlainText() {
    Bytes text;
    std::error_code ec;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator("/usr/share/common-licenses", ec)) {
        if (e.is_regular_file()) files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
        const Bytes b = ReadFile(f);
        text.insert(text.end(), b.begin(), b.end());
    }
    if (text.empty()) {
        static const char* words[] = {"the ", "installer ", "extracts ", "every ", "volume ",
                                      "of ",  "a ",         "release ",  "into ",  "folder, ",
                                      "and ", "shows ",     "its ",      "name. ", "\n"};
        std::mt19937 gen(1);
        while (text.size() < kDataSize) {
            const char* w = words[gen() % std::size(words)];
            text.insert(text.end(), w, w + std::strlen(w));
        }
    }
    return text;
}

Bytes SharedLibrary() {
    for (const char* p : {"/usr/lib/x86_64-linux-gnu/libstdc++.so.6", "/usr/lib/libstdc++.so.6",
                          "/lib/x86_64-linux-gnu/libc.so.6"}) {
        if (Bytes b = ReadFile(p); !b.empty()) return b;
    }
    return {};
}

Bytes RandomBytes() {
    std::mt19937 gen(7);
    Bytes b(kDataSize);
    for (auto& x : b) x = static_cast<std::uint8_t>(gen());
    return b;
}

// Best MB/s (of `bytes` input bytes per call) of each call. The calls take turns round by round,
// so that a load change on the machine touches all of them alike and their ratios hold.
std::vector<double> Measure(std::size_t bytes, const std::vector<std::function<void()>>& calls) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> best(calls.size(), 0.0);
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t i = 0; i < calls.size(); ++i) {
            int count = 0;
            const auto start = Clock::now();
            double seconds = 0;
            do {
                calls[i]();
                ++count;
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
            } while (seconds < kMinSeconds / kRounds);
            best[i] = std::max(best[i], bytes * double(count) / seconds / 1e6);
        }
    }
    return best;
}

struct Row {
    double ourPack, ourUnpack, lz4Pack, lz4Unpack, copy;
    double ourRatio, lz4Ratio;
};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

Row Run(const Bytes& data) {
    const auto size = static_cast<std::int64_t>(data.size());
    const auto* in = reinterpret_cast<const char*>(data.data());
    kiv::TCompressStream codec;
    kiv::TMemoryStream source, packed, unpacked;
    source.WriteBuffer(data.data(), size);
    std::vector<char> lz4(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(size))));
    std::vector<char> back(data.size());

    auto ourPack = [&] {
        source.SetPosition(0);
        packed.SetPosition(0);
        codec.CompressStream(source, packed, size);
        packed.SetSize(packed.Position());
    };
    auto ourUnpack = [&] {
        packed.SetPosition(0);
        unpacked.SetPosition(0);
        codec.DecompressStream(packed, unpacked);
    };
    int lz4Size = 0;
    auto lz4Pack = [&] {
        lz4Size = LZ4_compress_default(in, lz4.data(), static_cast<int>(size),
                                       static_cast<int>(lz4.size()));
    };
    auto lz4Unpack = [&] {
        LZ4_decompress_safe(lz4.data(), back.data(), lz4Size, static_cast<int>(size));
    };
    auto copy = [&] {
        std::memcpy(back.data(), in, data.size());
        asm volatile("" : : "r"(back.data()) : "memory");  // keeps the copy
    };

    // One call each first, so that every decoder has its input and the results can be checked.
    ourPack();
    ourUnpack();
    lz4Pack();
    lz4Unpack();
    if (unpacked.Size() != size || std::memcmp(unpacked.Memory(), data.data(), data.size()) != 0) {
        Fail("round trip through TCompressStream failed");
    }
    if (std::memcmp(back.data(), data.data(), data.size()) != 0) Fail("lz4 round trip failed");

    const std::vector<double> speed =
        Measure(data.size(), {ourPack, ourUnpack, lz4Pack, lz4Unpack, copy});
    Row row{speed[0], speed[1], speed[2], speed[3], speed[4], 0, 0};
    row.ourRatio = double(packed.Size()) / double(data.size());
    row.lz4Ratio = double(lz4Size) / double(data.size());
    return row;
}

}  // namespace

int main(int argc, char**) {
    if (argc > 1) {
        std::printf(
            "usage: bench_lzr\nTimes TCompressStream, LZ4_compress_default/LZ4_decompress_safe "
            "and memcpy on plain text, a shared library and random bytes; prints MB/s, the\n"
            "ratios of our codec's speed to liblz4's and to memcpy's, and compressed sizes.\n");
        return 0;
    }
    const struct {
        const char* name;
        Bytes data;
    } kinds[] = {{"text", PlainText()}, {"library", SharedLibrary()}, {"random", RandomBytes()}};

    std::printf("%-8s %8s | %9s %9s %7s %7s | %9s %9s %7s %7s | %9s | %6s %6s\n", "data", "bytes",
                "lzr c", "lz4 c", "/lz4", "/copy", "lzr d", "lz4 d", "/lz4", "/copy", "memcpy",
                "lzr %", "lz4 %");
    for (const auto& kind : kinds) {
        if (kind.data.empty()) continue;
        const Row r = Run(kind.data);
        std::printf(
            "%-8s %8zu | %9.0f %9.0f %7.3f %7.4f | %9.0f %9.0f %7.3f %7.4f | %9.0f | %6.1f "
            "%6.1f\n",
            kind.name, kind.data.size(), r.ourPack, r.lz4Pack, r.ourPack / r.lz4Pack,
            r.ourPack / r.copy, r.ourUnpack, r.lz4Unpack, r.ourUnpack / r.lz4Unpack,
            r.ourUnpack / r.copy, r.copy, 100 * r.ourRatio, 100 * r.lz4Ratio);
    }
    std::printf(
        "MB/s of input bytes; /lz4 and /copy: our speed divided by liblz4's and memcpy's;"
        " %% columns: compressed size as a share of the input.\n");
    return 0;
}
