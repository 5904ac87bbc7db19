// ASCII-art rendering of tiny test images.
#include "tests/support/pixel_art.h"

#include "platform/draw/qt_convert.h"

namespace kiv::test {

QImage BlankImage(int width, int height, TColor background) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(platform::ToQRgb(background));
    return image;
}

QImage FromArt(const std::vector<std::string>& rows, const Palette& palette) {
    QImage image(int(rows.at(0).size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, platform::ToQRgb(palette.at(rows[y].at(x))));
    return image;
}

std::string RowArt(const QImage& image, int y, const Palette& palette) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
        const TColor c = platform::FromQRgb(image.pixel(x, y));
        char ch = '?';
        for (const auto& [key, value] : palette) {
            if (ColorToRGB(value) == c) {
                ch = key;
                break;
            }
        }
        row.push_back(ch);
    }
    return row;
}

std::string ToArt(const QImage& image, const Palette& palette) {
    std::string out;
    for (int y = 0; y < image.height(); ++y) {
        if (y) out.push_back('\n');
        out += RowArt(image, y, palette);
    }
    return out;
}

std::string Art(const std::vector<std::string>& rows) {
    std::string out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i) out.push_back('\n');
        out += rows[i];
    }
    return out;
}

std::string RegionArt(const QRegion& region, int width, int height) {
    std::string out;
    for (int y = 0; y < height; ++y) {
        if (y) out.push_back('\n');
        for (int x = 0; x < width; ++x) out.push_back(region.contains(QPoint(x, y)) ? '#' : '.');
    }
    return out;
}

QRegion RegionFromArt(const std::vector<std::string>& rows) {
    QRegion region;
    for (int y = 0; y < int(rows.size()); ++y)
        for (int x = 0; x < int(rows[y].size()); ++x)
            if (rows[y][x] == '#') region += QRect(x, y, 1, 1);
    return region;
}

QRegion RegionOfColour(const QImage& image, TColor ink) {
    QRegion region;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (platform::FromQRgb(image.pixel(x, y)) == ColorToRGB(ink))
                region += QRect(x, y, 1, 1);
    return region;
}

int DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) ++count;
    return count;
}

QImage Reference(int width, int height, TColor background,
                 const std::function<void(platform::DeviceContext&)>& draw) {
    QImage image = BlankImage(width, height, background);
    platform::DeviceContext dc(image);
    draw(dc);
    return image;
}

platform::Font TerminalFont() {
    platform::Font font;
    font.name = "Terminal";
    font.charset = platform::OEM_CHARSET;
    font.height = -8;
    return font;
}

void SelectTerminalText(platform::DeviceContext& dc, TColor color) {
    dc.SelectFont(TerminalFont());
    dc.SetTextColor(ColorToRGB(color));
    dc.SetBkMode(platform::TRANSPARENT);
}

}  // namespace kiv::test
