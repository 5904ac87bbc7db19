// UTF-8 validation and code page 437 conversion through glibc iconv.
#include "platform/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <type_traits>

namespace kiv::platform {
namespace {

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using Iconv = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

// What a conversion without iconv still guarantees: ASCII kept, every other byte U+FFFD.
std::string AsciiWithReplacements(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x80) {
            out.push_back(c);
        } else {
            out.append("\xEF\xBF\xBD");
        }
    }
    return out;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        std::size_t length;
        // The allowed range of the second byte excludes overlong forms, surrogates and values
        // above U+10FFFF in one check.
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (static_cast<std::size_t>(end - p) < length) return false;
        if (p[1] < low || p[1] > high) return false;
        for (std::size_t i = 2; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
        }
        p += length;
    }
    return true;
}

std::string OemToUtf8(std::string_view text) {
    if (IsValidUtf8(text)) return std::string(text);

    const iconv_t raw = iconv_open("UTF-8", "CP437");
    if (raw == reinterpret_cast<iconv_t>(-1)) return AsciiWithReplacements(text);
    const Iconv cd(raw);
    // Every code page 437 byte becomes at most three UTF-8 bytes.
    std::string out(text.size() * 3, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        // Code page 437 assigns all 256 bytes, so this means a broken converter.
        return AsciiWithReplacements(text);
    }
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace kiv::platform
