// TCustomLabel/TLabel: AutoSize in pixels, alignment and layout, prefixes, disabled text, flags.
#include <gtest/gtest.h>

#include <vector>

#include "framework/forms/font.h"
#include "framework/stdctrls/label.h"
#include "platform/draw/draw_text.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

using namespace platform;

// The caption drawn straight with the text engine: what the label must show.
QImage TextAt(int width, int height, std::string_view text, TPoint at, unsigned flags = 0) {
    return Reference(width, height, clBlack, [&](DeviceContext& dc) {
        SelectTerminalText(dc, clWhite);
        TRect r(at.X, at.Y, width, height);
        DrawText(dc, text, r, flags);
    });
}

struct SizeCase {
    const char* name;
    std::string caption;
    bool showAccelChar;
    bool wordWrap;
    TSize expected;
    friend void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }
};

class LabelAutoSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(LabelAutoSize, TakesTheMeasuredSizeOfTheCaption) {
    const SizeCase& c = GetParam();
    TLabel label(nullptr);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetAutoSize(false);
    label.SetBounds(3, 4, 30, 40);
    label.SetShowAccelChar(c.showAccelChar);
    label.SetWordWrap(c.wordWrap);
    label.SetCaption(c.caption);
    label.SetAutoSize(true);
    EXPECT_EQ(TSize(label.Width(), label.Height()), c.expected);
    EXPECT_EQ(label.Left(), 3);
    EXPECT_EQ(label.Top(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LabelAutoSize,
    ::testing::Values(SizeCase{"Exit", "Exit", true, false, {24, 8}},
                      SizeCase{"EmptyIsOneBlank", "", true, false, {6, 8}},
                      SizeCase{"LonePrefixIsOneBlank", "&", true, false, {6, 8}},
                      SizeCase{"PrefixTakesNoRoom", "&Exit", true, false, {24, 8}},
                      SizeCase{"PrefixShownWithoutAccelChar", "&Exit", false, false, {30, 8}},
                      SizeCase{"DoubledPrefixIsOneAmpersand", "a&&b", true, false, {18, 8}},
                      SizeCase{"TwoLines", "Exit\nPath", true, false, {24, 16}},
                      SizeCase{"TabsExpandToEightCells", "a\tb", true, false, {54, 8}},
                      SizeCase{"WordWrapWithinTheWidth", "Exit Path", true, true, {24, 16}},
                      SizeCase{"NoWrapWithoutWordWrap", "Exit Path", true, false, {54, 8}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LabelAutoSizeTest, SansFaceLinesAreThirteenPixelsHigh) {
    TLabel label(nullptr);
    label.SetCaption("0");
    EXPECT_EQ(label.Height(), 13);
}

TEST(LabelAutoSizeTest, FollowsCaptionAndFontChanges) {
    TLabel label(nullptr);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetCaption("Exit");
    EXPECT_EQ(TSize(label.Width(), label.Height()), TSize(24, 8));
    label.SetCaption("Unpack");
    EXPECT_EQ(TSize(label.Width(), label.Height()), TSize(36, 8));
    label.Font()->SetName("MS Sans Serif");
    label.Font()->SetCharset(DEFAULT_CHARSET);
    EXPECT_EQ(label.Height(), 13);
}

TEST(LabelAutoSizeTest, ShowingThePrefixMarksRefits) {
    TLabel label(nullptr);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetCaption("&Exit");
    EXPECT_EQ(label.Width(), 24);
    label.SetShowAccelChar(false);
    EXPECT_EQ(label.Width(), 30);
}

TEST(LabelAutoSizeTest, OffKeepsTheBounds) {
    TLabel label(nullptr);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetAutoSize(false);
    label.SetBounds(254, 60, 191, 9);
    label.SetCaption("Release name");
    EXPECT_EQ(label.BoundsRect(), TRect(254, 60, 445, 69));
}

struct AnchorCase {
    const char* name;
    TAlignment alignment;
    int leftAfterFit;
    int leftAfterLongerCaption;
    friend void PrintTo(const AnchorCase& c, std::ostream* os) { *os << c.name; }
};

class LabelAnchor : public ::testing::TestWithParam<AnchorCase> {};

TEST_P(LabelAnchor, RightJustifiedKeepsItsRightEdge) {
    const AnchorCase& c = GetParam();
    TLabel label(nullptr);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetAutoSize(false);
    label.SetBounds(10, 0, 100, 8);
    label.SetAlignment(c.alignment);
    label.SetCaption("Exit");
    label.SetAutoSize(true);
    EXPECT_EQ(label.Left(), c.leftAfterFit);
    EXPECT_EQ(label.Width(), 24);
    label.SetCaption("Verify");
    EXPECT_EQ(label.Left(), c.leftAfterLongerCaption);
    EXPECT_EQ(label.Width(), 36);
}

INSTANTIATE_TEST_SUITE_P(Cases, LabelAnchor,
                         ::testing::Values(AnchorCase{"Left", TAlignment::taLeftJustify, 10, 10},
                                           AnchorCase{"Centre", TAlignment::taCenter, 10, 10},
                                           AnchorCase{"Right", TAlignment::taRightJustify, 86, 74}),
                         [](const auto& info) { return std::string(info.param.name); });

struct PlaceCase {
    const char* name;
    TAlignment alignment;
    TTextLayout layout;
    int width, height;
    TPoint at;
    friend void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }
};

class LabelPlacement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(LabelPlacement, DrawsTheCaptionWhereAlignmentAndLayoutSay) {
    const PlaceCase& c = GetParam();
    TLabel label(nullptr);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetAutoSize(false);
    label.SetTransparent(true);
    label.SetBounds(0, 0, c.width, c.height);
    label.SetAlignment(c.alignment);
    label.SetLayout(c.layout);
    label.SetCaption("Exit");
    QImage expected = TextAt(c.width, c.height, "Exit", c.at);
    ASSERT_GT(DifferingPixels(expected, BlankImage(c.width, c.height, clBlack)), 0);
    EXPECT_EQ(DifferingPixels(PaintControl(label, c.width, c.height, clBlack), expected), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LabelPlacement,
    ::testing::Values(
        PlaceCase{"LeftTop", TAlignment::taLeftJustify, TTextLayout::tlTop, 40, 20, {0, 0}},
        PlaceCase{"RightTop", TAlignment::taRightJustify, TTextLayout::tlTop, 40, 20, {16, 0}},
        PlaceCase{"CentreTop", TAlignment::taCenter, TTextLayout::tlTop, 40, 20, {8, 0}},
        PlaceCase{"LeftCentre", TAlignment::taLeftJustify, TTextLayout::tlCenter, 40, 20, {0, 6}},
        PlaceCase{"LeftBottom", TAlignment::taLeftJustify, TTextLayout::tlBottom, 40, 20, {0, 12}},
        PlaceCase{"CentreCentre", TAlignment::taCenter, TTextLayout::tlCenter, 41, 21, {8, 6}},
        PlaceCase{"CentredInThirteenRowsMovesDownTwo",
                  TAlignment::taCenter,
                  TTextLayout::tlCenter,
                  24,
                  13,
                  {0, 2}},
        PlaceCase{
            "CentredInEightRowsStays", TAlignment::taCenter, TTextLayout::tlCenter, 24, 8, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LabelPaintTest, WordWrapBreaksBetweenWordsAndAlignsEachLine) {
    TLabel label(nullptr);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetAutoSize(false);
    label.SetTransparent(true);
    label.SetBounds(0, 0, 30, 16);
    label.SetWordWrap(true);
    label.SetAlignment(TAlignment::taCenter);
    label.SetCaption("Exit Path");
    QImage expected = Reference(30, 16, clBlack, [](DeviceContext& dc) {
        SelectTerminalText(dc, clWhite);
        TRect first(3, 0, 30, 8), second(3, 8, 30, 16);
        DrawText(dc, "Exit", first, 0);
        DrawText(dc, "Path", second, 0);
    });
    EXPECT_EQ(DifferingPixels(PaintControl(label, 30, 16, clBlack), expected), 0);
}

TEST(LabelPaintTest, PrefixUnderlinesUnlessShowAccelCharIsOff) {
    TLabel label(nullptr);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetAutoSize(false);
    label.SetTransparent(true);
    label.SetBounds(0, 0, 30, 8);
    label.SetCaption("&Exit");
    QImage underlined = TextAt(30, 8, "&Exit", {0, 0});
    QImage literal = TextAt(30, 8, "&Exit", {0, 0}, DT_NOPREFIX);
    ASSERT_GT(DifferingPixels(underlined, literal), 0);
    EXPECT_EQ(DifferingPixels(PaintControl(label, 30, 8, clBlack), underlined), 0);
    label.SetShowAccelChar(false);
    EXPECT_EQ(DifferingPixels(PaintControl(label, 30, 8, clBlack), literal), 0);
}

TEST(LabelPaintTest, OpaqueLabelFillsWithItsColourAndTransparentOneDoesNot) {
    TLabel label(nullptr);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetAutoSize(false);
    label.SetBounds(0, 0, 30, 10);
    label.SetColor(clBlue);
    label.SetCaption("Exit");
    QImage filled = Reference(30, 10, clBlack, [](DeviceContext& dc) {
        dc.FillSolidRect({0, 0, 30, 10}, clBlue);
        SelectTerminalText(dc, clWhite);
        TRect r(0, 0, 30, 10);
        DrawText(dc, "Exit", r, 0);
    });
    EXPECT_FALSE(label.Transparent());
    EXPECT_EQ(DifferingPixels(PaintControl(label, 30, 10, clBlack), filled), 0);
    label.SetTransparent(true);
    EXPECT_EQ(DifferingPixels(PaintControl(label, 30, 10, clBlack), TextAt(30, 10, "Exit", {0, 0})),
              0);
}

TEST(LabelPaintTest, DisabledCaptionIsEngraved) {
    TLabel label(nullptr);
    UseTerminalFont(*label.Font(), clWhite);
    label.SetAutoSize(false);
    label.SetTransparent(true);
    label.SetBounds(0, 0, 30, 10);
    label.SetCaption("Exit");
    label.SetEnabled(false);
    QImage engraved = Reference(30, 10, clBlack, [](DeviceContext& dc) {
        SelectTerminalText(dc, clBtnHighlight);
        TRect r(1, 1, 31, 11);
        DrawText(dc, "Exit", r, 0);
        dc.SetTextColor(ColorToRGB(clBtnShadow));
        r.Offset(-1, -1);
        DrawText(dc, "Exit", r, 0);
    });
    EXPECT_EQ(DifferingPixels(PaintControl(label, 30, 10, clBlack), engraved), 0);
}

// Records the flags the label hands to its drawing step.
class FlagLabel : public TLabel {
public:
    using TLabel::TLabel;
    std::vector<unsigned> flags;

protected:
    void DoDrawText(TRect& rect, unsigned f) override {
        flags.push_back(f);
        TLabel::DoDrawText(rect, f);
    }
};

struct FlagCase {
    const char* name;
    TAlignment alignment;
    TTextLayout layout;
    bool wordWrap;
    std::vector<unsigned> paint;
    unsigned fit;
    friend void PrintTo(const FlagCase& c, std::ostream* os) { *os << c.name; }
};

class LabelFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(LabelFlags, ComposesTheDrawTextFlags) {
    const FlagCase& c = GetParam();
    FlagLabel label(nullptr);
    label.SetAutoSize(false);
    label.SetAlignment(c.alignment);
    label.SetLayout(c.layout);
    label.SetWordWrap(c.wordWrap);
    label.SetCaption("Exit");
    label.flags.clear();
    PaintControl(label, 20, 20, clBlack);
    EXPECT_EQ(label.flags, c.paint);
    label.flags.clear();
    label.SetAutoSize(true);
    EXPECT_EQ(label.flags, std::vector<unsigned>{c.fit});
}

constexpr unsigned kTabs = DT_EXPANDTABS;

INSTANTIATE_TEST_SUITE_P(
    Cases, LabelFlags,
    ::testing::Values(FlagCase{"Defaults",
                               TAlignment::taLeftJustify,
                               TTextLayout::tlTop,
                               false,
                               {kTabs},
                               kTabs | DT_CALCRECT},
                      FlagCase{"RightWrapped",
                               TAlignment::taRightJustify,
                               TTextLayout::tlTop,
                               true,
                               {kTabs | DT_WORDBREAK | DT_RIGHT},
                               kTabs | DT_CALCRECT | DT_WORDBREAK},
                      FlagCase{"CentredLayoutMeasuresFirst",
                               TAlignment::taCenter,
                               TTextLayout::tlCenter,
                               false,
                               {kTabs | DT_CENTER | DT_CALCRECT, kTabs | DT_CENTER},
                               kTabs | DT_CALCRECT},
                      FlagCase{"BottomLayoutMeasuresFirst",
                               TAlignment::taLeftJustify,
                               TTextLayout::tlBottom,
                               true,
                               {kTabs | DT_WORDBREAK | DT_CALCRECT, kTabs | DT_WORDBREAK},
                               kTabs | DT_CALCRECT | DT_WORDBREAK}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv::test
