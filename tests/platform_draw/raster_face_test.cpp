// The face loader's checks, the two bundled faces, and text decoding.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "platform/draw/bundled_faces.h"
#include "platform/draw/raster_face.h"
#include "platform/draw/text_codec.h"

namespace kiv::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A valid two-glyph face of height 2: 'A' (advance 3, width 2) and U+FFFD (advance 2, width 1).
Bytes TinyFace() {
    Bytes b = {'K', 'I', 'V', 'F', 1, 2, 1, 1, 2, 0, 1, 0, 2, 'T', 'y'};
    const Bytes records = {'A', 0, 0, 0, 3, 0, 2, 0, 0xFD, 0xFF, 0, 0, 2, 0, 1, 0};
    b.insert(b.end(), records.begin(), records.end());
    const Bytes bitmaps = {0x80, 0x40, 0x80, 0x00};
    b.insert(b.end(), bitmaps.begin(), bitmaps.end());
    return b;
}

RasterFace LoadBytes(const Bytes& b) {
    return RasterFace::Load(b, "tiny");
}

TEST(RasterFace, LoadsAValidFace) {
    const RasterFace face = LoadBytes(TinyFace());
    EXPECT_EQ(face.Name(), "Ty");
    EXPECT_EQ(face.LineHeight(), 2);
    EXPECT_EQ(face.GlyphCount(), 2u);
    const RasterGlyph& a = face.Glyph(U'A');
    EXPECT_EQ(a.advance, 3);
    EXPECT_TRUE(a.Pixel(0, 0));
    EXPECT_FALSE(a.Pixel(1, 0));
    EXPECT_TRUE(a.Pixel(1, 1));
    EXPECT_EQ(face.Find(U'B'), nullptr);
    EXPECT_EQ(face.Glyph(U'B').codePoint, U'\uFFFD');
}

struct Corruption {
    const char* name;
    std::function<void(Bytes&)> damage;
};

class RasterFaceRejects : public ::testing::TestWithParam<Corruption> {};

