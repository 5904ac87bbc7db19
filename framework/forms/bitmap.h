// TBitmap: a 32-bit image with a canvas, read from and written to BMP files.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "framework/enum_set.h"
#include "framework/forms/graphic.h"
#include "platform/draw/color.h"

namespace kiv {

class TCanvas;

// The format asked for. A pf1bit bitmap really holds one bit per pixel, black (index 0) and white
// (index 1); every other format keeps 32-bit RGB pixels and only decides how SaveToStream writes
// them (pf4bit, pf8bit and pfCustom are written as 24-bit).
enum class TPixelFormat : std::uint8_t {
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfCustom
};
template <>
struct EnumInfo<TPixelFormat> {
    static constexpr std::array<std::string_view, 9> names{"pfDevice", "pf1bit",  "pf4bit",
                                                           "pf8bit",   "pf15bit", "pf16bit",
                                                           "pf24bit",  "pf32bit", "pfCustom"};
};

// tmAuto takes the bottom-left pixel as the transparent colour; tmFixed the set colour.
enum class TTransparentMode : std::uint8_t { tmAuto, tmFixed };
template <>
struct EnumInfo<TTransparentMode> {
    static constexpr std::array<std::string_view, 2> names{"tmAuto", "tmFixed"};
};

// A bitmap's canvas draws straight into its pixels. A new bitmap is empty (0 x 0); a grown
// bitmap keeps its pixels at the top left and is black elsewhere.
//
// A 1-bit bitmap's canvas draws on a 32-bit copy of its pixels; what it drew is reduced to the
// two colours when the bitmap's pixels are next read (Image, ScanLine, saving, drawing, copying
// it), and from then on the canvas reads the reduced pixels too.
class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;

    // Copies another TBitmap (pixels and settings); nullptr empties this one.
    void Assign(const TPersistent* source) override;
    // Declares "Data", the pixels as WriteData stores them, written when the bitmap is not
    // empty; so a bitmap property of a component is kept in its design (Glyph.Data). Read, it
    // also takes a plain BMP file.
    void DefineProperties(TFiler& filer) override;

    bool Empty() const override { return m_image.isNull() || m_image.width() == 0; }
    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    void SetWidth(int width) override { SetSize(width, Height()); }
    void SetHeight(int height) override { SetSize(Width(), height); }
    // Negative sizes count as 0. Raises EOutOfResources when the pixels cannot be allocated.
    void SetSize(int width, int height);

    // Created on first use; drawing on it changes the pixels at once.
    TCanvas* Canvas();

    TPixelFormat PixelFormat() const { return m_pixelFormat; }
    // Changing to pf1bit reduces the pixels to black and white with the toolkit's threshold
    // conversion (dark colours black, light ones white); pure black and white stay as they are.
    // Changing from pf1bit makes them 32-bit again.
    void SetPixelFormat(TPixelFormat format);
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return m_transparentMode; }
    void SetTransparentMode(TTransparentMode mode);

    void Draw(TCanvas& canvas, const TRect& rect) override;

    // Reads a whole BMP file (1, 4, 8, 16, 24 or 32 bits per pixel). The header's sizes are
    // checked against the data before any pixel is read; bad data raises EInvalidGraphic and
    // leaves the bitmap unchanged.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;
    // Design data: a 32-bit little-endian byte count, then that many bytes of BMP file.
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) const override;

    // The pixels, for code that reads or converts them: QImage::Format_Mono with the colour table
    // {black, white} for pf1bit, QImage::Format_RGB32 otherwise.
    const QImage& Image() const;
    // The stored bytes of row `y`, the top row first: for pf1bit, pixel x is bit 7 - x % 8 of byte
    // x / 8 (clear for black); otherwise four bytes a pixel. EInvalidGraphic "Scan line index out
    // of range" outside 0..Height()-1.
    const std::uint8_t* ScanLine(int y) const;
    // Replaces the pixels with a copy of `image` in the bitmap's own format.
    void SetImage(const QImage& image);

private:
    friend class BitmapCanvas;
    void PixelsChanged();
    void ReadDefinedData(TStream& stream);
    void LoadBmp(const std::uint8_t* data, std::size_t size);
    // Takes `image` as the pixels in the bitmap's format; drops the canvas's context.
    void Store(const QImage& image);
    // Reduces what the canvas drew on a 1-bit bitmap's working copy into the pixels.
    void Settle() const;

    mutable QImage m_image;
    // Set when the canvas drew on the working copy of a 1-bit bitmap since it was last settled.
    mutable bool m_unsettled = false;
    std::unique_ptr<TCanvas> m_canvas;
    TPixelFormat m_pixelFormat = TPixelFormat::pfDevice;
    TTransparentMode m_transparentMode = TTransparentMode::tmAuto;
    TColor m_transparentColor = clDefault;
};

}  // namespace kiv
