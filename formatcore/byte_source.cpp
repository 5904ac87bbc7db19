// Positioned reads from memory.
#include "formatcore/byte_source.h"

#include <algorithm>
#include <cstring>

namespace kiv::format {

std::size_t MemorySource::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    if (offset >= m_bytes.size()) return 0;
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(n, m_bytes.size() - offset));
    std::memcpy(buffer, m_bytes.data() + offset, count);
    return count;
}

}  // namespace kiv::format
