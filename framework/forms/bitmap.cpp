// TBitmap: pixels in a QImage, its canvas, and BMP files read with checked headers.
#include "framework/forms/bitmap.h"

#include <QImage>
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "framework/class_registry.h"
#include "framework/file_stream.h"
#include "framework/filer.h"
#include "framework/forms/canvas.h"
#include "framework/forms/errors.h"
#include "framework/memory_stream.h"
#include "platform/draw/device_context.h"
#include "platform/draw/qt_convert.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TBitmap, TPersistent>(
    "TBitmap",
    {
        Prop("PixelFormat", &TBitmap::PixelFormat, &TBitmap::SetPixelFormat)
            .Default(TPixelFormat::pfDevice),
        Prop("Transparent", &TBitmap::Transparent, &TBitmap::SetTransparent).Default(false),
        Prop("TransparentMode", &TBitmap::TransparentMode, &TBitmap::SetTransparentMode)
            .Default(TTransparentMode::tmAuto),
    });

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;  // 256 MiB at four bytes a pixel

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}
void PutLe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

[[noreturn]] void Invalid(const char* problem) {
    throw EInvalidGraphic(FormatMessage("Bitmap image is not valid: %s", problem));
}

// Checks what the BMP headers claim against the bytes there are, so that the decoder is never
// handed a file that promises more than it holds.
void CheckBmp(const std::uint8_t* data, std::size_t size) {
    if (size < kFileHeaderSize + 12) Invalid("too short");
    if (data[0] != 'B' || data[1] != 'M') Invalid("no BMP signature");
    std::uint32_t offBits = Le32(data + 10);
    std::uint32_t infoSize = Le32(data + kFileHeaderSize);
    if (infoSize < 12 || infoSize > size - kFileHeaderSize) Invalid("bad header size");
    const std::uint8_t* info = data + kFileHeaderSize;
    std::int64_t width, height;
    unsigned bits, compression = 0;
    if (infoSize == 12) {
        width = Le16(info + 4);
        height = Le16(info + 6);
        bits = Le16(info + 10);
    } else {
        if (infoSize < 40) Invalid("bad header size");
        width = static_cast<std::int32_t>(Le32(info + 4));
        height = static_cast<std::int32_t>(Le32(info + 8));
        bits = Le16(info + 14);
        compression = Le32(info + 16);
    }
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0) Invalid("no pixels");
    if (width > 32767 || height > 32767 || width * height > kMaxPixels) Invalid("too large");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        Invalid("unsupported pixel depth");
    }
    if (compression > 3) Invalid("unsupported compression");
    if (offBits < kFileHeaderSize + infoSize || offBits > size) Invalid("bad pixel offset");
    if (compression == 0 || compression == 3) {
        std::int64_t stride = ((width * bits + 31) / 32) * 4;
        if (stride * height > static_cast<std::int64_t>(size - offBits)) {
            Invalid("pixel data is cut short");
        }
    }
}

void PutHeaders(std::vector<std::uint8_t>& out, int width, int height, int bits,
                std::uint32_t paletteSize, std::uint32_t imageSize) {
    const auto offBits = static_cast<std::uint32_t>(kFileHeaderSize + 40 + std::size_t{paletteSize} * 4);
    out.push_back('B');
    out.push_back('M');
    PutLe32(out, offBits + imageSize);
    PutLe32(out, 0);
    PutLe32(out, offBits);
    PutLe32(out, 40);
    PutLe32(out, std::uint32_t(width));
    PutLe32(out, std::uint32_t(height));
    PutLe16(out, 1);
    PutLe16(out, std::uint16_t(bits));
    PutLe32(out, 0);
    PutLe32(out, imageSize);
    PutLe32(out, 3780);  // 96 pixels per inch
    PutLe32(out, 3780);
    PutLe32(out, paletteSize);
    PutLe32(out, 0);
}