TEST_P(RasterFaceRejects, DamagedFile) {
    Bytes b = TinyFace();
    GetParam().damage(b);
    EXPECT_THROW(LoadBytes(b), std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RasterFaceRejects,
    ::testing::Values(Corruption{"Empty", [](Bytes& b) { b.clear(); }},
                      Corruption{"ShortHeader", [](Bytes& b) { b.resize(10); }},
                      Corruption{"BadMagic", [](Bytes& b) { b[0] = 'X'; }},
                      Corruption{"UnknownVersion", [](Bytes& b) { b[4] = 2; }},
                      Corruption{"ZeroLineHeight", [](Bytes& b) { b[5] = 0; }},
                      Corruption{"AscentBelowLine", [](Bytes& b) { b[6] = 3; }},
                      Corruption{"UnderlineBelowLine", [](Bytes& b) { b[7] = 2; }},
                      Corruption{"NoGlyphs", [](Bytes& b) { b[8] = 0; }},
                      Corruption{"HugeGlyphCount", [](Bytes& b) { b[9] = 0xFF; }},
                      Corruption{"DefaultOutOfRange", [](Bytes& b) { b[10] = 2; }},
                      Corruption{"EmptyName", [](Bytes& b) { b[12] = 0; }},
                      Corruption{"NameRunsPastEnd", [](Bytes& b) { b[12] = 60; }},
                      Corruption{"NameNotPrintable", [](Bytes& b) { b[13] = 0x07; }},
                      Corruption{"TableCutShort", [](Bytes& b) { b.resize(25); }},
                      Corruption{"CodePointTooLarge", [](Bytes& b) { b[18] = 0x11; }},
                      Corruption{"CodePointsNotAscending",
                                 [](Bytes& b) { b[23] = 'A', b[24] = 0, b[25] = 0; }},
                      Corruption{"AdvanceTooLarge", [](Bytes& b) { b[19] = 65; }},
                      Corruption{"BitmapTooWide", [](Bytes& b) { b[21] = 65; }},
                      Corruption{"ReservedByteSet", [](Bytes& b) { b[22] = 1; }},
                      Corruption{"BitmapsCutShort", [](Bytes& b) { b.pop_back(); }},
                      Corruption{"TrailingBytes", [](Bytes& b) { b.push_back(0); }},
                      Corruption{"WiderBitmapThanData", [](Bytes& b) { b[21] = 9; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RasterFace, ErrorNamesTheFileAndTheFault) {
    Bytes b = TinyFace();
    b.push_back(0);
    try {
        LoadBytes(b);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("tiny"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("trailing"), std::string::npos);
    }
}

TEST(BundledFaces, TerminalCoversEveryCodePage437CharacterInSixByEightCells) {
    const RasterFace& face = TerminalFace();
    EXPECT_EQ(face.Name(), "Terminal");
    EXPECT_EQ(face.LineHeight(), 8);
    for (int byte = 0; byte < 256; ++byte) {
        const RasterGlyph* g = face.Find(Cp437ToUnicode(static_cast<unsigned char>(byte)));
        ASSERT_NE(g, nullptr) << "byte " << byte;
        EXPECT_EQ(g->advance, 6) << "byte " << byte;
        EXPECT_EQ(g->width, 6) << "byte " << byte;
    }
}

TEST(BundledFaces, TerminalCarriesHorizontalBoxStrokesIntoTheSixthColumn) {
    const RasterFace& face = TerminalFace();
    const auto fullRow = [](const RasterGlyph& g) {
        for (int row = 0; row < 8; ++row) {
            int n = 0;
            for (int x = 0; x < 6; ++x) n += g.Pixel(x, row);
            if (n == 6) return row;
        }
        return -1;
    };
    EXPECT_GE(fullRow(face.Glyph(U'─')), 0);
    EXPECT_GE(fullRow(face.Glyph(U'═')), 0);
    EXPECT_GE(fullRow(face.Glyph(U'┬')), 0);
    EXPECT_TRUE(face.Glyph(U'┌').Pixel(5, fullRow(face.Glyph(U'─'))));
    EXPECT_FALSE(face.Glyph(U'┐').Pixel(5, fullRow(face.Glyph(U'─'))));
    // Letters keep the blank sixth column that separates them.
    for (char32_t c : std::u32string(U"EMW#")) {
        for (int row = 0; row < 8; ++row) EXPECT_FALSE(face.Glyph(c).Pixel(5, row));
    }
    EXPECT_EQ(fullRow(face.Glyph(U'█')), 0);
}

TEST(BundledFaces, SansHasThirteenPixelLines) {
    const RasterFace& face = SansFace();
    EXPECT_EQ(face.Name(), "KIV Sans");
    EXPECT_EQ(face.LineHeight(), 13);
    EXPECT_EQ(face.Ascent(), 11);
    ASSERT_NE(face.Find(U'0'), nullptr);
    ASSERT_NE(face.Find(U'é'), nullptr);
    EXPECT_LT(face.Glyph(U'i').advance, face.Glyph(U'W').advance);
}

TEST(BundledFaces, FontsResolveByNameAndCharset) {
    Font terminal;
    terminal.name = "Terminal";
    EXPECT_EQ(&ResolveFace(terminal), &TerminalFace());
    terminal.name = "TERMINAL";
    EXPECT_EQ(&ResolveFace(terminal), &TerminalFace());
    Font oem;
    oem.name = "Courier";
    oem.charset = OEM_CHARSET;
    EXPECT_EQ(&ResolveFace(oem), &TerminalFace());
    EXPECT_EQ(&ResolveFace(Font{}), &SansFace());
    Font other;
    other.name = "Arial";
    other.height = -20;
    EXPECT_EQ(&ResolveFace(other), &SansFace());
}

TEST(DecodeText, ValidUtf8ByCodePoint) {
    EXPECT_EQ(DecodeText("a\xC3\xA9\xE2\x94\x80\xF0\x9F\x98\x80", true), U"aé─\U0001F600");
    EXPECT_EQ(DecodeText("a\xC3\xA9", false), U"aé");
}

TEST(DecodeText, OtherBytesAsCodePage437OrReplacement) {
    // "╔══╚" in code page 437; no two of these bytes make a UTF-8 sequence.
    EXPECT_EQ(DecodeText("\xC9\xCD\xCD\xC8", true), U"╔══╚");
    EXPECT_EQ(DecodeText("\xC9\xCD\xCD\xC8", false), U"\uFFFD\uFFFD\uFFFD\uFFFD");
    // A code page 437 pair that happens to be well-formed UTF-8 reads as UTF-8: "═╗" is U+037B.
    EXPECT_EQ(DecodeText("\xCD\xBB", true), U"\u037B");
    // Overlong forms, surrogates, truncated sequences and stray continuation bytes are not UTF-8.
    EXPECT_EQ(DecodeText("\xC0\xAF", true), U"└»");
    EXPECT_EQ(DecodeText("\xED\xA0\x80", true), U"φáÇ");
    EXPECT_EQ(DecodeText("x\xE2\x94", true), U"xΓö");
    EXPECT_EQ(DecodeText("\xB0", true), U"░");
    EXPECT_EQ(DecodeText("\xF5\x80\x80\x80", false), U"\uFFFD\uFFFD\uFFFD\uFFFD");
}

TEST(Cp437ToUnicode, ControlPicturesAndHighHalf) {
    EXPECT_EQ(Cp437ToUnicode(0x01), U'☺');
    EXPECT_EQ(Cp437ToUnicode(0x7F), U'⌂');
    EXPECT_EQ(Cp437ToUnicode('A'), U'A');
    EXPECT_EQ(Cp437ToUnicode(0xDB), U'█');
    EXPECT_EQ(Cp437ToUnicode(0xFF), U'\u00A0');
}

}  // namespace
}  // namespace kiv::platform
