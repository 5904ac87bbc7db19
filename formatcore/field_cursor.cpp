// Bounds-checked field reads over one header.
#include "formatcore/field_cursor.h"

#include "formatcore/endian.h"

namespace kiv::format {

bool FieldCursor::Holds(std::uint64_t n) {
    if (n <= Left()) return true;
    m_fault = FieldFault::PastEnd;
    return false;
}

std::optional<std::uint8_t> FieldCursor::U8() {
    return Take<std::uint8_t>([](const std::uint8_t* p) { return *p; });
}

std::optional<std::uint16_t> FieldCursor::U16() {
    return Take<std::uint16_t>(Le16);
}

std::optional<std::uint32_t> FieldCursor::U32() {
    return Take<std::uint32_t>(Le32);
}

std::optional<std::uint64_t> FieldCursor::U64() {
    return Take<std::uint64_t>(Le64);
}

std::optional<std::uint64_t> FieldCursor::Vint() {
    const format::Vint v = DecodeVint(Here(), Left());
    if (!v.Ok()) {
        m_fault = v.fault;
        return std::nullopt;
    }
    m_pos += v.length;
    return v.value;
}

std::optional<std::string_view> FieldCursor::Bytes(std::uint64_t n) {
    if (!Holds(n)) return std::nullopt;
    const std::string_view bytes(reinterpret_cast<const char*>(Here()),
                                 static_cast<std::size_t>(n));
    m_pos += bytes.size();
    return bytes;
}

bool FieldCursor::Skip(std::uint64_t n) {
    if (!Holds(n)) return false;
    m_pos += static_cast<std::size_t>(n);
    return true;
}

}  // namespace kiv::format
