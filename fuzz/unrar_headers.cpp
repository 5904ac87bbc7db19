// libFuzzer target: the RAR 1.5-4.x and 5.0 header walk, on its own from memory and through the
// archive handle (open, read every header, test and skip) from a memory file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "formatcore/byte_source.h"
#include "unrar/archive.h"
#include "unrar/format_reader.h"
#include "unrar/rar_error.h"

namespace {

void WalkFromMemory(const uint8_t* data, size_t size) {
    kiv::format::MemorySource source(data, size);
    try {
        auto reader = kiv::rar::OpenFormatReader(source);
        for (int i = 0; i < 100000; ++i) {
            if (reader->Next().kind == kiv::rar::BlockKind::EndOfData) break;
        }
    } catch (const kiv::rar::RarError&) {
    }
}

void WalkThroughHandle(const uint8_t* data, size_t size) {
    int fd = memfd_create("fuzz-volume", MFD_CLOEXEC);
    if (fd < 0) return;
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        try {
            kiv::rar::Archive archive(path, RAR_OM_EXTRACT);
            RARHeaderData header{};
            for (int i = 0; i < 10000 && archive.ReadHeader(header) == 0; ++i) {
                // A failed test is tried once more, as the password flow does.
                if (archive.ProcessFile(i % 2 ? RAR_TEST : RAR_SKIP, nullptr, nullptr) != 0) {
                    archive.ProcessFile(RAR_TEST, nullptr, nullptr);
                }
            }
        } catch (const kiv::rar::RarError&) {
        }
    }
    close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WalkFromMemory(data, size);
    WalkThroughHandle(data, size);
    return 0;
}