// A 1-bit image (black at index 0) as a 1-bit BMP file: its rows are already packed as BMP packs
// them, most significant bit first.
std::vector<std::uint8_t> EncodeMonoBmp(const QImage& image) {
    const int width = image.width(), height = image.height();
    const std::uint32_t stride = ((std::uint32_t(width) + 31) / 32) * 4;
    const std::uint32_t imageSize = stride * std::uint32_t(height);
    std::vector<std::uint8_t> out;
    out.reserve(kFileHeaderSize + 48 + imageSize);
    PutHeaders(out, width, height, 1, 2, imageSize);
    for (std::uint8_t level : {0, 255}) {
        for (int i = 0; i < 3; ++i) out.push_back(level);
        out.push_back(0);
    }
    const std::size_t rowBytes = (std::size_t(width) + 7) / 8;
    for (int y = height - 1; y >= 0; --y) {
        const std::uint8_t* line = image.constScanLine(y);
        out.insert(out.end(), line, line + rowBytes);
        out.resize(out.size() + (stride - rowBytes), 0);
    }
    return out;
}

std::vector<std::uint8_t> EncodeBmp(const QImage& image, bool withAlphaByte) {
    if (image.format() == QImage::Format_Mono) return EncodeMonoBmp(image);
    const int width = image.width(), height = image.height();
    const int bytesPerPixel = withAlphaByte ? 4 : 3;
    const std::uint32_t stride = ((width * bytesPerPixel * 8 + 31) / 32) * 4;
    const std::uint32_t imageSize = stride * std::uint32_t(height);
    std::vector<std::uint8_t> out;
    out.reserve(kFileHeaderSize + 40 + imageSize);
    PutHeaders(out, width, height, bytesPerPixel * 8, 0, imageSize);
    for (int y = height - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::size_t start = out.size();
        for (int x = 0; x < width; ++x) {
            out.push_back(std::uint8_t(qBlue(line[x])));
            out.push_back(std::uint8_t(qGreen(line[x])));
            out.push_back(std::uint8_t(qRed(line[x])));
            if (withAlphaByte) out.push_back(0);
        }
        out.resize(start + stride, 0);
    }
    return out;
}

bool IsMono(const QImage& image) {
    return image.format() == QImage::Format_Mono;
}

// An opaque 32-bit copy of `image`.
QImage ToRgb32(const QImage& image) {
    QImage copy = image.convertToFormat(QImage::Format_RGB32);
    if (copy.isNull()) throw EOutOfResources("Out of memory for a bitmap");
    // Our pixels are opaque whatever the source held in its alpha channel.
    for (int y = 0; y < copy.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x) line[x] |= 0xFF000000u;
    }
    return copy;
}

// `image` reduced to one bit a pixel by the toolkit's threshold conversion, black at index 0.
QImage ToMono(const QImage& image) {
    QImage mono = image.convertToFormat(QImage::Format_RGB32)
                      .convertToFormat(QImage::Format_Mono, Qt::MonoOnly | Qt::ThresholdDither);
    if (mono.isNull()) throw EOutOfResources("Out of memory for a bitmap");
    // The toolkit may list white first; the pixels follow their colours when the table turns.
    if (mono.colorCount() == 2 && qGray(mono.color(0)) > qGray(mono.color(1))) mono.invertPixels();
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    return mono;
}

std::vector<std::uint8_t> ReadRest(TStream& stream) {
    std::int64_t remaining = stream.Size() - stream.Position();
    if (remaining < 0) remaining = 0;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(remaining));
    if (remaining > 0) stream.ReadBuffer(bytes.data(), remaining);
    return bytes;
}

}  // namespace

// The canvas of a bitmap: a device context over the bitmap's own pixels (a 32-bit working copy
// of a 1-bit bitmap's), made on first use and dropped whenever the pixels are reallocated.
class BitmapCanvas : public TCanvas {
public:
    explicit BitmapCanvas(TBitmap& bitmap) : m_bitmap(bitmap) {
        OnChange = [this](TObject*) { m_bitmap.PixelsChanged(); };
    }
    void Release() {
        SetHandle(nullptr);
        m_dc.reset();
        m_work = QImage();
    }
    // The working copy of a 1-bit bitmap; null otherwise or before the first drawing.
    QImage& Work() { return m_work; }

protected:
    void CreateHandle() override {
        if (m_bitmap.m_image.isNull()) return;
        QImage* surface = &m_bitmap.m_image;
        if (IsMono(m_bitmap.m_image)) {
            m_work = ToRgb32(m_bitmap.m_image);
            surface = &m_work;
        }
        m_dc = std::make_unique<platform::DeviceContext>(*surface);
        SetHandle(m_dc.get());
    }

private:
    TBitmap& m_bitmap;
    QImage m_work;
    std::unique_ptr<platform::DeviceContext> m_dc;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() = default;

void TBitmap::Assign(const TPersistent* source) {
    if (!source) {
        SetImage(QImage());
        return;
    }
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
        if (bitmap == this) return;
        m_pixelFormat = bitmap->m_pixelFormat;
        m_transparentMode = bitmap->m_transparentMode;
        m_transparentColor = bitmap->m_transparentColor;
        SetTransparent(bitmap->Transparent());
        SetImage(bitmap->Image());
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == Width() && height == Height()) return;
    QImage image;
    if (width > 0 && height > 0) {
        image = QImage(width, height, QImage::Format_RGB32);
        if (image.isNull()) throw EOutOfResources("Out of memory for a bitmap");
        image.fill(0xFF000000u);
        const QImage old = IsMono(Image()) ? ToRgb32(m_image) : m_image;
        for (int y = 0; y < std::min(height, Height()); ++y) {
            std::memcpy(image.scanLine(y), old.constScanLine(y),
                        std::size_t(std::min(width, Width())) * 4);
        }
    }
    Store(image);
}

