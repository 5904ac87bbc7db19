// Forms read from designs: creation order, parents, property order, Loaded, OnCreate, fonts.
#include <gtest/gtest.h>

#include "framework/design_writer.h"
#include "framework/exception.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/canvas.h"
#include "framework/forms/font.h"
#include "framework/memory_stream.h"
#include "platform/draw/qt_convert.h"
#include "probe_controls.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

constexpr std::string_view kDesign = R"(
object ProbeForm: TProbeForm
  Left = 10
  Top = 20
  Width = 200
  Height = 100
  BorderStyle = bsNone
  Caption = 'Design test'
  Color = clBlack
  Font.Name = 'Terminal'
  Font.Charset = OEM_CHARSET
  Font.Height = -8
  OnCreate = FormCreate
  object Back: TProbeShape
    Note = 'first'
    Width = 200
    Height = 100
  end
  object Box: TProbeBox
    Left = 50
    Top = 10
    Width = 100
    Height = 60
    Color = clBlue
    object Inner: TProbeShape
      Left = 5
      Top = 5
      Note = 'second'
      Font.Color = clLime
      OnClick = ShapeClick
    end
  end
end
)";

TEST(FormDesign, ReadsPropertiesInOrderThenLoadsEveryComponentThenRunsOnCreate) {
    TProbeForm form(nullptr, kDesign);
    const std::vector<std::string> expected{
        "note Back=first loading parent=ProbeForm",
        "note Inner=second loading parent=Box",
        "loaded Back loading",
        "loaded Box loading",
        "loaded Inner loading",
        "create ready",
    };
    EXPECT_EQ(form.log, expected);
}

TEST(FormDesign, BuildsTheControlTreeWithBoundsFromTheDesign) {
    TProbeForm form(nullptr, kDesign);
    auto* box = dynamic_cast<TProbeBox*>(form.FindComponent("Box"));
    auto* inner = dynamic_cast<TProbeShape*>(form.FindComponent("Inner"));
    ASSERT_NE(box, nullptr);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->Parent(), box);
    EXPECT_EQ(box->Parent(), &form);
    EXPECT_EQ(inner->Owner(), &form);
    EXPECT_EQ(inner->BoundsRect(), TRect(5, 5, 15, 15));
    EXPECT_EQ(form.BoundsRect(), TRect(10, 20, 210, 120));
    EXPECT_EQ(form.ControlCount(), 2);
    EXPECT_EQ(form.Controls(0)->Name(), "Back");
    EXPECT_EQ(form.Controls(1), box);
    EXPECT_FALSE(form.Visible()) << "forms start hidden";
    EXPECT_FALSE(form.HandleAllocated()) << "reading a design makes no window";
}

TEST(FormDesign, ChildrenTakeTheParentFontUntilTheyGetTheirOwn) {
    TProbeForm form(nullptr, kDesign);
    auto& back = dynamic_cast<TProbeShape&>(*form.FindComponent("Back"));
    auto& inner = dynamic_cast<TProbeShape&>(*form.FindComponent("Inner"));
    EXPECT_TRUE(back.ParentFont());
    EXPECT_EQ(back.Font()->Name(), "Terminal");
    EXPECT_EQ(back.Font()->Height(), -8);
    // Inner set its own colour, so it keeps it, and no longer follows its parent.
    EXPECT_FALSE(inner.ParentFont());
    EXPECT_EQ(inner.Font()->Color(), clLime);
    form.Font()->SetName("MS Sans Serif");
    EXPECT_EQ(back.Font()->Name(), "MS Sans Serif");
    EXPECT_EQ(inner.Font()->Name(), "Terminal");
}

TEST(FormDesign, ParentColorFollowsTheParentUntilAColourIsSet) {
    TProbeForm form(nullptr, kDesign);
    auto& back = dynamic_cast<TProbeShape&>(*form.FindComponent("Back"));
    EXPECT_EQ(back.Color(), clBlack);
    form.SetColor(clRed);
    EXPECT_EQ(back.Color(), clRed);
    back.SetColor(clGreen);
    EXPECT_FALSE(back.ParentColor());
    form.SetColor(clYellow);
    EXPECT_EQ(back.Color(), clGreen);
    back.SetParentColor(true);
    EXPECT_EQ(back.Color(), clYellow);
}

TEST(FormDesign, UnknownPropertyFailsWithItsPositionAndLeavesNoChildren) {
    constexpr std::string_view broken = R"(
object ProbeForm: TProbeForm
  object Back: TProbeShape
    Colour = clRed
  end
end
)";
    try {
        TProbeForm form(nullptr, broken);
        FAIL() << "the design was accepted";
    } catch (const EDesignError& error) {
        EXPECT_NE(std::string(error.what()).find("line 4"), std::string::npos) << error.what();
    }
}

TEST(FormDesign, AWrittenFormReadsBackToTheSameDesign) {
    TProbeForm form(nullptr, kDesign);
    std::string written = DesignWriter().Write(form);
    EXPECT_NE(written.find("BorderStyle = bsNone"), std::string::npos) << written;
    EXPECT_NE(written.find("Font.Charset = OEM_CHARSET"), std::string::npos) << written;
    EXPECT_NE(written.find("OnClick = ShapeClick"), std::string::npos) << written;
    EXPECT_EQ(written.find("ParentFont"), written.rfind("ParentFont")) << "only Inner differs";
    TProbeForm again(nullptr, written);
    EXPECT_EQ(DesignWriter().Write(again), written);
    auto& inner = dynamic_cast<TProbeShape&>(*again.FindComponent("Inner"));
    EXPECT_EQ(inner.Font()->Color(), clLime);
    EXPECT_EQ(inner.Parent()->Name(), "Box");
}

TEST(FormDesign, APictureInTheDesignIsReadAndPainted) {
    TBitmap bitmap;
    bitmap.SetSize(3, 2);
    bitmap.Canvas()->Brush()->SetColor(clAqua);
    bitmap.Canvas()->FillRect({0, 0, 3, 2});
    bitmap.Canvas()->SetPixels(2, 1, clRed);
    TMemoryStream bmp;
    bitmap.SaveToStream(bmp);
    std::string hex;
    for (std::uint8_t byte : bmp.Bytes()) {
        static const char digits[] = "0123456789ABCDEF";
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    std::string design = R"(
object ProbeForm: TProbeForm
  Color = clBlack
  object Image: TProbeImage
    Left = 4
    Top = 3
    Picture.Data = { )" + hex +
                         R"( }
  end
end
)";
    TProbeForm form(nullptr, design);
    auto& image = dynamic_cast<TProbeImage&>(*form.FindComponent("Image"));
    EXPECT_EQ(image.BoundsRect(), TRect(4, 3, 7, 5)) << "sized to the picture";
    const QImage target = PaintControl(form, 8, 6, clWhite);
    EXPECT_EQ(platform::FromQRgb(target.pixel(4, 3)), clAqua);
    EXPECT_EQ(platform::FromQRgb(target.pixel(6, 4)), clRed);
    EXPECT_EQ(platform::FromQRgb(target.pixel(7, 4)), clBlack);
}

}  // namespace
}  // namespace kiv::test
