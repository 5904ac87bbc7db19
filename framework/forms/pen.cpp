// TPen: values, conversion to the device context's pen, registration.
#include "framework/forms/pen.h"

#include <algorithm>

#include "framework/class_registry.h"
#include "framework/forms/idents.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TPen, TPersistent>(
    "TPen", {
                Prop("Color", &TPen::Color, &TPen::SetColor).Idents(ColorIdents()).Default(clBlack),
                Prop("Mode", &TPen::Mode, &TPen::SetMode).Default(TPenMode::pmCopy),
                Prop("Style", &TPen::Style, &TPen::SetStyle).Default(TPenStyle::psSolid),
                Prop("Width", &TPen::Width, &TPen::SetWidth).Default(1),
            });

}  // namespace

void TPen::Assign(const TPersistent* source) {
    if (const auto* pen = dynamic_cast<const TPen*>(source)) {
        if (pen->m_color == m_color && pen->m_width == m_width && pen->m_style == m_style &&
            pen->m_mode == m_mode) {
            return;
        }
        m_color = pen->m_color;
        m_width = pen->m_width;
        m_style = pen->m_style;
        m_mode = pen->m_mode;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TPen::SetColor(TColor color) {
    if (color == m_color) return;
    m_color = color;
    Changed();
}

void TPen::SetWidth(int width) {
    width = std::max(width, 1);
    if (width == m_width) return;
    m_width = width;
    Changed();
}

void TPen::SetStyle(TPenStyle style) {
    if (style == m_style) return;
    m_style = style;
    Changed();
}

void TPen::SetMode(TPenMode mode) {
    if (mode == m_mode) return;
    m_mode = mode;
    Changed();
}

platform::Pen TPen::Handle() const {
    if (m_style == TPenStyle::psClear) return platform::Pen::Null();
    return platform::Pen::Solid(m_color, m_width);
}

platform::Rop2 TPen::Rop2() const {
    static constexpr platform::Rop2 kModes[] = {
        platform::R2_BLACK,       platform::R2_WHITE,      platform::R2_NOP,
        platform::R2_NOT,         platform::R2_COPYPEN,    platform::R2_NOTCOPYPEN,
        platform::R2_MERGEPENNOT, platform::R2_MASKPENNOT, platform::R2_MERGENOTPEN,
        platform::R2_MASKNOTPEN,  platform::R2_MERGEPEN,   platform::R2_NOTMERGEPEN,
        platform::R2_MASKPEN,     platform::R2_NOTMASKPEN, platform::R2_XORPEN,
        platform::R2_NOTXORPEN};
    return kModes[static_cast<int>(m_mode)];
}

}  // namespace kiv
