// The PPMd variant H sub-allocator: free lists per block size, merging of free blocks when they
// run short, and the text area's growth into the units.
#include "unrar/ppmd_alloc.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar::ppmd {

namespace {

constexpr size_t kHugePage = 2 << 20;

// The bytes of `units` units, counted in the address width.
constexpr size_t UnitBytes(unsigned units) {
    return size_t{units} * kUnitSize;
}

// A free block while the free blocks are merged; it overlays the block's first unit. A stamp of
// zero marks a free block: in a used unit the same two bytes hold a context's symbol count or a
// symbol and its non-zero frequency, never zero.
struct Node {
    uint16_t stamp;
    uint16_t nu;
    uint32_t next;
    uint32_t prev;
};
static_assert(sizeof(Node) == kUnitSize);

}  // namespace

void SubAllocator::Release::operator()(uint8_t* p) const {
    std::free(p);
}

SubAllocator::SubAllocator(uint32_t size) : m_size(size) {
    if (size < 64 * kUnitSize || size > UINT32_MAX - 4 * kUnitSize) {
        throw RarError(ERAR_BAD_DATA, "bad PPM model size " + std::to_string(size));
    }
    // Starting the text a few bytes in keeps every unit 4-aligned and keeps offset 0 free to
    // mean "none".
    m_alignOffset = 4 - (size & 3);
    // The model reaches all over its memory at random: on 2 MiB pages, where the system offers
    // them, far fewer of those reaches miss the TLB.
    const size_t bytes = (m_alignOffset + size + kUnitSize + kHugePage - 1) / kHugePage * kHugePage;
    m_memory.reset(static_cast<uint8_t*>(std::aligned_alloc(kHugePage, bytes)));
    if (!m_memory) {
        throw RarError(ERAR_NO_MEMORY,
                       "no memory for a " + std::to_string(size >> 20) + " MiB PPM model");
    }
    madvise(m_memory.get(), bytes, MADV_HUGEPAGE);
    m_base = m_memory.get();
    // A damaged model may read the byte at offset 0 as text; let it read the same every time.
    std::memset(m_base, 0, m_alignOffset);
    Reset();
}

void SubAllocator::Reset() {
    std::memset(m_freeList, 0, sizeof(m_freeList));
    m_text = m_base + m_alignOffset;
    m_hiUnit = m_text + m_size;
    m_loUnit = m_unitsStart = m_hiUnit - UnitBytes(m_size / 8 / kUnitSize * 7);
    m_glueCount = 0;
}

void* SubAllocator::TakeLowUnits(unsigned nu) {
    void* p = m_loUnit;
    m_loUnit += UnitBytes(nu);
    return p;
}

void* SubAllocator::TakeHighUnit() {
    m_hiUnit -= kUnitSize;
    return m_hiUnit;
}

void SubAllocator::InsertNode(void* p, unsigned index) {
    std::memcpy(p, &m_freeList[index], sizeof(uint32_t));
    m_freeList[index] = Offset(p);
}

void* SubAllocator::RemoveNode(unsigned index) {
    uint8_t* p = m_base + m_freeList[index];
    std::memcpy(&m_freeList[index], p, sizeof(uint32_t));
    return p;
}

void SubAllocator::SplitBlock(void* p, unsigned oldIndex, unsigned newIndex) {
    const unsigned nu = IndexToUnits(oldIndex) - IndexToUnits(newIndex);
    uint8_t* rest = static_cast<uint8_t*>(p) + UnitBytes(IndexToUnits(newIndex));
    unsigned index = UnitsToIndex(nu);
    if (IndexToUnits(index) != nu) {
        // No class fits the rest exactly: free the largest class below it and the small tail.
        const unsigned k = IndexToUnits(--index);
        InsertNode(rest + UnitBytes(k), nu - k - 1);
    }
    InsertNode(rest, index);
}

