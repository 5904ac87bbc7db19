// TCoolScrollingText: a windowless block of text lines that moves one pixel per timer tick,
// without end.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "controls/cool_utils.h"
#include "controls/wallpaper.h"
#include "framework/event.h"
#include "framework/forms/graphic_control.h"

namespace kiv {

class TBitmap;
class TCanvas;
class TStringList;
class TStrings;
class TThreadTimer;
class TWinControl;

enum class TScrollDirection : std::uint8_t {
    sdBottomToTop,
    sdTopToBottom,
    sdLeftToRight,
    sdRightToLeft
};
template <>
struct EnumInfo<TScrollDirection> {
    static constexpr std::array<std::string_view, 4> names{"sdBottomToTop", "sdTopToBottom",
                                                           "sdLeftToRight", "sdRightToLeft"};
};

// Raised at the end of each pass; a handler that sets InitialPosition to true makes the next
// pass start with the block in full view at the top-left.
using TTextScrolledEvent = Event<TObject*, bool&>;

// The text block is every line followed by CR LF, then one blank, so that it always ends in a
// line holding a single blank. Its origin (TextLeft, TextTop) is relative to the control.
//
// Each tick of the timer (a TThreadTimer, running while Active) moves the block one pixel in
// ScrollDirection. When the block has wholly left the control (above -(measured height) for
// sdBottomToTop, at Height for sdTopToBottom, at Width for sdLeftToRight, at -(measured width)
// for sdRightToLeft), the tick ends the pass instead: OnTextScrolled, then ResetPosition with
// the InitialPosition the handler left (false by default), which puts the block just beyond
// the edge it enters from. The block is measured on every tick with DT_WORDBREAK when there
// are two or more lines (so over-wide lines lengthen a pass) and drawn unwrapped and unclipped
// but for the control's bounds.
//
// The tick shows the step at once: a transparent control has its parent paint the control's
// area afresh off-screen (its background and windowless controls, this one at its new place)
// and copies that onto the screen; a control with a wallpaper composes itself off-screen; an
// opaque one has the parent's pixels moved by the step and the uncovered strip painted in the
// next paint cycle. Without a parent window a tick only moves the block.
//
// Changes of Strings (which the control owns; assigning copies), ScrollDirection, Alignment or
// size take effect at the next tick without a reset. The setters do nothing when the value is
// unchanged and otherwise invalidate; the shadow setters also turn SimpleView off. Loading
// ends with ResetPosition(false). In design mode the timer does not run and the block rests at
// (0, 0). Destruction stops the timer first. UI thread only.
class TCoolScrollingText : public TGraphicControl {
public:
    explicit TCoolScrollingText(TComponent* owner);
    ~TCoolScrollingText() override;

    bool Active() const { return m_active; }
    void SetActive(bool active);
    // Milliseconds the timer sleeps before each step; only the low 16 bits reach the timer.
    std::uint32_t Interval() const { return m_interval; }
    void SetInterval(std::uint32_t interval);
    TScrollDirection ScrollDirection() const { return m_direction; }
    // sdLeftToRight and sdRightToLeft also set Alignment to taLeftJustify.
    void SetScrollDirection(TScrollDirection direction);
    virtual TStrings* Strings() const;
    void SetStrings(const TStrings* strings);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);
    TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(TColor color);
    std::uint8_t ShadowSize() const { return m_shadowSize; }
    void SetShadowSize(std::uint8_t size);
    TShadowPosition ShadowPos() const { return m_shadowPos; }
    void SetShadowPos(TShadowPosition position);
    bool SimpleView() const { return m_simpleView; }
    void SetSimpleView(bool simpleView);
    // True (the default) draws an "&" as itself; false makes it underline the next character.
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool showAccelChar);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize);
    // Takes the focus when the text's accelerator key is typed in the window.
    TWinControl* FocusControl() const { return m_focusControl; }
    void SetFocusControl(TWinControl* control);
    const TTextScrolledEvent& OnTextScrolled() const { return m_onTextScrolled; }
    void SetOnTextScrolled(TTextScrolledEvent handler) { m_onTextScrolled = std::move(handler); }

    TBitmap* Wallpaper() const { return m_wallpaper.Bitmap(); }
    void SetWallpaper(const TBitmap* bitmap);
    int IdWallpaper() const { return m_wallpaper.Index(); }
    void SetIdWallpaper(int index);
    bool HasWallpaper() const { return m_wallpaper.Present(); }

    int TextLeft() const { return m_textLeft; }
    int TextTop() const { return m_textTop; }
    // The timer that drives the control; its FireTimer runs one tick.
    TThreadTimer& Timer() const { return *m_timer; }
    // The block's measured rectangle, from the client area's top-left corner.
    TRect MeasureText();

    // Replaces the lines by the new name when they showed the old one (not while loading).
    void SetName(const std::string& name) override;

protected:
    // Puts the block at the start of a pass (see above).
    virtual void ResetPosition(bool initialPosition);
    // Draws, or with DT_CALCRECT measures into `rect`, the text block on `canvas`: a disabled
    // control the lines without the trailing blank, engraved; SimpleView in one plain pass;
    // otherwise with the shadow settings. ShowAccelChar adds DT_NOPREFIX.
    virtual void RenderLines(TCanvas& canvas, TRect& rect, unsigned flags);
    // The background (wallpaper, or Color unless Transparent) and the block at its place.
    void DrawContent(TCanvas& canvas);
    // One tick: moves the block or ends the pass, then shows the result.
    void ScrollStep();

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Paint() override;
    void CMTextChanged(TMessage& message) override;
    void CMFontChanged(TMessage& message) override;
    void CMEnabledChanged(TMessage& message) override;
    void CMDialogChar(TMessage& message) override;

private:
    void UpdateTimer();
    void TimerTick();
    void StringsChanged();
    void FitToText();
    void Redraw(int dx, int dy);
    std::string TextBlock(bool trailingBlank) const;

    std::unique_ptr<TStringList> m_strings;
    std::unique_ptr<TThreadTimer> m_timer;
    bool m_active = false;
    std::uint32_t m_interval = 25;
    TScrollDirection m_direction = TScrollDirection::sdRightToLeft;
    TAlignment m_alignment = TAlignment::taLeftJustify;
    TColor m_shadowColor = clBtnHighlight;
    std::uint8_t m_shadowSize = 1;
    TShadowPosition m_shadowPos = TShadowPosition::spLeftTop;
    bool m_simpleView = false;
    bool m_showAccelChar = true;
    bool m_transparent = false;
    bool m_autoSize = false;
    TWinControl* m_focusControl = nullptr;
    TTextScrolledEvent m_onTextScrolled;
    kiv::Wallpaper m_wallpaper;
    int m_textLeft = 0;
    int m_textTop = 0;
    // Lets a tick notice that a handler it called destroyed the control.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace kiv
