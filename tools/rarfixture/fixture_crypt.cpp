// Encryption for the fixture writer.
#include "tools/rarfixture/fixture_crypt.h"

#include <openssl/evp.h>

#include <stdexcept>
#include <utility>

#include "unrar/crypt_rar20.h"

namespace kiv::fixture {

namespace {

struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

class AesEncryptor : public StreamEncryptor {
public:
    AesEncryptor(const uint8_t* key, size_t keySize, const uint8_t* iv)
        : m_ctx(EVP_CIPHER_CTX_new()) {
        const EVP_CIPHER* cipher = keySize == 32 ? EVP_aes_256_cbc() : EVP_aes_128_cbc();
        if (!m_ctx || EVP_EncryptInit_ex(m_ctx.get(), cipher, nullptr, key, iv) != 1 ||
            EVP_CIPHER_CTX_set_padding(m_ctx.get(), 0) != 1) {
            throw std::runtime_error("AES setup failed");
        }
    }
    void Encrypt(uint8_t* data, size_t size) override {
        int out = 0;
        if (EVP_EncryptUpdate(m_ctx.get(), data, &out, data, static_cast<int>(size)) != 1 ||
            static_cast<size_t>(out) != size) {
            throw std::runtime_error("AES failed");
        }
    }

private:
    std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> m_ctx;
};

class Rar20Encryptor : public StreamEncryptor {
public:
    explicit Rar20Encryptor(const std::string& password) : m_cipher(password) {}
    void Encrypt(uint8_t* data, size_t size) override { m_cipher.Encrypt(data, size); }

private:
    rar::Rar20Cipher m_cipher;
};

std::string EncryptPadded(StreamEncryptor& cipher, const std::string& plain) {
    std::string out = plain;
    out.resize(ArchiveCrypt::Padded(plain.size()), '\0');
    cipher.Encrypt(reinterpret_cast<uint8_t*>(out.data()), out.size());
    return out;
}

}  // namespace

ArchiveCrypt::ArchiveCrypt(uint32_t seed, unsigned kdfLog2, bool hashQuirk, Rar3Derivation rar3,
                           Rar5Derivation rar5)
    : m_deriveRar3(rar3 ? std::move(rar3) : Rar3Derivation(rar::DeriveRar3Key)),
      m_deriveRar5(rar5 ? std::move(rar5) : Rar5Derivation(rar::DeriveRar5Keys)),
      m_random(seed),
      m_kdfLog2(kdfLog2),
      m_hashQuirk(hashQuirk) {
    for (uint8_t& b : m_rar3Salt) b = static_cast<uint8_t>(m_random());
    for (uint8_t& b : m_rar5Salt) b = static_cast<uint8_t>(m_random());
}

std::array<uint8_t, 16> ArchiveCrypt::NextIv() {
    std::array<uint8_t, 16> iv{};
    for (uint8_t& b : iv) b = static_cast<uint8_t>(m_random());
    return iv;
}

rar::Rar3Key ArchiveCrypt::Rar3(const std::string& password) {
    if (password != m_rar3Password || m_rar3Password.empty()) {
        m_rar3Key = m_deriveRar3(password, m_rar3Salt.data(), m_hashQuirk);
        m_rar3Password = password;
    }
    return m_rar3Key;
}

rar::Rar5Keys ArchiveCrypt::Rar5(const std::string& password) {
    if (password != m_rar5Password || m_rar5Password.empty()) {
        m_rar5Keys = m_deriveRar5(password, m_rar5Salt.data(), m_kdfLog2);
        m_rar5Password = password;
    }
    return m_rar5Keys;
}

std::string ArchiveCrypt::Rar4Header(const std::string& password, const std::string& header) {
    const rar::Rar3Key key = Rar3(password);
    AesEncryptor cipher(key.key.data(), key.key.size(), key.iv.data());
    return std::string(m_rar3Salt.begin(), m_rar3Salt.end()) + EncryptPadded(cipher, header);
}

std::string ArchiveCrypt::Rar5Header(const std::string& password, const std::string& block) {
    const rar::Rar5Keys keys = Rar5(password);
    const std::array<uint8_t, 16> iv = NextIv();
    AesEncryptor cipher(keys.key.data(), keys.key.size(), iv.data());
    return std::string(iv.begin(), iv.end()) + EncryptPadded(cipher, block);
}

std::unique_ptr<StreamEncryptor> MakeAesEncryptor(const uint8_t* key, size_t keySize,
                                                  const uint8_t* iv) {
    return std::make_unique<AesEncryptor>(key, keySize, iv);
}

std::unique_ptr<StreamEncryptor> MakeRar20Encryptor(const std::string& password) {
    return std::make_unique<Rar20Encryptor>(password);
}

}  // namespace kiv::fixture
