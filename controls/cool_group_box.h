// TCoolGroupBox: a windowed container with a frame and a shadowed caption that can show its
// parent's background instead of filling its own.
#pragma once

#include <cstdint>

#include "controls/cool_utils.h"
#include "controls/wallpaper.h"
#include "framework/stdctrls/custom_group_box.h"

namespace kiv {

class TBitmap;

// Erasing: a Transparent box paints what its parent shows at its place (PaintParentBackground),
// otherwise it tiles its wallpaper or fills with Color. A transparent box is invalidated after
// every move of its own, since its background depends on its place; it is not told when the
// parent's pixels under it change.
//
// Paint (the child controls are painted over it afterwards), with H the height of "0" in Font:
// the frame round (0, H/2 - 1, Width, Height), etched with Ctl3D (clBtnHighlight one pixel right
// and down, clBtnShadow at its place) or once in clWindowFrame, whatever Transparent and
// SimpleView say. A caption goes at (8, 0) on one line, in a cell widened by ShadowSize on both
// sides that first gets the parent's background (transparent), the wallpaper, or the box's Color
// through an opaque text background; it is drawn engraved while the box is disabled (plainly,
// then in the disabled state look), plainly with SimpleView, else with its shadow.
//
// Disabling the box disables its window: neither it nor the windowless controls inside get
// mouse input, and they keep their look. The setters do nothing when the value is unchanged
// and otherwise invalidate; Transparent and Wallpaper first announce a colour change, the
// shadow setters turn SimpleView off, and the shadow setters and SimpleView tell the parent
// (CM_CHANGED). UI thread only.
class TCoolGroupBox : public TCustomGroupBox {
public:
    explicit TCoolGroupBox(TComponent* owner);
    ~TCoolGroupBox() override;

    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);
    TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(TColor color);
    std::uint8_t ShadowSize() const { return m_shadowSize; }
    void SetShadowSize(std::uint8_t size);
    TShadowPosition ShadowPos() const { return m_shadowPos; }
    void SetShadowPos(TShadowPosition position);
    bool SimpleView() const { return m_simpleView; }
    void SetSimpleView(bool simpleView);

    TBitmap* Wallpaper() const { return m_wallpaper.Bitmap(); }
    // Given the own bitmap, does nothing; otherwise copies `bitmap` into it.
    void SetWallpaper(const TBitmap* bitmap);
    int IdWallpaper() const { return m_wallpaper.Index(); }
    void SetIdWallpaper(int index);
    bool HasWallpaper() const { return m_wallpaper.Present(); }

protected:
    void Paint() override;
    void WMEraseBkgnd(TMessage& message) override;
    void WMMove(TMessage& message) override;
    void CMParentColorChanged(TMessage& message) override;
    void CMEnabledChanged(TMessage& message) override;

private:
    void ShadowChanged();
    void DrawCaption(TRect& cell);

    bool m_transparent = false;
    TColor m_shadowColor = clBtnHighlight;
    std::uint8_t m_shadowSize = 1;
    TShadowPosition m_shadowPos = TShadowPosition::spLeftTop;
    bool m_simpleView = false;
    kiv::Wallpaper m_wallpaper;
};

}  // namespace kiv
