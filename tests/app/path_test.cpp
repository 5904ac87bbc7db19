// The folder dialog: "New Dir" proposes the release name and moves the list, "OK" sets the
// target folder, and a folder that cannot be made is a warning.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/installer_values.h"
#include "framework/stdctrls/directory_list_box.h"
#include "tests/app/support.h"

namespace kiv::test {
namespace {

class PathTest : public ReleaseTest {
protected:
    void SetUp() override {
        WriteIni("[KIV]\nRelease=My Release\n");
        Start();
        m_path->kivDirList().SetDirectory(Release());
    }
};

TEST_F(PathTest, NewDirWithTheProposedNameThenOk) {
    Press("btnMkDir");
    ASSERT_EQ(m_inputPrompts.size(), 1u);
    EXPECT_EQ(m_inputPrompts[0], "Type a name for the new directory: [My Release]");
    EXPECT_TRUE(std::filesystem::is_directory(Release() + "/My Release"));
    EXPECT_EQ(m_path->kivDirList().Directory(), Release() + "/My Release");
    EXPECT_EQ(Installer().TargetDir, Release() + "/");
    Press("btnOK");
    EXPECT_EQ(Installer().TargetDir, Release() + "/My Release");
}

TEST_F(PathTest, AnExistingFolderIsEnteredAndCancelChangesNothing) {
    std::filesystem::create_directories(Release() + "/Game");
    m_inputs = {std::string("Game"), std::nullopt, std::string()};
    Press("btnMkDir");
    EXPECT_EQ(m_path->kivDirList().Directory(), Release() + "/Game");
    Press("btnMkDir");
    Press("btnMkDir");
    EXPECT_EQ(m_path->kivDirList().Directory(), Release() + "/Game");
    EXPECT_TRUE(m_asked.empty());
}

TEST_F(PathTest, AFolderThatCannotBeMadeIsAWarning) {
    m_inputs = {std::string("missing/child")};
    Press("btnMkDir");
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0].text, "Cannot create directory");
    EXPECT_EQ(m_asked[0].caption, "Warning");
    EXPECT_EQ(m_asked[0].type, TMsgDlgType::mtWarning);
    EXPECT_EQ(m_path->kivDirList().Directory(), Release());
    EXPECT_FALSE(std::filesystem::exists(Release() + "/missing"));
}

TEST_F(PathTest, OkAtTheRootKeepsItsSlash) {
    m_path->kivDirList().SetDirectory("/");
    Press("btnOK");
    EXPECT_EQ(Installer().TargetDir, "/");
}

}  // namespace
}  // namespace kiv::test
