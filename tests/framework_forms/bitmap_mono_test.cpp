// 1-bit bitmaps: the two-colour reduction, packed rows, 1-bit BMP files and drawing on them.
#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <vector>

#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/errors.h"
#include "framework/memory_stream.h"
#include "tests/support/pixel_art.h"

namespace kiv::test {
namespace {

const Palette kColours = {{'#', clBlack},  {'.', clWhite},         {'m', clMaroon},
                          {'y', clYellow}, {'d', RGB(64, 64, 64)}, {'s', clSilver}};
const Palette kTwo = {{'#', clBlack}, {'.', clWhite}};

// The bitmap's pixels as '#' and '.' art, read from its 1-bit storage.
std::string MonoArt(const TBitmap& bitmap) {
    EXPECT_EQ(bitmap.Image().format(), QImage::Format_Mono);
    return ToArt(bitmap.Image().convertToFormat(QImage::Format_RGB32), kTwo);
}

std::unique_ptr<TBitmap> FromColours(const std::vector<std::string>& art) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(FromArt(art, kColours));
    return bitmap;
}

TEST(MonoBitmap, ReducingKeepsBlackAndWhiteAndSplitsOtherColoursByBrightness) {
    auto bitmapHolder = FromColours({"#.mydsy", ".#smm.#"});
    TBitmap& bitmap = *bitmapHolder;
    bitmap.SetPixelFormat(TPixelFormat::pf1bit);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(MonoArt(bitmap), Art({"#.#.#..", ".#.##.#"}));
    ASSERT_EQ(bitmap.Image().colorCount(), 2);
    EXPECT_EQ(bitmap.Image().color(0), qRgb(0, 0, 0)) << "black is index 0";
    EXPECT_EQ(bitmap.Image().color(1), qRgb(255, 255, 255));

    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(bitmap.Image().format(), QImage::Format_RGB32);
    EXPECT_EQ(ToArt(bitmap.Image(), kTwo), Art({"#.#.#..", ".#.##.#"}));
}

TEST(MonoBitmap, RowsArePackedMostSignificantBitFirstWithBlackClear) {
    auto bitmapHolder = FromColours({"#.##....#.", "##########"});
    TBitmap& bitmap = *bitmapHolder;
    bitmap.SetPixelFormat(TPixelFormat::pf1bit);
    const std::uint8_t* top = bitmap.ScanLine(0);
    EXPECT_EQ(top[0], 0x4F);
    EXPECT_EQ(top[1] & 0xC0, 0x40) << "pixels 8 and 9; the rest of the byte is padding";
    const std::uint8_t* bottom = bitmap.ScanLine(1);
    EXPECT_EQ(bottom[0], 0x00);
    EXPECT_EQ(bottom[1] & 0xC0, 0x00);
    EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphic);
    EXPECT_THROW(bitmap.ScanLine(2), EInvalidGraphic);
}

TEST(MonoBitmap, IsSavedAsAOneBitBmpAndReadBackAsOne) {
    auto bitmapHolder = FromColours({"#..#.#...##.#", ".#.#.#.#.#.#.", "#############"});
    TBitmap& bitmap = *bitmapHolder;
    bitmap.SetPixelFormat(TPixelFormat::pf1bit);
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    const auto& bytes = stream.Bytes();
    ASSERT_GE(bytes.size(), 30u);
    EXPECT_EQ(bytes[28], 1) << "bits per pixel";
    EXPECT_EQ(bytes.size(), 14u + 40 + 8 + 4 * 3) << "headers, two palette entries, 4-byte rows";
    stream.SetPosition(0);
    TBitmap loaded;
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(MonoArt(loaded), MonoArt(bitmap));
}

TEST(MonoBitmap, WhatTheCanvasDrawsIsReducedWhenThePixelsAreRead) {
    auto bitmapHolder = FromColours({"....", "...."});
    TBitmap& bitmap = *bitmapHolder;
    bitmap.SetPixelFormat(TPixelFormat::pf1bit);
    bitmap.Canvas()->SetPixels(1, 0, clMaroon);
    bitmap.Canvas()->SetPixels(2, 0, clYellow);
    bitmap.Canvas()->Brush()->SetColor(clNavy);
    bitmap.Canvas()->FillRect({2, 1, 4, 2});
    EXPECT_EQ(MonoArt(bitmap), Art({".#..", "..##"}));
    EXPECT_EQ(bitmap.Canvas()->Pixels(1, 0), clBlack) << "the canvas reads the reduced pixels";
    EXPECT_EQ(bitmap.Canvas()->Pixels(2, 0), clWhite);
}

TEST(MonoBitmap, CopiesGrowthAndDrawingKeepTheTwoColours) {
    auto sourceHolder = FromColours({"#.", ".#"});
    TBitmap& source = *sourceHolder;
    source.SetPixelFormat(TPixelFormat::pf1bit);
    TBitmap copy;
    copy.Assign(&source);
    EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(MonoArt(copy), Art({"#.", ".#"}));
    copy.SetSize(3, 3);
    EXPECT_EQ(MonoArt(copy), Art({"#.#", ".##", "###"})) << "grown pixels are black";
    auto targetHolder = FromColours({"yyyy", "yyyy", "yyyy"});
    TBitmap& target = *targetHolder;
    target.Canvas()->Draw(1, 0, &copy);
    EXPECT_EQ(ToArt(target.Image(), {{'#', clBlack}, {'.', clWhite}, {'y', clYellow}}),
              Art({"y#.#", "y.##", "y###"}));
}

}  // namespace
}  // namespace kiv::test
