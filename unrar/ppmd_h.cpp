// RAR 2.9/3.x PPM blocks: the block header, the model's memory and restarts, and the symbols.
#include "unrar/ppmd_h.h"

#include <unistd.h>

#include <string>

#include "unrar/bit_input.h"
#include "unrar/ppmd_model.h"
#include "unrar/ppmd_range.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

constexpr unsigned kFlagRestart = 0x20;
constexpr unsigned kFlagEscape = 0x40;

// A model the machine cannot hold would end in the out-of-memory killer rather than in a failed
// allocation; the format's largest (256 MiB) fits any machine this runs on, but refuse more than
// half the physical memory all the same.
bool MachineHolds(uint64_t bytes) {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return true;
    return bytes <= static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 2;
}

}  // namespace

PpmdDecoder::PpmdDecoder() : m_range(std::make_unique<ppmd::RangeDecoder>()) {}
PpmdDecoder::~PpmdDecoder() = default;

void PpmdDecoder::StartBlock(BitInput& in) {
    const bool continuing = m_usable;
    m_usable = false;
    const unsigned flags = in.Get(7);
    uint32_t memoryMiB = 0;
    if (flags & kFlagRestart) memoryMiB = in.Get(8) + 1;
    if (flags & kFlagEscape) m_escape = static_cast<int>(in.Get(8));

    if (flags & kFlagRestart) {
        unsigned order = (flags & 0x1F) + 1;
        if (order == 1) throw RarError(ERAR_BAD_DATA, "PPM block with a model of order 1");
        // Orders above 16 come in steps of three, up to 64.
        if (order > 16) order = 16 + (order - 16) * 3;
        const uint32_t size = memoryMiB << 20;
        if (!MachineHolds(size)) {
            throw RarError(ERAR_NO_MEMORY, "a PPM model of " + std::to_string(memoryMiB) +
                                               " MiB is more than this machine can hold");
        }
        if (m_model && m_model->MemorySize() == size) {
            m_model->Restart(order);
        } else {
            m_model.reset();  // the old memory goes before the new is taken
            m_model = std::make_unique<PpmdModel>(size, order);
        }
    } else if (!continuing) {
        throw RarError(ERAR_BAD_DATA, "PPM block continues a model that does not exist");
    }
    m_range->Start(in);
    m_usable = true;
}

uint8_t PpmdDecoder::DecodeChar(BitInput& in) {
    if (!m_usable) throw RarError(ERAR_BAD_DATA, "PPM data without a model");
    m_range->Attach(in);
    int symbol;
    try {
        symbol = m_model->CodeSymbol(*m_range);
    } catch (...) {
        m_usable = false;
        throw;
    }
    if (symbol < 0) {
        m_usable = false;
        throw RarError(ERAR_BAD_DATA, "damaged PPM data: escape from the order-0 context");
    }
    return static_cast<uint8_t>(symbol);
}

}  // namespace kiv::rar
