// TCompressStream: frames a stream as signature, total and LZ-coded blocks, and reads it back.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "framework/stream.h"
#include "packfiles/lzr.h"

namespace kiv {

class TCompressStream {
public:
    static constexpr std::array<std::uint8_t, 3> Signature{0x5A, 0x50, 0x4B};  // "ZPK"
    // Signature and total.
    static constexpr std::size_t HeaderSize = 7;

    // Raises EPackerError when the coder's table or the block buffers cannot be allocated.
    TCompressStream();
    TCompressStream(const TCompressStream&) = delete;
    TCompressStream& operator=(const TCompressStream&) = delete;
    ~TCompressStream();

    // Reads `count` bytes from `source`'s position and writes their compressed form at `dest`'s
    // position; `dest` is left after the last block. A source shorter than `count` raises
    // EReadError, a failed write EWriteError. A count whose compressed form could not be
    // described by the signed 32-bit total raises EPackerError before anything is read.
    void CompressStream(TStream& source, TStream& dest, std::int64_t count);

    // Reads one compressed form at `source`'s position and writes the decoded bytes at `dest`'s
    // position. Damaged or truncated input raises EPackerError saying what is wrong; the blocks
    // decoded before it stay in `dest`. A failed write raises EWriteError.
    void DecompressStream(TStream& source, TStream& dest);

private:
    // Reads exactly `count` bytes of the compressed form or raises EPackerError naming `what`.
    void ReadPart(TStream& source, void* buffer, std::int64_t count, const char* what);

    TLZR m_coder;
    std::unique_ptr<std::uint8_t[]> m_chunk;  // one block's uncoded bytes
    std::unique_ptr<std::uint8_t[]> m_block;  // one coded block, with the coder's slack
};

}  // namespace kiv
