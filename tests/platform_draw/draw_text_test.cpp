// The raster text engine: extents, glyph pixels, prefixes, tabs, wrapping, alignment, clipping.
#include <gtest/gtest.h>

#include "platform/draw/bundled_faces.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/qt_convert.h"
#include "tests/support/pixel_art.h"

namespace kiv::platform {
namespace {

using test::Art;
using test::BlankImage;
using test::TerminalFont;
using test::ToArt;

const test::Palette kPalette = {{'.', clWhite}, {'#', clBlack}, {'b', clBlue}, {'r', clRed}};

// A context on a white image with the Terminal font, black text, transparent background.
struct Canvas {
    QImage image;
    DeviceContext dc;
    explicit Canvas(int w = 24, int h = 16, Font font = TerminalFont())
        : image(BlankImage(w, h, clWhite)), dc(image) {
        dc.SelectFont(font);
        dc.SetBkMode(TRANSPARENT);
    }
    std::string Picture() const { return ToArt(image, kPalette); }
};

TRect Measure(DeviceContext& dc, std::string_view text, unsigned flags, TRect r = {0, 0, 0, 0}) {
    DrawText(dc, text, r, flags | DT_CALCRECT);
    return r;
}

const std::vector<std::string> kTerminalE = {"......", "####..", "#.....", "###...",
                                             "#.....", "#.....", "####..", "......"};

TEST(GetTextExtentPoint, ExitInTerminalIs24By8) {
    Canvas c;
    EXPECT_EQ(GetTextExtentPoint(c.dc, "Exit"), TSize(24, 8));
    EXPECT_EQ(Measure(c.dc, "Exit", DT_SINGLELINE), TRect(0, 0, 24, 8));
    EXPECT_EQ(GetTextExtentPoint(c.dc, "&Exit"), TSize(30, 8));
}

TEST(GetTextExtentPoint, ZeroInSansIsThirteenHigh) {
    Canvas c(24, 16, Font{});
    const TSize size = GetTextExtentPoint(c.dc, "0");
    EXPECT_EQ(size.cy, 13);
    EXPECT_GT(size.cx, 0);
    TRect r(3, 4, 3, 4);
    EXPECT_EQ(DrawText(c.dc, "0", r, DT_CALCRECT), 13);
    EXPECT_EQ(r, TRect(3, 4, 3 + size.cx, 17));
}

TEST(DrawText, SansDigitsSitOnTheBaseline) {
    Canvas c(12, 13, Font{});
    TRect r(0, 0, 12, 13);
    DrawText(c.dc, "0", r, DT_LEFT);
    int first = -1, last = -1;
    for (int y = 0; y < 13; ++y) {
        if (test::RowArt(c.image, y, kPalette).find('#') != std::string::npos) {
            if (first < 0) first = y;
            last = y;
        }
    }
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 10);
}

TEST(DrawText, TerminalGlyphLandsPixelForPixel) {
    Canvas c(6, 8);
    TRect r(0, 0, 6, 8);
    EXPECT_EQ(DrawText(c.dc, "E", r, DT_LEFT), 8);
    EXPECT_EQ(c.Picture(), Art(kTerminalE));
}

TEST(DrawText, OpaqueModeFillsTheCellsWithTheBackgroundColour) {
    Canvas c(8, 8);
    c.dc.SetBkMode(OPAQUE);
    c.dc.SetBkColor(clBlue);
    c.dc.SetTextColor(clRed);
    TRect r(1, 0, 8, 8);
    DrawText(c.dc, "E", r, DT_LEFT);
    EXPECT_EQ(c.Picture(), Art({".bbbbbb.", ".rrrrbb.", ".rbbbbb.", ".rrrbbb.", ".rbbbbb.",
                                ".rbbbbb.", ".rrrrbb.", ".bbbbbb."}));
}

TEST(DrawText, PrefixUnderlinesTheNextCharacter) {
    Canvas c(12, 8);
    TRect r(0, 0, 12, 8);
    DrawText(c.dc, "&E", r, DT_LEFT);
    std::vector<std::string> expected = kTerminalE;
    expected[7] = "######";
    for (auto& row : expected) row += "......";
    EXPECT_EQ(c.Picture(), Art(expected));
}

struct MeasureCase {
    const char* name;
    const char* text;
    unsigned flags;
    int width;  // the rectangle's width given to DrawText
    TRect expected;
};

class Measuring : public ::testing::TestWithParam<MeasureCase> {};

TEST_P(Measuring, CalcRectGivesTheTextsExtent) {
    Canvas c;
    const MeasureCase& m = GetParam();
    TRect r(2, 1, 2 + m.width, 1);
    const int height = DrawText(c.dc, m.text, r, m.flags | DT_CALCRECT);
    EXPECT_EQ(r, m.expected);
    EXPECT_EQ(height, m.expected.Height());
}

INSTANTIATE_TEST_SUITE_P(
    Terminal, Measuring,
    ::testing::Values(
        MeasureCase{"DoubleAmpersandIsOne", "a&&b", 0, 0, {2, 1, 20, 9}},
        MeasureCase{"NoPrefixKeepsAmpersands", "a&&b", DT_NOPREFIX, 0, {2, 1, 26, 9}},
        MeasureCase{"LoneTrailingAmpersandDropped", "ab&", 0, 0, {2, 1, 14, 9}},
        MeasureCase{"AmpersandAndBlankMeasuresOneBlank", "& ", 0, 0, {2, 1, 8, 9}},
        MeasureCase{"EmptyTextMeasuresNothing", "", 0, 50, {2, 1, 2, 1}},
        MeasureCase{"LineBreaksOfEveryKind", "a\r\nbb\nccc\rd", 0, 0, {2, 1, 20, 33}},
        MeasureCase{"TrailingBreakAddsNoLine", "ab\r\n", 0, 0, {2, 1, 14, 9}},
        MeasureCase{"EmptyLinesCount", "a\r\n\r\nb", 0, 0, {2, 1, 8, 25}},
        MeasureCase{"SingleLineKeepsBreaksAsCharacters", "a\nb", DT_SINGLELINE, 0, {2, 1, 20, 9}},
        MeasureCase{"TabWithoutExpansionIsACharacter", "a\tb", 0, 0, {2, 1, 20, 9}},
        MeasureCase{"TabExpandsToEightCharacterStops", "a\tb", DT_EXPANDTABS, 0, {2, 1, 56, 9}},
        MeasureCase{
            "TabAtAStopMovesToTheNextStop", "aaaaaaaa\tb", DT_EXPANDTABS, 0, {2, 1, 104, 9}},
        MeasureCase{"WordBreakFillsLinesGreedily", "aaa bbb ccc", DT_WORDBREAK, 48, {2, 1, 44, 17}},
        MeasureCase{"WordBreakOneWordPerLine", "aaa bbb ccc", DT_WORDBREAK, 41, {2, 1, 20, 25}},
        MeasureCase{"WordBreakDropsBlanksAtTheWrap", "aa   bb", DT_WORDBREAK, 24, {2, 1, 14, 17}},
        MeasureCase{
            "LongWordIsNotSplitAndWidens", "x aaaaaaaaaa y", DT_WORDBREAK, 30, {2, 1, 62, 25}},
        MeasureCase{"WordBreakKeepsExplicitBreaks", "aa\nbb cc", DT_WORDBREAK, 100, {2, 1, 32, 17}},
        MeasureCase{"NoWordBreakMeansOneLongLine", "aaa bbb ccc", 0, 20, {2, 1, 68, 9}}),
    [](const auto& info) { return std::string(info.param.name); });

// The column of the first ink pixel in row 1 (the top bar of an 'E').
int FirstInkColumn(const QImage& image, int row) {
    return int(test::RowArt(image, row, kPalette).find('#'));
}

struct AlignCase {
    const char* name;
    unsigned flags;
    int x;         // where the 'E' cell starts
    int y;         // where its top row lies
    int returned;  // DrawText's answer
};

class Aligning : public ::testing::TestWithParam<AlignCase> {};

TEST_P(Aligning, PlacesTheLineInTheRectangle) {
    Canvas c(20, 20);
    TRect r(0, 0, 20, 20);
    EXPECT_EQ(DrawText(c.dc, "E", r, GetParam().flags), GetParam().returned);
    EXPECT_EQ(FirstInkColumn(c.image, GetParam().y + 1), GetParam().x);
    EXPECT_EQ(test::RowArt(c.image, GetParam().y, kPalette), std::string(20, '.'));
    EXPECT_EQ(r, TRect(0, 0, 20, 20));
}

INSTANTIATE_TEST_SUITE_P(
    Flags, Aligning,
    ::testing::Values(AlignCase{"Left", DT_LEFT, 0, 0, 8}, AlignCase{"Center", DT_CENTER, 7, 0, 8},
                      AlignCase{"Right", DT_RIGHT, 14, 0, 8},
                      AlignCase{"VCenterSingleLine", DT_SINGLELINE | DT_VCENTER, 0, 6, 14},
                      AlignCase{"BottomSingleLine", DT_SINGLELINE | DT_BOTTOM, 0, 12, 20},
                      AlignCase{"VCenterNeedsSingleLine", DT_VCENTER, 0, 0, 8},
                      AlignCase{"CenterBoth", DT_SINGLELINE | DT_CENTER | DT_VCENTER, 7, 6, 14}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DrawText, EachLineIsAlignedOnItsOwn) {
    Canvas c(18, 16);
    TRect r(0, 0, 18, 16);
    EXPECT_EQ(DrawText(c.dc, "EEE\nE", r, DT_RIGHT), 16);
    EXPECT_EQ(FirstInkColumn(c.image, 1), 0);
    EXPECT_EQ(FirstInkColumn(c.image, 9), 12);
}

TEST(DrawText, ClipsToTheRectangleUnlessNoClip) {
    Canvas clipped(6, 8);
    TRect r(0, 0, 3, 8);
    DrawText(clipped.dc, "E", r, DT_LEFT);
    EXPECT_EQ(test::RowArt(clipped.image, 1, kPalette), "###...");
    Canvas free(6, 8);
    DrawText(free.dc, "E", r, DT_LEFT | DT_NOCLIP);
    EXPECT_EQ(test::RowArt(free.image, 1, kPalette), "####..");
    EXPECT_EQ(free.dc.SavedDepth(), 0);
}

TEST(DrawText, OemTextShowsStrayBytesAsCodePage437AndUtf8ByCodePoint) {
    Canvas bytes(6, 8);
    Canvas utf8(6, 8);
    TRect r(0, 0, 6, 8);
    DrawText(bytes.dc, "\xDB", r, DT_LEFT);  // code page 437 full block, not UTF-8
    DrawText(utf8.dc, "\xE2\x96\x88", r, DT_LEFT);
    EXPECT_EQ(bytes.Picture(), Art(std::vector<std::string>(8, "######")));
    EXPECT_EQ(utf8.Picture(), bytes.Picture());
    // Control characters have pictures in the OEM face.
    Canvas control(6, 8);
    Canvas smiley(6, 8);
    DrawText(control.dc, "\x01", r, DT_LEFT | DT_NOPREFIX);
    DrawText(smiley.dc, "\xE2\x98\xBA", r, DT_LEFT);
    EXPECT_EQ(control.Picture(), smiley.Picture());
    EXPECT_NE(control.Picture(), Canvas(6, 8).Picture());
}

TEST(DrawText, NonOemFontsTakeUtf8AndShowTheDefaultGlyphForOtherBytes) {
    Canvas c(24, 16, Font{});
    const int box = SansFace().DefaultGlyph().advance;
    EXPECT_EQ(GetTextExtentPoint(c.dc, "\xDB").cx, box);
    EXPECT_EQ(GetTextExtentPoint(c.dc, "\xC3\xA9").cx, SansFace().Glyph(U'é').advance);
    EXPECT_EQ(GetTextExtentPoint(c.dc, "\xE2\x82\xAC\xF0\x9F\x98\x80").cx,
              SansFace().Glyph(U'€').advance + box);
}

TEST(DrawText, SynthesisedBoldDrawsTwiceOnePixelApart) {
    Font bold = TerminalFont();
    bold.bold = true;
    Canvas c(8, 8, bold);
    EXPECT_EQ(GetTextExtentPoint(c.dc, "EE").cx, 14);
    TRect r(0, 0, 8, 8);
    DrawText(c.dc, "E", r, DT_LEFT);
    EXPECT_EQ(c.Picture(), Art({"........", "#####...", "##......", "####....", "##......",
                                "##......", "#####...", "........"}));
}

TEST(DrawText, UnderlinedFontUnderlinesTheWholeLine) {
    Font underlined = TerminalFont();
    underlined.underline = true;
    Canvas c(14, 8, underlined);
    TRect r(0, 0, 14, 8);
    DrawText(c.dc, "EE", r, DT_LEFT);
    EXPECT_EQ(test::RowArt(c.image, 7, kPalette), "############..");
}

TEST(DrawStateText, DisabledTextIsEngraved) {
    QImage image = BlankImage(7, 9, clFuchsia);
    DeviceContext dc(image);
    dc.SelectFont(TerminalFont());
    dc.SetTextColor(clRed);
    dc.SetBkMode(OPAQUE);
    EXPECT_TRUE(DrawStateText(dc, "E", 0, 0, 0, 0, DST_TEXT | DSS_DISABLED));
    const test::Palette palette = {{'m', clFuchsia}, {'w', clBtnHighlight}, {'s', clBtnShadow}};
    EXPECT_EQ(ToArt(image, palette), Art({"mmmmmmm", "ssssmmm", "swwwwmm", "sssmmmm", "swwwmmm",
                                          "swmmmmm", "ssssmmm", "mwwwwmm", "mmmmmmm"}));
    EXPECT_EQ(dc.GetTextColor(), clRed);
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
}

TEST(DrawStateText, NormalDrawsOnceInTheTextColourAndPrefixTextUnderlines) {
    QImage image = BlankImage(6, 8, clWhite);
    DeviceContext dc(image);
    dc.SelectFont(TerminalFont());
    EXPECT_TRUE(DrawStateText(dc, "&E", 0, 0, 6, 8, DST_PREFIXTEXT | DSS_NORMAL));
    std::vector<std::string> expected = kTerminalE;
    expected[7] = "######";
    EXPECT_EQ(ToArt(image, kPalette), Art(expected));
    EXPECT_FALSE(DrawStateText(dc, "E", 0, 0, 6, 8, 0x0004));  // not a text kind
}

TEST(TextOut, DrawsOneLineWithoutPrefixHandling) {
    Canvas c(12, 8);
    TextOut(c.dc, 0, 0, "&E");
    EXPECT_EQ(test::RowArt(c.image, 7, kPalette), "............");
    EXPECT_EQ(test::RowArt(c.image, 1, kPalette).substr(6), "####..");
}

}  // namespace
}  // namespace kiv::platform
