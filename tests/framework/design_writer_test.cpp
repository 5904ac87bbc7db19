// DesignWriter: every value kind survives write, read and write again unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "framework/design_reader.h"
#include "framework/design_writer.h"
#include "framework/exception.h"
#include "tests/framework/design_classes.h"

namespace kiv::test {
namespace {

struct RoundTripCase {
    const char* label;
    std::function<void(TTestRoot& root, TWidget& child)> set;
    std::function<void(const TTestRoot& root, const TWidget& child)> check;
};

class DesignRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// Builds a root with one child, applies the row, writes, reads back, checks, writes again.
TEST_P(DesignRoundTrip, WriteReadWriteIsAFixedPoint) {
    TTestRoot original(nullptr);
    original.SetName("Main");
    TWidget& child = original.Make<TWidget>();
    child.SetName("child");
    child.SetParentComponent(&original);
    GetParam().set(original, child);
    std::string first = WriteDesign(original);

    std::unique_ptr<TComponent> copy = CreateFromDesign(first, "round.dfm");
    auto* root = dynamic_cast<TTestRoot*>(copy.get());
    ASSERT_NE(root, nullptr) << first;
    auto* readChild = dynamic_cast<TWidget*>(root->FindComponent("child"));
    ASSERT_NE(readChild, nullptr) << first;
    GetParam().check(*root, *readChild);
    EXPECT_EQ(WriteDesign(*root), first);
}

std::string AllBytes() {
    std::string text;
    for (int c = 1; c < 256; ++c) text += static_cast<char>(c);
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DesignRoundTrip,
    ::testing::Values(
        RoundTripCase{"String", [](auto&, auto& c) { c.SetCaption("it's \"done\""); },
                      [](auto&, auto& c) { EXPECT_EQ(c.Caption(), "it's \"done\""); }},
        RoundTripCase{"StringOfEveryByte", [](auto&, auto& c) { c.SetCaption(AllBytes()); },
                      [](auto&, auto& c) { EXPECT_EQ(c.Caption(), AllBytes()); }},
        RoundTripCase{"StringWithZero",
                      [](auto&, auto& c) { c.SetCaption(std::string("\0x\0", 3)); },
                      [](auto&, auto& c) { EXPECT_EQ(c.Caption(), std::string("\0x\0", 3)); }},
        RoundTripCase{"Integers",
                      [](auto&, auto& c) {
                          c.SetCount(-2147483647 - 1);
                          c.SetBig(std::numeric_limits<std::int64_t>::max());
                          c.SetSmall(255);
                      },
                      [](auto&, auto& c) {
                          EXPECT_EQ(c.Count(), -2147483647 - 1);
                          EXPECT_EQ(c.Big(), std::numeric_limits<std::int64_t>::max());
                          EXPECT_EQ(c.Small(), 255);
                      }},
        RoundTripCase{"IntegerWithIdent", [](auto&, auto& c) { c.Font()->SetColor(0xFF); },
                      [](auto&, auto& c) { EXPECT_EQ(c.Font()->Color(), 0xFF); }},
        RoundTripCase{"IntegerWithoutIdent", [](auto&, auto& c) { c.Font()->SetColor(0x123456); },
                      [](auto&, auto& c) { EXPECT_EQ(c.Font()->Color(), 0x123456); }},
        RoundTripCase{"Boolean", [](auto&, auto& c) { c.SetEnabled(false); },
                      [](auto&, auto& c) { EXPECT_FALSE(c.Enabled()); }},
        RoundTripCase{"FloatExact", [](auto&, auto& c) { c.SetRatio(0.1 + 0.2); },
                      [](auto&, auto& c) { EXPECT_EQ(c.Ratio(), 0.1 + 0.2); }},
        RoundTripCase{"FloatWhole", [](auto&, auto& c) { c.SetRatio(-3.0); },
                      [](auto&, auto& c) { EXPECT_EQ(c.Ratio(), -3.0); }},
        RoundTripCase{"FloatTiny", [](auto&, auto& c) { c.SetRatio(4.9406564584124654e-324); },
                      [](auto&, auto& c) { EXPECT_EQ(c.Ratio(), 4.9406564584124654e-324); }},
        RoundTripCase{"Enum", [](auto&, auto& c) { c.SetShade(TShade::shNone); },
                      [](auto&, auto& c) { EXPECT_EQ(c.Shade(), TShade::shNone); }},
        RoundTripCase{
            "Set",
            [](auto&, auto& c) {
                c.SetOptions({TOption::ooItalic, TOption::ooUnderline});
            },
            [](auto&, auto& c) {
                EXPECT_EQ(c.Options(), (TOptions{TOption::ooItalic, TOption::ooUnderline}));
            }},
        RoundTripCase{"NestedObject",
                      [](auto&, auto& c) {
                          c.Font()->SetName("Terminal");
                          c.Font()->SetSize(12);
                      },
                      [](auto&, auto& c) {
                          EXPECT_EQ(c.Font()->Name(), "Terminal");
                          EXPECT_EQ(c.Font()->Size(), 12);
                      }},
        RoundTripCase{"StringList", [](auto&, auto& c) { c.Lines()->SetText("a\n\n'b'\n\n"); },
                      [](auto&, auto& c) { EXPECT_EQ(c.Lines()->Text(), "a\n\n'b'\n\n"); }},
        RoundTripCase{"Collection",
                      [](auto&, auto& c) {
                          static_cast<TTestItem*>(c.Items()->Add())->SetCaption("UNRAR.DLL");
                          c.Items()->Add();
                          static_cast<TTestItem*>(c.Items()->Add())->SetWeight(-4);
                      },
                      [](auto&, auto& c) {
                          ASSERT_EQ(c.Items()->Count(), 3);
                          EXPECT_EQ(static_cast<TTestItem*>(c.Items()->Items(0))->Caption(),
                                    "UNRAR.DLL");
                          EXPECT_EQ(static_cast<TTestItem*>(c.Items()->Items(1))->Caption(), "");
                          EXPECT_EQ(static_cast<TTestItem*>(c.Items()->Items(2))->Weight(), -4);
                      }},
        RoundTripCase{"ComponentReference", [](auto& r, auto& c) { r.SetPartner(&c); },
                      [](auto& r, auto& c) { EXPECT_EQ(r.Partner(), &c); }},
        RoundTripCase{"ReferenceToRoot", [](auto& r, auto& c) { c.SetPartner(&r); },
                      [](auto& r, auto& c) { EXPECT_EQ(c.Partner(), &r); }},
        RoundTripCase{"Event",
                      [](auto& r, auto& c) {
                          c.SetOnClick(
                              TNotifyEvent("ButtonClick", [&r](TObject* s) { r.ButtonClick(s); }));
                      },
                      [](auto&, auto& c) { EXPECT_EQ(c.OnClick().MethodName(), "ButtonClick"); }},
        RoundTripCase{"BinaryAcrossLines",
                      [](auto&, auto& c) {
                          for (int i = 0; i < 100; ++i)
                              c.blob.push_back(static_cast<std::uint8_t>(i * 37));
                      },
                      [](auto&, auto& c) {
                          ASSERT_EQ(c.blob.size(), 100u);
                          for (int i = 0; i < 100; ++i)
                              EXPECT_EQ(c.blob[i], static_cast<std::uint8_t>(i * 37));
                      }},
        RoundTripCase{"NestedChild",
                      [](auto& r, auto& c) {
                          TWidget& inner = r.template Make<TWidget>();
                          inner.SetName("inner");
                          inner.SetParentComponent(&c);
                          inner.SetCaption("deep");
                      },
                      [](auto& r, auto& c) {
                          auto* inner = dynamic_cast<TWidget*>(r.FindComponent("inner"));
                          ASSERT_NE(inner, nullptr);
                          EXPECT_EQ(inner->GetParentComponent(), &c);
                          EXPECT_EQ(inner->Caption(), "deep");
                      }}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(DesignWriter, WritesTheDocumentedLayout) {
    TTestRoot root(nullptr);
    root.SetName("Main");
    root.SetCaption("x");
    root.Font()->SetColor(0xFFFFFF);
    root.Lines()->Add("one");
    root.Lines()->Add("two");
    static_cast<TTestItem*>(root.Items()->Add())->SetCaption("a");
    root.SetSecret("never written");
    root.blob = {0xAB, 0x01};
    root.Make<TPlain>().SetName("plain");
    EXPECT_EQ(WriteDesign(root),
              "object Main: TTestRoot\n"
              "  Caption = 'x'\n"
              "  Font.Color = clWhite\n"
              "  Lines.Strings = (\n"
              "    'one'\n"
              "    'two')\n"
              "  Items = <\n"
              "    item\n"
              "      Caption = 'a'\n"
              "    end>\n"
              "  Blob = {\n"
              "    AB01}\n"
              "  object plain: TPlain\n"
              "  end\n"
              "end\n");
}

TEST(DesignWriter, DefaultsAndNotStoredPropertiesAreLeftOut) {
    TWidget widget(nullptr);
    widget.SetSecret("kept out");
    // Color has no declared default, so it is written even at 0 (by its identifier).
    EXPECT_EQ(WriteDesign(widget), "object TWidget\n  Font.Color = clBlack\nend\n");
}

TEST(DesignWriter, BinaryLinesHold32Bytes) {
    TWidget widget(nullptr);
    widget.blob.assign(65, 0x5A);
    std::string text = WriteDesign(widget);
    std::string line;
    for (int i = 0; i < 32; ++i) line += "5A";
    EXPECT_NE(text.find("Blob = {\n    " + line + "\n    " + line + "\n    5A}\n"),
              std::string::npos)
        << text;
}

TEST(DesignWriter, NonFiniteFloatIsRefused) {
    TWidget widget(nullptr);
    widget.SetRatio(std::numeric_limits<double>::quiet_NaN());
    EXPECT_THROW(WriteDesign(widget), EPropertyError);
    EXPECT_FALSE(widget.ComponentState().Contains(TComponentStateItem::csWriting));
}

}  // namespace
}  // namespace kiv::test
