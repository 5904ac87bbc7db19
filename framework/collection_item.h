// TCollectionItem: one item of a TCollection.
#pragma once

#include "framework/persistent.h"

namespace kiv {

class TCollection;

// Item classes have a constructor `explicit TFooItem(TCollection& collection)`; the collection
// creates and owns them (TCollection::Add).
class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection& collection) : m_collection(&collection) {}

    TCollection* Collection() const { return m_collection; }
    // Position in the collection; -1 while the constructor runs.
    int Index() const;
    TPersistent* GetOwner() const override;

protected:
    // Tells the collection that this item (or, with `allItems`, the whole list) changed.
    void Changed(bool allItems);

private:
    TCollection* m_collection;
};

}  // namespace kiv
