// TTransImage: the mask's reduction and its region by both methods, pixel by pixel.
#include <gtest/gtest.h>

#include <memory>

#include "framework/design_reader.h"
#include "framework/design_writer.h"
#include "framework/forms/bitmap.h"
#include "shape/trans_image.h"
#include "tests/shape/shape_support.h"
#include "tests/support/pixel_art.h"

namespace kiv::test {
namespace {

struct MaskCase {
    const char* name;
    std::vector<std::string> mask;
    int width;  // of the control
    int height;
    std::vector<std::string> region;  // over the control's area
};

// Each case is checked with every method, which must give the same pixels.
class MaskRegion : public testing::TestWithParam<std::tuple<MaskCase, TMode>> {};

TEST_P(MaskRegion, HoldsTheBlackPixelsOfTheMaskWithinTheControl) {
    const auto& [c, mode] = GetParam();
    TShapeForm form(nullptr);
    auto& image = form.Make<TTransImage>();
    image.SetBounds(0, 0, c.width, c.height);
    auto mask = MaskPicture(c.mask);
    image.SetMask(mask.get());
    image.SetMode(mode);
    const std::optional<QRegion> region = image.CreateMaskRegion();
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(RegionArt(*region, c.width + 2, c.height + 2), Art(c.region));
}

std::string CaseName(const MaskCase& c, TMode mode) {
    static const char* const modes[] = {"Auto", "NT_Safe", "Fast"};
    return std::string(c.name) + "_" + modes[int(mode)];
}

INSTANTIATE_TEST_SUITE_P(
    Masks, MaskRegion,
    testing::Combine(testing::Values(MaskCase{"OnePixel",
                                              {"....", "..#.", "...."},
                                              4,
                                              3,
                                              {"......", "..#...", "......", "......", "......"}},
                                     MaskCase{"ARowToTheLastColumnIsOneRun",
                                              {"....", "####"},
                                              4,
                                              2,
                                              {"......", "####..", "......", "......"}},
                                     MaskCase{"RunsApartByOnePixelStayApart",
                                              {"##.##"},
                                              5,
                                              1,
                                              {"##.##..", ".......", "......."}},
                                     MaskCase{"AWiderAndTallerMaskIsCutToTheControl",
                                              {"######", "######", "######", "######"},
                                              3,
                                              2,
                                              {"###..", "###..", ".....", "....."}},
                                     MaskCase{"ASmallerMaskShapesOnlyWhatItCovers",
                                              {"##", "#."},
                                              4,
                                              3,
                                              {"##....", "#.....", "......", "......", "......"}},
                                     MaskCase{"DarkColoursAreBlackAndLightOnesWhite",
                                              {"#ry.", "y#r#"},
                                              4,
                                              2,
                                              {"##....", ".###..", "......", "......"}},
                                     MaskCase{"RowsOfManyRuns",
                                              {"#.#.#.#.#", ".#.#.#.#.", "#########", "........."},
                                              9,
                                              4,
                                              {"#.#.#.#.#..", ".#.#.#.#...", "#########..",
                                               "...........", "...........", "..........."}}),
                     testing::Values(TMode::Auto, TMode::NT_Safe, TMode::Fast)),
    [](const auto& info) { return CaseName(std::get<0>(info.param), std::get<1>(info.param)); });

TEST(TransImage, AMaskWithoutBlackGivesNoneUnderNTSafeAndAnEmptyRegionUnderFast) {
    TShapeForm form(nullptr);
    auto& image = form.Make<TTransImage>();
    image.SetBounds(0, 0, 4, 2);
    auto mask = MaskPicture({"....", "yyyy"});
    image.SetMask(mask.get());
    EXPECT_FALSE(image.CreateMaskRegion(TMode::NT_Safe).has_value());
    EXPECT_FALSE(image.CreateMaskRegion(TMode::Auto).has_value()) << "Auto is NT_Safe here";
    const std::optional<QRegion> fast = image.CreateMaskRegion(TMode::Fast);
    ASSERT_TRUE(fast.has_value());
    EXPECT_TRUE(fast->isEmpty());
}

TEST(TransImage, WithoutAMaskOrWithAMaskOfNoPixelsNothingIsShaped) {
    TShapeForm form(nullptr);
    auto& image = form.Make<TTransImage>();
    auto picture = MaskPicture({"##", "##"});
    image.SetPicture(picture.get());  // a picture alone shapes nothing
    EXPECT_FALSE(image.HasMask());
    EXPECT_FALSE(image.CreateMaskRegion(TMode::NT_Safe).has_value());
    EXPECT_FALSE(image.CreateMaskRegion(TMode::Fast).has_value());
    TBitmap flat;
    flat.SetSize(5, 0);
    TPicture empty;
    empty.SetBitmap(&flat);
    image.SetMask(&empty);
    EXPECT_FALSE(image.HasMask());
    EXPECT_FALSE(image.CreateMaskRegion(TMode::Fast).has_value());
}

TEST(TransImage, SettingTheMaskCopiesItAndReducesTheCopyToOneBit) {
    TShapeForm form(nullptr);
    auto& image = form.Make<TTransImage>();
    auto mask = MaskPicture({"#ry"});
    image.SetMask(mask.get());
    EXPECT_TRUE(image.HasMask());
    EXPECT_EQ(image.Mask()->Bitmap()->PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(image.Mask()->Bitmap()->Image().format(), QImage::Format_Mono);
    EXPECT_NE(mask->Bitmap()->PixelFormat(), TPixelFormat::pf1bit) << "the caller's is untouched";
    EXPECT_EQ(mask->Bitmap()->Image().format(), QImage::Format_RGB32);
}

TEST(TransImage, TheMaskIsNeverScaledWithThePicture) {
    TShapeForm form(nullptr);
    auto& image = form.Make<TTransImage>();
    auto picture = MaskPicture({"..", ".."});
    image.SetPicture(picture.get());
    image.SetStretch(true);
    image.SetCenter(true);
    image.SetBounds(3, 4, 6, 2);
    auto mask = MaskPicture({"#..#"});
    image.SetMask(mask.get());
    EXPECT_EQ(RegionArt(*image.CreateMaskRegion(), 6, 2), Art({"#..#..", "......"}));
}

TEST(TransImage, ItsPropertiesGoToADesignAndComeBack) {
    const std::string design = R"(object Form: TShapeForm
  object Shape: TTransImage
    Left = 2
    Top = 3
    Width = 4
    Height = 2
    CombineMode = cmXOR
    Mode = Fast
  end
end
)";
    TShapeForm form(nullptr, design);
    auto* image = dynamic_cast<TTransImage*>(form.FindComponent("Shape"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->CombineMode(), TCombineMode::cmXOR);
    EXPECT_EQ(image->Mode(), TMode::Fast);
    auto mask = MaskPicture({"#..#", ".##."});
    image->SetMask(mask.get());
    const std::string written = WriteDesign(form);
    EXPECT_NE(written.find("Mask.Data = {"), std::string::npos) << written;

    TShapeForm again(nullptr, written);
    auto* read = dynamic_cast<TTransImage*>(again.FindComponent("Shape"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->CombineMode(), TCombineMode::cmXOR);
    EXPECT_EQ(read->Mode(), TMode::Fast);
    EXPECT_EQ(read->Mask()->Bitmap()->PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(RegionArt(*read->CreateMaskRegion(), 4, 2), Art({"#..#", ".##."}));
}

}  // namespace
}  // namespace kiv::test
