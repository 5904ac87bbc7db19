// rarfixture: writes stored RAR 1.5-4.x and RAR 5.0 archives and volume sets, plain or
// encrypted, from a folder or a manifest, for tests and benchmarks.
#include <sys/stat.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/rarfixture/rar_writer.h"

namespace fs = std::filesystem;
using namespace kiv::fixture;

namespace {

const char kHelp[] = R"(usage: rarfixture [options] OUTPUT.rar (--dir FOLDER | --manifest FILE)

Writes a stored (uncompressed) RAR archive or volume set, plain or encrypted, and prints the
volume paths.

  --format 4|5              RAR 1.5-4.x (default) or RAR 5.0
  --volume-size BYTES       split into volumes of at most BYTES (default: one archive)
  --naming old|new          name.rar, name.r00 ... or name.part1.rar ... (default new)
  --part-digits N           digits of the volume number in partN names
  --no-end-block            write no end-of-archive blocks
  --no-next-volume-flag     end blocks without the next-volume flag
  --no-volume-numbers       RAR 1.5-4.x end blocks without volume numbers
  --host dos|windows|unix   host system of the entries from --dir (default windows;
                            unix stores the files' modes, windows their read-only bit)
  --name-form oem|unicode|utf8   how RAR 1.5-4.x names are stored (default oem)
  --blake2                  RAR 5.0: BLAKE2sp instead of CRC-32
  --encrypted               set the encrypted flag (the data stays plain)
  --password PASSWORD       encrypt the entries' data: RAR 5.0 with AES-256, RAR 1.5-4.x with
                            AES-128 (RAR 2.0's cipher for entries of --unp-ver 20)
  --header-password PASSWORD  encrypt every header (RAR 1.5-4.x: after the main header)
  --unp-ver N               RAR 1.5-4.x: the version needed to extract (default 29)
  --kdf-log2 N              RAR 5.0: 2^N key derivation rounds (default 15)
  --no-password-check       RAR 5.0: no password check values
  --plain-checksums         RAR 5.0: checksums of encrypted entries stored as they are
  --crypt-version N         RAR 3.x: the main header's encryption version (36 and later derive
                            keys with the corrected SHA-1)
  --seed N                  seed of the salts and start vectors (default 1)
  --archive-comment TEXT    a RAR 1.5-2.x archive comment in the main header (stored)

--dir stores every file and folder below FOLDER, sorted by path, with their times.
--manifest reads one entry per line (blank lines and lines starting with # are ignored):
  file NAME SOURCE [KEY=VALUE...]   contents from the file SOURCE
  text NAME TEXT [KEY=VALUE...]     contents TEXT
  dir NAME [KEY=VALUE...]           a folder entry
NAME, SOURCE and TEXT may use %XX escapes (%20 for a space). Keys: host=dos|windows|unix,
attr=N (0x.. hex, 0.. octal), mtime=UNIX-SECONDS, form=oem|unicode|utf8, encrypted=1,
method=N (0x31..0x35 labels the data as compressed), blake2=1, password=PASSWORD, unpver=N,
comment=TEXT (a RAR 1.5-2.x file comment in the file header, stored).
)";

[[noreturn]] void Fail(const std::string& message) {
    std::cerr << "rarfixture: " << message << "\n";
    std::exit(2);
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

uint32_t ParseHost(const std::string& v) {
    if (v == "dos") return 0;
    if (v == "windows") return 2;
    if (v == "unix") return 3;
    Fail("unknown host " + v);
}

NameForm ParseForm(const std::string& v) {
    if (v == "oem") return NameForm::Oem;
    if (v == "unicode") return NameForm::Unicode;
    if (v == "utf8") return NameForm::Utf8;
    Fail("unknown name form " + v);
}

void ApplyKey(FixtureEntry& e, const std::string& token) {
    size_t eq = token.find('=');
    if (eq == std::string::npos) Fail("expected KEY=VALUE, got " + token);
    std::string key = token.substr(0, eq), value = token.substr(eq + 1);
    if (key == "host")
        e.hostOs = ParseHost(value);
    else if (key == "attr")
        e.attr = static_cast<uint32_t>(std::stoul(value, nullptr, 0));
    else if (key == "mtime")
        e.mtime = std::stoll(value);
    else if (key == "form")
        e.nameForm = ParseForm(value);
    else if (key == "encrypted")
        e.encrypted = value != "0";
    else if (key == "method")
        e.method = static_cast<uint8_t>(std::stoul(value, nullptr, 0));
    else if (key == "blake2")
        e.blake2 = value != "0";
    else if (key == "password")
        e.password = Unescape(value);
    else if (key == "unpver")
        e.unpVer = static_cast<uint8_t>(std::stoul(value));
    else if (key == "comment")
        e.comment.text = Unescape(value);
    else
        Fail("unknown key " + key);
}

std::vector<FixtureEntry> ReadManifest(const std::string& path, const FixtureEntry& defaults) {
    std::ifstream in(path);
    if (!in) Fail("cannot read " + path);
    std::vector<FixtureEntry> entries;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        if (!(words >> kind) || kind[0] == '#') continue;
        FixtureEntry e = defaults;
        std::string name, extra;
        if (!(words >> name)) Fail("entry without a name: " + line);
        e.name = Unescape(name);
        if (kind == "file" || kind == "text") {
            if (!(words >> extra)) Fail("entry without contents: " + line);
            if (kind == "file")
                e.sourcePath = Unescape(extra);
            else
                e.data = Unescape(extra);
        } else if (kind == "dir") {
            e.directory = true;
            e.attr = e.hostOs == 3 ? 040755 : 0x10;
        } else {
            Fail("unknown entry kind " + kind);
        }
        for (std::string token; words >> token;) ApplyKey(e, token);
        entries.push_back(e);
    }
    return entries;
}

std::vector<FixtureEntry> ReadFolder(const std::string& root, const FixtureEntry& defaults) {
    std::vector<fs::path> paths;
    for (const auto& item : fs::recursive_directory_iterator(root)) paths.push_back(item.path());
    std::sort(paths.begin(), paths.end());
    std::vector<FixtureEntry> entries;
    for (const fs::path& p : paths) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0) Fail("cannot inspect " + p.string());
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) continue;
        FixtureEntry e = defaults;
        e.name = fs::relative(p, root).generic_string();
        e.mtime = st.st_mtime;
        e.directory = S_ISDIR(st.st_mode);
        if (!e.directory) e.sourcePath = p.string();
        if (e.hostOs == 3) {
            e.attr = st.st_mode & 0177777;
        } else {
            e.attr = (e.directory ? 0x10 : 0x20) | ((st.st_mode & 0200) ? 0 : 0x01);
        }
        entries.push_back(e);
    }
    return entries;
}

}  // namespace

