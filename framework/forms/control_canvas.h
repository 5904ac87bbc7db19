// TControlCanvas: a canvas that draws straight onto a control's window pixels.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/forms/canvas.h"

namespace kiv {

class TControl;

// Outside a paint cycle, drawing on a control's canvas goes to the pixels of the window the
// control lies in: its own window, or for a control without one its parent's, with the origin
// at the control's top-left corner and clipped to its bounds. The context is made on first
// use (creating the window if needed), shown on screen and dropped at the next turn of the
// message loop or when the window's pixels are reallocated. During a paint cycle the control
// hands the canvas the paint context instead (SetHandle).
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TControl& control);
    ~TControlCanvas() override;

    // Drops the context made for drawing outside a paint cycle.
    void FreeHandle();

protected:
    void CreateHandle() override;
    void CheckHandle() override;

private:
    TControl& m_control;
    std::unique_ptr<platform::DeviceContext> m_dc;
    std::uint64_t m_generation = 0;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace kiv
