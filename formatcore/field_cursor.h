// Bounds-checked reads of the fields of one header held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "formatcore/vint.h"

namespace kiv::format {

// Reads little-endian integers, vints and byte runs in order from size bytes at data, which the
// caller keeps alive. A read that does not fit gives nothing, leaves the position where it was
// and records why in Fault(); the cursor never reads outside its bytes.
class FieldCursor {
public:
    FieldCursor(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t Position() const { return m_pos; }
    std::size_t Left() const { return m_size - m_pos; }
    const std::uint8_t* Here() const { return m_data + m_pos; }
    // Why the last read that gave nothing failed; None while every read has fitted.
    FieldFault Fault() const { return m_fault; }
    // True when n more bytes lie ahead; otherwise records PastEnd. Reads nothing.
    bool Holds(std::uint64_t n);

    std::optional<std::uint8_t> U8();
    std::optional<std::uint16_t> U16();
    std::optional<std::uint32_t> U32();
    std::optional<std::uint64_t> U64();
    std::optional<std::uint64_t> Vint();
    // The next n bytes, viewed in place.
    std::optional<std::string_view> Bytes(std::uint64_t n);
    bool Skip(std::uint64_t n);

private:
    // A fixed-size field decoded by decode, when it fits.
    template <typename T>
    std::optional<T> Take(T (*decode)(const std::uint8_t*)) {
        if (!Holds(sizeof(T))) return std::nullopt;
        const T value = decode(Here());
        m_pos += sizeof(T);
        return value;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    FieldFault m_fault = FieldFault::None;
};

}  // namespace kiv::format
