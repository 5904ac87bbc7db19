// TGalleryForm: the gallery's controls, built in code.
#include "tools/shape-gallery/gallery_form.h"

#include <vector>

#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/pen.h"
#include "framework/forms/picture.h"
#include "shape/ellipse.h"
#include "shape/my_brush.h"
#include "shape/polygon.h"
#include "shape/rectangles.h"
#include "shape/trans_image.h"
#include "shape/transparent_form.h"

namespace kiv {

namespace {

constexpr int kImageSize = 120;

// Stripes of orange and yellow, so that the picture shows where the mask lets it.
void DrawPicture(TBitmap& bitmap) {
    bitmap.SetSize(kImageSize, kImageSize);
    TCanvas& canvas = *bitmap.Canvas();
    for (int y = 0; y < kImageSize; y += 10) {
        canvas.Brush()->SetColor((y / 10) % 2 ? clYellow : RGB(255, 128, 0));
        canvas.FillRect({0, y, kImageSize, y + 10});
    }
}

// A black ring with a black bar across it on white: the opaque part of the image.
void DrawMask(TBitmap& bitmap) {
    bitmap.SetSize(kImageSize, kImageSize);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Brush()->SetColor(clWhite);
    canvas.FillRect({0, 0, kImageSize, kImageSize});
    canvas.Pen()->SetStyle(TPenStyle::psClear);
    canvas.Brush()->SetColor(clBlack);
    canvas.Ellipse(4, 4, 116, 116);
    canvas.Brush()->SetColor(clWhite);
    canvas.Ellipse(34, 34, 86, 86);
    canvas.Brush()->SetColor(clBlack);
    canvas.FillRect({10, 54, 110, 66});
}

template <typename Shape>
Shape& Place(TForm& form, const TRect& bounds, TCombineMode mode, TColor pen) {
    auto& shape = form.Make<Shape>();
    shape.SetParent(&form);
    shape.SetBoundsRect(bounds);
    shape.SetCombineMode(mode);
    shape.Pen()->SetColor(pen);
    return shape;
}

}  // namespace

TGalleryForm::TGalleryForm(TComponent* owner) : TForm(owner) {
    SetCaption("Shape gallery");
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetColor(clTeal);
    SetBounds(0, 0, kWidth, kHeight);
    AddImage();
    AddShapes();
    m_controller = &Make<TTransparentForm>();
    m_controller->SetShapesVisible(true);
    m_controller->SetAutoTransparent(true);
}

void TGalleryForm::AddImage() {
    auto& image = Make<TTransImage>();
    image.SetParent(this);
    image.SetBounds(0, 40, kImageSize, kImageSize);
    TPicture picture;
    DrawPicture(*picture.Bitmap());
    image.SetPicture(&picture);
    TPicture mask;
    DrawMask(*mask.Bitmap());
    image.SetMask(&mask);
    image.SetMode(TMode::Fast);
}

void TGalleryForm::AddShapes() {
    Place<TEllipse>(*this, {110, 4, 220, 80}, TCombineMode::cmOR, clWhite);
    auto& box = Place<TRectangles>(*this, {200, 60, 316, 116}, TCombineMode::cmOR, clYellow);
    box.Brush()->SetColor(clLime);
    Place<TRectangles>(*this, {236, 74, 276, 100}, TCombineMode::cmDifference, clYellow);
    auto& star = Place<TPolygon>(*this, {120, 104, 316, 200}, TCombineMode::cmOR, clFuchsia);
    star.SetDrawingEnabled(false);
    star.SetHidePoints(true);
    const std::vector<TPoint> points = {{98, 0},  {122, 34}, {194, 34}, {136, 60}, {160, 95},
                                        {98, 72}, {36, 95},  {60, 60},  {2, 34},   {74, 34}};
    for (TPoint p : points) star.Points()->Add(p.X, p.Y);
}

}  // namespace kiv
