// Existence checks, one-level folder creation, attributes on permission bits, sizes and times.
#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <optional>

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace kiv::platform {
namespace {

using test::TempFolder;
using test::WriteFile;

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

class Files : public ::testing::Test {
protected:
    TempFolder m_temp;
};

TEST_F(Files, ExistenceTellsFilesFromFolders) {
    WriteFile(m_temp / "file", "x");
    EXPECT_TRUE(FileExists(m_temp / "file"));
    EXPECT_FALSE(DirectoryExists(m_temp / "file"));
    EXPECT_TRUE(DirectoryExists(m_temp.Path()));
    EXPECT_FALSE(FileExists(m_temp.Path()));
    EXPECT_FALSE(FileExists(m_temp / "missing"));
    EXPECT_FALSE(DirectoryExists(m_temp / "missing"));
    EXPECT_FALSE(FileExists(""));
}

TEST_F(Files, ExistenceFollowsLinks) {
    ASSERT_EQ(::symlink(m_temp.Path().c_str(), (m_temp / "to-folder").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (m_temp / "dangling").c_str()), 0);
    EXPECT_TRUE(DirectoryExists(m_temp / "to-folder"));
    EXPECT_FALSE(FileExists(m_temp / "dangling"));
}

TEST_F(Files, CreateDirectoryMakesOneLevel) {
    const Status status = CreateDirectory(m_temp / "Game");
    EXPECT_TRUE(status.ok()) << status.error();
    EXPECT_TRUE(DirectoryExists(m_temp / "Game"));
}

TEST_F(Files, CreateDirectoryRefusesMissingParent) {
    const Status status = CreateDirectory(m_temp / "a/b");
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find(m_temp / "a/b"), std::string::npos) << status.error();
    EXPECT_FALSE(DirectoryExists(m_temp / "a"));
}

TEST_F(Files, CreateDirectoryFailsWhenItExists) {
    ASSERT_TRUE(CreateDirectory(m_temp / "Game").ok());
    EXPECT_FALSE(CreateDirectory(m_temp / "Game").ok());
    WriteFile(m_temp / "file", "");
    EXPECT_FALSE(CreateDirectory(m_temp / "file").ok());
}

struct AttributeCase {
    const char* name;
    mode_t before;
    std::uint32_t set;
    mode_t after;
    std::uint32_t read;
};

class FileAttributeRoundTrip : public ::testing::TestWithParam<AttributeCase> {
protected:
    TempFolder m_temp;
};

TEST_P(FileAttributeRoundTrip, MapsOntoWriteBits) {
    const AttributeCase& c = GetParam();
    const std::string path = m_temp / "file";
    WriteFile(path, "data", c.before);
    const Status status = SetFileAttributes(path, c.set);
    ASSERT_TRUE(status.ok()) << status.error();
    EXPECT_EQ(ModeOf(path), c.after);
    EXPECT_EQ(GetFileAttributes(path), std::optional<std::uint32_t>(c.read));
}

using namespace FileAttribute;

INSTANTIATE_TEST_SUITE_P(
    Files, FileAttributeRoundTrip,
    ::testing::Values(AttributeCase{"ReadOnlyClearsEveryWriteBit", 0666, ReadOnly, 0444,
                                    ReadOnly | Archive},
                      AttributeCase{"ReadOnlyWithOtherBits", 0640,
                                    ReadOnly | Hidden | System | Archive, 0440, ReadOnly | Archive},
                      AttributeCase{"ArchiveAddsOwnerWriteOnly", 0444, Archive, 0644, Archive},
                      AttributeCase{"NormalAddsOwnerWrite", 0400, Normal, 0600, Archive},
                      AttributeCase{"ZeroAddsOwnerWrite", 0444, 0, 0644, Archive},
                      AttributeCase{"HiddenAloneClearsReadOnly", 0444, Hidden, 0644, Archive},
                      AttributeCase{"ArchiveKeepsGroupAndOthers", 0664, Archive, 0664, Archive},
                      AttributeCase{"ExecuteBitsUntouched", 0555, Archive, 0755, Archive}),
    [](const ::testing::TestParamInfo<AttributeCase>& info) { return info.param.name; });

TEST_F(Files, FolderReportsDirectory) {
    EXPECT_EQ(GetFileAttributes(m_temp.Path()), std::optional<std::uint32_t>(Directory));
    ::chmod(m_temp.Path().c_str(), 0555);
    EXPECT_EQ(GetFileAttributes(m_temp.Path()), std::optional<std::uint32_t>(Directory | ReadOnly));
    ::chmod(m_temp.Path().c_str(), 0755);
}

TEST_F(Files, MissingFileHasNoAttributes) {
    EXPECT_EQ(GetFileAttributes(m_temp / "missing"), std::nullopt);
    const Status status = SetFileAttributes(m_temp / "missing", Archive);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find(m_temp / "missing"), std::string::npos) << status.error();
}

TEST_F(Files, SetAttributesLeavesTargetOfLinkAlone) {
    WriteFile(m_temp / "target", "secret", 0444);
    ASSERT_EQ(::symlink((m_temp / "target").c_str(), (m_temp / "link").c_str()), 0);
    EXPECT_FALSE(SetFileAttributes(m_temp / "link", Archive).ok());
    EXPECT_EQ(ModeOf(m_temp / "target"), 0444u);
}

TEST_F(Files, SizeOfRegularFileOnly) {
    WriteFile(m_temp / "file", std::string(12345, 'z'));
    EXPECT_EQ(FileSize(m_temp / "file"), std::optional<std::uint64_t>(12345));
    EXPECT_EQ(FileSize(m_temp / "empty-missing"), std::nullopt);
    EXPECT_EQ(FileSize(m_temp.Path()), std::nullopt);
}

TEST_F(Files, ModificationTimeRoundTripsToTheNanosecond) {
    const std::string path = m_temp / "file";
    WriteFile(path, "x");
    // 2001-09-09 01:46:40.123456789 UTC
    const FileTime time{std::chrono::duration_cast<FileTime::duration>(
        std::chrono::nanoseconds(1'000'000'000'123'456'789LL))};
    const Status status = SetFileModificationTime(path, time);
    ASSERT_TRUE(status.ok()) << status.error();
    EXPECT_EQ(FileModificationTime(path), std::optional<FileTime>(time));
}

TEST_F(Files, TimesBeforeTheEpochWork) {
    const std::string path = m_temp / "file";
    WriteFile(path, "x");
    const FileTime time{
        std::chrono::duration_cast<FileTime::duration>(std::chrono::milliseconds(-1500))};
    ASSERT_TRUE(SetFileModificationTime(path, time).ok());
    EXPECT_EQ(FileModificationTime(path), std::optional<FileTime>(time));
}

TEST_F(Files, MissingFileHasNoTime) {
    EXPECT_EQ(FileModificationTime(m_temp / "missing"), std::nullopt);
    EXPECT_FALSE(SetFileModificationTime(m_temp / "missing", FileTime{}).ok());
}

}  // namespace
}  // namespace kiv::platform
