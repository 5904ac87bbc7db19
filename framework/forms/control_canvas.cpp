// TControlCanvas: a device context over the pixels of the window a control lies in.
#include "framework/forms/control_canvas.h"

#include "framework/forms/control.h"
#include "framework/forms/win_control.h"
#include "platform/draw/device_context.h"

namespace kiv {

namespace {

// The window whose pixels show `control`, and the control's offset in it.
TWinControl* HostWindow(TControl& control, TPoint& offset) {
    if (auto* winControl = dynamic_cast<TWinControl*>(&control)) {
        offset = {0, 0};
        return winControl;
    }
    offset = {control.Left(), control.Top()};
    return control.Parent();
}

}  // namespace

TControlCanvas::TControlCanvas(TControl& control) : m_control(control) {}

TControlCanvas::~TControlCanvas() {
    FreeHandle();
}

void TControlCanvas::FreeHandle() {
    if (!m_dc) return;
    SetHandle(nullptr);
    m_dc.reset();
}

void TControlCanvas::CheckHandle() {
    if (!m_dc) return;
    TPoint offset;
    TWinControl* host = HostWindow(m_control, offset);
    if (!host || !host->HandleAllocated() || host->Handle().SurfaceGeneration() != m_generation) {
        FreeHandle();
    }
}

void TControlCanvas::CreateHandle() {
    TPoint offset;
    TWinControl* host = HostWindow(m_control, offset);
    if (!host) return;
    WindowHandle& window = host->Handle();
    m_dc = std::make_unique<platform::DeviceContext>(window.Surface());
    m_generation = window.SurfaceGeneration();
    m_dc->SetViewportOrgEx(offset.X, offset.Y);
    m_dc->IntersectClipRect({0, 0, m_control.Width(), m_control.Height()});
    SetHandle(m_dc.get());
    // What is drawn from now until the context is dropped reaches the screen with this flush,
    // which the toolkit carries out after the pending calls, the drop among them.
    window.FlushLater(
        {offset.X, offset.Y, offset.X + m_control.Width(), offset.Y + m_control.Height()});
    PostToUiThread([alive = std::weak_ptr<int>(m_alive), this] {
        if (alive.lock()) FreeHandle();
    });
}

}  // namespace kiv
