// TFont: values, change notices and registration.
#include "framework/forms/font.h"

#include <cmath>

#include "framework/class_registry.h"
#include "framework/forms/idents.h"

namespace kiv {

namespace {

const bool registered = RegisterClass<TFont, TPersistent>(
    "TFont",
    {
        Prop("Charset", &TFont::Charset, &TFont::SetCharset)
            .Idents(CharsetIdents())
            .Default(platform::DEFAULT_CHARSET),
        Prop("Color", &TFont::Color, &TFont::SetColor).Idents(ColorIdents()).Default(clWindowText),
        Prop("Height", &TFont::Height, &TFont::SetHeight),
        Prop("Name", &TFont::Name, &TFont::SetName),
        // Size is Height seen in points; only Height is written.
        Prop("Size", &TFont::Size, &TFont::SetSize).Stored(false),
        Prop("Style", &TFont::Style, &TFont::SetStyle).Default(TFontStyles{}),
    });

// Rounds half away from zero, as MulDiv does.
int MulDiv(int value, int numerator, int denominator) {
    return static_cast<int>(
        std::lround(static_cast<double>(value) * numerator / static_cast<double>(denominator)));
}

}  // namespace

void TFont::Assign(const TPersistent* source) {
    if (const auto* font = dynamic_cast<const TFont*>(source)) {
        if (*font == *this) return;
        m_font = font->m_font;
        m_color = font->m_color;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TFont::SetName(const std::string& name) {
    if (name.empty() || name == m_font.name) return;
    m_font.name = name;
    Changed();
}

void TFont::SetHeight(int height) {
    if (height == m_font.height) return;
    m_font.height = height;
    Changed();
}

int TFont::Size() const {
    return -MulDiv(m_font.height, 72, kPixelsPerInch);
}

void TFont::SetSize(int size) {
    SetHeight(-MulDiv(size, kPixelsPerInch, 72));
}

void TFont::SetColor(TColor color) {
    if (color == m_color) return;
    m_color = color;
    Changed();
}

void TFont::SetCharset(TFontCharset charset) {
    if (charset == m_font.charset) return;
    m_font.charset = charset;
    Changed();
}

TFontStyles TFont::Style() const {
    TFontStyles style;
    if (m_font.bold) style.Include(TFontStyle::fsBold);
    if (m_font.italic) style.Include(TFontStyle::fsItalic);
    if (m_font.underline) style.Include(TFontStyle::fsUnderline);
    if (m_font.strikeOut) style.Include(TFontStyle::fsStrikeOut);
    return style;
}

void TFont::SetStyle(TFontStyles style) {
    if (style == Style()) return;
    m_font.bold = style.Contains(TFontStyle::fsBold);
    m_font.italic = style.Contains(TFontStyle::fsItalic);
    m_font.underline = style.Contains(TFontStyle::fsUnderline);
    m_font.strikeOut = style.Contains(TFontStyle::fsStrikeOut);
    Changed();
}

}  // namespace kiv
