// The PPMd variant H model's updates: new contexts after each symbol, frequency rescaling, the
// SEE and binary statistics, and the restart when the sub-allocator runs dry.
#include "unrar/ppmd_model.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kiv::rar {

using ppmd::Context;
using ppmd::State;

namespace {

constexpr uint16_t kBinScale = 1 << 14;
constexpr unsigned kPeriodBits = 7;

// SEE table row per number of unmasked symbols: 0, 1, 2, then rows that widen as counts grow.
constexpr std::array<uint8_t, 256> kNS2Indx = [] {
    std::array<uint8_t, 256> t{};
    unsigned i = 0;
    for (; i < 3; ++i) t[i] = static_cast<uint8_t>(i);
    for (unsigned m = i, k = 1; i < 256; ++i) {
        t[i] = static_cast<uint8_t>(m);
        if (--k == 0) k = ++m - 2;
    }
    return t;
}();

constexpr uint16_t kInitBinEsc[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3,
                                     0x64A1, 0x5ABC, 0x6632, 0x6051};

}  // namespace

PpmdModel::PpmdModel(uint32_t memorySize, unsigned maxOrder) : m_alloc(memorySize) {
    Restart(maxOrder);
}

void PpmdModel::Inconsistent() {
    throw RarError(ERAR_BAD_DATA, "damaged PPM data: inconsistent model");
}

void PpmdModel::Restart(unsigned maxOrder) {
    m_maxOrder = std::clamp(maxOrder, ppmd::kMinOrder, ppmd::kMaxOrder);
    RestartModel();
    m_dummySee.shift = kPeriodBits;
    m_dummySee.summ = 0;
    m_dummySee.count = 64;
}

void PpmdModel::NewMask() {
    if (++m_maskStamp == 0) {
        std::fill(std::begin(m_mask), std::end(m_mask), uint8_t{0});
        m_maskStamp = 1;
    }
}

void PpmdModel::RestartForMemory() {
    ++m_memoryRestarts;
    RestartModel();
}

void PpmdModel::RestartModel() {
    m_alloc.Reset();
    m_orderFall = m_maxOrder;
    m_initRL = static_cast<uint32_t>(-static_cast<int32_t>(std::min(m_maxOrder, 12u)) - 1);
    m_runLength = m_initRL;
    m_prevSuccess = 0;

    Context* root = static_cast<Context*>(m_alloc.TakeHighUnit());
    root->suffix = 0;
    root->numStats = 256;
    root->summFreq = 256 + 1;
    State* s = static_cast<State*>(m_alloc.TakeLowUnits(256 / 2));
    root->stats = m_alloc.Offset(s);
    for (unsigned i = 0; i < 256; ++i) {
        s[i].symbol = static_cast<uint8_t>(i);
        s[i].freq = 1;
        s[i].SetSuccessor(0);
    }
    m_minContext = m_maxContext = root;
    m_foundState = s;

    for (unsigned i = 0; i < 128; ++i) {
        for (unsigned k = 0; k < 8; ++k) {
            const auto value = static_cast<uint16_t>(kBinScale - kInitBinEsc[k] / (i + 2));
            for (unsigned m = 0; m < 64; m += 8) m_binSumm[i][k + m] = value;
        }
    }
    for (unsigned i = 0; i < 25; ++i) {
        for (auto& see : m_see[i]) {
            see.shift = kPeriodBits - 4;
            see.summ = static_cast<uint16_t>((5 * i + 10) << see.shift);
            see.count = 4;
        }
    }
}

