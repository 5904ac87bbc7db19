// TCoolLabel: painting with shadow, edge and wallpaper, and fitting the bounds to the caption.
#include "controls/cool_label.h"

#include "framework/class_registry.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/font.h"
#include "framework/forms/idents.h"
#include "framework/stdctrls/measure_context.h"
#include "platform/draw/draw_edge.h"
#include "platform/draw/draw_text.h"

namespace kiv {

using namespace platform;

namespace {

unsigned InnerEdge(TBevelCut cut) {
    if (cut == TBevelCut::bvLowered) return BDR_SUNKENINNER;
    if (cut == TBevelCut::bvRaised) return BDR_RAISEDINNER;
    return 0;
}

unsigned OuterEdge(TBevelCut cut) {
    if (cut == TBevelCut::bvLowered) return BDR_SUNKENOUTER;
    if (cut == TBevelCut::bvRaised) return BDR_RAISEDOUTER;
    return 0;
}

}  // namespace

TCoolLabel::TCoolLabel(TComponent* owner)
    : TCustomLabel(owner), m_wallpaper([this] { Invalidate(); }) {}

TCoolLabel::~TCoolLabel() = default;

void TCoolLabel::ShadowChanged() {
    m_simpleView = false;
    Repaint();
}

void TCoolLabel::SetShadowColor(TColor color) {
    if (color == m_shadowColor) return;
    m_shadowColor = color;
    ShadowChanged();
}

void TCoolLabel::SetShadowSize(std::uint8_t size) {
    if (size == m_shadowSize) return;
    m_shadowSize = size;
    ShadowChanged();
}

void TCoolLabel::SetShadowPos(TShadowPosition position) {
    if (position == m_shadowPos) return;
    m_shadowPos = position;
    ShadowChanged();
}

void TCoolLabel::SetSimpleView(bool simpleView) {
    if (simpleView == m_simpleView) return;
    m_simpleView = simpleView;
    Repaint();
}

void TCoolLabel::SetBevelInner(TBevelCut cut) {
    if (cut == m_bevelInner) return;
    m_bevelInner = cut;
    Repaint();
}

void TCoolLabel::SetBevelOuter(TBevelCut cut) {
    if (cut == m_bevelOuter) return;
    m_bevelOuter = cut;
    Repaint();
}

void TCoolLabel::SetBevelsOffset(std::int32_t offset) {
    if (offset == m_bevelsOffset) return;
    m_bevelsOffset = offset;
    if (offset != 0) SetAutoSize(false);
    Repaint();
}

void TCoolLabel::SetWallpaper(const TBitmap* bitmap) {
    if (m_wallpaper.IsOwn(bitmap)) return;
    m_wallpaper.Assign(bitmap);
    Repaint();
}

void TCoolLabel::SetIdWallpaper(int index) {
    if (m_wallpaper.SetIndex(index)) Invalidate();
}

void TCoolLabel::Paint() {
    TCanvas& canvas = *Canvas();
    const TRect client = ClientRect();
    if (!Transparent()) m_wallpaper.Fill(canvas, client, Color());
    TRect r = client;
    const unsigned edge = InnerEdge(m_bevelInner) | OuterEdge(m_bevelOuter);
    if (edge != 0) {
        TRect frame = r;
        DrawEdge(*canvas.Handle(), frame, edge, BF_RECT);
        r.Inflate(-m_bevelsOffset, -m_bevelsOffset);
    }
    canvas.Brush()->SetStyle(TBrushStyle::bsClear);
    const unsigned flags =
        (WordWrap() ? DT_WORDBREAK : 0) | DT_EXPANDTABS | AlignmentFlag(Alignment());
    if (Layout() != TTextLayout::tlTop) {
        TRect measured = r;
        RenderText(measured, flags | DT_CALCRECT);
        const int room = Height() - measured.Bottom;
        r.Offset(0, Layout() == TTextLayout::tlBottom ? room : room / 2);
    }
    RenderText(r, flags);
}

void TCoolLabel::RenderText(TRect& rect, unsigned flags) {
    std::string text = Caption();
    // An empty label (or one that is only a prefix mark) still measures one line high.
    if ((flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar() && text == "&"))) text += ' ';
    if (!ShowAccelChar()) flags |= DT_NOPREFIX;
    TCanvas& canvas = *Canvas();
    canvas.SetFont(Font());
    DeviceContext& dc = *canvas.Handle();
    if (!Enabled()) {
        DrawTextWithShadow(dc, rect, TShadowPosition::spRightBottom, text, flags, clBtnShadow,
                           clBtnHighlight, 1);
    } else if (m_simpleView) {
        dc.SetTextColor(ColorToRGB(Font()->Color()));
        DrawText(dc, text, rect, flags);
    } else {
        DrawTextWithShadow(dc, rect, m_shadowPos, text, flags, Font()->Color(), m_shadowColor,
                           m_shadowSize);
    }
}

void TCoolLabel::FitToText() {
    if (!AutoSize() || !Parent() || ComponentState().Contains(TComponentStateItem::csReading)) {
        return;
    }
    TRect measured = ClientRect();
    {
        MeasureContext measure(*Canvas());
        RenderText(measured, (WordWrap() ? DT_WORDBREAK : 0) | DT_EXPANDTABS | DT_CALCRECT);
    }
    int x = Left();
    if (Alignment() == TAlignment::taRightJustify) x += Width() - measured.Right;
    SetBounds(x, Top(), measured.Right, measured.Bottom);
}

namespace {
const bool registered = RegisterClass<TCoolLabel, TCustomLabel>(
    "TCoolLabel",
    {
        Prop("ShadowColor", &TCoolLabel::ShadowColor, &TCoolLabel::SetShadowColor)
            .Idents(ColorIdents())
            .Default(clBtnHighlight),
        Prop("ShadowSize", &TCoolLabel::ShadowSize, &TCoolLabel::SetShadowSize).Default(1),
        Prop("ShadowPos", &TCoolLabel::ShadowPos, &TCoolLabel::SetShadowPos)
            .Default(TShadowPosition::spLeftTop),
        Prop("SimpleView", &TCoolLabel::SimpleView, &TCoolLabel::SetSimpleView).Default(false),
        Prop("BevelInner", &TCoolLabel::BevelInner, &TCoolLabel::SetBevelInner)
            .Default(TBevelCut::bvNone),
        Prop("BevelOuter", &TCoolLabel::BevelOuter, &TCoolLabel::SetBevelOuter)
            .Default(TBevelCut::bvNone),
        Prop("BevelsOffset", &TCoolLabel::BevelsOffset, &TCoolLabel::SetBevelsOffset).Default(0),
        Prop("Wallpaper", &TCoolLabel::Wallpaper, &TCoolLabel::SetWallpaper),
        Prop("idWallpaper", &TCoolLabel::IdWallpaper, &TCoolLabel::SetIdWallpaper).Default(-1),
    });
}  // namespace

}  // namespace kiv
