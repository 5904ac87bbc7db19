// TCustomLabel: a windowless control that shows a caption.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/forms/graphic_control.h"
#include "platform/draw/rect.h"

namespace kiv {

enum class TTextLayout : std::uint8_t { tlTop, tlCenter, tlBottom };
template <>
struct EnumInfo<TTextLayout> {
    static constexpr std::array<std::string_view, 3> names{"tlTop", "tlCenter", "tlBottom"};
};

// Paint fills the client area with Color unless Transparent, then draws the caption with
// DoDrawText. The flags are DT_EXPANDTABS, DT_WORDBREAK with WordWrap, and DT_LEFT, DT_RIGHT
// or DT_CENTER by Alignment; DoDrawText adds DT_NOPREFIX when ShowAccelChar is off (otherwise
// '&' underlines the next character). For Layout tlCenter or tlBottom the caption is measured
// first (DT_CALCRECT) and moved down by (Height - text height) / 2 or Height - text height.
// A disabled label draws its caption engraved: in clBtnHighlight one pixel right and down, then
// in clBtnShadow in place.
//
// With AutoSize (the default) the label takes the size of its caption (measured with
// DT_EXPANDTABS, DT_WORDBREAK with WordWrap, within the current width) after loading, when
// AutoSize is switched on, and when the caption, font, WordWrap or ShowAccelChar change, but
// not while its design is being read. A right-justified label keeps its right edge, any other
// its left. An empty caption measures as one blank, so an empty label stays one line high.
// UI thread only.
class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);
    ~TCustomLabel() override;

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);
    TTextLayout Layout() const { return m_layout; }
    void SetLayout(TTextLayout layout);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool wordWrap);
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool showAccelChar);
    // Transparent is the absence of csOpaque: an opaque label fills its area with Color.
    bool Transparent() const;
    void SetTransparent(bool transparent);
    bool AutoSize() const { return m_autoSize; }
    virtual void SetAutoSize(bool autoSize);

protected:
    void Loaded() override;
    void Paint() override;
    // Draws (or with DT_CALCRECT measures) the caption in `rect` on Canvas() with `flags`; a
    // measurement writes the text's extent back into `rect`.
    virtual void DoDrawText(TRect& rect, unsigned flags);
    // Fits the bounds to the caption when AutoSize allows it (see above).
    virtual void AdjustBounds();
    // The text DoDrawText draws; the caption by default.
    virtual std::string GetLabelText() const { return Caption(); }

    void CMTextChanged(TMessage& message) override;
    void CMFontChanged(TMessage& message) override;

private:
    TAlignment m_alignment = TAlignment::taLeftJustify;
    TTextLayout m_layout = TTextLayout::tlTop;
    bool m_wordWrap = false;
    bool m_showAccelChar = true;
    bool m_autoSize = true;
};

}  // namespace kiv
