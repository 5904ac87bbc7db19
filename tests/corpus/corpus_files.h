// Where the decoded RAR corpus lies and which of its files start an archive; shared by the
// library's and the engine's corpus tests (each defines KIV_CORPUS_DIR).
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

}  // namespace kiv::corpus
