// The UTF-8 encoder shared by the design parser and the RAR name decoder.
#pragma once

#include <cstdint>
#include <string>

namespace kiv::format {

// The replacement character, written for a value that has no UTF-8 form.
constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

// Appends the UTF-8 form of code point cp to out: one byte below U+0080, two below U+0800,
// three below U+10000, four up to U+10FFFF. A surrogate (U+D800-U+DFFF) or a value past
// U+10FFFF has no UTF-8 form and is appended as U+FFFD.
void AppendUtf8(std::string& out, std::uint32_t cp);

}  // namespace kiv::format
