// The password of an archive handle and the keys derived from it, kept per salt because each
// derivation is deliberately slow and the entries of one archive usually share their salt.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "unrar/crypt_kdf.h"

namespace kiv::rar {

class Keyring {
public:
    using Rar3Derivation = std::function<Rar3Key(std::string_view, const uint8_t*, bool)>;
    using Rar5Derivation = std::function<Rar5Keys(std::string_view, const uint8_t*, unsigned)>;

    Keyring();

    // An empty password is no password. Setting one forgets every key derived before.
    void SetPassword(std::string password);
    bool HasPassword() const { return !m_password.empty(); }
    const std::string& Password() const { return m_password; }

    // The keys of the current password for a salt (RAR 3.x: 8 bytes or null; RAR 5.0: 16 bytes).
    // Throw what the derivations throw.
    Rar3Key Rar3(const uint8_t* salt, bool hashQuirk);
    Rar5Keys Rar5(const uint8_t* salt, unsigned log2Count);

    // Replaces the derivations; fuzzers put cheap stand-ins here so that each input does not
    // cost the full derivation.
    void SetDerivations(Rar3Derivation rar3, Rar5Derivation rar5);

private:
    std::string m_password;
    Rar3Derivation m_rar3;
    Rar5Derivation m_rar5;
    // Keyed by the derivation's inputs as bytes (a std::string: gcc 12 at -O3 warns falsely on
    // comparing vectors of bytes).
    std::map<std::string, Rar3Key> m_rar3Keys;
    std::map<std::string, Rar5Keys> m_rar5Keys;
};

}  // namespace kiv::rar
