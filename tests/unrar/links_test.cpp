// Link entries: a file copy or hard link whose target this handle extracted is written as a copy
// of the target's file; every other link is refused with ERAR_EREFERENCE, and nothing is ever
// created as a link or read from outside what the handle wrote.
#include <sys/stat.h>
#include <unistd.h>

#include <ostream>

#include "tests/unrar/support.h"
#include "tools/rar5pack/rar5_compressor.h"

namespace kiv::test {
namespace {

using fixture::ArchiveFormat;
using fixture::FixtureEntry;
using fixture::FixtureOptions;

constexpr uint32_t kUnixSymlink = 1, kWindowsSymlink = 2, kJunction = 3, kHardLink = 4,
                   kFileCopy = 5;

FixtureEntry File(const std::string& name, const std::string& data) {
    FixtureEntry e;
    e.name = name;
    e.data = data;
    return e;
}

// A redirection to `target`, declaring the size of `data` as RAR declares its target's.
FixtureEntry Link(const std::string& name, uint32_t type, const std::string& target,
                  const std::string& data) {
    FixtureEntry e = File(name, data);
    e.redirection = type;
    e.linkTarget = target;
    return e;
}

struct LinkCase {
    const char* label;
    uint32_t type;
    int code;  // RARProcessFile's answer for the link
};

void PrintTo(const LinkCase& c, std::ostream* os) {
    *os << c.label;
}

class LinkEntries : public TempFolderTest, public ::testing::WithParamInterface<LinkCase> {
protected:
    // Extracts every entry below out/ and returns the codes in order.
    std::vector<int> ExtractAll(const std::string& archive) {
        Handle h = Open(archive, RAR_OM_EXTRACT);
        std::vector<int> codes;
        RARHeaderData header{};
        std::string dir = Path("out/");
        while (RARReadHeader(h.get(), &header) == 0) {
            std::string dest = Path(std::string("out/") + header.FileName);
            codes.push_back(RARProcessFile(h.get(), RAR_EXTRACT, dir.data(), dest.data()));
        }
        return codes;
    }
};

TEST_P(LinkEntries, OnlyCopiesOfExtractedFilesAreWritten) {
    const LinkCase& c = GetParam();
    const std::string data = Pattern(3000, 51);
    FixtureOptions options;
    options.format = ArchiveFormat::Rar5;
    const auto volumes = fixture::WriteRarArchive(
        Path("x.rar"),
        {File("dir/target.bin", data), Link("link", c.type, "dir/target.bin", data),
         File("after.txt", "after")},
        options);
    EXPECT_EQ(ExtractAll(volumes[0]), (std::vector<int>{0, c.code, 0}));
    struct stat st {};
    if (c.code == 0) {
        ASSERT_EQ(::lstat(Path("out/link").c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_nlink, 1u);
        EXPECT_EQ(ReadFile(Path("out/link")), data);
    } else {
        EXPECT_NE(::lstat(Path("out/link").c_str(), &st), 0);
    }
    EXPECT_EQ(ReadFile(Path("out/dir/target.bin")), data);
    EXPECT_EQ(ReadFile(Path("out/after.txt")), "after");
}

INSTANTIATE_TEST_SUITE_P(
    Types, LinkEntries,
    ::testing::Values(LinkCase{"FileCopy", kFileCopy, 0}, LinkCase{"HardLink", kHardLink, 0},
                      LinkCase{"UnixSymlink", kUnixSymlink, ERAR_EREFERENCE},
                      LinkCase{"WindowsSymlink", kWindowsSymlink, ERAR_EREFERENCE},
                      LinkCase{"Junction", kJunction, ERAR_EREFERENCE}),
    [](const auto& info) { return std::string(info.param.label); });

// In a solid archive a link has no data in the stream, whatever size it declares: the files
// after it go on decoding, whether the link is refused or written as a copy.
TEST_P(LinkEntries, LeaveASolidStreamToTheFilesAfterThem) {
    const LinkCase& c = GetParam();
    rar5pack::CompressOptions packing;
    packing.dictionary = 128 * 1024;
    rar5pack::Rar5Compressor stream(packing);
    std::string a, b;
    for (int i = 0; i < 400; ++i) a += "line " + std::to_string(i * 7 % 113) + " of a\n";
    for (int i = 0; i < 400; ++i) b += "line " + std::to_string(i * 5 % 97) + " of b\n";
    FixtureEntry first = File("a.txt", a);
    first.packed = stream.CompressEntry(a);
    first.method = 0x33;
    FixtureEntry link = Link("link", c.type, "a.txt", a);
    link.method = 0x33;
    link.solid = true;
    FixtureEntry last = File("b.txt", b);
    last.packed = stream.CompressEntry(b);
    last.method = 0x33;
    last.solid = true;
    FixtureOptions options;
    options.format = ArchiveFormat::Rar5;
    options.solid = true;
    const auto volumes = fixture::WriteRarArchive(Path("x.rar"), {first, link, last}, options);
    EXPECT_EQ(ExtractAll(volumes[0]), (std::vector<int>{0, c.code, 0}));
    EXPECT_EQ(ReadFile(Path("out/b.txt")), b);
}

class CopyEntries : public LinkEntries {};

TEST_F(CopyEntries, OfATargetNotExtractedAreRefused) {
    FixtureOptions options;
    options.format = ArchiveFormat::Rar5;
    const auto volumes = fixture::WriteRarArchive(
        Path("x.rar"), {File("target", "data"), Link("copy", kFileCopy, "target", "data")},
        options);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    ASSERT_EQ(RARProcessFile(h.get(), RAR_SKIP, nullptr, nullptr), 0);
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    std::string dest = Path("copy");
    EXPECT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, nullptr, dest.data()), ERAR_EREFERENCE);
    EXPECT_FALSE(Exists(dest));
}

TEST_F(CopyEntries, NamingNoEntryOfTheArchiveAreRefused) {
    FixtureOptions options;
    options.format = ArchiveFormat::Rar5;
    WriteFile(Path("outside"), "outside data");
    const auto volumes = fixture::WriteRarArchive(
        Path("x.rar"),
        {File("a", "a"), Link("copy", kHardLink, "../outside", "outside data"),
         Link("abs", kFileCopy, Path("outside"), "outside data")},
        options);
    EXPECT_EQ(ExtractAll(volumes[0]), (std::vector<int>{0, ERAR_EREFERENCE, ERAR_EREFERENCE}));
    EXPECT_EQ(ListNames(Path("out")), std::vector<std::string>{"a"});
}

// The target's file was swapped for a link to a file outside between the two entries: the copy
// reads nothing through it.
TEST_F(CopyEntries, OfATargetReplacedSinceAreRefused) {
    FixtureOptions options;
    options.format = ArchiveFormat::Rar5;
    WriteFile(Path("secret"), "12345");
    const auto volumes = fixture::WriteRarArchive(
        Path("x.rar"), {File("target", "abcde"), Link("copy", kFileCopy, "target", "abcde")},
        options);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    std::string dir = Path("out/");
    std::string target = Path("out/target");
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    ASSERT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, dir.data(), target.data()), 0);
    ASSERT_EQ(::unlink(target.c_str()), 0);
    ASSERT_EQ(::symlink(Path("secret").c_str(), target.c_str()), 0);
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    std::string copy = Path("out/copy");
    EXPECT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, dir.data(), copy.data()), ERAR_EREFERENCE);
    EXPECT_FALSE(Exists(copy));
}

