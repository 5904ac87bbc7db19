// Detached start of programs and of files that go to xdg-open.
#include "platform/launch.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/files.h"
#include "platform/folders.h"
#include "tests/platform/scoped_env.h"
#include "tests/platform/temp_folder.h"

namespace kiv::platform {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempFolder;
using testing::WriteFile;

// Waits for a condition that the child brings about, at most ten seconds.
template <class Condition>
bool WaitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string Canonical(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    std::string result = resolved != nullptr ? resolved : "";
    ::free(resolved);
    return result;
}

// The session id (field 6) of /proc/<pid>/stat text; comm holds no blanks here.
long SessionOf(const std::string& stat) {
    std::istringstream in(stat);
    std::string field;
    for (int i = 0; i < 6 && in >> field; ++i) {
    }
    return std::stol(field);
}

class Launch : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = CurrentFolder().value();
        ASSERT_TRUE(SetCurrentFolder(m_temp.Path()).ok());
    }
    void TearDown() override { EXPECT_TRUE(SetCurrentFolder(m_previous).ok()); }

    // The marker is written under another name and renamed, so it is never seen half done.
    void WriteScript(const std::string& path, const std::string& body) {
        WriteFile(path, "#!/bin/sh\n" + body + "mv \"$MARK.tmp\" \"$MARK\"\n", 0755);
    }

    TempFolder m_temp;
    std::string m_previous;
};

TEST_F(Launch, ExecutableRunsDetachedInCurrentFolder) {
    ScopedEnv mark("MARK", m_temp / "marker");
    WriteScript(m_temp / "tool", "{ pwd; echo $$; cat /proc/self/stat; } > \"$MARK.tmp\"\n");
    const Status status = OpenDetached(m_temp / "tool");
    ASSERT_TRUE(status.ok()) << status.error();
    ASSERT_TRUE(WaitFor([&] { return FileExists(m_temp / "marker"); }));

    std::istringstream lines(ReadFile(m_temp / "marker"));
    std::string folder, pid, stat;
    std::getline(lines, folder);
    std::getline(lines, pid);
    std::getline(lines, stat);
    EXPECT_EQ(Canonical(folder), Canonical(m_temp.Path()));
    EXPECT_NE(SessionOf(stat), static_cast<long>(::getsid(0)));
    // Once the script has ended nothing of it may stay behind as our zombie.
    EXPECT_TRUE(WaitFor([&] { return !FileExists("/proc/" + pid + "/stat"); }))
        << "process " << pid << " still exists";
}

TEST_F(Launch, RelativeNameIsFoundInCurrentFolder) {
    ScopedEnv mark("MARK", m_temp / "marker");
    WriteScript(m_temp / "tool", "echo ran > \"$MARK.tmp\"\n");
    const Status status = OpenDetached("tool");
    ASSERT_TRUE(status.ok()) << status.error();
    EXPECT_TRUE(WaitFor([&] { return FileExists(m_temp / "marker"); }));
}

TEST_F(Launch, DocumentGoesToXdgOpen) {
    ASSERT_TRUE(CreateDirectory(m_temp / "bin").ok());
    ScopedEnv mark("MARK", m_temp / "marker");
    ScopedEnv path("PATH", (m_temp / "bin") + ":/usr/bin:/bin");
    WriteScript(m_temp / "bin/xdg-open", "echo \"$1\" > \"$MARK.tmp\"\n");
    WriteFile(m_temp / "readme.nfo", "text", 0644);

    const Status status = OpenDetached(m_temp / "readme.nfo");
    ASSERT_TRUE(status.ok()) << status.error();
    ASSERT_TRUE(WaitFor([&] { return FileExists(m_temp / "marker"); }));
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
