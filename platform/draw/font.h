// Font: the logical font a device context draws text with, as GDI's LOGFONT describes it.
#pragma once

#include <cstdint>
#include <string>

namespace kiv::platform {

constexpr std::uint8_t ANSI_CHARSET = 0;
constexpr std::uint8_t DEFAULT_CHARSET = 1;
constexpr std::uint8_t SYMBOL_CHARSET = 2;
constexpr std::uint8_t OEM_CHARSET = 255;

// Only the bundled raster faces exist, each in one size: "Terminal" or any OEM_CHARSET font
// gets the 6 x 8 code page 437 face, every other font the proportional sans face with
// 13-pixel lines (what "MS Sans Serif" at height -11 asks for). `height` is kept for callers
// that read it back; it selects nothing. Bold is drawn twice one pixel apart (each character
// one pixel wider); italic is not drawn slanted.
struct Font {
    std::string name = "MS Sans Serif";
    int height = -11;  // as LOGFONT: negative = character height, positive = cell height
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charset = DEFAULT_CHARSET;

    // Text in this font is read as OEM (code page 437 for bytes that are not UTF-8).
    bool IsOem() const { return charset == OEM_CHARSET; }
    bool operator==(const Font&) const = default;
};

}  // namespace kiv::platform
