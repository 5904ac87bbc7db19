// ASCII-art rendering of tiny test images.
#include "pixel_art.h"

#include "platform/draw/qt_convert.h"

namespace kiv::test {

QImage BlankImage(int width, int height, TColor background) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(platform::ToQRgb(background));
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

}  // namespace kiv::test
