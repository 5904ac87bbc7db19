// The six standard filters of RAR 2.9/3.x as native code.
#include "unrar/rar3_filter_transforms.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "formatcore/endian.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar::rar3 {

namespace {

void PutLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Bits [from, from + count) of a 16-byte bundle, bit 0 being the lowest bit of its first byte.
uint32_t BundleBits(const uint8_t* bundle, unsigned from, unsigned count) {
    uint32_t v = 0;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned bit = from + i;
        v |= static_cast<uint32_t>((bundle[bit / 8] >> (bit % 8)) & 1) << i;
    }
    return v;
}

void SetBundleBits(uint8_t* bundle, unsigned from, unsigned count, uint32_t v) {
    for (unsigned i = 0; i < count; ++i) {
        const unsigned bit = from + i;
        const uint8_t mask = static_cast<uint8_t>(1u << (bit % 8));
        if ((v >> i) & 1) {
            bundle[bit / 8] |= mask;
        } else {
            bundle[bit / 8] &= static_cast<uint8_t>(~mask);
        }
    }
}

void RequireChannels(uint32_t channels, const char* filter) {
    if (channels == 0) {
        throw RarError(ERAR_BAD_DATA, std::string("a ") + filter + " filter of no channels");
    }
}

}  // namespace

void UndoE8(std::span<uint8_t> block, uint32_t fileOffset, bool alsoE9) {
    // Addresses are taken modulo this span, as the archiver converted them.
    constexpr int64_t kSpan = 0x1000000;
    const size_t size = block.size();
    for (size_t i = 0; i + 4 < size; ++i) {
        if (block[i] != 0xE8 && !(alsoE9 && block[i] == 0xE9)) continue;
        const uint32_t here = fileOffset + static_cast<uint32_t>(i) + 1;
        uint8_t* operand = &block[i + 1];
        const int64_t address = static_cast<int32_t>(format::Le32(operand));
        if (address < 0) {
            if (address + here >= 0) PutLe32(operand, static_cast<uint32_t>(address + kSpan));
        } else if (address < kSpan) {
            PutLe32(operand, static_cast<uint32_t>(address - here));
        }
        i += 4;
    }
}

void UndoItanium(std::span<uint8_t> block, uint32_t fileOffset) {
    // Which of a bundle's three slots may hold a branch, by template 0x10-0x1F (bit n: slot n).
    static constexpr std::array<uint8_t, 16> kBranchSlots = {4, 4, 6, 6, 0, 0, 7, 7,
                                                             4, 4, 0, 0, 4, 4, 0, 0};
    constexpr unsigned kOpcodeAt = 37, kTargetAt = 13, kTargetBits = 20;
    constexpr uint32_t kIpRelativeBranch = 5;
    uint32_t bundleNumber = fileOffset >> 4;
    // The last bundle is left alone when fewer than 21 bytes are left from its start: the
    // archiver's own converter reads that far ahead and stops there.
    for (size_t at = 0; at + 21 < block.size(); at += 16, ++bundleNumber) {
        uint8_t* bundle = &block[at];
        const unsigned kind = bundle[0] & 0x1F;
        if (kind < 0x10) continue;
        const uint8_t slots = kBranchSlots[kind - 0x10];
        for (unsigned slot = 0; slot < 3; ++slot) {
            if ((slots & (1u << slot)) == 0) continue;
            const unsigned base = 5 + slot * 41;
            if (BundleBits(bundle, base + kOpcodeAt, 4) != kIpRelativeBranch) continue;
            const uint32_t target = BundleBits(bundle, base + kTargetAt, kTargetBits);
            SetBundleBits(bundle, base + kTargetAt, kTargetBits,
                          (target - bundleNumber) & ((1u << kTargetBits) - 1));
        }
    }
}

void UndoDelta(std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t channels) {
    RequireChannels(channels, "delta");
    const size_t size = in.size();
    size_t src = 0;
    // Channels beyond the block's size hold no bytes.
    const size_t used = std::min<size_t>(channels, size);
    for (size_t channel = 0; channel < used; ++channel) {
        uint8_t previous = 0;
        for (size_t i = channel; i < size; i += channels) {
            previous = static_cast<uint8_t>(previous - in[src++]);
            out[i] = previous;
        }
    }
}

