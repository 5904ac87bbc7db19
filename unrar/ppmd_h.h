// PPMd variant H as RAR 2.9/3.x codes its PPM blocks: the block header, the model and the range
// decoder behind one small class the LZ decoder drives.
#pragma once

#include <cstdint>
#include <memory>

namespace kiv::rar {

class BitInput;
class PpmdModel;
namespace ppmd {
class RangeDecoder;
}

// PPMd variant H with the range decoder RAR 2.9/3.x uses for its PPM blocks.
//
// One object serves every PPM block of a run of entries: a block that does not restart the model
// continues the one the previous block left, which is how a solid archive's model carries over.
// The model's memory is what the block header declares (1 to 256 MiB) plus a fixed few hundred
// kilobytes of tables; pages the model never reaches are never touched.
class PpmdDecoder {
public:
    PpmdDecoder();
    ~PpmdDecoder();
    PpmdDecoder(const PpmdDecoder&) = delete;
    PpmdDecoder& operator=(const PpmdDecoder&) = delete;

    // Starts a PPM block. The caller has consumed the block's first bit (the PPM flag); this reads
    // the 7 flag bits and what they announce (with 0x20: the memory size in MiB and a model
    // restart with the order from the flags; with 0x40: a new escape character), then starts the
    // range decoder on the following bytes. Throws RarError(ERAR_BAD_DATA) for a block that would
    // continue a model that does not exist or for bad parameters, RarError(ERAR_NO_MEMORY) when
    // the model's memory cannot be had.
    void StartBlock(BitInput& in);
    // The escape character of the current block (2 until a block sets another).
    int EscapeChar() const { return m_escape; }
    // The next byte of the block. Throws RarError(ERAR_BAD_DATA) for a damaged stream; after that
    // only a block that restarts the model may follow.
    uint8_t DecodeChar(BitInput& in);

private:
    std::unique_ptr<PpmdModel> m_model;
    std::unique_ptr<ppmd::RangeDecoder> m_range;
    bool m_usable = false;  // a model exists and no damaged symbol left it half updated
    int m_escape = 2;
};

}  // namespace kiv::rar
