// TCustomGroupBox: a windowed container with a frame and a caption over its top line.
#pragma once

#include "framework/forms/custom_control.h"
#include "platform/draw/rect.h"

namespace kiv {

// Children are placed inside it (csAcceptsControls). Paint, with H the height of "0" in the
// box's font: the frame is the rectangle (0, H/2 - 1, Width, Height); with Ctl3D it is etched
// (framed in clBtnHighlight one pixel right and down, then in clBtnShadow at its place, both
// one pixel smaller), without it framed once in clWindowFrame. A caption is drawn on one line
// at (8, 0), its cells filled with Color so that it interrupts the top line. The area where
// children are meant to go (AdjustClientRect) lies inside the frame, below the caption line.
// UI thread only.
class TCustomGroupBox : public TCustomControl {
public:
    explicit TCustomGroupBox(TComponent* owner);
    ~TCustomGroupBox() override;

    // Narrows `rect` (usually ClientRect()) to the part inside the frame and below the
    // caption: its top moves down by H, then every side in by one pixel, and by one more with
    // Ctl3D.
    virtual void AdjustClientRect(TRect& rect);

protected:
    void Paint() override;
    // Selects the font into the canvas and draws the frame of Paint; returns H.
    int DrawFrame();

    void CMTextChanged(TMessage& message) override;
    void CMCtl3DChanged(TMessage& message) override;
    void WMSize(TMessage& message) override;
};

}  // namespace kiv
