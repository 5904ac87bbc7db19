// Shared helpers of the RAR library tests: a fresh folder per test, files, and archive handles.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/rarfixture/rar_writer.h"
#include "unrar/unrar.h"

namespace kiv::test {

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& data);
bool Exists(const std::string& path);
// Names in the folder, sorted; "" when it cannot be read.
std::vector<std::string> Listing(const std::string& folder);
// Bitwise CRC-32, independent of the library's zlib.
uint32_t Crc32(const std::string& data);
// Deterministic bytes for entry contents.
std::string Pattern(size_t size, uint32_t seed);

struct HandleCloser {
    void operator()(void* h) const {
        if (h) RARCloseArchive(h);
    }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Opens path; result receives OpenResult.
Handle Open(const std::string& path, unsigned mode, unsigned* result = nullptr);

struct Listed {
    std::string arcName;
    std::string fileName;
    RARHeaderData header;
};
// Reads every header, skipping each entry; returns the entries and the final code in *end.
std::vector<Listed> ListAll(void* handle, int* end, int operation = RAR_SKIP);

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    std::string m_dir;

private:
    std::filesystem::path m_previousFolder;
};

}  // namespace kiv::test
