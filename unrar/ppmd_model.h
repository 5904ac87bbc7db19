// The PPMd variant H model: contexts of up to the chosen order with their symbol statistics, the
// secondary escape estimation (SEE), binary contexts and the restart when memory runs out.
#pragma once

#include <array>
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
    void Update1();
    void Update2();
    ppmd::See* MakeEscFreq(unsigned numMasked, uint32_t* escFreq);
    // Starts a new set of masked symbols (those an escape ruled out).
    void NewMask();
    [[noreturn]] static void Inconsistent();
    // After the first context escaped: the suffixes, with the symbols seen so far masked.
    template <class Coder>
    [[gnu::noinline]] int CodeMasked(Coder& coder);

    // Symbols from 0x40 on, letters mostly, get binary and SEE statistics of their own.
    static unsigned HighBitsFlag(uint8_t symbol) { return symbol >= 0x40 ? 8 : 0; }

    // Moves on to the found symbol's successor, or grows the model when that is not a context
    // yet (or the order fell).
    void NextContext() {
        Context* c = Ctx(m_foundState->Successor());
        if (m_orderFall == 0 && reinterpret_cast<uint8_t*>(c) > m_alloc.Text()) {
            m_minContext = m_maxContext = c;
        } else {
            UpdateModel();
        }
    }
    // The first symbol of a context was found.
    void Update1First() {
        m_prevSuccess = 2u * m_foundState->freq > m_minContext->summFreq;
        m_runLength += m_prevSuccess;
        m_minContext->summFreq = static_cast<uint16_t>(m_minContext->summFreq + 4);
        m_foundState->freq = static_cast<uint8_t>(m_foundState->freq + 4);
        if (m_foundState->freq > kMaxFreq) Rescale();
        NextContext();
    }
    // A binary context's symbol was found.
    void UpdateBin() {
        m_foundState->freq = static_cast<uint8_t>(m_foundState->freq + (m_foundState->freq < 128));
        m_prevSuccess = 1;
        ++m_runLength;
        NextContext();
    }
    // The probability of a binary context's symbol, by its frequency and what surrounds it.
    uint16_t* BinSumm(Context* c) {
        State* s = c->OneState();
        m_hiBitsFlag = HighBitsFlag(m_foundState->symbol);
        return &m_binSumm[s->freq - 1][m_prevSuccess + kSuffixColumn[Suffix(c)->numStats - 1u] +
                                       m_hiBitsFlag + 2 * HighBitsFlag(s->symbol) +
                                       ((m_runLength >> 26) & 0x20)];
    }
    // The binary statistics' column for the number of symbols in the suffix context: 1, 2, up
    // to 11, more. A table, as a chain of tests would mispredict all the time.
    static constexpr std::array<uint8_t, 256> kSuffixColumn = [] {
        std::array<uint8_t, 256> t{};
        for (unsigned n = 1; n <= 256; ++n) t[n - 1] = n == 1 ? 0 : n == 2 ? 2 : n <= 11 ? 4 : 6;
        return t;
    }();

    static constexpr unsigned kMaxFreq = 124;

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
    Context* const c = m_minContext;
    if (c->numStats != 1) {
        State* const stats = Stats(c);
        State* s = coder.ChooseFirst(stats, c->numStats, c->summFreq);
        if (s != nullptr) {
            // The next context is most likely the found symbol's successor: start fetching it
            // while the statistics are updated.
            __builtin_prefetch(m_alloc.Base() + s->Successor());
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
        for (unsigned i = 0; i < c->numStats; ++i) m_mask[stats[i].symbol] = m_maskStamp;
    } else {
        uint16_t* prob = BinSumm(c);
        State* s = c->OneState();
        if (coder.ChooseBinary(*prob, s)) {
            __builtin_prefetch(m_alloc.Base() + s->Successor());
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
    return CodeMasked(coder);
}

template <class Coder>
int PpmdModel::CodeMasked(Coder& coder) {
    for (;;) {
        const unsigned numMasked = m_minContext->numStats;
        do {
            ++m_orderFall;
            if (m_minContext->suffix == 0) return -1;
            m_minContext = Suffix(m_minContext);
        } while (m_minContext->numStats == numMasked);
        // A suffix holds every symbol of the contexts below it; anything else is a broken model.
        if (m_minContext->numStats < numMasked) Inconsistent();

        // The unmasked states in order, without a branch per state: which ones are masked
        // follows no pattern a predictor could learn.
        State* ps[256];
        const unsigned n = m_minContext->numStats - numMasked;
        uint32_t sum = 0;
        unsigned found = 0;
        State* const end = Stats(m_minContext) + m_minContext->numStats;
        for (State* s = Stats(m_minContext); s != end; ++s) {
            const unsigned unmasked = m_mask[s->symbol] != m_maskStamp;
            ps[found] = s;
            sum += s->freq & (0u - unmasked);
            found += unmasked;
        }
        if (found != n) Inconsistent();
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
