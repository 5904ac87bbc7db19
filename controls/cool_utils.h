// The drawing routines the skinned controls share: text with an offset shadow, the parent's
// background behind a windowed control, and tiled wallpapers.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "framework/enum_set.h"
#include "framework/forms/control_types.h"
#include "platform/draw/color.h"
#include "platform/draw/device_context.h"
#include "platform/draw/rect.h"

namespace kiv {

class TBitmap;
class TWinControl;

// The corner of a text on which its shadow lies.
enum class TShadowPosition : std::uint8_t { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
template <>
struct EnumInfo<TShadowPosition> {
    static constexpr std::array<std::string_view, 4> names{"spLeftTop", "spLeftBottom",
                                                           "spRightBottom", "spRightTop"};
};

// Draws `text` twice with DrawText and `format`: first in `shadowColor` (in the background mode
// the context already has), then in `textColor` over a transparent background. The text pass
// uses `rect` itself and the shadow pass a copy of it, moved apart by `size` pixels:
//   spLeftTop      text by (+size, +size), shadow in place
//   spLeftBottom   text by (+size, 0),     shadow by (0, +size)
//   spRightBottom  text in place,          shadow by (+size, +size)
//   spRightTop     text by (0, +size),     shadow by (+size, 0)
// Any other position moves neither. `rect` comes back moved as the text pass was, so that with
// DT_CALCRECT it holds the text's measured extent from there: it includes the text's own
// offset, never the shadow's overhang to the right or below. Colours may be system colours.
// Afterwards the context's text colour is `textColor` and its background mode TRANSPARENT.
void DrawTextWithShadow(platform::DeviceContext& dc, TRect& rect, TShadowPosition position,
                        std::string_view text, unsigned format, TColor textColor,
                        TColor shadowColor, std::uint8_t size);

// Paints into `dc`, a context of `control`'s client area, what `control`'s parent shows there
// without it: the parent's erased background and its windowless children, each at its place,
// clipped to its bounds and in its z-order. Windowed siblings are not drawn. Nothing happens
// without a control or a parent; the context's state is given back on every path.
void PaintParentBackground(TWinControl* control, platform::DeviceContext& dc);
// As PaintParentBackground with the context's clip region replaced, meanwhile, by `rect` (in
// the control's client coordinates).
void PaintParentBackgroundClipped(TWinControl* control, platform::DeviceContext& dc,
                                  const TRect& rect);

// Fills `rect` with `bitmap` using the ternary raster operation `rop`: with `tile`, the bitmap
// repeated in rows and columns from the rectangle's top-left corner, cut by its right and
// bottom edges; without, the part of the bitmap at the rectangle's own coordinates. An empty
// bitmap draws nothing.
void DrawTiledBitmap(platform::DeviceContext& dc, const TBitmap& bitmap, const TRect& rect,
                     std::uint32_t rop, bool tile);

// The DrawText alignment flag of an alignment: DT_LEFT, DT_RIGHT or DT_CENTER.
unsigned AlignmentFlag(TAlignment alignment);

}  // namespace kiv
