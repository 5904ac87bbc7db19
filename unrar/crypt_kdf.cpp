// RAR 3.x and RAR 5.0 key derivations over libcrypto's SHA-1, SHA-256, HMAC and PBKDF2.
#include "unrar/crypt_kdf.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <memory>
#include <new>
#include <vector>

#include "formatcore/endian.h"
#include "unrar/name_codec.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

constexpr uint32_t kRar3Rounds = 0x40000;
constexpr uint32_t kRar3IvStep = kRar3Rounds / 16;
constexpr size_t kRar3MaxUnits = 126;
constexpr size_t kShaBlock = 64;
constexpr unsigned kRar5ExtraRounds = 16;

struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

MdCtx NewMdCtx() {
    MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx) throw std::bad_alloc();
    return ctx;
}

[[noreturn]] void CryptoFailure(const char* what) {
    throw RarError(ERAR_UNKNOWN, std::string("libcrypto failed: ") + what);
}

// What the old writers' SHA-1 left in a 64-byte block it hashed in place: the last sixteen
// words of its message schedule, each stored little-endian.
void OverwriteWithSchedule(uint8_t* block) {
    uint32_t w[80];
    for (size_t t = 0; t < 16; ++t) {
        w[t] = static_cast<uint32_t>(block[4 * t]) << 24 |
               static_cast<uint32_t>(block[4 * t + 1]) << 16 |
               static_cast<uint32_t>(block[4 * t + 2]) << 8 | block[4 * t + 3];
    }
    for (size_t t = 16; t < 80; ++t) {
        const uint32_t v = w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16];
        w[t] = (v << 1) | (v >> 31);
    }
    for (size_t j = 0; j < 16; ++j) {
        for (size_t b = 0; b < 4; ++b) {
            block[4 * j + b] = static_cast<uint8_t>(w[64 + j] >> (8 * b));
        }
    }
}

// The old SHA-1 hashed the bytes that completed its pending block from a copy, and every whole
// block after them straight from the caller's buffer, which it overwrote.
void ApplyHashQuirk(std::vector<uint8_t>& buffer, uint64_t hashedBefore) {
    const size_t first = kShaBlock - static_cast<size_t>(hashedBefore % kShaBlock);
    for (size_t at = first; at + kShaBlock <= buffer.size(); at += kShaBlock) {
        OverwriteWithSchedule(buffer.data() + at);
    }
}

void DigestCopy(const EVP_MD_CTX* ctx, uint8_t* out) {
    MdCtx copy = NewMdCtx();
    if (EVP_MD_CTX_copy_ex(copy.get(), ctx) != 1 ||
        EVP_DigestFinal_ex(copy.get(), out, nullptr) != 1) {
        CryptoFailure("SHA-1");
    }
}

void Pbkdf2(std::string_view password, const uint8_t* salt, uint32_t rounds, uint8_t* out) {
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt,
                          static_cast<int>(kRar5SaltSize), static_cast<int>(rounds), EVP_sha256(),
                          32, out) != 1) {
        CryptoFailure("PBKDF2");
    }
}

std::array<uint8_t, 32> Hmac(const Rar5Keys& keys, const uint8_t* data, size_t size) {
    std::array<uint8_t, 32> digest{};
    unsigned length = 0;
    if (HMAC(EVP_sha256(), keys.hashKey.data(), static_cast<int>(keys.hashKey.size()), data, size,
             digest.data(), &length) == nullptr ||
        length != digest.size()) {
        CryptoFailure("HMAC-SHA256");
    }
    return digest;
}

}  // namespace

Rar3Key DeriveRar3Key(std::string_view password, const uint8_t* salt, bool hashQuirk) {
    std::vector<uint16_t> units = Utf8ToUtf16(password);
    if (units.size() > kRar3MaxUnits) units.resize(kRar3MaxUnits);
    std::vector<uint8_t> buffer;
    for (uint16_t u : units) {
        buffer.push_back(static_cast<uint8_t>(u));
        buffer.push_back(static_cast<uint8_t>(u >> 8));
    }
    if (salt != nullptr) buffer.insert(buffer.end(), salt, salt + kRar3SaltSize);

    MdCtx ctx = NewMdCtx();
    if (EVP_DigestInit_ex(ctx.get(), EVP_sha1(), nullptr) != 1) CryptoFailure("SHA-1");
    Rar3Key result;
    uint8_t digest[EVP_MAX_MD_SIZE];
    uint64_t hashed = 0;
    for (uint32_t i = 0; i < kRar3Rounds; ++i) {
        const uint8_t counter[3] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8),
                                    static_cast<uint8_t>(i >> 16)};
        if (EVP_DigestUpdate(ctx.get(), buffer.data(), buffer.size()) != 1 ||
            EVP_DigestUpdate(ctx.get(), counter, sizeof counter) != 1) {
            CryptoFailure("SHA-1");
        }
        if (hashQuirk) ApplyHashQuirk(buffer, hashed);
        hashed += buffer.size() + sizeof counter;
        if (i % kRar3IvStep == 0) {
            DigestCopy(ctx.get(), digest);
            result.iv[i / kRar3IvStep] = digest[19];
        }
    }
    if (EVP_DigestFinal_ex(ctx.get(), digest, nullptr) != 1) CryptoFailure("SHA-1");
    // The key takes the digest's five big-endian words as little-endian ones.
    for (size_t i = 0; i < result.key.size(); ++i) result.key[i] = digest[i ^ 3];
    return result;
}

Rar5Keys DeriveRar5Keys(std::string_view password, const uint8_t* salt, unsigned log2Count) {
    if (log2Count > kMaxRar5KdfLog2) {
        throw RarError(ERAR_BAD_DATA, "the key derivation's iteration count is too large");
    }
    const uint32_t rounds = uint32_t{1} << log2Count;
    Rar5Keys keys;
    uint8_t checkKey[32];
    Pbkdf2(password, salt, rounds, keys.key.data());
    Pbkdf2(password, salt, rounds + kRar5ExtraRounds, keys.hashKey.data());
    Pbkdf2(password, salt, rounds + 2 * kRar5ExtraRounds, checkKey);
    for (size_t i = 0; i < keys.check.size(); ++i) {
        keys.check[i] = checkKey[i] ^ checkKey[i + 8] ^ checkKey[i + 16] ^ checkKey[i + 24];
    }
    return keys;
}

uint32_t TransformCrc(const Rar5Keys& keys, uint32_t crc) {
    uint8_t bytes[4];
    for (size_t i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(crc >> (8 * i));
    const std::array<uint8_t, 32> digest = Hmac(keys, bytes, sizeof bytes);
    uint32_t folded = 0;
    for (size_t i = 0; i < digest.size(); ++i) {
        folded ^= static_cast<uint32_t>(digest[i]) << (8 * (i & 3));
    }
    return folded;
}

std::array<uint8_t, 32> TransformHash(const Rar5Keys& keys, const std::array<uint8_t, 32>& hash) {
    return Hmac(keys, hash.data(), hash.size());
}

}  // namespace kiv::rar
