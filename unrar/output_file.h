// Safe creation of an extracted file: inside its folder, never through a symbolic link, written
// to an unnamed temporary file (or, where the file system has none, a hidden named one) that
// takes the destination's name only when committed.
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
    // Opens the destination's folder (creating missing folders below dest.base, never through
    // a symbolic link) and creates the temporary file with `mode` (through the umask). A named
    // temporary file that an earlier, killed run left for the same destination is removed
    // first. Throws RarError(ERAR_ECREATE).
    static std::unique_ptr<OutputFile> Create(const Destination& dest, const FileIds& volumes,
                                              mode_t mode);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Throws RarError(ERAR_EWRITE).
    void Write(const uint8_t* data, size_t size);
    // Sets the modification time (when given), then puts the file in the destination's place.
    // Throws RarError (ERAR_EWRITE, ERAR_ECREATE) and leaves nothing behind.
    void Commit(const struct timespec* mtime);

    // True when the temporary file has no name (O_TMPFILE), so that a killed run leaves nothing.
    bool Unnamed() const { return m_tempName.empty(); }
    // The device and inode of the file, known once it is committed.
    dev_t Device() const { return m_device; }
    ino_t Inode() const { return m_inode; }

private:
    OutputFile(Fd dirFd, std::string finalName, FileIds volumes);
    void CreateNamed(mode_t mode);
    void CheckFinal() const;
    void LinkIntoPlace();

    Fd m_dirFd;
    Fd m_fd;                 // the temporary file until Commit closes it
    std::string m_tempName;  // empty for an unnamed temporary file
    std::string m_finalName;
    FileIds m_volumes;
    bool m_committed = false;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

// The names our named temporary files for `finalName` take in its folder, by attempt.
std::string TemporaryName(const std::string& finalName, int attempt);

// Creates the folder dest (and missing parents below dest.base) without following links.
// Throws RarError(ERAR_ECREATE).
void CreateFolder(const Destination& dest);

}  // namespace kiv::rar
