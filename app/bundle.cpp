// The bundled files, linked in whole by the assembler from the paths the build gives.
#include "app/bundle.h"

#include <cstdint>
#include <string>
#include <vector>

// Each file becomes read-only bytes between a start and an end symbol.
#define KIV_BUNDLE(symbol, path)                     \
    __asm__(                                         \
        ".section .rodata\n"                         \
        ".balign 16\n"                               \
        ".globl " #symbol "_start\n.hidden " #symbol \
        "_start\n"                                   \
        ".globl " #symbol "_end\n.hidden " #symbol   \
        "_end\n"                                     \
        ".type " #symbol "_start, @object\n" #symbol \
        "_start:\n"                                  \
        ".incbin \"" path "\"\n" #symbol             \
        "_end:\n"                                    \
        ".byte 0\n"                                  \
        ".previous\n");                              \
    extern "C" const char symbol##_start[];          \
    extern "C" const char symbol##_end[]

KIV_BUNDLE(kiv_main_design, KIV_BUNDLE_MAIN_DESIGN);
KIV_BUNDLE(kiv_path_design, KIV_BUNDLE_PATH_DESIGN);
KIV_BUNDLE(kiv_background, KIV_BUNDLE_BACKGROUND);
KIV_BUNDLE(kiv_libunrar, KIV_BUNDLE_LIBUNRAR);

namespace kiv::bundle {

namespace {

std::string_view Bytes(const char* start, const char* end) {
    return {start, static_cast<std::size_t>(end - start)};
}

}  // namespace

std::string_view MainDesign() {
    return Bytes(kiv_main_design_start, kiv_main_design_end);
}

std::string_view PathDesign() {
    return Bytes(kiv_path_design_start, kiv_path_design_end);
}

BundledFileResolver Files() {
    return [](const std::string& name) -> std::optional<std::vector<std::uint8_t>> {
        std::string_view bytes;
        if (name == "kiv_background.bmp") {
            bytes = Bytes(kiv_background_start, kiv_background_end);
        } else if (name == "libunrar.so") {
            bytes = Bytes(kiv_libunrar_start, kiv_libunrar_end);
        } else {
            return std::nullopt;
        }
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    };
}

}  // namespace kiv::bundle
