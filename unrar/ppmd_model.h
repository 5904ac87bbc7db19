// The PPMd variant H model: contexts of up to the chosen order with their symbol statistics, the
// secondary escape estimation (SEE), binary contexts and the restart when memory runs out.
#pragma once

#include <cstdint>

#include "unrar/ppmd_alloc.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace ppmd {

constexpr unsigned kMinOrder = 2;
constexpr unsigned kMaxOrder = 64;

// Adaptive escape estimate for contexts whose more frequent symbols were masked by an escape.
struct See {
    uint16_t summ;
    uint8_t shift;
    uint8_t count;

    uint32_t Mean() {
        const uint32_t r = summ >> shift;
        summ = static_cast<uint16_t>(summ - r);
        return r + (r == 0);
    }
    void Update() {
        if (shift < 7 && --count == 0) {
            summ = static_cast<uint16_t>(summ << 1);
            count = static_cast<uint8_t>(3 << shift++);
        }
    }
};

}  // namespace ppmd

// The model both sides of a PPM stream keep in step. CodeSymbol drives it with a coder that makes
// each choice: the range decoder when reading, a test's encoder when writing.
class PpmdModel {
public:
    // memorySize bytes for contexts and text (see ppmd::SubAllocator), maxOrder in
    // [kMinOrder, kMaxOrder]. Throws RarError(ERAR_NO_MEMORY) when the memory cannot be had.
    PpmdModel(uint32_t memorySize, unsigned maxOrder);

    uint32_t MemorySize() const { return m_alloc.Size(); }
    // Forgets everything seen and starts over with maxOrder.
    void Restart(unsigned maxOrder);
    // How often the model started over because its memory ran out.
    uint64_t MemoryRestarts() const { return m_memoryRestarts; }

    // Codes one symbol and updates the model. Returns the symbol, or -1 when the coder chose the
    // escape from the order-0 context (which RAR's streams never do). A coder provides
    // ChooseFirst, ChooseBinary and ChooseMasked as ppmd::RangeDecoder does.
    template <class Coder>
    int CodeSymbol(Coder& coder);

private:
    using Context = ppmd::Context;
    using State = ppmd::State;

    Context* Ctx(uint32_t offset) const { return m_alloc.At<Context>(offset); }
    State* Stats(const Context* c) const { return m_alloc.At<State>(c->stats); }
    Context* Suffix(const Context* c) const { return m_alloc.At<Context>(c->suffix); }

    void RestartModel();
    void RestartForMemory();
    Context* CreateSuccessors(bool skip);
    void UpdateModel();
    void Rescale();
    void NextContext();
    void Update1();
    void Update1First();
    void Update2();
    void UpdateBin();
    uint16_t* BinSumm();
    ppmd::See* MakeEscFreq(unsigned numMasked, uint32_t* escFreq);
    // Starts a new set of masked symbols (those an escape ruled out).
    void NewMask();
    [[noreturn]] static void Inconsistent();
    // Symbols from 0x40 on, letters mostly, get binary and SEE statistics of their own.
    static unsigned HighBitsFlag(uint8_t symbol) { return symbol >= 0x40 ? 8 : 0; }

    ppmd::SubAllocator m_alloc;
    Context* m_minContext = nullptr;
    Context* m_maxContext = nullptr;
    State* m_foundState = nullptr;
    unsigned m_orderFall = 0;
    unsigned m_initEsc = 0;
    unsigned m_prevSuccess = 0;
    unsigned m_maxOrder = 0;
    unsigned m_hiBitsFlag = 0;
    // Run of correctly predicted symbols; kept unsigned so that its wrap is defined. Only its
    // top bit (negative when read as signed) reaches the model.
    uint32_t m_runLength = 0;
    uint32_t m_initRL = 0;
    uint64_t m_memoryRestarts = 0;

    uint8_t m_mask[256] = {};
    uint8_t m_maskStamp = 0;
    ppmd::See m_dummySee{};
    ppmd::See m_see[25][16];
    uint16_t m_binSumm[128][64];
};

template <class Coder>
int PpmdModel::CodeSymbol(Coder& coder) {
    if (m_minContext->numStats != 1) {
        State* const stats = Stats(m_minContext);
        State* s = coder.ChooseFirst(stats, m_minContext->numStats, m_minContext->summFreq);
        if (s != nullptr) {
            m_foundState = s;
            const uint8_t symbol = s->symbol;
            if (s == stats) {
                Update1First();
            } else {
                m_prevSuccess = 0;
                Update1();
            }
            return symbol;
        }
        m_prevSuccess = 0;
        m_hiBitsFlag = HighBitsFlag(m_foundState->symbol);
        NewMask();
        for (unsigned i = 0; i < m_minContext->numStats; ++i) m_mask[stats[i].symbol] = m_maskStamp;
    } else {
        uint16_t* prob = BinSumm();
        State* s = m_minContext->OneState();
        if (coder.ChooseBinary(*prob, s)) {
            *prob = static_cast<uint16_t>(*prob + 128 - ((*prob + 32) >> 7));
            m_foundState = s;
            const uint8_t symbol = s->symbol;
            UpdateBin();
            return symbol;
        }
        *prob = static_cast<uint16_t>(*prob - ((*prob + 32) >> 7));
        static constexpr uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4,
                                                   4,  3,  3, 3, 2, 2, 2, 2};
        m_initEsc = kExpEscape[*prob >> 10];
        NewMask();
        m_mask[s->symbol] = m_maskStamp;
        m_prevSuccess = 0;
    }
    for (;;) {
        const unsigned numMasked = m_minContext->numStats;
        do {
            ++m_orderFall;
            if (m_minContext->suffix == 0) return -1;
            m_minContext = Suffix(m_minContext);
        } while (m_minContext->numStats == numMasked);
        // A suffix holds every symbol of the contexts below it; anything else is a broken model.
        if (m_minContext->numStats < numMasked) Inconsistent();

        State* ps[256];
        const unsigned n = m_minContext->numStats - numMasked;
        State* s = Stats(m_minContext);
        State* const end = s + m_minContext->numStats;
        uint32_t sum = 0;
        unsigned found = 0;
        for (; found != n; ++s) {
            if (s == end) Inconsistent();
            if (m_mask[s->symbol] != m_maskStamp) {
                sum += s->freq;
                ps[found++] = s;
            }
        }
        uint32_t escFreq;
        ppmd::See* see = MakeEscFreq(numMasked, &escFreq);
        State* chosen = coder.ChooseMasked(ps, n, sum, escFreq);
        if (chosen != nullptr) {
            see->Update();
            m_foundState = chosen;
            const uint8_t symbol = chosen->symbol;
            Update2();
            return symbol;
        }
        see->summ = static_cast<uint16_t>(see->summ + sum + escFreq);
        for (unsigned i = 0; i < n; ++i) m_mask[ps[i]->symbol] = m_maskStamp;
    }
}

}  // namespace kiv::rar
