// Damaged and truncated archives end with an error code, never with a crash or a hang.
#include "tests/unrar/support.h"

namespace kiv::test {
namespace {

using fixture::ArchiveFormat;
using fixture::FixtureEntry;
using fixture::FixtureOptions;

class DamageTest : public TempFolderTest, public ::testing::WithParamInterface<ArchiveFormat> {
protected:
    std::string Sample() {
        std::vector<FixtureEntry> entries(3);
        entries[0].name = "one.txt";
        entries[0].data = Pattern(300, 1);
        entries[1].name = "dir";
        entries[1].directory = true;
        entries[1].attr = 0x10;
        entries[2].name = "dir/two.txt";
        entries[2].data = Pattern(200, 2);
        FixtureOptions options;
        options.format = GetParam();
        return ReadFile(fixture::WriteRarArchive(Path("good.rar"), entries, options)[0]);
    }
    // Lists and tests the archive in bytes; returns the final code and the entries seen.
    std::pair<int, size_t> Walk(const std::string& bytes) {
        const std::string path = Path("damaged.rar");
        WriteFile(path, bytes);
        unsigned result = 0;
        Handle h = Open(path, RAR_OM_EXTRACT, &result);
        if (!h) return {static_cast<int>(result), 0};
        int end = 0;
        auto listed = ListAll(h.get(), &end, RAR_TEST);
        return {end, listed.size()};
    }
};

TEST_P(DamageTest, EveryTruncationEndsWithACode) {
    const std::string good = Sample();
    for (size_t cut = 0; cut < good.size(); ++cut) {
        auto [code, seen] = Walk(good.substr(0, cut));
        EXPECT_NE(code, 0) << "cut at " << cut;
        EXPECT_LE(seen, 3u);
    }
}

TEST_P(DamageTest, FlippedBytesAreCaughtByTheChecks) {
    const std::string good = Sample();
    ASSERT_EQ(Walk(good), std::make_pair(ERAR_END_ARCHIVE, size_t{3}));
    for (size_t at = 0; at < good.size(); ++at) {
        std::string bad = good;
        bad[at] ^= 0x10;
        auto [code, seen] = Walk(bad);
        // Every byte is covered by a header check or by an entry's data check.
        EXPECT_NE(code, ERAR_END_ARCHIVE) << "flip at " << at << " went unnoticed";
        EXPECT_LE(seen, 3u);
    }
}

TEST_P(DamageTest, NotARarArchive) {
    EXPECT_EQ(Walk("this is a plain text file, nothing more").first, ERAR_BAD_ARCHIVE);
    EXPECT_EQ(Walk("").first, ERAR_BAD_ARCHIVE);
}

INSTANTIATE_TEST_SUITE_P(Formats, DamageTest,
                         ::testing::Values(ArchiveFormat::Rar4, ArchiveFormat::Rar5),
                         [](const auto& info) {
                             return info.param == ArchiveFormat::Rar4 ? "Rar4" : "Rar5";
                         });

class CraftedHeaderTest : public TempFolderTest {};

TEST_F(CraftedHeaderTest, HugeDataSizeEndsTheWalk) {
    // A RAR 5.0 file header claiming 2^62 data bytes: the next block lies far past the end.
    std::string body;
    body += '\x02';                                                  // file header
    body += '\x02';                                                  // with data
    body += std::string("\x80\x80\x80\x80\x80\x80\x80\x80\x40", 9);  // data size 2^62
    body += '\x00';                                                  // file flags
    body += '\x05';                                                  // unpacked size
    body += '\x20';                                                  // attributes
    body += '\x00';                                                  // compression: stored
    body += '\x00';                                                  // host
    body += '\x01';                                                  // name length
    body += 'a';
    std::string sized = std::string(1, static_cast<char>(body.size())) + body;
    uint32_t crc = Crc32(sized);
    std::string block;
    for (int i = 0; i < 4; ++i) block += static_cast<char>(crc >> (8 * i));
    block += sized;
    std::string mainBody("\x01\x00\x00", 3);
    std::string mainSized = std::string(1, 3) + mainBody;
    uint32_t mainCrc = Crc32(mainSized);
    std::string mainBlock;
    for (int i = 0; i < 4; ++i) mainBlock += static_cast<char>(mainCrc >> (8 * i));
    mainBlock += mainSized;
    WriteFile(Path("huge.rar"), std::string("Rar!\x1a\x07\x01\x00", 8) + mainBlock + block);
    Handle h = Open(Path("huge.rar"), RAR_OM_EXTRACT);
    ASSERT_TRUE(h);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    EXPECT_EQ(RARProcessFile(h.get(), RAR_TEST, nullptr, nullptr), ERAR_EREAD);
    EXPECT_EQ(RARReadHeader(h.get(), &header), ERAR_BAD_DATA);
    EXPECT_EQ(RARReadHeader(h.get(), &header), ERAR_BAD_DATA);
}

TEST(CApi, NullArgumentsAreAnsweredWithCodes) {
    RAROpenArchiveData data{};
    data.ArcName = nullptr;
    EXPECT_EQ(RAROpenArchive(&data), nullptr);
    EXPECT_EQ(data.OpenResult, static_cast<unsigned>(ERAR_EOPEN));
    EXPECT_EQ(RARCloseArchive(nullptr), ERAR_ECLOSE);
    RARHeaderData header{};
    EXPECT_NE(RARReadHeader(nullptr, &header), 0);
    EXPECT_NE(RARProcessFile(nullptr, RAR_SKIP, nullptr, nullptr), 0);
    std::string missing = "/nonexistent/kiv/none.rar";
    data.ArcName = missing.data();
    EXPECT_EQ(RAROpenArchive(&data), nullptr);
    EXPECT_EQ(data.OpenResult, static_cast<unsigned>(ERAR_EOPEN));
}

}  // namespace
}  // namespace kiv::test
