// Window designs: the main window's settings read into the controls, every property written
// and read back, defaults left out, and bad values reported.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>
#include <string>

#include "controls/cool_bevel.h"
#include "controls/cool_controls.h"
#include "controls/cool_group_box.h"
#include "controls/cool_label.h"
#include "controls/cool_scrolling_text.h"
#include "controls/gauge.h"
#include "controls/thread_timer.h"
#include "framework/class_registry.h"
#include "framework/design_writer.h"
#include "framework/exception.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/font.h"
#include "framework/string_list.h"
#include "skin_form.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

TEST(ControlsDesign, TheMainWindowsDesignGivesEveryControlItsSettings) {
    TSkinForm form(nullptr, MainDesign(true));
    TCoolScrollingText& scroll = form.Scroll();
    EXPECT_EQ(scroll.BoundsRect(), TRect(22, 58, 156, 247));
    EXPECT_TRUE(scroll.Active());
    EXPECT_TRUE(scroll.Timer().TimerEnabled());
    EXPECT_EQ(scroll.Interval(), 50u);
    EXPECT_EQ(scroll.ScrollDirection(), TScrollDirection::sdBottomToTop);
    EXPECT_EQ(scroll.Strings()->Count(), 1);
    EXPECT_EQ(scroll.ShadowColor(), clBlue);
    EXPECT_EQ(scroll.ShadowSize(), 0);
    EXPECT_EQ(scroll.ShadowPos(), TShadowPosition::spRightBottom);
    EXPECT_TRUE(scroll.Transparent());
    EXPECT_TRUE(scroll.Font()->Handle().IsOem());

    TGauge& gauge = form.Gauge();
    EXPECT_EQ(gauge.BoundsRect(), TRect(170, 216, 435, 230));
    EXPECT_EQ(gauge.BackColor(), clSilver);
    EXPECT_EQ(gauge.ForeColor(), clLime);
    EXPECT_FALSE(gauge.Visible());
    EXPECT_EQ(gauge.Kind(), TGaugeKind::gkHorizontalBar);

    TCoolGroupBox& bar = form.Group();
    EXPECT_TRUE(bar.Transparent());
    EXPECT_TRUE(bar.SimpleView());
    EXPECT_EQ(bar.ControlCount(), 4);

    TCoolLabel& exit = form.Button("btnExit");
    EXPECT_EQ(exit.Parent(), &bar);
    EXPECT_EQ(exit.ShadowColor(), clWhite);
    EXPECT_EQ(exit.ShadowSize(), 0);
    EXPECT_EQ(exit.ShadowPos(), TShadowPosition::spRightBottom);
    EXPECT_EQ(exit.Layout(), TTextLayout::tlCenter);
    EXPECT_FALSE(exit.ShowAccelChar());
    EXPECT_EQ(exit.Cursor(), crHandPoint);
    EXPECT_EQ(form.Button("btnPath").Layout(), TTextLayout::tlTop);
    EXPECT_TRUE(form.Button("btnPath").ShowAccelChar());
}

TEST(ControlsDesign, AWrittenWindowReadsBackToTheSameDesignWithoutItsDefaults) {
    TSkinForm form(nullptr, MainDesign());
    const std::string written = DesignWriter().Write(form);
    EXPECT_NE(written.find("ShadowPos = spRightBottom"), std::string::npos);
    EXPECT_NE(written.find("ScrollDirection = sdBottomToTop"), std::string::npos);
    EXPECT_NE(written.find("BackColor = clSilver"), std::string::npos);
    for (const char* absent : {"BevelsOffset", "SimpleView = False", "idWallpaper", "MinValue",
                               "Wallpaper.Data", "ShowText", "Kind = "})
        EXPECT_EQ(written.find(absent), std::string::npos) << absent << " is a default";
    TSkinForm again(nullptr, written);
    EXPECT_EQ(DesignWriter().Write(again), written);
}

TEST(ControlsDesign, ANewControlWritesNothingButItsBounds) {
    RegisterCoolControls();
    for (const char* name :
         {"TCoolLabel", "TCoolScrollingText", "TCoolGroupBox", "TCoolBevel", "TGauge"}) {
        TSkinForm form(nullptr);
        auto& control = dynamic_cast<TControl&>(form.InsertComponent(GetClass(name).Create(&form)));
        control.SetName("Fresh");
        control.SetParent(&form);
        if (auto* scroll = dynamic_cast<TCoolScrollingText*>(&control)) scroll->Strings()->Clear();
        if (dynamic_cast<TCoolGroupBox*>(&control)) control.SetCaption("");
        const std::string written = DesignWriter().Write(form);
        const std::string block = written.substr(written.find("object Fresh"));
        std::string properties;
        for (std::size_t at = block.find('\n'); at != std::string::npos;) {
            const std::size_t end = block.find('\n', at + 1);
            const std::string line = block.substr(at + 1, end - at - 1);
            if (line.find(" = ") != std::string::npos && line.find("Left") == std::string::npos &&
                line.find("Top") == std::string::npos && line.find("Width") == std::string::npos &&
                line.find("Height") == std::string::npos)
                properties += line + "\n";
            at = end;
        }
        EXPECT_EQ(properties, "") << name;
    }
}

