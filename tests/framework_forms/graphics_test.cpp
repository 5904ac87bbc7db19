// Fonts, canvases, bitmaps and pictures: values, lazy tool selection, BMP files, design data.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>
#include <memory>

#include "framework/filer.h"

#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/errors.h"
#include "framework/forms/font.h"
#include "framework/forms/picture.h"
#include "framework/memory_stream.h"
#include "platform/draw/device_context.h"
#include "platform/draw/qt_convert.h"
#include "tests/support/pixel_art.h"

namespace kiv::test {
namespace {

using platform::DeviceContext;
using platform::FromQRgb;

struct SizeCase {
    int size;
    int height;
};
class FontSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(FontSizeTest, SizeAndHeightAreTwoViewsOfOneValue) {
    TFont font;
    font.SetSize(GetParam().size);
    EXPECT_EQ(font.Height(), GetParam().height);
    font.SetHeight(GetParam().height);
    EXPECT_EQ(font.Size(), GetParam().size);
}
INSTANTIATE_TEST_SUITE_P(Points, FontSizeTest,
                         testing::Values(SizeCase{8, -11}, SizeCase{10, -13}, SizeCase{12, -16},
                                         SizeCase{6, -8}));

TEST(Font, ChangeNoticeOnlyForRealChanges) {
    TFont font;
    int notices = 0;
    font.OnChange = [&](TObject*) { ++notices; };
    font.SetName("MS Sans Serif");
    font.SetHeight(-11);
    EXPECT_EQ(notices, 0);
    font.SetName("Terminal");
    font.SetStyle({TFontStyle::fsBold});
    TFont other;
    other.Assign(&font);
    font.Assign(&other);
    EXPECT_EQ(notices, 2);
    EXPECT_TRUE(other.Handle().bold);
}

TEST(Canvas, ToolsAreSelectedAgainOnlyAfterTheyChange) {
    QImage image = BlankImage(8, 8, clWhite);
    DeviceContext dc(image);
    TCanvas canvas;
    canvas.SetHandle(&dc);
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect({0, 0, 1, 1});
    EXPECT_EQ(dc.GetBkMode(), platform::OPAQUE);
    // A call made on the context itself holds while the brush is unchanged ...
    canvas.Handle()->SetBkMode(platform::TRANSPARENT);
    canvas.FillRect({1, 0, 2, 1});
    EXPECT_EQ(dc.GetBkMode(), platform::TRANSPARENT);
    // ... and a changed brush is selected again with its background mode.
    canvas.Brush()->SetColor(clBlue);
    canvas.FillRect({2, 0, 3, 1});
    EXPECT_EQ(dc.GetBkMode(), platform::OPAQUE);
    EXPECT_EQ(FromQRgb(image.pixel(0, 0)), clRed);
    EXPECT_EQ(FromQRgb(image.pixel(1, 0)), clRed);
    EXPECT_EQ(FromQRgb(image.pixel(2, 0)), clBlue);
}

TEST(Canvas, SelectingTheFontSetsTheTextColour) {
    QImage image = BlankImage(4, 4, clWhite);
    DeviceContext dc(image);
    TCanvas canvas;
    canvas.SetHandle(&dc);
    canvas.Font()->SetColor(clLime);
    canvas.Handle();
    EXPECT_EQ(dc.GetTextColor(), clLime);
    EXPECT_EQ(dc.GetFont(), canvas.Font()->Handle());
}

TEST(Canvas, WithoutAContextDrawingIsRefused) {
    TCanvas canvas;
    EXPECT_THROW(canvas.FillRect({0, 0, 1, 1}), EInvalidOperation);
}

TEST(Canvas, CopyRectScalesWhenTheSizesDiffer) {
    TBitmap source;
    source.SetSize(2, 1);
    source.Canvas()->SetPixels(0, 0, clRed);
    source.Canvas()->SetPixels(1, 0, clBlue);
    TBitmap dest;
    dest.SetSize(4, 2);
    dest.Canvas()->CopyRect({0, 0, 4, 2}, *source.Canvas(), {0, 0, 2, 1});
    EXPECT_EQ(dest.Canvas()->Pixels(1, 1), clRed);
    EXPECT_EQ(dest.Canvas()->Pixels(2, 0), clBlue);
}

std::unique_ptr<TBitmap> Pattern(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap->Canvas()->SetPixels(x, y, RGB(std::uint8_t(x * 40), std::uint8_t(y * 50), 7));
    return bitmap;
}

void ExpectSamePixels(const TBitmap& a, const TBitmap& b) {
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            ASSERT_EQ(a.Image().pixel(x, y), b.Image().pixel(x, y)) << x << "," << y;
}

TEST(Bitmap, BmpFilesRoundTripIn24And32Bits) {
    for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
        auto pattern = Pattern(5, 3);  // 5 pixels: 24-bit rows need padding
        TBitmap& bitmap = *pattern;
        bitmap.SetPixelFormat(format);
        TMemoryStream stream;
        bitmap.SaveToStream(stream);
        stream.SetPosition(0);
        TBitmap loaded;
        loaded.LoadFromStream(stream);
        ExpectSamePixels(bitmap, loaded);
        EXPECT_EQ(loaded.PixelFormat(), format);
    }
}

TEST(Bitmap, AGrownBitmapKeepsItsPixelsAndIsBlackElsewhere) {
    auto pattern = Pattern(2, 2);
    TBitmap& bitmap = *pattern;
    QRgb corner = bitmap.Image().pixel(1, 1);
    bitmap.SetSize(3, 3);
    EXPECT_EQ(bitmap.Image().pixel(1, 1), corner);
    EXPECT_EQ(bitmap.Canvas()->Pixels(2, 2), clBlack);
    EXPECT_EQ(bitmap.Canvas()->Pixels(2, 0), clBlack);
}

// Damages a valid BMP file in one way.
struct DamageCase {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
};
class BmpDamageTest : public testing::TestWithParam<DamageCase> {};

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = std::uint8_t(value >> (8 * i));
}

