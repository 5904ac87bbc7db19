// Safe creation of an extracted file: inside its folder, never through a symbolic link, written
// to a temporary file beside the destination and renamed over it only when committed.
#pragma once

#include <sys/types.h>
#include <time.h>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "unrar/fd.h"

namespace kiv::rar {

// Files that must never be replaced (the volumes being read), by device and inode.
using FileIds = std::vector<std::pair<dev_t, ino_t>>;

// Where an entry goes: the folder the caller trusts and the path below it.
struct Destination {
    std::string base;      // the folder, used as given (the caller chose it)
    std::string relative;  // '/'-separated, no "." or ".." components, not empty
};

// Splits destName into the trusted folder destPath and the part below it. When destName is
// empty, storedName is placed below destPath. Throws RarError(ERAR_ECREATE) when the result
// would leave destPath or contains "..".
Destination ResolveDestination(const std::string& destPath, const std::string& destName,
                               const std::string& storedName);

class OutputFile {
public:
    // Opens (creating missing folders below dest.base, refusing symbolic links on the way) and
    // creates the temporary file. Throws RarError(ERAR_ECREATE).
    static std::unique_ptr<OutputFile> Create(const Destination& dest, const FileIds& volumes);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Throws RarError(ERAR_EWRITE).
    void Write(const uint8_t* data, size_t size);
    // Sets the mode (unixMode when hasUnixMode, else the creation mode without write permission
    // when readOnly) and the modification time (when given), then renames the file over the
    // destination. Throws RarError (ERAR_EWRITE, ERAR_ECREATE) and leaves nothing behind.
    void Commit(bool hasUnixMode, uint32_t unixMode, bool readOnly, const struct timespec* mtime);

private:
    OutputFile(Fd dirFd, std::string finalName, FileIds volumes);
    void CheckFinal() const;

    Fd m_dirFd;
    Fd m_fd;  // the temporary file until Commit closes it
    std::string m_tempName;
    std::string m_finalName;
    FileIds m_volumes;
    bool m_committed = false;
};

// Creates the folder dest (and missing parents below dest.base) without following links.
// Throws RarError(ERAR_ECREATE).
void CreateFolder(const Destination& dest);

}  // namespace kiv::rar
