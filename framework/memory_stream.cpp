// TMemoryStream: bytes in a vector, with a position that may stand past the end.
#include "framework/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "framework/exception.h"
#include "framework/file_stream.h"

namespace kiv {

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    const std::int64_t n = std::min(count, Size() - m_position);
    if (n <= 0) return 0;
    std::memcpy(buffer, m_bytes.data() + m_position, static_cast<std::size_t>(n));
    m_position += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    std::int64_t end = 0;
    if (__builtin_add_overflow(m_position, count, &end)) throw EWriteError("Stream write error");
    if (end > Size()) Grow(end);
    std::memcpy(m_bytes.data() + m_position, buffer, static_cast<std::size_t>(count));
    m_position = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == SeekOrigin::soCurrent) base = m_position;
    if (origin == SeekOrigin::soEnd) base = Size();
    std::int64_t position = 0;
    if (__builtin_add_overflow(base, offset, &position)) {
        position = offset < 0 ? 0 : std::numeric_limits<std::int64_t>::max();
    }
    m_position = std::max<std::int64_t>(0, position);
    return m_position;
}

// A size the machine cannot hold is a write error of this stream, not a crash of its caller.
void TMemoryStream::Grow(std::int64_t size) {
    try {
        m_bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::length_error&) {
        throw EWriteError("Stream write error");
    } catch (const std::bad_alloc&) {
        throw EWriteError("Stream write error");
    }
}

void TMemoryStream::SetSize(std::int64_t size) {
    m_bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, size)));
    m_position = std::min(m_position, Size());
}

void TMemoryStream::Clear() {
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_position = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    const std::int64_t size = source.Size();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    source.ReadBuffer(bytes.data(), size);
    m_bytes = std::move(bytes);
    m_position = 0;
}

void TMemoryStream::LoadFromFile(const std::string& path) {
    TFileStream file(path, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& dest) const {
    dest.WriteBuffer(m_bytes.data(), static_cast<std::int64_t>(m_bytes.size()));
}

void TMemoryStream::SaveToFile(const std::string& path) const {
    TFileStream file(path, fmCreate);
    SaveToStream(file);
}

}  // namespace kiv
