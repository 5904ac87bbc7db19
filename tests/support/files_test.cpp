// The file helpers: listings stay inside the folder, and a write that fails says so.
#include "tests/support/files.h"

#include <unistd.h>

#include <stdexcept>

#include "tests/support/temp_folder.h"

namespace kiv::test {
namespace {

TEST(ListFiles, ListsRegularFilesBelowTheFolderButNothingThroughLinks) {
    TempFolder outside;
    WriteFile(outside / "elsewhere", "x");
    TempFolder temp;
    temp.MakeFolder("sub/deeper");
    WriteFile(temp / "z", "");
    WriteFile(temp / "sub/deeper/a", "");
    WriteFile(temp / "sub/b", "");
    ASSERT_EQ(::symlink(outside.Path().c_str(), (temp / "folder-link").c_str()), 0);
    ASSERT_EQ(::symlink((temp / "z").c_str(), (temp / "file-link").c_str()), 0);
    EXPECT_EQ(ListFiles(temp.Path()), (std::vector<std::string>{"sub/b", "sub/deeper/a", "z"}));
    EXPECT_EQ(ListNames(temp.Path()),
              (std::vector<std::string>{"file-link", "folder-link", "sub", "z"}));
}

TEST(WriteFile, AFileThatCannotBeWrittenIsAnErrorNamingItAndTheReason) {
    TempFolder temp;
    const std::string path = temp / "missing/file";
    try {
        WriteFile(path, "x");
        FAIL() << "wrote into a missing folder";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "cannot write " + path + ": No such file or directory");
    }
}

}  // namespace
}  // namespace kiv::test
