// TWinControl: the window, child controls, mouse routing and painting into any device context.
#include "framework/forms/win_control.h"

#include <algorithm>
#include <utility>

#include "framework/class_registry.h"
#include "framework/forms/dialogs.h"
#include "framework/forms/errors.h"
#include "platform/draw/dc_state_guard.h"
#include "platform/draw/device_context.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TWinControl, TControl>(
    "TWinControl",
    {
        Prop("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D)
            .Stored(&TWinControl::IsCtl3DStored),
        Prop("ParentCtl3D", &TWinControl::ParentCtl3D, &TWinControl::SetParentCtl3D).Default(true),
        Prop("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Default(-1),
        Prop("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(false),
    });

TPoint MessagePoint(const TMessage& message) {
    return {GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
}

bool IsMouseMessage(unsigned msg) {
    return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST;
}

}  // namespace

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    // Leave the parent while this is still known as a windowed control: it is listed as one.
    if (Parent()) Parent()->RemoveControl(*this);
    // The children stay with their owner; they only lose this parent and their windows.
    for (auto* list : {&m_graphicControls, &m_winControls}) {
        for (TControl* control : *list) {
            control->m_parent = nullptr;
            if (auto* winControl = dynamic_cast<TWinControl*>(control)) winControl->DestroyHandle();
        }
        list->clear();
    }
    m_captureControl = nullptr;
    m_mouseControl = nullptr;
    DestroyHandle();
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount()) {
        throw EListError(FormatMessage("List index out of bounds (%d)", index));
    }
    std::size_t i = static_cast<std::size_t>(index);
    return i < m_graphicControls.size() ? m_graphicControls[i]
                                        : m_winControls[i - m_graphicControls.size()];
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls) const {
    auto hit = [&](const TControl* control) {
        return control->Visible() && (allowDisabled || control->Enabled()) &&
               control->BoundsRect().Contains(p);
    };
    if (allowWinControls) {
        for (auto it = m_winControls.rbegin(); it != m_winControls.rend(); ++it) {
            if (hit(*it)) return *it;
        }
    }
    for (auto it = m_graphicControls.rbegin(); it != m_graphicControls.rend(); ++it) {
        if (hit(*it)) return *it;
    }
    return nullptr;
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* p = control; p; p = p->Parent()) {
        if (p == this) return true;
    }
    return false;
}

void TWinControl::GetChildren(const std::function<void(TComponent&)>& proc,
                              const TComponent* root) const {
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* control = Controls(i);
        if (control->Owner() == root) proc(*control);
    }
    TControl::GetChildren(proc, root);
}

void TWinControl::InsertControl(TControl& control) {
    control.m_parent = this;
    auto* winControl = dynamic_cast<TWinControl*>(&control);
    (winControl ? m_winControls : m_graphicControls).push_back(&control);
    if (control.m_parentColor) control.Perform(CM_PARENTCOLORCHANGED);
    if (control.m_parentFont) control.Perform(CM_PARENTFONTCHANGED);
    if (winControl) {
        winControl->Perform(CM_PARENTCTL3DCHANGED);
        if (m_handle) winControl->HandleNeeded();
    }
    control.Invalidate();
}

void TWinControl::RemoveControl(TControl& control) {
    control.InvalidateArea(true);
    auto* winControl = dynamic_cast<TWinControl*>(&control);
    auto& list = winControl ? m_winControls : m_graphicControls;
    list.erase(std::remove(list.begin(), list.end(), &control), list.end());
    if (m_captureControl == &control) m_captureControl = nullptr;
    if (m_mouseControl == &control) m_mouseControl = nullptr;
    control.m_parent = nullptr;
    if (winControl) winControl->DestroyHandle();
}

void TWinControl::MoveControl(TControl& control, bool toFront) {
    auto* winControl = dynamic_cast<TWinControl*>(&control);
    auto& list = winControl ? m_winControls : m_graphicControls;
    auto it = std::find(list.begin(), list.end(), &control);
    if (it == list.end()) return;
    list.erase(it);
    if (toFront) {
        list.push_back(&control);
    } else {
        list.insert(list.begin(), &control);
    }
    if (winControl && winControl->m_handle) {
        if (toFront) {
            winControl->m_handle->BringToFront();
        } else {
            winControl->m_handle->SendToBack();
        }
    }
    control.Invalidate();
}

void TWinControl::HandleNeeded() {
    if (m_handle) return;
    if (Kind() == WindowKind::Child) {
        if (!Parent()) {
            throw EInvalidOperation(FormatMessage("Control '%s' has no parent window", Name()));
        }
        // Making the parent's window makes the windows of all its children, this one included.
        Parent()->HandleNeeded();
        if (m_handle) return;
    }
    m_handle = CreateWindowHandle();
    InitializeHandle(*m_handle);
    CreateChildHandles();
    CreateWnd();
}

WindowHandle& TWinControl::Handle() {
    HandleNeeded();
    return *m_handle;
}

