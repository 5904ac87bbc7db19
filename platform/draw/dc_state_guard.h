// DcStateGuard: SaveDC on construction, RestoreDC on destruction.
#pragma once

#include "platform/draw/device_context.h"

namespace kiv::platform {

// Saves a context's state on construction and restores it on destruction, also on an exception.
class DcStateGuard {
public:
    explicit DcStateGuard(DeviceContext& dc) : m_dc(dc), m_level(dc.SaveDC()) {}
    ~DcStateGuard() { m_dc.RestoreDC(m_level); }
    DcStateGuard(const DcStateGuard&) = delete;
    DcStateGuard& operator=(const DcStateGuard&) = delete;

private:
    DeviceContext& m_dc;
    int m_level;
};

}  // namespace kiv::platform
