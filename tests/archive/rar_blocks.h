// Hand-made RAR headers for the tests that need what the fixture writer does not write:
// headers without their data (sizes above 4 GiB), odd block types and damage.
#pragma once

#include <cstdint>
#include <string>

namespace kiv::test {

inline void Put(std::string& b, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::string Rar4Marker() {
    return std::string("Rar!\x1A\x07\x00", 7);
}

// A main header of 13 bytes (header CRCs are not looked at by the pre-scan).
inline std::string Rar4Main(std::uint16_t flags = 0) {
    std::string h;
    Put(h, 0, 2);
    h += '\x73';
    Put(h, flags, 2);
    Put(h, 13, 2);
    Put(h, 0, 6);
    return h;
}

struct Rar4File {
    std::string name;
    std::uint64_t packed = 0;
    std::uint64_t unpacked = 0;
    std::uint16_t flags = 0x8000;
    std::uint8_t host = 2;
    std::uint32_t attr = 0x20;
    std::uint32_t dosTime = 0;
};

inline Rar4File R4(const std::string& name, std::uint64_t packed = 0, std::uint64_t unpacked = 0) {
    Rar4File f;
    f.name = name;
    f.packed = packed;
    f.unpacked = unpacked;
    return f;
}

inline std::string Rar4FileHeader(const Rar4File& f) {
    const bool large = f.packed > 0xFFFFFFFFu || f.unpacked > 0xFFFFFFFFu;
    const std::uint16_t flags = static_cast<std::uint16_t>(f.flags | (large ? 0x100 : 0));
    std::string h;
    Put(h, 0, 2);
    h += '\x74';
    Put(h, flags, 2);
    Put(h, 32 + (large ? 8 : 0) + f.name.size(), 2);
    Put(h, f.packed & 0xFFFFFFFF, 4);
    Put(h, f.unpacked & 0xFFFFFFFF, 4);
    h += static_cast<char>(f.host);
    Put(h, 0, 4);
    Put(h, f.dosTime, 4);
    h += '\x1D';
    h += '\x30';
    Put(h, f.name.size(), 2);
    Put(h, f.attr, 4);
    if (large) {
        Put(h, f.packed >> 32, 4);
        Put(h, f.unpacked >> 32, 4);
    }
    return h + f.name;
}

// A block of another type without data (and without the long-block flag).
inline std::string Rar4Block(std::uint8_t type, std::uint16_t size, std::uint16_t flags = 0) {
    std::string h;
    Put(h, 0, 2);
    h += static_cast<char>(type);
    Put(h, flags, 2);
    Put(h, size, 2);
    h.resize(size, '\0');
    return h;
}

inline void PutVint(std::string& b, std::uint64_t v) {
    do {
        std::uint8_t byte = v & 0x7F;
        v >>= 7;
        if (v) byte |= 0x80;
        b += static_cast<char>(byte);
    } while (v);
}

inline std::string Rar5Marker() {
    return std::string("Rar!\x1A\x07\x01\x00", 8);
}

// A RAR 5.0 block around `body` (type, flags and the rest); the CRC is not looked at.
inline std::string Rar5Block(const std::string& body) {
    std::string b;
    Put(b, 0, 4);
    PutVint(b, body.size());
    return b + body;
}

inline std::string Rar5Main() {
    std::string body;
    PutVint(body, 1);
    PutVint(body, 0);
    PutVint(body, 0);
    return Rar5Block(body);
}

inline std::string Rar5FileHeader(const std::string& name, std::uint64_t packed,
                                  std::uint64_t unpacked, bool continued = false,
                                  bool folder = false) {
    std::string body;
    PutVint(body, 2);
    PutVint(body, 0x0002 | (continued ? 0x0008 : 0));
    PutVint(body, packed);
    PutVint(body, folder ? 1 : 0);
    PutVint(body, unpacked);
    PutVint(body, 0x20);
    PutVint(body, 0);
    PutVint(body, 0);
    PutVint(body, name.size());
    body += name;
    return Rar5Block(body);
}

inline std::string Rar5End() {
    std::string body;
    PutVint(body, 5);
    PutVint(body, 0);
    PutVint(body, 0);
    return Rar5Block(body);
}

}  // namespace kiv::test
