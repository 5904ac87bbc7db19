// TCustomLabel: caption drawing, vertical layout and fitting the bounds to the caption.
#include "framework/stdctrls/custom_label.h"

#include "framework/class_registry.h"
#include "framework/forms/canvas.h"
#include "framework/stdctrls/measure_context.h"
#include "platform/draw/draw_text.h"

namespace kiv {

using namespace platform;

namespace {

unsigned AlignmentFlag(TAlignment alignment) {
    switch (alignment) {
        case TAlignment::taRightJustify:
            return DT_RIGHT;
        case TAlignment::taCenter:
            return DT_CENTER;
        case TAlignment::taLeftJustify:
            break;
    }
    return DT_LEFT;
}

}  // namespace

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle().Include(TControlStyleItem::csOpaque));
    SetBounds(Left(), Top(), 65, 17);
}

TCustomLabel::~TCustomLabel() = default;

void TCustomLabel::SetAlignment(TAlignment alignment) {
    if (alignment == m_alignment) return;
    m_alignment = alignment;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout layout) {
    if (layout == m_layout) return;
    m_layout = layout;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool wordWrap) {
    if (wordWrap == m_wordWrap) return;
    m_wordWrap = wordWrap;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool showAccelChar) {
    if (showAccelChar == m_showAccelChar) return;
    m_showAccelChar = showAccelChar;
    // The '&' marks take room only when shown, so an auto-sized label must be measured again.
    AdjustBounds();
    Invalidate();
}

bool TCustomLabel::Transparent() const {
    return !ControlStyle().Contains(TControlStyleItem::csOpaque);
}

void TCustomLabel::SetTransparent(bool transparent) {
    if (transparent == Transparent()) return;
    TControlStyle style = ControlStyle();
    if (transparent) {
        style.Exclude(TControlStyleItem::csOpaque);
    } else {
        style.Include(TControlStyleItem::csOpaque);
    }
    SetControlStyle(style);
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool autoSize) {
    if (autoSize == m_autoSize) return;
    m_autoSize = autoSize;
    if (autoSize) AdjustBounds();
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::Paint() {
    TCanvas& canvas = *Canvas();
    if (!Transparent()) {
        canvas.Brush()->SetColor(Color());
        canvas.Brush()->SetStyle(TBrushStyle::bsSolid);
        canvas.FillRect(ClientRect());
    }
    canvas.Brush()->SetStyle(TBrushStyle::bsClear);
    TRect rect = ClientRect();
    unsigned flags = DT_EXPANDTABS | (m_wordWrap ? DT_WORDBREAK : 0) | AlignmentFlag(m_alignment);
    if (m_layout != TTextLayout::tlTop) {
        TRect calc = rect;
        DoDrawText(calc, flags | DT_CALCRECT);
        int space = Height() - calc.Bottom;
        rect.Offset(0, m_layout == TTextLayout::tlBottom ? space : space / 2);
    }
    DoDrawText(rect, flags);
}

void TCustomLabel::DoDrawText(TRect& rect, unsigned flags) {
    std::string text = GetLabelText();
    // An empty label (or one that is only a prefix mark) still measures one line high.
    if ((flags & DT_CALCRECT) && (text.empty() || (m_showAccelChar && text == "&"))) text += ' ';
    if (!m_showAccelChar) flags |= DT_NOPREFIX;
    TCanvas& canvas = *Canvas();
    canvas.SetFont(Font());
    if (!Enabled()) {
        rect.Offset(1, 1);
        canvas.Font()->SetColor(clBtnHighlight);
        DrawText(*canvas.Handle(), text, rect, flags);
        rect.Offset(-1, -1);
        canvas.Font()->SetColor(clBtnShadow);
    }
    DrawText(*canvas.Handle(), text, rect, flags);
}

void TCustomLabel::AdjustBounds() {
    if (!m_autoSize || ComponentState().Contains(TComponentStateItem::csReading)) return;
    TRect rect = ClientRect();
    {
        MeasureContext measure(*Canvas());
        DoDrawText(rect, DT_EXPANDTABS | DT_CALCRECT | (m_wordWrap ? DT_WORDBREAK : 0));
    }
    int x = Left();
    if (m_alignment == TAlignment::taRightJustify) x += Width() - rect.Right;
    SetBounds(x, Top(), rect.Right, rect.Bottom);
}

void TCustomLabel::CMTextChanged(TMessage& message) {
    TGraphicControl::CMTextChanged(message);
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::CMFontChanged(TMessage& message) {
    TGraphicControl::CMFontChanged(message);
    AdjustBounds();
}

namespace {
const bool registered = RegisterClass<TCustomLabel, TGraphicControl>(
    "TCustomLabel",
    {
        Prop("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment)
            .Default(TAlignment::taLeftJustify),
        Prop("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize).Default(true),
        Prop("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar)
            .Default(true),
        Prop("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent)
            .Default(false),
        Prop("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout).Default(TTextLayout::tlTop),
        Prop("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap).Default(false),
    });
}  // namespace

}  // namespace kiv
