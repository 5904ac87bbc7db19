// TComponent: ownership and destruction order, names, states and notifications.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/class_registry.h"
#include "framework/component.h"
#include "framework/exception.h"

namespace kiv {
namespace {

using enum TComponentStateItem;

// Records what happens to it in a journal shared by a test.
class TProbe : public TComponent {
public:
    TProbe(TComponent* owner, std::vector<std::string>* journal, std::string tag = "")
        : TComponent(owner), m_journal(journal), m_label(std::move(tag)) {}
    ~TProbe() override {
        if (m_journal) {
            std::string entry = "destroy " + m_label;
            if (ComponentState().Contains(csDestroying)) entry += " (destroying)";
            m_journal->push_back(entry);
        }
    }

    TComponent* watched = nullptr;  // a reference cleared by removal notices

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (m_journal)
            m_journal->push_back(m_label +
                                 (operation == TOperation::opInsert ? " insert " : " remove ") +
                                 (component ? component->Name() : "nil"));
        if (operation == TOperation::opRemove && component == watched) watched = nullptr;
    }

private:
    std::vector<std::string>* m_journal;
    std::string m_label;
};

TEST(TComponent, OwnerDestroysItsComponentsLastCreatedFirst) {
    std::vector<std::string> journal;
    {
        auto owner = std::make_unique<TProbe>(nullptr, nullptr);
        auto& a = owner->Make<TProbe>(&journal, "a");
        a.Make<TProbe>(&journal, "a1");
        owner->Make<TProbe>(&journal, "b");
        owner->Make<TProbe>(&journal, "c");
        EXPECT_EQ(owner->ComponentCount(), 3);
        EXPECT_EQ(a.Owner(), owner.get());
    }
    std::vector<std::string> destroyed;
    for (const auto& entry : journal)
        if (entry.rfind("destroy", 0) == 0) destroyed.push_back(entry);
    // a's own destructor body runs before the base class destroys what a owns.
    EXPECT_EQ(destroyed,
              (std::vector<std::string>{"destroy c (destroying)", "destroy b (destroying)",
                                        "destroy a (destroying)", "destroy a1 (destroying)"}));
}

TEST(TComponent, ComponentsIndexOutsideTheListIsAListError) {
    TComponent owner(nullptr);
    owner.Make<TComponent>();
    EXPECT_NO_THROW(owner.Components(0));
    try {
        owner.Components(1);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (1)");
    }
    EXPECT_THROW(owner.Components(-1), EListError);
}

TEST(TComponent, RemoveComponentHandsOverOwnershipAndNotifies) {
    std::vector<std::string> journal;
    TProbe owner(nullptr, &journal, "owner");
    auto& sibling = owner.Make<TProbe>(&journal, "sib");
    auto& child = owner.Make<TComponent>();
    child.SetName("child");
    journal.clear();
    std::unique_ptr<TComponent> taken = owner.RemoveComponent(child);
    EXPECT_EQ(taken.get(), &child);
    EXPECT_EQ(child.Owner(), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(journal, (std::vector<std::string>{"sib remove child", "owner remove child"}));
    EXPECT_THROW(owner.RemoveComponent(child), EComponentError);
    (void)sibling;
}

// An owner whose removal notice takes the removed component away itself.
class TGrabbingOwner : public TComponent {
public:
    using TComponent::TComponent;
    std::unique_ptr<TComponent> grabbed;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation != TOperation::opRemove || m_grabbing || component->Owner() != this) return;
        m_grabbing = true;
        grabbed = RemoveComponent(*component);
    }

private:
    bool m_grabbing = false;
};

