// Decryption speed of the library's decrypting input, as the extraction path uses it (1 MiB
// reads from packed bytes in memory), against libcrypto's AES decrypting the same bytes in place
// in one call: the cost of our input around the cipher. Also RAR 2.0's cipher, ours alone.
// Usage: bench_crypt [MIB] (default 256)
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "unrar/crypt_input.h"

namespace {

constexpr size_t kRead = size_t{1} << 20;
constexpr int kRounds = 5;

class MemoryInput : public kiv::rar::PackedInput {
public:
    explicit MemoryInput(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    size_t Read(uint8_t* data, size_t size) override {
        const size_t n = std::min(size, m_bytes.size() - m_at);
        std::memcpy(data, m_bytes.data() + m_at, n);
        m_at += n;
        return n;
    }

private:
    const std::vector<uint8_t>& m_bytes;
    size_t m_at = 0;
};

// The best of kRounds runs, in seconds.
double Best(const std::function<void()>& run) {
    double best = 1e9;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

double GiBs(size_t bytes, double seconds) {
    return static_cast<double>(bytes) / seconds / (1024.0 * 1024 * 1024);
}

void Ours(const std::vector<uint8_t>& cipher, std::unique_ptr<kiv::rar::StreamDecryptor> (*make)(),
          std::vector<uint8_t>& out) {
    MemoryInput packed(cipher);
    kiv::rar::DecryptingInput input(packed, make(), std::nullopt);
    size_t at = 0;
    while (const size_t n = input.Read(out.data() + at % (out.size() - kRead + 1), kRead)) at += n;
    if (at != cipher.size()) std::abort();
}

const uint8_t kKey[32] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                          17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
const uint8_t kIv[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1};

void Libcrypto(const EVP_CIPHER* type, std::vector<uint8_t>& bytes) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int n = 0;
    EVP_DecryptInit_ex(ctx, type, nullptr, kKey, kIv);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_DecryptUpdate(ctx, bytes.data(), &n, bytes.data(), static_cast<int>(bytes.size()));
    EVP_CIPHER_CTX_free(ctx);
}

}  // namespace

int main(int argc, char** argv) {
    const size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    std::vector<uint8_t> cipher(mib << 20);
    std::mt19937_64 random(1);
    for (size_t i = 0; i < cipher.size(); i += 8) {
        const uint64_t v = random();
        std::memcpy(&cipher[i], &v, 8);
    }
    std::vector<uint8_t> out(std::min<size_t>(cipher.size(), 64 << 20));
    std::vector<uint8_t> scratch = cipher;
    std::printf("%zu MiB, best of %d runs\n", mib, kRounds);
    struct Case {
        const char* name;
        std::unique_ptr<kiv::rar::StreamDecryptor> (*make)();
        const EVP_CIPHER* (*peer)();
    };
    const Case cases[] = {
        {"AES-256 (RAR 5.0)", [] { return kiv::rar::MakeAesCbcDecryptor(kKey, 32, kIv); },
         EVP_aes_256_cbc},
        {"AES-128 (RAR 3.x)", [] { return kiv::rar::MakeAesCbcDecryptor(kKey, 16, kIv); },
         EVP_aes_128_cbc},
        {"RAR 2.0 cipher", [] { return kiv::rar::MakeRar20Decryptor("benchmark"); }, nullptr},
    };
    for (const Case& c : cases) {
        const double ours = Best([&] { Ours(cipher, c.make, out); });
        if (c.peer == nullptr) {
            std::printf("%-18s ours %6.2f GiB/s\n", c.name, GiBs(cipher.size(), ours));
            continue;
        }
        const double peer = Best([&] {
            std::memcpy(scratch.data(), cipher.data(), scratch.size());
            Libcrypto(c.peer(), scratch);
        });
        std::printf(
            "%-18s ours %6.2f GiB/s, libcrypto in place (with a copy) %6.2f GiB/s; "
            "ours / libcrypto = %.2f\n",
            c.name, GiBs(cipher.size(), ours), GiBs(cipher.size(), peer), peer / ours);
    }
    return 0;
}
