// Loader of our .kfnt raster faces; distrusts every field before it builds a glyph.
#include "platform/draw/raster_face.h"

#include <algorithm>
#include <stdexcept>

namespace kiv::platform {

namespace {

constexpr std::size_t kHeaderSize = 13;
constexpr std::size_t kRecordSize = 8;
constexpr int kMaxLineHeight = 64;
constexpr int kMaxGlyphs = 8192;
constexpr int kMaxWidth = 64;

class Reader {
public:
    Reader(std::span<const std::uint8_t> data, const std::string& origin)
        : m_data(data), m_origin(origin) {}

    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error("raster face " + m_origin + ": " + what);
    }
    void Need(std::size_t at, std::size_t count, const char* what) const {
        if (at > m_data.size() || count > m_data.size() - at) {
            Fail(std::string("truncated ") + what);
        }
    }
    std::uint8_t U8(std::size_t at) const { return m_data[at]; }
    // A byte read as two's complement.
    int I8(std::size_t at) const { return m_data[at] < 0x80 ? m_data[at] : m_data[at] - 0x100; }
    std::uint16_t U16(std::size_t at) const {
        return std::uint16_t(m_data[at] | m_data[at + 1] << 8);
    }
    std::uint32_t U32(std::size_t at) const {
        return std::uint32_t(m_data[at]) | std::uint32_t(m_data[at + 1]) << 8 |
               std::uint32_t(m_data[at + 2]) << 16 | std::uint32_t(m_data[at + 3]) << 24;
    }

private:
    std::span<const std::uint8_t> m_data;
    const std::string& m_origin;
};

}  // namespace

RasterFace RasterFace::Load(std::span<const std::uint8_t> data, const std::string& origin) {
    Reader in(data, origin);
    in.Need(0, kHeaderSize, "header");
    if (!std::equal(data.begin(), data.begin() + 4, "KIVF")) in.Fail("not a KIVF file");
    if (in.U8(4) != 1) in.Fail("unknown version " + std::to_string(in.U8(4)));
    RasterFace face;
    face.m_height = in.U8(5);
    face.m_ascent = in.U8(6);
    face.m_underline = in.U8(7);
    const int count = in.U16(8);
    face.m_default = in.U16(10);
    const std::size_t nameLength = in.U8(12);
    if (face.m_height < 1 || face.m_height > kMaxLineHeight) in.Fail("bad line height");
    if (face.m_ascent < 1 || face.m_ascent > face.m_height) in.Fail("bad ascent");
    if (face.m_underline >= face.m_height) in.Fail("bad underline row");
    if (count < 1 || count > kMaxGlyphs) in.Fail("bad glyph count");
    if (face.m_default >= std::size_t(count)) in.Fail("default glyph out of range");
    if (nameLength < 1 || nameLength > 63) in.Fail("bad name length");
    in.Need(kHeaderSize, nameLength, "name");
    for (std::size_t i = 0; i < nameLength; ++i) {
        const std::uint8_t c = in.U8(kHeaderSize + i);
        if (c < 0x20 || c > 0x7E) in.Fail("name is not printable ASCII");
        face.m_name.push_back(char(c));
    }

    const std::size_t records = kHeaderSize + nameLength;
    in.Need(records, std::size_t(count) * kRecordSize, "glyph table");
    std::size_t bitmapBytes = 0;
    std::vector<std::size_t> offsets;
    offsets.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const std::size_t at = records + std::size_t(i) * kRecordSize;
        RasterGlyph g;
        const std::uint32_t cp = in.U32(at);
        g.codePoint = char32_t(cp);
        g.advance = in.U8(at + 4);
        g.xOffset = in.I8(at + 5);
        g.width = in.U8(at + 6);
        const std::string which = "glyph " + std::to_string(i);
        if (cp > 0x10FFFF) in.Fail(which + ": code point out of range");
        if (i > 0 && g.codePoint <= face.m_glyphs.back().codePoint) {
            in.Fail(which + ": code points not ascending");
        }
        if (g.advance > kMaxWidth) in.Fail(which + ": advance too large");
        if (g.xOffset < -16 || g.xOffset > kMaxWidth) in.Fail(which + ": bad x offset");
        if (g.width > kMaxWidth) in.Fail(which + ": bitmap too wide");
        if (in.U8(at + 7) != 0) in.Fail(which + ": reserved byte set");
        offsets.push_back(bitmapBytes);
        bitmapBytes += std::size_t(g.BytesPerRow()) * std::size_t(face.m_height);
        face.m_glyphs.push_back(g);
    }
    const std::size_t bitmaps = records + std::size_t(count) * kRecordSize;
    in.Need(bitmaps, bitmapBytes, "bitmaps");
    if (data.size() != bitmaps + bitmapBytes) in.Fail("trailing bytes after the last bitmap");

    face.m_data.assign(data.begin() + std::ptrdiff_t(bitmaps), data.end());
    for (std::size_t i = 0; i < face.m_glyphs.size(); ++i) {
        RasterGlyph& g = face.m_glyphs[i];
        g.bits =
            std::span<const std::uint8_t>(face.m_data)
                .subspan(offsets[i], std::size_t(g.BytesPerRow()) * std::size_t(face.m_height));
    }
    return face;
}

const RasterGlyph* RasterFace::Find(char32_t cp) const {
    auto it = std::lower_bound(m_glyphs.begin(), m_glyphs.end(), cp,
                               [](const RasterGlyph& g, char32_t c) { return g.codePoint < c; });
    return it != m_glyphs.end() && it->codePoint == cp ? &*it : nullptr;
}

const RasterGlyph& RasterFace::Glyph(char32_t cp) const {
    const RasterGlyph* g = Find(cp);
    return g ? *g : DefaultGlyph();
}

int RasterFace::AverageCharWidth() const {
    const RasterGlyph* x = Find(U'x');
    return std::max(1, x ? x->advance : DefaultGlyph().advance);
}

}  // namespace kiv::platform
