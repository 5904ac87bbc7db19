// Detached start of programs and of files that go to xdg-open.
#include "platform/launch.h"

#include <unistd.h>

#include <gtest/gtest.h>
#include <sstream>

#include "platform/files.h"
#include "tests/support/files.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wait.h"

namespace kiv::platform {
namespace {

using test::Canonical;
using test::ReadFile;
using test::ScopedEnv;
using test::TempFolder;
using test::WaitUntil;
using test::WriteFile;

// The session id (field 6) of /proc/<pid>/stat text; comm holds no blanks here.
long SessionOf(const std::string& stat) {
    std::istringstream in(stat);
    std::string field;
    for (int i = 0; i < 6 && in >> field; ++i) {
    }
    return std::stol(field);
}

// Each test runs in its own folder, which relative names refer to.
class Launch : public ::testing::Test {
protected:
    // The marker is written under another name and renamed, so it is never seen half done.
    void WriteScript(const std::string& path, const std::string& body) {
        WriteFile(path, "#!/bin/sh\n" + body + "mv \"$MARK.tmp\" \"$MARK\"\n", 0755);
    }

    TempFolder m_temp{TempFolder::Enter::Yes};
};

TEST_F(Launch, ExecutableRunsDetachedInCurrentFolder) {
    ScopedEnv mark("MARK", m_temp / "marker");
    WriteScript(m_temp / "tool", "{ pwd; echo $$; cat /proc/self/stat; } > \"$MARK.tmp\"\n");
    const Status status = OpenDetached(m_temp / "tool");
    ASSERT_TRUE(status.ok()) << status.error();
    ASSERT_TRUE(WaitUntil([&] { return FileExists(m_temp / "marker"); }, "the marker appears"));

    std::istringstream lines(ReadFile(m_temp / "marker"));
    std::string folder, pid, stat;
    std::getline(lines, folder);
    std::getline(lines, pid);
    std::getline(lines, stat);
    EXPECT_EQ(Canonical(folder), Canonical(m_temp.Path()));
    EXPECT_NE(SessionOf(stat), static_cast<long>(::getsid(0)));
    // Once the script has ended nothing of it may stay behind as our zombie.
    EXPECT_TRUE(WaitUntil([&] { return !FileExists("/proc/" + pid + "/stat"); },
                          "process " + pid + " is gone"));
}

TEST_F(Launch, RelativeNameIsFoundInCurrentFolder) {
    ScopedEnv mark("MARK", m_temp / "marker");
    WriteScript(m_temp / "tool", "echo ran > \"$MARK.tmp\"\n");
    const Status status = OpenDetached("tool");
    ASSERT_TRUE(status.ok()) << status.error();
    EXPECT_TRUE(WaitUntil([&] { return FileExists(m_temp / "marker"); }, "the marker appears"));
}

TEST_F(Launch, DocumentGoesToXdgOpen) {
    ASSERT_TRUE(CreateDirectory(m_temp / "bin").ok());
    ScopedEnv mark("MARK", m_temp / "marker");
    ScopedEnv path("PATH", (m_temp / "bin") + ":/usr/bin:/bin");
    WriteScript(m_temp / "bin/xdg-open", "echo \"$1\" > \"$MARK.tmp\"\n");
    WriteFile(m_temp / "readme.nfo", "text", 0644);

    const Status status = OpenDetached(m_temp / "readme.nfo");
    ASSERT_TRUE(status.ok()) << status.error();
    ASSERT_TRUE(WaitUntil([&] { return FileExists(m_temp / "marker"); }, "the marker appears"));
    EXPECT_EQ(ReadFile(m_temp / "marker"), (m_temp / "readme.nfo") + "\n");
}

TEST_F(Launch, MissingFileFailsNamingIt) {
    const Status status = OpenDetached(m_temp / "nfocrc");
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find(m_temp / "nfocrc"), std::string::npos) << status.error();
}

TEST_F(Launch, DocumentWithoutXdgOpenFails) {
    ASSERT_TRUE(CreateDirectory(m_temp / "empty").ok());
    ScopedEnv path("PATH", m_temp / "empty");
    WriteFile(m_temp / "readme.nfo", "text", 0644);
    const Status status = OpenDetached(m_temp / "readme.nfo");
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find("xdg-open"), std::string::npos) << status.error();
}

}  // namespace
}  // namespace kiv::platform
