// TCollectionItem: position and change notices within its collection.
#include "framework/collection_item.h"

#include "framework/class_registry.h"
#include "framework/collection.h"

namespace kiv {

namespace {
const bool registered = RegisterClass<TCollectionItem, TPersistent>("TCollectionItem");
}

int TCollectionItem::Index() const {
    return m_collection->IndexOf(this);
}

TPersistent* TCollectionItem::GetOwner() const {
    return m_collection;
}

void TCollectionItem::Changed(bool allItems) {
    if (allItems) {
        m_collection->Changed();
    } else {
        m_collection->ItemChanged(this);
    }
}

}  // namespace kiv
