// The files one archive handle has extracted, reopened for the entries that copy them.
#include "unrar/extracted_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <utility>
#include <vector>

#include "unrar/folder_walk.h"

namespace kiv::rar {

void ExtractedFiles::Remember(const std::string& storedName, const Destination& dest, dev_t dev,
                              ino_t ino) {
    m_files.insert_or_assign(storedName, File{dest, dev, ino});
}

Fd ExtractedFiles::Open(const std::string& storedName, uint64_t size) const {
    const auto found = m_files.find(storedName);
    if (found == m_files.end()) return Fd();
    const File& file = found->second;
    std::vector<std::string> parts = SplitPath(file.dest.relative);
    if (parts.empty()) return Fd();
    const std::string leaf = std::move(parts.back());
    parts.pop_back();
    const std::string& base = file.dest.base;
    Fd dir(::open(base.empty() ? "." : base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const std::string& part : parts) {
        if (!dir.Valid()) return Fd();
        dir =
            Fd(::openat(dir.Get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (!dir.Valid()) return Fd();
    // Non-blocking, so that a fifo put in the file's place cannot hold the open.
    Fd opened(::openat(dir.Get(), leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!opened.Valid() || ::fstat(opened.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_dev != file.dev || st.st_ino != file.ino ||
        static_cast<uint64_t>(st.st_size) != size) {
        return Fd();
    }
    return opened;
}

}  // namespace kiv::rar
