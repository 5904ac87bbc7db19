// Shared helpers of the RAR library tests.
#include "tests/unrar/support.h"

#include <sys/stat.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kiv::test {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteAll(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(item.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

uint32_t Crc32(const std::string& data) {
    uint32_t crc = 0xffffffffu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

std::string Pattern(size_t size, uint32_t seed) {
    std::string s(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return s;
}

Handle Open(const std::string& path, unsigned mode, unsigned* result) {
    RAROpenArchiveData data{};
    std::string name = path;
    data.ArcName = name.data();
    data.OpenMode = mode;
    data.OpenResult = 99;
    Handle h(RAROpenArchive(&data));
    if (result) *result = data.OpenResult;
    return h;
}

std::vector<Listed> ListAll(void* handle, int* end, int operation) {
    std::vector<Listed> out;
    RARHeaderData header{};
    int rc;
    while ((rc = RARReadHeader(handle, &header)) == 0) {
        out.push_back({header.ArcName, header.FileName, header});
        int processed = RARProcessFile(handle, operation, nullptr, nullptr);
        if (processed != 0) {
            rc = processed;
            break;
        }
    }
    if (end) *end = rc;
    return out;
}

void TempDirTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kiv-unrar-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    // Entries extracted without a destination land in the current folder: keep them in here.
    m_previousFolder = std::filesystem::current_path();
    std::filesystem::current_path(m_dir);
}

void TempDirTest::TearDown() {
    std::error_code ec;
    if (!m_previousFolder.empty()) std::filesystem::current_path(m_previousFolder, ec);
    // Tests make files read-only; give write permission back so that the folder can go.
    for (const auto& item : std::filesystem::recursive_directory_iterator(m_dir, ec)) {
        if (!item.is_symlink()) ::chmod(item.path().c_str(), item.is_directory() ? 0700 : 0600);
    }
    std::filesystem::remove_all(m_dir, ec);
}

}  // namespace kiv::test