TEST_P(BmpDamageTest, IsRejectedAndLeavesTheBitmapUnchanged) {
    auto good = Pattern(4, 4);
    TMemoryStream stream;
    good->SaveToStream(stream);
    std::vector<std::uint8_t> bytes(stream.Bytes().begin(), stream.Bytes().end());
    GetParam().damage(bytes);
    TMemoryStream damaged;
    damaged.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    damaged.SetPosition(0);
    auto bitmap = Pattern(2, 2);
    auto before = Pattern(2, 2);
    EXPECT_THROW(bitmap->LoadFromStream(damaged), EInvalidGraphic);
    ExpectSamePixels(*bitmap, *before);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, BmpDamageTest,
    testing::Values(DamageCase{"CutShort", [](auto& b) { b.resize(b.size() - 5); }},
                    DamageCase{"OnlyTheFileHeader", [](auto& b) { b.resize(14); }},
                    DamageCase{"NoSignature", [](auto& b) { b[0] = 'X'; }},
                    DamageCase{"HugeWidth", [](auto& b) { Put32(b, 18, 0x7FFFFFFF); }},
                    DamageCase{"NoPixelsWide", [](auto& b) { Put32(b, 18, 0); }},
                    DamageCase{"PixelOffsetBeyondTheEnd",
                               [](auto& b) { Put32(b, 10, 0xFFFFFF00); }},
                    DamageCase{"InfoHeaderBeyondTheEnd", [](auto& b) { Put32(b, 14, 0x10000); }},
                    DamageCase{"OddDepth", [](auto& b) { b[28] = 7; }}),
    [](const testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

TEST(Bitmap, TransparentDrawKeepsTheDestinationWhereTheKeyColourIs) {
    TBitmap sprite;
    sprite.SetSize(2, 2);
    sprite.Canvas()->Brush()->SetColor(clFuchsia);
    sprite.Canvas()->FillRect({0, 0, 2, 2});
    sprite.Canvas()->SetPixels(1, 0, clLime);
    sprite.SetTransparent(true);
    EXPECT_EQ(sprite.TransparentColor(), clFuchsia) << "the bottom-left pixel";
    TBitmap target;
    target.SetSize(4, 4);
    target.Canvas()->Brush()->SetColor(clNavy);
    target.Canvas()->FillRect({0, 0, 4, 4});
    target.Canvas()->Draw(1, 1, &sprite);
    EXPECT_EQ(target.Canvas()->Pixels(2, 1), clLime);
    EXPECT_EQ(target.Canvas()->Pixels(1, 1), clNavy);
    EXPECT_EQ(target.Canvas()->Pixels(2, 2), clNavy);
}

std::vector<std::uint8_t> BmpBytes(const TBitmap& bitmap) {
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    return {stream.Bytes().begin(), stream.Bytes().end()};
}

void LoadPictureData(TPicture& picture, const std::vector<std::uint8_t>& data);

// Finds the picture's Data reader through DefineProperties, as the design reader does.
class DataFiler : public TFiler {
public:
    void DefineProperty(const std::string&, ValueReader, ValueWriter, bool) override {}
    void DefineBinaryProperty(const std::string& name, StreamReader reader, StreamWriter writer,
                              bool hasData) override {
        if (name != "Data") return;
        m_reader = std::move(reader);
        m_writer = std::move(writer);
        m_hasData = hasData;
    }
    StreamReader m_reader;
    StreamWriter m_writer;
    bool m_hasData = false;
};

void LoadPictureData(TPicture& picture, const std::vector<std::uint8_t>& data) {
    DataFiler filer;
    picture.DefineProperties(filer);
    TMemoryStream stream;
    stream.WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    stream.SetPosition(0);
    filer.m_reader(stream);
}

TEST(Picture, DataIsReadAsAPlainBmpOrWithTheClassNameAndWrittenWithIt) {
    auto pattern = Pattern(3, 2);
    const TBitmap& original = *pattern;
    std::vector<std::uint8_t> bmp = BmpBytes(original);

    TPicture plain;
    LoadPictureData(plain, bmp);
    ASSERT_NE(plain.Bitmap(), nullptr);
    ExpectSamePixels(*plain.Bitmap(), original);

    DataFiler filer;
    plain.DefineProperties(filer);
    EXPECT_TRUE(filer.m_hasData);
    TMemoryStream written;
    filer.m_writer(written);
    std::vector<std::uint8_t> data(written.Bytes().begin(), written.Bytes().end());
    ASSERT_GT(data.size(), 12u);
    EXPECT_EQ(std::string(data.begin(), data.begin() + 8), "\x07TBitmap");
    std::uint32_t size = data[8] | data[9] << 8 | data[10] << 16 | data[11] << 24;
    EXPECT_EQ(size, bmp.size());

    TPicture prefixed;
    LoadPictureData(prefixed, data);
    ExpectSamePixels(*prefixed.Bitmap(), original);
}

TEST(Bitmap, DataIsKeptForABitmapPropertyAndReadsBackAlsoAsAPlainBmp) {
    auto pattern = Pattern(3, 2);
    DataFiler filer;
    pattern->DefineProperties(filer);
    ASSERT_TRUE(filer.m_reader);
    EXPECT_TRUE(filer.m_hasData);
    TMemoryStream written;
    filer.m_writer(written);
    std::vector<std::uint8_t> data(written.Bytes().begin(), written.Bytes().end());
    std::uint32_t size = data.at(0) | data.at(1) << 8 | data.at(2) << 16 | data.at(3) << 24;
    EXPECT_EQ(size + 4, data.size()) << "a byte count, then the BMP file";

    TBitmap read;
    DataFiler readFiler;
    read.DefineProperties(readFiler);
    EXPECT_FALSE(readFiler.m_hasData) << "an empty bitmap writes no data";
    written.SetPosition(0);
    readFiler.m_reader(written);
    ExpectSamePixels(read, *pattern);

    TBitmap plain;
    DataFiler plainFiler;
    plain.DefineProperties(plainFiler);
    TMemoryStream bmp;
    pattern->SaveToStream(bmp);
    bmp.SetPosition(0);
    plainFiler.m_reader(bmp);
    ExpectSamePixels(plain, *pattern);  // a plain BMP file is read too
}

TEST(Picture, DataWithAnUnknownClassOrALyingSizeIsRejected) {
    TPicture picture;
    std::vector<std::uint8_t> unknown = {4, 'T', 'G', 'I', 'F', 0, 0, 0, 0};
    EXPECT_THROW(LoadPictureData(picture, unknown), EInvalidGraphic);
    std::vector<std::uint8_t> lying = {7, 'T', 'B', 'i', 't', 'm', 'a', 'p', 0xFF, 0xFF, 0, 0};
    EXPECT_THROW(LoadPictureData(picture, lying), EInvalidGraphic);
    EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST(Picture, AssigningABitmapStoresACopyAndAnnouncesIt) {
    TPicture picture;
    int notices = 0;
    picture.OnChange = [&](TObject*) { ++notices; };
    auto pattern = Pattern(2, 2);
    TBitmap& bitmap = *pattern;
    picture.SetBitmap(&bitmap);
    EXPECT_EQ(notices, 1);
    bitmap.Canvas()->SetPixels(0, 0, clWhite);
    EXPECT_NE(picture.Bitmap()->Canvas()->Pixels(0, 0), clWhite);
    picture.Bitmap()->Canvas()->SetPixels(0, 0, clWhite);
    EXPECT_EQ(notices, 2) << "a change of the held bitmap is the picture's change";
}

}  // namespace
}  // namespace kiv::test
