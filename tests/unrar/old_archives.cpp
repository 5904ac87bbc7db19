// Old-generation test archives through the fixture writer, unar and the library.
#include "tests/unrar/old_archives.h"

#include <filesystem>

#include "tests/support/files.h"
#include "tests/support/shell.h"
#include "tests/unrar/decoder_io.h"
#include "tests/unrar/support.h"

namespace kiv::test {

std::vector<std::string> DecodeRun(uint32_t unpVer, const std::vector<std::vector<uint8_t>>& packed,
                                   const std::vector<uint64_t>& sizes, bool solid) {
    rar::DecodeParams p;
    p.unpVer = unpVer;
    p.dictionarySize = 1 << 20;
    p.solidArchive = solid;
    auto decoder = rar::CreateDecoder(p);
    std::vector<std::string> out;
    for (size_t i = 0; i < packed.size(); ++i) {
        if (!solid) decoder = rar::CreateDecoder(p);
        p.solid = solid && i > 0;
        p.unpSize = sizes[i];
        ChunkedInput in(packed[i], 1000);
        StringSink sink;
        decoder->Decode(in, sink, p);
        out.push_back(sink.text);
    }
    return out;
}

std::vector<std::string> WriteOldArchive(const std::string& path,
                                         const std::vector<OldEntry>& entries, uint8_t unpVer,
                                         bool solid, uint64_t volumeSize) {
    std::vector<fixture::FixtureEntry> fixtures;
    for (size_t i = 0; i < entries.size(); ++i) {
        fixture::FixtureEntry f;
        f.name = "e" + std::to_string(i);
        f.data = entries[i].data;
        f.packed.assign(entries[i].packed.begin(), entries[i].packed.end());
        f.method = 0x33;
        f.unpVer = unpVer;
        f.dictionary = unpVer < 20 ? 0 : 4;  // 64 KiB for RAR 1.5, 1 MiB for RAR 2.0
        f.solid = solid && i > 0 && unpVer >= 20;
        fixtures.push_back(f);
    }
    fixture::FixtureOptions options;
    options.solid = solid;
    options.volumeSize = volumeSize;
    options.naming = fixture::VolumeNaming::Old;
    options.endBlocks = volumeSize == 0;
    return fixture::WriteRarArchive(path, fixtures, options);
}

namespace {

std::map<std::string, std::string> ReadFolder(const std::string& dir) {
    std::map<std::string, std::string> files;
    if (!std::filesystem::exists(dir)) return files;
    for (const auto& item : std::filesystem::directory_iterator(dir)) {
        files[item.path().filename().string()] = ReadFile(item.path().string());
    }
    return files;
}

}  // namespace

std::map<std::string, std::string> UnarExtract(const std::string& archive, const std::string& out) {
    const std::string command =
        "unar -q -f -D -o " + ShellQuote(out) + " " + ShellQuote(archive) + " >/dev/null 2>&1";
    if (RunShell(command) != 0) return {};
    return ReadFolder(out);
}

std::map<std::string, std::string> LibraryExtract(const std::string& archive,
                                                  const std::string& out) {
    Handle h = Open(archive, RAR_OM_EXTRACT);
    RARHeaderData header{};
    while (RARReadHeader(h.get(), &header) == 0) {
        const std::string dest = out + "/" + header.FileName;
        RARProcessFile(h.get(), RAR_EXTRACT, nullptr, const_cast<char*>(dest.c_str()));
    }
    return ReadFolder(out);
}

}  // namespace kiv::test
