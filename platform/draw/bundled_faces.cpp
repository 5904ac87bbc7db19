// Loads the embedded face files once, on first use (thread-safe static initialisation).
#include "platform/draw/bundled_faces.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>

extern const std::uint8_t kivTerminalFaceData[];
extern const std::size_t kivTerminalFaceSize;
extern const std::uint8_t kivSansFaceData[];
extern const std::size_t kivSansFaceSize;

namespace kiv::platform {

const RasterFace& TerminalFace() {
    static const RasterFace face = RasterFace::Load(
        std::span<const std::uint8_t>(kivTerminalFaceData, kivTerminalFaceSize), "terminal.kfnt");
    return face;
}

const RasterFace& SansFace() {
    static const RasterFace face = RasterFace::Load(
        std::span<const std::uint8_t>(kivSansFaceData, kivSansFaceSize), "sans.kfnt");
    return face;
}

const RasterFace& ResolveFace(const Font& font) {
    const std::string_view terminal = "terminal";
    const bool named =
        std::equal(font.name.begin(), font.name.end(), terminal.begin(), terminal.end(),
                   [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    return font.IsOem() || named ? TerminalFace() : SansFace();
}

}  // namespace kiv::platform