std::unique_ptr<WindowHandle> TWinControl::CreateWindowHandle() {
    WindowHandle* parent = Parent() ? &Parent()->Handle() : nullptr;
    return kiv::CreateWindowHandle(*this, parent, Kind());
}

void TWinControl::InitializeHandle(WindowHandle& handle) {
    handle.SetBounds(BoundsRect());
    handle.SetEnabled(Enabled());
    handle.SetCursor(Cursor());
    handle.SetTitle(Text());
    if (m_windowRgn) handle.SetMask(m_windowRgn);
    handle.SetVisible(Visible());
}

void TWinControl::CreateChildHandles() {
    for (TControl* control : std::vector<TControl*>(m_winControls)) {
        static_cast<TWinControl*>(control)->HandleNeeded();
    }
}

void TWinControl::DestroyHandle() {
    if (!m_handle) return;
    for (TControl* control : m_winControls) static_cast<TWinControl*>(control)->DestroyHandle();
    m_captureControl = nullptr;
    m_mouseControl = nullptr;
    m_handle.reset();
}

void TWinControl::DeliverMessage(TMessage& message) {
    GuardedCall([&] {
        TWndMethod proc = WindowProc();
        proc(message);
    });
}

void TWinControl::SetCtl3D(bool ctl3D) {
    if (ctl3D == m_ctl3D) return;
    m_ctl3D = ctl3D;
    m_parentCtl3D = false;
    Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetParentCtl3D(bool parentCtl3D) {
    if (parentCtl3D == m_parentCtl3D) return;
    m_parentCtl3D = parentCtl3D;
    if (parentCtl3D) Perform(CM_PARENTCTL3DCHANGED);
}

void TWinControl::CancelMousePress() {
    ReleaseCapture();
    const TControlState pressed{TControlStateItem::csLButtonDown, TControlStateItem::csClicked};
    m_controlState.Exclude(pressed);
    for (TControl* control : m_graphicControls) control->m_controlState.Exclude(pressed);
}

bool TWinControl::CanFocus() const {
    for (const TControl* p = this; p; p = p->Parent()) {
        if (!p->Visible() || !p->Enabled()) return false;
    }
    return true;
}

void TWinControl::SetFocus() {
    if (CanFocus()) Handle().SetFocus();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == Left() && top == Top() && width == Width() && height == Height()) return;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    if (m_handle) m_handle->SetBounds(BoundsRect());
}

TPoint TWinControl::ClientOrigin() const {
    if (m_handle) return m_handle->ClientOrigin();
    return TControl::ClientOrigin();
}

void TWinControl::InvalidateRect(const TRect* rect, bool erase) {
    if (m_handle) m_handle->InvalidateRect(rect, erase);
}

void TWinControl::Invalidate() {
    InvalidateRect(nullptr, !ControlStyle().Contains(TControlStyleItem::csOpaque));
}

void TWinControl::Update() {
    if (m_handle) m_handle->Update();
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

void TWinControl::PaintControls(platform::DeviceContext& dc, TControl* first) {
    auto it = m_graphicControls.begin();
    if (first) {
        auto found = std::find(m_graphicControls.begin(), m_graphicControls.end(), first);
        if (found != m_graphicControls.end()) it = found;
    }
    // A copy: a control's paint may rearrange its siblings.
    std::vector<TControl*> controls(it, m_graphicControls.end());
    for (TControl* control : controls) {
        if (!control->Visible() || control->Width() == 0 || control->Height() == 0) continue;
        platform::DcStateGuard guard(dc);
        dc.OffsetWindowOrgEx(-control->Left(), -control->Top());
        if (dc.IntersectClipRect({0, 0, control->Width(), control->Height()}) ==
            platform::NULLREGION) {
            continue;
        }
        control->Perform(WM_PAINT, DCParam(dc));
    }
}

void TWinControl::PaintWindow(platform::DeviceContext&) {}

void TWinControl::ScrollWindowEx(int dx, int dy, const TRect* scroll, const TRect* clip,
                                 unsigned flags) {
    if (!m_handle) return;
    TRect client = ClientRect();
    QRegion uncovered = m_handle->Scroll(dx, dy, scroll ? *scroll : client, clip ? *clip : client);
    if (!(flags & SW_INVALIDATE)) return;
    for (const QRect& r : uncovered) {
        TRect rect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height());
        m_handle->InvalidateRect(&rect, (flags & SW_ERASE) != 0);
    }
}

void TWinControl::SetWindowRgn(std::optional<QRegion> region, bool redraw) {
    m_windowRgn = std::move(region);
    if (!m_handle) return;
    m_handle->SetMask(m_windowRgn);
    if (redraw) m_handle->InvalidateRect(nullptr, true);
}

TControl* TWinControl::MouseTarget(TPoint p) const {
    if (m_captureControl && m_captureControl != this && m_captureControl->Parent() == this) {
        return m_captureControl;
    }
    TControl* control = ControlAtPos(p, false);
    return control ? control : const_cast<TWinControl*>(this);
}