int main(int argc, char** argv) {
    FixtureOptions options;
    FixtureEntry defaults;
    std::string output, folder, manifest;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Fail(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kHelp;
            return 0;
        } else if (arg == "--format") {
            std::string v = value();
            if (v != "4" && v != "5") Fail("--format takes 4 or 5");
            options.format = v == "5" ? ArchiveFormat::Rar5 : ArchiveFormat::Rar4;
        } else if (arg == "--volume-size") {
            options.volumeSize = std::stoull(value());
        } else if (arg == "--naming") {
            std::string v = value();
            if (v != "old" && v != "new") Fail("--naming takes old or new");
            options.naming = v == "old" ? VolumeNaming::Old : VolumeNaming::New;
        } else if (arg == "--part-digits") {
            options.partDigits = std::stoi(value());
        } else if (arg == "--no-end-block") {
            options.endBlocks = false;
        } else if (arg == "--no-next-volume-flag") {
            options.nextVolumeFlag = false;
        } else if (arg == "--no-volume-numbers") {
            options.volumeNumbers = false;
        } else if (arg == "--host") {
            defaults.hostOs = ParseHost(value());
        } else if (arg == "--name-form") {
            defaults.nameForm = ParseForm(value());
        } else if (arg == "--blake2") {
            defaults.blake2 = true;
        } else if (arg == "--encrypted") {
            defaults.encrypted = true;
        } else if (arg == "--password") {
            defaults.password = value();
        } else if (arg == "--header-password") {
            options.headerPassword = value();
        } else if (arg == "--unp-ver") {
            defaults.unpVer = static_cast<uint8_t>(std::stoul(value()));
        } else if (arg == "--kdf-log2") {
            options.kdfLog2 = static_cast<unsigned>(std::stoul(value()));
        } else if (arg == "--no-password-check") {
            options.passwordCheck = false;
        } else if (arg == "--plain-checksums") {
            options.tweakedChecksums = false;
        } else if (arg == "--crypt-version") {
            options.cryptVersion = std::stoi(value());
        } else if (arg == "--seed") {
            options.cryptSeed = static_cast<uint32_t>(std::stoul(value()));
        } else if (arg == "--archive-comment") {
            options.archiveComment.text = value();
        } else if (arg == "--dir") {
            folder = value();
        } else if (arg == "--manifest") {
            manifest = value();
        } else if (!arg.empty() && arg[0] == '-') {
            Fail("unknown option " + arg + " (see --help)");
        } else if (output.empty()) {
            output = arg;
        } else {
            Fail("more than one output named");
        }
    }
    if (output.empty() || folder.empty() == manifest.empty()) {
        std::cerr << kHelp;
        return 2;
    }
    try {
        auto entries =
            folder.empty() ? ReadManifest(manifest, defaults) : ReadFolder(folder, defaults);
        for (const std::string& volume : WriteRarArchive(output, entries, options)) {
            std::cout << volume << "\n";
        }
    } catch (const std::exception& e) {
        Fail(e.what());
    }
    return 0;
}
