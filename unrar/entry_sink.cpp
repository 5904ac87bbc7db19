// Hands an entry's unpacked bytes to its checks, its file and the data callback.
#include "unrar/entry_sink.h"

#include <algorithm>
#include <utility>

namespace kiv::rar {

namespace {
// The data callback never sees more than this at once.
constexpr size_t kCallbackChunk = size_t{1024} * 1024;
}  // namespace

EntrySink::EntrySink(std::string name, DataCheck& check, OutputFile* out, PROCESSDATAPROC callback,
                     std::optional<uint64_t> limit, bool keepDecoding)
    : m_name(std::move(name)),
      m_check(check),
      m_out(out),
      m_callback(callback),
      m_limit(limit),
      m_keepDecoding(keepDecoding) {}

void EntrySink::Write(const uint8_t* data, size_t size) {
    if (size == 0) return;
    if (m_limit && size > *m_limit - m_written) {
        throw RarError(ERAR_BAD_DATA, m_name + ": unpacks to more than its size");
    }
    m_written += size;
    m_check.Update(data, size);
    if (m_out != nullptr) {
        try {
            m_out->Write(data, size);
        } catch (const RarError& e) {
            if (!m_keepDecoding) throw;
            m_writeFailure = e;
            m_out = nullptr;
        }
    }
    if (m_callback == nullptr) return;
    for (size_t at = 0; at < size; at += kCallbackChunk) {
        const size_t n = std::min(kCallbackChunk, size - at);
        // The callback only reads; the interface's pointer is not const.
        if (m_callback(const_cast<uint8_t*>(data + at), static_cast<int>(n)) == 0) {
            throw RarError(ERAR_UNKNOWN, m_name + ": stopped by the data callback");
        }
    }
}

}  // namespace kiv::rar
