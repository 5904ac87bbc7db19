// TBltBitmap: sizing like another bitmap and filling.
#include "controls/blt_bitmap.h"

#include "framework/forms/canvas.h"

namespace kiv {

TBltBitmap::TBltBitmap() = default;

TBltBitmap::~TBltBitmap() = default;

void TBltBitmap::MakeLike(const TBitmap& bitmap) {
    SetSize(bitmap.Width(), bitmap.Height());
    TCanvas& canvas = *Canvas();
    canvas.Brush()->SetColor(clWindowFrame);
    canvas.Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas.FillRect({0, 0, Width(), Height()});
}

}  // namespace kiv
