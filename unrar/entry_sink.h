// Where an entry's unpacked bytes go: its checks, its output file and the data callback.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "unrar/data_check.h"
#include "unrar/decoder.h"
#include "unrar/output_file.h"
#include "unrar/rar_error.h"
#include "unrar/unrar.h"

namespace kiv::rar {

class EntrySink : public UnpackedSink {
public:
    // Bytes go to `check`, then to `out` (when given), then to `callback` (when given) in chunks
    // of at most 1 MiB. `limit` is the most bytes the entry may unpack to (its size, unless that
    // is unknown). With keepDecoding a failed write drops the file and lets decoding go on, so
    // that a solid archive's state reaches the next entry; the failure is kept for later.
    EntrySink(std::string name, DataCheck& check, OutputFile* out, PROCESSDATAPROC callback,
              std::optional<uint64_t> limit, bool keepDecoding);

    // Throws RarError: ERAR_BAD_DATA past the limit, ERAR_UNKNOWN when the callback answers 0,
    // ERAR_EWRITE for a failed write unless keepDecoding.
    void Write(const uint8_t* data, size_t size) override;

    uint64_t Written() const { return m_written; }
    // The write failure kept under keepDecoding.
    const std::optional<RarError>& WriteFailure() const { return m_writeFailure; }

private:
    std::string m_name;
    DataCheck& m_check;
    OutputFile* m_out;
    PROCESSDATAPROC m_callback;
    std::optional<uint64_t> m_limit;
    bool m_keepDecoding;
    uint64_t m_written = 0;
    std::optional<RarError> m_writeFailure;
};

}  // namespace kiv::rar
