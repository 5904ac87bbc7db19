// Decoding RAR 5.0 vints with their length and overflow checks.
#include "formatcore/vint.h"

namespace kiv::format {

const char* Describe(FieldFault fault) {
    switch (fault) {
        case FieldFault::None:
            return "no fault";
        case FieldFault::PastEnd:
            return "field runs past the header's end";
        case FieldFault::Overflow:
            return "integer overflow";
        case FieldFault::TooLong:
            return "integer too long";
        case FieldFault::OutOfRange:
            return "value out of range";
    }
    return "unknown fault";
}

Vint DecodeVint(const std::uint8_t* p, std::size_t n, std::size_t maxLength) {
    Vint v;
    for (std::size_t i = 0; i < maxLength && i < kMaxVintLength; ++i) {
        if (i >= n) return {0, 0, FieldFault::PastEnd};
        const std::uint8_t byte = p[i];
        const unsigned shift = static_cast<unsigned>(7 * i);
        // The tenth byte holds bit 63 alone; anything above it does not fit.
        if (shift == 63 && (byte & 0x7E) != 0) return {0, 0, FieldFault::Overflow};
        v.value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            v.length = i + 1;
            return v;
        }
    }
    return {0, 0, FieldFault::TooLong};
}

}  // namespace kiv::format
