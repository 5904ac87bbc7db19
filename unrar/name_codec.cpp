// Stored-name conversions: the RAR 1.5-4.x Unicode name form and UTF-16 to UTF-8.
#include "unrar/name_codec.h"

#include "formatcore/utf8.h"

namespace kiv::rar {

namespace {

// Names longer than this are not names; it also bounds the work on damaged input.
constexpr size_t kMaxNameUnits = 8192;

}  // namespace

std::optional<std::vector<uint16_t>> DecodeRarUnicodeName(const std::string& oemName,
                                                          const std::string& encoded) {
    // The encoded part is a high byte shared by the whole name, then groups of four 2-bit
    // opcodes, each group led by its flag byte: 0 = low byte only, 1 = low byte with the shared
    // high byte, 2 = a full 16-bit unit, 3 = a run taken from the OEM name (with a correction).
    std::vector<uint16_t> out;
    const auto* p = reinterpret_cast<const uint8_t*>(encoded.data());
    const size_t end = encoded.size();
    if (end == 0) return std::nullopt;
    size_t pos = 0;
    const uint8_t high = p[pos++];
    uint8_t flags = 0;
    int flagBits = 0;
    while (pos < end) {
        if (flagBits == 0) {
            flags = p[pos++];
            flagBits = 8;
            if (pos >= end) break;
        }
        flagBits -= 2;
        switch ((flags >> flagBits) & 3) {
            case 0:
                out.push_back(p[pos++]);
                break;
            case 1:
                out.push_back(static_cast<uint16_t>((high << 8) | p[pos++]));
                break;
            case 2:
                if (end - pos < 2) return std::nullopt;
                out.push_back(static_cast<uint16_t>(p[pos] | (p[pos + 1] << 8)));
                pos += 2;
                break;
            default: {
                uint8_t length = p[pos++];
                uint8_t correction = 0;
                uint8_t runHigh = 0;
                if (length & 0x80) {
                    if (pos >= end) return std::nullopt;
                    correction = p[pos++];
                    runHigh = high;
                }
                for (int n = (length & 0x7f) + 2; n > 0; --n) {
                    size_t at = out.size();
                    if (at >= oemName.size()) return std::nullopt;
                    uint8_t low =
                        static_cast<uint8_t>(static_cast<uint8_t>(oemName[at]) + correction);
                    out.push_back(static_cast<uint16_t>((runHigh << 8) | low));
                }
                break;
            }
        }
        if (out.size() > kMaxNameUnits) return std::nullopt;
    }
    return out;
}

// UTF-8 to UTF-16 code units; a byte that starts no valid sequence stands for itself.
std::vector<uint16_t> Utf8ToUtf16(std::string_view text) {
    std::vector<uint16_t> units;
    for (size_t i = 0; i < text.size();) {
        const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[i + k]); };
        const uint8_t lead = byte(0);
        const size_t length = lead >= 0xF0 && lead <= 0xF4  ? 4
                              : lead >= 0xE0 && lead < 0xF0 ? 3
                              : lead >= 0xC2 && lead < 0xE0 ? 2
                                                            : 1;
        uint32_t cp = length == 1 ? lead : lead & (0xFFu >> (length + 1));
        bool valid = i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            valid = (byte(k) & 0xC0) == 0x80;
            cp = (cp << 6) | (byte(k) & 0x3Fu);
        }
        const uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (!valid || (length > 1 && (cp < least || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            units.push_back(lead);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<uint16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<uint16_t>(cp));
        }
        i += length;
    }
    return units;
}

std::string Utf16ToUtf8(const std::vector<uint16_t>& units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t u = units[i];
        if (u == 0) break;
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            format::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            format::AppendUtf8(out, 0xFFFD);
        } else {
            format::AppendUtf8(out, u);
        }
    }
    return out;
}

std::string CutUtf8(const std::string& s, size_t maxBytes) {
    if (s.size() <= maxBytes) return s;
    size_t cut = maxBytes;
    while (cut > 0 && (static_cast<uint8_t>(s[cut]) & 0xC0) == 0x80) --cut;
    return s.substr(0, cut);
}

}  // namespace kiv::rar
