// Helpers of the RAR library tests.
#include "tests/unrar/support.h"

namespace kiv::test {

uint32_t Crc32(const std::string& data) {
    uint32_t crc = 0xffffffffu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
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

}  // namespace kiv::test
