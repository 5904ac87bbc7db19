// TGraphicControl: a control without a window of its own, painted and fed mouse messages by its
// parent.
#pragma once

#include <memory>

#include "framework/forms/control.h"

namespace kiv {

class TCanvas;

// Its parent paints it in the parent's paint cycle: WM_PAINT arrives with the parent's device
// context, its window origin moved to the control's top-left corner and clipped to its
// bounds, and Paint() draws on Canvas(), which is attached to that context meanwhile. Outside a
// paint cycle Canvas() draws straight onto the parent window's pixels at the control's place.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    TCanvas* Canvas() const { return m_canvas.get(); }

protected:
    // Draws the control on Canvas(); the base draws nothing.
    virtual void Paint() {}
    void WMPaint(TMessage& message) override;

private:
    std::unique_ptr<TCanvas> m_canvas;
};

}  // namespace kiv
