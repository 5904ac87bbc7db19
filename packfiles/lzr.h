// TLZR: the block coder of the file store's compressed form (runs, back references, literals).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kiv {

class TLZR {
public:
    // Largest input of one block, and largest coded block (a stored block: type byte + chunk).
    static constexpr std::size_t MaxChunk = 32783;
    static constexpr std::size_t MaxBlock = MaxChunk + 1;
    // PackBlock may write this many bytes past N before it falls back to a stored block.
    static constexpr std::size_t PackSlack = 6;
    static constexpr std::uint8_t StoredType = 0x80;
    static constexpr std::uint8_t CodedType = 0x40;

    struct Match {
        std::uint16_t length = 0;  // 0: no match; otherwise 3 to 18
        std::uint16_t distance = 0;
    };

    // Raises EPackerError ("TPackFiles: no memory for compression table") when the match table
    // cannot be allocated.
    TLZR();
    TLZR(const TLZR&) = delete;
    TLZR& operator=(const TLZR&) = delete;
    ~TLZR();

    // Codes the `n` bytes at `src` (n <= MaxChunk) into `dst`, which must hold n + PackSlack
    // bytes, and returns the coded size: at most n + 1 (a stored block when coding does not pay).
    // `src` is only read within its n bytes. Raises EPackerError when n exceeds MaxChunk.
    std::uint16_t PackBlock(const std::uint8_t* src, std::uint8_t* dst, std::uint16_t n);

    // Decodes the `s`-byte coded block at `src` into `dst`, which holds `capacity` bytes
    // (capacity <= MaxChunk), and returns the decoded size. Reads only `src[0, s)` and writes only
    // `dst[0, capacity)`. Damaged input (s above MaxBlock, a back reference before the start of
    // the output, output past `capacity`, an item or flag word cut by the block end) raises
    // EPackerError naming the fault; `dst` may then hold part of the block.
    std::uint16_t UnpackBlock(const std::uint8_t* src, std::uint8_t* dst, std::uint16_t s,
                              std::size_t capacity = MaxChunk);

    // Looks position p of the n-byte block at `src` up in the match table (empty in a new coder)
    // and enters p there: the newest position wins. Bytes past n are read as zero to form the
    // key, and a match never reaches past n. PackBlock clears the table per block.
    Match FindMatch(const std::uint8_t* src, std::uint16_t n, std::uint16_t p);

private:
    std::uint16_t PackItems(const std::uint8_t* src, std::uint8_t* dst, std::uint16_t n);

    std::unique_ptr<std::uint16_t[]> m_table;
};

}  // namespace kiv