TEST_F(CopyEntries, AreNeverWrittenOutsideDestPath) {
    FixtureOptions options;
    options.format = ArchiveFormat::Rar5;
    const auto volumes = fixture::WriteRarArchive(
        Path("x.rar"), {File("target", "abcde"), Link("../escaped", kFileCopy, "target", "abcde")},
        options);
    Handle h = Open(volumes[0], RAR_OM_EXTRACT);
    RARHeaderData header{};
    std::string dir = Path("out/");
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    ASSERT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, dir.data(), nullptr), 0);
    ASSERT_EQ(RARReadHeader(h.get(), &header), 0);
    EXPECT_EQ(RARProcessFile(h.get(), RAR_EXTRACT, dir.data(), nullptr), ERAR_ECREATE);
    EXPECT_FALSE(Exists(Path("escaped")));
}

// A RAR 3.x Unix symbolic link keeps its target as its data: refused, and never created.
TEST_F(CopyEntries, Rar4UnixSymlinksAreRefused) {
    FixtureEntry link = File("link", "target");
    link.hostOs = 3;
    link.attr = 0120777;
    const auto volumes =
        fixture::WriteRarArchive(Path("x.rar"), {File("target", "t"), link}, FixtureOptions());
    EXPECT_EQ(ExtractAll(volumes[0]), (std::vector<int>{0, ERAR_EREFERENCE}));
    EXPECT_EQ(ListNames(Path("out")), std::vector<std::string>{"target"});
}

}  // namespace
}  // namespace kiv::test
