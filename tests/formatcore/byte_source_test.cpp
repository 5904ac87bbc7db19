// Positioned reads from memory and from files: counts at and past the end, refused files, and a
// file that shrinks under its reader.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>

#include "formatcore/byte_source.h"
#include "formatcore/file_source.h"

namespace kiv::format {
namespace {

const std::string kBytes = "0123456789";

// A regular file with kBytes that lives only in memory, reachable by its /proc path.
class MemoryFile {
public:
    MemoryFile() : m_fd(::memfd_create("formatcore-test", MFD_CLOEXEC)) {
        if (m_fd < 0 || ::write(m_fd, kBytes.data(), kBytes.size()) != ssize_t(kBytes.size())) {
            throw std::runtime_error("cannot create the memory file");
        }
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }
    void Truncate(off_t size) const { ASSERT_EQ(::ftruncate(m_fd, size), 0); }

private:
    int m_fd;
};

struct ReadRow {
    const char* label;
    std::uint64_t offset;
    std::size_t n;
    std::string expected;
};

enum class Kind { Memory, File };

class BoundedReads : public ::testing::TestWithParam<std::tuple<Kind, ReadRow>> {};

TEST_P(BoundedReads, CopyWhatLiesWithinTheSize) {
    const auto& [kind, row] = GetParam();
    MemoryFile file;
    std::unique_ptr<ByteSource> source;
    if (kind == Kind::Memory) {
        source = std::make_unique<MemorySource>(kBytes);
    } else {
        source = FileSource::Open(file.Path());
        ASSERT_TRUE(source);
    }
    ASSERT_EQ(source->Size(), kBytes.size());
    std::string buffer(row.n + 4, '#');
    const std::size_t got = source->ReadAt(row.offset, buffer.data(), row.n);
    EXPECT_EQ(buffer.substr(0, got), row.expected);
    EXPECT_EQ(buffer.substr(got), std::string(row.n + 4 - got, '#'));  // nothing past the count
    EXPECT_EQ(source->ReadExact(row.offset, buffer.data(), row.n), got == row.n);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BoundedReads,
    ::testing::Combine(::testing::Values(Kind::Memory, Kind::File),
                       ::testing::Values(ReadRow{"Inside", 2, 3, "234"},
                                         ReadRow{"ToTheEnd", 7, 3, "789"},
                                         ReadRow{"AcrossTheEnd", 8, 5, "89"},
                                         ReadRow{"AtTheEnd", 10, 1, ""},
                                         ReadRow{"PastTheEnd", 11, 1, ""},
                                         ReadRow{"AtTheLargestOffset", UINT64_MAX, 4, ""},
                                         ReadRow{"NothingAsked", 3, 0, ""})),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == Kind::Memory ? "Memory" : "File") +
               std::get<1>(info.param).label;
    });

struct RefusedRow {
    const char* label;
    std::string path;
    std::string why;
};

class RefusedFiles : public ::testing::TestWithParam<RefusedRow> {};

TEST_P(RefusedFiles, GiveNoSourceAndSayWhy) {
    std::string why;
    EXPECT_FALSE(FileSource::Open(GetParam().path, &why));
    EXPECT_EQ(why.substr(0, GetParam().why.size()), GetParam().why);
    EXPECT_FALSE(FileSource::Open(GetParam().path));
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusedFiles,
                         ::testing::Values(RefusedRow{"Missing", "/proc/self/fd/999999",
                                                      "cannot open /proc/self/fd/999999: "},
                                           RefusedRow{"Folder", "/", "/ is not a regular file"},
                                           RefusedRow{"Device", "/dev/zero",
                                                      "/dev/zero is not a regular file"}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(FileSource, ReadsShortWhenTheFileShrinksUnderIt) {
    MemoryFile file;
    const auto source = FileSource::Open(file.Path());
    ASSERT_TRUE(source);
    file.Truncate(4);
    char buffer[8] = {};
    EXPECT_EQ(source->ReadAt(2, buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), "23");
    EXPECT_EQ(source->ReadAt(6, buffer, 2), 0u);
}

}  // namespace
}  // namespace kiv::format
