// The two readers built on the format core, the engine's pre-scan and the library's block reader,
// agree on hand-made volumes: what is damaged, what a host number means, and a read that fails.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive/arc_detect.h"
#include "archive/rar_prescan.h"
#include "formatcore/byte_source.h"
#include "unrar/format_reader.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::format {
namespace {

std::string Le(std::uint64_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

std::string Vint(std::uint64_t v) {
    std::string out;
    do {
        out += static_cast<char>((v & 0x7F) | (v > 0x7F ? 0x80 : 0));
        v >>= 7;
    } while (v != 0);
    return out;
}

std::uint32_t Crc(const std::string& bytes) {
    return static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// A RAR 1.5-4.x block with its size and check value filled in.
std::string Rar4Block(std::uint8_t type, std::uint16_t flags, const std::string& rest) {
    const std::string covered =
        std::string(1, static_cast<char>(type)) + Le(flags, 2) + Le(7 + rest.size(), 2) + rest;
    return Le(Crc(covered) & 0xFFFF, 2) + covered;
}

std::string Rar4Volume(const std::string& blocks) {
    return std::string("Rar!\x1A\x07\x00", 7) + Rar4Block(0x73, 0, std::string(6, '\0')) + blocks +
           Rar4Block(0x7B, 0, "");
}

std::string Rar4File(const std::string& name) {
    return Rar4Block(0x74, 0x8000,
                     Le(0, 4) + Le(0, 4) + "\x02" + Le(0, 4) + Le(0x5A000000, 4) + "\x1D\x30" +
                         Le(name.size(), 2) + Le(0x20, 4) + name);
}

// A RAR 5.0 block; sizeField is the header size as stored, the shortest form unless given.
std::string Rar5Block(const std::string& body, std::string sizeField = "") {
    if (sizeField.empty()) sizeField = Vint(body.size());
    return Le(Crc(sizeField + body), 4) + sizeField + body;
}

std::string Rar5Volume(const std::string& blocks) {
    return std::string("Rar!\x1A\x07\x01\x00", 8) + Rar5Block(Vint(1) + Vint(0) + Vint(0)) +
           blocks + Rar5Block(Vint(5) + Vint(0) + Vint(0));
}

// The body of a file header without data; extra is appended as the extra area, nameExtra bytes
// of it counted into the name's length as well.
std::string Rar5FileBody(const std::string& name, std::uint64_t host, const std::string& extra = "",
                         std::uint64_t extraSize = 0, std::size_t nameExtra = 0) {
    std::string body = Vint(2) + Vint(extra.empty() && extraSize == 0 ? 0 : 1);
    if (!extra.empty() || extraSize != 0) body += Vint(extraSize != 0 ? extraSize : extra.size());
    return body + Vint(0) + Vint(0) + Vint(0x20) + Vint(0) + Vint(host) +
           Vint(name.size() + nameExtra) + name + extra;
}

struct Walks {
    WalkStatus prescan = WalkStatus::NotRar;
    std::vector<RarFileHeader> prescanFiles;
    int libraryError = 0;  // the code that ended the library's walk, 0 when it ended cleanly
    std::vector<rar::EntryHeader> libraryEntries;
};

Walks WalkBoth(const ByteSource& source) {
    Walks w;
    w.prescan = WalkRarVolume(source, 0, [&](const RarFileHeader& h) {
                    w.prescanFiles.push_back(h);
                }).status;
    try {
        const auto reader = rar::OpenFormatReader(source);
        for (;;) {
            rar::Block block = reader->Next();
            if (block.kind != rar::BlockKind::Entry) break;
            w.libraryEntries.push_back(block.entry);
        }
    } catch (const rar::RarError& e) {
        w.libraryError = e.Code();
    }
    return w;
}

struct DamageRow {
    const char* label;
    std::string volume;
};

class BothSeeDamage : public ::testing::TestWithParam<DamageRow> {};

TEST_P(BothSeeDamage, AndEndTheirWalks) {
    const Walks w = WalkBoth(MemorySource(GetParam().volume));
    EXPECT_EQ(w.prescan, WalkStatus::Damaged);
    EXPECT_TRUE(w.prescanFiles.empty());
    EXPECT_EQ(w.libraryError, ERAR_BAD_DATA);
    EXPECT_TRUE(w.libraryEntries.empty());
}

std::string PaddedSize(std::size_t size) {
    return std::string(1, static_cast<char>(0x80 | size)) + std::string("\x80\x80\x00", 4);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BothSeeDamage,
    ::testing::Values(
        // The header size may take three bytes at most; this one is padded to four.
        DamageRow{
            "Rar5HeaderSizeInFourBytes",
            Rar5Volume(Rar5Block(Rar5FileBody("a", 0), PaddedSize(Rar5FileBody("a", 0).size())))},
        DamageRow{"Rar5ExtraAreaPastTheHeader",
                  Rar5Volume(Rar5Block(Rar5FileBody("a", 0, "", 100)))},
        DamageRow{
            "Rar5NameRunsIntoTheExtraArea",
            Rar5Volume(Rar5Block(Rar5FileBody("a", 0, std::string("\x02\x07\x00", 3), 0, 3)))},
        // A long block must hold its data size; this one ends with its base.
        DamageRow{"Rar4LongBlockWithoutItsDataSize",
                  Rar4Volume(Rar4Block(0x77, 0x8000, "") + Rar4File("a"))}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(BothReaders, SeeTheSameUndamagedEntries) {
    for (const std::string& volume :
         {Rar4Volume(Rar4File("a")), Rar5Volume(Rar5Block(Rar5FileBody("a", 1)))}) {
        const Walks w = WalkBoth(MemorySource(volume));
        EXPECT_EQ(w.prescan, WalkStatus::Complete);
        EXPECT_EQ(w.libraryError, 0);
        ASSERT_EQ(w.prescanFiles.size(), 1u);
        ASSERT_EQ(w.libraryEntries.size(), 1u);
        EXPECT_EQ(w.prescanFiles[0].name, w.libraryEntries[0].name);
        EXPECT_EQ(w.prescanFiles[0].hostOs, w.libraryEntries[0].hostOs);
    }
}

TEST(BothReaders, HoldAnUnknownRar5HostAboveTheKnownOnes) {
    // 259 cut to its low byte would read as Unix (3) and have its attributes taken as a mode.
    const Walks w = WalkBoth(MemorySource(Rar5Volume(Rar5Block(Rar5FileBody("a", 259)))));
    ASSERT_EQ(w.prescanFiles.size(), 1u);
    ASSERT_EQ(w.libraryEntries.size(), 1u);
    EXPECT_EQ(w.prescanFiles[0].hostOs, 255u);
    EXPECT_EQ(w.libraryEntries[0].hostOs, 255u);
    EXPECT_FALSE(w.libraryEntries[0].specialFile);
}

// Bytes of which everything from `failAt` on cannot be read.
class FailingSource : public ByteSource {
public:
    FailingSource(std::string bytes, std::uint64_t failAt)
        : m_bytes(std::move(bytes)), m_memory(m_bytes), m_failAt(failAt) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const override {
        if (n > 0 && offset < m_bytes.size() && offset + n > m_failAt) {
            throw ReadError("input/output error");
        }
        return m_memory.ReadAt(offset, buffer, n);
    }

private:
    std::string m_bytes;
    MemorySource m_memory;
    std::uint64_t m_failAt;
};

class UnreadableBytes : public ::testing::TestWithParam<std::string> {};

TEST_P(UnreadableBytes, AreAReadErrorNotAnEnd) {
    const std::string& volume = GetParam();
    // Fail inside the file header, after the marker and the main header.
    const FailingSource source(volume, volume.size() - 12);
    const Walks w = WalkBoth(source);
    EXPECT_EQ(w.prescan, WalkStatus::Damaged);
    EXPECT_EQ(w.libraryError, ERAR_EREAD);
    EXPECT_EQ(DetectArchive(source).type, TArcType::atFileOpenErr);
}

INSTANTIATE_TEST_SUITE_P(Formats, UnreadableBytes,
                         ::testing::Values(Rar4Volume(Rar4File("name.txt")),
                                           Rar5Volume(Rar5Block(Rar5FileBody("name.txt", 0)))),
                         [](const auto& info) { return info.index == 0 ? "Rar4" : "Rar5"; });

}  // namespace
}  // namespace kiv::format
