// TCoolScrollingText: properties, the text block, its steps and the redraw of each step.
#include "controls/cool_scrolling_text.h"

#include <QImage>

#include "controls/thread_timer.h"
#include "framework/class_registry.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/font.h"
#include "framework/forms/idents.h"
#include "framework/forms/win_control.h"
#include "framework/stdctrls/measure_context.h"
#include "framework/string_list.h"
#include "platform/draw/draw_text.h"

namespace kiv {

using namespace platform;

namespace {

// The character after the text's first "&" that is not "&&", or 0.
char AcceleratorOf(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return text[i + 1];
        ++i;
    }
    return 0;
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

std::string WithoutTrailingBreaks(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n')) {
        text.pop_back();
    }
    return text;
}

}  // namespace

TCoolScrollingText::TCoolScrollingText(TComponent* owner)
    : TGraphicControl(owner),
      m_strings(std::make_unique<TStringList>()),
      m_timer(std::make_unique<TThreadTimer>()),
      m_wallpaper([this] { Invalidate(); }) {
    SetBounds(Left(), Top(), 97, 15);
    m_strings->SetOnChange([this](TObject*) { StringsChanged(); });
    m_timer->OnTick = [this](TThreadTimer*) { TimerTick(); };
}

TCoolScrollingText::~TCoolScrollingText() {
    // The worker is suspended before it goes, so that no tick reaches a control half gone.
    SetActive(false);
    m_timer.reset();
}

TStrings* TCoolScrollingText::Strings() const {
    return m_strings.get();
}

void TCoolScrollingText::SetStrings(const TStrings* strings) {
    if (strings == m_strings.get()) return;
    m_strings->Assign(strings);
    Invalidate();
}

void TCoolScrollingText::SetActive(bool active) {
    if (active == m_active) return;
    m_active = active;
    UpdateTimer();
    Invalidate();
}

void TCoolScrollingText::SetInterval(std::uint32_t interval) {
    if (interval == m_interval) return;
    m_interval = interval;
    UpdateTimer();
    Invalidate();
}

void TCoolScrollingText::UpdateTimer() {
    if (!m_timer) return;
    m_timer->SetSleepInterval(static_cast<std::uint16_t>(m_interval & 0xFFFF));
    m_timer->SetTimerEnabled(m_active &&
                             !ComponentState().Contains(TComponentStateItem::csDesigning));
}

void TCoolScrollingText::SetScrollDirection(TScrollDirection direction) {
    if (direction == m_direction) return;
    m_direction = direction;
    if (direction == TScrollDirection::sdLeftToRight ||
        direction == TScrollDirection::sdRightToLeft) {
        SetAlignment(TAlignment::taLeftJustify);
    }
    Invalidate();
}

void TCoolScrollingText::SetAlignment(TAlignment alignment) {
    if (alignment == m_alignment) return;
    m_alignment = alignment;
    Invalidate();
}

void TCoolScrollingText::SetShadowColor(TColor color) {
    if (color == m_shadowColor) return;
    m_shadowColor = color;
    m_simpleView = false;
    Invalidate();
}

void TCoolScrollingText::SetShadowSize(std::uint8_t size) {
    if (size == m_shadowSize) return;
    m_shadowSize = size;
    m_simpleView = false;
    Invalidate();
}

void TCoolScrollingText::SetShadowPos(TShadowPosition position) {
    if (position == m_shadowPos) return;
    m_shadowPos = position;
    m_simpleView = false;
    Invalidate();
}

void TCoolScrollingText::SetSimpleView(bool simpleView) {
    if (simpleView == m_simpleView) return;
    m_simpleView = simpleView;
    Invalidate();
}

void TCoolScrollingText::SetShowAccelChar(bool showAccelChar) {
    if (showAccelChar == m_showAccelChar) return;
    m_showAccelChar = showAccelChar;
    Invalidate();
}

void TCoolScrollingText::SetTransparent(bool transparent) {
    if (transparent == m_transparent) return;
    m_transparent = transparent;
    Invalidate();
}

void TCoolScrollingText::SetAutoSize(bool autoSize) {
    if (autoSize == m_autoSize) return;
    m_autoSize = autoSize;
    FitToText();
}

void TCoolScrollingText::SetFocusControl(TWinControl* control) {
    if (control == m_focusControl) return;
    if (m_focusControl) RemoveFreeNotification(m_focusControl);
    m_focusControl = control;
    if (control) FreeNotification(control);
}

void TCoolScrollingText::SetWallpaper(const TBitmap* bitmap) {
    if (m_wallpaper.IsOwn(bitmap)) return;
    m_wallpaper.Assign(bitmap);
    Invalidate();
}

void TCoolScrollingText::SetIdWallpaper(int index) {
    if (m_wallpaper.SetIndex(index)) Invalidate();
}

void TCoolScrollingText::StringsChanged() {
    Invalidate();
    FitToText();
}

