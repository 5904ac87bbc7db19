// The parts of TStream that every stream shares.
#include "framework/stream.h"

#include <algorithm>
#include <array>

#include "framework/exception.h"

namespace kiv {

namespace {
constexpr const char* kReadError = "Stream read error";
constexpr const char* kWriteError = "Stream write error";
constexpr std::int64_t kCopyChunk = std::int64_t{64} * 1024;
}  // namespace

std::int64_t TStream::Size() {
    const std::int64_t here = Position();
    const std::int64_t end = Seek(0, SeekOrigin::soEnd);
    Seek(here, SeekOrigin::soBeginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError(kReadError);
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError(kWriteError);
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::array<char, kCopyChunk> chunk;
    for (std::int64_t left = count; left > 0;) {
        const std::int64_t n = std::min(left, kCopyChunk);
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        left -= n;
    }
    return count;
}

}  // namespace kiv
