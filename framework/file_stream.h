// TFileStream: a stream over a file on disk, owning its descriptor.
#pragma once

#include <cstdint>
#include <string>

#include "framework/stream.h"

namespace kiv {

// Open modes. The share bits are accepted for callers' sake and have no effect: Linux has no
// mandatory share locks.
enum FileMode : std::uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,  // create, or truncate an existing file; read and write
};

class TFileStream : public TStream {
public:
    // Opens `path`; raises EFCreateError ("Cannot create file %s") for fmCreate and EFOpenError
    // ("Cannot open file %s") otherwise when that fails.
    TFileStream(const std::string& path, std::uint16_t mode);
    ~TFileStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override;
    void SetSize(std::int64_t size) override;

    const std::string& FileName() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
};

}  // namespace kiv