TEST(TComponent, RemovalTakenByTheNoticeHandlerReturnsNull) {
    TGrabbingOwner owner(nullptr);
    auto& child = owner.Make<TComponent>();
    owner.Make<TComponent>();
    EXPECT_EQ(owner.RemoveComponent(child), nullptr);
    EXPECT_EQ(owner.grabbed.get(), &child);
    EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(TComponent, InsertNotifiesOwnerAndSiblings) {
    std::vector<std::string> journal;
    TProbe owner(nullptr, &journal, "owner");
    owner.Make<TProbe>(&journal, "first");
    journal.clear();
    auto added = std::make_unique<TComponent>(nullptr);
    added->SetName("added");
    owner.InsertComponent(std::move(added));
    EXPECT_EQ(journal, (std::vector<std::string>{"first insert added", "owner insert added"}));
}

TEST(TComponent, FindComponentIgnoresCase) {
    TComponent owner(nullptr);
    auto& button = owner.Make<TComponent>();
    button.SetName("btnUnpack");
    EXPECT_EQ(owner.FindComponent("BTNUNPACK"), &button);
    EXPECT_EQ(owner.FindComponent("btnPath"), nullptr);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
}

struct NameCase {
    const char* label;
    const char* name;
    bool valid;
};

class ComponentName : public ::testing::TestWithParam<NameCase> {};

TEST_P(ComponentName, AcceptsOnlyIdentifiers) {
    TComponent component(nullptr);
    if (GetParam().valid) {
        component.SetName(GetParam().name);
        EXPECT_EQ(component.Name(), GetParam().name);
    } else {
        component.SetName("before");
        EXPECT_THROW(component.SetName(GetParam().name), EComponentError);
        EXPECT_EQ(component.Name(), "before");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ComponentName,
    ::testing::Values(NameCase{"Plain", "kivGauge", true}, NameCase{"Underscore", "_x1", true},
                      NameCase{"Empty", "", true}, NameCase{"LeadingDigit", "1abc", false},
                      NameCase{"Blank", "a b", false}, NameCase{"Dot", "a.b", false},
                      NameCase{"NonAscii", "n\xc3\xa4me", false}, NameCase{"Dash", "a-b", false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(TComponent, NameMustBeUniqueAmongSiblingsIgnoringCase) {
    TComponent owner(nullptr);
    auto& first = owner.Make<TComponent>();
    auto& second = owner.Make<TComponent>();
    first.SetName("lblDate");
    try {
        second.SetName("LBLDATE");
        FAIL() << "no error";
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "A component named LBLDATE already exists");
    }
    first.SetName("LblDate");  // renaming itself is fine
    EXPECT_EQ(first.Name(), "LblDate");
    // Unrelated owners may use the same name.
    TComponent other(nullptr);
    other.Make<TComponent>().SetName("lblDate");
}

TEST(TComponent, InsertingADuplicateNameFailsAndKeepsTheList) {
    TComponent owner(nullptr);
    owner.Make<TComponent>().SetName("x");
    auto duplicate = std::make_unique<TComponent>(nullptr);
    duplicate->SetName("X");
    EXPECT_THROW(owner.InsertComponent(std::move(duplicate)), EComponentError);
    EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(TComponent, FreeNotificationClearsAReferenceToAComponentOfAnotherOwner) {
    std::vector<std::string> journal;
    TComponent formA(nullptr);
    auto formB = std::make_unique<TComponent>(nullptr);
    auto& watcher = formA.Make<TProbe>(&journal, "watcher");
    auto& target = formB->Make<TComponent>();
    target.SetName("target");
    watcher.watched = &target;
    target.FreeNotification(&watcher);
    formB->DestroyComponent(target);
    EXPECT_EQ(watcher.watched, nullptr);
}

TEST(TComponent, RemoveFreeNotificationStopsTheNotice) {
    std::vector<std::string> journal;
    TComponent formA(nullptr);
    TComponent formB(nullptr);
    auto& watcher = formA.Make<TProbe>(&journal, "watcher");
    auto& target = formB.Make<TComponent>();
    watcher.watched = &target;
    target.FreeNotification(&watcher);
    target.RemoveFreeNotification(&watcher);
    formB.DestroyComponent(target);
    EXPECT_EQ(watcher.watched, &target);  // nobody told it
}

TEST(TComponent, DyingWatcherUnregistersFromItsPartner) {
    std::vector<std::string> journal;
    TComponent formA(nullptr);
    TComponent formB(nullptr);
    auto& watcher = formA.Make<TProbe>(&journal, "watcher");
    auto& target = formB.Make<TComponent>();
    target.FreeNotification(&watcher);
    formA.DestroyComponent(watcher);
    // Destroying the target must not notify the destroyed watcher (ASan would catch it).
    formB.DestroyComponent(target);
    EXPECT_EQ(formB.ComponentCount(), 0);
}

TEST(TComponent, SiblingsHearOfADestroyedSiblingDuringOwnerDestruction) {
    std::vector<std::string> journal;
    auto owner = std::make_unique<TComponent>(nullptr);
    auto& early = owner->Make<TProbe>(&journal, "early");
    auto& late = owner->Make<TComponent>();
    late.SetName("late");
    early.watched = &late;
    owner.reset();
    EXPECT_NE(std::find(journal.begin(), journal.end(), "early remove late"), journal.end());
}

TEST(TComponent, DesigningStateReachesOwnedComponentsNowAndLater) {
    TComponent owner(nullptr);
    auto& before = owner.Make<TComponent>();
    owner.SetDesigning(true);
    auto& after = owner.Make<TComponent>();
    EXPECT_TRUE(before.ComponentState().Contains(csDesigning));
    EXPECT_TRUE(after.ComponentState().Contains(csDesigning));
    owner.SetDesigning(false);
    EXPECT_FALSE(after.ComponentState().Contains(csDesigning));
}

TEST(TComponent, ClassNameComesFromTheRegistry) {
    TComponent component(nullptr);
    EXPECT_EQ(component.ClassName(), "TComponent");
    TProbe probe(nullptr, nullptr);  // not registered: the C++ name without namespace
    EXPECT_EQ(probe.ClassName(), "TProbe");
}

}  // namespace
}  // namespace kiv
