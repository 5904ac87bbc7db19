// TCoolGroupBox: the transparent erase, the frame and the shadowed caption.
#include "controls/cool_group_box.h"

#include "framework/class_registry.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/font.h"
#include "framework/forms/idents.h"
#include "platform/draw/draw_text.h"

namespace kiv {

using namespace platform;

TCoolGroupBox::TCoolGroupBox(TComponent* owner)
    : TCustomGroupBox(owner), m_wallpaper([this] { Invalidate(); }) {}

TCoolGroupBox::~TCoolGroupBox() = default;

void TCoolGroupBox::SetTransparent(bool transparent) {
    if (transparent == m_transparent) return;
    Perform(CM_COLORCHANGED);
    m_transparent = transparent;
    Invalidate();
}

void TCoolGroupBox::ShadowChanged() {
    m_simpleView = false;
    Invalidate();
    Changed();
}

void TCoolGroupBox::SetShadowColor(TColor color) {
    if (color == m_shadowColor) return;
    m_shadowColor = color;
    ShadowChanged();
}

void TCoolGroupBox::SetShadowSize(std::uint8_t size) {
    if (size == m_shadowSize) return;
    m_shadowSize = size;
    ShadowChanged();
}

void TCoolGroupBox::SetShadowPos(TShadowPosition position) {
    if (position == m_shadowPos) return;
    m_shadowPos = position;
    ShadowChanged();
}

void TCoolGroupBox::SetSimpleView(bool simpleView) {
    if (simpleView == m_simpleView) return;
    m_simpleView = simpleView;
    Invalidate();
    Changed();
}

void TCoolGroupBox::SetWallpaper(const TBitmap* bitmap) {
    if (m_wallpaper.IsOwn(bitmap)) return;
    m_wallpaper.Bitmap();
    Perform(CM_COLORCHANGED);
    m_wallpaper.Assign(bitmap);
    Invalidate();
}

void TCoolGroupBox::SetIdWallpaper(int index) {
    if (m_wallpaper.SetIndex(index)) Invalidate();
}

void TCoolGroupBox::WMEraseBkgnd(TMessage& message) {
    DeviceContext* dc = MessageDC(message);
    if (!dc) return;
    if (m_transparent) {
        PaintParentBackground(this, *dc);
        message.Result = 1;
    } else if (HasWallpaper()) {
        m_wallpaper.Tile(*dc, ClientRect());
        message.Result = 1;
    } else {
        TCustomGroupBox::WMEraseBkgnd(message);
    }
}

void TCoolGroupBox::WMMove(TMessage& message) {
    TCustomGroupBox::WMMove(message);
    Invalidate();
}

void TCoolGroupBox::CMParentColorChanged(TMessage& message) {
    TCustomGroupBox::CMParentColorChanged(message);
    Perform(CM_COLORCHANGED);
    Invalidate();
}

void TCoolGroupBox::CMEnabledChanged(TMessage& message) {
    TCustomGroupBox::CMEnabledChanged(message);
    Invalidate();
}

void TCoolGroupBox::Paint() {
    const int h = DrawFrame();
    if (Caption().empty()) return;
    TRect cell(8, 0, 0, h);
    DrawCaption(cell);
}

void TCoolGroupBox::DrawCaption(TRect& cell) {
    TCanvas& canvas = *Canvas();
    DeviceContext& dc = *canvas.Handle();
    const unsigned flags = DT_SINGLELINE;
    DrawText(dc, Caption(), cell, flags | DT_CALCRECT);
    cell.Left -= m_shadowSize;
    cell.Right += m_shadowSize;
    if (m_transparent) {
        dc.SetBkMode(TRANSPARENT);
        PaintParentBackgroundClipped(this, dc, cell);
    } else if (HasWallpaper()) {
        dc.SetBkMode(TRANSPARENT);
        m_wallpaper.Tile(dc, cell);
    } else {
        // An opaque text background fills the caption's cells with the box's colour.
        dc.SetBkMode(OPAQUE);
        dc.SetBkColor(ColorToRGB(Color()));
    }
    const TColor fontColor = Font()->Color();
    if (!Enabled()) {
        dc.SetTextColor(ColorToRGB(fontColor));
        DrawText(dc, Caption(), cell, flags);
        DrawStateText(dc, Caption(), cell.Left, cell.Top, cell.Right, cell.Bottom,
                      DST_PREFIXTEXT | DSS_DISABLED);
    } else if (m_simpleView) {
        dc.SetTextColor(ColorToRGB(fontColor));
        DrawText(dc, Caption(), cell, flags);
    } else {
        DrawTextWithShadow(dc, cell, m_shadowPos, Caption(), flags, fontColor, m_shadowColor,
                           m_shadowSize);
    }
}

namespace {
const bool registered = RegisterClass<TCoolGroupBox, TCustomGroupBox>(
    "TCoolGroupBox",
    {
        Prop("Transparent", &TCoolGroupBox::Transparent, &TCoolGroupBox::SetTransparent)
            .Default(false),
        Prop("ShadowColor", &TCoolGroupBox::ShadowColor, &TCoolGroupBox::SetShadowColor)
            .Idents(ColorIdents())
            .Default(clBtnHighlight),
        Prop("ShadowSize", &TCoolGroupBox::ShadowSize, &TCoolGroupBox::SetShadowSize).Default(1),
        Prop("ShadowPos", &TCoolGroupBox::ShadowPos, &TCoolGroupBox::SetShadowPos)
            .Default(TShadowPosition::spLeftTop),
        Prop("SimpleView", &TCoolGroupBox::SimpleView, &TCoolGroupBox::SetSimpleView)
            .Default(false),
        Prop("Wallpaper", &TCoolGroupBox::Wallpaper, &TCoolGroupBox::SetWallpaper),
        Prop("idWallpaper", &TCoolGroupBox::IdWallpaper, &TCoolGroupBox::SetIdWallpaper)
            .Default(-1),
    });
}  // namespace

}  // namespace kiv
