// The standard filters of RAR 2.9/3.x, done natively: each undoes on one block of decoded bytes
// what the archiver did to make that block compress better.
#pragma once

#include <cstdint>
#include <span>

namespace kiv::rar::rar3 {

// x86 code: the 32-bit operand after each E8 (call) byte, and with alsoE9 after each E9 (jump)
// byte, turned from an absolute address back into one relative to the instruction; fileOffset
// is where the block starts in its entry. In place.
void UndoE8(std::span<uint8_t> block, uint32_t fileOffset, bool alsoE9);

// IA-64 code: the 20-bit target of each IP-relative branch in a bundle's branch slots, turned
// back into a relative one; fileOffset as above. In place.
void UndoItanium(std::span<uint8_t> block, uint32_t fileOffset);

// Bytes stored as differences, one channel after another. `in` and `out` are the same size and
// do not overlap. Throws RarError(ERAR_BAD_DATA) for 0 channels, as UndoAudio does.
void UndoDelta(std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t channels);

// 24-bit pixels, each channel predicted from its left, upper and upper-left neighbours (width:
// the bytes of one row; 3 <= width <= size) and green added back to red and blue from the byte
// offset redOffset on. Throws RarError(ERAR_BAD_DATA) for a width out of that range.
void UndoRgb(std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t width,
             uint32_t redOffset);

// Audio samples of `channels` interleaved 8-bit channels, each predicted by an adaptive
// linear filter.
void UndoAudio(std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t channels);

}  // namespace kiv::rar::rar3
