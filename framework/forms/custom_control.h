// TCustomControl: a control with a window of its own that paints itself on a canvas.
#pragma once

#include <memory>

#include "framework/forms/win_control.h"

namespace kiv {

class TCanvas;

// Paint() draws on Canvas() in every paint cycle, before the windowless children are painted
// over it. Outside a paint cycle Canvas() draws straight onto the window's pixels.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;

    TCanvas* Canvas() const { return m_canvas.get(); }

protected:
    // Draws the control on Canvas(); the base draws nothing.
    virtual void Paint() {}
    void PaintWindow(platform::DeviceContext& dc) override;

private:
    std::unique_ptr<TCanvas> m_canvas;
};

}  // namespace kiv
