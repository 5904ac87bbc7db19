// The model and helpers of the RAR 5.0 decoder tests, and the stream made by RAR.
#include "tests/unrar/rar5_streams.h"

#include <algorithm>

#include "tests/unrar/decoder_io.h"
#include "unrar/rar_error.h"

namespace kiv::test {

void Rar5Model::Copy(uint64_t distance, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) {
        const bool before = distance == 0 || distance > out.size();
        out.push_back(before ? '\0' : out[out.size() - distance]);
    }
}

void Rar5Model::Match(uint32_t length, uint64_t distance) {
    m_recent = {distance, m_recent[0], m_recent[1], m_recent[2]};
    m_lastLength = length;
    Copy(distance, length);
}

void Rar5Model::Repeat(unsigned index, uint32_t length) {
    const uint64_t distance = m_recent[index];
    std::copy_backward(m_recent.begin(), m_recent.begin() + index, m_recent.begin() + index + 1);
    m_recent[0] = distance;
    m_lastLength = length;
    Copy(distance, length);
}

void Rar5Model::RepeatLast() {
    if (m_lastLength != 0) Copy(m_recent[0], m_lastLength);
}

rar::DecodeParams Rar5Params(uint64_t size, uint64_t dictionary, bool solid, uint32_t version) {
    rar::DecodeParams p;
    p.unpVer = version;
    p.unpSize = size;
    p.dictionarySize = dictionary;
    p.solid = solid;
    return p;
}

std::string Rar5Decode(rar::Decoder& decoder, const std::string& stream, const rar::DecodeParams& p,
                       size_t chunk) {
    ChunkedInput in(stream, chunk);
    StringSink out;
    decoder.Decode(in, out, p);
    return out.text;
}

std::string DeltaEncode(const std::string& plain, unsigned channels) {
    std::string stored;
    for (unsigned c = 0; c < channels; ++c) {
        uint8_t previous = 0;
        for (size_t at = c; at < plain.size(); at += channels) {
            stored.push_back(static_cast<char>(previous - static_cast<uint8_t>(plain[at])));
            previous = static_cast<uint8_t>(plain[at]);
        }
    }
    return stored;
}

std::string X86Encode(std::string data, uint64_t fileOffset, bool withE9) {
    constexpr int64_t kSpan = 0x1000000;
    for (size_t i = 0; i + 4 < data.size();) {
        const auto opcode = static_cast<uint8_t>(data[i++]);
        if (opcode != 0xE8 && !(withE9 && opcode == 0xE9)) continue;
        const auto offset = static_cast<int64_t>((fileOffset + i) % kSpan);
        uint32_t raw = 0;
        for (int k = 0; k < 4; ++k) raw |= uint32_t{static_cast<uint8_t>(data[i + k])} << (8 * k);
        const auto relative = static_cast<int64_t>(static_cast<int32_t>(raw));
        int64_t stored = relative;
        if (relative >= -offset && relative < kSpan - offset) {
            stored = relative + offset;
        } else if (relative >= kSpan - offset && relative < kSpan) {
            stored = relative - kSpan;
        }
        for (int k = 0; k < 4; ++k) data[i + k] = static_cast<char>(stored >> (8 * k));
        i += 4;
    }
    return data;
}

std::string ArmEncode(std::string data, uint64_t fileOffset) {
    for (size_t i = 0; i + 3 < data.size(); i += 4) {
        if (static_cast<uint8_t>(data[i + 3]) != 0xEB) continue;
        uint32_t target = 0;
        for (int k = 0; k < 3; ++k)
            target |= uint32_t{static_cast<uint8_t>(data[i + k])} << (8 * k);
        target += static_cast<uint32_t>((fileOffset + i) / 4);
        for (int k = 0; k < 3; ++k) data[i + k] = static_cast<char>(target >> (8 * k));
    }
    return data;
}

int RarErrorOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const rar::RarError& e) {
        return e.Code();
    }
    return 0;
}

// test_read_format_rar5_compressed.rar of libarchive's tests: the packed data of test.bin.
const std::string kRarMadeStream(
    "\xca\xf4\x65\x01\x27\x65\x60\x54\x1f\x55\x76\x5d\xbf\x94\x92\x71"
    "\xc9\xcf\x65\x96\x59\x0c\x70\xd9\x65\x93\x18\xc5\x92\x13\x86\x42"
    "\x49\x24\xe1\x90\x90\x92\x49\x24\x24\xe3\x92\x49\x21\x08\x49\x24"
    "\x21\x09\x24\x90\x92\x48\x42\x12\x12\xcd\xb5\x6f\x7b\x7d\x33\x0e"
    "\x80\x7d\x1d\x03\xae\x3f\x9e\xba\x9f\xf7\x41\xfe\xf7\xda\xf7\xdd"
    "\x79\xaf\x3a\x5f\xe8\x00\x40\x01\x00\xc8\x20\x9f\x9f\x8f\x6f\x5f"
    "\x4f\x2f\x1e\xfe\xee\xce\xbe\xae\x9e\x8e\x7e\x5e\x4e\x3e\x2e\x1e"
    "\x0d\xfd\xdd\xcd\xad\x9d\x7d\x6d\x5d\x4d\x3d\x2d\x0c\xfc\xdc\xcc"
    "\xac\x9c\x8c\x7c\x6c\x5c\x4c\x3c\x1b\xfb\xdb\xcb\xbb\x9b\x8b\x7b"
    "\x6b\x5b\x4b\x3b\x2b\x1a\xfa\xea\xda\xba\xaa\x9a\x7a\x5a\x4a\x3a"
    "\x2a\x1a\x09\xf9\xd9\xc9\xb9\x99\x79\x69\x49\x34\xb2\x52\x32\x11"
    "\xe8\x50\x1f\x8e\x8c\x8a\x89\x87\x3a\x70\xd9\xa8\x68\x48\x28\x07"
    "\xe7\xc7\xb7\xa7\x87\x67\x47\x37\x27\x16\xf6\xd6\xb6\x96\x76\x56"
    "\x36\x15\xf5\xd5\xb5\x95\x75\x55\x32\x13\x7f\x5f\xc8\xfd\x02\x53"
    "\xe8\x94\xe7\xf8\x44\x97\x45\x8a\x30\x67\x96\x17\x6a\x38\x29\xa6"
    "\x29\x94\x17\xe6\x42\xd1\x76\x9d\x46\x32\xc3\x38\xc0\xa8\x47\xff"
    "\xa0\x94\xc6\x69\x0a\x5f\x65\x50\xac\x56\x56\x0b\x8b\x01\x91\x68"
    "\x37\x2e\x07\x75\xe1\x06\xc0\x0f\x31\x04\x8c\x82\x79\x98\x56\x34"
    "\x0b\xa6\xa1\x96\xd8\x37\x9b\x87\x83\x80\x60\x72\x0f\xae\x61\x13"
    "\xa0\xa6\x76\x18\x0f\x03\x6d\xe8\x7b\xbd\x87\x57\xd0\x8d\xfc\x58"
    "\x40\x8d\x18\x31\xe7\x0a\x1e\x4d\x09\x83\x62\xf8\xe0\xe6\x3a\x1c"
    "\x22\x04\xa9\xe1\x85\x16\x3b\x63\x43\xf9\xf1\x50\x80\x6c\x21\x0d"
    "\x08\x84\xd2\x31\x9c\x90\x2f\x25\x00",
    361);

}  // namespace kiv::test