void TBitmap::SetImage(const QImage& image) {
    Store(image);
}

void TBitmap::Store(const QImage& image) {
    QImage pixels;
    if (!image.isNull()) {
        pixels = m_pixelFormat == TPixelFormat::pf1bit ? ToMono(image) : ToRgb32(image);
    }
    if (m_canvas) static_cast<BitmapCanvas*>(m_canvas.get())->Release();
    m_image = std::move(pixels);
    m_unsettled = false;
    Changed();
}

const QImage& TBitmap::Image() const {
    Settle();
    return m_image;
}

const std::uint8_t* TBitmap::ScanLine(int y) const {
    if (y < 0 || y >= Height()) throw EInvalidGraphic("Scan line index out of range");
    return Image().constScanLine(y);
}

void TBitmap::Settle() const {
    if (!m_unsettled || !m_canvas) return;
    m_unsettled = false;
    QImage& work = static_cast<BitmapCanvas*>(m_canvas.get())->Work();
    if (work.isNull()) return;
    m_image = ToMono(work);
    // The canvas reads what the bitmap now holds; its context keeps drawing on the same image.
    work = ToRgb32(m_image);
}

TCanvas* TBitmap::Canvas() {
    if (!m_canvas) m_canvas = std::make_unique<BitmapCanvas>(*this);
    return m_canvas.get();
}

void TBitmap::PixelsChanged() {
    if (IsMono(m_image)) m_unsettled = true;
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == m_pixelFormat) return;
    const bool wasMono = m_pixelFormat == TPixelFormat::pf1bit;
    m_pixelFormat = format;
    if (wasMono != (format == TPixelFormat::pf1bit) && !m_image.isNull()) {
        Store(Image());
    } else {
        Changed();
    }
}

TColor TBitmap::TransparentColor() const {
    if (m_transparentMode == TTransparentMode::tmFixed) return m_transparentColor;
    if (Empty()) return clDefault;
    return platform::FromQRgb(Image().pixel(0, Height() - 1));
}

void TBitmap::SetTransparentColor(TColor color) {
    m_transparentColor = color;
    m_transparentMode = color == clDefault ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
    if (mode == m_transparentMode) return;
    if (mode == TTransparentMode::tmFixed && m_transparentColor == clDefault) {
        m_transparentColor = TransparentColor();
    }
    m_transparentMode = mode;
    Changed();
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
    if (Empty() || rect.IsEmpty()) return;
    platform::DeviceContext& dc = *canvas.Handle();
    QImage source = IsMono(Image()) ? ToRgb32(m_image) : m_image;
    if (rect.Width() != Width() || rect.Height() != Height()) {
        source = source.scaled(rect.Width(), rect.Height(), Qt::IgnoreAspectRatio,
                               Qt::FastTransformation);
        if (source.isNull()) throw EOutOfResources("Out of memory while scaling a bitmap");
    }
    if (!Transparent()) {
        platform::DeviceContext src(source);
        dc.BitBlt(rect.Left, rect.Top, rect.Width(), rect.Height(), &src, 0, 0, canvas.CopyMode());
        return;
    }
    // Transparent: the destination keeps its pixels where the source has the transparent
    // colour. A mask (white there, black elsewhere) is ANDed in, then the source with those
    // pixels made black is ORed over it.
    const QRgb key = platform::ToQRgb(TransparentColor()) & 0xFFFFFFu;
    QImage mask(source.size(), QImage::Format_RGB32);
    QImage masked = source.copy();
    if (mask.isNull() || masked.isNull()) throw EOutOfResources("Out of memory for a mask");
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* m = reinterpret_cast<QRgb*>(mask.scanLine(y));
        auto* out = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            bool clear = (in[x] & 0xFFFFFFu) == key;
            m[x] = clear ? 0xFFFFFFFFu : 0xFF000000u;
            if (clear) out[x] = 0xFF000000u;
        }
    }
    platform::DeviceContext maskDc(mask);
    platform::DeviceContext maskedDc(masked);
    dc.BitBlt(rect.Left, rect.Top, rect.Width(), rect.Height(), &maskDc, 0, 0, platform::SRCAND);
    dc.BitBlt(rect.Left, rect.Top, rect.Width(), rect.Height(), &maskedDc, 0, 0,
              platform::SRCPAINT);
}

