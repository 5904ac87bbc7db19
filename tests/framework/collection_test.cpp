// TCollection and TCollectionItem: item creation, assignment, update notices.
#include <gtest/gtest.h>

#include "framework/class_registry.h"
#include "framework/collection.h"
#include "framework/collection_item.h"
#include "framework/exception.h"

namespace kiv {
namespace {

// An item class without an Assign of its own, like a file store's entry.
class TBareItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    int value = 0;
};

class TCopyItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    int value = 0;
    void Assign(const TPersistent* source) override {
        if (const auto* other = dynamic_cast<const TCopyItem*>(source)) {
            value = other->value;
            Changed(false);
            return;
        }
        TCollectionItem::Assign(source);
    }
};

const bool registered = RegisterClass<TBareItem, TCollectionItem>("TBareItem") &&
                        RegisterClass<TCopyItem, TCollectionItem>("TCopyItem");

// Counts Update notices.
class TCountingCollection : public TCollection {
public:
    using TCollection::TCollection;
    int allUpdates = 0;
    std::vector<TCollectionItem*> itemUpdates;

protected:
    void Update(TCollectionItem* item) override {
        if (item)
            itemUpdates.push_back(item);
        else
            ++allUpdates;
    }
};

TEST(TCollection, AddCreatesItemsOfTheItemClassInOrder) {
    TCollection collection(nullptr, TCollection::ItemClass<TBareItem>());
    TCollectionItem* first = collection.Add();
    TCollectionItem* second = collection.Add();
    EXPECT_NE(dynamic_cast<TBareItem*>(first), nullptr);
    EXPECT_EQ(collection.Count(), 2);
    EXPECT_EQ(first->Index(), 0);
    EXPECT_EQ(second->Index(), 1);
    EXPECT_EQ(second->Collection(), &collection);
    EXPECT_EQ(second->GetOwner(), &collection);
    collection.Delete(0);
    EXPECT_EQ(second->Index(), 0);
    EXPECT_EQ(collection.Items(0), second);
}

TEST(TCollection, OutOfBoundsIndexIsAListError) {
    TCollection collection(nullptr, TCollection::ItemClass<TBareItem>());
    collection.Add();
    try {
        collection.Items(3);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (3)");
    }
    EXPECT_THROW(collection.Delete(-1), EListError);
    EXPECT_THROW(collection.Insert(2), EListError);
}

TEST(TCollection, AssignWithoutItemAssignFailsWithTheFrameworkMessage) {
    TCollection source(nullptr, TCollection::ItemClass<TBareItem>());
    source.Add();
    TCountingCollection dest(nullptr, TCollection::ItemClass<TBareItem>());
    dest.Add();
    dest.Add();
    try {
        dest.Assign(&source);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TBareItem to a TBareItem");
    }
    // The destination was emptied and one item added before the failure; the update closed.
    EXPECT_EQ(dest.Count(), 1);
    EXPECT_EQ(dest.UpdateCount(), 0);
}

TEST(TCollection, AssignOfAnEmptySourceEmptiesWithoutError) {
    TCollection source(nullptr, TCollection::ItemClass<TBareItem>());
    TCollection dest(nullptr, TCollection::ItemClass<TBareItem>());
    dest.Add();
    dest.Assign(&source);
    EXPECT_EQ(dest.Count(), 0);
}

TEST(TCollection, AssignCopiesItemsThroughTheirAssignInOneUpdate) {
    TCollection source(nullptr, TCollection::ItemClass<TCopyItem>());
    static_cast<TCopyItem*>(source.Add())->value = 7;
    static_cast<TCopyItem*>(source.Add())->value = 9;
    TCountingCollection dest(nullptr, TCollection::ItemClass<TCopyItem>());
    dest.Assign(&source);
    ASSERT_EQ(dest.Count(), 2);
    EXPECT_EQ(static_cast<TCopyItem*>(dest.Items(0))->value, 7);
    EXPECT_EQ(static_cast<TCopyItem*>(dest.Items(1))->value, 9);
    EXPECT_EQ(dest.allUpdates, 1);
    EXPECT_TRUE(dest.itemUpdates.empty());
}

TEST(TCollection, AssignFromANonCollectionNamesBothClasses) {
    TCollection dest(nullptr, TCollection::ItemClass<TCopyItem>());
    TCopyItem stray(dest);
    try {
        dest.Assign(&stray);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TCopyItem to a TCollection");
    }
    try {
        dest.Assign(nullptr);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a nil to a TCollection");
    }
}

TEST(TCollection, UpdatesAreHeldUntilTheOutermostEndUpdate) {
    TCountingCollection collection(nullptr, TCollection::ItemClass<TCopyItem>());
    collection.Add();
    EXPECT_EQ(collection.allUpdates, 1);
    collection.BeginUpdate();
    collection.BeginUpdate();
    collection.Add();
    collection.Delete(0);
    collection.EndUpdate();
    EXPECT_EQ(collection.allUpdates, 1);
    collection.EndUpdate();
    EXPECT_EQ(collection.allUpdates, 2);
    // One item changing alone names the item.
    TCopyItem source(collection);
    source.value = 3;
    collection.Items(0)->Assign(&source);
    ASSERT_EQ(collection.itemUpdates.size(), 1u);
    EXPECT_EQ(collection.itemUpdates[0], collection.Items(0));
}

TEST(TCollection, OwnerIsWhatTheConstructorGot) {
    TCopyItem* none = nullptr;
    TCollection inner(nullptr, TCollection::ItemClass<TCopyItem>());
    TCollection outer(&inner, TCollection::ItemClass<TCopyItem>());
    EXPECT_EQ(outer.Owner(), &inner);
    EXPECT_EQ(outer.GetOwner(), &inner);
    EXPECT_EQ(inner.GetOwner(), none);
}

}  // namespace
}  // namespace kiv
