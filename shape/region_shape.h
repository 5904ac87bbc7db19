// RegionShape: what the windowless region shapes share: pen, hatched brush and combine mode.
#pragma once

#include <memory>

#include "framework/forms/graphic_control.h"
#include "platform/draw/rect.h"
#include "shape/combine_mode.h"

namespace kiv {

class TBrush;
class TMyBrush;
class TPen;

// A windowless control that describes part of a window's shape (TEllipse, TRectangles,
// TPolygon). It owns its pen and brush; any change of either repaints it. While its brush is
// hatched with back diagonals, the brush's colour tells the combine mode: cmAnd red, cmCopy and
// cmOR white, cmDifference silver, cmXOR grey. UI thread only.
class RegionShape : public TGraphicControl {
public:
    explicit RegionShape(TComponent* owner);
    ~RegionShape() override;

    TMyBrush* Brush() const { return m_brush.get(); }
    // Copies `brush` into the control's own.
    void SetBrush(const TBrush* brush);
    TPen* Pen() const { return m_pen.get(); }
    // Copies `pen` into the control's own.
    void SetPen(const TPen* pen);
    TCombineMode CombineMode() const { return m_combineMode; }
    // A new mode recolours a back-diagonal brush (see above) and repaints; the same mode changes
    // nothing, so a colour set by hand stays until the mode changes.
    void SetCombineMode(TCombineMode mode);

protected:
    // The rectangle the outline is drawn on: from (X, X) to (X + W, X + H), with X half the pen
    // width and W, H the control's size less the pen width plus one, so that a wide pen stays
    // inside the control.
    TRect OutlineRect() const;
    // Selects the control's pen and brush into its canvas.
    void SelectTools();

private:
    std::unique_ptr<TMyBrush> m_brush;
    std::unique_ptr<TPen> m_pen;
    TCombineMode m_combineMode = TCombineMode::cmOR;
};

}  // namespace kiv