std::string TCoolScrollingText::TextBlock(bool trailingBlank) const {
    std::string block;
    for (int i = 0; i < m_strings->Count(); ++i) {
        block += m_strings->Strings(i);
        block += "\r\n";
    }
    if (trailingBlank) block += ' ';
    return block;
}

void TCoolScrollingText::RenderLines(TCanvas& canvas, TRect& rect, unsigned flags) {
    const std::string block = TextBlock(Enabled());
    if (m_showAccelChar) flags |= DT_NOPREFIX;
    canvas.SetFont(Font());
    DeviceContext& dc = *canvas.Handle();
    if (!Enabled()) {
        DrawTextWithShadow(dc, rect, TShadowPosition::spRightBottom, block, flags, clBtnShadow,
                           clBtnHighlight, 1);
    } else if (m_simpleView) {
        dc.SetTextColor(ColorToRGB(Font()->Color()));
        DrawText(dc, block, rect, flags);
    } else {
        DrawTextWithShadow(dc, rect, m_shadowPos, block, flags, Font()->Color(), m_shadowColor,
                           m_shadowSize);
    }
}

TRect TCoolScrollingText::MeasureText() {
    TRect rect(0, 0, Width(), Height());
    MeasureContext measure(*Canvas());
    const unsigned wrap = m_strings->Count() >= 2 ? DT_WORDBREAK : 0;
    RenderLines(*Canvas(), rect, DT_CALCRECT | DT_EXPANDTABS | wrap);
    return rect;
}

void TCoolScrollingText::DrawContent(TCanvas& canvas) {
    const TRect client(0, 0, Width(), Height());
    // A wallpaper is drawn even on a transparent control.
    if (HasWallpaper() || !m_transparent) m_wallpaper.Fill(canvas, client, Color());
    canvas.Brush()->SetStyle(TBrushStyle::bsClear);
    TRect text(m_textLeft, m_textTop, Width(), Height());
    RenderLines(canvas, text, AlignmentFlag(m_alignment) | DT_NOCLIP);
}

void TCoolScrollingText::Paint() {
    DrawContent(*Canvas());
}

void TCoolScrollingText::ResetPosition(bool initialPosition) {
    m_textLeft = 0;
    m_textTop = 0;
    if (initialPosition || ComponentState().Contains(TComponentStateItem::csDesigning)) return;
    switch (m_direction) {
        case TScrollDirection::sdBottomToTop:
            m_textTop = Height();
            break;
        case TScrollDirection::sdTopToBottom:
            m_textTop = -Height();
            break;
        case TScrollDirection::sdLeftToRight:
            m_textLeft = -Width();
            break;
        case TScrollDirection::sdRightToLeft:
            m_textLeft = Width();
            break;
    }
}

void TCoolScrollingText::TimerTick() {
    if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
    ScrollStep();
}

void TCoolScrollingText::ScrollStep() {
    int dx = 0;
    int dy = 0;
    bool passEnded = false;
    switch (m_direction) {
        case TScrollDirection::sdBottomToTop:
            dy = -1;
            if (m_textTop > -MeasureText().Height()) {
                --m_textTop;
            } else {
                passEnded = true;
            }
            break;
        case TScrollDirection::sdTopToBottom:
            dy = 1;
            if (m_textTop < Height()) {
                ++m_textTop;
            } else {
                passEnded = true;
            }
            break;
        case TScrollDirection::sdLeftToRight:
            dx = 1;
            if (m_textLeft < Width()) {
                ++m_textLeft;
            } else {
                passEnded = true;
            }
            break;
        case TScrollDirection::sdRightToLeft:
            dx = -1;
            if (m_textLeft > -MeasureText().Width()) {
                --m_textLeft;
            } else {
                passEnded = true;
            }
            break;
    }
    if (passEnded) {
        bool initialPosition = false;
        const std::weak_ptr<bool> alive = m_alive;
        m_onTextScrolled(this, initialPosition);
        if (alive.expired()) return;
        ResetPosition(initialPosition);
    }
    Redraw(dx, dy);
}

void TCoolScrollingText::Redraw(int dx, int dy) {
    TWinControl* parent = Parent();
    if (!parent || !parent->HandleAllocated() || !Visible() || Width() == 0 || Height() == 0) {
        return;
    }
    if (!HasWallpaper() && !m_transparent) {
        const TRect bounds = BoundsRect();
        parent->ScrollWindowEx(dx, dy, &bounds, &bounds, SW_INVALIDATE | SW_ERASE);
        return;
    }
    if (m_transparent) {
        // The parent paints the control's area as it shows it, this control at its new place
        // among its windowless siblings; only that area is composed.
        QImage image(Width(), Height(), QImage::Format_RGB32);
        if (image.isNull()) return;
        DeviceContext composed(image);
        composed.SetWindowOrgEx(Left(), Top());
        parent->Perform(WM_ERASEBKGND, DCParam(composed));
        parent->Perform(WM_PAINT, DCParam(composed));
        Canvas()->Handle()->BitBlt(0, 0, Width(), Height(), &composed, Left(), Top(), SRCCOPY);
        return;
    }
    TBitmap bitmap;
    bitmap.SetSize(Width(), Height());
    DrawContent(*bitmap.Canvas());
    Canvas()->Draw(0, 0, &bitmap);
}

