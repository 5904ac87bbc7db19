// Stored-name conversions: the RAR 1.5-4.x Unicode name form, UTF-8 and UTF-16.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::rar {

// Decodes the Unicode form that follows the zero byte of a RAR 1.5-4.x name field.
// oemName is the part before the zero byte, encoded the bytes after it. Returns the UTF-16 code
// units, or nothing when the encoded part is damaged (runs past its end).
std::optional<std::vector<uint16_t>> DecodeRarUnicodeName(const std::string& oemName,
                                                          const std::string& encoded);

// UTF-8 to UTF-16 code units; a byte that starts no valid sequence stands for itself.
std::vector<uint16_t> Utf8ToUtf16(std::string_view text);

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::vector<uint16_t>& units);

// Cuts s to at most maxBytes without splitting a UTF-8 sequence.
std::string CutUtf8(const std::string& s, size_t maxBytes);

}  // namespace kiv::rar