void SubAllocator::GlueFreeBlocks() {
    auto node = [this](uint32_t offset) { return At<Node>(offset); };
    // The spare unit past the end is the list head; its non-zero stamp also stops a merge there.
    const uint32_t head = m_alignOffset + m_size;
    uint32_t n = head;
    m_glueCount = 255;

    // One doubly linked list of every free block, each stamped free with its size.
    for (unsigned i = 0; i < kNumIndexes; ++i) {
        const auto nu = static_cast<uint16_t>(IndexToUnits(i));
        uint32_t next = m_freeList[i];
        m_freeList[i] = 0;
        while (next != 0) {
            Node* current = node(next);
            current->next = n;
            node(n)->prev = next;
            n = next;
            std::memcpy(&next, current, sizeof(uint32_t));
            current->stamp = 0;
            current->nu = nu;
        }
    }
    node(head)->stamp = 1;
    node(head)->next = n;
    node(n)->prev = head;
    if (m_loUnit != m_hiUnit) reinterpret_cast<Node*>(m_loUnit)->stamp = 1;

    // Merge each free block with the free blocks that follow it directly.
    while (n != head) {
        Node* current = node(n);
        uint32_t nu = current->nu;
        for (;;) {
            Node* following = current + nu;
            nu += following->nu;
            if (following->stamp != 0 || nu >= 0x10000) break;
            node(following->prev)->next = following->next;
            node(following->next)->prev = following->prev;
            current->nu = static_cast<uint16_t>(nu);
        }
        n = current->next;
    }

    // Hand the merged blocks back to the free lists, cut into the classes.
    for (n = node(head)->next; n != head;) {
        Node* current = node(n);
        const uint32_t next = current->next;
        unsigned nu = current->nu;
        for (; nu > 128; nu -= 128, current += 128) InsertNode(current, kNumIndexes - 1);
        unsigned index = UnitsToIndex(nu);
        if (IndexToUnits(index) != nu) {
            const unsigned k = IndexToUnits(--index);
            InsertNode(current + k, nu - k - 1);
        }
        InsertNode(current, index);
        n = next;
    }
}

void* SubAllocator::AllocRare(unsigned index) {
    if (m_glueCount == 0) {
        GlueFreeBlocks();
        if (m_freeList[index] != 0) return RemoveNode(index);
    }
    unsigned i = index;
    do {
        if (++i == kNumIndexes) {
            // No larger free block either: take the units from the top of the text area.
            const uint32_t bytes = IndexToUnits(index) * kUnitSize;
            --m_glueCount;
            if (static_cast<uint32_t>(m_unitsStart - m_text) <= bytes) return nullptr;
            m_unitsStart -= bytes;
            return m_unitsStart;
        }
    } while (m_freeList[i] == 0);
    void* p = RemoveNode(i);
    SplitBlock(p, i, index);
    return p;
}

void* SubAllocator::AllocIndex(unsigned index) {
    if (m_freeList[index] != 0) return RemoveNode(index);
    const uint32_t bytes = IndexToUnits(index) * kUnitSize;
    if (bytes <= static_cast<uint32_t>(m_hiUnit - m_loUnit)) {
        void* p = m_loUnit;
        m_loUnit += bytes;
        return p;
    }
    return AllocRare(index);
}

void* SubAllocator::AllocContext() {
    if (m_hiUnit != m_loUnit) return m_hiUnit -= kUnitSize;
    if (m_freeList[0] != 0) return RemoveNode(0);
    return AllocRare(0);
}

void* SubAllocator::ExpandUnits(void* old, unsigned oldNU) {
    const unsigned i0 = UnitsToIndex(oldNU);
    if (i0 == UnitsToIndex(oldNU + 1)) return old;
    void* p = AllocIndex(i0 + 1);
    if (p == nullptr) return nullptr;
    std::memcpy(p, old, UnitBytes(oldNU));
    InsertNode(old, i0);
    return p;
}

void* SubAllocator::ShrinkUnits(void* old, unsigned oldNU, unsigned newNU) {
    const unsigned i0 = UnitsToIndex(oldNU);
    const unsigned i1 = UnitsToIndex(newNU);
    if (i0 == i1) return old;
    if (m_freeList[i1] != 0) {
        void* p = RemoveNode(i1);
        std::memcpy(p, old, UnitBytes(newNU));
        InsertNode(old, i0);
        return p;
    }
    SplitBlock(old, i0, i1);
    return old;
}

}  // namespace kiv::rar::ppmd