void TCoolScrollingText::FitToText() {
    if (!m_autoSize || !Parent() || ComponentState().Contains(TComponentStateItem::csReading)) {
        return;
    }
    const TRect measured = MeasureText();
    int x = Left();
    if (m_alignment == TAlignment::taRightJustify) x += Width() - measured.Right;
    SetBounds(x, Top(), measured.Right, measured.Bottom);
}

void TCoolScrollingText::Loaded() {
    TGraphicControl::Loaded();
    FitToText();
    ResetPosition(false);
}

void TCoolScrollingText::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_focusControl) m_focusControl = nullptr;
}

void TCoolScrollingText::SetName(const std::string& name) {
    const bool loading = ComponentState().Contains(TComponentStateItem::csLoading);
    const bool showsName = !loading && WithoutTrailingBreaks(m_strings->Text()) == Name();
    TGraphicControl::SetName(name);
    if (showsName) m_strings->SetText(name);
}

void TCoolScrollingText::CMTextChanged(TMessage& message) {
    TGraphicControl::CMTextChanged(message);
    FitToText();
    Invalidate();
}

void TCoolScrollingText::CMFontChanged(TMessage& message) {
    TGraphicControl::CMFontChanged(message);
    FitToText();
    Invalidate();
}

void TCoolScrollingText::CMEnabledChanged(TMessage& message) {
    TGraphicControl::CMEnabledChanged(message);
    Invalidate();
}

void TCoolScrollingText::CMDialogChar(TMessage& message) {
    if (!m_focusControl || !Enabled() || !m_showAccelChar) return;
    const char key = static_cast<char>(message.WParam);
    const char accelerator = AcceleratorOf(TextBlock(true));
    if (accelerator == 0 || AsciiUpper(accelerator) != AsciiUpper(key)) return;
    if (m_focusControl->CanFocus()) m_focusControl->SetFocus();
    message.Result = 1;
}

namespace {
const bool registered = RegisterClass<TCoolScrollingText, TGraphicControl>(
    "TCoolScrollingText",
    {
        Prop("Active", &TCoolScrollingText::Active, &TCoolScrollingText::SetActive).Default(false),
        Prop("Interval", &TCoolScrollingText::Interval, &TCoolScrollingText::SetInterval)
            .Default(25),
        Prop("ScrollDirection", &TCoolScrollingText::ScrollDirection,
             &TCoolScrollingText::SetScrollDirection)
            .Default(TScrollDirection::sdRightToLeft),
        Prop("Strings", &TCoolScrollingText::Strings, &TCoolScrollingText::SetStrings),
        Prop("Alignment", &TCoolScrollingText::Alignment, &TCoolScrollingText::SetAlignment)
            .Default(TAlignment::taLeftJustify),
        Prop("AutoSize", &TCoolScrollingText::AutoSize, &TCoolScrollingText::SetAutoSize)
            .Default(false),
        Prop("ShadowColor", &TCoolScrollingText::ShadowColor, &TCoolScrollingText::SetShadowColor)
            .Idents(ColorIdents())
            .Default(clBtnHighlight),
        Prop("ShadowSize", &TCoolScrollingText::ShadowSize, &TCoolScrollingText::SetShadowSize)
            .Default(1),
        Prop("ShadowPos", &TCoolScrollingText::ShadowPos, &TCoolScrollingText::SetShadowPos)
            .Default(TShadowPosition::spLeftTop),
        Prop("SimpleView", &TCoolScrollingText::SimpleView, &TCoolScrollingText::SetSimpleView)
            .Default(false),
        Prop("ShowAccelChar", &TCoolScrollingText::ShowAccelChar,
             &TCoolScrollingText::SetShowAccelChar)
            .Default(true),
        Prop("Transparent", &TCoolScrollingText::Transparent, &TCoolScrollingText::SetTransparent)
            .Default(false),
        Prop("FocusControl", &TCoolScrollingText::FocusControl,
             &TCoolScrollingText::SetFocusControl),
        Prop("OnTextScrolled", &TCoolScrollingText::OnTextScrolled,
             &TCoolScrollingText::SetOnTextScrolled),
        Prop("Wallpaper", &TCoolScrollingText::Wallpaper, &TCoolScrollingText::SetWallpaper),
        Prop("idWallpaper", &TCoolScrollingText::IdWallpaper, &TCoolScrollingText::SetIdWallpaper)
            .Default(-1),
    });
}  // namespace

}  // namespace kiv
