// TCoolLabel: a windowless label whose caption is drawn with an offset shadow.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "controls/cool_utils.h"
#include "controls/wallpaper.h"
#include "framework/stdctrls/custom_label.h"

namespace kiv {

class TBitmap;

// The edge drawn round a label, as the inner or the outer part of it.
enum class TBevelCut : std::uint8_t { bvNone, bvLowered, bvRaised, bvSpace };
template <>
struct EnumInfo<TBevelCut> {
    static constexpr std::array<std::string_view, 4> names{"bvNone", "bvLowered", "bvRaised",
                                                           "bvSpace"};
};

// Paint: unless Transparent, fills the client area with the wallpaper (tiled) or with Color;
// draws the edge that BevelInner and BevelOuter make (bvLowered and bvRaised count, bvSpace does
// not) round the client area and then shrinks the text area by BevelsOffset on every side;
// places the caption by Layout (measured first, moved by the room left in the label's full
// Height) and draws it with RenderText, on a clear brush.
//
// RenderText draws, or with DT_CALCRECT measures, the caption: a disabled label engraved
// (DrawTextWithShadow with spRightBottom, size 1, clBtnHighlight under clBtnShadow), a
// SimpleView label in one plain pass in the font's colour, any other with ShadowPos, ShadowSize
// and ShadowColor. Measuring goes through the same routine, so a fitted label includes the
// text's offset from its shadow but not the shadow's overhang to the right or below. An empty
// caption (or a lone "&" while ShowAccelChar) measures as one blank.
//
// FitToText (the label's AdjustBounds: after loading, on a change of caption, font, WordWrap,
// ShowAccelChar or AutoSize) sets the bounds to the measured extent from the client origin,
// keeping the left edge, or the right edge for taRightJustify; only with AutoSize, a parent,
// and not while a design is being read.
//
// The shadow setters, SimpleView, the bevel properties and Wallpaper repaint at once (Repaint:
// what the parent shows under a transparent label first); the shadow setters also turn
// SimpleView off and leave the label's size alone. idWallpaper and a change of the
// wallpaper's pixels invalidate. Every setter does nothing when the value is unchanged.
// UI thread only.
class TCoolLabel : public TCustomLabel {
public:
    explicit TCoolLabel(TComponent* owner);
    ~TCoolLabel() override;

    TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(TColor color);
    std::uint8_t ShadowSize() const { return m_shadowSize; }
    void SetShadowSize(std::uint8_t size);
    TShadowPosition ShadowPos() const { return m_shadowPos; }
    void SetShadowPos(TShadowPosition position);
    bool SimpleView() const { return m_simpleView; }
    void SetSimpleView(bool simpleView);
    TBevelCut BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TBevelCut cut);
    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelCut cut);
    std::int32_t BevelsOffset() const { return m_bevelsOffset; }
    // A value other than 0 also switches AutoSize off.
    void SetBevelsOffset(std::int32_t offset);

    // The own wallpaper bitmap, made on first use.
    TBitmap* Wallpaper() const { return m_wallpaper.Bitmap(); }
    // Copies `bitmap` into the own wallpaper.
    void SetWallpaper(const TBitmap* bitmap);
    int IdWallpaper() const { return m_wallpaper.Index(); }
    void SetIdWallpaper(int index);
    bool HasWallpaper() const { return m_wallpaper.Present(); }

protected:
    void Paint() override;
    // Draws, or with DT_CALCRECT measures into `rect`, the caption (see above).
    virtual void RenderText(TRect& rect, unsigned flags);
    // Fits the bounds to the caption (see above).
    virtual void FitToText();

    void DoDrawText(TRect& rect, unsigned flags) override { RenderText(rect, flags); }
    void AdjustBounds() override { FitToText(); }

private:
    void ShadowChanged();

    TColor m_shadowColor = clBtnHighlight;
    std::uint8_t m_shadowSize = 1;
    TShadowPosition m_shadowPos = TShadowPosition::spLeftTop;
    bool m_simpleView = false;
    TBevelCut m_bevelInner = TBevelCut::bvNone;
    TBevelCut m_bevelOuter = TBevelCut::bvNone;
    std::int32_t m_bevelsOffset = 0;
    kiv::Wallpaper m_wallpaper;
};

}  // namespace kiv
