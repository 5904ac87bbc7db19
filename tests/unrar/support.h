// Helpers of the RAR library tests: a CRC of their own and archive handles; the fixture and file
// helpers come from tests/support.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_folder.h"
#include "tools/rarfixture/rar_writer.h"
#include "unrar/unrar.h"

namespace kiv::test {

// Bitwise CRC-32, independent of the library's zlib.
uint32_t Crc32(const std::string& data);

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

}  // namespace kiv::test
