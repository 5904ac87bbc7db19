// TCustomGroupBox: the etched and flat frames, the caption over the top line, the inner area.
#include <gtest/gtest.h>

#include "framework/forms/font.h"
#include "framework/stdctrls/custom_group_box.h"
#include "framework/stdctrls/label.h"
#include "platform/draw/draw_text.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

// f: the box's colour (button face); s: shadow; w: highlight; k: window frame (black).
const Palette kPalette = {
    {'f', clBtnFace}, {'s', clBtnShadow}, {'w', clBtnHighlight}, {'k', clWindowFrame}};

struct FrameCase {
    const char* name;
    bool ctl3D;
    std::vector<std::string> art;  // 6 x 7, Terminal font: "0" is 8 high, so the top line is 3
    friend void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }
};

class GroupBoxFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(GroupBoxFrame, DrawsItsFrameBelowHalfTheCaptionHeight) {
    const FrameCase& c = GetParam();
    TCustomGroupBox box(nullptr);
    box.SetBounds(0, 0, 6, 7);
    box.SetColor(clBtnFace);
    UseTerminalFont(*box.Font(), clBlack);
    box.SetCtl3D(c.ctl3D);
    EXPECT_EQ(ToArt(PaintControl(box, 6, 7, clWhite), kPalette), Art(c.art));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GroupBoxFrame,
    ::testing::Values(
        FrameCase{
            "Etched", true, {"ffffff", "ffffff", "ffffff", "sssssf", "swwwsw", "sssssw", "fwwwww"}},
        FrameCase{
            "Flat", false, {"ffffff", "ffffff", "ffffff", "kkkkkk", "kffffk", "kffffk", "kkkkkk"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GroupBoxTest, ButtonBarFrameRunsFromRowFiveToTheBottomWithTheSansFace) {
    TCustomGroupBox box(nullptr);
    box.SetBounds(1, 274, 450, 29);
    box.SetColor(clBtnFace);
    box.SetCtl3D(false);
    QImage image = PaintControl(box, 450, 29, clWhite);
    auto at = [&](int x, int y) { return ToArt(image.copy(x, y, 1, 1), kPalette); };
    EXPECT_EQ(at(0, 4), "f");
    EXPECT_EQ(at(200, 5), "k");
    EXPECT_EQ(at(200, 28), "k");
    EXPECT_EQ(at(0, 17), "k");
    EXPECT_EQ(at(449, 17), "k");
    EXPECT_EQ(at(448, 17), "f");
    EXPECT_EQ(at(200, 27), "f");
}

TEST(GroupBoxTest, CaptionCellsInterruptTheTopLine) {
    TCustomGroupBox box(nullptr);
    box.SetBounds(0, 0, 30, 12);
    box.SetColor(clBtnFace);
    UseTerminalFont(*box.Font(), clBlack);
    box.SetCtl3D(false);
    box.SetCaption("A");
    QImage image = PaintControl(box, 30, 12, clWhite);
    // The caption "A" covers columns 8..13 of rows 0..7: filled with the box's colour or drawn
    // in the font's; the frame goes on at both sides.
    QImage glyph = Reference(6, 8, clBtnFace, [](platform::DeviceContext& dc) {
        SelectTerminalText(dc, clBlack);
        TRect r(0, 0, 6, 8);
        platform::DrawText(dc, "A", r, platform::DT_SINGLELINE);
    });
    EXPECT_EQ(DifferingPixels(image.copy(8, 0, 6, 8), glyph), 0);
    EXPECT_EQ(ToArt(image.copy(0, 3, 30, 1), kPalette),
              "kkkkkkkk" + ToArt(glyph.copy(0, 3, 6, 1), kPalette) + "kkkkkkkkkkkkkkkk");
}

struct InnerCase {
    const char* name;
    bool ctl3D;
    TRect expected;
    friend void PrintTo(const InnerCase& c, std::ostream* os) { *os << c.name; }
};

class GroupBoxInner : public ::testing::TestWithParam<InnerCase> {};

TEST_P(GroupBoxInner, ChildAreaLiesInsideTheFrameBelowTheCaption) {
    const InnerCase& c = GetParam();
    TCustomGroupBox box(nullptr);
    box.SetBounds(0, 0, 100, 50);
    UseTerminalFont(*box.Font(), clBlack);
    box.SetCtl3D(c.ctl3D);
    TRect r = box.ClientRect();
    box.AdjustClientRect(r);
    EXPECT_EQ(r, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, GroupBoxInner,
                         ::testing::Values(InnerCase{"Etched", true, {2, 10, 98, 48}},
                                           InnerCase{"Flat", false, {1, 9, 99, 49}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GroupBoxTest, AcceptsChildControlsAndPaintsThemOverItsFrame) {
    TCustomGroupBox box(nullptr);
    EXPECT_TRUE(box.ControlStyle().Contains(TControlStyleItem::csAcceptsControls));
    box.SetBounds(0, 0, 40, 20);
    box.SetColor(clBtnFace);
    box.SetCtl3D(false);
    UseTerminalFont(*box.Font(), clBlack);
    TLabel label(nullptr);
    label.SetParent(&box);
    label.SetParentFont(true);
    label.SetColor(clBtnHighlight);
    label.SetAutoSize(false);
    label.SetBounds(0, 0, 4, 4);
    QImage image = PaintControl(box, 40, 20, clWhite);
    EXPECT_EQ(ToArt(image.copy(0, 3, 5, 1), kPalette), "wwwwk");
    EXPECT_EQ(ToArt(image.copy(0, 4, 5, 1), kPalette), "kffff");
}

}  // namespace
}  // namespace kiv::test
