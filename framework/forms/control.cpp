// TControl: bounds, parent link, properties with their notices, and message dispatch.
#include "framework/forms/control.h"

#include <algorithm>
#include <utility>

#include "framework/class_registry.h"
#include "framework/forms/errors.h"
#include "framework/forms/font.h"
#include "framework/forms/form.h"
#include "framework/forms/idents.h"
#include "framework/forms/win_control.h"
#include "platform/draw/device_context.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TControl, TComponent>(
    "TControl",
    {
        Prop("Left", &TControl::Left, &TControl::SetLeft),
        Prop("Top", &TControl::Top, &TControl::SetTop),
        Prop("Width", &TControl::Width, &TControl::SetWidth),
        Prop("Height", &TControl::Height, &TControl::SetHeight),
        Prop("Caption", &TControl::Caption, &TControl::SetCaption),
        Prop("Color", &TControl::Color, &TControl::SetColor)
            .Idents(ColorIdents())
            .Stored(&TControl::IsColorStored),
        Prop("Cursor", &TControl::Cursor, &TControl::SetCursor)
            .Idents(CursorIdents())
            .Default(crDefault),
        Prop("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true),
        Prop("Font", &TControl::Font).Stored(&TControl::IsFontStored),
        Prop("Hint", &TControl::Hint, &TControl::SetHint),
        Prop("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(true),
        Prop("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true),
        Prop("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).Default(false),
        Prop("Visible", &TControl::Visible, &TControl::SetVisible).Default(true),
        Prop("OnClick", &TControl::OnClick, &TControl::SetOnClick),
        Prop("OnMouseDown", &TControl::OnMouseDown, &TControl::SetOnMouseDown),
        Prop("OnMouseMove", &TControl::OnMouseMove, &TControl::SetOnMouseMove),
        Prop("OnMouseUp", &TControl::OnMouseUp, &TControl::SetOnMouseUp),
    });

TShiftState ShiftFromKeys(WPARAM keys) {
    TShiftState shift;
    if (keys & MK_SHIFT) shift.Include(TShiftStateItem::ssShift);
    if (keys & MK_CONTROL) shift.Include(TShiftStateItem::ssCtrl);
    if (keys & MK_LBUTTON) shift.Include(TShiftStateItem::ssLeft);
    if (keys & MK_RBUTTON) shift.Include(TShiftStateItem::ssRight);
    if (keys & MK_MBUTTON) shift.Include(TShiftStateItem::ssMiddle);
    return shift;
}

TPoint MessagePoint(const TMessage& message) {
    return {GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
}

}  // namespace

TControl::TControl(TComponent* owner) : TComponent(owner), m_font(std::make_unique<TFont>()) {
    m_font->OnChange = [this](TObject*) { FontChanged(); };
    m_windowProc = [this](TMessage& message) { WndProc(message); };
}

TControl::~TControl() {
    if (m_parent) m_parent->RemoveControl(*this);
}

TComponent* TControl::GetParentComponent() const {
    return m_parent;
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* winControl = dynamic_cast<TWinControl*>(parent)) SetParent(winControl);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == m_parent) return;
    for (const TControl* p = parent; p; p = p->m_parent) {
        if (p == this) {
            throw EInvalidOperation(
                FormatMessage("Control '%s' cannot be placed inside itself", Name()));
        }
    }
    if (m_parent) m_parent->RemoveControl(*this);
    if (parent) parent->InsertControl(*this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == m_left && top == m_top && width == m_width && height == m_height) return;
    if (m_visible) InvalidateArea(true);
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    if (m_visible) InvalidateArea(true);
}

TPoint TControl::ClientOrigin() const {
    TPoint origin(m_left, m_top);
    return m_parent ? origin + m_parent->ClientOrigin() : origin;
}

void TControl::SetVisible(bool visible) {
    if (visible == m_visible) return;
    m_visible = visible;
    Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
}

bool TControl::IsShowing() const {
    if (!m_visible) return false;
    if (m_parent) return m_parent->IsShowing();
    return dynamic_cast<const TForm*>(this) != nullptr;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetText(const std::string& text) {
    if (text == m_text) return;
    m_text = text;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetColor(TColor color) {
    if (color == m_color) return;
    m_color = color;
    m_parentColor = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool parentColor) {
    if (parentColor == m_parentColor) return;
    m_parentColor = parentColor;
    if (parentColor && m_parent) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetFont(const TFont* font) {
    m_font->Assign(font);
}

void TControl::SetParentFont(bool parentFont) {
    if (parentFont == m_parentFont) return;
    m_parentFont = parentFont;
    if (parentFont && m_parent) Perform(CM_PARENTFONTCHANGED);
}

void TControl::FontChanged() {
    if (!m_takingParentFont) m_parentFont = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetCursor(TCursor cursor) {
    if (cursor == m_cursor) return;
    m_cursor = cursor;
    Perform(CM_CURSORCHANGED);
}

bool TControl::MouseCapture() const {
    if (const auto* self = dynamic_cast<const TWinControl*>(this)) {
        return self->m_captureControl == this;
    }
    return m_parent && m_parent->m_captureControl == this;
}

void TControl::SetMouseCapture(bool capture) {
    TWinControl* holder = dynamic_cast<TWinControl*>(this);
    if (!holder) holder = m_parent;
    if (!holder) return;
    if (capture) {
        holder->m_captureControl = this;
    } else if (holder->m_captureControl == this) {
        holder->m_captureControl = nullptr;
    }
}

void TControl::InvalidateArea(bool erase) {
    if (!m_parent || !m_parent->HandleAllocated()) return;
    TRect bounds = BoundsRect();
    m_parent->InvalidateRect(&bounds, erase);
}

void TControl::Invalidate() {
    if (m_visible) InvalidateArea(!m_controlStyle.Contains(TControlStyleItem::csOpaque));
}

void TControl::Update() {
    if (m_parent) m_parent->Update();
}

void TControl::Repaint() {
    if (!m_visible || !m_parent || !m_parent->HandleAllocated()) return;
    if (!m_controlStyle.Contains(TControlStyleItem::csOpaque)) {
        Invalidate();
        Update();
        return;
    }
    // An opaque control covers its rectangle, so it and whatever lies above it can be painted
    // straight onto the parent's pixels without the background.
    WindowHandle& window = m_parent->Handle();
    platform::DeviceContext dc(window.Surface());
    TRect bounds = BoundsRect();
    dc.IntersectClipRect(bounds);
    m_parent->PaintControls(dc, this);
    window.Flush(bounds);
}

void TControl::BringToFront() {
    if (m_parent) m_parent->MoveControl(*this, true);
}

void TControl::SendToBack() {
    if (m_parent) m_parent->MoveControl(*this, false);
}

LRESULT TControl::Perform(unsigned msg, WPARAM wParam, LPARAM lParam) {
    TMessage message{msg, wParam, lParam, 0};
    // A copy, so that a procedure replaced while it runs is not destroyed under it.
    TWndMethod proc = m_windowProc;
    proc(message);
    return message.Result;
}

void TControl::SetWindowProc(TWndMethod proc) {
    if (proc) {
        m_windowProc = std::move(proc);
    } else {
        m_windowProc = [this](TMessage& message) { WndProc(message); };
    }
}

void TControl::WndProc(TMessage& message) {
    if (message.Msg == WM_LBUTTONDOWN || message.Msg == WM_LBUTTONDBLCLK) {
        m_controlState.Include(TControlStateItem::csLButtonDown);
    } else if (message.Msg == WM_LBUTTONUP) {
        m_controlState.Exclude(TControlStateItem::csLButtonDown);
    }
    Dispatch(message);
}

void TControl::Dispatch(TMessage& message) {
    switch (message.Msg) {
        case WM_MOUSEMOVE:
            WMMouseMove(message);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            WMLButtonDown(message);
            break;
        case WM_LBUTTONUP:
            WMLButtonUp(message);
            break;
        case WM_RBUTTONDOWN:
            WMRButtonDown(message);
            break;
        case WM_RBUTTONUP:
            WMRButtonUp(message);
            break;
        case WM_PAINT:
            WMPaint(message);
            break;
        case WM_ERASEBKGND:
            WMEraseBkgnd(message);
            break;
        case WM_SETCURSOR:
            WMSetCursor(message);
            break;
        case WM_MOVE:
            WMMove(message);
            break;
        case WM_SIZE:
            WMSize(message);
            break;
        case WM_SYSCOMMAND:
            WMSysCommand(message);
            break;
        case WM_CLOSE:
            WMClose(message);
            break;
        case WM_MOUSELEAVE:
            WMMouseLeave(message);
            break;
        case CM_ENABLEDCHANGED:
            CMEnabledChanged(message);
            break;
        case CM_VISIBLECHANGED:
            CMVisibleChanged(message);
            break;
        case CM_COLORCHANGED:
            CMColorChanged(message);
            break;
        case CM_FONTCHANGED:
            CMFontChanged(message);
            break;
        case CM_TEXTCHANGED:
            CMTextChanged(message);
            break;
        case CM_CURSORCHANGED:
            CMCursorChanged(message);
            break;
        case CM_PARENTCOLORCHANGED:
            CMParentColorChanged(message);
            break;
        case CM_PARENTFONTCHANGED:
            CMParentFontChanged(message);
            break;
        case CM_MOUSEENTER:
            CMMouseEnter(message);
            break;
        case CM_MOUSELEAVE:
            CMMouseLeave(message);
            break;
        case CM_CTL3DCHANGED:
            CMCtl3DChanged(message);
            break;
        case CM_PARENTCTL3DCHANGED:
            CMParentCtl3DChanged(message);
            break;
        case CM_DIALOGCHAR:
            CMDialogChar(message);
            break;
        case CM_CHANGED:
            CMChanged(message);
            break;
        default:
            DefaultHandler(message);
            break;
    }
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (m_parent && m_parentColor) Perform(CM_PARENTCOLORCHANGED);
    if (m_parent && m_parentFont) Perform(CM_PARENTFONTCHANGED);
}

void TControl::Click() {
    m_onClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    m_onMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    m_onMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    m_onMouseMove(this, shift, x, y);
}

void TControl::Changed() {
    if (m_parent) m_parent->Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this));
}

void TControl::DoMouseDown(TMessage& message, TMouseButton button) {
    TPoint p = MessagePoint(message);
    MouseDown(button, ShiftFromKeys(message.WParam), p.X, p.Y);
}

void TControl::DoMouseUp(TMessage& message, TMouseButton button) {
    TPoint p = MessagePoint(message);
    MouseUp(button, ShiftFromKeys(message.WParam), p.X, p.Y);
}

void TControl::WMMouseMove(TMessage& message) {
    TPoint p = MessagePoint(message);
    MouseMove(ShiftFromKeys(message.WParam), p.X, p.Y);
}

void TControl::WMLButtonDown(TMessage& message) {
    if (m_controlStyle.Contains(TControlStyleItem::csCaptureMouse)) SetMouseCapture(true);
    if (m_controlStyle.Contains(TControlStyleItem::csClickEvents)) {
        m_controlState.Include(TControlStateItem::csClicked);
    }
    DoMouseDown(message, TMouseButton::mbLeft);
}

void TControl::WMLButtonUp(TMessage& message) {
    if (m_controlStyle.Contains(TControlStyleItem::csCaptureMouse)) SetMouseCapture(false);
    if (m_controlState.Contains(TControlStateItem::csClicked)) {
        m_controlState.Exclude(TControlStateItem::csClicked);
        if (ClientRect().Contains(MessagePoint(message))) Click();
    }
    DoMouseUp(message, TMouseButton::mbLeft);
}

void TControl::WMRButtonDown(TMessage& message) {
    DoMouseDown(message, TMouseButton::mbRight);
}

void TControl::WMRButtonUp(TMessage& message) {
    DoMouseUp(message, TMouseButton::mbRight);
}

void TControl::WMPaint(TMessage&) {}
void TControl::WMEraseBkgnd(TMessage&) {}
void TControl::WMSetCursor(TMessage&) {}
void TControl::WMMove(TMessage&) {}
void TControl::WMSize(TMessage&) {}
void TControl::WMSysCommand(TMessage&) {}
void TControl::WMClose(TMessage&) {}
void TControl::WMMouseLeave(TMessage&) {}
void TControl::CMDialogChar(TMessage&) {}
void TControl::CMChanged(TMessage&) {}
void TControl::CMCtl3DChanged(TMessage&) {}
void TControl::CMParentCtl3DChanged(TMessage&) {}
void TControl::CMCursorChanged(TMessage&) {}
void TControl::DefaultHandler(TMessage&) {}

void TControl::CMEnabledChanged(TMessage&) {
    Invalidate();
}

void TControl::CMVisibleChanged(TMessage&) {
    InvalidateArea(true);
}

void TControl::CMColorChanged(TMessage&) {
    Invalidate();
}

void TControl::CMFontChanged(TMessage&) {
    Invalidate();
}

void TControl::CMTextChanged(TMessage&) {
    Invalidate();
}

void TControl::CMParentColorChanged(TMessage&) {
    if (!m_parentColor || !m_parent) return;
    TColor color = m_parent->Color();
    if (color != m_color) {
        m_color = color;
        Perform(CM_COLORCHANGED);
    }
}

void TControl::CMParentFontChanged(TMessage&) {
    if (!m_parentFont || !m_parent) return;
    m_takingParentFont = true;
    try {
        m_font->Assign(m_parent->Font());
    } catch (...) {
        m_takingParentFont = false;
        throw;
    }
    m_takingParentFont = false;
}

void TControl::CMMouseEnter(TMessage& message) {
    if (m_parent) m_parent->Perform(CM_MOUSEENTER, 0, message.LParam);
}

void TControl::CMMouseLeave(TMessage& message) {
    if (m_parent) m_parent->Perform(CM_MOUSELEAVE, 0, message.LParam);
}

TForm* GetParentForm(const TControl& control) {
    const TControl* top = &control;
    while (top->Parent()) top = top->Parent();
    return const_cast<TForm*>(dynamic_cast<const TForm*>(top));
}

}  // namespace kiv