Context* PpmdModel::CreateSuccessors(bool skip) {
    Context* c = m_minContext;
    const uint32_t upBranch = m_foundState->Successor();
    const uint8_t symbol = m_foundState->symbol;
    State* ps[ppmd::kMaxOrder + 1];
    unsigned numPs = 0;
    if (!skip) ps[numPs++] = m_foundState;

    auto find = [this](Context* in, uint8_t sym) {
        State* s = Stats(in);
        for (State* end = s + in->numStats; s->symbol != sym;) {
            if (++s == end) Inconsistent();
        }
        return s;
    };
    while (c->suffix != 0) {
        c = Suffix(c);
        State* s = c->numStats != 1 ? find(c, symbol) : c->OneState();
        const uint32_t successor = s->Successor();
        if (successor != upBranch) {
            c = Ctx(successor);
            if (numPs == 0) return c;
            break;
        }
        if (numPs == std::size(ps)) Inconsistent();
        ps[numPs++] = s;
    }

    // The new contexts predict the symbol that followed in the text, with a frequency guessed
    // from the one it has in the context they hang from.
    State up;
    up.symbol = *m_alloc.At<uint8_t>(upBranch);
    up.SetSuccessor(upBranch + 1);
    if (c->numStats == 1) {
        up.freq = c->OneState()->freq;
    } else {
        const State* s = find(c, up.symbol);
        const uint32_t cf = s->freq - 1u;
        const uint32_t s0 = c->summFreq - c->numStats - cf;
        uint32_t freq;
        if (2 * cf <= s0) {
            freq = 5 * cf > s0;
        } else {
            freq = (2 * cf + 3 * s0 - 1) / (2 * s0);
        }
        up.freq = static_cast<uint8_t>(1 + freq);
    }

    while (numPs != 0) {
        auto* c1 = static_cast<Context*>(m_alloc.AllocContext());
        if (c1 == nullptr) return nullptr;
        c1->numStats = 1;
        *c1->OneState() = up;
        c1->suffix = m_alloc.Offset(c);
        ps[--numPs]->SetSuccessor(m_alloc.Offset(c1));
        c = c1;
    }
    return c;
}

void PpmdModel::UpdateModel() {
    State* const fs = m_foundState;
    const uint8_t symbol = fs->symbol;
    const unsigned freq = fs->freq;
    uint32_t fSuccessor = fs->Successor();

    if (freq < kMaxFreq / 4 && m_minContext->suffix != 0) {
        Context* c = Suffix(m_minContext);
        if (c->numStats == 1) {
            State* s = c->OneState();
            if (s->freq < 32) ++s->freq;
        } else {
            State* s = Stats(c);
            if (s->symbol != symbol) {
                State* const end = s + c->numStats;
                do {
                    if (++s == end) Inconsistent();
                } while (s->symbol != symbol);
                if (s[0].freq >= s[-1].freq) {
                    std::swap(s[0], s[-1]);
                    --s;
                }
            }
            if (s->freq < kMaxFreq - 9) {
                s->freq = static_cast<uint8_t>(s->freq + 2);
                c->summFreq = static_cast<uint16_t>(c->summFreq + 2);
            }
        }
    }

    if (m_orderFall == 0) {
        m_minContext = m_maxContext = CreateSuccessors(true);
        if (m_minContext == nullptr) return RestartForMemory();
        fs->SetSuccessor(m_alloc.Offset(m_minContext));
        return;
    }

    if (!m_alloc.PushText(symbol)) return RestartForMemory();
    uint32_t successor = m_alloc.Offset(m_alloc.Text());
    if (fSuccessor != 0) {
        if (fSuccessor <= successor) {
            // Still a pointer into the text: make the contexts it stands for.
            Context* cs = CreateSuccessors(false);
            if (cs == nullptr) return RestartForMemory();
            fSuccessor = m_alloc.Offset(cs);
        }
        if (--m_orderFall == 0) {
            successor = fSuccessor;
            if (m_maxContext != m_minContext) m_alloc.PopText();
        }
    } else {
        fs->SetSuccessor(successor);
        fSuccessor = m_alloc.Offset(m_minContext);
    }

    // Add the symbol to every context the coder escaped from.
    const unsigned ns = m_minContext->numStats;
    const uint32_t s0 = m_minContext->summFreq - ns - (freq - 1);
    for (Context* c = m_maxContext; c != m_minContext; c = Suffix(c)) {
        const unsigned ns1 = c->numStats;
        if (ns1 != 1) {
            if ((ns1 & 1) == 0) {
                void* stats = m_alloc.ExpandUnits(Stats(c), ns1 >> 1);
                if (stats == nullptr) return RestartForMemory();
                c->stats = m_alloc.Offset(stats);
            }
            c->summFreq = static_cast<uint16_t>(c->summFreq + (2 * ns1 < ns) +
                                                2 * ((4 * ns1 <= ns) & (c->summFreq <= 8 * ns1)));
        } else {
            auto* s = static_cast<State*>(m_alloc.AllocUnits(1));
            if (s == nullptr) return RestartForMemory();
            *s = *c->OneState();
            c->stats = m_alloc.Offset(s);
            s->freq = s->freq < kMaxFreq / 4 - 1 ? static_cast<uint8_t>(s->freq * 2)
                                                 : static_cast<uint8_t>(kMaxFreq - 4);
            c->summFreq = static_cast<uint16_t>(s->freq + m_initEsc + (ns > 3));
        }
        uint32_t cf = 2 * freq * (c->summFreq + 6u);
        const uint32_t sf = s0 + c->summFreq;
        if (cf < 6 * sf) {
            cf = 1 + (cf > sf) + (cf >= 4 * sf);
            c->summFreq = static_cast<uint16_t>(c->summFreq + 3);
        } else {
            cf = 4 + (cf >= 9 * sf) + (cf >= 12 * sf) + (cf >= 15 * sf);
            c->summFreq = static_cast<uint16_t>(c->summFreq + cf);
        }
        State* s = Stats(c) + ns1;
        s->SetSuccessor(successor);
        s->symbol = symbol;
        s->freq = static_cast<uint8_t>(cf);
        c->numStats = static_cast<uint16_t>(ns1 + 1);
    }
    m_maxContext = m_minContext = Ctx(fSuccessor);
}

