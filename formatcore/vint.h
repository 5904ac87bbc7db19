// The RAR 5.0 variable-length integer: 7 bits a byte, low groups first, the high bit of each
// byte set while more bytes follow.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kiv::format {

// Why a field could not be read.
enum class FieldFault {
    None,
    PastEnd,     // the field runs past the end of the bytes it must lie in
    Overflow,    // a vint whose value needs more than 64 bits
    TooLong,     // a vint longer than its limit
    OutOfRange,  // a value the layout does not allow there
};

// A short text for messages ("integer overflow", ...).
const char* Describe(FieldFault fault);

// 64 bits in 7-bit groups; leading 0x80 bytes (zero with more to come) may pad a vint up to it.
constexpr std::size_t kMaxVintLength = 10;

struct Vint {
    std::uint64_t value = 0;
    std::size_t length = 0;  // bytes taken, when fault is None
    FieldFault fault = FieldFault::None;
    bool Ok() const { return fault == FieldFault::None; }
};

// Decodes the vint that starts at p, where n bytes are available, allowing at most maxLength
// bytes. Faults: PastEnd when the n bytes end inside it (checked before the length limit, byte
// by byte), Overflow when its tenth byte carries more than the 64th bit, TooLong when it has not
// ended after maxLength bytes.
Vint DecodeVint(const std::uint8_t* p, std::size_t n, std::size_t maxLength = kMaxVintLength);

}  // namespace kiv::format
