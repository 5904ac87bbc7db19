// The files one archive handle has extracted, by stored name, so that an entry that is a copy or
// a hard link of one of them can be written as a copy of its data.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <unordered_map>

#include "unrar/fd.h"
#include "unrar/output_file.h"

namespace kiv::rar {

class ExtractedFiles {
public:
    // Records that the entry stored as `storedName` was written to `dest`, as the file with
    // device `dev` and inode `ino`; a later entry of the same name takes its place.
    void Remember(const std::string& storedName, const Destination& dest, dev_t dev, ino_t ino);

    // The file extracted for `storedName`, opened for reading, when it is still the file written
    // there: the same device and inode, a regular file of `size` bytes. It is reached from its
    // destination's folder one component at a time, never through a symbolic link, and nothing
    // is created on the way. An invalid Fd when there is no such file. Never throws.
    Fd Open(const std::string& storedName, uint64_t size) const;

private:
    struct File {
        Destination dest;
        dev_t dev = 0;
        ino_t ino = 0;
    };
    std::unordered_map<std::string, File> m_files;
};

}  // namespace kiv::rar
