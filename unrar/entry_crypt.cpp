// The cipher of an encrypted entry and the stored form of its checksums.
#include "unrar/entry_crypt.h"

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

bool Transformed(const EntryHeader& e) {
    return e.encrypted && e.crypt.scheme == CryptScheme::Rar5Aes && e.crypt.transformedChecksums;
}

}  // namespace

std::unique_ptr<StreamDecryptor> EntryDecryptor(const EntryHeader& e, const ArchiveInfo& info,
                                                Keyring& keyring) {
    if (!keyring.HasPassword()) {
        throw RarError(ERAR_MISSING_PASSWORD, e.name + ": encrypted, and no password is set");
    }
    switch (e.crypt.scheme) {
        case CryptScheme::Rar20:
            return MakeRar20Decryptor(keyring.Password());
        case CryptScheme::Rar3Aes: {
            const Rar3Key key =
                keyring.Rar3(e.crypt.hasSalt ? e.crypt.salt.data() : nullptr, info.hashQuirk);
            return MakeAesCbcDecryptor(key.key.data(), key.key.size(), key.iv.data());
        }
        case CryptScheme::Rar5Aes: {
            const Rar5Keys keys = keyring.Rar5(e.crypt.salt.data(), e.crypt.kdfLog2);
            if (e.crypt.hasCheck && keys.check != e.crypt.check) {
                throw RarError(ERAR_BAD_PASSWORD, e.name + ": wrong password");
            }
            return MakeAesCbcDecryptor(keys.key.data(), keys.key.size(), e.crypt.iv.data());
        }
        default:
            throw RarError(ERAR_UNKNOWN_FORMAT,
                           e.name + ": encrypted in a way this library cannot decrypt");
    }
}

uint32_t StoredCrc(const EntryHeader& e, Keyring& keyring, uint32_t crc) {
    if (!Transformed(e)) return crc;
    return TransformCrc(keyring.Rar5(e.crypt.salt.data(), e.crypt.kdfLog2), crc);
}

std::array<uint8_t, 32> StoredHash(const EntryHeader& e, Keyring& keyring,
                                   const std::array<uint8_t, 32>& hash) {
    if (!Transformed(e)) return hash;
    return TransformHash(keyring.Rar5(e.crypt.salt.data(), e.crypt.kdfLog2), hash);
}

}  // namespace kiv::rar
