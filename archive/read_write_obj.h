// TReadWriteObj: the output side of an archive component. The RAR library writes extracted
// files itself, so the only output target here is a disk file and no data passes through.
#pragma once

#include <cstdint>

#include "archive/arx_main.h"

namespace kiv {

class TReadWriteObj : public TarxMain {
public:
    explicit TReadWriteObj(TComponent* owner) : TarxMain(owner) {}

    // Whether extracted data goes to disk files written by the format's library (always here);
    // other targets would receive the data through the engine and fold it into RunningCrc.
    bool DiskTarget() const { return true; }

    // The running CRC-32 of data the engine received itself; preset to 0xFFFFFFFF per entry.
    std::uint32_t RunningCrc() const { return m_runningCrc; }
    void SetRunningCrc(std::uint32_t value) { m_runningCrc = value; }

private:
    std::uint32_t m_runningCrc = 0xFFFFFFFF;
};

}  // namespace kiv
