// TFont: the font of a control or canvas (name, height, colour, character set, style).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/enum_set.h"
#include "framework/forms/graphics_object.h"
#include "platform/draw/color.h"
#include "platform/draw/font.h"

namespace kiv {

enum class TFontStyle : std::uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = EnumSet<TFontStyle>;
template <>
struct EnumInfo<TFontStyle> {
    static constexpr std::array<std::string_view, 4> names{"fsBold", "fsItalic", "fsUnderline",
                                                           "fsStrikeOut"};
};

using TFontCharset = std::uint8_t;

// Setters raise OnChange only when the value changes. Height and Size are two views of one
// value at 96 pixels per inch: Height -11 is Size 8. Defaults: "MS Sans Serif", height -11,
// clWindowText, DEFAULT_CHARSET, no style.
class TFont : public TGraphicsObject {
public:
    static constexpr int kPixelsPerInch = 96;

    TFont() = default;

    // Takes every value of another TFont, with one change notice.
    void Assign(const TPersistent* source) override;

    const std::string& Name() const { return m_font.name; }
    void SetName(const std::string& name);
    int Height() const { return m_font.height; }
    void SetHeight(int height);
    int Size() const;
    void SetSize(int size);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TFontCharset Charset() const { return m_font.charset; }
    void SetCharset(TFontCharset charset);
    TFontStyles Style() const;
    void SetStyle(TFontStyles style);

    // The logical font a device context selects.
    const platform::Font& Handle() const { return m_font; }
    bool operator==(const TFont& other) const {
        return m_font == other.m_font && m_color == other.m_color;
    }

private:
    platform::Font m_font;
    TColor m_color = clWindowText;
};

}  // namespace kiv
