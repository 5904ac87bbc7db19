// The shaped-window suites' form and mask helpers.
#include "tests/shape/shape_support.h"

#include <gtest/gtest.h>

#include "framework/class_registry.h"
#include "framework/forms/bitmap.h"
#include "tests/support/pixel_art.h"

namespace kiv::test {

namespace {

const bool registered = RegisterClass<TShapeForm, TForm>("TShapeForm");

std::string TestName() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : "shape";
}

}  // namespace

TShapeForm::TShapeForm(TComponent* owner) : TForm(owner) {
    SetCaption(TestName());
    SetBorderStyle(TFormBorderStyle::bsNone);
}

TShapeForm::TShapeForm(TComponent* owner, std::string_view design) : TShapeForm(owner) {
    LoadDesign(design, "shape_form.kfm");
}

std::unique_ptr<TPicture> MaskPicture(const std::vector<std::string>& rows) {
    Palette palette = {{'#', clBlack}, {'r', clMaroon}, {'y', clYellow}};
    for (const std::string& row : rows)
        for (char c : row)
            if (!palette.count(c)) palette[c] = clWhite;
    TBitmap bitmap;
    bitmap.SetImage(FromArt(rows, palette));
    auto picture = std::make_unique<TPicture>();
    picture->SetBitmap(&bitmap);
    return picture;
}

std::string AppliedArt(const TForm& form, int width, int height) {
    if (!form.WindowRgn()) return "none";
    return RegionArt(*form.WindowRgn(), width, height);
}

}  // namespace kiv::test
