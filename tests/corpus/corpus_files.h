// Where the decoded RAR corpus lies, which of its files start an archive, and the fixture that
// skips without it; shared by the library's and the engine's corpus tests (each defines
// KIV_CORPUS_DIR).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace kiv::corpus {

// $KIV_RAR_CORPUS, or the folder the build's fetch step decodes into.
inline std::string CorpusDir() {
    const char* env = std::getenv("KIV_RAR_CORPUS");
    return env && *env ? env : KIV_CORPUS_DIR;
}

inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The .rar and .exe files of `dir` that are not second or later parts of a new-style set,
// sorted by path.
inline std::vector<std::string> FirstVolumes(const std::string& dir) {
    std::vector<std::string> out;
    static const std::regex later(R"(\.part0*([2-9]|[1-9][0-9]+)\.rar$)");
    for (const auto& item : std::filesystem::directory_iterator(dir)) {
        const std::string name = item.path().filename().string();
        const std::string ext = item.path().extension().string();
        if ((ext == ".rar" || ext == ".exe") && !std::regex_search(name, later)) {
            out.push_back(item.path().string());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Every file of the corpus folder by path, to check afterwards that nothing wrote to them.
inline std::map<std::string, std::string> SnapshotCorpus() {
    std::map<std::string, std::string> files;
    for (const auto& item : std::filesystem::directory_iterator(CorpusDir())) {
        files[item.path().string()] = ReadAll(item.path());
    }
    return files;
}

// Skips the test when the corpus or one of the peer commands is missing; otherwise gives it a
// fresh work folder, removed afterwards.
class CorpusTest : public ::testing::Test {
protected:
    CorpusTest(std::string workName, std::vector<std::string> commands)
        : m_workName(std::move(workName)), m_commands(std::move(commands)) {}

    void SetUp() override {
        if (!std::filesystem::exists(CorpusDir()) || FirstVolumes(CorpusDir()).empty()) {
            GTEST_SKIP() << "no RAR corpus in " << CorpusDir() << " (run tests/corpus/fetch)";
        }
        for (const std::string& command : m_commands) {
            const std::string check = "command -v " + command + " >/dev/null";
            if (std::system(check.c_str()) != 0) GTEST_SKIP() << command << " is needed";
        }
        m_work =
            std::filesystem::temp_directory_path() / (m_workName + "-" + std::to_string(getpid()));
        std::filesystem::remove_all(m_work);
        std::filesystem::create_directories(m_work);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_work, ec);
    }

    std::filesystem::path m_work;

private:
    std::string m_workName;
    std::vector<std::string> m_commands;
};

}  // namespace kiv::corpus