void UndoRgb(std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t width,
             uint32_t redOffset) {
    const size_t size = in.size();
    if (width < 3 || width > size) {
        throw RarError(ERAR_BAD_DATA, "an RGB filter with a row width of " + std::to_string(width) +
                                          " bytes for a block of " + std::to_string(size));
    }
    std::fill(out.begin(), out.end(), 0);
    size_t src = 0;
    for (size_t channel = 0; channel < 3; ++channel) {
        int previous = 0;
        for (size_t i = channel; i < size; i += 3) {
            int predicted = previous;
            if (i >= width) {
                // Paeth's predictor over the left, upper and upper-left bytes of the channel.
                const int upper = out[i - width + 3];
                const int upperLeft = out[i - width];
                const int left = previous;
                const int toLeft = std::abs(upper - upperLeft);
                const int toUpper = std::abs(left - upperLeft);
                const int toUpperLeft = std::abs(upper - upperLeft + left - upperLeft);
                if (toLeft > toUpper || toLeft > toUpperLeft) {
                    predicted = toUpper <= toUpperLeft ? upper : upperLeft;
                }
            }
            previous = static_cast<uint8_t>(predicted - in[src++]);
            out[i] = static_cast<uint8_t>(previous);
        }
    }
    for (size_t i = redOffset; i + 2 < size; i += 3) {
        out[i] = static_cast<uint8_t>(out[i] + out[i + 1]);
        out[i + 2] = static_cast<uint8_t>(out[i + 2] + out[i + 1]);
    }
}

namespace {

// The adaptive predictor of one audio channel.
class AudioChannel {
public:
    uint8_t Next(int8_t difference) {
        m_delta[2] = m_delta[1];
        m_delta[1] = m_lastDelta - m_delta[0];
        m_delta[0] = m_lastDelta;
        const int predicted = ((8 * m_last + m_weight[0] * m_delta[0] + m_weight[1] * m_delta[1] +
                                m_weight[2] * m_delta[2]) >>
                               3) &
                              0xFF;
        const uint8_t byte = static_cast<uint8_t>(predicted - difference);
        const int error = difference * 8;
        m_error[0] += std::abs(error);
        for (int k = 0; k < 3; ++k) {
            m_error[1 + 2 * k] += std::abs(error - m_delta[k]);
            m_error[2 + 2 * k] += std::abs(error + m_delta[k]);
        }
        // The step from the last sample as the signed byte it wraps to.
        const int step = (byte - m_last) & 0xFF;
        m_lastDelta = step < 0x80 ? step : step - 0x100;
        m_last = byte;
        if ((m_count++ & 0x1F) == 0) Adapt();
        return byte;
    }

private:
    // Every 32 samples, the weight whose nudge would have erred least is nudged.
    void Adapt() {
        int best = 0;
        for (int k = 1; k < 7; ++k) {
            if (m_error[k] < m_error[best]) best = k;
        }
        m_error.fill(0);
        if (best == 0) return;
        int& weight = m_weight[(best - 1) / 2];
        if (best % 2 == 1) {
            if (weight >= -16) --weight;
        } else {
            if (weight < 16) ++weight;
        }
    }

    std::array<int, 3> m_weight{};
    std::array<int, 3> m_delta{};
    std::array<unsigned, 7> m_error{};
    int m_lastDelta = 0;
    uint8_t m_last = 0;
    unsigned m_count = 0;
};

}  // namespace

void UndoAudio(std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t channels) {
    RequireChannels(channels, "audio");
    const size_t size = in.size();
    size_t src = 0;
    const size_t used = std::min<size_t>(channels, size);
    for (size_t channel = 0; channel < used; ++channel) {
        AudioChannel predictor;
        for (size_t i = channel; i < size; i += channels) {
            out[i] = predictor.Next(static_cast<int8_t>(in[src++]));
        }
    }
}

}  // namespace kiv::rar::rar3
