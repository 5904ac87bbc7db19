// TCollection: item ownership, assignment and update notices.
#include "framework/collection.h"

#include "framework/class_registry.h"
#include "framework/collection_item.h"
#include "framework/exception.h"
#include "framework/update_scope.h"

namespace kiv {

namespace {
const bool registered = RegisterClass<TCollection, TPersistent>("TCollection");

[[noreturn]] void IndexError(int index) {
    throw EListError(FormatMessage("List index out of bounds (%d)", index));
}

}  // namespace

TCollection::TCollection(TPersistent* owner, ItemFactory itemFactory)
    : m_owner(owner), m_itemFactory(std::move(itemFactory)) {}

TCollection::~TCollection() {
    while (!m_items.empty()) m_items.pop_back();
}

TCollectionItem* TCollection::Add() {
    return Insert(Count());
}

TCollectionItem* TCollection::Insert(int index) {
    if (index < 0 || index > Count()) IndexError(index);
    if (!m_itemFactory) throw EListError("The collection has no item class");
    std::unique_ptr<TCollectionItem> item = m_itemFactory(*this);
    TCollectionItem* result = item.get();
    m_items.insert(m_items.begin() + index, std::move(item));
    Changed();
    return result;
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count()) IndexError(index);
    return m_items[static_cast<std::size_t>(index)].get();
}

int TCollection::IndexOf(const TCollectionItem* item) const {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == item) return static_cast<int>(i);
    }
    return -1;
}

void TCollection::Delete(int index) {
    if (index < 0 || index >= Count()) IndexError(index);
    std::unique_ptr<TCollectionItem> dying = std::move(m_items[static_cast<std::size_t>(index)]);
    m_items.erase(m_items.begin() + index);
    dying.reset();
    Changed();
}

void TCollection::Clear() {
    if (m_items.empty()) return;
    UpdateScope update(*this);
    while (!m_items.empty()) m_items.pop_back();
}

void TCollection::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TCollection*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    UpdateScope update(*this);
    Clear();
    for (int i = 0; i < other->Count(); ++i) Add()->Assign(other->Items(i));
}

void TCollection::BeginUpdate() {
    ++m_updateCount;
}

void TCollection::EndUpdate() {
    if (m_updateCount == 0) return;
    if (--m_updateCount == 0) Changed();
}

void TCollection::Update(TCollectionItem* /*item*/) {}

void TCollection::Changed() {
    if (m_updateCount == 0) Update(nullptr);
}

void TCollection::ItemChanged(TCollectionItem* item) {
    if (m_updateCount == 0) Update(item);
}

}  // namespace kiv
