// The ciphers of encrypted entries and the input that decrypts an entry's packed bytes.
#include "unrar/crypt_input.h"

#include <openssl/evp.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "unrar/crypt_rar20.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

constexpr size_t kBlock = StreamDecryptor::kBlockSize;

struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

class AesCbcDecryptor : public StreamDecryptor {
public:
    AesCbcDecryptor(const uint8_t* key, size_t keySize, const uint8_t* iv)
        : m_ctx(EVP_CIPHER_CTX_new()) {
        if (!m_ctx) throw std::bad_alloc();
        const EVP_CIPHER* cipher = keySize == 32 ? EVP_aes_256_cbc() : EVP_aes_128_cbc();
        if (EVP_DecryptInit_ex(m_ctx.get(), cipher, nullptr, key, iv) != 1 ||
            EVP_CIPHER_CTX_set_padding(m_ctx.get(), 0) != 1) {
            throw RarError(ERAR_UNKNOWN, "libcrypto failed: AES");
        }
    }

    void Decrypt(uint8_t* data, size_t size) override {
        // Whole blocks without padding: libcrypto returns each block as it decrypts it.
        constexpr size_t kMaxStep = (INT_MAX / kBlock) * kBlock;
        while (size > 0) {
            const size_t step = std::min(size, kMaxStep);
            int out = 0;
            if (EVP_DecryptUpdate(m_ctx.get(), data, &out, data, static_cast<int>(step)) != 1 ||
                static_cast<size_t>(out) != step) {
                throw RarError(ERAR_UNKNOWN, "libcrypto failed: AES");
            }
            data += step;
            size -= step;
        }
    }

private:
    std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> m_ctx;
};

class Rar20Decryptor : public StreamDecryptor {
public:
    explicit Rar20Decryptor(std::string_view password) : m_cipher(password) {}
    void Decrypt(uint8_t* data, size_t size) override { m_cipher.Decrypt(data, size); }

private:
    Rar20Cipher m_cipher;
};

}  // namespace

std::unique_ptr<StreamDecryptor> MakeAesCbcDecryptor(const uint8_t* key, size_t keySize,
                                                     const uint8_t* iv) {
    return std::make_unique<AesCbcDecryptor>(key, keySize, iv);
}

std::unique_ptr<StreamDecryptor> MakeRar20Decryptor(std::string_view password) {
    return std::make_unique<Rar20Decryptor>(password);
}

DecryptingInput::DecryptingInput(PackedInput& inner, std::unique_ptr<StreamDecryptor> cipher,
                                 std::optional<uint64_t> plainLimit)
    : m_inner(inner), m_cipher(std::move(cipher)), m_limit(plainLimit) {}

bool DecryptingInput::FillBlock() {
    while (m_pendingSize < kBlock) {
        const size_t got = m_inner.Read(m_pending + m_pendingSize, kBlock - m_pendingSize);
        if (got == 0) return false;
        m_pendingSize += got;
    }
    std::memcpy(m_plain, m_pending, kBlock);
    m_cipher->Decrypt(m_plain, kBlock);
    m_pendingSize = 0;
    m_plainStart = 0;
    m_plainEnd = kBlock;
    return true;
}

size_t DecryptingInput::Read(uint8_t* data, size_t size) {
    if (m_limit) size = static_cast<size_t>(std::min<uint64_t>(size, *m_limit - m_delivered));
    size_t out = 0;
    while (out < size) {
        if (m_plainStart < m_plainEnd) {
            const size_t n = std::min(size - out, m_plainEnd - m_plainStart);
            std::memcpy(data + out, m_plain + m_plainStart, n);
            m_plainStart += n;
            out += n;
            continue;
        }
        const size_t want = size - out;
        if (want < kBlock) {
            if (!FillBlock()) break;
            continue;
        }
        // Whole blocks are read and decrypted in the caller's buffer, behind the ciphertext
        // left over from the last read.
        uint8_t* at = data + out;
        std::memcpy(at, m_pending, m_pendingSize);
        const size_t room = want - want % kBlock;
        const size_t got = m_inner.Read(at + m_pendingSize, room - m_pendingSize);
        const size_t have = m_pendingSize + got;
        const size_t whole = have - have % kBlock;
        m_cipher->Decrypt(at, whole);
        m_pendingSize = have - whole;
        std::memcpy(m_pending, at + whole, m_pendingSize);
        out += whole;
        if (got == 0) break;
    }
    m_delivered += out;
    return out;
}

}  // namespace kiv::rar
