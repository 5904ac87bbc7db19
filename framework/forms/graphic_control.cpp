// TGraphicControl: painting on the parent's device context through the control's canvas.
#include "framework/forms/graphic_control.h"

#include "framework/class_registry.h"
#include "framework/forms/control_canvas.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TGraphicControl, TControl>("TGraphicControl");

// Hands the paint context to a canvas for the length of one paint, also when Paint throws.
class PaintCanvasScope {
public:
    PaintCanvasScope(TControlCanvas& canvas, platform::DeviceContext& dc) : m_canvas(canvas) {
        m_canvas.FreeHandle();
        m_canvas.SetHandle(&dc);
    }
    ~PaintCanvasScope() { m_canvas.SetHandle(nullptr); }
    PaintCanvasScope(const PaintCanvasScope&) = delete;
    PaintCanvasScope& operator=(const PaintCanvasScope&) = delete;

private:
    TControlCanvas& m_canvas;
};

}  // namespace

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), m_canvas(std::make_unique<TControlCanvas>(*this)) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::WMPaint(TMessage& message) {
    platform::DeviceContext* dc = MessageDC(message);
    if (!dc) return;
    PaintCanvasScope scope(static_cast<TControlCanvas&>(*m_canvas), *dc);
    ControlStateInclude(TControlStateItem::csPainting);
    try {
        Paint();
    } catch (...) {
        ControlStateExclude(TControlStateItem::csPainting);
        throw;
    }
    ControlStateExclude(TControlStateItem::csPainting);
}

}  // namespace kiv
