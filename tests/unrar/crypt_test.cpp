// The library's crypto pieces on hand-checked values: the RAR 3.x and RAR 5.0 key derivations
// and the keyed checksum against values computed apart from our code (Python's hashlib, with the
// old writers' SHA-1 quirk modelled on its own), the RAR 2.0 cipher's chaining, and the
// decrypting input against one-shot AES over every way the packed bytes can arrive in pieces.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "unrar/crypt_input.h"
#include "unrar/crypt_kdf.h"
#include "unrar/crypt_rar20.h"
#include "unrar/keyring.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::test {
namespace {

std::string Hex(const uint8_t* p, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

template <size_t N>
std::string Hex(const std::array<uint8_t, N>& a) {
    return Hex(a.data(), N);
}

constexpr uint8_t kSalt8[8] = {1, 2, 3, 4, 5, 6, 7, 8};

struct Rar3Row {
    const char* label;
    const char* password;
    bool salted;
    bool quirk;
    const char* key;
    const char* iv;
};

class Rar3Derivation : public ::testing::TestWithParam<Rar3Row> {};

TEST_P(Rar3Derivation, GivesTheKeyAndStartVectorComputedApart) {
    const Rar3Row& r = GetParam();
    const rar::Rar3Key k = rar::DeriveRar3Key(r.password, r.salted ? kSalt8 : nullptr, r.quirk);
    EXPECT_EQ(Hex(k.key), r.key);
    EXPECT_EQ(Hex(k.iv), r.iv);
}

// A password of 38 characters makes 84 bytes with the salt: the quirk changes the key; shorter
// ones never reach it.
INSTANTIATE_TEST_SUITE_P(
    Rows, Rar3Derivation,
    ::testing::Values(
        Rar3Row{"Short", "12345678", true, true, "c5da65b3636ffaf1e80de1bbb90dee2b",
                "e72f77ae83862442715db2adc70d1737"},
        Rar3Row{"ShortUnaffectedByTheQuirk", "12345678", true, false,
                "c5da65b3636ffaf1e80de1bbb90dee2b", "e72f77ae83862442715db2adc70d1737"},
        Rar3Row{"Unsalted", "12345678", false, true, "ad047e3f2013e40649e45503b5aa089f",
                "ead5f838a278595905df2740a7383d7b"},
        Rar3Row{"NonAsciiAsUtf16",
                "Gr\xc3\xbc\xc3\x9f"
                "e, \xe6\x97\xa5\xe6\x9c\xac",
                true, true, "8c070f3604041d0f5bc3d88d72d2beca", "7ae0775d053858db1cf0aac375a5e0e2"},
        Rar3Row{"LongWithoutQuirk", "a fairly long passphrase of 40 chars!!", true, false,
                "533fee805118b752b035edc250ede536", "f2e97f2eea01feb3c2557f83ceadc46d"},
        Rar3Row{"LongWithQuirk", "a fairly long passphrase of 40 chars!!", true, true,
                "a0ef82610a3a93a8a989afaa279777e6", "f2ea26d1d78025bf0cceba33c27663e7"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Rar5Derivation, GivesKeyHashKeyCheckValueAndKeyedCrcComputedApart) {
    uint8_t salt[16];
    for (uint8_t i = 0; i < 16; ++i) salt[i] = i;
    const rar::Rar5Keys keys = rar::DeriveRar5Keys("p\xc3\xa4ssword", salt, 4);
    EXPECT_EQ(Hex(keys.key), "780b51545f5e223833c21414f55b2a50c657b7e1fe0452d307b42339b6ac66bd");
    EXPECT_EQ(Hex(keys.hashKey),
              "79fb3edcac486b2f334bbabdc92a6a6ad99ac000101c3004b5b654f7fdfa50f1");
    EXPECT_EQ(Hex(keys.check), "f5848dbf676aa4a3");
    EXPECT_EQ(rar::TransformCrc(keys, 0x12345678), 0xa8b6deabu);
}

TEST(Rar5Derivation, RefusesAnIterationCountBeyondTheLimit) {
    const uint8_t salt[16] = {};
    try {
        rar::DeriveRar5Keys("pw", salt, rar::kMaxRar5KdfLog2 + 1);
        FAIL() << "no error";
    } catch (const rar::RarError& e) {
        EXPECT_EQ(e.Code(), ERAR_BAD_DATA);
    }
}

TEST(Keyring, DerivesOncePerSaltAndForgetsTheKeysOfAnEarlierPassword) {
    rar::Keyring keyring;
    int derived = 0;
    keyring.SetDerivations(
        [&](std::string_view password, const uint8_t* salt, bool) {
            ++derived;
            rar::Rar3Key k;
            k.key[0] = static_cast<uint8_t>(password.size());
            k.key[1] = salt ? salt[0] : 0;
            return k;
        },
        [&](std::string_view, const uint8_t*, unsigned) {
            ++derived;
            return rar::Rar5Keys();
        });
    keyring.SetPassword("one");
    const uint8_t a[8] = {1}, b[8] = {2};
    EXPECT_EQ(keyring.Rar3(a, true).key[1], 1);
    EXPECT_EQ(keyring.Rar3(a, true).key[1], 1);
    EXPECT_EQ(keyring.Rar3(b, true).key[1], 2);
    EXPECT_EQ(derived, 2);
    keyring.SetPassword("three");
    EXPECT_EQ(keyring.Rar3(a, true).key[0], 5);
    EXPECT_EQ(derived, 3);
    keyring.SetPassword("");
    EXPECT_FALSE(keyring.HasPassword());
}

TEST(Rar20Cipher, ChainsEveryBlockToTheCiphertextBeforeIt) {
    // Two equal plaintext blocks encrypt differently, and decrypting them in order gives them
    // back; decrypting the second block alone does not.
    std::string plain(32, 'x');
    std::string data = plain;
    rar::Rar20Cipher writer("secret");
    writer.Encrypt(reinterpret_cast<uint8_t*>(data.data()), data.size());
    EXPECT_NE(data.substr(0, 16), data.substr(16));
    std::string alone = data.substr(16);
    rar::Rar20Cipher reader("secret");
    reader.Decrypt(reinterpret_cast<uint8_t*>(data.data()), data.size());
    EXPECT_EQ(data, plain);
    rar::Rar20Cipher fresh("secret");
    fresh.Decrypt(reinterpret_cast<uint8_t*>(alone.data()), alone.size());
    EXPECT_NE(alone, plain.substr(16));
    rar::Rar20Cipher other("Secret");
    std::string again = plain;
    other.Encrypt(reinterpret_cast<uint8_t*>(again.data()), again.size());
    rar::Rar20Cipher first("secret");
    std::string mine = plain;
    first.Encrypt(reinterpret_cast<uint8_t*>(mine.data()), mine.size());
    EXPECT_NE(again, mine);
}

TEST(Rar20Cipher, DecryptsTheSameInOneCallAsBlockByBlock) {
    // Long runs go through the side-by-side path, short ones and the rest block by block.
    std::mt19937 random(11);
    std::string plain(16 * 61, '\0');
    for (char& c : plain) c = static_cast<char>(random());
    std::string cipher = plain;
    rar::Rar20Cipher writer("lanes");
    writer.Encrypt(reinterpret_cast<uint8_t*>(cipher.data()), cipher.size());
    std::string whole = cipher;
    rar::Rar20Cipher oneCall("lanes");
    oneCall.Decrypt(reinterpret_cast<uint8_t*>(whole.data()), whole.size());
    EXPECT_EQ(whole, plain);
    std::string pieces = cipher;
    rar::Rar20Cipher byPieces("lanes");
    for (size_t at = 0, n = 16; at < pieces.size(); at += n, n = n % 48 + 16) {
        n = std::min(n, pieces.size() - at);
        byPieces.Decrypt(reinterpret_cast<uint8_t*>(pieces.data() + at), n);
    }
    EXPECT_EQ(pieces, plain);
}

// Packed bytes handed out in pieces of a fixed size (the way entries arrive across volumes).
class PieceInput : public rar::PackedInput {
public:
    PieceInput(std::string bytes, size_t piece) : m_bytes(std::move(bytes)), m_piece(piece) {}
    size_t Read(uint8_t* data, size_t size) override {
        const size_t n = std::min({size, m_piece, m_bytes.size() - m_at});
        std::memcpy(data, m_bytes.data() + m_at, n);
        m_at += n;
        return n;
    }

private:
    std::string m_bytes;
    size_t m_piece;
    size_t m_at = 0;
};

std::string AesEncrypt(const std::string& plain, const uint8_t* key, const uint8_t* iv) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    std::string out(plain.size(), '\0');
    int n = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key, iv);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, reinterpret_cast<uint8_t*>(out.data()), &n,
                      reinterpret_cast<const uint8_t*>(plain.data()),
                      static_cast<int>(plain.size()));
    EVP_CIPHER_CTX_free(ctx);
    return out;
}

struct PieceRow {
    const char* label;
    size_t plainSize;  // before padding to whole blocks
    size_t piece;      // what the packed input hands out at most per call
    size_t read;       // what the decoder asks for per call
    bool limited;      // only plainSize bytes come out
};

class DecryptingInputPieces : public ::testing::TestWithParam<PieceRow> {};

TEST_P(DecryptingInputPieces, HandsOutThePlaintextWhateverThePieces) {
    const PieceRow& r = GetParam();
    std::mt19937 random(7);
    std::string plain(r.plainSize, '\0');
    for (char& c : plain) c = static_cast<char>(random());
    std::string padded = plain;
    padded.resize((plain.size() + 15) / 16 * 16, '\0');
    uint8_t key[32], iv[16];
    for (uint8_t& b : key) b = static_cast<uint8_t>(random());
    for (uint8_t& b : iv) b = static_cast<uint8_t>(random());
    PieceInput packed(AesEncrypt(padded, key, iv), r.piece);
    rar::DecryptingInput input(packed, rar::MakeAesCbcDecryptor(key, 32, iv),
                               r.limited ? std::optional<uint64_t>(r.plainSize) : std::nullopt);
    std::string out;
    std::vector<uint8_t> buffer(r.read);
    while (const size_t n = input.Read(buffer.data(), buffer.size())) {
        out.append(reinterpret_cast<const char*>(buffer.data()), n);
    }
    EXPECT_EQ(out, r.limited ? plain : padded);
}

INSTANTIATE_TEST_SUITE_P(Rows, DecryptingInputPieces,
                         ::testing::Values(PieceRow{"OneByteAtATime", 100, 1, 64, true},
                                           PieceRow{"OddPiecesSmallReads", 1000, 7, 5, true},
                                           PieceRow{"PiecesAcrossBlocks", 1000, 33, 100, false},
                                           PieceRow{"WholeBlocks", 4096, 16, 16, true},
                                           PieceRow{"LargeReads", 100000, 65536, 1 << 20, true},
                                           PieceRow{"ReadsOfOneByte", 40, 1000, 1, true},
                                           PieceRow{"LastBlockPartlyPadding", 17, 1000, 1000, true},
                                           PieceRow{"Empty", 0, 16, 16, true}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(DecryptingInput, DropsCiphertextThatEndsShortOfABlock) {
    uint8_t key[32] = {}, iv[16] = {};
    std::string cipher = AesEncrypt(std::string(32, 'a'), key, iv);
    PieceInput packed(cipher.substr(0, 27), 5);
    rar::DecryptingInput input(packed, rar::MakeAesCbcDecryptor(key, 32, iv), std::nullopt);
    uint8_t buffer[64];
    size_t total = 0;
    while (const size_t n = input.Read(buffer + total, sizeof buffer - total)) total += n;
    EXPECT_EQ(total, 16u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 16), std::string(16, 'a'));
}

}  // namespace
}  // namespace kiv::test
