// CRC-32 throughput of nfocrc's Crc32 (libdeflate) against zlib's crc32_z on the same 64 MiB
// in memory, best of several rounds, so that the choice of engine rests on a measurement.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "app/nfocrc/file_crc.h"

namespace {

constexpr std::size_t kSize = 64u << 20;
constexpr int kRounds = 7;

template <typename Crc>
double BestGigabytesPerSecond(const std::vector<std::uint8_t>& data, Crc crc,
                              std::uint32_t& result) {
    double best = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        result = crc(data);
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        best = std::max(best, double(data.size()) / spent.count() / 1e9);
    }
    return best;
}

}  // namespace

int main() {
    std::vector<std::uint8_t> data(kSize);
    std::mt19937 random(42);
    for (auto& byte : data) byte = std::uint8_t(random());
    std::uint32_t ours = 0, theirs = 0;
    // Both walk the same 1 MiB chunks the tool reads files in.
    const double deflate = BestGigabytesPerSecond(
        data,
        [](const std::vector<std::uint8_t>& bytes) {
            std::uint32_t crc = 0;
            for (std::size_t at = 0; at < bytes.size(); at += kiv::nfocrc::kChunkSize)
                crc = kiv::nfocrc::Crc32(crc, bytes.data() + at, kiv::nfocrc::kChunkSize);
            return crc;
        },
        ours);
    const double zlib = BestGigabytesPerSecond(
        data,
        [](const std::vector<std::uint8_t>& bytes) {
            uLong crc = crc32_z(0, nullptr, 0);
            for (std::size_t at = 0; at < bytes.size(); at += kiv::nfocrc::kChunkSize)
                crc = crc32_z(crc, bytes.data() + at, kiv::nfocrc::kChunkSize);
            return std::uint32_t(crc);
        },
        theirs);
    if (ours != theirs) {
        std::fprintf(stderr, "bench_nfocrc_crc: the two CRCs differ (%08x, %08x)\n", ours, theirs);
        return 1;
    }
    std::printf("CRC-32 of %zu MiB in memory, best of %d:\n", kSize >> 20, kRounds);
    std::printf("  nfocrc (libdeflate) %6.2f GB/s\n  zlib crc32_z        %6.2f GB/s\n", deflate,
                zlib);
    std::printf("  ratio libdeflate / zlib: %.2f\n", deflate / zlib);
    return 0;
}
