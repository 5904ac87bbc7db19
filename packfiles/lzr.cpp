// TLZR: greedy LZ coding of one block and the distrustful decoder for it.
#include "packfiles/lzr.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "packfiles/packer_error.h"

namespace kiv {

namespace {

constexpr std::size_t kMaxRun = 4095;
constexpr std::size_t kMinRun = 16;
constexpr std::size_t kMaxMatch = 18;
constexpr std::size_t kMinMatch = 3;
constexpr std::int32_t kWindow = 4096;

constexpr std::size_t kTableSize = 4096;
constexpr std::uint16_t kEmpty = 0xFFFF;

[[noreturn]] void Damaged(const std::string& what) {
    throw EPackerError("TPackFiles: damaged compressed data: " + what);
}

// The number of bytes from `at` on, at most `limit` (at least 1), equal to at[0]. Long runs
// are measured a word at a time.
inline std::size_t RunLength(const std::uint8_t* at, std::size_t limit) {
    if (limit < 2 || at[1] != at[0]) return 1;
    const std::uint64_t pattern = at[0] * 0x0101010101010101ull;
    std::size_t run = 2;
    while (run + 8 <= limit) {
        std::uint64_t word;
        std::memcpy(&word, at + run, 8);
        if (const std::uint64_t diff = word ^ pattern; diff != 0) {
            const int bits = std::endian::native == std::endian::little ? std::countr_zero(diff)
                                                                        : std::countl_zero(diff);
            return run + static_cast<std::size_t>(bits / 8);
        }
        run += 8;
    }
    while (run < limit && at[run] == at[0]) ++run;
    return run;
}

// The table lookup of FindMatch, inline so that the coder's loop pays no call per position.
inline TLZR::Match Lookup(std::uint16_t* table, const std::uint8_t* src, std::uint16_t n,
                          std::uint16_t p) {
    // The key of the last two positions takes zeros for the bytes past the block, so that the
    // coder never reads outside its input.
    const std::uint32_t b0 = src[p];
    const std::uint32_t b1 = p + 1 < n ? src[p + 1] : 0;
    const std::uint32_t b2 = p + 2 < n ? src[p + 2] : 0;
    const std::uint32_t key = (((b0 << 4) ^ b1) << 4) ^ b2;
    const std::size_t index = ((key * 40543u) >> 4) & (kTableSize - 1);
    const std::uint16_t candidate = table[index];
    table[index] = p;

    TLZR::Match match;
    // Positions from 32768 on read as negative and so are always out of reach: the format
    // keeps every position and distance within 16 signed bits.
    const std::int32_t distance = std::int32_t{p} - static_cast<std::int16_t>(candidate);
    // A candidate must lie before p; one that does not can only come from calls out of order,
    // and would read past n. Settled without a branch on usability, which noise makes
    // unpredictable: an unusable candidate is pointed at position 0 and its test masked off.
    const std::uint32_t usable =
        0u -
        static_cast<std::uint32_t>((candidate != kEmpty) & (distance > 0) & (distance < kWindow));
    const std::size_t first = candidate & usable;
    if (((src[first] == src[p]) & usable) == 0) return match;
    std::size_t length = 1;
    while (length < kMaxMatch && p + length < n && src[p + length] == src[candidate + length]) {
        ++length;
    }
    if (length >= kMinMatch) {
        match.length = static_cast<std::uint16_t>(length);
        match.distance = static_cast<std::uint16_t>(distance);
    }
    return match;
}

// Decodes the items of one coded block. Every length is checked before it is used, so that
// nothing is read outside src[0, s) or written outside dst[0, capacity).
class ItemDecoder {
public:
    ItemDecoder(const std::uint8_t* src, std::size_t s, std::uint8_t* dst, std::size_t capacity)
        : m_src(src), m_size(s), m_dst(dst), m_capacity(capacity) {}

