// Where the decoded RAR corpus lies, which of its files start an archive, how long a tool may
// take on one, and the fixture that skips without it; shared by the library's and the engine's
// corpus tests (each defines KIV_CORPUS_DIR).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"
#include "unrar/decoder.h"

namespace kiv::corpus {

// Whether every generation must already decode: while a decoder is still being written, the
// entries of its generation are listed as pending instead of failing the run. With every
// generation's decoder in, every compressed entry unar extracts must come out.
inline constexpr bool kEveryGenerationRequired = true;

// How the corpus tests treat a compressed entry of unpack version `unpVer`.
enum class Generation {
    Decoded,  // the library has its decoder: the entry must come out like unar's
    Pending,  // a decoder still missing from this build (see kEveryGenerationRequired)
};

inline Generation GenerationOf(std::uint32_t unpVer) {
    rar::DecodeParams params;
    params.unpVer = unpVer;
    params.unpSize = 1;
    params.dictionarySize = 128 * 1024;
    if (rar::CreateDecoder(params) != nullptr) return Generation::Decoded;
    return kEveryGenerationRequired ? Generation::Decoded : Generation::Pending;
}

inline const char* Describe(Generation g) {
    switch (g) {
        case Generation::Decoded:
            return "decoded";
        case Generation::Pending:
            return "pending (no decoder for this generation in this build yet)";
    }
    return "";
}

// How long one tool may take on one archive before the run counts as hanging.
inline constexpr std::chrono::seconds kTimePerArchive{60};

// $KIV_RAR_CORPUS, or the folder the build's fetch step decodes into.
inline std::string CorpusDir() {
    const char* env = std::getenv("KIV_RAR_CORPUS");
    return env && *env ? env : KIV_CORPUS_DIR;
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
        files[item.path().string()] = test::ReadFile(item.path().string());
    }
    return files;
}

// Skips the test when the corpus or one of the peer commands is missing; otherwise gives it a
// fresh work folder, removed afterwards.
class CorpusTest : public ::testing::Test {
protected:
    explicit CorpusTest(std::vector<std::string> commands) : m_commands(std::move(commands)) {}

    void SetUp() override {
        if (!std::filesystem::exists(CorpusDir()) || FirstVolumes(CorpusDir()).empty()) {
            GTEST_SKIP() << "no RAR corpus in " << CorpusDir() << " (run tests/corpus/fetch)";
        }
        for (const std::string& command : m_commands) {
            if (!test::HasCommand(command)) GTEST_SKIP() << command << " is needed";
        }
        m_work.emplace();
    }

    // The work folder (only once SetUp has not skipped).
    std::filesystem::path Work() const { return m_work->Path(); }

private:
    std::vector<std::string> m_commands;
    std::optional<test::TempFolder> m_work;
};

}  // namespace kiv::corpus
