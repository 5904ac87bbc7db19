// The PPMd variant H sub-allocator: one block of the declared size, cut into 12-byte units for
// contexts and symbol tables from the top and holding the text the model has seen at the bottom.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kiv::rar::ppmd {

// Every size the model counts in is a multiple of this; the encoder counted the same way, so the
// point where memory runs out, and the model restarts, depends on it.
constexpr uint32_t kUnitSize = 12;
constexpr unsigned kNumIndexes = 38;  // block sizes the free lists keep: 1..128 units

// Block sizes in units: 1-4 in steps of one, then steps of two, three and four up to 128.
inline constexpr std::array<uint8_t, kNumIndexes> kIndexToUnits = [] {
    std::array<uint8_t, kNumIndexes> t{};
    unsigned units = 0;
    for (unsigned i = 0; i < kNumIndexes; ++i) {
        units += i < 12 ? i / 4 + 1 : 4;
        t[i] = static_cast<uint8_t>(units);
    }
    return t;
}();

// The smallest size class that holds n units, for n = 1..128.
inline constexpr std::array<uint8_t, 128> kUnitsToIndex = [] {
    std::array<uint8_t, 128> t{};
    unsigned index = 0;
    for (unsigned n = 1; n <= 128; ++n) {
        if (kIndexToUnits[index] < n) ++index;
        t[n - 1] = static_cast<uint8_t>(index);
    }
    return t;
}();
static_assert(kIndexToUnits[kNumIndexes - 1] == 128);

// One symbol of a context and the context that follows it (or a pointer into the text while that
// context has not been made yet).
struct State {
    uint8_t symbol;
    uint8_t freq;
    uint16_t successorLow;
    uint16_t successorHigh;

    uint32_t Successor() const { return successorLow | (uint32_t{successorHigh} << 16); }
    void SetSuccessor(uint32_t v) {
        successorLow = static_cast<uint16_t>(v);
        successorHigh = static_cast<uint16_t>(v >> 16);
    }
};
static_assert(sizeof(State) == 6);

// A context takes one unit. With one symbol, that symbol's state sits in place of summFreq and
// stats.
struct Context {
    uint16_t numStats;
    uint16_t summFreq;
    uint32_t stats;
    uint32_t suffix;

    State* OneState() { return reinterpret_cast<State*>(&summFreq); }
};
static_assert(sizeof(Context) == kUnitSize);

class SubAllocator {
public:
    // Takes size bytes (plus one unit the free-block merge needs as a stop mark). Throws
    // RarError(ERAR_NO_MEMORY) when the memory cannot be had. Pages are touched only as the
    // model grows into them.
    explicit SubAllocator(uint32_t size);
    uint32_t Size() const { return m_size; }

    // Empties the memory: no units in use, no text.
    void Reset();

    uint8_t* Base() const { return m_base; }
    template <class T>
    T* At(uint32_t offset) const {
        return reinterpret_cast<T*>(m_base + offset);
    }
    uint32_t Offset(const void* p) const {
        return static_cast<uint32_t>(static_cast<const uint8_t*>(p) - m_base);
    }

    // The text area: symbols appended at the bottom until they reach the units.
    uint8_t* Text() const { return m_text; }
    // Appends a symbol; false when the text has run into the units (the model must restart).
    bool PushText(uint8_t symbol) {
        *m_text++ = symbol;
        return m_text < m_unitsStart;
    }
    void PopText() { --m_text; }

    // Allocation results are null when memory has run out. The units are left uninitialised.
    void* AllocUnits(unsigned nu) { return AllocIndex(UnitsToIndex(nu)); }
    void* AllocContext();
    // Moves a block of oldNU units to one of oldNU + 1 when its size class changes.
    void* ExpandUnits(void* old, unsigned oldNU);
    void* ShrinkUnits(void* old, unsigned oldNU, unsigned newNU);
    void FreeUnits(void* p, unsigned nu) { InsertNode(p, UnitsToIndex(nu)); }

    // For the model's start: a block of nu units taken from the low end of the unit area, and
    // one context from the high end, with no free lists involved.
    void* TakeLowUnits(unsigned nu);
    void* TakeHighUnit();

    static unsigned UnitsToIndex(unsigned nu) { return kUnitsToIndex[nu - 1]; }
    static unsigned IndexToUnits(unsigned index) { return kIndexToUnits[index]; }

private:
    void* AllocIndex(unsigned index);
    void* AllocRare(unsigned index);
    void InsertNode(void* p, unsigned index);
    void* RemoveNode(unsigned index);
    void SplitBlock(void* p, unsigned oldIndex, unsigned newIndex);
    void GlueFreeBlocks();

    struct Release {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t, Release> m_memory;
    uint8_t* m_base = nullptr;  // offsets count from here; offset 0 is never a unit or text
    uint32_t m_size = 0;
    uint32_t m_alignOffset = 0;
    uint8_t* m_text = nullptr;
    uint8_t* m_unitsStart = nullptr;
    uint8_t* m_loUnit = nullptr;
    uint8_t* m_hiUnit = nullptr;
    uint32_t m_glueCount = 0;
    uint32_t m_freeList[kNumIndexes] = {};
};

}  // namespace kiv::rar::ppmd
