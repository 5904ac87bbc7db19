// The two raster faces built into the library, and the choice between them for a Font.
#pragma once

#include "platform/draw/font.h"
#include "platform/draw/raster_face.h"

namespace kiv::platform {

// "Terminal": 6 x 8 cells, every code page 437 character under its Unicode code point.
const RasterFace& TerminalFace();
// "KIV Sans": proportional, 13-pixel lines.
const RasterFace& SansFace();
// The face that draws `font`: TerminalFace for an OEM_CHARSET font or a face named "Terminal"
// (any case), SansFace for everything else.
const RasterFace& ResolveFace(const Font& font);

}  // namespace kiv::platform
