// Writes the seeds of fuzz_unrar_crypto into a folder: small encrypted archives of every scheme
// and both header encryptions, keyed with the fuzzer's cheap derivations and its password.
// Usage: make_crypt_seeds DIR
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/cheap_keys.h"
#include "tools/rarfixture/rar_writer.h"

using namespace kiv::fixture;

namespace {

FixtureEntry Entry(const std::string& name, const std::string& data, uint8_t unpVer) {
    FixtureEntry e;
    e.name = name;
    e.data = data;
    e.password = "fuzz";
    e.unpVer = unpVer;
    return e;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_crypt_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    struct Seed {
        const char* name;
        ArchiveFormat format;
        uint8_t unpVer;
        bool headers;
        bool check;
    };
    const Seed seeds[] = {
        {"rar20_cipher.rar", ArchiveFormat::Rar4, 20, false, false},
        {"rar3_aes.rar", ArchiveFormat::Rar4, 29, false, false},
        {"rar3_headers.rar", ArchiveFormat::Rar4, 29, true, false},
        {"rar5_aes.rar", ArchiveFormat::Rar5, 0, false, true},
        {"rar5_headers.rar", ArchiveFormat::Rar5, 0, true, true},
        {"rar5_headers_nocheck.rar", ArchiveFormat::Rar5, 0, true, false},
    };
    for (const Seed& s : seeds) {
        FixtureOptions o;
        o.format = s.format;
        o.kdfLog2 = 4;
        o.passwordCheck = s.check;
        if (s.headers) o.headerPassword = "fuzz";
        o.rar3Derivation = kiv::fuzz::CheapRar3Key;
        o.rar5Derivation = kiv::fuzz::CheapRar5Keys;
        FixtureEntry plain;
        plain.name = "plain.txt";
        plain.data = "in the clear";
        const std::vector<FixtureEntry> entries = {Entry("a.txt", "seventeen bytes!!", s.unpVer),
                                                   plain,
                                                   Entry("b.bin", std::string(40, 'b'), s.unpVer)};
        try {
            WriteRarArchive(dir + "/" + s.name, entries, o);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "make_crypt_seeds: %s\n", e.what());
            return 1;
        }
    }
    return 0;
}
