// libFuzzer target: the raster face loader on arbitrary bytes; a face it accepts is then read.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

#include "platform/draw/raster_face.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto face =
            kiv::platform::RasterFace::Load(std::span<const std::uint8_t>(data, size), "fuzz");
        int ink = face.AverageCharWidth();
        for (char32_t cp = 0; cp < 0x300; ++cp) {
            const kiv::platform::RasterGlyph& g = face.Glyph(cp);
            for (int row = 0; row < face.LineHeight(); ++row)
                for (int x = 0; x < g.width; ++x) ink += g.Pixel(x, row);
        }
        return ink < 0;
    } catch (const std::runtime_error&) {
        return 0;
    }
}
