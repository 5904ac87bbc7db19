// TBrush: how a canvas fills areas.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "framework/enum_set.h"
#include "framework/forms/graphics_object.h"
#include "platform/draw/brush.h"

namespace kiv {

enum class TBrushStyle : std::uint8_t {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};
template <>
struct EnumInfo<TBrushStyle> {
    static constexpr std::array<std::string_view, 8> names{
        "bsSolid",     "bsClear",     "bsHorizontal", "bsVertical",
        "bsFDiagonal", "bsBDiagonal", "bsCross",      "bsDiagCross"};
};

// Defaults: white, bsSolid. Setters raise OnChange only on a change.
class TBrush : public TGraphicsObject {
public:
    void Assign(const TPersistent* source) override;

    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return m_style; }
    void SetStyle(TBrushStyle style);

    platform::Brush Handle() const;

private:
    TColor m_color = clWhite;
    TBrushStyle m_style = TBrushStyle::bsSolid;
};

}  // namespace kiv
