// The executable's folder, the per-user library folder and the current folder.
#include "platform/folders.h"

#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/files.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"

namespace kiv::platform {
namespace {

using test::Canonical;
using test::ScopedEnv;
using test::TempFolder;
using test::WriteFile;

class Folders : public ::testing::Test {
protected:
    TempFolder m_temp;
};

TEST(ExecutableFolder, IsTheFolderOfThisTestWithTrailingSlash) {
    const Result<std::string> folder = ExecutableFolder();
    ASSERT_TRUE(folder.ok()) << folder.error();
    ASSERT_FALSE(folder->empty());
    EXPECT_EQ(folder->front(), '/');
    EXPECT_EQ(folder->back(), '/');
    EXPECT_TRUE(FileExists(*folder + "platform_tests"));
}

TEST_F(Folders, SystemDirectoryIsCreatedBelowHome) {
    const std::string home = m_temp / "home";
    ScopedEnv env("HOME", home);
    const Result<std::string> folder = SystemDirectory();
    ASSERT_TRUE(folder.ok()) << folder.error();
    EXPECT_EQ(*folder, home + "/.local/lib/" + std::string(MultiarchTuple()));
    EXPECT_TRUE(DirectoryExists(*folder));
}

TEST_F(Folders, SystemDirectoryOfExistingFolderIsTheSame) {
    ScopedEnv env("HOME", m_temp.Path() + "//");
    const Result<std::string> first = SystemDirectory();
    const Result<std::string> second = SystemDirectory();
    ASSERT_TRUE(first.ok()) << first.error();
    ASSERT_TRUE(second.ok()) << second.error();
    EXPECT_EQ(*first, *second);
    EXPECT_EQ(*first, m_temp.Path() + "/.local/lib/" + std::string(MultiarchTuple()));
}

TEST_F(Folders, SystemDirectoryBlockedByFileFails) {
    ScopedEnv env("HOME", m_temp.Path());
    WriteFile(m_temp / ".local", "not a folder");
    const Result<std::string> folder = SystemDirectory();
    ASSERT_FALSE(folder.ok());
    EXPECT_NE(folder.error().find(m_temp / ".local"), std::string::npos) << folder.error();
}

TEST(MultiarchTuple, NamesALinuxTarget) {
    const std::string tuple(MultiarchTuple());
    EXPECT_NE(tuple.find("-linux-"), std::string::npos) << tuple;
    EXPECT_EQ(tuple.find('/'), std::string::npos) << tuple;
}

// The tests change the current folder; entering the temporary folder puts the previous one back
// afterwards.
class CurrentFolderTest : public ::testing::Test {
protected:
    TempFolder m_temp{TempFolder::Enter::Yes};
};

TEST_F(CurrentFolderTest, FollowsChanges) {
    ASSERT_TRUE(CreateDirectory(m_temp / "sub").ok());
    ASSERT_TRUE(SetCurrentFolder(m_temp / "sub").ok());
    EXPECT_EQ(CurrentFolder().value(), Canonical(m_temp / "sub"));
    ASSERT_TRUE(SetCurrentFolder("..").ok());
    EXPECT_EQ(CurrentFolder().value(), Canonical(m_temp.Path()));
    ASSERT_TRUE(SetCurrentFolder("/").ok());
    EXPECT_EQ(CurrentFolder().value(), "/");
}

TEST_F(CurrentFolderTest, MissingFolderLeavesCurrentAlone) {
    ASSERT_TRUE(SetCurrentFolder(m_temp.Path()).ok());
    const Status status = SetCurrentFolder(m_temp / "missing");
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find(m_temp / "missing"), std::string::npos) << status.error();
    EXPECT_EQ(CurrentFolder().value(), Canonical(m_temp.Path()));
}

TEST_F(CurrentFolderTest, LongPathIsReadWhole) {
    // Longer than the first guess of the buffer size.
    std::string path = m_temp.Path();
    for (int i = 0; i < 6; ++i) {
        path += "/" + std::string(60, static_cast<char>('a' + i));
        ASSERT_TRUE(CreateDirectory(path).ok());
    }
    ASSERT_TRUE(SetCurrentFolder(path).ok());
    EXPECT_EQ(CurrentFolder().value(), Canonical(path));
}

}  // namespace
}  // namespace kiv::platform