    // Decodes a block of at least 3 bytes and returns the output size.
    std::size_t Run() {
        std::uint32_t flags = (std::uint32_t{m_src[1]} << 8) | m_src[2];
        unsigned bits = 16;
        m_in = 3;
        while (m_in < m_size) {
            if (bits == 0) {
                if (m_size - m_in < 2) {
                    Damaged(FormatMessage("flag word at block offset %d cut off", m_in));
                }
                flags = (std::uint32_t{m_src[m_in]} << 8) | m_src[m_in + 1];
                m_in += 2;
                bits = 16;
            }
            if ((flags & 0x8000) == 0) {
                // Consecutive literals go in one copy; zero bits past the block's end are padding.
                const std::size_t count = Literals(std::min<std::size_t>(
                    bits, std::countl_zero(static_cast<std::uint16_t>(flags))));
                flags = (flags << count) & 0xFFFF;
                bits -= static_cast<unsigned>(count);
            } else {
                flags = (flags << 1) & 0xFFFF;
                --bits;
                Reference();
            }
        }
        return m_out;
    }

private:
    std::size_t Literals(std::size_t count) {
        count = std::min(count, m_size - m_in);
        if (count == 0) Damaged(FormatMessage("literal at block offset %d cut off", m_in));
        if (count > m_capacity - m_out) {
            Damaged(FormatMessage("literal passes the end of the %d-byte output", m_capacity));
        }
        if (m_size - m_in >= 16 && m_capacity - m_out >= 16) {
            // A fixed size compiles to two moves; the bytes past `count` are rewritten later.
            std::memcpy(m_dst + m_out, m_src + m_in, 16);
        } else {
            std::memcpy(m_dst + m_out, m_src + m_in, count);
        }
        m_out += count;
        m_in += count;
        return count;
    }

    void Reference() {
        if (m_size - m_in < 2) {
            Damaged(FormatMessage("back reference at block offset %d cut off", m_in));
        }
        const std::uint8_t* item = m_src + m_in;
        const std::size_t distance = item[0] * 16u + (item[1] >> 4);
        if (distance == 0) {
            if (m_size - m_in < 4) Damaged(FormatMessage("run at block offset %d cut off", m_in));
            const std::size_t length = item[1] * 256u + item[2] + kMinRun;
            if (length > m_capacity - m_out) {
                Damaged(FormatMessage(
                    "run of %d bytes at output offset %d passes the end of the %d-byte output",
                    length, m_out, m_capacity));
            }
            std::memset(m_dst + m_out, item[3], length);
            m_out += length;
            m_in += 4;
            return;
        }
        const std::size_t length = (item[1] & 0x0F) + kMinMatch;
        if (distance > m_out) {
            Damaged(
                FormatMessage("back reference of distance %d at output offset %d reaches "
                              "before the start of the block",
                              distance, m_out));
        }
        if (length > m_capacity - m_out) {
            Damaged(FormatMessage(
                "copy of %d bytes at output offset %d passes the end of the %d-byte output", length,
                m_out, m_capacity));
        }
        std::uint8_t* to = m_dst + m_out;
        const std::uint8_t* from = to - distance;
        if (distance >= kMaxMatch && m_capacity - m_out >= kMaxMatch) {
            // Apart and with room: one fixed-size copy; the bytes past `length` are rewritten by
            // the items that follow.
            std::memcpy(to, from, kMaxMatch);
        } else {
            // Byte by byte: an overlapping copy repeats the bytes it has just written.
            for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
        }
        m_out += length;
        m_in += 2;
    }