// Every published value of the controls set away from its default.
constexpr std::string_view kEverything = R"(
object All: TSkinForm
  Width = 300
  Height = 200
  object Label: TCoolLabel
    Caption = 'Go'
    ShadowColor = clRed
    ShadowSize = 3
    ShadowPos = spLeftBottom
    SimpleView = True
    BevelInner = bvLowered
    BevelOuter = bvRaised
    BevelsOffset = 2
    Wallpaper.Data = { @file 'tile.bmp' }
    idWallpaper = 4
  end
  object Scroll: TCoolScrollingText
    Active = False
    Interval = 70000
    ScrollDirection = sdLeftToRight
    Strings.Strings = (
      'one'
      'two')
    Alignment = taLeftJustify
    AutoSize = True
    ShadowColor = clNavy
    ShadowSize = 2
    ShadowPos = spRightTop
    SimpleView = True
    ShowAccelChar = False
    Transparent = True
    FocusControl = Box
    OnTextScrolled = ScrollTextScrolled
    Wallpaper.Data = { @file 'tile.bmp' }
    idWallpaper = 1
  end
  object Bevel: TCoolBevel
    Color = clTeal
    Transparent = False
    Shape = bsFrame
    Style = bsRaised
    idWallpaper = 0
  end
  object Gauge: TGauge
    BackColor = clYellow
    BorderStyle = bsNone
    ForeColor = clBlue
    Kind = gkPie
    MinValue = 200
    MaxValue = 300
    Progress = 250
    ShowText = False
  end
  object Box: TCoolGroupBox
    Caption = 'Box'
    Transparent = True
    ShadowColor = clLime
    ShadowSize = 4
    ShadowPos = spRightBottom
    SimpleView = True
    Wallpaper.Data = { @file 'tile.bmp' }
    idWallpaper = 7
  end
end
)";

TEST(ControlsDesign, EveryPropertyIsReadAndWrittenBack) {
    TSkinForm form(nullptr, kEverything);
    auto& label = form.Get<TCoolLabel>("Label");
    EXPECT_EQ(label.ShadowColor(), clRed);
    EXPECT_EQ(label.ShadowSize(), 3);
    EXPECT_EQ(label.ShadowPos(), TShadowPosition::spLeftBottom);
    EXPECT_TRUE(label.SimpleView()) << "read after the shadow values";
    EXPECT_EQ(label.BevelInner(), TBevelCut::bvLowered);
    EXPECT_EQ(label.BevelOuter(), TBevelCut::bvRaised);
    EXPECT_EQ(label.BevelsOffset(), 2);
    EXPECT_FALSE(label.AutoSize());
    EXPECT_TRUE(label.HasWallpaper());
    EXPECT_EQ(label.Wallpaper()->Width(), 3);
    EXPECT_EQ(label.IdWallpaper(), 4);

    auto& scroll = form.Get<TCoolScrollingText>("Scroll");
    EXPECT_EQ(scroll.Interval(), 70000u);
    EXPECT_EQ(scroll.Timer().SleepInterval(), 4464);
    EXPECT_EQ(scroll.ScrollDirection(), TScrollDirection::sdLeftToRight);
    EXPECT_EQ(scroll.Strings()->Text(), "one\ntwo\n");
    EXPECT_TRUE(scroll.AutoSize());
    EXPECT_EQ(scroll.Width(), 18) << "fitted to the measured lines after loading";
    EXPECT_FALSE(scroll.ShowAccelChar());
    EXPECT_EQ(scroll.FocusControl(), &form.Get<TCoolGroupBox>("Box"));
    EXPECT_TRUE(static_cast<bool>(scroll.OnTextScrolled()));
    EXPECT_EQ(scroll.IdWallpaper(), 1);

    auto& bevel = form.Get<TCoolBevel>("Bevel");
    EXPECT_EQ(bevel.Color(), clTeal);
    EXPECT_FALSE(bevel.Transparent());
    EXPECT_EQ(bevel.Shape(), TBevelShape::bsFrame);

    auto& gauge = form.Get<TGauge>("Gauge");
    EXPECT_EQ(gauge.MinValue(), 200) << "the range is not checked while loading";
    EXPECT_EQ(gauge.MaxValue(), 300);
    EXPECT_EQ(gauge.Progress(), 250);
    EXPECT_EQ(gauge.Kind(), TGaugeKind::gkPie);
    EXPECT_EQ(gauge.BorderStyle(), TBorderStyle::bsNone);

    auto& box = form.Get<TCoolGroupBox>("Box");
    EXPECT_EQ(box.ShadowSize(), 4);
    EXPECT_TRUE(box.SimpleView());
    EXPECT_TRUE(box.HasWallpaper());

    const std::string written = DesignWriter().Write(form);
    TSkinForm again(nullptr, written);
    EXPECT_EQ(DesignWriter().Write(again), written);
}

struct BadCase {
    const char* name;
    std::string line;
    const char* problem;
    friend void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }
};

class BadValue : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadValue, FailsWithItsPlaceInTheDesign) {
    const std::string design = "object All: TSkinForm\n  object Label: TCoolLabel\n    " +
                               GetParam().line + "\n  end\nend\n";
    try {
        TSkinForm form(nullptr, design);
        FAIL() << "read without error";
    } catch (const EDesignError& error) {
        EXPECT_NE(error.Message().find("line 3"), std::string::npos) << error.Message();
        EXPECT_NE(error.Message().find(GetParam().problem), std::string::npos) << error.Message();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadValue,
    ::testing::Values(BadCase{"UnknownPosition", "ShadowPos = spMiddle", "spMiddle"},
                      BadCase{"SizeBeyondAByte", "ShadowSize = 256", "256"},
                      BadCase{"UnknownBevel", "BevelInner = bvDeep", "bvDeep"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv::test
