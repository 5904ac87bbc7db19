// TControl: a visible component with bounds, a parent, colours, a font and mouse events.
#pragma once

#include <memory>
#include <string>

#include "framework/component.h"
#include "framework/event.h"
#include "framework/forms/control_types.h"
#include "framework/forms/messages.h"
#include "platform/draw/color.h"
#include "platform/draw/rect.h"

namespace kiv {

class TFont;
class TWinControl;

using TMouseEvent = Event<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = Event<TObject*, TShiftState, int, int>;

// Every message a control gets goes through WindowProc(): by default the control's own WndProc,
// which hands it to the virtual handler of its number (Dispatch). A component may subclass a
// control by saving WindowProc() and installing its own procedure that calls the saved one.
//
// Property setters do nothing when the value is unchanged. Caption, Color, Font, Enabled,
// Visible and Cursor changes are announced to the control itself (and so to any subclass
// procedure) as CM_TEXTCHANGED, CM_COLORCHANGED, CM_FONTCHANGED, CM_ENABLEDCHANGED,
// CM_VISIBLECHANGED and CM_CURSORCHANGED. Setting Color or a Font value clears ParentColor or
// ParentFont; while ParentColor or ParentFont is set the control follows its parent's.
//
// The parent is a non-owning link: the owner (usually the form) owns the control. A control
// leaves its parent when it is destroyed, and a parent being destroyed detaches its children.
// UI thread only.
class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return m_parent; }
    // Moves the control to `parent`'s list of controls (on top of the others); nullptr removes
    // it from its parent. Raises EInvalidOperation when `parent` is this control or inside it.
    virtual void SetParent(TWinControl* parent);
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetLeft(int left) { SetBounds(left, m_top, m_width, m_height); }
    void SetTop(int top) { SetBounds(m_left, top, m_width, m_height); }
    void SetWidth(int width) { SetBounds(m_left, m_top, width, m_height); }
    void SetHeight(int height) { SetBounds(m_left, m_top, m_width, height); }
    // Position in the parent's client coordinates and size; negative sizes count as 0.
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return {m_left, m_top, m_left + m_width, m_top + m_height}; }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }

    // The client area in the control's own coordinates: (0, 0, Width, Height) unless a
    // descendant has a frame.
    virtual TRect ClientRect() const { return {0, 0, m_width, m_height}; }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    virtual void SetClientWidth(int width) { SetWidth(width); }
    virtual void SetClientHeight(int height) { SetHeight(height); }
    // Screen position of the client area's top-left corner.
    virtual TPoint ClientOrigin() const;
    TPoint ClientToScreen(TPoint p) const { return p + ClientOrigin(); }
    TPoint ScreenToClient(TPoint p) const { return p - ClientOrigin(); }

    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent up to a form visible too.
    bool IsShowing() const;
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    const std::string& Caption() const { return m_text; }
    void SetCaption(const std::string& text) { SetText(text); }
    const std::string& Text() const { return m_text; }
    void SetText(const std::string& text);

    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    bool ParentColor() const { return m_parentColor; }
    void SetParentColor(bool parentColor);
    TFont* Font() const { return m_font.get(); }
    // Copies `font` into the control's own font.
    void SetFont(const TFont* font);
    bool ParentFont() const { return m_parentFont; }
    void SetParentFont(bool parentFont);
    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor cursor);
    const std::string& Hint() const { return m_hint; }
    void SetHint(const std::string& hint) { m_hint = hint; }
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool showHint) { m_showHint = showHint; }

    // Whether Color and Font are written to designs (not while taken from the parent).
    bool IsColorStored() const { return !m_parentColor; }
    bool IsFontStored() const { return !m_parentFont; }

    TControlStyle ControlStyle() const { return m_controlStyle; }
    void SetControlStyle(TControlStyle style) { m_controlStyle = style; }
    TControlState ControlState() const { return m_controlState; }

    // Whether mouse messages go to this control whatever the pointer's position (between a
    // press and its release, for controls with csCaptureMouse).
    bool MouseCapture() const;
    void SetMouseCapture(bool capture);

    // Deferred: the control's area is painted at the next paint cycle.
    virtual void Invalidate();
    // Immediate: the parts waiting to be painted are painted before the call returns.
    virtual void Update();
    // Immediate: the whole control is painted again before the call returns.
    virtual void Repaint();
    void Refresh() { Repaint(); }
    // Moves the control above (or below) its siblings of the same kind.
    void BringToFront();
    void SendToBack();

    // Sends a message straight to WindowProc() and answers its Result.
    LRESULT Perform(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
    const TWndMethod& WindowProc() const { return m_windowProc; }
    // Installs a procedure; an empty one restores the control's own WndProc.
    void SetWindowProc(TWndMethod proc);
    // The control's own procedure: does the bookkeeping of mouse messages, then Dispatch.
    virtual void WndProc(TMessage& message);
    // Calls the handler of the message's number, or DefaultHandler.
    void Dispatch(TMessage& message);

    const TNotifyEvent& OnClick() const { return m_onClick; }
    void SetOnClick(TNotifyEvent handler) { m_onClick = std::move(handler); }
    const TMouseEvent& OnMouseDown() const { return m_onMouseDown; }
    void SetOnMouseDown(TMouseEvent handler) { m_onMouseDown = std::move(handler); }
    const TMouseEvent& OnMouseUp() const { return m_onMouseUp; }
    void SetOnMouseUp(TMouseEvent handler) { m_onMouseUp = std::move(handler); }
    const TMouseMoveEvent& OnMouseMove() const { return m_onMouseMove; }
    void SetOnMouseMove(TMouseMoveEvent handler) { m_onMouseMove = std::move(handler); }

protected:
    void Loaded() override;
    // Raises OnClick.
    virtual void Click();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    // Tells the parent (CM_CHANGED) that this control changed in a way it may care about.
    void Changed();
    void ControlStateInclude(TControlStateItem item) { m_controlState.Include(item); }
    void ControlStateExclude(TControlStateItem item) { m_controlState.Exclude(item); }

    // Message handlers; overrides usually call the base first.
    virtual void WMMouseMove(TMessage& message);
    virtual void WMLButtonDown(TMessage& message);
    virtual void WMLButtonUp(TMessage& message);
    virtual void WMRButtonDown(TMessage& message);
    virtual void WMRButtonUp(TMessage& message);
    virtual void WMPaint(TMessage& message);
    virtual void WMEraseBkgnd(TMessage& message);
    virtual void WMSetCursor(TMessage& message);
    virtual void WMMove(TMessage& message);
    virtual void WMSize(TMessage& message);
    virtual void WMSysCommand(TMessage& message);
    virtual void WMClose(TMessage& message);
    virtual void WMMouseLeave(TMessage& message);
    virtual void CMEnabledChanged(TMessage& message);
    virtual void CMVisibleChanged(TMessage& message);
    virtual void CMColorChanged(TMessage& message);
    virtual void CMFontChanged(TMessage& message);
    virtual void CMTextChanged(TMessage& message);
    virtual void CMCursorChanged(TMessage& message);
    virtual void CMParentColorChanged(TMessage& message);
    virtual void CMParentFontChanged(TMessage& message);
    virtual void CMMouseEnter(TMessage& message);
    virtual void CMMouseLeave(TMessage& message);
    virtual void CMCtl3DChanged(TMessage& message);
    virtual void CMParentCtl3DChanged(TMessage& message);
    virtual void CMDialogChar(TMessage& message);
    virtual void CMChanged(TMessage& message);
    // Messages without a handler of their own; the base leaves Result at 0.
    virtual void DefaultHandler(TMessage& message);

private:
    friend class TWinControl;

    void FontChanged();
    void DoMouseDown(TMessage& message, TMouseButton button);
    void DoMouseUp(TMessage& message, TMouseButton button);
    void InvalidateArea(bool erase);

    TWinControl* m_parent = nullptr;
    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
    bool m_visible = true;
    bool m_enabled = true;
    std::string m_text;
    TColor m_color = clWindow;
    bool m_parentColor = true;
    std::unique_ptr<TFont> m_font;
    bool m_parentFont = true;
    TCursor m_cursor = crDefault;
    std::string m_hint;
    bool m_showHint = false;
    TControlStyle m_controlStyle{TControlStyleItem::csCaptureMouse,
                                 TControlStyleItem::csClickEvents, TControlStyleItem::csSetCaption};
    TControlState m_controlState;
    TWndMethod m_windowProc;
    TNotifyEvent m_onClick;
    TMouseEvent m_onMouseDown;
    TMouseEvent m_onMouseUp;
    TMouseMoveEvent m_onMouseMove;
    // Guards against the font-changed notice of a font taken from the parent clearing ParentFont.
    bool m_takingParentFont = false;
};

// The form a control lies on (itself for a form), or nullptr.
class TForm;
TForm* GetParentForm(const TControl& control);

}  // namespace kiv
