// Test-side PPM entry reader and PPM stream writer.
#include "tests/unrar/ppm_stream.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

#include "formatcore/file_source.h"
#include "unrar/bit_input.h"
#include "unrar/format_reader.h"
#include "unrar/ppmd_range.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::test {

namespace {

[[noreturn]] void Bad(const std::string& why) {
    throw rar::RarError(ERAR_BAD_DATA, why);
}

// Copies length bytes from distance back, byte by byte so that a run repeats itself.
void CopyMatch(std::string& window, size_t distance, size_t length) {
    if (distance == 0 || distance > window.size()) Bad("match reaches before the data");
    for (size_t i = 0; i < length; ++i) window.push_back(window[window.size() - distance]);
}

}  // namespace

size_t ByteInput::Read(uint8_t* data, size_t size) {
    const size_t n = std::min(size, m_bytes.size() - m_pos);
    std::copy_n(m_bytes.data() + m_pos, n, data);
    m_pos += n;
    return n;
}

std::vector<PackedEntry> ReadPackedEntries(const std::string& archivePath) {
    std::string why;
    auto source = format::FileSource::Open(archivePath, &why);
    if (!source) throw std::runtime_error(why);
    auto reader = rar::OpenFormatReader(*source);
    std::vector<PackedEntry> entries;
    for (;;) {
        rar::Block block;
        try {
            block = reader->Next();
        } catch (const rar::RarError&) {
            break;  // a damaged header ends the walk; the entries before it are still read
        }
        if (block.kind != rar::BlockKind::Entry) break;
        const rar::EntryHeader& h = block.entry;
        if (h.directory) continue;
        PackedEntry e;
        e.name = h.name;
        e.unpVer = h.unpVer;
        e.method = h.method;
        e.solid = h.solid;
        e.unpSize = h.unpSize;
        e.crc = h.crc;
        e.packed.resize(h.packSize);
        e.packed.resize(source->ReadAt(h.dataOffset, e.packed.data(), e.packed.size()));
        entries.push_back(std::move(e));
    }
    return entries;
}

namespace {

void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v));
    out.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
uint32_t Crc32(std::string_view bytes) {
    return static_cast<uint32_t>(
        crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}
// A RAR 1.5-4.x block: its header CRC (the low half of the CRC-32 of what follows) in front.
std::string Block(const std::string& body) {
    std::string block;
    Put16(block, Crc32(body) & 0xFFFF);
    return block + body;
}

}  // namespace

std::string WrapInRar29(const std::string& name, std::string_view packed,
                        std::string_view unpacked) {
    std::string archive("Rar!\x1a\x07\x00", 7);
    std::string main;
    main.push_back(0x73);
    Put16(main, 0);
    Put16(main, 13);
    Put16(main, 0);
    Put32(main, 0);
    archive += Block(main);

    std::string file;
    file.push_back(0x74);
    const uint32_t large = packed.size() > UINT32_MAX || unpacked.size() > UINT32_MAX;
    Put16(file, 0x8000 | 0xC0 | (large ? 0x100 : 0));  // data follows; 4 MiB dictionary
    Put16(file, static_cast<uint32_t>(32 + (large ? 8 : 0) + name.size()));
    Put32(file, static_cast<uint32_t>(packed.size()));
    Put32(file, static_cast<uint32_t>(unpacked.size()));
    file.push_back(3);  // Unix
    Put32(file, Crc32(unpacked));
    Put32(file, 0x5A210000);  // 2025-01-01, DOS date-time
    file.push_back(29);
    file.push_back(0x35);
    Put16(file, static_cast<uint32_t>(name.size()));
    Put32(file, 0x81A4);  // rw-r--r--
    if (large) {
        Put32(file, static_cast<uint32_t>(packed.size() >> 32));
        Put32(file, static_cast<uint32_t>(unpacked.size() >> 32));
    }
    file += name;
    archive += Block(file);
    archive += packed;

    std::string end;
    end.push_back(0x7B);
    Put16(end, 0x4000);
    Put16(end, 7);
    return archive + Block(end);
}

namespace {

bool StartBlock(rar::PpmdDecoder& decoder, rar::BitInput& in, PpmResult& result) {
    in.AlignToByte();
    if (in.Get(1) == 0) return false;
    decoder.StartBlock(in);
    ++result.blocks;
    return true;
}

// Appends the entry's bytes to window.
PpmEnd ReadBlocks(rar::PpmdDecoder& decoder, rar::BitInput& in, uint64_t unpSize,
                  std::string& window, PpmResult& result) {
    if (!StartBlock(decoder, in, result)) return PpmEnd::LzBlock;
    const size_t start = window.size();
    while (window.size() - start < unpSize) {
        const uint8_t c = decoder.DecodeChar(in);
        if (c != decoder.EscapeChar()) {
            window.push_back(static_cast<char>(c));
            continue;
        }
        switch (decoder.DecodeChar(in)) {
            case 0:  // end of block: another follows
                if (!StartBlock(decoder, in, result)) return PpmEnd::LzBlock;
                break;
            case 1:  // the escape character itself
                window.push_back(static_cast<char>(c));
                break;
            case 2:
                return PpmEnd::EndOfFile;
            case 4: {
                size_t distance = 0;
                for (int i = 0; i < 3; ++i) distance = distance << 8 | decoder.DecodeChar(in);
                CopyMatch(window, distance + 2, decoder.DecodeChar(in) + 32u);
                break;
            }
            case 5:
                CopyMatch(window, 1, decoder.DecodeChar(in) + 4u);
                break;
            default:  // filters (3) are the LZ decoder's; nothing else is defined
                Bad("escape code this reader does not handle");
        }
    }
    return PpmEnd::Size;
}

}  // namespace

