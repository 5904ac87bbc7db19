// Undoing the RAR 5.0 filters on a filtered stretch of decoded bytes.
#include "unrar/rar5_filters.h"

#include "formatcore/endian.h"

namespace kiv::rar {

namespace {

void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// x86 call and jump targets were turned from relative into absolute addresses within a 16 MiB
// span; this turns them back.
void UndoE8(uint8_t* data, size_t size, uint64_t fileOffset, bool withE9) {
    constexpr uint32_t kSpan = 0x1000000;
    for (size_t i = 0; i + 4 < size;) {
        const uint8_t opcode = data[i++];
        if (opcode != 0xE8 && !(withE9 && opcode == 0xE9)) continue;
        const auto offset = static_cast<uint32_t>((fileOffset + i) % kSpan);
        const uint32_t addr = format::Le32(data + i);
        if (addr & 0x80000000u) {
            if (((addr + offset) & 0x80000000u) == 0) PutLe32(data + i, addr + kSpan);
        } else if ((addr - kSpan) & 0x80000000u) {
            PutLe32(data + i, addr - offset);
        }
        i += 4;
    }
}

// ARM BL instructions had their 24-bit word offsets made absolute.
void UndoArm(uint8_t* data, size_t size, uint64_t fileOffset) {
    for (size_t i = 0; i + 3 < size; i += 4) {
        if (data[i + 3] != 0xEB) continue;
        uint32_t target = format::Le32(data + i) & 0xFFFFFFu;
        target -= static_cast<uint32_t>((fileOffset + i) / 4);
        data[i] = static_cast<uint8_t>(target);
        data[i + 1] = static_cast<uint8_t>(target >> 8);
        data[i + 2] = static_cast<uint8_t>(target >> 16);
    }
}

}  // namespace

void UndoRar5CodeFilter(Rar5FilterType type, uint8_t* data, size_t size, uint64_t fileOffset) {
    switch (type) {
        case Rar5FilterType::E8:
            UndoE8(data, size, fileOffset, false);
            break;
        case Rar5FilterType::E8E9:
            UndoE8(data, size, fileOffset, true);
            break;
        case Rar5FilterType::Arm:
            UndoArm(data, size, fileOffset);
            break;
        case Rar5FilterType::Delta:
            break;
    }
}

void UndoRar5DeltaFilter(const uint8_t* in, uint8_t* out, size_t size, uint32_t channels) {
    for (uint32_t channel = 0; channel < channels; ++channel) {
        uint8_t previous = 0;
        for (size_t at = channel; at < size; at += channels) {
            previous = static_cast<uint8_t>(previous - *in++);
            out[at] = previous;
        }
    }
}

}  // namespace kiv::rar