void TWinControl::TrackMouseControl(TControl* control) {
    if (control == m_mouseControl) return;
    TControl* old = std::exchange(m_mouseControl, control);
    if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
    if (control) control->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(control));
}

bool TWinControl::IsControlMouseMsg(TMessage& message) {
    TPoint p = MessagePoint(message);
    TControl* control = MouseTarget(p);
    if (control == this) return false;
    message.Result = control->Perform(message.Msg, message.WParam,
                                      MAKELPARAM(p.X - control->Left(), p.Y - control->Top()));
    return true;
}

void TWinControl::WndProc(TMessage& message) {
    if (IsMouseMessage(message.Msg)) {
        if (message.Msg == WM_MOUSEMOVE) TrackMouseControl(MouseTarget(MessagePoint(message)));
        if (IsControlMouseMsg(message)) return;
    }
    TControl::WndProc(message);
}

void TWinControl::WMPaint(TMessage& message) {
    if (platform::DeviceContext* dc = MessageDC(message)) {
        {
            platform::DcStateGuard guard(*dc);
            PaintWindow(*dc);
        }
        PaintControls(*dc);
        return;
    }
    if (!m_handle) return;
    platform::DeviceContext own(m_handle->Surface());
    {
        platform::DcStateGuard guard(own);
        PaintWindow(own);
    }
    PaintControls(own);
    m_handle->Flush(ClientRect());
}

void TWinControl::WMEraseBkgnd(TMessage& message) {
    platform::DeviceContext* dc = MessageDC(message);
    if (!dc) return;
    dc->FillRect(ClientRect(), platform::Brush::Solid(ColorToRGB(Color())));
    message.Result = 1;
}

void TWinControl::WMSetCursor(TMessage& message) {
    if (!m_handle) return;
    TControl* control = MouseTarget(MessagePoint(message));
    TCursor cursor = control->Cursor() != crDefault ? control->Cursor() : Cursor();
    m_handle->SetCursor(cursor);
    message.Result = 1;
}

void TWinControl::WMMove(TMessage&) {
    if (!m_handle) return;
    TRect bounds = m_handle->Bounds();
    m_left = bounds.Left;
    m_top = bounds.Top;
}

void TWinControl::WMSize(TMessage&) {
    if (!m_handle) return;
    TRect bounds = m_handle->Bounds();
    m_width = bounds.Width();
    m_height = bounds.Height();
}

void TWinControl::WMMouseLeave(TMessage&) {
    TControl* old = std::exchange(m_mouseControl, nullptr);
    if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
    if (Parent() && Parent()->m_mouseControl == this) Parent()->m_mouseControl = nullptr;
}

void TWinControl::CMMouseEnter(TMessage& message) {
    if (message.LParam != 0) {
        TControl::CMMouseEnter(message);
        return;
    }
    // The pointer came into this window from outside it: whatever the parent showed as
    // hovered is left, and this control is entered.
    if (Parent()) {
        Parent()->TrackMouseControl(this);
    } else {
        Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(this));
    }
    m_mouseControl = this;
}

void TWinControl::CMEnabledChanged(TMessage& message) {
    if (!Enabled()) m_captureControl = nullptr;
    if (m_handle) m_handle->SetEnabled(Enabled());
    TControl::CMEnabledChanged(message);
}

void TWinControl::CMVisibleChanged(TMessage& message) {
    if (m_handle) m_handle->SetVisible(Visible());
    TControl::CMVisibleChanged(message);
}

void TWinControl::CMColorChanged(TMessage& message) {
    TControl::CMColorChanged(message);
    NotifyChildren(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMFontChanged(TMessage& message) {
    TControl::CMFontChanged(message);
    NotifyChildren(CM_PARENTFONTCHANGED);
}

void TWinControl::CMTextChanged(TMessage& message) {
    TControl::CMTextChanged(message);
}

void TWinControl::CMCursorChanged(TMessage& message) {
    if (m_handle) m_handle->SetCursor(Cursor());
    TControl::CMCursorChanged(message);
}

void TWinControl::CMCtl3DChanged(TMessage& message) {
    TControl::CMCtl3DChanged(message);
    Invalidate();
    NotifyChildren(CM_PARENTCTL3DCHANGED);
}

void TWinControl::CMParentCtl3DChanged(TMessage&) {
    if (!m_parentCtl3D || !Parent()) return;
    bool ctl3D = Parent()->Ctl3D();
    if (ctl3D == m_ctl3D) return;
    m_ctl3D = ctl3D;
    Perform(CM_CTL3DCHANGED);
}

void TWinControl::NotifyChildren(unsigned msg) {
    std::vector<TControl*> children(m_graphicControls);
    children.insert(children.end(), m_winControls.begin(), m_winControls.end());
    for (TControl* control : children) control->Perform(msg);
}

}  // namespace kiv
