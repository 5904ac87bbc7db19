// TCustomControl: a windowed control painting itself on its canvas.
#include "framework/forms/custom_control.h"

#include "framework/class_registry.h"
#include "framework/forms/control_canvas.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TCustomControl, TWinControl>("TCustomControl");

}  // namespace

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), m_canvas(std::make_unique<TControlCanvas>(*this)) {}

TCustomControl::~TCustomControl() {
    // The canvas may hold a context over the window's pixels, which go with the window.
    static_cast<TControlCanvas&>(*m_canvas).FreeHandle();
}

void TCustomControl::PaintWindow(platform::DeviceContext& dc) {
    auto& canvas = static_cast<TControlCanvas&>(*m_canvas);
    canvas.FreeHandle();
    canvas.SetHandle(&dc);
    ControlStateInclude(TControlStateItem::csPainting);
    try {
        Paint();
    } catch (...) {
        ControlStateExclude(TControlStateItem::csPainting);
        canvas.SetHandle(nullptr);
        throw;
    }
    ControlStateExclude(TControlStateItem::csPainting);
    canvas.SetHandle(nullptr);
}

}  // namespace kiv