void PpmdModel::Rescale() {
    State* const stats = Stats(m_minContext);
    State* s = m_foundState;
    // The found symbol moves to the front.
    {
        const State found = *s;
        for (; s != stats; --s) s[0] = s[-1];
        *s = found;
    }
    unsigned escFreq = m_minContext->summFreq - s->freq;
    s->freq = static_cast<uint8_t>(s->freq + 4);
    const unsigned adder = m_orderFall != 0;
    s->freq = static_cast<uint8_t>((s->freq + adder) >> 1);
    unsigned sumFreq = s->freq;

    unsigned i = m_minContext->numStats - 1u;
    do {
        escFreq -= (++s)->freq;
        s->freq = static_cast<uint8_t>((s->freq + adder) >> 1);
        sumFreq += s->freq;
        if (s[0].freq > s[-1].freq) {
            // Keep the table sorted by falling frequency.
            State* s1 = s;
            const State moved = *s1;
            do {
                s1[0] = s1[-1];
            } while (--s1 != stats && moved.freq > s1[-1].freq);
            *s1 = moved;
        }
    } while (--i != 0);

    if (s->freq == 0) {
        // Symbols whose frequency halved to nothing leave the context.
        const unsigned numStats = m_minContext->numStats;
        do {
            ++i;
        } while ((--s)->freq == 0);
        escFreq += i;
        m_minContext->numStats = static_cast<uint16_t>(m_minContext->numStats - i);
        if (m_minContext->numStats == 1) {
            State only = *stats;
            do {
                only.freq = static_cast<uint8_t>(only.freq - (only.freq >> 1));
                escFreq >>= 1;
            } while (escFreq > 1);
            m_alloc.FreeUnits(stats, (numStats + 1) >> 1);
            *(m_foundState = m_minContext->OneState()) = only;
            return;
        }
        const unsigned n0 = (numStats + 1) >> 1;
        const unsigned n1 = (m_minContext->numStats + 1u) >> 1;
        if (n0 != n1) m_minContext->stats = m_alloc.Offset(m_alloc.ShrinkUnits(stats, n0, n1));
    }
    m_minContext->summFreq = static_cast<uint16_t>(sumFreq + escFreq - (escFreq >> 1));
    m_foundState = Stats(m_minContext);
}

ppmd::See* PpmdModel::MakeEscFreq(unsigned numMasked, uint32_t* escFreq) {
    const unsigned numStats = m_minContext->numStats;
    if (numStats == 256) {
        *escFreq = 1;
        return &m_dummySee;
    }
    const unsigned nonMasked = numStats - numMasked;
    const unsigned suffixStats = m_minContext->suffix != 0 ? Suffix(m_minContext)->numStats : 0;
    ppmd::See* see = &m_see[kNS2Indx[nonMasked - 1]][(nonMasked < suffixStats - numStats) +
                                                     2 * (m_minContext->summFreq < 11 * numStats) +
                                                     4 * (numMasked > nonMasked) + m_hiBitsFlag];
    *escFreq = see->Mean();
    return see;
}

void PpmdModel::Update1() {
    State* s = m_foundState;
    s->freq = static_cast<uint8_t>(s->freq + 4);
    m_minContext->summFreq = static_cast<uint16_t>(m_minContext->summFreq + 4);
    if (s[0].freq > s[-1].freq) {
        std::swap(s[0], s[-1]);
        m_foundState = --s;
        if (s->freq > kMaxFreq) Rescale();
    }
    NextContext();
}

void PpmdModel::Update2() {
    m_minContext->summFreq = static_cast<uint16_t>(m_minContext->summFreq + 4);
    m_foundState->freq = static_cast<uint8_t>(m_foundState->freq + 4);
    if (m_foundState->freq > kMaxFreq) Rescale();
    m_runLength = m_initRL;
    UpdateModel();
}

}  // namespace kiv::rar
