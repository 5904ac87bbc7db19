// TStringList: editing, Text in both directions, search, change notices and bounds.
#include <gtest/gtest.h>

#include "framework/exception.h"
#include "framework/string_list.h"

namespace kiv {
namespace {

std::vector<std::string> Lines(const TStrings& strings) {
    std::vector<std::string> lines;
    for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings.Strings(i));
    return lines;
}

struct TextCase {
    const char* label;
    const char* text;
    std::vector<std::string> lines;
    const char* back;  // Text() after SetText(text)
};

class StringListText : public ::testing::TestWithParam<TextCase> {};

TEST_P(StringListText, SplitsAndJoins) {
    TStringList list;
    list.Add("old");
    list.SetText(GetParam().text);
    EXPECT_EQ(Lines(list), GetParam().lines);
    EXPECT_EQ(list.Text(), GetParam().back);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StringListText,
    ::testing::Values(TextCase{"Empty", "", {}, ""}, TextCase{"OneLine", "abc", {"abc"}, "abc\n"},
                      TextCase{"TrailingBreak", "a\nb\n", {"a", "b"}, "a\nb\n"},
                      TextCase{"CrLf", "a\r\nb\r\n", {"a", "b"}, "a\nb\n"},
                      TextCase{"EmptyLines", "\n\nx\n\n", {"", "", "x", ""}, "\n\nx\n\n"},
                      TextCase{"LoneCrStays", "a\rb", {"a\rb"}, "a\rb\n"},
                      TextCase{"OnlyBreak", "\n", {""}, "\n"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(TStringList, EditingOperations) {
    TStringList list;
    EXPECT_EQ(list.Add("b"), 0);
    list.Insert(0, "a");
    list.Add("c");
    list.SetStrings(2, "C");
    list.Delete(1);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "C"}));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(TStringList, IndexOfIgnoresAsciiCaseUnlessCaseSensitive) {
    TStringList list;
    list.SetText("*.rar\n*.R00\n");
    EXPECT_EQ(list.IndexOf("*.r00"), 1);
    EXPECT_EQ(list.IndexOf("*.zip"), -1);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("*.r00"), -1);
    EXPECT_EQ(list.IndexOf("*.R00"), 1);
}

TEST(TStringList, BoundsErrorsNameTheIndex) {
    TStringList list;
    list.Add("x");
    try {
        list.Strings(1);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (1)");
    }
    EXPECT_THROW(list.Insert(2, "y"), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    EXPECT_THROW(list.SetStrings(1, "y"), EListError);
    EXPECT_NO_THROW(list.Insert(1, "end"));
}

TEST(TStringList, ChangeNoticesOncePerEditAndOncePerUpdate) {
    TStringList list;
    int changing = 0, changed = 0;
    list.SetOnChanging([&](TObject*) { ++changing; });
    list.SetOnChange([&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        ++changed;
    });
    list.Add("a");
    list.Delete(0);
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(changing, 2);
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("x");
    list.Add("y");
    list.EndUpdate();
    EXPECT_EQ(changed, 2);
    list.EndUpdate();
    EXPECT_EQ(changed, 3);
    EXPECT_EQ(changing, 3);
    list.SetText("p\nq");  // one update
    EXPECT_EQ(changed, 4);
}

TEST(TStringList, AssignAndAddStrings) {
    TStringList source;
    source.SetText("1\n2\n");
    TStringList dest;
    dest.Add("gone");
    int changed = 0;
    dest.SetOnChange([&](TObject*) { ++changed; });
    dest.Assign(&source);
    EXPECT_EQ(Lines(dest), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(changed, 1);
    dest.AddStrings(dest);  // itself: doubled once, not forever
    EXPECT_EQ(Lines(dest), (std::vector<std::string>{"1", "2", "1", "2"}));
}

}  // namespace
}  // namespace kiv