    const std::uint8_t* m_src;
    std::size_t m_size;
    std::uint8_t* m_dst;
    std::size_t m_capacity;
    std::size_t m_in = 0;
    std::size_t m_out = 0;
};

}  // namespace

TLZR::TLZR() : m_table(new (std::nothrow) std::uint16_t[kTableSize]) {
    if (!m_table) throw EPackerError("TPackFiles: no memory for compression table");
    std::fill_n(m_table.get(), kTableSize, kEmpty);
}

TLZR::~TLZR() = default;

TLZR::Match TLZR::FindMatch(const std::uint8_t* src, std::uint16_t n, std::uint16_t p) {
    return Lookup(m_table.get(), src, n, p);
}

std::uint16_t TLZR::PackItems(const std::uint8_t* src, std::uint8_t* dst, std::uint16_t n) {
    std::fill_n(m_table.get(), kTableSize, kEmpty);
    dst[0] = CodedType;
    std::size_t flagPos = 1;
    std::size_t out = 3;
    std::uint32_t flags = 0;
    unsigned count = 0;
    std::size_t p = 0;
    // Stops as soon as the output passes n: at most one flag word and one run item (6 bytes)
    // land beyond it, which the caller's slack covers.
    while (p < n && out <= n) {
        if (count == 16) {
            dst[flagPos] = static_cast<std::uint8_t>(flags >> 8);
            dst[flagPos + 1] = static_cast<std::uint8_t>(flags);
            flagPos = out;
            out += 2;
            flags = 0;
            count = 0;
        }
        const std::uint8_t byte = src[p];
        const std::size_t run = RunLength(src + p, std::min<std::size_t>(n - p, kMaxRun));

        std::uint32_t bit = 1;
        if (run >= kMinRun) {
            const std::size_t extra = run - kMinRun;
            dst[out] = 0;
            dst[out + 1] = static_cast<std::uint8_t>(extra >> 8);
            dst[out + 2] = static_cast<std::uint8_t>(extra);
            dst[out + 3] = byte;
            out += 4;
            p += run;
        } else if (const Match m = Lookup(m_table.get(), src, n, static_cast<std::uint16_t>(p));
                   m.length) {
            const unsigned value = m.distance * 16u + static_cast<unsigned>(m.length - kMinMatch);
            dst[out] = static_cast<std::uint8_t>(value >> 8);
            dst[out + 1] = static_cast<std::uint8_t>(value);
            out += 2;
            p += m.length;
        } else {
            dst[out++] = byte;
            ++p;
            bit = 0;
        }
        flags = (flags << 1) | bit;
        ++count;
    }
    flags <<= 16 - count;
    dst[flagPos] = static_cast<std::uint8_t>(flags >> 8);
    dst[flagPos + 1] = static_cast<std::uint8_t>(flags);
    return static_cast<std::uint16_t>(out);
}

std::uint16_t TLZR::PackBlock(const std::uint8_t* src, std::uint8_t* dst, std::uint16_t n) {
    if (n > MaxChunk) {
        throw EPackerError(FormatMessage(
            "TPackFiles: a block of %d bytes exceeds the %d-byte limit", n, MaxChunk));
    }
    const std::uint16_t coded = PackItems(src, dst, n);
    if (coded <= n) return coded;
    dst[0] = StoredType;
    if (n > 0) std::memcpy(dst + 1, src, n);
    return static_cast<std::uint16_t>(n + 1);
}

std::uint16_t TLZR::UnpackBlock(const std::uint8_t* src, std::uint8_t* dst, std::uint16_t s,
                                std::size_t capacity) {
    if (s > MaxBlock) {
        Damaged(FormatMessage("block size %d exceeds %d bytes", s, MaxBlock));
    }
    capacity = std::min(capacity, MaxChunk);
    if (s <= 1) return 0;
    if (src[0] == StoredType) {
        const std::size_t length = s - 1u;
        if (length > capacity) {
            Damaged(FormatMessage("stored block of %d bytes exceeds the %d-byte output", length,
                                  capacity));
        }
        std::memcpy(dst, src + 1, length);
        return static_cast<std::uint16_t>(length);
    }
    if (s < 3) Damaged("first flag word cut off by the end of the block");
    return static_cast<std::uint16_t>(ItemDecoder(src, s, dst, capacity).Run());
}

}  // namespace kiv
