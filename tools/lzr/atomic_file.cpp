// AtomicFile: mkstemp beside the target, rename(2) over it on commit.
#include "tools/lzr/atomic_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "framework/exception.h"

namespace kiv {

AtomicFile::AtomicFile(std::string target) : m_target(std::move(target)) {
    std::string pattern = m_target + ".tmp-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        throw EFCreateError(
            FormatMessage("Cannot create file %s: %s", pattern, std::strerror(errno)));
    }
    ::close(fd);
    m_temp = pattern;
    try {
        m_stream = std::make_unique<TFileStream>(m_temp, fmOpenReadWrite);
    } catch (...) {
        ::unlink(m_temp.c_str());
        throw;
    }
}

AtomicFile::~AtomicFile() {
    m_stream.reset();
    if (!m_committed) ::unlink(m_temp.c_str());
}

void AtomicFile::Commit() {
    m_stream.reset();
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(m_temp.c_str(), 0666 & ~mask);
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        throw EWriteError(
            FormatMessage("Cannot write file %s: %s", m_target, std::strerror(errno)));
    }
    m_committed = true;
}

}  // namespace kiv
