// MeasureContext: lends a canvas a one-pixel memory context and gives the old one back.
#include "framework/stdctrls/measure_context.h"

#include "framework/forms/canvas.h"
#include "framework/forms/control_canvas.h"

namespace kiv {

namespace {

// A control canvas may hold a context over window pixels made for drawing outside a paint
// cycle; it would check that context (and maybe drop ours with it) on every use, so it goes
// now and is made again when next needed. A paint cycle's context stays.
TCanvas& WithoutWindowContext(TCanvas& canvas) {
    if (auto* controlCanvas = dynamic_cast<TControlCanvas*>(&canvas)) controlCanvas->FreeHandle();
    return canvas;
}

}  // namespace

MeasureContext::MeasureContext(TCanvas& canvas)
    : m_canvas(WithoutWindowContext(canvas)),
      m_previous(canvas.HandleAllocated() ? canvas.Handle() : nullptr),
      m_image(1, 1, QImage::Format_RGB32),
      m_dc(m_image) {
    m_canvas.SetHandle(&m_dc);
}

MeasureContext::~MeasureContext() {
    m_canvas.SetHandle(m_previous);
}

}  // namespace kiv
