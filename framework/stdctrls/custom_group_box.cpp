// TCustomGroupBox: the etched or flat frame, the caption and the area inside the frame.
#include "framework/stdctrls/custom_group_box.h"

#include "framework/class_registry.h"
#include "framework/forms/canvas.h"
#include "framework/stdctrls/measure_context.h"
#include "platform/draw/draw_text.h"

namespace kiv {

using namespace platform;

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle({TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                     TControlStyleItem::csClickEvents, TControlStyleItem::csSetCaption});
    SetBounds(Left(), Top(), 185, 105);
}

TCustomGroupBox::~TCustomGroupBox() = default;

void TCustomGroupBox::AdjustClientRect(TRect& rect) {
    TCanvas& canvas = *Canvas();
    MeasureContext measure(canvas);
    canvas.SetFont(Font());
    rect.Top += canvas.TextHeight("0");
    rect.Inflate(-1, -1);
    if (Ctl3D()) rect.Inflate(-1, -1);
}

int TCustomGroupBox::DrawFrame() {
    TCanvas& canvas = *Canvas();
    canvas.SetFont(Font());
    canvas.Brush()->SetStyle(TBrushStyle::bsSolid);
    const int h = canvas.TextHeight("0");
    TRect r(0, h / 2 - 1, Width(), Height());
    if (Ctl3D()) {
        r.Left += 1;
        r.Top += 1;
        canvas.Brush()->SetColor(clBtnHighlight);
        canvas.FrameRect(r);
        r.Offset(-1, -1);
        canvas.Brush()->SetColor(clBtnShadow);
    } else {
        canvas.Brush()->SetColor(clWindowFrame);
    }
    canvas.FrameRect(r);
    return h;
}

void TCustomGroupBox::Paint() {
    const int h = DrawFrame();
    if (Caption().empty()) return;
    TCanvas& canvas = *Canvas();
    TRect k(8, 0, 0, h);
    DrawText(*canvas.Handle(), Caption(), k, DT_SINGLELINE | DT_CALCRECT);
    // A solid brush makes the text pass fill its cells, which cuts the frame line.
    canvas.Brush()->SetColor(Color());
    DrawText(*canvas.Handle(), Caption(), k, DT_SINGLELINE);
}

void TCustomGroupBox::CMTextChanged(TMessage& message) {
    TCustomControl::CMTextChanged(message);
    Invalidate();
}

void TCustomGroupBox::CMCtl3DChanged(TMessage& message) {
    TCustomControl::CMCtl3DChanged(message);
    Invalidate();
}

void TCustomGroupBox::WMSize(TMessage& message) {
    TCustomControl::WMSize(message);
    Invalidate();
}

namespace {
const bool registered = RegisterClass<TCustomGroupBox, TCustomControl>("TCustomGroupBox");
}  // namespace

}  // namespace kiv
