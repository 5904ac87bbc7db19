// TWinControl: a control with a window of its own that holds child controls.
#pragma once

#include <QRegion>
#include <memory>
#include <optional>
#include <vector>

#include "framework/forms/control.h"
#include "framework/forms/window_handle.h"

namespace kiv {

namespace platform {
class DeviceContext;
}

constexpr unsigned SW_INVALIDATE = 0x0002;
constexpr unsigned SW_ERASE = 0x0004;

// The window (the handle) is created lazily: HandleNeeded() creates it, with the parent's first
// and the windowed children's after it, when something needs it (showing a form, a canvas
// drawing outside a paint cycle); until then the control keeps its values only.
//
// Mouse messages that arrive at the window go, after the pointer bookkeeping, to the child
// without a window that lies under the pointer (the most recently added on top, visible and
// enabled ones only), translated to its coordinates; a child that captured the mouse gets
// them wherever the pointer is. Only when no such child is there does the window's own control
// handle them. A disabled window gets no mouse input at all: the toolkit passes it to the
// parent window, and the windowless children get none either.
//
// Painting: WM_ERASEBKGND fills the client area with Color; WM_PAINT runs PaintWindow and then
// PaintControls. Both paint into whatever device context the message carries, so a control can
// be painted into any context at any offset (`Perform(WM_PAINT, DCParam(dc))`).
class TWinControl : public TControl, private WindowTarget {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    int ControlCount() const {
        return static_cast<int>(m_graphicControls.size() + m_winControls.size());
    }
    // EListError outside 0..ControlCount()-1. Order: windowless ones first (bottom to top),
    // then the windowed ones, as they stack.
    TControl* Controls(int index) const;
    // The visible child under `p` (client coordinates), topmost first; disabled ones only with
    // `allowDisabled`, windowed ones only with `allowWinControls`. nullptr when none.
    TControl* ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls = false) const;
    bool ContainsControl(const TControl* control) const;
    // For design writing: the child controls that `root` owns, in Controls order, then (for the
    // root) its owned components that have no parent.
    void GetChildren(const std::function<void(TComponent&)>& proc,
                     const TComponent* root) const override;

    bool HandleAllocated() const { return m_handle != nullptr; }
    // Creates the window now if it does not exist. Raises EInvalidOperation "Control '%s' has
    // no parent window" for a control that needs a parent and has none.
    void HandleNeeded();
    // The window, created when needed.
    WindowHandle& Handle();
    // Destroys the windows of this control and its windowed children; they are created again
    // when next needed.
    void DestroyHandle();

    bool Ctl3D() const { return m_ctl3D; }
    void SetCtl3D(bool ctl3D);
    bool ParentCtl3D() const { return m_parentCtl3D; }
    void SetParentCtl3D(bool parentCtl3D);
    bool IsCtl3DStored() const { return !m_parentCtl3D; }
    int TabOrder() const { return m_tabOrder; }
    void SetTabOrder(int tabOrder) { m_tabOrder = tabOrder; }
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool tabStop) { m_tabStop = tabStop; }
    // Takes the mouse capture from whichever control of this window holds it.
    void ReleaseCapture() { m_captureControl = nullptr; }
    // Forgets a press in progress: no control of this window keeps the capture or counts as
    // pressed, so the release that follows elsewhere makes no click (a window move takes it).
    void CancelMousePress();
    bool CanFocus() const;
    void SetFocus();

    void SetBounds(int left, int top, int width, int height) override;
    TPoint ClientOrigin() const override;
    void Invalidate() override;
    void Update() override;
    void Repaint() override;
    // Marks part of the client area (all of it for nullptr) for the next paint cycle.
    void InvalidateRect(const TRect* rect, bool erase);

    // Paints the windowless children into `dc` (whose origin is this control's client origin),
    // bottom to top, each moved to its place and clipped to its bounds; starting at `first`
    // when given, as the immediate repaint of an opaque child does.
    void PaintControls(platform::DeviceContext& dc, TControl* first = nullptr);

    // Moves the window's pixels in `scroll` (whole client area for nullptr), clipped to `clip`,
    // by (dx, dy); with SW_INVALIDATE the uncovered part is invalidated (and erased with
    // SW_ERASE) for the next paint cycle. Nothing happens without a window.
    void ScrollWindowEx(int dx, int dy, const TRect* scroll, const TRect* clip, unsigned flags);

    // The window's shape in window coordinates; nullopt gives back the whole rectangle. The
    // region is recorded (WindowRgn) and applied now, or when the window is created.
    void SetWindowRgn(std::optional<QRegion> region, bool redraw = true);
    const std::optional<QRegion>& WindowRgn() const { return m_windowRgn; }

protected:
    // Makes the native window; descendants with a window of another kind replace it.
    virtual std::unique_ptr<WindowHandle> CreateWindowHandle();
    // After the window was created and given the control's values.
    virtual void CreateWnd() {}
    // Draws the control itself into `dc`; the base draws nothing.
    virtual void PaintWindow(platform::DeviceContext& dc);

    void WndProc(TMessage& message) override;
    void WMPaint(TMessage& message) override;
    void WMEraseBkgnd(TMessage& message) override;
    void WMSetCursor(TMessage& message) override;
    void WMMove(TMessage& message) override;
    void WMSize(TMessage& message) override;
    void WMMouseLeave(TMessage& message) override;
    // From the window itself (LParam 0): the pointer came into this window.
    void CMMouseEnter(TMessage& message) override;
    void CMEnabledChanged(TMessage& message) override;
    void CMVisibleChanged(TMessage& message) override;
    void CMColorChanged(TMessage& message) override;
    void CMFontChanged(TMessage& message) override;
    void CMTextChanged(TMessage& message) override;
    void CMCursorChanged(TMessage& message) override;
    void CMCtl3DChanged(TMessage& message) override;
    void CMParentCtl3DChanged(TMessage& message) override;

    // The window's kind; forms are top-level.
    virtual WindowKind Kind() const { return WindowKind::Child; }
    // Applies the control's values to a freshly made window.
    virtual void InitializeHandle(WindowHandle& handle);

private:
    friend class TControl;

    void DeliverMessage(TMessage& message) override;
    void InsertControl(TControl& control);
    void RemoveControl(TControl& control);
    void MoveControl(TControl& control, bool toFront);
    // Routes a mouse message to a windowless child; false when this control keeps it.
    bool IsControlMouseMsg(TMessage& message);
    void TrackMouseControl(TControl* control);
    TControl* MouseTarget(TPoint p) const;
    void NotifyChildren(unsigned msg);
    void CreateChildHandles();

    std::vector<TControl*> m_graphicControls;  // bottom to top
    std::vector<TControl*> m_winControls;      // bottom to top
    std::unique_ptr<WindowHandle> m_handle;
    std::optional<QRegion> m_windowRgn;
    TControl* m_captureControl = nullptr;
    TControl* m_mouseControl = nullptr;
    bool m_ctl3D = true;
    bool m_parentCtl3D = true;
    int m_tabOrder = -1;
    bool m_tabStop = false;
};

}  // namespace kiv
