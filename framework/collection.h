// TCollection: an owned, ordered list of items of one item class, stored in designs as < ... >.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "framework/persistent.h"

namespace kiv {

class TCollectionItem;

class TCollection : public TPersistent {
public:
    // Creates one new item of the collection's item class for `collection` (not yet listed).
    using ItemFactory = std::function<std::unique_ptr<TCollectionItem>(TCollection& collection)>;

    // The factory of an item class constructed as `Item(TCollection&)`.
    template <typename Item>
    static ItemFactory ItemClass() {
        return [](TCollection& collection) -> std::unique_ptr<TCollectionItem> {
            return std::make_unique<Item>(collection);
        };
    }

    // `owner` (may be null) is what GetOwner() answers, typically the component holding this.
    TCollection(TPersistent* owner, ItemFactory itemFactory);
    ~TCollection() override;

    // Appends a new item of the item class and returns it.
    TCollectionItem* Add();
    // Creates a new item at `index` (0..Count()); EListError otherwise.
    TCollectionItem* Insert(int index);
    // EListError "List index out of bounds (%d)" outside 0..Count()-1.
    TCollectionItem* Items(int index) const;
    int Count() const { return static_cast<int>(m_items.size()); }
    // Position of `item`, -1 when it is not in this collection.
    int IndexOf(const TCollectionItem* item) const;
    void Delete(int index);
    // Destroys all items, the last first.
    void Clear();

    // From another collection: Clear, then for every source item Add() and item.Assign(source
    // item), inside one update. Other sources: the base class's assignment error.
    void Assign(const TPersistent* source) override;

    // Changes between BeginUpdate and the matching EndUpdate send one Update(nullptr) at the end.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return m_updateCount; }

    TPersistent* Owner() const { return m_owner; }
    TPersistent* GetOwner() const override { return m_owner; }

protected:
    // Called after a change: `item` changed alone, or nullptr when the list or several items
    // changed. Not called while an update is open.
    virtual void Update(TCollectionItem* item);
    // Update(nullptr) unless an update is open.
    void Changed();

private:
    friend class TCollectionItem;

    void ItemChanged(TCollectionItem* item);

    TPersistent* m_owner;
    ItemFactory m_itemFactory;
    std::vector<std::unique_ptr<TCollectionItem>> m_items;
    int m_updateCount = 0;
};

}  // namespace kiv
