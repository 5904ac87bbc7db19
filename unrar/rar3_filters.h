// The filters of a RAR 2.9/3.x stream: their definitions as the stream delivers them (programs
// for the format's virtual machine, recognised by their length and CRC-32), and the blocks
// waiting for their bytes to be decoded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace kiv::rar::rar3 {

enum class FilterKind { E8, E8E9, Itanium, Delta, Rgb, Audio };

// The standard filter whose program these bytes are, or nothing for any other program.
std::optional<FilterKind> IdentifyProgram(const uint8_t* code, size_t size);

// One filter applied to the decoded bytes [start, start + length) of the stream (positions
// count from the start of the solid run).
struct FilterBlock {
    FilterKind kind = FilterKind::E8;
    uint64_t start = 0;
    uint32_t length = 0;
    // The registers R0-R6 the definition sets (0 where it sets none); the standard filters take
    // their parameters from R0 and R1.
    std::array<uint32_t, 7> registers{};
};

class FilterQueue {
public:
    // The largest block a filter may cover: the work area of the virtual machine.
    static constexpr uint32_t kMaxBlockLength = 0x3C000;
    // Bounds on a hostile stream's bookkeeping, far above what archivers write.
    static constexpr size_t kMaxPrograms = 1024;
    static constexpr size_t kMaxPending = 8192;

    // Forgets every program and waiting block, as at the start of a non-solid entry.
    void Clear();

    // Takes one filter definition: its flags byte and the bytes that followed it; `position` is
    // where the stream stands when it is read. Throws RarError(ERAR_BAD_DATA) for a damaged
    // definition, a program that is not one of the standard filters ("unsupported filter
    // program ..."), a block too large or out of order, or one beyond the bounds above.
    void Define(uint8_t flags, const uint8_t* data, size_t size, uint64_t position);

    bool Empty() const { return m_pending.empty(); }
    const FilterBlock& Front() const { return m_pending.front(); }
    void PopFront() { m_pending.pop_front(); }

private:
    struct Program {
        FilterKind kind;
        uint32_t lastLength = 0;  // a later use without a length takes this one
    };
    std::vector<Program> m_programs;
    size_t m_lastProgram = 0;
    std::deque<FilterBlock> m_pending;
};

}  // namespace kiv::rar::rar3
