// TCompressStream: block framing of the file store's compressed form.
#include "packfiles/compress_stream.h"

#include <limits>
#include <new>

#include "framework/exception.h"
#include "packfiles/packer_error.h"

namespace kiv {

namespace {

constexpr std::size_t BlockBufferSize = TLZR::MaxChunk + TLZR::PackSlack;

void PutLE32(std::uint8_t* to, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) to[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLE32(const std::uint8_t* from) {
    return std::uint32_t{from[0]} | std::uint32_t{from[1]} << 8 | std::uint32_t{from[2]} << 16 |
           std::uint32_t{from[3]} << 24;
}

// Whether the largest total that `count` input bytes can produce (every block stored, plus
// its header) fits the signed 32-bit field. Counts past that field are settled first, so that
// the sum cannot overflow.
bool TotalFits(std::int64_t count) {
    constexpr std::int64_t kMaxTotal = std::numeric_limits<std::int32_t>::max();
    if (count < 0 || count > kMaxTotal) return false;
    constexpr std::int64_t kChunk = TLZR::MaxChunk;
    const std::int64_t blocks = (count + kChunk - 1) / kChunk;
    return count + blocks * 5 <= kMaxTotal;
}

}  // namespace

TCompressStream::TCompressStream()
    : m_chunk(new (std::nothrow) std::uint8_t[TLZR::MaxChunk]),
      m_block(new (std::nothrow) std::uint8_t[BlockBufferSize]) {
    if (!m_chunk || !m_block) throw EPackerError("TPackFiles: no memory for compression buffers");
}

TCompressStream::~TCompressStream() = default;

void TCompressStream::CompressStream(TStream& source, TStream& dest, std::int64_t count) {
    if (!TotalFits(count)) {
        throw EPackerError(
            FormatMessage("TPackFiles: cannot compress %d bytes: the total would not fit", count));
    }
    dest.WriteBuffer(Signature.data(), Signature.size());
    const std::int64_t totalPos = dest.Position();
    std::uint8_t field[4] = {};
    dest.WriteBuffer(field, 4);

    std::uint32_t total = 0;
    while (count > 0) {
        const auto n = static_cast<std::uint16_t>(std::min<std::int64_t>(count, TLZR::MaxChunk));
        // A source shorter than promised must fail rather than loop on empty reads.
        source.ReadBuffer(m_chunk.get(), n);
        const std::uint16_t coded = m_coder.PackBlock(m_chunk.get(), m_block.get(), n);
        PutLE32(field, coded);
        dest.WriteBuffer(field, 4);
        dest.WriteBuffer(m_block.get(), coded);
        total += coded + 4u;
        count -= n;
    }

    const std::int64_t endPos = dest.Position();
    dest.SetPosition(totalPos);
    PutLE32(field, total);
    dest.WriteBuffer(field, 4);
    dest.SetPosition(endPos);
}

void TCompressStream::ReadPart(TStream& source, void* buffer, std::int64_t count,
                               const char* what) {
    std::int64_t done = 0;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    while (done < count) {
        const std::int64_t got = source.Read(bytes + done, count - done);
        if (got <= 0) {
            throw EPackerError(FormatMessage(
                "TPackFiles: compressed data truncated: %s needs %d bytes, only %d left", what,
                count, done));
        }
        done += got;
    }
}

void TCompressStream::DecompressStream(TStream& source, TStream& dest) {
    std::uint8_t header[HeaderSize];
    // The signature is read but not judged: only the sizes decide whether a form is sound.
    ReadPart(source, header, HeaderSize, "the header");
    std::int64_t total = static_cast<std::int32_t>(GetLE32(header + 3));
    if (total < 0) {
        throw EPackerError(
            FormatMessage("TPackFiles: damaged compressed data: negative total %d", total));
    }
    while (total > 0) {
        std::uint8_t field[4];
        ReadPart(source, field, 4, "a block size");
        const std::uint32_t size = GetLE32(field);
        if (size > TLZR::MaxBlock) {
            throw EPackerError(
                FormatMessage("TPackFiles: damaged compressed data: block size %d exceeds %d bytes",
                              size, TLZR::MaxBlock));
        }
        if (size + 4 > total) {
            throw EPackerError(FormatMessage(
                "TPackFiles: damaged compressed data: block of %d bytes passes the total, "
                "%d bytes left",
                size, total));
        }
        ReadPart(source, m_block.get(), size, "a block");
        const std::uint16_t n =
            m_coder.UnpackBlock(m_block.get(), m_chunk.get(), static_cast<std::uint16_t>(size));
        dest.WriteBuffer(m_chunk.get(), n);
        total -= size + 4;
    }
}

}  // namespace kiv
