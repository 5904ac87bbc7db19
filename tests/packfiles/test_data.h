// Byte helpers shared by the file store's tests: hex literals and reproducible mixed data.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::test {

using Bytes = std::vector<std::uint8_t>;

// "5A 50 4B" -> {0x5A, 0x50, 0x4B}; blanks are ignored.
inline Bytes Hex(std::string_view text) {
    Bytes out;
    int high = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else
            continue;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return out;
}

inline Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes Repeat(const Bytes& unit, std::size_t times) {
    Bytes out;
    for (std::size_t i = 0; i < times; ++i) out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

inline Bytes Random(std::size_t n, std::uint32_t seed) {
    std::mt19937 gen(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(gen());
    return out;
}

// Stretches of noise, word-like text and byte runs of every length up to a few thousand, so that
// stored blocks, coded blocks, back references and run items all occur.
inline Bytes Mixed(std::size_t n, std::uint32_t seed) {
    static constexpr std::string_view kWords[] = {
        "the ",   "store ",      "keeps ", "files ", "inside ",   "a ",   "window ", "design; ",
        "entry ", "compressed ", "bytes ", "of ",    "library\n", "and ", "name ",   "flag. "};
    std::mt19937 gen(seed);
    Bytes out;
    out.reserve(n);
    while (out.size() < n) {
        const std::size_t left = n - out.size();
        std::size_t len = 1 + gen() % 3000;
        switch (gen() % 4) {
            case 0:  // noise
                for (std::size_t i = 0; i < len && i < left; ++i) {
                    out.push_back(static_cast<std::uint8_t>(gen()));
                }
                break;
            case 1:  // text
                while (len > 0 && out.size() < n) {
                    for (char c : kWords[gen() % std::size(kWords)]) {
                        if (out.size() == n) break;
                        out.push_back(static_cast<std::uint8_t>(c));
                    }
                    --len;
                }
                break;
            case 2: {  // a run, sometimes longer than one run item holds
                const auto b = static_cast<std::uint8_t>(gen());
                len = gen() % 2 ? len : 1 + gen() % 40;
                out.insert(out.end(), std::min(len * (1 + gen() % 3), left), b);
                break;
            }
            default:  // a short pattern repeated
                const Bytes unit = Random(1 + gen() % 20, gen());
                for (std::size_t i = 0; i < len && out.size() < n; ++i) {
                    out.push_back(unit[i % unit.size()]);
                }
        }
    }
    return out;
}

}  // namespace kiv::test
