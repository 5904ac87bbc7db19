// The tool pictures: small line drawings on a grey button face.
#include "shape/tool_pictures.h"

#include <array>

#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"

namespace kiv {

namespace {

constexpr int kSize = 20;

void Lines(TCanvas& canvas, std::initializer_list<TPoint> points) {
    std::vector<TPoint> list(points);
    canvas.Polyline(list);
}

}  // namespace

std::unique_ptr<TBitmap> MakeToolPicture(int index) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(kSize, kSize);
    TCanvas& canvas = *bitmap->Canvas();
    canvas.Brush()->SetColor(clBtnFace);
    canvas.FillRect({0, 0, kSize, kSize});
    canvas.Pen()->SetColor(clBlack);
    switch (index) {
        case 0:  // a polygon with a point picked up
            Lines(canvas, {{4, 15}, {9, 4}, {16, 9}, {12, 16}, {4, 15}});
            canvas.Rectangle(14, 7, 19, 12);
            break;
        case 1:  // a cross over a point
            canvas.Pen()->SetColor(clRed);
            Lines(canvas, {{4, 4}, {16, 16}});
            Lines(canvas, {{15, 4}, {3, 16}});
            break;
        case 2:  // point handles
            for (TPoint p : std::array<TPoint, 3>{{{5, 6}, {14, 5}, {9, 14}}}) {
                canvas.Rectangle(p.X - 2, p.Y - 2, p.X + 3, p.Y + 3);
            }
            break;
        case 3:  // an empty frame
            canvas.Brush()->SetStyle(TBrushStyle::bsClear);
            canvas.Rectangle(3, 3, 17, 17);
            break;
        default:  // an arrow turning back
            Lines(canvas, {{15, 14}, {15, 6}, {5, 6}});
            Lines(canvas, {{8, 3}, {5, 6}, {8, 9}});
            break;
    }
    return bitmap;
}

}  // namespace kiv
