// The format core's field cursor with the library's errors, for reading one header in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "formatcore/field_cursor.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

// Every read that does not fit throws RarError(ERAR_BAD_DATA) saying why.
class Cursor {
public:
    Cursor(const uint8_t* data, size_t size) : m_fields(data, size) {}

    size_t Position() const { return m_fields.Position(); }
    size_t Left() const { return m_fields.Left(); }
    const uint8_t* Here() const { return m_fields.Here(); }

    uint8_t U8() { return Must(m_fields.U8()); }
    uint16_t U16() { return Must(m_fields.U16()); }
    uint32_t U32() { return Must(m_fields.U32()); }
    uint64_t U64() { return Must(m_fields.U64()); }
    uint64_t Vint() { return Must(m_fields.Vint()); }
    std::string Bytes(size_t n) { return std::string(Must(m_fields.Bytes(n))); }
    void Skip(size_t n) {
        if (!m_fields.Skip(n)) Fail(format::Describe(m_fields.Fault()));
    }

    // The core cursor, for the layout readers of the format core; Must takes their result.
    format::FieldCursor& Fields() { return m_fields; }
    template <class T>
    T Must(std::optional<T> value) const {
        if (!value) Fail(format::Describe(m_fields.Fault()));
        return *std::move(value);
    }

    [[noreturn]] static void Fail(const std::string& why) {
        throw RarError(ERAR_BAD_DATA, "damaged header: " + why);
    }

private:
    format::FieldCursor m_fields;
};

}  // namespace kiv::rar