PpmResult ReadPpmEntry(rar::PpmdDecoder& decoder, std::string_view packed, uint64_t unpSize,
                       std::string& window) {
    ByteInput input(packed);
    rar::BitInput in(input);
    PpmResult result;
    const size_t start = window.size();
    result.end = ReadBlocks(decoder, in, unpSize, window, result);
    // Reads past the end return zeros, which may pass for an LZ block or any symbol.
    if (in.Overrun()) Bad("PPM data cut short");
    // A match may run past the entry's end; the bytes beyond it are not the entry's.
    if (window.size() - start > unpSize) window.resize(start + unpSize);
    result.data = window.substr(start);
    return result;
}

// The carry-less range encoder the decoder mirrors, choosing for the model what the caller puts.
struct PpmStreamWriter::Encoder {
    PpmStreamWriter& w;
    uint8_t target;

    static constexpr uint32_t kTop = 1 << 24;
    static constexpr uint32_t kBottom = 1 << 15;

    void Encode(uint32_t start, uint32_t size, uint32_t total) {
        w.m_range /= total;
        w.m_low += start * w.m_range;
        w.m_range *= size;
        for (;;) {
            if ((w.m_low ^ (w.m_low + w.m_range)) >= kTop) {
                if (w.m_range >= kBottom) break;
                w.m_range = (0 - w.m_low) & (kBottom - 1);
            }
            w.m_out.push_back(static_cast<char>(w.m_low >> 24));
            w.m_low <<= 8;
            w.m_range <<= 8;
        }
    }
    rar::ppmd::State* ChooseFirst(rar::ppmd::State* s, unsigned n, uint32_t total) {
        uint32_t low = 0;
        for (unsigned i = 0; i < n; ++i) {
            if (s[i].symbol == target) {
                Encode(low, s[i].freq, total);
                return &s[i];
            }
            low += s[i].freq;
        }
        Encode(low, total - low, total);
        return nullptr;
    }
    bool ChooseBinary(uint32_t size0, const rar::ppmd::State* s) {
        if (s->symbol == target) {
            Encode(0, size0, rar::ppmd::kBinScale);
            return true;
        }
        Encode(size0, rar::ppmd::kBinScale - size0, rar::ppmd::kBinScale);
        return false;
    }
    rar::ppmd::State* ChooseMasked(rar::ppmd::State* const* ps, unsigned n, uint32_t sum,
                                   uint32_t escape) {
        uint32_t low = 0;
        for (unsigned i = 0; i < n; ++i) {
            if (ps[i]->symbol == target) {
                Encode(low, ps[i]->freq, sum + escape);
                return ps[i];
            }
            low += ps[i]->freq;
        }
        Encode(sum, escape, sum + escape);
        return nullptr;
    }
};

void PpmStreamWriter::PutBits(unsigned value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
        m_bitBuffer = m_bitBuffer << 1 | ((value >> i) & 1);
        if (++m_bitCount == 8) {
            m_out.push_back(static_cast<char>(m_bitBuffer));
            m_bitBuffer = 0;
            m_bitCount = 0;
        }
    }
}

void PpmStreamWriter::FlushCoder() {
    if (!m_coding) return;
    for (int i = 0; i < 4; ++i) {
        m_out.push_back(static_cast<char>(m_low >> 24));
        m_low <<= 8;
    }
    m_coding = false;
}

void PpmStreamWriter::StartRestartBlock(unsigned memoryMiB, unsigned order, int escape) {
    if (order < 2 || order > 64 || (order > 16 && (order - 16) % 3 != 0)) {
        throw std::invalid_argument("no PPM block header has order " + std::to_string(order));
    }
    FlushCoder();
    const unsigned orderBits = order <= 16 ? order - 1 : (order - 16) / 3 + 15;
    PutBits(1, 1);
    PutBits(0x20 | (escape >= 0 ? 0x40 : 0) | orderBits, 7);
    PutBits(memoryMiB - 1, 8);
    if (escape >= 0) PutBits(static_cast<unsigned>(escape), 8);
    if (m_model && m_model->MemorySize() == memoryMiB << 20) {
        m_model->Restart(order);
    } else {
        m_model = std::make_unique<rar::PpmdModel>(memoryMiB << 20, order);
    }
    m_low = 0;
    m_range = 0xFFFFFFFF;
    m_coding = true;
}

void PpmStreamWriter::StartContinueBlock(int escape) {
    FlushCoder();
    PutBits(1, 1);
    PutBits(escape >= 0 ? 0x40 : 0, 7);
    if (escape >= 0) PutBits(static_cast<unsigned>(escape), 8);
    m_low = 0;
    m_range = 0xFFFFFFFF;
    m_coding = true;
}

void PpmStreamWriter::Put(uint8_t symbol) {
    Encoder encoder{*this, symbol};
    if (m_model->CodeSymbol(encoder) < 0) throw std::logic_error("symbol missing from the model");
}

std::string PpmStreamWriter::Finish() {
    FlushCoder();
    return m_out;
}

}  // namespace kiv::test
