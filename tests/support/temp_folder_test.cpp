// TempFolder: read-only trees go, links out are left alone, the current folder comes back, and a
// folder that cannot be made is named.
#include "tests/support/temp_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "tests/support/files.h"
#include "tests/support/scoped_env.h"

namespace kiv::test {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(TempFolder, RemovesATreeWhoseFilesAndFoldersAreReadOnly) {
    std::string path;
    {
        TempFolder temp;
        path = temp.Path();
        temp.MakeFolder("open/shut");
        WriteFile(temp / "open/shut/file", "x", 0444);
        temp.MakeFolder("locked");
        WriteFile(temp / "locked/file", "x", 0);
        ASSERT_EQ(::chmod((temp / "open/shut").c_str(), 0555), 0);
        ASSERT_EQ(::chmod((temp / "locked").c_str(), 0), 0);
        ASSERT_EQ(::chmod(path.c_str(), 0555), 0);
    }
    EXPECT_FALSE(Exists(path));
}

TEST(TempFolder, LeavesWhatItsLinksPointToAlone) {
    TempFolder outside;
    WriteFile(outside / "file", "kept", 0400);
    outside.MakeFolder("folder");
    WriteFile(outside / "folder/inner", "kept too");
    ASSERT_EQ(::chmod((outside / "folder").c_str(), 0500), 0);
    {
        TempFolder temp;
        ASSERT_EQ(::symlink((outside / "file").c_str(), (temp / "file-link").c_str()), 0);
        ASSERT_EQ(::symlink((outside / "folder").c_str(), (temp / "folder-link").c_str()), 0);
    }
    EXPECT_EQ(ModeOf(outside / "file"), 0400u);
    EXPECT_EQ(ModeOf(outside / "folder"), 0500u);
    EXPECT_EQ(ReadFile(outside / "folder/inner"), "kept too");
}

TEST(TempFolder, EnteredFolderIsCurrentAndThePreviousOneComesBack) {
    const fs::path before = fs::current_path();
    {
        TempFolder temp(TempFolder::Enter::Yes);
        EXPECT_EQ(fs::current_path(), temp.Path());
        ASSERT_EQ(::chdir("/"), 0) << "a test may change folders itself";
    }
    EXPECT_EQ(fs::current_path(), before);
}

TEST(TempFolder, PathHasNoLinksEvenWhenTheTemporaryFolderIsOne) {
    TempFolder outer;
    ASSERT_EQ(::symlink(outer.Path().c_str(), (outer / "link").c_str()), 0);
    ScopedEnv tmpdir("TMPDIR", outer / "link");
    TempFolder temp;
    EXPECT_EQ(temp.Path().rfind(outer.Path() + "/kiv-", 0), 0u) << temp.Path();
    EXPECT_EQ(Canonical(temp.Path()), temp.Path());
}

TEST(TempFolder, AFolderThatCannotBeMadeIsNamedWithTheReason) {
    ScopedEnv tmpdir("TMPDIR", "/proc");
    try {
        TempFolder temp;
        FAIL() << "made " << temp.Path();
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("cannot create a temporary folder in /proc: ", 0), 0u)
            << e.what();
    }
}

}  // namespace
}  // namespace kiv::test
