// Text from the OEM code page: valid UTF-8 is kept, anything else is read as code page 437.
#pragma once

#include <string>
#include <string_view>

namespace kiv::platform {

// True when text is well-formed UTF-8: no stray continuation bytes, no truncated sequence, no
// overlong form, no surrogate (U+D800..U+DFFF), nothing above U+10FFFF. Empty text is valid.
bool IsValidUtf8(std::string_view text);

// The UTF-8 form of a name or text that arrived in the OEM code page. Text that is entirely
// valid UTF-8 is returned unchanged (names written by Linux tools); otherwise every byte of
// the whole text is read as a code page 437 character, so 0x8E becomes "Ä" and 0xC9 "╔". Bytes
// below 0x80, control bytes and NUL included, map to themselves. The result is always valid
// UTF-8.
std::string OemToUtf8(std::string_view text);

}  // namespace kiv::platform
