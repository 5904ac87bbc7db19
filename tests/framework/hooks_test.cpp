// The framework's two global hooks and the class registry's rules.
#include <gtest/gtest.h>

#include "framework/class_registry.h"
#include "framework/exception.h"
#include "framework/message_pump.h"
#include "framework/modal.h"

namespace kiv {
namespace {

using enum TMsgDlgBtn;
using enum TModalResult;

TEST(ProcessMessages, DoesNothingUntilAHookIsInstalled) {
    ProcessMessages();  // no hook: must simply return
    int calls = 0;
    auto previous = SetProcessMessagesHook([&] { ++calls; });
    ProcessMessages();
    ProcessMessages();
    auto mine = SetProcessMessagesHook(previous);
    ProcessMessages();
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(static_cast<bool>(mine));
}

struct CautiousCase {
    const char* label;
    TMsgDlgButtons buttons;
    TModalResult answer;
};

class AskUserWithoutAnswerer : public ::testing::TestWithParam<CautiousCase> {};

TEST_P(AskUserWithoutAnswerer, PicksTheMostCautiousButton) {
    auto previous = SetModalAnswerer({});
    EXPECT_EQ(AskUser("Overwrite?", "Confirm", TMsgDlgType::mtConfirmation, GetParam().buttons),
              GetParam().answer);
    SetModalAnswerer(previous);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, AskUserWithoutAnswerer,
    ::testing::Values(CautiousCase{"YesNoCancel", {mbYes, mbNo, mbCancel}, mrCancel},
                      CautiousCase{"YesNo", {mbYes, mbNo}, mrNo},
                      CautiousCase{"YesAllNoAll", {mbYes, mbYesToAll, mbNoToAll}, mrNoToAll},
                      CautiousCase{"AbortRetryIgnore", {mbAbort, mbRetry, mbIgnore}, mrAbort},
                      CautiousCase{"OkOnly", {mbOK}, mrOk}, CautiousCase{"YesOnly", {mbYes}, mrYes},
                      CautiousCase{"None", {}, mrCancel}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(AskUser, InstalledAnswererSeesTheQuestion) {
    ModalQuestion seen;
    auto previous = SetModalAnswerer({[&](const ModalQuestion& q) {
                                          seen = q;
                                          return mrYes;
                                      },
                                      {}});
    EXPECT_EQ(AskUser("Release successfully extracted!", "Information", TMsgDlgType::mtInformation,
                      {mbOK}),
              mrYes);
    EXPECT_EQ(seen.text, "Release successfully extracted!");
    EXPECT_EQ(seen.caption, "Information");
    EXPECT_EQ(seen.buttons, TMsgDlgButtons{mbOK});
    SetModalAnswerer(previous);
}

TEST(AskText, CancelsWithoutAnswererAndEditsWithOne) {
    auto previous = SetModalAnswerer({});
    std::string value = "Release";
    EXPECT_FALSE(AskText("Create new directory", "Type a name:", value));
    EXPECT_EQ(value, "Release");
    SetModalAnswerer({{}, [](const std::string&, const std::string& prompt, std::string& v) {
                          v += "-" + prompt;
                          return true;
                      }});
    EXPECT_TRUE(AskText("c", "p", value));
    EXPECT_EQ(value, "Release-p");
    SetModalAnswerer(previous);
}

class TBaseThing : public TPersistent {
public:
    int A() const { return 0; }
    void SetA(int) {}
    int B() const { return 0; }
    void SetB(int) {}
};
class TDerivedThing : public TBaseThing {
public:
    int C() const { return 0; }
    void SetC(int) {}
};
class TOtherThing : public TPersistent {};

const bool registered =
    RegisterClass<TDerivedThing, TBaseThing>(  // registered before its base on purpose
        "TDerivedThing", {Prop("C", &TDerivedThing::C, &TDerivedThing::SetC),
                          Prop("A", &TBaseThing::A, &TBaseThing::SetA).Default(5)}) &&
    RegisterClass<TBaseThing, TPersistent>("TBaseThing",
                                           {Prop("A", &TBaseThing::A, &TBaseThing::SetA),
                                            Prop("B", &TBaseThing::B, &TBaseThing::SetB)});

TEST(ClassRegistry, SubclassInheritsPropertiesBaseFirstAndOverridesInPlace) {
    const ClassInfo* info = ClassInfoOf<TDerivedThing>();
    ASSERT_NE(info, nullptr);
    std::vector<std::string> names;
    for (const PropertyInfo* p : info->Properties()) names.push_back(p->name);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_TRUE(static_cast<bool>(info->FindProperty("a")->isDefault));  // the subclass's entry
    EXPECT_FALSE(static_cast<bool>(ClassInfoOf<TBaseThing>()->FindProperty("A")->isDefault));
    EXPECT_TRUE(info->InheritsFrom(*ClassInfoOf<TPersistent>()));
    EXPECT_FALSE(info->CanCreate());
}

TEST(ClassRegistry, LooksClassesUpByNameIgnoringCase) {
    EXPECT_EQ(FindClass("tderivedthing"), ClassInfoOf<TDerivedThing>());
    EXPECT_EQ(FindClass("TNoSuchThing"), nullptr);
    try {
        GetClass("TNoSuchThing");
        FAIL() << "no error";
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "Class TNoSuchThing not found");
    }
}

TEST(ClassRegistry, SameNameForAnotherTypeIsRefusedAndSameTypeIgnored) {
    EXPECT_THROW((RegisterClass<TOtherThing, TPersistent>("TBASETHING")), EComponentError);
    EXPECT_NO_THROW((RegisterClass<TBaseThing, TPersistent>("TBaseThing")));
    EXPECT_EQ(ClassInfoOf<TOtherThing>(), nullptr);
}

}  // namespace
}  // namespace kiv
