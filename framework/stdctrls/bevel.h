// TBevel: a windowless sunken or raised outline, frame or line.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "framework/forms/graphic_control.h"

namespace kiv {

enum class TBevelShape : std::uint8_t {
    bsBox,
    bsFrame,
    bsTopLine,
    bsBottomLine,
    bsLeftLine,
    bsRightLine,
    bsSpacer
};
template <>
struct EnumInfo<TBevelShape> {
    static constexpr std::array<std::string_view, 7> names{
        "bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"};
};

enum class TBevelStyle : std::uint8_t { bsLowered, bsRaised };
template <>
struct EnumInfo<TBevelStyle> {
    static constexpr std::array<std::string_view, 2> names{"bsLowered", "bsRaised"};
};

// Paints one-pixel lines in two colours, never filling its background. With bsLowered the
// first colour is clBtnShadow and the second clBtnHighlight; bsRaised swaps them. For a W x H
// bevel (lines leave out their end points, as every pen line does):
//   bsBox        first colour from (0, H-1) up to (0, 0) and on to (W-1, 0); second colour from
//                (W-1, 0) down to (W-1, H-1) and on to (0, H-1). So the left column (with the
//                bottom-left pixel) and the top row take the first colour, the right column
//                (with the top-right pixel) and the bottom row the second.
//   bsFrame      an etched frame: the box rule on (1, 1)-(W-1, H-1) all in the second colour,
//                then on (0, 0)-(W-2, H-2) all in the first.
//   bsTopLine    row 0 first colour, row 1 second; bsBottomLine rows H-2 and H-1 likewise.
//   bsLeftLine   column 0 first colour, column 1 second; bsRightLine columns W-2 and W-1.
//   bsSpacer     nothing.
// UI thread only.
class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* owner);
    ~TBevel() override;

    TBevelShape Shape() const { return m_shape; }
    void SetShape(TBevelShape shape);
    TBevelStyle Style() const { return m_style; }
    void SetStyle(TBevelStyle style);

protected:
    void Paint() override;

private:
    TBevelShape m_shape = TBevelShape::bsBox;
    TBevelStyle m_style = TBevelStyle::bsLowered;
};

}  // namespace kiv
