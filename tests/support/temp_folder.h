// A fresh temporary folder per test, optionally the current folder while it lives.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kiv::test {

// Creates a new empty folder below $TMPDIR (or /tmp) and removes it with everything in it when
// destroyed. Tests take write permission away from files and folders inside; removal gives it
// back first, without following symbolic links out of the folder.
//
// With Enter::Yes the folder is also the process's current folder until destruction, which puts
// the previous one back first (whatever the test changed it to meanwhile).
//
// Construction throws std::runtime_error naming the folder and the system's reason; a failure to
// go back or to remove is reported as a test failure.
class TempFolder {
public:
    enum class Enter : bool { No, Yes };

    explicit TempFolder(Enter enter = Enter::No);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Absolute and free of symbolic links, so that it compares equal to what the system reports.
    const std::string& Path() const { return m_path; }
    // The path of `relative` inside the folder.
    std::string operator/(std::string_view relative) const;
    // Creates `relative` and its parents inside the folder; returns its path. Throws on failure.
    std::string MakeFolder(std::string_view relative) const;

private:
    std::string m_path;
    std::string m_previous;  // the current folder before entering; empty when not entered
};

// Each test runs in a fresh temporary folder that is also its current folder, so that anything
// written by a relative name stays inside and goes with it.
class TempFolderTest : public ::testing::Test {
protected:
    const std::string& Dir() const { return m_temp.Path(); }
    std::string Path(std::string_view relative) const { return m_temp / relative; }

    TempFolder m_temp{TempFolder::Enter::Yes};
};

}  // namespace kiv::test
