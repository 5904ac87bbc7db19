// RasterFace: one bitmap font loaded from our .kfnt format (resources/fonts/FORMAT.md).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kiv::platform {

// One glyph: its advance, where its bitmap starts relative to the pen, and LineHeight() rows of
// BytesPerRow() bytes (leftmost pixel in the most significant bit).
struct RasterGlyph {
    char32_t codePoint = 0;
    int advance = 0;
    int xOffset = 0;
    int width = 0;
    std::span<const std::uint8_t> bits;

    int BytesPerRow() const { return (width + 7) / 8; }
    bool Pixel(int x, int row) const {
        return x >= 0 && x < width &&
               (bits[std::size_t(row) * std::size_t(BytesPerRow()) + std::size_t(x / 8)] &
                (0x80 >> (x % 8))) != 0;
    }
};

// Move-only: the glyphs point into the face's own copy of the file's bitmaps.
class RasterFace {
public:
    RasterFace(RasterFace&&) noexcept = default;
    RasterFace& operator=(RasterFace&&) noexcept = default;
    RasterFace(const RasterFace&) = delete;
    RasterFace& operator=(const RasterFace&) = delete;

    // Reads a face from `data`; throws std::runtime_error naming `origin` and the fault when any
    // field or length is out of range. The face keeps its own copy of the bytes.
    static RasterFace Load(std::span<const std::uint8_t> data, const std::string& origin);

    const std::string& Name() const { return m_name; }
    int LineHeight() const { return m_height; }
    int Ascent() const { return m_ascent; }
    int UnderlineRow() const { return m_underline; }
    std::size_t GlyphCount() const { return m_glyphs.size(); }

    // The glyph for `cp`, or nullptr when the face has none.
    const RasterGlyph* Find(char32_t cp) const;
    // The glyph for `cp`, the default glyph when the face has none.
    const RasterGlyph& Glyph(char32_t cp) const;
    const RasterGlyph& DefaultGlyph() const { return m_glyphs[m_default]; }
    // The width that tab stops are counted in (the advance of 'x', else of the default glyph).
    int AverageCharWidth() const;

private:
    RasterFace() = default;

    std::string m_name;
    int m_height = 0;
    int m_ascent = 0;
    int m_underline = 0;
    std::size_t m_default = 0;
    std::vector<std::uint8_t> m_data;
    std::vector<RasterGlyph> m_glyphs;
};

}  // namespace kiv::platform
