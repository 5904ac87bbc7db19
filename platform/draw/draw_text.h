// DrawText and its relatives: our raster text engine over the bundled faces.
#pragma once

#include <string_view>

#include "platform/draw/device_context.h"
#include "platform/draw/size.h"

namespace kiv::platform {

constexpr unsigned DT_TOP = 0x0000;
constexpr unsigned DT_LEFT = 0x0000;
constexpr unsigned DT_CENTER = 0x0001;
constexpr unsigned DT_RIGHT = 0x0002;
constexpr unsigned DT_VCENTER = 0x0004;
constexpr unsigned DT_BOTTOM = 0x0008;
constexpr unsigned DT_WORDBREAK = 0x0010;
constexpr unsigned DT_SINGLELINE = 0x0020;
constexpr unsigned DT_EXPANDTABS = 0x0040;
constexpr unsigned DT_NOCLIP = 0x0100;
constexpr unsigned DT_CALCRECT = 0x0400;
constexpr unsigned DT_NOPREFIX = 0x0800;
constexpr unsigned DT_RTLREADING = 0x20000;  // accepted and ignored: no right-to-left layout

constexpr unsigned DST_TEXT = 0x0001;
constexpr unsigned DST_PREFIXTEXT = 0x0002;
constexpr unsigned DSS_NORMAL = 0x0000;
constexpr unsigned DSS_DISABLED = 0x0020;

// Draws UTF-8 `text` (OEM text for an OEM_CHARSET font) into `rect` in the selected font and
// text colour, as GDI's DrawText:
// - lines end at CR, LF or CR LF unless DT_SINGLELINE; a break at the very end adds no line;
// - DT_WORDBREAK wraps between words at the rectangle's width, dropping the blanks at each
//   wrap; a word wider than the rectangle stays whole (and widens a DT_CALCRECT result);
// - DT_EXPANDTABS moves a tab to the next multiple of eight average character widths from
//   the line's start; without it a tab is an ordinary character;
// - '&' underlines the next character and "&&" gives one '&' unless DT_NOPREFIX; a lone '&' at
//   the end is dropped;
// - DT_CENTER/DT_RIGHT align each line; DT_VCENTER/DT_BOTTOM apply with DT_SINGLELINE only;
// - the text is clipped to `rect` (and the clip region) unless DT_NOCLIP;
// - in OPAQUE mode each line's cells are filled with the background colour first.
// With DT_CALCRECT nothing is drawn: rect.Right becomes Left + the widest line and rect.Bottom
// Top + the text's height. Returns the text's height; with DT_VCENTER or DT_BOTTOM the distance
// from rect.Top to the bottom of the drawn text. Empty text measures and draws nothing (0).
int DrawText(DeviceContext& dc, std::string_view text, TRect& rect, unsigned format);

// The width of `text` in the selected font (no prefix or tab handling) and the line height.
TSize GetTextExtentPoint(const DeviceContext& dc, std::string_view text);

// One line of `text` with its top-left cell corner at (x, y); no prefix, tab or line handling.
void TextOut(DeviceContext& dc, int x, int y, std::string_view text);

// GDI's DrawState for text (DST_TEXT, or DST_PREFIXTEXT for '&' handling) in the box
// (x, y, x + cx, y + cy); cx = cy = 0 takes the text's own extent. DSS_DISABLED draws the
// engraved look: the text in clBtnHighlight one pixel right and down, then in clBtnShadow.
// DSS_NORMAL draws it once in the text colour. The background is never filled, and the
// context's state is as it was afterwards.
bool DrawStateText(DeviceContext& dc, std::string_view text, int x, int y, int cx, int cy,
                   unsigned flags);

}  // namespace kiv::platform
