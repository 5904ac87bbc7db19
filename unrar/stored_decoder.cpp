// Stored entries through the decoder interface, so that they take the same path to the checks,
// the file and the data callback as compressed ones.
#include "unrar/stored_decoder.h"

#include <vector>

#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

namespace {

// Large enough that each read and write costs little per byte, small enough to stay in the
// processor's caches between the read, the checks and the write.
constexpr size_t kChunk = size_t{1024} * 1024;

class StoredDecoder : public Decoder {
public:
    void Decode(PackedInput& in, UnpackedSink& out, const DecodeParams& p) override {
        if (m_buffer.empty()) m_buffer.resize(kChunk);
        uint64_t total = 0;
        while (const size_t n = in.Read(m_buffer.data(), m_buffer.size())) {
            total += n;
            if (!p.unknownSize && total > p.unpSize) break;
            out.Write(m_buffer.data(), n);
        }
        if (!p.unknownSize && total != p.unpSize) {
            throw RarError(ERAR_BAD_DATA, "stored data size differs from the header");
        }
    }

private:
    std::vector<uint8_t> m_buffer;
};

}  // namespace

std::unique_ptr<Decoder> CreateStoredDecoder() {
    return std::make_unique<StoredDecoder>();
}

}  // namespace kiv::rar
