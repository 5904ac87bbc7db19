// Random-access bytes of one volume: a file on disk or a buffer in memory (tests and fuzzing).
#pragma once

#include <sys/types.h>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kiv::rar {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly n bytes at offset. Returns false when the source ends first; throws RarError
    // (ERAR_EREAD) when the bytes cannot be read.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t n) const = 0;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint64_t Size() const override { return m_size; }
    bool ReadAt(uint64_t offset, void* buffer, size_t n) const override;

private:
    const uint8_t* m_data;
    size_t m_size;
};

// A volume file opened read-only. Only regular files are accepted, so that a fifo or a device
// named like a volume cannot block or feed the walk.
class VolumeFile : public ByteSource {
public:
    // Throws RarError(ERAR_EOPEN) when path cannot be opened or is not a regular file.
    static std::unique_ptr<VolumeFile> Open(const std::string& path);
    ~VolumeFile() override;
    VolumeFile(const VolumeFile&) = delete;
    VolumeFile& operator=(const VolumeFile&) = delete;

    uint64_t Size() const override { return m_size; }
    bool ReadAt(uint64_t offset, void* buffer, size_t n) const override;
    const std::string& Path() const { return m_path; }
    dev_t Device() const { return m_device; }
    ino_t Inode() const { return m_inode; }

private:
    VolumeFile(int fd, std::string path, uint64_t size, dev_t device, ino_t inode);

    int m_fd;
    std::string m_path;
    uint64_t m_size;
    dev_t m_device;
    ino_t m_inode;
};

}  // namespace kiv::rar
