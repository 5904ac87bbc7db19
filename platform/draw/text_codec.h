// Decoding of our UTF-8 byte strings into code points, with the code page 437 fallback.
#pragma once

#include <string>
#include <string_view>

namespace kiv::platform {

// The Unicode code point of a code page 437 byte (0x00 is U+0000, 0x01 the smiley, 0x7F the
// house sign, 0x80.. the accented letters, box drawing and so on).
char32_t Cp437ToUnicode(unsigned char byte);

// Well-formed UTF-8 sequences become their code points. Any other byte becomes, when
// `cp437Fallback`, its code page 437 character, else U+FFFD.
std::u32string DecodeText(std::string_view bytes, bool cp437Fallback);

}  // namespace kiv::platform