void TBitmap::LoadBmp(const std::uint8_t* data, std::size_t size) {
    CheckBmp(data, size);
    QImage image = QImage::fromData(data, static_cast<int>(size), "BMP");
    if (image.isNull()) Invalid("the pixels cannot be decoded");
    int bits = Le16(data + kFileHeaderSize + (Le32(data + kFileHeaderSize) == 12 ? 10 : 14));
    switch (bits) {
        case 1:
            m_pixelFormat = TPixelFormat::pf1bit;
            break;
        case 4:
            m_pixelFormat = TPixelFormat::pf4bit;
            break;
        case 8:
            m_pixelFormat = TPixelFormat::pf8bit;
            break;
        case 16:
            m_pixelFormat = TPixelFormat::pf16bit;
            break;
        case 24:
            m_pixelFormat = TPixelFormat::pf24bit;
            break;
        default:
            m_pixelFormat = TPixelFormat::pf32bit;
            break;
    }
    SetImage(image);
}

void TBitmap::LoadFromStream(TStream& stream) {
    std::vector<std::uint8_t> bytes = ReadRest(stream);
    LoadBmp(bytes.data(), bytes.size());
}

void TBitmap::SaveToStream(TStream& stream) const {
    if (Empty()) return;
    std::vector<std::uint8_t> bytes = EncodeBmp(Image(), m_pixelFormat == TPixelFormat::pf32bit);
    stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void TBitmap::LoadFromFile(const std::string& path) {
    TFileStream file(path, fmOpenRead);
    LoadFromStream(file);
}

void TBitmap::SaveToFile(const std::string& path) const {
    TFileStream file(path, fmCreate);
    SaveToStream(file);
}

void TBitmap::DefineProperties(TFiler& filer) {
    TGraphic::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Data", [this](TStream& stream) { ReadDefinedData(stream); },
        [this](TStream& stream) { WriteData(stream); }, !Empty());
}

void TBitmap::ReadDefinedData(TStream& stream) {
    // The byte count of the stored form covers the rest of the data exactly; a plain BMP file,
    // which a hand-made design most easily holds, starts with its signature instead.
    const std::vector<std::uint8_t> bytes = ReadRest(stream);
    const bool counted = bytes.size() >= 4 && Le32(bytes.data()) == bytes.size() - 4;
    if (!counted && bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        LoadBmp(bytes.data(), bytes.size());
        return;
    }
    TMemoryStream data;
    if (!bytes.empty()) data.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    data.SetPosition(0);
    ReadData(data);
}

void TBitmap::ReadData(TStream& stream) {
    std::uint8_t sizeBytes[4];
    stream.ReadBuffer(sizeBytes, 4);
    std::uint32_t size = Le32(sizeBytes);
    std::int64_t remaining = stream.Size() - stream.Position();
    if (size > remaining) Invalid("the stored size exceeds the data");
    if (size == 0) {
        SetImage(QImage());
        return;
    }
    std::vector<std::uint8_t> bytes(size);
    stream.ReadBuffer(bytes.data(), size);
    LoadBmp(bytes.data(), bytes.size());
}

void TBitmap::WriteData(TStream& stream) const {
    TMemoryStream bmp;
    SaveToStream(bmp);
    std::vector<std::uint8_t> size;
    PutLe32(size, static_cast<std::uint32_t>(bmp.Size()));
    stream.WriteBuffer(size.data(), 4);
    bmp.SaveToStream(stream);
}

}  // namespace kiv
