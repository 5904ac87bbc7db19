// libFuzzer target: the decryption paths of the RAR library. Whole archives through the handle
// with a password (encrypted headers of both formats, encrypted entries of every scheme,
// wrong passwords and retries), with the key derivations replaced by cheap stand-ins; and the
// RAR 2.0 cipher and the decrypting input on arbitrary bytes in arbitrary pieces.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/cheap_keys.h"
#include "unrar/archive.h"
#include "unrar/crypt_input.h"
#include "unrar/rar_error.h"

namespace {

constexpr char kPassword[] = "fuzz";

bool IsPasswordCode(int code) {
    return code == ERAR_MISSING_PASSWORD || code == ERAR_BAD_PASSWORD;
}

void WalkArchive(const uint8_t* data, size_t size) {
    const int fd = memfd_create("fuzz-crypt", MFD_CLOEXEC);
    if (fd < 0) return;
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        try {
            kiv::rar::Archive archive(path, RAR_OM_EXTRACT);
            archive.Keys().SetDerivations(kiv::fuzz::CheapRar3Key, kiv::fuzz::CheapRar5Keys);
            RARHeaderData header{};
            int passwordsTried = 0;
            for (int i = 0; i < 1000; ++i) {
                const int r = archive.ReadHeader(header);
                if (IsPasswordCode(r) && passwordsTried < 2) {
                    // A wrong password first, then the right one, as a user would.
                    archive.SetPassword(passwordsTried++ == 0 ? "wrong" : kPassword);
                    continue;
                }
                if (r != 0) break;
                const int first = archive.ProcessFile(RAR_TEST, nullptr, nullptr);
                if (first != 0 && (header.Flags & 0x04) != 0) {
                    archive.SetPassword(kPassword);
                    archive.ProcessFile(RAR_TEST, nullptr, nullptr);
                }
            }
        } catch (const kiv::rar::RarError&) {
        }
    }
    close(fd);
}

// Packed bytes in pieces whose sizes the input chooses.
class Pieces : public kiv::rar::PackedInput {
public:
    Pieces(const uint8_t* data, size_t size, uint8_t piece)
        : m_data(data), m_size(size), m_piece(std::max<size_t>(piece, 1)) {}
    size_t Read(uint8_t* out, size_t size) override {
        const size_t n = std::min({size, m_piece, m_size - m_at});
        std::memcpy(out, m_data + m_at, n);
        m_at += n;
        m_piece = m_piece * 5 % 97 + 1;
        return n;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_piece;
    size_t m_at = 0;
};

void DecryptPieces(const uint8_t* data, size_t size) {
    if (size < 3) return;
    const uint8_t piece = data[0];
    const bool rar20 = (data[1] & 1) != 0;
    const bool limited = (data[1] & 2) != 0;
    const uint64_t limit = data[2] * 17u;
    data += 3;
    size -= 3;
    const uint8_t key[32] = {1, 2, 3};
    const uint8_t iv[16] = {4, 5, 6};
    Pieces packed(data, size, piece);
    kiv::rar::DecryptingInput input(
        packed,
        rar20 ? kiv::rar::MakeRar20Decryptor(kPassword)
              : kiv::rar::MakeAesCbcDecryptor(key, 32, iv),
        limited ? std::optional<uint64_t>(limit) : std::nullopt);
    std::vector<uint8_t> out(static_cast<size_t>(piece) * 3 + 1);
    uint64_t total = 0;
    while (const size_t n = input.Read(out.data(), out.size())) total += n;
    if (total > size) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WalkArchive(data, size);
    DecryptPieces(data, size);
    return 0;
}
