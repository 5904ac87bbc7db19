// Bounds-checked little-endian and vint reading over one header held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

class Cursor {
public:
    Cursor(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t Position() const { return m_pos; }
    size_t Left() const { return m_size - m_pos; }
    const uint8_t* Here() const { return m_data + m_pos; }

    uint8_t U8() {
        Need(1);
        return m_data[m_pos++];
    }
    uint16_t U16() {
        Need(2);
        uint16_t v = static_cast<uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    uint32_t U32() {
        Need(4);
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | m_data[m_pos + static_cast<size_t>(i)];
        m_pos += 4;
        return v;
    }
    uint64_t U64() {
        uint64_t low = U32();
        return low | (static_cast<uint64_t>(U32()) << 32);
    }
    // RAR 5.0 variable-length integer: 7 bits per byte, low bits first, at most 10 bytes.
    uint64_t Vint() {
        uint64_t v = 0;
        for (int shift = 0; shift < 70; shift += 7) {
            uint8_t b = U8();
            if (shift == 63 && (b & 0x7e) != 0) Fail("integer overflow");
            v |= static_cast<uint64_t>(b & 0x7f) << shift;
            if ((b & 0x80) == 0) return v;
        }
        Fail("integer too long");
    }
    std::string Bytes(size_t n) {
        Need(n);
        std::string s(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return s;
    }
    void Skip(size_t n) {
        Need(n);
        m_pos += n;
    }

    [[noreturn]] static void Fail(const std::string& why) {
        throw RarError(ERAR_BAD_DATA, "damaged header: " + why);
    }

private:
    void Need(size_t n) const {
        if (n > m_size - m_pos) Fail("field runs past the header's end");
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

}  // namespace kiv::rar
