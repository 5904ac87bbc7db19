// The handle's password and its derived keys, cached per salt.
#include "unrar/keyring.h"

#include <utility>

namespace kiv::rar {

namespace {

// A hostile archive may give every header a salt of its own; the cache stays small regardless.
constexpr size_t kMaxCachedKeys = 64;

template <class Map>
void MakeRoom(Map& map) {
    if (map.size() >= kMaxCachedKeys) map.clear();
}

}  // namespace

Keyring::Keyring() : m_rar3(DeriveRar3Key), m_rar5(DeriveRar5Keys) {}

void Keyring::SetPassword(std::string password) {
    m_password = std::move(password);
    m_rar3Keys.clear();
    m_rar5Keys.clear();
}

void Keyring::SetDerivations(Rar3Derivation rar3, Rar5Derivation rar5) {
    m_rar3 = std::move(rar3);
    m_rar5 = std::move(rar5);
    m_rar3Keys.clear();
    m_rar5Keys.clear();
}

Rar3Key Keyring::Rar3(const uint8_t* salt, bool hashQuirk) {
    std::string id{static_cast<char>(hashQuirk ? 1 : 0), static_cast<char>(salt ? 1 : 0)};
    if (salt != nullptr) id.append(reinterpret_cast<const char*>(salt), kRar3SaltSize);
    if (auto it = m_rar3Keys.find(id); it != m_rar3Keys.end()) return it->second;
    Rar3Key key = m_rar3(m_password, salt, hashQuirk);
    MakeRoom(m_rar3Keys);
    m_rar3Keys.emplace(std::move(id), key);
    return key;
}

Rar5Keys Keyring::Rar5(const uint8_t* salt, unsigned log2Count) {
    std::string id(reinterpret_cast<const char*>(salt), kRar5SaltSize);
    id.push_back(static_cast<char>(log2Count));
    if (auto it = m_rar5Keys.find(id); it != m_rar5Keys.end()) return it->second;
    Rar5Keys keys = m_rar5(m_password, salt, log2Count);
    MakeRoom(m_rar5Keys);
    m_rar5Keys.emplace(std::move(id), keys);
    return keys;
}

}  // namespace kiv::rar
