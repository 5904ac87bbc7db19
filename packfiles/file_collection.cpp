// TFileCollection: typed access to the store's entries.
#include "packfiles/file_collection.h"

#include "framework/class_registry.h"
#include "packfiles/pack_files.h"

namespace kiv {

namespace {
const bool registered = RegisterClass<TFileCollection, TCollection>("TFileCollection");
}

TFileCollection::TFileCollection(TPackFiles* owner)
    : TCollection(owner, ItemClass<TFileItem>()), m_packFiles(owner) {}

TFileItem* TFileCollection::Add() {
    return static_cast<TFileItem*>(TCollection::Add());
}

TFileItem* TFileCollection::Items(int index) const {
    return static_cast<TFileItem*>(TCollection::Items(index));
}

}  // namespace kiv
