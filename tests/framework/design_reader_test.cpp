// DesignReader: order of creation and assignment, states, Loaded, references, handlers, errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "framework/design_reader.h"
#include "framework/exception.h"
#include "tests/framework/design_classes.h"

namespace kiv::test {
namespace {

using enum TComponentStateItem;

class DesignReaderTest : public ::testing::Test {
protected:
    void SetUp() override { root.journal = &journal; }

    void Read(std::string_view text, BundledFileResolver files = {}) {
        ReadDesign(root, text, "test.dfm", std::move(files));
    }
    TWidget* Widget(std::string_view name) {
        return dynamic_cast<TWidget*>(root.FindComponent(name));
    }

    Journal journal;  // outlives root
    TTestRoot root{nullptr};
};

TEST_F(DesignReaderTest, CreatesNestedComponentsOwnedByTheRootInDesignOrder) {
    Read(R"(object Main: TTestRoot
  Caption = 'main'
  object panel: TWidget
    object inner: TWidget
    end
  end
  object tail: TPlain
  end
end)");
    EXPECT_EQ(root.Name(), "Main");
    ASSERT_EQ(root.ComponentCount(), 3);
    EXPECT_EQ(root.Components(0)->Name(), "panel");
    EXPECT_EQ(root.Components(1)->Name(), "inner");
    EXPECT_EQ(root.Components(2)->Name(), "tail");
    EXPECT_EQ(root.Components(1)->GetParentComponent(), root.Components(0));
    EXPECT_EQ(root.Components(0)->GetParentComponent(), &root);
}

TEST_F(DesignReaderTest, SetsPropertiesInDesignOrderWhileLoadingAndReading) {
    Read(R"(object Main: TTestRoot
  Shade = shDark
  Caption = 'x'
  Count = 3
  object w: TWidget
    Enabled = False
    Caption = 'y'
  end
end)");
    std::vector<std::string> expected = {"Main.Shade[LR]", "Main.Caption[LR]", "Main.Count[LR]",
                                         "w.Enabled[LR]",  "w.Caption[LR]",    "Main.Loaded[]",
                                         "w.Loaded[]"};
    EXPECT_EQ(journal.entries, expected);
    EXPECT_TRUE(root.ComponentState().Empty());
    EXPECT_TRUE(root.Components(0)->ComponentState().Empty());
}

TEST_F(DesignReaderTest, LoadedRunsOncePerComponentAfterEveryPropertyAndReference) {
    Read(R"(object Main: TTestRoot
  object a: TWidget
    Partner = b
  end
  object b: TWidget
    Caption = 'late'
  end
end)");
    auto firstLoaded =
        std::find_if(journal.entries.begin(), journal.entries.end(),
                     [](const std::string& e) { return e.find("Loaded") != e.npos; });
    ASSERT_NE(firstLoaded, journal.entries.end());
    // Nothing is set after the first Loaded, and the reference was set while reading.
    EXPECT_TRUE(std::none_of(firstLoaded, journal.entries.end(),
                             [](const std::string& e) { return e.find("Loaded") == e.npos; }));
    EXPECT_NE(std::find(journal.entries.begin(), firstLoaded, "a.Partner[LR]"), firstLoaded)
        << "references are resolved after reading, before Loaded";
    EXPECT_EQ(std::count(journal.entries.begin(), journal.entries.end(), "a.Loaded[]"), 1);
    EXPECT_EQ(std::count(journal.entries.begin(), journal.entries.end(), "b.Loaded[]"), 1);
    EXPECT_EQ(Widget("a")->Partner(), Widget("b"));
}

TEST_F(DesignReaderTest, ReferenceToTheRootByItsName) {
    Read("object Main: TTestRoot\n object a: TWidget\n Partner = Main\n end\nend");
    EXPECT_EQ(Widget("a")->Partner(), &root);
}

TEST_F(DesignReaderTest, BindsEventsToMethodsOfTheRoot) {
    Read(R"(object Main: TTestRoot
  object btn: TWidget
    OnClick = buttonclick
    OnQuery = AskQuery
  end
end)");
    TWidget* button = Widget("btn");
    button->OnClick()(button);
    EXPECT_EQ(journal.entries.back(), "clicked by btn");
    bool answer = false;
    button->OnQuery()(button, answer);
    EXPECT_TRUE(answer);
    EXPECT_EQ(button->OnClick().MethodName(), "ButtonClick");
}

TEST_F(DesignReaderTest, NestedObjectsCollectionsAndStringLists) {
    Read(R"(object Main: TTestRoot
  Font.Name = 'Terminal'
  Font.Color = clWhite
  Lines.Strings = (
    'first'
    ''
    'third')
  Items = <
    item
      Caption = 'one'
      Weight = 5
    end
    item
    end>
end)");
    EXPECT_EQ(root.Font()->Name(), "Terminal");
    EXPECT_EQ(root.Font()->Color(), 0xFFFFFF);
    EXPECT_EQ(root.Lines()->Text(), "first\n\nthird\n");
    ASSERT_EQ(root.Items()->Count(), 2);
    auto* item = static_cast<TTestItem*>(root.Items()->Items(0));
    EXPECT_EQ(item->Caption(), "one");
    EXPECT_EQ(item->Weight(), 5);
}

TEST_F(DesignReaderTest, ReferencesFromItemsOfAReplacedCollectionAreDropped) {
    // The first list's item, and its pending reference, is gone once the second list is read.
    Read(R"(object Main: TTestRoot
  Items = <item Partner = btn end>
  Items = <item Weight = 2 end>
  object btn: TWidget
  end
end)");
    ASSERT_EQ(root.Items()->Count(), 1);
    auto* item = static_cast<TTestItem*>(root.Items()->Items(0));
    EXPECT_EQ(item->Weight(), 2);
    EXPECT_EQ(item->Partner(), nullptr);
}

TEST_F(DesignReaderTest, ItemsResolveReferencesToComponentsDeclaredLater) {
    Read(R"(object Main: TTestRoot
  Items = <item Partner = btn end>
  object btn: TWidget
  end
end)");
    ASSERT_EQ(root.Items()->Count(), 1);
    EXPECT_EQ(static_cast<TTestItem*>(root.Items()->Items(0))->Partner(), Widget("btn"));
}

TEST_F(DesignReaderTest, CollectionReplacesExistingItems) {
    root.Items()->Add();
    root.Items()->Add();
    Read("object Main: TTestRoot\n Items = <item Weight = 1 end>\nend");
    ASSERT_EQ(root.Items()->Count(), 1);
    EXPECT_EQ(static_cast<TTestItem*>(root.Items()->Items(0))->Weight(), 1);
}

TEST_F(DesignReaderTest, BinaryDefinedPropertyGetsExactlyItsBytes) {
    Read("object Main: TTestRoot\n Blob = {\n 00FF10\n  7f }\nend");
    EXPECT_EQ(root.blob, (std::vector<std::uint8_t>{0x00, 0xFF, 0x10, 0x7F}));
}

TEST_F(DesignReaderTest, BinaryFromABundledFile) {
    std::vector<std::uint8_t> library(70000);
    for (std::size_t i = 0; i < library.size(); ++i) library[i] = static_cast<std::uint8_t>(i * 7);
    std::vector<std::string> asked;
    Read("object Main: TTestRoot\n Blob = { @file 'LIBUNRAR.SO' }\nend",
         [&](const std::string& name) -> std::optional<std::vector<std::uint8_t>> {
             asked.push_back(name);
             return library;
         });
    EXPECT_EQ(asked, std::vector<std::string>{"LIBUNRAR.SO"});
    EXPECT_EQ(root.blob, library);
}

struct StringCase {
    const char* label;
    const char* literal;
    std::string expected;
};

class DesignStrings : public DesignReaderTest, public ::testing::WithParamInterface<StringCase> {};

TEST_P(DesignStrings, DecodeToBytes) {
    Read(std::string("object Main: TTestRoot\n Caption = ") + GetParam().literal + "\nend");
    EXPECT_EQ(root.Caption(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, DesignStrings,
    ::testing::Values(StringCase{"DoubledQuote", "'it''s'", "it's"}, StringCase{"Empty", "''", ""},
                      StringCase{"OnlyQuote", "''''", "'"},
                      StringCase{"CodesBetweenParts", "'a'#13#10'b'", "a\r\nb"},
                      StringCase{"HexCode", "#$41#66", "AB"},
                      StringCase{"CodePointAsUtf8", "#233#8364", "\xc3\xa9\xe2\x82\xac"},
                      StringCase{"RawBytesKept", "'\xc3\xbc\xb0'", "\xc3\xbc\xb0"},
                      StringCase{"Concatenation", "'one' +\n   ' two' + #33", "one two!"},
                      StringCase{"ZeroCode", "'a'#0'b'", std::string("a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(DesignReaderTest, IntegerForms) {
    Read(
        "object Main: TTestRoot\n Count = $7F\n Big = -9223372036854775808\n Small = 255\n"
        " Ratio = 5\nend");
    EXPECT_EQ(root.Count(), 127);
    EXPECT_EQ(root.Big(), INT64_MIN);
    EXPECT_EQ(root.Small(), 255);
    EXPECT_EQ(root.Ratio(), 5.0);
}

TEST_F(DesignReaderTest, SetsAndEnumsIgnoreCase) {
    Read("object Main: TTestRoot\n Shade = SHNONE\n Options = [ooUnderline, OOBOLD]\nend");
    EXPECT_EQ(root.Shade(), TShade::shNone);
    EXPECT_EQ(root.Options(), (TOptions{TOption::ooBold, TOption::ooUnderline}));
}

TEST_F(DesignReaderTest, CreatesTheRootFromItsClassName) {
    std::unique_ptr<TComponent> made =
        CreateFromDesign("object Made: TWidget\n Caption = 'c'\nend", "made.dfm");
    auto* widget = dynamic_cast<TWidget*>(made.get());
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->Name(), "Made");
    EXPECT_EQ(widget->Caption(), "c");
}

struct ErrorCase {
    const char* label;
    const char* design;
    const char* message;  // the whole text after "test.dfm, "
};

class DesignErrors : public DesignReaderTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(DesignErrors, NameDesignLineAndColumnAndLeaveNothingBehind) {
    try {
        Read(GetParam().design);
        FAIL() << "no error";
    } catch (const EDesignError& e) {
        EXPECT_EQ(e.Message(), std::string("test.dfm, ") + GetParam().message);
    }
    EXPECT_EQ(root.ComponentCount(), 0);
    EXPECT_EQ(journal.constructed, journal.destroyed);
    EXPECT_TRUE(root.ComponentState().Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DesignErrors,
    ::testing::Values(
        ErrorCase{
            "UnknownClass",
            "object Main: TTestRoot\n  object a: TWidget\n  end\n  object b: TNope\n  end\nend",
            "line 4, column 3: Class TNope not found"},
        ErrorCase{"UnknownProperty",
                  "object Main: TTestRoot\n object a: TWidget\n   Colour = 1\n end\nend",
                  "line 3, column 4: Unknown property Colour of TWidget"},
        ErrorCase{"UnknownNestedProperty", "object Main: TTestRoot\n  Font.Style = 1\nend",
                  "line 2, column 3: Unknown property Font.Style of TTestFont"},
        ErrorCase{"PathThroughScalar", "object Main: TTestRoot\n  Caption.Size = 1\nend",
                  "line 2, column 3: Property Caption has no fields"},
        ErrorCase{"WrongKind", "object Main: TTestRoot\n  Caption = 12\nend",
                  "line 2, column 13: Property Caption needs a string, not an integer"},
        ErrorCase{"UnknownEnumName", "object Main: TTestRoot\n  Shade = shPurple\nend",
                  "line 2, column 11: Invalid value shPurple for property Shade"},
        ErrorCase{"UnknownSetMember", "object Main: TTestRoot\n  Options = [ooBold, ooWide]\nend",
                  "line 2, column 22: Invalid value ooWide for property Options"},
        ErrorCase{"BooleanAsNumber", "object Main: TTestRoot\n  Enabled = 1\nend",
                  "line 2, column 13: Invalid value an integer for property Enabled"},
        ErrorCase{"ByteOutOfRange", "object Main: TTestRoot\n  Small = 256\nend",
                  "line 2, column 11: Value 256 out of range for property Small (0..255)"},
        ErrorCase{"Int32OutOfRange", "object Main: TTestRoot\n  Count = -2147483649\nend",
                  "line 2, column 11: Value -2147483649 out of range for property Count "
                  "(-2147483648..2147483647)"},
        ErrorCase{"UnknownIdent", "object Main: TTestRoot\n  Font.Color = clPink\nend",
                  "line 2, column 16: Invalid value clPink for property Color"},
        ErrorCase{"HandlerNotFound", "object Main: TTestRoot\n  OnClick = NoSuchClick\nend",
                  "line 2, column 13: Method NoSuchClick not found in TTestRoot"},
        ErrorCase{"HandlerWrongSignature", "object Main: TTestRoot\n  OnClick = AskQuery\nend",
                  "line 2, column 13: Method AskQuery does not fit event OnClick"},
        ErrorCase{"ReferenceNotFound",
                  "object Main: TTestRoot\n  object a: TWidget\n    Partner = ghost\n  end\nend",
                  "line 3, column 15: Component ghost not found"},
        ErrorCase{
            "ReferenceWrongClass",
            "object Main: TTestRoot\n  object a: TWidget\n    Partner = p\n  end\n  object p: "
            "TPlain\n  end\nend",
            "line 3, column 15: Component p is a TPlain, which does not fit property Partner"},
        ErrorCase{"ObjectAssignedWhole", "object Main: TTestRoot\n  Font = 'x'\nend",
                  "line 2, column 10: Property Font is an object; set its fields as Font.<field>"},
        ErrorCase{
            "DuplicateName",
            "object Main: TTestRoot\n  object a: TWidget\n  end\n  object A: TWidget\n  end\nend",
            "line 4, column 3: A component named A already exists"},
        ErrorCase{"BadListForStrings", "object Main: TTestRoot\n  Lines.Strings = ( 'a' 3 )\nend",
                  "line 2, column 19: Only strings may stand in a list of strings"},
        ErrorCase{"BinaryExpected", "object Main: TTestRoot\n  Blob = 'x'\nend",
                  "line 2, column 10: Property Blob needs a binary value { ... }"},
        ErrorCase{"RootClassMismatch", "object Main: TWidget\nend",
                  "line 1, column 1: The design holds a TWidget, not a TTestRoot"},
        ErrorCase{"NotAComponentClass", "object Main: TTestRoot\n  object f: TTestFont\n  end\nend",
                  "line 2, column 3: Class TTestFont is not a component"},
        ErrorCase{"MissingBundledFile", "object Main: TTestRoot\n  Blob = { @file 'x.so' }\nend",
                  "line 2, column 18: Bundled file 'x.so' not found"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(DesignReaderTest, SyntaxErrorCreatesAndChangesNothing) {
    root.SetCaption("before");
    journal.entries.clear();
    try {
        Read(
            "object Main: TTestRoot\n  Caption = 'after'\n  object a: TWidget\n  end\n  Count = "
            "\nend");
        FAIL() << "no error";
    } catch (const EDesignError& e) {
        EXPECT_EQ(e.Message(),
                  "test.dfm, line 5, column 3: Properties must come before child objects");
    }
    EXPECT_EQ(root.Caption(), "before");
    EXPECT_EQ(journal.constructed, 0);
    EXPECT_TRUE(journal.entries.empty());
}

struct SyntaxCase {
    const char* label;
    const char* design;
    const char* message;
};

class DesignSyntax : public ::testing::TestWithParam<SyntaxCase> {};

TEST_P(DesignSyntax, ReportsPosition) {
    try {
        DesignParser("s.dfm").Parse(GetParam().design);
        FAIL() << "no error";
    } catch (const EDesignError& e) {
        EXPECT_EQ(e.Message(), std::string("s.dfm, ") + GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DesignSyntax,
    ::testing::Values(
        SyntaxCase{"Empty", "", "line 1, column 1: 'object' expected"},
        SyntaxCase{"MissingEnd", "object a: T\n  X = 1\n", "line 3, column 1: 'end' expected"},
        SyntaxCase{"TrailingText", "object a: T\nend\nend",
                   "line 3, column 1: End of design expected"},
        SyntaxCase{"UnterminatedString", "object a: T\n  X = 'abc\nend",
                   "line 2, column 7: Unterminated string"},
        SyntaxCase{"MissingEquals", "object a: T\n  X 1\nend", "line 2, column 5: '=' expected"},
        SyntaxCase{"OddHex", "object a: T\n  X = { ABC }\nend",
                   "line 2, column 13: Odd number of hex digits in binary value"},
        SyntaxCase{"BadHex", "object a: T\n  X = { AG }\nend",
                   "line 2, column 10: Invalid binary digit"},
        SyntaxCase{"UnterminatedBinary", "object a: T\n  X = { AB",
                   "line 2, column 7: Unterminated binary value"},
        SyntaxCase{"IntegerTooBig", "object a: T\n  X = 9223372036854775808\nend",
                   "line 2, column 7: Integer out of range"},
        SyntaxCase{"HexTooBig", "object a: T\n  X = $1FFFFFFFFFFFFFFFF\nend",
                   "line 2, column 7: Integer out of range"},
        SyntaxCase{"CodeTooBig", "object a: T\n  X = #1114112\nend",
                   "line 2, column 7: Character code out of range"},
        SyntaxCase{"Surrogate", "object a: T\n  X = 'a'#$D800\nend",
                   "line 2, column 10: Character code out of range"},
        SyntaxCase{"PlusWithoutString", "object a: T\n  X = 'a' + 1\nend",
                   "line 2, column 13: String expected after +"},
        SyntaxCase{"UnclosedSet", "object a: T\n  X = [a b]\nend",
                   "line 2, column 10: ',' expected"},
        SyntaxCase{"ItemExpected", "object a: T\n  X = < end >\nend",
                   "line 2, column 9: 'item' or '>' expected"},
        SyntaxCase{"Inherited", "inherited a: T\nend",
                   "line 1, column 1: Inherited and inline objects are not supported"},
        SyntaxCase{"StrayCharacter", "object a: T\n  X = ;\nend",
                   "line 2, column 7: Unexpected character"},
        SyntaxCase{"NumberGluedToName", "object a: T\n  X = 12ab\nend",
                   "line 2, column 9: Invalid number"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(DesignParser, DeepNestingIsRejectedNotOverflowed) {
    std::string design = "object a: T\n  X = " + std::string(100000, '(') + "\nend";
    EXPECT_THROW(DesignParser("deep").Parse(design), EDesignError);
    std::string objects;
    for (int i = 0; i < 10000; ++i) objects += "object a: T\n";
    EXPECT_THROW(DesignParser("deep").Parse(objects), EDesignError);
}

TEST(DesignParser, KeepsValuePositionsAndKinds) {
    DesignObject tree = DesignParser("p").Parse(
        "object A: TA\n  F = -1.5E2\n  S = [x, y]\n  object B: TB\n  end\nend");
    ASSERT_EQ(tree.properties.size(), 2u);
    EXPECT_EQ(tree.properties[0].value.kind, DesignValue::Kind::Float);
    EXPECT_EQ(tree.properties[0].value.real, -150.0);
    EXPECT_EQ(tree.properties[1].value.items.size(), 2u);
    EXPECT_EQ(tree.properties[1].value.items[1].column, 11);
    ASSERT_EQ(tree.children.size(), 1u);
    EXPECT_EQ(tree.children[0].line, 4);
    EXPECT_EQ(tree.children[0].className, "TB");
}

}  // namespace
}  // namespace kiv::test
